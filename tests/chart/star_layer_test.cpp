// The star layer: colours, limits and sprite cells by their rules, the
// atlas's stars centred in their cells, sprites drawn through the GL layer
// where ERFA's observed places (eraAtco13, no refraction) fall under the
// test's own projections, labels by their options and limits, near stars,
// the files a far observer sees, orbits and taps on drawn stars.
#include <gtest/gtest.h>

#include <erfa.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "chart/image_files.h"
#include "chart/star_colors.h"
#include "chart/star_sprites.h"
#include "engine/angles.h"
#include "engine/vectors.h"
#include "skydata/object_factory.h"
#include "skydata/record_io.h"
#include "skydata/sky_data_file.h"
#include "skydata/star.h"
#include "skydata/sky_database.h"
#include "skydata/skydata_writer.h"
#include "tests/chart/chart_canvas.h"
#include "tests/chart/sky_fixture.h"
#include "tests/chart/star_view.h"
#include "tests/support/requirements.h"

namespace {

using chart_test::Backend;
using chart_test::ChartSky;
using chart_test::Raster;
using chart_test::StarDefinition;

constexpr double kDegree = 0.017453292519943295;

TEST(ChartSkyStarColors, BandsAndRampsAtTheDefaultSaturation) {
  auto rgb = [](float index, int saturation = 192) {
    std::uint8_t c[3];
    colorIndexToRGB(static_cast<std::uint8_t>(saturation), c, index);
    return std::vector<int>{c[0], c[1], c[2]};
  };
  EXPECT_EQ(rgb(0.0f), (std::vector<int>{255, 255, 255}));
  EXPECT_EQ(rgb(-0.30f), (std::vector<int>{63, 216, 255}));
  EXPECT_EQ(rgb(1.50f), (std::vector<int>{255, 191, 63}));
  EXPECT_EQ(rgb(2.50f), (std::vector<int>{255, 63, 63}));
  EXPECT_EQ(rgb(9.0f), (std::vector<int>{255, 63, 63}));
  EXPECT_EQ(rgb(-4.0f), (std::vector<int>{63, 63, 255}));
  EXPECT_EQ(rgb(INFINITY), (std::vector<int>{255, 255, 255}));
  EXPECT_EQ(rgb(NAN), (std::vector<int>{255, 255, 255}));
  EXPECT_EQ(rgb(1e30f), (std::vector<int>{255, 63, 63}));
  EXPECT_EQ(rgb(1.2f, 0), (std::vector<int>{255, 255, 255}));
  // The ramps meet their neighbours: no jump of more than one step's worth
  // anywhere from blue to red.
  std::vector<int> previous = rgb(-1.0f);
  for (float index = -0.99f; index < 3.0f; index += 0.01f) {
    std::vector<int> current = rgb(index);
    for (int c = 0; c < 3; ++c) EXPECT_LE(std::abs(current[c] - previous[c]), 16) << index;
    previous = current;
  }
}

class ChartSkyStarLimits : public testing::Test {
 protected:
  ChartSkyStarLimits() : sky_() { chart_ = sky_.chart(400, 300, 0, 0, 90); }
  ChartSky sky_;
  std::unique_ptr<CSkyChart> chart_;
};

TEST_F(ChartSkyStarLimits, TheLimitFollowsTheFieldAndTheGlareStartsBelowIt) {
  chart_->baseStarMagLimit = 6;
  chart_->setDisplayFOV(1.5707963267945);
  chart_->updateStarMagnitudeLimit();
  EXPECT_FLOAT_EQ(chart_->starMagLimit, 6);
  chart_->setDisplayFOV(1.5707963267945 / 10);
  chart_->updateStarMagnitudeLimit();
  EXPECT_NEAR(chart_->starMagLimit, 9.96, 1e-5);
  EXPECT_FLOAT_EQ(chart_->getMagnitudeLimitExcess(), 0);
  chart_->starMagLimit = 4;
  EXPECT_FLOAT_EQ(chart_->getMagnitudeLimitExcess(), -2.5f);
}

// The cell of a sprite: the one whose brightness is nearest (halves go up).
int cellOf(const CSkyChart& chart, float magnitude) {
  float b = chart.starMagLimit - magnitude;
  if (chart.starMagLimit > 6.5f) b *= 6.5f / chart.starMagLimit;
  b = std::min(b, 6.5f);
  int best = 0;
  for (int i = 1; i < 14; ++i)
    if (std::fabs(chart.starSpriteSteps[i] - b) < std::fabs(chart.starSpriteSteps[best] - b) ||
        chart.starSpriteSteps[i] - b == 0.25f)
      best = i;
  return best;
}

TEST_F(ChartSkyStarLimits, SpritesGrowWithBrightnessAndUseTheNearestCell) {
  for (int i = 0; i < 14; ++i) chart_->starSpriteSteps[i] = 0.5f * i;
  chart_->starMagLimit = 6;
  float peak, radius, disc;
  chart_->starSpriteSize(&peak, &radius, &disc, 0);
  EXPECT_FLOAT_EQ(peak, 128);
  EXPECT_NEAR(radius, std::sqrt(127.0 / 56), 1e-6);
  EXPECT_NEAR(disc, std::sqrt(127.0 / 7 / 255), 1e-6);
  // Five magnitudes brighter is a hundred times the peak.
  chart_->starSpriteSize(&peak, &radius, nullptr, 5);
  EXPECT_NEAR(peak, 12800, 0.01);
  chart_->contentScale = 2;  // sprites at twice the pixels: four times the light
  chart_->starSpriteSize(&peak, &radius, nullptr, 0);
  EXPECT_FLOAT_EQ(peak, 512);
  chart_->contentScale = 1;
  chart_->starScale = -1e300;  // a damaged setting draws nothing, safely
  chart_->starSpriteSize(&peak, &radius, &disc, 0);
  EXPECT_EQ(radius, 0);
  EXPECT_EQ(disc, 0);
  chart_->starScale = 1;

  // Cell choice through the vertices written: the quad's texture rectangle.
  auto cellDrawn = [&](float magnitude) {
    for (int i = 0; i < 14; ++i) chart_->starSpriteRects[i] = GRect{10.0f * i, 0, 10, 10};
    chart_->starSprites.width = 1000;
    chart_->starSprites.height = 10;
    chart_->vertexCount = 0;
    const float rgb[3] = {1, 1, 1};
    chart_->addStarSprite(rgb, magnitude, 100, 100);
    if (chart_->vertexCount != 6) return -1;
    return static_cast<int>(std::lround(chart_->texCoordBuffer[0] * 1000 / 10));
  };
  EXPECT_EQ(cellDrawn(6), 0);  // on the limit: brightness 0
  EXPECT_EQ(cellDrawn(-3), 13);
  EXPECT_EQ(cellDrawn(-0.5f), 13);
  for (float m = -0.4f; m <= 6; m += 0.05f) EXPECT_EQ(cellDrawn(m), cellOf(*chart_, m)) << m;
  // Above 6.5 the brightness is compressed: the faintest drawn star still
  // takes cell 0 and the brightest cell is reached later.
  chart_->starMagLimit = 13;
  EXPECT_EQ(cellDrawn(13), 0);
  EXPECT_EQ(cellDrawn(1), 12);
  chart_->vertexCount = 0;
}

TEST(ChartSkyStarAtlas, EachPaintedStarIsCentredOnItsPoint) {
  GImage* image = createImage(64, 40, 8, 4);
  ASSERT_NE(image, nullptr);
  const std::uint8_t white[3] = {255, 255, 255};
  const double cx = 21, cy = 17;  // a cell of half side 4 at x 17
  paintStarSprite(image, cx, cy, 4, 200, white);
  double sum = 0, sx = 0, sy = 0;
  int lit = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 64; ++x) {
      const unsigned char* p = image->pixels + y * image->rowBytes + 4 * x;
      EXPECT_EQ(p[0], p[2]);
      if (p[3] == 0) continue;
      ++lit;
      sum += p[3];
      sx += p[3] * (x + 0.5);
      sy += p[3] * (y + 0.5);
      // Levels by the profile: 200 / (1 + 7 d^2), above 8 only.
      const double d2 = (x + 0.5 - cx) * (x + 0.5 - cx) + (y + 0.5 - cy) * (y + 0.5 - cy);
      EXPECT_EQ(p[3], std::min(255, static_cast<int>(200 / (1 + 7 * d2))));
      EXPECT_GT(200 / (1 + 7 * d2), 8);
    }
  EXPECT_GT(lit, 4);
  EXPECT_NEAR(sx / sum, cx, 1e-9);
  EXPECT_NEAR(sy / sum, cy, 1e-9);
  // A second star on top adds its light; alpha keeps the larger level.
  // Pixel (20, 16) lies 0.5 squared from the centre: levels 44 and 88.
  paintStarSprite(image, cx, cy, 4, 400, white);
  const unsigned char* near = image->pixels + 16 * image->rowBytes + 4 * 20;
  EXPECT_EQ(near[3], 88);
  EXPECT_EQ(near[0], 44 * 255 / 256 + 88 * 255 / 256);
  // Outside the image nothing is touched and nothing breaks.
  paintStarSprite(image, -50, 500, 30, 1e6, white);
  paintStarSprite(nullptr, 0, 0, 3, 100, white);
  freeImage(image);
  EXPECT_EQ(starSpriteStepFactor(1), 1);
  EXPECT_EQ(starSpriteStepFactor(1.5f), 2);
  EXPECT_EQ(starSpriteStepFactor(3), 4);
  EXPECT_EQ(starSpriteStepFactor(100), 16);
}

