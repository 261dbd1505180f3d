// Bodies of the texture built-ins: each returns one texture node.
#include "shadercompiler/ir/builtins/builtin_texture_bodies.h"

#include "shadercompiler/ir/builtins/builtin_construction.h"

unsigned glsl_type::sampler_coordinate_count() const {
  unsigned size = 0;
  switch (sampler_dimensionality) {
    case GLSL_SAMPLER_DIM_1D: case GLSL_SAMPLER_DIM_BUF: size = 1; break;
    case GLSL_SAMPLER_DIM_3D: case GLSL_SAMPLER_DIM_CUBE: size = 3; break;
    default: size = 2; break;  // 2D, rectangle, external, multisample
  }
  return size + (sampler_array ? 1 : 0);
}

namespace builtins {
namespace {

// Components of an offset or gradient: the coordinate without the layer.
unsigned texel_space_size(const glsl_type *sampler) {
  return sampler->sampler_coordinate_count() - (sampler->sampler_array ? 1 : 0);
}

ir_texture *new_texture(ir_texture_opcode op, ir_variable *sampler,
                        const glsl_type *return_type) {
  auto *tex = new (pool()) ir_texture(op);
  tex->set_sampler(deref(sampler), return_type);
  return tex;
}

ir_function_signature *returning(ir_function_signature *sig, ir_texture *tex) {
  ir_factory body = body_of(sig);
  ret(body, tex);
  return sig;
}

}  // namespace

ir_function_signature *texture_builder(ir_texture_opcode op,
                                       builtin_available_predicate avail,
                                       const glsl_type *return_type,
                                       const glsl_type *sampler_type,
                                       const glsl_type *coordinate_type,
                                       unsigned flags) {
  ir_variable *sampler = param(sampler_type, "sampler");
  ir_variable *p = param(coordinate_type, "P");
  ir_function_signature *sig = make_signature(return_type, avail, {sampler, p});
  ir_texture *tex = new_texture(op, sampler, return_type);
  tex->coordinate = deref(p);
  const unsigned n = texel_space_size(sampler_type);

  if (op == ir_txd) {
    ir_variable *dpdx = param(glsl_type::vec(n), "dPdx");
    ir_variable *dpdy = param(glsl_type::vec(n), "dPdy");
    sig->parameters.push_tail(dpdx);
    sig->parameters.push_tail(dpdy);
    tex->lod_info.grad.dPdx = deref(dpdx);
    tex->lod_info.grad.dPdy = deref(dpdy);
  }
  if (op == ir_txl) {
    ir_variable *lod = param(glsl_type::float_type, "lod");
    sig->parameters.push_tail(lod);
    tex->lod_info.lod = deref(lod);
  }
  if (flags & (TEX_OFFSET | TEX_OFFSET_NONCONST)) {
    ir_variable *offset = param(glsl_type::ivec(n), "offset",
                                (flags & TEX_OFFSET) ? ir_var_const_in : ir_var_function_in);
    sig->parameters.push_tail(offset);
    tex->offset = deref(offset);
  }
  if (flags & TEX_OFFSET_ARRAY) {
    ir_variable *offsets = param(glsl_type::get_array_instance(glsl_type::ivec2_type, 4),
                                 "offsets", ir_var_const_in);
    sig->parameters.push_tail(offsets);
    tex->offset = deref(offsets);
  }
  if (op == ir_txb) {
    ir_variable *bias = param(glsl_type::float_type, "bias");
    sig->parameters.push_tail(bias);
    tex->lod_info.bias = deref(bias);
  }
  if (op == ir_tg4) {
    if (flags & TEX_COMPONENT) {
      ir_variable *comp = param(glsl_type::int_type, "comp", ir_var_const_in);
      sig->parameters.push_tail(comp);
      tex->lod_info.component = deref(comp);
    } else {
      tex->lod_info.component = imm_int(0);
    }
  }
  return returning(sig, tex);
}

ir_function_signature *texture_cube_array_shadow_builder(builtin_available_predicate avail) {
  const glsl_type *sampler_type = glsl_type::builtin_by_name("samplerCubeArrayShadow");
  ir_variable *sampler = param(sampler_type, "sampler");
  ir_variable *p = param(glsl_type::vec4_type, "P");
  ir_variable *compare = param(glsl_type::float_type, "compare");
  ir_function_signature *sig =
      make_signature(glsl_type::float_type, avail, {sampler, p, compare});
  ir_texture *tex = new_texture(ir_tex, sampler, glsl_type::float_type);
  tex->coordinate = deref(p);
  return returning(sig, tex);
}

ir_function_signature *texel_fetch_builder(builtin_available_predicate avail,
                                           const glsl_type *return_type,
                                           const glsl_type *sampler_type,
                                           const glsl_type *coordinate_type,
                                           const glsl_type *offset_type) {
  ir_variable *sampler = param(sampler_type, "sampler");
  ir_variable *p = param(coordinate_type, "P");
  ir_function_signature *sig = make_signature(return_type, avail, {sampler, p});
  ir_texture *tex = new_texture(ir_txf, sampler, return_type);
  tex->coordinate = deref(p);
  if (sampler_type->sampler_dimensionality == GLSL_SAMPLER_DIM_MS) {
    ir_variable *sample = param(glsl_type::int_type, "sample");
    sig->parameters.push_tail(sample);
    tex->op = ir_txf_ms;
    tex->lod_info.sample_index = deref(sample);
  } else if (ir_texture::has_lod(sampler_type)) {
    ir_variable *lod = param(glsl_type::int_type, "lod");
    sig->parameters.push_tail(lod);
    tex->lod_info.lod = deref(lod);
  } else {
    tex->lod_info.lod = imm_uint(0);
  }
  if (offset_type != nullptr) {
    ir_variable *offset = param(offset_type, "offset", ir_var_const_in);
    sig->parameters.push_tail(offset);
    tex->offset = deref(offset);
  }
  return returning(sig, tex);
}

ir_function_signature *texture_size_builder(builtin_available_predicate avail,
                                            const glsl_type *return_type,
                                            const glsl_type *sampler_type) {
  ir_variable *sampler = param(sampler_type, "sampler");
  ir_function_signature *sig = make_signature(return_type, avail, {sampler});
  ir_texture *tex = new_texture(ir_txs, sampler, return_type);
  if (ir_texture::has_lod(sampler_type)) {
    ir_variable *lod = param(glsl_type::int_type, "lod");
    sig->parameters.push_tail(lod);
    tex->lod_info.lod = deref(lod);
  } else {
    tex->lod_info.lod = imm_uint(0);
  }
  return returning(sig, tex);
}

ir_function_signature *query_lod_builder(builtin_available_predicate avail,
                                         const glsl_type *sampler_type,
                                         const glsl_type *coordinate_type) {
  ir_variable *sampler = param(sampler_type, "sampler");
  ir_variable *coord = param(coordinate_type, "coord");
  ir_function_signature *sig = make_signature(glsl_type::vec2_type, avail, {sampler, coord});
  ir_texture *tex = new_texture(ir_lod, sampler, glsl_type::vec2_type);
  tex->coordinate = deref(coord);
  return returning(sig, tex);
}

ir_function_signature *query_levels_builder(builtin_available_predicate avail,
                                            const glsl_type *sampler_type) {
  ir_variable *sampler = param(sampler_type, "sampler");
  ir_function_signature *sig = make_signature(glsl_type::int_type, avail, {sampler});
  return returning(sig, new_texture(ir_query_levels, sampler, glsl_type::int_type));
}

}  // namespace builtins
