// CSkyMechanics: heliocentric states of the Sun, planets, moons, minor
// bodies and artificial satellites, the dispatch by object type, and the
// orientation of bodies.
#include <cmath>

#include "engine/aberration.h"
#include "engine/angles.h"
#include "engine/body_dispatch.h"
#include "engine/calendar.h"
#include "engine/galilean_moons.h"
#include "engine/kepler_orbits.h"
#include "engine/lunar_theory.h"
#include "engine/matrices.h"
#include "mechanics/body_numbers.h"
#include "mechanics/jpl_ephemeris.h"
#include "mechanics/orbit_table.h"
#include "mechanics/satellite_place.h"
#include "mechanics/state_vectors.h"
#include "mechanics/sky_mechanics.h"
#include "engine/moon_rotation.h"
#include "engine/planet_elements.h"
#include "engine/planet_series.h"
#include "engine/pluto_theory.h"
#include "engine/rotation_models.h"
#include "engine/sgp4.h"
#include "engine/sidereal_time.h"
#include "engine/vectors.h"
#include "skydata/object_factory.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/satellite.h"
#include "skydata/sky_database.h"
#include "skydata/star.h"

namespace {

using namespace mechanics;


// Pluto's periodic series holds between these dynamical times (1885-2099).
constexpr double kPlutoSeriesStart = 2409542.5;
constexpr double kPlutoSeriesEnd = 2488069.5;
// Earth radii of the lunar series per AU.
constexpr double kLunarEarthRadiiPerAU = 23454.779920164812;
// SGP4/SDP4: the element-set theory's Earth radius in AU, and minutes per
// day.
constexpr double kSgp4EarthRadiusAU = 6378.135 / kAstronomicalUnitKm;
constexpr double kMinutesPerDay = 1440.0;
// Jupiter's texture puts the Great Red Spot at this System III longitude.
constexpr double kRedSpotTextureLongitude = -2.2689280275920556;
// A planet's state within this time before the chart's is carried back
// from its state at the chart's time.
constexpr double kRetardationSpan = kSecondInDays;

// A conic state of elements referred to a frame, rotated into the working
// frame; the velocity only when asked.
void conicState(const double frame[9], double q, double e, double i, double omega,
                double node, double m, double n, double position[3], double velocity[3]) {
  if (velocity != nullptr) {
    double gm;
    orbitStateVectors(position, velocity, &gm, q, e, i, omega, node, m, n);
    matrixTimesVector(frame, velocity);
  } else {
    orbitPositionVector(position, q, e, i, omega, node, m);
  }
  matrixTimesVector(frame, position);
}

// The elements of a moon by identifier as a conic in `frame`; false, with
// the state not available, when there are none.
bool moonElementsState(int body, const double frame[9], double position[3],
                       double velocity[3], double t) {
  double a, e, i, omega, node, m, n;
  if (!moonOrbitByBodyId(body, &a, &e, &i, &omega, &node, &m, &n, t)) {
    setNotAvailable(position);
    setNotAvailable(velocity);
    return false;
  }
  conicState(frame, a * (1 - e), e, i, omega, node, m, n, position, velocity);
  return true;
}

using PlanetSeries = void (*)(double*, double*, double*, double);
const PlanetSeries kPlanetSeries[8] = {
    planetSeriesAbridgedMercury, planetSeriesAbridgedVenus, planetSeriesAbridgedEarth,
    planetSeriesAbridgedMars,    planetSeriesAbridgedJupiter, planetSeriesAbridgedSaturn,
    planetSeriesAbridgedUranus,  planetSeriesAbridgedNeptune};

using MoonPosition = void (*)(double*, double*, double*, double);
// Half-step of the Galilean moons' differenced velocity (days): a relative
// error below 1e-5 for Io.
constexpr double kGalileanStep = 0.01;
const MoonPosition kGalileanMoons[4] = {ioPosition, europaPosition, ganymedePosition,
                                        callistoPosition};

}  // namespace

// Planets.

void CSkyMechanics::clearPlanetCache() {
  for (PlanetCacheEntry& entry : planetCache_) entry.filled = false;
  planetCacheTime_ = dynamicalJulianDate;
}

