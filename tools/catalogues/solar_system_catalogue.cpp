#include "tools/catalogues/solar_system_catalogue.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <map>

#include "engine/body_table.h"
#include "engine/locations.h"
#include "skydata/record_io.h"
#include "skydata/satellite.h"
#include "skydata/skydata_writer.h"
#include "skydata/two_line_elements.h"
#include "tools/catalogues/catalogue_tree.h"
#include "tools/catalogues/list_fields.h"
#include "tools/catalogues/record_encoding.h"
#include "tools/catalogues/record_list.h"
#include "tools/catalogues/satellite_magnitudes.h"

namespace catalogues {
namespace {

constexpr int kUserDefinedCategory = 90;
constexpr std::size_t kMaxObjects = 65535;
constexpr int kIndexes[] = {0, 151, 152, 153, 154};
// The moons' magnitudes follow the H, G law with the body table's H (from
// the mean opposition magnitudes of JPL's planetary satellite physical
// parameters); no slope parameter is published for them, so each gets the
// usual 0.25. Without one the law gives no magnitude and no moon is drawn.
constexpr double kMoonSlopeParameter = 0.25;
// The feature type of a populated place on the Earth ("City").
constexpr int kPopulatedPlace = 100;

// A satellite whose standard magnitude the builder sets: the record keeps it
// as the first magnitude parameter, which only the record reader fills.
class CatalogueSatellite : public CSatellite {
 public:
  void setStandardMagnitude(double magnitude) {
    setMagnitudeField(0, magnitudeToRecord(magnitude));
  }
};

class Builder {
 public:
  explicit Builder(SolarSystemCounts& counts) : counts_(counts) {}

  bool add(std::unique_ptr<CSkyObject> object, std::vector<std::string> names,
           std::int64_t number, std::string& error) {
    if (!object) return false;
    if (entries_.size() >= kMaxObjects) {
      error = "more than 65535 solar-system objects";
      return false;
    }
    CatalogueEntry entry;
    entry.object = std::move(object);
    entry.rangeMagnitude = kNone;
    entry.names = std::move(names);
    if (number != 0) entry.numbers.push_back(number);
    entries_.push_back(std::move(entry));
    return true;
  }

  // The Sun, the planets and the moons of the body table.
  bool addBodies(std::string& error) {
    std::vector<int> moons;
    for (int row = 0; row < kBodyTableRows; ++row) {
      int id = kBodyTable[row].identifier;
      if (id >= 100 && id != 301) moons.push_back(id);
    }
    std::vector<int> order = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 301};
    order.insert(order.end(), moons.begin(), moons.end());
    for (int id : order) {
      const BodyTableRow* row = bodyTableRow(id);
      if (!row) {
        error = "the body table has no body " + std::to_string(id);
        return false;
      }
      PlanetValues v;
      v.type = id < 100 ? 30 : 31;
      v.body = static_cast<std::uint32_t>(id);
      v.names.push_back(row->names[0]);
      if (row->provisional && *row->provisional) v.names.push_back(row->provisional);
      v.parent = id < 100 ? 0 : static_cast<std::uint32_t>(id / 100);
      if (v.type == 31 && std::isfinite(row->absoluteMagnitude) && row->absoluteMagnitude < 99.0f) {
        v.magnitude1 = row->absoluteMagnitude;
        v.magnitude2 = kMoonSlopeParameter;
      }
      v.diameter = std::isfinite(row->radius) ? 2.0f * row->radius : 0.0f;
      bodyIndex_[row->names[0]] = static_cast<int>(entries_.size());
      std::int64_t number = id == 0 ? 0 : 1510000000000000000LL + id;
      if (!add(makePlanet(v, error), {row->names[0]}, number, error)) return false;
      (id < 100 ? counts_.planets : counts_.moons)++;
    }
    return true;
  }

