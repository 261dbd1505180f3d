// "Constellations.skydata": the 88 constellations in the order of their
// numbers (index = number - 1), Serpens Cauda (89), the 24 asterisms, then
// the meteor showers, all in the root region. Names come from the
// constellation table, the outlines from the "boundaries" list of
// extract_constellations.py, the asterisms' places from their stars in the
// "stars" list, the showers from the published working list
// (data/published/meteor_showers.txt), found by name and by code.
#pragma once

#include <string>
#include <string_view>

namespace catalogues {

struct ConstellationSources {
  std::string_view boundaries, boundariesName;  // extract_constellations.py list
  std::string_view stars, starsName;            // extract_stars.py list
  std::string_view showers = {}, showersName = {};  // meteor-shower list (may be empty)
};

struct ConstellationCounts {
  int figures = 0;         // constellations and asterisms
  int showers = 0;
  int skippedShowers = 0;  // rows of the list that are not showers
};

bool buildConstellationCatalogue(const ConstellationSources& sources, const std::string& path,
                                 ConstellationCounts& counts, std::string& error);

}  // namespace catalogues
