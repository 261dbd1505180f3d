// Recording a frame's draws: 100,000 draws with a state change each, the
// encoding cost the GL layer pays on every frame. With the command log off
// (as in the running program) nothing is formatted or kept; the logged
// variant (a ring of 1,000 entries) shows what tests pay for the log.
#include <benchmark/benchmark.h>

#include "platform/metal/command_buffer.h"
#include "platform/metal/device.h"
#include "platform/metal/gpu_timeline.h"
#include "platform/metal/render_encoder.h"

namespace {

constexpr int kDraws = 100000;

void recordDraws(benchmark::State& state, bool logged) {
  auto device = mtl::Device::create();
  device->gpu().setSynchronous(true);
  if (logged) device->commandLog().enable(1000);
  auto queue = device->newCommandQueue();
  auto d = mtl::TextureDescriptor::texture2DDescriptor(mtl::PixelFormat::RGBA8Unorm, 64, 64,
                                                       false);
  d.usage = mtl::TextureUsageRenderTarget;
  mtl::RenderPassDescriptor pass;
  pass.colorAttachments[0].texture = device->newTexture(d);
  mtl::RenderPipelineDescriptor p;
  p.vertexFunction = device->newLibraryWithSource("vertex float4 v() { return 0; }", {}, nullptr)
                         ->newFunctionWithName("v");
  p.colorAttachments[0].pixelFormat = mtl::PixelFormat::RGBA8Unorm;
  auto pipeline = device->newRenderPipelineState(p, 0, nullptr, nullptr);
  const float color[4] = {1, 0.5f, 0.25f, 1};
  for (auto _ : state) {
    auto cb = queue->commandBuffer();
    auto encoder = cb->renderCommandEncoder(pass);
    encoder->setRenderPipelineState(pipeline);
    for (int i = 0; i < kDraws; ++i) {
      encoder->setFragmentBytes(color, sizeof color, 0);
      encoder->drawPrimitives(mtl::PrimitiveType::Triangle, 3 * i, 3);
    }
    encoder->endEncoding();
    cb->commit();
  }
  state.SetItemsProcessed(state.iterations() * kDraws);
}

void BM_RecordDrawsLogOff(benchmark::State& state) { recordDraws(state, false); }
BENCHMARK(BM_RecordDrawsLogOff)->Unit(benchmark::kMillisecond);

void BM_RecordDrawsLogOn(benchmark::State& state) { recordDraws(state, true); }
BENCHMARK(BM_RecordDrawsLogOn)->Unit(benchmark::kMillisecond);

}  // namespace
