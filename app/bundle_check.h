// The bundle's files that the chart needs, checked once at launch, so that
// a damaged or incomplete bundle says what is wrong instead of drawing a
// black chart in silence: every catalogue, shader, picture and screen
// definition that is missing or does not read is named once, with the
// command that rebuilds the bundle. The check only reads; the program goes on with what loaded.
//
// Thread rules: main thread, at launch (the catalogue loaders' results and
// the database are the main thread's).
#pragma once

#include <string>
#include <vector>

#include "chart/world_borders.h"

class CSkyDatabase;

struct BundleFault {
  std::string file;    // relative to the bundle folder
  const char* reason;  // "missing", "empty", "does not read"
};

// The faults of the bundle in `bundle`, in the order the program loads
// the files. For the catalogues and the world borders the loaders' own
// results decide whether a file reads (`database` after the launch's
// loads, `worldBorders` what the borders' load found); the shaders, the
// three image indexes and the pictures they list must be there and not
// empty, and an index must hold only entries naming pictures; the Milky
// Way's and the horizon's pictures must also be whole; every screen
// definition must be there and read as one.
std::vector<BundleFault> findBundleFaults(const std::string& bundle, const CSkyDatabase& database,
                                          WorldBordersRead worldBorders);

// The lines that report `faults`, each ending in a newline: a heading
// naming the bundle, one line per file, and how to rebuild the bundle (a
// command whose words stay whole for the shell, whatever quotes, blanks or
// signs the bundle's path holds); control characters in the names are
// escaped. Empty when there is no fault.
std::string bundleFaultReport(const std::string& bundle, const std::vector<BundleFault>& faults);

// The screen definitions among `faults`, by name ("ChartView").
std::vector<std::string> damagedScreenDefinitions(const std::vector<BundleFault>& faults);
