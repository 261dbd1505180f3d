// Drawing with the software GPU in tests: a synchronous device with a
// chosen number of workers, pipelines from shading-language source,
// render targets read back through the GPU's view of their storage, and
// one-pass command buffers.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/metal/buffer.h"
#include "platform/metal/command_buffer.h"
#include "platform/metal/device.h"
#include "platform/metal/gpu_timeline.h"
#include "platform/metal/render_encoder.h"
#include "platform/metal/texture.h"

namespace mtl::test {

inline const std::string kMetalPrelude = "#include <metal_stdlib>\nusing namespace metal;\n";

class RasterHarness {
 public:
  explicit RasterHarness(unsigned workers = 1) {
    device = Device::create();
    device->gpu().setSynchronous(true);
    device->setWorkerCount(workers);
    queue = device->newCommandQueue();
  }

  std::shared_ptr<Library> library(const std::string& source) {
    std::optional<Error> error;
    auto lib = device->newLibraryWithSource(kMetalPrelude + source, {}, &error);
    EXPECT_TRUE(lib) << (error ? error->localizedDescription : std::string());
    return lib;
  }

  // A pipeline of `vertex` and `fragment` (empty: none) from `source`.
  std::shared_ptr<RenderPipelineState> pipeline(const std::string& source, const std::string& vertex,
                                                 const std::string& fragment,
                                                 RenderPipelineDescriptor d) {
    auto lib = library(source);
    if (!lib) return nullptr;
    d.vertexFunction = lib->newFunctionWithName(vertex);
    if (!fragment.empty()) d.fragmentFunction = lib->newFunctionWithName(fragment);
    std::optional<Error> error;
    auto p = device->newRenderPipelineState(d, 0, nullptr, &error);
    EXPECT_TRUE(p) << (error ? error->localizedDescription : std::string());
    return p;
  }

  std::shared_ptr<Texture> target(PixelFormat format, NSUInteger width, NSUInteger height,
                                  NSUInteger samples = 1) {
    TextureDescriptor d = TextureDescriptor::texture2DDescriptor(format, width, height, false);
    d.usage = TextureUsageRenderTarget | TextureUsageShaderRead;
    if (samples > 1) {
      d.textureType = TextureType::Type2DMultisample;
      d.sampleCount = samples;
    }
    return device->newTexture(d);
  }

  template <typename T>
  std::shared_ptr<Buffer> buffer(const std::vector<T>& values) {
    return device->newBuffer(values.data(), values.size() * sizeof(T), 0);
  }

  // Encodes one render pass with `encode`, commits and waits.
  void pass(const RenderPassDescriptor& descriptor,
            const std::function<void(RenderCommandEncoder&)>& encode) {
    auto commands = queue->commandBuffer();
    auto encoder = commands->renderCommandEncoder(descriptor);
    encode(*encoder);
    encoder->endEncoding();
    commands->commit();
    commands->waitUntilCompleted();
  }

  // The level's bytes as the GPU stores them (all samples of a texel side
  // by side).
  static std::vector<std::uint8_t> bytes(const Texture& t, NSUInteger level = 0, NSUInteger slice = 0) {
    const std::uint8_t* data = t.levelData(slice, level);
    const std::size_t size = t.levelBytesPerRow(level) * t.levelHeight(level);
    return {data, data + size};
  }

  static RenderPassDescriptor colorPass(std::shared_ptr<Texture> color, ClearColor clear = {0, 0, 0, 0}) {
    RenderPassDescriptor p;
    p.colorAttachments[0].texture = std::move(color);
    p.colorAttachments[0].loadAction = LoadAction::Clear;
    p.colorAttachments[0].clearColor = clear;
    return p;
  }

  std::shared_ptr<Device> device;
  std::shared_ptr<CommandQueue> queue;
};

// A vertex descriptor with float4 positions at attribute 0 (and optionally
// a float4 at attribute 1), interleaved in buffer 0.
inline VertexDescriptor positionLayout(bool second = false) {
  VertexDescriptor v;
  v.attributes[0] = {VertexFormat::Float4, 0, 0};
  if (second) v.attributes[1] = {VertexFormat::Float4, 16, 0};
  v.layouts[0].stride = second ? 32 : 16;
  return v;
}

}  // namespace mtl::test
