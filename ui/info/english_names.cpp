#include "ui/info/english_names.h"

#include <cstdint>

#include "engine/language.h"
#include "skydata/catalog_numbers.h"
#include "skydata/deep_sky_object.h"
#include "skydata/deep_sky_designations.h"
#include "skydata/object_factory.h"
#include "skydata/sky_object.h"
#include "skydata/star.h"

namespace {

// Most designations and most names taken from one star.
constexpr int kMostOfEach = 8;

// English for the life of the scope; the stored language and the time
// locale in force are put back however the scope is left.
class EnglishLanguageScope {
 public:
  EnglishLanguageScope() : stored_(getLanguage()), locale_(timeLocaleLanguage()) {
    setLanguage(0);
  }
  ~EnglishLanguageScope() {
    setLanguage(stored_);
    setLanguage(locale_);
  }
  EnglishLanguageScope(const EnglishLanguageScope&) = delete;
  EnglishLanguageScope& operator=(const EnglishLanguageScope&) = delete;

 private:
  int stored_;
  int locale_;
};

int starNames(const CStar& star, bool deepSky, char* const* buffers, int count,
              std::size_t size) {
  int written = 0;
  std::int64_t numbers[kMostOfEach];
  const int numberCount = star.getCatalogNumbers(numbers, kMostOfEach);
  for (int i = 0; i < numberCount && i < kMostOfEach && written < count; ++i) {
    if (numbers[i] == 0) break;
    if (deepSky)
      formatDeepSkyCatalogNumber(numbers[i], buffers[written], size, 0);
    else
      formatStarCatalogNumber(numbers[i], buffers[written], size, 0);
    ++written;
  }
  const char* names[kMostOfEach];
  const int nameCount = star.getNames(names, kMostOfEach);
  for (int i = 0; i < nameCount && i < kMostOfEach && written < count; ++i) {
    if (names[i] == nullptr || names[i][0] == '\0') break;
    copyNameText(names[i], buffers[written++], size);
  }
  return written;
}

}  // namespace

int getEnglishObjectNames(void*, const CSkyObject* object, char* const* buffers, int count,
                          std::size_t size) {
  if (object == nullptr || buffers == nullptr || count < 1 || size == 0) return 0;
  EnglishLanguageScope english;
  if (asPlanet(object) != nullptr || asConstellation(object) != nullptr ||
      asMeteorShower(object) != nullptr) {
    object->getName(buffers[0], size);
    return 1;
  }
  if (const CDeepSkyObject* deepSky = asDeepSkyObject(object))
    return starNames(*deepSky, true, buffers, count, size);
  if (const CStar* star = asStar(object)) return starNames(*star, false, buffers, count, size);
  return 0;
}
