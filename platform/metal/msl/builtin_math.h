// The shading language's arithmetic on one component, written once for the
// constant folder, the reference interpreter and the executor's lanes.
//
// Precision: each float function is computed in double precision and
// rounded once to float, which keeps it within a fraction of an ulp of the
// exact result, inside the precise-mode limits of the Metal Shading
// Language Specification's accuracy tables (several ulp for the
// transcendental functions, correct rounding for the arithmetic
// operators, sqrt and division). Half results are the float results
// rounded to binary16. Denormals are kept. fastMathEnabled changes
// nothing.
//
// Integers: division or remainder by zero gives 0, INT_MIN / -1 gives
// INT_MIN (and INT_MIN % -1 gives 0); overflow wraps; shift counts use
// their low 5 bits. Float to integer conversion truncates and saturates to
// the target's range, NaN giving 0.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "platform/metal/half_float.h"
#include "platform/metal/msl/bytecode.h"

namespace mtl::msl::math {

inline float asFloat(std::uint32_t bits) { return std::bit_cast<float>(bits); }
inline std::uint32_t asBits(float value) { return std::bit_cast<std::uint32_t>(value); }

// Rounds a float result to the precision of `kind` (binary16 for half).
inline float roundTo(Scalar kind, float value) {
  return kind == Scalar::Half ? halfToFloat(floatToHalf(value)) : value;
}
inline float roundTo(Scalar kind, double value) {
  return roundTo(kind, static_cast<float>(value));
}

// ---- integers

// Wraps a 32-bit pattern to the width of `kind`, sign- or zero-extended.
inline std::uint32_t wrapInteger(Scalar kind, std::uint32_t v) {
  switch (kind) {
    case Scalar::Char: return static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<std::int8_t>(v)));
    case Scalar::UChar: return v & 0xFFu;
    case Scalar::Short: return static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<std::int16_t>(v)));
    case Scalar::UShort: return v & 0xFFFFu;
    case Scalar::Bool: return v != 0;
    default: return v;
  }
}

inline unsigned bitWidth(Scalar kind) { return scalarSize(kind) * 8; }

inline std::uint32_t integerDivide(Scalar kind, std::uint32_t a, std::uint32_t b) {
  if (b == 0) return 0;
  if (isSigned(kind)) {
    const auto x = static_cast<std::int32_t>(a), y = static_cast<std::int32_t>(b);
    if (x == std::numeric_limits<std::int32_t>::min() && y == -1) return a;
    return wrapInteger(kind, static_cast<std::uint32_t>(x / y));
  }
  return wrapInteger(kind, a / b);
}

inline std::uint32_t integerRemainder(Scalar kind, std::uint32_t a, std::uint32_t b) {
  if (b == 0) return 0;
  if (isSigned(kind)) {
    const auto x = static_cast<std::int32_t>(a), y = static_cast<std::int32_t>(b);
    if (y == -1) return 0;
    return wrapInteger(kind, static_cast<std::uint32_t>(x % y));
  }
  return wrapInteger(kind, a % b);
}

inline bool integerLess(Scalar kind, std::uint32_t a, std::uint32_t b) {
  return isSigned(kind) ? static_cast<std::int32_t>(a) < static_cast<std::int32_t>(b) : a < b;
}

inline std::uint32_t shiftLeft(Scalar kind, std::uint32_t a, std::uint32_t b) {
  return wrapInteger(kind, a << (b & 31u));
}

inline std::uint32_t shiftRight(Scalar kind, std::uint32_t a, std::uint32_t b) {
  if (isSigned(kind)) {
    return wrapInteger(kind, static_cast<std::uint32_t>(static_cast<std::int32_t>(a) >> (b & 31u)));
  }
  return wrapInteger(kind, a >> (b & 31u));
}

inline std::uint32_t integerAbs(Scalar kind, std::uint32_t a) {
  if (!isSigned(kind)) return a;
  const auto x = static_cast<std::int32_t>(a);
  return wrapInteger(kind, x < 0 ? 0u - a : a);
}

// Leading and trailing zeros within the kind's width; popcount of its bits.
inline std::uint32_t countLeadingZeros(Scalar kind, std::uint32_t a) {
  const unsigned width = bitWidth(kind);
  const std::uint32_t bits = width == 32 ? a : (a & ((1u << width) - 1));
  return static_cast<std::uint32_t>(std::countl_zero(bits)) - (32 - width);
}
inline std::uint32_t countTrailingZeros(Scalar kind, std::uint32_t a) {
  const unsigned width = bitWidth(kind);
  const std::uint32_t bits = width == 32 ? a : (a & ((1u << width) - 1));
  return bits == 0 ? width : static_cast<std::uint32_t>(std::countr_zero(bits));
}
inline std::uint32_t populationCount(Scalar kind, std::uint32_t a) {
  const unsigned width = bitWidth(kind);
  return static_cast<std::uint32_t>(std::popcount(width == 32 ? a : (a & ((1u << width) - 1))));
}

