// The chart view's touches: a tap selects 0.25 s after the finger lifts,
// one finger drags the chart (smoothed over three positions, leaving a
// velocity for the glide), two fingers pinch the field of view.
#include <algorithm>
#include <cmath>

#include "app/application_shell.h"
#include "app/chart_screen_controller.h"
#include "app/chart_surface_view.h"
#include "chart/sky_chart.h"
#include "engine/angles.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/sky_database.h"
#include "ui/foundation/settings_model.h"

namespace {

constexpr double kWideFieldLimit = 185 * kRadiansPerDegree;
constexpr double kTapDelaySeconds = 0.25;

bool isSet(ui::Point p) { return p.x != 0 && p.y != 0; }

double distance(ui::Point a, ui::Point b) { return std::hypot(b.x - a.x, b.y - a.y); }

}  // namespace

void ChartSurfaceView::touchesBegan(const ui::TouchSet& touches, const ui::Event& event) {
  if (chartViewController && chartViewController->cameraRunning()) return;
  noSelect_ = false;
  deltaLonPerSec_ = deltaLatPerSec_ = 0;
  touchCount_ = event.allTouches.size();
  if (chartViewController) chartViewController->setLastFacingUpTime(-1.0);
  if (momentumTimer_) {
    stopMomentumTimer();
    noSelect_ = true;
  }
  if (panTimer_) {
    stopPanToSelectedObject(true);
    noSelect_ = true;
  }
  if (touches.empty()) return;
  const ui::Point point = touches.front()->locationInView(this);
  if (touchCount_ == 3) {
    initialTouchPoint_ = point;
  } else if (touchCount_ == 2) {
    startZoom(0);
  } else if (touchCount_ == 1) {
    singleTap_ = true;
    initialTouchPoint_ = point;
    for (ui::Point& old : oldTouchPoints_) old = point;
    if (touches.front()->tapCount == 2) {
      singleTap_ = false;
      return;
    }
    startZoom(0);
    oldTouchPoint1_ = point;
    lastEventTimeStamp_ = event.timestamp;
  }
}

void ChartSurfaceView::touchesMoved(const ui::TouchSet& touches, const ui::Event& event) {
  if (chartViewController && chartViewController->cameraRunning()) return;
  const ui::TouchSet& all = event.allTouches.empty() ? touches : event.allTouches;
  if (all.size() == 2) {
    if (touchCount_ == 1) {
      startZoom(0);
      oldTouchPoint1_ = oldTouchPoint2_ = {};
      touchCount_ = 2;
    } else {
      touchCount_ = all.size();
    }
    singleTap_ = false;
    pinch(all[0]->locationInView(this), all[1]->locationInView(this));
  } else if (all.size() == 1) {
    const ui::Point point = all[0]->locationInView(this);
    if (!noSelect_ && point.x == initialTouchPoint_.x && point.y == initialTouchPoint_.y) return;
    if (touchCount_ > 1) {
      initialTouchPoint_ = oldTouchPoint1_ = oldTouchPoint2_ = point;
      for (ui::Point& old : oldTouchPoints_) old = point;
    }
    touchCount_ = 1;
    singleTap_ = false;
    if (!dragEnabled_) return;
    dragTo(point, event.timestamp);
  }
}

void ChartSurfaceView::pinch(ui::Point p0, ui::Point p1) {
  if (!zoomEnabled_ || zoomSign_ != 0 || !skyChart_) return;
  const double spread = distance(p0, p1);
  // Fingers that meet have no ratio to zoom by: the move is skipped.
  if (isSet(oldTouchPoint1_) && isSet(oldTouchPoint2_) && spread > 0) {
    CSkyChart& chart = *skyChart_;
    const float r = std::clamp(float(distance(oldTouchPoint1_, oldTouchPoint2_) / spread), 0.9f, 1.1f);
    chart.setDisplayFOV(pinchedField(chart.getDisplayFOV() * r));
    setNeedsDisplay();
    if (chartViewController) chartViewController->fovChanged();
  }
  oldTouchPoint1_ = p0;
  oldTouchPoint2_ = p1;
}

double ChartSurfaceView::pinchedField(double field) const {
  const CSkyChart& chart = *skyChart_;
  field = std::max(field, kRadiansPerDegree);
  const int projection = chart.getDisplayProjection();
  if (projection == kProjectionStereographic || projection == kProjectionPerspectiveBlend)
    field = std::min(field, kWideFieldLimit);
  if (chart.isSpaceView()) field = std::min(field, kHalfPi);
  return field;
}

