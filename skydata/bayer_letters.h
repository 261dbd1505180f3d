// Bayer letters (Greek letters by name and symbol-font code, then Latin
// letters) and the letters of variable-star names.
//
// Letter codes: 1-24 Greek alpha-omega, 25-50 Latin a-z, 51-67 Latin A-Q.
#pragma once

#include <cstddef>

inline constexpr int kGreekLetterCount = 24;
inline constexpr int kBayerLetterCount = 67;

// The Greek letters' names in English, Spanish and French, and their
// one-character symbol-font codes (bayer_letter_table.cpp).
inline constexpr int kGreekNameLanguages = 3;
extern const char* const greekLetterNames[kGreekLetterCount][kGreekNameLanguages];
extern const char greekLetterSymbols[kGreekLetterCount + 1];

// The letter's name: Greek in the current language (English for languages
// without a column of their own), else the Latin letter; "" outside 1-67.
const char* bayerLetterName(int code);
// 1-24 for a Greek symbol-font character, else 0. Uppercase characters are
// compared in lowercase unless the search is case-sensitive.
int bayerLetterCode(char symbol);
// bayerLetterName(bayerLetterCode(symbol)).
const char* bayerLetterNameForSymbol(char symbol);
// When `text` starts with "$" and a Greek symbol code, puts the letter's name
// in place of those two characters, in place; a result that would not fit
// in `size` bytes leaves the text unchanged. Returns text.
char* expandBayerLetter(char* text, std::size_t size);
// The letter code of `text`: a Greek letter name in the current language's
// column (compared in case only when `caseSensitive`), or a single character
// (a-z 25-50, A-Q 51-67); 0 for anything else.
int bayerLetterFromName(const char* text, bool caseSensitive);

// The variable-star letters of an index, in a shared buffer: 1-9 "R".."Z";
// 10-54 "RR".."ZZ"; 55-334 "AA".."QZ" without J; 335-9999 "V335".."V9999"
// (second letter never before the first). The empty text for other indexes.
const char* variableStarLetters(int index);
// The inverse; letters are uppercased unless the search is case-sensitive.
// 0 when the text is not a variable-star name.
int parseVariableStarLetters(const char* text);
