// Device motion steering the chart: with a compass the centre is where the
// back of the device points, turned by its roll, in each orientation;
// without one the centre moves by the change only; the desktop's arrow
// keys; the tilt start; the stereo mode.
#include <gtest/gtest.h>

#include <erfa.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "chart/sky_chart.h"
#include "engine/angles.h"
#include "platform/devices/location.h"
#include "platform/devices/motion.h"
#include "platform/host/arrow_keys.h"
#include "platform/uikit/alert_controller.h"
#include "platform/uikit/application.h"
#include "app/voice_control.h"
#include "tests/app/app_session.h"
#include "ui/foundation/utility.h"

namespace {

using app_test::AppSession;

void cross(const double a[3], const double b[3], double out[3]) { eraPxp(const_cast<double*>(a), const_cast<double*>(b), out); }

// The device's attitude (the stand-in's roll, pitch and yaw) whose back
// points at (azimuth, altitude) with the given roll in an orientation: the
// rows are built from their definitions, then read back as Euler angles.
dev::Attitude attitudeFor(double azimuth, double altitude, double roll, int orientation) {
  const double d[3] = {std::cos(altitude) * std::cos(azimuth), std::cos(altitude) * std::sin(azimuth),
                       std::sin(altitude)};
  double r3[3] = {-d[0], d[1], -d[2]};
  const double up[3] = {0, 0, 1};
  double e1[3], e2[3], u[3], r1[3], r2[3];
  cross(up, r3, e1);
  eraPn(e1, &u[0], e1);
  cross(r3, e1, e2);
  const double phi = std::asin(std::sin(roll) / e2[2]);
  for (int i = 0; i < 3; ++i) u[i] = std::cos(phi) * e1[i] + std::sin(phi) * e2[i];
  if (orientation == 1 || orientation == 2) {
    for (int i = 0; i < 3; ++i) r1[i] = orientation == 1 ? -u[i] : u[i];
    cross(r3, r1, r2);
  } else {
    for (int i = 0; i < 3; ++i) r2[i] = orientation == 3 ? u[i] : -u[i];
    cross(r2, r3, r1);
  }
  dev::Attitude a;
  a.pitch = std::asin(r2[2]);
  a.yaw = std::atan2(-r2[0], r2[1]);
  a.roll = std::atan2(-r1[2], r3[2]);
  return a;
}

struct MotionSession {
  AppSession session;
  explicit MotionSession(bool compass) {
    dev::LocationConfiguration configuration;
    configuration.start.latitude = 48.0;
    configuration.start.longitude = 11.0;
    if (compass) configuration.heading = 0.0;
    dev::LocationManager::configure(configuration);
    session.run(1.0);
    session.screen().setChartPerspective(kSkyPerspective);
  }
  ~MotionSession() {
    session.screen().stopCompassOrGyro();
    // The next session's device lies face down again: one left pointing
    // up would start motion by its tilt.
    dev::MotionManager::injectAttitude({});
    dev::LocationManager::configure(dev::LocationConfiguration::fromEnvironment());
    ui::Device::current().setOrientation(1);
  }
  void read(const dev::Attitude& attitude) {
    dev::MotionManager::injectAttitude(attitude);
    session.screen().readMotion();
  }
  CSkyChart& chart() { return session.chart(); }
};

TEST(DeviceMotion, WithACompassTheCentreIsWhereTheBackPointsInEveryOrientation) {
  MotionSession m(true);
  // The attitude built is the one ERFA's rotations give.
  const dev::Attitude check = attitudeFor(0.7, 0.4, 0.2, 1);
  double erfaMatrix[3][3], standIn[3][3];
  eraIr(erfaMatrix);
  eraRz(check.yaw, erfaMatrix);
  eraRx(check.pitch, erfaMatrix);
  eraRy(check.roll, erfaMatrix);
  check.rotationMatrix(standIn);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(standIn[i][j], erfaMatrix[i][j], 1e-12);

  m.session.screen().startCompassOrGyro();
  ASSERT_TRUE(ChartScreenController::compassOrGyroOn());
  m.read(attitudeFor(0, 0, 0, 1));  // the first reading takes the reference only
  int checked = 0;
  for (int orientation = 1; orientation <= 4; ++orientation) {
    ui::Device::current().setOrientation(orientation);
    for (const auto& [azimuth, altitude, roll] :
         {std::tuple{0.7, 0.4, 0.2}, std::tuple{3.9, 1.1, -0.3}, std::tuple{5.5, -0.2, 0.05}}) {
      m.read(attitudeFor(azimuth, altitude, roll, orientation));
      double lon, lat;
      m.chart().getDisplayCenter(&lon, &lat);
      SCOPED_TRACE(orientation);
      EXPECT_NEAR(normalizeRadiansSigned(lon - azimuth), 0, 1e-9);
      EXPECT_NEAR(lat, altitude, 1e-9);
      EXPECT_NEAR(m.chart().getDisplayRotation(), roll, 1e-9);
      ++checked;
    }
  }
  EXPECT_EQ(checked, 12);
}

TEST(DeviceMotion, WithoutACompassTheCentreMovesByTheChangeOnlyAndItsLatitudeStaysOnTheSphere) {
  MotionSession m(false);
  CSkyChart& chart = m.chart();
  chart.setDisplayCenterLonLat(1.0, 0.5);
  m.session.screen().startCompassOrGyro();
  m.read(attitudeFor(2.0, 0.3, 0, 1));
  double lon, lat;
  chart.getDisplayCenter(&lon, &lat);
  EXPECT_NEAR(lon, 1.0, 1e-12) << "the first reading only takes the reference";
  EXPECT_NEAR(lat, 0.5, 1e-12);
  m.read(attitudeFor(2.25, 0.2, 0.3, 1));
  chart.getDisplayCenter(&lon, &lat);
  EXPECT_NEAR(lon, 1.25, 1e-9);
  EXPECT_NEAR(lat, 0.4, 1e-9);
  EXPECT_NEAR(chart.getDisplayRotation(), 0, 1e-12) << "no roll without a compass";
  // Pointing far below where it started from a low centre: the latitude is
  // a signed angle, limited to the pole (not 2 pi less, nor "+205°").
  m.session.screen().stopCompassOrGyro();
  chart.setDisplayCenterLonLat(1.0, -1.0);
  m.session.screen().startCompassOrGyro();
  m.read(attitudeFor(2.0, 0.3, 0, 1));
  m.read(attitudeFor(2.0, -1.4, 0, 1));
  chart.getDisplayCenter(&lon, &lat);
  EXPECT_NEAR(lat, -M_PI / 2, 1e-9);
  m.session.screen().updateHUD();
  const std::string hud = m.session.screen().views().centerCoordsLabel->text();
  EXPECT_NE(hud.find("Alt: -90.0"), std::string::npos) << hud;
  EXPECT_GE(m.session.screen().settings()->displayCenterLat(), -90.0 - 1e-9);
}

// The head-up display's centre, as the user reads it: azimuth and
// altitude in degrees.
struct Shown {
  double azimuth = NAN, altitude = NAN;
};
Shown shownCentre(ChartScreenController& screen) {
  Shown shown;
  const std::string text = screen.views().centerCoordsLabel->text();
  if (std::sscanf(text.c_str(), "Azm: %lf\u00b0 Alt: %lf\u00b0", &shown.azimuth, &shown.altitude) != 2)
    ADD_FAILURE() << text;
  return shown;
}

// An arrow key as the desktop host takes it, then a reading, as the
// application's motion timer takes one.
void press(MotionSession& m, host::ArrowKey key) {
  host::pressArrowKey(key);
  m.session.screen().readMotion();
}

TEST(DeviceMotion, TheArrowKeysTiltTheViewUpAndDownAndTurnItLeftAndRightFromWhereTheChartLooks) {
  const double step = host::kArrowKeyStepDegrees;
  int presses = 0;
  for (const bool compass : {false, true})
    for (const double altitude : {0.0, 30.0}) {
      SCOPED_TRACE(std::string(compass ? "with" : "without") + " a compass, from " + std::to_string(altitude));
      MotionSession m(compass);
      ChartScreenController& screen = m.session.screen();
      const double azimuth = 200;
      m.chart().setDisplayCenterLonLat(azimuth * kRadiansPerDegree, altitude * kRadiansPerDegree);
      screen.toggleCompass();  // the Motion button
      ASSERT_TRUE(ChartScreenController::compassOrGyroOn());
      m.session.run(0.1);  // the first readings
      Shown shown = shownCentre(screen);
      EXPECT_NEAR(shown.azimuth, azimuth, 0.051) << "the device is picked up facing where the chart looks";
      EXPECT_NEAR(shown.altitude, altitude, 0.051);
      // Up and past the zenith, down and past the nadir, up to the horizon
      // again: five degrees a press and the azimuth kept, the altitude
      // stopping at the pole.
      double expected = altitude;
      auto tilt = [&](host::ArrowKey key, int times, double sign) {
        for (int i = 0; i < times; ++i, ++presses) {
          press(m, key);
          expected = std::clamp(expected + sign * step, -90.0, 90.0);
          shown = shownCentre(screen);
          ASSERT_NEAR(shown.altitude, expected, 0.051) << "press " << i;
          ASSERT_NEAR(std::remainder(shown.azimuth - azimuth, 360.0), 0, 0.051) << "press " << i;
        }
      };
      tilt(host::ArrowKey::up, 25, 1);
      EXPECT_EQ(expected, 90.0);
      tilt(host::ArrowKey::down, 45, -1);
      EXPECT_EQ(expected, -90.0);
      tilt(host::ArrowKey::up, 18, 1);
      EXPECT_EQ(expected, 0.0);
      // Left turns to a smaller azimuth, Right to a larger one, across north
      // too.
      double turned = azimuth;
      auto turn = [&](host::ArrowKey key, int times, double sign) {
        for (int i = 0; i < times; ++i, ++presses) {
          press(m, key);
          turned += sign * step;
          shown = shownCentre(screen);
          ASSERT_NEAR(std::remainder(shown.azimuth - turned, 360.0), 0, 0.051) << "press " << i;
          ASSERT_NEAR(shown.altitude, 0, 0.051);
        }
      };
      turn(host::ArrowKey::left, 3, -1);
      turn(host::ArrowKey::right, 36, 1);
      EXPECT_NEAR(m.chart().getDisplayRotation(), 0, 1e-9) << "held level";
    }
  EXPECT_EQ(presses, 4 * (25 + 45 + 18 + 3 + 36));
}

// On its side, as in the stereo mode, the held device keeps the chart
// level and the keys still tilt it up and turn it right.
TEST(DeviceMotion, TheArrowKeysKeepTheChartLevelInLandscape) {
  MotionSession m(true);
  ChartScreenController& screen = m.session.screen();
  ui::Device::current().setOrientation(3);
  m.chart().setDisplayCenterLonLat(1.0, 0.2);
  screen.toggleCompass();
  m.session.run(0.1);
  press(m, host::ArrowKey::up);
  press(m, host::ArrowKey::right);
  double lon, lat;
  m.chart().getDisplayCenter(&lon, &lat);
  EXPECT_NEAR(lon, 1.0 + host::kArrowKeyStepDegrees * kRadiansPerDegree, 1e-9);
  EXPECT_NEAR(lat, 0.2 + host::kArrowKeyStepDegrees * kRadiansPerDegree, 1e-9);
  EXPECT_NEAR(m.chart().getDisplayRotation(), 0, 1e-9);
}

TEST(DeviceMotion, AReadingWithoutAnAttitudeLeavesTheChartStill) {
  MotionSession m(true);
  m.session.screen().startCompassOrGyro();
  m.session.shell().motionMgr()->stopDeviceMotionUpdates();
  double lon0, lat0, lon, lat;
  m.chart().getDisplayCenter(&lon0, &lat0);
  m.session.screen().readMotion();
  m.chart().getDisplayCenter(&lon, &lat);
  EXPECT_EQ(lon, lon0);
  EXPECT_EQ(lat, lat0);
  // And a reading after it is still the first: it only takes the reference.
  m.session.shell().motionMgr()->startDeviceMotionUpdates();
}

TEST(DeviceMotion, TiltingUpStartsMotionAfterMoreThanHalfASecondUnlessATouchSuppressedIt) {
  MotionSession m(true);
  Settings& settings = *m.session.screen().settings();
  settings.setTiltToUseCompass(true);
  ChartScreenController& screen = m.session.screen();
  const double start = Utility::currentTimeInSeconds();
  m.read(attitudeFor(1.0, 10 * kRadiansPerDegree + 1e-6, 0, 1));  // exactly ten degrees counts
  EXPECT_EQ(screen.lastFacingUpTime(), start);
  m.session.clock().advance(0.5);
  m.read(attitudeFor(1.0, 0.3, 0, 1));
  EXPECT_FALSE(ChartScreenController::compassOrGyroOn()) << "exactly 0.5 s does not start";
  m.session.clock().advance(0.01);
  m.read(attitudeFor(1.0, 0.3, 0, 1));
  EXPECT_TRUE(ChartScreenController::compassOrGyroOn());
  screen.stopCompassOrGyro();
  // A touch suppresses it until the device points low again.
  screen.setLastFacingUpTime(-1);
  m.read(attitudeFor(1.0, 0.3, 0, 1));
  m.session.clock().advance(1.0);
  m.read(attitudeFor(1.0, 0.3, 0, 1));
  EXPECT_FALSE(ChartScreenController::compassOrGyroOn());
  m.read(attitudeFor(1.0, 0.05, 0, 1));
  EXPECT_EQ(screen.lastFacingUpTime(), 0);
}

TEST(DeviceMotion, TheGroundViewRefusesMotionWithItsAlert) {
  MotionSession m(true);
  m.session.screen().setChartPerspective(kGroundPerspective);
  m.session.screen().startCompassOrGyro();
  EXPECT_FALSE(ChartScreenController::compassOrGyroOn());
  auto* alert = dynamic_cast<ui::AlertController*>(Utility::topMostController());
  ASSERT_NE(alert, nullptr);
  EXPECT_EQ(alert->alertTitle(), "Motion");
  EXPECT_EQ(alert->message(),
            "Motion cannot be used in Ground view.  To use Motion, select the Sky, Orbit, or Satellite icon below.");
}

TEST(DeviceMotion, SwitchingPerspectiveKeepsMotionOnButTheGroundViewEndsIt) {
  MotionSession m(true);
  m.session.screen().startCompassOrGyro();
  m.session.screen().setChartPerspective(kOrbitPerspective);
  EXPECT_TRUE(ChartScreenController::compassOrGyroOn()) << "started again in the new perspective";
  m.session.screen().setChartPerspective(kGroundPerspective);
  EXPECT_FALSE(ChartScreenController::compassOrGyroOn());
}

TEST(DeviceMotion, MotionWidensANarrowFieldToFifteenDegrees) {
  MotionSession m(true);
  m.session.screen().settings()->setDisplayFOV(5);
  m.session.screen().startCompassOrGyro();
  EXPECT_EQ(m.session.screen().settings()->displayFOV(), 15.0);
}

TEST(DeviceMotion, TheAngleBetweenTwoAzimuthsIsTakenAcrossNorth) {
  EXPECT_NEAR(ChartScreenController::minAzimuthDifference(0.1, 6.2), 0.183185307178, 1e-12);
  EXPECT_NEAR(ChartScreenController::minAzimuthDifference(6.2, 0.1), 0.183185307178, 1e-12);
  EXPECT_NEAR(ChartScreenController::minAzimuthDifference(1.0, 2.5), 1.5, 1e-12);
}

TEST(StereoMode, WithVoiceControlOnItListensWhileInTheStereoModeOnly) {
  MotionSession m(true);
  ChartScreenController& screen = m.session.screen();
  screen.settings()->setVoiceControl(true);
  screen.startVirtualReality();
  ASSERT_NE(screen.voiceControlMgr(), nullptr);
  m.session.run(1.0);  // listening starts half a second after the initial sound
  EXPECT_TRUE(screen.voiceControlMgr()->isRecording());
  auto* alert = dynamic_cast<ui::AlertController*>(Utility::topMostController());
  ASSERT_NE(alert, nullptr);
  EXPECT_EQ(alert->alertTitle(), "VR Voice Control");
  screen.stopVirtualReality();
  EXPECT_FALSE(screen.voiceControlMgr()->isRecording());
  screen.settings()->setVoiceControl(false);
}

TEST(StereoMode, TheGroundViewNeverEntersItAndLeavingItRestoresTheControls) {
  MotionSession m(true);
  ChartScreenController& screen = m.session.screen();
  screen.settings()->setVoiceControl(false);
  screen.setChartPerspective(kGroundPerspective);
  screen.startVirtualReality();
  EXPECT_FALSE(screen.inVirtualReality());
  screen.setChartPerspective(kSkyPerspective);
  screen.startVirtualReality();
  EXPECT_TRUE(screen.inVirtualReality());
  EXPECT_TRUE(ui::Application::shared().idleTimerDisabled);
  EXPECT_FALSE(m.session.chartView().dragEnabled());
  EXPECT_EQ(screen.settings()->displayFOV(), 90.0);
  EXPECT_EQ(screen.voiceControlMgr(), nullptr) << "voice control is off";
  screen.stopVirtualReality();
  EXPECT_FALSE(ui::Application::shared().idleTimerDisabled);
  EXPECT_TRUE(m.session.chartView().zoomEnabled());
  EXPECT_TRUE(ChartScreenController::compassOrGyroOn()) << "motion stays on";
}

}  // namespace
