// Double-star discoverer designations (catalogue 21): entry = row x 10^4 +
// pair number; pair number 0 names all the pairs of one discoverer.
#pragma once

#include <cstddef>
#include <cstdint>

struct DiscovererRow {
  const char* code;  // catalogue code, 1-4 capital letters
  const char* name;  // "Surname, initials, reference"; may be empty
};

// Sorted by code (discoverer_table.cpp, generated).
extern const DiscovererRow discovererTable[];
extern const int discovererTableSize;

// With `style` set "%s %d" with the code; clear, the name up to its first
// comma (the code when the row has no name), then " %d". The empty text for
// entries outside the table or pair number 0. With no buffer a shared
// 256-byte buffer is used.
const char* formatDiscovererDesignation(std::int64_t entry, char* buffer, std::size_t size, int style);

// Pair number: the integer at the first digit (at most 9999). A prefix of
// up to 4 characters that is a code gives that one number; otherwise a
// prefix of 3 or more characters adds every discoverer whose name (up to
// its comma) it equals, case ignored. Fills up to `max`, returns the count.
int parseDiscovererDesignation(const char* text, std::int64_t* numbers, int max);
// The one number the text names; 0 when none or several.
std::int64_t parseDiscovererNumber(const char* text);
