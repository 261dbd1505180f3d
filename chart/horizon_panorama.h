// The sphere grid the realistic horizon is laid on, about the observer.
//
// Thread rules: the chart's drawing thread only, like the chart.
#pragma once

#include "chart/mesh.h"

// Rows run from the zenith (row 0) to the nadir every 5 degrees, row 18
// being the horizon; columns from north through east every 5 degrees,
// the last one closing the circle.
inline constexpr int kHorizonGridRows = 37;
inline constexpr int kHorizonGridColumns = 73;
inline constexpr int kHorizonRow = 18;

struct HorizonGrid {
  TextureVertex vertex[kHorizonGridRows][kHorizonGridColumns];
  // The place, date and texture size the directions were computed for.
  double longitude = 0, latitude = 0, julianDate = 0;
  bool computed = false;
};
