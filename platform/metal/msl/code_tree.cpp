#include "platform/metal/msl/code_tree.h"

#include <algorithm>

#include "platform/metal/msl/alu.h"

namespace mtl::msl {
namespace {

bool closes(Opcode op) {
  return op == Opcode::Else || op == Opcode::EndIf || op == Opcode::EndLoop || op == Opcode::EndBlock;
}

// Reads nodes from `pc` up to the marker that closes the enclosing
// construct (left at `pc`) or the end.
CodeSequence parse(const std::vector<Instruction>& code, std::size_t& pc) {
  CodeSequence out;
  while (pc < code.size() && !closes(code[pc].op)) {
    CodeNode node;
    node.pc = pc;
    node.ins = code[pc++];
    switch (node.ins.op) {
      case Opcode::If:
        node.body = parse(code, pc);
        if (pc < code.size() && code[pc].op == Opcode::Else) {
          ++pc;
          node.hasElse = true;
          node.other = parse(code, pc);
        }
        ++pc;  // EndIf
        break;
      case Opcode::Loop: case Opcode::Block:
        node.body = parse(code, pc);
        ++pc;  // EndLoop, EndBlock
        break;
      default: break;
    }
    out.push_back(std::move(node));
  }
  return out;
}

void emit(const CodeSequence& tree, std::vector<Instruction>& out) {
  for (const CodeNode& node : tree) {
    out.push_back(node.ins);
    switch (node.ins.op) {
      case Opcode::If: {
        emit(node.body, out);
        if (node.hasElse) {
          Instruction e;
          e.op = Opcode::Else;
          out.push_back(e);
          emit(node.other, out);
        }
        Instruction end;
        end.op = Opcode::EndIf;
        out.push_back(end);
        break;
      }
      case Opcode::Loop: case Opcode::Block: {
        emit(node.body, out);
        Instruction end;
        end.op = node.ins.op == Opcode::Loop ? Opcode::EndLoop : Opcode::EndBlock;
        out.push_back(end);
        break;
      }
      default: break;
    }
  }
}

// Sets the targets of structured control flow (bytecode.h).
void retarget(std::vector<Instruction>& code) {
  struct Open {
    std::size_t at;
    std::size_t elseAt = SIZE_MAX;
  };
  struct Construct {
    std::size_t start, end = 0, continuePoint = 0;
  };
  std::vector<Open> ifs;
  std::vector<Construct> constructs;
  std::vector<std::size_t> open;  // constructs (Loop, Block) enclosing the instruction
  std::vector<std::pair<std::size_t, std::vector<std::size_t>>> jumps;  // jump, its enclosing constructs
  for (std::size_t pc = 0; pc < code.size(); ++pc) {
    Instruction& i = code[pc];
    switch (i.op) {
      case Opcode::If: ifs.push_back({pc}); break;
      case Opcode::Else:
        code[ifs.back().at].target = static_cast<std::uint32_t>(pc);
        ifs.back().elseAt = pc;
        break;
      case Opcode::EndIf: {
        const Open o = ifs.back();
        ifs.pop_back();
        code[o.elseAt != SIZE_MAX ? o.elseAt : o.at].target = static_cast<std::uint32_t>(pc);
        break;
      }
      case Opcode::Loop: case Opcode::Block:
        open.push_back(constructs.size());
        constructs.push_back({pc});
        break;
      case Opcode::EndLoop: case Opcode::EndBlock: {
        Construct& c = constructs[open.back()];
        open.pop_back();
        c.end = pc;
        code[c.start].target = static_cast<std::uint32_t>(pc + 1);
        if (i.op == Opcode::EndLoop) i.target = static_cast<std::uint32_t>(c.start + 1);
        break;
      }
      case Opcode::ContinuePoint: constructs[open.back()].continuePoint = pc; break;
      case Opcode::Break: case Opcode::BreakIfNot: case Opcode::Continue: jumps.push_back({pc, open}); break;
      default: break;
    }
  }
  for (const auto& [pc, enclosing] : jumps) {
    Instruction& i = code[pc];
    const std::size_t depth = i.op == Opcode::Break ? i.aux : 0;
    const Construct& c = constructs[enclosing[enclosing.size() - 1 - depth]];
    i.target = static_cast<std::uint32_t>(i.op == Opcode::Continue ? c.continuePoint : c.end + 1);
  }
}

}  // namespace

CodeSequence codeTree(const std::vector<Instruction>& code) {
  std::size_t pc = 0;
  return parse(code, pc);
}

std::vector<Instruction> flattenCode(const CodeSequence& tree) {
  std::vector<Instruction> code;
  emit(tree, code);
  retarget(code);
  return code;
}

void ComponentSet::add(std::uint32_t reg, unsigned mask) {
  for (unsigned c = 0; c < 4; ++c) {
    if (!(mask & (1u << c))) continue;
    const std::size_t k = std::size_t{reg} * 4 + c;
    if (k / 64 >= words_.size()) words_.resize(k / 64 + 1, 0);
    words_[k / 64] |= std::uint64_t{1} << (k % 64);
  }
}

void ComponentSet::remove(std::uint32_t reg, unsigned mask) {
  for (unsigned c = 0; c < 4; ++c) {
    const std::size_t k = std::size_t{reg} * 4 + c;
    if ((mask & (1u << c)) && k / 64 < words_.size()) words_[k / 64] &= ~(std::uint64_t{1} << (k % 64));
  }
}

void ComponentSet::addAll(const ComponentSet& other) {
  if (other.words_.size() > words_.size()) words_.resize(other.words_.size(), 0);
  for (std::size_t k = 0; k < other.words_.size(); ++k) words_[k] |= other.words_[k];
}

unsigned readPositions(const Instruction& i, unsigned k) {
  const unsigned width = (1u << std::min<unsigned>(i.width, 4)) - 1;
  if (isComponentWise(i.op)) return i.mask & 0xFu;
  switch (i.op) {
    case Opcode::Dfdx: case Opcode::Dfdy: case Opcode::Fwidth:
      return i.mask & 0xFu;
    case Opcode::Bitcast: case Opcode::Dot: case Opcode::Length: case Opcode::Distance:
    case Opcode::LengthSquared: case Opcode::DistanceSquared: case Opcode::Normalize:
    case Opcode::Reflect: case Opcode::Faceforward: case Opcode::Any: case Opcode::All:
      return width;
    case Opcode::Cross: return 0x7u;
    case Opcode::Refract: return k == 2 ? 0x1u : width;
    case Opcode::ExtractDynamic: return k == 0 ? width : 0x1u;
    case Opcode::InsertDynamic: return k == 0 ? 0xFu : 0x1u;
    case Opcode::StoreBuffer: return k == 0 ? i.mask & 0xFu : 0x1u;
    case Opcode::LoadBuffer: case Opcode::LoadIndexed: case Opcode::StoreIndexed: case Opcode::If:
    case Opcode::BreakIfNot: case Opcode::TextureSize:
      return 0x1u;
    default: return 0xFu;
  }
}

}  // namespace mtl::msl
