// The "CurrentSettings" file: the model read from and written to a CSettings
// tree, key by key through the one table of settings_keys.cpp, and the user
// locations between the model and the location database.
#include <sys/stat.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <string_view>
#include <unordered_set>

#include "chart/sky_chart.h"
#include "engine/locations.h"
#include "platform/foundation/file_io.h"
#include "skydata/application_database.h"
#include "skydata/catalog_numbers.h"
#include "skydata/settings.h"
#include "skydata/sky_database.h"
#include "skydata/sky_object.h"
#include "skydata/sky_object_model.h"
#include "ui/foundation/settings_keys.h"
#include "ui/foundation/shell.h"
#include "ui/foundation/utility.h"

namespace {

using namespace settings_file;

// The satellite that stands for the selection when the stored one is not a
// satellite or spacecraft: NORAD 25544 in the satellite catalogue.
constexpr std::int64_t kStandInSatellite = std::int64_t{kCatalogSatellite} * 10000000000000000 + 25544;
constexpr int kSatelliteType = 35, kSpacecraftType = 36;

bool acceptable(double value, Range range) {
  return range == Range::finite ? std::isfinite(value) : !std::isnan(value);
}

// A double of the file, or the fallback where it is absent, unreadable or
// out of its range.
double readReal(const CSettings* tree, const char* key, double fallback, Range range, int occurrence = 0) {
  const double value = CSettings::getDouble(tree, key, occurrence, fallback);
  return acceptable(value, range) ? value : fallback;
}

// To single precision without undefined narrowing: beyond the largest float
// the value saturates (infinities stay).
float saturatedFloat(double value) {
  if (std::isfinite(value)) {
    if (value > FLT_MAX) return FLT_MAX;
    if (value < -FLT_MAX) return -FLT_MAX;
  }
  return static_cast<float>(value);
}

bool readFlag(const CSettings* tree, const char* key, bool fallback, int occurrence = 0) {
  return CSettings::getInt(tree, key, occurrence, fallback ? 1 : 0) != 0;
}

std::string readText(const CSettings* tree, const char* key, const char* fallback) {
  return CSettings::getString(tree, key, 0, fallback);
}

bool isUserLocationObject(const CSettings* node) {
  // As CSettings::countObjects counts them: object nodes with members.
  return std::strcmp(node->name.c_str(), "UserLocation") == 0 && !node->value && node->child != nullptr;
}

CSkyChart* currentChart() {
  ChartViewController* controller = ChartViewController::currentController();
  return controller ? controller->pSkyChart() : nullptr;
}

}  // namespace

// ---- Reading -----------------------------------------------------------------------

SkyObjectID Settings::readSelectedObject(const CSettings* tree) {
  // Only a satellite or spacecraft survives as the stored selection;
  // anything else becomes the stand-in satellite, and nothing at all (not
  // the rejected object) when the catalogue lacks it.
  SkyObjectID selection;
  CSkyDatabase::setSkyObjectID(&selection, 0, 0, 0, 0, "", 0);  // zeros
  CSkyDatabase* database = applicationSkyDatabase();
  bool resolved = false;
  if (const CSettings* described = CSettings::getObject(tree, "SelectedObject", 0); described && database)
    resolved = database->objectIDFromSettings(&selection, described);
  int type = 0;
  if (database) {
    ScopedSkyObject object(database->getObject(&selection));
    if (object) type = object->getType();
  }
  if (!resolved || (type != kSatelliteType && type != kSpacecraftType)) {
    std::vector<SkyObjectID> found;
    if (database && database->findObjectsByCatalogNumber(kStandInSatellite, kSolarSystemFile, found, 1) > 0)
      selection = found.front();
    else
      CSkyDatabase::clearSkyObjectID(&selection);
  }
  selectedObject_ = std::make_shared<SkyObject>(&selection);
  return selection;
}

void Settings::readUserLocationEntries(const CSettings* tree) {
  userLocations_.clear();
  if (const int count = locationGroupSize(0); count > 0) userLocations_.reserve(std::size_t(count));
  // One walk down the list: fetching occurrence i from its head each time
  // would take quadratic time over a long list.
  for (const CSettings* node = tree; node != nullptr; node = node->next) {
    if (!isUserLocationObject(node)) continue;
    const CSettings* fields = node->child;
    auto entry = std::make_shared<UserLocationSetting>();
    entry->locationName = readText(fields, "UserLocationName", "");
    entry->longitude = readReal(fields, "UserLocationLongitude", 0.0, Range::finite);
    entry->latitude = readReal(fields, "UserLocationLatitude", 0.0, Range::finite);
    entry->altitude = readReal(fields, "UserLocationAltitude", 0.0, Range::finite);
    entry->timeZone = readReal(fields, "UserLocationTimezone", 0.0, Range::finite);
    userLocations_.push_back(std::move(entry));
  }
  if (chartViewController_) readUserLocations();
}

