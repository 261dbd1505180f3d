// The sections of the information items of stars (with double, binary and
// variable stars) and deep-sky objects, in the order getObjectInfo lists
// them.
#pragma once

// Light years in a parsec.
inline constexpr double kLightYearsPerParsec = 3.261563761906712;
// The Sun's absolute visual and bolometric magnitudes and its surface
// temperature (kelvin): the yardsticks of a star's luminosity and size, on
// the information items and the description page alike.
inline constexpr double kSunAbsoluteVisualMagnitude = 4.82;
inline constexpr double kSunBolometricMagnitude = 4.75;
inline constexpr double kSunTemperature = 5770.0;

class CSkyChart;
class CStar;
class InfoList;

// What every section reads: the star, its magnitude and distance (parsecs)
// as the chart computed them, and the separator inside values.
struct StarInfoSubject {
  CSkyChart& chart;
  const CStar& star;
  double magnitude;
  double distance;
  const char* sep;
};

// "Visual Magnitude" (a double star's with its companion's).
void addStarMagnitude(InfoList& list, const StarInfoSubject& subject);
// "Separation" of a double star from its companion.
void addDoubleStarSeparation(InfoList& list, const StarInfoSubject& subject);
// "Apparent Size" of a deep-sky object.
void addApparentSize(InfoList& list, const StarInfoSubject& subject);
// "Distance" (parsecs) in km, AU, parsecs and light years by its size,
// parts of near distances separated by `sep`; no row for a distance that
// is not finite.
void addDistance(InfoList& list, double parsecs, const char* sep);
// The same row of a distance in AU (a solar-system body's).
void addDistanceAU(InfoList& list, double au, const char* sep);
// "Apparent Motion" with the proper motion's rates.
void addApparentMotion(InfoList& list, const StarInfoSubject& subject);
// "Components" of the star in the double-star component file.
void addComponents(InfoList& list, const StarInfoSubject& subject);
// "Physical Parameters": colour, morphology, spectrum, temperature,
// absolute magnitude, size and luminosity.
void addPhysicalParameters(InfoList& list, const StarInfoSubject& subject);
// "Variability Data" of a variable star or supernova.
void addVariability(InfoList& list, const StarInfoSubject& subject);
// "Orbital Parameters" of a binary star.
void addBinaryOrbit(InfoList& list, const StarInfoSubject& subject);