// ---- Sprites through the GL layer against ERFA ----

// Where the sprites' light is centred near each expected point.
void expectSpritesAt(const Raster& raster, const std::vector<chart_test::ExpectedStar>& stars,
                     double tolerance, int least = 12) {
  int found = 0;
  for (const chart_test::ExpectedStar& star : stars) {
    double sum = 0, sx = 0, sy = 0;
    for (int y = static_cast<int>(star.y) - 12; y <= static_cast<int>(star.y) + 12; ++y)
      for (int x = static_cast<int>(star.x) - 12; x <= static_cast<int>(star.x) + 12; ++x) {
        const double a = raster.at(x, y);
        sum += a;
        sx += a * (x + 0.5);
        sy += a * (y + 0.5);
      }
    ASSERT_GT(sum, 0.5) << "no sprite near " << star.x << ", " << star.y;
    EXPECT_NEAR(sx / sum, star.x, tolerance) << star.name;
    EXPECT_NEAR(sy / sum, star.y, tolerance) << star.name;
    ++found;
  }
  EXPECT_GE(found, least);
}

// Draws the scene's frame through the GL layer and checks its sprites.
void expectSceneDrawnWhereErfaPutsItsStars(const chart_test::StarScene& scene,
                                          const std::string& name) {
  if (!chart_test::backendAvailable(Backend::gl)) GTEST_SKIP() << "no GL entry points";
  ChartSky sky(scene.catalogue);
  auto chart = scene.makeChart(sky.database());
  auto canvas = chart_test::makeCanvas(Backend::gl, *chart, scene.width, scene.height);
  chart->drawSkyChart();
  canvas->save(name);
  expectSpritesAt(canvas->raster(), scene.expected, 1.0);
}

