#include "gles/shaders/shader_program_linker.h"

#include <array>
#include <exception>
#include <optional>

#include "gles/context/context.h"
#include "gles/context/current_context.h"
#include "gles/context/format.h"
#include "gles/context/platform.h"
#include "gles/shaders/shader_program.h"
#include "platform/metal/device.h"

namespace {

constexpr std::uint64_t kAttributeCount = MGLShaderProgram::kMaxVertexAttributes;

MGLRenderPipelineKey genericKey() {
  MGLRenderPipelineKey key;
  key.colorFormat = static_cast<std::uint16_t>(mtl::PixelFormat::RGBA8Unorm);
  return key;
}

// Attribute n a float4 at byte 16 n of vertex buffer 1, so that every
// attribute index a program can use exists.
std::array<MGLVertexAttributePipelineSpec, kAttributeCount> genericAttributes() {
  std::array<MGLVertexAttributePipelineSpec, kAttributeCount> specs{};
  for (std::uint64_t n = 0; n < kAttributeCount; ++n) {
    specs[n].bufferOffset = static_cast<std::uint32_t>(16 * n);
    specs[n].bufferIndex = 1;
    specs[n].format = static_cast<std::uint8_t>(mtl::VertexFormat::Float4);
    specs[n].mtlIndex = static_cast<std::int8_t>(n);
  }
  return specs;
}

constexpr MGLVertexBufferLayoutSpec kGenericLayout{256, 0, 0};

}  // namespace

MGLShaderProgramLinker::MGLShaderProgramLinker()
    : MGLStaticRenderPipelineState(genericKey(), genericAttributes().data(), kAttributeCount,
                                   &kGenericLayout, 1) {}

void MGLShaderProgramLinker::linkShaderProgram(GLID glID) {
  MGLContext* context = mglCurrentContext();
  MGLShaderProgram* program = context ? context->getShaderProgram(glID) : nullptr;
  if (!program) return;
  program->unlink();
  mtl::RenderPipelineDescriptor descriptor = renderPipelineDescriptor();
  descriptor.vertexFunction = program->vertexMTLFunction();
  descriptor.fragmentFunction = program->fragmentMTLFunction();
  // Metal would take a pipeline without a fragment function; a GL program
  // needs both stages.
  std::optional<mtl::Error> error;
  if (!descriptor.vertexFunction || !descriptor.fragmentFunction) {
    error = mtl::Error(mtl::RenderPipelineErrorInvalidInput,
                       mglFormat("Shader program %u has no compiled %@ shader.",
                                 {glID, descriptor.vertexFunction ? "fragment" : "vertex"}));
    program->linkWithPipelineReflection(nullptr, &*error);
    return;
  }
  mtl::RenderPipelineReflection reflection;
  std::shared_ptr<mtl::RenderPipelineState> pipeline;
  try {
    pipeline = mglSharedMTLDevice()->newRenderPipelineState(
        descriptor, mtl::PipelineOptionBufferTypeInfo, &reflection, &error);
  } catch (const std::exception&) {
    error = mtl::Error(mtl::RenderPipelineErrorInternal, "An unexpected error occurred.");
  }
  program->linkWithPipelineReflection(pipeline ? &reflection : nullptr, error ? &*error : nullptr);
}
