// The hierarchical visitor: nodes drive the walk, calling visit_enter, then
// walking their children in a fixed order, then visit_leave. A status can
// skip the rest of a parent's children or stop the whole walk.
#pragma once

#include "shadercompiler/ir/ir.h"

class ir_hierarchical_visitor {
 public:
  ir_hierarchical_visitor() = default;
  virtual ~ir_hierarchical_visitor() = default;

  // Leaves.
  virtual ir_visitor_status visit(ir_rvalue *);
  virtual ir_visitor_status visit(ir_variable *);
  virtual ir_visitor_status visit(ir_constant *);
  virtual ir_visitor_status visit(ir_loop_jump *);
  virtual ir_visitor_status visit(ir_precision_statement *);
  virtual ir_visitor_status visit(ir_typedecl_statement *);
  virtual ir_visitor_status visit(ir_dereference_variable *);

  // Nodes with children.
  virtual ir_visitor_status visit_enter(ir_loop *);
  virtual ir_visitor_status visit_leave(ir_loop *);
  virtual ir_visitor_status visit_enter(ir_function_signature *);
  virtual ir_visitor_status visit_leave(ir_function_signature *);
  virtual ir_visitor_status visit_enter(ir_function *);
  virtual ir_visitor_status visit_leave(ir_function *);
  virtual ir_visitor_status visit_enter(ir_expression *);
  virtual ir_visitor_status visit_leave(ir_expression *);
  virtual ir_visitor_status visit_enter(ir_texture *);
  virtual ir_visitor_status visit_leave(ir_texture *);
  virtual ir_visitor_status visit_enter(ir_swizzle *);
  virtual ir_visitor_status visit_leave(ir_swizzle *);
  virtual ir_visitor_status visit_enter(ir_dereference_array *);
  virtual ir_visitor_status visit_leave(ir_dereference_array *);
  virtual ir_visitor_status visit_enter(ir_dereference_record *);
  virtual ir_visitor_status visit_leave(ir_dereference_record *);
  virtual ir_visitor_status visit_enter(ir_assignment *);
  virtual ir_visitor_status visit_leave(ir_assignment *);
  virtual ir_visitor_status visit_enter(ir_call *);
  virtual ir_visitor_status visit_leave(ir_call *);
  virtual ir_visitor_status visit_enter(ir_return *);
  virtual ir_visitor_status visit_leave(ir_return *);
  virtual ir_visitor_status visit_enter(ir_discard *);
  virtual ir_visitor_status visit_leave(ir_discard *);
  virtual ir_visitor_status visit_enter(ir_if *);
  virtual ir_visitor_status visit_leave(ir_if *);
  virtual ir_visitor_status visit_enter(ir_emit_vertex *);
  virtual ir_visitor_status visit_leave(ir_emit_vertex *);
  virtual ir_visitor_status visit_enter(ir_end_primitive *);
  virtual ir_visitor_status visit_leave(ir_end_primitive *);

  // Walks a whole statement list.
  void run(exec_list *instructions);

  // The statement being walked.
  ir_instruction *base_ir = nullptr;
  void (*callback_enter)(ir_instruction *ir, void *data) = nullptr;
  void (*callback_leave)(ir_instruction *ir, void *data) = nullptr;
  void *data_enter = nullptr;
  void *data_leave = nullptr;
  // True while the left-hand side of an assignment or a call's return
  // dereference is walked.
  bool in_assignee = false;

 protected:
  ir_visitor_status enter(ir_instruction *ir);
  ir_visitor_status leave(ir_instruction *ir);
};

// Walks a list; `statement_list` makes each node the base_ir while it is
// walked. Returns visit_continue or the first other status met.
ir_visitor_status visit_list_elements(ir_hierarchical_visitor *v,
                                      exec_list *list,
                                      bool statement_list = true);

// Walks one node with a plain visitor that calls the callbacks.
ir_visitor_status visit_tree(ir_instruction *ir,
                             void (*callback_enter)(ir_instruction *, void *),
                             void *data_enter,
                             void (*callback_leave)(ir_instruction *, void *) = nullptr,
                             void *data_leave = nullptr);
