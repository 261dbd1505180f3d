// The software GPU's storage work for a 1024 x 1024 target: a clear through
// a load action, mipmap generation, and a 4-sample resolve.
#include <benchmark/benchmark.h>

#include "platform/metal/blit_encoder.h"
#include "platform/metal/command_buffer.h"
#include "platform/metal/device.h"
#include "platform/metal/gpu_timeline.h"
#include "platform/metal/render_encoder.h"

namespace {

constexpr mtl::NSUInteger kSize = 1024;

struct Gpu {
  Gpu() : device(mtl::Device::create()), queue(device->newCommandQueue()) {
    device->gpu().setSynchronous(true);
  }
  std::shared_ptr<mtl::Texture> target(mtl::NSUInteger samples, bool mipmapped) {
    auto d = mtl::TextureDescriptor::texture2DDescriptor(mtl::PixelFormat::RGBA8Unorm, kSize,
                                                         kSize, mipmapped);
    d.usage = mtl::TextureUsageRenderTarget | mtl::TextureUsageShaderRead;
    if (samples > 1) {
      d.textureType = mtl::TextureType::Type2DMultisample;
      d.sampleCount = samples;
      d.storageMode = mtl::StorageMode::Private;
    }
    return device->newTexture(d);
  }
  std::shared_ptr<mtl::Device> device;
  std::shared_ptr<mtl::CommandQueue> queue;
};

void BM_ClearPass(benchmark::State& state) {
  Gpu gpu;
  mtl::RenderPassDescriptor pass;
  pass.colorAttachments[0].texture = gpu.target(1, false);
  pass.colorAttachments[0].loadAction = mtl::LoadAction::Clear;
  for (auto _ : state) {
    auto cb = gpu.queue->commandBuffer();
    cb->renderCommandEncoder(pass)->endEncoding();
    cb->commit();
  }
  state.SetBytesProcessed(state.iterations() * kSize * kSize * 4);
}
BENCHMARK(BM_ClearPass)->Unit(benchmark::kMillisecond);

void BM_GenerateMipmaps(benchmark::State& state) {
  Gpu gpu;
  auto texture = gpu.target(1, true);
  for (auto _ : state) {
    auto cb = gpu.queue->commandBuffer();
    auto blit = cb->blitCommandEncoder();
    blit->generateMipmapsForTexture(texture);
    blit->endEncoding();
    cb->commit();
  }
}
BENCHMARK(BM_GenerateMipmaps)->Unit(benchmark::kMillisecond);

void BM_Resolve4x(benchmark::State& state) {
  Gpu gpu;
  mtl::RenderPassDescriptor pass;
  pass.colorAttachments[0].texture = gpu.target(4, false);
  pass.colorAttachments[0].loadAction = mtl::LoadAction::Load;
  pass.colorAttachments[0].storeAction = mtl::StoreAction::MultisampleResolve;
  pass.colorAttachments[0].resolveTexture = gpu.target(1, false);
  for (auto _ : state) {
    auto cb = gpu.queue->commandBuffer();
    cb->renderCommandEncoder(pass)->endEncoding();
    cb->commit();
  }
}
BENCHMARK(BM_Resolve4x)->Unit(benchmark::kMillisecond);

}  // namespace
