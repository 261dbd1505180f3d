// Orbits of solar-system objects and satellites around their parents:
// points from the elements of the chart time, clustered around the
// object's own place, drawn as the far and near stretches; tabulated
// paths drawn row by row with interpolated gaps.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "chart/orbit_paths.h"
#include "chart/sky_chart.h"
#include "chart/solar_internal.h"
#include "engine/angles.h"
#include "engine/body_dispatch.h"
#include "engine/kepler_orbits.h"
#include "engine/matrices.h"
#include "mechanics/orbit_table.h"
#include "engine/sgp4.h"
#include "engine/vectors.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/satellite.h"
#include "skydata/sky_database.h"

namespace {

constexpr double kFourPi = 2 * kTwoPi;
// Light time per AU (days) and the element sets' Earth radius in AU.
constexpr double kLightDaysPerAU = 0.005775518304412128;
constexpr double kSatelliteEarthRadiusAU = 4.2635199284588744e-05;
constexpr double kMinutesPerDay = 1440.0;
// Open orbits end where the distance reaches this many periapsis distances.
constexpr double kOpenOrbitReach = 100.0;
// Orbits smaller than this many line widths on the screen are not drawn.
constexpr double kSmallestOrbitWidths = 8.0;
// Half the size of a marker cross, pixels.
constexpr float kMarkerHalf = 4.0f;
constexpr float kMarkerBrightness = 0.9f;
// Tabulated paths: points nearer than this are merged; longer gaps are
// interpolated in steps of this length (pixels).
constexpr double kMergePixels = 1.0;
constexpr double kGapPixels = 10.0;

// The 25 fractions between the orbit's evenly spread points, densest at
// the middle (the object's own place).
struct SpacingTable {
  double t[25];
  SpacingTable() {
    double total = 0, power = 1;
    for (int k = 0; k < 13; ++k) total += (power *= 0.7);
    double sum = 0;
    power = 1;
    for (int k = 0; k < 12; ++k) t[k] = (sum += (power *= 0.7)) * 3 / total;
    t[12] = 3.0;
    for (int m = 0; m < 12; ++m) t[13 + m] = 6.0 - t[11 - m];
  }
};

int baseCount(double e) { return e < 0.9 ? 72 : e < 0.95 ? 180 : 360; }

// The conic of an object around its parent at a time, in the frame the
// matrix turns into the working frame.
struct OrbitElements {
  double q = 0, e = 0, i = 0, omega = 0, node = 0, m = 0;
  double frame[9] = {};
  bool open() const { return e >= 1; }
  double apoapsis() const { return open() ? INFINITY : q * (1 + e) / (1 - e); }
};

bool orbitElementsOf(CSkyChart& chart, CPlanet* object, double t, OrbitElements& out) {
  double a = 0, n = 0;
  switch (object->getType()) {
    case kTypeSatellite: {
      auto* satellite = dynamic_cast<CSatellite*>(object);
      if (satellite == nullptr) return false;
      SatelliteElementSet set;
      satellite->getOrbitElements(set);
      double meanMotion;
      sgp4SecularElements(set, &a, &out.e, &out.i, &out.omega, &out.node, &out.m, &meanMotion,
                          (chart.julianDate - set.epoch) * kMinutesPerDay);
      out.q = a * (1 - out.e) * kSatelliteEarthRadiusAU;
      matrixCopy(out.frame, chart.satelliteElementFrame());
      break;
    }
    case kTypeMoon: {
      const int id = static_cast<int>(object->getBodyNumber());
      if (!moonOrbitByBodyId(id, &a, &out.e, &out.i, &out.omega, &out.node, &out.m, &n, t) ||
          !moonFrameByBodyId(id, out.frame, t))
        return false;
      out.q = a * (1 - out.e);
      break;
    }
    case kTypePlanet:
      if (!planetElementsByNumber(static_cast<int>(object->getBodyNumber()), &a, &out.e, &out.i,
                                  &out.omega, &out.node, &out.m, &n, t))
        return false;
      out.q = a * (1 - out.e);
      matrixCopy(out.frame, chart.eclipticJ2000);
      break;
    default: {
      double epoch;
      if (object->getPathCount() >= 2 &&
          chart.osculatingElements(object, &epoch, &out.q, &out.e, &out.i, &out.omega, &out.node,
                                   &out.m, &n, t)) {
        out.m += n * (t - epoch);
      } else {
        out.q = object->getPerihelionDistance();
        out.e = object->getEccentricity();
        out.i = object->getInclination();
        out.omega = object->getArgumentOfPerihelion();
        out.node = object->getAscendingNode();
        out.m = object->getMeanAnomaly(t);
      }
      matrixCopy(out.frame, chart.eclipticJ2000);
      break;
    }
  }
  return out.q > 0 && out.e >= 0 && std::isfinite(out.q + out.e + out.i + out.omega + out.node + out.m);
}

// The point of true anomaly v, working frame, relative to the parent.
void conicPoint(const OrbitElements& el, double v, double out[3]) {
  const double r = el.q * (1 + el.e) / (1 + el.e * std::cos(v));
  const double u = v + el.omega;
  const double cu = std::cos(u), su = std::sin(u), cn = std::cos(el.node), sn = std::sin(el.node);
  const double ci = std::cos(el.i);
  out[0] = r * (cu * cn - su * ci * sn);
  out[1] = r * (cu * sn + su * ci * cn);
  out[2] = r * su * std::sin(el.i);
  matrixTimesVector(el.frame, out);
}

// The object's present true anomaly; signed for open orbits.
double presentAnomaly(const OrbitElements& el) {
  double nu, r;
  solveKepler(&nu, &r, el.m, el.e, el.q);
  return el.open() ? normalizeRadiansSigned(nu) : nu;
}

// What moves the conic onto the object's actual place: its place relative
// to the parent less the conic's point there (zero when it has no place).
void orbitShift(CPlanet* object, CPlanet* parent, const OrbitElements& el, double shift[3]) {
  double actual[3], own[3];
  object->getPositionRelativeTo(actual, *parent);
  conicPoint(el, presentAnomaly(el), own);
  vectorSubtract(actual, own, shift);
  if (!std::isfinite(shift[0] + shift[1] + shift[2])) shift[0] = shift[1] = shift[2] = 0;
}

double chartTimeOf(const CSkyChart& chart, const CPlanet* object) {
  const double d = object->getDistance();
  return chart.lightTime && std::isfinite(d) ? chart.dynamicalJulianDate - d * kLightDaysPerAU
                                             : chart.dynamicalJulianDate;
}

void setOrbitColor(CSkyChart& chart, const CPlanet* object, float factor) {
  float rgb[3], filtered[3];
  chart.getSolarSystemObjectColor(object, rgb);
  scaleColor(rgb, rgb, factor);
  chart.filterColor(filtered, rgb);
  chart.setColor(filtered[0], filtered[1], filtered[2], 1);
  chart.setSmoothLines(false);
}

}  // namespace

