// Phenomena of Jupiter's Galilean moons and transits of the Great Red Spot.
#pragma once

#include <cstdint>

// Event codes; an end adds kJupiterEventEnd.
inline constexpr std::int32_t kJupiterRedSpotTransit = 0;
inline constexpr std::int32_t kJupiterEclipse = 1;
inline constexpr std::int32_t kJupiterOccultation = 2;
inline constexpr std::int32_t kJupiterTransit = 3;
inline constexpr std::int32_t kJupiterShadowTransit = 4;
inline constexpr std::int32_t kJupiterEventEnd = 128;

// The longest span, in days, one search covers: later phenomena of a wider
// request are not searched for.
inline constexpr double kJupiterEventMaxSpan = 31.0;

struct JupiterEvent {
  double jd;           // UT, snapped to the nearest whole minute
  std::int32_t moon;   // 0 the Red Spot, 1-4 Io ... Callisto, -1 two shadows
  std::int32_t code;   // see above
};

// Fills at most `max` records with the phenomena that begin or end between
// jd0 and jd1 (UT), in time order, and returns how many it wrote; 0 when
// jd0 is not below jd1. Phenomena already under way at jd0 report only
// their end.
int findJupiterEvents(JupiterEvent* records, int max, double jd0, double jd1);
