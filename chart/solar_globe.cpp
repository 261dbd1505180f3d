// Textured globes: the lit sphere mesh of a body in the sky frame, and its
// surface map (or map tiles) drawn over it with the Earth's city lights on
// the night side and the daylight wash.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "chart/planet_textures.h"
#include "chart/sky_chart.h"
#include "chart/solar_internal.h"
#include "engine/matrices.h"
#include "engine/vectors.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/sky_database.h"

namespace {

constexpr int kGlobeSegments = 128;
// Brightest light a moon gets from its planet's day side, and the Earth
// from the full Moon (0-255).
constexpr double kPlanetshine = 51;
constexpr double kMoonlight = 25;

// Cosine of the angle between the direction from `from` to `to` and the
// sunlight at `from` (heliocentric positions): 1 when `to` shows its full
// day side.
double daySideFacing(const CPlanet& from, const CPlanet& to) {
  double a[3], b[3], towards[3];
  from.getHeliocentricPosition(a);
  to.getHeliocentricPosition(b);
  vectorSubtract(b, a, towards);
  if (!(vectorNormalize(towards) > 0) || !(vectorNormalize(a) > 0)) return 0;
  return vectorDot(towards, a);
}

// The base name a held map's file name carries: after the level folder, up
// to the next "." or "/".
bool fileHasBaseName(const char* name, const char* base) {
  const char* slash = std::strchr(name, '/');
  if (slash == nullptr) return false;
  std::size_t length = std::strcspn(slash + 1, "./");
  return std::strlen(base) == length && std::strncmp(slash + 1, base, length) == 0;
}

// Night-side city lights: (1 - b)^3 of the day brightness b.
std::uint8_t nightLevel(std::uint8_t day) {
  double dark = 1 - day / 255.0;
  return static_cast<std::uint8_t>(std::lround(255 * dark * dark * dark));
}

// Calls f(a, b, c, d) with the corners of every cell of the grid that lies
// in the map part and shows at least one vertex, texture coordinates in
// texels of a texture `width` x `height` holding that part.
template <typename F>
void forEachGlobeCell(const MeshGrid& grid, const GlobeMapPart& part, float width, float height,
                      bool allCells, F&& f) {
  const float tile = static_cast<float>(kTextureTileSize);
  for (int r = 0; r + 1 < grid.rows; ++r) {
    for (int c = 0; c + 1 < grid.columns; ++c) {
      TextureVertex v[4] = {grid.row[r][c], grid.row[r][c + 1], grid.row[r + 1][c + 1],
                            grid.row[r + 1][c]};
      if (!allCells && !(v[0].visible || v[1].visible || v[2].visible || v[3].visible)) continue;
      float du = 0, dv = 0, su = width, sv = height;
      if (part.tiled) {
        float level = static_cast<float>(part.level);
        // The cell's middle says which tile it lies in.
        float mu = (v[0].u + v[2].u) / 2 * level, mv = (v[0].v + v[2].v) / 2 * level / 2;
        if (static_cast<std::uint32_t>(mu / tile) != part.column ||
            static_cast<std::uint32_t>(mv / tile) != part.row)
          continue;
        du = static_cast<float>(part.column) * tile;
        dv = static_cast<float>(part.row) * tile;
        su = level * width / tile;
        sv = level / 2 * height / tile;
      }
      for (TextureVertex& corner : v) {
        corner.u = corner.u * su - du * width / tile;
        corner.v = corner.v * sv - dv * height / tile;
      }
      f(v[0], v[1], v[2], v[3]);
    }
  }
}

}  // namespace

