#include <charconv>
#include <cmath>
#include <cstring>

#include "shadercompiler/ir/ir_analyses.h"

// from_chars rounds the decimal text straight to single precision (going
// through double first could round twice) and ignores the process locale.
float glsl_strtof(const char *text, char **end) {
  float value = 0.0f;
  const char *last = text + std::strlen(text);
  auto [ptr, error] = std::from_chars(text, last, value);
  if (error == std::errc::invalid_argument) {
    ptr = text;
  } else if (error == std::errc::result_out_of_range) {
    // Overflow gives infinity and underflow zero, as strtof does.
    double wide = 0.0;
    std::from_chars(text, last, wide);
    value = std::fabs(wide) > 1.0 ? std::copysign(HUGE_VALF, static_cast<float>(wide))
                                  : std::copysign(0.0f, static_cast<float>(wide));
  }
  if (end != nullptr) *end = const_cast<char *>(ptr);
  return value;
}
