// A small solar-system catalogue for the mechanics tests, written with the
// project's own writer into a scratch folder and loaded into a database:
// the Sun and planets in the file's fixed order with the Moon at index 10,
// moons of every family, an asteroid, a comet with a short valid range, a
// spacecraft, and artificial satellites from two-line element sets.
#pragma once

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/sgp4.h"
#include "tests/support/temp_dir.h"

class CSkyDatabase;
class CPlanet;
class CSatellite;
struct SkyObjectID;

namespace mechanics_test {

// One solar-system record as the catalogue stores it.
struct BodyRecord {
  int type = 30;
  std::uint32_t body = 0;
  std::vector<std::string> names;
  std::uint32_t parent = 0;
  double validFrom = -1e9, validTo = 1e9;
  double epoch = 2451545.0, q = 1, e = 0, i = 0, omega = 0, node = 0, m0 = 0, n = 0.01;
  double magnitude1 = INFINITY, magnitude2 = INFINITY;
  float diameter = 0;
};

// A satellite record from an element set, with a standard magnitude and
// list categories.
struct SatelliteRecord {
  SatelliteElementSet elements;
  double standardMagnitude = INFINITY;
  std::vector<int> categories;
};

// Parses two lines of a published element set; fails the test when they
// do not parse.
SatelliteElementSet elementsFromLines(std::string_view line1, std::string_view line2);

// Satellite records (no magnitude, no category) in the order of `sets`,
// whose elements have a `line1` and a `line2`.
template <class Sets>
std::vector<SatelliteRecord> satelliteRecordsFromLines(const Sets& sets) {
  std::vector<SatelliteRecord> records;
  for (const auto& set : sets) {
    SatelliteRecord record;
    record.elements = elementsFromLines(set.line1, set.line2);
    records.push_back(record);
  }
  return records;
}

// The near-Earth (ISS, 1998-067A) and deep-space (a Molniya and a
// geostationary) sets the tests place.
extern const char* const kIssLines[2];
extern const char* const kMolniyaLines[2];
extern const char* const kGeostationaryLines[2];

// gpredict's element sets (Debian gpredict: some 1,000 sets of 2018
// January), in the file's order, those that parse; the path
// $TESSALY_GPREDICT_SATELLITES overrides the installed list.
struct ElementLines {
  std::string line1, line2;
  SatelliteElementSet elements;
};
std::vector<ElementLines> gpredictElementSets();

// A surface feature: name, the index of its body, size (km, or people for
// a populated place), unit direction in the body's axes and feature type
// (10 a crater, 100 a populated place).
struct FeatureRecord {
  std::string name;
  std::uint16_t parent = 10;
  float size = 85;
  float direction[3] = {1, 0, 0};
  std::uint8_t type = 10;
};

class SolarSystemWorld {
 public:
  // The standard bodies plus `extra` records, `satellites` and `features`,
  // in that order after the fixed ones.
  explicit SolarSystemWorld(const std::vector<BodyRecord>& extra = {},
                            const std::vector<SatelliteRecord>& satellites = {},
                            const std::vector<FeatureRecord>& features = {});
  ~SolarSystemWorld();

  CSkyDatabase& database() { return *database_; }
  // The first object of the file with that type and body number.
  CPlanet* body(int type, std::uint32_t number) const;
  CSatellite* satellite(std::uint32_t number) const;
  int indexOf(const CPlanet* object) const;
  SkyObjectID reference(const CPlanet* object) const;
  bool loaded() const { return loaded_; }
  // The catalogue file written (to copy into a bundle).
  std::string filePath() const { return dir_.file("SolarSystem.skydata"); }

 private:
  tessaly::test::TempDir dir_;
  std::unique_ptr<CSkyDatabase> database_;
  bool loaded_ = false;
};

// The standard moons, minor bodies and spacecraft the fixture adds after
// the Moon (diameters from the body table).
std::vector<BodyRecord> standardExtraBodies();

}  // namespace mechanics_test
