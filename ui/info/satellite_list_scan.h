// The scan behind the satellite lists: which satellites of a category
// stand above an altitude over a window of time, minute by minute, with
// the Sun below a limit and, when a magnitude limit is given, sunlit and
// bright enough.
//
// Thread rules: main thread only, as the chart and database it reads.
#pragma once

struct SkyObjectID;
class CSkyChart;

// Scans from startJD (UT) in steps of one minute while before endJD, and
// lists each satellite of the solar-system file's root region carrying
// `category` once, at the first minute it qualifies: its altitude at least
// `minAltitude`, the Sun at most `sunAltitudeLimit` high (no Sun test for a
// limit at or below -90°), and unless `magnitudeLimit` is infinite, out of
// the Earth's shadow and no fainter than the limit. Each satellite is
// placed as the chart places it (mechanics/satellite_place.h), so a listed
// minute is one at which the chart shows it there. Angles in radians.
// `ids` receives the satellites in the order found and `jds` (when not
// null) their minutes; at most `maxCount`. Returns how many were found (0
// without satellites, or when the window is empty).
int findSatellitePasses(CSkyChart* chart, int category, SkyObjectID* ids, double* jds, int maxCount,
                        double startJD, double endJD, double sunAltitudeLimit, double minAltitude,
                        double magnitudeLimit);
