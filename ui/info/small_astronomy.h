// Small helpers of the information pages: variable-star families, the
// date of a solar longitude, and the Moon's phase and elongation.
#pragma once

#include <cstddef>

class CSkyChart;
class CSkyObject;

// The family code of a variable-star type text such as "EA/DM" or "SR:":
// the abbreviation before the first '+', '/' or ':' looked up whole in the
// table of types (variable_types.cpp); 0 when it is empty or not listed.
int variableTypeCode(const char* type);

// The phase name of the Moon at an elongation from the Sun (radians,
// 0..2 pi), translated; a static buffer valid until the next call.
const char* moonPhaseName(double elongation);
// The Moon's age in days at an elongation (radians).
double elongationToMoonAge(double elongation);
// "<phase name><sep><age> days old" of an elongation (radians), translated,
// into `buffer` of `size` bytes.
void formatMoonPhase(char* buffer, std::size_t size, double elongation, const char* sep);

// The Julian date between `firstJD` and `lastJD` at which the Sun's
// ecliptic longitude of date (low-precision theory) is `longitude`
// (radians), to 0.01 degree; +infinity when that moment is not inside the
// window. The search starts at the window's middle and goes to the nearest
// crossing, so a window of a year or less always finds the one it holds.
double dateOfSolarLongitude(double longitude, double firstJD, double lastJD);

// The object's ecliptic longitude less the Sun's, in the ecliptic of the
// chart's epoch (radians, 0..2 pi); +infinity without a Sun. With a
// buffer, the phase name of that elongation is copied into it (cut to
// size - 1 characters, always terminated). Places are brought up to date
// first while the chart asks for it.
double moonElongation(CSkyChart* chart, CSkyObject* object, char* buffer, std::size_t size);
