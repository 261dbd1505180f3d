// The satellite frequency list: radio transmitters of satellites read from
// a semicolon-separated text file ("SatelliteFrequencies.txt"), held
// process-wide and sorted by NORAD catalogue number.
//
// One transmitter a line, at most 255 characters; fields: name; NORAD
// number; uplink; downlink; beacon; mode; call sign; status. A line counts
// when it has at least seven fields (the status may be missing); further
// fields are ignored. Longer lines are skipped whole.
#pragma once

#include <cstdio>

struct SatelliteFrequency {
  int norad;
  // Owned by the list; null when the line lacked the field.
  char* name;
  char* uplink;
  char* downlink;
  char* beacon;
  char* mode;
  char* callSign;
  char* status;
};

// Most rows the list keeps.
inline constexpr int kMaxSatelliteFrequencies = 1024;
// Longest line, without its line end.
inline constexpr int kMaxFrequencyLineLength = 255;

// Replaces the list with the file's rows (the first 1024 that count) and
// returns their number; 0 and the old list kept when the file cannot be
// opened. Rows of one satellite keep their file order.
int loadSatelliteFrequencies(const char* path);
// Copies the rows of a NORAD number, in list order, into `rows` (at most
// `maximum`; nothing when it is 0 or less) and returns how many. The copies
// share the list's texts, which stay valid until the next load or clear.
int findSatelliteFrequencies(int norad, SatelliteFrequency* rows, int maximum);
// Empties the list and frees its texts.
void clearSatelliteFrequencies();
// Number of rows in the list.
int satelliteFrequencyCount();

// Reads lines into `rows` until the end of the file or `maximum` rows that
// count; with null rows it only counts. Returns the count.
int readFrequencyRecord(std::FILE* file, SatelliteFrequency* rows, int maximum);
// Splits one line (changed in place) into a zeroed row whose texts the
// caller then owns (freeFrequencyRow); returns the number of fields.
int parseFrequencyLine(char* line, SatelliteFrequency* row);
// Frees a row's texts and nulls them.
void freeFrequencyRow(SatelliteFrequency* row);
// Order by NORAD number (qsort-style).
int compareFrequencyRows(const void* a, const void* b);
