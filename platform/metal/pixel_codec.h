// Reading and writing single texels of uncompressed formats as four
// doubles (red, green, blue, alpha). Normalised and float formats give
// their value (sRGB formats in linear space); integer formats give the
// integer itself. Missing channels read as 0, missing alpha as 1.
#pragma once

#include <array>
#include <cstdint>

#include "platform/metal/pixel_format.h"

namespace mtl {

using Texel = std::array<double, 4>;

// Neither function accepts compressed or depth/stencil formats.
Texel decodeTexel(const PixelFormatInfo& info, const std::uint8_t* bytes);
void encodeTexel(const PixelFormatInfo& info, const Texel& texel, std::uint8_t* bytes);

// Depth and stencil planes of depth/stencil formats; a format without the
// plane is left alone.
void encodeDepth(const PixelFormatInfo& info, double depth, std::uint8_t* bytes);
void encodeStencil(const PixelFormatInfo& info, std::uint32_t stencil, std::uint8_t* bytes);
double decodeDepth(const PixelFormatInfo& info, const std::uint8_t* bytes);
std::uint32_t decodeStencil(const PixelFormatInfo& info, const std::uint8_t* bytes);

// Whether texels of the format can be averaged (filtered mipmaps, resolves).
bool isFilterable(const PixelFormatInfo& info);

double srgbToLinear(double value);
double linearToSrgb(double value);

}  // namespace mtl
