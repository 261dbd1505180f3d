#include "engine/compass_point_names.h"

const char* const kCompassAbbreviations[kCompassPoints] = {
    "N", "NE", "E", "SE", "S", "SW", "W", "NW"};
const char* const kCompassAbbreviationsRomance[kCompassPoints] = {
    "N", "NE", "E", "SE", "S", "SO", "O", "NO"};
const char* const kCompassNames[kCompassPoints] = {
    "north", "northeast", "east", "southeast",
    "south", "southwest", "west", "northwest"};
const char* const kCompassNamesSpanish[kCompassPoints] = {
    "norte", "noreste", "este", "sudeste", "sur", "sudoeste", "oeste", "noroeste"};
const char* const kCompassNamesFrench[kCompassPoints] = {
    "nord", "nord-est", "est", "sud-est", "sud", "sud-ouest", "ouest", "nord-ouest"};
