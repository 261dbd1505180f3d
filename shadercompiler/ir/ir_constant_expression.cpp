// Constant expression evaluation: the value of an rvalue as a new constant,
// or null when it is not constant. Integer arithmetic wraps at 32 bits and
// every operation is defined for every input (shift counts modulo 32,
// division by zero, the most negative integer), so folding never depends on
// undefined behaviour of the host.
#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstring>

#include "shadercompiler/ir/ir.h"
#include "shadercompiler/ir/support/half_float.h"
#include "shadercompiler/ir/support/hash_table.h"
#include "shadercompiler/ir/support/ralloc.h"

namespace {

// IEEE 754-2008 minNum and maxNum with -0.0 ordered below +0.0.
float min_num(float a, float b) {
  if (std::isnan(a)) return b;
  if (std::isnan(b)) return a;
  if (a == b) return std::signbit(a) ? a : b;
  return a < b ? a : b;
}

float max_num(float a, float b) {
  if (std::isnan(a)) return b;
  if (std::isnan(b)) return a;
  if (a == b) return std::signbit(a) ? b : a;
  return a > b ? a : b;
}

int32_t as_int(uint32_t u) { return static_cast<int32_t>(u); }

uint32_t float_to_uint_saturating(float f) {
  if (std::isnan(f) || f <= 0.0f) return 0;
  if (f >= 4294967296.0f) return UINT32_MAX;
  return static_cast<uint32_t>(f);
}

uint32_t low_bits_mask(int32_t bits) {
  return bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1u;
}

uint32_t pack_component(float x, float low, float scale, uint32_t width_mask) {
  float clamped = min_num(max_num(x, low), 1.0f);
  return static_cast<uint32_t>(round_to_even(clamped * scale)) & width_mask;
}

int32_t find_msb(uint32_t value, bool is_signed) {
  uint32_t v = value;
  if (is_signed && as_int(v) < 0) v = ~v;
  if (v == 0) return -1;
  return 31 - std::countl_zero(v);
}

uint32_t bitfield_reverse(uint32_t v) {
  uint32_t r = 0;
  for (int i = 0; i < 32; i++) r |= ((v >> i) & 1u) << (31 - i);
  return r;
}

// The operands of a folded expression with the broadcast rule: a scalar
// operand is read at component 0 for every component.
struct operands_t {
  ir_constant *op[4];
  unsigned c0, c1;  // per-component step of op0 and op1 (0 for scalars)

