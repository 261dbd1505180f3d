// Marks along the reference lines: hour ticks on the celestial equator,
// date ticks on the ecliptic, the local meridian with its altitude ticks,
// and the compass points on the horizon.
#include <cmath>
#include <cstdio>

#include "chart/grid_lines.h"
#include "chart/sky_chart.h"
#include "engine/angles.h"
#include "engine/angle_text.h"
#include "engine/calendar.h"
#include "engine/lunar_theory.h"

namespace {

// Below this field (45 degrees) the ticks come closer together.
constexpr double kFineTickField = 0.78539816339725;
constexpr char kDegreeSign = static_cast<char>(176);

}  // namespace

void CSkyChart::drawTickMark(const double point[3], const double previous[3], const char* label) {
  double x, y, px, py;
  if (!vectorToScreen(point, &x, &y) || !isPointInViewport(x, y)) return;
  if (!vectorToScreen(previous, &px, &py)) return;
  // Across the line, on its left as it runs on.
  double direction = std::atan2(y - py, x - px) + kHalfPi;
  double c = std::cos(direction), s = std::sin(direction);
  float length = markerSize / 2;
  moveToPoint(static_cast<float>(x), static_cast<float>(y));
  lineToPoint(static_cast<float>(x + length * c), static_cast<float>(y + length * s));
  strokePath();
  if (label == nullptr) return;
  double reach = getTextWidth(label, 0) / 2 + markerSize;
  drawLabel(label, 0, true, static_cast<float>(x + reach * c),
            static_cast<float>(y + reach * s + gridLabelSize * contentScale / 2));
}

void CSkyChart::drawEquatorTicks() {
  setTextHeight(gridLabelSize);
  double step = displayFOV < kFineTickField ? 2.5 : 15;
  char label[16];
  for (double degrees = 0; degrees < 360; degrees += step) {
    double point[3], previous[3];
    systemPointVector(*this, 1, degrees * kRadiansPerDegree, 0, point);
    systemPointVector(*this, 1, (degrees - step) * kRadiansPerDegree, 0, previous);
    bool hour = std::fmod(degrees, 15) < 0.1;
    if (hour) std::snprintf(label, sizeof label, "%dh", static_cast<int>(degrees / 15));
    drawTickMark(point, previous, hour ? label : nullptr);
  }
}

void CSkyChart::drawEclipticTicks() {
  setTextHeight(gridLabelSize);
  bool fine = displayFOV < kFineTickField;
  char label[64];
  for (int month = 1; month <= 12; ++month) {
    for (int offset = 0; offset <= (fine ? 25 : 0); offset += 5) {
      double jd = julianDateFromCalendar(localYear, month, offset == 0 ? 1 : offset, 0, 0, 0,
                                         timeZone, calendar);
      double longitude = 0;
      sunPositionLowPrecision(&longitude, nullptr, nullptr, jd);
      double point[3], previous[3];
      systemPointVector(*this, 3, longitude, 0, point);
      systemPointVector(*this, 3, longitude - kRadiansPerDegree, 0, previous);
      if (offset == 0)
        formatJulianDate(label, sizeof label, "%b", jd);
      else
        std::snprintf(label, sizeof label, "%d", offset);
      drawTickMark(point, previous, label);
    }
  }
}

void CSkyChart::drawMeridian() {
  float green[3], filtered[3];
  gridColor(2, green);
  filterColor(filtered, green);
  setColor(filtered[0], filtered[1], filtered[2], 1);
  setGridPen();
  setTextHeight(referenceLabelSize);
  // From the northern horizon over the zenith to the southern one: the
  // angle past the northern horizon, in the plane of azimuth 0.
  double a = referenceAltitude(horizonAltitude);
  double step = (kPi - 2 * a) / kPi * 5 * kRadiansPerDegree;
  EdgeLabelledLine line(*this, gridTexts[4], true);
  for (int k = 0; k <= 36; ++k) {
    double v[3];
    systemPointVector(*this, 2, 0, a + k * step, v);
    line.addPoint(v);
  }
  line.finish();
  if (!showMeridianTicks) return;
  setTextHeight(gridLabelSize);
  int tick = displayFOV < kFineTickField ? 1 : 10;
  char label[16];
  for (int angle = 0; angle <= 180; angle += tick) {
    double point[3], previous[3];
    systemPointVector(*this, 2, 0, angle * kRadiansPerDegree, point);
    systemPointVector(*this, 2, 0, (angle - tick) * kRadiansPerDegree, previous);
    if (angle % 10 == 0)
      std::snprintf(label, sizeof label, "%02d%c", angle <= 90 ? angle : 180 - angle,
                    kDegreeSign);
    drawTickMark(point, previous, angle % 10 == 0 ? label : nullptr);
  }
}

void CSkyChart::drawCompassPoints() {
  float green[3], filtered[3];
  gridColor(2, green);
  filterColor(filtered, green);
  setColor(filtered[0], filtered[1], filtered[2], 1);
  setTextHeight(referenceLabelSize);
  double altitude = referenceAltitude(0);
  for (int k = 0; k < 8; ++k) {
    double azimuth = k * 45 * kRadiansPerDegree, v[3], x, y;
    systemPointVector(*this, 2, azimuth, altitude, v);
    if (!vectorToScreen(v, &x, &y) || !isPointInViewport(x, y)) continue;
    float fx = static_cast<float>(x), fy = static_cast<float>(y);
    drawLabel(compassPointName(1, azimuth), 0, true, fx, fy + 17 * contentScale);
    drawCircle(true, fx, fy, 2 * contentScale, 0);
  }
}
