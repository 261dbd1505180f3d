// The drawing primitives through both back ends (the 2-D context, and the
// GL layer on the software GPU), checked pixel by pixel against geometry
// the tests compute themselves: great circles rotated with ERFA and
// projected with the projections' published formulas, analytic circles,
// ellipses and discs, and non-zero winding numbers; and the two back ends
// against each other.
#include <erfa.h>
#include <erfam.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "tests/chart/chart_canvas.h"

namespace {

using chart_test::Backend;
using chart_test::Canvas2D;
using chart_test::ChartCanvas;
using chart_test::ChartOnEmptySky;
using chart_test::CurveFit;
using chart_test::Point2;
using chart_test::Raster;
using chart_test::TestView;

constexpr double kDegree = ERFA_DD2R;

// A canvas of the test's back end for the chart, or a skip when this tree
// has no GL entry points yet.
#define CHART_CANVAS(canvas, chart, width, height)                                      \
  auto canvas##Owner = chart_test::makeCanvas(GetParam(), chart, width, height);        \
  if (!canvas##Owner)                                                                    \
    GTEST_SKIP() << "the graphics layer's entry points (gles/context/gl.h) are not here"; \
  ChartCanvas& canvas = *canvas##Owner

class ChartPrimitivesGolden : public testing::TestWithParam<Backend> {
 protected:
  std::string suffix() const { return GetParam() == Backend::gl ? "-gl" : ""; }
};

void unitVector(double lonDegrees, double latDegrees, double v[3]) {
  eraS2c(lonDegrees * kDegree, latDegrees * kDegree, v);
}

// The great circle from a to b projected by the test's own view, broken
// where consecutive samples jump across the screen (the wrap seam).
std::vector<std::vector<Point2>> projectedGreatCircle(const TestView& view, const double a[3],
                                                      const double b[3]) {
  std::vector<std::vector<Point2>> pieces(1);
  double lastX = 0;
  for (const auto& v : chart_test::greatCircle(a, b, 0.05 * kDegree)) {
    double x, y;
    if (!view.project(v.data(), &x, &y)) continue;
    if (!pieces.back().empty() && std::fabs(x - lastX) > view.width / 2.0) pieces.emplace_back();
    pieces.back().push_back({x, y});
    lastX = x;
  }
  return pieces;
}

// Pixels more than `margin` from the boundary must be covered exactly where
// `inside` holds; counts both kinds of mismatch.
struct RegionCheck {
  int wrongInside = 0, wrongOutside = 0, insideChecked = 0;
};
RegionCheck checkRegion(const Raster& raster, const std::function<bool(double, double)>& inside,
                        const std::function<double(double, double)>& boundaryDistance,
                        double margin = 1.0) {
  RegionCheck check;
  for (int y = 0; y < raster.height; ++y)
    for (int x = 0; x < raster.width; ++x) {
      double px = x + 0.5, py = y + 0.5;
      if (boundaryDistance(px, py) <= margin) continue;
      bool covered = raster.at(x, y) > 0.5f;
      if (inside(px, py)) {
        ++check.insideChecked;
        if (!covered) ++check.wrongInside;
      } else if (raster.at(x, y) > 0.05f) {
        ++check.wrongOutside;
      }
    }
  return check;
}

TEST_P(ChartPrimitivesGolden, ArcsFollowTheGreatCircleThroughThem) {
  ChartOnEmptySky sky(400, 300);
  for (int projection : {1, 3}) {
    TestView view;
    view.projection = projection;
    view.lon0 = 30 * kDegree;
    view.lat0 = 20 * kDegree;
    view.fov = 70 * kDegree;
    chart_test::applyView(*sky.chart, view);
    CHART_CANVAS(canvas, *sky.chart, view.width, view.height);
    double a[3], b[3];
    unitVector(5, 35, a);
    unitVector(60, -5, b);
    sky.chart->drawArc(a, b);
    sky.chart->strokePath();
    canvas.save("arc-" + std::to_string(projection) + suffix());
    CurveFit fit = chart_test::fitInkToCurves(canvas.raster(), projectedGreatCircle(view, a, b),
                                             1e30, 0.5f);
    EXPECT_GT(fit.inkPixels, 100) << projection;
    EXPECT_GT(fit.samples, 300) << projection;
    EXPECT_LE(fit.inkToCurve, 1.0) << projection;
    EXPECT_LE(fit.curveToInk, 1.5) << projection;
  }
}

TEST_P(ChartPrimitivesGolden, ArcsCrossingTheSeamOfWholeSkyProjectionsComeBackOnTheOtherSide) {
  ChartOnEmptySky sky(720, 300);
  struct Case {
    int projection;
    double lon0, lat0;
  };
  for (Case c : {Case{4, 0, 0}, Case{5, 0, 0}, Case{9, 30, 10}, Case{4, 40, -15}}) {
    TestView view;
    view.projection = c.projection;
    view.lon0 = c.lon0 * kDegree;
    view.lat0 = c.lat0 * kDegree;
    view.width = 720;
    view.fov = 2 * ERFA_DPI;
    chart_test::applyView(*sky.chart, view);
    CHART_CANVAS(canvas, *sky.chart, view.width, view.height);
    // A steep arc through the point opposite the centre.
    double a[3], b[3];
    unitVector(c.lon0 + 172, c.lat0 + 35, a);
    unitVector(c.lon0 + 189, c.lat0 - 35, b);
    sky.chart->drawArc(a, b);
    sky.chart->strokePath();
    canvas.save("seam-" + std::to_string(c.projection) + "-" + std::to_string(int(c.lon0)) + suffix());
    auto pieces = projectedGreatCircle(view, a, b);
    ASSERT_EQ(pieces.size(), 2u) << "the test's arc must cross the seam";
    CurveFit fit = chart_test::fitInkToCurves(canvas.raster(), pieces, 1e30, 0.5f);
    SCOPED_TRACE(c.projection);
    EXPECT_GT(fit.inkPixels, 60);
    EXPECT_LE(fit.inkToCurve, 1.0) << "ink away from the arc (a line across the chart?)";
    EXPECT_LE(fit.curveToInk, 1.5) << "part of the arc is missing at the seam";
  }
}

TEST_P(ChartPrimitivesGolden, ALongSegmentAcrossTheSeamKeepsItsSlopeOnBothSides) {
  ChartOnEmptySky sky(720, 300);
  for (int projection : {4, 5, 9}) {
    TestView view;
    view.projection = projection;
    view.lon0 = projection == 9 ? 20 * kDegree : 0;
    view.width = 720;
    view.fov = 2 * ERFA_DPI;
    chart_test::applyView(*sky.chart, view);
    CHART_CANVAS(canvas, *sky.chart, view.width, view.height);
    double a[3], b[3];
    unitVector(view.lon0 / kDegree + 170, 30, a);
    unitVector(view.lon0 / kDegree + 195, -30, b);
    sky.chart->moveTo(a);
    sky.chart->lineTo(b);
    sky.chart->strokePath();
    canvas.save("seam-segment-" + std::to_string(projection) + suffix());
    // The screen segment between the two points, once with the second
    // carried a turn across and once with the first.
    double x0, y0, x1, y1;
    ASSERT_TRUE(view.project(a, &x0, &y0));
    ASSERT_TRUE(view.project(b, &x1, &y1));
    double turn = 2 * ERFA_DPI / view.scale();
    double shift = x1 > x0 ? -turn : turn;
    std::vector<std::vector<Point2>> pieces = {{{x0, y0}, {x1 + shift, y1}},
                                               {{x0 - shift, y0}, {x1, y1}}};
    CurveFit fit = chart_test::fitInkToCurves(canvas.raster(), pieces, 1e30, 0.5f);
    SCOPED_TRACE(projection);
    EXPECT_GT(fit.inkPixels, 60);
    EXPECT_LE(fit.inkToCurve, 1.0);
    EXPECT_LE(fit.curveToInk, 1.5);
  }
}

TEST_P(ChartPrimitivesGolden, CirclesDashedOrNotLieOnTheirRadius) {
  ChartOnEmptySky sky(400, 300);
  CHART_CANVAS(canvas, *sky.chart, 400, 300);
  sky.chart->drawCircle(false, 120.25f, 140.5f, 60, 0);
  sky.chart->drawCircle(false, 300, 150, 45, 6);
  canvas.save("circles" + suffix());
  Raster raster = canvas.raster();
  std::vector<Point2> plain, dashed;
  for (int k = 0; k <= 3600; ++k) {
    double t = k * 2 * ERFA_DPI / 3600;
    plain.push_back({120.25 + 60 * std::cos(t), 140.5 + 60 * std::sin(t)});
    dashed.push_back({300 + 45 * std::cos(t), 150 + 45 * std::sin(t)});
  }
  int inkOnDashed = 0, dashedSamples = 0;
  for (const Point2& p : dashed) {
    ++dashedSamples;
    if (raster.at(static_cast<int>(p.x), static_cast<int>(p.y)) > 0.25f) ++inkOnDashed;
  }
  CurveFit fit = chart_test::fitInkToCurves(raster, {plain, dashed}, 1e30, 0.5f);
  EXPECT_LE(fit.inkToCurve, 1.0);
  // Dashes and gaps of equal length: about half the dashed circle is ink.
  EXPECT_NEAR(static_cast<double>(inkOnDashed) / dashedSamples, 0.5, 0.12);
}

// Ink segments along a circle: the number of separate runs of covered
// samples.
int runsAlongCircle(const Raster& raster, double cx, double cy, double r) {
  int runs = 0;
  bool previous = false, first = false;
  for (int k = 0; k < 7200; ++k) {
    double t = k * 2 * ERFA_DPI / 7200;
    int px = static_cast<int>(cx + r * std::cos(t)), py = static_cast<int>(cy + r * std::sin(t));
    float most = 0;
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) most = std::max(most, raster.at(px + dx, py + dy));
    bool ink = most > 0.3f;
    if (k == 0) first = ink;
    if (ink && !previous) ++runs;
    previous = ink;
  }
  if (first && previous && runs > 1) --runs;  // a run across the start
  return runs;
}

TEST_P(ChartPrimitivesGolden, PointDashedOutlinesDrawEveryOtherSegment) {
  ChartOnEmptySky sky(200, 200);
  CHART_CANVAS(canvas, *sky.chart, 200, 200);
  // Width 30, dash 5: 18 segments, 9 drawn.
  sky.chart->drawEllipseOutline(50, 60, 30, 30, 5);
  // Width 100, dash 7: (int)(300 / 7) = 42 segments, 21 drawn.
  sky.chart->drawEllipseOutline(90, 90, 100, 100, 7);
  canvas.save("dashed-outlines" + suffix());
  Raster raster = canvas.raster();
  EXPECT_EQ(runsAlongCircle(raster, 65, 75, 15), 9);
  EXPECT_EQ(runsAlongCircle(raster, 140, 140, 50), 21);
}

TEST_P(ChartPrimitivesGolden, RotatedEllipsesAreMirroredWithTheProjection) {
  ChartOnEmptySky sky(400, 300);
  for (bool flipX : {false, true})
    for (bool flipY : {false, true}) {
      sky.chart->setDisplayFlippedHoriz(flipX);
      sky.chart->setDisplayFlippedVert(flipY);
      CHART_CANVAS(canvas, *sky.chart, 400, 300);
      const double angle = 0.6, rx = 70, ry = 30;
      sky.chart->drawRotatedEllipse(false, 110, 150, rx, ry, angle);
      // The point form of the same ellipse.
      sky.chart->drawEllipse(flipX, flipY, 290 - rx, 150 - ry, 2 * rx, 2 * ry, angle);
      canvas.save(std::string("ellipse-") + (flipX ? "x" : "") + (flipY ? "y" : "") + suffix());
      std::vector<Point2> left, right;
      for (int k = 0; k <= 3600; ++k) {
        double t = k * 2 * ERFA_DPI / 3600;
        double ex = rx * std::cos(t), ey = ry * std::sin(t);
        double dx = ex * std::cos(angle) - ey * std::sin(angle);
        double dy = ex * std::sin(angle) + ey * std::cos(angle);
        if (flipX) dx = -dx;
        if (flipY) dy = -dy;
        left.push_back({110 + dx, 150 + dy});
        right.push_back({290 + dx, 150 + dy});
      }
      CurveFit fit = chart_test::fitInkToCurves(canvas.raster(), {left, right}, 1e30, 0.5f);
      SCOPED_TRACE(std::to_string(flipX) + std::to_string(flipY));
      EXPECT_LE(fit.inkToCurve, 1.0);
      EXPECT_LE(fit.curveToInk, 1.5);
    }
}

// Winding number of a closed polygon about a point.
int windingNumber(const std::vector<Point2>& polygon, double x, double y) {
  int winding = 0;
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    Point2 a = polygon[i], b = polygon[(i + 1) % polygon.size()];
    double cross = (b.x - a.x) * (y - a.y) - (x - a.x) * (b.y - a.y);
    if (a.y <= y && b.y > y && cross > 0) ++winding;
    if (a.y > y && b.y <= y && cross < 0) --winding;
  }
  return winding;
}

