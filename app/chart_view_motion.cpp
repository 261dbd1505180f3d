// The chart view's motions on the main run loop's timers: zoom steps, the
// momentum glide, the pan (and in the space views fly) to an object, the
// selection marker's pulse, the real-time clock and the camera-overlay
// gesture. Only one of zoom, glide and pan runs at a time.
#include <algorithm>
#include <cmath>

#include "app/application_shell.h"
#include "app/chart_screen_controller.h"
#include "app/chart_surface_view.h"
#include "chart/sky_chart.h"
#include "engine/angles.h"
#include "engine/astronomical_constants.h"
#include "engine/clock.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/sky_database.h"
#include "ui/foundation/settings_model.h"

namespace {

constexpr double kOneArcsecond = 4.848136811094136e-6;
constexpr double kNearPole = 1.5707914786576889;
constexpr double kSunGoalDistanceAU = 100.0;
constexpr double kSkyTurnPerSecond = 7.272205216641203e-5;
constexpr float kPulseStep = 0.27925268031902223f;  // 16 degrees a tick: a 1.5 s cycle
constexpr double kZoomFactor = 1.03;

double now() { return ns::RunLoop::main().now(); }

void invalidate(std::shared_ptr<ns::Timer>& timer) {
  if (timer) timer->invalidate();
  timer.reset();
}

}  // namespace

// ---- Zoom -----------------------------------------------------------------------

void ChartSurfaceView::startZoom(int sign) {
  // Only a running pan is stopped: the pan's own set-up zooms by 0.
  if (panTimer_) stopPanToSelectedObject(false);
  if (chartViewController) chartViewController->stopCompassOrGyro();
  stopPulseTimer();
  if (skyChart_) skyChart_->markerVisible = false;
  setNeedsDisplay();
  zoomSign_ = sign;
  if (sign != 0) startZoomTimer();
}

void ChartSurfaceView::stopZoom() {
  stopZoomTimer();
  zoomSign_ = 0;
  startPulseTimer();
  if (skyChart_) skyChart_->markerVisible = true;
  setNeedsDisplay();
}

void ChartSurfaceView::startZoomTimer() {
  if (zoomTimer_) return;
  zoomTimer_ = ns::RunLoop::main().scheduleTimer(0.03, true, [this](ns::Timer&) { zoomChart(); });
}

void ChartSurfaceView::stopZoomTimer() { invalidate(zoomTimer_); }

void ChartSurfaceView::zoomIn() {
  zoomSign_ = chartPerspective_ == kSkyPerspective ? 1 : 2;
  startZoomTimer();
}

void ChartSurfaceView::zoomOut() {
  zoomSign_ = chartPerspective_ == kSkyPerspective ? -1 : -2;
  startZoomTimer();
}

void ChartSurfaceView::zoomStop() {
  zoomSign_ = 0;
  stopZoomTimer();
}

void ChartSurfaceView::handleZoomGesture(double verticalTranslation) {
  zoomSign_ = verticalTranslation < 0 ? 1 : -1;
  zoomChart();
  zoomSign_ = 0;
}

void ChartSurfaceView::zoomChart() {
  if (zoomSign_ == 0 || panTimer_ || !skyChart_ || !chartViewController) return;
  CSkyChart& chart = *skyChart_;
  Settings& settings = *chartViewController->settings();
  const bool space = chart.isSpaceView();
  if (!space || std::abs(zoomSign_) == 1) {
    float field = float(settings.displayFOV());
    field = zoomSign_ > 0 ? float(field / kZoomFactor) : float(field * kZoomFactor);
    const float upper = chartPerspective_ == kGroundPerspective ? 360.0f : space ? 90.0f : 185.0f;
    if (field <= 1.0f || field >= upper) stopZoom();
    const bool steered = chartViewController->inVirtualReality() || ChartScreenController::compassOrGyroOn();
    const float lower = steered ? 15.0f : 1.0f;
    settings.setDisplayFOV(std::clamp(field, lower, upper));
    chartViewController->fovChanged();
  } else {
    const double radius = chart.homeObject ? chart.getObjectRadius(chart.homeObject) : 0;
    // A home object without a size cannot be flown towards or away from.
    if (radius > 0 && std::isfinite(radius)) {
      double d = chart.homePlanetDistance;
      const double farthest = 11 * radius;
      if (zoomSign_ == 2) {
        const double nearest = kNearestHomeRadii * radius;
        d = nearest + (std::max(d, nearest) - nearest) / kZoomFactor;
      } else {
        d = d < farthest / 2 ? d * kZoomFactor : farthest - (farthest - d) / kZoomFactor;
      }
      d = std::min(d, farthest);
      chart.setHomePlanetDistance(d);
      settings.setHomePlanetDistance(d / radius);
      chartViewController->updateOrbitModePositionInfo();
      chartViewController->updateHUD();
    }
  }
  setNeedsDisplay();
}