  bool addMinorBody(const ListRecord& record, std::string_view name, std::string& error) {
    const auto& f = record.fields;
    bool asteroid = f[0] == "A";
    if (f.size() != (asteroid ? 15u : 14u)) return damaged(record, name, "wrong field count", error);
    const double none = std::numeric_limits<double>::infinity();
    std::int64_t number = 0;
    PlanetValues v;
    double angles[5];
    if (!parseInteger(f[1], number) || number < 0 || number > 0xFFFFFFFFLL ||
        !parseDouble(f[4], v.epoch) || !parseDouble(f[5], v.q) || !parseDouble(f[6], v.e) ||
        !(v.q > 0.0) || !(v.e >= 0.0) || (asteroid && v.e >= 1.0))
      return damaged(record, name, "damaged elements", error);
    for (int k = 0; k < 5; ++k)
      if (!parseDouble(f[7 + k], angles[k])) return damaged(record, name, "damaged elements", error);
    double h, g, diameter = none;
    if (!optionalNumber(f[12], none, h) || !optionalNumber(f[13], none, g) ||
        (asteroid && !optionalNumber(f[14], none, diameter)))
      return damaged(record, name, "damaged magnitude or size", error);
    v.type = asteroid ? 33 : 34;
    v.body = static_cast<std::uint32_t>(number);
    v.parent = 0;
    v.i = angles[0] * kDegree;
    v.perihelion = angles[1] * kDegree;
    v.node = angles[2] * kDegree;
    v.meanAnomaly = angles[3] * kDegree;
    v.meanMotion = angles[4] * kDegree;
    v.magnitude1 = h;
    v.magnitude2 = g;
    v.diameter = std::isfinite(diameter) ? static_cast<float>(diameter) : 0.0f;
    v.names.push_back(f[2]);
    if (f[3] != "-") v.names.push_back(f[3]);
    std::int64_t catalogNumber = number == 0 ? 0 : (asteroid ? 1520000000000000000LL : 1530000000000000000LL) + number;
    if (asteroid) bodyIndex_.emplace(f[2], static_cast<int>(entries_.size()));
    std::vector<std::string> names = v.names;
    if (!add(makePlanet(v, error), names, catalogNumber, error))
      return damaged(record, name, error, error);
    (asteroid ? counts_.asteroids : counts_.comets)++;
    return true;
  }

  bool addSatellite(const NamedElementSet& set, const std::vector<int>& categories,
                    const std::map<int, double>& magnitudes, std::string& error) {
    auto satellite = std::make_unique<CatalogueSatellite>();
    satellite->setElementSet(set.elements);
    if (auto found = magnitudes.find(set.elements.catalogueNumber); found != magnitudes.end()) {
      satellite->setStandardMagnitude(found->second);
      counts_.satellitesWithMagnitude++;
    }
    for (int code : categories) satellite->addCategory(code);
    if (categories.empty()) satellite->addCategory(kUserDefinedCategory);
    std::vector<std::string> names;
    for (int k = 0; k < satellite->getNameCount(); ++k)
      if (*satellite->getNameAt(k)) names.push_back(satellite->getNameAt(k));
    std::int64_t number = satellite->getCatalogNumber();
    if (!add(std::move(satellite), names, number, error)) return false;
    counts_.satellites++;
    return true;
  }

  bool addFeature(const ListRecord& record, std::string_view name, std::string& error) {
    const auto& f = record.fields;
    if (f.size() != 7) return damaged(record, name, "wrong field count", error);
    auto parent = bodyIndex_.find(f[1]);
    if (parent == bodyIndex_.end()) {
      ++skippedFeatures_;  // a body this catalogue does not hold
      return true;
    }
    double latitude, longitude, diameter;
    if (!parseDouble(f[4], latitude) || !parseDouble(f[5], longitude) ||
        !parseDouble(f[6], diameter) || std::fabs(latitude) > 90.0)
      return damaged(record, name, "damaged feature position or size", error);
    FeatureValues v;
    v.featureType = featureType(f[2]);
    v.name = f[3];
    v.parent = static_cast<std::uint16_t>(parent->second);
    v.size = static_cast<float>(diameter);
    double surface[3];
    directionOf(longitude, latitude, surface);
    for (int k = 0; k < 3; ++k) v.surface[k] = static_cast<float>(surface[k]);
    if (!add(makeFeature(v, error), {v.name}, 0, error)) return damaged(record, name, error, error);
    counts_.features++;
    return true;
  }

  // Every row of the city table in use as a populated place of the Earth.
  bool addCities(std::string& error) {
    auto earth = bodyIndex_.find("Earth");
    if (earth == bodyIndex_.end()) {
      error = "the body table has no Earth for the cities";
      return false;
    }
    initLocationDatabase(0);
    for (int i = 0, n = cityCount(); i < n; ++i) {
      Location city{};
      if (!getCityLocation(i, &city)) continue;
      FeatureValues v;
      v.featureType = kPopulatedPlace;
      v.name = city.name;
      v.parent = static_cast<std::uint16_t>(earth->second);
      v.size = static_cast<float>(city.population);
      double surface[3];
      directionOf(city.longitude, city.latitude, surface);
      for (int k = 0; k < 3; ++k) v.surface[k] = static_cast<float>(surface[k]);
      if (!add(makeFeature(v, error), {v.name}, 0, error)) {
        error = "city \"" + v.name + "\": " + error;
        return false;
      }
      counts_.features++;
    }
    return true;
  }

