#include "shadercompiler/ir/glsl_types.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shadercompiler/frontend/glsl_parser_extras.h"
#include "shadercompiler/frontend/glsl_symbol_table.h"
#include "shadercompiler/ir/support/ralloc.h"

namespace {

glsl_struct_field field(const glsl_type *type, const char *name,
                        unsigned matrix_layout = 0) {
  glsl_struct_field f{type, name, glsl_precision_undefined, -1, 0, 0, 0, 0};
  f.matrix_layout = matrix_layout;
  return f;
}

TEST(GlslTypeTest, NumericInstancesAreTheBuiltInObjects) {
  EXPECT_EQ(glsl_type::get_instance(GLSL_TYPE_FLOAT, 3, 1), glsl_type::vec3_type);
  EXPECT_STREQ(glsl_type::vec3_type->name, "vec3");
  EXPECT_EQ(glsl_type::vec3_type->gl_type, 0x8B51u);
  EXPECT_EQ(glsl_type::get_instance(GLSL_TYPE_INT, 2, 2), glsl_type::error_type);
  EXPECT_EQ(glsl_type::get_instance(GLSL_TYPE_FLOAT, 1, 2), glsl_type::error_type);
  EXPECT_EQ(glsl_type::get_instance(GLSL_TYPE_VOID, 7, 0), glsl_type::void_type);
  EXPECT_EQ(glsl_type::get_instance(GLSL_TYPE_FLOAT, 5, 1), glsl_type::error_type);
  EXPECT_EQ(glsl_type::get_instance(GLSL_TYPE_SAMPLER, 1, 1), glsl_type::error_type);
  const glsl_type *m = glsl_type::get_instance(GLSL_TYPE_FLOAT, 3, 2);
  EXPECT_STREQ(m->name, "mat2x3");
  EXPECT_EQ(m->matrix_columns, 2u);
  EXPECT_EQ(m->vector_elements, 3u);
  EXPECT_EQ(m->column_type(), glsl_type::vec3_type);
  EXPECT_EQ(m->row_type(), glsl_type::vec2_type);
  EXPECT_EQ(glsl_type::get_instance(GLSL_TYPE_FLOAT, 4, 4), glsl_type::mat4_type);
  EXPECT_EQ(glsl_type::uvec(4), glsl_type::uvec4_type);
  EXPECT_EQ(glsl_type::bvec(1), glsl_type::bool_type);
  EXPECT_EQ(glsl_type::ivec(0), glsl_type::error_type);
  EXPECT_EQ(glsl_type::mat3_type->get_base_type(), glsl_type::float_type);
  EXPECT_EQ(glsl_type::sampler2D_type->get_base_type(), glsl_type::error_type);
}

TEST(GlslTypeTest, SamplerAndImageShapes) {
  const glsl_type *s = glsl_type::builtin_by_name("isampler2DArray");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->gl_type, 0x8DCFu);
  EXPECT_EQ(s->sampler_dimensionality, GLSL_SAMPLER_DIM_2D);
  EXPECT_TRUE(s->sampler_array);
  EXPECT_EQ(s->sampler_type, GLSL_TYPE_INT);
  EXPECT_EQ(s->vector_elements, 0u);
  const glsl_type *shadow = glsl_type::builtin_by_name("samplerCubeShadow");
  EXPECT_TRUE(shadow->sampler_shadow);
  const glsl_type *image = glsl_type::builtin_by_name("uimageCube");
  EXPECT_EQ(image->gl_type, 0x9066u);
  EXPECT_EQ(image->sampler_dimensionality, GLSL_SAMPLER_DIM_CUBE);
  EXPECT_EQ(image->vector_elements, 1u);
  EXPECT_EQ(glsl_type::builtin_by_name("image2DMSArray")->gl_type, 0x9056u);
}

