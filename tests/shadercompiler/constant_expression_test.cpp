#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/ir_builder.h"
#include "shadercompiler/ir/support/ralloc.h"

namespace {

class FoldTest : public ::testing::Test {
 protected:
  void TearDown() override { ralloc_free(ctx); }

  ir_constant *c(float f) { return new (ctx) ir_constant(f); }
  ir_constant *c(int i) { return new (ctx) ir_constant(i); }
  ir_constant *c(unsigned u) { return new (ctx) ir_constant(u); }
  ir_constant *vec(std::initializer_list<float> values) {
    exec_list list;
    for (float f : values) list.push_tail(c(f));
    return new (ctx) ir_constant(glsl_type::vec(values.size()), &list);
  }
  ir_constant *mat2(float a, float b, float cc, float d) {
    ir_constant_data data{};
    data.f[0] = a; data.f[1] = b; data.f[2] = cc; data.f[3] = d;
    return new (ctx) ir_constant(glsl_type::mat2_type, &data);
  }
  ir_constant *fold(int op, ir_rvalue *a) {
    return (new (ctx) ir_expression(op, a))->constant_expression_value();
  }
  ir_constant *fold(int op, ir_rvalue *a, ir_rvalue *b) {
    return (new (ctx) ir_expression(op, a, b))->constant_expression_value();
  }
  ir_constant *fold(int op, ir_rvalue *a, ir_rvalue *b, ir_rvalue *d) {
    return (new (ctx) ir_expression(op, a, b, d))->constant_expression_value();
  }
  static uint32_t bits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
  }

  void *ctx = ralloc_context(nullptr);
};

TEST_F(FoldTest, DivisionAndRemainder) {
  EXPECT_EQ(fold(ir_unop_rcp, c(0.0f))->value.f[0], 0.0f);
  EXPECT_TRUE(std::isinf(fold(ir_binop_div, c(1.0f), c(0.0f))->value.f[0]));
  EXPECT_EQ(fold(ir_binop_div, c(7), c(0))->value.i[0], 0);
  EXPECT_EQ(fold(ir_binop_mod, c(7), c(0))->value.i[0], 0);
  EXPECT_EQ(fold(ir_binop_mod, c(-7), c(3))->value.i[0], -1);
  EXPECT_EQ(fold(ir_binop_mod, c(-7.0f), c(3.0f))->value.f[0], 2.0f);
  EXPECT_EQ(fold(ir_binop_div, c(INT_MIN), c(-1))->value.i[0], INT_MIN);
  EXPECT_EQ(fold(ir_binop_mod, c(INT_MIN), c(-1))->value.i[0], 0);
  EXPECT_EQ(fold(ir_binop_div, c(7u), c(0u))->value.u[0], 0u);
  EXPECT_EQ(fold(ir_unop_abs, c(INT_MIN))->value.i[0], INT_MIN);
  EXPECT_EQ(fold(ir_unop_neg, c(INT_MIN))->value.i[0], INT_MIN);
  EXPECT_EQ(fold(ir_binop_add, c(INT_MAX), c(1))->value.i[0], INT_MIN);
  EXPECT_EQ(fold(ir_binop_mul, c(65536), c(65536))->value.i[0], 0);
}

