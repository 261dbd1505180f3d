// The ground view on a world map (equirectangular, equator of date,
// Greenwich at the centre) in both back ends, checked against geometry
// computed here: sub-satellite points from an independent SGP4
// (python3-sgp4) turned Earth-fixed with ERFA (eraGmst82, eraGc2gd), the
// footprint's horizon and slant-range circles, country borders as
// shapelib's plain API reads them, and "You Are Here" at the observer.
#include <erfa.h>
#include <gtest/gtest.h>
#include <shapefil.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "chart/sky_chart.h"
#include "chart/world_borders.h"
#include "engine/vectors.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/satellite.h"
#include "skydata/sky_database.h"
#include "tests/chart/chart_canvas.h"
#include "tests/mechanics/mechanics_fixture.h"
#include "tests/support/requirements.h"

namespace {

using chart_test::Backend;
using chart_test::Point2;
using chart_test::Raster;
using mechanics_test::SatelliteRecord;

constexpr double kPi = 3.14159265358979323846;
constexpr int kWidth = 1024, kHeight = 512;
constexpr double kRadiansPerPixel = kPi / 512;
constexpr double kEarthRadiusKm = 6378.137;  // the chart's ground radius
constexpr int kCategoryBase = 100;

struct ElementPair {
  std::string line1, line2;
};

// The ISS and the first ten other sets within ten days of its epoch.
std::vector<ElementPair> elementSets(double* epoch) {
  std::vector<ElementPair> sets;
  const auto all = mechanics_test::gpredictElementSets();
  for (const auto& s : all)
    if (s.elements.catalogueNumber == 25544) sets.push_back({s.line1, s.line2}), *epoch = s.elements.epoch;
  if (sets.empty()) return sets;
  for (const auto& s : all) {
    if (sets.size() == 11) break;
    if (s.elements.catalogueNumber != 25544 && std::fabs(s.elements.epoch - *epoch) < 10) sets.push_back({s.line1, s.line2});
  }
  return sets;
}

std::vector<std::array<double, 3>> temePositions(double jd, const std::vector<ElementPair>& sets) {
  const char* root = std::getenv("TESSALY_SOURCE_DIR");
  char number[40];
  std::snprintf(number, sizeof number, " %.17g", jd);
  std::string command = "/usr/bin/python3 " + std::string(root ? root : ".") + "/tests/chart/satellite_oracle.py" + number;
  for (const ElementPair& s : sets) command += " '" + s.line1 + "' '" + s.line2 + "'";
  std::vector<std::array<double, 3>> rows;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return rows;
  std::array<double, 3> r;
  while (std::fscanf(pipe, "%lf %lf %lf", &r[0], &r[1], &r[2]) == 3) rows.push_back(r);
  pclose(pipe);
  return rows;
}

// Screen point of a longitude (east of Greenwich) and latitude.
Point2 mapPoint(double lon, double lat) {
  return {kWidth / 2.0 - eraAnpm(lon) / kRadiansPerPixel, kHeight / 2.0 - lat / kRadiansPerPixel};
}

// The ink blob nearest to a point: its centroid and size.
struct Blob {
  Point2 centre{};
  int pixels = 0;
};
Blob blobNear(const Raster& raster, Point2 at, int window) {
  Blob blob;
  double sx = 0, sy = 0, weight = 0;
  for (int y = static_cast<int>(at.y) - window; y <= static_cast<int>(at.y) + window; ++y)
    for (int x = static_cast<int>(at.x) - window; x <= static_cast<int>(at.x) + window; ++x) {
      const float a = raster.at(x, y);
      if (a <= 0.05f) continue;
      sx += a * (x + 0.5), sy += a * (y + 0.5), weight += a;
      ++blob.pixels;
    }
  if (weight > 0) blob.centre = {sx / weight, sy / weight};
  return blob;
}

class GroundView : public testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    if (!chart_test::backendAvailable(GetParam())) GTEST_SKIP() << "no GL layer in this tree";
    sets_ = elementSets(&epoch_);
    if (sets_.size() < 11) TESSALY_SKIP_OR_FAIL("gpredict's element sets are not installed");
    jd_ = epoch_ + 0.13;
    temes_ = temePositions(jd_, sets_);
    if (temes_.size() != sets_.size()) TESSALY_SKIP_OR_FAIL("the SGP4 oracle (python3-sgp4) did not run");
    std::vector<SatelliteRecord> records;
    for (std::size_t k = 0; k < sets_.size(); ++k)
      records.push_back({mechanics_test::elementsFromLines(sets_[k].line1.c_str(), sets_[k].line2.c_str()), 4,
                         {kCategoryBase + static_cast<int>(k)}});
    world_ = std::make_unique<mechanics_test::SolarSystemWorld>(std::vector<mechanics_test::BodyRecord>{}, records);
    ASSERT_TRUE(world_->loaded());
    makeChart();
  }
  // A world map of the ground view: Greenwich at the centre, 2.84 pixels
  // a degree, the observer in London.
  void makeChart() {
    chart_ = std::make_unique<CSkyChart>(&world_->database(), "");
    chart_->setViewport(0, 0, kWidth, kHeight);
    chart_->setLocation(-0.1276 * kPi / 180, 51.5072 * kPi / 180, 20);
    chart_->setJulianDate(jd_);
    chart_->setDisplayCoordSystem(1);
    chart_->setDisplayProjection(4);
    chart_->setDisplayFOV(2 * kPi);
    chart_->setDisplayCenter(1, eraGmst82(jd_, 0), 0, 0);
    chart_->updateDisplayMatrix();
    chart_->earthView = true;
    chart_->showSatellites = true;
    chart_->satelliteVisibilityCircles = 0;
    earth_ = world_->body(kTypePlanet, 3);
    chart_->updateObjectPosition(earth_);
  }
  void TearDown() override { releaseWorldBorders(); }

  // Earth-fixed position (km) of satellite k by the oracle.
  void earthFixed(std::size_t k, double out[3]) const {
    double spin[3][3];
    eraIr(spin);
    eraRz(eraGmst82(jd_, 0), spin);
    double teme[3] = {temes_[k][0], temes_[k][1], temes_[k][2]};
    eraRxp(spin, teme, out);
  }
  std::string name(const char* what) const {
    return std::string("ground_") + what + (GetParam() == Backend::gl ? "_gl" : "_2d");
  }
  CSatellite* satellite(std::size_t k) {
    return dynamic_cast<CSatellite*>(world_->database().getSolarSystemObject(world_->database().getSolarSystemObjectCount() - 11 + static_cast<int>(k)));
  }

  std::vector<ElementPair> sets_;
  std::vector<std::array<double, 3>> temes_;
  double epoch_ = 0, jd_ = 0;
  std::unique_ptr<mechanics_test::SolarSystemWorld> world_;
  std::unique_ptr<CSkyChart> chart_;
  CPlanet* earth_ = nullptr;
};

