// Surface maps: the index read from its text file, map levels for the
// screen, base names by body and option, the best levels the index holds,
// and the background loader handing over a decoded map only once it is
// complete and keeping the main loop's headless waits until it has asked
// for its redraw (this suite runs under ThreadSanitizer too).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#include "chart/image_files.h"
#include "chart/planet_textures.h"
#include "chart/sky_chart.h"
#include "platform/foundation/run_loop.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "tests/chart/bmp_writer.h"
#include "tests/mechanics/mechanics_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr double kPi = 3.141592653589793;

void writeText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

class PlanetTextures : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    unloadImageIndex();
    directory_ = new tessaly::test::TempDir;
    writeText(directory_->file("Index.txt"),
              "p1024/Mars.jpg\n"
              "p2048/Mars.jpg\tsize 1.2 MB\r\n"
              "p64/Default.jpg\n"
              "p256/Hyperion.jpg\n"
              "p4096/Earth-Night.jpg\n"
              "p8192/Earth/Earth-0.jpg\n"
              "p8192/Earth/Earth-31.jpg\n"
              "p512/Venus-Surface.jpg\n"
              "p1024/Venus.jpg\n"
              "Mars.jpg\n"      // no level: dropped
              "p1\n"            // under 4 characters: dropped
              "p512/ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefgh.jpg\n"  // base name too long
              + std::string(300, 'x') + "\n"                    // longer than a line is read
              "p128/Io.jpg");
    count_ = loadImageIndex(directory_->file("Index.txt").c_str());
  }
  static void TearDownTestSuite() {
    unloadImageIndex();
    delete directory_;
  }
  static tessaly::test::TempDir* directory_;
  static int count_;
};

tessaly::test::TempDir* PlanetTextures::directory_ = nullptr;
int PlanetTextures::count_ = 0;

TEST_F(PlanetTextures, TheIndexKeepsEveryUsableLineOnce) {
  EXPECT_EQ(count_, 10);
  EXPECT_EQ(loadImageIndex(directory_->file("Index.txt").c_str()), -1) << "read once";
  const ImageIndexEntry* mars = findImageIndexEntry("p2048/Mars.jpg");
  ASSERT_NE(mars, nullptr);
  EXPECT_STREQ(mars->baseName, "Mars");
  EXPECT_EQ(mars->level, 2048);
  EXPECT_EQ(mars->width, 2048u);
  EXPECT_EQ(mars->height, 1024u);
  EXPECT_EQ(mars->tileCount, 0);
  const ImageIndexEntry* tile = findImageIndexEntry("p8192/Earth/Earth-31.jpg");
  ASSERT_NE(tile, nullptr);
  EXPECT_STREQ(tile->baseName, "Earth");
  EXPECT_EQ(tile->tileNumber, 31);
  EXPECT_EQ(tile->tileCount, 32);
  EXPECT_EQ(tile->width, 1024u);
  EXPECT_EQ(findImageIndexEntry("Mars.jpg"), nullptr);
  EXPECT_EQ(findImageIndexEntry("p2048/Mars"), nullptr) << "exact names only";
  EXPECT_EQ(findImageIndexEntry("p512/ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefgh.jpg"), nullptr);
  EXPECT_NE(findImageIndexEntry("p128/Io.jpg"), nullptr) << "the last line without its end";
}

// The smallest power of two at or over pi / angle, 64 to 32768.
TEST_F(PlanetTextures, LevelsAreTheNextPowerOfTwoOverWhatTheScreenResolves) {
  EXPECT_EQ(textureLevelForAngle(kPi / 64), 64u) << "64 itself, not 117";
  EXPECT_EQ(textureLevelForAngle(kPi / 65), 128u);
  EXPECT_EQ(textureLevelForAngle(kPi / 1024), 1024u);
  EXPECT_EQ(textureLevelForAngle(kPi / 1025), 2048u);
  EXPECT_EQ(textureLevelForAngle(kPi / 3), 64u);
  EXPECT_EQ(textureLevelForAngle(1e-15), 32768u) << "pi / angle beyond any int";
  EXPECT_EQ(textureLevelForAngle(0), 32768u);
  EXPECT_EQ(textureLevelForAngle(-1), 32768u);
  EXPECT_EQ(textureLevelForAngle(NAN), 64u);
  char name[64];
  ASSERT_TRUE(tileTextureName(name, sizeof name, 8192, "Earth", 9));
  EXPECT_STREQ(name, "p8192/Earth/Earth-9.jpg");
  EXPECT_FALSE(singleTextureName(name, 8, 8192, "Earth"));
}

