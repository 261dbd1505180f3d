// One camera frame through the overlay: a 1280 x 720 frame turned into a
// portrait picture with a per-pixel opacity, the work the capture queue
// does 30 times a second while it holds the chart view's lock (budget:
// under 10 ms on one core). The fade stands for the chart's: a grid of
// horizon values with bilinear interpolation and the sky-likeness of each
// pixel, as the chart computes them.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/camera_overlay.h"

namespace {

class HorizonFade : public CameraFade {
 public:
  bool buildHorizonFadeGrid(int columns, int rows) override {
    columns_ = columns, rows_ = rows;
    grid_.assign(static_cast<std::size_t>(columns) * rows, 0.0f);
    // A horizon across the middle of the picture, rising to full over a
    // tenth of its height.
    for (int j = 0; j < rows; ++j) {
      const float d = (rows / 2.0f - j) / rows;
      for (int i = 0; i < columns; ++i) grid_[j * columns + i] = d < 0 ? 0 : d >= 0.1f ? 1 : 10 * d;
    }
    return true;
  }
  float cameraPixelAlpha(float x, float y, float r, float g, float b) override {
    const float f = fadeAt(x, y);
    if (f == 0) return 255;
    const float o = opacity_;
    float t = o < 0.5f ? (0.5f - o) * f : 0;
    const float w = std::clamp(1.0f - 0.1f * ((r + g + b) / 3 - 15), 0.0f, 1.0f);  // night sky-likeness
    t = o < 0.5f ? std::min(std::min(f, 1.0f) * w * (1 - o) + t, 0.5f) : (1 - o) * std::min(f, 1.0f) * w;
    return (1 - t) * 255;
  }

 private:
  float fadeAt(float x, float y) const {
    x = std::clamp(x, 0.0f, columns_ - 1.0f), y = std::clamp(y, 0.0f, rows_ - 1.0f);
    const int i = std::min(static_cast<int>(x), columns_ - 2), j = std::min(static_cast<int>(y), rows_ - 2);
    const float u = x - i, v = y - j;
    const float* row = &grid_[j * columns_ + i];
    return (1 - v) * ((1 - u) * row[0] + u * row[1]) + v * ((1 - u) * row[columns_] + u * row[columns_ + 1]);
  }
  int columns_ = 0, rows_ = 0;
  float opacity_ = 0.3f;
  std::vector<float> grid_;
};

class NoDelegate : public CameraOverlayDelegate {
  void cameraSetupFinished(CameraSetupResult) override {}
  void cameraSessionStarted() override {}
  void cameraSessionStopping() override {}
};

void BM_ProcessVideoFramePortrait1280x720(benchmark::State& state) {
  dev::CameraFrame frame;
  frame.width = 1280, frame.height = 720, frame.bytesPerRow = 1280 * 4;
  frame.bgra.resize(frame.height * frame.bytesPerRow);
  for (std::size_t i = 0; i < frame.bgra.size(); ++i) frame.bgra[i] = static_cast<std::uint8_t>(i * 31 / 7);
  std::recursive_mutex lock;
  HorizonFade fade;
  NoDelegate delegate;
  CameraOverlay overlay(lock, fade, delegate);
  overlay.setInterfaceOrientation(1);
  for (auto _ : state) {
    benchmark::DoNotOptimize(overlay.processVideoFrame(frame));
    benchmark::DoNotOptimize(overlay.imageData());
  }
  state.SetItemsProcessed(state.iterations() * 1280 * 720);
}
BENCHMARK(BM_ProcessVideoFramePortrait1280x720)->Unit(benchmark::kMillisecond);

}  // namespace
