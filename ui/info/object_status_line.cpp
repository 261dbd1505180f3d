#include "ui/info/object_status_line.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "chart/object_rise_set.h"
#include "chart/sky_chart.h"
#include "engine/angle_text.h"
#include "engine/angles.h"
#include "engine/language.h"
#include "mechanics/event_search.h"
#include "skydata/constellation.h"
#include "skydata/constellation_tables.h"
#include "skydata/object_factory.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/planet_feature.h"
#include "skydata/sky_database.h"
#include "ui/info/info_coordinates.h"
#include "ui/info/info_items.h"
#include "ui/info/info_text.h"

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// Room of one formatted time.
constexpr std::size_t kTimeSize = 32;

bool isSolarSystemType(int type) { return type >= kTypePlanet && type <= kTypeSpacecraft; }

// The constellation containing the direction, as its abbreviation or name;
// the empty text when none is found.
void constellationText(const CSkyChart& chart, const double direction[3], bool abbreviation,
                       char* out, std::size_t size) {
  out[0] = '\0';
  const CConstellation* constellation =
      chart.database != nullptr
          ? chart.database->findConstellationByNumber(constellationAtPosition(direction))
          : nullptr;
  if (constellation == nullptr) return;
  if (abbreviation)
    copyNameText(constellation->getAbbreviation(), out, size);
  else
    constellation->getName(out, size);
}

// The class and place of the object (steps after the magnitude).
void appendClassAndPlace(InfoText& text, CSkyChart& chart, CSkyObject* object,
                         const char* constellation) {
  const int type = object->getType();
  CSkyDatabase* database = chart.database;
  if (type == kTypeConstellation) {
    text.append(asConstellation(object)->getCommonName());
  } else if (const CPlanetFeature* feature = asPlanetFeature(object)) {
    const CPlanet* body = database != nullptr ? database->getFeatureParent(feature) : nullptr;
    if (body != nullptr)
      text.format("%s on %s", objectTypeName(type), body->getName(nullptr, 0));
  } else if (CPlanet* body = asPlanet(object)) {
    const char* word = isSun(body)           ? objectTypeName(kTypeStar)
                       : isDwarfPlanet(body) ? translateString("Dwarf Planet")
                                             : objectTypeName(type);
    text.append(word);
    const CPlanet* parent = database != nullptr ? database->getParentPlanet(body) : nullptr;
    if (type == kTypeMoon && parent != nullptr && parent != body)
      text.format(" of %s", parent->getName(nullptr, 0));
    text.format(" in %s", constellation);
  } else {
    // Stars, deep-sky objects, asterisms and meteor showers.
    text.format("%s in %s", objectTypeName(type), constellation);
  }
}

// The next rise and set of the object: a satellite's first pass within a
// day above the horizon the eye sees, else rise and set at the chart's
// horizon. +infinity for what does not happen.
void nextRiseAndSet(CSkyChart& chart, CSkyObject* object, double* rise, double* set) {
  *rise = *set = kInfinity;
  if (CPlanet* satellite = object->getType() == kTypeSatellite ? asPlanet(object) : nullptr) {
    PassRecord pass;
    if (findObjectPasses(chart, satellite, &pass, 1, chart.julianDate, chart.julianDate + 1.0,
                         trueHorizonAltitude(chart)) == 1) {
      *rise = pass[kPassRise];
      *set = pass[kPassSet];
    }
    return;
  }
  *rise = objectRiseSetTime(&chart, object, -1);
  *set = objectRiseSetTime(&chart, object, 1);
}

void appendRiseAndSet(InfoText& text, CSkyChart& chart, CSkyObject* object, double altitude) {
  double rise, set;
  nextRiseAndSet(chart, object, &rise, &set);
  char riseText[kTimeSize] = "", setText[kTimeSize] = "";
  if (std::isfinite(rise)) chart.formatJulianDate(riseText, kTimeSize, chart.timeFormat, rise);
  if (std::isfinite(set)) chart.formatJulianDate(setText, kTimeSize, chart.timeFormat, set);
  if (std::isfinite(rise) && !std::isfinite(set))
    text.format("\nRises %s  Sets tomorrow", riseText);
  else if (std::isfinite(rise))
    text.format("\nRises %s  Sets %s", riseText, setText);
  else if (std::isfinite(set))
    text.format("\nRose yesterday  Sets %s", setText);
  else
    text.append(altitude > chart.horizonAltitude ? "\nAlways above horizon"
                                                 : "\nAlways below horizon");
}

}  // namespace

int objectStatusLine(CSkyChart* chart, CSkyObject* object, char* buffer, std::size_t size,
                     int showMagnitude, int useAbbreviation, int showRiseSet, int showAltitude) {
  InfoText text(buffer, size);
  if (chart == nullptr || object == nullptr) return 0;

  double direction[3];
  currentDirection(*chart, *object, direction);

  const int type = object->getType();
  if (showMagnitude && (asStar(object) != nullptr || isSolarSystemType(type))) {
    CPlanet* body = asPlanet(object);
    if (body != nullptr && chart->eclipseFraction(body) != 0)
      text.format("Eclipsed ");
    else if (std::isfinite(object->getMagnitude()))
      text.format("Mag %.1f ", object->getMagnitude());
  }
  char constellation[kInfoValueSize] = "";
  if (type != kTypeConstellation)
    constellationText(*chart, direction, useAbbreviation != 0, constellation,
                      sizeof constellation);
  appendClassAndPlace(text, *chart, object, constellation);

  if (chart->isSpaceView()) return 1;

  double horizon[3];
  chart->fundamentalToHorizon(direction, horizon);
  const double altitude =
      apparentAltitude(*chart, std::asin(std::clamp(horizon[2], -1.0, 1.0)));
  if (showAltitude) text.format(" at %+.1f°", roundedZeroWithoutSign(altitude * kDegreesPerRadianPrecise, 1));
  if (showRiseSet) appendRiseAndSet(text, *chart, object, altitude);
  return altitude >= chart->horizonAltitude ? 1 : 0;
}

int objectStatusLineForID(CSkyChart* chart, const SkyObjectID& id, char* buffer,
                          std::size_t size, int showMagnitude, int useAbbreviation,
                          int showRiseSet, int showAltitude) {
  if (chart == nullptr || chart->database == nullptr) return 0;
  SkyObjectID reference = id;
  ScopedSkyObject object(chart->database->getObject(&reference));
  if (!object) return 0;
  return objectStatusLine(chart, object.get(), buffer, size, showMagnitude, useAbbreviation,
                          showRiseSet, showAltitude);
}
