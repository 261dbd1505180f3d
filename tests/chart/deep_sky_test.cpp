// The deep-sky layer on a synthetic catalogue written with the project's
// writer: which objects show at which fields, symbols drawn in both back
// ends where the tests' own projection puts them (a galaxy's major axis
// along its position angle, found with ERFA's tangent-plane routine),
// outlines and their even-odd hit test, taps that select what was drawn,
// and the marker's symbol.
#include <gtest/gtest.h>

#include <erfa.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "engine/angles.h"
#include "skydata/deep_sky_object.h"
#include "skydata/object_factory.h"
#include "skydata/record_io.h"
#include "skydata/sky_database.h"
#include "skydata/skydata_writer.h"
#include "tests/chart/chart_canvas.h"
#include "tests/chart/sky_fixture.h"

namespace {

using chart_test::Backend;
using chart_test::ChartSky;
using chart_test::Raster;
using chart_test::TestView;

constexpr double kDegree = 0.017453292519943295;
constexpr double kArcsecond = kDegree / 3600;

struct DeepSkyDefinition {
  int type = 16;
  double ra = 0, dec = 0;  // degrees
  float magnitude = 8;
  std::string name;
  std::vector<std::int64_t> numbers;
  int major = 600, minor = 300, orientation = 0;  // arcseconds; tenths of a degree
  std::vector<std::array<double, 2>> contour;     // (ra, dec) degrees
};

void direction(double ra, double dec, float out[3]) {
  out[0] = static_cast<float>(std::cos(dec * kDegree) * std::cos(ra * kDegree));
  out[1] = static_cast<float>(std::cos(dec * kDegree) * std::sin(ra * kDegree));
  out[2] = static_cast<float>(std::sin(dec * kDegree));
}

std::string record(const DeepSkyDefinition& d) {
  std::string buffer(4096, '\0');
  RecordWriter w(buffer.data(), static_cast<std::int64_t>(buffer.size()), false);
  w.writeRecordU8(static_cast<std::uint8_t>(d.type));
  w.writeRecordU8(static_cast<std::uint8_t>(d.numbers.size()));
  for (std::int64_t n : d.numbers) w.writeRecordI64(n);
  w.writeRecordU8(d.name.empty() ? 0 : 1);
  if (!d.name.empty()) w.writeRecordString(d.name.c_str());
  w.writeRecordFloat(static_cast<float>(d.ra * kDegree));
  w.writeRecordFloat(static_cast<float>(d.dec * kDegree));
  for (int i = 0; i < 4; ++i) w.writeRecordFloat(0);  // distance, motions
  w.writeRecordI16(static_cast<std::int16_t>(d.magnitude * 100));
  w.writeRecordI16(32767);
  w.writeRecordString("");
  w.writeRecordU16(static_cast<std::uint16_t>(d.major));
  w.writeRecordU16(static_cast<std::uint16_t>(d.minor));
  w.writeRecordU16(static_cast<std::uint16_t>(d.orientation));
  w.writeRecordU8(d.contour.empty() ? 0 : 1);
  if (!d.contour.empty()) {
    w.writeRecordU32(static_cast<std::uint32_t>(d.contour.size()));
    double sum[3] = {};
    for (const auto& p : d.contour) {
      float v[3];
      direction(p[0], p[1], v);
      for (int i = 0; i < 3; ++i) {
        w.writeRecordFloat(v[i]);
        sum[i] += v[i];
      }
    }
    double centre[3], length;
    eraPn(sum, &length, centre);
    double extent = 0;
    for (const auto& p : d.contour) {
      float v[3];
      direction(p[0], p[1], v);
      double u[3] = {v[0], v[1], v[2]};
      extent = std::max(extent, eraSepp(u, centre));
    }
    w.writeRecordFloat(static_cast<float>(extent));
    for (double c : centre) w.writeRecordFloat(static_cast<float>(c));
  }
  buffer.resize(static_cast<std::size_t>(w.result()));
  return buffer;
}

// A sky tree as the catalogue tool lays it out: an empty root and the six
// faces of the cube round the sky; each object in the face it points at.
class DeepSkySky {
 public:
  explicit DeepSkySky(const std::vector<DeepSkyDefinition>& objects) {
    SkyDataWriter writer;
    chart_test::setSkyTreeFaces(writer);
    for (const DeepSkyDefinition& d : objects) {
      float f[3];
      direction(d.ra, d.dec, f);
      const double v[3] = {f[0], f[1], f[2]};
      const std::uint32_t region = chart_test::skyTreeRegion(v, 0);
      const int index = writer.addRecord(region, record(d), d.magnitude);
      EXPECT_GE(index, 0);
      ids.push_back({region, static_cast<std::uint16_t>(index)});
    }
    char folder[256];
    sky.database().getDataDirectory(folder, sizeof folder);
    EXPECT_TRUE(writer.writeFile(std::string(folder) + "DeepSky.skydata"));
    EXPECT_NE(sky.database().loadDeepSky("DeepSky.skydata"), nullptr);
  }
  // A chart centred on (ra, dec) with a gnomonic field (degrees), the
  // positions the catalogue's, the Sun selected.
  std::unique_ptr<CSkyChart> chart(double ra, double dec, double fov, int w = 400, int h = 300) {
    auto c = sky.chart(w, h, ra, dec, fov);
    c->aberration = 0;
    c->properMotion = 0;
    c->showPlanets = false;
    c->showStars = false;
    SkyObjectID sun;
    CSkyDatabase::setSunObjectID(&sun);
    c->selectObject(&sun);
    c->setDeepSkyMagnitudeLimit(12);
    return c;
  }
  SkyObjectID id(int k) {
    SkyObjectID reference;
    CSkyDatabase::setSkyObjectID(&reference, kDeepSkyFile, ids[k].first, ids[k].second, 0, "", 16);
    CSkyObject* object = sky.database().getObject(&reference);
    EXPECT_NE(object, nullptr);
    if (object != nullptr) {
      CSkyDatabase::setSkyObjectIDFromObject(&reference, kDeepSkyFile, ids[k].first, ids[k].second, object);
      if (!object->isOwnedByRegion()) delete object;
    }
    return reference;
  }
  ChartSky sky;
  std::vector<std::pair<std::uint32_t, std::uint16_t>> ids;
};

TestView viewOf(double ra, double dec, double fov, int w = 400, int h = 300) {
  TestView view;
  view.projection = 1;
  view.lon0 = ra * kDegree, view.lat0 = dec * kDegree, view.fov = fov * kDegree;
  view.width = w, view.height = h;
  return view;
}

// The point `offset` degrees from (ra, dec) towards position angle `pa`
// (degrees, north through east), projected.
chart_test::Point2 projectedOffset(const TestView& view, double ra, double dec, double pa,
                                   double offset) {
  double centre[3], v[3];
  eraS2c(ra * kDegree, dec * kDegree, centre);
  const double xi = std::tan(offset * kDegree) * std::sin(pa * kDegree);
  const double eta = std::tan(offset * kDegree) * std::cos(pa * kDegree);
  eraTpstv(xi, eta, centre, v);
  chart_test::Point2 p{};
  EXPECT_TRUE(view.project(v, &p.x, &p.y));
  return p;
}

// Ink within `reach` pixels of p.
bool inkNear(const Raster& raster, chart_test::Point2 p, int reach = 2) {
  for (int y = static_cast<int>(p.y) - reach; y <= static_cast<int>(p.y) + reach; ++y)
    for (int x = static_cast<int>(p.x) - reach; x <= static_cast<int>(p.x) + reach; ++x)
      if (raster.at(x, y) > 0.2f) return true;
  return false;
}

// One object of each symbol, Messier, named or neither, around (150, 30).
std::vector<DeepSkyDefinition> catalogue() {
  std::vector<DeepSkyDefinition> list;
  auto add = [&](int type, double ra, double dec, const char* name, std::int64_t number) {
    DeepSkyDefinition d;
    d.type = type, d.ra = ra, d.dec = dec;
    if (name != nullptr) d.name = name;
    if (number != 0) d.numbers = {number};
    list.push_back(d);
  };
  add(11, 146, 28, nullptr, 101 * 10000000000000000LL + 44);  // a Messier cluster
  add(12, 154, 28, "Named globular", 0);
  add(13, 146, 32, nullptr, 102 * 10000000000000000LL + 2000);  // NGC only
  add(15, 154, 32, nullptr, 104 * 10000000000000000LL + 9);  // a Caldwell nebula
  add(17, 150, 30, "Tilted", 0);
  list.back().orientation = 350, list.back().major = 3600, list.back().minor = 900;
  add(14, 150, 34, nullptr, 0);  // dark nebula, fainter than any limit
  list.back().magnitude = 30;
  return list;
}

class ChartSkyDeepSky : public testing::Test {
 protected:
  ChartSkyDeepSky() : sky_(catalogue()) {}
  // Whether object k passes the chart's filter, its place brought up to date.
  bool shown(CSkyChart& chart, int k) {
    SkyObjectID id = sky_.id(k);
    ScopedSkyObject object(sky_.sky.database().getObject(&id));
    chart.updateStarPosition(object.get());
    return chart.isDeepSkyObjectShown(asDeepSkyObject(object.get()));
  }
  DeepSkySky sky_;
};

TEST_F(ChartSkyDeepSky, WideFieldsThinTheLayerOut) {
  auto chart = sky_.chart(150, 30, 12);
  auto shown = [&](int k) { return this->shown(*chart, k); };
  EXPECT_TRUE(shown(0));
  EXPECT_TRUE(shown(2));  // NGC only, at 12 degrees
  EXPECT_FALSE(shown(5));  // dark nebulae are off by default
  chart->showDarkNebulae = true;
  EXPECT_TRUE(shown(5));  // whatever its magnitude
  chart->setDisplayFOV(20 * kDegree);
  EXPECT_TRUE(shown(0));   // Messier
  EXPECT_TRUE(shown(1));   // named
  EXPECT_FALSE(shown(2));  // NGC only
  EXPECT_TRUE(shown(3));   // Caldwell
  chart->showDeepSkyAtWideFOV = true;
  EXPECT_TRUE(shown(2));
  chart->showMessierOnly = true;
  EXPECT_FALSE(shown(2));
  chart->showMessierOnly = false;
  chart->showGalaxyGroups[1] = false;
  EXPECT_FALSE(shown(4));
  chart->setDeepSkyMagnitudeLimit(7);
  EXPECT_FALSE(shown(0));
}

TEST_F(ChartSkyDeepSky, AtFortyFiveDegreesOnlyTheSelectedObjectIsDrawnOrFound) {
  auto chart = sky_.chart(150, 30, 45);
  SkyObjectID tilted = sky_.id(4);
  chart->selectObject(&tilted);
  chart->markerVisible = false;
  chart_test::Canvas2D canvas(*chart, 400, 300);
  chart->drawDeepSkyObjects();
  const Raster raster = canvas.raster();
  TestView view = viewOf(150, 30, 45);
  EXPECT_FALSE(inkNear(raster, projectedOffset(view, 146, 28, 0, 0), 3));
  EXPECT_TRUE(inkNear(raster, projectedOffset(view, 150, 30, 35, 0.5), 3));
  SkyObjectID hits[8];
  EXPECT_EQ(chart->findDeepSkyObjectsAt({200, 150}, kDeepSkyFile, nullptr, hits, 8), 0);
  chart->showDeepSkyAtWideFOV = true;
  EXPECT_EQ(chart->findDeepSkyObjectsAt({200, 150}, kDeepSkyFile, nullptr, hits, 8), 1);
}

TEST_F(ChartSkyDeepSky, TapsSelectTheSymbolThatWasDrawnAndNothingBeside) {
  auto chart = sky_.chart(150, 30, 12);
  TestView view = viewOf(150, 30, 12);
  const double places[][2] = {{146, 28}, {154, 28}, {146, 32}, {154, 32}};
  for (int k = 0; k < 4; ++k) {
    chart_test::Point2 p = projectedOffset(view, places[k][0], places[k][1], 0, 0);
    ASSERT_EQ(chart->selectObjectAt({static_cast<float>(p.x + 4), static_cast<float>(p.y + 4)}), 1) << k;
    const SkyObjectID expected = sky_.id(k);
    EXPECT_TRUE(CSkyDatabase::isSameSkyObjectID(&chart->selectedObjectID, &expected)) << k;
    // Twice the reach away: empty sky.
    SkyObjectID hits[4];
    EXPECT_EQ(chart->findObjectsAt({static_cast<float>(p.x + 60), static_cast<float>(p.y)}, hits, 4), 0);
  }
  // The galaxy's ellipse grown by the marker size (16 pixels; 1 degree is
  // about 25 here): along its major axis (35 degrees east of north) it
  // reaches 0.5 + 0.64 degrees, across it 0.125 + 0.64.
  chart_test::Point2 along = projectedOffset(view, 150, 30, 35, 0.9);
  chart_test::Point2 across = projectedOffset(view, 150, 30, 125, 0.9);
  SkyObjectID hits[4];
  EXPECT_EQ(chart->findObjectsAt({static_cast<float>(along.x), static_cast<float>(along.y)}, hits, 4), 1);
  EXPECT_EQ(chart->findObjectsAt({static_cast<float>(across.x), static_cast<float>(across.y)}, hits, 4), 0);
}

class ChartSkyDeepSkyGolden : public testing::TestWithParam<Backend> {};

TEST_P(ChartSkyDeepSkyGolden, SymbolsStandWhereTheObjectsProjectWithTheGalaxyAlongItsAngle) {
  DeepSkySky sky(catalogue());
  auto chart = sky.chart(150, 30, 12);
  auto canvas = chart_test::makeCanvas(GetParam(), *chart, 400, 300);
  if (!canvas) GTEST_SKIP() << "no GL entry points";
  chart->setColor(1, 1, 1, 1);
  chart->drawDeepSkyObjects();
  canvas->save(std::string("deep_sky_") + (GetParam() == Backend::gl ? "gl" : "2d"));
  const Raster raster = canvas->raster();
  TestView view = viewOf(150, 30, 12);
  const double scale = view.scale();
  // Symbol radii: 600" across is 300" of radius, below 5 pixels here.
  const double r = std::max(300 * kArcsecond / scale, 5.0);
  // Open cluster (dashed circle), globular (circle and plus), bright
  // nebula (square), planetary (circle and cross hair out to 2r).
  const double places[][2] = {{146, 28}, {154, 28}, {146, 32}, {154, 32}};
  for (const auto& place : places) {
    chart_test::Point2 c = projectedOffset(view, place[0], place[1], 0, 0);
    int around = 0;
    for (int k = 0; k < 8; ++k) {
      const double t = k * kPi / 4;
      around += inkNear(raster, {c.x + r * std::cos(t), c.y + r * std::sin(t)}, 1);
    }
    EXPECT_GE(around, 4) << place[0] << " " << place[1];
  }
  // The planetary nebula's cross hair runs from r out to 2r; the bright
  // nebula's square has no centre mark.
  chart_test::Point2 planetary = projectedOffset(view, 154, 32, 0, 0);
  EXPECT_TRUE(inkNear(raster, {planetary.x + 1.5 * r, planetary.y}, 1));
  EXPECT_FALSE(inkNear(raster, {planetary.x + 2.5 * r, planetary.y}, 1));
  EXPECT_FALSE(inkNear(raster, projectedOffset(view, 146, 32, 0, 0), 1));
  // The galaxy: 3600" by 900" at 35 degrees; both ends of the major axis
  // and of the minor axis carry ink, points between the axes do not.
  for (double pa : {35.0, 215.0})
    EXPECT_TRUE(inkNear(raster, projectedOffset(view, 150, 30, pa, 0.5))) << pa;
  for (double pa : {125.0, 305.0})
    EXPECT_TRUE(inkNear(raster, projectedOffset(view, 150, 30, pa, 0.125))) << pa;
  for (double pa : {80.0, 170.0, 260.0, 350.0})
    EXPECT_FALSE(inkNear(raster, projectedOffset(view, 150, 30, pa, 0.4), 1)) << pa;
}

INSTANTIATE_TEST_SUITE_P(Backends, ChartSkyDeepSkyGolden,
                         testing::Values(Backend::twoD, Backend::gl), chart_test::backendName);

TEST(ChartSkyDeepSkyOutlines, LargeObjectsDrawAndHitTheirOwnConcaveOutline) {
  // An L-shaped outline round (200, 10): the notch is outside.
  DeepSkyDefinition l;
  l.type = 13, l.ra = 200, l.dec = 10, l.name = "Ell", l.major = 7200;
  l.contour = {{198, 8}, {202, 8}, {202, 9}, {199, 9}, {199, 12}, {198, 12}};
  DeepSkySky sky({l});
  auto chart = sky.chart(200, 10, 8);
  TestView view = viewOf(200, 10, 8);
  auto at = [&](double ra, double dec) {
    double v[3];
    eraS2c(ra * kDegree, dec * kDegree, v);
    chart_test::Point2 p{};
    EXPECT_TRUE(view.project(v, &p.x, &p.y));
    return GPoint{static_cast<float>(p.x), static_cast<float>(p.y)};
  };
  SkyObjectID hits[4];
  EXPECT_EQ(chart->findObjectsAt(at(198.5, 10), hits, 4), 1);   // in the upright
  EXPECT_EQ(chart->findObjectsAt(at(201, 8.5), hits, 4), 1);    // in the foot
  EXPECT_EQ(chart->findObjectsAt(at(201, 10.5), hits, 4), 0);   // in the notch
  EXPECT_EQ(chart->findObjectsAt(at(203, 10), hits, 4), 0);
  chart_test::Canvas2D canvas(*chart, 400, 300);
  chart->drawDeepSkyObjects();
  const Raster raster = canvas.raster();
  // The outline's edges, not a square symbol.
  auto point = [&](double ra, double dec) {
    GPoint g = at(ra, dec);
    return chart_test::Point2{g.x, g.y};
  };
  EXPECT_TRUE(inkNear(raster, point(200, 8)));
  EXPECT_TRUE(inkNear(raster, point(199, 10.5)));
  EXPECT_FALSE(inkNear(raster, point(200.5, 10.5), 1));
}

TEST_F(ChartSkyDeepSky, TheSelectionMarkerOfADeepSkyObjectIsItsSymbol) {
  auto chart = sky_.chart(150, 30, 12);
  SkyObjectID cluster = sky_.id(1);
  chart->selectObject(&cluster);
  chart_test::Canvas2D canvas(*chart, 400, 300);
  TestView view = viewOf(150, 30, 12);
  chart_test::Point2 c = projectedOffset(view, 154, 28, 0, 0);
  // The 2-D back end draws the marker where the last frame put it.
  chart->selectionScreenPosition[0] = static_cast<float>(c.x);
  chart->selectionScreenPosition[1] = static_cast<float>(c.y);
  chart->selectionScreenPosition[2] = 10;
  chart->drawObjectMarker(chart->selectedObject, nullptr, static_cast<float>(c.x),
                          static_cast<float>(c.y), 10);
  const Raster raster = canvas.raster();
  EXPECT_TRUE(inkNear(raster, {c.x + 10, c.y}, 1));   // its circle and plus
  EXPECT_TRUE(inkNear(raster, {c.x, c.y}, 1));
  EXPECT_FALSE(inkNear(raster, {c.x + 30, c.y}, 2));  // no cross hair beyond
}

}  // namespace
