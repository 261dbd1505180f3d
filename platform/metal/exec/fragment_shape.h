// The chart's shapes of fragment function, as its one program becomes once
// specialised for a draw's uniforms (msl/specializer.h): the colour output
// is the interpolated colour, or the interpolated colour times a texel of
// a 2-D texture at interpolated coordinates (the vertical one as is or
// flipped, 1 - v) or at the point coordinate (a sprite). The fragment stage computes these without the lane
// machine, with the same operations in the same order, so the same bits.
//
// Thread rules: a shape is immutable once recognised.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/metal/msl/alu.h"
#include "platform/metal/msl/bytecode.h"

namespace mtl::exec {

struct FragmentShape {
  enum class Kind : std::uint8_t { none, color, textured };
  Kind kind = Kind::none;
  std::uint32_t output = 0;  // the colour output's register
  std::uint32_t color = 0;   // the colour input's register (four float components)
  // Textured: the coordinates' input register and components (or the
  // point coordinate), whether v is flipped, and the sample instruction
  // (slots, shape, option).
  std::uint32_t coordinate = 0;
  unsigned u = 0, v = 1;
  bool pointCoord = false;
  bool flipV = false;
  msl::Instruction sample;
};

// The shape of `function` (with its pinned registers), or Kind::none.
FragmentShape recognizeShape(const msl::CompiledFunction& function,
                             const std::vector<std::pair<std::uint16_t, msl::Register>>& pinned);

}  // namespace mtl::exec
