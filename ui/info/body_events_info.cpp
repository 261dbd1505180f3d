#include <cmath>
#include <cstdio>

#include "chart/sky_chart.h"
#include "engine/angles.h"
#include "engine/delta_t.h"
#include "engine/jupiter_events.h"
#include "engine/language.h"
#include "engine/lunar_theory.h"
#include "mechanics/event_search.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/sky_database.h"
#include "ui/info/body_info.h"
#include "ui/info/info_list.h"
#include "ui/info/info_text.h"
#include "ui/info/small_astronomy.h"

namespace {

// The events of the Visibility section are looked for this far ahead.
constexpr double kEventWindowDays = 730.484397562;
constexpr double kEclipseLimit = 0.008726646259969445;     // half a degree
constexpr double kLunarEclipseLimit = 3.1241393610690613;  // 179 degrees
constexpr double kElongationLimit = 0.26179938779908335;   // 15 degrees
constexpr double kJupiterWindowDays = 1.0;
constexpr int kMostJupiterEvents = 16;
constexpr int kJupiter = 5;
constexpr double kOneAU = 1.0;

// The one event of a pair of bodies in the window; false when none.
bool findPairEvent(CSkyChart& chart, CSkyObject* a, CSkyObject* b, bool maximise, bool geocentric,
                   double limit, ConjunctionRecord* record) {
  if (a == nullptr || b == nullptr) return false;
  CSkyObject* pair[2] = {a, b};
  return findConjunctions(chart, pair, 2, maximise, false, false, geocentric, record, 1,
                          chart.julianDate, chart.julianDate + kEventWindowDays, limit) == 1;
}

// "<date time><sep><angle><suffix>" with the event's date.
void addPairEvent(InfoList& list, const BodyInfoSubject& s, const char* label,
                  const ConjunctionRecord& record, double angle, const char* suffix) {
  char value[kInfoValueSize], date[kInfoValueSize] = "", angleText[kInfoValueSize] = "";
  s.chart.formatDateTime(date, sizeof date, record.jd);
  s.chart.formatAzimuth(angleText, sizeof angleText, angle);
  InfoText text(value, sizeof value);
  text.append(date);
  text.append(s.sep);
  text.append(angleText);
  text.format("%s", translateString(suffix));
  list.add(label, value, record.jd);
}

// The distance of the object of the pair that is `body` at the event.
double distanceAtEvent(const ConjunctionRecord& record) {
  return record.first == 0 ? record.firstDistance : record.secondDistance;
}

}  // namespace

void addBodyEvents(InfoList& list, const BodyInfoSubject& s) {
  CSkyDatabase* database = s.chart.database;
  if (database == nullptr) return;
  CPlanet* sun = database->getSun();
  CPlanet* body = &s.body;
  ConjunctionRecord record{};
  if (isSun(body)) {
    if (findPairEvent(s.chart, database->getMoon(), sun, false, false, kEclipseLimit, &record))
      addPairEvent(list, s, translateString("Next Solar Eclipse"), record, record.value,
                   " from Moon");
    return;
  }
  if (body->getType() == kTypeMoon && body->getBodyNumber() == 301) {
    if (findPairEvent(s.chart, body, sun, true, true, kLunarEclipseLimit, &record))
      addPairEvent(list, s, translateString("Next Lunar Eclipse"), record, kPi - record.value,
                   " from Umbra");
    return;
  }
  if (isEarth(body) || body->getParentIndex() != 0) return;
  if (findPairEvent(s.chart, body, sun, true, true, kElongationLimit, &record))
    addPairEvent(list, s,
                 translateString(record.value > kHalfPi ? "Opposition" : "Maximum Elongation"),
                 record, record.value, " from Sun");
  if (findPairEvent(s.chart, body, sun, false, true, kElongationLimit, &record)) {
    const char* label = "Inferior Conjunction";
    if (distanceAtEvent(record) > kOneAU)
      label = "Superior Conjunction";
    else if (sun != nullptr && record.value < body->getAngularRadius() + sun->getAngularRadius())
      label = "Solar Transit";
    addPairEvent(list, s, translateString(label), record, record.value, " from Sun");
  }
}