bool CSkyChart::createObjectMesh(CSkyObject* object, int segments) {
  CPlanet* body = asBody(object);
  ObjectRenderData* data = getRenderData(object);
  if (body == nullptr || data == nullptr) return false;
  releaseObjectMesh(object);
  double flattening[3];
  body->getFlattenings(flattening);
  double radius = earthView ? 1.0 : getObjectRadius(body);
  MeshGrid* grid = createEllipsoidMesh(segments, flattening, static_cast<float>(radius), 1, 1);
  if (grid == nullptr) return false;
  data->sphereMesh = grid;

  double m[9], centre[3], sunlight[3];
  body->getOrientationMatrix(m);
  body->getPosition(centre);
  vectorNormalize(centre);
  vectorScale(centre, body->getDistance());
  body->getHeliocentricPosition(sunlight);
  vectorNormalize(sunlight);

  double ambient = std::clamp(1.0 - showPlanetPhases, 0.0, 1.0) * 255;
  if (body->getType() == kTypeMoon) {
    if (const CPlanet* parent = database->getParentPlanet(body))
      ambient = std::max(ambient, kPlanetshine * daySideFacing(*body, *parent));
    ambient *= 1 - daylightFactor();
  } else if (isEarth(body)) {
    if (const CPlanet* moon = database->getMoon())
      ambient = std::max(ambient, kMoonlight * daySideFacing(*body, *moon));
  }

  for (int r = 0; r < grid->rows; ++r) {
    for (int c = 0; c < grid->columns; ++c) {
      TextureVertex& vertex = grid->row[r][c];
      double p[3] = {vertex.x, vertex.y, vertex.z}, normal[3];
      // The ellipsoid's outward normal: each axis divided by its squared
      // scale.
      for (int k = 0; k < 3; ++k) normal[k] = p[k] / ((1 - flattening[k]) * (1 - flattening[k]));
      vectorNormalize(normal);
      transposeTimesVector(m, normal);
      transposeTimesVector(m, p);
      double direction[3];
      vectorAdd(p, centre, direction);
      vectorNormalize(direction);
      bool facing = earthView || vectorDot(direction, normal) < 0;
      double lit = -vectorDot(sunlight, normal);
      double level = 0;
      if (lit > 0) level = earthView ? std::sqrt(std::sqrt(lit)) : std::sqrt(lit);
      level = std::max(255 * level, ambient);
      vertex.x = direction[0];
      vertex.y = direction[1];
      vertex.z = direction[2];
      vertex.visible = facing ? 1 : 0;
      vertex.brightness = static_cast<std::uint8_t>(std::clamp(level, 0.0, 255.0));
    }
  }
  return true;
}

void CSkyChart::releaseObjectMesh(CSkyObject* object) {
  ObjectRenderData* data = getRenderData(object);
  if (data == nullptr) return;
  freeMeshGrid(data->sphereMesh);
  data->sphereMesh = nullptr;
}

bool CSkyChart::ensureObjectMesh(CSkyObject* object, int segments) {
  ObjectRenderData* data = getRenderData(object);
  if (data == nullptr) return false;
  MeshGrid* grid = data->sphereMesh;
  if (grid == nullptr || grid->columns != segments + 1) return createObjectMesh(object, segments);
  return true;
}

namespace {

// The grid's cells of the map part as textured triangles of the style
// (city lights: the night levels); the number that touch the viewport.
int addGlobeTriangles(CSkyChart& chart, const TextureStyle& style, const MeshGrid& grid,
                      const GlobeMapPart& map, bool night) {
  float width = style.texture.width > 0 ? static_cast<float>(style.texture.width) : 1.0f;
  float height = style.texture.height > 0 ? static_cast<float>(style.texture.height) : 1.0f;
  int added = 0;
  forEachGlobeCell(grid, map, width, height, chart.earthView,
                   [&](TextureVertex a, TextureVertex b, TextureVertex c, TextureVertex d) {
                     if (night)
                       for (TextureVertex* v : {&a, &b, &c, &d}) v->brightness = nightLevel(v->brightness);
                     if (chart.addStyledTextureTriangle(style, a, b, c)) ++added;
                     if (chart.addStyledTextureTriangle(style, a, c, d)) ++added;
                   });
  return added;
}

bool tileHasVisibleCells(const CSkyChart& chart, const MeshGrid& grid, const GlobeMapPart& map) {
  bool any = false;
  forEachGlobeCell(grid, map, 1, 1, chart.earthView,
                   [&](const TextureVertex& a, const TextureVertex& b, const TextureVertex& c,
                       const TextureVertex& d) {
                     any = any || chart.isTextureTriangleVisible(a, b, c) ||
                           chart.isTextureTriangleVisible(a, c, d);
                   });
  return any;
}

bool earthNightInUse(const CSkyChart& chart, const CSkyObject* object) {
  const CPlanet* body = asBody(object);
  return body != nullptr && isEarth(body) && chart.showPlanetPhases > 0 &&
         (chart.earthStyle & 1) != 0;
}

}  // namespace

