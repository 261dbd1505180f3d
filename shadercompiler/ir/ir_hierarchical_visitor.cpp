#include "shadercompiler/ir/ir_hierarchical_visitor.h"

ir_visitor_status ir_hierarchical_visitor::enter(ir_instruction *ir) {
  if (callback_enter != nullptr) callback_enter(ir, data_enter);
  return visit_continue;
}

ir_visitor_status ir_hierarchical_visitor::leave(ir_instruction *ir) {
  if (callback_leave != nullptr) callback_leave(ir, data_leave);
  return visit_continue;
}

#define LEAF(TYPE) \
  ir_visitor_status ir_hierarchical_visitor::visit(TYPE *ir) { return enter(ir); }
LEAF(ir_rvalue)
LEAF(ir_variable)
LEAF(ir_constant)
LEAF(ir_loop_jump)
LEAF(ir_precision_statement)
LEAF(ir_typedecl_statement)
LEAF(ir_dereference_variable)
#undef LEAF

#define INNER(TYPE)                                                      \
  ir_visitor_status ir_hierarchical_visitor::visit_enter(TYPE *ir) {     \
    return enter(ir);                                                    \
  }                                                                      \
  ir_visitor_status ir_hierarchical_visitor::visit_leave(TYPE *ir) {     \
    return leave(ir);                                                    \
  }
INNER(ir_loop)
INNER(ir_function_signature)
INNER(ir_function)
INNER(ir_expression)
INNER(ir_texture)
INNER(ir_swizzle)
INNER(ir_dereference_array)
INNER(ir_dereference_record)
INNER(ir_assignment)
INNER(ir_call)
INNER(ir_return)
INNER(ir_discard)
INNER(ir_if)
INNER(ir_emit_vertex)
INNER(ir_end_primitive)
#undef INNER

void ir_hierarchical_visitor::run(exec_list *instructions) {
  visit_list_elements(this, instructions, true);
}

ir_visitor_status visit_list_elements(ir_hierarchical_visitor *v,
                                      exec_list *list, bool statement_list) {
  ir_instruction *prev_base_ir = v->base_ir;
  foreach_in_list_safe(ir_instruction, ir, list) {
    if (statement_list) v->base_ir = ir;
    ir_visitor_status s = ir->accept(v);
    if (s != visit_continue) return s;
  }
  if (statement_list) v->base_ir = prev_base_ir;
  return visit_continue;
}

ir_visitor_status visit_tree(ir_instruction *ir,
                             void (*callback_enter)(ir_instruction *, void *),
                             void *data_enter,
                             void (*callback_leave)(ir_instruction *, void *),
                             void *data_leave) {
  ir_hierarchical_visitor v;
  v.callback_enter = callback_enter;
  v.callback_leave = callback_leave;
  v.data_enter = data_enter;
  v.data_leave = data_leave;
  return ir->accept(&v);
}