double orbitPointFraction(int i, int n) {
  static const SpacingTable table;
  const int h = n / 2 - 13;
  double x;
  if (i <= h)
    x = i;
  else if (i < n - h)
    x = table.t[i - n / 2 + 12] + h;
  else
    x = i - 20;
  return x / (n - 20);
}

bool CSkyChart::computeOrbitPoints(CPlanet* object) {
  ObjectRenderData* data = attachRenderData(object);
  CPlanet* parent = object != nullptr && database != nullptr ? database->getParentPlanet(object) : nullptr;
  if (data == nullptr || parent == nullptr) return false;
  OrbitElements el;
  if (!orbitElementsOf(*this, object, chartTimeOf(*this, object), el)) return false;
  const int count = baseCount(el.e) + 20;
  if (data->orbitPoints == nullptr || data->orbitPointCount != count) {
    auto* points = static_cast<double*>(std::realloc(data->orbitPoints, sizeof(double) * 3 * (count + 1)));
    if (points == nullptr) return false;
    data->orbitPoints = points;
    data->orbitPointCount = count;
  }
  const double w = presentAnomaly(el);
  double range = kPi;
  if (el.open()) {
    range = std::acos((el.e + 1 - kOpenOrbitReach) / (kOpenOrbitReach * el.e));
    range = std::max(range, std::fabs(w));
  }
  for (int i = 0; i <= count; ++i) {
    const double f = orbitPointFraction(i, count);
    double v = el.open() ? std::clamp(w - kTwoPi + kFourPi * f, -range, range) : w - kPi + kTwoPi * f;
    conicPoint(el, v, &data->orbitPoints[3 * i]);
  }
  double shift[3];
  orbitShift(object, parent, el, shift);
  for (int i = 0; i <= count; ++i) vectorAdd(&data->orbitPoints[3 * i], shift, &data->orbitPoints[3 * i]);
  data->orbitTime = dynamicalJulianDate;
  return true;
}

