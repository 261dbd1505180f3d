#include "platform/metal/msl/codegen.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <unordered_map>

#include "platform/metal/msl/alu.h"
#include "platform/metal/msl/builtin_math.h"
#include "platform/metal/msl/builtins.h"
#include "platform/metal/msl/checker.h"

namespace mtl::msl {
namespace {

// While code is generated, constant registers carry this flag; the final
// numbering puts them first.
constexpr std::uint16_t kConstantFlag = 0x8000;
constexpr std::uint8_t kIdentity = 0xE4;

// Unwinds the generation of a function that passed a size limit.
struct TooLarge {};

std::uint8_t maskOf(unsigned n) { return static_cast<std::uint8_t>((1u << n) - 1); }

std::uint8_t swizzleOf(const std::uint8_t* c, unsigned n) {
  std::uint8_t s = 0;
  for (unsigned i = 0; i < 4; ++i) s |= static_cast<std::uint8_t>(c[i < n ? i : n - 1] << (2 * i));
  return s;
}

std::uint8_t swizzleComponent(std::uint8_t swizzle, unsigned c) { return (swizzle >> (2 * c)) & 3u; }

// Selecting components `sel` of a value read through `swizzle`.
std::uint8_t compose(std::uint8_t swizzle, const std::uint8_t* sel, unsigned n) {
  std::uint8_t c[4];
  for (unsigned i = 0; i < n; ++i) c[i] = swizzleComponent(swizzle, sel[i]);
  return swizzleOf(c, n);
}

std::uint8_t broadcastSwizzle(std::uint8_t swizzle) {
  const std::uint8_t x = swizzleComponent(swizzle, 0);
  return static_cast<std::uint8_t>(x | x << 2 | x << 4 | x << 6);
}

MathFunction mathOf(Builtin b) {
  switch (b) {
    case Builtin::Acos: return MathFunction::Acos;
    case Builtin::Acosh: return MathFunction::Acosh;
    case Builtin::Asin: return MathFunction::Asin;
    case Builtin::Asinh: return MathFunction::Asinh;
    case Builtin::Atan: return MathFunction::Atan;
    case Builtin::Atanh: return MathFunction::Atanh;
    case Builtin::Ceil: return MathFunction::Ceil;
    case Builtin::Cos: return MathFunction::Cos;
    case Builtin::Cosh: return MathFunction::Cosh;
    case Builtin::Cospi: return MathFunction::Cospi;
    case Builtin::Exp: return MathFunction::Exp;
    case Builtin::Exp2: return MathFunction::Exp2;
    case Builtin::Exp10: return MathFunction::Exp10;
    case Builtin::Floor: return MathFunction::Floor;
    case Builtin::Fract: return MathFunction::Fract;
    case Builtin::Log: return MathFunction::Log;
    case Builtin::Log2: return MathFunction::Log2;
    case Builtin::Log10: return MathFunction::Log10;
    case Builtin::Rint: return MathFunction::Rint;
    case Builtin::Round: return MathFunction::Round;
    case Builtin::Rsqrt: return MathFunction::Rsqrt;
    case Builtin::Saturate: return MathFunction::Saturate;
    case Builtin::Sign: return MathFunction::Sign;
    case Builtin::Sin: return MathFunction::Sin;
    case Builtin::Sinh: return MathFunction::Sinh;
    case Builtin::Sinpi: return MathFunction::Sinpi;
    case Builtin::Sqrt: return MathFunction::Sqrt;
    case Builtin::Tan: return MathFunction::Tan;
    case Builtin::Tanh: return MathFunction::Tanh;
    case Builtin::Tanpi: return MathFunction::Tanpi;
    case Builtin::Trunc: return MathFunction::Trunc;
    case Builtin::Clz: return MathFunction::Clz;
    case Builtin::Ctz: return MathFunction::Ctz;
    case Builtin::Popcount: return MathFunction::Popcount;
    case Builtin::Isnan: return MathFunction::Isnan;
    case Builtin::Isinf: return MathFunction::Isinf;
    case Builtin::Isfinite: return MathFunction::Isfinite;
    case Builtin::Isnormal: return MathFunction::Isnormal;
    case Builtin::Signbit: return MathFunction::Signbit;
    case Builtin::Atan2: return MathFunction::Atan2;
    case Builtin::Copysign: return MathFunction::Copysign;
    case Builtin::Fdim: return MathFunction::Fdim;
    case Builtin::Fmax: return MathFunction::Fmax;
    case Builtin::Fmin: return MathFunction::Fmin;
    case Builtin::Fmod: return MathFunction::Fmod;
    case Builtin::Pow: return MathFunction::Pow;
    case Builtin::Powr: return MathFunction::Powr;
    case Builtin::Step: return MathFunction::Step;
    case Builtin::Clamp: return MathFunction::Clamp;
    case Builtin::Mix: return MathFunction::Mix;
    case Builtin::Smoothstep: return MathFunction::Smoothstep;
    case Builtin::Fma: return MathFunction::Fma;
    default: return MathFunction::Acos;
  }
}

// An rvalue: constant registers, or registers read through a swizzle.
struct Value {
  const Type* type = nullptr;
  bool constant = false;
  std::vector<Register> data;  // one per register of the type
  std::uint16_t reg = 0;
  std::uint8_t swizzle = kIdentity;
  int slot = -1;  // textures and samplers
};

// Where an lvalue lives.
struct Place {
  enum class Kind : std::uint8_t { Register, Buffer, Zero };
  Kind kind = Kind::Register;
  const Type* type = nullptr;
  // Register: a static first register, or a dynamic access inside the
  // range [rangeBase, rangeBase + rangeCount).
  std::uint16_t reg = 0;
  bool dynamic = false;
  std::uint16_t rangeBase = 0;
  std::uint32_t rangeCount = 0;
  std::uint32_t displacement = 0;
  Src index;
  std::uint32_t stride = 1;
  // Buffer: a slot and byte offset, plus a byte index register.
  std::uint8_t slot = 0;
  std::uint64_t byteOffset = 0;
  bool dynamicByte = false;
  Src byteIndex;
  AddressSpace space = AddressSpace::Thread;
  // Components of a scalar or vector register.
  bool selected = false;
  std::uint8_t components[4] = {0, 1, 2, 3};
  std::uint8_t selectedCount = 0;
  bool dynamicComponent = false;
  Src componentIndex;
  std::uint8_t vectorWidth = 0;
};

// What a name stands for while a function is generated.
struct Binding {
  enum class Kind : std::uint8_t { Registers, Alias, Bound, Resource };
  Kind kind = Kind::Registers;
  std::uint16_t reg = 0;
  Place place;
  Value value;
  int slot = -1;
};

// A Loop or Block construct being generated.
struct Construct {
  bool loop = false;
  std::vector<std::size_t> breaks;
  std::vector<std::size_t> continues;
};

// An inlined call being generated.
struct Frame {
  const FunctionDecl* function = nullptr;
  std::size_t constructBase = 0;  // constructs open when the call began
  bool block = false;             // returns break out of a Block
  std::uint16_t result = 0;
  const Type* resultType = nullptr;
  bool tailValue = false;
};

bool sideEffects(const Expr& e) {
  switch (e.kind) {
    case ExprKind::Assign: case ExprKind::Postfix: return true;
    case ExprKind::Unary:
      if (e.op == Op::PreIncrement || e.op == Op::PreDecrement) return true;
      break;
    case ExprKind::Call:
      if (e.function) return true;
      if (e.builtin == static_cast<int>(Builtin::DiscardFragment)) return true;
      break;
    default: break;
  }
  return std::any_of(e.operands.begin(), e.operands.end(),
                     [](const ExprPtr& o) { return sideEffects(*o); });
}

// Whether the statement (or expression) writes the variable, or lends it
// to a reference parameter.
bool writes(const Expr& e, const Variable* v);

bool rootIs(const Expr& e, const Variable* v) {
  const Expr* x = &e;
  while (x->kind == ExprKind::Member || x->kind == ExprKind::Swizzle || x->kind == ExprKind::Index) {
    x = x->operands[0].get();
  }
  return x->kind == ExprKind::Name && x->variable == v;
}

bool writes(const Expr& e, const Variable* v) {
  if ((e.kind == ExprKind::Assign || e.kind == ExprKind::Postfix ||
       (e.kind == ExprKind::Unary && (e.op == Op::PreIncrement || e.op == Op::PreDecrement))) &&
      rootIs(*e.operands[0], v)) {
    return true;
  }
  if (e.kind == ExprKind::Call && e.function) {
    for (std::size_t i = 0; i < e.operands.size(); ++i) {
      if (e.function->parameters[i].variable->isReference && rootIs(*e.operands[i], v)) return true;
    }
  }
  return std::any_of(e.operands.begin(), e.operands.end(),
                     [&](const ExprPtr& o) { return writes(*o, v); });
}

bool writes(const Stmt& s, const Variable* v) {
  if (s.expr && writes(*s.expr, v)) return true;
  if (s.step && writes(*s.step, v)) return true;
  for (const auto& d : s.declarators) {
    if (d.initializer && writes(*d.initializer, v)) return true;
  }
  if (s.init && writes(*s.init, v)) return true;
  if (s.then && writes(*s.then, v)) return true;
  if (s.otherwise && writes(*s.otherwise, v)) return true;
  return std::any_of(s.body.begin(), s.body.end(), [&](const StmtPtr& b) { return writes(*b, v); });
}

int countReturns(const Stmt& s) {
  int n = s.kind == StmtKind::Return ? 1 : 0;
  if (s.then) n += countReturns(*s.then);
  if (s.otherwise) n += countReturns(*s.otherwise);
  for (const auto& b : s.body) n += countReturns(*b);
  return n;
}

std::shared_ptr<StructType> reflectStruct(const Type* t);

std::shared_ptr<ArrayType> reflectArray(const Type* t) {
  auto a = std::make_shared<ArrayType>();
  a->elementType = dataTypeOf(t->element);
  a->arrayLength = t->length;
  a->stride = t->element->size;
  if (t->element->isStruct()) a->elementStructType = reflectStruct(t->element);
  if (t->element->isArray()) a->elementArrayType = reflectArray(t->element);
  return a;
}

std::shared_ptr<StructType> reflectStruct(const Type* t) {
  auto s = std::make_shared<StructType>();
  for (const auto& m : t->structInfo->members) {
    StructMember member;
    member.name = m.name;
    member.offset = m.offset;
    member.dataType = dataTypeOf(m.type);
    if (m.type->isStruct()) member.structType = reflectStruct(m.type);
    if (m.type->isArray()) member.arrayType = reflectArray(m.type);
    s->members.push_back(std::move(member));
  }
  return s;
}

class FunctionGen {
 public:
  FunctionGen(TypeTable& types, Diagnostics& diagnostics, const FunctionDecl& entry)
      : types_(types), diag_(diagnostics), entry_(entry) {}

