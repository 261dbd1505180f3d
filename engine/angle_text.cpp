#include "engine/angle_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/angles.h"
#include "engine/compass_point_names.h"
#include "engine/language.h"

namespace {

// Whole units of a non-negative value as a short, saturating beyond its
// range (and for NaN): the %hd fields cannot show more, and the conversion
// of an out-of-range double would be undefined.
short wholeUnits(double value) {
  double w = std::floor(value);
  if (!(w >= 0)) return 0;
  return w > 32767 ? 32767 : static_cast<short>(w);
}

// A value split into sign, whole units, whole minutes and seconds, or whole
// units and decimal minutes.
struct Split {
  char sign;
  short units;
  short minutes;
  double seconds;
  double decimalMinutes;
};

Split splitSexagesimal(double value) {
  Split s{};
  s.sign = value < 0 ? '-' : '+';
  double a = std::fabs(value);
  s.units = wholeUnits(a);
  s.minutes = wholeUnits((a - s.units) * 60);
  s.seconds = (a - s.units - s.minutes / 60.0) * 3600;
  if (!(s.seconds > 0)) s.seconds = 0;
  return s;
}

Split splitMinutes(double value) {
  Split s{};
  s.sign = value < 0 ? '-' : '+';
  double a = std::fabs(value);
  s.units = wholeUnits(a);
  s.decimalMinutes = (a - s.units) * 60;
  if (!(s.decimalMinutes >= 0)) s.decimalMinutes = 0;
  return s;
}

// How a value about to show 60 seconds or minutes is moved past the rounding
// point: forwards and reduced into one turn by `normalize` for unsigned codes
// of a full-turn quantity, away from zero otherwise.
double carried(double value, double step, int code, double (*normalize)(double)) {
  bool signedCode = code & (kAngleFormatSign | kAngleFormatDirection);
  if (!signedCode && normalize) return normalize(value + step);
  return value < 0 ? value - step : value + step;
}

// Splits `value` for the format of `code`, carrying past 60 as needed.
struct Carry {
  double secondsLimit, secondsStep, minutesLimit, minutesStep;
  double (*normalize)(double);
};

Split splitFor(int code, double value, const Carry& c) {
  if (code & kAngleFormatSexagesimal) {
    Split s = splitSexagesimal(value);
    if (s.seconds > c.secondsLimit)
      s = splitSexagesimal(carried(value, c.secondsStep, code, c.normalize));
    return s;
  }
  Split s = splitMinutes(value);
  if (s.decimalMinutes > c.minutesLimit)
    s = splitMinutes(carried(value, c.minutesStep, code, c.normalize));
  return s;
}

const Carry kHourCarry = {59.995, 1.388888888888889e-06, 59.95, 0.0008333333333333334,
                          normalizeHours};
const Carry kLongitudeCarry = {59.95, 1.388888888888889e-05, 59.5, 0.008333333333333333,
                               normalizeDegrees};
const Carry kLatitudeCarry = {59.95, 1.388888888888889e-05, 59.5, 0.008333333333333333,
                              nullptr};

// A split value that shows as zero takes no minus sign, nor the letter of
// the negative side.
void signAsShown(Split& s, int code, int secondsDecimals, int minutesDecimals) {
  const bool zero = s.units == 0 && ((code & kAngleFormatSexagesimal)
                                         ? s.minutes == 0 && roundedZeroWithoutSign(s.seconds, secondsDecimals) == 0
                                         : roundedZeroWithoutSign(s.decimalMinutes, minutesDecimals) == 0);
  if (zero) s.sign = '+';
}

// The formats of one degree field width.
struct DegreeFormats {
  const char *dmsDirection, *dmsSign, *dms;
  const char *dmDirection, *dmSign, *dm;
  const char *decimalDirection, *decimalSign, *decimal;
  double positiveAzimuth, negativeAzimuth;  // of the direction letters
  const Carry* carry;
};

const DegreeFormats kThreeDigits = {
    "%03hd° %02hd' %04.1lf\" %s", "%c%03hd° %02hd' %04.1lf\"", "%03hd° %02hd' %04.1lf\"",
    "%03hd° %02.0f' %s", "%c%03hd° %02.0f'", "%03hd° %02.0lf'",
    "%010.6lf° %s", "%+010.6lf°", "%010.6lf°",
    kHalfPi, kThreeHalfPi, &kLongitudeCarry};
const DegreeFormats kTwoDigits = {
    "%02hd° %02hd' %04.1lf\" %s", "%c%02hd° %02hd' %04.1lf\"", "%02hd° %02hd' %04.1lf\"",
    "%02hd° %02.0f' %s", "%c%02hd° %02.0f'", "%02hd° %02.0lf'",
    "%09.6lf° %s", "%+09.6lf°", "%09.6lf°",
    0, kPi, &kLatitudeCarry};

int formatDegrees(const DegreeFormats& f, int code, char* buffer, std::size_t size,
                  double angle) {
  if (!buffer) size = 0;
  double v = angle * kDegreesPerRadian;
  bool direction = code & kAngleFormatDirection, sign = code & kAngleFormatSign;
  if (!(code & (kAngleFormatSexagesimal | kAngleFormatMinutes))) {
    v = roundedZeroWithoutSign(v, 6);
    const char* letters = compassPointName(1, v < 0 ? f.negativeAzimuth : f.positiveAzimuth);
    if (direction) return std::snprintf(buffer, size, f.decimalDirection, std::fabs(v), letters);
    if (sign) return std::snprintf(buffer, size, f.decimalSign, v);
    return std::snprintf(buffer, size, f.decimal, std::fabs(v));
  }
  Split s = splitFor(code, v, *f.carry);
  signAsShown(s, code, 1, 0);
  const char* letters =
      compassPointName(1, s.sign == '-' ? f.negativeAzimuth : f.positiveAzimuth);
  if (code & kAngleFormatSexagesimal) {
    if (direction)
      return std::snprintf(buffer, size, f.dmsDirection, s.units, s.minutes, s.seconds, letters);
    if (sign)
      return std::snprintf(buffer, size, f.dmsSign, s.sign, s.units, s.minutes, s.seconds);
    return std::snprintf(buffer, size, f.dms, s.units, s.minutes, s.seconds);
  }
  if (direction)
    return std::snprintf(buffer, size, f.dmDirection, s.units, s.decimalMinutes, letters);
  if (sign) return std::snprintf(buffer, size, f.dmSign, s.sign, s.units, s.decimalMinutes);
  return std::snprintf(buffer, size, f.dm, s.units, s.decimalMinutes);
}

}  // namespace

