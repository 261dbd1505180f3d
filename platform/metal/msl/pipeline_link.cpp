#include "platform/metal/msl/pipeline_link.h"

#include <set>

#include "platform/metal/msl/bytecode.h"
#include "platform/metal/pixel_format.h"

namespace mtl::msl {
namespace {

std::string typeName(const InterfaceValue& v) {
  std::string name = scalarName(v.scalar);
  if (v.components > 1) name += std::to_string(v.components);
  return name;
}

// Whether a colour output of this element kind can be written to the format.
bool suits(Scalar scalar, PixelFormat format) {
  const PixelFormatInfo* info = pixelFormatInfo(format);
  if (!info) return false;
  bool sint = info->kind == ComponentKind::Sint;
  bool uint = info->kind == ComponentKind::Uint || format == PixelFormat::RGB10A2Uint;
  if (isFloating(scalar)) return !sint && !uint;
  if (isSigned(scalar)) return sint;
  return uint;
}

}  // namespace

std::optional<std::string> linkPipeline(const RenderPipelineDescriptor& d, PipelineLink& link) {
  const CompiledFunction& vertex = *d.vertexFunction->code();
  link = {};
  // Vertex attributes against the descriptor.
  std::set<NSUInteger> descriptorBuffers;
  for (const InterfaceValue& in : vertex.inputs) {
    if (in.kind != InterfaceKind::Attribute || !in.active) continue;
    if (!d.vertexDescriptor) {
      return "Vertex function has input attributes but no vertex descriptor was set";
    }
    const VertexAttributeDescriptor& a = d.vertexDescriptor->attributes[in.index];
    if (a.format == VertexFormat::Invalid) {
      return "Vertex attribute '" + in.name + "' (" + std::to_string(in.index) +
             ") has no format in the vertex descriptor";
    }
    if (a.bufferIndex >= kMaxBufferBindings) {
      return "Vertex attribute '" + in.name + "' reads buffer " + std::to_string(a.bufferIndex) +
             ", beyond the last buffer index " + std::to_string(kMaxBufferBindings - 1);
    }
    descriptorBuffers.insert(a.bufferIndex);
  }
  for (const ArgumentTemplate& t : vertex.arguments) {
    if (t.stageIn || t.argument.type != ArgumentType::Buffer) continue;
    if (descriptorBuffers.count(t.argument.index)) {
      return "Vertex buffer index " + std::to_string(t.argument.index) +
             " is used by both the vertex descriptor and the argument '" + t.argument.name + "'";
    }
  }
  bool position = false;
  for (const InterfaceValue& out : vertex.outputs) position = position || out.kind == InterfaceKind::Position;
  if (!position && d.rasterizationEnabled) {
    return "Vertex function '" + vertex.name + "' has no [[position]] output";
  }
  for (const ArgumentTemplate& t : vertex.arguments) {
    if (!t.stageIn) {
      link.vertexArguments.push_back(t.argument);
      continue;
    }
    for (NSUInteger b : descriptorBuffers) {
      Argument a;
      a.name = "vertexBuffer." + std::to_string(b);
      a.type = ArgumentType::Buffer;
      a.index = b;
      a.active = true;
      a.access = ArgumentAccess::ReadOnly;
      a.bufferDataType = DataType::Struct;
      a.bufferDataSize = d.vertexDescriptor->layouts[b].stride;
      // Vertex buffer offsets are multiples of 4.
      a.bufferAlignment = 4;
      link.vertexArguments.push_back(a);
    }
  }
  if (!d.fragmentFunction) return std::nullopt;

  const CompiledFunction& fragment = *d.fragmentFunction->code();
  for (const InterfaceValue& in : fragment.inputs) {
    if (in.kind != InterfaceKind::Varying) {
      link.fragmentInputSources.push_back(-1);
      continue;
    }
    int source = -1;
    for (std::size_t k = 0; k < vertex.outputs.size(); ++k) {
      const InterfaceValue& out = vertex.outputs[k];
      if (out.kind == InterfaceKind::Varying && out.name == in.name) source = static_cast<int>(k);
    }
    if (source < 0) {
      return "Fragment input '" + in.name + "' is not written by the vertex function";
    }
    const InterfaceValue& out = vertex.outputs[static_cast<std::size_t>(source)];
    if (out.scalar != in.scalar || out.components != in.components) {
      return "Fragment input '" + in.name + "' has type " + typeName(in) +
             " but the vertex function writes " + typeName(out);
    }
    link.fragmentInputSources.push_back(source);
  }
  for (const InterfaceValue& out : fragment.outputs) {
    if (out.index >= d.colorAttachments.size()) continue;
    const PixelFormat format = d.colorAttachments[out.index].pixelFormat;
    if (format == PixelFormat::Invalid) continue;
    if (!suits(out.scalar, format)) {
      return "Fragment output color(" + std::to_string(out.index) + ") of type " + typeName(out) +
             " does not suit the color attachment's pixel format " +
             std::to_string(static_cast<NSUInteger>(format));
    }
  }
  for (const ArgumentTemplate& t : fragment.arguments) {
    if (!t.stageIn) link.fragmentArguments.push_back(t.argument);
  }
  return std::nullopt;
}

}  // namespace mtl::msl