  std::shared_ptr<CompiledFunction> run() {
    out_ = std::make_shared<CompiledFunction>();
    out_->name = entry_.name;
    out_->stage = entry_.functionKind == FunctionKind::Vertex ? FunctionType::Vertex
                                                               : FunctionType::Fragment;
    try {
      interface();
      Frame frame;
      frame.function = &entry_;
      frames_.push_back(frame);
      statement(*entry_.body);
      if (code_.empty() || code_.back().op != Opcode::Return) emit(instruction(Opcode::Return));
    } catch (const TooLarge&) {
      return nullptr;
    }
    finish();
    return out_;
  }

 private:
  // ---- registers and instructions

  [[noreturn]] void tooLarge(const char* what) {
    diag_.error(entry_.location, "function '" + entry_.name + "' " + what);
    throw TooLarge{};
  }

  std::uint16_t allocate(std::uint64_t n) {
    if (next_ + n + constants_.size() > kMaxRegisters) tooLarge("needs too many registers");
    const auto r = static_cast<std::uint16_t>(next_);
    next_ += static_cast<std::uint32_t>(n);
    peak_ = std::max(peak_, next_);
    return r;
  }

  std::uint16_t constantRegister(const Register& r) {
    auto it = constantIndex_.find(r);
    if (it != constantIndex_.end()) return it->second;
    if (next_ + constants_.size() + 1 > kMaxRegisters) tooLarge("needs too many registers");
    const auto reg = static_cast<std::uint16_t>(kConstantFlag | constants_.size());
    constants_.push_back(r);
    constantIndex_.emplace(r, reg);
    return reg;
  }

  std::uint16_t constantBlock(const std::vector<Register>& data) {
    if (data.size() == 1) return constantRegister(data[0]);
    auto it = blockIndex_.find(data);
    if (it != blockIndex_.end()) return it->second;
    if (next_ + constants_.size() + data.size() > kMaxRegisters) tooLarge("needs too many registers");
    const auto reg = static_cast<std::uint16_t>(kConstantFlag | constants_.size());
    constants_.insert(constants_.end(), data.begin(), data.end());
    blockIndex_.emplace(data, reg);
    return reg;
  }

  static bool isConstantRegister(std::uint16_t r) { return r & kConstantFlag; }
  const Register& constantAt(std::uint16_t r) const { return constants_[r & ~kConstantFlag]; }

  Instruction instruction(Opcode op) {
    Instruction i;
    i.op = op;
    return i;
  }

  std::size_t emit(const Instruction& i) {
    if (code_.size() >= kMaxInstructions) tooLarge("is too large after inlining");
    code_.push_back(i);
    return code_.size() - 1;
  }

  // ---- values

  Value constant(const Type* t, std::vector<Register> data) {
    Value v;
    v.type = t;
    v.constant = true;
    v.data = std::move(data);
    return v;
  }

  Value scalarConstant(const Type* t, std::uint32_t bits) {
    return constant(t, {Register{bits, bits, bits, bits}});
  }

  Value zero(const Type* t) {
    return constant(t, std::vector<Register>(std::max<std::uint64_t>(t->registers, 1), Register{}));
  }

  Value inRegister(const Type* t, std::uint16_t reg, std::uint8_t swizzle = kIdentity) {
    Value v;
    v.type = t;
    v.reg = reg;
    v.swizzle = swizzle;
    return v;
  }

  Src source(const Value& v) {
    Src s;
    if (v.constant) {
      s.reg = constantRegister(v.data[0]);
    } else {
      s.reg = v.reg;
      s.swizzle = v.swizzle;
    }
    return s;
  }

  // Register i of a multi-register value.
  Value part(const Value& v, std::uint64_t i, const Type* t) {
    if (v.constant) return constant(t, {v.data[i]});
    return inRegister(t, static_cast<std::uint16_t>(v.reg + i));
  }

  Value swizzled(const Value& v, const std::uint8_t* sel, unsigned n, const Type* t) {
    if (v.constant) {
      Register r;
      for (unsigned i = 0; i < 4; ++i) r[i] = v.data[0][sel[i < n ? i : n - 1]];
      return constant(t, {r});
    }
    return inRegister(t, v.reg, compose(v.swizzle, sel, n));
  }

  Value broadcast(const Value& s, const Type* t) {
    if (s.constant) return scalarConstant(t, s.data[0][0]);
    return inRegister(t, s.reg, broadcastSwizzle(s.swizzle));
  }

  // Emits (or folds) one register-valued instruction.
  Value alu(Instruction ins, const Type* result, std::initializer_list<const Value*> operands) {
    const unsigned components = result->isScalarOrVector() ? result->rows : 4;
    if (ins.mask == 0xF) ins.mask = maskOf(components);
    bool constantOperands = true;
    for (const Value* o : operands) constantOperands = constantOperands && o->constant;
    if (constantOperands) {
      const Register* sources[3] = {nullptr, nullptr, nullptr};
      std::size_t k = 0;
      for (const Value* o : operands) {
        ins.src[k].swizzle = kIdentity;
        sources[k++] = &o->data[0];
      }
      Register out{};
      evaluate(ins, sources, out);
      if (components == 1) out = {out[0], out[0], out[0], out[0]};
      return constant(result, {out});
    }
    std::size_t k = 0;
    for (const Value* o : operands) ins.src[k++] = source(*o);
    ins.dst = allocate(1);
    emit(ins);
    return inRegister(result, ins.dst);
  }

  Value alu1(Opcode op, Scalar type, const Type* result, const Value& a) {
    Instruction i = instruction(op);
    i.type = type;
    i.sourceType = type;
    return alu(i, result, {&a});
  }
  Value alu2(Opcode op, Scalar type, const Type* result, const Value& a, const Value& b) {
    Instruction i = instruction(op);
    i.type = type;
    i.sourceType = type;
    return alu(i, result, {&a, &b});
  }
  Value alu3(Opcode op, Scalar type, const Type* result, const Value& a, const Value& b,
             const Value& c) {
    Instruction i = instruction(op);
    i.type = type;
    i.sourceType = type;
    return alu(i, result, {&a, &b, &c});
  }

  // Copies a value into fresh registers (identity swizzle).
  Value materialize(const Value& v) {
    const std::uint64_t n = std::max<std::uint64_t>(v.type->registers, 1);
    const std::uint16_t reg = allocate(n);
    storeRegisters(reg, v);
    return inRegister(v.type, reg);
  }

  void storeRegisters(std::uint16_t reg, const Value& v) {
    const std::uint64_t n = std::max<std::uint64_t>(v.type->registers, 1);
    for (std::uint64_t i = 0; i < n; ++i) {
      Instruction m = instruction(Opcode::Mov);
      m.dst = static_cast<std::uint16_t>(reg + i);
      if (v.constant) {
        m.src[0].reg = constantRegister(v.data[i]);
      } else {
        m.src[0].reg = static_cast<std::uint16_t>(v.reg + i);
        if (n == 1) m.src[0].swizzle = v.swizzle;
      }
      if (v.type->isScalarOrVector()) m.mask = maskOf(v.type->rows);
      if (!v.constant && m.src[0].reg == m.dst && m.src[0].swizzle == kIdentity) continue;
      emit(m);
    }
  }

  // ---- conversions

  Value convertScalar(const Value& v, const Type* to) {
    if (v.type->scalar == to->scalar) {
      Value r = v;
      r.type = to;
      return r;
    }
    Instruction i = instruction(Opcode::Convert);
    i.type = to->scalar;
    i.sourceType = v.type->scalar;
    return alu(i, to, {&v});
  }

  Value convert(const Value& v, const Type* to) {
    const Type* from = v.type;
    if (from == to || !from || !to) return v;
    if (types_.unpacked(from) == types_.unpacked(to)) {
      Value r = v;
      r.type = to;
      return r;
    }
    if (from->isScalar() && to->isScalar()) return convertScalar(v, to);
    if (from->isScalar() && to->isVector()) {
      return broadcast(convertScalar(v, types_.scalar(to->scalar)), to);
    }
    if (from->isVector() && to->isVector()) {
      if (from->scalar == to->scalar) {
        Value r = v;
        r.type = to;
        return r;
      }
      Instruction i = instruction(Opcode::Convert);
      i.type = to->scalar;
      i.sourceType = from->scalar;
      return alu(i, to, {&v});
    }
    if (from->isMatrix() && to->isMatrix()) {
      std::vector<Value> columns;
      for (unsigned c = 0; c < to->columns; ++c) {
        columns.push_back(convert(part(v, c, types_.column(from)), types_.column(to)));
      }
      return composite(to, columns);
    }
    return zero(to);
  }

  // A value of several registers from its per-register parts (columns,
  // elements, members), folded when every part is constant.
  Value composite(const Type* t, const std::vector<Value>& parts) {
    const bool allConstant =
        std::all_of(parts.begin(), parts.end(), [](const Value& p) { return p.constant; });
    if (allConstant) {
      std::vector<Register> data;
      for (const Value& p : parts) data.insert(data.end(), p.data.begin(), p.data.end());
      return constant(t, std::move(data));
    }
    const std::uint16_t reg = allocate(t->registers);
    std::uint64_t at = 0;
    for (const Value& p : parts) {
      storeRegisters(static_cast<std::uint16_t>(reg + at), p);
      at += std::max<std::uint64_t>(p.type->registers, 1);
    }
    return inRegister(t, reg);
  }

  // A vector from scalar and vector pieces, each converted to its element.
  Value vectorFrom(const Type* t, const std::vector<Value>& pieces) {
    const Type* element = types_.scalar(t->scalar);
    std::vector<Value> converted;
    bool allConstant = true;
    for (const Value& p : pieces) {
      converted.push_back(p.type->isScalar() ? convert(p, element)
                                             : convert(p, types_.vector(t->scalar, p.type->rows)));
      allConstant = allConstant && converted.back().constant;
    }
    if (allConstant) {
      Register r{};
      unsigned c = 0;
      for (const Value& p : converted) {
        for (unsigned k = 0; k < p.type->rows && c < 4; ++k) r[c++] = p.data[0][k];
      }
      if (t->isScalar()) r = {r[0], r[0], r[0], r[0]};
      return constant(t, {r});
    }
    // One piece that is already the whole vector needs no copy.
    if (converted.size() == 1 && converted[0].type->rows == t->rows) {
      Value r = converted[0];
      r.type = t;
      return r;
    }
    const std::uint16_t reg = allocate(1);
    unsigned c = 0;
    for (const Value& p : converted) {
      Instruction m = instruction(Opcode::Mov);
      m.dst = reg;
      const Src s = source(p);
      std::uint8_t sw[4] = {0, 0, 0, 0};
      std::uint8_t mask = 0;
      for (unsigned k = 0; k < p.type->rows && c < 4; ++k, ++c) {
        mask |= static_cast<std::uint8_t>(1u << c);
        sw[c] = s.component(k);
      }
      m.mask = mask;
      m.src[0].reg = s.reg;
      m.src[0].swizzle = static_cast<std::uint8_t>(sw[0] | sw[1] << 2 | sw[2] << 4 | sw[3] << 6);
      emit(m);
    }
    return inRegister(t, reg);
  }

