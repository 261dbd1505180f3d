// Small helpers of the information pages: variable-star families and the
// Moon's phase.
#pragma once

// The family code of a variable-star type text such as "EA/DM" or "SR:":
// the abbreviation before the first '+', '/' or ':' looked up whole in the
// table of types (variable_types.cpp); 0 when it is empty or not listed.
int variableTypeCode(const char* type);

// The phase name of the Moon at an elongation from the Sun (radians,
// 0..2 pi), translated; a static buffer valid until the next call.
const char* moonPhaseName(double elongation);
// The Moon's age in days at an elongation (radians).
double elongationToMoonAge(double elongation);
