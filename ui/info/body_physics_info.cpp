#include <cmath>
#include <limits>

#include "chart/sky_chart.h"
#include "engine/angles.h"
#include "engine/astronomical_constants.h"
#include "engine/language.h"
#include "mechanics/event_search.h"
#include "engine/precession.h"
#include "engine/rotation_models.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/sky_database.h"
#include "ui/info/apparent_rates.h"
#include "ui/info/body_info.h"
#include "ui/info/info_coordinates.h"
#include "ui/info/info_list.h"
#include "ui/info/period_text.h"

namespace {

constexpr double kKmPerSecondPerAUPerDay = 1731.4568287037036;
constexpr double kEarthRadiusKm = 6378.14;
// The Earth's mean density over water's.
constexpr double kEarthDensity = 5.5153;
constexpr double kNearDistanceAU = 0.006684587153547039;
constexpr double kDaysPerYear = 365.25;

bool isPlanetOrMoon(const CPlanet& body) {
  return body.getType() == kTypePlanet || body.getType() == kTypeMoon;
}

bool usable(double x) { return std::isfinite(x) && x != 0; }

// The body's rotation model at a dynamical time; false without one.
struct Rotation {
  double ra, dec, w, rate;
};
bool rotationAt(const CPlanet& body, double t, Rotation* rotation) {
  CSkyMechanics::rotationElements(static_cast<int>(body.getBodyNumber()), &rotation->ra,
                                  &rotation->dec, &rotation->w, &rotation->rate, t);
  return rotation->ra != 0 || rotation->dec != 0 || rotation->w != 0 || rotation->rate != 0;
}

void addDegrees(InfoList& list, const char* label, const char* format, double radians) {
  char value[kInfoValueSize];
  translatedSnprintf(value, sizeof value, format, radians * kDegreesPerRadianPrecise);
  list.add(translateString(label), value);
}

// A distance in AU with km, or millions of km when far.
void addOrbitDistance(InfoList& list, const char* label, double au, const char* sep) {
  char value[kInfoValueSize];
  if (au < kNearDistanceAU)
    translatedSnprintf(value, sizeof value, "%.6f AU%s%.0f km", au, sep, au * kAstronomicalUnitKm);
  else
    translatedSnprintf(value, sizeof value, "%.6f AU%s%.1f million km", au, sep,
                       au * kAstronomicalUnitKm / 1e6);
  list.add(translateString(label), value);
}

// The perihelion passage nearest the chart's time, +infinity when unknown:
// for a planet the closest approach to the Sun within half a period either
// side (none for a period that is not finite), for other bodies the
// elements' own.
double perihelionDate(CSkyChart& chart, CPlanet& body) {
  constexpr double kNone = std::numeric_limits<double>::infinity();
  if (body.getType() != kTypePlanet) return body.getPerihelionTime(chart.dynamicalJulianDate);
  const double period = body.getOrbitalPeriod();
  CPlanet* sun = chart.database != nullptr ? chart.database->getSun() : nullptr;
  if (sun == nullptr || !std::isfinite(period) || period <= 0) return kNone;
  CSkyObject* pair[2] = {&body, sun};
  ConjunctionRecord record{};
  if (findConjunctions(chart, pair, 2, false, true, false, false, &record, 1,
                       chart.julianDate - period / 2, chart.julianDate + period / 2, kNone) != 1)
    return kNone;
  return record.jd;
}

}  // namespace

void addBodyMotion(InfoList& list, const BodyInfoSubject& s) {
  const ApparentRates rates = apparentRates(s.chart, s.body);
  list.header(translateString("Apparent Motion"));
  char label[kInfoValueSize], value[kInfoValueSize];
  translatedSnprintf(value, sizeof value, "%+.4f s/day", rates.raRate * kArcsecondsPerRadian / 15);
  list.add(epochLabel(label, sizeof label, "R.A. (%.1f)", s.chart), value);
  translatedSnprintf(value, sizeof value, "%+.3f \"/day", rates.decRate * kArcsecondsPerRadian);
  list.add(epochLabel(label, sizeof label, "Dec. (%.1f)", s.chart), value);
  const double east = rates.raRate * std::cos(rates.declination);
  translatedSnprintf(value, sizeof value, "%.3f \"/day @ %.1f°",
                     std::hypot(east, rates.decRate) * kArcsecondsPerRadian,
                     positiveAtan2(east, rates.decRate) * kDegreesPerRadianPrecise);
  list.add(epochLabel(label, sizeof label, "Total (%.1f)", s.chart), value);
  if (!s.chart.isSpaceView()) {
    translatedSnprintf(value, sizeof value, "%+.3f \"/sec",
                       rates.azimuthRate * kArcsecondsPerRadian / 86400);
    list.add(translateString("Azimuth"), value);
    translatedSnprintf(value, sizeof value, "%+.3f \"/sec",
                       rates.altitudeRate * kArcsecondsPerRadian / 86400);
    list.add(translateString("Altitude"), value);
  }
  translatedSnprintf(value, sizeof value, "%+.3f km/sec",
                     rates.radialRate * kKmPerSecondPerAUPerDay);
  list.add(translateString("Radial Velocity"), value);
}

