// The preprocessor: directives, conditional groups, macro expansion and its
// bounds, the language fixed by #version, extensions and pragmas.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shadercompiler/frontend/glsl_parser_extras.h"
#include "shadercompiler/frontend/glsl_pp_internal.h"
#include "shadercompiler/frontend/glsl_preprocessor.h"
#include "shadercompiler/ir/support/ralloc.h"
#include "shadercompiler/ir/support/standalone_scaffolding.h"

namespace {

struct preprocessed {
  bool ok;
  std::string text;  // tokens separated by one blank, lines by '|'
  std::string log;
  bool error;
  bool is_es;
  unsigned version;
  std::vector<glsl_pp_token> tokens;
};

preprocessed run(const std::string &source, gl_shader_stage stage = SHC_SHADER_VERTEX,
                 unsigned first_line = 1, glsl_parse_state *keep = nullptr) {
  static gl_context ctx = [] {
    gl_context c;
    initialize_context_defaults(&c, 3);
    return c;
  }();
  void *mem = ralloc_context(nullptr);
  auto *state = keep != nullptr ? keep : new (mem) glsl_parse_state(stage, false, 110);
  state->ctx = &ctx;
  preprocessed r;
  r.ok = glsl_preprocess(state, source.c_str(), first_line, &r.tokens);
  unsigned line = r.tokens.empty() ? 0 : r.tokens.front().line;
  for (const glsl_pp_token &t : r.tokens) {
    if (!r.text.empty()) r.text += t.line != line ? "|" : " ";
    line = t.line;
    r.text += t.text;
  }
  r.log = state->info_log;
  r.error = state->error;
  r.is_es = state->is_es;
  r.version = state->glsl_version;
  ralloc_free(mem);
  return r;
}

TEST(PreprocessorScanTest, TokensKeepTheirLinesAndColumns) {
  glsl_pp_scan_result r = glsl_pp_scan("a+=1.5e-3 /* x\r\n y */ b\rc\n\n0x1Fu .5", 7);
  std::vector<std::string> texts;
  for (const glsl_pp_token &t : r.tokens)
    if (t.kind != glsl_pp_kind::newline && t.kind != glsl_pp_kind::end) texts.push_back(t.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"a", "+=", "1.5e-3", "b", "c", "0x1Fu", ".5"}));
  // b follows a comment that spans a line break; c begins the line after a
  // lone carriage return; the blank line is counted.
  const glsl_pp_token *b = nullptr, *c = nullptr, *hex = nullptr;
  for (const glsl_pp_token &t : r.tokens) {
    if (t.text == "b") b = &t;
    if (t.text == "c") c = &t;
    if (t.text == "0x1Fu") hex = &t;
  }
  ASSERT_TRUE(b && c && hex);
  EXPECT_EQ(b->line, 8u);
  EXPECT_EQ(b->column, 7u);
  EXPECT_TRUE(b->space_before);
  EXPECT_EQ(c->line, 9u);
  EXPECT_EQ(c->column, 1u);
  EXPECT_EQ(hex->line, 11u);
  EXPECT_FALSE(r.unterminated_comment);

  r = glsl_pp_scan("a /* open\n", 1);
  EXPECT_TRUE(r.unterminated_comment);
  EXPECT_EQ(r.comment_column, 3u);
  // A hexadecimal number never takes a sign after its letter e.
  r = glsl_pp_scan("0x1e+1 1e+1", 1);
  EXPECT_EQ(r.tokens[0].text, "0x1e");
  EXPECT_EQ(r.tokens[1].text, "+");
  EXPECT_EQ(r.tokens[3].text, "1e+1");
}

int32_t evaluate(const std::string &expression, bool *ok = nullptr, std::string *message = nullptr) {
  std::vector<glsl_pp_token> tokens = glsl_pp_scan(expression.c_str(), 1).tokens;
  tokens.pop_back();  // the end token
  int32_t value = 0;
  std::string text;
  size_t at = 0;
  const bool good = glsl_pp_evaluate(tokens, &value, &text, &at);
  if (ok != nullptr) *ok = good;
  if (message != nullptr) *message = text;
  return value;
}

