// Tabulated orbits: Hermite interpolation, ".txyz" files and their damaged
// forms (with a fuzzing run), osculating elements of a table, the table
// branches of the position dispatch, and the integrator against JPL's
// DE405 with Pluto and Mercury as test particles.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/kepler_orbits.h"
#include "engine/matrices.h"
#include "mechanics/jpl_ephemeris.h"
#include "mechanics/orbit_table.h"
#include "mechanics/sky_mechanics.h"
#include "engine/vectors.h"
#include "skydata/planet.h"
#include "skydata/sky_database.h"
#include "tests/mechanics/de405_file.h"
#include "tests/mechanics/mechanics_fixture.h"
#include "tests/mechanics/memory_file.h"
#include "tests/support/fuzz.h"
#include "tests/support/temp_dir.h"

namespace {

using mechanics_test::BodyRecord;
using mechanics_test::SolarSystemWorld;

constexpr double kGaussSquared = 0.00029591220828559115;
constexpr double kKmPerAU = 149597870.691;

// Rows of a Kepler orbit about the Sun (working frame), `count` of them
// `step` days apart from t0: what a ".txyz" file or an integration holds.
std::vector<double> keplerRows(double t0, double step, int count, double q = 1.2, double e = 0.3) {
  std::vector<double> rows;
  const double a = q / (1 - e), n = std::sqrt(kGaussSquared / (a * a * a));
  for (int r = 0; r < count; ++r) {
    const double t = t0 + r * step;
    double p[3], v[3], gm;
    orbitStateVectors(p, v, &gm, q, e, 0.4, 1.1, 2.3, 0.5 + n * (t - t0), n);
    rows.push_back(t);
    rows.insert(rows.end(), p, p + 3);
    rows.insert(rows.end(), v, v + 3);
  }
  return rows;
}

std::string bytesOf(const std::vector<double>& values) {
  return std::string(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(double));
}

BodyRecord minorBody(std::uint32_t number, int type, const char* name) {
  BodyRecord b;
  b.type = type;
  b.body = number;
  b.names = {name};
  b.q = 1.2;
  b.e = 0.3;
  b.i = 0.4;
  b.omega = 1.1;
  b.node = 2.3;
  b.m0 = 0.5;
  b.epoch = 2455000.5;
  b.n = std::sqrt(kGaussSquared / std::pow(1.2 / 0.7, 3));
  return b;
}

TEST(Hermite, ExactAtTheRowsAndForCubicMotion) {
  double value, rate;
  hermiteInterpolate(&value, &rate, 2.0, 5.0, -1.0, 3.0, 0.0, 0.7);
  EXPECT_EQ(value, 2.0);
  EXPECT_EQ(rate, -1.0);
  hermiteInterpolate(&value, &rate, 2.0, 5.0, -1.0, 3.0, 0.7, 0.7);
  EXPECT_NEAR(value, 5.0, 1e-15);
  EXPECT_NEAR(rate, 3.0, 1e-14);
  // y = 0.3 t^3 - 2 t^2 + t + 4 on [1.5, 3.25].
  auto y = [](double t) { return ((0.3 * t - 2) * t + 1) * t + 4; };
  auto dy = [](double t) { return (0.9 * t - 4) * t + 1; };
  for (double t = 1.5; t <= 3.25; t += 0.125) {
    hermiteInterpolate(&value, &rate, y(1.5), y(3.25), dy(1.5), dy(3.25), t - 1.5, 1.75);
    EXPECT_NEAR(value, y(t), 1e-13) << t;
    EXPECT_NEAR(rate, dy(t), 1e-13) << t;
  }
  hermiteInterpolate(nullptr, nullptr, 0, 1, 0, 0, 0.5, 1);  // both outputs optional
}

class TxyzFiles : public ::testing::Test {
 protected:
  bool load(const std::string& bytes) {
    const std::string path = dir.file("probe.txyz");
    tessaly::test::writeFile(path, bytes);
    return loadTxyzFile(&probe, path.c_str());
  }
  tessaly::test::TempDir dir;
  CPlanet probe{36};
};

// One row is no table; two rows interpolate between them and nowhere else;
// at a row's time the row itself comes back.
TEST_F(TxyzFiles, RowsAndTheirEdges) {
  const std::vector<double> rows = keplerRows(2455000.5, 1.0, 40);
  EXPECT_FALSE(load(bytesOf(std::vector<double>(rows.begin(), rows.begin() + 7))));
  EXPECT_EQ(probe.getPathCount(), 0);
  ASSERT_TRUE(load(bytesOf(std::vector<double>(rows.begin(), rows.begin() + 14))));
  EXPECT_EQ(probe.getPathCount(), 2);
  double p[3], v[3];
  EXPECT_TRUE(findTabulatedState(&probe, p, v, 2455000.9));
  EXPECT_FALSE(findTabulatedState(&probe, p, v, 2455001.6));
  EXPECT_FALSE(findTabulatedState(&probe, p, v, 2455000.4));
  EXPECT_FALSE(findTabulatedState(&probe, p, v, NAN));

  ASSERT_TRUE(load(bytesOf(rows) + "tail"));  // a partial row at the end is ignored
  ASSERT_EQ(probe.getPathCount(), 40);
  for (int r : {0, 7, 39}) {
    ASSERT_TRUE(findTabulatedState(&probe, p, v, rows[7 * r]));
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(p[k], rows[7 * r + 1 + k]) << r;
      EXPECT_EQ(v[k], rows[7 * r + 4 + k]) << r;
    }
  }
  // Between rows, against the orbit itself: daily rows of a 2-year orbit
  // interpolate to well under a kilometre.
  const std::vector<double> fine = keplerRows(2455000.5, 0.01, 3301);
  double worst = 0;
  for (int r = 37; r < 3300; r += 50) {
    ASSERT_TRUE(findTabulatedState(&probe, p, nullptr, fine[7 * r]));
    worst = std::max(worst, vectorDistance(p, &fine[7 * r + 1]) * kKmPerAU);
  }
  EXPECT_LT(worst, 0.1);
}

