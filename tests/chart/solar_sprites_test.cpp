// Bodies too small for a disc drawn through the GL layer as the star
// layer's sprites: one soft spot per satellite however the layer mixes its
// points with orbit lines, labels and the selection marker between them;
// spots that grow with brightness; in the ground view every satellite the
// same sprite whatever its brightness.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "chart/sky_chart.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/sky_database.h"
#include "tests/chart/chart_canvas.h"
#include "tests/chart/spread_satellites.h"
#include "tests/mechanics/mechanics_fixture.h"

namespace {

constexpr double kRadiansPerDegree = 0.017453292519943295;
constexpr int kSize = 800;

struct Spot {
  double x, y;
};

// Pixels a sprite of the satellites' green lights: green well above red
// and blue.
bool isGreen(const std::uint8_t* p) { return p[1] >= 24 && p[1] > 2 * p[0] && p[1] > 2 * p[2]; }

// Green pixels within `radius` of each spot, and green pixels near none.
struct GreenCount {
  std::vector<int> perSpot;
  int stray = 0;
};

GreenCount countGreen(const std::vector<std::uint8_t>& rgba, const std::vector<Spot>& spots, double radius) {
  GreenCount count;
  count.perSpot.assign(spots.size(), 0);
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      if (!isGreen(&rgba[(static_cast<std::size_t>(y) * kSize + x) * 4])) continue;
      bool near = false;
      for (std::size_t k = 0; k < spots.size(); ++k)
        if (std::hypot(x + 0.5 - spots[k].x, y + 0.5 - spots[k].y) <= radius) {
          ++count.perSpot[k];
          near = true;
        }
      if (!near) ++count.stray;
    }
  return count;
}

// Brightest channel of a pixel.
int level(const std::vector<std::uint8_t>& rgba, double x, double y) {
  const std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * kSize + static_cast<std::size_t>(x)) * 4];
  return std::max({p[0], p[1], p[2]});
}

class SolarSprites : public testing::Test {
 protected:
  void SetUp() override {
    if (!chart_test::backendAvailable(chart_test::Backend::gl)) GTEST_SKIP() << "no GL layer";
  }
};

// The whole sky over 45 degrees north with four hundred satellites, the
// Moon's and planets' orbits, names and the selection marker, all of which
// share the vertex buffer the sprites gather in.
TEST_F(SolarSprites, EverySatelliteIsOneSpriteWhateverIsDrawnBetweenThem) {
  mechanics_test::SolarSystemWorld world(mechanics_test::standardExtraBodies(),
                                         chart_test::spreadSatellites(400));
  ASSERT_TRUE(world.loaded());
  CSkyChart chart(&world.database(), "");
  chart.setViewport(0, 0, kSize, kSize);
  chart.setLocation(0, 45 * kRadiansPerDegree, 0);
  chart.setJulianDate(2454730.0);
  chart.setDisplayCoordSystem(2);
  chart.setDisplayProjection(3);
  chart.CSkyProjection::setDisplayCenter(2, 0, 90 * kRadiansPerDegree, 0);
  chart.setDisplayFOV(175 * kRadiansPerDegree);
  chart.updateDisplayMatrix();
  chart.showSatellites = chart.showMinorPlanetNames = true;
  chart.showMoonOrbits = true;
  auto canvas = chart_test::makeCanvas(chart_test::Backend::gl, chart, kSize, kSize);
  auto frame = [&] {
    canvas->clear();
    chart.updateNeeded = true;
    chart.clearLabelRects();
    chart.drawSolarSystemObjects();
  };
  // The selection marker goes on a satellite in view, amid the others.
  frame();
  CPlanet* selected = nullptr;
  for (int i = 0, n = chart.planetDistanceCount; i < n && selected == nullptr; ++i) {
    CPlanet* body = world.database().getSolarSystemObject(static_cast<int>(chart.planetDistances[i].index));
    SolarPlace place{};
    if (i > n / 2 && body != nullptr && body->getType() == kTypeSatellite &&
        chart.placeSolarSystemObject(body, &place) == SolarPlacement::shown &&
        std::hypot(place.x - kSize / 2.0, place.y - kSize / 2.0) < kSize / 3.0)
      selected = body;
  }
  ASSERT_NE(selected, nullptr);
  SkyObjectID id = world.reference(selected);
  chart.selectObject(&id);
  frame();
  canvas->save("solar_sprites_sky");
  const std::vector<std::uint8_t> rgba = canvas->colors();

  std::vector<Spot> spots;
  for (int i = 0, n = world.database().getSolarSystemObjectCount(); i < n; ++i) {
    CPlanet* body = world.database().getSolarSystemObject(i);
    SolarPlace place{};
    if (body == nullptr || body->getType() != kTypeSatellite) continue;
    if (chart.placeSolarSystemObject(body, &place) != SolarPlacement::shown) continue;
    spots.push_back({place.x, place.y});
  }
  ASSERT_GE(spots.size(), 12u) << "enough satellites above the horizon";
  GreenCount green = countGreen(rgba, spots, 6);
  int measured = 0;
  for (std::size_t k = 0; k < spots.size(); ++k) {
    // Away from the edges, where a spot may be cut, and from others.
    const Spot& p = spots[k];
    bool alone = p.x > 8 && p.y > 8 && p.x < kSize - 8 && p.y < kSize - 8;
    for (const Spot& q : spots) alone = alone && (&q == &p || std::hypot(q.x - p.x, q.y - p.y) > 14);
    if (!alone) continue;
    ++measured;
    // One sprite of a satellite's brightness (its range and phase make it
    // brighter overhead): a few pixels, brightest at the centre and fading
    // outwards (a disc would be flat).
    EXPECT_GE(green.perSpot[k], 4) << "satellite " << k;
    EXPECT_LE(green.perSpot[k], 60) << "satellite " << k;
    EXPECT_GT(level(rgba, spots[k].x, spots[k].y), level(rgba, spots[k].x + 3, spots[k].y)) << "satellite " << k;
  }
  EXPECT_GE(measured, 10);
  // No sprite corner stroked as a line, no spot left where no satellite is.
  EXPECT_LE(green.stray, 8);
}

