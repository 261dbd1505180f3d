// The database's search filter, its searches and the sort of their results.

#include "skydata/search_filter.h"

#include <chealpix.h>
#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/angles.h"
#include "engine/body_geometry.h"
#include "engine/magnitudes.h"
#include "engine/vectors.h"
#include "skydata/catalog_numbers.h"
#include "skydata/cluster_designations.h"
#include "skydata/constellation.h"
#include "skydata/constellation_tables.h"
#include "skydata/deep_sky_designations.h"
#include "skydata/deep_sky_object.h"
#include "skydata/designation_scan.h"
#include "skydata/designation_text.h"
#include "skydata/object_factory.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/satellite.h"
#include "skydata/sky_data_file.h"
#include "skydata/sky_data_region.h"
#include "skydata/sky_database.h"
#include "skydata/sky_object.h"
#include "skydata/star.h"
#include "skydata/star_classes.h"
#include "skydata/star_designations.h"

namespace {

constexpr int kMostNames = 16;
constexpr int kMostNumbers = 16;
constexpr int kMostPositionResults = 16;
constexpr double kArcsecond = 4.848136811094136e-06;  // also AU to parsecs
constexpr double kParsecInAU = 206264.80624714843;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kFilterHalfPi = 1.5707963267945;  // the filter's and the Gaia pole's value
// The region name test: regions whose brightest star is fainter than this
// hold no named stars.
constexpr double kFaintestNamedMagnitude = 7.0;
// Meteor showers sort from January: the Sun's longitude early in January.
constexpr double kShowerYearStart = 4.89495042014206;
// 141 SDSS and 142 2MASS: numbers coding a position.
constexpr int kCatalogSDSS = 141;
constexpr int kCatalog2MASS = 142;
constexpr double kHourAngle = 0.26179938779908335;  // radians per hour
constexpr double kDegree = 0.01745329251993889;

bool isFinite(double x) { return std::isfinite(x); }

bool finitePosition(const double p[3]) {
  return isFinite(p[0]) && isFinite(p[1]) && isFinite(p[2]);
}

// Deletes an object the database handed out unless a region owns it.
void releaseObject(CSkyObject* object) {
  if (object != nullptr && !object->isOwnedByRegion()) delete object;
}

// Name matching of the filter: exact, anywhere in the name, or at its
// start, with or without case.
bool nameMatchesKey(const char* name, const char* key, const SearchFilter& f) {
  const std::size_t length = std::strlen(key);
  if (f.exactMatch)
    return f.caseSensitive ? std::strcmp(name, key) == 0 : strcasecmp(name, key) == 0;
  if (f.substringMatch) {
    if (f.caseSensitive) return std::strstr(name, key) != nullptr;
    const std::size_t size = std::strlen(name);
    for (std::size_t start = 0; start + length <= size; ++start)
      if (strncasecmp(name + start, key, length) == 0) return true;
    return false;
  }
  return f.caseSensitive ? std::strncmp(name, key, length) == 0
                         : strncasecmp(name, key, length) == 0;
}

bool within(double value, float low, float high) { return value >= low && value <= high; }

// The test of findObjectsByPositionID's scan.
struct PositionSearch {
  double target[3];
  double radius;
  std::int64_t catalogNumber;
};

bool regionNearPositionFilter(CSkyDataRegion* region, CSkyObject* object, void* context) {
  const auto* search = static_cast<const PositionSearch*>(context);
  if (object == nullptr) {
    if (region == nullptr || region->getID() == 0) return true;
    double centre[3];
    region->getCenter(centre);
    const double distance = vectorLength(centre);
    // A box around the observer holds every direction.
    if (!(distance > 0) || region->contains(search->target)) return true;
    const double size = angularDiameter(region->getDiagonal(), distance);
    return vectorSeparation(search->target, centre) < size + search->radius;
  }
  const int type = object->getType();
  if (type < kTypeStar || type > kTypeLastDeepSky) return false;
  std::int64_t numbers[kMostNumbers];
  const int count = getObjectCatalogNumbers(object, numbers, kMostNumbers);
  return std::find(numbers, numbers + count, search->catalogNumber) != numbers + count;
}

// A digit text as a number; false when it does not fit in 64 bits.
bool digitsValue(const char* text, std::int64_t* value) {
  std::int64_t n = 0;
  for (const char* c = text; *c != '\0'; ++c) {
    const int digit = *c - '0';
    if (n > (INT64_MAX - digit) / 10) return false;
    n = n * 10 + digit;
  }
  *value = n;
  return true;
}

bool allDigits(const char* text) {
  if (*text == '\0') return false;
  for (const char* c = text; *c != '\0'; ++c)
    if (*c < '0' || *c > '9') return false;
  return true;
}

// One entry's sort key.
struct SortKey {
  bool hasObject = true;
  double value = 0;
  std::int64_t number = 0;
  char name[33] = {};
};

int compareNames(const char* a, const char* b) {
  const int order = std::strncmp(a, b, 32);
  return order < 0 ? -1 : order > 0 ? 1 : 0;
}

// Ascending; NaN after every number and equal to NaN.
int compareValues(double a, double b) {
  const bool na = std::isnan(a), nb = std::isnan(b);
  if (na || nb) return na == nb ? 0 : na ? 1 : -1;
  return a < b ? -1 : a > b ? 1 : 0;
}

int compareKeys(const SortKey& a, const SortKey& b, int mode) {
  switch (mode) {
    case kSortName:
      return compareNames(a.name, b.name);
    case kSortCatalogNumber:
      return a.number < b.number ? -1 : a.number > b.number ? 1 : 0;
    case kSortNumberedFirst: {
      const bool an = a.number != 0, bn = b.number != 0;
      if (an != bn) return an ? -1 : 1;
      if (an && a.number != b.number) return a.number < b.number ? -1 : 1;
      return compareNames(a.name, b.name);
    }
    default:
      if (mode < kSortMagnitude || mode > kSortMeteorShowerDate) return 0;
      if (a.hasObject != b.hasObject) return a.hasObject ? 1 : -1;
      if (!a.hasObject) return 0;
      return compareValues(a.value, b.value);
  }
}

}  // namespace

