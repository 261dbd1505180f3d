#include "shadercompiler/ir/ir_analyses.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "shadercompiler/ir/ir_builder.h"
#include "shadercompiler/ir/support/ralloc.h"

namespace {

class AnalysesTest : public ::testing::Test {
 protected:
  void TearDown() override { ralloc_free(ctx); }

  ir_variable *var(const char *name, const glsl_type *type = glsl_type::float_type) {
    return new (ctx) ir_variable(type, name, ir_var_auto, glsl_precision_undefined);
  }
  ir_dereference_variable *deref(ir_variable *v) {
    return new (ctx) ir_dereference_variable(v);
  }
  ir_assignment *assign(ir_variable *v, ir_rvalue *value) {
    return new (ctx) ir_assignment(deref(v), value);
  }
  ir_if *discard_if(ir_variable *cond) {
    auto *branch = new (ctx) ir_if(deref(cond));
    branch->then_instructions.push_tail(new (ctx) ir_discard());
    return branch;
  }

  std::vector<std::pair<ir_instruction *, ir_instruction *>> blocks(exec_list *list) {
    std::vector<std::pair<ir_instruction *, ir_instruction *>> found;
    for_each_basic_block(
        list,
        [](ir_instruction *first, ir_instruction *last, void *data) {
          static_cast<std::vector<std::pair<ir_instruction *, ir_instruction *>> *>(data)
              ->push_back({first, last});
        },
        &found);
    return found;
  }

  void *ctx = ralloc_context(nullptr);
};

TEST_F(AnalysesTest, ConditionalDiscardDoesNotSplitABlock) {
  ir_variable *a = var("a"), *b = var("b"), *c = var("c", glsl_type::bool_type);
  exec_list list;
  ir_assignment *first = assign(a, new (ctx) ir_constant(1.0f));
  list.push_tail(first);
  list.push_tail(discard_if(c));
  ir_assignment *last = assign(b, new (ctx) ir_constant(2.0f));
  list.push_tail(last);
  auto found = blocks(&list);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].first, first);
  EXPECT_EQ(found[0].second, last);

  exec_list empty;
  EXPECT_TRUE(blocks(&empty).empty());
}

TEST_F(AnalysesTest, IfsLoopsJumpsAndFunctionsShapeBlocks) {
  ir_variable *a = var("a"), *x = var("x"), *c = var("c", glsl_type::bool_type);
  exec_list list;
  ir_assignment *s1 = assign(a, new (ctx) ir_constant(1.0f));
  list.push_tail(s1);
  auto *fn = new (ctx) ir_function("f");
  auto *sig = new (ctx) ir_function_signature(glsl_type::void_type, glsl_precision_undefined);
  fn->add_signature(sig);
  ir_return *ret = new (ctx) ir_return();
  sig->body.push_tail(ret);
  list.push_tail(fn);
  ir_assignment *s2 = assign(a, new (ctx) ir_constant(2.0f));
  list.push_tail(s2);
  ir_if *branch = discard_if(c);
  ir_assignment *inner = assign(x, new (ctx) ir_constant(1.0f));
  branch->then_instructions.push_tail(inner);
  list.push_tail(branch);
  auto *loop = new (ctx) ir_loop();
  ir_loop_jump *brk = new (ctx) ir_loop_jump(ir_loop_jump::jump_break);
  loop->body_instructions.push_tail(brk);
  list.push_tail(loop);
  ir_assignment *tail = assign(a, new (ctx) ir_constant(3.0f));
  list.push_tail(tail);

  auto found = blocks(&list);
  using block = std::pair<ir_instruction *, ir_instruction *>;
  auto *then_discard = static_cast<ir_instruction *>(branch->then_instructions.get_head());
  EXPECT_EQ(found, (std::vector<block>{{ret, ret}, {s1, branch}, {then_discard, then_discard},
                                       {inner, inner}, {loop, loop}, {brk, brk},
                                       {tail, tail}}));
}

TEST_F(AnalysesTest, SelfIncrementCountsAsDead) {
  ir_variable *x = var("x");
  ir_variable *y = var("y");
  exec_list list;
  list.push_tail(x);
  list.push_tail(y);
  list.push_tail(assign(x, ir_builder_add(deref(x), new (ctx) ir_constant(1.0f))));
  ir_assignment *to_y = assign(y, deref(x));
  list.push_tail(to_y);
  list.push_tail(assign(y, deref(y)));

  auto *fn = new (ctx) ir_function("f");
  auto *sig = new (ctx) ir_function_signature(glsl_type::void_type, glsl_precision_undefined);
  ir_variable *param = new (ctx) ir_variable(glsl_type::float_type, "p", ir_var_function_in,
                                             glsl_precision_undefined);
  sig->parameters.push_tail(param);
  sig->body.push_tail(assign(y, deref(param)));
  fn->add_signature(sig);
  list.push_tail(fn);

  ir_variable_refcount_visitor v;
  v.run(&list);
  ir_variable_refcount_entry *ex = v.find_variable_entry(x);
  ASSERT_NE(ex, nullptr);
  EXPECT_TRUE(ex->declaration);
  EXPECT_EQ(ex->referenced_count, 3u);  // write, self-read, read into y
  EXPECT_EQ(ex->referenced_count_excluding_self, 2u);
  EXPECT_EQ(ex->assigned_count, 1u);
  ir_variable_refcount_entry *ey = v.find_variable_entry(y);
  EXPECT_EQ(ey->assigned_count, 3u);
  EXPECT_EQ(ey->assign, to_y);
  EXPECT_EQ(ey->referenced_count, 4u);
  EXPECT_EQ(ey->referenced_count_excluding_self, 3u);
  ir_variable_refcount_entry *ep = v.find_variable_entry(param);
  ASSERT_NE(ep, nullptr);
  EXPECT_FALSE(ep->declaration);
  EXPECT_EQ(ep->referenced_count, 1u);
  EXPECT_EQ(v.find_variable_entry(var("never")), nullptr);
}

