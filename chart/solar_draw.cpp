// The solar-system layer of a frame: which bodies of the draw list are
// drawn and how large, their colours, their labels, and the flat globe
// (limb disc and dark side) of a body large enough to show one.
#include <algorithm>
#include <cmath>

#include "chart/model_choice.h"
#include "chart/object_chart_name.h"
#include "chart/sky_chart.h"
#include "chart/solar_internal.h"
#include "engine/body_geometry.h"
#include "engine/sky_coordinates.h"
#include "engine/matrices.h"
#include "engine/vectors.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/sky_database.h"

namespace {

// Room the rings take beyond the globe, in globe radii.
constexpr double kSaturnExtent = 2.33;
constexpr double kUranusExtent = 1.96;
// The faintest magnitude still seen by eye.
constexpr double kNakedEyeMagnitude = 6.5;
// The Earth's index in the solar-system file.
constexpr std::uint32_t kEarthIndex = 3;
// Points of the dark side's outline on the terminator (0 to 175 degrees);
// the rest follow the dark half of the limb.
constexpr int kTerminatorPoints = 36;

bool isNakedEye(const CPlanet* body) {
  if (isSun(body) || isMoon(body)) return true;
  if (body->getType() == kTypePlanet && body->getBodyNumber() < 7) return true;
  return body->getMagnitude() < kNakedEyeMagnitude;
}

}  // namespace

// ---- Colours ----

void CSkyChart::getSolarSystemObjectColor(const CSkyObject* object, float rgb[3]) const {
  static constexpr float kPlanets[10][3] = {
      {1, 1, 0.8f},   {0.8f, 0.6f, 0.4f}, {1, 1, 1},    {0.2f, 1, 1},    {1, 0.4f, 0.2f},
      {1, 1, 0.6f},   {1, 1, 0.2f},       {0.6f, 1, 0.6f}, {0.6f, 1, 1}, {1, 0.6f, 1}};
  rgb[0] = rgb[1] = rgb[2] = 1;
  const CPlanet* body = asBody(object);
  if (body == nullptr) return;
  switch (body->getType()) {
    case kTypePlanet:
      if (body->getBodyNumber() < 10) std::copy_n(kPlanets[body->getBodyNumber()], 3, rgb);
      if (body->getBodyNumber() == 0 && displayCoordSystem == kCoordHorizon && showDaylight &&
          isInsideAtmosphere()) {
        // Reddened towards the horizon, as the daylight fades.
        const float red[3] = {1, 0, 0}, own[3] = {rgb[0], rgb[1], rgb[2]};
        mixColor(rgb, red, own, skyBrightness);
      }
      break;
    case kTypeMoon:
    case kTypeComet: rgb[0] = rgb[1] = rgb[2] = 0.8f; break;
    case kTypeAsteroid: rgb[0] = rgb[1] = 0.8f, rgb[2] = 0.2f; break;
    case kTypeSatellite:
    case kTypeSpacecraft: rgb[0] = 0, rgb[1] = 1, rgb[2] = 0; break;
    default: break;
  }
}

// ---- Flat globe ----

void CSkyChart::drawLimb(CSkyObject* object, const float rgb[3], bool filled) {
  CPlanet* body = asBody(object);
  if (body == nullptr) return;
  BodyFrame frame(*this, body);
  double o[3], a[3];
  frame.observer(o);
  BodyFrame::limbAxis(o, a);
  float saved = lineWidth;
  setLineWidth(1.0f);
  float color[3];
  filterColor(color, rgb);
  setColor(color[0], color[1], color[2], 1);
  double sky[kLimbPoints][3];
  for (double* point : sky) {
    double start[3];
    frame.limbStart(o, a, start);
    frame.toSky(start, point);
    rotateAboutAxis(a, o, kLimbStep, a);
  }
  if (filled) {
    fillSkyArea(sky, kLimbPoints, frame.centre);
  } else {
    moveTo(sky[0]);
    for (int i = 1; i < kLimbPoints; ++i) lineTo(sky[i]);
    strokePath();
  }
  setLineWidth(saved);
}

