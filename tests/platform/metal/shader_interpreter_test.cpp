// What compiled functions compute, run by the reference interpreter:
// C++'s conversions, integer edge cases, control flow, swizzles and
// indexing, matrices, buffer layouts and writes, and the hooks for
// textures and derivatives. Inputs come from a buffer, so that the code
// runs instead of folding; where folding matters the two are compared.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "platform/metal/half_float.h"
#include "platform/metal/msl/builtins.h"
#include "shader_harness.h"

namespace mtl::msl::test {
namespace {

constexpr const char* kPrelude = "#include <metal_stdlib>\nusing namespace metal;\n";

TEST(ShaderInterpreter, IntegerArithmeticHasDefinedEdges) {
  const std::string source = std::string(kPrelude) + R"(
struct In { int a; int b; uint u; uint v; char c; uchar d; short s; };
fragment int4 f(constant In& in [[buffer(0)]]) {
  int4 r;
  r.x = in.a / in.b;
  r.y = in.a % in.b;
  r.z = int(in.u / in.v) + int(in.u % in.v);
  r.w = in.c + in.d;   // promoted to int: no wrap at 8 bits
  return r;
}
fragment int4 g(constant In& in [[buffer(0)]]) {
  char c = in.c;
  c += in.d;            // wraps at 8 bits
  uchar d = in.d;
  d = d << 4;
  short s = in.s;
  s = s * s;
  return int4(c, d, s, in.a << in.b);
}
)";
  Bytes in;
  const auto args = [&](int a, int b, unsigned u, unsigned v, std::int8_t c, std::uint8_t d,
                        std::int16_t s) {
    in.at(0, a).at(4, b).at(8, u).at(12, v).at(16, c).at(17, d).at(18, s);
  };
  args(std::numeric_limits<int>::min(), -1, 7, 0, 100, 200, 300);
  ShaderRun r = run(source, "f", {&in});
  EXPECT_EQ(r.i(0), std::numeric_limits<int>::min());  // INT_MIN / -1
  EXPECT_EQ(r.i(1), 0);
  EXPECT_EQ(r.i(2), 0);  // unsigned division and remainder by zero
  EXPECT_EQ(r.i(3), 300);
  args(-7, 0, 17, 5, -100, 200, 300);
  r = run(source, "f", {&in});
  EXPECT_EQ(r.i(0), 0);  // division by zero
  EXPECT_EQ(r.i(1), 0);
  EXPECT_EQ(r.i(2), 3 + 2);
  args(-7, 2, 17, 5, 100, 200, 300);
  r = run(source, "f", {&in});
  EXPECT_EQ(r.i(0), -3);  // truncation toward zero
  EXPECT_EQ(r.i(1), -1);

  args(1, 33, 0, 0, 100, 200, 300);
  r = run(source, "g", {&in});
  EXPECT_EQ(r.i(0), static_cast<std::int8_t>(100 + 200));
  EXPECT_EQ(r.i(1), (200 << 4) & 0xFF);
  EXPECT_EQ(r.i(2), static_cast<std::int16_t>(300 * 300));
  EXPECT_EQ(r.i(3), 2);  // shift counts use their low five bits
}

TEST(ShaderInterpreter, ConversionsSaturateAndKeepCppRules) {
  const std::string source = std::string(kPrelude) + R"(
struct In { float4 f; int i; uint u; };
fragment int4 toInt(constant In& in [[buffer(0)]]) { return int4(in.f); }
fragment uint4 toUint(constant In& in [[buffer(0)]]) { return uint4(in.f); }
fragment float4 mixed(constant In& in [[buffer(0)]]) {
  half h = in.f.x;          // rounds to half
  float a = in.i / 2;       // integer division first
  float b = in.i / 2.0;
  bool t = in.f.y;          // nonzero (NaN too) is true
  return float4(h, a, b, t ? 1.0 : 0.0);
}
fragment float4 kinds(constant In& in [[buffer(0)]]) {
  half h = 1.0h;
  // half meets float as float; an int meets half as half.
  return float4(h + in.f.w * 0.0001, h + in.i, float(h * 2049), 0.0);
}
fragment int4 compare(constant In& in [[buffer(0)]]) {
  // int against uint compares as uint.
  return int4(in.i < in.u, -1 < 1u, in.f.y == in.f.y, in.f.y != in.f.y);
}
)";
  Bytes in;
  in.at(0, 3.0e9f).at(4, -3.0e9f).at(8, std::nanf("")).at(12, -2.75f).at(16, -5).at(20, 1u);
  ShaderRun r = run(source, "toInt", {&in});
  EXPECT_EQ(r.i(0), std::numeric_limits<int>::max());
  EXPECT_EQ(r.i(1), std::numeric_limits<int>::min());
  EXPECT_EQ(r.i(2), 0);
  EXPECT_EQ(r.i(3), -2);
  r = run(source, "toUint", {&in});
  EXPECT_EQ(r.output()[0], 3000000000u);
  EXPECT_EQ(r.output()[1], 0u);
  EXPECT_EQ(r.output()[3], 0u);

