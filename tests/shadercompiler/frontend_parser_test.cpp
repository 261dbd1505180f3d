// The lexer and parser: keywords and reserved words by version, literals,
// precedence and associativity, the statement and declaration forms, type
// names told from identifiers by scope, and recovery after syntax errors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compile.h"
#include "shadercompiler/frontend/glsl_parser.h"
#include "shadercompiler/frontend/glsl_preprocessor.h"
#include "shadercompiler/frontend/glsl_symbol_table.h"
#include "shadercompiler/ir/support/ralloc.h"

namespace {

struct parsed {
  bool ok;
  std::string tree;  // external declarations separated by '|'
  std::string log;
};

parsed parse(const std::string &text, gl_shader_stage stage = SHC_SHADER_VERTEX) {
  void *mem = ralloc_context(nullptr);
  auto *state = new (mem) glsl_parse_state(stage, false, 110);
  state->ctx = &shctest::default_context();
  std::vector<glsl_pp_token> tokens;
  parsed p{};
  if (glsl_preprocess(state, text.c_str(), 1, &tokens)) {
    add_builtin_types(state);
    ast_translation_unit unit;
    p.ok = glsl_parse(state, tokens, &unit);
    foreach_in_list(ast_node, d, &unit.declarations) {
      if (!p.tree.empty()) p.tree += "|";
      d->print(&p.tree);
    }
  }
  p.log = state->info_log;
  ralloc_free(mem);
  return p;
}

// The tree of one expression, parsed as the initializer of a global.
std::string expression(const std::string &e, const char *version = "120") {
  parsed p = parse(std::string("#version ") + version + "\nfloat x = " + e + ";\n");
  EXPECT_TRUE(p.ok) << e << "\n" << p.log;
  const std::string prefix = "(declare float x = ";
  if (p.tree.rfind(prefix, 0) != 0) return p.tree;
  return p.tree.substr(prefix.size(), p.tree.size() - prefix.size() - 1);
}

TEST(FrontendParserTest, PrecedenceAndAssociativity) {
  EXPECT_EQ(expression("a + b * c - d / e"), "(- (+ a (* b c)) (/ d e))");
  EXPECT_EQ(expression("a - b - c"), "(- (- a b) c)");
  EXPECT_EQ(expression("a = b = c"), "(= a (= b c))");
  EXPECT_EQ(expression("a || b ^^ c && d"), "(|| a (^^ b (&& c d)))");
  EXPECT_EQ(expression("a < b == c > d"), "(== (< a b) (> c d))");
  EXPECT_EQ(expression("a ? b : c ? d : e"), "(?: a b (?: c d e))");
  EXPECT_EQ(expression("a ? b = c, d : e"), "(?: a (, (= b c) d) e)");
  EXPECT_EQ(expression("-a.x++ * !b[1].y"), "(* (u- (post++ (. a x))) (! (. ([] b 1) y)))");
  EXPECT_EQ(expression("++--a"), "(pre++ (pre-- a))");
  EXPECT_EQ(expression("f(a, g(b))[2].length()"), "(.length() ([] (call f a (call g b)) 2))");
  EXPECT_EQ(expression("vec4(1.0)"), "(vec4 1.0)");
  EXPECT_EQ(expression("float[3](1.0, 2.0, 3.0)"), "(float[3] 1.0 2.0 3.0)");
  EXPECT_EQ(expression("float[](1.0)"), "(float[] 1.0)");
  EXPECT_EQ(expression("(a, b) * c"), "(* (, a b) c)");
  EXPECT_EQ(expression("a += b *= c"), "(+= a (*= b c))");
  EXPECT_EQ(expression("f(void)"), "(call f)");
}

TEST(FrontendParserTest, LiteralsByVersion) {
  EXPECT_EQ(expression("0x1F + 017 + 9"), "(+ (+ 31 15) 9)");
  EXPECT_EQ(expression("1.5e2 + .5 + 2. + 1e-1"), "(+ (+ (+ 150.0 0.5) 2.0) 0.1)");
  EXPECT_EQ(expression("1.5f + 2.0F"), "(+ 1.5 2.0)");
  EXPECT_EQ(expression("4294967295"), "-1");
  parsed p = parse("#version 100\nfloat x = 1.5f;\n");
  EXPECT_FALSE(p.ok);
  EXPECT_EQ(p.log, "(2,11): error: the suffix 'f' of '1.5f' is not allowed in this version\n");
  p = parse("#version 110\nint a = 09; int b = 4294967296; float c = 1f; int d = 0x; float e = 1.0e;\n");
  EXPECT_EQ(p.log,
            "(2,9): error: '09' is not a valid octal number\n"
            "(2,21): error: integer constant '4294967296' is too large\n"
            "(2,43): error: '1f' is not a valid number\n"
            "(2,55): error: '0x' is not a valid number\n"
            "(2,69): error: '1.0e' is not a valid number\n");
}

TEST(FrontendParserTest, KeywordsAndReservedWordsFollowTheVersion) {
  // invariant and centroid are names in GLSL 1.10, keywords from 1.20.
  EXPECT_TRUE(parse("#version 110\nfloat invariant, centroid;\n").ok);
  EXPECT_FALSE(parse("#version 120\nfloat invariant;\n").ok);
  // mat2x3 is a type from GLSL 1.20; uint is a name in all three.
  EXPECT_TRUE(parse("#version 110\nfloat mat2x3, uint;\n").ok);
  EXPECT_EQ(parse("#version 120\nmat2x3 m; mat3x3 n;\n").tree,
            "(declare mat2x3 m)|(declare mat3x3 n)");
  EXPECT_TRUE(parse("#version 100\nfloat mat2x3;\n").ok);
  // Precision qualifiers are GLSL ES keywords and desktop reserved words.
  EXPECT_EQ(parse("#version 100\nprecision highp float;\nlowp vec2 v;\n").tree,
            "(precision highp float)|(declare lowp vec2 v)");
  parsed p = parse("#version 120\nfloat lowp;\nfloat switch;\nfloat sampler3DRect;\n");
  EXPECT_EQ(p.log,
            "(2,7): error: 'lowp' is a reserved word\n"
            "(3,7): error: 'switch' is a reserved word\n"
            "(4,7): error: 'sampler3DRect' is a reserved word\n");
  // sampler3D is reserved in ES 1.00 until GL_OES_texture_3D makes it a type.
  EXPECT_FALSE(parse("#version 100\nuniform sampler3D s;\n").ok);
  EXPECT_TRUE(parse("#version 100\n#extension GL_OES_texture_3D : enable\nuniform sampler3D s;\n").ok);
  EXPECT_FALSE(parse("#version 120\nuniform sampler2DRect s;\n").ok);
  EXPECT_TRUE(parse("#version 120\n#extension GL_ARB_texture_rectangle : enable\n"
                    "uniform sampler2DRect s;\n").ok);
}

TEST(FrontendParserTest, StructureNamesAreTypesWhileInScope) {
  parsed p = parse("#version 120\nstruct S { float a; vec2 b[2]; };\nS s;\n"
                   "void f() { S S = S(1.0, vec2[2](vec2(0.0), vec2(1.0))); S.a = 2.0; }\n"
                   "void g() { { struct T { int i; } t; } float T; T = 1.0; }\n");
  EXPECT_TRUE(p.ok) << p.log;
  EXPECT_EQ(p.tree,
            "(declare (struct S (declare float a) (declare vec2 b[2])))|(declare S s)|"
            "(define (function void f) { (declare S S = (S 1.0 (vec2[2] (vec2 0.0) (vec2 1.0)))) "
            "(= (. S a) 2.0); })|"
            "(define (function void g) { { (declare (struct T (declare int i)) t) } "
            "(declare float T) (= T 1.0); })");
}

TEST(FrontendParserTest, StatementsAndDeclarations) {
  parsed p = parse(
      "#version 100\n"
      "precision mediump float;\n"
      "attribute vec4 p;\nvarying vec2 v;\ninvariant varying vec3 w;\ninvariant gl_Position;\n"
      "uniform lowp sampler2D s[2];\nconst float c = 1.0, d[2];\n"
      "float f(const in float a, out vec2 b, inout int);\n"
      "void main() {\n"
      "  for (int i = 0; i < 3; ++i) { if (i == 1) continue; else break; }\n"
      "  while (bool b = true) discard;\n"
      "  do ; while (false);\n"
      "  for (;;) return;\n"
      "  vec4(1.0);\n"
      "  mediump float x = 1.0, y;\n"
      "}\n");
  EXPECT_TRUE(p.ok) << p.log;
  EXPECT_EQ(p.tree,
            "(precision mediump float)|(declare attribute vec4 p)|(declare varying vec2 v)|"
            "(declare invariant varying vec3 w)|(declare invariant gl_Position)|"
            "(declare uniform lowp sampler2D s[2])|(declare const float c = 1.0 d[2])|"
            "(function float f (param const in float a) (param out vec2 b) (param inout int))|"
            "(define (function void main) { "
            "(for (declare int i = 0) (< i 3) (pre++ i) {noscope (if (== i 1) (continue) else (break)) }) "
            "(while (declare bool b = true) (discard)) "
            "(do false ;) "
            "(for ; - - (return)) "
            "(vec4 1.0); "
            "(declare mediump float x = 1.0 y) })");
}

TEST(FrontendParserTest, SyntaxErrorsAreReportedOncePerStatement) {
  parsed p = parse("#version 100\n"
                   "void main() {\n"
                   "  float a = 1.0 +;\n"
                   "  float b = (2.0;\n"
                   "  a = b c d;\n"
                   "  a + b = 1.0;\n"
                   "  if (a) { float x = ; }\n"
                   "}\n"
                   "float g(\n"
                   "vec4 h;\n");
  EXPECT_FALSE(p.ok);
  EXPECT_EQ(p.log,
            "(3,18): error: syntax error: unexpected ';', expected an expression\n"
            "(4,17): error: syntax error: unexpected ';', expected ')'\n"
            "(5,9): error: syntax error: unexpected 'c', expected ';'\n"
            "(6,9): error: syntax error: unexpected '=', expected an operator that is not an assignment\n"
            "(7,22): error: syntax error: unexpected ';', expected an expression\n"
            "(10,7): error: syntax error: unexpected ';', expected ')'\n");
  p = parse("#version 120\nvoid main() { int i = 0 }\nfloat f() { }\n;\n}\n");
  EXPECT_EQ(p.log,
            "(2,25): error: syntax error: unexpected '}', expected ';'\n"
            "(4,1): error: syntax error: unexpected ';', expected a declaration\n"
            "(5,1): error: syntax error: unexpected '}', expected a type\n");
}

TEST(FrontendParserTest, NestingIsBounded) {
  const std::string deep = "#version 100\nfloat x = " + std::string(5000, '(') + "1.0" +
                           std::string(5000, ')') + ";\n";
  parsed p = parse(deep);
  EXPECT_FALSE(p.ok);
  EXPECT_NE(p.log.find("nests more than 200 levels"), std::string::npos);
  std::string chain = "#version 100\nfloat x = 1.0";
  for (int i = 0; i < 5000; i++) chain += " + 1.0";
  p = parse(chain + ";\n");
  EXPECT_FALSE(p.ok);
  EXPECT_NE(p.log.find("nested more than 512 levels"), std::string::npos);
  std::string blocks = "#version 100\nvoid main() " + std::string(5000, '{') + std::string(5000, '}');
  EXPECT_FALSE(parse(blocks).ok);
  std::string minus = "#version 100\nfloat x = " + std::string(5000, '-') + "1.0;\n";
  EXPECT_FALSE(parse(minus).ok);
  // 200 levels of parentheses are fine.
  EXPECT_TRUE(parse("#version 100\nfloat x = " + std::string(150, '(') + "1.0" +
                    std::string(150, ')') + ";\n").ok);
}

}  // namespace