void CSkyChart::drawDarkSide(CSkyObject* object) {
  CPlanet* body = asBody(object);
  if (body == nullptr) return;
  BodyFrame frame(*this, body);
  double o[3], s[3], helio[3];
  frame.observer(o);
  body->getHeliocentricPosition(helio);
  vectorNormalize(helio);
  for (int k = 0; k < 3; ++k) s[k] = -helio[k];
  matrixTimesVector(frame.m, s);
  double a[3];
  vectorCross(o, s, a);
  vectorNormalize(a);
  if (!(vectorDot(a, a) > 0.5)) return;  // Sun straight ahead or behind: no terminator to draw
  const float black[3] = {0, 0, 0};
  float color[3];
  filterColor(color, black);
  setColor(color[0], color[1], color[2], kShadowAlpha);
  // The terminator, then the dark half of the limb back to its start.
  double sky[kLimbPoints][3];
  for (int i = 0; i < kLimbPoints; ++i) {
    double start[3];
    frame.limbStart(o, a, start);
    frame.toSky(start, sky[i]);
    if (i < kTerminatorPoints)
      rotateAboutAxis(a, s, kLimbStep, a);
    else
      rotateAboutAxis(a, o, -kLimbStep, a);
  }
  fillSkyArea(sky, kLimbPoints, frame.centre);
}

// ---- One body ----

void CSkyChart::drawSolarSystemPoint(CPlanet* body, float x, float y, double magnitude) {
  float rgb[3];
  getSolarSystemObjectColor(body, rgb);
  drawPointForMagnitude(rgb, x, y, magnitude);
}

void CSkyChart::drawPointForMagnitude(const float rgb[3], float x, float y, double magnitude) {
  float color[3];
  filterColor(color, rgb);
  // Of unknown brightness: the faintest drawn.
  if (!std::isfinite(magnitude)) magnitude = starMagLimit;
  if (cgContext == nullptr) {
    addStarSprite(color, static_cast<float>(magnitude), x, y);
    return;
  }
  // The 2-D back end draws no sprites: a disc whose size follows the
  // magnitude, one point at the limit and four at magnitude -2 and
  // brighter.
  double limit = std::max<double>(starMagLimit, 1.0);
  double size = 1 + 3 * (limit - magnitude) / (limit + 2);
  setColor(color[0], color[1], color[2], 1);
  drawCircle(true, x, y, static_cast<float>(std::clamp(size, 1.0, 4.0) * contentScale), 0);
}

namespace {

// Principal moons whose shadows fall on each planet, in drawing order.
struct MoonShadows {
  std::uint32_t planet;
  std::uint32_t moons[9];
};
constexpr MoonShadows kMoonShadows[] = {
    {3, {301}},
    {4, {401, 402}},
    {5, {501, 502, 503, 504}},
    {6, {601, 602, 603, 604, 605, 606, 607, 608, 609}},
    {7, {705, 701, 702, 703, 704}},
    {8, {801, 802}},
    {9, {901}},
};

bool hasRings(const CPlanet& body) {
  return body.getType() == kTypePlanet && (body.getBodyNumber() == 6 || body.getBodyNumber() == 7);
}

}  // namespace

