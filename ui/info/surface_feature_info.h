// The information items of a surface feature or populated place of a body.
#pragma once

struct SkyObjectInfoString;
class CSkyChart;
class CPlanetFeature;

// Writes the header, "Name", "Description" (its status line), "Type",
// "Longitude", "Latitude" and "Population" (places) or "Diameter" (other
// features), at most `maxItems` of them; returns how many it wrote (7 with
// room). A size that is not a finite number (or, for a population, not a
// whole number an int holds) reads "unknown".
int getSurfaceFeatureInfo(CSkyChart* chart, CPlanetFeature* feature, SkyObjectInfoString* items,
                          int maxItems);
