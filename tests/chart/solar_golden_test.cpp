// Golden frames of the solar-system layer through the GL layer on the
// software GPU: a conjunction of Jupiter and Saturn, the totally eclipsed
// Moon, the Sun with Venus beside it, and ten satellites overhead. Every
// drawn centre lies within a pixel of its place computed here: the
// planets, the Moon and the Sun on ERFA's theories (eraPlan94, eraMoon98,
// eraEpv00) with light time, aberration and the site's parallax; the
// satellites by python3-sgp4 carried from its TEME frame through the
// Earth's rotation to the site; all projected by the tests' own gnomonic
// projection.
#include <erfa.h>
#include <erfam.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "chart/sky_chart.h"
#include "skydata/sky_database.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "tests/chart/chart_canvas.h"
#include "tests/mechanics/mechanics_fixture.h"
#include "tests/support/requirements.h"
#include "tests/tools/built_bundle.h"

namespace {

using chart_test::TestView;

constexpr double kRadiansPerDegree = 0.017453292519943295;
constexpr double kEarthSpin = 7.292115e-5;  // rad/s
constexpr double kSecondsPerDay = 86400;
constexpr double kLightAUPerDay = ERFA_CMPS * kSecondsPerDay / ERFA_DAU;

struct Site {
  double lon, lat, height;  // radians, metres
};

// The site and the Earth at a UT date, from ERFA: TT from the leap seconds,
// the site in the celestial frame (the Earth's orientation of IAU 2006/2000A
// with UT1 = UTC), the Earth's heliocentric place and the site's
// barycentric velocity.
class ErfaSky {
 public:
  ErfaSky(double jdUT, const Site& site) : ut_(jdUT) {
    int y, m, d;
    double fraction, dat;
    eraJd2cal(jdUT, 0, &y, &m, &d, &fraction);
    eraDat(y, m, d, fraction, &dat);
    tt_ = jdUT + (dat + 32.184) / kSecondsPerDay;
    double itrs[3], rc2t[3][3];
    eraGd2gc(1, site.lon, site.lat, site.height, itrs);
    eraC2t06a(tt_, 0, jdUT, 0, 0, 0, rc2t);
    double spin[3] = {-kEarthSpin * itrs[1], kEarthSpin * itrs[0], 0};
    eraTrxp(rc2t, itrs, siteMetres_);
    double velocity[3];
    eraTrxp(rc2t, spin, velocity);
    double up[3];
    eraPn(itrs, &siteRadius_, up);
    eraTrxp(rc2t, up, zenith_);
    double pvh[2][3], pvb[2][3];
    eraEpv00(tt_, 0, pvh, pvb);
    for (int k = 0; k < 3; ++k) {
      site_[k] = siteMetres_[k] / ERFA_DAU;
      earth_[k] = pvh[0][k] + site_[k];
      velocity_[k] = pvb[1][k] + velocity[k] * kSecondsPerDay / ERFA_DAU;
    }
    eraC2t06a(tt_, 0, jdUT, 0, 0, 0, rc2t_);
  }

  // Apparent direction (fundamental frame) of a planet (1-8 as eraPlan94
  // numbers them), the Moon (0) or the Sun (-1).
  void body(int number, double out[3]) {
    double p[3] = {}, tau = 0;
    for (int pass = 0; pass < 3; ++pass) {
      double pv[2][3];
      if (number > 0) {
        eraPlan94(tt_ - tau, 0, number, pv);
        eraPmp(pv[0], earth_, p);
      } else if (number == 0) {
        eraMoon98(tt_ - tau, 0, pv);
        eraPmp(pv[0], site_, p);
      } else {
        eraSxp(-1, earth_, p);
      }
      tau = eraPm(p) / kLightAUPerDay;
    }
    apparent(p, out);
  }

  // Direction from the site of a TEME position (km) of the UT date: the
  // Earth-fixed frame by the IAU 1982 sidereal time, as TEME is defined.
  void satellite(const double teme[3], double out[3]) {
    double rz[3][3], metres[3], fixed[3], celestial[3], p[3], range = 0;
    eraSxp(1000, const_cast<double*>(teme), metres);
    eraIr(rz);
    eraRz(eraGmst82(ut_, 0), rz);
    eraRxp(rz, metres, fixed);
    eraTrxp(rc2t_, fixed, celestial);
    eraPmp(celestial, const_cast<double*>(siteMetres_), p);
    eraPn(p, &range, out);
  }

  void zenith(double out[3]) { eraCp(zenith_, out); }

  // Apparent direction from the site of a geocentric astrometric place
  // (AU, fundamental frame).
  void fromGeocentric(const double geocentric[3], double out[3]) {
    double p[3];
    eraPmp(const_cast<double*>(geocentric), site_, p);
    apparent(p, out);
  }

