// Rounding to the nearest even integer and IEEE 754 binary16 conversions,
// as the packing built-ins need them.
#pragma once

#include <cstdint>

#include "support/half_float.h"

// The float nearest to x that is an integer, ties to even; exact for every
// float whatever the rounding mode.
float round_even_float(float x);
// The same as a signed 32-bit integer, saturating; NaN gives 0.
int32_t round_to_even(float x);
// binary32 to binary16, rounding to nearest even; binary32 subnormals give
// signed zero and a NaN the pattern 0x7C01 (with its sign). The software
// GPU converts with the same code (support/half_float.h).
inline uint16_t float_to_half(float f) { return support::floatToHalf(f); }
// binary16 to binary32, exact; a NaN gives 0x7F800001 (with its sign).
inline float half_to_float(uint16_t h) { return support::halfToFloat(h); }