void CSkyChart::drawOrbitTrack(CPlanet* object, int side) {
  if (object == nullptr || database == nullptr) return;
  if (object->getPathCount() >= 2) {
    if (side == 1) drawTabulatedPath(object);
    return;
  }
  CPlanet* parent = database->getParentPlanet(object);
  if (parent == nullptr || parent == object) return;
  double parentPosition[3], parentDirection[3];
  parent->getHeliocentricPosition(parentPosition);
  const double parentDistance = earthView ? parent->getDistance()
                                          : observerRelativeVector(parentPosition, parentDirection);
  if (!earthView) {
    OrbitElements el;
    if (!orbitElementsOf(*this, object, chartTimeOf(*this, object), el)) return;
    const double apoapsis = el.apoapsis();
    if (parentDistance > apoapsis) {
      const double pixels = radiusForAngle(std::atan(apoapsis / parentDistance));
      double x, y;
      if (!(pixels >= kSmallestOrbitWidths * contentScale)) return;
      if (!vectorToScreen(parentDirection, &x, &y) || !isPointNearViewport(x, y, pixels)) return;
    }
  }
  ObjectRenderData* data = getRenderData(object);
  if (data == nullptr || data->orbitPoints == nullptr || data->orbitTime != dynamicalJulianDate) {
    if (!computeOrbitPoints(object)) return;
    data = getRenderData(object);
  }

  setOrbitColor(*this, object, 1);
  setLineWidth(1);
  bool drawing = false;
  for (int i = 0; i <= data->orbitPointCount; ++i) {
    const double* point = &data->orbitPoints[3 * i];
    double position[3], direction[3], distance;
    if (earthView) {
      vectorCopy(direction, point);
      distance = vectorNormalize(direction);
    } else {
      vectorAdd(parentPosition, point, position);
      distance = observerRelativeVector(position, direction);
    }
    const bool mine = side < 0 ? distance < parentDistance : !(distance < parentDistance);
    if (!mine || !std::isfinite(distance)) {
      drawing = false;
      continue;
    }
    if (drawing)
      lineTo(direction);
    else
      moveTo(direction);
    drawing = true;
  }
  strokePath();
  if (side < 0 && showOrbitPeriNodeMarkers) drawOrbitMarkers(object);
}

