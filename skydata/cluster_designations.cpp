#include "skydata/cluster_designations.h"

#include <cctype>
#include <cmath>
#include <cstring>
#include <initializer_list>

#include "skydata/catalog_numbers.h"
#include "skydata/designation_scan.h"
#include "skydata/designation_text.h"

namespace {

constexpr std::int64_t kClusterRowFactor = 10000;
constexpr std::int64_t kNebulaRowFactor = 100000;
constexpr long long kLastClusterNumber = 9999;

constexpr int kAllenRow = 2;
constexpr int kBlancoRow = 10;
constexpr int kCederbladRow = 21;
constexpr int kTerzanRow = 126;
constexpr int kPositionRows[] = {6, 15, 26, 29, 39, 48, 50, 66};
constexpr int kLetterBase = 27;  // number x 27 + letter (1-26)
constexpr long long kAllenNumber = 2;
constexpr long long kCederbladLimit = 331;
constexpr long long kTerzanLimit = 10000;

bool isPositionRow(int row) {
  for (int r : kPositionRows)
    if (r == row) return true;
  return false;
}

TextOut outputFor(char* buffer, std::size_t size) {
  static char shared[kSharedTextSize];
  return resolveOutput(buffer, size, shared);
}

int letterCode(char c) {
  c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return c >= 'A' && c <= 'Z' ? c - 'A' + 1 : 0;
}

const char* nebulaName(const NebulaCatalogRow& row, int style) {
  return style == 0 && row.longName[0] != '\0' ? row.longName : row.acronym;
}

// The number at the first digit of `text`, 0 <= n <= high; -1 when none.
long long numberAtFirstDigit(const char* text, long long high) {
  while (*text != '\0' && !std::isdigit(static_cast<unsigned char>(*text))) ++text;
  long long n = 0;
  if (*text == '\0' || !scanInteger(text, n) || n > high) return -1;
  return n;
}

// Other rows: "%d-%d" (first 0-99, second 0-999) or a single number as the
// second part.
std::int64_t parsePairValue(const char* text) {
  long long first = 0, second = 0;
  if (!scanInteger(text, first)) return -1;
  if (*text == '-' && std::isdigit(static_cast<unsigned char>(text[1]))) {
    ++text;
    if (!scanInteger(text, second) || first < 0 || first > 99 || second > 999) return -1;
    return first * 1000 + second;
  }
  return first >= 0 && first <= 999 ? first : -1;
}

std::int64_t parseTerzanValue(const char* text) {
  long long n = 0;
  if (!scanInteger(text, n) || n < 1 || n >= kTerzanLimit) return -1;
  return n;
}

std::int64_t valueForRow(int row, const char* numberPart) {
  if (row == kCederbladRow) return parseCederbladDesignation(numberPart);
  if (row == kBlancoRow) return parseBlancoDesignation(numberPart);
  if (row == kAllenRow) return parseAllenDesignation(numberPart);
  if (row == kTerzanRow) return parseTerzanValue(numberPart);
  if (isPositionRow(row)) return parsePositionDesignation(numberPart);
  return parsePairValue(numberPart);
}

bool sameRowObject(std::int64_t a, std::int64_t b, std::int64_t rowFactor) {
  return a == b || (a % rowFactor == 0 && a / rowFactor == b / rowFactor && a >= 0 && b >= 0);
}

// "Bl " or "Blanco " and a capital letter: Blanco's lettered objects.
bool startsBlancoLetter(const char* text) {
  for (const char* name : {"Bl ", "Blanco "}) {
    std::size_t length = std::strlen(name);
    if (std::strncmp(text, name, length) == 0 && std::isupper(static_cast<unsigned char>(text[length])))
      return true;
  }
  return false;
}

}  // namespace

