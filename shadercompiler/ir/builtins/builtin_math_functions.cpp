// Angle, trigonometric, exponential, common, packing and geometric
// built-ins.
#include <limits>

#include "shadercompiler/ir/builtins/builtin_availability.h"
#include "shadercompiler/ir/builtins/builtin_bodies.h"
#include "shadercompiler/ir/builtins/builtin_construction.h"

namespace builtins {
namespace {

// One overload per member of genType; `make` builds each.
template <typename Make>
signature_list for_gen_types(Make make) {
  signature_list sigs;
  for (unsigned n = 1; n <= 4; n++) sigs.push_back(make(glsl_type::vec(n)));
  return sigs;
}

// The unary operation on genType (and on genIType when `with_int`).
void add_unary(const char *name, ir_expression_operation op,
               builtin_available_predicate avail, bool with_int = false) {
  signature_list sigs;
  for (family f : {FLOAT_FAMILY, INT_FAMILY}) {
    if (f == INT_FAMILY && !with_int) break;
    for (unsigned n = 1; n <= 4; n++) {
      const glsl_type *t = family_type(f, n);
      sigs.push_back(unop_builder(avail, op, t, t));
    }
  }
  add_builtin_function(name, sigs);
}

// A genType signature with the single parameter `name` and a body made by
// `value` from it.
template <typename Value>
ir_function_signature *gen_body(const glsl_type *t, const char *name, Value value,
                                builtin_available_predicate avail = avail_always) {
  ir_variable *x = param(t, name);
  ir_function_signature *sig = make_signature(t, avail, {x});
  ir_factory body = body_of(sig);
  ret(body, value(x));
  return sig;
}

// The seven overloads of a two-argument function whose second argument may
// be a scalar: (T, T1) for each T and (T, T) for vectors.
template <typename Make>
signature_list mixed_set(family f, Make make) {
  signature_list sigs;
  for (unsigned n = 1; n <= 4; n++) sigs.push_back(make(family_type(f, n), family_type(f, 1)));
  for (unsigned n = 2; n <= 4; n++) sigs.push_back(make(family_type(f, n), family_type(f, n)));
  return sigs;
}

void append(signature_list &to, const signature_list &from) {
  to.insert(to.end(), from.begin(), from.end());
}

void create_angle_and_trigonometry() {
  add_builtin_function("radians", for_gen_types([](const glsl_type *t) {
    return gen_body(t, "degrees", [](ir_variable *d) {
      return ir_builder_mul(deref(d), imm(0.0174532924f));
    });
  }));
  add_builtin_function("degrees", for_gen_types([](const glsl_type *t) {
    return gen_body(t, "radians", [](ir_variable *r) {
      return ir_builder_mul(deref(r), imm(57.2957802f));
    });
  }));
  add_unary("sin", ir_unop_sin, avail_always);
  add_unary("cos", ir_unop_cos, avail_always);
  add_builtin_function("tan", for_gen_types([](const glsl_type *t) {
    return gen_body(t, "theta", [](ir_variable *theta) {
      return ir_builder_div(ir_builder_sin(deref(theta)), ir_builder_cos(deref(theta)));
    });
  }));
  add_builtin_function("asin", for_gen_types([](const glsl_type *t) {
    return gen_body(t, "x", [](ir_variable *x) { return asin_series(x); });
  }));
  add_builtin_function("acos", for_gen_types([](const glsl_type *t) {
    return gen_body(t, "x", [](ir_variable *x) {
      return ir_builder_sub(imm(1.57079637f), asin_series(x));
    });
  }));
  signature_list atan = for_gen_types(atan_builder);
  append(atan, for_gen_types(atan2_builder));
  add_builtin_function("atan", atan);
}

ir_rvalue *exp_of(ir_variable *x) { return ir_builder_exp(deref(x)); }
ir_rvalue *exp_of_neg(ir_variable *x) { return ir_builder_exp(ir_builder_neg(deref(x))); }

void create_hyperbolic() {
  struct hyperbolic {
    const char *name;
    ir_rvalue *(*value)(ir_variable *x);
  };
  static const hyperbolic kTable[] = {
      {"sinh", [](ir_variable *x) -> ir_rvalue * {
         return ir_builder_mul(imm(0.5f), ir_builder_sub(exp_of(x), exp_of_neg(x)));
       }},
      {"cosh", [](ir_variable *x) -> ir_rvalue * {
         return ir_builder_mul(imm(0.5f), ir_builder_add(exp_of(x), exp_of_neg(x)));
       }},
      {"tanh", [](ir_variable *x) -> ir_rvalue * {
         return ir_builder_div(ir_builder_sub(exp_of(x), exp_of_neg(x)),
                               ir_builder_add(exp_of(x), exp_of_neg(x)));
       }},
      {"asinh", [](ir_variable *x) -> ir_rvalue * {
         ir_rvalue *root = ir_builder_sqrt(
             ir_builder_add(ir_builder_mul(deref(x), deref(x)), imm(1.0f)));
         return ir_builder_mul(ir_builder_sign(deref(x)),
                               ir_builder_log(ir_builder_add(ir_builder_abs(deref(x)), root)));
       }},
      {"acosh", [](ir_variable *x) -> ir_rvalue * {
         ir_rvalue *root = ir_builder_sqrt(
             ir_builder_sub(ir_builder_mul(deref(x), deref(x)), imm(1.0f)));
         return ir_builder_log(ir_builder_add(deref(x), root));
       }},
      {"atanh", [](ir_variable *x) -> ir_rvalue * {
         return ir_builder_mul(
             imm(0.5f), ir_builder_log(ir_builder_div(ir_builder_add(imm(1.0f), deref(x)),
                                                      ir_builder_sub(imm(1.0f), deref(x)))));
       }},
  };
  for (const hyperbolic &h : kTable) {
    add_builtin_function(h.name, for_gen_types([&h](const glsl_type *t) {
      return gen_body(t, "x", h.value, avail_130_or_es300);
    }));
  }
}

void create_exponential() {
  add_builtin_function("pow", for_gen_types([](const glsl_type *t) {
    return binop_builder(ir_binop_pow, avail_always, t, t, t);
  }));
  static const struct {
    const char *name;
    ir_expression_operation op;
  } kUnary[] = {{"exp", ir_unop_exp},   {"log", ir_unop_log},
                {"exp2", ir_unop_exp2}, {"log2", ir_unop_log2},
                {"sqrt", ir_unop_sqrt}, {"inversesqrt", ir_unop_rsq}};
  for (const auto &u : kUnary) add_unary(u.name, u.op, avail_always);
}

void create_common() {
  add_unary("abs", ir_unop_abs, avail_always, true);
  add_unary("sign", ir_unop_sign, avail_always, true);
  add_unary("floor", ir_unop_floor, avail_always);
  add_unary("trunc", ir_unop_trunc, avail_130_or_es300);
  add_unary("round", ir_unop_round_even, avail_always);
  add_unary("roundEven", ir_unop_round_even, avail_always);
  add_unary("ceil", ir_unop_ceil, avail_always);
  add_unary("fract", ir_unop_fract, avail_always);
  add_builtin_function("mod", mixed_set(FLOAT_FAMILY, [](const glsl_type *x, const glsl_type *y) {
    return binop_builder(ir_binop_mod, avail_always, x, x, y);
  }));
  add_builtin_function("modf", for_gen_types(modf_builder));

  for (auto [name, op] : {std::pair{"min", ir_binop_min}, std::pair{"max", ir_binop_max}}) {
    signature_list sigs;
    for (family f : {FLOAT_FAMILY, INT_FAMILY, UINT_FAMILY}) {
      builtin_available_predicate avail = f == UINT_FAMILY ? avail_130_or_es300 : avail_always;
      append(sigs, mixed_set(f, [&](const glsl_type *x, const glsl_type *y) {
        return binop_builder(op, avail, x, x, y);
      }));
    }
    add_builtin_function(name, sigs);
  }
  signature_list clamp;
  for (family f : {FLOAT_FAMILY, INT_FAMILY, UINT_FAMILY}) {
    builtin_available_predicate avail = f == UINT_FAMILY ? avail_130_or_es300 : avail_always;
    append(clamp, mixed_set(f, [&](const glsl_type *x, const glsl_type *bound) {
      return clamp_builder(avail, x, bound);
    }));
  }
  add_builtin_function("clamp", clamp);

  signature_list mix = mixed_set(FLOAT_FAMILY, [](const glsl_type *x, const glsl_type *a) {
    return mix_lrp_builder(x, a);
  });
  for (family f : {FLOAT_FAMILY, INT_FAMILY, UINT_FAMILY, BOOL_FAMILY}) {
    builtin_available_predicate avail = f == FLOAT_FAMILY ? avail_130_or_es300 : avail_integer_mix;
    for (unsigned n = 1; n <= 4; n++)
      mix.push_back(mix_select_builder(avail, family_type(f, n), glsl_type::bvec(n)));
  }
  add_builtin_function("mix", mix);

  // step and smoothstep take a scalar edge first, then edges of x's size.
  signature_list step, smoothstep;
  for (unsigned pass = 0; pass < 2; pass++) {
    for (unsigned n = pass == 0 ? 1 : 2; n <= 4; n++) {
      const glsl_type *edge = pass == 0 ? glsl_type::float_type : glsl_type::vec(n);
      step.push_back(step_builder(edge, glsl_type::vec(n)));
      smoothstep.push_back(smoothstep_builder(edge, glsl_type::vec(n)));
    }
  }
  add_builtin_function("step", step);
  add_builtin_function("smoothstep", smoothstep);

  add_builtin_function("isnan", for_gen_types([](const glsl_type *t) {
    ir_variable *x = param(t, "x");
    ir_function_signature *sig = make_signature(glsl_type::bvec(t->vector_elements),
                                                avail_130_or_es300, {x});
    ir_factory body = body_of(sig);
    ret(body, ir_builder_nequal(deref(x), deref(x)));
    return sig;
  }));
  add_builtin_function("isinf", for_gen_types([](const glsl_type *t) {
    ir_variable *x = param(t, "x");
    ir_function_signature *sig = make_signature(glsl_type::bvec(t->vector_elements),
                                                avail_130_or_es300, {x});
    ir_factory body = body_of(sig);
    ret(body, ir_builder_equal(ir_builder_abs(deref(x)),
                               imm(std::numeric_limits<float>::infinity(), t->vector_elements)));
    return sig;
  }));

  static const struct {
    const char *name;
    ir_expression_operation op;
    family from, to;
  } kBitCasts[] = {
      {"floatBitsToInt", ir_unop_bitcast_f2i, FLOAT_FAMILY, INT_FAMILY},
      {"floatBitsToUint", ir_unop_bitcast_f2u, FLOAT_FAMILY, UINT_FAMILY},
      {"intBitsToFloat", ir_unop_bitcast_i2f, INT_FAMILY, FLOAT_FAMILY},
      {"uintBitsToFloat", ir_unop_bitcast_u2f, UINT_FAMILY, FLOAT_FAMILY},
  };
  for (const auto &c : kBitCasts) {
    signature_list sigs;
    for (unsigned n = 1; n <= 4; n++)
      sigs.push_back(unop_builder(avail_bit_encoding, c.op, family_type(c.to, n),
                                  family_type(c.from, n)));
    add_builtin_function(c.name, sigs);
  }
}

void create_packing() {
  static const struct {
    const char *name;
    builtin_available_predicate avail;
    ir_expression_operation op;
    const glsl_type *const *unpacked;
    bool pack;
  } kTable[] = {
      {"packUnorm2x16", avail_packing_or_es300_or_gpu_shader5, ir_unop_pack_unorm_2x16, &glsl_type::vec2_type, true},
      {"packSnorm2x16", avail_packing_or_es300, ir_unop_pack_snorm_2x16, &glsl_type::vec2_type, true},
      {"packUnorm4x8", avail_packing_or_gpu_shader5, ir_unop_pack_unorm_4x8, &glsl_type::vec4_type, true},
      {"packSnorm4x8", avail_packing_or_gpu_shader5, ir_unop_pack_snorm_4x8, &glsl_type::vec4_type, true},
      {"unpackUnorm2x16", avail_packing_or_es300_or_gpu_shader5, ir_unop_unpack_unorm_2x16, &glsl_type::vec2_type, false},
      {"unpackSnorm2x16", avail_packing_or_es300, ir_unop_unpack_snorm_2x16, &glsl_type::vec2_type, false},
      {"unpackUnorm4x8", avail_packing_or_gpu_shader5, ir_unop_unpack_unorm_4x8, &glsl_type::vec4_type, false},
      {"unpackSnorm4x8", avail_packing_or_gpu_shader5, ir_unop_unpack_snorm_4x8, &glsl_type::vec4_type, false},
      {"packHalf2x16", avail_packing_or_es300, ir_unop_pack_half_2x16, &glsl_type::vec2_type, true},
      {"unpackHalf2x16", avail_packing_or_es300, ir_unop_unpack_half_2x16, &glsl_type::vec2_type, false},
  };
  for (const auto &p : kTable) {
    const glsl_type *from = p.pack ? *p.unpacked : glsl_type::uint_type;
    const glsl_type *to = p.pack ? glsl_type::uint_type : *p.unpacked;
    ir_variable *v = param(from, p.pack ? "v" : "p");
    ir_function_signature *sig = make_signature(to, p.avail, {v});
    ir_factory body = body_of(sig);
    ret(body, ir_builder_expr_unary(p.op, deref(v)));
    add_builtin_function(p.name, {sig});
  }
}

void create_geometric() {
  add_builtin_function("length", for_gen_types([](const glsl_type *t) {
    ir_variable *x = param(t, "x");
    ir_function_signature *sig = make_signature(glsl_type::float_type, avail_always, {x});
    ir_factory body = body_of(sig);
    ret(body, ir_builder_sqrt(ir_builder_dot(deref(x), deref(x))));
    return sig;
  }));
  add_builtin_function("distance", for_gen_types(distance_builder));
  add_builtin_function("dot", for_gen_types([](const glsl_type *t) {
    return binop_builder(t->is_scalar() ? ir_binop_mul : ir_binop_dot, avail_always,
                         glsl_type::float_type, t, t);
  }));
  {
    ir_variable *a = param(glsl_type::vec3_type, "a");
    ir_variable *b = param(glsl_type::vec3_type, "b");
    ir_function_signature *sig = make_signature(glsl_type::vec3_type, avail_always, {a, b});
    ir_factory body = body_of(sig);
    const unsigned yzx = ir_builder_make_swizzle(1, 2, 0, 0);
    const unsigned zxy = ir_builder_make_swizzle(2, 0, 1, 0);
    ret(body, ir_builder_sub(
                  ir_builder_mul(ir_builder_swizzle(deref(a), yzx, 3),
                                 ir_builder_swizzle(deref(b), zxy, 3)),
                  ir_builder_mul(ir_builder_swizzle(deref(a), zxy, 3),
                                 ir_builder_swizzle(deref(b), yzx, 3))));
    add_builtin_function("cross", {sig});
  }
  add_builtin_function("normalize", for_gen_types([](const glsl_type *t) {
    return gen_body(t, "x", [t](ir_variable *x) {
      return t->is_scalar() ? ir_builder_sign(deref(x))
                            : ir_builder_expr_unary(ir_unop_normalize, deref(x));
    });
  }));
  {
    ir_function_signature *sig = make_signature(glsl_type::vec4_type, avail_compat_vertex, {});
    ir_factory body = body_of(sig);
    ret(body, new (pool()) ir_expression(ir_binop_mul, glsl_type::vec4_type,
                                         deref(model_view_projection_matrix()),
                                         deref(vertex_position())));
    add_builtin_function("ftransform", {sig});
  }
  add_builtin_function("faceforward", for_gen_types(faceforward_builder));
  add_builtin_function("reflect", for_gen_types([](const glsl_type *t) {
    ir_variable *i = param(t, "I");
    ir_variable *n = param(t, "N");
    ir_function_signature *sig = make_signature(t, avail_always, {i, n});
    ir_factory body = body_of(sig);
    ret(body, ir_builder_sub(deref(i), ir_builder_mul(
                                           imm(2.0f), ir_builder_mul(ir_builder_dot(deref(n), deref(i)),
                                                                     deref(n)))));
    return sig;
  }));
  add_builtin_function("refract", for_gen_types(refract_builder));
}

}  // namespace

void create_math_functions() {
  create_angle_and_trigonometry();
  create_hyperbolic();
  create_exponential();
  create_common();
  create_packing();
  create_geometric();
}

}  // namespace builtins