TEST_F(PlanetTextures, BaseNamesAndBestLevelsFollowTheBodyAndTheOptions) {
  mechanics_test::SolarSystemWorld world(mechanics_test::standardExtraBodies());
  ASSERT_TRUE(world.loaded());
  CSkyChart chart(&world.database(), "");
  char base[64];
  CPlanet* earth = world.body(kTypePlanet, 3);
  CPlanet* venus = world.body(kTypePlanet, 2);
  CPlanet* mars = world.body(kTypePlanet, 4);
  CPlanet* ceres = world.body(kTypeAsteroid, 1);
  ASSERT_TRUE(chart.textureBaseName(earth, true, base, sizeof base));
  EXPECT_STREQ(base, "Earth-Night");
  chart.showPlanetAtmospheres = false;
  ASSERT_TRUE(chart.textureBaseName(venus, false, base, sizeof base));
  EXPECT_STREQ(base, "Venus-Surface");
  EXPECT_EQ(chart.bestTextureLevel(venus), 512);
  chart.showPlanetAtmospheres = true;
  ASSERT_TRUE(chart.textureBaseName(ceres, false, base, sizeof base));
  EXPECT_STREQ(base, "Hyperion");
  chart.marsStyle = 3;
  ASSERT_TRUE(chart.textureBaseName(mars, false, base, sizeof base));
  EXPECT_STREQ(base, "Mars-Topographic");
  EXPECT_EQ(chart.bestTextureLevel(mars), 64) << "no topographic map: the default one";
  chart.marsStyle = 0;
  EXPECT_EQ(chart.bestTextureLevel(mars), 2048);
  EXPECT_EQ(chart.bestTextureLevel(ceres), 256);
  EXPECT_EQ(chart.bestTiledTextureLevel(earth), 8192);
  EXPECT_EQ(chart.bestTiledTextureLevel(mars), -1);
  // Cached in the drawing block: the answer stays while it lives.
  ASSERT_NE(chart.attachRenderData(mars), nullptr);
  EXPECT_EQ(chart.bestTextureLevel(mars), 2048);
  chart.marsStyle = 3;
  EXPECT_EQ(chart.bestTextureLevel(mars), 2048);
  EXPECT_EQ(chart.bestTiledTextureLevel(mars), -1);
  EXPECT_EQ(CSkyChart::getRenderData(mars)->bestTiledLevel, kLevelNone);
  chart.releaseObjectRenderData(mars);
  EXPECT_EQ(chart.bestTextureLevel(mars), 64);
}

// Levels for the screen: no finer than the screen resolves (on the side
// of a globe facing the observer), no larger than the index holds or the
// GL takes, tiles beyond the single maps.
TEST_F(PlanetTextures, GlobesAskForTheLevelsTheScreenResolves) {
  mechanics_test::SolarSystemWorld world(mechanics_test::standardExtraBodies());
  ASSERT_TRUE(world.loaded());
  CSkyChart chart(&world.database(), "");
  chart.setViewport(0, 0, 400, 400);
  chart.setDisplayProjection(1);
  chart.setJulianDate(2451545.0);
  CPlanet* mars = world.body(kTypePlanet, 4);
  CPlanet* earth = world.body(kTypePlanet, 3);
  chart.updatePlanetPosition(mars);
  chart.updatePlanetPosition(earth);
  chart.setDisplayFOV(0.017453292519943295);
  CSkyChart::TextureLevels wide = chart.chooseTextureLevels(mars);
  EXPECT_EQ(wide.single, 64);
  EXPECT_FALSE(wide.useTiles);
  // 5e-6 radians over 400 px: Mars 1.85 AU away resolves a 4096 map.
  chart.setDisplayFOV(5e-6);
  CSkyChart::TextureLevels close = chart.chooseTextureLevels(mars);
  EXPECT_EQ(close.single, 2048) << "the best the index holds";
  EXPECT_FALSE(close.useTiles) << "Mars has no tiles";
  chart.maxTextureSize = 1024;
  EXPECT_EQ(chart.chooseTextureLevels(mars).single, 1024) << "within the GL's limit";
  chart.maxTextureSize = 1000;
  EXPECT_EQ(chart.chooseTextureLevels(mars).single, 512);
  // From its surface the Earth is as close as can be: its tiles at their
  // best, over the default single map.
  CSkyChart::TextureLevels ground = chart.chooseTextureLevels(earth);
  EXPECT_EQ(ground.single, 64);
  EXPECT_TRUE(ground.useTiles);
  EXPECT_EQ(ground.tiled, 8192);
  // Seen from just above its surface (1.1 radii from its centre) a globe
  // resolves what a screen point spans on the near side, 0.1 radius away,
  // not at the centre: the power of two over pi / (the point's angle x
  // 0.1), a point spanning atan(tan(fov / 2) / 200) in a 400-point
  // square of the gnomonic projection.
  chart.maxTextureSize = 8192;
  const double fov = 120 * kPi / 180;
  chart.setDisplayFOV(fov);
  const double radius = chart.getObjectRadius(mars);
  mars->setDistance(1.1 * radius);
  const double point = std::atan(chart.contentScale * std::tan(fov / 2) / 200);
  auto level = [](double angle) {
    std::uint32_t l = 64;
    while (l < 32768 && l < std::floor(kPi / angle)) l *= 2;
    return std::min<std::uint32_t>(l, 2048);  // the best map the index holds for Mars
  };
  const std::uint32_t nearSide = level(point * 0.1), centre = level(point * 1.1);
  ASSERT_GT(nearSide, centre) << "the case tells the two apart";
  EXPECT_EQ(chart.chooseTextureLevels(mars).single, static_cast<int>(nearSide));
}