  // ---- places

  Place registerPlace(const Type* t, std::uint16_t reg) {
    Place p;
    p.type = t;
    p.reg = reg;
    return p;
  }

  Place zeroPlace(const Type* t) {
    Place p;
    p.kind = Place::Kind::Zero;
    p.type = t;
    return p;
  }

  // An index as an unsigned value (negative ones become huge, hence out of
  // range).
  Value indexValue(const Expr& e) { return convert(gen(e), types_.uintType()); }

  Value multiplyIndex(const Value& index, std::uint64_t factor) {
    if (factor == 1) return index;
    return alu2(Opcode::Mul, Scalar::UInt, types_.uintType(), index,
                scalarConstant(types_.uintType(), static_cast<std::uint32_t>(factor)));
  }

  Value addIndex(const Value& a, const Value& b) {
    return alu2(Opcode::Add, Scalar::UInt, types_.uintType(), a, b);
  }

  [[gnu::noinline]] Place placeOf(const Expr& e) {
    switch (e.kind) {
      case ExprKind::Name: return namePlace(*e.variable);
      case ExprKind::Member: {
        Place p = placeOf(*e.operands[0]);
        const StructMemberInfo& m = p.type->structInfo->members[e.memberIndex];
        p.type = m.type;
        if (p.kind == Place::Kind::Buffer) p.byteOffset += m.offset;
        else if (p.dynamic) p.displacement += m.firstRegister;
        else p.reg = static_cast<std::uint16_t>(p.reg + m.firstRegister);
        return p;
      }
      case ExprKind::Swizzle: {
        Place p = placeOf(*e.operands[0]);
        if (p.dynamicComponent) return p;  // cannot happen: a scalar has no swizzle
        std::uint8_t sel[4];
        for (unsigned i = 0; i < e.swizzleLength; ++i) {
          sel[i] = p.selected ? p.components[e.swizzle[i]] : e.swizzle[i];
        }
        if (!p.selected) p.vectorWidth = p.type->rows;
        std::memcpy(p.components, sel, e.swizzleLength);
        p.selectedCount = e.swizzleLength;
        p.selected = true;
        p.type = e.type;
        return p;
      }
      case ExprKind::Index: return indexPlace(e);
      case ExprKind::Assign: return assignment(e).first;
      case ExprKind::Unary:
        if (e.op == Op::PreIncrement || e.op == Op::PreDecrement) return preIncrement(e).first;
        break;
      default: break;
    }
    // An rvalue: its registers (constant ones for a constant).
    Value v = gen(e);
    return valuePlace(v);
  }

  Place valuePlace(const Value& v) {
    if (v.constant) return registerPlace(v.type, constantBlock(v.data));
    Place p = registerPlace(v.type, v.reg);
    if (v.type->registers == 1 && v.swizzle != kIdentity) {
      p.selected = true;
      p.vectorWidth = 4;
      p.selectedCount = static_cast<std::uint8_t>(v.type->rows);
      for (unsigned i = 0; i < 4; ++i) p.components[i] = swizzleComponent(v.swizzle, i);
    }
    return p;
  }

  Place namePlace(const Variable& v) {
    auto it = bindings_.find(&v);
    if (it == bindings_.end()) {
      if (v.kind == Variable::Kind::GlobalConstant) return globalPlace(v);
      return zeroPlace(v.type);  // an erroneous program never gets here
    }
    const Binding& b = it->second;
    switch (b.kind) {
      case Binding::Kind::Registers: return registerPlace(v.type, b.reg);
      case Binding::Kind::Alias: return b.place;
      case Binding::Kind::Bound: return valuePlace(b.value);
      case Binding::Kind::Resource: return zeroPlace(v.type);
    }
    return zeroPlace(v.type);
  }

  Place globalPlace(const Variable& v) {
    auto it = globals_.find(&v);
    if (it == globals_.end()) {
      Value value = initializer(*v.initializer, v.type);
      if (!value.constant) {
        diag_.error(v.initializer->location,
                    "initializer of a program scope constant is not a constant expression");
        value = zero(v.type);
      }
      it = globals_.emplace(&v, constantBlock(value.data)).first;
    }
    return registerPlace(v.type, it->second);
  }

  [[gnu::noinline]] Place indexPlace(const Expr& e) {
    Place p = placeOf(*e.operands[0]);
    const Type* base = p.type;
    const Value index = indexValue(*e.operands[1]);
    const bool constantIndex = index.constant;
    const std::uint32_t k = constantIndex ? index.data[0][0] : 0;
    if (p.kind == Place::Kind::Zero) {
      p.type = e.type;
      return p;
    }
    if (base->isVector()) {
      const unsigned rows = base->rows;
      if (constantIndex) {
        if (k >= rows) return zeroPlace(e.type);
        if (p.kind == Place::Kind::Buffer) {
          p.byteOffset += std::uint64_t{k} * scalarSize(base->scalar);
        } else {
          const std::uint8_t c = p.selected ? p.components[k] : static_cast<std::uint8_t>(k);
          if (!p.selected) p.vectorWidth = static_cast<std::uint8_t>(rows);
          p.components[0] = c;
          p.selectedCount = 1;
          p.selected = true;
        }
        p.type = e.type;
        return p;
      }
      if (p.kind == Place::Kind::Buffer) {
        const Value bytes = multiplyIndex(index, scalarSize(base->scalar));
        addByteIndex(p, bytes);
        // Beyond the vector it reads the neighbouring bytes of the buffer,
        // still within the binding.
        p.type = e.type;
        return p;
      }
      if (p.selected) {
        // A component of a swizzle: make the swizzled vector a value first.
        const Value vector = load(p);
        p = valuePlace(materialize(vector));
      }
      p.dynamicComponent = true;
      p.componentIndex = source(index);
      p.vectorWidth = static_cast<std::uint8_t>(rows);
      p.type = e.type;
      return p;
    }
    // Arrays and matrix columns.
    const std::uint64_t length = base->isArray() ? base->length : base->columns;
    const Type* element = e.type;
    if (p.kind == Place::Kind::Buffer) {
      const std::uint64_t size = base->isArray() ? element->size : types_.column(base)->size;
      if (constantIndex) {
        if (k >= length) return zeroPlace(element);
        p.byteOffset += std::uint64_t{k} * size;
      } else {
        addByteIndex(p, multiplyIndex(index, size));
      }
      p.type = element;
      return p;
    }
    const std::uint64_t elementRegisters = std::max<std::uint64_t>(element->registers, 1);
    if (constantIndex) {
      if (k >= length) return zeroPlace(element);
      if (p.dynamic) p.displacement += static_cast<std::uint32_t>(k * elementRegisters);
      else p.reg = static_cast<std::uint16_t>(p.reg + k * elementRegisters);
      p.type = element;
      return p;
    }
    if (!p.dynamic) {
      p.dynamic = true;
      p.rangeBase = p.reg;
      p.rangeCount = static_cast<std::uint32_t>(base->registers);
      p.displacement = 0;
      p.index = source(index);
      p.stride = static_cast<std::uint32_t>(elementRegisters);
    } else {
      // Fold both indices into one register offset.
      const Value outer = multiplyIndex(inRegisterSrc(p.index), p.stride);
      const Value inner = multiplyIndex(index, elementRegisters);
      p.index = source(addIndex(outer, inner));
      p.stride = 1;
    }
    p.type = element;
    return p;
  }

  Value inRegisterSrc(const Src& s) {
    if (isConstantRegister(s.reg)) {
      Register r = constantAt(s.reg);
      Register out;
      for (unsigned i = 0; i < 4; ++i) out[i] = r[s.component(i)];
      return constant(types_.uintType(), {out});
    }
    return inRegister(types_.uintType(), s.reg, s.swizzle);
  }

  void addByteIndex(Place& p, const Value& bytes) {
    if (p.dynamicByte) {
      p.byteIndex = source(addIndex(inRegisterSrc(p.byteIndex), bytes));
    } else {
      p.dynamicByte = true;
      p.byteIndex = source(bytes);
    }
  }

  // ---- loads and stores

  [[gnu::noinline]] Value load(const Place& p) {
    switch (p.kind) {
      case Place::Kind::Zero: return zero(p.type);
      case Place::Kind::Buffer: {
        if (!p.selected) return loadBuffer(p);
        if (p.selectedCount == 1) {
          // One component: read just its bytes.
          Place scalar = p;
          scalar.selected = false;
          scalar.byteOffset += std::uint64_t{p.components[0]} * scalarSize(p.type->scalar);
          return loadBuffer(scalar);
        }
        Place whole = p;
        whole.selected = false;
        whole.type = wholeType(p);
        return select(p, loadBuffer(whole));
      }
      case Place::Kind::Register: break;
    }
    if (p.dynamic) {
      Place whole = p;
      whole.selected = false;
      whole.dynamicComponent = false;
      const Type* t = wholeType(p);
      whole.type = t;
      const Value v = loadIndexed(whole);
      return select(p, v);
    }
    const Type* t = wholeType(p);
    Value v;
    if (isConstantRegister(p.reg)) {
      std::vector<Register> data;
      for (std::uint64_t i = 0; i < std::max<std::uint64_t>(t->registers, 1); ++i) {
        data.push_back(constantAt(static_cast<std::uint16_t>(p.reg + i)));
      }
      v = constant(t, std::move(data));
    } else {
      v = inRegister(t, p.reg);
    }
    return select(p, v);
  }

  // The type of the whole register(s) a place selects components from.
  const Type* wholeType(const Place& p) {
    if (!p.selected && !p.dynamicComponent) return p.type;
    return types_.vector(p.type->scalar, p.vectorWidth ? p.vectorWidth : 4);
  }

  Value select(const Place& p, const Value& whole) {
    if (p.dynamicComponent) {
      Instruction i = instruction(Opcode::ExtractDynamic);
      i.type = p.type->scalar;
      i.width = p.vectorWidth;
      const Value index = inRegisterSrc(p.componentIndex);
      return alu(i, p.type, {&whole, &index});
    }
    if (!p.selected) return whole;
    return swizzled(whole, p.components, p.selectedCount, p.type);
  }

  Value loadIndexed(const Place& p) {
    const std::uint64_t n = std::max<std::uint64_t>(p.type->registers, 1);
    const std::uint16_t reg = allocate(n);
    for (std::uint64_t at = 0; at < n; at += 255) {
      Instruction i = instruction(Opcode::LoadIndexed);
      i.dst = static_cast<std::uint16_t>(reg + at);
      i.src[0] = p.index;
      i.offset = p.rangeBase;
      i.count = p.rangeCount;
      i.stride = p.stride;
      i.target = static_cast<std::uint32_t>(p.displacement + at);
      i.width = static_cast<std::uint8_t>(std::min<std::uint64_t>(255, n - at));
      emit(i);
    }
    return inRegister(p.type, reg);
  }

