// CSkyMechanics: the apparent place of solar-system objects (light time,
// aberration), their magnitudes and eclipses, and the update entry the
// chart calls for every drawn object.
#include <cmath>

#include "engine/aberration.h"
#include "engine/angles.h"
#include "engine/body_geometry.h"
#include "engine/body_table.h"
#include "engine/magnitudes.h"
#include "mechanics/body_numbers.h"
#include "mechanics/sky_mechanics.h"
#include "mechanics/state_vectors.h"
#include "engine/vectors.h"
#include "skydata/object_factory.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/planet_feature.h"
#include "skydata/sky_database.h"

namespace {

using namespace mechanics;

// The slope of the H, G law where none was measured, as the Minor Planet
// Center assumes it (Bowell et al. 1989): most asteroids and every moon
// but ours come without one, and would otherwise have no brightness.
constexpr double kStandardSlope = 0.15;

double slopeOf(const CPlanet* object) {
  const double g = object->getSlopeParameter();
  return std::isfinite(g) ? g : kStandardSlope;
}

}  // namespace

double CSkyMechanics::observerRelativeVector(const double point[3], double unit[3]) const {
  double relative[3];
  vectorSubtract(point, observerPosition, relative);
  const double distance = vectorLength(relative);
  if (!(distance > 0) || !std::isfinite(distance)) {
    setNotAvailable(unit);
    return distance == 0 ? 0 : kNotAvailable;
  }
  vectorScale(relative, 1 / distance);
  if (aberration) relativisticAberration(relative, observerVelocity, relative);
  vectorCopy(unit, relative);
  return distance;
}

CPlanet* CSkyMechanics::updatableParent(CPlanet* object) const {
  if (database == nullptr) return nullptr;
  // At most two links (moon, planet) lead to the Sun; a longer chain or a
  // loop read from a damaged file counts as orbiting the Sun.
  auto link = [this](CPlanet* body) -> CPlanet* {
    CPlanet* parent = database->getParentPlanet(body);
    return parent == nullptr || isSun(parent) ? nullptr : parent;
  };
  CPlanet* parent = link(object);
  if (parent == nullptr || parent == object) return nullptr;
  CPlanet* grandparent = link(parent);
  if (grandparent == nullptr) return parent;
  if (grandparent == object || grandparent == parent) return nullptr;
  CPlanet* beyond = link(grandparent);
  return beyond == nullptr ? parent : nullptr;
}

void CSkyMechanics::updatePlanetPosition(CPlanet* object) {
  if (object == nullptr) return;
  const double now = dynamicalJulianDate;
  // The parent's own place is brought up to date first. The object's first
  // state, which only measures the light time, takes the parent at the
  // chart's time rather than the parent's stored (retarded) place.
  if (CPlanet* parent = updatableParent(object)) updatePlanetPosition(parent);
  double position[3], velocity[3], parentUsed[3];
  objectStateWithParent(object, position, velocity, nullptr, nullptr, now, parentUsed,
                        kNotAvailable);
  if (lightTime) {
    const double retardation = vectorDistance(position, observerPosition) * kLightTimeDaysPerAU;
    if (std::isfinite(retardation))
      objectStateWithParent(object, position, velocity, nullptr, nullptr, now - retardation,
                            parentUsed, retardation);
  }
  double direction[3];
  const double distance = observerRelativeVector(position, direction);
  object->setPosition(direction);
  object->setDistance(distance);

  double from, to;
  object->getValidTimeRange(&from, &to);
  double magnitude = kNotAvailable;
  if (now >= from && now <= to) {
    magnitude = planetMagnitude(object);
    if (isFiniteVector(parentUsed)) {
      const CPlanet* parent = database != nullptr ? database->getParentPlanet(object) : nullptr;
      if (parent != nullptr && !isSun(parent) &&
          eclipseValue(position, parentUsed, parent->getDiameter()) == 1.0)
        magnitude = kNotAvailable;
    } else if (eclipseFraction(object) == 1.0) {
      magnitude = kNotAvailable;
    }
  }
  object->setMagnitude(static_cast<float>(magnitude));

  double orientation[9];
  if (computeBodyOrientation(object, orientation, lightTime != 0))
    object->setOrientationMatrix(orientation);
}

void CSkyMechanics::updateObjectPosition(CSkyObject* object) {
  if (CPlanet* planet = asPlanet(object))
    updatePlanetPosition(planet);
  else if (asStar(object) != nullptr)
    updateStarPosition(object);
  else if (CPlanetFeature* feature = asPlanetFeature(object))
    updateFeaturePosition(feature);
}