std::vector<Point2> closedOutline(const std::vector<Point2>& polygon) {
  std::vector<Point2> closed = polygon;
  closed.push_back(polygon.front());
  return closed;
}

TEST_P(ChartPrimitivesGolden, ConcaveAndSelfIntersectingFillsCoverTheNonzeroWindingRegion) {
  std::vector<std::vector<Point2>> polygons;
  // A pentagram: its middle has winding 2 (filled under non-zero, a hole
  // under even-odd).
  std::vector<Point2> star;
  for (int k = 0; k < 5; ++k) {
    double t = -ERFA_DPI / 2 + k * 4 * ERFA_DPI / 5;
    star.push_back({110 + 90 * std::cos(t), 150 + 90 * std::sin(t)});
  }
  polygons.push_back(star);
  // A concave comb.
  polygons.push_back({{230, 40}, {380, 40}, {380, 260}, {340, 260}, {340, 90}, {310, 90},
                      {310, 260}, {270, 260}, {270, 90}, {230, 90}});
  // A loop wound twice round.
  std::vector<Point2> twice;
  for (int k = 0; k < 40; ++k) {
    double t = k * 4 * ERFA_DPI / 40;
    double r = 40 + (k >= 20 ? 15 : 0);
    twice.push_back({110 + r * std::cos(t), 150 + r * std::sin(t)});
  }
  polygons.push_back(twice);

  int index = 0;
  for (const auto& polygon : polygons) {
    ChartOnEmptySky sky(400, 300);
    CHART_CANVAS(canvas, *sky.chart, 400, 300);
    sky.chart->beginPolygonAtPoint(polygon[0].x, polygon[0].y);
    for (std::size_t i = 1; i < polygon.size(); ++i)
      sky.chart->addPolygonPoint(polygon[i].x, polygon[i].y);
    sky.chart->fillPolygon(true);
    canvas.save("fill-" + std::to_string(index) + suffix());
    std::vector<Point2> outline = closedOutline(polygon);
    RegionCheck check = checkRegion(
        canvas.raster(), [&](double x, double y) { return windingNumber(polygon, x, y) != 0; },
        [&](double x, double y) { return chart_test::distanceToPolyline(outline, {x, y}); });
    SCOPED_TRACE(index++);
    EXPECT_GT(check.insideChecked, 1000);
    EXPECT_EQ(check.wrongInside, 0);
    EXPECT_EQ(check.wrongOutside, 0);
  }
}

