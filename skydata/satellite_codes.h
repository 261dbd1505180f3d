// Code tables of the satellite catalogue (launch sites and owners) and the
// names of hierarchical triangular mesh (HTM) regions.
#pragma once

#include <cstdint>

struct CodeName {
  const char* code;
  const char* name;
};

// Sorted by code in strcmp order (launch_site_table.cpp,
// satellite_owner_table.cpp).
extern const CodeName kLaunchSites[];
extern const int kLaunchSiteCount;  // 38
extern const CodeName kSatelliteOwners[];
extern const int kSatelliteOwnerCount;  // 123

// 1-based row of an exact code; 0 when absent (or null).
int launchSiteIndex(const char* code);
int satelliteOwnerIndex(const char* code);
// Name of a 1-based row; the empty text outside the table.
const char* launchSiteName(int row);
const char* satelliteOwnerName(int row);

// Longest HTM name with its terminator.
inline constexpr int kHtmNameSize = 17;

// An HTM id has its highest set bit at an odd position (bit 3 for the 8
// root triangles, two more per level). Its name is "N" or "S" (the bit below
// the highest: 1 north) and one digit 0-3 per lower bit pair; ids 8-11 are
// S0-S3, 12-15 N0-N3. Writes the name into `name` (kHtmNameSize bytes);
// false for 0 or an id whose highest set bit is at an even position.
bool htmIdToName(char* name, std::uint32_t id);
// The id of a name of 2 to 16 characters ("N" or "S", then digits 0-3);
// 0 for anything else, including names too long for 32 bits.
std::uint32_t htmNameToId(const char* name);
