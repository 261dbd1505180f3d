#include "platform/metal/states.h"

#include "platform/metal/exec/pipeline_plan.h"

namespace mtl {

const StructMember* StructType::memberByName(const std::string& name) const {
  for (const StructMember& m : members) {
    if (m.name == name) return &m;
  }
  return nullptr;
}

RenderPipelineState::RenderPipelineState(RenderPipelineDescriptor descriptor,
                                         std::vector<int> fragmentInputSources)
    : descriptor_(std::move(descriptor)),
      fragmentInputSources_(std::move(fragmentInputSources)),
      plan_(std::make_unique<const exec::PipelinePlan>(descriptor_, fragmentInputSources_)) {}

RenderPipelineState::~RenderPipelineState() = default;

}  // namespace mtl
