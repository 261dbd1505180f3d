// The information items of the Sun, the Moon, planets, moons and minor
// bodies: twilight, lunar phases, eclipses and elongations against PyEphem;
// motion rates against the change of the chart's own places; rotation
// periods against published values; and the rows each body has or lacks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>

#include "chart/sky_chart.h"
#include "engine/jupiter_events.h"
#include "engine/language.h"
#include "mechanics/event_search.h"
#include "engine/vectors.h"
#include "skydata/planet.h"
#include "skydata/sky_database.h"
#include "tests/support/requirements.h"
#include "tests/ui/info/info_rows.h"
#include "tests/ui/info/info_sky.h"
#include "tests/ui/info/python_oracle.h"
#include "ui/info/general_object_info.h"

namespace {

using info_test::InfoSky;
using info_test::numbersIn;
using info_test::Rows;
using info_test::runOracle;

// 2008 September 21, 0h UT, at Munich.
constexpr double kDate = 2454730.5;
constexpr double kLongitude = 11.5755, kLatitude = 48.1374;
constexpr double kDegree = M_PI / 180;
constexpr double kSecond = 1.0 / 86400;

Rows bodyInfo(CSkyChart& chart, CPlanet* body, int multiline = 1, int shortList = 0,
              int capacity = 255) {
  chart.updateObjectPosition(body);
  return Rows(
      [&](SkyObjectInfoString* items, int max) {
        return getGeneralObjectInfo(&chart, body, items, max, multiline, shortList);
      },
      capacity);
}

bool pyephemInstalled() {
  const std::vector<std::string> lines =
      runOracle("tests/ui/info/body_oracle.py", "phases 2454730.5");
  return lines.size() == 4 && std::isfinite(std::atof(lines[0].c_str())) &&
         std::atof(lines[0].c_str()) > 2454730;
}

// PyEphem's separation (degrees) of two bodies at a date.
double oracleSeparation(double jd, const char* a, const char* b, bool geocentric) {
  char arguments[256];
  std::snprintf(arguments, sizeof arguments, "separation %f %f %.8f %s %s %s", kLongitude,
                kLatitude, jd, a, b, geocentric ? "geo" : "topo");
  const std::vector<std::string> lines = runOracle("tests/ui/info/body_oracle.py", arguments);
  EXPECT_EQ(lines.size(), 1u);
  return lines.empty() ? NAN : std::atof(lines[0].c_str());
}

class BodyInfo : public ::testing::Test {
 protected:
  CPlanet* body(int type, int number) {
    return sky.world().body(type, static_cast<std::uint32_t>(number));
  }
  InfoSky sky;
  std::unique_ptr<CSkyChart> chart = sky.chart(kDate, kLongitude, kLatitude);
};

TEST_F(BodyInfo, TwilightOfTheSunsCentreAgreesWithPyEphem) {
  if (!pyephemInstalled()) TESSALY_SKIP_OR_FAIL("python3-ephem is not installed");
  const Rows sun = bodyInfo(*chart, sky.database().getSun());
  EXPECT_EQ(sun.headers(), (std::vector<std::string>{"Basic Information", "Visibility",
                                                     "Dawn and Dusk", "Celestial Coordinates",
                                                     "Apparent Motion", "Angular Separation",
                                                     "Physical Ephemeris", "Physical Parameters"}));
  char arguments[128];
  std::snprintf(arguments, sizeof arguments, "twilight %f %f %.1f", kLongitude, kLatitude, kDate);
  const std::vector<std::string> expected = runOracle("tests/ui/info/body_oracle.py", arguments);
  ASSERT_EQ(expected.size(), 6u);
  const char* labels[] = {"Astronomic Dawn", "Nautical Dawn", "Civil Dawn",
                          "Civil Dusk",      "Nautical Dusk", "Astronomic Dusk"};
  for (int i = 0; i < 6; ++i) {
    const info_test::Row* row = sun.find(labels[i]);
    ASSERT_NE(row, nullptr) << labels[i];
    ASSERT_NE(expected[i], "none") << labels[i];
    EXPECT_NEAR(row->jd, std::atof(expected[i].c_str()), 20 * kSecond) << labels[i];
    EXPECT_EQ(row->value.size(), 8u) << row->value;  // "%H:%M:%S"
  }
  // Beyond the polar circle in midsummer the Sun never sinks 6 degrees.
  auto arctic = sky.chart(2454638.5, 20, 78);
  const Rows summer = bodyInfo(*arctic, sky.database().getSun());
  EXPECT_EQ(summer.value("Civil Dusk"), "none");
  EXPECT_TRUE(std::isinf(summer.find("Civil Dusk")->jd));
}

TEST_F(BodyInfo, NextLunarPhasesAgreeWithPyEphemAndNoneIsOver) {
  if (!pyephemInstalled()) TESSALY_SKIP_OR_FAIL("python3-ephem is not installed");
  const char* labels[] = {"Next New Moon", "Next First Quarter", "Next Full Moon",
                          "Next Last Quarter"};
  // Just after a new moon too: the phase that has passed is not the next.
  for (double jd : {kDate, 2454738.8418 + 0.01, 2454754.3350 + 0.01}) {
    chart->setJulianDate(jd);
    const Rows moon = bodyInfo(*chart, sky.database().getMoon());
    const std::vector<std::string> expected =
        runOracle("tests/ui/info/body_oracle.py", "phases " + std::to_string(jd));
    ASSERT_EQ(expected.size(), 4u);
    for (int i = 0; i < 4; ++i) {
      const info_test::Row* row = moon.find(labels[i]);
      ASSERT_NE(row, nullptr) << moon.dump();
      EXPECT_GE(row->jd, jd) << labels[i];
      EXPECT_NEAR(row->jd, std::atof(expected[static_cast<std::size_t>(i)].c_str()), 120 * kSecond)
          << labels[i] << " at " << jd;
    }
    const std::vector<double> age = numbersIn(moon.value("Current Phase", "Lunar Phases"));
    ASSERT_FALSE(age.empty());
    EXPECT_LE(age.back(), 29.6);
  }
}

TEST_F(BodyInfo, EclipsesElongationsAndConjunctionsAreWhatPyEphemSees) {
  if (!pyephemInstalled()) TESSALY_SKIP_OR_FAIL("python3-ephem is not installed");
  const Rows moon = bodyInfo(*chart, sky.database().getMoon());
  const info_test::Row* eclipse = moon.find("Next Lunar Eclipse");
  ASSERT_NE(eclipse, nullptr) << moon.dump();
  EXPECT_GT(oracleSeparation(eclipse->jd, "Moon", "Sun", true), 179.0);
  EXPECT_NE(eclipse->value.find("from Umbra"), std::string::npos);

  struct Case {
    int body;
    const char* name;
    const char* far;   // the label of the greatest elongation
    const char* near;  // of the conjunction
  };
  for (const Case& c : {Case{4, "Mars", "Opposition", "Superior Conjunction"},
                        Case{2, "Venus", "Maximum Elongation", "Inferior Conjunction"}}) {
    const Rows rows = bodyInfo(*chart, body(30, c.body));
    for (const char* label : {c.far, c.near}) {
      const info_test::Row* row = rows.find(label);
      ASSERT_NE(row, nullptr) << c.name << ": " << rows.dump();
      EXPECT_GE(row->jd, kDate);
      EXPECT_LE(row->jd, kDate + 731);
      const bool greatest = label == c.far;
      const double at = oracleSeparation(row->jd, c.name, "Sun", true);
      for (double step : {-2.0, 2.0}) {
        const double beside = oracleSeparation(row->jd + step, c.name, "Sun", true);
        if (greatest)
          EXPECT_GT(at, beside) << c.name << " " << label;
        else
          EXPECT_LT(at, beside) << c.name << " " << label;
      }
      EXPECT_NE(row->value.find("from Sun"), std::string::npos);
    }
  }
  // The Sun's eclipses are topocentric; when one is listed the Moon stands
  // within half a degree of the Sun there.
  const Rows sun = bodyInfo(*chart, sky.database().getSun());
  if (const info_test::Row* solar = sun.find("Next Solar Eclipse")) {
    EXPECT_LT(oracleSeparation(solar->jd, "Moon", "Sun", false), 0.5);
  }
}

TEST_F(BodyInfo, JupitersEventsAreTheEnginesPhenomenaNamed) {
  const Rows jupiter = bodyInfo(*chart, body(30, 5));
  JupiterEvent events[16];
  const int count = findJupiterEvents(events, 16, kDate, kDate + 1);
  ASSERT_GT(count, 0);
  std::vector<const info_test::Row*> rows;
  bool inside = false;
  for (const info_test::Row& row : jupiter.all()) {
    if (row.header)
      inside = row.value == "Upcoming Events";
    else if (inside)
      rows.push_back(&row);
  }
  ASSERT_EQ(rows.size(), static_cast<std::size_t>(count)) << jupiter.dump();
  const char* moons[] = {"Red Spot", "Io", "Europa", "Ganymede", "Callisto"};
  const char* kinds[] = {"Transits", "Eclipse", "Occultation", "Transit", "Shadow Transit"};
  for (int i = 0; i < count; ++i) {
    const JupiterEvent& e = events[i];
    std::string expected = e.moon >= 0 && e.moon <= 4 ? moons[e.moon] : "Multiple Moon";
    expected += std::string(" ") + kinds[e.code & 0xF];
    if ((e.code & 0xF) != 0) expected += (e.code & 128) != 0 ? " Ends" : " Begins";
    EXPECT_EQ(rows[static_cast<std::size_t>(i)]->label, expected);
    EXPECT_EQ(rows[static_cast<std::size_t>(i)]->jd, e.jd);
    EXPECT_NE(rows[static_cast<std::size_t>(i)]->value.find('\n'), std::string::npos);
  }
  // The short list has no events.
  const std::vector<std::string> shortHeaders = bodyInfo(*chart, body(30, 5), 1, 1).headers();
  EXPECT_EQ(std::count(shortHeaders.begin(), shortHeaders.end(), "Upcoming Events"), 0);
}

TEST_F(BodyInfo, NumbersDistancesAndSizesReadAsTheBodyIs) {
  const Rows moon = bodyInfo(*chart, sky.database().getMoon(), 0);
  EXPECT_FALSE(moon.has("Number"));
  // Near: kilometres and light seconds.
  const std::vector<double> near = numbersIn(moon.value("Distance"));
  ASSERT_EQ(near.size(), 2u) << moon.value("Distance");
  EXPECT_NEAR(near[0], sky.database().getMoon()->getDistance() * 149597870, 1);
  EXPECT_NEAR(near[1], near[0] / 299792.458, 0.01);
  EXPECT_NE(moon.value("Apparent Size").find("arcmin, "), std::string::npos);

  EXPECT_EQ(bodyInfo(*chart, body(31, 501)).value("Number"), "1");
  EXPECT_EQ(bodyInfo(*chart, body(30, 4)).value("Number"), "4");

  CPlanet* mars = body(30, 4);
  const Rows rows = bodyInfo(*chart, mars, 0);
  const std::vector<double> far = numbersIn(rows.value("Distance"));
  ASSERT_EQ(far.size(), 3u) << rows.value("Distance");
  EXPECT_NEAR(far[0], mars->getDistance(), 1e-6);
  EXPECT_NEAR(far[1], far[0] * 149.597870, 0.05);
  EXPECT_NEAR(far[2], far[0] * 149597870 / 299792.458 / 60, 0.005);
  EXPECT_NE(rows.value("Apparent Size").find("arcsec, "), std::string::npos);
  EXPECT_EQ(rows.value("Visual Magnitude")[0] == '+' || rows.value("Visual Magnitude")[0] == '-',
            true);
}

TEST_F(BodyInfo, RotationAndOrbitalPeriodsReadAsPublished) {
  // Sidereal rotation: Earth 23h 56m 04s, Mars 24h 37m 23s, Jupiter
  // (System III) 9h 55m 30s.
  EXPECT_EQ(bodyInfo(*chart, body(30, 3)).value("Rotation Period"), "1.00 days\n0d 23h 56m 04s");
  EXPECT_EQ(bodyInfo(*chart, body(30, 4), 0).value("Rotation Period"), "1.03 days, 1d 00h 37m 23s");
  EXPECT_EQ(bodyInfo(*chart, body(30, 5)).value("Rotation Period"), "0.41 days\n0d 09h 55m 30s");
  // Periods from the elements, split by their definition into whole
  // seconds.
  const auto split = [](double days) {
    const long seconds = std::lround(days * 86400);
    char text[64];
    std::snprintf(text, sizeof text, "%.2f days\n%ldd %02ldh %02ldm %02lds", days, seconds / 86400,
                  seconds / 3600 % 24, seconds / 60 % 60, seconds % 60);
    return std::string(text);
  };
  CPlanet* io = body(31, 501);
  EXPECT_EQ(bodyInfo(*chart, io).value("Orbital Period"), split(io->getOrbitalPeriod()));
  const Rows mars = bodyInfo(*chart, body(30, 4));
  char days[32];
  std::snprintf(days, sizeof days, "%.2f days", body(30, 4)->getOrbitalPeriod());
  EXPECT_EQ(mars.value("Orbital Period"), days);
  EXPECT_EQ(bodyInfo(*chart, body(30, 5)).value("Orbital Period"), "11.86 years");
  // Mars passed its perihelion on 2009 April 21.
  EXPECT_EQ(mars.value("Perihelion Date"), "2009/04/21");
  EXPECT_EQ(mars.value("Eccentricity").substr(0, 4), "0.09");
  // No rotation model: no rotation period, and no meridian to give the
  // central point from.
  const Rows nix = bodyInfo(*chart, body(31, 902));
  EXPECT_EQ(nix.value("Rotation Period"), "unknown");
  EXPECT_FALSE(nix.has("Central Longitude") || nix.has("Subsolar Longitude"));
  EXPECT_TRUE(bodyInfo(*chart, body(31, 501)).has("Central Longitude"));
}

TEST_F(BodyInfo, RatesOfMotionAreTheChangeOfThePlace) {
  for (CPlanet* object : {sky.database().getMoon(), body(30, 4)}) {
    const Rows rows = bodyInfo(*chart, object);
    // The place two minutes either side, in the equator of the chart's epoch
    // and the horizon.
    constexpr double kStep = 2.0 / 1440;
    double ra[2], dec[2], az[2], alt[2], distance[2];
    for (int side = 0; side < 2; ++side) {
      auto moved = sky.chart(kDate + (side == 0 ? -kStep : kStep), kLongitude, kLatitude);
      moved->setEpoch(0, 1, chart->epoch);
      moved->updateObjectPosition(object);
      double v[3], e[3], h[3];
      object->getPosition(v);
      distance[side] = object->getDistance();
      moved->fundamentalToEquatorial(v, e);
      moved->fundamentalToHorizon(v, h);
      vectorToSpherical(e, &ra[side], &dec[side], nullptr);
      vectorToSpherical(h, &az[side], &alt[side], nullptr);
    }
    chart->updateObjectPosition(object);
    const auto rate = [&](const std::string& label) {
      const std::string text = rows.value(label, "Apparent Motion");
      const std::vector<double> n = numbersIn(text);
      EXPECT_FALSE(n.empty()) << label;
      return n.empty() ? NAN : (text[0] == '-' ? -n[0] : n[0]);
    };
    // The engine's velocities differ from the change of its places by about
    // 1e-5 AU a day, which is 2 % of the Moon's motion relative to us.
    const double share = object == sky.database().getMoon() ? 0.03 : 0.01;
    const auto near = [share](double value, double expected, double floor) {
      EXPECT_NEAR(value, expected, std::fabs(expected) * share + floor);
    };
    const double raPerDay = std::remainder(ra[1] - ra[0], 2 * M_PI) / (2 * kStep);
    const double decPerDay = (dec[1] - dec[0]) / (2 * kStep);
    near(rate("R.A. (2008.7)"), raPerDay * 206264.806 / 15, 0.01);
    near(rate("Dec. (2008.7)"), decPerDay * 206264.806, 0.1);
    const double azPerSecond = std::remainder(az[1] - az[0], 2 * M_PI) / (2 * kStep * 86400);
    const double altPerSecond = (alt[1] - alt[0]) / (2 * kStep * 86400);
    near(rate("Azimuth"), azPerSecond * 206264.806, 0.01);
    near(rate("Altitude"), altPerSecond * 206264.806, 0.01);
    const double kmPerSecond = (distance[1] - distance[0]) * 149597870 / (2 * kStep * 86400);
    near(rate("Radial Velocity"), kmPerSecond, 0.01);
  }
}

TEST_F(BodyInfo, SpaceViewShortListAndHorizonLabels) {
  chart->horizonAltitude = 2 * kDegree;
  const Rows raised = bodyInfo(*chart, body(30, 5));
  EXPECT_TRUE(raised.has("Rises above 2.0°") && raised.has("Sets below 2.0°")) << raised.dump();
  chart->horizonAltitude = 0;
  const Rows level = bodyInfo(*chart, body(30, 5));
  EXPECT_TRUE(level.has("Rises") && level.has("Sets") && level.has("Transits"));

  const Rows shortList = bodyInfo(*chart, body(30, 5), 1, 1);
  const std::vector<info_test::Row>& rows = shortList.all();
  for (std::size_t i = 0; i + 1 < rows.size(); ++i)
    if (rows[i].label == "Declination") {
      EXPECT_EQ(rows[i + 1].value, "Physical Parameters");
    }
  EXPECT_TRUE(shortList.has("Rotation Period") && shortList.has("Right Ascension"));
  for (const char* absent : {"Hour Angle", "Ecliptic Longitude", "From Sun", "Central Longitude"})
    EXPECT_FALSE(shortList.has(absent)) << absent;

  info_test::enterSpaceView(*chart);
  for (CPlanet* object : {sky.database().getSun(), sky.database().getMoon(), body(30, 5)}) {
    const Rows space = bodyInfo(*chart, object);
    const std::vector<std::string> headers = space.headers();
    for (const char* absent : {"Visibility", "Dawn and Dusk", "Lunar Phases", "Upcoming Events"})
      EXPECT_EQ(std::count(headers.begin(), headers.end(), absent), 0) << absent;
    for (const char* absent : {"Hour Angle", "Azimuth", "Altitude"})
      EXPECT_FALSE(space.has(absent)) << absent;
  }
}

TEST_F(BodyInfo, OpenAndDamagedOrbitsShowNoSearchOrAxis) {
  mechanics_test::BodyRecord parabolic;
  parabolic.type = 34;
  parabolic.names = {"C/2008 P1"};
  parabolic.q = 0.8;
  parabolic.e = 1.0;
  parabolic.epoch = kDate;
  // A planet record whose period is not finite (an open orbit).
  mechanics_test::BodyRecord damaged;
  damaged.type = 30;
  damaged.body = 10;
  damaged.names = {"Damaged"};
  damaged.e = 1.5;
  mechanics_test::SolarSystemWorld world({parabolic, damaged});
  ASSERT_TRUE(world.loaded());
  auto local = std::make_unique<CSkyChart>(&world.database(), "");
  local->setLocation(kLongitude * kDegree, kLatitude * kDegree, 0);
  local->setJulianDate(kDate);
  const Rows comet = bodyInfo(*local, world.body(34, 0));
  EXPECT_EQ(comet.value("Orbital Period"), "infinite");
  EXPECT_FALSE(comet.has("Semimajor Axis"));
  EXPECT_EQ(comet.value("Eccentricity"), "1.000000");
  const std::uint64_t before = eventSearchEvaluations();
  const Rows open = bodyInfo(*local, world.body(30, 10));
  EXPECT_FALSE(open.has("Perihelion Date")) << open.dump();
  EXPECT_EQ(open.value("Orbital Period"), "infinite");
  EXPECT_LT(eventSearchEvaluations() - before, 10'000'000u);
}

TEST_F(BodyInfo, TheListStopsAtTheCapacityAndEveryLabelIsTranslated) {
  const Rows whole = bodyInfo(*chart, body(30, 5));
  EXPECT_LE(whole.size(), 74);
  for (int capacity : {0, 1, 9, whole.size() - 1}) {
    const Rows cut = bodyInfo(*chart, body(30, 5), 1, 0, capacity);
    ASSERT_EQ(cut.size(), capacity);
    for (int i = 0; i < capacity; ++i) EXPECT_EQ(cut[i].value, whole[i].value);
  }
  static std::set<std::string> translated;
  translationHook = [](const char* text) {
    return translated.insert("~" + std::string(text)).first->c_str();
  };
  setLanguage(2);
  const Rows rows = bodyInfo(*chart, sky.database().getMoon());
  setLanguage(0);
  translationHook = nullptr;
  for (const info_test::Row& row : rows.all())
    EXPECT_EQ((row.header ? row.value : row.label)[0], '~') << row.label << row.value;
}

}  // namespace
