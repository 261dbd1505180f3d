// The GLSL-to-Metal converter as the GL layer drives it: its texts and
// rules, then the chart's shaders and the GL layer's examples converted,
// compiled by the software Metal front end and reflected the way the GL
// layer's linker reflects them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/metal/device.h"
#include "shadercompiler/optimizer/glsl_to_msl_converter.h"

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
    mtl::RenderPipelineDescriptor d;
    mtl::VertexDescriptor v;
    for (mtl::NSUInteger n = 0; n < 16; ++n) v.attributes[n] = {mtl::VertexFormat::Float4, 16 * n, 1};
    v.layouts[1] = {256, mtl::VertexStepFunction::Constant, 0};
    d.vertexDescriptor = v;
    d.colorAttachments[0].pixelFormat = mtl::PixelFormat::RGBA8Unorm;
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

}  // namespace
