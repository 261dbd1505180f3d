// SkyObjectPath: one highlighted or selected object with the cached points
// of its path across the sky.
#pragma once

#include "skydata/sky_object_id.h"

struct SkyObjectPath {
  SkyObjectID id;
  double timeStep = 0;       // days between points
  double* points = nullptr;  // ring of (x, y, z, Julian date); owned, malloc'ed
  double largestStep = 0;    // radians between consecutive points
  int capacity = 0;          // points the ring holds
  int count = 0;             // points held
  int newest = 0;            // index of the newest point
  int mode = 0;              // coordinate system of the points, or the time-flow mode
};

// Frees the points and zeroes the counts; the identifier stays.
void resetObjectPath(SkyObjectPath* path);
