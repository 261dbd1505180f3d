#include "skydata/sky_object_model.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>

#include "skydata/application_database.h"
#include "skydata/bayer_letters.h"
#include "skydata/catalog_numbers.h"
#include "skydata/object_factory.h"
#include "skydata/object_types.h"
#include "skydata/settings.h"
#include "skydata/sky_database.h"
#include "skydata/sky_object.h"

namespace {

constexpr int kMaxNames = 4;
constexpr int kMaxNumbers = 8;
constexpr double kReferenceJulianDate = 2451910.5;
constexpr const char* kVersionKey = "CorvalloObservingListVersion";
constexpr const char* kVersion = "3.0";

bool isStarType(int type) { return type >= kTypeStar && type <= kTypeLastDeepSky; }
bool isSolarSystemType(int type) { return type >= kTypePlanet && type <= kTypeSpacecraft; }

}  // namespace

std::optional<ns::Date> dateFromJulianDate(double jd) {
  if (!std::isfinite(jd)) return std::nullopt;
  return ns::Date::fromTimeIntervalSinceReferenceDate((jd - kReferenceJulianDate) * 86400.0);
}

double julianDateFromDate(ns::Date date) {
  return date.timeIntervalSinceReferenceDate() / 86400.0 + kReferenceJulianDate;
}

SkyObject::SkyObject(const SkyObjectID* reference) {
  if (reference != nullptr) setSkyObjectID(*reference);
}

void SkyObject::setSkyObjectID(const SkyObjectID& reference) {
  file = reference.file;
  region = reference.region;
  index = reference.index;
  names.clear();
  catnums.clear();
  CSkyDatabase* database = applicationSkyDatabase();
  if (database == nullptr) return;
  ScopedSkyObject object(database->getObject(&reference));
  if (!object) return;
  const char* found[kMaxNames];
  const int nameCount = getObjectNames(object.get(), found, kMaxNames);
  for (int i = 0; i < nameCount; ++i) names.emplace_back(found[i]);
  std::int64_t numbers[kMaxNumbers];
  const int numberCount = getObjectCatalogNumbers(object.get(), numbers, kMaxNumbers);
  catnums.assign(numbers, numbers + numberCount);
}

void SkyObject::getSkyObjectID(SkyObjectID* out) const {
  if (out == nullptr) return;
  out->file = file;
  out->region = region;
  out->index = index;
  std::snprintf(out->name, sizeof out->name, "%s", names.empty() ? "" : names.front().c_str());
  out->catnum = catnums.empty() ? 0 : catnums.front();
}

std::shared_ptr<SkyObject> SkyObject::strippedCopy() const {
  auto copy = std::make_shared<SkyObject>();
  copy->file = file;
  copy->region = region;
  copy->index = index;
  copy->names = names;
  copy->catnums = catnums;
  return copy;
}

bool SkyObject::readFromCSettings(const CSettings* list) {
  SkyObjectID reference;
  CSkyDatabase* database = applicationSkyDatabase();
  const bool found = database != nullptr && database->objectIDFromSettings(&reference, list);
  if (database == nullptr) {
    // Without catalogues the stored place is all there is.
    parseObjectIDText(CSettings::getString(list, "ObjectID", 0, ""), &reference);
  }
  setSkyObjectID(reference);
  const double jd = CSettings::getDouble(list, "DateObserved", 0, 0.0);
  observedOn = jd != 0.0 ? dateFromJulianDate(jd) : std::nullopt;
  const char* text = CSettings::getValue(list, "Comment", 0);
  comment = text != nullptr ? std::optional<std::string>(text) : std::nullopt;
  return found;
}

