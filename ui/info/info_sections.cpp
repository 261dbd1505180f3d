#include "ui/info/info_sections.h"

#include <cmath>

#include "chart/object_chart_name.h"
#include "chart/object_rise_set.h"
#include "chart/sky_chart.h"
#include "engine/angle_text.h"
#include "engine/angles.h"
#include "engine/language.h"
#include "engine/vectors.h"
#include "skydata/bayer_letters.h"
#include "skydata/object_factory.h"
#include "skydata/planet.h"
#include "skydata/sky_database.h"
#include "ui/info/info_coordinates.h"
#include "ui/info/info_list.h"
#include "ui/info/info_text.h"

namespace {

// A horizon further than this from the geometric one (radians, 0.05°) is
// named in the rise and set labels.
constexpr double kNamedHorizon = 0.0008726646259969445;

// One "From ..." row: the separation of the object from another direction
// and the object's position angle seen from there, both in the equator of
// the chart's epoch.
void addSeparationRow(InfoList& list, const CSkyChart& chart, const char* label,
                      const double object[3], const double other[3], const char* sep) {
  double a[3], b[3];
  chart.fundamentalToEquatorial(object, a);
  chart.fundamentalToEquatorial(other, b);
  char angle[kInfoValueSize], value[kInfoValueSize];
  chart.formatAzimuth(angle, sizeof angle, vectorSeparation(a, b));
  InfoText text(value, sizeof value);
  text.append(angle);
  text.format("%s@ %.1f°", sep, positionAngle(b, a) * kDegreesPerRadianPrecise);
  list.add(label, value);
}

void addHourAngle(InfoList& list, const CSkyChart& chart, const double direction[3]) {
  double equatorial[3], ra;
  chart.fundamentalToEquatorial(direction, equatorial);
  vectorToSpherical(equatorial, &ra, nullptr, nullptr);
  char value[kInfoValueSize];
  // Hours with minutes and seconds and a direction letter.
  constexpr int kHourAngleFormat = 11;
  formatAngleHours(kHourAngleFormat, value, sizeof value,
                   normalizeRadiansSigned(ra - chart.localSiderealTime));
  list.add(translateString("Hour Angle"), value);
}

}  // namespace

void addBodyMagnitude(InfoList& list, double magnitude, const char* whenNone) {
  char value[kInfoValueSize];
  if (std::isfinite(magnitude))
    translatedSnprintf(value, sizeof value, "%+.1f", magnitude);
  else
    translateStringCopy(value, whenNone, sizeof value);
  list.add(translateString("Visual Magnitude"), value);
}

void riseSetLabels(const CSkyChart& chart, char* rise, char* set, std::size_t size) {
  const double h = chart.horizonAltitude;
  if (std::fabs(h) > kNamedHorizon) {
    translatedSnprintf(rise, size, "Rises above %.1f°", h * kDegreesPerRadianPrecise);
    translatedSnprintf(set, size, "Sets below %.1f°", h * kDegreesPerRadianPrecise);
  } else {
    translateStringCopy(rise, "Rises", size);
    translateStringCopy(set, "Sets", size);
  }
}

// Rise, transit and set, each with its date.
void addVisibility(InfoList& list, CSkyChart& chart, CSkyObject& object) {
  list.header(translateString("Visibility"));
  char riseLabel[kInfoValueSize], setLabel[kInfoValueSize];
  riseSetLabels(chart, riseLabel, setLabel, kInfoValueSize);
  struct Event {
    int mode;
    const char* label;
    const char* none;
  };
  const Event events[] = {{-1, riseLabel, "does not rise"},
                          {0, translateString("Transits"), "does not transit"},
                          {1, setLabel, "does not set"}};
  for (const Event& event : events) {
    const double jd = objectRiseSetTime(&chart, &object, event.mode);
    char value[kInfoValueSize];
    translateStringCopy(value, event.none, sizeof value);
    if (std::isfinite(jd)) chart.formatJulianDate(value, sizeof value, chart.timeFormat, jd);
    list.add(event.label, value, jd);
  }
}

void addAngularSeparations(InfoList& list, CSkyChart& chart, const double direction[3],
                           const char* sep) {
  list.header(translateString("Angular Separation"));
  CSkyDatabase* database = chart.database;
  double other[3];
  CPlanet* sun = database != nullptr ? database->getSun() : nullptr;
  if (sun != nullptr) {
    currentDirection(chart, *sun, other);
    addSeparationRow(list, chart, translateString("From Sun"), direction, other, sep);
  }
  SkyObjectID previousID = chart.previousSelectedObjectID;
  ScopedSkyObject previous(database != nullptr && !CSkyDatabase::isInvalidSkyObjectID(&previousID)
                               ? database->getObject(&previousID)
                               : nullptr);
  if (previous && !isSun(previous.get())) {
    char name[kInfoValueSize] = "";
    getObjectChartName(&chart, previous.get(), name, sizeof name, 1);
    expandBayerLetter(name, sizeof name);
    char label[kInfoValueSize];
    translatedSnprintf(label, sizeof label, "From %s", name);
    chart.updateObjectPosition(previous.get());
    previous->getPosition(other);
    addSeparationRow(list, chart, label, direction, other, sep);
  }
  chart.getDisplayCenterVector(other);
  addSeparationRow(list, chart, translateString("From Chart Center"), direction, other, sep);
}

void addCoordinates(InfoList& list, CSkyChart& chart, const double direction[3], const char* sep,
                    bool shortList) {
  list.header(translateString("Celestial Coordinates"));
  const bool ground = !chart.isSpaceView();
  if (ground) addHorizonRows(list, chart, direction, sep);
  if (ground && !shortList) addHourAngle(list, chart, direction);
  addEquatorialRows(list, chart, direction, shortList);
  if (!shortList) addEclipticGalacticRows(list, chart, direction);
}
