// Lines over a body's disc: its latitude/longitude grid and the stubs of
// its rotation axis.
#include "chart/sky_chart.h"
#include "chart/solar_internal.h"
#include "skydata/planet.h"

namespace {

// The grid's segment counts: coarse on a small disc, fine on a large one.
constexpr int kCoarseGridSegments = 24;
constexpr int kFineGridSegments = 72;
constexpr float kFineGridRadius = 32;  // points
// The axis stubs reach this far out, in body radii, and their width.
constexpr double kAxisLength = 1.4;
constexpr float kAxisWidth = 1.5f;  // points

// One line of grid vertices, the pen lifted over those facing away.
template <typename Vertex>
void strokeVisible(CSkyChart& chart, int count, Vertex&& vertex) {
  bool down = false;
  for (int i = 0; i < count; ++i) {
    const TextureVertex& v = vertex(i);
    if (!v.visible) {
      down = false;
      continue;
    }
    const double direction[3] = {v.x, v.y, v.z};
    if (down)
      chart.lineTo(direction);
    else
      chart.moveTo(direction);
    down = true;
  }
  chart.strokePath();
}

}  // namespace

void CSkyChart::drawPlanetGrid(CSkyObject* object, float r) {
  int segments = r < kFineGridRadius * contentScale ? kCoarseGridSegments : kFineGridSegments;
  if (!ensureObjectMesh(object, segments)) return;
  const MeshGrid& grid = *getRenderData(object)->sphereMesh;
  int every = segments == kCoarseGridSegments ? 3 : 6;
  float saved = lineWidth;
  setLineWidth(1.0f);
  const float red[3] = {1, 0, 0};
  float equator[3], other[3];
  filterColor(equator, red);
  filterColor(other, gridRGB);
  auto pen = [&](bool middle) {
    const float* c = middle ? equator : other;
    setColor(c[0], c[1], c[2], 1);
  };
  int rows = grid.rows, columns = grid.columns;
  for (int c = 0; c < columns; c += every) {
    pen(c == columns / 2);
    strokeVisible(*this, rows, [&](int i) -> const TextureVertex& { return grid.row[rows - 1 - i][c]; });
  }
  for (int row = 0; row < rows; row += every) {
    pen(row == rows / 2);
    strokeVisible(*this, columns, [&](int i) -> const TextureVertex& { return grid.row[row][i]; });
  }
  setLineWidth(saved);
}

void CSkyChart::drawPlanetAxis(CSkyObject* object, bool nearPass) {
  CPlanet* body = asBody(object);
  if (body == nullptr) return;
  double radius = getObjectRadius(body);
  float saved = lineWidth;
  setLineWidth(kAxisWidth);
  for (int pole = -1; pole <= 1; pole += 2) {
    const double surface[3] = {0, 0, static_cast<double>(pole)};
    const double outside[3] = {0, 0, pole * kAxisLength};
    double from[3], to[3], distance = 0;
    if (surfacePointPosition(body, surface, true, from, &distance, radius) != nearPass) continue;
    surfacePointPosition(body, outside, false, to, &distance, radius);
    const float grey[3] = {0.5f, 0.5f, 0.5f}, white[3] = {1, 1, 1};
    float color[3];
    filterColor(color, pole < 0 ? grey : white);
    setColor(color[0], color[1], color[2], 1);
    moveTo(from);
    lineTo(to);
    strokePath();
  }
  setLineWidth(saved);
}

void CSkyChart::drawAtmosphereHalo(CSkyObject* object, const float rgb[3], double scale) {
  CPlanet* body = asBody(object);
  if (body == nullptr || cgContext != nullptr) return;
  BodyFrame frame(*this, body);
  double o[3], a[3];
  frame.observer(o);
  BodyFrame::limbAxis(o, a);
  // The rim is brightest at the limb and fades towards the second ring.
  TextureVertex rim[2][kLimbPoints] = {};
  for (int i = 0; i < kLimbPoints; ++i) {
    double start[3], sky[3];
    frame.limbStart(o, a, start);
    for (int ring = 0; ring < 2; ++ring) {
      frame.toSky(start, sky, ring == 0 ? 1.0 : scale);
      TextureVertex& v = rim[ring][i];
      double x = 0, y = 0;
      float depth = 0;
      vectorToScreenDepth(sky, &x, &y, &depth);
      v.screenX = static_cast<float>(x);
      v.screenY = static_cast<float>(y);
      v.depth = depth;
      v.visible = 1;
      v.brightness = 255;
      v.u = ring == 0 ? 255.0f : 1.0f;
    }
    rotateAboutAxis(a, o, kLimbStep, a);
  }
  TextureStyle style;
  style.flags = kTextureAdditive;
  float color[3];
  filterColor(color, rgb);
  style.red = color[0], style.green = color[1], style.blue = color[2];
  beginTextureTriangles(&style, solarGlareTexture());
  for (int i = 0; i + 1 < kLimbPoints; ++i) {
    addStyledTextureTriangle(style, rim[0][i], rim[0][i + 1], rim[1][i + 1]);
    addStyledTextureTriangle(style, rim[0][i], rim[1][i + 1], rim[1][i]);
  }
  flushTextureTrianglesStyled(style);
}
