// Inlining of every call, user and built-in, so that main is the one
// function left. Parameters are copied in and out through locals, which
// keeps the order of evaluation and aliasing of the call: an out argument
// is written after the body ran, never while it runs.
#include <cstring>
#include <vector>

#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/ir_hierarchical_visitor.h"
#include "shadercompiler/ir/ir_rvalue_visitor.h"
#include "shadercompiler/ir/support/hash_table.h"
#include "shadercompiler/ir/support/ralloc.h"
#include "shadercompiler/optimizer/ir_optimization.h"

namespace {

bool is_sampler_type(const glsl_type *t) {
  while (t->is_array()) t = t->fields.array;
  return t->is_sampler();
}

// Replaces reads of sampler parameters by the samplers passed.
class sampler_substitution : public ir_rvalue_visitor {
 public:
   using ir_rvalue_visitor::visit_leave;
  sampler_substitution(void *mem, ir_variable *parameter, ir_rvalue *actual)
      : mem_(mem), parameter_(parameter), actual_(actual) {}

  void handle_rvalue(ir_rvalue **rvalue) override {
    if (*rvalue == nullptr) return;
    ir_dereference_variable *d = (*rvalue)->as_dereference_variable();
    if (d != nullptr && d->var == parameter_) *rvalue = actual_->clone(mem_, nullptr);
  }
  ir_visitor_status visit_leave(ir_texture *t) override {
    ir_rvalue *sampler = t->sampler;
    handle_rvalue(&sampler);
    t->sampler = static_cast<ir_dereference *>(sampler);
    return ir_rvalue_visitor::visit_leave(t);
  }

 private:
  void *mem_;
  ir_variable *parameter_;
  ir_rvalue *actual_;
};

// Turns the tail returns of an inlined body into assignments of the value.
void replace_tail_returns(void *mem, exec_list *list, ir_dereference_variable *target) {
  ir_instruction *last = static_cast<ir_instruction *>(list->get_tail());
  if (last == nullptr) return;
  if (ir_return *r = last->as_return()) {
    if (r->value != nullptr && target != nullptr)
      r->insert_before(new (mem) ir_assignment(target->clone(mem, nullptr), r->value));
    r->remove();
    return;
  }
  if (ir_if *i = last->as_if()) {
    replace_tail_returns(mem, &i->then_instructions, target);
    replace_tail_returns(mem, &i->else_instructions, target);
  }
}

// The non-constant indices of a sampler array element, evaluated once
// before the body runs, as the call evaluated them.
ir_rvalue *stable_sampler(void *mem, ir_rvalue *actual, ir_instruction *before) {
  if (ir_dereference_array *a = actual->as_dereference_array()) {
    a->array = stable_sampler(mem, a->array, before);
    if (a->array_index->as_constant() == nullptr) {
      auto *index = new (mem) ir_variable(a->array_index->type, "sampler_index",
                                          ir_var_temporary, glsl_precision_undefined);
      before->insert_before(index);
      before->insert_before(
          new (mem) ir_assignment(new (mem) ir_dereference_variable(index), a->array_index));
      a->array_index = new (mem) ir_dereference_variable(index);
    }
  }
  return actual;
}

unsigned count_statements(exec_list *list) {
  unsigned n = 0;
  foreach_in_list(ir_instruction, ir, list) {
    n++;
    if (ir_if *i = ir->as_if())
      n += count_statements(&i->then_instructions) + count_statements(&i->else_instructions);
    else if (ir_loop *l = ir->as_loop())
      n += count_statements(&l->body_instructions);
  }
  return n;
}

class inliner {
 public:
  inliner(void *mem, unsigned budget) : mem_(mem), budget_(budget) {}

  // Inlines the calls of the list and of the lists nested in it, and of
  // the bodies it puts there. False when the budget ran out.
  bool run(exec_list *list) {
    exec_node *n = list->head_sentinel.next;
    while (!n->is_tail_sentinel()) {
      auto *ir = static_cast<ir_instruction *>(n);
      if (ir_call *c = ir->as_call()) {
        if (c->callee->is_defined && !c->callee->is_intrinsic) {
          exec_node *first = inline_call(c);
          if (first == nullptr) return false;
          n = first;
          continue;
        }
      } else if (ir_if *i = ir->as_if()) {
        if (!run(&i->then_instructions) || !run(&i->else_instructions)) return false;
      } else if (ir_loop *l = ir->as_loop()) {
        if (!run(&l->body_instructions)) return false;
      }
      n = n->next;
    }
    return true;
  }

  unsigned inlined = 0;

