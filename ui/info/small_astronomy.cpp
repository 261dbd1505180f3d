#include "ui/info/small_astronomy.h"

#include <cmath>
#include <limits>

#include "chart/sky_chart.h"
#include "engine/angles.h"
#include "engine/language.h"
#include "engine/lunar_theory.h"
#include "engine/vectors.h"
#include "skydata/sky_database.h"
#include "skydata/planet.h"
#include "skydata/sky_object.h"
#include "ui/info/info_coordinates.h"
#include "ui/info/info_items.h"

namespace {
// The Moon's mean daily gain in elongation on the Sun, degrees per day.
constexpr double kElongationPerDay = 12.19075;
}  // namespace

const char* moonPhaseName(double elongation) {
  static char buffer[kInfoValueSize];
  struct Phase {
    double below;  // degrees
    const char* name;
  };
  static constexpr Phase kPhases[] = {
      {6.1, "New Moon"},         {83.9, "Waxing Crescent"}, {96.1, "First Quarter"},
      {173.9, "Waxing Gibbous"}, {186.1, "Full Moon"},      {263.9, "Waning Gibbous"},
      {276.1, "Last Quarter"},   {353.9, "Waning Crescent"},
  };
  double degrees = elongation * kDegreesPerRadianPrecise;
  const char* name = "New Moon";
  for (const Phase& phase : kPhases) {
    if (degrees < phase.below) {
      name = phase.name;
      break;
    }
  }
  translateStringCopy(buffer, name, sizeof buffer);
  return buffer;
}

double elongationToMoonAge(double elongation) {
  return elongation * kDegreesPerRadianPrecise / kElongationPerDay;
}

void formatMoonPhase(char* buffer, std::size_t size, double elongation, const char* sep) {
  translatedSnprintf(buffer, size, "%s%s%.1f days old", moonPhaseName(elongation), sep,
                     elongationToMoonAge(elongation));
}

double dateOfSolarLongitude(double longitude, double firstJD, double lastJD) {
  // The Sun's mean motion in longitude, degrees per day.
  constexpr double kSunDegreesPerDay = 0.9856474;
  constexpr double kTolerance = 0.0001745329251993889;  // 0.01 degree
  constexpr int kMostSteps = 10;
  double t = 0.5 * (firstJD + lastJD);
  for (int step = 0; step < kMostSteps; ++step) {
    double sunLongitude;
    sunPositionLowPrecision(&sunLongitude, nullptr, nullptr, t);
    const double d = normalizeRadiansSigned(longitude - sunLongitude);
    t += d * kDegreesPerRadianPrecise / kSunDegreesPerDay;
    if (!(std::fabs(d) > kTolerance)) break;
  }
  return t >= firstJD && t <= lastJD ? t : std::numeric_limits<double>::infinity();
}

namespace {

// The ecliptic longitude of the chart's epoch of an object's direction.
double eclipticLongitude(CSkyChart& chart, CSkyObject& object) {
  double direction[3];
  currentDirection(chart, object, direction);
  double ecliptic[3], longitude;
  chart.fundamentalToEcliptic(direction, ecliptic);
  vectorToSpherical(ecliptic, &longitude, nullptr, nullptr);
  return longitude;
}

}  // namespace

double moonElongation(CSkyChart* chart, CSkyObject* object, char* buffer, std::size_t size) {
  CSkyObject* sun = chart != nullptr && chart->database != nullptr ? chart->database->getSun()
                                                                    : nullptr;
  double elongation = std::numeric_limits<double>::infinity();
  if (sun != nullptr && object != nullptr)
    elongation = normalizeRadians(eclipticLongitude(*chart, *object) -
                                  eclipticLongitude(*chart, *sun));
  if (buffer != nullptr && size > 0) copyNameText(moonPhaseName(elongation), buffer, size);
  return elongation;
}
