// Deep-sky designations (catalogues 101-142): formatting entries as text,
// parsing text back into catalogue numbers, and the NGC/IC equivalence.
//
// Entry encodings (sign digits: 1 "+", 0 "-"):
//   101 M, 104 C, 113 LBN, 115 LDN, 121 UGC, 122 UGCA, 123 PGC, 127 ESO-LV,
//   128 Arp, 129 Abell, 131 HCG, 132 VV, 133 Mk, 134 Arak, 135 3C: the number
//   102 NGC, 103 IC  number x 10 + suffix letter (1-9 = A-I)
//   114 Barnard      number x 10 + 1 for the "a" companion
//   116 PK           longitude x 10^4 + sign x 1000 + latitude x 10 + tenth
//   117 PN G         longitude in tenths x 10^5 + sign x 10^4 + latitude in tenths
//   124 MCG          zone' x 10^4 + field x 100 + number (zone' = 100 - zone
//                    for southern zones)
//   125 CGCG         first x 1000 + second
//   126 ESO          field x 10^4 + k (k: number, + 1000 EN, + 2000 N,
//                    + 3000 PN, + 4000 SC; number below 1000)
//   136 IRAS         right ascension x 10^5 + sign x 10^4 + declination
//   141 SDSS         round(hhmmss.ss x 100) x 10^8 + sign x 10^7 + round(ddmmss.s x 10)
//   142 2MASS        hhmmssss x 10^8 + sign x 10^7 + ddmmsss
#pragma once

#include <cstddef>
#include <cstdint>

// Formats one deep-sky entry; `style` set picks the short form. Catalogues
// without a designation and entries that do not decode give the empty text.
// With no buffer a shared 256-byte buffer is used and returned.
const char* formatDeepSkyDesignation(int catalogue, std::int64_t entry, char* buffer, std::size_t size,
                                     int style);
// Splits and formats; the empty text when catalogue or entry is 0.
const char* formatDeepSkyCatalogNumber(std::int64_t number, char* buffer, std::size_t size, int style);

// The rows' formatters, given the entry.
const char* formatNGCDesignation(std::int64_t entry, char* buffer, std::size_t size);
const char* formatICDesignation(std::int64_t entry, char* buffer, std::size_t size);
const char* formatPKDesignation(std::int64_t entry, char* buffer, std::size_t size);
const char* formatPNGDesignation(std::int64_t entry, char* buffer, std::size_t size);
const char* formatESODesignation(std::int64_t entry, char* buffer, std::size_t size);
const char* formatSDSSDesignation(std::int64_t entry, char* buffer, std::size_t size);

// The names, then the long form of every number, joined with ", ". Without
// a buffer (or with size 0) a shared 256-byte buffer is used.
char* formatDeepSkyNameList(const std::int64_t* numbers, int count, const char* const* names,
                            int nameCount, char* buffer, std::size_t size);
// Append one designation with ", " unless it is empty. Return buffer.
char* appendDeepSkyDesignation(std::int64_t number, char* buffer, std::size_t size, int style);
char* appendDeepSkyDesignationParts(int catalogue, std::int64_t entry, char* buffer, std::size_t size,
                                    int style);

// Fills up to `max` catalogue numbers the text can mean, for an object type
// (0 any; cluster types 10-12 also read the cluster catalogues, nebula types
// 13-15 the nebula catalogues), and returns their count.
int parseDeepSkyDesignation(const char* text, int objectType, std::int64_t* numbers, int max);
// What a bare number may mean in the catalogues that number their objects
// plainly: the text read as a Messier, Caldwell, NGC, IC, LBN, LDN, UGC,
// UGCA, PGC, Arp and Markarian number in this order, each kept when valid
// there (at most `max`); returns the count.
int parseDeepSkyNumberDigits(const char* text, std::int64_t* numbers, int max);
// The first number found for any type; 0 when none.
std::int64_t parseDeepSkyCatalogNumber(const char* text);

// NGC and IC numbers without their suffix letter; others unchanged.
std::int64_t normalizeDeepSkyNumber(std::int64_t number);
