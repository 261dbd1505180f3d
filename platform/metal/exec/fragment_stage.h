// The fragment stage: a primitive's fragments inside one tile, found 4 x 4
// pixels at a time, through the fragment function and the per-sample tests
// into the attachments.
//
// Interpolation happens at pixel centres: perspective-correct (from the
// window-space barycentrics and 1/w), linear in window space for
// no-perspective inputs, flat from the primitive's first vertex. The
// fragment's [[position]] is (x + 1/2, y + 1/2, z, 1/w); front_facing is
// true for points and lines; point_coord runs from (0, 0) at the point's
// top-left corner. Quads (2 x 2 pixels) with a covered pixel run all four
// lanes, the uncovered ones as helpers that write nothing, so that
// derivatives and levels of detail are those of the quad. A multisampled
// pixel is shaded once; depth is interpolated at each sample.
//
// The chart's primitives are small: the covered quads of consecutive
// primitives of one draw state wait in a batch until four fill the 16
// lanes of one run of the function. Early tests run as a quad joins the
// batch; after the run, late tests, counting and colour writes go quad
// after quad in submission order, so two quads on the same pixels blend
// in turn.
//
// Thread rules: one FragmentWorker per worker thread.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/metal/exec/draw_context.h"
#include "platform/metal/exec/shape_quads.h"

namespace mtl::exec {

// Lane machines of the programs a worker has met, by program id.
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
  FragmentWorker();
  ~FragmentWorker();

  // Visibility counters: one per counter index of the pass.
  void begin(std::size_t visibilityCounters);
  const std::vector<std::uint64_t>& visibility() const { return visibility_; }

  // Runs the fragments of `primitive` inside `clip`; its quads may wait in
  // the worker's batch until finish().
  void rasterize(DrawContext& draw, const Primitive& primitive, const PixelRect& clip,
                 const SamplePattern& pattern);
  // Shades and writes the quads that wait (at the end of each tile).
  void finish();

  MachineCache& machines() { return machines_; }

 private:
  struct Interpolation;
  struct Batch;
  void triangle(DrawContext& draw, const Primitive& p, const PixelRect& clip);
  void point(DrawContext& draw, const Primitive& p, const PixelRect& clip);
  void line(DrawContext& draw, const Primitive& p, const PixelRect& clip);
  // Offers the covered quads of the block at (bx, by) to the batch;
  // fill(interpolation, slot, quad of the block) sets their lanes.
  template <typename Fill>
  void offerQuads(DrawContext& draw, const Primitive& p, std::int32_t bx, std::int32_t by,
                  const BlockCoverage& coverage, Fill&& fill);
  // Shades and writes one covered quad of a state on the shape route
  // (shape_quads.h), `z` its depth in each lane; ready() first.
  void routeQuad(const StateContext& state, std::int32_t x, std::int32_t y, unsigned lanes,
                 const QuadWeights& weights, const float* z);
  // Before a primitive's quads take the route: what waits in the batch
  // goes first, the state's textures are bound and the primitive's inputs
  // prepared.
  void ready(const StateContext& state, const Primitive& p);
  // Depth and stencil tests of quad q of the batch; false when nothing of
  // it passed.
  bool testQuad(unsigned q);
  // The colour outputs of the batch's lanes: the machine's registers, or
  // the colour a shape computed.
  struct Outputs {
    const LaneMachine* machine = nullptr;
    const LaneRows* shaped = nullptr;  // of the one colour output
    const LaneRow& row(std::uint32_t reg, unsigned c) const {
      return machine ? machine->row(reg, c) : (*shaped)[c];
    }
  };
  void flush();
  // Runs the fragment function on the batch; null when it ran past the
  // step limit.
  LaneMachine* runFunction();
  // What a shaped fragment function (fragment_shape.h) computes.
  struct Shaded {
    LaneRows color{}, coordinate{}, texel{};
    const LaneRows none{};  // the sample's unused operands
  };
  void shade(Shaded& out);
  void loadInputs(LaneMachine& m);
  // Components components[0..count) of a varying (whose planes start at
  // `planes` in its primitive's) at the four lanes of quad q, into
  // out[0..count).
  void varyingQuad(const FragmentInput& input, std::uint32_t planes, unsigned count, const unsigned* components,
                   unsigned q, std::uint32_t* const out[]) const;
  void mergeQuad(unsigned q, const Outputs* outputs);

  MachineCache machines_;
  StageTextures textures_;
  std::vector<std::uint64_t> visibility_;
  std::vector<Fragment> fragments_;
  std::unique_ptr<Batch> batch_;
  std::unique_ptr<Shaded> shaded_;
  std::unique_ptr<ShapeInputs> shapeInputs_;  // of the primitive on the route
};

}  // namespace mtl::exec
