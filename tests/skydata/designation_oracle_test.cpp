// Designations checked against the star names and cross-identifications of
// Debian's stellarium-data, a catalogue compiled by others: every name must
// parse, and its number must format back to the same text.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "designation_test_support.h"
#include "skydata/discoverer_designations.h"
#include "skydata/bayer_letters.h"
#include "skydata/catalog_numbers.h"

using namespace designation_test;

namespace {

const std::string kStars = "/usr/share/stellarium/stars/default/";

std::vector<std::string> readLines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);)
    if (!line.empty() && line[0] != '#') lines.push_back(line);
  return lines;
}

std::vector<std::string> fields(const std::string& line, char separator) {
  std::vector<std::string> out;
  std::stringstream stream(line);
  for (std::string field; std::getline(stream, field, separator);) out.push_back(field);
  return out;
}

// The one number the text parses to with its first reading.
std::int64_t firstNumber(const std::string& text) {
  std::vector<std::int64_t> numbers = parseAll(text);
  return numbers.empty() ? 0 : numbers.front();
}

// Lower-case Greek letters in UTF-8 (U+03B1..U+03C9, final sigma skipped)
// in the alphabet's order: their position gives the Bayer letter code.
int greekLetterCode(const std::string& utf8) {
  unsigned char lead = utf8.size() == 2 ? static_cast<unsigned char>(utf8[0]) : 0;
  if (lead != 0xCE && lead != 0xCF) return 0;
  int codePoint = ((static_cast<unsigned char>(utf8[0]) & 0x1F) << 6) | (static_cast<unsigned char>(utf8[1]) & 0x3F);
  if (codePoint < 0x3B1 || codePoint > 0x3C9 || codePoint == 0x3C2) return 0;
  return codePoint - 0x3B1 + 1 - (codePoint > 0x3C2 ? 1 : 0);
}

}  // namespace

TEST(DesignationOracle, VariableStarNamesOfTheGCVS) {
  std::vector<std::string> lines = readLines(kStars + "gcvs_hip_part.dat");
  ASSERT_GT(lines.size(), 6000u) << "stellarium-data is missing";
  int checked = 0;
  for (const std::string& line : lines) {
    std::string name = fields(line, '\t').at(1);
    std::string letters = name.substr(0, name.find(' '));
    if (parseVariableStarLetters(letters.c_str()) == 0) continue;  // Greek-letter variables
    std::int64_t number = parseVariableStarDesignation(name.c_str());
    ASSERT_EQ(catalogOfNumber(number), kCatalogVariableStar) << name;
    ASSERT_EQ(formatCatalogNumber(number, nullptr, 0, 1), name);
    ++checked;
  }
  EXPECT_GT(checked, 6000);
}

TEST(DesignationOracle, BayerAndFlamsteedNames) {
  std::vector<std::string> lines = readLines(kStars + "name.fab");
  ASSERT_GT(lines.size(), 4000u);
  int greek = 0, flamsteed = 0;
  for (const std::string& line : lines) {
    std::string name = fields(line, '|').at(1);
    std::size_t underscore = name.find('_');
    if (underscore == std::string::npos) continue;
    std::string letter = name.substr(0, underscore), constellation = name.substr(underscore + 1);
    // Skip component suffixes ("59_And_A") and the data's one misprint ("37_Ly").
    if (constellation.size() != 3) continue;
    if (std::isdigit(static_cast<unsigned char>(letter[0]))) {
      std::string text = letter + " " + constellation;
      ASSERT_EQ(formatCatalogNumber(parseFlamsteedDesignation(text.c_str()), nullptr, 0, 1), text);
      ++flamsteed;
      continue;
    }
    int code = greekLetterCode(letter.substr(0, 2));
    if (code == 0) continue;
    std::string symbolText = "$" + std::string(1, "abgdezhqiklmnxoprstufcyw"[code - 1]) + letter.substr(2) + " " + constellation;
    std::int64_t number = firstNumber(symbolText);
    ASSERT_EQ(catalogOfNumber(number), kCatalogBayer) << symbolText;
    ASSERT_EQ(number / 100 % 1000, code) << symbolText;
    ASSERT_EQ(formatCatalogNumber(number, nullptr, 0, 1), symbolText);
    ASSERT_EQ(firstNumber(formatCatalogNumber(number, nullptr, 0, 0)), number) << symbolText;
    ++greek;
  }
  EXPECT_GT(greek, 1000);
  EXPECT_GT(flamsteed, 1000);
}

TEST(DesignationOracle, CrossIdentifiedCatalogueNumbers) {
  std::vector<std::string> lines = readLines(kStars + "cross-id.dat");
  ASSERT_GT(lines.size(), 100000u);
  const char* prefixes[] = {"HIP ", nullptr, "SAO ", "HD ", "HR "};
  int checked = 0;
  for (const std::string& line : lines) {
    std::vector<std::string> f = fields(line, '\t');
    for (std::size_t i = 0; i < f.size() && i < 5; ++i) {
      if (prefixes[i] == nullptr || f[i].empty()) continue;
      std::string text = prefixes[i] + f[i];
      if (text == "HD 392525") continue;  // the data's one misprint: the HD catalogue ends at 359083
      std::int64_t number = firstNumber(text);
      ASSERT_NE(number, 0) << text << " lies outside the catalogue's bounds";
      ASSERT_EQ(formatCatalogNumber(number, nullptr, 0, 0), text);
      ++checked;
    }
  }
  EXPECT_GT(checked, 200000);
}

TEST(DesignationOracle, WashingtonDoubleStarPositions) {
  std::vector<std::string> lines = readLines(kStars + "wds_hip_part.dat");
  ASSERT_GT(lines.size(), 1000u);
  for (const std::string& line : lines) {
    std::string text = "WDS " + fields(line, '\t').at(1);
    std::int64_t number = firstNumber(text);
    ASSERT_EQ(catalogOfNumber(number), 23) << text;
    ASSERT_EQ(formatCatalogNumber(number, nullptr, 0, 0), text);
  }
}

TEST(DesignationOracle, DiscovererCodesInUse) {
  std::vector<std::string> lines = readLines(kStars + "extra_name.fab");
  ASSERT_GT(lines.size(), 20000u);
  int checked = 0;
  for (const std::string& line : lines) {
    std::string name = fields(line, '|').at(1);
    std::size_t underscore = name.find('_');
    if (underscore == std::string::npos || name.find('_', underscore + 1) != std::string::npos) continue;
    std::string code = name.substr(0, underscore), pair = name.substr(underscore + 1);
    if (code.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ") != std::string::npos || pair.size() > 4 ||
        pair.find_first_not_of("0123456789") != std::string::npos)
      continue;
    std::string text = code + " " + pair;
    std::int64_t number = parseDiscovererNumber(text.c_str());
    ASSERT_EQ(catalogOfNumber(number), kCatalogDiscoverer) << text;
    ASSERT_EQ(formatCatalogNumber(number, nullptr, 0, 1), text);
    ++checked;
  }
  EXPECT_GT(checked, 15000);
}