// A point four magnitudes above the limit against one at it and one of
// unknown brightness: in GL the brighter is the larger, softer sprite and
// the unknown one is drawn as the faintest; the 2-D back end, which draws
// no sprites, keeps a flat disc.
TEST_F(SolarSprites, BrighterPointsAreLargerSpritesAndTheUnknownTheFaintest) {
  chart_test::ChartOnEmptySky sky(kSize, kSize);
  CSkyChart& chart = *sky.chart;
  chart.setStarMagnitudeLimit(6);
  const float white[3] = {1, 1, 1};
  const float centre = kSize / 2.0f;
  auto point = [&](chart_test::Backend backend, double magnitude, std::vector<std::uint8_t>* rgba) {
    auto canvas = chart_test::makeCanvas(backend, chart, kSize, kSize);
    chart.buildStarSprites();
    chart.drawPointForMagnitude(white, centre, centre, magnitude);
    chart.endStarSprites();
    if (rgba != nullptr) *rgba = canvas->colors();
    return canvas->raster().inkCount(0.05f);
  };
  std::vector<std::uint8_t> rgba;
  const int bright = point(chart_test::Backend::gl, 2, &rgba);
  EXPECT_GT(level(rgba, centre, centre), level(rgba, centre + 2, centre) + 20) << "soft, not flat";
  const int faint = point(chart_test::Backend::gl, 6, nullptr);
  EXPECT_GT(faint, 0);
  EXPECT_GT(bright, 4 * faint);
  EXPECT_EQ(point(chart_test::Backend::gl, INFINITY, nullptr), faint);

  point(chart_test::Backend::twoD, 2, &rgba);
  EXPECT_EQ(level(rgba, centre, centre), 255);
  EXPECT_EQ(level(rgba, centre + 1, centre), 255) << "a flat disc";
}

// The ground view's satellites take the middle sprite: as large over the
// whole world (a limit near 3) as over a country (one near 14).
TEST_F(SolarSprites, TheMiddleSpriteIsOneSizeWhateverTheLimit) {
  chart_test::ChartOnEmptySky sky(kSize, kSize);
  CSkyChart& chart = *sky.chart;
  const float white[3] = {1, 1, 1};
  std::vector<int> inks;
  for (float limit : {3.0f, 6.0f, 6.5f, 9.0f, 14.0f}) {
    auto canvas = chart_test::makeCanvas(chart_test::Backend::gl, chart, kSize, kSize);
    chart.setStarMagnitudeLimit(limit);
    chart.buildStarSprites();
    chart.drawPointForMagnitude(white, kSize / 2.0f, kSize / 2.0f, chart.middleSpriteMagnitude());
    chart.endStarSprites();
    inks.push_back(canvas->raster().inkCount(0.05f));
  }
  EXPECT_GT(inks[0], 20);
  for (int ink : inks) EXPECT_EQ(ink, inks[0]);
}

}  // namespace
