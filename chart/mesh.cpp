// Mesh grids: allocation, the ellipsoid and ring builders, transformation
// and projection.
#include "chart/mesh.h"

#include <cmath>
#include <cstdlib>

#include "engine/angles.h"
#include "engine/sky_projection.h"

namespace {

constexpr std::int32_t kMaxCount = 65535;

template <typename F>
void forEachVertex(MeshGrid* grid, F&& f) {
  if (grid == nullptr || grid->row == nullptr) return;
  for (std::uint32_t r = 0; r < grid->rows; ++r) {
    TextureVertex* row = grid->row[r];
    for (std::uint32_t c = 0; c < grid->columns; ++c) f(row[c]);
  }
}

}  // namespace

MeshGrid* createMeshGrid(std::int32_t columns, std::int32_t rows) {
  if (columns < 0 || rows < 0 || columns > kMaxCount || rows > kMaxCount) return nullptr;
  auto* grid = static_cast<MeshGrid*>(std::calloc(1, sizeof(MeshGrid)));
  if (grid == nullptr) return nullptr;
  grid->row =
      static_cast<TextureVertex**>(std::calloc(rows == 0 ? 1 : rows, sizeof(TextureVertex*)));
  if (grid->row == nullptr) {
    std::free(grid);
    return nullptr;
  }
  // The counts are set as rows arrive, so that a failure part-way frees
  // exactly what was made.
  grid->columns = static_cast<std::uint16_t>(columns);
  for (std::int32_t r = 0; r < rows; ++r) {
    grid->row[r] =
        static_cast<TextureVertex*>(std::calloc(columns == 0 ? 1 : columns, sizeof(TextureVertex)));
    if (grid->row[r] == nullptr) {
      freeMeshGrid(grid);
      return nullptr;
    }
    grid->rows = static_cast<std::uint16_t>(r + 1);
  }
  return grid;
}

void freeMeshGrid(MeshGrid* grid) {
  if (grid == nullptr) return;
  if (grid->row != nullptr) {
    for (std::uint32_t r = 0; r < grid->rows; ++r) std::free(grid->row[r]);
    std::free(grid->row);
  }
  std::free(grid);
}

MeshGrid* createEllipsoidMesh(std::int32_t segments, const double flattening[3], float radius,
                              float textureScaleU, float textureScaleV) {
  if (segments < -(kMaxCount - 1) || segments > kMaxCount - 1) return nullptr;
  const std::int32_t n = std::abs(segments);
  if (n < 2) return nullptr;
  MeshGrid* grid = createMeshGrid(n + 1, n / 2 + 1);
  if (grid == nullptr) return nullptr;
  const float step = static_cast<float>(kTwoPi) / static_cast<float>(segments);
  const float cosStep = std::cos(step), sinStep = std::sin(step);
  const double sx = (1.0 - flattening[0]) * radius, sy = (1.0 - flattening[1]) * radius,
               sz = (1.0 - flattening[2]) * radius;
  for (std::int32_t j = 0; j < grid->rows; ++j) {
    const float latitude = static_cast<float>(kHalfPi) - std::fabs(step) * static_cast<float>(j);
    const float cosLat = std::cos(latitude), sinLat = std::sin(latitude);
    const float v = static_cast<float>(j) * textureScaleV / static_cast<float>(n / 2);
    // (cos lat cos lon, cos lat sin lon) from longitude pi, turned by one
    // step per column.
    float a = -cosLat, b = 0.0f;
    TextureVertex* row = grid->row[j];
    for (std::int32_t i = 0; i < grid->columns; ++i) {
      TextureVertex& vertex = row[i];
      vertex.x = sx * a;
      vertex.y = sy * b;
      vertex.z = sz * sinLat;
      vertex.u = static_cast<float>(i) * textureScaleU / static_cast<float>(n);
      vertex.v = v;
      const float next = a * cosStep - b * sinStep;
      b = a * sinStep + b * cosStep;
      a = next;
    }
  }
  return grid;
}

MeshGrid* createSpheroidMesh(std::int32_t segments, float radius, double flattening,
                             float textureScaleU, float textureScaleV) {
  const double triple[3] = {0.0, 0.0, flattening};
  return createEllipsoidMesh(segments, triple, radius, textureScaleU, textureScaleV);
}

MeshGrid* createRingMesh(std::int32_t segments, std::int32_t rows, std::int32_t textureWidth,
                         std::int32_t textureHeight, float innerRadius, float outerRadius,
                         float startAngle) {
  if (segments < 1 || segments >= kMaxCount || rows >= kMaxCount) return nullptr;
  MeshGrid* grid = createMeshGrid(segments + 1, rows + 1);
  if (grid == nullptr) return nullptr;
  const float step = static_cast<float>(kTwoPi) / static_cast<float>(segments);
  const float cosStep = std::cos(step), sinStep = std::sin(step);
  for (std::int32_t j = 0; j < grid->rows; ++j) {
    // A single row (m = 0) lies on the inner edge.
    const float fraction = rows > 0 ? static_cast<float>(j) / static_cast<float>(rows) : 0.0f;
    const float rho = innerRadius + (outerRadius - innerRadius) * fraction;
    const float u = rows > 0 ? static_cast<float>(std::int64_t{j} * textureWidth / rows) : 0.0f;
    const float start = startAngle - step * static_cast<float>(j) / static_cast<float>(rows + 1);
    float a = std::cos(start), b = std::sin(start);
    TextureVertex* row = grid->row[j];
    for (std::int32_t i = 0; i < grid->columns; ++i) {
      TextureVertex& vertex = row[i];
      vertex.x = rho * a;
      vertex.y = rho * b;
      vertex.z = 0.0;
      vertex.u = u;
      vertex.v = static_cast<float>(std::int64_t{i} * textureHeight / segments);
      const float next = a * cosStep - b * sinStep;
      b = a * sinStep + b * cosStep;
      a = next;
    }
  }
  return grid;
}

void transformMesh(MeshGrid* grid, const double matrix[9], std::uint32_t flags) {
  const bool transpose = (flags & 1u) != 0;
  double m[9];
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) m[3 * r + c] = transpose ? matrix[3 * c + r] : matrix[3 * r + c];
  }
  forEachVertex(grid, [&](TextureVertex& v) {
    const double x = v.x, y = v.y, z = v.z;
    v.x = m[0] * x + m[1] * y + m[2] * z;
    v.y = m[3] * x + m[4] * y + m[5] * z;
    v.z = m[6] * x + m[7] * y + m[8] * z;
  });
}

void offsetMeshTexCoords(MeshGrid* grid, float du, float dv) {
  forEachVertex(grid, [&](TextureVertex& v) {
    v.u += du;
    v.v += dv;
  });
}

void projectMesh(const CSkyProjection& projection, MeshGrid* grid) {
  forEachVertex(grid, [&](TextureVertex& v) {
    const double direction[3] = {v.x, v.y, v.z};
    double x = 0, y = 0;
    float depth = 0;
    projection.vectorToScreenDepth(direction, &x, &y, &depth);
    v.screenX = static_cast<float>(x);
    v.screenY = static_cast<float>(y);
    v.depth = depth;
  });
}
