// The information items of an artificial satellite: identity, launch,
// categories, place and motion, orbit, radio frequencies and its passes in
// the next day.
#pragma once

struct SkyObjectInfoString;
class CSkyChart;
class CPlanet;

// Writes at most `maxItems` items from index 0 and returns how many; the
// arguments are those of getGeneralObjectInfo (general_object_info.h).
// `visiblePassesOnly` lists only visible passes and gives the short list
// (no motion or separations). The pass search is cached
// (satellite_passes.h).
int getSatelliteInfo(CSkyChart* chart, CPlanet* satellite, SkyObjectInfoString* items, int maxItems,
                     int multiline, int visiblePassesOnly);
