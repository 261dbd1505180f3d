// CSkyMechanics: the apparent place of stars, double and binary stars,
// variable stars and deep-sky objects: proper motion, the parallax seen by
// a distant observer with the brightening that goes with it, aberration,
// the companions of binaries on their orbits, and supernova light curves.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/aberration.h"
#include "engine/angles.h"
#include "engine/calendar.h"
#include "engine/kepler_orbits.h"
#include "mechanics/sky_mechanics.h"
#include "mechanics/state_vectors.h"
#include "engine/vectors.h"
#include "skydata/object_factory.h"
#include "skydata/object_types.h"
#include "skydata/sky_database.h"
#include "skydata/star.h"
#include "skydata/star_classes.h"

namespace {

using namespace mechanics;

constexpr double kDaysPerJulianYear = 365.25;
// 5 / ln 100: magnitude = -this x ln(brightness factor) is -2.5 log10 of it.
constexpr double kMagnitudePerLn = 1.0857362047581294;
// One arcsecond in radians: a parallax of one AU at a parsec.
constexpr double kArcsecond = 4.848136811094136e-6;

// Julian year (2000 + years from J2000) of a Julian date.
double julianYear(double jd) { return 2000.0 + (jd - kJ2000) / kDaysPerJulianYear; }

// Magnitudes to add for a supernova `t` days from its peak, by the type's
// text ("I..." but not "II", or "II..."); +infinity outside its curve.
double supernovaTerm(const char* type, double t) {
  const bool typeTwo = std::strncmp(type, "II", 2) == 0;
  const bool typeOne = !typeTwo && type[0] == 'I';
  if (typeOne) {
    if (t > -20 && t < 0) return t * 20 / -20;
    if (t >= 0 && t < 200) return t * 0.1;
  } else if (typeTwo) {
    if (t > -15 && t < 0) return t * 20 / -15;
    if (t >= 0 && t < 400) return t * 0.05;
  }
  return kNotAvailable;
}

// Unit vectors north and east on the sky at direction u.
void skyAxes(const double u[3], double north[3], double east[3]) {
  east[0] = -u[1];
  east[1] = u[0];
  east[2] = 0;
  if (!(vectorNormalize(east) > 0)) {
    // At a pole east is any horizontal direction; take the y axis.
    east[0] = 0;
    east[1] = 1;
  }
  vectorCross(u, east, north);
}

}  // namespace

bool binaryOrbitOffset(const CBinaryStar& binary, const double direction[3], double year,
                       double offset[3]) {
  offset[0] = offset[1] = offset[2] = 0;
  const double t0 = binary.getPeriastronYear(), period = binary.getPeriod();
  const double a = binary.getSemimajorAxis(), e = binary.getEccentricity();
  const double i = binary.getInclination(), omega = binary.getArgumentOfPeriastron();
  const double node = binary.getAscendingNode();
  for (double value : {t0, period, a, e, i, omega, node, year})
    if (!std::isfinite(value)) return false;
  if (!(period > 0) || !(e >= 0 && e < 1)) return false;
  const double m = normalizeRadians((year - t0) * kTwoPi / period);
  double x, y, z;
  orbitPosition(&x, &y, &z, (1 - e) * a, e, i, omega, node, m);
  double north[3], east[3];
  skyAxes(direction, north, east);
  for (int k = 0; k < 3; ++k) offset[k] = x * north[k] + y * east[k] + z * direction[k];
  return isFiniteVector(offset);
}

void CSkyMechanics::starInputs(const CStar* star, double t, double vector[3], double motion[3],
                               double* distance) {
  star->getCatalogVector(vector);
  star->getMotionVector(motion);
  *distance = star->getStarDistance();
  const CBinaryStar* binary = asBinaryStar(star);
  if (binary == nullptr || database == nullptr) return;
  ScopedSkyObject linked(database->getBinaryComponentStar(binary));
  const CStar* primary = asStar(linked.get());
  if (primary == nullptr) return;
  double primaryVector[3], offset[3];
  primary->getCatalogVector(primaryVector);
  if (!binaryOrbitOffset(*binary, primaryVector, julianYear(t), offset)) return;
  vectorAdd(primaryVector, offset, vector);
  primary->getMotionVector(motion);
  *distance = primary->getStarDistance() * vectorNormalize(vector);
}

