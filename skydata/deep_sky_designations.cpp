#include "skydata/deep_sky_designations.h"

#include <cctype>
#include <cmath>
#include <cstring>

#include "skydata/catalog_numbers.h"
#include "skydata/cluster_designations.h"
#include "skydata/designation_scan.h"
#include "skydata/designation_text.h"

namespace {

bool inRange(long long v, long long low, long long high) { return v >= low && v <= high; }

std::int64_t numberOf(int catalogue, long long entry) {
  return entry > 0 && entry < kCatalogFactor ? makeCatalogNumber(catalogue, entry) : 0;
}

// "%d" with 1 <= n < limit.
std::int64_t readNumber(int catalogue, const char* text, long long limit) {
  long long n = 0;
  if (!scanInteger(text, n) || n < 1 || n >= limit) return 0;
  return numberOf(catalogue, n);
}

// Catalogues whose numbers have no upper bound but the encoding's.
std::int64_t readAnyNumber(int catalogue, const char* text) { return readNumber(catalogue, text, kCatalogFactor); }

bool readSign(const char*& text, int& sign) {
  char c = 0;
  if (!scanCharacter(text, c) || (c != '+' && c != '-')) return false;
  sign = c == '+' ? 1 : 0;
  return true;
}

// An unsigned "%d" directly at the text (after blanks), 0 <= n <= high.
bool readPart(const char*& text, long long high, long long& n) {
  skipBlanks(text);
  if (!std::isdigit(static_cast<unsigned char>(*text))) return false;
  return scanInteger(text, n) && n <= high;
}

char upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

// Skips blanks and the "J" that the survey names put before the position.
const char* afterSurveyName(const char* text, std::size_t nameLength) {
  text += nameLength;
  skipBlanks(text);
  if (*text == 'J' || *text == 'j') ++text;
  return text;
}

std::int64_t parseMessier(const char* text) {
  long long n = 0;
  if (!scanInteger(text, n)) return 0;
  const char* after = text;
  skipBlanks(after);
  if (*after == '-' && std::isdigit(static_cast<unsigned char>(after[1]))) return 0;  // "M 1-92" is Minkowski's
  return inRange(n, 1, 110) ? numberOf(101, n) : 0;
}

std::int64_t parseSuffixed(int catalogue, const char* text, long long limit) {
  long long n = 0;
  if (!scanInteger(text, n) || n < 1 || n >= limit) return 0;
  char c = upper(*text);
  int suffix = c >= 'A' && c <= 'I' ? c - 'A' + 1 : 0;
  return numberOf(catalogue, n * 10 + suffix);
}

std::int64_t parseNGC(const char* text) { return parseSuffixed(102, text, 7841); }
std::int64_t parseIC(const char* text) { return parseSuffixed(103, text, 5387); }
std::int64_t parseCaldwell(const char* text) { return readNumber(104, text, 111); }
std::int64_t parseLBN(const char* text) { return readNumber(113, text, 1126); }
std::int64_t parseLDN(const char* text) { return readNumber(115, text, 1807); }
std::int64_t parseUGC(const char* text) { return readNumber(121, text, 12922); }
std::int64_t parseUGCA(const char* text) { return readNumber(122, text, 99999); }
std::int64_t parsePGC(const char* text) { return readNumber(123, text, 10000000); }
std::int64_t parseESOLV(const char* text) { return readAnyNumber(127, text); }
std::int64_t parseArp(const char* text) { return readAnyNumber(128, text); }
std::int64_t parseAbell(const char* text) { return readAnyNumber(129, text); }
std::int64_t parseHickson(const char* text) { return readAnyNumber(131, text); }
std::int64_t parseVV(const char* text) { return readAnyNumber(132, text); }
std::int64_t parseMarkarian(const char* text) { return readAnyNumber(133, text); }
std::int64_t parseArakelian(const char* text) { return readAnyNumber(134, text); }

std::int64_t parseBarnard(const char* text) {
  long long n = 0;
  if (!scanInteger(text, n) || !inRange(n, 1, 370)) return 0;
  return numberOf(114, n * 10 + (upper(*text) == 'A' ? 1 : 0));
}

std::int64_t parsePK(const char* text) {
  long long longitude = 0, latitude = 0;
  int sign = 0, tenth = 0;
  if (!readPart(text, 359, longitude) || !readSign(text, sign) || !readPart(text, 89, latitude) ||
      *text++ != '.' || !scanDigit(text, tenth))
    return 0;
  return numberOf(116, longitude * 10000 + sign * 1000 + latitude * 10 + tenth);
}

std::int64_t parsePNG(const char* text) {
  long long longitude = 0, latitude = 0;
  int sign = 0, longitudeTenth = 0, latitudeTenth = 0;
  if (!readPart(text, 359, longitude) || *text++ != '.' || !scanDigit(text, longitudeTenth) ||
      !readSign(text, sign) || !readPart(text, 90, latitude) || *text++ != '.' ||
      !scanDigit(text, latitudeTenth))
    return 0;
  long long latitudeTenths = latitude * 10 + latitudeTenth;
  if (latitudeTenths > 900) return 0;
  return numberOf(117, (longitude * 10 + longitudeTenth) * 100000 + sign * 10000 + latitudeTenths);
}

std::int64_t parseMCG(const char* text) {
  long long zone = 0, field = 0, number = 0;
  if (!scanInteger(text, zone) || !inRange(zone, -99, 99) || *text++ != '-' || !readPart(text, 99, field) ||
      *text++ != '-' || !readPart(text, 99, number))
    return 0;
  long long zoneCode = zone < 0 ? 100 - zone : zone;
  return numberOf(124, zoneCode * 10000 + field * 100 + number);
}

std::int64_t parseCGCG(const char* text) {
  long long first = 0, second = 0;
  char separator = 0;
  if (!readPart(text, 999, first) || !scanCharacter(text, separator) || !readPart(text, 999, second)) return 0;
  return numberOf(125, first * 1000 + second);
}

// The ESO forms after the field: "-45", " 45", "-**45" plain; "-EN45";
// "-N45" and "-*N45"; "-PN45"; "-SC45". The number stays below 1000 so that
// no plain number reads as one of the lettered kinds.
std::int64_t parseESO(const char* text) {
  long long field = 0, number = 0;
  if (!readPart(text, 999, field)) return 0;
  int kind = 0;
  if (*text == '-') {
    ++text;
    char a = upper(text[0]), b = a != '\0' ? upper(text[1]) : '\0';
    if (a == '*' && b == '*') text += 2;
    else if (a == 'E' && b == 'N') kind = 1, text += 2;
    else if (a == '*' && b == 'N') kind = 2, text += 2;
    else if (a == 'N') kind = 2, text += 1;
    else if (a == 'P' && b == 'N') kind = 3, text += 2;
    else if (a == 'S' && b == 'C') kind = 4, text += 2;
  } else if (*text != ' ' && *text != '\t') {
    return 0;
  }
  if (!readPart(text, 999, number)) return 0;
  return numberOf(126, field * 10000 + kind * 1000 + number);
}

std::int64_t parseCoordinateName(int catalogue, const char* text, long long raLimit, long long decLimit,
                                 long long signFactor) {
  long long ra = 0, dec = 0;
  int sign = 0;
  if (!readPart(text, raLimit - 1, ra) || !readSign(text, sign) || !readPart(text, decLimit - 1, dec)) return 0;
  return numberOf(catalogue, ra * signFactor * 10 + sign * signFactor + dec);
}

std::int64_t parseIRAS(const char* text) { return parseCoordinateName(136, text, 24000, 9000, 10000); }

std::int64_t parse3C(const char* text) { return readNumber(135, text + 2, 1000); }

std::int64_t parseSDSS(const char* text) {
  text = afterSurveyName(text, 4);
  double ra = 0, dec = 0;
  int sign = 0;
  if (!scanDecimal(text, ra) || !readSign(text, sign) || !scanDecimal(text, dec)) return 0;
  if (!(ra >= 0 && ra * 100 < 23999999.5 && dec >= 0 && dec * 10 < 8999999.5)) return 0;
  long long raPart = std::llround(ra * 100), decPart = std::llround(dec * 10);
  return numberOf(141, raPart * 100000000 + sign * 10000000LL + decPart);
}

std::int64_t parse2MASS(const char* text) {
  return parseCoordinateName(142, afterSurveyName(text, 5), 24000000, 9000000, 10000000);
}

enum class Match { Exact, Abbreviation, Begins };

struct DeepSkyPrefix {
  const char* name;
  Match match;
  std::size_t minimum;  // shortest abbreviation accepted
  std::int64_t (*parse)(const char* text);
};

// In this order; an abbreviation needs at least `minimum` characters.
// Begins: the whole text starts with the name and the parser reads it all.
const DeepSkyPrefix kDeepSkyPrefixes[] = {
    {"Messier", Match::Abbreviation, 2, parseMessier},
    {"M", Match::Exact, 0, parseMessier},
    {"Caldwell", Match::Abbreviation, 1, parseCaldwell},
    {"C", Match::Exact, 0, parseCaldwell},
    {"NGC", Match::Exact, 0, parseNGC},
    {"IC", Match::Exact, 0, parseIC},
    {"LBN", Match::Exact, 0, parseLBN},
    {"Barnard", Match::Abbreviation, 1, parseBarnard},
    {"B", Match::Exact, 0, parseBarnard},
    {"LDN", Match::Exact, 0, parseLDN},
    {"PNG", Match::Exact, 0, parsePNG},
    {"PN G", Match::Exact, 0, parsePNG},
    {"PK", Match::Exact, 0, parsePK},
    {"UGC", Match::Exact, 0, parseUGC},
    {"UGCA", Match::Exact, 0, parseUGCA},
    {"PGC", Match::Exact, 0, parsePGC},
    {"Arp", Match::Exact, 0, parseArp},
    {"Abell", Match::Exact, 0, parseAbell},
    {"Hickson", Match::Exact, 0, parseHickson},
    {"HCG", Match::Exact, 0, parseHickson},
    {"Markarian", Match::Abbreviation, 3, parseMarkarian},
    {"Mk", Match::Exact, 0, parseMarkarian},
    {"Velyaminov-Vorontosov", Match::Abbreviation, 3, parseVV},
    {"VV", Match::Exact, 0, parseVV},
    {"Arakelian", Match::Abbreviation, 5, parseArakelian},
    {"Arak", Match::Exact, 0, parseArakelian},
    {"IRAS", Match::Exact, 0, parseIRAS},
    {"ESO-LV", Match::Exact, 0, parseESOLV},
    {"ESO", Match::Exact, 0, parseESO},
    {"CGCG", Match::Exact, 0, parseCGCG},
    {"MCG", Match::Exact, 0, parseMCG},
    {"3C", Match::Begins, 0, parse3C},
    {"SDSS", Match::Begins, 0, parseSDSS},
    {"2MASS", Match::Begins, 0, parse2MASS},
};

bool prefixMatches(const DeepSkyPrefix& entry, const DesignationText& parts, bool caseSensitive) {
  switch (entry.match) {
    case Match::Exact: return compareStrings(parts.prefix, entry.name, 0, caseSensitive) == 0;
    case Match::Abbreviation: return isAbbreviationOf(parts.prefix, entry.name, entry.minimum);
    case Match::Begins: return compareStrings(parts.text, entry.name, std::strlen(entry.name), caseSensitive) == 0;
  }
  return false;
}

const char* formatSuffixed(TextOut out, const char* name, std::int64_t entry) {
  long long number = entry / 10;
  int suffix = static_cast<int>(entry % 10);
  if (number < 1) return writeEmpty(out);
  if (suffix == 0) return writeText(out, "%s %lld", name, number);
  return writeText(out, "%s %lld%c", name, number, 'A' + suffix - 1);
}

const char* formatCoordinateName(TextOut out, const char* format, std::int64_t entry, long long signFactor,
                                 long long raLimit, long long decLimit) {
  long long ra = entry / (signFactor * 10);
  long long sign = entry / signFactor % 10;
  long long dec = entry % signFactor;
  if (ra >= raLimit || sign > 1 || dec >= decLimit) return writeEmpty(out);
  return writeText(out, format, static_cast<int>(ra), sign ? '+' : '-', static_cast<int>(dec));
}

TextOut outputFor(char* buffer, std::size_t size) {
  static char shared[kSharedTextSize];
  return resolveOutput(buffer, size, shared);
}

const char* formatPK(TextOut out, std::int64_t entry) {
  long long longitude = entry / 10000;
  long long sign = entry / 1000 % 10;
  int latitude = static_cast<int>(entry / 10 % 100);
  int tenth = static_cast<int>(entry % 10);
  if (longitude > 359 || sign > 1 || latitude > 89) return writeEmpty(out);
  return writeText(out, "PK %03d%c%02d.%d", static_cast<int>(longitude), sign ? '+' : '-', latitude, tenth);
}

const char* formatPNG(TextOut out, std::int64_t entry) {
  long long longitude = entry / 100000;
  long long sign = entry / 10000 % 10;
  long long latitude = entry % 10000;
  if (longitude > 3599 || sign > 1 || latitude > 900) return writeEmpty(out);
  return writeText(out, "PN G%05.1f%c%04.1f", longitude / 10.0, sign ? '+' : '-', latitude / 10.0);
}

const char* formatESO(TextOut out, std::int64_t entry) {
  static const char* const kKinds[] = {"", "EN", "N", "PN", "SC"};
  long long field = entry / 10000;
  int k = static_cast<int>(entry % 10000);
  if (field > 999 || k >= 5000) return writeEmpty(out);
  return writeText(out, "ESO %d-%s%d", static_cast<int>(field), kKinds[k / 1000], k % 1000);
}

const char* formatSDSS(TextOut out, std::int64_t entry) {
  long long ra = entry / 100000000;
  long long sign = entry / 10000000 % 10;
  long long dec = entry % 10000000;
  if (ra > 23999999 || sign > 1 || dec > 8999999) return writeEmpty(out);
  return writeText(out, "SDSS %09.2f%c%08.1f", ra / 100.0, sign ? '+' : '-', dec / 10.0);
}

const char* formatMCG(TextOut out, std::int64_t entry) {
  long long zoneCode = entry / 10000;
  int field = static_cast<int>(entry / 100 % 100);
  int number = static_cast<int>(entry % 100);
  long long zone = zoneCode <= 99 ? zoneCode : 100 - zoneCode;
  if (zoneCode == 100 || zoneCode > 199) return writeEmpty(out);
  return writeText(out, "MCG %d-%d-%d", static_cast<int>(zone), field, number);
}

const char* formatNumbered(TextOut out, const char* shortName, const char* longName, std::int64_t entry,
                           int style) {
  return writeText(out, "%s %lld", style ? shortName : longName, static_cast<long long>(entry));
}

}  // namespace