TEST_F(FoldTest, ShiftsAndBits) {
  EXPECT_EQ(fold(ir_binop_lshift, c(1), c(33))->value.i[0], 2);
  EXPECT_EQ(fold(ir_binop_lshift, c(1), c(-1))->value.u[0], 0x80000000u);
  EXPECT_EQ(fold(ir_binop_rshift, c(-8), c(1))->value.i[0], -4);
  EXPECT_EQ(fold(ir_binop_rshift, c(0x80000000u), c(31))->value.u[0], 1u);
  EXPECT_EQ(fold(ir_unop_find_msb, c(0))->value.i[0], -1);
  EXPECT_EQ(fold(ir_unop_find_msb, c(-1))->value.i[0], -1);
  EXPECT_EQ(fold(ir_unop_find_msb, c(1))->value.i[0], 0);
  EXPECT_EQ(fold(ir_unop_find_msb, c(-2))->value.i[0], 0);
  EXPECT_EQ(fold(ir_unop_find_msb, c(0x80000000u))->value.i[0], 31);
  EXPECT_EQ(fold(ir_unop_find_lsb, c(8))->value.i[0], 3);
  EXPECT_EQ(fold(ir_unop_bitfield_reverse, c(1u))->value.u[0], 0x80000000u);
  EXPECT_EQ(fold(ir_unop_bit_count, c(-1))->value.i[0], 32);
  EXPECT_EQ(fold(ir_triop_bitfield_extract, c(0xF0), c(4), c(4))->value.i[0], -1);
  EXPECT_EQ(fold(ir_triop_bitfield_extract, c(0xF0u), c(4), c(4))->value.u[0], 15u);
  EXPECT_EQ(fold(ir_triop_bitfield_extract, c(0xF0u), c(30), c(4))->value.u[0], 0u);
  ir_expression *insert = new (ctx) ir_expression(ir_quadop_bitfield_insert, glsl_type::uint_type,
                                                  c(0xFFu), c(0u), c(4), c(4));
  EXPECT_EQ(insert->constant_expression_value()->value.u[0], 0x0Fu);
  EXPECT_EQ(fold(ir_binop_bfm, c(4), c(8))->value.u[0], 0xF00u);
}

TEST_F(FoldTest, RoundingPackingAndHalves) {
  EXPECT_EQ(fold(ir_unop_round_even, c(2.5f))->value.f[0], 2.0f);
  EXPECT_EQ(fold(ir_unop_round_even, c(3.5f))->value.f[0], 4.0f);
  EXPECT_EQ(fold(ir_unop_round_even, c(-2.5f))->value.f[0], -2.0f);
  EXPECT_EQ(fold(ir_unop_pack_snorm_2x16, vec({1.0f, -1.0f}))->value.u[0], 0x80017FFFu);
  EXPECT_EQ(fold(ir_unop_pack_half_2x16, vec({1.0f, -2.0f}))->value.u[0], 0xC0003C00u);
  EXPECT_EQ(fold(ir_unop_pack_unorm_4x8, vec({0.0f, 1.0f, 0.5f, 2.0f}))->value.u[0], 0xFF80FF00u);
  ir_constant *nan_half = fold(ir_unop_unpack_half_2x16, c(0x7C01u));
  EXPECT_EQ(bits(nan_half->value.f[0]), 0x7F800001u);
  ir_constant *snorm = fold(ir_unop_unpack_snorm_2x16, c(0x80017FFFu));
  EXPECT_EQ(snorm->value.f[0], 1.0f);
  EXPECT_EQ(snorm->value.f[1], -1.0f);
  EXPECT_EQ(fold(ir_unop_normalize, vec({0.0f, 0.0f})), nullptr);
  ir_constant *n = fold(ir_unop_normalize, vec({3.0f, 4.0f}));
  EXPECT_FLOAT_EQ(n->value.f[0], 0.6f);
  EXPECT_EQ(fold(ir_binop_ldexp, c(1.0f), c(200))->value.f[0], 0.0f);
  EXPECT_EQ(bits(fold(ir_binop_ldexp, c(-1.0f), c(-140))->value.f[0]), 0x80000000u);
  EXPECT_EQ(fold(ir_binop_ldexp, c(1.5f), c(3))->value.f[0], 12.0f);
  EXPECT_EQ(fold(ir_unop_f2u, c(-3.0f))->value.u[0], 0u);
  EXPECT_EQ(fold(ir_unop_f2i, c(1e20f))->value.i[0], INT_MAX);
  EXPECT_EQ(fold(ir_unop_f2i, c(NAN))->value.i[0], 0);
}