  in.at(0, 1.0009765625f + 0x1p-12f).at(4, std::nanf(""));
  r = run(source, "mixed", {&in});
  EXPECT_EQ(r.f(0), 1.0009765625f);  // the nearest half
  EXPECT_EQ(r.f(1), -2.0f);
  EXPECT_EQ(r.f(2), -2.5f);
  EXPECT_EQ(r.f(3), 1.0f);
  r = run(source, "kinds", {&in});
  EXPECT_EQ(r.f(0), 1.0f + -2.75f * 0.0001f);
  EXPECT_EQ(r.f(1), -4.0f);
  EXPECT_EQ(r.f(2), 2048.0f);  // 2049 is not a half
  r = run(source, "compare", {&in});
  EXPECT_EQ(r.i(0), 0);  // -5 as uint is large
  EXPECT_EQ(r.i(1), 0);
  EXPECT_EQ(r.i(2), 0);  // NaN equals nothing
  EXPECT_EQ(r.i(3), 1);
}

TEST(ShaderInterpreter, HalfArithmeticRoundsEveryOperation) {
  const std::string source = std::string(kPrelude) + R"(
struct In { half a; half b; };
fragment half4 f(constant In& in [[buffer(0)]]) {
  half s = in.a + in.b;       // 2048 + 1 is not a half
  half p = in.b / 3.0h;
  return half4(s, s - in.a, p, in.a * in.a * in.a * in.a * in.a);
}
)";
  Bytes in;
  in.at(0, floatToHalf(2048.0f)).at(2, floatToHalf(1.0f));
  ShaderRun r = run(source, "f", {&in});
  EXPECT_EQ(r.f(0), 2048.0f);
  EXPECT_EQ(r.f(1), 0.0f);
  EXPECT_EQ(r.f(2), halfToFloat(floatToHalf(1.0f / 3.0f)));
  EXPECT_TRUE(std::isinf(r.f(3)));  // overflows at the first product beyond 65504
}

TEST(ShaderInterpreter, FoldedConstantsEqualComputedValues) {
  // The same expressions over literals (folded while compiling) and over
  // buffer values (computed while running) give the same bits.
  const char* expressions[] = {
      "sin(A) + cos(B)", "pow(A, B)", "normalize(float3(A, B, 1.0)).y", "fract(-A)",
      "float(int(A * 100.0) % 7)", "smoothstep(0.0, B, A)", "mix(A, B, 0.25)", "atan2(A, B)",
      "dot(float4(A), float4(B, 1.0, 2.0, 3.0))", "determinant(float2x2(A, B, B, A))",
      "as_type<float>(as_type<uint>(A) + 1u)", "clamp(A * 10.0, -1.0, B)", "rsqrt(B)",
      "float(half(A) * half(B))", "length(float3(A, B, A))", "fmod(B, A)"};
  for (const char* e : expressions) {
    std::string folded = e, computed = e;
    const auto replace = [](std::string& s, const std::string& from, const std::string& to) {
      for (std::size_t p = s.find(from); p != std::string::npos; p = s.find(from, p + to.size())) {
        s.replace(p, from.size(), to);
      }
    };
    replace(folded, "A", "0.3125");
    replace(folded, "B", "1.75");
    replace(computed, "A", "in.a");
    replace(computed, "B", "in.b");
    const std::string source = std::string(kPrelude) +
                               "struct In { float a; float b; };\n"
                               "fragment float4 folded(constant In& in [[buffer(0)]]) { return " +
                               folded + "; }\nfragment float4 computed(constant In& in [[buffer(0)]]) { return " +
                               computed + "; }\n";
    Bytes in;
    in.at(0, 0.3125f).at(4, 1.75f);
    ShaderRun a = run(source, "folded", {&in});
    ShaderRun b = run(source, "computed", {&in});
    ASSERT_TRUE(a.function && b.function) << e;
    EXPECT_EQ(a.output(), b.output()) << e;
    // The folded one is a constant move; the computed one does the work.
    EXPECT_LE(a.function->code.size(), 2u) << e;
    EXPECT_GT(b.function->code.size(), 2u) << e;
  }
}

