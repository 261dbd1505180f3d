#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <set>
#include <utility>
#include <vector>
#include <string>

#include "shadercompiler/frontend/glsl_parser_extras.h"
#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/support/ralloc.h"
#include "temp_dir.h"
#include "tests/support/requirements.h"

namespace {

bool always(const glsl_parse_state *) { return true; }
bool never(const glsl_parse_state *) { return false; }

class MatchingTest : public ::testing::Test {
 protected:
  void TearDown() override { ralloc_free(ctx); }

  ir_function_signature *add(std::initializer_list<const glsl_type *> types,
                             ir_variable_mode mode = ir_var_function_in,
                             builtin_available_predicate avail = nullptr) {
    auto *sig = new (ctx) ir_function_signature(glsl_type::void_type,
                                                glsl_precision_undefined, avail);
    for (const glsl_type *t : types)
      sig->parameters.push_tail(
          new (ctx) ir_variable(t, "p", mode, glsl_precision_undefined));
    fn->add_signature(sig);
    return sig;
  }
  exec_list *args(std::initializer_list<const glsl_type *> types) {
    auto *list = new (ralloc_size(ctx, sizeof(exec_list))) exec_list;
    for (const glsl_type *t : types) {
      auto *v = new (ctx) ir_variable(t, "a", ir_var_auto, glsl_precision_undefined);
      list->push_tail(new (ctx) ir_dereference_variable(v));
    }
    return list;
  }
  glsl_parse_state *state(bool es, unsigned version) {
    return new (ctx) glsl_parse_state(SHC_SHADER_FRAGMENT, es, version);
  }

  void *ctx = ralloc_context(nullptr);
  ir_function *fn = new (ctx) ir_function("f");
  const glsl_type *f = glsl_type::float_type;
  const glsl_type *i = glsl_type::int_type;
  const glsl_type *u = glsl_type::uint_type;
};

TEST_F(MatchingTest, ExactWinsWhateverTheOrder) {
  add({f});
  ir_function_signature *fi = add({i});
  bool exact = false;
  EXPECT_EQ(fn->matching_signature(state(true, 100), args({i}), true, &exact), fi);
  EXPECT_TRUE(exact);
  EXPECT_EQ(fn->matching_signature(state(true, 100), args({f, f}), true, &exact), nullptr);
  EXPECT_FALSE(exact);
}

TEST_F(MatchingTest, SingleConversionIsChosenInEveryVersion) {
  ir_function_signature *ff = add({f});
  bool exact = true;
  EXPECT_EQ(fn->matching_signature(state(true, 100), args({i}), true, &exact), ff);
  EXPECT_FALSE(exact);
  EXPECT_EQ(fn->matching_signature_no_exact(state(true, 100), args({glsl_type::vec2_type}), true),
            nullptr);
}

TEST_F(MatchingTest, AmbiguousCandidates) {
  add({f, i});
  add({i, f});
  EXPECT_EQ(fn->matching_signature_no_exact(state(true, 300), args({i, i}), true), nullptr);
  EXPECT_EQ(fn->matching_signature_no_exact(state(false, 400), args({i, i}), true), nullptr);
  glsl_parse_state *ext = state(false, 330);
  ext->ARB_gpu_shader5_enable = true;
  EXPECT_EQ(fn->matching_signature_no_exact(ext, args({i, i}), true), nullptr);
}

TEST_F(MatchingTest, BetterCandidateUnderGlsl400Rules) {
  add({f, f});
  ir_function_signature *if_ = add({i, f});
  EXPECT_EQ(fn->matching_signature_no_exact(state(false, 400), args({i, i}), true), if_);
  EXPECT_EQ(fn->matching_signature_no_exact(nullptr, args({i, i}), true), if_);
  // Older languages refuse to choose.
  EXPECT_EQ(fn->matching_signature_no_exact(state(false, 130), args({i, i}), true), nullptr);
}

TEST_F(MatchingTest, ConversionsToFloatAndUintAreEqual) {
  add({f});
  add({u});
  EXPECT_EQ(fn->matching_signature_no_exact(state(false, 400), args({i}), true), nullptr);
}

TEST_F(MatchingTest, OutputParametersConvertBackwards) {
  ir_function_signature *out = add({i}, ir_var_function_out);
  EXPECT_EQ(fn->matching_signature_no_exact(state(true, 100), args({f}), true), out);
  ir_function *g = new (ctx) ir_function("g");
  auto *sig = new (ctx) ir_function_signature(glsl_type::void_type, glsl_precision_undefined);
  sig->parameters.push_tail(new (ctx) ir_variable(i, "p", ir_var_function_inout,
                                                  glsl_precision_undefined));
  g->add_signature(sig);
  EXPECT_EQ(g->matching_signature_no_exact(state(true, 100), args({f}), true), nullptr);
  EXPECT_EQ(g->matching_signature_no_exact(state(true, 100), args({i}), true), sig);
}

TEST_F(MatchingTest, BuiltinsCanBeHiddenOrUnavailable) {
  ir_function_signature *builtin = add({f}, ir_var_function_in, always);
  add({f}, ir_var_function_in, never);
  EXPECT_EQ(fn->matching_signature_no_exact(state(true, 100), args({f}), false), nullptr);
  EXPECT_EQ(fn->matching_signature_no_exact(state(true, 100), args({f}), true), builtin);
  EXPECT_TRUE(builtin->is_builtin_available(nullptr));
}

TEST_F(MatchingTest, ExactLookupComparesTypesOnly) {
  add({f, i});
  ir_function_signature *target = add({i, f}, ir_var_function_out);
  EXPECT_EQ(fn->exact_matching_signature(nullptr, args({i, f})), target);
  EXPECT_EQ(fn->exact_matching_signature(nullptr, args({i})), nullptr);
  EXPECT_EQ(fn->exact_matching_signature(nullptr, &target->parameters), target);
}

// --- static recursion

class RecursionTest : public ::testing::Test {
 protected:
  void TearDown() override { ralloc_free(ctx); }

