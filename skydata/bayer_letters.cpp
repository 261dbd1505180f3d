#include "skydata/bayer_letters.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/language.h"
#include "skydata/designation_text.h"

namespace {

// Languages 3 and 4 have no column of their own: they read the English one
// rather than running past the row.
int greekColumn() {
  int language = getLanguage();
  return language >= 0 && language < kGreekNameLanguages ? language : 0;
}

const char* const latinLetterNames =
    "a\0b\0c\0d\0e\0f\0g\0h\0i\0j\0k\0l\0m\0n\0o\0p\0q\0r\0s\0t\0u\0v\0w\0x\0y\0z\0"
    "A\0B\0C\0D\0E\0F\0G\0H\0I\0J\0K\0L\0M\0N\0O\0P\0Q";

// Variable-star letters: R-Z for the first series, A-Z less J for the
// second; a pair never has its second letter before its first.
constexpr char kFirstSeries[] = "RSTUVWXYZ";
constexpr char kSecondSeries[] = "ABCDEFGHIKLMNOPQRSTUVWXYZ";
constexpr int kFirstSeriesCount = 9;
constexpr int kSecondSeriesCount = 25;
constexpr int kSecondSeriesFirstLetters = 16;  // A-Q less J
constexpr int kFirstPairIndex = 10;
constexpr int kSecondPairIndex = 55;
constexpr int kFirstNumberedIndex = 335;
constexpr int kLastIndex = 9999;

// Index of pair (i, j), i <= j, among pairs drawn from n letters, in order.
int pairOffset(int i, int j, int n) { return i * n - i * (i - 1) / 2 + (j - i); }

bool pairFromOffset(int offset, int n, int firstLimit, int& i, int& j) {
  for (i = 0; i < firstLimit; ++i) {
    int row = n - i;
    if (offset < row) {
      j = i + offset;
      return true;
    }
    offset -= row;
  }
  return false;
}

int letterPosition(const char* letters, char c) {
  const char* at = c != '\0' ? std::strchr(letters, c) : nullptr;
  return at ? static_cast<int>(at - letters) : -1;
}

}  // namespace

const char* bayerLetterName(int code) {
  if (code >= 1 && code <= kGreekLetterCount) return greekLetterNames[code - 1][greekColumn()];
  if (code > kGreekLetterCount && code <= kBayerLetterCount)
    return latinLetterNames + 2 * (code - kGreekLetterCount - 1);
  return "";
}

int bayerLetterCode(char symbol) {
  if (!isCaseSensitiveSearch()) symbol = static_cast<char>(std::tolower(static_cast<unsigned char>(symbol)));
  int position = letterPosition(greekLetterSymbols, symbol);
  return position + 1;
}

const char* bayerLetterNameForSymbol(char symbol) { return bayerLetterName(bayerLetterCode(symbol)); }

char* expandBayerLetter(char* text, std::size_t size) {
  if (text == nullptr || size == 0 || text[0] != '$') return text;
  int code = bayerLetterCode(text[1]);
  if (code == 0) return text;
  const char* name = bayerLetterName(code);
  std::size_t nameLength = std::strlen(name);
  std::size_t length = strnlen(text, size);
  if (length == size) return text;  // not terminated within its buffer
  std::size_t tailLength = length - 2;
  if (nameLength + tailLength + 1 > size) return text;
  std::memmove(text + nameLength, text + 2, tailLength + 1);
  std::memcpy(text, name, nameLength);
  text[nameLength + tailLength] = '\0';
  return text;
}

int bayerLetterFromName(const char* text, bool caseSensitive) {
  if (text == nullptr || text[0] == '\0') return 0;
  if (text[1] == '\0') {
    char c = text[0];
    if (c >= 'a' && c <= 'z') return kGreekLetterCount + 1 + (c - 'a');
    if (c >= 'A' && c <= 'Q') return kGreekLetterCount + 27 + (c - 'A');
    return 0;
  }
  int column = greekColumn();
  for (int code = 1; code <= kGreekLetterCount; ++code)
    if (compareStrings(text, greekLetterNames[code - 1][column], 0, caseSensitive) == 0) return code;
  return 0;
}

const char* variableStarLetters(int index) {
  static char shared[8];
  if (index >= 1 && index < kFirstPairIndex) {
    std::snprintf(shared, sizeof shared, "%c", kFirstSeries[index - 1]);
  } else if (index >= kFirstPairIndex && index < kSecondPairIndex) {
    int i = 0, j = 0;
    pairFromOffset(index - kFirstPairIndex, kFirstSeriesCount, kFirstSeriesCount, i, j);
    std::snprintf(shared, sizeof shared, "%c%c", kFirstSeries[i], kFirstSeries[j]);
  } else if (index >= kSecondPairIndex && index < kFirstNumberedIndex) {
    int i = 0, j = 0;
    pairFromOffset(index - kSecondPairIndex, kSecondSeriesCount, kSecondSeriesFirstLetters, i, j);
    std::snprintf(shared, sizeof shared, "%c%c", kSecondSeries[i], kSecondSeries[j]);
  } else if (index >= kFirstNumberedIndex && index <= kLastIndex) {
    std::snprintf(shared, sizeof shared, "V%d", index);
  } else {
    shared[0] = '\0';
  }
  return shared;
}

int parseVariableStarLetters(const char* text) {
  if (text == nullptr) return 0;
  char letters[3] = {};
  std::size_t length = strnlen(text, 6);
  bool upper = !isCaseSensitiveSearch();
  auto at = [&](std::size_t k) {
    return upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(text[k]))) : text[k];
  };
  if (length >= 2 && at(0) == 'V' && std::isdigit(static_cast<unsigned char>(text[1]))) {
    if (length > 5) return 0;
    int number = 0;
    for (std::size_t k = 1; k < length; ++k) {
      if (!std::isdigit(static_cast<unsigned char>(text[k]))) return 0;
      number = number * 10 + (text[k] - '0');
    }
    return number >= kFirstNumberedIndex && number <= kLastIndex ? number : 0;
  }
  if (length == 1) {
    int i = letterPosition(kFirstSeries, at(0));
    return i >= 0 ? i + 1 : 0;
  }
  if (length != 2) return 0;
  letters[0] = at(0);
  letters[1] = at(1);
  int i = letterPosition(kFirstSeries, letters[0]);
  int j = letterPosition(kFirstSeries, letters[1]);
  if (i >= 0 && j >= i) return kFirstPairIndex + pairOffset(i, j, kFirstSeriesCount);
  i = letterPosition(kSecondSeries, letters[0]);
  j = letterPosition(kSecondSeries, letters[1]);
  if (i >= 0 && i < kSecondSeriesFirstLetters && j >= i)
    return kSecondPairIndex + pairOffset(i, j, kSecondSeriesCount);
  return 0;
}
