// Shader library objects: the application's default library, libraries
// loaded from compiled bytes, and compiled bytes that are damaged or
// hostile (fuzzed).
#include "gles/shaders/shader_library.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz.h"
#include "platform/metal/device.h"
#include "platform/metal/library.h"
#include "tests/gles/shader_fixture.h"
#include "tests/gles/test_shaders.h"

namespace {

class ShaderLibraryTest : public tessaly::test::ShaderTest {
 protected:
  MGLShaderLibrary* library(GLID glID) {
    return static_cast<MGLShaderLibrary*>(context->shaderLibraries()->getObjectWithGLID(glID));
  }
  static std::string libraryData(const std::string& source) {
    return std::string(mtl::Device::kLibraryDataMagic) + source;
  }
};

TEST_F(ShaderLibraryTest, TheDefaultLibraryHoldsTheChartsPairAndRefusesCompiledCode) {
  MGLShaderLibrary* zero = library(0);
  ASSERT_TRUE(zero);
  const std::shared_ptr<mtl::Library> made = zero->mtlLibrary();
  ASSERT_TRUE(made);
  const std::vector<std::string> names = made->functionNames();
  EXPECT_NE(std::find(names.begin(), names.end(), "VertexShader"), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), "FragmentShader"), names.end());
  EXPECT_EQ(zero->mtlLibrary(), made);  // made once, then kept

  const std::string data = libraryData(tessaly::test::kFragmentMSL);
  zero->setCompiledCode(data.data(), data.size());
  EXPECT_EQ(errorText(),
            "GL_INVALID_VALUE. The default compiled shader library (GLID = 0) is created at "
            "development time and cannot be modified.");
  EXPECT_EQ(zero->mtlLibrary(), made);
  EXPECT_EQ(context->currentShaderLibrary(), zero);
}

TEST_F(ShaderLibraryTest, OtherLibrariesHaveContentOnlyWhileTheirLastBytesCompiled) {
  const GLID name = context->shaderLibraries()->generateGLID();
  MGLShaderLibrary* loaded = library(name);
  EXPECT_EQ(loaded->mtlLibrary(), nullptr);

  const std::string data = libraryData(std::string(tessaly::test::kVertexMSL) +
                                       "\n" + std::string(tessaly::test::kPlainFragmentMSL).substr(
                                                  std::string(tessaly::test::kPlainFragmentMSL).find("fragment")));
  loaded->setCompiledCode(data.data(), data.size());
  EXPECT_EQ(errorCode(), 0u);
  ASSERT_TRUE(loaded->mtlLibrary());
  EXPECT_NE(loaded->mtlLibrary()->newFunctionWithName("transformVertex"), nullptr);
  EXPECT_NE(loaded->mtlLibrary()->newFunctionWithName("plainFragment"), nullptr);

  // Bytes that are no library.
  const std::string junk = "MTLB\x01\x02";
  loaded->setCompiledCode(junk.data(), junk.size());
  EXPECT_EQ(errorText(),
            "GL_INVALID_VALUE. Compiled shader library creation  failed (Error code 2):\n"
            "The data is not a compiled Metal library");
  EXPECT_EQ(loaded->mtlLibrary(), nullptr);
  loaded->setCompiledCode(nullptr, 12);
  EXPECT_EQ(errorCode(), static_cast<GLenum>(GL_INVALID_VALUE));

  // A library whose source does not compile.
  loaded->setCompiledCode(data.data(), data.size());
  ASSERT_TRUE(loaded->mtlLibrary());
  const std::string broken = libraryData("vertex float4 f( { }");
  loaded->setCompiledCode(broken.data(), broken.size());
  const std::string text = errorText();
  EXPECT_EQ(text.rfind("GL_INVALID_VALUE. Compiled shader library creation  failed (Error code 3):\n"
                       "Compilation failed: \n\nprogram_source:1:",
                       0),
            0u)
      << text;
  EXPECT_EQ(loaded->mtlLibrary(), nullptr);
}

