// Standard magnitudes of artificial satellites from
// data/published/satellite_magnitudes.txt (McCants' Quicksat intrinsic
// magnitudes), converted to the convention of the chart's magnitude law.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace catalogues {

// The file's magnitudes are at 1000 km and full phase (the lit fraction
// (1 + cos p) / 2 is 1); the chart's law, standard - 15.75 +
// 2.5 log10(range^2 / lit fraction), takes the magnitude at 1000 km and half
// phase, 2.5 log10 2 = 0.75 fainter (the law's 15.75 is 15 + that 0.75).
inline constexpr double kFullToHalfPhaseMagnitudes = 0.75;

// The standard magnitude of every satellite the file gives one, by
// catalogue number, already on the chart's scale. Lines are
// "SAT NORAD STDMAG SRC RCS MMT" ('-' for none) in ascending number order.
// False with `error` set ("<name>:<line>: <what>") on any damaged line.
bool parseSatelliteMagnitudes(std::string_view text, std::string_view name,
                              std::map<int, double>& magnitudes, std::string& error);

}  // namespace catalogues
