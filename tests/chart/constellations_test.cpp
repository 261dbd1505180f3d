// Constellations: figure lines in both back ends on the great circles
// between their stars (the test's own projection and ERFA's rotations),
// a missing star breaking its line, illustration meshes against an affine
// plate fitted with ERFA's tangent plane (eraTpxes, eraTpsts) within 1",
// pictures landing on their sky places through GL, their fade by field,
// distance and daylight, shared pictures drawn once, and taps.
#include <gtest/gtest.h>

#include <erfa.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "chart/constellation_images.h"
#include "chart/gl_api.h"
#include "skydata/constellation.h"
#include "skydata/constellation_tables.h"
#include "skydata/sky_database.h"
#include "skydata/star.h"
#include "tests/chart/chart_canvas.h"
#include "tests/chart/constellation_sky.h"

namespace {

using chart_test::Backend;
using chart_test::ConstellationRecord;
using chart_test::ConstellationSky;
using chart_test::NumberedStar;
using chart_test::Point2;
using chart_test::TestView;

constexpr double kDegree = 0.017453292519943295;
constexpr double kArcsecond = kDegree / 3600;

const int kOrion = chart_test::constellationNumber("Ori");

// Synthetic places for the stars of Orion's standard figure, spread over
// 20 degrees about (85, 0).
std::vector<NumberedStar> orionStars() {
  std::vector<NumberedStar> stars;
  const std::int16_t* figure = constellationFigure(kOrion);
  for (int k = 0; k < kStandardFigureWidth && figure[k] != 0; ++k) {
    int hr = std::abs(figure[k]);
    bool known = false;
    for (const NumberedStar& s : stars) known = known || s.hr == hr;
    if (known) continue;
    double i = static_cast<double>(stars.size());
    stars.push_back({hr, 85 + 9 * std::sin(i * 2.1), 10 * std::cos(i * 1.3)});
  }
  return stars;
}

TestView orionView() {
  TestView view;
  view.projection = 3;
  view.lon0 = 85 * kDegree;
  view.fov = 40 * kDegree;
  return view;
}

// The figure's polylines as great circles between the stars' places as
// the chart holds them, turned with ERFA in the chart's 5-degree steps and
// projected by the test; stars missing from the catalogue break a
// polyline.
std::vector<std::vector<Point2>> figureCurves(CSkyDatabase& database, const TestView& view,
                                              bool keepNearStars) {
  std::vector<std::vector<Point2>> curves;
  const std::int16_t* figure = constellationFigure(kOrion);
  double previous[3];
  bool pen = false;
  for (int k = 0; k < kStandardFigureWidth && figure[k] != 0; ++k) {
    CStar* star = database.getStarByHRNumber(std::abs(figure[k]));
    if (star == nullptr) {
      pen = false;
      continue;
    }
    double v[3];
    star->getPosition(v);
    if (figure[k] > 0 && pen) {
      std::vector<Point2> curve;
      double a[3], b[3], length;
      eraPn(previous, &length, a);
      eraPn(v, &length, b);
      // The chart draws arcs as chords of at most 5 degrees.
      double separation = eraSepp(a, b);
      double step = separation / std::ceil(separation / (5 * kDegree)) * (1 + 1e-9);
      for (const auto& p : chart_test::greatCircle(a, b, step)) {
        double x, y, ax, ay, bx, by;
        view.project(p.data(), &x, &y);
        view.project(a, &ax, &ay);
        view.project(b, &bx, &by);
        // Near a star other lines meet this one: the pieces from there on
        // are left out.
        bool nearStar = std::hypot(x - ax, y - ay) < 6 || std::hypot(x - bx, y - by) < 6;
        curve.push_back(keepNearStars || !nearStar ? Point2{x, y} : Point2{1e6, 1e6});
      }
      curves.push_back(curve);
    }
    std::copy(v, v + 3, previous);
    pen = true;
  }
  return curves;
}

// Points every pixel along the chords, so that crossings within a chord
// show.
std::vector<std::vector<Point2>> denseChords(const std::vector<std::vector<Point2>>& chords) {
  std::vector<std::vector<Point2>> curves;
  for (const auto& chord : chords) {
    std::vector<Point2> dense;
    for (std::size_t k = 0; k + 1 < chord.size(); ++k) {
      Point2 a = chord[k], b = chord[k + 1];
      double length = std::hypot(b.x - a.x, b.y - a.y);
      if (length > 200) {
        dense.push_back({1e6, 1e6});
        continue;
      }
      for (double t = 0; t < length; t += 1) dense.push_back({a.x + (b.x - a.x) * t / length, a.y + (b.y - a.y) * t / length});
    }
    if (!chord.empty()) dense.push_back(chord.back());
    curves.push_back(dense);
  }
  return curves;
}

// The trimmed curves without their points within 6 pixels of another of
// the whole curves, where crossing lines would pull the ink's centre
// aside.
std::vector<std::vector<Point2>> apartFromCrossings(const std::vector<std::vector<Point2>>& trimmed,
                                                    const std::vector<std::vector<Point2>>& whole) {
  std::vector<std::vector<Point2>> curves = denseChords(trimmed);
  const std::vector<std::vector<Point2>> all = denseChords(whole);
  for (std::size_t i = 0; i < curves.size(); ++i)
    for (Point2& p : curves[i])
      for (std::size_t j = 0; j < all.size(); ++j)
        if (j != i && chart_test::distanceToPolyline(all[j], p, 200) < 6) p = {1e6, 1e6};
  return curves;
}

class ChartSkyFigures : public testing::TestWithParam<Backend> {};

TEST_P(ChartSkyFigures, LinesFollowTheGreatCirclesBetweenTheirStars) {
  ConstellationSky sky(orionStars(), {{kOrion, 85, 0, 25}});
  auto chart = sky.sky().chart(400, 300, 85, 0, 40);
  TestView view = orionView();
  chart_test::applyView(*chart, view);
  auto canvas = chart_test::makeCanvas(GetParam(), *chart, 400, 300);
  if (!canvas) GTEST_SKIP() << "no graphics layer here";
  CConstellation* orion = sky.database().findConstellationByNumber(kOrion);
  ASSERT_NE(orion, nullptr);
  chart->setLineWidth(1);
  chart->drawConstellationLines(orion, 0);
  canvas->save(std::string("figure-orion") + (GetParam() == Backend::gl ? "-gl" : ""));
  chart_test::Raster raster = canvas->raster();
  auto whole = figureCurves(sky.database(), view, true);
  ASSERT_GT(whole.size(), 10u);
  chart_test::CurveFit fit = chart_test::fitInkToCurves(raster, whole, 200);
  EXPECT_LE(fit.inkToCurve, 1.5);
  EXPECT_LE(fit.curveToInk, 1.5);
  EXPECT_GT(fit.samples, 500);
  int samples = 0;
  EXPECT_LE(chart_test::worstLineCentreOffset(
                raster, apartFromCrossings(figureCurves(sky.database(), view, false), whole), 200,
                &samples),
            0.5);
  EXPECT_GT(samples, 100);
}

INSTANTIATE_TEST_SUITE_P(Backends, ChartSkyFigures, testing::Values(Backend::twoD, Backend::gl),
                         chart_test::backendName);

TEST(ChartSkyFigureStars, AStarTheCatalogueLacksBreaksTheLineInsteadOfJoiningItsNeighbours) {
  std::vector<NumberedStar> stars = orionStars();
  // Leave out the second star of the first stroke that continues.
  const std::int16_t* figure = constellationFigure(kOrion);
  int missing = 0;
  for (int k = 1; k < kStandardFigureWidth && figure[k] != 0 && missing == 0; ++k)
    if (figure[k] > 0 && figure[k - 1] > 0 && k + 1 < kStandardFigureWidth && figure[k + 1] > 0)
      missing = figure[k];
  ASSERT_NE(missing, 0);
  std::erase_if(stars, [&](const NumberedStar& s) { return s.hr == missing; });
  ConstellationSky sky(stars, {{kOrion, 85, 0, 25}});
  auto chart = sky.sky().chart(400, 300, 85, 0, 40);
  TestView view = orionView();
  chart_test::applyView(*chart, view);
  chart_test::Canvas2D canvas(*chart, 400, 300);
  chart->drawConstellationLines(sky.database().findConstellationByNumber(kOrion), 0);
  // Every inked pixel lies on a line between two stars that are both
  // there and next to each other in the figure.
  chart_test::CurveFit fit = chart_test::fitInkToCurves(
      canvas.raster(), figureCurves(sky.database(), view, true), 200);
  EXPECT_LE(fit.inkToCurve, 1.5);
  EXPECT_LE(fit.curveToInk, 1.5);
}

TEST(ChartSkyAsterisms, LinesJoinTheStarsOneAboveTheirTablesNumbers) {
  // The first asterism's stars, by their numbers in the table plus one.
  const std::int16_t* figure = getAsterismFigure(0);
  std::vector<NumberedStar> stars;
  for (int k = 0; k < kAsterismFigureWidth && figure[k] != 0; ++k) {
    int hr = std::abs(figure[k]) + 1;
    bool known = false;
    for (const NumberedStar& s : stars) known = known || s.hr == hr;
    double i = static_cast<double>(stars.size());
    if (!known) stars.push_back({hr, 200 + 6 * std::sin(i * 2.3), 40 + 5 * std::cos(i * 1.7)});
  }
  // The 89 constellation records come first, the asterisms after them.
  std::vector<ConstellationRecord> records;
  for (int n = 1; n <= 89; ++n) records.push_back({n, 0, -80, 1});
  records.push_back({1, 200, 40, 15, 41});
  ConstellationSky sky(stars, records);
  auto chart = sky.sky().chart(400, 300, 200, 40, 30);
  TestView view;
  view.projection = 3;
  view.lon0 = 200 * kDegree;
  view.lat0 = 40 * kDegree;
  view.fov = 30 * kDegree;
  chart_test::applyView(*chart, view);
  chart_test::Canvas2D canvas(*chart, 400, 300);
  chart->showAsterisms = true;
  setColor3(chart->asterismLineRGB, 1, 1, 1);
  chart->constellationIntensity = 1;
  chart->drawAsterisms();
  std::vector<std::vector<Point2>> curves;
  double previous[3];
  for (int k = 0; k < kAsterismFigureWidth && figure[k] != 0; ++k) {
    CStar* star = sky.database().getStarByHRNumber(std::abs(figure[k]) + 1);
    ASSERT_NE(star, nullptr);
    double v[3], length;
    star->getPosition(v);
    eraPn(v, &length, v);
    if (figure[k] > 0) {
      std::vector<Point2> curve;
      double separation = eraSepp(previous, v);
      double step = separation / std::ceil(separation / (5 * kDegree)) * (1 + 1e-9);
      for (const auto& p : chart_test::greatCircle(previous, v, step)) {
        double x, y;
        view.project(p.data(), &x, &y);
        curve.push_back({x, y});
      }
      curves.push_back(curve);
    }
    std::copy(v, v + 3, previous);
  }
  ASSERT_FALSE(curves.empty());
  chart_test::CurveFit fit = chart_test::fitInkToCurves(canvas.raster(), curves, 200);
  EXPECT_GT(fit.samples, 100);
  EXPECT_LE(fit.inkToCurve, 1.5);
  EXPECT_LE(fit.curveToInk, 1.5);
}

// Three reference stars about (60, 20) and a 256 x 192 picture.
// North is up and east to the left, as on a sky picture.
const std::vector<NumberedStar> kPlateStars = {
    {1001, 66.0, 25.0}, {1002, 55.0, 24.0}, {1003, 61.0, 14.5}};
const char* const kPlateLine = "Tau-plate.png 256 192 1001 20.5 30.25 1002 230 40 1003 120 170";
const double kPixels[3][2] = {{20.5, 30.25}, {230, 40}, {120, 170}};

// The sky place of a picture pixel from ERFA alone: the stars' gnomonic
// coordinates about their mean direction, an affine map from pixels to
// them solved by Cramer's rule, and back to the sphere.
void oraclePlace(double px, double py, double* ra, double* dec) {
  double sum[3] = {0, 0, 0}, ras[3], decs[3];
  for (int k = 0; k < 3; ++k) {
    // The catalogue keeps places in single precision, as the chart reads them.
    ras[k] = static_cast<float>(kPlateStars[k].ra * kDegree);
    decs[k] = static_cast<float>(kPlateStars[k].dec * kDegree);
    double v[3];
    eraS2c(ras[k], decs[k], v);
    for (int c = 0; c < 3; ++c) sum[c] += v[c];
  }
  double ra0, dec0;
  eraC2s(sum, &ra0, &dec0);
  double xi[3], eta[3];
  for (int k = 0; k < 3; ++k) {
    int status;
    eraTpxes(ras[k], decs[k], ra0, dec0, &xi[k], &eta[k]);
    (void)status;
  }
  auto det = [](double a[3][3]) {
    return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
           a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
           a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
  };
  double m[3][3];
  for (int k = 0; k < 3; ++k) m[k][0] = 1, m[k][1] = kPixels[k][0], m[k][2] = kPixels[k][1];
  double d = det(m), coefficients[2][3];
  for (int axis = 0; axis < 2; ++axis)
    for (int c = 0; c < 3; ++c) {
      double t[3][3];
      for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 3; ++k) t[r][k] = k == c ? (axis == 0 ? xi[r] : eta[r]) : m[r][k];
      coefficients[axis][c] = det(t) / d;
    }
  double x = coefficients[0][0] + coefficients[0][1] * px + coefficients[0][2] * py;
  double y = coefficients[1][0] + coefficients[1][1] * px + coefficients[1][2] * py;
  eraTpsts(x, y, ra0, dec0, ra, dec);
}

