// The Milky Way's outline table: 16 contours of the band's edges and dark
// clouds, each a header entry (n, n + 1) followed by its n points (right
// ascension, declination) in thousandths of a degree, J2000; the entries
// after the last contour are (0, 0).
#pragma once

#include <cstdint>
#include <vector>

inline constexpr int kMilkyWayOutlineEntries = 2742;
inline constexpr int kMilkyWayContours = 16;

extern const std::int32_t kMilkyWayOutlineTable[kMilkyWayOutlineEntries][2];

// The table as float unit vectors, three floats an entry: places become
// J2000 directions of (first / 1000, second / 1000) degrees; entries with
// both values below 400 in absolute value are copied as (x, y, 0), so
// headers and the zero tail survive. Empty for a null table or no entries.
std::vector<float> lonLatTableToVectors(const std::int32_t (*table)[2], int count);
// The outline table converted once for the run.
const std::vector<float>& getMilkyWayOutlineVectors();
bool initMilkyWayOutline();
// Entry `index` of the converted table; false outside 0 .. 2741.
bool getMilkyWayOutlinePoint(int index, double out[3]);