 private:
  void apparent(const double p[3], double out[3]) {
    double unit[3], distance, beta[3], sun[3];
    eraPn(const_cast<double*>(p), &distance, unit);
    eraSxp(1 / kLightAUPerDay, const_cast<double*>(velocity_), beta);
    eraSxp(-1, const_cast<double*>(earth_), sun);
    eraAb(unit, beta, eraPm(sun), std::sqrt(1 - eraPdp(beta, beta)), out);
  }

  double ut_, tt_;
  double siteMetres_[3] = {}, site_[3] = {}, earth_[3] = {}, velocity_[3] = {}, zenith_[3] = {};
  double siteRadius_ = 0;
  double rc2t_[3][3] = {};
};

// Centre of the ink within `radius` pixels of (x, y): pixels above 2%.
std::array<double, 2> inkCentre(const chart_test::Raster& raster, double x, double y, double radius) {
  double sx = 0, sy = 0, n = 0;
  for (int py = static_cast<int>(y - radius); py <= y + radius; ++py)
    for (int px = static_cast<int>(x - radius); px <= x + radius; ++px) {
      if (std::hypot(px + 0.5 - x, py + 0.5 - y) > radius || raster.at(px, py) <= 0.02f) continue;
      sx += px + 0.5, sy += py + 0.5, n += 1;
    }
  return {n > 0 ? sx / n : NAN, n > 0 ? sy / n : NAN};
}

class SolarGolden : public testing::Test {
 protected:
  // A chart on the tests' sky (plus satellites), the view given, without
  // names, in the GL canvas; draws one frame of the layer.
  chart_test::Raster frame(CSkyDatabase& database, const TestView& view, double jdUT,
                           const Site& site, const char* name,
                           std::vector<std::uint8_t>* colors = nullptr) {
    CSkyChart chart(&database, "");
    chart_test::applyView(chart, view);
    chart.setLocation(site.lon, site.lat, site.height);
    chart.setJulianDate(jdUT);
    chart.showPlanetNames = chart.showMinorPlanetNames = false;
    chart.showSatellites = true;
    chart.updateDisplayMatrix();
    auto canvas = chart_test::makeCanvas(chart_test::Backend::gl, chart, view.width, view.height);
    chart.updateNeeded = true;
    chart.drawSolarSystemObjects();
    canvas->save(name);
    if (colors != nullptr) *colors = canvas->colors();
    return canvas->raster();
  }

  // Checks the drawn centre near each expected direction.
  static void expectCentres(const chart_test::Raster& raster, const TestView& view,
                            const std::vector<std::pair<std::string, std::array<double, 3>>>& places,
                            double window) {
    int checked = 0;
    for (const auto& [label, v] : places) {
      double x = 0, y = 0;
      ASSERT_TRUE(view.project(v.data(), &x, &y)) << label;
      std::array<double, 2> c = inkCentre(raster, x, y, window);
      EXPECT_NEAR(c[0], x, 1.0) << label;
      EXPECT_NEAR(c[1], y, 1.0) << label;
      ++checked;
    }
    EXPECT_EQ(checked, static_cast<int>(places.size()));
  }

  static TestView viewOn(const double centre[3], double fovDegrees, int width, int height,
                         int projection = 1) {
    TestView view;
    view.projection = projection;
    eraC2s(const_cast<double*>(centre), &view.lon0, &view.lat0);
    view.fov = fovDegrees * kRadiansPerDegree;
    view.width = width;
    view.height = height;
    return view;
  }

