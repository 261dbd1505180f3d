// Damaged world-borders files: mutated .shp and .dbf files load or are
// refused without reading out of bounds, and whatever loads is sound.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "chart/world_borders.h"
#include "tests/support/fuzz.h"
#include "tests/support/temp_dir.h"
#include "tools/catalogues/world_borders.h"

namespace {

using tessaly::test::readFile;
using tessaly::test::writeFile;

std::vector<catalogues::Country> seedCountries() {
  std::vector<catalogues::Country> countries;
  for (int k = 0; k < 6; ++k) {
    catalogues::Country c{"A" + std::string(1, char('A' + k)), "AAA", k, "Country " + std::to_string(k),
                          10.0 * k, 5.0 * k, {}};
    for (int ring = 0; ring <= k % 3; ++ring) {
      std::vector<catalogues::BorderPoint> points;
      for (int p = 0; p < 4 + ring; ++p) points.push_back({10.0 * k + p, 5.0 * k + ring + (p % 2)});
      c.rings.push_back(points);
    }
    countries.push_back(c);
  }
  return countries;
}

// Every row of a loaded table holds what its counts promise.
void expectSoundTable() {
  for (int i = 0; i < getCountryCount(); ++i) {
    const CountryRecord* row = getCountryRecord(i);
    ASSERT_NE(row, nullptr);
    ASSERT_LT(std::string(row->name).size(), sizeof row->name);
    ASSERT_LT(std::string(row->code).size(), sizeof row->code);
    ASSERT_EQ(row->vertices.size(), 3u * static_cast<std::size_t>(row->vertexCount()));
    for (int part = 0; part < row->partCount(); ++part) {
      ASSERT_GE(row->partStarts[part], 0);
      ASSERT_LT(row->partStarts[part], row->vertexCount());
      if (part > 0) {
        ASSERT_GT(row->partStarts[part], row->partStarts[part - 1]);
      }
    }
    for (double v : row->vertices) ASSERT_TRUE(std::isfinite(v));
  }
}

TEST(WorldBordersFuzz, DamagedShapeAndAttributeFilesNeverReadOutOfBounds) {
  tessaly::test::TempDir dir;
  const std::string base = dir.file("borders");
  std::string error;
  ASSERT_TRUE(catalogues::writeWorldBorders(seedCountries(), base, error)) << error;
  const std::string shp = readFile(base + ".shp"), dbf = readFile(base + ".dbf");
  int loaded = 0, refused = 0;
  for (const char* extension : {".shp", ".dbf"}) {
    const std::string& seed = std::string(extension) == ".shp" ? shp : dbf;
    tessaly::test::FuzzOptions options;
    options.iterations = tessaly::test::fuzzIterations(150);
    tessaly::test::fuzz({seed}, [&](std::string_view data) {
      ASSERT_TRUE(writeFile(base + ".shp", extension == std::string(".shp") ? std::string(data) : shp));
      ASSERT_TRUE(writeFile(base + ".dbf", extension == std::string(".dbf") ? std::string(data) : dbf));
      releaseWorldBorders();
      if (loadWorldBorders(base.c_str()) == 1) {
        ++loaded;
        expectSoundTable();
      } else {
        ++refused;
        ASSERT_EQ(getCountryCount(), 0);
      }
    }, options);
  }
  releaseWorldBorders();
  EXPECT_GT(loaded, 0);
  EXPECT_GT(refused, 0);
}

}  // namespace
