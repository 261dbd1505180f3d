// Angle text: the exact texts of the format codes, round trips through the
// reader, compass points in three languages, and a fuzzing run of the reader.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/angle_text.h"
#include "engine/language.h"
#include "tests/support/fuzz.h"

namespace {

constexpr double kRadiansPerDegree = 0.01745329251993889;
constexpr double kRadiansPerHour = kRadiansPerDegree * 15;

std::string hours(int code, double h) {
  char b[64];
  formatAngleHours(code, b, sizeof b, h * kRadiansPerHour);
  return b;
}
std::string degrees3(int code, double d) {
  char b[64];
  formatAngleDegrees3(code, b, sizeof b, d * kRadiansPerDegree);
  return b;
}
std::string degrees2(int code, double d) {
  char b[64];
  formatAngleDegrees2(code, b, sizeof b, d * kRadiansPerDegree);
  return b;
}

TEST(AngleText, ExactTextsOfTheFormatCodes) {
  EXPECT_EQ(hours(1, 23 + 59 / 60.0 + 59.996 / 3600), "00h 00m 00.00s");
  EXPECT_EQ(hours(1, 5.5), "05h 30m 00.00s");
  EXPECT_EQ(hours(9, -5.5), "05h 30m 00.00s W");
  EXPECT_EQ(hours(5, -5.5), "-05h 30m 00.00\"");
  EXPECT_EQ(hours(2, 5.5), "05h 30.0m");
  EXPECT_EQ(hours(10, 5.5), "05h 30.0m E");
  EXPECT_EQ(hours(6, -5.5), "-05h 30.0m");
  EXPECT_EQ(hours(0, 5.5), "05.500000h");
  EXPECT_EQ(hours(4, -5.5), "-5.500000h");
  EXPECT_EQ(hours(8, -5.5), "05.500000h W");
  EXPECT_EQ(hours(2, 5 + 59.97 / 60), "06h 00.0m");

  EXPECT_EQ(degrees2(13, -12.5), "12° 30' 00.0\" S");
  EXPECT_EQ(degrees2(5, -12.5), "-12° 30' 00.0\"");
  EXPECT_EQ(degrees2(1, 12.5), "12° 30' 00.0\"");
  EXPECT_EQ(degrees2(10, 12.5), "12° 30' N");
  EXPECT_EQ(degrees2(6, -12.5), "-12° 30'");
  EXPECT_EQ(degrees2(0, -12.5), "12.500000°");
  EXPECT_EQ(degrees2(4, -12.5), "-12.500000°");
  EXPECT_EQ(degrees2(8, -12.5), "12.500000° S");
  EXPECT_EQ(degrees2(5, -(89 + 59 / 60.0 + 59.97 / 3600)), "-90° 00' 00.0\"");

  EXPECT_EQ(degrees3(9, 10), "010° 00' 00.0\" E");
  EXPECT_EQ(degrees3(9, -10), "010° 00' 00.0\" W");
  EXPECT_EQ(degrees3(1, 359 + 59 / 60.0 + 59.97 / 3600), "000° 00' 00.0\"");
  EXPECT_EQ(degrees3(2, 359 + 59.7 / 60), "000° 00'");
  EXPECT_EQ(degrees3(8, 120.25), "120.250000° E");
  EXPECT_EQ(degrees3(4, -120.25), "-120.250000°");
}

// The sign a text shows is the sign of the number it shows: a minus sign,
// or the west or south letter, only where a digit other than zero stands.
TEST(AngleText, AValueThatShowsAsZeroShowsNoMinusSignNorTheNegativeSide) {
  auto negativeMark = [](const std::string& text) {
    return text.find('-') != std::string::npos || text.back() == 'S' || text.back() == 'W';
  };
  auto nonzeroDigit = [](const std::string& text) { return text.find_first_of("123456789") != std::string::npos; };
  int zeros = 0, negatives = 0;
  // Just under and just over half of the last place of each form, below
  // zero: seconds of hours and degrees, decimal minutes of each, decimals.
  for (double units : {1e-13, 0.004 / 3600, 0.006 / 3600, 0.04 / 3600, 0.06 / 3600, 0.04 / 60, 0.06 / 60, 0.4 / 60,
                       0.6 / 60, 4e-7, 6e-7})
    for (int code = 4; code < 16; ++code)
      for (const std::string& text : {hours(code, -units), degrees2(code, -units), degrees3(code, -units)}) {
        EXPECT_EQ(negativeMark(text), nonzeroDigit(text)) << code << " " << units << ": " << text;
        ++(nonzeroDigit(text) ? negatives : zeros);
      }
  EXPECT_GT(zeros, 50);
  EXPECT_GT(negatives, 50);
  EXPECT_EQ(roundedZeroWithoutSign(-0.04, 1), 0.0);
  EXPECT_FALSE(std::signbit(roundedZeroWithoutSign(-0.04, 1)));
  EXPECT_EQ(roundedZeroWithoutSign(-0.06, 1), -0.06);
  EXPECT_TRUE(std::isnan(roundedZeroWithoutSign(NAN, 1)));
}

TEST(AngleText, EveryCodeReadsBack) {
  // Resolution of each kind of text, in its units.
  auto resolution = [](int code) {
    return code & 1 ? 0.01 / 3600 : code & 2 ? 0.05 / 60 : 1e-6;
  };
  for (int code = 0; code < 16; ++code) {
    bool signedCode = code & 12;
    for (double v : {0.0, 0.25, 7.123456, 13.999999, 23.5, -3.75, -11.01}) {
      if (v < 0 && !signedCode) continue;
      std::string h = hours(code, v);
      EXPECT_NEAR(parseAngleDMS(h.c_str()), v, resolution(code)) << code << " " << h;
    }
    for (double v : {0.0, 45.5, 89.999, -0.75, -66.5}) {
      if (v < 0 && !signedCode) continue;
      std::string d = degrees2(code, v);
      EXPECT_NEAR(parseAngleDMS(d.c_str()), v, resolution(code) * 10) << code << " " << d;
    }
    for (double v : {0.0, 123.456, 359.9, -179.5}) {
      if (v < 0 && !signedCode) continue;
      std::string d = degrees3(code, v);
      EXPECT_NEAR(parseAngleDMS(d.c_str()), v, resolution(code) * 10) << code << " " << d;
    }
  }
}

TEST(AngleText, ShortBuffersAndHugeAnglesAreSafe) {
  char b[8];
  EXPECT_EQ(formatAngleHours(1, b, sizeof b, 1.0), 14);
  EXPECT_EQ(std::string(b), "03h 49m");
  EXPECT_EQ(formatAngleDegrees3(1, nullptr, 0, 1.0), 15);
  char big[64];
  formatAngleDegrees2(1, big, sizeof big, 1e300);
  formatAngleDegrees3(13, big, sizeof big, NAN);
  formatAngleHours(2, big, sizeof big, -INFINITY);
}

TEST(AngleText, ReadsHemispheresAndMissingFields) {
  EXPECT_NEAR(parseAngleDMS("-33 52 04 S"), 33.867777777777778, 1e-12);
  EXPECT_NEAR(parseAngleDMS("151 12 30 E"), 151.20833333333333, 1e-12);
  EXPECT_NEAR(parseAngleDMS("151 12 30 W"), -151.20833333333333, 1e-12);
  EXPECT_NEAR(parseAngleDMS("-8 30"), -8.5, 1e-12);
  EXPECT_EQ(parseAngleDMS(""), 0);
  EXPECT_EQ(parseAngleDMS(nullptr), 0);
  EXPECT_EQ(parseAngleDMS("12 30 00 s"), 12.5);  // upper case only
}

TEST(AngleText, FuzzedTextNeverOverflows) {
  const std::vector<tessaly::test::Bytes> seeds = {
      "-33 52 04 S", "151 12 30 E", "12h 30m 15.25s", "010° 00' 00.0\" E",
      std::string(200, '9') + " " + std::string(100, 'x')};
  tessaly::test::FuzzOptions options;
  options.maxSize = 512;
  int plain = 0, hemispheres = 0;
  tessaly::test::fuzz(seeds, [&](std::string_view input) {
    const std::string text(input.substr(0, input.find('\0')));
    const double v = parseAngleDMS(text.c_str());
    // Text of plain numbers (no exponents, no "inf" or "nan") reads as a
    // finite angle no larger than its three 31-character fields allow.
    if (text.find_first_not_of("0123456789 .+-") == std::string::npos) {
      ++plain;
      ASSERT_TRUE(std::isfinite(v)) << text;
      ASSERT_LE(std::fabs(v), 1.02e31) << text;  // 1e31 x (1 + 1/60 + 1/3600)
    }
    // A southern or western hemisphere letter appended turns the sign (an
    // extra field past the third is never read).
    if (!text.empty() && text.back() != 'S' && text.back() != 'W' && !std::isnan(v)) {
      ++hemispheres;
      ASSERT_EQ(parseAngleDMS((text + " S").c_str()), -v) << text;
    }
  }, options);
  EXPECT_GT(plain, 100);
  EXPECT_GT(hemispheres, 1000);
}

class CompassPoints : public ::testing::Test {
 protected:
  ~CompassPoints() override { setLanguage(0); }
};

TEST_F(CompassPoints, SectorsAndLanguages) {
  setLanguage(0);
  EXPECT_STREQ(compassPointName(1, 350 * kRadiansPerDegree), "N");
  EXPECT_STREQ(compassPointName(0, 22.5 * kRadiansPerDegree), "northeast");
  EXPECT_STREQ(compassPointName(1, 22.4 * kRadiansPerDegree), "N");
  EXPECT_STREQ(compassPointName(1, -30 * kRadiansPerDegree), "NW");
  EXPECT_STREQ(compassPointName(1, 680 * kRadiansPerDegree), "NW");
  EXPECT_STREQ(compassPointName(0, NAN), "north");
  setLanguage(1);
  EXPECT_STREQ(compassPointName(0, 45 * kRadiansPerDegree), "noreste");
  EXPECT_STREQ(compassPointName(0, 315 * kRadiansPerDegree), "noroeste");
  EXPECT_STREQ(compassPointName(1, 270 * kRadiansPerDegree), "O");
  EXPECT_EQ(degrees3(9, -10), "010° 00' 00.0\" O");
  setLanguage(2);
  EXPECT_STREQ(compassPointName(0, 225 * kRadiansPerDegree), "sud-ouest");
  EXPECT_STREQ(compassPointName(1, 315 * kRadiansPerDegree), "NO");
  setLanguage(3);
  EXPECT_STREQ(compassPointName(1, 315 * kRadiansPerDegree), "NW");
}

}  // namespace
