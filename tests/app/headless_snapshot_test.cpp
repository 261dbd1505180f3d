// The headless host's snapshots of the running application, driven by a
// touch script as a user drives it: the chart in each perspective, chosen
// with the toolbar, on a GPU that completes every command buffer late (as
// a loaded machine's does). Each snapshot must show what a user would see
// on a GPU that finishes every frame inside its commit: the same session
// played on a synchronous GPU is the reference, and every step's picture
// differs from the one before, so a snapshot a frame late cannot pass.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/coregraphics/image_codec.h"
#include "platform/host/host.h"
#include "platform/metal/device.h"
#include "platform/metal/gpu_timeline.h"
#include "temp_dir.h"
#include "tests/app/app_session.h"

namespace {

constexpr double kScreenHeight = 667, kStatusBarHeight = 30;  // points

// After the opening fade, the four perspectives chosen with the toolbar's
// first four buttons in an order where each tap changes the perspective
// (the chart opens in the orbit view). A step's run-loop time is short, so
// that a step draws only the frames the tap asks for.
constexpr const char* kSteps[][2] = {
    {"", "opened"},
    {"tap 134 642", "satellite"},
    {"tap 187 642", "ground"},
    {"tap 27 642", "sky"},
    {"tap 80 642", "orbit"},
};

// The system GPU, as a test leaves it: asynchronous and without latency.
struct GpuMode {
  mtl::GpuTimeline& gpu = mtl::createSystemDefaultDevice()->gpu();
  GpuMode(bool synchronous, std::chrono::milliseconds latency) {
    gpu.setSynchronous(synchronous);
    gpu.setLatency(latency);
  }
  ~GpuMode() {
    gpu.setSynchronous(false);
    gpu.setLatency(std::chrono::milliseconds(0));
  }
  GpuMode(const GpuMode&) = delete;
  GpuMode& operator=(const GpuMode&) = delete;
};

std::vector<std::shared_ptr<cg::Image>> playPerspectives(bool synchronous, std::chrono::milliseconds latency) {
  GpuMode mode(synchronous, latency);
  app_test::SessionOptions sessionOptions;
  sessionOptions.launch = false;
  sessionOptions.launchCount = 3;  // no quick start over the chart
  app_test::AppSession session(sessionOptions);
  tessaly::test::TempDir folder;
  host::HeadlessOptions options;
  options.manualClock = false;  // the session's clock, pinned to its date
  options.settleSeconds = 0.05;
  options.snapshotFolder = folder.path().string();
  options.script = "wait 0.7\n";
  for (const auto& [step, name] : kSteps) options.script += std::string(step) + "\nsnapshot " + name + "\n";
  EXPECT_EQ(host::runHeadless(session.sharedShell(), options), 0);
  std::vector<std::shared_ptr<cg::Image>> pictures;
  for (const auto& [step, name] : kSteps) {
    pictures.push_back(cg::imageFromFile(folder.file(std::string(name) + ".png")));
    EXPECT_TRUE(pictures.back()) << name;
  }
  return pictures;
}

// Pixels below the status bar whose colour differs by more than a few
// levels in any channel. The bar's date is left out: the process's first
// session formats it otherwise than the next (a defaults key that the
// sessions do not clear).
std::size_t differingPixels(const cg::Image& a, const cg::Image& b) {
  if (a.width() != b.width() || a.height() != b.height()) return a.width() * a.height();
  const auto top = std::size_t(kStatusBarHeight * double(a.height()) / kScreenHeight);
  std::size_t count = 0;
  for (std::size_t y = top; y < a.height(); ++y)
    for (std::size_t x = 0; x < a.width(); ++x) {
      const cg::Pixel p = a.pixel(x, y), q = b.pixel(x, y);
      if (std::max({std::abs(p.r - q.r), std::abs(p.g - q.g), std::abs(p.b - q.b)}) > 4) ++count;
    }
  return count;
}

TEST(HeadlessSnapshots, EachPerspectiveShowsOnALateGpuAsOnAPromptOne) {
  const auto reference = playPerspectives(true, std::chrono::milliseconds(0));
  const auto late = playPerspectives(false, std::chrono::milliseconds(250));
  ASSERT_EQ(reference.size(), std::size(kSteps));
  ASSERT_EQ(late.size(), std::size(kSteps));
  for (std::size_t i = 0; i < std::size(kSteps); ++i) {
    const char* name = kSteps[i][1];
    if (!reference[i] || !late[i]) continue;
    const std::size_t area = reference[i]->width() * reference[i]->height();
    // The step changed the chart: the picture before it is far off.
    if (i > 0 && reference[i - 1]) {
      EXPECT_GT(differingPixels(*reference[i], *reference[i - 1]), area / 20) << name;
    }
    EXPECT_LT(differingPixels(*late[i], *reference[i]), area / 1000) << name;
  }
}

}  // namespace
