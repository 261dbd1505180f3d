#include "platform/metal/exec/fragment_stage.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "platform/metal/exec/attribute_planes.h"
#include "platform/metal/exec/simd.h"
#include "platform/metal/msl/builtin_math.h"

namespace mtl::exec {
namespace {

constexpr std::int64_t kHalfPixel = kSubpixels / 2;
constexpr unsigned kQuads = kLanes / 4;


float wordFloat(const std::uint32_t* record, std::uint32_t word) {
  float v;
  std::memcpy(&v, record + word, 4);
  return v;
}

std::int32_t alignDown(std::int32_t v) { return v & ~3; }

// Byte k all ones where bit k of the index is set.
constexpr std::uint32_t kLaneBytes[16] = {
    0x00000000, 0x000000FF, 0x0000FF00, 0x0000FFFF, 0x00FF0000, 0x00FF00FF, 0x00FFFF00, 0x00FFFFFF,
    0xFF000000, 0xFF0000FF, 0xFF00FF00, 0xFF00FFFF, 0xFFFF0000, 0xFFFF00FF, 0xFFFFFF00, 0xFFFFFFFF};

// Covered samples of a pixel (at most four): a table, as the baseline
// instruction set has no population count.
constexpr std::uint8_t kSampleCount[16] = {0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4};

// Pixel offsets of the lanes of each quad within their block.
constexpr Float4 kQuadX[kQuads] = {{0, 1, 0, 1}, {2, 3, 2, 3}, {0, 1, 0, 1}, {2, 3, 2, 3}};
constexpr Float4 kQuadY[kQuads] = {{0, 0, 1, 1}, {0, 0, 1, 1}, {2, 2, 3, 3}, {2, 2, 3, 3}};

// Four lanes of quad slot q.
void store(float* lanes, unsigned q, Float4 v) { std::memcpy(lanes + 4 * q, &v, sizeof v); }

}  // namespace

// What the fragments of 16 lanes interpolate from.
struct FragmentWorker::Interpolation {
  float b1[kLanes], b2[kLanes];  // perspective-correct weights of vertices 1 and 2
  float l1[kLanes], l2[kLanes];  // window-space weights
  float z[kLanes];               // window depth at the centre
  float invW[kLanes];
  float sampleZ[4][kLanes];      // depth at each sample, bias included
  float pointCoord[2][kLanes];
};

// Quads waiting to be shaded together: those of one draw state, each
// from its own primitive, in submission order; quad q has lanes 4q..4q+3.
struct FragmentWorker::Batch {
  const StateContext* state = nullptr;
  SamplePattern pattern;
  unsigned count = 0;
  DrawContext* draw[kQuads] = {};
  const Primitive* primitive[kQuads] = {};
  std::int32_t x[kQuads] = {}, y[kQuads] = {};  // the quads' top-left pixels
  LaneMask lanes = 0;                           // covered pixels
  std::uint8_t samples[kLanes] = {};            // covered samples of each pixel
  Interpolation in;

