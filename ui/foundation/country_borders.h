// The world-borders country table for the settings: loads it and, once it
// has rows, hands the settings file the chart's reading and writing of
// the shown countries (until then the file's own values are kept).
#pragma once

// loadWorldBorders(path), then installs the "ShowCountryBorder" handlers
// when the table holds countries; returns the load's result.
int loadCountryBorders(const char* path);
