#include "engine/sky_projection.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/angles.h"
#include "engine/matrices.h"
#include "engine/vectors.h"

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Longitude of codes 4-7: atan2, which gives +-pi/2 by the sign of Y on X = 0.
double displayLongitude(const double d[3]) { return std::atan2(d[1], d[0]); }
double displayLatitude(const double d[3]) { return std::asin(std::clamp(d[2], -1.0, 1.0)); }

void fromLonLat(double d[3], double lon, double lat) {
  d[0] = std::cos(lon) * std::cos(lat);
  d[1] = std::sin(lon) * std::cos(lat);
  d[2] = std::sin(lat);
}

// The perspective blend projects from the point -e on the X axis:
// rho = sin a / (cos a + e), gnomonic at e = 0 and stereographic at e = 1.
double blendRadius(double angle, double e) {
  return std::sin(angle) / (std::cos(angle) + e);
}
// X (the cosine of the angle from the centre) of the point at radius rho.
double blendCosine(double rho, double e) {
  double r2 = rho * rho;
  return (-e * r2 + std::sqrt(1 + r2 * (1 - e * e))) / (1 + r2);
}
double blendAngle(double rho, double e) {
  return std::acos(std::clamp(blendCosine(rho, e), -1.0, 1.0));
}

}  // namespace

CSkyProjection::CSkyProjection() {
  updateProjection();
  displayMatrixLock = 0;
  displayCoordSystem = kCoordHorizon;
  displayCenterLon = 0;
  displayCenterLat = 0.78539816339725;
  displayRotation = 0;
  updateDisplayMatrix();
  displayProjection = kProjectionStereographic;
  flippedHoriz = flippedVert = 0;
  setDisplayFOV(kPi / 2);
}

void CSkyProjection::setViewport(float left, float top, float right, float bottom) {
  if (!std::isfinite(left) || !std::isfinite(top) || !std::isfinite(right) ||
      !std::isfinite(bottom) || !(right > left) || !(bottom > top))
    return;
  viewportLeft = left;
  viewportTop = top;
  viewportRight = right;
  viewportBottom = bottom;
  viewportWidth = right - left;
  viewportHeight = bottom - top;
  viewportCenterX = (left + right) / 2;
  viewportCenterY = (top + bottom) / 2;
  updateProjection();
}

void CSkyProjection::setDisplayCenter(int system, double lon, double lat, double rotation) {
  if (system < 0 || system > 5 || !std::isfinite(lon) || !std::isfinite(lat) ||
      !std::isfinite(rotation))
    return;
  displayMatrixLock = 0;
  displayCoordSystem = system;
  displayCenterLon = lon;
  displayCenterLat = lat;
  displayRotation = rotation;
  updateDisplayMatrix();
}

void CSkyProjection::setDisplayCenterLonLat(double lon, double lat) {
  setDisplayCenter(displayCoordSystem, lon, lat, displayRotation);
}

void CSkyProjection::getDisplayCenter(double* lon, double* lat) const {
  if (lon) *lon = displayCenterLon;
  if (lat) *lat = displayCenterLat;
}

void CSkyProjection::getDisplayCoordSystemAndCenter(int* system, double* lon,
                                                    double* lat) const {
  if (system) *system = displayCoordSystem;
  getDisplayCenter(lon, lat);
}

void CSkyProjection::setDisplayCenterVector(const double v[3]) {
  double lon, lat;
  vectorToSpherical(v, &lon, &lat, nullptr);
  convertCoordSystemLonLat(kCoordFundamental, displayCoordSystem, lon, lat,
                           &displayCenterLon, &displayCenterLat);
  updateDisplayMatrix();
}

void CSkyProjection::getDisplayCenterVector(double out[3]) const {
  vectorCopy(out, displayMatrix);
}

double CSkyProjection::angleFromDisplayCenter(const double v[3]) const {
  return vectorSeparation(v, displayMatrix);
}

void CSkyProjection::setDisplayCoordSystem(int system) {
  if (system < 0 || system > 5) return;
  convertCoordSystemLonLat(displayCoordSystem, system, displayCenterLon, displayCenterLat,
                           &displayCenterLon, &displayCenterLat);
  displayCoordSystem = system;
  updateDisplayMatrix();
}

