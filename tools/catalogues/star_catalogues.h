// The three star catalogues from the "stars" list of extract_stars.py:
// "Stars.skydata" (stars with distances, a space tree in parsecs with the
// naked-eye stars in the root), "TychoStars.skydata" and
// "GuideStars.skydata" (sky trees). Designation texts of the list become
// catalogue numbers through the star designation parser.
#pragma once

#include <string>
#include <string_view>

namespace catalogues {

struct StarCounts {
  int stars = 0, tycho = 0, guide = 0;
};

// Builds the three files in `folder` (each replaced only when complete);
// false with `error` naming the damaged list line or the failed file.
bool buildStarCatalogues(std::string_view list, std::string_view listName,
                         const std::string& folder, StarCounts& counts, std::string& error);

}  // namespace catalogues