TEST_F(FoldTest, MinMaxAndComparisons) {
  EXPECT_EQ(bits(fold(ir_binop_min, c(0.0f), c(-0.0f))->value.f[0]), 0x80000000u);
  EXPECT_EQ(bits(fold(ir_binop_max, c(-0.0f), c(0.0f))->value.f[0]), 0u);
  EXPECT_EQ(fold(ir_binop_min, c(NAN), c(2.0f))->value.f[0], 2.0f);
  EXPECT_EQ(fold(ir_binop_max, c(-1), c(-3))->value.i[0], -1);
  EXPECT_EQ(fold(ir_binop_max, c(1u), c(0xFFFFFFFFu))->value.u[0], 0xFFFFFFFFu);
  ir_constant *less = fold(ir_binop_less, vec({1.0f, 3.0f}), vec({2.0f, 2.0f}));
  EXPECT_TRUE(less->value.b[0]);
  EXPECT_FALSE(less->value.b[1]);
  EXPECT_TRUE(fold(ir_binop_equal, c(0.0f), c(-0.0f))->value.b[0]);
  ir_constant *max_scalar = fold(ir_binop_max, vec({1.0f, 5.0f}), c(2.0f));
  EXPECT_EQ(max_scalar->value.f[0], 2.0f);
  EXPECT_EQ(max_scalar->value.f[1], 5.0f);
}

// The packing built-ins against the published GLSL formulas (GLSL ES 3.00,
// 8.4), evaluated here with the C library in single precision as a shader
// would: packUnorm = round(clamp(c, 0, 1) x scale), packSnorm = round(
// clamp(c, -1, 1) x scale), with round to nearest even and clamp through
// fmin/fmax (a NaN yields the bound it is compared with first, the lower).
uint32_t published_pack(float c, bool is_signed, float scale, uint32_t mask) {
  const float clamped = std::fmin(std::fmax(c, is_signed ? -1.0f : 0.0f), 1.0f);
  const float rounded = std::nearbyint(clamped * scale);
  return static_cast<uint32_t>(static_cast<int32_t>(rounded)) & mask;
}

TEST_F(FoldTest, PackingFollowsThePublishedFormulas) {
  // Every tie point k + 1/2 of each scale and its neighbours, values past the
  // range, both zeros, infinities and NaN.
  std::vector<float> values = {0.0f, -0.0f, 1.0f, -1.0f, 2.0f, -2.0f, INFINITY, -INFINITY, NAN,
                               -NAN, 1e-40f, -1e-40f, 0.99999994f, -0.99999994f};
  for (float scale : {255.0f, 127.0f, 65535.0f, 32767.0f}) {
    const int stride = scale > 300.0f ? 37 : 1;
    for (int k = -static_cast<int>(scale) - 1; k <= static_cast<int>(scale); k += stride) {
      float x = static_cast<float>((k + 0.5) / scale);
      for (int step = 0; step < 2; ++step) x = std::nextafter(x, -2.0f);
      for (int step = 0; step < 5; ++step, x = std::nextafter(x, 2.0f)) values.push_back(x);
    }
  }
  int ties = 0;
  for (std::size_t i = 0; i + 3 < values.size(); i += 3) {
    const float a = values[i], b = values[i + 1], d = values[i + 2], e = values[i + 3];
    EXPECT_EQ(fold(ir_unop_pack_unorm_2x16, vec({a, b}))->value.u[0],
              published_pack(a, false, 65535.0f, 0xFFFF) |
                  published_pack(b, false, 65535.0f, 0xFFFF) << 16)
        << a << " " << b;
    EXPECT_EQ(fold(ir_unop_pack_snorm_2x16, vec({a, b}))->value.u[0],
              published_pack(a, true, 32767.0f, 0xFFFF) |
                  published_pack(b, true, 32767.0f, 0xFFFF) << 16)
        << a << " " << b;
    uint32_t unorm = 0, snorm = 0;
    const float four[4] = {a, b, d, e};
    for (int c = 0; c < 4; ++c) {
      unorm |= published_pack(four[c], false, 255.0f, 0xFF) << (8 * c);
      snorm |= published_pack(four[c], true, 127.0f, 0xFF) << (8 * c);
      const float product = std::fmin(std::fmax(four[c], 0.0f), 1.0f) * 255.0f;
      if (product - std::floor(product) == 0.5f) ++ties;
    }
    EXPECT_EQ(fold(ir_unop_pack_unorm_4x8, vec({a, b, d, e}))->value.u[0], unorm) << a;
    EXPECT_EQ(fold(ir_unop_pack_snorm_4x8, vec({a, b, d, e}))->value.u[0], snorm) << a;
  }
  EXPECT_GT(ties, 20);  // the sweep reaches the ties it is about
  // The ends: NaN packs as the lower bound, whatever its sign.
  EXPECT_EQ(fold(ir_unop_pack_snorm_2x16, vec({NAN, -NAN}))->value.u[0], 0x80018001u);
  EXPECT_EQ(fold(ir_unop_pack_unorm_4x8, vec({NAN, 1.0f, NAN, 0.0f}))->value.u[0], 0x0000FF00u);
}