double CSkyProjection::maximumFOV(int projection) {
  switch (projection) {
    case kProjectionGnomonic: return 2.094395102392667;
    case kProjectionOrthographic: return kPi;
    // The blend is stereographic from 180 degrees on; at a full turn its
    // scale would be infinite and the chart a single point.
    case kProjectionStereographic:
    case kProjectionPerspectiveBlend: return kThreeHalfPi;
    default: return kTwoPi;
  }
}

void CSkyProjection::setDisplayFOV(double fov) {
  if (std::isnan(fov)) return;
  displayFOV = std::clamp(fov, kMinimumFOV, maximumFOV(displayProjection));
  updateProjection();
}

void CSkyProjection::setDisplayProjection(int projection) {
  if (projection < 1 || projection > 9) return;
  displayProjection = projection;
  // A field of view wider than the new projection allows is narrowed.
  displayFOV = std::clamp(displayFOV, kMinimumFOV, maximumFOV(projection));
  updateProjection();
}

void CSkyProjection::setDisplayFlippedHoriz(bool flag) {
  flippedHoriz = flag;
  updateProjection();
}

void CSkyProjection::setDisplayFlippedVert(bool flag) {
  flippedVert = flag;
  updateProjection();
}

void CSkyProjection::updateProjection() {
  double hw = viewportWidth / 2.0, hh = viewportHeight / 2.0, m = std::min(hw, hh);
  double x = displayFOV / 2, s, hHalf, vHalf;
  switch (displayProjection) {
    case kProjectionGnomonic:
      s = std::tan(x) / m;
      hHalf = std::atan(hw * s);
      vHalf = std::atan(hh * s);
      break;
    case kProjectionOrthographic:
      s = std::sin(x) / m;
      hHalf = std::asin(std::min(hw * s, 1.0));
      vHalf = std::asin(std::min(hh * s, 1.0));
      break;
    case kProjectionStereographic:
      s = std::tan(x / 2) / m;
      hHalf = 2 * std::atan(hw * s);
      vHalf = 2 * std::atan(hh * s);
      break;
    case kProjectionEquirectangular:
    case kProjectionSinusoidal:
    case kProjectionAbsoluteEquirectangular:
      s = x / hw;
      hHalf = x;
      vHalf = std::min(hh * s, kHalfPi);
      break;
    case kProjectionSineLatitude:
      s = x / hw;
      hHalf = x;
      vHalf = std::asin(std::min(hh * s / kHalfPi, 1.0));
      break;
    case kProjectionPerspectiveBlend: {
      double e = std::clamp((displayFOV - kHalfPi) / kHalfPi, 0.0, 1.0);
      blendExponent = static_cast<float>(e);
      e = blendExponent;
      s = blendRadius(x, e) / m;
      hHalf = blendAngle(hw * s, e);
      vHalf = blendAngle(hh * s, e);
      break;
    }
    default:
      s = x / hw;
      hHalf = x;
      vHalf = std::atan(hh * s);
      break;
  }
  scaleX = static_cast<float>(flippedHoriz ? -s : s);
  scaleY = static_cast<float>(flippedVert ? -s : s);
  horizontalFOV = 2 * hHalf;
  verticalFOV = 2 * vHalf;
  if (displayProjection != kProjectionStereographic &&
      displayProjection != kProjectionPerspectiveBlend)
    verticalFOV = std::min(verticalFOV, kPi);
  double corner[3];
  if (screenToVector(corner, viewportLeft, viewportTop))
    diagonalFOV = std::min(2 * vectorSeparation(corner, displayMatrix), kTwoPi);
  else
    diagonalFOV = displayProjection == kProjectionOrthographic ? kPi : kTwoPi;
}