TEST(ChartSkyConstellationImages, MeshesFollowThePlateOfTheirThreeStarsWithinAnArcsecond) {
  ConstellationSky sky(kPlateStars, {{chart_test::constellationNumber("Tau"), 60, 20, 20}});
  auto chart = sky.sky().chart(400, 300, 60, 20, 30);
  ASSERT_TRUE(chart->loadConstellationImageIndex(sky.writeIndex({kPlateLine}).c_str(),
                                                 &sky.database()));
  ASSERT_EQ(chart->constellationImages->count, 1);
  const ConstellationImage& record = chart->constellationImages->records[0];
  ASSERT_NE(record.mesh, nullptr);
  ASSERT_NE(record.constellation, nullptr);
  EXPECT_EQ(record.mesh->columns, 5);
  EXPECT_EQ(record.mesh->rows, 4);
  int vertices = 0;
  for (int r = 0; r < record.mesh->rows; ++r)
    for (int c = 0; c < record.mesh->columns; ++c) {
      double ra, dec, expected[3];
      oraclePlace(64 * c, 64 * r, &ra, &dec);
      eraS2c(ra, dec, expected);
      double* got = &record.mesh->row[r][c].x;
      EXPECT_LT(eraSepp(expected, got), kArcsecond) << r << " " << c;
      EXPECT_EQ(record.mesh->row[r][c].u, 64.0f * c);
      EXPECT_EQ(record.mesh->row[r][c].v, 64.0f * r);
      ++vertices;
    }
  EXPECT_EQ(vertices, 20);
}