TEST(ChartSkyStarPlaces, SpritesOnTheHorizonChartStandWhereErfaPutsTheStars) {
  expectSceneDrawnWhereErfaPutsItsStars(chart_test::horizonScene(), "stars_horizon");
}

TEST(ChartSkyStarPlaces, SpritesOnTheEquatorialChartStandWhereErfaPutsTheStars) {
  expectSceneDrawnWhereErfaPutsItsStars(chart_test::equatorialScene(), "stars_equatorial");
}

// The bundle's bright stars, where it has been built: with the limit at
// 4.5, each star of the stars file brighter than 3.5 on the horizon chart
// whose light no other star's disturbs, against ERFA from its stored
// place, motion and parallax.
TEST(ChartSkyStarPlaces, TheBundlesBrightStarsStandWhereErfaPutsThem) {
  const char* built = std::getenv("TESSALY_SKY_DATA");
  const std::string folder = std::string(built != nullptr ? built : "app/SkyData") + "/";
  CSkyDatabase database(folder.c_str());
  if (database.loadStars("Stars.skydata") == nullptr || database.loadSolarSystem("SolarSystem.skydata") == nullptr)
    TESSALY_SKIP_OR_FAIL("no built catalogues in " << folder);
  if (!chart_test::backendAvailable(Backend::gl)) GTEST_SKIP() << "no GL entry points";
  chart_test::StarScene scene = chart_test::horizonScene();
  auto chart = scene.makeChart(database);
  chart->setStarMagnitudeLimit(4.5f);  // the bright sky only: fewer neighbours
  auto canvas = chart_test::makeCanvas(Backend::gl, *chart, scene.width, scene.height);
  chart->drawSkyChart();
  canvas->save("stars_bundle");
  // Every star the chart shows, by its own places; the bright ones by ERFA.
  std::vector<chart_test::ExpectedStar> drawn, bright;
  std::vector<float> drawnMagnitude, brightMagnitude;
  CSkyDataFile* file = database.getDataFile(kStarsFile);
  std::function<void(CSkyDataRegion*)> visit = [&](CSkyDataRegion* region) {
    if (region == nullptr || file->loadRegionObjects(region) < 0) return;
    for (int i = 0; i < region->getObjectCount(); ++i) {
      CStar* star = asStar(region->getObject(static_cast<std::size_t>(i)));
      double v[3], x, y;
      if (star == nullptr || !chart->updateStarPosition(star) ||
          !(star->getMagnitude() <= chart->starMagLimit))
        continue;
      star->getPosition(v);
      if (!chart->vectorToScreen(v, &x, &y)) continue;
      char name[64];
      star->getName(name, sizeof name);
      drawn.push_back({name, x, y});
      drawnMagnitude.push_back(star->getMagnitude());
      if (star->getMagnitude() > 3.5f) continue;
      brightMagnitude.push_back(star->getMagnitude());
      double p[3], m[3], ra, dec, r, pmRA, pmDec, dr;
      star->getCatalogVector(p);
      star->getMotionVector(m);
      rectangularToSphericalWithRates(&ra, &dec, &r, &pmRA, &pmDec, &dr, p[0], p[1], p[2], m[0],
                                      m[1], m[2]);
      const double distance = star->getStarDistance();
      const double parallax = distance > 0 && std::isfinite(distance) ? 1 / distance : 0;
      bright.push_back(chart_test::observedOnHorizonScene(name, ra, dec, pmRA, pmDec, parallax));
    }
    for (int k = 0; k < 8; ++k) visit(region->getChild(k));
  };
  visit(file->getRoot());
  std::vector<chart_test::ExpectedStar> alone;
  for (std::size_t i = 0; i < bright.size(); ++i) {
    const chart_test::ExpectedStar& star = bright[i];
    if (star.x < 15 || star.y < 15 || star.x > scene.width - 15 || star.y > scene.height - 15) continue;
    // A neighbour pulls the centroid by about its share of the light
    // times its distance: stars that could move it by 0.1 pixel are too near.
    int near = 0;
    for (std::size_t k = 0; k < drawn.size(); ++k) {
      const double d = std::hypot(drawn[k].x - star.x, drawn[k].y - star.y);
      const double share = std::pow(10.0, -0.4 * (drawnMagnitude[k] - brightMagnitude[i]));
      near += drawn[k].name != star.name && d < 20 && share * d > 0.1;
    }
    if (near == 0) alone.push_back(star);
  }
  std::printf("bundle: %zu bright stars alone in view\n", alone.size());
  EXPECT_GE(alone.size(), 4u);
  expectSpritesAt(canvas->raster(), alone, 1.0, 4);
}

