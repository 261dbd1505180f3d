// CSkyTime: the root of the engine's class chain. It holds one moment as a
// Julian date with everything derived from it for display (Delta-T, the
// local calendar date and time in a chosen calendar, time zone and
// daylight-saving rule, the weekday) and formats dates as text.
//
// Derived classes override setJulianDate and setDateTime; setDateTime
// reaches the most-derived setJulianDate and setJulianDate the most-derived
// setDeltaT. Not re-entrant: one object per thread.
#pragma once

#include <cstddef>
#include <cstdint>

class CSkyTime {
 public:
  static constexpr std::size_t kFormatSize = 256;

  // JD 2451545.0, automatic Delta-T, zone 0, calendar 2, rule 1.
  CSkyTime();
  // A free-standing formatter: calendar code, JD (UT) and zone (days).
  CSkyTime(int calendar, double jd, double zone);
  virtual ~CSkyTime();

  CSkyTime(const CSkyTime&) = default;
  CSkyTime& operator=(const CSkyTime&) = default;

  // Stores the moment (UT) and recomputes the local fields, the weekday,
  // whether daylight saving is in effect, and Delta-T.
  virtual void setJulianDate(double jd);
  // Automatic Delta-T from the date, or `manual` (days).
  virtual void setDeltaT(int automatic, double manual);
  // Sets the moment from a local clock reading in the stored calendar, zone
  // and daylight-saving rule.
  virtual void setDateTime(int year, int month, double day, int hour,
                           int minute, double seconds);
  // Standard-time zone in days, east positive.
  virtual void setTimeZone(double zone);
  // Daylight-saving rule code (0 none); decides the flag at the stored date.
  virtual void setDSTRule(int rule);
  virtual void setCalendar(int calendar);
  // strftime formats, cut to 255 characters.
  virtual void setDateFormat(const char* format);
  virtual void setTimeFormat(const char* format);

  // Writes `jd` as text in the stored calendar, zone and daylight-saving
  // rule with a strftime format, in which "AD" and "BC" mark the era:
  // years before 1 of the Julian and Gregorian calendars are written
  // 1 - year with "BC", the era letters are dropped where they do not
  // apply. A JD that is not finite leaves the buffer as it is; text that
  // does not fit leaves an empty string.
  void formatJulianDate(char* buffer, std::size_t size, const char* format,
                        double jd) const;
  void formatCurrentDate(char* buffer, std::size_t size,
                         const char* format) const;
  // The date and time formats joined by a blank.
  void formatDateTime(char* buffer, std::size_t size, double jd) const;
  void formatCurrentDateTime(char* buffer, std::size_t size) const;

  double julianDate = 2451545.0;      // UT, days
  double dynamicalJulianDate = 0;     // julianDate + deltaTInUse
  double deltaTInUse = 0;             // days
  double manualDeltaT = 0;            // days, used when autoDeltaT is 0
  std::uint8_t autoDeltaT = 1;
  double timeZone = 0;                // standard time, days east
  std::int32_t localYear = 0;
  std::uint16_t localMonth = 0;
  double localDay = 0;                // with the fraction of the day
  std::int16_t localHour = 0;
  std::uint16_t localMinute = 0;
  double localSeconds = 0;
  std::uint16_t weekday = 0;          // 0 = Sunday
  std::uint16_t calendar = 2;
  std::uint16_t dstRule = 1;          // read as signed: all bits set is -1
  std::uint8_t dstInEffect = 0;
  char dateFormat[kFormatSize] = "%Y/%m/%d";
  char timeFormat[kFormatSize] = "%H:%M:%S";

 private:
  // Recomputes the local fields and weekday at the zone, with the
  // daylight-saving hour when the flag is set.
  void updateLocalFields();
  void storeLocalFields(int year, int month, double day, int hour, int minute,
                        double seconds);
};

// formatJulianDate in the switching calendar at zone 0 without daylight
// saving, for callers without an object.
void formatJulianDateUTC(char* buffer, std::size_t size, const char* format,
                         double jd);

// The daylight-saving rule code of the place at (lon, lat) (radians), from
// the country of the nearest built-in city within 1000 km; 0 for none.
int dstRuleForLocation(double lon, double lat);
