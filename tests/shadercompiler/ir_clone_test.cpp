#include <gtest/gtest.h>

#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/ir_builder.h"
#include "shadercompiler/ir/support/hash_table.h"
#include "shadercompiler/ir/support/ralloc.h"

namespace {

class IrCloneTest : public ::testing::Test {
 protected:
  void TearDown() override {
    ralloc_free(ctx);
    ralloc_free(copy_ctx);
  }

  ir_variable *var(const char *name, const glsl_type *type = glsl_type::float_type,
                   ir_variable_mode mode = ir_var_auto) {
    return new (ctx) ir_variable(type, name, mode, glsl_precision_medium);
  }
  ir_dereference_variable *deref(ir_variable *v) {
    return new (ctx) ir_dereference_variable(v);
  }

  // float name(float x) { float local = x * global; return name2(local); }
  // where the call goes to `callee` (or nothing when null).
  ir_function *make_function(const char *name, ir_variable *global,
                             ir_function_signature *callee) {
    auto *fn = new (ctx) ir_function(name);
    auto *sig = new (ctx) ir_function_signature(glsl_type::float_type, glsl_precision_high);
    fn->add_signature(sig);
    sig->is_defined = 1;
    ir_variable *x = var("x", glsl_type::float_type, ir_var_function_in);
    sig->parameters.push_tail(x);
    ir_variable *local = var("local");
    sig->body.push_tail(local);
    sig->body.push_tail(new (ctx) ir_assignment(deref(local),
                                                ir_builder_mul(deref(x), deref(global))));
    if (callee != nullptr) {
      ir_variable *result = var("result");
      sig->body.push_tail(result);
      exec_list args;
      args.push_tail(deref(local));
      sig->body.push_tail(new (ctx) ir_call(callee, deref(result), &args));
      sig->body.push_tail(new (ctx) ir_return(deref(result)));
    } else {
      sig->body.push_tail(new (ctx) ir_return(deref(local)));
    }
    return fn;
  }

  static ir_function_signature *signature(ir_function *fn) {
    return static_cast<ir_function_signature *>(fn->signatures.get_head());
  }

