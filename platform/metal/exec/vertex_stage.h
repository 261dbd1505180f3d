// The vertex stage of a draw: which vertices it shades, and shading them
// in batches of 16 lanes into vertex records (pipeline_plan.h).
//
// An array draw shades vertices vertexStart .. vertexStart + count - 1 of
// every instance; an indexed draw shades each distinct index once per
// instance (all-ones restarts triangle and line strips), reading indices
// and vertex data only within their buffers' bound lengths (zero beyond).
// Attributes step per vertex (the vertex's index), per instance (the
// instance divided by the step rate) or not at all (element 0).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/metal/exec/draw_context.h"

namespace mtl::exec {

// Draws that would shade more vertex records than this are not run.
constexpr std::uint64_t kMaxRecordsPerDraw = std::uint64_t{1} << 24;

// Reusable storage for the index scan.
struct IndexScratch {
  std::vector<std::uint32_t> slots;  // a compact range: record of each index
  std::vector<std::uint64_t> table;  // otherwise open addressing: (index << 32 | record + 1)
};

// Fills the draw's vertex list (and index remapping). False when the draw
// is too large to run.
bool prepareVertices(DrawContext& draw, IndexScratch& scratch);

// The index at position `k` of the draw's index buffer (0 beyond its end).
std::uint32_t readIndex(const DrawCall& call, std::uint64_t k);

// Shades records [first, first + count) of the draw. False when a batch
// ran past the step limit.
bool shadeVertices(DrawContext& draw, std::uint64_t first, std::uint64_t count,
                   LaneMachine& machine, StageTextures& textures);

}  // namespace mtl::exec
