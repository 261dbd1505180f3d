// CSkyChart: construction and destruction, the image folder, the view and
// lock operations and the selection.
#include "chart/sky_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "chart/constellation_images.h"
#include "chart/deep_sky_images.h"
#include "chart/galaxy_model.h"
#include "chart/horizon_panorama.h"
#include "chart/meteors.h"
#include "chart/tessellator.h"
#include "chart/text_atlas.h"
#include "engine/angles.h"
#include "engine/vectors.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/satellite.h"
#include "skydata/sky_data_file.h"
#include "skydata/sky_database.h"
#include "skydata/star.h"

namespace {

constexpr double kInfinity = HUGE_VAL;
// A satellite or spacecraft as home object makes every view a space view.
bool isSatelliteType(int type) { return type == kTypeSatellite || type == kTypeSpacecraft; }
// Within this of a pole (radians) the orbit view centres on the observer's
// own bearing instead of the object's: longitude is meaningless there.
constexpr double kNearPoleLatitude = 1.5690509975425062;
// Beyond this squared distance (AU^2) from the Sun the observer is outside
// the solar system as the layers treat it.
constexpr double kFarFromSunSquaredAU = 1e9;
// Observers above this height (metres) over the Earth see no horizon.
constexpr double kNearGroundAltitudeMetres = 100000.0;
// Integrated paths of asteroids and comets: a year either side in hours.
constexpr int kIntegratedPathRows = 17521;
constexpr double kIntegratedPathStep = 0.041666666666666664;  // days

template <typename T>
T* allocateZeroed(std::size_t count) {
  void* block = std::calloc(count, sizeof(T));
  if (block == nullptr) throw std::bad_alloc();
  return static_cast<T*>(block);
}

}  // namespace

CSkyChart::CSkyChart(CSkyDatabase* db, const char* directory) : CSkyMechanics(db) {
  if (directory != nullptr && std::strlen(directory) < sizeof imageDirectory)
    std::strcpy(imageDirectory, directory);
  std::fill(std::begin(satelliteCategories), std::end(satelliteCategories), true);
  std::fill(std::begin(starSpriteSteps), std::end(starSpriteSteps), INFINITY);
  CSkyDatabase::clearSkyObjectID(&selectedObjectID);
  CSkyDatabase::clearSkyObjectID(&previousSelectedObjectID);
  CSkyDatabase::clearSkyObjectID(&selectedObjectPath.id);
  std::strcpy(regularFontName, "Helvetica");
  std::strcpy(boldFontName, "Helvetica-Bold");
  std::strcpy(italicFontName, "Helvetica-Oblique");
  selectFont(0);
  setTextHeight(14.0f);
  try {
    labelRects = allocateZeroed<LabelPosition>(kLabelRectCapacity);
    vertexBuffer = allocateZeroed<float>(std::size_t{kChartVertexCapacity} * 2);
    texCoordBuffer = allocateZeroed<float>(std::size_t{kChartVertexCapacity} * 2);
    polygonBuffer = allocateZeroed<double>(std::size_t{kChartPolygonCapacity} * 3);
    colorBuffer = allocateZeroed<float>(std::size_t{kChartVertexCapacity} * 4);
  } catch (const std::bad_alloc&) {
    std::free(labelRects);
    std::free(vertexBuffer);
    std::free(texCoordBuffer);
    std::free(polygonBuffer);
    std::free(colorBuffer);
    throw;
  }
}

CSkyChart::~CSkyChart() {
  std::free(groundCircles);
  groundCircles = nullptr;
  groundCircleCount = 0;
  unloadInvisibleCatalogRegions();
  releaseSelectedObject();
  std::free(vertexBuffer);
  std::free(texCoordBuffer);
  std::free(polygonBuffer);
  std::free(colorBuffer);
  tessellator.reset();
  std::free(planetDistances);
  planetDistances = nullptr;
  planetDistanceCount = planetDistanceCapacity = 0;
  std::free(labelRects);
  releaseGroundTargets();
  releaseTextAtlases();
  if (database != nullptr) releaseSolarSystemRenderData(database->getSolarSystemFile());
  releaseRetiredSolarSystemFiles();
  resetObjectPath(&selectedObjectPath);
  clearHighlightedObjects();
  releaseStarSprites();
  releaseDeepSkyImageTextures();
  releaseGalaxyTexture();
  freeGalaxyModel();
  releaseMilkyWayTexture();
  releaseConstellationImageTextures();
  releaseHorizonTextures();
  freeHorizonFadeGrid();
  clearMeteors(this);
  if (database != nullptr) {
    for (int i = 0, n = database->getSolarSystemObjectCount(); i < n; ++i) {
      CPlanet* body = database->getSolarSystemObject(i);
      if (body != nullptr && body->getPathCount() > 0) body->allocatePath(0);
    }
  }
}

