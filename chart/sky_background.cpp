// The sky behind everything: the colour of a daylit sky and of the
// atmosphere's glow on each body that has air, and whether the observer
// stands inside such an atmosphere.
#include "chart/sky_chart.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"

namespace {

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
