#include "skydata/sky_object.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "engine/vectors.h"
#include "skydata/object_factory.h"
#include "skydata/object_types.h"
#include "skydata/record_io.h"

namespace {

TEST(SkyObject, StartsUnsetAndKeepsTheOwnershipBitApartFromTheType) {
  CSkyObject object(35);
  double position[3];
  object.getPosition(position);
  for (double c : position) EXPECT_EQ(c, INFINITY);
  EXPECT_EQ(object.getDistance(), INFINITY);
  EXPECT_EQ(object.getMagnitude(), INFINITY);
  EXPECT_EQ(object.getNumber(), 0u);
  EXPECT_EQ(object.getPosition(nullptr), nullptr);

  object.setOwnedByRegion(true);
  EXPECT_EQ(object.getTypeByte(), 163);
  EXPECT_EQ(object.getType(), 35);
  EXPECT_TRUE(object.isOwnedByRegion());
  object.setOwnedByRegion(false);
  EXPECT_EQ(object.getTypeByte(), 35);
}

TEST(SkyObject, SeparationsUseTheStoredPositions) {
  CSkyObject a(1), b(1);
  const double x[3] = {1, 0, 0};
  const float y[3] = {0, 1, 0};
  a.setPosition(x);
  b.setPositionFloat(y);
  EXPECT_NEAR(a.angularSeparationToObject(b), M_PI / 2, 1e-15);
  const double diagonal[3] = {M_SQRT1_2, M_SQRT1_2, 0};
  EXPECT_NEAR(b.angularSeparationToVector(diagonal), M_PI / 4, 1e-15);
}

TEST(SkyObject, NameGettersAlwaysFillTheBuffer) {
  CSkyObject object(1);
  char buffer[8];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(object.getName(buffer, sizeof buffer), buffer);
  EXPECT_STREQ(buffer, "");
  EXPECT_STREQ(object.getName(nullptr, 0), "");
  EXPECT_STREQ(object.getName(buffer, 0), "");
  EXPECT_EQ(object.getNameString(), "");

  char small[4];
  EXPECT_STREQ(copyNameText("Betelgeuse", small, sizeof small), "Bet");
}

// Sirius, J2000: RA 6h 45m 08.917s, Dec -16 42' 58.02", V -1.46.
constexpr double kSiriusRa = (6 + 45 / 60.0 + 8.917 / 3600.0) * M_PI / 12;
constexpr double kSiriusDec = -(16 + 42 / 60.0 + 58.02 / 3600.0) * M_PI / 180;

TEST(SkyObject, BaseRecordRoundTripsInBothByteOrders) {
  for (bool other : {false, true}) {
    CSkyObject star(1);
    double position[3];
    sphericalToVector(position, kSiriusRa, kSiriusDec, 1.0);
    star.setPosition(position);
    star.setNumber(32349);
    star.setMagnitude(-1.46f);
    unsigned char record[18];
    ASSERT_EQ(star.writeRecord(record, sizeof record, other), 18);
    EXPECT_EQ(star.writeRecord(record, 17, other), -1);

    CSkyObject read(40);
    read.setOwnedByRegion(true);
    ASSERT_EQ(read.readRecord(record, sizeof record, other), 18);
    EXPECT_EQ(read.getType(), 1);
    EXPECT_TRUE(read.isOwnedByRegion());
    EXPECT_EQ(read.getNumber(), 32349u);
    EXPECT_EQ(read.getMagnitude(), -1.46f);
    EXPECT_EQ(read.getDistance(), INFINITY);
    EXPECT_LT(read.angularSeparationToObject(star), 1e-7);  // float precision
  }
}

TEST(SkyObject, BaseRecordMagnitudes) {
  unsigned char record[18] = {};
  record[16] = 450 & 0xFF;
  record[17] = 450 >> 8;
  CSkyObject object(1);
  ASSERT_EQ(object.readRecord(record, sizeof record, false), 18);
  EXPECT_EQ(object.getMagnitude(), 4.5f);

  object.setMagnitude(4.567f);
  ASSERT_EQ(object.writeRecord(record, sizeof record, false), 18);
  EXPECT_EQ(record[16] | record[17] << 8, 456);

  object.setMagnitude(INFINITY);
  ASSERT_EQ(object.writeRecord(record, sizeof record, false), 18);
  EXPECT_EQ(record[16] | record[17] << 8, 32767);
  object.setMagnitude(1e6f);
  ASSERT_EQ(object.writeRecord(record, sizeof record, false), 18);
  EXPECT_EQ(record[16] | record[17] << 8, 32767);
}

TEST(SkyObject, TruncatedBaseRecordChangesNothing) {
  unsigned char record[18] = {7};
  CSkyObject object(35);
  for (int length = 0; length < 18; ++length) {
    EXPECT_EQ(object.readRecord(record, length, false), -1);
  }
  EXPECT_EQ(object.getType(), 35);
  EXPECT_EQ(object.getNumber(), 0u);
}

TEST(ObjectTypes, AbbreviationsAreExactAndCaseSensitive) {
  EXPECT_EQ(objectTypeCodeTableSize, 34);
  for (int i = 0; i < objectTypeCodeTableSize; ++i) {
    const auto& row = objectTypeCodeTable[i];
    EXPECT_EQ(objectTypeFromAbbreviation(row.abbreviation), static_cast<int>(row.code));
    EXPECT_STREQ(objectTypeAbbreviation(static_cast<int>(row.code)), row.abbreviation);
  }
  EXPECT_EQ(objectTypeFromAbbreviation("sat"), 0);
  EXPECT_EQ(objectTypeFromAbbreviation("SA"), 0);
  EXPECT_EQ(objectTypeFromAbbreviation(nullptr), 0);
  for (int code : {0, 8, 25, 28, 32, 37, 38, 43}) {
    EXPECT_STREQ(objectTypeAbbreviation(code), "") << code;
  }
}

TEST(ObjectTypes, TrimSpacesCutsTrailingBlanksOnly) {
  char text[] = "  M 31  ";
  char* start = trimSpaces(text);
  EXPECT_STREQ(start, "M 31");
  EXPECT_EQ(start, text + 2);
  EXPECT_EQ(std::memcmp(text, "  M 31\0\0", 9), 0);
  char tabs[] = "\tx\t";
  EXPECT_STREQ(trimSpaces(tabs), "\tx\t");
  char blanks[] = "   ";
  EXPECT_STREQ(trimSpaces(blanks), "");
}

TEST(ObjectFactory, CodesWithoutAClassMakeNothing) {
  for (int code : {0, 8, 37, 38, 43, 127, -1}) {
    EXPECT_EQ(createSkyObject(code), nullptr) << code;
  }
}

}  // namespace