  Value loadBuffer(const Place& p) {
    const std::uint16_t reg = allocate(std::max<std::uint64_t>(p.type->registers, 1));
    loadBufferInto(p, reg);
    return inRegister(types_.unpacked(p.type), reg);
  }

  // Loads a value of any type into consecutive registers from `reg` on.
  void loadBufferInto(const Place& p, std::uint16_t reg) {
    const Type* t = p.type;
    if (t->isScalarOrVector()) {
      Instruction i = bufferAccess(Opcode::LoadBuffer, p);
      if (p.dynamicByte) i.src[0] = p.byteIndex;
      i.dst = reg;
      emit(i);
      return;
    }
    std::uint64_t at = 0;
    for (auto [type, offset] : layoutParts(t)) {
      Place q = p;
      q.type = type;
      q.byteOffset += offset;
      loadBufferInto(q, static_cast<std::uint16_t>(reg + at));
      at += std::max<std::uint64_t>(type->registers, 1);
    }
  }

  // A load or store of the scalar or vector at a buffer place.
  Instruction bufferAccess(Opcode op, const Place& p) {
    Instruction i = instruction(op);
    i.type = p.type->scalar;
    i.mask = maskOf(p.type->rows);
    i.aux = p.slot;
    i.offset = static_cast<std::uint32_t>(p.byteOffset);
    i.stride = scalarSize(p.type->scalar);
    i.hasDynamicOffset = p.dynamicByte;
    return i;
  }

  // The register-sized parts of a composite type with their byte offsets.
  std::vector<std::pair<const Type*, std::uint64_t>> layoutParts(const Type* t) {
    std::vector<std::pair<const Type*, std::uint64_t>> parts;
    if (t->isMatrix()) {
      const Type* column = types_.column(t);
      for (unsigned c = 0; c < t->columns; ++c) parts.emplace_back(column, c * column->size);
    } else if (t->isArray()) {
      for (std::uint64_t i = 0; i < t->length; ++i) parts.emplace_back(t->element, i * t->element->size);
    } else if (t->isStruct()) {
      for (const auto& m : t->structInfo->members) parts.emplace_back(m.type, m.offset);
    }
    return parts;
  }

  // Instructions that write one value into every masked component.
  static bool writesOneValue(Opcode op) {
    switch (op) {
      case Opcode::Dot: case Opcode::Length: case Opcode::Distance: case Opcode::LengthSquared:
      case Opcode::DistanceSquared: case Opcode::Any: case Opcode::All:
      case Opcode::Determinant: case Opcode::ExtractDynamic:
        return true;
      default: return false;
    }
  }

  // Storing `value` (component i into component dstComponents[i] of
  // `dst`) where the last instruction computed it into a register
  // allocated from `fresh` on: that instruction is made to write `dst`
  // itself instead of leaving a copy to do. False when it cannot.
  bool retarget(const Value& value, std::uint32_t fresh, std::uint16_t dst,
                const std::uint8_t* dstComponents, unsigned count) {
    if (value.constant || value.type->registers != 1 || isConstantRegister(value.reg) ||
        value.reg < fresh || code_.empty()) {
      return false;
    }
    Instruction& last = code_.back();
    if (!hasDestination(last.op) || last.dst != value.reg) return false;
    const bool wise = isComponentWise(last.op);
    if (!wise && !writesOneValue(last.op)) return false;
    std::uint8_t mask = 0;
    std::uint8_t needed[4] = {0, 0, 0, 0};
    for (unsigned i = 0; i < count; ++i) {
      const unsigned t = swizzleComponent(value.swizzle, i);
      if (!(last.mask & (1u << t))) return false;
      mask |= static_cast<std::uint8_t>(1u << dstComponents[i]);
      needed[dstComponents[i]] = static_cast<std::uint8_t>(t);
    }
    if (wise) {
      for (unsigned k = 0; k < sourceCount(last); ++k) {
        std::uint8_t c[4], n[4];
        for (unsigned x = 0; x < 4; ++x) n[x] = c[x] = last.src[k].component(x);
        for (unsigned d = 0; d < 4; ++d) {
          if (mask & (1u << d)) n[d] = c[needed[d]];
        }
        last.src[k].swizzle = swizzleOf(n, 4);
      }
    }
    last.mask = mask;
    last.dst = dst;
    return true;
  }

  bool retargetWhole(const Value& value, std::uint32_t fresh, std::uint16_t dst) {
    static constexpr std::uint8_t kComponents[4] = {0, 1, 2, 3};
    return value.type->isScalarOrVector() &&
           retarget(value, fresh, dst, kComponents, value.type->rows);
  }

  // `fresh`: the value is in a register allocated from there on and read
  // by nothing else, so its last instruction may write the place itself.
  void store(const Place& p, const Value& value, std::uint32_t fresh = kMaxRegisters) {
    switch (p.kind) {
      case Place::Kind::Zero: return;
      case Place::Kind::Buffer: storeBuffer(p, value); return;
      case Place::Kind::Register: break;
    }
    if (p.dynamic) {
      if (!p.selected && !p.dynamicComponent) {
        storeIndexed(p, value);
        return;
      }
      // Read the whole vector, change the components, write it back.
      Place whole = p;
      whole.selected = false;
      whole.dynamicComponent = false;
      whole.type = wholeType(p);
      const Value current = materialize(loadIndexed(whole));
      Place inner = p;
      inner.dynamic = false;
      inner.reg = current.reg;
      store(inner, value);
      storeIndexed(whole, inRegister(whole.type, current.reg));
      return;
    }
    if (p.dynamicComponent) {
      Instruction i = instruction(Opcode::InsertDynamic);
      i.type = p.type->scalar;
      i.width = p.vectorWidth;
      i.dst = p.reg;
      i.src[0].reg = p.reg;
      i.src[1] = p.componentIndex;
      i.src[2] = source(value);
      emit(i);
      return;
    }
    if (p.selected) {
      if (retarget(value, fresh, p.reg, p.components, p.selectedCount)) return;
      Instruction m = instruction(Opcode::Mov);
      m.dst = p.reg;
      const Src s = source(value);
      std::uint8_t sw[4] = {0, 0, 0, 0};
      std::uint8_t mask = 0;
      for (unsigned i = 0; i < p.selectedCount; ++i) {
        mask |= static_cast<std::uint8_t>(1u << p.components[i]);
        sw[p.components[i]] = s.component(i);
      }
      m.mask = mask;
      m.src[0].reg = s.reg;
      m.src[0].swizzle = static_cast<std::uint8_t>(sw[0] | sw[1] << 2 | sw[2] << 4 | sw[3] << 6);
      emit(m);
      return;
    }
    if (retargetWhole(value, fresh, p.reg)) return;
    storeRegisters(p.reg, value);
  }

  void storeIndexed(const Place& p, const Value& value) {
    Value v = value;
    if (v.constant || (v.type->registers == 1 && v.swizzle != kIdentity)) v = materialize(v);
    const std::uint64_t n = std::max<std::uint64_t>(p.type->registers, 1);
    for (std::uint64_t at = 0; at < n; at += 255) {
      Instruction i = instruction(Opcode::StoreIndexed);
      i.src[0] = p.index;
      i.src[1].reg = static_cast<std::uint16_t>(v.reg + at);
      i.offset = p.rangeBase;
      i.count = p.rangeCount;
      i.stride = p.stride;
      i.target = static_cast<std::uint32_t>(p.displacement + at);
      i.width = static_cast<std::uint8_t>(std::min<std::uint64_t>(255, n - at));
      emit(i);
    }
  }

  void storeBuffer(const Place& p, const Value& value) {
    bufferWrites_.push_back(p.slot);
    const Type* t = p.type;
    if (p.selected) {
      Place whole = p;
      whole.selected = false;
      whole.type = types_.vector(t->scalar, p.vectorWidth);
      const Value current = materialize(loadBuffer(whole));
      Place inner = registerPlace(t, current.reg);
      inner.selected = true;
      std::memcpy(inner.components, p.components, 4);
      inner.selectedCount = p.selectedCount;
      inner.vectorWidth = p.vectorWidth;
      store(inner, value);
      storeBuffer(whole, current);
      return;
    }
    if (t->isScalarOrVector()) {
      Instruction i = bufferAccess(Opcode::StoreBuffer, p);
      i.src[0] = source(value);
      if (p.dynamicByte) i.src[1] = p.byteIndex;
      emit(i);
      return;
    }
    std::uint64_t reg = 0;
    for (auto [type, offset] : layoutParts(t)) {
      Place q = p;
      q.type = type;
      q.byteOffset += offset;
      Value piece;
      if (value.constant) {
        piece = constant(type, std::vector<Register>(value.data.begin() + static_cast<long>(reg),
                                                     value.data.begin() + static_cast<long>(reg + std::max<std::uint64_t>(type->registers, 1))));
      } else {
        piece = inRegister(type, static_cast<std::uint16_t>(value.reg + reg));
      }
      storeBuffer(q, piece);
      reg += std::max<std::uint64_t>(type->registers, 1);
    }
  }

  // ---- interface

