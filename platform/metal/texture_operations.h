// What the GPU does to texture storage outside of drawing: copies, clears,
// box-filtered mipmaps and multisample resolves. They run on the GPU
// timeline; callers have validated their arguments.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/metal/texture.h"

namespace mtl {

void copyTexels(const Texture& source, NSUInteger sourceSlice, NSUInteger sourceLevel,
                Origin sourceOrigin, Size size, Texture& destination,
                NSUInteger destinationSlice, NSUInteger destinationLevel,
                Origin destinationOrigin);

// Copies between a texture region and linear memory with the given row
// stride; `toTexture` picks the direction.
void copyLinear(Texture& texture, NSUInteger slice, NSUInteger level, const Region& region,
                std::uint8_t* memory, NSUInteger bytesPerRow, bool toTexture);

// Runs job(first, last) over ranges that together cover [0, count), perhaps
// at once on several threads; returns when every range is done.
using ParallelRanges = std::function<void(
    std::size_t count, const std::function<void(std::size_t first, std::size_t last)>& job)>;

// What a load action sets every sample of a level to.
struct LevelClear {
  enum class Aspect : std::uint8_t { color, depth, stencil };
  std::shared_ptr<Texture> texture;
  NSUInteger slice = 0, level = 0;
  Aspect aspect = Aspect::color;
  ClearColor color;
  double depth = 0;
  std::uint32_t stencil = 0;
};

// Clears made ready to fill: each level's rows and the encoded texel they
// repeat (a depth or stencil clear of a combined format writes its part
// of each texel in place). The levels keep their storage, and the clears
// given stay, while it lives.
class LevelFills {
 public:
  explicit LevelFills(const std::vector<LevelClear>& clears);
  // One more level to fill with an encoded texel: every byte of it, or in
  // place the aspect of `inPlace` (which must outlive the fills).
  void add(Texture& texture, NSUInteger slice, NSUInteger level, const std::uint8_t* texel,
           const LevelClear* inPlace = nullptr);
  // All the levels' rows, one level's after another's, and their bytes.
  std::size_t rows() const { return rows_; }
  std::size_t bytes() const { return bytes_; }
  void fillRows(std::size_t first, std::size_t last) const;
  // Pixels [x0, x1) x [y0, y1) of every level, as far as each reaches.
  void fillPixels(NSUInteger x0, NSUInteger y0, NSUInteger x1, NSUInteger y1) const;

 private:
  struct Fill {
    const LevelClear* inPlace;  // its aspect alone, texel by texel; else whole texels
    const PixelFormatInfo* info;
    std::uint8_t* data;
    std::size_t stride, pixelBytes, width, rows;
    std::uint8_t texel[16];
  };
  void fill(const Fill& f, std::size_t y0, std::size_t y1, std::size_t x0, std::size_t x1) const;

  std::vector<Fill> fills_;
  std::size_t rows_ = 0, bytes_ = 0;
};

// Clears the levels as block fills of one encoded texel over whole rows,
// all in one loop split over `parallel` when given.
void clearLevels(const std::vector<LevelClear>& clears, const ParallelRanges& parallel = {});
// Clears the levels when their storage is next wanted
// (Texture::deferFill), those of a combined depth and stencil format at
// once (as clearLevels()).
void deferClears(const std::vector<LevelClear>& clears, const ParallelRanges& parallel = {});

// Fills levels 1 and up of every slice, each texel the mean of the 2 x 2
// texels (fewer at an odd edge) of the level above it.
void generateMipmaps(Texture& texture);

// Writes the mean of each texel's samples (sample 0 for integer, depth and
// stencil formats) into a single-sample texture of the same format.
void resolveSamples(const Texture& source, NSUInteger sourceSlice, NSUInteger sourceLevel,
                    Texture& destination, NSUInteger destinationSlice,
                    NSUInteger destinationLevel);

}  // namespace mtl
