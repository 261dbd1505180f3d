// The region trees on thousands of stars: every object lies in its region's
// box, a region keeps no more than its share unless it is at the deepest
// level, and no object is brighter than the objects of the regions above
// it, which is what lets the chart stop at the first region too faint.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <string>

#include "skydata/object_factory.h"
#include "skydata/sky_data_file.h"
#include "skydata/sky_data_region.h"
#include "skydata/sky_database.h"
#include "skydata/star.h"
#include "temp_dir.h"
#include "tools/catalogues/star_catalogues.h"

namespace {

constexpr int kStars = 20000;

// Stars spread over the sky at random distances and magnitudes; every
// fourth one without a distance (the Tycho file).
std::string randomStarList() {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::string list = "# tessaly-stars 1\n";
  for (int i = 0; i < kStars; ++i) {
    double ra = 360.0 * unit(random);
    double dec = std::asin(2.0 * unit(random) - 1.0) * 180.0 / 3.14159265358979;
    double magnitude = -1.0 + 17.0 * unit(random);
    bool distant = i % 4 != 0;
    char line[200];
    std::snprintf(line, sizeof line, "S\t%d\t1\t%.6f\t%.6f\t%s\t-\t-\t%.2f\t-\t-\t-\t-\t-\t-\n",
                  distant ? 2 : 6, ra, dec,
                  distant ? std::to_string(1.0 + 2000.0 * unit(random)).c_str() : "-", magnitude);
    list += line;
  }
  return list + "E\t" + std::to_string(kStars) + "\n";
}

struct Walk {
  int objects = 0;
  int deepest = 0;
};

// Checks a region and its subtree; returns the faintest key among its
// own objects so that the parent can compare.
void checkRegion(CSkyDataFile& file, CSkyDataRegion* region, int depth, float brighterAbove,
                 bool space, Walk& walk) {
  ASSERT_GE(file.loadRegionObjects(region), 0);
  walk.deepest = std::max(walk.deepest, depth);
  float faintest = -INFINITY;
  for (int i = 0; i < region->getObjectCount(); ++i) {
    CStar* star = asStar(region->getObject(static_cast<std::size_t>(i)));
    ASSERT_NE(star, nullptr);
    double v[3];
    star->getCatalogVector(v);
    float key = star->getVisualMagnitude();
    if (space) {
      for (double& c : v) c *= star->getStarDistance();
      key = static_cast<float>(star->getAbsoluteMagnitude());
    } else {
      double scale = std::max({std::fabs(v[0]), std::fabs(v[1]), std::fabs(v[2])});
      for (double& c : v) c /= scale;
    }
    if (depth > 0) {
      EXPECT_TRUE(region->contains(v)) << "region " << region->getID();
    }
    // No object below is brighter than the objects kept above (the
    // star file's root keeps the naked-eye stars by apparent magnitude).
    if (!(space && depth == 1)) {
      EXPECT_GE(key + 1e-3f, brighterAbove) << "region " << region->getID();
    }
    EXPECT_LE(region->getBrightestMagnitude(), key + 1e-3f);
    faintest = std::max(faintest, key);
    ++walk.objects;
  }
  if (depth > 0 && depth < 8) {
    EXPECT_LE(region->getObjectCount(), 256);
  }
  for (int k = 0; k < 8; ++k) {
    if (CSkyDataRegion* child = region->getChild(k)) {
      EXPECT_LE(region->getBrightestMagnitude(), child->getBrightestMagnitude());
      checkRegion(file, child, depth + 1, region->getObjectCount() ? faintest : brighterAbove,
                  space, walk);
    }
  }
}

TEST(CatalogueTrees, PlacementOrderAndCapacityHoldOverThousandsOfStars) {
  tessaly::test::TempDir dir;
  std::string error;
  catalogues::StarCounts counts;
  ASSERT_TRUE(catalogues::buildStarCatalogues(randomStarList(), "random", dir.path().string(),
                                              counts, error)) << error;
  CSkyDatabase database(dir.path().string().c_str());
  ASSERT_NE(database.loadStars("Stars.skydata"), nullptr);
  ASSERT_NE(database.loadTychoStars("TychoStars.skydata"), nullptr);

  Walk space;
  checkRegion(*database.getStarsFile(), database.getStarsFile()->getRoot(), 0, -INFINITY, true, space);
  EXPECT_EQ(space.objects, counts.stars);
  EXPECT_GE(space.deepest, 2);

  Walk sky;
  CSkyDataFile* tycho = database.getTychoStarsFile();
  EXPECT_EQ(tycho->getRoot()->getObjectCount(), 0);  // always visited by the chart
  checkRegion(*tycho, tycho->getRoot(), 0, -INFINITY, false, sky);
  EXPECT_EQ(sky.objects, counts.tycho);
  EXPECT_GE(sky.deepest, 2);
}

}  // namespace
