// The camera's picture as the device turns: a behaviour of the chart
// screen, kept apart from the camera's threaded checks, which run under
// ThreadSanitizer, since each turn renders frames for a second.
#include <gtest/gtest.h>

#include <cstdint>
#include <mutex>
#include <utility>

#include "chart/sky_chart.h"
#include "platform/devices/authorization.h"
#include "platform/uikit/application.h"
#include "skydata/app_bridge.h"
#include "ui/foundation/settings_model.h"
#include "tests/app/app_session.h"
#include "tests/app/camera_settle.h"

namespace {

using app_test::AppSession;
using app_test::settle;

// Frames follow the device as it turns: a quarter turn in portrait, none
// in landscape (3), a half turn upside-down landscape (4).
TEST(ChartScreenCamera, ThePictureTurnsWithTheDevice) {
  dev::configureAuthorization(dev::Service::camera, dev::AuthorizationStatus::authorizedWhenInUse,
                              dev::AuthorizationStatus::authorizedWhenInUse);
  app_test::WithCompass compass;
  AppSession session;
  session.run(1.0);
  ChartScreenController& screen = session.screen();
  screen.settings()->setAutoVR(false);
  screen.setChartPerspective(kSkyPerspective);
  screen.startCompassOrGyro();
  screen.cameraToggled();
  using Size = std::pair<std::uint64_t, std::uint64_t>;
  auto pictureSize = [&] {
    std::lock_guard<std::recursive_mutex> drawing(session.chartView().chartLock());
    return Size(screen.camera()->imageWidth(), screen.camera()->imageHeight());
  };
  settle(session, *screen.camera(), [&] { return screen.cameraRunning() && pictureSize().first > 0; });
  ASSERT_TRUE(screen.cameraRunning());
  const auto portrait = pictureSize();
  ASSERT_GT(portrait.first, 0u);
  EXPECT_LT(portrait.first, portrait.second) << "a landscape camera frame stands upright";
  ui::Application::shared().setOrientation(3, 0);
  settle(session, *screen.camera(), [&] { return pictureSize() == Size(portrait.second, portrait.first); });
  EXPECT_TRUE(screen.cameraRunning());
  const auto landscape = pictureSize();
  EXPECT_EQ(landscape.first, portrait.second);
  EXPECT_EQ(landscape.second, portrait.first);
  ui::Application::shared().setOrientation(1, 0);
  settle(session, *screen.camera(), [&] { return pictureSize() == portrait; });
  EXPECT_EQ(pictureSize(), portrait);
  screen.cameraToggled();
  settle(session, *screen.camera(), [&] { return !screen.cameraRunning(); });
}

}  // namespace
