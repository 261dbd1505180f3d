#include "tests/chart/star_view.h"

#include <erfa.h>

#include <algorithm>
#include <cmath>

#include "engine/angles.h"
#include "skydata/sky_database.h"

namespace chart_test {

namespace {

constexpr double kDegree = 0.017453292519943295;
// The site (east longitude and latitude in radians, height in metres) and
// the moment (UTC, taken as UT1).
constexpr double kLongitude = 0.2, kLatitude = 0.8, kHeight = 100;
constexpr double kDate = 2461000.25;
constexpr float kDistance = 100;  // parsecs

struct Frame {
  double x[3], y[3], z[3];  // view axes in the frame of the places
};

// X towards (lon, lat), Z towards the pole orthogonalised, Y = Z x X.
Frame viewFrame(double lon, double lat) {
  Frame f;
  double pole[3] = {0, 0, 1};
  eraS2c(lon, lat, f.x);
  double along = eraPdp(pole, f.x);
  for (int i = 0; i < 3; ++i) f.z[i] = pole[i] - along * f.x[i];
  eraPn(f.z, &along, f.z);
  eraPxp(f.z, f.x, f.y);
  return f;
}

// Observed place of an ICRS place with its proper motion (radians per
// year, RA rate as dRA/dt) and parallax (arcseconds).
void observe(double ra, double dec, double pmRA, double pmDec, double parallax, double* az,
             double* zd, double* ha, double* decOut) {
  double aob, zob, hob, dob, rob, eo;
  eraAtco13(ra, dec, pmRA, pmDec, parallax, 0, kDate, 0, 0, kLongitude, kLatitude, kHeight, 0, 0,
            0, 0, 0, 0, &aob, &zob, &hob, &dob, &rob, &eo);
  *az = aob, *zd = zob, *ha = hob, *decOut = dob;
}

// The horizon scene's view: due south, 45 degrees up, stereographic 90.
constexpr double kHorizonField = 90 * kDegree, kHorizonAzimuth = kPi,
                 kHorizonAltitude = 45 * kDegree;
constexpr int kSceneWidth = 640, kSceneHeight = 400;

// Screen point of an observed place on the horizon scene. Looking along X
// with the zenith up, Y is the left, towards falling azimuth.
ExpectedStar onHorizonScene(const std::string& name, double az, double zd) {
  const double s = std::tan(kHorizonField / 4) / (std::min(kSceneWidth, kSceneHeight) / 2.0);
  Frame f = viewFrame(0, kHorizonAltitude);
  double d[3];
  eraS2c(kHorizonAzimuth - az, kHalfPi - zd, d);
  const double u = eraPdp(d, f.y) / (1 + eraPdp(d, f.x));
  const double w = eraPdp(d, f.z) / (1 + eraPdp(d, f.x));
  return {name, kSceneWidth / 2.0 - u / s, kSceneHeight / 2.0 - w / s};
}

// Greenwich apparent sidereal time of the moment.
double apparentSiderealTime() {
  double tai1, tai2, tt1, tt2;
  eraUtctai(kDate, 0, &tai1, &tai2);
  eraTaitt(tai1, tai2, &tt1, &tt2);
  return eraGst06a(kDate, 0, tt1, tt2);
}

// The expected stars whose light no other star's sprite reaches (any
// placed star, in view or not, within `clearance` pixels).
std::vector<ExpectedStar> apart(const std::vector<ExpectedStar>& placed, int width, int height) {
  constexpr double kClearance = 28, kMargin = 15;
  std::vector<ExpectedStar> kept;
  for (const ExpectedStar& e : placed) {
    if (!(e.x > kMargin && e.y > kMargin && e.x < width - kMargin && e.y < height - kMargin))
      continue;
    bool alone = true;
    for (const ExpectedStar& other : placed)
      if (&other != &e && std::hypot(other.x - e.x, other.y - e.y) < kClearance) alone = false;
    if (alone) kept.push_back(e);
  }
  return kept;
}

// The catalogue's own rounding: places are stored as floats.
double stored(double radians) { return static_cast<float>(radians); }

// The scene's chart maker: the site and moment, no refraction, planets
// and names off, the Sun selected, the view centred on (lon, lat) of the
// system, and the star limit 6 at the field.
ChartMaker chartMaker(int width, int height, int system, double lon, double lat, int projection,
                      double fov) {
  return [=](CSkyDatabase& database) {
    auto chart = std::make_unique<CSkyChart>(&database, "");
    chart->setViewport(0, 0, static_cast<float>(width), static_cast<float>(height));
    chart->setLocation(kLongitude, kLatitude, kHeight);
    chart->setJulianDate(kDate);
    chart->refraction = 0;
    chart->showPlanets = false;
    chart->showStarNames = false;
    SkyObjectID sun;
    CSkyDatabase::setSunObjectID(&sun);
    chart->selectObject(&sun);
    chart->setDisplayCoordSystem(system);
    chart->CSkyProjection::setDisplayCenter(system, lon, lat, 0);
    chart->setDisplayProjection(projection);
    chart->setDisplayFOV(fov);
    chart->setStarMagnitudeLimit(6);
    return chart;
  };
}

}  // namespace

ExpectedStar observedOnHorizonScene(const std::string& name, double ra, double dec,
                                    double pmRA, double pmDec, double parallax) {
  double az, zd, ha, od;
  observe(ra, dec, pmRA, pmDec, parallax, &az, &zd, &ha, &od);
  return onHorizonScene(name, az, zd);
}

StarScene horizonScene() {
  StarScene scene;
  scene.width = kSceneWidth, scene.height = kSceneHeight;
  int n = 0;
  for (double alt = 14; alt <= 80; alt += 11)
    for (double az = 120; az <= 240; az += 15) {
      double ra, dec;
      eraAtoc13("A", az * kDegree, (90 - alt) * kDegree, kDate, 0, 0, kLongitude, kLatitude,
                kHeight, 0, 0, 0, 0, 0, 0, &ra, &dec);
      StarDefinition star;
      star.ra = stored(ra) / kDegree, star.dec = stored(dec) / kDegree;
      star.magnitude = 1.5f + 0.5f * (n % 8);
      star.distance = kDistance;
      star.name = "H" + std::to_string(n++);
      scene.catalogue.push_back(star);
      scene.expected.push_back(observedOnHorizonScene(star.name, stored(ra), stored(dec), 0, 0,
                                                      1.0 / kDistance));
    }
  scene.expected = apart(scene.expected, scene.width, scene.height);
  scene.makeChart = chartMaker(scene.width, scene.height, kCoordHorizon, kHorizonAzimuth,
                               kHorizonAltitude, 3, kHorizonField);
  return scene;
}

StarScene equatorialScene() {
  StarScene scene;
  scene.width = kSceneWidth, scene.height = kSceneHeight;
  const double fov = 20 * kDegree, ra0 = 80 * kDegree, dec0 = 20 * kDegree;
  const double gast = apparentSiderealTime();
  auto ofDate = [&](double ra, double dec, double* raDate, double* decDate) {
    double az, zd, ha;
    observe(ra, dec, 0, 0, 1.0 / kDistance, &az, &zd, &ha, decDate);
    *raDate = eraAnp(gast + kLongitude - ha);
  };
  double centreRA, centreDec;
  ofDate(ra0, dec0, &centreRA, &centreDec);
  Frame f = viewFrame(centreRA, centreDec);
  const double s = std::tan(fov / 2) / (std::min(scene.width, scene.height) / 2.0);
  int n = 0;
  for (double dd = -8; dd <= 8; dd += 2.25)
    for (double dr = -13; dr <= 13; dr += 2.6) {
      StarDefinition star;
      const double ra = stored(ra0 + dr * kDegree), dec = stored(dec0 + dd * kDegree);
      star.ra = ra / kDegree, star.dec = dec / kDegree;
      star.magnitude = 1.5f + 0.5f * (n % 8);
      star.distance = kDistance;
      star.name = "E" + std::to_string(n++);
      double raDate, decDate, d[3];
      ofDate(ra, dec, &raDate, &decDate);
      eraS2c(raDate, decDate, d);
      const double along = eraPdp(d, f.x);
      scene.catalogue.push_back(star);
      scene.expected.push_back({star.name, scene.width / 2.0 - eraPdp(d, f.y) / along / s,
                                scene.height / 2.0 - eraPdp(d, f.z) / along / s});
    }
  scene.expected = apart(scene.expected, scene.width, scene.height);
  scene.makeChart = chartMaker(scene.width, scene.height, kCoordEquatorial, centreRA, centreDec,
                               1, fov);
  return scene;
}

}  // namespace chart_test
