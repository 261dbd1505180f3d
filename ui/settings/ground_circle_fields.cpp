#include "ui/settings/ground_circle_fields.h"

#include <cstdio>
#include <cstring>

#include "engine/angle_text.h"
#include "engine/angles.h"
#include "engine/vectors.h"
#include "support/utf8.h"
#include "ui/settings/location_fields.h"

std::string circleName(const Circle& circle) {
  const std::string_view stored(circle.name, strnlen(circle.name, sizeof circle.name));
  return std::string(stored.substr(0, utf8PrefixLength(stored, stored.size())));
}

void setCircleName(Circle& circle, std::string_view name) {
  const std::size_t length = utf8PrefixLength(name, sizeof circle.name);
  std::memset(circle.name, 0, sizeof circle.name);
  std::memcpy(circle.name, name.data(), length);
}

void circleCentreDegrees(const Circle& circle, double& longitude, double& latitude) {
  double lon = 0, lat = 0;
  rectangularToSpherical(&lon, &lat, nullptr, circle.centre[0], circle.centre[1], circle.centre[2]);
  longitude = normalizeRadiansSigned(lon) / kScreenDegree;
  latitude = lat / kScreenDegree;
}

void setCircleCentreDegrees(Circle& circle, double longitude, double latitude) {
  sphericalToVector(circle.centre, longitude * kScreenDegree, latitude * kScreenDegree, 1);
}

std::string circleSummary(const Circle& circle, int longitudeFormat, int latitudeFormat) {
  double lon = 0, lat = 0;
  circleCentreDegrees(circle, lon, lat);
  char lonText[kAngleTextSize] = "", latText[kAngleTextSize] = "", summary[3 * kAngleTextSize];
  formatAngleDegrees3(longitudeFormat, lonText, sizeof lonText, lon * kScreenDegree);
  formatAngleDegrees2(latitudeFormat, latText, sizeof latText, lat * kScreenDegree);
  std::snprintf(summary, sizeof summary, "%s,  %s,  %.0f km", lonText, latText, circle.radius * kCircleEarthRadiusKm);
  return summary;
}
