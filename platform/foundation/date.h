// Dates, fixed-offset time zones and date text.
//
// A date is seconds since the platform's reference date, 2001-01-01
// 00:00:00 UTC. Time zones are fixed offsets from UTC: the chart sets the
// process-wide default zone to its own local offset, so every date formatted
// through this layer shows chart-local time.
#pragma once

#include <string>

namespace ns {

class Date {
 public:
  // Seconds from 1970-01-01 to the reference date.
  static constexpr double kReferenceDateUnixTime = 978307200.0;

  constexpr Date() = default;
  static constexpr Date fromTimeIntervalSinceReferenceDate(double seconds) { return Date(seconds); }
  static constexpr Date fromTimeIntervalSince1970(double seconds) {
    return Date(seconds - kReferenceDateUnixTime);
  }
  // The system's wall clock, with microseconds.
  static Date now();

  constexpr double timeIntervalSinceReferenceDate() const { return seconds_; }
  constexpr double timeIntervalSince1970() const { return seconds_ + kReferenceDateUnixTime; }
  constexpr Date addingTimeInterval(double seconds) const { return Date(seconds_ + seconds); }
  constexpr double timeIntervalSinceDate(Date other) const { return seconds_ - other.seconds_; }
  friend constexpr bool operator==(Date, Date) = default;
  friend constexpr auto operator<=>(Date, Date) = default;

 private:
  constexpr explicit Date(double seconds) : seconds_(seconds) {}
  double seconds_ = 0.0;
};

class TimeZone {
 public:
  constexpr TimeZone() = default;
  static constexpr TimeZone withSecondsFromGMT(int seconds) { return TimeZone(seconds); }
  // The system's offset at this moment (daylight saving included).
  static TimeZone system();
  // The process-wide default zone; the system's until one is set.
  static TimeZone defaultTimeZone();
  static void setDefaultTimeZone(TimeZone zone);
  // Back to the system's zone.
  static void resetDefaultTimeZone();

  constexpr int secondsFromGMT() const { return seconds_; }
  // "GMT", "GMT+0100", "GMT-0330".
  std::string name() const;
  friend constexpr bool operator==(TimeZone, TimeZone) = default;

 private:
  constexpr explicit TimeZone(int seconds) : seconds_(seconds) {}
  int seconds_ = 0;
};

// Text of a date in the fixed English styles of the interface, e.g. medium
// date and medium time: "Jan 5, 2026 at 3:04:05 PM".
class DateFormatter {
 public:
  enum class Style { none, shortStyle, medium, longStyle, full };

  void setDateStyle(Style style) { dateStyle_ = style; }
  void setTimeStyle(Style style) { timeStyle_ = style; }
  // A zone of its own; without one the default zone at formatting time.
  void setTimeZone(TimeZone zone) {
    zone_ = zone;
    hasZone_ = true;
  }
  std::string stringFromDate(Date date) const;

 private:
  Style dateStyle_ = Style::none;
  Style timeStyle_ = Style::none;
  TimeZone zone_;
  bool hasZone_ = false;
};

}  // namespace ns