TEST_P(ChartPrimitivesGolden, TheOverlapFillIsTheLensCommonToBothDiscs) {
  struct Case {
    double x1, y1, r1, x2, y2, r2;
  };
  const Case cases[] = {
      {200, 150, 80, 300, 150, 40},   // chord between the centres
      {200, 150, 80, 250, 160, 40},   // the smaller centre inside the larger disc
      {150, 150, 30, 230, 100, 100},  // the larger circle given second
      {200, 150, 80, 212, 150, 40},   // the smaller disc wholly inside
      {100, 100, 30, 300, 200, 40},   // apart: nothing
      {200, 150, 60, 200, 150, 60},   // the same disc
  };
  int index = 0;
  for (const Case& c : cases) {
    ChartOnEmptySky sky(400, 300);
    CHART_CANVAS(canvas, *sky.chart, 400, 300);
    sky.chart->fillCircleOverlap(c.x1, c.y1, c.r1, c.x2, c.y2, c.r2);
    canvas.save("lens-" + std::to_string(index) + suffix());
    auto inDisc = [](double x, double y, double cx, double cy, double r) {
      return std::hypot(x - cx, y - cy) < r;
    };
    RegionCheck check = checkRegion(
        canvas.raster(),
        [&](double x, double y) {
          return inDisc(x, y, c.x1, c.y1, c.r1) && inDisc(x, y, c.x2, c.y2, c.r2);
        },
        [&](double x, double y) {
          return std::min(std::fabs(std::hypot(x - c.x1, y - c.y1) - c.r1),
                          std::fabs(std::hypot(x - c.x2, y - c.y2) - c.r2));
        });
    SCOPED_TRACE(index++);
    EXPECT_EQ(check.wrongInside, 0);
    EXPECT_EQ(check.wrongOutside, 0);
  }
}