TEST(PreprocessorExpressionTest, FollowsCPrecedenceIn32Bits) {
  EXPECT_EQ(evaluate("1 + 2 * 3"), 7);
  EXPECT_EQ(evaluate("(1 + 2) * 3"), 9);
  EXPECT_EQ(evaluate("10 - 4 - 3"), 3);
  EXPECT_EQ(evaluate("1 << 4 >> 2"), 4);
  EXPECT_EQ(evaluate("-7 / 2"), -3);
  EXPECT_EQ(evaluate("-7 % 3"), -1);
  EXPECT_EQ(evaluate("1 < 2 == 1"), 1);
  EXPECT_EQ(evaluate("6 & 3 | 8 ^ 1"), (6 & 3) | (8 ^ 1));
  EXPECT_EQ(evaluate("!0 + ~0 + -(-1)"), 1);
  EXPECT_EQ(evaluate("0x7FFFFFFF + 1"), INT32_MIN);
  EXPECT_EQ(evaluate("0xFFFFFFFF"), -1);
  EXPECT_EQ(evaluate("010 + 0X10"), 24);
  EXPECT_EQ(evaluate("-2147483647 - 1 / -1"), -2147483647 + 1);
  EXPECT_EQ(evaluate("(-2147483647 - 1) / -1"), INT32_MIN);
}

TEST(PreprocessorExpressionTest, ShortCircuitSkipsErrorsOfTheUnusedOperand) {
  bool ok = false;
  std::string message;
  EXPECT_EQ(evaluate("1 || UNDEFINED", &ok), 1);
  EXPECT_TRUE(ok);
  EXPECT_EQ(evaluate("0 && 1 / 0", &ok), 0);
  EXPECT_TRUE(ok);
  evaluate("0 || UNDEFINED", &ok, &message);
  EXPECT_FALSE(ok);
  EXPECT_EQ(message, "'UNDEFINED' is not a defined macro");
  evaluate("1 / 0", &ok, &message);
  EXPECT_FALSE(ok);
  EXPECT_EQ(message, "division by zero in expression");
  for (const char *bad : {"1.0", "08", "0x", "4294967296", "(1", "1 +", "1 2", ")"}) {
    evaluate(bad, &ok);
    EXPECT_FALSE(ok) << bad;
  }
  evaluate(std::string(1000, '(') + "1" + std::string(1000, ')'), &ok, &message);
  EXPECT_FALSE(ok);
  EXPECT_EQ(message, "expression nested too deeply");
  evaluate(std::string(1000, '-') + "1", &ok, &message);
  EXPECT_FALSE(ok);
}

TEST(PreprocessorTest, VersionFixesTheLanguage) {
  preprocessed r = run("#version 100\nx");
  EXPECT_TRUE(r.ok);
  EXPECT_TRUE(r.is_es);
  EXPECT_EQ(r.version, 100u);
  r = run("// leading comment\n  #  version 120\nx");
  EXPECT_FALSE(r.is_es);
  EXPECT_EQ(r.version, 120u);
  EXPECT_EQ(r.log, "");
  r = run("x");
  EXPECT_FALSE(r.is_es);
  EXPECT_EQ(r.version, 110u);
  for (const char *unsupported : {"#version 130\n", "#version 300 es\n", "#version 450 core\n"}) {
    r = run(unsupported);
    EXPECT_FALSE(r.ok) << unsupported;
    EXPECT_NE(r.log.find("the supported versions are 100 (GLSL ES), 110 and 120"),
              std::string::npos);
  }
  r = run("#define A 1\n#version 100\n");
  EXPECT_EQ(r.log, "(2,1): error: #version must come before anything else\n");
  r = run("#version 100 es\n");
  EXPECT_EQ(r.log, "(1,14): error: unexpected 'es' after the version number\n");
  r = run("#version\n");
  EXPECT_TRUE(r.error);
}

TEST(PreprocessorTest, ObjectAndFunctionMacrosExpandAndRescan) {
  EXPECT_EQ(run("#define A B + 1\n#define B 2\nA A").text, "2 + 1 2 + 1");
  EXPECT_EQ(run("#define F(x, y) ((x) * y)\nF(a + b, c) F((p, q), r)").text,
            "( ( a + b ) * c ) ( ( ( p , q ) ) * r )");
  // A function-like macro without arguments is just a name.
  EXPECT_EQ(run("#define F(x) x\nF + F(1)").text, "F + 1");
  // No space before the parenthesis makes a function-like macro.
  EXPECT_EQ(run("#define G (x) x\nG(1)").text, "( x ) x ( 1 )");
  // Arguments expand before they replace, and the result is scanned again.
  EXPECT_EQ(run("#define ID(x) x\n#define TWO 2\n#define CALL ID(TWO)\nCALL ID(ID(3))").text,
            "2 3");
  // Calls reach across line ends; the replacement takes the call's line.
  EXPECT_EQ(run("#define F(x, y) x y\nF(1,\n2) z").text, "1 2|z");
  // Empty arguments and calls of macros without parameters.
  EXPECT_EQ(run("#define F(x, y) [x|y]\n#define N() n\nF(, ) N()").text, "[ | ] n");
  // A call that is not finished before a directive is refused.
  preprocessed r = run("#define F(x) x\nF(1,\n#define Q\n)");
  EXPECT_NE(r.log.find("unterminated call of macro 'F'"), std::string::npos);
  r = run("#define F(x, y) x\nF(1) F(1, 2, 3)");
  EXPECT_EQ(r.log,
            "(2,1): error: macro 'F' takes 2 arguments, not 1\n"
            "(2,6): error: macro 'F' takes 2 arguments, not 3\n");
}

