// Reader of JPL's DE planetary ephemerides in JPL's published binary
// layout (Standish, "JPL Planetary and Lunar Ephemerides", the export
// format): a header record with three title lines, constant names, the
// span, AU, Earth/Moon mass ratio and the pointer table; a record of
// constant values; then one record of Chebyshev coefficients per interval.
// Numbers are in the byte order of the machine that wrote the file; either
// order is read. The file may lie inside a larger one: every position is
// relative to the base offset given at opening, and `length` bounds it.
//
// The header is untrusted (the file can be replaced by the user or come
// damaged): every count, pointer, span and size is checked at opening,
// before anything is allocated, so that no later lookup can read outside
// its record.
//
// Thread rules: an ephemeris caches one record and its polynomial values,
// so one ephemeris belongs to one thread at a time. The last-error value
// is kept per thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Most Chebyshev coefficients per component a file may carry.
inline constexpr int kJPLMaxCoefficients = 18;
// Pointer entries: Mercury .. Pluto (0-8), the geocentric Moon (9), the Sun
// (10), nutations (11), librations (12), the lunar mantle's angular
// velocity (13) and TT-TDB (14).
inline constexpr int kJPLEntries = 15;

// Targets and centres of jplBodyState.
enum JPLBody {
  kJPLMercury = 1, kJPLVenus, kJPLEarth, kJPLMars, kJPLJupiter, kJPLSaturn, kJPLUranus,
  kJPLNeptune, kJPLPluto, kJPLMoon, kJPLSun, kJPLSolarSystemBarycentre,
  kJPLEarthMoonBarycentre, kJPLNutations, kJPLLibrations, kJPLMantleVelocity, kJPLTTMinusTDB
};

// Lookup errors.
enum JPLLookupError {
  kJPLOutsideFile = -1,
  kJPLReadFailed = -2,
  kJPLQuantityMissing = -3,
  kJPLInvalidBody = -5,
  kJPLSeekFailed = -6,
  kJPLBeyondLimits = -7,  // a coefficient argument outside [-1, 1]
};

// Opening errors (jplLastError after a null result).
enum JPLOpenError {
  kJPLNoStream = -1,
  kJPLHeaderSeekFailed = -2,
  kJPLFirstBlockUnreadable = -3,
  kJPLSecondBlockUnreadable = -4,
  kJPLNotDEFile = -5,          // Earth/Moon mass ratio out of range
  kJPLOutOfMemory = -6,
  kJPLConstantsUnreadable = -7,
  kJPLNamesUnreadable = -8,
  kJPLExtraPointersUnreadable = -10,
  kJPLBadSpan = -11,           // span, first or last date impossible
  kJPLBadPointers = -12,       // a pointer entry outside the record or its limits
  kJPLFileTooShort = -13,      // fewer records than the span needs
  kJPLBadConstantCount = -14,  // negative, absurd or not fitting its records
};

struct JPLEphemeris {
  double firstJD, lastJD, span;
  std::int32_t constantCount;
  double auKm, earthMoonRatio;
  // First coefficient (1-based, in doubles from the record's start),
  // coefficients per component and sub-intervals; offset -1 when absent.
  std::int32_t pointers[kJPLEntries][3];
  std::int32_t deNumber;
  std::int32_t kernelSize;       // 32-bit words of a record
  std::int32_t recordSize;       // bytes
  std::int32_t doublesPerRecord;
  std::int32_t swapBytes;
  std::int64_t recordCount;      // coefficient records the span needs
  std::int64_t cachedRecord;     // -1: none
  // Chebyshev polynomial values and derivatives at one argument each.
  double positionPolynomials[kJPLMaxCoefficients];
  double velocityPolynomials[kJPLMaxCoefficients];
  double positionArgument, velocityArgument;
  std::int32_t positionTerms, velocityTerms;
  std::int64_t baseOffset;
  std::FILE* stream;
  double* record;                // the cached record, in the same block
};

// Reads and checks the header of the ephemeris in `stream` (`length` bytes
// from `baseOffset`) and returns the ephemeris, which owns the stream from
// then on; null on failure (jplLastError says why; the stream stays the
// caller's). Up to `nameCapacity` constant names (6 characters each, not
// terminated) and `valueCapacity` values are copied when buffers are given.
JPLEphemeris* openJPLEphemeris(std::FILE* stream, std::int64_t baseOffset, std::int64_t length,
                               char* names, int nameCapacity, double* values,
                               int valueCapacity);
// The reason of this thread's last failed opening (0 when none).
int jplLastError();
// Header values by their position in the 204-byte block at byte 2652: 0
// the first JD, 8 the last JD, 16 the span (days), 28 AU (km), 36 the
// Earth/Moon mass ratio; -1.0 for any other code.
double jplHeaderValue(const JPLEphemeris* ephemeris, int code);
// Position (and, when asked, velocity) of `target` relative to `centre` at
// the TDB Julian date, in AU and AU/day; for targets 14-17 the raw
// quantity (radians, radians/day, seconds) whatever the centre. 0 on
// success, else a JPLLookupError.
int jplBodyState(JPLEphemeris* ephemeris, int target, int centre, double out[6],
                 bool withVelocity, double tdb);
// One pointer entry at date t: `components` values (and their rates per
// day) in file units. 0 or a JPLLookupError.
int jplInterpolate(JPLEphemeris* ephemeris, int entry, int components, double t, double out[],
                   bool withVelocity);
// Chebyshev sums of `components` series of `count` coefficients each
// (`coefficients` component-major) at argument tc in [-1, 1]; rates are
// scaled by `rateFactor`. Polynomial values are reused while the argument
// stays the same.
void interp(JPLEphemeris* ephemeris, const double* coefficients, int count, int components,
            double tc, double rateFactor, double out[], bool withVelocity);
// Closes the stream given at opening and frees the ephemeris; null is fine.
void closeJPLEphemeris(JPLEphemeris* ephemeris);
// Reverses the bytes of each of `count` doubles in place.
void reverseDoubleBytes(double* values, std::size_t count);