TEST(ShaderInterpreter, LoopsBranchesAndEarlyReturns) {
  const std::string source = std::string(kPrelude) + R"(
struct In { int n; int skip; int stop; };
static int firstMultiple(int n, int of) {
  for (int i = 1; i <= n; ++i) {
    if (i % of == 0) return i;   // leaves the loop and the function
  }
  return -1;
}
static void accumulate(thread int& total, int value) { total += value; }
fragment int4 f(constant In& in [[buffer(0)]]) {
  int sum = 0;
  for (int i = 0; i < in.n; i++) {
    if (i == in.skip) continue;
    if (i == in.stop) break;
    accumulate(sum, i);
  }
  int w = 0;
  while (true) {
    if (++w >= 5) break;
  }
  int d = 10;
  do { d -= 3; } while (d > 0);
  return int4(sum, firstMultiple(in.n, 4) * 100 + firstMultiple(3, 4), w, d);
}
)";
  Bytes in;
  in.at(0, 10).at(4, 3).at(8, 7);
  ShaderRun r = run(source, "f", {&in});
  EXPECT_EQ(r.i(0), 0 + 1 + 2 + 4 + 5 + 6);
  EXPECT_EQ(r.i(1), 4 * 100 - 1);
  EXPECT_EQ(r.i(2), 5);
  EXPECT_EQ(r.i(3), -2);
}

TEST(ShaderInterpreter, DiscardAndShortCircuitsRunOnlyWhatTheyMust) {
  const std::string source = std::string(kPrelude) + R"(
struct In { int a; float cut; };
fragment float4 f(constant In& in [[buffer(0)]]) {
  int calls = 0;
  bool x = in.a > 0 && (++calls > 0);
  bool y = in.a > 0 || (++calls > 0);
  int z = in.a > 0 ? calls++ : calls--;
  if (in.cut > 0.5) discard_fragment();
  return float4(calls, x, y, z);
}
)";
  Bytes in;
  in.at(0, 1).at(4, 0.0f);
  ShaderRun r = run(source, "f", {&in});
  EXPECT_FALSE(r.invocation.discarded);
  EXPECT_EQ(r.f(0), 2.0f);  // && ran its right side, || did not, ?: took one side
  EXPECT_EQ(r.f(3), 1.0f);
  in.at(0, -1).at(4, 1.0f);
  r = run(source, "f", {&in});
  EXPECT_TRUE(r.invocation.discarded);
}

TEST(ShaderInterpreter, SwizzlesAndDynamicIndexing) {
  const std::string source = std::string(kPrelude) + R"(
struct In { int i; int j; };
struct Item { float2 p; float w; };
fragment float4 f(constant In& in [[buffer(0)]]) {
  float4 v = float4(1.0, 2.0, 3.0, 4.0);
  v.wx = v.xy;                 // (2, 2, 3, 1)
  v[in.i] = 9.0;               // component 1
  float3x3 m = float3x3(1.0);
  m[in.j][in.i] = 5.0;         // column 2, row 1
  Item items[3];
  items[in.j].p.y = 7.0;
  float a[4] = {10.0, 20.0, 30.0, 40.0};
  float guard = 1000.0;                      // the registers after the array
  float outside = a[in.i + 10] + a[-in.i] + a[in.i + 3];   // out of range reads 0
  a[in.i + 10] = 1.0;                      // and writes nothing
  a[in.i + 3] = 5.0;                         // just past the end: nothing written
  return float4(v.x + v.y * 10.0 + v.z * 100.0 + v.w * 1000.0, m[2].y + m[1].y,
                items[2].p.y + items[0].p.y, outside + a[0] + a[1] + a[2] + a[3] + guard);
}
)";
  Bytes in;
  in.at(0, 1).at(4, 2);
  ShaderRun r = run(source, "f", {&in});
  EXPECT_EQ(r.f(0), 2.0f + 90.0f + 300.0f + 1000.0f);
  EXPECT_EQ(r.f(1), 5.0f + 1.0f);
  EXPECT_EQ(r.f(2), 7.0f);
  EXPECT_EQ(r.f(3), 1100.0f);
}

// A dynamic index one past a vector's last component reads 0 (as does a
// negative one): float4, float3 and float2 against values written here.
TEST(ShaderInterpreter, ADynamicIndexAtTheVectorsLengthReadsZero) {
  const std::string source = std::string(kPrelude) + R"(
struct In { int n; };
fragment float4 f(constant In& in [[buffer(0)]]) {
  float4 v = float4(1.0, 2.0, 3.0, 4.0);
  float3 t = float3(5.0, 6.0, 7.0);
  float2 u = float2(8.0, 9.0);
  return float4(v[in.n], t[in.n - 1], u[in.n - 2], 0.0);
}
)";
  for (int n = -1; n <= 4; ++n) {
    Bytes in;
    in.at(0, n);
    ShaderRun r = run(source, "f", {&in});
    EXPECT_EQ(r.f(0), n >= 0 && n < 4 ? 1.0f + n : 0.0f) << n;
    EXPECT_EQ(r.f(1), n - 1 >= 0 && n - 1 < 3 ? 5.0f + (n - 1) : 0.0f) << n;
    EXPECT_EQ(r.f(2), n - 2 >= 0 && n - 2 < 2 ? 8.0f + (n - 2) : 0.0f) << n;
  }
}

