// The table of solar-system bodies known by number (the Sun, the nine
// planets and 178 moons), its identifier index, and the table of planetary
// surface-feature types.
//
// Body identifiers: 0 the Sun, 1-9 Mercury to Pluto, 100 x planet + n for
// moons (301 the Moon). Valid identifiers are 0 to 905.
#pragma once

#include <cstdint>

inline constexpr int kBodyTableRows = 188;
inline constexpr int kMaxBodyIdentifier = 905;

struct BodyTableRow {
  const char* names[5];     // English, Spanish, French, German, Italian
  const char* provisional;  // e.g. "S/1979 J 2"; empty when none
  const char* numeral;      // Roman numeral of a moon; empty otherwise
  std::int32_t identifier;
  std::uint8_t parent;      // body orbited: 0 for planets, 3 for the Moon
  std::uint8_t reserved0;
  std::uint16_t discoveryYear;  // 0 when none is given
  float mass;               // Earth masses
  float radius;             // km, mean equatorial
  float density;            // g/cm^3
  float absoluteMagnitude;  // H
  float albedo;             // geometric
  float reserved1;
  double rotationRate;      // degrees per day, negative when retrograde
  double epoch;             // Julian date of the elements
  double semiMajorAxis;     // AU for planets, km for moons
  float eccentricity;
  float inclination;        // degrees, to the reference plane
  float argumentOfPeriapsis;  // degrees
  float node;               // degrees, on the reference plane
  float meanAnomaly;        // degrees at the epoch
  float reserved2;
  double meanMotion;        // degrees per day (rate of the mean anomaly)
  float periapsisRate;      // degrees per Julian year
  float nodeRate;           // degrees per Julian year
  float poleRA;             // degrees (J2000) of the reference plane's pole
  float poleDec;            // degrees
};

extern const BodyTableRow kBodyTable[kBodyTableRows];

// Builds the identifier index unless built. Lookups build it themselves on
// first use; any thread may call either, any number of times.
void buildBodyIndex();

// Row number of an identifier, or -1.
int bodyRowIndex(int identifier);

// The row of an identifier, or null.
const BodyTableRow* bodyTableRow(int identifier);

// Text field k of the body's row: 0-4 the name by language index, 5 the
// provisional designation, 6 the numeral. Null for an identifier without a
// row or a field number outside 0-6.
const char* bodyTableField(int identifier, int k);

// Name and description of a surface-feature type; the empty text for a type
// not in the table.
const char* surfaceFeatureTypeName(std::uint32_t type);
const char* surfaceFeatureTypeDescription(std::uint32_t type);
