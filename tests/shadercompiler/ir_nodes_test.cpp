#include <gtest/gtest.h>

#include <cstring>

#include "shadercompiler/frontend/glsl_parser_extras.h"
#include "shadercompiler/frontend/glsl_symbol_table.h"
#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/ir_builder.h"
#include "shadercompiler/ir/support/ralloc.h"

namespace {

class IrTest : public ::testing::Test {
 protected:
  void TearDown() override { ralloc_free(ctx); }

  ir_variable *var(const glsl_type *type, const char *name,
                   ir_variable_mode mode = ir_var_auto,
                   glsl_precision precision = glsl_precision_undefined) {
    return new (ctx) ir_variable(type, name, mode, precision);
  }
  ir_dereference_variable *deref(ir_variable *v) {
    return new (ctx) ir_dereference_variable(v);
  }
  ir_constant *list_constant(const glsl_type *type,
                             std::initializer_list<ir_constant *> items) {
    exec_list values;
    for (ir_constant *c : items) values.push_tail(c);
    return new (ctx) ir_constant(type, &values);
  }

  void *ctx = ralloc_context(nullptr);
};

TEST_F(IrTest, ListPrimitive) {
  exec_list list;
  EXPECT_TRUE(list.is_empty());
  EXPECT_EQ(list.get_head(), nullptr);
  exec_node a, b, c;
  list.push_tail(&b);
  list.push_head(&a);
  b.insert_after(&c);
  EXPECT_EQ(list.length(), 3u);
  EXPECT_EQ(list.get_head(), &a);
  EXPECT_EQ(list.get_tail(), &c);
  EXPECT_TRUE(c.next->is_tail_sentinel());
  exec_node d;
  b.replace_with(&d);
  EXPECT_EQ(a.next, &d);
  EXPECT_EQ(c.prev, &d);
  exec_list other;
  list.move_nodes_to(&other);
  EXPECT_TRUE(list.is_empty());
  EXPECT_EQ(other.length(), 3u);
  exec_node e;
  list.push_tail(&e);
  list.append_list(&other);
  EXPECT_EQ(list.length(), 4u);
  EXPECT_TRUE(other.is_empty());
  d.remove();
  EXPECT_EQ(d.next, nullptr);
  EXPECT_EQ(a.next, &c);
  unsigned seen = 0;
  foreach_in_list_safe(exec_node, n, &list) {
    n->remove();  // removing the current node keeps the walk going
    seen++;
  }
  EXPECT_EQ(seen, 3u);
  EXPECT_TRUE(list.is_empty());
}

TEST_F(IrTest, SwizzleCreation) {
  ir_variable *v = var(glsl_type::vec3_type, "v");
  ir_swizzle *xyz = ir_swizzle::create(deref(v), "xyz", 3);
  ASSERT_NE(xyz, nullptr);
  EXPECT_EQ(xyz->type, glsl_type::vec3_type);
  EXPECT_FALSE(xyz->mask.has_duplicates);
  EXPECT_EQ(ir_swizzle::create(deref(v), "xyzw", 3), nullptr);
  EXPECT_EQ(ir_swizzle::create(deref(v), "xr", 3), nullptr);
  EXPECT_EQ(ir_swizzle::create(deref(v), "xyzxy", 4), nullptr);
  EXPECT_EQ(ir_swizzle::create(deref(v), "", 3), nullptr);
  ir_swizzle *zzx = ir_swizzle::create(deref(v), "zzx", 3);
  EXPECT_TRUE(zzx->mask.has_duplicates);
  EXPECT_FALSE(zzx->is_lvalue());
  EXPECT_TRUE(xyz->is_lvalue());
  ir_swizzle *rgb = ir_swizzle::create(deref(v), "rgb", 3);
  EXPECT_TRUE(rgb->equals(xyz, ir_type_unset));
  ir_swizzle *tp = ir_swizzle::create(deref(v), "tp", 3);
  EXPECT_EQ(tp->type, glsl_type::vec2_type);
  EXPECT_EQ(tp->mask.x, 1u);
  EXPECT_EQ(tp->mask.y, 2u);
  EXPECT_EQ(ralloc_parent(tp), ctx);
}

TEST_F(IrTest, SwizzledAssignmentBecomesWriteMask) {
  ir_variable *v = var(glsl_type::vec2_type, "v");
  ir_variable *w = var(glsl_type::vec2_type, "w");
  auto *a = new (ctx) ir_assignment(ir_swizzle::create(deref(v), "yx", 2), deref(w));
  EXPECT_EQ(a->lhs->as_dereference_variable()->var, v);
  EXPECT_EQ(a->write_mask, 3u);
  ir_swizzle *outer = a->rhs->as_swizzle();
  ASSERT_NE(outer, nullptr);
  EXPECT_EQ(outer->mask.num_components, 2u);
  EXPECT_EQ(outer->mask.x, 0u);
  EXPECT_EQ(outer->mask.y, 1u);
  ir_swizzle *inner = outer->val->as_swizzle();
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(inner->mask.x, 1u);
  EXPECT_EQ(inner->mask.y, 0u);
  EXPECT_EQ(inner->val->as_dereference_variable()->var, w);

  // A scalar into one component of a vec4.
  ir_variable *p = var(glsl_type::vec4_type, "p");
  ir_variable *f = var(glsl_type::float_type, "f");
  auto *b = new (ctx) ir_assignment(ir_swizzle::create(deref(p), "z", 4), deref(f));
  EXPECT_EQ(b->write_mask, 4u);
  EXPECT_EQ(b->rhs->type, glsl_type::float_type);
  EXPECT_EQ(b->whole_variable_written(), nullptr);
  auto *c = new (ctx) ir_assignment(deref(p), new (ctx) ir_constant(1.0f, 4));
  EXPECT_EQ(c->write_mask, 15u);
  EXPECT_EQ(c->whole_variable_written(), p);
  auto *masked = new (ctx) ir_assignment(deref(p), deref(p), nullptr, 0x35);
  EXPECT_EQ(masked->write_mask, 5u);
}

TEST_F(IrTest, ConstantsFromLists) {
  ir_constant *m = list_constant(glsl_type::mat3_type, {new (ctx) ir_constant(2.0f)});
  for (unsigned c = 0; c < 3; c++)
    for (unsigned r = 0; r < 3; r++)
      EXPECT_EQ(m->value.f[c * 3 + r], c == r ? 2.0f : 0.0f);

  ir_constant_data m2{};
  m2.f[0] = 1; m2.f[1] = 2; m2.f[2] = 3; m2.f[3] = 4;
  ir_constant *from2 = list_constant(
      glsl_type::mat3_type, {new (ctx) ir_constant(glsl_type::mat2_type, &m2)});
  const float expected[9] = {1, 2, 0, 3, 4, 0, 0, 0, 1};
  for (unsigned i = 0; i < 9; i++) EXPECT_EQ(from2->value.f[i], expected[i]) << i;

  // mat3 from mat3x2: the missing row of the last column is the identity's.
  ir_constant_data m32{};
  for (unsigned i = 0; i < 6; i++) m32.f[i] = 5.0f;
  ir_constant *wide = list_constant(
      glsl_type::mat3_type, {new (ctx) ir_constant(glsl_type::mat3x2_type, &m32)});
  EXPECT_EQ(wide->value.f[8], 1.0f);
  EXPECT_EQ(wide->value.f[5], 0.0f);
  EXPECT_EQ(wide->value.f[4], 5.0f);

  ir_constant *mixed = list_constant(
      glsl_type::vec3_type, {new (ctx) ir_constant(1.5f), new (ctx) ir_constant(2, 2)});
  EXPECT_EQ(mixed->value.f[0], 1.5f);
  EXPECT_EQ(mixed->value.f[1], 2.0f);
  EXPECT_EQ(mixed->value.f[2], 2.0f);

  ir_constant *b = list_constant(glsl_type::bvec2_type,
                                 {new (ctx) ir_constant(0.5f), new (ctx) ir_constant(-3.0f)});
  EXPECT_FALSE(b->value.b[0]);
  EXPECT_TRUE(b->value.b[1]);

  // A scalar splat is converted, not copied bit for bit.
  ir_constant *splat = list_constant(glsl_type::vec4_type, {new (ctx) ir_constant(3)});
  for (unsigned i = 0; i < 4; i++) EXPECT_EQ(splat->value.f[i], 3.0f);
  ir_constant *isplat = list_constant(glsl_type::ivec2_type, {new (ctx) ir_constant(-2.75f)});
  EXPECT_EQ(isplat->value.i[0], -2);
  EXPECT_EQ(isplat->value.i[1], -2);
  ir_constant *usplat = list_constant(glsl_type::uvec3_type, {new (ctx) ir_constant(true)});
  EXPECT_EQ(usplat->value.u[2], 1u);
}

TEST_F(IrTest, ConstantAccessAndTests) {
  const glsl_type *arr = glsl_type::get_array_instance(glsl_type::float_type, 3);
  ir_constant *a = list_constant(arr, {new (ctx) ir_constant(1.0f), new (ctx) ir_constant(2.0f),
                                       new (ctx) ir_constant(3.0f)});
  EXPECT_EQ(a->get_array_element(-1)->value.f[0], 1.0f);
  EXPECT_EQ(a->get_array_element(3)->value.f[0], 3.0f);
  EXPECT_EQ(a->get_array_element(1)->value.f[0], 2.0f);

  EXPECT_FALSE((new (ctx) ir_constant(-1))->is_uint16_constant());
  EXPECT_TRUE((new (ctx) ir_constant(65535u))->is_uint16_constant());
  EXPECT_FALSE((new (ctx) ir_constant(65536u))->is_uint16_constant());
  EXPECT_TRUE((new (ctx) ir_constant(0.0f, 3))->is_zero());
  EXPECT_TRUE((new (ctx) ir_constant(-1, 2))->is_negative_one());
  EXPECT_TRUE((new (ctx) ir_constant(true))->is_one());
  EXPECT_FALSE((new (ctx) ir_constant(true))->all_components_equal(2.0f, 2));
  ir_constant *basis = list_constant(glsl_type::vec3_type,
      {new (ctx) ir_constant(0.0f), new (ctx) ir_constant(1.0f), new (ctx) ir_constant(0.0f)});
  EXPECT_TRUE(basis->is_basis());
  EXPECT_FALSE((new (ctx) ir_constant(true, 1))->is_basis());
  EXPECT_FALSE((new (ctx) ir_constant(1.0f, 2))->is_basis());

  // Saturating conversions instead of undefined behaviour.
  ir_constant *huge = new (ctx) ir_constant(3e10f);
  EXPECT_EQ(huge->get_int_component(0), 2147483647);
  EXPECT_EQ(huge->get_uint_component(0), 4294967295u);
  EXPECT_EQ((new (ctx) ir_constant(-1.5f))->get_int_component(0), -1);

  ir_constant *single = new (ctx) ir_constant(a->get_array_element(2), 0);
  EXPECT_EQ(single->type, glsl_type::float_type);
  ir_constant *dest = new (ctx) ir_constant(0, 4);
  dest->copy_components_masked_at(new (ctx) ir_constant(7.9f, 2), 0, 0xA);
  EXPECT_EQ(dest->value.i[0], 0);
  EXPECT_EQ(dest->value.i[1], 7);
  EXPECT_EQ(dest->value.i[3], 7);
  dest->copy_components_at(new (ctx) ir_constant(9, 4), 2);  // bounded
  EXPECT_EQ(dest->value.i[2], 9);
  EXPECT_EQ(dest->value.i[3], 9);
  EXPECT_EQ(dest->value.i[4], 0);

  glsl_struct_field fields[] = {
      {glsl_type::vec2_type, "p", glsl_precision_undefined, -1, 0, 0, 0, 0},
      {glsl_type::int_type, "n", glsl_precision_undefined, -1, 0, 0, 0, 0}};
  const glsl_type *rec = glsl_type::get_record_instance(fields, 2, "PN");
  ir_constant *zero = ir_constant::zero(ctx, rec);
  EXPECT_EQ(zero->get_record_field("n")->type, glsl_type::int_type);
  EXPECT_EQ(zero->get_record_field("q"), nullptr);
  EXPECT_TRUE(zero->has_value(ir_constant::zero(ctx, rec)));
  ir_constant *zarr = ir_constant::zero(ctx, arr);
  EXPECT_FALSE(zarr->has_value(a));
  EXPECT_EQ(ralloc_parent(zarr->array_elements[0]), zarr);
}

// An array constant from a list shorter than the array: the slots the list
// leaves out are zero, so comparing, copying and cloning find a constant
// in every slot.
TEST_F(IrTest, ArrayConstantFromAShortListIsZeroFilled) {
  const glsl_type *arr = glsl_type::get_array_instance(glsl_type::vec2_type, 3);
  ir_constant_data one_two{};
  one_two.f[0] = 1;
  one_two.f[1] = 2;
  ir_constant *short_list =
      list_constant(arr, {new (ctx) ir_constant(glsl_type::vec2_type, &one_two)});
  for (unsigned i = 1; i < 3; i++) {
    ASSERT_NE(short_list->array_elements[i], nullptr) << i;
    EXPECT_EQ(short_list->array_elements[i]->type, glsl_type::vec2_type);
    EXPECT_TRUE(short_list->array_elements[i]->is_zero());
    EXPECT_EQ(ralloc_parent(short_list->array_elements[i]), short_list);
  }
  ir_constant *full = list_constant(
      arr, {new (ctx) ir_constant(glsl_type::vec2_type, &one_two),
            ir_constant::zero(ctx, glsl_type::vec2_type), ir_constant::zero(ctx, glsl_type::vec2_type)});
  EXPECT_TRUE(short_list->has_value(full));
  EXPECT_TRUE(full->has_value(short_list));

  ir_constant *copy = ir_constant::zero(ctx, arr);
  copy->copy_components_at(short_list, 0);
  EXPECT_TRUE(copy->has_value(full));
  EXPECT_TRUE(short_list->clone(ctx, nullptr)->has_value(full));

  // A list of nothing at all: every slot zero.
  ir_constant *empty = list_constant(arr, {});
  EXPECT_TRUE(empty->has_value(ir_constant::zero(ctx, arr)));

  // A structure from a short list: its missing fields are zero too, so a
  // field looked up by name is always there.
  glsl_struct_field fields[] = {
      {glsl_type::vec2_type, "p", glsl_precision_undefined, -1, 0, 0, 0, 0},
      {glsl_type::int_type, "n", glsl_precision_undefined, -1, 0, 0, 0, 0}};
  const glsl_type *rec = glsl_type::get_record_instance(fields, 2, "ShortPN");
  ir_constant *partial =
      list_constant(rec, {new (ctx) ir_constant(glsl_type::vec2_type, &one_two)});
  ASSERT_NE(partial->get_record_field("n"), nullptr);
  EXPECT_EQ(partial->get_record_field("n")->type, glsl_type::int_type);
  EXPECT_TRUE(partial->get_record_field("n")->is_zero());
  EXPECT_EQ(partial->get_record_field("p")->value.f[1], 2.0f);
  EXPECT_FALSE(partial->has_value(ir_constant::zero(ctx, rec)));
  EXPECT_TRUE(partial->clone(ctx, nullptr)->has_value(partial));
}

TEST_F(IrTest, ExpressionTypesAndPrecision) {
  ir_variable *m = var(glsl_type::mat4_type, "m", ir_var_uniform, glsl_precision_high);
  ir_variable *v = var(glsl_type::vec4_type, "v", ir_var_auto, glsl_precision_medium);
  ir_variable *m23 = var(glsl_type::mat2x3_type, "a");  // 2 columns, 3 rows
  ir_variable *m32 = var(glsl_type::mat3x2_type, "b");  // 3 columns, 2 rows
  ir_variable *s = var(glsl_type::float_type, "s", ir_var_auto, glsl_precision_low);

  ir_expression *mv = ir_builder_mul(deref(m), deref(v));
  EXPECT_EQ(mv->type, glsl_type::vec4_type);
  EXPECT_EQ(mv->precision, glsl_precision_high);
  EXPECT_EQ(ir_builder_mul(deref(v), deref(m))->type, glsl_type::vec4_type);
  EXPECT_EQ(ir_builder_mul(deref(m23), deref(m32))->type, glsl_type::mat3_type);
  EXPECT_EQ(ir_builder_mul(deref(m32), deref(m23))->type, glsl_type::mat2_type);
  ir_variable *v2 = var(glsl_type::vec2_type, "v2");
  EXPECT_EQ(ir_builder_mul(deref(m23), deref(v2))->type, glsl_type::vec3_type);
  EXPECT_EQ(ir_builder_mul(deref(s), deref(m))->type, glsl_type::mat4_type);
  EXPECT_EQ(ir_builder_add(deref(s), deref(v))->type, glsl_type::vec4_type);
  EXPECT_EQ(ir_builder_add(deref(s), deref(v))->precision, glsl_precision_medium);

  ir_expression *dot = ir_builder_dot(deref(v), deref(v));
  EXPECT_EQ(dot->operation, ir_binop_dot);
  EXPECT_EQ(dot->type, glsl_type::float_type);
  ir_expression *scalar_dot = ir_builder_dot(deref(s), deref(s));
  EXPECT_EQ(scalar_dot->operation, ir_binop_mul);
  EXPECT_EQ(scalar_dot->type, glsl_type::float_type);

  EXPECT_EQ(ir_builder_less(deref(v), deref(v))->type, glsl_type::bvec4_type);
  EXPECT_EQ((new (ctx) ir_expression(ir_binop_all_equal, deref(v), deref(v)))->type,
            glsl_type::bool_type);
  EXPECT_EQ(ir_builder_expr_unary(ir_unop_f2i, deref(v))->type, glsl_type::ivec4_type);
  EXPECT_EQ(ir_builder_expr_unary(ir_unop_unpack_snorm_4x8, deref(s))->type,
            glsl_type::vec4_type);
  ir_expression *clamp = ir_builder_clamp(deref(s), deref(v), deref(m));
  EXPECT_EQ(clamp->type, glsl_type::float_type);
  EXPECT_EQ(clamp->precision, glsl_precision_high);
  ir_expression *sel = ir_builder_csel(deref(s), deref(v), deref(v));
  EXPECT_EQ(sel->type, glsl_type::vec4_type);
  ir_expression *extract = new (ctx) ir_expression(ir_binop_vector_extract, deref(v), deref(s));
  EXPECT_EQ(extract->type, glsl_type::float_type);
  EXPECT_EQ(extract->precision, glsl_precision_medium);
  ir_expression *vec = new (ctx) ir_expression(ir_quadop_vector, glsl_type::vec2_type,
                                               deref(s), deref(s));
  EXPECT_EQ(vec->get_num_operands(), 2u);
  EXPECT_EQ(ir_builder_bitfield_insert(deref(v), deref(v), deref(s), deref(s))->type,
            glsl_type::vec4_type);

  EXPECT_EQ(ir_expression::num_operands(ir_unop_interpolate_at_centroid), 1u);
  EXPECT_EQ(ir_expression::num_operands(ir_binop_add), 2u);
  EXPECT_EQ(ir_expression::num_operands(ir_triop_vector_insert), 3u);
  EXPECT_EQ(ir_expression::num_operands(ir_quadop_vector), 4u);
  EXPECT_EQ(ir_expression::num_operands(static_cast<ir_expression_operation>(106)), 0u);
  EXPECT_STREQ(ir_expression::operator_string(ir_unop_rcp), "1.0/");
  EXPECT_STREQ(ir_expression::operator_string(ir_triop_lrp), "mix");
  EXPECT_STREQ(ir_expression::operator_string(ir_binop_all_equal), "==");
  EXPECT_EQ(ir_expression::get_operator("inversesqrt"), ir_unop_rsq);
  EXPECT_EQ(ir_expression::get_operator("nonsense"), -1);
  EXPECT_EQ(ir_texture::get_opcode("txf_ms"), ir_txf_ms);
  EXPECT_STREQ(ir_texture::opcode_string(ir_tg4), "tg4");
}

TEST_F(IrTest, DereferencesAndVariables) {
  ir_variable *m = var(glsl_type::mat3_type, "m", ir_var_auto, glsl_precision_medium);
  ir_variable *i = var(glsl_type::int_type, "i");
  auto *column = new (ctx) ir_dereference_array(m, deref(i));
  EXPECT_EQ(column->type, glsl_type::vec3_type);
  EXPECT_EQ(column->precision, glsl_precision_medium);
  EXPECT_EQ(column->variable_referenced(), m);
  EXPECT_EQ(column->whole_variable_referenced(), nullptr);
  EXPECT_TRUE(column->is_lvalue());
  auto *element = new (ctx) ir_dereference_array(column, new (ctx) ir_constant(1));
  EXPECT_EQ(element->type, glsl_type::float_type);
  auto *bad = new (ctx) ir_dereference_array(element, new (ctx) ir_constant(0));
  EXPECT_EQ(bad->type, glsl_type::error_type);

  glsl_struct_field fields[] = {
      {glsl_type::vec2_type, "p", glsl_precision_low, -1, 0, 0, 0, 0}};
  ir_variable *s = var(glsl_type::get_record_instance(fields, 1, "P"), "s");
  auto *field = new (ctx) ir_dereference_record(deref(s), "p");
  EXPECT_EQ(field->type, glsl_type::vec2_type);
  EXPECT_EQ(field->precision, glsl_precision_low);
  // Explicit deletion frees the node with its pool children (the field name).
  delete new (ctx) ir_dereference_record(deref(s), "p");
  auto *missing = new (ctx) ir_dereference_record(deref(s), "q");
  EXPECT_EQ(missing->type, glsl_type::error_type);
  EXPECT_EQ(missing->precision, glsl_precision_undefined);

  ir_variable *c = var(glsl_type::float_type, "c");
  c->data.read_only = 1;
  EXPECT_FALSE(deref(c)->is_lvalue());
  EXPECT_STREQ(c->mode_string(), "global constant");
  ir_variable *tex = var(glsl_type::sampler2D_type, "tex", ir_var_uniform);
  EXPECT_TRUE(tex->data.read_only);
  EXPECT_FALSE(deref(tex)->is_lvalue());
  EXPECT_EQ(tex->data.location, -1);
  EXPECT_STREQ(tex->mode_string(), "uniform");
  EXPECT_STREQ(var(glsl_type::float_type, "x", ir_var_const_in)->mode_string(),
               "function input");

  ir_variable *t = var(glsl_type::float_type, "t", ir_var_temporary);
  EXPECT_STREQ(t->name, "compiler_temp");
  ir_variable::temporaries_allocate_names = true;
  EXPECT_STREQ(var(glsl_type::float_type, "t", ir_var_temporary)->name, "t");
  ir_variable::temporaries_allocate_names = false;

  t->enable_extension_warning("GL_AMD_shader_stencil_export");
  EXPECT_STREQ(t->get_extension_warning(), "GL_AMD_shader_stencil_export");
  t->enable_extension_warning("GL_OTHER");
  EXPECT_EQ(t->get_extension_warning(), nullptr);
  EXPECT_STREQ(ir_variable::interpolation_string(INTERP_QUALIFIER_NOPERSPECTIVE),
               "noperspective");
  EXPECT_STREQ(ir_variable::depth_layout_string(ir_depth_layout_less), "depth_less");
  EXPECT_EQ(vertices_per_prim(0x000C), 6u);
  EXPECT_EQ(vertices_per_prim(0x0004), 3u);

  glsl_struct_field members[] = {
      {glsl_type::vec4_type, "a", glsl_precision_undefined, -1, 0, 0, 0, 0},
      {glsl_type::vec4_type, "b", glsl_precision_undefined, -1, 0, 0, 0, 0}};
  const glsl_type *block = glsl_type::get_interface_instance(
      members, 2, GLSL_INTERFACE_PACKING_STD140, "Block");
  ir_variable *instance = var(glsl_type::get_array_instance(block, 2), "blocks",
                              ir_var_uniform);
  EXPECT_EQ(instance->interface_type, block);
  ASSERT_NE(instance->max_ifc_array_access, nullptr);
  EXPECT_EQ(instance->max_ifc_array_access[1], 0u);
}

TEST_F(IrTest, SignaturesAndFunctions) {
  auto *f = new (ctx) ir_function("f");
  auto *sig = new (ctx) ir_function_signature(glsl_type::vec4_type, glsl_precision_high);
  f->add_signature(sig);
  ir_variable *p1 = var(glsl_type::float_type, "x", ir_var_function_in);
  ir_variable *p2 = var(glsl_type::ivec2_type, "y", ir_var_function_inout);
  exec_list params;
  params.push_tail(p1);
  params.push_tail(p2);
  sig->replace_parameters(&params);
  EXPECT_TRUE(params.is_empty());
  EXPECT_STREQ(sig->function_name(), "f");
  EXPECT_TRUE(f->has_user_signature());
  EXPECT_FALSE(sig->is_builtin());
  EXPECT_TRUE(sig->is_builtin_available(nullptr));

  exec_list others;
  others.push_tail(var(glsl_type::float_type, "a", ir_var_const_in));
  others.push_tail(var(glsl_type::ivec2_type, "b", ir_var_function_out));
  EXPECT_STREQ(sig->qualifiers_match(&others), "y");

  char *proto = function_prototype_string(sig->return_type, "f", &sig->parameters);
  EXPECT_STREQ(proto, "vec4 f(float, ivec2)");
  EXPECT_EQ(ralloc_parent(proto), nullptr);
  ralloc_free(proto);
  exec_list none;
  proto = function_prototype_string(nullptr, "g", &none);
  EXPECT_STREQ(proto, "g()");
  ralloc_free(proto);

  exec_list args;
  args.push_tail(new (ctx) ir_constant(1.0f));
  ir_variable *result = var(glsl_type::vec4_type, "r");
  auto *call = new (ctx) ir_call(sig, deref(result), &args);
  EXPECT_STREQ(call->callee_name(), "f");
  EXPECT_EQ(call->actual_parameters.length(), 1u);
  EXPECT_EQ(precision_from_ir(call), glsl_precision_undefined);
  EXPECT_EQ(precision_from_ir(sig), glsl_precision_high);
  EXPECT_EQ(precision_from_ir(nullptr), glsl_precision_undefined);
  EXPECT_EQ(precision_from_ir(f), glsl_precision_high);

  void *state_ctx = ralloc_context(ctx);
  auto *state = new (state_ctx) glsl_parse_state(SHC_SHADER_VERTEX, false, 120);
  EXPECT_TRUE(state->symbols->add_variable(result));
  EXPECT_TRUE(state->symbols->add_function(f));
  // Functions and variables share one name space by default.
  EXPECT_FALSE(state->symbols->add_variable(var(glsl_type::float_type, "f")));
  EXPECT_EQ(state->symbols->get_function("f"), f);
  EXPECT_FALSE(state->symbols->add_variable(var(glsl_type::float_type, "r")));
  EXPECT_EQ(state->symbols->get_variable("r"), result);
  EXPECT_EQ(state->symbols->get_function("r"), nullptr);
}

TEST_F(IrTest, BuilderMakesNodesInOperandContext) {
  void *inner = ralloc_context(ctx);
  auto *v = new (inner) ir_variable(glsl_type::vec4_type, "v", ir_var_auto,
                                    glsl_precision_undefined);
  auto *d = new (inner) ir_dereference_variable(v);
  ir_swizzle *y = ir_builder_swizzle_y(d);
  EXPECT_EQ(y->type, glsl_type::float_type);
  EXPECT_EQ(y->mask.x, 1u);
  EXPECT_EQ(y->mask.num_components, 1u);
  EXPECT_EQ(ralloc_parent(y), inner);
  ir_swizzle *wzy = ir_builder_swizzle(d, ir_builder_make_swizzle(3, 2, 1, 0), 3);
  EXPECT_EQ(wzy->type, glsl_type::vec3_type);
  EXPECT_EQ(wzy->mask.z, 1u);
  EXPECT_EQ(ir_builder_assign(d, d)->write_mask, 15u);
  ir_variable *s = var(glsl_type::float_type, "s");
  EXPECT_EQ(ir_builder_assign(deref(s), deref(s))->write_mask, 1u);
  EXPECT_EQ(ir_builder_assign_masked(d, d, 6)->write_mask, 6u);

  exec_list body;
  ir_factory factory{&body, ctx};
  ir_variable *t = ir_builder_make_temp(&factory, glsl_type::vec2_type, "tmp",
                                        glsl_precision_medium);
  EXPECT_EQ(t->data.mode, ir_var_temporary);
  ir_builder_emit(&factory, ir_builder_ret(deref(t)));
  EXPECT_EQ(body.length(), 2u);
  ir_if *branch = ir_builder_if_else_tree(
      ir_builder_less(deref(s), deref(s)), ir_builder_ret(deref(s)),
      new (ctx) ir_discard());
  EXPECT_EQ(branch->then_instructions.length(), 1u);
  EXPECT_EQ(branch->else_instructions.length(), 1u);
  // Freeing the operands' context frees the nodes built from them.
  ralloc_free(inner);
}

}  // namespace
