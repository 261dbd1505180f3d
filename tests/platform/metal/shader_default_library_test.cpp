// The default library's pair against the chart's GLSL shaders: the GLSL
// compiled by the shader compiler's front end and run by its IR
// interpreter (written apart from this front end), the Metal pair compiled
// and run here, on the same random vertices, lights, materials and
// textures. Positions differ only by GL's depth remap, texture coordinates
// by the row flip.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstring>
#include <functional>
#include <map>
#include <stdexcept>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "compile.h"
#include "platform/metal/msl/compiler.h"
#include "platform/metal/msl/default_library.h"
#include "platform/metal/msl/reference_interpreter.h"
#include "shader_interpreter.h"
#include "tests/support/fuzz.h"

namespace mtl::msl {
namespace {

std::string chartShader(const char* file) {
  const char* root = std::getenv("TESSALY_SOURCE_DIR");
  EXPECT_NE(root, nullptr) << "TESSALY_SOURCE_DIR names the source tree";
  std::string text;
  if (root) {
    FILE* f = std::fopen((std::string(root) + "/resources/Shaders/" + file).c_str(), "rb");
    EXPECT_NE(f, nullptr) << file;
    if (f) {
      char buffer[4096];
      for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) text.append(buffer, n);
      std::fclose(f);
    }
  }
  return "#version 100\n" + text;
}

const CompiledFunction& function(const CompileResult& r, const std::string& name) {
  for (const auto& f : r.functions) {
    if (f->name == name) return *f;
  }
  throw std::runtime_error("no function " + name);
}

// Writes the named members of the function's buffer-0 struct at their
// reflected offsets.
class Uniforms {
 public:
  explicit Uniforms(const CompiledFunction& f) : bytes_(256, 0) {
    for (const auto& a : f.arguments) {
      if (a.argument.type == ArgumentType::Buffer && a.argument.index == 0 && a.argument.bufferStructType) {
        for (const auto& m : a.argument.bufferStructType->members) offsets_[m.name] = m.offset;
      }
    }
  }
  void floats(const std::string& name, const std::vector<double>& values) {
    for (std::size_t k = 0; k < values.size(); ++k) {
      const float v = static_cast<float>(values[k]);
      std::memcpy(bytes_.data() + offsets_.at(name) + 4 * k, &v, 4);
    }
  }
  void integer(const std::string& name, int value) {
    std::memcpy(bytes_.data() + offsets_.at(name), &value, 4);
  }
  std::vector<BufferView> views() { return {BufferView{bytes_.data(), bytes_.size(), false}}; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::map<std::string, std::uint64_t> offsets_;
};

Register toRegister(const std::vector<double>& v) {
  Register r{};
  for (std::size_t k = 0; k < v.size() && k < 4; ++k) r[k] = std::bit_cast<std::uint32_t>(static_cast<float>(v[k]));
  return r;
}

float component(const Register& r, unsigned c) { return std::bit_cast<float>(r[c]); }

// Same value to a few float roundings, relative to the value's size.
void expectClose(double glsl, float metal, const std::string& what) {
  const double tolerance = 4e-6 * std::max(1.0, std::fabs(glsl));
  EXPECT_NEAR(metal, glsl, tolerance) << what;
}

TEST(ShaderDefaultLibrary, ComputesWhatTheChartsGlslPairComputes) {
  const CompileResult metal = compile(defaultLibrarySource());
  ASSERT_TRUE(metal.ok()) << metal.errors;
  const CompiledFunction& vertex = function(metal, "VertexShader");
  const CompiledFunction& fragment = function(metal, "FragmentShader");
  shctest::shader_ptr vs = shctest::compile(chartShader("VertexShader.glsl"), SHC_SHADER_VERTEX);
  shctest::shader_ptr fs = shctest::compile(chartShader("FragmentShader.glsl"), SHC_SHADER_FRAGMENT);
  ASSERT_TRUE(vs && vs->CompileStatus) << (vs ? vs->InfoLog : "");
  ASSERT_TRUE(fs && fs->CompileStatus) << (fs ? fs->InfoLog : "");
  shctest::shader_interpreter glslVertex(vs->ir);
  shctest::shader_interpreter glslFragment(fs->ir);

  std::mt19937 rng(2024);
  std::uniform_real_distribution<double> unit(0.0, 1.0), signed1(-1.0, 1.0), coordinate(-500.0, 500.0);
  const auto vec = [&](int n, std::uniform_real_distribution<double>& d) {
    std::vector<double> v;
    for (int i = 0; i < n; ++i) v.push_back(static_cast<float>(d(rng)));
    return v;
  };
  int cases = 0;
  for (int trial = 0; trial < 300; ++trial) {
    // A model-view of a rotation and translation, a projection of scales.
    std::vector<double> mv = vec(16, signed1), mvp = vec(16, signed1);
    mv[3] = mv[7] = mv[11] = 0;
    mv[15] = 1;
    const bool material = trial % 3 != 0;
    const std::vector<double> light = trial % 5 == 0 ? std::vector<double>{0, 0, 0} : vec(3, signed1);
    std::vector<double> position = vec(4, coordinate);
    position[3] = 1;
    std::vector<double> normal = trial % 7 == 0 ? std::vector<double>{0, 0, 0} : vec(3, signed1);
    const std::vector<double> color = vec(4, unit), uv = vec(2, unit), ambient = vec(4, unit),
                              diffuse = vec(4, unit), specular = vec(4, unit);
    const std::vector<double> shininess = {trial % 4 == 0 ? 0.0 : static_cast<float>(1 + 40 * unit(rng))};

    glslVertex.set("u_MVMatrix", mv);
    glslVertex.set("u_MVPMatrix", mvp);
    glslVertex.set("u_UseMaterial", {material ? 1.0 : 0.0});
    glslVertex.set("u_LightDir", light);
    const std::vector<std::pair<const char*, std::vector<double>>> attributes = {
        {"a_Position", position}, {"a_Color", color}, {"a_Normal", normal}, {"a_TexCoord", uv},
        {"a_materialAmbient", ambient}, {"a_materialDiffuse", diffuse},
        {"a_materialSpecular", specular}, {"a_materialShininess", shininess}};
    for (const auto& [name, value] : attributes) glslVertex.set(name, value);
    ASSERT_TRUE(glslVertex.run()) << glslVertex.error();

    Uniforms vertexUniforms(vertex);
    vertexUniforms.floats("u_MVMatrix", mv);
    vertexUniforms.floats("u_MVPMatrix", mvp);
    vertexUniforms.integer("u_UseMaterial", material ? 1 : 0);
    vertexUniforms.floats("u_LightDir", light);
    Invocation v = prepareInvocation(vertex);
    for (const auto& in : vertex.inputs) {
      for (const auto& [name, value] : attributes) {
        if (in.name == name) setInput(v, in, toRegister(value));
      }
    }
    interpret(vertex, v, vertexUniforms.views());
    ASSERT_TRUE(v.finished);

    const std::vector<double> glPosition = glslVertex.get("gl_Position");
    const Register p = output(v, vertex.outputs.at(0));
    expectClose(glPosition[0], component(p, 0), "x");
    expectClose(glPosition[1], component(p, 1), "y");
    expectClose((glPosition[2] + glPosition[3]) * 0.5, component(p, 2), "z, remapped");
    expectClose(glPosition[3], component(p, 3), "w");
    const std::vector<double> vColor = glslVertex.get("v_Color");
    const Register c = output(v, vertex.outputs.at(1));
    for (unsigned k = 0; k < 4; ++k) expectClose(vColor[k], component(c, k), "v_Color");
    const Register t = output(v, vertex.outputs.at(2));
    EXPECT_EQ(component(t, 0), static_cast<float>(uv[0]));

    // The fragment: the varyings as the vertex left them, a texture whose
    // texels are a function of the GL coordinates.
    const bool textured = trial % 2 == 0;
    glslFragment.set("v_Color", vColor);
    glslFragment.set("v_TexCoord", uv);
    glslFragment.set("u_UseTexture", {textured ? 1.0 : 0.0});
    const auto texel = [](double s, double tt) -> std::array<float, 4> {
      return {static_cast<float>(s * 0.5), static_cast<float>(tt), 0.75f, static_cast<float>(1 - s)};
    };
    glslFragment.texels = [&](const shctest::texture_lookup& l) {
      return texel(l.coordinate[0], l.coordinate[1]);
    };
    ASSERT_TRUE(glslFragment.run()) << glslFragment.error();
    struct Hooks : ExecutionHooks {
      std::function<std::array<float, 4>(double, double)> texel;
      void sample(const Instruction&, const Register& coordinate, const Register&, const Register&,
                  Register& out) override {
        // Rows are stored upside down: Metal's t is GL's 1 - t.
        const auto value = texel(std::bit_cast<float>(coordinate[0]), 1.0 - std::bit_cast<float>(coordinate[1]));
        for (unsigned k = 0; k < 4; ++k) out[k] = std::bit_cast<std::uint32_t>(value[k]);
      }
    } hooks;
    hooks.texel = texel;
    Uniforms fragmentUniforms(fragment);
    fragmentUniforms.integer("u_UseTexture", textured ? 1 : 0);
    Invocation f = prepareInvocation(fragment);
    for (const auto& in : fragment.inputs) {
      if (in.name == "v_Color") setInput(f, in, c);
      if (in.name == "v_TexCoord") setInput(f, in, t);
    }
    interpret(fragment, f, fragmentUniforms.views(), &hooks);
    const std::vector<double> fragColor = glslFragment.get("gl_FragColor");
    const Register out = output(f, fragment.outputs.at(0));
    for (unsigned k = 0; k < 4; ++k) expectClose(fragColor[k], component(out, k), "gl_FragColor");
    ++cases;
  }
  EXPECT_EQ(cases, 300);
}

}  // namespace
}  // namespace mtl::msl
