// Coordinate grids of the four sky systems with labels where they cross
// the viewport's edge, the reference great circles and their poles, and
// the equinox and solstice points.
#include "chart/grid_lines.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "chart/sky_chart.h"
#include "engine/language.h"
#include "engine/refraction.h"

namespace {

constexpr long kTurn = 1296000;
constexpr long kQuarter = 324000;
constexpr char kDegreeSign = static_cast<char>(176);

struct SpacingRow {
  double bound;
  long equatorial, other;
};
constexpr SpacingRow kMeridianRows[] = {
    {3, 1, 1},           {6, 2, 2},           {15, 5, 5},           {30, 15, 10},
    {90, 30, 30},        {180, 75, 60},       {360, 150, 120},      {900, 300, 300},
    {1800, 900, 600},    {5400, 1800, 1800},  {10800, 4500, 3600},  {21600, 9000, 7200},
    {54000, 18000, 18000}, {108000, 54000, 36000}};
constexpr double kParallelBounds[] = {3, 6, 15, 30, 90, 180, 360, 900, 1800, 5400, 10800,
                                      21600, 54000, 108000};
constexpr long kParallelSpacing[] = {1, 2, 5, 10, 30, 60, 120, 300, 600, 1800, 3600, 7200,
                                     18000, 36000};

// A point of system `system` at longitude and latitude in arcseconds as a
// fundamental-frame vector.
void systemPoint(const CSkyChart& chart, int system, double lon, double lat, double out[3]) {
  systemPointVector(chart, system, lon / kArcsecondsPerRadian, lat / kArcsecondsPerRadian, out);
}

// The latitude and longitude format codes of a system.
void formatsOf(const CSkyChart& chart, int system, int* lonFormat, int* latFormat) {
  switch (system) {
    case 1: *lonFormat = chart.raFormat; *latFormat = chart.decFormat; break;
    case 2: *lonFormat = chart.azimuthFormat; *latFormat = chart.altitudeFormat; break;
    case 3:
      *lonFormat = chart.eclipticLongitudeFormat;
      *latFormat = chart.eclipticLatitudeFormat;
      break;
    default:
      *lonFormat = chart.galacticLongitudeFormat;
      *latFormat = chart.galacticLatitudeFormat;
      break;
  }
}

}  // namespace

void systemPointVector(const CSkyCoordinates& chart, int system, double lon, double lat,
                       double out[3]) {
  double v[3] = {std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon), std::sin(lat)};
  chart.convertCoordSystem(system, 0, v, out);
}

long gridMeridianSpacing(int system, double spread) {
  for (const SpacingRow& row : kMeridianRows)
    if (spread < row.bound) return system == 1 ? row.equatorial : row.other;
  return 108000;
}

long gridParallelSpacing(double half) {
  for (std::size_t i = 0; i < std::size(kParallelBounds); ++i)
    if (half < kParallelBounds[i]) return kParallelSpacing[i];
  return 108000;
}

void gridLatitudeLabel(char* text, std::size_t size, long latitude, int format, bool degreesOnly,
                       bool minutesLevel) {
  char sign = latitude < 0 ? '-' : '+';
  long a = std::labs(latitude);
  if ((format & 3) == 0) {
    std::snprintf(text, size, "%c%09.6lf%c", sign, a / 3600.0, kDegreeSign);
  } else if (degreesOnly) {
    std::snprintf(text, size, "%c%02ld%c", sign, a / 3600, kDegreeSign);
  } else if (minutesLevel || (format & 1) == 0) {
    std::snprintf(text, size, "%c%02ld%c %02ld'", sign, a / 3600, kDegreeSign, a / 60 % 60);
  } else {
    std::snprintf(text, size, "%c%02ld%c %02ld' %02ld\"", sign, a / 3600, kDegreeSign,
                  a / 60 % 60, a % 60);
  }
}

