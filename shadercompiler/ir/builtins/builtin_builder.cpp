// The built-in library's life cycle, lookup and construction services.
#include <cstring>

#include "shadercompiler/frontend/glsl_parser_extras.h"
#include "shadercompiler/frontend/glsl_symbol_table.h"
#include "shadercompiler/ir/builtins/builtin_construction.h"
#include "shadercompiler/ir/builtins/builtin_functions.h"
#include "shadercompiler/ir/support/ralloc.h"
#include "shadercompiler/ir/support/shc_assert.h"
#include "shadercompiler/ir/support/standalone_scaffolding.h"

namespace {

struct library {
  gl_shader *shader = nullptr;
  void *pool = nullptr;
  ir_variable *model_view_projection = nullptr;
  ir_variable *vertex = nullptr;
};

library g_library;

// Frees the library at exit. The shader record is a root block of its own,
// so it is released together with the pool, or it would leak.
struct release_at_exit {
  ~release_at_exit() { builtin_builder::release(); }
} g_release_at_exit;

void create_library_variables() {
  g_library.model_view_projection = new (g_library.pool) ir_variable(
      glsl_type::mat4_type, "gl_ModelViewProjectionMatrix", ir_var_uniform,
      glsl_precision_high);
  g_library.shader->symbols->add_variable(g_library.model_view_projection);
  g_library.vertex = new (g_library.pool) ir_variable(
      glsl_type::vec4_type, "gl_Vertex", ir_var_function_in, glsl_precision_undefined);
  g_library.shader->symbols->add_variable(g_library.vertex);
}

}  // namespace

void builtin_builder::initialize() {
  if (g_library.pool != nullptr) return;
  g_library.pool = ralloc_context(nullptr);
  SHC_ASSERT(g_library.pool != NULL);
  g_library.shader = new_gl_shader(nullptr, 0, GL_VERTEX_SHADER);
  SHC_ASSERT(g_library.shader != NULL);
  g_library.shader->symbols = new (g_library.pool) glsl_symbol_table;
  create_library_variables();
  builtins::create_intrinsics();
  builtins::create_math_functions();
  builtins::create_matrix_and_relational_functions();
  builtins::create_texture_functions();
  builtins::create_geometry_functions();
  builtins::create_legacy_texture_functions();
  builtins::create_extension_functions();
  builtins::create_image_functions_and_barrier();
}

void builtin_builder::release() {
  ralloc_free(g_library.pool);
  ralloc_free(g_library.shader);
  g_library = library{};
}

bool builtin_builder::is_built() { return g_library.pool != nullptr; }

gl_shader *builtin_function_shader() { return g_library.shader; }

ir_function_signature *find_builtin_function(glsl_parse_state *state,
                                             const char *name,
                                             exec_list *actual_parameters) {
  state->uses_builtins = true;
  if (g_library.shader == nullptr) return nullptr;
  ir_function *f = g_library.shader->symbols->get_function(name);
  if (f == nullptr) return nullptr;
  return f->matching_signature_no_exact(state, actual_parameters, true);
}

namespace builtins {

void *pool() { return g_library.pool; }

ir_variable *model_view_projection_matrix() { return g_library.model_view_projection; }
ir_variable *vertex_position() { return g_library.vertex; }

ir_variable *param(const glsl_type *type, const char *name, ir_variable_mode mode) {
  return new (pool()) ir_variable(type, name, mode, glsl_precision_undefined);
}

ir_function_signature *make_signature(const glsl_type *return_type,
                                      builtin_available_predicate avail,
                                      std::initializer_list<ir_variable *> params) {
  auto *sig = new (pool())
      ir_function_signature(return_type, glsl_precision_undefined, avail);
  for (ir_variable *p : params) sig->parameters.push_tail(p);
  return sig;
}

ir_factory body_of(ir_function_signature *sig) {
  sig->is_defined = 1;
  return ir_factory{&sig->body, pool()};
}

ir_function *add_builtin_function(const char *name, const signature_list &sigs) {
  auto *f = new (pool()) ir_function(name);
  for (ir_function_signature *sig : sigs) f->add_signature(sig);
  g_library.shader->symbols->add_function(f);
  return f;
}

ir_function *library_function(const char *name) {
  return g_library.shader->symbols->get_function(name);
}

ir_call *make_intrinsic_call(ir_function *intrinsic, ir_variable *ret,
                             std::initializer_list<ir_variable *> params) {
  exec_list actuals;
  for (ir_variable *p : params) actuals.push_tail(deref(p));
  ir_function_signature *callee = intrinsic->exact_matching_signature(nullptr, &actuals);
  if (callee == nullptr) return nullptr;
  ir_dereference_variable *return_deref =
      ret != nullptr && !callee->return_type->is_void() ? deref(ret) : nullptr;
  auto *call = new (pool()) ir_call(callee, return_deref, &actuals);
  call->use_builtin = callee->is_builtin();
  return call;
}

ir_dereference_variable *deref(ir_variable *var) {
  return new (pool()) ir_dereference_variable(var);
}

ir_dereference_array *column(ir_variable *matrix, int index) {
  return new (pool()) ir_dereference_array(matrix, imm_int(index));
}

ir_rvalue *component(ir_rvalue *value, unsigned index) {
  return new (pool()) ir_swizzle(value, index, 0, 0, 0, 1);
}

ir_constant *imm(float value, unsigned components) {
  return new (pool()) ir_constant(value, components);
}
ir_constant *imm_int(int value, unsigned components) {
  return new (pool()) ir_constant(value, components);
}
ir_constant *imm_uint(unsigned value, unsigned components) {
  return new (pool()) ir_constant(value, components);
}

ir_variable *temp(ir_factory &body, const glsl_type *type, const char *name) {
  return ir_builder_make_temp(&body, type, name, glsl_precision_undefined);
}

void emit(ir_factory &body, ir_instruction *ir) { ir_builder_emit(&body, ir); }

void assign(ir_factory &body, ir_rvalue *lhs, ir_rvalue *rhs) {
  emit(body, ir_builder_assign(lhs, rhs));
}

void assign_component(ir_factory &body, ir_variable *lhs, unsigned index,
                      ir_rvalue *rhs) {
  emit(body, ir_builder_assign_masked(deref(lhs), rhs, 1u << index));
}

void ret(ir_factory &body, ir_rvalue *value) { emit(body, ir_builder_ret(value)); }

const glsl_type *family_type(family f, unsigned components) {
  switch (f) {
    case FLOAT_FAMILY: return glsl_type::vec(components);
    case INT_FAMILY: return glsl_type::ivec(components);
    case UINT_FAMILY: return glsl_type::uvec(components);
    case BOOL_FAMILY: return glsl_type::bvec(components);
  }
  return glsl_type::error_type;
}

}  // namespace builtins
