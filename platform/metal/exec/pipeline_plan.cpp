#include "platform/metal/exec/pipeline_plan.h"

#include <algorithm>
#include <atomic>

namespace mtl::exec {
namespace {

using msl::CompiledFunction;
using msl::InterfaceKind;
using msl::Interpolation;
using msl::Opcode;

std::uint64_t nextId() {
  static std::atomic<std::uint64_t> counter{0};
  return ++counter;
}

void addSlot(std::vector<SlotUse>& slots, SlotUse use) {
  for (SlotUse& s : slots) {
    if (s.slot == use.slot) {
      s.depth = s.depth || use.depth;
      return;
    }
  }
  slots.push_back(use);
}

// Buffers, textures and samplers the function's code reads.
StagePlan resourcesOf(const CompiledFunction& f) {
  StagePlan plan;
  for (const msl::ResourceUse& b : f.buffers) {
    if (b.active) addSlot(plan.buffers, {b.slot});
    plan.writesBuffers = plan.writesBuffers || (b.active && b.writes);
  }
  for (const msl::ResourceUse& t : f.textures) {
    if (!t.active) continue;
    SlotUse use{t.slot};
    for (const msl::ArgumentTemplate& a : f.arguments) {
      if (a.argument.type == ArgumentType::Texture && a.argument.index == t.slot) {
        use.textureType = a.argument.textureType;
      }
    }
    for (const msl::Instruction& i : f.code) {
      const bool textureOp = i.op == Opcode::Sample || i.op == Opcode::SampleCompare ||
                             i.op == Opcode::TextureSize || i.op == Opcode::TextureLevels;
      if (textureOp && i.aux == t.slot &&
          i.stride == static_cast<std::uint32_t>(msl::TextureShape::Depth2D)) {
        use.depth = true;
      }
    }
    addSlot(plan.textures, use);
  }
  for (const msl::ResourceUse& s : f.samplers) {
    if (s.active) addSlot(plan.samplers, {s.slot});
  }
  for (const msl::Instruction& i : f.code) {
    if (i.op == Opcode::StoreBuffer) plan.writesBuffers = true;
  }
  return plan;
}

}  // namespace

PipelinePlan::PipelinePlan(const RenderPipelineDescriptor& d,
                           const std::vector<int>& fragmentInputSources)
    : id_(nextId()), vertex_(*d.vertexFunction->code()) {
  const CompiledFunction& vertex = *d.vertexFunction->code();
  vertexStage_ = resourcesOf(vertex);
  for (const msl::InterfaceValue& in : vertex.inputs) {
    if (in.kind != InterfaceKind::Attribute || !in.active || !d.vertexDescriptor) continue;
    if (in.index >= kMaxVertexAttributes) continue;
    const VertexAttributeDescriptor& a = d.vertexDescriptor->attributes[in.index];
    if (a.format == VertexFormat::Invalid || a.bufferIndex >= kMaxBufferBindings) continue;
    const VertexBufferLayoutDescriptor& layout = d.vertexDescriptor->layouts[a.bufferIndex];
    AttributeFetch fetch;
    fetch.reg = in.reg;
    fetch.components = in.components;
    fetch.scalar = in.scalar;
    fetch.format = a.format;
    fetch.bufferIndex = static_cast<std::uint32_t>(a.bufferIndex);
    fetch.offset = a.offset;
    fetch.stride = layout.stride;
    fetch.step = layout.stepFunction;
    fetch.stepRate = layout.stepRate;
    attributes_.push_back(fetch);
    addSlot(vertexStage_.buffers, {fetch.bufferIndex});
  }
  // Descriptor buffers are bound whether or not the code reads them
  // (the encoder checks them); only the read ones are snapshotted.
  std::vector<std::uint32_t> outputWord(vertex.outputs.size(), 0);
  for (std::size_t k = 0; k < vertex.outputs.size(); ++k) {
    const msl::InterfaceValue& out = vertex.outputs[k];
    switch (out.kind) {
      case InterfaceKind::Position: position_ = out.reg; break;
      case InterfaceKind::PointSize: pointSize_ = out.reg; break;
      case InterfaceKind::Varying:
        outputWord[k] = recordWords_;
        varyings_.push_back({out.reg, out.components, recordWords_});
        recordWords_ += out.components;
        break;
      default: break;
    }
  }

  if (!d.fragmentFunction) return;
  const CompiledFunction& fragment = *d.fragmentFunction->code();
  fragment_.emplace(fragment);
  fragmentStage_ = resourcesOf(fragment);
  for (std::size_t k = 0; k < fragment.inputs.size(); ++k) {
    const msl::InterfaceValue& in = fragment.inputs[k];
    FragmentInput input;
    input.reg = in.reg;
    input.components = in.components;
    input.scalar = in.scalar;
    switch (in.kind) {
      case InterfaceKind::Position: input.kind = FragmentInputKind::Position; break;
      case InterfaceKind::FrontFacing: input.kind = FragmentInputKind::FrontFacing; break;
      case InterfaceKind::PointCoord: input.kind = FragmentInputKind::PointCoord; break;
      default: {
        const int source = k < fragmentInputSources.size() ? fragmentInputSources[k] : -1;
        if (source < 0) continue;
        input.kind = FragmentInputKind::Varying;
        input.word = outputWord[static_cast<std::size_t>(source)];
        input.flat = in.interpolation == Interpolation::Flat || !msl::isFloating(in.scalar);
        input.perspective = in.interpolation == Interpolation::CenterPerspective ||
                            in.interpolation == Interpolation::CentroidPerspective ||
                            in.interpolation == Interpolation::SamplePerspective;
        break;
      }
    }
    fragmentInputs_.push_back(input);
  }
  for (const msl::InterfaceValue& out : fragment.outputs) {
    if (out.kind != InterfaceKind::Color || out.index >= kMaxColorAttachments) continue;
    colorOutputs_.push_back({out.index, out.reg, out.components, out.scalar});
  }
}

bool PipelinePlan::fragmentDiscards() const {
  return fragment_ && fragment_->function().usesDiscard;
}

}  // namespace mtl::exec
