// Functions specialised for what a draw fixes: the chart's shader pair
// shrinks to what its uniforms select, and a value folded at the top level
// reaches lanes that part in branches, loops and early returns. Every case
// runs the original and the specialised function through the reference
// interpreter and compares the outputs bit for bit.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>

#include "platform/metal/msl/compiler.h"
#include "platform/metal/msl/default_library.h"
#include "platform/metal/msl/reference_interpreter.h"
#include "platform/metal/msl/specializer.h"
#include "shader_harness.h"
#include "shader_samples.h"
#include "specialization_check.h"

namespace mtl::msl {
namespace {

std::shared_ptr<const CompiledFunction> function(const std::string& source, const std::string& name) {
  return test::compileFunction(source, name);
}

// Runs both on random inputs; returns the specialised function.
SpecializedFunction expectSameOutputs(const CompiledFunction& f, const std::vector<std::uint8_t>& buffer,
                                      unsigned seed) {
  const SpecializedFunction s = specialize(f, test::loadsFrom(f, buffer));
  EXPECT_EQ(verify(s.function), "") << disassemble(s.function);
  const test::SpecializationComparison c = test::compareSpecialization(f, s, buffer, seed);
  EXPECT_EQ(c.compared, 64) << "every run ends";
  EXPECT_EQ(c.difference, "") << disassemble(s.function);
  return s;
}

std::size_t count(const CompiledFunction& f, Opcode op) {
  std::size_t n = 0;
  for (const Instruction& i : f.code) n += i.op == op;
  return n;
}

TEST(ShaderSpecializer, TheChartsFragmentShaderKeepsWhatItsTextureSwitchSelects) {
  auto f = function(std::string(defaultLibrarySource()), "FragmentShader");
  ASSERT_TRUE(f);
  std::vector<std::uint8_t> uniforms(16, 0);
  const SpecializedFunction plain = expectSameOutputs(*f, uniforms, 1);
  EXPECT_EQ(count(plain.function, Opcode::If), 0u);
  EXPECT_EQ(count(plain.function, Opcode::Sample), 0u);
  EXPECT_LE(plain.function.code.size(), 3u) << disassemble(plain.function);
  uniforms[0] = 1;  // u_UseTexture
  const SpecializedFunction textured = expectSameOutputs(*f, uniforms, 2);
  EXPECT_EQ(count(textured.function, Opcode::If), 0u);
  EXPECT_EQ(count(textured.function, Opcode::Sample), 1u);
  EXPECT_EQ(count(textured.function, Opcode::LoadBuffer), 0u);
}

TEST(ShaderSpecializer, TheChartsVertexShaderWithoutLightIsTheMatrixAndTheColour) {
  auto f = function(std::string(defaultLibrarySource()), "VertexShader");
  ASSERT_TRUE(f);
  std::vector<std::uint8_t> uniforms(160, 0);
  for (int k = 0; k < 32; ++k) {
    const float v = k % 5 == 0 ? 1.0f : 0.25f * static_cast<float>(k % 3);
    std::memcpy(&uniforms[4 * k], &v, 4);  // the two matrices
  }
  const SpecializedFunction unlit = expectSameOutputs(*f, uniforms, 3);
  EXPECT_EQ(count(unlit.function, Opcode::If), 0u) << disassemble(unlit.function);
  EXPECT_LT(unlit.function.code.size() * 3, f->code.size()) << disassemble(unlit.function);
  // A light direction and a material keep the lighting.
  const float light[3] = {0.0f, 0.6f, 0.8f};
  std::memcpy(&uniforms[144], light, sizeof light);
  const int material = 1;
  std::memcpy(&uniforms[128], &material, 4);
  const SpecializedFunction lit = expectSameOutputs(*f, uniforms, 4);
  EXPECT_GT(count(lit.function, Opcode::If), 0u);
}

// Folded values read after lanes parted, and written where only some
// lanes write: the registers must hold them for every lane.
TEST(ShaderSpecializer, FoldedValuesReachLanesThatPart) {
  const std::string source = test::kPrelude + R"(
struct In { float a [[user(a)]]; float b [[user(b)]]; };
struct U { float k; int n; float m; int flag; };
static float early(float x, float k) {
  if (x > k) return k;      // leaves the inlined call early
  return x * k;
}
fragment float4 parting(In in [[stage_in]], constant U& u [[buffer(0)]]) {
  float x = u.k * 2.0;      // folded at the top level
  float y = u.m + 1.0;
  if (in.a > 0.0) { x = in.a; } else { y = y * in.b; }
  int i = 0;
  float z = u.k;
  while (i < u.n) {          // a fixed count, but a loop all the same
    z = z * 1.5 + x;
    if (z > 20.0) break;
    i += 1;
  }
  float w = early(in.b, u.m);
  if (u.flag == 1) { w = w + y; } else { w = w - y; }
  if (in.b < -2.0) discard_fragment();
  return float4(x, y, z + float(i), w);
}
)";
  auto f = function(source, "parting");
  ASSERT_TRUE(f);
  for (int flag : {0, 1}) {
    std::vector<std::uint8_t> uniforms(16, 0);
    const float k = 1.25f, m = -0.5f;
    const int n = 4;
    std::memcpy(&uniforms[0], &k, 4);
    std::memcpy(&uniforms[4], &n, 4);
    std::memcpy(&uniforms[8], &m, 4);
    std::memcpy(&uniforms[12], &flag, 4);
    const SpecializedFunction s = expectSameOutputs(*f, uniforms, 10 + static_cast<unsigned>(flag));
    EXPECT_EQ(count(s.function, Opcode::LoadBuffer), 0u);
    EXPECT_FALSE(s.pinned.empty());
  }
}

// A value of several registers (a matrix) stored into an array at an index
// known only at run time: every register of it is read, however much of
// it folded.
TEST(ShaderSpecializer, AStoreAtARuntimeIndexReadsEveryRegisterOfItsValue) {
  const std::string source = test::kPrelude + R"(
struct In { float a [[user(a)]]; float b [[user(b)]]; };
struct U { float k; float m; };
fragment float4 columns(In in [[stage_in]], constant U& u [[buffer(0)]]) {
  float2x2 kept[3];
  kept[0] = float2x2(float2(0.0), float2(0.0));
  kept[1] = kept[0];
  kept[2] = kept[0];
  int i = in.a > 0.0 ? 1 : 2;
  kept[i] = float2x2(float2(u.k, u.m), float2(in.b, u.k * 2.0));
  float2x2 m = kept[i];
  return float4(m[0], m[1]);
}
)";
  auto f = function(source, "columns");
  ASSERT_TRUE(f);
  ASSERT_GT(count(*f, Opcode::StoreIndexed), 0u) << disassemble(*f);
  std::vector<std::uint8_t> uniforms(8, 0);
  const float k = 1.5f, m = -0.75f;
  std::memcpy(&uniforms[0], &k, 4);
  std::memcpy(&uniforms[4], &m, 4);
  expectSameOutputs(*f, uniforms, 20);
}

