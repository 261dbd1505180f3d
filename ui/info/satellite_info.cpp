#include "ui/info/satellite_info.h"

#include <cmath>
#include <cstdio>

#include "chart/sky_chart.h"
#include "engine/angles.h"
#include "engine/astronomical_constants.h"
#include "engine/language.h"
#include "engine/sgp4.h"
#include "skydata/constellation.h"
#include "skydata/constellation_tables.h"
#include "skydata/object_factory.h"
#include "skydata/satellite.h"
#include "skydata/satellite_codes.h"
#include "skydata/satellite_frequencies.h"
#include "skydata/sky_database.h"
#include "ui/info/apparent_rates.h"
#include "ui/info/info_coordinates.h"
#include "ui/info/info_list.h"
#include "ui/info/info_sections.h"
#include "ui/info/info_text.h"
#include "ui/info/period_text.h"
#include "ui/info/satellite_categories.h"
#include "ui/info/satellite_passes.h"

namespace {

constexpr double kMilesPerKm = 0.621371192;
constexpr double kDaysPerSecond = 1.1574074074074073e-05;
// The Earth's equatorial radius the perigee and apogee heights count from.
constexpr double kEarthRadiusKm = 6378.135;
constexpr int kCategorySlots = 4;
constexpr int kMostFrequencyRows = 8;

struct Subject {
  CSkyChart& chart;
  CPlanet& body;
  CSatellite* satellite;  // null when the body is not one
  const char* sep;
};

// "%.0f km\n%.0f mi" (the line break is fixed).
void addKilometres(InfoList& list, const char* label, double km) {
  char value[kInfoValueSize];
  translatedSnprintf(value, sizeof value, "%.0f km\n%.0f mi", km, km * kMilesPerKm);
  list.add(translateString(label), value);
}

// A code through its table, or the code itself when the table has no name.
void addCodeRow(InfoList& list, const char* label, const char* code, int row,
                const char* (*name)(int)) {
  if (code[0] == '\0') return;
  const char* text = name(row);
  list.add(translateString(label), text[0] != '\0' ? text : code);
}

// Every place and pass on the page is only as good as the element set,
// and old elements drift by kilometres a day: its epoch stands among the
// first rows, where it is read without scrolling.
void addElementEpoch(InfoList& list, const Subject& s) {
  char value[kInfoValueSize], date[kInfoValueSize] = "", time[kInfoValueSize] = "";
  const double epoch = s.body.getElementEpoch();
  formatJulianDateUTC(date, sizeof date, s.chart.dateFormat, epoch);
  formatJulianDateUTC(time, sizeof time, s.chart.timeFormat, epoch);
  translatedSnprintf(value, sizeof value, "%s%s%s UTC", date, s.sep, time);
  list.add(translateString("Orbit Epoch"), value);
}

void addIdentity(InfoList& list, const Subject& s) {
  char value[kInfoValueSize];
  list.header(translateString("Basic Information"));
  InfoText names(value, sizeof value);
  for (int i = 1; i < s.body.getNameCount(); ++i)
    if (s.body.getNameAt(i)[0] != '\0') names.join(s.sep, s.body.getNameAt(i));
  if (!names.empty()) list.add(translateString("Name(s)"), value);
  if (s.body.getBodyNumber() != 0) {
    std::snprintf(value, sizeof value, "%u", s.body.getBodyNumber());
    list.add(translateString("NORAD Number"), value);
  }
  if (s.body.getNameAt(0)[0] != '\0') list.add(translateString("Designation"), s.body.getNameAt(0));
  addElementEpoch(list, s);

  InfoText categories(value, sizeof value);
  int count = 0;
  for (int i = 0; s.satellite != nullptr && i < kCategorySlots; ++i) {
    const int code = s.satellite->getCategory(i);
    if (code == 0) continue;
    categories.join(s.sep, translateString(satelliteCategoryName(code)));
    ++count;
  }
  if (count == 0) categories.append(translateString(satelliteCategoryName(0)));
  list.add(translateString(count > 1 ? "Categories" : "Category"), value);

  if (s.satellite == nullptr) return;
  if (s.satellite->getLaunchDate() > 0) {
    value[0] = '\0';
    formatJulianDateUTC(value, sizeof value, "%Y %b %d", s.satellite->getLaunchDate());
    list.add(translateString("Launch Date"), value);
  }
  char site[6], owner[5];
  s.satellite->getLaunchSite(site);
  s.satellite->getOwner(owner);
  addCodeRow(list, "Launch Site", site, launchSiteIndex(site), launchSiteName);
  addCodeRow(list, "Source/Country", owner, satelliteOwnerIndex(owner), satelliteOwnerName);
}

void addPlace(InfoList& list, const Subject& s) {
  char value[kInfoValueSize];
  addBodyMagnitude(list, s.body.getMagnitude(), "Eclipsed");
  addKilometres(list, "Distance", s.body.getDistance() * kAstronomicalUnitKm);

  list.header(translateString("Position and Velocity"));
  double position[3], velocity[3], longitude, latitude, height;
  if (s.satellite != nullptr)
    s.chart.computeSatellitePosition(s.satellite, position, velocity, s.chart.dynamicalJulianDate);
  else
    position[0] = position[1] = position[2] = velocity[0] = velocity[1] = velocity[2] = NAN;
  // The Earth-fixed frame of the chart's time (sidereal time, precession and
  // nutation), in which the satellite's ground point lies.
  s.chart.vectorToGeographic(position, &longitude, &latitude, &height);
  s.chart.formatLongitude(value, sizeof value, longitude);
  list.add(translateString("Longitude"), value);
  s.chart.formatLatitude(value, sizeof value, latitude);
  list.add(translateString("Latitude"), value);
  addKilometres(list, "Altitude", height * kAstronomicalUnitKm);
  const double speed =
      std::sqrt(velocity[0] * velocity[0] + velocity[1] * velocity[1] + velocity[2] * velocity[2]) *
      kAstronomicalUnitKm / 86400.0;
  translatedSnprintf(value, sizeof value, "%.3f km/sec\n%.3f mi/sec", speed, speed * kMilesPerKm);
  list.add(translateString("Velocity"), value);
}

void addCoordinateRows(InfoList& list, const Subject& s, const double direction[3],
                       bool shortList) {
  list.header(translateString("Celestial Coordinates"));
  if (!s.chart.isSpaceView()) addHorizonRows(list, s.chart, direction, s.sep, "Elevation");
  addEquatorialRows(list, s.chart, direction, shortList);
  const CConstellation* constellation =
      s.chart.database != nullptr
          ? s.chart.database->findConstellationByNumber(constellationAtPosition(direction))
          : nullptr;
  if (constellation != nullptr)
    list.add(translateString("Constellation"), constellation->getNameString().c_str());
}

void addMotion(InfoList& list, const Subject& s) {
  const ApparentRates rates = apparentRates(s.chart, s.body);
  // Per second.
  const double ra = rates.raRate * kDaysPerSecond, dec = rates.decRate * kDaysPerSecond;
  list.header(translateString("Apparent Motion"));
  char label[kInfoValueSize], value[kInfoValueSize];
  translatedSnprintf(value, sizeof value, "%+.4f h/sec", ra * kHoursPerRadianPrecise);
  list.add(epochLabel(label, sizeof label, "R.A. (%.1f)", s.chart), value);
  translatedSnprintf(value, sizeof value, "%+.3f °/sec", dec * kDegreesPerRadianPrecise);
  list.add(epochLabel(label, sizeof label, "Dec. (%.1f)", s.chart), value);
  const double east = ra * std::cos(rates.declination);
  translatedSnprintf(value, sizeof value, "%.3f °/sec @ %.1f°",
                     std::hypot(east, dec) * kDegreesPerRadianPrecise,
                     positiveAtan2(east, dec) * kDegreesPerRadianPrecise);
  list.add(epochLabel(label, sizeof label, "Total (%.1f)", s.chart), value);
  const double radialKm = rates.radialRate * kDaysPerSecond * kAstronomicalUnitKm;
  translatedSnprintf(value, sizeof value, "%+.3f km/sec\n%+.3f mi/sec", radialKm,
                     radialKm * kMilesPerKm);
  list.add(translateString("Radial Velocity"), value);
  if (s.chart.isSpaceView()) return;
  translatedSnprintf(value, sizeof value, "%+.3f °/sec",
                     rates.azimuthRate * kDegreesPerRadianPrecise / 86400.0);
  list.add(translateString("Azimuth"), value);
  translatedSnprintf(value, sizeof value, "%+.3f °/sec",
                     rates.altitudeRate * kDegreesPerRadianPrecise / 86400.0);
  list.add(translateString("Elevation"), value);
}

void addOrbit(InfoList& list, const Subject& s) {
  char value[kInfoValueSize];
  list.header(translateString("Orbital Parameters"));
  const double period = s.body.getOrbitalPeriod();
  if (std::isfinite(period)) {
    const PeriodParts p = splitPeriod(period);
    if (period < 1.0)
      translatedSnprintf(value, sizeof value, "%02hdh %02hdm %02.0fs", p.hours, p.minutes,
                         p.seconds);
    else
      translatedSnprintf(value, sizeof value, "%.0fd %02hdh %02hdm %02.0fs", p.days, p.hours,
                         p.minutes, p.seconds);
  } else {
    translateStringCopy(value, "infinite", sizeof value);
  }
  list.add(translateString("Orbital Period"), value);
  addKilometres(list, "Semimajor Axis", s.body.getSemimajorAxis() * kAstronomicalUnitKm);
  addKilometres(list, "Perigee",
                s.body.getPerihelionDistance() * kAstronomicalUnitKm - kEarthRadiusKm);
  addKilometres(list, "Apogee",
                s.body.getAphelionDistance() * kAstronomicalUnitKm - kEarthRadiusKm);
  translatedSnprintf(value, sizeof value, "%.6f", s.body.getEccentricity());
  list.add(translateString("Eccentricity"), value);
  translatedSnprintf(value, sizeof value, "%.6f°",
                     s.body.getInclination() * kDegreesPerRadianPrecise);
  list.add(translateString("Inclination"), value);
}

void addFrequencies(InfoList& list, const Subject& s) {
  SatelliteFrequency rows[kMostFrequencyRows];
  const int count =
      findSatelliteFrequencies(static_cast<int>(s.body.getBodyNumber()), rows, kMostFrequencyRows);
  char value[kInfoValueSize];
  for (int i = 0; i < count; ++i) {
    list.header(translateString("Radio Frequency Data"));
    const auto present = [](const char* text) { return text != nullptr && text[0] != '\0'; };
    const struct {
      const char* label;
      const char* text;
      bool megahertz;
    } fields[] = {{"Uplink", rows[i].uplink, true},       {"Downlink", rows[i].downlink, true},
                  {"Beacon", rows[i].beacon, true},       {"Mode", rows[i].mode, false},
                  {"Call Sign", rows[i].callSign, false}, {"Status", rows[i].status, false}};
    for (const auto& field : fields) {
      if (!present(field.text)) continue;
      if (field.megahertz)
        translatedSnprintf(value, sizeof value, "%s MHz", field.text);
      else
        std::snprintf(value, sizeof value, "%s", field.text);
      list.add(translateString(field.label), value);
    }
  }
}

// Why the model gives the satellite no place at the chart's time, in the
// model's own terms put plainly; 0 when it gives one.
int modelRefusal(const Subject& s) {
  if (s.satellite == nullptr) return kSatelliteModelOK;
  double position[3], velocity[3];
  return s.chart.computeSatellitePosition(s.satellite, position, velocity,
                                          s.chart.dynamicalJulianDate);
}

const char* refusalText(int error) {
  switch (error) {
    case kSatelliteMeanMotionNotPositive:
      return "Its elements describe an orbit that can no longer be computed: their mean motion "
             "is not positive.";
    case kSatellitePerturbedEccentricityOutOfRange:
      return "Its elements describe an orbit that can no longer be computed: the pull of the Sun "
             "and the Moon takes its eccentricity out of range.";
    case kSatelliteSemiLatusRectumNegative:
      return "Its elements describe an orbit that can no longer be computed: the orbit has no "
             "valid shape at this time.";
    case kSatelliteDecayed:
      return "Its elements describe an orbit that can no longer be computed: it would be below "
             "the Earth's surface, so the satellite has decayed.";
    default:
      return "Its elements describe an orbit that can no longer be computed: drag has taken its "
             "eccentricity out of range, so the satellite has most likely decayed.";
  }
}

}  // namespace

