// Construction services shared by the parts of the built-in library that
// write signatures and bodies. Everything is allocated in the library's
// pool, which the builder owns; none of this is used outside the library.
#pragma once

#include <initializer_list>
#include <vector>

#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/ir_builder.h"

namespace builtins {

using signature_list = std::vector<ir_function_signature *>;

// The pool context that owns every object of the library being built.
void *pool();

// A parameter variable (precision undefined) in the pool.
ir_variable *param(const glsl_type *type, const char *name,
                   ir_variable_mode mode = ir_var_function_in);
// A signature with the given return type, predicate and parameters in
// order; the caller writes its body or marks it intrinsic.
ir_function_signature *make_signature(const glsl_type *return_type,
                                      builtin_available_predicate avail,
                                      std::initializer_list<ir_variable *> params);
// Marks the signature defined and returns a builder writing its body.
ir_factory body_of(ir_function_signature *sig);
// Creates the function with the signatures in order and enters it in the
// library's symbol table.
ir_function *add_builtin_function(const char *name, const signature_list &sigs);
// A library function made earlier (the intrinsics); null when none.
ir_function *library_function(const char *name);
// A call of the intrinsic whose parameter types are exactly those of
// `params`; its value goes to `ret` (may be null). Null when the intrinsic
// has no such signature.
ir_call *make_intrinsic_call(ir_function *intrinsic, ir_variable *ret,
                             std::initializer_list<ir_variable *> params);

// Library variables read by the body of "ftransform".
ir_variable *model_view_projection_matrix();
ir_variable *vertex_position();

// Node shorthands; every node is made in the pool.
ir_dereference_variable *deref(ir_variable *var);
ir_dereference_array *column(ir_variable *matrix, int index);
ir_rvalue *component(ir_rvalue *value, unsigned index);  // value.x, .y, ...
ir_constant *imm(float value, unsigned components = 1);
ir_constant *imm_int(int value, unsigned components = 1);
ir_constant *imm_uint(unsigned value, unsigned components = 1);
// A temporary declared in the body.
ir_variable *temp(ir_factory &body, const glsl_type *type, const char *name);
void emit(ir_factory &body, ir_instruction *ir);
void assign(ir_factory &body, ir_rvalue *lhs, ir_rvalue *rhs);
void assign_component(ir_factory &body, ir_variable *lhs, unsigned index,
                      ir_rvalue *rhs);
void ret(ir_factory &body, ir_rvalue *value);

// Numeric type families: genType, genIType, genUType and genBType.
enum family { FLOAT_FAMILY, INT_FAMILY, UINT_FAMILY, BOOL_FAMILY };
const glsl_type *family_type(family f, unsigned components);

// Parts of the catalogue, in creation order.
void create_intrinsics();
void create_math_functions();
void create_matrix_and_relational_functions();
void create_texture_functions();
void create_geometry_functions();
void create_legacy_texture_functions();
void create_extension_functions();
void create_image_functions_and_barrier();

}  // namespace builtins
