// IEEE 754 binary16 ("half") conversions, one implementation for every
// user: the shader compiler folds packHalf2x16 and unpackHalf2x16 with
// them and the software GPU stores and samples half-float textures with
// them, so that a value folded at compile time and the same value computed
// at run time have the same bits.
//
// Conversion from binary32 rounds to nearest, ties to even, with integer
// arithmetic (independent of the floating-point rounding mode); binary32
// subnormals lie far below the smallest half and give a signed zero. NaN
// has one pattern each way, sign kept: the half 0x7C01 and the binary32
// 0x7F800001, as the shader compiler's constant folding defines them.
#pragma once

#include <cstdint>

namespace support {

std::uint16_t floatToHalf(float value);
// Exact for every half but NaN.
float halfToFloat(std::uint16_t half);

}  // namespace support
