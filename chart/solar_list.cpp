// The solar-system draw list: which bodies of the solar-system file are
// drawn, in which order (far to near) and how large; the drawing blocks
// they keep.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "chart/mesh.h"
#include "chart/model3d.h"
#include "chart/sky_chart.h"
#include "chart/solar_internal.h"
#include "engine/body_geometry.h"
#include "engine/vectors.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/satellite.h"
#include "skydata/sky_data_file.h"
#include "skydata/sky_database.h"

namespace {

// Beyond this distance (AU) from the Sun the solar system shrinks to a
// point unless a sphere of this radius still spans the screen.
constexpr double kWholeSystemRadiusAU = 1000.0;
// Orbit records: planets, moons, the selected object's, per highlight.
constexpr int kPlanetOrbitRecords = 18;
constexpr int kMoonOrbitRecords = 360;
constexpr int kSelectedOrbitRecords = 2;

bool validAt(const CPlanet* body, double jd) {
  double from = 0, to = 0;
  if (body->getPathCount() < 2) {
    body->getValidTimeRange(&from, &to);
  } else {
    from = body->getPathStartTime();
    to = body->getPathEndTime();
  }
  return !(jd < from) && !(jd > to);
}

// Far to near; places that are not available (infinite or NaN) at the end.
bool drawsBefore(const PlanetDistance& a, const PlanetDistance& b) {
  bool aFinite = std::isfinite(a.distance), bFinite = std::isfinite(b.distance);
  if (aFinite != bFinite) return aFinite;
  return aFinite && a.distance > b.distance;
}

void freeMeshes(ObjectRenderData* data) {
  if (data == nullptr) return;
  freeMeshGrid(data->sphereMesh);
  freeMeshGrid(data->ringMesh);
  data->sphereMesh = nullptr;
  data->ringMesh = nullptr;
}

}  // namespace

CPlanet* asBody(CSkyObject* object) {
  if (object == nullptr) return nullptr;
  int type = object->getType();
  if (type < kTypePlanet || type > kTypeSpacecraft) return nullptr;
  return dynamic_cast<CPlanet*>(object);
}

const CPlanet* asBody(const CSkyObject* object) { return asBody(const_cast<CSkyObject*>(object)); }

bool satelliteCategoryShown(const CSkyChart& chart, const CPlanet* body) {
  const CSatellite* satellite = dynamic_cast<const CSatellite*>(body);
  if (satellite == nullptr) return true;
  bool categorised = false;
  for (int k = 0; k < 4; ++k) {
    int code = satellite->getCategory(k);
    if (code <= 0 || code >= 256) continue;
    categorised = true;
    if (chart.satelliteCategories[code]) return true;
  }
  return !categorised;
}

double trueRadius(const CSkyObject* object) {
  const CPlanet* body = asBody(object);
  if (body == nullptr) return 0;
  double radius = body->getDiameter() / kTwoAUKilometres;
  return std::isfinite(radius) && radius > 0 ? radius : 0;
}

// ---- Sizes ----

double CSkyChart::getMagnification(const CSkyObject* object) const {
  const CPlanet* body = asBody(object);
  if (body == nullptr) return 1.0;
  if (body->getType() == kTypePlanet && body->getBodyNumber() >= 1) return planetMagnification;
  if (body->getType() == kTypeMoon) return moonMagnification;
  return 1.0;
}

double CSkyChart::getObjectRadius(const CSkyObject* object) const {
  double radius = trueRadius(object);
  double m = getMagnification(object);
  if (radius > 0 && !isSpaceView() && (isSun(object) || isMoon(object))) {
    // The Sun and the Moon keep at least 12 points on the screen.
    double screen = radiusForAngle(angularRadius(radius, object->getDistance()));
    double least = 12.0 * contentScale / screen;
    if (!std::isfinite(least)) least = 1.0;
    m = isSun(object) ? std::max(least, 1.0) : std::max(least, moonMagnification);
  }
  return m * radius;
}

double CSkyChart::limbDistance(CSkyObject* object) {
  if (object == nullptr) return 0;
  double d = object->getDistance(), r = getObjectRadius(object);
  return d <= r ? 0 : std::sqrt(d * d - r * r);
}

// ---- Visibility tests ----

bool CSkyChart::isSolarSystemInView() {
  CPlanet* sun = database != nullptr ? database->getSun() : nullptr;
  if (sun == nullptr) return false;
  updatePlanetPosition(sun);
  double d = sun->getDistance();
  if (d < kWholeSystemRadiusAU) return true;
  double v[3];
  sun->getPosition(v);
  double r = projectedRadius(v, angularRadius(kWholeSystemRadiusAU, d));
  double x, y;
  if (!(r > 8 * contentScale) || !vectorToScreen(v, &x, &y)) return false;
  return isPointNearViewport(x, y, r);
}