  unsigned i0(unsigned c) const { return c * c0; }
  unsigned i1(unsigned c) const { return c * c1; }
};

bool fold_unary(ir_expression_operation operation, const glsl_type *type,
                const ir_constant *op0, ir_constant_data &data) {
  const unsigned n = op0->type->components();
  const glsl_base_type result = type->base_type;
  const glsl_base_type source = op0->type->base_type;
  const ir_constant_data &v = op0->value;
  switch (operation) {
    case ir_unop_bit_not:
      if (source == GLSL_TYPE_INT || source == GLSL_TYPE_UINT)
        for (unsigned c = 0; c < n; c++) data.u[c] = ~v.u[c];
      return true;
    case ir_unop_logic_not:
      if (source == GLSL_TYPE_BOOL)
        for (unsigned c = 0; c < n; c++) data.b[c] = !v.b[c];
      return true;
    case ir_unop_neg:
      for (unsigned c = 0; c < n; c++) {
        if (result == GLSL_TYPE_FLOAT) data.f[c] = -v.f[c];
        else if (result == GLSL_TYPE_INT || result == GLSL_TYPE_UINT) data.u[c] = 0u - v.u[c];
      }
      return true;
    case ir_unop_abs:
      for (unsigned c = 0; c < n; c++) {
        if (result == GLSL_TYPE_FLOAT) data.f[c] = std::fabs(v.f[c]);
        else if (result == GLSL_TYPE_INT) data.u[c] = v.i[c] < 0 ? 0u - v.u[c] : v.u[c];
        else if (result == GLSL_TYPE_UINT) data.u[c] = v.u[c];
      }
      return true;
    case ir_unop_sign:
      for (unsigned c = 0; c < n; c++) {
        if (result == GLSL_TYPE_FLOAT)
          data.f[c] = static_cast<float>((v.f[c] > 0.0f) - (v.f[c] < 0.0f));
        else if (result == GLSL_TYPE_INT)
          data.i[c] = (v.i[c] > 0) - (v.i[c] < 0);
        else if (result == GLSL_TYPE_UINT)
          data.u[c] = v.i[c] > 0 ? 1u : 0u;
      }
      return true;
    case ir_unop_rcp:
      for (unsigned c = 0; c < n; c++) {
        if (result == GLSL_TYPE_FLOAT) data.f[c] = v.f[c] != 0.0f ? 1.0f / v.f[c] : 0.0f;
        else if (result == GLSL_TYPE_INT) data.i[c] = v.i[c] == 1 ? 1 : v.i[c] == -1 ? -1 : 0;
        else if (result == GLSL_TYPE_UINT) data.u[c] = v.u[c] == 1 ? 1u : 0u;
      }
      return true;
    case ir_unop_rsq:
      for (unsigned c = 0; c < n; c++) data.f[c] = 1.0f / std::sqrt(v.f[c]);
      return true;
    case ir_unop_sqrt:
      for (unsigned c = 0; c < n; c++) data.f[c] = std::sqrt(v.f[c]);
      return true;
    case ir_unop_normalize: {
      float sum = 0.0f;
      for (unsigned c = 0; c < n; c++) sum = std::fma(v.f[c], v.f[c], sum);
      if (sum == 0.0f) return false;
      float inverse = 1.0f / std::sqrt(sum);
      for (unsigned c = 0; c < n; c++) data.f[c] = v.f[c] * inverse;
      return true;
    }
    case ir_unop_exp:
      for (unsigned c = 0; c < n; c++) data.f[c] = std::exp(v.f[c]);
      return true;
    case ir_unop_log:
      for (unsigned c = 0; c < n; c++) data.f[c] = std::log(v.f[c]);
      return true;
    case ir_unop_exp2:
      for (unsigned c = 0; c < n; c++) data.f[c] = std::exp2(v.f[c]);
      return true;
    case ir_unop_log2:
      for (unsigned c = 0; c < n; c++) data.f[c] = std::log2(v.f[c]);
      return true;
    case ir_unop_f2i:
      // The constant's own conversion: truncating, saturating, NaN to 0.
      for (unsigned c = 0; c < n; c++) data.i[c] = op0->get_int_component(c);
      return true;
    case ir_unop_f2u:
      for (unsigned c = 0; c < n; c++) data.u[c] = float_to_uint_saturating(v.f[c]);
      return true;
    case ir_unop_i2f:
      for (unsigned c = 0; c < n; c++) data.f[c] = static_cast<float>(v.i[c]);
      return true;
    case ir_unop_u2f:
      for (unsigned c = 0; c < n; c++) data.f[c] = static_cast<float>(v.u[c]);
      return true;
    case ir_unop_f2b:
      for (unsigned c = 0; c < n; c++) data.b[c] = v.f[c] != 0.0f;
      return true;
    case ir_unop_b2f:
      for (unsigned c = 0; c < n; c++) data.f[c] = v.b[c] ? 1.0f : 0.0f;
      return true;
    case ir_unop_i2b:
      for (unsigned c = 0; c < n; c++) data.b[c] = v.u[c] != 0;
      return true;
    case ir_unop_b2i:
      for (unsigned c = 0; c < n; c++) data.i[c] = v.b[c] ? 1 : 0;
      return true;
    case ir_unop_i2u: case ir_unop_u2i:
    case ir_unop_bitcast_i2f: case ir_unop_bitcast_f2i:
    case ir_unop_bitcast_u2f: case ir_unop_bitcast_f2u:
      for (unsigned c = 0; c < n; c++) data.u[c] = v.u[c];
      return true;
    case ir_unop_any:
      for (unsigned c = 0; c < n; c++) data.b[0] = data.b[0] || v.b[c];
      return true;
    case ir_unop_trunc:
      for (unsigned c = 0; c < n; c++) data.f[c] = std::trunc(v.f[c]);
      return true;
    case ir_unop_ceil:
      for (unsigned c = 0; c < n; c++) data.f[c] = std::ceil(v.f[c]);
      return true;
    case ir_unop_floor:
      for (unsigned c = 0; c < n; c++) data.f[c] = std::floor(v.f[c]);
      return true;
    case ir_unop_fract:
      if (result == GLSL_TYPE_FLOAT)
        for (unsigned c = 0; c < n; c++) data.f[c] = v.f[c] - std::floor(v.f[c]);
      return true;
    case ir_unop_round_even:
      for (unsigned c = 0; c < n; c++) data.f[c] = round_even_float(v.f[c]);
      return true;
    case ir_unop_sin: case ir_unop_sin_reduced:
      for (unsigned c = 0; c < n; c++) data.f[c] = std::sin(v.f[c]);
      return true;
    case ir_unop_cos: case ir_unop_cos_reduced:
      for (unsigned c = 0; c < n; c++) data.f[c] = std::cos(v.f[c]);
      return true;
    case ir_unop_dFdx: case ir_unop_dFdx_coarse: case ir_unop_dFdx_fine:
    case ir_unop_dFdy: case ir_unop_dFdy_coarse: case ir_unop_dFdy_fine:
      return true;  // a constant has no derivative
    case ir_unop_pack_snorm_2x16:
      data.u[0] = pack_component(v.f[0], -1.0f, 32767.0f, 0xFFFF) |
                  pack_component(v.f[1], -1.0f, 32767.0f, 0xFFFF) << 16;
      return true;
    case ir_unop_pack_unorm_2x16:
      data.u[0] = pack_component(v.f[0], 0.0f, 65535.0f, 0xFFFF) |
                  pack_component(v.f[1], 0.0f, 65535.0f, 0xFFFF) << 16;
      return true;
    case ir_unop_pack_snorm_4x8:
      for (unsigned c = 0; c < 4; c++)
        data.u[0] |= pack_component(v.f[c], -1.0f, 127.0f, 0xFF) << (8 * c);
      return true;
    case ir_unop_pack_unorm_4x8:
      for (unsigned c = 0; c < 4; c++)
        data.u[0] |= pack_component(v.f[c], 0.0f, 255.0f, 0xFF) << (8 * c);
      return true;
    case ir_unop_pack_half_2x16:
      data.u[0] = float_to_half(v.f[0]) |
                  static_cast<uint32_t>(float_to_half(v.f[1])) << 16;
      return true;
    case ir_unop_unpack_snorm_2x16:
      for (unsigned c = 0; c < 2; c++) {
        auto half = static_cast<int16_t>(v.u[0] >> (16 * c));
        data.f[c] = min_num(max_num(half * (1.0f / 32767.0f), -1.0f), 1.0f);
      }
      return true;
    case ir_unop_unpack_snorm_4x8:
      for (unsigned c = 0; c < 4; c++) {
        auto byte = static_cast<int8_t>(v.u[0] >> (8 * c));
        data.f[c] = min_num(max_num(byte * (1.0f / 127.0f), -1.0f), 1.0f);
      }
      return true;
    case ir_unop_unpack_unorm_2x16:
      for (unsigned c = 0; c < 2; c++)
        data.f[c] = static_cast<uint16_t>(v.u[0] >> (16 * c)) * (1.0f / 65535.0f);
      return true;
    case ir_unop_unpack_unorm_4x8:
      for (unsigned c = 0; c < 4; c++)
        data.f[c] = static_cast<uint8_t>(v.u[0] >> (8 * c)) * (1.0f / 255.0f);
      return true;
    case ir_unop_unpack_half_2x16:
      data.f[0] = half_to_float(static_cast<uint16_t>(v.u[0]));
      data.f[1] = half_to_float(static_cast<uint16_t>(v.u[0] >> 16));
      return true;
    case ir_unop_bitfield_reverse:
      for (unsigned c = 0; c < n; c++) data.u[c] = bitfield_reverse(v.u[c]);
      return true;
    case ir_unop_bit_count:
      for (unsigned c = 0; c < n; c++) data.i[c] = std::popcount(v.u[c]);
      return true;
    case ir_unop_find_msb:
      for (unsigned c = 0; c < n; c++)
        data.i[c] = find_msb(v.u[c], source == GLSL_TYPE_INT);
      return true;
    case ir_unop_find_lsb:
      for (unsigned c = 0; c < n; c++)
        data.i[c] = v.u[c] == 0 ? -1 : std::countr_zero(v.u[c]);
      return true;
    case ir_unop_saturate:
      for (unsigned c = 0; c < n; c++)
        data.f[c] = v.f[c] >= 0.0f ? (v.f[c] > 1.0f ? 1.0f : v.f[c]) : 0.0f;
      return true;
    default:  // half splits, noise, interpolation
      return false;
  }
}

// The product of two numeric values when a matrix takes part: a vector on
// the left acts as a row, on the right as a column.
void matrix_product(const ir_constant *a, const ir_constant *b,
                    ir_constant_data &data) {
  const unsigned n = a->type->is_vector() ? 1 : a->type->vector_elements;
  const unsigned m = b->type->vector_elements;
  const unsigned p = b->type->matrix_columns;
  for (unsigned j = 0; j < p; j++) {
    for (unsigned i = 0; i < n; i++) {
      float sum = 0.0f;
      for (unsigned k = 0; k < m; k++)
        if (i + n * k < 16 && k + m * j < 16)
          sum = std::fma(a->value.f[i + n * k], b->value.f[k + m * j], sum);
      if (i + n * j < 16) data.f[i + n * j] = sum;
    }
  }
}

bool fold_binary(ir_expression_operation operation, const operands_t &o,
                 unsigned walked, ir_constant_data &data) {
  const ir_constant *a = o.op[0];
  const ir_constant *b = o.op[1];
  const ir_constant_data &x = a->value;
  const ir_constant_data &y = b->value;
  const glsl_base_type base = a->type->base_type;
  const unsigned n0 = a->type->components();
  switch (operation) {
    case ir_binop_add:
    case ir_binop_sub: {
      const bool add = operation == ir_binop_add;
      for (unsigned c = 0; c < walked; c++) {
        float fx = x.f[o.i0(c)], fy = y.f[o.i1(c)];
        uint32_t ux = x.u[o.i0(c)], uy = y.u[o.i1(c)];
        if (base == GLSL_TYPE_FLOAT) data.f[c] = add ? fx + fy : fx - fy;
        else if (base == GLSL_TYPE_INT || base == GLSL_TYPE_UINT) data.u[c] = add ? ux + uy : ux - uy;
      }
      return true;
    }
    case ir_binop_mul:
      if ((a->type == b->type && !a->type->is_matrix()) || a->type->is_scalar() ||
          b->type->is_scalar()) {
        for (unsigned c = 0; c < walked; c++) {
          if (base == GLSL_TYPE_FLOAT) data.f[c] = x.f[o.i0(c)] * y.f[o.i1(c)];
          else if (base == GLSL_TYPE_INT || base == GLSL_TYPE_UINT)
            data.u[c] = x.u[o.i0(c)] * y.u[o.i1(c)];
        }
      } else {
        matrix_product(a, b, data);
      }
      return true;
    case ir_binop_div:
      for (unsigned c = 0; c < walked; c++) {
        const unsigned p = o.i0(c), q = o.i1(c);
        if (base == GLSL_TYPE_FLOAT) {
          data.f[c] = x.f[p] / y.f[q];
        } else if (base == GLSL_TYPE_INT) {
          if (y.i[q] == 0) data.i[c] = 0;
          else if (y.i[q] == -1) data.u[c] = 0u - x.u[p];  // INT_MIN / -1 stays INT_MIN
          else data.i[c] = x.i[p] / y.i[q];
        } else if (base == GLSL_TYPE_UINT) {
          data.u[c] = y.u[q] == 0 ? 0 : x.u[p] / y.u[q];
        }
      }
      return true;
    case ir_binop_mod:
      for (unsigned c = 0; c < walked; c++) {
        const unsigned p = o.i0(c), q = o.i1(c);
        if (base == GLSL_TYPE_FLOAT) {
          data.f[c] = std::fma(-y.f[q], std::floor(x.f[p] / y.f[q]), x.f[p]);
        } else if (base == GLSL_TYPE_INT) {
          data.i[c] = (y.i[q] == 0 || y.i[q] == -1) ? 0 : x.i[p] % y.i[q];
        } else if (base == GLSL_TYPE_UINT) {
          data.u[c] = y.u[q] == 0 ? 0 : x.u[p] % y.u[q];
        }
      }
      return true;
    case ir_binop_less: case ir_binop_greater:
    case ir_binop_lequal: case ir_binop_gequal:
      for (unsigned c = 0; c < n0; c++) {
        int order;  // -1, 0, 1, or 2 for unordered
        if (base == GLSL_TYPE_UINT)
          order = x.u[c] < y.u[c] ? -1 : x.u[c] > y.u[c] ? 1 : 0;
        else if (base == GLSL_TYPE_INT)
          order = x.i[c] < y.i[c] ? -1 : x.i[c] > y.i[c] ? 1 : 0;
        else if (base == GLSL_TYPE_FLOAT)
          order = x.f[c] < y.f[c] ? -1 : x.f[c] > y.f[c] ? 1 : x.f[c] == y.f[c] ? 0 : 2;
        else
          return true;
        switch (operation) {
          case ir_binop_less: data.b[c] = order == -1; break;
          case ir_binop_greater: data.b[c] = order == 1; break;
          case ir_binop_lequal: data.b[c] = order == -1 || order == 0; break;
          default: data.b[c] = order == 1 || order == 0; break;
        }
      }
      return true;
    case ir_binop_equal: case ir_binop_nequal:
      for (unsigned c = 0; c < walked; c++) {
        bool equal;
        if (base == GLSL_TYPE_FLOAT) equal = x.f[c] == y.f[c];
        else if (base == GLSL_TYPE_BOOL) equal = x.b[c] == y.b[c];
        else equal = x.u[c] == y.u[c];
        data.b[c] = operation == ir_binop_equal ? equal : !equal;
      }
      return true;
    case ir_binop_all_equal:
      data.b[0] = a->has_value(b);
      return true;
    case ir_binop_any_nequal:
      data.b[0] = !a->has_value(b);
      return true;
    case ir_binop_lshift:
    case ir_binop_rshift: {
      const glsl_base_type count_base = b->type->base_type;
      const bool integers = (base == GLSL_TYPE_INT || base == GLSL_TYPE_UINT) &&
                            (count_base == GLSL_TYPE_INT || count_base == GLSL_TYPE_UINT);
      if (!integers) return true;
      for (unsigned c = 0; c < walked; c++) {
        const uint32_t value = x.u[o.i0(c)];
        const uint32_t count = y.u[o.i1(c)] & 31u;
        if (operation == ir_binop_lshift) data.u[c] = value << count;
        else if (base == GLSL_TYPE_INT) data.i[c] = as_int(value) >> count;
        else data.u[c] = value >> count;
      }
      return true;
    }
    case ir_binop_bit_and: case ir_binop_bit_xor: case ir_binop_bit_or:
      if (base != GLSL_TYPE_INT && base != GLSL_TYPE_UINT) return true;
      for (unsigned c = 0; c < walked; c++) {
        const uint32_t p = x.u[o.i0(c)], q = y.u[o.i1(c)];
        data.u[c] = operation == ir_binop_bit_and ? (p & q)
                    : operation == ir_binop_bit_xor ? (p ^ q)
                                                    : (p | q);
      }
      return true;
    case ir_binop_logic_and: case ir_binop_logic_xor: case ir_binop_logic_or:
      if (base != GLSL_TYPE_BOOL) return true;
      for (unsigned c = 0; c < n0; c++) {
        data.b[c] = operation == ir_binop_logic_and ? (x.b[c] && y.b[c])
                    : operation == ir_binop_logic_xor ? (x.b[c] != y.b[c])
                                                      : (x.b[c] || y.b[c]);
      }
      return true;
    case ir_binop_dot: {
      float sum = 0.0f;
      for (unsigned c = 0; c < n0; c++) sum = std::fma(x.f[c], y.f[c], sum);
      data.f[0] = sum;
      return true;
    }
    case ir_binop_min: case ir_binop_max: {
      const bool is_min = operation == ir_binop_min;
      for (unsigned c = 0; c < walked; c++) {
        const unsigned p = o.i0(c), q = o.i1(c);
        if (base == GLSL_TYPE_FLOAT)
          data.f[c] = is_min ? min_num(x.f[p], y.f[q]) : max_num(x.f[p], y.f[q]);
        else if (base == GLSL_TYPE_INT)
          data.i[c] = is_min ? std::min(x.i[p], y.i[q]) : std::max(x.i[p], y.i[q]);
        else if (base == GLSL_TYPE_UINT)
          data.u[c] = is_min ? std::min(x.u[p], y.u[q]) : std::max(x.u[p], y.u[q]);
      }
      return true;
    }
    case ir_binop_pow:
      for (unsigned c = 0; c < n0; c++) data.f[c] = std::pow(x.f[c], y.f[o.i1(c)]);
      return true;
    case ir_binop_bfm: {
      const int32_t bits = x.i[0], offset = y.i[0];
      for (unsigned c = 0; c < walked; c++) {
        if (bits == 0) data.u[c] = x.u[o.i0(c)];
        else if (bits < 0 || offset < 0 || bits + offset > 32) data.u[c] = 0;
        else data.u[c] = low_bits_mask(bits) << offset;
      }
      return true;
    }
    case ir_binop_ldexp:
      for (unsigned c = 0; c < n0; c++) {
        float r = std::ldexp(x.f[c], y.i[o.i1(c)]);
        data.f[c] = std::isnormal(r) ? r : std::copysign(0.0f, x.f[c]);
      }
      return true;
    case ir_binop_vector_extract: {
      const int32_t rows = static_cast<int32_t>(a->type->vector_elements);
      int32_t index = y.i[0];
      if (index < 0) index = 0;
      if (index > rows - 1) index = rows - 1;
      if (index < 0) return false;
      if (base == GLSL_TYPE_BOOL) data.b[0] = x.b[index];
      else data.u[0] = x.u[index];
      return true;
    }
    default:  // imul_high, carry, borrow, half split pack, ubo_load, interpolation
      return false;
  }
}

bool fold_bitfield(uint32_t value, int32_t offset, int32_t bits, bool is_signed,
                   uint32_t &out) {
  if (bits + offset > 32) {
    out = 0;
    return true;
  }
  const uint32_t left = value << (32 - bits - offset);
  const unsigned right = static_cast<unsigned>(32 - bits);
  out = is_signed ? static_cast<uint32_t>(as_int(left) >> right) : left >> right;
  return true;
}

bool fold_ternary_or_more(ir_expression_operation operation,
                          const glsl_type *type, const operands_t &o,
                          unsigned walked, ir_constant_data &data) {
  const ir_constant *a = o.op[0], *b = o.op[1], *c2 = o.op[2];
  const unsigned n0 = a->type->components();
  const unsigned step2 = c2 != nullptr && c2->type->is_scalar() ? 0 : 1;
  switch (operation) {
    case ir_triop_fma:
      for (unsigned c = 0; c < walked; c++)
        data.f[c] = std::fma(a->value.f[o.i0(c)], b->value.f[o.i1(c)],
                             c2->value.f[c * step2]);
      return true;
    case ir_triop_clamp:
      // Built-in calls with constant arguments are constant expressions, so
      // clamp (and smoothstep, which uses it) must fold: min(max(x, lo), hi)
      // per component, the bounds broadcast when scalar.
      for (unsigned c = 0; c < n0; c++) {
        const unsigned p = o.i1(c), q = c * step2;
        switch (type->base_type) {
          case GLSL_TYPE_FLOAT:
            data.f[c] = min_num(max_num(a->value.f[c], b->value.f[p]), c2->value.f[q]);
            break;
          case GLSL_TYPE_INT:
            data.i[c] = std::min(std::max(a->value.i[c], b->value.i[p]), c2->value.i[q]);
            break;
          case GLSL_TYPE_UINT:
            data.u[c] = std::min(std::max(a->value.u[c], b->value.u[p]), c2->value.u[q]);
            break;
          default:
            return false;
        }
      }
      return true;
    case ir_triop_lrp:
      for (unsigned c = 0; c < n0; c++) {
        const float x = a->value.f[c], y = b->value.f[c];
        data.f[c] = std::fma(y - x, c2->value.f[c * step2], x);
      }
      return true;
    case ir_triop_csel:
      for (unsigned c = 0; c < walked; c++)
        data.u[c] = a->value.b[o.i0(c)] ? b->value.u[o.i1(c)] : c2->value.u[c * step2];
      return true;
    case ir_triop_bitfield_extract: {
      const int32_t offset = b->value.i[0], bits = c2->value.i[0];
      if (bits == 0 || bits < 0 || offset < 0) return true;
      for (unsigned c = 0; c < n0; c++)
        fold_bitfield(a->value.u[c], offset, bits, type->base_type == GLSL_TYPE_INT,
                      data.u[c]);
      return true;
    }
    case ir_triop_vector_insert: {
      const uint32_t index = c2->value.u[0];
      if (index >= a->type->components()) return false;  // outside the vector
      data = a->value;
      switch (type->base_type) {
        case GLSL_TYPE_UINT: data.u[index] = b->get_uint_component(0); break;
        case GLSL_TYPE_INT: data.i[index] = b->get_int_component(0); break;
        case GLSL_TYPE_FLOAT: data.f[index] = b->get_float_component(0); break;
        case GLSL_TYPE_BOOL: data.b[index] = b->get_bool_component(0); break;
        default: break;
      }
      return true;
    }
    case ir_quadop_bitfield_insert: {
      const ir_constant *d = o.op[3];
      const int32_t offset = c2->value.i[0], bits = d->value.i[0];
      if (bits == 0) {
        data = a->value;
        return true;
      }
      if (bits < 0 || offset < 0) return true;
      for (unsigned c = 0; c < n0; c++) {
        if (bits + offset > 32) continue;
        const uint32_t mask = low_bits_mask(bits) << offset;
        data.u[c] = (a->value.u[c] & ~mask) | ((b->value.u[c] << offset) & mask);
      }
      return true;
    }
    case ir_quadop_vector:
      for (unsigned c = 0; c < type->vector_elements && c < 4; c++) {
        if (type->base_type == GLSL_TYPE_BOOL) data.b[c] = o.op[c]->value.b[0];
        else data.u[c] = o.op[c]->value.u[0];
      }
      return true;
    default:  // bfi
      return false;
  }
}

ir_constant *new_constant(const ir_instruction *owner, const glsl_type *type,
                          const ir_constant_data &data) {
  return new (ralloc_parent(owner)) ir_constant(type, &data);
}

}  // namespace

