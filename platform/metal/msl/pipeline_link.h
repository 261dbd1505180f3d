// Pipeline creation's view of two compiled functions: whether they fit
// each other and the descriptor, how the fragment inputs take the vertex
// outputs, and the reflection of both stages' arguments.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/metal/states.h"

namespace mtl::msl {

struct PipelineLink {
  std::vector<Argument> vertexArguments;
  std::vector<Argument> fragmentArguments;
  // For each input of the fragment function (in its order): the index of
  // the vertex output it interpolates, or -1 for a built-in input.
  std::vector<int> fragmentInputSources;
};

// The reason the descriptor cannot make a pipeline, or nothing with `link`
// filled. The descriptor's functions must have code.
std::optional<std::string> linkPipeline(const RenderPipelineDescriptor& descriptor,
                                        PipelineLink& link);

}  // namespace mtl::msl