void CSkyMechanics::planetState(int body, double position[3], double velocity[3], double t) {
  const double before = planetCacheTime_ - t;
  if (body >= 0 && body <= kPlutoBody && before >= 0 && before <= kRetardationSpan)
    retardedPlanetState(body, position, velocity, before);
  else
    computePlanetState(body, position, velocity, t);
}

void CSkyMechanics::retardedPlanetState(int body, double position[3], double velocity[3],
                                        double retardation) {
  if (body < 0 || body > kPlutoBody || !(retardation >= 0 && retardation <= kRetardationSpan)) {
    computePlanetState(body, position, velocity, planetCacheTime_ - retardation);
    return;
  }
  PlanetCacheEntry& entry = planetCache_[body];
  if (!entry.filled) {
    computePlanetState(body, entry.position, entry.velocity, planetCacheTime_);
    entry.filled = true;
  }
  // Carried back along the velocity, the Earth's barycentric one, so that
  // the light-time shift and the aberration of the observer's motion
  // cancel as they do in nature; over a second the orbit's curvature
  // leaves micrometres.
  for (int k = 0; k < 3; ++k) position[k] = entry.position[k] - entry.velocity[k] * retardation;
  if (velocity != nullptr) vectorCopy(velocity, entry.velocity);
}

void CSkyMechanics::computePlanetState(int body, double position[3], double velocity[3],
                                       double t) {
  position[0] = position[1] = position[2] = 0;
  if (velocity != nullptr) velocity[0] = velocity[1] = velocity[2] = 0;
  if (body <= kSunBody || body > kPlutoBody) return;
  if (ephemeris != nullptr) {
    double state[6];
    if (jplBodyState(ephemeris, body, kJPLSun, state, velocity != nullptr, t) == 0) {
      if (body == kPlutoBody) {
        // The file gives the Pluto system's barycentre: back to Pluto.
        double charon[3], charonVelocity[3];
        plutoMoonState(kCharonBody, charon, velocity != nullptr ? charonVelocity : nullptr, t);
        for (int k = 0; k < 3; ++k) {
          state[k] -= kCharonMassFraction * charon[k];
          if (velocity != nullptr) state[3 + k] -= kCharonMassFraction * charonVelocity[k];
        }
      }
      vectorCopy(position, state);
      if (velocity != nullptr) vectorCopy(velocity, state + 3);
      return;
    }
  }
  if (velocity != nullptr) {
    if (body == kEarthBody) {
      earthVelocitySeries(&velocity[0], &velocity[1], &velocity[2], t);
    } else {
      double a, e, i, omega, node, m, n, scratch[3];
      planetElementsByNumber(body, &a, &e, &i, &omega, &node, &m, &n, t);
      conicState(eclipticJ2000, a * (1 - e), e, i, omega, node, m, n, scratch, velocity);
    }
  }
  if (body < kPlutoBody) {
    double l, b, r, scratch[9];
    kPlanetSeries[body - 1](&l, &b, &r, t);
    sphericalToVector(position, l, b, r);
    matrixTimesVector(eclipticOfDateFor(t, scratch), position);
  } else if (t > kPlutoSeriesStart && t < kPlutoSeriesEnd) {
    double l, b, r;
    plutoPositionPeriodic(&l, &b, &r, t);
    sphericalToVector(position, l, b, r);
    matrixTimesVector(eclipticJ2000, position);
  } else {
    double a, e, i, omega, node, m, n;
    plutoElements(&a, &e, &i, &omega, &node, &m, &n, t);
    conicState(eclipticJ2000, a * (1 - e), e, i, omega, node, m, n, position, nullptr);
  }
}

// Moons, relative to their planet.

bool CSkyMechanics::moonState(int body, double position[3], double velocity[3], double t) {
  return moonStateOfParent(body / 100, body, position, velocity, t);
}

