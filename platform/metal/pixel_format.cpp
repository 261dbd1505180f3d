#include "platform/metal/pixel_format.h"

#include <algorithm>
#include <iterator>

namespace mtl {
namespace {

using K = ComponentKind;
using P = PixelFormat;

constexpr PixelFormatInfo plain(P f, unsigned bytes, K kind, unsigned ch, unsigned bits,
                                bool srgb = false) {
  return {f, bytes, 1, 1, kind, ch, bits, srgb, false, false};
}
constexpr PixelFormatInfo packed(P f, unsigned bytes, unsigned ch) {
  return {f, bytes, 1, 1, K::Packed, ch, 0, false, false, false};
}
constexpr PixelFormatInfo depthStencil(P f, unsigned bytes, bool depth, bool stencil) {
  return {f, bytes, 1, 1, K::DepthStencil, 0, 0, false, depth, stencil};
}
constexpr PixelFormatInfo block(P f, unsigned bytes, unsigned w, unsigned h, bool srgb = false) {
  return {f, bytes, w, h, K::Compressed, 0, 0, srgb, false, false};
}

// Sorted by value so lookups can bisect.
constexpr PixelFormatInfo kFormats[] = {
    plain(P::A8Unorm, 1, K::Unorm, 1, 8),
    plain(P::R8Unorm, 1, K::Unorm, 1, 8), plain(P::R8Unorm_sRGB, 1, K::Unorm, 1, 8, true),
    plain(P::R8Snorm, 1, K::Snorm, 1, 8), plain(P::R8Uint, 1, K::Uint, 1, 8),
    plain(P::R8Sint, 1, K::Sint, 1, 8),
    plain(P::R16Unorm, 2, K::Unorm, 1, 16), plain(P::R16Snorm, 2, K::Snorm, 1, 16),
    plain(P::R16Uint, 2, K::Uint, 1, 16), plain(P::R16Sint, 2, K::Sint, 1, 16),
    plain(P::R16Float, 2, K::Float, 1, 16),
    plain(P::RG8Unorm, 2, K::Unorm, 2, 8), plain(P::RG8Unorm_sRGB, 2, K::Unorm, 2, 8, true),
    plain(P::RG8Snorm, 2, K::Snorm, 2, 8), plain(P::RG8Uint, 2, K::Uint, 2, 8),
    plain(P::RG8Sint, 2, K::Sint, 2, 8),
    packed(P::B5G6R5Unorm, 2, 3), packed(P::A1BGR5Unorm, 2, 4), packed(P::ABGR4Unorm, 2, 4),
    plain(P::R32Uint, 4, K::Uint, 1, 32), plain(P::R32Sint, 4, K::Sint, 1, 32),
    plain(P::R32Float, 4, K::Float, 1, 32),
    plain(P::RG16Unorm, 4, K::Unorm, 2, 16), plain(P::RG16Snorm, 4, K::Snorm, 2, 16),
    plain(P::RG16Uint, 4, K::Uint, 2, 16), plain(P::RG16Sint, 4, K::Sint, 2, 16),
    plain(P::RG16Float, 4, K::Float, 2, 16),
    plain(P::RGBA8Unorm, 4, K::Unorm, 4, 8),
    plain(P::RGBA8Unorm_sRGB, 4, K::Unorm, 4, 8, true),
    plain(P::RGBA8Snorm, 4, K::Snorm, 4, 8), plain(P::RGBA8Uint, 4, K::Uint, 4, 8),
    plain(P::RGBA8Sint, 4, K::Sint, 4, 8),
    plain(P::BGRA8Unorm, 4, K::Unorm, 4, 8),
    plain(P::BGRA8Unorm_sRGB, 4, K::Unorm, 4, 8, true),
    packed(P::RGB10A2Unorm, 4, 4), packed(P::RGB10A2Uint, 4, 4),
    packed(P::RG11B10Float, 4, 3), packed(P::RGB9E5Float, 4, 3),
    plain(P::RG32Uint, 8, K::Uint, 2, 32), plain(P::RG32Sint, 8, K::Sint, 2, 32),
    plain(P::RG32Float, 8, K::Float, 2, 32),
    plain(P::RGBA16Unorm, 8, K::Unorm, 4, 16), plain(P::RGBA16Snorm, 8, K::Snorm, 4, 16),
    plain(P::RGBA16Uint, 8, K::Uint, 4, 16), plain(P::RGBA16Sint, 8, K::Sint, 4, 16),
    plain(P::RGBA16Float, 8, K::Float, 4, 16),
    plain(P::RGBA32Uint, 16, K::Uint, 4, 32), plain(P::RGBA32Sint, 16, K::Sint, 4, 32),
    plain(P::RGBA32Float, 16, K::Float, 4, 32),
    // PVRTC: 2 bpp covers 8 x 4 texels, 4 bpp 4 x 4, in 64-bit blocks.
    block(P::PVRTC_RGB_2BPP, 8, 8, 4), block(P::PVRTC_RGB_2BPP_sRGB, 8, 8, 4, true),
    block(P::PVRTC_RGB_4BPP, 8, 4, 4), block(P::PVRTC_RGB_4BPP_sRGB, 8, 4, 4, true),
    block(P::PVRTC_RGBA_2BPP, 8, 8, 4), block(P::PVRTC_RGBA_2BPP_sRGB, 8, 8, 4, true),
    block(P::PVRTC_RGBA_4BPP, 8, 4, 4), block(P::PVRTC_RGBA_4BPP_sRGB, 8, 4, 4, true),
    block(P::EAC_R11Unorm, 8, 4, 4), block(P::EAC_R11Snorm, 8, 4, 4),
    block(P::EAC_RG11Unorm, 16, 4, 4), block(P::EAC_RG11Snorm, 16, 4, 4),
    block(P::EAC_RGBA8, 16, 4, 4), block(P::EAC_RGBA8_sRGB, 16, 4, 4, true),
    block(P::ETC2_RGB8, 8, 4, 4), block(P::ETC2_RGB8_sRGB, 8, 4, 4, true),
    block(P::ETC2_RGB8A1, 8, 4, 4), block(P::ETC2_RGB8A1_sRGB, 8, 4, 4, true),
    // 4:2:2 video formats pair two texels in four bytes.
    block(P::GBGR422, 4, 2, 1), block(P::BGRG422, 4, 2, 1),
    depthStencil(P::Depth16Unorm, 2, true, false),
    depthStencil(P::Depth32Float, 4, true, false),
    depthStencil(P::Stencil8, 1, false, true),
    depthStencil(P::Depth32Float_Stencil8, 8, true, true),
};

}  // namespace

const PixelFormatInfo* pixelFormatInfo(PixelFormat format) {
  auto it = std::lower_bound(std::begin(kFormats), std::end(kFormats), format,
                             [](const PixelFormatInfo& info, PixelFormat f) {
                               return info.format < f;
                             });
  return it != std::end(kFormats) && it->format == format ? &*it : nullptr;
}

const PixelFormatInfo* allPixelFormats(std::size_t& count) {
  count = std::size(kFormats);
  return kFormats;
}

bool isCompressed(PixelFormat format) {
  const PixelFormatInfo* info = pixelFormatInfo(format);
  return info && info->kind == ComponentKind::Compressed;
}

bool isRenderable(PixelFormat format) {
  const PixelFormatInfo* info = pixelFormatInfo(format);
  return info && info->kind != ComponentKind::Compressed &&
         format != PixelFormat::RGB9E5Float;
}

NSUInteger bytesPerRow(const PixelFormatInfo& info, NSUInteger width) {
  return (width + info.blockWidth - 1) / info.blockWidth * info.bytesPerBlock;
}

NSUInteger blockRows(const PixelFormatInfo& info, NSUInteger height) {
  return (height + info.blockHeight - 1) / info.blockHeight;
}

}  // namespace mtl
