#include "platform/metal/exec/fragment_shape.h"

#include <optional>

namespace mtl::exec {
namespace {

using msl::Opcode;

// What a register component holds, as an expression of the inputs.
struct Term {
  enum class Op : std::uint8_t { constant, input, opaque, subtract, multiply, texel };
  Op op = Op::constant;
  std::uint32_t bits = 0;     // constant
  std::uint32_t reg = 0;      // input
  unsigned component = 0;     // input, texel
  int a = -1, b = -1;         // operands of subtract and multiply
};

class Evaluation {
 public:
  explicit Evaluation(const msl::CompiledFunction& f,
                      const std::vector<std::pair<std::uint16_t, msl::Register>>& pinned)
      : f_(f), registers_(std::size_t{f.registerCount} * 4) {
    for (int& t : registers_) t = constant(0);  // registers start at zero
    for (std::size_t r = 0; r < f.constants.size() && r < f.registerCount; ++r) {
      for (unsigned c = 0; c < 4; ++c) at(static_cast<std::uint32_t>(r), c) = constant(f.constants[r][c]);
    }
    for (const auto& [reg, value] : pinned) {
      for (unsigned c = 0; c < 4 && reg < f.registerCount; ++c) at(reg, c) = constant(value[c]);
    }
    for (const msl::InterfaceValue& in : f.inputs) {
      const bool varying = (in.kind == msl::InterfaceKind::Varying && in.scalar == msl::Scalar::Float) ||
                           in.kind == msl::InterfaceKind::PointCoord;
      for (unsigned c = 0; c < 4 && in.reg < f.registerCount; ++c) {
        Term t;
        t.op = varying ? Term::Op::input : Term::Op::opaque;
        t.reg = in.reg;
        t.component = c;
        at(in.reg, c) = add(t);
      }
    }
  }

  // Runs the straight-line code; false at anything the shapes do not use.
  bool run() {
    for (std::size_t pc = 0; pc < f_.code.size(); ++pc) {
      const msl::Instruction& i = f_.code[pc];
      if (i.op == Opcode::Return) return pc + 1 == f_.code.size();
      if (i.dst >= f_.registerCount || i.src[0].reg >= f_.registerCount) return false;
      switch (i.op) {
        case Opcode::Mov: {
          int value[4];
          for (unsigned c = 0; c < 4; ++c) value[c] = at(i.src[0].reg, i.src[0].component(c));
          write(i, value);
          break;
        }
        case Opcode::Sub: case Opcode::Mul: {
          if (i.type != msl::Scalar::Float || i.src[1].reg >= f_.registerCount) return false;
          int value[4];
          for (unsigned c = 0; c < 4; ++c) {
            Term t;
            t.op = i.op == Opcode::Sub ? Term::Op::subtract : Term::Op::multiply;
            t.a = at(i.src[0].reg, i.src[0].component(c));
            t.b = at(i.src[1].reg, i.src[1].component(c));
            value[c] = add(t);
          }
          write(i, value);
          break;
        }
        case Opcode::Sample: {
          const bool plain = i.type == msl::Scalar::Float && sample_ < 0 &&
                             i.stride == static_cast<std::uint32_t>(msl::TextureShape::Texture2D) &&
                             i.sampleOption == 0;
          if (!plain) return false;
          sample_ = static_cast<int>(pc);
          u_ = at(i.src[0].reg, i.src[0].component(0));
          v_ = at(i.src[0].reg, i.src[0].component(1));
          int value[4];
          for (unsigned c = 0; c < 4; ++c) {
            Term t;
            t.op = Term::Op::texel;
            t.component = c;
            value[c] = add(t);
          }
          write(i, value);
          break;
        }
        default: return false;
      }
    }
    return false;
  }

  const Term& term(int k) const { return terms_[static_cast<std::size_t>(k)]; }
  int value(std::uint32_t reg, unsigned c) const { return registers_[std::size_t{reg} * 4 + c]; }
  int sample() const { return sample_; }
  int u() const { return u_; }
  int v() const { return v_; }

