#include "skydata/star_designations.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "skydata/bayer_letters.h"
#include "skydata/catalog_numbers.h"
#include "skydata/constellation_tables.h"
#include "skydata/deep_sky_designations.h"
#include "skydata/designation_scan.h"
#include "skydata/designation_text.h"
#include "skydata/discoverer_designations.h"
#include "skydata/satellite_codes.h"

namespace {

// Constellations that a designation may name (Serpens Cauda, row 89, is
// never written on its own).
constexpr int kLastConstellation = 88;
constexpr std::int64_t kConstellationFactor = 100000;

// Bounds of the entry parts (exclusive upper bounds unless said otherwise).
constexpr long long kHRLimit = 9111;
constexpr long long kHDLimit = 359084;
constexpr long long kSAOLimit = 258997;
constexpr long long kHIPLimit = 120417;
constexpr long long kADSLimit = 17181;
constexpr long long kLTTLimit = 100000;
constexpr long long kLHSLimit = 10000;
constexpr long long kLuytenFirstLimit = 10000;
constexpr long long kLuytenSecondLimit = 1000;
constexpr long long kGlieseLimit = 10000;
constexpr int kLastZone = 89;
constexpr long long kBDNumberLimit = 10000;
constexpr long long kCoDNumberLimit = 100000;
constexpr long long kWDSRightAscensionLimit = 24000;
constexpr long long kWDSDeclinationLimit = 9000;
constexpr long long kLastTychoRegion = 9537;
constexpr long long kLastTychoNumber = 12121;
constexpr long long kLastTychoComponent = 4;
constexpr long long kGSCIINumberLimit = 1000000;
constexpr int kMaxSuperscript = 99;
const char kBDSuffixes[] = "abnps";

bool inRange(long long v, long long low, long long high) { return v >= low && v <= high; }

// A number after a catalogue prefix ("%d"), low <= n < limit.
long long readBounded(const char* text, long long low, long long limit) {
  long long v = 0;
  if (!scanInteger(text, v) || v < low || v >= limit) return 0;
  return v;
}

std::int64_t numberOf(int catalogue, long long entry) {
  return entry > 0 ? makeCatalogNumber(catalogue, entry) : 0;
}

// "%d-%d": first x 1000 + second.
std::int64_t parseDashPair(int catalogue, const char* text) {
  long long first = 0, second = 0;
  if (!scanInteger(text, first) || *text++ != '-' || !scanInteger(text, second)) return 0;
  if (!inRange(first, 0, kLuytenFirstLimit - 1) || !inRange(second, 0, kLuytenSecondLimit - 1)) return 0;
  return numberOf(catalogue, first * 1000 + second);
}

// Zone designations: sign character, zone, number (blanks skipped first).
bool readZone(const char*& text, int& sign, long long& zone, long long& number, long long numberLimit) {
  skipBlanks(text);
  char c = 0;
  if (!scanCharacter(text, c) || (c != '+' && c != '-')) return false;
  sign = c == '+' ? 1 : 0;
  if (!scanInteger(text, zone) || !inRange(zone, 0, kLastZone)) return false;
  return scanInteger(text, number) && inRange(number, 1, numberLimit - 1);
}

std::int64_t parseZoneCatalogue(int catalogue, const char* text) {
  int sign = 0;
  long long zone = 0, number = 0;
  if (!readZone(text, sign, zone, number, kCoDNumberLimit)) return 0;
  return makeCatalogNumber(catalogue, sign * 10000000LL + zone * 100000 + number);
}

std::int64_t simpleNumber(int catalogue, const char* text, long long limit) {
  return numberOf(catalogue, readBounded(text, 1, limit));
}

// Tycho and GSC: region, separator, number (and for Tycho component).
bool readRegionNumber(const char*& text, long long& region, long long& number) {
  char separator = 0;
  return scanInteger(text, region) && inRange(region, 1, kLastTychoRegion) &&
         scanCharacter(text, separator) && scanInteger(text, number) &&
         inRange(number, 1, kLastTychoNumber);
}

const char* constellationName(int constellation, int style) {
  return style ? constellationAbbreviation(constellation) : constellationGenitive(constellation);
}

const char* formatBayer(TextOut out, std::int64_t entry, int style) {
  int constellation = static_cast<int>(entry / kConstellationFactor);
  int letter = static_cast<int>(entry / 100 % 1000);
  int superscript = static_cast<int>(entry % 100);
  if (!inRange(constellation, 1, kLastConstellation) || !inRange(letter, 1, kBayerLetterCount))
    return writeEmpty(out);
  const char* where = constellationName(constellation, style);
  char letterText[16];
  if (style && letter <= kGreekLetterCount) {
    letterText[0] = '$';
    letterText[1] = greekLetterSymbols[letter - 1];
    letterText[2] = '\0';
  } else {
    std::strncpy(letterText, bayerLetterName(letter), sizeof letterText - 1);
    letterText[sizeof letterText - 1] = '\0';
  }
  if (superscript > 0) return writeText(out, "%s%d %s", letterText, superscript, where);
  return writeText(out, "%s %s", letterText, where);
}

const char* formatConstellationEntry(TextOut out, int catalogue, std::int64_t entry, int style) {
  int constellation = static_cast<int>(entry / kConstellationFactor);
  int number = static_cast<int>(entry % kConstellationFactor);
  if (!inRange(constellation, 1, kLastConstellation) || number < 1) return writeEmpty(out);
  const char* where = constellationName(constellation, style);
  if (catalogue == kCatalogFlamsteed) return writeText(out, "%d %s", number, where);
  const char* letters = variableStarLetters(number);
  if (*letters == '\0') return writeEmpty(out);
  return writeText(out, "%s %s", letters, where);
}

const char* formatZone(TextOut out, const char* name, std::int64_t entry, bool withSuffix) {
  int sign = static_cast<int>(entry / 10000000);
  int zone = static_cast<int>(entry / 100000 % 100);
  if (!inRange(sign, 0, 1) || zone > kLastZone) return writeEmpty(out);
  char signCharacter = sign ? '+' : '-';
  if (!withSuffix) return writeText(out, "%s %c%02d %d", name, signCharacter, zone, static_cast<int>(entry % 100000));
  int number = static_cast<int>(entry / 10 % 10000);
  int suffix = static_cast<int>(entry % 10);
  if (suffix > 5) return writeEmpty(out);
  if (suffix == 0) return writeText(out, "BD %c%02d %d", signCharacter, zone, number);
  return writeText(out, "BD %c%02d %d%c", signCharacter, zone, number, kBDSuffixes[suffix - 1]);
}

const char* formatRegion(TextOut out, int catalogue, std::int64_t entry) {
  long long region = entry / 1000000;
  long long number = entry / 10 % 100000;
  long long component = entry % 10;
  if (!inRange(region, 1, kLastTychoRegion) || !inRange(number, 1, kLastTychoNumber) ||
      component > kLastTychoComponent || (catalogue == kCatalogGSC && component != 0))
    return writeEmpty(out);
  if (component == 0)
    return writeText(out, "GSC %04d-%04d", static_cast<int>(region), static_cast<int>(number));
  return writeText(out, "TYC %04d-%04d-%d", static_cast<int>(region), static_cast<int>(number),
                   static_cast<int>(component));
}

const char* formatGSCII(TextOut out, std::int64_t entry) {
  std::int64_t region = entry / 1000000;
  int number = static_cast<int>(entry % 1000000);
  if (region == 0) return writeText(out, "GSCII %d", number);
  char name[kHtmNameSize];
  if (region > 0xFFFFFFFFLL || !htmIdToName(name, static_cast<std::uint32_t>(region))) return writeEmpty(out);
  return writeText(out, "GSCII %s-%d", name, number);
}

const char* formatCoordinateName(TextOut out, const char* name, std::int64_t entry) {
  long long ra = entry / 100000;
  long long sign = entry / 10000 % 10;
  long long dec = entry % 10000;
  if (ra >= kWDSRightAscensionLimit || sign > 1 || dec >= kWDSDeclinationLimit) return writeEmpty(out);
  return writeText(out, "%s %05d%c%04d", name, static_cast<int>(ra), sign ? '+' : '-', static_cast<int>(dec));
}

bool isFirstSeriesLetterText(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }

struct PrefixParser {
  const char* prefix;
  std::int64_t (*parse)(const char*);
};

// The order decides which numbers a search lists first.
const PrefixParser kPrefixParsers[] = {
    {"Yale", parseHRNumber},          {"HR", parseHRNumber},
    {"SAO", parseSAONumber},          {"HD", parseHDNumber},
    {"BD", parseBDDesignation},       {"CoD", parseCoDDesignation},
    {"CPD", parseCPDDesignation},     {"HIP", parseHIPNumber},
    {"TYC", parseTychoDesignation},   {"GSC", parseGSCDesignation},
    {"GSCII", parseGSCIIDesignation}, {"GAIA", parseGaiaDesignation},
    {"WDS", parseWDSDesignation},     {"ADS", parseADSNumber},
    {"LHS", parseLHSNumber},          {"LTT", parseLTTNumber},
    {"LP", parseLPDesignation},       {"Luyten", parseLuytenDesignation},
    {"Gliese", parseGlieseDesignation}, {"GJ", parseGlieseDesignation},
    {"Giclas", parseGiclasDesignation},
};

constexpr int kFirstDoubleStarType = 2;
constexpr int kLastDoubleStarType = 5;

}  // namespace

