#include <gtest/gtest.h>

#include "shadercompiler/frontend/glsl_parser_extras.h"
#include "shadercompiler/frontend/glsl_symbol_table.h"
#include "shadercompiler/ir/support/ralloc.h"
#include "shadercompiler/ir/support/standalone_scaffolding.h"

namespace {

TEST(GlslErrorTest, AppendsLocatedMessagesAndSetsFlag) {
  void *ctx = ralloc_context(nullptr);
  auto *state = new (ctx) glsl_parse_state(SHC_SHADER_VERTEX, true, 100);
  EXPECT_FALSE(state->error);
  EXPECT_STREQ(state->info_log, "");
  glsl_source_location here{12, 5, 12, 9, 0};
  glsl_error(&here, state, "`%s' undeclared", "foo");
  glsl_source_location nowhere{};
  glsl_error(&nowhere, state, "no %s", "position");
  EXPECT_TRUE(state->error);
  EXPECT_STREQ(state->info_log,
               "(12,5): error: `foo' undeclared\n(0,0): error: no position\n");
  ralloc_free(ctx);
}

TEST(GlslSymbolTableTest, TypesFollowScopes) {
  void *ctx = ralloc_context(nullptr);
  auto *symbols = new (ctx) glsl_symbol_table;
  EXPECT_FALSE(symbols->separate_function_namespace);
  EXPECT_TRUE(symbols->add_type("T", glsl_type::vec2_type));
  EXPECT_FALSE(symbols->add_type("T", glsl_type::vec3_type));
  symbols->push_scope();
  EXPECT_TRUE(symbols->add_type("T", glsl_type::vec4_type));
  EXPECT_EQ(symbols->get_type("T"), glsl_type::vec4_type);
  symbols->pop_scope();
  EXPECT_EQ(symbols->get_type("T"), glsl_type::vec2_type);
  EXPECT_EQ(symbols->get_type("U"), nullptr);
  delete symbols;  // explicit deletion before the pool goes
  ralloc_free(ctx);
}

TEST(ScaffoldingTest, ShaderRecordsAndContextDefaults) {
  gl_shader *shader = new_gl_shader(nullptr, 7, GL_FRAGMENT_SHADER);
  EXPECT_EQ(shader->Stage, SHC_SHADER_FRAGMENT);
  EXPECT_EQ(shader->Type, GL_FRAGMENT_SHADER);
  EXPECT_EQ(shader->Name, 7u);
  EXPECT_EQ(shader->RefCount, 1);
  EXPECT_EQ(ralloc_parent(shader), nullptr);
  ralloc_free(shader);
  EXPECT_EQ(_shc_shader_enum_to_shader_stage(GL_GEOMETRY_SHADER), SHC_SHADER_GEOMETRY);
  EXPECT_EQ(_shc_shader_enum_to_shader_stage(GL_COMPUTE_SHADER), SHC_SHADER_COMPUTE);
  EXPECT_DEATH(_shc_shader_enum_to_shader_stage(0x1234),
               "bad value in _shc_shader_enum_to_shader_stage");

  gl_context ctx;
  initialize_context_defaults(&ctx, 3);
  EXPECT_EQ(ctx.API, 3u);
  EXPECT_EQ(ctx.Const.GLSLVersion, 120u);
  EXPECT_EQ(ctx.Const.Program[SHC_SHADER_VERTEX].MaxUniformComponents, 512u);
  EXPECT_EQ(ctx.Const.MaxComputeWorkGroupSize[2], 64u);
  EXPECT_TRUE(ctx.Extensions.OES_standard_derivatives);
  EXPECT_FALSE(ctx.Extensions.EXT_shadow_samplers);
  EXPECT_EQ(ctx.Const.ShaderCompilerOptions[3].MaxIfDepth, 4294967295u);
}

}  // namespace
