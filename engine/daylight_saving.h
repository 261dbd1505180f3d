// Daylight-saving periods by rule code.
#pragma once

// Rule codes; any other code means no daylight saving.
enum DaylightSavingRule {
  kDstNone = 0,
  kDstAlways = -1,
  kDstNorthAmerica = 1,    // US and Canada rules since 1987
  kDstMexico = 2,
  kDstBrazil = 10,
  kDstChile = 11,
  kDstEurope = 20,         // European Union, at 01:00 UT
  kDstRussia = 21,         // until 2010
  kDstIran = 22,
  kDstSouthEastAustralia = 30,
  kDstNewZealand = 31,
  kDstFiji = 32,
};

// 1 when daylight saving is in effect at `jd` under `rule` for a place of
// standard-time `zone` (days), else 0. `start` and `end` receive the period
// in the proleptic Gregorian year of jd + zone (for southern rules the start
// lies late in the year and the end early in the same year); 0 and 0 without
// daylight saving, -inf and +inf for kDstAlways. Outputs may be null.
int daylightSavingPeriod(int rule, double* start, double* end, double jd,
                         double zone);
