// Vertex grids (columns by rows) for globes, planetary rings, the Milky
// Way sphere, the ground view's Earth and constellation pictures: built
// empty, on an ellipsoid or as a flat ring, transformed and projected.
// Callers turn neighbouring cells into textured triangles.
//
// Thread rules: a grid belongs to its caller; nothing here is shared.
#pragma once

#include <cstdint>

class CSkyProjection;

// One vertex of a grid, and of every textured sky triangle: the visible
// flag (set by callers when the vertex faces the observer) and its grey
// level, the position (body-fixed km or AU, or a unit sky direction once a
// caller has made it one), the projected screen point with depth, and the
// texture coordinates (0 to 1 on globes, texels on rings).
struct TextureVertex {
  std::uint8_t visible;
  std::uint8_t brightness;
  double x, y, z;
  float screenX, screenY, depth;
  float u, v;
};

// Rows are separate zeroed blocks; `row[r][c]` is column c of row r.
struct MeshGrid {
  std::uint16_t columns;
  std::uint16_t rows;
  TextureVertex** row;
};

// A zeroed grid; null when a count is negative or over 65535, or memory is
// short (nothing leaks).
MeshGrid* createMeshGrid(std::int32_t columns, std::int32_t rows);
void freeMeshGrid(MeshGrid* grid);  // null is ignored

// A latitude/longitude grid of |n| + 1 columns and |n| / 2 + 1 rows on the
// ellipsoid of `radius` with the per-axis flattenings; row 0 is the north
// pole (+z), column 0 longitude pi; u runs 0 to scaleU along a row, v 0 to
// scaleV down the columns. Null for |n| < 2 or over the grid limits.
MeshGrid* createEllipsoidMesh(std::int32_t segments, const double flattening[3], float radius,
                              float textureScaleU, float textureScaleV);
// The same flattened along z only.
MeshGrid* createSpheroidMesh(std::int32_t segments, float radius, double flattening,
                             float textureScaleU, float textureScaleV);

// A flat annulus in z = 0: n + 1 columns round from `startAngle`, m + 1
// rows from the inner to the outer radius, each row turned back by a
// fraction of a step; u = row * textureWidth / m and v = column *
// textureHeight / n in whole texels. Null for n < 1; m = -1 gives an
// empty grid.
MeshGrid* createRingMesh(std::int32_t segments, std::int32_t rows, std::int32_t textureWidth,
                         std::int32_t textureHeight, float innerRadius, float outerRadius,
                         float startAngle);

// Every position multiplied by the row-major 3x3 matrix (its transpose
// with bit 0 of `flags`).
void transformMesh(MeshGrid* grid, const double matrix[9], std::uint32_t flags);
void offsetMeshTexCoords(MeshGrid* grid, float du, float dv);

// Every position projected into its screen point and depth.
void projectMesh(const CSkyProjection& projection, MeshGrid* grid);
