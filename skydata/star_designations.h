// Star designations: formatting catalogue entries of the star catalogues as
// text and parsing typed or stored text back into catalogue numbers.
//
// Entry encodings (zone signs: 1 north or "+", 0 south or "-"):
//   1 Bayer       constellation x 10^5 + letter x 100 + superscript
//   2 Flamsteed   constellation x 10^5 + number
//   3 variable    constellation x 10^5 + variable-star index
//   4 HR, 5 HD, 6 SAO, 11 HIP, 14 LTT, 15 LHS, 22 ADS: the number
//   7 BD          sign x 10^7 + zone x 10^5 + number x 10 + suffix (a b n p s)
//   8 CoD, 9 CPD  sign x 10^7 + zone x 10^5 + number
//   12 Luyten, 13 LP, 16 Giclas: first x 1000 + second
//   17 Gliese     number x 10 + decimal
//   23 WDS        right ascension x 10^5 + sign x 10^4 + declination
//   24 Tycho      region x 10^6 + number x 10 + component
//   25 GSC        region x 10^6 + number x 10
//   26 GSC II     HTM region id x 10^6 + number
//   -1 Gaia       the source id
#pragma once

#include <cstddef>
#include <cstdint>

// Formats one star-catalogue entry. With `style` set, constellations are
// abbreviated and Greek Bayer letters written "$" plus their symbol code;
// clear, constellations are written as genitives and letters by name.
// Catalogues 0, 10, 18-20 and entries that do not decode give the empty
// text; deep-sky catalogues go to formatDeepSkyDesignation; any other
// catalogue gives the bare entry. With no buffer a shared 256-byte buffer
// is used and returned.
const char* formatStarDesignation(int catalogue, std::int64_t entry, char* buffer, std::size_t size,
                                  int style);

// The names, then the designation of every number (style clear for the
// first number, set for the others), joined with ", ". Without a buffer (or
// with size 0) a shared 256-byte buffer is used. Returns the text.
char* formatDesignationList(const std::int64_t* numbers, int count, const char* const* names,
                            int nameCount, char* buffer, std::size_t size);
// Appends one designation with ", " unless it is empty. Returns buffer.
char* appendDesignation(int catalogue, std::int64_t entry, char* buffer, std::size_t size,
                        int style);

// Fills up to `max` catalogue numbers the text can mean, for an object type
// (0 any; the double-star types 2-5 also read discoverer designations), and
// returns their count. Texts longer than 255 characters give 0.
int parseStarDesignation(const char* text, int objectType, std::int64_t* numbers, int max);

// The first constellation 1-88 whose abbreviation is the text (texts of up
// to 3 characters) or whose genitive begins with it (longer texts); 0 when
// none.
int constellationFromText(const char* text);

// Whole-text parsers ("alpha And", "61 Cyg", "RR Lyr"); 0 when not valid.
std::int64_t parseBayerDesignation(const char* text);
std::int64_t parseFlamsteedDesignation(const char* text);
std::int64_t parseVariableStarDesignation(const char* text);

// Parsers of the text after a catalogue prefix; 0 when not valid.
std::int64_t parseHRNumber(const char* text);
std::int64_t parseHDNumber(const char* text);
std::int64_t parseSAONumber(const char* text);
std::int64_t parseHIPNumber(const char* text);
std::int64_t parseADSNumber(const char* text);
std::int64_t parseLTTNumber(const char* text);
std::int64_t parseLHSNumber(const char* text);
std::int64_t parseBDDesignation(const char* text);
std::int64_t parseCoDDesignation(const char* text);
std::int64_t parseCPDDesignation(const char* text);
std::int64_t parseTychoDesignation(const char* text);
std::int64_t parseGSCDesignation(const char* text);
std::int64_t parseGSCIIDesignation(const char* text);
std::int64_t parseGaiaDesignation(const char* text);
std::int64_t parseWDSDesignation(const char* text);
std::int64_t parseLuytenDesignation(const char* text);
std::int64_t parseLPDesignation(const char* text);
std::int64_t parseGiclasDesignation(const char* text);
std::int64_t parseGlieseDesignation(const char* text);