const char* formatNGCDesignation(std::int64_t entry, char* buffer, std::size_t size) {
  return formatSuffixed(outputFor(buffer, size), "NGC", entry);
}
const char* formatICDesignation(std::int64_t entry, char* buffer, std::size_t size) {
  return formatSuffixed(outputFor(buffer, size), "IC", entry);
}
const char* formatPKDesignation(std::int64_t entry, char* buffer, std::size_t size) {
  return formatPK(outputFor(buffer, size), entry);
}
const char* formatPNGDesignation(std::int64_t entry, char* buffer, std::size_t size) {
  return formatPNG(outputFor(buffer, size), entry);
}
const char* formatESODesignation(std::int64_t entry, char* buffer, std::size_t size) {
  return formatESO(outputFor(buffer, size), entry);
}
const char* formatSDSSDesignation(std::int64_t entry, char* buffer, std::size_t size) {
  return formatSDSS(outputFor(buffer, size), entry);
}

const char* formatDeepSkyDesignation(int catalogue, std::int64_t entry, char* buffer, std::size_t size,
                                     int style) {
  if (catalogue == kCatalogCluster) return formatClusterDesignation(entry, buffer, size, style);
  if (catalogue == kCatalogClusterNebula) return formatClusterNebulaDesignation(entry, buffer, size, style);
  TextOut out = outputFor(buffer, size);
  if (entry < 1 || entry >= kCatalogFactor) return writeEmpty(out);
  switch (catalogue) {
    case 101: return formatNumbered(out, "M", "Messier", entry, style);
    case kCatalogNGC: return formatSuffixed(out, "NGC", entry);
    case kCatalogIC: return formatSuffixed(out, "IC", entry);
    case 104: return formatNumbered(out, "C", "Caldwell", entry, style);
    case 113: return writeText(out, "LBN %lld", static_cast<long long>(entry));
    case 114: {
      long long number = entry / 10;
      int companion = static_cast<int>(entry % 10);
      if (number < 1 || companion > 1) return writeEmpty(out);
      return writeText(out, companion ? "%s %llda" : "%s %lld", style ? "B" : "Barnard", number);
    }
    case 115: return writeText(out, "LDN %lld", static_cast<long long>(entry));
    case 116: return formatPK(out, entry);
    case 117: return formatPNG(out, entry);
    case 121: return writeText(out, "UGC %lld", static_cast<long long>(entry));
    case 122: return writeText(out, "UGCA %lld", static_cast<long long>(entry));
    case 123: return writeText(out, "PGC %lld", static_cast<long long>(entry));
    case 124: return formatMCG(out, entry);
    case 125:
      if (entry >= 1000000) return writeEmpty(out);
      return writeText(out, "CGCG %d-%d", static_cast<int>(entry / 1000), static_cast<int>(entry % 1000));
    case 126: return formatESO(out, entry);
    case 127: return writeText(out, "ESO-LV %lld", static_cast<long long>(entry));
    case 128: return writeText(out, "Arp %lld", static_cast<long long>(entry));
    case 129: return writeText(out, "Abell %lld", static_cast<long long>(entry));
    case 131: return formatNumbered(out, "HCG", "Hickson", entry, style);
    case 132: return writeText(out, "VV %lld", static_cast<long long>(entry));
    case 133: return formatNumbered(out, "Mk", "Markarian", entry, style);
    case 134: return formatNumbered(out, "Arak", "Arakelian", entry, style);
    case 135: return writeText(out, "3C %lld", static_cast<long long>(entry));
    case 136: return formatCoordinateName(out, "IRAS %05d%c%04d", entry, 10000, 24000, 9000);
    case 141: return formatSDSS(out, entry);
    case 142: return formatCoordinateName(out, "2MASS %08d%c%07d", entry, 10000000, 24000000, 9000000);
    default: return writeEmpty(out);
  }
}

