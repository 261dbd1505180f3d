// Sections that the information pages of several object classes share:
// rise, transit and set; the angular separations; and the rise and set
// labels that name the chart's horizon altitude.
#pragma once

#include <cstddef>

class CSkyChart;
class CSkyObject;
class InfoList;

// "Rises" and "Sets", or "Rises above 2.0°" and "Sets below 2.0°" when the
// chart's horizon altitude is more than 0.05° from the geometric horizon;
// translated, into buffers of `size` bytes.
void riseSetLabels(const CSkyChart& chart, char* rise, char* set, std::size_t size);

// "Visual Magnitude" of a body: "%+.1f", or `whenNone` (translated) for a
// magnitude that is not finite ("Eclipsed", "unknown").
void addBodyMagnitude(InfoList& list, double magnitude, const char* whenNone);

// "Visibility": rise, transit and set at the chart's horizon (refracted,
// bodies by their upper limb), each with its date or "does not rise",
// "does not transit", "does not set" with an infinite one.
void addVisibility(InfoList& list, CSkyChart& chart, CSkyObject& object);

// "Angular Separation": from the Sun, from the previously selected object
// (not the Sun) and from the chart's centre, each with the position angle
// seen from there; `direction` is the object's (fundamental frame).
void addAngularSeparations(InfoList& list, CSkyChart& chart, const double direction[3],
                           const char* sep);

// "Celestial Coordinates": azimuth and altitude (not in a space view), the
// hour angle (neither in a space view nor in the short list), right
// ascension and declination, and ecliptic and galactic coordinates (not in
// the short list).
void addCoordinates(InfoList& list, CSkyChart& chart, const double direction[3], const char* sep,
                    bool shortList);