// ---- Momentum -------------------------------------------------------------------

void ChartSurfaceView::startMomentumTimer() {
  if (momentumTimer_) return;
  lastMomentumTime_ = now();
  momentumTimer_ = ns::RunLoop::main().scheduleTimer(0, true, [this](ns::Timer&) { showMomentum(); });
}

void ChartSurfaceView::stopMomentumTimer() { invalidate(momentumTimer_); }

void ChartSurfaceView::showMomentum() {
  if (!skyChart_) return;
  CSkyChart& chart = *skyChart_;
  const double t = now(), dt = t - lastMomentumTime_;
  lastMomentumTime_ = t;
  double lon, lat;
  chart.getDisplayCenter(&lon, &lat);
  chart.setDisplayCenterLonLat(normalizeRadians(lon + dt * deltaLonPerSec_),
                               std::clamp(lat + dt * deltaLatPerSec_, -kHalfPi, kHalfPi));
  setNeedsDisplay();
  if (chartViewController) chartViewController->centerCoordsChanged();
  const double decay = std::exp(-7.5 * dt);
  deltaLonPerSec_ = float(deltaLonPerSec_ * decay);
  deltaLatPerSec_ = float(deltaLatPerSec_ * decay);
  const double slow = 0.01 * chart.getDisplayFOV();
  if (std::fabs(deltaLonPerSec_) < slow && std::fabs(deltaLatPerSec_) < slow) stopMomentumTimer();
}

// ---- Pan to an object -----------------------------------------------------------

bool ChartSurfaceView::startPanToSelectedObject(const SkyObjectID& home, bool animate) {
  if (panTimer_) stopPanToSelectedObject(false);
  if (!skyChart_) return false;
  CSkyChart& chart = *skyChart_;
  chart.getDisplayCenter(&panStartLon_, &panStartLat_);
  chart.setCenterOnSelected(false);
  panHomeObjectID_ = SkyObjectID{};
  double lon, lat;
  if (!chart.selectedObject ||
      !chart.getObjectDisplayPosition(chart.selectedObject, chart.getDisplayCoordSystem(), &lon, &lat))
    return false;
  panStartHome_[0] = chart.homePlanetLongitude;
  panStartHome_[1] = chart.homePlanetLatitude;
  panStartHome_[2] = chart.homePlanetDistance;
  std::fill(std::begin(panDeltaHome_), std::end(panDeltaHome_), 0.0);
  if (!CSkyDatabase::isInvalidSkyObjectID(&home)) {
    if (!CSkyDatabase::isSameSkyObjectID(&home, &chart.selectedObjectID)) {
      if (chartPerspective_ != kOrbitPerspective) {
        chart.setCenterOnHome(false);
      } else {
        double fromHomeLon, fromHomeLat;
        chart.getObjectDirectionFromHome(chart.selectedObject, &fromHomeLon, &fromHomeLat);
        lon = normalizeRadians(fromHomeLon + M_PI);
        lat = -fromHomeLat;
        auto* homeBody = dynamic_cast<CPlanet*>(chart.homeObject);
        auto* target = dynamic_cast<CPlanet*>(chart.selectedObject);
        const double separation = homeBody && target ? homeBody->distanceToBody(*target) : 0;
        if (std::isfinite(separation) && panStartHome_[2] < separation)
          panDeltaHome_[2] = 1.5 * separation - panStartHome_[2];
      }
      panHomeObjectID_ = home;
    } else {
      chart.setHomeObjectKeepingPosition(home);
      panStartHome_[0] = chart.homePlanetLongitude;
      panStartHome_[1] = chart.homePlanetLatitude;
      panStartHome_[2] = chart.homePlanetDistance;
      auto* body = dynamic_cast<CPlanet*>(chart.selectedObject);
      if (body && body->getType() == kTypePlanet && body->getBodyNumber() == 0) {
        panDeltaHome_[1] = kHalfPi - panStartHome_[1];
        panDeltaHome_[2] = kSunGoalDistanceAU - panStartHome_[2];
        lat = -kHalfPi;
      } else {
        double goal = body ? 2 * body->getDiameter() / kAstronomicalUnitKm : 50.0;
        if (!(goal > 0) || !std::isfinite(goal)) goal = 0.001;
        panDeltaHome_[2] = goal - panStartHome_[2];
      }
      if (chartViewController) chartViewController->updateOrbitModePositionInfo();
    }
  }
  const double separation = angularSeparation(lon, lat, panStartLon_, panStartLat_);
  panLength_ = std::clamp(separation / chart.getDisplayFOV(), 1.0, 3.0);
  startZoom(0);
  panDeltaLat_ = lat - panStartLat_;
  panDeltaLon_ = normalizeRadiansSigned(lon - panStartLon_);
  if (std::fabs(panDeltaLat_) < kOneArcsecond && std::fabs(lat) > kNearPole) panDeltaLon_ = 0;
  if (animate) {
    panStart_ = now();
    panTimer_ = ns::RunLoop::main().scheduleTimer(1.0 / 30, true, [this](ns::Timer&) { panToSelectedObject(); });
    if (ApplicationShell* shell = ApplicationShell::shell()) shell->playSound("CenterObject.mp3", 1.0f);
  } else {
    panLength_ = 0;
    stopPanToSelectedObject(true);
  }
  return panTimer_ != nullptr;
}

