// The texture built-ins as tables. Each row gives a function name, how its
// overloads are built, their predicate and the overloads as text:
// "sampler:coordinate" (texture lookups), "sampler:coordinate+offset"
// (texel fetches with an offset), "sampler:result" (size queries) or
// "sampler" (level counts). A sampler written with a leading "g" stands for
// its float, int and uint forms in that order. Consecutive rows with the
// same name make one function, whose overloads keep the row order.
#pragma once

#include <span>

#include "shadercompiler/ir/ir.h"

namespace builtins {

enum builder_kind { LOOKUP, COMPARE_CUBE_ARRAY, FETCH, SIZE, QUERY_LOD, QUERY_LEVELS };

// Shadow samplers of the legacy and gather functions return vec4 instead of
// float.
inline constexpr bool SHADOW_VEC4 = true;

struct texture_row {
  const char *name;
  builder_kind kind;
  ir_texture_opcode op;
  unsigned flags;
  builtin_available_predicate avail;
  const char *overloads;
  bool shadow_vec4 = false;
};

// The lookups of GLSL 1.30 and ES 3.00 with their queries.
std::span<const texture_row> modern_texture_rows();
// The level-of-detail and level-count queries.
std::span<const texture_row> texture_query_rows();
// The functions of the older languages and extensions, and gather.
std::span<const texture_row> legacy_texture_rows();

}  // namespace builtins
