// IEEE 754 binary16 and the small unsigned floats of packed formats.
#pragma once

#include <cstdint>

#include "support/half_float.h"

namespace mtl {

// The shader compiler's conversions (support/half_float.h), so that texture
// storage and folded constants agree to the bit.
inline std::uint16_t floatToHalf(float value) { return support::floatToHalf(value); }
inline float halfToFloat(std::uint16_t half) { return support::halfToFloat(half); }

// Unsigned floats with a 5-bit exponent (bias 15) and `mantissaBits`
// mantissa bits, as in the 11- and 10-bit channels of RG11B10Float.
// Negative values and NaN's sign are clamped to 0.
std::uint32_t floatToSmallUnsignedFloat(float value, unsigned mantissaBits);
float smallUnsignedFloatToFloat(std::uint32_t bits, unsigned mantissaBits);

// The shared-exponent format RGB9E5 (9-bit mantissas, 5-bit exponent,
// bias 15), encoded as the EXT_texture_shared_exponent extension describes.
std::uint32_t encodeRGB9E5(float r, float g, float b);
void decodeRGB9E5(std::uint32_t packed, float rgb[3]);

}  // namespace mtl
