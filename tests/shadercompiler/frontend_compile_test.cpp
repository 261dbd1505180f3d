// Whole compilations: the record a compilation fills, the built-in
// variables and constants, the shader's link (main, undefined functions,
// recursion, copied built-ins) and the chart's own shaders.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <sstream>
#include <string>

#include "compile.h"
#include "glslang_oracle.h"
#include "ir_checker.h"
#include "shader_interpreter.h"
#include "shadercompiler/frontend/glsl_compiler.h"
#include "shadercompiler/ir/builtins/builtin_functions.h"
#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/support/ralloc.h"
#include "temp_dir.h"

namespace {

using shctest::compile;

std::string log_of(const std::string &text, gl_shader_stage stage = SHC_SHADER_VERTEX) {
  return compile(text, stage)->InfoLog;
}

ir_variable *find_variable(exec_list *ir, const char *name) {
  foreach_in_list(ir_instruction, i, ir) {
    if (ir_variable *v = i->as_variable(); v != nullptr && std::strcmp(v->name, name) == 0) return v;
  }
  return nullptr;
}

TEST(FrontendCompileTest, TheRecordHoldsSourceLogVersionAndIr) {
  shctest::shader_ptr s = compile("#version 100\nvoid main() { gl_Position = vec4(1.0); }\n",
                                  SHC_SHADER_VERTEX);
  EXPECT_TRUE(s->CompileStatus);
  EXPECT_STREQ(s->InfoLog, "");
  EXPECT_TRUE(s->IsES);
  EXPECT_EQ(s->Version, 100u);
  ASSERT_NE(s->ir, nullptr);
  EXPECT_EQ(ralloc_parent(s->Source), s.get());
  // Compiling again replaces everything.
  EXPECT_FALSE(glsl_compile_shader(&shctest::default_context(), s.get(), "#version 120\nx", 5));
  EXPECT_STREQ(s->InfoLog, "(6,1): error: syntax error: unexpected 'x', expected a type\n");
  EXPECT_EQ(s->ir, nullptr);
  EXPECT_FALSE(s->IsES);
  EXPECT_EQ(s->Version, 120u);
  // No text at all is a shader without main.
  EXPECT_FALSE(glsl_compile_shader(&shctest::default_context(), s.get(), nullptr));
  EXPECT_STREQ(s->InfoLog, "(0,0): error: the shader defines no 'void main()'\n");
}

TEST(FrontendCompileTest, BuiltInVariablesAreDeclaredWhenUsed) {
  shctest::shader_ptr s = compile(
      "#version 100\nprecision mediump float;\n"
      "void main() { gl_FragData[0] = gl_FragCoord + vec4(float(gl_MaxDrawBuffers)); }\n",
      SHC_SHADER_FRAGMENT);
  ASSERT_TRUE(s->CompileStatus) << s->InfoLog;
  ir_variable *data = find_variable(s->ir, "gl_FragData");
  ir_variable *coord = find_variable(s->ir, "gl_FragCoord");
  ir_variable *max = find_variable(s->ir, "gl_MaxDrawBuffers");
  ASSERT_TRUE(data && coord && max);
  EXPECT_EQ(data->type, glsl_type::get_array_instance(glsl_type::vec4_type, 1));
  EXPECT_EQ(data->data.mode, ir_var_shader_out);
  EXPECT_EQ(data->data.precision, glsl_precision_medium);
  EXPECT_EQ(coord->data.mode, ir_var_shader_in);
  ASSERT_NE(max->constant_value, nullptr);
  EXPECT_EQ(max->constant_value->value.i[0], 1);
  EXPECT_EQ(find_variable(s->ir, "gl_FragColor"), nullptr);
  // Outputs of the other stage and of the other language are unknown.
  EXPECT_EQ(log_of("#version 100\nvoid main() { gl_Position = gl_Vertex; }\n"),
            "(2,29): error: 'gl_Vertex' is not declared\n");
  EXPECT_EQ(log_of("#version 120\nvoid main() { gl_FragColor = vec4(1.0); }\n"),
            "(2,15): error: 'gl_FragColor' is not declared\n");
  // The fixed-function state of the desktop languages, sized by the limits.
  s = compile("#version 110\nvoid main() { gl_Position = gl_ModelViewProjectionMatrix * gl_Vertex"
              " + gl_LightSource[7].position + gl_TexCoord[1]; gl_TexCoord[1] = gl_MultiTexCoord0; }\n",
              SHC_SHADER_VERTEX);
  ASSERT_TRUE(s->CompileStatus) << s->InfoLog;
  EXPECT_EQ(find_variable(s->ir, "gl_TexCoord")->type,
            glsl_type::get_array_instance(glsl_type::vec4_type, 2));
  EXPECT_EQ(log_of("#version 110\nvoid main() { gl_Position = gl_LightSource[8].position; }\n"),
            "(2,43): error: index 8 is out of range of gl_LightSourceParameters[8]\n");
  EXPECT_EQ(log_of("#version 120\nvoid main() { gl_Position = gl_TexCoord[2]; }\n"),
            "(2,40): error: index 2 is out of range of gl_TexCoord\n");
  EXPECT_EQ(log_of("#version 120\nvarying vec4 gl_TexCoord[3];\nvoid main() { gl_Position = vec4(1.0); }\n"),
            "(2,14): error: gl_TexCoord can have at most 2 elements\n");
  EXPECT_EQ(log_of("#version 120\nvoid main() { gl_FragCoord = vec4(1.0); }\n", SHC_SHADER_FRAGMENT),
            "(2,28): error: cannot assign to 'gl_FragCoord', which is a fragment shader input\n");
}

TEST(FrontendCompileTest, TheLinkChecksMainUndefinedFunctionsAndRecursion) {
  EXPECT_EQ(log_of("#version 100\nvoid f() {}\n"), "(0,0): error: the shader defines no 'void main()'\n");
  EXPECT_EQ(log_of("#version 100\nvoid main();\n"), "(0,0): error: the shader defines no 'void main()'\n");
  EXPECT_EQ(log_of("#version 120\nfloat f(int i);\nvoid main() { gl_Position = vec4(f(1) + f(2)); }\n"),
            "(3,34): error: the function 'float f(int)' is called but never defined\n");
  // Both functions of the cycle, in the order of the recursion check's
  // table (by address).
  const std::string cycle = log_of(
      "#version 120\nfloat f(float x);\nfloat g(float x) { return f(x); }\n"
      "float f(float x) { return g(x); }\nvoid main() { gl_Position = vec4(f(1.0)); }\n");
  EXPECT_NE(cycle.find("(0,0): error: function `float g(float)' has static recursion\n"), std::string::npos);
  EXPECT_NE(cycle.find("(0,0): error: function `float f(float)' has static recursion\n"), std::string::npos);
  EXPECT_EQ(std::count(cycle.begin(), cycle.end(), '\n'), 2);
  EXPECT_EQ(log_of("#version 100\nvoid main(int x) {}\n"), "(2,6): error: main must be declared 'void main()'\n");
}

TEST(FrontendCompileTest, CalledBuiltInsAreCopiedIntoTheShader) {
  shctest::shader_ptr s = compile(
      "#version 120\nvarying vec3 n;\nvoid main() { gl_Position = ftransform() + vec4(normalize(n), "
      "sin(n.x)); }\n",
      SHC_SHADER_VERTEX);
  ASSERT_TRUE(s->CompileStatus) << s->InfoLog;
  EXPECT_TRUE(shctest::check_ir(s->ir).empty());
  // Only the called overloads, standing on their own.
  unsigned functions = 0;
  foreach_in_list(ir_instruction, ir, s->ir) {
    ir_function *f = ir->as_function();
    if (f == nullptr) continue;
    functions++;
    foreach_in_list(ir_function_signature, sig, &f->signatures) {
      EXPECT_EQ(sig->origin, nullptr);
      if (std::strcmp(f->name, "main") != 0) {
        EXPECT_EQ(f->signatures.length(), 1u) << f->name;
      }
    }
  }
  EXPECT_EQ(functions, 4u);  // ftransform, normalize, sin, main
  // ftransform reads the shader's own built-ins, which are declared.
  EXPECT_NE(find_variable(s->ir, "gl_ModelViewProjectionMatrix"), nullptr);
  EXPECT_NE(find_variable(s->ir, "gl_Vertex"), nullptr);
  // The IR outlives the built-in library.
  glsl_release_compiler_caches();
  EXPECT_FALSE(builtin_builder::is_built());
  shctest::shader_interpreter run(s->ir);
  run.set("gl_Vertex", {1, 2, 3, 1});
  run.set("gl_ModelViewProjectionMatrix", {2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1});
  run.set("n", {0, 3, 4});
  ASSERT_TRUE(run.run()) << run.error();
  EXPECT_EQ(run.get("gl_Position"), (std::vector<double>{2, 4.6f, 6.8f, 1}));
}

TEST(FrontendCompileTest, ExtensionsSetToWarnWarnAtTheirUse) {
  EXPECT_EQ(log_of("#version 100\n#extension GL_OES_standard_derivatives : warn\n"
                   "precision mediump float;\nvarying float v;\n"
                   "void main() { gl_FragColor = vec4(dFdx(v)); }\n",
                   SHC_SHADER_FRAGMENT),
            "(5,35): warning: 'dFdx' uses the extension GL_OES_standard_derivatives\n");
  EXPECT_EQ(log_of("#version 120\n#extension all : warn\nuniform sampler2DRect r;\n"
                   "void main() { gl_FragColor = texture2DRect(r, vec2(0.5)); }\n",
                   SHC_SHADER_FRAGMENT),
            "(3,9): warning: 'sampler2DRect' uses the extension GL_ARB_texture_rectangle\n"
            "(4,30): warning: 'texture2DRect' uses the extension GL_ARB_texture_rectangle\n");
  EXPECT_EQ(log_of("#version 100\nprecision mediump float;\nvarying float v;\n"
                   "void main() { gl_FragColor = vec4(dFdx(v)); }\n",
                   SHC_SHADER_FRAGMENT),
            "(4,35): error: built-in 'dFdx(float)' is not available in this shader\n");
}

// The chart's shaders as the GL layer prepares them (no #version: 1.20 is
// put in front and precision statements and qualifiers are removed) and as
// written, as GLSL ES 1.00.
std::string chart_shader(const char *file) {
  const char *root = std::getenv("TESSALY_SOURCE_DIR");
  return tessaly::test::readFile(std::string(root != nullptr ? root : ".") + "/resources/Shaders/" + file);
}

std::string prepared(const std::string &text) {
  auto word_char = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
  std::istringstream in(text);
  std::string line, out = "#version 120\n\n";
  while (std::getline(in, line)) {
    const size_t first = line.find_first_not_of(" \t");
    if (first != std::string::npos && line.compare(first, 9, "precision") == 0) line.clear();
    for (const char *q : {"highp", "mediump", "lowp"}) {
      for (size_t at = line.find(q); at != std::string::npos; at = line.find(q, at + 1)) {
        const size_t end = at + std::strlen(q);
        if ((at == 0 || !word_char(line[at - 1])) && (end >= line.size() || !word_char(line[end])))
          line.erase(at, end - at);
      }
    }
    out += line + "\n";
  }
  return out;
}

TEST(FrontendCompileTest, ChartShadersCompileCleanlyBothWays) {
  const std::string vertex = chart_shader("VertexShader.glsl");
  const std::string fragment = chart_shader("FragmentShader.glsl");
  ASSERT_FALSE(vertex.empty());
  ASSERT_FALSE(fragment.empty());
  EXPECT_EQ(vertex.find("#version"), std::string::npos);
  const std::pair<std::string, gl_shader_stage> cases[] = {
      {prepared(vertex), SHC_SHADER_VERTEX},
      {prepared(fragment), SHC_SHADER_FRAGMENT},
      {"#version 100\n" + vertex, SHC_SHADER_VERTEX},
      {"#version 100\n" + fragment, SHC_SHADER_FRAGMENT}};
  std::vector<shctest::oracle_shader> oracle;
  for (const auto &[text, stage] : cases) {
    shctest::shader_ptr s = compile(text, stage);
    EXPECT_TRUE(s->CompileStatus) << s->InfoLog;
    EXPECT_STREQ(s->InfoLog, "");
    if (s->CompileStatus) {
      for (const std::string &p : shctest::check_ir(s->ir)) ADD_FAILURE() << p;
    }
    oracle.push_back({"chart" + std::to_string(oracle.size()) +
                          (stage == SHC_SHADER_VERTEX ? ".vert" : ".frag"),
                      text});
  }
  ASSERT_TRUE(shctest::glslang_available()) << "glslangValidator (glslang-tools) is needed";
  for (const shctest::oracle_verdict &v : shctest::glslang_validate(oracle, ""))
    EXPECT_TRUE(v.accepted) << v.messages;

  // The interface the chart looks its locations up by.
  shctest::shader_ptr v = compile(cases[0].first, SHC_SHADER_VERTEX);
  shctest::shader_ptr f = compile(cases[1].first, SHC_SHADER_FRAGMENT);
  ASSERT_TRUE(v->CompileStatus && f->CompileStatus);
  for (const char *a : {"a_Position", "a_Color", "a_Normal", "a_TexCoord", "a_materialAmbient",
                        "a_materialDiffuse", "a_materialSpecular", "a_materialShininess"}) {
    ir_variable *var = find_variable(v->ir, a);
    ASSERT_NE(var, nullptr) << a;
    EXPECT_EQ(var->data.mode, ir_var_shader_in) << a;
  }
  EXPECT_EQ(find_variable(v->ir, "a_Position")->type, glsl_type::vec4_type);
  for (const char *u : {"u_MVMatrix", "u_MVPMatrix", "u_UseMaterial", "u_LightDir"})
    EXPECT_EQ(find_variable(v->ir, u)->data.mode, ir_var_uniform) << u;
  EXPECT_EQ(find_variable(v->ir, "u_UseMaterial")->type, glsl_type::int_type);
  EXPECT_EQ(find_variable(v->ir, "u_LightDir")->type, glsl_type::vec3_type);
  ir_variable *texture = find_variable(f->ir, "texture");
  ASSERT_NE(texture, nullptr);
  EXPECT_EQ(texture->type, glsl_type::sampler2D_type);
  EXPECT_EQ(find_variable(f->ir, "u_UseTexture")->type, glsl_type::int_type);
}

TEST(FrontendCompileTest, ChartShadersDrawWhatTheChartAsksFor) {
  shctest::shader_ptr v = compile(prepared(chart_shader("VertexShader.glsl")), SHC_SHADER_VERTEX);
  shctest::shader_ptr f = compile(prepared(chart_shader("FragmentShader.glsl")), SHC_SHADER_FRAGMENT);
  ASSERT_TRUE(v->CompileStatus && f->CompileStatus);
  shctest::shader_interpreter vs(v->ir);
  const std::vector<double> identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  vs.set("u_MVMatrix", identity);
  vs.set("u_MVPMatrix", {0.5, 0, 0, 0, 0, 0.5, 0, 0, 0, 0, 1, 0, 0.25, 0, 0, 1});
  // A 2-component position arrives with z = 0 and w = 1.
  vs.set("a_Position", {2, 4, 0, 1});
  vs.set("a_Color", {0.2, 0.4, 0.6, 0.8});
  ASSERT_TRUE(vs.run()) << vs.error();
  EXPECT_EQ(vs.get("gl_Position"), (std::vector<double>{1.25, 2, 0, 1}));
  EXPECT_EQ(vs.get("v_Color"), (std::vector<double>{0.2f, 0.4f, 0.6f, 0.8f}));
  // A lit model half turned from the light, with material colours.
  vs.set("u_LightDir", {0, 0, 2});
  vs.set("a_Normal", {0, 0.6, 0.8});
  vs.set("u_UseMaterial", {1});
  vs.set("a_materialAmbient", {0.1, 0.1, 0.1, 1});
  vs.set("a_materialDiffuse", {0.5, 0.5, 0.5, 0.9});
  ASSERT_TRUE(vs.run()) << vs.error();
  const std::vector<double> lit = vs.get("v_Color");
  EXPECT_NEAR(lit[0], 0.1 + 0.5 * 0.8, 1e-6);
  EXPECT_NEAR(lit[3], 0.9, 1e-6);

  shctest::shader_interpreter fs(f->ir);
  fs.set("v_Color", {0.5, 0.5, 1, 1});
  fs.set("v_TexCoord", {0.5, 1});
  ASSERT_TRUE(fs.run()) << fs.error();
  EXPECT_EQ(fs.get("gl_FragColor"), (std::vector<double>{0.5, 0.5, 1, 1}));
  fs.set("u_UseTexture", {1});
  fs.texels = [](const shctest::texture_lookup &l) -> std::array<float, 4> {
    EXPECT_EQ(l.sampler, "texture");
    return {0.5f, 1.0f, 0.25f, 0.5f};
  };
  ASSERT_TRUE(fs.run()) << fs.error();
  EXPECT_EQ(fs.get("gl_FragColor"), (std::vector<double>{0.25, 0.5, 0.25, 0.5}));
}

}  // namespace
