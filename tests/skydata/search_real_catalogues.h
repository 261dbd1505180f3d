// The real catalogues the test command builds, opened once per test
// program the way the program opens them, with a chart on a fixed date and
// site recorded for the position tests; every region of every file loaded
// and every object's position computed, so that brute-force passes over
// the objects read what the searches read.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "mechanics/sky_mechanics.h"
#include "skydata/sky_data_file.h"
#include "skydata/sky_data_region.h"
#include "skydata/sky_database.h"
#include "skydata/sky_object.h"
#include "tests/tools/built_bundle.h"

namespace search_test {

inline constexpr double kChartDate = 2460300.75;   // 2023-12-20 06:00 UT
inline constexpr double kSiteLongitude = -1.8374;  // Boulder
inline constexpr double kSiteLatitude = 0.6983;

inline std::string skyDataFolder() { return tessaly::test::builtBundlePath() + "/SkyData"; }

// One loaded object and where it lives.
struct LoadedObject {
  std::uint32_t region;
  std::uint16_t index;
  CSkyObject* object;
};

struct Catalogues {
  std::unique_ptr<CSkyDatabase> database;
  std::unique_ptr<CSkyMechanics> chart;
  std::vector<LoadedObject> objects[7];  // by file number
  bool ok = false;

  Catalogues() {
    const std::string folder = skyDataFolder();
    if (!std::filesystem::exists(folder + "/Stars.skydata")) return;
    database = std::make_unique<CSkyDatabase>((folder + "/").c_str());
    CSkyDatabase& d = *database;
    ok = d.loadSolarSystem("SolarSystem.skydata") && d.loadStars("Stars.skydata") &&
         d.loadTychoStars("TychoStars.skydata") && d.loadGuideStars("GuideStars.skydata") &&
         d.loadDeepSky("DeepSky.skydata") && d.loadConstellations("Constellations.skydata");
    if (!ok) return;
    chart = std::make_unique<CSkyMechanics>(&d);
    chart->setLocation(kSiteLongitude, kSiteLatitude, 1650);
    chart->setJulianDate(kChartDate);
    d.sortSearchResults(chart.get(), nullptr, 0, 0);  // records the chart
    for (int file = 1; file <= 6; ++file) {
      CSkyDataFile* data = d.getDataFile(file);
      if (data == nullptr) continue;
      loadAll(*data, data->getRoot(), objects[file]);
    }
  }

  // Loads the region and its subtree, collecting the objects with their
  // positions computed.
  void loadAll(CSkyDataFile& file, CSkyDataRegion* region, std::vector<LoadedObject>& out) {
    if (region == nullptr) return;
    file.loadRegionObjects(region);
    for (std::size_t i = 0; i < region->getObjectCount(); ++i) {
      CSkyObject* object = region->getObject(i);
      if (object == nullptr) continue;
      chart->updateObjectPosition(object);
      out.push_back({region->getID(), static_cast<std::uint16_t>(i), object});
    }
    for (int k = 0; k < 8; ++k) loadAll(file, region->getChild(k), out);
  }
};

inline Catalogues& catalogues() {
  static Catalogues c;
  return c;
}

}  // namespace search_test