bool CSkyMechanics::moonStateOfParent(int parent, int body, double position[3],
                                      double velocity[3], double t) {
  switch (parent) {
    case 3: return earthMoonState(body, position, velocity, t);
    case 4: return marsMoonState(body, position, velocity, t);
    case 5: return jupiterMoonState(body, position, velocity, t);
    case 6: return saturnMoonState(body, position, velocity, t);
    case 7: return uranusMoonState(body, position, velocity, t);
    case 8: return neptuneMoonState(body, position, velocity, t);
    case 9: return plutoMoonState(body, position, velocity, t);
    default: return otherMoonState(body, position, velocity, t);
  }
}

bool CSkyMechanics::earthMoonState(int body, double position[3], double velocity[3],
                                   double t) {
  if (body != kMoonBody) return otherMoonState(body, position, velocity, t);
  if (ephemeris != nullptr) {
    double state[6];
    if (jplBodyState(ephemeris, kJPLMoon, kJPLEarth, state, velocity != nullptr, t) == 0) {
      vectorCopy(position, state);
      if (velocity != nullptr) vectorCopy(velocity, state + 3);
      return true;
    }
  }
  double scratch[9];
  const double* frame = eclipticOfDateFor(t, scratch);
  if (velocity != nullptr) {
    double a, e, i, perigee, node, m, n, discard[3];
    lunarMeanOrbit(&a, &e, &i, &perigee, &node, &m, &n, t);
    conicState(frame, a * (1 - e), e, i, perigee - node, node, m, n, discard, velocity);
  }
  double lon, lat, distance;
  moonPositionAbridged(&lon, &lat, &distance, t);
  sphericalToVector(position, lon, lat, distance / kLunarEarthRadiiPerAU);
  matrixTimesVector(frame, position);
  return true;
}

bool CSkyMechanics::marsMoonState(int body, double position[3], double velocity[3],
                                  double t) {
  // Phobos and Deimos: elements on Laplace planes that move with the date,
  // which the element dispatcher's frames follow.
  return otherMoonState(body, position, velocity, t);
}

bool CSkyMechanics::jupiterMoonState(int body, double position[3], double velocity[3],
                                     double t) {
  if (body < 501 || body > 504) return otherMoonState(body, position, velocity, t);
  const MoonPosition theory = kGalileanMoons[body - 501];
  if (velocity != nullptr) {
    // The theory's own motion: the body table's mean elements would give
    // a velocity of the right size but in a direction unrelated to where
    // the theory puts the moon.
    double before[3], after[3];
    theory(&before[0], &before[1], &before[2], t - kGalileanStep);
    theory(&after[0], &after[1], &after[2], t + kGalileanStep);
    for (int k = 0; k < 3; ++k) velocity[k] = (after[k] - before[k]) / (2 * kGalileanStep);
    matrixTimesVector(jupiterMoonFrame, velocity);
  }
  theory(&position[0], &position[1], &position[2], t);
  matrixTimesVector(jupiterMoonFrame, position);
  return true;
}

bool CSkyMechanics::saturnMoonState(int body, double position[3], double velocity[3],
                                    double t) {
  const double* frame = body >= 601 && body <= 604   ? saturnMoonFrame
                        : body >= 605 && body <= 608 ? eclipticB1950
                                                     : nullptr;
  if (frame == nullptr) return otherMoonState(body, position, velocity, t);
  return moonElementsState(body, frame, position, velocity, t);
}

bool CSkyMechanics::uranusMoonState(int body, double position[3], double velocity[3],
                                    double t) {
  // The element dispatcher pairs each Uranian moon's elements with their
  // frame (the Uranian equator of the theory for the five major moons).
  return otherMoonState(body, position, velocity, t);
}

bool CSkyMechanics::neptuneMoonState(int body, double position[3], double velocity[3],
                                     double t) {
  // Triton's Laplace plane moves with the date; Nereid's plane is fixed.
  if (body != 802) return otherMoonState(body, position, velocity, t);
  return moonElementsState(body, neptuneMoonFrame, position, velocity, t);
}

bool CSkyMechanics::plutoMoonState(int body, double position[3], double velocity[3],
                                   double t) {
  if (body != kCharonBody) return otherMoonState(body, position, velocity, t);
  return moonElementsState(body, b1950ToJ2000, position, velocity, t);
}

