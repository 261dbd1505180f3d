// Catalogue numbers: one signed 64-bit integer, catalogue x 10^16 + entry
// (entry below 10^16). A negative number is a Gaia source identifier
// (catalogue -1, entry its absolute value); 0 means no number.
//
// Catalogues: -1 Gaia; 1-26 stars (star_designations.h); 101-142 deep sky,
// 111 cluster and 112 nebula catalogues (deep_sky_designations.h,
// cluster_designations.h); 21 double-star discoverers
// (discoverer_designations.h); 151-154 planets and satellites.
#pragma once

#include <cstddef>
#include <cstdint>

// Catalogue codes with behaviour of their own.
inline constexpr int kCatalogGaia = -1;
inline constexpr int kCatalogBayer = 1;
inline constexpr int kCatalogFlamsteed = 2;
inline constexpr int kCatalogVariableStar = 3;
inline constexpr int kCatalogBD = 7;
inline constexpr int kCatalogDiscoverer = 21;
inline constexpr int kCatalogTycho = 24;
inline constexpr int kCatalogGSC = 25;
inline constexpr int kCatalogNGC = 102;
inline constexpr int kCatalogIC = 103;
inline constexpr int kCatalogCluster = 111;
inline constexpr int kCatalogClusterNebula = 112;
inline constexpr int kCatalogPlanet = 151;     // the Sun, planets and moons
inline constexpr int kCatalogAsteroid = 152;
inline constexpr int kCatalogComet = 153;
inline constexpr int kCatalogSatellite = 154;

// catalogue = number / 10^16, entry = number mod 10^16; a negative number
// gives catalogue -1 and entry -number. Either output may be null.
void splitCatalogNumber(std::int64_t number, int* catalogue, std::int64_t* entry);
int catalogOfNumber(std::int64_t number);
// catalogue x 10^16 + entry; for catalogue -1, -entry.
std::int64_t makeCatalogNumber(int catalogue, std::int64_t entry);
// -1, 0 or 1 by plain integer order.
int compareCatalogNumbers(std::int64_t a, std::int64_t b);

// Designation of any catalogue number: Gaia and star catalogues as
// formatStarDesignation, deep-sky catalogues as formatDeepSkyDesignation,
// others the bare entry; the empty text for 0. `style` set picks the short
// forms. With no buffer a shared 256-byte buffer is used and returned.
const char* formatCatalogNumber(std::int64_t number, char* buffer, std::size_t size, int style);
// The same for star numbers; the empty text when catalogue or entry is 0.
const char* formatStarCatalogNumber(std::int64_t number, char* buffer, std::size_t size, int style);

// The first number parseStarDesignation finds, else that of
// parseDeepSkyCatalogNumber, else the text read as a plain integer; 0 when
// none.
std::int64_t parseStarCatalogNumber(const char* text);
// The first number parseStarDesignation finds for that object type; 0 when
// none.
std::int64_t parseStarCatalogNumberIn(const char* text, int objectType);

// Equivalence: a Bayer number without its superscript.
std::int64_t bayerNumberBase(std::int64_t number);
// A Tycho number as the GSC number of the same region and star.
std::int64_t tychoToGSCNumber(std::int64_t number);
// True when a and b designate the same object: equal; discoverer and
// cluster numbers when one names a whole catalogue row the other lies in;
// Bayer numbers when one has no superscript; BD numbers apart from their
// suffix; NGC/IC numbers apart from their suffix letter; Tycho and GSC
// numbers of the same star.
bool catalogNumbersMatch(std::int64_t a, std::int64_t b);
