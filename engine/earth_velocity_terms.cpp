// The largest terms of the Earth's barycentric velocity after Ron and
// Vondrak (1986), as abridged in the Explanatory Supplement.
#include "engine/earth_velocity_terms.h"

const EarthVelocityArgumentRow kEarthVelocityArgumentRows[kEarthVelocityArguments] = {
    {1.7534703, 628.3075849},   // L3, mean longitude of the Earth
    {0.5995465, 52.9690965},    // L5, Jupiter
    {0.8740168, 21.3299095},    // L6, Saturn
    {3.8103444, 8399.6847337},  // L', Moon's mean longitude
    {2.3555559, 8328.6914289},  // M', Moon's mean anomaly
    {1.6279052, 8433.4661601},  // F, Moon's argument of latitude
};

//  L3 L5 L6 L' M' F    X sin, Y sin, Z sin          X cos, Y cos, Z cos
const EarthVelocityTerm kEarthVelocityTerms[kEarthVelocityTermCount] = {
    {{1, 0, 0, 0, 0, 0}, {{-1719914, -2}, {25, -13}, {10, 32}}, {{-25, 0}, {1578089, 156}, {684185, -358}}},
    {{2, 0, 0, 0, 0, 0}, {{6434, 141}, {25697, -95}, {11141, -48}}, {{28007, -107}, {-5904, -130}, {-2559, -55}}},
    {{0, 1, 0, 0, 0, 0}, {{715, 0}, {6, 0}, {-15, 0}}, {{0, 0}, {-657, 0}, {-282, 0}}},
    {{0, 0, 0, 1, 0, 0}, {{715, 0}, {0, 0}, {0, 0}}, {{0, 0}, {-656, 0}, {-285, 0}}},
    {{3, 0, 0, 0, 0, 0}, {{486, -5}, {-216, -4}, {-94, 0}}, {{-236, -4}, {-446, 5}, {-193, 0}}},
    {{0, 0, 1, 0, 0, 0}, {{159, 0}, {2, 0}, {-6, 0}}, {{0, 0}, {-147, 0}, {-61, 0}}},
    {{0, 0, 0, 0, 0, 1}, {{0, 0}, {0, 0}, {0, 0}}, {{0, 0}, {26, 0}, {-59, 0}}},
    {{0, 0, 0, 1, 1, 0}, {{39, 0}, {0, 0}, {-5, 0}}, {{0, 0}, {-36, 0}, {-16, 0}}},
    {{0, 2, 0, 0, 0, 0}, {{33, 0}, {-9, 0}, {0, 0}}, {{-10, 0}, {-30, 0}, {-13, 0}}},
};