TEST_P(GroundView, SatellitesAreDrawnAtTheirSubSatellitePoints) {
  // The Sun selected: every satellite is one of the others, drawn one at a
  // time through its own category.
  SkyObjectID sun;
  CSkyDatabase::setSunObjectID(&sun);
  chart_->selectObject(&sun);
  chart_->showMinorPlanetNames = false;
  int checked = 0;
  double worst = 0;
  for (std::size_t k = 0; k < sets_.size(); ++k) {
    std::fill(std::begin(chart_->satelliteCategories), std::end(chart_->satelliteCategories), false);
    chart_->satelliteCategories[kCategoryBase + k] = true;
    chart_->updateNeeded = true;
    auto canvas = chart_test::makeCanvas(GetParam(), *chart_, kWidth, kHeight);
    chart_->drawEarthView();
    if (k == 0) canvas->save(name("iss"));
    double fixed[3], lon, lat, height;
    earthFixed(k, fixed);
    eraSxp(1000, fixed, fixed);  // metres
    ASSERT_EQ(eraGc2gd(1, fixed, &lon, &lat, &height), 0);
    const Point2 expected = mapPoint(lon, lat);
    const Blob blob = blobNear(canvas->raster(), expected, 8);
    ASSERT_GT(blob.pixels, 0) << "satellite " << k << " not drawn near " << expected.x << "," << expected.y;
    const double miss = std::hypot(blob.centre.x - expected.x, blob.centre.y - expected.y);
    worst = std::max(worst, miss);
    EXPECT_LT(miss, 1.0) << "satellite " << k;
    ++checked;
  }
  std::printf("worst sub-satellite point: %.2f px over %d satellites\n", worst, checked);
  EXPECT_EQ(checked, 11);
}