void CSkyMechanics::clearObjectPosition(CSkyObject* object) {
  if (object == nullptr) return;
  double none[3];
  setNotAvailable(none);
  object->setPosition(none);
  object->setDistance(kNotAvailable);
  object->setMagnitude(static_cast<float>(kNotAvailable));
  if (CPlanet* planet = asPlanet(object)) {
    planet->setHeliocentricPosition(none);
    planet->setHeliocentricVelocity(none);
    planet->setAuxValue(kNotAvailable);
  }
}

double CSkyMechanics::planetMagnitude(CPlanet* object) {
  double heliocentric[3];
  object->getHeliocentricPosition(heliocentric);
  const double r = vectorLength(heliocentric);
  const double d = object->getDistance();
  const double phase = object->getPhaseAngle();
  const int body = static_cast<int>(object->getBodyNumber());
  switch (object->getType()) {
    case kTypePlanet:
      switch (body) {
        case 0: return sunMagnitude(d);
        case 1: return mercuryMagnitude(r, d, phase);
        case 2: return venusMagnitude(r, d, phase);
        case 3: return earthMagnitude(r, d, phase);
        case 4: return marsMagnitude(r, d, phase);
        case 5: return jupiterMagnitude(r, d, phase);
        case 6: {
          double toSaturn[3];
          object->getPosition(toSaturn);
          vectorScale(toSaturn, d);
          return saturnMagnitude(r, d, phase, saturnRingTilt(toSaturn, d));
        }
        case 7: return uranusMagnitude(r, d, phase);
        case 8: return neptuneMagnitude(r, d, phase);
        case 9: return plutoMagnitude(r, d, phase);
        default: return kNotAvailable;
      }
    case kTypeMoon:
      if (body == kMoonBody) return moonMagnitude(r, d, phase);
      return hgMagnitude(r, d, phase, object->getAbsoluteMagnitude(), slopeOf(object));
    case kTypeAsteroid:
      return hgMagnitude(r, d, phase, object->getAbsoluteMagnitude(), slopeOf(object));
    case kTypeComet:
      return cometMagnitude(r, d, object->getAbsoluteMagnitude(), object->getSlopeParameter());
    case kTypeSatellite:
      return satelliteMagnitude(d * kAstronomicalUnitKm, phase, object->getAbsoluteMagnitude());
    default:
      return kNotAvailable;
  }
}

double CSkyMechanics::sunDiameter() const {
  CPlanet* sun = database != nullptr ? database->getSun() : nullptr;
  if (sun != nullptr && sun->getDiameter() > 0) return sun->getDiameter();
  const BodyTableRow* row = bodyTableRow(0);
  return row != nullptr ? 2.0 * row->radius : 0;
}

double CSkyMechanics::eclipseValue(const double position[3], const double parentPosition[3],
                                   double parentDiameter) const {
  // Both discs as seen from the object.
  double toParent[3], toSun[3];
  vectorSubtract(parentPosition, position, toParent);
  vectorCopy(toSun, position);
  vectorScale(toSun, -1);
  const double parentRadius =
      angularRadius(parentDiameter / kTwoAUKilometres, vectorLength(toParent));
  const double sunRadius = angularRadius(sunDiameter() / kTwoAUKilometres, vectorLength(toSun));
  if (!(vectorNormalize(toParent) > 0) || !(vectorNormalize(toSun) > 0)) return 0;
  const double separation = vectorSeparation(toParent, toSun);
  if (separation < parentRadius - sunRadius) return 1.0;
  if (!(separation < parentRadius + sunRadius)) return 0;
  return std::fmin(parentRadius / (separation + sunRadius), 1.0);
}

double CSkyMechanics::eclipseFraction(CPlanet* object) {
  CPlanet* parent = database != nullptr ? database->getParentPlanet(object) : nullptr;
  if (parent == nullptr || parent == object || isSun(parent)) return 0;
  double position[3], parentPosition[3];
  object->getHeliocentricPosition(position);
  // The parent where it was when the object's state was taken.
  const int body = static_cast<int>(parent->getBodyNumber());
  if (parent->getType() == kTypePlanet && body >= 1 && body <= kPlutoBody &&
      std::isfinite(object->getAuxValue()))
    planetState(body, parentPosition, nullptr, object->getAuxValue());
  else
    parent->getHeliocentricPosition(parentPosition);
  if (!isFiniteVector(position) || !isFiniteVector(parentPosition)) return 0;
  return eclipseValue(position, parentPosition, parent->getDiameter());
}