const char* formatStarDesignation(int catalogue, std::int64_t entry, char* buffer, std::size_t size,
                                  int style) {
  static char shared[kSharedTextSize];
  if (catalogue >= 101 && catalogue <= 142)
    return formatDeepSkyDesignation(catalogue, entry, buffer, size, style);
  if (catalogue == kCatalogDiscoverer) return formatDiscovererDesignation(entry, buffer, size, style);
  TextOut out = resolveOutput(buffer, size, shared);
  if (entry < 0) return writeEmpty(out);
  switch (catalogue) {
    case kCatalogGaia: return writeText(out, "GAIA %lld", static_cast<long long>(entry));
    case kCatalogBayer: return formatBayer(out, entry, style);
    case kCatalogFlamsteed:
    case kCatalogVariableStar: return formatConstellationEntry(out, catalogue, entry, style);
    case 4: return writeText(out, "HR %lld", static_cast<long long>(entry));
    case 5: return writeText(out, "HD %lld", static_cast<long long>(entry));
    case 6: return writeText(out, "SAO %lld", static_cast<long long>(entry));
    case kCatalogBD: return entry < 20000000 ? formatZone(out, "BD", entry, true) : writeEmpty(out);
    case 8: return entry < 20000000 ? formatZone(out, "CoD", entry, false) : writeEmpty(out);
    case 9: return entry < 20000000 ? formatZone(out, "CPD", entry, false) : writeEmpty(out);
    case 11: return writeText(out, "HIP %lld", static_cast<long long>(entry));
    case 12:
    case 13:
    case 16: {
      const char* name = catalogue == 12 ? "Luyten" : catalogue == 13 ? "LP" : "Giclas";
      if (entry / 1000 >= kLuytenFirstLimit) return writeEmpty(out);
      return writeText(out, "%s %d-%d", name, static_cast<int>(entry / 1000), static_cast<int>(entry % 1000));
    }
    case 14: return writeText(out, "LTT %lld", static_cast<long long>(entry));
    case 15: return writeText(out, "LHS %lld", static_cast<long long>(entry));
    case 17: {
      if (entry / 10 >= kGlieseLimit) return writeEmpty(out);
      int number = static_cast<int>(entry / 10), decimal = static_cast<int>(entry % 10);
      return decimal ? writeText(out, "GJ %d.%d", number, decimal) : writeText(out, "GJ %d", number);
    }
    case 22: return writeText(out, "ADS %lld", static_cast<long long>(entry));
    case 23: return formatCoordinateName(out, "WDS", entry);
    case kCatalogTycho:
    case kCatalogGSC: return formatRegion(out, catalogue, entry);
    case 26: return formatGSCII(out, entry);
    case 0:
    case 10:
    case 18:
    case 19:
    case 20: return writeEmpty(out);
    default: return writeText(out, "%lld", static_cast<long long>(entry));
  }
}

