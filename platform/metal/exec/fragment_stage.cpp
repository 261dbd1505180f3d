#include "platform/metal/exec/fragment_stage.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "platform/metal/msl/builtin_math.h"

namespace mtl::exec {
namespace {

constexpr std::int64_t kHalfPixel = kSubpixels / 2;

float wordFloat(const std::uint32_t* record, std::uint32_t word) {
  float v;
  std::memcpy(&v, record + word, 4);
  return v;
}

// All lanes of every quad that has a covered lane.
LaneMask quadsOf(LaneMask lanes) {
  LaneMask m = 0;
  for (unsigned q = 0; q < 4; ++q) {
    if (lanes & (0xFu << (4 * q))) m |= 0xFu << (4 * q);
  }
  return m;
}

std::int32_t alignDown(std::int32_t v) { return v & ~3; }

// Pixel offsets of the lanes within their block.
constexpr float kLaneX[kLanes] = {0, 1, 0, 1, 2, 3, 2, 3, 0, 1, 0, 1, 2, 3, 2, 3};
constexpr float kLaneY[kLanes] = {0, 0, 1, 1, 0, 0, 1, 1, 2, 2, 3, 3, 2, 2, 3, 3};

}  // namespace

struct FragmentWorker::Interpolation {
  float b1[kLanes], b2[kLanes];  // perspective-correct weights of vertices 1 and 2
  float l1[kLanes], l2[kLanes];  // window-space weights
  float z[kLanes];               // window depth at the centre
  float invW[kLanes];
  float sampleZ[4][kLanes];      // depth at each sample, bias included
  float pointCoord[2][kLanes];
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

void FragmentWorker::begin(std::size_t visibilityCounters) {
  visibility_.assign(visibilityCounters, 0);
}

void FragmentWorker::rasterize(DrawContext& draw, const Primitive& p, const PixelRect& clip,
                               const SamplePattern& pattern) {
  if (draw.faulted.load(std::memory_order_relaxed)) return;
  switch (p.kind) {
    case PrimitiveKind::Triangle: triangle(draw, p, clip, pattern); break;
    case PrimitiveKind::Point: point(draw, p, clip, pattern); break;
    case PrimitiveKind::Line: line(draw, p, clip, pattern); break;
  }
}

void FragmentWorker::triangle(DrawContext& draw, const Primitive& p, const PixelRect& clip,
                              const SamplePattern& pattern) {
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
  Interpolation in;
  BlockCoverage coverage;
  for (std::int32_t by = alignDown(clip.y0); by < clip.y1; by += 4) {
    for (std::int32_t bx = alignDown(clip.x0); bx < clip.x1; bx += 4) {
      coverTriangleBlock(edges, pattern, bx, by, clip, coverage);
      if (!coverage.lanes) continue;
      const float dx0 = static_cast<float>(bx + 0.5 - x0), dy0 = static_cast<float>(by + 0.5 - y0);
      for (unsigned l = 0; l < kLanes; ++l) {
        const float dx = dx0 + kLaneX[l], dy = dy0 + kLaneY[l];
        in.l1[l] = g1x * dx + g1y * dy;
        in.l2[l] = g2x * dx + g2y * dy;
      }
      for (unsigned l = 0; l < kLanes; ++l) {
        const float l1 = in.l1[l], l2 = in.l2[l];
        const float sum = p.invW[0] + l1 * dw1 + l2 * dw2;  // interpolated 1/w
        const float reciprocal = 1.0f / sum;
        in.b1[l] = l1 * p.invW[1] * reciprocal;
        in.b2[l] = l2 * p.invW[2] * reciprocal;
        in.z[l] = p.z[0] + l1 * dz1 + l2 * dz2;
        in.invW[l] = sum;
      }
      for (unsigned s = 0; s < pattern.count; ++s) {
        for (unsigned l = 0; l < kLanes; ++l) {
          in.sampleZ[s][l] = (p.z[0] + (in.l1[l] + sample1[s]) * dz1 + (in.l2[l] + sample2[s]) * dz2) + p.depthBias;
        }
      }
      block(draw, p, bx, by, coverage, in, pattern);
    }
  }
}

void FragmentWorker::point(DrawContext& draw, const Primitive& p, const PixelRect& clip,
                           const SamplePattern& pattern) {
  Interpolation in;
  BlockCoverage coverage;
  const double size = p.pointSize;
  const double left = p.x[0] / double{kSubpixels} - size / 2;
  const double top = p.y[0] / double{kSubpixels} - size / 2;
  for (unsigned l = 0; l < kLanes; ++l) {
    in.b1[l] = in.b2[l] = in.l1[l] = in.l2[l] = 0;
    in.z[l] = p.z[0];
    in.invW[l] = p.invW[0];
    for (unsigned s = 0; s < 4; ++s) in.sampleZ[s][l] = p.z[0];
  }
  for (std::int32_t by = alignDown(clip.y0); by < clip.y1; by += 4) {
    for (std::int32_t bx = alignDown(clip.x0); bx < clip.x1; bx += 4) {
      coverPointBlock(p, pattern, bx, by, clip, coverage);
      if (!coverage.lanes) continue;
      for (unsigned l = 0; l < kLanes; ++l) {
        in.pointCoord[0][l] = static_cast<float>((bx + pixelXOfLane(l) + 0.5 - left) / size);
        in.pointCoord[1][l] = static_cast<float>((by + pixelYOfLane(l) + 0.5 - top) / size);
      }
      block(draw, p, bx, by, coverage, in, pattern);
    }
  }
}

void FragmentWorker::line(DrawContext& draw, const Primitive& p, const PixelRect& clip,
                          const SamplePattern& pattern) {
  lineFragments(p, clip, fragments_);
  if (fragments_.empty()) return;
  const double dx = static_cast<double>(p.x[1]) - p.x[0];
  const double dy = static_cast<double>(p.y[1]) - p.y[0];
  const double length2 = dx * dx + dy * dy;
  const std::uint8_t allSamples = static_cast<std::uint8_t>((1u << pattern.count) - 1);
  Interpolation in;
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
    for (unsigned l = 0; l < kLanes; ++l) {
      const double cx = (bx + pixelXOfLane(l)) * double{kSubpixels} + kHalfPixel - p.x[0];
      const double cy = (by + pixelYOfLane(l)) * double{kSubpixels} + kHalfPixel - p.y[0];
      const double t = (cx * dx + cy * dy) / length2;
      const double f0 = (1 - t) * p.invW[0], f1 = t * p.invW[1];
      in.l1[l] = static_cast<float>(t);
      in.l2[l] = 0;
      in.b1[l] = static_cast<float>(f1 / (f0 + f1));
      in.b2[l] = 0;
      const double z = p.z[0] + t * (double{p.z[1]} - p.z[0]);
      in.z[l] = static_cast<float>(z);
      in.invW[l] = static_cast<float>(p.invW[0] + t * (double{p.invW[1]} - p.invW[0]));
      for (unsigned s = 0; s < 4; ++s) in.sampleZ[s][l] = static_cast<float>(z);
    }
    block(draw, p, bx, by, coverage, in, pattern);
  }
}

void FragmentWorker::loadInputs(const DrawContext& draw, const Primitive& p, std::int32_t bx,
                                std::int32_t by, const Interpolation& in, LaneMachine& m) {
  const bool triangle = p.kind == PrimitiveKind::Triangle;
  const bool line = p.kind == PrimitiveKind::Line;
  for (const FragmentInput* entry : draw.resolved->fragmentInputs) {
    const FragmentInput& input = *entry;
    LaneRow* rows[4] = {&m.row(input.reg, 0), &m.row(input.reg, 1), &m.row(input.reg, 2),
                        &m.row(input.reg, 3)};
    switch (input.kind) {
      case FragmentInputKind::Position:
        for (unsigned l = 0; l < kLanes; ++l) {
          setLaneFloat(*rows[0], l, static_cast<float>(bx + pixelXOfLane(l)) + 0.5f);
          setLaneFloat(*rows[1], l, static_cast<float>(by + pixelYOfLane(l)) + 0.5f);
          setLaneFloat(*rows[2], l, in.z[l]);
          setLaneFloat(*rows[3], l, in.invW[l]);
        }
        break;
      case FragmentInputKind::FrontFacing:
        std::fill_n(rows[0]->v, kLanes, p.front ? 1u : 0u);
        for (unsigned c = 1; c < 4; ++c) std::fill_n(rows[c]->v, kLanes, 0u);
        break;
      case FragmentInputKind::PointCoord:
        for (unsigned l = 0; l < kLanes; ++l) {
          setLaneFloat(*rows[0], l, p.kind == PrimitiveKind::Point ? in.pointCoord[0][l] : 0.0f);
          setLaneFloat(*rows[1], l, p.kind == PrimitiveKind::Point ? in.pointCoord[1][l] : 0.0f);
        }
        std::fill_n(rows[2]->v, kLanes, 0u);
        std::fill_n(rows[3]->v, kLanes, 0u);
        break;
      case FragmentInputKind::Varying: {
        for (unsigned c = 0; c < 4; ++c) {
          if (c >= input.components) {
            std::fill_n(rows[c]->v, kLanes, 0u);
            continue;
          }
          const std::uint32_t word = input.word + c;
          if (input.flat || p.kind == PrimitiveKind::Point) {
            const std::uint32_t* source = input.flat ? p.provoking : p.vertex[0];
            std::fill_n(rows[c]->v, kLanes, source[word]);
            continue;
          }
          const float a0 = wordFloat(p.vertex[0], word);
          const float d1 = wordFloat(p.vertex[1], word) - a0;
          const float d2 = triangle ? wordFloat(p.vertex[2], word) - a0 : 0.0f;
          const float* w1 = input.perspective ? in.b1 : in.l1;
          const float* w2 = input.perspective ? in.b2 : in.l2;
          float values[kLanes];
          if (triangle) {
            for (unsigned l = 0; l < kLanes; ++l) values[l] = a0 + w1[l] * d1 + w2[l] * d2;
          } else {
            (void)line;
            for (unsigned l = 0; l < kLanes; ++l) values[l] = a0 + w1[l] * d1;
          }
          if (input.scalar == msl::Scalar::Half) {
            for (float& v : values) v = msl::math::roundTo(msl::Scalar::Half, v);
          }
          std::memcpy(rows[c]->v, values, sizeof values);
        }
        break;
      }
    }
  }
}

void FragmentWorker::block(DrawContext& draw, const Primitive& p, std::int32_t bx,
                           std::int32_t by, BlockCoverage& coverage, const Interpolation& in,
                           const SamplePattern& pattern) {
  const DepthStencilUnit& ds = draw.resolved->depthStencil;
  const bool tests = ds.active();
  auto runTests = [&] {
    if (pattern.count == 1) {
      LaneMask passed = coverage.lanes;
      if (ds.testBlock(bx, by, passed, in.sampleZ[0])) {
        for (unsigned l = 0; l < kLanes; ++l) {
          if (!(passed & (1u << l))) coverage.samples[l] = 0;
        }
        coverage.lanes = passed;
        return;
      }
    }
    for (unsigned l = 0; l < kLanes; ++l) {
      if (!(coverage.lanes & (1u << l))) continue;
      const std::int32_t x = bx + static_cast<std::int32_t>(pixelXOfLane(l));
      const std::int32_t y = by + static_cast<std::int32_t>(pixelYOfLane(l));
      for (unsigned s = 0; s < pattern.count; ++s) {
        if (!(coverage.samples[l] & (1u << s))) continue;
        if (!ds.test(x, y, s, in.sampleZ[s][l], p.front)) coverage.samples[l] &= static_cast<std::uint8_t>(~(1u << s));
      }
      if (!coverage.samples[l]) coverage.lanes &= ~(1u << l);
    }
  };
  if (tests && draw.resolved->earlyTests) {
    runTests();
    if (!coverage.lanes) return;
  }
  LaneMachine* m = nullptr;
  if (draw.resolved->shades) {
    m = &machines_.machine(*draw.resolved->fragmentProgram, draw.resolved->fragmentProgramId);
    m->reset();
    loadInputs(draw, p, bx, by, in, *m);
    textures_.bind(&draw.resolved->fragmentStage.textures, &draw.resolved->fragmentStage.samplers, true);
    if (!m->run(quadsOf(coverage.lanes), draw.resolved->fragmentStage.buffers.data(),
                draw.resolved->fragmentStage.buffers.size(), &textures_, true)) {
      draw.faulted.store(true, std::memory_order_relaxed);
      return;
    }
    const LaneMask discarded = m->discarded();
    if (discarded) {
      coverage.lanes &= ~discarded;
      for (unsigned l = 0; l < kLanes; ++l) {
        if (discarded & (1u << l)) coverage.samples[l] = 0;
      }
      if (!coverage.lanes) return;
    }
    if (draw.resolved->alphaToCoverage) {
      const ColorOutput* first = nullptr;
      for (const ColorOutput& c : draw.resolved->plan->colorOutputs()) {
        if (c.attachment == 0) first = &c;
      }
      if (first && msl::isFloating(first->scalar)) {
        for (unsigned l = 0; l < kLanes; ++l) {
          if (!(coverage.lanes & (1u << l))) continue;
          const float alpha = std::clamp(laneFloat(m->row(first->reg, 3), l), 0.0f, 1.0f);
          const unsigned keep = static_cast<unsigned>(std::lround(alpha * static_cast<float>(pattern.count)));
          coverage.samples[l] &= static_cast<std::uint8_t>((1u << keep) - 1);
          if (!coverage.samples[l]) coverage.lanes &= ~(1u << l);
        }
        if (!coverage.lanes) return;
      }
    }
  }
  if (tests && !draw.resolved->earlyTests) {
    runTests();
    if (!coverage.lanes) return;
  }
  if (draw.resolved->countsVisibility) {
    std::uint64_t passed = 0;
    for (unsigned l = 0; l < kLanes; ++l) passed += static_cast<unsigned>(std::popcount(coverage.samples[l]));
    visibility_[static_cast<std::size_t>(draw.resolved->visibility)] += passed;
  }
  if (!m) return;
  for (const ColorOutput* output : draw.resolved->writtenColors) {
    const ColorUnit& unit = draw.resolved->colors[output->attachment];
    if (output->scalar == msl::Scalar::Float && output->components == 4) {
      const std::uint32_t* rows[4] = {m->row(output->reg, 0).v, m->row(output->reg, 1).v,
                                      m->row(output->reg, 2).v, m->row(output->reg, 3).v};
      if (unit.writeBlock(bx, by, coverage.lanes, rows, draw.resolved->alphaToOne)) continue;
    }
    for (unsigned l = 0; l < kLanes; ++l) {
      if (!(coverage.lanes & (1u << l))) continue;
      SourceColor color;
      color.isSigned = msl::isSigned(output->scalar);
      for (unsigned c = 0; c < 4; ++c) {
        const std::uint32_t bits = c < output->components ? m->row(output->reg, c).v[l]
                                   : (c == 3 && msl::isFloating(output->scalar) ? 0x3F800000u
                                      : c == 3 ? 1u : 0u);
        color.bits[c] = bits;
        color.value[c] = std::bit_cast<float>(bits);
      }
      if (draw.resolved->alphaToOne) {
        color.value[3] = 1.0f;
        color.bits[3] = msl::isFloating(output->scalar) ? 0x3F800000u : 1u;
      }
      unit.write(bx + static_cast<std::int32_t>(pixelXOfLane(l)),
                 by + static_cast<std::int32_t>(pixelYOfLane(l)), coverage.samples[l], color);
    }
  }
}

}  // namespace mtl::exec
