// A primitive's varyings as the fragment stage interpolates them, worked
// out once when the primitive is set up instead of at every quad: for each
// component the draw's fragment function reads, the first vertex's value
// and the differences of the second and third vertices' values from it
// (floats, the same subtraction the interpolation would make); for a flat
// input or a point, the value alone (any bits). The fragment stage then
// reads the primitive's own few words, not its vertices' records.
//
// Thread rules: planes are appended by the worker that sets up a chunk and
// only read once its tiles run.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/metal/exec/draw_context.h"

namespace mtl::exec {

// Words of one component's plane: value, then the two differences.
constexpr std::uint32_t kPlaneWords = 3;

// Where each fragment input's planes lie (by index into
// state.fragmentInputs; varyings only), and the words a primitive needs.
void layOutPlanes(StateContext& state);

// Appends the primitive's planes for its draw state.
void appendPlanes(const StateContext& state, const Primitive& primitive, std::vector<std::uint32_t>& out);

}  // namespace mtl::exec
