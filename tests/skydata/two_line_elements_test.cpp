// Two-line element sets: the published example set read field by field,
// and every kind of damage refused with the line it is on.
#include "skydata/two_line_elements.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "fuzz.h"

namespace {

// The worked example of the public description of the format.
const char* kIss =
    "ISS (ZARYA)\n"
    "1 25544U 98067A   08264.51782528 -.00002182  00000-0 -11606-4 0  2927\n"
    "2 25544  51.6416 247.4627 0006703 130.5360 325.0288 15.72125391563537\n";

constexpr double kDegree = 3.14159265358979323846 / 180.0;
constexpr double kRevolutionPerDay = 2.0 * 3.14159265358979323846 / 1440.0;  // radians per minute

TEST(TwoLineElements, PublishedExampleReadsFieldByField) {
  std::vector<NamedElementSet> sets;
  std::string error;
  ASSERT_TRUE(parseTwoLineElementFile(kIss, "iss.tle", sets, error)) << error;
  ASSERT_EQ(sets.size(), 1u);
  const SatelliteElementSet& e = sets[0].elements;
  EXPECT_STREQ(e.name, "ISS (ZARYA)");
  EXPECT_STREQ(e.designator, "98067A");
  EXPECT_EQ(e.catalogueNumber, 25544);
  // 2008 January 1.0 is JD 2454466.5; day 264.51782528 is 263.51782528 later.
  EXPECT_NEAR(e.epoch, 2454730.01782528, 1e-8);
  EXPECT_DOUBLE_EQ(e.meanMotionTerms[0], -0.00002182);
  EXPECT_DOUBLE_EQ(e.meanMotionTerms[1], 0.0);
  EXPECT_NEAR(e.bstar, -0.11606e-4, 1e-15);
  EXPECT_NEAR(e.inclination, 51.6416 * kDegree, 1e-12);
  EXPECT_NEAR(e.node, 247.4627 * kDegree, 1e-12);
  EXPECT_DOUBLE_EQ(e.eccentricity, 0.0006703);
  EXPECT_NEAR(e.argumentOfPerigee, 130.5360 * kDegree, 1e-12);
  EXPECT_NEAR(e.meanAnomaly, 325.0288 * kDegree, 1e-12);
  EXPECT_NEAR(e.meanMotion, 15.72125391 * 2.0 * 3.14159265358979323846 / 1440.0, 1e-14);
}

TEST(TwoLineElements, SetsWithoutNamesAndWithZeroPrefixedNames) {
  std::string text = std::string("0 ") + kIss + "\n" + std::string(kIss).substr(12);
  std::vector<NamedElementSet> sets;
  std::string error;
  ASSERT_TRUE(parseTwoLineElementFile(text, "f", sets, error)) << error;
  ASSERT_EQ(sets.size(), 2u);
  EXPECT_STREQ(sets[0].elements.name, "ISS (ZARYA)");
  EXPECT_STREQ(sets[1].elements.name, "");
  EXPECT_EQ(sets[1].line, 5);
}

TEST(TwoLineElements, NumbersAbove99999InTheAlpha5Form) {
  // "A0001" is 100001; "Z9999" 339999; I and O are not used.
  std::string text = std::string(kIss).substr(12);
  text.replace(text.find("1 25544"), 7, "1 A0001");
  text.replace(text.find("2 25544"), 7, "2 A0001");
  // Letters count nothing in the check digit: the digits lose 20 and gain 1.
  text[text.find("\n") - 1] = '8';  // (7 - 19) mod 10
  text[text.size() - 2] = '8';
  std::vector<NamedElementSet> sets;
  std::string error;
  ASSERT_TRUE(parseTwoLineElementFile(text, "f", sets, error)) << error;
  EXPECT_EQ(sets[0].elements.catalogueNumber, 100001);
  text.replace(text.find("1 A0001"), 7, "1 Z9999");
  text.replace(text.find("2 A0001"), 7, "2 Z9999");
  text[text.find("\n") - 1] = '3';  // 35 more
  text[text.size() - 2] = '3';
  ASSERT_TRUE(parseTwoLineElementFile(text, "f", sets, error)) << error;
  EXPECT_EQ(sets[0].elements.catalogueNumber, 339999);
  text.replace(text.find("1 Z9999"), 7, "1 I9999");
  text.replace(text.find("2 Z9999"), 7, "2 I9999");
  EXPECT_FALSE(parseTwoLineElementFile(text, "f", sets, error));
  EXPECT_EQ(error, "f:1: damaged satellite number");
}

std::string parseError(const std::string& text) {
  std::vector<NamedElementSet> sets;
  std::string error;
  EXPECT_FALSE(parseTwoLineElementFile(text, "f.tle", sets, error));
  return error;
}

TEST(TwoLineElements, DamagedSetsAreRefusedWithTheirLine) {
  std::string text = kIss;
  std::string wrongDigit = text;
  wrongDigit[wrongDigit.find("325.0288")] = '4';  // the check digit no longer agrees
  EXPECT_EQ(parseError(wrongDigit), "f.tle:3: check digit of the second line does not match");

  std::string shortLine = text;
  shortLine.erase(shortLine.find("  2927"), 2);
  EXPECT_EQ(parseError(shortLine), "f.tle:2: first line is not 69 columns long");

  std::string otherSatellite = text;
  otherSatellite.replace(otherSatellite.find("2 25544"), 7, "2 25545");
  otherSatellite.replace(otherSatellite.rfind("563537"), 6, "563538");  // keeps the check digit
  EXPECT_EQ(parseError(otherSatellite), "f.tle:2: the two lines name different satellites");

  std::string letterInField = text;
  letterInField.replace(letterInField.find("51.6416"), 7, "51.6A16");
  letterInField.replace(letterInField.rfind("563537"), 6, "563533");
  EXPECT_EQ(parseError(letterInField), "f.tle:3: damaged angle");

  std::string truncated = text.substr(0, text.find("\n2 ") + 1);
  EXPECT_EQ(parseError(truncated), "f.tle:2: first element line without its second line");
  EXPECT_EQ(parseError("ISS (ZARYA)\n"), "f.tle:1: name line without element lines (file truncated?)");
  EXPECT_EQ(parseError(text.substr(text.find("2 25544"))), "f.tle:1: second element line without its first line");
}

// The first printed test case of Spacetrack Report No. 3, as the
// propagators' tests read it.
TEST(TwoLineElements, ReportCaseReadsAndDamagedLinesAreRefused) {
  SatelliteElementSet el{};
  std::string problem;
  const std::string l1 = "1 88888U          80275.98708465  .00073094  13844-3  66816-4 0    87";
  const std::string l2 = "2 88888  72.8435 115.9689 0086731  52.6988 110.5714 16.05824518  1058";
  EXPECT_TRUE(parseTwoLineElements(l1, l2, el, problem)) << problem;
  EXPECT_NEAR(el.bstar, 0.66816e-4, 1e-18);
  EXPECT_NEAR(el.meanMotionTerms[1], 0.13844e-3, 1e-18);
  EXPECT_FALSE(parseTwoLineElements(l1.substr(0, 40), l2, el, problem));
  EXPECT_FALSE(parseTwoLineElements(l2, l1, el, problem));
  std::string bad = l2;
  bad[27] = 'x';  // eccentricity
  EXPECT_FALSE(parseTwoLineElements(l1, bad, el, problem, nullptr, CheckDigits::Ignore));
  EXPECT_EQ(problem, "damaged eccentricity");
  bad = l2;
  bad.replace(52, 11, " 0.00000000");  // mean motion
  EXPECT_FALSE(parseTwoLineElements(l1, bad, el, problem, nullptr, CheckDigits::Ignore));
  EXPECT_EQ(problem, "damaged mean motion");
}

// The range check every element set passes, whatever it was read from:
// each bound accepted exactly at its edge and refused just past it.
TEST(TwoLineElements, ElementSetRangesHoldAtTheirEdgesAndFailPastThem) {
  std::vector<NamedElementSet> sets;
  std::string problem;
  ASSERT_TRUE(parseTwoLineElementFile(kIss, "iss.tle", sets, problem));
  const SatelliteElementSet iss = sets[0].elements;
  ASSERT_TRUE(checkElementSet(iss, problem)) << problem;
  struct Case {
    const char* what;
    void (*change)(SatelliteElementSet&);
    bool accepted;
    int line;
  };
  const Case cases[] = {
      {"e = 0", [](SatelliteElementSet& e) { e.eccentricity = 0.0; }, true, 0},
      {"e = 1.2", [](SatelliteElementSet& e) { e.eccentricity = 1.2; }, false, 2},
      {"e = 1", [](SatelliteElementSet& e) { e.eccentricity = 1.0; }, false, 2},
      {"e < 0", [](SatelliteElementSet& e) { e.eccentricity = -1e-9; }, false, 2},
      {"e NaN", [](SatelliteElementSet& e) { e.eccentricity = NAN; }, false, 2},
      {"i = 180", [](SatelliteElementSet& e) { e.inclination = 180 * kDegree; }, true, 0},
      {"i > 180", [](SatelliteElementSet& e) { e.inclination = 180.001 * kDegree; }, false, 2},
      {"node = 360", [](SatelliteElementSet& e) { e.node = 360 * kDegree; }, true, 0},
      {"node < 0", [](SatelliteElementSet& e) { e.node = -0.001; }, false, 2},
      {"M > 360", [](SatelliteElementSet& e) { e.meanAnomaly = 361 * kDegree; }, false, 2},
      {"argp infinite", [](SatelliteElementSet& e) { e.argumentOfPerigee = INFINITY; }, false, 2},
      {"n = 20", [](SatelliteElementSet& e) { e.meanMotion = 20 * kRevolutionPerDay; }, true, 0},
      {"n > 20", [](SatelliteElementSet& e) { e.meanMotion = 20.001 * kRevolutionPerDay; }, false, 2},
      {"n = 0", [](SatelliteElementSet& e) { e.meanMotion = 0; }, false, 2},
      {"epoch 1957", [](SatelliteElementSet& e) { e.epoch = 2435839.5; }, true, 0},
      {"epoch 1956", [](SatelliteElementSet& e) { e.epoch = 2435839.4; }, false, 1},
      {"epoch 2057", [](SatelliteElementSet& e) { e.epoch = 2472364.5; }, false, 1},
      {"B* NaN", [](SatelliteElementSet& e) { e.bstar = NAN; }, false, 1},
      {"number 339999", [](SatelliteElementSet& e) { e.catalogueNumber = 339999; }, true, 0},
      {"number 340000", [](SatelliteElementSet& e) { e.catalogueNumber = 340000; }, false, 1},
      {"number < 0", [](SatelliteElementSet& e) { e.catalogueNumber = -1; }, false, 1},
      {"designator unterminated", [](SatelliteElementSet& e) { std::fill(std::begin(e.designator), std::end(e.designator), 'A'); }, false, 1},
  };
  for (const Case& c : cases) {
    SatelliteElementSet changed = iss;
    c.change(changed);
    int line = 0;
    EXPECT_EQ(checkElementSet(changed, problem, &line), c.accepted) << c.what;
    EXPECT_EQ(line, c.line) << c.what << ": " << problem;
  }
}

TEST(TwoLineElements, CheckDigitsAreSkippedOnlyWhenAsked) {
  std::string l1 = "1 25544U 98067A   08264.51782528 -.00002182  00000-0 -11606-4 0  2927";
  const std::string l2 = "2 25544  51.6416 247.4627 0006703 130.5360 325.0288 15.72125391563537";
  l1.back() = '5';
  SatelliteElementSet strict{}, lenient{};
  std::string problem;
  int line = 0;
  EXPECT_FALSE(parseTwoLineElements(l1, l2, strict, problem, &line));
  EXPECT_EQ(line, 1);
  ASSERT_TRUE(parseTwoLineElements(l1, l2, lenient, problem, &line, CheckDigits::Ignore));
  EXPECT_EQ(lenient.catalogueNumber, 25544);
  // Every other check still holds: a short line stays refused.
  EXPECT_FALSE(parseTwoLineElements(l1.substr(0, 68), l2, lenient, problem, &line,
                                    CheckDigits::Ignore));
  EXPECT_EQ(problem, "first line is not 69 columns long");
}

TEST(TwoLineElements, ParserSurvivesFuzzing) {
  tessaly::test::fuzz({kIss, std::string(kIss) + kIss}, [](std::string_view input) {
    std::vector<NamedElementSet> sets;
    std::string error;
    if (parseTwoLineElementFile(input, "fuzz", sets, error)) {
      for (const auto& set : sets) {
        ASSERT_GE(set.elements.eccentricity, 0.0);
        ASSERT_LT(set.elements.eccentricity, 1.0);
        ASSERT_GT(set.elements.meanMotion, 0.0);
        ASSERT_LT(set.elements.designator[sizeof set.elements.designator - 1], 1);
      }
    }
  });
}

}  // namespace
