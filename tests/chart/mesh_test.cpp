// Mesh grids: the ellipsoid grid against latitudes and longitudes taken in
// double precision, the ring grid's radii, angles and texels, transforms,
// projection and the limits of the counts.
#include "chart/mesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "engine/sky_projection.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;

struct GridDeleter {
  void operator()(MeshGrid* grid) const { freeMeshGrid(grid); }
};
using GridPtr = std::unique_ptr<MeshGrid, GridDeleter>;

TEST(ChartMesh, SeventyTwoSegmentsMakeAGridFromPoleToPoleWithATextureSeam) {
  const double flat[3] = {0, 0, 0};
  GridPtr grid(createEllipsoidMesh(72, flat, 2.0f, 1.0f, 1.0f));
  ASSERT_NE(grid, nullptr);
  ASSERT_EQ(grid->columns, 73);
  ASSERT_EQ(grid->rows, 37);
  for (int c = 0; c < 73; ++c) {
    const TextureVertex& north = grid->row[0][c];
    const TextureVertex& south = grid->row[36][c];
    EXPECT_NEAR(std::hypot(north.x, north.y), 0.0, 2e-6);
    EXPECT_NEAR(north.z, 2.0, 1e-6);
    EXPECT_NEAR(std::hypot(south.x, south.y), 0.0, 2e-6);
    EXPECT_NEAR(south.z, -2.0, 1e-6);
    EXPECT_FLOAT_EQ(north.u, static_cast<float>(c) / 72.0f);
  }
  for (int r = 0; r < 37; ++r) {
    const TextureVertex& first = grid->row[r][0];
    const TextureVertex& last = grid->row[r][72];
    EXPECT_NEAR(first.x, last.x, 2e-5);
    EXPECT_NEAR(first.y, last.y, 2e-5);
    EXPECT_EQ(first.u, 0.0f);
    EXPECT_EQ(last.u, 1.0f);
    EXPECT_FLOAT_EQ(first.v, static_cast<float>(r) / 36.0f);
    EXPECT_EQ(first.visible, 0);
  }
  EXPECT_EQ(grid->row[36][0].v, 1.0f);
}

TEST(ChartMesh, EllipsoidVerticesLieAtTheirLatitudeAndLongitude) {
  // Each axis flattened differently, texture scales 2 and 0.5, and both
  // senses of turning.
  const double flat[3] = {0.1, 0.05, 0.3};
  for (int segments : {24, 128, -36}) {
    SCOPED_TRACE(segments);
    GridPtr grid(createEllipsoidMesh(segments, flat, 3.0f, 2.0f, 0.5f));
    ASSERT_NE(grid, nullptr);
    const int n = std::abs(segments);
    ASSERT_EQ(grid->columns, n + 1);
    ASSERT_EQ(grid->rows, n / 2 + 1);
    const double step = kTwoPi / segments;
    for (int r = 0; r < grid->rows; ++r) {
      const double latitude = kTwoPi / 4 - std::fabs(step) * r;
      for (int c = 0; c < grid->columns; ++c) {
        const double longitude = kTwoPi / 2 + c * step;
        const TextureVertex& v = grid->row[r][c];
        EXPECT_NEAR(v.x, 0.9 * 3 * std::cos(latitude) * std::cos(longitude), 1e-4);
        EXPECT_NEAR(v.y, 0.95 * 3 * std::cos(latitude) * std::sin(longitude), 1e-4);
        EXPECT_NEAR(v.z, 0.7 * 3 * std::sin(latitude), 1e-5);
        EXPECT_NEAR(v.u, 2.0 * c / n, 1e-6);
        EXPECT_NEAR(v.v, 0.5 * r / (n / 2), 1e-6);
      }
    }
  }
  // A spheroid is flattened along z only; full flattening leaves a disc.
  GridPtr disc(createSpheroidMesh(12, 1.0f, 1.0, 1.0f, 1.0f));
  for (int r = 0; r < disc->rows; ++r) {
    for (int c = 0; c < disc->columns; ++c) EXPECT_EQ(disc->row[r][c].z, 0.0);
  }
  EXPECT_NEAR(disc->row[3][0].x, -1.0, 1e-6);  // the equator at longitude pi
}

TEST(ChartMesh, RingRowsWidenOutwardAndTurnBackByAFractionOfAStep) {
  const float inner = 1.24f, outer = 2.33f, start = 0.3f;
  GridPtr ring(createRingMesh(72, 5, 1024, 64, inner, outer, start));
  ASSERT_NE(ring, nullptr);
  ASSERT_EQ(ring->columns, 73);
  ASSERT_EQ(ring->rows, 6);
  const double step = kTwoPi / 72;
  for (int r = 0; r < 6; ++r) {
    for (int c = 0; c < 73; ++c) {
      const TextureVertex& v = ring->row[r][c];
      EXPECT_NEAR(std::hypot(v.x, v.y), inner + (outer - inner) * r / 5.0, 1e-5);
      EXPECT_EQ(v.z, 0.0);
      const double angle = start - step * r / 6.0 + c * step;
      EXPECT_NEAR(std::remainder(std::atan2(v.y, v.x) - angle, kTwoPi), 0.0, 2e-5);
      EXPECT_EQ(v.u, static_cast<float>(r * 1024 / 5));  // whole texels
      EXPECT_EQ(v.v, static_cast<float>(c * 64 / 72));
    }
  }
  EXPECT_EQ(ring->row[0][72].v, 64.0f);
  // One row lies on the inner edge at texel 0.
  GridPtr thin(createRingMesh(8, 0, 100, 8, 2.0f, 3.0f, 0.0f));
  ASSERT_EQ(thin->rows, 1);
  EXPECT_NEAR(std::hypot(thin->row[0][3].x, thin->row[0][3].y), 2.0, 1e-6);
  EXPECT_EQ(thin->row[0][3].u, 0.0f);
}

