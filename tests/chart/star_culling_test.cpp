// Region culling never hides what a brute-force walk shows: after the
// layers draw a view on a fresh database, every object that a walk over
// every region finds in the viewport within the limits must lie in a
// region the layer loaded. On a synthetic sky tree always, and on the
// bundle's catalogues (stars with distances, Tycho and guide stars, deep
// sky) where they have been built; the limits and views at which one
// region shows; then the unloading of what left the screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <random>
#include <set>
#include <string>

#include "skydata/deep_sky_object.h"
#include "skydata/object_factory.h"
#include "skydata/sky_data_file.h"
#include "skydata/sky_database.h"
#include "skydata/skydata_writer.h"
#include "skydata/star.h"
#include "tests/chart/chart_canvas.h"
#include "tests/chart/sky_fixture.h"
#include "tests/support/requirements.h"
#include "tests/support/sanitizer_build.h"

namespace {

constexpr double kDegree = 0.017453292519943295;

void forEachRegion(CSkyDataRegion* region, const std::function<void(CSkyDataRegion*)>& visit) {
  if (region == nullptr) return;
  visit(region);
  for (int k = 0; k < 8; ++k) forEachRegion(region->getChild(k), visit);
}

struct View {
  double ra, dec, fov, limit;
};

// What the brute-force walk counts as shown for each file.
using ShownTest = std::function<bool(CSkyChart&, CSkyObject*)>;

bool starShown(CSkyChart& chart, CSkyObject* object) {
  if (!chart.updateStarPosition(object)) return false;
  if (!(object->getMagnitude() <= chart.starMagLimit)) return false;
  double v[3], x, y;
  object->getPosition(v);
  return chart.vectorToScreen(v, &x, &y) && chart.isPointInViewport(x, y);
}

// Regions hold objects by their places: an object counts where its place
// is (an outline reaching in from a culled patch of sky is not looked for).
bool deepSkyShown(CSkyChart& chart, CSkyObject* object) {
  chart.updateStarPosition(object);
  CDeepSkyObject* deepSky = asDeepSkyObject(object);
  double v[3], x, y;
  object->getPosition(v);
  return deepSky != nullptr && chart.isDeepSkyObjectShown(deepSky) &&
         chart.vectorToScreen(v, &x, &y) && chart.isPointInViewport(x, y);
}

void aim(CSkyChart& chart, const View& view) {
  chart.CSkyProjection::setDisplayCenter(0, view.ra * kDegree, view.dec * kDegree, 0);
  chart.setDisplayFOV(view.fov * kDegree);
  chart.updateDisplayMatrix();
  chart.setStarMagnitudeLimit(static_cast<float>(view.limit));
  chart.setDeepSkyMagnitudeLimit(static_cast<float>(view.limit));
}

// Draws the view, then checks every shown object's region was reached;
// returns the number of shown objects. The walk goes over `walked`, a
// database of the same catalogues (or the chart's own), whose regions may
// stay loaded from view to view.
int checkView(CSkyChart& chart, CSkyDatabase& database, CSkyDatabase& walked, int file,
              const View& view, const ShownTest& shown) {
  CSkyDataFile* data = database.getDataFile(file);
  CSkyDataFile* walkedData = walked.getDataFile(file);
  EXPECT_NE(data, nullptr);
  EXPECT_NE(walkedData, nullptr);
  if (data == nullptr || walkedData == nullptr) return 0;
  aim(chart, view);
  // Start from nothing loaded, then let the layer walk.
  forEachRegion(data->getRoot(), [](CSkyDataRegion* r) { r->deleteObjects(); });
  chart.updateNeeded = true;
  if (file == kDeepSkyFile)
    chart.drawDeepSkyObjects();
  else
    chart.drawStars();
  std::set<std::uint32_t> reached;
  forEachRegion(data->getRoot(), [&](CSkyDataRegion* r) {
    if (r->isLoaded()) reached.insert(r->getID());
  });
  int count = 0, missed = 0;
  chart.starBrightnessLimit = std::pow(10.0, -chart.starMagLimit / 2.5);
  forEachRegion(walkedData->getRoot(), [&](CSkyDataRegion* region) {
    if (walkedData->loadRegionObjects(region) < 0) return;
    for (int i = 0; i < region->getObjectCount(); ++i) {
      CSkyObject* object = region->getObject(static_cast<std::size_t>(i));
      if (object == nullptr || !shown(chart, object)) continue;
      ++count;
      if (reached.count(region->getID()) == 0 && ++missed <= 5)
        ADD_FAILURE() << "file " << file << " region " << region->getID() << " object " << i
                      << " shows at (" << view.ra << ", " << view.dec << ") field " << view.fov
                      << " but its region was culled";
    }
  });
  chart.starBrightnessLimit = 0;
  return count;
}

std::vector<View> randomViews(int n, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> unit(0, 1);
  std::vector<View> views;
  const double fields[] = {120, 60, 20, 4};
  const double limits[] = {5, 7.5, 11, 14};
  for (int i = 0; i < n; ++i)
    views.push_back({360 * unit(random), std::asin(2 * unit(random) - 1) / kDegree,
                     fields[i % 4], limits[(i / 4) % 4]});
  return views;
}

// Every third view under a sanitizer, where the walk over whole catalogues
// is slow: that still takes each field and each limit of `randomViews`.
std::vector<View> sampledViews(const std::vector<View>& views) {
  const std::size_t stride = static_cast<std::size_t>(tessaly::test::sanitizerSample(1, 3));
  std::vector<View> sample;
  for (std::size_t i = 0; i < views.size(); i += stride) sample.push_back(views[i]);
  return sample;
}

std::unique_ptr<CSkyChart> cullingChart(CSkyDatabase& database) {
  auto chart = std::make_unique<CSkyChart>(&database, "");
  chart->setViewport(0, 0, 320, 200);
  chart->setDisplayProjection(3);
  chart->showStarNames = false;
  chart->showDeepSkyAtWideFOV = true;
  return chart;
}

// A sky tree three levels deep below the six faces of the cube, with
// random stars of magnitudes 0 to 14 in the regions their directions fall
// in, loaded as the guide stars.
void addRandomSky(chart_test::ChartSky& sky, std::uint32_t seed) {
  SkyDataWriter writer;
  chart_test::setSkyTreeFaces(writer);
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> unit(0, 1);
  for (int i = 0; i < 6000; ++i) {
    chart_test::StarDefinition s;
    s.ra = 360 * unit(random);
    s.dec = std::asin(2 * unit(random) - 1) / kDegree;
    // Hundredths, as the record keeps them: the region's range is the
    // records' own.
    s.magnitude = static_cast<float>(std::round(1400 * unit(random)) / 100);
    const double v[3] = {std::cos(s.dec * kDegree) * std::cos(s.ra * kDegree),
                         std::cos(s.dec * kDegree) * std::sin(s.ra * kDegree), std::sin(s.dec * kDegree)};
    ASSERT_GE(writer.addRecord(chart_test::skyTreeRegion(v, 3), chart_test::starRecord(s), s.magnitude), 0);
  }
  char folder[256];
  sky.database().getDataDirectory(folder, sizeof folder);
  ASSERT_TRUE(writer.writeFile(std::string(folder) + "Guide.skydata"));
  ASSERT_NE(sky.database().loadGuideStars("Guide.skydata"), nullptr);
}

TEST(ChartSkyCulling, ASyntheticSkyTreeHidesNothingAWalkOverEveryRegionShows) {
  chart_test::ChartSky sky;
  addRandomSky(sky, 7);
  auto chart = cullingChart(sky.database());
  chart->properMotion = 0;
  chart->aberration = 0;
  int shown = 0;
  for (const View& view : randomViews(24, 11))
    shown += checkView(*chart, sky.database(), sky.database(), kGuideStarsFile, view, starShown);
  EXPECT_GT(shown, 1000);
}

CSkyDataRegion* regionWithID(CSkyDataFile* data, std::uint32_t id) {
  CSkyDataRegion* found = nullptr;
  forEachRegion(data->getRoot(), [&](CSkyDataRegion* r) {
    if (r->getID() == id) found = r;
  });
  return found;
}

// A sky region is walked while its brightest star (found among its own
// records) reaches the limit and its patch of sky is in view; a patch on
// the far side of the sky stays hidden under any limit.
TEST(ChartSkyCulling, ASkyRegionShowsWhileItsBrightestStarReachesTheLimitAndItsPatchIsInView) {
  chart_test::ChartSky sky;
  addRandomSky(sky, 7);
  auto chart = cullingChart(sky.database());
  aim(*chart, {0, 0, 60, 14});
  CSkyDataFile* data = sky.database().getDataFile(kGuideStarsFile);
  const double ahead[3] = {1, 0, 0}, behind[3] = {-0.5, 0.8, 0.33};  // 120 degrees off
  CSkyDataRegion* region = regionWithID(data, chart_test::skyTreeRegion(ahead, 3));
  ASSERT_NE(region, nullptr);
  ASSERT_GT(data->loadRegionObjects(region), 0);
  float brightest = INFINITY;
  for (int i = 0; i < region->getObjectCount(); ++i) {
    CSkyObject* star = region->getObject(static_cast<std::size_t>(i));
    ASSERT_TRUE(chart->updateStarPosition(star));
    brightest = std::min(brightest, star->getMagnitude());
  }
  chart->starMagLimit = brightest + 0.005f;
  EXPECT_FALSE(chart->isRegionHidden(kGuideStarsFile, region));
  chart->starMagLimit = brightest - 0.005f;
  EXPECT_TRUE(chart->isRegionHidden(kGuideStarsFile, region));
  chart->starMagLimit = 20;
  CSkyDataRegion* opposite = regionWithID(data, chart_test::skyTreeRegion(behind, 3));
  ASSERT_NE(opposite, nullptr);
  EXPECT_TRUE(chart->isRegionHidden(kGuideStarsFile, opposite));
}

// A region of the stars with distances holds absolute magnitudes: it is
// walked while its brightest star could reach the limit from the box's
// near side, m = M + 5 log10(d / 10 pc) at d = the centre's distance less
// half the diagonal, and under 6.5 in the naked-eye mode; and while the
// box is in view.
TEST(ChartSkyCulling, ASpaceRegionShowsWhileItsBrightestStarCouldReachTheLimitFromThere) {
  chart_test::ChartSky sky;
  SkyDataWriter writer;
  const float lo1[3] = {99, -1, -1}, hi1[3] = {101, 1, 1};  // centre 100 pc away
  const float lo2[3] = {99, 1, -1}, hi2[3] = {101, 3, 1};   // centre sqrt(10004) pc away
  ASSERT_TRUE(writer.setRegionBox(1, lo1, hi1));
  ASSERT_TRUE(writer.setRegionBox(2, lo2, hi2));
  chart_test::StarDefinition star;
  star.ra = 0, star.dec = 0, star.distance = 100, star.magnitude = 5;
  ASSERT_GE(writer.addRecord(1, chart_test::starRecord(star), 0.0f), 0);
  ASSERT_GE(writer.addRecord(2, chart_test::starRecord(star), 1.6f), 0);
  char folder[256];
  sky.database().getDataDirectory(folder, sizeof folder);
  ASSERT_TRUE(writer.writeFile(std::string(folder) + "Space.skydata"));
  ASSERT_NE(sky.database().loadStars("Space.skydata"), nullptr);
  auto chart = cullingChart(sky.database());
  aim(*chart, {0, 0, 60, 6});
  chart->observerPosition[0] = chart->observerPosition[1] = chart->observerPosition[2] = 0;
  CSkyDataFile* data = sky.database().getDataFile(kStarsFile);
  CSkyDataRegion* region = regionWithID(data, 1);
  CSkyDataRegion* fainter = regionWithID(data, 2);
  ASSERT_TRUE(region != nullptr && fainter != nullptr);
  const double m = 5 * std::log10((100 - std::sqrt(3.0)) / 10);
  chart->starMagLimit = static_cast<float>(m + 0.005);
  EXPECT_FALSE(chart->isRegionHidden(kStarsFile, region));
  chart->starMagLimit = static_cast<float>(m - 0.005);
  EXPECT_TRUE(chart->isRegionHidden(kStarsFile, region));
  // 1.6 + 5 log10((sqrt(10004) - sqrt(3)) / 10) = 6.56: beyond the naked eye.
  chart->starMagLimit = 20;
  EXPECT_FALSE(chart->isRegionHidden(kStarsFile, fainter));
  chart->showNakedEyeOnly = true;
  EXPECT_TRUE(chart->isRegionHidden(kStarsFile, fainter));
  EXPECT_FALSE(chart->isRegionHidden(kStarsFile, region));
  chart->showNakedEyeOnly = false;
  aim(*chart, {180, 0, 60, 20});
  EXPECT_TRUE(chart->isRegionHidden(kStarsFile, region));
}

// The layer's pixels equal those of every star a walk over every region
// places within the limit, drawn one by one: in a frame that places the
// stars, then in frames that keep their places under a lower and a higher
// limit. Limits above 6.5 give no glare, so the order of drawing is free.
TEST(ChartSkyCulling, TheLayerDrawsExactlyTheStarsABruteForceWalkShows) {
  if (!chart_test::backendAvailable(chart_test::Backend::gl)) GTEST_SKIP() << "no GL layer";
  chart_test::ChartSky sky;
  addRandomSky(sky, 13);
  auto chart = cullingChart(sky.database());
  auto canvas = chart_test::makeCanvas(chart_test::Backend::gl, *chart, 320, 200);
  CSkyDataFile* data = sky.database().getDataFile(kGuideStarsFile);
  auto bruteForce = [&] {
    canvas->clear();
    chart->buildStarSprites();
    chart->beginStarSprites();
    chart->starBrightnessLimit = std::pow(10.0, -chart->starMagLimit / 2.5);
    int drawn = 0;
    forEachRegion(data->getRoot(), [&](CSkyDataRegion* region) {
      if (data->loadRegionObjects(region) < 0) return;
      for (int i = 0; i < region->getObjectCount(); ++i) {
        CSkyObject* object = region->getObject(static_cast<std::size_t>(i));
        if (object == nullptr || !starShown(*chart, object)) continue;
        double v[3], x, y;
        object->getPosition(v);
        chart->vectorToScreen(v, &x, &y);
        chart->drawStar(asStar(object), static_cast<float>(x), static_cast<float>(y));
        ++drawn;
      }
    });
    chart->starBrightnessLimit = 0;
    chart->endStarSprites();
    return drawn;
  };
  int drawn = 0, frames = 0;
  for (const View& view : randomViews(8, 17)) {
    chart->CSkyProjection::setDisplayCenter(0, view.ra * kDegree, view.dec * kDegree, 0);
    chart->setDisplayFOV(view.fov * kDegree);
    chart->updateDisplayMatrix();
    forEachRegion(data->getRoot(), [](CSkyDataRegion* r) { r->deleteObjects(); });
    chart->updateNeeded = true;
    // Between the hundredths the stars' magnitudes are kept in: a star on
    // the limit is taken by the magnitude test and refused by the
    // brightness one, depending on its rounding.
    for (float limit : {8.005f, 7.005f, 11.005f}) {
      chart->setStarMagnitudeLimit(limit);
      canvas->clear();
      chart->drawStars();
      chart->updateNeeded = false;
      const std::vector<std::uint8_t> layer = canvas->colors();
      drawn += bruteForce();
      EXPECT_TRUE(layer == canvas->colors()) << "view (" << view.ra << ", " << view.dec << ") field "
                                             << view.fov << " limit " << limit;
      ++frames;
    }
  }
  EXPECT_EQ(frames, 24);
  EXPECT_GT(drawn, 1000);
}

std::string bundleFolder() {
  const char* built = std::getenv("TESSALY_SKY_DATA");
  return std::string(built != nullptr ? built : "app/SkyData") + "/";
}

// The bundle's catalogues, or null where they have not been built.
std::unique_ptr<CSkyDatabase> openBundle() {
  auto database = std::make_unique<CSkyDatabase>(bundleFolder().c_str());
  if (database->loadStars("Stars.skydata") == nullptr ||
      database->loadTychoStars("TychoStars.skydata") == nullptr ||
      database->loadGuideStars("GuideStars.skydata") == nullptr ||
      database->loadDeepSky("DeepSky.skydata") == nullptr)
    return nullptr;
  database->loadSolarSystem("SolarSystem.skydata");
  return database;
}

class ChartSkyBundleCulling : public testing::Test {
 protected:
  // Reading the whole catalogues anew for each view's walk took most of
  // the suite's time; the walk's copy is read once and kept.
  static void SetUpTestSuite() { walked_ = openBundle(); }
  static void TearDownTestSuite() { walked_.reset(); }

