// Delta-T = TT - UT.
#pragma once

// TT - UT in seconds at `jd`, from the polynomial expressions by era of
// Espenak and Meeus (Five Millennium Canon of Solar Eclipses, 2006) with
// the long-term parabola -20 + 32 u^2 outside -500 .. 2150.
double deltaT(double jd);