void gridLongitudeLabel(char* text, std::size_t size, int system, long longitude, int format,
                        long spacing) {
  long a = ((longitude % kTurn) + kTurn) % kTurn;
  bool decimal = (format & 3) == 0;
  if (system == 1) {
    long t = a / 15;  // seconds of time
    bool m = (format & 1) == 0 || spacing > 899;
    if (decimal)
      std::snprintf(text, size, "%09.6lfh", a / 54000.0);
    else if (spacing >= 54000)
      std::snprintf(text, size, "%02ldh", t / 3600);
    else if (m)
      std::snprintf(text, size, "%02ldh %02ldm", t / 3600, t / 60 % 60);
    else
      std::snprintf(text, size, "%02ldh %02ldm %02lds", t / 3600, t / 60 % 60, t % 60);
    return;
  }
  bool n = (format & 1) == 0 || spacing > 59;
  if (decimal)
    std::snprintf(text, size, "%10.6lf%c", a / 3600.0, kDegreeSign);
  else if (spacing >= 3600)
    std::snprintf(text, size, "%03ld%c", a / 3600, kDegreeSign);
  else if (n)
    std::snprintf(text, size, "%03ld%c %02ld'", a / 3600, kDegreeSign, a / 60 % 60);
  else
    std::snprintf(text, size, "%03ld%c %02ld' %02ld\"", a / 3600, kDegreeSign, a / 60 % 60,
                  a % 60);
}

void CSkyChart::gridColor(int system, float rgb[3]) {
  static const float kColors[5][3] = {{1, 1, 1}, {1, 1, 1}, {0, 1, 0}, {1, 1, 0}, {0, 1, 1}};
  int s = system >= 1 && system <= 4 ? system : 0;
  std::copy(kColors[s], kColors[s] + 3, rgb);
}

void CSkyChart::setGridPen() {
  setLineWidth(contentScale == 2.0f ? 1.0f : 1.5f);
  setSmoothLines(true);
}

void CSkyChart::translateGridTexts() {
  static const char* const kTexts[17] = {
      "Celestial Equator", "Galactic Equator", "Ecliptic Line",   "Horizon Line",
      "Meridian",          "NCP",              "SCP",             "NEP",
      "SEP",               "NGP",              "SGP",             "Zenith",
      "Nadir",             "Vernal Equinox",   "Autumnal Equinox", "Summer Solstice",
      "Winter Solstice"};
  for (int i = 0; i < 17; ++i) translateStringCopy(gridTexts[i], kTexts[i], sizeof gridTexts[i]);
}

EdgeLabelledLine::EdgeLabelledLine(CSkyChart& chart, const char* label, bool firstCrossingOnly)
    : chart_(chart), label_(label), firstOnly_(firstCrossingOnly) {}

void EdgeLabelledLine::addPoint(const double v[3]) {
  double x, y;
  bool projected = started_ ? chart_.lineToVector(v, &x, &y) : chart_.moveToVector(v, &x, &y);
  bool wanted = label_ != nullptr && !(firstOnly_ && labelled_);
  if (started_ && wanted && projected && previousProjected_) {
    bool previousInside = chart_.isPointInViewport(previousX_, previousY_);
    bool inside = chart_.isPointInViewport(x, y);
    if (chart_.labelAtViewportEdge(label_, previousInside, inside, previousX_, previousY_, x, y))
      labelled_ = true;
  }
  started_ = true;
  previousProjected_ = projected;
  previousX_ = x;
  previousY_ = y;
}

void EdgeLabelledLine::finish() { chart_.strokePath(); }

bool CSkyChart::labelAtViewportEdge(const char* text, bool prevVisible, bool curVisible,
                                    double prevX, double prevY, double curX, double curY) {
  if (prevVisible && curVisible) return false;
  double x1 = prevX, y1 = prevY, x2 = curX, y2 = curY;
  if (!clipSegmentToViewport(&x1, &y1, &x2, &y2)) return false;
  double x = x2, y = y2;
  if (!prevVisible && curVisible) {
    x = x1;
    y = y1;
  }
  int position;
  if (x < viewportCenterX)
    position = y > viewportCenterY ? 1 : 4;
  else
    position = y < viewportCenterY ? 7 : 10;
  return drawLabelNear(text, position, 0, static_cast<float>(x), static_cast<float>(y),
                       5 * contentScale) != 0;
}

