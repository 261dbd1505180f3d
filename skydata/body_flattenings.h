// Flattenings of the bodies whose figure the chart draws as a spheroid or
// ellipsoid: (0, 1 - b/a, 1 - c/a) with a >= b >= c the semi-axes.
#pragma once

#include <cstdint>

// Fills `out` for a planet (type 30), moon (31) or asteroid (33) with a
// known figure and returns true; zeros and false for any other body.
bool bodyFlattenings(int typeCode, std::uint32_t body, double out[3]);
