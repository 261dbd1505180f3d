// Constant folding checked against an independent GLSL front end: each
// expression is written once as GLSL (folded by glslangValidator -i) and
// once as our IR (folded by constant_expression_value), and the values must
// agree.
//
// Deliberate differences, left out of the batch: packing built-ins, bit
// casts, fma, the bit-field built-ins (reverse, count, findMSB, findLSB,
// extract) and ldexp (the validator does not fold them; host arithmetic
// checks those), shifts by 32 or
// more, integer division by zero and the most negative integer divided by
// -1 (undefined in GLSL; ours are defined: count modulo 32, 0, the value
// itself), ldexp beyond the float range (ours gives a signed zero).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/support/ralloc.h"
#include "temp_dir.h"
#include "tests/support/requirements.h"

namespace {

struct E {
  std::string text;
  ir_rvalue *ir;
};

class FoldingOracleTest : public ::testing::Test {
 protected:
  void TearDown() override { ralloc_free(ctx); }

  E f(float v) {
    char text[64];
    std::snprintf(text, sizeof(text), "%.9g", v);
    std::string s = text;
    if (s.find_first_of(".en") == std::string::npos) s += ".0";
    return {"(" + s + ")", new (ctx) ir_constant(v)};
  }
  E i(int v) { return {"(" + std::to_string(v) + ")", new (ctx) ir_constant(v)}; }
  E u(unsigned v) { return {std::to_string(v) + "u", new (ctx) ir_constant(v)}; }
  E b(bool v) { return {v ? "true" : "false", new (ctx) ir_constant(v)}; }
  E v(std::vector<float> values) {
    exec_list list;
    std::string text = "vec" + std::to_string(values.size()) + "(";
    for (size_t k = 0; k < values.size(); k++) {
      E each = f(values[k]);
      list.push_tail(each.ir);
      text += (k ? ", " : "") + each.text;
    }
    return {text + ")", new (ctx) ir_constant(glsl_type::vec(values.size()), &list)};
  }
  E iv(std::vector<int> values) {
    exec_list list;
    std::string text = "ivec" + std::to_string(values.size()) + "(";
    for (size_t k = 0; k < values.size(); k++) {
      list.push_tail(new (ctx) ir_constant(values[k]));
      text += (k ? ", " : "") + std::to_string(values[k]);
    }
    return {text + ")", new (ctx) ir_constant(glsl_type::ivec(values.size()), &list)};
  }
  E m2(float a, float b2, float c, float d) {
    ir_constant_data data{};
    data.f[0] = a; data.f[1] = b2; data.f[2] = c; data.f[3] = d;
    return {"mat2(" + f(a).text + ", " + f(b2).text + ", " + f(c).text + ", " + f(d).text + ")",
            new (ctx) ir_constant(glsl_type::mat2_type, &data)};
  }
  // name(a) as a function call.
  E call(const char *name, int op, E a) {
    return {std::string(name) + "(" + a.text + ")", new (ctx) ir_expression(op, a.ir)};
  }
  E call(const char *name, int op, E a, E b2) {
    return {std::string(name) + "(" + a.text + ", " + b2.text + ")",
            new (ctx) ir_expression(op, a.ir, b2.ir)};
  }
  E call(const char *name, int op, E a, E b2, E c) {
    return {std::string(name) + "(" + a.text + ", " + b2.text + ", " + c.text + ")",
            new (ctx) ir_expression(op, a.ir, b2.ir, c.ir)};
  }
  E infix(const char *symbol, int op, E a, E b2) {
    return {"(" + a.text + " " + symbol + " " + b2.text + ")",
            new (ctx) ir_expression(op, a.ir, b2.ir)};
  }
  E prefix(const char *symbol, int op, E a) {
    return {"(" + std::string(symbol) + a.text + ")", new (ctx) ir_expression(op, a.ir)};
  }

  void add(E e) { cases.push_back(e); }