// The chart.

CSkySearchChart::~CSkySearchChart() {
  if (recordedBy_ != nullptr) recordedBy_->recordSearchChart(nullptr);
}

void CSkyDatabase::recordSearchChart(CSkySearchChart* chart) {
  if (searchChart_ == chart) return;
  if (searchChart_ != nullptr) searchChart_->recordedBy_ = nullptr;
  if (chart != nullptr && chart->recordedBy_ != nullptr)
    chart->recordedBy_->recordSearchChart(nullptr);
  searchChart_ = chart;
  if (chart != nullptr) chart->recordedBy_ = this;
}

bool positionOfCodedNumber(std::int64_t number, double* rightAscension, double* declination) {
  int catalogue = 0;
  std::int64_t entry = 0;
  splitCatalogNumber(number, &catalogue, &entry);
  if (catalogue != kCatalogSDSS && catalogue != kCatalog2MASS) return false;
  const std::int64_t ra = entry / 100000000, dec = entry % 100000000;
  const double hours = static_cast<double>(ra / 1000000) +
                       static_cast<double>(ra / 10000 % 100) / 60 +
                       static_cast<double>(ra % 10000) / 360000;
  const double degrees = static_cast<double>(dec / 100000 % 100) +
                         static_cast<double>(dec / 1000 % 100) / 60 +
                         static_cast<double>(dec % 1000) / 36000;
  *rightAscension = hours * kHourAngle;
  *declination = (dec / 10000000 == 0 ? -degrees : degrees) * kDegree;
  return true;
}

// The filter's getters and setters.

