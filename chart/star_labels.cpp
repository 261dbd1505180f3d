// Star labels (names, double-star components and separations) and the
// orbits of binary stars.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "chart/object_chart_name.h"
#include "chart/sky_chart.h"
#include "engine/angles.h"
#include "engine/body_geometry.h"
#include "engine/precession.h"
#include "engine/vectors.h"
#include "skydata/object_factory.h"
#include "skydata/sky_database.h"
#include "skydata/star_classes.h"

namespace {

// A secondary component's label needs this many pixels of separation.
constexpr double kSecondaryLabelPixels = 10.0;
// An orbit shorter than this on the screen is not drawn (pixels).
constexpr double kShortestOrbitPixels = 10.0;
// Steps of the eccentric anomaly along a drawn orbit.
constexpr double kOrbitStep = 0.08726646259969445;  // 5 degrees

}  // namespace

void CSkyChart::drawStarLabel(CStar* star, bool selected, float x, float y, float radius) {
  char text[256] = "";
  if (showStarNames || selected) getObjectChartName(this, star, text, sizeof text, showStarBayerLetters ? 1 : 0);
  const CDoubleStar* pair = asDoubleStar(star);
  const char* components = pair != nullptr ? pair->getComponents() : nullptr;
  double separation = NAN;
  if (pair != nullptr) {
    separation = pair->getSeparation();
    if (const CBinaryStar* binary = asBinaryStar(star)) {
      double angle = 0;
      if (!binaryStarCompanionPosition(binary, &separation, &angle)) separation = NAN;
    }
  }
  if (showDoubleStars) {
    std::size_t length = std::strlen(text);
    if (components != nullptr && components[0] != '\0' && length > 0) {
      std::snprintf(text + length, sizeof text - length, " %s", components);
      std::size_t n = std::strlen(components);
      // "A " and the like name the star itself, not a pair.
      length = std::strlen(text);
      if (n >= 2 && components[n - 2] == ' ' && length >= 2) text[length -= 2] = '\0';
    }
    if (std::isfinite(separation))
      std::snprintf(text + length, sizeof text - length, " %.1f\"", separation * kArcsecondsPerRadian);
  } else if (components != nullptr && std::isalpha(static_cast<unsigned char>(components[0])) &&
             components[0] != 'A') {
    // A secondary component.
    if (selected) {
      endStarSprites();
      drawObjectMarker(star, text[0] != '\0' ? text : nullptr, x, y, radius);
      beginStarSprites();
      return;
    }
    if (!isObserverFarFromSun() && !(radiusForAngle(separation) >= kSecondaryLabelPixels)) return;
  }
  if (text[0] == '\0') return;
  endStarSprites();
  if (selected) {
    drawObjectMarker(star, text, x, y, radius);
  } else {
    float rgb[3];
    filterColor(rgb, starNameRGB);
    setColor(rgb[0], rgb[1], rgb[2], 1);
    drawLabelNear(text, 1, 1, x, y, markerSize * 0.5f + radius);
  }
  beginStarSprites();
}

void CSkyChart::holdStarLabel(CStar* star, float x, float y, float radius, float magnitude) {
  if (heldStarLabelCount >= kHeldStarLabelCapacity) {
    drawStarLabel(star, false, x, y, radius);
    return;
  }
  heldStarLabels[heldStarLabelCount++] = {star, x, y, radius, magnitude};
}

void CSkyChart::drawHeldStarLabels() {
  // The walk meets stars by region; the brightest are named first.
  // (In place, and in one order whatever the walk's: ties go by place.)
  std::sort(heldStarLabels, heldStarLabels + heldStarLabelCount,
            [](const HeldStarLabel& a, const HeldStarLabel& b) {
              if (a.magnitude != b.magnitude) return a.magnitude < b.magnitude;
              return a.y != b.y ? a.y < b.y : a.x < b.x;
            });
  for (int i = 0; i < heldStarLabelCount; ++i) {
    const HeldStarLabel& held = heldStarLabels[i];
    drawStarLabel(held.star, false, held.x, held.y, held.radius);
  }
  heldStarLabelCount = 0;
}

bool CSkyChart::drawBinaryStarOrbit(CBinaryStar* binary) {
  if (binary == nullptr || database == nullptr) return false;
  const double a = binary->getSemimajorAxis(), e = binary->getEccentricity();
  if (!std::isfinite(a) || !std::isfinite(e) || !std::isfinite(binary->getInclination()) ||
      !std::isfinite(binary->getArgumentOfPeriastron()) || !(e >= 0 && e < 1))
    return false;
  ScopedSkyObject linked(database->getBinaryComponentStar(binary));
  CStar* companion = asStar(linked.get());
  if (companion == nullptr) return false;
  double apoapsis = (1 + e) * a;
  const double distance = companion->getDistance();
  // Seen from elsewhere than the Sun the orbit's angular size changes
  // with the distance.
  const double scale = std::isfinite(distance) && distance > 0
                           ? companion->getStarDistance() / distance : 1.0;
  if (std::isfinite(distance) && distance > 0)
    apoapsis = angularRadius(apoapsis * companion->getStarDistance(), distance);
  const double length = radiusForAngle(apoapsis);
  if (!(length >= kShortestOrbitPixels)) return false;
  double centre[3], x, y;
  companion->getPosition(centre);
  if (apoapsis < kHalfPi &&
      (!vectorToScreen(centre, &x, &y) || !isPointNearViewport(x, y, length)))
    return false;
  std::uint8_t bytes[3];
  starColorBytes(bytes, binary->getColorIndex());
  float rgb[3] = {bytes[0] / 255.0f, bytes[1] / 255.0f, bytes[2] / 255.0f};
  filterColor(rgb, rgb);
  setColor(rgb[0], rgb[1], rgb[2], 0.5f);
  // The orbit is the one the star's own place follows (the mechanics'
  // offset on the sky's north and east at the companion), sampled in
  // equal steps of the eccentric anomaly by the times of those points.
  const double period = binary->getPeriod(), t0 = binary->getPeriastronYear();
  int drawn = 0;
  for (double anomaly = 0; anomaly <= kTwoPi; anomaly += kOrbitStep) {
    const double mean = anomaly - e * std::sin(anomaly);
    double offset[3], point[3];
    if (!binaryOrbitOffset(*binary, centre, t0 + mean / kTwoPi * period, offset)) break;
    for (int k = 0; k < 3; ++k) point[k] = centre[k] + offset[k] * scale;
    vectorNormalize(point);
    if (drawn++ == 0)
      moveTo(point);
    else
      lineTo(point);
  }
  strokePath();
  return drawn > 0;
}