void CSkyChart::drawSolarSystemObject(CSkyObject* object, float x, float y, float r) {
  CPlanet* body = asBody(object);
  if (body == nullptr) return;
  float pt = contentScale;
  float rgb[3], color[3];
  getSolarSystemObjectColor(body, rgb);
  filterColor(color, rgb);
  bool sun = isSun(body);
  if (sun) {
    drawSolarSystemPoint(body, x, y, body->getMagnitude());
    endStarSprites();
    if (showPlanetAtmospheres) drawSunGlare(body, x, y, r, body->getMagnitude());
    if (r < 8 * pt) {
      setColor(color[0], color[1], color[2], 1);
      drawCircle(true, x, y, r, 0);
    }
  }
  if (r < 8 * pt) {
    if (!sun) {
      CPlanet* theSun = database->getSun();
      bool transit = false;
      if (theSun != nullptr && body->getDistance() < theSun->getDistance()) {
        double sum = body->getAngularRadius() + theSun->getAngularRadius();
        transit = body->angularSeparationToObject(*theSun) < sum;
      }
      if (transit) {
        endStarSprites();
        float sky[3];
        filterColor(sky, skyRGB);
        setColor(sky[0], sky[1], sky[2], 1);
        drawCircle(true, x, y, std::max(r, pt), 0);
      } else {
        double half = starMagLimit / 2.0;
        drawSolarSystemPoint(body, x, y, std::min<double>(body->getMagnitude(), half));
      }
    }
    releaseObjectModel(body);
    return;
  }
  if (attachRenderData(body) == nullptr) return;
  endStarSprites();
  bool ringed = hasRings(*body);
  if (modelFileForObject(this, body)[0] != 0) loadObjectModel(body);
  if (ringed) drawRings(body, false);
  if (showPlanetAxes) drawPlanetAxis(body, false);
  if (sun) {
    setColor(color[0], color[1], color[2], 1);
    drawCircle(true, x, y, r, 0);
  } else if (getObjectModel(body) != nullptr) {
    drawObjectModel(body);
  } else if (!(showPlanetSurfaces && drawTexturedGlobe(body))) {
    drawLimb(body, rgb, true);
    if (showPlanetPhases > 0) drawDarkSide(body);
    drawLimb(body, gridRGB, false);
    // The textured globe draws them itself, under its rim.
    if (isEarth(body)) drawEarthOverlays(body);
  }
  if (showPlanetGrids) drawPlanetGrid(body, r);
  if (showPlanetAxes) drawPlanetAxis(body, true);
  bool featureSelected = selectedObject != nullptr && selectedObject->getType() == kTypeFeature;
  if ((showPlanetSurfaceFeatures && r >= 32 * pt) || featureSelected) drawSurfaceFeatures(body, r);
  if (body->getType() == kTypeMoon && !isSpaceView())
    drawMoonEclipse(database->getParentPlanet(body), body, x, y, r);
  if (body->getType() == kTypePlanet) {
    for (const MoonShadows& entry : kMoonShadows) {
      if (entry.planet != body->getBodyNumber()) continue;
      for (std::uint32_t number : entry.moons)
        if (number != 0)
          drawMoonShadowOnPlanet(database->findPlanetByBodyNumber(number), body, x, y, r);
    }
  }
  if (ringed) drawRings(body, true);
  // At the floor of 12 points the Sun and the Moon need no globe of their
  // own size.
  if ((sun || isMoon(body)) && !isSpaceView() && r == 12 * pt) releaseObjectMesh(body);
}

// ---- The layer ----

CPlanet* drawListObject(CSkyChart& chart, const PlanetDistance& record) {
  const SkyObjectID& selected = chart.selectedObjectID;
  if (selected.file == 1 && selected.region == record.region && selected.index == record.index) {
    if (CPlanet* body = asBody(chart.selectedObject)) return body;
  }
  if (record.region != 0) return nullptr;
  return chart.database->getSolarSystemObject(static_cast<int>(record.index));
}

bool CSkyChart::isLeftOutNearGround(const PlanetDistance& record, const CPlanet* body) const {
  if (record.region == 0 && record.index == kEarthIndex && homeObject == nullptr &&
      isObserverNearGround())
    return true;
  return body == homeObject && body->getType() != kTypeSatellite &&
         displayCoordSystem == kCoordHorizon && isObserverNearGround();
}

SolarPlacement CSkyChart::placeSolarSystemObject(CPlanet* body, SolarPlace* place) {
  float pt = contentScale;
  int type = body->getType();
  double d = body->getDistance(), radius = trueRadius(body);
  if (!(d >= radius)) return SolarPlacement::hidden;
  double extent = radius;
  if (type == kTypePlanet && body->getBodyNumber() == 6) extent *= kSaturnExtent;
  if (type == kTypePlanet && body->getBodyNumber() == 7) extent *= kUranusExtent;
  double m = getMagnification(body);
  double v[3];
  body->getPosition(v);
  double extentAngle = angularRadius(extent * m, d);
  double re = projectedRadius(v, extentAngle);
  float r = static_cast<float>(projectedRadius(v, angularRadius(radius * m, d)));
  if (!std::isfinite(r)) r = 0;
  if (!isSpaceView() && isSun(body)) {
    r = std::max(r, 12 * pt);
    re = getSunGlareRadius(r, body->getMagnitude());
  } else if (!isSpaceView() && isMoon(body) && r <= 12 * pt) {
    r = 12 * pt;
    re = r;
  }
  bool exempt = body == selectedObject || body == homeObject;
  if (!exempt) {
    double magnitude = body->getMagnitude();
    // A satellite of unknown brightness is drawn as the faintest.
    bool unknownSatellite = type == kTypeSatellite && !std::isfinite(magnitude);
    if (r < 8 * pt && !unknownSatellite && !(magnitude <= planetMagLimitInUse))
      return SolarPlacement::hidden;
    if (type == kTypeMoon && !isMoonDistinct(body)) return SolarPlacement::hidden;
    if (showNakedEyeOnly && !isNakedEye(body)) return SolarPlacement::passedOver;
  }
  double x = 0, y = 0;
  if (!vectorToScreen(v, &x, &y) || !isPointNearViewport(x, y, re)) return SolarPlacement::hidden;
  if (angleFromDisplayCenter(v) > extentAngle + getDiagonalFOV() / 2) return SolarPlacement::hidden;
  if (type == kTypeSatellite && isSpaceView() && isHiddenBehindParent(body))
    return SolarPlacement::hidden;
  place->x = static_cast<float>(x);
  place->y = static_cast<float>(y);
  place->r = r;
  return SolarPlacement::shown;
}

