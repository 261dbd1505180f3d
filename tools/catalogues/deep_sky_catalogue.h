// "DeepSky.skydata" from the "deepsky" list of extract_deep_sky.py: a sky
// tree ordered by magnitude, with the name index and an index for every
// catalogue the objects are numbered in. The list's texts are sorted into
// catalogue numbers (those the deep-sky designation parser reads) and
// proper names (the rest).
#pragma once

#include <string>
#include <string_view>

namespace catalogues {

// Builds `path` (replaced only when complete) and returns the object count
// through `count`; false with `error` naming the damaged list line.
bool buildDeepSkyCatalogue(std::string_view list, std::string_view listName,
                           const std::string& path, int& count, std::string& error);

}  // namespace catalogues