TEST(ChartSkyConstellationImages, IndexLinesKeepTheirPlacesAndOnlyTheFirst88AreRead) {
  ConstellationSky sky(kPlateStars, {{chart_test::constellationNumber("Tau"), 60, 20, 20}});
  auto chart = sky.sky().chart(400, 300, 60, 20, 30);
  std::vector<std::string> lines = {
      kPlateLine,
      "And-overlong-name-of-more-than-31-characters.png 256 256 1001 1 1 1002 2 2 1003 3 3",
      "Ant-zero.png 0 256 1001 1 1 1002 2 2 1003 3 3",
      "Aps-huge.png 256 99999999999999999999 1001 1 1 1002 2 2 1003 3 3",
      "Aqr-short.png 256 256 1001 1 1 1002 2",
      "Aql-collinear.png 256 256 1001 0 0 1002 10 10 1003 20 20",
      "Ara-missing.png 256 256 1001 0 0 1002 10 10 4000 20 30",
      std::string(400, 'x'),
      "Ari-zero.png 256 256 0 0 0 1002 10 10 1003 20 30",
  };
  while (lines.size() < 95) lines.push_back(kPlateLine);
  ASSERT_TRUE(chart->loadConstellationImageIndex(sky.writeIndex(lines).c_str(), &sky.database()));
  const ConstellationImageTable& table = *chart->constellationImages;
  ASSERT_EQ(table.count, 88);
  EXPECT_NE(table.records[0].mesh, nullptr);
  // Refused lines, a line over 255 characters, unsolvable and short plates
  // keep their places without a mesh.
  for (int i = 1; i <= 8; ++i) {
    EXPECT_EQ(table.records[i].mesh, nullptr) << i;
    EXPECT_LT(std::strlen(table.records[i].line.name), 32u) << i;
  }
  EXPECT_EQ(std::string(table.records[2].line.name), "");
  EXPECT_EQ(std::string(table.records[8].line.name), "");
  EXPECT_NE(table.records[9].mesh, nullptr);
  // Lines of one picture form one group, led by its first.
  EXPECT_EQ(table.records[9].group, 0);
  EXPECT_EQ(table.records[5].group, 5);
  // A second call keeps what was read.
  EXPECT_TRUE(chart->loadConstellationImageIndex("/no/such/file", &sky.database()));
  EXPECT_EQ(chart->constellationImages->count, 88);
  auto other = sky.sky().chart(400, 300, 60, 20, 30);
  EXPECT_FALSE(other->loadConstellationImageIndex("/no/such/file", &sky.database()));
}

