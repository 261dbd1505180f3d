// The head-up display over the chart (centre and field of view), the orbit
// position in the status line of the space views, the texts that show the
// chart's time, and the press-and-hold zoom buttons.
#include <cmath>
#include <cstdio>
#include <string>

#include "app/application_shell.h"
#include "app/chart_screen_controller.h"
#include "ui/info/object_info_view_controller.h"
#include "app/hud_text.h"
#include "chart/object_chart_name.h"
#include "chart/sky_chart.h"
#include "engine/angles.h"
#include "engine/angle_text.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/sky_database.h"
#include "ui/info/info_items.h"

namespace {

constexpr double kArcminute = 0.016666666666666666;  // degrees
constexpr int kEarthBody = 3;

using Formatter = int (CSkyCoordinates::*)(char*, std::size_t, double) const;

std::string format(const CSkyChart& chart, Formatter formatter, double angle) {
  char buffer[256] = {};
  (chart.*formatter)(buffer, sizeof buffer, angle);
  return buffer;
}

// Degrees to a tenth, as they show: a longitude that rounds to a whole
// turn is 0.0, and a value that rounds to zero has no minus sign.
std::string tenthsOfDegree(const char* pattern, double radians, bool wholeTurn) {
  double value = radians * kDegreesPerRadian;
  if (wholeTurn && std::round(value * 10) >= 3600) value -= 360;
  char buffer[256] = {};
  std::snprintf(buffer, sizeof buffer, pattern, roundedZeroWithoutSign(value, 1));
  return buffer;
}

}  // namespace

// The centre in the display system: coarse above one arcminute a pixel.
std::string centerCoordsText(const CSkyChart& chart) {
  const int system = chart.getDisplayCoordSystem();
  double lon, lat;
  chart.getDisplayCenter(&lon, &lat);
  const bool coarse = std::fabs(chart.getProjectionScaleX()) * kDegreesPerRadian > kArcminute;
  std::string a, b;
  if (system == kCoordEquatorial) {
    if (coarse) {
      char ra[256] = {}, dec[256] = {};
      formatAngleHours(2, ra, sizeof ra, lon);
      formatAngleDegrees2(6, dec, sizeof dec, lat);
      a = ra, b = dec;
    } else {
      a = format(chart, &CSkyCoordinates::formatRA, lon);
      b = format(chart, &CSkyCoordinates::formatDec, lat);
    }
    return "RA: " + a + " Dec: " + b;
  }
  if (coarse) {
    a = tenthsOfDegree("%.1f°", lon, true);
    b = tenthsOfDegree("%+.1f°", lat, false);
  } else if (system == kCoordHorizon) {
    a = format(chart, &CSkyCoordinates::formatAzimuth, lon);
    b = format(chart, &CSkyCoordinates::formatAltitude, lat);
  } else if (system == kCoordGalactic) {
    a = format(chart, &CSkyCoordinates::formatGalacticLongitude, lon);
    b = format(chart, &CSkyCoordinates::formatGalacticLatitude, lat);
  } else if (system == kCoordEcliptic) {
    a = format(chart, &CSkyCoordinates::formatEclipticLongitude, lon);
    b = format(chart, &CSkyCoordinates::formatEclipticLatitude, lat);
  }
  return system == kCoordHorizon ? "Azm: " + a + " Alt: " + b : "Lon: " + a + " Lat: " + b;
}

std::string fieldOfViewText(const CSkyChart& chart) {
  const float h = float(chart.getHorizontalFOV() * kDegreesPerRadian);
  const float v = float(chart.getVerticalFOV() * kDegreesPerRadian);
  char buffer[64];
  if (h >= 1 || v >= 1) std::snprintf(buffer, sizeof buffer, "FoV: %4.1f° x %4.1f°", double(h), double(v));
  else std::snprintf(buffer, sizeof buffer, "FoV: %4.1f' x %4.1f'", double(h) * 60, double(v) * 60);
  return buffer;
}

// Where the observer is above the Earth, or nothing when that is not a
// number.
std::string orbitPositionText(const CSkyChart& chart, bool tablet) {
  const CPlanet* earth = chart.database ? chart.database->findPlanetByBodyNumber(kEarthBody) : nullptr;
  if (earth == nullptr) return {};
  double earthPosition[3], relative[3];
  earth->getHeliocentricPosition(earthPosition);
  for (int i = 0; i < 3; ++i) relative[i] = chart.observerPosition[i] - earthPosition[i];
  // The engine's conversion takes the J2000 vector and applies the Earth's
  // own orientation of the date; turning the vector to the equator of date
  // first would precess it twice (a tenth of a degree of longitude by 2008).
  double lon, lat, height;
  chart.vectorToGeographic(relative, &lon, &lat, &height);
  if (std::isnan(lon) || std::isnan(lat) || std::isnan(height)) return {};
  const std::string longitude = format(chart, &CSkyCoordinates::formatLongitude, lon);
  const std::string latitude = format(chart, &CSkyCoordinates::formatLatitude, lat);
  if (tablet) return "Longitude " + longitude + "  Latitude " + latitude + "  Altitude " + formatDistance(height);
  return longitude + "  " + latitude;
}

