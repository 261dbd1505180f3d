// The three star catalogues from the "stars" list of extract_stars.py:
// "Stars.skydata" (stars with distances and the naked-eye stars, a space
// tree in parsecs with the naked-eye stars in the root),
// "TychoStars.skydata" and "GuideStars.skydata" (sky trees). Designation texts of the list become
// catalogue numbers through the star designation parser.
#pragma once

#include <string>
#include <string_view>

namespace catalogues {

// Tycho-2 rows by half magnitude of V (bin k: V in [(k - 4) / 2, (k - 3) / 2),
// the first and last bins open): all rows, rows that are a star already
// written (by HIP number, by place and magnitude), rows merged into a
// Tycho star of the list, rows within 1" of a star already written of
// another magnitude (not a listed double), rows written as Tycho stars.
inline constexpr int kTychoBins = 27;
struct TychoReport {
  int rows[kTychoBins] = {}, byHip[kTychoBins] = {}, byPlace[kTychoBins] = {},
      merged[kTychoBins] = {}, covered[kTychoBins] = {}, written[kTychoBins] = {};
};

struct StarCounts {
  int stars = 0, tycho = 0, guide = 0;
  TychoReport tychoReport;
};

// Builds the three files in `folder` (each replaced only when complete);
// false with `error` naming the damaged list line or the failed file.
// With a Tycho-2 list (data/published/stars_tycho.csv.gz) the Tycho file
// holds its stars that are not already stars of the other two files.
bool buildStarCatalogues(std::string_view list, std::string_view listName,
                         const std::string& folder, StarCounts& counts, std::string& error);
bool buildStarCatalogues(std::string_view list, std::string_view listName,
                         const std::string& tychoPath, const std::string& folder,
                         StarCounts& counts, std::string& error);

}  // namespace catalogues
