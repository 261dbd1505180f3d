// Grids and reference lines: spacings at the fields where the choice is
// plain, label texts, and reference circles and grid lines drawn through
// the 2-D path (and GL when the layer is here) against great circles
// computed with ERFA (equator, ecliptic of J2000, galactic equator) and
// the test's own projection.
#include <gtest/gtest.h>

#include <erfa.h>
#include <erfam.h>

#include <cmath>
#include <string>
#include <vector>

#include "chart/grid_lines.h"
#include "tests/chart/chart_canvas.h"

namespace {

using chart_test::Backend;
using chart_test::ChartCanvas;
using chart_test::ChartOnEmptySky;
using chart_test::CurveFit;
using chart_test::Point2;
using chart_test::TestView;

constexpr double kDegree = 0.017453292519943295;
constexpr double kJ2000 = 2451545.0;

#define CHART_CANVAS(canvas, chart, width, height)                                      \
  auto canvas##Owner = chart_test::makeCanvas(GetParam(), chart, width, height);        \
  if (!canvas##Owner)                                                                    \
    GTEST_SKIP() << "the graphics layer's entry points (gles/context/gl.h) are not here"; \
  ChartCanvas& canvas = *canvas##Owner

TEST(ChartSkyGrid, SpacingsFollowTheField) {
  // A diagonal field of 60 degrees on the equator: 30-degree parallels and
  // meridians every 2 h (30 degrees).
  EXPECT_EQ(gridParallelSpacing(30 * 3600.0), 108000);
  EXPECT_EQ(gridMeridianSpacing(1, 30 * 3600.0), 108000);
  // 40 arcseconds: parallels every 10", right ascension every 1 s of time.
  EXPECT_EQ(gridParallelSpacing(20), 10);
  EXPECT_EQ(gridMeridianSpacing(1, 20), 15);
  EXPECT_EQ(gridMeridianSpacing(2, 20), 10);
  // Right ascension steps are whole units of time, others of angle.
  EXPECT_EQ(gridMeridianSpacing(1, 2 * 3600.0) % 4500, 0);
  EXPECT_EQ(gridMeridianSpacing(3, 2 * 3600.0), 3600);
}

TEST(ChartSkyGrid, LabelsInEachFormat) {
  char text[64];
  gridLatitudeLabel(text, sizeof text, 324000, 5, true, true);
  EXPECT_EQ(std::string(text), "+90\xb0");
  gridLatitudeLabel(text, sizeof text, -(12 * 3600 + 34 * 60 + 56), 5, false, false);
  EXPECT_EQ(std::string(text), "-12\xb0 34' 56\"");
  gridLatitudeLabel(text, sizeof text, -(12 * 3600 + 34 * 60 + 56), 2, false, false);
  EXPECT_EQ(std::string(text), "-12\xb0 34'");
  gridLatitudeLabel(text, sizeof text, 45 * 3600 + 1800, 0, false, false);
  EXPECT_EQ(std::string(text), "+45.500000\xb0");
  gridLongitudeLabel(text, sizeof text, 1, 30 * 3600, 1, 54000);
  EXPECT_EQ(std::string(text), "02h");
  gridLongitudeLabel(text, sizeof text, 1, 15 * (3600 + 2 * 60 + 3), 1, 15);
  EXPECT_EQ(std::string(text), "01h 02m 03s");
  gridLongitudeLabel(text, sizeof text, 1, 15 * (3600 + 2 * 60 + 3), 1, 900);
  EXPECT_EQ(std::string(text), "01h 02m");
  gridLongitudeLabel(text, sizeof text, 4, -3600, 1, 3600);  // one turn on
  EXPECT_EQ(std::string(text), "359\xb0");
  gridLongitudeLabel(text, sizeof text, 2, 90 * 3600 + 61, 1, 1);
  EXPECT_EQ(std::string(text), "090\xb0 01' 01\"");
}

TEST(ChartSkyGrid, LabelsGoWhereALineCrossesTheViewportEdge) {
  ChartOnEmptySky sky(400, 300);
  CSkyChart& chart = *sky.chart;
  chart.clearLabelRects();
  EXPECT_FALSE(chart.labelAtViewportEdge("A", true, true, 10, 10, 20, 20));
  EXPECT_FALSE(chart.labelAtViewportEdge("A", false, false, -10, -10, -20, 500));
  EXPECT_EQ(chart.labelRectCount, 0);
  // Entering through the left edge: the label sits at the entry point.
  EXPECT_TRUE(chart.labelAtViewportEdge("A", false, true, -100, 100, 100, 100));
  ASSERT_EQ(chart.labelRectCount, 1);
  EXPECT_LT(chart.labelRects[0].x, 60);
  // Leaving through the right edge.
  EXPECT_TRUE(chart.labelAtViewportEdge("B", true, false, 300, 200, 500, 200));
  ASSERT_EQ(chart.labelRectCount, 2);
  EXPECT_GT(chart.labelRects[1].x, 340);
}

// Where the test's own projection of the equatorial grid (parallels every
// 10 degrees, meridians every hour) crosses the viewport's edge.
std::vector<Point2> gridEdgeCrossings(const TestView& view) {
  std::vector<Point2> crossings;
  auto inside = [&](double x, double y) {
    return x >= 0 && y >= 0 && x <= view.width && y <= view.height;
  };
  auto follow = [&](auto direction) {
    bool havePrevious = false, previousInside = false;
    double px = 0, py = 0;
    for (int i = 0; i <= 3600; ++i) {
      double v[3], x, y;
      direction(i, v);
      if (!view.project(v, &x, &y) || std::hypot(x - px, y - py) > 50) {
        havePrevious = false;
        if (!view.project(v, &x, &y)) continue;
      }
      bool in = inside(x, y);
      if (havePrevious && in != previousInside) crossings.push_back({(x + px) / 2, (y + py) / 2});
      havePrevious = true;
      previousInside = in;
      px = x;
      py = y;
    }
  };
  for (int lat = -80; lat <= 80; lat += 10)
    follow([&](int i, double v[3]) { eraS2c(i * 0.1 * kDegree, lat * kDegree, v); });
  for (int lon = 0; lon < 360; lon += 15)
    follow([&](int i, double v[3]) { eraS2c(lon * kDegree, (i * 0.05 - 90) * kDegree, v); });
  return crossings;
}

TEST(ChartSkyGrid, GridLinesAreLabelledWhereTheyLeaveTheViewInEveryProjection) {
  ChartOnEmptySky sky(400, 300);
  CSkyChart& chart = *sky.chart;
  chart.setJulianDate(kJ2000);
  chart.gridLabelSize = 8;
  for (int projection : {1, 3, 4}) {
    TestView view;
    view.projection = projection;
    view.lon0 = 100 * kDegree;
    view.lat0 = 10 * kDegree;
    view.fov = 30 * kDegree;
    chart_test::applyView(chart, view);
    chart_test::Canvas2D canvas(chart, view.width, view.height);
    chart.clearLabelRects();
    chart.drawCoordinateGrid(1);
    std::vector<Point2> crossings = gridEdgeCrossings(view);
    ASSERT_GE(crossings.size(), 10u) << projection;
    // Every label stands by a crossing; nearly every crossing has one (a
    // few give way to a neighbour's label near a corner).
    auto near = [](const LabelPosition& label, Point2 p) {
      return std::fabs(label.x - p.x) < label.halfWidth + 12 &&
             std::fabs(label.y - p.y) < label.halfHeight + 12;
    };
    int labelled = 0;
    for (Point2 p : crossings) {
      bool found = false;
      for (int i = 0; i < chart.labelRectCount && !found; ++i) found = near(chart.labelRects[i], p);
      labelled += found;
    }
    for (int i = 0; i < chart.labelRectCount; ++i) {
      bool found = false;
      for (Point2 p : crossings) found = found || near(chart.labelRects[i], p);
      EXPECT_TRUE(found) << projection << ": label " << i << " at " << chart.labelRects[i].x
                         << ", " << chart.labelRects[i].y;
    }
    EXPECT_GE(labelled, static_cast<int>(crossings.size() * 0.8)) << projection;
  }
}

class ChartSkyGridGolden : public testing::TestWithParam<Backend> {
 protected:
  std::string suffix() const { return GetParam() == Backend::gl ? "-gl" : ""; }
};

// The projected great circle of the pole `pole` (fundamental frame).
std::vector<Point2> projectedCircle(const TestView& view, const double pole[3]) {
  double a[3], b[3], p[3];
  eraCp(const_cast<double*>(pole), p);
  double z[3] = {0, 0, 1}, x[3] = {1, 0, 0};
  eraPxp(p, std::fabs(p[2]) < 0.9 ? z : x, a);
  double length;
  eraPn(a, &length, a);
  eraPxp(p, a, b);
  std::vector<Point2> line;
  for (int i = 0; i <= 3600; ++i) {
    double t = i * 0.1 * kDegree, v[3], sx, sy;
    for (int k = 0; k < 3; ++k) v[k] = a[k] * std::cos(t) + b[k] * std::sin(t);
    if (view.project(v, &sx, &sy)) line.push_back({sx, sy});
  }
  return line;
}

TEST_P(ChartSkyGridGolden, ReferenceCirclesLieOnTheGreatCirclesErfaGives) {
  ChartOnEmptySky sky(400, 300);
  CSkyChart& chart = *sky.chart;
  chart.setJulianDate(kJ2000);
  // Poles of the three circles in the fundamental frame (ICRS): the
  // celestial pole, the J2000 ecliptic pole, the galactic pole.
  double poles[3][3];
  double equatorPole[3] = {0, 0, 1};
  eraCp(equatorPole, poles[0]);
  double ecm[3][3];
  eraEcm06(kJ2000, 0, ecm);
  for (int k = 0; k < 3; ++k) poles[1][k] = ecm[2][k];
  double ra, dec;
  eraG2icrs(0, ERFA_DPI / 2, &ra, &dec);
  eraS2c(ra, dec, poles[2]);
  const int systems[3] = {1, 3, 4};
  const double centres[3][2] = {{40, 0}, {80, 23}, {266, -29}};
  for (int i = 0; i < 3; ++i) {
    TestView view;
    view.projection = 3;
    view.lon0 = centres[i][0] * kDegree;
    view.lat0 = centres[i][1] * kDegree;
    view.fov = 90 * kDegree;
    chart_test::applyView(chart, view);
    CHART_CANVAS(canvas, chart, view.width, view.height);
    chart.clearLabelRects();
    chart.referenceLabelSize = 0.01f;  // the name leaves no ink beside the line
    chart.drawReferenceLine(systems[i]);
    canvas.save("reference-" + std::to_string(systems[i]) + suffix());
    std::vector<Point2> circle = projectedCircle(view, poles[i]);
    CurveFit fit = chart_test::fitInkToCurves(canvas.raster(), {circle});
    EXPECT_GT(fit.samples, 300) << systems[i];
    EXPECT_LE(fit.inkToCurve, 1.5) << systems[i];
    EXPECT_LE(fit.curveToInk, 1.5) << systems[i];
    // The line's middle lies within a pixel of the circle.
    int samples = 0;
    EXPECT_LE(chart_test::worstLineCentreOffset(canvas.raster(), {circle}, 50, &samples), 0.5)
        << systems[i];
    EXPECT_GT(samples, 100) << systems[i];
  }
}

TEST_P(ChartSkyGridGolden, TheEquatorialGridHasEveryLineOfItsSpacingInView) {
  ChartOnEmptySky sky(400, 300);
  CSkyChart& chart = *sky.chart;
  chart.setJulianDate(kJ2000);
  for (double lat0 : {10.0, 75.0}) {
    TestView view;
    view.projection = 3;
    view.lon0 = 100 * kDegree;
    view.lat0 = lat0 * kDegree;
    view.fov = 30 * kDegree;
    chart_test::applyView(chart, view);
    double h = chart.getDiagonalFOV() / 2;
    // Half a diagonal of 15 to 30 degrees: parallels every 10 degrees,
    // meridians every hour (near the pole, where the whole circle is
    // drawn, every 2 h).
    ASSERT_GT(h, 15 * kDegree);
    ASSERT_LT(h, 30 * kDegree);
    double meridianStep = lat0 < 50 ? 15 : 30;
    CHART_CANVAS(canvas, chart, view.width, view.height);
    chart.clearLabelRects();
    chart.gridLabelSize = 0.01f;  // placed, but too small to leave ink
    chart.drawCoordinateGrid(1);
    canvas.save("grid-1-" + std::to_string(int(lat0)) + suffix());
    std::vector<std::vector<Point2>> curves;
    for (int lat = -80; lat <= 80; lat += 10) {
      std::vector<Point2> line;
      for (int i = 0; i <= 3600; ++i) {
        double v[3], x, y;
        eraS2c(i * 0.1 * kDegree, lat * kDegree, v);
        if (view.project(v, &x, &y)) line.push_back({x, y});
      }
      curves.push_back(line);
    }
    for (double lon = 0; lon < 360; lon += meridianStep) {
      std::vector<Point2> line;
      for (int i = -900; i <= 900; ++i) {
        double v[3], x, y;
        eraS2c(lon * kDegree, i * 0.1 * kDegree, v);
        if (view.project(v, &x, &y)) line.push_back({x, y});
      }
      curves.push_back(line);
    }
    CurveFit fit = chart_test::fitInkToCurves(canvas.raster(), curves, 50);
    EXPECT_GT(fit.samples, 500) << lat0;
    EXPECT_LE(fit.inkToCurve, 1.5) << lat0;
    EXPECT_LE(fit.curveToInk, 1.5) << lat0;
  }
}

// With refraction on the horizon line marks where the sky's edge appears:
// the true altitude whose apparent one is 0, 34.5' below, by Bennett's
// formula (J. Inst. Navigation 35, 255: R = cot(h + 7.31 / (h + 4.4))
// arcminutes for an apparent altitude h in degrees, at 1010 mbar and
// 10 C), written here. Off, it lies at altitude 0. A 10-degree
// stereographic field puts 0.033 degree in a pixel.
TEST_P(ChartSkyGridGolden, TheHorizonLineLiesAtTheRefractedAltitude) {
  ChartOnEmptySky sky(400, 300);
  CSkyChart& chart = *sky.chart;
  chart.setLocation(0.3, 45 * kDegree, 0);
  chart.setJulianDate(kJ2000 + 0.3);
  chart.horizonAltitude = 0;
  const double bennett = 1 / std::tan((0 + 7.31 / (0 + 4.4)) * kDegree) / 60 * kDegree;
  ASSERT_NEAR(bennett / kDegree * 60, 34.5, 0.05);
  for (bool refraction : {true, false}) {
    chart.refraction = refraction;
    const double altitude = refraction ? -bennett : 0;
    auto fundamental = [&](double azimuth, double alt, double v[3]) {
      // Azimuth from the north through the east; the horizon frame's
      // longitude runs the other way.
      const double h[3] = {std::cos(alt) * std::cos(-azimuth), std::cos(alt) * std::sin(-azimuth),
                           std::sin(alt)};
      chart.horizonToFundamental(h, v);
    };
    double centre[3];
    fundamental(M_PI, 0, centre);
    TestView view;
    eraC2s(centre, &view.lon0, &view.lat0);
    view.projection = 3;
    view.fov = 10 * kDegree;
    chart_test::applyView(chart, view);
    CHART_CANVAS(canvas, chart, view.width, view.height);
    chart.clearLabelRects();
    chart.referenceLabelSize = 0.01f;
    chart.drawReferenceLine(2);
    canvas.save(std::string("horizon-line-") + (refraction ? "refracted" : "plain") + suffix());
    std::vector<Point2> line;
    for (int i = -800; i <= 800; ++i) {
      double v[3], x, y;
      fundamental(M_PI + i * 0.01 * kDegree, altitude, v);
      if (view.project(v, &x, &y)) line.push_back({x, y});
    }
    CurveFit fit = chart_test::fitInkToCurves(canvas.raster(), {line});
    EXPECT_GT(fit.samples, 200) << refraction;
    EXPECT_LE(fit.inkToCurve, 1.5) << refraction;
    EXPECT_LE(fit.curveToInk, 1.5) << refraction;
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, ChartSkyGridGolden,
                         testing::Values(Backend::twoD, Backend::gl), chart_test::backendName);

}  // namespace