void addPhysicalEphemeris(InfoList& list, const BodyInfoSubject& s) {
  if (!isPlanetOrMoon(s.body)) return;
  list.header(translateString("Physical Ephemeris"));
  double t = s.chart.dynamicalJulianDate;
  if (s.chart.lightTime) t -= s.body.getDistance() * kLightTimeDaysPerAU;
  Rotation r;
  // A body without a rotation model has no meridian to count from.
  if (!rotationAt(s.body, t, &r)) return;
  double lon, lat, poleAngle;
  const bool numbered = s.body.getBodyNumber() != 0;
  if (numbered) {
    subPointOnBody(s.body.getHeliocentricPosition(nullptr), &lon, &lat, nullptr, r.ra, r.dec, r.w);
    addDegrees(list, "Subsolar Longitude", "%.1f°", lon);
    addDegrees(list, "Subsolar Latitude", "%.1f°", lat);
  }
  double direction[3];
  currentDirection(s.chart, s.body, direction);
  subPointOnBody(direction, &lon, &lat, &poleAngle, r.ra, r.dec, r.w);
  addDegrees(list, "Central Longitude", "%.1f°", lon);
  addDegrees(list, "Central Latitude", "%+.1f°", lat);
  addDegrees(list, "North Pole PA", "%.1f°", poleAngle);
  CPlanet* sun = s.chart.database != nullptr ? s.chart.database->getSun() : nullptr;
  if (numbered && sun != nullptr) {
    double sunDirection[3], a[3], b[3];
    currentDirection(s.chart, *sun, sunDirection);
    s.chart.fundamentalToEquatorial(direction, a);
    s.chart.fundamentalToEquatorial(sunDirection, b);
    addDegrees(list, "Bright Limb PA", "%.1f°", positionAngle(a, b));
  }
}

void addBodyPhysics(InfoList& list, const BodyInfoSubject& s) {
  list.header(translateString("Physical Parameters"));
  const double diameter = s.body.getDiameter();
  const double mass = s.body.getPhysicalValue();
  const double radius = 0.5 * diameter / kEarthRadiusKm;  // Earth radii
  char value[kInfoValueSize];
  if (usable(diameter)) {
    translatedSnprintf(value, sizeof value, "%.0f km%s%s Earths", diameter, s.sep,
                       formatSignificantDigitsA(3, radius));
    list.add(translateString("Diameter"), value);
  } else {
    list.add(translateString("Diameter"), translateString("unknown"));
  }
  if (usable(mass)) {
    translatedSnprintf(value, sizeof value, "%s Earths", formatSignificantDigitsA(3, mass));
    list.add(translateString("Mass"), value);
  } else {
    list.add(translateString("Mass"), translateString("unknown"));
  }
  const bool both = usable(diameter) && usable(mass);
  list.addNumber(translateString("Density"), "%.2f g/cc (water=1)",
                 both ? kEarthDensity * mass / (radius * radius * radius) : NAN);
  if (both) {
    translatedSnprintf(value, sizeof value, "%s G",
                       formatSignificantDigitsA(2, mass / (radius * radius)));
    list.add(translateString("Gravity"), value);
  } else {
    list.add(translateString("Gravity"), translateString("unknown"));
  }
  if (!isPlanetOrMoon(s.body)) return;
  Rotation r;
  rotationAt(s.body, s.chart.dynamicalJulianDate, &r);
  const double period = std::fabs(kTwoPi / r.rate);
  if (std::isfinite(period))
    formatPeriodDays(value, sizeof value, period, s.sep, period < 10);
  else
    translateStringCopy(value, "unknown", sizeof value);
  list.add(translateString("Rotation Period"), value);
}

void addBodyOrbit(InfoList& list, const BodyInfoSubject& s) {
  CPlanet& body = s.body;
  list.header(translateString("Orbital Parameters"));
  char value[kInfoValueSize];
  translateStringCopy(value, "unknown", sizeof value);
  formatJulianDateUTC(value, sizeof value, s.chart.dateFormat, body.getElementEpoch());
  list.add(translateString("Orbit Epoch"), value);
  if (body.getParentIndex() == 0) {
    const double perihelion = perihelionDate(s.chart, body);
    if (std::isfinite(perihelion)) {
      formatJulianDateUTC(value, sizeof value, s.chart.dateFormat, perihelion);
      list.add(translateString("Perihelion Date"), value);
    }
  }
  const double period = body.getOrbitalPeriod();
  if (!std::isfinite(period))
    translateStringCopy(value, "infinite", sizeof value);
  else if (period < 100)
    formatPeriodDays(value, sizeof value, period, s.sep, period < 10);
  else if (period < 1000)
    translatedSnprintf(value, sizeof value, "%.2f days", period);
  else
    translatedSnprintf(value, sizeof value, "%.2f years", period / kDaysPerYear);
  list.add(translateString("Orbital Period"), value);

  const double e = body.getEccentricity();
  if (e < 1.0) addOrbitDistance(list, "Semimajor Axis", body.getSemimajorAxis(), s.sep);
  addOrbitDistance(list, "Periapse", body.getPerihelionDistance(), s.sep);
  const bool known = std::isfinite(e);
  list.addNumber(translateString("Eccentricity"), "%.6f", known ? e : NAN);
  list.addNumber(translateString("Inclination"), "%.6f°",
                 known ? body.getInclination() * kDegreesPerRadianPrecise : NAN);
  list.addNumber(translateString("Arg. of Periapse"), "%.6f°",
                 body.getArgumentOfPerihelion() * kDegreesPerRadianPrecise);
  list.addNumber(translateString("Lon. of Asc. Node"), "%.6f°",
                 body.getAscendingNode() * kDegreesPerRadianPrecise);
}
