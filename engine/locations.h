// The process-wide location database: built-in cities grouped by country,
// up to 256 places of the user's, a case-insensitive name search and the
// nearest-city lookup that chooses daylight-saving rules.
//
// Group 0 holds the user's places; groups 1.. are one country each, sorted
// by the country's name in the language in force at initialisation.
// Plain globals for the main thread; initialise once at start.
#pragma once

#include <cstdint>

struct Location {
  const char* name;          // built-in: static text; user: the slot's buffer
  std::int16_t countryCode;  // first letter * 256 + second; 0 for user places
  float longitude;           // degrees, east positive
  float latitude;            // degrees, north positive
  float altitude;            // metres
  float timeZone;            // hours east of Greenwich, standard time
  std::int32_t population;
};

// One run of rows of one country (group 0: the user's places).
struct LocationGroup {
  std::uint32_t countryCode;
  std::uint32_t firstRow;
  std::uint32_t rowCount;
};

inline constexpr int kMaxLocationGroups = 256;
inline constexpr int kMaxUserLocations = 256;
inline constexpr int kUserLocationNameSize = 256;

// Chooses the city table (0: 4303 rows, in use; else 31539 rows), clears the
// user's places and builds the groups. Returns 1.
int initLocationDatabase(int tableChoice);

// Rows of the city table in use; 0 before initialisation.
int cityCount();
// Copies row `index` to *out (when out is not null); 0, nothing copied, when
// index is outside the table.
int getCityLocation(int index, Location* out);

int locationGroupCount();
// First row and size of a group (group 0: 0 and the user's place count);
// -1 when the group does not exist.
int locationGroupFirstRow(int group);
int locationGroupSize(int group);
// The group's country name in the current language ("User Defined" for
// group 0); "" for an unknown country or a group that does not exist.
const char* locationGroupName(int group);
// strcmp of the two groups' country names in the current language.
int compareLocationGroups(const LocationGroup& a, const LocationGroup& b);

// The user's places. A place's name points into the database's own buffer
// and changes with later edits of that place.
int getUserLocation(int index, Location* out);
// Overwrites existing place `index` with `location`, copying at most 255
// bytes of its name (cut at a character boundary) into the place's own
// buffer; the country code becomes 0. 0 when the place does not exist.
int setUserLocation(int index, const Location& location);
// Inserts at 0 <= index <= count, moving later places up; 0 when the index
// is out of range or 256 places exist.
int insertUserLocation(int index, const Location& location);
// Removes place `index`, moving later places down; 0 when it does not exist.
int deleteUserLocation(int index);
void clearUserLocations();

// Places whose names contain `text`, ignoring ASCII case: the user's places
// first, then the table's rows in order, at most `capacity`. Returns the
// number written to out.
int searchLocations(const char* text, Location* out, int capacity);

// The angular distance (radians) from (longitude, latitude) (radians) to the
// nearest city among table rows [first, end), copied to *out (when not
// null); the first of equal distances wins. -3.141592653589, out untouched,
// when no row of the table lies in the range.
double findNearestCity(int first, int end, Location* out, double longitude,
                       double latitude);
