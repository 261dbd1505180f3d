#include "ui/info/small_astronomy.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

namespace {

constexpr double kRadiansPerDegree = 0.017453292519943295;

TEST(VariableTypeCode, WholeAbbreviationsAndTheirQualifiers) {
  struct Case {
    const char* type;
    int code;
  };
  const Case cases[] = {
      {"M", 52},      {"RRAB", 56},   {"EA/DM", 121}, {"SR:", 62},   {"EA+BY", 121},
      {"E", 120},     {"R", 86},      {"S", 224},     {"*", 225},    {"IN(YY)", 19},
      {"RRC", 58},    {"RV", 59},     {"DCEPS(B)", 40}, {"QSO", 223}, {"XYZ", 0},
      {"", 0},        {"/EA", 0},     {"EAX", 0},     {"RR(B):", 57},
      {"AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(variableTypeCode(c.type), c.code) << c.type;
  EXPECT_EQ(variableTypeCode(nullptr), 0);
}

TEST(MoonPhase, NamesAtTheBoundariesAndAge) {
  struct Case {
    double degrees;
    const char* name;
  };
  const Case cases[] = {
      {0.0, "New Moon"},          {6.0, "New Moon"},          {6.2, "Waxing Crescent"},
      {90.0, "First Quarter"},    {96.2, "Waxing Gibbous"},   {180.0, "Full Moon"},
      {186.2, "Waning Gibbous"},  {270.0, "Last Quarter"},    {276.2, "Waning Crescent"},
      {354.0, "New Moon"},        {359.99, "New Moon"},
  };
  for (const Case& c : cases) {
    EXPECT_STREQ(moonPhaseName(c.degrees * kRadiansPerDegree), c.name) << c.degrees;
  }
  char age[16];
  std::snprintf(age, sizeof age, "%.1f", elongationToMoonAge(M_PI));
  EXPECT_STREQ(age, "14.8");
  // A full cycle of elongation is one synodic month (29.53 days) to 0.01 days.
  EXPECT_NEAR(elongationToMoonAge(2 * M_PI), 29.530589, 0.01);
}

}  // namespace
