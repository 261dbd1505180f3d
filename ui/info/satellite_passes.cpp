#include "ui/info/satellite_passes.h"

#include <cmath>

#include "chart/sky_chart.h"
#include "engine/angle_text.h"
#include "engine/language.h"
#include "skydata/planet.h"
#include "ui/info/info_coordinates.h"
#include "ui/info/info_list.h"
#include "ui/info/info_sections.h"
#include "ui/info/info_text.h"

namespace {

constexpr double kOneMinute = 0.0006944444444444445;  // days
constexpr double kPassDays = 1.0;
constexpr double kAstronomicalTwilight = -0.3141592653589;  // radians

// What a search was made for: a new search is needed when any of it
// changes.
struct PassSearchKey {
  double jd;
  unsigned norad;
  double epoch;
  double longitude, latitude, altitude;
  double minAltitude;
};

struct PassCache {
  PassSearchKey key;
  SatellitePasses passes;
  bool valid;
};

PassCache& cache() {
  static PassCache passCache{};
  return passCache;
}

bool matches(const PassSearchKey& a, const PassSearchKey& b) {
  return std::fabs(a.jd - b.jd) <= kOneMinute && a.norad == b.norad && a.epoch == b.epoch &&
         a.longitude == b.longitude && a.latitude == b.latitude && a.altitude == b.altitude &&
         a.minAltitude == b.minAltitude;
}

// "12:34:56<sep>123° SE"
void timeAndAzimuth(char* value, std::size_t size, const CSkyChart& chart, double jd,
                    double azimuth, const char* sep) {
  char time[kInfoValueSize] = "", angle[kInfoValueSize] = "";
  chart.formatJulianDate(time, sizeof time, chart.timeFormat, jd);
  chart.formatAzimuth(angle, sizeof angle, azimuth);
  InfoText text(value, size);
  text.append(time);
  text.append(sep);
  text.append(angle);
  text.append(" ");
  text.append(compassPointName(1, azimuth));
}

// When the pass is in the Earth's shadow: "Entire Pass", "Before 12:34:56",
// "After 12:34:56" or "12:30:00 to 12:34:56".
void shadowText(char* value, std::size_t size, const CSkyChart& chart, const PassRecord& pass) {
  const double entry = pass[kPassShadowEntry], exit = pass[kPassShadowExit];
  char entryTime[kInfoValueSize] = "", exitTime[kInfoValueSize] = "";
  chart.formatJulianDate(entryTime, sizeof entryTime, chart.timeFormat, entry);
  chart.formatJulianDate(exitTime, sizeof exitTime, chart.timeFormat, exit);
  InfoText text(value, size);
  if (entry > pass[kPassRise] && exit < pass[kPassSet]) {
    text.append(entryTime);
    text.format(" to ");
    text.append(exitTime);
  } else if (entry == pass[kPassRise]) {
    if (exit == pass[kPassSet])
      text.format("Entire Pass");
    else
      text.format("Before %s", exitTime);
  } else {
    text.format("After %s", entryTime);
  }
}

void addPass(InfoList& list, CSkyChart& chart, const PassRecord& pass, const char* sep,
             bool visible) {
  const double sunAltitude = pass[kPassSunAltitude];
  const char* title = sunAltitude > 0                       ? "Daylight Pass"
                      : sunAltitude > kAstronomicalTwilight ? "Twilight Pass"
                                                            : "Night Pass";
  char value[kInfoValueSize];
  InfoText header(value, sizeof value);
  header.append(translateString(title));
  header.append(translateString(visible ? " - Visible" : " - Not Visible"));
  list.header(value);

  value[0] = '\0';
  chart.formatJulianDate(value, sizeof value, chart.dateFormat, pass[kPassRise]);
  list.add(translateString("Date"), value);

  char riseLabel[kInfoValueSize], setLabel[kInfoValueSize];
  riseSetLabels(chart, riseLabel, setLabel, kInfoValueSize);
  timeAndAzimuth(value, sizeof value, chart, pass[kPassRise], pass[kPassRiseAzimuth], sep);
  list.add(riseLabel, value, pass[kPassRise]);

  char time[kInfoValueSize] = "", altitude[kInfoValueSize] = "";
  chart.formatJulianDate(time, sizeof time, chart.timeFormat, pass[kPassCulmination]);
  chart.formatAltitude(altitude, sizeof altitude, pass[kPassCulminationAltitude]);
  translatedSnprintf(value, sizeof value, "%s%s%s Alt", time, sep, altitude);
  list.add(translateString("Culminates"), value, pass[kPassCulmination]);

  timeAndAzimuth(value, sizeof value, chart, pass[kPassSet], pass[kPassSetAzimuth], sep);
  list.add(setLabel, value, pass[kPassSet]);

  if (std::isfinite(pass[kPassShadowEntry])) {
    shadowText(value, sizeof value, chart, pass);
    list.add(translateString("Eclipsed"), value, pass[kPassShadowEntry]);
  }
}

}  // namespace

const SatellitePasses& satellitePasses(CSkyChart& chart, CPlanet& satellite) {
  const PassSearchKey key{chart.julianDate,
                          satellite.getBodyNumber(),
                          satellite.getElementEpoch(),
                          chart.longitude,
                          chart.latitude,
                          chart.altitude,
                          trueHorizonAltitude(chart)};
  PassCache& passCache = cache();
  if (!passCache.valid || !matches(passCache.key, key)) {
    passCache.passes.count =
        findObjectPasses(chart, &satellite, passCache.passes.records, kMostCachedPasses, key.jd,
                         key.jd + kPassDays, key.minAltitude);
    passCache.key = key;
    passCache.valid = true;
  }
  return passCache.passes;
}

void clearSatellitePassCache() { cache().valid = false; }

void addPassRows(InfoList& list, CSkyChart& chart, const SatellitePasses& passes, const char* sep,
                 bool visibleOnly) {
  for (int i = 0; i < passes.count && !list.full(); ++i) {
    const bool visible = isPassVisible(passes.records[i]);
    if (visible || !visibleOnly) addPass(list, chart, passes.records[i], sep, visible);
  }
}
