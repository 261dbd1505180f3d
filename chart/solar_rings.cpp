// The rings of Saturn and Uranus: a flat annulus in the planet's equator
// plane, drawn in two passes around the globe (the far part before it, the
// near part after), textured with the ring map or filled flat, and the
// planet's shadow cast on them.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "chart/sky_chart.h"
#include "chart/solar_internal.h"
#include "engine/angles.h"
#include "engine/matrices.h"
#include "engine/vectors.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"

namespace {

constexpr int kRingSegments = 72;
constexpr int kRingRows = 5;
// The ring mesh starts this far before the sub-observer longitude, so that
// its first 24 columns are the 120 degrees on the observer's side.
constexpr double kRingStartBefore = 1.0471975511963334;
constexpr int kNearColumns = 24;

struct RingRadii {
  double inner, outer;  // planet radii
};

// The rings as drawn; none for other bodies.
bool ringRadii(const CPlanet& body, RingRadii* out) {
  if (body.getType() != kTypePlanet) return false;
  if (body.getBodyNumber() == 6) *out = {1.24, 2.33};
  else if (body.getBodyNumber() == 7) *out = {1.62, 1.96};
  else return false;
  return true;
}

// The part that casts a visible shadow: Saturn's map is dark inside 1.5
// and outside 2.29 radii.
RingRadii shadowRadii(const CPlanet& body, bool surfaces) {
  if (body.getBodyNumber() == 7) return {1.62, 1.96};
  return surfaces ? RingRadii{1.5, 2.29} : RingRadii{1.24, 2.33};
}

// Longitude in the body's equator plane of a sky-frame vector.
double bodyLongitude(const double m[9], const double v[3], double* latitude) {
  double b[3];
  vectorCopy(b, v);
  matrixTimesVector(m, b);
  double r = vectorLength(b);
  if (latitude != nullptr) *latitude = r > 0 ? std::asin(b[2] / r) : 0;
  return std::atan2(b[1], b[0]);
}

}  // namespace

bool CSkyChart::drawRings(CSkyObject* object, bool nearPass) {
  CPlanet* body = asBody(object);
  ObjectRenderData* data = getRenderData(object);
  RingRadii radii{};
  if (body == nullptr || data == nullptr || !ringRadii(*body, &radii)) return false;
  // Maps are GL textures: the 2-D back end draws the flat rings.
  bool textured = showPlanetSurfaces && cgContext == nullptr;
  if (textured && !isTextureLoaded(&data->ringTexture)) {
    char path[512];
    const char* name = body->getNameAt(0);
    int n = std::snprintf(path, sizeof path, "%s/SolarSystem/p1024/%s-Rings.png", imageDirectory,
                          name != nullptr ? name : "");
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof path || !loadTextureFile(&data->ringTexture, path))
      return false;
  }
  BodyFrame frame(*this, body);
  if (data->ringMesh == nullptr) {
    double away[3] = {-frame.centre[0], -frame.centre[1], -frame.centre[2]};
    double start = bodyLongitude(frame.m, away, nullptr) - kRingStartBefore;
    MeshGrid* grid = createRingMesh(
        kRingSegments, kRingRows, static_cast<std::int32_t>(data->ringTexture.width),
        static_cast<std::int32_t>(data->ringTexture.height),
        static_cast<float>(radii.inner * frame.radius), static_cast<float>(radii.outer * frame.radius),
        static_cast<float>(start));
    if (grid == nullptr) return false;
    for (int r = 0; r < grid->rows; ++r)
      for (int c = 0; c < grid->columns; ++c) {
        TextureVertex& v = grid->row[r][c];
        double p[3] = {v.x, v.y, v.z}, sky[3];
        frame.pointToSky(p, sky);
        v.x = sky[0], v.y = sky[1], v.z = sky[2];
        v.visible = 1;
        v.brightness = 255;
      }
    data->ringMesh = grid;
    data->ringStartAngle = start;
  }
  const MeshGrid& grid = *data->ringMesh;
  int first = nearPass ? 0 : kNearColumns, last = nearPass ? kNearColumns : kRingSegments;
  double v[3];
  auto at = [&](int r, int c) {
    const TextureVertex& vertex = grid.row[r][c];
    v[0] = vertex.x, v[1] = vertex.y, v[2] = vertex.z;
    return v;
  };
  if (textured) {
    projectMesh(*this, data->ringMesh);
    TextureStyle style;
    style.flags = kTextureAlphaBlend;
    beginTextureTriangles(&style, data->ringTexture);
    for (int r = 0; r + 1 < grid.rows; ++r)
      for (int c = first; c < last; ++c) {
        const TextureVertex &a = grid.row[r][c], &b = grid.row[r][c + 1], &d = grid.row[r + 1][c],
                            &e = grid.row[r + 1][c + 1];
        addStyledTextureTriangle(style, a, b, e);
        addStyledTextureTriangle(style, a, e, d);
      }
    flushTextureTrianglesStyled(style);
  } else {
    float rgb[3], color[3];
    getSolarSystemObjectColor(body, rgb);
    filterColor(color, rgb);
    setColor(color[0], color[1], color[2], 1);
    int outer = grid.rows - 1;
    beginPolygonAtVector(at(0, first));
    for (int c = first + 1; c <= last; ++c) addPolygonVector(at(0, c));
    for (int r = 1; r <= outer; ++r) addPolygonVector(at(r, last));
    for (int c = last - 1; c >= first; --c) addPolygonVector(at(outer, c));
    for (int r = outer - 1; r > 0; --r) addPolygonVector(at(r, first));
    fillPolygon(true);
    float saved = lineWidth;
    setLineWidth(1.0f);
    filterColor(color, gridRGB);
    setColor(color[0], color[1], color[2], 1);
    for (int r : {0, outer}) {
      for (int c = first; c <= last; ++c) {
        if (c == first)
          moveTo(at(r, c));
        else
          lineTo(at(r, c));
      }
      strokePath();
    }
    setLineWidth(saved);
  }
  if (showPlanetPhases > 0) drawRingShadow(body, nearPass);
  return true;
}

