// The GLSL-to-Metal converter as the GL layer drives it: its texts and
// rules, then the chart's shaders and the GL layer's examples converted,
// compiled by the software Metal front end and reflected the way the GL
// layer's linker reflects them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <atomic>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "backend_harness.h"
#include "fuzz.h"
#include "platform/metal/device.h"
#include "platform/metal/msl/compiler.h"
#include "shadercompiler/optimizer/glsl_to_msl_converter.h"
#include "shadercompiler/optimizer/shader_compiler.h"
#include "tests/platform/metal/shader_samples.h"
#include "tests/support/sanitizer_build.h"

namespace {

constexpr uint32_t kVertex = 0x8B31;
constexpr uint32_t kFragment = 0x8B30;

std::string resource(const std::string &name) {
  const char *root = std::getenv("TESSALY_SOURCE_DIR");
  std::ifstream in(std::string(root != nullptr ? root : ".") + "/resources/Shaders/" + name);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

struct conversion {
  bool ok = false;
  std::string msl;
  std::string log;
};

conversion convert(const std::string &glsl, uint32_t type, const char *name = "main0",
                   int version = 0) {
  auto converter = MGLGLSLToMSLConverter::converter();
  conversion c;
  c.ok = converter->convertGLSLSource(glsl, version, type,
                                      name ? std::optional<std::string>(name) : std::nullopt);
  c.msl = converter->mslSourceCode().value_or("");
  c.log = converter->infoLog();
  return c;
}

bool contains(const std::string &text, const std::string &part) {
  return text.find(part) != std::string::npos;
}

// ------------------------------------------------------------ interface

TEST(ConverterInterface, NewConverterHasAnEmptyLogAndThePlaceholderName) {
  auto converter = MGLGLSLToMSLConverter::converter();
  EXPECT_EQ(converter->infoLog(), "");
  EXPECT_FALSE(converter->mslSourceCode().has_value());
  EXPECT_EQ(converter->metalFunctionNamePlaceholder(), "xlatMtlMain");
  EXPECT_EQ(converter->conversionCount(), 0u);
}

TEST(ConverterInterface, RefusesShaderTypesOtherThanVertexAndFragment) {
  auto converter = MGLGLSLToMSLConverter::converter();
  EXPECT_FALSE(converter->convertGLSLSource("void main() {}", 0, 0x8DD9, std::nullopt));
  EXPECT_EQ(converter->infoLog(), "Illegal OpenGL shader type (8dd9) provided.");
  EXPECT_FALSE(converter->mslSourceCode().has_value());
  EXPECT_EQ(converter->conversionCount(), 0u);
}

TEST(ConverterInterface, NamesFunctionsByStageAndConversionCount) {
  auto converter = MGLGLSLToMSLConverter::converter();
  const std::string vs = "void main() { gl_Position = vec4(0.0); }";
  const std::string fs = "void main() { gl_FragColor = vec4(1.0); }";
  ASSERT_TRUE(converter->convertGLSLSource(vs, 0, kVertex, std::nullopt));
  EXPECT_TRUE(contains(*converter->mslSourceCode(), "vertex gl_VertexOut VertexShader1("));
  ASSERT_TRUE(converter->convertGLSLSource(fs, 0, kFragment, std::nullopt));
  EXPECT_TRUE(contains(*converter->mslSourceCode(), "fragment gl_FragmentOut FragmentShader2("));
  ASSERT_TRUE(converter->convertGLSLSource(vs, 0, kVertex, std::string("VertexShader5")));
  EXPECT_TRUE(contains(*converter->mslSourceCode(), " VertexShader5("));
  EXPECT_FALSE(contains(*converter->mslSourceCode(), "xlatMtlMain"));
  EXPECT_EQ(converter->conversionCount(), 3u);
}

TEST(ConverterInterface, LogNumbersTheShadersOwnLinesAndClearsBetweenConversions) {
  auto converter = MGLGLSLToMSLConverter::converter();
  // No #version: the converter supplies one without moving line 3.
  EXPECT_FALSE(converter->convertGLSLSource("// line 1\nvoid main() {\n  undeclared = 1.0;\n}\n",
                                            0, kVertex, std::nullopt));
  EXPECT_EQ(converter->infoLog().rfind("(3,", 0), 0u) << converter->infoLog();
  EXPECT_FALSE(converter->mslSourceCode().has_value());
  ASSERT_TRUE(converter->convertGLSLSource("void main() { gl_Position = vec4(0.0); }", 0,
                                           kVertex, std::nullopt));
  EXPECT_EQ(converter->infoLog(), "");
  EXPECT_FALSE(converter->convertGLSLSource("#version 100\nvoid main() { x; }", 0, kVertex,
                                            std::nullopt));
  EXPECT_EQ(converter->infoLog().rfind("(2,", 0), 0u) << converter->infoLog();
  EXPECT_FALSE(converter->mslSourceCode().has_value());
}

TEST(ConverterInterface, VersionSelectorNamesTheLanguageOfATextWithoutDirective) {
  // Array constructors exist in GLSL 1.20 only.
  const std::string arrays =
      "void main() { float a[2] = float[2](1.0, 2.0); gl_Position = vec4(a[1]); }";
  EXPECT_TRUE(convert(arrays, kVertex, "f", 0).ok);
  EXPECT_TRUE(convert(arrays, kVertex, "f", 4).ok);
  EXPECT_FALSE(convert(arrays, kVertex, "f", 3).ok);  // 110
  EXPECT_FALSE(convert(arrays, kVertex, "f", 1).ok);  // 100
  const conversion es3 = convert(arrays, kVertex, "f", 2);
  EXPECT_FALSE(es3.ok);
  EXPECT_TRUE(contains(es3.log, "300")) << es3.log;
  // An ES-only word: precision statements are stripped, so use one the
  // desktop languages reserve.
  EXPECT_TRUE(convert("void main() { gl_Position = vec4(0.0); }", kVertex, "f", 1).ok);
}

TEST(ConverterInterface, DirectivesWithSpacesCountAsDirectives) {
  for (const char *directive : {"#version 100\n", "  #version 100\n", "# version 100\n",
                                "\t#  version 100\n", "// a comment\n#version 100\n"}) {
    const conversion c = convert(std::string(directive) +
                                     "attribute vec4 p;\nvoid main() { gl_Position = p; }\n",
                                 kVertex);
    EXPECT_TRUE(c.ok) << directive << c.log;
  }
  // A directive inside a comment is none: the converter supplies 1.20,
  // where array constructors exist.
  EXPECT_TRUE(convert("/*\n#version 100\n*/\nvoid main() { float a[1] = float[1](1.0); "
                      "gl_Position = vec4(a[0]); }",
                      kVertex)
                  .ok);
}

TEST(ConverterInterface, StripsPrecisionStatementsButNotNamesOrCodeAfterThem) {
  const conversion c = convert(
      "precision mediump float;\n"
      "uniform float precisionScale; precision highp int; uniform lowp vec4 tint;\n"
      "void main() { precision lowp float; gl_FragColor = tint * precisionScale; }\n",
      kFragment);
  ASSERT_TRUE(c.ok) << c.log;
  EXPECT_TRUE(contains(c.msl, "float precisionScale;"));
  EXPECT_TRUE(contains(c.msl, "float4 tint;"));
  EXPECT_TRUE(contains(c.msl, "gl_uniforms.tint * gl_uniforms.precisionScale"));
}

TEST(ConverterInterface, UserNamesHoldingThePlaceholderKeepTheirNames) {
  const conversion c = convert(
      "uniform vec4 xlatMtlMainScale;\nvoid main() { gl_FragColor = xlatMtlMainScale; }",
      kFragment, "FragmentShader7");
  ASSERT_TRUE(c.ok) << c.log;
  EXPECT_TRUE(contains(c.msl, "float4 xlatMtlMainScale;"));
  EXPECT_TRUE(contains(c.msl, "FragmentShader7("));
}

TEST(ConverterInterface, SourceLoggingPrintsTheStrippedInputAndTheMetal) {
  auto converter = MGLGLSLToMSLConverter::converter();
  converter->setShouldLogSourceCode(true);
  const std::string glsl = "// heading\nvoid main() {\n\n\n\n  gl_FragColor = vec4(1.0); /* one */\n}";
  testing::internal::CaptureStdout();
  ASSERT_TRUE(converter->convertGLSLSource(glsl, 0, kFragment, std::string("f")));
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_EQ(printed, "\n[mgl-info] Converting GLSL:\n\nvoid main() {\n\n  gl_FragColor = vec4(1.0); \n}"
                     "\nEnd GLSL\n\n[mgl-info] Converted MSL:\n" +
                         *converter->mslSourceCode() + "\nEnd MSL\n");

  testing::internal::CaptureStdout();
  EXPECT_FALSE(converter->convertGLSLSource("void main() { x = 1; }", 0, kFragment, std::nullopt));
  const std::string failed = testing::internal::GetCapturedStdout();
  EXPECT_TRUE(contains(failed, "\n[mgl-info] Converted MSL:\nUnable to convert GLSL to MSL.\nEnd MSL\n"))
      << failed;

  converter->setShouldLogSourceCode(false);
  testing::internal::CaptureStdout();
  converter->convertGLSLSource(glsl, 0, kFragment, std::string("f"));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(ConverterInterface, InversionOfTheTextureYAxisCanBeSwitchedOff) {
  const std::string fs =
      "uniform sampler2D s;\nvarying vec2 uv;\nvoid main() { gl_FragColor = texture2D(s, uv); }";
  auto converter = MGLGLSLToMSLConverter::converter();
  ASSERT_TRUE(converter->convertGLSLSource(fs, 0, kFragment, std::nullopt));
  EXPECT_TRUE(contains(*converter->mslSourceCode(),
                       "s.sample(gl_sampler_0, float2(gl_in.uv.x, 1.0 - gl_in.uv.y))"));
  converter->setShouldInvertTexCoordYAxis(false);
  ASSERT_TRUE(converter->convertGLSLSource(fs, 0, kFragment, std::nullopt));
  EXPECT_TRUE(contains(*converter->mslSourceCode(), "s.sample(gl_sampler_0, gl_in.uv)"));
}

// ------------------------------------------------------------ through Metal

class ConvertedPipeline : public ::testing::Test {
 protected:
  void SetUp() override { device = mtl::Device::create(); }

  std::shared_ptr<mtl::Function> function(const conversion &c, const std::string &name) {
    EXPECT_TRUE(c.ok) << c.log;
    std::optional<mtl::Error> error;
    auto library = device->newLibraryWithSource(c.msl, {}, &error);
    EXPECT_NE(library, nullptr) << (error ? error->localizedDescription : "") << "\n" << c.msl;
    return library ? library->newFunctionWithName(name) : nullptr;
  }

  // The pipeline the GL layer's linker builds: 16 Float4 attributes.
  std::optional<mtl::RenderPipelineReflection> link(const conversion &vs, const conversion &fs) {
    mtl::RenderPipelineDescriptor d = mtl::msl::test::linkerDescriptor();
    d.vertexFunction = function(vs, "vs");
    d.fragmentFunction = function(fs, "fs");
    if (!d.vertexFunction || !d.fragmentFunction) return std::nullopt;
    mtl::RenderPipelineReflection r;
    std::optional<mtl::Error> error;
    auto state = device->newRenderPipelineState(d, mtl::PipelineOptionBufferTypeInfo, &r, &error);
    EXPECT_NE(state, nullptr) << (error ? error->localizedDescription : "");
    if (!state) return std::nullopt;
    vertexAttributes = d.vertexFunction->vertexAttributes();
    return r;
  }

  static const mtl::Argument *argument(const std::vector<mtl::Argument> &arguments,
                                       mtl::ArgumentType type, const std::string &name) {
    for (const mtl::Argument &a : arguments)
      if (a.type == type && a.name == name) return &a;
    return nullptr;
  }

  static std::vector<std::string> members(const mtl::Argument *uniforms) {
    std::vector<std::string> names;
    if (uniforms != nullptr && uniforms->bufferStructType)
      for (const mtl::StructMember &m : uniforms->bufferStructType->members) names.push_back(m.name);
    return names;
  }

  std::shared_ptr<mtl::Device> device;
  std::vector<mtl::VertexAttribute> vertexAttributes;
};

TEST_F(ConvertedPipeline, ChartShadersConvertCompileAndReflect) {
  const conversion vs = convert(resource("VertexShader.glsl"), kVertex, "vs");
  const conversion fs = convert(resource("FragmentShader.glsl"), kFragment, "fs");
  ASSERT_TRUE(vs.ok) << vs.log;
  ASSERT_TRUE(fs.ok) << fs.log;
  EXPECT_EQ(vs.log, "");
  EXPECT_EQ(fs.log, "");
  const auto r = link(vs, fs);
  ASSERT_TRUE(r.has_value());

  const std::vector<std::string> attributes = {
      "a_Position", "a_Color", "a_Normal", "a_TexCoord", "a_materialAmbient",
      "a_materialDiffuse", "a_materialSpecular", "a_materialShininess"};
  ASSERT_EQ(vertexAttributes.size(), attributes.size());
  for (size_t i = 0; i < attributes.size(); i++) {
    EXPECT_EQ(vertexAttributes[i].name, attributes[i]);
    EXPECT_EQ(vertexAttributes[i].attributeIndex, i);
    EXPECT_TRUE(vertexAttributes[i].active) << attributes[i];
  }
  const mtl::Argument *vu = argument(r->vertexArguments, mtl::ArgumentType::Buffer, "gl_uniforms");
  ASSERT_NE(vu, nullptr);
  EXPECT_EQ(vu->index, 0u);
  EXPECT_EQ(members(vu), (std::vector<std::string>{"u_MVMatrix", "u_MVPMatrix", "u_UseMaterial",
                                                   "u_LightDir"}));
  const mtl::StructType &layout = *vu->bufferStructType;
  EXPECT_EQ(layout.memberByName("u_MVPMatrix")->offset, 64u);
  EXPECT_EQ(layout.memberByName("u_MVPMatrix")->dataType, mtl::DataType::Float4x4);
  EXPECT_EQ(layout.memberByName("u_UseMaterial")->dataType, mtl::DataType::Int);
  EXPECT_EQ(layout.memberByName("u_LightDir")->offset, 144u);

  const mtl::Argument *fu = argument(r->fragmentArguments, mtl::ArgumentType::Buffer, "gl_uniforms");
  ASSERT_NE(fu, nullptr);
  EXPECT_EQ(members(fu), std::vector<std::string>{"u_UseTexture"});
  const mtl::Argument *texture = argument(r->fragmentArguments, mtl::ArgumentType::Texture, "texture");
  ASSERT_NE(texture, nullptr);
  EXPECT_EQ(texture->index, 0u);
  EXPECT_EQ(texture->textureType, mtl::TextureType::Type2D);
  bool sampler0 = false;
  for (const mtl::Argument &a : r->fragmentArguments)
    sampler0 = sampler0 || (a.type == mtl::ArgumentType::Sampler && a.index == 0);
  EXPECT_TRUE(sampler0);

  // GL's conventions turned into Metal's.
  EXPECT_TRUE(contains(vs.msl, "gl_out.gl_Position.z = (gl_out.gl_Position.z + gl_out.gl_Position.w) * 0.5;"));
  EXPECT_TRUE(contains(fs.msl, "texture.sample(gl_sampler_0, float2(gl_in.v_TexCoord.x, 1.0 - gl_in.v_TexCoord.y))"));
}

TEST_F(ConvertedPipeline, LayerExamplesKeepNamesTypesAndSlots) {
  const conversion vs = convert(
      "attribute vec4 a_position;\n"
      "uniform mat4 u_mvp;\n"
      "uniform float weights[4];\n"
      "uniform mat4 bones[2];\n"
      "uniform bool u_flag;\n"
      "uniform vec3 u_shared;\n"
      "uniform sampler2D heights;\n"
      "varying vec3 v_color;\n"
      "void main() {\n"
      "  vec4 p = bones[0] * a_position * weights[0] + bones[1] * a_position * weights[3];\n"
      "  p.y += texture2D(heights, a_position.xy).r;\n"
      "  v_color = u_flag ? u_shared : vec3(weights[1]);\n"
      "  gl_Position = u_mvp * p;\n"
      "}\n",
      kVertex, "vs");
  const conversion fs = convert(
      "uniform vec3 u_color;\n"
      "uniform vec3 u_shared;\n"
      "uniform sampler2D tex[3];\n"
      "uniform samplerCube sky;\n"
      "varying vec3 v_color;\n"
      "void main() {\n"
      "  vec4 c = texture2D(tex[0], v_color.xy) + texture2D(tex[2], v_color.yz);\n"
      "  gl_FragColor = c * textureCube(sky, v_color) + vec4(u_color * u_shared, 1.0);\n"
      "}\n",
      kFragment, "fs");
  const auto r = link(vs, fs);
  ASSERT_TRUE(r.has_value()) << vs.msl << fs.msl;

  const mtl::Argument *vu = argument(r->vertexArguments, mtl::ArgumentType::Buffer, "gl_uniforms");
  ASSERT_NE(vu, nullptr);
  EXPECT_EQ(members(vu),
            (std::vector<std::string>{"u_mvp", "weights", "bones", "u_flag", "u_shared"}));
  const mtl::StructType &v = *vu->bufferStructType;
  EXPECT_EQ(v.memberByName("u_mvp")->dataType, mtl::DataType::Float4x4);
  ASSERT_NE(v.memberByName("weights")->arrayType, nullptr);
  EXPECT_EQ(v.memberByName("weights")->arrayType->arrayLength, 4u);
  EXPECT_EQ(v.memberByName("weights")->arrayType->stride, 4u);
  ASSERT_NE(v.memberByName("bones")->arrayType, nullptr);
  EXPECT_EQ(v.memberByName("bones")->arrayType->elementType, mtl::DataType::Float4x4);
  EXPECT_EQ(v.memberByName("bones")->arrayType->stride, 64u);
  EXPECT_EQ(v.memberByName("u_flag")->dataType, mtl::DataType::Bool);
  EXPECT_EQ(v.memberByName("u_shared")->dataType, mtl::DataType::Float3);
  const mtl::Argument *heights = argument(r->vertexArguments, mtl::ArgumentType::Texture, "heights");
  ASSERT_NE(heights, nullptr);
  EXPECT_EQ(heights->index, 0u);
  EXPECT_TRUE(contains(vs.msl, "heights.sample(gl_sampler_0, float2("));
  EXPECT_TRUE(contains(vs.msl, "level(0.0)"));

  const mtl::Argument *fu = argument(r->fragmentArguments, mtl::ArgumentType::Buffer, "gl_uniforms");
  ASSERT_NE(fu, nullptr);
  EXPECT_EQ(members(fu), (std::vector<std::string>{"u_color", "u_shared"}));
  // A sampler array: one texture per element, named for the GL layer's
  // linker, and the cube after it; each sampler at its texture's slot.
  const char *textures[] = {"tex_0_", "tex_1_", "tex_2_", "sky"};
  for (unsigned i = 0; i < 4; i++) {
    const mtl::Argument *t = argument(r->fragmentArguments, mtl::ArgumentType::Texture, textures[i]);
    ASSERT_NE(t, nullptr) << textures[i];
    EXPECT_EQ(t->index, i);
    EXPECT_TRUE(contains(fs.msl, "sampler gl_sampler_" + std::to_string(i) + " [[sampler(" +
                                     std::to_string(i) + ")]]"));
  }
  EXPECT_EQ(argument(r->fragmentArguments, mtl::ArgumentType::Texture, "sky")->textureType,
            mtl::TextureType::TypeCube);
  EXPECT_TRUE(contains(fs.msl, "sky.sample(gl_sampler_3, float3("));
  // A fragment-only sampler binds nothing in the vertex stage.
  EXPECT_EQ(argument(r->vertexArguments, mtl::ArgumentType::Texture, "sky"), nullptr);
}

// ------------------------------------------------------------ the corpus

// What the converter may refuse, one pattern per construct it names.
bool is_listed_refusal(const std::string &line) {
  static const char *const kReasons[] = {
      "error: the built-in '",       "error: the sampler '",
      "error: the uniform '",        "error: the initialiser of the uniform '",
      "error: the matrix attribute '", "error: the name '",
      "error: the field '",          "error: the operation '",
      "error: the texture operation '", "error: texture lookups with offsets",
      "error: the call of '",        "error: the shader is too large",
  };
  for (const char *reason : kReasons)
    if (line.rfind(reason, 0) == 0) return true;
  if (line.find(" active attributes (at most 16)") != std::string::npos) return true;
  return line.find(" textures in one stage (at most 16)") != std::string::npos;
}

std::vector<std::string> error_lines(const std::string &log) {
  std::vector<std::string> lines;
  std::istringstream in(log);
  std::string line;
  while (std::getline(in, line))
    if (line.find("error: ") != std::string::npos) lines.push_back(line);
  return lines;
}

// Each construct Metal cannot say as the GL layer needs it is refused with
// one log line naming it, and nothing is printed.
TEST(ConverterCorpus, RefusalsNameTheConstruct) {
  const struct {
    uint32_t type;
    const char *glsl;
    const char *line;
  } cases[] = {
      {kVertex, "void main() { gl_Position = gl_ModelViewMatrix * vec4(1.0); }",
       "error: the built-in 'gl_ModelViewMatrix' is not one of OpenGL ES 2.0's"},
      {kFragment,
       "uniform sampler2DShadow s;\nvarying vec3 c;\nvoid main() { gl_FragColor = shadow2D(s, c); }",
       "error: the sampler 's' of type sampler2DShadow (only sampler2D and samplerCube)"},
      {kVertex, "attribute mat2 m;\nvoid main() { gl_Position = vec4(m[0], m[1]); }",
       "error: the matrix attribute 'm'"},
      {kVertex, "uniform float k = 2.0;\nvoid main() { gl_Position = vec4(k); }",
       "error: the initialiser of the uniform 'k'"},
      {kFragment,
       "struct S { sampler2D t; float k; };\nuniform S s;\nvarying vec2 c;\n"
       "void main() { gl_FragColor = texture2D(s.t, c) * s.k; }",
       "error: the uniform 's' holds a sampler inside a structure"},
      {kVertex, "uniform float kernel;\nvoid main() { gl_Position = vec4(kernel); }",
       "error: the name 'kernel' is a reserved word of the Metal shading language"},
      {kVertex,
       "struct L { float device; };\nuniform L l;\nvoid main() { gl_Position = vec4(l.device); }",
       "error: the field 'device' of 'l' is a reserved word of the Metal shading language"},
  };
  for (const auto &c : cases) {
    const conversion result = convert(c.glsl, c.type);
    EXPECT_FALSE(result.ok) << c.glsl;
    EXPECT_EQ(result.msl, "") << c.glsl;
    EXPECT_EQ(error_lines(result.log), std::vector<std::string>{c.line}) << c.glsl << "\n" << result.log;
  }
  // Unused, the same declarations refuse nothing: only what the shader uses
  // has to reach Metal.
  EXPECT_TRUE(convert("uniform float kernel;\nattribute mat2 m;\nvoid main() { gl_Position = vec4(1.0); }",
                      kVertex).ok);
}

TEST(ConverterCorpus, EveryValidShaderConvertsToCompilingMetalOrIsRefusedForAListedReason) {
  unsigned converted = 0, refused = 0;
  std::map<std::string, unsigned> reasons;
  // A third of the generated cases under a sanitizer, where each one's
  // Metal compile is slow; every hand-written case and chart shader still.
  const unsigned thinning = static_cast<unsigned>(tessaly::test::sanitizerSample(1, 3));
  for (const shctest::corpus_case &c : shctest::valid_corpus(shctest::sweep_step(4) * thinning)) {
    const conversion result = convert(c.text, c.stage == SHC_SHADER_VERTEX ? kVertex : kFragment);
    if (result.ok) {
      converted++;
      const mtl::msl::CompileResult metal = mtl::msl::compile(result.msl);
      EXPECT_TRUE(metal.ok()) << c.name << "\n" << metal.errors << result.msl;
      continue;
    }
    refused++;
    const std::vector<std::string> errors = error_lines(result.log);
    ASSERT_FALSE(errors.empty()) << c.name << ": refused without an error\n" << result.log;
    for (const std::string &e : errors) {
      EXPECT_TRUE(is_listed_refusal(e)) << c.name << ": " << e << "\n" << c.text;
      reasons[e.substr(0, e.find('\'', 7))]++;
    }
  }
  std::cout << "[ statistics ] " << converted << " converted, " << refused << " refused:";
  for (const auto &[reason, count] : reasons) std::cout << " " << count << " x " << reason << ";";
  std::cout << "\n";
  EXPECT_GT(converted, 800u / thinning);
  EXPECT_GT(refused, 5u);
}

// ------------------------------------------------------------ fuzzing

// A mutation that keeps most of the text a shader: a word replaced by
// another word or number of the text, a line dropped, repeated or moved,
// an operator changed.
std::string mutate_words(const std::string &text, std::mt19937 &random) {
  std::vector<std::string> tokens;
  for (size_t i = 0; i < text.size();) {
    size_t end = i + 1;
    const auto word = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.'; };
    if (word(text[i])) while (end < text.size() && word(text[end])) end++;
    tokens.push_back(text.substr(i, end - i));
    i = end;
  }
  std::vector<size_t> words, operators, lines;
  for (size_t i = 0; i < tokens.size(); i++) {
    const char c = tokens[i][0];
    if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') words.push_back(i);
    else if (std::strchr("+-*/<>=!&|", c)) operators.push_back(i);
    else if (c == '\n') lines.push_back(i);
  }
  static const char *const kOperators[] = {"+", "-", "*", "/", "<", ">", "=", "!", "&&", "||", "=="};
  const unsigned edits = 1 + random() % 4 / 3;
  for (unsigned e = 0; e < edits; e++) {
    switch (random() % 4) {
      case 0:
        if (words.size() > 1) tokens[words[random() % words.size()]] = tokens[words[random() % words.size()]];
        break;
      case 1:
        if (!operators.empty())
          tokens[operators[random() % operators.size()]] = kOperators[random() % std::size(kOperators)];
        break;
      default:
        if (lines.size() > 2) {
          // The tokens of one line (after line feed k) go, or go twice.
          const size_t k = random() % (lines.size() - 1);
          std::string line;
          for (size_t i = lines[k] + 1; i <= lines[k + 1]; i++) line += tokens[i];
          if (random() % 2) {
            for (size_t i = lines[k] + 1; i <= lines[k + 1]; i++) tokens[i].clear();
          } else {
            tokens[lines[random() % lines.size()]] += line;
          }
        }
        break;
    }
  }
  std::string out;
  for (const std::string &t : tokens) out += t;
  return out;
}

// One conversion of a mutated text: it converts or is refused with an
// error in the log, and what converts stays inside the Metal subset.
void convert_checked(MGLGLSLToMSLConverter &converter, const std::string &text, bool compile,
                     size_t *converted, size_t *refused) {
  const uint32_t type = text.find("gl_Frag") != std::string::npos ? kFragment : kVertex;
  const bool ok = converter.convertGLSLSource(text, 0, type, std::nullopt);
  ASSERT_EQ(ok, converter.mslSourceCode().has_value());
  if (!ok) {
    ASSERT_NE(converter.infoLog().find("error"), std::string::npos) << text;
    (*refused)++;
    return;
  }
  (*converted)++;
  if (compile) {
    const mtl::msl::CompileResult metal = mtl::msl::compile(*converter.mslSourceCode());
    ASSERT_TRUE(metal.ok()) << text << "\n" << metal.errors << *converter.mslSourceCode();
  }
}

// Mutations of the corpus, half byte by byte and half word by word: no
// crash, no leak (the sanitizer builds run it), every input converted or
// refused with a log.
TEST(ConverterFuzz, EveryInputConvertsOrIsRefusedWithALog) {
  std::vector<std::string> seeds = {resource("VertexShader.glsl"), resource("FragmentShader.glsl")};
  for (const shctest::corpus_case &c : shctest::read_corpus(shctest::corpus_folder())) seeds.push_back(c.text);
  for (const shctest::corpus_case &c : shctest::backend_shaders()) seeds.push_back(c.text);
  ASSERT_GT(seeds.size(), 100u);
  const char *n = std::getenv("TESSALY_FUZZ_ITERATIONS");
  int iterations = n != nullptr && std::atoi(n) > 0 ? std::atoi(n) : 20000;
#if defined(__SANITIZE_THREAD__)
  // The thread sanitizer's run is for the threads below; the release and
  // address sanitizer builds run every mutation.
  if (n == nullptr) iterations /= 10;
#endif
  auto converter = MGLGLSLToMSLConverter::converter();
  size_t converted = 0, refused = 0;
  tessaly::test::fuzz(
      seeds,
      [&](std::string_view input) {
        convert_checked(*converter, std::string(input), false, &converted, &refused);
      },
      {.iterations = iterations / 2, .maxSize = 8192});
  std::vector<std::string> valid;
  for (const shctest::corpus_case &c : shctest::valid_corpus(1000)) valid.push_back(c.text);
  std::mt19937 random(0x5eed);
  for (int i = 0; i < iterations / 2; i++) {
    const std::string text = mutate_words(valid[random() % valid.size()], random);
    // Compiling every result would double the run; one in four shows that
    // what converts stays inside the subset.
    convert_checked(*converter, text, i % 4 == 0, &converted, &refused);
    if (testing::Test::HasFatalFailure()) return;
  }
  std::cout << "[ statistics ] " << converted << " converted, " << refused << " refused\n";
  EXPECT_GT(converted, size_t(iterations) / 10);
  EXPECT_GT(refused, size_t(iterations) / 10);
}

// ------------------------------------------------------------ threads

// Converters on two threads at once, and a third releasing the compiler's
// caches in between: the process-wide lock keeps them apart.
TEST(ConverterThreads, TwoThreadsConvertAtOnce) {
  const std::string vs = resource("VertexShader.glsl");
  const std::string fs = resource("FragmentShader.glsl");
  const conversion reference_vs = convert(vs, kVertex, "f");
  const conversion reference_fs = convert(fs, kFragment, "f");
  ASSERT_TRUE(reference_vs.ok && reference_fs.ok);
  std::atomic<unsigned> mismatches{0};
  std::atomic<bool> done{false};
  auto work = [&](const std::string &text, uint32_t type, const std::string &expected) {
    auto converter = MGLGLSLToMSLConverter::converter();
    for (int i = 0; i < 20; i++) {
      if (!converter->convertGLSLSource(text, 0, type, std::string("f")) ||
          *converter->mslSourceCode() != expected)
        mismatches++;
    }
  };
  std::thread releaser([&] {
    while (!done) {
      shc_release_caches();
      std::this_thread::yield();
    }
  });
  std::thread a(work, vs, kVertex, reference_vs.msl);
  std::thread b(work, fs, kFragment, reference_fs.msl);
  a.join();
  b.join();
  done = true;
  releaser.join();
  EXPECT_EQ(mismatches, 0u);
}

}  // namespace