TEST_P(ChartPrimitivesGolden, FilledDiscsAndSectorsCoverTheirRegion) {
  ChartOnEmptySky sky(400, 300);
  CHART_CANVAS(canvas, *sky.chart, 400, 300);
  sky.chart->drawCircle(true, 100, 150, 70, 0);
  // A quarter of an ellipse turned by 0.3 radians: from the ellipse's own
  // axis at 0.3 to 0.3 + pi/2.
  sky.chart->fillEllipseSector(false, false, 300 - 80, 150 - 50, 160, 100, 0.3f,
                               static_cast<float>(ERFA_DPI / 2));
  canvas.save("discs" + suffix());
  auto sectorInside = [](double x, double y) {
    double dx = x - 300, dy = y - 150;
    double u = dx * std::cos(0.3) + dy * std::sin(0.3);  // into the ellipse's frame
    double v = -dx * std::sin(0.3) + dy * std::cos(0.3);
    return (u * u) / (80.0 * 80) + (v * v) / (50.0 * 50) < 1 && u > 0 && v > 0;
  };
  auto sectorEdge = [](double x, double y) {
    double dx = x - 300, dy = y - 150;
    double u = dx * std::cos(0.3) + dy * std::sin(0.3);
    double v = -dx * std::sin(0.3) + dy * std::cos(0.3);
    double rim = std::fabs(std::sqrt((u * u) / (80.0 * 80) + (v * v) / (50.0 * 50)) - 1) * 50;
    double edgeU = u > 0 ? std::fabs(v) : std::hypot(u, v);
    double edgeV = v > 0 ? std::fabs(u) : std::hypot(u, v);
    return std::min({rim, edgeU, edgeV});
  };
  RegionCheck check = checkRegion(
      canvas.raster(),
      [&](double x, double y) { return std::hypot(x - 100, y - 150) < 70 || sectorInside(x, y); },
      [&](double x, double y) {
        return std::min(std::fabs(std::hypot(x - 100, y - 150) - 70), sectorEdge(x, y));
      },
      1.5);
  EXPECT_EQ(check.wrongInside, 0);
  EXPECT_EQ(check.wrongOutside, 0);
}