int formatAngleHours(int code, char* buffer, std::size_t size, double angle) {
  if (!buffer) size = 0;
  double h = angle * kHoursPerRadian;
  bool direction = code & kAngleFormatDirection, sign = code & kAngleFormatSign;
  if (!(code & (kAngleFormatSexagesimal | kAngleFormatMinutes))) {
    h = roundedZeroWithoutSign(h, 6);
    if (direction)
      return std::snprintf(buffer, size, "%09.6lfh %c", std::fabs(h), h < 0 ? 'W' : 'E');
    if (sign) return std::snprintf(buffer, size, "%+09.6lfh", h);
    return std::snprintf(buffer, size, "%09.6lfh", std::fabs(h));
  }
  Split s = splitFor(code, h, kHourCarry);
  signAsShown(s, code, 2, 1);
  char letter = s.sign == '-' ? 'W' : 'E';
  if (code & kAngleFormatSexagesimal) {
    if (direction)
      return std::snprintf(buffer, size, "%02hdh %02hdm %05.2lfs %c", s.units, s.minutes,
                           s.seconds, letter);
    if (sign)
      return std::snprintf(buffer, size, "%c%02hdh %02hdm %05.2lf\"", s.sign, s.units,
                           s.minutes, s.seconds);
    return std::snprintf(buffer, size, "%02hdh %02hdm %05.2lfs", s.units, s.minutes, s.seconds);
  }
  if (direction)
    return std::snprintf(buffer, size, "%02hdh %04.1fm %c", s.units, s.decimalMinutes, letter);
  if (sign) return std::snprintf(buffer, size, "%c%02hdh %04.1fm", s.sign, s.units, s.decimalMinutes);
  return std::snprintf(buffer, size, "%02hdh %04.1lfm", s.units, s.decimalMinutes);
}

int formatAngleDegrees3(int code, char* buffer, std::size_t size, double angle) {
  return formatDegrees(kThreeDigits, code, buffer, size, angle);
}

int formatAngleDegrees2(int code, char* buffer, std::size_t size, double angle) {
  return formatDegrees(kTwoDigits, code, buffer, size, angle);
}

double roundedZeroWithoutSign(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, std::fabs(value));
  return std::strspn(text, "0.") == std::strlen(text) ? 0.0 : value;
}

const char* compassPointName(int abbreviated, double azimuth) {
  // Sectors of 45 degrees centred on the points; floor, so that azimuths
  // below zero fall in the sectors west of north.
  double turns = std::floor((azimuth * kDegreesPerRadian + 22.5) / 45.0);
  double sector = std::fmod(turns, kCompassPoints);
  int index = std::isfinite(sector) ? static_cast<int>(sector) : 0;
  if (index < 0) index += kCompassPoints;
  int language = getLanguage();
  bool romance = language == 1 || language == 2;
  if (abbreviated) return (romance ? kCompassAbbreviationsRomance : kCompassAbbreviations)[index];
  if (language == 1) return kCompassNamesSpanish[index];
  if (language == 2) return kCompassNamesFrench[index];
  return kCompassNames[index];
}

double parseAngleDMS(const char* text) {
  if (!text) return 0;
  char fields[3][32] = {"", "", ""};
  std::sscanf(text, "%31s %31s %31s", fields[0], fields[1], fields[2]);
  double value = std::fabs(std::atof(fields[0])) + std::atof(fields[1]) / 60.0 +
                 std::atof(fields[2]) / 3600.0;
  if (text[0] == '-') value = -value;
  std::size_t length = std::strlen(text);
  if (length > 0 && (text[length - 1] == 'S' || text[length - 1] == 'W')) value = -value;
  return value;
}
