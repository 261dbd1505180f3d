// Object numbers from number texts. Each family has its own block of 10^16
// numbers above the catalogues' numbers.
#include "chart/object_numbers.h"

#include <cerrno>
#include <cstdlib>

#include "skydata/catalog_numbers.h"

namespace {

constexpr std::uint64_t kFamilyBlock = 10000000000000000ULL;  // 10^16, one catalogue

struct Family {
  std::uint32_t types[2];  // type codes that ask for it (0: none more)
  std::uint64_t base;      // first number of its block
};

constexpr Family kFamilies[] = {
    {{30, 31}, kCatalogPlanet * kFamilyBlock},
    {{33, 0}, kCatalogAsteroid * kFamilyBlock},
    {{34, 0}, kCatalogComet * kFamilyBlock},
    {{35, 0}, kCatalogSatellite * kFamilyBlock},
};

}  // namespace

std::uint32_t objectIdsForNumber(const char* text, std::uint32_t type, std::uint64_t* ids,
                                 std::int32_t maximum) {
  if (text == nullptr || ids == nullptr || maximum < 1) return 0;
  errno = 0;
  char* end = nullptr;
  const long long n = std::strtoll(text, &end, 10);
  // An out-of-range text would otherwise read as the largest number.
  if (n == 0 || errno == ERANGE) return 0;
  std::uint32_t count = 0;
  for (const Family& family : kFamilies) {
    if (count >= static_cast<std::uint32_t>(maximum)) break;
    if (type != 0 && type != family.types[0] && type != family.types[1]) continue;
    ids[count++] = family.base + static_cast<std::uint64_t>(n);
  }
  return count;
}

std::uint64_t objectIdForNumber(const char* text, std::uint32_t type) {
  std::uint64_t id = 0;
  return objectIdsForNumber(text, type, &id, 1) == 1 ? id : 0;
}