CSettings* SkyObject::saveToCSettings() const {
  SkyObjectID reference;
  CSkyDatabase::setSkyObjectID(&reference, file, region, index, 0, "", 0);
  CSettings* list = nullptr;
  if (CSkyDatabase* database = applicationSkyDatabase()) {
    list = database->objectIDToSettings(&reference);
  } else {
    char text[64];
    list = new CSettings("ObjectID", formatObjectIDText(reference, text, sizeof text));
  }
  if (list == nullptr) return nullptr;
  if (observedOn) CSettings::addDouble(list, "DateObserved", julianDateFromDate(*observedOn));
  if (comment) CSettings::addString(list, "Comment", comment->c_str());
  return list;
}

bool SkyObject::operator==(const SkyObject& other) const {
  return file == other.file && region == other.region && index == other.index;
}

std::size_t SkyObject::hash() const {
  std::size_t value = std::hash<std::uint64_t>()(std::uint64_t{file} << 48 ^ std::uint64_t{region} << 16 ^ index);
  for (const std::string& name : names) value = value * 31 + std::hash<std::string>()(name);
  for (std::int64_t number : catnums) value = value * 31 + std::hash<std::int64_t>()(number);
  return value;
}

std::string SkyObject::nameForObject(SkyObjectID* reference, bool showCommonName) {
  if (reference == nullptr) return {};
  CSkyDatabase* database = applicationSkyDatabase();
  char designation[256] = "";
  {
    ScopedSkyObject object(database != nullptr ? database->getObject(reference) : nullptr);
    const int type = object ? object->getType() : 0;
    if (isStarType(type) && reference->catnum != 0) {
      const int style = !runningOniPad() && showCommonName && reference->name[0] != '\0' ? 1 : 0;
      formatCatalogNumber(reference->catnum, designation, sizeof designation, style);
      if (designation[0] == '$' && designation[1] != '\0') {
        // A Greek letter in the symbol font becomes its name.
        char expanded[256];
        std::snprintf(expanded, sizeof expanded, "%s%s",
                      bayerLetterName(bayerLetterCode(designation[1])), designation + 2);
        std::snprintf(designation, sizeof designation, "%s", expanded);
      }
    } else if (isSolarSystemType(type)) {
      object->getName(reference->name, sizeof reference->name);
    }
  }
  const std::string name = reference->name;
  const std::string number = designation;
  if (showCommonName) {
    if (name.empty()) return number;
    return number.empty() ? name : name + " - " + number;
  }
  if (number.empty()) return name;
  return name.empty() ? number : number + " - " + name;
}

std::optional<ObservingList> SkyObject::readObservingListFromCSettings(const CSettings* list) {
  if (list == nullptr || CSettings::getValue(list, kVersionKey, 0) == nullptr) return std::nullopt;
  ObservingList items;
  for (int n = 0;; ++n) {
    const CSettings* node = CSettings::find(list, "SkyObject", n);
    if (node == nullptr) break;
    if (node->child == nullptr) continue;
    auto item = std::make_shared<SkyObject>();
    if (item->readFromCSettings(node->child)) items.push_back(std::move(item));
  }
  return items;
}

std::optional<ObservingList> SkyObject::readObservingListFromPath(const char* path) {
  CSettings* list = CSettings::readFile(path);
  if (list == nullptr) return std::nullopt;
  std::optional<ObservingList> items = readObservingListFromCSettings(list);
  CSettings::deleteList(list);
  return items;
}

CSettings* SkyObject::saveObservingListToCSettings(const ObservingList* list) {
  if (list == nullptr) return nullptr;
  auto* settings = new CSettings(kVersionKey, kVersion);
  for (const auto& item : *list) {
    if (!item) continue;
    if (CSettings* entry = item->saveToCSettings()) CSettings::addObject(settings, "SkyObject", entry);
  }
  return settings;
}

bool SkyObject::saveObservingList(const ObservingList& list, const char* path) {
  CSettings* settings = saveObservingListToCSettings(&list);
  const bool written = settings != nullptr && CSettings::writeFile(settings, path, 1);
  CSettings::deleteList(settings);
  return written;
}