bool CSkyMechanics::otherMoonState(int body, double position[3], double velocity[3],
                                   double t) {
  double frame[9];
  if (moonFrameByBodyId(body, frame, t))
    return moonElementsState(body, frame, position, velocity, t);
  setNotAvailable(position);
  setNotAvailable(velocity);
  return false;
}

// Minor bodies and satellites.

void CSkyMechanics::keplerState(CPlanet* object, double position[3], double velocity[3],
                                double t) {
  if (object->getPathCount() >= 2 &&
      std::fabs(t - object->getElementEpoch()) > kSecondInDays) {
    if (findTabulatedState(object, position, velocity, t)) return;
    // Beyond the table: Kepler motion from the table's end nearer the time.
    double epoch, q, e, i, omega, node, m, n;
    if (osculatingElements(object, &epoch, &q, &e, &i, &omega, &node, &m, &n, t)) {
      conicState(eclipticJ2000, q, e, i, omega, node, m + n * (t - epoch), n, position,
                 velocity);
      return;
    }
  }
  double from, to;
  object->getValidTimeRange(&from, &to);
  if (t < from) t = from;
  if (t > to) t = to;
  conicState(eclipticJ2000, object->getPerihelionDistance(), object->getEccentricity(),
             object->getInclination(), object->getArgumentOfPerihelion(),
             object->getAscendingNode(), object->getMeanAnomaly(t), object->getMeanMotion(),
             position, velocity);
}

int CSkyMechanics::computeSatellitePosition(CSatellite* satellite, double position[3],
                                            double velocity[3], double t) {
  // Element-set epochs are UT: t less Delta-T, taken as the chart's own UT
  // date moved by t's offset from the chart's dynamical time. Both
  // differences are exact, where a date less Delta-T would be rounded to
  // 40 microseconds (30 cm of a low orbit).
  const double tsince =
      ((julianDate - satellite->getElementEpoch()) + (t - dynamicalJulianDate)) * kMinutesPerDay;
  return satelliteStateAt(satellite, position, velocity, tsince);
}

int CSkyMechanics::satelliteStateAt(CSatellite* satellite, double position[3],
                                    double velocity[3], double tsince) {
  const int error = SatellitePlace(*satellite).at(tsince, position, velocity);
  if (error != kSatelliteModelOK || !isFiniteVector(position)) return error;
  for (int k = 0; k < 3; ++k) {
    position[k] *= kSgp4EarthRadiusAU;
    if (velocity != nullptr) velocity[k] *= kSgp4EarthRadiusAU * kMinutesPerDay;
  }
  matrixTimesVector(satelliteToJ2000_, position);
  if (velocity != nullptr) matrixTimesVector(satelliteToJ2000_, velocity);
  return kSatelliteModelOK;
}

int CSkyMechanics::parentPlanetNumber(const CPlanet* object) const {
  if (object->getType() == kTypeSatellite) return kEarthBody;
  if (database != nullptr) {
    const CPlanet* parent = database->getParentPlanet(object);
    if (parent != nullptr && parent != object) {
      const int body = static_cast<int>(parent->getBodyNumber());
      return parent->getType() == kTypePlanet && body >= 1 && body <= kPlutoBody ? body : -1;
    }
  }
  const int planet = static_cast<int>(object->getBodyNumber() / 100);
  return planet >= 1 && planet <= kPlutoBody ? planet : -1;
}

void CSkyMechanics::objectState(CPlanet* object, double position[3], double velocity[3],
                                const double* parentPosition, const double* parentVelocity,
                                double t) {
  double parentUsed[3];
  objectStateWithParent(object, position, velocity, parentPosition, parentVelocity, t,
                        parentUsed, kNotAvailable);
}

