// Astronomical constants that several parts of the engine use, each stored
// once, in the form the engine computes with, with its unit and source.
// Dates and time units are in calendar.h, the circle constants in
// angles.h, the Earth's figure in ellipsoid.h.
#pragma once

// The astronomical unit, km: the IAU (1976) System of Astronomical
// Constants, as the body table, the moon theories and the catalogues use it.
inline constexpr double kAstronomicalUnitKm = 149597870.0;

// Light time for one astronomical unit, days: kAstronomicalUnitKm over the
// speed of light (299792.458 km/s, exact by the SI definition of the
// metre), as the engine stores it; and its reciprocal, the speed of light
// in AU per day.
inline constexpr double kLightTimeDaysPerAU = 0.005775518304412128;
inline constexpr double kLightSpeedAUPerDay = 173.14463348442058;
static_assert(1.0 / kLightTimeDaysPerAU == kLightSpeedAUPerDay);

// The Sun's radius, km (Allen's Astrophysical Quantities; the body
// table's value), and in AU.
inline constexpr double kSunRadiusKm = 695500.0;
inline constexpr double kSunRadiusAU = kSunRadiusKm / kAstronomicalUnitKm;

// Jupiter's equatorial radius, km, and flattening (1 - polar / equatorial
// radius, 66854 km polar, to seven digits): the IAU Working Group on
// Cartographic Coordinates and Rotational Elements (Archinal et al. 2011).
inline constexpr double kJupiterEquatorialRadiusKm = 71492.0;
inline constexpr double kJupiterEquatorialRadiusAU = kJupiterEquatorialRadiusKm / kAstronomicalUnitKm;
inline constexpr double kJupiterFlattening = 0.0648744;
