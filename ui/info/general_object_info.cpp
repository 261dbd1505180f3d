#include "ui/info/general_object_info.h"

#include <cmath>
#include <cstdio>

#include "chart/sky_chart.h"
#include "engine/precession.h"
#include "engine/language.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "ui/info/body_info.h"
#include "ui/info/info_coordinates.h"
#include "ui/info/info_list.h"
#include "ui/info/info_sections.h"
#include "ui/info/object_status_line.h"
#include "ui/info/satellite_info.h"
#include "ui/info/star_info.h"

namespace {

constexpr double kArcminutesPerRadian = 3437.7467707858073;
constexpr double kOneArcminute = 0.0002908882086656481;  // radians
constexpr int kMoonBody = 301;

void addName(InfoList& list, const CPlanet& body) {
  char value[kInfoValueSize];
  list.add(translateString("Name"), body.getName(value, sizeof value));
  long number = body.getBodyNumber();
  if (body.getType() == kTypeMoon) number = body.getBodyNumber() == kMoonBody ? 0 : number % 100;
  if (number != 0) {
    std::snprintf(value, sizeof value, "%ld", number);
    list.add(translateString("Number"), value);
  }
}

void addMagnitudeAndSize(InfoList& list, const BodyInfoSubject& s) {
  addBodyMagnitude(list, s.body.getMagnitude(),
                   s.body.getType() == kTypeMoon ? "Eclipsed" : "unknown");
  char value[kInfoValueSize];

  const double diameter = s.body.getAngularDiameter();
  if (!std::isfinite(diameter)) return;
  const double lit = s.body.getIlluminatedFraction() * 100.0;
  if (diameter > kOneArcminute)
    translatedSnprintf(value, sizeof value, "%.1f arcmin%s%.1f%% illuminated",
                       diameter * kArcminutesPerRadian, s.sep, lit);
  else
    translatedSnprintf(value, sizeof value, "%.1f arcsec%s%.1f%% illuminated",
                       diameter * kArcsecondsPerRadian, s.sep, lit);
  list.add(translateString("Apparent Size"), value);
}

}  // namespace

int getGeneralObjectInfo(CSkyChart* chart, CPlanet* object, SkyObjectInfoString* items,
                         int maxItems, int multiline, int visiblePassesOnly) {
  if (chart == nullptr || object == nullptr) return 0;
  if (object->getType() == kTypeSatellite)
    return getSatelliteInfo(chart, object, items, maxItems, multiline, visiblePassesOnly);

  InfoList list(items, maxItems);
  const BodyInfoSubject subject{*chart, *object, multiline ? "\n" : ", ", visiblePassesOnly != 0};
  const bool ground = !chart->isSpaceView();
  double direction[3];
  currentDirection(*chart, *object, direction);

  list.header(translateString("Basic Information"));
  addName(list, *object);
  char value[kInfoValueSize];
  objectStatusLine(chart, object, value, sizeof value, 0, 0, 0, 0);
  list.add(translateString("Description"), value);
  addMagnitudeAndSize(list, subject);
  addDistanceAU(list, object->getDistance(), subject.sep);

  if (ground) {
    addVisibility(list, *chart, *object);
    addBodyEvents(list, subject);
    if (isSun(object)) addDawnAndDusk(list, subject);
    if (object->getType() == kTypeMoon && object->getBodyNumber() == kMoonBody)
      addLunarPhases(list, subject);
    if (!subject.shortList) addJupiterEvents(list, subject);
  }
  addCoordinates(list, *chart, direction, subject.sep, subject.shortList);
  if (!subject.shortList) {
    addBodyMotion(list, subject);
    addAngularSeparations(list, *chart, direction, subject.sep);
    addPhysicalEphemeris(list, subject);
  }
  addBodyPhysics(list, subject);
  if (!isSun(object)) addBodyOrbit(list, subject);
  return list.count();
}
