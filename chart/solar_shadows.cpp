// Shadows bodies cast on each other: a planet's (or moon's) shadow cone
// at the body behind it, filled over that body's disc; a moon's umbra on
// its planet, as a spot or traced on the globe in the space view; and the
// outlines of the Earth's shadow at the Moon and the Moon's at the Earth.
#include <algorithm>
#include <cmath>

#include "chart/sky_chart.h"
#include "chart/solar_internal.h"
#include "engine/body_geometry.h"
#include "engine/matrices.h"
#include "engine/vectors.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/sky_database.h"

namespace {

// The Sun's radius in the shadow cone (AU), and the enlargement of the
// Earth's shadow by its atmosphere.
constexpr double kSolarRadiusAU = 0.004652;
constexpr double kEarthShadowEnlargement = 1.011764705882353;
constexpr float kPenumbraAlpha = 0.33f;
constexpr float kGlobeShadowAlpha = 0.5f;
constexpr double kEdgeStep = 0.08726646259969445;  // 5 degrees
constexpr int kEdgeSteps = 72;

void fillBlack(CSkyChart& chart, float alpha) {
  const float black[3] = {0, 0, 0};
  float color[3];
  chart.filterColor(color, black);
  chart.setColor(color[0], color[1], color[2], alpha);
}

// Where the ray from `origin` along the unit `direction` first meets the
// planet's spheroid (its magnified radius and polar flattening, in its own
// axes), as a heliocentric point; false when it misses or meets it beyond
// `reach`.
bool shadowEdgePoint(const CSkyChart& chart, CPlanet* planet, const double origin[3],
                     const double direction[3], double reach, double hit[3]) {
  double m[9], centre[3], flattening[3], o[3], d[3], t = 0, point[3];
  planet->getOrientationMatrix(m);
  planet->getHeliocentricPosition(centre);
  planet->getFlattenings(flattening);
  vectorSubtract(origin, centre, o);
  matrixTimesVector(m, o);
  vectorCopy(d, direction);
  matrixTimesVector(m, d);
  const double zero[3] = {};
  if (!intersectRaySpheroid(o, d, zero, &t, point, chart.getObjectRadius(planet), flattening[2]))
    return false;
  if (!(t < reach)) return false;
  transposeTimesVector(m, point);
  vectorAdd(centre, point, hit);
  return true;
}

}  // namespace

bool CSkyChart::computeShadowCone(CPlanet* caster, CPlanet* receiver, ShadowCone* cone) {
  if (caster == nullptr || receiver == nullptr || cone == nullptr) return false;
  double P[3], M[3], between[3];
  caster->getHeliocentricPosition(P);
  receiver->getHeliocentricPosition(M);
  double a = vectorLength(P), b = vectorLength(M);
  double e = vectorLength(vectorSubtract(P, M, between));
  if (!(a > 0) || !std::isfinite(a + b + e)) return false;
  // On the Sun-caster line, as far behind the caster as the receiver is.
  double centre[3];
  for (int k = 0; k < 3; ++k) centre[k] = P[k] * (a + e) / a;
  double direction[3];
  double D = observerRelativeVector(centre, direction);
  double Rc = getObjectRadius(caster);
  if (isEarth(caster) && isMoon(receiver)) Rc *= kEarthShadowEnlargement;
  double penumbra = Rc + (Rc + kSolarRadiusAU) * e / a;
  double umbra = std::max(Rc + (Rc - kSolarRadiusAU) * e / a, 0.0);
  if (!(penumbra <= D)) return false;
  vectorCopy(cone->direction, direction);
  cone->distance = D;
  cone->umbra = angularRadius(umbra, D);
  cone->penumbra = angularRadius(penumbra, D);
  return a <= b;
}

void CSkyChart::drawMoonEclipse(CPlanet* caster, CPlanet* receiver, float x, float y, float r) {
  ShadowCone cone{};
  double cx = 0, cy = 0;
  if (!computeShadowCone(caster, receiver, &cone) || !vectorToScreen(cone.direction, &cx, &cy))
    return;
  float pt = contentScale;
  auto rp = static_cast<float>(radiusForAngle(cone.penumbra));
  auto ru = static_cast<float>(radiusForAngle(cone.umbra));
  if (!isPointNearViewport(cx, cy, rp)) return;
  auto sx = static_cast<float>(cx), sy = static_cast<float>(cy);
  fillBlack(*this, kPenumbraAlpha);
  fillCircleOverlap(x, y, r, sx, sy, std::max(rp, pt));
  // The Earth's (and a planet's) umbra is reddened by its atmosphere.
  bool reddened = caster->getType() == kTypePlanet && caster->getBodyNumber() < 9;
  const float darkRed[3] = {0.33f, 0, 0}, black[3] = {0, 0, 0};
  float color[3];
  filterColor(color, reddened ? darkRed : black);
  setColor(color[0], color[1], color[2], kShadowAlpha);
  fillCircleOverlap(x, y, r, sx, sy, std::max(ru, pt));
}

