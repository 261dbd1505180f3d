// The one entry point through which the object information screen asks
// for the information items of any sky object.
#pragma once

struct SkyObjectInfoString;
class CSkyChart;
class CSkyObject;

// Writes at most `maxItems` items from index 0 and returns how many.
// Meteor showers, solar-system bodies and surface features go to their own
// builders with these arguments; stars, deep-sky objects, constellations
// and asterisms are described here: names, description, magnitudes,
// distance, rise and set, coordinates, motion, separations, components,
// physical parameters, variability and orbit. `multiline` separates the
// parts of a value with "\n" (else ", "); `visiblePassesOnly` gives the
// short list (coordinates without hour angle, ecliptic and galactic ones,
// no motion or separations). The caller brings the object's place up to
// date first.
int getObjectInfo(CSkyChart* chart, CSkyObject* object, SkyObjectInfoString* items, int maxItems,
                  int multiline, int visiblePassesOnly);
