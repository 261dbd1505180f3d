// Helpers of the designation tests: the language switch and a parse that
// collects what both the star and the deep-sky parsers find.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/language.h"
#include "skydata/deep_sky_designations.h"
#include "skydata/star_designations.h"

namespace designation_test {

constexpr std::int64_t kCatalog = 10000000000000000LL;

// Puts a language in force for one scope and English back afterwards.
class LanguageScope {
 public:
  explicit LanguageScope(int language) { setLanguage(language); }
  ~LanguageScope() { setLanguage(0); }
  LanguageScope(const LanguageScope&) = delete;
  LanguageScope& operator=(const LanguageScope&) = delete;
};

inline std::vector<std::int64_t> parseAll(const std::string& text, int objectType = 0) {
  std::int64_t numbers[32];
  int stars = parseStarDesignation(text.c_str(), objectType, numbers, 16);
  int deepSky = parseDeepSkyDesignation(text.c_str(), objectType, numbers + stars, 16);
  return {numbers, numbers + stars + deepSky};
}

inline bool parsesTo(const std::string& text, std::int64_t number) {
  for (std::int64_t n : parseAll(text))
    if (n == number) return true;
  return false;
}

}  // namespace designation_test
