#include "ui/info/info_coordinates.h"

#include <cmath>

#include "chart/sky_chart.h"
#include "engine/angle_text.h"
#include "engine/calendar.h"
#include "engine/language.h"
#include "engine/refraction.h"
#include "engine/vectors.h"
#include "skydata/sky_object.h"
#include "ui/info/info_list.h"

namespace {
// Refraction of a true altitude, and of an apparent one.
constexpr int kTrueToApparent = 1;
constexpr int kApparentToTrue = 0;
}  // namespace

void currentDirection(CSkyChart& chart, CSkyObject& object, double direction[3]) {
  object.getPosition(direction);
  if (chart.updateNeeded || !std::isfinite(direction[0] + direction[1] + direction[2])) {
    chart.updateObjectPosition(&object);
    object.getPosition(direction);
  }
}

double apparentAltitude(const CSkyChart& chart, double altitude) {
  if (!chart.refraction) return altitude;
  return altitude + atmosphericRefraction(kTrueToApparent, altitude, kInfoRefractionPressure,
                                          kInfoRefractionTemperature);
}

double trueHorizonAltitude(const CSkyChart& chart) {
  const double h = chart.horizonAltitude;
  if (!chart.refraction) return h;
  return h - atmosphericRefraction(kApparentToTrue, h, kInfoRefractionPressure,
                                   kInfoRefractionTemperature);
}

void addHorizonRows(InfoList& list, const CSkyChart& chart, const double direction[3],
                    const char* sep, const char* altitudeLabel) {
  double horizon[3], azimuth, altitude;
  chart.fundamentalToHorizon(direction, horizon);
  vectorToSpherical(horizon, &azimuth, &altitude, nullptr);
  char angle[kInfoValueSize], value[kInfoValueSize];
  chart.formatAzimuth(angle, sizeof angle, azimuth);
  translatedSnprintf(value, sizeof value, "%s%sin the %s", angle, sep,
                     compassPointName(0, azimuth));
  list.add(translateString("Azimuth"), value);
  altitude = apparentAltitude(chart, altitude);
  chart.formatAltitude(angle, sizeof angle, altitude);
  translatedSnprintf(value, sizeof value, "%s%s%s", angle, sep,
                     translateString(altitude > chart.horizonAltitude ? "above horizon"
                                                                      : "below horizon"));
  list.add(translateString(altitudeLabel), value);
}

char* epochLabel(char* buffer, int size, const char* format, const CSkyChart& chart) {
  translatedSnprintf(buffer, static_cast<std::size_t>(size), format,
                     julianDateToYear(chart.epoch));
  return buffer;
}

void addEquatorialRows(InfoList& list, const CSkyChart& chart, const double direction[3],
                       bool plainLabels) {
  double equatorial[3], ra, dec;
  chart.fundamentalToEquatorial(direction, equatorial);
  vectorToSpherical(equatorial, &ra, &dec, nullptr);
  char label[kInfoValueSize], value[kInfoValueSize];
  chart.formatRA(value, sizeof value, ra);
  list.add(plainLabels ? translateString("Right Ascension")
                       : epochLabel(label, sizeof label, "R.A. (%.1f)", chart),
           value);
  chart.formatDec(value, sizeof value, dec);
  list.add(plainLabels ? translateString("Declination")
                       : epochLabel(label, sizeof label, "Dec. (%.1f)", chart),
           value);
}

void addEclipticGalacticRows(InfoList& list, const CSkyChart& chart, const double direction[3]) {
  double v[3], lon, lat;
  char value[kInfoValueSize];
  chart.fundamentalToEcliptic(direction, v);
  vectorToSpherical(v, &lon, &lat, nullptr);
  chart.formatEclipticLongitude(value, sizeof value, lon);
  list.add(translateString("Ecliptic Longitude"), value);
  chart.formatEclipticLatitude(value, sizeof value, lat);
  list.add(translateString("Ecliptic Latitude"), value);
  chart.fundamentalToGalactic(direction, v);
  vectorToSpherical(v, &lon, &lat, nullptr);
  chart.formatGalacticLongitude(value, sizeof value, lon);
  list.add(translateString("Galactic Longitude"), value);
  chart.formatGalacticLatitude(value, sizeof value, lat);
  list.add(translateString("Galactic Latitude"), value);
}