// Hostile library data ends in a library or a GL error, never a crash:
// mutations of valid data (the library compiler reads the text after the
// magic) and of the magic itself, each given as an exact-size copy.
TEST_F(ShaderLibraryTest, FuzzedLibraryDataLoadsOrIsRefused) {
  const GLID name = context->shaderLibraries()->generateGLID();
  MGLShaderLibrary* loaded = library(name);
  const std::vector<tessaly::test::Bytes> seeds = {
      libraryData(tessaly::test::kVertexMSL), libraryData(tessaly::test::kFragmentMSL),
      libraryData(tessaly::test::kPlainVertexMSL), std::string(mtl::Device::kLibraryDataMagic),
      "TESSALY-METALLI"};
  int accepted = 0, refused = 0;
  tessaly::test::FuzzOptions options;
  options.seed = 0x11b;
  options.iterations = tessaly::test::fuzzIterations(2000);
  options.maxSize = 4096;
  tessaly::test::fuzz(
      seeds,
      [&](std::string_view bytes) {
        const std::vector<char> copy(bytes.begin(), bytes.end());
        loaded->setCompiledCode(copy.empty() ? nullptr : copy.data(), copy.size());
        const GLenum error = errorCode();
        if (loaded->mtlLibrary()) {
          ++accepted;
          EXPECT_EQ(error, 0u);
        } else {
          ++refused;
          EXPECT_EQ(error, static_cast<GLenum>(GL_INVALID_VALUE));
        }
      },
      options);
  std::printf("library data: %d loaded, %d refused\n", accepted, refused);
  EXPECT_GE(accepted, 3);  // at least the valid seeds
  EXPECT_GT(refused, 500);
}

// A METAL_FUNC source looks its function up in the library bound at the
// time it is given: nothing while the bound library has no content, the
// library's own function once its bytes compiled, and the default
// library's again when 0 is bound.
TEST_F(ShaderLibraryTest, MetalFunctionSourcesLookInTheBoundLibrary) {
  const GLID name = context->shaderLibraries()->generateGLID();
  context->bindShaderLibraryWithGLID(name);
  ASSERT_EQ(context->currentShaderLibrary(), library(name));
  MGLShader* shader = newShader(GL_VERTEX_SHADER);
  setSource(shader, "transformVertex", GL_SHADER_SOURCE_LANG_METAL_FUNC);
  EXPECT_EQ(shader->infoLog(), "Currently bound shader library " + std::to_string(name) + " has no content.");
  EXPECT_EQ(shader->getParameter(GL_COMPILE_STATUS), 0);
  EXPECT_EQ(shader->mtlFunction(), nullptr);

  const std::string data = libraryData(tessaly::test::kVertexMSL);
  library(name)->setCompiledCode(data.data(), data.size());
  ASSERT_EQ(errorCode(), 0u);
  setSource(shader, "transformVertex", GL_SHADER_SOURCE_LANG_METAL_FUNC);
  EXPECT_EQ(shader->getParameter(GL_COMPILE_STATUS), 1) << shader->infoLog();
  ASSERT_TRUE(shader->mtlFunction());
  EXPECT_EQ(shader->mtlFunction()->name(), "transformVertex");
  // The chart's function is in the default library only.
  setSource(shader, "VertexShader", GL_SHADER_SOURCE_LANG_METAL_FUNC);
  EXPECT_EQ(shader->getParameter(GL_COMPILE_STATUS), 0);

  context->bindShaderLibraryWithGLID(0);
  setSource(shader, "VertexShader", GL_SHADER_SOURCE_LANG_METAL_FUNC);
  EXPECT_EQ(shader->getParameter(GL_COMPILE_STATUS), 1) << shader->infoLog();
  setSource(shader, "transformVertex", GL_SHADER_SOURCE_LANG_METAL_FUNC);
  EXPECT_EQ(shader->getParameter(GL_COMPILE_STATUS), 0);
}

}  // namespace
