// The ground view's country borders: the "borders" list of
// extract_borders.py turned into a polygon shapefile (.shp, .shx, .dbf) in
// the layout of the public world-borders data set, whose attribute fields
// the chart reads by position:
//   0 FIPS  1 ISO2  2 ISO3  3 UN  4 NAME  5 AREA  6 POP2005  7 REGION
//   8 SUBREGION  9 LON  10 LAT
// Fields the sources do not carry (FIPS, AREA, POP2005, REGION, SUBREGION)
// stay empty or zero.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace catalogues {

struct BorderPoint {
  double longitude;  // degrees
  double latitude;   // degrees
};

struct Country {
  std::string iso2;
  std::string iso3;
  int unNumber = 0;
  std::string name;
  double labelLongitude = 0.0;  // degrees
  double labelLatitude = 0.0;
  std::vector<std::vector<BorderPoint>> rings;  // outer rings clockwise
};

// Parses a borders list; false with `error` naming the damaged line.
bool parseBorderList(std::string_view text, std::string_view name, std::vector<Country>& countries,
                     std::string& error);

// Writes `<base>.shp`, `.shx`, `.dbf` and `.cpg`, each replacing the old
// file only once all of them are complete.
bool writeWorldBorders(const std::vector<Country>& countries, const std::string& base,
                       std::string& error);

}  // namespace catalogues
