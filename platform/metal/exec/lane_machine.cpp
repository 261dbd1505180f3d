#include "platform/metal/exec/lane_machine.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "platform/metal/msl/alu.h"
#include "platform/metal/msl/builtin_math.h"
#include "platform/metal/msl/memory_access.h"

namespace mtl::exec {

using msl::Instruction;
using msl::Opcode;
using msl::Scalar;
using msl::Src;
using msl::readComponent;
using msl::writeComponent;

namespace {

// What happens first to a register component in straight-line code.
enum class First : std::uint8_t { Unknown, Written, ReadOrLate };

void markRead(std::vector<First>& first, std::uint32_t reg, unsigned component) {
  const std::size_t k = std::size_t{reg} * 4 + component;
  if (k < first.size() && first[k] == First::Unknown) first[k] = First::ReadOrLate;
}

void markWrite(std::vector<First>& first, std::uint32_t reg, unsigned component, bool definite) {
  const std::size_t k = std::size_t{reg} * 4 + component;
  if (k < first.size() && first[k] == First::Unknown) {
    first[k] = definite ? First::Written : First::ReadOrLate;
  }
}

void markSourceRead(std::vector<First>& first, const Src& s) {
  for (unsigned c = 0; c < 4; ++c) markRead(first, s.reg, s.component(c));
}

void markRegistersRead(std::vector<First>& first, std::uint32_t reg, std::uint32_t count) {
  for (std::uint32_t r = reg; r < reg + count; ++r) {
    for (unsigned c = 0; c < 4; ++c) markRead(first, r, c);
  }
}

bool isConstructStart(Opcode op) {
  return op == Opcode::If || op == Opcode::Loop || op == Opcode::Block;
}
bool isConstructEnd(Opcode op) {
  return op == Opcode::EndIf || op == Opcode::EndLoop || op == Opcode::EndBlock;
}

}  // namespace

LaneProgram::LaneProgram(const msl::CompiledFunction& f,
                         std::vector<std::pair<std::uint16_t, msl::Register>> pinned)
    : function_(&f), pinned_(std::move(pinned)) {
  const std::size_t n = f.code.size();
  matchingEnd_.assign(n, 0);
  std::vector<std::uint32_t> open;
  for (std::size_t pc = 0; pc < n; ++pc) {
    const Opcode op = f.code[pc].op;
    if (isConstructStart(op)) open.push_back(static_cast<std::uint32_t>(pc));
    if (isConstructEnd(op) && !open.empty()) {
      matchingEnd_[open.back()] = static_cast<std::uint32_t>(pc);
      open.pop_back();
    }
  }

  // A component needs no clearing when straight-line code at the top level
  // writes it before anything reads it and before any lane can leave.
  std::vector<First> first(std::size_t{f.registerCount} * 4, First::Unknown);
  for (std::size_t k = 0; k < f.constants.size() * 4 && k < first.size(); ++k) {
    first[k] = First::Written;
  }
  for (const msl::InterfaceValue& in : f.inputs) {
    for (unsigned c = 0; c < 4; ++c) markWrite(first, in.reg, c, true);
  }
  for (const auto& [reg, value] : pinned_) {
    for (unsigned c = 0; c < 4; ++c) markWrite(first, reg, c, true);
  }
  int depth = 0;
  bool left = false;
  for (const Instruction& i : f.code) {
    switch (i.op) {
      case Opcode::If: case Opcode::Loop: case Opcode::Block: ++depth; break;
      case Opcode::EndIf: case Opcode::EndLoop: case Opcode::EndBlock: --depth; break;
      case Opcode::Break: case Opcode::BreakIfNot: case Opcode::Continue: case Opcode::Return:
      case Opcode::Discard:
        left = true;
        break;
      default: break;
    }
    const unsigned sources = msl::sourceCount(i);
    for (unsigned k = 0; k < sources; ++k) markSourceRead(first, i.src[k]);
    if (i.op == Opcode::Determinant) markRegistersRead(first, i.src[0].reg, i.width);
    if (i.op == Opcode::LoadIndexed || i.op == Opcode::StoreIndexed) {
      markRegistersRead(first, i.offset, i.count);
    }
    if (i.op == Opcode::StoreIndexed) markRegistersRead(first, i.src[1].reg, i.width);
    if (!msl::hasDestination(i.op)) continue;
    const bool definite = depth == 0 && !left;
    if (i.op == Opcode::LoadIndexed) {
      for (std::uint32_t r = i.dst; r < std::uint32_t{i.dst} + i.width; ++r) {
        for (unsigned c = 0; c < 4; ++c) markWrite(first, r, c, definite);
      }
    } else {
      for (unsigned c = 0; c < 4; ++c) {
        if (i.mask & (1u << c)) markWrite(first, i.dst, c, definite);
      }
    }
  }
  for (std::size_t k = 0; k < first.size(); ++k) {
    if (first[k] != First::Written) rowsToClear_.push_back(static_cast<std::uint32_t>(k));
  }
}

void LaneMachine::bind(const LaneProgram& program) {
  program_ = &program;
  const msl::CompiledFunction& f = program.function();
  rows_.assign(std::size_t{f.registerCount} * 4, LaneRow{});
  for (std::size_t k = 0; k < f.constants.size() && k < f.registerCount; ++k) {
    for (unsigned c = 0; c < 4; ++c) std::fill_n(row(static_cast<std::uint32_t>(k), c).v, kLanes, f.constants[k][c]);
  }
  for (const auto& [reg, value] : program.pinned()) {
    if (reg >= f.registerCount) continue;
    for (unsigned c = 0; c < 4; ++c) std::fill_n(row(reg, c).v, kLanes, value[c]);
  }
  stack_.reserve(16);
}

void LaneMachine::reset() {
  for (std::uint32_t k : program_->rowsToClear()) std::memset(rows_[k].v, 0, sizeof(LaneRow));
}

void LaneMachine::readSource(const Src& s, LaneRows& out) const {
  for (unsigned c = 0; c < 4; ++c) out[c] = row(s.reg, s.component(c));
}

void LaneMachine::write(const Instruction& i, const LaneRows& value, LaneMask active) {
  if (active == kAllLanes) {
    for (unsigned c = 0; c < 4; ++c) {
      if (i.mask & (1u << c)) row(i.dst, c) = value[c];
    }
    return;
  }
  std::uint32_t keep[kLanes];
  for (unsigned l = 0; l < kLanes; ++l) keep[l] = 0u - ((active >> l) & 1u);
  for (unsigned c = 0; c < 4; ++c) {
    if (!(i.mask & (1u << c))) continue;
    std::uint32_t* __restrict to = row(i.dst, c).v;
    const std::uint32_t* __restrict from = value[c].v;
    for (unsigned l = 0; l < kLanes; ++l) to[l] = (from[l] & keep[l]) | (to[l] & ~keep[l]);
  }
}

namespace {

struct Floats {
  float f[kLanes];
};
inline Floats floatsOf(const LaneRow& r) {
  Floats x;
  std::memcpy(x.f, r.v, sizeof x.f);
  return x;
}
inline void store(LaneRow& r, const Floats& x) { std::memcpy(r.v, x.f, sizeof x.f); }

// Whether no lane of the row holds a NaN.
inline bool ordered(const Floats& x) {
  unsigned unordered = 0;
  for (unsigned l = 0; l < kLanes; ++l) unordered |= x.f[l] != x.f[l] ? 1u : 0u;
  return unordered == 0;
}

// std::fmin(x, y) and std::fmax(x, y) where neither is a NaN: the other
// operand only where it is strictly smaller (larger), so that of equal
// operands, zeros of either sign among them, the first is kept.
inline float fminOrdered(float x, float y) { return y < x ? y : x; }
inline float fmaxOrdered(float x, float y) { return x < y ? y : x; }

// Float arithmetic over whole rows: the same single operations the scalar
// code performs, so the results are the same bits. Minimum, maximum and
// clamp take rows without NaNs (the scalar code keeps its NaN rules).
bool floatFastPath(const Instruction& i, const LaneRow* a, const LaneRow* b, const LaneRow* c,
                   LaneRow& out) {
  if (i.type != Scalar::Float) {
    if (i.op == Opcode::Mov) {
      out = *a;
      return true;
    }
    return false;
  }
  Floats x, y, z, r;
  switch (i.op) {
    case Opcode::Mov: out = *a; return true;
    case Opcode::Add:
      x = floatsOf(*a); y = floatsOf(*b);
      for (unsigned l = 0; l < kLanes; ++l) r.f[l] = x.f[l] + y.f[l];
      break;
    case Opcode::Sub:
      x = floatsOf(*a); y = floatsOf(*b);
      for (unsigned l = 0; l < kLanes; ++l) r.f[l] = x.f[l] - y.f[l];
      break;
    case Opcode::Mul:
      x = floatsOf(*a); y = floatsOf(*b);
      for (unsigned l = 0; l < kLanes; ++l) r.f[l] = x.f[l] * y.f[l];
      break;
    case Opcode::Div:
      x = floatsOf(*a); y = floatsOf(*b);
      for (unsigned l = 0; l < kLanes; ++l) r.f[l] = x.f[l] / y.f[l];
      break;
    case Opcode::Mad:
      x = floatsOf(*a); y = floatsOf(*b); z = floatsOf(*c);
      for (unsigned l = 0; l < kLanes; ++l) {
        const float product = x.f[l] * y.f[l];
        r.f[l] = product + z.f[l];
      }
      break;
    case Opcode::Neg:
      for (unsigned l = 0; l < kLanes; ++l) out.v[l] = a->v[l] ^ 0x80000000u;
      return true;
    case Opcode::Abs:
      for (unsigned l = 0; l < kLanes; ++l) out.v[l] = a->v[l] & 0x7FFFFFFFu;
      return true;
    case Opcode::Select:
      for (unsigned l = 0; l < kLanes; ++l) out.v[l] = a->v[l] ? b->v[l] : c->v[l];
      return true;
    case Opcode::Min:
      x = floatsOf(*a); y = floatsOf(*b);
      if (!ordered(x) || !ordered(y)) return false;
      for (unsigned l = 0; l < kLanes; ++l) r.f[l] = fminOrdered(x.f[l], y.f[l]);
      break;
    case Opcode::Max:
      x = floatsOf(*a); y = floatsOf(*b);
      if (!ordered(x) || !ordered(y)) return false;
      for (unsigned l = 0; l < kLanes; ++l) r.f[l] = fmaxOrdered(x.f[l], y.f[l]);
      break;
    case Opcode::Math3:
      if (static_cast<msl::MathFunction>(i.aux) != msl::MathFunction::Clamp) return false;
      x = floatsOf(*a); y = floatsOf(*b); z = floatsOf(*c);
      if (!ordered(x) || !ordered(y) || !ordered(z)) return false;
      for (unsigned l = 0; l < kLanes; ++l) r.f[l] = fminOrdered(fmaxOrdered(x.f[l], y.f[l]), z.f[l]);
      break;
    default:
      return false;
  }
  store(out, r);
  return true;
}

bool comparisonFastPath(const Instruction& i, const LaneRow* a, const LaneRow* b, LaneRow& out) {
  if (i.sourceType != Scalar::Float) return false;
  const Floats x = floatsOf(*a), y = floatsOf(*b);
  switch (i.op) {
    case Opcode::Equal: for (unsigned l = 0; l < kLanes; ++l) out.v[l] = x.f[l] == y.f[l]; break;
    case Opcode::NotEqual: for (unsigned l = 0; l < kLanes; ++l) out.v[l] = !(x.f[l] == y.f[l]); break;
    case Opcode::Less: for (unsigned l = 0; l < kLanes; ++l) out.v[l] = x.f[l] < y.f[l]; break;
    case Opcode::LessEqual: for (unsigned l = 0; l < kLanes; ++l) out.v[l] = x.f[l] <= y.f[l]; break;
    case Opcode::Greater: for (unsigned l = 0; l < kLanes; ++l) out.v[l] = y.f[l] < x.f[l]; break;
    case Opcode::GreaterEqual: for (unsigned l = 0; l < kLanes; ++l) out.v[l] = y.f[l] <= x.f[l]; break;
    default: return false;
  }
  return true;
}

bool isComparison(Opcode op) {
  return op == Opcode::Equal || op == Opcode::NotEqual || op == Opcode::Less ||
         op == Opcode::LessEqual || op == Opcode::Greater || op == Opcode::GreaterEqual;
}


}  // namespace

void LaneMachine::alu(const Instruction& i, LaneMask active) {
  if (msl::isComponentWise(i.op)) {
    const unsigned sources = msl::sourceCount(i);
    // Every lane written and no source in the destination register: the
    // results go straight into its rows.
    bool direct = active == kAllLanes;
    for (unsigned k = 0; k < sources; ++k) direct = direct && i.src[k].reg != i.dst;
    if (direct) {
      for (unsigned c = 0; c < 4; ++c) {
        if (!(i.mask & (1u << c))) continue;
        const LaneRow* a = &row(i.src[0].reg, i.src[0].component(c));
        const LaneRow* b = sources > 1 ? &row(i.src[1].reg, i.src[1].component(c)) : a;
        const LaneRow* d = sources > 2 ? &row(i.src[2].reg, i.src[2].component(c)) : a;
        LaneRow& out = row(i.dst, c);
        if (floatFastPath(i, a, b, d, out)) continue;
        if (isComparison(i.op) && comparisonFastPath(i, a, b, out)) continue;
        for (unsigned l = 0; l < kLanes; ++l) out.v[l] = msl::componentWise(i, a->v[l], b->v[l], d->v[l]);
      }
      return;
    }
    LaneRows out;
    for (unsigned c = 0; c < 4; ++c) {
      if (!(i.mask & (1u << c))) continue;
      const LaneRow* a = &row(i.src[0].reg, i.src[0].component(c));
      const LaneRow* b = sources > 1 ? &row(i.src[1].reg, i.src[1].component(c)) : a;
      const LaneRow* d = sources > 2 ? &row(i.src[2].reg, i.src[2].component(c)) : a;
      if (floatFastPath(i, a, b, d, out[c])) continue;
      if (isComparison(i.op) && comparisonFastPath(i, a, b, out[c])) continue;
      for (unsigned l = 0; l < kLanes; ++l) {
        out[c].v[l] =
            (active & (1u << l)) ? msl::componentWise(i, a->v[l], b->v[l], d->v[l]) : 0;
      }
    }
    write(i, out, active);
    return;
  }
  if (i.op == Opcode::ExtractDynamic || i.op == Opcode::InsertDynamic) {
    LaneRows a, b, c, out;
    readSource(i.src[0], a);
    readSource(i.src[1], b);
    if (i.op == Opcode::InsertDynamic) readSource(i.src[2], c);
    for (unsigned l = 0; l < kLanes; ++l) {
      const std::uint32_t k = b[0].v[l];
      if (i.op == Opcode::ExtractDynamic) {
        const std::uint32_t v = k < i.width ? a[k].v[l] : 0u;
        for (unsigned comp = 0; comp < 4; ++comp) out[comp].v[l] = v;
      } else {
        for (unsigned comp = 0; comp < 4; ++comp) out[comp].v[l] = a[comp].v[l];
        if (k < i.width) out[k].v[l] = c[0].v[l];
      }
    }
    write(i, out, active);
    return;
  }
  // The remaining operations (geometry, reductions, bit casts) through the
  // reference evaluation, lane by lane.
  const unsigned sources = msl::sourceCount(i);
  const unsigned spans[3] = {i.op == Opcode::Determinant ? std::max<unsigned>(i.width, 1u) : 1u,
                             1u, 1u};
  for (unsigned l = 0; l < kLanes; ++l) {
    if (!(active & (1u << l))) continue;
    msl::Register regs[3][4] = {};
    const msl::Register* ptrs[3] = {nullptr, nullptr, nullptr};
    for (unsigned k = 0; k < sources; ++k) {
      for (unsigned s = 0; s < spans[k] && s < 4; ++s) {
        for (unsigned c = 0; c < 4; ++c) regs[k][s][c] = row(i.src[k].reg + s, c).v[l];
      }
      ptrs[k] = regs[k];
    }
    msl::Register out;
    for (unsigned c = 0; c < 4; ++c) out[c] = row(i.dst, c).v[l];
    msl::evaluate(i, ptrs, out);
    for (unsigned c = 0; c < 4; ++c) {
      if (i.mask & (1u << c)) row(i.dst, c).v[l] = out[c];
    }
  }
}

void LaneMachine::memory(const Instruction& i, LaneMask active, const LaneBuffer* buffers,
                         std::size_t bufferCount) {
  if (i.op == Opcode::LoadBuffer || i.op == Opcode::StoreBuffer) {
    const LaneBuffer* b = i.aux < bufferCount ? &buffers[i.aux] : nullptr;
    const bool load = i.op == Opcode::LoadBuffer;
    const unsigned size = msl::scalarSize(i.type);
    const Src& dynamic = i.src[load ? 0 : 1];
    if (load && !i.hasDynamicOffset) {
      // The same address in every lane: read once.
      for (unsigned c = 0; c < 4; ++c) {
        if (!(i.mask & (1u << c))) continue;
        const std::uint64_t at = std::uint64_t{i.offset} + std::uint64_t{c} * i.stride;
        const bool inside = b && b->data && at + size <= b->length;
        const std::uint32_t v = inside ? readComponent(b->data + at, i.type) : 0;
        LaneRow& r = row(i.dst, c);
        for (unsigned l = 0; l < kLanes; ++l) {
          if (active & (1u << l)) r.v[l] = v;
        }
      }
      return;
    }
    LaneRows value;
    if (!load) readSource(i.src[0], value);
    for (unsigned l = 0; l < kLanes; ++l) {
      if (!(active & (1u << l))) continue;
      std::uint64_t base = i.offset;
      if (i.hasDynamicOffset) base += row(dynamic.reg, dynamic.component(0)).v[l];
      for (unsigned c = 0; c < 4; ++c) {
        if (!(i.mask & (1u << c))) continue;
        const std::uint64_t at = base + std::uint64_t{c} * i.stride;
        const bool inside = b && b->data && at + size <= b->length;
        if (load) {
          row(i.dst, c).v[l] = inside ? readComponent(b->data + at, i.type) : 0;
        } else if (inside && b->writable) {
          writeComponent(b->data + at, i.type, value[c].v[l]);
        }
      }
    }
    return;
  }
  // Dynamically indexed register arrays.
  const std::uint32_t reg = std::uint32_t{program_->function().registerCount};
  for (unsigned l = 0; l < kLanes; ++l) {
    if (!(active & (1u << l))) continue;
    const std::uint64_t index = row(i.src[0].reg, i.src[0].component(0)).v[l];
    const std::uint64_t at = index * i.stride + i.target;
    const bool inside = at + i.width <= i.count;
    std::uint32_t copy[256][4];
    const unsigned width = std::min<unsigned>(i.width, 256);
    if (i.op == Opcode::LoadIndexed) {
      for (unsigned k = 0; k < width; ++k) {
        for (unsigned c = 0; c < 4; ++c) {
          const std::uint64_t from = std::uint64_t{i.offset} + at + k;
          copy[k][c] = inside && from < reg ? row(static_cast<std::uint32_t>(from), c).v[l] : 0;
        }
      }
      for (unsigned k = 0; k < width; ++k) {
        for (unsigned c = 0; c < 4; ++c) row(i.dst + k, c).v[l] = copy[k][c];
      }
    } else if (inside) {
      for (unsigned k = 0; k < width; ++k) {
        for (unsigned c = 0; c < 4; ++c) copy[k][c] = row(i.src[1].reg + k, c).v[l];
      }
      for (unsigned k = 0; k < width; ++k) {
        const std::uint64_t to = std::uint64_t{i.offset} + at + k;
        if (to >= reg) continue;
        for (unsigned c = 0; c < 4; ++c) row(static_cast<std::uint32_t>(to), c).v[l] = copy[k][c];
      }
    }
  }
}

void LaneMachine::derivative(const Instruction& i, LaneMask active) {
  LaneRows value, out;
  readSource(i.src[0], value);
  for (unsigned c = 0; c < 4; ++c) {
    if (!(i.mask & (1u << c))) continue;
    const Floats v = floatsOf(value[c]);
    Floats r;
    for (unsigned l = 0; l < kLanes; ++l) {
      const unsigned quad = l & ~3u;
      const unsigned rowInQuad = (l >> 1) & 1u, column = l & 1u;
      const float dx = v.f[quad + 2 * rowInQuad + 1] - v.f[quad + 2 * rowInQuad];
      const float dy = v.f[quad + 2 + column] - v.f[quad + column];
      float d = i.op == Opcode::Dfdx ? dx : i.op == Opcode::Dfdy ? dy : std::fabs(dx) + std::fabs(dy);
      r.f[l] = msl::math::roundTo(i.type, d);
    }
    store(out[c], r);
  }
  write(i, out, active);
}

void LaneMachine::texture(const Instruction& i, LaneMask active, LaneHooks* hooks) {
  LaneRows out{};
  if (i.op == Opcode::Sample || i.op == Opcode::SampleCompare) {
    LaneRows coordinate, first{}, second{};
    const unsigned sources = msl::sourceCount(i);
    readSource(i.src[0], coordinate);
    if (sources > 1) readSource(i.src[1], first);
    if (sources > 2) readSource(i.src[2], second);
    if (hooks) hooks->sample(i, coordinate, first, second, active, out);
  } else {
    for (unsigned l = 0; l < kLanes; ++l) {
      if (!(active & (1u << l)) || !hooks) continue;
      const std::uint32_t v =
          i.op == Opcode::TextureSize
              ? hooks->textureSize(i.aux, row(i.src[0].reg, i.src[0].component(0)).v[l], i.target)
              : hooks->textureLevels(i.aux);
      for (unsigned c = 0; c < 4; ++c) out[c].v[l] = v;
    }
  }
  write(i, out, active);
}

bool LaneMachine::run(LaneMask active, const LaneBuffer* buffers, std::size_t bufferCount,
                      LaneHooks* hooks, bool quads, std::uint64_t stepLimit) {
  const std::vector<Instruction>& code = program_->function().code;
  const std::size_t n = code.size();
  LaneMask suspended = 0;  // lanes that left: finished, or waiting for a construct's end
  discarded_ = 0;
  stack_.clear();
  std::uint64_t steps = 0;
  std::size_t pc = 0;
  auto innermost = [&](bool loopOnly, unsigned skip) -> Frame* {
    for (std::size_t k = stack_.size(); k-- > 0;) {
      Frame& f = stack_[k];
      if (f.kind == Opcode::Loop || (!loopOnly && f.kind == Opcode::Block)) {
        if (skip == 0) return &f;
        --skip;
      }
    }
    return nullptr;
  };
  auto condition = [&](const Instruction& i) {
    const LaneRow& r = row(i.src[0].reg, i.src[0].component(0));
    LaneMask m = 0;
    for (unsigned l = 0; l < kLanes; ++l) m |= (r.v[l] != 0 ? 1u : 0u) << l;
    return m;
  };
  while (pc < n) {
    if (++steps > stepLimit) return false;
    const Instruction& i = code[pc];
    if (active == 0) {
      if (stack_.empty()) return true;  // nothing can bring a lane back
      if (isConstructStart(i.op)) {
        pc = program_->matchingEnd(pc) + 1;
        continue;
      }
      if (i.op != Opcode::Else && !isConstructEnd(i.op) && i.op != Opcode::ContinuePoint) {
        ++pc;
        continue;
      }
    }
    switch (i.op) {
      case Opcode::Nop:
        break;
      case Opcode::If: {
        const LaneMask cond = condition(i);
        stack_.push_back({Opcode::If, active, active & ~cond, 0, static_cast<std::uint32_t>(pc)});
        active &= cond;
        if (active == 0) {
          pc = i.target;
          continue;
        }
        break;
      }
      case Opcode::Else: {
        if (stack_.empty()) break;
        Frame& f = stack_.back();
        active = f.other & ~suspended;
        f.other = 0;
        if (active == 0) {
          pc = i.target;
          continue;
        }
        break;
      }
      case Opcode::EndIf:
        if (!stack_.empty()) {
          active = stack_.back().saved & ~suspended;
          stack_.pop_back();
        }
        break;
      case Opcode::Loop:
        stack_.push_back({Opcode::Loop, active, 0, 0, static_cast<std::uint32_t>(pc)});
        break;
      case Opcode::EndLoop: {
        if (stack_.empty()) break;
        Frame& f = stack_.back();
        if (active != 0) {
          pc = f.start + 1;
          continue;
        }
        active = f.left;
        suspended &= ~f.left;
        stack_.pop_back();
        break;
      }
      case Opcode::Block:
        stack_.push_back({Opcode::Block, active, 0, 0, static_cast<std::uint32_t>(pc)});
        break;
      case Opcode::EndBlock:
        if (!stack_.empty()) {
          const LaneMask back = stack_.back().left;
          active |= back;
          suspended &= ~back;
          stack_.pop_back();
        }
        break;
      case Opcode::Break: {
        if (Frame* f = innermost(false, i.aux)) f->left |= active;
        suspended |= active;
        active = 0;
        break;
      }
      case Opcode::BreakIfNot: {
        const LaneMask leaving = active & ~condition(i);
        if (Frame* f = innermost(true, 0)) f->left |= leaving;
        suspended |= leaving;
        active &= ~leaving;
        break;
      }
      case Opcode::Continue:
        if (Frame* f = innermost(true, 0)) f->other |= active;
        suspended |= active;
        active = 0;
        break;
      case Opcode::ContinuePoint:
        if (Frame* f = innermost(true, 0)) {
          active |= f->other;
          suspended &= ~f->other;
          f->other = 0;
        }
        break;
      case Opcode::Return:
        suspended |= active;
        active = 0;
        break;
      case Opcode::Discard:
        discarded_ |= active;
        suspended |= active;
        active = 0;
        break;
      case Opcode::LoadBuffer: case Opcode::StoreBuffer: case Opcode::LoadIndexed:
      case Opcode::StoreIndexed:
        memory(i, active, buffers, bufferCount);
        break;
      case Opcode::Dfdx: case Opcode::Dfdy: case Opcode::Fwidth:
        if (quads) {
          derivative(i, active);
        } else {
          LaneRows zero{};
          write(i, zero, active);
        }
        break;
      case Opcode::Sample: case Opcode::SampleCompare: case Opcode::TextureSize:
      case Opcode::TextureLevels:
        texture(i, active, hooks);
        break;
      default:
        alu(i, active);
        break;
    }
    ++pc;
  }
  return true;
}

}  // namespace mtl::exec
