// The cached points of highlighted and selected objects' paths.
#include "chart/object_path.h"

#include <cstdlib>

void resetObjectPath(SkyObjectPath* path) {
  if (path == nullptr) return;
  std::free(path->points);
  path->points = nullptr;
  path->timeStep = 0;
  path->largestStep = 0;
  path->capacity = 0;
  path->count = 0;
  path->newest = 0;
  path->mode = 0;
}
