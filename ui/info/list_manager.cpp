#include "ui/info/list_manager.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "chart/sky_chart.h"
#include "engine/sgp4.h"
#include "skydata/object_factory.h"
#include "skydata/object_types.h"
#include "skydata/search_filter.h"
#include "skydata/sky_database.h"
#include "skydata/sky_object_id.h"
#include "ui/foundation/settings_model.h"
#include "ui/foundation/shell.h"
#include "ui/info/list_titles.h"
#include "ui/info/satellite_list_scan.h"

namespace {

constexpr int kMaxSkyObjectIDs = 30000;
constexpr int kBrightest = 3;
// Lists by pass time look a day ahead for passes above 6°; tonight's list
// also wants the Sun 6° below the horizon.
constexpr double kListWindowDays = 1.0;
constexpr double kSixDegrees = 0.10471975511963333;

struct SharedArrays {
  std::unique_ptr<SkyObjectID[]> ids{new SkyObjectID[kMaxSkyObjectIDs]()};
  std::unique_ptr<double[]> times{new double[kMaxSkyObjectIDs]()};
  // The search's own results before they are copied into `ids`.
  std::vector<SkyObjectID> found = std::vector<SkyObjectID>(kMaxSkyObjectIDs);
};

SharedArrays& shared() {
  static SharedArrays arrays;
  return arrays;
}

// Every satellite (or spacecraft) of a category in name order, whatever
// ranges an earlier search left in the database's filter; the filter is at
// its defaults afterwards, with the caller's category flags.
int listByName(CSkyDatabase& database, CSkyChart& chart, int category, int type) {
  SharedArrays& arrays = shared();
  bool categories[256];
  database.getCategoryFlags(categories);
  database.searchFilter = SearchFilter();
  database.searchFilter.lowestType = database.searchFilter.highestType = type;
  database.setOnlyCategoryShown(category);
  database.setAllowDuplicates(true);
  arrays.found.clear();
  const int found = std::min(database.searchFile(kSolarSystemFile, arrays.found, kMaxSkyObjectIDs),
                             kMaxSkyObjectIDs);
  // A satellite whose elements the model refuses now (a decayed orbit) has
  // no place to show, so it is not listed.
  int count = 0;
  for (int i = 0; i < found; ++i) {
    ScopedSkyObject object(database.getObject(&arrays.found[i]));
    CSatellite* satellite = asSatellite(object.get());
    double position[3];
    if (satellite != nullptr &&
        chart.computeSatellitePosition(satellite, position, nullptr, chart.dynamicalJulianDate) !=
            kSatelliteModelOK)
      continue;
    arrays.ids[count++] = arrays.found[i];
  }
  database.sortSearchResults(&chart, arrays.ids.get(), count, kSortName);
  database.searchFilter = SearchFilter();
  database.setCategoryFlags(categories);
  return count;
}

}  // namespace

std::string ListMgr::getTitleForSection(int section) {
  const auto sections = satelliteListSections();
  if (section < 0 || section >= static_cast<int>(sections.size())) return "";
  return sections[section].title;
}

std::optional<std::vector<std::string>> ListMgr::getTitlesOfListsForSection(int section) {
  const auto sections = satelliteListSections();
  if (section < 0 || section >= static_cast<int>(sections.size()) ||
      sections[section].lists.empty())
    return std::nullopt;
  return std::vector<std::string>(sections[section].lists.begin(), sections[section].lists.end());
}

int ListMgr::getSatelliteType(const std::string& title) {
  for (const SatelliteListCode& list : satelliteListCodes())
    if (title == list.title) return list.code;
  return -1;
}

std::span<const int> ListMgr::getAllSatTypes() { return satelliteSectionCodes(); }

int ListMgr::getNumSatTypes() { return static_cast<int>(satelliteSectionCodes().size()); }

SkyObjectID* ListMgr::getSkyObjectIDs() { return shared().ids.get(); }

int ListMgr::getMaxSkyObjectIDs() { return kMaxSkyObjectIDs; }

std::int64_t ListMgr::getList(const std::string& title, SkyObjectID** ids, double** times,
                              bool* indexed, bool* showCommonName) {
  SharedArrays& arrays = shared();
  if (ids != nullptr) *ids = arrays.ids.get();
  if (times != nullptr) *times = nullptr;
  if (indexed != nullptr) *indexed = false;
  if (showCommonName != nullptr) *showCommonName = true;

  AppDelegate* delegate = AppDelegate::instance();
  ChartViewController* controller = ChartViewController::currentController();
  CSkyDatabase* database = delegate != nullptr ? delegate->pSkyData() : nullptr;
  CSkyChart* chart = controller != nullptr ? controller->pSkyChart() : nullptr;
  Settings* settings = controller != nullptr ? controller->settings() : nullptr;
  if (database == nullptr || chart == nullptr || settings == nullptr) return 0;
  const double jd = chart->julianDate;

  if (title == "Tonight's Satellites") {
    if (times != nullptr) *times = arrays.times.get();
    return findSatellitePasses(chart, kBrightest, arrays.ids.get(), arrays.times.get(),
                               kMaxSkyObjectIDs, jd, jd + kListWindowDays, -kSixDegrees,
                               kSixDegrees, settings->planetMagnitudeLimit());
  }
  // A title not in the table lists category 0.
  const int category = std::max(getSatelliteType(title), 0);
  if (settings->sortListBy() == "SortListByPassTime") {
    if (times != nullptr) *times = arrays.times.get();
    return findSatellitePasses(chart, category, arrays.ids.get(), arrays.times.get(),
                               kMaxSkyObjectIDs, jd, jd + kListWindowDays, -INFINITY, kSixDegrees,
                               INFINITY);
  }
  if (indexed != nullptr) *indexed = true;
  const int type = title == "Interplanetary" ? kTypeSpacecraft : kTypeSatellite;
  return listByName(*database, *chart, category, type);
}
