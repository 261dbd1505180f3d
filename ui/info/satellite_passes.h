// A satellite's passes over the observer in the day after the chart's
// time, as its information page lists them, and the one cache that lets
// the page be rebuilt (rotation, clock ticks) without searching again.
//
// Thread rules: main thread only; the cache is process-wide and unguarded.
#pragma once

#include "mechanics/event_search.h"

class CSkyChart;
class CPlanet;
class InfoList;

inline constexpr int kMostCachedPasses = 32;

struct SatellitePasses {
  PassRecord records[kMostCachedPasses];
  int count;
};

// The passes above the chart's horizon altitude (lowered by refraction when
// the chart refracts) from the chart's time to a day later. Searched again
// only when the chart's time has moved more than a minute, or the
// satellite (its number or its elements' epoch), the observer's place or
// the minimum altitude differs from the cached search.
const SatellitePasses& satellitePasses(CSkyChart& chart, CPlanet& satellite);

// Forgets the cached search.
void clearSatellitePassCache();

// One section per pass ("Night Pass - Visible" ...): date, rise,
// culmination, set and the part spent in the Earth's shadow; passes that
// are not visible are left out when `visibleOnly`.
void addPassRows(InfoList& list, CSkyChart& chart, const SatellitePasses& passes, const char* sep,
                 bool visibleOnly);
