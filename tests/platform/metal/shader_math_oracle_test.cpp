// Built-in arithmetic through compiled functions and the reference
// interpreter, against glibc's libm in long double: each result within the
// precise-mode error limits of the Metal Shading Language Specification's
// single-precision accuracy table, at zeros, infinities, NaN, denormals,
// the largest values and a fixed random sample. TESSALY_FULL_SWEEP=1 runs a
// much larger sample.
#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "shader_harness.h"

namespace mtl::msl::test {
namespace {

using LD = long double;
constexpr LD kPi = 3.141592653589793238462643383279502884L;

// sin(pi x) and cos(pi x) with the argument reduced exactly, in long double.
LD sinpiL(LD x) {
  if (!std::isfinite(x)) return NAN;
  LD r = remainderl(x, 2);
  const bool negative = std::signbit(r);
  r = fabsl(r);
  if (r > 0.5L) r = 1 - r;
  const LD v = r <= 0.25L ? sinl(kPi * r) : cosl(kPi * (0.5L - r));
  return negative ? -v : v;
}
LD cospiL(LD x) {
  if (!std::isfinite(x)) return NAN;
  LD r = fabsl(remainderl(x, 2));
  const bool flip = r > 0.5L;
  if (flip) r = 1 - r;
  const LD v = r <= 0.25L ? cosl(kPi * r) : sinl(kPi * (0.5L - r));
  return flip ? -v : v;
}

// The limits in ulp; "correctly rounded" is half an ulp. Transcribed from
// the Metal Shading Language Specification, "Numerical Compliance",
// accuracy of single-precision floating-point operations (precise math).
struct Function {
  const char* name;
  int arity;
  double ulps;
  std::function<LD(LD, LD, LD)> oracle;
  bool zeroSignOpen = false;  // IEEE 754 leaves the sign of fmax(+0, -0) open
};

const std::vector<Function>& functions() {
  static const std::vector<Function> list = {
      {"acos", 1, 4, [](LD x, LD, LD) { return acosl(x); }},
      {"acosh", 1, 4, [](LD x, LD, LD) { return acoshl(x); }},
      {"asin", 1, 4, [](LD x, LD, LD) { return asinl(x); }},
      {"asinh", 1, 4, [](LD x, LD, LD) { return asinhl(x); }},
      {"atan", 1, 5, [](LD x, LD, LD) { return atanl(x); }},
      {"atanh", 1, 5, [](LD x, LD, LD) { return atanhl(x); }},
      {"ceil", 1, 0.5, [](LD x, LD, LD) { return ceill(x); }},
      {"cos", 1, 4, [](LD x, LD, LD) { return cosl(x); }},
      {"cosh", 1, 4, [](LD x, LD, LD) { return coshl(x); }},
      {"cospi", 1, 4, [](LD x, LD, LD) { return cospiL(x); }},
      {"exp", 1, 4, [](LD x, LD, LD) { return expl(x); }},
      {"exp2", 1, 4, [](LD x, LD, LD) { return exp2l(x); }},
      {"exp10", 1, 4, [](LD x, LD, LD) { return powl(10, x); }},
      {"fabs", 1, 0, [](LD x, LD, LD) { return fabsl(x); }},
      {"floor", 1, 0.5, [](LD x, LD, LD) { return floorl(x); }},
      {"fract", 1, 0.5, [](LD x, LD, LD) { return fminl(x - floorl(x), 0x1.fffffep-1L); }},
      {"log", 1, 4, [](LD x, LD, LD) { return logl(x); }},
      {"log2", 1, 4, [](LD x, LD, LD) { return log2l(x); }},
      {"log10", 1, 4, [](LD x, LD, LD) { return log10l(x); }},
      {"rint", 1, 0.5, [](LD x, LD, LD) { return nearbyintl(x); }},
      {"round", 1, 0.5, [](LD x, LD, LD) { return roundl(x); }},
      {"rsqrt", 1, 2, [](LD x, LD, LD) { return 1 / sqrtl(x); }},
      {"sin", 1, 4, [](LD x, LD, LD) { return sinl(x); }},
      {"sinh", 1, 4, [](LD x, LD, LD) { return sinhl(x); }},
      {"sinpi", 1, 4, [](LD x, LD, LD) { return sinpiL(x); }},
      {"tanpi", 1, 6, [](LD x, LD, LD) { return sinpiL(x) / cospiL(x); }},
      {"sqrt", 1, 0.5, [](LD x, LD, LD) { return sqrtl(x); }},
      {"tan", 1, 6, [](LD x, LD, LD) { return tanl(x); }},
      {"tanh", 1, 5, [](LD x, LD, LD) { return tanhl(x); }},
      {"trunc", 1, 0.5, [](LD x, LD, LD) { return truncl(x); }},
      {"atan2", 2, 6, [](LD y, LD x, LD) { return atan2l(y, x); }},
      {"copysign", 2, 0, [](LD x, LD y, LD) { return copysignl(x, y); }},
      {"fdim", 2, 0.5, [](LD x, LD y, LD) { return fdiml(x, y); }},
      // IEEE 754 leaves the sign of fmax(+0, -0) and fmin(+0, -0) open.
      {"fmax", 2, 0, [](LD x, LD y, LD) { return fmaxl(x, y); }, true},
      {"fmin", 2, 0, [](LD x, LD y, LD) { return fminl(x, y); }, true},
      {"fmod", 2, 0, [](LD x, LD y, LD) { return fmodl(x, y); }},
      {"pow", 2, 16, [](LD x, LD y, LD) { return powl(x, y); }},
      {"powr", 2, 16, [](LD x, LD y, LD) { return x < 0 ? NAN : powl(x, y); }},
      {"fma", 3, 0.5, [](LD x, LD y, LD z) { return fmal(x, y, z); }},
      // Operators: correctly rounded.
      {"+", 2, 0.5, [](LD x, LD y, LD) { return x + y; }},
      {"-", 2, 0.5, [](LD x, LD y, LD) { return x - y; }},
      {"*", 2, 0.5, [](LD x, LD y, LD) { return x * y; }},
      {"/", 2, 0.5, [](LD x, LD y, LD) { return x / y; }},
  };
  return list;
}

// The distance from an exact value in units of the float spacing there.
double ulpError(float got, LD exact) {
  const LD magnitude = fabsl(exact);
  int exponent = 0;
  frexpl(magnitude, &exponent);
  // Spacing of floats at the exact value: 2^(e - 24), never below the
  // denormal spacing 2^-149.
  const LD spacing = ldexpl(1.0L, std::max(exponent - 24, -149));
  return static_cast<double>(fabsl(static_cast<LD>(got) - exact) / spacing);
}

// Checks one result; on failure describes it.
bool agrees(float got, LD exact, double ulps, std::string& why) {
  char text[200];
  if (std::isnan(exact)) {
    if (std::isnan(got)) return true;
    std::snprintf(text, sizeof text, "got %.9g, expected NaN", got);
  } else if (std::isinf(exact) || fabsl(exact) >= 0x1.ffffffp127L) {
    // Beyond the largest float (by half an ulp): an infinity.
    if (std::isinf(got) && std::signbit(got) == std::signbit(exact)) return true;
    std::snprintf(text, sizeof text, "got %.9g, expected %Lg", got, exact);
  } else if (exact == 0) {
    if (got == 0 && std::signbit(got) == std::signbit(exact)) return true;
    if (ulps > 0.5 && ulpError(got, exact) <= ulps) return true;  // a sign of zero may differ
    std::snprintf(text, sizeof text, "got %.9g, expected %s0", got, std::signbit(exact) ? "-" : "+");
  } else {
    const double e = ulpError(got, exact);
    if (e <= ulps) return true;
    std::snprintf(text, sizeof text, "got %.9g, expected %.12Lg (%.2f ulp)", got, exact, e);
  }
  why = text;
  return false;
}

std::vector<float> specialValues() {
  return {0.0f, -0.0f, INFINITY, -INFINITY, NAN, 1.0f, -1.0f, 0.5f, -0.5f, 2.0f, 3.0f, -2.5f,
          FLT_MIN, -FLT_MIN, FLT_TRUE_MIN, -FLT_TRUE_MIN, 1e-40f, -3e-39f, FLT_MAX, -FLT_MAX,
          1e30f, -1e30f, 88.7f, -103.9f, 1e-10f, 0.999999f, 1.000001f, 1e10f, 3.1415927f,
          1.5707964f, 0.25f, 100.0f, -7.5f, 16777216.0f, 8388608.5f};
}

std::vector<float> randomValues(std::mt19937& rng, std::size_t n) {
  std::vector<float> out;
  std::uniform_int_distribution<std::uint32_t> bitsDist;
  std::uniform_real_distribution<float> smallDist(-12.0f, 12.0f);
  for (std::size_t i = 0; i < n; ++i) {
    if (i % 2) {
      out.push_back(smallDist(rng));
    } else {
      std::uint32_t b;
      do b = bitsDist(rng); while (std::isnan(std::bit_cast<float>(b)));
      out.push_back(std::bit_cast<float>(b));
    }
  }
  return out;
}

std::size_t sampleSize() {
  const char* full = std::getenv("TESSALY_FULL_SWEEP");
  return full && *full == '1' ? 200000 : 600;
}

// Runs `expression` over the argument lists, four at a time, and checks
// each result; returns the largest error in ulp over finite results.
double sweep(const Function& f, const std::vector<std::vector<float>>& args, int& cases,
             int& failures) {
  std::string expression = f.name;
  if (f.arity == 2 && !std::isalpha(static_cast<unsigned char>(f.name[0]))) {
    expression = "in.a " + expression + " in.b";
  } else {
    expression += f.arity == 1 ? "(in.a)" : f.arity == 2 ? "(in.a, in.b)" : "(in.a, in.b, in.c)";
  }
  const std::string source =
      "#include <metal_stdlib>\nusing namespace metal;\n"
      "struct In { float4 a; float4 b; float4 c; };\n"
      "fragment float4 f(constant In& in [[buffer(0)]]) { return " + expression + "; }\n";
  const auto function = compileFunction(source, "f");
  if (!function) {
    ++failures;
    return 0;
  }
  double worst = 0;
  const std::size_t n = args[0].size();
  for (std::size_t i = 0; i < n; i += 4) {
    Bytes in(48);
    for (unsigned c = 0; c < 4 && i + c < n; ++c) {
      for (int k = 0; k < f.arity; ++k) in.at(16 * k + 4 * c, args[k][i + c]);
    }
    Invocation inv = prepareInvocation(*function);
    interpret(*function, inv, {BufferView{in.data().data(), in.data().size(), false}});
    const Register out = output(inv, function->outputs[0]);
    for (unsigned c = 0; c < 4 && i + c < n; ++c) {
      const float got = std::bit_cast<float>(out[c]);
      LD a[3] = {0, 0, 0};
      for (int k = 0; k < f.arity; ++k) a[k] = args[k][i + c];
      const LD exact = f.oracle(a[0], a[1], a[2]);
      ++cases;
      std::string why;
      if (f.zeroSignOpen && exact == 0 && got == 0) continue;
      if (!agrees(got, exact, f.ulps, why)) {
        if (++failures <= 20) {
          ADD_FAILURE() << f.name << "(" << a[0] << ", " << a[1] << ", " << a[2] << "): " << why;
        }
      } else if (std::isfinite(got) && std::isfinite(static_cast<double>(exact)) && exact != 0) {
        worst = std::max(worst, ulpError(got, exact));
      }
    }
  }
  return worst;
}

TEST(ShaderMathOracle, FloatFunctionsAreWithinThePreciseLimits) {
  std::mt19937 rng(0x5eed);
  const std::vector<float> special = specialValues();
  int cases = 0, failures = 0;
  for (const Function& f : functions()) {
    std::vector<std::vector<float>> args(static_cast<std::size_t>(f.arity));
    if (f.arity == 1) {
      args[0] = special;
    } else {
      // Every pair of special values, the third argument cycling.
      for (std::size_t x = 0; x < special.size(); ++x) {
        for (std::size_t y = 0; y < special.size(); ++y) {
          args[0].push_back(special[x]);
          args[1].push_back(special[y]);
          if (f.arity == 3) args[2].push_back(special[(x + y) % special.size()]);
        }
      }
    }
    const std::size_t n = sampleSize();
    for (auto& a : args) {
      const auto r = randomValues(rng, n);
      a.insert(a.end(), r.begin(), r.end());
    }
    const double worst = sweep(f, args, cases, failures);
    std::printf("%-9s worst %.3f ulp (limit %.1f)\n", f.name, worst, f.ulps);
  }
  EXPECT_EQ(failures, 0);
  EXPECT_GT(cases, 40000);
}

TEST(ShaderMathOracle, IntegerFunctionsAtTheirEdges) {
  const std::string source = R"(
#include <metal_stdlib>
using namespace metal;
struct In { int4 a; int4 b; uint4 u; char4 c; };
fragment int4 f(constant In& in [[buffer(0)]]) {
  return int4(abs(in.a.x), clamp(in.a.y, in.b.x, in.b.y), min(in.a.z, in.b.z), max(in.a.w, in.b.w)) +
         int4(0, int(clz(in.u.x)), int(ctz(in.u.y)), int(popcount(in.u.z))) * 0;
}
fragment uint4 g(constant In& in [[buffer(0)]]) {
  return uint4(clz(in.u.x), ctz(in.u.y), popcount(in.u.z), uint(clz(in.c.x)) + 100u * uint(popcount(in.c.y)));
}
)";
  const int values[] = {0, 1, -1, 7, -8, 123456, std::numeric_limits<int>::min(),
                        std::numeric_limits<int>::max()};
  int cases = 0;
  for (int a : values) {
    for (int b : values) {
      Bytes in(64);
      const int lo = std::min(a, b), hi = std::max(a, b);
      in.at(0, a).at(4, a).at(8, a).at(12, a).at(16, lo).at(20, hi).at(24, b).at(28, b);
      const auto u = static_cast<std::uint32_t>(a) ^ static_cast<std::uint32_t>(b);
      in.at(32, u).at(36, u).at(40, u).at(48, static_cast<std::int8_t>(a)).at(49, static_cast<std::int8_t>(b));
      ShaderRun r = run(source, "f", {&in});
      EXPECT_EQ(r.i(0), a == std::numeric_limits<int>::min() ? a : std::abs(a));
      EXPECT_EQ(r.i(1), std::clamp(a, lo, hi));
      EXPECT_EQ(r.i(2), std::min(a, b));
      EXPECT_EQ(r.i(3), std::max(a, b));
      r = run(source, "g", {&in});
      EXPECT_EQ(r.output()[0], static_cast<std::uint32_t>(std::countl_zero(u)));
      EXPECT_EQ(r.output()[1], static_cast<std::uint32_t>(std::countr_zero(u)));
      EXPECT_EQ(r.output()[2], static_cast<std::uint32_t>(std::popcount(u)));
      const auto c0 = static_cast<std::uint8_t>(a), c1 = static_cast<std::uint8_t>(b);
      EXPECT_EQ(r.output()[3], static_cast<std::uint32_t>(std::countl_zero(c0) + 100 * std::popcount(c1)));
      ++cases;
    }
  }
  EXPECT_EQ(cases, 64);
}

TEST(ShaderMathOracle, DefinedFunctionsFollowTheirFormulas) {
  // The functions the specification defines by a formula, against that
  // formula in long double, and the geometric functions against exact
  // sums (within 1 ulp: computed in double and rounded once). Inputs
  // without cancellation, so that 1 ulp of the result is a fair bound.
  const std::string source = R"(
#include <metal_stdlib>
using namespace metal;
struct In { float4 a; float4 b; float4 c; };
fragment float4 scalar(constant In& in [[buffer(0)]]) {
  return float4(mix(in.a.x, in.a.y, in.a.z), smoothstep(in.b.x, in.b.y, in.b.z),
                step(in.c.x, in.c.y), saturate(in.c.z) + sign(in.c.w));
}
fragment float4 geometry(constant In& in [[buffer(0)]]) {
  return float4(dot(in.a, in.b), length(in.a.xyz), distance(in.b.xy, in.c.xy),
                normalize(in.c.xyz).y);
}
fragment float4 crossing(constant In& in [[buffer(0)]]) {
  return float4(cross(in.a.xyz, in.b.xyz), 0.0);
}
)";
  std::mt19937 rng(42);
  std::uniform_real_distribution<float> positive(0.5f, 100.0f), any(-2.0f, 2.0f);
  int cases = 0;
  for (int i = 0; i < 300; ++i) {
    float v[12];
    for (float& x : v) x = positive(rng);
    v[2] = v[2] / 100.0f;                       // the mix weight in [0, 1]
    if (v[4] > v[5]) std::swap(v[4], v[5]);     // smoothstep's edges in order
    for (int k = 8; k < 12; ++k) v[k] = any(rng);
    Bytes in(48);
    for (int k = 0; k < 12; ++k) in.at(4 * k, v[k]);
    std::string why;
    ShaderRun r = run(source, "scalar", {&in});
    const LD t = std::clamp(((LD)v[6] - v[4]) / ((LD)v[5] - v[4]), 0.0L, 1.0L);
    const LD expected[4] = {(LD)v[0] + ((LD)v[1] - v[0]) * v[2], t * t * (3 - 2 * t),
                            v[9] < v[8] ? 0.0L : 1.0L,
                            std::clamp((LD)v[10], 0.0L, 1.0L) + (v[11] > 0 ? 1 : v[11] < 0 ? -1 : 0)};
    for (unsigned c = 0; c < 4; ++c) {
      EXPECT_TRUE(agrees(r.f(c), expected[c], c == 3 ? 0.5 : 1.0, why)) << "scalar " << c << ": " << why;
    }
    // Geometry on positive values only.
    for (int k = 8; k < 12; ++k) v[k] = positive(rng);
    for (int k = 8; k < 12; ++k) in.at(4 * k, v[k]);
    r = run(source, "geometry", {&in});
    LD dotSum = 0, lengthSum = 0, distanceSum = 0, normSum = 0;
    for (int k = 0; k < 4; ++k) dotSum += (LD)v[k] * v[4 + k];
    for (int k = 0; k < 3; ++k) lengthSum += (LD)v[k] * v[k];
    for (int k = 0; k < 2; ++k) distanceSum += ((LD)v[4 + k] - v[8 + k]) * ((LD)v[4 + k] - v[8 + k]);
    for (int k = 0; k < 3; ++k) normSum += (LD)v[8 + k] * v[8 + k];
    const LD geometry[4] = {dotSum, sqrtl(lengthSum), sqrtl(distanceSum), v[9] / sqrtl(normSum)};
    for (unsigned c = 0; c < 4; ++c) {
      EXPECT_TRUE(agrees(r.f(c), geometry[c], 1.0, why)) << "geometry " << c << ": " << why;
    }
    r = run(source, "crossing", {&in});
    const LD cx[3] = {(LD)v[1] * v[6] - (LD)v[2] * v[5], (LD)v[2] * v[4] - (LD)v[0] * v[6],
                      (LD)v[0] * v[5] - (LD)v[1] * v[4]};
    for (unsigned c = 0; c < 3; ++c) {
      EXPECT_TRUE(agrees(r.f(c), cx[c], 1.0, why)) << "cross " << c << ": " << why;
    }
    ++cases;
  }
  EXPECT_EQ(cases, 300);
}

}  // namespace
}  // namespace mtl::msl::test
