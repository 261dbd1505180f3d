#include "engine/language.h"

#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <cstring>

TranslationHook translationHook = nullptr;

namespace {

struct TimeLocale {
  const char* name;       // the language's own locale name
  const char* systemName; // what the C library on Linux calls it
};

// Order follows the language index. Keep the system names in step with
// scripts/setup.d/places.sh, which generates them.
constexpr TimeLocale kTimeLocales[kLanguageCount] = {
    {"en_US", "en_US.UTF-8"}, {"es_ES", "es_ES.UTF-8"}, {"fr_FR", "fr_FR.UTF-8"},
    {"de_DE", "de_DE.UTF-8"}, {"it_IT", "it_IT.UTF-8"}, {"ru_RU", "ru_RU.UTF-8"},
    {"ja_JP", "ja_JP.UTF-8"}, {"ko_KR", "ko_KR.UTF-8"}, {"zh_Hans", "zh_CN.UTF-8"},
};

int storedLanguage = 0;
// The index whose time locale is in force. It differs from storedLanguage
// after a switch to 5-8, so switching back to the stored index must still
// restore that index's locale.
int timeLocaleIndex = 0;

bool hookApplies() { return storedLanguage != 0 && translationHook != nullptr; }

// Puts the time locale of `index` in force. When the system lacks it, the
// neutral "C" locale is used rather than leaving another language's names.
void applyTimeLocale(int index) {
  const TimeLocale& locale = kTimeLocales[index];
  if (std::setlocale(LC_TIME, locale.systemName) == nullptr &&
      std::setlocale(LC_TIME, locale.name) == nullptr) {
    std::setlocale(LC_TIME, "C");
  }
  timeLocaleIndex = index;
}

}  // namespace

int getLanguage() { return storedLanguage; }

void setLanguage(int index) {
  if (index < 0 || index >= kLanguageCount) return;
  if (index == storedLanguage && index == timeLocaleIndex) return;
  applyTimeLocale(index);
  if (index < kNameTableLanguages) storedLanguage = index;
}

const char* timeLocaleName() { return kTimeLocales[timeLocaleIndex].name; }

int timeLocaleLanguage() { return timeLocaleIndex; }

const char* translateString(const char* text) {
  return hookApplies() ? translationHook(text) : text;
}

char* translateStringCopy(char* destination, const char* source, std::size_t size) {
  if (size == 0) return destination;
  std::strncpy(destination, translateString(source), size);
  destination[size - 1] = '\0';
  return destination;
}

char* translatedSnprintf(char* buffer, std::size_t size, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(buffer, size, translateString(format), arguments);
  va_end(arguments);
  return buffer;
}
