// A function specialised for the values of its loads against the original
// on the same random inputs, through the reference interpreter: the
// outputs and the discards must agree to the bit.
#pragma once

#include <bit>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/metal/msl/memory_access.h"
#include "platform/metal/msl/reference_interpreter.h"
#include "platform/metal/msl/specializer.h"

namespace mtl::msl::test {

// What every static load of `f` from slot 0 reads in `buffer` (as the
// interpreter reads it: in the load's scalar kind).
inline FixedValues loadsFrom(const CompiledFunction& f, const std::vector<std::uint8_t>& buffer) {
  FixedValues fixed;
  fixed.loads.resize(f.code.size());
  for (std::size_t pc = 0; pc < f.code.size(); ++pc) {
    const Instruction& i = f.code[pc];
    if (i.op != Opcode::LoadBuffer || i.hasDynamicOffset || i.aux != 0) continue;
    Register value{};
    for (unsigned c = 0; c < 4; ++c) {
      if (!(i.mask & (1u << c))) continue;
      value[c] = readComponent(buffer.data(), buffer.size(), std::uint64_t{i.offset} + std::uint64_t{c} * i.stride,
                               i.type);
    }
    fixed.loads[pc] = value;
  }
  return fixed;
}

inline Invocation runPinned(const CompiledFunction& f, const std::vector<std::pair<std::uint16_t, Register>>& pinned,
                            const std::vector<Register>& inputs, std::vector<std::uint8_t>& buffer,
                            std::uint64_t maxSteps = std::uint64_t{1} << 26) {
  Invocation inv = prepareInvocation(f);
  for (const auto& [reg, value] : pinned) inv.registers.at(reg) = value;
  for (std::size_t k = 0; k < f.inputs.size(); ++k) setInput(inv, f.inputs[k], inputs[k]);
  std::vector<BufferView> views{{buffer.data(), buffer.size(), false}};
  interpret(f, inv, views, nullptr, maxSteps);
  return inv;
}

struct SpecializationComparison {
  int compared = 0;        // trials where both ran to their end
  std::string difference;  // the first output that differed, or empty
};

// `trials` runs of both on random inputs (every fifth all zero); runs that
// reach `maxSteps` are not compared.
inline SpecializationComparison compareSpecialization(const CompiledFunction& f, const SpecializedFunction& s,
                                                      std::vector<std::uint8_t> buffer, unsigned seed,
                                                      int trials = 64,
                                                      std::uint64_t maxSteps = std::uint64_t{1} << 26) {
  SpecializationComparison result;
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> value(-3, 3);
  for (int trial = 0; trial < trials && result.difference.empty(); ++trial) {
    std::vector<Register> inputs(f.inputs.size());
    for (Register& r : inputs) {
      for (auto& c : r) c = std::bit_cast<std::uint32_t>(trial % 5 == 0 ? 0.0f : value(rng));
    }
    const Invocation a = runPinned(f, {}, inputs, buffer, maxSteps);
    const Invocation b = runPinned(s.function, s.pinned, inputs, buffer, maxSteps);
    if (!a.finished || !b.finished) continue;
    ++result.compared;
    std::ostringstream why;
    if (a.discarded != b.discarded) why << f.name << " discards differently";
    for (const InterfaceValue& out : f.outputs) {
      if (why.tellp() == 0 && output(a, out) != output(b, out)) why << f.name << " output " << out.name;
    }
    result.difference = why.str();
  }
  return result;
}

}  // namespace mtl::msl::test