void Settings::readFromCSettings(const CSettings* tree) {
  SkyObjectID selection;  // the invalid reference until its row
  for (const SettingsKey& row : settingsKeys()) {
    const char* key = row.key;
    if (auto* text = std::get_if<TextKey>(&row.access)) {
      (this->*text->set)(readText(tree, key, text->fallback));
    } else if (auto* real = std::get_if<RealKey>(&row.access)) {
      (this->*real->set)(readReal(tree, key, real->fallback, real->range));
    } else if (auto* single = std::get_if<SingleKey>(&row.access)) {
      (this->*single->set)(saturatedFloat(readReal(tree, key, single->fallback, single->range)));
    } else if (auto* flag = std::get_if<FlagKey>(&row.access)) {
      (this->*flag->set)(readFlag(tree, key, flag->fallback));
    } else if (auto* integer = std::get_if<IntegerKey>(&row.access)) {
      (this->*integer->set)(CSettings::getInt(tree, key, 0, integer->fallback));
    } else if (auto* view = std::get_if<PerspectiveKey>(&row.access)) {
      perspectives_[std::size_t(view->perspective - 1)].*(view->field) =
          readReal(tree, key, view->fallback, Range::finite);
    } else if (auto* category = std::get_if<CategoryKey>(&row.access)) {
      satellitesShown_[std::size_t(category->code)] = readFlag(tree, key, category->fallback, category->occurrence);
    } else {
      switch (std::get<Special>(row.access)) {
        case Special::version: break;  // never read
        case Special::selectedObject: selection = readSelectedObject(tree); break;
        case Special::selectedObjectLocked:
          setSelectedObjectLocked(readFlag(tree, key, true));
          if (CSkyChart* c = chart()) {
            c->selectObject(&selection);
            c->setCenterOnSelected(selectedObjectLocked_);
          }
          break;
        case Special::userLocation: readUserLocationEntries(tree); break;
        case Special::countryBorder:
          // Kept as read for a save made where no chart speaks for the
          // countries (no chart yet, or none that knows the country table).
          keptCountryBorders_.clear();
          for (const CSettings* node = tree; node != nullptr; node = node->next)
            if (node->value && node->name == key) keptCountryBorders_.push_back(*node->value);
          if (CSkyChart* c = currentChart(); c && countryBorderSettings().read) countryBorderSettings().read(*c, tree);
          break;
      }
    }
  }
}

int Settings::readUserLocations() {
  if (!readingFromDefaults_) return 0;
  clearUserLocations();
  std::unordered_set<std::string> seen;
  int inserted = 0;
  for (const auto& entry : userLocations_) {
    if (!entry || !seen.insert(entry->locationName).second) continue;
    Location location{};
    location.name = entry->locationName.c_str();
    location.countryCode = 0;
    location.longitude = saturatedFloat(entry->longitude);
    location.latitude = saturatedFloat(entry->latitude);
    location.altitude = saturatedFloat(entry->altitude);
    location.timeZone = saturatedFloat(entry->timeZone);
    location.population = 1;
    // The database holds 256 places: the rest stay out of it.
    if (!insertUserLocation(inserted, location)) break;
    ++inserted;
  }
  return int(userLocations_.size());
}

std::string Settings::defaultsPath() { return Utility::documentsDirectory() + "/CurrentSettings"; }

void Settings::readFromDefaults() {
  readingFromDefaults_ = true;
  readFromPath(defaultsPath());
  readingFromDefaults_ = false;
}

namespace {

// A settings file that exists but gives nothing (it cannot be opened, is no
// regular file, or holds no setting at all) is moved aside before the
// defaults take over, so the next save cannot destroy what may still be
// recovered from it; one that cannot be moved is not written over in this
// run. An empty file holds nothing to keep.
void keepUnreadableFile(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return;  // no file: a first start
  if (S_ISREG(info.st_mode) && info.st_size == 0) return;
  ns::keepUnreadableFileAside(path, "Settings file");
}

}  // namespace

