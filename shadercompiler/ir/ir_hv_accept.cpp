// How each node walks itself and its children for the hierarchical visitor.
#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/ir_hierarchical_visitor.h"

namespace {

// An inner child: continue-with-parent skips the parent's remaining
// children and its leave; stop ends the walk.
#define VISIT_INNER_CHILD(child, v)                  \
  do {                                               \
    ir_visitor_status s_ = (child)->accept(v);       \
    if (s_ == visit_stop) return s_;                 \
    if (s_ == visit_continue_with_parent)            \
      return visit_continue;                         \
  } while (0)

// The last child: only stop keeps the parent's leave from running.
#define VISIT_LAST_CHILD(child, v)                   \
  do {                                               \
    ir_visitor_status s_ = (child)->accept(v);       \
    if (s_ == visit_stop) return s_;                 \
  } while (0)

// A list: continue-with-parent only ends the walk of that list.
#define VISIT_LIST(list, v, statements)                              \
  do {                                                               \
    ir_visitor_status s_ = visit_list_elements(v, list, statements); \
    if (s_ == visit_stop) return s_;                                 \
  } while (0)

// The enter step of every node with children.
#define ENTER(v)                                           \
  do {                                                     \
    ir_visitor_status s_ = (v)->visit_enter(this);         \
    if (s_ != visit_continue)                              \
      return s_ == visit_continue_with_parent ? visit_continue : s_; \
  } while (0)

}  // namespace

ir_visitor_status ir_rvalue::accept(ir_hierarchical_visitor *v) { return v->visit(this); }
ir_visitor_status ir_variable::accept(ir_hierarchical_visitor *v) { return v->visit(this); }
ir_visitor_status ir_constant::accept(ir_hierarchical_visitor *v) { return v->visit(this); }
ir_visitor_status ir_loop_jump::accept(ir_hierarchical_visitor *v) { return v->visit(this); }
ir_visitor_status ir_precision_statement::accept(ir_hierarchical_visitor *v) {
  return v->visit(this);
}
ir_visitor_status ir_typedecl_statement::accept(ir_hierarchical_visitor *v) {
  return v->visit(this);
}
ir_visitor_status ir_dereference_variable::accept(ir_hierarchical_visitor *v) {
  return v->visit(this);
}

ir_visitor_status ir_loop::accept(ir_hierarchical_visitor *v) {
  ENTER(v);
  VISIT_LIST(&body_instructions, v, true);
  return v->visit_leave(this);
}

ir_visitor_status ir_function_signature::accept(ir_hierarchical_visitor *v) {
  ENTER(v);
  VISIT_LIST(&parameters, v, true);
  VISIT_LIST(&body, v, true);
  return v->visit_leave(this);
}

ir_visitor_status ir_function::accept(ir_hierarchical_visitor *v) {
  ENTER(v);
  VISIT_LIST(&signatures, v, false);
  return v->visit_leave(this);
}

ir_visitor_status ir_expression::accept(ir_hierarchical_visitor *v) {
  ENTER(v);
  for (unsigned i = 0; i < get_num_operands(); i++) {
    if (operands[i] == nullptr) continue;
    ir_visitor_status s = operands[i]->accept(v);
    if (s == visit_stop) return s;
    if (s == visit_continue_with_parent) break;
  }
  return v->visit_leave(this);
}

ir_visitor_status ir_texture::accept(ir_hierarchical_visitor *v) {
  ENTER(v);
  VISIT_INNER_CHILD(sampler, v);
  if (coordinate != nullptr) VISIT_INNER_CHILD(coordinate, v);
  if (offset != nullptr) VISIT_INNER_CHILD(offset, v);
  switch (num_lod_operands(op)) {
    case 1:
      VISIT_INNER_CHILD(lod_info.lod, v);
      break;
    case 2:
      VISIT_INNER_CHILD(lod_info.grad.dPdx, v);
      VISIT_INNER_CHILD(lod_info.grad.dPdy, v);
      break;
    default:
      break;
  }
  return v->visit_leave(this);
}

ir_visitor_status ir_swizzle::accept(ir_hierarchical_visitor *v) {
  ENTER(v);
  VISIT_LAST_CHILD(val, v);
  return v->visit_leave(this);
}

ir_visitor_status ir_dereference_array::accept(ir_hierarchical_visitor *v) {
  ENTER(v);
  // An index inside an assignee is read, not written.
  bool was_in_assignee = v->in_assignee;
  v->in_assignee = false;
  ir_visitor_status s = array_index->accept(v);
  v->in_assignee = was_in_assignee;
  if (s == visit_stop) return s;
  if (s == visit_continue_with_parent) return visit_continue;
  VISIT_LAST_CHILD(array, v);
  return v->visit_leave(this);
}

ir_visitor_status ir_dereference_record::accept(ir_hierarchical_visitor *v) {
  ENTER(v);
  VISIT_LAST_CHILD(record, v);
  return v->visit_leave(this);
}

ir_visitor_status ir_assignment::accept(ir_hierarchical_visitor *v) {
  ENTER(v);
  v->in_assignee = true;
  ir_visitor_status s = lhs->accept(v);
  v->in_assignee = false;
  if (s == visit_stop) return s;
  if (s == visit_continue_with_parent) return visit_continue;
  VISIT_INNER_CHILD(rhs, v);
  if (condition != nullptr) VISIT_LAST_CHILD(condition, v);
  return v->visit_leave(this);
}

ir_visitor_status ir_call::accept(ir_hierarchical_visitor *v) {
  ENTER(v);
  if (return_deref != nullptr) {
    v->in_assignee = true;
    ir_visitor_status s = return_deref->accept(v);
    v->in_assignee = false;
    if (s == visit_stop) return s;
    if (s == visit_continue_with_parent) return visit_continue;
  }
  VISIT_LIST(&actual_parameters, v, false);
  return v->visit_leave(this);
}

ir_visitor_status ir_return::accept(ir_hierarchical_visitor *v) {
  ENTER(v);
  if (value != nullptr) VISIT_INNER_CHILD(value, v);
  return v->visit_leave(this);
}

ir_visitor_status ir_discard::accept(ir_hierarchical_visitor *v) {
  ENTER(v);
  if (condition != nullptr) VISIT_INNER_CHILD(condition, v);
  return v->visit_leave(this);
}

ir_visitor_status ir_if::accept(ir_hierarchical_visitor *v) {
  ENTER(v);
  VISIT_INNER_CHILD(condition, v);
  ir_visitor_status s = visit_list_elements(v, &then_instructions);
  if (s == visit_stop) return s;
  if (s != visit_continue_with_parent) VISIT_LIST(&else_instructions, v, true);
  return v->visit_leave(this);
}

ir_visitor_status ir_emit_vertex::accept(ir_hierarchical_visitor *v) {
  ENTER(v);
  VISIT_INNER_CHILD(stream, v);
  return v->visit_leave(this);
}

ir_visitor_status ir_end_primitive::accept(ir_hierarchical_visitor *v) {
  ENTER(v);
  VISIT_INNER_CHILD(stream, v);
  return v->visit_leave(this);
}
