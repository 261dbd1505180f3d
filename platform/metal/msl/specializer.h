// A compiled function specialised for the values one draw fixes: what its
// buffer loads at fixed offsets read (the GL layer's uniforms) and inputs
// every invocation shares (vertex attributes that step by constant). Those
// values are folded through the arithmetic the function runs (alu.h),
// branches on them keep only the side taken, and what no longer reaches an
// output, a store or a branch is dropped. Every invocation computes the
// same bits as the original with those values.
//
// Folding is exact only where all lanes agree: inside a branch on a
// non-fixed value, in loops and in blocks, results are still computed at
// run time (their fixed operands become constants), and what such a
// construct reads that was folded is written back into its register
// before it. A folded value that code still reads lives in a pinned
// register: set before the first instruction, never written.
//
// Thread rules: pure functions of their arguments.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "platform/metal/msl/alu.h"
#include "platform/metal/msl/bytecode.h"

namespace mtl::msl {

struct FixedValues {
  // By instruction index: what a LoadBuffer without a dynamic offset reads
  // (its masked components), where the draw fixes it.
  std::vector<std::optional<Register>> loads;
  // Input registers every invocation receives with the same value.
  std::vector<std::pair<std::uint16_t, Register>> inputs;
};

struct SpecializedFunction {
  // The same interface (registers, inputs, outputs, resources); more
  // registers, for the pinned ones.
  CompiledFunction function;
  std::vector<std::pair<std::uint16_t, Register>> pinned;
  // Input registers the specialised code still reads.
  std::vector<bool> inputRead;  // by index into function.inputs
};

SpecializedFunction specialize(const CompiledFunction& function, const FixedValues& fixed);

}  // namespace mtl::msl
