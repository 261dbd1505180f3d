// The ground view: the Earth seen as a map from its centre, with the
// selected satellite, the other satellites and the Earth's overlays; the
// view following the selected satellite; and the ground view's hit test.
#include <cmath>

#include "chart/ground_point.h"
#include "chart/sky_chart.h"
#include "chart/solar_internal.h"
#include "engine/angles.h"
#include "engine/vectors.h"
#include "skydata/object_factory.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/satellite.h"
#include "skydata/sky_database.h"

namespace {

// The satellites the ground view shows besides the selected one.
bool isOtherSatellite(const CSkyChart& chart, const CPlanet* body) {
  return body != nullptr && body->getType() == kTypeSatellite && body != chart.selectedObject &&
         satelliteCategoryShown(chart, body);
}

// A place on the Earth (a city found by name) is shown on the map with its
// marker, as a selected body is.
bool isEarthFeature(const CSkyChart& chart, CSkyObject* object) {
  const CPlanetFeature* feature = asPlanetFeature(object);
  return feature != nullptr && chart.database->getFeatureParent(feature) == chart.database->getEarth();
}

// The screen point of the body's direction from the Earth's centre; false
// when it has no place or does not project.
bool groundScreenPoint(CSkyChart& chart, CPlanet* body, CPlanet* earth, double* x, double* y) {
  double relative[3];
  body->getPositionRelativeTo(relative, *earth);
  if (!std::isfinite(relative[0] + relative[1] + relative[2]) || vectorNormalize(relative) == 0)
    return false;
  return chart.vectorToScreen(relative, x, y);
}

// Positions of what the ground view shows, recomputed when the chart's
// time, place or data changed.
void refreshGroundPositions(CSkyChart& chart) {
  CSkyDatabase* database = chart.database;
  for (CPlanet* body : {database->getSun(), database->getEarth(), database->getMoon()})
    if (body != nullptr) chart.updateObjectPosition(body);
  // The globe's mesh holds the sunlight and the turn of the Earth it was
  // built with, and the geometry of the view that built it (another
  // perspective sees the globe from outside): the next frame builds it
  // again.
  chart.releaseObjectMeshes(database->getEarth());
  if (chart.selectedObject != nullptr) chart.updateObjectPosition(chart.selectedObject);
  for (int i = 0, n = database->getSolarSystemObjectCount(); i < n; ++i) {
    CPlanet* body = database->getSolarSystemObject(i);
    if (isOtherSatellite(chart, body)) chart.updateObjectPosition(body);
  }
}

}  // namespace

void CSkyChart::drawEarthView() {
  if (database == nullptr) return;
  CPlanet* earth = database->getEarth();
  CPlanet* selected = asBody(selectedObject);
  if (earth == nullptr || (selected == nullptr && !isEarthFeature(*this, selectedObject))) return;
  if (getRenderData(earth) == nullptr) attachRenderData(earth);
  if (updateNeeded) refreshGroundPositions(*this);

  if (displayProjection == kProjectionEquirectangular) drawEarthPolarBands(earth);
  // The textured globe draws the overlays over its map; without a map (or
  // in the 2-D back end) they are drawn on the bare background.
  if (!drawTexturedGlobe(earth)) drawEarthOverlays(earth);

  setLineWidth(contentScale == 2 ? 1.0f : 1.5f);
  // The ground view names satellites and places as the solar-system layer
  // names bodies, not at whatever size the previous layer left.
  setTextHeight(chartLabelTextHeight);
  buildStarSprites();
  // Satellites are all drawn alike, with the middle sprite: the same size
  // over the whole world as over a country.
  const double magnitude = middleSpriteMagnitude();
  double x, y;
  if (selected != nullptr && groundScreenPoint(*this, selected, earth, &x, &y) &&
      isPointInViewport(x, y)) {
    drawSolarSystemPoint(selected, static_cast<float>(x), static_cast<float>(y), magnitude);
    drawSolarSystemLabel(selected, false, static_cast<float>(x), static_cast<float>(y), 0);
  }
  // The map's scale stands for the globe's: a right angle of the map is
  // the Earth's radius. A selected place is marked with the cities hidden
  // too.
  if (showPlanetSurfaceFeatures || selected == nullptr)
    drawSurfaceFeatures(earth, static_cast<float>(radiusForAngle(kHalfPi)));
  if (showSatellites) {
    for (int i = 0, n = database->getSolarSystemObjectCount(); i < n; ++i) {
      CPlanet* body = database->getSolarSystemObject(i);
      if (!isOtherSatellite(*this, body)) continue;
      if (!groundScreenPoint(*this, body, earth, &x, &y) || !isPointInViewport(x, y)) continue;
      drawSolarSystemPoint(body, static_cast<float>(x), static_cast<float>(y), magnitude);
      if (showMinorPlanetNames)
        drawSolarSystemLabel(body, isHighlighted(1, 0, static_cast<std::uint16_t>(i)), static_cast<float>(x),
                             static_cast<float>(y), 0);
    }
  }
  endStarSprites();
}

void CSkyChart::followSelectedSatellite() {
  // A drag lets go of the satellite to turn the Earth under the observer;
  // following it regardless would put the view back at the next frame.
  if (!centerOnSelected) return;
  CPlanet* home = asBody(homeObject);
  if (home == nullptr || home->getType() != kTypePlanet || home->getBodyNumber() != 3) return;
  if (displayCoordSystem != 1 || !followHomePlanet || selectedObject == nullptr ||
      selectedObject->getType() != kTypeSatellite)
    return;
  CPlanet* satellite = asBody(selectedObject);
  updateObjectPosition(satellite);
  double relative[3], equatorial[3], lon, lat, r;
  satellite->getPositionRelativeTo(relative, *home);
  if (!std::isfinite(relative[0] + relative[1] + relative[2])) return;
  fundamentalToEquatorial(relative, equatorial);
  vectorToSpherical(equatorial, &lon, &lat, &r);
  homePlanetLongitude = lon;
  homePlanetLatitude = lat;
  setLocation(longitude, latitude, altitude);
}

int CSkyChart::findSatellitesNear(GPoint point, SkyObjectID* results, int maximum) {
  if (database == nullptr || results == nullptr || maximum < 1) return 0;
  CPlanet* earth = database->getEarth();
  if (earth == nullptr || !showSatellites) return 0;
  if (updateNeeded) refreshGroundPositions(*this);
  int n = 0;
  for (int i = 0, count = database->getSolarSystemObjectCount(); i < count && n < maximum; ++i) {
    CPlanet* body = database->getSolarSystemObject(i);
    if (!isOtherSatellite(*this, body)) continue;
    double x, y;
    if (!groundScreenPoint(*this, body, earth, &x, &y)) continue;
    if (!isNearPoint({static_cast<float>(x), static_cast<float>(y)}, 0, point)) continue;
    if (!database->objectPassesFilter(body)) continue;
    CSkyDatabase::setSkyObjectIDFromObject(&results[n++], 1, 0, static_cast<std::uint16_t>(i), body);
  }
  return n;
}
