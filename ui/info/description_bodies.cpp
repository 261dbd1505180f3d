#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "chart/sky_chart.h"
#include "engine/angles.h"
#include "engine/astronomical_constants.h"
#include "platform/foundation/user_defaults.h"
#include "skydata/object_factory.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/satellite.h"
#include "ui/info/description_page.h"
#include "ui/info/description_sections.h"
#include "ui/info/http_client.h"
#include "ui/info/page_text.h"

namespace {

constexpr double kEarthRadiusKm = 6378.14;
// Below this period (days, 3 h 45 min) a satellite's is given in minutes.
constexpr double kShortPeriodDays = 0.15625;
constexpr double kParabolic = 0.999;
constexpr double kDaysPerYear = 365.25;
constexpr double kFetchTimeout = 2.0;  // seconds of silence
constexpr int kNewlyLaunched = 1;
constexpr int kCubeSats = 72;
constexpr std::size_t kMostURL = 1024;

// The adjectives of the categories a satellite may carry, in the order the
// sentence lists them.
struct CategoryWord {
  int code;
  const char* word;
};
constexpr CategoryWord kCategoryWords[] = {{11, " NOAA"},
                                           {12, " GOES"},
                                           {13, " earth resource"},
                                           {14, " search and rescue"},
                                           {15, " disaster monitoring"},
                                           {17, " Yaogan"},
                                           {10, " weather"},
                                           {20, " geostationary"},
                                           {21, " Intelsat communication"},
                                           {22, " Gorizont communication"},
                                           {23, " Raduga communication"},
                                           {24, " Molniya communication"},
                                           {25, " Iridium communication"},
                                           {26, " Orbcomm communication"},
                                           {27, " Globalstar communication"},
                                           {28, " amateur radio"},
                                           {29, " experimental communication"},
                                           {31, " Sirius XM communication"},
                                           {32, " television broadcasting"},
                                           {33, " GONETS communication"},
                                           {34, " O3B communication"},
                                           {40, " GPS navigation"},
                                           {41, " Glonass navigation"},
                                           {42, " Galileo navigation"},
                                           {43, " SBAS navigation"},
                                           {44, " NNSS navigation"},
                                           {45, " Musson (Russian LEO) navigation"},
                                           {46, " Beidou navigation"},
                                           {47, " Tsiklon navigation"},
                                           {48, " Tsikada navigation"},
                                           {49, " Indian IRNSS navigation"},
                                           {50, " QZSS navigation"},
                                           {61, " geodetic"},
                                           {62, " engineering"},
                                           {63, " educational"},
                                           {60, " science"},
                                           {70, " military"},
                                           {71, " radar"},
                                           {73, " Westford Needles."},
                                           {74, " Parus"},
                                           {75, " Strela"},
                                           {76, " Tselina"},
                                           {77, " Celestis"},
                                           {78, " Elysium"}};

// The satellite web site's description of a NORAD number: the body of a
// 200 answer, or nothing (no site set, a failed or other answer).
std::optional<std::string> fetchSatelliteDescription(unsigned norad) {
  std::optional<std::string> site =
      ns::UserDefaults::standard().stringForKey(kSatelliteDescriptionURLKey);
  if (!site || site->empty()) return std::nullopt;
  while (!site->empty() && site->back() == '/') site->pop_back();
  char url[kMostURL];
  const int length = std::snprintf(
      url, sizeof url, "%s/satellite/get-satellite-description.php?s=%u", site->c_str(), norad);
  if (length < 0 || static_cast<std::size_t>(length) >= sizeof url) return std::nullopt;
  int status = 0;
  long size = 0;
  char* body = httpGet(url, nullptr, 0, &status, nullptr, &size, kFetchTimeout);
  std::optional<std::string> text;
  if (body != nullptr && status == 200 && size > 0)
    text.emplace(body, static_cast<std::size_t>(size));
  std::free(body);
  return text;
}

void describeSatellite(PageText& page, CPlanet& body, const CSatellite* satellite) {
  const double period = body.getOrbitalPeriod();
  const double low = body.getPerihelionDistance() * kAstronomicalUnitKm - kEarthRadiusKm;
  const double high = body.getAphelionDistance() * kAstronomicalUnitKm - kEarthRadiusKm;
  if (period < kShortPeriodDays)
    page.format(" It orbits the Earth every %.0f minutes at altitudes from %.0f to %.0f km.",
                period * 1440, low, high);
  else
    page.format(" It orbits the Earth every %.1f hours at altitudes between %.0f and %.0f km.",
                period * 24, low, high);
  const bool recent = satellite != nullptr && satellite->hasCategory(kNewlyLaunched);
  const int year = std::atoi(body.getNameAt(0));
  if (recent)
    page.format(" It was launched recently;");
  else if (year != 0)
    page.format(" It was launched in %d, and", year);
  if (body.getBodyNumber() != 0)
    page.format(" NORAD assigned it tracking number %u.", body.getBodyNumber());
  page.raw(" It is a");
  for (const CategoryWord& category : kCategoryWords)
    if (satellite != nullptr && satellite->hasCategory(category.code)) page.raw(category.word);
  char name[256] = "";
  body.getName(name, sizeof name);
  if (satellite != nullptr && satellite->hasCategory(kCubeSats))
    page.raw(" CubeSat.");
  else if (std::strstr(name, "R/B") != nullptr)
    page.raw(" rocket booster.");
  else
    page.raw(" satellite.");
  if (std::optional<std::string> fetched = fetchSatelliteDescription(body.getBodyNumber())) {
    page.raw("<p>");
    page.text(*fetched);
  }
}

// The orbit's group of an asteroid by its perihelion q, aphelion Q and
// semimajor axis a (AU) and inclination (radians); null for none.
const char* asteroidGroup(double q, double Q, double a, double e, double i) {
  const double degrees = i * kDegreesPerRadian;
  if (q < 0.467)
    return " It comes closer to the Sun than Mercury at the closest point on its orbit "
           "(perihelion).";
  if (q < 0.728) return " Its orbit brings it closer to the Sun than Venus at perihelion.";
  if (q < 1.017 && Q > 0.983) {
    if (a < 1.0) return " It is a near-Earth asteroid belonging to the Aten group.";
    if (Q > 1.017) return " It is a near-Earth asteroid belonging to the Apollo group.";
    return " It is an Earth-crossing asteroid.";
  }
  if (q > 1.017 && q < 1.3)
    return " It is an Amor-group object which orbits the Sun between Earth and Mars.";
  if (a > 1.5235 && a < 1.5245 && e < 0.11 && degrees <= 45)
    return " It is a Mars-trojan asteroid which leads or follows Mars in its orbit by 60&deg;.";
  if (Q >= 1.3 && q <= 1.6667) return " It is a Mars-crossing asteroid.";
  if (q > 1.5 && Q < 4.5)
    return " It is a main belt asteroid which orbits the Sun between Mars and Jupiter.";
  if (a >= 5.05 && a <= 5.4 && degrees <= 45)
    return " It is a Trojan asteroid which leads or follows Jupiter by approximately 60&deg; in "
           "its orbit.";
  if (q > 5.455 && a < 30.317)
    return " It is a Centaur object, orbiting between Jupiter and Neptune.";
  if (a > 30.11) {
    const double r = std::pow(a / 30.11, 1.5);
    if (r > 1.45 && r < 1.55)
      return " It is a Kuiper belt object, orbiting beyond Neptune, and belongs to the Plutino "
             "group with orbital periods 3/2 times Neptune's.";
    if (r > 1.95 && r < 2.05)
      return " It is a Kuiper belt object, orbiting beyond Neptune, and belongs to the \"twotino\" "
             "group with orbital periods twice that of Neptune.";
    return " It is a Kuiper belt object, orbiting beyond Neptune.";
  }
  return nullptr;
}

void describeAsteroid(PageText& page, const DescriptionSubject& s, const CPlanet& body) {
  const double a = body.getSemimajorAxis(), e = body.getEccentricity(), i = body.getInclination();
  const double q = body.getPerihelionDistance(), Q = body.getAphelionDistance();
  if (e > 0.5) page.format(" Its orbit is unusally eccentric (e=%.2f).", e);
  if (i > 30 * kRadiansPerDegree)
    page.format(
        " The inclination of its orbital plane to the Ecliptic plane, where the major planets "
        "orbit, is unusually high (i=%.0f&deg;).",
        i * kDegreesPerRadian);
  if (const char* group = asteroidGroup(q, Q, a, e, i)) page.format("%s", group);
  page.raw("</p><p>");
  const double diameter = body.getDiameter();
  if (diameter > 0 && std::isfinite(diameter)) {
    if (diameter > 100)
      page.format("%s is a large object, %.0f kilometers in diameter. ", s.name.c_str(), diameter);
    else
      page.format("%s, a small asteroid, is roughly %.0f kilometers across. ", s.name.c_str(),
                  diameter);
  }
}

}  // namespace

void describeSolarSystemBody(PageText& page, const DescriptionSubject& s) {
  CPlanet* body = asPlanet(&s.object);
  if (body == nullptr) return;
  const int type = body->getType();
  if (type == kTypeSatellite) {
    describeSatellite(page, *body, asSatellite(body));
    return;
  }
  // The Sun has no orbit, and a moon's elements are about its planet: the
  // sentence about the Sun would be wrong for both.
  if (!isSun(body) && body->getParentIndex() == 0) {
    if (body->getEccentricity() >= kParabolic)
      page.format(" Its orbit is parabolic, and its closest approach to the Sun is %.1f AU.",
                  body->getPerihelionDistance());
    else
      page.format(" It orbits the sun every %.1f years at an average distance of %.1f AU.",
                  body->getOrbitalPeriod() / kDaysPerYear, body->getSemimajorAxis());
  }
  if (type == kTypeAsteroid) describeAsteroid(page, s, *body);
}
