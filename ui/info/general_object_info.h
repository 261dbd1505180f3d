// The information items of a solar-system body (the Sun, planets, moons,
// asteroids, comets, spacecraft and satellites): the entry point
// getObjectInfo hands every such body to.
#pragma once

struct SkyObjectInfoString;
class CSkyChart;
class CPlanet;

// Writes at most `maxItems` items from index 0 and returns how many; the
// arguments are those of getObjectInfo (object_info.h).
int getGeneralObjectInfo(CSkyChart* chart, CPlanet* object, SkyObjectInfoString* items,
                         int maxItems, int multiline, int visiblePassesOnly);