// Times that are not finite, equal or decreasing would divide by a zero or
// negative interval; such files are refused and the table kept.
TEST_F(TxyzFiles, DamagedFilesAreRefused) {
  const std::vector<double> rows = keplerRows(2455000.5, 1.0, 5);
  ASSERT_TRUE(load(bytesOf(rows)));
  auto damaged = [&](int index, double value) {
    std::vector<double> bad = rows;
    bad[static_cast<std::size_t>(index)] = value;
    return load(bytesOf(bad));
  };
  EXPECT_FALSE(damaged(14, rows[7]));          // equal times
  EXPECT_FALSE(damaged(14, rows[0]));          // decreasing
  EXPECT_FALSE(damaged(21, NAN));              // a time not a number
  EXPECT_FALSE(damaged(16, INFINITY));         // a position not finite
  EXPECT_EQ(probe.getPathCount(), 5);
  EXPECT_FALSE(loadTxyzFile(&probe, dir.file("missing.txyz").c_str()));
  EXPECT_FALSE(load(""));
}

// A spacecraft's table by its name in the ephemeris folder; a missing file
// leaves the one-row marker, a name that would leave the folder is not
// looked for.
TEST(TabulatedState, LoadsOnceAndMarksWhatIsMissing) {
  std::vector<BodyRecord> extra = {minorBody(0, 36, "Voyager"), minorBody(0, 36, "Pioneer"),
                                   minorBody(0, 36, "../escape")};
  SolarSystemWorld world(extra);
  CSkyMechanics chart(&world.database());
  tessaly::test::TempDir dir;
  std::filesystem::create_directory(dir.path() / "eph");
  std::snprintf(chart.ephemerisDirectory, sizeof chart.ephemerisDirectory, "%s/eph/",
                dir.path().string().c_str());
  const std::vector<double> rows = keplerRows(2455000.0, 2.0, 30);
  tessaly::test::writeFile(dir.file("eph/Voyager.txyz"), bytesOf(rows));
  tessaly::test::writeFile(dir.file("escape.txyz"), bytesOf(rows));
  CPlanet* voyager = nullptr;
  CPlanet* pioneer = nullptr;
  CPlanet* escape = nullptr;
  for (int i = 0; i < world.database().getSolarSystemObjectCount(); ++i) {
    CPlanet* p = world.database().getSolarSystemObject(i);
    if (p == nullptr || p->getType() != 36) continue;
    const std::string name = p->getNameAt(0);
    (name == "Voyager" ? voyager : name == "Pioneer" ? pioneer : escape) = p;
  }
  ASSERT_TRUE(voyager && pioneer && escape);
  double p[3], v[3];
  EXPECT_TRUE(chart.tabulatedState(voyager, p, v, 2455010.3));
  EXPECT_EQ(voyager->getPathCount(), 30);
  EXPECT_FALSE(chart.tabulatedState(pioneer, p, v, 2455010.3));
  EXPECT_EQ(pioneer->getPathCount(), 1);
  EXPECT_FALSE(chart.tabulatedState(escape, p, v, 2455010.3));
  EXPECT_EQ(escape->getPathCount(), 1);

  // Through the dispatch: the table inside its span; at the element epoch
  // (within a second) the stored elements; beyond the table Kepler motion
  // from the osculating elements of its nearer end, which joins it.
  double stored[3];
  chart.keplerState(voyager, stored, nullptr, 2455000.5);  // within a second of the epoch
  chart.objectState(voyager, p, nullptr, nullptr, nullptr, 2455000.5);
  EXPECT_EQ(vectorDistance(p, stored), 0.0);
  chart.objectState(voyager, p, nullptr, nullptr, nullptr, 2455010.3);
  double table[3];
  findTabulatedState(voyager, table, nullptr, 2455010.3);
  EXPECT_EQ(vectorDistance(p, table), 0.0);
  const double end = voyager->getPathEndTime();
  double atEnd[3], endVelocity[3], beyond[3];
  findTabulatedState(voyager, atEnd, endVelocity, end);
  chart.objectState(voyager, beyond, nullptr, nullptr, nullptr, end + 1e-3);
  vectorScaleAdd(endVelocity, atEnd, atEnd, 1e-3);
  EXPECT_LT(vectorDistance(atEnd, beyond) * kKmPerAU, 0.01);
}

