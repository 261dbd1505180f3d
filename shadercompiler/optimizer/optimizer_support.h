// Small analyses the optimiser's passes share.
#pragma once

#include <unordered_map>
#include <vector>

#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/ir_hierarchical_visitor.h"

// Reads and writes of every variable of a statement list (nested lists
// included). A read is any dereference outside an assignee, array indices
// inside an assignee included.
struct variable_uses {
  unsigned reads = 0;
  unsigned writes = 0;
  ir_assignment *last_write = nullptr;
};

class use_counter : public ir_hierarchical_visitor {
 public:
   using ir_hierarchical_visitor::visit;
   using ir_hierarchical_visitor::visit_enter;
   using ir_hierarchical_visitor::visit_leave;
  ir_visitor_status visit(ir_dereference_variable *d) override {
    variable_uses &u = uses[d->var];
    if (in_assignee) u.writes++;
    else u.reads++;
    return visit_continue;
  }
  ir_visitor_status visit_enter(ir_assignment *a) override {
    current_ = a;
    return visit_continue;
  }
  ir_visitor_status visit_leave(ir_assignment *a) override {
    if (ir_variable *var = a->lhs->variable_referenced()) uses[var].last_write = a;
    current_ = nullptr;
    return visit_continue;
  }

  const variable_uses &of(ir_variable *var) const {
    static const variable_uses kNone;
    auto it = uses.find(var);
    return it == uses.end() ? kNone : it->second;
  }

  std::unordered_map<ir_variable *, variable_uses> uses;

 private:
  ir_assignment *current_ = nullptr;
};

// The variables a value reads.
void collect_reads(ir_rvalue *value, std::vector<ir_variable *> *out);

// Whether the variable's value can be known by the optimiser from the
// assignments it sees: locals, globals and temporaries (not interface
// variables, whose values come from outside or go outside).
inline bool is_local_storage(const ir_variable *var) {
  return var->data.mode == ir_var_auto || var->data.mode == ir_var_temporary;
}

// Calls `f(list)` for the body of every defined function and every list
// nested in it.
template <typename F>
void for_each_statement_list(exec_list *list, F &&f) {
  f(list);
  foreach_in_list(ir_instruction, ir, list) {
    if (ir_function *fn = ir->as_function()) {
      foreach_in_list(ir_function_signature, sig, &fn->signatures)
        for_each_statement_list(&sig->body, f);
    } else if (ir_if *i = ir->as_if()) {
      for_each_statement_list(&i->then_instructions, f);
      for_each_statement_list(&i->else_instructions, f);
    } else if (ir_loop *l = ir->as_loop()) {
      for_each_statement_list(&l->body_instructions, f);
    }
  }
}

// Whether a value is cheap and safe to repeat: a constant, a variable, a
// swizzle or record field of one, or an element at a constant index.
bool is_simple_value(const ir_rvalue *value);

// `value` itself when it is simple; otherwise a new temporary, declared and
// assigned `value` just before `before`, read through the returned
// dereference. Either way the caller clones the result for every use.
ir_rvalue *evaluate_once(void *mem, ir_rvalue *value, ir_instruction *before);

// A new temporary of `type` declared before `before`.
ir_variable *declare_temporary(void *mem, const glsl_type *type, const char *name,
                               ir_instruction *before);
