// Designations of the small cluster catalogues (catalogue 111: entry = row
// x 10^4 + cluster number) and of the nebula and emission-object catalogues
// (catalogue 112: entry = row x 10^5 + value). A number whose cluster
// number or value is 0 names a whole catalogue row.
//
// Values of catalogue 112 by row: Allen (2) number x 27 + letter; Blanco
// (10) a letter code below 1000, else first x 1000 + second; Cederblad (21)
// number x 27 + letter (0 none); Terzan (126) the number; the rows coded by
// galactic position (6, 15, 26, 29, 39, 48, 50, 66) (latitude + 90) +
// longitude x 180; every other row first x 1000 + second.
#pragma once

#include <cstddef>
#include <cstdint>

struct ClusterCatalogRow {
  const char* longName;
  const char* shortName;  // may be empty
};
struct NebulaCatalogRow {
  const char* acronym;
  const char* longName;  // may be empty
};

inline constexpr int kClusterCatalogRows = 102;
inline constexpr int kNebulaCatalogRows = 149;
// Rows in alphabetical order of the long name (cluster_catalog_table.cpp).
extern const ClusterCatalogRow clusterCatalogTable[kClusterCatalogRows];
// Rows in the order the catalogue files number them (nebula_catalog_table.cpp).
extern const NebulaCatalogRow nebulaCatalogTable[kNebulaCatalogRows];

// "%s %d" with the short name when `style` is set and there is one, else
// the long name; the empty text for entries outside the table or with
// cluster number 0. With no buffer a shared 256-byte buffer is used.
const char* formatClusterDesignation(std::int64_t entry, char* buffer, std::size_t size, int style);
// Catalogue 112 by the row's rule; the acronym when `style` is set or the
// row has no long name. The empty text outside the table or for value 0.
const char* formatClusterNebulaDesignation(std::int64_t entry, char* buffer, std::size_t size, int style);
// The Blanco and Cederblad forms of a value ("Bl C", "Bl 1-123"; "Ced 59a").
const char* formatBlancoDesignation(std::int64_t value, char* buffer, std::size_t size, int style);
const char* formatCederbladDesignation(std::int64_t value, char* buffer, std::size_t size, int style);

// Each fills up to `max` numbers and returns their count.
// Every row whose short name is the prefix, or whose long name the prefix
// (3 characters or more) abbreviates, with the number at the first digit.
int parseClusterDesignation(const char* text, std::int64_t* numbers, int max);
// Every row whose acronym is the prefix, or whose long name the prefix (4
// characters or more) abbreviates, with the number part read by the row's
// rule.
int parseClusterNebulaDesignation(const char* text, std::int64_t* numbers, int max);

// Value readers of the special rows (the text after the catalogue name);
// -1 when not valid, 0 for the row's own number.
std::int64_t parseBlancoDesignation(const char* text);
std::int64_t parseCederbladDesignation(const char* text);
std::int64_t parseAllenDesignation(const char* text);
std::int64_t parsePositionDesignation(const char* text);

// True when a equals b, or a names a whole catalogue row that b lies in.
bool sameClusterObject(std::int64_t a, std::int64_t b);
bool sameClusterNebulaObject(std::int64_t a, std::int64_t b);
