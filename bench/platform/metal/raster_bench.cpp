// The software GPU drawing the chart's kind of frame: BM_ChartFrame is
// the frame of chart_frame.h; the argument is the number of workers. Fragments per second
// counts the samples that pass, as a counting visibility query sees them.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "bench/platform/metal/chart_frame.h"
#include "platform/metal/buffer.h"
#include "platform/metal/command_buffer.h"
#include "platform/metal/device.h"
#include "platform/metal/gpu_timeline.h"
#include "platform/metal/render_encoder.h"
#include "platform/metal/texture.h"

namespace {

using namespace mtl;
using chart_frame::ChartFrame;
using chart_frame::Vertex;

void BM_ChartFrame(benchmark::State& state) {
  ChartFrame frame(static_cast<unsigned>(state.range(0)));
  frame.draw(true);
  const std::uint64_t fragments = frame.fragments();
  for (auto _ : state) frame.draw(false);
  state.counters["fragments"] = static_cast<double>(fragments);
  state.counters["fragments/s"] = benchmark::Counter(static_cast<double>(fragments),
                                                     benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ChartFrame)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

namespace {

// The same shading on one 64 x 64 tile with the frame's density of
// triangles (everything stays in cache): the fragment pipeline's own cost.
void BM_TileOfTriangles(benchmark::State& state) {
  ChartFrame frame(1);
  TextureDescriptor td = TextureDescriptor::texture2DDescriptor(PixelFormat::BGRA8Unorm, 64, 64, false);
  td.usage = TextureUsageRenderTarget;
  auto color = frame.device->newTexture(td);
  td.pixelFormat = PixelFormat::Depth32Float;
  auto depth = frame.device->newTexture(td);
  std::mt19937 rng(5);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  std::vector<Vertex> data;
  const int triangles = 100000 * 64 * 64 / static_cast<int>(chart_frame::kWidth * chart_frame::kHeight);
  for (int i = 0; i < triangles; ++i) {
    const float cx = unit(rng) * 64, cy = unit(rng) * 64;
    const float r = std::sqrt((10 + 50 * unit(rng)) / 1.299f), angle = unit(rng) * 6.2831853f;
    for (int k = 0; k < 3; ++k) {
      const float t = angle + 2.0943951f * static_cast<float>(k);
      data.push_back({{cx + r * std::cos(t), cy + r * std::sin(t), 0.5f}, {200, 100, 50, 160},
                      {cx / 256 + r * std::cos(t) / 256, cy / 256}, 1});
    }
  }
  auto vertices = frame.device->newBuffer(data.data(), data.size() * sizeof(Vertex), 0);
  const float m[16] = {2.0f / 64, 0, 0, 0, 0, -2.0f / 64, 0, 0, 0, 0, 2, 0, -1, 1, -1, 1};
  for (auto _ : state) {
    auto commands = frame.queue->commandBuffer();
    RenderPassDescriptor pass;
    pass.colorAttachments[0].texture = color;
    pass.colorAttachments[0].loadAction = LoadAction::Clear;
    pass.depthAttachment.texture = depth;
    pass.depthAttachment.loadAction = LoadAction::Clear;
    auto e = commands->renderCommandEncoder(pass);
    e->setDepthStencilState(frame.depthState);
    e->setVertexBytes(m, sizeof m, 0);
    e->setVertexBuffer(vertices, 0, 1);
    e->setFragmentTexture(frame.texture, 0);
    e->setFragmentSamplerState(frame.sampler, 0);
    e->setRenderPipelineState(frame.triangles);
    e->drawPrimitives(PrimitiveType::Triangle, 0, data.size());
    e->endEncoding();
    commands->commit();
  }
  state.counters["triangles"] = triangles;
}
BENCHMARK(BM_TileOfTriangles)->Unit(benchmark::kMicrosecond);

}  // namespace
