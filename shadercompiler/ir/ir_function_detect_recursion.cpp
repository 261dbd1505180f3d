// Static recursion: a call graph of the shader's signatures, pruned of every
// function without callers or without callees until nothing changes; what
// is left lies on a cycle and is reported.
#include <new>

#include "shadercompiler/frontend/glsl_parser_extras.h"
#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/ir_hierarchical_visitor.h"
#include "shadercompiler/ir/support/hash_table.h"
#include "shadercompiler/ir/support/ralloc.h"
#include "shadercompiler/ir/support/shc_assert.h"

namespace {

struct function_node;

struct call_link : exec_node {
  function_node *other;
};

struct function_node {
  ir_function_signature *sig;
  exec_list callees;
  exec_list callers;
};

template <typename T>
T *pool_new(void *mem_ctx) {
  void *memory = ralloc_size(mem_ctx, sizeof(T));
  SHC_ASSERT(memory != NULL);
  return new (memory) T();
}

class has_recursion_visitor : public ir_hierarchical_visitor {
 public:
   using ir_hierarchical_visitor::visit_enter;
   using ir_hierarchical_visitor::visit_leave;
  has_recursion_visitor()
      : mem_ctx(ralloc_context(nullptr)),
        function_hash(hash_table_create(0, hash_table_pointer_hash,
                                        hash_table_pointer_compare)) {}
  ~has_recursion_visitor() override {
    hash_table_destroy(function_hash);
    ralloc_free(mem_ctx);
  }

  function_node *get_function(ir_function_signature *sig) {
    auto *f = static_cast<function_node *>(hash_table_find(function_hash, sig));
    if (f == nullptr) {
      f = pool_new<function_node>(mem_ctx);
      f->sig = sig;
      hash_table_insert(function_hash, f, sig);
    }
    return f;
  }

  ir_visitor_status visit_enter(ir_function_signature *sig) override {
    current = get_function(sig);
    return visit_continue;
  }

  ir_visitor_status visit_leave(ir_function_signature *) override {
    current = nullptr;
    return visit_continue;
  }

  ir_visitor_status visit_enter(ir_call *call) override {
    // Calls from global initialisers cannot take part in a cycle.
    if (current == nullptr) return visit_continue;
    function_node *target = get_function(call->callee);
    auto *to_callee = pool_new<call_link>(mem_ctx);
    to_callee->other = target;
    current->callees.push_tail(to_callee);
    auto *to_caller = pool_new<call_link>(mem_ctx);
    to_caller->other = current;
    target->callers.push_tail(to_caller);
    return visit_continue;
  }

  function_node *current = nullptr;
  void *mem_ctx;
  hash_table *function_hash;
  bool progress = false;
};

// Unlinks from `list` every link that points at `target`.
void destroy_links(exec_list *list, function_node *target) {
  foreach_in_list_safe(call_link, link, list) {
    if (link->other == target) link->remove();
  }
}

void prune_unlinked_function_node(const void *key, void *data, void *closure) {
  auto *f = static_cast<function_node *>(data);
  auto *visitor = static_cast<has_recursion_visitor *>(closure);
  if (!f->callers.is_empty() && !f->callees.is_empty()) return;

  while (auto *link = static_cast<call_link *>(f->callers.pop_head()))
    destroy_links(&link->other->callees, f);
  while (auto *link = static_cast<call_link *>(f->callees.pop_head()))
    destroy_links(&link->other->callers, f);
  hash_table_remove(visitor->function_hash, key);
  visitor->progress = true;
}

void report_static_recursion(const void *, void *data, void *closure) {
  auto *f = static_cast<function_node *>(data);
  auto *state = static_cast<glsl_parse_state *>(closure);
  const char *name = f->sig->function_name();
  char *proto = function_prototype_string(f->sig->return_type,
                                          name != nullptr ? name : "",
                                          &f->sig->parameters);
  glsl_source_location location{};
  glsl_error(&location, state, "function `%s' has static recursion",
             proto != nullptr ? proto : "?");
  ralloc_free(proto);
}

}  // namespace

void detect_static_recursion(glsl_parse_state *state, exec_list *instructions) {
  has_recursion_visitor v;
  if (v.mem_ctx == nullptr || v.function_hash == nullptr) return;
  v.run(instructions);
  do {
    v.progress = false;
    hash_table_call_foreach(v.function_hash, prune_unlinked_function_node, &v);
  } while (v.progress);
  hash_table_call_foreach(v.function_hash, report_static_recursion, state);
}
