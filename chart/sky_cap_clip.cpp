// Clipping an area of the sky to a cap: the outline walked from a point
// inside the cap; each run outside replaced by the cap's edge through the
// same turn about the cap's centre (so the screen image winds about every
// point of the cap as the area's outline does); and, when the area holds
// the point opposite the centre, the whole edge added once more in the
// outline's own sense, which puts back the winding that point takes away.
#include "chart/sky_cap_clip.h"

#include <algorithm>
#include <cmath>

#include "engine/angles.h"
#include "engine/vectors.h"

namespace {

// Step along the cap's edge, as along a limb.
constexpr double kEdgeStep = 0.08726646259969445;
// Halvings that place a crossing of the cap's edge (to about 1e-15 of an
// edge's length).
constexpr int kCrossingHalvings = 50;

// A unit vector perpendicular to the unit vector v.
void perpendicular(const double v[3], double out[3]) {
  double axis[3] = {0, 0, 0};
  // The axis least along v.
  int k = std::fabs(v[0]) < std::fabs(v[1]) ? 0 : 1;
  if (std::fabs(v[2]) < std::fabs(v[k])) k = 2;
  axis[k] = 1;
  vectorCross(v, axis, out);
  vectorNormalize(out);
}

// An angle brought into [-pi, pi].
double wrapped(double angle) { return std::remainder(angle, kTwoPi); }

// The cap with a frame about its centre; azimuths grow anticlockwise as
// seen from outside the sphere.
struct CapFrame {
  double z[3], u[3], w[3];
  double cosRadius, sinRadius;

  explicit CapFrame(const SkyCap& cap) : cosRadius(std::cos(cap.radius)), sinRadius(std::sin(cap.radius)) {
    vectorCopy(z, cap.centre);
    perpendicular(z, u);
    vectorCross(z, u, w);
  }
  bool inside(const double p[3]) const { return vectorDot(p, z) >= cosRadius; }
  double azimuth(const double p[3]) const { return std::atan2(vectorDot(p, w), vectorDot(p, u)); }
  void edgePoint(double azimuth, double out[3]) const {
    double c = std::cos(azimuth), s = std::sin(azimuth);
    for (int k = 0; k < 3; ++k) out[k] = cosRadius * z[k] + sinRadius * (c * u[k] + s * w[k]);
  }
  // Where the arc from `in` (inside) to `out` (outside) leaves the cap: the
  // last point found inside.
  void crossing(const double in[3], const double out[3], double result[3]) const {
    double inner = 0, outer = 1, p[3];
    for (int i = 0; i < kCrossingHalvings; ++i) {
      double t = (inner + outer) / 2;
      for (int k = 0; k < 3; ++k) p[k] = in[k] + t * (out[k] - in[k]);
      vectorNormalize(p);
      (inside(p) ? inner : outer) = t;
    }
    for (int k = 0; k < 3; ++k) result[k] = in[k] + inner * (out[k] - in[k]);
    vectorNormalize(result);
  }
};

// The clipped outline as it grows, dropping what its buffer cannot hold.
struct Outline {
  double (*points)[3];
  int capacity;
  int count = 0;

  void add(const double p[3]) {
    if (count < capacity) vectorCopy(points[count++], p);
  }
  // The cap's edge from azimuth `from` through the turn `sweep`; the end
  // points are added only when asked.
  void addEdge(const CapFrame& cap, double from, double sweep, bool ends) {
    int steps = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / kEdgeStep)));
    double p[3];
    for (int k = ends ? 0 : 1; k <= (ends ? steps : steps - 1); ++k) {
      cap.edgePoint(from + sweep * k / steps, p);
      add(p);
    }
  }
};

// The polygon on the plane touching the sphere at the pole, seen from
// outside (great circles become straight lines there).
struct PoleFrame {
  double pole[3], e1[3], e2[3];

  explicit PoleFrame(const double p[3]) {
    vectorCopy(pole, p);
    perpendicular(pole, e1);
    vectorCross(pole, e1, e2);
  }
  void onPlane(const double v[3], double* x, double* y) const {
    double d = vectorDot(v, pole);
    *x = vectorDot(v, e1) / d;
    *y = vectorDot(v, e2) / d;
  }
};

// +1 when the outline runs anticlockwise about its area seen from outside,
// -1 when clockwise.
int outlineSense(const double (*points)[3], int n, const double pole[3]) {
  PoleFrame frame(pole);
  double area = 0, x0, y0, x1, y1;
  frame.onPlane(points[n - 1], &x0, &y0);
  for (int i = 0; i < n; ++i, x0 = x1, y0 = y1) {
    frame.onPlane(points[i], &x1, &y1);
    area += x0 * y1 - x1 * y0;
  }
  return area < 0 ? -1 : 1;
}

}  // namespace

bool skyPolygonContains(const double (*points)[3], int n, const double pole[3], const double q[3]) {
  if (n < 3 || !(vectorDot(q, pole) > 0)) return false;
  PoleFrame frame(pole);
  double qx, qy, x0, y0, x1, y1;
  frame.onPlane(q, &qx, &qy);
  frame.onPlane(points[n - 1], &x0, &y0);
  bool inside = false;
  for (int i = 0; i < n; ++i, x0 = x1, y0 = y1) {
    frame.onPlane(points[i], &x1, &y1);
    if ((y0 > qy) != (y1 > qy) && qx < x0 + (qy - y0) * (x1 - x0) / (y1 - y0)) inside = !inside;
  }
  return inside;
}

int clipSkyPolygonToCap(const double (*points)[3], int n, const double pole[3], const SkyCap& cap,
                        double (*out)[3], int capacity) {
  if (n < 3) return 0;
  CapFrame frame(cap);
  Outline outline{out, capacity};
  int start = 0;
  while (start < n && !frame.inside(points[start])) ++start;
  if (start == n) {
    // The outline keeps outside the cap: the cap lies wholly inside the
    // area or wholly outside it.
    if (skyPolygonContains(points, n, pole, frame.z)) outline.addEdge(frame, 0, kTwoPi, true);
    return outline.count;
  }
  // Walked from a point inside, each run outside the cap is met at its
  // start first.
  double runFrom = 0, runSweep = 0, lastAzimuth = 0, x[3];
  for (int k = 0; k < n; ++k) {
    const double* a = points[(start + k) % n];
    const double* b = points[(start + k + 1) % n];
    bool aInside = frame.inside(a), bInside = frame.inside(b);
    if (aInside) {
      outline.add(a);
      if (bInside) continue;
      frame.crossing(a, b, x);
      outline.add(x);
      runFrom = frame.azimuth(x);
      runSweep = wrapped(frame.azimuth(b) - runFrom);
    } else if (bInside) {
      frame.crossing(b, a, x);
      runSweep += wrapped(frame.azimuth(x) - lastAzimuth);
      outline.addEdge(frame, runFrom, runSweep, false);
      outline.add(x);
    } else {
      runSweep += wrapped(frame.azimuth(b) - lastAzimuth);
    }
    lastAzimuth = frame.azimuth(b);
  }
  double opposite[3] = {-frame.z[0], -frame.z[1], -frame.z[2]};
  if (skyPolygonContains(points, n, pole, opposite)) {
    // Out to the edge and once round it, back along the same line when
    // the polygon closes.
    double first[3];
    vectorCopy(first, out[0]);
    outline.add(first);
    outline.addEdge(frame, frame.azimuth(first), outlineSense(points, n, pole) * kTwoPi, true);
  }
  return outline.count;
}
