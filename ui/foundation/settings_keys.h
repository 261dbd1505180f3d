// The keys of the "CurrentSettings" file: one table, in the order the file
// is written, of each key's kind, default and the model field it feeds.
// The reader and the writer both walk it.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "ui/foundation/settings_model.h"

namespace settings_file {

// A text through its setter.
struct TextKey {
  const std::string& (Settings::*get)() const;
  void (Settings::*set)(std::string);
  const char* fallback;
};
// How a double of the file may be: a place, time, zone, multiplier or view
// must be finite; the planets' limit may be +-infinity (no limit), never
// not-a-number.
enum class Range { finite, infiniteAllowed };
struct RealKey {
  double (Settings::*get)() const;
  void (Settings::*set)(double);
  double fallback;
  Range range;
};
// A single-precision field written as a double.
struct SingleKey {
  float (Settings::*get)() const;
  void (Settings::*set)(float);
  double fallback;
  Range range;
};
struct FlagKey {
  bool (Settings::*get)() const;
  void (Settings::*set)(bool);
  bool fallback;
};
struct IntegerKey {
  int (Settings::*get)() const;
  void (Settings::*set)(int);
  int fallback;
};
// A field of a perspective's record (1 sky to 4 ground), read directly.
struct PerspectiveKey {
  int perspective;
  double PerspectiveData::*field;
  double fallback;
};
// A satellite category flag, read directly; a key may carry several flags,
// one per occurrence.
struct CategoryKey {
  int code;
  bool fallback;
  int occurrence;
};
// The rows with their own steps.
enum class Special {
  version,               // written as "1.0", never read
  selectedObject,        // an object describing the chart's selection
  selectedObjectLocked,  // a flag (default on), then the chart's selection
  userLocation,          // one object per user location
  countryBorder,         // one text per shown country
};

using KeyAccess = std::variant<TextKey, RealKey, SingleKey, FlagKey, IntegerKey, PerspectiveKey, CategoryKey, Special>;

struct SettingsKey {
  const char* key;
  KeyAccess access;
};

// Every key in the order written.
const std::vector<SettingsKey>& settingsKeys();

// The value of the version key.
inline constexpr const char* kSettingsVersion = "1.0";

}  // namespace settings_file