const char* CSkyDatabase::getNameKey() const { return searchFilter.nameKey; }
std::int64_t CSkyDatabase::getCatalogNumberKey() const { return searchFilter.catalogNumberKey; }
bool CSkyDatabase::getAllowDuplicates() const { return searchFilter.allowDuplicates; }
bool CSkyDatabase::getCaseSensitive() const { return searchFilter.caseSensitive; }
bool CSkyDatabase::getExactMatch() const { return searchFilter.exactMatch; }
bool CSkyDatabase::getSubstringMatch() const { return searchFilter.substringMatch; }
int CSkyDatabase::getLowestType() const { return searchFilter.lowestType; }
int CSkyDatabase::getHighestType() const { return searchFilter.highestType; }
float CSkyDatabase::getLowestDistance() const { return searchFilter.distance[0]; }
float CSkyDatabase::getHighestDistance() const { return searchFilter.distance[1]; }
float CSkyDatabase::getLowestMagnitude() const { return searchFilter.magnitude[0]; }
float CSkyDatabase::getHighestMagnitude() const { return searchFilter.magnitude[1]; }
float CSkyDatabase::getLowestSize() const { return searchFilter.size[0]; }
float CSkyDatabase::getHighestSize() const { return searchFilter.size[1]; }
float CSkyDatabase::getLowestRightAscension() const { return searchFilter.rightAscension[0]; }
float CSkyDatabase::getHighestRightAscension() const { return searchFilter.rightAscension[1]; }
float CSkyDatabase::getLowestDeclination() const { return searchFilter.declination[0]; }
float CSkyDatabase::getHighestDeclination() const { return searchFilter.declination[1]; }
float CSkyDatabase::getLowestAltitude() const { return searchFilter.altitude[0]; }
float CSkyDatabase::getHighestAltitude() const { return searchFilter.altitude[1]; }
float CSkyDatabase::getLowestAzimuth() const { return searchFilter.azimuth[0]; }
float CSkyDatabase::getHighestAzimuth() const { return searchFilter.azimuth[1]; }
float CSkyDatabase::getLowestSeparation() const { return searchFilter.separation[0]; }
float CSkyDatabase::getHighestSeparation() const { return searchFilter.separation[1]; }
int CSkyDatabase::getConstellation() const { return searchFilter.constellation; }

bool CSkyDatabase::isCategoryShown(int code) const {
  return code >= 0 && code <= 255 && searchFilter.categories[code];
}

void CSkyDatabase::setCategoryShown(int code, bool on) {
  if (code >= 0 && code <= 255) searchFilter.categories[code] = on;
}

void CSkyDatabase::setOnlyCategoryShown(int code) {
  if (code < 0 || code > 255) return;
  for (bool& shown : searchFilter.categories) shown = false;
  searchFilter.categories[code] = true;
}

void CSkyDatabase::getCategoryFlags(bool out[256]) const {
  if (out != nullptr) std::copy(searchFilter.categories, searchFilter.categories + 256, out);
}

void CSkyDatabase::setCategoryFlags(const bool in[256]) {
  if (in != nullptr) std::copy(in, in + 256, searchFilter.categories);
}

void CSkyDatabase::setNameKey(const char* text) { searchFilter.nameKey = text; }
void CSkyDatabase::setCatalogNumberKey(std::int64_t number) {
  searchFilter.catalogNumberKey = number;
}
void CSkyDatabase::setAllowDuplicates(bool on) { searchFilter.allowDuplicates = on; }
void CSkyDatabase::setCaseSensitive(bool on) {
  searchFilter.caseSensitive = on;
  setCaseSensitiveSearch(on);
}
void CSkyDatabase::setExactMatch(bool on) { searchFilter.exactMatch = on; }
void CSkyDatabase::setSubstringMatch(bool on) { searchFilter.substringMatch = on; }

// The tests.