const char* formatClusterDesignation(std::int64_t entry, char* buffer, std::size_t size, int style) {
  TextOut out = outputFor(buffer, size);
  std::int64_t row = entry / kClusterRowFactor;
  int number = static_cast<int>(entry % kClusterRowFactor);
  if (entry < 0 || row < 1 || row > kClusterCatalogRows || number < 1) return writeEmpty(out);
  const ClusterCatalogRow& r = clusterCatalogTable[row - 1];
  const char* name = style && r.shortName[0] != '\0' ? r.shortName : r.longName;
  return writeText(out, "%s %d", name, number);
}

const char* formatBlancoDesignation(std::int64_t value, char* buffer, std::size_t size, int style) {
  TextOut out = outputFor(buffer, size);
  const char* name = nebulaName(nebulaCatalogTable[kBlancoRow - 1], style);
  if (value >= 1 && value <= 26) return writeText(out, "%s %c", name, static_cast<char>('A' + value - 1));
  if (value >= 1000 && value < kNebulaRowFactor)
    return writeText(out, "%s %lld-%lld", name, static_cast<long long>(value / 1000),
                     static_cast<long long>(value % 1000));
  return writeEmpty(out);
}

const char* formatCederbladDesignation(std::int64_t value, char* buffer, std::size_t size, int style) {
  TextOut out = outputFor(buffer, size);
  const char* name = nebulaName(nebulaCatalogTable[kCederbladRow - 1], style);
  long long number = value / kLetterBase;
  int letter = static_cast<int>(value % kLetterBase);
  if (value < 0 || number < 1) return writeEmpty(out);
  if (letter == 0) return writeText(out, "%s %lld", name, number);
  return writeText(out, "%s %lld%c", name, number, static_cast<char>('a' + letter - 1));
}

const char* formatClusterNebulaDesignation(std::int64_t entry, char* buffer, std::size_t size, int style) {
  TextOut out = outputFor(buffer, size);
  std::int64_t row = entry / kNebulaRowFactor;
  std::int64_t value = entry % kNebulaRowFactor;
  if (entry < 0 || row < 1 || row > kNebulaCatalogRows || value == 0) return writeEmpty(out);
  const NebulaCatalogRow& r = nebulaCatalogTable[row - 1];
  if (row == kBlancoRow) return formatBlancoDesignation(value, buffer, size, style);
  if (row == kCederbladRow) return formatCederbladDesignation(value, buffer, size, style);
  if (row == kAllenRow) {
    int letter = static_cast<int>(value % kLetterBase);
    if (letter == 0) return writeEmpty(out);
    return writeText(out, "%s %lld-%c", nebulaName(r, style), static_cast<long long>(value / kLetterBase),
                     static_cast<char>('A' + letter - 1));
  }
  if (isPositionRow(static_cast<int>(row))) {
    long long longitude = value / 180;
    long long latitude = value % 180 - 90;
    if (longitude < 1 || longitude > 359 || latitude < -89) return writeEmpty(out);
    return writeText(out, "%s %03lld%+02lld", r.acronym, longitude, latitude);
  }
  if (row == kTerzanRow || value < 1000)
    return writeText(out, "%s %lld", nebulaName(r, style), static_cast<long long>(value));
  return writeText(out, "%s %lld-%lld", nebulaName(r, style), static_cast<long long>(value / 1000),
                   static_cast<long long>(value % 1000));
}

int parseClusterDesignation(const char* text, std::int64_t* numbers, int max) {
  if (numbers == nullptr || max < 1) return 0;
  DesignationText parts;
  if (!splitCatalogPrefix(text, parts)) return 0;
  long long number = numberAtFirstDigit(parts.text, kLastClusterNumber);
  if (number < 0 || parts.prefix[0] == '\0') return 0;
  bool caseSensitive = isCaseSensitiveSearch();
  int count = 0;
  for (int row = 1; row <= kClusterCatalogRows && count < max; ++row) {
    const ClusterCatalogRow& r = clusterCatalogTable[row - 1];
    bool shortMatch = r.shortName[0] != '\0' && compareStrings(parts.prefix, r.shortName, 0, caseSensitive) == 0;
    if (shortMatch || isAbbreviationOf(parts.prefix, r.longName, 3))
      count = addCatalogNumber(numbers, count, max,
                               makeCatalogNumber(kCatalogCluster, row * kClusterRowFactor + number));
  }
  return count;
}

