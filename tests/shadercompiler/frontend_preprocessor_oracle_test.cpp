// The preprocessed text of every corpus shader that both we and
// glslangValidator -E accept is the same, token for token (directive lines
// that the validator keeps, such as #version and #extension, aside).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "corpus.h"
#include "glslang_oracle.h"
#include "shadercompiler/frontend/glsl_parser_extras.h"
#include "shadercompiler/frontend/glsl_pp_internal.h"
#include "shadercompiler/frontend/glsl_preprocessor.h"
#include "shadercompiler/ir/support/ralloc.h"
#include "shadercompiler/ir/support/standalone_scaffolding.h"

namespace {

// Tokens of text, leaving out lines that hold a directive.
std::vector<std::string> tokens_outside_directives(const std::string &text) {
  std::vector<std::string> tokens;
  bool line_start = true, in_directive = false;
  for (const glsl_pp_token &t : glsl_pp_scan(text.c_str(), 1).tokens) {
    if (t.kind == glsl_pp_kind::newline) {
      line_start = true;
      in_directive = false;
      continue;
    }
    if (t.kind == glsl_pp_kind::end) break;
    if (line_start && t.text == "#") in_directive = true;
    line_start = false;
    if (!in_directive) tokens.push_back(t.text);
  }
  return tokens;
}

std::string joined(const std::vector<std::string> &tokens) {
  std::string text;
  for (const std::string &t : tokens) text += t + " ";
  return text;
}

TEST(PreprocessorOracleTest, CorpusTextEqualsTheValidators) {
  ASSERT_TRUE(shctest::glslang_available()) << "glslangValidator (glslang-tools) is needed";
  std::vector<shctest::corpus_case> cases = shctest::read_corpus(shctest::corpus_folder());
  ASSERT_GT(cases.size(), 30u);
  gl_context ctx;
  initialize_context_defaults(&ctx, 3);

  std::vector<shctest::oracle_shader> shaders;
  for (const shctest::corpus_case &c : cases) {
    ASSERT_EQ(c.name.rfind("malformed:", 0), std::string::npos) << c.name;
    shaders.push_back({c.name.substr(c.name.find('/') + 1), c.text});
  }
  const std::vector<std::optional<std::string>> theirs = shctest::glslang_preprocess(shaders);

  size_t compared = 0;
  for (size_t i = 0; i < cases.size(); i++) {
    void *mem = ralloc_context(nullptr);
    auto *state = new (mem) glsl_parse_state(cases[i].stage, false, 110);
    state->ctx = &ctx;
    std::vector<glsl_pp_token> tokens;
    const bool ok = glsl_preprocess(state, cases[i].text.c_str(), 1, &tokens) && !state->error;
    ralloc_free(mem);
    if (!ok || !theirs[i]) continue;
    std::vector<std::string> ours;
    for (const glsl_pp_token &t : tokens) ours.push_back(t.text);
    EXPECT_EQ(joined(ours), joined(tokens_outside_directives(*theirs[i]))) << cases[i].name;
    compared++;
  }
  EXPECT_GT(compared, 15u);
}

}  // namespace
