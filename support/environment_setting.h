// Settings the user gives through environment variables. A value that
// cannot serve is never dropped in silence: one line on standard error
// names the variable, the value given and the value used instead, once per
// variable and value in a process (a setting read again says nothing new).
//
// Thread rules: any thread; the lines already said are kept under one
// lock.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The variable's value; empty when it is unset.
std::string environmentValue(const char* name);

// The whole of `text` as a finite number from `low` to `high`;
// nothing for anything else (a trailing word, a second number, "nan").
std::optional<double> numberInRange(std::string_view text, double low, double high);

// A number as the user would type it (printf's %g): 375, 1.5, 63.4.
std::string settingNumberText(double value);

// `text` cut at each `separator` into exactly `count` fields (which may be
// empty); nothing for another number of fields.
std::optional<std::vector<std::string_view>> settingFields(std::string_view text, char separator,
                                                           std::size_t count);

// Prints `NAME="value" <verdict>` once for this variable and value, the
// value's control characters escaped.
void reportSetting(const char* name, std::string_view value, std::string_view verdict);

// Prints `NAME="value" is not <expected>; using <used>` (reportSetting).
void reportUnusableSetting(const char* name, std::string_view value, std::string_view expected,
                           std::string_view used);