int parseClusterNebulaDesignation(const char* text, std::int64_t* numbers, int max) {
  if (numbers == nullptr || max < 1) return 0;
  DesignationText parts;
  if (!splitCatalogPrefix(text, parts)) return 0;
  std::int64_t rowBase = makeCatalogNumber(kCatalogClusterNebula, 0);
  if (startsBlancoLetter(parts.text)) {
    std::int64_t value = parseBlancoDesignation(std::strchr(parts.text, ' '));
    if (value <= 0) return 0;
    numbers[0] = rowBase + kBlancoRow * kNebulaRowFactor + value;
    return 1;
  }
  if (parts.prefix[0] == '\0') return 0;
  bool caseSensitive = isCaseSensitiveSearch();
  int count = 0;
  for (int row = 1; row <= kNebulaCatalogRows && count < max; ++row) {
    const NebulaCatalogRow& r = nebulaCatalogTable[row - 1];
    // A long name too short to be abbreviated ("The") names its row when
    // given whole.
    bool named = compareStrings(parts.prefix, r.acronym, 0, caseSensitive) == 0 ||
                 isAbbreviationOf(parts.prefix, r.longName, 4) ||
                 (r.longName[0] != '\0' && compareStrings(parts.prefix, r.longName, 0, caseSensitive) == 0);
    if (!named) continue;
    std::int64_t value = valueForRow(row, parts.numberPart);
    if (value >= 0) count = addCatalogNumber(numbers, count, max, rowBase + row * kNebulaRowFactor + value);
  }
  return count;
}

std::int64_t parseBlancoDesignation(const char* text) {
  if (text == nullptr) return -1;
  skipBlanks(text);
  if (std::isalpha(static_cast<unsigned char>(text[0])) && !std::isalnum(static_cast<unsigned char>(text[1])))
    return letterCode(text[0]);
  long long first = 0, second = 0;
  if (!scanInteger(text, first) || *text++ != '-' || !std::isdigit(static_cast<unsigned char>(*text)) ||
      !scanInteger(text, second))
    return -1;
  if (first < 1 || first > 99 || second > 999) return -1;
  return first * 1000 + second;
}

std::int64_t parseCederbladDesignation(const char* text) {
  if (text == nullptr) return -1;
  long long number = 0;
  if (!scanInteger(text, number) || number < 1 || number >= kCederbladLimit) return -1;
  return number * kLetterBase + letterCode(*text);
}

std::int64_t parseAllenDesignation(const char* text) {
  if (text == nullptr) return -1;
  long long number = 0;
  if (!scanInteger(text, number)) return -1;
  if (number == 0 && *text != '-') return 0;
  int letter = *text == '-' ? letterCode(text[1]) : 0;
  if (number != kAllenNumber || letter == 0) return -1;
  return number * kLetterBase + letter;
}

std::int64_t parsePositionDesignation(const char* text) {
  if (text == nullptr) return -1;
  double longitude = 0, latitude = 0;
  if (!scanDecimal(text, longitude) || !scanDecimal(text, latitude)) return -1;
  if (!(std::fabs(longitude) < 1000 && std::fabs(latitude) < 1000)) return -1;
  long long l = static_cast<long long>(longitude);
  long long b = static_cast<long long>(latitude) + 90;
  if (l == 0 && b == 90 && longitude == 0 && latitude == 0) return 0;
  if (l < 1 || l > 359 || b < 1 || b > 179) return -1;
  return b + l * 180;
}

bool sameClusterObject(std::int64_t a, std::int64_t b) { return sameRowObject(a, b, kClusterRowFactor); }
bool sameClusterNebulaObject(std::int64_t a, std::int64_t b) { return sameRowObject(a, b, kNebulaRowFactor); }