TEST(PreprocessorTest, MacrosNeverExpandInsideThemselves) {
  EXPECT_EQ(run("#define A A + 1\nA").text, "A + 1");
  EXPECT_EQ(run("#define A B\n#define B A\nA B").text, "A B");
  EXPECT_EQ(run("#define f(x) x f\nf(1)(2)").text, "1 f ( 2 )");
  EXPECT_EQ(run("#define f(x) g(x)\n#define g(x) f(x)\nf(1)").text, "f ( 1 )");
  // The name painted inside an argument stays painted after substitution.
  EXPECT_EQ(run("#define f(x) x\n#define g f(g)\ng").text, "g");
}

TEST(PreprocessorTest, RunawayExpansionIsRefused) {
  std::string chain = "#define A0 x x\n";
  for (int i = 1; i < 30; i++)
    chain += "#define A" + std::to_string(i) + " A" + std::to_string(i - 1) + " A" +
             std::to_string(i - 1) + "\n";
  preprocessed r = run(chain + "A29\n");
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.log.find("macro expansion produces too much text"), std::string::npos);

  std::string nested = "#define f(x) x\n";
  for (int i = 0; i < 200; i++) nested += "f(";
  nested += "1" + std::string(200, ')') + "\n";
  r = run(nested);
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.log.find("macro arguments nested too deeply"), std::string::npos);

  // A chain of calls each ending in the next macro's name.
  std::string calls;
  for (int i = 0; i < 400; i++)
    calls += "#define M" + std::to_string(i) + " M" + std::to_string(i + 1) + "\n";
  r = run(calls + "M0\n");
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.log.find("nested too deeply"), std::string::npos);
  // 64 nested groups are fine, 65 are not.
  EXPECT_TRUE(run(std::string() + [] {
                std::string s;
                for (int i = 0; i < 64; i++) s += "#if 1\n";
                for (int i = 0; i < 64; i++) s += "#endif\n";
                return s;
              }()).ok);
  std::string deep;
  for (int i = 0; i < 65; i++) deep += "#ifdef X\n";
  EXPECT_FALSE(run(deep).ok);
}

TEST(PreprocessorTest, ConditionalGroups) {
  EXPECT_EQ(run("#if 1\na\n#elif 1\nb\n#else\nc\n#endif").text, "a");
  EXPECT_EQ(run("#if 0\na\n#elif 2 > 1\nb\n#else\nc\n#endif").text, "b");
  EXPECT_EQ(run("#if 0\na\n#elif 0\nb\n#else\nc\n#endif").text, "c");
  EXPECT_EQ(run("#define X\n#ifdef X\na\n#endif\n#ifndef X\nb\n#endif").text, "a");
  EXPECT_EQ(run("#define X 0\n#if defined X && defined(X) && !defined Y\na\n#endif").text, "a");
  // Skipped groups may hold anything but their directives still nest.
  preprocessed r = run("#if 0\n@ $ ' \" \\\n#if garbage(\n#foo\n#endif\n#else\nb\n#endif");
  EXPECT_EQ(r.text, "b");
  EXPECT_EQ(r.log, "");
  // Undefined names are errors unless short-circuited away.
  r = run("#if UNDEFINED\na\n#endif\n#if 1 || UNDEFINED\nb\n#endif");
  EXPECT_EQ(r.text, "b");
  EXPECT_EQ(r.log, "(1,5): error: 'UNDEFINED' is not a defined macro\n");
  r = run("#else\n#elif 1\n#endif\n#if 1\n#else\n#else\n#elif 1\n#endif\n#if 1");
  EXPECT_EQ(r.log,
            "(1,2): error: #else without #if\n"
            "(2,2): error: #elif without #if\n"
            "(3,2): error: #endif without #if\n"
            "(6,2): error: #else after #else\n"
            "(7,2): error: #elif after #else\n"
            "(9,1): error: #if without #endif\n");
  r = run("#if\n#endif\n#ifdef\n#endif\n#if defined\n#endif\n#endif x");
  EXPECT_EQ(r.log,
            "(1,2): error: #if needs an expression\n"
            "(3,2): error: #ifdef needs a macro name\n"
            "(5,5): error: 'defined' needs a macro name\n"
            "(7,2): error: #endif without #if\n");
}

