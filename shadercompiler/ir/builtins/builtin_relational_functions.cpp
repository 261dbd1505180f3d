// Matrix and vector-relational built-ins.
#include "shadercompiler/ir/builtins/builtin_availability.h"
#include "shadercompiler/ir/builtins/builtin_bodies.h"
#include "shadercompiler/ir/builtins/builtin_construction.h"

namespace builtins {
namespace {

const glsl_type *const *const kMatrixTypes[] = {
    &glsl_type::mat2_type,   &glsl_type::mat3_type,   &glsl_type::mat4_type,
    &glsl_type::mat2x3_type, &glsl_type::mat2x4_type, &glsl_type::mat3x2_type,
    &glsl_type::mat3x4_type, &glsl_type::mat4x2_type, &glsl_type::mat4x3_type};

signature_list for_matrices(ir_function_signature *(*make)(const glsl_type *),
                            unsigned count = 9) {
  signature_list sigs;
  for (unsigned i = 0; i < count; i++) sigs.push_back(make(*kMatrixTypes[i]));
  return sigs;
}

void create_matrix_functions() {
  add_builtin_function("matrixCompMult", for_matrices(matrix_comp_mult_builder));
  add_builtin_function("outerProduct", for_matrices(outer_product_builder));
  add_builtin_function("determinant", for_matrices(determinant_builder, 3));
  add_builtin_function("inverse", for_matrices(inverse_builder, 3));
  add_builtin_function("transpose", for_matrices(transpose_builder));
}

// Component-wise comparison over genType and genIType (every version),
// genUType (1.30 and ES 3.00) and, for the equality tests, genBType.
void add_comparison(const char *name, ir_expression_operation op, bool with_bool) {
  signature_list sigs;
  for (family f : {FLOAT_FAMILY, INT_FAMILY, UINT_FAMILY, BOOL_FAMILY}) {
    if (f == BOOL_FAMILY && !with_bool) break;
    builtin_available_predicate avail = f == UINT_FAMILY ? avail_130_or_es300 : avail_always;
    for (unsigned n = 1; n <= 4; n++) {
      const glsl_type *t = family_type(f, n);
      sigs.push_back(binop_builder(op, avail, glsl_type::bvec(n), t, t));
    }
  }
  add_builtin_function(name, sigs);
}

ir_function_signature *all_builder(const glsl_type *type) {
  ir_variable *v = param(type, "v");
  ir_function_signature *sig = make_signature(glsl_type::bool_type, avail_always, {v});
  ir_factory body = body_of(sig);
  ir_rvalue *chain = component(deref(v), 0);
  for (unsigned i = 1; i < type->vector_elements; i++)
    chain = ir_builder_logic_and(chain, component(deref(v), i));
  ret(body, chain);
  return sig;
}

void create_relational_functions() {
  add_comparison("lessThan", ir_binop_less, false);
  add_comparison("lessThanEqual", ir_binop_lequal, false);
  add_comparison("greaterThan", ir_binop_greater, false);
  add_comparison("greaterThanEqual", ir_binop_gequal, false);
  add_comparison("notEqual", ir_binop_nequal, true);
  add_comparison("equal", ir_binop_equal, true);
  signature_list any, all, logic_not;
  for (unsigned n = 2; n <= 4; n++) {
    const glsl_type *b = glsl_type::bvec(n);
    any.push_back(unop_builder(avail_always, ir_unop_any, glsl_type::bool_type, b));
    all.push_back(all_builder(b));
    logic_not.push_back(unop_builder(avail_always, ir_unop_logic_not, b, b));
  }
  add_builtin_function("any", any);
  add_builtin_function("all", all);
  add_builtin_function("not", logic_not);
}

}  // namespace

void create_matrix_and_relational_functions() {
  create_matrix_functions();
  create_relational_functions();
}

}  // namespace builtins
