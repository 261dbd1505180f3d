#include "skydata/record_io.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/fuzz.h"

namespace {

TEST(RecordReader, ReadsLittleEndianAndReversedFields) {
  const unsigned char little[] = {0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0x00, 0x00, 0xC0, 0x3F,
                                  0x01, 0,    0,    0,    0,    0,    0,    0x80, 0xFE, 0xFF};
  RecordReader reader(little, sizeof little, false);
  EXPECT_EQ(reader.readRecordI16(), 0x1234);
  EXPECT_EQ(reader.readRecordU32(), 0x12345678u);
  EXPECT_EQ(reader.readRecordFloat(), 1.5f);
  EXPECT_EQ(reader.readRecordI64(), INT64_MIN + 1);
  EXPECT_EQ(reader.readRecordI16(), -2);
  EXPECT_EQ(reader.position(), 20);
  EXPECT_FALSE(reader.damaged());

  const unsigned char big[] = {0x12, 0x34, 0x12, 0x34, 0x56, 0x78, 0x3F, 0xC0, 0x00, 0x00,
                               0x3F, 0xF8, 0, 0, 0, 0, 0, 0, 'a', 0};
  RecordReader swapped(big, sizeof big, true);
  EXPECT_EQ(swapped.readRecordI16(), 0x1234);
  EXPECT_EQ(swapped.readRecordU32(), 0x12345678u);
  EXPECT_EQ(swapped.readRecordFloat(), 1.5f);
  EXPECT_EQ(swapped.readRecordDouble(), 1.5);
  EXPECT_STREQ(swapped.readRecordString(), "a");  // texts are never reversed
  EXPECT_FALSE(swapped.damaged());
}

TEST(RecordReader, FieldsBeyondTheEndFailWithoutReading) {
  // Bytes past the stated length exist in memory but must not be read.
  const unsigned char bytes[] = {1, 2, 3, 4, 5, 6, 7, 8};
  RecordReader reader(bytes, 3, false);
  EXPECT_EQ(reader.readRecordI16(), 0x0201);
  EXPECT_EQ(reader.readRecordI16(), 0);
  EXPECT_TRUE(reader.damaged());
  EXPECT_EQ(reader.position(), 3);
  EXPECT_EQ(reader.readRecordU8(), 0);  // everything after a failure fails

  RecordReader empty(nullptr, 100, false);
  EXPECT_EQ(empty.length(), 0);
  EXPECT_EQ(empty.readRecordU8(), 0);
  EXPECT_TRUE(empty.damaged());
}

TEST(RecordReader, CountsAreCheckedAgainstWhatRemains) {
  const unsigned char bytes[16] = {};
  RecordReader reader(bytes, sizeof bytes, false);
  EXPECT_TRUE(reader.canRead(4, 4));
  EXPECT_FALSE(reader.damaged());
  EXPECT_FALSE(reader.canRead(INT64_MAX / 2, 12));  // would overflow a product
  EXPECT_TRUE(reader.damaged());

  RecordReader negative(bytes, sizeof bytes, false);
  EXPECT_FALSE(negative.canRead(-1, 12));
  EXPECT_FALSE(negative.skip(17));
}

TEST(RecordReader, TextsEndWithinTheRecordOrNotAtAll) {
  const char bytes[] = "ab\0cd";  // 6 bytes with the literal's zero
  RecordReader reader(bytes, 5, false);
  EXPECT_STREQ(reader.readRecordString(), "ab");
  EXPECT_EQ(reader.position(), 3);
  EXPECT_STREQ(reader.readRecordString(), "");  // "cd" has no zero inside
  EXPECT_EQ(reader.position(), 5);
  EXPECT_TRUE(reader.damaged());

  RecordReader atEnd(bytes, 3, false);
  atEnd.readRecordString();
  EXPECT_STREQ(atEnd.readRecordString(), "");
  EXPECT_EQ(atEnd.position(), 3);
}

TEST(RecordWriter, WritesBothByteOrdersAndNeverPastTheBuffer) {
  for (bool other : {false, true}) {
    unsigned char buffer[40];
    RecordWriter writer(buffer, sizeof buffer, other);
    writer.writeRecordU8(0xAB);
    writer.writeRecordI16(-1234);
    writer.writeRecordU16(65000);
    writer.writeRecordU32(0xDEADBEEF);
    writer.writeRecordFloat(-2.25);
    writer.writeRecordI64(-5000000000000000123);
    writer.writeRecordDouble(3.0e300);
    EXPECT_EQ(writer.writeRecordString("xyz"), 3);
    EXPECT_EQ(writer.writeRecordString(nullptr), 0);
    EXPECT_EQ(writer.result(), 1 + 2 + 2 + 4 + 4 + 8 + 8 + 4 + 1);
    EXPECT_EQ(buffer[1], other ? 0xFB : 0x2E);  // -1234 = 0xFB2E

    RecordReader reader(buffer, writer.result(), other);
    EXPECT_EQ(reader.readRecordU8(), 0xAB);
    EXPECT_EQ(reader.readRecordI16(), -1234);
    EXPECT_EQ(reader.readRecordU16(), 65000);
    EXPECT_EQ(reader.readRecordU32(), 0xDEADBEEFu);
    EXPECT_EQ(reader.readRecordFloat(), -2.25f);
    EXPECT_EQ(reader.readRecordI64(), -5000000000000000123);
    EXPECT_EQ(reader.readRecordDouble(), 3.0e300);
    EXPECT_STREQ(reader.readRecordString(), "xyz");
    EXPECT_STREQ(reader.readRecordString(), "");
    EXPECT_FALSE(reader.damaged());
    EXPECT_EQ(reader.remaining(), 0);
  }

  unsigned char small[6] = {9, 9, 9, 9, 9, 9};
  RecordWriter writer(small, 5, false);
  writer.writeRecordU32(1);
  writer.writeRecordString("long");
  writer.writeRecordU8(7);  // would fit, but the record is already lost
  EXPECT_EQ(writer.result(), -1);
  EXPECT_EQ(small[4], 9);
  EXPECT_EQ(small[5], 9);
}

TEST(RecordWriter, FloatsBeyondTheFloatRangeBecomeInfinities) {
  unsigned char buffer[8];
  RecordWriter writer(buffer, sizeof buffer, false);
  writer.writeRecordFloat(1e300);
  writer.writeRecordFloat(-1e300);
  RecordReader reader(buffer, sizeof buffer, false);
  EXPECT_EQ(reader.readRecordFloat(), INFINITY);
  EXPECT_EQ(reader.readRecordFloat(), -INFINITY);
}

TEST(MagnitudeField, MissingAndOutOfRangeValuesStoreNone) {
  EXPECT_EQ(magnitudeToRecord(4.567), 456);  // truncated toward zero
  EXPECT_EQ(magnitudeToRecord(-1.46), -146);
  EXPECT_EQ(magnitudeToRecord(-26.74), -2674);
  EXPECT_EQ(magnitudeToRecord(INFINITY), 32767);
  EXPECT_EQ(magnitudeToRecord(-INFINITY), 32767);
  EXPECT_EQ(magnitudeToRecord(NAN), 32767);
  EXPECT_EQ(magnitudeToRecord(1e9), 32767);
  EXPECT_EQ(magnitudeToRecord(-1e9), 32767);
  EXPECT_EQ(magnitudeToRecord(327.67), 32767);
  EXPECT_EQ(magnitudeToRecord(327.66), 32766);
  EXPECT_EQ(magnitudeToRecord(-327.68), -32768);
  EXPECT_EQ(magnitudeFromRecord(32767), INFINITY);
  EXPECT_EQ(magnitudeFromRecord(450), 4.5f);
}

TEST(MagnitudeField, EveryStoredValueSurvivesItsFloatForm) {
  for (int stored = -32768; stored < 32767; ++stored) {
    const auto field = static_cast<std::int16_t>(stored);
    ASSERT_EQ(magnitudeToRecord(magnitudeFromRecord(field)), field) << stored;
  }
}

TEST(RecordReader, FuzzedRecordsNeverReadPastTheirEnd) {
  // Reads fields of every kind until the reader fails; the sanitizer build
  // reports any access beyond the copy, which holds exactly the record.
  std::vector<tessaly::test::Bytes> seeds;
  unsigned char buffer[64];
  RecordWriter writer(buffer, sizeof buffer, false);
  writer.writeRecordU8(3);
  writer.writeRecordString("Sirius");
  writer.writeRecordU32(2);
  writer.writeRecordFloat(1.0);
  writer.writeRecordDouble(2.0);
  writer.writeRecordString("");
  seeds.emplace_back(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(writer.result()));
  tessaly::test::FuzzOptions options;
  options.iterations = 5000;
  tessaly::test::fuzz(seeds, [](std::string_view data) {
    for (bool other : {false, true}) {
      std::vector<unsigned char> copy(data.begin(), data.end());
      RecordReader reader(copy.data(), static_cast<std::int64_t>(copy.size()), other);
      while (!reader.damaged()) {
        const std::uint8_t count = reader.readRecordU8();
        if (reader.canRead(count, 4)) reader.skip(std::int64_t{count} * 4);
        const char* text = reader.readRecordString();
        ASSERT_LE(std::strlen(text), copy.size());
        reader.readRecordDouble();
      }
      ASSERT_EQ(reader.position(), reader.length());
    }
  }, options);
}

}  // namespace
