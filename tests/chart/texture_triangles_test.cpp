// The textured-triangle buffer: its capacity and colours, the split of
// triangles across the seam of the horizontally wrapping projections
// (checked against longitudes unwrapped by the test's own projection), and
// images prepared for upload (grey under a colour filter, scaled to the
// texture limit).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "chart/image_files.h"
#include "chart/texture_triangles.h"
#include "tests/chart/chart_canvas.h"

namespace {

using chart_test::ChartOnEmptySky;
using chart_test::TestView;

constexpr double kDegree = 0.017453292519943295;

void unitVector(double lonDeg, double latDeg, double v[3]) {
  double lon = lonDeg * kDegree, lat = latDeg * kDegree;
  v[0] = std::cos(lat) * std::cos(lon);
  v[1] = std::cos(lat) * std::sin(lon);
  v[2] = std::sin(lat);
}

// A sky vertex as the chart's callers fill one.
TextureVertex skyVertex(const CSkyChart& chart, double lonDeg, double latDeg,
                        std::uint8_t grey = 255, float u = 0, float v = 0) {
  TextureVertex t{};
  unitVector(lonDeg, latDeg, &t.x);
  double x, y;
  chart.vectorToScreenDepth(&t.x, &x, &y, &t.depth);
  t.screenX = static_cast<float>(x);
  t.screenY = static_cast<float>(y);
  t.brightness = grey;
  t.u = u;
  t.v = v;
  return t;
}

// Screen x of a display longitude the test's projection would give if the
// screen went on past its seam (equirectangular: linear in longitude).
double unwrappedX(const TestView& view, double displayLonDeg) {
  return view.width / 2.0 - displayLonDeg * kDegree / view.scale();
}

TEST(ChartSkyTextureBuffer, HoldsAtMost65535VerticesAndRefusesTheNextTriangleAloud) {
  ChartOnEmptySky sky(400, 300);
  CSkyChart& chart = *sky.chart;
  chart.clearTextureTriangles();
  const float p[3][2] = {{0, 0}, {10, 0}, {0, 10}};
  const float t[3][2] = {{0, 0}, {1, 0}, {0, 1}};
  for (int i = 0; i < 21844; ++i) ASSERT_TRUE(chart.addTextureTriangle(p, t, nullptr, nullptr));
  EXPECT_EQ(chart.vertexCount, 65532);
  EXPECT_TRUE(chart.addTextureTriangle(p, t, nullptr, nullptr));  // the 21845th
  EXPECT_EQ(chart.vertexCount, 65535);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(chart.addTextureTriangle(p, t, nullptr, nullptr));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "CSkyChart::addTextureTriangle() adding more points than buffer allocation; "
            "ignoring triangle.\n");
  EXPECT_EQ(chart.vertexCount, 65535);
  // A flush empties the buffer whatever it draws; two vertices draw nothing.
  chart.flushTextureTriangles(0, nullptr, 0);
  EXPECT_EQ(chart.vertexCount, 0);
  chart.vertexCount = 2;
  chart.flushTextureTriangles(0, nullptr, kTextureVertexColors);
  EXPECT_EQ(chart.vertexCount, 0);
}