const char* formatDeepSkyCatalogNumber(std::int64_t number, char* buffer, std::size_t size, int style) {
  int catalogue = 0;
  std::int64_t entry = 0;
  splitCatalogNumber(number, &catalogue, &entry);
  if (catalogue == 0 || entry == 0) return writeEmpty(outputFor(buffer, size));
  return formatDeepSkyDesignation(catalogue, entry, buffer, size, style);
}

char* appendDeepSkyDesignationParts(int catalogue, std::int64_t entry, char* buffer, std::size_t size,
                                    int style) {
  char text[kSharedTextSize];
  formatDeepSkyDesignation(catalogue, entry, text, sizeof text, style);
  return appendWithComma(buffer, size, text);
}

char* appendDeepSkyDesignation(std::int64_t number, char* buffer, std::size_t size, int style) {
  int catalogue = 0;
  std::int64_t entry = 0;
  splitCatalogNumber(number, &catalogue, &entry);
  return appendDeepSkyDesignationParts(catalogue, entry, buffer, size, style);
}

char* formatDeepSkyNameList(const std::int64_t* numbers, int count, const char* const* names,
                            int nameCount, char* buffer, std::size_t size) {
  static char shared[kSharedTextSize];
  // A buffer without room gets nothing: the list goes to the shared buffer.
  if (buffer == nullptr || size == 0) {
    buffer = shared;
    size = sizeof shared;
  }
  buffer[0] = '\0';
  for (int i = 0; names != nullptr && i < nameCount; ++i)
    if (names[i] != nullptr) appendWithComma(buffer, size, names[i]);
  for (int i = 0; numbers != nullptr && i < count; ++i) appendDeepSkyDesignation(numbers[i], buffer, size, 0);
  return buffer;
}

