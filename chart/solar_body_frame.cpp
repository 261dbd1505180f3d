// The body-fixed frame the flat globe, its halo, grid, rings and shadows
// are built in: limb points on the body's ellipsoid and their directions
// from the observer.
#include <algorithm>
#include <cmath>

#include "chart/sky_chart.h"
#include "chart/solar_internal.h"
#include "engine/matrices.h"
#include "engine/vectors.h"
#include "skydata/planet.h"

void rotateAboutAxis(const double v[3], const double axis[3], double angle, double out[3]) {
  double c = std::cos(angle), s = std::sin(angle), d = vectorDot(axis, v), x[3];
  vectorCross(axis, v, x);
  for (int k = 0; k < 3; ++k) out[k] = v[k] * c + x[k] * s + axis[k] * d * (1 - c);
}

BodyFrame::BodyFrame(const CSkyChart& chart, CPlanet* body) {
  body->getOrientationMatrix(m);
  body->getFlattenings(flattening);
  radius = chart.getObjectRadius(body);
  distance = body->getDistance();
  body->getPosition(centre);
  vectorNormalize(centre);
  tangent = radius > distance ? 0 : std::acos(radius / distance);
}

void BodyFrame::observer(double out[3]) const {
  for (int k = 0; k < 3; ++k) out[k] = -centre[k];
  matrixTimesVector(m, out);
}

void BodyFrame::limbStart(const double o[3], const double a[3], double out[3]) const {
  double c = std::clamp(vectorDot(o, a), -1.0, 1.0);
  if (!(tangent < std::acos(c))) {
    vectorCopy(out, a);
    return;
  }
  double across[3];
  for (int k = 0; k < 3; ++k) across[k] = a[k] - c * o[k];
  vectorNormalize(across);
  double ct = std::cos(tangent), st = std::sin(tangent);
  for (int k = 0; k < 3; ++k) out[k] = ct * o[k] + st * across[k];
}

void BodyFrame::toSky(const double v[3], double out[3], double scale) const {
  double p[3];
  for (int k = 0; k < 3; ++k) p[k] = v[k] * radius * scale * (1 - flattening[k]);
  pointToSky(p, out);
}

void BodyFrame::pointToSky(const double p[3], double out[3]) const {
  double sky[3];
  vectorCopy(sky, p);
  transposeTimesVector(m, sky);
  for (int k = 0; k < 3; ++k) out[k] = sky[k] + centre[k] * distance;
  vectorNormalize(out);
}

void BodyFrame::limbAxis(const double o[3], double out[3]) {
  double shuffled[3] = {o[1], o[2], o[0]};
  vectorCross(o, shuffled, out);
  vectorNormalize(out);
}