// Unpacking: unpackUnorm = f / scale, unpackSnorm = clamp(f / scale, -1, 1)
// for every 8- and 16-bit pattern. The folder multiplies by the float
// nearest 1/scale, which may differ from the quotient in the last bit; the
// ends and zero are exact.
TEST_F(FoldTest, UnpackingFollowsThePublishedFormulas) {
  auto ulps = [](float a, float b) {
    return std::abs(static_cast<int64_t>(bits(a)) - static_cast<int64_t>(bits(b)));
  };
  for (uint32_t v = 0; v < 65536; v += 1 + (v > 300 && v < 65000 ? 7 : 0)) {
    const uint32_t packed = v | (65535u - v) << 16;
    ir_constant *u = fold(ir_unop_unpack_unorm_2x16, c(packed));
    ir_constant *s = fold(ir_unop_unpack_snorm_2x16, c(packed));
    for (int k = 0; k < 2; ++k) {
      const uint32_t field = k == 0 ? v : 65535u - v;
      const float unorm = static_cast<float>(field) / 65535.0f;
      const float snorm = std::fmin(
          std::fmax(static_cast<float>(static_cast<int16_t>(field)) / 32767.0f, -1.0f), 1.0f);
      EXPECT_LE(ulps(u->value.f[k], unorm), 1) << field;
      EXPECT_LE(ulps(s->value.f[k], snorm), 1) << field;
    }
  }
  for (uint32_t byte = 0; byte < 256; ++byte) {
    const uint32_t packed = byte | (255 - byte) << 8 | (byte ^ 0x80) << 16 | (byte ^ 0x7F) << 24;
    ir_constant *u = fold(ir_unop_unpack_unorm_4x8, c(packed));
    ir_constant *s = fold(ir_unop_unpack_snorm_4x8, c(packed));
    for (int k = 0; k < 4; ++k) {
      const uint32_t field = (packed >> (8 * k)) & 0xFF;
      EXPECT_LE(ulps(u->value.f[k], static_cast<float>(field) / 255.0f), 1) << field;
      EXPECT_LE(ulps(s->value.f[k], std::fmin(std::fmax(static_cast<float>(
                                                            static_cast<int8_t>(field)) / 127.0f,
                                                        -1.0f), 1.0f)),
                1)
          << field;
    }
  }
  ir_constant *ends = fold(ir_unop_unpack_snorm_4x8, c(0x0080817Fu));
  EXPECT_EQ(ends->value.f[0], 1.0f);
  EXPECT_EQ(ends->value.f[1], -1.0f);
  EXPECT_EQ(ends->value.f[2], -1.0f);  // -128 clamps to -1
  EXPECT_EQ(bits(ends->value.f[3]), 0u);
  EXPECT_EQ(fold(ir_unop_unpack_unorm_2x16, c(0xFFFF0000u))->value.f[1], 1.0f);
}

