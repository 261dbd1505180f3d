#include "shadercompiler/frontend/glsl_link.h"

#include <cstring>
#include <map>
#include <vector>

#include "shadercompiler/frontend/ast_to_hir.h"
#include "shadercompiler/frontend/glsl_symbol_table.h"
#include "shadercompiler/ir/builtins/builtin_functions.h"
#include "shadercompiler/ir/ir_hierarchical_visitor.h"
#include "shadercompiler/ir/support/hash_table.h"
#include "shadercompiler/ir/support/ralloc.h"

namespace {

// Collects the built-in signatures that calls reach.
class builtin_call_finder : public ir_hierarchical_visitor {
 public:
   using ir_hierarchical_visitor::visit_enter;
  ir_visitor_status visit_enter(ir_call *call) override {
    if (call->callee->is_builtin()) found.push_back(call->callee);
    return visit_continue;
  }
  std::vector<ir_function_signature *> found;
};

// Declares the built-in variables that copied bodies read.
class builtin_declarer : public ir_hierarchical_visitor {
 public:
   using ir_hierarchical_visitor::visit;
  explicit builtin_declarer(glsl_parse_state *state) : state_(state) {}
  ir_visitor_status visit(ir_dereference_variable *deref) override {
    declare_builtin_if_needed(deref->var, state_);
    return visit_continue;
  }

 private:
  glsl_parse_state *state_;
};

// Points calls of copied signatures at the copies.
class call_retargeter : public ir_hierarchical_visitor {
 public:
   using ir_hierarchical_visitor::visit_enter;
  explicit call_retargeter(hash_table *copies) : copies_(copies) {}
  ir_visitor_status visit_enter(ir_call *call) override {
    if (auto *copy = static_cast<ir_function_signature *>(hash_table_find(copies_, call->callee)))
      call->callee = copy;
    return visit_continue;
  }

 private:
  hash_table *copies_;
};

ir_function_signature *find_main(glsl_parse_state *state) {
  ir_function *main = state->symbols->get_function("main");
  if (main == nullptr) return nullptr;
  foreach_in_list(ir_function_signature, sig, &main->signatures)
    if (sig->parameters.is_empty() && sig->is_defined) return sig;
  return nullptr;
}

// Copies the called built-in signatures into the shader; the copies stand
// on their own (no link back to the library, which a cache release frees).
void link_builtins(glsl_parse_state *state, exec_list *instructions) {
  void *mem = ir_pool(state);
  hash_table *copies = hash_table_create(0, hash_table_pointer_hash, hash_table_pointer_compare);
  // The library's own globals (ftransform reads them) become the shader's.
  glsl_symbol_table *library = builtin_function_shader()->symbols;
  for (const char *name : {"gl_ModelViewProjectionMatrix", "gl_Vertex"}) {
    ir_variable *theirs = library->get_variable(name);
    ir_variable *ours = find_variable(state, name);
    if (theirs != nullptr && ours != nullptr && ours->type == theirs->type)
      hash_table_insert(copies, ours, theirs);
  }
  std::map<const ir_function *, ir_function *> functions;
  exec_list copied_functions;
  builtin_call_finder finder;
  finder.run(instructions);
  std::vector<ir_function_signature *> pending = finder.found;
  while (!pending.empty()) {
    ir_function_signature *sig = pending.back();
    pending.pop_back();
    if (hash_table_find(copies, sig) != nullptr) continue;
    ir_function *&function = functions[sig->_function];
    if (function == nullptr) {
      function = new (mem) ir_function(sig->_function->name);
      copied_functions.push_tail(function);
    }
    ir_function_signature *copy = sig->clone(mem, copies);
    copy->origin = nullptr;
    function->add_signature(copy);
    hash_table_insert(copies, copy, sig);
    builtin_call_finder inner;
    inner.run(&copy->body);
    pending.insert(pending.end(), inner.found.begin(), inner.found.end());
  }
  builtin_declarer declarer(state);
  declarer.run(&copied_functions);
  // The copies go in front of the shader's first function.
  exec_node *first_function = nullptr;
  foreach_in_list(ir_instruction, ir, instructions) {
    if (ir->as_function() != nullptr) {
      first_function = ir;
      break;
    }
  }
  foreach_in_list(ir_function, f, &copied_functions) {
    f->remove();
    if (first_function != nullptr) first_function->insert_before(f);
    else instructions->push_tail(f);
  }
  call_retargeter retarget(copies);
  retarget.run(instructions);
  hash_table_destroy(copies);
}

}  // namespace

void glsl_link_shader(glsl_parse_state *state, exec_list *instructions) {
  ast_to_hir_state *hir = hir_state(state);
  ir_function_signature *main = find_main(state);
  if (main == nullptr) {
    const glsl_source_location nowhere{};
    glsl_error(&nowhere, state, "the shader defines no 'void main()'");
  }
  std::vector<const ir_function_signature *> reported;
  for (const hir_call_site &site : hir->calls) {
    if (site.callee->is_defined) continue;
    bool seen = false;
    for (const ir_function_signature *r : reported) seen = seen || r == site.callee;
    if (seen) continue;
    reported.push_back(site.callee);
    char *prototype = function_prototype_string(site.callee->return_type,
                                                site.callee->function_name(),
                                                &site.callee->parameters);
    glsl_error(&site.location, state, "the function '%s' is called but never defined", prototype);
    ralloc_free(prototype);
  }
  // GLSL 1.20 and ES 1.00, section 7.2: a shader that writes gl_FragColor
  // may not write gl_FragData, and the other way round.
  const glsl_source_location &color = hir->frag_color_written, &data = hir->frag_data_written;
  if (color.first_line != 0 && data.first_line != 0) {
    const bool color_later = color.first_line > data.first_line ||
                             (color.first_line == data.first_line && color.first_column > data.first_column);
    glsl_error(color_later ? &color : &data, state,
               "a shader writes either gl_FragColor or gl_FragData, not both");
  }
  detect_static_recursion(state, instructions);
  if (state->error) return;
  if (state->uses_builtins) link_builtins(state, instructions);
  exec_list body;
  body.append_list(&hir->global_initializers);
  body.append_list(&main->body);
  main->body.append_list(&body);
}
