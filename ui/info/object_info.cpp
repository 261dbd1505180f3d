#include "ui/info/object_info.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "chart/sky_chart.h"
#include "engine/language.h"
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
#include "ui/info/info_sections.h"
#include "ui/info/info_text.h"
#include "ui/info/meteor_shower_info.h"
#include "ui/info/object_status_line.h"
#include "ui/info/star_info.h"
#include "ui/info/surface_feature_info.h"

namespace {

// Most names and most catalogue numbers listed.
constexpr int kMostNames = 16;
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
