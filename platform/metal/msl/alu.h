// Evaluation of one arithmetic, conversion or built-in instruction on
// registers: the constant folder and the reference interpreter run the same
// code, so a folded result equals what the function computes at run time.
#pragma once

#include <array>
#include <cstdint>

#include "platform/metal/msl/bytecode.h"

namespace mtl::msl {

using Register = std::array<std::uint32_t, 4>;

// Whether evaluate() handles the opcode (no memory, control flow, texture
// or derivative).
bool isAluOpcode(Opcode op);

// Whether each component of the result is the operation on the same
// component of the sources (and nothing else of them).
bool isComponentWise(Opcode op);

// Computes the instruction from its sources and writes the masked
// components of `out`. `sources[k]` points at the register of src[k] and,
// for Determinant, at the following column registers too.
void evaluate(const Instruction& instruction, const Register* const sources[3], Register& out);

}  // namespace mtl::msl
