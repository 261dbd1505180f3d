// The built-in bodies run through the constant evaluator and compared with
// the C library and with matrix code written here in double precision.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "shadercompiler/frontend/glsl_parser_extras.h"
#include "shadercompiler/ir/builtins/builtin_functions.h"
#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/support/hash_table.h"
#include "shadercompiler/ir/support/ralloc.h"

namespace {

// Worst error of the asin polynomial on [-1, 1] is 3.9e-4 (measured in
// double precision), of the atan one 3.3e-6; single-precision evaluation
// adds a few units in the last place.
constexpr double kAsinTolerance = 4.0e-4;
constexpr double kAtanTolerance = 5.0e-6;

class BuiltinBodiesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    builtin_builder::initialize();
    state = new (ctx) glsl_parse_state(SHC_SHADER_FRAGMENT, false, 450);
    state->ARB_gpu_shader5_enable = true;
  }
  void TearDown() override { ralloc_free(ctx); }

  ir_constant *f(float x) { return new (ctx) ir_constant(x); }
  ir_constant *vec(std::vector<float> v) {
    ir_constant_data data{};
    for (size_t i = 0; i < v.size(); i++) data.f[i] = v[i];
    return new (ctx) ir_constant(glsl_type::vec(v.size()), &data);
  }
  ir_constant *mat(unsigned n, const std::vector<double> &column_major) {
    ir_constant_data data{};
    for (size_t i = 0; i < column_major.size(); i++) data.f[i] = static_cast<float>(column_major[i]);
    return new (ctx) ir_constant(glsl_type::get_instance(GLSL_TYPE_FLOAT, n, n), &data);
  }

  ir_function_signature *resolve(const char *name, exec_list *actuals) {
    ir_function_signature *sig = find_builtin_function(state, name, actuals);
    EXPECT_NE(sig, nullptr) << name;
    return sig;
  }
  exec_list *list(std::initializer_list<ir_constant *> args) {
    auto *l = new (ralloc_size(ctx, sizeof(exec_list))) exec_list;
    for (ir_constant *a : args) l->push_tail(a);
    return l;
  }
  // The value of name(args) computed by running the body.
  ir_constant *call(const char *name, std::initializer_list<ir_constant *> args) {
    exec_list *actuals = list(args);
    ir_function_signature *sig = resolve(name, actuals);
    if (sig == nullptr) return nullptr;
    ir_constant *value = sig->constant_expression_value(actuals, nullptr);
    EXPECT_NE(value, nullptr) << name;
    return value;
  }
  float call1(const char *name, std::initializer_list<ir_constant *> args) {
    ir_constant *value = call(name, args);
    return value != nullptr ? value->value.f[0] : NAN;
  }

  void *ctx = ralloc_context(nullptr);
  glsl_parse_state *state = nullptr;
};

TEST_F(BuiltinBodiesTest, InverseTrigonometryWithinTheSeriesAccuracy) {
  for (int k = -512; k <= 512; k++) {
    const float x = static_cast<float>(k) / 512.0f;
    EXPECT_NEAR(call1("asin", {f(x)}), std::asin(static_cast<double>(x)), kAsinTolerance) << x;
    EXPECT_NEAR(call1("acos", {f(x)}), std::acos(static_cast<double>(x)), kAsinTolerance) << x;
  }
  EXPECT_EQ(call1("asin", {f(0.0f)}), 0.0f);
  EXPECT_FLOAT_EQ(call1("asin", {f(1.0f)}), static_cast<float>(M_PI / 2));
  for (int k = -400; k <= 400; k++) {
    const float u = static_cast<float>(k) / 20.0f;
    EXPECT_NEAR(call1("atan", {f(u)}), std::atan(static_cast<double>(u)), kAtanTolerance) << u;
  }
  ir_constant *v = call("asin", {vec({-1.0f, -0.3f, 0.6f, 0.95f})});
  for (unsigned i = 0; i < 4; i++)
    EXPECT_NEAR(v->value.f[i], std::asin(std::vector<double>{-1.0, -0.3, 0.6, 0.95}[i]),
                kAsinTolerance);
}

