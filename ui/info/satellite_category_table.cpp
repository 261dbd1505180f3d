// The satellite categories, sorted by code: the lists and pages name a
// satellite's category codes with these.
#include <algorithm>

#include "ui/info/satellite_categories.h"

namespace {
constexpr SatelliteCategory kCategories[] = {
    {0, "Uncategorized"},
    {1, "Newly Launched"},
    {2, "Space Stations"},
    {3, "Brightest"},
    {10, "Weather"},
    {11, "NOAA"},
    {12, "GOES"},
    {13, "Earth Resource"},
    {14, "Search and Rescue"},
    {15, "Disaster Monitoring"},
    {16, "Tracking and Data Relay System"},
    {17, "Yaogan"},
    {18, "Planet"},
    {19, "Spire"},
    {20, "Geostationary"},
    {21, "Intelsat"},
    {22, "Gorizont"},
    {23, "Raduga"},
    {24, "Molniya"},
    {25, "Iridium"},
    {26, "Orbcomm"},
    {27, "Globalstar"},
    {28, "Amateur Radio"},
    {29, "Experimental Communication"},
    {30, "Other Communication"},
    {31, "Sirius XM"},
    {32, "Television"},
    {33, "Gonets"},
    {34, "O3B"},
    {35, "Starlink"},
    {36, "One Web"},
    {40, "Global Positioning System"},
    {41, "Glonass"},
    {42, "Galileo"},
    {43, "Space-Based Augmentation System"},
    {44, "Navy Navigation Satellite System"},
    {45, "Musson"},
    {46, "Beidou"},
    {47, "Tsiklon"},
    {48, "Tsikada"},
    {49, "Indian Regional Navigation Satellite System"},
    {50, "Quasi-Zenith Satellite System"},
    {60, "Science"},
    {61, "Geodetic"},
    {62, "Engineering"},
    {63, "Education"},
    {70, "Military"},
    {71, "Radar Calibration"},
    {72, "Cubesats"},
    {73, "Westford Needles"},
    {74, "Parus"},
    {75, "Strela"},
    {76, "Tselina"},
    {77, "Celestis"},
    {78, "Elysium"},
    {80, "Earth Observant Pathfinder"},
    {81, "Earth Observant Block 1"},
    {82, "Earth Observant Block 2"},
    {83, "Earth Observant Block 3"},
    {90, "User-Defined"},
    {91, "Interplanetary"},
    {92, "Rocket Body"},
    {93, "Space Debris"},
};
}  // namespace

std::span<const SatelliteCategory> satelliteCategories() { return kCategories; }

const char* satelliteCategoryName(int code) {
  const auto* end = std::end(kCategories);
  const auto* row = std::lower_bound(
      std::begin(kCategories), end, code,
      [](const SatelliteCategory& category, int key) { return category.code < key; });
  return row != end && row->code == code ? row->name : "?";
}