TEST(ChartSkyTextureBuffer, GreyLevelsScaleTheColourAndOnlyTheyWriteColours) {
  ChartOnEmptySky sky(400, 300);
  CSkyChart& chart = *sky.chart;
  chart.clearTextureTriangles();
  const float p[3][2] = {{1, 2}, {3, 4}, {5, 6}};
  const float t[3][2] = {{0.1f, 0.2f}, {0.3f, 0.4f}, {0.5f, 0.6f}};
  const std::uint8_t grey[3] = {255, 51, 0};
  const float color[4] = {1.0f, 0.5f, 0.25f, 0.75f};
  ASSERT_TRUE(chart.addTextureTriangle(p, t, grey, color));
  ASSERT_TRUE(chart.addTextureTriangle(p, t, grey, nullptr));
  ASSERT_TRUE(chart.addTextureTriangle(p, t, nullptr, nullptr));
  const float* c = chart.colorBuffer;
  const float expected[9][4] = {{1, 0.5f, 0.25f, 0.75f}, {0.2f, 0.1f, 0.05f, 0.75f},
                                {0, 0, 0, 0.75f},        {1, 1, 1, 1},
                                {0.2f, 0.2f, 0.2f, 1},   {0, 0, 0, 1},
                                {0, 0, 0, 0},            {0, 0, 0, 0},
                                {0, 0, 0, 0}};
  for (int v = 0; v < 9; ++v)
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(c[4 * v + k], expected[v][k], 1e-6) << v << "," << k;
  for (int v = 0; v < 9; ++v) {
    EXPECT_EQ(chart.vertexBuffer[2 * v], p[v % 3][0]);
    EXPECT_EQ(chart.vertexBuffer[2 * v + 1], p[v % 3][1]);
    EXPECT_EQ(chart.texCoordBuffer[2 * v], t[v % 3][0]);
    EXPECT_EQ(chart.texCoordBuffer[2 * v + 1], t[v % 3][1]);
  }
  // Beginning a batch forgets the last one's colours.
  TextureStyle style;
  TextureData texture{7, 64, 32};
  chart.beginTextureTriangles(&style, texture);
  EXPECT_EQ(chart.vertexCount, 0);
  EXPECT_EQ(c[0], 0.0f);
  EXPECT_EQ(style.texture.name, 7u);
  EXPECT_EQ(style.flags & kTextureColorFiltered, 0u);
  chart.setColorFilter(3);
  chart.beginTextureTriangles(&style, texture);
  EXPECT_NE(style.flags & kTextureColorFiltered, 0u);
}

// Triangles of sky vertices on the equirectangular and Mercator sky (both
// wrap at the longitude opposite the centre) and on a non-wrapping one.
class ChartSkyTextureSeam : public testing::TestWithParam<int> {};

TEST_P(ChartSkyTextureSeam, AStraddlingTriangleBecomesTwoThatContinuePastEitherEdge) {
  ChartOnEmptySky sky(400, 200);
  CSkyChart& chart = *sky.chart;
  TestView view;
  view.projection = GetParam();
  view.lon0 = 30 * kDegree;
  view.fov = 360 * kDegree;
  view.width = 400;
  view.height = 200;
  chart_test::applyView(chart, view);
  // Display longitude = lon - 30; the seam is at lon 210. Two vertices
  // west of it (display +170, +175 lie left of the centre line) and one
  // east (display -172, right).
  const double lons[3] = {200, 205, 218}, lats[3] = {10, -20, 5};
  const double displayLons[3] = {170, 175, 188};
  TextureVertex v[3];
  for (int i = 0; i < 3; ++i) v[i] = skyVertex(chart, lons[i], lats[i]);
  ASSERT_LT(v[0].screenX, 200);
  ASSERT_GT(v[2].screenX, 200);
  // Every rotation of the corners finds the same seam.
  const int orders[3][3] = {{0, 1, 2}, {1, 2, 0}, {2, 0, 1}};
  for (const auto& order : orders) {
    const TextureVertex &a = v[order[0]], &b = v[order[1]], &c = v[order[2]];
    float out[2][3][2];
    ASSERT_TRUE(chart.splitTriangleAtSeam(a, b, c, out));
    for (int k = 0; k < 3; ++k) {
      int i = order[k];
      double y;
      double x0, dummy;
      ASSERT_TRUE(view.project(&v[i].x, &dummy, &y));
      // First copy: continues past the left edge's far side, i.e. the
      // eastern vertex carried on beyond display longitude 180.
      x0 = unwrappedX(view, displayLons[i]);
      double x1 = unwrappedX(view, displayLons[i] - 360);
      EXPECT_NEAR(out[0][k][0], x0, 1e-3) << i;
      EXPECT_NEAR(out[1][k][0], i == 2 ? unwrappedX(view, -172) : x1, 1e-3) << i;
      EXPECT_NEAR(out[0][k][1], y, 1e-3);
      EXPECT_NEAR(out[1][k][1], y, 1e-3);
    }
  }
}

