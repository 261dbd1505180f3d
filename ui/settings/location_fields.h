// The location screen's fields as text and back: latitude and longitude
// in the chart's degree formats with the hemisphere left to a separate
// control, altitude and time zone as plain numbers, and the readers that
// turn typed text into finite values.
#pragma once

#include <cstddef>
#include <string>

// Degrees to the engine's radians: the engine's pi (3.141592653589) / 180.
inline constexpr double kScreenDegree = 0.01745329251993889;
// The formatters' buffer.
inline constexpr std::size_t kAngleTextSize = 256;

// An angle field ("d m s", a leading "-" or a trailing "S" or "W"
// negating) in degrees, negated once more for the south or west segment.
// Text that gives no finite value ("1e999", "nan") reads as 0.
double readAngleField(const std::string& text, bool southOrWest);
// The leading number after blanks; 0 without one or when it is not finite.
double readNumberField(const std::string& text);

// |latitude| by the two-digit degree formatter, |longitude| by the
// three-digit one, with the sign and direction bits (4, 8) of the chart's
// format code cleared: the hemisphere control shows the side.
std::string latitudeFieldText(double degrees, int latitudeFormat);
std::string longitudeFieldText(double degrees, int longitudeFormat);
// "%.0f" and "%+2.1f".
std::string altitudeFieldText(double value);
std::string timeZoneFieldText(double hours);
