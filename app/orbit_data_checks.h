// What a downloaded orbit-data file must be before it may replace the one
// in use: a solar-system catalogue whose every region reads, that holds at
// least one satellite or spacecraft, and whose every satellite carries a
// sane element set that propagates to a finite position at its epoch; a
// frequency list mostly of rows with numeric NORAD numbers.
//
// Thread rules: any thread; the functions keep no state.
#pragma once

#include <string>
#include <string_view>

// False with `problem` naming the first fault.
bool validateSolarSystemCatalogue(const std::string& path, std::string& problem);
bool validateFrequencyList(std::string_view text, std::string& problem);