void CSkyChart::drawOrbitMarkers(CPlanet* object) {
  CPlanet* parent = object != nullptr && database != nullptr ? database->getParentPlanet(object) : nullptr;
  OrbitElements el;
  if (parent == nullptr || !orbitElementsOf(*this, object, chartTimeOf(*this, object), el)) return;
  double shift[3], parentPosition[3];
  orbitShift(object, parent, el, shift);
  parent->getHeliocentricPosition(parentPosition);
  setOrbitColor(*this, object, kMarkerBrightness);
  setLineWidth(1);
  // Periapsis, apoapsis (closed orbits) and the two nodes (argument of
  // latitude 0 and pi).
  const double anomalies[4] = {0, kPi, -el.omega, kPi - el.omega};
  for (int k = 0; k < 4; ++k) {
    if (k == 1 && el.open()) continue;
    if (1 + el.e * std::cos(anomalies[k]) <= 0) continue;  // beyond an open orbit's asymptotes
    double point[3], direction[3], x, y;
    conicPoint(el, anomalies[k], point);
    vectorAdd(point, shift, point);
    if (earthView) {
      vectorCopy(direction, point);
    } else {
      vectorAdd(parentPosition, point, point);
      observerRelativeVector(point, direction);
    }
    if (!vectorToScreen(direction, &x, &y) || !isPointInViewport(x, y)) continue;
    const auto fx = static_cast<float>(x), fy = static_cast<float>(y);
    moveToPoint(fx - kMarkerHalf, fy - kMarkerHalf);
    lineToPoint(fx + kMarkerHalf, fy + kMarkerHalf);
    moveToPoint(fx - kMarkerHalf, fy + kMarkerHalf);
    lineToPoint(fx + kMarkerHalf, fy - kMarkerHalf);
    strokePath();
  }
}

void CSkyChart::drawTabulatedPath(CPlanet* object) {
  const int rows = object != nullptr ? object->getPathCount() : 0;
  if (rows < 2) return;
  const bool fine = contentScale > 1;
  setOrbitColor(*this, object, fine ? 0.66f : 1.0f);
  setLineWidth(fine ? 1.0f : 0.5f);
  bool penDown = false;
  GPoint last{};
  int lastRow = -1;
  for (int i = 0; i < rows; ++i) {
    double t, position[3], velocity[3], direction[3], x, y;
    if (!object->getPathRow(i, &t, position, velocity)) continue;
    observerRelativeVector(position, direction);
    if (!vectorToScreen(direction, &x, &y) || !isPointInViewport(x, y)) {
      penDown = false;
      continue;
    }
    const GPoint here{static_cast<float>(x), static_cast<float>(y)};
    if (!penDown) {
      moveToPoint(here.x, here.y);
    } else {
      const double gap = std::hypot(here.x - last.x, here.y - last.y);
      if (gap < kMergePixels && i + 1 < rows) continue;
      if (gap > kGapPixels) drawTabulatedSegment(object, lastRow, i, last, here);
      lineToPoint(here.x, here.y);
    }
    penDown = true;
    last = here;
    lastRow = i;
  }
  strokePath();
}

void CSkyChart::drawTabulatedSegment(CPlanet* object, int lo, int hi, GPoint a, GPoint b) {
  const double length = std::hypot(b.x - a.x, b.y - a.y);
  // Ends far off a projection's edge give huge or non-finite lengths.
  if (!std::isfinite(length)) return;
  const double diagonal = std::hypot(viewportWidth, viewportHeight);
  const int steps = static_cast<int>(std::ceil(std::min(length, diagonal) / kGapPixels));
  double t0, t1, p[3], v[3];
  if (steps < 2 || !object->getPathRow(lo, &t0, p, v) || !object->getPathRow(hi, &t1, p, v)) return;
  const double longest = std::min(viewportWidth, viewportHeight);
  GPoint previous = a;
  for (int k = 1; k < steps; ++k) {
    double direction[3], x, y;
    if (!interpolateTabulatedState(object, lo, hi, p, v, t0 + (t1 - t0) * k / steps)) return;
    observerRelativeVector(p, direction);
    if (!vectorToScreen(direction, &x, &y)) continue;
    const GPoint here{static_cast<float>(x), static_cast<float>(y)};
    if (std::hypot(here.x - previous.x, here.y - previous.y) < longest) lineToPoint(here.x, here.y);
    else moveToPoint(here.x, here.y);
    previous = here;
  }
}