TEST_F(BuiltinBodiesTest, TwoArgumentArctangentInEveryQuadrant) {
  for (int k = -179; k <= 180; k++) {
    const double angle = k * M_PI / 180.0;
    for (double r : {1e-3, 1.0, 250.0}) {
      const float y = static_cast<float>(r * std::sin(angle));
      const float x = static_cast<float>(r * std::cos(angle));
      EXPECT_NEAR(call1("atan", {f(y), f(x)}), std::atan2(static_cast<double>(y), x),
                  kAtanTolerance)
          << y << ", " << x;
    }
  }
  // Axes, including the negative x axis from above (pi) and the origin.
  EXPECT_EQ(call1("atan", {f(0.0f), f(0.0f)}), 0.0f);
  EXPECT_NEAR(call1("atan", {f(0.0f), f(-2.0f)}), M_PI, 1e-6);
  EXPECT_NEAR(call1("atan", {f(3.0f), f(0.0f)}), M_PI / 2, 1e-6);
  EXPECT_NEAR(call1("atan", {f(-3.0f), f(0.0f)}), -M_PI / 2, 1e-6);
  EXPECT_NEAR(call1("atan", {f(1.0f), f(1e-12f)}), M_PI / 2, 1e-6);
  ir_constant *v = call("atan", {vec({1, 1, -1, -1}), vec({1, -1, -1, 1})});
  const double expected[] = {M_PI / 4, 3 * M_PI / 4, -3 * M_PI / 4, -M_PI / 4};
  for (unsigned i = 0; i < 4; i++) EXPECT_NEAR(v->value.f[i], expected[i], kAtanTolerance);
}

TEST_F(BuiltinBodiesTest, ExponentialFormsAgreeWithTheCLibrary) {
  struct {
    const char *name;
    double (*reference)(double);
    float from, to;
  } const cases[] = {
      {"sinh", std::sinh, -5, 5},   {"cosh", std::cosh, -5, 5},   {"tanh", std::tanh, -5, 5},
      {"asinh", std::asinh, -50, 50}, {"acosh", std::acosh, 1, 50}, {"atanh", std::atanh, -0.99f, 0.99f},
      {"tan", std::tan, -1.5f, 1.5f},
  };
  for (const auto &c : cases) {
    for (int k = 0; k <= 64; k++) {
      const float x = c.from + (c.to - c.from) * static_cast<float>(k) / 64.0f;
      const double want = c.reference(x);
      EXPECT_NEAR(call1(c.name, {f(x)}), want, 1e-5 + 2e-6 * std::fabs(want)) << c.name << "(" << x << ")";
    }
  }
  EXPECT_FLOAT_EQ(call1("radians", {f(180.0f)}), static_cast<float>(M_PI));
  EXPECT_FLOAT_EQ(call1("degrees", {f(static_cast<float>(M_PI))}), 180.0f);
}

TEST_F(BuiltinBodiesTest, StepCountsEqualityAsReachedAndSmoothstepIsHermite) {
  ir_constant *s = call("step", {f(0.5f), vec({0.2f, 0.5f, 0.9f})});
  EXPECT_EQ(s->value.f[0], 0.0f);
  EXPECT_EQ(s->value.f[1], 1.0f);
  EXPECT_EQ(s->value.f[2], 1.0f);
  ir_constant *sv = call("step", {vec({1, 2}), vec({1, 1.5f})});
  EXPECT_EQ(sv->value.f[0], 1.0f);
  EXPECT_EQ(sv->value.f[1], 0.0f);
  EXPECT_EQ(call1("step", {f(2.0f), f(2.0f)}), 1.0f);

  for (int k = -4; k <= 24; k++) {
    const double x = k / 16.0;
    const double t = std::clamp((x - 0.25) / (1.0 - 0.25), 0.0, 1.0);
    EXPECT_NEAR(call1("smoothstep", {f(0.25f), f(1.0f), f(static_cast<float>(x))}),
                t * t * (3 - 2 * t), 1e-6);
  }
  ir_constant *sm = call("smoothstep", {f(0.0f), f(2.0f), vec({-1, 1, 3})});
  EXPECT_EQ(sm->value.f[0], 0.0f);
  EXPECT_EQ(sm->value.f[1], 0.5f);
  EXPECT_EQ(sm->value.f[2], 1.0f);
}