bool CSkyDatabase::objectPassesFilter(const CSkyObject* object) const {
  if (object == nullptr) return false;
  const int type = object->getType();
  if (type < getLowestType() || type > getHighestType()) return false;
  if (type == kTypeSatellite) {
    const CSatellite* satellite = asSatellite(object);
    bool shown = false;
    for (int k = 0; satellite != nullptr && k < 4; ++k)
      shown = shown || isCategoryShown(satellite->getCategory(k));
    if (!shown) return false;
  }
  const std::int64_t numberKey = getCatalogNumberKey();
  const char* nameKey = getNameKey();
  if (numberKey != 0) {
    std::int64_t numbers[kMostNumbers];
    const int count = getObjectCatalogNumbers(object, numbers, kMostNumbers);
    for (int i = 0; i < count; ++i)
      if (catalogNumbersMatch(numbers[i], numberKey)) return true;
    if (nameKey == nullptr) return false;
  }
  if (nameKey == nullptr) return true;
  const char* names[kMostNames];
  const int count = getObjectNames(object, names, kMostNames);
  for (int i = 0; i < count; ++i)
    if (names[i] != nullptr && nameMatchesKey(names[i], nameKey, searchFilter)) return true;
  return false;
}

bool CSkyDatabase::searchScanFilter(CSkyDataRegion* region, CSkyObject* object, void* database) {
  auto* self = static_cast<CSkyDatabase*>(database);
  if (self == nullptr) return false;
  if (object == nullptr) {
    if (region == nullptr || region->getID() == 0) return true;
    // A region's magnitudes span its objects of known magnitude only; an
    // unknown one (+infinity) passes every range open to the faint side, so
    // the faint limit of such a range prunes nothing. (Catalogues have no
    // magnitude of -infinity.)
    const double highMagnitude = self->getHighestMagnitude();
    const double lowMagnitude = highMagnitude == INFINITY ? -INFINITY : self->getLowestMagnitude();
    if (region->isFlat()) {
      return (lowMagnitude == -INFINITY || lowMagnitude <= region->getFaintestMagnitude()) &&
             (highMagnitude == INFINITY || highMagnitude >= region->getBrightestMagnitude());
    }
    if (region->getObjectCount() == 0) return false;
    double centre[3];
    region->getCenter(centre);
    const double half = region->getDiagonal() / 2, length = vectorLength(centre);
    const double far = length + half, near = length - half;
    const double lowDistance = self->getLowestDistance();
    const double highDistance = self->getHighestDistance();
    if (lowDistance > 0 && far < lowDistance) return false;
    if (isFinite(highDistance) && near > highDistance) return false;
    if (isFinite(lowMagnitude) &&
        apparentMagnitude(region->getFaintestMagnitude(), far) < lowMagnitude)
      return false;
    const double brightest = apparentMagnitude(region->getBrightestMagnitude(), near);
    if (isFinite(highMagnitude) && brightest > highMagnitude) return false;
    const char* key = self->getNameKey();
    if (key != nullptr && key[0] != '\0' && brightest > kFaintestNamedMagnitude) return false;
    return true;
  }
  if (!self->objectPassesFilter(object)) return false;
  return self->objectPassesRanges(object);
}

