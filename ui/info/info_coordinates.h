// The coordinate rows the information builders share: a direction's
// azimuth and altitude, its equatorial, ecliptic and galactic coordinates
// in the chart's formats, and its altitude as the eye sees it.
#pragma once

class CSkyChart;
class CSkyObject;
class InfoList;

// The atmosphere the information pages refract with.
inline constexpr double kInfoRefractionPressure = 1010.0;    // mbar
inline constexpr double kInfoRefractionTemperature = 10.0;   // degrees C

// The object's direction (fundamental frame), its place recomputed first
// while the chart's recompute-positions flag is set or it has none.
void currentDirection(CSkyChart& chart, CSkyObject& object, double direction[3]);

// A true altitude (radians) raised by the refraction at it when the
// chart's refraction option is on.
double apparentAltitude(const CSkyChart& chart, double altitude);

// The true altitude at which an object appears at the chart's horizon
// altitude: lowered by the refraction there when the chart refracts. The
// passes of satellites are searched above it.
double trueHorizonAltitude(const CSkyChart& chart);

// "Azimuth" (angle, sep, "in the " and the compass point) and "Altitude"
// (apparent, sep, "above horizon" or "below horizon" against the chart's
// horizon altitude) of a fundamental-frame direction; satellite pages
// label the second row "Elevation".
void addHorizonRows(InfoList& list, const CSkyChart& chart, const double direction[3],
                    const char* sep, const char* altitudeLabel = "Altitude");
// Right ascension and declination of the chart's epoch: labelled "Right
// Ascension" and "Declination" when `plainLabels`, else "R.A. (year)" and
// "Dec. (year)" with the epoch's decimal year.
void addEquatorialRows(InfoList& list, const CSkyChart& chart, const double direction[3],
                       bool plainLabels);
// Ecliptic longitude and latitude of the chart's epoch, then galactic.
void addEclipticGalacticRows(InfoList& list, const CSkyChart& chart, const double direction[3]);
// `format` (one %.1f) with the decimal year of the chart's epoch, the
// format translated; returns buffer.
char* epochLabel(char* buffer, int size, const char* format, const CSkyChart& chart);
