// The checks a downloaded file passes before it replaces the one in use,
// on their own, and under fuzzing with damaged copies of good files.
#include "app/orbit_data_checks.h"

#include <gtest/gtest.h>

#include "fuzz.h"
#include "tests/app/updater_support.h"

namespace {

using namespace updater_test;

TEST(FrequencyListCheck, MostlyTransmitterRowsWithNoradNumbers) {
  std::string problem;
  const std::string heading = "Name;NORAD;Uplink;Downlink;Beacon;Mode;Callsign;Status\n";
  EXPECT_TRUE(validateFrequencyList(frequencyList(1), problem)) << problem;
  EXPECT_TRUE(validateFrequencyList(heading + frequencyList(2), problem)) << problem;
  EXPECT_FALSE(validateFrequencyList(heading + frequencyList(1), problem)) << "half is not most";
  EXPECT_TRUE(validateFrequencyList(frequencyList(40), problem)) << problem;
  EXPECT_TRUE(validateFrequencyList("A;1;;;;;\r\n\r\n\n", problem)) << "blank lines do not count";
  EXPECT_FALSE(validateFrequencyList("", problem));
  EXPECT_FALSE(validateFrequencyList(heading, problem)) << "a heading only";
  EXPECT_FALSE(validateFrequencyList("A;1;;;;;\nnote\n", problem)) << "half is not most";
  EXPECT_FALSE(validateFrequencyList("A;x25;;;;;\nB;-3;;;;;\n", problem)) << "numbers must be numbers";
  EXPECT_FALSE(validateFrequencyList("A;1;;;;\n", problem)) << "six fields";
  EXPECT_FALSE(validateFrequencyList("A;1;;;;;" + std::string(300, 'x') + "\n", problem)) << "too long to read";
  EXPECT_FALSE(validateFrequencyList(std::string("A;1;;;;;\0\n", 10), problem));
  EXPECT_FALSE(validateFrequencyList("<html>\n<body>\n<p>Error</p>\n</body>\n</html>\n", problem));
  EXPECT_NE(problem.find("of 5 lines"), std::string::npos) << problem;
}

TEST(SolarSystemCatalogueCheck, AGoodFileAndTheFaultsItNames) {
  tessaly::test::TempDir dir;
  std::string problem;
  EXPECT_FALSE(validateSolarSystemCatalogue(dir.file("missing"), problem));
  EXPECT_EQ(problem, "cannot be opened");
  const std::string good = catalogueWith({satelliteFrom(mechanics_test::kIssLines)});
  ASSERT_TRUE(tessaly::test::writeFile(dir.file("good"), good));
  EXPECT_TRUE(validateSolarSystemCatalogue(dir.file("good"), problem)) << problem;
  ASSERT_TRUE(tessaly::test::writeFile(dir.file("short"), good.substr(0, 40)));
  EXPECT_FALSE(validateSolarSystemCatalogue(dir.file("short"), problem));
  mechanics_test::SatelliteRecord hyperbolic = satelliteFrom(mechanics_test::kIssLines);
  hyperbolic.elements.eccentricity = 1.2;
  ASSERT_TRUE(tessaly::test::writeFile(dir.file("e"), catalogueWith({hyperbolic})));
  EXPECT_FALSE(validateSolarSystemCatalogue(dir.file("e"), problem));
  EXPECT_EQ(problem, "satellite 25544: damaged eccentricity");
}

// The orbit data is the point of the file: the planets, moons, an asteroid
// and a comet without a single satellite or spacecraft would take every
// satellite off the chart. A spacecraft is a body record, not an element
// set, and counts as orbit data on its own.
TEST(SolarSystemCatalogueCheck, AFileWithoutSatellitesOrSpacecraftIsNoOrbitData) {
  tessaly::test::TempDir dir;
  std::string problem;
  std::vector<mechanics_test::BodyRecord> minorBodies, probe;
  for (const mechanics_test::BodyRecord& body : mechanics_test::standardExtraBodies())
    (body.type == 36 ? probe : minorBodies).push_back(body);
  ASSERT_EQ(probe.size(), 1u);
  ASSERT_FALSE(minorBodies.empty());
  ASSERT_TRUE(tessaly::test::writeFile(dir.file("bodies"), catalogueWith({}, minorBodies)));
  EXPECT_FALSE(validateSolarSystemCatalogue(dir.file("bodies"), problem));
  EXPECT_EQ(problem, "the catalogue holds no satellites or spacecraft");
  ASSERT_TRUE(tessaly::test::writeFile(dir.file("probe"), catalogueWith({}, probe)));
  EXPECT_TRUE(validateSolarSystemCatalogue(dir.file("probe"), problem)) << problem;
  ASSERT_TRUE(tessaly::test::writeFile(
      dir.file("both"), catalogueWith({satelliteFrom(mechanics_test::kMolniyaLines)}, mechanics_test::standardExtraBodies())));
  EXPECT_TRUE(validateSolarSystemCatalogue(dir.file("both"), problem)) << problem;
}

// Damaged catalogues and lists are refused or accepted, never crash; a
// catalogue accepted is one the chart's database then loads.
TEST(OrbitDataChecksFuzz, DamagedDownloadsAreJudgedSafely) {
  tessaly::test::TempDir dir;
  const std::string path = dir.file("SolarSystem.skydata");
  int accepted = 0, refused = 0;
  tessaly::test::FuzzOptions options;
  options.iterations = tessaly::test::fuzzIterations(1500);
  options.maxSize = 1 << 18;
  tessaly::test::fuzz(
      {catalogueWith({satelliteFrom(mechanics_test::kIssLines), satelliteFrom(mechanics_test::kMolniyaLines)})},
      [&](std::string_view bytes) {
        ASSERT_TRUE(tessaly::test::writeFile(path, std::string(bytes)));
        std::string problem;
        (validateSolarSystemCatalogue(path, problem) ? accepted : refused)++;
      },
      options);
  EXPECT_GT(accepted, 0);
  EXPECT_GT(refused, options.iterations / 10);

  int lists = 0;
  options.iterations = tessaly::test::fuzzIterations(3000);
  tessaly::test::fuzz({frequencyList(20)}, [&](std::string_view bytes) {
    std::string problem;
    lists += validateFrequencyList(bytes, problem);
  }, options);
  EXPECT_GT(lists, 0);
}

}  // namespace
