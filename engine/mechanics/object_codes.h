// The object type codes the mechanics dispatches on (the catalogue's code
// table, skydata/object_types.h).
#pragma once

namespace mechanics {

inline constexpr int kPlanetCode = 30;      // the Sun and the planets
inline constexpr int kMoonCode = 31;
inline constexpr int kAsteroidCode = 33;
inline constexpr int kCometCode = 34;
inline constexpr int kSatelliteCode = 35;   // artificial Earth satellite
inline constexpr int kSpacecraftCode = 36;
inline constexpr int kFeatureCode = 39;     // planet surface feature

// Body numbers of the body table.
inline constexpr int kSunBody = 0;
inline constexpr int kEarthBody = 3;
inline constexpr int kJupiterBody = 5;
inline constexpr int kPlutoBody = 9;
inline constexpr int kMoonBody = 301;
inline constexpr int kCharonBody = 901;

}  // namespace mechanics