TEST(GlslTypeTest, ArrayTypesAreSharedAndNamed) {
  const glsl_type *a = glsl_type::get_array_instance(glsl_type::float_type, 4);
  EXPECT_EQ(glsl_type::get_array_instance(glsl_type::float_type, 4), a);
  EXPECT_STREQ(a->name, "float[4]");
  EXPECT_EQ(a->gl_type, glsl_type::float_type->gl_type);
  EXPECT_EQ(a->element_type(), glsl_type::float_type);
  EXPECT_STREQ(glsl_type::get_array_instance(glsl_type::float_type, 0)->name,
               "float[]");
  EXPECT_STREQ(glsl_type::get_array_instance(a, 2)->name, "float[2][4]");
  const glsl_type *v = glsl_type::get_array_instance(
      glsl_type::get_array_instance(glsl_type::vec4_type, 2), 3);
  EXPECT_STREQ(v->name, "vec4[3][2]");
  EXPECT_EQ(v->get_scalar_type(), glsl_type::float_type);
}

TEST(GlslTypeTest, RecordTypesAreSharedByNameAndFields) {
  glsl_struct_field fields[] = {field(glsl_type::float_type, "a"),
                                field(glsl_type::vec3_type, "b")};
  const glsl_type *s = glsl_type::get_record_instance(fields, 2, "S");
  EXPECT_EQ(glsl_type::get_record_instance(fields, 2, "S"), s);
  EXPECT_NE(glsl_type::get_record_instance(fields, 2, "T"), s);
  EXPECT_NE(glsl_type::get_record_instance(fields, 1, "S"), s);
  EXPECT_STREQ(s->name, "S");
  EXPECT_NE(s->fields.structure, fields);  // copied into the type pool
  EXPECT_EQ(s->field_type("b"), glsl_type::vec3_type);
  EXPECT_EQ(s->field_type("c"), glsl_type::error_type);
  EXPECT_EQ(s->field_index("b"), 1);
  EXPECT_EQ(s->field_index("z"), -1);
  EXPECT_EQ(s->field_precision("a"), glsl_precision_undefined);

  const glsl_type *anon1 = glsl_type::get_record_instance(fields, 2, "#anon_1");
  const glsl_type *anon2 = glsl_type::get_record_instance(fields, 2, "#anon_2");
  EXPECT_NE(anon1, anon2);
  EXPECT_TRUE(glsl_type::record_compare(anon1, anon2));
  EXPECT_TRUE(glsl_type::record_compare(anon1, s));

  const glsl_type *block = glsl_type::get_interface_instance(
      fields, 2, GLSL_INTERFACE_PACKING_STD140, "S");
  EXPECT_NE(block, s);
  EXPECT_TRUE(block->is_interface());
  EXPECT_EQ(glsl_type::get_interface_instance(
                fields, 2, GLSL_INTERFACE_PACKING_STD140, "S"),
            block);
  EXPECT_NE(glsl_type::get_interface_instance(
                fields, 2, GLSL_INTERFACE_PACKING_PACKED, "S"),
            block);
}

TEST(GlslTypeTest, RecordsWithManyFieldsAreCachedSafely) {
  std::vector<std::string> names;
  std::vector<glsl_struct_field> fields;
  for (int i = 0; i < 300; i++) names.push_back("f" + std::to_string(i));
  for (int i = 0; i < 300; i++)
    fields.push_back(field(i % 2 ? glsl_type::vec4_type : glsl_type::int_type,
                           names[i].c_str()));
  const glsl_type *big = glsl_type::get_record_instance(fields.data(), 300, "Big");
  EXPECT_EQ(glsl_type::get_record_instance(fields.data(), 300, "Big"), big);
  fields[299].type = glsl_type::float_type;  // differs only past the key
  EXPECT_NE(glsl_type::get_record_instance(fields.data(), 300, "Big"), big);
  EXPECT_EQ(big->field_index("f299"), 299);
}

TEST(GlslTypeTest, ReleasedCachesKeepTypesValid) {
  const glsl_type *a = glsl_type::get_array_instance(glsl_type::ivec2_type, 9);
  glsl_type_release_caches();
  EXPECT_STREQ(a->name, "ivec2[9]");
  const glsl_type *b = glsl_type::get_array_instance(glsl_type::ivec2_type, 9);
  EXPECT_STREQ(b->name, "ivec2[9]");
}

