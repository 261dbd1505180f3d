#include "platform/metal/msl/specializer.h"

#include <map>

#include "platform/metal/msl/code_tree.h"

namespace mtl::msl {
namespace {

// What a register component holds at a point of the code for every lane
// still running: a value known here, or not; and whether the register
// itself holds it (a folded result lives only in the folder until some
// code needs it there).
struct Component {
  bool known = false;
  bool physical = true;
  std::uint32_t bits = 0;
};

class Folder {
 public:
  Folder(const CompiledFunction& f, const FixedValues& fixed) : f_(f), fixed_(fixed), next_(f.registerCount) {
    values_.assign(std::size_t{f.registerCount} * 4, Component{true, true, 0});  // registers start at zero
    for (std::size_t r = 0; r < f.constants.size() && r < f.registerCount; ++r) {
      for (unsigned c = 0; c < 4; ++c) at(static_cast<std::uint32_t>(r), c).bits = f.constants[r][c];
    }
    for (const InterfaceValue& in : f.inputs) {
      for (unsigned c = 0; c < 4; ++c) at(in.reg, c) = Component{};
    }
    for (const auto& [reg, value] : fixed.inputs) {
      for (unsigned c = 0; c < 4 && reg < f.registerCount; ++c) at(reg, c) = Component{true, true, value[c]};
    }
  }

  CodeSequence sequence(const CodeSequence& in, bool divergent) {
    CodeSequence out;
    nodes(in, divergent, out);
    return out;
  }

  std::uint32_t registerCount() const { return next_; }
  std::vector<std::pair<std::uint16_t, Register>> pinned() const {
    std::vector<std::pair<std::uint16_t, Register>> out;
    for (const auto& [value, reg] : pinned_) out.push_back({reg, value});
    return out;
  }

 private:
  Component& at(std::uint32_t reg, unsigned c) { return values_[std::size_t{reg} * 4 + c]; }
  bool inFile(std::uint32_t reg) const { return reg < f_.registerCount; }
  std::optional<std::uint32_t> known(std::uint32_t reg, unsigned c) {
    if (!inFile(reg) || !at(reg, c).known) return std::nullopt;
    return at(reg, c).bits;
  }

  // A source reading `value` at each position, from a pinned register.
  Src pinnedSource(const Register& value) {
    auto found = pinned_.find(value);
    if (found == pinned_.end()) found = pinned_.emplace(value, static_cast<std::uint16_t>(next_++)).first;
    Src s;
    s.reg = found->second;
    return s;
  }

  // Writes the folded components of `mask` back into the register.
  void materialize(std::uint32_t reg, unsigned mask, CodeSequence& out) {
    if (!inFile(reg)) return;
    Register value{};
    unsigned needed = 0;
    for (unsigned c = 0; c < 4; ++c) {
      const Component& v = at(reg, c);
      if ((mask & (1u << c)) && v.known && !v.physical) {
        needed |= 1u << c;
        value[c] = v.bits;
      }
    }
    if (!needed) return;
    CodeNode mov;
    mov.ins.op = Opcode::Mov;
    mov.ins.dst = static_cast<std::uint16_t>(reg);
    mov.ins.mask = static_cast<std::uint8_t>(needed);
    mov.ins.src[0] = pinnedSource(value);
    out.push_back(mov);
    for (unsigned c = 0; c < 4; ++c) {
      if (needed & (1u << c)) at(reg, c).physical = true;
    }
  }

  void forget(const Instruction& i) {
    forEachWrite(i, [&](std::uint32_t reg, unsigned mask) {
      for (unsigned c = 0; c < 4 && inFile(reg); ++c) {
        if (mask & (1u << c)) at(reg, c) = Component{};
      }
    });
  }
  void forgetWrites(const CodeSequence& seq) {
    for (const CodeNode& n : seq) {
      forget(n.ins);
      forgetWrites(n.body);
      forgetWrites(n.other);
    }
  }
  // Before a construct whose lanes may part: what it reads must be in the
  // registers, and so must what it writes, which lanes that skip the write
  // keep (code inside runs for some lanes only).
  void prepare(const CodeNode& n, CodeSequence& out) {
    forEachRead(f_, n.ins, [&](std::uint32_t reg, unsigned mask) { materialize(reg, mask, out); });
    forEachWrite(n.ins, [&](std::uint32_t reg, unsigned mask) { materialize(reg, mask, out); });
    for (const CodeSequence* seq : {&n.body, &n.other}) {
      for (const CodeNode& child : *seq) prepare(child, out);
    }
  }

  // The register values of source k where every component read is known.
  bool knownSource(const Instruction& i, unsigned k, Register& value) {
    const unsigned positions = readPositions(i, k);
    value = {};
    for (unsigned c = 0; c < 4; ++c) {
      if (!(positions & (1u << c))) continue;
      const auto v = known(i.src[k].reg, i.src[k].component(c));
      if (!v) return false;
      value[c] = *v;
    }
    return true;
  }

