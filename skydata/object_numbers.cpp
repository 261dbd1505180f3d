// Object numbers from number texts. Each family has its own catalogue of
// 10^16 numbers above the stars' and deep-sky catalogues.
#include "skydata/object_numbers.h"

#include "skydata/catalog_numbers.h"
#include "skydata/designation_scan.h"

namespace {

struct Family {
  std::uint32_t types[2];  // type codes that ask for it (0: none more)
  int catalogue;
};

constexpr Family kFamilies[] = {
    {{30, 31}, kCatalogPlanet},
    {{33, 0}, kCatalogAsteroid},
    {{34, 0}, kCatalogComet},
    {{35, 0}, kCatalogSatellite},
};

}  // namespace

std::int64_t objectEntryForNumber(const char* text) {
  long long n = 0;
  // A negative number or one past the entries would be lifted into the
  // catalogue below or above the family's own.
  if (!scanInteger(text, n) || n < 1 || n >= kCatalogFactor) return 0;
  return n;
}

std::uint32_t objectIdsForNumber(const char* text, std::uint32_t type, std::uint64_t* ids,
                                 std::int32_t maximum) {
  if (ids == nullptr || maximum < 1) return 0;
  const std::int64_t entry = objectEntryForNumber(text);
  if (entry == 0) return 0;
  std::uint32_t count = 0;
  for (const Family& family : kFamilies) {
    if (count >= static_cast<std::uint32_t>(maximum)) break;
    if (type != 0 && type != family.types[0] && type != family.types[1]) continue;
    ids[count++] = static_cast<std::uint64_t>(makeCatalogNumber(family.catalogue, entry));
  }
  return count;
}

std::uint64_t objectIdForNumber(const char* text, std::uint32_t type) {
  std::uint64_t id = 0;
  return objectIdsForNumber(text, type, &id, 1) == 1 ? id : 0;
}