TEST_F(BuiltinBodiesTest, FrexpSplitsIntoMantissaAndExponent) {
  auto frexp = [&](float x, int *exponent) {
    exec_list *actuals = list({f(x), new (ctx) ir_constant(0)});
    ir_function_signature *sig = resolve("frexp", actuals);
    // Run the body by hand to read the out parameter afterwards.
    hash_table *values = hash_table_create(8, hash_table_pointer_hash, hash_table_pointer_compare);
    auto *param_x = static_cast<ir_variable *>(sig->parameters.get_head());
    auto *param_exp = static_cast<ir_variable *>(param_x->next);
    hash_table_insert(values, f(x), param_x);
    hash_table_insert(values, new (ctx) ir_constant(0), param_exp);
    ir_constant *result = nullptr;
    EXPECT_TRUE(sig->constant_evaluate_statement_list(&sig->body, values, &result));
    *exponent = static_cast<ir_constant *>(hash_table_find(values, param_exp))->value.i[0];
    hash_table_destroy(values);
    return result->value.f[0];
  };
  int e = -1;
  EXPECT_EQ(frexp(8.0f, &e), 0.5f);
  EXPECT_EQ(e, 4);
  EXPECT_EQ(frexp(-0.75f, &e), -0.75f);
  EXPECT_EQ(e, 0);
  EXPECT_EQ(frexp(0.0f, &e), 0.0f);
  EXPECT_EQ(e, 0);
  std::mt19937 random(7);
  std::uniform_real_distribution<float> mantissa(-1.0f, 1.0f);
  std::uniform_int_distribution<int> scale(-120, 120);
  for (int k = 0; k < 200; k++) {
    const float x = std::ldexp(mantissa(random), scale(random));
    if (x == 0.0f) continue;
    int want = 0;
    const float m = std::frexp(x, &want);
    EXPECT_EQ(frexp(x, &e), m) << x;
    EXPECT_EQ(e, want) << x;
  }
}

TEST_F(BuiltinBodiesTest, RefractReflectAndFaceforward) {
  // Glass to air beyond the critical angle: total internal reflection.
  const float s = std::sin(60.0f * static_cast<float>(M_PI) / 180.0f);
  const float c = std::cos(60.0f * static_cast<float>(M_PI) / 180.0f);
  ir_constant *tir = call("refract", {vec({s, -c, 0}), vec({0, 1, 0}), f(1.5f)});
  for (unsigned i = 0; i < 3; i++) EXPECT_EQ(tir->value.f[i], 0.0f);
  // Air to glass at 60 degrees: Snell's law sin(t) = sin(i) / 1.5.
  ir_constant *r = call("refract", {vec({s, -c, 0}), vec({0, 1, 0}), f(1.0f / 1.5f)});
  const double sin_t = s / 1.5;
  EXPECT_NEAR(r->value.f[0], sin_t, 1e-6);
  EXPECT_NEAR(r->value.f[1], -std::sqrt(1 - sin_t * sin_t), 1e-6);
  ir_constant *reflected = call("reflect", {vec({1, -1}), vec({0, 1})});
  EXPECT_EQ(reflected->value.f[0], 1.0f);
  EXPECT_EQ(reflected->value.f[1], 1.0f);
  EXPECT_EQ(call("faceforward", {vec({0, 1}), vec({0, -1}), vec({0, 1})})->value.f[1], 1.0f);
  EXPECT_EQ(call("faceforward", {vec({0, 1}), vec({0, 1}), vec({0, 1})})->value.f[1], -1.0f);
  ir_constant *cross = call("cross", {vec({1, 0, 0}), vec({0, 1, 0})});
  EXPECT_EQ(cross->value.f[2], 1.0f);
  EXPECT_EQ(call1("distance", {f(-2.0f), f(3.0f)}), 5.0f);
  EXPECT_EQ(call1("length", {vec({3, 4})}), 5.0f);
}

// Determinant by Gaussian elimination with partial pivoting, in double.
double reference_determinant(std::vector<double> a, unsigned n) {
  double det = 1.0;
  for (unsigned col = 0; col < n; col++) {
    unsigned pivot = col;
    for (unsigned r = col + 1; r < n; r++)
      if (std::fabs(a[col * n + r]) > std::fabs(a[col * n + pivot])) pivot = r;
    if (pivot != col) {
      for (unsigned k = 0; k < n; k++) std::swap(a[k * n + col], a[k * n + pivot]);
      det = -det;
    }
    det *= a[col * n + col];
    for (unsigned r = col + 1; r < n; r++) {
      const double factor = a[col * n + r] / a[col * n + col];
      for (unsigned k = col; k < n; k++) a[k * n + r] -= factor * a[k * n + col];
    }
  }
  return det;
}

