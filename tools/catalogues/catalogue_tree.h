// Placement of catalogue objects into the region trees of a `.skydata`
// file. Every region keeps the brightest objects that reach it, up to a
// capacity, and hands the rest down to the child box that contains them,
// so that the faint objects sit deep in the tree where the chart reaches
// them only when it needs them.
//
// Sky trees (Tycho stars, guide stars, deep sky) hold directions: an empty
// root (a region without objects is always visited) whose six children are
// the faces of the cube round the sky, each halved in its two flat-free
// axes at every level below. The space tree (stars with distances) holds
// positions in parsecs in a cube round the Sun: the root keeps the stars
// bright enough to be seen at any field, the octants below sort the rest
// by absolute magnitude, which is what the chart compares with a region's
// distance.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "skydata/sky_object.h"

class SkyDataWriter;

namespace catalogues {

struct CatalogueEntry {
  std::unique_ptr<CSkyObject> object;
  double place[3] = {0, 0, 0};  // unit vector (sky trees) or parsecs (space tree)
  float order = 0.0f;           // placement key: smaller goes higher; +infinity last
  float rangeMagnitude = 0.0f;  // counted into the region's magnitudes unless infinite
  bool inRoot = false;          // space tree only: keep in the root region
  std::vector<std::string> names;
  std::vector<std::int64_t> numbers;
};

struct TreeShape {
  int capacity = 256;  // objects a region keeps before handing down
  int maxDepth = 7;    // the deepest level keeps everything that reaches it
};

// Places every entry, adds it with its index entries to the writer and
// returns the number written; -1 with `error` set when a region would
// overflow (65535 objects) or the writer refuses an object.
int writeSkyTree(std::vector<CatalogueEntry>& entries, const TreeShape& shape,
                 SkyDataWriter& writer, std::string& error);
int writeSpaceTree(std::vector<CatalogueEntry>& entries, const TreeShape& shape,
                   SkyDataWriter& writer, std::string& error);
// Everything into the root region, in the order given (the solar system's
// fixed order, the constellations).
int writeRootOnly(std::vector<CatalogueEntry>& entries, SkyDataWriter& writer, std::string& error);

}  // namespace catalogues