void ChartSurfaceView::panToSelectedObject() {
  if (!skyChart_) return;
  CSkyChart& chart = *skyChart_;
  const double t = std::min(now() - panStart_, panLength_);
  const bool homeMoves = panDeltaHome_[0] != 0 || panDeltaHome_[1] != 0 || panDeltaHome_[2] != 0;
  if (chart.isSpaceView() && homeMoves) {
    const double g = (std::cbrt(std::cos(t * M_PI / panLength_ + M_PI)) + 1) / 2;
    chart.setHomePlanetPosition(panStartHome_[0] + g * panDeltaHome_[0], panStartHome_[1] + g * panDeltaHome_[1],
                                panStartHome_[2] + g * panDeltaHome_[2]);
    setNeedsDisplay();
    const double radius = chart.homeObject ? chart.getObjectRadius(chart.homeObject) : 0;
    if (panDeltaHome_[2] != 0 && radius > 0 && std::isfinite(radius) && chartViewController)
      chartViewController->settings()->setHomePlanetDistance(chart.homePlanetDistance / radius);
  }
  const double f = (std::sin(t * M_PI / panLength_ - kHalfPi) + 1) / 2;
  const SkyObjectID previousHome = chart.homeObjectID;
  const bool borrowHome = !CSkyDatabase::isInvalidSkyObjectID(&panHomeObjectID_);
  if (borrowHome) chart.setHomeObject(panHomeObjectID_);
  chart.setDisplayCenterLonLat(normalizeRadians(panStartLon_ + f * panDeltaLon_), panStartLat_ + f * panDeltaLat_);
  if (borrowHome) chart.setHomeObject(previousHome);
  setNeedsDisplay();
  if (chartViewController) chartViewController->centerCoordsChanged();
  if (t >= panLength_) stopPanToSelectedObject(true);
}

