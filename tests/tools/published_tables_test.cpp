// The catalogue builder's readers of data/published/: the meteor-shower
// working list and the satellite standard magnitudes, their conventions, the
// records built from them, and damaged or hostile input.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "engine/magnitudes.h"
#include "fuzz.h"
#include "skydata/constellation.h"
#include "skydata/object_factory.h"
#include "skydata/satellite.h"
#include "skydata/sky_database.h"
#include "temp_dir.h"
#include "tools/catalogues/meteor_showers.h"
#include "tools/catalogues/record_encoding.h"
#include "tools/catalogues/satellite_magnitudes.h"
#include "tools/catalogues/solar_system_catalogue.h"

namespace {

constexpr double kDeg = 3.14159265358979323846 / 180.0;

// Rows as the published list prints them (the Antihelion Source, a shower,
// a variable one) and radiant positions.
const char* kShowers =
    "# SHOWER CODE NO START END MAX SOLLON RA DEC DRA DDEC DSRC VINF R ZHR FLAGS NAME\n"
    "SHOWER ANT   -  12-10 09-20   -        -     -    -      -      -   -   30 3.0     4 A   "
    "Antihelion_Source\n"
    "SHOWER QUA  10  12-28 01-12 01-03  283.15  230 +49 +0.68 -0.19 T6  41 2.1    80 -   "
    "Quadrantids\n"
    "SHOWER PUP 301  12-01 12-15 12-07     255  123 -45 +0.54 +0.00 T6  44 2.9    10 RX  "
    "Puppid-Velids\n"
    "SHOWER JBO 170  06-22 07-02 06-27    95.7  224 +48 +0.40 -0.20 T6  18 2.2   var -   "
    "June_Bootids\n"
    "\n"
    "RADPOS ANT 12-05  85 +23   # a comment\n"
    "RADPOS QUA 12-31 228 +50\n";

TEST(MeteorShowerList, ShowersReadWithEveryFieldAndTheAreaLeftOut) {
  std::vector<catalogues::MeteorShowerRow> rows;
  int skipped = -1;
  std::string error;
  ASSERT_TRUE(catalogues::parseMeteorShowers(kShowers, "showers", rows, skipped, error)) << error;
  EXPECT_EQ(skipped, 1);
  ASSERT_EQ(rows.size(), 3u);
  const catalogues::MeteorShowerRow& qua = rows[0];
  EXPECT_EQ(qua.line, 3);
  EXPECT_EQ(qua.code, "QUA");
  EXPECT_EQ(qua.number, 10);
  EXPECT_EQ(qua.start, 1228);
  EXPECT_EQ(qua.end, 112);
  EXPECT_EQ(qua.maximum, 103);
  EXPECT_EQ(qua.solarLongitude, 283.15);
  EXPECT_EQ(qua.ra, 230.0);
  EXPECT_EQ(qua.dec, 49.0);
  EXPECT_EQ(qua.raDrift, 0.68);
  EXPECT_EQ(qua.decDrift, -0.19);
  EXPECT_EQ(qua.velocity, 41.0);
  EXPECT_EQ(qua.populationIndex, 2.1);
  EXPECT_EQ(qua.zenithalRate, 80.0);
  EXPECT_EQ(rows[1].name, "Puppid-Velids");
  EXPECT_EQ(rows[2].name, "June Bootids");
  EXPECT_EQ(rows[2].zenithalRate, -1.0);  // "var"
}

TEST(MeteorShowerList, DamagedRowsAreRefusedWithTheirLine) {
  struct Case {
    std::string from, to, error;
  };
  const Case cases[] = {
      {"01-03  283.15", "02-30  283.15", "showers:3: damaged shower"},
      {"230 +49", "230 +91", "showers:3: damaged shower"},
      {"T6  41 2.1", "T7  41 2.1", "showers:3: damaged shower"},
      {"41 2.1    80", "41 2.1    -8", "showers:3: damaged shower"},
      {"SHOWER PUP 301", "SHOWER QUA 301", "showers:4: shower listed twice"},
      {"SHOWER PUP 301", "SHOWER PUP 170", "showers:5: shower listed twice"},
      {"RADPOS QUA 12-31 228", "RADPOS QUA 13-31 228", "showers:8: damaged radiant position"},
      {"RADPOS QUA", "RADIANT QUA", "showers:8: not a SHOWER or RADPOS line"},
      {"Puppid-Velids", "Puppid-Velids extra", "showers:4: not a SHOWER or RADPOS line"},
      {"June_Bootids", "June\x01Bootids", "showers:5: unexpected character"},
  };
  for (const Case& c : cases) {
    std::string text = kShowers;
    ASSERT_NE(text.find(c.from), std::string::npos) << c.from;
    text.replace(text.find(c.from), c.from.size(), c.to);
    std::vector<catalogues::MeteorShowerRow> rows;
    int skipped = 0;
    std::string error;
    EXPECT_FALSE(catalogues::parseMeteorShowers(text, "showers", rows, skipped, error)) << c.to;
    EXPECT_EQ(error, c.error) << c.to;
    EXPECT_TRUE(rows.empty());
  }
}

TEST(MeteorShowerList, RecordCarriesTheRadiantPeakAndRates) {
  catalogues::MeteorShowerValues v;
  v.name = "Perseids";
  v.abbreviation = "PER";
  v.iauNumber = 7;
  v.peakSolarLongitude = static_cast<float>(140.0 * kDeg);
  v.magnitude = 2.2f;
  v.velocity = 59.0f;
  v.peakRate = 100.0f;
  const double ra = 48 * kDeg, dec = 58 * kDeg;
  v.radiant[0] = std::cos(dec) * std::cos(ra);
  v.radiant[1] = std::cos(dec) * std::sin(ra);
  v.radiant[2] = std::sin(dec);
  std::string error;
  std::unique_ptr<CSkyObject> object = catalogues::makeMeteorShower(v, error);
  ASSERT_NE(object, nullptr) << error;
  const CMeteorShower* shower = asMeteorShower(object.get());
  ASSERT_NE(shower, nullptr);
  EXPECT_EQ(shower->getNameString(), "Perseids");
  EXPECT_STREQ(shower->getAbbreviation(), "PER");
  EXPECT_STREQ(shower->getParentBody(), "");
  EXPECT_EQ(shower->getIAUNumber(), 7);
  EXPECT_EQ(shower->getActivityClass(), 0);
  EXPECT_LT(shower->getPeakHour(), 0);  // no peak hour
  EXPECT_EQ(shower->getPeakSolarLongitude(), static_cast<float>(140.0 * kDeg));
  EXPECT_EQ(shower->getVelocity(), 59.0);
  EXPECT_EQ(shower->getPeakRate(), 100.0);
  EXPECT_EQ(shower->getMagnitude(), 2.2f);
  EXPECT_TRUE(std::isinf(shower->getPerihelionDistance()));
  double radiant[3];
  shower->getPosition(radiant);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(radiant[k], static_cast<float>(v.radiant[k]));
}

const char* kMagnitudes =
    "# SAT NORAD STDMAG SRC RCS MMT\n"
    "SAT     5   9.5 QM     0.11   8.16\n"
    "SAT 20580   1.5 Q    13.5        -\n"
    "SAT 25544  -2.5 QM   399.05  -0.43\n"
    "SAT 43000     - RM     1.2    5.50\n";

TEST(SatelliteMagnitudes, FullPhaseMagnitudesMoveToTheChartsHalfPhaseScale) {
  std::map<int, double> magnitudes;
  std::string error;
  ASSERT_TRUE(catalogues::parseSatelliteMagnitudes(kMagnitudes, "mags", magnitudes, error))
      << error;
  ASSERT_EQ(magnitudes.size(), 3u);  // 43000 has no standard magnitude
  EXPECT_DOUBLE_EQ(magnitudes.at(25544), -1.75);
  EXPECT_DOUBLE_EQ(magnitudes.at(20580), 2.25);
  // The list's definition: at 1000 km and full phase the satellite shows its
  // listed magnitude; at half phase 0.75 fainter. The chart's law must give
  // both from the stored value.
  EXPECT_NEAR(satelliteMagnitude(1000.0, 0.0, magnitudes.at(25544)), -2.5, 1e-12);
  EXPECT_NEAR(satelliteMagnitude(1000.0, M_PI / 2, magnitudes.at(25544)), -2.5 + 2.5 * std::log10(2.0),
              1e-12);
}

TEST(SatelliteMagnitudes, DamagedLinesAreRefusedWithTheirLine) {
  struct Case {
    std::string from, to, error;
  };
  const Case cases[] = {
      {"SAT 20580", "SAT 20580 1", "mags:3: not a SAT line of six fields"},
      {"SAT 20580", "SAT     4", "mags:3: catalogue number out of range or order"},
      {"SAT 20580", "SAT 25544", "mags:4: catalogue number out of range or order"},
      {"SAT 43000", "SAT 999999", "mags:5: catalogue number out of range or order"},
      {"1.5 Q", "1.5x Q", "mags:3: damaged magnitude, source or cross-section"},
      {"1.5 Q", "99 Q", "mags:3: damaged magnitude, source or cross-section"},
      {"Q    13.5", "Z    13.5", "mags:3: damaged magnitude, source or cross-section"},
      {"13.5", "-13.5", "mags:3: damaged magnitude, source or cross-section"},
      {"SAT 43000", "STAR 43000", "mags:5: not a SAT line of six fields"},
  };
  for (const Case& c : cases) {
    std::string text = kMagnitudes;
    text.replace(text.find(c.from), c.from.size(), c.to);
    std::map<int, double> magnitudes = {{1, 1.0}};
    std::string error;
    EXPECT_FALSE(catalogues::parseSatelliteMagnitudes(text, "mags", magnitudes, error)) << c.to;
    EXPECT_EQ(error, c.error) << c.to;
    EXPECT_EQ(magnitudes.size(), 1u);  // left as it was
  }
}

const char* kIss =
    "ISS (ZARYA)\n"
    "1 25544U 98067A   08264.51782528 -.00002182  00000-0 -11606-4 0  2927\n"
    "2 25544  51.6416 247.4627 0006703 130.5360 325.0288 15.72125391563537\n"
    "VANGUARD 1\n"
    "1 00005U 58002B   00179.78495062  .00000023  00000-0  28098-4 0  4753\n"
    "2 00005  34.2682 348.7242 1859667 331.7664  19.3264 10.82419157413667\n"
    "SOMETHING NEW\n"
    "1 48000U 21001A   21264.51782528  .00000023  00000-0  28098-4 0  4754\n"
    "2 48000  34.2682 348.7242 1859667 331.7664  19.3264 10.82419157413664\n";

TEST(SatelliteMagnitudes, CatalogueSatellitesCarryTheirStandardMagnitude) {
  tessaly::test::TempDir dir;
  const std::string bodies = "# tessaly-solarsystem 1\nE\t0\n";
  catalogues::SolarSystemSources sources{bodies, "bodies", kIss, "sets.tle", "", "",
                                         kMagnitudes, "mags"};
  catalogues::SolarSystemCounts counts;
  std::string error;
  ASSERT_TRUE(catalogues::buildSolarSystemCatalogue(sources, dir.file("SolarSystem.skydata"),
                                                    counts, error))
      << error;
  EXPECT_EQ(counts.satellites, 3);
  EXPECT_EQ(counts.satellitesWithMagnitude, 2);
  CSkyDatabase database(dir.path().string().c_str());
  ASSERT_NE(database.loadSolarSystem("SolarSystem.skydata"), nullptr);
  std::map<unsigned, double> found;
  for (int i = 0; i < database.getSolarSystemObjectCount(); ++i)
    if (CSatellite* s = asSatellite(database.getSolarSystemObject(i)))
      found[s->getBodyNumber()] = s->getAbsoluteMagnitude();
  ASSERT_EQ(found.size(), 3u);
  EXPECT_DOUBLE_EQ(found[25544], -1.75);
  EXPECT_DOUBLE_EQ(found[5], 10.25);
  EXPECT_TRUE(std::isinf(found[48000]));  // not in the list: unknown
}

TEST(PublishedTables, ReadersSurviveFuzzing) {
  tessaly::test::FuzzOptions options;
  options.iterations = 4000;
  int accepted = 0, refused = 0;
  tessaly::test::fuzz({kShowers}, [&](std::string_view text) {
    std::vector<catalogues::MeteorShowerRow> rows;
    int skipped = 0;
    std::string error;
    const bool ok = catalogues::parseMeteorShowers(text, "fuzz", rows, skipped, error);
    (ok ? accepted : refused)++;
    if (ok) {
      for (const auto& row : rows) {
        catalogues::MeteorShowerValues v;
        v.name = row.name;
        EXPECT_NE(catalogues::makeMeteorShower(v, error), nullptr);
      }
    }
  }, options);
  tessaly::test::fuzz({kMagnitudes}, [&](std::string_view text) {
    std::map<int, double> magnitudes;
    std::string error;
    (catalogues::parseSatelliteMagnitudes(text, "fuzz", magnitudes, error) ? accepted : refused)++;
  }, options);
  // Both outcomes must be common, or the mutations never reached the fields.
  EXPECT_GT(accepted, 400);
  EXPECT_GT(refused, 400);
}

}  // namespace
