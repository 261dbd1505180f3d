// Returns outside tail position, lowered so that the inliner can turn every
// remaining return into an assignment and main ends in one place.
#include <cstring>

#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/support/ralloc.h"
#include "shadercompiler/optimizer/ir_optimization.h"

namespace {

bool contains_return(exec_list *list);

bool contains_return(ir_instruction *ir) {
  switch (ir->ir_type) {
    case ir_type_return: return true;
    case ir_type_if: {
      auto *i = static_cast<ir_if *>(ir);
      return contains_return(&i->then_instructions) || contains_return(&i->else_instructions);
    }
    case ir_type_loop:
      return contains_return(&static_cast<ir_loop *>(ir)->body_instructions);
    default: return false;
  }
}

bool contains_return(exec_list *list) {
  foreach_in_list(ir_instruction, ir, list)
    if (contains_return(ir)) return true;
  return false;
}

// Whether control never leaves the list at its end because a return ends
// every path through it.
bool always_returns(exec_list *list) {
  foreach_in_list(ir_instruction, ir, list) {
    if (ir->ir_type == ir_type_return) return true;
    if (ir_if *i = ir->as_if()) {
      if (always_returns(&i->then_instructions) && always_returns(&i->else_instructions))
        return true;
    }
  }
  return false;
}

// Both walk the statements by the links saved before each unlinking: GCC
// 12 at -O2 kept ir->next in a register across n->remove() (which writes
// it through n->prev) and looped for ever.
void remove_after(ir_instruction *ir) {
  for (exec_node *n = ir->next; !n->is_tail_sentinel();) {
    exec_node *next = n->next;
    n->remove();
    n = next;
  }
}

// Moves the statements after `ir` to the end of `target`.
void move_rest(ir_instruction *ir, exec_list *target) {
  for (exec_node *n = ir->next; !n->is_tail_sentinel();) {
    exec_node *next = n->next;
    n->remove();
    target->push_tail(n);
    n = next;
  }
}

// Code after a return is dropped, and the code after an if whose one branch
// always returns moves into its other branch; nothing changes meaning.
bool restructure(exec_list *list) {
  bool progress = false;
  foreach_in_list(ir_instruction, ir, list) {
    if (ir->ir_type == ir_type_return) {
      progress = progress || !ir->next->is_tail_sentinel();
      remove_after(ir);
      return progress;
    }
    if (ir_loop *l = ir->as_loop()) {
      progress = restructure(&l->body_instructions) || progress;
      continue;
    }
    ir_if *i = ir->as_if();
    if (i == nullptr) continue;
    progress = restructure(&i->then_instructions) || progress;
    progress = restructure(&i->else_instructions) || progress;
    const bool then_returns = always_returns(&i->then_instructions);
    const bool else_returns = always_returns(&i->else_instructions);
    if (ir->next->is_tail_sentinel() || !(then_returns || else_returns) ||
        !contains_return(ir))
      continue;
    progress = true;
    if (then_returns && else_returns) {
      remove_after(ir);
    } else if (then_returns) {
      move_rest(ir, &i->else_instructions);
      restructure(&i->else_instructions);
    } else {
      move_rest(ir, &i->then_instructions);
      restructure(&i->then_instructions);
    }
    return progress;
  }
  return progress;
}

// Whether every return of the list ends the function.
bool only_tail_returns(exec_list *list, bool tail) {
  foreach_in_list(ir_instruction, ir, list) {
    const bool last = ir->next->is_tail_sentinel();
    if (ir->ir_type == ir_type_return && !(tail && last)) return false;
    if (ir_if *i = ir->as_if()) {
      if (!only_tail_returns(&i->then_instructions, tail && last) ||
          !only_tail_returns(&i->else_instructions, tail && last))
        return false;
    }
    if (ir_loop *l = ir->as_loop(); l != nullptr && contains_return(&l->body_instructions))
      return false;
  }
  return true;
}

// Tail returns of a void function do nothing.
bool drop_void_tail_returns(exec_list *list) {
  ir_instruction *last = static_cast<ir_instruction *>(list->get_tail());
  if (last == nullptr) return false;
  if (last->ir_type == ir_type_return) {
    last->remove();
    return true;
  }
  bool progress = false;
  if (ir_if *i = last->as_if()) {
    progress = drop_void_tail_returns(&i->then_instructions) || progress;
    progress = drop_void_tail_returns(&i->else_instructions) || progress;
  }
  return progress;
}

// The flag form: every return records its value and raises the flag, and
// the code it would skip is guarded by the flag.
class flag_lowering {
 public:
  flag_lowering(void *mem, ir_function_signature *sig) : mem_(mem), sig_(sig) {}

