// CSkyCoordinates: frames of date checked against ERFA, consistency between
// the frames, and the rebuild rules of the setters.
#include <erfa.h>
#include <gtest/gtest.h>

#include <cmath>

#include "engine/angles.h"
#include "engine/daylight_saving.h"
#include "engine/locations.h"
#include "engine/sky_coordinates.h"
#include "engine/vectors.h"

namespace {

constexpr double kArcsecond = 1 / 206264.80624714843;
constexpr double kDegree = 0.01745329251993889;

double separation(double lon1, double lat1, double lon2, double lat2) {
  double a[3], b[3];
  sphericalToVector(a, lon1, lat1, 1);
  sphericalToVector(b, lon2, lat2, 1);
  return vectorSeparation(a, b);
}

class SkyCoordinates : public ::testing::Test {
 protected:
  SkyCoordinates() {
    sky.setLocation(-70.4 * kDegree, -24.6 * kDegree, 2600);
    sky.setJulianDate(2460000.3);
  }
  CSkyCoordinates sky;
};

TEST_F(SkyCoordinates, HorizonAndEquatorOfDateMatchErfa) {
  double jd = sky.julianDate, pn[3][3];
  eraPnm80(jd, 0, pn);
  double gast = eraGmst82(jd, 0) + eraEqeq94(jd, 0);
  for (double ra = 0.3; ra < 6.2; ra += 0.8) {
    for (double dec = -1.3; dec < 1.4; dec += 0.4) {
      double v[3], e[3], h[3], q[3];
      sphericalToVector(v, ra, dec, 1);
      eraRxp(pn, v, e);
      double raDate, decDate, az, alt, eaz, ealt;
      eraC2s(e, &raDate, &decDate);
      eraHd2ae(gast + sky.longitude - raDate, decDate, sky.latitude, &eaz, &ealt);
      sky.fundamentalToHorizon(v, h);
      vectorToSpherical(h, &az, &alt, nullptr);
      ASSERT_LT(separation(az, alt, eaz, ealt), 1.5 * kArcsecond) << ra << " " << dec;
      sky.fundamentalToEquatorial(v, q);
      ASSERT_LT(vectorSeparation(q, e), 1 * kArcsecond);
    }
  }
}

TEST_F(SkyCoordinates, EclipticAndGalacticMatchErfa) {
  sky.setEpoch(1, 0, 2451545.0);  // mean ecliptic and equinox of date
  for (double ra = 0.3; ra < 6.2; ra += 1.1) {
    for (double dec = -1.3; dec < 1.4; dec += 0.6) {
      double v[3], ecl[3], gal[3], lon, lat, elon, elat, l, b, el, eb;
      sphericalToVector(v, ra, dec, 1);
      sky.fundamentalToEcliptic(v, ecl);
      vectorToSpherical(ecl, &lon, &lat, nullptr);
      eraEqec06(sky.julianDate, 0, ra, dec, &elon, &elat);  // 0.04" apart in eps0
      ASSERT_LT(separation(lon, lat, elon, elat), 0.1 * kArcsecond);
      sky.fundamentalToGalactic(v, gal);
      vectorToSpherical(gal, &l, &b, nullptr);
      eraIcrs2g(ra, dec, &el, &eb);
      ASSERT_LT(separation(l, b, el, eb), 2 * kArcsecond);
      sky.galacticToFundamental(gal, gal);
      ASSERT_LT(vectorSeparation(gal, v), 1e-12);
    }
  }
}

TEST_F(SkyCoordinates, ZenithLiesOverTheObserverInTheEarthFrame) {
  double zenith[3] = {0, 0, 1}, v[3], lon, lat;
  sky.horizonToFundamental(zenith, v);
  sky.convertCoordSystem(kCoordFundamental, kCoordBodyFixed, v, v);
  vectorToSpherical(v, &lon, &lat, nullptr);
  // Frame 5 turns with mean sidereal time, the horizon with apparent time:
  // they differ by the equation of the equinoxes (up to 16").
  double equinoxes = sky.nutationLongitude * std::cos(sky.obliquity);
  EXPECT_GT(std::fabs(equinoxes), 1 * kArcsecond);
  EXPECT_LT(separation(lon, lat, sky.longitude + equinoxes, sky.latitude), 1e-9);
  double north[3] = {1, 0, 0};
  sky.convertCoordSystem(kCoordHorizon, kCoordEquatorial, north, v);
  vectorToSpherical(v, &lon, &lat, nullptr);
  EXPECT_NEAR(lat, kHalfPi + sky.latitude, 1e-9);  // the pole below the north point
}

TEST_F(SkyCoordinates, ConversionsBetweenAllSystemsRoundTrip) {
  double v[3];
  sphericalToVector(v, 1.2, 0.4, 1);
  for (int from = 0; from <= 6; ++from) {
    for (int to = 0; to <= 6; ++to) {
      double w[3], back[3];
      sky.convertCoordSystem(from, to, v, w);
      sky.convertCoordSystem(to, from, w, back);
      ASSERT_LT(vectorSeparation(back, v), 1e-12) << from << " " << to;
    }
  }
  double lon, lat;
  sky.convertCoordSystemLonLat(4, 4, -0.5, 0.3, &lon, &lat);
  EXPECT_NEAR(lon, kTwoPi - 0.5, 1e-12);
  EXPECT_NEAR(lat, 0.3, 1e-12);
}

TEST_F(SkyCoordinates, SettersRebuildFramesAndPlace) {
  double lst = sky.localSiderealTime;
  sky.setJulianDate(sky.julianDate + 1.0 / 24);
  EXPECT_NEAR(normalizeRadiansSigned(sky.localSiderealTime - lst), 1.0027379 * kTwoPi / 24, 1e-5);
  EXPECT_EQ(sky.epoch, sky.julianDate);

  sky.setEpoch(0, 0, 2451545.0);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(sky.equatorialFrame[i], i % 4 == 0 ? 1 : 0);
  EXPECT_EQ(sky.nutationLongitude, 0);

  sky.dstRule = 7;
  sky.setLocation(sky.longitude, sky.latitude, 100);  // only the height moves
  EXPECT_EQ(sky.altitude, 100);
  EXPECT_EQ(sky.dstRule, 7);
  sky.setLocation(0.1, 0.2, 100);
  EXPECT_EQ(sky.dstRule, 0);
  initLocationDatabase(0);
  sky.autoDST = 1;
  sky.setLocation(151.21 * kDegree, -33.87 * kDegree, 0);  // Sydney
  EXPECT_EQ(sky.dstRule, kDstSouthEastAustralia);
}

TEST_F(SkyCoordinates, FormattersUseTheirCodes) {
  char b[64];
  sky.formatRA(b, sizeof b, 5.5 * 15 * kDegree);
  EXPECT_STREQ(b, "05h 30m 00.00s");
  sky.formatDec(b, sizeof b, -12.5 * kDegree);
  EXPECT_STREQ(b, "-12° 30' 00.0\"");
  sky.formatLongitude(b, sizeof b, -70.5 * kDegree);
  EXPECT_STREQ(b, "070° 30' 00.0\" W");
  sky.formatLatitude(b, sizeof b, -24.5 * kDegree);
  EXPECT_STREQ(b, "24° 30' 00.0\" S");
  sky.setAzimuthFormat(0);
  sky.formatAzimuth(b, sizeof b, 90 * kDegree);
  EXPECT_STREQ(b, "090.000000°");
}

}  // namespace
