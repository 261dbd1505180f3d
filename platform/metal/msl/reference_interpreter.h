// Runs a compiled function for one lane: the reference the executor's
// batched lanes are checked against, and the tool tests use to see what a
// shader computes. Textures and derivatives need more than one lane or a
// real texture; they go to ExecutionHooks, which the executor implements
// and tests may override. Thread rules: an interpreter call touches only
// its arguments.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/metal/msl/alu.h"
#include "platform/metal/msl/bytecode.h"

namespace mtl::msl {

class ExecutionHooks {
 public:
  virtual ~ExecutionHooks() = default;
  // dfdx, dfdy or fwidth of the masked components of `value`. One lane has
  // no neighbours: the default answers 0.
  virtual void derivative(Opcode op, Scalar type, const Register& value, std::uint8_t mask,
                          Register& out);
  // Sample or SampleCompare: `instruction` names slots, option and shape;
  // the registers are its sources as read. The default answers 0.
  virtual void sample(const Instruction& instruction, const Register& coordinate,
                      const Register& first, const Register& second, Register& out);
  // Width (dimension 0) or height (1) of the texture at `level`, and its
  // mip level count. The defaults answer 0.
  virtual std::uint32_t textureSize(std::uint32_t slot, std::uint32_t level, unsigned dimension);
  virtual std::uint32_t textureLevels(std::uint32_t slot);
};

// A buffer bound at a slot: its bytes, and whether the function may write.
struct BufferView {
  std::uint8_t* data = nullptr;
  std::size_t length = 0;
  bool writable = false;
};

struct Invocation {
  std::vector<Register> registers;
  bool discarded = false;
  bool finished = false;   // ran to a Return (false when stopped by the step limit)
  std::uint64_t steps = 0;
};

// Registers with the constants loaded and everything else zero.
Invocation prepareInvocation(const CompiledFunction& function);

// Writes an input's components (bits of its scalar kind).
void setInput(Invocation& invocation, const InterfaceValue& input, const Register& value);
Register output(const Invocation& invocation, const InterfaceValue& value);

// Runs until Return, Discard or `maxSteps` instructions. `buffers` is
// indexed by slot (a slot beyond it reads as unbound: 0).
void interpret(const CompiledFunction& function, Invocation& invocation,
               const std::vector<BufferView>& buffers, ExecutionHooks* hooks = nullptr,
               std::uint64_t maxSteps = std::uint64_t{1} << 26);

}  // namespace mtl::msl