bool CSkyMechanics::binaryStarCompanionPosition(const CBinaryStar* binary, double* separation,
                                                double* positionAngle,
                                                double* trueSeparation) const {
  if (binary == nullptr) return false;
  double direction[3], offset[3];
  binary->getCatalogVector(direction);
  if (!binaryOrbitOffset(*binary, direction, julianYear(dynamicalJulianDate), offset))
    return false;
  double north[3], east[3];
  skyAxes(direction, north, east);
  const double x = vectorDot(offset, north), y = vectorDot(offset, east);
  if (separation != nullptr) *separation = std::hypot(x, y);
  if (positionAngle != nullptr) *positionAngle = positiveAtan2(y, x);
  if (trueSeparation != nullptr) *trueSeparation = vectorLength(offset);
  return true;
}

bool CSkyMechanics::updateStarPosition(CSkyObject* object) {
  CStar* star = asStar(object);
  return star != nullptr && updateStarPosition(*star);
}

bool CSkyMechanics::updateStarPosition(CStar& object) {
  const CStar* star = &object;
  const int type = star->getType();
  const bool deepSky = type >= kTypeFirstDeepSky && type <= kTypeLastDeepSky;
  const double now = dynamicalJulianDate;
  double vector[3], motion[3], distance;
  starInputs(star, now, vector, motion, &distance);
  double magnitude = star->getBestMagnitude();

  if (properMotion && isFiniteVector(motion))
    vectorScaleAdd(motion, vector, vector, (now - kJ2000) / kDaysPerJulianYear);
  if (observerFar && std::isfinite(distance))
    vectorScaleAdd(observerPosition, vector, vector, -kArcsecond / distance);
  if (properMotion || observerFar) {
    const double s = 1 / vectorDot(vector, vector);
    if (!deepSky && star->getBrightness() * s < starBrightnessLimit) return false;
    distance *= vectorNormalize(vector);
    magnitude -= kMagnitudePerLn * std::log(s);
  } else {
    vectorNormalize(vector);
  }
  if (aberration) relativisticAberration(vector, observerVelocity, vector);
  if (type == kTypeSupernova) {
    const CVariableStar* variable = asVariableStar(star);
    magnitude += variable != nullptr
                     ? supernovaTerm(variable->getVariableType(), julianDate - variable->getEpoch())
                     : kNotAvailable;
  }
  object.setPosition(vector);
  object.setDistance(distance);
  object.setMagnitude(static_cast<float>(magnitude));
  return true;
}

bool CSkyMechanics::starMayReachMagnitude(const CStar& star, double limit) const {
  const int type = star.getType();
  if (observerFar || type == kTypeBinaryStar || type == kTypeVariableBinaryStar) return true;
  const double stored = star.getBestMagnitude();
  if (stored <= limit) return true;
  double motion[3];
  star.getMotionVector(motion);
  if (!properMotion || !isFiniteVector(motion)) return false;
  // The place is the catalogue vector c plus the motion m times the years t
  // from J2000; the star brightens by 5 log10 (1 / |c + m t|), and |c + m
  // t| falls short of 1 by at most x = |m| |t| + e, e = 1 - |c|^2 (when
  // positive). As -ln(1 - x) <= x / (1 - x), the star stays past the
  // limit, d beyond its stored magnitude, while x (2 K + d) < d, K = 5 /
  // ln 100: compared squared, without a root or a division, as this runs
  // for every faint star in view.
  double c[3];
  star.getCatalogVector(c);
  const double e = std::max(0.0, 1 - (c[0] * c[0] + c[1] * c[1] + c[2] * c[2]));
  const double d = stored - limit;
  const double a = 2 * kMagnitudePerLn + d;
  const double room = d - e * a;
  const double t = (dynamicalJulianDate - kJ2000) / kDaysPerJulianYear;
  const double m2 = motion[0] * motion[0] + motion[1] * motion[1] + motion[2] * motion[2];
  return !(room > 0 && m2 * t * t * a * a < room * room);
}

double CSkyMechanics::starPositionAt(const CStar* star, double t, double position[3],
                                     double velocity[3]) {
  double vector[3], motion[3], distance;
  starInputs(star, t, vector, motion, &distance);
  const bool moving = isFiniteVector(motion);
  if (properMotion && moving)
    vectorScaleAdd(motion, vector, vector, (t - kJ2000) / kDaysPerJulianYear);
  if (std::isfinite(distance)) {
    const double scale = distance * kAUPerParsec;
    vectorScale(vector, scale);
    vectorCopy(position, vector);
    if (velocity != nullptr) {
      if (moving) {
        vectorCopy(velocity, motion);
        vectorScale(velocity, scale / kDaysPerJulianYear);
      } else {
        velocity[0] = velocity[1] = velocity[2] = 0;
      }
    }
  } else {
    vectorNormalize(vector);
    vectorCopy(position, vector);
    if (velocity != nullptr) velocity[0] = velocity[1] = velocity[2] = 0;
  }
  return vectorLength(position);
}
