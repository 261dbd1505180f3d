// Tabulated orbits: ".txyz" files, Hermite interpolation between rows, the
// osculating elements of a table, and the table the chart integrates for
// a minor body from its elements with the Sun, the Moon and five planets
// of the JPL ephemeris attracting.
#include "mechanics/orbit_table.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "engine/kepler_orbits.h"
#include "engine/matrices.h"
#include "mechanics/jpl_ephemeris.h"
#include "mechanics/sky_mechanics.h"
#include "mechanics/state_vectors.h"
#include "engine/vectors.h"
#include "skydata/open_file.h"
#include "skydata/planet.h"

namespace {

using namespace mechanics;

constexpr int kRowDoubles = 7;
constexpr std::int64_t kRowBytes = kRowDoubles * sizeof(double);
// No spacecraft table comes near this many rows (224 MB); a length beyond
// it is a damaged or foreign file.
constexpr std::int64_t kMostRows = 4'000'000;
constexpr char kTableExtension[] = ".txyz";

// The Gaussian gravitational constant squared (AU^3/day^2) and the
// attracting bodies beside the Sun: JPL targets about the Sun and their
// masses in solar masses.
constexpr double kGaussSquared = 0.00029591220828559115;
struct Attractor {
  int target;
  double massRatio;
};
constexpr Attractor kAttractors[CSkyMechanics::kOrbitAttractors] = {
    {kJPLMoon, 3.6943e-08},   {kJPLVenus, 2.4478e-06},   {kJPLEarth, 3.0035e-06},
    {kJPLMars, 3.2272e-07},   {kJPLJupiter, 9.5479e-04}, {kJPLSaturn, 2.8589e-04}};

}  // namespace

void hermiteInterpolate(double* value, double* rate, double y0, double y1, double r0, double r1,
                        double dt, double h) {
  const double s = dt / h, m0 = r0 * h, m1 = r1 * h;
  const double a = 2 * y0 - 2 * y1 + m0 + m1;
  const double b = -3 * y0 + 3 * y1 - 2 * m0 - m1;
  if (value != nullptr) *value = ((a * s + b) * s + m0) * s + y0;
  if (rate != nullptr) *rate = ((3 * a * s + 2 * b) * s + m0) / h;
}

bool loadTxyzFile(CPlanet* object, const char* path) {
  std::int64_t offset = 0, length = 0;
  std::FILE* file = openFileWithSize(path, "rb", &offset, &length);
  if (file == nullptr) return false;
  const std::int64_t rows = length / kRowBytes;
  bool ok = rows >= 2 && rows <= kMostRows &&
            fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
  std::vector<double> values;
  if (ok) {
    values.resize(static_cast<std::size_t>(rows * kRowDoubles));
    ok = std::fread(values.data(), sizeof(double), values.size(), file) == values.size();
  }
  std::fclose(file);
  for (std::int64_t r = 0; ok && r < rows; ++r) {
    const double* row = &values[static_cast<std::size_t>(r * kRowDoubles)];
    for (int k = 0; k < kRowDoubles; ++k) ok = ok && std::isfinite(row[k]);
    // Equal or falling times would divide by a zero or negative interval.
    if (r > 0) ok = ok && row[0] > row[-kRowDoubles];
  }
  if (!ok || object->allocatePath(static_cast<int>(rows)) == nullptr) return false;
  for (std::int64_t r = 0; r < rows; ++r) {
    const double* row = &values[static_cast<std::size_t>(r * kRowDoubles)];
    object->setPathRow(static_cast<int>(r), row + 1, row + 4, row[0]);
  }
  return true;
}

bool interpolateTabulatedState(const CPlanet* object, int lo, int hi, double position[3],
                               double velocity[3], double t) {
  double t0, t1, p0[3], p1[3], v0[3], v1[3];
  if (!object->getPathRow(lo, &t0, p0, v0) || !object->getPathRow(hi, &t1, p1, v1)) return false;
  const double h = t1 - t0;
  // At a row's own time its state as stored (the cubic's rounding aside).
  if (t == t0 || t == t1) {
    const bool first = t == t0;
    vectorCopy(position, first ? p0 : p1);
    if (velocity != nullptr) vectorCopy(velocity, first ? v0 : v1);
    return true;
  }
  if (!(h > 0)) {
    // A single row (or two at one time): its state itself.
    vectorCopy(position, p0);
    if (velocity != nullptr) vectorCopy(velocity, v0);
    return t == t0;
  }
  for (int k = 0; k < 3; ++k)
    hermiteInterpolate(&position[k], velocity != nullptr ? &velocity[k] : nullptr, p0[k], p1[k],
                       v0[k], v1[k], t - t0, h);
  return true;
}

bool findTabulatedState(const CPlanet* object, double position[3], double velocity[3], double t) {
  const int count = object->getPathCount();
  if (count < 2 || !(t >= object->getPathStartTime() && t <= object->getPathEndTime()))
    return false;
  int lo = 0, hi = count - 1;
  while (hi - lo > 1) {
    const int mid = lo + (hi - lo) / 2;
    double time;
    object->getPathRow(mid, &time, nullptr, nullptr);
    (time <= t ? lo : hi) = mid;
  }
  return interpolateTabulatedState(object, lo, hi, position, velocity, t);
}

