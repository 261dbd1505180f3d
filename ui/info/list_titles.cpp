// The satellite list titles and their category codes (the category bytes
// satellites carry in the catalogue).
#include "ui/info/list_titles.h"

namespace {

constexpr const char* kSpecialInterest[] = {"Tonight's Satellites", "Newly Launched",
                                            "Space Stations", "Brightest"};
constexpr const char* kWeather[] = {"Weather",     "Earth Resources", "Search & Rescue",
                                    "Disaster Monitoring", "Planet", "Spire"};
constexpr const char* kCommunication[] = {"Geostationary", "Iridium", "Orbcomm",
                                          "Globalstar",    "Starlink", "One Web",
                                          "Amateur Radio"};
constexpr const char* kNavigation[] = {"GPS", "Glonass", "Galileo"};
constexpr const char* kScientific[] = {"Space and Earth Science", "Engineering", "Education"};
constexpr const char* kMiscellaneous[] = {"Military", "Radar Calibration", "CubeSats"};

constexpr SatelliteListSection kSections[] = {
    {"Special Interest", kSpecialInterest},
    {"Weather & Earth Resources", kWeather},
    {"Communication", kCommunication},
    {"Navigation", kNavigation},
    {"Scientific", kScientific},
    {"Miscellaneous", kMiscellaneous},
    {"Earth Observant", {}},
};

constexpr SatelliteListCode kCodes[] = {
    {"Newly Launched", 1},
    {"Space Stations", 2},
    {"Brightest", 3},
    {"Weather", 10},
    {"NOAA", 11},
    {"GOES", 12},
    {"Earth Resources", 13},
    {"Search & Rescue", 14},
    {"Disaster Monitoring", 15},
    {"Tracking and Data Relay", 16},
    {"Yaogan", 17},
    {"Planet", 18},
    {"Spire", 19},
    {"Geostationary", 20},
    {"Intelsat", 21},
    {"Gorizont", 22},
    {"Raduga", 23},
    {"Molniya", 24},
    {"Iridium", 25},
    {"Orbcomm", 26},
    {"Globalstar", 27},
    {"Amateur Radio", 28},
    {"Experimental", 29},
    {"Sirius & XM Radio", 31},
    {"Television", 32},
    {"Gonets", 33},
    {"O3B", 34},
    {"Starlink", 35},
    {"One Web", 36},
    {"GPS", 40},
    {"Glonass", 41},
    {"Galileo", 42},
    {"Satellite-Based Augmentation System", 43},
    {"Navy Navigation Satellite System", 44},
    {"Russian LEO Navigation", 45},
    {"Beidou", 46},
    {"Tsiklon", 47},
    {"Tsikada", 48},
    {"IRNSS", 49},
    {"QZSS", 50},
    {"Space and Earth Science", 60},
    {"Geodetic", 61},
    {"Engineering", 62},
    {"Education", 63},
    {"Military", 70},
    {"Radar Calibration", 71},
    {"CubeSats", 72},
    {"Westford Needles", 73},
    {"Parus", 74},
    {"Strela", 75},
    {"Tselina", 76},
    {"Celestis", 77},
    {"Earth Observant Pathfinder", 80},
    {"Earth Observant Block 1", 81},
    {"Earth Observant Block 2", 82},
    {"Earth Observant Block 3", 83},
    {"User Defined", 90},
    {"Interplanetary", 91},
    {"Rocket Bodies", 92},
    {"Space Debris", 93},
};

constexpr int kSectionCodes[] = {1,  2,  3,  10, 13, 14, 15, 18, 19, 20, 25, 26, 27,
                                 35, 36, 28, 40, 41, 42, 60, 62, 63, 70, 71, 72};

}  // namespace

std::span<const SatelliteListSection> satelliteListSections() { return kSections; }
std::span<const SatelliteListCode> satelliteListCodes() { return kCodes; }
std::span<const int> satelliteSectionCodes() { return kSectionCodes; }
