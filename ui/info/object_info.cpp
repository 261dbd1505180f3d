#include "ui/info/object_info.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "chart/object_chart_name.h"
#include "chart/object_rise_set.h"
#include "chart/sky_chart.h"
#include "engine/angle_text.h"
#include "engine/angles.h"
#include "engine/language.h"
#include "engine/vectors.h"
#include "skydata/bayer_letters.h"
#include "skydata/catalog_numbers.h"
#include "skydata/constellation.h"
#include "skydata/object_factory.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/planet_feature.h"
#include "skydata/sky_database.h"
#include "skydata/star.h"
#include "ui/info/general_object_info.h"
#include "ui/info/info_coordinates.h"
#include "ui/info/info_list.h"
#include "ui/info/info_text.h"
#include "ui/info/meteor_shower_info.h"
#include "ui/info/object_status_line.h"
#include "ui/info/star_info.h"
#include "ui/info/surface_feature_info.h"

namespace {

// Most names and most catalogue numbers listed.
constexpr int kMostNames = 16;
// A horizon further than this from the geometric one (radians, 0.05°) is
// named in the rise and set labels.
constexpr double kNamedHorizon = 0.0008726646259969445;

void addStarNames(InfoList& list, const CStar& star, const char* sep) {
  char buffer[kInfoValueSize];
  InfoText text(buffer, sizeof buffer);
  const char* names[kMostNames];
  const int nameCount = std::min(star.getNames(names, kMostNames), kMostNames);
  for (int i = 0; i < nameCount; ++i) text.join(sep, names[i]);
  if (nameCount > 0)
    list.add(translateString(nameCount == 1 ? "Name" : "Names"), text.c_str());

  std::int64_t numbers[kMostNames];
  const int numberCount = std::min(star.getCatalogNumbers(numbers, kMostNames), kMostNames);
  text = InfoText(buffer, sizeof buffer);
  for (int i = 0; i < numberCount; ++i) {
    char designation[kInfoValueSize];
    text.join(sep, formatCatalogNumber(numbers[i], designation, sizeof designation, i > 0));
  }
  if (numberCount > 0)
    list.add(translateString(numberCount == 1 ? "Catalog Number" : "Catalog Numbers"),
             text.c_str());
}

void addIdentification(InfoList& list, CSkyChart& chart, CSkyObject& object, const char* sep) {
  char value[kInfoValueSize];
  list.header(translateString("Basic Information"));
  if (const CStar* star = asStar(&object))
    addStarNames(list, *star, sep);
  else
    list.add(translateString("Name"), object.getName(value, sizeof value));
  objectStatusLine(&chart, &object, value, sizeof value, 0, 0, 0, 0);
  list.add(translateString("Description"), value);
  if (object.getType() == kTypeConstellation) {
    const CConstellation* constellation = asConstellation(&object);
    list.add(translateString("Abbreviation"), constellation->getAbbreviation());
    list.add(translateString("Genitive"), constellation->getGenitive());
  }
}

// Rise, transit and set, each with its date.
void addVisibility(InfoList& list, CSkyChart& chart, CSkyObject& object) {
  list.header(translateString("Visibility"));
  const double h = chart.horizonAltitude;
  const bool namedHorizon = std::fabs(h) > kNamedHorizon;
  char riseLabel[kInfoValueSize], setLabel[kInfoValueSize];
  if (namedHorizon) {
    translatedSnprintf(riseLabel, sizeof riseLabel, "Rises above %.1f°",
                       h * kDegreesPerRadianPrecise);
    translatedSnprintf(setLabel, sizeof setLabel, "Sets below %.1f°",
                       h * kDegreesPerRadianPrecise);
  } else {
    translateStringCopy(riseLabel, "Rises", sizeof riseLabel);
    translateStringCopy(setLabel, "Sets", sizeof setLabel);
  }
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

// Stars, deep-sky objects, constellations and asterisms.
int describeFixedObject(CSkyChart& chart, CSkyObject& object, InfoList& list, const char* sep,
                        bool shortList) {
  double direction[3];
  currentDirection(chart, object, direction);
  addIdentification(list, chart, object, sep);
  const CStar* star = asStar(&object);
  std::optional<StarInfoSubject> subject;
  if (star != nullptr)
    subject.emplace(chart, *star, object.getMagnitude(), object.getDistance(), sep);
  if (subject) {
    addStarMagnitude(list, *subject);
    addDoubleStarSeparation(list, *subject);
    addApparentSize(list, *subject);
  }
  addDistance(list, object.getDistance(), sep);
  if (!chart.isSpaceView()) addVisibility(list, chart, object);
  addCoordinates(list, chart, direction, sep, shortList);
  if (!shortList) {
    if (subject) addApparentMotion(list, *subject);
    addAngularSeparations(list, chart, direction, sep);
  }
  if (subject) addComponents(list, *subject);
  if (object.getType() != kTypeSupernova)
    list.header(translateString("Physical Parameters"));
  if (subject) {
    addPhysicalParameters(list, *subject);
    addVariability(list, *subject);
    addBinaryOrbit(list, *subject);
  }
  return list.count();
}

}  // namespace

int getObjectInfo(CSkyChart* chart, CSkyObject* object, SkyObjectInfoString* items, int maxItems,
                  int multiline, int visiblePassesOnly) {
  if (chart == nullptr || object == nullptr) return 0;
  if (CMeteorShower* shower = asMeteorShower(object))
    return getMeteorShowerInfo(chart, shower, items, maxItems, multiline, visiblePassesOnly);
  if (CPlanet* body = asPlanet(object))
    return getGeneralObjectInfo(chart, body, items, maxItems, multiline, visiblePassesOnly);
  if (CPlanetFeature* feature = asPlanetFeature(object))
    return getSurfaceFeatureInfo(chart, feature, items, maxItems);
  InfoList list(items, maxItems);
  return describeFixedObject(*chart, *object, list, multiline ? "\n" : ", ",
                             visiblePassesOnly != 0);
}
