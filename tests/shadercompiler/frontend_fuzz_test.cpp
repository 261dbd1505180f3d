// The front end on mutated corpus shaders: no crash, no leak, no read past
// the text, and the error flag set exactly when the log holds an error line.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "compile.h"
#include "corpus.h"
#include "fuzz.h"
#include "ir_checker.h"
#include "shadercompiler/frontend/glsl_parser_extras.h"
#include "shadercompiler/frontend/glsl_pp_internal.h"
#include "shadercompiler/frontend/glsl_preprocessor.h"
#include "shadercompiler/ir/support/ralloc.h"
#include "shadercompiler/ir/support/standalone_scaffolding.h"

namespace {

std::vector<std::string> corpus_texts(bool valid_only = false) {
  std::vector<std::string> texts;
  for (const shctest::corpus_case &c : shctest::read_corpus(shctest::corpus_folder()))
    if (c.valid || !valid_only) texts.push_back(c.text);
  return texts;
}

// Mutations per test: 10,000 (20,000 for the whole front end over both
// mutation kinds), or TESSALY_FUZZ_ITERATIONS for a longer run.
int iterations() {
  const char *n = std::getenv("TESSALY_FUZZ_ITERATIONS");
  return n != nullptr && std::atoi(n) > 0 ? std::atoi(n) : 10000;
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
      {.iterations = 2 * iterations(), .maxSize = 4096});
  // Both outcomes are common, so mutations reach past the first error.
  EXPECT_GT(failed, 1000u);
  EXPECT_GT(passed, 1000u);
}

// One compilation of a mutated shader: the log and the status agree, and a
// shader that compiles has well-formed IR.
void compile_checked(const std::string &text, size_t *passed, size_t *failed) {
  const bool fragment =
      text.find("gl_Frag") != std::string::npos || text.find("discard") != std::string::npos;
  shctest::shader_ptr s = shctest::compile(text, fragment ? SHC_SHADER_FRAGMENT : SHC_SHADER_VERTEX);
  ASSERT_NE(s->InfoLog, nullptr);
  ASSERT_EQ(!s->CompileStatus, log_has_error_line(s->InfoLog)) << s->InfoLog;
  ASSERT_EQ(s->CompileStatus, s->ir != nullptr);
  if (s->CompileStatus) {
    const std::vector<std::string> problems = shctest::check_ir(s->ir);
    ASSERT_TRUE(problems.empty()) << problems.front() << "\n" << text;
  }
  (s->CompileStatus ? *passed : *failed)++;
}

// Byte-level mutations mostly break the text before the parser; these edit
// whole tokens, so that they reach the translation to IR.
std::string mutate_tokens(const std::string &seed, uint64_t *rng) {
  static const char *const kWords[] = {
      "float", "int", "bool", "vec2", "vec3", "vec4", "mat2", "mat3", "mat4", "ivec2", "bvec3",
      "sampler2D", "void", "struct", "const", "uniform", "varying", "attribute", "in", "out",
      "inout", "if", "else", "for", "while", "do", "return", "break", "continue", "discard",
      "true", "false", "0", "1", "2.0", "-1", ".5", "+", "-", "*", "/", "=", "+=", "==", "<",
      "&&", "||", "!", "?", ":", ",", ";", "(", ")", "[", "]", "{", "}", ".", ".xyz", ".w",
      "main", "gl_Position", "gl_FragColor", "texture2D", "sin", "dot", "x", "y"};
  auto next = [rng] {
    *rng = *rng * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<size_t>(*rng >> 33);
  };
  std::vector<std::string> tokens;
  for (const glsl_pp_token &t : glsl_pp_scan(seed.c_str(), 1).tokens) {
    if (t.kind == glsl_pp_kind::end) break;
    tokens.push_back(t.kind == glsl_pp_kind::newline ? "\n" : t.text);
  }
  if (tokens.empty()) return seed;
  const size_t edits = next() % 4 == 0 ? 2 : 1;
  for (size_t e = 0; e < edits && !tokens.empty(); e++) {
    const size_t at = next() % tokens.size();
    switch (next() % 5) {
      case 0: tokens.erase(tokens.begin() + static_cast<long>(at)); break;
      case 1: tokens.insert(tokens.begin() + static_cast<long>(at), tokens[next() % tokens.size()]); break;
      case 2: tokens[at] = kWords[next() % std::size(kWords)]; break;
      case 3: if (at + 1 < tokens.size()) std::swap(tokens[at], tokens[at + 1]); break;
      default: tokens.insert(tokens.begin() + static_cast<long>(at), kWords[next() % std::size(kWords)]); break;
    }
  }
  std::string text;
  for (const std::string &t : tokens) text += t == "\n" ? "\n" : t + " ";
  return text;
}

TEST(FrontendFuzzTest, WholeFrontEndOnBytes) {
  size_t failed = 0, passed = 0;
  tessaly::test::fuzz(
      corpus_texts(), [&](std::string_view input) { compile_checked(std::string(input), &passed, &failed); },
      {.iterations = iterations(), .maxSize = 4096});
  EXPECT_GT(failed, 1000u);
  EXPECT_GT(passed, 20u);
}

TEST(FrontendFuzzTest, WholeFrontEndOnTokens) {
  const std::vector<std::string> seeds = corpus_texts(true);
  size_t failed = 0, passed = 0;
  uint64_t rng = 0x5eed;
  for (int i = 0; i < iterations(); i++) {
    const std::string text = mutate_tokens(seeds[i % seeds.size()], &rng);
    compile_checked(text, &passed, &failed);
    if (HasFatalFailure()) return;
  }
  EXPECT_GT(failed, 1000u);
  EXPECT_GT(passed, 500u);
}

}  // namespace