// C's precedence: % binds as * and /, tighter than + and -, and operators
// of one level group from the left.
TEST(ShaderInterpreter, RemainderBindsAsTightlyAsMultiplication) {
  const std::string source = std::string(kPrelude) + R"(
struct In { int a; int b; int c; };
fragment int4 f(constant In& in [[buffer(0)]]) {
  return int4(in.a + in.b % in.c, in.a % in.b * in.c, in.a - in.b % in.c * in.c, in.a * in.b % in.c);
}
)";
  Bytes in;
  in.at(0, 17).at(4, 5).at(8, 3);
  ShaderRun r = run(source, "f", {&in});
  EXPECT_EQ(r.i(0), 17 + 5 % 3);      // 19, not (17 + 5) % 3 = 1
  EXPECT_EQ(r.i(1), 17 % 5 * 3);      // 6, not 17 % 15 = 2
  EXPECT_EQ(r.i(2), 17 - 5 % 3 * 3);  // 11
  EXPECT_EQ(r.i(3), 17 * 5 % 3);      // 1, not 17 * 2 = 34
}

TEST(ShaderInterpreter, DynamicPlacesReadAndWriteTheRightRegisters) {
  const std::string source = std::string(kPrelude) + R"(
struct In { int i; int j; };
constant float2 kTable[3] = {float2(1.0, 2.0), float2(3.0, 4.0), float2(5.0, 6.0)};
static void exchange(thread float& a, thread float& b) { float t = a; a = b; b = t; }
fragment float4 f(constant In& in [[buffer(0)]]) {
  float grid[3][4];
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 4; ++c) grid[r][c] = float(r * 10 + c);
  }
  grid[in.j][in.i] += 100.0;              // [2][1]
  float4 cells[3] = {float4(0.0), float4(1.0), float4(2.0)};
  cells[in.j].xz = float2(7.0, 8.0);       // a swizzle of a dynamic element
  cells[in.i].yx += float2(1.0, 2.0);      // compound, swizzled
  int counts[4] = {0, 0, 0, 0};
  counts[in.i]++;
  ++counts[in.i];
  float values[4] = {1.0, 2.0, 3.0, 4.0};
  exchange(values[in.i], values[in.j]);   // references to dynamic elements
  float4 v = float4(0.0);
  for (int k = 0; k < 4; ++k) v[k] = float(k) * 2.0;
  float3x3 m = float3x3(0.0);
  m[in.i][in.j] = 9.0;                     // column 1, row 2
  return float4(grid[2][1] + grid[in.i][in.j] * 1000.0,            // 121 + 12 * 1000
                cells[2].x + cells[2].z * 10.0 + cells[1].y * 100.0 + cells[1].x * 1000.0,
                float(counts[1]) + values[1] * 10.0 + values[2] * 100.0 + kTable[in.j].y * 1000.0,
                v.w + m[1].z * 10.0);
}
)";
  Bytes in;
  in.at(0, 1).at(4, 2);
  ShaderRun r = run(source, "f", {&in});
  EXPECT_EQ(r.f(0), 121.0f + 12.0f * 1000.0f);
  EXPECT_EQ(r.f(1), 7.0f + 80.0f + 200.0f + 3000.0f);
  EXPECT_EQ(r.f(2), 2.0f + 30.0f + 200.0f + 6000.0f);
  EXPECT_EQ(r.f(3), 6.0f + 90.0f);
}

