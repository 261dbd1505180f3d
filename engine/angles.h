// Angle constants, reduction of angles to a range, degree-minute-second
// splitting, angular separation and position angle.
//
// Angles are radians unless a name says otherwise.
#pragma once

#include <cmath>

// The engine's circle constants are stored truncated and used as stored
// everywhere, so that angles reduced in one place match those reduced in
// another to the last bit.
inline constexpr double kPi = 3.141592653589;
inline constexpr double kHalfPi = 1.5707963267945;
inline constexpr double kTwoPi = 6.283185307178;
// Three-quarters of a turn: kTwoPi - kHalfPi as stored.
inline constexpr double kThreeHalfPi = 4.7123889803835;

inline constexpr double kDegreesPerRadian = 180.0 / kPi;
inline constexpr double kRadiansPerDegree = kPi / 180.0;
inline constexpr double kHoursPerRadian = 12.0 / kPi;
inline constexpr double kRadiansPerHour = kPi / 12.0;

// 180/pi and 12/pi to double precision, for the formulas that state them
// instead of going through the stored circle constants (magnitude laws,
// the constellation lookup).
inline constexpr double kDegreesPerRadianPrecise = 57.29577951309679;
inline constexpr double kHoursPerRadianPrecise = 3.8197186342064526;

// Sine and cosine of an angle in degrees, through the engine's constant.
inline double sinDegrees(double degrees) { return std::sin(degrees * kRadiansPerDegree); }
inline double cosDegrees(double degrees) { return std::cos(degrees * kRadiansPerDegree); }

// atan2 in [0, 2pi); (0, 0) gives 0.
double positiveAtan2(double y, double x);

// x reduced to [0, 2pi), [0, 24) and [0, 360).
double normalizeRadians(double x);
double normalizeHours(double x);
double normalizeDegrees(double x);

// x reduced to (-pi, pi].
double normalizeRadiansSigned(double x);

// Degrees from a degree-minute-second triple. Only `sign` ('-') negates; the
// sign of `degrees` is ignored.
double dmsToDecimal(int degrees, int minutes, double seconds, char sign);

// Splits |value| into whole degrees, whole minutes and seconds; `sign` is '+'
// for value >= 0, else '-'. Magnitudes beyond the range of int give degrees
// INT_MAX and zero minutes and seconds; NaN gives '+', 0, 0, 0. Any output
// may be null.
void decimalToDMS(double value, char* sign, int* degrees, int* minutes,
                  double* seconds);

// Splits |value| into whole degrees and decimal minutes, as decimalToDMS.
void decimalToDM(double value, char* sign, int* degrees, double* minutes);

// Great-circle distance between two points (haversine form, exact for small
// and large separations alike).
double angularSeparation(double lon1, double lat1, double lon2, double lat2);

// Angle between two unit vectors, 2 asin(|a - b| / 2).
double vectorSeparation(const double a[3], const double b[3]);

// Position angle of unit vector b seen from unit vector a, from north (+z)
// through east (increasing longitude), in [0, 2pi); 0 at the poles and when
// b coincides with a.
double positionAngle(const double a[3], const double b[3]);