  void SetUp() override {
    database_ = openBundle();
    if (database_ == nullptr || walked_ == nullptr)
      TESSALY_SKIP_OR_FAIL("no built catalogues in " << bundleFolder());
    chart_ = bundleChart(*database_);
  }
  static std::unique_ptr<CSkyChart> bundleChart(CSkyDatabase& database) {
    auto chart = cullingChart(database);
    chart->setLocation(0.2, 0.8, 0);
    chart->setJulianDate(2461000.5);
    return chart;
  }
  int checkView(int file, const View& view, const ShownTest& shown) {
    return ::checkView(*chart_, *database_, *walked_, file, view, shown);
  }

  static std::unique_ptr<CSkyDatabase> walked_;
  std::unique_ptr<CSkyDatabase> database_;
  std::unique_ptr<CSkyChart> chart_;
};

std::unique_ptr<CSkyDatabase> ChartSkyBundleCulling::walked_;

TEST_F(ChartSkyBundleCulling, NoCatalogueHidesAStarOrObjectAWalkOverEveryRegionShows) {
  int shown[7] = {};
  for (const View& view : sampledViews(randomViews(12, 5))) {
    for (int file : {kStarsFile, kTychoStarsFile, kGuideStarsFile})
      shown[file] += checkView(file, view, starShown);
    shown[kDeepSkyFile] += checkView(kDeepSkyFile, view, deepSkyShown);
  }
  EXPECT_GT(shown[kStarsFile], 1000);
  EXPECT_GT(shown[kTychoStarsFile], 1000);
  EXPECT_GT(shown[kDeepSkyFile], 100);
  // From 1,000 AU (the stars file is a space tree seen from elsewhere).
  chart_->setHomePlanetPosition(0.4, 0.2, 1000.0);
  for (const View& view : sampledViews(randomViews(8, 9)))
    checkView(kStarsFile, view, starShown);
}

TEST_F(ChartSkyBundleCulling, RegionsThatLeftTheScreenAreUnloadedButTheSelectedOneStays) {
  // The walk loads every region of the walked copy: a chart on that copy
  // starts from everything loaded, without reading a million stars again.
  const View view = {83, -5, 10, 9};
  checkView(kTychoStarsFile, view, starShown);
  auto chart = bundleChart(*walked_);
  aim(*chart, view);
  CSkyDataFile* tycho = walked_->getDataFile(kTychoStarsFile);
  // Select a star of a region that the view of the opposite sky hides.
  CSkyDataRegion* kept = nullptr;
  chart->CSkyProjection::setDisplayCenter(0, 263 * kDegree, 5 * kDegree, 0);
  chart->updateDisplayMatrix();
  forEachRegion(tycho->getRoot(), [&](CSkyDataRegion* r) {
    if (kept == nullptr && r->getObjectCount() > 0 && chart->isRegionHidden(kTychoStarsFile, r))
      kept = r;
  });
  ASSERT_NE(kept, nullptr);
  SkyObjectID selected;
  CSkyDatabase::setSkyObjectIDFromObject(&selected, kTychoStarsFile, kept->getID(), 0,
                                         kept->getObject(0));
  chart->selectObject(&selected);
  int before = 0;
  forEachRegion(tycho->getRoot(), [&](CSkyDataRegion* r) { before += r->isLoaded(); });
  chart->unloadInvisibleCatalogRegions();
  int after = 0, hiddenLoaded = 0;
  forEachRegion(tycho->getRoot(), [&](CSkyDataRegion* r) {
    after += r->isLoaded();
    hiddenLoaded += r->isLoaded() && r != kept && chart->isRegionHidden(kTychoStarsFile, r);
  });
  EXPECT_LT(after, before / 4);
  EXPECT_GT(after, 1);
  EXPECT_EQ(hiddenLoaded, 0);
  EXPECT_TRUE(kept->isLoaded());
}

}  // namespace