// NaN in the ordered comparisons (every one false) and in min and max
// (IEEE minNum/maxNum: the other operand), against the host's operators and
// fmin/fmax over specials and ordinary values in every pairing.
TEST_F(FoldTest, NaNInComparisonsAndMinMax) {
  const float specials[] = {NAN, -NAN, INFINITY, -INFINITY, 1.5f, -2.0f, 3e38f, 1e-45f};
  int nan_pairs = 0;
  for (float x : specials) {
    for (float y : specials) {
      EXPECT_EQ(fold(ir_binop_less, c(x), c(y))->value.b[0], x < y) << x << " " << y;
      EXPECT_EQ(fold(ir_binop_greater, c(x), c(y))->value.b[0], x > y) << x << " " << y;
      EXPECT_EQ(fold(ir_binop_lequal, c(x), c(y))->value.b[0], x <= y) << x << " " << y;
      EXPECT_EQ(fold(ir_binop_gequal, c(x), c(y))->value.b[0], x >= y) << x << " " << y;
      EXPECT_EQ(fold(ir_binop_equal, c(x), c(y))->value.b[0], x == y) << x << " " << y;
      EXPECT_EQ(fold(ir_binop_nequal, c(x), c(y))->value.b[0], x != y) << x << " " << y;
      const float low = fold(ir_binop_min, c(x), c(y))->value.f[0];
      const float high = fold(ir_binop_max, c(x), c(y))->value.f[0];
      if (std::isnan(x) && std::isnan(y)) {
        EXPECT_TRUE(std::isnan(low) && std::isnan(high));
        continue;
      }
      if (std::isnan(x) || std::isnan(y)) ++nan_pairs;
      EXPECT_EQ(bits(low), bits(std::fmin(x, y))) << x << " " << y;
      EXPECT_EQ(bits(high), bits(std::fmax(x, y))) << x << " " << y;
    }
  }
  EXPECT_EQ(nan_pairs, 24);
  // Per component in vectors, with a scalar operand broadcast.
  ir_constant *v = fold(ir_binop_max, vec({NAN, 1.0f, -INFINITY}), c(NAN));
  EXPECT_EQ(bits(v->value.f[1]), bits(1.0f));
  EXPECT_EQ(v->value.f[2], -INFINITY);
}

TEST_F(FoldTest, MatrixProducts) {
  ir_constant *m = mat2(1, 2, 3, 4);  // columns (1,2) and (3,4)
  ir_constant *mv = fold(ir_binop_mul, m, vec({1.0f, 1.0f}));
  EXPECT_EQ(mv->type, glsl_type::vec2_type);
  EXPECT_EQ(mv->value.f[0], 4.0f);
  EXPECT_EQ(mv->value.f[1], 6.0f);
  ir_constant *vm = fold(ir_binop_mul, vec({1.0f, 1.0f}), mat2(1, 2, 3, 4));
  EXPECT_EQ(vm->value.f[0], 3.0f);
  EXPECT_EQ(vm->value.f[1], 7.0f);
  ir_constant *mm = fold(ir_binop_mul, mat2(1, 2, 3, 4), mat2(0, 1, 1, 0));
  EXPECT_EQ(mm->type, glsl_type::mat2_type);
  const float expected[4] = {3, 4, 1, 2};
  for (int i = 0; i < 4; i++) EXPECT_EQ(mm->value.f[i], expected[i]);
  EXPECT_EQ(fold(ir_binop_dot, vec({1, 2, 3}), vec({4, 5, 6}))->value.f[0], 32.0f);
}