TEST(GlslTypeTest, ContainsAndUniformLocations) {
  glsl_struct_field inner[] = {field(glsl_type::sampler2D_type, "tex"),
                               field(glsl_type::mat3_type, "m")};
  const glsl_type *in = glsl_type::get_record_instance(inner, 2, "Inner");
  glsl_struct_field outer[] = {
      field(glsl_type::get_array_instance(in, 3), "items"),
      field(glsl_type::uint_type, "n")};
  const glsl_type *out = glsl_type::get_record_instance(outer, 2, "Outer");
  EXPECT_TRUE(out->contains_opaque());
  EXPECT_TRUE(out->contains_integer());
  EXPECT_FALSE(in->contains_integer());
  EXPECT_FALSE(out->contains_image());
  EXPECT_EQ(out->uniform_locations(), 7u);
  EXPECT_EQ(glsl_type::atomic_uint_type->uniform_locations(), 0u);
  // Interfaces are not looked through.
  const glsl_type *block = glsl_type::get_interface_instance(
      outer, 2, GLSL_INTERFACE_PACKING_STD140, "Block");
  EXPECT_FALSE(block->contains_integer());
  EXPECT_EQ(block->uniform_locations(), 7u);
}

TEST(GlslTypeTest, ImplicitConversions) {
  EXPECT_TRUE(glsl_type::int_type->can_implicitly_convert_to(glsl_type::float_type, nullptr));
  EXPECT_TRUE(glsl_type::uvec3_type->can_implicitly_convert_to(glsl_type::vec3_type, nullptr));
  EXPECT_FALSE(glsl_type::vec2_type->can_implicitly_convert_to(glsl_type::vec3_type, nullptr));
  EXPECT_FALSE(glsl_type::float_type->can_implicitly_convert_to(glsl_type::int_type, nullptr));
  EXPECT_FALSE(glsl_type::mat2_type->can_implicitly_convert_to(glsl_type::mat2_type->column_type(), nullptr));
  EXPECT_FALSE(glsl_type::vec4_type->can_implicitly_convert_to(glsl_type::mat2_type, nullptr));
  EXPECT_TRUE(glsl_type::mat2_type->can_implicitly_convert_to(glsl_type::mat2_type, nullptr));

  void *ctx = ralloc_context(nullptr);
  auto *desktop330 = new (ctx) glsl_parse_state(SHC_SHADER_FRAGMENT, false, 330);
  auto *desktop400 = new (ctx) glsl_parse_state(SHC_SHADER_FRAGMENT, false, 400);
  auto *es300 = new (ctx) glsl_parse_state(SHC_SHADER_FRAGMENT, true, 300);
  EXPECT_TRUE(glsl_type::int_type->can_implicitly_convert_to(glsl_type::uint_type, nullptr));
  EXPECT_FALSE(glsl_type::int_type->can_implicitly_convert_to(glsl_type::uint_type, desktop330));
  EXPECT_TRUE(glsl_type::int_type->can_implicitly_convert_to(glsl_type::uint_type, desktop400));
  EXPECT_FALSE(glsl_type::ivec2_type->can_implicitly_convert_to(glsl_type::uvec2_type, es300));
  desktop330->ARB_gpu_shader5_enable = true;
  EXPECT_TRUE(glsl_type::int_type->can_implicitly_convert_to(glsl_type::uint_type, desktop330));
  EXPECT_FALSE(glsl_type::uint_type->can_implicitly_convert_to(glsl_type::int_type, desktop330));
  ralloc_free(ctx);
}