  // The feature type whose name is the descriptor term, compared without
  // regard to case; 0 for a term the table lacks.
  static int featureType(const std::string& term) {
    for (std::uint32_t type = 1; type < 256; ++type) {
      std::string known = surfaceFeatureTypeName(type);
      if (known.size() == term.size() &&
          std::equal(known.begin(), known.end(), term.begin(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
          }))
        return static_cast<int>(type);
    }
    return 0;
  }

  static bool damaged(const ListRecord& record, std::string_view name, const std::string& what,
                      std::string& error) {
    error = lineError(name, record.line, what);
    return false;
  }

  std::vector<CatalogueEntry>& entries() { return entries_; }
  int skippedFeatures() const { return skippedFeatures_; }

 private:
  SolarSystemCounts& counts_;
  std::vector<CatalogueEntry> entries_;
  std::map<std::string, int> bodyIndex_;
  int skippedFeatures_ = 0;
};

bool readGroups(std::string_view text, std::string_view name, std::map<int, std::vector<int>>& groups,
                std::string& error) {
  if (text.empty()) return true;
  std::vector<ListRecord> records;
  if (!parseRecordList(text, "satellite-groups", name, "G", records, error)) return false;
  for (const ListRecord& record : records) {
    std::int64_t number = 0;
    if (record.fields.size() != 3 || record.fields[0] != "G" ||
        !parseInteger(record.fields[1], number)) {
      error = lineError(name, record.line, "damaged group line");
      return false;
    }
    for (const std::string& code : splitField(record.fields[2], ',')) {
      std::int64_t value = 0;
      if (!parseInteger(code, value) || value < 1 || value > 255) {
        error = lineError(name, record.line, "damaged category code");
        return false;
      }
      groups[static_cast<int>(number)].push_back(static_cast<int>(value));
    }
  }
  return true;
}

}  // namespace

bool readElementFile(std::string_view text, std::string_view name, std::vector<NamedElementSet>& sets,
                     std::string& error) {
  if (!parseTwoLineElementFile(text, name, sets, error)) return false;
  if (sets.empty()) {
    error = std::string(name) + ": holds no element sets";
    return false;
  }
  return true;
}

bool buildSolarSystemCatalogue(const SolarSystemSources& sources, const std::string& path,
                               SolarSystemCounts& counts, std::string& error) {
  std::vector<ListRecord> records;
  if (!parseRecordList(sources.bodies, "solarsystem", sources.bodiesName, "*", records, error))
    return false;
  std::vector<NamedElementSet> sets;
  if (!readElementFile(sources.elements, sources.elementsName, sets, error)) return false;
  std::map<int, std::vector<int>> groups;
  if (!readGroups(sources.groups, sources.groupsName, groups, error)) return false;
  std::map<int, double> magnitudes;
  if (!sources.magnitudes.empty() &&
      !parseSatelliteMagnitudes(sources.magnitudes, sources.magnitudesName, magnitudes, error))
    return false;

  counts = {};
  Builder builder(counts);
  if (!builder.addBodies(error)) return false;
  for (const char* tag : {"A", "C"})
    for (const ListRecord& record : records)
      if (record.fields[0] == tag && !builder.addMinorBody(record, sources.bodiesName, error))
        return false;
  for (const NamedElementSet& set : sets) {
    auto found = groups.find(set.elements.catalogueNumber);
    static const std::vector<int> none;
    if (!builder.addSatellite(set, found == groups.end() ? none : found->second, magnitudes,
                              error))
      return false;
  }
  for (const ListRecord& record : records) {
    const std::string& tag = record.fields[0];
    if (tag == "F" && !builder.addFeature(record, sources.bodiesName, error)) return false;
    if (tag != "A" && tag != "C" && tag != "F") {
      error = lineError(sources.bodiesName, record.line, "unknown record \"" + tag + "\"");
      return false;
    }
  }
  if (sources.cities && !builder.addCities(error)) return false;
  SkyDataWriter writer;
  for (int id : kIndexes) writer.addIndex(static_cast<std::uint64_t>(id));
  if (writeRootOnly(builder.entries(), writer, error) < 0 || !writer.writeFile(path)) {
    error = path + ": " + (error.empty() ? "cannot be written" : error);
    return false;
  }
  return true;
}

}  // namespace catalogues