bool CSkyDatabase::objectPassesRanges(CSkyObject* object) const {
  const float raLow = getLowestRightAscension(), raHigh = getHighestRightAscension();
  const float decLow = getLowestDeclination(), decHigh = getHighestDeclination();
  const float altLow = getLowestAltitude(), altHigh = getHighestAltitude();
  const float azLow = getLowestAzimuth(), azHigh = getHighestAzimuth();
  const float magLow = getLowestMagnitude(), magHigh = getHighestMagnitude();
  const float distLow = getLowestDistance(), distHigh = getHighestDistance();
  const float sizeLow = getLowestSize(), sizeHigh = getHighestSize();
  const float sepLow = getLowestSeparation(), sepHigh = getHighestSeparation();
  const int constellation = getConstellation();
  const bool widestRA = raLow <= 0 && raHigh >= 6.283185307178;
  const bool widestDec = decLow <= -kFilterHalfPi && decHigh >= 1.5707964;
  const bool widestAltitude = altLow <= -1.5707964 && altHigh >= 1.5707964;
  const bool widestAzimuth = azLow <= 0 && azHigh >= 6.2831855;
  const bool anyMagnitude = magLow == -INFINITY && magHigh == INFINITY;
  const bool anyDistance = distLow <= 0 && distHigh == INFINITY;
  if (widestRA && widestDec && widestAltitude && widestAzimuth && anyMagnitude && anyDistance &&
      sizeLow <= 0 && sizeHigh >= 6.2831855 && sepLow <= 0 && sepHigh >= 3.1415927 &&
      constellation == 0)
    return true;

  // An object the chart has not placed yet (one of a region read for the
  // scan) is placed first: its magnitude and distance come with its place.
  CSkySearchChart* chart = searchChart_;
  double p[3];
  object->getPosition(p);
  if (!finitePosition(p) && chart != nullptr) {
    chart->searchUpdatePosition(object);
    object->getPosition(p);
  }
  const bool needsPosition =
      !(widestRA && widestDec) || constellation != 0 || !widestAltitude || !widestAzimuth;
  if (needsPosition) {
    // Position tests need a chart: before one is recorded they fail.
    if (chart == nullptr) return false;
    if (!(widestRA && widestDec)) {
      double equatorial[3], ra, dec;
      chart->searchToEquatorial(p, equatorial);
      vectorToSpherical(equatorial, &ra, &dec, nullptr);
      if (!within(ra, raLow, raHigh) || !within(dec, decLow, decHigh)) return false;
    }
    if (constellation != 0 && constellationAtPosition(p) != constellation) return false;
    if (!widestAltitude || !widestAzimuth) {
      double horizon[3], azimuth, altitude;
      chart->searchToHorizon(p, horizon);
      vectorToSpherical(horizon, &azimuth, &altitude, nullptr);
      if (!widestAltitude && !within(altitude, altLow, altHigh)) return false;
      if (!widestAzimuth && !within(azimuth, azLow, azHigh)) return false;
    }
  }
  const int lowType = getLowestType(), highType = getHighestType();
  if (isFinite(magLow) || isFinite(magHigh)) {
    if (!within(object->getMagnitude(), magLow, magHigh)) return false;
    const CDoubleStar* pair = asDoubleStar(object);
    if (lowType > 1 && highType < 6 && pair != nullptr &&
        !(pair->getCompanionMagnitude() <= magHigh))
      return false;
  }
  if (distLow > 0 || isFinite(distHigh)) {
    double distance = object->getDistance();
    if (asPlanet(object) != nullptr) distance *= kArcsecond;
    if (!within(distance, distLow, distHigh)) return false;
  }
  if (!(sizeLow == 0 && sizeHigh >= 6.283185307178)) {
    const CPlanet* planet = asPlanet(object);
    const CDeepSkyObject* deepSky = asDeepSkyObject(object);
    if (planet != nullptr && !within(planet->getAngularDiameter(), sizeLow, sizeHigh)) return false;
    if (planet == nullptr && deepSky != nullptr &&
        !within(deepSky->getMajorSize() * kArcsecond, sizeLow, sizeHigh))
      return false;
  }
  if (!(sepLow == 0 && sepHigh >= 3.141592653589)) {
    const CDoubleStar* pair = asDoubleStar(object);
    const double separation = pair != nullptr ? pair->getSeparation() : 0.0;
    if (!within(separation, sepLow, sepHigh)) return false;
  }
  return true;
}

// The searches.

int CSkyDatabase::addSearchResult(std::vector<SkyObjectID>& results, std::uint16_t file,
                                  std::uint32_t region, std::uint16_t index,
                                  std::int64_t catalogNumber, const char* name, std::uint8_t type) {
  if (!getAllowDuplicates() && skyObjectIDInList(file, region, index, catalogNumber, name,
                                                 results.data(), static_cast<int>(results.size())))
    return 0;
  SkyObjectID reference;
  setSkyObjectID(&reference, file, region, index, catalogNumber, name, type);
  results.push_back(reference);
  return 1;
}

