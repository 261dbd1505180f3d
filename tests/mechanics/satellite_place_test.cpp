// One satellite place kept for a whole scan (as the satellite lists keep
// one per satellite) against a new one per time (as the chart makes): the
// same place, the same velocity and the same refusal at every time,
// across both edges of the month the full model is trusted for and back,
// for a near-Earth orbit, deep-space orbits with and without a resonance,
// and a set the model refuses from some days after its epoch.
#include "mechanics/satellite_place.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "skydata/satellite.h"
#include "tests/mechanics/mechanics_fixture.h"

namespace {

using mechanics_test::SolarSystemWorld;

constexpr double kMinutesPerDay = 1440;

struct Set {
  const char* line1;
  const char* line2;
  const char* what;
};

const Set kSets[] = {
    {mechanics_test::kIssLines[0], mechanics_test::kIssLines[1], "near-Earth"},
    {mechanics_test::kMolniyaLines[0], mechanics_test::kMolniyaLines[1], "12-hour resonance"},
    {mechanics_test::kGeostationaryLines[0], mechanics_test::kGeostationaryLines[1],
     "24-hour resonance"},
    {"1 28129U 03058A   06175.57071136 -.00000104  00000-0  10000-3 0   459",
     "2 28129  54.7298 324.8098 0048506 266.2640  93.1663  2.00562768 18443",
     "deep space, no resonance"},
    // Refused with error 1 from ten days after its epoch on.
    {"1 41939U 98067KZ  18011.28402027  .11925055  12489-4  54124-3 0  9997",
     "2 41939 051.6147 038.9582 0001091 231.1728 128.9202 16.43639489055773", "decaying"},
};

// Days from the epoch: out past the early edge, across the window, past
// the late edge, and back in, in the steps a list scan and a user make.
std::vector<double> sweep() {
  std::vector<double> days;
  for (double d = -32; d <= 32; d += 0.37) days.push_back(d);
  for (double d : {29.99, 30.0, 30.01, -30.0, -29.99, -30.01, 45.0, 0.0, 400.0, -400.0, 31.0})
    days.push_back(d);
  return days;
}

bool same(const double a[3], const double b[3]) {
  for (int k = 0; k < 3; ++k)
    if (!(a[k] == b[k] || (std::isnan(a[k]) && std::isnan(b[k])))) return false;
  return true;
}

TEST(SatellitePlace, OneKeptForAScanPlacesAsANewOneDoesAtEveryTime) {
  SolarSystemWorld world({}, mechanics_test::satelliteRecordsFromLines(kSets));
  int placed = 0, beyond = 0, refused = 0;
  for (const Set& set : kSets) {
    SCOPED_TRACE(set.what);
    const SatelliteElementSet el = mechanics_test::elementsFromLines(set.line1, set.line2);
    CSatellite* satellite = world.satellite(static_cast<std::uint32_t>(el.catalogueNumber));
    ASSERT_NE(satellite, nullptr);
    SatellitePlace kept(*satellite);
    for (double day : sweep()) {
      SCOPED_TRACE(day);
      const double tsince = day * kMinutesPerDay;
      double keptPosition[3], keptVelocity[3], newPosition[3], newVelocity[3];
      const int keptError = kept.at(tsince, keptPosition, keptVelocity);
      const int newError = SatellitePlace(*satellite).at(tsince, newPosition, newVelocity);
      ASSERT_EQ(keptError, newError);
      EXPECT_TRUE(same(keptPosition, newPosition));
      EXPECT_TRUE(same(keptVelocity, newVelocity));
      // A refusal leaves no place; otherwise the place is an orbit's.
      if (keptError != kSatelliteModelOK) {
        ++refused;
        for (int k = 0; k < 3; ++k) EXPECT_EQ(keptPosition[k], INFINITY);
        continue;
      }
      const double radius = std::hypot(keptPosition[0], keptPosition[1], keptPosition[2]);
      EXPECT_GT(radius, 1.0);
      EXPECT_LT(radius, 10.0);
      ++placed;
      beyond += std::fabs(day) >= 30;
    }
  }
  // Each kind of answer is met often, or the comparison proves little.
  EXPECT_GT(placed, 500);
  EXPECT_GT(beyond, 40);
  EXPECT_GT(refused, 40);
}

}  // namespace
