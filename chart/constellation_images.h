// The constellation illustrations: one picture per constellation laid on
// the sky through a plate solution fitted to three reference stars, read
// from the image index ("SkyImages/Constellations/Index.txt").
//
// An index line is blank-separated: the picture's file name (at most 31
// characters, beginning with the constellation's abbreviation), its width
// and height in pixels, then three reference stars, each its Bright Star
// (HR) number and its x and y in pixels from the picture's top-left
// corner. Lines follow the constellations' numbers (1 And ... 88 Vul), so
// that a line's position is the constellation's index. Pictures that show
// several constellations are named alike after the abbreviation
// ("Car-argonavis.png", "Pup-argonavis.png"); they form one group, drawn
// once.
//
// Thread rules: the chart's drawing thread only, like the chart.
#pragma once

#include <cstdint>

#include "chart/image_files.h"
#include "chart/mesh.h"

class CConstellation;

inline constexpr int kMaxConstellationImages = 88;
// Mesh vertices are this many pixels apart on the picture.
inline constexpr int kConstellationMeshStep = 64;

// One index line as read: name, size and reference stars.
struct ConstellationImageLine {
  char name[32];
  std::int32_t width, height;
  std::int16_t hr[3];
  double x[3], y[3];
};

// Reads one line; false, with the record zeroed, unless every field is
// there and sound: a name of 1 to 31 characters, a size of 1 to
// kImageMaxSide pixels a side, HR numbers of 1 to 32767 and finite
// positions. Anything after the last field is ignored.
bool parseConstellationImageLine(const char* text, ConstellationImageLine* line);

struct ConstellationImage {
  ConstellationImageLine line;
  // The reference stars' J2000 right ascensions and declinations and the
  // plate centre, radians.
  double ra[3], dec[3];
  double centreRA, centreDec;
  // The plate's linear terms, pixels to standard coordinates: row k of the
  // terms 1, x, y for xi and eta; with its scale (radians a pixel) and
  // rotation.
  double skyFromPixel[3][2];
  double scale, rotation;
  TextureData texture;
  MeshGrid* mesh;  // null when the plate was not solved
  CConstellation* constellation;
  // Index of the group's first record, which draws the group's picture.
  int group;
};

struct ConstellationImageTable {
  ConstellationImage records[kMaxConstellationImages] = {};
  int count = 0;
  ~ConstellationImageTable();
};