// Offsets from the std140 rules of the OpenGL specification, section 7.6.2.2.
TEST(GlslTypeTest, Std140SizesAndAlignments) {
  EXPECT_EQ(glsl_type::float_type->std140_base_alignment(false), 4u);
  EXPECT_EQ(glsl_type::vec2_type->std140_base_alignment(false), 8u);
  EXPECT_EQ(glsl_type::vec3_type->std140_base_alignment(false), 16u);
  EXPECT_EQ(glsl_type::vec3_type->std140_size(false), 12u);
  EXPECT_EQ(glsl_type::mat3_type->std140_size(false), 48u);
  EXPECT_EQ(glsl_type::mat2x3_type->std140_size(false), 32u);
  EXPECT_EQ(glsl_type::mat2x3_type->std140_size(true), 48u);
  EXPECT_EQ(glsl_type::mat2_type->std140_base_alignment(false), 16u);
  const glsl_type *f3 = glsl_type::get_array_instance(glsl_type::float_type, 3);
  EXPECT_EQ(f3->std140_size(false), 48u);
  EXPECT_EQ(f3->std140_base_alignment(false), 16u);
  const glsl_type *m4x2 = glsl_type::get_array_instance(glsl_type::mat4_type, 2);
  EXPECT_EQ(m4x2->std140_size(false), 128u);

  glsl_struct_field ab[] = {field(glsl_type::float_type, "a"),
                            field(glsl_type::vec3_type, "b")};
  const glsl_type *rec = glsl_type::get_record_instance(ab, 2, "AB");
  EXPECT_EQ(rec->std140_size(false), 32u);
  EXPECT_EQ(rec->std140_base_alignment(false), 16u);
  EXPECT_EQ(glsl_type::get_array_instance(rec, 3)->std140_size(false), 96u);

  // The specification's example block: a record followed by a float.
  glsl_struct_field nested[] = {field(rec, "r"), field(glsl_type::float_type, "f"),
                                field(glsl_type::mat2x3_type, "m", 2)};
  const glsl_type *outer = glsl_type::get_record_instance(nested, 3, "Nested");
  // r: 0..32, f: 32..36, m row-major = 3 rows of vec2 at 16 each, at 48.
  EXPECT_EQ(outer->std140_size(false), 96u);
  EXPECT_EQ(glsl_type::sampler2D_type->std140_base_alignment(false), 0xFFFFFFFFu);
}

class BuiltinTypesTest : public ::testing::Test {
 protected:
  void TearDown() override { ralloc_free(ctx); }
  glsl_parse_state *state(bool es, unsigned version) {
    auto *s = new (ctx) glsl_parse_state(SHC_SHADER_FRAGMENT, es, version);
    return s;
  }
  static bool sees(glsl_parse_state *s, const char *name) {
    return s->symbols->get_type(name) != nullptr;
  }
  void *ctx = ralloc_context(nullptr);
};

TEST_F(BuiltinTypesTest, VersionsDecideTheVisibleNames) {
  glsl_parse_state *d110 = state(false, 110);
  add_builtin_types(d110);
  EXPECT_TRUE(sees(d110, "sampler1D"));
  EXPECT_TRUE(sees(d110, "gl_FogParameters"));
  EXPECT_FALSE(sees(d110, "uint"));
  EXPECT_EQ(d110->symbols->get_type("vec4"), glsl_type::vec4_type);

  glsl_parse_state *es100 = state(true, 100);
  add_builtin_types(es100);
  EXPECT_FALSE(sees(es100, "sampler3D"));
  EXPECT_FALSE(sees(es100, "sampler1D"));
  EXPECT_FALSE(sees(es100, "gl_FogParameters"));
  EXPECT_TRUE(sees(es100, "gl_DepthRangeParameters"));

  glsl_parse_state *es300 = state(true, 300);
  add_builtin_types(es300);
  EXPECT_TRUE(sees(es300, "sampler3D"));
  EXPECT_TRUE(sees(es300, "uint"));
  EXPECT_TRUE(sees(es300, "mat3x4"));

  glsl_parse_state *d420 = state(false, 420);
  add_builtin_types(d420);
  EXPECT_TRUE(sees(d420, "uimage2DMSArray"));
  EXPECT_TRUE(sees(d420, "atomic_uint"));
  EXPECT_FALSE(sees(d420, "gl_LightProducts"));
}

TEST_F(BuiltinTypesTest, ExtensionsAddTheirTypes) {
  glsl_parse_state *es = state(true, 100);
  es->OES_texture_3D_enable = true;
  es->OES_EGL_image_external_enable = true;
  es->EXT_shadow_samplers_enable = true;
  add_builtin_types(es);
  EXPECT_TRUE(sees(es, "sampler3D"));
  EXPECT_TRUE(sees(es, "samplerExternalOES"));
  EXPECT_TRUE(sees(es, "sampler2DShadow"));
  EXPECT_FALSE(sees(es, "sampler2DRect"));

  glsl_parse_state *d = state(false, 120);
  d->ARB_shader_image_load_store_enable = true;
  d->ARB_shader_atomic_counters_enable = true;
  d->ARB_texture_rectangle_enable = true;
  add_builtin_types(d);
  EXPECT_TRUE(sees(d, "iimage2DMSArray"));
  EXPECT_TRUE(sees(d, "atomic_uint"));
  EXPECT_TRUE(sees(d, "sampler2DRectShadow"));
}

}  // namespace
