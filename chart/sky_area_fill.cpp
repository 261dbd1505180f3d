// Filling an area of the sky, such as a body's disc, that reaches where
// the projection cannot follow: behind a gnomonic view, or round the point
// opposite a stereographic view's centre. The area's polygon loses every
// point gathered before one that does not project, and an area holding
// the opposite point projects inside out; such an area is clipped on the
// sphere to the part of the view the projection reaches and filled from
// there.
#include <cmath>

#include "chart/sky_cap_clip.h"
#include "chart/sky_chart.h"
#include "engine/angles.h"

namespace {

// Halvings that find the projection's reach (to about 1e-12 rad).
constexpr int kReachHalvings = 42;
// Kept inside the reach, so that rounding leaves the cap's edge on the
// projection.
constexpr double kReachMargin = 1e-6;

// The angle from the view's centre within which every direction projects,
// no farther than the viewport's diagonal from its centre (so that the
// clipped outline keeps to coordinates both back ends draw precisely).
double reachableAngle(const CSkyChart& chart) {
  // Out from the centre towards the view's left (the second row of the
  // display matrix): the projections that stop short of the sphere depend
  // on the angle from the centre alone.
  const double* centre = chart.displayMatrix;
  const double* side = chart.displayMatrix + 3;
  double v[3], x = 0, y = 0;
  double limit = std::hypot(chart.viewportWidth, chart.viewportHeight), reached = 0, beyond = kPi;
  for (int i = 0; i < kReachHalvings; ++i) {
    double angle = (reached + beyond) / 2;
    for (int k = 0; k < 3; ++k) v[k] = std::cos(angle) * centre[k] + std::sin(angle) * side[k];
    bool on = chart.vectorToScreen(v, &x, &y) &&
              std::hypot(x - chart.viewportCenterX, y - chart.viewportCenterY) <= limit;
    (on ? reached : beyond) = angle;
  }
  return reached - kReachMargin;
}

}  // namespace

void CSkyChart::fillSkyArea(const double (*points)[3], int count, const double pole[3]) {
  if (count < 1) return;
  double centre[3], opposite[3], x = 0, y = 0;
  getDisplayCenterVector(centre);
  for (int k = 0; k < 3; ++k) opposite[k] = -centre[k];
  bool whole = true;
  for (int i = 0; i < count && whole; ++i) whole = vectorToScreen(points[i], &x, &y);
  // A projection of the whole sphere draws the polygon as it is.
  bool wholeSphere = vectorToScreen(opposite, &x, &y);
  const double(*fill)[3] = points;
  double clipped[kChartPolygonCapacity][3];
  if (!wholeSphere && (!whole || skyPolygonContains(points, count, pole, opposite))) {
    SkyCap cap{{centre[0], centre[1], centre[2]}, reachableAngle(*this)};
    if (!(cap.radius > 0)) return;
    count = clipSkyPolygonToCap(points, count, pole, cap, clipped, kChartPolygonCapacity);
    fill = clipped;
    if (count < 3) return;
  }
  beginPolygonAtVector(fill[0]);
  for (int i = 1; i < count; ++i) addPolygonVector(fill[i]);
  fillPolygon(true);
}