void CSkyChart::drawRingShadow(CSkyObject* object, bool nearPass) {
  CPlanet* body = asBody(object);
  ObjectRenderData* data = getRenderData(object);
  if (body == nullptr || data == nullptr || data->ringMesh == nullptr) return;
  double m[9], sunlight[3], beta = 0;
  body->getOrientationMatrix(m);
  body->getHeliocentricPosition(sunlight);
  if (!(vectorNormalize(sunlight) > 0)) return;
  double axis = bodyLongitude(m, sunlight, &beta);
  beta = std::fabs(beta);
  double delta = std::fmod((axis - data->ringStartAngle) * kDegreesPerRadian, 360.0);
  if (delta < 0) delta += 360;
  bool textured = showPlanetSurfaces && cgContext == nullptr;
  RingRadii radii = shadowRadii(*body, textured);
  double R = getObjectRadius(body);
  auto piece = [&](int side) {
    drawRingShadowPiece(body, side, radii.inner * R, radii.outer * R, axis, beta);
  };
  // Each half of the shadow is drawn once: after the globe when no part of
  // it lies behind the globe, else before it (the globe then covers what
  // lies behind it, and a half reaching in front of the globe is always
  // one drawn after it). Drawn in both passes, a translucent half would
  // darken twice where the passes meet; in neither, it would be missing
  // where it shows beside the globe.
  bool afterMinus = delta < 180, afterPlus = !(delta >= 120 && delta <= 300);
  if (afterMinus == nearPass) piece(-1);
  if (afterPlus == nearPass) piece(1);
}

void CSkyChart::drawRingShadowPiece(CPlanet* body, int side, double a, double b, double axis,
                                    double beta) {
  double R = getObjectRadius(body);
  double L = beta < 0.01 ? 100 * R : R / std::tan(beta);
  if (!(L >= a)) return;
  // The shadow's edge in the ring plane: the ellipse of semi-axes L (along
  // the axis) and R (across it).
  auto angle = [&](double rho) {
    double h = R * std::sqrt((L * L - rho * rho) / (L * L - R * R));
    return std::atan2(h, std::sqrt(std::max(rho * rho - h * h, 0.0)));
  };
  bool started = false;
  auto add = [&](double longitude, double radius) {
    double v[3], distance = 0;
    equatorPointPosition(body, longitude, radius, v, &distance);
    if (!started)
      beginPolygonAtVector(v);
    else
      addPolygonVector(v);
    started = true;
  };
  double theta = angle(a);
  int n = std::max(1, static_cast<int>(theta * kDegreesPerRadian / 5));
  for (int k = 0; k <= n; ++k) add(axis + side * theta * k / n, a);
  double end = std::min(L, b);
  for (int j = 0; j <= 20; ++j) {
    double rho = a + j * (end - a) / 20;
    theta = angle(rho);
    add(axis + side * theta, rho);
  }
  if (L > b) {
    n = std::max(1, static_cast<int>(theta * kDegreesPerRadian / 5));
    for (int k = n; k >= 0; --k) add(axis + side * theta * k / n, b);
  }
  add(axis, a);
  const float black[3] = {0, 0, 0};
  float color[3];
  filterColor(color, black);
  setColor(color[0], color[1], color[2],
           showPlanetSurfaces && cgContext == nullptr ? 1.0f : kShadowAlpha);
  fillPolygon(true);
}
