// Marks along the reference lines: the meridian through the zenith drawn
// in both back ends against ERFA's horizon directions, the compass points
// on the horizon lowered by refraction, and the ecliptic's month and day
// ticks at the Sun's longitudes from ERFA's Earth ephemeris (eraEpv00,
// ecliptic of date), with the equator's hour ticks.
#include <gtest/gtest.h>

#include <erfa.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tests/chart/chart_canvas.h"
#include "tests/chart/horizon_oracle.h"

namespace {

using chart_test::Backend;
using chart_test::Point2;
using chart_test::TestView;

constexpr double kDegree = 0.017453292519943295;
constexpr double kJD = 2460300.75;  // 2023-12-20 06:00 UT
constexpr double kLongitude = 16.22 * kDegree, kLatitude = 48.49 * kDegree;

// A chart at the test's place and time with the test's view of the
// horizon direction (azimuth, altitude in degrees) in its centre.
struct HorizonView {
  HorizonView(int projection, double azimuth, double altitude, double fovDegrees)
      : sky(400, 300), chart(*sky.chart) {
    chart.setLocation(kLongitude, kLatitude, 0);
    chart.setJulianDate(kJD);
    double centre[3];
    chart_test::horizonDirection(kJD, kLongitude, kLatitude, azimuth * kDegree,
                                 altitude * kDegree, centre);
    eraC2s(centre, &view.lon0, &view.lat0);
    view.projection = projection;
    view.fov = fovDegrees * kDegree;
    chart_test::applyView(chart, view);
    chart.updateDisplayMatrix();
  }
  bool screenPoint(double azimuth, double altitude, double* x, double* y) const {
    double v[3];
    chart_test::horizonDirection(kJD, kLongitude, kLatitude, azimuth * kDegree,
                                 altitude * kDegree, v);
    return view.project(v, x, y) && *x >= 0 && *y >= 0 && *x < 400 && *y < 300;
  }
  chart_test::ChartOnEmptySky sky;
  CSkyChart& chart;
  TestView view;
};

class ChartSkyMeridian : public testing::TestWithParam<Backend> {};

TEST_P(ChartSkyMeridian, RunsFromTheNorthernHorizonOverTheZenithToTheSouthernOne) {
  HorizonView h(3, 0, 90, 170);
  h.chart.refraction = 0;
  h.chart.referenceLabelSize = 0.01f;
  auto canvas = chart_test::makeCanvas(GetParam(), h.chart, 400, 300);
  if (!canvas) GTEST_SKIP() << "no graphics layer here";
  h.chart.drawMeridian();
  canvas->save(std::string("meridian") + (GetParam() == Backend::gl ? "-gl" : ""));
  std::vector<Point2> line;
  for (int i = 0; i <= 1800; ++i) {
    double angle = i * 0.1, x, y;
    bool north = angle <= 90;
    if (h.screenPoint(north ? 0 : 180, north ? angle : 180 - angle, &x, &y))
      line.push_back({x, y});
  }
  ASSERT_GT(line.size(), 1000u);
  chart_test::Raster raster = canvas->raster();
  chart_test::CurveFit fit = chart_test::fitInkToCurves(raster, {line});
  EXPECT_LE(fit.inkToCurve, 1.5);
  EXPECT_LE(fit.curveToInk, 1.5);
  int samples = 0;
  EXPECT_LE(chart_test::worstLineCentreOffset(raster, {line}, 50, &samples), 0.5);
  EXPECT_GT(samples, 50);
}

TEST_P(ChartSkyMeridian, EndsAtTheRaisedHorizonOnBothSides) {
  HorizonView h(3, 0, 90, 170);
  h.chart.refraction = 0;
  h.chart.horizonAltitude = 10 * kDegree;
  h.chart.referenceLabelSize = 0.01f;
  auto canvas = chart_test::makeCanvas(GetParam(), h.chart, 400, 300);
  if (!canvas) GTEST_SKIP() << "no graphics layer here";
  h.chart.drawMeridian();
  std::vector<Point2> line;
  for (int i = 100; i <= 1700; ++i) {
    double angle = i * 0.1, x, y;
    bool north = angle <= 90;
    if (h.screenPoint(north ? 0 : 180, north ? angle : 180 - angle, &x, &y))
      line.push_back({x, y});
  }
  chart_test::CurveFit fit = chart_test::fitInkToCurves(canvas->raster(), {line});
  EXPECT_LE(fit.inkToCurve, 1.5);
  EXPECT_LE(fit.curveToInk, 1.5);
}

INSTANTIATE_TEST_SUITE_P(Backends, ChartSkyMeridian, testing::Values(Backend::twoD, Backend::gl),
                         chart_test::backendName);

// The centre of the ink within `reach` pixels of (x, y).
Point2 inkCentre(const chart_test::Raster& raster, double x, double y, int reach) {
  double sx = 0, sy = 0, sw = 0;
  for (int j = static_cast<int>(y) - reach; j <= static_cast<int>(y) + reach; ++j)
    for (int i = static_cast<int>(x) - reach; i <= static_cast<int>(x) + reach; ++i) {
      double w = raster.at(i, j);
      sx += w * (i + 0.5);
      sy += w * (j + 0.5);
      sw += w;
    }
  return sw > 0 ? Point2{sx / sw, sy / sw} : Point2{-1e9, -1e9};
}

TEST(ChartSkyCompassPoints, StandOnTheHorizonLoweredByRefraction) {
  // Looking south through a narrow field: the dot of "S" is the refracted
  // horizon's point, several pixels below the true horizon's.
  HorizonView narrow(1, 180, 0, 20);
  narrow.chart.refraction = 1;
  chart_test::Canvas2D canvas(narrow.chart, 400, 300);
  narrow.chart.drawCompassPoints();
  double rx, ry, tx, ty;
  ASSERT_TRUE(narrow.screenPoint(180, -chart_test::horizonRefraction() / kDegree, &rx, &ry));
  ASSERT_TRUE(narrow.screenPoint(180, 0, &tx, &ty));
  ASSERT_GT(std::hypot(rx - tx, ry - ty), 5);
  Point2 dot = inkCentre(canvas.raster(), rx, ry, 4);
  EXPECT_NEAR(dot.x, rx, 0.5);
  EXPECT_NEAR(dot.y, ry, 0.5);
  EXPECT_EQ(narrow.chart.labelRectCount, 1);

  // A wide field: one label for each point the view shows.
  HorizonView wide(3, 180, 10, 200);
  wide.chart.refraction = 0;
  chart_test::Canvas2D wideCanvas(wide.chart, 400, 300);
  wide.chart.drawCompassPoints();
  int shown = 0;
  for (int k = 0; k < 8; ++k) {
    double x, y;
    shown += wide.screenPoint(k * 45, 0, &x, &y);
  }
  EXPECT_GE(shown, 4);
  EXPECT_EQ(wide.chart.labelRectCount, shown);
}

// The Sun's apparent longitude on the ecliptic of date (radians) at 0 h UT
// of a date of 2000, from ERFA's Earth ephemeris.
double sunLongitude(int month, int day, double ecliptic[3][3]) {
  double d1, d2, pvh[2][3], pvb[2][3];
  eraCal2jd(2000, month, day, &d1, &d2);
  eraEpv00(d1, d2, pvh, pvb);
  double sun[3] = {-pvh[0][0], -pvh[0][1], -pvh[0][2]}, e[3];
  eraEcm06(d1, d2, ecliptic);
  eraRxp(ecliptic, sun, e);
  return std::atan2(e[1], e[0]);
}

// Screen points of the ecliptic ticks of 2000 the test's view shows.
std::vector<Point2> eclipticTicks(const TestView& view, bool fine) {
  std::vector<Point2> ticks;
  for (int month = 1; month <= 12; ++month)
    for (int day : {1, 5, 10, 15, 20, 25}) {
      if (!fine && day != 1) continue;
      double ecliptic[3][3], lambda = sunLongitude(month, day, ecliptic);
      double onEcliptic[3] = {std::cos(lambda), std::sin(lambda), 0}, v[3], x, y;
      eraTrxp(ecliptic, onEcliptic, v);
      if (view.project(v, &x, &y) && x >= 0 && y >= 0 && x < view.width && y < view.height)
        ticks.push_back({x, y});
    }
  return ticks;
}

// A tick of the ecliptic in the view: its screen point and the direction
// across the line (the line's direction plus 90 degrees).
struct Tick {
  Point2 at;
  double across;
};
std::vector<Tick> eclipticTickMarks(const TestView& view) {
  std::vector<Tick> ticks;
  for (int month = 1; month <= 12; ++month)
    for (int day : {1, 5, 10, 15, 20, 25}) {
      double ecliptic[3][3], lambda = sunLongitude(month, day, ecliptic), x, y, px, py;
      double on[3] = {std::cos(lambda), std::sin(lambda), 0};
      double before[3] = {std::cos(lambda - kDegree), std::sin(lambda - kDegree), 0};
      double v[3], w[3];
      eraTrxp(ecliptic, on, v);
      eraTrxp(ecliptic, before, w);
      if (!view.project(v, &x, &y) || !view.project(w, &px, &py)) continue;
      if (x < 10 || y < 10 || x > view.width - 10 || y > view.height - 10) continue;
      ticks.push_back({{x, y}, std::atan2(y - py, x - px) + M_PI / 2});
    }
  return ticks;
}

TEST(ChartSkyEclipticTicks, MonthsAtAWideFieldAndFiveDaysAfterEachInANarrowOne) {
  chart_test::ChartOnEmptySky sky(400, 300);
  CSkyChart& chart = *sky.chart;
  chart.setJulianDate(2451545.0);  // 2000 January 1, 12 h UT
  chart.showEclipticTicks = true;
  chart.gridLabelSize = 9;
  struct Case {
    int projection;
    double lon, lat, fov;
    std::size_t least;
  };
  // The whole sky (all twelve month names), and 40 degrees about April.
  for (const Case& c : {Case{4, 0, 0, 360, 12}, Case{1, 15, 6, 40, 6}}) {
    TestView view;
    view.projection = c.projection;
    view.lon0 = c.lon * kDegree;
    view.lat0 = c.lat * kDegree;
    view.fov = c.fov * kDegree;
    chart_test::applyView(chart, view);
    chart_test::Canvas2D canvas(chart, 400, 300);
    chart.clearLabelRects();
    chart.drawReferenceLine(3);
    std::vector<Point2> ticks = eclipticTicks(view, c.fov < 45);
    ASSERT_GE(ticks.size(), c.least) << c.fov;
    // Each tick in view has a label next to it beyond the tick; the line's
    // name has one more where it leaves the view (the whole sky's line
    // runs from edge to edge without leaving).
    int named = c.fov < 360 ? 1 : 0;
    EXPECT_EQ(chart.labelRectCount, static_cast<int>(ticks.size()) + named) << c.fov;
    int nearTicks = 0;
    for (int i = 0; i < chart.labelRectCount; ++i) {
      const LabelPosition& label = chart.labelRects[i];
      for (Point2 t : ticks)
        if (std::hypot(label.x - t.x, label.y - t.y) < label.halfWidth + chart.markerSize + 8) {
          ++nearTicks;
          break;
        }
    }
    EXPECT_GE(nearTicks, static_cast<int>(ticks.size())) << c.fov;
    if (c.fov >= 45) continue;
    // Each tick runs across the line from its date's place: ink 4 pixels
    // out along it.
    chart_test::Raster raster = canvas.raster();
    for (const Tick& t : eclipticTickMarks(view)) {
      double px = t.at.x + 4 * std::cos(t.across), py = t.at.y + 4 * std::sin(t.across);
      float ink = 0;
      for (int j = -1; j <= 1; ++j)
        for (int i = -1; i <= 1; ++i)
          ink = std::max(ink, raster.at(static_cast<int>(px) + i, static_cast<int>(py) + j));
      EXPECT_GT(ink, 0.25f) << t.at.x << ", " << t.at.y;
    }
  }
}

TEST(ChartSkyEquatorTicks, EveryHourIsLabelledOnTheWholeSky) {
  chart_test::ChartOnEmptySky sky(400, 300);
  CSkyChart& chart = *sky.chart;
  chart.showCelestialEquatorTicks = true;
  chart.gridLabelSize = 8;
  TestView view;
  view.projection = 4;
  view.fov = 360 * kDegree;
  chart_test::applyView(chart, view);
  chart_test::Canvas2D canvas(chart, 400, 300);
  chart.clearLabelRects();
  chart.drawReferenceLine(1);
  // 24 hours; the line runs from edge to edge, so no name.
  EXPECT_EQ(chart.labelRectCount, 24);
}

}  // namespace
