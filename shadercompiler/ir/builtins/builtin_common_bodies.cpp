// Bodies of the trigonometric, common and geometric built-ins that take
// more than one operation.
#include "shadercompiler/ir/builtins/builtin_availability.h"
#include "shadercompiler/ir/builtins/builtin_bodies.h"
#include "shadercompiler/ir/builtins/builtin_construction.h"

namespace builtins {
namespace {

constexpr float kHalfPi = 1.57079637f;
constexpr float kPi = 3.14159274f;

ir_rvalue *abs_of(ir_variable *x) { return ir_builder_abs(deref(x)); }

}  // namespace

ir_function_signature *unop_builder(builtin_available_predicate avail,
                                    ir_expression_operation op,
                                    const glsl_type *return_type,
                                    const glsl_type *x_type) {
  ir_variable *x = param(x_type, "x");
  ir_function_signature *sig = make_signature(return_type, avail, {x});
  ir_factory body = body_of(sig);
  ret(body, ir_builder_expr_unary(op, deref(x)));
  return sig;
}

ir_function_signature *binop_builder(ir_expression_operation op,
                                     builtin_available_predicate avail,
                                     const glsl_type *return_type,
                                     const glsl_type *x_type,
                                     const glsl_type *y_type) {
  ir_variable *x = param(x_type, "x");
  ir_variable *y = param(y_type, "y");
  ir_function_signature *sig = make_signature(return_type, avail, {x, y});
  ir_factory body = body_of(sig);
  ret(body, ir_builder_expr_binary(op, deref(x), deref(y)));
  return sig;
}

// sign(x) * (pi/2 - sqrt(1 - |x|) * (pi/2 + |x| * (a1 + |x| * (a2 + |x| * a3))))
ir_rvalue *asin_series(ir_variable *x) {
  ir_rvalue *poly = ir_builder_add(
      imm(kHalfPi),
      ir_builder_mul(abs_of(x),
                     ir_builder_add(imm(-0.214601815f),
                                    ir_builder_mul(abs_of(x),
                                                   ir_builder_add(imm(0.0865667239f),
                                                                  ir_builder_mul(abs_of(x),
                                                                                 imm(-0.0310295504f)))))));
  ir_rvalue *root = ir_builder_sqrt(ir_builder_sub(imm(1.0f), abs_of(x)));
  return ir_builder_mul(ir_builder_sign(deref(x)),
                        ir_builder_sub(imm(kHalfPi), ir_builder_mul(root, poly)));
}

// Each use of u gets a copy of its own so that no node has two parents.
void atan_series(ir_factory &body, const glsl_type *type, ir_variable *r,
                 ir_rvalue *u) {
  auto use = [u]() { return u->clone(pool(), nullptr); };
  ir_variable *x = temp(body, type, "atan_x");
  assign(body, deref(x),
         ir_builder_div(ir_builder_min(ir_builder_abs(use()), imm(1.0f)),
                        ir_builder_max(ir_builder_abs(use()), imm(1.0f))));
  ir_variable *t = temp(body, type, "atan_tmp");
  assign(body, deref(t), ir_builder_mul(deref(x), deref(x)));
  // Horner form with the signs as operations: ((-a0 t + a1) t - a2) t + ...
  ir_rvalue *poly = ir_builder_mul(imm(-0.0121323215f), deref(t));
  poly = ir_builder_mul(ir_builder_add(poly, imm(0.0536813773f)), deref(t));
  poly = ir_builder_mul(ir_builder_sub(poly, imm(0.117350318f)), deref(t));
  poly = ir_builder_mul(ir_builder_add(poly, imm(0.193892494f)), deref(t));
  poly = ir_builder_mul(ir_builder_sub(poly, imm(0.332675636f)), deref(t));
  poly = ir_builder_add(poly, imm(0.999979317f));
  assign(body, deref(t), ir_builder_mul(poly, deref(x)));
  // Beyond 1 the series ran on 1/|u|: atan(|u|) = pi/2 - atan(1/|u|).
  ir_rvalue *beyond_one = ir_builder_b2f(
      ir_builder_greater(ir_builder_abs(use()), imm(1.0f, type->vector_elements)));
  assign(body, deref(t),
         ir_builder_add(deref(t),
                        ir_builder_mul(beyond_one,
                                       ir_builder_add(ir_builder_mul(deref(t), imm(-2.0f)),
                                                      imm(kHalfPi)))));
  assign(body, deref(r), ir_builder_mul(deref(t), ir_builder_sign(use())));
}

ir_function_signature *atan_builder(const glsl_type *type) {
  ir_variable *y_over_x = param(type, "y_over_x");
  ir_function_signature *sig = make_signature(type, avail_always, {y_over_x});
  ir_factory body = body_of(sig);
  ir_variable *tmp = temp(body, type, "tmp");
  atan_series(body, type, tmp, deref(y_over_x));
  ret(body, deref(tmp));
  return sig;
}

ir_function_signature *atan2_builder(const glsl_type *type) {
  ir_variable *vec_y = param(type, "vec_y");
  ir_variable *vec_x = param(type, "vec_x");
  ir_function_signature *sig = make_signature(type, avail_always, {vec_y, vec_x});
  ir_factory body = body_of(sig);
  ir_variable *result = temp(body, type, "vec_result");
  ir_variable *r = temp(body, glsl_type::float_type, "r");
  for (unsigned i = 0; i < type->vector_elements; i++) {
    ir_variable *y = temp(body, glsl_type::float_type, "y");
    ir_variable *x = temp(body, glsl_type::float_type, "x");
    assign(body, deref(y), component(deref(vec_y), i));
    assign(body, deref(x), component(deref(vec_x), i));
    atan_series(body, glsl_type::float_type, r, ir_builder_div(deref(y), deref(x)));

    // Left half-plane: move by pi towards y's side (y = 0 counts as above).
    ir_if *half_plane = ir_builder_if_else_tree(
        ir_builder_gequal(deref(y), imm(0.0f)),
        ir_builder_assign(deref(r), ir_builder_add(deref(r), imm(kPi))),
        ir_builder_assign(deref(r), ir_builder_sub(deref(r), imm(kPi))));
    ir_if *left = ir_builder_if_tree(ir_builder_less(deref(x), imm(0.0f)), half_plane);
    // x next to nothing against y: the series' y / x is unusable there.
    ir_if *usable = ir_builder_if_else_tree(
        ir_builder_greater(ir_builder_abs(deref(x)),
                           ir_builder_mul(imm(1.0e-8f), ir_builder_abs(deref(y)))),
        left,
        ir_builder_assign(deref(r), ir_builder_mul(ir_builder_sign(deref(y)), imm(kHalfPi))));
    emit(body, usable);
    assign_component(body, result, i, deref(r));
  }
  ret(body, deref(result));
  return sig;
}

ir_function_signature *modf_builder(const glsl_type *type) {
  ir_variable *x = param(type, "x");
  ir_variable *i = param(type, "i", ir_var_function_out);
  ir_function_signature *sig = make_signature(type, avail_130_or_es300, {x, i});
  ir_factory body = body_of(sig);
  ir_variable *t = temp(body, type, "t");
  assign(body, deref(t), ir_builder_expr_unary(ir_unop_trunc, deref(x)));
  assign(body, deref(i), deref(t));
  ret(body, ir_builder_sub(deref(x), deref(t)));
  return sig;
}

ir_function_signature *clamp_builder(builtin_available_predicate avail,
                                     const glsl_type *type,
                                     const glsl_type *bound_type) {
  ir_variable *x = param(type, "x");
  ir_variable *low = param(bound_type, "minVal");
  ir_variable *high = param(bound_type, "maxVal");
  ir_function_signature *sig = make_signature(type, avail, {x, low, high});
  ir_factory body = body_of(sig);
  ret(body, ir_builder_clamp(deref(x), deref(low), deref(high)));
  return sig;
}

ir_function_signature *mix_lrp_builder(const glsl_type *type, const glsl_type *a_type) {
  ir_variable *x = param(type, "x");
  ir_variable *y = param(type, "y");
  ir_variable *a = param(a_type, "a");
  ir_function_signature *sig = make_signature(type, avail_always, {x, y, a});
  ir_factory body = body_of(sig);
  ret(body, ir_builder_mix(deref(x), deref(y), deref(a)));
  return sig;
}

ir_function_signature *mix_select_builder(builtin_available_predicate avail,
                                          const glsl_type *type,
                                          const glsl_type *a_type) {
  ir_variable *x = param(type, "x");
  ir_variable *y = param(type, "y");
  ir_variable *a = param(a_type, "a");
  ir_function_signature *sig = make_signature(type, avail, {x, y, a});
  ir_factory body = body_of(sig);
  ret(body, ir_builder_csel(deref(a), deref(y), deref(x)));
  return sig;
}

ir_function_signature *step_builder(const glsl_type *edge_type, const glsl_type *x_type) {
  ir_variable *edge = param(edge_type, "edge");
  ir_variable *x = param(x_type, "x");
  ir_function_signature *sig = make_signature(x_type, avail_always, {edge, x});
  ir_factory body = body_of(sig);
  ir_variable *t = temp(body, x_type, "t");
  if (x_type->is_scalar()) {
    assign(body, deref(t), ir_builder_b2f(ir_builder_gequal(deref(x), deref(edge))));
  } else {
    for (unsigned i = 0; i < x_type->vector_elements; i++) {
      ir_rvalue *e = edge_type->is_scalar() ? static_cast<ir_rvalue *>(deref(edge))
                                            : component(deref(edge), i);
      assign_component(body, t, i,
                       ir_builder_b2f(ir_builder_gequal(component(deref(x), i), e)));
    }
  }
  ret(body, deref(t));
  return sig;
}

ir_function_signature *smoothstep_builder(const glsl_type *edge_type,
                                          const glsl_type *x_type) {
  ir_variable *edge0 = param(edge_type, "edge0");
  ir_variable *edge1 = param(edge_type, "edge1");
  ir_variable *x = param(x_type, "x");
  ir_function_signature *sig = make_signature(x_type, avail_always, {edge0, edge1, x});
  ir_factory body = body_of(sig);
  ir_variable *t = temp(body, x_type, "t");
  assign(body, deref(t),
         ir_builder_clamp(ir_builder_div(ir_builder_sub(deref(x), deref(edge0)),
                                         ir_builder_sub(deref(edge1), deref(edge0))),
                          imm(0.0f), imm(1.0f)));
  ret(body, ir_builder_mul(deref(t),
                           ir_builder_mul(deref(t), ir_builder_sub(imm(3.0f),
                                                                   ir_builder_mul(imm(2.0f),
                                                                                  deref(t))))));
  return sig;
}

ir_function_signature *distance_builder(const glsl_type *type) {
  ir_variable *p0 = param(type, "p0");
  ir_variable *p1 = param(type, "p1");
  ir_function_signature *sig = make_signature(glsl_type::float_type, avail_always, {p0, p1});
  ir_factory body = body_of(sig);
  if (type->is_scalar()) {
    ret(body, ir_builder_abs(ir_builder_sub(deref(p0), deref(p1))));
  } else {
    ir_variable *p = temp(body, type, "p");
    assign(body, deref(p), ir_builder_sub(deref(p0), deref(p1)));
    ret(body, ir_builder_sqrt(ir_builder_dot(deref(p), deref(p))));
  }
  return sig;
}

ir_function_signature *faceforward_builder(const glsl_type *type) {
  ir_variable *n = param(type, "N");
  ir_variable *i = param(type, "I");
  ir_variable *nref = param(type, "Nref");
  ir_function_signature *sig = make_signature(type, avail_always, {n, i, nref});
  ir_factory body = body_of(sig);
  emit(body, ir_builder_if_else_tree(
                 ir_builder_less(ir_builder_dot(deref(nref), deref(i)), imm(0.0f)),
                 ir_builder_ret(deref(n)), ir_builder_ret(ir_builder_neg(deref(n)))));
  return sig;
}

ir_function_signature *refract_builder(const glsl_type *type) {
  ir_variable *i = param(type, "I");
  ir_variable *n = param(type, "N");
  ir_variable *eta = param(glsl_type::float_type, "eta");
  ir_function_signature *sig = make_signature(type, avail_always, {i, n, eta});
  ir_factory body = body_of(sig);
  ir_variable *n_dot_i = temp(body, glsl_type::float_type, "n_dot_i");
  assign(body, deref(n_dot_i), ir_builder_dot(deref(n), deref(i)));
  ir_variable *k = temp(body, glsl_type::float_type, "k");
  assign(body, deref(k),
         ir_builder_sub(imm(1.0f),
                        ir_builder_mul(deref(eta),
                                       ir_builder_mul(deref(eta),
                                                      ir_builder_sub(imm(1.0f),
                                                                     ir_builder_mul(deref(n_dot_i),
                                                                                    deref(n_dot_i)))))));
  // k < 0: total internal reflection, no refracted ray.
  ir_rvalue *refracted = ir_builder_sub(
      ir_builder_mul(deref(eta), deref(i)),
      ir_builder_mul(ir_builder_add(ir_builder_mul(deref(eta), deref(n_dot_i)),
                                    ir_builder_sqrt(deref(k))),
                     deref(n)));
  emit(body, ir_builder_if_else_tree(ir_builder_less(deref(k), imm(0.0f)),
                                     ir_builder_ret(ir_constant::zero(pool(), type)),
                                     ir_builder_ret(refracted)));
  return sig;
}

// frexp through the bits: the mantissa gets the exponent of 0.5 (so it lies
// in [0.5, 1) with x's sign) and exp = biased exponent - 126; zero stays
// zero with exp 0.
ir_function_signature *frexp_builder(const glsl_type *type) {
  const unsigned n = type->vector_elements;
  ir_variable *x = param(type, "x");
  ir_variable *exponent = param(glsl_type::ivec(n), "exp", ir_var_function_out);
  ir_function_signature *sig = make_signature(type, avail_gpu_shader5, {x, exponent});
  ir_factory body = body_of(sig);
  ir_variable *is_not_zero = temp(body, glsl_type::bvec(n), "is_not_zero");
  assign(body, deref(is_not_zero), ir_builder_nequal(ir_builder_abs(deref(x)), imm(0.0f, n)));
  assign(body, deref(exponent),
         ir_builder_rshift(ir_builder_bitcast_f2i(ir_builder_abs(deref(x))), imm_int(23)));
  assign(body, deref(exponent),
         ir_builder_add(deref(exponent),
                        ir_builder_csel(deref(is_not_zero), imm_int(-126, n), imm_int(0, n))));
  ir_variable *bits = temp(body, glsl_type::uvec(n), "bits");
  assign(body, deref(bits), ir_builder_bitcast_f2u(deref(x)));
  assign(body, deref(bits), ir_builder_bit_and(deref(bits), imm_uint(0x807FFFFFu)));
  assign(body, deref(bits),
         ir_builder_bit_or(deref(bits), ir_builder_csel(deref(is_not_zero),
                                                        imm_uint(0x3F000000u, n),
                                                        imm_uint(0u, n))));
  ret(body, ir_builder_bitcast_u2f(deref(bits)));
  return sig;
}

}  // namespace builtins
