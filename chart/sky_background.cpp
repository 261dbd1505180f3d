// The sky behind everything: the frame's background colour from the Sun's
// altitude and an eclipse, the daylight that dims the magnitude limits,
// the colour of a daylit sky and of the atmosphere's glow on each body
// that has air, and whether a direction is hidden by the opaque horizon.
#include <algorithm>
#include <cmath>

#include "chart/gl_api.h"
#include "chart/sky_chart.h"
#include "engine/angles.h"
#include "engine/body_geometry.h"
#include "engine/refraction.h"
#include "engine/vectors.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/sky_database.h"

namespace {

// Daylight grows from astronomical twilight (-18 degrees) to full at +6.
constexpr double kNightSunAltitude = -18, kDaylightSpan = 24;
// The Earth's equatorial radius (km) where no home body gives one.
constexpr double kEarthRadiusKm = 6378.14;
// Refraction at the horizon for the standard chart atmosphere.
constexpr double kPressureMbar = 1010, kTemperatureC = 10;

// The body number of Saturn's moon Titan, the one moon with a thick sky.
constexpr std::uint32_t kTitan = 606;

// The daylit sky's colour of planet `number` (2 Venus ... 8 Neptune).
const float kPlanetSkyColors[7][3] = {
    {1, 1, 0.75f},     // Venus
    {0.75f, 1, 1},     // Earth
    {1, 0.75f, 0.5f},  // Mars
    {0.6f, 0.8f, 0.8f},
    {0.4f, 0.6f, 0.6f},
    {0.3f, 0.4f, 0.4f},
    {0.1f, 0.2f, 0.2f},
};
const float kEarthSkyColor[3] = {0.75f, 1, 1};
const float kTitanSkyColor[3] = {1, 0.75f, 0.5f};
// The glow of an atmosphere at night, and its colour at full daylight.
const float kNightGlowColor[3] = {0.25f, 0.25f, 0.25f};
const float kDaylightGlowColor[3] = {1.0f, 0.25f, 0.0f};

// The body's sky colour; null for a body without an atmosphere.
const float* skyColorOf(const CSkyObject* body) {
  const CPlanet* planet = dynamic_cast<const CPlanet*>(body);
  if (planet == nullptr) return nullptr;
  std::uint32_t number = planet->getBodyNumber();
  if (body->getType() == kTypePlanet && number >= 2 && number <= 8)
    return kPlanetSkyColors[number - 2];
  if (body->getType() == kTypeMoon && number == kTitan) return kTitanSkyColor;
  return nullptr;
}

}  // namespace

void CSkyChart::getDaylightSkyColor(const CSkyObject* planet, float rgb[3]) const {
  const float* color = planet == nullptr ? kEarthSkyColor : skyColorOf(planet);
  if (color == nullptr)
    setColor3(rgb, 0, 0, 0);
  else
    setColor3(rgb, color[0], color[1], color[2]);
}

bool CSkyChart::getAtmosphereGlowColor(const CSkyObject* body, float rgb[3]) const {
  if (body != nullptr && skyColorOf(body) == nullptr) {
    setColor3(rgb, 0, 0, 0);
    return false;
  }
  setColor3(rgb, kNightGlowColor[0], kNightGlowColor[1], kNightGlowColor[2]);
  if (showDaylight) mixColor(rgb, kNightGlowColor, kDaylightGlowColor, skyBrightness);
  return true;
}

bool CSkyChart::isInsideAtmosphere() const {
  if (homeObject != nullptr) {
    const CPlanet* planet = dynamic_cast<const CPlanet*>(homeObject);
    if (planet == nullptr || !planet->hasAtmosphere()) return false;
  }
  return isObserverNearGround();
}

