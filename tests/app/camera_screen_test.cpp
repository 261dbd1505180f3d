// The chart screen's side of the camera overlay: the button in the sky
// view with motion on, the camera's projection and swipes while it runs,
// its picture reaching the chart renderer, and everything undone at stop.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "chart/sky_chart.h"
#include "platform/devices/authorization.h"
#include "platform/devices/location.h"
#include "platform/uikit/application.h"
#include "ui/foundation/settings_model.h"
#include "skydata/app_bridge.h"
#include "tests/app/app_session.h"
#include "tests/app/camera_settle.h"
#include "tests/support/sanitizer_build.h"

namespace {

using app_test::AppSession;
using app_test::settle;
using app_test::settleFor;

const void* pictureData(ChartSurfaceView& view) {
  std::lock_guard<std::recursive_mutex> drawing(view.chartLock());
  std::lock_guard<std::mutex> upload(cameraFrameMutex());
  return getCameraImageData();
}

TEST(ChartScreenCamera, TheCameraRunsUnderTheChartInTheSkyViewAndStopsCleanly) {
  dev::configureAuthorization(dev::Service::camera, dev::AuthorizationStatus::authorizedWhenInUse,
                              dev::AuthorizationStatus::authorizedWhenInUse);
  app_test::WithCompass compass;
  AppSession session;
  session.run(1.0);
  ChartScreenController& screen = session.screen();
  screen.setChartPerspective(kSkyPerspective);
  screen.startCompassOrGyro();
  const auto& v = screen.views();
  EXPECT_FALSE(v.cameraButton->isHidden()) << "the sky view with motion on";
  screen.cameraToggled();
  ASSERT_NE(screen.camera(), nullptr);
  settle(session, *screen.camera(),
         [&] { return screen.cameraRunning() && pictureData(session.chartView()) != nullptr; });
  EXPECT_TRUE(screen.cameraRunning());
  CSkyChart& chart = session.chart();
  EXPECT_EQ(chart.getDisplayProjection(), kProjectionGnomonic);
  EXPECT_TRUE(v.zoomInButton->isHidden());
  EXPECT_EQ(session.chartView().gestureRecognizers().size(), 1u);
  ASSERT_NE(pictureData(session.chartView()), nullptr) << "frames reach the renderer";
  {
    std::lock_guard<std::recursive_mutex> drawing(session.chartView().chartLock());
    EXPECT_EQ(getCameraImageWidth(), std::int32_t(screen.camera()->imageWidth()));
    EXPECT_EQ(getCameraImageFOV(), std::trunc(screen.camera()->imageFoV()));
  }
  session.chartView().drawImmediately();  // the renderer uploads the picture

  // Swipes turn and fade the picture.
  session.chartView().handlePanGesture(ui::GestureState::began, {0, 0});
  session.chartView().handlePanGesture(ui::GestureState::changed, {0, -session.chartView().bounds().height() / 4});
  EXPECT_NEAR(chart.cameraOpacity, 0.75, 1e-6);

  // Leaving the sky view stops the camera: projection, swipes and buttons
  // come back and the picture is released.
  screen.setChartPerspective(kOrbitPerspective);
  settle(session, *screen.camera(),
         [&] { return !screen.cameraRunning() && pictureData(session.chartView()) == nullptr; });
  EXPECT_FALSE(screen.cameraRunning());
  EXPECT_EQ(chart.getDisplayProjection(), kProjectionStereographic);
  EXPECT_TRUE(session.chartView().gestureRecognizers().empty());
  EXPECT_EQ(pictureData(session.chartView()), nullptr);
  EXPECT_EQ(screen.camera()->imageWidth(), 0u);
}

// Starting, stopping and laying the screen out change the projection and
// the viewport while the capture queue builds each frame's horizon fade
// from them: they share the chart only under the chart view's lock (the
// suite runs under ThreadSanitizer).
TEST(ChartScreenCamera, StartStopAndLayoutShareTheChartWithFramesOnlyUnderTheLock) {
  dev::configureAuthorization(dev::Service::camera, dev::AuthorizationStatus::authorizedWhenInUse,
                              dev::AuthorizationStatus::authorizedWhenInUse);
  app_test::WithCompass compass;
  AppSession session;
  session.run(1.0);
  ChartScreenController& screen = session.screen();
  screen.setChartPerspective(kSkyPerspective);
  screen.startCompassOrGyro();
  screen.cameraToggled();
  ASSERT_NE(screen.camera(), nullptr);
  int pictures = 0;
  // The sanitizer that looks for the race needs only a few rounds to see
  // both sides touch the chart.
  const int rounds = tessaly::test::sanitizerSample(12, 4);
  for (int round = 0; round < rounds; ++round) {
    // Frames come 30 a second on the capture queue meanwhile.
    for (int i = 0; i < 4; ++i) {
      screen.layoutForCurrentOrientation();
      session.run(0.02);
      std::this_thread::sleep_for(std::chrono::milliseconds(15));
    }
    {
      std::lock_guard<std::recursive_mutex> drawing(session.chartView().chartLock());
      pictures += screen.camera()->imageData() != nullptr;
    }
    screen.cameraToggled();  // stops, then starts again on the next round
    session.run(0.02);
    if (!screen.cameraRunning()) screen.cameraToggled();
  }
  EXPECT_GT(pictures, 0) << "frames were processed while the screen changed the chart";
  screen.cameraStopSession();
  screen.camera()->sessionQueue()->sync([] {});
  screen.camera()->captureQueue()->sync([] {});
  EXPECT_EQ(session.chart().getDisplayProjection(), kProjectionStereographic);
}

TEST(ChartScreenCamera, WithoutAccessTheSessionStartsButNoPictureArrives) {
  dev::configureAuthorization(dev::Service::camera, dev::AuthorizationStatus::denied,
                              dev::AuthorizationStatus::denied);
  AppSession session;
  session.run(1.0);
  ChartScreenController& screen = session.screen();
  screen.setChartPerspective(kSkyPerspective);
  screen.cameraToggled();
  settle(session, *screen.camera(),
         [&] { return screen.camera()->cameraSetupResult() == CameraSetupResult::notAuthorized; });
  settleFor(session, *screen.camera(), 0.2);  // long enough for a few frames, had any come
  EXPECT_EQ(screen.camera()->cameraSetupResult(), CameraSetupResult::notAuthorized);
  EXPECT_EQ(pictureData(session.chartView()), nullptr);
  screen.cameraToggled();
  settle(session, *screen.camera(), [&] { return !screen.cameraRunning(); });
  EXPECT_FALSE(screen.cameraRunning());
  dev::configureAuthorization(dev::Service::camera, dev::AuthorizationStatus::authorizedWhenInUse,
                              dev::AuthorizationStatus::authorizedWhenInUse);
}

}  // namespace