void CSkyMechanics::objectStateWithParent(CPlanet* object, double position[3],
                                          double velocity[3], const double* parentPosition,
                                          const double* parentVelocity, double t,
                                          double parentUsed[3], double retardation) {
  const bool retarded = std::isfinite(retardation);
  setNotAvailable(parentUsed);
  const int type = object->getType();
  const int body = static_cast<int>(object->getBodyNumber());
  bool relative = false;
  int parent = -1;
  switch (type) {
    case kTypePlanet:
      planetState(body, position, velocity, t);
      break;
    case kTypeMoon:
      parent = parentPlanetNumber(object);
      relative = true;
      if (parent < kEarthBody || !moonStateOfParent(parent, body, position, velocity, t)) {
        setNotAvailable(position);
        setNotAvailable(velocity);
      }
      break;
    case kTypeAsteroid:
    case kTypeComet:
      keplerState(object, position, velocity, t);
      break;
    case kTypeSpacecraft:
      // The table, except at the element epoch itself.
      if (std::fabs(t - object->getElementEpoch()) <= kSecondInDays ||
          !tabulatedState(object, position, velocity, t))
        keplerState(object, position, velocity, t);
      break;
    case kTypeSatellite: {
      parent = kEarthBody;
      relative = true;
      CSatellite* satellite = asSatellite(object);
      if (retarded)
        satelliteStateAt(satellite, position, velocity,
                         ((julianDate - satellite->getElementEpoch()) - retardation) *
                             kMinutesPerDay);
      else
        computeSatellitePosition(satellite, position, velocity, t);
      lastSatellite_ = satellite;
      lastSatelliteTime_ = t;
      vectorCopy(lastSatellitePosition_, position);
      if (velocity != nullptr)
        vectorCopy(lastSatelliteVelocity_, velocity);
      else
        setNotAvailable(lastSatelliteVelocity_);
      break;
    }
    default:
      setNotAvailable(position);
      setNotAvailable(velocity);
      break;
  }
  if (relative) {
    double ownPosition[3], ownVelocity[3];
    if (parentPosition != nullptr) {
      vectorCopy(ownPosition, parentPosition);
      if (parentVelocity != nullptr)
        vectorCopy(ownVelocity, parentVelocity);
      else
        setNotAvailable(ownVelocity);
    } else if (parent >= 1 && retarded) {
      retardedPlanetState(parent, ownPosition, velocity != nullptr ? ownVelocity : nullptr,
                          retardation);
    } else if (parent >= 1) {
      planetState(parent, ownPosition, velocity != nullptr ? ownVelocity : nullptr, t);
    } else {
      setNotAvailable(ownPosition);
      setNotAvailable(ownVelocity);
    }
    vectorAdd(position, ownPosition, position);
    if (velocity != nullptr) vectorAdd(velocity, ownVelocity, velocity);
    vectorCopy(parentUsed, ownPosition);
  }
  if (!isFiniteVector(position)) setNotAvailable(position);
  if (velocity != nullptr && !isFiniteVector(velocity)) setNotAvailable(velocity);
  object->setHeliocentricPosition(position);
  if (velocity != nullptr) object->setHeliocentricVelocity(velocity);
  object->setAuxValue(t);
}

double CSkyMechanics::objectPositionAt(CSkyObject* object, double position[3],
                                       double velocity[3], double t) {
  if (CPlanet* planet = asPlanet(object)) {
    objectState(planet, position, velocity, nullptr, nullptr, t);
    return vectorLength(position);
  }
  if (const CStar* star = asStar(object)) return starPositionAt(star, t, position, velocity);
  setNotAvailable(position);
  setNotAvailable(velocity);
  return kNotAvailable;
}

// Orientation.

