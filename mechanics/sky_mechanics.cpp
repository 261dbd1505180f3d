// CSkyMechanics: construction, the fixed frames of the moon theories, the
// frames of the date, the observer and the home object, and the Earth-fixed
// conversions.
#include "mechanics/sky_mechanics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/angles.h"
#include "engine/calendar.h"
#include "engine/ellipsoid.h"
#include "engine/frame_matrices.h"
#include "engine/matrices.h"
#include "mechanics/body_numbers.h"
#include "mechanics/jpl_ephemeris.h"
#include "mechanics/state_vectors.h"
#include "engine/moon_frames.h"
#include "engine/precession.h"
#include "engine/sidereal_time.h"
#include "engine/vectors.h"
#include "skydata/object_factory.h"
#include "skydata/object_types.h"
#include "skydata/open_file.h"
#include "skydata/planet.h"
#include "skydata/planet_feature.h"
#include "skydata/sky_database.h"

namespace {

using namespace mechanics;

// Height in metres to AU, as the site's height is carried.
constexpr double kMetresPerKilometre = 1000.0;
// The ephemeris file the engine opens in its directory.
constexpr char kEphemerisName[] = "DE438.eph";

}  // namespace

CSkyMechanics::CSkyMechanics(CSkyDatabase* db) : database(db) {
  buildFixedFrames();
  setJulianDate(kJ2000);
}

CSkyMechanics::~CSkyMechanics() {
  closeEphemeris();
  if (homeObject != nullptr && !homeObject->isOwnedByRegion()) delete homeObject;
}

void CSkyMechanics::buildFixedFrames() {
  precessionMatrix(b1950ToJ2000, 0, kB1950, kJ2000);
  double theory[9];
  nereidFrame(theory);
  matrixProduct(b1950ToJ2000, theory, neptuneMoonFrame);
  ::uranusMoonFrame(theory);
  matrixProduct(b1950ToJ2000, theory, uranusMoonFrame);
  eclipticMatrix(theory, -1, meanObliquity(kB1950));
  matrixProduct(b1950ToJ2000, theory, eclipticB1950);
  ::saturnMoonFrame(theory);
  matrixProduct(b1950ToJ2000, theory, saturnMoonFrame);
  jupiterEquatorFrame(theory);
  matrixProduct(b1950ToJ2000, theory, jupiterMoonFrame);
  eclipticMatrix(eclipticJ2000, -1, meanObliquity(kJ2000));
}

namespace {

// The ecliptic and mean equinox of t to the working frame.
void eclipticOfDateMatrix(double m[9], double t) {
  double epsilon;
  longTermPrecessionAngles(nullptr, nullptr, nullptr, &epsilon, t);
  double ecliptic[9], precession[9];
  eclipticMatrix(ecliptic, -1, epsilon);
  longTermPrecessionMatrix(precession, 0, t, kJ2000);
  matrixProduct(precession, ecliptic, m);
}

}  // namespace

void CSkyMechanics::buildDateFrames() {
  // True equator and equinox of the date to the mean J2000 frame: the exact
  // inverse of the rotation the horizon frame starts with.
  double toDate[9];
  longTermPrecessionMatrix(toDate, 1, kJ2000, julianDate);
  matrixTranspose(toDate, dateToJ2000);

  equationOfEquinoxes_ = equationOfEquinoxes(julianDate);
  apparentSiderealTime_ = normalizeRadians(meanSiderealTime(julianDate) + equationOfEquinoxes_);
  double spin[9];
  rotationMatrix(spin, 1, 2, apparentSiderealTime_);
  matrixProduct(dateToJ2000, spin, earthFixedToJ2000_);
  // Element sets refer to the true equator and the mean equinox: their
  // right ascensions lack the equation of the equinoxes.
  rotationMatrix(spin, 1, 2, equationOfEquinoxes_);
  matrixProduct(dateToJ2000, spin, satelliteToJ2000_);

  eclipticOfDateTime_ = dynamicalJulianDate;
  eclipticOfDateMatrix(eclipticOfDate, dynamicalJulianDate);
  eclipticMatrix(eclipticJ2000, -1, meanObliquity(kJ2000));
}

