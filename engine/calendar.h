// Julian dates from and to calendar dates, epochs and weekdays.
//
// A Julian date (JD) is in days, UT unless stated. A zone is the local
// standard-time offset in days, east positive: local time = UT + zone.
// Years are astronomical (year 0 is 1 BC).
#pragma once

// The standard epoch J2000.0: 2000 January 1, 12h (TT), as a Julian date.
inline constexpr double kJ2000 = 2451545.0;
// The Besselian epoch B1950.0 as a Julian date, as the engine's B1950 frames
// store it (Lieske 1979: JD 2433282.4235, here to three decimals).
inline constexpr double kB1950 = 2433282.423;
inline constexpr double kDaysPerJulianCentury = 36525.0;
inline constexpr double kSecondsPerDay = 86400.0;

// Calendar codes. Any other code is treated as kCalendarSwitching.
enum CalendarCode {
  kCalendarJulian = 0,
  kCalendarGregorian = 1,   // proleptic, for all dates
  kCalendarSwitching = 2,   // Gregorian from 1582-10-15, Julian before
  kCalendarHebrew = 3,      // arithmetic; months 1 (Nisan) to 13
  kCalendarIslamic = 4,     // tabular
  kCalendarPersian = 5,     // arithmetic, 2820-year cycle
  kCalendarIndian = 6,      // national calendar, Saka era
  kCalendarMayan = 8,       // year: Long Count day count; month, day: Haab
};

// JD (UT) of a local date and time in `calendar`.
double julianDateFromCalendar(int year, int month, double day, int hour,
                              int minute, double seconds, double zone,
                              int calendar);

// Local date and time of JD + zone in `calendar`; day carries the fraction
// of the day. Any output may be null.
void calendarFromJulianDate(int* year, int* month, double* day, int* hour,
                            int* minute, double* seconds, int calendar,
                            double jd, double zone);

// The arithmetic Hebrew calendar: JD of a date, the delay of a year's new
// year, and the length of a month (months 1 = Nisan .. 13 = Adar II).
double hebrewToJulianDate(int year, int month, double day);
int hebrewYearDelay(int year);
int hebrewMonthLength(int year, int month);

// JD of a date of the arithmetic Persian calendar.
double persianToJulianDate(int year, int month, double day);

// Epochs: Julian (J2000 + 365.25-day years) and Besselian (B1900 +
// tropical years), and the Julian year of a JD.
double julianEpochToJD(double year);
double besselianEpochToJD(double year);
double julianDateToYear(double jd);

// Weekday of JD + zone, 0 = Sunday.
int dayOfWeek(double jd, double zone);
