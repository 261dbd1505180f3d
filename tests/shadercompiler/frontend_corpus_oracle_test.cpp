// The front end against its corpus and against glslangValidator: the
// hand-written cases have the verdict and the faulty line they are written
// for; on every case (hand-written and a fixed sample of the generated
// families) our verdict agrees with the validator's except where
// frontend_differences.txt lists the case with its reason; the preprocessed
// text equals `glslangValidator -E` token for token; and every shader we
// accept translates to IR that passes the IR checker.
//
// TESSALY_FULL_SWEEP=1 runs every generated case instead of the sample.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "compile.h"
#include "corpus.h"
#include "glslang_oracle.h"
#include "ir_checker.h"
#include "shadercompiler/frontend/glsl_parser_extras.h"
#include "shadercompiler/frontend/glsl_pp_internal.h"
#include "shadercompiler/frontend/glsl_preprocessor.h"
#include "shadercompiler/ir/support/ralloc.h"

namespace {

constexpr unsigned kSample = 10;

// Whether `name` matches `pattern`, where '*' stands for any text.
bool matches(const std::string &pattern, const std::string &name) {
  size_t p = 0, n = 0, star = std::string::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == name[n]) {
      p++;
      n++;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != std::string::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') p++;
  return p == pattern.size();
}

struct listed_difference {
  char sign;  // '+': we accept what the validator refuses; '-': the other way
  std::string pattern;
};

std::vector<listed_difference> read_differences() {
  const char *root = std::getenv("TESSALY_SOURCE_DIR");
  std::ifstream in(std::string(root != nullptr ? root : ".") +
                   "/tests/shadercompiler/frontend_differences.txt");
  std::vector<listed_difference> list;
  std::string line;
  while (std::getline(in, line)) {
    if (line.size() < 3 || line[0] == '#') continue;
    if ((line[0] == '+' || line[0] == '-') && line[1] == ' ') list.push_back({line[0], line.substr(2)});
  }
  return list;
}

struct outcome {
  bool compiled = false;
  int first_error_line = 0;
  std::string log;
  std::vector<std::string> ir_problems;
};

outcome compile_case(const shctest::corpus_case &c) {
  shctest::shader_ptr s = shctest::compile(c.text, c.stage);
  outcome o;
  o.compiled = s->CompileStatus;
  o.log = s->InfoLog;
  if (!o.compiled && o.log.size() > 1 && o.log[0] == '(') o.first_error_line = std::atoi(o.log.c_str() + 1);
  if (o.compiled) o.ir_problems = shctest::check_ir(s->ir);
  return o;
}

struct corpus_run {
  std::vector<shctest::corpus_case> cases;
  std::vector<outcome> ours;
  std::vector<shctest::oracle_verdict> theirs;
  std::vector<std::optional<std::string>> preprocessed;
};

const corpus_run &run() {
  static const corpus_run r = [] {
    corpus_run r;
    r.cases = shctest::read_corpus(shctest::corpus_folder());
    for (shctest::corpus_case &c : shctest::generated_corpus(shctest::sweep_step(kSample)))
      r.cases.push_back(std::move(c));
    for (const shctest::corpus_case &c : r.cases) r.ours.push_back(compile_case(c));
    if (!shctest::glslang_available()) return r;
    std::vector<shctest::oracle_shader> shaders;
    for (const shctest::corpus_case &c : r.cases) shaders.push_back({c.name.substr(c.name.rfind('/') + 1), c.text});
    r.theirs = shctest::glslang_validate(shaders, shctest::glslang_limits(shctest::default_context()));
    r.preprocessed = shctest::glslang_preprocess(shaders);
    return r;
  }();
  return r;
}

TEST(FrontendCorpusTest, HandWrittenCasesHaveTheirVerdictAndFaultyLine) {
  const corpus_run &r = run();
  size_t labelled = 0, marked = 0;
  for (size_t i = 0; i < r.cases.size(); i++) {
    const shctest::corpus_case &c = r.cases[i];
    if (!c.labelled) continue;
    labelled++;
    ASSERT_EQ(c.name.find("malformed:"), std::string::npos) << c.name;
    EXPECT_EQ(r.ours[i].compiled, c.valid) << c.name << "\n" << r.ours[i].log;
    if (!c.valid && !c.error_lines.empty() && !r.ours[i].compiled) {
      marked++;
      bool found = false;
      for (int line : c.error_lines) found = found || line == r.ours[i].first_error_line;
      EXPECT_TRUE(found) << c.name << ": the first error is not on a marked line\n" << r.ours[i].log;
    }
    if (c.valid) {
      EXPECT_TRUE(c.error_lines.empty()) << c.name << " is valid but marks a line";
    }
  }
  EXPECT_GT(labelled, 400u);
  EXPECT_GT(marked, 200u);
}

TEST(FrontendCorpusTest, EveryAcceptedShaderPassesTheIrChecker) {
  const corpus_run &r = run();
  size_t accepted = 0;
  for (size_t i = 0; i < r.cases.size(); i++) {
    if (!r.ours[i].compiled) continue;
    accepted++;
    for (const std::string &p : r.ours[i].ir_problems) ADD_FAILURE() << r.cases[i].name << ": " << p;
  }
  EXPECT_GT(accepted, 400u);
}

TEST(FrontendCorpusTest, VerdictsAgreeWithTheValidatorOrAreListed) {
  ASSERT_TRUE(shctest::glslang_available()) << "glslangValidator (glslang-tools) is needed";
  const corpus_run &r = run();
  const std::vector<listed_difference> listed = read_differences();
  ASSERT_FALSE(listed.empty());
  std::vector<bool> used(listed.size(), false);
  size_t agree = 0, differ = 0;
  for (size_t i = 0; i < r.cases.size(); i++) {
    const bool ours = r.ours[i].compiled, theirs = r.theirs[i].accepted;
    if (ours == theirs) {
      agree++;
      continue;
    }
    differ++;
    const char sign = ours ? '+' : '-';
    bool found = false;
    for (size_t k = 0; k < listed.size(); k++) {
      if (listed[k].sign == sign && matches(listed[k].pattern, r.cases[i].name)) {
        used[k] = true;
        found = true;
      }
    }
    EXPECT_TRUE(found) << "unlisted difference: " << sign << " " << r.cases[i].name << "\nours: "
                       << r.ours[i].log << "validator: " << r.theirs[i].messages;
  }
  // A listed difference that names cases of this run and is no longer seen
  // is stale (a sample may leave out every case a pattern names).
  for (size_t k = 0; k < listed.size(); k++) {
    if (used[k]) continue;
    bool in_run = false;
    for (const shctest::corpus_case &c : r.cases) in_run = in_run || matches(listed[k].pattern, c.name);
    if (in_run) ADD_FAILURE() << "listed but not seen: " << listed[k].sign << " " << listed[k].pattern;
  }
  std::printf("corpus: %zu cases, %zu agree, %zu listed differences\n", r.cases.size(), agree, differ);
  EXPECT_GT(agree, 2000u);
}

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

TEST(FrontendCorpusTest, PreprocessedTextEqualsTheValidatorsTokenForToken) {
  ASSERT_TRUE(shctest::glslang_available()) << "glslangValidator (glslang-tools) is needed";
  const corpus_run &r = run();
  size_t compared = 0;
  for (size_t i = 0; i < r.cases.size(); i++) {
    void *mem = ralloc_context(nullptr);
    auto *state = new (mem) glsl_parse_state(r.cases[i].stage, false, 110);
    state->ctx = &shctest::default_context();
    std::vector<glsl_pp_token> tokens;
    const bool ok = glsl_preprocess(state, r.cases[i].text.c_str(), 1, &tokens) && !state->error;
    ralloc_free(mem);
    if (!ok || !r.preprocessed[i]) continue;
    std::vector<std::string> ours;
    for (const glsl_pp_token &t : tokens) ours.push_back(t.text);
    EXPECT_EQ(joined(ours), joined(tokens_outside_directives(*r.preprocessed[i]))) << r.cases[i].name;
    compared++;
  }
  EXPECT_GT(compared, 2000u);
}

}  // namespace
