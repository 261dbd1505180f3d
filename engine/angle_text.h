// Angles as text: hours or degrees in the engine's angle-format codes, the
// names of the eight compass points, and a reader of "d m s" text.
//
// An angle-format code is a bit set: 1 selects units, minutes and seconds,
// else 2 units and decimal minutes, else decimal units; 8 adds a hemisphere
// or direction letter, else 4 a sign character.
#pragma once

#include <cstddef>

inline constexpr int kAngleFormatSexagesimal = 1;
inline constexpr int kAngleFormatMinutes = 2;
inline constexpr int kAngleFormatSign = 4;
inline constexpr int kAngleFormatDirection = 8;

// Writes `angle` (radians) as hours ("12h 30m 15.25s"), three-digit degrees
// for longitudes and azimuths ("010° 00' 00.0\" E") or two-digit degrees for
// latitudes ("12° 30' 00.0\" S"). A value that would round up to 60 carries
// into the next minute or unit. Returns what snprintf returns; `buffer` may
// be null when `size` is 0, to measure.
int formatAngleHours(int code, char* buffer, std::size_t size, double angle);
int formatAngleDegrees3(int code, char* buffer, std::size_t size, double angle);
int formatAngleDegrees2(int code, char* buffer, std::size_t size, double angle);

// `value`, or +0 when it shows as zero to `decimals` decimals ("%.*f"): a
// value a hair below zero would otherwise show as "-0.0". Every angle text
// decides its sign, and its west or south letter, from what it shows.
double roundedZeroWithoutSign(double value, int decimals);

// Name of the compass point nearest to `azimuth` (radians from north through
// east), in the current language (engine/language.h): abbreviated ("NE",
// "SO") or full ("northeast", "noreste").
const char* compassPointName(int abbreviated, double azimuth);

// Degrees from text of up to three blank-separated numbers, degrees minutes
// seconds ("-33 52 04 S"): negative when the text begins with '-', the sign
// turned again when its last character is 'S' or 'W'. Missing or unreadable
// fields count 0; null text gives 0.
double parseAngleDMS(const char* text);