void CSkyChart::releaseSelectedObject() {
  if (selectedObject != nullptr && !selectedObject->isOwnedByRegion()) delete selectedObject;
  selectedObject = nullptr;
}

void CSkyChart::setJulianDate(double jd) {
  CSkyMechanics::setJulianDate(jd);
  updateNeeded = true;
}

void CSkyChart::setLocation(double lon, double lat, double alt) {
  CSkyMechanics::setLocation(lon, lat, alt);
  updateNeeded = true;
}

void CSkyChart::setDisplayCoordSystem(int system) {
  if (system == displayCoordSystem) return;
  CSkyMechanics::setDisplayCoordSystem(system);
  for (int i = 0; i < highlightCount; ++i) resetObjectPath(&highlights[i]);
  updateNeeded = true;
}

void CSkyChart::getImageDirectory(char* buffer, std::size_t size) const {
  if (buffer == nullptr || size == 0) return;
  std::size_t n = std::min(std::strlen(imageDirectory), size - 1);
  std::memcpy(buffer, imageDirectory, n);
  buffer[n] = '\0';
}

void CSkyChart::setImageDirectory(const char* path) {
  if (path == nullptr || std::strcmp(path, imageDirectory) == 0) return;
  // A cut path would name another folder.
  if (std::strlen(path) >= sizeof imageDirectory) return;
  std::strcpy(imageDirectory, path);
  // The solar-system render data, deep-sky images, Milky Way texture,
  // constellation images and horizon textures are released here so that
  // they reload from the new folder.
  if (database != nullptr) releaseSolarSystemRenderData(database->getSolarSystemFile());
  releaseDeepSkyImageTextures();
  releaseMilkyWayTexture();
  releaseConstellationImageTextures();
  releaseHorizonTextures();
  updateNeeded = true;
}

// ---- View and locks ----

bool CSkyChart::setCenterOnSelected(bool on) {
  centerOnSelected = on;
  if (on) manualPan = false;
  bool same = homeObject != nullptr &&
              CSkyDatabase::isSameSkyObjectID(&selectedObjectID, &homeObjectID);
  if (same) centerOnHome = on;
  return same;
}

bool CSkyChart::setCenterOnHome(bool on) {
  centerOnHome = on && homeObject != nullptr;
  if (centerOnHome) manualPan = false;
  bool same = homeObject != nullptr &&
              CSkyDatabase::isSameSkyObjectID(&selectedObjectID, &homeObjectID);
  if (same) centerOnSelected = centerOnHome;
  return same;
}

void CSkyChart::setManualPanFlag(bool on) {
  manualPan = on;
  if (on) centerOnSelected = false;
}

void CSkyChart::setDisplayCenter(int system, double lon, double lat, double rotation) {
  CSkyProjection::setDisplayCenter(system, lon, lat, rotation);
  if (isSpaceView() && centerOnHome) {
    setDisplayCoordSystem(system);
    setHomePlanetPosition(normalizeRadians(lon + kPi), -lat, homePlanetDistance);
    updateNeeded = true;
  }
}

void CSkyChart::setDisplayCenterInSystem(int system, double lon, double lat) {
  setDisplayCenter(system, lon, lat, 0);
}

void CSkyChart::setDisplayCenterRotated(double lon, double lat, double rotation) {
  setDisplayCenter(displayCoordSystem, lon, lat, rotation);
}

void CSkyChart::setDisplayCenterLonLat(double lon, double lat) {
  setDisplayCenter(displayCoordSystem, lon, lat, 0);
}

bool CSkyChart::isSpaceView() const {
  if (homeObject == nullptr) return false;
  if (isSatelliteType(homeObject->getType())) return true;
  return displayCoordSystem != kCoordHorizon;
}

bool CSkyChart::isObserverNearGround() const {
  if (homeObject == nullptr) return altitude < kNearGroundAltitudeMetres;
  const CPlanet* body = dynamic_cast<const CPlanet*>(homeObject);
  if (body == nullptr || homeObject->getType() > kTypeSpacecraft) return false;
  // Height over the body's surface, within one diameter of it.
  double centre[3];
  body->getHeliocentricPosition(centre);
  double offset[3];
  vectorSubtract(observerPosition, centre, offset);
  double heightKm = vectorLength(offset) * kAstronomicalUnitKm - body->getDiameter() / 2;
  return heightKm < body->getDiameter();
}

bool CSkyChart::isObserverFarFromSun() const {
  return vectorDot(observerPosition, observerPosition) > kFarFromSunSquaredAU;
}

