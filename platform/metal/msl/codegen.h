// Turns every vertex and fragment function of a checked translation unit
// into bytecode (bytecode.h): helper functions are inlined, constants are
// folded through the same arithmetic the interpreter runs, branches on
// constants disappear, and the interface and argument reflection are
// recorded with what the code actually uses.
#pragma once

#include <memory>
#include <vector>

#include "platform/metal/msl/ast.h"
#include "platform/metal/msl/bytecode.h"
#include "platform/metal/msl/diagnostics.h"
#include "platform/metal/msl/types.h"

namespace mtl::msl {

// Limits of one function after inlining; beyond them it is refused.
constexpr std::uint32_t kMaxRegisters = 16384;
constexpr std::size_t kMaxInstructions = std::size_t{1} << 18;
// Statements and expressions generated, repetitions by inlining included.
constexpr std::size_t kMaxWork = std::size_t{1} << 22;

std::vector<std::shared_ptr<CompiledFunction>> generate(const TranslationUnit& unit,
                                                        TypeTable& types,
                                                        Diagnostics& diagnostics);

}  // namespace mtl::msl