bool CSkyChart::isAsteroidTooFaint(CPlanet* asteroid) const {
  if (asteroid == nullptr || asteroid->getParentIndex() != 0) return false;
  double h = asteroid->getAbsoluteMagnitude();
  double q = asteroid->getPerihelionDistance();
  double observer = vectorLength(observerPosition);
  if (!std::isfinite(h)) return false;
  double product;
  if (q > observer) {
    product = q * (q - observer);
  } else {
    // The aphelion distance: an orbit reaching out past the observer's
    // distance from the Sun crosses it somewhere, and may come close.
    double aphelion = asteroid->getAphelionDistance();
    if (aphelion >= observer) return false;
    product = aphelion * (observer - aphelion);
  }
  return h + 5 * std::log10(product) > planetMagLimitInUse;
}

bool CSkyChart::isInsideParentGlobe(CPlanet* object) {
  CPlanet* parent = object != nullptr ? database->getParentPlanet(object) : nullptr;
  if (parent == nullptr || parent == object) return false;
  double radius = getObjectRadius(parent);
  if (isEarth(parent) && object->getType() == kTypeMoon && homeObject == nullptr)
    radius = trueRadius(parent);
  double relative[3];
  object->getPositionRelativeTo(relative, *parent);
  return vectorLength(relative) < radius;
}

bool CSkyChart::isMoonDistinct(CPlanet* moon) {
  if (moon == nullptr) return false;
  if (homeObject == moon) return true;
  CPlanet* parent = database->getParentPlanet(moon);
  if (parent == nullptr) return true;
  double least = 8 * contentScale;
  return radiusForAngle(parent->getAngularRadius()) > least ||
         radiusForAngle(moon->getAngularRadius()) > least ||
         radiusForAngle(moon->angularSeparationToObject(*parent)) > least;
}

bool CSkyChart::isHiddenBehindParent(CPlanet* object) {
  CPlanet* parent = object != nullptr ? database->getParentPlanet(object) : nullptr;
  if (parent == nullptr || parent == object) return false;
  double dp = parent->getDistance(), radius = getObjectRadius(parent);
  return object->angularSeparationToObject(*parent) <= angularRadius(radius, dp) &&
         std::sqrt(dp * dp - radius * radius) <= object->getDistance();
}

// ---- The list ----

bool CSkyChart::isHiddenByTypeOption(const CPlanet* body) const {
  switch (body->getType()) {
    case kTypePlanet: return !showPlanets;
    case kTypeMoon: return !showPlanets || (!body->isMajorBody() && !showMinorMoons);
    case kTypeAsteroid: return !showAsteroids;
    case kTypeComet: return !showComets;
    case kTypeSatellite: return !showSatellites || !satelliteCategoryShown(*this, body);
    case kTypeSpacecraft: return !showSatellites;
    default: return false;
  }
}

namespace {

struct ListBuilder {
  CSkyChart& chart;
  bool add(std::int32_t flag, std::uint32_t region, std::uint32_t index, double distance) {
    if (chart.planetDistanceCount >= chart.planetDistanceCapacity) return false;
    chart.planetDistances[chart.planetDistanceCount++] = {flag, region, index,
                                                          static_cast<float>(distance)};
    return true;
  }

  bool wantsOrbit(CPlanet* body, bool selected, bool highlighted) const {
    if (body->getType() == kTypeMoon && chart.showMoonOrbits) return true;
    if (body->getType() == kTypePlanet && !isSun(body) && chart.showPlanetOrbits) return true;
    if (selected && chart.showSelectedObjectOrbit) return true;
    return highlighted && chart.showHighlightedObjectOrbits;
  }

  // Validity, place, the parent's globe; then the record and its orbit's.
  void addBody(CPlanet* body, std::uint32_t region, std::uint32_t index, bool selected,
               bool highlighted) {
    if (!validAt(body, chart.julianDate)) return;
    chart.updatePlanetPosition(body);
    int type = body->getType();
    if ((type == kTypeMoon || type == kTypeSatellite) && chart.isInsideParentGlobe(body)) return;
    double d = body->getDistance();
    // A satellite the model refuses now (a decayed orbit) has no place.
    if (type == kTypeSatellite && !std::isfinite(d)) return;
    add(0, region, index, d);
    if (!wantsOrbit(body, selected, highlighted)) return;
    CPlanet* parent = chart.database->getParentPlanet(body);
    if (parent == nullptr || parent == body) return;
    double parentDistance = parent->getDistance();
    double r = trueRadius(body), relative[3];
    double a = vectorLength(body->getPositionRelativeTo(relative, *parent));
    add(kOrbitNearSide, region, index, d < parentDistance ? d + r : std::fabs(d - a));
    add(kOrbitFarSide, region, index, d > parentDistance ? d + r : d + a);
  }
};

}  // namespace

