// Reads two-line element sets into the propagators' element record, for
// the verification tests. Columns follow the published two-line format;
// fields with an implied decimal point (" 12345-3" = 0.12345e-3) are read
// as such. Check sums are not verified: the verification file has none.
#pragma once

#include <string_view>

#include "engine/sgp4.h"

// Fills `out` from the two lines; returns false (leaving `out` unspecified)
// when a line is too short, a field is not a number, or a value is out of
// its range (eccentricity outside [0, 1), mean motion not positive).
bool readTwoLineElements(std::string_view line1, std::string_view line2,
                         SatelliteElementSet& out);

// Julian date (UT) of a two-line epoch: two-digit year (57-99 are 19xx,
// 00-56 20xx) and day of the year with fraction (1.0 = January 1, 0h).
double twoLineEpochToJulianDate(int twoDigitYear, double dayOfYear);