TEST(PreprocessorTest, DefinitionsAndReservedNames) {
  preprocessed r = run("#version 100\n#define A 1\n#define A 1\n#define A  2\n#define F(x) x\n"
                       "#define F(y) y\n#define G(x, x) x\n#define H(x y) x\n");
  EXPECT_EQ(r.log,
            "(4,9): error: macro 'A' redefined differently\n"
            "(6,9): error: macro 'F' redefined differently\n"
            "(7,14): error: parameter 'x' named twice\n"
            "(8,13): error: unexpected 'y' in the parameters of macro 'H'\n");
  r = run("#version 100\n#define GL_X 1\n#undef GL_ES\n#define __LINE__ 2\n#define a__b\n"
          "#define defined\n#undef A B\n");
  EXPECT_EQ(r.log,
            "(2,9): error: #define of the reserved name 'GL_X'\n"
            "(3,8): error: #undef of the reserved name 'GL_ES'\n"
            "(4,9): error: #define of the reserved name '__LINE__'\n"
            "(5,9): error: #define of the reserved name 'a__b'\n"
            "(6,9): error: #define of the reserved name 'defined'\n"
            "(7,10): error: unexpected 'B' after the macro name\n");
  // The desktop languages only warn about double underscores.
  r = run("#version 120\n#define a__b 1\na__b");
  EXPECT_EQ(r.log, "(2,9): warning: macro names containing '__' are reserved: 'a__b'\n");
  EXPECT_FALSE(r.error);
  EXPECT_EQ(r.text, "1");
  EXPECT_EQ(run("#define A 1\n#undef A\nA").text, "A");
}

TEST(PreprocessorTest, PredefinedMacrosFollowTheLanguage) {
  preprocessed r = run("#version 100\n__VERSION__ GL_ES GL_FRAGMENT_PRECISION_HIGH __LINE__\n"
                       "GL_OES_standard_derivatives GL_OES_texture_3D GL_EXT_shadow_samplers "
                       "GL_ARB_texture_rectangle",
                       SHC_SHADER_VERTEX);
  // GL_EXT_shadow_samplers is not supported by the default context.
  EXPECT_EQ(r.text, "100 1 1 2|1 1 GL_EXT_shadow_samplers GL_ARB_texture_rectangle");
  r = run("#version 120\n__VERSION__ GL_ES GL_ARB_texture_rectangle GL_OES_texture_3D __FILE__");
  EXPECT_EQ(r.text, "120 GL_ES 1 GL_OES_texture_3D 0");
}

TEST(PreprocessorTest, LineDirectiveNumbersTheNextLineByLanguage) {
  preprocessed r = run("#version 100\n#line 20\na __LINE__\n#line 5 3\n__FILE__ __LINE__");
  EXPECT_EQ(r.text, "a 20|3 5");
  EXPECT_EQ(r.tokens[0].line, 20u);
  r = run("#version 120\n#line 20\na __LINE__\n#define L 7\n#line L + 1 2\n__FILE__ __LINE__");
  EXPECT_EQ(r.text, "a 21|2 9");
  // Errors after #line carry the new numbers.
  r = run("#version 120\n#line 40\n#error here");
  EXPECT_EQ(r.log, "(41,1): error: #error here\n");
  r = run("#line x\n#line -1\n#line\n");
  EXPECT_EQ(r.log,
            "(1,2): error: #line must read '#line line' or '#line line source', with numbers\n"
            "(2,2): error: #line must read '#line line' or '#line line source', with numbers\n"
            "(3,2): error: #line must read '#line line' or '#line line source', with numbers\n");
}

TEST(PreprocessorTest, FirstLineNumberIsTheCallers) {
  preprocessed r = run("a\n#error x\n b", SHC_SHADER_VERTEX, 10);
  EXPECT_EQ(r.tokens[0].line, 10u);
  EXPECT_EQ(r.tokens[1].line, 12u);
  EXPECT_EQ(r.tokens[1].column, 2u);
  EXPECT_EQ(r.log, "(11,1): error: #error x\n");
}