void CSkyChart::updateEclipseFactor() {
  eclipseFactor = 0;
  CPlanet* sun = database != nullptr ? database->getSun() : nullptr;
  CPlanet* moon = database != nullptr ? database->getMoon() : nullptr;
  if (sun == nullptr || moon == nullptr) return;
  if (updateNeeded) updateObjectPosition(moon);
  double separation = moon->angularSeparationToObject(*sun);
  double moonRadius = moon->getAngularRadius(), sunRadius = sun->getAngularRadius();
  if (!(separation < moonRadius + sunRadius)) return;
  eclipseFactor = static_cast<float>(std::min(moonRadius / (separation + sunRadius), 1.0));
}

void CSkyChart::drawSkyBackground() {
  skyBrightness = 0;
  eclipseFactor = 0;
  CPlanet* sun = database != nullptr ? database->getSun() : nullptr;
  if (sun != nullptr && updateNeeded) updateObjectPosition(sun);
  sunAltitude = sun != nullptr ? static_cast<float>(getObjectAltitude(sun) * kDegreesPerRadian) : 0;
  bool horizonChart = displayCoordSystem == kCoordHorizon;
  if (horizonChart && showDaylight) {
    skyBrightness = static_cast<float>(
        std::clamp((sunAltitude - kNightSunAltitude) / kDaylightSpan, 0.0, 1.0));
    if (homeObject == nullptr) {
      updateEclipseFactor();
      if (eclipseFactor > 0.9f) skyBrightness *= 0.1f + 9 * (1 - eclipseFactor);
    }
  }
  // A faint blue night sky on the Earth's horizon chart, fading out as the
  // field narrows to a degree.
  float night[3] = {0, 0, 0};
  if (horizonChart && homeObject == nullptr)
    night[2] = 0.1f * static_cast<float>(std::clamp((displayFOV * kDegreesPerRadian - 1) / 9, 0.0, 1.0));
  getDaylightSkyColor(homeObject, daylightSkyRGB);
  mixColor(skyColor, night, daylightSkyRGB, skyBrightness * skyBrightness);
  float filtered[3];
  filterColor(filtered, skyColor);
  setColor(filtered[0], filtered[1], filtered[2], 1);
  drawRectangle(true, viewportLeft, viewportTop, viewportRight, viewportBottom);
  if (cgContext == nullptr) {
    glClearDepthf(1.0f);
    glClear(GL_DEPTH_BUFFER_BIT);
  }

  updatePlanetMagnitudeLimit();
  updateStarMagnitudeLimit();
  updateDeepSkyMagnitudeLimit();
  if (skyBrightness > 0 && horizonStyle >= 3 && isInsideAtmosphere()) {
    float dim = 1 - skyBrightness;
    planetMagLimitInUse *= dim;
    starMagLimit *= dim;
    deepSkyMagLimit *= dim;
  }
}

bool CSkyChart::isBelowHorizon(const double v[3]) const {
  if (displayCoordSystem != kCoordHorizon || !showHorizon || horizonStyle < 3) return false;
  double h[3];
  fundamentalToHorizon(v, h);
  double altitude = std::asin(std::clamp(h[2] / vectorLength(h), -1.0, 1.0));
  if (refraction != 0) altitude += atmosphericRefraction(1, altitude, kPressureMbar, kTemperatureC);
  return altitude < horizonDip();
}

double CSkyChart::horizonDip() const {
  if (isObserverNearGround()) return 0;
  double radius = kEarthRadiusKm, distance = kEarthRadiusKm + altitude / 1000;
  const CPlanet* body = dynamic_cast<const CPlanet*>(homeObject);
  int type = homeObject != nullptr ? homeObject->getType() : 0;
  if (body != nullptr && type >= kTypePlanet && type <= kTypeComet) {
    // The observer's own distance from the home body's centre.
    double centre[3], offset[3];
    body->getHeliocentricPosition(centre);
    vectorSubtract(observerPosition, centre, offset);
    radius = body->getDiameter() / 2;
    distance = vectorLength(offset) * kAstronomicalUnitKm;
  }
  return angularRadius(radius, distance) - kHalfPi;
}