// ---- conversions

// Float to an integer kind: truncation, saturation, NaN to 0.
inline std::uint32_t floatToInteger(Scalar kind, float value) {
  if (std::isnan(value)) return 0;
  double lo = 0, hi = 0;
  switch (kind) {
    case Scalar::Char: lo = -128; hi = 127; break;
    case Scalar::UChar: lo = 0; hi = 255; break;
    case Scalar::Short: lo = -32768; hi = 32767; break;
    case Scalar::UShort: lo = 0; hi = 65535; break;
    case Scalar::Int: lo = -2147483648.0; hi = 2147483647.0; break;
    case Scalar::UInt: lo = 0; hi = 4294967295.0; break;
    default: return value != 0.0f;
  }
  const double t = std::trunc(static_cast<double>(value));
  const double c = t < lo ? lo : (t > hi ? hi : t);
  if (isSigned(kind)) return static_cast<std::uint32_t>(static_cast<std::int32_t>(c));
  return static_cast<std::uint32_t>(c);
}

// Converts one component's bits between scalar kinds by value.
inline std::uint32_t convert(Scalar from, Scalar to, std::uint32_t bits) {
  if (from == to) return bits;
  if (to == Scalar::Bool) {
    return isFloating(from) ? (asFloat(bits) != 0.0f) : (bits != 0);
  }
  if (isFloating(from)) {
    const float f = asFloat(bits);
    if (isFloating(to)) return asBits(roundTo(to, f));
    return floatToInteger(to, f);
  }
  if (isFloating(to)) {
    const double v = isSigned(from) ? static_cast<double>(static_cast<std::int32_t>(bits))
                                    : static_cast<double>(bits);
    return asBits(roundTo(to, v));
  }
  return wrapInteger(to, bits);
}

// ---- floating-point functions

constexpr double kPi = 3.14159265358979323846;

// sin(pi x) and cos(pi x): the argument is reduced exactly (remainder by
// 2, then the symmetries onto [0, 1/4]), so that integers and
// half-integers give exact zeros and ones.
inline double sinpi(double x) {
  if (!std::isfinite(x)) return NAN;
  double r = std::remainder(x, 2.0);  // [-1, 1], exact
  const bool negative = std::signbit(r);
  r = std::fabs(r);
  if (r > 0.5) r = 1.0 - r;  // sin(pi r) = sin(pi (1 - r)), exact
  const double v = r <= 0.25 ? std::sin(kPi * r) : std::cos(kPi * (0.5 - r));
  return negative ? -v : v;
}

inline double cospi(double x) {
  if (!std::isfinite(x)) return NAN;
  double r = std::fabs(std::remainder(x, 2.0));  // [0, 1]
  const bool flip = r > 0.5;
  if (flip) r = 1.0 - r;  // cos(pi r) = -cos(pi (1 - r))
  const double v = r <= 0.25 ? std::cos(kPi * r) : std::sin(kPi * (0.5 - r));
  return flip ? -v : v;
}

inline float fract(Scalar kind, float x) {
  const float limit = kind == Scalar::Half ? 0x1.ffcp-1f : 0x1.fffffep-1f;
  const float f = x - std::floor(x);
  return std::fmin(f, limit);
}

inline float sign(float x) {
  if (std::isnan(x)) return 0.0f;
  if (x > 0) return 1.0f;
  if (x < 0) return -1.0f;
  return x;  // keeps the sign of zero
}

// One-argument functions of floats; classification functions give 0 or 1
// as a float-free bool in bits (see mathIsBool).
inline bool mathIsBool(MathFunction f) {
  return f == MathFunction::Isnan || f == MathFunction::Isinf || f == MathFunction::Isfinite ||
         f == MathFunction::Isnormal || f == MathFunction::Signbit;
}

