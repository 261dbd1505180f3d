// The solar-system layer of a frame: which bodies of the draw list are
// drawn and how large, their colours, their labels, and the flat globe
// (limb disc and dark side) of a body large enough to show one.
#include <algorithm>
#include <cmath>

#include "chart/object_chart_name.h"
#include "chart/sky_chart.h"
#include "chart/solar_internal.h"
#include "engine/body_geometry.h"
#include "engine/sky_coordinates.h"
#include "engine/vectors.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/sky_database.h"

namespace {

// Room the rings take beyond the globe, in globe radii.
constexpr double kSaturnExtent = 2.33;
constexpr double kUranusExtent = 1.96;
// Limb points: every 5 degrees, the last repeating the first.
constexpr double kLimbStep = 0.08726646259969445;
constexpr int kLimbPoints = 73;
constexpr float kDarkSideAlpha = 0.6600000262260437f;
// The faintest magnitude still seen by eye.
constexpr double kNakedEyeMagnitude = 6.5;
// The Earth's index in the solar-system file.
constexpr std::uint32_t kEarthIndex = 3;

void normalise(double v[3]) {
  double n = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (n > 0)
    for (int k = 0; k < 3; ++k) v[k] /= n;
}

void cross(const double a[3], const double b[3], double out[3]) {
  double c[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
  for (int k = 0; k < 3; ++k) out[k] = c[k];
}

double dot(const double a[3], const double b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// M v and its transpose.
void turn(const double m[9], const double v[3], double out[3]) {
  double r[3];
  for (int i = 0; i < 3; ++i) r[i] = m[3 * i] * v[0] + m[3 * i + 1] * v[1] + m[3 * i + 2] * v[2];
  for (int i = 0; i < 3; ++i) out[i] = r[i];
}

void turnBack(const double m[9], const double v[3], double out[3]) {
  double r[3];
  for (int i = 0; i < 3; ++i) r[i] = m[i] * v[0] + m[3 + i] * v[1] + m[6 + i] * v[2];
  for (int i = 0; i < 3; ++i) out[i] = r[i];
}

bool isNakedEye(const CPlanet* body) {
  if (isSun(body) || isMoon(body)) return true;
  if (body->getType() == kTypePlanet && body->getBodyNumber() < 7) return true;
  return body->getMagnitude() < kNakedEyeMagnitude;
}

// The body-fixed frame of one body as the chart draws it: its orientation,
// flattening, magnified radius and place.
struct BodyFrame {
  double m[9];
  double flattening[3];
  double radius;     // AU, magnified
  double distance;   // AU
  double centre[3];  // unit direction from the observer
  double tangent;    // angle of the limb points from the observer's direction

  BodyFrame(const CSkyChart& chart, CPlanet* body) {
    body->getOrientationMatrix(m);
    body->getFlattenings(flattening);
    radius = chart.getObjectRadius(body);
    distance = body->getDistance();
    body->getPosition(centre);
    normalise(centre);
    tangent = radius > distance ? 0 : std::acos(radius / distance);
  }

  // The observer's direction in body axes.
  void observer(double out[3]) const {
    double minus[3] = {-centre[0], -centre[1], -centre[2]};
    turn(m, minus, out);
  }

  // A body-fixed unit direction pulled onto the limb when it lies behind
  // it (farther than the tangent angle from the observer's direction o).
  void limbStart(const double o[3], const double a[3], double out[3]) const {
    double c = std::clamp(dot(o, a), -1.0, 1.0);
    if (!(tangent < std::acos(c))) {
      for (int k = 0; k < 3; ++k) out[k] = a[k];
      return;
    }
    double across[3];
    for (int k = 0; k < 3; ++k) across[k] = a[k] - c * o[k];
    normalise(across);
    double ct = std::cos(tangent), st = std::sin(tangent);
    for (int k = 0; k < 3; ++k) out[k] = ct * o[k] + st * across[k];
  }

  // The sky direction of a body-fixed unit vector on the ellipsoid.
  void toSky(const double v[3], double out[3]) const {
    double scaled[3];
    for (int k = 0; k < 3; ++k) scaled[k] = v[k] * radius * (1 - flattening[k]);
    turnBack(m, scaled, out);
    for (int k = 0; k < 3; ++k) out[k] += centre[k] * distance;
    normalise(out);
  }
};

}  // namespace

void rotateAboutAxis(const double v[3], const double axis[3], double angle, double out[3]) {
  double c = std::cos(angle), s = std::sin(angle), d = dot(axis, v), x[3];
  cross(axis, v, x);
  for (int k = 0; k < 3; ++k) out[k] = v[k] * c + x[k] * s + axis[k] * d * (1 - c);
}

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
  double shuffled[3] = {o[1], o[2], o[0]};
  cross(o, shuffled, a);
  normalise(a);
  float saved = lineWidth;
  setLineWidth(1.0f);
  float color[3];
  filterColor(color, rgb);
  setColor(color[0], color[1], color[2], 1);
  for (int i = 0; i < kLimbPoints; ++i) {
    double start[3], sky[3];
    frame.limbStart(o, a, start);
    frame.toSky(start, sky);
    if (filled) {
      if (i == 0)
        beginPolygonAtVector(sky);
      else
        addPolygonVector(sky);
    } else if (i == 0) {
      moveTo(sky);
    } else {
      lineTo(sky);
    }
    rotateAboutAxis(a, o, kLimbStep, a);
  }
  if (filled)
    fillPolygon(true);
  else
    strokePath();
  setLineWidth(saved);
}

void CSkyChart::drawDarkSide(CSkyObject* object) {
  CPlanet* body = asBody(object);
  if (body == nullptr) return;
  BodyFrame frame(*this, body);
  double o[3], s[3], helio[3];
  frame.observer(o);
  body->getHeliocentricPosition(helio);
  normalise(helio);
  double towardsSun[3] = {-helio[0], -helio[1], -helio[2]};
  turn(frame.m, towardsSun, s);
  double a[3];
  cross(o, s, a);
  normalise(a);
  if (!(dot(a, a) > 0.5)) return;  // Sun straight ahead or behind: no terminator to draw
  const float black[3] = {0, 0, 0};
  float color[3];
  filterColor(color, black);
  setColor(color[0], color[1], color[2], kDarkSideAlpha);
  auto add = [&](int i) {
    double start[3], sky[3];
    frame.limbStart(o, a, start);
    frame.toSky(start, sky);
    if (i == 0)
      beginPolygonAtVector(sky);
    else
      addPolygonVector(sky);
  };
  int i = 0;
  // The terminator, then the dark half of the limb back to its start.
  for (int k = 0; k < 36; ++k, ++i) {
    add(i);
    rotateAboutAxis(a, s, kLimbStep, a);
  }
  for (int k = 0; k < 37; ++k, ++i) {
    add(i);
    rotateAboutAxis(a, o, -kLimbStep, a);
  }
  fillPolygon(true);
}

// ---- One body ----

void CSkyChart::drawSolarSystemPoint(CPlanet* body, float x, float y, double magnitude) {
  // A disc whose size follows the magnitude, one point at the limit and
  // four at magnitude -2 and brighter.
  double limit = std::max<double>(starMagLimit, 1.0);
  double size = std::isfinite(magnitude) ? 1 + 3 * (limit - magnitude) / (limit + 2) : 1;
  float rgb[3], color[3];
  getSolarSystemObjectColor(body, rgb);
  filterColor(color, rgb);
  setColor(color[0], color[1], color[2], 1);
  drawCircle(true, x, y, static_cast<float>(std::clamp(size, 1.0, 4.0) * contentScale), 0);
}

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
        float sky[3];
        filterColor(sky, skyRGB);
        setColor(sky[0], sky[1], sky[2], 1);
        drawCircle(true, x, y, std::max(r, pt), 0);
      } else {
        double half = starMagLimit / 2.0;
        drawSolarSystemPoint(body, x, y, std::min<double>(body->getMagnitude(), half));
      }
    }
    return;
  }
  if (attachRenderData(body) == nullptr) return;
  if (sun) {
    setColor(color[0], color[1], color[2], 1);
    drawCircle(true, x, y, r, 0);
    return;
  }
  drawLimb(body, rgb, true);
  if (showPlanetPhases > 0) drawDarkSide(body);
  drawLimb(body, gridRGB, false);
}

