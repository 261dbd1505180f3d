// A comet's tail: a cone of glare pointing away from the Sun, as long as
// the comet is bright and near the Sun, drawn from the head to a round end.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "chart/sky_chart.h"
#include "engine/angles.h"
#include "engine/body_geometry.h"
#include "engine/magnitudes.h"
#include "engine/vectors.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"

namespace {

// Tails are at most 5 AU long and a twentieth of their length wide, never
// wider than 89 degrees.
constexpr double kLongestTailAU = 5.0;
constexpr double kTailWidth = 0.05;
constexpr double kWidestTail = 1.553343034274561;
// The brightness scale: a comet of absolute magnitude 5 at 1 AU has a tail
// 1 AU long.
constexpr double kReferenceMagnitude = 5.0;
// Texture coordinates along the glare gradient: bright at the head.
constexpr float kBright = 255, kFaint = 1;

}  // namespace

bool CSkyChart::drawCometTail(CPlanet* comet) {
  if (comet == nullptr || comet->getType() != kTypeComet) return false;
  double head[3];
  comet->getHeliocentricPosition(head);
  double r = vectorLength(head);
  if (!(r > 0) || !std::isfinite(r)) return false;
  double k = std::clamp(brightnessRatio(comet->getAbsoluteMagnitude(), kReferenceMagnitude), 0.01, 1.0);
  double length = std::min(k / (r * r), kLongestTailAU);
  double end[3];
  for (int i = 0; i < 3; ++i) end[i] = head[i] * (r + length) / r;
  double headDirection[3], endDirection[3], middle[3];
  double headDistance = observerRelativeVector(head, headDirection);
  observerRelativeVector(end, endDirection);
  vectorAdd(headDirection, endDirection, middle);
  vectorNormalize(middle);
  double width = angularRadius(kTailWidth * length, headDistance);
  if (width >= kHalfPi) width = kWidestTail;

  double hx = 0, hy = 0, ex = 0, ey = 0;
  if (!vectorToScreen(headDirection, &hx, &hy) && !vectorToScreen(middle, &hx, &hy)) return false;
  if (!vectorToScreen(endDirection, &ex, &ey) && !vectorToScreen(middle, &ex, &ey)) return false;
  double span = std::hypot(ex - hx, ey - hy);
  double W = radiusForAngle(width);
  float pt = contentScale;
  if (!(span >= 8 * pt || W >= 8 * pt)) return false;
  if (!isPointNearViewport(hx, hy, std::max(span, W))) return false;

  double theta = 0, beta = 0;
  if (W < span) {
    theta = std::atan2(ey - hy, ex - hx);
    beta = kHalfPi - angularRadius(W, span);
  }
  // The outline: head, the tangent points on the end's circle and the far
  // side of that circle round the end.
  int steps = static_cast<int>((2 * std::numbers::pi - 2 * beta) * kDegreesPerRadian / 5);
  steps = std::max(steps, 1);
  auto rim = [&](int i, double* x, double* y) {
    double angle = theta + beta + (2 * std::numbers::pi - 2 * beta) * i / steps;
    *x = ex + W * std::cos(angle);
    *y = ey + W * std::sin(angle);
  };
  const float grey[3] = {0.5f, 0.5f, 0.5f};
  float color[3];
  filterColor(color, grey);
  if (cgContext != nullptr) {
    setColor(color[0], color[1], color[2], 0.5f);
    if (W < span) beginPolygonAtPoint(static_cast<float>(hx), static_cast<float>(hy));
    for (int i = 0; i <= steps; ++i) {
      double x = 0, y = 0;
      rim(i, &x, &y);
      if (i == 0 && !(W < span))
        beginPolygonAtPoint(static_cast<float>(x), static_cast<float>(y));
      else
        addPolygonPoint(static_cast<float>(x), static_cast<float>(y));
    }
    fillPolygon(true);
    return true;
  }
  TextureStyle style;
  style.flags = kTextureAdditive;
  style.red = color[0], style.green = color[1], style.blue = color[2];
  beginTextureTriangles(&style, solarGlareTexture());
  auto vertex = [](double x, double y, float u) {
    TextureVertex v{};
    v.visible = 1;
    v.brightness = 255;
    v.screenX = static_cast<float>(x);
    v.screenY = static_cast<float>(y);
    v.depth = 1;
    v.u = u;
    return v;
  };
  TextureVertex centre = vertex(ex, ey, kBright / 2);
  TextureVertex previous{};
  for (int i = 0; i <= steps; ++i) {
    double x = 0, y = 0;
    rim(i, &x, &y);
    TextureVertex current = vertex(x, y, kFaint);
    if (i > 0) addStyledTextureTriangle(style, centre, previous, current);
    previous = current;
  }
  if (W < span) {
    TextureVertex tip = vertex(hx, hy, kBright), first{}, last{};
    double x = 0, y = 0;
    rim(0, &x, &y);
    first = vertex(x, y, kFaint);
    rim(steps, &x, &y);
    last = vertex(x, y, kFaint);
    addStyledTextureTriangle(style, tip, first, centre);
    addStyledTextureTriangle(style, tip, centre, last);
  }
  flushTextureTrianglesStyled(style);
  return true;
}