TEST_P(GroundView, SatellitesAreNamedAtTheChartLabelSizeWhateverCameBefore) {
  // Chart text comes from the GL glyph atlases; the 2-D back end places none.
  if (GetParam() != Backend::gl) return;
  SkyObjectID sun;
  CSkyDatabase::setSunObjectID(&sun);
  chart_->selectObject(&sun);
  chart_->showMinorPlanetNames = true;
  chart_->showUserLocationMarker = false;
  chart_->setContentScale(2);
  // What the layers drawn before leave behind: smaller and larger sizes.
  for (float before : {12.0f, 20.0f}) {
    chart_->setTextHeight(before);
    chart_->clearLabelRects();
    chart_->updateNeeded = true;
    auto canvas = chart_test::makeCanvas(GetParam(), *chart_, kWidth, kHeight);
    chart_->drawEarthView();
    ASSERT_GT(chart_->labelRectCount, 0) << before;
    for (int i = 0; i < chart_->labelRectCount; ++i)
      EXPECT_FLOAT_EQ(chart_->labelRects[i].halfHeight, chart_->chartLabelTextHeight) << before;
  }
}

TEST_P(GroundView, ATapNearASatelliteFindsItAndNothingElse) {
  SkyObjectID sun;
  CSkyDatabase::setSunObjectID(&sun);
  chart_->selectObject(&sun);
  chart_->updateNeeded = true;
  CSkyDatabase& db = world_->database();
  for (std::size_t k : {std::size_t{0}, std::size_t{5}}) {
    double fixed[3], lon, lat, height;
    earthFixed(k, fixed);
    eraSxp(1000, fixed, fixed);
    ASSERT_EQ(eraGc2gd(1, fixed, &lon, &lat, &height), 0);
    const Point2 at = mapPoint(lon, lat);
    SkyObjectID hits[kMaxHitRecords];
    const int n = chart_->findObjectsAt({static_cast<float>(at.x + 5), static_cast<float>(at.y - 5)}, hits, kMaxHitRecords);
    ASSERT_GE(n, 1) << k;
    bool found = false;
    for (int i = 0; i < n; ++i) {
      EXPECT_EQ(hits[i].file, 1);
      EXPECT_EQ(db.getSolarSystemObject(hits[i].index)->getType(), kTypeSatellite);
      found = found || db.getSolarSystemObject(hits[i].index) == satellite(k);
    }
    EXPECT_TRUE(found) << k;
  }
  // Far from every satellite: nothing, and nothing at all with the other
  // satellites hidden.
  SkyObjectID hits[kMaxHitRecords];
  chart_->showSatellites = false;
  const Point2 iss = mapPoint(0, 0);
  EXPECT_EQ(chart_->findSatellitesNear({static_cast<float>(iss.x), static_cast<float>(iss.y)}, hits, kMaxHitRecords), 0);
}