  bool isInput(int k, std::uint32_t& reg, unsigned& c) const {
    if (term(k).op != Term::Op::input) return false;
    reg = term(k).reg;
    c = term(k).component;
    return true;
  }

 private:
  int& at(std::uint32_t reg, unsigned c) { return registers_[std::size_t{reg} * 4 + c]; }
  int add(const Term& t) {
    terms_.push_back(t);
    return static_cast<int>(terms_.size() - 1);
  }
  int constant(std::uint32_t bits) {
    Term t;
    t.bits = bits;
    return add(t);
  }
  void write(const msl::Instruction& i, const int value[4]) {
    for (unsigned c = 0; c < 4; ++c) {
      if (i.mask & (1u << c)) at(i.dst, c) = value[c];
    }
  }

  const msl::CompiledFunction& f_;
  std::vector<Term> terms_;
  std::vector<int> registers_;
  int sample_ = -1, u_ = -1, v_ = -1;
};

const msl::InterfaceValue* inputAt(const msl::CompiledFunction& f, std::uint32_t reg) {
  for (const msl::InterfaceValue& in : f.inputs) {
    if (in.reg == reg) return &in;
  }
  return nullptr;
}

}  // namespace

FragmentShape recognizeShape(const msl::CompiledFunction& f,
                             const std::vector<std::pair<std::uint16_t, msl::Register>>& pinned) {
  FragmentShape shape;
  if (f.stage != FunctionType::Fragment || f.outputs.size() != 1) return shape;
  const msl::InterfaceValue& out = f.outputs[0];
  if (out.kind != msl::InterfaceKind::Color || out.scalar != msl::Scalar::Float || out.components != 4) {
    return shape;
  }
  Evaluation e(f, pinned);
  if (!e.run()) return shape;
  // The colour: input V component c, in every component c of the output
  // (times texel c where textured).
  std::optional<std::uint32_t> color;
  unsigned products = 0;
  for (unsigned c = 0; c < 4; ++c) {
    int k = e.value(out.reg, c);
    if (e.term(k).op == Term::Op::multiply) {
      const Term& product = e.term(k);
      ++products;
      if (e.term(product.b).op != Term::Op::texel || e.term(product.b).component != c) return shape;
      k = product.a;
    }
    std::uint32_t reg;
    unsigned component;
    if (!e.isInput(k, reg, component) || component != c || (color && *color != reg)) return shape;
    color = reg;
  }
  if (products != 0 && products != 4) return shape;  // some components textured, some not
  const bool textured = products == 4;
  const msl::InterfaceValue* colorInput = inputAt(f, *color);
  if (!colorInput || colorInput->kind != msl::InterfaceKind::Varying || colorInput->components != 4) return shape;
  shape.output = out.reg;
  shape.color = *color;
  if (!textured) {
    shape.kind = FragmentShape::Kind::color;
    return shape;
  }
  // Coordinates: input W components u and v, v perhaps as 1 - v.
  std::uint32_t reg, vreg;
  int v = e.v();
  if (!e.isInput(e.u(), reg, shape.u)) return shape;
  const Term& vt = e.term(v);
  if (vt.op == Term::Op::subtract && e.term(vt.a).op == Term::Op::constant && e.term(vt.a).bits == 0x3F800000u) {
    shape.flipV = true;
    v = vt.b;
  }
  if (!e.isInput(v, vreg, shape.v) || vreg != reg) return shape;
  const msl::InterfaceValue* coordinateInput = inputAt(f, reg);
  if (!coordinateInput || coordinateInput->components <= std::max(shape.u, shape.v)) return shape;
  shape.pointCoord = coordinateInput->kind == msl::InterfaceKind::PointCoord;
  if (shape.pointCoord && (shape.u > 1 || shape.v > 1)) return shape;  // its z and w are 0
  shape.coordinate = reg;
  shape.sample = f.code[static_cast<std::size_t>(e.sample())];
  shape.kind = FragmentShape::Kind::textured;
  return shape;
}

}  // namespace mtl::exec
