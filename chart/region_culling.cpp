// Which catalogue regions can show: the sky trees (Tycho and guide stars,
// deep sky) by their magnitude and their patch of sky, the space tree of
// the stars with distances by the brightest its box can look from the
// observer and by the box's faces; and the unloading of the regions that
// cannot.
#include <cmath>

#include "chart/sky_chart.h"
#include "engine/body_geometry.h"
#include "engine/magnitudes.h"
#include "engine/vectors.h"
#include "skydata/sky_data_file.h"
#include "skydata/sky_database.h"

namespace {

// The six faces of a box by its corner numbers (bit 0 x, bit 1 y, bit 2
// z), each in order round its edge.
constexpr int kBoxFaces[6][4] = {{0, 2, 6, 4}, {1, 3, 7, 5}, {0, 1, 5, 4},
                                 {2, 3, 7, 6}, {0, 1, 3, 2}, {4, 5, 7, 6}};

}  // namespace

bool CSkyChart::isRegionHidden(int file, CSkyDataRegion* region) {
  return file == kStarsFile ? isSpaceRegionHidden(region) : isSkyRegionHidden(file, region);
}

bool CSkyChart::isSkyRegionHidden(int file, CSkyDataRegion* region) {
  if (region == nullptr || region->getObjectCount() == 0) return false;
  const bool compare = file != kDeepSkyFile || !showDarkNebulae;
  const float limit = file == kDeepSkyFile ? deepSkyMagLimit : starMagLimit;
  if (compare && region->getBrightestMagnitude() > limit) return true;
  double corners[4][3];
  for (int k = 0; k < 4; ++k) {
    region->getCorner(k, corners[k]);
    vectorNormalize(corners[k]);
  }
  return !isQuadVisible(corners[0], corners[1], corners[2], corners[3]);
}

bool CSkyChart::isSpaceRegionHidden(CSkyDataRegion* region) {
  if (region == nullptr) return false;
  double observer[3];
  observerPositionParsecs(observer);
  if (region->contains(observer) && (isObserverFarFromSun() || region->getObjectCount() == 0))
    return false;
  double c[3];
  region->getCenter(c);
  vectorSubtract(c, observer, c);
  const double d = vectorLength(c), h = region->getDiagonal() / 2;
  const double brightest = apparentMagnitude(region->getBrightestMagnitude(), d - h);
  if (brightest > starMagLimit || (showNakedEyeOnly && brightest > kNakedEyeLimit))
    return true;
  double towards[3] = {c[0], c[1], c[2]};
  vectorNormalize(towards);
  if (angleFromDisplayCenter(towards) - angularRadius(h, d) > getDiagonalFOV() / 2) return true;
  double corners[8][3];
  for (int k = 0; k < 8; ++k) {
    region->getCorner(k, corners[k]);
    vectorSubtract(corners[k], observer, corners[k]);
    vectorNormalize(corners[k]);
  }
  for (const auto& face : kBoxFaces)
    if (isQuadVisible(corners[face[0]], corners[face[1]], corners[face[2]], corners[face[3]]))
      return false;
  return true;
}

void CSkyChart::unloadInvisibleRegions(int file, CSkyDataRegion* region) {
  if (region == nullptr) {
    CSkyDataFile* data = database != nullptr ? database->getDataFile(file) : nullptr;
    region = data != nullptr ? data->getRoot() : nullptr;
    if (region == nullptr) return;
  }
  // The selected and home objects may be owned by their regions.
  auto holds = [&](const SkyObjectID& id) { return id.file == file && id.region == region->getID(); };
  if (region->isLoaded() && !holds(selectedObjectID) && !holds(homeObjectID) &&
      isRegionHidden(file, region))
    region->deleteObjects();
  for (int k = 0; k < 8; ++k)
    if (CSkyDataRegion* child = region->getChild(k)) unloadInvisibleRegions(file, child);
}

void CSkyChart::unloadInvisibleCatalogRegions() {
  for (int file : {kStarsFile, kTychoStarsFile, kGuideStarsFile, kDeepSkyFile})
    unloadInvisibleRegions(file, nullptr);
}
