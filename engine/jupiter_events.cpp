// Search for the phenomena of the Galilean moons and the Red Spot's
// transits, minute by minute, with light time, in Jupiter's equatorial
// frame (the Galilean theory's own), where Jupiter's spheroid has its
// polar axis along z.
#include "engine/jupiter_events.h"

#include <cmath>

#include "engine/angles.h"
#include "engine/astronomical_constants.h"
#include "engine/body_geometry.h"
#include "engine/calendar.h"
#include "engine/compact_series.h"
#include "engine/delta_t.h"
#include "engine/frame_matrices.h"
#include "engine/galilean_moons.h"
#include "engine/matrices.h"
#include "engine/moon_frames.h"
#include "engine/moon_rotation.h"
#include "engine/precession.h"
#include "engine/rotation_models.h"
#include "engine/vectors.h"

namespace {

constexpr double kMinute = 0.0006944444444444445;  // day
// The transit test's spheroid stores Jupiter's equatorial radius to 15
// decimals of an AU; the eclipse test takes it whole.
constexpr double kJupiterTransitRadiusAU = 0.000477894504781;

using MoonTheory = void (*)(double*, double*, double*, double);
constexpr MoonTheory kMoons[4] = {ioPosition, europaPosition, ganymedePosition,
                                  callistoPosition};

struct MoonFlags {
  bool transit = false, occulted = false, shadow = false, eclipsed = false;
};

// Heliocentric rectangular position from longitude, latitude and distance.
void heliocentric(double v[3], void (*series)(double*, double*, double*, double),
                  double jde) {
  double l, b, r;
  series(&l, &b, &r, jde);
  sphericalToVector(v, l, b, r);
}

// Whether the ray from `origin` along `direction` meets Jupiter.
bool hitsJupiter(const double origin[3], const double direction[3]) {
  static const double kCentre[3] = {0.0, 0.0, 0.0};
  return intersectRaySpheroid(origin, direction, kCentre, nullptr, nullptr,
                              kJupiterTransitRadiusAU, kJupiterFlattening) == 1;
}

class EventWriter {
 public:
  EventWriter(JupiterEvent* records, int max) : records_(records), max_(max) {}
  void add(double t, std::int32_t moon, std::int32_t code) {
    if (full()) return;
    records_[count_++] = {std::round(t / kMinute) * kMinute, moon, code};
  }
  bool full() const { return count_ >= max_; }
  int count() const { return count_; }

 private:
  JupiterEvent* records_;
  int max_;
  int count_ = 0;
};

}  // namespace