// Points of the circle `angle` from the Earth-fixed unit vector `centre`.
std::vector<Point2> groundCircle(const double centre[3], double angle) {
  double north[3] = {-centre[2] * centre[0], -centre[2] * centre[1], 1 - centre[2] * centre[2]};
  double length;
  eraPn(north, &length, north);
  double east[3];
  eraPxp(north, const_cast<double*>(centre), east);
  std::vector<Point2> points;
  for (int k = 0; k <= 720; ++k) {
    const double t = 2 * kPi * k / 720;
    double p[3];
    for (int i = 0; i < 3; ++i)
      p[i] = std::cos(angle) * centre[i] + std::sin(angle) * (std::cos(t) * north[i] + std::sin(t) * east[i]);
    double lon, lat;
    eraC2s(p, &lon, &lat);
    points.push_back(mapPoint(lon, lat));
  }
  return points;
}

TEST_P(GroundView, FootprintCirclesHaveTheHorizonAndSlantRangeRadii) {
  for (int withRanges : {0, 1}) {
    CSatellite* iss = satellite(0);
    ASSERT_NE(iss, nullptr);
    chart_->updateObjectPosition(iss);
    if (withRanges) {
      // A station of categories 80-83 also shows who can reach it within
      // 300, 500 and 1000 km; at some 420 km up it has no 300 km circle.
      SatelliteRecord record{mechanics_test::elementsFromLines(sets_[0].line1.c_str(), sets_[0].line2.c_str()), 4, {81}};
      chart_.reset();  // before the database it reads
      world_ = std::make_unique<mechanics_test::SolarSystemWorld>(std::vector<mechanics_test::BodyRecord>{}, std::vector<SatelliteRecord>{record});
      makeChart();
      iss = dynamic_cast<CSatellite*>(world_->database().getSolarSystemObject(world_->database().getSolarSystemObjectCount() - 1));
      ASSERT_TRUE(iss->hasCategoryGroup80());
      chart_->updateObjectPosition(iss);
    }
    auto canvas = chart_test::makeCanvas(GetParam(), *chart_, kWidth, kHeight);
    const float green[3] = {0, 1, 0};
    chart_->drawSatelliteFootprint(earth_, iss, green);
    canvas->save(name(withRanges ? "footprint_ranges" : "footprint"));
    double fixed[3];
    earthFixed(0, fixed);
    const double r = eraPm(fixed);
    double centre[3];
    eraSxp(1 / r, fixed, centre);
    std::vector<std::vector<Point2>> circles = {groundCircle(centre, std::acos(kEarthRadiusKm / r))};
    if (withRanges) {
      for (double slant : {300.0, 500.0, 1000.0}) {
        // The cosine rule in the triangle of the Earth's centre, the
        // satellite and a ground point at that slant range.
        const double c = (kEarthRadiusKm * kEarthRadiusKm + r * r - slant * slant) / (2 * kEarthRadiusKm * r);
        if (c <= 1) circles.push_back(groundCircle(centre, std::acos(c)));
      }
      EXPECT_EQ(circles.size(), 3u);  // 500 and 1000 km only
    }
    const chart_test::CurveFit fit = chart_test::fitInkToCurves(canvas->raster(), circles, 100);
    EXPECT_LT(fit.inkToCurve, 1.5) << withRanges;
    EXPECT_LT(fit.curveToInk, 1.5) << withRanges;
    EXPECT_GT(fit.inkPixels, 300);
  }
}

