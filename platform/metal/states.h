// Descriptors and the immutable state objects made from them: render
// pipelines (with their reflection), depth-stencil and sampler states.
#pragma once

#include <array>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/metal/library.h"
#include "platform/metal/types.h"

namespace mtl {

namespace exec {
class PipelinePlan;
}

constexpr NSUInteger kMaxVertexAttributes = 31;
constexpr NSUInteger kMaxBufferBindings = 31;
constexpr NSUInteger kMaxTextureBindings = 31;
constexpr NSUInteger kMaxSamplerBindings = 16;
constexpr NSUInteger kMaxColorAttachments = 8;

struct VertexAttributeDescriptor {
  VertexFormat format = VertexFormat::Invalid;
  NSUInteger offset = 0;
  NSUInteger bufferIndex = 0;
};

struct VertexBufferLayoutDescriptor {
  NSUInteger stride = 0;
  VertexStepFunction stepFunction = VertexStepFunction::PerVertex;
  NSUInteger stepRate = 1;
};

struct VertexDescriptor {
  std::array<VertexAttributeDescriptor, kMaxVertexAttributes> attributes{};
  std::array<VertexBufferLayoutDescriptor, kMaxBufferBindings> layouts{};
};

struct RenderPipelineColorAttachmentDescriptor {
  PixelFormat pixelFormat = PixelFormat::Invalid;
  bool blendingEnabled = false;
  BlendFactor sourceRGBBlendFactor = BlendFactor::One;
  BlendFactor destinationRGBBlendFactor = BlendFactor::Zero;
  BlendFactor sourceAlphaBlendFactor = BlendFactor::One;
  BlendFactor destinationAlphaBlendFactor = BlendFactor::Zero;
  BlendOperation rgbBlendOperation = BlendOperation::Add;
  BlendOperation alphaBlendOperation = BlendOperation::Add;
  NSUInteger writeMask = ColorWriteMaskAll;
};

struct RenderPipelineDescriptor {
  std::string label;
  std::shared_ptr<Function> vertexFunction;
  std::shared_ptr<Function> fragmentFunction;
  std::optional<VertexDescriptor> vertexDescriptor;
  std::array<RenderPipelineColorAttachmentDescriptor, kMaxColorAttachments> colorAttachments{};
  PixelFormat depthAttachmentPixelFormat = PixelFormat::Invalid;
  PixelFormat stencilAttachmentPixelFormat = PixelFormat::Invalid;
  NSUInteger sampleCount = 1;
  bool alphaToCoverageEnabled = false;
  bool alphaToOneEnabled = false;
  bool rasterizationEnabled = true;
};

// Reflection of the arguments a pipeline's functions take.
struct StructType;
struct ArrayType;

struct StructMember {
  std::string name;
  NSUInteger offset = 0;
  DataType dataType = DataType::None;
  std::shared_ptr<StructType> structType;
  std::shared_ptr<ArrayType> arrayType;
};

struct StructType {
  std::vector<StructMember> members;
  const StructMember* memberByName(const std::string& name) const;
};

struct ArrayType {
  DataType elementType = DataType::None;
  NSUInteger arrayLength = 0;
  NSUInteger stride = 0;
  std::shared_ptr<StructType> elementStructType;
  std::shared_ptr<ArrayType> elementArrayType;
};

struct Argument {
  std::string name;
  ArgumentType type = ArgumentType::Buffer;
  NSUInteger index = 0;
  bool active = true;
  ArgumentAccess access = ArgumentAccess::ReadOnly;
  DataType bufferDataType = DataType::None;
  NSUInteger bufferDataSize = 0;
  NSUInteger bufferAlignment = 0;
  std::shared_ptr<StructType> bufferStructType;
  TextureType textureType = TextureType::Type2D;
  DataType textureDataType = DataType::None;
};

struct RenderPipelineReflection {
  std::vector<Argument> vertexArguments;
  std::vector<Argument> fragmentArguments;
};

class RenderPipelineState {
 public:
  RenderPipelineState(RenderPipelineDescriptor descriptor, std::vector<int> fragmentInputSources);
  ~RenderPipelineState();
  const RenderPipelineDescriptor& descriptor() const { return descriptor_; }
  const std::string& label() const { return descriptor_.label; }
  // For each input of the fragment function: the vertex output it
  // interpolates, or -1 for a built-in input (position, front_facing,
  // point_coord).
  const std::vector<int>& fragmentInputSources() const { return fragmentInputSources_; }
  // How the executor runs the pipeline's functions.
  const exec::PipelinePlan* plan() const { return plan_.get(); }

 private:
  RenderPipelineDescriptor descriptor_;
  std::vector<int> fragmentInputSources_;
  std::unique_ptr<const exec::PipelinePlan> plan_;
};

struct StencilDescriptor {
  CompareFunction stencilCompareFunction = CompareFunction::Always;
  StencilOperation stencilFailureOperation = StencilOperation::Keep;
  StencilOperation depthFailureOperation = StencilOperation::Keep;
  StencilOperation depthStencilPassOperation = StencilOperation::Keep;
  std::uint32_t readMask = 0xFFFFFFFFu;
  std::uint32_t writeMask = 0xFFFFFFFFu;
};

struct DepthStencilDescriptor {
  std::string label;
  CompareFunction depthCompareFunction = CompareFunction::Always;
  bool depthWriteEnabled = false;
  StencilDescriptor frontFaceStencil;
  StencilDescriptor backFaceStencil;
};

class DepthStencilState {
 public:
  explicit DepthStencilState(DepthStencilDescriptor descriptor)
      : descriptor_(std::move(descriptor)) {}
  const DepthStencilDescriptor& descriptor() const { return descriptor_; }
  const std::string& label() const { return descriptor_.label; }

 private:
  DepthStencilDescriptor descriptor_;
};

struct SamplerDescriptor {
  std::string label;
  SamplerMinMagFilter minFilter = SamplerMinMagFilter::Nearest;
  SamplerMinMagFilter magFilter = SamplerMinMagFilter::Nearest;
  SamplerMipFilter mipFilter = SamplerMipFilter::NotMipmapped;
  NSUInteger maxAnisotropy = 1;
  SamplerAddressMode sAddressMode = SamplerAddressMode::ClampToEdge;
  SamplerAddressMode tAddressMode = SamplerAddressMode::ClampToEdge;
  SamplerAddressMode rAddressMode = SamplerAddressMode::ClampToEdge;
  bool normalizedCoordinates = true;
  float lodMinClamp = 0.0f;
  float lodMaxClamp = std::numeric_limits<float>::max();
  CompareFunction compareFunction = CompareFunction::Never;
};

class SamplerState {
 public:
  explicit SamplerState(SamplerDescriptor descriptor) : descriptor_(std::move(descriptor)) {}
  const SamplerDescriptor& descriptor() const { return descriptor_; }
  const std::string& label() const { return descriptor_.label; }

 private:
  SamplerDescriptor descriptor_;
};

}  // namespace mtl
