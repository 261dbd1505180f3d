// The star layer: the limit that follows the field, one star's sprite and
// glare, and the walk over the star files' region trees.
#include <algorithm>
#include <cmath>

#include "chart/sky_chart.h"
#include "engine/angles.h"
#include "engine/body_geometry.h"
#include "skydata/object_factory.h"
#include "skydata/object_types.h"
#include "skydata/sky_data_file.h"
#include "skydata/sky_database.h"
#include "skydata/star.h"

namespace {

// Stars nearer than this (parsecs) are drawn last, far to near, over the
// rest; nearer than 10 pc a star may show its disc.
constexpr double kNearStarParsecs = 1.0;
constexpr double kDiscStarParsecs = 10.0;
// The Sun's radius in AU: a diameter in solar diameters times this is a
// radius in AU.
constexpr double kSolarRadiusAU = 0.004652;
// Below this "StarNameDensity" only named stars and stars with a Bayer or
// Flamsteed number are labelled.
constexpr double kNamedOnlyDensity = 0.105;
constexpr int kBayerCatalogue = 1, kFlamsteedCatalogue = 2;
constexpr int kNearStarSlots = 10;
// A placed star's magnitude is stored in single precision: a star that may
// come this close to the limit is still placed.
constexpr double kMagnitudeRounding = 1e-3;
// Stars up to this much fainter than the labelled ones still stand out
// beside them: no other star's label may settle nearer them.
constexpr float kLabelAnchorMagnitudes = 1.0f;

bool isStarTypeCode(int type) { return type >= kTypeStar && type < kTypeFirstDeepSky; }

}  // namespace

void CSkyChart::updateStarMagnitudeLimit() {
  starMagLimit = magnitudeLimitForField(baseStarMagLimit, displayFOV, 1);
}

float CSkyChart::getMagnitudeLimitExcess() const {
  return starMagLimit > kNakedEyeLimit ? 0.0f : starMagLimit - kNakedEyeLimit;
}

float CSkyChart::drawStar(CStar* star, float x, float y) {
  const double distance = star->getDistance();
  const float magnitude = star->getMagnitude();
  float rgb[3];
  starColor(rgb, star->getColorIndex());
  filterColor(rgb, rgb);
  const float d = addStarSprite(rgb, magnitude, x, y);
  if (!(magnitude < getMagnitudeLimitExcess())) return d;
  float glare = 0;
  float disc = std::max(getGlareSize(&glare, magnitude), d);
  if (glare <= disc) return disc;
  endStarSprites();
  setColor(rgb[0], rgb[1], rgb[2], 1);
  if (distance < kDiscStarParsecs) {
    // A near star large enough shows its own disc.
    const double angle = angularRadius(star->getDiameter() * kSolarRadiusAU, distance * kAUPerParsec);
    double v[3];
    star->getPosition(v);
    if (angle < kHalfPi) disc = std::max(disc, static_cast<float>(projectedRadius(v, angle)));
  }
  drawGlare(rgb, x, y, disc - 1, glare - 1);
  drawCircle(true, x, y, disc, 0);
  beginStarSprites();
  return disc;
}

void CSkyChart::drawStars() {
  if (database == nullptr || !showStars) return;
  buildStarSprites();
  beginStarSprites();
  starLabelMagLimit = magnitudeLimitForField(baseStarMagLimit, displayFOV,
                                             static_cast<float>(starNameDensity));
  std::fill(std::begin(nearStars), std::end(nearStars), nullptr);
  if (selectedObject != nullptr && isStarTypeCode(selectedObject->getType())) {
    nearStars[0] = asStar(selectedObject);
    if (updateNeeded && nearStars[0] != nullptr) updateStarPosition(nearStars[0]);
  }
  setTextHeight(starLabelTextHeight);
  heldStarLabelCount = 0;
  drawStarRegion(kStarsFile, nullptr);
  if (!isObserverFarFromSun()) {
    drawStarRegion(kTychoStarsFile, nullptr);
    drawStarRegion(kGuideStarsFile, nullptr);
  }
  drawNearStars();
  drawHeldStarLabels();
  endStarSprites();
}

