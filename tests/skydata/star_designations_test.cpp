#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "designation_test_support.h"
#include "skydata/bayer_letters.h"
#include "skydata/catalog_numbers.h"
#include "skydata/designation_text.h"

using namespace designation_test;

namespace {

std::string format(std::int64_t number, int style) { return formatCatalogNumber(number, nullptr, 0, style); }

std::int64_t bayer(int constellation, int letter, int superscript = 0) {
  return kCatalogBayer * kCatalog + constellation * 100000 + letter * 100 + superscript;
}

constexpr int kAnd = 1, kCMa = 14, kCyg = 31, kLyr = 52;

}  // namespace

TEST(CatalogNumbers, SplitAndFormatThePartsExamples) {
  int catalogue = 0;
  std::int64_t entry = 0;
  splitCatalogNumber(5 * kCatalog + 48915, &catalogue, &entry);
  EXPECT_EQ(catalogue, 5);
  EXPECT_EQ(entry, 48915);
  EXPECT_EQ(format(5 * kCatalog + 48915, 0), "HD 48915");
  splitCatalogNumber(-123, &catalogue, &entry);
  EXPECT_EQ(catalogue, -1);
  EXPECT_EQ(entry, 123);
  EXPECT_EQ(format(-123, 0), "GAIA 123");
  EXPECT_EQ(catalogOfNumber(112 * kCatalog + 5), 112);
  EXPECT_EQ(compareCatalogNumbers(-5, 3), -1);
  EXPECT_EQ(format(0, 0), "");
  EXPECT_EQ(format(151 * kCatalog + 25544, 0), "25544");
}

TEST(CatalogNumbers, ZoneDesignations) {
  std::int64_t bd = kCatalogBD * kCatalog + 10000000 + 5 * 100000 + 1668 * 10;
  EXPECT_EQ(format(bd, 0), "BD +05 1668");
  EXPECT_EQ(format(bd + 2, 0), "BD +05 1668b");
  EXPECT_TRUE(parsesTo("BD +05 1668b", bd + 2));
  EXPECT_TRUE(parsesTo("BD+05 1668", bd));
  EXPECT_TRUE(parsesTo("BD -05 1668", bd - 10000000));
  EXPECT_EQ(format(8 * kCatalog + 5 * 100000 + 123, 0), "CoD -05 123");
  EXPECT_EQ(format(9 * kCatalog + 10000000 + 89 * 100000 + 99999, 0), "CPD +89 99999");
  EXPECT_TRUE(parseAll("BD +90 1").empty());
  EXPECT_TRUE(parseAll("BD +05 10000").empty());
  EXPECT_TRUE(parseAll("BD 05 1668").empty()) << "the zone needs its sign";
}

TEST(CatalogNumbers, TychoAndGuideStarNumbers) {
  std::int64_t tycho = 240000000000000000LL + 1234LL * 1000000 + 56781;
  EXPECT_EQ(parseStarCatalogNumber("TYC 1234-5678-1"), tycho);
  EXPECT_EQ(format(tycho, 0), "TYC 1234-5678-1");
  EXPECT_EQ(format(tycho - 1, 0), "GSC 1234-5678");
  EXPECT_EQ(tychoToGSCNumber(tycho), kCatalogGSC * kCatalog + 1234LL * 1000000 + 56780);
  EXPECT_TRUE(catalogNumbersMatch(tycho, parseStarCatalogNumber("GSC 1234-5678")));
  EXPECT_TRUE(parseAll("TYC 9538-1-1").empty());
  EXPECT_TRUE(parseAll("TYC 1-12122-1").empty());
  EXPECT_TRUE(parseAll("TYC 1-1-5").empty());
}

TEST(CatalogNumbers, BrightStarLimitAndYalePrefix) {
  EXPECT_TRUE(parseAll("HR 9111").empty());
  EXPECT_EQ(parseStarCatalogNumber("HR 9110"), 4 * kCatalog + 9110);
  EXPECT_EQ(parseStarCatalogNumber("Yale 9110"), 4 * kCatalog + 9110);
  EXPECT_EQ(parseStarCatalogNumber("hr 9110"), 4 * kCatalog + 9110);
  setCaseSensitiveSearch(true);
  EXPECT_EQ(parseStarCatalogNumberIn("hr 9110", 0), 0);
  setCaseSensitiveSearch(false);
}

