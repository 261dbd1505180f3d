#include "tests/ui/info/info_sky.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>

#include "skydata/constellation_tables.h"
#include "skydata/record_io.h"
#include "skydata/satellite.h"
#include "skydata/sky_database.h"
#include "skydata/sky_object.h"
#include "skydata/skydata_writer.h"
#include "tests/skydata/star_records.h"
#include "tests/ui/info/star_specs.h"

namespace info_test {

namespace {

constexpr double kDegree = M_PI / 180;
constexpr double kArcsecond = kDegree / 3600;
constexpr std::int64_t kCatalogue = 10000000000000000LL;
// The component file's index: WDS numbers (catalogue 23).
constexpr std::int64_t kAlbireoWDS = 23 * kCatalogue + 1930727;
void writeStars(const std::string& directory, CSkyDatabase& database) {
  static const Pair albireo{5.09, 34.7 * kArcsecond, 54 * kDegree, "AB"};
  static const Pair sirius{8.44, 7.5 * kArcsecond, 70 * kDegree, "AB"};
  static const Orbit siriusOrbit{1994.571, 50.09, 7.56 * kArcsecond, 0.5923, 136.336 * kDegree,
                                 147.27 * kDegree, 44.4 * kDegree};
  static const Orbit halfYear{2000.1, 0.5, 0.2 * kArcsecond, 0.1, 80 * kDegree, 0, 0};
  static const Orbit oneYear{2000.2, 1.0, 0.3 * kArcsecond, 0.2, 60 * kDegree, 0, 0};
  static const Variable mira{2.0, 10.1, 332.0, 2451000.0, "M"};
  static const Variable rrc{7.1, 7.6, 0.31, 2451000.0, "RRC"};
  static const Variable rv{5.8, 7.2, 71.0, 2451000.0, "RV"};
  static const Variable supernova{2.9, 2.9, INFINITY, 2446849.82, "SNII"};
  std::vector<StarSpec> stars(kStarCount);
  stars[kVega].star = part(1, "Vega", 279.2347, 38.7837, 0.03, 0.03, 7.68f, "A0Va");
  stars[kVega].star.numbers = {4 * kCatalogue + 7001,
                               1 * kCatalogue + (constellationIndex("Lyr") + 1) * 100000LL + 100};
  // 200.94 and 286.23 mas a year; the record keeps the rate of RA itself.
  stars[kVega].star.raRate =
      static_cast<float>(0.20094 * kArcsecond / std::cos(38.7837 * kDegree));
  stars[kVega].star.decRate = static_cast<float>(0.28623 * kArcsecond);
  stars[kAlbireo].star = part(2, "Albireo", 292.6803, 27.9597, 3.18, 4.31, 133, "K3II+B9.5V");
  stars[kAlbireo].star.numbers = {kAlbireoWDS};
  stars[kAlbireo].pair = &albireo;
  stars[kSirius].star = part(3, "Sirius", 101.2872, -16.7161, -1.46, -1.46, 2.64f, "A1V");
  stars[kSirius].pair = &sirius;
  stars[kSirius].orbit = &siriusOrbit;
  stars[kHalfYearBinary].star = part(3, "Half", 30, 10, 6, 6.5, INFINITY, "");
  stars[kHalfYearBinary].pair = &albireo;
  stars[kHalfYearBinary].orbit = &halfYear;
  stars[kOneYearBinary].star = part(3, "Whole", 40, 10, 6, 6.5, 10, "");
  stars[kOneYearBinary].pair = &albireo;
  stars[kOneYearBinary].orbit = &oneYear;
  stars[kMira].star = part(6, "Mira", 34.8366, -2.9776, 6.47, 7.9, 92, "M7IIIe");
  stars[kMira].variable = &mira;
  stars[kRRC].star = part(6, "Overtone", 200, 20, 7.3, 7.6, INFINITY, "A7");
  stars[kRRC].variable = &rrc;
  stars[kRVTauri].star = part(6, "Tauri", 70, 25, 6.5, 7.5, INFINITY, "G2");
  stars[kRVTauri].variable = &rv;
  stars[kSupernova].star = part(7, "SN 1987A", 83.8667, -69.2697, 2.9, INFINITY, 51400, "");
  stars[kSupernova].variable = &supernova;
  stars[kPollux].star = part(1, "Pollux", 116.3290, 28.0262, 1.14, 2.14, 10.36f, "K0III+F");
  stars[kNoSpectrum].star = part(1, "Plain", 150, 15, 5.0, 5.5, 20, "");
  stars[kPolaris].star = part(1, "Polaris", 37.95, 89.26, 1.98, 2.58, 133, "F7Ib");
  stars[kSouthPole].star = part(1, "Austral", 320, -88.9, 5.47, 5.8, 30, "F0III");
  stars[kOrionStar].star = part(1, "Betelgeuse", 88.7929, 7.4071, 0.5, 2.35, 168, "M1Ia");
  SkyDataWriter writer;
  for (const StarSpec& s : stars) {
    const int index = writer.addRecord(0, starRecord(s), 5);
    ASSERT_GE(index, 0);
    for (const std::string& name : s.star.names)
      writer.addNameEntry(name, 0, static_cast<std::uint16_t>(index));
  }
  ASSERT_TRUE(writer.writeFile(directory + "Stars.skydata"));
  ASSERT_NE(database.loadStars("Stars.skydata"), nullptr);

  // Albireo's components by its WDS number.
  static const Pair ab{5.09, 34.7 * kArcsecond, 54 * kDegree, "AB"};
  static const Pair ac{11.0, 120 * kArcsecond, 110 * kDegree, ""};
  SkyDataWriter components;
  for (const Pair* pair : {&ab, &ac}) {
    StarSpec s;
    s.star = part(2, nullptr, 292.6803, 27.9597, 3.18, 4.31, 133, "");
    s.star.numbers = {kAlbireoWDS};
    s.pair = pair;
    const int index = components.addRecord(0, starRecord(s), 3);
    ASSERT_GE(index, 0);
    components.addNumberEntry(kAlbireoWDS, 0, static_cast<std::uint16_t>(index));
  }
  ASSERT_TRUE(components.writeFile(directory + "Components.skydata"));
  ASSERT_NE(database.loadExtraFile("Components.skydata"), nullptr);
}

void writeDeepSky(const std::string& directory, CSkyDatabase& database) {
  SkyDataWriter writer;
  const auto add = [&writer](const star_records::StarPart& s, std::uint16_t major,
                             std::uint16_t minor) {
    ASSERT_GE(writer.addRecord(0, deepSkyRecord(s, major, minor), 4), 0);
  };
  star_records::StarPart galaxy = part(16, "Barred", 10.6847, 41.2690, 3.44, 4.36, 778000, "SBb");
  galaxy.numbers = {102 * kCatalogue + 2240};  // NGC 224 (entries carry a letter digit)
  add(galaxy, 10680, 3780);  // arcseconds
  add(part(11, "Cluster", 56.75, 24.1167, 1.6, 1.8, 136, ""), 6600, 0);
  ASSERT_TRUE(writer.writeFile(directory + "DeepSky.skydata"));
  ASSERT_NE(database.loadDeepSky("DeepSky.skydata"), nullptr);
}

struct Shower {
  const char* name;
  const char* abbreviation;
  const char* parent;
  std::int16_t number;
  std::uint8_t activity, peakHour;
  double longitude, velocity, rate, ra, dec;  // degrees, km/s, per hour
  double q, e, i, omega, node;                // AU, degrees
};

void writeConstellations(const std::string& directory, CSkyDatabase& database) {
  SkyDataWriter writer;
  const auto point = [](RecordWriter& w, double raHours, double decDegrees) {
    w.writeRecordFloat(std::cos(decDegrees * kDegree) * std::cos(raHours * 15 * kDegree));
    w.writeRecordFloat(std::cos(decDegrees * kDegree) * std::sin(raHours * 15 * kDegree));
    w.writeRecordFloat(std::sin(decDegrees * kDegree));
  };
  for (int n = 1; n <= 88; ++n) {
    const ConstellationRow& row = constellationTable[n - 1];
    ASSERT_GE(writer.addRecord(0, record([&](RecordWriter& w) {
                                 w.writeRecordU8(40);
                                 w.writeRecordU32(static_cast<std::uint32_t>(n));
                                 w.writeRecordString(row.latinName);
                                 w.writeRecordString(row.abbreviation);
                                 w.writeRecordString(row.genitive);
                                 w.writeRecordString(row.commonNames[0]);
                                 point(w, row.labelRA, row.labelDec);
                                 w.writeRecordFloat(0.2);
                                 w.writeRecordU32(0);
                               }),
                               INFINITY),
              0);
  }
  ASSERT_EQ(writer.addRecord(0, record([&](RecordWriter& w) {
                               w.writeRecordU8(41);
                               w.writeRecordU32(1);
                               w.writeRecordString("Big Dipper");
                               w.writeRecordString("");
                               w.writeRecordString("");
                               w.writeRecordString("Big Dipper");
                               point(w, 12.0, 55.0);
                               w.writeRecordFloat(0.3);
                               w.writeRecordU32(0);
                             }),
                             INFINITY),
            kAsterismIndex);
  const Shower showers[] = {
      {"Perseids", "PER", "109P/Swift-Tuttle", 7, 1, 4, 140.0, 59, 100, 51, 49, 0.9596, 0.9632,
       113.0, 151.5, 139.0},
      {"Test Shower", "TST", "", 0, 0, 255, 200.0, INFINITY, 0, 200, -30, 1.0, 1.2, 10, 20, 30},
  };
  for (const Shower& s : showers) {
    writer.addRecord(0, record([&](RecordWriter& w) {
                       w.writeRecordU8(42);
                       w.writeRecordString(s.name);
                       w.writeRecordString(s.abbreviation);
                       w.writeRecordString(s.parent);
                       w.writeRecordI16(s.number);
                       w.writeRecordU8(s.activity);
                       w.writeRecordU8(s.peakHour);
                       w.writeRecordFloat(s.longitude * kDegree);
                       w.writeRecordFloat(0);
                       w.writeRecordFloat(s.velocity);
                       w.writeRecordFloat(s.rate);
                       point(w, s.ra / 15, s.dec);
                       w.writeRecordDouble(s.q);
                       w.writeRecordDouble(s.e);
                       for (double angle : {s.i, s.omega, s.node}) w.writeRecordDouble(angle * kDegree);
                     }),
                     INFINITY);
  }
  ASSERT_TRUE(writer.writeFile(directory + "Constellations.skydata"));
  ASSERT_NE(database.loadConstellations("Constellations.skydata"), nullptr);
}

std::vector<mechanics_test::SatelliteRecord> satelliteRecords() {
  std::vector<mechanics_test::SatelliteRecord> records;
  for (const InfoSky::PlacedSatellite& s : InfoSky::satellites())
    records.push_back({mechanics_test::elementsFromLines(s.line1, s.line2), s.standardMagnitude,
                       s.categories});
  return records;
}

std::vector<mechanics_test::FeatureRecord> features() {
  mechanics_test::FeatureRecord crater, town;
  crater.name = "Tycho";
  crater.size = 85;
  crater.direction[0] = 0.6;
  crater.direction[1] = -0.1;
  crater.direction[2] = -0.7937;
  town.name = "Moontown";
  town.size = 1234567;
  town.type = 100;
  return {crater, town};
}

}  // namespace

int constellationIndex(const char* abbreviation) {
  for (int n = 1; n <= 88; ++n)
    if (std::string(abbreviation) == constellationAbbreviation(n)) return n - 1;
  ADD_FAILURE() << abbreviation;
  return 0;
}

void enterSpaceView(CSkyChart& chart) {
  SkyObjectID earth;
  CSkyDatabase::setEarthObjectID(&earth);
  chart.setHomeObject(earth);
  chart.setDisplayCoordSystem(kCoordFundamental);
  EXPECT_TRUE(chart.isSpaceView());
}

const std::vector<InfoSky::PlacedSatellite>& InfoSky::satellites() {
  struct Lines {
    const char* name;
    const char* line1;
    const char* line2;
  };
  static const Lines kLines[] = {
#include "tests/ui/info/info_satellites.inc"
  };
  // Categories by the satellite's kind; "Brightest" (3) for eleven.
  static const std::vector<std::vector<int>> kCategories = {
      {2, 3},  {10, 3}, {10, 3}, {10, 3}, {10},     {13, 3}, {13, 3},
      {3, 60}, {2, 3},  {13, 3}, {40},    {10, 20}, {3},     {25},
      {13, 3}, {10},    {2},     {25},    {25},     {10},    {18}};
  static const std::vector<PlacedSatellite> placed = [] {
    std::vector<PlacedSatellite> list;
    int k = 0;
    for (const Lines& l : kLines) {
      // Brighter for the larger ones, a magnitude limit of 99 passes all.
      const double standard = k == 0 ? -1.8 : 2.0 + 0.1 * k;
      list.push_back({l.name, l.line1, l.line2, kCategories[k], standard});
      ++k;
    }
    return list;
  }();
  return placed;
}

InfoSky::InfoSky()
    : world_(mechanics_test::standardExtraBodies(), satelliteRecords(), features()) {
  EXPECT_TRUE(world_.loaded());
  char directory[256];
  database().getDataDirectory(directory, sizeof directory);
  writeStars(directory, database());
  writeDeepSky(directory, database());
  writeConstellations(directory, database());
}

InfoSky::~InfoSky() = default;

std::unique_ptr<CSkyChart> InfoSky::chart(double jd, double longitude, double latitude) {
  auto chart = std::make_unique<CSkyChart>(&database(), "");
  chart->setViewport(0, 0, 800, 600);
  chart->setTimeZone(0);
  chart->setDSTRule(0);
  chart->setLocation(longitude * kDegree, latitude * kDegree, 0);
  chart->setJulianDate(jd);
  chart->horizonAltitude = 0;
  chart->refraction = 1;
  return chart;
}

CSkyObject* InfoSky::object(std::uint16_t file, int index) {
  SkyObjectID id;
  CSkyDatabase::setSkyObjectID(&id, file, 0, static_cast<std::uint16_t>(index), 0, "", 0);
  CSkyObject* found = database().getObject(&id);
  EXPECT_TRUE(found != nullptr && found->isOwnedByRegion()) << file << "," << index;
  return found;
}

SkyObjectID InfoSky::reference(std::uint16_t file, int index) {
  SkyObjectID id;
  CSkyObject* found = object(file, index);
  CSkyDatabase::setSkyObjectIDFromObject(&id, file, 0, static_cast<std::uint16_t>(index), found);
  return id;
}

CSatellite* InfoSky::decayedSatellite(int norad) {
  CSatellite* target = satellite(norad);
  if (target == nullptr) return nullptr;
  SatelliteElementSet elements{};
  target->getElementSet(elements);
  const SatelliteElementSet decayed = mechanics_test::elementsFromLines(
      "1 41939U 98067KZ  18011.28402027  .11925055  12489-4  54124-3 0  9997",
      "2 41939 051.6147 038.9582 0001091 231.1728 128.9202 16.43639489055773");
  elements.epoch = decayed.epoch;
  elements.bstar = decayed.bstar;
  std::copy(std::begin(decayed.meanMotionTerms), std::end(decayed.meanMotionTerms),
            std::begin(elements.meanMotionTerms));
  elements.inclination = decayed.inclination;
  elements.node = decayed.node;
  elements.eccentricity = decayed.eccentricity;
  elements.argumentOfPerigee = decayed.argumentOfPerigee;
  elements.meanAnomaly = decayed.meanAnomaly;
  elements.meanMotion = decayed.meanMotion;
  target->setElementSet(elements);
  return target;
}

CSkyObject* InfoSky::crater() {
  return object(kSolarSystemFile, database().getSolarSystemObjectCount() - 2);
}

CSkyObject* InfoSky::town() {
  return object(kSolarSystemFile, database().getSolarSystemObjectCount() - 1);
}

}  // namespace info_test
