#include "skydata/text_fields.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>

std::string lineError(std::string_view name, int line, std::string_view what) {
  std::string text(name);
  text += ':';
  text += std::to_string(line);
  text += ": ";
  text += what;
  return text;
}

bool parseDouble(std::string_view field, double& value) {
  if (field.empty() || field.size() > 64) return false;
  // strtod needs a terminated copy; from_chars for doubles is not in g++ 12's
  // every configuration.
  char buffer[65];
  field.copy(buffer, field.size());
  buffer[field.size()] = '\0';
  char* end = nullptr;
  errno = 0;
  double parsed = std::strtod(buffer, &end);
  if (end != buffer + field.size() || errno == ERANGE || !std::isfinite(parsed)) return false;
  value = parsed;
  return true;
}

bool parseInteger(std::string_view field, std::int64_t& value) {
  const char* first = field.data();
  const char* last = first + field.size();
  if (first != last && *first == '+') ++first;
  auto [end, status] = std::from_chars(first, last, value);
  return first != last && status == std::errc() && end == last;
}
