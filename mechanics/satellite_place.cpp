#include "mechanics/satellite_place.h"

#include <cmath>

#include "engine/kepler_orbits.h"
#include "mechanics/state_vectors.h"
#include "skydata/satellite.h"

namespace {

using mechanics::isFiniteVector;
using mechanics::setNotAvailable;

// The 30 days within which the full models are trusted, in minutes.
constexpr double kWindowMinutes = 43200.0;

// A conic in the element sets' frame; the velocity only when asked.
void conic(double q, double e, double i, double omega, double node, double m, double n,
           double position[3], double velocity[3]) {
  if (velocity != nullptr) {
    double gm;
    orbitStateVectors(position, velocity, &gm, q, e, i, omega, node, m, n);
  } else {
    orbitPositionVector(position, q, e, i, omega, node, m);
  }
}

}  // namespace

SatellitePlace::SatellitePlace(CSatellite& satellite) : satellite_(satellite) {
  satellite.getOrbitElements(elements_);
}

int SatellitePlace::fullModel(double tsince, double position[3], double velocity[3]) {
  if (Sdp4State* deep = satellite_.getDeepSpaceState())
    return sdp4(elements_, position, velocity, *deep, tsince);
  if (Sgp4State* near = satellite_.getNearEarthState())
    return sgp4(elements_, position, velocity, *near, tsince);
  setNotAvailable(position);
  return kSatelliteModelOK;
}

const SatellitePlace::Edge& SatellitePlace::edgeAt(double edge) {
  if (edgeKnown_ && edge_.tsince == edge) return edge_;
  Edge& e = edge_;
  e.tsince = edge;
  e.error = kSatelliteModelOK;
  e.usable = false;
  e.mean = {};
  if (Sdp4State* deep = satellite_.getDeepSpaceState()) {
    double r[3], v[3];
    e.error = sdp4(elements_, r, v, *deep, edge);
    e.usable = sdp4MeanElements(elements_, *deep, edge, e.mean) == kSatelliteModelOK;
  } else if (Sgp4State* near = satellite_.getNearEarthState()) {
    e.usable = sgp4MeanElements(elements_, *near, edge, e.mean) == kSatelliteModelOK;
  }
  e.usable = e.usable && e.mean.a > 0 && e.mean.e >= 0 && e.mean.e < 1 &&
             std::isfinite(e.mean.a) && std::isfinite(e.mean.mRate) && e.mean.mRate > 0;
  edgeKnown_ = true;
  return e;
}

int SatellitePlace::at(double tsince, double position[3], double velocity[3]) {
  setNotAvailable(position);
  setNotAvailable(velocity);
  // The full model is asked at the time itself even beyond the window,
  // where its place is not used: its refusal (the orbit has decayed by
  // then, or the elements were never a usable orbit) holds there too, and
  // a satellite the model refuses has no place to fall back to. A resonant
  // deep-space orbit is the exception: its integration would step from the
  // epoch across all that time, at every call, so it is judged at the
  // window's edge.
  const double edge = std::fmax(-kWindowMinutes, std::fmin(tsince, kWindowMinutes));
  double r[3], v[3];
  setNotAvailable(r);
  int error;
  if (edge == tsince) {
    error = fullModel(tsince, r, v);
  } else {
    error = edgeAt(edge).error;
    const Sdp4State* deep = satellite_.getDeepSpaceState();
    if (error == kSatelliteModelOK && (deep == nullptr || !deep->deep.resonant))
      error = fullModel(tsince, r, v);
  }
  if (error != kSatelliteModelOK) return error;
  if (std::fabs(tsince) < kWindowMinutes && isFiniteVector(r)) {
    for (int k = 0; k < 3; ++k) position[k] = r[k];
    if (velocity != nullptr)
      for (int k = 0; k < 3; ++k) velocity[k] = v[k];
    return kSatelliteModelOK;
  }
  // Far from the epoch, or where the full model diverges: the mean elements
  // at the window's edge (so that no drag polynomial or resonance loop runs
  // away) carried on by their secular rates. Across the window's edge the
  // place moves only by the periodic terms.
  const Edge& edgeState = edgeAt(edge);
  const double beyond = tsince - edge;
  if (edgeState.usable && std::isfinite(beyond)) {
    const SatelliteMeanElements& mean = edgeState.mean;
    conic(mean.a * (1 - mean.e), mean.e, mean.i, mean.omega + mean.omegaRate * beyond,
          mean.node + mean.nodeRate * beyond, mean.m + mean.mRate * beyond, mean.mRate, position,
          velocity);
    if (isFiniteVector(position)) return kSatelliteModelOK;
  }
  // Elements the models cannot handle at all: the plain secular rates.
  double a, e, i, omega, node, m, n;
  sgp4SecularElements(elements_, &a, &e, &i, &omega, &node, &m, &n, tsince);
  conic(a * (1 - e), e, i, omega, node, m, n, position, velocity);
  if (!isFiniteVector(position)) {
    setNotAvailable(position);
    setNotAvailable(velocity);
  }
  return kSatelliteModelOK;
}