TEST(ShaderInterpreter, StructsArraysAndConstructorsCopyByValue) {
  const std::string source = std::string(kPrelude) + R"(
struct Light { float3 direction; half intensity; bool on; };
struct In { Light lights[2]; int pick; };
struct Out { float4 values[2]; };
static float brightness(Light l) { l.intensity *= 2.0h; return l.on ? float(l.intensity) : 0.0; }
vertex float4 v(constant In& in [[buffer(0)]], device Out& out [[buffer(1)]]) {
  Light a = in.lights[in.pick];
  Light b = a;                   // a copy
  b.direction.x = 99.0;
  Light c = in.pick > 0 ? a : in.lights[0];   // a conditional between structs
  float twice = brightness(a);   // by value: a keeps its intensity
  out.values[in.pick].y = a.direction.x;      // one component of a dynamic element
  out.values[0].w = float(a.intensity);
  float2x2 d = float2x2(3.0);                 // diagonal
  float2x2 s = float2x2(1.0, 2.0, 3.0, 4.0);  // columns (1,2), (3,4)
  half2x2 h = half2x2(s);
  float3x3 k = float3x3(float3(1.0), float3(2.0), float3(3.0));
  return float4(b.direction.x + c.direction.x * 1000.0, twice, d[1][1] + d[0][1] * 10.0 + s[1][0] * 100.0,
                float(h[1][1]) + k[2][0] * 10.0);
}
)";
  Bytes in, out(32);
  // Light: direction@0 (16 bytes), intensity@16, on@18; size 32.
  in.at(32, 5.0f).at(32 + 16, floatToHalf(1.5f)).at(32 + 18, std::uint8_t{1}).at(64, 1);
  ShaderRun r = run(source, "v", {&in, &out});
  EXPECT_EQ(r.f(0), 99.0f + 5.0f * 1000.0f);
  EXPECT_EQ(r.f(1), 3.0f);
  EXPECT_EQ(r.f(2), 3.0f + 0.0f + 300.0f);
  EXPECT_EQ(r.f(3), 4.0f + 30.0f);
  EXPECT_EQ(out.get<float>(16 + 4), 5.0f);  // values[1].y
  EXPECT_EQ(out.get<float>(16 + 0), 0.0f);  // its other components untouched
  EXPECT_EQ(out.get<float>(12), 1.5f);      // values[0].w
}

TEST(ShaderInterpreter, ReturnsLeaveNestedLoopsOfInlinedFunctions) {
  const std::string source = std::string(kPrelude) + R"(
struct In { int target; };
static int2 find(int target) {
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      if (y * 4 + x == target) return int2(x, y);   // two loops and the function
    }
  }
  return int2(-1);
}
static bool anyBits(bool4 b) { return any(b) && !all(b); }
fragment int4 f(constant In& in [[buffer(0)]]) {
  int2 p = find(in.target);
  int2 q = find(in.target + 100);
  bool4 b = bool4(p.x > 0, p.y > 0, false, true);
  bool4 n = !b;
  return int4(p.x + 10 * p.y, q.x, anyBits(b) ? 1 : 0, int(select(0.0, 1.0, n.z)));
}
)";
  Bytes in;
  in.at(0, 9);
  ShaderRun r = run(source, "f", {&in});
  EXPECT_EQ(r.i(0), 1 + 10 * 2);
  EXPECT_EQ(r.i(1), -1);
  EXPECT_EQ(r.i(2), 1);
  EXPECT_EQ(r.i(3), 1);
}

TEST(ShaderInterpreter, MatricesMultiplyAsColumnsOfVectors) {
  const std::string source = std::string(kPrelude) + R"(
struct In { float3x3 m; float3 v; float2x3 n; };
fragment float4 mv(constant In& in [[buffer(0)]]) { return float4(in.m * in.v, 0.0); }
fragment float4 vm(constant In& in [[buffer(0)]]) { return float4(in.v * in.m, 0.0); }
fragment float4 mn(constant In& in [[buffer(0)]]) {
  float2x3 p = in.m * in.n;          // 3x3 times 2x3 (2 columns)
  float3x2 t = transpose(p);
  return float4(p[0].x, p[1].z, t[2].y, determinant(in.m));
}
)";
  // m column-major: columns (1,2,3), (4,5,6), (7,8,10); float3 columns 16 bytes apart.
  const float m[3][3] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 10}};
  const float v[3] = {1, -1, 2};
  const float n[2][3] = {{1, 0, 1}, {0, 2, 1}};
  Bytes in;
  for (int c = 0; c < 3; ++c) {
    for (int r = 0; r < 3; ++r) in.at(16 * c + 4 * r, m[c][r]);
  }
  for (int r = 0; r < 3; ++r) in.at(48 + 4 * r, v[r]);
  for (int c = 0; c < 2; ++c) {
    for (int r = 0; r < 3; ++r) in.at(64 + 16 * c + 4 * r, n[c][r]);
  }
  ShaderRun r = run(source, "mv", {&in});
  for (int row = 0; row < 3; ++row) {
    float expected = 0;
    for (int c = 0; c < 3; ++c) expected += m[c][row] * v[c];
    EXPECT_EQ(r.f(row), expected);
  }
  r = run(source, "vm", {&in});
  for (int c = 0; c < 3; ++c) {
    float expected = 0;
    for (int row = 0; row < 3; ++row) expected += v[row] * m[c][row];
    EXPECT_EQ(r.f(c), expected);
  }
  r = run(source, "mn", {&in});
  const auto product = [&](int col, int row) {
    float s = 0;
    for (int k = 0; k < 3; ++k) s += m[k][row] * n[col][k];
    return s;
  };
  EXPECT_EQ(r.f(0), product(0, 0));
  EXPECT_EQ(r.f(1), product(1, 2));
  EXPECT_EQ(r.f(2), product(1, 2));  // the transpose's column 2, row 1
  EXPECT_EQ(r.f(3), -3.0f);          // 1(50-48) - 4(20-24) + 7(12-15)
}