  void SetUp() override {
    if (!chart_test::backendAvailable(chart_test::Backend::gl)) GTEST_SKIP() << "no GL layer";
  }
};

// 2020 December 21, 18:00 UT from Greenwich: Jupiter and Saturn six
// minutes of arc apart.
TEST_F(SolarGolden, TheGreatConjunctionOf2020) {
  mechanics_test::SolarSystemWorld world(mechanics_test::standardExtraBodies());
  ASSERT_TRUE(world.loaded());
  Site site{0, 51.4769 * kRadiansPerDegree, 46};
  double jd = 2459205.25;
  ErfaSky sky(jd, site);
  std::array<double, 3> jupiter, saturn;
  sky.body(5, jupiter.data());
  sky.body(6, saturn.data());
  EXPECT_LT(eraSepp(jupiter.data(), saturn.data()), 0.12 * kRadiansPerDegree);
  TestView view = viewOn(jupiter.data(), 8, 1280, 800);
  chart_test::Raster raster = frame(world.database(), view, jd, site, "golden_conjunction");
  // Io and Europa stand too close to Jupiter to be drawn apart from it.
  expectCentres(raster, view, {{"Jupiter", jupiter}, {"Saturn", saturn}}, 5);
}

// 2000 January 21, 04:40 UT: the Moon deep in the Earth's umbra, seen
// from the equator.
TEST_F(SolarGolden, TheTotalLunarEclipseOf2000) {
  mechanics_test::SolarSystemWorld world(mechanics_test::standardExtraBodies());
  ASSERT_TRUE(world.loaded());
  Site site{-60 * kRadiansPerDegree, 0, 0};
  double jd = 2451564.6944;
  ErfaSky sky(jd, site);
  std::array<double, 3> moon;
  sky.body(0, moon.data());
  // 72 seconds of arc to the pixel: eraMoon98's own accuracy is some 10.
  TestView view = viewOn(moon.data(), 4, 600, 400);
  std::vector<std::uint8_t> colors;
  chart_test::Raster raster = frame(world.database(), view, jd, site, "golden_lunar_eclipse", &colors);
  expectCentres(raster, view, {{"Moon", moon}}, 60);
  double x = 0, y = 0;
  ASSERT_TRUE(view.project(moon.data(), &x, &y));
  const std::uint8_t* centre = &colors[(static_cast<std::size_t>(y) * view.width + static_cast<std::size_t>(x)) * 4];
  EXPECT_GT(centre[0], 1.5 * centre[1]) << "the umbra is red";
  EXPECT_LT(centre[0], 160) << "and dark";
}

// 2020 June 1, 12:00 UT from 45 N: Venus two days before its inferior
// conjunction, a few degrees from the Sun.
TEST_F(SolarGolden, TheSunAtNoonWithVenusBesideIt) {
  mechanics_test::SolarSystemWorld world(mechanics_test::standardExtraBodies());
  ASSERT_TRUE(world.loaded());
  Site site{0, 45 * kRadiansPerDegree, 0};
  double jd = 2459001.0;
  ErfaSky sky(jd, site);
  std::array<double, 3> sun, venus;
  sky.body(-1, sun.data());
  sky.body(2, venus.data());
  TestView view = viewOn(sun.data(), 16, 800, 800);
  chart_test::Raster raster = frame(world.database(), view, jd, site, "golden_sun_venus");
  double sx = 0, sy = 0, vx = 0, vy = 0;
  ASSERT_TRUE(view.project(sun.data(), &sx, &sy));
  ASSERT_TRUE(view.project(venus.data(), &vx, &vy));
  ASSERT_GT(std::hypot(vx - sx, vy - sy), 60) << "far enough apart to measure each";
  expectCentres(raster, view, {{"Sun", sun}, {"Venus", venus}}, 20);
}

// 2018 January 15, 03:00 UT from 45 N: ten of gpredict's satellites above
// 10 degrees of altitude, on a stereographic view of the whole sky.
TEST_F(SolarGolden, TenSatellitesOverheadWhereSgp4PutsThem) {
  std::vector<mechanics_test::ElementLines> sets = mechanics_test::gpredictElementSets();
  if (sets.size() < 100) TESSALY_SKIP_OR_FAIL("gpredict's element sets (gpredict) are needed");
  const char* root = std::getenv("TESSALY_SOURCE_DIR");
  std::string script = std::string(root ? root : ".") + "/tests/engine/sgp4_oracle.py";
  std::string queries = "/tmp/tessaly_golden_sgp4_" + std::to_string(getpid());
  double jd = 2458133.625;
  {
    FILE* out = std::fopen(queries.c_str(), "w");
    ASSERT_NE(out, nullptr);
    for (const auto& set : sets) std::fprintf(out, "%s|%s|%.10f\n", set.line1.c_str(), set.line2.c_str(), jd);
    std::fclose(out);
  }
  FILE* pipe = popen(("/usr/bin/python3 " + script + " < " + queries + " 2>/dev/null").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  Site site{0, 45 * kRadiansPerDegree, 0};
  ErfaSky sky(jd, site);
  double zenith[3];
  sky.zenith(zenith);
  TestView view = viewOn(zenith, 170, 800, 800, 3);
  std::vector<mechanics_test::SatelliteRecord> chosen;
  std::vector<std::pair<std::string, std::array<double, 3>>> places;
  std::vector<std::array<double, 2>> spots;
  for (const auto& set : sets) {
    int error = 0;
    double t, r[3], v[3];
    if (std::fscanf(pipe, "%d %lf %lf %lf %lf %lf %lf %lf", &error, &t, &r[0], &r[1], &r[2], &v[0],
                    &v[1], &v[2]) != 8)
      break;
    if (error != 0 || chosen.size() == 10) continue;
    std::array<double, 3> direction;
    sky.satellite(r, direction.data());
    double x = 0, y = 0;
    if (eraSepp(direction.data(), zenith) > 80 * kRadiansPerDegree || !view.project(direction.data(), &x, &y))
      continue;
    // Apart from the others, so that each spot is its own.
    bool alone = true;
    for (const auto& s : spots) alone = alone && std::hypot(s[0] - x, s[1] - y) > 12;
    if (!alone) continue;
    spots.push_back({x, y});
    chosen.push_back({set.elements, INFINITY, {}});
    places.emplace_back(set.line1.substr(2, 5), direction);
  }
  pclose(pipe);
  std::remove(queries.c_str());
  if (chosen.size() < 10) TESSALY_SKIP_OR_FAIL("python3-sgp4 is needed (or too few overhead)");
  mechanics_test::SolarSystemWorld world({}, chosen);
  ASSERT_TRUE(world.loaded());
  chart_test::Raster raster = frame(world.database(), view, jd, site, "golden_satellites");
  expectCentres(raster, view, places, 5);
}

// 2026 November 3, 05:00 UT from London, a 0.6-degree field on Jupiter
// from the built catalogue: the planet and the four Galilean moons
// (magnitudes 5 to 6) drawn where PyEphem puts them
// (tests/engine/moon_ephemeris_oracle.py: the planet's astrometric place
// from VSOP87, the moons' offsets from the Bureau des Longitudes
// theories), carried to the site's apparent places with ERFA. At 2.7" a
// pixel eraPlan94's Jupiter (20" off here) would not do. Before: the
// catalogue gave the moons no magnitude and the frame held Jupiter alone.
TEST_F(SolarGolden, TheGalileanMoonsBesideJupiterFromTheBuiltCatalogue) {
  const std::string folder = tessaly::test::builtBundlePath() + "/SkyData";
  CSkyDatabase database(folder.c_str());
  if (database.loadSolarSystem("SolarSystem.skydata") == nullptr)
    TESSALY_SKIP_OR_FAIL("no built catalogues in " << folder);
  const double jd = 2461347.5 + 5.0 / 24;
  const char* root = std::getenv("TESSALY_SOURCE_DIR");
  const std::string script = std::string(root ? root : ".") + "/tests/engine/moon_ephemeris_oracle.py";
  FILE* pipe = popen(("/usr/bin/python3 " + script + " span " + std::to_string(jd) + " " +
                      std::to_string(jd + 0.1) + " 1 501 502 503 504 2>/dev/null")
                         .c_str(),
                     "r");
  ASSERT_NE(pipe, nullptr);
  Site site{-0.1276 * kRadiansPerDegree, 51.5072 * kRadiansPerDegree, 11};
  ErfaSky sky(jd, site);
  std::vector<std::pair<std::string, std::array<double, 3>>> places;
  int id = 0;
  double when, ra, dec, distance, east, north;
  while (std::fscanf(pipe, "%d %lf %lf %lf %lf %lf %lf", &id, &when, &ra, &dec, &distance, &east,
                     &north) == 7) {
    // The offsets lie along the east and north of the planet's place.
    const double eastAxis[3] = {-std::sin(ra), std::cos(ra), 0};
    const double northAxis[3] = {-std::sin(dec) * std::cos(ra), -std::sin(dec) * std::sin(ra),
                                 std::cos(dec)};
    double planet[3], moon[3];
    eraS2p(ra, dec, distance, planet);
    for (int k = 0; k < 3; ++k)
      moon[k] = planet[k] + distance * (east * eastAxis[k] + north * northAxis[k]) / ERFA_DR2AS;
    std::array<double, 3> v;
    if (places.empty()) {
      sky.fromGeocentric(planet, v.data());
      places.emplace_back("Jupiter", v);
    }
    sky.fromGeocentric(moon, v.data());
    places.emplace_back("moon " + std::to_string(id), v);
  }
  pclose(pipe);
  if (places.size() != 5) TESSALY_SKIP_OR_FAIL("PyEphem (python3-ephem) is needed");
  TestView view = viewOn(places[0].second.data(), 0.6, 1200, 800);
  chart_test::Raster raster = frame(database, view, jd, site, "golden_jupiter_moons");
  // Each moon clear of the planet's disc, so that its spot is its own.
  double jx = 0, jy = 0;
  ASSERT_TRUE(view.project(places[0].second.data(), &jx, &jy));
  for (std::size_t k = 1; k < places.size(); ++k) {
    double x = 0, y = 0;
    ASSERT_TRUE(view.project(places[k].second.data(), &x, &y));
    EXPECT_GT(std::hypot(x - jx, y - jy), 15) << places[k].first;
  }
  expectCentres(raster, view, places, 6);
}

}  // namespace