  void *ctx = ralloc_context(nullptr);
  void *copy_ctx = ralloc_context(nullptr);
};

TEST_F(IrCloneTest, FunctionBodyLocalsAreRemappedGlobalsAreNot) {
  ir_variable *global = var("g", glsl_type::float_type, ir_var_uniform);
  ir_function *fn = make_function("f", global, nullptr);
  hash_table *ht = hash_table_create(0, hash_table_pointer_hash, hash_table_pointer_compare);
  ir_function *copy = fn->clone(copy_ctx, ht);
  ir_function_signature *sig = signature(copy);
  EXPECT_STREQ(copy->name, "f");
  EXPECT_EQ(sig->_function, copy);
  EXPECT_TRUE(sig->is_defined);
  EXPECT_EQ(sig->origin, signature(fn));
  EXPECT_EQ(hash_table_find(ht, signature(fn)), sig);

  auto *x_copy = static_cast<ir_variable *>(sig->parameters.get_head());
  auto *local_copy = static_cast<ir_variable *>(sig->body.get_head());
  EXPECT_NE(local_copy, signature(fn)->body.get_head());
  EXPECT_STREQ(local_copy->name, "local");
  EXPECT_EQ(local_copy->data.precision, glsl_precision_medium);
  auto *assign = static_cast<ir_instruction *>(local_copy->next)->as_assignment();
  ASSERT_NE(assign, nullptr);
  EXPECT_EQ(assign->lhs->as_dereference_variable()->var, local_copy);
  ir_expression *product = assign->rhs->as_expression();
  EXPECT_EQ(product->operands[0]->as_dereference_variable()->var, x_copy);
  EXPECT_EQ(product->operands[1]->as_dereference_variable()->var, global);
  EXPECT_EQ(ralloc_parent(assign), copy_ctx);
  hash_table_destroy(ht);

  // The copy stands alone: freeing the source leaves it intact.
  ralloc_free(ctx);
  ctx = ralloc_context(nullptr);
  EXPECT_STREQ(local_copy->name, "local");
}

TEST_F(IrCloneTest, ListCloneRetargetsCallsBetweenCopiedFunctions) {
  ir_variable *global = var("g", glsl_type::float_type, ir_var_uniform);
  ir_function *leaf = make_function("leaf", global, nullptr);
  ir_function *caller = make_function("caller", global, signature(leaf));
  // leaf also calls caller: two functions that call each other.
  ir_variable *r = var("r");
  exec_list args;
  args.push_tail(new (ctx) ir_constant(1.0f));
  signature(leaf)->body.push_head(new (ctx) ir_call(signature(caller), deref(r), &args));

  exec_list program;
  program.push_tail(global);
  program.push_tail(leaf);
  program.push_tail(caller);

  exec_list copied;
  clone_ir_list(copy_ctx, &copied, &program);
  ASSERT_EQ(copied.length(), 3u);
  auto *global_copy = static_cast<ir_variable *>(copied.get_head());
  auto *leaf_copy = static_cast<ir_function *>(global_copy->next);
  auto *caller_copy = static_cast<ir_function *>(leaf_copy->next);

  ir_call *call_in_caller = nullptr;
  foreach_in_list(ir_instruction, ir, &signature(caller_copy)->body)
    if (ir->as_call()) call_in_caller = ir->as_call();
  ASSERT_NE(call_in_caller, nullptr);
  EXPECT_EQ(call_in_caller->callee, signature(leaf_copy));
  auto *call_in_leaf =
      static_cast<ir_instruction *>(signature(leaf_copy)->body.get_head())->as_call();
  ASSERT_NE(call_in_leaf, nullptr);
  EXPECT_EQ(call_in_leaf->callee, signature(caller_copy));
  // The copied global took the place of the source global.
  auto *assign = static_cast<ir_instruction *>(
                     signature(caller_copy)->body.get_head()->next)->as_assignment();
  EXPECT_EQ(assign->rhs->as_expression()->operands[1]->as_dereference_variable()->var,
            global_copy);

  // Cloning one function alone leaves its calls pointing at the sources.
  ir_function *alone = caller->clone(copy_ctx, nullptr);
  foreach_in_list(ir_instruction, ir, &signature(alone)->body) {
    if (ir->as_call()) {
      EXPECT_EQ(ir->as_call()->callee, signature(leaf));
    }
  }
}

TEST_F(IrCloneTest, PrototypeHasNoBody) {
  ir_function *fn = make_function("f", var("g"), nullptr);
  ir_function_signature *proto = signature(fn)->clone_prototype(copy_ctx, nullptr);
  EXPECT_TRUE(proto->body.is_empty());
  EXPECT_FALSE(proto->is_defined);
  EXPECT_EQ(proto->origin, signature(fn));
  EXPECT_EQ(proto->parameters.length(), 1u);
  EXPECT_EQ(proto->return_type, glsl_type::float_type);
}

TEST_F(IrCloneTest, ConstantsCopyByValue) {
  const glsl_type *arr = glsl_type::get_array_instance(glsl_type::vec2_type, 2);
  exec_list items;
  items.push_tail(new (ctx) ir_constant(1.0f, 2));
  items.push_tail(new (ctx) ir_constant(2.0f, 2));
  auto *c = new (ctx) ir_constant(arr, &items);
  ir_constant *copy = c->clone(copy_ctx, nullptr);
  EXPECT_EQ(copy->type, arr);
  EXPECT_NE(copy->array_elements[0], c->array_elements[0]);
  EXPECT_TRUE(copy->has_value(c));
  EXPECT_EQ(copy->array_elements[1]->value.f[1], 2.0f);
  EXPECT_EQ(ralloc_parent(copy->array_elements), copy);

  glsl_struct_field fields[] = {
      {glsl_type::int_type, "n", glsl_precision_undefined, -1, 0, 0, 0, 0}};
  const glsl_type *rec = glsl_type::get_record_instance(fields, 1, "N");
  ir_constant *z = ir_constant::zero(ctx, rec);
  ir_constant *zcopy = z->clone(copy_ctx, nullptr);
  EXPECT_TRUE(zcopy->has_value(z));
  EXPECT_NE(zcopy->components.get_head(), z->components.get_head());
}

TEST_F(IrCloneTest, TextureCopyKeepsPrecisionAndOperands) {
  ir_variable *sampler = var("s", glsl_type::sampler2D_type, ir_var_uniform);
  auto *tex = new (ctx) ir_texture(ir_txd, glsl_precision_medium);
  tex->set_sampler(deref(sampler), glsl_type::vec4_type);
  tex->coordinate = deref(var("uv", glsl_type::vec2_type));
  tex->lod_info.grad.dPdx = deref(var("dx", glsl_type::vec2_type));
  tex->lod_info.grad.dPdy = deref(var("dy", glsl_type::vec2_type));
  ir_texture *copy = tex->clone(copy_ctx, nullptr);
  EXPECT_EQ(copy->precision, glsl_precision_medium);
  EXPECT_EQ(copy->type, glsl_type::vec4_type);
  EXPECT_EQ(copy->offset, nullptr);
  EXPECT_NE(copy->lod_info.grad.dPdy, tex->lod_info.grad.dPdy);
  EXPECT_TRUE(copy->equals(tex));
  auto *lod = new (ctx) ir_texture(ir_txl);
  lod->set_sampler(deref(sampler), glsl_type::vec4_type);
  lod->coordinate = tex->coordinate;
  lod->lod_info.lod = new (ctx) ir_constant(0.0f);
  EXPECT_FALSE(tex->equals(lod));
  EXPECT_EQ(lod->precision, glsl_precision_low);
  EXPECT_TRUE(lod->clone(copy_ctx, nullptr)->equals(lod));
  EXPECT_TRUE(ir_texture::has_lod(glsl_type::samplerCube_type));
  EXPECT_FALSE(ir_texture::has_lod(glsl_type::sampler2DRect_type));
}

TEST_F(IrCloneTest, StatementsCopyTheirParts) {
  ir_variable *a = var("a");
  auto *loop = new (ctx) ir_loop();
  auto *branch = new (ctx) ir_if(ir_builder_less(deref(a), new (ctx) ir_constant(0.0f)));
  branch->then_instructions.push_tail(new (ctx) ir_loop_jump(ir_loop_jump::jump_break));
  branch->else_instructions.push_tail(new (ctx) ir_discard(deref(a)));
  loop->body_instructions.push_tail(branch);
  loop->body_instructions.push_tail(new (ctx) ir_precision_statement("precision highp float;"));
  loop->body_instructions.push_tail(new (ctx) ir_emit_vertex(new (ctx) ir_constant(0)));
  ir_loop *copy = loop->clone(copy_ctx, nullptr);
  ASSERT_EQ(copy->body_instructions.length(), 3u);
  auto *if_copy = static_cast<ir_instruction *>(copy->body_instructions.get_head())->as_if();
  ASSERT_NE(if_copy, nullptr);
  EXPECT_TRUE(static_cast<ir_instruction *>(if_copy->then_instructions.get_head())
                  ->as_loop_jump()->is_break());
  EXPECT_TRUE(if_copy->condition->equals(branch->condition));
  auto *precision = static_cast<ir_precision_statement *>(if_copy->next);
  EXPECT_STREQ(precision->precision_statement, "precision highp float;");
  ir_rvalue *error = ir_rvalue::error_value(ctx)->clone(copy_ctx, nullptr);
  EXPECT_EQ(error->ir_type, ir_type_rvalue);
  EXPECT_TRUE(error->type->is_error());
}

TEST_F(IrCloneTest, EqualityIgnoresWhatItMay) {
  ir_variable *v = var("v", glsl_type::vec2_type);
  ir_variable *b = var("b");
  ir_swizzle *xy = ir_swizzle::create(deref(v), "xy", 2);
  ir_swizzle *yx = ir_swizzle::create(deref(v), "yx", 2);
  EXPECT_FALSE(xy->equals(yx));
  EXPECT_TRUE(xy->equals(yx, ir_type_swizzle));
  EXPECT_FALSE(xy->equals(yx, ir_type_expression));

  ir_variable *a = var("a");
  EXPECT_TRUE(ir_builder_add(deref(a), deref(b))->equals(ir_builder_add(deref(a), deref(b))));
  EXPECT_FALSE(ir_builder_add(deref(a), deref(b))->equals(ir_builder_add(deref(b), deref(a))));
  EXPECT_FALSE(ir_builder_add(deref(a), deref(b))->equals(ir_builder_sub(deref(a), deref(b))));

  glsl_struct_field fields[] = {
      {glsl_type::float_type, "x", glsl_precision_undefined, -1, 0, 0, 0, 0}};
  ir_variable *s = var("s", glsl_type::get_record_instance(fields, 1, "S"));
  auto *sx1 = new (ctx) ir_dereference_record(deref(s), "x");
  auto *sx2 = new (ctx) ir_dereference_record(deref(s), "x");
  EXPECT_FALSE(sx1->equals(sx2));

  EXPECT_FALSE((new (ctx) ir_constant(0.0f))->equals(new (ctx) ir_constant(-0.0f)));
  EXPECT_TRUE((new (ctx) ir_constant(2, 3))->equals(new (ctx) ir_constant(2, 3)));
  EXPECT_FALSE((new (ctx) ir_constant(2, 3))->equals(new (ctx) ir_constant(2u, 3)));
  EXPECT_FALSE((new (ctx) ir_constant(1.0f))->equals(deref(a)));

  ir_variable *arr = var("arr", glsl_type::get_array_instance(glsl_type::float_type, 3));
  auto *e1 = new (ctx) ir_dereference_array(arr, new (ctx) ir_constant(1));
  auto *e2 = new (ctx) ir_dereference_array(arr, new (ctx) ir_constant(1));
  auto *e3 = new (ctx) ir_dereference_array(arr, new (ctx) ir_constant(2));
  EXPECT_TRUE(e1->equals(e2));
  EXPECT_FALSE(e1->equals(e3));

  auto *assign = new (ctx) ir_assignment(deref(a), deref(b));
  EXPECT_FALSE(assign->equals(assign));
}

TEST_F(IrCloneTest, VariableCopyKeepsItsData) {
  glsl_struct_field members[] = {
      {glsl_type::vec4_type, "a", glsl_precision_undefined, -1, 0, 0, 0, 0},
      {glsl_type::vec4_type, "b", glsl_precision_undefined, -1, 0, 0, 0, 0}};
  const glsl_type *block = glsl_type::get_interface_instance(
      members, 2, GLSL_INTERFACE_PACKING_STD140, "Blk");
  ir_variable *inst = var("inst", block, ir_var_uniform);
  inst->max_ifc_array_access[1] = 7;
  inst->data.location = 4;
  inst->data.invariant = 1;
  inst->constant_value = new (ctx) ir_constant(3.0f);
  hash_table *ht = hash_table_create(0, hash_table_pointer_hash, hash_table_pointer_compare);
  ir_variable *copy = inst->clone(copy_ctx, ht);
  EXPECT_EQ(hash_table_find(ht, inst), copy);
  EXPECT_EQ(copy->data.location, 4);
  EXPECT_TRUE(copy->data.invariant);
  EXPECT_EQ(copy->data.mode, ir_var_uniform);
  EXPECT_NE(copy->max_ifc_array_access, inst->max_ifc_array_access);
  EXPECT_EQ(copy->max_ifc_array_access[1], 7u);
  EXPECT_EQ(ralloc_parent(copy->max_ifc_array_access), copy);
  EXPECT_TRUE(copy->constant_value->has_value(inst->constant_value));
  EXPECT_EQ(copy->interface_type, block);
  hash_table_destroy(ht);

  ir_variable *uniform = var("gl_ModelViewMatrix", glsl_type::mat4_type, ir_var_uniform);
  uniform->num_state_slots = 2;
  uniform->state_slots = ralloc_array<ir_state_slot>(uniform, 2);
  uniform->state_slots[1] = ir_state_slot{{1, 2, 3, 4, 5}, 6};
  ir_variable *ucopy = uniform->clone(copy_ctx, nullptr);
  ASSERT_EQ(ucopy->num_state_slots, 2);
  EXPECT_EQ(ucopy->state_slots[1].swizzle, 6);
  EXPECT_NE(ucopy->state_slots, uniform->state_slots);
}

}  // namespace
