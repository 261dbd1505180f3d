// Strict reading of the fields of text data files (element sets, the
// catalogue builder's lists) and the "<name>:<line>: <what>" form in which
// their readers report damage.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// "<name>:<line>: <what>"
std::string lineError(std::string_view name, int line, std::string_view what);

// Strict conversions of a whole field (no blanks, no trailing text); a
// double must be finite and at most 64 characters long. False leaves
// `value` alone.
bool parseDouble(std::string_view field, double& value);
bool parseInteger(std::string_view field, std::int64_t& value);
