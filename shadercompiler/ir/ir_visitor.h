// The flat visitor: one visit per node class; recursion is the visitor's own
// business (printers and control-flow walks use it).
#pragma once

#include "shadercompiler/ir/ir.h"

class ir_visitor {
 public:
  virtual ~ir_visitor() {}

  virtual void visit(ir_rvalue *) = 0;
  virtual void visit(ir_variable *) = 0;
  virtual void visit(ir_function_signature *) = 0;
  virtual void visit(ir_function *) = 0;
  virtual void visit(ir_expression *) = 0;
  virtual void visit(ir_texture *) = 0;
  virtual void visit(ir_swizzle *) = 0;
  virtual void visit(ir_dereference_variable *) = 0;
  virtual void visit(ir_dereference_array *) = 0;
  virtual void visit(ir_dereference_record *) = 0;
  virtual void visit(ir_assignment *) = 0;
  virtual void visit(ir_constant *) = 0;
  virtual void visit(ir_call *) = 0;
  virtual void visit(ir_return *) = 0;
  virtual void visit(ir_discard *) = 0;
  virtual void visit(ir_if *) = 0;
  virtual void visit(ir_loop *) = 0;
  virtual void visit(ir_loop_jump *) = 0;
  virtual void visit(ir_precision_statement *) = 0;
  virtual void visit(ir_typedecl_statement *) = 0;
  virtual void visit(ir_emit_vertex *) = 0;
  virtual void visit(ir_end_primitive *) = 0;
};
