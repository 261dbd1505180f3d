// The camera overlay: frames turned as the screen is, checked pixel by
// pixel against the turns as stated (source to picture), faded through
// the chart's fade, refused when damaged; the capture session's set-up,
// permission, start and stop.
#include "app/camera_overlay.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "platform/devices/authorization.h"
#include "platform/foundation/run_loop.h"
#include "tests/app/camera_support.h"
#include "tests/platform/uikit/uikit_support.h"

namespace {

using namespace camera_test;

// Where source pixel (r, c) of a w x h frame lands, as the turns are
// defined: a quarter turn clockwise in portrait, anticlockwise upside
// down, a half turn in orientation 4, none otherwise.
struct Place {
  std::size_t x, y;
};
Place placeOf(int orientation, std::size_t r, std::size_t c, std::size_t w, std::size_t h) {
  switch (orientation) {
    case 1: return {h - 1 - r, c};
    case 2: return {r, w - 1 - c};
    case 4: return {w - 1 - c, h - 1 - r};
    default: return {c, r};
  }
}

// The picture's pixel at the place of source pixel (r, c) holds its colour
// and the fade's opacity for that place and colour.
::testing::AssertionResult landsRight(const CameraOverlay& overlay, int orientation, std::size_t r, std::size_t c,
                                      std::size_t w, std::size_t h) {
  const Place p = placeOf(orientation, r, c, w, h);
  const std::uint8_t* out = overlay.imageData() + p.y * overlay.imageBytesPerRow() + p.x * 4;
  const Bgra s = pixelAt(r, c);
  const auto alpha = static_cast<std::uint8_t>(FormulaFade::alphaFor(
      static_cast<float>(p.x / 10.0), static_cast<float>(p.y / 10.0), s.r, s.g, s.b));
  if (out[0] == s.b && out[1] == s.g && out[2] == s.r && out[3] == alpha) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "source (" << r << ", " << c << ") at picture (" << p.x << ", " << p.y
                                       << ") holds " << int(out[0]) << "," << int(out[1]) << "," << int(out[2])
                                       << "," << int(out[3]) << " not " << int(s.b) << "," << int(s.g) << ","
                                       << int(s.r) << "," << int(alpha);
}

class CameraFrames : public ::testing::Test {
 protected:
  uitest::World world_;
  std::recursive_mutex viewLock_;
  FormulaFade fade_;
  RecordingCameraDelegate delegate_;
  CameraOverlay overlay_{viewLock_, fade_, delegate_};
};

TEST_F(CameraFrames, APortraitFrameWithPaddedRowsTurnsAQuarterIntoPackedRows) {
  const std::size_t w = 1280, h = 720, stride = 1280 * 4 + 64;
  overlay_.setInterfaceOrientation(1);
  ASSERT_TRUE(overlay_.processVideoFrame(patternFrame(w, h, stride)));
  EXPECT_EQ(overlay_.imageWidth(), 720u);
  EXPECT_EQ(overlay_.imageHeight(), 1280u);
  EXPECT_EQ(overlay_.imageBytesPerRow(), 2880u);
  EXPECT_EQ(overlay_.imageBytes(), h * stride);
  EXPECT_EQ(fade_.lastColumns, 73);
  EXPECT_EQ(fade_.lastRows, 129);
  int wrong = 0;
  for (std::size_t r = 0; r < h; ++r)
    for (std::size_t c = 0; c < w; ++c)
      if (!landsRight(overlay_, 1, r, c, w, h) && ++wrong < 5) ADD_FAILURE() << landsRight(overlay_, 1, r, c, w, h).message();
  EXPECT_EQ(wrong, 0);
}

TEST_F(CameraFrames, EveryOrientationAtTheCornersAndInside) {
  const std::size_t w = 64, h = 36, stride = 64 * 4 + 12;
  const dev::CameraFrame frame = patternFrame(w, h, stride);
  const std::pair<std::size_t, std::size_t> samples[] = {{0, 0}, {0, w - 1}, {h - 1, 0}, {h - 1, w - 1},
                                                         {5, 17}, {30, 2}, {17, 50}};
  for (int orientation : {1, 2, 3, 4}) {
    SCOPED_TRACE(orientation);
    overlay_.setInterfaceOrientation(orientation);
    ASSERT_TRUE(overlay_.processVideoFrame(frame));
    const bool quarter = orientation <= 2;
    EXPECT_EQ(overlay_.imageWidth(), quarter ? h : w);
    EXPECT_EQ(overlay_.imageHeight(), quarter ? w : h);
    EXPECT_EQ(overlay_.imageBytesPerRow(), (quarter ? h : w) * 4) << "packed rows, not the camera's stride";
    EXPECT_EQ(fade_.lastColumns, int((quarter ? h : w) / 10 + 1));
    EXPECT_EQ(fade_.lastRows, int((quarter ? w : h) / 10 + 1));
    for (auto [r, c] : samples) EXPECT_TRUE(landsRight(overlay_, orientation, r, c, w, h));
  }
}

TEST_F(CameraFrames, DamagedFramesAndAFailedFadeKeepNoPicture) {
  overlay_.setInterfaceOrientation(3);
  const dev::CameraFrame good = patternFrame(40, 30, 160);
  std::vector<std::pair<const char*, std::function<void(dev::CameraFrame&)>>> damage = {
      {"no width", [](dev::CameraFrame& f) { f.width = 0; }},
      {"no height", [](dev::CameraFrame& f) { f.height = 0; }},
      {"rows shorter than their pixels", [](dev::CameraFrame& f) { f.bytesPerRow = 4 * f.width - 1; }},
      {"bytes missing at the end", [](dev::CameraFrame& f) { f.bgra.resize(f.bgra.size() - 1); }},
      {"no bytes", [](dev::CameraFrame& f) { f.bgra.clear(); }},
      {"a side too large to be a camera's", [](dev::CameraFrame& f) { f.width = std::size_t{1} << 40; }},
      {"a stride that overflows", [](dev::CameraFrame& f) { f.bytesPerRow = ~std::size_t{0}; }},
  };
  for (auto& [what, change] : damage) {
    ASSERT_TRUE(overlay_.processVideoFrame(good));
    dev::CameraFrame bad = good;
    change(bad);
    EXPECT_FALSE(overlay_.processVideoFrame(bad)) << what;
    EXPECT_EQ(overlay_.imageData(), nullptr) << what;
    EXPECT_EQ(overlay_.imageWidth() + overlay_.imageHeight() + overlay_.imageBytesPerRow(), 0u) << what;
  }
  fade_.failGrid = true;
  EXPECT_FALSE(overlay_.processVideoFrame(good));
  EXPECT_EQ(overlay_.imageData(), nullptr);
}

// The capture session on the device stand-in's camera, in real time.
class CameraSession : public CameraFrames {
 protected:
  void TearDown() override {
    unsetenv("TESSALY_CAMERA");
    dev::configureAuthorization(dev::Service::camera, dev::AuthorizationStatus::authorizedWhenInUse,
                                dev::AuthorizationStatus::authorizedWhenInUse);
  }
  void allowCamera(dev::AuthorizationStatus now, dev::AuthorizationStatus answer) {
    dev::configureAuthorization(dev::Service::camera, now, answer);
  }
  // Runs the main loop's posted work until `done`. The camera's threads
  // come when a busy machine lets them (two seconds were too few for its
  // first frame under load): the limit only ends a test that would hang.
  bool waitFor(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      ns::RunLoop::main().runOnce();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
  }
  bool hasPicture() {
    std::lock_guard<std::recursive_mutex> lock(viewLock_);
    return overlay_.imageData() != nullptr;
  }
  void settle() {
    overlay_.sessionQueue()->sync([] {});
    overlay_.captureQueue()->sync([] {});
    ns::RunLoop::main().runOnce();
  }
};

TEST_F(CameraSession, StartingShowsFramesAndStoppingFreesAndZeroesThePicture) {
  allowCamera(dev::AuthorizationStatus::authorizedWhenInUse, dev::AuthorizationStatus::authorizedWhenInUse);
  overlay_.cameraToggled();
  ASSERT_TRUE(overlay_.hasSession());
  EXPECT_TRUE(overlay_.isRunning());
  ASSERT_TRUE(waitFor([&] { return hasPicture(); }));
  // The set-up's report reaches the main loop on its own time; the first
  // frame can be there before it.
  ASSERT_TRUE(waitFor([&] { return delegate_.calls.size() >= 2; }));
  {
    std::lock_guard<std::recursive_mutex> lock(viewLock_);
    EXPECT_EQ(overlay_.imageWidth(), 720u);  // the phone's preset, in portrait
    EXPECT_EQ(overlay_.imageHeight(), 1280u);
    EXPECT_FLOAT_EQ(overlay_.imageFoV(), 63.4f);
  }
  // A frame still on its way when the camera stops must not bring the
  // picture back.
  const dev::CameraFrame late = patternFrame(64, 48, 256);
  overlay_.captureQueue()->async([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    overlay_.processVideoFrame(late);
  });
  overlay_.cameraToggled();
  EXPECT_FALSE(overlay_.isRunning());
  settle();
  std::lock_guard<std::recursive_mutex> lock(viewLock_);
  EXPECT_EQ(overlay_.imageData(), nullptr);
  EXPECT_EQ(overlay_.imageWidth() + overlay_.imageHeight() + overlay_.imageBytesPerRow(), 0u);
  EXPECT_EQ(overlay_.imageFoV(), 0.0f);
  EXPECT_EQ(delegate_.calls, (std::vector<std::string>{"started", "setupFinished:0", "stopping"}));
}

TEST_F(CameraSession, ARefusedCameraGivesNoFramesAndSaysSo) {
  allowCamera(dev::AuthorizationStatus::notDetermined, dev::AuthorizationStatus::denied);
  overlay_.cameraToggled();  // before the answer: started, waiting
  EXPECT_TRUE(overlay_.isRunning());
  ASSERT_TRUE(waitFor([&] { return delegate_.calls.size() == 2; }));
  EXPECT_EQ(overlay_.cameraSetupResult(), CameraSetupResult::notAuthorized);
  EXPECT_EQ(delegate_.calls, (std::vector<std::string>{"started", "setupFinished:1"}));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(hasPicture());
  overlay_.cameraToggled();
  settle();
}

TEST_F(CameraSession, AnAnswerAwaitedThenGrantedStartsTheFrames) {
  allowCamera(dev::AuthorizationStatus::notDetermined, dev::AuthorizationStatus::authorizedWhenInUse);
  overlay_.cameraToggled();
  EXPECT_TRUE(overlay_.sessionQueue()->isSuspended());
  EXPECT_FALSE(hasPicture());
  ASSERT_TRUE(waitFor([&] { return hasPicture(); }));
  EXPECT_EQ(overlay_.cameraSetupResult(), CameraSetupResult::success);
  overlay_.cameraStopSession();
  settle();
}

TEST_F(CameraSession, AMachineWithoutACameraFailsTheConfiguration) {
  setenv("TESSALY_CAMERA", "none", 1);
  overlay_.cameraSetup();
  ASSERT_TRUE(waitFor([&] { return !delegate_.calls.empty(); }));
  EXPECT_EQ(overlay_.cameraSetupResult(), CameraSetupResult::configurationFailed);
  EXPECT_EQ(delegate_.calls, (std::vector<std::string>{"setupFinished:2"}));
  overlay_.cameraStartSession();
  overlay_.cameraStartSession();  // once only
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(hasPicture());
  overlay_.cameraStopSession();
  overlay_.cameraStopSession();
  EXPECT_EQ(delegate_.calls, (std::vector<std::string>{"setupFinished:2", "started", "stopping"}));
}

}  // namespace
