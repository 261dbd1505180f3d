// The built-in constellation tables: names, label positions and areas of
// the 88 constellations (and the second part of Serpens), their stick
// figures in two sets, the asterisms, the zodiac, and the IAU boundaries
// with the lookup of the constellation containing a direction.
//
// Constellation numbers run 1-89 in the order of constellationTable: 1 And
// ... 88 Vul, with 76 Serpens as a whole and 89 its tail (Serpens Cauda).
// The boundary table uses only 1-88.
#pragma once

#include <cstdint>

inline constexpr int kConstellationCount = 89;
inline constexpr int kBoundaryRowCount = 357;
inline constexpr int kStandardFigureRows = 87;
inline constexpr int kStandardFigureWidth = 35;
inline constexpr int kAltFigureRows = 88;
inline constexpr int kAltFigureWidth = 57;
inline constexpr int kAsterismCount = 24;
inline constexpr int kAsterismNameSize = 40;
inline constexpr int kAsterismFigureWidth = 16;
inline constexpr int kZodiacCount = 12;

struct ConstellationRow {
  const char* abbreviation;
  float labelRA;   // hours
  float labelDec;  // degrees
  float area;      // square degrees
  const char* latinName;
  const char* genitive;
  const char* commonNames[5];  // English, Spanish, French, German, Italian
};

// One span of the boundary table, equinox B1875.0.
struct BoundaryRow {
  float raLow;   // hours
  float raHigh;  // hours
  float decLow;  // degrees
  std::int16_t number;  // constellation 1-88
};

struct AsterismRow {
  char name[kAsterismNameSize];
  std::int16_t figure[kAsterismFigureWidth];  // HR numbers less one
};

extern const ConstellationRow constellationTable[kConstellationCount];
extern const BoundaryRow constellationBoundaryTable[kBoundaryRowCount];
// Figures: HR numbers, a negative entry starting a stroke at that star, a
// positive one drawing on to it; a row ends at 0 or at its end. The
// standard set has no row for constellation 88.
extern const std::int16_t constellationFigureTable[kStandardFigureRows][kStandardFigureWidth];
extern const std::int16_t constellationAltFigureTable[kAltFigureRows][kAltFigureWidth];
extern const AsterismRow asterismTable[kAsterismCount];
extern const std::uint32_t zodiacConstellations[kZodiacCount];

// Texts of constellation n (1-89); null for any other number.
const char* constellationAbbreviation(int n);
const char* constellationLatinName(int n);
const char* constellationGenitive(int n);
// The common name in the current language (engine/language.h); null for a
// number outside 1-89, the empty text for a language without a column.
const char* constellationCommonName(int n);

// Figure rows (standard 1-87, alternative 1-88); null outside.
const std::int16_t* constellationFigure(int n);
const std::int16_t* constellationAltFigure(int n);

// Asterism i (0-23): its name (the row begins with it), the empty text
// beyond; its figure, null beyond.
const char* getAsterism(int i);
const std::int16_t* getAsterismFigure(int i);

// True for the twelve constellations of the zodiac.
bool isZodiacConstellation(int n);

// Constellation (1-88) containing a J2000 unit vector; 0 when no row
// contains it (a zero or non-finite vector).
int constellationAtPosition(const double v[3]);

// Constellation of the first boundary row containing (ra hours, dec
// degrees, both B1875.0): declination low strictly below dec and ra within
// the row's span, ends included; 0 when none.
int findBoundaryRow(double ra, double dec);
