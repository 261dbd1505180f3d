// Shader objects: sources split by language, Metal function names, the
// compile status and the info log; two contexts on two threads compiling
// and linking at once.
#include "gles/shaders/shader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "gles/context/current_context.h"
#include "gles/context/log.h"
#include "gles/shaders/shader_program.h"
#include "platform/metal/library.h"
#include "temp_dir.h"
#include "tests/gles/shader_fixture.h"
#include "tests/gles/test_shaders.h"

namespace {

using tessaly::test::kFragmentMSL;
using tessaly::test::kPlainFragmentMSL;
using tessaly::test::kPlainVertexMSL;
using tessaly::test::kVertexMSL;

class ShaderObjectTest : public tessaly::test::ShaderTest {};

TEST_F(ShaderObjectTest, ANewShaderReportsNothingAndFailuresJoinTheLog) {
  MGLShader* shader = newShader(GL_VERTEX_SHADER);
  EXPECT_EQ(shader->getParameter(GL_SHADER_TYPE), static_cast<GLint>(GL_VERTEX_SHADER));
  EXPECT_EQ(shader->getParameter(GL_INFO_LOG_LENGTH), 0);
  EXPECT_EQ(shader->getParameter(GL_SHADER_SOURCE_LENGTH), 0);
  EXPECT_EQ(shader->getParameter(GL_COMPILE_STATUS), 0);
  EXPECT_EQ(shader->getParameter(GL_DELETE_STATUS), 0);
  shader->setIsDeleted(true);
  EXPECT_EQ(shader->getParameter(GL_DELETE_STATUS), 1);

  shader->compileWithContext(*context);
  EXPECT_EQ(shader->infoLog(), "MSL shader source is empty.");
  EXPECT_EQ(shader->getParameter(GL_INFO_LOG_LENGTH), 28);
  EXPECT_EQ(shader->getParameter(GL_COMPILE_STATUS), 0);
  shader->compileWithContext(*context);
  EXPECT_EQ(shader->infoLog(), "MSL shader source is empty.\n\nMSL shader source is empty.");
  shader->appendToLog("  \n ");  // nothing to add
  EXPECT_EQ(shader->getParameter(GL_INFO_LOG_LENGTH), 57);
  EXPECT_EQ(errorCode(), 0u);

  EXPECT_EQ(shader->getParameter(GL_LINK_STATUS), -1);
  EXPECT_EQ(errorText(), "GL_INVALID_ENUM. GL_LINK_STATUS is not a valid shader parameter name.");
  EXPECT_EQ(shader->description(),
            "MGLShader type GL_VERTEX_SHADER (GLID " + std::to_string(shader->glID()) + ")");
}

TEST_F(ShaderObjectTest, TheSourceIsJoinedTrimmedAndCountedInUTF16Units) {
  MGLShader* shader = newShader(GL_FRAGMENT_SHADER);
  const GLchar* strings[] = {"  a\n", "\xC3\xA9\xF0\x9F\x98\x80 and more", "ignored"};
  const GLint lengths[] = {-1, 6, 0};
  context->setShaderSourceLanguage(GL_SHADER_SOURCE_LANG_IGNORE);
  shader->set(3, strings, lengths, *context);
  EXPECT_EQ(shader->sourceCode(), "a\n\n\n\xC3\xA9\xF0\x9F\x98\x80");
  // a, three line feeds, e-acute, an astral character (two units), and 1.
  EXPECT_EQ(shader->getParameter(GL_SHADER_SOURCE_LENGTH), 1 + 3 + 1 + 2 + 1);
  EXPECT_EQ(shader->mslSourceCode(), std::nullopt);
  shader->compileWithContext(*context);
  EXPECT_EQ(shader->infoLog(),
            "MSL shader source was ignored, as indicated by the shader language setting: "
            "GL_SHADER_SOURCE_LANG_IGNORE.");
  // Setting a source leaves the status, function and log alone.
  setSource(shader, kFragmentMSL, GL_SHADER_SOURCE_LANG_METAL);
  EXPECT_EQ(shader->getParameter(GL_COMPILE_STATUS), 0);
  EXPECT_NE(shader->infoLog().find("was ignored"), std::string::npos);
}

TEST_F(ShaderObjectTest, AutoUsesTheMetalPartOfAMixedTextAndItsFunctionName) {
  MGLShader* shader = newShader(GL_FRAGMENT_SHADER);
  const std::string text = std::string("#pragma DivezoVO language glsl\n") +
                           "void main() { gl_FragColor = vec4(1.0); }\n"
                           "  #  Pragma divezovo LANGUAGE Msl\n" +
                           kFragmentMSL +
                           "#pragma DivezoVO language HLSL\n"
                           "// still Metal\n";
  setSource(shader, text, GL_SHADER_SOURCE_LANG_AUTO);
  ASSERT_TRUE(shader->mslSourceCode());
  EXPECT_EQ(shader->mslSourceCode()->find("gl_FragColor"), std::string::npos);
  EXPECT_EQ(shader->mslSourceCode()->find("pragma"), std::string::npos);
  EXPECT_EQ(shader->mslSourceCode()->substr(0, 24), "#include <metal_stdlib>\n");
  EXPECT_EQ(shader->mslSourceCode()->substr(shader->mslSourceCode()->size() - 14), "// still Metal");
  EXPECT_EQ(shader->name(), "colorFragment");
  shader->compileWithContext(*context);
  EXPECT_EQ(shader->getParameter(GL_COMPILE_STATUS), 1) << shader->infoLog();
  ASSERT_TRUE(shader->mtlFunction());
  EXPECT_EQ(shader->mtlFunction()->name(), "colorFragment");
  EXPECT_EQ(shader->infoLog(), "");
}

TEST_F(ShaderObjectTest, AMetalTextWithoutAFunctionLineCompilesUnderTheDefaultName) {
  MGLShader* shader = newShader(GL_VERTEX_SHADER);
  const std::string defaultName = "VertexShader" + std::to_string(shader->glID());
  // The stage word and the name are on lines of fewer than four tokens.
  const std::string text = std::string(kPlainVertexMSL).replace(
      std::string(kPlainVertexMSL).find("vertex Varyings plainVertex() {"),
      std::string("vertex Varyings plainVertex() {").size(), "vertex Varyings\n" + defaultName + "() {");
  setSource(shader, text, GL_SHADER_SOURCE_LANG_METAL);
  EXPECT_EQ(shader->infoLog(), "Shader " + std::to_string(shader->glID()) +
                                   " could not extract the Metal function name.");
  EXPECT_EQ(shader->name(), defaultName);
  shader->compileWithContext(*context);
  EXPECT_EQ(shader->getParameter(GL_COMPILE_STATUS), 1) << shader->infoLog();

  // Under METAL a text without a Metal part is taken whole.
  MGLShader* fragment = newShader(GL_FRAGMENT_SHADER);
  std::string plain = kFragmentMSL;
  plain.erase(0, plain.find("struct"));  // no include: nothing marks it as Metal
  setSource(fragment, plain, GL_SHADER_SOURCE_LANG_METAL);
  EXPECT_EQ(fragment->name(), "colorFragment");
  fragment->compileWithContext(*context);
  EXPECT_EQ(fragment->getParameter(GL_COMPILE_STATUS), 1) << fragment->infoLog();
}

TEST_F(ShaderObjectTest, GLSLShadersAreNamedForTheirStageAndName) {
  std::vector<MGLShader*> shaders;
  for (int i = 0; i < 5; ++i) shaders.push_back(newShader(GL_FRAGMENT_SHADER));
  MGLShader* vertex = newShader(GL_VERTEX_SHADER);
  ASSERT_EQ(vertex->glID(), 6u);
  setSource(vertex, "attribute vec4 a; void main() { gl_Position = a; }",
            GL_SHADER_SOURCE_LANG_AUTO);
  EXPECT_EQ(vertex->name(), "VertexShader6");
  vertex->compileWithContext(*context);
  ASSERT_TRUE(vertex->mtlFunction()) << vertex->infoLog();
  EXPECT_EQ(vertex->mtlFunction()->name(), "VertexShader6");
  EXPECT_EQ(shaders[4]->name(), "FragmentShader5");
  shaders[4]->setName(std::string("custom"));
  EXPECT_EQ(shaders[4]->name(), "custom");
  shaders[4]->setName(std::nullopt);
  EXPECT_EQ(shaders[4]->name(), "FragmentShader5");
}

// The converter prints the sources only while both the library's logging
// and the context's conversion logging are on.
TEST_F(ShaderObjectTest, ConversionsPrintTheirSourcesWhenBothSwitchesAreOn) {
  MGLShader* shader = newShader(GL_FRAGMENT_SHADER);
  const std::string glsl = "void main() { gl_FragColor = vec4(1.0); }";
  auto printed = [&](bool logging, bool conversions) {
    mglLoggingEnabled = logging;
    context->setShouldLogShaderSourceCodeConversion(conversions);
    testing::internal::CaptureStdout();
    setSource(shader, glsl, GL_SHADER_SOURCE_LANG_GLSL);
    mglLoggingEnabled = false;
    return testing::internal::GetCapturedStdout();
  };
  EXPECT_EQ(printed(true, false), "");
  EXPECT_EQ(printed(false, true), "");
  const std::string both = printed(true, true);
  // The GLSL part as split: each line with its line feed.
  EXPECT_EQ(both.rfind("\n[mgl-info] Converting GLSL:\n" + glsl + "\n\nEnd GLSL\n", 0), 0u) << both;
  EXPECT_NE(both.find("[mgl-info] Converted MSL:\n#include <metal_stdlib>"), std::string::npos);
  EXPECT_NE(both.find("FragmentShader" + std::to_string(shader->glID())), std::string::npos);
}

TEST_F(ShaderObjectTest, ACompileThatFailsAfterASuccessReportsZero) {
  MGLShader* shader = newShader(GL_FRAGMENT_SHADER);
  const std::string id = std::to_string(shader->glID());
  auto compile = [&](const std::string& source, GLenum language) {
    setSource(shader, source, language);
    shader->compileWithContext(*context);
    return shader->getParameter(GL_COMPILE_STATUS);
  };
  ASSERT_EQ(compile(kFragmentMSL, GL_SHADER_SOURCE_LANG_METAL), 1) << shader->infoLog();

  // Metal refuses the source.
  std::string broken = kFragmentMSL;
  broken.replace(broken.find("return"), 6, "retrun");
  EXPECT_EQ(compile(broken, GL_SHADER_SOURCE_LANG_METAL), 0);
  EXPECT_EQ(shader->mtlFunction(), nullptr);
  EXPECT_NE(shader->infoLog().find("Compilation failed: \n\nprogram_source:"), std::string::npos);
  EXPECT_NE(shader->infoLog().find("(code 3) 1 error generated."), std::string::npos)
      << shader->infoLog();
  const std::string last = "\n\nShader " + id + " could not be compiled.";
  EXPECT_EQ(shader->infoLog().substr(shader->infoLog().size() - last.size()), last);

  // The library compiles, but the function the text names is not in it.
  ASSERT_EQ(compile(kFragmentMSL, GL_SHADER_SOURCE_LANG_METAL), 1);
  std::string ghost = kFragmentMSL;
  ghost.insert(ghost.find("struct"), "// fragment float4 ghost(int x)\n");
  EXPECT_EQ(compile(ghost, GL_SHADER_SOURCE_LANG_METAL), 0);
  EXPECT_EQ(shader->mtlFunction(), nullptr);
  EXPECT_EQ(shader->infoLog().substr(shader->infoLog().find("Shader " + id + " does")),
            "Shader " + id + " does not contain a Metal function named 'ghost'.");

  // A conversion that gives no Metal source.
  ASSERT_EQ(compile(kFragmentMSL, GL_SHADER_SOURCE_LANG_METAL), 1);
  // A text of pragma lines alone: the converter refuses the empty text.
  EXPECT_EQ(compile("#pragma DivezoVO language glsl\n", GL_SHADER_SOURCE_LANG_GLSL), 0);
  EXPECT_EQ(shader->mtlFunction(), nullptr);
  EXPECT_NE(shader->infoLog().find("Unable to convert GLSL to MSL:\n"), std::string::npos);
  EXPECT_EQ(shader->infoLog().substr(shader->infoLog().size() - 27), "MSL shader source is empty.");
}

TEST_F(ShaderObjectTest, ALibraryFunctionNamedByTheSourceIsTheShadersFunction) {
  // The default library holds the chart's pair.
  MGLShader* shader = newShader(GL_VERTEX_SHADER);
  setSource(shader, "  // precompiled /* by */\n/* the */ VertexShader \n",
            GL_SHADER_SOURCE_LANG_METAL_FUNC);
  EXPECT_EQ(shader->name(), "VertexShader");
  EXPECT_EQ(shader->getParameter(GL_COMPILE_STATUS), 1) << shader->infoLog();
  ASSERT_TRUE(shader->mtlFunction());
  EXPECT_EQ(shader->mslSourceCode(), std::nullopt);
  // Compiling has no source to compile and keeps what the lookup found.
  shader->compileWithContext(*context);
  EXPECT_EQ(shader->infoLog(), "MSL shader source is empty.");
  EXPECT_EQ(shader->getParameter(GL_COMPILE_STATUS), 1);
  EXPECT_NE(shader->mtlFunction(), nullptr);

  setSource(shader, "NoSuchFunction", GL_SHADER_SOURCE_LANG_METAL_FUNC);
  EXPECT_EQ(shader->getParameter(GL_COMPILE_STATUS), 0);
  EXPECT_EQ(shader->mtlFunction(), nullptr);
  EXPECT_NE(shader->infoLog().find("does not contain a Metal function named 'NoSuchFunction'."),
            std::string::npos);
}

// Conversions share the compiler's process-wide state (its built-in
// library and type tables); Metal compiles and links share the device.
TEST_F(ShaderObjectTest, TwoContextsOnTwoThreadsCompileAndLinkAtOnce) {
  const char* root = std::getenv("TESSALY_SOURCE_DIR");
  const std::string folder = std::string(root != nullptr ? root : ".") + "/resources/Shaders/";
  const std::string chartVertex = tessaly::test::readFile(folder + "VertexShader.glsl");
  const std::string chartFragment = tessaly::test::readFile(folder + "FragmentShader.glsl");
  ASSERT_FALSE(chartVertex.empty());
  ASSERT_FALSE(chartFragment.empty());
  auto work = [&](int rounds, std::vector<int>* results) {
    MGLRef<MGLContext> own = mglMake<MGLContext>();
    mglSetCurrentContext(own.get());
    for (int round = 0; round < rounds; ++round) {
      auto make = [&](GLenum type, const char* source) {
        const GLID name = own->shaders()->generateGLID();
        auto* shader = static_cast<MGLShader*>(own->shaders()->getObjectWithGLID(name));
        shader->setShaderType(type);
        own->setShaderSourceLanguage(GL_SHADER_SOURCE_LANG_AUTO);
        shader->set(1, &source, nullptr, *own);
        shader->compileWithContext(*own);
        return name;
      };
      const GLID program = own->shaderPrograms()->generateGLID();
      auto* p = static_cast<MGLShaderProgram*>(own->shaderPrograms()->getObjectWithGLID(program));
      if (round % 2) {
        p->attachShaderWithGLID(make(GL_VERTEX_SHADER, chartVertex.c_str()));
        p->attachShaderWithGLID(make(GL_FRAGMENT_SHADER, chartFragment.c_str()));
      } else {
        p->attachShaderWithGLID(make(GL_VERTEX_SHADER, kVertexMSL));
        p->attachShaderWithGLID(make(GL_FRAGMENT_SHADER, round % 4 ? kFragmentMSL : kPlainFragmentMSL));
      }
      own->renderPipelineStateCache()->linkShaderProgram(program);
      results->push_back(p->getParameter(GL_LINK_STATUS));
      results->push_back(p->getLocationOfVertexAttributeNamed(round % 2 ? "a_Color" : "a_texCoord"));
    }
    mglSetCurrentContext(nullptr);
  };
  std::vector<int> first, second;
  std::thread a(work, 6, &first), b(work, 6, &second);
  a.join();
  b.join();
  const std::vector<int> expected = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  EXPECT_EQ(first, expected);
  EXPECT_EQ(second, expected);
}

}  // namespace
