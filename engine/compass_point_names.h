// Names of the eight compass points, north first, clockwise.
#pragma once

inline constexpr int kCompassPoints = 8;

// Abbreviations: English (and German and Italian), and Spanish and French.
extern const char* const kCompassAbbreviations[kCompassPoints];
extern const char* const kCompassAbbreviationsRomance[kCompassPoints];
// Full names: English (and German and Italian), Spanish, French.
extern const char* const kCompassNames[kCompassPoints];
extern const char* const kCompassNamesSpanish[kCompassPoints];
extern const char* const kCompassNamesFrench[kCompassPoints];
