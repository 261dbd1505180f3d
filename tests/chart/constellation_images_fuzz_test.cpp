// Fuzzed constellation image indexes: single lines through the line
// reader, whole files through the index loader with a sky that solves
// their plates. Whatever comes in, names stay terminated, sizes and
// meshes stay within bounds, and at most 88 records are kept.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "chart/constellation_images.h"
#include "tests/chart/chart_canvas.h"
#include "tests/chart/constellation_sky.h"
#include "tests/support/fuzz.h"

namespace {

const std::vector<tessaly::test::Bytes> kSeedLines = {
    "Tau-plate.png 256 192 1001 20.5 30.25 1002 230 40 1003 120 170\n",
    "Ori-orion.png 512 512 1903 59 11 1713 329 477 1790 421 91\n",
    "Car-argonavis.png 512 512 2326 202 455 3685 62 216 3165 298 22 extra\n",
    "Vel-x.png\t64\t64\t1001\t-1e3\t0\t1002\t1.5e2\t7\t1003\t3\t4\r\n",
};

TEST(ChartSkyConstellationIndexFuzz, LinesAreReadWithinTheirBounds) {
  tessaly::test::FuzzOptions options;
  options.iterations = tessaly::test::fuzzIterations(20000);
  options.maxSize = 512;
  int accepted = 0, refused = 0;
  tessaly::test::fuzz(kSeedLines, [&](std::string_view data) {
    const std::string text(data);  // terminated where the bytes end
    ConstellationImageLine line;
    if (!parseConstellationImageLine(text.c_str(), &line)) {
      ++refused;
      EXPECT_EQ(line.name[0], '\0');
      return;
    }
    ++accepted;
    ASSERT_LT(std::strlen(line.name), sizeof line.name);
    ASSERT_GT(std::strlen(line.name), 0u);
    ASSERT_GE(line.width, 1);
    ASSERT_LE(line.width, static_cast<std::int32_t>(kImageMaxSide));
    ASSERT_GE(line.height, 1);
    ASSERT_LE(line.height, static_cast<std::int32_t>(kImageMaxSide));
    for (int k = 0; k < 3; ++k) {
      ASSERT_GE(line.hr[k], 1);
      ASSERT_TRUE(std::isfinite(line.x[k]) && std::isfinite(line.y[k]));
    }
  }, options);
  std::printf("lines read %d, refused %d\n", accepted, refused);
  // Most mutations break one of the twelve fields; enough still read.
  EXPECT_GT(accepted, options.iterations / 200);
  EXPECT_GT(refused, options.iterations / 20);
}

// A shared picture led by an abbreviation the catalogue lacks.
const char* const kUnknownLeader =
    "Xyz-plate.png 256 192 1001 20.5 30.25 1002 230 40 1003 120 170\n"
    "Tau-plate.png 256 192 1001 20.5 30.25 1002 230 40 1003 120 170\n";

TEST(ChartSkyConstellationIndexFuzz, WholeIndexesLoadWithinTheirBounds) {
  chart_test::ConstellationSky sky(
      {{1001, 66.0, 25.0}, {1002, 55.0, 24.0}, {1003, 61.0, 14.5}, {1903, 84, -1},
       {1713, 78.6, -8.2}, {1790, 81.3, 6.3}},
      {{chart_test::constellationNumber("Tau"), 60, 20, 20},
       {chart_test::constellationNumber("Ori"), 85, 0, 25}});
  auto chart = sky.sky().chart(400, 300, 60, 20, 30);
  std::string seed;
  for (const auto& line : kSeedLines) seed += line;
  std::vector<tessaly::test::Bytes> seeds = {seed, seed + seed + seed, kUnknownLeader,
                                             kUnknownLeader + seed};
  // What loads is drawn too, under the option that asks each picture's
  // constellations whether they belong to the zodiac.
  sky.writePicture("Xyz-plate.png", 256, 192, {{128, 64}}, 3);
  sky.writePicture("Tau-plate.png", 256, 192, {{128, 64}}, 3);
  chart->setImageDirectory(sky.imageFolder().c_str());
  chart->zodiacConstellationsOnly = true;
  std::unique_ptr<chart_test::ChartCanvas> canvas;
  if (chart_test::backendAvailable(chart_test::Backend::gl))
    canvas = chart_test::makeCanvas(chart_test::Backend::gl, *chart, 400, 300);
  tessaly::test::FuzzOptions options;
  options.iterations = tessaly::test::fuzzIterations(400);
  options.maxSize = 8192;
  const std::string path = sky.imageFolder() + "/Constellations/Index.txt";
  int meshes = 0, records = 0;
  tessaly::test::fuzz(seeds, [&](std::string_view data) {
    ASSERT_TRUE(tessaly::test::writeFile(path, std::string(data)));
    chart->constellationImages.reset();
    ASSERT_TRUE(chart->loadConstellationImageIndex(path.c_str(), &sky.database()));
    if (canvas) {
      chart->drawConstellationImages();
      chart->releaseConstellationImageTextures();
    }
    const ConstellationImageTable& table = *chart->constellationImages;
    ASSERT_LE(table.count, kMaxConstellationImages);
    for (int i = 0; i < table.count; ++i) {
      const ConstellationImage& record = table.records[i];
      ++records;
      ASSERT_LT(std::strlen(record.line.name), sizeof record.line.name);
      ASSERT_GE(record.group, 0);
      ASSERT_LE(record.group, i);
      if (record.mesh == nullptr) continue;
      ++meshes;
      ASSERT_EQ(record.mesh->columns, record.line.width / kConstellationMeshStep + 1);
      ASSERT_EQ(record.mesh->rows, record.line.height / kConstellationMeshStep + 1);
    }
  }, options);
  std::printf("records %d, with meshes %d\n", records, meshes);
  EXPECT_GT(meshes, options.iterations / 10);
  EXPECT_GT(records - meshes, options.iterations / 10);
}

}  // namespace