// The drawing thread polls while the loader decodes; the image it takes
// is whole, and only for the path it asked for.
TEST_F(PlanetTextures, TheLoaderHandsOverAWholeImageOnceAndOnlyForItsPath) {
  std::string path = directory_->file("map.bmp");
  // 3 x 2 pixels, rows bottom-up as the file stores them.
  chart_test::writeBmp(path, 3, 2, [](int x, int y) {
    return chart_test::PixelColor{static_cast<std::uint8_t>(201 - y), 100, static_cast<std::uint8_t>(10 * x)};
  });
  PlanetTextureLoader loader;
  EXPECT_EQ(loader.take(path.c_str(), nullptr), nullptr);
  for (int round = 0; round < 20; ++round) {
    ASSERT_TRUE(loader.start(path.c_str(), 2048));
    GImage* image = nullptr;
    std::uint32_t level = 0;
    while ((image = loader.take(path.c_str(), &level)) == nullptr) {
      ASSERT_TRUE(loader.isRunning() || loader.holds(path.c_str()));
      EXPECT_EQ(loader.take("other.bmp", nullptr), nullptr);
    }
    EXPECT_EQ(level, 2048u);
    ASSERT_EQ(getImageWidth(image), 3u);
    ASSERT_EQ(getImageHeight(image), 2u);
    EXPECT_EQ(getImageRow(image, 0)[1], 100);
    freeImage(image);
    EXPECT_EQ(loader.take(path.c_str(), nullptr), nullptr) << "handed over once";
  }
  // A file that does not decode leaves nothing to take and no load
  // running: the next request may try again.
  std::string bad = directory_->file("bad.bmp");
  writeText(bad, "BM not a bitmap");
  ASSERT_TRUE(loader.start(bad.c_str(), 64));
  loader.wait();
  EXPECT_EQ(loader.take(bad.c_str(), nullptr), nullptr);
  EXPECT_TRUE(loader.start(bad.c_str(), 64));
  // A decoded image nobody took is freed by the next start or the end.
  ASSERT_TRUE((loader.wait(), loader.start(path.c_str(), 64)));
}

TEST_F(PlanetTextures, ALoadIsAwaitedByTheMainLoopUntilItHasAskedForItsRedraw) {
  // A pipe holds the loader in its open until something writes to it.
  std::string pipe = directory_->file("held.bmp");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  PlanetTextureLoader loader;
  ASSERT_FALSE(ns::RunLoop::main().awaitingReports());
  ASSERT_TRUE(loader.start(pipe.c_str(), 64));
  EXPECT_TRUE(ns::RunLoop::main().awaitingReports());
  // Opened and closed unwritten: the loader measures a pipe as no map and
  // closes it at once, which a write could meet as a broken pipe.
  std::ofstream{pipe};
  loader.wait();
  EXPECT_FALSE(ns::RunLoop::main().awaitingReports());
}

// Index files of random bytes and path-like pieces (under the address
// sanitizer in the suite): read without a fault, and the index still
// reads a sound file afterwards.
TEST(PlanetTextureIndexFuzz, DamagedIndexFilesGiveSoundRecords) {
  tessaly::test::TempDir directory;
  std::string path = directory.file("Index.txt");
  std::mt19937 random(34);
  std::string longName(40, 'A');
  const char* pieces[] = {"p", "/", ".", "-", "jpg", "\t", "\n", "\r", "1024", "32768",
                          "99999999999", "Earth", longName.c_str()};
  int records = 0;
  for (int round = 0; round < 300; ++round) {
    std::string text;
    int length = static_cast<int>(random() % 2000);
    while (static_cast<int>(text.size()) < length) {
      if (random() % 3 == 0)
        text += static_cast<char>(random() % 256);
      else
        text += pieces[random() % 13];
    }
    std::remove(path.c_str());
    writeText(path, text);
    unloadImageIndex();
    int count = loadImageIndex(path.c_str());
    ASSERT_GE(count, 0);
    records += count;
  }
  unloadImageIndex();
  writeText(directory.file("last.txt"), "p64/A.jpg\np128/B/B-3.jpg\n");
  ASSERT_EQ(loadImageIndex(directory.file("last.txt").c_str()), 2);
  const ImageIndexEntry* b = findImageIndexEntry("p128/B/B-3.jpg");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->tileNumber, 3);
  EXPECT_GT(records, 0);
  unloadImageIndex();
}

}  // namespace
