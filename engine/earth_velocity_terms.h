// The terms of the Earth's velocity series (earthVelocitySeries).
#pragma once

// Arguments, radians: value at J2000 and rate per Julian century.
enum EarthVelocityArgument { kL3, kL5, kL6, kMoonL, kMoonM, kMoonF, kEarthVelocityArguments };
struct EarthVelocityArgumentRow {
  double atJ2000;
  double perCentury;
};
extern const EarthVelocityArgumentRow kEarthVelocityArgumentRows[kEarthVelocityArguments];

// One term: A = the sum of multiple[i] x argument i, and for each axis the
// sine and cosine coefficients a + b T (1e-8 AU per day, T in centuries).
struct EarthVelocityTerm {
  int multiple[kEarthVelocityArguments];
  double sine[3][2];
  double cosine[3][2];
};
inline constexpr int kEarthVelocityTermCount = 9;
extern const EarthVelocityTerm kEarthVelocityTerms[kEarthVelocityTermCount];