int CSkyDatabase::searchFile(int fileNumber, std::vector<SkyObjectID>& results, int maximum) {
  CSkyDataFile* file = fileNumber >= 1 && fileNumber <= 6 ? getDataFile(fileNumber) : nullptr;
  if (file == nullptr || maximum <= 0) return 0;
  const char* nameKey = getNameKey();
  const std::int64_t numberKey = getCatalogNumberKey();
  const bool indexed = nameKey != nullptr || numberKey != 0;
  std::vector<CIndexEntry> entries;
  if (indexed)
    file->searchIndexes(numberKey, nameKey, 0, entries, maximum);
  else
    file->scanRegions(nullptr, searchScanFilter, this, entries, maximum);
  int added = 0;
  for (const CIndexEntry& entry : entries) {
    if (added >= maximum) break;
    CSkyObject* object = file->getObject(entry.region, entry.index);
    if (object == nullptr) continue;
    if (!indexed || searchScanFilter(nullptr, object, this)) {
      const char* names[1] = {nullptr};
      std::int64_t numbers[1] = {0};
      const char* name = getObjectNames(object, names, 1) > 0 ? names[0] : nullptr;
      std::int64_t number = getObjectCatalogNumbers(object, numbers, 1) > 0 ? numbers[0] : 0;
      std::string matched;
      if (numberKey != 0) {
        number = entry.catalogNumber;
      } else if (nameKey != nullptr && (nameKey[0] != '\0' || getAllowDuplicates())) {
        matched = entry.name.value_or("");
        name = matched.c_str();
      }
      added +=
          addSearchResult(results, static_cast<std::uint16_t>(fileNumber), entry.region,
                          entry.index, number, name, static_cast<std::uint8_t>(object->getType()));
    }
    releaseObject(object);
  }
  return added;
}

int CSkyDatabase::searchFileWithKeys(int fileNumber, std::int64_t catalogNumber, const char* name,
                                     std::vector<SkyObjectID>& results, int maximum) {
  setNameKey(name);
  setCatalogNumberKey(catalogNumber);
  const int found = searchFile(fileNumber, results, maximum);
  setNameKey(nullptr);
  setCatalogNumberKey(0);
  return found;
}

int CSkyDatabase::findObjectsByCatalogNumber(std::int64_t catalogNumber, int fileNumber,
                                             std::vector<SkyObjectID>& results, int maximum) {
  // Without the key the search would scan the whole file.
  if (catalogNumber == 0) return 0;
  return searchFileWithKeys(fileNumber, catalogNumber, nullptr, results, maximum);
}

int CSkyDatabase::findObjectsByName(const char* text, int fileNumber,
                                    std::vector<SkyObjectID>& results, int maximum) {
  if (text == nullptr) return 0;
  return searchFileWithKeys(fileNumber, 0, text, results, maximum);
}

int CSkyDatabase::findObjectsByNumber(std::int64_t n, std::vector<SkyObjectID>& results,
                                      int maximum) {
  // Beyond 10^16 - 1 a number is no entry of any catalogue.
  if (n <= 0 || n >= kCatalogFactor || maximum <= 0) return 0;
  int found = 0;
  auto search = [&](std::int64_t number, int fileNumber) {
    if (number != 0 && found < maximum)
      found += findObjectsByCatalogNumber(number, fileNumber, results, maximum - found);
  };
  for (int catalogue : {kCatalogAsteroid, kCatalogComet, kCatalogSatellite})
    search(makeCatalogNumber(catalogue, n), kSolarSystemFile);

  char text[32];
  std::snprintf(text, sizeof text, "%lld", static_cast<long long>(n));
  std::int64_t numbers[kMostNumbers];
  int count = 0;
  for (auto parse : {parseHRNumber, parseHDNumber, parseSAONumber, parseHIPNumber, parseADSNumber})
    count = addCatalogNumber(numbers, count, kMostNumbers, parse(text));
  count += parseClusterDesignation(text, numbers + count, kMostNumbers - count);
  count = addCatalogNumber(numbers, count, kMostNumbers, parseVariableStarDesignation(text));
  for (int i = 0; i < count; ++i) search(numbers[i], kStarsFile);

  count = parseDeepSkyNumberDigits(text, numbers, kMostNumbers);
  for (int i = 0; i < count; ++i) search(numbers[i], kDeepSkyFile);
  return found;
}

