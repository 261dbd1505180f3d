// Visitors that hand every rvalue slot of a node to handle_rvalue, so a pass
// can replace expressions in place by storing through the slot's address.
// The leave variant replaces bottom-up, the enter variant top-down.
#pragma once

#include "shadercompiler/ir/ir_hierarchical_visitor.h"

class ir_rvalue_base_visitor : public ir_hierarchical_visitor {
 public:
  // Called with slots that hold null too (absent operands); ignore those.
  virtual void handle_rvalue(ir_rvalue **rvalue) = 0;

 protected:
  ir_visitor_status rvalue_visit(ir_expression *);
  ir_visitor_status rvalue_visit(ir_texture *);
  ir_visitor_status rvalue_visit(ir_swizzle *);
  ir_visitor_status rvalue_visit(ir_dereference_array *);
  ir_visitor_status rvalue_visit(ir_dereference_record *);
  ir_visitor_status rvalue_visit(ir_assignment *);
  ir_visitor_status rvalue_visit(ir_call *);
  ir_visitor_status rvalue_visit(ir_return *);
  ir_visitor_status rvalue_visit(ir_discard *);
  ir_visitor_status rvalue_visit(ir_if *);
  ir_visitor_status rvalue_visit(ir_emit_vertex *);
  ir_visitor_status rvalue_visit(ir_end_primitive *);
};

#define IR_RVALUE_VISITOR_SLOTS(SLOT)                                         \
  ir_visitor_status SLOT(ir_expression *ir) override { return rvalue_visit(ir); }    \
  ir_visitor_status SLOT(ir_texture *ir) override { return rvalue_visit(ir); }       \
  ir_visitor_status SLOT(ir_swizzle *ir) override { return rvalue_visit(ir); }       \
  ir_visitor_status SLOT(ir_dereference_array *ir) override { return rvalue_visit(ir); } \
  ir_visitor_status SLOT(ir_dereference_record *ir) override { return rvalue_visit(ir); } \
  ir_visitor_status SLOT(ir_assignment *ir) override { return rvalue_visit(ir); }    \
  ir_visitor_status SLOT(ir_call *ir) override { return rvalue_visit(ir); }          \
  ir_visitor_status SLOT(ir_return *ir) override { return rvalue_visit(ir); }        \
  ir_visitor_status SLOT(ir_discard *ir) override { return rvalue_visit(ir); }       \
  ir_visitor_status SLOT(ir_if *ir) override { return rvalue_visit(ir); }            \
  ir_visitor_status SLOT(ir_emit_vertex *ir) override { return rvalue_visit(ir); }   \
  ir_visitor_status SLOT(ir_end_primitive *ir) override { return rvalue_visit(ir); }

// Hands the slots over after the node's children were walked.
class ir_rvalue_visitor : public ir_rvalue_base_visitor {
 public:
  using ir_hierarchical_visitor::visit_leave;
  IR_RVALUE_VISITOR_SLOTS(visit_leave)
};

// Hands the slots over before the node's children are walked.
class ir_rvalue_enter_visitor : public ir_rvalue_base_visitor {
 public:
  using ir_hierarchical_visitor::visit_enter;
  IR_RVALUE_VISITOR_SLOTS(visit_enter)
};

#undef IR_RVALUE_VISITOR_SLOTS