inline std::uint32_t math1(MathFunction f, Scalar kind, std::uint32_t bits) {
  if (isInteger(kind)) {
    switch (f) {
      case MathFunction::Clz: return countLeadingZeros(kind, bits);
      case MathFunction::Ctz: return countTrailingZeros(kind, bits);
      case MathFunction::Popcount: return populationCount(kind, bits);
      default: return 0;
    }
  }
  const float x = asFloat(bits);
  const double d = x;
  double r = 0;
  switch (f) {
    case MathFunction::Acos: r = std::acos(d); break;
    case MathFunction::Acosh: r = std::acosh(d); break;
    case MathFunction::Asin: r = std::asin(d); break;
    case MathFunction::Asinh: r = std::asinh(d); break;
    case MathFunction::Atan: r = std::atan(d); break;
    case MathFunction::Atanh: r = std::atanh(d); break;
    case MathFunction::Ceil: r = std::ceil(d); break;
    case MathFunction::Cos: r = std::cos(d); break;
    case MathFunction::Cosh: r = std::cosh(d); break;
    case MathFunction::Cospi: r = cospi(d); break;
    case MathFunction::Exp: r = std::exp(d); break;
    case MathFunction::Exp2: r = std::exp2(d); break;
    case MathFunction::Exp10: r = std::pow(10.0, d); break;
    case MathFunction::Floor: r = std::floor(d); break;
    case MathFunction::Fract: return asBits(roundTo(kind, fract(kind, x)));
    case MathFunction::Log: r = std::log(d); break;
    case MathFunction::Log2: r = std::log2(d); break;
    case MathFunction::Log10: r = std::log10(d); break;
    case MathFunction::Rint: r = std::nearbyint(d); break;
    case MathFunction::Round: r = std::round(d); break;
    case MathFunction::Rsqrt: r = 1.0 / std::sqrt(d); break;
    case MathFunction::Saturate: r = std::fmin(std::fmax(d, 0.0), 1.0); break;
    case MathFunction::Sign: return asBits(sign(x));
    case MathFunction::Sin: r = std::sin(d); break;
    case MathFunction::Sinh: r = std::sinh(d); break;
    case MathFunction::Sinpi: r = sinpi(d); break;
    case MathFunction::Sqrt: r = std::sqrt(d); break;
    case MathFunction::Tan: r = std::tan(d); break;
    case MathFunction::Tanh: r = std::tanh(d); break;
    case MathFunction::Tanpi: r = sinpi(d) / cospi(d); break;
    case MathFunction::Trunc: r = std::trunc(d); break;
    case MathFunction::Isnan: return std::isnan(x);
    case MathFunction::Isinf: return std::isinf(x);
    case MathFunction::Isfinite: return std::isfinite(x);
    case MathFunction::Isnormal: {
      const float limit = kind == Scalar::Half ? 0x1p-14f : std::numeric_limits<float>::min();
      return std::isfinite(x) && std::fabs(x) >= limit;
    }
    case MathFunction::Signbit: return std::signbit(x);
    default: return 0;
  }
  return asBits(roundTo(kind, r));
}

inline std::uint32_t math2(MathFunction f, Scalar kind, std::uint32_t a, std::uint32_t b) {
  const double x = asFloat(a), y = asFloat(b);
  double r = 0;
  switch (f) {
    case MathFunction::Atan2: r = std::atan2(x, y); break;
    case MathFunction::Copysign: r = std::copysign(x, y); break;
    case MathFunction::Fdim: r = std::fdim(x, y); break;
    case MathFunction::Fmax: r = std::fmax(x, y); break;
    case MathFunction::Fmin: r = std::fmin(x, y); break;
    case MathFunction::Fmod: r = std::fmod(x, y); break;
    case MathFunction::Pow: r = std::pow(x, y); break;
    case MathFunction::Powr: r = x < 0 ? NAN : std::pow(x, y); break;
    case MathFunction::Step: r = y < x ? 0.0 : 1.0; break;
    default: return 0;
  }
  return asBits(roundTo(kind, r));
}

// Minimum and maximum: floats ignore a NaN operand, integers by kind.
inline std::uint32_t minimum(Scalar kind, std::uint32_t a, std::uint32_t b) {
  if (isFloating(kind)) return asBits(std::fmin(asFloat(a), asFloat(b)));
  return integerLess(kind, b, a) ? b : a;
}
inline std::uint32_t maximum(Scalar kind, std::uint32_t a, std::uint32_t b) {
  if (isFloating(kind)) return asBits(std::fmax(asFloat(a), asFloat(b)));
  return integerLess(kind, a, b) ? b : a;
}