TEST_P(GroundView, BordersAndYouAreHereLieWhereTheTestPutsThem) {
  const std::string base = std::string(TESSALY_TEST_BUNDLE) + "/WorldBorders/TM_WORLD_BORDERS_SIMPL";
  releaseWorldBorders();
  if (loadWorldBorders(base.c_str()) != 1 || getCountryCount() < 200)
    TESSALY_SKIP_OR_FAIL("the bundle's world borders are not built (" + base + ")");
  std::vector<std::vector<Point2>> borders, islands;
  SHPHandle shp = SHPOpen(base.c_str(), "rb");
  ASSERT_NE(shp, nullptr);
  // Mainland outlines: an archipelago's sub-pixel coast is all joins.
  for (const char* code : {"FR", "AU", "BR", "ZA", "EG", "AR", "IN", "MN"}) {
    const int row = findCountry(code);
    ASSERT_GE(row, 0) << code;
    chart_->showCountryBorder[row] = true;
    SHPObject* shape = SHPReadObject(shp, row);
    ASSERT_NE(shape, nullptr);
    for (int part = 0; part < shape->nParts; ++part) {
      const int end = part + 1 < shape->nParts ? shape->panPartStart[part + 1] : shape->nVertices;
      std::vector<Point2> line;
      double left = 1e9, right = -1e9, top = 1e9, bottom = -1e9;
      for (int v = shape->panPartStart[part]; v < end; ++v) {
        line.push_back(mapPoint(shape->padfX[v] * kPi / 180, shape->padfY[v] * kPi / 180));
        left = std::min(left, line.back().x), right = std::max(right, line.back().x);
        top = std::min(top, line.back().y), bottom = std::max(bottom, line.back().y);
      }
      // Islands smaller than a few pixels leave the GL's thin lines no
      // pixel centre to cover.
      (right - left > 3 || bottom - top > 3 ? borders : islands).push_back(line);
    }
    SHPDestroyObject(shape);
  }
  SHPClose(shp);
  auto canvas = chart_test::makeCanvas(GetParam(), *chart_, kWidth, kHeight);
  chart_->drawCountryBorders(earth_);
  canvas->save(name("borders"));
  const Raster raster = canvas->raster();
  // Every border line is drawn...
  const chart_test::CurveFit fit = chart_test::fitInkToCurves(raster, borders, 200);
  EXPECT_LT(fit.curveToInk, 1.1);
  EXPECT_GT(fit.inkPixels, 1500);
  // ...and ink lies on them, but for the spikes of mitred joins at the
  // sharpest corners of the 2-D strokes.
  std::vector<std::vector<Point2>> all = borders;
  all.insert(all.end(), islands.begin(), islands.end());
  int ink = 0, off = 0;
  for (int y = 0; y < raster.height; ++y)
    for (int x = 0; x < raster.width; ++x) {
      // Pixels the line mostly covers (a 1.5-pixel stroke reaches past
      // 1 px into its smoothed edge).
      if (raster.at(x, y) <= 0.5f) continue;
      ++ink;
      double nearest = 1e9;
      for (const auto& line : all)
        if (std::fabs(line[0].x - x) < 200) nearest = std::min(nearest, chart_test::distanceToPolyline(line, {x + 0.5, y + 0.5}, 200));
      off += nearest > 1.0;
    }
  std::printf("borders: %d of %d inked pixels farther than 1 px, lines %.2f px from ink\n", off, ink, fit.curveToInk);
  EXPECT_LT(off, ink / 100);

  auto mark = chart_test::makeCanvas(GetParam(), *chart_, kWidth, kHeight);
  chart_->drawYouAreHere(earth_, "", chart_->longitude, chart_->latitude);
  const Point2 expected = mapPoint(chart_->longitude, chart_->latitude);
  const Blob blob = blobNear(mark->raster(), expected, 10);
  ASSERT_GT(blob.pixels, 5);
  EXPECT_LT(std::hypot(blob.centre.x - expected.x, blob.centre.y - expected.y), 1.0);
}