void CSkyMechanics::rotationElements(int body, double* ra, double* dec, double* w,
                                     double* rate, double t) {
  using Model = void (*)(double*, double*, double*, double*, double);
  Model model = nullptr;
  switch (body) {
    case 0: model = sunRotation; break;
    case 1: model = mercuryRotation; break;
    case 2: model = venusRotation; break;
    case 3: model = earthRotation; break;
    case 4: model = marsRotation; break;
    case 5: jupiterRotation(ra, dec, w, rate, t, 3); return;
    case 6: saturnRotation(ra, dec, w, rate, t, 3); return;
    case 7: model = uranusRotation; break;
    case 8: model = neptuneRotation; break;
    case 9: model = plutoRotation; break;
    case 301: model = moonRotation; break;
    case 401: model = phobosRotation; break;
    case 402: model = deimosRotation; break;
    case 501: model = ioRotation; break;
    case 502: model = europaRotation; break;
    case 503: model = ganymedeRotation; break;
    case 504: model = callistoRotation; break;
    case 505: model = amaltheaRotation; break;
    case 601: model = mimasRotation; break;
    case 602: model = enceladusRotation; break;
    case 603: model = tethysRotation; break;
    case 604: model = dioneRotation; break;
    case 605: model = rheaRotation; break;
    case 606: model = titanRotation; break;
    case 607: model = hyperionRotation; break;
    case 608: model = iapetusRotation; break;
    case 609: model = phoebeRotation; break;
    case 701: model = arielRotation; break;
    case 702: model = umbrielRotation; break;
    case 703: model = titaniaRotation; break;
    case 704: model = oberonRotation; break;
    case 705: model = mirandaRotation; break;
    case 801:
    case 802: model = tritonRotation; break;
    case 901: model = charonRotation; break;
    default: break;
  }
  if (model != nullptr) {
    model(ra, dec, w, rate, t);
    return;
  }
  for (double* out : {ra, dec, w, rate})
    if (out != nullptr) *out = 0;
}

bool CSkyMechanics::computeBodyOrientation(CPlanet* object, double matrix[9], bool withLightTime) {
  double t = dynamicalJulianDate;
  const double distance = object->getDistance();
  if (withLightTime && std::isfinite(distance)) t -= distance * kLightTimeDaysPerAU;
  const int body = static_cast<int>(object->getBodyNumber());
  switch (object->getType()) {
    case kTypePlanet:
    case kTypeMoon: {
      if (object->getType() == kTypePlanet && body == kEarthBody) {
        // The Earth turns with apparent sidereal time of UT.
        double spin[9], toDate[9];
        rotationMatrix(spin, 1, 2, -apparentSiderealTimeAt(t));
        matrixTranspose(dateToJ2000, toDate);
        matrixProduct(spin, toDate, matrix);
        return true;
      }
      double ra, dec, w, rate;
      rotationElements(body, &ra, &dec, &w, &rate, t);
      if (object->getType() == kTypePlanet && body == kJupiterBody)
        w = normalizeRadians(w - (greatRedSpotLongitude(t) + kRedSpotTextureLongitude));
      bodyFixedMatrix(matrix, 1, ra, dec, w);
      return true;
    }
    case kTypeSatellite: {
      CSatellite* satellite = asSatellite(object);
      double position[3], velocity[3];
      if (satellite == lastSatellite_ && std::fabs(t - lastSatelliteTime_) < kSecondInDays &&
          isFiniteVector(lastSatelliteVelocity_)) {
        vectorCopy(position, lastSatellitePosition_);
        vectorCopy(velocity, lastSatelliteVelocity_);
      } else {
        computeSatellitePosition(satellite, position, velocity, t);
      }
      if (!isFiniteVector(position) || !isFiniteVector(velocity)) return false;
      double* x = matrix;
      double* y = matrix + 3;
      double* z = matrix + 6;
      vectorCopy(z, position);
      vectorCross(velocity, position, y);
      if (!(vectorNormalize(z) > 0) || !(vectorNormalize(y) > 0)) return false;
      vectorCross(y, z, x);
      if (satellite->hasCategoryGroup80()) {
        const double angle =
            wobbleAmplitude * kRadiansPerDegree *
            std::sin((dynamicalJulianDate - object->getElementEpoch()) /
                     (wobblePeriod * kSecondInDays));
        double swing[9];
        rotationMatrix(swing, 1, 0, angle);
        matrixMultiply(swing, matrix);
      }
      return true;
    }
    case kTypeAsteroid: {
      double ra, dec, w, rate;
      if (!rotationElementsAsteroid(body, &ra, &dec, &w, &rate, t)) return false;
      bodyFixedMatrix(matrix, 1, ra, dec, w);
      return true;
    }
    default:
      return false;
  }
}