TEST(BayerLetters, StyleAndLanguageColumns) {
  EXPECT_EQ(format(bayer(kAnd, 1), 1), "$a And");
  EXPECT_EQ(format(bayer(kAnd, 1), 0), "Alpha Andromedae");
  EXPECT_EQ(format(bayer(kAnd, 1, 2), 1), "$a2 And");
  EXPECT_EQ(format(bayer(kAnd, 1, 2), 0), "Alpha2 Andromedae");
  EXPECT_EQ(format(bayer(kAnd, 26), 1), "b And") << "Latin letters are written by name in both styles";
  EXPECT_EQ(format(bayer(kAnd, 51), 0), "A Andromedae");

  struct Row { int code; const char* names[3]; };
  const Row rows[] = {{1, {"Alpha", "Alfa", "Alpha"}},   {6, {"Zeta", "Dseta", "Zeta"}},
                      {12, {"Mu", "Mi", "Mu"}},          {20, {"Upsilon", "Ipsilon", "Upsilon"}},
                      {21, {"Phi", "Fi", "Phi"}},        {22, {"Chi", "Ji", "Khi"}}};
  for (int language = 0; language <= 4; ++language) {
    LanguageScope scope(language);
    int column = language < 3 ? language : 0;  // German and Italian read the English column
    for (const Row& row : rows) {
      EXPECT_STREQ(bayerLetterName(row.code), row.names[column]) << language;
      EXPECT_EQ(bayerLetterFromName(row.names[column], false), row.code) << language;
      std::string text = std::string(row.names[column]) + " Cyg";
      EXPECT_EQ(parseBayerDesignation(text.c_str()), bayer(kCyg, row.code)) << text;
    }
  }
}

TEST(BayerLetters, SymbolsAndExpansion) {
  EXPECT_EQ(bayerLetterCode('w'), 24);
  EXPECT_EQ(bayerLetterCode('W'), 24);
  EXPECT_EQ(bayerLetterCode('j'), 0);
  EXPECT_STREQ(bayerLetterNameForSymbol('q'), "Theta");
  EXPECT_STREQ(bayerLetterName(0), "");
  EXPECT_STREQ(bayerLetterName(68), "");
  EXPECT_STREQ(bayerLetterName(50), "z");
  EXPECT_STREQ(bayerLetterName(67), "Q");
  char text[16] = "$b2 Cyg";
  EXPECT_STREQ(expandBayerLetter(text, sizeof text), "Beta2 Cyg");
  char tight[9] = "$e1 Cyg";
  EXPECT_STREQ(expandBayerLetter(tight, sizeof tight), "$e1 Cyg") << "a name that does not fit leaves the text";
}

TEST(BayerLetters, ParsingForms) {
  EXPECT_EQ(parseBayerDesignation("$a2 And"), bayer(kAnd, 1, 2));
  EXPECT_EQ(parseBayerDesignation("alpha2 andromedae"), bayer(kAnd, 1, 2));
  EXPECT_EQ(parseBayerDesignation("Alpha12 And"), bayer(kAnd, 1, 12));
  EXPECT_EQ(parseBayerDesignation("b Andr"), bayer(kAnd, 26));
  EXPECT_EQ(parseBayerDesignation("Alpha0 And"), 0);
  EXPECT_EQ(parseBayerDesignation("$a0 And"), 0);
  EXPECT_EQ(parseBayerDesignation("$a100 And"), 0);
  EXPECT_EQ(parseBayerDesignation("Alphabet And"), 0);
  EXPECT_EQ(parseBayerDesignation("Alpha Xyz"), 0);
  EXPECT_EQ(constellationFromText("Lyrae"), kLyr);
  EXPECT_EQ(constellationFromText("CMa"), kCMa);
  EXPECT_EQ(constellationFromText("An"), 0);
  EXPECT_EQ(constellationFromText(""), 0);
}

