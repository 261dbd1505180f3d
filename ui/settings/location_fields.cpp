#include "ui/settings/location_fields.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "engine/angle_text.h"

namespace {

constexpr int kHemisphereBits = kAngleFormatSign | kAngleFormatDirection;

double finiteOrZero(double value) { return std::isfinite(value) ? value : 0; }

std::string formatted(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace

double readAngleField(const std::string& text, bool southOrWest) {
  const double degrees = finiteOrZero(parseAngleDMS(text.c_str()));
  return southOrWest ? -degrees : degrees;
}

double readNumberField(const std::string& text) {
  const char* start = text.c_str();
  while (*start == ' ' || *start == '\t') ++start;
  char* end = nullptr;
  const double value = std::strtod(start, &end);
  return end == start ? 0 : finiteOrZero(value);
}

std::string latitudeFieldText(double degrees, int latitudeFormat) {
  char text[kAngleTextSize] = "";
  formatAngleDegrees2(latitudeFormat & ~kHemisphereBits, text, sizeof text, std::fabs(degrees) * kScreenDegree);
  return text;
}

std::string longitudeFieldText(double degrees, int longitudeFormat) {
  char text[kAngleTextSize] = "";
  formatAngleDegrees3(longitudeFormat & ~kHemisphereBits, text, sizeof text, std::fabs(degrees) * kScreenDegree);
  return text;
}

std::string altitudeFieldText(double value) { return formatted("%.0f", value); }

std::string timeZoneFieldText(double hours) { return formatted("%+2.1f", hours); }