TEST_P(ChartSkyTextureSeam, TrianglesInFrontOrOffTheSeamAreNeverSplit) {
  ChartOnEmptySky sky(400, 200);
  CSkyChart& chart = *sky.chart;
  TestView view;
  view.projection = GetParam();
  view.fov = 360 * kDegree;
  view.width = 400;
  view.height = 200;
  chart_test::applyView(chart, view);
  float out[2][3][2];
  // Straddling the centre line in front of the observer.
  TextureVertex a = skyVertex(chart, 10, 0), b = skyVertex(chart, 5, 10),
                c = skyVertex(chart, -10, 0);
  EXPECT_FALSE(chart.crossesProjectionSeam(a, b, c));
  EXPECT_FALSE(chart.splitTriangleAtSeam(a, b, c, out));
  // Straddling the seam but with one corner in front: the triangle spans
  // the whole screen the short way round and stays whole.
  for (int order = 0; order < 3; ++order) {
    TextureVertex t[3] = {skyVertex(chart, 170, 0), skyVertex(chart, 60, 10),
                          skyVertex(chart, -170, 5)};
    std::rotate(t, t + order, t + 3);
    EXPECT_FALSE(chart.splitTriangleAtSeam(t[0], t[1], t[2], out)) << order;
  }
  // Behind, but all on one side.
  a = skyVertex(chart, 150, 0), b = skyVertex(chart, 160, 10), c = skyVertex(chart, 170, 0);
  EXPECT_FALSE(chart.splitTriangleAtSeam(a, b, c, out));
  for (int k = 0; k < 3; ++k) EXPECT_EQ(out[0][k][0], out[1][k][0]);
}

INSTANTIATE_TEST_SUITE_P(WrappingProjections, ChartSkyTextureSeam, testing::Values(4, 5));

TEST(ChartSkyTextureSeamOther, ProjectionsThatDoNotWrapNeverSplit) {
  ChartOnEmptySky sky(400, 400);
  CSkyChart& chart = *sky.chart;
  TestView view;
  view.projection = 3;
  view.fov = 300 * kDegree;
  view.width = view.height = 400;
  chart_test::applyView(chart, view);
  TextureVertex a = skyVertex(chart, 170, 10), b = skyVertex(chart, 175, -10),
                c = skyVertex(chart, 190, 0);
  ASSERT_LT(a.depth, 0);
  float out[2][3][2];
  EXPECT_FALSE(chart.splitTriangleAtSeam(a, b, c, out));
}

TEST(ChartSkyTextureStyled, TexelsBecomeFractionsGreyIsKeptAndTheSeamAddsASecondTriangle) {
  ChartOnEmptySky sky(400, 200);
  CSkyChart& chart = *sky.chart;
  TestView view;
  view.projection = 4;
  view.fov = 360 * kDegree;
  view.width = 400;
  view.height = 200;
  chart_test::applyView(chart, view);
  TextureStyle style;
  chart.beginTextureTriangles(&style, TextureData{3, 200, 100});
  style.flags = kTextureVertexColors | kTextureAlphaBlend;
  TextureVertex a = skyVertex(chart, 0, 0, 255, 0, 0), b = skyVertex(chart, 20, 0, 102, 100, 0),
                c = skyVertex(chart, 0, 20, 0, 50, 100);
  EXPECT_TRUE(chart.addStyledTextureTriangle(style, a, b, c));
  ASSERT_EQ(chart.vertexCount, 3);
  const float uv[3][2] = {{0, 0}, {0.5f, 0}, {0.25f, 1}};
  for (int v = 0; v < 3; ++v) {
    EXPECT_FLOAT_EQ(chart.texCoordBuffer[2 * v], uv[v][0]);
    EXPECT_FLOAT_EQ(chart.texCoordBuffer[2 * v + 1], uv[v][1]);
  }
  // A white style leaves the grey levels alone.
  EXPECT_FLOAT_EQ(chart.colorBuffer[4], 0.4f);
  EXPECT_FLOAT_EQ(chart.colorBuffer[7], 1.0f);
  // A tinted one multiplies them, alpha 1.
  style.red = 0.5f;
  EXPECT_TRUE(chart.addStyledTextureTriangle(style, a, b, c));
  EXPECT_FLOAT_EQ(chart.colorBuffer[4 * 4], 0.2f);
  EXPECT_FLOAT_EQ(chart.colorBuffer[4 * 4 + 1], 0.4f);
  EXPECT_FLOAT_EQ(chart.colorBuffer[4 * 4 + 3], 1.0f);
  // Across the seam: two triangles with the same texture coordinates.
  TextureVertex d = skyVertex(chart, 170, 0, 255, 0, 0), e = skyVertex(chart, 175, 10, 255, 200, 0),
                f = skyVertex(chart, 190, 0, 255, 0, 100);
  EXPECT_TRUE(chart.addStyledTextureTriangle(style, d, e, f));
  ASSERT_EQ(chart.vertexCount, 12);
  for (int k = 0; k < 6; ++k)
    EXPECT_EQ(chart.texCoordBuffer[2 * (6 + k)], chart.texCoordBuffer[2 * (6 + k % 3)]);
  // Off screen: refused, nothing added.
  TestView narrow = view;
  narrow.projection = 1;
  narrow.fov = 20 * kDegree;
  chart_test::applyView(chart, narrow);
  a = skyVertex(chart, 40, 0), b = skyVertex(chart, 45, 0), c = skyVertex(chart, 40, 5);
  EXPECT_FALSE(chart.isTextureTriangleVisible(a, b, c));
  EXPECT_FALSE(chart.addStyledTextureTriangle(style, a, b, c));
  EXPECT_EQ(chart.vertexCount, 12);
}

