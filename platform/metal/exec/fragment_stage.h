// The fragment stage: a primitive's fragments inside one tile, 4 x 4
// pixel blocks at a time, through the fragment function and the per-sample
// tests into the attachments.
//
// Interpolation happens at pixel centres: perspective-correct (from the
// window-space barycentrics and 1/w), linear in window space for
// no-perspective inputs, flat from the primitive's first vertex. The
// fragment's [[position]] is (x + 1/2, y + 1/2, z, 1/w); front_facing is
// true for points and lines; point_coord runs from (0, 0) at the point's
// top-left corner. Quads with a covered pixel run all four lanes, the
// uncovered ones as helpers that write nothing, so that derivatives and
// levels of detail are those of the quad. A multisampled pixel is shaded
// once; depth is interpolated at each sample.
//
// Thread rules: one FragmentWorker per worker thread.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/metal/exec/draw_context.h"

namespace mtl::exec {

// Lane machines of the pipelines a worker has met, by pipeline.
class MachineCache {
 public:
  LaneMachine& machine(const LaneProgram& program, std::uint64_t key);

 private:
  struct Entry {
    std::uint64_t key = 0;
    std::unique_ptr<LaneMachine> machine;
    std::uint64_t used = 0;
  };
  std::vector<Entry> entries_;
  std::uint64_t clock_ = 0;
};

class FragmentWorker {
 public:
  // Visibility counters: one per counter index of the pass.
  void begin(std::size_t visibilityCounters);
  const std::vector<std::uint64_t>& visibility() const { return visibility_; }

  // Runs the fragments of `primitive` inside `clip`.
  void rasterize(DrawContext& draw, const Primitive& primitive, const PixelRect& clip,
                 const SamplePattern& pattern);

  MachineCache& machines() { return machines_; }

 private:
  struct Interpolation;
  void triangle(DrawContext& draw, const Primitive& p, const PixelRect& clip,
                const SamplePattern& pattern);
  void point(DrawContext& draw, const Primitive& p, const PixelRect& clip,
             const SamplePattern& pattern);
  void line(DrawContext& draw, const Primitive& p, const PixelRect& clip,
            const SamplePattern& pattern);
  void block(DrawContext& draw, const Primitive& p, std::int32_t bx, std::int32_t by,
             BlockCoverage& coverage, const Interpolation& in, const SamplePattern& pattern);
  void loadInputs(const DrawContext& draw, const Primitive& p, std::int32_t bx, std::int32_t by,
                  const Interpolation& in, LaneMachine& m);

  MachineCache machines_;
  StageTextures textures_;
  std::vector<std::uint64_t> visibility_;
  std::vector<Fragment> fragments_;
};

}  // namespace mtl::exec
