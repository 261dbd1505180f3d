#include "shadercompiler/ir/ir_builder.h"

#include "shadercompiler/ir/support/ralloc.h"

namespace {

void *context_of(const ir_instruction *first_operand) {
  return ralloc_parent(first_operand);
}

}  // namespace

void ir_builder_emit(ir_factory *f, ir_instruction *ir) {
  f->instructions->push_tail(ir);
}

ir_variable *ir_builder_make_temp(ir_factory *f, const glsl_type *type,
                                  const char *name, glsl_precision precision) {
  auto *var = new (f->mem_ctx) ir_variable(type, name, ir_var_temporary, precision);
  ir_builder_emit(f, var);
  return var;
}

ir_assignment *ir_builder_assign(ir_rvalue *lhs, ir_rvalue *rhs) {
  return ir_builder_assign_masked(lhs, rhs,
                                  (1u << lhs->type->vector_elements) - 1);
}

ir_assignment *ir_builder_assign_masked(ir_rvalue *lhs, ir_rvalue *rhs,
                                        unsigned write_mask) {
  return new (context_of(lhs)) ir_assignment(lhs, rhs, nullptr, write_mask);
}

ir_return *ir_builder_ret(ir_rvalue *value) {
  return new (context_of(value)) ir_return(value);
}

ir_if *ir_builder_if_tree(ir_rvalue *condition, ir_instruction *then_branch) {
  auto *result = new (context_of(condition)) ir_if(condition);
  result->then_instructions.push_tail(then_branch);
  return result;
}

ir_if *ir_builder_if_else_tree(ir_rvalue *condition,
                               ir_instruction *then_branch,
                               ir_instruction *else_branch) {
  ir_if *result = ir_builder_if_tree(condition, then_branch);
  result->else_instructions.push_tail(else_branch);
  return result;
}

ir_swizzle *ir_builder_swizzle(ir_rvalue *value, unsigned pattern,
                               unsigned components) {
  return new (context_of(value))
      ir_swizzle(value, pattern & 7, (pattern >> 3) & 7, (pattern >> 6) & 7,
                 (pattern >> 9) & 7, components);
}

ir_swizzle *ir_builder_swizzle_x(ir_rvalue *value) {
  return ir_builder_swizzle(value, ir_builder_make_swizzle(0, 0, 0, 0), 1);
}
ir_swizzle *ir_builder_swizzle_y(ir_rvalue *value) {
  return ir_builder_swizzle(value, ir_builder_make_swizzle(1, 1, 1, 1), 1);
}
ir_swizzle *ir_builder_swizzle_z(ir_rvalue *value) {
  return ir_builder_swizzle(value, ir_builder_make_swizzle(2, 2, 2, 2), 1);
}
ir_swizzle *ir_builder_swizzle_w(ir_rvalue *value) {
  return ir_builder_swizzle(value, ir_builder_make_swizzle(3, 3, 3, 3), 1);
}

ir_expression *ir_builder_expr_unary(ir_expression_operation op, ir_rvalue *a) {
  return new (context_of(a)) ir_expression(op, a);
}

ir_expression *ir_builder_expr_binary(ir_expression_operation op, ir_rvalue *a,
                                      ir_rvalue *b) {
  return new (context_of(a)) ir_expression(op, a, b);
}

ir_expression *ir_builder_expr_ternary(ir_expression_operation op,
                                       ir_rvalue *a, ir_rvalue *b,
                                       ir_rvalue *c) {
  return new (context_of(a)) ir_expression(op, a, b, c);
}

#define BINARY(name, op)                                          \
  ir_expression *ir_builder_##name(ir_rvalue *a, ir_rvalue *b) {  \
    return ir_builder_expr_binary(op, a, b);                      \
  }
#define UNARY(name, op)                            \
  ir_expression *ir_builder_##name(ir_rvalue *a) { \
    return ir_builder_expr_unary(op, a);           \
  }

BINARY(add, ir_binop_add)
BINARY(sub, ir_binop_sub)
BINARY(mul, ir_binop_mul)
BINARY(imul_high, ir_binop_imul_high)
BINARY(div, ir_binop_div)
BINARY(carry, ir_binop_carry)
BINARY(borrow, ir_binop_borrow)
BINARY(min, ir_binop_min)
BINARY(max, ir_binop_max)
BINARY(equal, ir_binop_equal)
BINARY(nequal, ir_binop_nequal)
BINARY(less, ir_binop_less)
BINARY(greater, ir_binop_greater)
BINARY(gequal, ir_binop_gequal)
BINARY(logic_and, ir_binop_logic_and)
BINARY(logic_or, ir_binop_logic_or)
BINARY(bit_and, ir_binop_bit_and)
BINARY(bit_or, ir_binop_bit_or)
BINARY(rshift, ir_binop_rshift)
BINARY(interpolate_at_offset, ir_binop_interpolate_at_offset)
BINARY(interpolate_at_sample, ir_binop_interpolate_at_sample)
UNARY(saturate, ir_unop_saturate)
UNARY(abs, ir_unop_abs)
UNARY(neg, ir_unop_neg)
UNARY(sign, ir_unop_sign)
UNARY(sin, ir_unop_sin)
UNARY(cos, ir_unop_cos)
UNARY(exp, ir_unop_exp)
UNARY(log, ir_unop_log)
UNARY(rsq, ir_unop_rsq)
UNARY(sqrt, ir_unop_sqrt)
UNARY(logic_not, ir_unop_logic_not)
UNARY(bitcast_f2i, ir_unop_bitcast_f2i)
UNARY(bitcast_i2f, ir_unop_bitcast_i2f)
UNARY(bitcast_f2u, ir_unop_bitcast_f2u)
UNARY(bitcast_u2f, ir_unop_bitcast_u2f)
UNARY(b2i, ir_unop_b2i)
UNARY(b2f, ir_unop_b2f)
UNARY(interpolate_at_centroid, ir_unop_interpolate_at_centroid)
#undef BINARY
#undef UNARY

ir_expression *ir_builder_dot(ir_rvalue *a, ir_rvalue *b) {
  if (a->type->vector_elements == 1) return ir_builder_mul(a, b);
  return ir_builder_expr_binary(ir_binop_dot, a, b);
}

ir_expression *ir_builder_clamp(ir_rvalue *value, ir_rvalue *low,
                                ir_rvalue *high) {
  return ir_builder_expr_ternary(ir_triop_clamp, value, low, high);
}

ir_expression *ir_builder_fma(ir_rvalue *a, ir_rvalue *b, ir_rvalue *c) {
  return ir_builder_expr_ternary(ir_triop_fma, a, b, c);
}

ir_expression *ir_builder_mix(ir_rvalue *x, ir_rvalue *y, ir_rvalue *a) {
  return ir_builder_expr_ternary(ir_triop_lrp, x, y, a);
}

ir_expression *ir_builder_csel(ir_rvalue *condition, ir_rvalue *a,
                               ir_rvalue *b) {
  return ir_builder_expr_ternary(ir_triop_csel, condition, a, b);
}

ir_expression *ir_builder_bitfield_insert(ir_rvalue *a, ir_rvalue *b,
                                          ir_rvalue *c, ir_rvalue *d) {
  return new (context_of(a))
      ir_expression(ir_quadop_bitfield_insert, a->type, a, b, c, d);
}