// ---- Taps, labels and the walk ----

TEST(ChartSkyStarTaps, ATapOnADrawnStarSelectsItAndTheBrightestComesFirst) {
  chart_test::StarScene scene = chart_test::equatorialScene();
  ChartSky sky(scene.catalogue);
  auto chart = scene.makeChart(sky.database());
  for (const chart_test::ExpectedStar& star : scene.expected) {
    // Within the marker size (16 pixels) of the star.
    ASSERT_EQ(chart->selectObjectAt({static_cast<float>(star.x + 10), static_cast<float>(star.y - 9)}), 1);
    EXPECT_EQ(std::string(chart->selectedObjectID.name), star.name);
  }
  // Two stars within the finger's reach: the brighter first, then the other.
  StarDefinition faint, bright;
  faint.ra = 80, faint.dec = 20, faint.magnitude = 4, faint.name = "Faint";
  bright.ra = 80.05, bright.dec = 20, bright.magnitude = 2, bright.name = "Bright";
  ChartSky pair({faint, bright});
  auto close = pair.chart(400, 300, 80, 20, 10);
  SkyObjectID sun;
  CSkyDatabase::setSunObjectID(&sun);
  close->selectObject(&sun);
  close->showPlanets = false;
  double v[3] = {std::cos(20 * kDegree) * std::cos(80 * kDegree),
                 std::cos(20 * kDegree) * std::sin(80 * kDegree), std::sin(20 * kDegree)};
  double x, y;
  ASSERT_TRUE(close->vectorToScreen(v, &x, &y));
  SkyObjectID hits[4];
  ASSERT_EQ(close->findObjectsAt({static_cast<float>(x), static_cast<float>(y)}, hits, 4), 2);
  EXPECT_EQ(std::string(hits[0].name), "Bright");
  EXPECT_EQ(std::string(hits[1].name), "Faint");
  // Fainter than the limit: neither drawn nor found.
  close->starMagLimit = 1;
  EXPECT_EQ(close->findObjectsAt({static_cast<float>(x), static_cast<float>(y)}, hits, 4), 0);
  close->starMagLimit = 1.995f;
  EXPECT_EQ(close->findObjectsAt({static_cast<float>(x), static_cast<float>(y)}, hits, 4), 0);
  close->starMagLimit = 2.005f;
  ASSERT_EQ(close->findObjectsAt({static_cast<float>(x), static_cast<float>(y)}, hits, 4), 1);
  EXPECT_EQ(std::string(hits[0].name), "Bright");
  // Naked-eye only: 6.5 itself is out.
  close->starMagLimit = 9;
  close->showNakedEyeOnly = true;
  EXPECT_EQ(close->findStarsAt({static_cast<float>(x), static_cast<float>(y)}, kStarsFile, nullptr, hits, 4), 2);
  EXPECT_EQ(close->findStarsAt({static_cast<float>(x), static_cast<float>(y)}, kStarsFile, nullptr, hits, 1), 1);
  EXPECT_EQ(close->findStarsAt({static_cast<float>(x), static_cast<float>(y)}, kStarsFile, nullptr, nullptr, 4), 0);
  // Only what the database's search filter passes is offered.
  pair.database().setNameKey("Faint");
  ASSERT_EQ(close->findStarsAt({static_cast<float>(x), static_cast<float>(y)}, kStarsFile, nullptr, hits, 4), 1);
  EXPECT_EQ(std::string(hits[0].name), "Faint");
  pair.database().setNameKey(nullptr);
}