TEST(ShaderSpecializer, FixedInputsFoldLikeUniforms) {
  const std::string source = test::kPrelude + R"(
struct VIn { float4 p [[attribute(0)]]; float3 n [[attribute(1)]]; };
struct VOut { float4 p [[position]]; float lit; };
vertex VOut fixedNormal(VIn in [[stage_in]]) {
  VOut o;
  o.p = in.p;
  float l = length(in.n);
  o.lit = l > 0.0 ? dot(in.n / l, float3(0.0, 0.0, 1.0)) : 1.0;
  if (l > 0.0) { o.p.z = o.p.z + l; }
  return o;
}
)";
  auto f = function(source, "fixedNormal");
  ASSERT_TRUE(f);
  FixedValues fixed;
  fixed.loads.resize(f->code.size());
  std::uint16_t normalReg = 0;
  std::size_t normalIndex = 0;
  for (std::size_t k = 0; k < f->inputs.size(); ++k) {
    if (f->inputs[k].name == "n") normalReg = f->inputs[k].reg, normalIndex = k;
  }
  fixed.inputs.push_back({normalReg, Register{}});  // a zero normal: unlit
  const SpecializedFunction s = specialize(*f, fixed);
  EXPECT_EQ(verify(s.function), "");
  EXPECT_EQ(count(s.function, Opcode::If), 0u) << disassemble(s.function);
  EXPECT_FALSE(s.inputRead[normalIndex]) << "the fixed normal needs no fetching";
  std::vector<std::uint8_t> none;
  for (float x : {-1.0f, 0.0f, 2.5f}) {
    std::vector<Register> inputs(f->inputs.size());
    for (std::size_t k = 0; k < inputs.size(); ++k) {
      if (k != normalIndex) inputs[k] = {std::bit_cast<std::uint32_t>(x), 0, std::bit_cast<std::uint32_t>(x * 2), 0x3F800000u};
    }
    const Invocation a = test::runPinned(*f, {}, inputs, none);
    const Invocation b = test::runPinned(s.function, s.pinned, inputs, none);
    for (const InterfaceValue& out : f->outputs) EXPECT_EQ(output(a, out), output(b, out)) << out.name;
  }
}

}  // namespace
}  // namespace mtl::msl