char* appendDesignation(int catalogue, std::int64_t entry, char* buffer, std::size_t size, int style) {
  char text[kSharedTextSize];
  formatStarDesignation(catalogue, entry, text, sizeof text, style);
  return appendWithComma(buffer, size, text);
}

char* formatDesignationList(const std::int64_t* numbers, int count, const char* const* names,
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
  for (int i = 0; numbers != nullptr && i < count; ++i) {
    int catalogue = 0;
    std::int64_t entry = 0;
    splitCatalogNumber(numbers[i], &catalogue, &entry);
    appendDesignation(catalogue, entry, buffer, size, i == 0 ? 0 : 1);
  }
  return buffer;
}

int constellationFromText(const char* text) {
  if (text == nullptr || *text == '\0') return 0;
  std::size_t length = std::strlen(text);
  bool caseSensitive = isCaseSensitiveSearch();
  for (int n = 1; n <= kLastConstellation; ++n) {
    if (length < 4) {
      if (compareStrings(text, constellationAbbreviation(n), 3, caseSensitive) == 0) return n;
    } else if (compareStrings(text, constellationGenitive(n), length, caseSensitive) == 0) {
      return n;
    }
  }
  return 0;
}

std::int64_t parseBayerDesignation(const char* text) {
  if (text == nullptr) return 0;
  char word[64], rest[kMaxDesignationText + 1];
  splitDesignation(text, word, sizeof word, rest, sizeof rest);
  int constellation = constellationFromText(rest);
  if (constellation == 0) return 0;
  int letter = 0, superscript = 0;
  if (word[0] == '$') {
    letter = word[1] != '\0' ? bayerLetterCode(word[1]) : 0;
    if (letter == 0) return 0;
    const char* digits = word + 2;
    if (*digits != '\0') {
      if (*digits < '1' || *digits > '9') return 0;
      for (const char* d = digits; *d != '\0'; ++d) {
        if (!std::isdigit(static_cast<unsigned char>(*d))) return 0;
        superscript = superscript * 10 + (*d - '0');
        if (superscript > kMaxSuperscript) return 0;
      }
    }
  } else {
    // Trailing digits (one or two, not starting with 0) are the
    // superscript, as the "$" form allows, so that every formatted
    // superscript reads back.
    std::size_t length = std::strlen(word);
    std::size_t digits = 0;
    while (digits < 2 && length > digits + 1 && std::isdigit(static_cast<unsigned char>(word[length - digits - 1])))
      ++digits;
    while (digits > 0 && word[length - digits] == '0') --digits;
    if (digits > 0) {
      superscript = std::atoi(word + length - digits);
      word[length - digits] = '\0';
    }
    letter = bayerLetterFromName(word, isCaseSensitiveSearch());
    if (letter == 0) return 0;
  }
  return makeCatalogNumber(kCatalogBayer, constellation * kConstellationFactor + letter * 100 + superscript);
}

