// Rotation models after the IAU/IAG working group on cartographic
// coordinates and rotational elements (Archinal et al., Celest. Mech. Dyn.
// Astr. 109, 2011, and earlier reports), in the form and with the values
// this engine has always used.

#include "engine/rotation_models.h"

#include <cmath>

#include "engine/angles.h"
#include "engine/calendar.h"
#include "engine/matrices.h"
#include "engine/vectors.h"

namespace {

double daysSinceJ2000(double jd) { return jd - kJ2000; }
double centuriesSinceJ2000(double jd) { return (jd - kJ2000) / kDaysPerJulianCentury; }

// Writes one model: pole in degrees, W in degrees (reduced, then negated for
// bodies whose longitudes count eastward), rate in radians per day.
void store(double* ra, double* dec, double* w, double* rate, double raDegrees,
           double decDegrees, double wDegrees, bool eastward, double radPerDay) {
  if (ra) *ra = raDegrees * kRadiansPerDegree;
  if (dec) *dec = decDegrees * kRadiansPerDegree;
  const double reduced = normalizeRadians(wDegrees * kRadiansPerDegree);
  if (w) *w = eastward ? -reduced : reduced;
  if (rate) *rate = radPerDay;
}

struct MinorBodyModel {
  long number;
  double ra, dec, w0, degreesPerDay;
};

constexpr MinorBodyModel kMinorBodies[] = {
    {1, 291.0, 59.0, 170.9, 952.1532},
    {2, 33.0, -3.0, 38.0, 1105.8036},
    {4, 309.031, 42.235, 285.39, 1617.3329428},
    {21, 52.0, 12.0, 94.0, 1057.7515},
    {243, 168.76, -2.88, 265.95, 1864.628007},
    {433, 11.35, 17.22, 326.07, 1639.38864745},
    {511, 297.0, 5.0, 268.1, 1684.4193549},
    {951, 9.47, 26.7, 83.67, 1226.911485},
    {25143, 90.53, -66.3, 0.0, 712.143},
    {134340, 132.993, -6.163, 302.695, 56.3625225},
};

}  // namespace

void sunRotation(double* ra, double* dec, double* w, double* rate, double jd) {
  const double d = daysSinceJ2000(jd);
  store(ra, dec, w, rate, 286.13, 63.87, 84.1 + 14.1844 * d, true,
        0.24756448241982118);
}

void mercuryRotation(double* ra, double* dec, double* w, double* rate, double jd) {
  const double d = daysSinceJ2000(jd), t = centuriesSinceJ2000(jd);
  store(ra, dec, w, rate, 281.01 - 0.033 * t, 61.45 - 0.005 * t,
        329.71 + 6.1385025 * d, false, 0.10713707976687618);
}

void venusRotation(double* ra, double* dec, double* w, double* rate, double jd) {
  const double d = daysSinceJ2000(jd);
  store(ra, dec, w, rate, 272.78, 67.21, 159.91 - 1.4814205 * d, true,
        -0.02585566533153413);
}

void earthRotation(double* ra, double* dec, double* w, double* rate, double jd) {
  const double d = daysSinceJ2000(jd), t = centuriesSinceJ2000(jd);
  store(ra, dec, w, rate, 0.0 - 0.641 * t, 90.0 - 0.557 * t,
        190.21 + 360.9856123 * d, true, 6.30038748696115);
}

void marsRotation(double* ra, double* dec, double* w, double* rate, double jd) {
  const double d = daysSinceJ2000(jd), t = centuriesSinceJ2000(jd);
  store(ra, dec, w, rate, 317.681 - 0.108 * t, 52.886 - 0.061 * t,
        176.868 + 350.891983 * d, false, 6.124220422200423);
}

void jupiterRotation(double* ra, double* dec, double* w, double* rate, double jd,
                     int system) {
  const double d = daysSinceJ2000(jd), t = centuriesSinceJ2000(jd);
  const double poleRa = 268.05 - 0.009 * t, poleDec = 64.49 + 0.003 * t;
  if (system == 1) {
    store(ra, dec, w, rate, poleRa, poleDec, 67.1 + 877.9 * d, false,
          15.32224550325435);
  } else if (system == 2) {
    store(ra, dec, w, rate, poleRa, poleDec, 43.3 + 870.27 * d, false,
          15.189076881327217);
  } else {
    store(ra, dec, w, rate, poleRa, poleDec, 284.95 + 870.536 * d, false,
          15.19371945713752);
  }
}