void Settings::readFromPath(const std::string& path) {
  CSettings* tree = CSettings::readFile(path.c_str());
  if (tree == nullptr) {
    keepUnreadableFile(path);
    // Every key takes its default.
    tree = new CSettings("", "");
  }
  readFromCSettings(tree);
  CSettings::deleteList(tree);
  if (chartViewController_) updateUIAfterReadingSettings(true);
}

// ---- Writing -----------------------------------------------------------------------

int Settings::saveUserLocations() {
  userLocations_.clear();
  const int count = std::max(0, locationGroupSize(0));
  userLocations_.reserve(std::size_t(count));
  for (int i = 0; i < count; ++i) {
    Location location{};
    if (!getUserLocation(i, &location)) continue;
    auto entry = std::make_shared<UserLocationSetting>();
    entry->locationName = location.name ? location.name : "";
    entry->longitude = location.longitude;
    entry->latitude = location.latitude;
    entry->altitude = location.altitude;
    entry->timeZone = location.timeZone;
    userLocations_.push_back(std::move(entry));
  }
  return int(userLocations_.size());
}

CSettings* Settings::saveToCSettings() {
  CSettings* tree = nullptr;
  for (const SettingsKey& row : settingsKeys()) {
    const char* key = row.key;
    if (auto* text = std::get_if<TextKey>(&row.access)) {
      CSettings::addString(tree, key, (this->*text->get)().c_str());
    } else if (auto* real = std::get_if<RealKey>(&row.access)) {
      CSettings::addDouble(tree, key, (this->*real->get)());
    } else if (auto* single = std::get_if<SingleKey>(&row.access)) {
      CSettings::addDouble(tree, key, double((this->*single->get)()));
    } else if (auto* flag = std::get_if<FlagKey>(&row.access)) {
      CSettings::addInt(tree, key, (this->*flag->get)() ? 1 : 0);
    } else if (auto* integer = std::get_if<IntegerKey>(&row.access)) {
      CSettings::addInt(tree, key, (this->*integer->get)());
    } else if (auto* view = std::get_if<PerspectiveKey>(&row.access)) {
      CSettings::addDouble(tree, key, perspectives_[std::size_t(view->perspective - 1)].*(view->field));
    } else if (auto* category = std::get_if<CategoryKey>(&row.access)) {
      CSettings::addInt(tree, key, satellitesShown_[std::size_t(category->code)] ? 1 : 0);
    } else {
      switch (std::get<Special>(row.access)) {
        case Special::version: tree = new CSettings(key, kSettingsVersion); break;
        case Special::selectedObject:
          if (CSkyChart* c = currentChart()) {
            SkyObjectID selection = c->selectedObjectID;
            CSkyDatabase* database = applicationSkyDatabase();
            if (CSettings* described = database ? database->objectIDToSettings(&selection) : nullptr)
              CSettings::addObject(tree, key, described);
          }
          break;
        case Special::selectedObjectLocked: CSettings::addInt(tree, key, selectedObjectLocked_ ? 1 : 0); break;
        case Special::userLocation:
          if (chartViewController_) saveUserLocations();
          for (const auto& entry : userLocations_) {
            if (!entry) continue;
            CSettings* fields = new CSettings("UserLocationName", entry->locationName.c_str());
            CSettings::addDouble(fields, "UserLocationLongitude", entry->longitude);
            CSettings::addDouble(fields, "UserLocationLatitude", entry->latitude);
            CSettings::addDouble(fields, "UserLocationAltitude", entry->altitude);
            CSettings::addDouble(fields, "UserLocationTimezone", entry->timeZone);
            CSettings::addObject(tree, key, fields);
          }
          break;
        case Special::countryBorder:
          if (CSkyChart* c = chart(); c && countryBorderSettings().write) {
            countryBorderSettings().write(*c, tree);
          } else {
            for (const std::string& country : keptCountryBorders_) CSettings::addString(tree, key, country.c_str());
          }
          break;
      }
    }
  }
  return tree;
}

bool Settings::saveToDefaults() { return saveToPath(defaultsPath()); }

bool Settings::saveToPath(const std::string& path) {
  CSettings* tree = saveToCSettings();
  if (tree == nullptr) return false;
  // A temporary file renamed over the old one: a failed or interrupted
  // write leaves the old file as it was.
  const bool written = CSettings::writeFile(tree, path.c_str(), 0);
  CSettings::deleteList(tree);
  ns::noteFileWritten(path, "Settings file", written);
  return written;
}
