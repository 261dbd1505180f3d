#include "platform/coregraphics/font_config.h"

#include <fontconfig/fontconfig.h>
#include <strings.h>

#include <cstdio>
#include <map>
#include <mutex>

#include "platform/foundation/bundle.h"

namespace cg {
namespace {

struct Configuration {
  std::string path;
  bool loaded = false;
};

const Configuration& configuration() {
  static const Configuration loaded = [] {
    Configuration result;
    FcInit();
    result.path = ns::Bundle::main().pathForResource("fonts", "conf", "Fonts");
    if (result.path.empty()) {
      std::fprintf(stderr, "Fonts/fonts.conf is missing from the bundle; using the system's fonts\n");
      return result;
    }
    FcConfig* current = FcConfigGetCurrent();
    result.loaded = FcConfigParseAndLoad(
        current, reinterpret_cast<const FcChar8*>(result.path.c_str()), FcTrue);
    if (!result.loaded)
      std::fprintf(stderr, "%s: the font configuration does not parse\n", result.path.c_str());
    return result;
  }();
  return loaded;
}

std::string patternString(FcPattern* pattern, const char* object, int index = 0) {
  FcChar8* value = nullptr;
  if (FcPatternGetString(pattern, object, index, &value) != FcResultMatch || !value) return {};
  return reinterpret_cast<const char*>(value);
}

int patternInteger(FcPattern* pattern, const char* object, int fallback) {
  int value = fallback;
  FcPatternGetInteger(pattern, object, 0, &value);
  return value;
}

FaceMatch match(const std::string& name, bool fallback) {
  FaceMatch result;
  result.requestedName = name;
  result.isFallback = fallback;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  // The first family after substitution is the one the name stands for
  // (the configuration replaces the application's names).
  std::string wanted = patternString(pattern, FC_FAMILY);
  FcResult status = FcResultNoMatch;
  FcPattern* found = FcFontMatch(nullptr, pattern, &status);
  FcPatternDestroy(pattern);
  if (!found) return result;
  result.found = true;
  result.family = patternString(found, FC_FAMILY);
  result.file = patternString(found, FC_FILE);
  result.index = patternInteger(found, FC_INDEX, 0);
  result.weight = patternInteger(found, FC_WEIGHT, FC_WEIGHT_REGULAR);
  result.slant = patternInteger(found, FC_SLANT, FC_SLANT_ROMAN);
  bool known = false;
  for (int i = 0; !known; ++i) {
    std::string family = patternString(found, FC_FAMILY, i);
    if (family.empty()) break;
    known = strcasecmp(family.c_str(), wanted.c_str()) == 0;
  }
  FcPatternDestroy(found);
  if (!known && !fallback) {
    FaceMatch system = match("sans-serif", true);
    if (system.found) {
      system.requestedName = name;
      return system;
    }
  }
  return result;
}

}  // namespace

bool ensureFontConfiguration() { return configuration().loaded; }

std::string fontConfigurationPath() { return configuration().path; }

FaceMatch resolveFace(std::string_view name) {
  ensureFontConfiguration();
  static std::mutex mutex;
  static std::map<std::string, FaceMatch, std::less<>> cache;
  {
    std::lock_guard lock(mutex);
    if (auto it = cache.find(name); it != cache.end()) return it->second;
  }
  std::string key(name);
  // Names with characters fontconfig treats as syntax are still plain
  // family names here: the pattern is built field by field, not parsed.
  FaceMatch result = key.empty() ? match("sans-serif", true) : match(key, false);
  result.requestedName = key;
  std::lock_guard lock(mutex);
  if (cache.size() > 512) cache.clear();
  cache.emplace(key, result);
  return result;
}

}  // namespace cg