  void run() {
    flag_ = new (mem_) ir_variable(glsl_type::bool_type, "return_flag", ir_var_temporary,
                                   glsl_precision_undefined);
    if (!sig_->return_type->is_void())
      value_ = new (mem_) ir_variable(sig_->return_type, "return_value", ir_var_temporary,
                                      sig_->precision);
    lower(&sig_->body, false);
    auto *init = new (mem_) ir_assignment(deref(flag_), new (mem_) ir_constant(false));
    sig_->body.push_head(init);
    sig_->body.push_head(flag_);
    if (value_ != nullptr) {
      sig_->body.push_head(value_);
      sig_->body.push_tail(new (mem_) ir_return(deref(value_)));
    }
  }

 private:
  ir_dereference_variable *deref(ir_variable *var) {
    return new (mem_) ir_dereference_variable(var);
  }

  void lower(exec_list *list, bool in_loop) {
    foreach_in_list(ir_instruction, ir, list) {
      if (auto *r = ir->as_return()) {
        remove_after(ir);
        if (r->value != nullptr && value_ != nullptr)
          r->insert_before(new (mem_) ir_assignment(deref(value_), r->value));
        r->insert_before(new (mem_) ir_assignment(deref(flag_), new (mem_) ir_constant(true)));
        if (in_loop) r->insert_before(new (mem_) ir_loop_jump(ir_loop_jump::jump_break));
        r->remove();
        return;
      }
      bool returns = false;
      if (ir_if *i = ir->as_if()) {
        returns = contains_return(ir);
        lower(&i->then_instructions, in_loop);
        lower(&i->else_instructions, in_loop);
      } else if (ir_loop *l = ir->as_loop()) {
        returns = contains_return(ir);
        lower(&l->body_instructions, true);
      }
      if (!returns || ir->next->is_tail_sentinel()) continue;
      if (in_loop) {
        auto *leave = new (mem_) ir_if(deref(flag_));
        leave->then_instructions.push_tail(new (mem_) ir_loop_jump(ir_loop_jump::jump_break));
        ir->insert_after(leave);
        continue;  // the loop below goes on after the new statement
      }
      auto *guard = new (mem_) ir_if(new (mem_) ir_expression(ir_unop_logic_not, deref(flag_)));
      move_rest(ir, &guard->then_instructions);
      ir->insert_after(guard);
      lower(&guard->then_instructions, false);
      return;
    }
  }

  void *mem_;
  ir_function_signature *sig_;
  ir_variable *flag_ = nullptr;
  ir_variable *value_ = nullptr;
};

}  // namespace

bool lower_returns(exec_list *instructions) {
  void *mem = ralloc_parent(instructions);
  bool progress = false;
  foreach_in_list(ir_instruction, ir, instructions) {
    ir_function *f = ir->as_function();
    if (f == nullptr) continue;
    foreach_in_list(ir_function_signature, sig, &f->signatures) {
      if (!sig->is_defined) continue;
      progress = restructure(&sig->body) || progress;
      const bool is_void = sig->return_type->is_void();
      if (!only_tail_returns(&sig->body, true)) {
        flag_lowering lowering(mem, sig);
        lowering.run();
        progress = true;
      }
      if (is_void) progress = drop_void_tail_returns(&sig->body) || progress;
    }
  }
  return progress;
}
