// The object numbers a bare number text means: one per family in a fixed
// order, each inside its family's own catalogue, and nothing for a text
// whose number no catalogue entry can hold.
#include "skydata/object_numbers.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "skydata/catalog_numbers.h"

namespace {

TEST(ObjectNumbers, ANumberMeansOneObjectOfEachFamily) {
  std::uint64_t ids[8];
  ASSERT_EQ(objectIdsForNumber("25544", 0, ids, 8), 4u);
  EXPECT_EQ(ids[0], 1510000000000025544ULL);
  EXPECT_EQ(ids[1], 1520000000000025544ULL);
  EXPECT_EQ(ids[2], 1530000000000025544ULL);
  EXPECT_EQ(ids[3], 1540000000000025544ULL);
  EXPECT_EQ(objectIdsForNumber("25544", 0, ids, 2), 2u);
  EXPECT_EQ(objectIdForNumber("25544", 35), 1540000000000025544ULL);
  EXPECT_EQ(objectIdForNumber("301", 31), 1510000000000000301ULL);
  EXPECT_EQ(objectIdForNumber("4", 30), 1510000000000000004ULL);
  EXPECT_EQ(objectIdForNumber("1", 33), 1520000000000000001ULL);
  EXPECT_EQ(objectIdForNumber("7", 34), 1530000000000000007ULL);
  EXPECT_EQ(objectIdForNumber("7", 12), 0u);
  EXPECT_EQ(objectIdForNumber("7", 36), 0u);  // spacecraft have no family
  EXPECT_EQ(objectIdForNumber("0", 0), 0u);
  EXPECT_EQ(objectIdForNumber("Vega", 0), 0u);
  EXPECT_EQ(objectIdForNumber("99999999999999999999999", 0), 0u);
  EXPECT_EQ(objectIdsForNumber(nullptr, 0, ids, 8), 0u);
  EXPECT_EQ(objectIdsForNumber("5", 0, ids, 0), 0u);
  EXPECT_EQ(objectIdsForNumber("5", 0, nullptr, 8), 0u);
}

// Every number written lies in its family's catalogue with the text's
// number as its entry: a negative text or one of 10^16 and more would
// otherwise land in the catalogue below or above (150, or the next
// family's), naming another object.
TEST(ObjectNumbers, EveryNumberStaysInsideItsFamilysCatalogue) {
  const int families[] = {kCatalogPlanet, kCatalogAsteroid, kCatalogComet, kCatalogSatellite};
  for (const char* text : {"1", " 42", "+42", "42 km", "9999999999999999"}) {
    std::uint64_t ids[4];
    ASSERT_EQ(objectIdsForNumber(text, 0, ids, 4), 4u) << text;
    for (int k = 0; k < 4; ++k) {
      int catalogue = 0;
      std::int64_t entry = 0;
      splitCatalogNumber(static_cast<std::int64_t>(ids[k]), &catalogue, &entry);
      EXPECT_EQ(catalogue, families[k]) << text;
      EXPECT_EQ(entry, std::strtoll(text, nullptr, 10)) << text;
    }
  }
  EXPECT_EQ(objectIdForNumber("9999999999999999", 35), 1549999999999999999ULL);
  for (const char* text : {"-5", "-25544", "10000000000000000", "10000000000025544",
                           "9223372036854775807", "-9223372036854775808", "-", ""}) {
    EXPECT_EQ(objectEntryForNumber(text), 0) << text;
    EXPECT_EQ(objectIdForNumber(text, 0), 0u) << text;
    EXPECT_EQ(objectIdForNumber(text, 35), 0u) << text;
  }
  EXPECT_EQ(objectEntryForNumber(nullptr), 0);
}

}  // namespace