bool CSkyChart::drawGlobeMap(CSkyObject* object, const TextureStyle& base,
                             const GlobeMapPart& part) {
  ObjectRenderData* data = getRenderData(object);
  const MeshGrid& grid = *data->sphereMesh;
  TextureTile* day =
      requestPlanetTexture(object, part.level, part.tiled, part.row, part.column, false);
  if (day == nullptr) return false;
  TextureTile* night = nullptr;
  if (earthNightInUse(*this, object))
    night = requestPlanetTexture(object, part.level, part.tiled, part.row, part.column, true);

  TextureStyle style = base;
  beginTextureTriangles(&style, day->texture);
  if (addGlobeTriangles(*this, style, grid, part, false) == 0) {
    clearTextureTriangles();
    return false;
  }
  flushTextureTrianglesStyled(style);
  if (night != nullptr) {
    TextureStyle lights = base;
    lights.flags |= kTextureVertexColors | kTextureAdditive;
    beginTextureTriangles(&lights, night->texture);
    addGlobeTriangles(*this, lights, grid, part, true);
    flushTextureTrianglesStyled(lights);
  }
  if (daylightFactor() > 0) {
    addGlobeTriangles(*this, style, grid, part, false);
    flushTrianglesAdditiveColor();
  }
  return true;
}

void CSkyChart::releaseStaleGlobeMaps(CSkyObject* object) {
  ObjectRenderData* data = getRenderData(object);
  char base[64], night[64];
  if (data == nullptr || !textureBaseName(object, false, base, sizeof base)) return;
  bool nightInUse = earthNightInUse(*this, object) && textureBaseName(object, true, night, sizeof night);
  for (TextureTile& tile : data->tiles) {
    if (tile.name[0] == 0) continue;
    if (fileHasBaseName(tile.name, base) || (nightInUse && fileHasBaseName(tile.name, night)))
      continue;
    releaseTexture(&tile.texture);
    tile.name[0] = 0;
  }
}

void CSkyChart::releaseGlobeTile(CSkyObject* object, std::uint32_t level, std::uint32_t row,
                                 std::uint32_t column) {
  ObjectRenderData* data = getRenderData(object);
  for (TextureTile& tile : data->tiles)
    if (tile.name[0] != 0 && tile.tiled && tile.level == level && tile.row == row &&
        tile.column == column) {
      releaseTexture(&tile.texture);
      tile.name[0] = 0;
    }
}

bool CSkyChart::drawTexturedGlobe(CSkyObject* object) {
  CPlanet* body = asBody(object);
  ObjectRenderData* data = getRenderData(object);
  // Globes are drawn by GL alone; the 2-D back end draws the flat globe.
  if (body == nullptr || data == nullptr || cgContext != nullptr) return false;
  bool earth = isEarth(body);
  bool halo = earth && showPlanetAtmospheres && !earthView;
  double phase = body->getPhaseAngle();
  if (halo) {
    float grey = static_cast<float>(0.5 - 0.25 * phase / std::numbers::pi);
    const float rgb[3] = {grey, grey, grey};
    drawAtmosphereHalo(body, rgb, 1.03);
  }
  if (!ensureObjectMesh(body, kGlobeSegments)) return false;
  projectMesh(*this, data->sphereMesh);

  TextureStyle style;
  style.flags = showPlanetPhases > 0 ? kTextureVertexColors : 0;
  if (body->getType() == kTypeMoon && isSpaceView() && eclipseFraction(body) == 1.0) {
    style.red = 0.5f;
    style.green = style.blue = 0;
  }
  releaseStaleGlobeMaps(body);

  TextureLevels levels = chooseTextureLevels(body);
  GlobeMapPart whole{false, static_cast<std::uint32_t>(std::max(levels.single, 0)), 0, 0};
  if (levels.single <= 0 || !drawGlobeMap(body, style, whole)) {
    clearTextureTriangles();
    return false;
  }
  if (levels.useTiles && levels.tiled >= 2 * static_cast<int>(kTextureTileSize)) {
    auto level = static_cast<std::uint32_t>(levels.tiled);
    for (TextureTile& tile : data->tiles)
      if (tile.name[0] != 0 && tile.tiled && tile.level != level) {
        releaseTexture(&tile.texture);
        tile.name[0] = 0;
      }
    std::uint32_t columns = level / kTextureTileSize, rows = columns / 2;
    for (std::uint32_t r = 0; r < rows; ++r)
      for (std::uint32_t c = 0; c < columns; ++c) {
        GlobeMapPart tile{true, level, r, c};
        if (tileHasVisibleCells(*this, *data->sphereMesh, tile))
          drawGlobeMap(body, style, tile);
        else
          releaseGlobeTile(body, level, r, c);
      }
  }
  if (earth) drawEarthOverlays(body);
  if (halo) {
    float grey = static_cast<float>(0.75 - 0.5 * phase / std::numbers::pi);
    const float rgb[3] = {grey, grey, grey};
    drawAtmosphereHalo(body, rgb, 0.9);
  }
  return true;
}
