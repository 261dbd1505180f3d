// Two-line element sets, the form in which satellite orbits are published:
// an optional name line, then two 69-column lines with a check digit each.
// The reader is strict: every field is checked against its columns and
// range, both check digits and the satellite number of both lines must
// agree, so that a damaged set is reported (with its line) rather than
// turned into a wrong orbit. Satellite numbers above 99999 are read in
// their published "Alpha-5" form (a letter for the two leading digits).
// Used by the catalogue builder, the orbit-data updater and the
// propagators' verification tests.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/sgp4.h"

struct NamedElementSet {
  int line = 0;  // line of the set's first element line in its file
  SatelliteElementSet elements{};
};

// One set from its two lines (line ends and trailing blanks allowed);
// false with `problem` saying what is wrong and `lineOfProblem` (when
// given) 1 or 2 for the line it is on. The name is left empty; the
// designator is the international designator as given ("98067A").
// Angles in radians, mean motion in radians per minute, epoch a Julian
// date (UTC), the mean-motion terms as published (rev/day^2, rev/day^3).
//
// `checkDigits` Ignore reads sets whose digits were never kept up to date
// (the propagators' published verification sets edit three by hand) and
// lets fuzzing reach the field readers; everything else verifies them.
enum class CheckDigits { Verify, Ignore };
bool parseTwoLineElements(std::string_view line1, std::string_view line2,
                          SatelliteElementSet& elements, std::string& problem,
                          int* lineOfProblem = nullptr,
                          CheckDigits checkDigits = CheckDigits::Verify);

// The ranges every element set must keep, whatever it was read from (the
// parser above, a catalogue file, a download): a satellite number of at
// most 339999, a terminated designator, an epoch from 1957 to 2056, finite
// drag and mean-motion terms, 0 <= e < 1, inclination 0-180 degrees, the
// other angles 0-360 degrees, 0 < mean motion <= 20 revolutions a day.
// False with `problem` (and the line the field is on) at the first fault.
bool checkElementSet(const SatelliteElementSet& elements, std::string& problem,
                     int* lineOfProblem = nullptr);

// Every set of a file, each with the name from the line before it when
// there is one ("0 " prefixes removed). Blank lines are skipped. False with
// `error` ("<name>:<line>: <what>") at the first damaged or unfinished set.
bool parseTwoLineElementFile(std::string_view text, std::string_view fileName,
                             std::vector<NamedElementSet>& sets, std::string& error);

// Julian date of an element-set epoch: two-digit year (57-99 are 19xx,
// 00-56 20xx) and day of the year with its fraction (1.0 = January 1, 0h).
double twoLineEpochToJulianDate(int twoDigitYear, double dayOfYear);
