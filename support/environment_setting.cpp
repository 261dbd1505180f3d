// Environment settings and the one line about each unusable value.
#include "support/environment_setting.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>

#include "support/utf8.h"

std::string environmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::optional<double> numberInRange(std::string_view text, double low, double high) {
  const std::string copy(text);
  // strtod would skip leading blanks, which a value does not begin with.
  if (copy.empty() || std::isspace(static_cast<unsigned char>(copy.front()))) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const double value = std::strtod(copy.c_str(), &end);
  if (end != copy.c_str() + copy.size() || errno == ERANGE || !std::isfinite(value) || value < low ||
      value > high)
    return std::nullopt;
  return value;
}

std::string settingNumberText(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

std::optional<std::vector<std::string_view>> settingFields(std::string_view text, char separator,
                                                           std::size_t count) {
  std::vector<std::string_view> fields;
  for (std::size_t cut; (cut = text.find(separator)) != std::string_view::npos; text.remove_prefix(cut + 1))
    fields.push_back(text.substr(0, cut));
  fields.push_back(text);
  if (fields.size() != count) return std::nullopt;
  return fields;
}

void reportSetting(const char* name, std::string_view value, std::string_view verdict) {
  static std::mutex mutex;
  static std::set<std::string> said;
  {
    std::lock_guard lock(mutex);
    if (!said.insert(std::string(name) + '=' + std::string(value)).second) return;
  }
  std::fprintf(stderr, "%s=\"%s\" %.*s\n", name, printableText(value).c_str(), int(verdict.size()),
               verdict.data());
}

void reportUnusableSetting(const char* name, std::string_view value, std::string_view expected,
                           std::string_view used) {
  reportSetting(name, value, "is not " + std::string(expected) + "; using " + std::string(used));
}