// ---- Images prepared for upload ----

TEST(ChartSkyTextureImages, LargeImagesShrinkToTheLimitAndThinOnesKeepAPixel) {
  ChartOnEmptySky sky(100, 100);
  CSkyChart& chart = *sky.chart;
  chart.maxTextureSize = 4096;
  GImage* image = chart.prepareTextureImage(createImage(6000, 3000, 8, 3));
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(getImageWidth(image), 4096u);
  EXPECT_EQ(getImageHeight(image), 2048u);
  freeImage(image);
  // 4096 x 1 / 10000 is 0 in integer division: the side stays one pixel.
  image = chart.prepareTextureImage(createImage(10000, 1, 8, 1));
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(getImageWidth(image), 4096u);
  EXPECT_EQ(getImageHeight(image), 1u);
  freeImage(image);
  image = chart.prepareTextureImage(createImage(4096, 4096, 8, 1));
  EXPECT_EQ(getImageWidth(image), 4096u);
  freeImage(image);
}

TEST(ChartSkyTextureImages, AColourFilterTurnsColourGreyIn8And16BitSamples) {
  ChartOnEmptySky sky(100, 100);
  CSkyChart& chart = *sky.chart;
  // 8 bits: 0.3 x 200 + 0.6 x 100 + 0.1 x 51 = 125.1 -> 125.
  GImage* image = createImage(1, 1, 8, 4);
  unsigned char rgba[4] = {200, 100, 51, 77};
  std::memcpy(getImageRow(image, 0), rgba, 4);
  image = chart.prepareTextureImage(image);
  EXPECT_EQ(getImageRow(image, 0)[0], 200);  // filter off: unchanged
  chart.setColorFilter(3);
  image = chart.prepareTextureImage(image);
  const unsigned char* p = getImageRow(image, 0);
  EXPECT_EQ(p[0], 125);
  EXPECT_EQ(p[1], 125);
  EXPECT_EQ(p[2], 125);
  EXPECT_EQ(p[3], 77);
  freeImage(image);
  // 16 bits: whole samples, not their high bytes: 0.3 x 60000 + 0.6 x
  // 1000 + 0.1 x 65535 = 25153.5 -> 25153.
  image = createImage(1, 1, 16, 3);
  std::uint16_t rgb[3] = {60000, 1000, 65535};
  std::memcpy(getImageRow(image, 0), rgb, 6);
  image = chart.prepareTextureImage(image);
  std::uint16_t out[3];
  std::memcpy(out, getImageRow(image, 0), 6);
  EXPECT_EQ(out[0], 25153);
  EXPECT_EQ(out[1], 25153);
  EXPECT_EQ(out[2], 25153);
  freeImage(image);
  // A grey image is left as it is.
  image = createImage(1, 1, 8, 1);
  getImageRow(image, 0)[0] = 99;
  image = chart.prepareTextureImage(image);
  EXPECT_EQ(getImageRow(image, 0)[0], 99);
  freeImage(image);
}

TEST(ChartSkyTextureImages, AFileThatCannotBeReadLeavesAnEmptyRecord) {
  ChartOnEmptySky sky(100, 100);
  CSkyChart& chart = *sky.chart;
  TextureData texture{5, 6, 7};
  EXPECT_FALSE(chart.loadTextureFile(&texture, "/nonexistent/picture.png"));
  EXPECT_EQ(texture.name, 0u);
  EXPECT_EQ(texture.width, 0u);
  EXPECT_FALSE(CSkyChart::isTextureLoaded(&texture));
  EXPECT_FALSE(CSkyChart::isTextureLoaded(nullptr));
  texture = TextureData{0, 3, 4};
  chart.releaseTexture(&texture);
  EXPECT_EQ(texture.width, 0u);
}

}  // namespace