  // Folds an arithmetic instruction whose operands are all known.
  bool fold(const Instruction& i) {
    if (!isAluOpcode(i.op) || i.op == Opcode::Determinant || !inFile(i.dst)) return false;
    Register sources[3] = {};
    const Register* pointers[3] = {nullptr, nullptr, nullptr};
    for (unsigned k = 0; k < sourceCount(i); ++k) {
      Register value;
      if (!knownSource(i, k, value)) return false;
      // evaluate() reads the register through the swizzle: undo it.
      for (unsigned c = 0; c < 4; ++c) {
        if (readPositions(i, k) & (1u << c)) sources[k][i.src[k].component(c)] = value[c];
      }
      pointers[k] = &sources[k];
    }
    Register out{};
    evaluate(i, pointers, out);
    setKnown(i.dst, i.mask, out);
    return true;
  }

  // An operation whose result one known operand decides: a bitwise and
  // with zero, a boolean or with true, an integer product with zero.
  bool foldAbsorbing(const Instruction& i) {
    const bool integer = isInteger(i.type) || i.type == Scalar::Bool;
    const bool absorbs = (i.op == Opcode::And && integer) || (i.op == Opcode::Or && i.type == Scalar::Bool) ||
                         (i.op == Opcode::Mul && isInteger(i.type));
    if (!absorbs || !inFile(i.dst)) return false;
    const std::uint32_t absorbing = i.op == Opcode::Or ? 1 : 0;
    Register out{};
    for (unsigned c = 0; c < 4; ++c) {
      if (!(i.mask & (1u << c))) continue;
      bool decided = false;
      for (unsigned k = 0; k < 2 && !decided; ++k) {
        const auto v = known(i.src[k].reg, i.src[k].component(c));
        decided = v && (i.op == Opcode::Or ? *v != 0 : *v == 0);
      }
      if (!decided) return false;
      out[c] = absorbing;
    }
    setKnown(i.dst, i.mask, out);
    return true;
  }

  // A select whose condition is known picks one operand for every
  // component it writes: a move of that operand.
  std::optional<Instruction> chosenMove(const Instruction& i) {
    if (i.op != Opcode::Select) return std::nullopt;
    int chosen = -1;
    for (unsigned c = 0; c < 4; ++c) {
      if (!(i.mask & (1u << c))) continue;
      const auto v = known(i.src[0].reg, i.src[0].component(c));
      if (!v) return std::nullopt;
      const int pick = *v ? 1 : 2;
      if (chosen >= 0 && chosen != pick) return std::nullopt;
      chosen = pick;
    }
    if (chosen < 0) return std::nullopt;
    Instruction move = i;
    move.op = Opcode::Mov;
    move.src[0] = i.src[chosen];
    return move;
  }

  void setKnown(std::uint32_t reg, unsigned mask, const Register& value) {
    for (unsigned c = 0; c < 4; ++c) {
      if (mask & (1u << c)) at(reg, c) = Component{true, false, value[c]};
    }
  }

  // Code after a return that every lane reaches is never run.
  void nodes(const CodeSequence& in, bool divergent, CodeSequence& out) {
    for (const CodeNode& n : in) {
      if (ended_) return;
      node(n, divergent, out);
    }
  }

  void node(const CodeNode& n, bool divergent, CodeSequence& out) {
    const Instruction& i = n.ins;
    if (i.op == Opcode::If) {
      if (const auto condition = known(i.src[0].reg, i.src[0].component(0))) {
        nodes(*condition ? n.body : n.other, divergent, out);
        return;
      }
    }
    if (i.op == Opcode::If || i.op == Opcode::Loop || i.op == Opcode::Block) {
      prepare(n, out);
      CodeNode c;
      c.ins = rewritten(i, out);
      if (i.op != Opcode::If) forgetWrites(n.body);
      const std::vector<Component> before = values_;
      c.body = sequence(n.body, true);
      values_ = before;
      c.hasElse = n.hasElse;
      c.other = sequence(n.other, true);
      values_ = before;
      forgetWrites(n.body);
      forgetWrites(n.other);
      out.push_back(std::move(c));
      return;
    }
    if (const auto move = chosenMove(i)) {
      CodeNode simpler = n;
      simpler.ins = *move;
      node(simpler, divergent, out);
      return;
    }
    if (!divergent && (fold(i) || foldAbsorbing(i))) return;
    if (i.op == Opcode::LoadBuffer && !i.hasDynamicOffset && n.pc < fixed_.loads.size() &&
        fixed_.loads[n.pc] && inFile(i.dst)) {
      if (!divergent) {
        setKnown(i.dst, i.mask, *fixed_.loads[n.pc]);
        return;
      }
      CodeNode mov;
      mov.ins.op = Opcode::Mov;
      mov.ins.dst = i.dst;
      mov.ins.mask = i.mask;
      mov.ins.src[0] = pinnedSource(*fixed_.loads[n.pc]);
      out.push_back(mov);
      forget(mov.ins);
      return;
    }
    CodeNode c;
    c.ins = rewritten(i, out);
    forget(i);
    out.push_back(std::move(c));
    ended_ = ended_ || (!divergent && i.op == Opcode::Return);
  }

