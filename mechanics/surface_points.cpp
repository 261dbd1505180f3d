// CSkyMechanics: points on the surfaces of bodies seen from the observer,
// the surface point under a ray, and surface features.
#include <cmath>

#include "engine/body_geometry.h"
#include "engine/matrices.h"
#include "mechanics/sky_mechanics.h"
#include "mechanics/state_vectors.h"
#include "engine/vectors.h"
#include "skydata/planet.h"
#include "skydata/planet_feature.h"
#include "skydata/sky_database.h"

namespace {

using namespace mechanics;

}  // namespace

bool CSkyMechanics::surfacePointPosition(CPlanet* body, const double point[3], bool flattening,
                                         double direction[3], double* distance, double radius) {
  double centre[3], orientation[9], flattenings[3];
  body->getHeliocentricPosition(centre);
  body->getOrientationMatrix(orientation);
  body->getFlattenings(flattenings);
  double onSurface[3], normal[3];
  for (int k = 0; k < 3; ++k) {
    const double factor = flattening ? 1 - flattenings[k] : 1;
    onSurface[k] = point[k] * factor * radius;
    normal[k] = point[k] / factor;
  }
  vectorNormalize(normal);
  transposeTimesVector(orientation, onSurface);
  transposeTimesVector(orientation, normal);
  vectorAdd(centre, onSurface, onSurface);
  const double d = observerRelativeVector(onSurface, direction);
  if (distance != nullptr) *distance = d;
  return vectorDot(direction, normal) < 0;
}

bool CSkyMechanics::surfaceLonLatPosition(CPlanet* body, double longitude, double latitude,
                                          double radius, double direction[3], double* distance) {
  double point[3];
  sphericalToVector(point, longitude, latitude, 1);
  return surfacePointPosition(body, point, true, direction, distance, radius);
}

bool CSkyMechanics::equatorPointPosition(CPlanet* body, double longitude, double radius,
                                         double direction[3], double* distance) {
  double point[3];
  sphericalToVector(point, longitude, 0, 1);
  return surfacePointPosition(body, point, false, direction, distance, radius);
}

bool CSkyMechanics::rayHitBody(CPlanet* body, const double direction[3], double hit[3]) {
  double orientation[9], flattenings[3], centre[3], ray[3];
  body->getOrientationMatrix(orientation);
  body->getFlattenings(flattenings);
  body->getPosition(centre);
  vectorScale(centre, body->getDistance());
  if (!isFiniteVector(centre)) return false;
  // In body axes, where the spheroid's polar axis is z.
  vectorCopy(ray, direction);
  matrixTimesVector(orientation, ray);
  matrixTimesVector(orientation, centre);
  const double origin[3] = {0, 0, 0};
  double t, point[3];
  if (!intersectRaySpheroid(origin, ray, centre, &t, point, getObjectRadius(body),
                            flattenings[2]))
    return false;
  vectorSubtract(point, centre, hit);
  transposeTimesVector(orientation, hit);
  return true;
}

bool CSkyMechanics::rayHitBodyLonLat(CPlanet* body, const double direction[3],
                                     double* longitude, double* latitude) {
  double hit[3], orientation[9];
  if (!rayHitBody(body, direction, hit)) return false;
  body->getOrientationMatrix(orientation);
  matrixTimesVector(orientation, hit);
  vectorToSpherical(hit, longitude, latitude, nullptr);
  return true;
}

void CSkyMechanics::updateFeaturePosition(CPlanetFeature* feature) {
  CPlanet* parent = database != nullptr ? database->getFeatureParent(feature) : nullptr;
  if (parent == nullptr) {
    clearObjectPosition(feature);
    return;
  }
  updatePlanetPosition(parent);
  double point[3], direction[3], distance;
  feature->getSurfacePosition(point);
  const bool facing =
      surfacePointPosition(parent, point, true, direction, &distance, getObjectRadius(parent));
  feature->setPosition(direction);
  feature->setDistance(distance);
  feature->setMagnitude(facing ? 1.0f : 0.0f);
}