void CSkyChart::drawCoordinateGrid(int system) {
  double centre[3], c[3];
  getDisplayCenterVector(centre);
  convertCoordSystem(0, system, centre, c);
  double L = std::atan2(c[1], c[0]);
  double B = std::asin(std::clamp(c[2], -1.0, 1.0));
  double h = getDiagonalFOV() / 2;
  long top = std::min(static_cast<long>(std::ceil((B + h) * kArcsecondsPerRadian)), kQuarter);
  long bottom = std::max(static_cast<long>(std::floor((B - h) * kArcsecondsPerRadian)), -kQuarter);
  double cAngle = 1.5707963267945 - std::fabs(B);
  long start = 0, end = kTurn;
  double w = 3.141592653589;
  if (h < cAngle) {
    double p = std::tan((cAngle + h) / 2), q = std::tan((cAngle - h) / 2);
    w = std::asin((p - q) / (p + q));
    start = static_cast<long>(std::floor((L - w) * kArcsecondsPerRadian));
    end = static_cast<long>(std::ceil((L + w) * kArcsecondsPerRadian));
    start = ((start % kTurn) + kTurn) % kTurn;
    end = ((end - 1) % kTurn + kTurn) % kTurn + 1;
  }
  double hSeconds = h * kArcsecondsPerRadian, wSeconds = w * kArcsecondsPerRadian;
  long spacing = gridMeridianSpacing(system, w < 2 * h ? hSeconds : wSeconds);
  long parallelStep = gridParallelSpacing(hSeconds);
  long meridianStep = std::min(parallelStep, 18000L);
  bool minutesLevel = hSeconds >= 180, degreesOnly = hSeconds >= 5400;

  float rgb[3], filtered[3];
  gridColor(system, rgb);
  filterColor(filtered, rgb);
  setColor(filtered[0] / 2, filtered[1] / 2, filtered[2] / 2, 1);
  setGridPen();
  setTextHeight(gridLabelSize);
  int lonFormat, latFormat;
  formatsOf(*this, system, &lonFormat, &latFormat);

  char label[64];
  // Traces one line through its points, labelling each edge crossing.
  auto trace = [&](auto point, long from, long to, long step) {
    EdgeLabelledLine line(*this, label, false);
    for (long a = from; a <= to; a += step) {
      double v[3];
      point(a, v);
      line.addPoint(v);
    }
    line.finish();
  };

  long segment = std::min(spacing, 7200L);
  long traceEnd = end < start ? end + kTurn : end;
  for (long lat = std::max(bottom / parallelStep * parallelStep, -kQuarter);
       lat <= std::min(static_cast<long>(std::ceil(static_cast<double>(top) / parallelStep)) *
                           parallelStep,
                       kQuarter);
       lat += parallelStep) {
    gridLatitudeLabel(label, sizeof label, lat, latFormat, degreesOnly, minutesLevel);
    trace([&](long lon, double v[3]) { systemPoint(*this, system, lon, lat, v); },
          start - segment, traceEnd + segment, segment);
  }
  long first = start / spacing * spacing;
  long last = static_cast<long>(std::ceil(static_cast<double>(end) / spacing)) * spacing;
  if (last < first) first -= kTurn;
  for (long lon = first; lon < last; lon += spacing) {
    gridLongitudeLabel(label, sizeof label, system, lon, lonFormat, spacing);
    trace([&](long lat, double v[3]) { systemPoint(*this, system, lon, lat, v); },
          bottom - meridianStep, top + meridianStep, meridianStep);
  }
}