// A picture on the plate of kPlateStars with a white spot at vertex (2, 1)
// of its mesh, pixel (128, 64), drawn through GL.
class ChartSkyPictureGL : public testing::Test {
 protected:
  void SetUp() override {
    if (!chart_test::backendAvailable(Backend::gl)) GTEST_SKIP() << "no graphics layer here";
    sky_.writePicture("Tau-plate.png", 256, 192, {{128, 64}}, 3);
    chart_ = sky_.sky().chart(400, 300, 60, 20, 30);
    chart_->setImageDirectory(sky_.imageFolder().c_str());
    ASSERT_TRUE(chart_->loadConstellationImageIndex(sky_.writeIndex({kPlateLine}).c_str(),
                                                    &sky_.database()));
    setColor3(chart_->constellationImageRGB, 1, 1, 1);
    chart_->constellationIntensity = 1;
    oraclePlace(128, 64, &ra_, &dec_);
    canvas_ = chart_test::makeCanvas(Backend::gl, *chart_, 400, 300);
  }
  // Brightness of the spot after drawing the pictures with the view centred
  // `offset` degrees from it at `fov` degrees (gnomonic).
  float spotLevel(double fov, double offset = 0) {
    TestView view;
    view.projection = 1;
    view.lon0 = ra_ + offset * kDegree / std::cos(dec_);
    view.lat0 = dec_;
    view.fov = fov * kDegree;
    chart_test::applyView(*chart_, view);
    glClear(GL_COLOR_BUFFER_BIT);
    chart_->clearLabelRects();
    chart_->drawConstellationImages();
    double spot[3], x, y;
    eraS2c(ra_, dec_, spot);
    if (!view.project(spot, &x, &y)) return -1;
    chart_test::Raster raster = canvas_->raster();
    lastRaster_ = raster;
    lastX_ = x;
    lastY_ = y;
    return raster.at(static_cast<int>(x), static_cast<int>(y));
  }
  ConstellationSky sky_{kPlateStars, {{chart_test::constellationNumber("Tau"), 60, 20, 20}}};
  std::unique_ptr<CSkyChart> chart_;
  std::unique_ptr<chart_test::ChartCanvas> canvas_;
  double ra_ = 0, dec_ = 0;
  chart_test::Raster lastRaster_;
  double lastX_ = 0, lastY_ = 0;
};

