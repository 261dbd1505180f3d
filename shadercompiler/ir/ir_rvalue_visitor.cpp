#include "shadercompiler/ir/ir_rvalue_visitor.h"

ir_visitor_status ir_rvalue_base_visitor::rvalue_visit(ir_expression *ir) {
  for (unsigned i = 0; i < ir->get_num_operands(); i++)
    handle_rvalue(&ir->operands[i]);
  return visit_continue;
}

ir_visitor_status ir_rvalue_base_visitor::rvalue_visit(ir_texture *ir) {
  handle_rvalue(&ir->coordinate);
  handle_rvalue(&ir->offset);
  switch (ir_texture::num_lod_operands(ir->op)) {
    case 1:
      handle_rvalue(&ir->lod_info.lod);
      break;
    case 2:
      handle_rvalue(&ir->lod_info.grad.dPdx);
      handle_rvalue(&ir->lod_info.grad.dPdy);
      break;
    default:
      break;
  }
  return visit_continue;
}

ir_visitor_status ir_rvalue_base_visitor::rvalue_visit(ir_swizzle *ir) {
  handle_rvalue(&ir->val);
  return visit_continue;
}

ir_visitor_status ir_rvalue_base_visitor::rvalue_visit(ir_dereference_array *ir) {
  // The index is read even when the array is being written.
  bool was_in_assignee = in_assignee;
  in_assignee = false;
  handle_rvalue(&ir->array_index);
  in_assignee = was_in_assignee;
  handle_rvalue(&ir->array);
  return visit_continue;
}

ir_visitor_status ir_rvalue_base_visitor::rvalue_visit(ir_dereference_record *ir) {
  handle_rvalue(&ir->record);
  return visit_continue;
}

ir_visitor_status ir_rvalue_base_visitor::rvalue_visit(ir_assignment *ir) {
  handle_rvalue(&ir->rhs);
  handle_rvalue(&ir->condition);
  return visit_continue;
}

ir_visitor_status ir_rvalue_base_visitor::rvalue_visit(ir_call *ir) {
  foreach_in_list_safe(ir_rvalue, param, &ir->actual_parameters) {
    ir_rvalue *new_param = param;
    handle_rvalue(&new_param);
    if (new_param != param) param->replace_with(new_param);
  }
  return visit_continue;
}

ir_visitor_status ir_rvalue_base_visitor::rvalue_visit(ir_return *ir) {
  handle_rvalue(&ir->value);
  return visit_continue;
}

// A pass built on this visitor must see every rvalue, a discard's
// condition included.
ir_visitor_status ir_rvalue_base_visitor::rvalue_visit(ir_discard *ir) {
  handle_rvalue(&ir->condition);
  return visit_continue;
}

ir_visitor_status ir_rvalue_base_visitor::rvalue_visit(ir_if *ir) {
  handle_rvalue(&ir->condition);
  return visit_continue;
}

ir_visitor_status ir_rvalue_base_visitor::rvalue_visit(ir_emit_vertex *ir) {
  handle_rvalue(&ir->stream);
  return visit_continue;
}

ir_visitor_status ir_rvalue_base_visitor::rvalue_visit(ir_end_primitive *ir) {
  handle_rvalue(&ir->stream);
  return visit_continue;
}