const double* CSkyMechanics::eclipticOfDateFor(double t, double scratch[9]) const {
  // Within a day of the chart's date the ecliptic moves less than 0.15".
  if (std::fabs(t - eclipticOfDateTime_) <= 1.0) return eclipticOfDate;
  eclipticOfDateMatrix(scratch, t);
  return scratch;
}

double CSkyMechanics::apparentSiderealTimeAt(double t) const {
  return normalizeRadians(meanSiderealTime(t - deltaTInUse) + equationOfEquinoxes_);
}

void CSkyMechanics::setJulianDate(double jd) {
  CSkyCoordinates::setJulianDate(jd);
  buildDateFrames();
  clearPlanetCache();
  openEphemerisForDate(dynamicalJulianDate);
  setLocation(longitude, latitude, altitude);
}

void CSkyMechanics::setLocation(double lon, double lat, double alt) {
  CSkyCoordinates::setLocation(lon, lat, alt);
  if (homeObject == nullptr)
    placeObserverOnEarth();
  else
    placeObserverAtHome();
  observerFar = vectorLength(observerPosition) > farThreshold;
}

void CSkyMechanics::placeObserverOnEarth() {
  double earth[3], earthVelocity[3];
  planetState(kEarthBody, earth, earthVelocity, dynamicalJulianDate);
  const double height = altitude / kMetresPerKilometre / kAstronomicalUnitKm;
  double site[3], siteVelocity[3];
  geodeticToRectangular(&site[0], &site[1], &site[2], longitude, latitude, height,
                        kEarthEquatorialRadiusAU, kEarthFlattening);
  observerRotationVelocity(&siteVelocity[0], &siteVelocity[1], &siteVelocity[2], longitude,
                           latitude, height, kEarthEquatorialRadiusAU, kEarthFlattening,
                           kEarthRotationRate);
  matrixTimesVector(earthFixedToJ2000_, site);
  matrixTimesVector(earthFixedToJ2000_, siteVelocity);
  vectorAdd(earth, site, observerPosition);
  vectorAdd(earthVelocity, siteVelocity, observerVelocity);
  vectorScale(observerVelocity, kLightTimeDaysPerAU);
}

void CSkyMechanics::placeObserverAtHome() {
  const double t = dynamicalJulianDate;
  double position[3], velocity[3];
  objectPositionAt(homeObject, position, velocity, t);
  double offset[3];
  CPlanet* planet = asPlanet(homeObject);
  const bool horizon = displayCoordSystem == kCoordHorizon;
  bool onSurface = false;
  if (planet != nullptr) {
    double bodyFixed[9];
    if (!computeBodyOrientation(planet, bodyFixed, false)) identityMatrix(bodyFixed);
    if (planet->getType() != kTypeSatellite && horizon) {
      // On the surface at the site's longitude and latitude.
      const double radius = planet->getDiameter() * 0.5 / kAstronomicalUnitKm +
                            altitude / kMetresPerKilometre / kAstronomicalUnitKm;
      sphericalToVector(offset, longitude, latitude, radius);
      transposeTimesVector(bodyFixed, offset);
      double local[9];
      horizonMatrix(local, 1, longitude, latitude);
      matrixProduct(local, bodyFixed, horizonFrame);
      matrixCopy(bodyFixedFrame, horizonFrame);
      onSurface = true;
    } else if (horizon) {
      // The local horizon below the satellite: its geodetic place on the
      // Earth, and the true equator of date turned to it.
      double earth[3], below[3];
      planetState(kEarthBody, earth, nullptr, t);
      vectorSubtract(position, earth, below);
      double lon, lat;
      vectorToGeographic(below, &lon, &lat, nullptr);
      double local[9], toDate[9];
      horizonMatrix(local, 1, apparentSiderealTime_ + lon, lat);
      matrixTranspose(dateToJ2000, toDate);
      matrixProduct(local, toDate, horizonFrame);
    } else if (followHomePlanet && !isSun(planet)) {
      followParent(planet);
    }
  }
  if (!onSurface) {
    sphericalToVector(offset, homePlanetLongitude, homePlanetLatitude, homePlanetDistance);
    convertCoordSystem(displayCoordSystem, kCoordFundamental, offset, offset);
  }
  vectorAdd(position, offset, observerPosition);
  vectorCopy(observerVelocity, velocity);
  vectorScale(observerVelocity, kLightTimeDaysPerAU);
}

