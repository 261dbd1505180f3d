// Builders of the built-in signatures whose bodies are more than one
// operation. Each makes the parameters, the signature and its body in the
// library's pool.
#pragma once

#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/ir_builder.h"

namespace builtins {

// return op(x): the parameter is "x".
ir_function_signature *unop_builder(builtin_available_predicate avail,
                                    ir_expression_operation op,
                                    const glsl_type *return_type,
                                    const glsl_type *x_type);
// return op(x, y).
ir_function_signature *binop_builder(ir_expression_operation op,
                                     builtin_available_predicate avail,
                                     const glsl_type *return_type,
                                     const glsl_type *x_type,
                                     const glsl_type *y_type);

// Polynomial approximation of asin, |error| below 4e-4 on [-1, 1].
ir_rvalue *asin_series(ir_variable *x);
// Emits the polynomial approximation of atan(u) into `body`, result in r.
void atan_series(ir_factory &body, const glsl_type *type, ir_variable *r,
                 ir_rvalue *u);
ir_function_signature *atan_builder(const glsl_type *type);
ir_function_signature *atan2_builder(const glsl_type *type);

ir_function_signature *modf_builder(const glsl_type *type);
ir_function_signature *clamp_builder(builtin_available_predicate avail,
                                     const glsl_type *type,
                                     const glsl_type *bound_type);
ir_function_signature *mix_lrp_builder(const glsl_type *type, const glsl_type *a_type);
ir_function_signature *mix_select_builder(builtin_available_predicate avail,
                                          const glsl_type *type,
                                          const glsl_type *a_type);
ir_function_signature *step_builder(const glsl_type *edge_type, const glsl_type *x_type);
ir_function_signature *smoothstep_builder(const glsl_type *edge_type,
                                          const glsl_type *x_type);

ir_function_signature *distance_builder(const glsl_type *type);
ir_function_signature *faceforward_builder(const glsl_type *type);
ir_function_signature *refract_builder(const glsl_type *type);

ir_function_signature *matrix_comp_mult_builder(const glsl_type *type);
ir_function_signature *outer_product_builder(const glsl_type *type);
ir_function_signature *transpose_builder(const glsl_type *type);
ir_function_signature *determinant_builder(const glsl_type *type);
ir_function_signature *inverse_builder(const glsl_type *type);

ir_function_signature *frexp_builder(const glsl_type *type);

}  // namespace builtins
