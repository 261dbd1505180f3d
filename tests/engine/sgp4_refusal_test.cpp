// Element sets the models refuse: three decayed satellites of the bundle,
// with the error numbers the independent SGP4 (python3-sgp4) gives them.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/sgp4.h"
#include "tests/engine/sgp4_fresh_answer.h"
#include "skydata/two_line_elements.h"

namespace {

using sgp4_test::Answer;

Answer ours(const SatelliteElementSet& el, double tsince) { return sgp4_test::freshAnswer(el, tsince); }

// Three decayed satellites of the bundle, refused by the oracle with error
// 1 (mean elements out of range) on 2018 January 21 and the days around.
TEST(Sgp4Refusals, DecayedSatellitesOfTheBundleAreRefusedAsTheOracleRefusesThem) {
  const char* const kDecayed[][2] = {
      {"1 24794U 97020C   17357.29133070  .33479621 -16083-5  31051-3 0  9994",
       "2 24794  86.3482 237.4619 0038730  97.6871 263.3574 16.47860342 80605"},
      {"1 24969U 97056E   18008.02445641  .28118293 -13397-5  35827-3 0  9991",
       "2 24969  86.3612 230.1096 0037510  75.0937 285.7049 16.45697571 62280"},
      {"1 41939U 98067KZ  18011.28402027  .11925055  12489-4  54124-3 0  9997",
       "2 41939 051.6147 038.9582 0001091 231.1728 128.9202 16.43639489055773"},
  };
  for (const auto& lines : kDecayed) {
    SatelliteElementSet el{};
    std::string problem;
    ASSERT_TRUE(parseTwoLineElements(lines[0], lines[1], el, problem)) << problem;
    ASSERT_FALSE(isDeepSpaceOrbit(el));
    for (double jd : {2458139.0, 2458139.5, 2458140.0, 2458140.5, 2458141.0, 2458142.0,
                      2458170.0, 2458505.0, 2461381.5}) {
      const Answer a = ours(el, (jd - el.epoch) * 1440.0);
      EXPECT_EQ(a.error, kSatelliteMeanElementsOutOfRange) << el.catalogueNumber << " " << jd;
      EXPECT_TRUE(std::isnan(a.r[0])) << el.catalogueNumber << " " << jd;
    }
    // At the epoch itself the elements still describe an orbit.
    EXPECT_EQ(ours(el, 0.0).error, kSatelliteModelOK) << el.catalogueNumber;
  }
}

// The resonance of a geostationary orbit is integrated step by step from
// the epoch: a damaged epoch millions of years away must give no state
// rather than hang its caller (the verdict, if any, is the drag's or the
// lunar-solar terms'); decades away it still gives one.
TEST(Sgp4Refusals, AResonantOrbitFarBeyondAnyUseGivesNoState) {
  SatelliteElementSet el{};
  std::string problem;
  ASSERT_TRUE(parseTwoLineElements(
      "1 24208U 96044A   06177.04061740 -.00000094  00000-0  10000-3 0  1600",
      "2 24208   3.8536  80.0121 0026640 311.0977  48.3000  1.00778054 36119", el, problem))
      << problem;
  ASSERT_TRUE(isDeepSpaceOrbit(el));
  SatelliteElementSet dragless = el;
  dragless.bstar = 0;
  for (const SatelliteElementSet& set : {el, dragless})
    for (double tsince : {2e8, -2e8, 1e12, -1e12, 1e300})
      EXPECT_TRUE(std::isnan(ours(set, tsince).r[0])) << tsince;
  const Answer decades = ours(el, 30 * 365.25 * 1440);
  EXPECT_EQ(decades.error, kSatelliteModelOK);
  EXPECT_NEAR(std::hypot(decades.r[0], decades.r[1], decades.r[2]), 6.6, 0.1);  // Earth radii
}

}  // namespace
