#include "ui/info/info_items.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(InfoItems, CopiesTextsKeepsNullsAndFreesThem) {
  SkyObjectInfoString items[3];
  char label[] = "Name";
  addInfoItem(&items[0], nullptr, "Basic Information");
  addInfoItem(&items[1], label, "Vega");
  addInfoItemNumber(&items[2], "Rises", "does not rise", kInf);
  label[0] = 'X';  // the item owns its copy
  EXPECT_EQ(items[0].pLabel, nullptr);
  EXPECT_STREQ(items[0].pValue, "Basic Information");
  EXPECT_TRUE(std::isinf(items[0].jd) && items[0].jd > 0);
  EXPECT_STREQ(items[1].pLabel, "Name");
  EXPECT_STREQ(items[2].pValue, "does not rise");
  freeInfoItems(nullptr, items + 2, 1);  // a slot is overwritten without being freed
  addInfoItemNumber(&items[2], "Sets", nullptr, 2460000.25);
  EXPECT_EQ(items[2].pValue, nullptr);
  EXPECT_EQ(items[2].jd, 2460000.25);
  freeInfoItems(nullptr, items, 0);  // nothing for no items
  freeInfoItems(nullptr, items, 3);
  EXPECT_EQ(items[1].pLabel, nullptr);
}

TEST(SignificantDigits, WorkedExamples) {
  struct Case {
    int digits;
    double x;
    const char* text;
  };
  const Case cases[] = {
      {2, 1234.5, "1230"},    {2, 0.012345, "0.0123"}, {1, 3.14159, "3.1"},
      {2, 99.96, "100.0"},    {2, -5.5, "-5.50"},      {0, 7.6, "8"},
      {2, 1000.0, "1000"},    {3, 0.5, "0.5000"},      {2, 0.0, "0.00"},
      {1, 9.96, "10.0"},      {2, 123456789.0, "123000000"},
  };
  char buffer[kInfoValueSize];
  for (const Case& c : cases) {
    EXPECT_STREQ(formatSignificantDigits(buffer, c.digits, c.x), c.text)
        << c.digits << " digits of " << c.x;
  }
}

TEST(SignificantDigits, AAndBHoldTwoResultsAtOnce) {
  const char* a = formatSignificantDigitsA(2, 8.6);
  const char* b = formatSignificantDigitsB(2, 28.07);
  EXPECT_STREQ(a, "8.60");
  EXPECT_STREQ(b, "28.1");
  EXPECT_NE(a, b);
}

// Printed back, the text is x within half a unit of its last digit.
TEST(SignificantDigits, RoundsToHalfAUnitOfTheLastDigitOverTheWholeRange) {
  std::mt19937_64 random(39);
  std::uniform_real_distribution<double> exponent(-60.0, 60.0);
  std::uniform_int_distribution<int> digitCount(0, 6);
  char buffer[kInfoValueSize];
  for (int i = 0; i < 20000; ++i) {
    double x = std::pow(10.0, exponent(random));
    int digits = digitCount(random);
    double back = std::strtod(formatSignificantDigits(buffer, digits, x), nullptr);
    double unit = std::pow(10.0, std::floor(std::log10(x)) - digits);
    ASSERT_LE(std::abs(back - x), 0.5 * unit * (1 + 1e-9)) << digits << " digits of " << x;
  }
}

// Values whose fixed-point text would not fit, and those with no
// logarithm, stay within the buffer and read as what they are.
TEST(SignificantDigits, ExtremeAndNonFiniteValuesStayBounded) {
  const double values[] = {0.0, -0.0, kInf, -kInf, std::nan(""), 1e-300, 1e300, -1e300,
                           5e-324, std::numeric_limits<double>::denorm_min() * 12345,
                           std::numeric_limits<double>::max(), -1e-300};
  for (double x : values) {
    for (int digits : {-3, 0, 2, 17, 400}) {
      char buffer[kInfoValueSize + 16];
      std::memset(buffer, 'Z', sizeof buffer);
      formatSignificantDigits(buffer, digits, x);
      std::size_t length = strnlen(buffer, kInfoValueSize);
      ASSERT_LT(length, kInfoValueSize) << x;
      EXPECT_EQ(buffer[kInfoValueSize], 'Z') << "wrote past the buffer for " << x;
      if (x > 0.0 && x < 1e308) {  // rounding the largest double up leaves the range
        double back = std::strtod(buffer, nullptr);
        EXPECT_NEAR(back / x, 1.0, 0.51) << buffer;
      }
    }
  }
  char buffer[kInfoValueSize];
  EXPECT_STREQ(formatSignificantDigits(buffer, 2, 1e-300), "1.00e-300");
  EXPECT_STREQ(formatSignificantDigits(buffer, 2, kInf), "inf");
  EXPECT_STREQ(formatSignificantDigits(buffer, 2, -1e300), "-1.00e+300");
}

TEST(Distance, EachRowOfTheTable) {
  constexpr double kKm = 1.0 / 149597870.0;
  struct Case {
    double au;
    const char* text;
  };
  const Case cases[] = {
      {0.0, "0 m"},
      {0.5 * kKm, "500 m"},
      {5.0 * kKm, "5.00 km"},
      {42.0 * kKm, "42.0 km"},
      {384400.0 * kKm, "384400 km"},
      {0.0068, "0.00680 AU"},
      {0.05, "0.0500 AU"},
      {0.5, "0.500 AU"},
      {5.2, "5.20 AU"},
      {30.07, "30.1 AU"},
      {999.4, "999 AU"},
      {1000.0, "0.0158 ly"},  // the light-year rows start at 1000 AU
      {268770.0, "4.25 ly"},
      {1e6, "15.8 ly"},
      {1e7, "158 ly"},
      {1e12, "15812507 ly"},
  };
  for (const Case& c : cases) EXPECT_STREQ(formatDistance(c.au), c.text) << c.au;
  EXPECT_STREQ(formatDistance(kInf), "inf ly");
  for (double au : {1e308, -1e308, -kInf, std::nan(""), -5.0, 5e-324, -0.0})
    EXPECT_LT(std::strlen(formatDistance(au)), kInfoValueSize) << au;
}

}  // namespace