TEST_F(FoldTest, SwizzlesAndDereferences) {
  ir_swizzle *zx = ir_swizzle::create(vec({1, 2, 3}), "zx", 3);
  ir_constant *v = zx->constant_expression_value();
  EXPECT_EQ(v->type, glsl_type::vec2_type);
  EXPECT_EQ(v->value.f[0], 3.0f);
  EXPECT_EQ(v->value.f[1], 1.0f);

  auto *column = new (ctx) ir_dereference_array(mat2(1, 2, 3, 4), c(1));
  ir_constant *col = column->constant_expression_value();
  EXPECT_EQ(col->type, glsl_type::vec2_type);
  EXPECT_EQ(col->value.f[0], 3.0f);
  EXPECT_EQ((new (ctx) ir_dereference_array(mat2(1, 2, 3, 4), c(2)))->constant_expression_value(),
            nullptr);
  EXPECT_EQ((new (ctx) ir_dereference_array(vec({1, 2}), c(5)))->constant_expression_value(),
            nullptr);
  ir_constant *y = (new (ctx) ir_dereference_array(vec({1, 2}), c(1)))->constant_expression_value();
  EXPECT_EQ(y->type, glsl_type::float_type);
  EXPECT_EQ(y->value.f[0], 2.0f);

  const glsl_type *arr = glsl_type::get_array_instance(glsl_type::float_type, 2);
  exec_list items;
  items.push_tail(c(5.0f));
  items.push_tail(c(6.0f));
  auto *array = new (ctx) ir_constant(arr, &items);
  EXPECT_EQ((new (ctx) ir_dereference_array(array, c(-3)))->constant_expression_value()->value.f[0],
            5.0f);
  EXPECT_EQ((new (ctx) ir_dereference_array(array, c(9)))->constant_expression_value()->value.f[0],
            6.0f);
  ir_constant *same = fold(ir_binop_all_equal, array, array->clone(ctx, nullptr));
  EXPECT_EQ(same->type, glsl_type::bool_type);
  EXPECT_TRUE(same->value.b[0]);
  EXPECT_EQ(fold(ir_binop_less, array, array), nullptr);

  ir_variable *k = new (ctx) ir_variable(glsl_type::float_type, "k", ir_var_auto,
                                         glsl_precision_undefined);
  k->constant_value = c(9.0f);
  ir_constant *kv = (new (ctx) ir_dereference_variable(k))->constant_expression_value();
  EXPECT_EQ(kv->value.f[0], 9.0f);
  EXPECT_NE(kv, k->constant_value);
  k->data.mode = ir_var_uniform;
  EXPECT_EQ((new (ctx) ir_dereference_variable(k))->constant_expression_value(), nullptr);

  ir_constant *extract = fold(ir_binop_vector_extract, vec({1, 2, 3}), c(-5));
  EXPECT_EQ(extract->value.f[0], 1.0f);
  EXPECT_EQ(fold(ir_binop_vector_extract, vec({1, 2, 3}), c(9))->value.f[0], 3.0f);
  EXPECT_EQ(fold(ir_triop_vector_insert, vec({1, 2, 3}), c(7.0f), c(1))->value.f[1], 7.0f);
  EXPECT_EQ(fold(ir_triop_vector_insert, vec({1, 2, 3}), c(7.0f), c(3)), nullptr);
  EXPECT_EQ(fold(ir_triop_clamp, c(2.0f), c(0.0f), c(1.0f))->value.f[0], 1.0f);
  ir_constant *clamped = fold(ir_triop_clamp, vec({-1, 0.5f, 3}), c(0.0f), c(1.0f));
  EXPECT_EQ(clamped->value.f[0], 0.0f);
  EXPECT_EQ(clamped->value.f[1], 0.5f);
  EXPECT_EQ(clamped->value.f[2], 1.0f);
  EXPECT_EQ(fold(ir_triop_lrp, c(1.0f), c(3.0f), c(0.5f))->value.f[0], 2.0f);
  auto *texture = new (ctx) ir_texture(ir_tex);
  EXPECT_EQ(texture->constant_expression_value(), nullptr);
}

// Sweeps of operations against the host's own arithmetic: float functions
// against the C library, integer operations against 64-bit arithmetic
// reduced to 32 bits.
TEST_F(FoldTest, AgreesWithHostArithmetic) {
  uint64_t state = 12345;
  auto next = [&state] {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<uint32_t>(state >> 32);
  };
  for (int n = 0; n < 500; n++) {
    const float x = static_cast<float>(static_cast<int32_t>(next())) / 65536.0f;
    const float y = static_cast<float>(next() % 2000 + 1) / 64.0f;
    EXPECT_EQ(fold(ir_unop_sin, c(x))->value.f[0], std::sin(x));
    EXPECT_EQ(fold(ir_unop_floor, c(x))->value.f[0], std::floor(x));
    EXPECT_EQ(fold(ir_unop_sqrt, c(y))->value.f[0], std::sqrt(y));
    EXPECT_EQ(fold(ir_binop_pow, c(y), c(0.5f))->value.f[0], std::pow(y, 0.5f));
    EXPECT_EQ(fold(ir_binop_add, c(x), c(y))->value.f[0], x + y);
    EXPECT_EQ(fold(ir_binop_mul, c(x), c(y))->value.f[0], x * y);
    EXPECT_EQ(fold(ir_binop_mod, c(x), c(y))->value.f[0],
              std::fma(-y, std::floor(x / y), x));

    const int32_t a = static_cast<int32_t>(next()), b = static_cast<int32_t>(next() | 1);
    const int64_t wide_a = a, wide_b = b;
    EXPECT_EQ(fold(ir_binop_add, c(a), c(b))->value.i[0],
              static_cast<int32_t>(static_cast<uint32_t>(wide_a + wide_b)));
    EXPECT_EQ(fold(ir_binop_mul, c(a), c(b))->value.i[0],
              static_cast<int32_t>(static_cast<uint32_t>(wide_a * wide_b)));
    EXPECT_EQ(fold(ir_binop_div, c(a), c(b))->value.i[0],
              static_cast<int32_t>(wide_a / wide_b));
    EXPECT_EQ(fold(ir_binop_mod, c(a), c(b))->value.i[0],
              static_cast<int32_t>(wide_a % wide_b));
    const unsigned shift = next() % 32;
    EXPECT_EQ(fold(ir_binop_rshift, c(a), c(static_cast<int>(shift)))->value.i[0],
              static_cast<int32_t>(wide_a >> shift));
    EXPECT_EQ(fold(ir_binop_lshift, c(static_cast<unsigned>(a)), c(shift))->value.u[0],
              static_cast<uint32_t>(static_cast<uint64_t>(static_cast<uint32_t>(a)) << shift));
  }
}