INSTANTIATE_TEST_SUITE_P(Backends, ChartPrimitivesGolden,
                         testing::Values(Backend::twoD, Backend::gl), chart_test::backendName);

}  // namespace

namespace {

// The GL back end's batching, read from the chart's own vertex buffers
// before anything is drawn.
class ChartPrimitiveBuffers : public testing::Test {
 protected:
  ChartPrimitiveBuffers() : sky_(400, 300) {
    view_.projection = 3;
    view_.lon0 = 30 * kDegree;
    view_.lat0 = 20 * kDegree;
    view_.fov = 90 * kDegree;
    chart_test::applyView(*sky_.chart, view_);
  }
  CSkyChart& chart() { return *sky_.chart; }
  ChartOnEmptySky sky_;
  TestView view_;
};

TEST_F(ChartPrimitiveBuffers, ArcsTakeOneStepPerFiveDegreesAtMost) {
  double a[3], b[3];
  unitVector(30, 20, a);
  unitVector(35, 20, b);  // along a parallel: a little under 5 degrees of arc
  chart().drawArc(a, b);
  EXPECT_EQ(chart().vertexCount, 2);
  chart().vertexCount = 0;
  // Exactly 12 degrees along the equator of the frame: three steps of 4.
  unitVector(20, 0, a);
  unitVector(32, 0, b);
  chart().drawArc(a, b);
  ASSERT_EQ(chart().vertexCount, 6);
  // 5.5 and 10.5 degrees: two and three steps.
  double c[3], d[3];
  chart().vertexCount = 0;
  unitVector(20, 0, c);
  unitVector(25.5, 0, d);
  chart().drawArc(c, d);
  EXPECT_EQ(chart().vertexCount, 4);
  chart().vertexCount = 0;
  unitVector(30.5, 0, d);
  chart().drawArc(c, d);
  EXPECT_EQ(chart().vertexCount, 6);
  chart().vertexCount = 0;
  chart().drawArc(a, b);
  auto points = chart_test::greatCircle(a, b, 4 * kDegree);
  ASSERT_EQ(points.size(), 4u);
  for (int k = 0; k < 3; ++k)
    for (int end = 0; end < 2; ++end) {
      double x, y;
      ASSERT_TRUE(view_.project(points[k + end].data(), &x, &y));
      EXPECT_NEAR(chart().vertexBuffer[4 * k + 2 * end], x, 1e-3) << k;
      EXPECT_NEAR(chart().vertexBuffer[4 * k + 2 * end + 1], y, 1e-3) << k;
    }
  chart().vertexCount = 0;
}

TEST_F(ChartPrimitiveBuffers, SmoothLinesAreFeatheredTriangles) {
  chart().setSmoothLines(true);
  chart().setColor(1, 0.5f, 0.25f, 0.8f);
  chart().lineWidth = 1.5f;
  chart().setContentScale(2);
  chart().moveToPoint(10, 10);
  chart().lineToPoint(110, 10);
  ASSERT_EQ(chart().vertexCount, 12);
  // Four triangles over the six points from+n, to+n, from, to, from-n,
  // to-n; n is the left normal times the width in pixels (3).
  const float expectedY[6] = {13, 13, 10, 10, 7, 7};
  const float expectedX[6] = {10, 110, 10, 110, 10, 110};
  const int order[12] = {0, 1, 2, 1, 2, 3, 2, 3, 4, 3, 4, 5};
  for (int v = 0; v < 12; ++v) {
    int p = order[v];
    EXPECT_FLOAT_EQ(chart().vertexBuffer[2 * v], expectedX[p]) << v;
    EXPECT_FLOAT_EQ(chart().vertexBuffer[2 * v + 1], expectedY[p]) << v;
    EXPECT_FLOAT_EQ(chart().colorBuffer[4 * v + 3], p == 2 || p == 3 ? 0.8f : 0.0f) << v;
    EXPECT_FLOAT_EQ(chart().colorBuffer[4 * v + 1], 0.5f);
  }
  // A segment with no length adds nothing.
  chart().lineToPoint(110, 10);
  EXPECT_EQ(chart().vertexCount, 12);
  chart().vertexCount = 0;
}

TEST_F(ChartPrimitiveBuffers, TheTriangleBufferHoldsAtMost65535Vertices) {
  const float p[3][2] = {{0, 0}, {1, 0}, {0, 1}};
  const float c[3][4] = {{1, 1, 1, 1}, {1, 1, 1, 1}, {1, 1, 1, 1}};
  for (int i = 0; i < 21844; ++i) ASSERT_TRUE(chart().addColorTriangle(p, c));
  EXPECT_EQ(chart().vertexCount, 65532);
  EXPECT_TRUE(chart().addColorTriangle(p, c));  // the 21845th
  EXPECT_EQ(chart().vertexCount, 65535);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(chart().addColorTriangle(p, c));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "CSkyChart::addTextureTriangle() adding more points than buffer allocation; "
            "ignoring triangle.\n");
  EXPECT_EQ(chart().vertexCount, 65535);
  chart().vertexCount = 0;
}