TEST_F(AnalysesTest, RefcountTableGrowsWithManyVariables) {
  exec_list list;
  std::vector<ir_variable *> vars;
  for (int i = 0; i < 300; i++) {
    vars.push_back(var("v"));
    list.push_tail(vars.back());
  }
  ir_variable_refcount_visitor v;
  v.run(&list);
  for (ir_variable *each : vars) {
    ASSERT_NE(v.find_variable_entry(each), nullptr);
    EXPECT_TRUE(v.find_variable_entry(each)->declaration);
  }
}

TEST_F(AnalysesTest, StatisticsCountMathTextureAndFlow) {
  ir_variable *x = var("x", glsl_type::vec4_type), *y = var("y", glsl_type::vec4_type);
  ir_variable *c = var("c", glsl_type::bool_type);
  ir_variable *s = new (ctx) ir_variable(glsl_type::sampler2D_type, "s", ir_var_uniform,
                                         glsl_precision_undefined);
  exec_list list;
  list.push_tail(discard_if(c));
  auto *tex = new (ctx) ir_texture(ir_tex);
  tex->set_sampler(deref(s), glsl_type::vec4_type);
  tex->coordinate = new (ctx) ir_constant(0.5f, 2);
  list.push_tail(assign(x, tex));
  list.push_tail(assign(y, ir_builder_mul(deref(x), new (ctx) ir_constant(2.0f))));
  int math = -1, texture = -1, flow = -1;
  calculate_ir_stats(&list, &math, &texture, &flow);
  EXPECT_EQ(math, 1);
  EXPECT_EQ(texture, 2);
  EXPECT_EQ(flow, 1);
  list.push_tail(assign(y, new (ctx) ir_constant(1.0f, 4)));
  calculate_ir_stats(&list, &math, &texture, &flow);
  EXPECT_EQ(math, 2);
}

glsl_struct_field field(const glsl_type *type, const char *name) {
  return glsl_struct_field{type, name, glsl_precision_undefined, -1, 0, 0, 0, 0};
}

TEST_F(AnalysesTest, UnusedRecordDeclarationsGo) {
  glsl_struct_field s_fields[] = {field(glsl_type::float_type, "a")};
  const glsl_type *S = glsl_type::get_record_instance(s_fields, 1, "UnusedS");
  const glsl_type *T = glsl_type::get_record_instance(s_fields, 1, "ArrayT");
  const glsl_type *Inner = glsl_type::get_record_instance(s_fields, 1, "Inner");
  glsl_struct_field outer_fields[] = {field(glsl_type::get_array_instance(Inner, 2), "in")};
  const glsl_type *Outer = glsl_type::get_record_instance(outer_fields, 1, "Outer");
  const glsl_type *Ret = glsl_type::get_record_instance(s_fields, 1, "Ret");
  const glsl_type *Konst = glsl_type::get_record_instance(s_fields, 1, "Konst");

  exec_list list;
  ir_typedecl_statement *decl[6];
  const glsl_type *types[6] = {S, T, Inner, Outer, Ret, Konst};
  for (int i = 0; i < 6; i++) {
    decl[i] = new (ctx) ir_typedecl_statement(types[i]);
    list.push_tail(decl[i]);
  }
  list.push_tail(new (ctx) ir_variable(glsl_type::get_array_instance(T, 4), "t", ir_var_uniform,
                                       glsl_precision_undefined));
  list.push_tail(var("o", Outer));
  auto *fn = new (ctx) ir_function("make");
  auto *sig = new (ctx) ir_function_signature(Ret, glsl_precision_undefined);
  ir_variable *k = var("k", glsl_type::float_type);
  sig->body.push_tail(k);
  sig->body.push_tail(new (ctx) ir_assignment(
      deref(k), new (ctx) ir_dereference_record(ir_constant::zero(ctx, Konst), "a")));
  fn->add_signature(sig);
  list.push_tail(fn);

  remove_unused_struct_declarations(&list);
  EXPECT_EQ(decl[0]->next, nullptr);  // unlinked
  for (int i = 1; i < 6; i++) EXPECT_NE(decl[i]->next, nullptr) << types[i]->name;
  EXPECT_EQ(list.length(), 8u);
}

TEST(GlslStrtofTest, RoundsOnceAndReportsTheEnd) {
  char *end = nullptr;
  const char *text = "1.5e3f";
  EXPECT_EQ(glsl_strtof(text, &end), 1500.0f);
  EXPECT_EQ(end, text + 5);
  // Halfway between two floats only after rounding to double first:
  // 1 + 2^-24 + 2^-60 rounds to double 1 + 2^-24, a float tie that goes to
  // 1.0, while the exact value lies above the tie and must give 1 + 2^-23.
  const char *tricky = "1.00000005960464477625798673798840354720596224069595336914062";
  EXPECT_EQ(glsl_strtof(tricky, nullptr), 1.00000011920928955078125f);
  EXPECT_EQ(glsl_strtof(tricky, nullptr), std::strtof(tricky, nullptr));
  EXPECT_EQ(glsl_strtof("0.1", nullptr), 0.1f);
  EXPECT_TRUE(std::isinf(glsl_strtof("1e40", nullptr)));
  EXPECT_EQ(glsl_strtof("1e-50", nullptr), 0.0f);
  const char *junk = "x1";
  EXPECT_EQ(glsl_strtof(junk, &end), 0.0f);
  EXPECT_EQ(end, junk);
}

}  // namespace
