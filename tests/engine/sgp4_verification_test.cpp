// The propagators against outside references: the printed test cases of
// Spacetrack Report No. 3 and the verification element sets with expected
// ephemerides distributed with python3-sgp4 (read as data files only).
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/sgp4.h"
#include "skydata/two_line_elements.h"

namespace {

constexpr double kEarthRadiusKm = 6378.135;

struct StateKm {
  double r[3], v[3];  // km, km/s
};

StateKm propagate(const SatelliteElementSet& el, double tsince) {
  double r[3], v[3];
  if (isDeepSpaceOrbit(el)) {
    Sdp4State s{};
    sdp4(el, r, v, s, tsince);
  } else {
    Sgp4State s{};
    sgp4(el, r, v, s, tsince);
  }
  StateKm out;
  for (int k = 0; k < 3; ++k) {
    out.r[k] = r[k] * kEarthRadiusKm;
    out.v[k] = v[k] * kEarthRadiusKm / 60.0;
  }
  return out;
}

SatelliteElementSet elementsFrom(const char* l1, const char* l2) {
  SatelliteElementSet el{};
  std::string problem;
  EXPECT_TRUE(parseTwoLineElements(l1, l2, el, problem)) << problem;
  return el;
}

// Printed results of the report's own test cases: tsince (min), position
// (km) and velocity (km/s).
struct ReportRow {
  double t, x, y, z, vx, vy, vz;
};

const ReportRow kReportSgp4[] = {
    {0.0, 2328.97048951, -5995.22076416, 1719.97067261, 2.91207230, -0.98341546, -7.09081703},
    {360.0, 2456.10705566, -6071.93853760, 1222.89727783, 2.67938992, -0.44829041, -7.22879231},
    {720.0, 2567.56195068, -6112.50384522, 713.96397400, 2.44024599, 0.09810869, -7.31995916},
    {1080.0, 2663.09078980, -6115.48229980, 196.39640427, 2.19611958, 0.65241995, -7.36282432},
    // The last velocity component of this row is not carried here (NaN).
    {1440.0, 2742.55133057, -6079.67144775, -326.38095856, 1.94850229, 1.21106251, NAN},
};

const ReportRow kReportSdp4[] = {
    {0.0, 7473.37066650, 428.95261765, 5828.74786377, 5.10715413, 6.44468284, -0.18613096},
    {360.0, -3305.22537232, 32410.86328125, -24697.17675781, -1.30113538, -1.15131518, -0.28333528},
    {720.0, 14271.28759766, 24110.46411133, -4725.76837158, -0.32050445, 2.67984074, -2.08405289},
    {1080.0, -9990.05883789, 22717.35522461, -23616.89062500, -1.01667246, -2.29026759, 0.72892364},
    {1440.0, 9787.86975097, 33753.34667969, -15030.81176758, -1.09425066, 0.92358845, -1.52230928},
};

// The report's values come from a single-precision run and carry about
// seven significant digits; within that they must match.
constexpr double kReportPositionKm = 0.015;
constexpr double kReportVelocityKmS = 1.5e-5;

void expectReportRows(const SatelliteElementSet& el, const ReportRow* rows,
                      int n) {
  for (int i = 0; i < n; ++i) {
    const ReportRow& row = rows[i];
    const StateKm s = propagate(el, row.t);
    const double expectedR[3] = {row.x, row.y, row.z};
    const double expectedV[3] = {row.vx, row.vy, row.vz};
    for (int k = 0; k < 3; ++k) {
      EXPECT_NEAR(s.r[k], expectedR[k], kReportPositionKm) << "t " << row.t << " axis " << k;
      if (!std::isnan(expectedV[k])) {
        EXPECT_NEAR(s.v[k], expectedV[k], kReportVelocityKmS) << "t " << row.t << " axis " << k;
      }
    }
  }
}

TEST(ReportCases, NearEarthCase88888MatchesThePrintedResults) {
  const SatelliteElementSet el = elementsFrom(
      "1 88888U          80275.98708465  .00073094  13844-3  66816-4 0    87",
      "2 88888  72.8435 115.9689 0086731  52.6988 110.5714 16.05824518  1058");
  EXPECT_FALSE(isDeepSpaceOrbit(el));
  expectReportRows(el, kReportSgp4, 5);
}

TEST(ReportCases, DeepSpaceCase11801MatchesThePrintedResults) {
  const SatelliteElementSet el = elementsFrom(
      "1 11801U          80230.29629788  .01431103  00000-0  14311-1      13",
      "2 11801  46.7916 230.4354 7318036  47.4722  10.4117  2.28537848    13");
  EXPECT_TRUE(isDeepSpaceOrbit(el));
  expectReportRows(el, kReportSdp4, 5);
}

struct VerificationCase {
  SatelliteElementSet elements;
  std::string line1, line2;
  std::vector<std::array<double, 7>> expected;  // tsince, r (km), v (km/s)
};

std::string verificationDir() {
  const char* dir = std::getenv("TESSALY_SGP4_VERIFICATION_DIR");
  return dir ? dir : "/usr/lib/python3/dist-packages/sgp4";
}

// The element sets in file order, each with the expected rows of the block
// at the same position in the expected-output file.
std::vector<VerificationCase> loadVerificationCases() {
  std::vector<VerificationCase> cases;
  std::ifstream tle(verificationDir() + "/SGP4-VER.TLE");
  std::ifstream out(verificationDir() + "/tcppver.out");
  if (!tle || !out) return cases;
  std::string line, previous;
  while (std::getline(tle, line)) {
    if (line.rfind("2 ", 0) == 0 && previous.rfind("1 ", 0) == 0) {
      VerificationCase c;
      c.line1 = previous;
      c.line2 = line;
      // Columns past 69 of the second line hold the run's start, stop and
      // step; three sets (33333-33335) were edited without new check digits.
      std::string problem;
      if (!parseTwoLineElements(previous, std::string_view(line).substr(0, 69), c.elements,
                                problem, nullptr, CheckDigits::Ignore)) {
        ADD_FAILURE() << problem << ": " << previous;
        return {};
      }
      cases.push_back(c);
    }
    previous = line;
  }
  int block = -1;
  while (std::getline(out, line)) {
    if (line.find("xx") != std::string::npos) {
      ++block;
      continue;
    }
    if (block < 0 || block >= static_cast<int>(cases.size())) continue;
    std::istringstream row(line);
    std::array<double, 7> values;
    bool ok = true;
    for (double& v : values) ok = ok && static_cast<bool>(row >> v);
    if (ok) cases[block].expected.push_back(values);
  }
  return cases;
}

// Largest deviation from the revised model's expected ephemeris, measured
// once with this implementation and pinned (25 % margin), in file order.
// The expected outputs come from the 2006 revision of the models, which
// differs from the report's where the report is known to go wrong or was
// changed: the Lyddane-modified periodics at inclinations below 0.2 rad
// (node quadrant, choice of branch: 4632, 9998, 14128, 20413, 23177, 23599,
// 25954, 26900, 28626, 33335), the inclination negated below zero (26900,
// 28626), the Kepler solver without a step limit at e = 0.97 (23333), the
// semi-major axis recovered from the un-Kozai'd mean motion, which moves the
// drag coefficients of very low perigees (22312, 28350), the Greenwich
// angle of the IAU 1982 formula in the resonance terms (24208), and orbits
// the revision rejects as decayed (33333; 33334 is checked apart).
struct Tolerance {
  int catalogueNumber;
  double positionKm, velocityKmS;
};
const Tolerance kPinned[] = {
    {5, 0.0097, 7.7e-06},     {4632, 9.7, 0.00082},      {6251, 0.0019, 2.2e-06},
    {8195, 0.013, 3.2e-06},   {9880, 0.014, 2.4e-06},    {9998, 11, 0.00091},
    {11801, 0.031, 4.9e-06},  {14128, 2.2, 0.00016},     {16925, 0.0078, 4.5e-06},
    {20413, 2.4e+03, 0.014},  {21897, 0.028, 2.9e-06},   {22312, 0.35, 0.00027},
    {22674, 0.032, 8.2e-06},  {23177, 7.7, 0.0017},      {23333, 2.8e+05, 3.2},
    {23599, 1.5e+03, 0.57},   {24208, 1.2, 8.5e-05},     {25954, 33, 0.0023},
    {26900, 25, 0.0016},      {26975, 0.024, 4.6e-06},   {28057, 0.0019, 1.9e-06},
    {28129, 0.002, 3e-07},    {28350, 9.8, 0.0091},      {28623, 0.017, 3.2e-06},
    {28626, 7.3, 0.00052},    {28872, 0.0013, 1.5e-06},  {29141, 0.00036, 4.5e-07},
    {29238, 0.0028, 3.2e-06}, {88888, 0.0032, 3.7e-06},  {33333, 4.4e+03, 0.054},
    {33334, -1, -1},          {33335, 8, 0.00052},       {20413, 3.3e+04, 2.4},
};

TEST(VerificationSets, StayWithinThePinnedDeviationsFromTheRevisedModel) {
  const auto cases = loadVerificationCases();
  ASSERT_EQ(cases.size(), std::size(kPinned))
      << "verification files missing under " << verificationDir();
  for (std::size_t n = 0; n < cases.size(); ++n) {
    const VerificationCase& c = cases[n];
    const Tolerance& tol = kPinned[n];
    ASSERT_EQ(c.elements.catalogueNumber, tol.catalogueNumber);
    ASSERT_FALSE(c.expected.empty()) << tol.catalogueNumber;
    if (tol.positionKm < 0) continue;
    for (const auto& row : c.expected) {
      const StateKm s = propagate(c.elements, row[0]);
      double dr = 0, dv = 0;
      for (int k = 0; k < 3; ++k) {
        dr += (s.r[k] - row[1 + k]) * (s.r[k] - row[1 + k]);
        dv += (s.v[k] - row[4 + k]) * (s.v[k] - row[4 + k]);
      }
      EXPECT_LE(std::sqrt(dr), tol.positionKm) << c.line1 << " t " << row[0];
      EXPECT_LE(std::sqrt(dv), tol.velocityKmS) << c.line1 << " t " << row[0];
    }
  }
}

// Mean motion 0.00001 rev/day puts the orbit far outside the models; the
// caller relies on non-finite numbers to fall back to the secular elements.
TEST(VerificationSets, HopelessElementSetGivesNonFiniteNumbers) {
  const auto cases = loadVerificationCases();
  ASSERT_EQ(cases.size(), std::size(kPinned));
  const StateKm s = propagate(cases[30].elements, 0.0);
  EXPECT_FALSE(std::isfinite(s.r[0]) && std::isfinite(s.r[1]) && std::isfinite(s.r[2]));
}

}  // namespace
