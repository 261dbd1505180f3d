// The head-up display's texts and the orbit position in the status line,
// the latter against ERFA's precession-nutation, sidereal time and
// geodetic conversion for the same observer vector.
#include <gtest/gtest.h>

#include <erfa.h>
#include <erfam.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <string>

#include "app/hud_text.h"
#include "chart/sky_chart.h"
#include "engine/angles.h"
#include "skydata/planet.h"
#include "skydata/sky_database.h"
#include "skydata/sky_object.h"
#include "tests/app/app_session.h"
#include "ui/info/info_items.h"

namespace {

using app_test::AppSession;

// The largest x scale that is still one arcminute a pixel or finer.
float finestCoarseBoundary() {
  float s = float(1.0 / 60 / 57.29577951309679);
  while (double(s) * 57.29577951309679 > 1.0 / 60) s = std::nextafter(s, 0.0f);
  while (double(std::nextafter(s, 1.0f)) * 57.29577951309679 <= 1.0 / 60) s = std::nextafter(s, 1.0f);
  return s;
}

// "Azm: 110.5° Alt: -62.6°": two numbers with one decimal each, and
// nothing more.
bool isCoarseHorizonText(const std::string& text) {
  double a, b;
  int end = 0;
  if (std::sscanf(text.c_str(), "Azm: %lf° Alt: %lf°%n", &a, &b, &end) != 2) return false;
  if (end != int(text.size())) return false;
  for (std::size_t dot = text.find('.'); dot != std::string::npos; dot = text.find('.', dot + 1))
    if (dot + 2 >= text.size() || !std::isdigit((unsigned char)text[dot + 1]) || std::isdigit((unsigned char)text[dot + 2]))
      return false;
  return true;
}

// "RA: 05h 23.4m Dec: +12° 05'".
bool isCoarseEquatorialText(const std::string& text) {
  int hours, degrees, minutes, end = 0;
  double raMinutes;
  char sign;
  return std::sscanf(text.c_str(), "RA: %2dh %lfm Dec: %c%2d° %2d'%n", &hours, &raMinutes, &sign, &degrees,
                     &minutes, &end) == 5 &&
         end == int(text.size()) && (sign == '+' || sign == '-');
}

TEST(HeadUpDisplay, OneArcminuteAPixelIsStillFineJustAboveIsCoarse) {
  AppSession session;
  session.run(0.5);
  session.screen().setChartPerspective(kSkyPerspective);
  CSkyChart& chart = session.chart();
  chart.scaleX = finestCoarseBoundary();
  const std::string fine = centerCoordsText(chart);
  chart.scaleX = std::nextafter(chart.scaleX, 1.0f);
  const std::string coarse = centerCoordsText(chart);
  // Coarse: whole tenths of a degree; fine: the chart's own formats.
  EXPECT_TRUE(isCoarseHorizonText(coarse)) << coarse;
  EXPECT_FALSE(isCoarseHorizonText(fine)) << fine;
  EXPECT_EQ(fine.rfind("Azm: ", 0), 0u) << fine;
  chart.setDisplayCoordSystem(kCoordEquatorial);
  chart.scaleX = std::nextafter(finestCoarseBoundary(), 1.0f);
  EXPECT_TRUE(isCoarseEquatorialText(centerCoordsText(chart))) << centerCoordsText(chart);
}

// A centre a hair below the horizon, a hair short of north: what shows is
// zero, and zero has no sign to show; the azimuth does not read 360.
TEST(HeadUpDisplay, ACentreThatRoundsToZeroShowsNoMinusSignAndNoWholeTurn) {
  AppSession session;
  session.run(0.5);
  session.screen().setChartPerspective(kSkyPerspective);
  CSkyChart& chart = session.chart();
  ASSERT_EQ(chart.getDisplayCoordSystem(), kCoordHorizon);
  chart.setDisplayCenterLonLat((360 - 0.04) * kRadiansPerDegree, -0.04 * kRadiansPerDegree);
  chart.scaleX = std::nextafter(finestCoarseBoundary(), 1.0f);
  EXPECT_EQ(centerCoordsText(chart), "Azm: 0.0° Alt: +0.0°");
  chart.setDisplayCenterLonLat(0.06 * kRadiansPerDegree, -0.06 * kRadiansPerDegree);
  EXPECT_EQ(centerCoordsText(chart), "Azm: 0.1° Alt: -0.1°");
  // The chart's own formats, where a pixel is finer than an arcminute.
  chart.setDisplayCenterLonLat(0.1 * kRadiansPerDegree, -0.01 / 3600 * kRadiansPerDegree);
  chart.scaleX = finestCoarseBoundary();
  const std::string fine = centerCoordsText(chart);
  EXPECT_EQ(fine.find('-'), std::string::npos) << fine;
  EXPECT_NE(fine.find("Alt: "), std::string::npos) << fine;
  chart.setDisplayCoordSystem(kCoordEquatorial);
  chart.setDisplayCenterLonLat(0.1 * kRadiansPerDegree, -0.01 / 3600 * kRadiansPerDegree);
  chart.scaleX = std::nextafter(finestCoarseBoundary(), 1.0f);
  EXPECT_EQ(centerCoordsText(chart).find('-'), std::string::npos) << centerCoordsText(chart);
}

TEST(HeadUpDisplay, TheFieldOfViewShowsArcminutesOnlyWhenBothSidesAreUnderADegree) {
  AppSession session;
  session.run(0.5);
  CSkyChart& chart = session.chart();
  chart.horizontalFOV = 59.0 / 60 * kRadiansPerDegree;
  chart.verticalFOV = 40.0 / 60 * kRadiansPerDegree;
  EXPECT_EQ(fieldOfViewText(chart), "FoV: 59.0' x 40.0'");
  chart.horizontalFOV = 1.0 * kRadiansPerDegree;
  chart.verticalFOV = 0.7 * kRadiansPerDegree;
  EXPECT_EQ(fieldOfViewText(chart), "FoV:  1.0° x  0.7°");
}

// "ddd° mm' W" as signed degrees.
double parseAngle(int degrees, int minutes, char hemisphere) {
  const double value = degrees + minutes / 60.0;
  return hemisphere == 'W' || hemisphere == 'S' ? -value : value;
}

TEST(HeadUpDisplay, TheOrbitPositionAgreesWithErfaToTheLastDigit) {
  AppSession session;
  session.run(0.5);
  session.screen().setChartPerspective(kOrbitPerspective);
  CSkyChart& chart = session.chart();
  int checked = 0;
  for (double hours : {0.0, 5.3, 11.0, 17.7}) {
    session.screen().settings()->setRealTime(false);
    session.screen().settings()->setJulianDate(2454730.0 + hours / 24);
    session.screen().settings()->setHomePlanetLatitude(0.3 * hours);
    chart.setHomePlanetPosition(0.4 * hours, 0.2 * hours - 1, 3 * 4.2635232707524516e-5);
    session.chartView().drawImmediately();
    const std::string text = orbitPositionText(chart, false);
    int lonDegrees, lonMinutes, latDegrees, latMinutes, end = 0;
    char east, north;
    ASSERT_EQ(std::sscanf(text.c_str(), "%d° %d' %c  %d° %d' %c%n", &lonDegrees, &lonMinutes, &east,
                          &latDegrees, &latMinutes, &north, &end),
              6)
        << text;
    ASSERT_EQ(end, int(text.size())) << text;
    const double lon = parseAngle(lonDegrees, lonMinutes, east), lat = parseAngle(latDegrees, latMinutes, north);

    const CPlanet* earth = chart.database->findPlanetByBodyNumber(3);
    double earthPosition[3];
    earth->getHeliocentricPosition(earthPosition);
    double v[3];
    for (int i = 0; i < 3; ++i) v[i] = (chart.observerPosition[i] - earthPosition[i]) * ERFA_DAU;
    const double ut = chart.julianDate, tt = chart.dynamicalJulianDate;
    double npb[3][3], ofDate[3], earthFixed[3], r[3][3];
    eraPnm80(2400000.5, tt - 2400000.5, npb);
    eraRxp(npb, v, ofDate);
    eraIr(r);
    eraRz(eraGst94(2400000.5, ut - 2400000.5), r);
    eraRxp(r, ofDate, earthFixed);
    double elong, phi, height;
    ASSERT_EQ(eraGc2gd(ERFA_WGS84, earthFixed, &elong, &phi, &height), 0);
    // One unit of the last digit shown: an arcminute.
    EXPECT_NEAR(lon, elong * ERFA_DR2D, 1.0 / 60 + 1e-9) << text;
    EXPECT_NEAR(lat, phi * ERFA_DR2D, 1.0 / 60 + 1e-9) << text;
    ++checked;
  }
  EXPECT_EQ(checked, 4);
}

std::string name(const CSkyChart& chart) {
  char text[256] = {};
  chart.homeObject->getName(text, sizeof text);
  return text;
}

TEST(HeadUpDisplay, ASpaceViewTellsTheDistanceFromTheHomeObject) {
  AppSession session;
  session.run(0.5);
  session.screen().setChartPerspective(kOrbitPerspective);
  session.screen().updateHUD();
  const std::string text = session.screen().views().centerCoordsLabel->text();
  EXPECT_NE(text.find(" from Earth"), std::string::npos) << text;
  session.screen().setChartPerspective(kSatellitePerspective);
  session.screen().updateHUD();
  // The home object is the satellite: the distance is to its centre.
  CSkyChart& chart = session.chart();
  const std::string satellite = session.screen().views().centerCoordsLabel->text();
  EXPECT_EQ(satellite, std::string(formatDistance(chart.homePlanetDistance)) + " from " + name(chart));
}

}  // namespace