TEST_F(ChartSkyPictureGL, ThePictureLandsOnItsPlateAndFadesInBetweenOneAndTenDegrees) {
  EXPECT_NEAR(spotLevel(30), 1.0f, 0.02f);
  // The spot's centre on the screen is the oracle's place.
  double sx = 0, sy = 0, sw = 0;
  for (int y = static_cast<int>(lastY_) - 8; y <= static_cast<int>(lastY_) + 8; ++y)
    for (int x = static_cast<int>(lastX_) - 8; x <= static_cast<int>(lastX_) + 8; ++x) {
      float w = lastRaster_.at(x, y);
      sx += w * (x + 0.5);
      sy += w * (y + 0.5);
      sw += w;
    }
  ASSERT_GT(sw, 0);
  EXPECT_NEAR(sx / sw, lastX_, 1.0);
  EXPECT_NEAR(sy / sw, lastY_, 1.0);
  EXPECT_NEAR(spotLevel(5.5), 0.5f, 0.02f);
  EXPECT_EQ(spotLevel(1.0), 0.0f);
  EXPECT_EQ(spotLevel(0.5), 0.0f);
  // The fade by distance: full within half its constellation's size, none
  // ten degrees beyond.
  for (double offset : {5.0, 12.0, 16.0}) {
    double centre[3], tau[3];
    eraS2c(ra_ + offset * kDegree / std::cos(dec_), dec_, centre);
    eraS2c(60 * kDegree, 20 * kDegree, tau);
    double fade = std::clamp((10 + 10 - eraSepp(centre, tau) / kDegree) / 10, 0.0, 1.0);
    EXPECT_NEAR(spotLevel(30, offset), fade, 0.03f) << offset;
  }
}

