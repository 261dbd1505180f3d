// Old against new in one process: two builds of the frame scenes
// (frame_module.h), each linked with one tree's libraries, loaded side by
// side and drawn in turn, frame after frame, so that both see the same
// machine load. TESSALY_FRAME_OLD and TESSALY_FRAME_NEW name the modules
// (scripts/frame_ab.sh builds and runs them). Each case first compares the
// two read-backs byte for byte ("differing bytes" must be 0), then times
// alternating frames: the counters are the medians of each and their
// ratio; the clear-only frame also times the memory floor in the same
// turn, after a second old frame. The benchmark's own time is the new frame's. Arguments: width,
// height, workers.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/gles/frame_module.h"
#include "bench/gles/memory_floor.h"

namespace {

const TessalyFrameModule* loadModule(const char* variable) {
  const char* path = std::getenv(variable);
  if (path == nullptr) return nullptr;
  void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return nullptr;
  using Entry = const TessalyFrameModule* (*)();
  auto entry = reinterpret_cast<Entry>(dlsym(library, "tessalyFrameModule"));
  return entry ? entry() : nullptr;
}

struct OpenFrame {
  const TessalyFrameModule* module;
  void* frame;
  ~OpenFrame() {
    if (frame) module->close(frame);
  }
};

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

template <typename F>
double millisecondsOf(F&& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void BM_AB(benchmark::State& state, int scene) {
  static const TessalyFrameModule* oldModule = loadModule("TESSALY_FRAME_OLD");
  static const TessalyFrameModule* newModule = loadModule("TESSALY_FRAME_NEW");
  if (!oldModule || !newModule) {
    state.SkipWithError("set TESSALY_FRAME_OLD and TESSALY_FRAME_NEW to two frame modules");
    return;
  }
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const auto workers = static_cast<unsigned>(state.range(2));
  OpenFrame before{oldModule, oldModule->open(scene, width, height, workers)};
  OpenFrame after{newModule, newModule->open(scene, width, height, workers)};
  if (!before.frame || !after.frame || oldModule->pixelBytes(before.frame) != newModule->pixelBytes(after.frame)) {
    state.SkipWithError("a module could not set the scene up");
    return;
  }
  const std::size_t bytes = newModule->pixelBytes(after.frame);
  std::vector<std::uint8_t> oldPixels(bytes), newPixels(bytes);
  if (!oldModule->draw(before.frame, oldPixels.data()) || !newModule->draw(after.frame, newPixels.data())) {
    state.SkipWithError("a frame reported a GL error");
    return;
  }
  std::size_t differing = 0;
  for (std::size_t i = 0; i < bytes; ++i) differing += oldPixels[i] != newPixels[i];

  frame_bench::MemoryFloor floor(bytes, bytes / 2);
  std::vector<double> oldTimes, newTimes, floorTimes;
  for (auto _ : state) {
    oldTimes.push_back(millisecondsOf([&] { oldModule->draw(before.frame, oldPixels.data()); }));
    const double t = millisecondsOf([&] { newModule->draw(after.frame, newPixels.data()); });
    newTimes.push_back(t);
    if (scene == kFrameClear) {
      // The floor, too, right after an old frame, as the new frame runs.
      oldTimes.push_back(millisecondsOf([&] { oldModule->draw(before.frame, oldPixels.data()); }));
      floorTimes.push_back(millisecondsOf([&] { floor.run(oldPixels.data()); }));
    }
    state.SetIterationTime(t / 1000);
  }
  const double oldMs = median(oldTimes), newMs = median(newTimes);
  state.counters["differing bytes"] = static_cast<double>(differing);
  state.counters["old ms"] = oldMs;
  state.counters["new ms"] = newMs;
  state.counters["speed-up"] = newMs > 0 ? oldMs / newMs : 0;
  if (scene == kFrameClear) {
    state.counters["floor ms"] = median(floorTimes);
    state.counters["new/floor"] = newMs / median(floorTimes);
  }
}

// Rounds per case: the slow old frames take about a second each.
void glCases(benchmark::internal::Benchmark* b, int rounds) {
  for (const auto& size : {std::pair{1920, 1080}, std::pair{1024, 768}}) {
    for (int workers : {1, 2, 4, 8}) b->Args({size.first, size.second, workers});
  }
  b->Iterations(rounds)->UseManualTime()->Unit(benchmark::kMillisecond);
}

BENCHMARK_CAPTURE(BM_AB, clear, kFrameClear)->Apply([](auto* b) { glCases(b, 60); });
BENCHMARK_CAPTURE(BM_AB, sky, kFrameSky)->Apply([](auto* b) { glCases(b, 15); });
BENCHMARK_CAPTURE(BM_AB, chart, kFrameChart)->Apply([](auto* b) { glCases(b, 5); });
BENCHMARK_CAPTURE(BM_AB, metalChartFrame, kFrameMetalChart)
    ->Args({1280, 800, 1})->Args({1280, 800, 2})->Args({1280, 800, 4})->Args({1280, 800, 8})
    ->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
