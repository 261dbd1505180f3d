#include "skydata/satellite_codes.h"

#include <cstring>

namespace {

int findCode(const CodeName* table, int count, const char* code) {
  if (!code) return 0;
  int low = 0, high = count - 1;
  while (low <= high) {
    int middle = low + (high - low) / 2;
    int order = std::strcmp(code, table[middle].code);
    if (order == 0) return middle + 1;
    if (order < 0) high = middle - 1;
    else low = middle + 1;
  }
  return 0;
}

}  // namespace

int launchSiteIndex(const char* code) { return findCode(kLaunchSites, kLaunchSiteCount, code); }
int satelliteOwnerIndex(const char* code) { return findCode(kSatelliteOwners, kSatelliteOwnerCount, code); }

const char* launchSiteName(int row) {
  return row >= 1 && row <= kLaunchSiteCount ? kLaunchSites[row - 1].name : "";
}

const char* satelliteOwnerName(int row) {
  return row >= 1 && row <= kSatelliteOwnerCount ? kSatelliteOwners[row - 1].name : "";
}

bool htmIdToName(char* name, std::uint32_t id) {
  int highest = -1;
  for (int bit = 31; bit >= 1; bit -= 2) {
    if (id >> bit & 1u) {
      highest = bit;
      break;
    }
    if (id >> (bit - 1) & 1u) return false;  // highest set bit at an even position
  }
  if (highest < 0) return false;
  int length = 0;
  name[length++] = (id >> (highest - 1) & 1u) ? 'N' : 'S';
  for (int bit = highest - 3; bit >= 0; bit -= 2) name[length++] = static_cast<char>('0' + (id >> bit & 3u));
  name[length] = '\0';
  return true;
}

std::uint32_t htmNameToId(const char* name) {
  if (!name || (name[0] != 'N' && name[0] != 'S')) return 0;
  std::size_t length = std::strlen(name);
  // The root bit of a 16-character name stands at bit 31; longer names do not fit.
  if (length < 2 || length >= static_cast<std::size_t>(kHtmNameSize)) return 0;
  std::uint32_t id = name[0] == 'N' ? 3u : 2u;
  for (std::size_t i = 1; i < length; ++i) {
    if (name[i] < '0' || name[i] > '3') return 0;
    id = id << 2 | static_cast<std::uint32_t>(name[i] - '0');
  }
  return id;
}
