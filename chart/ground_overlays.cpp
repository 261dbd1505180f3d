// What the chart draws on the Earth's globe: the borders of the shown
// countries, the selected satellite's footprint and ground track, the
// user's ground circles, and the observer's "You Are Here".
#include <algorithm>
#include <cmath>

#include "chart/ground_point.h"
#include "chart/sky_chart.h"
#include "chart/solar_internal.h"
#include "chart/world_borders.h"
#include "engine/matrices.h"
#include "engine/vectors.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/satellite.h"

namespace {

// Earth radii per AU, and the squares (in Earth radii) of the slant ranges
// 300, 500 and 1000 km of the footprint's range circles.
constexpr double kEarthRadiiPerAU = 23454.779920164812;
constexpr double kSlantRangesSquared[3] = {0.002212356419344845, 0.0061454344981801265,
                                           0.024581737992720506};
// The footprint circle: 73 points 5 degrees apart close the circle.
constexpr int kCirclePoints = 73;
constexpr double kCircleStep = 0.08726646259969445;

float overlayWidth(float contentScale) { return contentScale > 1 ? 1.0f : 1.5f; }

void setFilteredColor(CSkyChart& chart, float r, float g, float b) {
  const float in[3] = {r, g, b};
  float out[3];
  chart.filterColor(out, in);
  chart.setColor(out[0], out[1], out[2], 1);
}

}  // namespace

void CSkyChart::drawCountryBorders(CPlanet* planet) {
  if (planet == nullptr) return;
  const int rows = std::min(getCountryCount(), 256);
  for (int i = 0; i < rows; ++i)
    if (showCountryBorder[i]) drawCountryBorder(planet, i);
}

void CSkyChart::drawCountryBorder(CPlanet* planet, int country) {
  const CountryRecord* row = getCountryRecord(country);
  if (row == nullptr || planet == nullptr) return;
  setFilteredColor(*this, 1, 1, 0);
  setLineWidth(overlayWidth(contentScale));
  // Thin lines: the borders are the view's longest strokes.
  setSmoothLines(false);
  GroundPen pen(*this, planet);
  const int parts = row->partCount(), vertices = row->vertexCount();
  for (int part = 0; part < parts; ++part) {
    const int end = part + 1 < parts ? row->partStarts[part + 1] : vertices;
    pen.lift();
    for (int k = row->partStarts[part]; k < end; ++k) pen.to(&row->vertices[3 * k]);
    strokePath();
  }
}

void CSkyChart::drawSatelliteFootprint(CPlanet* earth, CSatellite* satellite, const float color[3]) {
  if (earth == nullptr || satellite == nullptr) return;
  double relative[3], orientation[9];
  satellite->getPositionRelativeTo(relative, *earth);
  earth->getOrientationMatrix(orientation);
  matrixTimesVector(orientation, relative);
  const double d = vectorNormalize(relative);
  // A satellite at or below the ground has no horizon.
  if (!(d >= kEarthRadiusAU)) return;
  drawFootprintCircle(earth, relative, std::acos(kEarthRadiusAU / d), color);
  if (!satellite->hasCategoryGroup80()) return;
  const double r = d * kEarthRadiiPerAU;
  for (double s2 : kSlantRangesSquared) {
    const double c = (1 + r * r - s2) / (2 * r);
    if (c > 1 || c < 0) continue;
    drawFootprintCircle(earth, relative, std::acos(c), color);
  }
}

void CSkyChart::drawFootprintCircle(CPlanet* earth, const double centre[3], double angle,
                                    const float color[3]) {
  if (earth == nullptr || !std::isfinite(angle)) return;
  float filtered[3];
  filterColor(filtered, color);
  setColor(filtered[0], filtered[1], filtered[2], 1);
  setLineWidth(1);
  setSmoothLines(false);
  // North of the centre along its meridian (at a pole: towards longitude 0).
  double north[3] = {-centre[2] * centre[0], -centre[2] * centre[1], 1 - centre[2] * centre[2]};
  if (vectorNormalize(north) == 0) north[0] = 1, north[1] = north[2] = 0;
  double point[3];
  for (int k = 0; k < 3; ++k) point[k] = std::cos(angle) * centre[k] + std::sin(angle) * north[k];
  GroundPen pen(*this, earth);
  pen.to(point);
  for (int i = 0; i < kCirclePoints; ++i) {
    rotateAboutAxis(point, centre, kCircleStep, point);
    pen.to(point);
  }
  strokePath();
}

void CSkyChart::drawGroundCircles(CPlanet* earth) {
  static constexpr float kGroundCircleColor[3] = {1, 1, 1};
  for (int i = 0; i < groundCircleCount; ++i) {
    double centre[3];
    vectorCopy(centre, groundCircles[i].centre);
    if (!(vectorNormalize(centre) > 0)) continue;
    drawFootprintCircle(earth, centre, groundCircles[i].radius, kGroundCircleColor);
  }
}

void CSkyChart::drawYouAreHere(CPlanet* planet, const char* text, double lon, double lat) {
  if (planet == nullptr) return;
  double point[3], direction[3], x, y;
  sphericalToVector(point, lon, lat, 1);
  GroundPen pen(*this, planet);
  if (!pen.place(point, direction) || !vectorToScreen(direction, &x, &y)) return;
  if (!isPointInViewport(x, y)) return;
  setFilteredColor(*this, 1, 1, 1);
  setLineWidth(contentScale == 2 ? 1.0f : 1.5f);
  const float fx = static_cast<float>(x), fy = static_cast<float>(y);
  drawPlus(fx, fy, markerSize / 3);
  if (text != nullptr && text[0] != '\0') drawLabelNear(text, 1, 1, fx, fy, markerSize / 6);
}

void CSkyChart::drawEarthOverlays(CPlanet* earth) {
  if (earth == nullptr) return;
  CPlanet* selected = asBody(selectedObject);
  CSatellite* satellite =
      selected != nullptr && selected->getType() == kTypeSatellite ? dynamic_cast<CSatellite*>(selected)
                                                                   : nullptr;
  // Outside the ground view the orbit records of the draw list show the
  // selected orbit; on the map it is the ground track.
  if (earthView && satellite != nullptr && showSelectedObjectOrbit) {
    drawOrbitTrack(satellite, -1);
    drawOrbitTrack(satellite, 1);
  }
  drawCountryBorders(earth);
  drawGroundCircles(earth);
  if (satellite != nullptr && satelliteVisibilityCircles != 0) {
    float rgb[3];
    getSolarSystemObjectColor(satellite, rgb);
    drawSatelliteFootprint(earth, satellite, rgb);
  }
  if (showUserLocationMarker) drawYouAreHere(earth, "You Are Here", longitude, latitude);
}