// A tap finds a star within the marker size (16 points) of the point the
// layer draws it at, and nothing farther.
TEST(ChartSkyStarTaps, ATapReachesAStarWithinTheMarkerSizeAndNoFarther) {
  StarDefinition lone;
  lone.ra = 80, lone.dec = 20, lone.magnitude = 3, lone.name = "Lone";
  ChartSky sky({lone});
  auto chart = sky.chart(400, 300, 80, 20, 10);
  chart->setStarMagnitudeLimit(6);
  const SkyObjectID id = sky.star(0, 0);
  ScopedSkyObject star(sky.database().getObject(&id));
  ASSERT_TRUE(chart->updateStarPosition(star.get()));
  double v[3], x, y;
  star->getPosition(v);
  ASSERT_TRUE(chart->vectorToScreen(v, &x, &y));
  auto found = [&](double dx, double dy) {
    SkyObjectID hits[2];
    const GPoint tap{static_cast<float>(x + dx), static_cast<float>(y + dy)};
    return chart->findStarsAt(tap, kStarsFile, nullptr, hits, 2);
  };
  EXPECT_EQ(found(15.9, 0), 1);
  EXPECT_EQ(found(0, -15.9), 1);
  EXPECT_EQ(found(11.2, 11.2), 1);
  EXPECT_EQ(found(16.1, 0), 0);
  EXPECT_EQ(found(-11.4, 11.4), 0);
  chart->setContentScale(2);  // 32 pixels
  EXPECT_EQ(found(-31.9, 0), 1);
  EXPECT_EQ(found(0, 32.1), 0);
}

// Stars are drawn down to the limit at the field; labels down to that
// limit plus 3.96 log10(density): at a limit of 6 a star of magnitude 4
// needs a density of 10^(-2 / 3.96).
TEST(ChartSkyStarLabels, StarsAreDrawnToTheLimitAndLabelledToTheDensitysLimit) {
  StarDefinition edge;
  edge.ra = 80, edge.dec = 20, edge.magnitude = 4, edge.name = "Edge";
  if (!chart_test::backendAvailable(Backend::gl)) GTEST_SKIP() << "no GL entry points";
  ChartSky sky({edge});
  auto chart = sky.chart(400, 300, 80, 20, 20);
  auto canvas = chart_test::makeCanvas(Backend::gl, *chart, 400, 300);
  auto draw = [&](float limit, double density) {
    canvas->clear();
    chart->setStarMagnitudeLimit(limit);
    chart->starNameDensity = density;
    chart->clearLabelRects();
    chart->drawStars();
    return canvas->raster().inkCount(0.01f);
  };
  EXPECT_GT(draw(4.005f, 0.01), 0);
  EXPECT_EQ(chart->labelRectCount, 0);
  EXPECT_EQ(draw(3.995f, 0.01), 0);
  const double density = std::pow(10.0, -2 / 3.96);
  draw(6, density * 1.01);
  EXPECT_EQ(chart->labelRectCount, 1);
  draw(6, density / 1.01);
  EXPECT_EQ(chart->labelRectCount, 0);
}