  void *ctx = ralloc_context(nullptr);
  std::vector<E> cases;
};

// Splits the validator's "Linker Objects" listing into the printed
// component values of each constant.
std::map<std::string, std::vector<std::string>> parse_constants(const std::string &log) {
  std::map<std::string, std::vector<std::string>> values;
  std::istringstream in(log.substr(log.find("Linker Objects") == std::string::npos
                                       ? log.size()
                                       : log.find("Linker Objects")));
  std::string line, current;
  while (std::getline(in, line)) {
    size_t quote = line.find('\'');
    if (quote != std::string::npos) {
      size_t end = line.find('\'', quote + 1);
      current = line.find("( const") != std::string::npos
                    ? line.substr(quote + 1, end - quote - 1)
                    : "";
      continue;
    }
    if (current.empty()) continue;
    size_t start = line.find_first_not_of(" ", line.find('?') + 1);
    if (start == std::string::npos) continue;
    std::string token = line.substr(start);
    token = token.substr(0, token.find(' '));
    values[current].push_back(token);
  }
  return values;
}

void expect_component(const ir_constant *ours, unsigned k, const std::string &theirs,
                      const std::string &what) {
  switch (ours->type->base_type) {
    case GLSL_TYPE_FLOAT: {
      const double expected = std::strtod(theirs.c_str(), nullptr);
      const double got = ours->value.f[k];
      EXPECT_NEAR(got, expected, 1e-6 + 1e-6 * std::fabs(expected)) << what;
      break;
    }
    case GLSL_TYPE_INT:
      EXPECT_EQ(std::to_string(ours->value.i[k]), theirs) << what;
      break;
    case GLSL_TYPE_UINT:
      EXPECT_EQ(std::to_string(ours->value.u[k]), theirs) << what;
      break;
    case GLSL_TYPE_BOOL:
      EXPECT_EQ(ours->value.b[k] ? "true" : "false", theirs) << what;
      break;
    default:
      ADD_FAILURE() << "unexpected type " << what;
  }
}

TEST_F(FoldingOracleTest, AgreesWithValidatorOnConstantExpressions) {
  if (!tessaly::test::programInstalled("glslangValidator"))
    TESSALY_SKIP_OR_FAIL("glslangValidator is not installed");

  // Arithmetic and conversions.
  add(infix("+", ir_binop_add, f(1.5f), f(2.25f)));
  add(infix("-", ir_binop_sub, v({1, 2, 3}), f(0.5f)));
  add(infix("*", ir_binop_mul, f(3.0f), v({1, -2})));
  add(infix("/", ir_binop_div, f(1.0f), f(3.0f)));
  add(infix("/", ir_binop_div, i(-7), i(2)));
  add(infix("/", ir_binop_div, u(7), u(2)));
  add(infix("%", ir_binop_mod, i(17), i(5)));
  add(infix("%", ir_binop_mod, u(17), u(5)));
  add(call("mod", ir_binop_mod, f(-7.0f), f(3.0f)));
  add(call("mod", ir_binop_mod, v({5.5f, -1.25f}), f(2.0f)));
  add(prefix("-", ir_unop_neg, iv({3, -4})));
  add(call("abs", ir_unop_abs, f(-2.5f)));
  add(call("abs", ir_unop_abs, i(-9)));
  add(call("sign", ir_unop_sign, v({-3, 0, 2})));
  add(call("sign", ir_unop_sign, i(-12)));
  add(call("sqrt", ir_unop_sqrt, f(2.0f)));
  add(call("inversesqrt", ir_unop_rsq, f(4.0f)));
  add(call("exp", ir_unop_exp, f(1.0f)));
  add(call("log", ir_unop_log, f(10.0f)));
  add(call("exp2", ir_unop_exp2, f(-3.5f)));
  add(call("log2", ir_unop_log2, f(1024.0f)));
  add(call("int", ir_unop_f2i, f(-3.75f)));
  add(call("uint", ir_unop_f2u, f(3.75f)));
  add(call("float", ir_unop_i2f, i(-17)));
  add(call("float", ir_unop_u2f, u(4000000000u)));
  add(call("bool", ir_unop_f2b, f(0.0f)));
  add(call("bool", ir_unop_i2b, i(-3)));
  add(call("int", ir_unop_b2i, b(true)));
  add(call("float", ir_unop_b2f, b(true)));
  add(call("uint", ir_unop_i2u, i(-1)));
  add(call("int", ir_unop_u2i, u(4294967295u)));
  add(call("trunc", ir_unop_trunc, f(-2.7f)));
  add(call("ceil", ir_unop_ceil, f(-2.7f)));
  add(call("floor", ir_unop_floor, f(-2.7f)));
  add(call("fract", ir_unop_fract, f(-2.75f)));
  add(call("roundEven", ir_unop_round_even, v({2.5f, 3.5f, -2.5f, 0.49999997f})));
  add(call("sin", ir_unop_sin, f(1.0f)));
  add(call("cos", ir_unop_cos, f(1.0f)));
  add(call("min", ir_binop_min, v({1, 5}), v({3, 2})));
  add(call("max", ir_binop_max, i(-4), i(2)));
  add(call("pow", ir_binop_pow, f(2.0f), f(10.0f)));
  add(call("dot", ir_binop_dot, v({1, 2, 3}), v({4, -5, 6})));
  add(call("normalize", ir_unop_normalize, v({3, 4})));
  add(call("mix", ir_triop_lrp, f(1.0f), f(5.0f), f(0.25f)));
  add(call("clamp", ir_triop_clamp, v({-1.5f, 0.25f, 7}), f(0.0f), f(1.0f)));
  add(call("clamp", ir_triop_clamp, iv({-9, 3}), iv({-2, 0}), iv({2, 1})));
  // Comparisons and logic.
  add(call("lessThan", ir_binop_less, v({1, 3}), v({2, 2})));
  add(call("greaterThanEqual", ir_binop_gequal, iv({1, 2, 3}), iv({2, 2, 2})));
  add(infix("<", ir_binop_less, f(1.0f), f(2.0f)));
  add(call("equal", ir_binop_equal, v({0, 1}), v({-0.0f, 2})));
  add(call("notEqual", ir_binop_nequal, iv({1, 2}), iv({1, 3})));
  add(infix("==", ir_binop_all_equal, v({1, 2}), v({1, 2})));
  add(infix("!=", ir_binop_any_nequal, v({1, 2}), v({1, 3})));
  add(infix("&&", ir_binop_logic_and, b(true), b(false)));
  add(infix("^^", ir_binop_logic_xor, b(true), b(false)));
  add(infix("||", ir_binop_logic_or, b(false), b(false)));
  add(prefix("!", ir_unop_logic_not, b(false)));
  // Integer bits.
  add(infix("<<", ir_binop_lshift, i(3), i(4)));
  add(infix(">>", ir_binop_rshift, i(-64), i(3)));
  add(infix(">>", ir_binop_rshift, u(0x80000000u), u(31)));
  add(infix("&", ir_binop_bit_and, i(12), i(10)));
  add(infix("^", ir_binop_bit_xor, u(12), u(10)));
  add(infix("|", ir_binop_bit_or, i(12), i(3)));
  add(prefix("~", ir_unop_bit_not, i(5)));
  // Matrices.
  add(infix("*", ir_binop_mul, m2(1, 2, 3, 4), v({1, 1})));
  add(infix("*", ir_binop_mul, v({1, 1}), m2(1, 2, 3, 4)));
  add(infix("*", ir_binop_mul, m2(1, 2, 3, 4), m2(0, 1, 1, 0)));

  std::string source = "#version 450\n";
  std::vector<ir_constant *> ours;
  for (size_t k = 0; k < cases.size(); k++) {
    ir_constant *value = cases[k].ir->constant_expression_value();
    ASSERT_NE(value, nullptr) << cases[k].text;
    ours.push_back(value);
    source += "const " + std::string(value->type->name) + " c" + std::to_string(k) + " = " +
              cases[k].text + ";\n";
  }
  source += "void main() {}\n";
  tessaly::test::TempDir dir;
  std::string path = dir.file("fold.frag"), out = dir.file("fold.txt");
  tessaly::test::writeFile(path, source);
  ASSERT_EQ(std::system(("glslangValidator -i " + path + " >" + out + " 2>&1").c_str()), 0)
      << tessaly::test::readFile(out);
  auto theirs = parse_constants(tessaly::test::readFile(out));
  for (size_t k = 0; k < cases.size(); k++) {
    const std::string name = "c" + std::to_string(k);
    auto found = theirs.find(name);
    ASSERT_NE(found, theirs.end()) << cases[k].text;
    ASSERT_EQ(found->second.size(), ours[k]->type->components()) << cases[k].text;
    for (unsigned c = 0; c < ours[k]->type->components(); c++)
      expect_component(ours[k], c, found->second[c], cases[k].text);
  }
}

}  // namespace
