// The name the chart shows for an object, shared by the chart's labels and
// the information screens.
#pragma once

#include <cstddef>

class CSkyChart;
class CSkyObject;

// Writes the object's chart name into `buffer` (at most size - 1
// characters and the terminator) and returns its length, 0 when the object
// has nothing to show (the buffer is then left as it was). Stars and
// deep-sky objects give their first proper name when the chart shows
// proper names and they have one, else their first designation, short
// when `shortForm` is set (Bayer letters as "$" and the letter's symbol
// code); constellations, asterisms and meteor showers their name or, when
// the chart shows abbreviations, their abbreviation; bodies, satellites and
// surface features their own name.
int getObjectChartName(const CSkyChart* chart, const CSkyObject* object, char* buffer,
                       std::size_t size, int shortForm);
