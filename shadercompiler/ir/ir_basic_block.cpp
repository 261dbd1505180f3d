#include "shadercompiler/ir/ir_analyses.h"

namespace {

// An if that only discards does not end a block: it is how a conditional
// discard is written.
bool is_conditional_discard(ir_if *branch) {
  if (!branch->else_instructions.is_empty()) return false;
  exec_node *only = branch->then_instructions.get_head();
  return only != nullptr && only->next->is_tail_sentinel() &&
         static_cast<ir_instruction *>(only)->as_discard() != nullptr;
}

}  // namespace

void for_each_basic_block(exec_list *instructions,
                          void (*callback)(ir_instruction *first,
                                           ir_instruction *last, void *data),
                          void *data) {
  ir_instruction *leader = nullptr;
  ir_instruction *last = nullptr;
  foreach_in_list(ir_instruction, ir, instructions) {
    if (ir_function *fn = ir->as_function()) {
      foreach_in_list(ir_function_signature, sig, &fn->signatures)
        for_each_basic_block(&sig->body, callback, data);
      continue;
    }
    if (leader == nullptr) leader = ir;
    last = ir;
    if (ir_if *branch = ir->as_if()) {
      if (is_conditional_discard(branch)) continue;
      callback(leader, ir, data);
      leader = nullptr;
      for_each_basic_block(&branch->then_instructions, callback, data);
      for_each_basic_block(&branch->else_instructions, callback, data);
    } else if (ir_loop *loop = ir->as_loop()) {
      callback(leader, ir, data);
      leader = nullptr;
      for_each_basic_block(&loop->body_instructions, callback, data);
    } else if (ir->is_jump() || ir->as_call() != nullptr) {
      callback(leader, ir, data);
      leader = nullptr;
    }
  }
  if (leader != nullptr) callback(leader, last, data);
}