TEST_F(ChartSkyPictureGL, DaylightHidesPicturesButASelectedOneShowsEvenWithFiguresOff) {
  chart_->setDisplayCoordSystem(kCoordHorizon);
  chart_->skyBrightness = 0.6f;
  chart_->setLocation(0, 0.5, 0);
  EXPECT_EQ(spotLevel(30), 0.0f);
  chart_->skyBrightness = 0.25f;
  EXPECT_NEAR(spotLevel(30), 0.5f, 0.02f);
  chart_->skyBrightness = 0;
  chart_->setDisplayCoordSystem(0);
  chart_->showConstellations = false;
  EXPECT_EQ(spotLevel(30), 0.0f);
  // Selected: grey, whatever its distance from the centre.
  SkyObjectID tau;
  CSkyDatabase::setSkyObjectID(&tau, kConstellationsFile, 0,
                               static_cast<std::uint16_t>(chart_test::constellationNumber("Tau") - 1),
                               0, "", 40);
  chart_->selectedObjectID = tau;
  EXPECT_NEAR(spotLevel(30), 0.5f, 0.02f);
  EXPECT_NEAR(spotLevel(30, 9), 0.5f, 0.02f);
}

TEST(ChartSkyConstellationImages, APictureSharedByThreeConstellationsIsDrawnOnceWhenAnyIsNear) {
  if (!chart_test::backendAvailable(Backend::gl)) GTEST_SKIP() << "no graphics layer here";
  int car = chart_test::constellationNumber("Car"), pup = chart_test::constellationNumber("Pup"),
      vel = chart_test::constellationNumber("Vel");
  // Vel near the picture, Car and Pup far away.
  ConstellationSky sky(kPlateStars, {{car, 240, -60, 10}, {pup, 200, -30, 10}, {vel, 60, 20, 10}});
  sky.writePicture("Car-argo.png", 256, 192, {{128, 64}}, 3);
  sky.writePicture("Pup-argo.png", 256, 192, {{128, 64}}, 3);
  sky.writePicture("Vel-argo.png", 256, 192, {{128, 64}}, 3);
  std::string line = std::string(kPlateLine).substr(std::strlen("Tau-plate.png"));
  auto chart = sky.sky().chart(400, 300, 60, 20, 30);
  chart->setImageDirectory(sky.imageFolder().c_str());
  ASSERT_TRUE(chart->loadConstellationImageIndex(
      sky.writeIndex({"Car-argo.png" + line, "Pup-argo.png" + line, "Vel-argo.png" + line})
          .c_str(),
      &sky.database()));
  setColor3(chart->constellationImageRGB, 0.3f, 0.3f, 0.3f);
  chart->constellationIntensity = 1;
  double ra, dec, spot[3], x, y;
  oraclePlace(128, 64, &ra, &dec);
  eraS2c(ra, dec, spot);
  TestView view;
  view.projection = 1;
  view.lon0 = ra;
  view.lat0 = dec;
  view.fov = 30 * kDegree;
  chart_test::applyView(*chart, view);
  auto canvas = chart_test::makeCanvas(Backend::gl, *chart, 400, 300);
  chart->drawConstellationImages();
  ASSERT_TRUE(view.project(spot, &x, &y));
  // Once, at the strength of the nearest member: not three times over.
  EXPECT_NEAR(canvas->raster().at(static_cast<int>(x), static_cast<int>(y)), 0.3f, 0.02f);
  const ConstellationImageTable& table = *chart->constellationImages;
  EXPECT_TRUE(CSkyChart::isTextureLoaded(&table.records[0].texture));
  EXPECT_FALSE(CSkyChart::isTextureLoaded(&table.records[1].texture));
  EXPECT_FALSE(CSkyChart::isTextureLoaded(&table.records[2].texture));
  EXPECT_TRUE(chart->isConstellationImageVisible(0));
  EXPECT_TRUE(chart->isConstellationImageVisible(1));
  EXPECT_DOUBLE_EQ(chart->constellationImageFade(1), 1.0);
}

