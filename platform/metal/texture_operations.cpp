#include "platform/metal/texture_operations.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "platform/metal/pixel_codec.h"
#include "platform/metal/texel_fill.h"

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

// Fills below this many bytes run on the calling thread: waking the
// workers would cost more.
constexpr std::size_t kParallelFillBytes = std::size_t{1} << 20;

// The texel a clear writes, in the level's format; whether it is written
// in place (a combined depth and stencil format keeps the other part).
bool encodeClear(const LevelClear& c, std::uint8_t texel[16]) {
  const PixelFormatInfo& info = c.texture->formatInfo();
  switch (c.aspect) {
    case LevelClear::Aspect::color:
      encodeTexel(info, Texel{c.color.red, c.color.green, c.color.blue, c.color.alpha}, texel);
      break;
    case LevelClear::Aspect::depth: encodeDepth(info, c.depth, texel); break;
    case LevelClear::Aspect::stencil: encodeStencil(info, c.stencil, texel); break;
  }
  return c.aspect != LevelClear::Aspect::color && info.hasDepth && info.hasStencil;
}

}  // namespace

LevelFills::LevelFills(const std::vector<LevelClear>& clears) {
  for (const LevelClear& c : clears) {
    std::uint8_t texel[16] = {};
    const bool inPlace = encodeClear(c, texel);
    add(*c.texture, c.slice, c.level, texel, inPlace ? &c : nullptr);
  }
}

void LevelFills::add(Texture& t, NSUInteger slice, NSUInteger level, const std::uint8_t* texel,
                     const LevelClear* inPlace) {
  const PixelFormatInfo& info = t.formatInfo();
  Fill f{inPlace, &info, t.levelData(slice, level), t.levelBytesPerRow(level), t.sampleCount() * info.bytesPerBlock,
         t.levelWidth(level), t.levelHeight(level), {}};
  std::memcpy(f.texel, texel, info.bytesPerBlock);
  rows_ += f.rows;
  bytes_ += f.rows * f.width * f.pixelBytes;
  fills_.push_back(f);
}

void LevelFills::fill(const Fill& f, std::size_t y0, std::size_t y1, std::size_t x0, std::size_t x1) const {
  const std::size_t size = f.info->bytesPerBlock;
  const std::size_t start = x0 * f.pixelBytes, length = (x1 - x0) * f.pixelBytes;
  if (f.inPlace) {
    for (std::size_t y = y0; y < y1; ++y) {
      for (std::size_t at = start; at < start + length; at += size) {
        std::uint8_t* texel = f.data + y * f.stride + at;
        if (f.inPlace->aspect == LevelClear::Aspect::depth) {
          encodeDepth(*f.info, f.inPlace->depth, texel);
        } else {
          encodeStencil(*f.info, f.inPlace->stencil, texel);
        }
      }
    }
    return;
  }
  if (f.stride == length) {
    fillWithTexel(f.data + y0 * f.stride, (y1 - y0) * length, f.texel, size);
    return;
  }
  for (std::size_t y = y0; y < y1; ++y) fillWithTexel(f.data + y * f.stride + start, length, f.texel, size);
}

void LevelFills::fillRows(std::size_t first, std::size_t last) const {
  std::size_t start = 0;
  for (const Fill& f : fills_) {
    const std::size_t end = start + f.rows, from = std::max(first, start), to = std::min(last, end);
    if (from < to) fill(f, from - start, to - start, 0, f.width);
    start = end;
  }
}

void LevelFills::fillPixels(NSUInteger x0, NSUInteger y0, NSUInteger x1, NSUInteger y1) const {
  for (const Fill& f : fills_) {
    const std::size_t right = std::min<std::size_t>(x1, f.width), bottom = std::min<std::size_t>(y1, f.rows);
    if (x0 < right && y0 < bottom) fill(f, y0, bottom, x0, right);
  }
}

void deferClears(const std::vector<LevelClear>& clears, const ParallelRanges& parallel) {
  std::vector<LevelClear> now;
  for (const LevelClear& c : clears) {
    std::uint8_t texel[16] = {};
    if (encodeClear(c, texel)) {
      now.push_back(c);
    } else {
      c.texture->deferFill(c.slice, c.level, texel);
    }
  }
  if (!now.empty()) clearLevels(now, parallel);
}

void clearLevels(const std::vector<LevelClear>& clears, const ParallelRanges& parallel) {
  const LevelFills fills(clears);
  const auto job = [&](std::size_t first, std::size_t last) { fills.fillRows(first, last); };
  if (parallel && fills.bytes() >= kParallelFillBytes) {
    parallel(fills.rows(), job);
  } else {
    job(0, fills.rows());
  }
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