int findJupiterEvents(JupiterEvent* records, int max, double jd0, double jd1) {
  if (!records || max <= 0 || !(jd0 < jd1)) return 0;
  // A minute-by-minute search is bounded, so that no request runs for long.
  jd1 = std::fmin(jd1, jd0 + kJupiterEventMaxSpan);
  const double jdm = 0.5 * (jd0 + jd1);
  const double dt = deltaT(jdm) / kSecondsPerDay;

  // Jupiter's equatorial frame to J2000, and the ecliptic and equinox of
  // date (the compact series') to J2000; then both into Jupiter's frame.
  double toJ2000[9], precession[9];
  jupiterEquatorFrame(toJ2000);
  precessionMatrix(precession, 0, kB1950, kJ2000);
  matrixMultiply(precession, toJ2000);
  double eclipticToJ2000[9];
  eclipticMatrix(eclipticToJ2000, -1, meanObliquity(jdm));
  precessionMatrix(precession, 0, jdm, kJ2000);
  matrixMultiply(precession, eclipticToJ2000);
  double eclipticToJupiter[9];
  matrixCopy(eclipticToJupiter, eclipticToJ2000);
  transposeMultiply(toJ2000, eclipticToJupiter);

  EventWriter out(records, max);
  MoonFlags previous[4];
  int previousShadows = 0;
  double previousSpot = 0.0;
  bool first = true;
  for (double t = jd0; t < jd1 && !out.full(); t += kMinute) {
    const double jde = t + dt;
    double earth[3], jupiter[3], los[3];
    heliocentric(earth, earthCompactSeries, jde);
    heliocentric(jupiter, jupiterCompactSeries, jde);
    double tau = vectorDistance(jupiter, earth) / kLightSpeedAUPerDay;
    heliocentric(jupiter, jupiterCompactSeries, jde - tau);
    tau = vectorDistance(jupiter, earth) / kLightSpeedAUPerDay;
    const double jdLeft = jde - tau;

    // Red Spot: the central meridian (System II) passing its longitude.
    vectorSubtract(jupiter, earth, los);
    matrixTimesVector(eclipticToJ2000, los);
    double ra, dec, w, rate, centralMeridian;
    jupiterRotation(&ra, &dec, &w, &rate, jdLeft, 2);
    subPointOnBody(los, &centralMeridian, nullptr, nullptr, ra, dec, w);
    const double spot = normalizeRadians(greatRedSpotLongitude(jdLeft) - centralMeridian);
    if (!first && previousSpot < kPi && spot > kPi) out.add(t, 0, kJupiterRedSpotTransit);
    previousSpot = spot;

    // Line of sight and sunlight in Jupiter's frame.
    vectorSubtract(jupiter, earth, los);
    matrixTimesVector(eclipticToJupiter, los);
    vectorNormalize(los);
    double towardEarth[3] = {-los[0], -los[1], -los[2]};
    double sunlight[3];
    vectorCopy(sunlight, jupiter);
    matrixTimesVector(eclipticToJupiter, sunlight);
    const double sunDistance = vectorNormalize(sunlight);

    int shadows = 0;
    for (int k = 0; k < 4 && !out.full(); ++k) {
      double m[3];
      kMoons[k](&m[0], &m[1], &m[2], jdLeft);
      MoonFlags now;
      now.transit = hitsJupiter(m, los);
      now.occulted = hitsJupiter(m, towardEarth);
      now.shadow = hitsJupiter(m, sunlight);
      const double distance = vectorLength(m);
      double fromSun[3];
      vectorScaleAdd(sunlight, m, fromSun, sunDistance);
      const double separation = std::acos(std::fmax(-1.0, std::fmin(1.0,
          vectorDot(m, sunlight) / distance)));
      // Inside the umbra: closer to the anti-Sun line than Jupiter's
      // apparent radius less the Sun's, both as seen from the moon.
      now.eclipsed = separation < angularRadius(kJupiterEquatorialRadiusAU, distance) -
                                      angularRadius(kSunRadiusAU, vectorLength(fromSun));
      if (now.shadow) ++shadows;

      const MoonFlags& was = previous[k];
      const int moon = k + 1;
      if (!first) {
        if (now.transit != was.transit)
          out.add(t, moon, kJupiterTransit + (now.transit ? 0 : kJupiterEventEnd));
        if (now.shadow != was.shadow)
          out.add(t, moon, kJupiterShadowTransit + (now.shadow ? 0 : kJupiterEventEnd));
        if (now.occulted && !was.occulted && !now.eclipsed)
          out.add(t, moon, kJupiterOccultation);
        if (!now.occulted && was.occulted) {
          // Coming out of Jupiter's disk straight into its shadow: the
          // eclipse begins now unless it had begun behind the disk.
          if (!now.eclipsed)
            out.add(t, moon, kJupiterOccultation + kJupiterEventEnd);
          else if (!was.eclipsed)
            out.add(t, moon, kJupiterEclipse);
        }
        if (now.eclipsed && !was.eclipsed && !now.occulted && !was.occulted)
          out.add(t, moon, kJupiterEclipse);
        if (!now.eclipsed && was.eclipsed && !now.occulted)
          out.add(t, moon, kJupiterEclipse + kJupiterEventEnd);
      }
      previous[k] = now;
    }
    if (!first && shadows >= 2 && previousShadows < 2)
      out.add(t, -1, kJupiterShadowTransit);
    if (!first && shadows < 2 && previousShadows >= 2)
      out.add(t, -1, kJupiterShadowTransit + kJupiterEventEnd);
    previousShadows = shadows;
    first = false;
  }
  return out.count();
}