// A shared picture whose first line names an abbreviation the catalogue
// lacks (a damaged or hand-edited index): under the zodiac-only option the
// picture is weighed by the constellations it does cover.
TEST(ChartSkyConstellationImages, ZodiacOnlyWeighsTheKnownConstellationsOfASharedPicture) {
  if (!chart_test::backendAvailable(Backend::gl)) GTEST_SKIP() << "no graphics layer here";
  const int tau = chart_test::constellationNumber("Tau"),
            vel = chart_test::constellationNumber("Vel");
  std::string line = std::string(kPlateLine).substr(std::strlen("Tau-plate.png"));
  double ra, dec, spot[3], x, y;
  oraclePlace(128, 64, &ra, &dec);
  eraS2c(ra, dec, spot);
  TestView view;
  view.projection = 1;
  view.lon0 = ra;
  view.lat0 = dec;
  view.fov = 30 * kDegree;
  ASSERT_TRUE(view.project(spot, &x, &y));
  struct Case {
    const char* member;
    int number;
    bool zodiacOnly;
    float expected;
  } cases[] = {{"Vel", vel, true, 0.0f}, {"Vel", vel, false, 0.3f}, {"Tau", tau, true, 0.3f}};
  for (const Case& c : cases) {
    ConstellationSky sky(kPlateStars, {{c.number, 60, 20, 10}});
    sky.writePicture("Xyz-argo.png", 256, 192, {{128, 64}}, 3);
    auto chart = sky.sky().chart(400, 300, 60, 20, 30);
    chart->setImageDirectory(sky.imageFolder().c_str());
    ASSERT_TRUE(chart->loadConstellationImageIndex(
        sky.writeIndex({"Xyz-argo.png" + line, c.member + std::string("-argo.png") + line}).c_str(),
        &sky.database()));
    ASSERT_EQ(chart->constellationImages->records[0].constellation, nullptr);
    ASSERT_EQ(chart->constellationImages->records[1].group, 0);
    setColor3(chart->constellationImageRGB, 0.3f, 0.3f, 0.3f);
    chart->constellationIntensity = 1;
    chart->zodiacConstellationsOnly = c.zodiacOnly;
    chart_test::applyView(*chart, view);
    auto canvas = chart_test::makeCanvas(Backend::gl, *chart, 400, 300);
    chart->drawConstellationImages();
    EXPECT_NEAR(canvas->raster().at(static_cast<int>(x), static_cast<int>(y)), c.expected, 0.02f)
        << c.member << " zodiac only " << c.zodiacOnly;
  }
}

TEST(ChartSkyConstellationTaps, ATapSelectsTheConstellationContainingItAboveTenDegrees) {
  ConstellationSky sky({}, {{kOrion, 85, 0, 25}});
  auto chart = sky.sky().chart(400, 300, 88.8, 7.4, 30);
  // Betelgeuse (5h 55m, +7.4 degrees) is in Orion by the IAU boundaries.
  float centre[2] = {200, 150};
  SkyObjectID hit;
  ASSERT_TRUE(chart->findConstellationAt(centre, &hit));
  EXPECT_EQ(hit.file, kConstellationsFile);
  EXPECT_EQ(hit.index, kOrion - 1);
  // Polaris' constellation is not in this catalogue.
  auto north = sky.sky().chart(400, 300, 37.9, 89.26, 30);
  EXPECT_FALSE(north->findConstellationAt(centre, &hit));
  // Through the chart's hit test only with the option and a field over 10
  // degrees.
  chart->selectConstellations = true;
  SkyObjectID hits[4];
  EXPECT_EQ(chart->findObjectsAt({200, 150}, hits, 4), 1);
  chart->setDisplayFOV(10.05 * kDegree);
  EXPECT_EQ(chart->findObjectsAt({200, 150}, hits, 4), 1);
  chart->setDisplayFOV(9.95 * kDegree);
  EXPECT_EQ(chart->findObjectsAt({200, 150}, hits, 4), 0);
  chart->setDisplayFOV(5 * kDegree);
  EXPECT_EQ(chart->findObjectsAt({200, 150}, hits, 4), 0);
}

}  // namespace