  void interface() {
    // Outputs first: their registers live for the whole function.
    const Type* r = entry_.resolvedReturn;
    const bool vertex = out_->stage == FunctionType::Vertex;
    if (!r->isVoid()) {
      outputBase_ = allocate(r->registers);
      outputType_ = r;
      if (r->isStruct()) {
        for (const auto& m : r->structInfo->members) {
          InterfaceValue v = interfaceValue(m.name, m.type, m.semantic);
          if (!vertex) v.kind = InterfaceKind::Color;
          v.reg = static_cast<std::uint16_t>(outputBase_ + m.firstRegister);
          out_->outputs.push_back(v);
        }
      } else {
        InterfaceValue v;
        v.kind = vertex ? InterfaceKind::Position : InterfaceKind::Color;
        v.name = vertex ? "position" : "color";
        v.scalar = r->scalar;
        v.components = r->rows;
        v.dataType = dataTypeOf(r);
        v.reg = outputBase_;
        out_->outputs.push_back(v);
      }
    }
    for (const Parameter& p : entry_.parameters) {
      const Variable& v = *p.variable;
      Binding b;
      ArgumentTemplate arg;
      arg.argument.name = v.name;
      arg.argument.index = v.slot;
      switch (v.role) {
        case Semantic::StageIn: {
          b.reg = allocate(v.type->registers);
          for (const auto& m : v.type->structInfo->members) {
            InterfaceValue iv = interfaceValue(m.name, m.type, m.semantic);
            if (vertex) iv.kind = InterfaceKind::Attribute;
            iv.reg = static_cast<std::uint16_t>(b.reg + m.firstRegister);
            out_->inputs.push_back(iv);
          }
          out_->hasStageIn = true;
          arg.stageIn = true;
          arg.argument.type = ArgumentType::Buffer;
          arg.argument.bufferDataType = DataType::Struct;
          out_->arguments.push_back(arg);
          break;
        }
        case Semantic::Position: case Semantic::FrontFacing: case Semantic::PointCoord: {
          b.reg = allocate(1);
          MemberSemantic s;
          s.kind = v.role;
          InterfaceValue iv = interfaceValue(v.name, v.type, s);
          iv.reg = b.reg;
          out_->inputs.push_back(iv);
          break;
        }
        case Semantic::Buffer: {
          b.kind = Binding::Kind::Alias;
          b.place.kind = Place::Kind::Buffer;
          b.place.type = v.type;
          b.place.slot = static_cast<std::uint8_t>(v.slot);
          b.place.space = v.addressSpace;
          Argument& a = arg.argument;
          a.type = ArgumentType::Buffer;
          a.access = (v.addressSpace == AddressSpace::Constant || v.isConst)
                         ? ArgumentAccess::ReadOnly
                         : ArgumentAccess::ReadWrite;
          a.bufferDataType = dataTypeOf(v.type);
          a.bufferDataSize = v.type->size;
          a.bufferAlignment = v.type->alignment;
          if (v.type->isStruct()) a.bufferStructType = reflectStruct(v.type);
          out_->buffers.push_back({v.slot, false, false});
          out_->arguments.push_back(arg);
          break;
        }
        case Semantic::Texture: {
          b.kind = Binding::Kind::Resource;
          b.slot = static_cast<int>(v.slot);
          Argument& a = arg.argument;
          a.type = ArgumentType::Texture;
          a.textureType = v.type->shape == TextureShape::TextureCube ? TextureType::TypeCube
                                                                      : TextureType::Type2D;
          a.textureDataType = dataTypeOf(types_.scalar(v.type->scalar));
          a.bufferAlignment = 1;  // never 0, though no buffer
          out_->textures.push_back({v.slot, false, false});
          out_->arguments.push_back(arg);
          break;
        }
        case Semantic::Sampler: {
          b.kind = Binding::Kind::Resource;
          b.slot = static_cast<int>(v.slot);
          arg.argument.type = ArgumentType::Sampler;
          arg.argument.bufferAlignment = 1;
          out_->samplers.push_back({v.slot, false, false});
          out_->arguments.push_back(arg);
          break;
        }
        default: break;
      }
      bindings_[&v] = b;
    }
    firstTemporary_ = next_;
  }

  InterfaceValue interfaceValue(const std::string& name, const Type* t, const MemberSemantic& s) {
    InterfaceValue v;
    v.name = name;
    v.scalar = t->scalar;
    v.components = static_cast<std::uint8_t>(t->rows);
    v.dataType = dataTypeOf(t);
    v.interpolation = s.interpolation;
    if (!s.explicitInterpolation && isInteger(t->scalar)) v.interpolation = Interpolation::Flat;
    switch (s.kind) {
      case Semantic::Position: v.kind = InterfaceKind::Position; break;
      case Semantic::PointSize: v.kind = InterfaceKind::PointSize; break;
      case Semantic::FrontFacing: v.kind = InterfaceKind::FrontFacing; break;
      case Semantic::PointCoord: v.kind = InterfaceKind::PointCoord; break;
      case Semantic::Attribute: v.kind = InterfaceKind::Attribute; v.index = s.index; break;
      case Semantic::Color: v.kind = InterfaceKind::Color; v.index = s.index; break;
      case Semantic::User: v.kind = InterfaceKind::Varying; v.name = s.user; break;
      default: v.kind = InterfaceKind::Varying; break;
    }
    return v;
  }

  // ---- statements

  // Inlining can repeat a body exponentially often, even where it emits
  // nothing; every node generated counts against a budget.
  void count() {
    if (++work_ > kMaxWork) tooLarge("is too large after inlining");
  }

  void statement(const Stmt& s) {
    count();
    switch (s.kind) {
      case StmtKind::Compound: {
        const std::uint32_t mark = next_;
        for (const auto& b : s.body) statement(*b);
        next_ = mark;
        return;
      }
      case StmtKind::Declaration: declaration(s); return;
      case StmtKind::Expression: {
        const std::uint32_t mark = next_;
        gen(*s.expr);
        next_ = mark;
        return;
      }
      case StmtKind::If: ifStatement(s); return;
      case StmtKind::For: case StmtKind::While: case StmtKind::DoWhile: loop(s); return;
      case StmtKind::Break: case StmtKind::Continue: jump(s.kind == StmtKind::Break); return;
      case StmtKind::Return: returnStatement(s); return;
      case StmtKind::Empty: return;
    }
  }

  void declaration(const Stmt& s) {
    for (const Declarator& d : s.declarators) {
      const Variable& v = *d.variable;
      const std::uint16_t reg = allocate(v.type->registers);
      Binding b;
      b.reg = reg;
      const std::uint32_t mark = next_;
      // The initializer may read the variable itself (indeterminate then).
      bindings_[&v] = b;
      const Value init = d.initializer ? initializer(*d.initializer, v.type) : zero(v.type);
      if (!retargetWhole(init, mark, reg)) storeRegisters(reg, init);
      next_ = mark;
    }
  }

  void ifStatement(const Stmt& s) {
    const std::uint32_t mark = next_;
    const Value c = gen(*s.expr);
    if (c.constant) {
      next_ = mark;
      if (c.data[0][0]) statement(*s.then);
      else if (s.otherwise) statement(*s.otherwise);
      return;
    }
    Instruction i = instruction(Opcode::If);
    i.src[0] = source(c);
    const std::size_t at = emit(i);
    next_ = mark;
    statement(*s.then);
    if (s.otherwise) {
      const std::size_t elseAt = emit(instruction(Opcode::Else));
      code_[at].target = static_cast<std::uint32_t>(elseAt);
      statement(*s.otherwise);
      const std::size_t end = emit(instruction(Opcode::EndIf));
      code_[elseAt].target = static_cast<std::uint32_t>(end);
    } else {
      const std::size_t end = emit(instruction(Opcode::EndIf));
      code_[at].target = static_cast<std::uint32_t>(end);
    }
  }

  void loop(const Stmt& s) {
    const std::uint32_t mark = next_;
    if (s.kind == StmtKind::For && s.init) statement(*s.init);
    const std::uint32_t bodyMark = next_;
    // A condition that is false from the start skips the loop (not a
    // do-while body). The probe's code is dropped again.
    if (s.kind != StmtKind::DoWhile && s.expr && !sideEffects(*s.expr)) {
      const std::size_t codeMark = code_.size();
      const std::size_t textures = textureUses_.size(), samplers = samplerUses_.size();
      const Value c = gen(*s.expr);
      code_.resize(codeMark);
      textureUses_.resize(textures);
      samplerUses_.resize(samplers);
      next_ = bodyMark;
      if (c.constant && !c.data[0][0]) {
        next_ = mark;
        return;
      }
    }
    const std::size_t start = emit(instruction(Opcode::Loop));
    constructs_.push_back(Construct{true, {}, {}});
    if (s.kind != StmtKind::DoWhile && s.expr) condition(*s.expr);
    statement(*s.then);
    next_ = bodyMark;
    const std::size_t continuePoint = emit(instruction(Opcode::ContinuePoint));
    if (s.step) {
      gen(*s.step);
      next_ = bodyMark;
    }
    if (s.kind == StmtKind::DoWhile) condition(*s.expr);
    Instruction back = instruction(Opcode::EndLoop);
    back.target = static_cast<std::uint32_t>(start + 1);
    const std::size_t end = emit(back);
    code_[start].target = static_cast<std::uint32_t>(end + 1);
    Construct c = std::move(constructs_.back());
    constructs_.pop_back();
    for (std::size_t b : c.breaks) code_[b].target = static_cast<std::uint32_t>(end + 1);
    for (std::size_t k : c.continues) code_[k].target = static_cast<std::uint32_t>(continuePoint);
    next_ = mark;
  }

  // Leaves the loop when the condition is false.
  void condition(const Expr& e) {
    const std::uint32_t mark = next_;
    const Value c = gen(e);
    next_ = mark;
    if (c.constant) {
      if (!c.data[0][0]) {
        Instruction b = instruction(Opcode::Break);
        constructs_.back().breaks.push_back(emit(b));
      }
      return;
    }
    Instruction b = instruction(Opcode::BreakIfNot);
    b.src[0] = source(c);
    constructs_.back().breaks.push_back(emit(b));
  }

  void jump(bool isBreak) {
    // The innermost loop of the current function.
    std::size_t depth = 0;
    for (std::size_t k = constructs_.size(); k-- > frames_.back().constructBase;) {
      if (constructs_[k].loop) {
        Instruction i = instruction(isBreak ? Opcode::Break : Opcode::Continue);
        i.aux = static_cast<std::uint8_t>(depth);
        const std::size_t at = emit(i);
        if (isBreak) constructs_[k].breaks.push_back(at);
        else constructs_[k].continues.push_back(at);
        return;
      }
      ++depth;
    }
  }

  void returnStatement(const Stmt& s) {
    Frame& f = frames_.back();
    if (frames_.size() == 1) {
      if (s.expr) {
        const std::uint32_t mark = next_;
        const Value v = convert(gen(*s.expr), outputType_);
        if (!retargetWhole(v, mark, outputBase_)) storeRegisters(outputBase_, v);
        next_ = mark;
      }
      emit(instruction(Opcode::Return));
      return;
    }
    if (s.expr) {
      const std::uint32_t mark = next_;
      storeRegisters(f.result, gen(*s.expr));
      next_ = mark;
    }
    if (f.block) {
      Instruction b = instruction(Opcode::Break);
      b.aux = static_cast<std::uint8_t>(constructs_.size() - 1 - f.constructBase);
      constructs_[f.constructBase].breaks.push_back(emit(b));
    }
  }

  // ---- expressions

  Value initializer(const Expr& e, const Type* t) {
    if (e.kind == ExprKind::InitList) return initList(e, t);
    return convert(gen(e), t);
  }

  [[gnu::noinline]] Value initList(const Expr& list, const Type* t) {
    const auto& ops = list.operands;
    switch (t->kind) {
      case TypeKind::Array: {
        std::vector<Value> parts;
        for (std::uint64_t i = 0; i < t->length; ++i) {
          parts.push_back(i < ops.size() ? initializer(*ops[i], t->element) : zero(t->element));
        }
        return composite(t, parts);
      }
      case TypeKind::Struct: {
        std::vector<Value> parts;
        const auto& members = t->structInfo->members;
        for (std::size_t i = 0; i < members.size(); ++i) {
          parts.push_back(i < ops.size() ? initializer(*ops[i], members[i].type) : zero(members[i].type));
        }
        return composite(t, parts);
      }
      case TypeKind::Scalar: case TypeKind::Vector: {
        std::vector<Value> pieces;
        const Type* element = types_.scalar(t->scalar);
        for (unsigned i = 0; i < t->rows; ++i) {
          pieces.push_back(i < ops.size() ? initializer(*ops[i], element) : zero(element));
        }
        return vectorFrom(t, pieces);
      }
      case TypeKind::Matrix: {
        const Type* column = types_.column(t);
        const bool columns = !ops.empty() && ops[0]->type && ops[0]->type->isVector();
        std::vector<Value> parts;
        if (columns) {
          for (unsigned c = 0; c < t->columns; ++c) {
            parts.push_back(c < ops.size() ? initializer(*ops[c], column) : zero(column));
          }
        } else {
          const Type* element = types_.scalar(t->scalar);
          for (unsigned c = 0; c < t->columns; ++c) {
            std::vector<Value> pieces;
            for (unsigned r = 0; r < t->rows; ++r) {
              const std::size_t k = c * t->rows + r;
              pieces.push_back(k < ops.size() ? initializer(*ops[k], element) : zero(element));
            }
            parts.push_back(vectorFrom(column, pieces));
          }
        }
        return composite(t, parts);
      }
      default: return zero(t);
    }
  }

