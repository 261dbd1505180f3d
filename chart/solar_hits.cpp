// What of the solar system lies under a tap: the bodies of the draw list
// by the rules they are drawn with, nearest first (or the named features
// of a large selected globe), then satellites by their place in the sky.
#include <cmath>

#include "chart/sky_chart.h"
#include "chart/solar_internal.h"
#include "skydata/object_factory.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/planet_feature.h"
#include "skydata/sky_database.h"

namespace {

// Features are looked for on a selected globe larger than this.
constexpr float kFeatureGlobeRadius = 32;  // points

}  // namespace

bool CSkyChart::isNearPoint(GPoint point, float radius, GPoint tap) const {
  // The tap radius is the marker size, 16 points.
  double reach = radius + markerSize, dx = tap.x - point.x, dy = tap.y - point.y;
  return dx * dx + dy * dy < reach * reach;
}

int CSkyChart::findSolarSystemObjectsAt(GPoint point, SkyObjectID* hits, int maximum) {
  if (earthView || database == nullptr || database->getSolarSystemFile() == nullptr ||
      hits == nullptr || maximum < 1)
    return 0;
  if (updateNeeded) buildSolarSystemDrawList(isSolarSystemInView());
  float pt = contentScale;
  const CPlanetFeature* selectedFeature = asPlanetFeature(selectedObject);
  CPlanet* featureBody = selectedFeature != nullptr ? database->getFeatureParent(selectedFeature) : nullptr;
  int n = 0;
  for (int i = planetDistanceCount - 1; i >= 0 && n < maximum; --i) {
    const PlanetDistance& record = planetDistances[i];
    // Orbit records stand for the same object.
    if (record.flag != 0) continue;
    CPlanet* body = drawListObject(*this, record);
    if (body == nullptr || (isEarth(body) && homeObject == nullptr) || isLeftOutNearGround(record, body))
      continue;
    SolarPlace place{};
    if (placeSolarSystemObject(body, &place) != SolarPlacement::shown) continue;
    if (!isNearPoint({place.x, place.y}, place.r, point)) continue;
    if (!database->objectPassesFilter(body)) continue;
    if (place.r > kFeatureGlobeRadius * pt && (body == selectedObject || body == featureBody)) {
      int found = findSurfaceFeaturesAt(body, point, hits + n, maximum - n);
      if (found > 0) {
        n += found;
        continue;
      }
    }
    CSkyDatabase::setSkyObjectIDFromObject(&hits[n++], 1, record.region,
                                           static_cast<std::uint16_t>(record.index), body);
  }
  if (!showSatellites) return n;
  CPlanet* earth = database->getEarth();
  for (int i = 0, count = database->getSolarSystemObjectCount(); i < count && n < maximum; ++i) {
    CPlanet* satellite = database->getSolarSystemObject(i);
    if (satellite == nullptr || satellite->getType() != kTypeSatellite || satellite == selectedObject ||
        earth == nullptr || !satelliteCategoryShown(*this, satellite))
      continue;
    if (updateNeeded) updatePlanetPosition(satellite);
    // Behind the Earth in the space views it is not drawn, nor found.
    if (isSpaceView() && isHiddenBehindParent(satellite)) continue;
    // Where the satellite is drawn: its direction from the observer (from
    // the Earth's centre a low satellite stands tens of degrees away).
    double direction[3], x = 0, y = 0;
    satellite->getPosition(direction);
    if (!vectorToScreen(direction, &x, &y)) continue;
    if (!isNearPoint({static_cast<float>(x), static_cast<float>(y)}, 0, point)) continue;
    CSkyDatabase::setSkyObjectIDFromObject(&hits[n++], 1, 0, static_cast<std::uint16_t>(i), satellite);
  }
  return n;
}
