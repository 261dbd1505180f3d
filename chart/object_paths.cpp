// Paths of objects across the sky: the points of a span of time around
// the chart's time (or the last steps of time flow), kept in a ring and
// drawn with date and time labels.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "chart/sky_chart.h"
#include "chart/solar_internal.h"
#include "engine/angles.h"
#include "engine/vectors.h"
#include "skydata/planet.h"

namespace {

constexpr int kTimeFlowPoints = 365;
constexpr double kDefaultSpanDays = 365;
constexpr double kLongestSpanDays = 730;
constexpr double kMinute = 0.0006944444444444445;
constexpr double kHour = 0.041666666666666664;
// Near objects with long periods get two months of hourly points.
constexpr double kNearDistanceAU = 0.1;
constexpr double kNearSpanDays = 60;
// Room between consecutive time labels, points.
constexpr float kLabelGapPoints = 4;

double* allocateRing(int capacity) {
  return static_cast<double*>(std::calloc(static_cast<std::size_t>(capacity) * 4, sizeof(double)));
}

// Snaps t to the step's grid in local time: midnights for days, whole
// hours or minutes otherwise. Julian days begin at noon.
double snapToStep(double t, double step, double zoneDays) {
  const double local = t + zoneDays - 0.5;
  return std::round(local / step) * step + 0.5 - zoneDays;
}

}  // namespace

void CSkyChart::clearObjectPaths() {
  for (int i = 0; i < highlightCount; ++i) resetObjectPath(&highlights[i]);
}

void CSkyChart::setTimeFlowStep(double days) {
  if (days == timeFlowStep) return;
  timeFlowStep = days;
  clearObjectPaths();
}

bool CSkyChart::appendPathPoint(CSkyObject* object, SkyObjectPath* path, int system) {
  if (object == nullptr || path == nullptr) return false;
  if (path->capacity <= 0) {
    path->points = allocateRing(kTimeFlowPoints);
    if (path->points == nullptr) return false;
    path->capacity = kTimeFlowPoints;
    path->timeStep = timeFlowStep;
    path->count = path->newest = 0;
  }
  double direction[3], converted[3];
  object->getPosition(direction);
  if (!std::isfinite(direction[0] + direction[1] + direction[2])) return false;
  convertCoordSystem(0, system, direction, converted);
  if (path->count > 0) {
    const double* previous = &path->points[4 * path->newest];
    path->largestStep = std::max(path->largestStep, vectorSeparation(previous, converted));
    path->newest = (path->newest + 1) % path->capacity;
  }
  double* point = &path->points[4 * path->newest];
  vectorCopy(point, converted);
  point[3] = julianDate;
  path->count = std::min(path->count + 1, path->capacity);
  path->mode = system;
  return true;
}

bool CSkyChart::computeObjectPath(CSkyObject* object, SkyObjectPath* path, bool timeFlow) {
  if (object == nullptr || path == nullptr) return false;
  resetObjectPath(path);
  const CPlanet* body = asBody(object);
  double span = body != nullptr ? body->getOrbitalPeriod() : 0;
  if (!(span > 0)) span = kDefaultSpanDays;
  span = std::min(span, kLongestSpanDays);

  double step, first;
  int points;
  const double saved = julianDate;
  const double zone = timeZone + (dstInEffect ? kHour : 0);
  if (timeFlow) {
    step = timeFlowStep;
    points = kTimeFlowPoints;
    first = saved - step * (points - 1);
  } else {
    step = span < 1 ? kMinute : span < 30 ? kHour : 1.0;
    if (span > 30 && object->getDistance() < kNearDistanceAU) {
      span = kNearSpanDays;
      step = kHour;
    }
    points = static_cast<int>(std::floor(span / step));
    first = saved - step * (points / 2);
  }
  if (!(step > 0) || points < 1) return false;
  path->points = allocateRing(points);
  if (path->points == nullptr) return false;
  path->capacity = points;
  path->timeStep = step;
  for (int k = 0; k < points; ++k) {
    double t = first + step * k;
    if (!timeFlow) t = snapToStep(t, step, zone);
    setJulianDate(t);
    updateObjectPosition(object);
    appendPathPoint(object, path, displayCoordSystem);
  }
  setJulianDate(saved);
  updateObjectPosition(object);
  return true;
}

void CSkyChart::drawObjectPath(CSkyObject* object, SkyObjectPath* path, bool labels) {
  if (object == nullptr || path == nullptr || path->count < 1 || path->points == nullptr) return;
  float rgb[3], color[3];
  getSolarSystemObjectColor(object, rgb);
  const bool fine = contentScale > 1;
  if (fine) scaleColor(rgb, rgb, 0.66f);
  filterColor(color, rgb);
  setColor(color[0], color[1], color[2], 1);
  setLineWidth(fine ? 1.0f : 0.5f);
  setSmoothLines(false);

  const int oldest = (path->newest - path->count + 1 + path->capacity) % path->capacity;
  for (int k = 0; k < path->count; ++k) {
    const double* point = &path->points[4 * ((oldest + k) % path->capacity)];
    double v[3];
    convertCoordSystem(path->mode, 0, point, v);
    if (k == 0)
      moveTo(v);
    else
      lineTo(v);
  }
  strokePath();
  if (!labels) return;

  const char* format = path->timeStep < kMinute ? "%H:%M:%S" : path->timeStep < 1 ? "%b %d %H:%M" : "%Y %b %d";
  char text[64] = "";
  formatJulianDate(text, sizeof text, format, path->points[4 * oldest + 3]);
  // A path that does not move (a geostationary satellite in the horizon
  // system) has no step to space its labels by: it gets one.
  const double stepPixels = radiusForAngle(path->largestStep) / 2;
  const double room = getTextWidth(text, 0) + 2 * kLabelGapPoints * contentScale;
  double spacing = stepPixels > 0 && std::isfinite(stepPixels) ? std::floor(room / stepPixels) : path->count;
  const int every = static_cast<int>(std::clamp(spacing, 1.0, static_cast<double>(path->count)));
  for (int k = 0; k < path->count; k += every) {
    const double* point = &path->points[4 * ((oldest + k) % path->capacity)];
    double v[3], x, y;
    convertCoordSystem(path->mode, 0, point, v);
    if (!vectorToScreen(v, &x, &y) || !isPointInViewport(x, y)) continue;
    formatJulianDate(text, sizeof text, format, point[3]);
    drawLabelNear(text, 1, 1, static_cast<float>(x), static_cast<float>(y), markerSize / 4);
  }
}
