// Atmospheric refraction near the horizon.
#pragma once

// Refraction in radians at altitude `altitude` (radians) for pressure
// `pressure` (mbar) and temperature `temperature` (degrees C). Mode 1 takes a
// true altitude (Saemundsson 1986, Sky & Telescope 72, 70); any other mode an
// apparent one (Bennett 1982, J. Inst. Navigation 35, 255). Altitudes below
// -1.9 degrees (mode 1) or -1.7 degrees (others) count as those floors.
double atmosphericRefraction(int mode, double altitude, double pressure,
                             double temperature);
