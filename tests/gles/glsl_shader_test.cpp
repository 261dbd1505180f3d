// GLSL sources through the converter: the test shaders' compile status
// against glslangValidator's verdict, the chart's own shaders compiled and
// linked with the attribute and uniform names the chart looks up, and the
// layer's examples written in GLSL.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "requirements.h"
#include "temp_dir.h"
#include "tests/gles/glsl_test_cases.h"
#include "tests/gles/shader_fixture.h"

namespace {

std::string sourceFile(const std::string& path) {
  const char* root = std::getenv("TESSALY_SOURCE_DIR");
  return tessaly::test::readFile(std::string(root != nullptr ? root : ".") + "/" + path);
}

class GLSLShaderTest : public tessaly::test::ShaderTest {};

// "+ name" (we accept what the validator refuses) or "- name" (the other
// way round), each after the comment that gives its reason.
std::map<std::string, char> listedDifferences() {
  std::map<std::string, char> listed;
  std::istringstream in(sourceFile("tests/gles/glsl_test_shader_differences.txt"));
  std::string line;
  while (std::getline(in, line)) {
    if (line.size() > 2 && (line[0] == '+' || line[0] == '-') && line[1] == ' ') {
      listed[line.substr(2)] = line[0];
    }
  }
  return listed;
}

TEST_F(GLSLShaderTest, TestShadersCompileExactlyWhenTheValidatorAndTheirLabelSaySo) {
  if (!tessaly::test::glslangValidatorAvailable()) {
    TESSALY_SKIP_OR_FAIL("glslangValidator (glslang-tools) is needed");
  }
  const std::vector<tessaly::test::GLSLTestCase> cases = tessaly::test::glslTestCases();
  ASSERT_GE(cases.size(), 25u);
  std::map<std::string, char> listed = listedDifferences();
  int valid = 0, invalid = 0;
  for (const tessaly::test::GLSLTestCase& c : cases) {
    ASSERT_EQ(c.name.rfind("malformed:", 0), std::string::npos) << c.name;
    MGLShader* shader = compiledShader(c.vertex ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER, c.text);
    const bool ours = shader->isCompiled();
    EXPECT_EQ(ours, c.valid) << c.name << "\n" << shader->infoLog();
    if (ours) {
      ++valid;
      EXPECT_NE(shader->mtlFunction(), nullptr) << c.name;
    } else {
      ++invalid;
      EXPECT_EQ(shader->infoLog().rfind("Unable to convert GLSL to MSL:\n", 0), 0u) << c.name;
    }
    const auto entry = listed.find(c.name);
    if (c.validatorAccepts == ours) {
      EXPECT_EQ(entry, listed.end()) << c.name << " is listed as a difference but agrees";
    } else {
      EXPECT_NE(entry, listed.end()) << c.name << ": the validator says " << c.validatorAccepts
                                     << "\n" << c.validatorMessages << shader->infoLog();
      if (entry != listed.end()) {
        EXPECT_EQ(entry->second, ours ? '+' : '-') << c.name;
      }
    }
    if (entry != listed.end()) listed.erase(entry);
  }
  EXPECT_TRUE(listed.empty()) << listed.size() << " listed differences name no test shader";
  EXPECT_GE(valid, 10);
  EXPECT_GE(invalid, 10);
}

// The chart's pair as the chart view compiles it: no #version, default
// precision statements, the automatic source language.
TEST_F(GLSLShaderTest, TheChartsShadersLinkWithEveryNameTheChartLooksUp) {
  const std::string vertexSource = sourceFile("resources/Shaders/VertexShader.glsl");
  const std::string fragmentSource = sourceFile("resources/Shaders/FragmentShader.glsl");
  ASSERT_FALSE(vertexSource.empty());
  ASSERT_FALSE(fragmentSource.empty());
  MGLShader* vertex = compiledShader(GL_VERTEX_SHADER, vertexSource);
  MGLShader* fragment = compiledShader(GL_FRAGMENT_SHADER, fragmentSource);
  ASSERT_TRUE(vertex->isCompiled()) << vertex->infoLog();
  ASSERT_TRUE(fragment->isCompiled()) << fragment->infoLog();
  EXPECT_EQ(vertex->mtlFunction()->name(), "VertexShader" + std::to_string(vertex->glID()));
  EXPECT_EQ(vertex->infoLog(), "");

  MGLShaderProgram* program = newProgram();
  program->attachShaderWithGLID(vertex->glID());
  program->attachShaderWithGLID(fragment->glID());
  link(program);
  ASSERT_TRUE(program->isLinked()) << program->infoLog();
  std::vector<GLint> attributes;
  for (const char* name : {"a_Position", "a_Color", "a_Normal", "a_TexCoord", "a_materialAmbient",
                           "a_materialDiffuse", "a_materialSpecular", "a_materialShininess"}) {
    const GLint location = program->getLocationOfVertexAttributeNamed(name);
    EXPECT_GE(location, 0) << name;
    EXPECT_LT(location, 16) << name;
    for (GLint other : attributes) EXPECT_NE(location, other) << name;
    attributes.push_back(location);
  }
  for (const char* name :
       {"u_MVMatrix", "u_MVPMatrix", "u_UseMaterial", "u_UseTexture", "u_LightDir", "texture"}) {
    EXPECT_GE(program->getLocationOfUniformNamed(name), 0) << name;
  }
  for (const char* name : {"a_Missing", "a_position", "v_Color"}) {
    EXPECT_EQ(program->getLocationOfVertexAttributeNamed(name), -1) << name;
  }
  for (const char* name : {"u_Missing", "u_mvpmatrix", "texture[1]", "u_LightDir[1]"}) {
    EXPECT_EQ(program->getLocationOfUniformNamed(name), -1) << name;
  }
  EXPECT_EQ(errorCode(), 0u);
  auto* sampler = dynamic_cast<MGLSamplerShaderUniform*>(program->getUniformNamed("texture"));
  ASSERT_TRUE(sampler);
  EXPECT_EQ(sampler->textureUnitMapEntry(0).mtlVertexTextureIndex, -1);
  EXPECT_GE(sampler->textureUnitMapEntry(0).mtlFragmentTextureIndex, 0);
}

TEST_F(GLSLShaderTest, TheLayersExamplesGetTheirLocationsFromGLSL) {
  MGLShaderProgram* program = linkedProgram(
      "attribute vec4 a_position;\n"
      "uniform mat4 u_mvp;\n"
      "uniform float u_weights[4];\n"
      "uniform mat4 u_bones[2];\n"
      "uniform bool u_flag;\n"
      "uniform vec3 u_shared;\n"
      "varying vec3 v_color;\n"
      "void main() {\n"
      "  vec4 p = u_bones[0] * a_position * u_weights[0] + u_bones[1] * a_position * u_weights[3];\n"
      "  v_color = u_flag ? u_shared : vec3(u_weights[1]);\n"
      "  gl_Position = u_mvp * p;\n"
      "}\n",
      "precision mediump float;\n"
      "uniform vec3 u_color;\n"
      "uniform vec3 u_shared;\n"
      "uniform sampler2D tex[3];\n"
      "varying vec3 v_color;\n"
      "void main() {\n"
      "  vec4 c = texture2D(tex[0], v_color.xy) + texture2D(tex[2], v_color.yz);\n"
      "  gl_FragColor = c + vec4(u_color * u_shared, 1.0);\n"
      "}\n");
  ASSERT_TRUE(program->isLinked()) << program->infoLog();
  // The vertex stage's uniforms in declaration order, then the fragment's.
  EXPECT_EQ(program->getLocationOfUniformNamed("u_mvp"), 0);
  EXPECT_EQ(program->getLocationOfUniformNamed("u_weights"), 1);
  EXPECT_EQ(program->getLocationOfUniformNamed("u_weights[3]"), 4);
  EXPECT_EQ(program->getLocationOfUniformNamed("u_bones[1]"), 6);
  EXPECT_EQ(program->getLocationOfUniformNamed("u_flag"), 7);
  EXPECT_EQ(program->getLocationOfUniformNamed("u_shared"), 8);
  EXPECT_EQ(program->getLocationOfUniformNamed("u_color"), 9);
  EXPECT_EQ(program->getLocationOfUniformNamed("tex"), 10);
  EXPECT_EQ(program->getLocationOfUniformNamed("tex[2]"), 12);
  EXPECT_EQ(program->getLocationOfUniformNamed("tex[3]"), -1);
  auto* shared = dynamic_cast<MGLBufferShaderUniform*>(program->getUniformNamed("u_shared"));
  ASSERT_TRUE(shared);
  EXPECT_GE(shared->vertexBufferOffset(), 0);
  EXPECT_GE(shared->fragmentBufferOffset(), 0);
  auto* flag = dynamic_cast<MGLBufferShaderUniform*>(program->getUniformNamed("u_flag"));
  ASSERT_TRUE(flag);
  EXPECT_EQ(flag->glDataType(), GL_BOOL);
  auto* tex = dynamic_cast<MGLSamplerShaderUniform*>(program->getUniformNamed("tex"));
  ASSERT_TRUE(tex);
  EXPECT_EQ(tex->size(), 3);
  // The shader samples elements 0 and 2 only; element 1 binds nothing.
  EXPECT_GE(tex->textureUnitMapEntry(0).mtlFragmentTextureIndex, 0);
  EXPECT_EQ(tex->textureUnitMapEntry(1).mtlFragmentTextureIndex, -1);
  EXPECT_GE(tex->textureUnitMapEntry(2).mtlFragmentTextureIndex, 0);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(tex->textureUnitMapEntry(i).mtlVertexTextureIndex, -1) << i;
}

}  // namespace
