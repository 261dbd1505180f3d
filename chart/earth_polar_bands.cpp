// The caps of the Earth's map above 85 degrees of latitude in the
// equirectangular ground view, which the globe's mesh leaves to the map's
// edge rows.
#include <algorithm>
#include <cmath>

#include "chart/mesh.h"
#include "chart/sky_chart.h"
#include "chart/texture_triangles.h"
#include "engine/angles.h"
#include "engine/vectors.h"
#include "skydata/planet.h"

namespace {

constexpr double kLatitude85 = 1.4835298641948056;
constexpr int kColumns = 73;
constexpr std::uint32_t kLargestBandTexture = 4096;

}  // namespace

void CSkyChart::drawEarthPolarBands(CPlanet* earth) {
  if (cgContext != nullptr || earth == nullptr || !(scaleY > 0)) return;
  const double cy = viewportCenterY;
  if (cy - kLatitude85 / scaleY < viewportTop) return;
  const int best = bestTextureLevel(earth);
  if (best < 0) return;
  const auto level = std::min(static_cast<std::uint32_t>(best), kLargestBandTexture);
  TextureTile* map = requestPlanetTexture(earth, level, false, 0, 0, false);
  if (map == nullptr || !isTextureLoaded(&map->texture)) return;
  const double eu = static_cast<double>(map->texture.width);
  const double ev = static_cast<double>(map->texture.height);

  double sun[3];
  earth->getHeliocentricPosition(sun);
  vectorScale(sun, -1);
  vectorNormalize(sun);
  const double night = 1 - showPlanetPhases;
  const double rows[4] = {cy - kHalfPi / scaleY + 0.5, cy - kLatitude85 / scaleY + 0.5,
                          cy + kLatitude85 / scaleY - 0.5, cy + kHalfPi / scaleY - 0.5};
  TextureVertex grid[4][kColumns] = {};
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < kColumns; ++c) {
      TextureVertex& vertex = grid[r][c];
      const double x = viewportLeft + viewportWidth * c / (kColumns - 1.0);
      double direction[3], equatorial[3], lon, lat, length;
      vertex.screenX = static_cast<float>(x);
      vertex.screenY = static_cast<float>(rows[r]);
      vertex.depth = 1;
      vertex.visible = screenToVector(direction, x, rows[r]);
      if (!vertex.visible) continue;
      fundamentalToEquatorial(direction, equatorial);
      vectorToSpherical(equatorial, &lon, &lat, &length);
      const double lambda = normalizeRadiansSigned(lon - greenwichSiderealTime);
      vertex.u = static_cast<float>((lambda + kPi) * eu / kTwoPi);
      vertex.v = static_cast<float>((kHalfPi - lat) * ev / kPi);
      const double daylight = std::max(vectorDot(direction, sun), 0.0);
      const double level = std::clamp(std::max(std::sqrt(std::sqrt(daylight)), night), 0.0, 1.0);
      vertex.brightness = static_cast<std::uint8_t>(255 * level);
    }
  }
  TextureStyle style;
  style.flags = kTextureVertexColors;
  beginTextureTriangles(&style, map->texture);
  for (int r : {0, 2}) {
    for (int c = 0; c + 1 < kColumns; ++c) {
      const TextureVertex &a = grid[r][c], &b = grid[r][c + 1];
      const TextureVertex &d = grid[r + 1][c], &e = grid[r + 1][c + 1];
      if (!(a.visible && b.visible && d.visible && e.visible)) continue;
      // The map's seam at longitude 180 runs through this column: its
      // texture would be stretched across the whole map.
      if (std::fabs(a.u - b.u) > eu / 2 || std::fabs(d.u - e.u) > eu / 2) continue;
      addStyledTextureTriangle(style, a, b, e);
      addStyledTextureTriangle(style, a, e, d);
    }
  }
  flushTextureTrianglesStyled(style);
}
