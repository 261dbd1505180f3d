// Dead code: statements control never reaches, and stores nobody reads.
#include <unordered_set>

#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/ir_analyses.h"
#include "shadercompiler/ir/support/ralloc.h"
#include "shadercompiler/optimizer/ir_optimization.h"
#include "shadercompiler/optimizer/optimizer_support.h"

namespace {

bool ends_control(ir_instruction *ir) {
  if (ir->ir_type == ir_type_return || ir->ir_type == ir_type_loop_jump) return true;
  ir_discard *d = ir->as_discard();
  return d != nullptr && d->condition == nullptr;
}

bool remove_unreachable(exec_list *list) {
  bool progress = false;
  foreach_in_list(ir_instruction, ir, list) {
    if (!ends_control(ir)) continue;
    for (exec_node *n = ir->next; !n->is_tail_sentinel();) {
      exec_node *next = n->next;
      n->remove();
      progress = true;
      n = next;
    }
    break;
  }
  return progress;
}

bool remove_empty_branches(exec_list *list) {
  bool progress = false;
  foreach_in_list(ir_instruction, ir, list) {
    ir_if *i = ir->as_if();
    if (i == nullptr) continue;
    if (i->then_instructions.is_empty() && i->else_instructions.is_empty()) {
      i->remove();
      progress = true;
    } else if (i->then_instructions.is_empty()) {
      // if (c) {} else {...} reads better as if (!c) {...}.
      i->condition = new (ralloc_parent(i)) ir_expression(ir_unop_logic_not, i->condition);
      i->else_instructions.move_nodes_to(&i->then_instructions);
      progress = true;
    }
  }
  return progress;
}

unsigned count_typedecls(exec_list *instructions) {
  unsigned n = 0;
  foreach_in_list(ir_instruction, ir, instructions)
    if (ir->ir_type == ir_type_typedecl) n++;
  return n;
}

}  // namespace

bool remove_dead_code(exec_list *instructions) {
  bool progress = false;
  for_each_statement_list(instructions, [&](exec_list *list) {
    progress = remove_unreachable(list) || progress;
    progress = remove_empty_branches(list) || progress;
  });

  use_counter uses;
  uses.run(instructions);
  std::unordered_set<ir_variable *> dead;
  for (auto &[var, u] : uses.uses)
    if (u.reads == 0 && is_local_storage(var)) dead.insert(var);
  // Declarations that nothing dereferences at all are not in the table.
  for_each_statement_list(instructions, [&](exec_list *list) {
    foreach_in_list(ir_instruction, ir, list) {
      if (ir_variable *var = ir->as_variable()) {
        if (is_local_storage(var) && uses.uses.count(var) == 0) dead.insert(var);
      }
    }
  });
  if (!dead.empty()) {
    for_each_statement_list(instructions, [&](exec_list *list) {
      foreach_in_list(ir_instruction, ir, list) {
        ir_variable *var = ir->as_variable();
        if (var == nullptr) {
          ir_assignment *a = ir->as_assignment();
          if (a != nullptr) var = a->lhs->variable_referenced();
          if (a == nullptr || var == nullptr) continue;
        }
        if (dead.count(var) == 0) continue;
        ir->remove();
        progress = true;
      }
    });
  }

  const unsigned typedecls = count_typedecls(instructions);
  remove_unused_struct_declarations(instructions);
  return progress || count_typedecls(instructions) != typedecls;
}
