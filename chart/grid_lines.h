// Spacing of the coordinate grid's lines and the texts of its labels.
#pragma once

#include <cstddef>

// Arcseconds between meridians for a spread of `spread` arcseconds of
// angle (right ascension, system 1, in steps that are whole seconds,
// minutes or hours of time).
long gridMeridianSpacing(int system, double spread);
// Arcseconds between parallels for a half field of `half` arcseconds.
long gridParallelSpacing(double half);
// Label of a parallel at `latitude` arcseconds in the latitude format.
void gridLatitudeLabel(char* text, std::size_t size, long latitude, int format, bool degreesOnly,
                       bool minutesLevel);
// Label of a meridian at `longitude` arcseconds in the longitude format.
void gridLongitudeLabel(char* text, std::size_t size, int system, long longitude, int format,
                        long spacing);
