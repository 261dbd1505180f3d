#include "skydata/discoverer_designations.h"

#include <cctype>
#include <cstring>
#include <strings.h>

#include "skydata/catalog_numbers.h"
#include "skydata/designation_scan.h"

namespace {

constexpr std::int64_t kRowFactor = 10000;
constexpr long long kLastPair = 9999;
constexpr std::size_t kLongestCode = 4;
constexpr std::size_t kShortestName = 3;

// Length of a discoverer's name up to its first comma.
std::size_t surnameLength(const char* name) { return std::strcspn(name, ","); }

std::int64_t numberFor(int row, long long pair) {
  return makeCatalogNumber(kCatalogDiscoverer, row * kRowFactor + pair);
}

}  // namespace

const char* formatDiscovererDesignation(std::int64_t entry, char* buffer, std::size_t size, int style) {
  static char shared[kSharedTextSize];
  TextOut out = resolveOutput(buffer, size, shared);
  std::int64_t row = entry / kRowFactor;
  int pair = static_cast<int>(entry % kRowFactor);
  if (entry < 0 || row < 1 || row > discovererTableSize || pair < 1) return writeEmpty(out);
  const DiscovererRow& r = discovererTable[row - 1];
  if (style || r.name[0] == '\0') return writeText(out, "%s %d", r.code, pair);
  return writeText(out, "%.*s %d", static_cast<int>(surnameLength(r.name)), r.name, pair);
}

int parseDiscovererDesignation(const char* text, std::int64_t* numbers, int max) {
  if (numbers == nullptr || max < 1) return 0;
  DesignationText parts;
  if (!splitCatalogPrefix(text, parts)) return 0;
  const char* digit = parts.text;
  while (*digit != '\0' && !std::isdigit(static_cast<unsigned char>(*digit))) ++digit;
  long long pair = 0;
  if (*digit == '\0' || !scanInteger(digit, pair) || pair > kLastPair) return 0;
  std::size_t length = std::strlen(parts.prefix);
  if (length == 0) return 0;
  if (length <= kLongestCode) {
    for (int row = 1; row <= discovererTableSize; ++row)
      if (strcasecmp(parts.prefix, discovererTable[row - 1].code) == 0) {
        numbers[0] = numberFor(row, pair);
        return 1;
      }
  }
  if (length < kShortestName) return 0;
  int count = 0;
  for (int row = 1; row <= discovererTableSize && count < max; ++row) {
    const char* name = discovererTable[row - 1].name;
    if (surnameLength(name) == length && strncasecmp(parts.prefix, name, length) == 0)
      count = addCatalogNumber(numbers, count, max, numberFor(row, pair));
  }
  return count;
}

std::int64_t parseDiscovererNumber(const char* text) {
  std::int64_t numbers[2];
  return parseDiscovererDesignation(text, numbers, 2) == 1 ? numbers[0] : 0;
}
