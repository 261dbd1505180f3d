// Primitives in submission order, binned into 64 x 64 pixel tiles.
//
// A draw's primitives are cut into chunks of consecutive primitives; each
// chunk is assembled, clipped and set up on its own (so chunks can run on
// any worker) and sorted into per-tile lists that keep their order. A tile
// then walks the chunks in order and each chunk's list in order, so every
// pixel sees the primitives that touch it in the order they were
// submitted, whichever worker runs which tile: the output is the same for
// any number of workers.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/metal/exec/clipper.h"
#include "platform/metal/exec/draw_context.h"
#include "platform/metal/exec/setup.h"

namespace mtl::exec {

constexpr std::int32_t kTileSize = 64;

struct TileGrid {
  std::int32_t columns = 0, rows = 0;
  std::uint32_t count() const { return static_cast<std::uint32_t>(columns) * static_cast<std::uint32_t>(rows); }
  PixelRect tile(std::uint32_t index) const;
};
TileGrid tileGrid(std::uint64_t width, std::uint64_t height);

// Primitives [first, first + count) of one instance of a draw.
struct PrimitiveRange {
  std::uint32_t draw = 0;
  std::uint64_t instance = 0;
  std::uint64_t first = 0, count = 0;
};

// Consecutive primitives, of one draw or of several small ones.
struct PrimitiveChunk {
  std::vector<PrimitiveRange> ranges;

  std::vector<Primitive> primitives;  // set up, in order
  RecordArena arena;                  // vertices made by clipping
  std::vector<std::uint32_t> tileStart;  // tile t's entries: [tileStart[t], tileStart[t + 1])
  // Copies of the primitives and of their varyings (attribute_planes.h),
  // tile after tile: a tile reads its own runs from start to end.
  std::vector<Primitive> entries;
  std::vector<std::uint32_t> entryPlanes;
  // Scratch: the varyings in primitive order, and where each starts; the
  // next entry of each tile, and words before each tile's.
  std::vector<std::uint32_t> planes, fill, next;
  std::vector<std::uint64_t> tileWords;
};

// How many primitives one instance of the draw assembles.
std::uint64_t primitivesPerInstance(const DrawContext& draw);
// The vertices of each primitive of a list (points, lines, triangles),
// which no other primitive shares; 0 for strips.
std::uint64_t verticesPerPrimitive(const DrawContext& draw);

// Fills the chunk's primitives and tile lists. `scratch` is the caller's.
// A draw that throws is marked faulted and its primitives left out.
void buildChunk(DrawContext* const* draws, const TileGrid& grid, PrimitiveChunk& chunk,
                std::vector<const std::uint32_t*>& scratch);

}  // namespace mtl::exec
