// The world-borders country table: one row per shape of the world-borders
// shapefile, in file order, loaded once for the whole process. The chart
// draws the borders of the countries the user shows; the settings name
// countries by their code or name.
//
// Thread rules: the table is process-wide and is loaded, read and
// released on the main (drawing) thread only.
#pragma once

#include <cstdint>
#include <vector>

struct CountryRecord {
  char code[4];   // attribute 1 (ISO 3166 two-letter code), terminated
  char name[32];  // attribute 4, cut to 31 bytes on a character boundary
  double longitude, latitude;  // label point (attributes 9 and 10), radians
  double longitudeMin, longitudeMax, latitudeMin, latitudeMax;  // shape bounds, radians
  double area;                   // attribute 5, as read (kept, not used)
  std::int32_t population;       // attribute 6 (kept, not used)
  std::vector<std::int32_t> partStarts;  // first vertex of each part
  std::vector<double> vertices;          // Earth-fixed unit vectors, 3 per vertex
  std::vector<double> projectedX, projectedY;  // x / (1 - z), y / (1 - z) per vertex

  int partCount() const { return static_cast<int>(partStarts.size()); }
  int vertexCount() const { return static_cast<int>(projectedX.size()); }
};

// Loads "<path>.shp" and "<path>.dbf" through the chart's shapefile hooks
// (skydata's file opener); 1 when loaded or already loaded, 0 when the
// files cannot be read or are damaged (the table stays empty). A geometry
// file damaged or cut short past its header still loads: the shapes that
// do not read leave their rows without a border.
int loadWorldBorders(const char* path);

// What the last load that read the files found, so that a damaged file is
// named to the user although the load went on: every record whole; a file
// that would not open (missing, or no shapefile); an attribute file
// shorter than its header says; shapes that did not read.
enum class WorldBordersRead { whole, unopened, cutAttributes, damagedShapes };
WorldBordersRead lastWorldBordersRead();
int getCountryCount();
// Null outside 0 .. count - 1.
const CountryRecord* getCountryRecord(int index);
// The first row whose name or code equals the text exactly; -1 for none.
int findCountry(const char* text);
// Empties the table, so that the next load reads a file again.
void releaseWorldBorders();
