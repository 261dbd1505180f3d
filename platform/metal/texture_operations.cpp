#include "platform/metal/texture_operations.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/metal/pixel_codec.h"

namespace mtl {
namespace {

// The most samples a texture may have (the device's largest count).
constexpr NSUInteger kMaxSamples = 64;

}  // namespace

void copyTexels(const Texture& source, NSUInteger sourceSlice, NSUInteger sourceLevel,
                Origin sourceOrigin, Size size, Texture& destination,
                NSUInteger destinationSlice, NSUInteger destinationLevel,
                Origin destinationOrigin) {
  const PixelFormatInfo& info = source.formatInfo();
  const NSUInteger texelBytes = info.bytesPerBlock * source.sampleCount();
  const NSUInteger rowBytes = bytesPerRow(info, size.width) * source.sampleCount();
  const NSUInteger rows = blockRows(info, size.height);
  const std::uint8_t* src = source.levelData(sourceSlice, sourceLevel);
  std::uint8_t* dst = destination.levelData(destinationSlice, destinationLevel);
  const NSUInteger srcStride = source.levelBytesPerRow(sourceLevel);
  const NSUInteger dstStride = destination.levelBytesPerRow(destinationLevel);
  const NSUInteger sx = sourceOrigin.x / info.blockWidth * texelBytes;
  const NSUInteger sy = sourceOrigin.y / info.blockHeight;
  const NSUInteger dx = destinationOrigin.x / info.blockWidth * texelBytes;
  const NSUInteger dy = destinationOrigin.y / info.blockHeight;
  for (NSUInteger row = 0; row < rows; ++row) {
    std::memmove(dst + (dy + row) * dstStride + dx, src + (sy + row) * srcStride + sx, rowBytes);
  }
}

void copyLinear(Texture& texture, NSUInteger slice, NSUInteger level, const Region& region,
                std::uint8_t* memory, NSUInteger bytesPerRowOfMemory, bool toTexture) {
  const PixelFormatInfo& info = texture.formatInfo();
  const NSUInteger rowBytes = bytesPerRow(info, region.size.width);
  const NSUInteger rows = blockRows(info, region.size.height);
  std::uint8_t* base = texture.levelData(slice, level);
  const NSUInteger stride = texture.levelBytesPerRow(level);
  const NSUInteger x0 = region.origin.x / info.blockWidth * info.bytesPerBlock;
  const NSUInteger y0 = region.origin.y / info.blockHeight;
  for (NSUInteger row = 0; row < rows; ++row) {
    std::uint8_t* texels = base + (y0 + row) * stride + x0;
    std::uint8_t* linear = memory + row * bytesPerRowOfMemory;
    if (toTexture) std::memcpy(texels, linear, rowBytes);
    else std::memcpy(linear, texels, rowBytes);
  }
}

namespace {

// Writes one encoded texel into every sample of a level.
void fillLevel(Texture& texture, NSUInteger slice, NSUInteger level,
               void (*write)(const PixelFormatInfo&, const void*, std::uint8_t*),
               const void* value) {
  const PixelFormatInfo& info = texture.formatInfo();
  const NSUInteger samples = texture.levelWidth(level) * texture.sampleCount();
  std::uint8_t* data = texture.levelData(slice, level);
  const NSUInteger stride = texture.levelBytesPerRow(level);
  std::vector<std::uint8_t> texel(info.bytesPerBlock);
  if (info.kind == ComponentKind::DepthStencil) {
    // Depth and stencil share texels in combined formats: write in place.
    for (NSUInteger y = 0; y < texture.levelHeight(level); ++y) {
      for (NSUInteger s = 0; s < samples; ++s) write(info, value, data + y * stride + s * info.bytesPerBlock);
    }
    return;
  }
  write(info, value, texel.data());
  for (NSUInteger y = 0; y < texture.levelHeight(level); ++y) {
    for (NSUInteger s = 0; s < samples; ++s) {
      std::memcpy(data + y * stride + s * info.bytesPerBlock, texel.data(), texel.size());
    }
  }
}

}  // namespace

void clearColor(Texture& texture, NSUInteger slice, NSUInteger level, const ClearColor& color) {
  const Texel texel{color.red, color.green, color.blue, color.alpha};
  fillLevel(texture, slice, level,
            [](const PixelFormatInfo& info, const void* v, std::uint8_t* out) {
              encodeTexel(info, *static_cast<const Texel*>(v), out);
            },
            &texel);
}

void clearDepth(Texture& texture, NSUInteger slice, NSUInteger level, double depth) {
  fillLevel(texture, slice, level,
            [](const PixelFormatInfo& info, const void* v, std::uint8_t* out) {
              encodeDepth(info, *static_cast<const double*>(v), out);
            },
            &depth);
}

void clearStencil(Texture& texture, NSUInteger slice, NSUInteger level, std::uint32_t stencil) {
  fillLevel(texture, slice, level,
            [](const PixelFormatInfo& info, const void* v, std::uint8_t* out) {
              encodeStencil(info, *static_cast<const std::uint32_t*>(v), out);
            },
            &stencil);
}

namespace {

// Writes the mean of `count` texels. Plain 8-bit normalised formats
// average their bytes exactly as decoding, averaging and encoding would
// (round half up), without the trip through doubles.
void averageTexels(const PixelFormatInfo& info, const std::uint8_t* const* texels, int count,
                   std::uint8_t* out) {
  if (info.kind == ComponentKind::Unorm && info.bitsPerChannel == 8 && !info.sRGB) {
    for (unsigned b = 0; b < info.bytesPerBlock; ++b) {
      unsigned sum = 0;
      for (int i = 0; i < count; ++i) sum += texels[i][b];
      out[b] = static_cast<std::uint8_t>((sum + static_cast<unsigned>(count) / 2) /
                                         static_cast<unsigned>(count));
    }
    return;
  }
  Texel sum{0, 0, 0, 0};
  for (int i = 0; i < count; ++i) {
    const Texel t = decodeTexel(info, texels[i]);
    for (int c = 0; c < 4; ++c) sum[c] += t[c];
  }
  for (double& c : sum) c /= count;
  encodeTexel(info, sum, out);
}

}  // namespace

void generateMipmaps(Texture& texture) {
  const PixelFormatInfo& info = texture.formatInfo();
  const NSUInteger bpp = info.bytesPerBlock;
  for (NSUInteger slice = 0; slice < texture.sliceCount(); ++slice) {
    for (NSUInteger level = 1; level < texture.mipmapLevelCount(); ++level) {
      const NSUInteger sw = texture.levelWidth(level - 1), sh = texture.levelHeight(level - 1);
      const NSUInteger sStride = texture.levelBytesPerRow(level - 1);
      const NSUInteger dStride = texture.levelBytesPerRow(level);
      const std::uint8_t* src = texture.levelData(slice, level - 1);
      std::uint8_t* dst = texture.levelData(slice, level);
      for (NSUInteger y = 0; y < texture.levelHeight(level); ++y) {
        for (NSUInteger x = 0; x < texture.levelWidth(level); ++x) {
          const std::uint8_t* texels[4];
          int count = 0;
          for (NSUInteger yy = 2 * y; yy < std::min(2 * y + 2, sh); ++yy) {
            for (NSUInteger xx = 2 * x; xx < std::min(2 * x + 2, sw); ++xx) {
              texels[count++] = src + yy * sStride + xx * bpp;
            }
          }
          averageTexels(info, texels, count, dst + y * dStride + x * bpp);
        }
      }
    }
  }
}

void resolveSamples(const Texture& source, NSUInteger sourceSlice, NSUInteger sourceLevel,
                    Texture& destination, NSUInteger destinationSlice,
                    NSUInteger destinationLevel) {
  const PixelFormatInfo& info = source.formatInfo();
  const NSUInteger bpp = info.bytesPerBlock;
  const NSUInteger samples = source.sampleCount();
  const bool average = isFilterable(info) && samples <= kMaxSamples;
  const std::uint8_t* src = source.levelData(sourceSlice, sourceLevel);
  std::uint8_t* dst = destination.levelData(destinationSlice, destinationLevel);
  const NSUInteger sStride = source.levelBytesPerRow(sourceLevel);
  const NSUInteger dStride = destination.levelBytesPerRow(destinationLevel);
  for (NSUInteger y = 0; y < source.levelHeight(sourceLevel); ++y) {
    for (NSUInteger x = 0; x < source.levelWidth(sourceLevel); ++x) {
      const std::uint8_t* texel = src + y * sStride + x * samples * bpp;
      std::uint8_t* out = dst + y * dStride + x * bpp;
      if (!average) {
        std::memcpy(out, texel, bpp);
        continue;
      }
      const std::uint8_t* texels[kMaxSamples];
      for (NSUInteger s = 0; s < samples; ++s) texels[s] = texel + s * bpp;
      averageTexels(info, texels, static_cast<int>(samples), out);
    }
  }
}

}  // namespace mtl