void saturnRotation(double* ra, double* dec, double* w, double* rate, double jd,
                    int system) {
  const double d = daysSinceJ2000(jd), t = centuriesSinceJ2000(jd);
  const double poleRa = 40.66 - 0.036 * t, poleDec = 83.52 - 0.004 * t;
  if (system == 1) {
    store(ra, dec, w, rate, poleRa, poleDec, 227.2037 + 844.3 * d, false,
          14.735814874584403);
  } else {
    store(ra, dec, w, rate, poleRa, poleDec, 38.9 + 810.7939024 * d, false,
          14.151023151969982);
  }
}

void uranusRotation(double* ra, double* dec, double* w, double* rate, double jd) {
  const double d = daysSinceJ2000(jd);
  store(ra, dec, w, rate, 257.43, -15.1, 203.81 - 501.1600928 * d, false,
        -8.74689369895812);
}

// The pole circles its mean place: 0.70 degrees of right ascension at this
// declination are the 0.51 of the declination term.
void neptuneRotation(double* ra, double* dec, double* w, double* rate, double jd) {
  const double d = daysSinceJ2000(jd), t = centuriesSinceJ2000(jd);
  const double n = 357.85 + 52.316 * t;
  store(ra, dec, w, rate, 299.36 + 0.70 * sinDegrees(n), 43.46 - 0.51 * cosDegrees(n),
        253.18 + 536.3128492 * d - 0.48 * sinDegrees(n), false, 9.360425039289472);
}

// The prime meridian faces Charon. With the north pole taken on the side of
// positive rotation (132.993, -6.163) W0 is 302.695; 237.305 belongs to the
// opposite pole and a decreasing W.
void plutoRotation(double* ra, double* dec, double* w, double* rate, double jd) {
  const double d = daysSinceJ2000(jd);
  store(ra, dec, w, rate, 132.993, -6.163, 302.695 + 56.3625225 * d, false,
        0.9837115923541373);
}

void moonRotation(double* ra, double* dec, double* w, double* rate, double jd) {
  const double d = daysSinceJ2000(jd);
  const double e1 = 125.045 - 0.052992 * d, e2 = 249.39 - 0.105948 * d;
  const double e3 = 196.694 - 13.012 * d, e4 = 176.63 + 13.340716 * d;
  const double e5 = 358.219 - 0.9856 * d;
  store(ra, dec, w, rate,
        270.0 - 3.878 * sinDegrees(e1) - 0.12 * sinDegrees(e2) + 0.07 * sinDegrees(e3) -
            0.017 * sinDegrees(e4),
        66.534 + 1.543 * cosDegrees(e1) + 0.024 * cosDegrees(e2) - 0.028 * cosDegrees(e3) +
            0.007 * cosDegrees(e4),
        38.314 + 13.1763581 * d + 3.558 * sinDegrees(e1) + 0.121 * sinDegrees(e2) -
            0.064 * sinDegrees(e3) + 0.016 * sinDegrees(e4) + 0.025 * sinDegrees(e5),
        true, 0.2299708322667662);
}

int rotationElementsAsteroid(long number, double* ra, double* dec, double* w,
                             double* rate, double jd) {
  for (const MinorBodyModel& body : kMinorBodies) {
    if (body.number != number) continue;
    store(ra, dec, w, rate, body.ra, body.dec,
          body.w0 + body.degreesPerDay * daysSinceJ2000(jd), false,
          body.degreesPerDay * kRadiansPerDegree);
    return 1;
  }
  return 0;
}

void bodyFixedMatrix(double matrix[9], int direction, double ra, double dec,
                     double w) {
  if (direction >= 1) {
    rotationMatrix(matrix, 3, 2, -(ra + kHalfPi), 0, -(kHalfPi - dec), 2, -std::fabs(w));
  } else {
    rotationMatrix(matrix, 3, 2, std::fabs(w), 0, kHalfPi - dec, 2, ra + kHalfPi);
  }
}

void subPointOnBody(const double vector[3], double* lon, double* lat,
                    double* poleAngle, double ra, double dec, double w) {
  double matrix[9], reversed[3];
  bodyFixedMatrix(matrix, 1, ra, dec, w);
  vectorCopy(reversed, vector);
  matrixTimesVector(matrix, vectorScale(reversed, -1.0));
  double longitude, latitude;
  vectorToSpherical(reversed, &longitude, &latitude, nullptr);
  if (w > 0.0) longitude = kTwoPi - longitude;
  if (lon) *lon = longitude;
  if (lat) *lat = latitude;
  if (poleAngle) {
    double direction[3], pole[3];
    vectorCopy(direction, vector);
    vectorNormalize(direction);
    sphericalToVector(pole, ra, dec, 1.0);
    *poleAngle = positionAngle(direction, pole);
  }
}
