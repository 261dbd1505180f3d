#include "platform/metal/msl/reference_interpreter.h"

#include <cstring>

#include "platform/metal/msl/builtin_math.h"
#include "platform/metal/msl/memory_access.h"

namespace mtl::msl {

void ExecutionHooks::derivative(Opcode, Scalar, const Register&, std::uint8_t mask, Register& out) {
  for (unsigned c = 0; c < 4; ++c) {
    if (mask & (1u << c)) out[c] = 0;
  }
}

void ExecutionHooks::sample(const Instruction& i, const Register&, const Register&,
                            const Register&, Register& out) {
  for (unsigned c = 0; c < 4; ++c) {
    if (i.mask & (1u << c)) out[c] = 0;
  }
}

std::uint32_t ExecutionHooks::textureSize(std::uint32_t, std::uint32_t, unsigned) { return 0; }
std::uint32_t ExecutionHooks::textureLevels(std::uint32_t) { return 0; }

Invocation prepareInvocation(const CompiledFunction& f) {
  Invocation inv;
  inv.registers.assign(f.registerCount, Register{});
  for (std::size_t k = 0; k < f.constants.size(); ++k) inv.registers[k] = f.constants[k];
  return inv;
}

void setInput(Invocation& inv, const InterfaceValue& input, const Register& value) {
  if (input.reg < inv.registers.size()) inv.registers[input.reg] = value;
}

Register output(const Invocation& inv, const InterfaceValue& value) {
  return value.reg < inv.registers.size() ? inv.registers[value.reg] : Register{};
}

namespace {


Register swizzled(const Register& r, const Src& s) {
  return {r[s.component(0)], r[s.component(1)], r[s.component(2)], r[s.component(3)]};
}

}  // namespace

void interpret(const CompiledFunction& f, Invocation& inv, const std::vector<BufferView>& buffers,
               ExecutionHooks* hooks, std::uint64_t maxSteps) {
  ExecutionHooks defaults;
  if (!hooks) hooks = &defaults;
  auto& regs = inv.registers;
  const auto reg = [&](std::uint32_t r) -> Register& { return regs[r]; };
  const std::size_t n = f.code.size();
  std::size_t pc = 0;
  while (pc < n) {
    if (++inv.steps > maxSteps) return;
    const Instruction& i = f.code[pc];
    ++pc;
    if (isAluOpcode(i.op)) {
      const Register* sources[3] = {nullptr, nullptr, nullptr};
      for (unsigned k = 0; k < sourceCount(i); ++k) sources[k] = &regs[i.src[k].reg];
      evaluate(i, sources, reg(i.dst));
      continue;
    }
    switch (i.op) {
      case Opcode::Nop: case Opcode::EndIf: case Opcode::Loop: case Opcode::Block:
      case Opcode::EndBlock: case Opcode::ContinuePoint:
        break;
      case Opcode::If:
        if (!reg(i.src[0].reg)[i.src[0].component(0)]) pc = i.target + 1;
        break;
      case Opcode::Else: pc = i.target + 1; break;
      case Opcode::EndLoop: case Opcode::Break: case Opcode::Continue: pc = i.target; break;
      case Opcode::BreakIfNot:
        if (!reg(i.src[0].reg)[i.src[0].component(0)]) pc = i.target;
        break;
      case Opcode::Return:
        inv.finished = true;
        return;
      case Opcode::Discard:
        inv.discarded = true;
        inv.finished = true;
        return;
      case Opcode::LoadBuffer: case Opcode::StoreBuffer: {
        const BufferView* b = i.aux < buffers.size() ? &buffers[i.aux] : nullptr;
        const bool load = i.op == Opcode::LoadBuffer;
        std::uint64_t base = i.offset;
        if (i.hasDynamicOffset) {
          const Src& s = i.src[load ? 0 : 1];
          base += reg(s.reg)[s.component(0)];
        }
        const Register value = load ? Register{} : swizzled(reg(i.src[0].reg), i.src[0]);
        Register result = load ? reg(i.dst) : Register{};
        const unsigned size = scalarSize(i.type);
        for (unsigned c = 0; c < 4; ++c) {
          if (!(i.mask & (1u << c))) continue;
          const std::uint64_t at = base + std::uint64_t{c} * i.stride;
          const bool inside = b && b->data && at + size <= b->length;
          if (load) {
            result[c] = inside ? readComponent(b->data + at, i.type) : 0;
          } else if (inside && b->writable) {
            writeComponent(b->data + at, i.type, value[c]);
          }
        }
        if (load) reg(i.dst) = result;
        break;
      }
      case Opcode::LoadIndexed: case Opcode::StoreIndexed: {
        const std::uint64_t index = reg(i.src[0].reg)[i.src[0].component(0)];
        const std::uint64_t at = index * i.stride + i.target;
        const bool inside = at + i.width <= i.count;
        if (i.op == Opcode::LoadIndexed) {
          std::vector<Register> copy(i.width, Register{});
          for (unsigned k = 0; inside && k < i.width; ++k) copy[k] = regs[i.offset + at + k];
          for (unsigned k = 0; k < i.width; ++k) regs[i.dst + k] = copy[k];
        } else if (inside) {
          std::vector<Register> copy(regs.begin() + i.src[1].reg, regs.begin() + i.src[1].reg + i.width);
          for (unsigned k = 0; k < i.width; ++k) regs[i.offset + at + k] = copy[k];
        }
        break;
      }
      case Opcode::Dfdx: case Opcode::Dfdy: case Opcode::Fwidth: {
        Register out = reg(i.dst);
        hooks->derivative(i.op, i.type, swizzled(reg(i.src[0].reg), i.src[0]), i.mask, out);
        reg(i.dst) = out;
        break;
      }
      case Opcode::Sample: case Opcode::SampleCompare: {
        const unsigned count = sourceCount(i);
        const Register coordinate = swizzled(reg(i.src[0].reg), i.src[0]);
        const Register first = count > 1 ? swizzled(reg(i.src[1].reg), i.src[1]) : Register{};
        const Register second = count > 2 ? swizzled(reg(i.src[2].reg), i.src[2]) : Register{};
        Register out = reg(i.dst);
        hooks->sample(i, coordinate, first, second, out);
        reg(i.dst) = out;
        break;
      }
      case Opcode::TextureSize: case Opcode::TextureLevels: {
        const std::uint32_t v =
            i.op == Opcode::TextureSize
                ? hooks->textureSize(i.aux, reg(i.src[0].reg)[i.src[0].component(0)], i.target)
                : hooks->textureLevels(i.aux);
        for (unsigned c = 0; c < 4; ++c) {
          if (i.mask & (1u << c)) reg(i.dst)[c] = v;
        }
        break;
      }
      default: break;
    }
  }
  inv.finished = true;
}

}  // namespace mtl::msl
