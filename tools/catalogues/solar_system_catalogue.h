// "SolarSystem.skydata" in the order the program relies on: the Sun (0),
// Mercury to Pluto (1-9, the Earth at 3), the Moon (10), the other moons of
// the body table, then asteroids, comets, artificial satellites and surface
// features, all in the root region, with the name index and the catalogue
// indexes 151-154. Satellites come from a two-line element file (gpredict's
// sets, or any file a user gives to refresh them) with the list categories
// of the "satellite-groups" list; a satellite in no group is filed under
// "User Defined" so that the chart's category filter can show it. Satellites
// that the standard-magnitude table lists carry that magnitude; the others
// keep an unknown one.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "skydata/two_line_elements.h"

namespace catalogues {

// The element sets of a two-line element file, refused like a damaged one
// when it holds none: an empty or cut download must not turn into a
// catalogue without satellites.
bool readElementFile(std::string_view text, std::string_view name, std::vector<NamedElementSet>& sets,
                     std::string& error);

struct SolarSystemSources {
  std::string_view bodies, bodiesName;      // extract_solar_system.py list
  std::string_view elements, elementsName;  // two-line element file
  std::string_view groups, groupsName;      // extract_satellites.py list (may be empty)
  // data/published/satellite_magnitudes.txt (may be empty)
  std::string_view magnitudes = {}, magnitudesName = {};
  // The engine's built-in cities as the Earth's populated places (feature
  // type 100, the population as their size), after the other features:
  // the ground view names them with "Show Cities".
  bool cities = false;
};

struct SolarSystemCounts {
  int planets = 0, moons = 0, asteroids = 0, comets = 0, satellites = 0, features = 0;
  int satellitesWithMagnitude = 0;
  int total() const { return planets + moons + asteroids + comets + satellites + features; }
};

bool buildSolarSystemCatalogue(const SolarSystemSources& sources, const std::string& path,
                               SolarSystemCounts& counts, std::string& error);

}  // namespace catalogues