int getSatelliteInfo(CSkyChart* chart, CPlanet* satellite, SkyObjectInfoString* items, int maxItems,
                     int multiline, int visiblePassesOnly) {
  if (chart == nullptr || satellite == nullptr) return 0;
  InfoList list(items, maxItems);
  const Subject subject{*chart, *satellite, asSatellite(satellite), multiline ? "\n" : ", "};
  const bool shortList = visiblePassesOnly != 0;
  addIdentity(list, subject);
  // Without a place there is nothing to show of it, nor passes to look for;
  // the page says why, and what the elements were.
  if (const int refusal = modelRefusal(subject)) {
    list.add(translateString("Position"), translateString(refusalText(refusal)));
    addOrbit(list, subject);
    addFrequencies(list, subject);
    return list.count();
  }
  double direction[3];
  currentDirection(*chart, *satellite, direction);
  addPlace(list, subject);
  addCoordinateRows(list, subject, direction, shortList);
  if (!shortList) {
    addMotion(list, subject);
    addAngularSeparations(list, *chart, direction, subject.sep);
  }
  addOrbit(list, subject);
  addFrequencies(list, subject);
  if (!chart->isSpaceView())
    addPassRows(list, *chart, satellitePasses(*chart, *satellite), subject.sep, shortList);
  return list.count();
}
