// Time flow's unit for a selected satellite, judged by the period its
// published element set states, and the orbit view's distance text against
// the observer's height above the Earth's equatorial radius (WGS84).
#include <gtest/gtest.h>

#include <erfa.h>
#include <erfam.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "chart/sky_chart.h"
#include "skydata/planet.h"
#include "skydata/sky_database.h"
#include "tests/app/app_session.h"

namespace {

using app_test::AppSession;

constexpr int kMinuteUnit = 4, kSecondUnit = 5;
// A unit neither rule chooses, so that a choice left undone shows.
constexpr int kHourUnit = 2;

// A satellite for the session with a period of our choosing: a published
// element set with its mean motion replaced.
struct PeriodCase {
  const char* name;
  const char* const* lines;
  double periodMinutes;  // 0: the period the element set states
};

// Minutes per revolution from line 2's revolutions a day (columns 53-63).
double statedPeriodMinutes(const char* line2) {
  return 1440.0 / std::atof(std::string(line2).substr(52, 11).c_str());
}

std::vector<PeriodCase> periodCases() {
  using namespace mechanics_test;
  return {
      {"STATION", kIssLines, 0},            // 92 minutes
      {"LOW 220", kIssLines, 220},          // just under the 225 minutes
      {"LOW 230", kIssLines, 230},          // just over
      {"MOLNIYA", kMolniyaLines, 0},        // half a day, as the GPS
      {"GEOSTATIONARY", kGeostationaryLines, 0},
      {"HIGH 3 DAYS", kGeostationaryLines, 3 * 1440},
      {"HIGH 8.5 DAYS", kGeostationaryLines, 8.5 * 1440},
  };
}

std::vector<mechanics_test::SatelliteRecord> periodSatellites() {
  std::vector<mechanics_test::SatelliteRecord> records;
  int number = 91000;
  for (const PeriodCase& c : periodCases()) {
    mechanics_test::SatelliteRecord record;
    record.elements = mechanics_test::elementsFromLines(c.lines[0], c.lines[1]);
    record.elements.catalogueNumber = ++number;
    std::snprintf(record.elements.name, sizeof record.elements.name, "%s", c.name);
    if (c.periodMinutes > 0) record.elements.meanMotion = 2 * M_PI / c.periodMinutes;
    record.standardMagnitude = 3;
    records.push_back(record);
  }
  return records;
}

TEST(TimeFlowUnitOfASatellite, MinutesAboveAPeriodOf225MinutesSecondsBelow) {
  app_test::SessionOptions options;
  options.moreSatellites = periodSatellites();
  AppSession session(options);
  session.run(0.5);
  ChartScreenController& screen = session.screen();
  Settings& settings = *screen.settings();
  const std::vector<PeriodCase> cases = periodCases();
  int minutes = 0, seconds = 0;
  for (const PeriodCase& c : cases) {
    const double period = c.periodMinutes > 0 ? c.periodMinutes : statedPeriodMinutes(c.lines[1]);
    const int expected = period > 225 ? kMinuteUnit : kSecondUnit;
    (expected == kMinuteUnit ? minutes : seconds) += 1;
    session.select(c.name);
    // Both directions choose the unit, as the voice commands start them.
    for (bool forwards : {true, false}) {
      settings.setTimeFlowIndex(kHourUnit);
      forwards ? screen.timeForward() : screen.timeBackward();
      EXPECT_EQ(settings.timeFlowIndex(), expected) << c.name << ", " << period << " minutes";
      screen.timeStop();
    }
  }
  EXPECT_GE(minutes, 5);
  EXPECT_GE(seconds, 2);

  // Any body with an orbit follows the rule: the Moon's 27.3 days.
  session.select("Moon");
  settings.setTimeFlowIndex(kHourUnit);
  screen.timeForward();
  EXPECT_EQ(settings.timeFlowIndex(), kMinuteUnit);
  screen.timeStop();
}

// The number and unit of "12345 km from Earth" or "0.01234 AU from Earth",
// in km.
double parseDistanceKm(const std::string& text) {
  double value;
  char unit[8];
  int end = 0;
  if (std::sscanf(text.c_str(), "%lf %7s from Earth%n", &value, unit, &end) != 2 || end != int(text.size())) {
    ADD_FAILURE() << "not a distance from the Earth: \"" << text << "\"";
    return NAN;
  }
  const std::string u = unit;
  if (u == "m") return value / 1000;
  if (u == "km") return value;
  if (u == "AU") return value * ERFA_DAU / 1000;
  ADD_FAILURE() << "unit " << u << " in \"" << text << "\"";
  return NAN;
}

TEST(OrbitViewDistance, IsTheHeightAboveTheEarthsSurface) {
  AppSession session;
  session.run(0.5);
  session.screen().setChartPerspective(kOrbitPerspective);
  CSkyChart& chart = session.chart();
  constexpr double kEarthRadiusKm = 6378.137;  // WGS84 equator
  struct Height {
    double km;
    double shownToKm;  // half a unit of the last digit shown
  };
  // Low, geostationary, lunar and beyond the Moon (shown in AU, to
  // 750 km: still finer than the Earth's radius).
  const Height heights[] = {{57.3, 0.05}, {35786, 0.5}, {384400, 0.5}, {1.2e6, 0.5e-5 * ERFA_DAU / 1000}};
  int checked = 0;
  for (const Height& h : heights) {
    chart.setHomePlanetPosition(0.7, 0.3, (h.km + kEarthRadiusKm) * 1000 / ERFA_DAU);
    session.chartView().drawImmediately();
    session.screen().updateHUD();
    const std::string text = session.screen().views().centerCoordsLabel->text();
    const CPlanet* earth = chart.database->findPlanetByBodyNumber(3);
    double earthPosition[3], fromCentre[3];
    earth->getHeliocentricPosition(earthPosition);
    for (int i = 0; i < 3; ++i) fromCentre[i] = chart.observerPosition[i] - earthPosition[i];
    const double heightKm = eraPm(fromCentre) * ERFA_DAU / 1000 - kEarthRadiusKm;
    // The observer stands where it was put; the text tells its height.
    EXPECT_NEAR(heightKm, h.km, 1e-3 * h.km) << text;
    EXPECT_NEAR(parseDistanceKm(text), heightKm, h.shownToKm + 0.01) << text;
    ++checked;
  }
  EXPECT_EQ(checked, 4);
}

}  // namespace
