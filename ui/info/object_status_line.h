// The one-line summary of an object: its magnitude, class and the
// constellation or body it lies in, then (on request) its altitude and its
// next rising and setting, or a satellite's next pass. Shown under the
// chart for a selected object, in list and search rows, and as the
// "Description" row of the information pages.
//
// Thread rules: main thread only, as the chart it reads.
#pragma once

#include <cstddef>

class CSkyChart;
class CSkyObject;
struct SkyObjectID;

// Writes the line into `buffer` (emptied first, always terminated, at most
// size - 1 characters; nothing for no buffer or size 0). Returns 1 when the
// object stands at or above the chart's horizon altitude (as the eye sees
// it), or the chart is in a space view; else 0. The options:
// `showMagnitude` "Mag 0.5 " (or "Eclipsed " for a body in its parent's
// shadow) before the class; `useAbbreviation` the constellation's
// abbreviation instead of its name; `showRiseSet` a second line with the
// next rising and setting (a satellite's: its first pass within a day);
// `showAltitude` " at +12.3°".
int objectStatusLine(CSkyChart* chart, CSkyObject* object, char* buffer, std::size_t size,
                     int showMagnitude, int useAbbreviation, int showRiseSet, int showAltitude);

// The same for the object an identifier names in the chart's database; an
// identifier that names nothing leaves the buffer as it is and gives 0.
int objectStatusLineForID(CSkyChart* chart, const SkyObjectID& id, char* buffer,
                          std::size_t size, int showMagnitude, int useAbbreviation,
                          int showRiseSet, int showAltitude);
