// Conversions shared by the calendar files; not part of the engine's
// public surface.
#pragma once

// Integer division rounding towards minus infinity.
long long floorDiv(long long a, long long b);

// Proleptic Gregorian calendar, used by the other calendars as a reference.
double gregorianToJulianDate(int year, int month, double day);
void julianDateToGregorian(double t, int* year, int* month, double* day);

double islamicToJulianDate(int year, int month, double day);
double indianToJulianDate(int year, int month, double day);

// Dates of the local time t = JD + zone; day carries the day fraction.
void julianDateToHebrew(double t, int* year, int* month, double* day);
void julianDateToIslamic(double t, int* year, int* month, double* day);
void julianDateToPersian(double t, int* year, int* month, double* day);
void julianDateToIndian(double t, int* year, int* month, double* day);
void julianDateToMayan(double t, int* year, int* month, double* day);