int CSkyDatabase::findObjects(const char* text, std::vector<SkyObjectID>& results, int maximum) {
  if (text == nullptr || maximum <= 0) return 0;
  std::int64_t value = 0;
  if (allDigits(text) && digitsValue(text, &value) && value != 0) {
    const int found = findObjectsByNumber(value, results, maximum);
    if (found > 0) return found;
  }
  int found = 0;
  auto room = [&] { return maximum - found; };
  auto byName = [&](int fileNumber) {
    if (room() > 0) found += findObjectsByName(text, fileNumber, results, room());
  };
  auto byNumber = [&](std::int64_t number, int fileNumber) {
    if (room() > 0) found += findObjectsByCatalogNumber(number, fileNumber, results, room());
  };
  // A position search adds the objects the list does not hold already.
  auto byPosition = [&](std::int64_t number) {
    if (room() <= 0) return;
    std::vector<SkyObjectID> near;
    findObjectsByPositionID(number, near, room());
    for (const SkyObjectID& hit : near) {
      const bool listed = std::any_of(results.begin(), results.end(), [&](const SkyObjectID& r) {
        return isSameSkyObjectID(&r, &hit);
      });
      if (!listed && room() > 0) {
        results.push_back(hit);
        ++found;
      }
    }
  };

  const bool names = std::strlen(text) >= 2;
  if (names) {
    byName(kConstellationsFile);
    byName(kSolarSystemFile);
    byName(kStarsFile);
    byName(kTychoStarsFile);
  }
  std::int64_t numbers[kMostNumbers];
  if (room() > 0) {
    const int count = parseStarDesignation(text, 0, numbers, kMostNumbers);
    for (int i = 0; i < count; ++i) {
      for (int fileNumber : {kStarsFile, kTychoStarsFile, kGuideStarsFile})
        byNumber(numbers[i], fileNumber);
      if (catalogOfNumber(numbers[i]) == kCatalogGaia) byPosition(numbers[i]);
    }
  }
  if (names) byName(kDeepSkyFile);
  if (room() > 0) {
    const int count = parseDeepSkyDesignation(text, 0, numbers, kMostNumbers);
    for (int i = 0; i < count; ++i) {
      byNumber(numbers[i], kDeepSkyFile);
      const int catalogue = catalogOfNumber(numbers[i]);
      if (catalogue == kCatalogSDSS || catalogue == kCatalog2MASS) byPosition(numbers[i]);
    }
  }
  return found;
}

int CSkyDatabase::findObjectsByPositionID(std::int64_t catalogNumber,
                                          std::vector<SkyObjectID>& results, int maximum) {
  int catalogue = 0;
  std::int64_t entry = 0;
  splitCatalogNumber(catalogNumber, &catalogue, &entry);
  double ra = 0, dec = 0, radius = 0;
  int fileNumber = 0;
  if (catalogue == kCatalogGaia) {
    const std::int64_t pixel = entry / kGaiaPixelDivisor;
    // pix2ang_nest reads any number: only a pixel of the sphere is one.
    if (pixel < 0 || pixel >= kGaiaPixelCount) return 0;
    double theta = 0, phi = 0;
    pix2ang_nest(kGaiaPixelSide, static_cast<long>(pixel), &theta, &phi);
    dec = kFilterHalfPi - theta;
    ra = phi;
    radius = kGaiaSearchRadius;
    fileNumber = kGuideStarsFile;
  } else if (positionOfCodedNumber(catalogNumber, &ra, &dec)) {
    radius = kPositionCodeSearchRadius;
    fileNumber = kDeepSkyFile;
  }
  CSkyDataFile* file = fileNumber != 0 ? getDataFile(fileNumber) : nullptr;
  if (file == nullptr || maximum <= 0) return 0;
  PositionSearch search;
  sphericalToVector(search.target, ra, dec, 1.0);
  search.radius = radius;
  search.catalogNumber = catalogNumber;
  std::vector<CIndexEntry> entries;
  file->scanRegions(nullptr, regionNearPositionFilter, &search, entries,
                    std::min(maximum, kMostPositionResults));
  for (const CIndexEntry& hit : entries) {
    SkyObjectID reference;
    setSkyObjectID(&reference, static_cast<std::uint16_t>(fileNumber), hit.region, hit.index,
                   catalogNumber, "", 0);
    results.push_back(reference);
  }
  return static_cast<int>(entries.size());
}

