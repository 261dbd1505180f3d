#include "app/orbit_data_checks.h"

#include <cmath>
#include <vector>

#include "engine/sgp4.h"
#include "skydata/object_types.h"
#include "skydata/satellite.h"
#include "skydata/satellite_frequencies.h"
#include "skydata/sky_data_file.h"
#include "skydata/two_line_elements.h"

namespace {

bool finite3(const double v[3]) { return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]); }

// The set's position and velocity at its own epoch, with a fresh model.
bool propagatesAtEpoch(const SatelliteElementSet& elements) {
  double position[3], velocity[3];
  if (isDeepSpaceOrbit(elements)) {
    Sdp4State state{};
    sdp4(elements, position, velocity, state, 0.0);
  } else {
    Sgp4State state{};
    sgp4(elements, position, velocity, state, 0.0);
  }
  return finite3(position) && finite3(velocity);
}

bool checkSatellite(const CSatellite& satellite, std::string& problem) {
  SatelliteElementSet elements{};
  satellite.getOrbitElements(elements);
  std::string why;
  if (!checkElementSet(elements, why)) {
    problem = "satellite " + std::to_string(elements.catalogueNumber) + ": " + why;
    return false;
  }
  if (!propagatesAtEpoch(elements)) {
    problem = "satellite " + std::to_string(elements.catalogueNumber) + " does not propagate at its epoch";
    return false;
  }
  return true;
}

// Loads the region and its descendants one at a time, checking and
// counting every satellite and spacecraft, and lets each go again.
bool checkRegion(CSkyDataFile& file, CSkyDataRegion* region, int& satellites, std::string& problem) {
  if (region == nullptr) return true;
  const bool wasLoaded = region->isLoaded();
  if (!wasLoaded && file.loadRegionObjects(region) < 0) {
    problem = "region " + std::to_string(region->getID()) + " cannot be read";
    return false;
  }
  bool ok = true;
  for (std::size_t i = 0; ok && i < region->getObjectCount(); ++i) {
    CSkyObject* object = region->getObject(i);
    if (object == nullptr) {
      problem = "object " + std::to_string(i) + " of region " + std::to_string(region->getID()) + " is missing";
      ok = false;
    } else if (object->getType() == kTypeSatellite) {
      const auto* satellite = dynamic_cast<const CSatellite*>(object);
      if (satellite == nullptr) {
        problem = "a satellite record of the wrong kind";
        ok = false;
      } else {
        ok = checkSatellite(*satellite, problem);
        ++satellites;
      }
    } else if (object->getType() == kTypeSpacecraft) {
      // A body record with a solar orbit or a table, as a comet's: it has
      // no element set for the satellite models to check.
      ++satellites;
    }
  }
  if (!wasLoaded) region->deleteObjects();
  for (int k = 0; ok && k < 8; ++k) ok = checkRegion(file, region->getChild(k), satellites, problem);
  return ok;
}

}  // namespace

bool validateSolarSystemCatalogue(const std::string& path, std::string& problem) {
  CSkyDataFile file(path.c_str());
  if (!file.isOpen()) {
    problem = "cannot be opened";
    return false;
  }
  if (file.readHeader() <= 0) {
    problem = "not a catalogue of this version (header or region tree damaged)";
    return false;
  }
  if (file.getRoot() == nullptr || file.getRoot()->getObjectCount() == 0) {
    problem = "holds no solar-system objects";
    return false;
  }
  if (file.readIndexes(true) < 0) {
    problem = "its indexes cannot be read";
    return false;
  }
  int satellites = 0;
  if (!checkRegion(file, file.getRoot(), satellites, problem)) return false;
  // The orbit data is what the file is for: one without them would take
  // every satellite off the chart, and the selection with them.
  if (satellites == 0) {
    problem = "the catalogue holds no satellites or spacecraft";
    return false;
  }
  return true;
}

bool validateFrequencyList(std::string_view text, std::string& problem) {
  int lines = 0, rows = 0;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (line.find_first_not_of(" \t\r") == std::string_view::npos) continue;
    ++lines;
    if (line.size() > static_cast<std::size_t>(kMaxFrequencyLineLength) || line.find('\0') != std::string_view::npos)
      continue;
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    SatelliteFrequency row;
    if (parseFrequencyLine(buffer.data(), &row) >= 7 && row.norad > 0) ++rows;
    freeFrequencyRow(&row);
  }
  // A list has a heading line or a few notes at most; a page of anything
  // else (an error page, a login form) has next to no such rows.
  if (rows == 0 || 2 * rows <= lines) {
    problem = "only " + std::to_string(rows) + " of " + std::to_string(lines) +
              " lines are transmitters with a NORAD number";
    return false;
  }
  return true;
}
