// Moon positions from the theories and the body table, seen from the Earth,
// against an independent library: PyEphem's implementation of the Bureau
// des Longitudes theories, run by tests/engine/moon_ephemeris_oracle.py.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <array>
#include <map>
#include <string>
#include <vector>

#include "engine/body_dispatch.h"
#include "engine/delta_t.h"
#include "engine/galilean_moons.h"
#include "engine/kepler_orbits.h"
#include "engine/matrices.h"
#include "engine/moon_frames.h"
#include "engine/precession.h"

namespace {

constexpr double kArcsec = 180.0 * 3600.0 / M_PI;
constexpr double kLightDaysPerAu = 0.0057755183;

struct OracleRow {
  int id;
  double jdUt, ra, dec, distance, east, north;
};

std::vector<OracleRow> oracle(const std::string& ids) {
  const char* root = std::getenv("TESSALY_SOURCE_DIR");
  const std::string script =
      std::string(root ? root : ".") + "/tests/engine/moon_ephemeris_oracle.py";
  const std::string command = "/usr/bin/python3 " + script + " " + ids;
  std::vector<OracleRow> rows;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return rows;
  OracleRow r;
  while (std::fscanf(pipe, "%d %lf %lf %lf %lf %lf %lf", &r.id, &r.jdUt, &r.ra,
                     &r.dec, &r.distance, &r.east, &r.north) == 7)
    rows.push_back(r);
  pclose(pipe);
  return rows;
}

// Offset of the moon from its planet on the sky (arcseconds east, north),
// with the moon taken at the time its light left; the Galilean moons from
// their theory unless `meanElements` asks for the body table's elements.
void ourOffset(const OracleRow& row, double* east, double* north, bool meanElements = false) {
  const double jdTt = row.jdUt + deltaT(row.jdUt) / 86400.0;
  const double jd = jdTt - row.distance * kLightDaysPerAu;
  double frame[9], v[3];
  if (row.id >= 501 && row.id <= 504 && !meanElements) {
    // The Galilean theory gives positions in Jupiter's B1950 equatorial
    // frame.
    using Theory = void (*)(double*, double*, double*, double);
    const Theory theories[] = {ioPosition, europaPosition, ganymedePosition,
                               callistoPosition};
    theories[row.id - 501](&v[0], &v[1], &v[2], jd);
    double precession[9];
    jupiterEquatorFrame(frame);
    precessionMatrix(precession, 0, 2433282.423, 2451545.0);
    matrixMultiply(precession, frame);
  } else {
    double a, e, i, omega, node, m, n;
    ASSERT_EQ(moonOrbitByBodyId(row.id, &a, &e, &i, &omega, &node, &m, &n, jd), 1);
    ASSERT_EQ(moonFrameByBodyId(row.id, frame, jd), 1);
    orbitPositionVector(v, a * (1.0 - e), e, i, omega, node, m);
  }
  matrixTimesVector(frame, v);
  const double eastAxis[3] = {-std::sin(row.ra), std::cos(row.ra), 0.0};
  const double northAxis[3] = {-std::sin(row.dec) * std::cos(row.ra),
                               -std::sin(row.dec) * std::sin(row.ra), std::cos(row.dec)};
  *east = (v[0] * eastAxis[0] + v[1] * eastAxis[1]) / row.distance * kArcsec;
  *north = (v[0] * northAxis[0] + v[1] * northAxis[1] + v[2] * northAxis[2]) /
           row.distance * kArcsec;
}

// Largest separation (arcseconds) between our place and the oracle's for
// each moon of the list, the oracle's offsets multiplied by `scale`.
std::map<int, double> worstSeparations(const std::string& ids, double scale) {
  std::map<int, double> worst;
  for (const OracleRow& row : oracle(ids)) {
    double east = 0, north = 0;
    ourOffset(row, &east, &north);
    const double d = std::hypot(east - scale * row.east, north - scale * row.north);
    worst[row.id] = std::max(worst[row.id], d);
  }
  return worst;
}

void expectWithin(const std::string& ids, const std::map<int, double>& limits,
                  double scale = 1.0) {
  const auto worst = worstSeparations(ids, scale);
  ASSERT_EQ(worst.size(), limits.size()) << "oracle did not run (python3-ephem)";
  for (const auto& [id, limit] : limits) {
    ASSERT_TRUE(worst.count(id)) << id;
    std::printf("moon %d: worst separation %.3f\"\n", id, worst.at(id));
    EXPECT_LE(worst.at(id), limit) << id;
  }
}

TEST(MoonPositions, MarsMoonsAgreeWithTheIndependentEphemeris) {
  // Measured: Phobos 0.15", Deimos 0.26".
  expectWithin("401 402", {{401, 0.5}, {402, 0.5}});
}

// Measured: Io 0.41", Europa 0.39", Ganymede 0.34", Callisto 0.18".
TEST(MoonPositions, GalileanMoonsAgreeWithTheIndependentEphemeris) {
  expectWithin("501 502 503 504", {{501, 0.6}, {502, 0.6}, {503, 0.5}, {504, 0.3}});
}

// The body table's mean elements of the Galilean moons, from which their
// orbits are drawn, leave out the resonances' terms: a degree or two along
// the orbit, a few arcseconds. Elements read at the wrong epoch, or a mean
// longitude taken for the mean anomaly, put the moons minutes of arc away.
// Measured: Io 1.2", Europa 5.6", Ganymede 0.6", Callisto 0.8".
TEST(MoonPositions, GalileanMeanElementsStayNearTheIndependentEphemeris) {
  std::map<int, double> worst;
  for (const OracleRow& row : oracle("501 502 503 504")) {
    double east = 0, north = 0;
    ourOffset(row, &east, &north, true);
    worst[row.id] = std::max(worst[row.id], std::hypot(east - row.east, north - row.north));
  }
  ASSERT_EQ(worst.size(), 4u) << "oracle did not run (python3-ephem)";
  for (const auto& [id, separation] : worst) {
    std::printf("moon %d from mean elements: worst separation %.2f\"\n", id, separation);
    EXPECT_LE(separation, 8.0) << id;
  }
}

// Measured: Mimas 0.23", Enceladus 0.23", Tethys 0.13", Dione 0.19", Rhea
// 0.53", Titan 0.34", Hyperion 2.96", Iapetus 1.02".
TEST(MoonPositions, SaturnianMoonsAgreeWithTheIndependentEphemeris) {
  expectWithin("601 602 603 604 605 606 607 608",
               {{601, 0.35}, {602, 0.35}, {603, 0.2}, {604, 0.3},
                {605, 0.8}, {606, 0.5}, {607, 4.5}, {608, 1.5}});
}

// The oracle's Uranian places are those of GUST86 enlarged by a single
// factor: its offsets, and the 3-D distances its x, y, z imply, put every
// moon 6.98 % farther from Uranus than the theory and the observed orbits
// (Oberon at 624,000 km instead of 583,500), uniformly for all five moons
// and all dates, and so do its own right ascensions and declinations of the
// moons. The factor is therefore a unit inside the oracle, not a size of
// ours (the theory's places are pinned to the metre by
// uranian_moons_test.cpp), and no reading of its output removes it. The
// comparison measures the factor, checks that it is one and the same for
// all five moons, and compares the places after dividing it out. Beyond the
// factor the oracle's tables, which cover 1999-2039 only, follow the theory
// to a tenth of an arcsecond (median), with single excursions to half an
// arcsecond. Measured (80 dates 1999-2039): factor 0.9344-0.9347 for
// Ariel to Oberon, 0.9365 for the small orbit of Miranda, whose fit the
// oracle's scatter moves most; worst Ariel 0.22", Umbriel 0.42", Titania
// 0.32", Oberon 0.31", Miranda 0.30" (over 300 random dates: 0.35-0.57").
TEST(MoonPositions, UranianMoonsAgreeWithTheIndependentEphemeris) {
  const std::vector<OracleRow> rows =
      oracle("span 2451180.5 2466154.5 80 701 702 703 704 705");
  std::map<int, double> dot, norm;
  std::map<int, std::vector<std::array<double, 4>>> pairs;
  for (const OracleRow& row : rows) {
    double east = 0, north = 0;
    ourOffset(row, &east, &north);
    dot[row.id] += east * row.east + north * row.north;
    norm[row.id] += row.east * row.east + row.north * row.north;
    pairs[row.id].push_back({east, north, row.east, row.north});
  }
  ASSERT_EQ(pairs.size(), 5u) << "oracle did not run (python3-ephem)";
  const std::map<int, double> limits = {
      {701, 0.35}, {702, 0.6}, {703, 0.5}, {704, 0.45}, {705, 0.45}};
  for (const auto& [id, list] : pairs) {
    ASSERT_EQ(list.size(), 80u) << id;
    const double factor = dot[id] / norm[id];
    EXPECT_NEAR(factor, 0.9350, 0.002) << id;
    double worst = 0.0;
    for (const auto& p : list)
      worst = std::max(worst, std::hypot(p[0] - factor * p[2], p[1] - factor * p[3]));
    std::printf("moon %d: oracle factor %.5f, worst separation %.3f\"\n", id, factor, worst);
    EXPECT_LE(worst, limits.at(id)) << id;
  }
}

}  // namespace
