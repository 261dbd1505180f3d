// The settings form of object references and their resolution against the
// loaded catalogues: a reference stored before a catalogue update finds its
// object again by catalogue number or name when its place has changed.
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/language.h"
#include "skydata/catalog_numbers.h"
#include "skydata/deep_sky_designations.h"
#include "skydata/object_factory.h"
#include "skydata/object_numbers.h"
#include "skydata/object_types.h"
#include "skydata/settings.h"
#include "skydata/sky_database.h"
#include "skydata/sky_object.h"
#include "skydata/star_designations.h"

namespace {

constexpr int kMaxNames = 16;
constexpr int kMaxNumbers = 16;
constexpr int kMaxStoredNames = 4;
constexpr int kMaxStoredNumbers = 8;
constexpr int kMaxCandidates = 16;
constexpr int kMaxSearchResults = 16;

// Switches the names to English for its lifetime (stored references must
// not depend on the interface language) and restores the language after.
class EnglishNames {
 public:
  EnglishNames() : saved_(getLanguage()) {
    if (saved_ != 0) setLanguage(0);
  }
  ~EnglishNames() {
    if (saved_ != 0) setLanguage(saved_);
  }
  EnglishNames(const EnglishNames&) = delete;
  EnglishNames& operator=(const EnglishNames&) = delete;

 private:
  int saved_;
};

// Solar-system catalogue numbers carry the body number in the catalogue
// of the body's kind (objectIdsForNumber). An unknown kind (0) may be any
// of them or, last, the bare number; a kind without a catalogue of its own
// is the bare number.
int parseSolarSystemNumber(const char* text, int type, std::int64_t* out, int max) {
  if (max < 1) return 0;
  std::uint64_t ids[kMaxCandidates];
  int count = static_cast<int>(objectIdsForNumber(text, static_cast<std::uint32_t>(type), ids,
                                                  std::min(max, kMaxCandidates)));
  for (int i = 0; i < count; ++i) out[i] = static_cast<std::int64_t>(ids[i]);
  if ((type == 0 || count == 0) && count < max) {
    const std::int64_t bare = objectEntryForNumber(text);
    if (bare != 0) out[count++] = bare;
  }
  return count;
}

// The catalogue numbers a stored designation text can mean in a file;
// `anyFile` lets files without their own parser use the general one.
int parseNumberText(int fileNumber, int type, const char* text, std::int64_t* out, int max,
                    bool anyFile) {
  switch (fileNumber) {
    case kSolarSystemFile: return parseSolarSystemNumber(text, type, out, max);
    case kStarsFile:
    case kGuideStarsFile:
    case kTychoStarsFile: return parseStarDesignation(text, type, out, max);
    case kDeepSkyFile: return parseDeepSkyDesignation(text, type, out, max);
    default:
      if (!anyFile || max < 1) return 0;
      out[0] = parseStarCatalogNumber(text);
      return out[0] != 0 ? 1 : 0;
  }
}

// True when `text` is the designation of `number` in either style.
bool isDesignationOf(const char* text, std::int64_t number) {
  char designation[256];
  if (std::strcmp(text, formatCatalogNumber(number, designation, sizeof designation, 1)) == 0) {
    return true;
  }
  return std::strcmp(text, formatCatalogNumber(number, designation, sizeof designation, 0)) == 0;
}

int countDesignations(const char* const* texts, int count, std::int64_t number) {
  int matches = 0;
  for (int i = 0; i < count; ++i) {
    if (texts[i] != nullptr && isDesignationOf(texts[i], number)) ++matches;
  }
  return matches;
}

// At least half of `given` texts, and at least one.
int needed(int given) { return given / 2 + given % 2; }

}  // namespace

bool CSkyDatabase::objectMatchesID(const SkyObjectID* reference, const char* const* names,
                                   int nameCount, const char* const* numberTexts,
                                   int numberCount, int type) {
  ScopedSkyObject object(getObject(reference));
  if (!object) return false;
  if (type != 0 && object->getType() != type) return false;
  if (names == nullptr) nameCount = 0;
  if (numberTexts == nullptr) numberCount = 0;
  // Without any text there is nothing that could tell another object from
  // this one.
  if (nameCount <= 0 && numberCount <= 0) return true;

  std::int64_t numbers[kMaxNumbers];
  const int ownNumbers = getObjectCatalogNumbers(object.get(), numbers, kMaxNumbers);
  const char* ownNames[kMaxNames];
  const int ownNameCount = getObjectNames(object.get(), ownNames, kMaxNames);

  if (numberCount > 0) {
    int matches = 0;
    for (int i = 0; i < ownNumbers; ++i) {
      matches += countDesignations(numberTexts, numberCount, numbers[i]);
      if (matches >= needed(numberCount)) return true;
    }
  }
  if (nameCount > 0) {
    int matches = 0;
    for (int k = 0; k < nameCount; ++k) {
      if (names[k] == nullptr) continue;
      for (int i = 0; i < ownNameCount; ++i) {
        if (std::strcmp(ownNames[i], names[k]) == 0) ++matches;
      }
      // A name that is itself a designation counts through the object's
      // number in the same position.
      if (k < ownNumbers && numberCount > 0 && parseStarCatalogNumber(names[k]) != 0) {
        matches += countDesignations(numberTexts, numberCount, numbers[k]);
      }
      if (matches >= needed(nameCount)) return true;
    }
  }
  return false;
}

