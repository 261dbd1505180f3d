#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/ir_builder.h"
#include "shadercompiler/ir/ir_hierarchical_visitor.h"
#include "shadercompiler/ir/ir_rvalue_visitor.h"
#include "shadercompiler/ir/ir_visitor.h"
#include "shadercompiler/ir/support/ralloc.h"

namespace {

// Logs the walk as "enter T"/"leave T"/"visit T" and returns a chosen status
// for chosen nodes.
class recording_visitor : public ir_hierarchical_visitor {
 public:
   using ir_hierarchical_visitor::visit;
   using ir_hierarchical_visitor::visit_enter;
   using ir_hierarchical_visitor::visit_leave;
  std::vector<std::string> log;
  std::function<ir_visitor_status(ir_instruction *, const char *)> decide =
      [](ir_instruction *, const char *) { return visit_continue; };

#define ENTER_LEAVE(TYPE, NAME)                                     \
  ir_visitor_status visit_enter(TYPE *ir) override {                \
    log.push_back("enter " NAME);                                   \
    return decide(ir, "enter");                                     \
  }                                                                 \
  ir_visitor_status visit_leave(TYPE *ir) override {                \
    log.push_back("leave " NAME);                                   \
    return decide(ir, "leave");                                     \
  }
  ENTER_LEAVE(ir_assignment, "assign")
  ENTER_LEAVE(ir_expression, "expr")
  ENTER_LEAVE(ir_if, "if")
  ENTER_LEAVE(ir_loop, "loop")
  ENTER_LEAVE(ir_dereference_array, "array")
  ENTER_LEAVE(ir_discard, "discard")
  ENTER_LEAVE(ir_swizzle, "swizzle")
#undef ENTER_LEAVE

  ir_visitor_status visit(ir_dereference_variable *ir) override {
    log.push_back(std::string("var ") + ir->var->name +
                  (in_assignee ? " (assignee)" : ""));
    return decide(ir, "visit");
  }
  ir_visitor_status visit(ir_constant *ir) override {
    log.push_back("const");
    return decide(ir, "visit");
  }
};

class IrVisitorTest : public ::testing::Test {
 protected:
  void TearDown() override { ralloc_free(ctx); }

  ir_variable *var(const char *name, const glsl_type *type = glsl_type::float_type) {
    return new (ctx) ir_variable(type, name, ir_var_auto, glsl_precision_undefined);
  }
  ir_dereference_variable *deref(ir_variable *v) {
    return new (ctx) ir_dereference_variable(v);
  }
  ir_dereference_variable *deref(const char *name) { return deref(var(name)); }