void CSkyChart::drawStarRegion(int file, CSkyDataRegion* region) {
  CSkyDataFile* data = database != nullptr ? database->getDataFile(file) : nullptr;
  if (data == nullptr) return;
  const bool root = region == nullptr;
  if (root) region = data->getRoot();
  if (region == nullptr || isRegionHidden(file, region)) return;
  if (root) starBrightnessLimit = std::pow(10.0, -starMagLimit / 2.5);
  if (region->isLoaded() || data->loadRegionObjects(region) > 0) {
    for (std::size_t i = 0, n = region->getObjectCount(); i < n; ++i) {
      CSkyObject* object = region->getObject(i);
      if (object == nullptr) continue;
      float m = object->getMagnitude();
      const bool place = updateNeeded || std::isinf(m);
      // Most stars of a region are fainter than the limit: those placed
      // already, and those that cannot reach it, are passed over before
      // any place is computed.
      if (!place && !(m <= starMagLimit)) continue;
      CStar* star = asStar(object);
      if (star == nullptr) continue;
      if (place) {
        if (!starMayReachMagnitude(*star, starMagLimit + kMagnitudeRounding)) continue;
        if (!updateStarPosition(*star)) continue;
        m = star->getMagnitude();
      }
      if (!(m <= starMagLimit) || (showNakedEyeOnly && !(m < kNakedEyeLimit))) continue;
      if (showDoubleStars) {
        if (CBinaryStar* binary = asBinaryStar(star)) {
          // The orbit's lines share the vertex buffer: the sprites held so
          // far are drawn first.
          endStarSprites();
          drawBinaryStarOrbit(binary);
          beginStarSprites();
        }
      }
      double v[3], x, y;
      star->getPosition(v);
      if (!vectorToScreen(v, &x, &y) || !isPointInViewport(x, y)) continue;
      const auto index = static_cast<std::uint16_t>(i);
      if (selectedObjectID.file == file && selectedObjectID.region == region->getID() &&
          selectedObjectID.index == index)
        continue;  // drawn with the near stars
      if (star->getDistance() < kNearStarParsecs) {
        CStar** slot = std::find(std::begin(nearStars), std::end(nearStars), nullptr);
        if (slot != std::end(nearStars)) {
          *slot = star;
          continue;
        }
      }
      const float radius = drawStar(star, static_cast<float>(x), static_cast<float>(y));
      if (m <= starLabelMagLimit + kLabelAnchorMagnitudes)
        addLabelAnchor(static_cast<float>(x), static_cast<float>(y), radius);
      if (!(showStarNames || showDoubleStars) || !(m <= starLabelMagLimit)) continue;
      if (showHighlightedObjectLabels && isHighlighted(static_cast<std::uint16_t>(file), region->getID(), index))
        continue;
      if (starNameDensity <= kNamedOnlyDensity) {
        const char* name = nullptr;
        if (star->getNames(&name, 1) < 1 && star->findCatalogNumber(kBayerCatalogue) == 0 &&
            star->findCatalogNumber(kFlamsteedCatalogue) == 0)
          continue;
      }
      holdStarLabel(star, static_cast<float>(x), static_cast<float>(y), radius, m);
    }
    endStarSprites();
  }
  for (int k = 0; k < 8; ++k)
    if (CSkyDataRegion* child = region->getChild(k)) drawStarRegion(file, child);
  if (root) starBrightnessLimit = 0;
}

void CSkyChart::drawNearStars() {
  int count = 0;
  while (count < kNearStarSlots && nearStars[count] != nullptr) ++count;
  // Far to near, so the nearest is drawn on top (in place: a frame
  // allocates nothing).
  for (int i = 1; i < count; ++i)
    for (int j = i; j > 0 && nearStars[j - 1]->getDistance() < nearStars[j]->getDistance(); --j)
      std::swap(nearStars[j - 1], nearStars[j]);
  for (int i = 0; i < count; ++i) {
    CStar* star = nearStars[i];
    double v[3], x, y;
    star->getPosition(v);
    if (!vectorToScreen(v, &x, &y) || !isPointInViewport(x, y)) continue;
    const float radius = drawStar(star, static_cast<float>(x), static_cast<float>(y));
    const bool selected = star == selectedObject;
    if (selected || showStarNames)
      drawStarLabel(star, selected, static_cast<float>(x), static_cast<float>(y), radius);
  }
}