TEST(CatalogNumbers, FlamsteedAndVariableStars) {
  std::int64_t flamsteed = kCatalogFlamsteed * kCatalog + kCyg * 100000 + 61;
  EXPECT_EQ(format(flamsteed, 1), "61 Cyg");
  EXPECT_EQ(format(flamsteed, 0), "61 Cygni");
  EXPECT_TRUE(parsesTo("61 Cygni", flamsteed));
  std::int64_t rrLyr = kCatalogVariableStar * kCatalog + kLyr * 100000 + 10;
  EXPECT_EQ(format(rrLyr, 1), "RR Lyr");
  EXPECT_TRUE(parsesTo("rr lyr", rrLyr));
  EXPECT_EQ(parseFlamsteedDesignation("0 Cyg"), 0);
  EXPECT_EQ(parseFlamsteedDesignation("123456 Cyg"), 0);
}

TEST(VariableStarLetters, SequenceAndInverse) {
  EXPECT_STREQ(variableStarLetters(1), "R");
  EXPECT_STREQ(variableStarLetters(10), "RR");
  EXPECT_STREQ(variableStarLetters(54), "ZZ");
  EXPECT_STREQ(variableStarLetters(55), "AA");
  EXPECT_STREQ(variableStarLetters(334), "QZ");
  EXPECT_STREQ(variableStarLetters(335), "V335");
  for (int index = 1; index <= 9999; ++index) {
    std::string letters = variableStarLetters(index);
    ASSERT_EQ(letters.find('J'), std::string::npos) << index;
    ASSERT_EQ(parseVariableStarLetters(letters.c_str()), index) << letters;
  }
  variableStarLetters(5);
  EXPECT_STREQ(variableStarLetters(10000), "") << "no stale letters beyond the sequence";
  EXPECT_STREQ(variableStarLetters(0), "");
  for (const char* invalid : {"SR", "JK", "RA", "V334", "V10000", "V", "A", "ABC", ""})
    EXPECT_EQ(parseVariableStarLetters(invalid), invalid == std::string("V") ? 5 : 0) << invalid;
}

TEST(CatalogNumbers, EquivalenceRules) {
  EXPECT_TRUE(catalogNumbersMatch(bayer(kAnd, 1, 2), bayer(kAnd, 1)));
  EXPECT_TRUE(catalogNumbersMatch(bayer(kAnd, 1), bayer(kAnd, 1, 2)));
  EXPECT_FALSE(catalogNumbersMatch(bayer(kAnd, 1, 2), bayer(kAnd, 1, 1)));
  EXPECT_FALSE(catalogNumbersMatch(bayer(kAnd, 1), bayer(kAnd, 2)));
  EXPECT_EQ(bayerNumberBase(bayer(kAnd, 1, 2)), bayer(kAnd, 1));
  std::int64_t bd = kCatalogBD * kCatalog + 10000000 + 5 * 100000 + 16680;
  EXPECT_TRUE(catalogNumbersMatch(bd, bd + 3));
  EXPECT_FALSE(catalogNumbersMatch(bd, bd + 10));
  EXPECT_TRUE(catalogNumbersMatch(102 * kCatalog + 2241, 102 * kCatalog + 2240));
  EXPECT_FALSE(catalogNumbersMatch(102 * kCatalog + 2240, 103 * kCatalog + 2240));
  EXPECT_FALSE(catalogNumbersMatch(5 * kCatalog + 1, 6 * kCatalog + 1));
}

TEST(CatalogNumbers, FormatsIntoBuffersWithoutStaleText) {
  char small[8];
  EXPECT_STREQ(formatCatalogNumber(5 * kCatalog + 48915, small, sizeof small, 0), "HD 4891");
  char none[1] = {'x'};
  EXPECT_STREQ(formatCatalogNumber(5 * kCatalog + 48915, none, 0, 0), "");
  EXPECT_EQ(none[0], 'x');
  const char* shared = formatStarDesignation(4, 5, nullptr, 0, 0);
  EXPECT_STREQ(shared, "HR 5");
  for (std::int64_t invalid : {std::int64_t{99 * 100000 + 101}, std::int64_t{100000 + 6800}})
    EXPECT_STREQ(formatStarDesignation(kCatalogBayer, invalid, nullptr, 0, 0), "") << invalid;
  EXPECT_STREQ(formatStarDesignation(kCatalogBD, 30000000, nullptr, 0, 0), "");
  EXPECT_STREQ(formatStarDesignation(kCatalogGSC, 1234000001, nullptr, 0, 0), "");
  EXPECT_STREQ(formatStarDesignation(18, 5, nullptr, 0, 0), "");
  EXPECT_STREQ(formatStarCatalogNumber(4 * kCatalog, nullptr, 0, 0), "");
}