bool CSkyMechanics::tabulatedState(CPlanet* object, double position[3], double velocity[3],
                                   double t) {
  if (object->getPathCount() == 0 && ephemerisDirectory[0] != '\0') {
    char name[64], path[sizeof ephemerisDirectory + sizeof name + sizeof kTableExtension];
    object->getName(name, sizeof name);
    const int directoryLength =
        static_cast<int>(strnlen(ephemerisDirectory, sizeof ephemerisDirectory - 1));
    const int written = std::snprintf(path, sizeof path, "%.*s%s%s", directoryLength,
                                      ephemerisDirectory, name, kTableExtension);
    // A name is a file of the folder, not a path out of it.
    const bool safe = name[0] != '\0' && std::strchr(name, '/') == nullptr && written > 0 &&
                      written < static_cast<int>(sizeof path);
    if (!safe || !loadTxyzFile(object, path)) object->allocatePath(1);
  }
  return findTabulatedState(object, position, velocity, t);
}

bool CSkyMechanics::osculatingElements(CPlanet* object, double* epoch, double* q, double* e,
                                       double* i, double* omega, double* node, double* m,
                                       double* n, double t) {
  if (object->getPathCount() < 2) return false;
  const double clamped =
      std::fmax(object->getPathStartTime(), std::fmin(t, object->getPathEndTime()));
  double position[3], velocity[3];
  if (!findTabulatedState(object, position, velocity, clamped)) return false;
  transposeTimesVector(eclipticJ2000, position);
  transposeTimesVector(eclipticJ2000, velocity);
  elementsFromStateVectors(position, velocity, q, e, i, omega, node, m, n, kGaussSquared);
  if (epoch != nullptr) *epoch = clamped;
  return true;
}

bool CSkyMechanics::orbitAcceleration(double acceleration[3], const double position[3],
                                      double t) {
  if (!(t == orbitBodiesTime_)) {
    orbitBodiesTime_ = kNotAvailable;
    if (!openEphemerisForDate(t)) return false;
    for (int b = 0; b < kOrbitAttractors; ++b) {
      double state[6];
      if (jplBodyState(ephemeris, kAttractors[b].target, kJPLSun, state, false, t) != 0)
        return false;
      vectorCopy(orbitBodies_[b], state);
    }
    orbitBodiesTime_ = t;
  }
  // The Sun's pull, then each body's on the object less its pull on the
  // Sun (the indirect term of the heliocentric frame).
  const double r = vectorLength(position);
  for (int k = 0; k < 3; ++k) acceleration[k] = -kGaussSquared * position[k] / (r * r * r);
  for (int b = 0; b < kOrbitAttractors; ++b) {
    const double* body = orbitBodies_[b];
    double toBody[3];
    vectorSubtract(body, position, toBody);
    const double d = vectorLength(toBody), rb = vectorLength(body);
    const double mu = kGaussSquared * kAttractors[b].massRatio;
    for (int k = 0; k < 3; ++k)
      acceleration[k] += mu * (toBody[k] / (d * d * d) - body[k] / (rb * rb * rb));
  }
  return isFiniteVector(acceleration);
}

double CSkyMechanics::rk4Step(double state[6], double t, double h) {
  double k[4][6], stage[6];
  const double offsets[4] = {0, h / 2, h / 2, h};
  for (int s = 0; s < 4; ++s) {
    for (int c = 0; c < 6; ++c)
      stage[c] = s == 0 ? state[c] : state[c] + offsets[s] * k[s - 1][c];
    vectorCopy(k[s], stage + 3);
    if (!orbitAcceleration(k[s] + 3, stage, t + offsets[s])) return kNotAvailable;
  }
  for (int c = 0; c < 6; ++c) state[c] += (k[0][c] + 2 * k[1][c] + 2 * k[2][c] + k[3][c]) * h / 6;
  return t + h;
}

bool CSkyMechanics::integrateOrbitTable(CPlanet* object, int rows, double h) {
  if (rows < 2 || !(h > 0) || !std::isfinite(h)) return false;
  const int middle = rows / 2;
  const double epoch = object->getElementEpoch();
  const double first = epoch - middle * h, last = first + (rows - 1) * h;
  bool ok = std::isfinite(epoch);
  for (double end : {first, last}) {
    double state[6];
    ok = ok && openEphemerisForDate(end) &&
         jplBodyState(ephemeris, kJPLEarth, kJPLSun, state, false, end) == 0;
  }
  double state[6];
  if (ok) {
    keplerState(object, state, state + 3, epoch);
    ok = isFiniteVector(state) && isFiniteVector(state + 3);
  }
  if (ok && object->allocatePath(rows) == nullptr) ok = false;
  if (ok) {
    object->setPathRow(middle, state, state + 3, epoch);
    double forward[6], backward[6];
    std::memcpy(forward, state, sizeof forward);
    std::memcpy(backward, state, sizeof backward);
    // Row times from the epoch directly: summing 17,520 steps of a day's
    // 24th would drift by a quarter of a second.
    auto rowTime = [&](int i) { return epoch + (i - middle) * h; };
    for (int i = middle + 1; ok && i < rows; ++i) {
      ok = std::isfinite(rk4Step(forward, rowTime(i - 1), h)) && isFiniteVector(forward) &&
           isFiniteVector(forward + 3);
      if (ok) object->setPathRow(i, forward, forward + 3, rowTime(i));
    }
    for (int i = middle; ok && i >= 1; --i) {
      ok = std::isfinite(rk4Step(backward, rowTime(i), -h)) && isFiniteVector(backward) &&
           isFiniteVector(backward + 3);
      if (ok) object->setPathRow(i - 1, backward, backward + 3, rowTime(i - 1));
    }
    // A lookup that failed on the way leaves no table: rows with the
    // planets at the Sun would be kept as if they were the orbit.
    if (!ok) object->allocatePath(0);
  }
  orbitBodiesTime_ = kNotAvailable;
  openEphemerisForDate(dynamicalJulianDate);
  return ok;
}