  // A thin dispatcher: expressions nest as deep as the parser allows, so
  // the recursion's frames must stay small, and the work happens in
  // functions of their own (kept out of line).
  Value gen(const Expr& e) {
    count();
    switch (e.kind) {
      case ExprKind::IntLiteral: case ExprKind::FloatLiteral: case ExprKind::BoolLiteral:
        return literal(e);
      case ExprKind::Name: return name(e);
      case ExprKind::Member: case ExprKind::Swizzle: case ExprKind::Index: return loadPlace(e);
      case ExprKind::Unary: return unary(e);
      case ExprKind::Postfix: return increment(e);
      case ExprKind::Binary: return binary(e);
      case ExprKind::Assign: return assign(e);
      case ExprKind::Conditional: return conditional(e);
      case ExprKind::Comma: return comma(e);
      case ExprKind::Call: return e.function ? inlineCall(e) : builtinCall(e);
      case ExprKind::Construct: return construct(e);
      case ExprKind::InitList: return initList(e, e.type);
      case ExprKind::MethodCall: return textureCall(e);
      case ExprKind::Cast: return cast(e);
      case ExprKind::Convert: return converted(e);
    }
    return zero(e.type);
  }

  [[gnu::noinline]] Value literal(const Expr& e) {
    if (e.kind == ExprKind::IntLiteral) return scalarConstant(e.type, static_cast<std::uint32_t>(e.intValue));
    if (e.kind == ExprKind::BoolLiteral) return scalarConstant(e.type, e.boolValue ? 1u : 0u);
    return scalarConstant(e.type, math::asBits(math::roundTo(e.type->scalar, e.floatValue)));
  }

  [[gnu::noinline]] Value name(const Expr& e) {
    auto it = bindings_.find(e.variable);
    if (it != bindings_.end() && it->second.kind == Binding::Kind::Resource) {
      Value v;
      v.type = e.type;
      v.slot = it->second.slot;
      return v;
    }
    if (it != bindings_.end() && it->second.kind == Binding::Kind::Bound) return it->second.value;
    return loadPlace(e);
  }

  [[gnu::noinline]] Value loadPlace(const Expr& e) { return load(placeOf(e)); }
  [[gnu::noinline]] Value assign(const Expr& e) { return assignment(e).second; }
  [[gnu::noinline]] Value converted(const Expr& e) { return convert(gen(*e.operands[0]), e.type); }
  [[gnu::noinline]] Value comma(const Expr& e) {
    gen(*e.operands[0]);
    return gen(*e.operands[1]);
  }

  // ++x and --x: the place written (an lvalue) and the value stored. Each
  // place is found once, so nested increments cost linear time.
  std::pair<Place, Value> preIncrement(const Expr& e) {
    const Place p = placeOf(*e.operands[0]);
    const Value v = stepValue(load(p), e.op == Op::PreIncrement);
    store(p, v);
    return {p, v};
  }

  [[gnu::noinline]] Value unary(const Expr& e) {
    if (e.op == Op::PreIncrement || e.op == Op::PreDecrement) return preIncrement(e).second;
    const Value a = gen(*e.operands[0]);
    const Type* t = e.type;
    switch (e.op) {
      case Op::Plus: return a;
      case Op::Negate:
        if (t->isMatrix()) {
          std::vector<Value> columns;
          for (unsigned c = 0; c < t->columns; ++c) {
            columns.push_back(alu1(Opcode::Neg, t->scalar, types_.column(t), part(a, c, types_.column(t))));
          }
          return composite(t, columns);
        }
        return alu1(Opcode::Neg, t->scalar, t, a);
      case Op::LogicalNot: return alu1(Opcode::LogicalNot, Scalar::Bool, t, a);
      case Op::BitNot: return alu1(Opcode::Not, t->scalar, t, a);
      default: return a;
    }
  }

  Value stepValue(const Value& v, bool up) {
    const Type* element = types_.scalar(v.type->scalar);
    const Value one = convert(scalarConstant(types_.intType(), 1), element);
    return alu2(up ? Opcode::Add : Opcode::Sub, v.type->scalar, types_.unpacked(v.type), v,
                broadcast(one, types_.unpacked(v.type)));
  }

  [[gnu::noinline]] Value increment(const Expr& e) {
    const Place p = placeOf(*e.operands[0]);
    const Value old = materialize(load(p));
    store(p, stepValue(old, e.op == Op::PostIncrement));
    return old;
  }

  Opcode arithmeticOpcode(Op op) {
    switch (op) {
      case Op::Add: return Opcode::Add;
      case Op::Sub: return Opcode::Sub;
      case Op::Mul: return Opcode::Mul;
      case Op::Div: return Opcode::Div;
      case Op::Rem: return Opcode::Rem;
      case Op::Shl: return Opcode::Shl;
      case Op::Shr: return Opcode::Shr;
      case Op::BitAnd: return Opcode::And;
      case Op::BitOr: return Opcode::Or;
      case Op::BitXor: return Opcode::Xor;
      case Op::Less: return Opcode::Less;
      case Op::LessEqual: return Opcode::LessEqual;
      case Op::Greater: return Opcode::Greater;
      case Op::GreaterEqual: return Opcode::GreaterEqual;
      case Op::Equal: return Opcode::Equal;
      case Op::NotEqual: return Opcode::NotEqual;
      default: return Opcode::Nop;
    }
  }

  [[gnu::noinline]] Value binary(const Expr& e) {
    if (e.op == Op::LogicalAnd || e.op == Op::LogicalOr) return logical(e);
    const Value a = gen(*e.operands[0]);
    const Value b = gen(*e.operands[1]);
    return arithmetic(e.op, a, b, e.type);
  }

  // An operator on converted operands giving `result`.
  [[gnu::noinline]] Value arithmetic(Op op, const Value& a, const Value& b, const Type* result) {
    const Type* l = a.type;
    const Type* r = b.type;
    if (l->isMatrix() || r->isMatrix()) return matrixArithmetic(op, a, b, result);
    const Opcode code = arithmeticOpcode(op);
    Instruction i = instruction(code);
    i.type = result->scalar;
    i.sourceType = l->scalar;
    return alu(i, result, {&a, &b});
  }

  Value matrixArithmetic(Op op, const Value& a, const Value& b, const Type* result) {
    const Type* l = a.type;
    const Type* r = b.type;
    const Scalar k = (l->isMatrix() ? l : r)->scalar;
    if (op == Op::Mul && l->isMatrix() && r->isVector()) return matrixTimesVector(a, b, result);
    if (op == Op::Mul && l->isVector() && r->isMatrix()) {
      // Row vector times matrix: one dot product per column.
      std::vector<Value> pieces;
      const Type* column = types_.column(r);
      for (unsigned c = 0; c < r->columns; ++c) {
        Instruction d = instruction(Opcode::Dot);
        d.type = k;
        d.width = static_cast<std::uint8_t>(r->rows);
        const Value col = part(b, c, column);
        pieces.push_back(alu(d, types_.scalar(k), {&a, &col}));
      }
      return vectorFrom(result, pieces);
    }
    if (op == Op::Mul && l->isMatrix() && r->isMatrix()) {
      std::vector<Value> columns;
      const Type* column = types_.column(result);
      for (unsigned c = 0; c < r->columns; ++c) {
        columns.push_back(matrixTimesVector(a, part(b, c, types_.column(r)), column));
      }
      return composite(result, columns);
    }
    // Column by column: matrix +- matrix, matrix */ scalar, scalar * matrix.
    std::vector<Value> columns;
    const Type* column = types_.column(result);
    const Opcode code = arithmeticOpcode(op);
    for (unsigned c = 0; c < result->columns; ++c) {
      const Value x = l->isMatrix() ? part(a, c, column) : broadcast(a, column);
      const Value y = r->isMatrix() ? part(b, c, column) : broadcast(b, column);
      columns.push_back(alu2(code, k, column, x, y));
    }
    return composite(result, columns);
  }

  // Sum over columns of m[c] * v[c], in column order.
  Value matrixTimesVector(const Value& m, const Value& v, const Type* result) {
    const Type* mt = m.type;
    const Type* column = types_.column(mt);
    const Type* element = types_.scalar(mt->scalar);
    Value sum;
    for (unsigned c = 0; c < mt->columns; ++c) {
      const std::uint8_t sel[1] = {static_cast<std::uint8_t>(c)};
      const Value vc = broadcast(swizzled(v, sel, 1, element), column);
      const Value mc = part(m, c, column);
      if (c == 0) {
        sum = alu2(Opcode::Mul, mt->scalar, column, mc, vc);
      } else {
        sum = alu3(Opcode::Mad, mt->scalar, column, mc, vc, sum);
      }
    }
    sum.type = result;
    return sum;
  }

  [[gnu::noinline]] Value logical(const Expr& e) {
    const bool isAnd = e.op == Op::LogicalAnd;
    const Value a = gen(*e.operands[0]);
    if (a.constant) {
      if (isAnd ? !a.data[0][0] : a.data[0][0]) return a;
      return gen(*e.operands[1]);
    }
    if (!sideEffects(*e.operands[1])) {
      const Value b = gen(*e.operands[1]);
      return alu2(isAnd ? Opcode::And : Opcode::Or, Scalar::Bool, e.type, a, b);
    }
    // The right side runs only when it decides.
    const Value result = materialize(a);
    Instruction i = instruction(Opcode::If);
    i.src[0] = source(isAnd ? result : alu1(Opcode::LogicalNot, Scalar::Bool, e.type, result));
    const std::size_t at = emit(i);
    storeRegisters(result.reg, gen(*e.operands[1]));
    code_[at].target = static_cast<std::uint32_t>(emit(instruction(Opcode::EndIf)));
    return result;
  }

