// The daylight-saving rule of a place, from the country of its nearest
// built-in city.
#include <cstring>
#include <initializer_list>

#include "engine/angles.h"
#include "engine/daylight_saving.h"
#include "engine/dst_country_rules.h"
#include "engine/ellipsoid.h"
#include "engine/locations.h"
#include "engine/sky_time.h"

namespace {

constexpr double kFarthestCityKm = 1000;

bool nameHasAny(const char* name, std::initializer_list<const char*> parts) {
  for (const char* part : parts)
    if (std::strstr(name, part)) return true;
  return false;
}

}  // namespace

int dstRuleForLocation(double lon, double lat) {
  Location city{};
  double distance = findNearestCity(0, cityCount(), &city, lon, lat);
  // A negative distance means no city at all (an empty table).
  if (distance < 0 || distance * kEarthEquatorialRadiusKm > kFarthestCityKm) return 0;
  int rule = 0;
  bool found = false;
  for (int i = 0; i < kDstCountryRuleCount && !found; ++i) {
    if (kDstCountryRules[i].countryCode ==
        static_cast<std::uint16_t>(city.countryCode)) {
      rule = static_cast<int>(kDstCountryRules[i].rule);
      found = true;
    }
  }
  if (!found) return 0;
  const char* name = city.name ? city.name : "";
  switch (rule) {
    case kDstSouthEastAustralia:
      // Only the south-eastern states keep summer time.
      return nameHasAny(name, {"ACT", "VIC", "NSW", "TAS", "SA"}) ? rule : 0;
    case kDstBrazil:
      // Only the south of Brazil kept summer time.
      return lat * kDegreesPerRadian < -10 ? rule : 0;
    case kDstNorthAmerica:
      // Arizona, Hawaii and Saskatchewan keep standard time all year.
      return nameHasAny(name, {"AZ", "HI", "SK"}) ? 0 : rule;
    default:
      return rule;
  }
}