// Elements from a table state give back the orbit the table was made from.
TEST(OsculatingElements, RoundTripTheGeneratingOrbit) {
  SolarSystemWorld world({minorBody(900001, 33, "Probe")});
  CSkyMechanics chart(&world.database());
  CPlanet* probe = world.body(33, 900001);
  ASSERT_NE(probe, nullptr);
  // The table in the working frame of an orbit given in the J2000 ecliptic.
  const std::vector<double> rows = keplerRows(2455000.5, 3.0, 20, 1.2, 0.3);
  probe->allocatePath(20);
  for (int r = 0; r < 20; ++r) {
    double p[3], v[3];
    std::memcpy(p, &rows[7 * r + 1], sizeof p);
    std::memcpy(v, &rows[7 * r + 4], sizeof v);
    matrixTimesVector(chart.eclipticJ2000, p);
    matrixTimesVector(chart.eclipticJ2000, v);
    probe->setPathRow(r, p, v, rows[7 * r]);
  }
  double epoch, q, e, i, omega, node, m, n;
  ASSERT_TRUE(chart.osculatingElements(probe, &epoch, &q, &e, &i, &omega, &node, &m, &n,
                                       rows[7 * 5]));
  EXPECT_EQ(epoch, rows[7 * 5]);
  EXPECT_NEAR(q, 1.2, 1e-12);
  EXPECT_NEAR(e, 0.3, 1e-12);
  EXPECT_NEAR(i, 0.4, 1e-12);
  EXPECT_NEAR(omega, 1.1, 1e-11);
  EXPECT_NEAR(node, 2.3, 1e-12);
  const double n0 = std::sqrt(kGaussSquared / std::pow(1.2 / 0.7, 3));
  EXPECT_NEAR(n, n0, 1e-15);
  EXPECT_NEAR(m, 0.5 + n0 * 15.0, 1e-11);
  // Asked for a time beyond the table: the nearer end.
  ASSERT_TRUE(chart.osculatingElements(probe, &epoch, &q, &e, &i, &omega, &node, &m, &n, 1e9));
  EXPECT_EQ(epoch, rows[7 * 19]);
}