ir_constant *ir_constant::constant_expression_value(hash_table *) { return this; }

ir_constant *ir_expression::constant_expression_value(hash_table *variable_context) {
  if (type->is_error()) return nullptr;
  operands_t o{{nullptr, nullptr, nullptr, nullptr}, 1, 1};
  const unsigned count = get_num_operands();
  if (count == 0 || count > 4) return nullptr;
  for (unsigned i = 0; i < count; i++) {
    if (operands[i] == nullptr) return nullptr;
    o.op[i] = operands[i]->constant_expression_value(variable_context);
    if (o.op[i] == nullptr) return nullptr;
  }

  ir_constant_data data{};
  if (o.op[0]->type->is_array()) {
    if (o.op[1] == nullptr) return nullptr;
    if (operation == ir_binop_all_equal) data.b[0] = o.op[0]->has_value(o.op[1]);
    else if (operation == ir_binop_any_nequal) data.b[0] = !o.op[0]->has_value(o.op[1]);
    else return nullptr;
    return new_constant(this, glsl_type::bool_type, data);
  }

  o.c0 = o.op[0]->type->is_scalar() ? 0 : 1;
  o.c1 = o.op[1] != nullptr && o.op[1]->type->is_scalar() ? 0 : 1;
  const unsigned walked = o.op[1] != nullptr && !o.op[1]->type->is_scalar()
                              ? o.op[1]->type->components()
                              : o.op[0]->type->components();
  if (walked > 16) return nullptr;

  bool folded;
  if (operation <= ir_last_unop)
    folded = fold_unary(operation, type, o.op[0], data);
  else if (operation <= ir_last_binop)
    folded = fold_binary(operation, o, walked, data);
  else
    folded = fold_ternary_or_more(operation, type, o, walked, data);
  return folded ? new_constant(this, type, data) : nullptr;
}

