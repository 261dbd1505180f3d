#include "ui/info/description_page.h"

#include <climits>
#include <cmath>

#include "chart/object_chart_name.h"
#include "chart/sky_chart.h"
#include "engine/body_table.h"
#include "skydata/constellation_tables.h"
#include "skydata/object_factory.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/planet_feature.h"
#include "skydata/sky_database.h"
#include "ui/info/description_sections.h"
#include "ui/info/info_items.h"
#include "ui/info/page_text.h"

namespace {

constexpr const char* kEnding = "</p></body></html>";
constexpr int kPopulatedPlace = 100;

const char* orEmpty(const char* text) { return text != nullptr ? text : ""; }

// Fits an int: finite and within its range.
bool wholeNumber(double x) { return std::isfinite(x) && std::fabs(x) < INT_MAX; }

void writeHead(PageText& page, const std::string& name) {
  page.raw("<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n");
  page.raw("<html><head><meta name=\"viewport\" content=\"initial-scale=1.0\">\n");
  page.raw("<link id=\"cssfile\" rel=\"stylesheet\" type=\"text/css\" href=\"Onyx.css\">\n");
  page.raw(
      "<script type=\"text/javascript\">cssparam=location.href.split(\"cssfile=\")[1];"
      "if(cssparam)document.getElementById('cssfile').href=cssparam;</script>\n");
  page.raw("<title>");
  page.raw(name);
  page.raw("</title></head><body><h1>");
  page.raw(name);
  page.raw("</h1><p>");
}

void describeFeature(PageText& page, const DescriptionSubject& s, const CPlanetFeature& feature) {
  const int type = feature.getFeatureType();
  const std::string typeName = escapeHTML(orEmpty(surfaceFeatureTypeName(type)));
  const double size = feature.getDiameter();
  if (type == kPopulatedPlace) {
    page.format("%s in %s.", typeName.c_str(), escapeHTML(feature.getDescription()).c_str());
    // The size of a place is its population; one that is not a count is left
    // out.
    if (size > 0 && wholeNumber(size)) page.format(" Population %d.", static_cast<int>(size));
    return;
  }
  const CPlanet* body =
      s.chart.database != nullptr ? s.chart.database->getFeatureParent(&feature) : nullptr;
  char bodyName[kInfoValueSize] = "";
  if (body != nullptr) body->getName(bodyName, sizeof bodyName);
  page.format("%s on %s. %s", typeName.c_str(), escapeHTML(bodyName).c_str(),
              escapeHTML(orEmpty(surfaceFeatureTypeDescription(type))).c_str());
  if (size > 0 && std::isfinite(size))
    page.format("; %.0f km across. ", size);
  else
    page.raw(". ");
  page.text(feature.getDescription());
}

void describeObject(PageText& page, const DescriptionSubject& s) {
  double direction[3];
  s.object.getPosition(direction);
  const std::string typeName = escapeHTML(orEmpty(objectTypeName(s.object.getType())));
  const std::string constellation =
      escapeHTML(orEmpty(constellationLatinName(constellationAtPosition(direction))));
  const double magnitude = s.object.getMagnitude();
  // A magnitude that is not a number (or none an int holds) takes the
  // sentence without it.
  if (wholeNumber(magnitude))
    page.format("%s is a %dth magnitude %s appearing in the constellation %s.", s.name.c_str(),
                static_cast<int>(magnitude), typeName.c_str(), constellation.c_str());
  else
    page.format("%s is a %s appearing in the constellation %s.", s.name.c_str(), typeName.c_str(),
                constellation.c_str());
}

}  // namespace

bool getObjectDescriptionHTML(CSkyChart* chart, CSkyObject* object, char* buffer,
                              std::size_t size) {
  if (chart == nullptr || object == nullptr || buffer == nullptr || size == 0) return false;
  char name[kInfoValueSize] = "";
  getObjectChartName(chart, object, name, sizeof name, 0);
  const DescriptionSubject subject{*chart, *object, escapeHTML(name)};
  PageText page;
  writeHead(page, subject.name);
  if (const CPlanetFeature* feature = asPlanetFeature(object))
    describeFeature(page, subject, *feature);
  else
    describeObject(page, subject);
  const int type = object->getType();
  if (type >= kTypeStar && type <= kTypeLastDeepSky) describeStarOrDeepSky(page, subject);
  if (type >= kTypePlanet && type <= kTypeSpacecraft) describeSolarSystemBody(page, subject);
  page.raw(kEnding);
  return page.copyTo(buffer, size, kEnding);
}