void ChartSurfaceView::dragTo(ui::Point point, double timestamp) {
  if (!skyChart_) return;
  CSkyChart& chart = *skyChart_;
  oldTouchPoints_[0] = oldTouchPoints_[1];
  oldTouchPoints_[1] = oldTouchPoints_[2];
  oldTouchPoints_[2] = point;
  const ui::Point m{(oldTouchPoints_[0].x + oldTouchPoints_[1].x + oldTouchPoints_[2].x) / 3,
                    (oldTouchPoints_[0].y + oldTouchPoints_[1].y + oldTouchPoints_[2].y) / 3};
  const bool followingSelected = chart.isSpaceView() && chart.homeObject != nullptr &&
                                 CSkyDatabase::isSameSkyObjectID(&chart.homeObjectID, &chart.selectedObjectID);
  if (!followingSelected) {
    chart.setCenterOnSelected(false);
    if (Settings* settings = chartViewController ? chartViewController->settings() : nullptr)
      settings->setSelectedObjectLocked(false);
  }
  if (chartPerspective_ == kOrbitPerspective) chart.setCenterOnHome(true);
  chart.setManualPanFlag(false);

  double lon0, lat0, lon1, lat1;
  if (isSet(oldTouchPoint1_) &&
      chart.screenToLonLat(oldTouchPoint1_.x * scaleFactor_, oldTouchPoint1_.y * scaleFactor_, &lon0, &lat0) &&
      chart.screenToLonLat(m.x * scaleFactor_, m.y * scaleFactor_, &lon1, &lat1)) {
    double dLon = lon0 - lon1, dLat = lat0 - lat1;
    if (chart.isSpaceView() && chart.centerOnHome && chart.homePlanetDistance > 0) {
      dLon = (oldTouchPoint1_.x - m.x) * M_PI / bounds().width();
      if (chart.getDisplayCoordSystem() == kCoordHorizon) dLon = -dLon;
      if (chart.isDisplayFlippedHoriz()) dLon = -dLon;
      dLat = (oldTouchPoint1_.y - m.y) * M_PI / bounds().height();
      if (chart.isDisplayFlippedVert()) dLat = -dLat;
      // Over a body's surface the drag follows the surface where that is
      // the slower of the two, so the ground stays under the finger.
      auto* body = dynamic_cast<CPlanet*>(chart.homeObject);
      const int type = chart.homeObject ? chart.homeObject->getType() : 0;
      double v0[3], v1[3], sLon0, sLat0, sLon1, sLat1;
      if (body != nullptr && type != kTypeSatellite && type != kTypeSpacecraft &&
          chart.screenToVector(v0, oldTouchPoint1_.x * scaleFactor_, oldTouchPoint1_.y * scaleFactor_) &&
          chart.screenToVector(v1, m.x * scaleFactor_, m.y * scaleFactor_) &&
          chart.rayHitBodyLonLat(body, v0, &sLon0, &sLat0) && chart.rayHitBodyLonLat(body, v1, &sLon1, &sLat1)) {
        const double surfaceLon = normalizeRadiansSigned(sLon0 - sLon1), surfaceLat = sLat1 - sLat0;
        if (std::fabs(surfaceLon) < std::fabs(dLon)) dLon = surfaceLon;
        if (std::fabs(surfaceLat) < std::fabs(dLat)) dLat = surfaceLat;
      }
    }
    double lon, lat;
    chart.getDisplayCenter(&lon, &lat);
    chart.setDisplayCenterLonLat(normalizeRadians(lon + dLon), std::clamp(lat + dLat, -kHalfPi, M_PI / 2));
    setNeedsDisplay();
    if (chartViewController) chartViewController->centerCoordsChanged();

    if (dLon > M_PI) dLon -= kTwoPi;
    if (dLon < -M_PI) dLon += kTwoPi;
    const double dt = std::max(timestamp - lastEventTimeStamp_, 0.01);
    if (deltaLonPerSec_ == 0 && deltaLatPerSec_ == 0) {
      deltaLonPerSec_ = float(dLon / dt);
      deltaLatPerSec_ = float(dLat / dt);
    } else {
      deltaLonPerSec_ = float(0.1 * (dLon / dt) + 0.9 * deltaLonPerSec_);
      deltaLatPerSec_ = float(0.1 * (dLat / dt) + 0.9 * deltaLatPerSec_);
    }
  }
  oldTouchPoint1_ = m;
  lastEventTimeStamp_ = timestamp;
}

void ChartSurfaceView::touchesEnded(const ui::TouchSet& touches, const ui::Event& event) {
  if (chartViewController && chartViewController->cameraRunning()) return;
  touchCount_ = event.allTouches.size();
  const ui::Point end = touches.empty() ? oldTouchPoint1_ : touches.front()->locationInView(this);
  if (!noSelect_ && singleTap_ && touchCount_ <= 1) {
    oldTouchPoint1_ = end;
    ns::RunLoop::main().performAfterDelay(this, "selectObject:", kTapDelaySeconds, [this] { selectObject(); });
  } else {
    const double dx = end.x - oldTouchPoint1_.x, dy = end.y - oldTouchPoint1_.y;
    if (isSet(oldTouchPoint1_) && dx * dx + dy * dy > 36) startMomentumTimer();
    singleTap_ = false;
    oldTouchPoint1_ = {};
  }
  oldTouchPoint2_ = {};
  if (!momentumTimer_) stopZoom();
}

void ChartSurfaceView::touchesCancelled(const ui::TouchSet&, const ui::Event&) {
  if (chartViewController && chartViewController->cameraRunning()) return;
  stopZoom();
}

void ChartSurfaceView::selectObject() {
  CSkyChart* chart = skyChart_.get();
  CSkyDatabase* database = chart ? chart->database : nullptr;
  if (chart != nullptr && database != nullptr) {
    database->searchFilter.lowestType = kTypeSatellite;
    database->searchFilter.highestType = kTypeSpacecraft;
    const bool selected =
        chart->selectObjectAtPoint(float(oldTouchPoint1_.x * scaleFactor_), float(oldTouchPoint1_.y * scaleFactor_)) > 0;
    database->searchFilter = SearchFilter{};
    if (selected && chartViewController) {
      chartViewController->updateSelectedObject();
      chartViewController->showStatusObjectInfo();
      if (ApplicationShell* shell = ApplicationShell::shell()) shell->playSound("SelectObject2.mp3", 1.0f);
    }
  }
  oldTouchPoint1_ = {};
  singleTap_ = false;
}
