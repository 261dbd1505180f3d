#include "engine/locations.h"

#include <algorithm>
#include <cstring>

#include "engine/angles.h"
#include "engine/language.h"
#include "engine/location_tables.h"

namespace {

const Location* cityTable = nullptr;
int cityRows = 0;

// groups[0] stands for the user's places; its size is userCount.
LocationGroup groups[kMaxLocationGroups];
int groupCount = 1;

// User places hold their names in a pool of buffers that never move, so a
// name pointer handed out stays valid while its place exists. Whether a
// buffer is taken is kept apart from its text, so that a place with an
// empty name keeps its buffer to itself.
Location users[kMaxUserLocations];
int userBuffer[kMaxUserLocations];
int userCount = 0;
char nameBuffers[kMaxUserLocations][kUserLocationNameSize];
bool bufferTaken[kMaxUserLocations];

// The country's name in the current language; null for a code the table
// does not hold.
const char* countryName(std::int64_t code) {
  const CountryRow* end = kCountryTable + kCountryTableRows;
  const CountryRow* row = std::lower_bound(
      kCountryTable, end, code,
      [](const CountryRow& r, std::int64_t c) { return r.code < c; });
  if (row == end || row->code != code) return nullptr;
  const int column = std::clamp(getLanguage(), 0, kNameTableLanguages - 1);
  return row->names[column];
}

const char* countryNameOrEmpty(std::int64_t code) {
  const char* name = countryName(code);
  return name ? name : "";
}

// Copies at most kUserLocationNameSize - 1 bytes of `source`, shortened to
// the last whole UTF-8 character so that a long name stays valid text.
void copyName(char* destination, const char* source) {
  if (source == destination) return;
  std::size_t length = source ? strnlen(source, kUserLocationNameSize) : 0;
  if (length >= kUserLocationNameSize) {
    length = kUserLocationNameSize - 1;
    while (length > 0 && (static_cast<unsigned char>(source[length]) & 0xC0) == 0x80)
      --length;
  }
  if (length > 0) std::memmove(destination, source, length);
  destination[length] = '\0';
}

int takeFreeBuffer() {
  for (int i = 0; i < kMaxUserLocations; ++i) {
    if (!bufferTaken[i]) {
      bufferTaken[i] = true;
      nameBuffers[i][0] = '\0';
      return i;
    }
  }
  return -1;
}

void releaseBuffer(int buffer) {
  std::memset(nameBuffers[buffer], 0, kUserLocationNameSize);
  bufferTaken[buffer] = false;
}

// Opens one group per run of rows of one country. Runs beyond the group
// array's capacity are left out of the groups (their rows stay searchable).
void buildGroups() {
  groups[0] = {0, 0, 0};
  groupCount = 1;
  bool full = false;
  for (int row = 0; row < cityRows; ++row) {
    const auto code = static_cast<std::uint32_t>(cityTable[row].countryCode);
    const bool opensRun = row == 0 || static_cast<std::uint32_t>(
                                          cityTable[row - 1].countryCode) != code;
    if (opensRun) {
      full = groupCount == kMaxLocationGroups;
      if (!full) groups[groupCount++] = {code, static_cast<std::uint32_t>(row), 1};
    } else if (!full) {
      ++groups[groupCount - 1].rowCount;
    }
  }
  std::sort(groups + 1, groups + groupCount,
            [](const LocationGroup& a, const LocationGroup& b) {
              return compareLocationGroups(a, b) < 0;
            });
}

}  // namespace

int initLocationDatabase(int tableChoice) {
  clearUserLocations();
  if (tableChoice == 0) {
    cityTable = kCityTable;
    cityRows = kCityTableRows;
  } else {
    cityTable = kLargeCityTable;
    cityRows = kLargeCityTableRows;
  }
  buildGroups();
  return 1;
}

int cityCount() { return cityRows; }