void CSkyChart::buildSolarSystemDrawList(bool allObjects) {
  std::free(planetDistances);
  planetDistances = nullptr;
  planetDistanceCount = planetDistanceCapacity = 0;
  if (database == nullptr || database->getSolarSystemFile() == nullptr) return;

  int count = database->getSolarSystemObjectCount();
  int capacity = count + 1;
  if (showPlanetOrbits) capacity += kPlanetOrbitRecords;
  if (showMoonOrbits) capacity += kMoonOrbitRecords;
  if (showSelectedObjectOrbit) capacity += kSelectedOrbitRecords;
  if (showHighlightedObjectOrbits) capacity += 2 * highlightCount;
  planetDistances = static_cast<PlanetDistance*>(std::calloc(capacity, sizeof(PlanetDistance)));
  if (planetDistances == nullptr) return;
  planetDistanceCapacity = capacity;
  ListBuilder builder{*this};

  // The selected body first, wherever it lives in the file.
  CPlanet* selected = selectedObjectID.file == 1 ? asBody(selectedObject) : nullptr;
  if (selected != nullptr) {
    freeMeshes(getRenderData(selected));
    builder.addBody(selected, selectedObjectID.region, selectedObjectID.index, true,
                    isHighlighted(1, selectedObjectID.region, selectedObjectID.index));
  }
  for (int i = 0; i < count; ++i) {
    CPlanet* body = database->getSolarSystemObject(i);
    if (body == nullptr || body == selected) continue;
    clearObjectPosition(body);
    freeMeshes(getRenderData(body));
    if (!allObjects && i != 0) continue;
    auto index = static_cast<std::uint16_t>(i);
    bool home = homeObjectID.file == 1 && homeObjectID.region == 0 && homeObjectID.index == index;
    bool highlighted = isHighlighted(1, 0, index);
    if (!home && !(showHighlightedObjectOrbits && highlighted)) {
      if (isHiddenByTypeOption(body)) continue;
      if (body->getType() == kTypeAsteroid && isAsteroidTooFaint(body)) continue;
    }
    builder.addBody(body, 0, index, false, highlighted);
  }
  std::sort(planetDistances, planetDistances + planetDistanceCount, drawsBefore);
}

// ---- Drawing blocks ----

ObjectRenderData* CSkyChart::getRenderData(const CSkyObject* object) {
  const CPlanet* body = asBody(object);
  return body != nullptr ? static_cast<ObjectRenderData*>(body->getRenderData()) : nullptr;
}

ObjectRenderData* CSkyChart::attachRenderData(CSkyObject* object) {
  CPlanet* body = asBody(object);
  if (body == nullptr) return nullptr;
  auto* data = static_cast<ObjectRenderData*>(body->getRenderData());
  if (data == nullptr) {
    data = static_cast<ObjectRenderData*>(std::calloc(1, sizeof(ObjectRenderData)));
    if (data == nullptr) return nullptr;
    body->setRenderData(data);
  }
  double orientation[9];
  if (computeBodyOrientation(body, orientation, lightTime != 0)) body->setOrientationMatrix(orientation);
  return data;
}

void CSkyChart::releaseObjectMeshes(CSkyObject* object) { freeMeshes(getRenderData(object)); }

void CSkyChart::releaseObjectTextures(CSkyObject* object) {
  ObjectRenderData* data = getRenderData(object);
  if (data == nullptr) return;
  for (TextureTile& tile : data->tiles) {
    releaseTexture(&tile.texture);
    tile.name[0] = 0;
  }
}

void CSkyChart::releaseObjectRenderData(CSkyObject* object) {
  CPlanet* body = asBody(object);
  ObjectRenderData* data = getRenderData(object);
  if (data == nullptr) return;
  delete data->model;
  releaseObjectTextures(object);
  releaseTexture(&data->ringTexture);
  freeMeshes(data);
  std::free(data->orbitPoints);
  std::free(data->features);
  std::free(data);
  body->setRenderData(nullptr);
}

void CSkyChart::releaseSolarSystemRenderData(CSkyDataFile* file) {
  CSkyDataRegion* root = file != nullptr ? file->getRoot() : nullptr;
  if (root == nullptr || !root->isLoaded()) return;
  for (std::size_t i = 0, n = root->getObjectCount(); i < n; ++i) releaseObjectRenderData(root->getObject(i));
}

void CSkyChart::releaseTabulatedPaths(CSkyDataFile* file) {
  CSkyDataRegion* root = file != nullptr ? file->getRoot() : nullptr;
  if (root == nullptr || !root->isLoaded()) return;
  for (std::size_t i = 0, n = root->getObjectCount(); i < n; ++i) {
    CPlanet* body = asBody(root->getObject(i));
    if (body != nullptr && body->getPathCount() >= 1) body->allocatePath(0);
  }
}
