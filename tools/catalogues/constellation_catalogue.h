// "Constellations.skydata": the 88 constellations in the order of their
// numbers (index = number - 1), Serpens Cauda (89), then the 24 asterisms,
// all in the root region. Names come from the constellation table, the
// outlines from the "boundaries" list of extract_constellations.py, the
// asterisms' places from their stars in the "stars" list.
#pragma once

#include <string>
#include <string_view>

namespace catalogues {

bool buildConstellationCatalogue(std::string_view boundaries, std::string_view boundariesName,
                                 std::string_view stars, std::string_view starsName,
                                 const std::string& path, int& count, std::string& error);

}  // namespace catalogues