void CSkyMechanics::followParent(CPlanet* home) {
  CPlanet* parent = database != nullptr ? database->getParentPlanet(home) : nullptr;
  double parentPosition[3] = {0, 0, 0};
  if (parent != nullptr && parent != home && !isSun(parent))
    objectPositionAt(parent, parentPosition, nullptr, dynamicalJulianDate);
  double direction[3];
  home->getHeliocentricPosition(direction);
  vectorSubtract(direction, parentPosition, direction);
  if (!isFiniteVector(direction)) return;
  convertCoordSystem(kCoordFundamental, displayCoordSystem, direction, direction);
  double lon, lat;
  vectorToSpherical(direction, &lon, &lat, nullptr);
  if (lon == lastParentLongitude && lat == lastParentLatitude) return;
  if (std::isfinite(lastParentLongitude) && std::isfinite(lastParentLatitude)) {
    homePlanetLongitude = normalizeRadians(homePlanetLongitude + (lon - lastParentLongitude));
    homePlanetLatitude =
        std::clamp(homePlanetLatitude + (lat - lastParentLatitude), -kHalfPi, kHalfPi);
  }
  lastParentLongitude = lon;
  lastParentLatitude = lat;
}

void CSkyMechanics::setDisplayCoordSystem(int system) {
  if (system != displayCoordSystem && system >= 0 && system <= kCoordBodyFixed) {
    convertCoordSystemLonLat(displayCoordSystem, system, homePlanetLongitude,
                             homePlanetLatitude, &homePlanetLongitude, &homePlanetLatitude);
    // The remembered direction of the parent is a place in the old system
    // too; left as it was, the next step would read the change of system
    // as motion and swing the observer round.
    if (std::isfinite(lastParentLongitude) && std::isfinite(lastParentLatitude))
      convertCoordSystemLonLat(displayCoordSystem, system, lastParentLongitude,
                               lastParentLatitude, &lastParentLongitude, &lastParentLatitude);
  }
  CSkyProjection::setDisplayCoordSystem(system);
}

void CSkyMechanics::setHomeObject(const SkyObjectID& reference) {
  if (homeObject != nullptr && !homeObject->isOwnedByRegion()) delete homeObject;
  homeObject = nullptr;
  homeObjectID = SkyObjectID{};
  if (CSkyDatabase::isInvalidSkyObjectID(&reference) || database == nullptr) return;
  SkyObjectID copy = reference;
  CSkyObject* object = database->getObject(&copy);
  if (object == nullptr) return;
  homeObjectID = reference;
  homeObject = object;
}

void CSkyMechanics::setHomeObjectKeepingPosition(const SkyObjectID& reference) {
  double previous[3];
  vectorCopy(previous, observerPosition);
  setHomeObject(reference);
  double home[3];
  if (homeObject != nullptr)
    objectPositionAt(homeObject, home, nullptr, dynamicalJulianDate);
  else
    planetState(kEarthBody, home, nullptr, dynamicalJulianDate);
  double offset[3];
  vectorSubtract(previous, home, offset);
  if (isFiniteVector(offset)) {
    convertCoordSystem(kCoordFundamental, displayCoordSystem, offset, offset);
    vectorToSpherical(offset, &homePlanetLongitude, &homePlanetLatitude, &homePlanetDistance);
  }
  lastParentLongitude = lastParentLatitude = kNotAvailable;
  setLocation(longitude, latitude, altitude);
}

void CSkyMechanics::setHomePlanetPosition(double lon, double lat, double distance) {
  homePlanetLongitude = lon;
  homePlanetLatitude = lat;
  homePlanetDistance = distance;
  setLocation(longitude, latitude, altitude);
}

void CSkyMechanics::setHomePlanetLongitude(double lon) {
  homePlanetLongitude = lon;
  setLocation(longitude, latitude, altitude);
}

void CSkyMechanics::setHomePlanetLatitude(double lat) {
  homePlanetLatitude = lat;
  setLocation(longitude, latitude, altitude);
}

