// Body numbers of the body table that the mechanics treats apart.
#pragma once

namespace mechanics {

inline constexpr int kSunBody = 0;
inline constexpr int kEarthBody = 3;
inline constexpr int kJupiterBody = 5;
inline constexpr int kPlutoBody = 9;
inline constexpr int kMoonBody = 301;
inline constexpr int kCharonBody = 901;

}  // namespace mechanics