  ir_function_signature *function(const char *name) {
    auto *fn = new (ctx) ir_function(name);
    auto *sig = new (ctx) ir_function_signature(glsl_type::float_type, glsl_precision_undefined);
    sig->parameters.push_tail(new (ctx) ir_variable(glsl_type::float_type, "x",
                                                    ir_var_function_in,
                                                    glsl_precision_undefined));
    fn->add_signature(sig);
    program.push_tail(fn);
    return sig;
  }
  void call(ir_function_signature *from, ir_function_signature *to) {
    exec_list actuals;
    actuals.push_tail(new (ctx) ir_constant(1.0f));
    auto *result = new (ctx) ir_variable(glsl_type::float_type, "r", ir_var_temporary,
                                         glsl_precision_undefined);
    from->body.push_tail(result);
    from->body.push_tail(
        new (ctx) ir_call(to, new (ctx) ir_dereference_variable(result), &actuals));
  }
  std::set<std::string> reported() {
    auto *state = new (ctx) glsl_parse_state(SHC_SHADER_FRAGMENT, false, 110);
    detect_static_recursion(state, &program);
    std::set<std::string> names;
    std::string log = state->info_log;
    for (size_t at = log.find('`'); at != std::string::npos; at = log.find('`', at + 1))
      names.insert(log.substr(at + 1, log.find('\'', at) - at - 1));
    EXPECT_EQ(state->error, !names.empty());
    if (!names.empty()) {
      EXPECT_EQ(log.rfind("(0,0): error: function `", 0), 0u) << log;
    }
    return names;
  }

  void *ctx = ralloc_context(nullptr);
  exec_list program;
};

TEST_F(RecursionTest, MutualAndSelfRecursionAreReported) {
  ir_function_signature *a = function("A");
  ir_function_signature *b = function("B");
  ir_function_signature *c = function("C");
  ir_function_signature *main = function("main");
  call(a, b);
  call(b, a);
  call(c, c);
  call(main, a);
  call(main, c);
  EXPECT_EQ(reported(), (std::set<std::string>{"float A(float)", "float B(float)",
                                               "float C(float)"}));
}

TEST_F(RecursionTest, ChainsArePrunedAway) {
  ir_function_signature *a = function("A");
  ir_function_signature *b = function("B");
  ir_function_signature *main = function("main");
  call(main, a);
  call(a, b);
  call(a, b);
  EXPECT_TRUE(reported().empty());
}

// Call graphs given as edges among functions A..D (main calls A), written
// both as IR for our check and as GLSL for the independent front end's
// linker: both must find recursion in the same graphs, and every function
// the validator names must be among ours.
TEST_F(RecursionTest, AgreesWithValidatorOnCallGraphs) {
  if (!tessaly::test::programInstalled("glslangValidator"))
    TESSALY_SKIP_OR_FAIL("glslangValidator is not installed");
  const std::vector<std::vector<std::pair<char, char>>> graphs = {
      {{'A', 'B'}, {'B', 'A'}},
      {{'A', 'A'}},
      {{'A', 'B'}, {'B', 'C'}, {'A', 'C'}},
      {{'A', 'B'}, {'B', 'C'}, {'C', 'B'}, {'C', 'D'}},
      {{'A', 'B'}, {'B', 'C'}, {'C', 'D'}, {'D', 'A'}},
      {{'A', 'B'}, {'C', 'D'}, {'D', 'C'}},
  };
  tessaly::test::TempDir dir;
  for (const auto &edges : graphs) {
    ralloc_free(ctx);
    ctx = ralloc_context(nullptr);
    program.make_empty();
    std::map<char, ir_function_signature *> sigs;
    for (char name : std::string("ABCD")) sigs[name] = function(std::string(1, name).c_str());
    ir_function_signature *main = function("main");
    call(main, sigs['A']);
    std::string glsl = "#version 110\n";
    for (char name : std::string("ABCD")) glsl += std::string("float ") + name + "(float x);\n";
    for (char name : std::string("ABCD")) {
      glsl += std::string("float ") + name + "(float x) { return x";
      for (auto [from, to] : edges) {
        if (from != name) continue;
        call(sigs[from], sigs[to]);
        glsl += std::string(" + ") + to + "(x)";
      }
      glsl += "; }\n";
    }
    glsl += "void main() { gl_FragColor = vec4(A(1.0)); }\n";

    std::set<std::string> ours = reported();
    std::string path = dir.file("graph.frag");
    std::string out = dir.file("out.txt");
    tessaly::test::writeFile(path, glsl);
    int rc = std::system(("glslangValidator -l " + path + " >" + out + " 2>&1").c_str());
    std::string log = tessaly::test::readFile(out);
    std::set<std::string> theirs;
    for (size_t at = log.find("Recursion detected:"); at != std::string::npos;
         at = log.find("Recursion detected:", at + 1)) {
      size_t name = log.find_first_not_of(" \n", at + 19);
      theirs.insert(std::string("float ") + log[name] + "(float)");
    }
    EXPECT_EQ(rc != 0, !ours.empty()) << glsl << log;
    for (const std::string &name : theirs) EXPECT_TRUE(ours.count(name)) << name << glsl;
  }
}

}  // namespace
