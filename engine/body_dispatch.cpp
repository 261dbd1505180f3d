// Dispatch of orbits and element frames by body identifier.
#include "engine/body_dispatch.h"

#include <cmath>

#include "engine/angles.h"
#include "engine/astronomical_constants.h"
#include "engine/body_table.h"
#include "engine/calendar.h"
#include "engine/frame_matrices.h"
#include "engine/lunar_theory.h"
#include "engine/matrices.h"
#include "engine/moon_frames.h"
#include "engine/moon_orbits.h"
#include "engine/planet_elements.h"
#include "engine/precession.h"
#include "engine/uranian_moons.h"

namespace {

using OrbitTheory = void (*)(double*, double*, double*, double*, double*,
                             double*, double*, double);

struct TheoryEntry {
  int identifier;
  OrbitTheory theory;
};

// Every theory but Charon's gives the longitude of periapsis.
const TheoryEntry kTheories[] = {
    {301, lunarMeanOrbit}, {401, phobosOrbit},    {402, deimosOrbit},
    {601, mimasOrbit},     {602, enceladusOrbit}, {603, tethysOrbit},
    {604, dioneOrbit},     {605, rheaOrbit},      {606, titanOrbit},
    {607, hyperionOrbit},  {608, iapetusOrbit},   {701, arielOrbit},
    {702, umbrielOrbit},   {703, titaniaOrbit},   {704, oberonOrbit},
    {705, mirandaOrbit},   {801, tritonOrbit},    {802, nereidOrbit},
};

OrbitTheory theoryFor(int identifier) {
  for (const TheoryEntry& entry : kTheories)
    if (entry.identifier == identifier) return entry.theory;
  return nullptr;
}

struct FrameCache {
  double frames[kBodyTableRows][9];
};

FrameCache buildFrameCache() {
  FrameCache cache;
  for (int r = 0; r < kBodyTableRows; ++r) {
    const BodyTableRow& row = kBodyTable[r];
    rotationMatrix(cache.frames[r], 2, 0, (90.0 - row.poleDec) * kRadiansPerDegree,
                   2, (row.poleRA + 90.0) * kRadiansPerDegree);
  }
  double p[9];
  precessionMatrix(p, 0, kB1950, kJ2000);
  auto replace = [&p, &cache](int identifier, const double frame[9]) {
    const int r = bodyRowIndex(identifier);
    if (r < 0) return;
    double m[9];
    matrixCopy(m, frame);
    matrixMultiply(p, m);
    matrixCopy(cache.frames[r], m);
  };
  double saturnEquator[9], eclipticB1950[9], identity[9];
  saturnMoonFrame(saturnEquator);
  eclipticMatrix(eclipticB1950, -1, meanObliquity(kB1950));
  identityMatrix(identity);
  for (int id = 601; id <= 604; ++id) replace(id, saturnEquator);
  for (int id = 605; id <= 609; ++id) replace(id, eclipticB1950);
  double nereid[9];
  nereidFrame(nereid);
  replace(802, nereid);
  double uranian[9];
  gust86FrameToJ2000(uranian);
  for (int id = 701; id <= 705; ++id)
    if (const int r = bodyRowIndex(id); r >= 0) matrixCopy(cache.frames[r], uranian);
  replace(901, identity);
  return cache;
}

// The fixed element frames, built by the first call from whichever thread
// makes it.
const FrameCache& frameCache() {
  static const FrameCache cache = buildFrameCache();
  return cache;
}

}  // namespace

int moonOrbitByBodyId(int identifier, double* a, double* e, double* i,
                      double* omega, double* node, double* m, double* n,
                      double jd) {
  if (identifier == 901) {
    charonOrbit(a, e, i, omega, node, m, n, jd);
    return 1;
  }
  if (OrbitTheory theory = theoryFor(identifier)) {
    double longitude = INFINITY;
    theory(a, e, i, &longitude, node, m, n, jd);
    if (std::isfinite(longitude)) *omega = longitude - *node;
    return 1;
  }
  const BodyTableRow* row = bodyTableRow(identifier);
  if (!row) return 0;
  const double dt = jd - row->epoch;
  // Moon rows give the axis in km, the planet rows in AU.
  *a = identifier < 10 ? row->semiMajorAxis : row->semiMajorAxis / kAstronomicalUnitKm;
  *e = row->eccentricity;
  *i = row->inclination * kRadiansPerDegree;
  *omega = normalizeRadians(
      (row->argumentOfPeriapsis + row->periapsisRate * dt / 365.25) * kRadiansPerDegree);
  *node = normalizeRadians((row->node + row->nodeRate * dt / 365.25) * kRadiansPerDegree);
  *m = normalizeRadians((row->meanAnomaly + row->meanMotion * dt) * kRadiansPerDegree);
  *n = row->meanMotion * kRadiansPerDegree;
  return 1;
}

int moonFrameByBodyId(int identifier, double matrix[9], double jd) {
  const int r = bodyRowIndex(identifier);
  if (r < 0 || identifier < 10) return 0;
  switch (identifier) {
    case 301: {
      // The Moon's elements are referred to the ecliptic and equinox of date.
      double p[9];
      eclipticMatrix(matrix, -1, meanObliquity(jd));
      precessionMatrix(p, 0, jd, kJ2000);
      matrixMultiply(p, matrix);
      return 1;
    }
    case 401: phobosFrame(matrix, jd); return 1;
    case 402: deimosFrame(matrix, jd); return 1;
    case 801: tritonFrame(matrix, jd); return 1;
    default: matrixCopy(matrix, frameCache().frames[r]); return 1;
  }
}

int planetElementsByNumber(int number, double* a, double* e, double* i,
                           double* omega, double* node, double* m, double* n,
                           double jd) {
  static const OrbitTheory kPlanets[] = {
      mercuryElements, venusElements,  earthElements,   marsElements, jupiterElements,
      saturnElements,  uranusElements, neptuneElements, plutoElements};
  if (number < 1 || number > 9) return 0;
  kPlanets[number - 1](a, e, i, omega, node, m, n, jd);
  return 1;
}
