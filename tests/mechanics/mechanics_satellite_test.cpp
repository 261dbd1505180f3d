// Satellites through CSkyMechanics, the decisive frame check: topocentric
// places against a chain built here on ERFA (IAU 1982 sidereal time of UT
// into Earth-fixed axes, the site by eraGd2gce on the engine's ellipsoid)
// applied to the engine's own SGP4/SDP4 output, and end to end against an
// independent propagator (python3-sgp4 with WGS-72).
#include <erfa.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include <vector>

#include "engine/angles.h"
#include "engine/ellipsoid.h"
#include "engine/matrices.h"
#include "mechanics/sky_mechanics.h"
#include "engine/sgp4.h"
#include "engine/vectors.h"
#include "skydata/satellite.h"
#include "skydata/sky_database.h"
#include "tests/mechanics/mechanics_fixture.h"

namespace {

using mechanics_test::SatelliteRecord;
using mechanics_test::SolarSystemWorld;

constexpr double kKmPerAU = 149597870.0;
constexpr double kArcsec = M_PI / 180 / 3600;
constexpr double kEarthRadiusKm = 6378.135;      // the element sets' theory
constexpr double kEllipsoidAKm = 6378.140;       // the engine's site ellipsoid
constexpr double kEarthSpin = 7.29211514670698e-5;  // rad/s
constexpr double kLightKmPerSecond = 299792.458;

struct Site {
  double lon, lat, heightKm;
};
const Site kSites[] = {{-105.2 * M_PI / 180, 40.0 * M_PI / 180, 1.6},
                       {139.7 * M_PI / 180, 35.7 * M_PI / 180, 0.04},
                       {24.0 * M_PI / 180, -70.0 * M_PI / 180, 2.5}};

struct SetLines {
  const char* line1;
  const char* line2;
  double pinnedKm;  // model difference from the independent propagator
};

// Sets of the verification file with their pinned deviations from the
// revised models (the propagators' own test), and the published ISS set.
const SetLines kSets[] = {
    {mechanics_test::kIssLines[0], mechanics_test::kIssLines[1], 0.005},
    {"1 06251U 62025E   06176.82412014  .00008885  00000-0  12808-3 0  3985",
     "2 06251  58.0579  54.0425 0030035 139.1568 221.1854 15.56387291  6774", 0.0019},
    {mechanics_test::kMolniyaLines[0], mechanics_test::kMolniyaLines[1], 0.013},
    {"1 28129U 03058A   06175.57071136 -.00000104  00000-0  10000-3 0   459",
     "2 28129  54.7298 324.8098 0048506 266.2640  93.1663  2.00562768 18443", 0.002},
    {mechanics_test::kGeostationaryLines[0], mechanics_test::kGeostationaryLines[1], 1.2},
    {"1 28057U 03049A   06177.78615833  .00000060  00000-0  35940-4 0  1836",
     "2 28057  98.4283 247.6961 0000884  88.1964 271.9322 14.35478080140550", 0.0019},
};

struct EpochOption {
  int current, nutation;
  double fixed;
};
const EpochOption kEpochOptions[] = {{1, 1, 2451545.0}, {0, 1, 2451545.0}, {1, 0, 2451545.0}};

// TEME state (km, km/s) by the engine's propagators, fresh state.
void propagate(const SatelliteElementSet& el, double tsince, double r[3], double v[3]) {
  if (isDeepSpaceOrbit(el)) {
    Sdp4State s{};
    sdp4(el, r, v, s, tsince);
  } else {
    Sgp4State s{};
    sgp4(el, r, v, s, tsince);
  }
  for (int k = 0; k < 3; ++k) {
    r[k] *= kEarthRadiusKm;
    v[k] *= kEarthRadiusKm / 60.0;
  }
}

// Earth-fixed axes at UT jd: the IAU 1982 Greenwich mean sidereal time.
void temeToFixed(double jd, const double in[3], double out[3]) {
  double rz[3][3];
  eraIr(rz);
  eraRz(eraGmst82(jd, 0), rz);
  eraRxp(rz, const_cast<double*>(in), out);
}

void siteFixed(const Site& s, double out[3]) {
  eraGd2gce(kEllipsoidAKm, kEarthFlattening, s.lon, s.lat, s.heightKm, out);
}

// Earth-fixed vector to the local horizon: north, east, up.
void toHorizon(const Site& s, const double v[3], double out[3]) {
  const double sl = std::sin(s.lon), cl = std::cos(s.lon);
  const double sp = std::sin(s.lat), cp = std::cos(s.lat);
  out[0] = -sp * cl * v[0] - sp * sl * v[1] + cp * v[2];
  out[1] = -sl * v[0] + cl * v[1];
  out[2] = cp * cl * v[0] + cp * sl * v[1] + sp * v[2];
}

// The chain's topocentric place (horizon axes, km) and Earth-fixed velocity
// (horizon axes, km/s) of a TEME state at UT jd.
void chain(const Site& s, double jd, const double r[3], const double v[3], double place[3],
           double velocity[3]) {
  double fixed[3], site[3], d[3];
  temeToFixed(jd, r, fixed);
  siteFixed(s, site);
  eraPmp(fixed, site, d);
  toHorizon(s, d, place);
  if (velocity == nullptr) return;
  double vf[3], carried[3];
  double spin[3] = {0, 0, kEarthSpin};
  temeToFixed(jd, v, vf);
  eraPxp(spin, fixed, carried);
  eraPmp(vf, carried, vf);
  toHorizon(s, vf, velocity);
}

class MechanicsSatellites : public ::testing::Test {
 protected:
  MechanicsSatellites() : world({}, mechanics_test::satelliteRecordsFromLines(kSets)), chart(&world.database()) {}
  // Our topocentric place (horizon axes, km) of the satellite at UT jd.
  CSatellite* observe(int set, const Site& s, double jd, double place[3]) {
    CSatellite* satellite = world.satellite(
        static_cast<std::uint32_t>(mechanics_test::elementsFromLines(kSets[set].line1,
                                                                     kSets[set].line2)
                                       .catalogueNumber));
    chart.setLocation(s.lon, s.lat, s.heightKm * 1000);
    chart.setJulianDate(jd);
    chart.updateObjectPosition(satellite);
    double direction[3];
    satellite->getPosition(direction);
    vectorScale(direction, satellite->getDistance() * kKmPerAU);
    chart.fundamentalToHorizon(direction, place);
    return satellite;
  }
  SolarSystemWorld world;
  CSkyMechanics chart;
};

// Light time and aberration off: the range within 1 m whatever the epoch
// options; the direction within 1 m across the line of sight with
// nutation on (current and fixed epoch); the range rate and the
// Earth-fixed velocity within 1 cm/s.
TEST_F(MechanicsSatellites, TopocentricPlaceMatchesTheErfaChain) {
  chart.lightTime = 0;
  chart.aberration = 0;
  double worstRange = 0, worstAcross = 0, worstRate = 0, worstVelocity = 0;
  int cases = 0;
  for (int set = 0; set < static_cast<int>(std::size(kSets)); ++set) {
    const SatelliteElementSet el = mechanics_test::elementsFromLines(kSets[set].line1,
                                                                     kSets[set].line2);
    for (double hours = -30; hours <= 40; hours += 7.3) {
      // The date as the chart holds it; the chain propagates to that very
      // instant (a date of 2.45 million days resolves 40 microseconds).
      const double jd = el.epoch + hours / 24;
      const double tsince = (jd - el.epoch) * 1440;
      double r[3], v[3], theirs[3], theirVelocity[3];
      propagate(el, tsince, r, v);
      for (const Site& s : kSites) {
        chain(s, jd, r, v, theirs, theirVelocity);
        for (const EpochOption& option : kEpochOptions) {
          chart.setEpoch(option.current, option.nutation, option.fixed);
          double ours[3];
          CSatellite* satellite = observe(set, s, jd, ours);
          const double range = eraPm(theirs);
          worstRange = std::max(worstRange, std::fabs(eraPm(ours) - range) * 1000);
          if (option.nutation) {
            double a[3], b[3], ourRange, theirRange;
            eraPn(ours, &ourRange, a);
            eraPn(theirs, &theirRange, b);
            worstAcross = std::max(worstAcross, vectorDistance(a, b) * range * 1000);
          }
          // Relative state in the working frame, AU and AU/day.
          double position[3], velocity[3];
          vectorSubtract(satellite->getHeliocentricPosition(nullptr), chart.observerPosition,
                         position);
          satellite->getHeliocentricVelocity(velocity);
          for (int k = 0; k < 3; ++k)
            velocity[k] -= chart.observerVelocity[k] / kLightTimeDaysPerAU;
          const double rate = vectorDot(position, velocity) / vectorLength(position);
          const double theirRate = eraPdp(theirs, theirVelocity) / range;
          worstRate = std::max(worstRate, std::fabs(rate * kKmPerAU / 86400 - theirRate) * 1000);
          double horizonPosition[3], horizonVelocity[3];
          chart.horizonPositionVelocity(position, horizonPosition, velocity, horizonVelocity);
          vectorScale(horizonVelocity, kKmPerAU / 86400);
          if (option.nutation)
            worstVelocity = std::max(worstVelocity,
                                     vectorDistance(horizonVelocity, theirVelocity) * 1000);
          ++cases;
        }
      }
    }
  }
  std::printf("range %.4f m, across %.4f m, rate %.6f m/s, velocity %.6f m/s (%d cases)\n",
              worstRange, worstAcross, worstRate, worstVelocity, cases);
  // Required: 1 m and 1 cm/s; measured 0.4 mm, 3.6 mm and micrometres per
  // second, the rounding of the dates.
  EXPECT_GT(cases, 300);
  EXPECT_LT(worstRange, 0.02);
  EXPECT_LT(worstAcross, 0.02);
  EXPECT_LT(worstRate, 0.001);
  EXPECT_LT(worstVelocity, 0.001);
}

// Light time and aberration on: the chain retards the satellite's TEME
// place by the light time from the site and applies the diurnal
// aberration of the site's velocity, all geocentrically; the engine's
// heliocentric light time and annual aberration cancel to that.
TEST_F(MechanicsSatellites, LightTimeAndDiurnalAberrationAgreeWithTheGeocentricChain) {
  double worst = 0;
  for (int set = 0; set < static_cast<int>(std::size(kSets)); ++set) {
    const SatelliteElementSet el = mechanics_test::elementsFromLines(kSets[set].line1,
                                                                     kSets[set].line2);
    for (double hours = -20; hours <= 20; hours += 6.1) {
      const double jd = el.epoch + hours / 24;
      const double tsince = (jd - el.epoch) * 1440;
      for (const Site& s : kSites) {
        double ours[3];
        observe(set, s, jd, ours);
        // The site in TEME axes, its velocity, and the retarded satellite.
        double fixed[3], site[3], rz[3][3];
        siteFixed(s, fixed);
        eraIr(rz);
        eraRz(-eraGmst82(jd, 0), rz);
        eraRxp(rz, fixed, site);
        double spin[3] = {0, 0, kEarthSpin};
        double siteVelocity[3], r[3], v[3], d[3];
        eraPxp(spin, site, siteVelocity);
        propagate(el, tsince, r, v);
        eraPmp(r, site, d);
        const double tau = eraPm(d) / kLightKmPerSecond;
        propagate(el, tsince - tau / 60, r, v);
        eraPmp(r, site, d);
        double unit[3], apparent[3], beta[3], range;
        eraPn(d, &range, unit);
        eraSxp(1 / kLightKmPerSecond, siteVelocity, beta);
        eraAb(unit, beta, 1.0, std::sqrt(1 - eraPdp(beta, beta)), apparent);
        double apparentFixed[3], theirs[3];
        temeToFixed(jd, apparent, apparentFixed);
        toHorizon(s, apparentFixed, theirs);
        double a[3];
        eraPn(ours, &range, a);
        worst = std::max(worst, vectorSeparation(a, theirs));
      }
    }
  }
  // Required: 0.05"; measured 0.0008" (the second-order terms of the
  // annual aberration).
  std::printf("apparent: worst %.4f\"\n", worst / kArcsec);
  EXPECT_LT(worst, 0.005 * kArcsec);
}

// End to end: an independent propagator given the same element sets and
// UT instants. Within each set's pinned model difference the places agree;
// a satellite propagated to dynamical instead of universal time would be
// some 500 km ahead in low orbit.
TEST_F(MechanicsSatellites, EndToEndAgainstTheIndependentPropagator) {
  chart.lightTime = 0;
  chart.aberration = 0;
  const char* root = std::getenv("TESSALY_SOURCE_DIR");
  const std::string script = std::string(root ? root : ".") + "/tests/engine/sgp4_oracle.py";
  const std::string queries = "/tmp/tessaly_sgp4_queries_" + std::to_string(getpid());
  {
    FILE* out = std::fopen(queries.c_str(), "w");
    ASSERT_NE(out, nullptr);
    for (const SetLines& set : kSets) {
      const SatelliteElementSet el = mechanics_test::elementsFromLines(set.line1, set.line2);
      std::fprintf(out, "%s|%s|%.10f|12|0.1234\n", set.line1, set.line2, el.epoch - 0.6);
    }
    std::fclose(out);
  }
  FILE* pipe = popen(("/usr/bin/python3 " + script + " < " + queries).c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  int rows = 0;
  std::vector<double> worst(std::size(kSets), 0.0);
  for (std::size_t set = 0; set < std::size(kSets); ++set) {
    for (int k = 0; k < 12; ++k) {
      int error;
      double jd, r[3], v[3];
      ASSERT_EQ(std::fscanf(pipe, "%d %lf %lf %lf %lf %lf %lf %lf", &error, &jd, &r[0], &r[1],
                            &r[2], &v[0], &v[1], &v[2]),
                8);
      ASSERT_EQ(error, 0);
      for (const Site& s : kSites) {
        double theirs[3], ours[3];
        chain(s, jd, r, v, theirs, nullptr);
        observe(static_cast<int>(set), s, jd, ours);
        worst[set] = std::max(worst[set], vectorDistance(ours, theirs));
      }
      ++rows;
    }
  }
  pclose(pipe);
  std::remove(queries.c_str());
  EXPECT_EQ(rows, static_cast<int>(12 * std::size(kSets)));
  for (std::size_t set = 0; set < std::size(kSets); ++set) {
    std::printf("set %zu: %.4f km\n", set, worst[set]);
    EXPECT_LT(worst[set], kSets[set].pinnedKm + 0.001) << kSets[set].line1;
  }
}

// Past 30 days from the epoch the secular elements alone place the
// satellite, in the same frame: across the boundary the place moves only by
// the periodic terms the secular model leaves out.
TEST_F(MechanicsSatellites, SecularFallbackIsContinuousAtThirtyDays) {
  for (int set : {0, 2, 4}) {
    const SatelliteElementSet el = mechanics_test::elementsFromLines(kSets[set].line1,
                                                                     kSets[set].line2);
    CSatellite* satellite = world.satellite(static_cast<std::uint32_t>(el.catalogueNumber));
    for (double sign : {-1.0, 1.0}) {
      chart.setJulianDate(el.epoch + sign * 30.0);
      const double t = el.epoch + chart.deltaTInUse + sign * 30.0;
      double inside[3], outside[3];
      chart.computeSatellitePosition(satellite, inside, nullptr, t - sign * 1e-6);
      chart.computeSatellitePosition(satellite, outside, nullptr, t + sign * 1e-6);
      const double jump = vectorDistance(inside, outside) * kKmPerAU;
      const double radius = vectorLength(inside) * kKmPerAU;
      std::printf("set %d at %+.0f days: %.2f km across the window's edge\n", set, sign * 30,
                  jump);
      EXPECT_LT(jump, std::max(40.0, 0.004 * radius)) << set << " " << sign;
      // The position one day further on still follows the orbit.
      double later[3];
      chart.computeSatellitePosition(satellite, later, nullptr, t + sign * 1.0);
      EXPECT_NEAR(vectorLength(later) * kKmPerAU, radius, 0.8 * radius);
    }
  }
}

// In the Earth's umbra a satellite has no magnitude; sunlit it has one, by
// its standard magnitude, range and phase.
TEST(MechanicsSatelliteShadow, UmbraHidesTheSatellite) {
  SatelliteRecord iss;
  iss.elements = mechanics_test::elementsFromLines(mechanics_test::kIssLines[0],
                                                   mechanics_test::kIssLines[1]);
  iss.standardMagnitude = -1.3;
  SolarSystemWorld world({}, {iss});
  CSkyMechanics chart(&world.database());
  CSatellite* satellite = world.satellite(25544);
  ASSERT_NE(satellite, nullptr);
  int shadowed = 0, lit = 0;
  for (double minutes = 0; minutes < 200; minutes += 3.7) {
    chart.setJulianDate(iss.elements.epoch + minutes / 1440);
    chart.updateObjectPosition(satellite);
    // Independent test: behind the Earth (from the Sun) and within a
    // cylinder shrunk by the umbra's taper at ISS altitude.
    double earth[3], geo[3];
    chart.planetState(3, earth, nullptr, chart.dynamicalJulianDate);
    vectorSubtract(satellite->getHeliocentricPosition(nullptr), earth, geo);
    double sunward[3];
    vectorCopy(sunward, earth);
    vectorScale(sunward, -1 / vectorLength(earth));
    const double along = vectorDot(geo, sunward) * kKmPerAU;
    const double across = std::sqrt(vectorDot(geo, geo) * kKmPerAU * kKmPerAU - along * along);
    const double fraction = chart.eclipseFraction(satellite);
    if (along < -500 && across < 6000) {
      EXPECT_EQ(fraction, 1.0) << minutes;
      EXPECT_TRUE(std::isinf(satellite->getMagnitude())) << minutes;
      ++shadowed;
    } else if (along > 0 || across > 6800) {
      EXPECT_EQ(fraction, 0.0) << minutes;
      EXPECT_TRUE(std::isfinite(satellite->getMagnitude())) << minutes;
      ++lit;
    }
  }
  EXPECT_GT(shadowed, 5);
  EXPECT_GT(lit, 5);
}

// Entering the shadow, the Sun's half-degree disc sets behind the Earth's
// limb in some ten seconds of the ISS's orbit: the eclipse value runs
// through partial values for that long, rising, before it reaches 1.
TEST(MechanicsSatelliteShadow, SunSetsGraduallyBehindTheLimb) {
  SatelliteRecord iss;
  iss.elements = mechanics_test::elementsFromLines(mechanics_test::kIssLines[0],
                                                   mechanics_test::kIssLines[1]);
  SolarSystemWorld world({}, {iss});
  CSkyMechanics chart(&world.database());
  CSatellite* satellite = world.satellite(25544);
  double previous = 0, partialSeconds = 0, lastPartial = -1;
  bool sunlit = false, entered = false;
  for (double seconds = 0; seconds < 6000 && !entered; seconds += 0.5) {
    chart.setJulianDate(iss.elements.epoch + seconds / 86400);
    chart.updateObjectPosition(satellite);
    const double fraction = chart.eclipseFraction(satellite);
    if (fraction == 0) sunlit = true;
    if (!sunlit) continue;
    if (fraction > 0 && fraction < 1) {
      EXPECT_GE(fraction, previous) << seconds;
      partialSeconds += 0.5;
      lastPartial = fraction;
    }
    entered = fraction == 1.0 && previous > 0;
    previous = fraction;
  }
  EXPECT_TRUE(entered);
  EXPECT_GT(partialSeconds, 4);
  EXPECT_LT(partialSeconds, 20);
  EXPECT_GT(lastPartial, 0.9);
}

// The orbital frame: the third row along the geocentric position, the
// second along the orbit normal; for category group 80-83 it swings about
// its first axis.
TEST(MechanicsSatelliteFrame, OrbitalFrameAndItsSwing) {
  SatelliteRecord plain, swinging;
  plain.elements = mechanics_test::elementsFromLines(mechanics_test::kIssLines[0],
                                                     mechanics_test::kIssLines[1]);
  swinging = plain;
  swinging.elements.catalogueNumber = 99999;
  swinging.categories = {81};
  SolarSystemWorld world({}, {plain, swinging});
  CSkyMechanics chart(&world.database());
  chart.lightTime = 0;
  chart.setJulianDate(plain.elements.epoch + 0.0003);
  CSatellite* a = world.satellite(25544);
  CSatellite* b = world.satellite(99999);
  chart.updateObjectPosition(a);
  chart.updateObjectPosition(b);
  double ma[9], mb[9], earth[3], geo[3];
  a->getOrientationMatrix(ma);
  b->getOrientationMatrix(mb);
  chart.planetState(3, earth, nullptr, chart.dynamicalJulianDate);
  vectorSubtract(a->getHeliocentricPosition(nullptr), earth, geo);
  vectorNormalize(geo);
  EXPECT_LT(vectorSeparation(ma + 6, geo), 1e-6);
  EXPECT_NEAR(vectorDot(ma, ma + 3), 0, 1e-12);
  EXPECT_NEAR(vectorLength(ma), 1, 1e-12);
  // Same first axis, the others turned by the swing angle.
  EXPECT_LT(vectorSeparation(ma, mb), 1e-9);
  const double angle = 30 * M_PI / 180 *
                       std::sin((chart.dynamicalJulianDate - b->getElementEpoch()) /
                                (60.0 / 86400));
  EXPECT_NEAR(vectorSeparation(ma + 6, mb + 6), std::fabs(angle), 1e-9);
}

}  // namespace
