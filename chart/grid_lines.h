// Spacing of the coordinate grid's lines and the texts of its labels.
#pragma once

#include <cstddef>

class CSkyChart;
class CSkyCoordinates;

// Draws a line through sky points in order and labels it where it crosses
// the viewport's edge: at every crossing, or at the first only. Only
// points inside the viewport count as visible; a piece with an end off the
// projection has no crossing.
class EdgeLabelledLine {
 public:
  EdgeLabelledLine(CSkyChart& chart, const char* label, bool firstCrossingOnly);
  // Pen moves to the first point, lines to the others.
  void addPoint(const double v[3]);
  // Strokes the line.
  void finish();

 private:
  CSkyChart& chart_;
  const char* label_;
  bool firstOnly_;
  bool labelled_ = false;
  bool started_ = false;
  bool previousProjected_ = false;
  double previousX_ = 0, previousY_ = 0;
};

// The point at longitude `lon` and latitude `lat` (radians) of coordinate
// system `system` as a fundamental-frame unit vector.
void systemPointVector(const CSkyCoordinates& chart, int system, double lon, double lat,
                       double out[3]);

// Arcseconds between meridians for a spread of `spread` arcseconds of
// angle (right ascension, system 1, in steps that are whole seconds,
// minutes or hours of time).
long gridMeridianSpacing(int system, double spread);
// Arcseconds between parallels for a half field of `half` arcseconds.
long gridParallelSpacing(double half);
// Label of a parallel at `latitude` arcseconds in the latitude format.
void gridLatitudeLabel(char* text, std::size_t size, long latitude, int format, bool degreesOnly,
                       bool minutesLevel);
// Label of a meridian at `longitude` arcseconds in the longitude format.
void gridLongitudeLabel(char* text, std::size_t size, int system, long longitude, int format,
                        long spacing);