TEST(ShaderInterpreter, BuffersAreReadAndWrittenAtTheirLayoutOffsets) {
  const std::string source = std::string(kPrelude) + R"(
struct Item { bool flag; char c; half h; packed_float3 p; float3 q; };
struct In { Item items[2]; int k; };
struct Out { float values[6]; uint count; };
vertex float4 v(constant In& in [[buffer(0)]], device Out& out [[buffer(1)]]) {
  Item it = in.items[in.k];
  out.values[0] = it.flag ? 1.0 : 0.0;
  out.values[1] = it.c;
  out.values[2] = it.h;
  out.values[3] = it.p.z;
  out.values[4] = it.q.y;
  out.values[in.k + 4] = 8.0;
  out.count += 1u;
  return float4(0.0);
}
)";
  // Item: flag@0, c@1, h@2, p@4 (12 bytes), q@16, size 32.
  Bytes in, out;
  in.at(32 + 0, std::uint8_t{1}).at(32 + 1, std::int8_t{-5}).at(32 + 2, floatToHalf(0.5f));
  in.at(32 + 12, 6.5f).at(32 + 20, -1.5f).at(64, 1);
  out.at(24, 41u);
  ShaderRun r = run(source, "v", {&in, &out});
  EXPECT_EQ(out.get<float>(0), 1.0f);
  EXPECT_EQ(out.get<float>(4), -5.0f);
  EXPECT_EQ(out.get<float>(8), 0.5f);
  EXPECT_EQ(out.get<float>(12), 6.5f);
  EXPECT_EQ(out.get<float>(16), -1.5f);
  EXPECT_EQ(out.get<float>(20), 8.0f);
  EXPECT_EQ(out.get<std::uint32_t>(24), 42u);
  // A read beyond the bound buffer gives 0; a write there is dropped.
  Bytes small(8);
  r = run(source, "v", {&in, &small});
  EXPECT_EQ(small.get<float>(0), 1.0f);
  EXPECT_EQ(small.get<float>(4), -5.0f);
}

TEST(ShaderInterpreter, TexturesAndDerivativesGoThroughTheHooks) {
  struct Hooks : ExecutionHooks {
    void derivative(Opcode op, Scalar, const Register& value, std::uint8_t mask, Register& out) override {
      for (unsigned c = 0; c < 4; ++c) {
        if (mask & (1u << c)) out[c] = bits(std::bit_cast<float>(value[c]) * (op == Opcode::Dfdx ? 2.0f : 3.0f));
      }
    }
    void sample(const Instruction& i, const Register& coordinate, const Register& first,
                const Register& second, Register& out) override {
      samples.push_back({i.aux, i.offset, i.sampleOption, coordinate, first, second});
      out = {bits(0.25f), bits(0.5f), bits(0.75f), bits(1.0f)};
    }
    std::uint32_t textureSize(std::uint32_t slot, std::uint32_t level, unsigned dimension) override {
      return 1000 * slot + 10 * level + dimension;
    }
    struct Call {
      std::uint32_t texture, sampler, option;
      Register coordinate, first, second;
    };
    std::vector<Call> samples;
  } hooks;
  const std::string source = std::string(kPrelude) + R"(
struct V { float4 position [[position]]; float2 uv; };
fragment float4 f(V in [[stage_in]], texture2d<float> a [[texture(2)]], sampler s [[sampler(3)]],
                  texturecube<float> c [[texture(4)]], depth2d<float> d [[texture(5)]]) {
  float4 x = a.sample(s, in.uv, bias(1.5));
  float4 y = c.sample(s, float3(in.uv, 1.0), level(2.0));
  float z = d.sample_compare(s, in.uv, 0.5);
  float2 g = dfdx(in.uv) + dfdy(in.uv);
  return float4(x.y + y.z + z, g, float(a.get_height(1)));
}
)";
  ShaderRun r;
  r.function = compileFunction(source, "f");
  ASSERT_TRUE(r.function);
  r.invocation = prepareInvocation(*r.function);
  const InterfaceValue* uv = nullptr;
  for (const auto& v : r.function->inputs) {
    if (v.name == "uv") uv = &v;
  }
  ASSERT_NE(uv, nullptr);
  setInput(r.invocation, *uv, {bits(0.125f), bits(0.375f), 0, 0});
  interpret(*r.function, r.invocation, {}, &hooks);
  ASSERT_EQ(hooks.samples.size(), 3u);
  EXPECT_EQ(hooks.samples[0].texture, 2u);
  EXPECT_EQ(hooks.samples[0].sampler, 3u);
  EXPECT_EQ(hooks.samples[0].option, static_cast<std::uint32_t>(SampleOption::Bias));
  EXPECT_EQ(hooks.samples[0].first[0], bits(1.5f));
  EXPECT_EQ(hooks.samples[1].texture, 4u);
  EXPECT_EQ(hooks.samples[1].coordinate[2], bits(1.0f));
  EXPECT_EQ(hooks.samples[1].first[0], bits(2.0f));
  EXPECT_EQ(hooks.samples[2].first[0], bits(0.5f));  // the reference value
  EXPECT_EQ(r.f(0), 0.5f + 0.75f + 0.25f);
  EXPECT_EQ(r.f(1), 0.125f * 5.0f);
  EXPECT_EQ(r.f(2), 0.375f * 5.0f);
  EXPECT_EQ(r.f(3), 2011.0f);
  EXPECT_TRUE(r.function->usesDerivatives);
}

