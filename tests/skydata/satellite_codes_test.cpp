#include "skydata/satellite_codes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(SatelliteCodes, LaunchSitesAtBothEnds) {
  EXPECT_EQ(launchSiteIndex("AFETR"), 1);
  EXPECT_EQ(launchSiteIndex("YUN"), 38);
  EXPECT_EQ(launchSiteIndex("TTMTR"), 28);
  EXPECT_EQ(launchSiteIndex("AFETRX"), 0);
  EXPECT_EQ(launchSiteIndex("afetr"), 0);
  EXPECT_EQ(launchSiteIndex(""), 0);
  EXPECT_EQ(launchSiteIndex(nullptr), 0);
  EXPECT_STREQ(launchSiteName(1), "Kennedy Space Center, Florida, USA");
  EXPECT_STREQ(launchSiteName(38), "Yunsong, North Korea");
  EXPECT_STREQ(launchSiteName(0), "");
  EXPECT_STREQ(launchSiteName(39), "");
}

TEST(SatelliteCodes, OwnersAtBothEnds) {
  EXPECT_EQ(satelliteOwnerIndex("AB"), 1);
  EXPECT_EQ(satelliteOwnerIndex("VTNM"), 123);
  EXPECT_STREQ(satelliteOwnerName(satelliteOwnerIndex("CIS")), "Russia");
  EXPECT_STREQ(satelliteOwnerName(satelliteOwnerIndex("PRC")), "People's Republic of China");
  EXPECT_STREQ(satelliteOwnerName(satelliteOwnerIndex("US")), "United States of America");
  EXPECT_STREQ(satelliteOwnerName(satelliteOwnerIndex("USA")), "United States of America");
  EXPECT_STREQ(satelliteOwnerName(satelliteOwnerIndex("UNKN")), "Unknown");
  EXPECT_EQ(satelliteOwnerIndex("ZZZZ"), 0);
  EXPECT_STREQ(satelliteOwnerName(124), "");
  EXPECT_STREQ(satelliteOwnerName(-1), "");
}

TEST(SatelliteCodes, TablesAreInSearchOrderWithShortCodes) {
  ASSERT_EQ(kLaunchSiteCount, 38);
  ASSERT_EQ(kSatelliteOwnerCount, 123);
  for (int i = 0; i < kLaunchSiteCount; ++i) {
    EXPECT_LE(std::strlen(kLaunchSites[i].code), 5u);
    EXPECT_EQ(launchSiteIndex(kLaunchSites[i].code), i + 1);
  }
  for (int i = 0; i < kSatelliteOwnerCount; ++i) {
    EXPECT_LE(std::strlen(kSatelliteOwners[i].code), 4u);
    EXPECT_GT(std::strlen(kSatelliteOwners[i].name), 0u);
    EXPECT_EQ(satelliteOwnerIndex(kSatelliteOwners[i].code), i + 1) << kSatelliteOwners[i].code;
  }
}

TEST(HtmNames, IdsAndNamesBothWays) {
  char name[kHtmNameSize];
  ASSERT_TRUE(htmIdToName(name, 8));
  EXPECT_STREQ(name, "S0");
  ASSERT_TRUE(htmIdToName(name, 15));
  EXPECT_STREQ(name, "N3");
  ASSERT_TRUE(htmIdToName(name, 32));
  EXPECT_STREQ(name, "S00");
  EXPECT_FALSE(htmIdToName(name, 4));
  EXPECT_FALSE(htmIdToName(name, 0));
  EXPECT_FALSE(htmIdToName(name, 0x40000000u));  // bit 30
  ASSERT_TRUE(htmIdToName(name, 0xFFFFFFFFu));
  EXPECT_STREQ(name, "N333333333333333");
  EXPECT_EQ(htmNameToId("N3"), 15u);
  EXPECT_EQ(htmNameToId("S00"), 32u);
  EXPECT_EQ(htmNameToId("N333333333333333"), 0xFFFFFFFFu);
  EXPECT_EQ(htmNameToId("N4"), 0u);
  EXPECT_EQ(htmNameToId("X0"), 0u);
  EXPECT_EQ(htmNameToId("N"), 0u);
  EXPECT_EQ(htmNameToId(nullptr), 0u);
  EXPECT_EQ(htmNameToId("N0000000000000000"), 0u);  // 17 characters do not fit 32 bits
  EXPECT_EQ(htmNameToId(("S" + std::string(31, '1')).c_str()), 0u);
  // Every valid id of the first levels survives the trip.
  for (std::uint32_t id = 8; id < (1u << 13); ++id) {
    if (!htmIdToName(name, id)) continue;
    ASSERT_EQ(htmNameToId(name), id) << name;
  }
}

}  // namespace