void ChartSurfaceView::stopPanToSelectedObject(bool finished) {
  invalidate(panTimer_);
  if (!skyChart_) return;
  CSkyChart& chart = *skyChart_;
  if (finished) {
    chart.centerOnObjectID(&chart.selectedObjectID);
    chart.setCenterOnSelected(true);
    if (chartViewController) chartViewController->settings()->setSelectedObjectLocked(true);
  }
  if (chart.homeObject != nullptr) {
    if (panDeltaHome_[0] != 0 || panDeltaHome_[1] != 0 || panDeltaHome_[2] != 0) {
      chart.setHomePlanetPosition(panStartHome_[0] + panDeltaHome_[0], panStartHome_[1] + panDeltaHome_[1],
                                  panStartHome_[2] + panDeltaHome_[2]);
      setNeedsDisplay();
    }
    // A long pan crosses much of the stars file; what it left behind goes
    // now, before the next frame loads the new view's regions beside it.
    std::lock_guard<std::recursive_mutex> lock(chartLock_);
    chart.unloadInvisibleRegions(kStarsFile, nullptr);
  }
  std::fill(std::begin(panStartHome_), std::end(panStartHome_), 0.0);
  std::fill(std::begin(panDeltaHome_), std::end(panDeltaHome_), 0.0);
  panStartLon_ = panStartLat_ = panDeltaLon_ = panDeltaLat_ = panLength_ = panStart_ = 0;
  stopZoom();
  if (chartViewController) chartViewController->centerCoordsChanged();
}

// ---- Pulse ----------------------------------------------------------------------

void ChartSurfaceView::startPulseTimer() {
  if (!pulseTimer_)
    pulseTimer_ = ns::RunLoop::main().scheduleTimer(1.0 / 15, true, [this](ns::Timer&) { pulseSelectionMarker(); });
  pulseTime_ = 0;
  if (selectionView_) {
    selectionView_->setAlpha(1);
    selectionView_->setNeedsDisplay();
  }
}

void ChartSurfaceView::stopPulseTimer() {
  invalidate(pulseTimer_);
  if (selectionView_) {
    selectionView_->setAlpha(0);
    selectionView_->setHidden(true);
  }
}

void ChartSurfaceView::pulseSelectionMarker() {
  pulseTime_ += kPulseStep;
  if (selectionView_) selectionView_->setAlpha(0.6 + 0.4 * std::cos(pulseTime_));
}

// ---- Real time ------------------------------------------------------------------

void ChartSurfaceView::startRealTimeTimer() {
  if (!realTimeTimer_) realTimeTimer_ = ns::RunLoop::main().scheduleTimer(0.1, true, [this](ns::Timer&) { realTime(); });
}

void ChartSurfaceView::stopRealTimeTimer() { invalidate(realTimeTimer_); }

void ChartSurfaceView::realTime() {
  if (!skyChart_ || !chartViewController) return;
  std::lock_guard<std::recursive_mutex> lock(chartLock_);
  CSkyChart& chart = *skyChart_;
  double lon, lat, centre[3];
  chart.getDisplayCenter(&lon, &lat);
  // At fields where the sky's turn in a second shows, the horizon view
  // keeps the same stars in the centre; otherwise the sky drifts through.
  const bool keepSky = chart.getDisplayCoordSystem() == kCoordHorizon &&
                       std::fabs(chart.getProjectionScaleX()) < kSkyTurnPerSecond && std::fabs(lat) < kHalfPi;
  if (keepSky) chart.getDisplayCenterVector(centre);
  chartViewController->settings()->setJulianDate(currentJulianDate());
  setNeedsDisplay();
  if (keepSky) {
    chart.setDisplayCenterVector(centre);
    chartViewController->updateHUD();
  }
  chartViewController->timeDateChanged();
}

// ---- Camera-overlay gesture -----------------------------------------------------

void ChartSurfaceView::handlePanGesture(ui::GestureState state, ui::Point translation) {
  if (!skyChart_) return;
  std::lock_guard<std::recursive_mutex> lock(chartLock_);
  CSkyChart& chart = *skyChart_;
  const double w = bounds().width(), h = bounds().height();
  if (state == ui::GestureState::began) {
    lastCameraChartAzmOffset_ = cameraChartAzmOffset;
    lastCameraOpacity_ = chart.cameraOpacity;
  } else if (state == ui::GestureState::changed && w > 0 && h > 0) {
    cameraChartAzmOffset = lastCameraChartAzmOffset_ + chart.getHorizontalFOV() * (-translation.x / w);
    chart.cameraOpacity = float(std::clamp(lastCameraOpacity_ - translation.y / h, 0.0, 1.0));
    setNeedsDisplay();
  } else if (state == ui::GestureState::ended || state == ui::GestureState::cancelled) {
    lastCameraChartAzmOffset_ = lastCameraOpacity_ = 0;
  }
}
