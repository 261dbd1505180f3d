// Satellites whose element sets the models refuse (decayed orbits), against
// an independent SGP4 (python3-sgp4 through tests/engine/sgp4_oracle.py):
// the error numbers over every set gpredict ships, and what the mechanics
// make of a refused satellite inside and beyond the model's window.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "engine/sgp4.h"
#include "mechanics/event_search.h"
#include "mechanics/sky_mechanics.h"
#include "skydata/satellite.h"
#include "tests/engine/sgp4_fresh_answer.h"
#include "tests/mechanics/mechanics_fixture.h"
#include "tests/support/requirements.h"

namespace {

using mechanics_test::SatelliteRecord;
using mechanics_test::SolarSystemWorld;

constexpr double kEarthRadiusKm = 6378.135;
// Days from each set's epoch, and two fixed dates: 2018 January 21 (the
// days the sets are of) and 2026 December 7.
constexpr double kDaysFromEpoch[] = {-30, -10, -1, 0, 0.5, 1, 3, 10, 20, 29.9};
constexpr double kFixedDates[] = {2458140.0, 2461381.5};
// The report's models and the revised ones agree within a kilometre for
// nearly every set in its first month; they part by up to some 130 km for
// highly eccentric deep-space orbits and a set whose drag is decaying it
// (the revised deep-space terms, the Kepler solution's tolerance). A
// refused set given a place would be off by thousands.
constexpr double kWorstModelDifferenceKm = 150;
constexpr double kShareBeyondOneKm = 0.02;

using sgp4_test::Answer;

// The engine's model at minutes from the epoch, in kilometres.
Answer ours(const SatelliteElementSet& el, double tsince) {
  Answer a = sgp4_test::freshAnswer(el, tsince);
  for (double& c : a.r) c *= kEarthRadiusKm;
  return a;
}

TEST(SatelliteRefusals, ErrorNumbersAndPlacesAgreeWithTheIndependentPropagator) {
  const std::vector<mechanics_test::ElementLines> sets = mechanics_test::gpredictElementSets();
  if (sets.size() < 900) TESSALY_SKIP_OR_FAIL("gpredict's element sets are needed");
  const char* root = std::getenv("TESSALY_SOURCE_DIR");
  const std::string script = std::string(root ? root : ".") + "/tests/engine/sgp4_oracle.py";
  const std::string queries = "/tmp/tessaly_sgp4_refusals_" + std::to_string(getpid());
  std::vector<std::pair<const mechanics_test::ElementLines*, double>> asked;
  {
    FILE* out = std::fopen(queries.c_str(), "w");
    ASSERT_NE(out, nullptr);
    for (const auto& set : sets) {
      std::vector<double> dates;
      for (double days : kDaysFromEpoch) dates.push_back(set.elements.epoch + days);
      for (double jd : kFixedDates) dates.push_back(jd);
      for (double jd : dates) {
        std::fprintf(out, "%s|%s|%.10f\n", set.line1.c_str(), set.line2.c_str(), jd);
        asked.emplace_back(&set, jd);
      }
    }
    std::fclose(out);
  }
  FILE* pipe = popen(("/usr/bin/python3 " + script + " < " + queries).c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::map<int, int> refusals;  // by error number
  int answered = 0, disagreements = 0, compared = 0, beyondOneKm = 0;
  double worstKm = 0;
  std::string worst;
  for (const auto& [set, jd] : asked) {
    int error;
    double t, r[3], v[3];
    if (std::fscanf(pipe, "%d %lf %lf %lf %lf %lf %lf %lf", &error, &t, &r[0], &r[1], &r[2],
                    &v[0], &v[1], &v[2]) != 8)
      break;
    ++answered;
    const double tsince = (jd - set->elements.epoch) * 1440.0;
    const Answer mine = ours(set->elements, tsince);
    if (mine.error != error) {
      if (++disagreements <= 20)
        ADD_FAILURE() << set->elements.catalogueNumber << " at " << tsince / 1440
                      << " days: ours " << mine.error << ", theirs " << error;
      continue;
    }
    if (error != kSatelliteModelOK) {
      ++refusals[error];
      for (double c : mine.r) EXPECT_TRUE(std::isnan(c)) << set->elements.catalogueNumber;
      continue;
    }
    // Places are compared within the window the models serve.
    if (std::fabs(tsince) > 43200) continue;
    const double km = std::hypot(mine.r[0] - r[0], mine.r[1] - r[1], mine.r[2] - r[2]);
    ++compared;
    if (km > 1) ++beyondOneKm;
    if (km > worstKm) {
      worstKm = km;
      worst = std::to_string(set->elements.catalogueNumber) + " at " +
              std::to_string(tsince / 1440) + " days";
    }
  }
  pclose(pipe);
  std::remove(queries.c_str());
  ASSERT_EQ(answered, static_cast<int>(asked.size())) << "independent propagator did not run";
  EXPECT_EQ(disagreements, 0);
  std::printf("%d answers, %d places compared (%d beyond 1 km), worst %.3f km (%s); refusals:",
              answered, compared, beyondOneKm, worstKm, worst.c_str());
  for (const auto& [error, count] : refusals) std::printf(" %d x%d", error, count);
  std::printf("\n");
  // The sets hold decayed orbits of both kinds the oracle names.
  EXPECT_GT(refusals[kSatelliteMeanElementsOutOfRange], 90);
  EXPECT_GT(refusals[kSatelliteDecayed], 30);
  EXPECT_GT(compared, 9000);
  EXPECT_LT(worstKm, kWorstModelDifferenceKm);
  EXPECT_LT(beyondOneKm, kShareBeyondOneKm * compared);
}

// A decayed satellite (41939, refused with error 1 from ten days after its
// epoch on) beside the ISS of 2008, which the oracle still places in 2026.
const char* const kDecayedLines[2] = {
    "1 41939U 98067KZ  18011.28402027  .11925055  12489-4  54124-3 0  9997",
    "2 41939 051.6147 038.9582 0001091 231.1728 128.9202 16.43639489055773"};
constexpr double kAfterTheDecay = 2458140.0;  // 2018 January 21
constexpr double kYearsLater = 2461381.5;      // 2026 December 7

class RefusedSatellite : public ::testing::Test {
 protected:
  RefusedSatellite() : world({}, records()), chart(&world.database()) {}
  static std::vector<SatelliteRecord> records() {
    std::vector<SatelliteRecord> out(2);
    out[0].elements = mechanics_test::elementsFromLines(kDecayedLines[0], kDecayedLines[1]);
    out[1].elements =
        mechanics_test::elementsFromLines(mechanics_test::kIssLines[0], mechanics_test::kIssLines[1]);
    return out;
  }
  CSatellite* decayed() { return world.satellite(41939); }
  CSatellite* iss() { return world.satellite(25544); }
  SolarSystemWorld world;
  CSkyMechanics chart;
};

TEST_F(RefusedSatellite, HasNoPlaceInsideNorBeyondTheWindowWhileOthersKeepTheirs) {
  for (double jd : {kAfterTheDecay, kYearsLater}) {
    chart.setJulianDate(jd);
    double position[3], velocity[3];
    EXPECT_EQ(chart.computeSatellitePosition(decayed(), position, velocity,
                                             chart.dynamicalJulianDate),
              kSatelliteMeanElementsOutOfRange)
        << jd;
    for (int k = 0; k < 3; ++k) {
      EXPECT_FALSE(std::isfinite(position[k])) << jd;
      EXPECT_FALSE(std::isfinite(velocity[k])) << jd;
    }
    chart.updateObjectPosition(decayed());
    EXPECT_FALSE(std::isfinite(decayed()->getDistance())) << jd;
    EXPECT_FALSE(std::isfinite(decayed()->getMagnitude())) << jd;

    // Beyond its window too, the ISS keeps a place in low orbit.
    EXPECT_EQ(chart.computeSatellitePosition(iss(), position, velocity, chart.dynamicalJulianDate),
              kSatelliteModelOK);
    const double km = std::sqrt(position[0] * position[0] + position[1] * position[1] +
                                position[2] * position[2]) *
                      149597870.0;
    EXPECT_GT(km, 6500);
    EXPECT_LT(km, 7000);
  }
  // At its epoch the decayed set was still an orbit.
  chart.setJulianDate(decayed()->getElementEpoch());
  double position[3], velocity[3];
  EXPECT_EQ(chart.computeSatellitePosition(decayed(), position, velocity,
                                           chart.dynamicalJulianDate),
            kSatelliteModelOK);
  EXPECT_TRUE(std::isfinite(position[0]));
}

TEST_F(RefusedSatellite, IsNotSearchedForPasses) {
  chart.setLocation(-105.2 * M_PI / 180, 40.0 * M_PI / 180, 1600);
  chart.setJulianDate(kAfterTheDecay);
  PassRecord records[8];
  const std::uint64_t before = eventSearchEvaluations();
  EXPECT_EQ(findObjectPasses(chart, decayed(), records, 8, kAfterTheDecay, kAfterTheDecay + 1, 0),
            0);
  // One look at the start, and no scan of the day.
  EXPECT_LE(eventSearchEvaluations() - before, 2u);
  EXPECT_EQ(chart.julianDate, kAfterTheDecay);
  // The ISS is searched as before.
  EXPECT_GT(findObjectPasses(chart, iss(), records, 8, kAfterTheDecay, kAfterTheDecay + 1, 0), 0);
}

}  // namespace