void addDawnAndDusk(InfoList& list, const BodyInfoSubject& s) {
  struct Crossing {
    const char* label;
    double altitude;  // radians
    int kind;         // -1 rising, 1 setting
  };
  static constexpr Crossing kCrossings[] = {
      {"Astronomic Dawn", -0.3141592653589, -1},  {"Nautical Dawn", -0.20943951023926666, -1},
      {"Civil Dawn", -0.10471975511963333, -1},   {"Civil Dusk", -0.10471975511963333, 1},
      {"Nautical Dusk", -0.20943951023926666, 1}, {"Astronomic Dusk", -0.3141592653589, 1}};
  list.header(translateString("Dawn and Dusk"));
  for (const Crossing& crossing : kCrossings) {
    const double jd = s.chart.objectRiseTransitSet(&s.body, crossing.kind, crossing.altitude);
    char value[kInfoValueSize] = "none";
    if (std::isfinite(jd)) s.chart.formatJulianDate(value, sizeof value, s.chart.timeFormat, jd);
    list.add(translateString(crossing.label), value, jd);
  }
}

void addLunarPhases(InfoList& list, const BodyInfoSubject& s) {
  CSkyChart& chart = s.chart;
  list.header(translateString("Lunar Phases"));
  const double elongation = moonElongation(&chart, &s.body, nullptr, 0);
  char value[kInfoValueSize];
  if (std::isfinite(elongation)) {
    formatMoonPhase(value, sizeof value, elongation, s.sep);
    list.add(translateString("Current Phase"), value);
  }
  char format[3 * CSkyTime::kFormatSize];
  std::snprintf(format, sizeof format, "%s%s%s", chart.dateFormat, s.sep, chart.timeFormat);
  static const char* const kPhases[] = {"Next New Moon", "Next First Quarter", "Next Full Moon",
                                        "Next Last Quarter"};
  const double now = chart.julianDate;
  const double toUT = deltaT(now) / 86400.0;
  for (int phase = 0; phase < 4; ++phase) {
    double jd = lunarPhaseTime(phase, now) - toUT;
    // The theory counts from the mean phase, so the true one can fall a
    // little before the chart's time; that one is over, take the next.
    if (jd < now) jd = lunarPhaseTime(phase, now + 1.0) - toUT;
    value[0] = '\0';
    chart.formatJulianDate(value, sizeof value, format, jd);
    list.add(translateString(kPhases[phase]), value, jd);
  }
}

void addJupiterEvents(InfoList& list, const BodyInfoSubject& s) {
  if (s.body.getType() != kTypePlanet || s.body.getBodyNumber() != kJupiter) return;
  JupiterEvent events[kMostJupiterEvents];
  const double now = s.chart.julianDate;
  const int count = findJupiterEvents(events, kMostJupiterEvents, now, now + kJupiterWindowDays);
  list.header(translateString("Upcoming Events"));
  char format[2 * CSkyTime::kFormatSize + 2];
  std::snprintf(format, sizeof format, "%s\n%s", s.chart.dateFormat, s.chart.timeFormat);
  static const char* const kMoons[] = {"Red Spot ", "Io ", "Europa ", "Ganymede ", "Callisto "};
  static const char* const kKinds[] = {"Transits", "Eclipse ", "Occultation ", "Transit ",
                                       "Shadow Transit "};
  for (int i = 0; i < count; ++i) {
    const JupiterEvent& event = events[i];
    const int kind = event.code & 0xF;
    char label[kInfoValueSize], value[kInfoValueSize] = "";
    InfoText text(label, sizeof label);
    text.append(translateString(event.moon >= 0 && event.moon <= 4 ? kMoons[event.moon]
                                                                   : "Multiple Moon "));
    if (kind < 5) text.append(translateString(kKinds[kind]));
    if (kind != kJupiterRedSpotTransit)
      text.append(translateString((event.code & kJupiterEventEnd) != 0 ? "Ends" : "Begins"));
    s.chart.formatJulianDate(value, sizeof value, format, event.jd);
    list.add(label, value, event.jd);
  }
}
