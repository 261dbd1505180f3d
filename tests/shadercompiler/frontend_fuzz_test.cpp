// The front end on mutated corpus shaders: no crash, no leak, no read past
// the text, and the error flag set exactly when the log holds an error line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "corpus.h"
#include "fuzz.h"
#include "shadercompiler/frontend/glsl_parser_extras.h"
#include "shadercompiler/frontend/glsl_preprocessor.h"
#include "shadercompiler/ir/support/ralloc.h"
#include "shadercompiler/ir/support/standalone_scaffolding.h"

namespace {

std::vector<std::string> corpus_texts() {
  std::vector<std::string> texts;
  for (const shctest::corpus_case &c : shctest::read_corpus(shctest::corpus_folder()))
    texts.push_back(c.text);
  return texts;
}

bool log_has_error_line(const char *log) {
  return std::string(log).find("): error: ") != std::string::npos;
}

TEST(FrontendFuzzTest, Preprocessor) {
  const std::vector<std::string> seeds = corpus_texts();
  ASSERT_GT(seeds.size(), 30u);
  gl_context ctx;
  initialize_context_defaults(&ctx, 3);
  size_t failed = 0, passed = 0;
  tessaly::test::fuzz(
      seeds,
      [&](std::string_view input) {
        const std::string text(input);  // NUL-terminated; stops at an inner NUL
        void *mem = ralloc_context(nullptr);
        auto *state = new (mem) glsl_parse_state(
            text.size() % 2 ? SHC_SHADER_VERTEX : SHC_SHADER_FRAGMENT, false, 110);
        state->ctx = &ctx;
        std::vector<glsl_pp_token> tokens;
        const bool ok = glsl_preprocess(state, text.c_str(), 1, &tokens);
        ASSERT_EQ(state->error, log_has_error_line(state->info_log));
        if (!ok) {
          ASSERT_TRUE(state->error);
        }
        for (const glsl_pp_token &t : tokens) {
          ASSERT_FALSE(t.text.empty());
          ASSERT_NE(t.kind, glsl_pp_kind::other);
        }
        (state->error ? failed : passed)++;
        ralloc_free(mem);
      },
      {.iterations = 20000, .maxSize = 4096});
  // Both outcomes are common, so mutations reach past the first error.
  EXPECT_GT(failed, 1000u);
  EXPECT_GT(passed, 1000u);
}

}  // namespace