int parseDeepSkyDesignation(const char* text, int objectType, std::int64_t* numbers, int max) {
  if (numbers == nullptr || max < 1) return 0;
  DesignationText parts;
  if (!splitCatalogPrefix(text, parts)) return 0;
  bool caseSensitive = isCaseSensitiveSearch();
  int count = 0;
  for (const DeepSkyPrefix& entry : kDeepSkyPrefixes) {
    if (!prefixMatches(entry, parts, caseSensitive)) continue;
    const char* numberPart = entry.match == Match::Begins ? parts.text : parts.numberPart;
    count = addCatalogNumber(numbers, count, max, entry.parse(numberPart));
  }
  if (count < max && (objectType == 0 || (objectType >= 10 && objectType <= 12)))
    count += parseClusterDesignation(parts.text, numbers + count, max - count);
  if (count < max && (objectType == 0 || (objectType >= 13 && objectType <= 15)))
    count += parseClusterNebulaDesignation(parts.text, numbers + count, max - count);
  return count;
}

int parseDeepSkyNumberDigits(const char* text, std::int64_t* numbers, int max) {
  if (text == nullptr || numbers == nullptr || max < 1) return 0;
  using Parser = std::int64_t (*)(const char*);
  static constexpr Parser kParsers[] = {parseMessier, parseCaldwell, parseNGC,  parseIC,
                                        parseLBN,     parseLDN,      parseUGC,  parseUGCA,
                                        parsePGC,     parseArp,      parseMarkarian};
  int count = 0;
  for (Parser parse : kParsers) count = addCatalogNumber(numbers, count, max, parse(text));
  return count;
}

std::int64_t parseDeepSkyCatalogNumber(const char* text) {
  std::int64_t number = 0;
  return parseDeepSkyDesignation(text, 0, &number, 1) == 1 ? number : 0;
}

std::int64_t normalizeDeepSkyNumber(std::int64_t number) {
  int catalogue = catalogOfNumber(number);
  return catalogue == kCatalogNGC || catalogue == kCatalogIC ? number - number % 10 : number;
}