void CSkyProjection::updateDisplayMatrix() {
  if (displayMatrixLock) return;
  double frame[9];
  const double* f = frameMatrix(displayCoordSystem);
  if (f) matrixCopy(frame, f);
  else identityMatrix(frame);
  double turn = -displayCenterLon;
  if (displayCoordSystem == kCoordHorizon) {
    // The horizon frame counts azimuth eastwards; the display wants the
    // sky seen from inside, so its middle row is turned round.
    for (int c = 0; c < 3; ++c) frame[3 + c] = -frame[3 + c];
    turn = displayCenterLon;
  }
  rotationMatrix(displayMatrix, 3, 2, turn, 1, -displayCenterLat, 0, -displayRotation);
  matrixMultiply(displayMatrix, frame);
  matrixCopy(displayMatrix, frame);
}

void CSkyProjection::toDisplay(const double v[3], double d[3]) const {
  if (displayProjection == kProjectionAbsoluteEquirectangular) {
    convertCoordSystem(kCoordFundamental, displayCoordSystem, v, d);
  } else {
    vectorCopy(d, v);
    matrixTimesVector(displayMatrix, d);
  }
}

void CSkyProjection::fromDisplay(const double d[3], double v[3]) const {
  if (displayProjection == kProjectionAbsoluteEquirectangular) {
    convertCoordSystem(displayCoordSystem, kCoordFundamental, d, v);
  } else {
    vectorCopy(v, d);
    transposeTimesVector(displayMatrix, v);
  }
}

bool CSkyProjection::project(const double d[3], double* u, double* w) const {
  double X = d[0], Y = d[1], Z = d[2];
  switch (displayProjection) {
    case kProjectionGnomonic:
      *u = Y / X;
      *w = Z / X;
      return X > 0;
    case kProjectionOrthographic:
      *u = Y;
      *w = Z;
      return X > 0;
    case kProjectionStereographic:
      *u = Y / (X + 1);
      *w = Z / (X + 1);
      return X > -0.9;
    case kProjectionEquirectangular:
      *u = displayLongitude(d);
      *w = displayLatitude(d);
      return true;
    case kProjectionCentralCylindrical: {
      double z = std::clamp(Z, -1.0, 1.0);
      *u = displayLongitude(d);
      *w = z / std::sqrt(1 - z * z);  // +-infinity at the poles
      return true;
    }
    case kProjectionSineLatitude:
      *u = displayLongitude(d) * std::cos(displayLatitude(d));
      *w = Z * kHalfPi;
      return true;
    case kProjectionSinusoidal:
      *u = std::cos(displayLatitude(d)) * displayLongitude(d);
      *w = displayLatitude(d);
      return true;
    case kProjectionPerspectiveBlend: {
      double e = blendExponent;
      *u = Y / (X + e);
      *w = Z / (X + e);
      return X > -0.9 * e;
    }
    case kProjectionAbsoluteEquirectangular:
      *u = normalizeRadiansSigned(positiveAtan2(Y, X) - displayCenterLon);
      *w = displayLatitude(d) - displayCenterLat;
      return true;
    default:
      *u = *w = kInfinity;
      return false;
  }
}

bool CSkyProjection::unproject(double u, double w, double d[3]) const {
  switch (displayProjection) {
    case kProjectionGnomonic:
      d[0] = 1;
      d[1] = u;
      d[2] = w;
      vectorNormalize(d);
      return true;
    case kProjectionOrthographic: {
      double x2 = 1 - u * u - w * w;
      if (!(x2 > 0)) return false;
      d[0] = std::sqrt(x2);
      d[1] = u;
      d[2] = w;
      return true;
    }
    case kProjectionStereographic: {
      double k = (1 + u * u + w * w) / 2;
      d[0] = 1 / k - 1;
      d[1] = u / k;
      d[2] = w / k;
      return std::isfinite(k);
    }
    case kProjectionEquirectangular:
      if (!(std::fabs(w) <= kHalfPi)) return false;
      fromLonLat(d, u, w);
      return std::isfinite(u);
    case kProjectionCentralCylindrical:
      fromLonLat(d, u, std::atan(w));
      return std::isfinite(u) && !std::isnan(w);
    case kProjectionSineLatitude: {
      double sine = w / kHalfPi;
      if (!(std::fabs(sine) <= 1)) return false;
      double lat = std::asin(sine), lon = u / std::cos(lat);
      if (!(std::fabs(lon) <= kPi)) return false;
      fromLonLat(d, lon, lat);
      return true;
    }
    case kProjectionSinusoidal: {
      if (!(std::fabs(w) <= kHalfPi)) return false;
      double lon = u / std::cos(w);
      if (!(std::fabs(lon) <= kPi)) return false;
      fromLonLat(d, lon, w);
      return true;
    }
    case kProjectionPerspectiveBlend: {
      double e = blendExponent, X = blendCosine(std::hypot(u, w), e);
      d[0] = X;
      d[1] = u * (X + e);
      d[2] = w * (X + e);
      vectorNormalize(d);
      return X > -0.9 * e;
    }
    case kProjectionAbsoluteEquirectangular: {
      double lat = displayCenterLat + w;
      if (!(std::fabs(lat) <= kHalfPi)) return false;
      fromLonLat(d, displayCenterLon + u, lat);
      return std::isfinite(u);
    }
    default:
      return false;
  }
}

