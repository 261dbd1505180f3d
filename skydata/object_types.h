// Object type codes: the code table with its abbreviations, and the small
// text helper catalogue tools use for fixed-width fields.
//
//  1 SS star               2 SD double star       3 SB binary star
//  4 SDV variable double   5 SBV variable binary  6 SV variable star
//  7 SN supernova          9 NS nonexistent star
// 10-29 deep-sky objects (10 DS multiple star, 11 OC, 12 GC, 13 BN, 14 DN,
//       15 PN, 16 GX, 17 GS, 18 GE, 19 GI, 20 QS, 21 RS, 22 XS, 23 GM,
//       24 BH, 29 ND nonexistent)
// 30 PLA planet  31 PMN moon  33 AST asteroid  34 COM comet
// 35 SAT satellite  36 SPC spacecraft  39 FEA planet feature
// 40 CON constellation  41 ASM asterism  42 MET meteor shower
#pragma once

#include <cstdint>

// The codes by name, for tests of an object's type in code.
inline constexpr int kTypeStar = 1;
inline constexpr int kTypeDoubleStar = 2;
inline constexpr int kTypeBinaryStar = 3;
inline constexpr int kTypeVariableDoubleStar = 4;
inline constexpr int kTypeVariableBinaryStar = 5;
inline constexpr int kTypeVariableStar = 6;
inline constexpr int kTypeSupernova = 7;
inline constexpr int kTypeNonexistentStar = 9;
inline constexpr int kTypeFirstDeepSky = 10;  // multiple star
inline constexpr int kTypeLastDeepSky = 29;   // nonexistent deep-sky object
inline constexpr int kTypePlanet = 30;        // the Sun and the planets
inline constexpr int kTypeMoon = 31;
inline constexpr int kTypeAsteroid = 33;
inline constexpr int kTypeComet = 34;
inline constexpr int kTypeSatellite = 35;
inline constexpr int kTypeSpacecraft = 36;
inline constexpr int kTypeFeature = 39;
inline constexpr int kTypeConstellation = 40;
inline constexpr int kTypeAsterism = 41;
inline constexpr int kTypeMeteorShower = 42;

struct ObjectTypeCode {
  std::uint64_t code;
  const char* abbreviation;
};

// The 34 codes that have an abbreviation, by code (object_type_table.cpp).
extern const ObjectTypeCode objectTypeCodeTable[];
extern const int objectTypeCodeTableSize;

// The code whose abbreviation equals `text` exactly (case matters); 0 for
// none or null.
int objectTypeFromAbbreviation(const char* text);
// The abbreviation of a code; the empty text for a code without one.
const char* objectTypeAbbreviation(int code);

// Zeroes the trailing blanks of `text` in place and returns a pointer to
// its first non-blank character (only ' ' counts as blank).
char* trimSpaces(char* text);