TEST_F(BuiltinBodiesTest, DeterminantsAndInversesOfRandomMatrices) {
  std::mt19937 random(11);
  std::uniform_real_distribution<double> entry(-1.0, 1.0);
  for (unsigned n = 2; n <= 4; n++) {
    for (int trial = 0; trial < 40; trial++) {
      std::vector<double> m(n * n);
      for (double &x : m) x = entry(random);
      for (unsigned d = 0; d < n; d++) m[d * n + d] += 2.0;  // keep it well conditioned
      for (double &x : m) x = static_cast<float>(x);
      EXPECT_NEAR(call1("determinant", {mat(n, m)}), reference_determinant(m, n), 1e-5)
          << "mat" << n;
      ir_constant *inverse = call("inverse", {mat(n, m)});
      ASSERT_NE(inverse, nullptr);
      // inverse(M) * M is the identity.
      for (unsigned col = 0; col < n; col++) {
        for (unsigned row = 0; row < n; row++) {
          double sum = 0;
          for (unsigned k = 0; k < n; k++) sum += inverse->value.f[k * n + row] * m[col * n + k];
          EXPECT_NEAR(sum, row == col ? 1.0 : 0.0, 1e-5) << "mat" << n;
        }
      }
    }
  }
}

TEST_F(BuiltinBodiesTest, MatrixShapesTransposeAndProducts) {
  ir_constant_data data{};
  for (unsigned i = 0; i < 6; i++) data.f[i] = static_cast<float>(i + 1);
  auto *m2x3 = new (ctx) ir_constant(glsl_type::mat2x3_type, &data);  // 2 columns of 3
  ir_constant *t = call("transpose", {m2x3->clone(ctx, nullptr)});
  ASSERT_EQ(t->type, glsl_type::mat3x2_type);
  // Element (row r, column c) moves to (row c, column r).
  for (unsigned c = 0; c < 2; c++)
    for (unsigned r = 0; r < 3; r++) EXPECT_EQ(t->value.f[r * 2 + c], data.f[c * 3 + r]);
  ir_constant *outer = call("outerProduct", {vec({1, 2, 3}), vec({10, 20})});
  ASSERT_EQ(outer->type, glsl_type::mat2x3_type);
  EXPECT_EQ(outer->value.f[0 * 3 + 2], 30.0f);
  EXPECT_EQ(outer->value.f[1 * 3 + 1], 40.0f);
  ir_constant *product = call("matrixCompMult", {m2x3, m2x3->clone(ctx, nullptr)});
  EXPECT_EQ(product->value.f[5], 36.0f);
}

TEST_F(BuiltinBodiesTest, CommonFunctionsAgreeWithTheCLibrary) {
  EXPECT_EQ(call1("mod", {f(-7.5f), f(2.0f)}), 0.5f);
  EXPECT_EQ(call1("modf", {f(-2.75f), f(0.0f)}), -0.75f);
  EXPECT_EQ(call1("round", {f(2.5f)}), 2.0f);
  EXPECT_EQ(call1("clamp", {f(7.0f), f(-1.0f), f(1.0f)}), 1.0f);
  EXPECT_EQ(call1("mix", {f(1.0f), f(5.0f), f(0.25f)}), 2.0f);
  ir_constant_data choose{};
  choose.b[1] = true;
  ir_constant *select = call("mix", {vec({1, 2}), vec({3, 4}),
                                     new (ctx) ir_constant(glsl_type::bvec2_type, &choose)});
  EXPECT_EQ(select->value.f[0], 1.0f);
  EXPECT_EQ(select->value.f[1], 4.0f);
  ir_constant *inf = call("isinf", {vec({INFINITY, -INFINITY, 1e38f})});
  EXPECT_TRUE(inf->value.b[0] && inf->value.b[1] && !inf->value.b[2]);
  ir_constant *nan = call("isnan", {vec({NAN, 0})});
  EXPECT_TRUE(nan->value.b[0] && !nan->value.b[1]);
  EXPECT_EQ(call1("normalize", {f(-3.0f)}), -1.0f);
  EXPECT_EQ(call1("fma", {f(2.0f), f(3.0f), f(1.0f)}), 7.0f);
}

}  // namespace
