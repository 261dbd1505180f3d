// The camera overlay's world in a test: a fade that answers from a fixed
// formula (so a test can tell which grid point and colour it was asked
// for), a delegate that records, and frames with a per-pixel pattern and
// a padded row stride.
#pragma once

#include <atomic>
#include <cmath>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "app/camera_overlay.h"

namespace camera_test {

class FormulaFade : public CameraFade {
 public:
  bool buildHorizonFadeGrid(int columns, int rows) override {
    lastColumns = columns, lastRows = rows;
    return !failGrid;
  }
  float cameraPixelAlpha(float x, float y, float red, float green, float blue) override {
    return alphaFor(x, y, red, green, blue);
  }
  static float alphaFor(float x, float y, float red, float green, float blue) {
    return std::fmod(x * 13.0f + y * 7.0f + red + 2.0f * green + 3.0f * blue, 256.0f);
  }
  std::atomic<int> lastColumns{0}, lastRows{0};
  std::atomic<bool> failGrid{false};
};

class RecordingCameraDelegate : public CameraOverlayDelegate {
 public:
  void cameraSetupFinished(CameraSetupResult result) override {
    calls.push_back("setupFinished:" + std::to_string(static_cast<int>(result)));
  }
  void cameraSessionStarted() override { calls.push_back("started"); }
  void cameraSessionStopping() override { calls.push_back("stopping"); }
  std::vector<std::string> calls;
};

// A w x h BGRA frame whose rows are `stride` bytes apart (the padding
// holds 0xEE); pixel (r, c) is pixelAt(r, c).
struct Bgra {
  std::uint8_t b, g, r;
};
inline Bgra pixelAt(std::size_t row, std::size_t column) {
  return {std::uint8_t(column % 251), std::uint8_t(row % 241), std::uint8_t((row * 7 + column * 3) % 256)};
}
inline dev::CameraFrame patternFrame(std::size_t w, std::size_t h, std::size_t stride) {
  dev::CameraFrame frame;
  frame.width = w, frame.height = h, frame.bytesPerRow = stride;
  frame.bgra.assign(h * stride, 0xEE);
  for (std::size_t r = 0; r < h; ++r)
    for (std::size_t c = 0; c < w; ++c) {
      const Bgra p = pixelAt(r, c);
      std::uint8_t* out = &frame.bgra[r * stride + c * 4];
      out[0] = p.b, out[1] = p.g, out[2] = p.r, out[3] = 255;
    }
  return frame;
}

}  // namespace camera_test
