#include "platform/metal/msl/alu.h"

#include <cstring>

#include "platform/metal/half_float.h"
#include "platform/metal/msl/builtin_math.h"

namespace mtl::msl {
namespace {

std::uint32_t component(const Register& r, const Src& s, unsigned c) { return r[s.component(c)]; }

void floats(const Register& r, const Src& s, unsigned n, float* out) {
  for (unsigned c = 0; c < n; ++c) out[c] = math::asFloat(component(r, s, c));
}

// as_type: the source components' bytes, little-endian, read back as the
// destination kind. Halves travel as their binary16 bits.
void bitcast(const Instruction& ins, const Register& src, Register& out) {
  std::uint8_t bytes[16] = {};
  const unsigned inSize = scalarSize(ins.sourceType);
  for (unsigned c = 0; c < ins.width && c < 4; ++c) {
    std::uint32_t v = component(src, ins.src[0], c);
    if (ins.sourceType == Scalar::Half) v = floatToHalf(math::asFloat(v));
    std::memcpy(bytes + c * inSize, &v, inSize);
  }
  const unsigned outSize = scalarSize(ins.type);
  for (unsigned c = 0; c < 4; ++c) {
    if (!(ins.mask & (1u << c))) continue;
    std::uint32_t v = 0;
    if ((c + 1) * outSize <= sizeof bytes) std::memcpy(&v, bytes + c * outSize, outSize);
    if (ins.type == Scalar::Half) {
      v = math::asBits(halfToFloat(static_cast<std::uint16_t>(v)));
    } else {
      v = math::wrapInteger(ins.type, v);
    }
    out[c] = v;
  }
}

// Writes a vector result computed in double, rounded to the kind.
void writeVector(const Instruction& ins, const double* v, unsigned n, Register& out) {
  for (unsigned c = 0; c < n; ++c) {
    if (ins.mask & (1u << c)) out[c] = math::asBits(math::roundTo(ins.type, v[c]));
  }
}

void writeScalar(const Instruction& ins, std::uint32_t v, Register& out) {
  for (unsigned c = 0; c < 4; ++c) {
    if (ins.mask & (1u << c)) out[c] = v;
  }
}

}  // namespace

bool isComponentWise(Opcode op) {
  switch (op) {
    case Opcode::Mov: case Opcode::Convert: case Opcode::Select: case Opcode::Add:
    case Opcode::Sub: case Opcode::Mul: case Opcode::Div: case Opcode::Rem: case Opcode::Neg:
    case Opcode::Mad: case Opcode::Min: case Opcode::Max: case Opcode::Abs: case Opcode::Equal:
    case Opcode::NotEqual: case Opcode::Less: case Opcode::LessEqual: case Opcode::Greater:
    case Opcode::GreaterEqual: case Opcode::And: case Opcode::Or: case Opcode::Xor:
    case Opcode::Not: case Opcode::Shl: case Opcode::Shr: case Opcode::LogicalNot:
    case Opcode::Math1: case Opcode::Math2: case Opcode::Math3:
      return true;
    default:
      return false;
  }
}

bool isAluOpcode(Opcode op) {
  switch (op) {
    case Opcode::Mov: case Opcode::Convert: case Opcode::Bitcast: case Opcode::Select:
    case Opcode::Add: case Opcode::Sub: case Opcode::Mul: case Opcode::Div: case Opcode::Rem:
    case Opcode::Neg: case Opcode::Mad: case Opcode::Min: case Opcode::Max: case Opcode::Abs:
    case Opcode::Equal: case Opcode::NotEqual: case Opcode::Less: case Opcode::LessEqual:
    case Opcode::Greater: case Opcode::GreaterEqual: case Opcode::And: case Opcode::Or:
    case Opcode::Xor: case Opcode::Not: case Opcode::Shl: case Opcode::Shr:
    case Opcode::LogicalNot: case Opcode::Math1: case Opcode::Math2: case Opcode::Math3:
    case Opcode::Dot: case Opcode::Length: case Opcode::Distance: case Opcode::LengthSquared:
    case Opcode::DistanceSquared: case Opcode::Normalize: case Opcode::Cross:
    case Opcode::Reflect: case Opcode::Refract: case Opcode::Faceforward: case Opcode::Any:
    case Opcode::All: case Opcode::Determinant: case Opcode::ExtractDynamic:
    case Opcode::InsertDynamic:
      return true;
    default:
      return false;
  }
}

void evaluate(const Instruction& ins, const Register* const sources[3], Register& out) {
  static const Register zero{};
  const Register& a = sources[0] ? *sources[0] : zero;
  const Register& b = sources[1] ? *sources[1] : zero;
  const Register& c = sources[2] ? *sources[2] : zero;
  const unsigned n = ins.width;
  float x[4] = {}, y[4] = {}, z[4] = {};
  double v[4] = {};
  switch (ins.op) {
    case Opcode::Bitcast: {
      Register result = out;
      bitcast(ins, a, result);
      out = result;
      return;
    }
    case Opcode::Dot: case Opcode::LengthSquared: {
      floats(a, ins.src[0], n, x);
      floats(ins.op == Opcode::Dot ? b : a, ins.op == Opcode::Dot ? ins.src[1] : ins.src[0], n, y);
      writeScalar(ins, math::asBits(math::roundTo(ins.type, math::dot(x, y, n))), out);
      return;
    }
    case Opcode::Length:
      floats(a, ins.src[0], n, x);
      writeScalar(ins, math::asBits(math::roundTo(ins.type, math::length(x, n))), out);
      return;
    case Opcode::Distance: case Opcode::DistanceSquared: {
      floats(a, ins.src[0], n, x);
      floats(b, ins.src[1], n, y);
      const double d = math::distance(x, y, n);
      writeScalar(ins, math::asBits(math::roundTo(ins.type, ins.op == Opcode::Distance ? d : d * d)),
                  out);
      return;
    }
    case Opcode::Normalize:
      floats(a, ins.src[0], n, x);
      math::normalize(x, n, v);
      writeVector(ins, v, n, out);
      return;
    case Opcode::Cross:
      floats(a, ins.src[0], 3, x);
      floats(b, ins.src[1], 3, y);
      math::cross(x, y, v);
      writeVector(ins, v, 3, out);
      return;
    case Opcode::Reflect:
      floats(a, ins.src[0], n, x);
      floats(b, ins.src[1], n, y);
      math::reflect(x, y, n, v);
      writeVector(ins, v, n, out);
      return;
    case Opcode::Refract:
      floats(a, ins.src[0], n, x);
      floats(b, ins.src[1], n, y);
      math::refract(x, y, math::asFloat(component(c, ins.src[2], 0)), n, v);
      writeVector(ins, v, n, out);
      return;
    case Opcode::Faceforward:
      floats(a, ins.src[0], n, x);
      floats(b, ins.src[1], n, y);
      floats(c, ins.src[2], n, z);
      math::faceforward(x, y, z, n, v);
      writeVector(ins, v, n, out);
      return;
    case Opcode::Any: case Opcode::All: {
      bool any = false, all = true;
      for (unsigned k = 0; k < n; ++k) {
        const bool bit = component(a, ins.src[0], k) != 0;
        any = any || bit;
        all = all && bit;
      }
      writeScalar(ins, ins.op == Opcode::Any ? any : all, out);
      return;
    }
    case Opcode::Determinant: {
      float columns[4][4] = {};
      for (unsigned col = 0; col < n; ++col) {
        for (unsigned r = 0; r < n; ++r) columns[col][r] = math::asFloat(sources[0][col][r]);
      }
      writeScalar(ins, math::asBits(math::roundTo(ins.type, math::determinant(columns, n))), out);
      return;
    }
    case Opcode::ExtractDynamic: {
      const std::uint32_t i = b[ins.src[1].component(0)];
      writeScalar(ins, i < n ? component(a, ins.src[0], i) : 0u, out);
      return;
    }
    case Opcode::InsertDynamic: {
      Register result;
      for (unsigned k = 0; k < 4; ++k) result[k] = component(a, ins.src[0], k);
      const std::uint32_t i = b[ins.src[1].component(0)];
      if (i < n) result[i] = c[ins.src[2].component(0)];
      for (unsigned k = 0; k < 4; ++k) {
        if (ins.mask & (1u << k)) out[k] = result[k];
      }
      return;
    }
    default: break;
  }
  Register result = out;
  for (unsigned k = 0; k < 4; ++k) {
    if (!(ins.mask & (1u << k))) continue;
    result[k] = componentWise(ins, component(a, ins.src[0], k), component(b, ins.src[1], k),
                              component(c, ins.src[2], k));
  }
  out = result;
}

}  // namespace mtl::msl
