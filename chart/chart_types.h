// Small shared types of the chart: screen points and rectangles in
// viewport pixels (y downwards), label rectangles and ground circles.
#pragma once

struct GPoint {
  float x = 0, y = 0;
};

struct GRect {
  float x = 0, y = 0, width = 0, height = 0;
};

// One recorded label: its centre and half sizes in pixels.
struct LabelPosition {
  float x, y, halfWidth, halfHeight;
};

// A labelled object on the screen: its centre and the radius of its
// figure (pixels; 0 for a point).
struct LabelAnchor {
  float x, y, radius;
};

// A named circle on the Earth: centre as a unit vector of the Earth-fixed
// frame and its angular radius.
struct Circle {
  char name[32];
  double centre[3];
  double radius;
};