TEST(ShaderInterpreter, AsTypeReinterpretsBytes) {
  const std::string source = std::string(kPrelude) + R"(
struct In { float f; uint u; };
fragment uint4 f(constant In& in [[buffer(0)]]) {
  half2 h = as_type<half2>(in.u);
  uchar4 c = as_type<uchar4>(in.u);
  return uint4(as_type<uint>(in.f), as_type<ushort>(h.y), c.x, as_type<uint>(float(h.x)));
}
)";
  Bytes in;
  in.at(0, -1.5f).at(4, 0x3C00C000u);  // halves -2.0 (low) and 1.0 (high)
  ShaderRun r = run(source, "f", {&in});
  EXPECT_EQ(r.output()[0], bits(-1.5f));
  EXPECT_EQ(r.output()[1], 0x3C00u);
  EXPECT_EQ(r.output()[2], 0x00u);
  EXPECT_EQ(r.output()[3], bits(-2.0f));
}

}  // namespace
}  // namespace mtl::msl::test

namespace mtl::msl::test {
namespace {

// The shape of Metal the GLSL-to-Metal converter prints (its subset
// document, shadercompiler/optimizer/metal_subset.md), written out by hand
// with each construct the document lists, and the values of those whose
// meaning is easy to get wrong.
const char* const kConverterShape = R"(#include <metal_stdlib>
using namespace metal;

struct Light {
  float3 position;
  float range;
  float b[2];
};

struct gl_Uniforms {
  float4x3 m43;
  float3x4 m34;
  float2x2 m2;
  int pick;
  bool flag;
  bool2 flags;
  Light lights[2];
  float k[3];
};

struct gl_FragmentIn {
  float4 gl_FragCoord [[position]];
  float2 uv;
  float4 gl_m_0;
  float4 gl_m_1;
};

struct gl_FragmentOut {
  float4 gl_FragColor [[color(0)]];
};

fragment gl_FragmentOut xlatMtlMain(gl_FragmentIn gl_in [[stage_in]], constant gl_Uniforms& gl_uniforms [[buffer(0)]], bool gl_FrontFacing [[front_facing]], float2 gl_PointCoord [[point_coord]]) {
  gl_FragmentOut gl_out = {};
  const float gl_table_1[3] = {0.25, 0.5, 1.0e-07};
  const Light gl_lights_2[2] = {{float3(1.0, 2.0, 3.0), 4.0, {5.0, 6.0}}, {float3(0.0), 0.0, {0.0, 0.0}}};
  float4x2 m = float4x2(0.0);
  float2 v[2] = {};
  Light l = {};
  int gl_tmp_1 = (-2147483647 - 1);
  float big = 3.4028235e+38;
  float inf = (1.0 / 0.0);
  float gl_nan = (0.0 / 0.0);
  bool x = gl_uniforms.flag != gl_FrontFacing;
  float4 acc = float4(0.0);
  l = Light{gl_in.gl_m_0.xyz, gl_in.gl_m_0.w, {gl_in.uv.x, gl_in.uv.y}};
  m[1] = gl_in.uv;
  m[2][1] = -gl_in.uv.x;
  v[1].y = gl_table_1[gl_uniforms.pick];
  acc.xz = float2(float(gl_tmp_1 == (-2147483647 - 1)), float(x));
  for (;;) {
    if (acc.y >= 3.0)
      break;
    acc.y = acc.y + 1.0;
    if (acc.y < 2.0) {
      continue;
    } else {
      acc.w = acc.w + 1.0;
    }
  }
  if (!all(gl_uniforms.flags == bool2(true, false)))
    discard_fragment();
  float4 r4 = float3(1.0, 2.0, 3.0) * gl_uniforms.m43;
  float3 c3 = gl_uniforms.m43 * float4(1.0) + (gl_uniforms.m34 * float3(1.0)).xyz.xyz;
  float3x3 p = gl_uniforms.m43 * gl_uniforms.m34;
  float2x2 q = -(gl_uniforms.m2 + gl_uniforms.m2 * 2.0) / 3.0;
  float s = dot(normalize(r4), float4(1.0, 0.0, 0.0, 0.0)) + fma(big, 0.0, 1.0) + rsqrt(4.0) + exp2(1.0) +
            pow(2.0, 3.0) + clamp(mix(0.0, 1.0, 0.5), 0.0, 1.0) + sign(-2.0) + fract(1.25) +
            min(inf, 1.0) + max(abs(-1.0), 0.0) + floor(1.5) + ceil(1.5) + sqrt(4.0) + exp(0.0) +
            log(1.0) + log2(1.0) + sin(0.0) + cos(0.0) + float(any(bool2(int2(0, 1)))) +
            float(int(-1.75)) + float(bool(gl_nan != gl_nan)) + dfdx(0.0) + dfdy(0.0);
  // The rest only has to be accepted; the code generator drops it.
  float4 unused = float4(s + c3.x + p[0][0] + q[1][1] + m[1].y + v[1].y + l.b[1] + gl_lights_2[0].b[1] +
                         gl_uniforms.lights[1].b[0] + gl_uniforms.k[2] + gl_in.gl_FragCoord.x + gl_PointCoord.y);
  gl_out.gl_FragColor = float4(acc.x, acc.y, acc.z, acc.w) * 1.0;
  return gl_out;
}

struct gl_VertexIn {
  float4 p [[attribute(0)]];
  float2 t [[attribute(1)]];
};

struct gl_VertexOut {
  float4 gl_Position [[position]];
  float gl_PointSize [[point_size]];
  float2 uv;
};

vertex gl_VertexOut vertexShape(gl_VertexIn gl_in [[stage_in]], texture2d<float> heights [[texture(0)]], sampler gl_sampler_0 [[sampler(0)]], texturecube<float> sky [[texture(1)]], sampler gl_sampler_1 [[sampler(1)]]) {
  gl_VertexOut gl_out = {};
  float4 h = heights.sample(gl_sampler_0, float2(gl_in.t.x, 1.0 - gl_in.t.y), level(0.0));
  float4 c = sky.sample(gl_sampler_1, float3(1.0, -0.5, 0.25), level(1.0));
  float4 g = heights.sample(gl_sampler_0, gl_in.t, gradient2d(float2(1.0), -float2(0.0, 1.0)));
  float4 gc = sky.sample(gl_sampler_1, float3(1.0), gradientcube(float3(0.0), float3(1.0)));
  gl_out.gl_Position = gl_in.p + h + c + g + gc;
  gl_out.gl_Position.z = (gl_out.gl_Position.z + gl_out.gl_Position.w) * 0.5;
  gl_out.gl_PointSize = 1.0;
  gl_out.uv = gl_in.t;
  return gl_out;
}

fragment gl_FragmentOut biased(gl_FragmentIn gl_in [[stage_in]], texture2d<float> t [[texture(0)]], sampler gl_sampler_0 [[sampler(0)]]) {
  gl_FragmentOut gl_out = {};
  gl_out.gl_FragColor = t.sample(gl_sampler_0, gl_in.uv, bias(1.0));
  return gl_out;
}
)";

TEST(ShaderInterpreter, TheConvertersShapeOfMetalCompilesAndMeansWhatItSays) {
  const CompileResult r = compile(kConverterShape);
  ASSERT_TRUE(r.ok()) << r.errors;
  for (const auto& f : r.functions) EXPECT_EQ(verify(*f), "") << f->name;
  // gl_Uniforms as the document lays it out: float4x3 is four float3
  // columns of 16 bytes, float3x4 three float4 ones, float2x2 two float2
  // ones; the bools take a byte each, bool2 two at an even offset.
  Bytes uniforms(512);
  uniforms.at(128, 1);           // pick
  uniforms.at(132, true);        // flag
  uniforms.at(134, true);        // flags.x
  ShaderRun run1 = run(kConverterShape, "xlatMtlMain", {&uniforms});
  ASSERT_TRUE(run1.function);
  EXPECT_FALSE(run1.invocation.discarded);
  EXPECT_EQ(run1.f(0), 1.0f);  // (-2147483647 - 1) is INT_MIN
  EXPECT_EQ(run1.f(1), 3.0f);  // the loop ran to its break
  EXPECT_EQ(run1.f(2), 1.0f);  // bool != bool: flag (true) and gl_FrontFacing (false) differ
  EXPECT_EQ(run1.f(3), 2.0f);  // continue skipped the else branch once
  uniforms.at(135, true);      // flags.y: the one-line if discards
  ShaderRun run2 = run(kConverterShape, "xlatMtlMain", {&uniforms});
  EXPECT_TRUE(run2.invocation.discarded);
}

}  // namespace
}  // namespace mtl::msl::test
