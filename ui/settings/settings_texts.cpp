#include "ui/settings/settings_texts.h"

#include <cmath>
#include <cstdio>

#include "chart/sky_chart.h"
#include "engine/clock.h"
#include "engine/sky_time.h"

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
  CSkyTime time(1, jd, localTimeZoneAt(jd));
  time.setDSTRule(0);
  if (formats) {
    time.setDateFormat(formats->dateFormat);
    time.setTimeFormat(formats->timeFormat);
  }
  char date[CSkyTime::kFormatSize] = "";
  time.formatDateTime(date, sizeof date, jd);
  return std::string("Last Updated: ") + date;
}
