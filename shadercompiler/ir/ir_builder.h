// One-call constructors of IR nodes, so that the built-in library and the
// lowering passes can write IR as nested expressions. Each node is made in
// the pool context of its first operand.
#pragma once

#include "shadercompiler/ir/ir.h"

// Collects emitted instructions; new temporaries are made in `mem_ctx`.
struct ir_factory {
  exec_list *instructions;
  void *mem_ctx;
};

// Swizzle patterns: four 3-bit source indices, x in the lowest bits.
constexpr unsigned ir_builder_make_swizzle(unsigned x, unsigned y, unsigned z,
                                           unsigned w) {
  return x | (y << 3) | (z << 6) | (w << 9);
}

void ir_builder_emit(ir_factory *f, ir_instruction *ir);
ir_variable *ir_builder_make_temp(ir_factory *f, const glsl_type *type,
                                  const char *name, glsl_precision precision);

ir_assignment *ir_builder_assign(ir_rvalue *lhs, ir_rvalue *rhs);
ir_assignment *ir_builder_assign_masked(ir_rvalue *lhs, ir_rvalue *rhs,
                                        unsigned write_mask);
ir_return *ir_builder_ret(ir_rvalue *value);
ir_if *ir_builder_if_tree(ir_rvalue *condition, ir_instruction *then_branch);
ir_if *ir_builder_if_else_tree(ir_rvalue *condition,
                               ir_instruction *then_branch,
                               ir_instruction *else_branch);

ir_swizzle *ir_builder_swizzle(ir_rvalue *value, unsigned pattern,
                               unsigned components);
ir_swizzle *ir_builder_swizzle_x(ir_rvalue *value);
ir_swizzle *ir_builder_swizzle_y(ir_rvalue *value);
ir_swizzle *ir_builder_swizzle_z(ir_rvalue *value);
ir_swizzle *ir_builder_swizzle_w(ir_rvalue *value);

ir_expression *ir_builder_expr_unary(ir_expression_operation op, ir_rvalue *a);
ir_expression *ir_builder_expr_binary(ir_expression_operation op, ir_rvalue *a,
                                      ir_rvalue *b);
ir_expression *ir_builder_expr_ternary(ir_expression_operation op,
                                       ir_rvalue *a, ir_rvalue *b,
                                       ir_rvalue *c);

ir_expression *ir_builder_add(ir_rvalue *a, ir_rvalue *b);
ir_expression *ir_builder_sub(ir_rvalue *a, ir_rvalue *b);
ir_expression *ir_builder_mul(ir_rvalue *a, ir_rvalue *b);
ir_expression *ir_builder_imul_high(ir_rvalue *a, ir_rvalue *b);
ir_expression *ir_builder_div(ir_rvalue *a, ir_rvalue *b);
ir_expression *ir_builder_carry(ir_rvalue *a, ir_rvalue *b);
ir_expression *ir_builder_borrow(ir_rvalue *a, ir_rvalue *b);
ir_expression *ir_builder_min(ir_rvalue *a, ir_rvalue *b);
ir_expression *ir_builder_max(ir_rvalue *a, ir_rvalue *b);
// A product for scalars, the dot product for vectors.
ir_expression *ir_builder_dot(ir_rvalue *a, ir_rvalue *b);
ir_expression *ir_builder_clamp(ir_rvalue *value, ir_rvalue *low,
                                ir_rvalue *high);
ir_expression *ir_builder_saturate(ir_rvalue *a);
ir_expression *ir_builder_abs(ir_rvalue *a);
ir_expression *ir_builder_neg(ir_rvalue *a);
ir_expression *ir_builder_sign(ir_rvalue *a);
ir_expression *ir_builder_sin(ir_rvalue *a);
ir_expression *ir_builder_cos(ir_rvalue *a);
ir_expression *ir_builder_exp(ir_rvalue *a);
ir_expression *ir_builder_log(ir_rvalue *a);
ir_expression *ir_builder_rsq(ir_rvalue *a);
ir_expression *ir_builder_sqrt(ir_rvalue *a);
ir_expression *ir_builder_equal(ir_rvalue *a, ir_rvalue *b);
ir_expression *ir_builder_nequal(ir_rvalue *a, ir_rvalue *b);
ir_expression *ir_builder_less(ir_rvalue *a, ir_rvalue *b);
ir_expression *ir_builder_greater(ir_rvalue *a, ir_rvalue *b);
ir_expression *ir_builder_gequal(ir_rvalue *a, ir_rvalue *b);
ir_expression *ir_builder_logic_not(ir_rvalue *a);
ir_expression *ir_builder_logic_and(ir_rvalue *a, ir_rvalue *b);
ir_expression *ir_builder_logic_or(ir_rvalue *a, ir_rvalue *b);
ir_expression *ir_builder_bit_and(ir_rvalue *a, ir_rvalue *b);
ir_expression *ir_builder_bit_or(ir_rvalue *a, ir_rvalue *b);
ir_expression *ir_builder_rshift(ir_rvalue *a, ir_rvalue *b);
ir_expression *ir_builder_bitcast_f2i(ir_rvalue *a);
ir_expression *ir_builder_bitcast_i2f(ir_rvalue *a);
ir_expression *ir_builder_bitcast_f2u(ir_rvalue *a);
ir_expression *ir_builder_bitcast_u2f(ir_rvalue *a);
ir_expression *ir_builder_b2i(ir_rvalue *a);
ir_expression *ir_builder_b2f(ir_rvalue *a);
ir_expression *ir_builder_interpolate_at_centroid(ir_rvalue *a);
ir_expression *ir_builder_interpolate_at_offset(ir_rvalue *a, ir_rvalue *b);
ir_expression *ir_builder_interpolate_at_sample(ir_rvalue *a, ir_rvalue *b);
ir_expression *ir_builder_fma(ir_rvalue *a, ir_rvalue *b, ir_rvalue *c);
ir_expression *ir_builder_mix(ir_rvalue *x, ir_rvalue *y, ir_rvalue *a);
ir_expression *ir_builder_csel(ir_rvalue *condition, ir_rvalue *a,
                               ir_rvalue *b);
ir_expression *ir_builder_bitfield_insert(ir_rvalue *a, ir_rvalue *b,
                                          ir_rvalue *c, ir_rvalue *d);