double CSkyChart::referenceAltitude(double altitude) const {
  if (refraction == 0) return altitude;
  return altitude - atmosphericRefraction(0, altitude, 1010, 10);
}

void CSkyChart::drawReferenceLine(int system) {
  static const int kNames[5] = {0, 0, 3, 2, 1};
  const char* name = gridTexts[kNames[std::clamp(system, 0, 4)]];
  if (system == 2 && showHorizonCardinalPoints) name = nullptr;
  double lat = system == 2 ? referenceAltitude(horizonAltitude) : 0;
  float rgb[3], filtered[3];
  gridColor(system, rgb);
  filterColor(filtered, rgb);
  setColor(filtered[0], filtered[1], filtered[2], 1);
  setGridPen();
  setTextHeight(referenceLabelSize);
  double sign = system == 2 ? -1 : 1;
  EdgeLabelledLine line(*this, name, true);
  for (int step = 0; step <= 72; ++step) {
    double v[3];
    systemPoint(*this, system, sign * step * 5 * 3600.0, lat * kArcsecondsPerRadian, v);
    line.addPoint(v);
  }
  line.finish();
  if (system == 1 && showCelestialEquatorTicks) drawEquatorTicks();
  if (system == 3 && showEclipticTicks) drawEclipticTicks();
}

void CSkyChart::drawMarkedPoint(int system, const double point[3], const char* text) {
  double v[3], x, y;
  convertCoordSystem(system, 0, point, v);
  if (!vectorToScreen(v, &x, &y) || !isPointInViewport(x, y)) return;
  float r = 5 * contentScale;
  drawPlus(static_cast<float>(x), static_cast<float>(y), r);
  drawLabelNear(text, 1, 1, static_cast<float>(x), static_cast<float>(y), r);
}

void CSkyChart::drawPoleMarkers(int system) {
  static const int kSouth[5] = {6, 6, 12, 8, 10};
  int s = std::clamp(system, 0, 4);
  float rgb[3], filtered[3];
  gridColor(system, rgb);
  filterColor(filtered, rgb);
  setColor(filtered[0], filtered[1], filtered[2], 1);
  setTextHeight(referenceLabelSize);
  const double south[3] = {0, 0, -1}, north[3] = {0, 0, 1};
  drawMarkedPoint(system, south, gridTexts[kSouth[s]]);
  drawMarkedPoint(system, north, gridTexts[kSouth[s] - 1]);
}

void CSkyChart::drawEquinoxMarkers() {
  const float yellow[3] = {1, 1, 0};
  float filtered[3];
  filterColor(filtered, yellow);
  setColor(filtered[0], filtered[1], filtered[2], 1);
  setTextHeight(referenceLabelSize);
  const double points[4][3] = {{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}};
  const int texts[4] = {13, 15, 14, 16};
  for (int i = 0; i < 4; ++i) {
    bool solstice = i % 2 == 1;
    if (solstice ? showSolsticeMarkers : showEquinoxMarkers)
      drawMarkedPoint(3, points[i], gridTexts[texts[i]]);
  }
}

void CSkyChart::drawGridAndReferenceLines() {
  if (gridTexts[0][0] == '\0') translateGridTexts();
  if (showGrid)
    for (int s = 1; s <= 4; ++s)
      if (showCoordGrid[s]) drawCoordinateGrid(s);
  if (showCelestialEquator) drawReferenceLine(1);
  if (showEcliptic) drawReferenceLine(3);
  if (showGalacticEquator) drawReferenceLine(4);
  if (showCelestialPoles) drawPoleMarkers(1);
  if (showEclipticPoles) drawPoleMarkers(3);
  if (showEquinoxMarkers || showSolsticeMarkers) drawEquinoxMarkers();
  if (showGalacticPoles) drawPoleMarkers(4);
  if (showMeridian) drawMeridian();
  if (showZenith) drawPoleMarkers(2);
}