bool CSkyProjection::vectorToScreenDepth(const double v[3], double* x, double* y,
                                         float* depth) const {
  double d[3], u, w;
  toDisplay(v, d);
  bool on = project(d, &u, &w);
  if (on || displayProjection == kProjectionOrthographic) {
    *x = viewportCenterX - u / scaleX;
    *y = viewportCenterY - w / scaleY;
  } else {
    *x = u / scaleX > 0 ? -kInfinity : kInfinity;
    *y = w / scaleY > 0 ? -kInfinity : kInfinity;
  }
  if (depth) {
    if (displayProjection == kProjectionAbsoluteEquirectangular)
      *depth = static_cast<float>(std::cos(positiveAtan2(d[1], d[0]) - displayCenterLon));
    else
      *depth = static_cast<float>(d[0]);
  }
  return on;
}

bool CSkyProjection::vectorToScreen(const double v[3], double* x, double* y) const {
  return vectorToScreenDepth(v, x, y, nullptr);
}

bool CSkyProjection::screenToVector(double out[3], double x, double y) const {
  double u = (viewportCenterX - x) * scaleX, w = (viewportCenterY - y) * scaleY, d[3];
  if (!unproject(u, w, d)) return false;
  fromDisplay(d, out);
  return true;
}

bool CSkyProjection::screenToLonLat(double x, double y, double* lon, double* lat) const {
  double v[3];
  if (!screenToVector(v, x, y)) return false;
  convertCoordSystem(kCoordFundamental, displayCoordSystem, v, v);
  vectorToSpherical(v, lon, lat, nullptr);
  return true;
}

double CSkyProjection::radiusForAngle(double a) const {
  double s = std::fabs(scaleX);
  if (a == 0) return 0;
  switch (displayProjection) {
    case kProjectionGnomonic: return a < kHalfPi ? std::tan(a) / s : kInfinity;
    case kProjectionOrthographic: return a < kHalfPi ? std::sin(a) / s : 1 / s;
    case kProjectionStereographic: return a < kPi ? std::tan(a / 2) / s : kInfinity;
    case kProjectionEquirectangular:
    case kProjectionCentralCylindrical:
    case kProjectionSineLatitude:
    case kProjectionSinusoidal:
    case kProjectionAbsoluteEquirectangular:
      return std::min(a, kPi) / s;
    case kProjectionPerspectiveBlend:
      return std::cos(a) + blendExponent > 0 ? blendRadius(a, blendExponent) / s : kInfinity;
    default:
      return kInfinity;
  }
}

double CSkyProjection::angleForRadius(double r) const {
  double s = std::fabs(scaleX), t = std::fabs(r * s);
  switch (displayProjection) {
    case kProjectionGnomonic: return std::atan(t);
    case kProjectionOrthographic: return std::asin(std::min(t, 1.0));
    case kProjectionStereographic: return 2 * std::atan(t);
    case kProjectionEquirectangular:
    case kProjectionCentralCylindrical:
    case kProjectionSineLatitude:
    case kProjectionSinusoidal:
    case kProjectionAbsoluteEquirectangular:
      return std::min(r * s, kPi);
    case kProjectionPerspectiveBlend: return blendAngle(t, blendExponent);
    default: return kInfinity;
  }
}

