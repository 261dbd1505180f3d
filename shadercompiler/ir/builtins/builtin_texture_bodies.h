// Builders of the texture built-ins: lookups of every kind, texel fetches,
// size, level-of-detail and level-count queries.
#pragma once

#include "shadercompiler/ir/ir.h"

namespace builtins {

// Flags of texture_builder. A projective lookup is told apart only by its
// longer coordinate, so TEX_PROJECT changes nothing in the body.
enum texture_flags : unsigned {
  TEX_PROJECT = 1,
  TEX_OFFSET = 2,             // "offset", a constant expression
  TEX_COMPONENT = 4,          // gather with a "comp" argument
  TEX_OFFSET_NONCONST = 8,    // "offset", any expression
  TEX_OFFSET_ARRAY = 16,      // "offsets", four constant ivec2
};

ir_function_signature *texture_builder(ir_texture_opcode op,
                                       builtin_available_predicate avail,
                                       const glsl_type *return_type,
                                       const glsl_type *sampler_type,
                                       const glsl_type *coordinate_type,
                                       unsigned flags);
// texture() of a samplerCubeArrayShadow, which takes the reference value
// as a separate "compare" argument.
ir_function_signature *texture_cube_array_shadow_builder(builtin_available_predicate avail);
ir_function_signature *texel_fetch_builder(builtin_available_predicate avail,
                                           const glsl_type *return_type,
                                           const glsl_type *sampler_type,
                                           const glsl_type *coordinate_type,
                                           const glsl_type *offset_type);
ir_function_signature *texture_size_builder(builtin_available_predicate avail,
                                            const glsl_type *return_type,
                                            const glsl_type *sampler_type);
ir_function_signature *query_lod_builder(builtin_available_predicate avail,
                                         const glsl_type *sampler_type,
                                         const glsl_type *coordinate_type);
ir_function_signature *query_levels_builder(builtin_available_predicate avail,
                                            const glsl_type *sampler_type);

}  // namespace builtins