TEST(ChartSkyStarLabels, OnlyNamedStarsAreLabelledAtTheLowDensity) {
  StarDefinition named, numbered, bare;
  named.ra = 80, named.dec = 20, named.magnitude = 1, named.name = "Named";
  numbered.ra = 86, numbered.dec = 24, numbered.magnitude = 1;
  numbered.numbers = {10000000000000000LL * 2 + 15 * 100000 + 12};  // 12 CVn (Flamsteed)
  bare.ra = 74, bare.dec = 16, bare.magnitude = 1;
  bare.numbers = {10000000000000000LL * 5 + 12345};  // HD 12345
  ChartSky sky({named, numbered, bare});
  auto chart = sky.chart(400, 300, 80, 20, 20);
  chart->starMagLimit = chart->baseStarMagLimit = 6;
  chart_test::Canvas2D canvas(*chart, 400, 300);
  chart->starNameDensity = 0.1;
  chart->clearLabelRects();
  chart->drawStars();
  EXPECT_EQ(chart->labelRectCount, 2);
  chart->starNameDensity = 0.104;
  chart->clearLabelRects();
  chart->drawStars();
  EXPECT_EQ(chart->labelRectCount, 2);
  chart->starNameDensity = 0.106;
  chart->clearLabelRects();
  chart->drawStars();
  EXPECT_EQ(chart->labelRectCount, 3);
  chart->showStarNames = false;
  chart->clearLabelRects();
  chart->drawStars();
  EXPECT_EQ(chart->labelRectCount, 0);
}

TEST(ChartSkyStarLabels, TheBrightestStarsAreLabelledFirstWhateverTheCatalogueOrder) {
  StarDefinition faint, middle, bright;
  faint.ra = 74, faint.dec = 16, faint.magnitude = 4.5f, faint.name = "Faint";
  middle.ra = 86, middle.dec = 24, middle.magnitude = 3, middle.name = "Middling";
  bright.ra = 80, bright.dec = 20, bright.magnitude = 0.5f, bright.name = "Brightest";
  ChartSky sky({faint, middle, bright});
  auto chart = sky.chart(400, 300, 80, 20, 20);
  chart->starMagLimit = chart->baseStarMagLimit = 6;
  chart->starNameDensity = 0.2;
  chart_test::Canvas2D canvas(*chart, 400, 300);
  chart->clearLabelRects();
  chart->drawStars();
  ASSERT_EQ(chart->labelRectCount, 3);
  chart->setTextHeight(chart->starLabelTextHeight);
  const char* order[] = {"Brightest", "Middling", "Faint"};
  for (int i = 0; i < 3; ++i)
    EXPECT_FLOAT_EQ(chart->labelRects[i].halfWidth, chart->getTextWidth(order[i], 0) / 2) << order[i];
}

TEST(ChartSkyStarWalk, NearStarsBeyondTheTenSlotsAreStillDrawn) {
  std::vector<StarDefinition> stars;
  for (int i = 0; i < 14; ++i) {
    StarDefinition s;
    s.ra = 62 + (i % 4) * 12, s.dec = 2 + (i / 4) * 12, s.magnitude = 3;
    s.distance = 0.5f + 0.01f * i;
    s.name = "Near" + std::to_string(i);
    stars.push_back(s);
  }
  ChartSky sky(stars);
  auto chart = sky.chart(800, 800, 80, 20, 60);
  chart->starMagLimit = chart->baseStarMagLimit = 6;
  chart->properMotion = 0;  // the stars stay at their catalogue places
  chart_test::Canvas2D canvas(*chart, 800, 800);
  chart->starNameDensity = 1;
  chart->clearLabelRects();
  chart->drawStars();
  // Every star labelled, so every star drawn: ten from the slots, four in
  // the walk.
  EXPECT_EQ(chart->labelRectCount, 14);
  int held = 0;
  for (CStar* star : chart->nearStars) held += star != nullptr;
  EXPECT_EQ(held, 10);
}