// ---- The layer ----

namespace {

// The object of a record: the selected object for its own region, else
// the top region's object.
CPlanet* recordObject(CSkyChart& chart, const PlanetDistance& record) {
  const SkyObjectID& selected = chart.selectedObjectID;
  if (selected.file == 1 && selected.region == record.region && selected.index == record.index) {
    if (CPlanet* body = asBody(chart.selectedObject)) return body;
  }
  if (record.region != 0) return nullptr;
  return chart.database->getSolarSystemObject(static_cast<int>(record.index));
}

}  // namespace

void CSkyChart::drawSolarSystemObjects() {
  if (database == nullptr || database->getSolarSystemFile() == nullptr) return;
  installPendingSolarSystemData();
  bool whole = isSolarSystemInView();
  int n = planetDistanceCount;
  if ((!whole && n > 2) || (whole && n < 2) || updateNeeded) buildSolarSystemDrawList(whole);
  float pt = contentScale;
  setLineWidth(pt == 2 ? 1.0f : 1.5f);

  for (int i = 0; i < planetDistanceCount; ++i) {
    const PlanetDistance& record = planetDistances[i];
    CPlanet* body = recordObject(*this, record);
    if (body == nullptr) continue;
    int type = body->getType();
    if (record.region == 0 && record.index == kEarthIndex && homeObject == nullptr &&
        isObserverNearGround())
      continue;
    if (body == homeObject && type != kTypeSatellite && displayCoordSystem == kCoordHorizon &&
        isObserverNearGround())
      continue;
    if (record.flag != 0) {
      drawOrbitTrack(body, record.flag);
      continue;
    }
    // Comet tails are drawn by their own layer.

    bool drawn = false;
    bool keepData = false;
    double d = body->getDistance(), radius = trueRadius(body);
    double x = 0, y = 0;
    float r = 0;
    do {
      if (!(d >= radius)) break;
      double extent = radius;
      if (type == kTypePlanet && body->getBodyNumber() == 6) extent *= kSaturnExtent;
      if (type == kTypePlanet && body->getBodyNumber() == 7) extent *= kUranusExtent;
      double m = getMagnification(body);
      double v[3];
      body->getPosition(v);
      double extentAngle = angularRadius(extent * m, d);
      double re = projectedRadius(v, extentAngle);
      r = static_cast<float>(projectedRadius(v, angularRadius(radius * m, d)));
      if (!std::isfinite(r)) r = 0;
      if (!isSpaceView() && isSun(body)) {
        r = std::max(r, 12 * pt);
        re = std::max<double>(re, r);
      } else if (!isSpaceView() && isMoon(body) && r <= 12 * pt) {
        r = 12 * pt;
        re = r;
      }
      bool exempt = body == selectedObject || body == homeObject;
      if (!exempt) {
        double magnitude = body->getMagnitude();
        // A satellite of unknown brightness is drawn as the faintest.
        bool unknownSatellite = type == kTypeSatellite && !std::isfinite(magnitude);
        if (r < 8 * pt && !unknownSatellite && !(magnitude <= planetMagLimitInUse)) break;
        if (type == kTypeMoon && !isMoonDistinct(body)) break;
        if (showNakedEyeOnly && !isNakedEye(body)) {
          keepData = true;
          break;
        }
      }
      if (!vectorToScreen(v, &x, &y) || !isPointNearViewport(x, y, re)) break;
      if (angleFromDisplayCenter(v) > extentAngle + getDiagonalFOV() / 2) break;
      if (type == kTypeSatellite && isSpaceView() && isHiddenBehindParent(body)) break;
      drawSolarSystemObject(body, static_cast<float>(x), static_cast<float>(y), r);
      drawn = true;
    } while (false);

    if (drawn) {
      drawSolarSystemLabel(body, static_cast<float>(x), static_cast<float>(y), r);
    } else if (!keepData) {
      ObjectRenderData* data = getRenderData(body);
      if (data != nullptr) {
        releaseObjectTextures(body);
        releaseTexture(&data->ringTexture);
        releaseObjectMeshes(body);
      }
    }
  }
}

void CSkyChart::drawSolarSystemLabel(CPlanet* body, float x, float y, float r) {
  char name[256];
  if (body == selectedObject) {
    getObjectChartName(this, body, name, sizeof name, 0);
    drawObjectMarker(body, name, x, y, r);
    return;
  }
  int type = body->getType();
  if (showHighlightedObjectLabels && highlightCount > 0) {
    // The highlighted layer labels its own objects.
    for (int i = 0, n = database->getSolarSystemObjectCount(); i < n; ++i) {
      if (database->getSolarSystemObject(i) != body) continue;
      if (isHighlighted(1, 0, static_cast<std::uint16_t>(i))) return;
      break;
    }
  }
  bool named = (type == kTypePlanet || type == kTypeMoon) ? showPlanetNames
                                                         : showMinorPlanetNames;
  if (!named) return;
  if (getObjectChartName(this, body, name, sizeof name, 0) <= 0) return;
  float color[3];
  filterColor(color, planetNameRGB);
  setColor(color[0], color[1], color[2], 1);
  drawLabelNear(name, 1, 1, x, y, markerSize / 4 + r);
}
