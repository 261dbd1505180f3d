#include "skydata/designation_text.h"

#include <cstring>
#include <strings.h>

namespace {
bool caseSensitiveSearch = false;

bool isBlank(char c) { return c == ' ' || c == '\t'; }
}  // namespace

void setCaseSensitiveSearch(bool on) { caseSensitiveSearch = on; }
bool isCaseSensitiveSearch() { return caseSensitiveSearch; }

int compareStrings(const char* a, const char* b, std::size_t length, bool caseSensitive) {
  if (length == 0) return caseSensitive ? std::strcmp(a, b) : strcasecmp(a, b);
  return caseSensitive ? std::strncmp(a, b, length) : strncasecmp(a, b, length);
}

bool isAbbreviationOf(const char* text, const char* word, std::size_t minimumLength) {
  std::size_t length = std::strlen(text);
  if (length == 0 || length < minimumLength || length > std::strlen(word)) return false;
  return compareStrings(text, word, length, caseSensitiveSearch) == 0;
}

void splitDesignation(const char* text, char* first, std::size_t firstSize, char* rest,
                      std::size_t restSize) {
  while (isBlank(*text)) ++text;
  std::size_t n = 0;
  while (*text != '\0' && !isBlank(*text)) {
    if (n + 1 < firstSize) first[n++] = *text;
    ++text;
  }
  first[n] = '\0';
  while (isBlank(*text)) ++text;
  n = 0;
  while (*text != '\0') {
    if (n + 1 < restSize) rest[n++] = *text;
    ++text;
  }
  while (n > 0 && isBlank(rest[n - 1])) --n;
  rest[n] = '\0';
}

char* appendWithComma(char* buffer, std::size_t size, const char* text) {
  if (size == 0 || text == nullptr || *text == '\0') return buffer;
  std::size_t used = strnlen(buffer, size - 1);
  buffer[used] = '\0';
  if (used > 0 && used + 1 < size) {
    std::strncat(buffer, ", ", size - used - 1);
    used = std::strlen(buffer);
  }
  if (used + 1 < size) std::strncat(buffer, text, size - used - 1);
  return buffer;
}
