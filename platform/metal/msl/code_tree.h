// A compiled function's structured code as a tree, for passes that
// rewrite it: If, Loop and Block constructs hold their branches and
// bodies; the markers that close them (Else, EndIf, EndLoop, EndBlock) are
// implied. Flattening writes the markers back and sets every jump target
// as bytecode.h states them. Also what each instruction reads and writes,
// register component by component.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/metal/msl/bytecode.h"

namespace mtl::msl {

struct CodeNode {
  Instruction ins;               // an instruction, or a construct's opening one
  std::size_t pc = 0;            // where the instruction stood in the parsed code
  std::vector<CodeNode> body;    // Loop and Block bodies; If: the taken branch
  std::vector<CodeNode> other;   // If: the Else branch
  bool hasElse = false;
};
using CodeSequence = std::vector<CodeNode>;

// The function's code as a tree; the code must be well formed (verify()).
CodeSequence codeTree(const std::vector<Instruction>& code);
// The tree as bytecode, with every jump target set.
std::vector<Instruction> flattenCode(const CodeSequence& tree);

// Register components as bits: component c of register r is bit 4r + c.
class ComponentSet {
 public:
  explicit ComponentSet(std::size_t registers = 0) : words_((registers * 4 + 63) / 64, 0) {}
  bool has(std::uint32_t reg, unsigned c) const {
    const std::size_t k = std::size_t{reg} * 4 + c;
    return k / 64 < words_.size() && (words_[k / 64] >> (k % 64)) & 1u;
  }
  void add(std::uint32_t reg, unsigned mask);
  void remove(std::uint32_t reg, unsigned mask);
  void addAll(const ComponentSet& other);
  bool operator==(const ComponentSet& other) const { return words_ == other.words_; }

 private:
  std::vector<std::uint64_t> words_;
};

// Calls f(reg, componentMask) for what the instruction reads. Where an
// operand's exact use is not tracked, all four components count; a Return
// reads the function's outputs.
template <typename F>
void forEachRead(const CompiledFunction& function, const Instruction& i, F&& f);
// Calls f(reg, componentMask) for what the instruction may write.
template <typename F>
void forEachWrite(const Instruction& i, F&& f);

// The positions (bits of the swizzled operand) source k of a component-wise
// or geometric instruction reads; 0xF where not tracked.
unsigned readPositions(const Instruction& i, unsigned k);

// Whether source k names the first of a run of whole registers (i.width of
// them) rather than one swizzled register.
inline bool readsRegisterRun(const Instruction& i, unsigned k) {
  return (i.op == Opcode::Determinant && k == 0) || (i.op == Opcode::StoreIndexed && k == 1);
}

template <typename F>
void forEachRead(const CompiledFunction& function, const Instruction& i, F&& f) {
  if (i.op == Opcode::Return) {
    for (const InterfaceValue& out : function.outputs) f(out.reg, 0xFu);
    return;
  }
  const unsigned sources = sourceCount(i);
  for (unsigned k = 0; k < sources; ++k) {
    if (readsRegisterRun(i, k)) {
      for (std::uint32_t r = 0; r < i.width; ++r) f(i.src[k].reg + r, 0xFu);
      continue;
    }
    const unsigned positions = readPositions(i, k);
    unsigned mask = 0;
    for (unsigned c = 0; c < 4; ++c) {
      if (positions & (1u << c)) mask |= 1u << i.src[k].component(c);
    }
    f(i.src[k].reg, mask);
  }
  if (i.op == Opcode::LoadIndexed) {
    for (std::uint32_t r = 0; r < i.count; ++r) f(i.offset + r, 0xFu);
  }
}

template <typename F>
void forEachWrite(const Instruction& i, F&& f) {
  if (i.op == Opcode::StoreIndexed) {
    for (std::uint32_t r = 0; r < i.count; ++r) f(i.offset + r, 0xFu);
    return;
  }
  if (!hasDestination(i.op)) return;
  if (i.op == Opcode::LoadIndexed) {
    for (std::uint32_t r = 0; r < i.width; ++r) f(i.dst + r, 0xFu);
    return;
  }
  f(i.dst, i.mask & 0xFu);
}

}  // namespace mtl::msl
