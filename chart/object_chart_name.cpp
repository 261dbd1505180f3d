// The name the chart shows for an object.
#include "chart/object_chart_name.h"

#include <cstdint>
#include <cstring>

#include "chart/sky_chart.h"
#include "skydata/catalog_numbers.h"
#include "skydata/constellation.h"
#include "skydata/deep_sky_designations.h"
#include "skydata/deep_sky_object.h"
#include "skydata/planet.h"
#include "skydata/planet_feature.h"
#include "skydata/star.h"

namespace {

int copyText(const char* text, char* buffer, std::size_t size) {
  copyNameText(text != nullptr ? text : "", buffer, size);
  return static_cast<int>(std::strlen(buffer));
}

// A star's or deep-sky object's name: its first proper name when asked for
// and present, else its first designation, else its first name.
int catalogueName(const CStar& star, bool properNames, bool deepSky, char* buffer,
                  std::size_t size, int shortForm) {
  const char* name = nullptr;
  bool hasName = star.getNames(&name, 1) > 0 && name != nullptr && name[0] != '\0';
  if (properNames && hasName) return copyText(name, buffer, size);
  std::int64_t number = 0;
  if (star.getCatalogNumbers(&number, 1) > 0 && number != 0) {
    char text[256];
    if (deepSky)
      formatDeepSkyCatalogNumber(number, text, sizeof text, shortForm);
    else
      formatStarCatalogNumber(number, text, sizeof text, shortForm);
    if (text[0] != '\0') return copyText(text, buffer, size);
  }
  if (hasName) return copyText(name, buffer, size);
  return 0;
}

}  // namespace

int getObjectChartName(const CSkyChart* chart, const CSkyObject* object, char* buffer,
                       std::size_t size, int shortForm) {
  if (chart == nullptr || object == nullptr || buffer == nullptr || size == 0) return 0;
  if (dynamic_cast<const CPlanet*>(object) != nullptr ||
      dynamic_cast<const CPlanetFeature*>(object) != nullptr) {
    object->getName(buffer, size);
    return static_cast<int>(std::strlen(buffer));
  }
  if (const auto* constellation = dynamic_cast<const CConstellation*>(object)) {
    if (chart->showConstellationAbbreviations)
      return copyText(constellation->getAbbreviation(), buffer, size);
    return copyText(constellation->getNameString().c_str(), buffer, size);
  }
  if (const auto* deepSky = dynamic_cast<const CDeepSkyObject*>(object))
    return catalogueName(*deepSky, chart->showDeepSkyProperNames, true, buffer, size, shortForm);
  if (const auto* star = dynamic_cast<const CStar*>(object))
    return catalogueName(*star, chart->showStarProperNames, false, buffer, size, shortForm);
  if (const auto* shower = dynamic_cast<const CMeteorShower*>(object)) {
    if (chart->showConstellationAbbreviations)
      return copyText(shower->getAbbreviation(), buffer, size);
    return copyText(shower->getNameString().c_str(), buffer, size);
  }
  return 0;
}