ir_constant *ir_swizzle::constant_expression_value(hash_table *variable_context) {
  ir_constant *v = val->constant_expression_value(variable_context);
  if (v == nullptr) return nullptr;
  const unsigned selectors[4] = {mask.x, mask.y, mask.z, mask.w};
  ir_constant_data data{};
  for (unsigned i = 0; i < mask.num_components && i < 4; i++) {
    if (v->type->is_boolean()) data.b[i] = v->value.b[selectors[i]];
    else data.u[i] = v->value.u[selectors[i]];
  }
  return new_constant(this, type, data);
}

ir_constant *ir_dereference_variable::constant_expression_value(
    hash_table *variable_context) {
  if (var == nullptr) return nullptr;
  if (variable_context != nullptr) {
    if (auto *value = static_cast<ir_constant *>(hash_table_find(variable_context, var)))
      return value;
  }
  // A uniform's constant value is only its initialiser.
  if (var->data.mode == ir_var_uniform) return nullptr;
  if (var->constant_value == nullptr) return nullptr;
  return var->constant_value->clone(ralloc_parent(var), nullptr);
}

ir_constant *ir_dereference_array::constant_expression_value(
    hash_table *variable_context) {
  ir_constant *value = array->constant_expression_value(variable_context);
  ir_constant *index = array_index->constant_expression_value(variable_context);
  if (value == nullptr || index == nullptr) return nullptr;
  const uint32_t i = index->get_uint_component(0);
  const glsl_type *vt = value->type;
  if (vt->is_matrix()) {
    if (i >= vt->matrix_columns) return nullptr;  // no such column
    const unsigned rows = vt->vector_elements;
    ir_constant_data data{};
    for (unsigned r = 0; r < rows; r++) data.u[r] = value->value.u[i * rows + r];
    return new_constant(this, glsl_type::get_instance(GLSL_TYPE_FLOAT, rows, 1), data);
  }
  if (vt->is_vector()) {
    if (i >= vt->vector_elements) return nullptr;  // no such component
    return new (ralloc_parent(this)) ir_constant(value, i);
  }
  if (vt->is_array()) {
    const int element_index = index->type->base_type == GLSL_TYPE_INT
                                  ? index->get_int_component(0)
                                  : static_cast<int>(std::min<uint32_t>(i, INT_MAX));
    ir_constant *element = value->get_array_element(element_index);
    return element != nullptr ? element->clone(ralloc_parent(this), nullptr) : nullptr;
  }
  return nullptr;
}