std::int64_t parseFlamsteedDesignation(const char* text) {
  if (text == nullptr) return 0;
  char word[16], rest[kMaxDesignationText + 1];
  splitDesignation(text, word, sizeof word, rest, sizeof rest);
  if (word[0] < '1' || word[0] > '9' || std::strlen(word) > 5) return 0;
  long long number = 0;
  for (const char* d = word; *d != '\0'; ++d) {
    if (!std::isdigit(static_cast<unsigned char>(*d))) return 0;
    number = number * 10 + (*d - '0');
  }
  int constellation = constellationFromText(rest);
  if (constellation == 0) return 0;
  return makeCatalogNumber(kCatalogFlamsteed, constellation * kConstellationFactor + number);
}

std::int64_t parseVariableStarDesignation(const char* text) {
  if (text == nullptr) return 0;
  char word[16], rest[kMaxDesignationText + 1];
  splitDesignation(text, word, sizeof word, rest, sizeof rest);
  int index = parseVariableStarLetters(word);
  if (index == 0) return 0;
  int constellation = constellationFromText(rest);
  if (constellation == 0) return 0;
  return makeCatalogNumber(kCatalogVariableStar, constellation * kConstellationFactor + index);
}

std::int64_t parseHRNumber(const char* text) { return simpleNumber(4, text, kHRLimit); }
std::int64_t parseHDNumber(const char* text) { return simpleNumber(5, text, kHDLimit); }
std::int64_t parseSAONumber(const char* text) { return simpleNumber(6, text, kSAOLimit); }
std::int64_t parseHIPNumber(const char* text) { return simpleNumber(11, text, kHIPLimit); }
std::int64_t parseLTTNumber(const char* text) { return simpleNumber(14, text, kLTTLimit); }
std::int64_t parseLHSNumber(const char* text) { return simpleNumber(15, text, kLHSLimit); }
std::int64_t parseADSNumber(const char* text) { return simpleNumber(22, text, kADSLimit); }

std::int64_t parseBDDesignation(const char* text) {
  int sign = 0;
  long long zone = 0, number = 0;
  if (!readZone(text, sign, zone, number, kBDNumberLimit)) return 0;
  int suffix = 0;
  if (*text != '\0') {
    const char* at = std::strchr(kBDSuffixes, std::tolower(static_cast<unsigned char>(*text)));
    if (at != nullptr && *at != '\0') suffix = static_cast<int>(at - kBDSuffixes) + 1;
  }
  return makeCatalogNumber(kCatalogBD, sign * 10000000LL + zone * 100000 + number * 10 + suffix);
}

std::int64_t parseCoDDesignation(const char* text) { return parseZoneCatalogue(8, text); }
std::int64_t parseCPDDesignation(const char* text) { return parseZoneCatalogue(9, text); }

std::int64_t parseTychoDesignation(const char* text) {
  long long region = 0, number = 0, component = 0;
  char separator = 0;
  if (!readRegionNumber(text, region, number) || !scanCharacter(text, separator) ||
      !scanInteger(text, component) || !inRange(component, 0, kLastTychoComponent))
    return 0;
  return makeCatalogNumber(kCatalogTycho, region * 1000000 + number * 10 + component);
}