 private:
  // Puts the callee's body in place of the call; the first new statement,
  // or null when the budget ran out.
  exec_node *inline_call(ir_call *call) {
    ir_function_signature *callee = call->callee;
    const bool builtin = callee->is_builtin();
    const unsigned size = count_statements(&callee->body) + 2 * callee->parameters.length();
    if (size > budget_) return nullptr;
    budget_ -= size;
    inlined++;

    // A marker keeps the place: everything new goes before it.
    auto *marker = new (mem_) ir_loop_jump(ir_loop_jump::jump_break);
    call->insert_before(marker);
    exec_node *before_first = marker->prev;

    hash_table *ht = hash_table_create(0, hash_table_pointer_hash, hash_table_pointer_compare);
    struct copy_out {
      ir_variable *local;
      ir_rvalue *actual;
    };
    std::vector<copy_out> outs;
    std::vector<std::pair<ir_variable *, ir_rvalue *>> samplers;
    exec_node *actual_node = call->actual_parameters.head_sentinel.next;
    foreach_in_list(ir_variable, parameter, &callee->parameters) {
      auto *actual = static_cast<ir_rvalue *>(actual_node);
      actual_node = actual_node->next;
      if (is_sampler_type(parameter->type)) {
        samplers.emplace_back(parameter, stable_sampler(mem_, actual, marker));
        continue;
      }
      // A built-in's names are no name of the shader: its locals are the
      // compiler's temporaries.
      const ir_variable_mode local_mode = builtin ? ir_var_temporary : ir_var_auto;
      auto *local = new (mem_) ir_variable(parameter->type, parameter->name, local_mode,
                                           static_cast<glsl_precision>(parameter->data.precision));
      marker->insert_before(local);
      hash_table_insert(ht, local, parameter);
      const unsigned mode = parameter->data.mode;
      if (mode == ir_var_function_in || mode == ir_var_const_in || mode == ir_var_function_inout)
        marker->insert_before(
            new (mem_) ir_assignment(new (mem_) ir_dereference_variable(local), actual));
      if (mode == ir_var_function_out || mode == ir_var_function_inout)
        outs.push_back({local, actual});
    }

    exec_list body;
    foreach_in_list(ir_instruction, ir, &callee->body) body.push_tail(ir->clone(mem_, ht));
    hash_table_destroy(ht);
    if (builtin) {
      class temporaries : public ir_hierarchical_visitor {
       public:
         using ir_hierarchical_visitor::visit;
        ir_visitor_status visit(ir_variable *var) override {
          if (var->data.mode == ir_var_auto) var->data.mode = ir_var_temporary;
          return visit_continue;
        }
      } locals;
      locals.run(&body);
    }
    for (auto &[parameter, actual] : samplers) {
      sampler_substitution substitution(mem_, parameter, actual);
      substitution.run(&body);
    }
    replace_tail_returns(mem_, &body, call->return_deref);
    foreach_in_list(ir_instruction, ir, &body) {
      ir->remove();
      marker->insert_before(ir);
    }
    for (const copy_out &out : outs)
      marker->insert_before(new (mem_) ir_assignment(
          out.actual->clone(mem_, nullptr), new (mem_) ir_dereference_variable(out.local)));

    exec_node *first = before_first->next;
    call->remove();
    marker->remove();
    // An empty body leaves nothing: go on with the statement after it.
    return first == marker ? before_first->next : first;
  }

  void *mem_;
  unsigned budget_;
};

}  // namespace

ir_function_signature *find_main_signature(exec_list *instructions) {
  foreach_in_list(ir_instruction, ir, instructions) {
    ir_function *f = ir->as_function();
    if (f == nullptr || std::strcmp(f->name, "main") != 0) continue;
    foreach_in_list(ir_function_signature, sig, &f->signatures)
      if (sig->parameters.is_empty() && sig->is_defined) return sig;
  }
  return nullptr;
}

bool inline_calls(exec_list *instructions, unsigned statement_budget, bool *too_large) {
  *too_large = false;
  ir_function_signature *main = find_main_signature(instructions);
  if (main == nullptr) return false;
  const unsigned size = count_statements(&main->body);
  if (size > statement_budget) {
    *too_large = true;
    return false;
  }
  inliner pass(ralloc_parent(instructions), statement_budget - size);
  if (!pass.run(&main->body)) {
    *too_large = true;
    return false;
  }
  return pass.inlined != 0;
}

bool remove_uncalled_functions(exec_list *instructions) {
  bool progress = false;
  foreach_in_list(ir_instruction, ir, instructions) {
    ir_function *f = ir->as_function();
    if (f == nullptr || std::strcmp(f->name, "main") == 0) continue;
    f->remove();
    progress = true;
  }
  return progress;
}