bool CSkyDatabase::resolveObjectID(SkyObjectID* reference, const char* const* names,
                                   int nameCount, const char* const* numberTexts,
                                   int numberCount) {
  if (reference == nullptr) return false;
  if (reference->file == 0) reference->file = kSolarSystemFile;
  if (names == nullptr) nameCount = 0;
  if (numberTexts == nullptr) numberCount = 0;
  const int type = reference->type;
  if (objectMatchesID(reference, names, nameCount, numberTexts, numberCount, type)) return true;

  std::vector<SkyObjectID> results;
  // A rebuilt catalogue may have moved a star of the stars file into the
  // Tycho file: what the stars file no longer has is looked for there.
  auto search = [&](auto find) {
    results.clear();
    find(static_cast<int>(reference->file));
    if (results.empty() && reference->file == kStarsFile) find(kTychoStarsFile);
  };
  for (int t = 0; t < numberCount; ++t) {
    std::int64_t candidates[kMaxCandidates];
    const int count = parseNumberText(reference->file, type, numberTexts[t], candidates,
                                      kMaxCandidates, false);
    for (int c = 0; c < count; ++c) {
      search([&](int file) { findObjectsByCatalogNumber(candidates[c], file, results, kMaxSearchResults); });
      for (const SkyObjectID& found : results) {
        if (objectMatchesID(&found, names, nameCount, numberTexts, numberCount, type)) {
          *reference = found;
          return true;
        }
      }
    }
  }
  for (int n = 0; n < nameCount; ++n) {
    search([&](int file) { findObjectsByName(names[n], file, results, kMaxSearchResults); });
    for (const SkyObjectID& found : results) {
      if (objectMatchesID(&found, names, nameCount, nullptr, 0, type)) {
        *reference = found;
        return true;
      }
    }
  }
  char designation[256];
  std::printf("Failed to validate: %hu,%u,%hu,%s,%s\n", reference->file, reference->region,
              reference->index,
              formatCatalogNumber(reference->catnum, designation, sizeof designation, 0),
              reference->name);
  return false;
}

CSettings* CSkyDatabase::objectIDToSettings(const SkyObjectID* reference) {
  if (reference == nullptr) return nullptr;
  char text[256];
  auto* list = new CSettings("ObjectID", formatObjectIDText(*reference, text, sizeof text));
  ScopedSkyObject object(getObject(reference));
  if (object) {
    EnglishNames english;
    CSettings::addString(list, "Type", objectTypeAbbreviation(object->getType()));
    const char* names[kMaxStoredNames];
    const int nameCount = getObjectNames(object.get(), names, kMaxStoredNames);
    for (int i = 0; i < nameCount; ++i) CSettings::addString(list, "CommonName", names[i]);
    std::int64_t numbers[kMaxStoredNumbers];
    const int numberCount = getObjectCatalogNumbers(object.get(), numbers, kMaxStoredNumbers);
    for (int i = 0; i < numberCount; ++i) {
      CSettings::addString(list, "CatalogNumber", formatCatalogNumber(numbers[i], text, sizeof text, 1));
    }
  } else {
    // The object is not there now; what the reference knows lets a later
    // catalogue find it again.
    if (reference->name[0] != '\0') CSettings::addString(list, "CommonName", reference->name);
    if (reference->catnum != 0) {
      CSettings::addString(list, "CatalogNumber",
                           formatCatalogNumber(reference->catnum, text, sizeof text, 1));
    }
  }
  return list;
}

bool CSkyDatabase::objectIDFromSettings(SkyObjectID* reference, const CSettings* list) {
  if (reference == nullptr) return false;
  clearSkyObjectID(reference);
  parseObjectIDText(CSettings::getString(list, "ObjectID", 0, "-1,-1,-1"), reference);

  EnglishNames english;
  const char* typeText = CSettings::getString(list, "Type", 0, "");
  reference->type = static_cast<std::uint8_t>(typeText[0] == '\0' ? 0 : objectTypeFromAbbreviation(typeText));
  const char* numberTexts[kMaxNumbers];
  int numberCount = 0;
  for (int n = 0; n < kMaxNumbers; ++n) {
    const char* text = CSettings::getString(list, "CatalogNumber", n, "");
    if (text[0] != '\0') numberTexts[numberCount++] = text;
  }
  const char* names[kMaxStoredNames];
  int nameCount = 0;
  for (int n = 0; n < kMaxStoredNames; ++n) {
    const char* text = CSettings::getString(list, "CommonName", n, "");
    if (text[0] != '\0') names[nameCount++] = text;
  }
  std::snprintf(reference->name, sizeof reference->name, "%s", nameCount > 0 ? names[0] : "");
  reference->catnum = 0;
  if (numberCount > 0) {
    std::int64_t number = 0;
    if (parseNumberText(reference->file, reference->type, numberTexts[0], &number, 1, true) > 0) {
      reference->catnum = number;
    }
  }
  return resolveObjectID(reference, names, nameCount, numberTexts, numberCount);
}

bool CSkyDatabase::refreshObjectID(SkyObjectID* reference) {
  if (reference == nullptr) return false;
  char designation[256];
  const char* number = nullptr;
  if (reference->catnum != 0) {
    number = formatCatalogNumber(reference->catnum, designation, sizeof designation, 0);
  }
  const char* name = reference->name[0] != '\0' ? reference->name : nullptr;
  // Copied, since the reference may be replaced while they are compared.
  const std::string nameCopy = name != nullptr ? name : "";
  const char* names[1] = {nameCopy.c_str()};
  const char* numbers[1] = {number};
  return resolveObjectID(reference, names, name != nullptr ? 1 : 0, numbers,
                         number != nullptr && number[0] != '\0' ? 1 : 0);
}