TEST(CatalogNumbers, DesignationLists) {
  std::int64_t numbers[] = {bayer(kCMa, 1), 4 * kCatalog + 2491, bayer(kCMa, 1)};
  const char* names[] = {"Sirius", ""};
  char text[64];
  EXPECT_STREQ(formatDesignationList(numbers, 3, names, 2, text, sizeof text),
               "Sirius, Alpha Canis Majoris, HR 2491, $a CMa");
  char tight[12];
  EXPECT_STREQ(formatDesignationList(numbers, 3, names, 2, tight, sizeof tight), "Sirius, Alp");
  char untouched[4] = "abc";
  EXPECT_STREQ(formatDesignationList(numbers, 1, nullptr, 0, untouched, 0), "Alpha Canis Majoris");
  EXPECT_STREQ(untouched, "abc");
}

TEST(CatalogNumbers, ParsesEveryStarCatalogue) {
  struct Case { const char* text; std::int64_t number; };
  const Case cases[] = {
      {"SAO 258996", 6 * kCatalog + 258996},       {"HD 359083", 5 * kCatalog + 359083},
      {"HIP 120416", 11 * kCatalog + 120416},      {"Luyten 789-6", 12 * kCatalog + 789006},
      {"LP 9999-999", 13 * kCatalog + 9999999},    {"LTT 99999", 14 * kCatalog + 99999},
      {"LHS 9999", 15 * kCatalog + 9999},          {"Giclas 1-2", 16 * kCatalog + 1002},
      {"GJ 551", 17 * kCatalog + 5510},            {"Gliese 551.1", 17 * kCatalog + 5511},
      {"ADS 17180", 22 * kCatalog + 17180},        {"WDS 23599-8959", 23 * kCatalog + 2359908959},
      {"GSCII 123", 26 * kCatalog + 123},          {"GSCII N0123-45", 26 * kCatalog + 795LL * 1000000 + 45},
      {"GAIA 6917528443525529728", -6917528443525529728LL},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(parsesTo(c.text, c.number)) << c.text;
    EXPECT_EQ(format(c.number, 1), c.text[0] == 'G' && c.text[1] == 'l' ? "GJ 551.1" : c.text) << c.text;
  }
  for (const char* out : {"SAO 258997", "HD 359084", "HIP 120417", "LP 10000-1", "LTT 100000", "LHS 10000",
                          "GJ 551.10", "ADS 17181", "WDS 24000+0000", "WDS 00010+9000", "GSCII 1000000",
                          "GSCII X0123-45", "GAIA 99999999999999999999", "GAIA -5", "HD 0"}) {
    std::int64_t numbers[4];
    EXPECT_EQ(parseStarDesignation(out, 1, numbers, 4), 0) << out;
  }
}

TEST(CatalogNumbers, DiscovererDesignationsOnlyForDoubleStarTypes) {
  std::int64_t numbers[16];
  EXPECT_EQ(parseStarDesignation("STF 2272", 1, numbers, 16), 0);
  ASSERT_EQ(parseStarDesignation("STF 2272", 3, numbers, 16), 1);
  EXPECT_EQ(catalogOfNumber(numbers[0]), kCatalogDiscoverer);
  EXPECT_EQ(format(numbers[0], 1), "STF 2272");
  EXPECT_EQ(format(numbers[0], 0), "Struve 2272");
  EXPECT_EQ(parseStarDesignation("HD 1", 0, numbers, 0), 0);
}

TEST(CatalogNumbers, RefusesOverlongText) {
  std::string text = "HD 1" + std::string(300, ' ');
  EXPECT_TRUE(parseAll(text).empty());
  EXPECT_EQ(parseStarCatalogNumber(text.c_str()), 0);
  EXPECT_EQ(parseStarCatalogNumber(nullptr), 0);
  EXPECT_EQ(parseStarCatalogNumber("  12345"), 12345) << "a plain number reads as itself";
  EXPECT_EQ(parseStarCatalogNumber("99999999999999999999"), 0);
}
