// A ground circle's fields as the screens show and edit them: its name
// (at most 32 bytes, no terminator when full), its centre as longitude and
// latitude in degrees, and its radius in kilometres.
#pragma once

#include <string>
#include <string_view>

#include "chart/chart_types.h"

// The Earth's radius the screens turn circle radii with (km).
inline constexpr double kCircleEarthRadiusKm = 6378.14;

// The name as stored: up to the first zero byte or the 32nd byte, without
// a character cut off at its end.
std::string circleName(const Circle& circle);
// At most 32 bytes of the text, cut at a character boundary, the rest of
// the field zero-filled.
void setCircleName(Circle& circle, std::string_view name);
// The centre: longitude in (-180, 180] and latitude, degrees.
void circleCentreDegrees(const Circle& circle, double& longitude, double& latitude);
void setCircleCentreDegrees(Circle& circle, double longitude, double latitude);
// "%@,  %@,  %.0f km": the centre in the chart's longitude and latitude
// formats (the "LatLonFmt" codes) and the radius.
std::string circleSummary(const Circle& circle, int longitudeFormat, int latitudeFormat);