  [[gnu::noinline]] Value conditional(const Expr& e) {
    const Value c = gen(*e.operands[0]);
    if (c.constant) return gen(*e.operands[c.data[0][0] ? 1 : 2]);
    if (!sideEffects(*e.operands[1]) && !sideEffects(*e.operands[2])) {
      const Value a = gen(*e.operands[1]);
      const Value b = gen(*e.operands[2]);
      if (e.type->registers == 1) {
        Instruction i = instruction(Opcode::Select);
        i.type = e.type->scalar;
        const Value cc = broadcast(c, types_.vector(Scalar::Bool, e.type->rows));
        return alu(i, e.type, {&cc, &a, &b});
      }
      std::vector<Value> parts;
      const Value cc = broadcast(c, types_.vector(Scalar::Bool, 4));
      for (std::uint64_t k = 0; k < e.type->registers; ++k) {
        Instruction i = instruction(Opcode::Select);
        const Value x = part(a, k, types_.vector(Scalar::Float, 4));
        const Value y = part(b, k, types_.vector(Scalar::Float, 4));
        parts.push_back(alu(i, types_.vector(Scalar::Float, 4), {&cc, &x, &y}));
      }
      Value r = composite(e.type, parts);
      return r;
    }
    const std::uint16_t result = allocate(e.type->registers);
    Instruction i = instruction(Opcode::If);
    i.src[0] = source(c);
    const std::size_t at = emit(i);
    storeRegisters(result, gen(*e.operands[1]));
    const std::size_t elseAt = emit(instruction(Opcode::Else));
    code_[at].target = static_cast<std::uint32_t>(elseAt);
    storeRegisters(result, gen(*e.operands[2]));
    code_[elseAt].target = static_cast<std::uint32_t>(emit(instruction(Opcode::EndIf)));
    return inRegister(e.type, result);
  }

  // An assignment: the place written (an lvalue) and the value stored.
  // The right side is evaluated first, as C++17 orders it.
  [[gnu::noinline]] std::pair<Place, Value> assignment(const Expr& e) {
    const std::uint32_t fresh = next_;
    const Value rhs = gen(*e.operands[1]);
    const Place p = placeOf(*e.operands[0]);
    // Once stored, the value is read from its place (its first register
    // may never have been written).
    if (e.op == Op::None) {
      store(p, rhs, fresh);
      return {p, load(p)};
    }
    const Value current = convert(load(p), e.operationType);
    const Value result = convert(arithmetic(e.op, current, rhs, e.operationResult), e.type);
    store(p, result, fresh);
    return {p, load(p)};
  }

  [[gnu::noinline]] Value construct(const Expr& e) {
    const Type* t = e.type;
    const auto& ops = e.operands;
    if (ops.empty()) return zero(t);
    std::vector<Value> args;
    for (const auto& o : ops) args.push_back(gen(*o));
    switch (t->kind) {
      case TypeKind::Scalar: return convert(args[0], t);
      case TypeKind::Vector:
        if (args.size() == 1 && args[0].type->isScalar()) return convert(args[0], t);
        if (args.size() == 1 && args[0].type->isVector()) return convert(args[0], t);
        return vectorFrom(t, args);
      case TypeKind::Matrix: {
        const Type* column = types_.column(t);
        if (args.size() == 1 && args[0].type->isScalar()) {
          std::vector<Value> columns;
          const Value s = convert(args[0], types_.scalar(t->scalar));
          const Value z = zero(types_.scalar(t->scalar));
          for (unsigned c = 0; c < t->columns; ++c) {
            std::vector<Value> pieces;
            for (unsigned r = 0; r < t->rows; ++r) pieces.push_back(r == c ? s : z);
            columns.push_back(vectorFrom(column, pieces));
          }
          return composite(t, columns);
        }
        if (args.size() == 1) return convert(args[0], t);
        if (args.size() == t->columns) {
          std::vector<Value> columns;
          for (const Value& a : args) columns.push_back(convert(a, column));
          return composite(t, columns);
        }
        std::vector<Value> columns;
        for (unsigned c = 0; c < t->columns; ++c) {
          std::vector<Value> pieces(args.begin() + c * t->rows, args.begin() + (c + 1) * t->rows);
          columns.push_back(vectorFrom(column, pieces));
        }
        return composite(t, columns);
      }
      default: return zero(t);
    }
  }

  [[gnu::noinline]] Value cast(const Expr& e) {
    const Value v = gen(*e.operands[0]);
    if (e.castKind != CastKind::AsType) return convert(v, e.type);
    Instruction i = instruction(Opcode::Bitcast);
    i.type = e.type->scalar;
    i.sourceType = v.type->scalar;
    // A 3-component vector carries a fourth component of padding.
    i.width = static_cast<std::uint8_t>(v.type->rows == 3 ? 4 : v.type->rows);
    return alu(i, e.type, {&v});
  }

  [[gnu::noinline]] Value builtinCall(const Expr& e) {
    const Builtin b = static_cast<Builtin>(e.builtin);
    std::vector<Value> a;
    for (const auto& o : e.operands) a.push_back(gen(*o));
    const Type* t = e.type;
    const Scalar k = a.empty() ? Scalar::Float : a[0].type->scalar;
    const auto geometric = [&](Opcode op, const Type* result) {
      Instruction i = instruction(op);
      i.type = result->scalar;
      i.width = static_cast<std::uint8_t>(a[0].type->rows);
      if (a.size() == 1) return alu(i, result, {&a[0]});
      if (a.size() == 2) return alu(i, result, {&a[0], &a[1]});
      return alu(i, result, {&a[0], &a[1], &a[2]});
    };
    switch (b) {
      case Builtin::Abs: case Builtin::Fabs: return alu1(Opcode::Abs, k, t, a[0]);
      case Builtin::Max: return alu2(Opcode::Max, k, t, a[0], a[1]);
      case Builtin::Min: return alu2(Opcode::Min, k, t, a[0], a[1]);
      case Builtin::Select: {
        Instruction i = instruction(Opcode::Select);
        i.type = t->scalar;
        return alu(i, t, {&a[2], &a[1], &a[0]});
      }
      case Builtin::All: case Builtin::Any: {
        Instruction i = instruction(b == Builtin::All ? Opcode::All : Opcode::Any);
        i.type = Scalar::Bool;
        i.width = static_cast<std::uint8_t>(a[0].type->rows);
        return alu(i, t, {&a[0]});
      }
      case Builtin::Dot: return geometric(Opcode::Dot, t);
      case Builtin::Length: return geometric(Opcode::Length, t);
      case Builtin::LengthSquared: return geometric(Opcode::LengthSquared, t);
      case Builtin::Distance: return geometric(Opcode::Distance, t);
      case Builtin::DistanceSquared: return geometric(Opcode::DistanceSquared, t);
      case Builtin::Normalize: return geometric(Opcode::Normalize, t);
      case Builtin::Cross: return geometric(Opcode::Cross, t);
      case Builtin::Reflect: return geometric(Opcode::Reflect, t);
      case Builtin::Refract: return geometric(Opcode::Refract, t);
      case Builtin::Faceforward: return geometric(Opcode::Faceforward, t);
      case Builtin::Determinant: return determinant(a[0], t);
      case Builtin::Transpose: return transpose(a[0], t);
      case Builtin::Dfdx: case Builtin::Dfdy: case Builtin::Fwidth: {
        out_->usesDerivatives = true;
        Instruction i = instruction(b == Builtin::Dfdx   ? Opcode::Dfdx
                                    : b == Builtin::Dfdy ? Opcode::Dfdy
                                                         : Opcode::Fwidth);
        i.type = k;
        i.mask = maskOf(t->rows);
        i.src[0] = source(a[0]);
        i.dst = allocate(1);
        emit(i);
        return inRegister(t, i.dst);
      }
      case Builtin::DiscardFragment:
        out_->usesDiscard = true;
        emit(instruction(Opcode::Discard));
        return zero(types_.voidType());
      default: break;
    }
    const MathFunction f = mathOf(b);
    Instruction i = instruction(a.size() == 1 ? Opcode::Math1 : a.size() == 2 ? Opcode::Math2 : Opcode::Math3);
    i.aux = static_cast<std::uint8_t>(f);
    i.type = k;
    i.sourceType = k;
    if (a.size() == 1) return alu(i, t, {&a[0]});
    if (a.size() == 2) return alu(i, t, {&a[0], &a[1]});
    return alu(i, t, {&a[0], &a[1], &a[2]});
  }

  Value determinant(const Value& m, const Type* t) {
    const Value columns = m.constant ? m : (m.type->registers == 1 ? materialize(m) : m);
    const unsigned n = m.type->columns;
    if (columns.constant) {
      float cols[4][4] = {};
      for (unsigned c = 0; c < n; ++c) {
        for (unsigned r = 0; r < n; ++r) cols[c][r] = math::asFloat(columns.data[c][r]);
      }
      const std::uint32_t bits = math::asBits(math::roundTo(t->scalar, math::determinant(cols, n)));
      return scalarConstant(t, bits);
    }
    Instruction i = instruction(Opcode::Determinant);
    i.type = t->scalar;
    i.width = static_cast<std::uint8_t>(n);
    i.mask = 1;
    i.src[0].reg = columns.reg;
    i.dst = allocate(1);
    emit(i);
    return inRegister(t, i.dst);
  }

  Value transpose(const Value& m, const Type* t) {
    const Type* column = types_.column(t);
    const Type* element = types_.scalar(t->scalar);
    std::vector<Value> columns;
    for (unsigned c = 0; c < t->columns; ++c) {
      std::vector<Value> pieces;
      for (unsigned r = 0; r < t->rows; ++r) {
        const std::uint8_t sel[1] = {static_cast<std::uint8_t>(c)};
        pieces.push_back(swizzled(part(m, r, types_.column(m.type)), sel, 1, element));
      }
      columns.push_back(vectorFrom(column, pieces));
    }
    return composite(t, columns);
  }

  [[gnu::noinline]] Value textureCall(const Expr& e) {
    const Builtin b = static_cast<Builtin>(e.builtin);
    const Value texture = gen(*e.operands[0]);
    const Type* tt = e.operands[0]->type;
    textureUses_.push_back(texture.slot);
    Instruction i = instruction(Opcode::Sample);
    i.aux = static_cast<std::uint8_t>(texture.slot);
    i.type = e.type->scalar;
    i.stride = static_cast<std::uint32_t>(tt->shape);
    i.mask = maskOf(e.type->rows);
    if (b == Builtin::GetWidth || b == Builtin::GetHeight || b == Builtin::GetNumMipLevels) {
      i.op = b == Builtin::GetNumMipLevels ? Opcode::TextureLevels : Opcode::TextureSize;
      i.type = Scalar::UInt;
      i.target = b == Builtin::GetHeight ? 1 : 0;
      const Value lod = e.operands.size() > 1 ? gen(*e.operands[1]) : scalarConstant(types_.uintType(), 0);
      i.src[0] = source(lod);
      i.dst = allocate(1);
      emit(i);
      return inRegister(e.type, i.dst);
    }
    const Value sampler = gen(*e.operands[1]);
    samplerUses_.push_back(sampler.slot);
    i.offset = static_cast<std::uint32_t>(sampler.slot);
    const Value coordinate = gen(*e.operands[2]);
    i.width = static_cast<std::uint8_t>(coordinate.type->rows);
    i.src[0] = source(coordinate);
    const auto option = static_cast<SampleOption>(e.optionKind);
    i.sampleOption = static_cast<std::uint8_t>(option);
    std::vector<Value> optionArgs;
    if (option != SampleOption::None) {
      for (const auto& o : e.operands.back()->operands) optionArgs.push_back(gen(*o));
    }
    if (b == Builtin::SampleCompare) {
      i.op = Opcode::SampleCompare;
      i.src[1] = source(gen(*e.operands[3]));
      if (!optionArgs.empty()) i.src[2] = source(optionArgs[0]);
    } else {
      if (optionArgs.size() >= 1) i.src[1] = source(optionArgs[0]);
      if (optionArgs.size() >= 2) i.src[2] = source(optionArgs[1]);
      if (out_->stage == FunctionType::Fragment &&
          (option == SampleOption::None || option == SampleOption::Bias)) {
        out_->usesDerivatives = true;
      }
    }
    i.dst = allocate(1);
    emit(i);
    return inRegister(e.type, i.dst);
  }

