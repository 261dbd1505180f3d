// Propagations per second of the satellite models. Initialisation is done
// once outside the timed loop, as a satellite does once per element set.
// Resonant deep-space orbits are timed apart: their integration restarts
// from the epoch on every call, so their cost grows with |tsince|.
#include <benchmark/benchmark.h>

#include <cmath>

#include "engine/sgp4.h"

namespace {

constexpr double kRad = 3.14159265358979323846 / 180.0;

// Element set from two-line values: degrees, revolutions per day.
SatelliteElementSet elements(double epochJd, double bstar, double incl,
                             double node, double ecc, double argp,
                             double anomaly, double revsPerDay) {
  SatelliteElementSet el{};
  el.epoch = epochJd;
  el.bstar = bstar;
  el.inclination = incl * kRad;
  el.node = node * kRad;
  el.eccentricity = ecc;
  el.argumentOfPerigee = argp * kRad;
  el.meanAnomaly = anomaly * kRad;
  el.meanMotion = revsPerDay * 2.0 * 3.14159265358979323846 / 1440.0;
  return el;
}

// The report's near-Earth and deep-space test cases, a 12-hour resonant
// Molniya and a geostationary satellite.
const SatelliteElementSet kNearEarth = elements(
    2444514.48708465, 0.66816e-4, 72.8435, 115.9689, 0.0086731, 52.6988, 110.5714, 16.05824518);
const SatelliteElementSet kDeepSpace = elements(
    2444468.79629788, 0.14311e-1, 46.7916, 230.4354, 0.7318036, 47.4722, 10.4117, 2.28537848);
const SatelliteElementSet kMolniya = elements(
    2453912.83215444, 0.11873e-3, 64.1586, 279.0717, 0.6877146, 264.7651, 20.2257, 2.00491383);
const SatelliteElementSet kGeostationary = elements(
    2453913.54061740, 0.1e-3, 3.8536, 80.0121, 0.0026640, 311.0977, 48.3000, 1.00778054);

void BM_Sgp4NearEarth(benchmark::State& state) {
  Sgp4State s{};
  double r[3], v[3];
  sgp4(kNearEarth, r, v, s, 0.0);
  double t = 0.0;
  for (auto _ : state) {
    sgp4(kNearEarth, r, v, s, t);
    benchmark::DoNotOptimize(r);
    benchmark::DoNotOptimize(v);
    t = t < 1440.0 ? t + 0.7 : 0.0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Sgp4NearEarth);

void BM_Sdp4DeepSpace(benchmark::State& state) {
  Sdp4State s{};
  double r[3], v[3];
  sdp4(kDeepSpace, r, v, s, 0.0);
  double t = 0.0;
  for (auto _ : state) {
    sdp4(kDeepSpace, r, v, s, t);
    benchmark::DoNotOptimize(r);
    benchmark::DoNotOptimize(v);
    t = t < 1440.0 ? t + 0.7 : 0.0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Sdp4DeepSpace);

// Resonant orbits at a fixed distance from the epoch (minutes, the
// benchmark's argument): one integrator step per 720 minutes.
void resonant(benchmark::State& state, const SatelliteElementSet& el) {
  Sdp4State s{};
  double r[3], v[3];
  sdp4(el, r, v, s, 0.0);
  const double t0 = static_cast<double>(state.range(0));
  double dt = 0.0;
  for (auto _ : state) {
    sdp4(el, r, v, s, t0 + dt);
    benchmark::DoNotOptimize(r);
    benchmark::DoNotOptimize(v);
    dt = dt < 600.0 ? dt + 0.7 : 0.0;
  }
  state.SetItemsProcessed(state.iterations());
}
void BM_Sdp4ResonantMolniya(benchmark::State& state) { resonant(state, kMolniya); }
void BM_Sdp4ResonantGeostationary(benchmark::State& state) { resonant(state, kGeostationary); }
BENCHMARK(BM_Sdp4ResonantMolniya)->Arg(0)->Arg(1440)->Arg(42000);
BENCHMARK(BM_Sdp4ResonantGeostationary)->Arg(0)->Arg(1440)->Arg(42000);

}  // namespace
