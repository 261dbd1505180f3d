// Small synthetic catalogues written with the project's own writer.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "skydata/record_io.h"
#include "skydata/skydata_writer.h"
#include "skydata/star.h"

namespace catalogue_fixtures {

inline constexpr std::int64_t kCatalog = 10000000000000000LL;

struct StarSpec {
  std::uint32_t region;
  std::vector<std::string> names;
  std::vector<std::int64_t> numbers;
  float magnitude = 5.0f;
};

// Adds each star to its region and to the name index and the indexes of
// its catalogue numbers; returns the object indexes.
inline std::vector<int> addStars(SkyDataWriter& writer, const std::vector<StarSpec>& stars) {
  std::vector<int> indexes;
  for (const StarSpec& spec : stars) {
    CStar star(1);
    std::vector<const char*> names;
    for (const std::string& name : spec.names) names.push_back(name.c_str());
    star.setNames(names.data(), static_cast<int>(names.size()));
    star.setCatalogNumbers(spec.numbers.data(), static_cast<int>(spec.numbers.size()));
    const int index = writer.addObject(spec.region, star, spec.magnitude);
    indexes.push_back(index);
    if (index < 0) continue;
    for (const std::string& name : spec.names) {
      writer.addNameEntry(name, spec.region, static_cast<std::uint16_t>(index));
    }
    for (std::int64_t number : spec.numbers) {
      writer.addNumberEntry(number, spec.region, static_cast<std::uint16_t>(index));
    }
  }
  return indexes;
}

// Solar-system records written field by field from their layout: the
// planet part (type, body, names, parent, validity, eight elements, three
// magnitude fields, diameter, physical value), a satellite's drag terms
// and deep-space flag after it, and a surface feature.
inline std::string planetRecord(int type, std::uint32_t body, const std::vector<std::string>& names,
                                std::uint32_t parent, bool satellite = false) {
  std::string buffer(1024, '\0');
  RecordWriter w(buffer.data(), static_cast<std::int64_t>(buffer.size()), false);
  w.writeRecordU8(static_cast<std::uint8_t>(type));
  w.writeRecordU32(body);
  w.writeRecordU8(static_cast<std::uint8_t>(names.size()));
  for (const std::string& name : names) w.writeRecordString(name.c_str());
  w.writeRecordU32(parent);
  for (double value : {-1e9, 1e9, 2451545.0, 1.0, 0.01, 0.1, 1.0, 2.0, 3.0, 0.01}) {
    w.writeRecordDouble(value);
  }
  for (int k = 0; k < 3; ++k) w.writeRecordI16(32767);
  w.writeRecordFloat(1000.0);
  w.writeRecordFloat(0.0);
  if (satellite) {
    for (int k = 0; k < 3; ++k) w.writeRecordFloat(0.0);
    w.writeRecordU8(0);
  }
  buffer.resize(static_cast<std::size_t>(w.result()));
  return buffer;
}

inline std::string featureRecord(const std::string& name, std::uint16_t parent) {
  std::string buffer(256, '\0');
  RecordWriter w(buffer.data(), static_cast<std::int64_t>(buffer.size()), false);
  w.writeRecordU8(39);
  w.writeRecordU8(1);
  w.writeRecordString(name.c_str());
  w.writeRecordString("");
  w.writeRecordU16(parent);
  for (double value : {10.0, 1.0, 0.0, 0.0}) w.writeRecordFloat(value);
  buffer.resize(static_cast<std::size_t>(w.result()));
  return buffer;
}

struct BodySpec {
  int type;
  std::uint32_t body;
  std::vector<std::string> names;
  std::uint32_t parent;
};

// The solar-system file's fixed order: the Sun, Mercury to Pluto with the
// Earth at 3, the Moon at 10; then `extra` bodies, then a crater on the
// Moon. Every body is indexed by name and by its catalogue number.
inline SkyDataWriter solarSystemWriter(const std::vector<BodySpec>& extra) {
  std::vector<BodySpec> bodies = {
      {30, 0, {"Sun"}, 0},      {30, 1, {"Mercury"}, 0}, {30, 2, {"Venus"}, 0},
      {30, 3, {"Earth"}, 0},    {30, 4, {"Mars"}, 0},    {30, 5, {"Jupiter"}, 0},
      {30, 6, {"Saturn"}, 0},   {30, 7, {"Uranus"}, 0},  {30, 8, {"Neptune"}, 0},
      {30, 9, {"Pluto"}, 0},    {31, 301, {"Moon"}, 3}};
  bodies.insert(bodies.end(), extra.begin(), extra.end());
  SkyDataWriter writer;
  for (const BodySpec& body : bodies) {
    const int index = writer.addRecord(
        0, planetRecord(body.type, body.body, body.names, body.parent, body.type == 35), INFINITY);
    for (const std::string& name : body.names) {
      writer.addNameEntry(name, 0, static_cast<std::uint16_t>(index));
    }
    const int catalogue = body.type == 35 ? 154 : (body.type <= 31 ? 151 : 152);
    if (body.body != 0) {
      writer.addNumberEntry(catalogue * kCatalog + body.body, 0, static_cast<std::uint16_t>(index));
    }
  }
  writer.addRecord(0, featureRecord("Tycho", 10), INFINITY);
  return writer;
}

}  // namespace catalogue_fixtures
