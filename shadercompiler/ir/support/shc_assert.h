// Invariant checks of the compiler that stay compiled into every build: a
// broken invariant means the compiler's own data is corrupt, so the process
// stops with the function, file, line and condition.
#pragma once

[[noreturn]] void shc_assert_fail(const char *condition, const char *file,
                                  int line, const char *function);

#define SHC_ASSERT(condition)                                          \
  ((condition) ? static_cast<void>(0)                                 \
               : shc_assert_fail(#condition, __FILE__, __LINE__, __func__))
