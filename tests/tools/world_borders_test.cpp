// The world-borders shapefile as the ground view reads it: attribute fields
// by position, rings as parts, and damaged lists refused with their line.
#include <shapefil.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz.h"
#include "temp_dir.h"
#include "tests/support/requirements.h"
#include "tests/tools/built_bundle.h"
#include "tools/catalogues/record_list.h"
#include "tools/catalogues/world_borders.h"

namespace {

using catalogues::Country;

const char* kList =
    "# tessaly-borders 1\n"
    "C\tFR\tFRA\t250\tFrance\t2.453\t46.620\n"
    "R\t-1.0 43.0;-1.0 51.0;8.0 49.0;7.0 43.5;-1.0 43.0\n"
    "R\t8.5 41.4;8.6 43.0;9.6 43.0;9.4 41.4;8.5 41.4\n"
    "C\t\t\t0\tKosovo\t20.9\t42.6\n"
    "R\t20.0 42.0;20.0 43.2;21.7 43.2;21.7 42.0;20.0 42.0\n"
    "E\t2\n";

TEST(WorldBorders, WrittenFileReadsBackWithTheFieldsTheChartUses) {
  tessaly::test::TempDir dir;
  std::vector<Country> countries;
  std::string error;
  ASSERT_TRUE(catalogues::parseBorderList(kList, "list", countries, error)) << error;
  std::string base = dir.file("TM_WORLD_BORDERS_SIMPL");
  ASSERT_TRUE(catalogues::writeWorldBorders(countries, base, error)) << error;

  SHPHandle shp = SHPOpen(base.c_str(), "rb");
  DBFHandle dbf = DBFOpen((base + ".dbf").c_str(), "rb");
  ASSERT_NE(shp, nullptr);
  ASSERT_NE(dbf, nullptr);
  EXPECT_EQ(DBFGetRecordCount(dbf), 2);
  EXPECT_EQ(DBFGetFieldCount(dbf), 11);
  EXPECT_STREQ(DBFReadStringAttribute(dbf, 0, 1), "FR");
  EXPECT_STREQ(DBFReadStringAttribute(dbf, 0, 4), "France");
  EXPECT_DOUBLE_EQ(DBFReadDoubleAttribute(dbf, 0, 9), 2.453);
  EXPECT_DOUBLE_EQ(DBFReadDoubleAttribute(dbf, 0, 10), 46.62);
  EXPECT_EQ(DBFReadIntegerAttribute(dbf, 0, 6), 0);  // population: not in the sources
  EXPECT_STREQ(DBFReadStringAttribute(dbf, 1, 1), "");
  EXPECT_STREQ(DBFReadStringAttribute(dbf, 1, 4), "Kosovo");

  SHPObject* france = SHPReadObject(shp, 0);
  ASSERT_NE(france, nullptr);
  EXPECT_EQ(france->nSHPType, SHPT_POLYGON);
  EXPECT_EQ(france->nParts, 2);
  EXPECT_EQ(france->panPartStart[1], 5);
  EXPECT_EQ(france->nVertices, 10);
  EXPECT_DOUBLE_EQ(france->dfXMin, -1.0);
  EXPECT_DOUBLE_EQ(france->dfYMax, 51.0);
  SHPDestroyObject(france);
  SHPClose(shp);
  DBFClose(dbf);
  // Nothing but the four files is left behind.
  int files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 4);
}

TEST(WorldBorders, DamagedListsAreRefusedWithTheirLine) {
  std::vector<Country> countries;
  std::string error;
  std::string truncated(kList, std::string(kList).rfind("E\t"));
  EXPECT_FALSE(catalogues::parseBorderList(truncated, "b.list", countries, error));
  EXPECT_NE(error.find("b.list:6:"), std::string::npos) << error;

  std::string cut(kList, 120);
  EXPECT_FALSE(catalogues::parseBorderList(cut, "b.list", countries, error));
  EXPECT_NE(error.find("truncated"), std::string::npos) << error;

  std::string badRing = kList;
  badRing.replace(badRing.find("8.0 49.0"), 8, "8.0 x9.0");
  EXPECT_FALSE(catalogues::parseBorderList(badRing, "b.list", countries, error));
  EXPECT_NE(error.find("b.list:3: damaged ring"), std::string::npos) << error;

  std::string wrongCount = kList;
  wrongCount.replace(wrongCount.find("E\t2"), 3, "E\t3");
  EXPECT_FALSE(catalogues::parseBorderList(wrongCount, "b.list", countries, error));
  EXPECT_NE(error.find("b.list:7:"), std::string::npos) << error;
}

TEST(WorldBorders, AFailedWriteLeavesTheOldFilesInPlace) {
  tessaly::test::TempDir dir;
  std::string base = dir.file("TM_WORLD_BORDERS_SIMPL");
  ASSERT_TRUE(tessaly::test::writeFile(base + ".shp", "old"));
  std::vector<Country> countries(1);
  countries[0].name = std::string(300, 'x');  // wider than the NAME field allows
  countries[0].rings.push_back({{0, 0}, {0, 1}, {1, 1}, {0, 0}});
  std::string error;
  // Overlong names are cut by shapelib, not refused; what matters here is
  // an unwritable target: a folder in the way of the .shx file.
  std::filesystem::create_directory(base + ".shx");
  std::filesystem::create_directory(base + ".shx/keep");
  EXPECT_FALSE(catalogues::writeWorldBorders(countries, base, error));
  EXPECT_EQ(tessaly::test::readFile(base + ".shp"), "old");
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    EXPECT_EQ(entry.path().filename().string().rfind("partial-", 0), std::string::npos);
}

TEST(WorldBorders, ListParserSurvivesFuzzing) {
  tessaly::test::fuzz({kList}, [](std::string_view input) {
    std::vector<Country> countries;
    std::string error;
    catalogues::parseBorderList(input, "fuzz", countries, error);
  });
}

// The real file, when the run command has built the bundle here.
TEST(WorldBorders, BuiltBundleHoldsTheWorldsCountries) {
  std::string base = tessaly::test::builtBundlePath() + "/WorldBorders/TM_WORLD_BORDERS_SIMPL";
  DBFHandle dbf = DBFOpen((base + ".dbf").c_str(), "rb");
  if (!dbf) TESSALY_SKIP_OR_FAIL("no built world borders at " << base);
  int count = DBFGetRecordCount(dbf);
  EXPECT_GT(count, 200);
  EXPECT_LE(count, 256);  // the chart keeps 256 shown-country flags
  bool sawFrance = false, sawJapan = false;
  for (int i = 0; i < count; ++i) {
    std::string code = DBFReadStringAttribute(dbf, i, 1);
    if (code == "FR") {
      sawFrance = true;
      EXPECT_STREQ(DBFReadStringAttribute(dbf, i, 4), "France");
    }
    if (code == "JP") {
      sawJapan = true;
      EXPECT_NEAR(DBFReadDoubleAttribute(dbf, i, 9), 138.0, 5.0);
      EXPECT_NEAR(DBFReadDoubleAttribute(dbf, i, 10), 37.0, 5.0);
    }
  }
  DBFClose(dbf);
  EXPECT_TRUE(sawFrance);
  EXPECT_TRUE(sawJapan);
}

}  // namespace
