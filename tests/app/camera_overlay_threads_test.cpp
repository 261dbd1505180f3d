// Capture and drawing at once (for ThreadSanitizer): frames arrive on the
// capture queue from the stand-in camera while the main thread reads the
// picture as a frame does, under the chart view's lock and the camera
// texture mutex; the stop on the session queue releases it under the lock.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/camera_overlay.h"
#include "platform/devices/authorization.h"
#include "platform/foundation/run_loop.h"
#include "skydata/app_bridge.h"
#include "tests/app/camera_support.h"
#include "tests/platform/uikit/uikit_support.h"

namespace {

using namespace camera_test;

TEST(CameraThreads, CaptureAndDrawingShareThePictureOnlyUnderTheLock) {
  uitest::World world;
  dev::configureAuthorization(dev::Service::camera, dev::AuthorizationStatus::authorizedWhenInUse,
                              dev::AuthorizationStatus::authorizedWhenInUse);
  std::recursive_mutex viewLock;
  FormulaFade fade;
  RecordingCameraDelegate delegate;
  CameraOverlay overlay(viewLock, fade, delegate);
  overlay.cameraToggled();

  int framesSeen = 0;
  std::uint64_t sum = 0;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(800);
  while (std::chrono::steady_clock::now() < end || framesSeen == 0) {
    {
      std::lock_guard<std::recursive_mutex> lock(viewLock);
      std::lock_guard<std::mutex> upload(cameraFrameMutex());
      if (const std::uint8_t* data = overlay.imageData()) {
        const std::uint64_t bytes = overlay.imageHeight() * overlay.imageBytesPerRow();
        for (std::uint64_t i = 0; i < bytes; i += 4099) sum += data[i];
        ++framesSeen;
      }
    }
    ns::RunLoop::main().runOnce();
    std::this_thread::sleep_for(std::chrono::milliseconds(16));
  }
  overlay.cameraToggled();
  overlay.sessionQueue()->sync([] {});
  std::lock_guard<std::recursive_mutex> lock(viewLock);
  EXPECT_EQ(overlay.imageData(), nullptr);
  EXPECT_GT(framesSeen, 0);
  EXPECT_GT(sum, 0u);
}

}  // namespace