TEST_F(ChartPrimitiveBuffers, PolygonsHoldAtMost256PointsAndLoseThemOffTheProjection) {
  chart().setDisplayProjection(1);
  double v[3];
  unitVector(30, 20, v);
  EXPECT_TRUE(chart().beginPolygonAtVector(v));
  unitVector(31, 20, v);
  chart().addPolygonVector(v);
  EXPECT_EQ(chart().polygonCount, 2);
  unitVector(210, -20, v);  // behind the gnomonic view
  chart().addPolygonVector(v);
  EXPECT_EQ(chart().polygonCount, 0);
  unitVector(32, 21, v);
  chart().addPolygonVector(v);
  EXPECT_EQ(chart().polygonCount, 1);  // a fresh start after the loss
  chart().beginPolygonAtPoint(0, 0);
  for (int i = 1; i < 300; ++i) chart().addPolygonPoint(i, i % 7);
  EXPECT_EQ(chart().polygonCount, 256);
  EXPECT_EQ(chart().polygonBuffer[3 * 255], 255);
  // Closing a full polygon adds no point (past the buffer) and fills it.
  chart().fillPolygon(true);
  EXPECT_EQ(chart().polygonCount, 0);
}

TEST_F(ChartPrimitiveBuffers, CirclesLargerThanTheSkyAreNotDrawn) {
  chart_test::Canvas2D canvas(chart(), 400, 300);
  chart().drawCircle(false, 200, 150, INFINITY, 0);
  chart().drawCircle(false, 200, 150, NAN, 4);
  chart().drawCircle(true, 200, 150, INFINITY, 0);
  chart().drawEllipseOutline(0, 0, 1e30f, 1e30f, 0);
  chart().drawEllipseOutline(0, 0, 1e30f, 1e30f, 1e-30f);
  chart().fillCircleOverlap(200, 150, INFINITY, 200, 150, 10);
  EXPECT_EQ(canvas.raster().inkCount(0.01f), 0);
  chart().cgContext = nullptr;
  chart().drawCircle(false, 200, 150, INFINITY, 0);
  chart().drawEllipseOutline(0, 0, 1e30f, 1e30f, 1e-30f);
  EXPECT_EQ(chart().vertexCount, 0);
}

}  // namespace