ir_constant *ir_dereference_record::constant_expression_value(hash_table *) {
  ir_constant *value = record->constant_expression_value(nullptr);
  return value != nullptr ? value->get_record_field(field) : nullptr;
}

ir_constant *ir_call::constant_expression_value(hash_table *variable_context) {
  return callee->constant_expression_value(&actual_parameters, variable_context);
}

bool constant_referenced(const ir_dereference *deref, hash_table *variable_context,
                         ir_constant *&store, int &offset) {
  store = nullptr;
  offset = 0;
  if (variable_context == nullptr) return false;
  switch (deref->ir_type) {
    case ir_type_dereference_variable: {
      const auto *dv = static_cast<const ir_dereference_variable *>(deref);
      store = static_cast<ir_constant *>(hash_table_find(variable_context, dv->var));
      return store != nullptr;
    }
    case ir_type_dereference_array: {
      const auto *da = static_cast<const ir_dereference_array *>(deref);
      ir_constant *index = da->array_index->constant_expression_value(variable_context);
      if (index == nullptr || !index->type->is_scalar() || !index->type->is_integer())
        return false;
      const int i = index->type->base_type == GLSL_TYPE_INT
                        ? index->get_int_component(0)
                        : static_cast<int>(std::min<uint32_t>(index->get_uint_component(0), INT_MAX));
      const ir_dereference *inner = da->array->as_dereference();
      if (inner == nullptr) return false;
      ir_constant *substore;
      int suboffset;
      if (!constant_referenced(inner, variable_context, substore, suboffset)) return false;
      const glsl_type *vt = da->array->type;
      if (vt->is_array()) {
        store = substore->get_array_element(i);
        offset = 0;
      } else if (vt->is_matrix()) {
        if (i < 0 || static_cast<unsigned>(i) >= vt->matrix_columns) return false;
        store = substore;
        offset = i * static_cast<int>(vt->vector_elements);
      } else if (vt->is_vector()) {
        if (i < 0 || static_cast<unsigned>(i) >= vt->vector_elements) return false;
        store = substore;
        offset = suboffset + i;
      } else {
        return false;
      }
      return store != nullptr;
    }
    case ir_type_dereference_record: {
      const auto *dr = static_cast<const ir_dereference_record *>(deref);
      const ir_dereference *inner = dr->record->as_dereference();
      if (inner == nullptr) return false;
      ir_constant *substore;
      int suboffset;
      if (!constant_referenced(inner, variable_context, substore, suboffset)) return false;
      store = substore->get_record_field(dr->field);
      return store != nullptr;
    }
    default:
      return false;
  }
}

