// Device motion steering the chart (with a compass: the direction out of
// the back of the device, turned with the device; without one: the change
// of direction since motion started), its automatic start by tilting the
// device up, and the side-by-side stereo mode.
#include <algorithm>
#include <cmath>

#include "app/application_shell.h"
#include "app/chart_screen_controller.h"
#include "app/voice_control.h"
#include "chart/sky_chart.h"
#include "engine/angles.h"
#include "engine/vectors.h"
#include "platform/devices/motion.h"
#include "platform/uikit/application.h"
#include "ui/foundation/theme.h"
#include "ui/foundation/utility.h"

namespace {

constexpr double kTiltStartAltitude = 10 * kRadiansPerDegree;
constexpr double kTiltStartSeconds = 0.5;
constexpr double kMotionMinimumFOV = 15.0;  // degrees
// Room for a spoken object search's results (the list screens' size).
constexpr std::size_t kVoiceSearchResults = 30000;

bool gCompassOrGyroOn = false;

// Direction angles of (x, y, z): longitude from x towards y, latitude.
void angles(double x, double y, double z, double* lon, double* lat) {
  double r;
  rectangularToSpherical(lon, lat, &r, x, y, z);
}

}  // namespace

bool ChartScreenController::compassOrGyroOn() { return gCompassOrGyroOn; }

void ChartScreenController::setMotionButtonImage() {
  if (!views_.motionButton) return;
  const ui::ImagePointer image = Utility::imageNamed(gCompassOrGyroOn ? "Stop" : "Motion", "png");
  views_.motionButton->setImage(tintedImageUsingColor(image, AppDelegate::defaultTintColor()));
}

void ChartScreenController::toggleCompass() {
  if (gCompassOrGyroOn) stopCompassOrGyro();
  else startCompassOrGyro();
}

void ChartScreenController::startCompassOrGyro() {
  ApplicationShell* shell = ApplicationShell::shell();
  CSkyChart* chart = pSkyChart();
  if (shell == nullptr || shell->motionMgr() == nullptr || gCompassOrGyroOn || chart == nullptr) return;
  if (chartView_->chartPerspective() == kGroundPerspective) {
    Utility::showAlertWithTitle("Motion",
                                "Motion cannot be used in Ground view.  To use Motion, select the Sky, Orbit, "
                                "or Satellite icon below.");
    return;
  }
  if (settings_->displayFOV() < kMotionMinimumFOV) settings_->setDisplayFOV(kMotionMinimumFOV);
  chart->setManualPanFlag(false);
  if (chart->isSpaceView()) {
    const bool homeLocked = chart->centerOnHome;
    chart->setCenterOnSelected(false);
    chart->setCenterOnHome(homeLocked);
  } else {
    chart->setCenterOnSelected(false);
  }
  if (views_.cameraButton)
    views_.cameraButton->setHidden(!(chartView_->chartPerspective() == kSkyPerspective && !inVirtualReality_));
  // The device is picked up facing where the chart looks, so that motion
  // steers on from there: with a compass the chart does not jump, and
  // without one the device's zenith and nadir are the chart's.
  double lon, lat;
  chart->getDisplayCenter(&lon, &lat);
  dev::MotionManager::holdFacing(lon - chartView_->cameraChartAzmOffset, lat);
  referenceAttitude_.reset();
  gCompassOrGyroOn = true;
  setMotionButtonImage();
  if (AppDelegate::isNightVision()) setToolbarLabelsColor();
  if (chartView_->chartPerspective() == kSkyPerspective && views_.centerButton) views_.centerButton->setTitle("Locate");
}

void ChartScreenController::stopCompassOrGyro() {
  ApplicationShell* shell = ApplicationShell::shell();
  if (shell != nullptr && shell->motionMgr() != nullptr && gCompassOrGyroOn) {
    cameraStopSession();
    if (views_.cameraButton) views_.cameraButton->setHidden(true);
    gCompassOrGyroOn = false;
    setMotionButtonImage();
    if (AppDelegate::isNightVision()) setToolbarLabelsColor();
  }
  if (views_.centerButton) views_.centerButton->setTitle("Center");
}

