#include "ui/info/meteor_shower_info.h"

#include <cmath>
#include <cstdio>

#include "chart/sky_chart.h"
#include "engine/angles.h"
#include "engine/language.h"
#include "engine/lunar_theory.h"
#include "skydata/constellation.h"
#include "ui/info/info_coordinates.h"
#include "ui/info/info_list.h"
#include "ui/info/small_astronomy.h"

namespace {

// How far ahead the next peak is looked for, days.
constexpr double kPeakWindowDays = 366.0;

const char* activityClassText(int activityClass) {
  switch (activityClass) {
    case 1: return "I - Major Shower";
    case 2: return "II - Minor Shower";
    case 3: return "III - Variable Shower";
    case 4: return "IV - Weak Shower";
    default: return "unknown";
  }
}

void addIdentification(InfoList& list, const CMeteorShower& shower) {
  char value[kInfoValueSize];
  list.header(translateString("Basic Information"));
  list.add(translateString("Name"), shower.getName(value, sizeof value));
  list.add(translateString("Abbreviation"), shower.getAbbreviation());
  if (shower.getIAUNumber() != 0) {
    std::snprintf(value, sizeof value, "%hd", static_cast<short>(shower.getIAUNumber()));
    list.add(translateString("IAU Number"), value);
  }
  if (shower.getActivityClass() != 0)
    list.add(translateString("AMS Class"),
             translateString(activityClassText(shower.getActivityClass())));
  const char* parent = shower.getParentBody();
  list.add(translateString("Parent Body"),
           parent != nullptr && parent[0] != '\0' ? parent : translateString("unknown"));
}

void addVisibility(InfoList& list, const CSkyChart& chart, const CMeteorShower& shower,
                   const char* sep) {
  char value[kInfoValueSize];
  const char* unknown = translateString("unknown");
  list.header(translateString("Visibility"));
  const double solarLongitude = shower.getPeakSolarLongitude();
  const double peak =
      dateOfSolarLongitude(solarLongitude, chart.julianDate, chart.julianDate + kPeakWindowDays);
  value[0] = '\0';
  if (std::isfinite(peak)) chart.formatJulianDate(value, sizeof value, chart.dateFormat, peak);
  list.add(translateString("Next Peak Date"), std::isfinite(peak) ? value : unknown);

  const int hour = shower.getPeakHour();
  if (hour >= 0 && hour <= 23) {
    // The chart's current local date at that hour.
    const double zone = chart.timeZone + (chart.dstInEffect ? 1.0 / 24.0 : 0.0);
    const double jd = std::floor(chart.julianDate - 0.5 + zone) + 0.5 - zone + hour / 24.0;
    value[0] = '\0';
    chart.formatJulianDate(value, sizeof value, chart.timeFormat, jd);
    list.add(translateString("Peak Hour"), value);
  }

  const double rate = shower.getPeakRate();
  if (rate < 0)
    translateStringCopy(value, "variable", sizeof value);
  else if (rate > 0 && std::isfinite(rate))
    translatedSnprintf(value, sizeof value, "%.0f meteors/hour", rate);
  else
    translateStringCopy(value, "unknown", sizeof value);
  list.add(translateString("Peak Rate"), value);
  list.addNumber(translateString("Velocity"), "%.1f km/sec", shower.getVelocity());
  list.addNumber(translateString("Solar Longitude"), "%.1f°",
                 solarLongitude * kDegreesPerRadianPrecise);

  double moonLongitude = NAN;
  if (std::isfinite(peak)) moonPositionLowPrecision(&moonLongitude, nullptr, nullptr, peak);
  if (std::isfinite(moonLongitude) && std::isfinite(solarLongitude)) {
    const double elongation = normalizeRadians(moonLongitude - solarLongitude);
    formatMoonPhase(value, sizeof value, elongation, sep);
    list.add(translateString("Moon Phase"), value);
  } else {
    list.add(translateString("Moon Phase"), unknown);
  }
}

void addRadiant(InfoList& list, CSkyChart& chart, CMeteorShower& shower, const char* sep,
                bool visiblePassesOnly) {
  list.header(translateString("Radiant"));
  double direction[3];
  currentDirection(chart, shower, direction);
  addEquatorialRows(list, chart, direction, visiblePassesOnly);
  if (!chart.isSpaceView()) addHorizonRows(list, chart, direction, sep);
  if (!visiblePassesOnly) addEclipticGalacticRows(list, chart, direction);
}

void addStreamOrbit(InfoList& list, const CMeteorShower& shower) {
  list.header(translateString("Orbital Parameters"));
  const double q = shower.getPerihelionDistance();
  const double e = shower.getEccentricity();
  if (std::isfinite(q) && std::isfinite(e) && e < 1.0)
    list.addNumber(translateString("Semimajor Axis"), "%.3f AU", q / (1.0 - e));
  list.addNumber(translateString("Perihelion"), "%.3f AU", q);
  list.addNumber(translateString("Eccentricity"), "%.6f", e);
  list.addNumber(translateString("Inclination"), "%.3f°",
                 shower.getInclination() * kDegreesPerRadianPrecise);
  list.addNumber(translateString("Arg. of Perihelion"), "%.3f°",
                 shower.getArgumentOfPerihelion() * kDegreesPerRadianPrecise);
  list.addNumber(translateString("Lon. of Asc. Node"), "%.3f°",
                 shower.getAscendingNode() * kDegreesPerRadianPrecise);
}

}  // namespace

int getMeteorShowerInfo(CSkyChart* chart, CMeteorShower* shower, SkyObjectInfoString* items,
                        int maxItems, int multiline, int visiblePassesOnly) {
  InfoList list(items, maxItems);
  if (chart == nullptr || shower == nullptr) return 0;
  const char* sep = multiline ? "\n" : ", ";
  addIdentification(list, *shower);
  addVisibility(list, *chart, *shower, sep);
  addRadiant(list, *chart, *shower, sep, visiblePassesOnly != 0);
  addStreamOrbit(list, *shower);
  return list.count();
}