// Stars nearer than a parsec wait for the rest and are then drawn far to
// near, so the nearest lies on top; one just beyond a parsec is drawn in
// the walk.
TEST(ChartSkyStarWalk, StarsNearerThanAParsecAreDrawnLastFarToNear) {
  const float distances[] = {0.3f, 0.9f, 1.005f, 0.6f, 0.995f};
  std::vector<StarDefinition> stars;
  for (int i = 0; i < 5; ++i) {
    StarDefinition s;
    s.ra = 66 + 7 * i, s.dec = 20, s.magnitude = 3, s.distance = distances[i];
    s.name = "Near" + std::to_string(i);
    stars.push_back(s);
  }
  ChartSky sky(stars);
  auto chart = sky.chart(800, 400, 80, 20, 60);
  chart->setStarMagnitudeLimit(6);
  chart->properMotion = 0;
  chart->showStarNames = false;
  chart_test::Canvas2D canvas(*chart, 800, 400);
  chart->drawStars();
  std::vector<std::string> slots;
  for (CStar* star : chart->nearStars)
    if (star != nullptr) slots.push_back(star->getNameString());
  EXPECT_EQ(slots, (std::vector<std::string>{"Near4", "Near1", "Near3", "Near0"}));
  ASSERT_EQ(slots.size(), 4u);

  // The sprites laid down from slots held nearest first.
  std::reverse(chart->nearStars, chart->nearStars + 4);
  chart->vertexCount = 0;
  chart->drawNearStars();
  ASSERT_EQ(chart->vertexCount, 24);
  std::vector<double> drawn;
  for (int q = 0; q < 4; ++q) {
    double cx = 0, cy = 0;
    for (int k = 0; k < 6; ++k) {
      cx += chart->vertexBuffer[2 * (6 * q + k)] / 6;
      cy += chart->vertexBuffer[2 * (6 * q + k) + 1] / 6;
    }
    for (int i = 0; i < 4; ++i) {
      double v[3], x, y;
      chart->nearStars[i]->getPosition(v);
      if (chart->vectorToScreen(v, &x, &y) && std::hypot(x - cx, y - cy) < 0.5)
        drawn.push_back(chart->nearStars[i]->getDistance());
    }
  }
  chart->vertexCount = 0;
  ASSERT_EQ(drawn.size(), 4u);
  EXPECT_TRUE(std::is_sorted(drawn.rbegin(), drawn.rend()));
}

// Seen from farther than sqrt(10^9) AU from the Sun only the stars with
// distances are drawn: the Tycho and guide stars' places are the Sun's
// sky. Each star is labelled when drawn.
TEST(ChartSkyStarWalk, TychoAndGuideStarsAreDrawnOnlyWithinTheSolarSystemsReach) {
  StarDefinition spaced, tycho, guide;
  spaced.ra = 80, spaced.dec = 20, spaced.magnitude = 3, spaced.name = "Spaced";
  tycho.ra = 74, tycho.dec = 16, tycho.magnitude = 3, tycho.name = "Tycho";
  guide.ra = 86, guide.dec = 24, guide.magnitude = 3, guide.name = "Guide";
  ChartSky sky({spaced});
  char folder[256];
  sky.database().getDataDirectory(folder, sizeof folder);
  for (const StarDefinition* s : {&tycho, &guide}) {
    SkyDataWriter writer;
    chart_test::setSkyTreeFaces(writer);
    double v[3];
    eraS2c(s->ra * kDegree, s->dec * kDegree, v);
    ASSERT_GE(writer.addRecord(chart_test::skyTreeRegion(v, 1), chart_test::starRecord(*s), s->magnitude), 0);
    ASSERT_TRUE(writer.writeFile(std::string(folder) + s->name + ".skydata"));
  }
  ASSERT_NE(sky.database().loadTychoStars("Tycho.skydata"), nullptr);
  ASSERT_NE(sky.database().loadGuideStars("Guide.skydata"), nullptr);
  auto chart = sky.chart(400, 300, 80, 20, 30);
  chart->setStarMagnitudeLimit(6);
  chart->starNameDensity = 1;
  chart_test::Canvas2D canvas(*chart, 400, 300);
  auto labelled = [&](double au) {
    chart->observerPosition[0] = au;
    chart->observerPosition[1] = chart->observerPosition[2] = 0;
    chart->updateNeeded = true;
    chart->clearLabelRects();
    chart->drawStars();
    return chart->labelRectCount;
  };
  EXPECT_EQ(labelled(1), 3);
  EXPECT_EQ(labelled(31622), 3);  // 31622^2 < 10^9 < 31623^2
  EXPECT_EQ(labelled(31623), 1);
}