int getCityLocation(int index, Location* out) {
  if (index < 0 || index >= cityRows) return 0;
  if (out) *out = cityTable[index];
  return 1;
}

int locationGroupCount() { return groupCount; }

int locationGroupFirstRow(int group) {
  if (group < 0 || group >= groupCount) return -1;
  return group == 0 ? 0 : static_cast<int>(groups[group].firstRow);
}

int locationGroupSize(int group) {
  if (group < 0 || group >= groupCount) return -1;
  return group == 0 ? userCount : static_cast<int>(groups[group].rowCount);
}

const char* locationGroupName(int group) {
  if (group < 0 || group >= groupCount) return "";
  return countryNameOrEmpty(groups[group].countryCode);
}

int compareLocationGroups(const LocationGroup& a, const LocationGroup& b) {
  return std::strcmp(countryNameOrEmpty(a.countryCode),
                     countryNameOrEmpty(b.countryCode));
}

int getUserLocation(int index, Location* out) {
  if (index < 0 || index >= userCount) return 0;
  if (out) *out = users[index];
  return 1;
}

int setUserLocation(int index, const Location& location) {
  if (index < 0 || index >= userCount) return 0;
  const Location copy = location;  // `location` may be this very slot
  char* name = nameBuffers[userBuffer[index]];
  copyName(name, copy.name);
  users[index] = copy;
  users[index].name = name;
  users[index].countryCode = 0;
  return 1;
}

int insertUserLocation(int index, const Location& location) {
  if (index < 0 || index > userCount || userCount >= kMaxUserLocations) return 0;
  const Location copy = location;  // `location` may lie in the part that moves
  const int buffer = takeFreeBuffer();
  if (buffer < 0) return 0;
  const int moved = userCount - index;
  std::memmove(users + index + 1, users + index, moved * sizeof users[0]);
  std::memmove(userBuffer + index + 1, userBuffer + index, moved * sizeof userBuffer[0]);
  users[index] = Location{};
  users[index].name = nameBuffers[buffer];
  userBuffer[index] = buffer;
  ++userCount;
  return setUserLocation(index, copy);
}

int deleteUserLocation(int index) {
  if (index < 0 || index >= userCount) return 0;
  releaseBuffer(userBuffer[index]);
  const int moved = userCount - index - 1;
  std::memmove(users + index, users + index + 1, moved * sizeof users[0]);
  std::memmove(userBuffer + index, userBuffer + index + 1, moved * sizeof userBuffer[0]);
  --userCount;
  users[userCount] = Location{};
  userBuffer[userCount] = 0;
  return 1;
}

void clearUserLocations() {
  userCount = 0;
  std::memset(users, 0, sizeof users);
  std::memset(userBuffer, 0, sizeof userBuffer);
  std::memset(nameBuffers, 0, sizeof nameBuffers);
  std::memset(bufferTaken, 0, sizeof bufferTaken);
}

int searchLocations(const char* text, Location* out, int capacity) {
  if (text == nullptr || out == nullptr || capacity <= 0) return 0;
  int found = 0;
  for (int i = 0; i < userCount && found < capacity; ++i) {
    if (strcasestr(users[i].name, text)) out[found++] = users[i];
  }
  for (int row = 0; row < cityRows && found < capacity; ++row) {
    if (strcasestr(cityTable[row].name, text)) out[found++] = cityTable[row];
  }
  return found;
}

double findNearestCity(int first, int end, Location* out, double longitude,
                       double latitude) {
  first = std::max(first, 0);
  end = std::min(end, cityRows);
  double best = kPi;
  int chosen = -1;
  for (int row = first; row < end; ++row) {
    const double d = angularSeparation(longitude, latitude,
                                       cityTable[row].longitude * kRadiansPerDegree,
                                       cityTable[row].latitude * kRadiansPerDegree);
    if (d < best) {
      best = d;
      chosen = row;
    }
  }
  if (chosen < 0) return -kPi;
  if (out) *out = cityTable[chosen];
  return best;
}
