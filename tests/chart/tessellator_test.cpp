// The GLU tessellator as the chart configures it: separate triangles only
// (no fans or strips for the graphics layer to expand), covering exactly
// the non-zero winding region of concave and self-intersecting outlines,
// with intersection points kept for the polygon's life.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "chart/tessellator.h"

namespace {

constexpr unsigned kTriangles = 4;  // GL_TRIANGLES

struct CollectingSink : TessellationSink {
  void begin(unsigned mode) override { modes.push_back(mode); }
  void vertex(const double p[3]) override { vertices.push_back({p[0], p[1]}); }
  void end() override { ++ends; }
  void error(const char* text) override { errors.push_back(text); }
  std::vector<unsigned> modes;
  std::vector<std::array<double, 2>> vertices;
  std::vector<std::string> errors;
  int ends = 0;
};

int windingNumber(const std::vector<std::array<double, 3>>& polygon, double x, double y) {
  int winding = 0;
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    const auto& a = polygon[i];
    const auto& b = polygon[(i + 1) % polygon.size()];
    double cross = (b[0] - a[0]) * (y - a[1]) - (x - a[0]) * (b[1] - a[1]);
    if (a[1] <= y && b[1] > y && cross > 0) ++winding;
    if (a[1] > y && b[1] <= y && cross < 0) --winding;
  }
  return winding;
}

// How many of the triangles contain the point (strictly inside).
int coverage(const std::vector<std::array<double, 2>>& v, double x, double y) {
  int n = 0;
  for (std::size_t t = 0; t + 2 < v.size(); t += 3) {
    double d1 = (x - v[t + 1][0]) * (v[t][1] - v[t + 1][1]) - (v[t][0] - v[t + 1][0]) * (y - v[t + 1][1]);
    double d2 = (x - v[t + 2][0]) * (v[t + 1][1] - v[t + 2][1]) - (v[t + 1][0] - v[t + 2][0]) * (y - v[t + 2][1]);
    double d3 = (x - v[t][0]) * (v[t + 2][1] - v[t][1]) - (v[t + 2][0] - v[t][0]) * (y - v[t][1]);
    bool negative = d1 < 0 || d2 < 0 || d3 < 0, positive = d1 > 0 || d2 > 0 || d3 > 0;
    if (!(negative && positive)) ++n;
  }
  return n;
}

std::vector<std::array<double, 3>> pentagram() {
  std::vector<std::array<double, 3>> p;
  for (int k = 0; k < 5; ++k) {
    double t = -M_PI / 2 + k * 4 * M_PI / 5;
    p.push_back({100 + 90 * std::cos(t), 100 + 90 * std::sin(t), 0});
  }
  return p;
}

std::vector<std::array<double, 3>> loopTwice() {
  std::vector<std::array<double, 3>> p;
  for (int k = 0; k < 40; ++k) {
    double t = k * 4 * M_PI / 40, r = 40 + (k >= 20 ? 15 : 0);
    p.push_back({100 + r * std::cos(t), 100 + r * std::sin(t), 0});
  }
  return p;
}

std::vector<std::array<double, 3>> comb() {
  return {{10, 10, 0},  {190, 10, 0}, {190, 190, 0}, {150, 190, 0}, {150, 60, 0},
          {120, 60, 0}, {120, 190, 0}, {80, 190, 0},  {80, 60, 0},   {10, 60, 0}};
}

TEST(ChartTessellator, FillsExactlyTheNonzeroRegionWithSeparateTriangles) {
  auto tessellator = ChartTessellator::create();
  ASSERT_NE(tessellator, nullptr);
  int index = 0;
  for (const auto& polygon : {pentagram(), loopTwice(), comb()}) {
    CollectingSink sink;
    tessellator->tessellate(polygon.front().data(), static_cast<int>(polygon.size()), sink);
    SCOPED_TRACE(index++);
    EXPECT_TRUE(sink.errors.empty());
    ASSERT_FALSE(sink.modes.empty());
    for (unsigned mode : sink.modes) EXPECT_EQ(mode, kTriangles);
    EXPECT_EQ(sink.ends, static_cast<int>(sink.modes.size()));
    ASSERT_EQ(sink.vertices.size() % 3, 0u);
    int checked = 0;
    for (double y = 0.25; y < 200; y += 1.5)
      for (double x = 0.35; x < 200; x += 1.5) {
        int winding = windingNumber(polygon, x, y);
        int covered = coverage(sink.vertices, x, y);
        // Points on a triangle edge may count twice; away from the outline
        // every point is covered once inside and never outside.
        if (winding != 0)
          EXPECT_GE(covered, 1) << x << "," << y;
        else
          EXPECT_EQ(covered, 0) << x << "," << y;
        ++checked;
      }
    EXPECT_GT(checked, 10000);
  }
}

TEST(ChartTessellator, IntersectionsGetPointsOfTheirOwnForThePolygonsLife) {
  auto tessellator = ChartTessellator::create();
  // A zigzag crossing itself at almost every segment.
  std::vector<std::array<double, 3>> zigzag;
  for (int k = 0; k < 200; ++k)
    zigzag.push_back({static_cast<double>(k % 2 ? 200 : 0), k * 1.0 + (k % 2 ? 50 : 0), 0});
  CollectingSink sink;
  tessellator->tessellate(zigzag.front().data(), static_cast<int>(zigzag.size()), sink);
  EXPECT_TRUE(sink.errors.empty());
  // More than the 56 places a 256-point polygon buffer would have left.
  EXPECT_GT(tessellator->combinedPointCount(), 150u);
  for (const auto& v : sink.vertices) {
    EXPECT_TRUE(std::isfinite(v[0]) && std::isfinite(v[1]));
    EXPECT_GE(v[0], 0);
    EXPECT_LE(v[0], 200);
  }
  // The store is reused by the next polygon.
  CollectingSink again;
  auto star = pentagram();
  tessellator->tessellate(star.front().data(), 5, again);
  EXPECT_EQ(tessellator->combinedPointCount(), 5u);
}

}  // namespace