void ChartScreenController::readMotion() {
  ApplicationShell* shell = ApplicationShell::shell();
  CSkyChart* chart = pSkyChart();
  if (shell == nullptr || shell->motionMgr() == nullptr || chart == nullptr) return;
  // A reading without an attitude says nothing about where the device
  // points: it neither moves the chart nor becomes the reference.
  const std::optional<dev::DeviceMotion> motion = shell->motionMgr()->deviceMotion();
  if (!motion) return;
  std::lock_guard<std::recursive_mutex> lock(chartView_->chartLock());
  double m[3][3];
  motion->attitude.rotationMatrix(m);
  const int o = Utility::interfaceOrientation();
  double lon, lat;
  angles(-m[2][0], m[2][1], -m[2][2], &lon, &lat);
  if (!referenceAttitude_) {
    referenceAttitude_ = motion->attitude;
    referenceLon_ = lon;
    referenceLat_ = lat;
    chart->getDisplayCenter(&initialChartLon_, &initialChartLat_);
    return;
  }
  double roll = 0, ignored;
  if (o == 1) angles(-m[0][0], -m[0][1], -m[0][2], &ignored, &roll);
  else if (o == 2) angles(m[0][0], m[0][1], m[0][2], &ignored, &roll);
  else if (o == 3) angles(m[1][0], m[1][1], m[1][2], &ignored, &roll);
  else if (o == 4) angles(-m[1][0], -m[1][1], -m[1][2], &ignored, &roll);

  if (settings_->tiltToUseCompass() && ApplicationShell::hasCompass() &&
      chartView_->chartPerspective() != kGroundPerspective) {
    if (lat < kTiltStartAltitude) {
      lastFacingUpTime_ = 0;
    } else if (lastFacingUpTime_ < 0) {
      // suppressed by a touch until the device points low again
    } else if (!gCompassOrGyroOn) {
      const double now = Utility::currentTimeInSeconds();
      if (lastFacingUpTime_ <= 0) lastFacingUpTime_ = now;
      if (now - lastFacingUpTime_ > kTiltStartSeconds) {
        startCompassOrGyro();
        return;
      }
    }
  } else {
    lastFacingUpTime_ = 0;
  }

  if (!gCompassOrGyroOn || chartView_->window() == nullptr) return;
  if (ApplicationShell::hasCompass()) {
    chart->setDisplayCenterRotated(lon + chartView_->cameraChartAzmOffset, lat, roll);
    centerCoordsChanged();
  } else {
    // The centre moves by the change of pointing only; its latitude stays
    // on the sphere (a signed angle, not one taken round the circle).
    const double newLon = normalizeRadians(initialChartLon_ - (referenceLon_ - lon));
    const double newLat = std::clamp(initialChartLat_ - (referenceLat_ - lat), -kHalfPi, kHalfPi);
    setDisplayCenter(newLon, newLat);
  }
  chartView_->setNeedsDisplay();
}

void ChartScreenController::setDisplayCenter(double lon, double lat) {
  if (CSkyChart* chart = pSkyChart()) chart->setDisplayCenterLonLat(lon, lat);
  centerCoordsChanged();
}

void ChartScreenController::setDisplayCenter(double lon, double lat, double rotation) {
  if (CSkyChart* chart = pSkyChart()) chart->setDisplayCenterRotated(lon, lat, rotation);
  centerCoordsChanged();
}

double ChartScreenController::minAzimuthDifference(double a, double b) {
  const double d = (a < b ? a + kTwoPi : a) - b;
  return d > kPi ? kTwoPi - d : d;
}

void ChartScreenController::startVirtualReality() {
  if (inVirtualReality_ || !chartView_ || chartView_->chartPerspective() == kGroundPerspective) return;
  inVirtualReality_ = true;
  ui::Application::shared().idleTimerDisabled = true;
  settings_->setDisplayFOV(90);
  chartView_->enableDrag(false);
  chartView_->enableZoom(false);
  chartView_->stopPulseTimer();
  if (CSkyChart* chart = pSkyChart()) chart->markerVisible = false;
  startCompassOrGyro();
  if (settings_->voiceControl()) {
    if (ApplicationShell* shell = ApplicationShell::shell(); shell && settings_->soundEffects())
      shell->pauseAmbientSound();
    if (!voiceControlMgr_) {
      voiceSearchResults_.resize(kVoiceSearchResults);
      voiceControlMgr_ = std::make_unique<VoiceControl>(std::span<SkyObjectID>(voiceSearchResults_));
    }
    if (!voiceControlMgr_->isRecording()) voiceControlMgr_->startRecordingWithInitialSound();
    Utility::showAlertWithTitle(
        "VR Voice Control",
        "\rIn Virtual Reality, use these voice commands:\r\rSky view, Orbit view, Satellite view.\rZoom in, Zoom "
        "out, Stop zoom.\rTime forward, Time backward,\rTime now, Stop time.\r\rPlace your phone into your VR "
        "viewer. Tap OK when you're ready for VR!");
  }
}

void ChartScreenController::stopVirtualReality() {
  if (!inVirtualReality_) return;
  inVirtualReality_ = false;
  ui::Application::shared().idleTimerDisabled = false;
  if (settings_->voiceControl()) {
    if (voiceControlMgr_ && voiceControlMgr_->isRecording()) voiceControlMgr_->stopRecording();
    if (ApplicationShell* shell = ApplicationShell::shell(); shell && settings_->soundEffects())
      shell->playAmbientSound();
  }
  chartView_->enableDrag(true);
  chartView_->enableZoom(true);
  if (!isTimeFlowing()) {
    chartView_->startPulseTimer();
    if (CSkyChart* chart = pSkyChart()) chart->markerVisible = true;
  }
}