std::int64_t parseGSCDesignation(const char* text) {
  long long region = 0, number = 0;
  if (!readRegionNumber(text, region, number)) return 0;
  return makeCatalogNumber(kCatalogGSC, region * 1000000 + number * 10);
}

// "N0123-456" (an HTM region name, then the number) or a bare number.
std::int64_t parseGSCIIDesignation(const char* text) {
  if (text == nullptr) return 0;
  skipBlanks(text);
  std::uint32_t region = 0;
  if (*text == 'N' || *text == 'S') {
    char name[kHtmNameSize];
    std::size_t n = 0;
    name[n++] = *text++;
    while (*text >= '0' && *text <= '3') {
      if (n + 1 >= sizeof name) return 0;
      name[n++] = *text++;
    }
    name[n] = '\0';
    region = htmNameToId(name);
    if (region == 0) return 0;
  }
  long long number = 0;
  if (!scanInteger(text, number)) return 0;
  number = std::llabs(number);
  if (number < 1 || number >= kGSCIINumberLimit) return 0;
  return makeCatalogNumber(26, static_cast<std::int64_t>(region) * 1000000 + number);
}

std::int64_t parseGaiaDesignation(const char* text) {
  long long id = 0;
  if (!scanInteger(text, id) || id < 1) return 0;
  return makeCatalogNumber(kCatalogGaia, id);
}

std::int64_t parseWDSDesignation(const char* text) {
  long long ra = 0, dec = 0;
  char sign = 0;
  if (!scanInteger(text, ra) || !scanCharacter(text, sign) || (sign != '+' && sign != '-') ||
      !std::isdigit(static_cast<unsigned char>(*text)) || !scanInteger(text, dec))
    return 0;
  if (!inRange(ra, 0, kWDSRightAscensionLimit - 1) || !inRange(dec, 0, kWDSDeclinationLimit - 1)) return 0;
  return numberOf(23, ra * 100000 + (sign == '+' ? 10000 : 0) + dec);
}

std::int64_t parseLuytenDesignation(const char* text) { return parseDashPair(12, text); }
std::int64_t parseLPDesignation(const char* text) { return parseDashPair(13, text); }
std::int64_t parseGiclasDesignation(const char* text) { return parseDashPair(16, text); }

std::int64_t parseGlieseDesignation(const char* text) {
  long long number = 0, decimal = 0;
  if (!scanInteger(text, number) || !inRange(number, 0, kGlieseLimit - 1)) return 0;
  if (*text == '.') {
    ++text;
    if (!std::isdigit(static_cast<unsigned char>(*text)) || !scanInteger(text, decimal) || decimal > 9) return 0;
  }
  return numberOf(17, number * 10 + decimal);
}

int parseStarDesignation(const char* text, int objectType, std::int64_t* numbers, int max) {
  if (numbers == nullptr || max < 1) return 0;
  DesignationText parts;
  if (!splitCatalogPrefix(text, parts)) return 0;
  int count = 0;
  char first = parts.text[0];
  bool startsWithLetter = isFirstSeriesLetterText(first);
  if (first == '$' || startsWithLetter)
    count = addCatalogNumber(numbers, count, max, parseBayerDesignation(parts.text));
  if (first >= '1' && first <= '9')
    count = addCatalogNumber(numbers, count, max, parseFlamsteedDesignation(parts.text));
  if (startsWithLetter)
    count = addCatalogNumber(numbers, count, max, parseVariableStarDesignation(parts.text));
  bool caseSensitive = isCaseSensitiveSearch();
  for (const PrefixParser& parser : kPrefixParsers)
    if (compareStrings(parts.prefix, parser.prefix, 0, caseSensitive) == 0)
      count = addCatalogNumber(numbers, count, max, parser.parse(parts.numberPart));
  // A GSC II region name begins with a letter, so its digits do not start
  // the number part: read what follows the catalogue name instead.
  if (compareStrings(parts.text, "GSCII", 5, caseSensitive) == 0 && (parts.text[5] == ' ' || parts.text[5] == '\t'))
    count = addCatalogNumber(numbers, count, max, parseGSCIIDesignation(parts.text + 5));
  bool doubleStarType = objectType >= kFirstDoubleStarType && objectType <= kLastDoubleStarType;
  if (count < max && (objectType == 0 || doubleStarType))
    count += parseDiscovererDesignation(parts.text, numbers + count, max - count);
  return count;
}