bool ir_function_signature::constant_evaluate_statement_list(
    exec_list *body, hash_table *variable_context, ir_constant **result) {
  foreach_in_list(ir_instruction, inst, body) {
    switch (inst->ir_type) {
      case ir_type_variable: {
        auto *var = static_cast<ir_variable *>(inst);
        hash_table_insert(variable_context, ir_constant::zero(this, var->type), var);
        break;
      }
      case ir_type_assignment: {
        auto *asg = static_cast<ir_assignment *>(inst);
        if (asg->condition != nullptr) {
          ir_constant *cond = asg->condition->constant_expression_value(variable_context);
          if (cond == nullptr) return false;
          if (!cond->get_bool_component(0)) break;
        }
        ir_constant *store;
        int offset;
        if (!constant_referenced(asg->lhs, variable_context, store, offset)) return false;
        ir_constant *value = asg->rhs->constant_expression_value(variable_context);
        if (value == nullptr) return false;
        store->copy_components_masked_at(value, static_cast<unsigned>(offset),
                                          asg->write_mask);
        break;
      }
      case ir_type_call: {
        auto *call = static_cast<ir_call *>(inst);
        if (call->return_deref == nullptr) return false;
        ir_constant *store;
        int offset;
        if (!constant_referenced(call->return_deref, variable_context, store, offset))
          return false;
        ir_constant *value = call->constant_expression_value(variable_context);
        if (value == nullptr) return false;
        store->copy_components_at(value, static_cast<unsigned>(offset));
        break;
      }
      case ir_type_if: {
        auto *branch = static_cast<ir_if *>(inst);
        ir_constant *cond = branch->condition->constant_expression_value(variable_context);
        if (cond == nullptr || !cond->type->is_boolean()) return false;
        exec_list *taken = cond->get_bool_component(0) ? &branch->then_instructions
                                                       : &branch->else_instructions;
        *result = nullptr;
        if (!constant_evaluate_statement_list(taken, variable_context, result)) return false;
        if (*result != nullptr) return true;
        break;
      }
      case ir_type_return: {
        auto *ret = static_cast<ir_return *>(inst);
        *result = ret->value != nullptr
                      ? ret->value->constant_expression_value(variable_context)
                      : nullptr;
        return *result != nullptr;
      }
      default:
        return false;
    }
  }
  if (result != nullptr) *result = nullptr;
  return true;
}

