// The magnitude limits and the panorama name that the settings reader and
// the chart screen set; the layers read them when they draw.
#include <cmath>
#include <cstring>

#include "chart/sky_chart.h"

namespace {

// Magnitudes gained per decade of field narrowing, and the field (radians)
// at which a limit holds as given.
constexpr double kMagnitudesPerDecade = 3.96;
constexpr double kReferenceField = 1.5707963267945;

}  // namespace

float magnitudeLimitForField(float base, double field, float scale) {
  if (scale <= 0) return -INFINITY;
  return static_cast<float>(base + kMagnitudesPerDecade * std::log10(kReferenceField / (field / scale)));
}

float baseMagnitudeForField(float limit, double field, float scale) {
  if (scale <= 0) return -INFINITY;
  return static_cast<float>(limit - kMagnitudesPerDecade * std::log10(kReferenceField / (field / scale)));
}

void CSkyChart::setStarMagnitudeLimit(float limit) {
  starMagLimit = limit;
  baseStarMagLimit = baseMagnitudeForField(limit, displayFOV, 1);
}

void CSkyChart::setDeepSkyMagnitudeLimit(float limit) {
  deepSkyMagLimit = limit;
  baseDeepSkyMagLimit = baseMagnitudeForField(limit, displayFOV, 1);
}

void CSkyChart::updateDeepSkyMagnitudeLimit() {
  deepSkyMagLimit = magnitudeLimitForField(baseDeepSkyMagLimit, displayFOV, 1);
}

void CSkyChart::setPlanetMagnitudeLimit(float limit) {
  planetMagLimit = limit;
  planetMagLimitInUse = limit;
}

void CSkyChart::updatePlanetMagnitudeLimit() { planetMagLimitInUse = planetMagLimit; }

void CSkyChart::setHorizonImage(const char* name) {
  if (name == nullptr) name = "";
  // A cut name would name another image.
  if (std::strlen(name) >= sizeof horizonTexture || std::strcmp(name, horizonTexture) == 0)
    return;
  std::strcpy(horizonTexture, name);
  horizonImageChanged = true;
}