// Built-in bodies are interpreted on constant arguments.
class CallFoldTest : public FoldTest {
 protected:
  static bool available(const glsl_parse_state *) { return true; }

  // float clampish(float x) { float t; t = x * 2.0; if (t > 10.0) return 10.0;
  //                           vec2 v; v.y = t; return v.y; }
  ir_function_signature *builtin(bool with_loop) {
    auto *fn = new (ctx) ir_function("clampish");
    auto *sig = new (ctx) ir_function_signature(glsl_type::float_type, glsl_precision_undefined,
                                                available);
    fn->add_signature(sig);
    auto *x = new (ctx) ir_variable(glsl_type::float_type, "x", ir_var_function_in,
                                    glsl_precision_undefined);
    sig->parameters.push_tail(x);
    auto *t = new (ctx) ir_variable(glsl_type::float_type, "t", ir_var_auto,
                                    glsl_precision_undefined);
    sig->body.push_tail(t);
    sig->body.push_tail(new (ctx) ir_assignment(new (ctx) ir_dereference_variable(t),
                                                ir_builder_mul(new (ctx) ir_dereference_variable(x), c(2.0f))));
    if (with_loop) sig->body.push_tail(new (ctx) ir_loop());
    sig->body.push_tail(ir_builder_if_tree(
        ir_builder_greater(new (ctx) ir_dereference_variable(t), c(10.0f)),
        new (ctx) ir_return(c(10.0f))));
    auto *v = new (ctx) ir_variable(glsl_type::vec2_type, "v", ir_var_auto,
                                    glsl_precision_undefined);
    sig->body.push_tail(v);
    sig->body.push_tail(new (ctx) ir_assignment(
        ir_swizzle::create(new (ctx) ir_dereference_variable(v), "y", 2),
        new (ctx) ir_dereference_variable(t)));
    sig->body.push_tail(new (ctx) ir_return(
        ir_swizzle::create(new (ctx) ir_dereference_variable(v), "y", 2)));
    return sig;
  }

  ir_constant *call(ir_function_signature *sig, float argument) {
    exec_list args;
    args.push_tail(c(argument));
    auto *result = new (ctx) ir_variable(glsl_type::float_type, "r", ir_var_temporary,
                                         glsl_precision_undefined);
    auto *call = new (ctx) ir_call(sig, new (ctx) ir_dereference_variable(result), &args);
    return call->constant_expression_value();
  }
};

TEST_F(CallFoldTest, BuiltinBodiesRunOnConstants) {
  ir_function_signature *sig = builtin(false);
  ASSERT_NE(call(sig, 3.0f), nullptr);
  EXPECT_EQ(call(sig, 3.0f)->value.f[0], 6.0f);
  EXPECT_EQ(call(sig, 7.0f)->value.f[0], 10.0f);
  // A copy of the built-in made for a shader runs the library's body.
  ir_function_signature *proto = sig->clone_prototype(ctx, nullptr);
  proto->_function = sig->_function;
  EXPECT_EQ(call(proto, 1.0f)->value.f[0], 2.0f);
}

TEST_F(CallFoldTest, LoopsAndUserFunctionsDoNotFold) {
  EXPECT_EQ(call(builtin(true), 3.0f), nullptr);
  ir_function_signature *user = builtin(false);
  user->builtin_avail = nullptr;
  EXPECT_EQ(call(user, 3.0f), nullptr);
}

}  // namespace
