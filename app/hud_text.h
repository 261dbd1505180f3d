// The texts of the chart screen's head-up display and of the orbit
// position in the status line, from the chart's state.
//
// Thread rules: the chart's thread (the main thread).
#pragma once

#include <string>

class CSkyChart;

// "RA: .. Dec: ..", "Azm: .. Alt: .." or "Lon: .. Lat: ..": whole tenths
// of a degree (or hours and minutes) above one arcminute a pixel, the
// chart's own formats below.
std::string centerCoordsText(const CSkyChart& chart);
// "FoV: h° x v°", or arcminutes when both are under a degree.
std::string fieldOfViewText(const CSkyChart& chart);
// The observer's geographic longitude and latitude (and, on a tablet, the
// height) above the Earth; empty when any of them is not a number.
std::string orbitPositionText(const CSkyChart& chart, bool tablet);
// The time-flow label's format: the date format, two blanks and the time
// format, whose short clock forms gain seconds; each part cut at 255
// characters.
std::string timeFlowLabelFormat(const char* dateFormat, const char* timeFormat);
// The units button's title for a step: its count (the multiplier, times
// ten for the ten-hour, ten-minute and ten-second units) and the unit's
// short name, as "1 sec", "10 min" or "2 sid. day"; "1 x clock" for
// the clock's own rate.
std::string timeFlowUnitsTitle(int unit, float multiplier);
