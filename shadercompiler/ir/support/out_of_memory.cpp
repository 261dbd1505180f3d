#include "shadercompiler/ir/support/out_of_memory.h"

#include <cstdio>

void report_out_of_memory(const char *operation) {
  std::fprintf(stderr, "Compiler error: out of memory in %s", operation);
}
