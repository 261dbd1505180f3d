// Fuzzing of the designation parsers, with the round trip as the property:
// whatever a text parses to must format to a text that parses back to it
// (or to an equivalent number: a Tycho star of component 0 is written as its
// GSC number).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "designation_test_support.h"
#include "skydata/bayer_letters.h"
#include "skydata/catalog_numbers.h"
#include "skydata/cluster_designations.h"
#include "skydata/designation_text.h"
#include "skydata/discoverer_designations.h"
#include "tests/support/fuzz.h"

using namespace designation_test;

namespace {

const std::vector<tessaly::test::Bytes> kSeeds = {
    "HD 48915", "BD +05 1668b", "TYC 1234-5678-1", "GSC 1234-5678", "GSCII N0123-45", "GAIA 12345678901",
    "$a2 And", "Alpha2 Andromedae", "61 Cyg", "RR Lyr", "V335 Sgr", "Luyten 789-6", "GJ 551.1",
    "WDS 23599-8959", "CoD -05 123", "NGC 224a", "M 31", "Mes 31", "MCG -2-3-45", "ESO 123-EN45",
    "PN G000.1+17.2", "PK 164+31.1", "SDSS J123456.78+123456.7", "2MASS J12345678-1234567",
    "IRAS 16293-2422", "3C 273", "Cr 399", "Collinder 399", "Bl C", "Blanco 1-123", "Ced 59a",
    "Al 2-C", "DC 303-14", "Te 5", "Sh 2-155", "STF 2272", "Struve 2272", "B 92a", "Arakelian 5"};

void checkRoundTrip(std::string_view input) {
  std::string text(input);
  if (text.find('\0') != std::string::npos) text.resize(text.find('\0'));
  for (std::int64_t number : parseAll(text)) {
    for (int style = 0; style <= 1; ++style) {
      std::string formatted = formatCatalogNumber(number, nullptr, 0, style);
      if (formatted.empty()) continue;  // row-wide numbers have no text of their own
      std::vector<std::int64_t> readBack = parseAll(formatted);
      bool found = std::any_of(readBack.begin(), readBack.end(),
                               [number](std::int64_t back) { return catalogNumbersMatch(back, number); });
      ASSERT_TRUE(found) << "'" << text << "' -> " << number << " -> '" << formatted << "'";
    }
  }
}

}  // namespace

TEST(DesignationFuzz, ParsedNumbersFormatAndParseBack) {
  for (const auto& seed : kSeeds) checkRoundTrip(seed);
  tessaly::test::FuzzOptions options;
  options.maxSize = 300;
  options.iterations = 40000;
  tessaly::test::fuzz(kSeeds, checkRoundTrip, options);
}

TEST(DesignationFuzz, SubParsersSurviveAnyText) {
  auto target = [](std::string_view input) {
    std::string text(input);
    const char* p = text.c_str();
    parseBayerDesignation(p);
    parseBDDesignation(p);
    parseTychoDesignation(p);
    parseGSCIIDesignation(p);
    parseWDSDesignation(p);
    parseGlieseDesignation(p);
    parseBlancoDesignation(p);
    parseCederbladDesignation(p);
    parseAllenDesignation(p);
    parsePositionDesignation(p);
    parseVariableStarLetters(p);
    std::int64_t numbers[3];
    parseClusterDesignation(p, numbers, 3);
    parseClusterNebulaDesignation(p, numbers, 3);
    parseDiscovererDesignation(p, numbers, 3);
    char buffer[12];
    std::snprintf(buffer, sizeof buffer, "%s", p);
    expandBayerLetter(buffer, sizeof buffer);
  };
  for (auto parse : {parseHRNumber, parseHDNumber, parseSAONumber, parseHIPNumber, parseADSNumber, parseLTTNumber,
                     parseLHSNumber, parseBDDesignation, parseCoDDesignation, parseCPDDesignation,
                     parseTychoDesignation, parseGSCDesignation, parseGSCIIDesignation, parseGaiaDesignation,
                     parseWDSDesignation, parseLuytenDesignation, parseLPDesignation, parseGiclasDesignation,
                     parseGlieseDesignation, parseBayerDesignation, parseFlamsteedDesignation,
                     parseVariableStarDesignation, parseBlancoDesignation, parseCederbladDesignation,
                     parseAllenDesignation, parsePositionDesignation, parseStarCatalogNumber,
                     parseDeepSkyCatalogNumber, parseDiscovererNumber})
    parse(nullptr);
  tessaly::test::FuzzOptions options;
  options.maxSize = 600;
  options.iterations = 20000;
  tessaly::test::fuzz({"+05 1668b", "1234-5678-1", "N0123-45", "23599-8959", "551.1", "1-123", "59a", "2-C",
                       "303.8-14.2", "$a12 And", "Cr 399", "Sh 2-155", "Struve 2272"},
                      target, options);
}

TEST(DesignationFuzz, HostileNumbersAreRefused) {
  for (const char* text : {"HD 9223372036854775808", "HD -9223372036854775808", "GAIA 9223372036854775808",
                           "BD +05 99999999999999999999", "MCG -99999999999999999999-3-45",
                           "SDSS 1e300+1e300", "DC 1e300-1e300", "PN G999999999999999.9+00.0",
                           "TYC 1234-5678-99999999999999999999", "Cr 99999999999999999999"})
    EXPECT_TRUE(parseAll(text).empty()) << text;
  std::string longText(5000, '9');
  EXPECT_TRUE(parseAll("HD " + longText).empty());
  EXPECT_EQ(parseStarCatalogNumber(longText.c_str()), 0);
}