void CSkyMechanics::setHomePlanetDistance(double distance) {
  homePlanetDistance = distance;
  setLocation(longitude, latitude, altitude);
}

void CSkyMechanics::horizonPositionVelocity(const double position[3], double positionOut[3],
                                            const double velocity[3],
                                            double velocityOut[3]) const {
  double spin[3] = {0, 0, kEarthRotationRate};
  matrixTimesVector(dateToJ2000, spin);
  double carried[3], relative[3];
  vectorCross(spin, position, carried);
  vectorSubtract(velocity, carried, relative);
  fundamentalToHorizon(position, positionOut);
  fundamentalToHorizon(relative, velocityOut);
}

void CSkyMechanics::vectorToGeographic(const double vector[3], double* lon, double* lat,
                                       double* height) const {
  double fixed[3];
  vectorCopy(fixed, vector);
  transposeTimesVector(earthFixedToJ2000_, fixed);
  double l;
  rectangularToGeodetic(&l, lat, height, fixed[0], fixed[1], fixed[2],
                        kEarthEquatorialRadiusAU, kEarthFlattening);
  if (lon != nullptr) *lon = normalizeRadiansSigned(l);
}

bool CSkyMechanics::openEphemerisForDate(double jd) {
  if (ephemerisDirectory[0] == '\0') return false;
  if (ephemeris != nullptr && ephemerisStartJD < jd && jd < ephemerisEndJD) return true;
  closeEphemeris();
  char path[sizeof ephemerisDirectory + sizeof kEphemerisName];
  const int directoryLength =
      static_cast<int>(strnlen(ephemerisDirectory, sizeof ephemerisDirectory - 1));
  std::snprintf(path, sizeof path, "%.*s%s", directoryLength, ephemerisDirectory,
                kEphemerisName);
  std::int64_t offset = 0, length = 0;
  std::FILE* file = openFileWithSize(path, "rb", &offset, &length);
  if (file == nullptr) return false;
  ephemeris = openJPLEphemeris(file, offset, length, nullptr, 0, nullptr, 0);
  if (ephemeris == nullptr) {
    std::fclose(file);
    return false;
  }
  ephemerisStartJD = jplHeaderValue(ephemeris, 0);
  ephemerisEndJD = jplHeaderValue(ephemeris, 8);
  clearPlanetCache();
  // Open is not enough: the file must cover the date.
  return ephemerisStartJD <= jd && jd <= ephemerisEndJD;
}

void CSkyMechanics::closeEphemeris() {
  if (ephemeris == nullptr) return;
  closeJPLEphemeris(ephemeris);
  ephemeris = nullptr;
  clearPlanetCache();
}

double CSkyMechanics::getObjectRadius(const CSkyObject* object) const {
  if (const CPlanet* planet = asPlanet(object)) return planet->getDiameter() / kTwoAUKilometres;
  if (const CPlanetFeature* feature = asPlanetFeature(object))
    return feature->getDiameter() / kTwoAUKilometres;
  return 0;
}

bool raySphereIntersect(const double centre[3], const double origin[3],
                        const double direction[3], double* nearDistance, double* closest,
                        double radius) {
  double toCentre[3];
  vectorSubtract(centre, origin, toCentre);
  const double along = vectorDot(toCentre, direction);
  if (closest != nullptr) *closest = along > 0 ? along : 0;
  const double centreSquared = vectorDot(toCentre, toCentre);
  const double radiusSquared = radius * radius;
  if (centreSquared <= radiusSquared) {
    if (nearDistance != nullptr) *nearDistance = 0;
    return true;
  }
  if (along <= 0) return false;
  const double missSquared = centreSquared - along * along;
  if (!(missSquared <= radiusSquared)) return false;
  if (nearDistance != nullptr) *nearDistance = along - std::sqrt(radiusSquared - missSquared);
  return true;
}

double flattenedDirectionDot(const double direction[3], const double vector[3],
                             double flattening) {
  if (flattening == 0) return vectorDot(direction, vector);
  double stretched[3] = {vector[0], vector[1], vector[2] / (1 - flattening)};
  vectorNormalize(stretched);
  return vectorDot(direction, stretched);
}