// Seeded mutations of a table file: accepted tables interpolate anywhere
// without reading outside them; both outcomes are common.
TEST(TxyzFuzz, MutatedTablesNeverReadOutsideThem) {
  memory_file::MemoryFile file;
  const std::string path = file.path();
  const std::vector<double> rows = keplerRows(2455000.5, 1.5, 12);
  int accepted = 0, refused = 0;
  tessaly::test::FuzzOptions options;
  options.iterations = 5000;
  options.maxSize = 4096;
  tessaly::test::fuzz(
      {bytesOf(rows)},
      [&](std::string_view data) {
        ASSERT_TRUE(file.write(data));
        CPlanet object(36);
        if (!loadTxyzFile(&object, path.c_str())) {
          ++refused;
          return;
        }
        ++accepted;
        double p[3], v[3];
        const double start = object.getPathStartTime(), end = object.getPathEndTime();
        for (int k = -1; k <= 11; ++k) findTabulatedState(&object, p, v, start + (end - start) * k / 10);
      },
      options);
  std::printf("tables accepted %d, refused %d\n", accepted, refused);
  EXPECT_GT(accepted, 200);
  EXPECT_GT(refused, 500);
}

// A heliocentric test particle started from DE405's state of Pluto (the
// Pluto system's barycentre) or Mercury and integrated a year either side
// with the Sun, the Moon, Venus, the Earth, Mars, Jupiter and Saturn of the
// file attracting (hourly steps, 17,521 rows), against DE405 itself. The
// differences come from the bodies left out (Uranus and Neptune for Pluto,
// relativity for Mercury): measured once and pinned.
class Integration : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(de405::files().ok) << "DE405 converter failed"; }

  // The worst distance (km) from DE405 over the table of a body started
  // from DE405's state at the epoch.
  double worstAgainstDE405(int target, double epoch) {
    CSkyDatabase scratch("");
    CSkyMechanics probe(&scratch);
    std::snprintf(probe.ephemerisDirectory, sizeof probe.ephemerisDirectory, "%s",
                  de405::files().directory().c_str());
    EXPECT_TRUE(probe.openEphemerisForDate(epoch));
    double state[6];
    EXPECT_EQ(jplBodyState(probe.ephemeris, target, kJPLSun, state, true, epoch), 0);
    transposeTimesVector(probe.eclipticJ2000, state);
    transposeTimesVector(probe.eclipticJ2000, state + 3);
    BodyRecord b = minorBody(900000 + static_cast<std::uint32_t>(target), 33, "Particle");
    b.epoch = epoch;
    elementsFromStateVectors(state, state + 3, &b.q, &b.e, &b.i, &b.omega, &b.node, &b.m0, &b.n,
                             kGaussSquared);
    SolarSystemWorld world({b});
    CSkyMechanics chart(&world.database());
    std::snprintf(chart.ephemerisDirectory, sizeof chart.ephemerisDirectory, "%s",
                  de405::files().directory().c_str());
    chart.setJulianDate(2455200.5);
    CPlanet* particle = world.body(33, b.body);
    EXPECT_TRUE(chart.integrateOrbitTable(particle, 17521, 1.0 / 24));
    EXPECT_EQ(particle->getPathCount(), 17521);
    double middle;
    particle->getPathRow(8760, &middle, nullptr, nullptr);
    EXPECT_EQ(middle, epoch);
    EXPECT_NEAR(particle->getPathEndTime() - particle->getPathStartTime(), 730.0, 1e-9);
    double worst = 0;
    for (int r = 0; r < 17521; r += 97) {
      double t, ours[3], theirs[6];
      particle->getPathRow(r, &t, ours, nullptr);
      EXPECT_EQ(jplBodyState(chart.ephemeris, target, kJPLSun, theirs, false, t), 0);
      worst = std::max(worst, vectorDistance(ours, theirs) * kKmPerAU);
    }
    // The chart's ephemeris is back on the chart's time.
    EXPECT_TRUE(chart.openEphemerisForDate(chart.dynamicalJulianDate));
    return worst;
  }
};

