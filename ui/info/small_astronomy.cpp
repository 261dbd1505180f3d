#include "ui/info/small_astronomy.h"

#include <cmath>

#include "engine/language.h"
#include "ui/info/info_items.h"

namespace {
constexpr double kDegreesPerRadian = 57.29577951309679;
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
  double degrees = elongation * kDegreesPerRadian;
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
  return elongation * kDegreesPerRadian / kElongationPerDay;
}
