// SkyObject: the interface's value object for one catalogue object (its
// reference with the names and catalogue numbers it had, a comment and an
// observation date), the display name of a reference, and observing lists
// stored as CSettings files.
//
// Lookups go through the application's database (application_database.h);
// without one, nothing is found.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/date.h"
#include "skydata/sky_object_id.h"

class CSettings;
class SkyObject;

using ObservingList = std::vector<std::shared_ptr<SkyObject>>;

class SkyObject {
 public:
  // No reference: file, region and index 0, no names or numbers.
  SkyObject() = default;
  // With a reference (setSkyObjectID); a null reference is as above.
  explicit SkyObject(const SkyObjectID* reference);

  // Takes file, region and index, then the object's names (at most 4) and
  // catalogue numbers (at most 8) from the catalogues; both empty when the
  // object is not found.
  void setSkyObjectID(const SkyObjectID& reference);
  // File, region, index, the first name (at most 31 bytes) and the first
  // catalogue number; the type byte is left as it was.
  void getSkyObjectID(SkyObjectID* out) const;
  // The same reference, names and numbers, without comment or date.
  std::shared_ptr<SkyObject> strippedCopy() const;

  // Reads an item of an observing list; true when its object was found
  // (the reference, comment and date are taken either way).
  bool readFromCSettings(const CSettings* list);
  // The item's settings form (the reference's, with "DateObserved" and
  // "Comment" when set); null when no list could be built.
  CSettings* saveToCSettings() const;

  // Equal when file, region and index are.
  bool operator==(const SkyObject& other) const;
  std::size_t hash() const;

  // The name the interface shows for a reference: with common names, the
  // name, " - " and the designation; otherwise the designation first. A
  // solar-system object's name is written into the reference.
  static std::string nameForObject(SkyObjectID* reference, bool showCommonName);

  // A list with the version value "CorvalloObservingListVersion" holds one
  // "SkyObject" object per item; items whose object cannot be found are
  // dropped. Nothing (nullopt) for a null list, one without the version, or
  // an unreadable file.
  static std::optional<ObservingList> readObservingListFromCSettings(const CSettings* list);
  static std::optional<ObservingList> readObservingListFromPath(const char* path);
  static CSettings* saveObservingListToCSettings(const ObservingList* list);
  // Written at indent depth 1, replacing the file atomically; false when
  // it cannot be written.
  static bool saveObservingList(const ObservingList& list, const char* path);

  std::uint16_t file = 0;
  std::uint32_t region = 0;
  std::uint16_t index = 0;
  std::vector<std::string> names;
  std::vector<std::int64_t> catnums;
  std::optional<std::string> comment;
  std::optional<ns::Date> observedOn;
};

// Dates of the interface against Julian dates: the reference date
// 2001-01-01 00:00 UTC is JD 2451910.5; an infinite Julian date is no date.
std::optional<ns::Date> dateFromJulianDate(double jd);
double julianDateFromDate(ns::Date date);
