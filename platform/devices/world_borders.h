// The world-borders shapefile (countries as polygons with holes), read
// once through shapelib, for the geocoder and the map view.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace dev {

struct BorderCountry {
  std::string name, iso2;
  double minLongitude, minLatitude, maxLongitude, maxLatitude;
  std::vector<std::vector<std::pair<double, double>>> rings;  // (longitude, latitude)
  // Even-odd rule over every ring (holes are rings too).
  bool contains(double longitude, double latitude) const;
};

// The countries of the shapefile at `base` (without extension; empty: the
// bundle's WorldBorders/TM_WORLD_BORDERS_SIMPL); cached per path. Empty
// with a message when it cannot be read.
const std::vector<BorderCountry>& worldBorders(const std::string& base, std::string* message = nullptr);
std::string defaultWorldBordersPath();

}  // namespace dev