void ChartScreenController::updateHUD() {
  CSkyChart* chart = pSkyChart();
  if (chart == nullptr) return;
  std::string centre = centerCoordsText(*chart);
  if (views_.fovLabel) views_.fovLabel->setText(fieldOfViewText(*chart));
  if (chart->isSpaceView()) {
    double d = chart->homePlanetDistance;
    const CSkyObject* home = chart->homeObject;
    const int type = home ? home->getType() : 0;
    if (dynamic_cast<const CPlanet*>(home) != nullptr && type != kTypeSatellite && type != kTypeSpacecraft)
      d -= chart->getObjectRadius(home);
    char name[256] = {};
    if (home) getObjectChartName(chart, home, name, sizeof name, 0);
    centre = std::string(formatDistance(d)) + " from " + name;
    updateOrbitModePositionInfo();
  }
  if (views_.centerCoordsLabel) views_.centerCoordsLabel->setText(centre);
}

void ChartScreenController::clearHUD() {
  for (ui::Label* label : {views_.centerCoordsLabel.get(), views_.fovLabel.get()})
    if (label) label->setText("");
}

void ChartScreenController::centerCoordsChanged() {
  CSkyChart* chart = pSkyChart();
  if (chart == nullptr || !settings_) return;
  double lon, lat;
  chart->getDisplayCenter(&lon, &lat);
  settings_->setDisplayCenterLon(lon * kDegreesPerRadian);
  settings_->setDisplayCenterLat(lat * kDegreesPerRadian);
  if (chart->isSpaceView()) {
    settings_->setHomePlanetLatitude(chart->homePlanetLatitude);
    settings_->setHomePlanetLongitude(chart->homePlanetLongitude);
  }
  updateHUD();
}

void ChartScreenController::fovChanged() {
  CSkyChart* chart = pSkyChart();
  if (chart == nullptr || !settings_) return;
  settings_->setDisplayFOV(chart->getDisplayFOV() * kDegreesPerRadian);
  updateHUD();
}

void ChartScreenController::updateOrbitModePositionInfo() {
  CSkyChart* chart = pSkyChart();
  if (chart == nullptr || !chart->isSpaceView()) return;
  if (views_.locationLabel) views_.locationLabel->setText(orbitPositionText(*chart, AppDelegate::runningOniPad()));
}

void ChartScreenController::timeDateChanged() {
  CSkyChart* chart = pSkyChart();
  if (chart == nullptr || !settings_) return;
  chartView_->drawImmediately();
  if (chart->isSpaceView()) {
    settings_->setHomePlanetLatitude(chart->homePlanetLatitude);
    settings_->setHomePlanetLongitude(chart->homePlanetLongitude);
  }
  if (settings_->realTime()) {
    const double now = ns::RunLoop::main().now();
    if (timeUIChangedLast_ && now - *timeUIChangedLast_ < 1.0) return;
    timeUIChangedLast_ = now;
  }
  char text[256] = {};
  chart->formatCurrentDateTime(text, sizeof text);
  if (views_.timeDateLabel) views_.timeDateLabel->setText(text);
  updateHUD();
  if (views_.timeFlowView && views_.timeFlowView->superview()) updateTimeFlowTimeStr();
  if (ObjectInfoViewController* info = ObjectInfoViewController::currentController()) info->timeChanged();
}

// ---- Zoom buttons ---------------------------------------------------------------

void ChartScreenController::startZoom(ui::View* sender) {
  if (!chartView_) return;
  chartView_->stopMomentumTimer();
  ns::RunLoop::main().cancelPreviousPerformRequests(chartView_.get(), "stopZoom");
  const Views& v = views_;
  const bool in = sender != nullptr && (sender == v.zoomInButton.get() || sender == v.flyInButton.get());
  if (ApplicationShell* shell = ApplicationShell::shell()) shell->playSound(in ? "ZoomIn2.mp3" : "ZoomOut2.mp3", 1.0f);
  int code = 0;
  if (sender == nullptr) code = 0;
  else if (sender == v.zoomInButton.get()) code = 1;
  else if (sender == v.zoomOutButton.get()) code = -1;
  else if (sender == v.flyInButton.get()) code = 2;
  else if (sender == v.flyOutButton.get()) code = -2;
  chartView_->startZoom(code);
  // A click lifts before the timer's first tick: the press itself makes
  // the first step, so every press zooms.
  if (code != 0) chartView_->zoomChart();
}

void ChartScreenController::stopZoom(ui::View*) {
  if (!chartView_) return;
  chartView_->stopZoomTimer();
  chartView_->stopZoom();
}
