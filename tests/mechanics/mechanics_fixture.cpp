#include "tests/mechanics/mechanics_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>

#include "engine/body_table.h"
#include "skydata/object_factory.h"
#include "skydata/planet.h"
#include "skydata/record_io.h"
#include "skydata/satellite.h"
#include "skydata/sky_database.h"
#include "skydata/skydata_writer.h"
#include "skydata/two_line_elements.h"

namespace mechanics_test {

// The element set printed in the two-line element format's description
// (ISS, 2008 September 20), and two verification sets: MOLNIYA 2-14 and
// ITALSAT 2 (24-hour resonant).
const char* const kIssLines[2] = {
    "1 25544U 98067A   08264.51782528 -.00002182  00000-0 -11606-4 0  2927",
    "2 25544  51.6416 247.4627 0006703 130.5360 325.0288 15.72125391563537"};
const char* const kMolniyaLines[2] = {
    "1 08195U 75081A   06176.33215444  .00000099  00000-0  11873-3 0   813",
    "2 08195  64.1586 279.0717 6877146 264.7651  20.2257  2.00491383225656"};
const char* const kGeostationaryLines[2] = {
    "1 24208U 96044A   06177.04061740 -.00000094  00000-0  10000-3 0  1600",
    "2 24208   3.8536  80.0121 0026640 311.0977  48.3000  1.00778054 36119"};

SatelliteElementSet elementsFromLines(std::string_view line1, std::string_view line2) {
  SatelliteElementSet elements{};
  std::string problem;
  // The verification sets' check digits were edited by hand: not checked.
  EXPECT_TRUE(parseTwoLineElements(line1, line2, elements, problem, nullptr,
                                   CheckDigits::Ignore))
      << line1 << ": " << problem;
  return elements;
}

std::vector<ElementLines> gpredictElementSets() {
  const char* path = std::getenv("TESSALY_GPREDICT_SATELLITES");
  std::ifstream in(path ? path : "/usr/share/gpredict/data/satdata/satellites.dat");
  std::vector<ElementLines> out;
  std::string line, first;
  while (std::getline(in, line)) {
    if (line.rfind("TLE1=", 0) == 0) first = line.substr(5);
    if (line.rfind("TLE2=", 0) != 0 || first.empty()) continue;
    ElementLines set{first, line.substr(5), {}};
    std::string problem;
    if (parseTwoLineElements(set.line1, set.line2, set.elements, problem)) out.push_back(set);
    first.clear();
  }
  return out;
}

namespace {

constexpr std::int64_t kCatalogue = 10000000000000000LL;

std::int16_t magnitudeField(double value) {
  return std::isfinite(value) ? static_cast<std::int16_t>(value * 100) : 32767;
}

float tableDiameter(int identifier) {
  const BodyTableRow* row = bodyTableRow(identifier);
  return row != nullptr ? 2.0f * row->radius : 0.0f;
}

void writePlanetPart(RecordWriter& w, const BodyRecord& b) {
  w.writeRecordU8(static_cast<std::uint8_t>(b.type));
  w.writeRecordU32(b.body);
  w.writeRecordU8(static_cast<std::uint8_t>(b.names.size()));
  for (const std::string& name : b.names) w.writeRecordString(name.c_str());
  w.writeRecordU32(b.parent);
  for (double value : {b.validFrom, b.validTo, b.epoch, b.q, b.e, b.i, b.omega, b.node, b.m0, b.n})
    w.writeRecordDouble(value);
  w.writeRecordI16(magnitudeField(b.magnitude1));
  w.writeRecordI16(magnitudeField(b.magnitude2));
  w.writeRecordI16(32767);
  w.writeRecordFloat(b.diameter);
  w.writeRecordFloat(0.0);
}

std::string planetRecord(const BodyRecord& b) {
  std::string buffer(2048, '\0');
  RecordWriter w(buffer.data(), static_cast<std::int64_t>(buffer.size()), false);
  writePlanetPart(w, b);
  buffer.resize(static_cast<std::size_t>(w.result()));
  return buffer;
}

std::string satelliteRecord(const SatelliteRecord& s, BodyRecord* asBody) {
  CSatellite satellite;
  satellite.setElementSet(s.elements);
  BodyRecord b;
  b.type = 35;
  b.body = satellite.getBodyNumber();
  b.names = {satellite.getNameAt(0), satellite.getNameAt(1)};
  b.parent = 3;
  b.epoch = satellite.getElementEpoch();
  b.q = satellite.getPerihelionDistance();
  b.e = satellite.getEccentricity();
  b.i = satellite.getInclination();
  b.omega = satellite.getArgumentOfPerihelion();
  b.node = satellite.getAscendingNode();
  b.m0 = satellite.getMeanAnomalyAtEpoch();
  b.n = satellite.getMeanMotion();
  b.magnitude1 = s.standardMagnitude;
  b.diameter = 0.01f;
  *asBody = b;
  std::string buffer(2048, '\0');
  RecordWriter w(buffer.data(), static_cast<std::int64_t>(buffer.size()), false);
  writePlanetPart(w, b);
  w.writeRecordFloat(s.elements.bstar);
  w.writeRecordFloat(s.elements.meanMotionTerms[0]);
  w.writeRecordFloat(s.elements.meanMotionTerms[1]);
  w.writeRecordU8(satellite.isDeepSpace() ? 1 : 0);
  for (int k = 0; k < 4; ++k)
    w.writeRecordU8(k < static_cast<int>(s.categories.size())
                        ? static_cast<std::uint8_t>(s.categories[k])
                        : 0);
  w.writeRecordString("");
  w.writeRecordString("");
  w.writeRecordFloat(0.0);
  buffer.resize(static_cast<std::size_t>(w.result()));
  return buffer;
}

BodyRecord major(int type, std::uint32_t body, const char* name, std::uint32_t parent) {
  BodyRecord b;
  b.type = type;
  b.body = body;
  b.names = {name};
  b.parent = parent;
  b.diameter = tableDiameter(static_cast<int>(body));
  if (const BodyTableRow* row = bodyTableRow(static_cast<int>(body))) {
    b.magnitude1 = row->absoluteMagnitude;
    b.magnitude2 = 0.15;
    // The body table's mean elements, so that periods are the body's own.
    constexpr double kRad = M_PI / 180;
    const double a = body < 10 ? row->semiMajorAxis : row->semiMajorAxis / 149597870.0;
    b.epoch = row->epoch;
    b.e = row->eccentricity;
    b.q = a * (1 - b.e);
    b.i = row->inclination * kRad;
    b.omega = row->argumentOfPeriapsis * kRad;
    b.node = row->node * kRad;
    b.m0 = row->meanAnomaly * kRad;
    b.n = row->meanMotion * kRad;
  }
  return b;
}

}  // namespace

std::vector<BodyRecord> standardExtraBodies() {
  std::vector<BodyRecord> bodies;
  const std::pair<std::uint32_t, const char*> moons[] = {
      {401, "Phobos"},    {402, "Deimos"},   {501, "Io"},      {502, "Europa"},
      {503, "Ganymede"},  {504, "Callisto"}, {505, "Amalthea"}, {506, "Himalia"},
      {601, "Mimas"},     {602, "Enceladus"}, {603, "Tethys"},  {604, "Dione"},
      {605, "Rhea"},      {606, "Titan"},    {607, "Hyperion"}, {608, "Iapetus"},
      {609, "Phoebe"},    {701, "Ariel"},    {705, "Miranda"},  {801, "Triton"},
      {802, "Nereid"},    {901, "Charon"},   {902, "Nix"}};
  for (const auto& [body, name] : moons) bodies.push_back(major(31, body, name, body / 100));
  // Ceres from its osculating elements of 2023 September 13 (JD 2460200.5).
  BodyRecord ceres = major(33, 1, "Ceres", 0);
  ceres.epoch = 2460200.5;
  ceres.q = 2.5495;
  ceres.e = 0.07883;
  ceres.i = 10.587 * M_PI / 180;
  ceres.omega = 73.431 * M_PI / 180;
  ceres.node = 80.255 * M_PI / 180;
  ceres.m0 = 60.079 * M_PI / 180;
  ceres.n = 0.21411 * M_PI / 180;
  ceres.magnitude1 = 3.33;
  ceres.magnitude2 = 0.12;
  ceres.diameter = 939.4f;
  bodies.push_back(ceres);
  // A comet whose elements are valid for one year around their epoch.
  BodyRecord comet = major(34, 0, "C/2000 X1", 0);
  comet.names = {"C/2000 X1", "Test"};
  comet.validFrom = 2451545.0 - 180;
  comet.validTo = 2451545.0 + 180;
  comet.epoch = 2451545.0;
  comet.q = 0.9;
  comet.e = 0.995;
  comet.i = 1.2;
  comet.omega = 2.0;
  comet.node = 0.5;
  comet.m0 = 0.01;
  comet.n = 0.0001;
  comet.magnitude1 = 6;
  comet.magnitude2 = 4;
  comet.diameter = 10;
  bodies.push_back(comet);
  BodyRecord spacecraft = major(36, 0, "Probe", 0);
  spacecraft.q = 1.0;
  spacecraft.e = 0.2;
  spacecraft.i = 0.1;
  spacecraft.n = 0.015;
  bodies.push_back(spacecraft);
  return bodies;
}

SolarSystemWorld::SolarSystemWorld(const std::vector<BodyRecord>& extra,
                                   const std::vector<SatelliteRecord>& satellites,
                                   const std::vector<FeatureRecord>& features) {
  std::vector<BodyRecord> bodies = {
      major(30, 0, "Sun", 0),     major(30, 1, "Mercury", 0), major(30, 2, "Venus", 0),
      major(30, 3, "Earth", 0),   major(30, 4, "Mars", 0),    major(30, 5, "Jupiter", 0),
      major(30, 6, "Saturn", 0),  major(30, 7, "Uranus", 0),  major(30, 8, "Neptune", 0),
      major(30, 9, "Pluto", 0),   major(31, 301, "Moon", 3)};
  bodies.insert(bodies.end(), extra.begin(), extra.end());
  SkyDataWriter writer;
  auto add = [&writer](const BodyRecord& b, const std::string& record) {
    const int index = writer.addRecord(0, record, INFINITY);
    for (const std::string& name : b.names)
      writer.addNameEntry(name, 0, static_cast<std::uint16_t>(index));
    const int catalogue = b.type == 35 ? 154 : (b.type <= 31 ? 151 : 152);
    if (b.body != 0)
      writer.addNumberEntry(catalogue * kCatalogue + b.body, 0, static_cast<std::uint16_t>(index));
  };
  for (const BodyRecord& b : bodies) add(b, planetRecord(b));
  for (const SatelliteRecord& s : satellites) {
    BodyRecord b;
    const std::string record = satelliteRecord(s, &b);
    add(b, record);
  }
  for (const FeatureRecord& f : features) {
    std::string buffer(256, '\0');
    RecordWriter w(buffer.data(), static_cast<std::int64_t>(buffer.size()), false);
    w.writeRecordU8(39);
    w.writeRecordU8(f.type);
    w.writeRecordString(f.name.c_str());
    w.writeRecordString("");
    w.writeRecordU16(f.parent);
    w.writeRecordFloat(f.size);
    for (float c : f.direction) w.writeRecordFloat(c);
    buffer.resize(static_cast<std::size_t>(w.result()));
    const int index = writer.addRecord(0, buffer, INFINITY);
    writer.addNameEntry(f.name, 0, static_cast<std::uint16_t>(index));
  }
  database_ = std::make_unique<CSkyDatabase>(dir_.path().string().c_str());
  const std::string path = dir_.file("SolarSystem.skydata");
  loaded_ = writer.writeFile(path) && database_->loadSolarSystem(path.c_str()) != nullptr;
}

SolarSystemWorld::~SolarSystemWorld() = default;

CPlanet* SolarSystemWorld::body(int type, std::uint32_t number) const {
  const int count = database_->getSolarSystemObjectCount();
  for (int i = 0; i < count; ++i) {
    CPlanet* p = database_->getSolarSystemObject(i);
    if (p != nullptr && p->getType() == type && p->getBodyNumber() == number) return p;
  }
  return nullptr;
}

CSatellite* SolarSystemWorld::satellite(std::uint32_t number) const {
  return asSatellite(body(35, number));
}

int SolarSystemWorld::indexOf(const CPlanet* object) const {
  const int count = database_->getSolarSystemObjectCount();
  for (int i = 0; i < count; ++i)
    if (database_->getSolarSystemObject(i) == object) return i;
  return -1;
}

SkyObjectID SolarSystemWorld::reference(const CPlanet* object) const {
  SkyObjectID id;
  database_->getSolarSystemObjectID(object, &id);
  return id;
}

}  // namespace mechanics_test
