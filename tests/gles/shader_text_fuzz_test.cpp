// Fuzzing of what reads a shader's text before any compiler does: the
// language splitter, the Metal function name extraction and the text
// operations, over random texts of pragma lines, Metal and GLSL lines,
// comments closed and open, invalid bytes and megabyte lines. The sanitizer
// build turns an over-read, undefined behaviour or a scanner that recurses
// per character into a failure.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "fuzz.h"
#include "gles/shaders/shader_parser.h"
#include "gles/shaders/shader_text.h"
#include "tests/gles/shader_fixture.h"
#include "tests/gles/test_shaders.h"

namespace {

// A random shader-like text: lines drawn from pieces that matter to the
// scanners, with comments left open, very long lines and stray bytes.
std::string randomText(std::mt19937& random, bool megabyteLine) {
  static const std::vector<std::string> pieces = {
      "#pragma DivezoVO language msl", "# PRAGMA divezovo LANGUAGE glsl", "#pragma DivezoVO language",
      "#pragma DivezoVO language all", "#pragma DivezoVO language hlsl", "#include <metal_stdlib>",
      "#import<METAL_STDLIB>", "using namespace metal;", "vertex float4 f(int x) {",
      "fragment half4 g(float2 uv [[stage_in]])", "void main() { gl_FragColor = vec4(1.0); }",
      "/* open comment", "*/", "// line comment /* inside", "/* closed */ code", "\t \v\f\r",
      "\xC2\xA0\xE2\x80\xA8\xF0\x9F\x98\x80", "\xFF\xC3", "", "vertex", "a b c d e f"};
  std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
  std::uniform_int_distribution<int> chance(0, 99);
  std::string text;
  const int lineCount = std::uniform_int_distribution<int>(0, 40)(random);
  for (int i = 0; i < lineCount; ++i) {
    std::string line = pieces[pick(random)];
    if (chance(random) < 30) line += " " + pieces[pick(random)];
    if (megabyteLine && i == lineCount / 2) {
      // A megabyte line: one long comment or one long word.
      line += std::string(chance(random) < 50 ? "/*" : "//") +
              std::string(std::size_t{1} << 20, chance(random) < 50 ? 'x' : '*');
    }
    text += line;
    text += chance(random) < 10 ? "\r\n" : "\n";
  }
  return text;
}

void checkText(const std::string& text) {
  // Lines reassemble into the text.
  std::string joined;
  for (const std::string& line : terminatedLines(text)) joined += line;
  ASSERT_EQ(joined, text + "\n");
  const std::vector<std::string> pieces = lines(text);
  ASSERT_EQ(pieces.size(), terminatedLines(text).size());
  for (const std::string& token : tokensSeparatedByCharactersInSet(text, mglIsWhitespaceOrNewline)) {
    ASSERT_FALSE(token.empty());
    ASSERT_EQ(token.find_first_of(" \t\n\v\f\r"), std::string::npos);
  }
  ASSERT_LE(mglUTF16Length(text), text.size());
  ASSERT_LE(lineCount(text), text.size());

  // Every line that is no pragma reaches a part; no pragma line does.
  MGLShaderParser parser = MGLShaderParser::parser();
  parser.parse(text);
  std::size_t plain = 0;
  for (const std::string& line : terminatedLines(text)) plain += !mglLanguagePragmaWord(line);
  std::size_t inParts = 0;
  for (const auto* part : {&parser.glslSourceCode(), &parser.mslSourceCode()}) {
    if (!*part) continue;
    for (const std::string& line : terminatedLines(**part)) {
      ASSERT_FALSE(mglLanguagePragmaWord(line)) << line;
    }
    inParts += terminatedLines(**part).size() - 1;
  }
  ASSERT_GE(inParts, plain);
  const std::optional<std::string> name = parser.mtlFunctionName();
  if (name) {
    ASSERT_FALSE(name->empty());
  }
}

class ShaderTextFuzzTest : public tessaly::test::ShaderTest {};

TEST_F(ShaderTextFuzzTest, RandomTextsSplitAndNameWithoutFault) {
  std::mt19937 random(0x7e47);
  const GLenum languages[] = {GL_SHADER_SOURCE_LANG_METAL, GL_SHADER_SOURCE_LANG_METAL_FUNC,
                              GL_SHADER_SOURCE_LANG_IGNORE};
  int named = 0, unnamed = 0, megabyte = 0;
  const int rounds = tessaly::test::fuzzIterations(400);
  for (int round = 0; round < rounds; ++round) {
    // A few texts hold a line of a megabyte.
    const std::string text = randomText(random, round % 100 == 7);
    megabyte += text.size() > (1 << 20);
    ASSERT_NO_FATAL_FAILURE(checkText(text)) << "round " << round;
    MGLShader* shader = newShader(round % 2 ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER);
    setSource(shader, text, languages[round % 3]);
    if (languages[round % 3] == GL_SHADER_SOURCE_LANG_METAL) {
      (shader->infoLog().empty() ? named : unnamed) += 1;
    }
  }
  EXPECT_GT(named, rounds / 50);
  EXPECT_GT(unnamed, rounds / 50);
  EXPECT_GT(megabyte, 0);
}

// Mutations of real sources through the whole path: split, convert or
// take as Metal, compile. Each compile ends in a function or a log line.
TEST_F(ShaderTextFuzzTest, MutatedSourcesCompileOrSayWhyNot) {
  const std::vector<tessaly::test::Bytes> seeds = {
      tessaly::test::kVertexMSL, tessaly::test::kFragmentMSL,
      "#pragma DivezoVO language glsl\nattribute vec4 a;\nvoid main() { gl_Position = a; }\n",
      "precision mediump float;\nuniform vec3 u_color;\nvoid main() { gl_FragColor = "
      "vec4(u_color, 1.0); }\n"};
  int compiled = 0, failed = 0;
  tessaly::test::FuzzOptions options;
  options.seed = 0x5ade;
  options.iterations = tessaly::test::fuzzIterations(1000);
  options.maxSize = 8192;
  tessaly::test::fuzz(
      seeds,
      [&](std::string_view bytes) {
        const std::string text(bytes);
        const bool fragmentText = text.find("fragment") != std::string::npos ||
                                  text.find("gl_FragColor") != std::string::npos;
        MGLShader* shader = newShader(fragmentText ? GL_FRAGMENT_SHADER : GL_VERTEX_SHADER);
        setSource(shader, text, GL_SHADER_SOURCE_LANG_AUTO);
        const std::string logBefore = shader->infoLog();
        shader->compileWithContext(*context);
        if (shader->isCompiled()) {
          ++compiled;
          EXPECT_NE(shader->mtlFunction(), nullptr);
        } else {
          ++failed;
          EXPECT_EQ(shader->mtlFunction(), nullptr);
          EXPECT_NE(shader->infoLog(), logBefore);
        }
        errorCode();
      },
      options);
  std::printf("mutated sources: %d compiled, %d failed\n", compiled, failed);
  EXPECT_GE(compiled, 4);
  EXPECT_GT(failed, options.iterations / 4);
}

}  // namespace
