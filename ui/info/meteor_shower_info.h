// The information items of a meteor shower: its identification, its next
// peak and the Moon then, its radiant, and its stream's orbit.
#pragma once

struct SkyObjectInfoString;
class CSkyChart;
class CMeteorShower;

// Writes at most `maxItems` items from index 0 and returns how many.
// `multiline` separates parts of a value with "\n" (else ", ");
// `visiblePassesOnly` keeps only the radiant's equatorial and horizon
// coordinates.
int getMeteorShowerInfo(CSkyChart* chart, CMeteorShower* shower, SkyObjectInfoString* items,
                        int maxItems, int multiline, int visiblePassesOnly);