double CSkyProjection::projectedRadius(const double v[3], double radius) const {
  double d = angleFromDisplayCenter(v);
  double outer = radiusForAngle(d), inner = radiusForAngle(d - radius);
  if (std::isinf(outer) || std::isinf(inner)) return kInfinity;
  return outer - inner;
}

double CSkyProjection::screenNorthAngle(const double v[3]) const {
  if (std::fabs(v[2]) == 1) return 0;
  double x1, y1, x2, y2, w[3] = {v[0], v[1], v[2] + 0.1};
  vectorNormalize(w);
  vectorToScreen(v, &x1, &y1);
  vectorToScreen(w, &x2, &y2);
  double dx = scaleX < 0 ? x2 - x1 : x1 - x2;
  double dy = scaleY < 0 ? y2 - y1 : y1 - y2;
  return positiveAtan2(dy, dx);
}

bool CSkyProjection::isPointInViewport(double x, double y) const {
  return viewportLeft <= x && x < viewportRight && viewportTop <= y && y < viewportBottom;
}

bool CSkyProjection::isPointNearViewport(double x, double y, double margin) const {
  return viewportLeft - margin <= x && x < viewportRight + margin &&
         viewportTop - margin <= y && y < viewportBottom + margin;
}

bool CSkyProjection::segmentMayCrossViewport(double x1, double y1, double x2,
                                             double y2) const {
  if (x1 < viewportLeft && x2 < viewportLeft) return false;
  if (x1 > viewportRight && x2 > viewportRight) return false;
  if (y1 < viewportTop && y2 < viewportTop) return false;
  if (y1 > viewportBottom && y2 > viewportBottom) return false;
  return true;
}

int CSkyProjection::clipSegmentToViewport(double* x1, double* y1, double* x2,
                                          double* y2) const {
  const double width = viewportWidth, height = viewportHeight;
  // Relative to the viewport with y measured upwards from its bottom edge.
  double ax = *x1 - viewportLeft, ay = viewportBottom - *y1;
  double bx = *x2 - viewportLeft, by = viewportBottom - *y2;
  auto outcode = [&](double x, double y) {
    int c = 0;
    if (y > height) c |= 1;
    else if (y < 0) c |= 2;
    if (x > width) c |= 4;
    else if (x < 0) c |= 8;
    return c;
  };
  bool accepted = false;
  if (std::isfinite(ax) && std::isfinite(ay) && std::isfinite(bx) && std::isfinite(by)) {
    int ca = outcode(ax, ay), cb = outcode(bx, by);
    // A segment wholly inside keeps its points to the last bit (the round
    // trip through viewport coordinates need not).
    if (!(ca | cb)) return 1;
    // Each step puts one end on an edge line; rounding can leave it a hair
    // outside, so the steps are bounded.
    for (int step = 0; step < 16; ++step) {
      if (!(ca | cb)) {
        accepted = true;
        break;
      }
      if (ca & cb) break;
      int c = ca ? ca : cb;
      double x, y;
      if (c & 1) {
        x = ax + (bx - ax) * (height - ay) / (by - ay);
        y = height;
      } else if (c & 2) {
        x = ax + (bx - ax) * (0 - ay) / (by - ay);
        y = 0;
      } else if (c & 4) {
        y = ay + (by - ay) * (width - ax) / (bx - ax);
        x = width;
      } else {
        y = ay + (by - ay) * (0 - ax) / (bx - ax);
        x = 0;
      }
      if (c == ca) {
        ax = x;
        ay = y;
        ca = outcode(ax, ay);
      } else {
        bx = x;
        by = y;
        cb = outcode(bx, by);
      }
    }
  }
  *x1 = ax + viewportLeft;
  *y1 = viewportBottom - ay;
  *x2 = bx + viewportLeft;
  *y2 = viewportBottom - by;
  return accepted ? 1 : 0;
}