  // The instruction with known operands read from pinned registers, after
  // writing back what it reads of folded values otherwise (and, for an
  // indexed store, the range it writes into).
  Instruction rewritten(const Instruction& i, CodeSequence& out) {
    Instruction e = i;
    for (unsigned k = 0; k < sourceCount(i); ++k) {
      Register value;
      if (!readsRegisterRun(i, k) && i.op != Opcode::If && knownSource(i, k, value)) {
        e.src[k] = pinnedSource(value);
      }
    }
    forEachRead(f_, e, [&](std::uint32_t reg, unsigned mask) { materialize(reg, mask, out); });
    if (i.op == Opcode::StoreIndexed) forEachWrite(i, [&](std::uint32_t reg, unsigned) { materialize(reg, 0xFu, out); });
    return e;
  }

  const CompiledFunction& f_;
  const FixedValues& fixed_;
  std::vector<Component> values_;
  std::map<Register, std::uint16_t> pinned_;
  std::uint32_t next_;
  bool ended_ = false;
};

// Drops what no output, store or branch needs, walking backwards with the
// components live after each point. Writes kill only at the top level,
// where every lane still running executes them; a Return reads the
// outputs.
class DeadCode {
 public:
  explicit DeadCode(const CompiledFunction& f) : f_(f) {}

  // Updates `live` from after the sequence to before it; with `mutate`,
  // drops what is not needed, else leaves the code as it is.
  void sequence(CodeSequence& seq, ComponentSet& live, bool top, bool mutate) {
    CodeSequence kept;
    for (auto it = seq.rbegin(); it != seq.rend(); ++it) {
      if (node(*it, live, top, mutate) && mutate) kept.push_back(std::move(*it));
    }
    if (mutate) seq.assign(std::make_move_iterator(kept.rbegin()), std::make_move_iterator(kept.rend()));
  }

 private:
  void reads(const Instruction& i, ComponentSet& live) {
    forEachRead(f_, i, [&](std::uint32_t reg, unsigned mask) { live.add(reg, mask); });
  }

  // Whether the node stays.
  bool node(CodeNode& n, ComponentSet& live, bool top, bool mutate) {
    const Instruction& i = n.ins;
    switch (i.op) {
      case Opcode::Nop: return false;
      case Opcode::If: {
        ComponentSet taken = live, other = live;
        sequence(n.body, taken, false, mutate);
        sequence(n.other, other, false, mutate);
        live.addAll(taken);
        live.addAll(other);
        if (n.body.empty() && n.other.empty()) return false;
        reads(i, live);
        return true;
      }
      case Opcode::Loop: case Opcode::Block: {
        // Around the back edge until nothing more is live.
        ComponentSet around = live;
        for (;;) {
          ComponentSet inside = around;
          sequence(n.body, inside, false, false);
          ComponentSet next = around;
          next.addAll(inside);
          if (next == around) break;
          around = next;
        }
        ComponentSet inside = around;
        sequence(n.body, inside, false, mutate);
        live = around;
        live.addAll(inside);
        return true;
      }
      case Opcode::Return:
        if (top) live = ComponentSet(f_.registerCount);
        reads(i, live);
        return true;
      case Opcode::Discard:
        if (top) live = ComponentSet(f_.registerCount);
        return true;
      case Opcode::StoreBuffer: case Opcode::StoreIndexed: case Opcode::Break:
      case Opcode::BreakIfNot: case Opcode::Continue: case Opcode::ContinuePoint:
        reads(i, live);
        return true;
      default: break;
    }
    bool needed = false;
    forEachWrite(i, [&](std::uint32_t reg, unsigned mask) {
      for (unsigned c = 0; c < 4; ++c) needed = needed || ((mask & (1u << c)) && live.has(reg, c));
    });
    if (!needed) return false;
    if (top) forEachWrite(i, [&](std::uint32_t reg, unsigned mask) { live.remove(reg, mask); });
    reads(i, live);
    return true;
  }

  const CompiledFunction& f_;
};

}  // namespace

SpecializedFunction specialize(const CompiledFunction& f, const FixedValues& fixed) {
  Folder folder(f, fixed);
  CodeSequence tree = folder.sequence(codeTree(f.code), false);
  SpecializedFunction out;
  out.function = f;
  out.function.registerCount = folder.registerCount();
  out.pinned = folder.pinned();
  ComponentSet live(out.function.registerCount);
  DeadCode(out.function).sequence(tree, live, true, true);
  out.function.code = flattenCode(tree);

  ComponentSet read(out.function.registerCount);
  for (const Instruction& i : out.function.code) {
    forEachRead(out.function, i, [&](std::uint32_t reg, unsigned mask) { read.add(reg, mask); });
  }
  for (const InterfaceValue& in : out.function.inputs) {
    bool any = false;
    for (unsigned c = 0; c < 4; ++c) any = any || read.has(in.reg, c);
    out.inputRead.push_back(any);
  }
  return out;
}

}  // namespace mtl::msl
