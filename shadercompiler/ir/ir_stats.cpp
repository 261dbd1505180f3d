#include "shadercompiler/ir/ir_analyses.h"

namespace {

class ir_stats_counter_visitor : public ir_hierarchical_visitor {
 public:
   using ir_hierarchical_visitor::visit_leave;
  int math = 0, tex = 0, flow = 0;

  ir_visitor_status visit_leave(ir_expression *) override {
    math++;
    return visit_continue;
  }
  ir_visitor_status visit_leave(ir_assignment *ir) override {
    if (ir->rhs->as_constant() != nullptr) math++;
    return visit_continue;
  }
  ir_visitor_status visit_leave(ir_texture *) override {
    tex++;
    return visit_continue;
  }
  ir_visitor_status visit_leave(ir_discard *) override {
    tex++;
    return visit_continue;
  }
  ir_visitor_status visit_leave(ir_loop *) override {
    flow++;
    return visit_continue;
  }
  ir_visitor_status visit_leave(ir_return *) override {
    flow++;
    return visit_continue;
  }
  ir_visitor_status visit_leave(ir_if *) override {
    flow++;
    return visit_continue;
  }
};

}  // namespace

void calculate_ir_stats(exec_list *instructions, int *math, int *tex, int *flow) {
  ir_stats_counter_visitor v;
  v.run(instructions);
  *math = v.math;
  *tex = v.tex;
  *flow = v.flow;
}
