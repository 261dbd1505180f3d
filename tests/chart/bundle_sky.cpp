// The built bundle behind a chart, as the chart screen sets it up.
#include "tests/chart/bundle_sky.h"

#include <filesystem>
#include <vector>

#include "chart/planet_textures.h"
#include "chart/world_borders.h"

namespace chart_test {

namespace {

constexpr double kRightAngle = 1.5707963267945;
// The sky perspective's star limit at a right-angle field on a tablet, and
// its sprite scale.
constexpr float kPerspectiveStarLimit = 5.4f;
constexpr float kPerspectiveStarScale = 0.75f;
constexpr float kPerspectiveMilkyWay = 0.25f;

const char* const kCatalogues[] = {"SolarSystem.skydata", "Stars.skydata", "TychoStars.skydata",
                                   "GuideStars.skydata", "DeepSky.skydata", "Constellations.skydata"};
const char* const kIndexes[] = {"SolarSystem/Index.txt", "Constellations/Index.txt"};

}  // namespace

bool BundleSky::available(const std::string& bundle) {
  for (const char* name : kCatalogues)
    if (!std::filesystem::exists(bundle + "/SkyData/" + name)) return false;
  for (const char* name : kIndexes)
    if (!std::filesystem::exists(bundle + "/SkyImages/" + name)) return false;
  return true;
}

BundleSky::BundleSky(std::string bundle) : bundle_(std::move(bundle)) {
  database_ = std::make_unique<CSkyDatabase>((bundle_ + "/SkyData/").c_str());
  CSkyDatabase& db = *database_;
  loaded_ = available(bundle_) && db.loadSolarSystem(kCatalogues[0]) != nullptr &&
            db.loadStars(kCatalogues[1]) != nullptr && db.loadTychoStars(kCatalogues[2]) != nullptr &&
            db.loadGuideStars(kCatalogues[3]) != nullptr && db.loadDeepSky(kCatalogues[4]) != nullptr &&
            db.loadConstellations(kCatalogues[5]) != nullptr;
  unloadImageIndex();
  loaded_ = loaded_ && loadImageIndex((bundle_ + "/SkyImages/" + kIndexes[0]).c_str()) > 0;
  releaseWorldBorders();
  loadWorldBorders((bundle_ + "/WorldBorders/TM_WORLD_BORDERS_SIMPL").c_str());
}

BundleSky::~BundleSky() {
  planetTextureLoader().wait();
  unloadImageIndex();
  releaseWorldBorders();
}

std::unique_ptr<CSkyChart> BundleSky::makeChart(int width, int height) {
  const std::string images = bundle_ + "/SkyImages";
  auto chart = std::make_unique<CSkyChart>(database_.get(), images.c_str());
  chart->setContentScale(1);
  chart->setViewport(0, 0, static_cast<float>(width), static_cast<float>(height));
  chart->readSettings(nullptr, false, false);
  chart->loadConstellationImageIndex((images + "/" + kIndexes[1]).c_str(), database_.get());
  chart->loadDeepSkyImageIndex((images + "/DeepSky/Index.txt").c_str(), nullptr);
  chart->setHorizonImage("Grossmugl.png");
  chart->setDisplayCoordSystem(kCoordHorizon);
  chart->setDisplayProjection(3);
  chart->setDisplayFOV(kRightAngle);
  chart->setStarMagnitudeLimit(kPerspectiveStarLimit);
  chart->starScale = kPerspectiveStarScale;
  chart->milkyWayIntensity = kPerspectiveMilkyWay;
  SkyObjectID moon;
  if (find("Moon", kSolarSystemFile, &moon)) chart->selectObject(&moon);
  return chart;
}

bool BundleSky::find(const char* name, int file, SkyObjectID* id) {
  std::vector<SkyObjectID> found;
  if (database_->findObjectsByName(name, file, found, 1) < 1) return false;
  *id = found[0];
  return true;
}

}  // namespace chart_test
