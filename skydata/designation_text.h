// Text helpers shared by the designation formatters and parsers: string
// comparison under the search's case rule, word splitting and list joining.
#pragma once

#include <cstddef>

// The case-sensitive search flag: when set, catalogue prefixes, letter names
// and constellation names must match in case. Off by default. Set by the
// database's search filter; process-wide, like the formatters' buffers.
void setCaseSensitiveSearch(bool on);
bool isCaseSensitiveSearch();

// strcmp-like comparison of `a` and `b`; length 0 compares the whole texts,
// otherwise at most `length` characters. Case-insensitive (ASCII) unless
// `caseSensitive` is set.
int compareStrings(const char* a, const char* b, std::size_t length, bool caseSensitive);

// True when `text` is a non-empty abbreviation (prefix) of `word` with at
// least `minimumLength` characters, compared under the search's case rule.
bool isAbbreviationOf(const char* text, const char* word, std::size_t minimumLength);

// Skips leading blanks, copies the first word into `first`, skips blanks and
// copies the rest (without trailing blanks) into `rest`. Both outputs are
// always terminated and truncated to their sizes (which must be >= 1).
void splitDesignation(const char* text, char* first, std::size_t firstSize, char* rest,
                      std::size_t restSize);

// Appends `text` to the terminated text in `buffer` (size bytes), with ", "
// between it and what is already there; empty texts are skipped. Truncates
// and keeps the buffer terminated. Returns buffer.
char* appendWithComma(char* buffer, std::size_t size, const char* text);