TEST_F(Integration, PlutoAndMercuryAsTestParticlesFollowDE405) {
  const double pluto = worstAgainstDE405(kJPLPluto, 2455000.5);
  const double mercury = worstAgainstDE405(kJPLMercury, 2455000.5);
  std::printf("a year either side: Pluto %.0f km, Mercury %.0f km from DE405\n", pluto, mercury);
  // Measured: Pluto 577 km, Mercury 275 km (without the Sun's pull towards
  // the planets in the heliocentric frame, some 10^5 km).
  EXPECT_LT(pluto, 800.0);
  EXPECT_LT(mercury, 400.0);
}

// Forward and back again: the hourly RK4 steps return to the start.
TEST_F(Integration, ForwardThenBackReturnsToTheStart) {
  CSkyDatabase scratch("");
  CSkyMechanics chart(&scratch);
  std::snprintf(chart.ephemerisDirectory, sizeof chart.ephemerisDirectory, "%s",
                de405::files().directory().c_str());
  double state[6] = {1.1, -0.4, 0.2, 0.004, 0.014, -0.002}, start[6];
  std::memcpy(start, state, sizeof start);
  double t = 2455000.5;
  for (int k = 0; k < 1000; ++k) t = chart.rk4Step(state, t, 1.0 / 24);
  EXPECT_GT(vectorDistance(state, start), 0.1);
  for (int k = 0; k < 1000; ++k) t = chart.rk4Step(state, t, -1.0 / 24);
  EXPECT_NEAR(t, 2455000.5, 1e-9);
  EXPECT_LT(vectorDistance(state, start) * kKmPerAU, 1e-3);
  EXPECT_LT(vectorDistance(state + 3, start + 3) * kKmPerAU, 1e-5);
}

// Outside the file's span no table is made and the object keeps its
// elements; a step whose bodies the ephemeris cannot give fails.
TEST_F(Integration, NoTableWhereTheEphemerisDoesNotReach) {
  BodyRecord b = minorBody(900100, 33, "Early");
  b.epoch = 2436950.5;  // a year either side reaches before 1960
  SolarSystemWorld world({b});
  CSkyMechanics chart(&world.database());
  std::snprintf(chart.ephemerisDirectory, sizeof chart.ephemerisDirectory, "%s",
                de405::files().directory().c_str());
  CPlanet* early = world.body(33, 900100);
  EXPECT_FALSE(chart.integrateOrbitTable(early, 17521, 1.0 / 24));
  EXPECT_EQ(early->getPathCount(), 0);
  double acceleration[3], state[6] = {1, 0, 0, 0, 0.017, 0};
  const double position[3] = {1, 0, 0};
  EXPECT_FALSE(chart.orbitAcceleration(acceleration, position, 2400000.5));
  EXPECT_TRUE(std::isinf(chart.rk4Step(state, 2400000.5, 1.0 / 24)));
  EXPECT_EQ(state[0], 1.0);
  EXPECT_TRUE(chart.orbitAcceleration(acceleration, position, 2455000.5));
  // Near the Sun's pull alone at 1 AU (the planets add parts in 10^5).
  EXPECT_NEAR(vectorLength(acceleration), kGaussSquared, 2e-4 * kGaussSquared);
}

}  // namespace
