// "Tonight's Satellites" under a magnitude limit a user would set, against
// an independent brightness: python3-sgp4's TEME places, ERFA's sidereal
// time, Sun and observer, and the standard magnitude as published (the
// magnitude at 1000 km, half lit; m = standard - 15.75 + 2.5 log10(d^2 / F),
// F = (1 + cos phase) / 2 the lit fraction of a sphere's disc).
#include <erfa.h>
#include <erfam.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/requirements.h"
#include "tests/ui/info/chart_screen.h"
#include "tests/ui/info/python_oracle.h"
#include "ui/info/list_manager.h"

namespace {

using info_test::InfoSky;

constexpr double kDegree = M_PI / 180;
constexpr double kMinute = 1.0 / 1440;
constexpr int kMinutes = 1440;
constexpr double kTTMinusUTDays = 69.184 / 86400;  // 2018, UT1 close to UTC
constexpr double kEarthRadiusKm = 6378.137;        // WGS84 equator
constexpr double kKmPerAU = ERFA_DAU / 1000;
// What the list is asked for: the Sun 6° down, the satellite 6° up.
constexpr double kSunLimit = -6 * kDegree, kMinAltitude = 6 * kDegree;
// A naked-eye limit under a suburban sky.
constexpr double kMagnitudeLimit = 3.0;
// Margins of the oracle's "surely" and "maybe": our low-precision Sun and
// frames differ from ERFA's by far less.
constexpr double kAngleMargin = 0.25 * kDegree, kMagnitudeMargin = 0.05;
constexpr int kBrightest = 3;

// One minute of one satellite, as the definition judges it.
struct Seen {
  double altitude;   // radians, geometric
  double sunAltitude;
  bool lit;          // the Sun not behind the Earth's disc
  double magnitude;  // +infinity when the lit side faces away
};

// The satellite's standard magnitude at range (km) and phase angle, from
// its published definition.
double standardFormula(double standard, double rangeKm, double phase) {
  const double lit = (1 + std::cos(phase)) / 2;
  if (lit <= 0) return INFINITY;
  return standard - 15.75 + 2.5 * std::log10(rangeKm * rangeKm / lit);
}

// Earth-fixed (polar motion neglected) geometry of a TEME place at UT.
Seen judge(double teme[3], double ut, double longitude, double latitude, double standard) {
  const double tt = ut + kTTMinusUTDays;
  double toFixed[3][3], satellite[3], observer[3], zenith[3];
  eraIr(toFixed);
  eraRz(eraGmst82(ut, 0), toFixed);
  eraRxp(toFixed, teme, satellite);
  eraGd2gc(ERFA_WGS84, longitude, latitude, 0, observer);
  for (double& c : observer) c /= 1000;
  eraS2c(longitude, latitude, zenith);
  // The Sun, geocentric, from ERFA's Earth ephemeris, into the same frame.
  double heliocentric[2][3], barycentric[2][3], celestialToFixed[3][3], sunGcrs[3], sun[3];
  eraEpv00(tt, 0, heliocentric, barycentric);
  for (int i = 0; i < 3; ++i) sunGcrs[i] = -heliocentric[0][i] * kKmPerAU;
  eraC2t06a(tt, 0, ut, 0, 0, 0, celestialToFixed);
  eraRxp(celestialToFixed, sunGcrs, sun);

  Seen seen;
  double towardSatellite[3], towardSun[3], satelliteToSun[3], satelliteToObserver[3];
  eraPmp(satellite, observer, towardSatellite);
  eraPmp(sun, observer, towardSun);
  const double range = eraPm(towardSatellite);
  seen.altitude = std::asin(eraPdp(towardSatellite, zenith) / range);
  seen.sunAltitude = std::asin(eraPdp(towardSun, zenith) / eraPm(towardSun));
  // Lit unless the line toward the Sun passes through the Earth's ball.
  eraPmp(sun, satellite, satelliteToSun);
  double distanceToSun, unitToSun[3];
  eraPn(satelliteToSun, &distanceToSun, unitToSun);
  const double along = -eraPdp(satellite, unitToSun);
  double closest[3];
  for (int i = 0; i < 3; ++i) closest[i] = satellite[i] + along * unitToSun[i];
  seen.lit = along <= 0 || eraPm(closest) > kEarthRadiusKm;
  eraSxp(-1, towardSatellite, satelliteToObserver);
  seen.magnitude = standardFormula(standard, range, eraSepp(satelliteToSun, satelliteToObserver));
  return seen;
}

// For each satellite of the category (by NORAD number): the first minute
// at which it surely qualifies and the first at which it might; -1 none.
struct Verdict {
  int sure = -1, maybe = -1;
  bool dimmed = false;  // it would surely qualify but for its brightness
};

std::map<int, Verdict> oracleVerdicts(double start, double longitude, double latitude) {
  std::string input;
  std::vector<const InfoSky::PlacedSatellite*> placed;
  for (const InfoSky::PlacedSatellite& s : InfoSky::satellites()) {
    if (std::find(s.categories.begin(), s.categories.end(), kBrightest) == s.categories.end()) continue;
    placed.push_back(&s);
    char query[256];
    std::snprintf(query, sizeof query, "%s|%s|%.9f|%d|%.17g\n", s.line1, s.line2, start, kMinutes, kMinute);
    input += query;
  }
  const std::vector<std::string> lines = info_test::runOracle("tests/engine/sgp4_oracle.py", "", input);
  std::map<int, Verdict> verdicts;
  if (lines.size() != placed.size() * kMinutes) {
    ADD_FAILURE() << "the SGP4 oracle gave " << lines.size() << " lines"
                  << (lines.empty() ? "" : ": " + lines.front());
    return verdicts;
  }
  for (std::size_t s = 0; s < placed.size(); ++s) {
    std::vector<Seen> minutes;
    for (int k = 0; k < kMinutes; ++k) {
      std::istringstream in(lines[s * kMinutes + static_cast<std::size_t>(k)]);
      double error, jd, teme[3];
      in >> error >> jd >> teme[0] >> teme[1] >> teme[2];
      EXPECT_EQ(error, 0) << placed[s]->name;
      minutes.push_back(judge(teme, jd, longitude, latitude, placed[s]->standardMagnitude));
    }
    Verdict v;
    for (int k = 0; k < kMinutes; ++k) {
      const Seen& m = minutes[static_cast<std::size_t>(k)];
      bool anyLit = false, allLit = true;
      for (int j = std::max(k - 1, 0); j <= std::min(k + 1, kMinutes - 1); ++j) {
        anyLit = anyLit || minutes[static_cast<std::size_t>(j)].lit;
        allLit = allLit && minutes[static_cast<std::size_t>(j)].lit;
      }
      const bool maybePlace = m.altitude >= kMinAltitude - kAngleMargin && m.sunAltitude <= kSunLimit + kAngleMargin;
      const bool surePlace = m.altitude >= kMinAltitude + kAngleMargin && m.sunAltitude <= kSunLimit - kAngleMargin;
      if (v.maybe < 0 && maybePlace && anyLit && m.magnitude <= kMagnitudeLimit + kMagnitudeMargin) v.maybe = k;
      if (v.sure < 0 && surePlace && allLit && m.magnitude <= kMagnitudeLimit - kMagnitudeMargin) v.sure = k;
      if (surePlace && allLit && m.magnitude > kMagnitudeLimit + kMagnitudeMargin) v.dimmed = true;
    }
    v.dimmed = v.dimmed && v.maybe < 0;
    verdicts[std::atoi(placed[s]->line1 + 2)] = v;
  }
  return verdicts;
}

TEST(TonightsSatellitesUnderAMagnitudeLimit, ListsTheSatellitesThePublishedBrightnessAdmitsAndNoOthers) {
  if (info_test::runOracle("tests/engine/sgp4_oracle.py", "", "").size() != 0)
    TESSALY_SKIP_OR_FAIL("the SGP4 oracle (python3-sgp4) does not run");
  // East longitude, latitude (degrees): sites where the evening falls in
  // different parts of the window.
  const double sites[][2] = {{0, 45}, {-100, 35}, {140, -35}, {30, 55}};
  InfoSky sky;
  const double start = info_test::kSatelliteDate;
  int sure = 0, dimmed = 0, listedCount = 0;
  for (const auto& site : sites) {
    SCOPED_TRACE(std::to_string(site[0]) + " " + std::to_string(site[1]));
    info_test::ChartScreen screen(sky, start, site[0], site[1]);
    screen.settings.setPlanetMagnitudeLimit(static_cast<float>(kMagnitudeLimit));
    SkyObjectID* ids = nullptr;
    double* times = nullptr;
    const std::int64_t count = ListMgr::getList("Tonight's Satellites", &ids, &times, nullptr, nullptr);
    std::map<int, int> listed;  // NORAD number: minute
    for (std::int64_t i = 0; i < count; ++i)
      listed[static_cast<int>(ids[i].catnum)] = static_cast<int>(std::lround((times[i] - start) * 1440));
    EXPECT_EQ(listed.size(), static_cast<std::size_t>(count)) << "a satellite listed twice";
    listedCount += static_cast<int>(count);

    const std::map<int, Verdict> verdicts = oracleVerdicts(start, site[0] * kDegree, site[1] * kDegree);
    for (const auto& [number, verdict] : verdicts) {
      SCOPED_TRACE(std::to_string(number));
      const auto it = listed.find(number);
      if (verdict.sure >= 0) {
        ++sure;
        ASSERT_NE(it, listed.end()) << "bright enough at minute " << verdict.sure << " but missing";
        EXPECT_LE(it->second, verdict.sure) << "listed late";
      }
      if (verdict.dimmed) {
        ++dimmed;
        EXPECT_EQ(it, listed.end()) << "listed though never bright enough";
      }
      if (it == listed.end()) continue;
      EXPECT_GE(verdict.maybe, 0) << "listed though never bright enough";
      EXPECT_GE(it->second, verdict.maybe) << "listed before it was bright enough";
    }
    for (const auto& [number, minute] : listed) EXPECT_EQ(verdicts.count(number), 1u) << number << " is not of the list";
  }
  std::printf("%d listed, %d surely bright enough, %d visible but too faint\n", listedCount, sure, dimmed);
  // The limit must both admit and keep out satellites, or it tests nothing.
  EXPECT_GE(sure, 4);
  EXPECT_GE(dimmed, 4);
}

}  // namespace
