// What translated shaders compute, run through the test interpreter:
// evaluation order and short-circuits, conditional expressions, increments,
// compound assignments to swizzles, out and inout parameters, loops with
// break and continue, discard, constructors and conversions. Every shader's
// IR also passes the IR checker.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "compile.h"
#include "ir_checker.h"
#include "shader_interpreter.h"

namespace {

using shctest::compile;
using shctest::shader_interpreter;

// Runs a vertex shader whose main stores results in `float r[N]` (a global)
// and returns them.
std::vector<double> results(const std::string &body, const std::string &globals = "",
                            const char *version = "120") {
  const std::string text = std::string("#version ") + version + "\n" + globals +
                           "\nvoid main() {\n" + body + "\n gl_Position = vec4(0.0);\n}\n";
  shctest::shader_ptr s = compile(text, SHC_SHADER_VERTEX);
  EXPECT_TRUE(s->CompileStatus) << s->InfoLog << text;
  if (!s->CompileStatus) return {};
  for (const std::string &p : shctest::check_ir(s->ir)) ADD_FAILURE() << p << "\n" << text;
  shader_interpreter run(s->ir);
  EXPECT_TRUE(run.run()) << run.error();
  return run.get("r");
}

TEST(FrontendSemanticsTest, AndAndOrEvaluateTheRightSideOnlyWhenItDecides) {
  const std::string counter = "float r[4];\nint n = 0;\nbool bump(bool v) { n++; return v; }\n";
  EXPECT_EQ(results("bool a = bump(false) && bump(true); r[0] = float(n); r[1] = a ? 1.0 : 0.0;"
                    "n = 0; bool b = bump(true) || bump(false); r[2] = float(n); r[3] = b ? 1.0 : 0.0;",
                    counter),
            (std::vector<double>{1, 0, 1, 1}));
  EXPECT_EQ(results("bool a = bump(true) && bump(false); r[0] = float(n); r[1] = a ? 1.0 : 0.0;"
                    "n = 0; bool b = bump(false) || bump(true); r[2] = float(n); r[3] = b ? 1.0 : 0.0;",
                    counter),
            (std::vector<double>{2, 0, 2, 1}));
  // ^^ always evaluates both sides.
  EXPECT_EQ(results("bool a = bump(true) ^^ bump(true); r[0] = float(n); r[1] = a ? 1.0 : 0.0;",
                    "float r[2];\nint n = 0;\nbool bump(bool v) { n++; return v; }\n"),
            (std::vector<double>{2, 0}));
}

TEST(FrontendSemanticsTest, ConditionalEvaluatesOnlyTheChosenOperand) {
  const std::string g = "float r[3];\nint n = 0;\nfloat f(float v) { n += 10; return v; }\n"
                        "uniform bool u;\n";
  EXPECT_EQ(results("float a = u ? f(1.0) : 2.0; r[0] = a; r[1] = float(n);"
                    "r[2] = (n > 5 ? vec2(1.0, 2.0) : vec2(3.0, 4.0)).y;", g),
            (std::vector<double>{2, 0, 4}));
}

TEST(FrontendSemanticsTest, IncrementsAndDecrementsReturnTheRightValue) {
  EXPECT_EQ(results("int i = 5; int a = i++; int b = ++i; int c = i--; int d = --i;"
                    "r[0] = float(a); r[1] = float(b); r[2] = float(c); r[3] = float(d);"
                    "vec2 v = vec2(1.0, 2.0); vec2 w = v++; r[4] = w.y + v.x;"
                    "int k[3]; k[1] = 7; int j = 1; k[j++]++; r[5] = float(k[1] * 10 + j);",
                    "float r[6];"),
            (std::vector<double>{5, 7, 7, 5, 4, 82}));
}

TEST(FrontendSemanticsTest, CompoundAssignmentsToSwizzles) {
  EXPECT_EQ(results("vec4 v = vec4(1.0, 2.0, 3.0, 4.0); v.zx += vec2(10.0, 20.0);"
                    "v.yw *= 2.0; v.x -= 1.0; r[0] = v.x; r[1] = v.y; r[2] = v.z; r[3] = v.w;"
                    "mat2 m = mat2(1.0); m[1].x = 5.0; m[0] *= 3.0; r[4] = m[0][0] + m[1][0] * 10.0;"
                    "vec3 a[2]; a[1].yz = vec2(6.0, 7.0); r[5] = a[1].z;",
                    "float r[6];"),
            (std::vector<double>{20, 4, 13, 8, 53, 7}));
}

TEST(FrontendSemanticsTest, OutParametersAreCopiedBackInOrder) {
  const std::string g =
      "float r[6];\n"
      "void set2(out float a, out float b) { a = 1.0; b = 2.0; }\n"
      "void twice(inout float a) { a *= 2.0; }\n"
      "void swap(inout float a, inout float b) { float t = a; a = b; b = t; }\n"
      "float index = 0.0;\n"
      "void bump(out int i) { i = 1; index = 5.0; }\n";
  // Both arguments name one variable: the later parameter's value stays.
  EXPECT_EQ(results("float x; set2(x, x); r[0] = x;"
                    "float y = 3.0; twice(y); r[1] = y;"
                    "float p = 1.0, q = 2.0; swap(p, q); r[2] = p * 10.0 + q;"
                    "int k = 0; float arr[2]; arr[0] = 8.0; bump(k); r[3] = float(k) + index;"
                    "vec2 v = vec2(4.0, 6.0); twice(v.y); r[4] = v.y;"
                    "float z[2]; z[1] = 0.5; int j = 1; twice(z[j]); r[5] = z[1];",
                    g),
            (std::vector<double>{2, 6, 21, 6, 12, 1}));
  // An out int argument converts to a float variable (GLSL 1.20).
  EXPECT_EQ(results("float f; seven(f); r[0] = f;",
                    "float r[1];\nvoid seven(out int i) { i = 7; }\n"),
            (std::vector<double>{7}));
}

TEST(FrontendSemanticsTest, LoopsBreakAndContinue) {
  EXPECT_EQ(results("float s = 0.0; for (int i = 0; i < 10; i++) { if (i == 2) continue;"
                    " if (i == 5) break; s += float(i); } r[0] = s;"
                    "int n = 0; int k = 0; while (k < 6) { k++; if (k == 3) continue; n += k; } r[1] = float(n);"
                    "int m = 0; int d = 0; do { d++; if (d == 2) continue; m += d; } while (d < 4); r[2] = float(m);"
                    "float t = 0.0; for (int i = 0; i < 3; i++) for (int j = 0; j < 3; j++) {"
                    " if (j > i) break; t += 1.0; } r[3] = t;",
                    "float r[4];"),
            (std::vector<double>{1 + 3 + 4, 1 + 2 + 4 + 5 + 6, 1 + 3 + 4, 6}));
  // A while condition that declares a variable, and a do-while whose
  // continue must still test the condition.
  EXPECT_EQ(results("int i = 0; float s = 0.0; while (bool go = i < 3) { s += 1.0; i++; } r[0] = s;"
                    "int c = 0; do { c++; continue; } while (c < 5); r[1] = float(c);",
                    "float r[2];"),
            (std::vector<double>{3, 5}));
}

TEST(FrontendSemanticsTest, ConstructorsAgreeWithTheirFoldedConstants) {
  // The same constructors once from constants (folded) and once from
  // uniforms holding the same values (run).
  const std::vector<std::string> exprs = {
      "vec4(a, b, c, d).wzyx", "vec4(vec3(vec2(a, b), c).zyx, d)", "vec4(mat2(a, b, c, d)[1], a, b)",
      "vec4(mat3(mat2(a, b, c, d))[2], d)", "vec4(mat2(mat3(a))[1], c, d)", "vec4(mat2(a, b, c, d))",
      "vec4(vec3(ivec3(vec3(a, b + 0.5, -c))), d)", "vec4(vec3(bvec3(a > 1.5, b > 1.5, true)), a)",
      "vec4(bvec2(vec2(a - 0.5, 0.0)) == bvec2(true, false) ? vec2(1.0) : vec2(0.0), a, b)",
      "vec4(vec2(ivec2(int(a), int(b))), c, d)", "vec4(float(ivec2(3, 4)))", "vec4(mat3(a)[1], b)",
      "vec4(mat3(a, b, c, d, a, b, c, d, a)[2], d)", "vec4(mat2(vec3(a, b, c), d)[1], a, b)",
      "vec4(bool(a - 0.5), bool(0.0), int(-b - 0.5), float(true))"};
  for (const std::string &e : exprs) {
    auto value = [&](const std::string &decl) {
      const std::string text = "#version 120\n" + decl +
                               "varying vec4 r;\nvoid main() { r = " + e + ";"
                               " gl_Position = vec4(0.0); }\n";
      shctest::shader_ptr s = compile(text, SHC_SHADER_VERTEX);
      EXPECT_TRUE(s->CompileStatus) << s->InfoLog << text;
      if (!s->CompileStatus) return std::vector<double>{};
      for (const std::string &p : shctest::check_ir(s->ir)) ADD_FAILURE() << p << "\n" << text;
      shader_interpreter run(s->ir);
      run.set("a", {1.0});
      run.set("b", {2.0});
      run.set("c", {3.0});
      run.set("d", {4.0});
      EXPECT_TRUE(run.run()) << run.error();
      return run.get("r");
    };
    EXPECT_EQ(value("const float a = 1.0, b = 2.0, c = 3.0, d = 4.0;\n"),
              value("uniform float a, b, c, d;\n"))
        << e;
  }
}

TEST(FrontendSemanticsTest, StructuresArraysAndComparisons) {
  EXPECT_EQ(results("S s = S(1.0, vec2(2.0, 3.0), int[2](4, 5)); S t = s; t.v.y = 9.0;"
                    "r[0] = float(s == t); r[1] = float(s != t); t.v.y = 3.0; r[2] = float(s == t);"
                    "r[3] = float(t.a[1]); float q[3] = float[](6.0, 7.0, 8.0); r[4] = q[2] + float(q.length());"
                    "mat2 m = mat2(1.0, 2.0, 3.0, 4.0); r[5] = float(m == mat2(1.0, 2.0, 3.0, 4.0));",
                    "float r[6];\nstruct S { float f; vec2 v; int a[2]; };"),
            (std::vector<double>{0, 1, 1, 5, 11, 1}));
}

TEST(FrontendSemanticsTest, ImplicitConversionsAndMatrixProducts) {
  EXPECT_EQ(results("float f = 2; vec2 v = vec2(1.0) + ivec2(1, 2); r[0] = f + v.y;"
                    "mat2 m = mat2(1.0, 2.0, 3.0, 4.0); vec2 a = m * vec2(1.0, 1.0);"
                    "vec2 b = vec2(1.0, 1.0) * m; r[1] = a.x; r[2] = a.y; r[3] = b.x; r[4] = b.y;"
                    "mat3x2 n = mat3x2(1.0); r[5] = (n * vec3(1.0, 2.0, 3.0)).y;",
                    "float r[6];"),
            (std::vector<double>{5, 4, 6, 3, 7, 2}));
}

TEST(FrontendSemanticsTest, GlobalInitialisersRunAtTheStartOfMain) {
  EXPECT_EQ(results("r[0] = g; r[1] = h;",
                    "uniform float u;\nfloat g = u * 2.0;\nfloat h = g + 1.0;\nfloat r[2];"),
            (std::vector<double>{0, 1}));
  shctest::shader_ptr s = compile(
      "#version 120\nuniform float u;\nfloat g = u * 2.0;\nvarying float r;\n"
      "void main() { r = g; gl_Position = vec4(0.0); }\n",
      SHC_SHADER_VERTEX);
  ASSERT_TRUE(s->CompileStatus) << s->InfoLog;
  shader_interpreter run(s->ir);
  run.set("u", {4.0});
  ASSERT_TRUE(run.run()) << run.error();
  EXPECT_EQ(run.get("r"), std::vector<double>{8});
}

TEST(FrontendSemanticsTest, DiscardStopsTheFragment) {
  shctest::shader_ptr s = compile(
      "#version 100\nprecision mediump float;\nuniform float u;\n"
      "void main() { gl_FragColor = vec4(1.0); if (u > 0.5) discard; gl_FragColor = vec4(2.0); }\n",
      SHC_SHADER_FRAGMENT);
  ASSERT_TRUE(s->CompileStatus) << s->InfoLog;
  shader_interpreter run(s->ir);
  run.set("u", {1.0});
  ASSERT_TRUE(run.run()) << run.error();
  EXPECT_TRUE(run.discarded());
  run.set("u", {0.0});
  ASSERT_TRUE(run.run()) << run.error();
  EXPECT_FALSE(run.discarded());
  EXPECT_EQ(run.get("gl_FragColor"), (std::vector<double>{2, 2, 2, 2}));
}

TEST(FrontendSemanticsTest, BuiltInsAreLinkedAndRun) {
  shctest::shader_ptr s = compile(
      "#version 100\nprecision mediump float;\nuniform sampler2D t;\nuniform vec2 p;\n"
      "void main() { vec4 c = texture2D(t, p); gl_FragColor = vec4(clamp(c.x, 0.0, 0.5),"
      " dot(p, p), length(vec2(3.0, p.y)), smoothstep(0.0, 1.0, p.x)); }\n",
      SHC_SHADER_FRAGMENT);
  ASSERT_TRUE(s->CompileStatus) << s->InfoLog;
  for (const std::string &p : shctest::check_ir(s->ir)) ADD_FAILURE() << p;
  shader_interpreter run(s->ir);
  run.set("p", {0.5, 4.0});
  ASSERT_TRUE(run.run()) << run.error();
  const std::vector<double> c = run.get("gl_FragColor");
  ASSERT_EQ(c.size(), 4u);
  EXPECT_FLOAT_EQ(c[0], 0.5);  // 0.5 / 2 + 1/4 clamped
  EXPECT_FLOAT_EQ(c[1], 16.25);
  EXPECT_FLOAT_EQ(c[2], 5.0);
  EXPECT_FLOAT_EQ(c[3], 0.5);
  EXPECT_EQ(run.calls().count("texture2D"), 1u);
}

}  // namespace