// The sort.

namespace {

// The key of one reference under a mode; the chart may be null.
SortKey sortKeyOf(CSkyDatabase& database, CSkySearchChart* chart, const SkyObjectID& reference,
                  int mode) {
  SortKey key;
  std::snprintf(key.name, sizeof key.name, "%.32s", reference.name);
  key.number = reference.catnum;
  if (mode < kSortMagnitude || mode > kSortMeteorShowerDate) return key;
  CSkyObject* object = database.getObject(&reference);
  if (object == nullptr) {
    key.hasObject = false;
    return key;
  }
  const bool needsChart = mode >= kSortRightAscension && mode <= kSortRightAscensionAgain;
  if (needsChart && chart == nullptr) {
    // Before a chart is recorded these modes have nothing to compare.
    key.value = 0;
    releaseObject(object);
    return key;
  }
  double p[3];
  object->getPosition(p);
  if (needsChart && !finitePosition(p)) {
    chart->searchUpdatePosition(object);
    object->getPosition(p);
  }
  switch (mode) {
    case kSortMagnitude:
      key.value = object->getMagnitude();
      break;
    case kSortDistance:
      key.value = object->getDistance();
      if (asStar(object) != nullptr) key.value *= kParsecInAU;
      break;
    case kSortRightAscension:
    case kSortRightAscensionAgain:
    case kSortDeclination: {
      double ra, dec;
      vectorToSpherical(p, &ra, &dec, nullptr);
      key.value = mode == kSortDeclination ? dec : ra;
      if (!finitePosition(p)) key.value = NAN;
      break;
    }
    case kSortAzimuth:
    case kSortAltitude: {
      double horizon[3], azimuth, altitude;
      chart->searchToHorizon(p, horizon);
      vectorToSpherical(horizon, &azimuth, &altitude, nullptr);
      key.value = mode == kSortAzimuth ? azimuth : altitude;
      if (!finitePosition(p)) key.value = NAN;
      break;
    }
    case kSortConstellation:
      key.value = constellationAtPosition(p);
      break;
    case kSortRiseTime:
    case kSortSetTime: {
      double rise = NAN, set = NAN;
      chart->searchRiseAndSet(object, &rise, &set);
      key.value = mode == kSortRiseTime ? rise : set;
      break;
    }
    case kSortMeteorShowerDate: {
      const CMeteorShower* shower = asMeteorShower(object);
      key.value = 0;
      if (shower != nullptr) {
        double l = std::fmod(shower->getPeakSolarLongitude() - kShowerYearStart, kTwoPi);
        if (l < 0) l += kTwoPi;
        key.value = l;
      }
      break;
    }
    default:
      break;
  }
  releaseObject(object);
  return key;
}

}  // namespace

void CSkyDatabase::sortSearchResults(CSkySearchChart* chart, SkyObjectID* results, int count,
                                     int mode) {
  recordSearchChart(chart);
  sortMode_ = mode;
  if (results == nullptr || count < 2 || mode < kSortName || mode > kSortMeteorShowerDate) return;
  std::vector<SortKey> keys;
  keys.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) keys.push_back(sortKeyOf(*this, chart, results[i], mode));
  std::vector<int> order(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) order[static_cast<std::size_t>(i)] = i;
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return compareKeys(keys[static_cast<std::size_t>(a)], keys[static_cast<std::size_t>(b)], mode) <
           0;
  });
  std::vector<SkyObjectID> sorted;
  sorted.reserve(static_cast<std::size_t>(count));
  for (int i : order) sorted.push_back(results[i]);
  std::copy(sorted.begin(), sorted.end(), results);
}

int CSkyDatabase::compareSearchResults(const SkyObjectID* a, const SkyObjectID* b) {
  if (a == nullptr || b == nullptr) return 0;
  const int mode = sortMode_;
  return compareKeys(sortKeyOf(*this, searchChart_, *a, mode),
                     sortKeyOf(*this, searchChart_, *b, mode), mode);
}