// A binary's orbit drawn round its primary as the textbook's Thiele-Innes
// offsets put it (north, east from the elements; the test's own Kepler
// solution) through ERFA's tangent plane and the test's projection.
TEST(ChartSkyStarOrbits, ABinarysOrbitIsDrawnWhereItsElementsPutIt) {
  const double a = 40 * kDegree / 3600, e = 0.5, inclination = 1.0, omega = 0.7, node = 1.75;
  StarDefinition primary, secondary;
  primary.ra = 120, primary.dec = 30, primary.magnitude = 3, primary.name = "Primary";
  secondary.ra = 120, secondary.dec = 30, secondary.magnitude = 4, secondary.name = "Secondary";
  ChartSky sky;
  ASSERT_TRUE(sky.loadBinaryStar(primary, secondary, {2000.0, 50.0, a, e, inclination, omega, node}));
  auto chart = sky.doubleStarChart(400, 300, 120, 30, 0.05);
  chart_test::Canvas2D canvas(*chart, 400, 300);
  chart->drawStars();
  canvas.save("binary_orbit");
  chart_test::TestView view;
  view.projection = 1, view.lon0 = 120 * kDegree, view.lat0 = 30 * kDegree;
  view.fov = 0.05 * kDegree;
  view.width = 400, view.height = 300;
  double centre[3];
  eraS2c(view.lon0, view.lat0, centre);
  std::vector<chart_test::Point2> orbit;
  for (int k = 0; k <= 720; ++k) {
    const double anomaly = k * kPi / 360;  // eccentric
    const double v = 2 * std::atan(std::sqrt((1 + e) / (1 - e)) * std::tan(anomaly / 2));
    const double r = a * (1 - e * std::cos(anomaly));
    const double north = r * (std::cos(v + omega) * std::cos(node) -
                              std::sin(v + omega) * std::sin(node) * std::cos(inclination));
    const double east = r * (std::cos(v + omega) * std::sin(node) +
                             std::sin(v + omega) * std::cos(node) * std::cos(inclination));
    double p[3];
    eraTpstv(east, north, centre, p);
    chart_test::Point2 point{};
    ASSERT_TRUE(view.project(p, &point.x, &point.y));
    orbit.push_back(point);
  }
  chart_test::CurveFit fit = chart_test::fitInkToCurves(canvas.raster(), {orbit});
  EXPECT_GT(fit.inkPixels, 100);
  EXPECT_LT(fit.inkToCurve, 1.5);
  EXPECT_LT(fit.curveToInk, 1.5);

  // An orbit whose apoapsis, (1 + e) a, spans fewer than 10 pixels is not
  // drawn: the gnomonic field at which it spans exactly 10 of the 150
  // pixels from the centre to the nearer edge.
  const double tenPixels = 2 * std::atan(std::tan((1 + e) * a) * 150 / 10);
  const SkyObjectID id = sky.star(0, 1);
  ScopedSkyObject binary(sky.database().getObject(&id));
  ASSERT_NE(asBinaryStar(binary.get()), nullptr);
  chart->setDisplayFOV(tenPixels * 0.98);
  EXPECT_TRUE(chart->drawBinaryStarOrbit(asBinaryStar(binary.get())));
  chart->setDisplayFOV(tenPixels * 1.02);
  EXPECT_FALSE(chart->drawBinaryStarOrbit(asBinaryStar(binary.get())));
}

// Without the double-star option a secondary component (components not
// starting with "A") is labelled only when its separation spans 10 pixels.
TEST(ChartSkyStarLabels, ASecondaryComponentIsLabelledOnlyTenPixelsFromItsPrimary) {
  StarDefinition secondary;
  secondary.ra = 80, secondary.dec = 20, secondary.magnitude = 3, secondary.name = "Comes";
  std::string record = chart_test::starRecord(secondary);
  record[0] = 2;  // a double star: the star's fields, then the pair's
  const double separation = 20 * kDegree / 3600;
  std::string pair(64, '\0');
  RecordWriter w(pair.data(), static_cast<std::int64_t>(pair.size()), false);
  w.writeRecordI16(500);
  for (float value : {static_cast<float>(separation), 0.0f, 0.0f}) w.writeRecordFloat(value);
  w.writeRecordString("B");
  pair.resize(static_cast<std::size_t>(w.result()));
  SkyDataWriter writer;
  ASSERT_EQ(writer.addRecord(0, record + pair, secondary.magnitude), 0);
  ChartSky sky;
  char folder[256];
  sky.database().getDataDirectory(folder, sizeof folder);
  ASSERT_TRUE(writer.writeFile(std::string(folder) + "Stars.skydata"));
  ASSERT_NE(sky.database().loadStars("Stars.skydata"), nullptr);
  const double tenPixels = 2 * std::atan(std::tan(separation) * 150 / 10);
  auto chart = sky.chart(400, 300, 80, 20, tenPixels * 0.98 / kDegree);
  chart->setStarMagnitudeLimit(6);
  chart->starNameDensity = 1;
  chart_test::Canvas2D canvas(*chart, 400, 300);
  chart->clearLabelRects();
  chart->drawStars();
  EXPECT_EQ(chart->labelRectCount, 1);
  chart->setDisplayFOV(tenPixels * 1.02);
  chart->setStarMagnitudeLimit(6);
  chart->clearLabelRects();
  chart->drawStars();
  EXPECT_EQ(chart->labelRectCount, 0);
}

}  // namespace
