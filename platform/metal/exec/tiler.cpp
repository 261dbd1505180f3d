#include "platform/metal/exec/tiler.h"

#include <algorithm>

#include "platform/metal/exec/attribute_planes.h"

namespace mtl::exec {

PixelRect TileGrid::tile(std::uint32_t index) const {
  const std::int32_t tx = static_cast<std::int32_t>(index % static_cast<std::uint32_t>(columns));
  const std::int32_t ty = static_cast<std::int32_t>(index / static_cast<std::uint32_t>(columns));
  return {tx * kTileSize, ty * kTileSize, (tx + 1) * kTileSize, (ty + 1) * kTileSize};
}

TileGrid tileGrid(std::uint64_t width, std::uint64_t height) {
  return {static_cast<std::int32_t>((width + kTileSize - 1) / kTileSize),
          static_cast<std::int32_t>((height + kTileSize - 1) / kTileSize)};
}

std::uint64_t primitivesPerInstance(const DrawContext& d) {
  const std::uint64_t n = d.call->vertexCount;
  switch (d.call->type) {
    case PrimitiveType::Point: return n;
    case PrimitiveType::Line: return n / 2;
    case PrimitiveType::LineStrip: return n >= 2 ? n - 1 : 0;
    case PrimitiveType::Triangle: return n / 3;
    case PrimitiveType::TriangleStrip: return n >= 3 ? n - 2 : 0;
  }
  return 0;
}

std::uint64_t verticesPerPrimitive(const DrawContext& d) {
  switch (d.call->type) {
    case PrimitiveType::Point: return 1;
    case PrimitiveType::Line: return 2;
    case PrimitiveType::Triangle: return 3;
    default: return 0;
  }
}

namespace {

// The record of index position k of the chunk's instance, or null.
struct Vertices {
  const DrawContext& d;
  const std::uint32_t* base;
  std::uint32_t words;
  const std::uint32_t* at(std::uint64_t k) const {
    std::uint64_t local = k;
    if (d.call->indexed) {
      local = d.remap[k];
      if (local == kNoVertex) return nullptr;
    }
    return base + local * words;
  }
};

}  // namespace

namespace {

void assemble(const DrawContext& d, const PrimitiveRange& range, RecordArena& arena,
              std::vector<Primitive>& out, std::vector<const std::uint32_t*>& scratch) {
  const std::uint32_t words = d.resolved->plan->recordWords();
  const Vertices v{d, d.records + range.instance * d.recordsPerInstance * words, words};
  const ViewportTransform& vp = d.resolved->viewport;
  const DrawState& state = *d.resolved->state;
  const PrimitiveType type = d.call->type;
  RecordArena& ca = arena;
  std::vector<Primitive>& prims = out;
  Primitive p;
  p.draw = range.draw;
  for (std::uint64_t i = range.first; i < range.first + range.count; ++i) {
    if (type == PrimitiveType::Point) {
      const std::uint32_t* r = v.at(i);
      if (!r || !finitePosition(r)) continue;
      if (setupPoint(vp, d.resolved->rect, r, p)) prims.push_back(p);
      continue;
    }
    if (type == PrimitiveType::Line || type == PrimitiveType::LineStrip) {
      const std::uint64_t k = type == PrimitiveType::Line ? 2 * i : i;
      const std::uint32_t* a = v.at(k);
      const std::uint32_t* b = v.at(k + 1);
      if (!a || !b || !finitePosition(a) || !finitePosition(b)) continue;
      const unsigned codeA = outcode(vp.clip, (a));
      const unsigned codeB = outcode(vp.clip, (b));
      if (codeA & codeB) continue;
      const std::uint32_t* provoking = a;
      if ((codeA | codeB) && !clipSegment(vp.clip, codeA | codeB, a, b, words, ca)) continue;
      if (setupLine(vp, d.resolved->rect, a, b, provoking, p)) prims.push_back(p);
      continue;
    }
    const std::uint32_t* t[3];
    if (type == PrimitiveType::Triangle) {
      for (unsigned k = 0; k < 3; ++k) t[k] = v.at(3 * i + k);
    } else {
      for (unsigned k = 0; k < 3; ++k) t[k] = v.at(i + k);
    }
    if (!t[0] || !t[1] || !t[2]) continue;
    const std::uint32_t* provoking = t[0];
    if (type == PrimitiveType::TriangleStrip) {
      const bool odd = d.call->indexed && !d.stripParity.empty() ? d.stripParity[i] != 0 : (i & 1) != 0;
      if (odd) std::swap(t[0], t[1]);
    }
    if (!finitePosition(t[0]) || !finitePosition(t[1]) || !finitePosition(t[2])) continue;
    const unsigned c0 = outcode(vp.clip, (t[0]));
    const unsigned c1 = outcode(vp.clip, (t[1]));
    const unsigned c2 = outcode(vp.clip, (t[2]));
    if (c0 & c1 & c2) continue;
    if (!(c0 | c1 | c2)) {
      if (setupTriangle(vp, d.resolved->rect, state.cullMode, state.winding, d.resolved->bias, t, provoking, p)) {
        prims.push_back(p);
      }
      continue;
    }
    clipPolygon(vp.clip, c0 | c1 | c2, t, 3, words, ca, scratch);
    for (std::size_t k = 1; k + 1 < scratch.size(); ++k) {
      const std::uint32_t* fan[3] = {scratch[0], scratch[k], scratch[k + 1]};
      if (setupTriangle(vp, d.resolved->rect, state.cullMode, state.winding, d.resolved->bias, fan, provoking, p)) {
        prims.push_back(p);
      }
    }
  }
}

}  // namespace

void buildChunk(DrawContext* const* draws, const TileGrid& grid, PrimitiveChunk& c,
                std::vector<const std::uint32_t*>& scratch) {
  c.primitives.clear();
  c.arena.reset();
  for (const PrimitiveRange& range : c.ranges) {
    DrawContext& d = *draws[range.draw];
    if (d.faulted.load(std::memory_order_relaxed)) continue;
    const std::size_t mark = c.primitives.size();
    try {
      assemble(d, range, c.arena, c.primitives, scratch);
    } catch (...) {
      c.primitives.resize(mark);
      d.faulted.store(true, std::memory_order_relaxed);
    }
  }

  // The primitives' varyings, each primitive's at an offset.
  c.planes.clear();
  c.fill.clear();
  for (const Primitive& q : c.primitives) {
    c.fill.push_back(static_cast<std::uint32_t>(c.planes.size()));
    appendPlanes(*draws[q.draw]->resolved, q, c.planes);
  }

  // Sort into tiles, keeping the order within each tile: copies of the
  // primitives and of their varyings, tile after tile.
  const std::uint32_t tiles = grid.count();
  c.tileStart.assign(std::size_t{tiles} + 1, 0);
  std::vector<std::uint64_t>& tileWords = c.tileWords;
  tileWords.assign(std::size_t{tiles} + 1, 0);
  auto forEachTile = [&](const Primitive& q, auto&& f) {
    const std::int32_t tx0 = q.box.x0 / kTileSize, tx1 = (q.box.x1 - 1) / kTileSize;
    const std::int32_t ty0 = q.box.y0 / kTileSize, ty1 = (q.box.y1 - 1) / kTileSize;
    for (std::int32_t ty = ty0; ty <= ty1; ++ty) {
      for (std::int32_t tx = tx0; tx <= tx1; ++tx) {
        f(static_cast<std::uint32_t>(ty) * static_cast<std::uint32_t>(grid.columns) +
          static_cast<std::uint32_t>(tx));
      }
    }
  };
  for (const Primitive& q : c.primitives) {
    const std::uint32_t words = draws[q.draw]->resolved->planeWords;
    forEachTile(q, [&](std::uint32_t t) {
      ++c.tileStart[t + 1];
      tileWords[t + 1] += words;
    });
  }
  for (std::uint32_t t = 0; t < tiles; ++t) {
    c.tileStart[t + 1] += c.tileStart[t];
    tileWords[t + 1] += tileWords[t];
  }
  c.entries.resize(c.tileStart[tiles]);
  c.entryPlanes.resize(tileWords[tiles]);
  std::vector<std::uint32_t>& next = c.next;
  next.assign(c.tileStart.begin(), c.tileStart.end() - 1);
  for (std::uint32_t k = 0; k < c.primitives.size(); ++k) {
    const Primitive& q = c.primitives[k];
    const std::uint32_t words = draws[q.draw]->resolved->planeWords;
    forEachTile(q, [&](std::uint32_t t) {
      Primitive& entry = c.entries[next[t]++];
      entry = q;
      entry.planes = c.entryPlanes.data() + tileWords[t];
      std::copy_n(c.planes.data() + c.fill[k], words, c.entryPlanes.data() + tileWords[t]);
      tileWords[t] += words;
    });
  }
}

}  // namespace mtl::exec