TEST(ChartMesh, CountsOutsideSixteenBitsOrBelowZeroGiveNoGrid) {
  EXPECT_EQ(createMeshGrid(-1, 4), nullptr);
  EXPECT_EQ(createMeshGrid(4, -1), nullptr);
  EXPECT_EQ(createMeshGrid(65536, 1), nullptr);
  EXPECT_EQ(createMeshGrid(1, 65536), nullptr);
  GridPtr empty(createMeshGrid(0, 0));
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->rows, 0);
  GridPtr wide(createMeshGrid(65535, 2));
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(wide->row[1][65534].brightness, 0);
  const double flat[3] = {0, 0, 0};
  EXPECT_EQ(createEllipsoidMesh(1, flat, 1, 1, 1), nullptr);
  EXPECT_EQ(createEllipsoidMesh(0, flat, 1, 1, 1), nullptr);
  EXPECT_EQ(createEllipsoidMesh(-2147483647 - 1, flat, 1, 1, 1), nullptr);
  EXPECT_EQ(createRingMesh(0, 5, 1, 1, 1, 2, 0), nullptr);
  EXPECT_EQ(createRingMesh(72, -2, 1, 1, 1, 2, 0), nullptr);
  GridPtr unfilled(createRingMesh(72, -1, 1, 1, 1, 2, 0));
  ASSERT_NE(unfilled, nullptr);
  EXPECT_EQ(unfilled->rows, 0);
  // The grid operations pass over empty and missing grids.
  const double identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  transformMesh(nullptr, identity, 0);
  transformMesh(empty.get(), identity, 0);
  offsetMeshTexCoords(nullptr, 1, 1);
  freeMeshGrid(nullptr);
}

TEST(ChartMesh, TransformsTurnPositionsAndOffsetsMoveTexels) {
  GridPtr grid(createMeshGrid(2, 1));
  grid->row[0][0].x = 1;
  grid->row[0][1].y = 2;
  grid->row[0][1].u = 0.25f;
  // A quarter turn about z, row-major: x goes to y.
  const double turn[9] = {0, -1, 0, 1, 0, 0, 0, 0, 1};
  transformMesh(grid.get(), turn, 0);
  EXPECT_EQ(grid->row[0][0].y, 1.0);
  EXPECT_EQ(grid->row[0][1].x, -2.0);
  transformMesh(grid.get(), turn, 1);  // the transpose turns back
  EXPECT_EQ(grid->row[0][0].x, 1.0);
  EXPECT_EQ(grid->row[0][1].y, 2.0);
  offsetMeshTexCoords(grid.get(), 0.5f, -1.0f);
  EXPECT_EQ(grid->row[0][1].u, 0.75f);
  EXPECT_EQ(grid->row[0][0].v, -1.0f);
}

TEST(ChartMesh, ProjectionFillsScreenPointsAndDepths) {
  CSkyProjection projection;
  projection.setViewport(0, 0, 400, 300);
  projection.setDisplayProjection(1);
  projection.setDisplayCenter(0, 0.0, 0.0, 0.0);
  projection.setDisplayFOV(1.0);
  GridPtr grid(createMeshGrid(3, 1));
  const double directions[3][3] = {{1, 0, 0}, {std::cos(0.1), std::sin(0.1), 0}, {0, 0, 1}};
  for (int c = 0; c < 3; ++c) {
    grid->row[0][c].x = directions[c][0];
    grid->row[0][c].y = directions[c][1];
    grid->row[0][c].z = directions[c][2];
  }
  projectMesh(projection, grid.get());
  for (int c = 0; c < 3; ++c) {
    double x = 0, y = 0;
    float depth = 0;
    projection.vectorToScreenDepth(directions[c], &x, &y, &depth);
    EXPECT_EQ(grid->row[0][c].screenX, static_cast<float>(x));
    EXPECT_EQ(grid->row[0][c].screenY, static_cast<float>(y));
    EXPECT_EQ(grid->row[0][c].depth, depth);
  }
  EXPECT_NEAR(grid->row[0][0].screenX, 200.0f, 1e-3);  // the centre of the view
  EXPECT_NEAR(grid->row[0][0].depth, 1.0f, 1e-6);
  EXPECT_NEAR(grid->row[0][2].depth, 0.0f, 1e-6);  // a quarter turn away
}

}  // namespace