// "Show Cities": the Earth's populated places large enough for the map's
// scale get a mark at their place; small towns wait for a closer view.
TEST_P(GroundView, ShowCitiesMarksTheLargePlacesWhereTheyLie) {
  struct Place {
    const char* name;
    double lat, lon;  // degrees, published
    float people;
    bool named;
  };
  const Place places[] = {{"Tokyo", 35.6895, 139.6917, 37.4e6f, true},
                          {"Sao Paulo", -23.5505, -46.6333, 21.8e6f, true},
                          {"Cairo", 30.0444, 31.2357, 20.9e6f, true},
                          {"Timbuktu", 16.7666, -3.0026, 3.2e4f, false},
                          // Either side of the map's limit: a globe of
                          // 12756 km, 256 pixels a right angle, names
                          // places of 12756 / 512 * 32 = 797 thousand.
                          {"Lusaka", -15.4167, 28.2833, 0.9e6f, true},
                          {"Windhoek", -22.5594, 17.0832, 0.7e6f, false}};
  std::vector<mechanics_test::FeatureRecord> features;
  for (const Place& p : places) {
    mechanics_test::FeatureRecord f;
    f.name = p.name;
    f.parent = 3;  // the Earth
    f.size = p.people;
    f.type = 100;
    double v[3];
    eraS2c(p.lon * kPi / 180, p.lat * kPi / 180, v);
    for (int k = 0; k < 3; ++k) f.direction[k] = static_cast<float>(v[k]);
    features.push_back(f);
  }
  chart_.reset();  // before the database it reads
  world_ = std::make_unique<mechanics_test::SolarSystemWorld>(std::vector<mechanics_test::BodyRecord>{},
                                                              std::vector<SatelliteRecord>{}, features);
  ASSERT_TRUE(world_->loaded());
  makeChart();
  SkyObjectID sun;
  CSkyDatabase::setSunObjectID(&sun);
  chart_->selectObject(&sun);
  chart_->showSatellites = false;
  for (bool shown : {false, true}) {
    chart_->showPlanetSurfaceFeatures = shown;
    chart_->updateNeeded = true;
    auto canvas = chart_test::makeCanvas(GetParam(), *chart_, kWidth, kHeight);
    chart_->drawEarthView();
    if (shown) canvas->save(name("cities"));
    const Raster raster = canvas->raster();
    for (const Place& p : places) {
      const Point2 at = mapPoint(p.lon * kPi / 180, p.lat * kPi / 180);
      const Blob mark = blobNear(raster, at, 2);
      EXPECT_EQ(mark.pixels > 0, shown && p.named) << p.name << (shown ? " shown" : " hidden");
      if (mark.pixels > 0) {
        EXPECT_LT(std::hypot(mark.centre.x - at.x, mark.centre.y - at.y), 1.5) << p.name;
      }
    }
  }

  // A town found by name shows on the map, marked, with the cities hidden.
  CSkyDatabase& db = world_->database();
  const int windhoek = db.getSolarSystemObjectCount() - 1;
  SkyObjectID town;
  CSkyDatabase::setSkyObjectIDFromObject(&town, 1, 0, static_cast<std::uint16_t>(windhoek),
                                         db.getSolarSystemObject(windhoek));
  chart_->selectObject(&town);
  ASSERT_NE(chart_->selectedObject, nullptr);
  ASSERT_EQ(chart_->selectedObject->getType(), kTypeFeature);
  chart_->showPlanetSurfaceFeatures = false;
  chart_->showUserLocationMarker = true;
  auto canvas = chart_test::makeCanvas(GetParam(), *chart_, kWidth, kHeight);
  chart_->drawEarthView();
  canvas->save(name("selected_town"));
  const Raster raster = canvas->raster();
  const Point2 town_at = mapPoint(places[5].lon * kPi / 180, places[5].lat * kPi / 180);
  EXPECT_GT(blobNear(raster, town_at, 12).pixels, 10) << "no marker at the town";
  const Point2 here = mapPoint(chart_->longitude, chart_->latitude);
  EXPECT_GT(blobNear(raster, here, 3).pixels, 0) << "the map's overlays are missing";
  const Point2 tokyo = mapPoint(places[0].lon * kPi / 180, places[0].lat * kPi / 180);
  EXPECT_EQ(blobNear(raster, tokyo, 2).pixels, 0);
}

INSTANTIATE_TEST_SUITE_P(BothBackEnds, GroundView, testing::Values(Backend::twoD, Backend::gl), chart_test::backendName);

}  // namespace