inline std::uint32_t math3(MathFunction f, Scalar kind, std::uint32_t a, std::uint32_t b,
                           std::uint32_t c) {
  if (f == MathFunction::Clamp) return minimum(kind, maximum(kind, a, b), c);
  const double x = asFloat(a), y = asFloat(b), z = asFloat(c);
  double r = 0;
  switch (f) {
    case MathFunction::Mix: r = x + (y - x) * z; break;
    case MathFunction::Smoothstep: {
      const double t = std::fmin(std::fmax((z - x) / (y - x), 0.0), 1.0);
      r = t * t * (3.0 - 2.0 * t);
      break;
    }
    case MathFunction::Fma: r = std::fma(x, y, z); break;
    default: return 0;
  }
  return asBits(roundTo(kind, r));
}

// ---- arithmetic of one component in `kind`

inline std::uint32_t add(Scalar kind, std::uint32_t a, std::uint32_t b) {
  if (isFloating(kind)) return asBits(roundTo(kind, asFloat(a) + asFloat(b)));
  return wrapInteger(kind, a + b);
}
inline std::uint32_t subtract(Scalar kind, std::uint32_t a, std::uint32_t b) {
  if (isFloating(kind)) return asBits(roundTo(kind, asFloat(a) - asFloat(b)));
  return wrapInteger(kind, a - b);
}
inline std::uint32_t multiply(Scalar kind, std::uint32_t a, std::uint32_t b) {
  if (isFloating(kind)) return asBits(roundTo(kind, asFloat(a) * asFloat(b)));
  return wrapInteger(kind, a * b);
}
inline std::uint32_t divide(Scalar kind, std::uint32_t a, std::uint32_t b) {
  if (isFloating(kind)) return asBits(roundTo(kind, asFloat(a) / asFloat(b)));
  return integerDivide(kind, a, b);
}
inline std::uint32_t remainder(Scalar kind, std::uint32_t a, std::uint32_t b) {
  if (isFloating(kind)) return asBits(roundTo(kind, std::fmod(asFloat(a), asFloat(b))));
  return integerRemainder(kind, a, b);
}
inline std::uint32_t negate(Scalar kind, std::uint32_t a) {
  if (isFloating(kind)) return a ^ 0x80000000u;
  return wrapInteger(kind, 0u - a);
}
inline std::uint32_t absolute(Scalar kind, std::uint32_t a) {
  if (isFloating(kind)) return a & 0x7FFFFFFFu;
  return integerAbs(kind, a);
}

// Ordered comparisons of one component of `kind`.
inline bool equal(Scalar kind, std::uint32_t a, std::uint32_t b) {
  if (isFloating(kind)) return asFloat(a) == asFloat(b);
  return a == b;
}
inline bool less(Scalar kind, std::uint32_t a, std::uint32_t b) {
  if (isFloating(kind)) return asFloat(a) < asFloat(b);
  return integerLess(kind, a, b);
}
inline bool lessEqual(Scalar kind, std::uint32_t a, std::uint32_t b) {
  if (isFloating(kind)) return asFloat(a) <= asFloat(b);
  return !integerLess(kind, b, a);
}

// ---- geometry over `n` components, in double, rounded once

inline double dot(const float* a, const float* b, unsigned n) {
  double s = 0;
  for (unsigned i = 0; i < n; ++i) s += static_cast<double>(a[i]) * b[i];
  return s;
}

inline double length(const float* a, unsigned n) { return std::sqrt(dot(a, a, n)); }

inline double distance(const float* a, const float* b, unsigned n) {
  double s = 0;
  for (unsigned i = 0; i < n; ++i) {
    const double d = static_cast<double>(a[i]) - b[i];
    s += d * d;
  }
  return std::sqrt(s);
}

inline void normalize(const float* a, unsigned n, double* out) {
  const double l = length(a, n);
  for (unsigned i = 0; i < n; ++i) out[i] = a[i] / l;
}

inline void cross(const float* a, const float* b, double* out) {
  out[0] = static_cast<double>(a[1]) * b[2] - static_cast<double>(a[2]) * b[1];
  out[1] = static_cast<double>(a[2]) * b[0] - static_cast<double>(a[0]) * b[2];
  out[2] = static_cast<double>(a[0]) * b[1] - static_cast<double>(a[1]) * b[0];
}

// I - 2 dot(N, I) N.
inline void reflect(const float* i, const float* nrm, unsigned n, double* out) {
  const double d = dot(nrm, i, n);
  for (unsigned k = 0; k < n; ++k) out[k] = i[k] - 2.0 * d * nrm[k];
}

