// The system clock and time zone.
#pragma once

// JD (UT) of the clock now: the system clock, or the source installed.
double currentJulianDate();
// Installs where the engine reads the time (seconds since 1970-01-01 00:00
// UTC; the application's run loop, so that a test's clock moves the chart's
// time too). Null restores the system clock. Set it before other threads
// read the time.
void setWallClockSource(double (*secondsSince1970)());

// The system's standard-time offset in days (east positive), without the
// daylight-saving hour even while daylight saving is in effect; `dst`
// (may be null) receives 1 when it is in effect now, else 0.
double localTimeZone(int* dst);
// The system's offset from UT in days (east positive, daylight saving
// included) at the moment `jd` (UT); outside the range the C library can
// place, the offset now.
double localTimeZoneAt(double jd);
