// The realistic horizon: a panorama photograph, or a plain ground, laid on
// a sphere grid about the observer, with the atmosphere's glow above it.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "chart/horizon_panorama.h"
#include "chart/sky_chart.h"
#include "engine/angles.h"
#include "engine/refraction.h"
#include "skydata/app_bridge.h"

namespace {

// Refraction at the horizon for the standard chart atmosphere.
constexpr double kPressureMbar = 1010, kTemperatureC = 10;
// Names in the user's own folder rather than the bundle's.
constexpr char kDocumentsPrefix[] = "${Documents}/";
// The glow spans 45 degrees down to the horizon: rows 9 to 17.
constexpr int kGlowTopRow = 9, kGlowRows = 9;
// The photograph covers the sky down from 75 degrees; the plain ground
// only what lies below the horizon.
constexpr int kPhotographTopRow = 3;

}  // namespace

void CSkyChart::releaseHorizonTextures() {
  releaseTexture(&horizonPanorama);
  releaseTexture(&glareTexture);
  // Whatever was shown loads again when the horizon is next drawn.
  horizonImageChanged = true;
}

bool CSkyChart::loadHorizonPanorama() {
  if (!horizonImageChanged) return false;
  horizonImageChanged = false;
  releaseTexture(&horizonPanorama);
  if (horizonTexture[0] == '\0') return false;
  char path[1024];
  std::size_t prefix = std::strlen(kDocumentsPrefix);
  if (std::strncmp(horizonTexture, kDocumentsPrefix, prefix) == 0) {
    char documents[512];
    if (getDocumentsDirectory(documents, sizeof documents) <= 0) return false;
    std::snprintf(path, sizeof path, "%s/%s", documents, horizonTexture + prefix);
    return loadTextureFile(&horizonPanorama, path);
  }
  std::snprintf(path, sizeof path, "%s/Horizons/%s", imageDirectory, horizonTexture);
  return loadTextureFile(&horizonPanorama, path) ||
         loadTextureFile(&horizonPanorama, horizonTexture);
}

void CSkyChart::computeHorizonGrid() {
  HorizonGrid& grid = *horizonGrid;
  double horizon = refraction != 0 ? -atmosphericRefraction(0, 0, kPressureMbar, kTemperatureC) : 0;
  std::uint64_t width = horizonPanorama.width, height = horizonPanorama.height;
  for (int r = 0; r < kHorizonGridRows; ++r) {
    double altitude = r == kHorizonRow ? horizon : kHalfPi - r * kPi / 36;
    for (int c = 0; c < kHorizonGridColumns; ++c) {
      double azimuth = c * kTwoPi / 72;
      double h[3] = {std::cos(altitude) * std::cos(azimuth), std::cos(altitude) * std::sin(azimuth),
                     std::sin(altitude)};
      TextureVertex& v = grid.vertex[r][c];
      horizonToFundamental(h, &v.x);
      v.u = static_cast<float>(width * c / 72);
      v.v = static_cast<float>(height * r / 36);
    }
  }
  grid.longitude = longitude;
  grid.latitude = latitude;
  grid.julianDate = julianDate;
  grid.computed = true;
}

void CSkyChart::addHorizonCell(const TextureStyle& style, int r, int c, float topU,
                               float bottomU) {
  TextureVertex corner[2][2] = {{horizonGrid->vertex[r][c], horizonGrid->vertex[r][c + 1]},
                                {horizonGrid->vertex[r + 1][c], horizonGrid->vertex[r + 1][c + 1]}};
  if (topU >= 0) {
    corner[0][0].u = corner[0][1].u = topU;
    corner[1][0].u = corner[1][1].u = bottomU;
    corner[0][0].v = corner[0][1].v = corner[1][0].v = corner[1][1].v = 0;
  }
  addStyledTextureTriangle(style, corner[0][0], corner[0][1], corner[1][1]);
  addStyledTextureTriangle(style, corner[1][1], corner[1][0], corner[0][0]);
}

