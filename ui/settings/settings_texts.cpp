#include "ui/settings/settings_texts.h"

#include <cmath>
#include <cstdio>
#include <ctime>

#include "chart/sky_chart.h"
#include "engine/clock.h"
#include "engine/sky_time.h"

namespace {

constexpr double kUnixEpochJD = 2440587.5;
constexpr double kSecondsPerDay = 86400;

// The device's offset from UTC (days, daylight saving included) at a
// moment; outside the range the C library can place, the offset now.
double deviceZoneAt(double jd) {
  const double unix = (jd - kUnixEpochJD) * kSecondsPerDay;
  if (std::fabs(unix) < 1e12) {
    const std::time_t t = static_cast<std::time_t>(unix);
    std::tm local{};
    if (localtime_r(&t, &local)) return double(local.tm_gmtoff) / kSecondsPerDay;
  }
  int dst = 0;
  const double zone = localTimeZone(&dst);
  return zone + (dst ? 1.0 / 24 : 0.0);
}

}  // namespace

std::string magnitudeLimitText(float limit) {
  if (limit >= 24.9f) return "Unlimited";
  char text[64];
  std::snprintf(text, sizeof text, "Mag %.1f", double(limit));
  return text;
}

std::string countriesShownText(const CSkyChart* chart) {
  int count = 0;
  if (chart)
    for (bool shown : chart->showCountryBorder) count += shown;
  return std::to_string(count) + " Countries";
}

std::string alertCountText(std::size_t count) {
  if (count == 0) return "No Alerts";
  if (count == 1) return "1 Alert";
  return std::to_string(count) + " Alerts";
}

std::string shownOnTablet(const std::string& summary) { return summary + " Shown"; }

std::string lastUpdateText(double jd, const CSkyTime* formats) {
  if (jd == 0 || !std::isfinite(jd)) return "";
  // The device's own offset at that moment: a fixed daylight-saving rule
  // would put most of the world's devices an hour out for part of the year.
  CSkyTime time(1, jd, deviceZoneAt(jd));
  time.setDSTRule(0);
  if (formats) {
    time.setDateFormat(formats->dateFormat);
    time.setTimeFormat(formats->timeFormat);
  }
  char date[CSkyTime::kFormatSize] = "";
  time.formatDateTime(date, sizeof date, jd);
  return std::string("Last Updated: ") + date;
}