double CSkyChart::umbraLength(CPlanet* moon) const {
  CPlanet* sun = database->getSun();
  if (moon == nullptr || sun == nullptr) return 0;
  double dm = moon->getDiameter(), ds = sun->getDiameter(), M[3];
  moon->getHeliocentricPosition(M);
  double length = dm / (ds - dm) * vectorLength(M);
  return std::isfinite(length) ? length : 0;
}

void CSkyChart::drawMoonShadowOnPlanet(CPlanet* moon, CPlanet* planet, float x, float y, float r) {
  if (moon == nullptr || planet == nullptr) return;
  if (isSpaceView()) {
    if (homeObject == moon)
      drawMoonEclipse(moon, planet, x, y, r);
    else
      drawShadowOnGlobe(moon, planet);
    return;
  }
  CPlanet* sun = database->getSun();
  if (sun == nullptr) return;
  double M[3], P[3], sunlight[3], s = 0, hit[3];
  moon->getHeliocentricPosition(M);
  planet->getHeliocentricPosition(P);
  vectorCopy(sunlight, M);
  if (!(vectorNormalize(sunlight) > 0)) return;
  if (!intersectRaySpheroid(M, sunlight, P, &s, hit, trueRadius(planet), 0)) return;
  double rm = trueRadius(moon), L = vectorLength(M) * rm / (trueRadius(sun) - rm);
  if (!(L > 0)) return;
  double radius = rm * (L - s) / L, direction[3];
  double distance = observerRelativeVector(hit, direction);
  auto screen = static_cast<float>(radiusForAngle(std::atan2(radius, distance)));
  double sx = 0, sy = 0;
  if (!(screen > 1) || !vectorToScreen(direction, &sx, &sy) || !isPointNearViewport(sx, sy, screen))
    return;
  fillBlack(*this, kShadowAlpha);
  drawCircle(true, static_cast<float>(sx), static_cast<float>(sy), screen, 0);
}

void CSkyChart::drawShadowOnGlobe(CPlanet* moon, CPlanet* planet) {
  if (moon == nullptr || planet == nullptr) return;
  double M[3], P[3], sunlight[3];
  moon->getHeliocentricPosition(M);
  planet->getHeliocentricPosition(P);
  vectorCopy(sunlight, M);
  if (!(vectorNormalize(sunlight) > 0)) return;
  double L = umbraLength(moon);
  if (!(vectorDistance(P, M) <= L)) return;
  double apex[3];
  vectorScaleAdd(sunlight, M, apex, L);
  double Rp = getObjectRadius(planet), Rm = getObjectRadius(moon);
  double nearDistance = 0, closest = 0;
  if (!raySphereIntersect(P, M, sunlight, &nearDistance, &closest, Rp)) {
    double nearest[3];
    vectorScaleAdd(sunlight, M, nearest, closest);
    if (vectorDistance(nearest, P) > Rp + Rm) return;
  }
  // A vector across the sunlight, turned round it to trace the umbra's
  // edge from the moon's limb towards the apex.
  double seen[3], across[3];
  moon->getPosition(seen);
  vectorCross(sunlight, seen, across);
  if (!(vectorNormalize(across) > 0)) return;
  int points = 0;
  for (int i = 0; i < kEdgeSteps; ++i) {
    rotateAboutAxis(across, sunlight, kEdgeStep, across);
    double limb[3], towards[3], hit[3];
    vectorScaleAdd(across, M, limb, Rm);
    vectorSubtract(apex, limb, towards);
    double reach = vectorNormalize(towards);
    if (!shadowEdgePoint(*this, planet, limb, towards, reach, hit)) continue;
    double direction[3], normal[3];
    observerRelativeVector(hit, direction);
    vectorSubtract(hit, P, normal);
    if (!(vectorDot(direction, normal) < 0)) continue;
    if (points++ == 0)
      beginPolygonAtVector(direction);
    else
      addPolygonVector(direction);
  }
  if (points < 3) {
    polygonCount = 0;
    return;
  }
  fillBlack(*this, kGlobeShadowAlpha);
  fillPolygon(true);
}

void CSkyChart::drawEarthMoonShadowCircles(bool earthShadow) {
  CPlanet* earth = database->getEarth();
  CPlanet* moon = database->getMoon();
  ShadowCone cone{};
  double cx = 0, cy = 0;
  if (!computeShadowCone(earthShadow ? earth : moon, earthShadow ? moon : earth, &cone) ||
      !vectorToScreen(cone.direction, &cx, &cy))
    return;
  auto rp = static_cast<float>(radiusForAngle(cone.penumbra));
  auto ru = static_cast<float>(radiusForAngle(cone.umbra));
  if (!isPointNearViewport(cx, cy, rp)) return;
  const float white[3] = {1, 1, 1};
  float color[3];
  filterColor(color, white);
  setColor(color[0], color[1], color[2], 1);
  drawCircle(false, static_cast<float>(cx), static_cast<float>(cy), ru, 0);
  drawCircle(false, static_cast<float>(cx), static_cast<float>(cy), rp, 0);
}
