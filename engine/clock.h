// The system clock and time zone.
#pragma once

// JD (UT) of the system clock now.
double currentJulianDate();

// The system's standard-time offset in days (east positive), without the
// daylight-saving hour even while daylight saving is in effect; `dst`
// (may be null) receives 1 when it is in effect now, else 0.
double localTimeZone(int* dst);