  unsigned quadLanes(unsigned q) const { return (lanes >> (4 * q)) & 0xFu; }
  void clearLane(unsigned l) {
    lanes &= ~(1u << l);
    samples[l] = 0;
  }
};

LaneMachine& MachineCache::machine(const LaneProgram& program, std::uint64_t key) {
  ++clock_;
  for (Entry& e : entries_) {
    if (e.key == key) {
      e.used = clock_;
      return *e.machine;
    }
  }
  constexpr std::size_t kCapacity = 16;
  Entry* slot = nullptr;
  if (entries_.size() < kCapacity) {
    entries_.push_back({});
    slot = &entries_.back();
    slot->machine = std::make_unique<LaneMachine>();
  } else {
    slot = &*std::min_element(entries_.begin(), entries_.end(),
                              [](const Entry& a, const Entry& b) { return a.used < b.used; });
  }
  slot->key = key;
  slot->used = clock_;
  slot->machine->bind(program);
  return *slot->machine;
}

FragmentWorker::FragmentWorker()
    : batch_(std::make_unique<Batch>()), shaded_(std::make_unique<Shaded>()),
      shapeInputs_(std::make_unique<ShapeInputs>()) {}

FragmentWorker::~FragmentWorker() = default;

void FragmentWorker::begin(std::size_t visibilityCounters) {
  visibility_.assign(visibilityCounters, 0);
}

void FragmentWorker::rasterize(DrawContext& draw, const Primitive& p, const PixelRect& clip,
                               const SamplePattern& pattern) {
  if (draw.faulted.load(std::memory_order_relaxed)) return;
  batch_->pattern = pattern;
  switch (p.kind) {
    case PrimitiveKind::Triangle: triangle(draw, p, clip); break;
    case PrimitiveKind::Point: point(draw, p, clip); break;
    case PrimitiveKind::Line: line(draw, p, clip); break;
  }
}

void FragmentWorker::finish() { flush(); }

void FragmentWorker::triangle(DrawContext& draw, const Primitive& p, const PixelRect& clip) {
  const SamplePattern& pattern = batch_->pattern;
  const StateContext& state = *draw.resolved;
  TriangleEdges edges;
  triangleEdges(p, edges);
  // Window-space barycentrics of vertices 1 and 2 as planes over pixel
  // offsets from vertex 0 (small numbers, so float keeps its precision).
  const double toPixels = double{kSubpixels} / static_cast<double>(p.area);
  const float g1x = static_cast<float>(edges.a[1] * toPixels), g1y = static_cast<float>(edges.b[1] * toPixels);
  const float g2x = static_cast<float>(edges.a[2] * toPixels), g2y = static_cast<float>(edges.b[2] * toPixels);
  const double x0 = p.x[0] / double{kSubpixels}, y0 = p.y[0] / double{kSubpixels};
  const float dz1 = p.z[1] - p.z[0], dz2 = p.z[2] - p.z[0];
  const float dw1 = p.invW[1] - p.invW[0], dw2 = p.invW[2] - p.invW[0];
  float sample1[4], sample2[4];  // barycentric steps from the centre to each sample
  for (unsigned s = 0; s < pattern.count; ++s) {
    const float ox = static_cast<float>(pattern.x[s] - kHalfPixel) / kSubpixels;
    const float oy = static_cast<float>(pattern.y[s] - kHalfPixel) / kSubpixels;
    sample1[s] = g1x * ox + g1y * oy;
    sample2[s] = g2x * ox + g2y * oy;
  }
  // Only what the draw uses. With 1/w = 1 at every vertex (flat 2-D
  // drawing) the perspective weights are the window-space ones exactly.
  const bool affine = p.invW[0] == 1.0f && p.invW[1] == 1.0f && p.invW[2] == 1.0f;
  const bool perspective = state.readsPerspective && !affine;
  const bool depth = state.depthStencil.active();
  if (state.shapeRoute) {
    ready(state, p);
    for (std::int32_t by = alignDown(clip.y0); by < clip.y1; by += 4) {
      for (std::int32_t bx = alignDown(clip.x0); bx < clip.x1; bx += 4) {
        const LaneMask covered = coverTriangleCentres(edges, bx, by, clip);
        if (!covered) continue;
        const float dx0 = static_cast<float>(bx + 0.5 - x0), dy0 = static_cast<float>(by + 0.5 - y0);
        // As the batch's fill below, for the weights the shape reads.
        for (unsigned from = 0; from < kQuads; ++from) {
          const unsigned lanes = (covered >> (4 * from)) & 0xFu;
          if (!lanes) continue;
          const Float4 dx = dx0 + kQuadX[from], dy = dy0 + kQuadY[from];
          QuadWeights w;
          w.linear1 = w.perspective1 = g1x * dx + g1y * dy;
          w.linear2 = w.perspective2 = g2x * dx + g2y * dy;
          if (perspective) {
            const Float4 reciprocal = 1.0f / (p.invW[0] + w.linear1 * dw1 + w.linear2 * dw2);
            w.perspective1 = w.linear1 * p.invW[1] * reciprocal;
            w.perspective2 = w.linear2 * p.invW[2] * reciprocal;
          }
          float z[4];
          if (depth) {
            storeFloat4(z, (p.z[0] + (w.linear1 + sample1[0]) * dz1 + (w.linear2 + sample2[0]) * dz2) + p.depthBias);
          }
          routeQuad(state, bx + static_cast<std::int32_t>(2 * (from & 1)),
                    by + static_cast<std::int32_t>(2 * (from >> 1)), lanes, w, z);
        }
      }
    }
    return;
  }
  BlockCoverage coverage;
  for (std::int32_t by = alignDown(clip.y0); by < clip.y1; by += 4) {
    for (std::int32_t bx = alignDown(clip.x0); bx < clip.x1; bx += 4) {
      coverTriangleBlock(edges, pattern, bx, by, clip, coverage);
      if (!coverage.lanes) continue;
      const float dx0 = static_cast<float>(bx + 0.5 - x0), dy0 = static_cast<float>(by + 0.5 - y0);
      offerQuads(draw, p, bx, by, coverage, [&](Interpolation& in, unsigned to, unsigned from) {
        // The quad's four lanes side by side, each as the block's formula.
        const Float4 dx = dx0 + kQuadX[from], dy = dy0 + kQuadY[from];
        const Float4 l1 = g1x * dx + g1y * dy, l2 = g2x * dx + g2y * dy;
        store(in.l1, to, l1);
        store(in.l2, to, l2);
        if (perspective || state.readsPosition) {
          const Float4 sum = p.invW[0] + l1 * dw1 + l2 * dw2;  // interpolated 1/w
          const Float4 reciprocal = 1.0f / sum;
          store(in.b1, to, l1 * p.invW[1] * reciprocal);
          store(in.b2, to, l2 * p.invW[2] * reciprocal);
          store(in.z, to, p.z[0] + l1 * dz1 + l2 * dz2);
          store(in.invW, to, sum);
        } else {
          store(in.b1, to, l1);
          store(in.b2, to, l2);
        }
        if (!depth) return;
        for (unsigned s = 0; s < pattern.count; ++s) {
          store(in.sampleZ[s], to, (p.z[0] + (l1 + sample1[s]) * dz1 + (l2 + sample2[s]) * dz2) + p.depthBias);
        }
      });
    }
  }
}

void FragmentWorker::point(DrawContext& draw, const Primitive& p, const PixelRect& clip) {
  const SamplePattern& pattern = batch_->pattern;
  const StateContext& state = *draw.resolved;
  if (state.shapeRoute) ready(state, p);
  BlockCoverage coverage;
  const double size = p.pointSize;
  const double left = p.x[0] / double{kSubpixels} - size / 2;
  const double top = p.y[0] / double{kSubpixels} - size / 2;
  for (std::int32_t by = alignDown(clip.y0); by < clip.y1; by += 4) {
    for (std::int32_t bx = alignDown(clip.x0); bx < clip.x1; bx += 4) {
      coverPointBlock(p, pattern, bx, by, clip, coverage);
      if (!coverage.lanes) continue;
      // The point coordinate of the block's columns and rows.
      float u[4], v[4];
      for (unsigned k = 0; k < 4; ++k) {
        u[k] = static_cast<float>((bx + k + 0.5 - left) / size);
        v[k] = static_cast<float>((by + k + 0.5 - top) / size);
      }
      if (state.shapeRoute) {
        const float z[4] = {p.z[0], p.z[0], p.z[0], p.z[0]};
        for (unsigned from = 0; from < kQuads; ++from) {
          const unsigned lanes = (coverage.lanes >> (4 * from)) & 0xFu;
          if (!lanes) continue;
          const unsigned column = 2 * (from & 1), row = 2 * (from >> 1);
          QuadWeights w{};
          w.point[0] = Float4{u[column], u[column + 1], u[column], u[column + 1]};
          w.point[1] = Float4{v[row], v[row], v[row + 1], v[row + 1]};
          routeQuad(state, bx + static_cast<std::int32_t>(column), by + static_cast<std::int32_t>(row), lanes, w, z);
        }
        continue;
      }
      offerQuads(draw, p, bx, by, coverage, [&](Interpolation& in, unsigned to, unsigned from) {
        for (unsigned k = 0; k < 4; ++k) {
          const unsigned l = 4 * from + k, o = 4 * to + k;
          in.b1[o] = in.b2[o] = in.l1[o] = in.l2[o] = 0;
          in.z[o] = p.z[0];
          in.invW[o] = p.invW[0];
          for (unsigned s = 0; s < 4; ++s) in.sampleZ[s][o] = p.z[0];
          in.pointCoord[0][o] = u[pixelXOfLane(l)];
          in.pointCoord[1][o] = v[pixelYOfLane(l)];
        }
      });
    }
  }
}

void FragmentWorker::line(DrawContext& draw, const Primitive& p, const PixelRect& clip) {
  lineFragments(p, clip, fragments_);
  if (fragments_.empty()) return;
  const double dx = static_cast<double>(p.x[1]) - p.x[0];
  const double dy = static_cast<double>(p.y[1]) - p.y[0];
  const double length2 = dx * dx + dy * dy;
  // A fragment's place along the line (returned), its weight with the
  // vertices' 1/w applied, and its depth.
  const auto along = [&](std::int32_t x, std::int32_t y, float& linear, float& perspective, double& z) {
    const double cx = x * double{kSubpixels} + kHalfPixel - p.x[0];
    const double cy = y * double{kSubpixels} + kHalfPixel - p.y[0];
    const double t = (cx * dx + cy * dy) / length2;
    const double f0 = (1 - t) * p.invW[0], f1 = t * p.invW[1];
    linear = static_cast<float>(t);
    perspective = static_cast<float>(f1 / (f0 + f1));
    z = p.z[0] + t * (double{p.z[1]} - p.z[0]);
    return t;
  };
  const StateContext& state = *draw.resolved;
  if (state.shapeRoute) {
    ready(state, p);
    // The fragments of each quad in turn (a line's fragments are distinct
    // pixels, so their order does not matter).
    for (std::size_t k = 0; k < fragments_.size();) {
      const std::int32_t qx = fragments_[k].x & ~1, qy = fragments_[k].y & ~1;
      unsigned lanes = 0;
      for (; k < fragments_.size() && (fragments_[k].x & ~1) == qx && (fragments_[k].y & ~1) == qy; ++k) {
        lanes |= 1u << ((fragments_[k].y - qy) * 2 + (fragments_[k].x - qx));
      }
      QuadWeights w{};
      float z[4] = {};
      const unsigned needed = state.crossLane ? 0xFu : lanes;
      for (unsigned j = 0; j < 4; ++j) {
        if (!(needed & (1u << j))) continue;
        double depth;
        along(qx + static_cast<std::int32_t>(j & 1), qy + static_cast<std::int32_t>(j >> 1), w.linear1[j],
              w.perspective1[j], depth);
        z[j] = static_cast<float>(depth);
      }
      routeQuad(state, qx, qy, lanes, w, z);
    }
    return;
  }
  const std::uint8_t allSamples = static_cast<std::uint8_t>((1u << batch_->pattern.count) - 1);
  BlockCoverage coverage;
  std::size_t k = 0;
  while (k < fragments_.size()) {
    const std::int32_t bx = alignDown(fragments_[k].x), by = alignDown(fragments_[k].y);
    coverage.lanes = 0;
    std::fill(std::begin(coverage.samples), std::end(coverage.samples), 0);
    while (k < fragments_.size() && alignDown(fragments_[k].x) == bx && alignDown(fragments_[k].y) == by) {
      const unsigned lane = laneOfPixel(static_cast<unsigned>(fragments_[k].x - bx),
                                        static_cast<unsigned>(fragments_[k].y - by));
      coverage.lanes |= 1u << lane;
      coverage.samples[lane] = allSamples;
      ++k;
    }
    offerQuads(draw, p, bx, by, coverage, [&](Interpolation& in, unsigned to, unsigned from) {
      for (unsigned j = 0; j < 4; ++j) {
        const unsigned l = 4 * from + j, o = 4 * to + j;
        double z;
        const double t = along(bx + static_cast<std::int32_t>(pixelXOfLane(l)), by + static_cast<std::int32_t>(pixelYOfLane(l)),
              in.l1[o], in.b1[o], z);
        in.l2[o] = 0;
        in.b2[o] = 0;
        in.z[o] = static_cast<float>(z);
        in.invW[o] = static_cast<float>(p.invW[0] + t * (double{p.invW[1]} - p.invW[0]));
        for (unsigned s = 0; s < 4; ++s) in.sampleZ[s][o] = static_cast<float>(z);
      }
    });
  }
}

void FragmentWorker::ready(const StateContext& state, const Primitive& p) {
  if (batch_->count > 0) flush();
  textures_.bind(&state.fragmentStage.textures, &state.fragmentStage.samplers, true);
  prepareShapeInputs(state, p, *shapeInputs_);
}

void FragmentWorker::routeQuad(const StateContext& s, std::int32_t x, std::int32_t y, unsigned lanes,
                               const QuadWeights& weights, const float* z) {
  if (s.depthStencil.active()) {
    s.depthStencil.testQuad(x, y, lanes, z);
    if (!lanes) return;
  }
  if (s.countsVisibility) visibility_[static_cast<std::size_t>(s.visibility)] += kSampleCount[lanes];
  Float4 color[4];
  shapeQuadColor(s, *shapeInputs_, weights, lanes, textures_, color);
  s.colors[s.writtenColors[0]->attachment].writeQuadColor(x, y, lanes, color, s.alphaToOne);
}

template <typename Fill>
void FragmentWorker::offerQuads(DrawContext& draw, const Primitive& p, std::int32_t bx, std::int32_t by,
                                const BlockCoverage& coverage, Fill&& fill) {
  const StateContext* state = draw.resolved;
  const bool early = state->earlyTests && state->depthStencil.active();
  for (unsigned from = 0; from < kQuads; ++from) {
    const unsigned lanes = (coverage.lanes >> (4 * from)) & 0xFu;
    if (!lanes) continue;
    Batch& b = *batch_;
    if (b.count == kQuads || (b.count > 0 && b.state != state)) flush();
    b.state = state;
    const unsigned q = b.count;
    b.draw[q] = &draw;
    b.primitive[q] = &p;
    b.x[q] = bx + static_cast<std::int32_t>(2 * (from & 1));
    b.y[q] = by + static_cast<std::int32_t>(2 * (from >> 1));
    b.lanes = (b.lanes & ~(0xFu << (4 * q))) | (lanes << (4 * q));
    std::memcpy(b.samples + 4 * q, coverage.samples + 4 * from, 4);
    fill(b.in, q, from);
    if (early && !testQuad(q)) continue;  // the slot is taken again
    ++b.count;
  }
}

bool FragmentWorker::testQuad(unsigned q) {
  Batch& b = *batch_;
  const DepthStencilUnit& ds = b.state->depthStencil;
  unsigned lanes = b.quadLanes(q);
  if (b.pattern.count == 1 && ds.testQuad(b.x[q], b.y[q], lanes, b.in.sampleZ[0] + 4 * q)) {
    b.lanes = (b.lanes & ~(0xFu << (4 * q))) | (lanes << (4 * q));
    // The failing lanes' samples cleared: a byte mask from the lanes' bits.
    std::uint32_t samples;
    std::memcpy(&samples, b.samples + 4 * q, 4);
    samples &= kLaneBytes[lanes];
    std::memcpy(b.samples + 4 * q, &samples, 4);
    return lanes != 0;
  }
  for (unsigned k = 0; k < 4; ++k) {
    const unsigned l = 4 * q + k;
    if (!(b.lanes & (1u << l))) continue;
    const std::int32_t x = b.x[q] + static_cast<std::int32_t>(k & 1);
    const std::int32_t y = b.y[q] + static_cast<std::int32_t>(k >> 1);
    for (unsigned s = 0; s < b.pattern.count; ++s) {
      if (!(b.samples[l] & (1u << s))) continue;
      if (!ds.test(x, y, s, b.in.sampleZ[s][l], b.primitive[q]->front)) {
        b.samples[l] &= static_cast<std::uint8_t>(~(1u << s));
      }
    }
    if (!b.samples[l]) b.lanes &= ~(1u << l);
  }
  return b.quadLanes(q) != 0;
}

void FragmentWorker::varyingQuad(const FragmentInput& input, std::uint32_t planes, unsigned count,
                                 const unsigned* components, unsigned q, std::uint32_t* const out[]) const {
  const Batch& b = *batch_;
  const Primitive& p = *b.primitive[q];
  const std::uint32_t* plane = p.planes + planes;
  if (input.flat || p.kind == PrimitiveKind::Point) {
    for (unsigned k = 0; k < count; ++k) std::fill_n(out[k], 4, plane[kPlaneWords * components[k]]);
    return;
  }
  const Float4 weight1 = loadFloat4((input.perspective ? b.in.b1 : b.in.l1) + 4 * q);
  const Float4 weight2 = loadFloat4((input.perspective ? b.in.b2 : b.in.l2) + 4 * q);
  const bool triangle = p.kind == PrimitiveKind::Triangle;
  for (unsigned k = 0; k < count; ++k) {
    const std::uint32_t* component = plane + kPlaneWords * components[k];
    const float a0 = wordFloat(component, 0), d1 = wordFloat(component, 1);
    Float4 values = a0 + weight1 * d1;
    if (triangle) values += weight2 * wordFloat(component, 2);
    if (input.scalar == msl::Scalar::Half) {
      for (unsigned j = 0; j < 4; ++j) values[j] = msl::math::roundTo(msl::Scalar::Half, values[j]);
    }
    storeFloat4(out[k], values);
  }
}

void FragmentWorker::shade(Shaded& out) {
  const Batch& b = *batch_;
  const StateContext& s = *b.state;
  for (unsigned q = 0; q < b.count; ++q) {
    std::uint32_t* const rows[4] = {out.color[0].v + 4 * q, out.color[1].v + 4 * q, out.color[2].v + 4 * q,
                                    out.color[3].v + 4 * q};
    varyingQuad(*s.shapeColor, s.shapeColorPlanes, 4, kAllComponents, q, rows);
  }
  if (s.shape.kind != FragmentShape::Kind::textured) return;
  for (unsigned q = 0; q < b.count; ++q) {
    if (s.shape.pointCoord) {
      // As loadInputs() gives [[point_coord]]: zero but for points.
      const bool point = b.primitive[q]->kind == PrimitiveKind::Point;
      for (unsigned k = 0; k < 2; ++k) {
        const unsigned c = k == 0 ? s.shape.u : s.shape.v;
        storeFloat4(out.coordinate[k].v + 4 * q, point ? loadFloat4(b.in.pointCoord[c] + 4 * q) : Float4{});
      }
    } else {
      const unsigned uv[2] = {s.shape.u, s.shape.v};
      std::uint32_t* const rows[2] = {out.coordinate[0].v + 4 * q, out.coordinate[1].v + 4 * q};
      varyingQuad(*s.shapeCoordinate, s.shapeCoordinatePlanes, 2, uv, q, rows);
    }
    if (!s.shape.flipV) continue;
    storeFloat4(out.coordinate[1].v + 4 * q, 1.0f - loadFloat4(out.coordinate[1].v + 4 * q));
  }
  const LaneMask quads = b.count == kQuads ? kAllLanes : (1u << (4 * b.count)) - 1;
  textures_.sample(s.shape.sample, out.coordinate, out.none, out.none, quads, out.texel);
  // The colour times the texel, lanes of helpers included (their texels may
  // be left unfetched, and are then whatever the last batch left).
  for (unsigned c = 0; c < 4; ++c) {
    for (unsigned q = 0; q < b.count; ++q) {
      std::uint32_t* color = out.color[c].v + 4 * q;
      storeFloat4(color, loadFloat4(color) * loadFloat4(out.texel[c].v + 4 * q));
    }
  }
}

void FragmentWorker::loadInputs(LaneMachine& m) {
  const Batch& b = *batch_;
  const Interpolation& in = b.in;
  for (std::size_t index = 0; index < b.state->fragmentInputs.size(); ++index) {
    const FragmentInput& input = *b.state->fragmentInputs[index];
    LaneRow* rows[4] = {&m.row(input.reg, 0), &m.row(input.reg, 1), &m.row(input.reg, 2),
                        &m.row(input.reg, 3)};
    switch (input.kind) {
      case FragmentInputKind::Position:
        for (unsigned q = 0; q < b.count; ++q) {
          for (unsigned k = 0; k < 4; ++k) {
            const unsigned l = 4 * q + k;
            setLaneFloat(*rows[0], l, static_cast<float>(b.x[q] + static_cast<std::int32_t>(k & 1)) + 0.5f);
            setLaneFloat(*rows[1], l, static_cast<float>(b.y[q] + static_cast<std::int32_t>(k >> 1)) + 0.5f);
          }
        }
        std::memcpy(rows[2]->v, in.z, sizeof in.z);
        std::memcpy(rows[3]->v, in.invW, sizeof in.invW);
        break;
      case FragmentInputKind::FrontFacing:
        for (unsigned q = 0; q < b.count; ++q) std::fill_n(rows[0]->v + 4 * q, 4, b.primitive[q]->front ? 1u : 0u);
        for (unsigned c = 1; c < 4; ++c) std::fill_n(rows[c]->v, kLanes, 0u);
        break;
      case FragmentInputKind::PointCoord:
        for (unsigned c = 0; c < 2; ++c) {
          std::memcpy(rows[c]->v, in.pointCoord[c], sizeof in.pointCoord[c]);
          for (unsigned q = 0; q < b.count; ++q) {
            if (b.primitive[q]->kind != PrimitiveKind::Point) std::fill_n(rows[c]->v + 4 * q, 4, 0u);
          }
        }
        std::fill_n(rows[2]->v, kLanes, 0u);
        std::fill_n(rows[3]->v, kLanes, 0u);
        break;
      case FragmentInputKind::Varying:
        for (unsigned c = input.components; c < 4; ++c) std::fill_n(rows[c]->v, kLanes, 0u);
        for (unsigned q = 0; q < b.count; ++q) {
          std::uint32_t* const out[4] = {rows[0]->v + 4 * q, rows[1]->v + 4 * q, rows[2]->v + 4 * q,
                                         rows[3]->v + 4 * q};
          varyingQuad(input, b.state->planeOffsets[index], std::min<unsigned>(input.components, 4), kAllComponents, q,
                      out);
        }
        break;
    }
  }
}

LaneMachine* FragmentWorker::runFunction() {
  Batch& b = *batch_;
  const StateContext& s = *b.state;
  LaneMachine& m = machines_.machine(*s.fragmentProgram, s.fragmentProgramId);
  m.reset();
  loadInputs(m);
  const LaneMask quads = b.count == kQuads ? kAllLanes : (1u << (4 * b.count)) - 1;
  if (!m.run(quads, s.fragmentStage.buffers.data(), s.fragmentStage.buffers.size(), &textures_, true)) return nullptr;
  const LaneMask discarded = m.discarded();
  for (unsigned l = 0; l < kLanes; ++l) {
    if (discarded & (1u << l)) b.clearLane(l);
  }
  return &m;
}

void FragmentWorker::flush() {
  Batch& b = *batch_;
  if (b.count == 0) return;
  const StateContext& s = *b.state;
  try {
    Outputs outputs;
    if (s.shades) {
      textures_.bind(&s.fragmentStage.textures, &s.fragmentStage.samplers, true);
      if (!s.crossLane) textures_.restrictLanes(b.lanes);
      if (s.shape.kind != FragmentShape::Kind::none) {
        shade(*shaded_);
        outputs.shaped = &shaded_->color;
      } else {
        outputs.machine = runFunction();
        if (!outputs.machine) {
          for (unsigned q = 0; q < b.count; ++q) b.draw[q]->faulted.store(true, std::memory_order_relaxed);
          b.count = 0;
          b.lanes = 0;
          return;
        }
      }
      if (s.alphaToCoverage) {
        const ColorOutput* first = nullptr;
        for (const ColorOutput& c : s.plan->colorOutputs()) {
          if (c.attachment == 0) first = &c;
        }
        if (first && msl::isFloating(first->scalar)) {
          for (unsigned l = 0; l < kLanes; ++l) {
            if (!(b.lanes & (1u << l))) continue;
            const float alpha = std::clamp(laneFloat(outputs.row(first->reg, 3), l), 0.0f, 1.0f);
            const unsigned keep = static_cast<unsigned>(std::lround(alpha * static_cast<float>(b.pattern.count)));
            b.samples[l] &= static_cast<std::uint8_t>((1u << keep) - 1);
            if (!b.samples[l]) b.lanes &= ~(1u << l);
          }
        }
      }
    }
    for (unsigned q = 0; q < b.count; ++q) mergeQuad(q, s.shades ? &outputs : nullptr);
  } catch (...) {
    for (unsigned q = 0; q < b.count; ++q) b.draw[q]->faulted.store(true, std::memory_order_relaxed);
  }
  b.count = 0;
  b.lanes = 0;
}

void FragmentWorker::mergeQuad(unsigned q, const Outputs* m) {
  Batch& b = *batch_;
  const StateContext& s = *b.state;
  if (!b.quadLanes(q)) return;
  if (!s.earlyTests && s.depthStencil.active() && !testQuad(q)) return;
  if (s.countsVisibility) {
    std::uint64_t passed = 0;
    for (unsigned k = 0; k < 4; ++k) passed += kSampleCount[b.samples[4 * q + k] & 0xFu];
    visibility_[static_cast<std::size_t>(s.visibility)] += passed;
  }
  if (!m) return;
  const unsigned lanes = b.quadLanes(q);
  for (const ColorOutput* output : s.writtenColors) {
    const ColorUnit& unit = s.colors[output->attachment];
    if (output->scalar == msl::Scalar::Float && output->components == 4) {
      const std::uint32_t* rows[4] = {m->row(output->reg, 0).v + 4 * q, m->row(output->reg, 1).v + 4 * q,
                                      m->row(output->reg, 2).v + 4 * q, m->row(output->reg, 3).v + 4 * q};
      if (unit.writeQuad(b.x[q], b.y[q], lanes, rows, s.alphaToOne)) continue;
    }
    for (unsigned k = 0; k < 4; ++k) {
      const unsigned l = 4 * q + k;
      if (!(lanes & (1u << k))) continue;
      SourceColor color;
      color.isSigned = msl::isSigned(output->scalar);
      for (unsigned c = 0; c < 4; ++c) {
        const std::uint32_t bits = c < output->components ? m->row(output->reg, c).v[l]
                                   : (c == 3 && msl::isFloating(output->scalar) ? 0x3F800000u
                                      : c == 3 ? 1u : 0u);
        color.bits[c] = bits;
        color.value[c] = std::bit_cast<float>(bits);
      }
      if (s.alphaToOne) {
        color.value[3] = 1.0f;
        color.bits[3] = msl::isFloating(output->scalar) ? 0x3F800000u : 1u;
      }
      unit.write(b.x[q] + static_cast<std::int32_t>(k & 1), b.y[q] + static_cast<std::int32_t>(k >> 1),
                 b.samples[l], color);
    }
  }
}

}  // namespace mtl::exec