bool CSkyProjection::isPointInScreenTriangle(double px, double py, double x1, double y1,
                                             double x2, double y2, double x3, double y3) {
  auto twiceArea = [](double ax, double ay, double bx, double by, double cx, double cy) {
    return std::fabs((bx - ax) * (cy - ay) - (cx - ax) * (by - ay));
  };
  double parts = twiceArea(px, py, x1, y1, x2, y2) + twiceArea(px, py, x2, y2, x3, y3) +
                 twiceArea(px, py, x3, y3, x1, y1);
  return parts <= 1.000001 * twiceArea(x1, y1, x2, y2, x3, y3);
}

bool CSkyProjection::isTriangleInViewport(double x1, double y1, double x2, double y2,
                                          double x3, double y3) const {
  double xs[3] = {x1, x2, x3}, ys[3] = {y1, y2, y3};
  if (std::max({x1, x2, x3}) < viewportLeft || std::min({x1, x2, x3}) > viewportRight ||
      std::max({y1, y2, y3}) < viewportTop || std::min({y1, y2, y3}) > viewportBottom)
    return false;
  for (int i = 0; i < 3; ++i)
    if (std::isinf(xs[i]) || std::isinf(ys[i])) return true;
  for (int i = 0; i < 3; ++i)
    if (isPointInViewport(xs[i], ys[i])) return true;
  const double cornersX[4] = {viewportLeft, viewportRight, viewportRight, viewportLeft};
  const double cornersY[4] = {viewportTop, viewportTop, viewportBottom, viewportBottom};
  for (int i = 0; i < 4; ++i)
    if (isPointInScreenTriangle(cornersX[i], cornersY[i], x1, y1, x2, y2, x3, y3)) return true;
  for (int i = 0; i < 3; ++i) {
    double ax = xs[i], ay = ys[i], bx = xs[(i + 1) % 3], by = ys[(i + 1) % 3];
    if (clipSegmentToViewport(&ax, &ay, &bx, &by)) return true;
  }
  return false;
}

bool CSkyProjection::isScreenQuadInViewport(const double x[4], const double y[4]) const {
  if (std::max({x[0], x[1], x[2], x[3]}) < viewportLeft ||
      std::min({x[0], x[1], x[2], x[3]}) > viewportRight ||
      std::max({y[0], y[1], y[2], y[3]}) < viewportTop ||
      std::min({y[0], y[1], y[2], y[3]}) > viewportBottom)
    return false;
  for (int i = 0; i < 4; ++i)
    if (std::isinf(x[i]) || std::isinf(y[i])) return true;
  for (int i = 0; i < 4; ++i)
    if (isPointInViewport(x[i], y[i])) return true;
  double cx = viewportCenterX, cy = viewportCenterY;
  if (isPointInScreenTriangle(cx, cy, x[0], y[0], x[1], y[1], x[2], y[2]) ||
      isPointInScreenTriangle(cx, cy, x[2], y[2], x[3], y[3], x[0], y[0]))
    return true;
  for (int i = 0; i < 4; ++i) {
    double ax = x[i], ay = y[i], bx = x[(i + 1) % 4], by = y[(i + 1) % 4];
    if (clipSegmentToViewport(&ax, &ay, &bx, &by)) return true;
  }
  return false;
}

bool CSkyProjection::isVectorInsideQuad(const double v[3], const double a[3],
                                        const double b[3], const double c[3],
                                        const double d[3]) {
  const double* corners[5] = {a, b, c, d, a};
  for (int i = 0; i < 4; ++i) {
    double n[3];
    vectorCross(corners[i], corners[i + 1], n);
    if (!(vectorDot(v, n) >= 0)) return false;
  }
  return true;
}

bool CSkyProjection::isQuadVisible(const double a[3], const double b[3], const double c[3],
                                   const double d[3]) const {
  const double* corners[4] = {a, b, c, d};
  double xs[4], ys[4];
  for (int i = 0; i < 4; ++i)
    if (vectorToScreen(corners[i], &xs[i], &ys[i]) && isPointInViewport(xs[i], ys[i]))
      return true;
  if (isVectorInsideQuad(displayMatrix, a, b, c, d)) return true;
  return isScreenQuadInViewport(xs, ys);
}
