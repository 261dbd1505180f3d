#include "platform/metal/exec/program_variants.h"

#include <algorithm>

#include "platform/metal/exec/pipeline_plan.h"
#include "platform/metal/exec/vertex_fetch.h"
#include "platform/metal/msl/memory_access.h"

namespace mtl::exec {
namespace {

// The most variants a stage keeps (the chart switches a few uniforms).
constexpr std::size_t kCapacity = 24;

std::uint64_t nextVariantId() {
  // Apart from pipeline ids, which machine caches also key by.
  static std::atomic<std::uint64_t> counter{std::uint64_t{1} << 62};
  return ++counter;
}

std::vector<std::uint32_t> keyOf(const msl::FixedValues& fixed) {
  std::vector<std::uint32_t> key;
  for (const auto& load : fixed.loads) {
    key.push_back(load ? 1 : 0);
    if (load) key.insert(key.end(), load->begin(), load->end());
  }
  for (const auto& [reg, value] : fixed.inputs) {
    key.push_back(reg);
    key.insert(key.end(), value.begin(), value.end());
  }
  return key;
}

}  // namespace

ProgramVariant::ProgramVariant(const msl::CompiledFunction& function, const msl::FixedValues& fixed)
    : specialized(msl::specialize(function, fixed)),
      program(specialized.function, specialized.pinned),
      id(nextVariantId()),
      shape(recognizeShape(specialized.function, specialized.pinned)) {}

bool ProgramVariant::readsRegister(std::uint32_t reg) const {
  const auto& inputs = specialized.function.inputs;
  for (std::size_t k = 0; k < inputs.size(); ++k) {
    if (inputs[k].reg == reg) return specialized.inputRead[k];
  }
  return true;
}

msl::FixedValues fixedValues(const msl::CompiledFunction& f, const LaneBuffer* buffers,
                             std::size_t bufferCount, const std::vector<AttributeFetch>& attributes) {
  msl::FixedValues fixed;
  fixed.loads.resize(f.code.size());
  for (std::size_t pc = 0; pc < f.code.size(); ++pc) {
    const msl::Instruction& i = f.code[pc];
    if (i.op != msl::Opcode::LoadBuffer || i.hasDynamicOffset) continue;
    const LaneBuffer* b = i.aux < bufferCount ? &buffers[i.aux] : nullptr;
    msl::Register value{};
    for (unsigned c = 0; c < 4; ++c) {
      if (!(i.mask & (1u << c)) || !b) continue;
      value[c] = msl::readComponent(b->data, b->length, std::uint64_t{i.offset} + std::uint64_t{c} * i.stride, i.type);
    }
    fixed.loads[pc] = value;
  }
  for (const AttributeFetch& a : attributes) {
    if (a.step != VertexStepFunction::Constant) continue;
    const LaneBuffer& b = buffers[a.bufferIndex];
    msl::Register value{};
    fetchAttribute(a.format, b.data, b.length, a.offset, true, a.scalar, a.components, value.data());
    fixed.inputs.push_back({static_cast<std::uint16_t>(a.reg), value});
  }
  return fixed;
}

std::shared_ptr<const ProgramVariant> ProgramVariants::variant(const msl::CompiledFunction& function,
                                                               const msl::FixedValues& fixed) {
  std::vector<std::uint32_t> key = keyOf(fixed);
  std::lock_guard lock(mutex_);
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (it->key != key) continue;
    std::rotate(it, it + 1, entries_.end());
    return entries_.back().variant;
  }
  if (entries_.size() == kCapacity) entries_.erase(entries_.begin());
  entries_.push_back({std::move(key), std::make_shared<const ProgramVariant>(function, fixed)});
  return entries_.back().variant;
}

}  // namespace mtl::exec
