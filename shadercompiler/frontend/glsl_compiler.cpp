#include "shadercompiler/frontend/glsl_compiler.h"

#include <vector>

#include "shadercompiler/frontend/ast_to_hir.h"
#include "shadercompiler/frontend/glsl_link.h"
#include "shadercompiler/frontend/glsl_parser.h"
#include "shadercompiler/frontend/glsl_preprocessor.h"
#include "shadercompiler/frontend/glsl_symbol_table.h"
#include "shadercompiler/ir/builtins/builtin_functions.h"
#include "shadercompiler/ir/ir_hierarchical_visitor.h"
#include "shadercompiler/ir/support/ralloc.h"

namespace {

// Gives arrays declared without a size the size their largest constant
// index asks for, and every variable dereference its variable's final type.
class array_sizer : public ir_hierarchical_visitor {
 public:
   using ir_hierarchical_visitor::visit;
  ir_visitor_status visit(ir_variable *var) override {
    if (var->type->is_array() && var->type->length == 0)
      var->type = glsl_type::get_array_instance(var->type->fields.array,
                                                var->data.max_array_access + 1);
    return visit_continue;
  }
  ir_visitor_status visit(ir_dereference_variable *deref) override {
    deref->type = deref->var->type;
    return visit_continue;
  }
};

}  // namespace

void glsl_ast_to_hir(ast_translation_unit *unit, exec_list *instructions, glsl_parse_state *state) {
  add_builtin_variables(state);
  // The shader's global scope, inside the scope of the built-ins.
  state->symbols->push_scope();
  foreach_in_list(ast_node, declaration, &unit->declarations) declaration->hir(instructions, state);
  array_sizer sizer;
  sizer.run(instructions);
  sizer.run(&state->hir->global_initializers);
  apply_invariant_all(instructions, state);
}

bool glsl_compile_shader(const gl_context *ctx, gl_shader *shader, const char *source,
                         unsigned first_line) {
  ralloc_free(const_cast<char *>(shader->Source));
  ralloc_free(shader->InfoLog);
  if (shader->ir != nullptr) ralloc_free(ralloc_parent(shader->ir));
  shader->ir = nullptr;
  shader->Source = ralloc_strdup(shader, source != nullptr ? source : "");
  builtin_builder::initialize();

  void *scratch = ralloc_context(nullptr);
  auto *state = new (scratch) glsl_parse_state(shader->Stage, false, 110);
  state->ctx = ctx;
  void *ir_mem = ralloc_context(shader);
  auto *instructions = new (rzalloc<exec_list>(ir_mem)) exec_list;
  ast_to_hir_state hir;
  hir.mem_ctx = ir_mem;
  hir.toplevel = instructions;
  state->hir = &hir;

  std::vector<glsl_pp_token> tokens;
  if (glsl_preprocess(state, shader->Source, first_line, &tokens)) {
    add_builtin_types(state);
    ast_translation_unit unit;
    // Syntax errors leave a tree with holes: its semantics are not checked,
    // since most of what they would report would follow from the holes.
    if (glsl_parse(state, tokens, &unit)) {
      glsl_ast_to_hir(&unit, instructions, state);
      if (!state->error) glsl_link_shader(state, instructions);
    }
  }
  state->hir = nullptr;
  shader->Version = state->glsl_version;
  shader->IsES = state->is_es;
  shader->CompileStatus = !state->error;
  shader->InfoLog = ralloc_strdup(shader, state->info_log);
  if (shader->CompileStatus) shader->ir = instructions;
  else ralloc_free(ir_mem);
  ralloc_free(scratch);
  return shader->CompileStatus;
}

void glsl_release_compiler_caches() {
  builtin_builder::release();
  glsl_type_release_caches();
}