ir_constant *ir_function_signature::constant_expression_value(
    exec_list *actual_parameters, hash_table *variable_context) {
  if (return_type->is_void() || !is_builtin()) return nullptr;
  hash_table *deref_hash = hash_table_create(8, hash_table_pointer_hash,
                                             hash_table_pointer_compare);
  if (deref_hash == nullptr) return nullptr;

  // A built-in copied into a shader keeps its body in the library's copy.
  const ir_function_signature *holder = origin != nullptr ? origin : this;
  ir_constant *result = nullptr;
  bool ok = true;
  const exec_node *param = holder->parameters.head_sentinel.next;
  const exec_node *actual = actual_parameters->head_sentinel.next;
  for (; param->next != nullptr && actual->next != nullptr;
       param = param->next, actual = actual->next) {
    ir_constant *value = const_cast<ir_rvalue *>(static_cast<const ir_rvalue *>(actual))
                             ->constant_expression_value(variable_context);
    if (value == nullptr) {
      ok = false;
      break;
    }
    hash_table_insert(deref_hash, value, static_cast<const ir_variable *>(param));
  }
  if (ok && param->next == nullptr && actual->next == nullptr &&
      const_cast<ir_function_signature *>(holder)->constant_evaluate_statement_list(
          const_cast<exec_list *>(&holder->body), deref_hash, &result) &&
      result != nullptr) {
    result = result->clone(ralloc_parent(this), nullptr);
  } else {
    result = nullptr;
  }
  hash_table_destroy(deref_hash);
  return result;
}