  void *ctx = ralloc_context(nullptr);
};

TEST_F(IrVisitorTest, AssigneeFlagCoversLhsButNotItsIndex) {
  ir_variable *arr = var("arr", glsl_type::get_array_instance(glsl_type::float_type, 4));
  auto *lhs = new (ctx) ir_dereference_array(arr, deref("i"));
  exec_list body;
  body.push_tail(new (ctx) ir_assignment(lhs, ir_builder_add(deref("b"), deref("c"))));
  recording_visitor v;
  v.run(&body);
  EXPECT_EQ(v.log, (std::vector<std::string>{
                       "enter assign", "enter array", "var i", "var arr (assignee)",
                       "leave array", "enter expr", "var b", "var c", "leave expr",
                       "leave assign"}));
  EXPECT_FALSE(v.in_assignee);
}

TEST_F(IrVisitorTest, ContinueWithParentFromIfSkipsItWhole) {
  exec_list body;
  auto *branch = new (ctx) ir_if(deref("cond"));
  branch->then_instructions.push_tail(new (ctx) ir_assignment(deref("x"), deref("y")));
  body.push_tail(branch);
  body.push_tail(new (ctx) ir_discard(deref("d")));
  recording_visitor v;
  v.decide = [](ir_instruction *ir, const char *what) {
    return ir->as_if() && std::string(what) == "enter" ? visit_continue_with_parent
                                                       : visit_continue;
  };
  v.run(&body);
  EXPECT_EQ(v.log, (std::vector<std::string>{"enter if", "enter discard", "var d",
                                             "leave discard"}));
}

TEST_F(IrVisitorTest, ContinueWithParentInThenListSkipsElseList) {
  exec_list body;
  auto *branch = new (ctx) ir_if(deref("cond"));
  branch->then_instructions.push_tail(new (ctx) ir_discard());
  branch->then_instructions.push_tail(new (ctx) ir_discard(deref("later")));
  branch->else_instructions.push_tail(new (ctx) ir_discard(deref("else")));
  body.push_tail(branch);
  recording_visitor v;
  v.decide = [](ir_instruction *ir, const char *what) {
    return ir->as_discard() && std::string(what) == "leave" ? visit_continue_with_parent
                                                            : visit_continue;
  };
  v.run(&body);
  EXPECT_EQ(v.log, (std::vector<std::string>{"enter if", "var cond", "enter discard",
                                             "leave discard", "leave if"}));
}

TEST_F(IrVisitorTest, StopDeepInsideExpressionEndsWholeWalk) {
  exec_list body;
  ir_dereference_variable *target = deref("target");
  body.push_tail(new (ctx) ir_assignment(
      deref("a"), ir_builder_mul(ir_builder_add(target, deref("b")), deref("c"))));
  body.push_tail(new (ctx) ir_discard(deref("never")));
  recording_visitor v;
  v.decide = [target](ir_instruction *ir, const char *) {
    return ir == target ? visit_stop : visit_continue;
  };
  ir_visitor_status s = visit_list_elements(&v, &body);
  EXPECT_EQ(s, visit_stop);
  EXPECT_EQ(v.log.back(), "var target");
  EXPECT_EQ(v.base_ir, body.get_head());  // still names the statement
}

TEST_F(IrVisitorTest, ContinueWithParentInLoopBodyStillLeavesLoop) {
  exec_list body;
  auto *loop = new (ctx) ir_loop();
  loop->body_instructions.push_tail(new (ctx) ir_discard(deref("first")));
  loop->body_instructions.push_tail(new (ctx) ir_discard(deref("second")));
  body.push_tail(loop);
  recording_visitor v;
  v.decide = [](ir_instruction *ir, const char *what) {
    return ir->as_discard() && std::string(what) == "leave" ? visit_continue_with_parent
                                                            : visit_continue;
  };
  v.run(&body);
  EXPECT_EQ(v.log, (std::vector<std::string>{"enter loop", "enter discard", "var first",
                                             "leave discard", "leave loop"}));
}

TEST_F(IrVisitorTest, ContinueWithParentFromOperandGoesToLeave) {
  exec_list body;
  ir_dereference_variable *first = deref("first");
  body.push_tail(new (ctx) ir_return(ir_builder_add(first, deref("second"))));
  recording_visitor v;
  v.decide = [first](ir_instruction *ir, const char *) {
    return ir == first ? visit_continue_with_parent : visit_continue;
  };
  v.run(&body);
  EXPECT_EQ(v.log, (std::vector<std::string>{"enter expr", "var first", "leave expr"}));
}

// Removes every discard it meets; the walk must go on with the successor.
class discard_remover : public ir_hierarchical_visitor {
 public:
   using ir_hierarchical_visitor::visit_enter;
  int seen = 0;
  ir_visitor_status visit_enter(ir_discard *ir) override {
    seen++;
    ir->remove();
    return visit_continue_with_parent;
  }
};

TEST_F(IrVisitorTest, VisitedNodeMayBeRemoved) {
  exec_list body;
  body.push_tail(new (ctx) ir_discard());
  body.push_tail(new (ctx) ir_discard());
  body.push_tail(new (ctx) ir_return());
  body.push_tail(new (ctx) ir_discard());
  discard_remover v;
  ir_instruction *outer = new (ctx) ir_loop();
  v.base_ir = outer;
  v.run(&body);
  EXPECT_EQ(v.seen, 3);
  EXPECT_EQ(body.length(), 1u);
  EXPECT_EQ(v.base_ir, outer);
}

TEST_F(IrVisitorTest, VisitTreeCallsCallbacks) {
  ir_expression *e = ir_builder_add(deref("a"), ir_builder_neg(deref("b")));
  struct counts_t {
    int enter = 0, leave = 0;
  } counts;
  visit_tree(
      e, [](ir_instruction *, void *d) { static_cast<counts_t *>(d)->enter++; }, &counts,
      [](ir_instruction *, void *d) { static_cast<counts_t *>(d)->leave++; }, &counts);
  EXPECT_EQ(counts.enter, 4);  // two expressions, two variables
  EXPECT_EQ(counts.leave, 2);
}

// Replaces every dereference of "old" by a constant and logs the slots.
class replacer : public ir_rvalue_visitor {
 public:
  explicit replacer(void *ctx) : ctx(ctx) {}
  std::vector<std::string> seen;
  void handle_rvalue(ir_rvalue **rvalue) override {
    if (*rvalue == nullptr) return;
    if (ir_dereference_variable *d = (*rvalue)->as_dereference_variable()) {
      seen.push_back(d->var->name);
      if (std::string(d->var->name) == "old") *rvalue = new (ctx) ir_constant(5.0f);
    } else if (ir_expression *e = (*rvalue)->as_expression()) {
      seen.push_back(ir_expression::operator_string(e->operation));
    }
  }
  void *ctx;
};

TEST_F(IrVisitorTest, RvalueVisitorSeesInnerOperandsFirstAndReplaces) {
  exec_list body;
  ir_expression *inner = ir_builder_mul(deref("old"), deref("b"));
  ir_expression *outer = ir_builder_add(inner, deref("c"));
  body.push_tail(new (ctx) ir_assignment(deref("lhs"), outer));
  body.push_tail(new (ctx) ir_discard(deref("old")));
  exec_list args;
  args.push_tail(deref("old"));
  auto *sig = new (ctx) ir_function_signature(glsl_type::void_type, glsl_precision_undefined);
  auto *fn = new (ctx) ir_function("f");
  fn->add_signature(sig);
  body.push_tail(new (ctx) ir_call(sig, nullptr, &args));
  replacer r(ctx);
  r.run(&body);
  EXPECT_EQ(r.seen, (std::vector<std::string>{"old", "b", "*", "c", "+", "old", "old"}));
  EXPECT_NE(inner->operands[0]->as_constant(), nullptr);
  auto *discard = static_cast<ir_discard *>(body.get_head()->next);
  EXPECT_NE(discard->condition->as_constant(), nullptr);
  auto *call = static_cast<ir_call *>(body.get_tail());
  EXPECT_NE(static_cast<ir_instruction *>(call->actual_parameters.get_head())->as_constant(),
            nullptr);
  EXPECT_EQ(call->actual_parameters.length(), 1u);
}

class enter_logger : public ir_rvalue_enter_visitor {
 public:
  std::vector<std::string> seen;
  void handle_rvalue(ir_rvalue **rvalue) override {
    if (*rvalue == nullptr) return;
    if (ir_expression *e = (*rvalue)->as_expression())
      seen.push_back(ir_expression::operator_string(e->operation));
    else if (ir_dereference_variable *d = (*rvalue)->as_dereference_variable())
      seen.push_back(d->var->name);
  }
};

TEST_F(IrVisitorTest, RvalueEnterVisitorIsTopDown) {
  exec_list body;
  body.push_tail(new (ctx) ir_return(
      ir_builder_add(ir_builder_mul(deref("a"), deref("b")), deref("c"))));
  enter_logger v;
  v.run(&body);
  EXPECT_EQ(v.seen, (std::vector<std::string>{"+", "*", "c", "a", "b"}));
}

class counting_flat_visitor : public ir_visitor {
 public:
  int variables = 0, functions = 0, others = 0;
  void visit(ir_variable *) override { variables++; }
  void visit(ir_function *) override { functions++; }
  void visit(ir_rvalue *) override { others++; }
  void visit(ir_function_signature *) override { others++; }
  void visit(ir_expression *) override { others++; }
  void visit(ir_texture *) override { others++; }
  void visit(ir_swizzle *) override { others++; }
  void visit(ir_dereference_variable *) override { others++; }
  void visit(ir_dereference_array *) override { others++; }
  void visit(ir_dereference_record *) override { others++; }
  void visit(ir_assignment *) override { others++; }
  void visit(ir_constant *) override { others++; }
  void visit(ir_call *) override { others++; }
  void visit(ir_return *) override { others++; }
  void visit(ir_discard *) override { others++; }
  void visit(ir_if *) override { others++; }
  void visit(ir_loop *) override { others++; }
  void visit(ir_loop_jump *) override { others++; }
  void visit(ir_precision_statement *) override { others++; }
  void visit(ir_typedecl_statement *) override { others++; }
  void visit(ir_emit_vertex *) override { others++; }
  void visit(ir_end_primitive *) override { others++; }
};

TEST_F(IrVisitorTest, FlatVisitorSeesOnlyTheListItself) {
  exec_list body;
  body.push_tail(var("a"));
  body.push_tail(new (ctx) ir_function("f"));
  body.push_tail(var("b"));
  body.push_tail(new (ctx) ir_return(deref("a")));
  counting_flat_visitor v;
  visit_exec_list(&body, &v);
  EXPECT_EQ(v.variables, 2);
  EXPECT_EQ(v.functions, 1);
  EXPECT_EQ(v.others, 1);
}

}  // namespace