int CSkyChart::getObjectDisplayPosition(CSkyObject* object, int system, double* lon,
                                        double* lat) {
  if (object == nullptr) return 0;
  double v[3];
  CSatellite* satellite =
      earthView && object->getType() == kTypeSatellite ? dynamic_cast<CSatellite*>(object)
                                                        : nullptr;
  if (satellite != nullptr) {
    double velocity[3];
    computeSatellitePosition(satellite, v, velocity, dynamicalJulianDate);
  } else {
    updateObjectPosition(object);
    object->getPosition(v);
  }
  // No place (a satellite whose decayed orbit the model refuses).
  if (!std::isfinite(v[0] + v[1] + v[2])) return 0;
  convertCoordSystem(kCoordFundamental, system, v, v);
  vectorToSpherical(v, lon, lat, nullptr);
  return 1;
}

double CSkyChart::getObjectDirectionFromHome(CSkyObject* object, double* lon, double* lat) {
  if (object == nullptr) return kInfinity;
  double v[3];
  object->getPosition(v);
  if (!std::isfinite(v[0] + v[1] + v[2])) {
    updateObjectPosition(object);
    object->getPosition(v);
  }
  double distance;
  CPlanet* body = object->getType() >= kTypePlanet && object->getType() <= kTypeSpacecraft
                      ? dynamic_cast<CPlanet*>(object)
                      : nullptr;
  if (body != nullptr) {
    double from[3] = {observerPosition[0], observerPosition[1], observerPosition[2]};
    if (CPlanet* home = dynamic_cast<CPlanet*>(homeObject)) home->getHeliocentricPosition(from);
    double at[3];
    body->getHeliocentricPosition(at);
    vectorSubtract(at, from, v);
    distance = vectorLength(v);
  } else {
    distance = object->getDistance() * kAUPerParsec;
  }
  convertCoordSystem(kCoordFundamental, displayCoordSystem, v, v);
  vectorToSpherical(v, lon, lat, nullptr);
  return distance;
}

double CSkyChart::getObjectAltitude(CSkyObject* object) {
  if (object == nullptr) return -kInfinity;
  double v[3];
  object->getPosition(v);
  if (!std::isfinite(v[0] + v[1] + v[2])) {
    updateObjectPosition(object);
    object->getPosition(v);
  }
  double h[3];
  fundamentalToHorizon(v, h);
  return std::asin(std::clamp(h[2], -1.0, 1.0));
}

void CSkyChart::setAutomaticDST(bool on) {
  autoDST = on;
  setDSTRule(on ? dstRuleForLocation(longitude, latitude) : 0);
}

void CSkyChart::centerOnObjectID(const SkyObjectID* id) {
  if (database == nullptr || id == nullptr) return;
  ScopedSkyObject object(database->getObject(id));
  if (!object) return;
  double lon, lat;
  if (object->getDistance() > 0 &&
      getObjectDisplayPosition(object.get(), displayCoordSystem, &lon, &lat)) {
    if (isSpaceView() && std::fabs(lat) > kNearPoleLatitude)
      CSkyProjection::setDisplayCenterLonLat(normalizeRadians(homePlanetLongitude - kPi),
                                             -homePlanetLatitude);
    else
      CSkyProjection::setDisplayCenterLonLat(lon, lat);
  }
}

// ---- Selection ----

void CSkyChart::selectObject(const SkyObjectID* id) {
  if (id == nullptr || CSkyDatabase::isInvalidSkyObjectID(id)) return;
  if (!CSkyDatabase::isSameSkyObjectID(id, &selectedObjectID)) {
    centerOnSelected = false;
    pointerPending = false;
    previousSelectedObjectID = selectedObjectID;
    selectedObjectID = *id;
    selectedObjectPath.id = *id;
    resetObjectPath(&selectedObjectPath);
    updateNeeded = true;
    if (previousSelectedObjectID.type == kTypeMeteorShower) clearMeteors(this);
  }
  releaseSelectedObject();
  if (database == nullptr) return;
  selectedObject = database->getObject(&selectedObjectID);
  if (selectedObject == nullptr) return;

  int type = selectedObject->getType();
  if (type == kTypeAsteroid || type == kTypeComet) {
    CPlanet* body = dynamic_cast<CPlanet*>(selectedObject);
    // Near-parabolic sun-grazers are left to their elements: an hourly
    // table cannot follow their perihelion passage.
    if (body != nullptr &&
        !(body->getEccentricity() >= 0.9 && body->getPerihelionDistance() <= 0.1)) {
      // One integrated path at a time: the others' tables are dropped.
      for (int i = 0, n = database->getSolarSystemObjectCount(); i < n; ++i) {
        CPlanet* other = database->getSolarSystemObject(i);
        if (other != nullptr && other != body && other->getPathCount() > 0)
          other->allocatePath(0);
      }
      if (body->getPathCount() < 1)
        integrateOrbitTable(body, kIntegratedPathRows, kIntegratedPathStep);
    }
  }
  updateObjectPosition(selectedObject);
  if (showSelectedObjectPath) updateNeeded = true;
}
