// Geometry-shader, derivative, noise, integer, interpolation, atomic
// counter and three-way minimum and maximum built-ins.
#include "shadercompiler/ir/builtins/builtin_availability.h"
#include "shadercompiler/ir/builtins/builtin_bodies.h"
#include "shadercompiler/ir/builtins/builtin_construction.h"

namespace builtins {
namespace {

template <typename Make>
signature_list for_families(std::initializer_list<family> families, Make make) {
  signature_list sigs;
  for (family f : families)
    for (unsigned n = 1; n <= 4; n++) sigs.push_back(make(family_type(f, n)));
  return sigs;
}

ir_function_signature *stream_statement(bool emit_vertex, const glsl_type *stream_type) {
  ir_variable *stream = stream_type != nullptr
                            ? param(stream_type, "stream", ir_var_const_in)
                            : nullptr;
  ir_function_signature *sig = make_signature(
      glsl_type::void_type, stream != nullptr ? avail_geometry_streams : avail_geometry, {});
  if (stream != nullptr) sig->parameters.push_tail(stream);
  ir_factory body = body_of(sig);
  ir_rvalue *value = stream != nullptr ? static_cast<ir_rvalue *>(deref(stream)) : imm_int(0);
  if (emit_vertex)
    emit(body, new (pool()) ir_emit_vertex(value));
  else
    emit(body, new (pool()) ir_end_primitive(value));
  return sig;
}

ir_function_signature *fwidth_builder(ir_expression_operation dx, ir_expression_operation dy,
                                      builtin_available_predicate avail, const glsl_type *t) {
  ir_variable *p = param(t, "p");
  ir_function_signature *sig = make_signature(t, avail, {p});
  ir_factory body = body_of(sig);
  ret(body, ir_builder_add(ir_builder_abs(ir_builder_expr_unary(dx, deref(p))),
                           ir_builder_abs(ir_builder_expr_unary(dy, deref(p)))));
  return sig;
}

// Noise of p shifted by an offset (the offset's first components).
ir_rvalue *noise_at(ir_variable *p, const float *offset) {
  const glsl_type *t = p->type;
  if (offset == nullptr) return ir_builder_expr_unary(ir_unop_noise, deref(p));
  ir_constant_data data{};
  for (unsigned i = 0; i < t->vector_elements; i++) data.f[i] = offset[i];
  return ir_builder_expr_unary(
      ir_unop_noise, ir_builder_add(deref(p), new (pool()) ir_constant(t, &data)));
}

constexpr float kNoiseB[4] = {601.0f, 313.0f, 29.0f, 277.0f};
constexpr float kNoiseC[4] = {1559.0f, 113.0f, 1861.0f, 797.0f};

ir_function_signature *noise_builder(unsigned result_size, const glsl_type *t) {
  ir_variable *p = param(t, "p");
  const glsl_type *result = glsl_type::vec(result_size);
  ir_function_signature *sig = make_signature(result, avail_desktop, {p});
  ir_factory body = body_of(sig);
  // noise4 reuses p + C as the base of its last two components.
  ir_variable *shifted = nullptr;
  if (result_size == 4) {
    shifted = temp(body, t, "_p");
    ir_constant_data data{};
    for (unsigned i = 0; i < t->vector_elements; i++) data.f[i] = kNoiseC[i];
    assign(body, deref(shifted), ir_builder_add(deref(p), new (pool()) ir_constant(t, &data)));
  }
  static const char *const kNames[] = {"a", "b", "c", "d"};
  ir_variable *parts[4];
  for (unsigned i = 0; i < result_size; i++)
    parts[i] = temp(body, glsl_type::float_type, kNames[i]);
  ir_variable *out = temp(body, result, "t");
  assign(body, deref(parts[0]), noise_at(p, nullptr));
  assign(body, deref(parts[1]), noise_at(p, kNoiseB));
  if (result_size == 3) assign(body, deref(parts[2]), noise_at(p, kNoiseC));
  if (result_size == 4) {
    assign(body, deref(parts[2]), noise_at(shifted, nullptr));
    assign(body, deref(parts[3]), noise_at(shifted, kNoiseB));
  }
  for (unsigned i = 0; i < result_size; i++) assign_component(body, out, i, deref(parts[i]));
  ret(body, deref(out));
  return sig;
}

void create_derivatives_and_noise() {
  static const struct {
    const char *d_dx, *d_dy, *width;
    ir_expression_operation dx, dy;
    builtin_available_predicate avail;
  } kDerivatives[] = {
      {"dFdx", "dFdy", "fwidth", ir_unop_dFdx, ir_unop_dFdy, avail_fragment_derivatives},
      {"dFdxCoarse", "dFdyCoarse", "fwidthCoarse", ir_unop_dFdx_coarse, ir_unop_dFdy_coarse,
       avail_fragment_derivative_control},
      {"dFdxFine", "dFdyFine", "fwidthFine", ir_unop_dFdx_fine, ir_unop_dFdy_fine,
       avail_fragment_derivative_control},
  };
  for (const auto &d : kDerivatives) {
    add_builtin_function(d.d_dx, for_families({FLOAT_FAMILY}, [&](const glsl_type *t) {
      return unop_builder(d.avail, d.dx, t, t);
    }));
    add_builtin_function(d.d_dy, for_families({FLOAT_FAMILY}, [&](const glsl_type *t) {
      return unop_builder(d.avail, d.dy, t, t);
    }));
    add_builtin_function(d.width, for_families({FLOAT_FAMILY}, [&](const glsl_type *t) {
      return fwidth_builder(d.dx, d.dy, d.avail, t);
    }));
  }
  add_builtin_function("noise1", for_families({FLOAT_FAMILY}, [](const glsl_type *t) {
    return unop_builder(avail_desktop, ir_unop_noise, glsl_type::float_type, t);
  }));
  static const char *const kNoiseNames[] = {"noise2", "noise3", "noise4"};
  for (unsigned size = 2; size <= 4; size++) {
    add_builtin_function(kNoiseNames[size - 2], for_families({FLOAT_FAMILY}, [size](const glsl_type *t) {
      return noise_builder(size, t);
    }));
  }
}

ir_function_signature *bitfield_extract_builder(const glsl_type *t) {
  ir_variable *value = param(t, "value");
  ir_variable *offset = param(glsl_type::int_type, "offset");
  ir_variable *bits = param(glsl_type::int_type, "bits");
  ir_function_signature *sig = make_signature(t, avail_gpu_shader5, {value, offset, bits});
  ir_factory body = body_of(sig);
  ret(body, ir_builder_expr_ternary(ir_triop_bitfield_extract, deref(value), deref(offset),
                                    deref(bits)));
  return sig;
}

ir_function_signature *bitfield_insert_builder(const glsl_type *t) {
  ir_variable *base = param(t, "base");
  ir_variable *insert = param(t, "insert");
  ir_variable *offset = param(glsl_type::int_type, "offset");
  ir_variable *bits = param(glsl_type::int_type, "bits");
  ir_function_signature *sig =
      make_signature(t, avail_gpu_shader5, {base, insert, offset, bits});
  ir_factory body = body_of(sig);
  ret(body, ir_builder_bitfield_insert(deref(base), deref(insert), deref(offset), deref(bits)));
  return sig;
}

// uaddCarry and usubBorrow: the flag goes to the out parameter.
ir_function_signature *carry_builder(ir_expression_operation flag_op,
                                     ir_expression_operation value_op,
                                     const char *flag_name, const glsl_type *t) {
  ir_variable *x = param(t, "x");
  ir_variable *y = param(t, "y");
  ir_variable *flag = param(t, flag_name, ir_var_function_out);
  ir_function_signature *sig = make_signature(t, avail_gpu_shader5, {x, y, flag});
  ir_factory body = body_of(sig);
  assign(body, deref(flag), ir_builder_expr_binary(flag_op, deref(x), deref(y)));
  ret(body, ir_builder_expr_binary(value_op, deref(x), deref(y)));
  return sig;
}

ir_function_signature *mul_extended_builder(const glsl_type *t) {
  ir_variable *x = param(t, "x");
  ir_variable *y = param(t, "y");
  ir_variable *msb = param(t, "msb", ir_var_function_out);
  ir_variable *lsb = param(t, "lsb", ir_var_function_out);
  ir_function_signature *sig =
      make_signature(glsl_type::void_type, avail_gpu_shader5, {x, y, msb, lsb});
  ir_factory body = body_of(sig);
  assign(body, deref(msb), ir_builder_imul_high(deref(x), deref(y)));
  assign(body, deref(lsb), ir_builder_mul(deref(x), deref(y)));
  return sig;
}

void create_integer_functions() {
  const auto integers = {INT_FAMILY, UINT_FAMILY};
  add_builtin_function("bitfieldExtract", for_families(integers, bitfield_extract_builder));
  add_builtin_function("bitfieldInsert", for_families(integers, bitfield_insert_builder));
  add_builtin_function("bitfieldReverse", for_families(integers, [](const glsl_type *t) {
    return unop_builder(avail_gpu_shader5, ir_unop_bitfield_reverse, t, t);
  }));
  static const struct {
    const char *name;
    ir_expression_operation op;
  } kCounts[] = {{"bitCount", ir_unop_bit_count},
                 {"findLSB", ir_unop_find_lsb},
                 {"findMSB", ir_unop_find_msb}};
  for (const auto &c : kCounts) {
    add_builtin_function(c.name, for_families(integers, [&c](const glsl_type *t) {
      return unop_builder(avail_gpu_shader5, c.op, glsl_type::ivec(t->vector_elements), t);
    }));
  }
  add_builtin_function("fma", for_families({FLOAT_FAMILY}, [](const glsl_type *t) {
    ir_variable *a = param(t, "a");
    ir_variable *b = param(t, "b");
    ir_variable *c = param(t, "c");
    ir_function_signature *sig = make_signature(t, avail_gpu_shader5, {a, b, c});
    ir_factory body = body_of(sig);
    ret(body, ir_builder_fma(deref(a), deref(b), deref(c)));
    return sig;
  }));
  add_builtin_function("ldexp", for_families({FLOAT_FAMILY}, [](const glsl_type *t) {
    return binop_builder(ir_binop_ldexp, avail_gpu_shader5, t, t,
                         glsl_type::ivec(t->vector_elements));
  }));
  add_builtin_function("frexp", for_families({FLOAT_FAMILY}, frexp_builder));
  add_builtin_function("uaddCarry", for_families({UINT_FAMILY}, [](const glsl_type *t) {
    return carry_builder(ir_binop_carry, ir_binop_add, "carry", t);
  }));
  add_builtin_function("usubBorrow", for_families({UINT_FAMILY}, [](const glsl_type *t) {
    return carry_builder(ir_binop_borrow, ir_binop_sub, "borrow", t);
  }));
  add_builtin_function("imulExtended", for_families({INT_FAMILY}, mul_extended_builder));
  add_builtin_function("umulExtended", for_families({UINT_FAMILY}, mul_extended_builder));
}

void create_interpolation_functions() {
  add_builtin_function("interpolateAtCentroid", for_families({FLOAT_FAMILY}, [](const glsl_type *t) {
    ir_variable *interpolant = param(t, "interpolant");
    ir_function_signature *sig = make_signature(t, avail_fragment_gpu_shader5, {interpolant});
    ir_factory body = body_of(sig);
    ret(body, ir_builder_interpolate_at_centroid(deref(interpolant)));
    return sig;
  }));
  static const struct {
    const char *name, *argument;
    const glsl_type *const *argument_type;
    ir_expression_operation op;
  } kWithArgument[] = {
      {"interpolateAtOffset", "offset", &glsl_type::vec2_type, ir_binop_interpolate_at_offset},
      {"interpolateAtSample", "sample_num", &glsl_type::int_type, ir_binop_interpolate_at_sample},
  };
  for (const auto &f : kWithArgument) {
    add_builtin_function(f.name, for_families({FLOAT_FAMILY}, [&f](const glsl_type *t) {
      ir_variable *interpolant = param(t, "interpolant");
      ir_variable *argument = param(*f.argument_type, f.argument);
      ir_function_signature *sig =
          make_signature(t, avail_fragment_gpu_shader5, {interpolant, argument});
      ir_factory body = body_of(sig);
      ret(body, ir_builder_expr_binary(f.op, deref(interpolant), deref(argument)));
      return sig;
    }));
  }
}

void create_atomic_counter_functions() {
  static const struct {
    const char *name, *intrinsic;
  } kCounters[] = {{"atomicCounter", "__intrinsic_atomic_read"},
                   {"atomicCounterIncrement", "__intrinsic_atomic_increment"},
                   {"atomicCounterDecrement", "__intrinsic_atomic_predecrement"}};
  for (const auto &c : kCounters) {
    ir_variable *counter = param(glsl_type::atomic_uint_type, "atomic_counter");
    ir_function_signature *sig =
        make_signature(glsl_type::uint_type, avail_atomic_counters, {counter});
    ir_factory body = body_of(sig);
    ir_variable *result = temp(body, glsl_type::uint_type, "atomic_retval");
    emit(body, make_intrinsic_call(library_function(c.intrinsic), result, {counter}));
    ret(body, deref(result));
    add_builtin_function(c.name, {sig});
  }
}

void create_trinary_minmax() {
  static const struct {
    const char *name;
    ir_rvalue *(*value)(ir_variable *x, ir_variable *y, ir_variable *z);
  } kFunctions[] = {
      {"min3", [](ir_variable *x, ir_variable *y, ir_variable *z) -> ir_rvalue * {
         return ir_builder_min(deref(x), ir_builder_min(deref(y), deref(z)));
       }},
      {"max3", [](ir_variable *x, ir_variable *y, ir_variable *z) -> ir_rvalue * {
         return ir_builder_max(deref(x), ir_builder_max(deref(y), deref(z)));
       }},
      {"mid3", [](ir_variable *x, ir_variable *y, ir_variable *z) -> ir_rvalue * {
         return ir_builder_max(ir_builder_min(deref(x), deref(y)),
                               ir_builder_max(ir_builder_min(deref(x), deref(z)),
                                              ir_builder_min(deref(y), deref(z))));
       }},
  };
  for (const auto &f : kFunctions) {
    add_builtin_function(f.name, for_families({FLOAT_FAMILY, INT_FAMILY, UINT_FAMILY},
                                              [&f](const glsl_type *t) {
      ir_variable *x = param(t, "x");
      ir_variable *y = param(t, "y");
      ir_variable *z = param(t, "z");
      ir_function_signature *sig = make_signature(t, avail_trinary_minmax, {x, y, z});
      ir_factory body = body_of(sig);
      ret(body, f.value(x, y, z));
      return sig;
    }));
  }
}

}  // namespace

void create_geometry_functions() {
  add_builtin_function("EmitVertex", {stream_statement(true, nullptr)});
  add_builtin_function("EndPrimitive", {stream_statement(false, nullptr)});
  add_builtin_function("EmitStreamVertex", {stream_statement(true, glsl_type::uint_type),
                                            stream_statement(true, glsl_type::int_type)});
  add_builtin_function("EndStreamPrimitive", {stream_statement(false, glsl_type::uint_type),
                                              stream_statement(false, glsl_type::int_type)});
}

void create_extension_functions() {
  create_derivatives_and_noise();
  create_integer_functions();
  create_interpolation_functions();
  create_atomic_counter_functions();
  create_trinary_minmax();
}

}  // namespace builtins