  [[gnu::noinline]] Value inlineCall(const Expr& e) {
    const FunctionDecl* f = e.function->body ? e.function : e.function->definition;
    // Bind the parameters before the body runs.
    std::vector<std::pair<const Variable*, Binding>> bound;
    // Without a thread reference parameter nothing the callee does can
    // change the caller's variables, so read-only parameters may use them
    // as they are.
    bool references = false;
    for (const Parameter& p : f->parameters) {
      references = references || (p.variable->isReference &&
                                   p.variable->addressSpace == AddressSpace::Thread);
    }
    for (std::size_t k = 0; k < e.operands.size(); ++k) {
      const Variable& p = *f->parameters[k].variable;
      const Expr& arg = *e.operands[k];
      Binding b;
      if (p.type->kind == TypeKind::Texture || p.type->kind == TypeKind::Sampler) {
        b.kind = Binding::Kind::Resource;
        b.slot = gen(arg).slot;
      } else if (p.isReference && arg.lvalue && arg.type == p.type) {
        b.kind = Binding::Kind::Alias;
        b.place = placeOf(arg);
      } else {
        const Value v = convert(gen(arg), p.type);
        if (!p.isReference && !writes(*f->body, &p)) {
          // Read only: the argument itself stands for the parameter, so
          // constants keep folding.
          b.kind = Binding::Kind::Bound;
          b.value = (v.constant || !references) ? v : materializeIfShared(v);
        } else {
          b.reg = materialize(v).reg;
        }
      }
      bound.emplace_back(&p, b);
    }
    for (auto& [p, b] : bound) bindings_[p] = b;

    Frame frame;
    frame.function = f;
    frame.constructBase = constructs_.size();
    frame.resultType = f->resolvedReturn;
    const auto& body = f->body->body;
    const int returns = countReturns(*f->body);
    const bool tail = returns == 1 && !body.empty() && body.back()->kind == StmtKind::Return;
    if (tail) {
      // The value of the final return is the call's value; the body's
      // registers stay taken until the caller's statement ends.
      frames_.push_back(frame);
      for (std::size_t k = 0; k + 1 < body.size(); ++k) statement(*body[k]);
      Value result = body.back()->expr ? gen(*body.back()->expr) : zero(types_.voidType());
      frames_.pop_back();
      return result;
    }
    const bool isVoid = f->resolvedReturn->isVoid();
    if (!isVoid) {
      frame.result = allocate(f->resolvedReturn->registers);
      storeRegisters(frame.result, zero(f->resolvedReturn));
    }
    frame.block = returns > 0;
    if (frame.block) {
      emit(instruction(Opcode::Block));
      constructs_.push_back(Construct{false, {}, {}});
    }
    const std::size_t blockAt = code_.size() - 1;
    frames_.push_back(frame);
    statement(*f->body);
    frames_.pop_back();
    if (frame.block) {
      const std::size_t end = emit(instruction(Opcode::EndBlock));
      code_[blockAt].target = static_cast<std::uint32_t>(end + 1);
      Construct c = std::move(constructs_.back());
      constructs_.pop_back();
      for (std::size_t b : c.breaks) code_[b].target = static_cast<std::uint32_t>(end + 1);
    }
    if (isVoid) return zero(types_.voidType());
    return inRegister(f->resolvedReturn, frame.result);
  }

  // A register value that a later write could change (a variable's own
  // registers) is copied; temporaries are used as they are.
  Value materializeIfShared(const Value& v) {
    if (v.reg < firstTemporary_ || isVariableRegister(v.reg)) return materialize(v);
    return v;
  }

  bool isVariableRegister(std::uint16_t reg) const {
    for (const auto& [var, b] : bindings_) {
      if (b.kind != Binding::Kind::Registers || !var->type) continue;
      if (reg >= b.reg && reg < b.reg + std::max<std::uint64_t>(var->type->registers, 1)) return true;
    }
    return false;
  }

  // ---- final numbering

  void finish() {
    // Keep only the constants that are used; renumber them first.
    std::vector<bool> used(constants_.size(), false);
    const auto markSrc = [&](const Src& s) {
      if (isConstantRegister(s.reg)) used[s.reg & ~kConstantFlag] = true;
    };
    for (const Instruction& i : code_) {
      for (unsigned k = 0; k < sourceCount(i); ++k) markSrc(i.src[k]);
      if ((i.op == Opcode::LoadIndexed || i.op == Opcode::StoreIndexed) &&
          isConstantRegister(static_cast<std::uint16_t>(i.offset))) {
        const std::uint32_t first = i.offset & ~kConstantFlag;
        for (std::uint32_t k = 0; k < i.count; ++k) used[first + k] = true;
      }
      if (i.op == Opcode::Determinant && isConstantRegister(i.src[0].reg)) {
        for (unsigned k = 0; k < i.width; ++k) used[(i.src[0].reg & ~kConstantFlag) + k] = true;
      }
    }
    std::vector<std::uint32_t> newIndex(constants_.size(), 0);
    std::vector<Register> kept;
    for (std::size_t k = 0; k < constants_.size(); ++k) {
      if (!used[k]) continue;
      newIndex[k] = static_cast<std::uint32_t>(kept.size());
      kept.push_back(constants_[k]);
    }
    const auto constantCount = static_cast<std::uint32_t>(kept.size());
    const auto remap = [&](std::uint32_t r) -> std::uint16_t {
      if (r & kConstantFlag) return static_cast<std::uint16_t>(newIndex[r & ~kConstantFlag]);
      return static_cast<std::uint16_t>(r + constantCount);
    };
    const auto remapRange = [&](std::uint32_t r) -> std::uint32_t {
      // A constant range is contiguous in the kept constants too: all its
      // members were marked.
      return remap(r);
    };
    for (Instruction& i : code_) {
      if (hasDestination(i.op)) i.dst = remap(i.dst);
      for (unsigned k = 0; k < sourceCount(i); ++k) i.src[k].reg = remap(i.src[k].reg);
      if (i.op == Opcode::LoadIndexed || i.op == Opcode::StoreIndexed) i.offset = remapRange(i.offset);
    }
    for (auto& v : out_->inputs) v.reg = remap(v.reg);
    for (auto& v : out_->outputs) v.reg = remap(v.reg);
    out_->constants = std::move(kept);
    out_->registerCount = constantCount + peak_;
    out_->code = std::move(code_);
    usage();
  }

  // Which inputs and resources the code reads.
  void usage() {
    std::vector<bool> read(out_->registerCount, false);
    for (const Instruction& i : out_->code) {
      for (unsigned k = 0; k < sourceCount(i); ++k) {
        if (i.src[k].reg < read.size()) read[i.src[k].reg] = true;
      }
      if (i.op == Opcode::StoreIndexed) {
        for (unsigned k = 0; k < i.width; ++k) {
          if (i.src[1].reg + k < read.size()) read[i.src[1].reg + k] = true;
        }
      }
      if (i.op == Opcode::LoadIndexed) {
        for (std::uint32_t k = 0; k < i.count; ++k) {
          if (i.offset + k < read.size()) read[i.offset + k] = true;
        }
      }
      if (i.op == Opcode::Determinant) {
        for (unsigned k = 0; k < i.width; ++k) read[i.src[0].reg + k] = true;
      }
      if (i.op == Opcode::LoadBuffer || i.op == Opcode::StoreBuffer) {
        for (auto& b : out_->buffers) {
          if (b.slot == i.aux) {
            b.active = true;
            b.writes = b.writes || i.op == Opcode::StoreBuffer;
          }
        }
      }
    }
    for (int slot : textureUses_) {
      for (auto& t : out_->textures) t.active = t.active || static_cast<int>(t.slot) == slot;
    }
    for (int slot : samplerUses_) {
      for (auto& s : out_->samplers) s.active = s.active || static_cast<int>(s.slot) == slot;
    }
    for (auto& v : out_->inputs) v.active = v.reg < read.size() && read[v.reg];
    for (auto& a : out_->arguments) {
      const Argument& arg = a.argument;
      const auto find = [&](const std::vector<ResourceUse>& list) {
        for (const auto& r : list) {
          if (r.slot == arg.index) return r.active;
        }
        return false;
      };
      if (a.stageIn) continue;
      if (arg.type == ArgumentType::Buffer) a.argument.active = find(out_->buffers);
      if (arg.type == ArgumentType::Texture) a.argument.active = find(out_->textures);
      if (arg.type == ArgumentType::Sampler) a.argument.active = find(out_->samplers);
    }
  }

  TypeTable& types_;
  Diagnostics& diag_;
  const FunctionDecl& entry_;
  std::shared_ptr<CompiledFunction> out_;
  std::vector<Instruction> code_;
  std::vector<Register> constants_;
  std::map<Register, std::uint16_t> constantIndex_;
  std::map<std::vector<Register>, std::uint16_t> blockIndex_;
  std::unordered_map<const Variable*, Binding> bindings_;
  std::unordered_map<const Variable*, std::uint16_t> globals_;
  std::vector<Construct> constructs_;
  std::vector<Frame> frames_;
  std::vector<int> textureUses_, samplerUses_, bufferWrites_;
  std::uint32_t next_ = 0;
  std::uint32_t peak_ = 0;
  std::size_t work_ = 0;
  std::uint32_t firstTemporary_ = 0;
  std::uint16_t outputBase_ = 0;
  const Type* outputType_ = nullptr;
};

}  // namespace

std::vector<std::shared_ptr<CompiledFunction>> generate(const TranslationUnit& unit,
                                                        TypeTable& types,
                                                        Diagnostics& diagnostics) {
  std::vector<std::shared_ptr<CompiledFunction>> functions;
  for (const auto& f : unit.functions) {
    if (f->functionKind == FunctionKind::Plain || !f->body) continue;
    auto compiled = FunctionGen(types, diagnostics, *f).run();
    if (compiled) functions.push_back(std::move(compiled));
  }
  return functions;
}

}  // namespace mtl::msl
