// Whole frames through the GL layer on the software GPU (frame_scenes.h):
// the clear-only, sky and chart frames at 1920 x 1080 and 1024 x 768 on 1,
// 2, 4 and 8 workers, each ended by glReadPixels; beside them the memory
// floor of the clear-only frame (memset of both attachments and memcpy of
// the colour), timed in the same process. Arguments: width, height,
// workers.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/gles/frame_scenes.h"
#include "bench/gles/memory_floor.h"
#include "gles/context/platform.h"
#include "platform/metal/device.h"

namespace {

using frame_bench::GLFrame;
using frame_bench::SceneKind;

void drawFrames(benchmark::State& state, SceneKind kind) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  mglSharedMTLDevice()->setWorkerCount(static_cast<unsigned>(state.range(2)));
  GLFrame frame(kind, width, height, TESSALY_SHADER_FOLDER);
  std::vector<std::uint8_t> pixels(frame.pixelBytes());
  if (!frame.draw(pixels.data())) state.SkipWithError("the GL layer reported an error");
  for (auto _ : state) {
    frame.draw(pixels.data());
    benchmark::DoNotOptimize(pixels.data());
  }
  state.counters["Mpixels/s"] = benchmark::Counter(static_cast<double>(width) * height / 1e6,
                                                   benchmark::Counter::kIsIterationInvariantRate);
}

void BM_ClearFrame(benchmark::State& state) { drawFrames(state, SceneKind::clear); }
void BM_SkyFrame(benchmark::State& state) { drawFrames(state, SceneKind::sky); }
void BM_ChartScene(benchmark::State& state) { drawFrames(state, SceneKind::chart); }

void BM_MemoryFloor(benchmark::State& state) {
  const std::size_t texels = static_cast<std::size_t>(state.range(0)) * static_cast<std::size_t>(state.range(1));
  frame_bench::MemoryFloor floor(texels * 4, texels * 2);
  std::vector<std::uint8_t> pixels(texels * 4);
  for (auto _ : state) {
    floor.run(pixels.data());
    benchmark::DoNotOptimize(pixels.data());
  }
}

void sizesAndWorkers(benchmark::internal::Benchmark* b) {
  for (const auto& size : {std::pair{1920, 1080}, std::pair{1024, 768}}) {
    for (int workers : {1, 2, 4, 8}) b->Args({size.first, size.second, workers});
  }
}

BENCHMARK(BM_MemoryFloor)->Args({1920, 1080})->Args({1024, 768})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ClearFrame)->Apply(sizesAndWorkers)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SkyFrame)->Apply(sizesAndWorkers)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ChartScene)->Apply(sizesAndWorkers)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
