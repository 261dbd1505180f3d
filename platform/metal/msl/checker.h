// Type checking of a parsed translation unit: resolves every name, type,
// overload and attribute, annotates the tree (types, value categories,
// address spaces) and inserts implicit conversions as Convert nodes. Entry
// points get their interface checked: attributes, slots and stage rules.
// Errors go to the diagnostics; checking goes on after an error where the
// rest can still be judged, without cascades from the first.
#pragma once

#include "platform/metal/msl/ast.h"
#include "platform/metal/msl/diagnostics.h"
#include "platform/metal/msl/types.h"

namespace mtl::msl {

// Slot limits of the argument tables and vertex attributes.
constexpr std::uint32_t kBufferSlots = 31;
constexpr std::uint32_t kTextureSlots = 31;
constexpr std::uint32_t kSamplerSlots = 16;
constexpr std::uint32_t kAttributeSlots = 31;
constexpr std::uint32_t kColorSlots = 8;

void check(TranslationUnit& unit, TypeTable& types, Diagnostics& diagnostics);

}  // namespace mtl::msl
