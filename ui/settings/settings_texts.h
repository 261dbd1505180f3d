// The texts the settings screen shows for its rows' current values, as
// plain functions of the values.
#pragma once

#include <cstddef>
#include <string>

class CSkyChart;
class CSkyTime;

// "Unlimited" from 24.9 on, else "Mag %.1f".
std::string magnitudeLimitText(float limit);
// "%d Countries": the chart's set country-border flags (0 without a chart).
std::string countriesShownText(const CSkyChart* chart);
// "No Alerts", "1 Alert", "%d Alerts".
std::string alertCountText(std::size_t count);
// A row's summary as a tablet shows it: "%@ Shown".
std::string shownOnTablet(const std::string& summary);
// "Last Updated: " and the date and time of a stored Julian date (UT) in
// the chart's date and time formats (`formats`; the engine's own when
// null), in the device's local time of that moment. "" for no update
// (0) and for a stored value that is not finite.
std::string lastUpdateText(double jd, const CSkyTime* formats);
