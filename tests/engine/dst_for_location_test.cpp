// The daylight-saving rule chosen for a place from its nearest city.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/daylight_saving.h"
#include "engine/locations.h"
#include "engine/sky_time.h"

namespace {

int ruleAt(double lonDeg, double latDeg) {
  return dstRuleForLocation(lonDeg * M_PI / 180, latDeg * M_PI / 180);
}

TEST(DstForLocation, RulesOfCountriesAndStates) {
  // Without a city table there is no nearest city and no rule.
  if (cityCount() == 0) {
    EXPECT_EQ(ruleAt(13.4, 52.5), 0);
  }
  initLocationDatabase(0);
  EXPECT_EQ(ruleAt(-74.0, 40.7), kDstNorthAmerica);    // New York
  EXPECT_EQ(ruleAt(-112.07, 33.45), 0);                // Phoenix, AZ
  EXPECT_EQ(ruleAt(-157.86, 21.31), 0);                // Honolulu, HI
  EXPECT_EQ(ruleAt(-104.62, 50.45), 0);                // Regina, SK
  EXPECT_EQ(ruleAt(-99.13, 19.43), kDstMexico);        // Mexico City
  EXPECT_EQ(ruleAt(13.4, 52.5), kDstEurope);           // Berlin
  EXPECT_EQ(ruleAt(-0.13, 51.5), kDstEurope);          // London
  EXPECT_EQ(ruleAt(149.13, -35.28), kDstSouthEastAustralia);  // Canberra
  EXPECT_EQ(ruleAt(151.21, -33.87), kDstSouthEastAustralia);  // Sydney
  EXPECT_EQ(ruleAt(153.03, -27.47), 0);                // Brisbane, QLD
  EXPECT_EQ(ruleAt(115.86, -31.95), 0);                // Perth, WA
  EXPECT_EQ(ruleAt(-51.23, -30.03), kDstBrazil);       // Porto Alegre
  EXPECT_EQ(ruleAt(-60.03, -3.10), 0);                 // Manaus, north of 10 S
  EXPECT_EQ(ruleAt(174.76, -36.85), kDstNewZealand);   // Auckland
  EXPECT_EQ(ruleAt(139.69, 35.69), 0);                 // Tokyo: no rule
  // Asuncion: rule 12 is returned, and keeps no changeovers.
  EXPECT_EQ(ruleAt(-57.58, -25.26), 12);
  EXPECT_EQ(daylightSavingPeriod(12, nullptr, nullptr, 2460300.5, -0.125), 0);
  EXPECT_EQ(ruleAt(-140.0, -40.0), 0);                 // open Pacific
}

}  // namespace