void CSkyChart::drawHorizonPanorama() {
  float b = 0.25f + 0.75f * skyBrightness;
  bool loaded = loadHorizonPanorama();
  if (!horizonGrid) {
    horizonGrid.reset(new (std::nothrow) HorizonGrid);
    if (!horizonGrid) return;
  }
  HorizonGrid& grid = *horizonGrid;
  if (!grid.computed || loaded || updateNeeded || grid.longitude != longitude ||
      grid.latitude != latitude || grid.julianDate != julianDate)
    computeHorizonGrid();
  for (auto& row : grid.vertex)
    for (TextureVertex& v : row) {
      double x, y;
      vectorToScreenDepth(&v.x, &x, &y, &v.depth);
      v.screenX = static_cast<float>(x);
      v.screenY = static_cast<float>(y);
    }

  float glow[3], filtered[3];
  if (showHorizonGlow && getAtmosphereGlowColor(homeObject, glow)) {
    if (!isTextureLoaded(&glareTexture)) {
      const float white[3] = {1, 1, 1};
      makeGlareTexture(white, &glareTexture, 2);
    }
    TextureStyle style;
    style.flags = kTextureAdditive;
    filterColor(filtered, glow);
    style.red = filtered[0];
    style.green = filtered[1];
    style.blue = filtered[2];
    beginTextureTriangles(&style, glareTexture);
    for (int r = kGlowTopRow; r < kGlowTopRow + kGlowRows; ++r) {
      // Brightest at the horizon, gone at 45 degrees.
      float top = static_cast<float>(255 * (r - kGlowTopRow) / kGlowRows + 1);
      float bottom = static_cast<float>(255 * (r - kGlowTopRow + 1) / kGlowRows);
      for (int c = 0; c < kHorizonGridColumns - 1; ++c) addHorizonCell(style, r, c, top, bottom);
    }
    flushTextureTrianglesStyled(style);
  }

  bool photograph = horizonStyle == 4 && isTextureLoaded(&horizonPanorama);
  TextureStyle style;
  style.flags = kTextureAlphaBlend;
  style.red = style.green = style.blue = b;
  beginTextureTriangles(&style, horizonPanorama);
  for (int r = photograph ? kPhotographTopRow : kHorizonRow; r < kHorizonGridRows - 1; ++r)
    for (int c = 0; c < kHorizonGridColumns - 1; ++c) addHorizonCell(style, r, c, -1, -1);
  if (photograph) {
    flushTextureTrianglesStyled(style);
    return;
  }
  float ground[3];
  scaleColor(ground, groundColor, 0.5f + 0.5f * skyBrightness);
  filterColor(filtered, ground);
  setColor(filtered[0], filtered[1], filtered[2], 1);
  flushTrianglesFilled();
}

bool CSkyChart::isHorizonShown() const {
  return displayCoordSystem == kCoordHorizon && isObserverNearGround();
}

void CSkyChart::drawHorizonBehind() {
  if (showHorizon && horizonStyle == 2 && isHorizonShown()) drawHorizonPanorama();
}

void CSkyChart::drawHorizonInFront(bool cameraFrame) {
  // What is labelled from here on is drawn over the ground.
  groundHidesLabels = false;
  if (cameraFrame) {
    // Over the camera's own ground: a black plain ground and the line.
    int style = horizonStyle;
    bool glow = showHorizonGlow;
    float ground[3] = {groundColor[0], groundColor[1], groundColor[2]};
    horizonStyle = 3;
    showHorizonGlow = false;
    setColor3(groundColor, 0, 0, 0);
    drawHorizonPanorama();
    setColor3(groundColor, ground[0], ground[1], ground[2]);
    drawReferenceLine(2);
    horizonStyle = style;
    showHorizonGlow = glow;
    return;
  }
  if (!(showHorizon || showHorizonLine) || !isHorizonShown()) return;
  if (showHorizon && horizonStyle >= 3) drawHorizonPanorama();
  if (horizonStyle <= 3 || showHorizonLine) drawReferenceLine(2);
  if (showHorizonCardinalPoints) drawCompassPoints();
}
