// Field readers shared by the catalogue builders: "-" is a value the
// sources lack, lists are split at a separator.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace catalogues {

inline constexpr double kDegree = 3.14159265358979323846 / 180.0;

// A number or "-" (which gives `none`); false for anything else.
bool optionalNumber(std::string_view field, double none, double& value);
// The parts of a field split at `separator`; "-" gives none.
std::vector<std::string> splitField(std::string_view field, char separator);
// The unit vector of a right ascension and declination in degrees.
void directionOf(double raDegrees, double decDegrees, double out[3]);

}  // namespace catalogues