// k = 1 - eta^2 (1 - dot(N, I)^2); 0 when k < 0, else eta I - (eta dot(N, I) + sqrt(k)) N.
inline void refract(const float* i, const float* nrm, float eta, unsigned n, double* out) {
  const double d = dot(nrm, i, n);
  const double e = eta;
  const double k = 1.0 - e * e * (1.0 - d * d);
  for (unsigned c = 0; c < n; ++c) {
    out[c] = k < 0 ? 0.0 : e * i[c] - (e * d + std::sqrt(k)) * nrm[c];
  }
}

// N when dot(Nref, I) < 0, else -N.
inline void faceforward(const float* nrm, const float* i, const float* ref, unsigned n,
                        double* out) {
  const bool front = dot(ref, i, n) < 0;
  for (unsigned c = 0; c < n; ++c) out[c] = front ? nrm[c] : -static_cast<double>(nrm[c]);
}

// Determinant of an n x n matrix given by columns (column c at cols[c]).
inline double determinant(const float (*cols)[4], unsigned n) {
  const auto m = [&](unsigned r, unsigned c) { return static_cast<double>(cols[c][r]); };
  if (n == 2) return m(0, 0) * m(1, 1) - m(0, 1) * m(1, 0);
  if (n == 3) {
    return m(0, 0) * (m(1, 1) * m(2, 2) - m(1, 2) * m(2, 1)) -
           m(0, 1) * (m(1, 0) * m(2, 2) - m(1, 2) * m(2, 0)) +
           m(0, 2) * (m(1, 0) * m(2, 1) - m(1, 1) * m(2, 0));
  }
  // Laplace expansion along the first row.
  double det = 0;
  for (unsigned c = 0; c < 4; ++c) {
    float minor[3][4] = {};
    for (unsigned cc = 0, k = 0; cc < 4; ++cc) {
      if (cc == c) continue;
      for (unsigned r = 1; r < 4; ++r) minor[k][r - 1] = cols[cc][r];
      ++k;
    }
    const double sub = determinant(minor, 3);
    det += (c % 2 ? -1.0 : 1.0) * m(0, c) * sub;
  }
  return det;
}

}  // namespace mtl::msl::math

namespace mtl::msl {

// One component of a component-wise instruction: the constant folder, the
// reference interpreter and the GPU's lanes compute it with this one switch,
// kept inline for the lanes' loop.
inline std::uint32_t componentWise(const Instruction& ins, std::uint32_t a, std::uint32_t b,
                                   std::uint32_t c) {
  using namespace math;
  const Scalar k = ins.type;
  switch (ins.op) {
    case Opcode::Mov: return a;
    case Opcode::Convert: return convert(ins.sourceType, k, a);
    case Opcode::Select: return a ? b : c;
    case Opcode::Add: return add(k, a, b);
    case Opcode::Sub: return subtract(k, a, b);
    case Opcode::Mul: return multiply(k, a, b);
    case Opcode::Div: return divide(k, a, b);
    case Opcode::Rem: return remainder(k, a, b);
    case Opcode::Neg: return negate(k, a);
    case Opcode::Mad: return add(k, multiply(k, a, b), c);
    case Opcode::Min: return minimum(k, a, b);
    case Opcode::Max: return maximum(k, a, b);
    case Opcode::Abs: return absolute(k, a);
    case Opcode::Equal: return equal(ins.sourceType, a, b);
    case Opcode::NotEqual: return !equal(ins.sourceType, a, b);
    case Opcode::Less: return less(ins.sourceType, a, b);
    case Opcode::LessEqual: return lessEqual(ins.sourceType, a, b);
    case Opcode::Greater: return less(ins.sourceType, b, a);
    case Opcode::GreaterEqual: return lessEqual(ins.sourceType, b, a);
    case Opcode::And: return wrapInteger(k, a & b);
    case Opcode::Or: return wrapInteger(k, a | b);
    case Opcode::Xor: return wrapInteger(k, a ^ b);
    case Opcode::Not: return wrapInteger(k, ~a);
    case Opcode::Shl: return shiftLeft(k, a, b);
    case Opcode::Shr: return shiftRight(k, a, b);
    case Opcode::LogicalNot: return a == 0;
    case Opcode::Math1: return math1(static_cast<MathFunction>(ins.aux), k, a);
    case Opcode::Math2: return math2(static_cast<MathFunction>(ins.aux), k, a, b);
    case Opcode::Math3: return math3(static_cast<MathFunction>(ins.aux), k, a, b, c);
    default: return 0;
  }
}

}  // namespace mtl::msl