void CSkyChart::drawSolarSystemObjects() {
  if (database == nullptr || database->getSolarSystemFile() == nullptr) return;
  bool whole = isSolarSystemInView();
  int n = planetDistanceCount;
  if ((!whole && n > 2) || (whole && n < 2) || updateNeeded) buildSolarSystemDrawList(whole);
  float pt = contentScale;
  setLineWidth(pt == 2 ? 1.0f : 1.5f);
  // The layers drawn before leave their own label sizes behind.
  setTextHeight(chartLabelTextHeight);
  // Points gather in one sprite batch; whatever else is drawn (it shares
  // the vertex buffer) ends the batch first.
  buildStarSprites();

  for (int i = 0; i < planetDistanceCount; ++i) {
    const PlanetDistance& record = planetDistances[i];
    CPlanet* body = drawListObject(*this, record);
    if (body == nullptr || isLeftOutNearGround(record, body)) continue;
    if (record.flag != 0) {
      endStarSprites();
      drawOrbitTrack(body, record.flag);
      continue;
    }
    int type = body->getType();
    if (type == kTypeComet && (body->getMagnitude() <= planetMagLimitInUse || body == selectedObject)) {
      endStarSprites();
      drawCometTail(body);
    }

    SolarPlace place{};
    SolarPlacement placement = placeSolarSystemObject(body, &place);
    if (placement == SolarPlacement::shown) {
      drawSolarSystemObject(body, place.x, place.y, place.r);
      drawSolarSystemLabel(body, isHighlighted(1, record.region, static_cast<std::uint16_t>(record.index)),
                           place.x, place.y, place.r);
    }
    if (showEarthMoonShadowCircles) {
      endStarSprites();
      if (type == kTypeMoon && body->getBodyNumber() == 301 && homeObject == nullptr)
        drawEarthMoonShadowCircles(true);
      if (isEarth(body) && homeObject != nullptr) drawEarthMoonShadowCircles(false);
    }
    if (placement == SolarPlacement::hidden) {
      ObjectRenderData* data = getRenderData(body);
      if (data != nullptr) {
        releaseObjectTextures(body);
        releaseTexture(&data->ringTexture);
        releaseObjectMeshes(body);
        releaseObjectModel(body);
      }
    }
  }
  endStarSprites();
}

void CSkyChart::drawSolarSystemLabel(CPlanet* body, bool highlighted, float x, float y, float r) {
  char name[256];
  if (body == selectedObject) {
    getObjectChartName(this, body, name, sizeof name, 0);
    endStarSprites();
    drawObjectMarker(body, name, x, y, r);
    return;
  }
  if (highlighted && showHighlightedObjectLabels) return;
  int type = body->getType();
  bool named = (type == kTypePlanet || type == kTypeMoon) ? showPlanetNames
                                                         : showMinorPlanetNames;
  if (!named) return;
  if (getObjectChartName(this, body, name, sizeof name, 0) <= 0) return;
  float color[3];
  filterColor(color, planetNameRGB);
  setColor(color[0], color[1], color[2], 1);
  // Half the tap radius (16 points) out from the disc.
  drawLabelNear(name, 1, 1, x, y, markerSize / 2 + r);
}
