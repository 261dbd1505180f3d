#include "shadercompiler/ir/support/shc_assert.h"

#include <cstdio>
#include <cstdlib>

void shc_assert_fail(const char *condition, const char *file, int line,
                     const char *function) {
  std::fprintf(stderr, "%s:%d: %s: Assertion `%s' failed.\n", file, line,
               function, condition);
  std::abort();
}
