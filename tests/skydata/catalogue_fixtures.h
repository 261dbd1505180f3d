// Small synthetic catalogues written with the project's own writer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "skydata/skydata_writer.h"
#include "skydata/star.h"

namespace catalogue_fixtures {

inline constexpr std::int64_t kCatalog = 10000000000000000LL;

struct StarSpec {
  std::uint32_t region;
  std::vector<std::string> names;
  std::vector<std::int64_t> numbers;
  float magnitude = 5.0f;
};

// Adds each star to its region and to the name index and the indexes of
// its catalogue numbers; returns the object indexes.
inline std::vector<int> addStars(SkyDataWriter& writer, const std::vector<StarSpec>& stars) {
  std::vector<int> indexes;
  for (const StarSpec& spec : stars) {
    CStar star(1);
    std::vector<const char*> names;
    for (const std::string& name : spec.names) names.push_back(name.c_str());
    star.setNames(names.data(), static_cast<int>(names.size()));
    star.setCatalogNumbers(spec.numbers.data(), static_cast<int>(spec.numbers.size()));
    const int index = writer.addObject(spec.region, star, spec.magnitude);
    indexes.push_back(index);
    if (index < 0) continue;
    for (const std::string& name : spec.names) {
      writer.addNameEntry(name, spec.region, static_cast<std::uint16_t>(index));
    }
    for (std::int64_t number : spec.numbers) {
      writer.addNumberEntry(number, spec.region, static_cast<std::uint16_t>(index));
    }
  }
  return indexes;
}

}  // namespace catalogue_fixtures