TEST(PreprocessorTest, ExtensionsEnableOnlyWhatTheLanguageOffers) {
  void *mem = ralloc_context(nullptr);
  auto *es = new (mem) glsl_parse_state(SHC_SHADER_FRAGMENT, false, 110);
  preprocessed r = run("#version 100\n#extension GL_OES_standard_derivatives : enable\n"
                       "#extension GL_OES_texture_3D : warn\n"
                       "#extension GL_ARB_texture_rectangle : enable\n"
                       "#extension GL_EXT_shadow_samplers : require\n"
                       "#extension GL_FOO : disable\n",
                       SHC_SHADER_FRAGMENT, 1, es);
  EXPECT_TRUE(es->OES_standard_derivatives_enable);
  EXPECT_TRUE(es->OES_texture_3D_enable);
  EXPECT_NE(es->extension_warn_mask, 0u);
  EXPECT_FALSE(es->ARB_texture_rectangle_enable);
  EXPECT_FALSE(es->EXT_shadow_samplers_enable);
  EXPECT_EQ(r.log,
            "(4,12): warning: extension 'GL_ARB_texture_rectangle' is not supported\n"
            "(5,12): error: extension 'GL_EXT_shadow_samplers' is not supported\n"
            "(6,12): warning: extension 'GL_FOO' is not supported\n");

  auto *desktop = new (mem) glsl_parse_state(SHC_SHADER_VERTEX, false, 110);
  r = run("#version 120\n#extension all : warn\n#extension GL_ARB_texture_rectangle : disable\n"
          "#extension all : enable\n#extension GL_ARB_shader_texture_lod : maybe\n"
          "#extension GL_ARB_shader_texture_lod\n",
          SHC_SHADER_VERTEX, 1, desktop);
  EXPECT_TRUE(desktop->ARB_shader_texture_lod_enable);
  EXPECT_TRUE(desktop->AMD_shader_trinary_minmax_enable);
  EXPECT_FALSE(desktop->ARB_texture_rectangle_enable);
  EXPECT_FALSE(desktop->OES_standard_derivatives_enable);
  EXPECT_EQ(r.log,
            "(4,18): error: #extension all cannot be 'enable'\n"
            "(5,40): error: unknown extension behavior 'maybe'\n"
            "(6,2): error: #extension must read '#extension name : behavior'\n");
  ralloc_free(mem);
}

TEST(PreprocessorTest, PragmasAreRecordedAndOthersIgnored) {
  void *mem = ralloc_context(nullptr);
  auto *state = new (mem) glsl_parse_state(SHC_SHADER_VERTEX, false, 110);
  preprocessed r = run("#version 120\n#pragma STDGL invariant(all)\n#pragma optimize(off)\n"
                       "#pragma debug(on)\n#pragma anything at all UNDEFINED(\n#pragma\n",
                       SHC_SHADER_VERTEX, 1, state);
  EXPECT_EQ(r.log, "");
  EXPECT_TRUE(state->all_invariant);
  EXPECT_FALSE(state->pragma_optimize);
  EXPECT_TRUE(state->pragma_debug);
  r = run("#version 120\n#pragma STDGL invariant(all)\n", SHC_SHADER_FRAGMENT);
  EXPECT_EQ(r.log,
            "(2,2): error: #pragma STDGL invariant(all) is not allowed in a fragment shader\n");
  EXPECT_EQ(run("#version 100\n#pragma STDGL invariant(all)\n", SHC_SHADER_FRAGMENT).log, "");
  ralloc_free(mem);
}

TEST(PreprocessorTest, TextOutsideTheLanguageIsRefused) {
  preprocessed r = run("a @ b # c\n#error one two  three\n#foo\n/* open");
  EXPECT_EQ(r.text, "a b c");
  EXPECT_EQ(r.log,
            "(1,3): error: character '@' is not part of the language\n"
            "(1,7): error: '#' may only begin a directive\n"
            "(2,1): error: #error one two three\n"
            "(3,2): error: unknown directive '#foo'\n"
            "(4,1): error: comment is not closed\n");
  r = run("\x01 \xff");
  EXPECT_EQ(r.log,
            "(1,1): error: character 0x01 is not part of the language\n"
            "(1,3): error: character 0xFF is not part of the language\n");
}

TEST(PreprocessorTest, TextFormHasOneLinePerLineNumber) {
  preprocessed r = run("#define F(x) x\na F(\n1) b\n\nc  d");
  EXPECT_EQ(glsl_pp_tokens_to_text(r.tokens), "a 1\nb\n\nc d\n");
}

}  // namespace
