// The optimiser never changes what a shader computes: every valid corpus
// shader runs to bit-identical outputs before and after it, on several
// input sets, with well-formed IR in between. Then the passes one by one,
// and the Metal rewrites against their formulas, with a model of GL's and
// Metal's cube-map face selection for the cube rewrite.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <iostream>
#include <map>
#include <random>
#include <string>

#include "backend_harness.h"
#include "compile.h"
#include "gles/textures/state_conversion.h"
#include "ir_checker.h"
#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/ir_hierarchical_visitor.h"
#include "shadercompiler/optimizer/ir_optimization.h"
#include "shadercompiler/optimizer/ir_print_glsl.h"
#include "shadercompiler/optimizer/metal_conversion.h"

namespace {

using shctest::outcome;

std::string glsl_of(const shctest::shader_ptr &s) {
  glsl_print_options o;
  o.version = s->Version;
  o.is_es = s->IsES;
  o.stage = s->Stage;
  return ir_print_glsl(s->ir, o);
}

shctest::shader_ptr compiled(const std::string &text, gl_shader_stage stage) {
  shctest::shader_ptr s = shctest::compile(text, stage);
  EXPECT_TRUE(s->CompileStatus) << s->InfoLog;
  return s;
}

shctest::shader_ptr optimized(const std::string &text, gl_shader_stage stage) {
  shctest::shader_ptr s = compiled(text, stage);
  if (!s->CompileStatus) return s;
  std::string error;
  EXPECT_TRUE(optimize_shader(s->ir, &error)) << error;
  EXPECT_EQ(shctest::check_ir(s->ir), std::vector<std::string>{});
  return s;
}

// Runs the shader as written and optimised on the same inputs.
void expect_same_results(const std::string &text, gl_shader_stage stage,
                         const std::vector<shctest::input_values> &input_sets) {
  shctest::shader_ptr s = compiled(text, stage);
  ASSERT_TRUE(s->CompileStatus);
  std::vector<outcome> before;
  for (const auto &inputs : input_sets) before.push_back(shctest::interpret(s->ir, inputs));
  std::string error;
  ASSERT_TRUE(optimize_shader(s->ir, &error)) << error;
  ASSERT_EQ(shctest::check_ir(s->ir), std::vector<std::string>{});
  for (size_t i = 0; i < input_sets.size(); i++) {
    ASSERT_TRUE(before[i].ran) << before[i].error;
    EXPECT_EQ(shctest::compare_bits(before[i], shctest::interpret(s->ir, input_sets[i])), "")
        << "inputs " << i << "\n" << glsl_of(s);
  }
}

// ------------------------------------------------------------ the corpus

TEST(OptimizerCorpus, EveryValidShaderComputesTheSameBitsBeforeAndAfter) {
  const std::vector<shctest::corpus_case> cases = shctest::valid_corpus(shctest::sweep_step(4));
  unsigned compared = 0, with_calls = 0, rounds = 0, runs = 0;
  unsigned long statements_before = 0, statements_after = 0;
  for (const shctest::corpus_case &c : cases) {
    shctest::shader_ptr s = shctest::compile(c.text, c.stage);
    if (!s->CompileStatus || !shctest::interpretable(s->ir)) continue;
    std::vector<shctest::input_values> inputs;
    std::vector<outcome> before;
    for (unsigned seed = 1; seed <= 3; seed++) {
      inputs.push_back(shctest::inputs_for(s->ir, seed));
      before.push_back(shctest::interpret(s->ir, inputs.back()));
    }
    if (!before[0].ran && !before[1].ran && !before[2].ran) continue;
    statements_before += shctest::statement_count(s->ir);
    bool calls = false;
    foreach_in_list(ir_instruction, ir, s->ir)
      if (ir_function *f = ir->as_function(); f != nullptr && std::strcmp(f->name, "main") != 0)
        calls = true;
    with_calls += calls;
    std::string error;
    optimize_statistics statistics;
    ASSERT_TRUE(optimize_shader(s->ir, &error, &statistics)) << c.name << ": " << error;
    rounds += statistics.rounds;
    statements_after += shctest::statement_count(s->ir);
    ASSERT_EQ(shctest::check_ir(s->ir), std::vector<std::string>{}) << c.name;
    // Inputs that index outside an array stop the interpreter: those
    // runs prove nothing either way.
    for (unsigned i = 0; i < inputs.size(); i++) {
      if (!before[i].ran) continue;
      ASSERT_EQ(shctest::compare_bits(before[i], shctest::interpret(s->ir, inputs[i])), "")
          << c.name << " inputs " << i << "\n" << c.text << "\n" << glsl_of(s);
      runs++;
    }
    compared++;
  }
  std::cout << "[ statistics ] " << compared << " shaders, " << runs << " runs (" << with_calls
            << " with functions), statements " << statements_before << " -> " << statements_after
            << ", " << rounds << " rounds of the passes\n";
  EXPECT_GT(compared, 700u);
  EXPECT_GT(runs, 2 * compared);
  EXPECT_GT(with_calls, 80u);
  EXPECT_LT(statements_after, statements_before);
}

// ------------------------------------------------------------ returns, calls

TEST(OptimizerPasses, ReturnsInsideLoopsAndBranchesKeepTheirMeaning) {
  const std::string text =
      "#version 100\n"
      "uniform float a, b;\n"
      "uniform int n;\n"
      "float first_above(float limit) {\n"
      "  for (int i = 0; i < 8; i++) {\n"
      "    if (float(i) * a > limit) return float(i);\n"
      "    if (i == n) { if (b > 0.0) return -1.0; else break; }\n"
      "  }\n"
      "  if (a < 0.0) return 100.0;\n"
      "  return -2.0;\n"
      "}\n"
      "void main() {\n"
      "  float x = first_above(b);\n"
      "  if (x < 0.0) { gl_Position = vec4(x); return; }\n"
      "  gl_Position = vec4(x, first_above(-b), 0.0, 1.0);\n"
      "}\n";
  std::vector<shctest::input_values> inputs;
  for (double a : {-1.0, 0.5, 2.0})
    for (double b : {-3.0, 0.0, 1.5})
      for (int n : {0, 2, 9}) inputs.push_back({{"a", {a}}, {"b", {b}}, {"n", {double(n)}}});
  expect_same_results(text, SHC_SHADER_VERTEX, inputs);

  // One function, one exit: no return statement is left.
  shctest::shader_ptr s = optimized(text, SHC_SHADER_VERTEX);
  unsigned functions = 0;
  foreach_in_list(ir_instruction, ir, s->ir) functions += ir->as_function() != nullptr;
  class return_counter : public ir_hierarchical_visitor {
   public:
     using ir_hierarchical_visitor::visit_enter;
    ir_visitor_status visit_enter(ir_return *) override {
      count++;
      return visit_continue;
    }
    unsigned count = 0;
  } counter;
  counter.run(s->ir);
  const unsigned returns = counter.count;
  EXPECT_EQ(functions, 1u);
  EXPECT_EQ(returns, 0u);
}

TEST(OptimizerPasses, OutAndInoutArgumentsAreCopiedBackAfterTheBody) {
  // The same variable passed twice: GL copies in, runs the body on the
  // copies, and copies out in parameter order.
  const std::string text =
      "#version 100\n"
      "uniform float u;\n"
      "void twice(inout float a, out float b, inout float c) {\n"
      "  b = a * 3.0; a = a + 1.0; c = c * a;\n"
      "}\n"
      "void main() {\n"
      "  float x = u; float y = 2.0;\n"
      "  twice(x, x, y);\n"
      "  float z = u;\n"
      "  twice(z, y, z);\n"
      "  gl_Position = vec4(x, y, z, 1.0);\n"
      "}\n";
  expect_same_results(text, SHC_SHADER_VERTEX, {{{"u", {0.5}}}, {{"u", {-2.0}}}});
}

TEST(OptimizerPasses, SamplerParametersStandForTheSamplersPassed) {
  const std::string text =
      "#version 100\n"
      "precision mediump float;\n"
      "uniform sampler2D maps[3];\n"
      "uniform sampler2D single;\n"
      "uniform int pick;\n"
      "varying vec2 uv;\n"
      "vec4 look(sampler2D s, vec2 at) { return texture2D(s, at * 2.0); }\n"
      "void main() {\n"
      "  gl_FragColor = look(single, uv) + look(maps[1], uv.yx) + look(maps[2], uv);\n"
      "}\n";
  expect_same_results(text, SHC_SHADER_FRAGMENT,
                      {{{"uv", {0.25, 0.75}}, {"pick", {1}}}, {{"uv", {-1.0, 3.0}}}});
}

TEST(OptimizerPasses, CallsNestingExponentiallyAreRefusedQuickly) {
  std::string text = "#version 100\nuniform float u;\nfloat f0(float x) { return x * u; }\n";
  for (int i = 1; i <= 30; i++)
    text += "float f" + std::to_string(i) + "(float x) { return f" + std::to_string(i - 1) +
            "(x) + f" + std::to_string(i - 1) + "(x + 1.0); }\n";
  text += "void main() { gl_Position = vec4(f30(1.0)); }\n";
  shctest::shader_ptr s = compiled(text, SHC_SHADER_VERTEX);
  std::string error;
  EXPECT_FALSE(optimize_shader(s->ir, &error));
  EXPECT_EQ(error, "the shader is too large once its function calls are inlined");
}

// ------------------------------------------------------------ folding, identities

TEST(OptimizerPasses, ConstantsFoldAndDeadBranchesAndLoopsGo) {
  shctest::shader_ptr s = optimized(
      "#version 100\n"
      "const float k = 2.0;\n"
      "uniform float u;\n"
      "void main() {\n"
      "  float x = k * 3.0 + 1.0;\n"
      "  if (x > 6.0) x = x + u; else x = 0.0;\n"
      "  for (int i = 0; i < 0; i++) x = 5.0;\n"
      "  gl_Position = vec4(x, sin(0.0), vec2(k));\n"
      "}\n",
      SHC_SHADER_VERTEX);
  const std::string glsl = glsl_of(s);
  EXPECT_NE(glsl.find("gl_Position = vec4(7.0 + u, 0.0, 2.0, 2.0);"), std::string::npos) << glsl;
  EXPECT_EQ(glsl.find("for ("), std::string::npos) << glsl;
  EXPECT_EQ(glsl.find("if ("), std::string::npos) << glsl;
}

TEST(OptimizerPasses, OnlyIdentitiesThatHoldBitForBitApply) {
  // x + 0.0 turns -0.0 into +0.0 and stays; x * 1.0, x - 0.0, x / 1.0,
  // -(-x) and swizzles of swizzles go; a product with a matrix of ones is
  // no identity.
  const std::string text =
      "#version 100\n"
      "uniform float x;\n"
      "uniform vec4 v;\n"
      "uniform mat2 m;\n"
      "void main() {\n"
      "  gl_Position = vec4(x + 0.0, x * 1.0 - 0.0, -(-(x / 1.0)), (m * mat2(1.0, 1.0, 1.0, 1.0))[0][0]) + v.wzyx.wzyx;\n"
      "}\n";
  shctest::shader_ptr s = optimized(text, SHC_SHADER_VERTEX);
  const std::string glsl = glsl_of(s);
  EXPECT_NE(glsl.find("x + 0.0"), std::string::npos) << glsl;
  EXPECT_NE(glsl.find("vec4(x + 0.0, x, x, (m * mat2(1.0, 1.0, 1.0, 1.0))[0][0]) + v;"), std::string::npos)
      << glsl;
  expect_same_results(text, SHC_SHADER_VERTEX,
                      {{{"x", {-0.0}}, {"v", {1, 2, 3, 4}}, {"m", {1, 2, 3, 4}}},
                       {{"x", {3.5}}, {"v", {0, -1, 0, 1}}, {"m", {0, 0, 1, 1}}}});
}

TEST(OptimizerPasses, DeadCodeKeepsOutputsVaryingsAndWhatTheyRead) {
  shctest::shader_ptr s = optimized(
      "#version 100\n"
      "uniform float u;\n"
      "varying vec4 unused_varying;\n"
      "float unused_global;\n"
      "void main() {\n"
      "  float dead = u * 2.0;\n"
      "  float live = u + 1.0;\n"
      "  gl_Position = vec4(live);\n"
      "  return;\n"
      "  gl_Position = vec4(dead);\n"
      "}\n",
      SHC_SHADER_VERTEX);
  const std::string glsl = glsl_of(s);
  EXPECT_NE(glsl.find("varying vec4 unused_varying;"), std::string::npos) << glsl;
  EXPECT_EQ(glsl.find("dead"), std::string::npos) << glsl;
  EXPECT_EQ(glsl.find("unused_global"), std::string::npos) << glsl;
  EXPECT_NE(glsl.find("float live = u + 1.0;\n  gl_Position = vec4(live);"), std::string::npos)
      << glsl;
}

TEST(OptimizerPasses, ComponentWritesBecomeOneConstructorAndTemporariesGraft) {
  shctest::shader_ptr s = optimized(
      "#version 100\n"
      "uniform mat3 m;\n"
      "uniform vec4 c;\n"
      "void main() {\n"
      "  vec3 axis = normalize(vec3(m[0][2], m[1][2], m[2][2]));\n"
      "  vec4 color = vec4(c.rgb * axis, c.a);\n"
      "  gl_Position = color;\n"
      "}\n",
      SHC_SHADER_VERTEX);
  const std::string glsl = glsl_of(s);
  EXPECT_NE(glsl.find("normalize(vec3(m[0][2], m[1][2], m[2][2]))"), std::string::npos) << glsl;
  EXPECT_NE(glsl.find("gl_Position.xyz = c.xyz * "), std::string::npos) << glsl;
  EXPECT_NE(glsl.find("gl_Position.w = c.w;"), std::string::npos) << glsl;
}

TEST(OptimizerPasses, ASecondRunChangesNothing) {
  const std::string text =
      "#version 100\n"
      "uniform vec3 l;\n"
      "attribute vec3 n;\n"
      "float lit(vec3 a, vec3 b) { return max(dot(normalize(a), normalize(b)), 0.0); }\n"
      "void main() { gl_Position = vec4(lit(n, l), clamp(l, 0.0, 1.0)); }\n";
  shctest::shader_ptr s = optimized(text, SHC_SHADER_VERTEX);
  const std::string once = glsl_of(s);
  optimize_statistics statistics;
  optimize_to_fixed_point(s->ir, &statistics);
  EXPECT_EQ(statistics.rounds, 1u);
  EXPECT_EQ(glsl_of(s), once);
}

// ------------------------------------------------------------ Metal's rewrites

// Texels that report the coordinate a lookup received, so that outputs
// show it: (c0, c1, c2, number of components).
std::array<float, 4> coordinate_texels(const shctest::texture_lookup &l) {
  std::array<float, 4> t{0, 0, 0, float(l.coordinate.size())};
  for (size_t i = 0; i < 3 && i < l.coordinate.size(); i++) t[i] = l.coordinate[i];
  return t;
}

shctest::shader_ptr rewritten(const std::string &text, gl_shader_stage stage, bool invert) {
  shctest::shader_ptr s = optimized(text, stage);
  apply_metal_rewrites(s->ir, stage, invert);
  optimize_to_fixed_point(s->ir);
  EXPECT_EQ(shctest::check_ir(s->ir), std::vector<std::string>{});
  return s;
}

const std::string kLookups =
    "#version 100\n"
    "#extension GL_EXT_shader_texture_lod : enable\n"
    "precision mediump float;\n"
    "uniform sampler2D s;\n"
    "uniform samplerCube c;\n"
    "uniform vec4 p;\n"
    "uniform vec3 d;\n"
    "void main() {\n"
    "  gl_FragData[0] = texture2D(s, p.xy) + 10.0 * texture2DProj(s, p.xyz) +\n"
    "      100.0 * texture2DProj(s, p) + 1000.0 * textureCube(c, d) +\n"
    "      10000.0 * texture2DGradEXT(s, p.xy, d.xy, d.yz);\n"
    "}\n";

// The lookups of kLookups one at a time: each output sums one lookup.
std::vector<std::array<float, 4>> lookups_of(const shctest::shader_ptr &s,
                                             const shctest::input_values &inputs) {
  std::vector<std::array<float, 4>> seen;
  shctest::texel_function record = [&](const shctest::texture_lookup &l) {
    seen.push_back(coordinate_texels(l));
    return std::array<float, 4>{0, 0, 0, 0};
  };
  shctest::interpret(s->ir, inputs, record);
  return seen;
}

TEST(MetalRewrites, TwoDimensionalLookupsSampleOneMinusT) {
  const float ps[4] = {0.25f, 0.625f, 2.0f, 4.0f};
  const float ds[3] = {-0.5f, 0.75f, 0.125f};
  const shctest::input_values inputs = {{"p", {ps[0], ps[1], ps[2], ps[3]}},
                                        {"d", {ds[0], ds[1], ds[2]}}};
  for (bool invert : {true, false}) {
    auto seen = lookups_of(rewritten(kLookups, SHC_SHADER_FRAGMENT, invert), inputs);
    ASSERT_EQ(seen.size(), 5u);
    const auto flip = [&](float t) { return invert ? 1.0f - t : t; };
    std::map<int, std::array<float, 3>> expected = {
        {2, {ps[0], flip(ps[1]), 0}},                  // texture2D
        {3, {ds[0], invert ? -ds[1] : ds[1], ds[2]}},  // textureCube: (x, -y, z)
    };
    bool plain = false, over_z = false, over_w = false, cube = false;
    for (const auto &t : seen) {
      const int n = int(t[3]);
      ASSERT_TRUE(n == 2 || n == 3) << "every 2D lookup is divided first";
      if (n == 3) {
        cube = t[0] == ds[0] && t[1] == expected[3][1] && t[2] == ds[2];
        continue;
      }
      plain = plain || (t[0] == ps[0] && t[1] == flip(ps[1]));
      over_z = over_z || (t[0] == ps[0] / ps[2] && t[1] == flip(ps[1] / ps[2]));
      over_w = over_w || (t[0] == ps[0] / ps[3] && t[1] == flip(ps[1] / ps[3]));
    }
    EXPECT_TRUE(plain && over_z && over_w && cube) << invert;
  }
}

// Finds the gradients of the one gradient lookup.
class gradient_finder : public ir_hierarchical_visitor {
 public:
   using ir_hierarchical_visitor::visit_enter;
  ir_visitor_status visit_enter(ir_texture *t) override {
    if (t->op == ir_txd) found = t;
    return visit_continue;
  }
  ir_texture *found = nullptr;
};

TEST(MetalRewrites, GradientsOfInvertedLookupsNegateT) {
  shctest::shader_ptr s = rewritten(kLookups, SHC_SHADER_FRAGMENT, true);
  gradient_finder finder;
  finder.run(s->ir);
  ASSERT_NE(finder.found, nullptr);
  // dPdx = d.xy, dPdy = d.yz become (d.x, -d.y) and (d.y, -d.z).
  for (ir_rvalue *g : {finder.found->lod_info.grad.dPdx, finder.found->lod_info.grad.dPdy}) {
    ir_expression *v = g->as_expression();
    ASSERT_NE(v, nullptr);
    ASSERT_EQ(v->operation, ir_quadop_vector);
    ASSERT_NE(v->operands[1]->as_expression(), nullptr);
    EXPECT_EQ(v->operands[1]->as_expression()->operation, ir_unop_neg);
    EXPECT_EQ(v->operands[0]->as_expression(), nullptr);
  }
}

TEST(MetalRewrites, VertexDepthMapsFromMinusWToWOntoZeroToW) {
  const std::string text =
      "#version 100\n"
      "attribute vec4 p;\n"
      "uniform bool early;\n"
      "void main() {\n"
      "  gl_Position = p;\n"
      "  if (early) { gl_Position.z = 7.0; return; }\n"
      "  gl_Position.w = p.w * 2.0;\n"
      "}\n";
  shctest::shader_ptr plain = optimized(text, SHC_SHADER_VERTEX);
  shctest::shader_ptr metal = rewritten(text, SHC_SHADER_VERTEX, true);
  for (bool early : {false, true}) {
    const shctest::input_values inputs = {{"p", {0.5, -0.25, 0.75, 1.5}}, {"early", {double(early)}}};
    const outcome gl = shctest::interpret(plain->ir, inputs);
    const outcome mtl = shctest::interpret(metal->ir, inputs);
    const auto &a = gl.outputs.at("gl_Position");
    const auto &b = mtl.outputs.at("gl_Position");
    EXPECT_EQ(b[0], a[0]);
    EXPECT_EQ(b[1], a[1]);
    EXPECT_EQ(b[3], a[3]);
    EXPECT_EQ(b[2], double((float(a[2]) + float(a[3])) / 2.0f)) << early;
  }
}

TEST(MetalRewrites, DFdyIsNegatedAndDepthRangeIsConstant) {
  shctest::shader_ptr s = rewritten(
      "#version 100\n"
      "#extension GL_OES_standard_derivatives : enable\n"
      "precision mediump float;\n"
      "varying vec2 v;\n"
      "void main() {\n"
      "  gl_FragColor = vec4(dFdx(v.x), dFdy(v.y), gl_DepthRange.far + gl_DepthRange.diff,\n"
      "                      gl_DepthRange.near);\n"
      "}\n",
      SHC_SHADER_FRAGMENT, true);
  const std::string glsl = glsl_of(s);
  EXPECT_NE(glsl.find("gl_FragColor = vec4(dFdx(v.x), -dFdy(v.y), 2.0, 0.0);"), std::string::npos)
      << glsl;
}

// A model of cube sampling: GL's face selection (OpenGL ES 2.0, table
// 3.11, the rule Metal's cube textures share) and nearest texels. A texel
// is named by (face slot, row, column).
struct cube_texel {
  int face, row, column;
  bool operator==(const cube_texel &o) const {
    return face == o.face && row == o.row && column == o.column;
  }
};

// GL's face and (s, t) for a direction: faces as GL's targets in order
// +X, -X, +Y, -Y, +Z, -Z; t = 0 is the first row of the face's image.
cube_texel sample_cube(float x, float y, float z, int size) {
  const float ax = std::fabs(x), ay = std::fabs(y), az = std::fabs(z);
  int face;
  float sc, tc, ma;
  if (ax >= ay && ax >= az) {
    face = x > 0 ? 0 : 1;
    sc = x > 0 ? -z : z;
    tc = -y;
    ma = ax;
  } else if (ay >= az) {
    face = y > 0 ? 2 : 3;
    sc = x;
    tc = y > 0 ? z : -z;
    ma = ay;
  } else {
    face = z > 0 ? 4 : 5;
    sc = z > 0 ? x : -x;
    tc = -y;
    ma = az;
  }
  const float s = (sc / ma + 1) / 2, t = (tc / ma + 1) / 2;
  return {face, std::min(int(t * size), size - 1), std::min(int(s * size), size - 1)};
}

TEST(MetalRewrites, CubeDirectionsMirroredInYFindTheTexelsGLWould) {
  // GL's faces as uploaded: face f's row r holds texel (f, r, c). Metal's
  // texture has each face's rows upside down, in the slice the GL layer
  // gives its target.
  // GL_TEXTURE_CUBE_MAP_POSITIVE_X and the five faces after it.
  const GLenum targets[6] = {0x8515, 0x8516, 0x8517, 0x8518, 0x8519, 0x851A};
  int face_of_slice[6];
  for (int f = 0; f < 6; f++) face_of_slice[mglMTLSliceOfTextureFace(targets[f])] = f;
  const int size = 16;
  auto stored_in_metal = [&](const cube_texel &m) {
    return cube_texel{face_of_slice[m.face], size - 1 - m.row, m.column};
  };
  std::mt19937 random(7);
  std::uniform_real_distribution<float> any(-1.0f, 1.0f);
  int checked = 0, mirrored_z_agrees = 0, y_major = 0;
  for (int i = 0; i < 20000; i++) {
    const float x = any(random), y = any(random), z = any(random);
    const float m = std::max({std::fabs(x), std::fabs(y), std::fabs(z)});
    // Directions near a face's edge or a texel's border depend on rounding.
    const cube_texel gl = sample_cube(x, y, z, size);
    const float second = std::fabs(x) + std::fabs(y) + std::fabs(z) - m -
                         std::min({std::fabs(x), std::fabs(y), std::fabs(z)});
    if (m - second < 1e-3f) continue;
    const cube_texel metal = stored_in_metal(sample_cube(x, -y, z, size));
    const cube_texel other = stored_in_metal(sample_cube(x, y, -z, size));
    const bool on_border = !(sample_cube(x * 1.001f, y, z, size) == gl) ||
                           !(sample_cube(x, y * 1.001f, z, size) == gl) ||
                           !(sample_cube(x, y, z * 1.001f, size) == gl);
    if (on_border) continue;
    ASSERT_EQ(metal.face, gl.face) << x << " " << y << " " << z;
    ASSERT_EQ(metal.row, gl.row) << x << " " << y << " " << z;
    ASSERT_EQ(metal.column, gl.column) << x << " " << y << " " << z;
    checked++;
    if (std::fabs(y) == m) {
      y_major++;
      mirrored_z_agrees += other == gl;
    }
  }
  EXPECT_GT(checked, 15000);
  // With the Y faces exchanged, mirroring z where y is largest finds the
  // other Y face: (x, -y, z) is the one rewrite for every face.
  EXPECT_GT(y_major, 4000);
  EXPECT_EQ(mirrored_z_agrees, 0);
}

}  // namespace
