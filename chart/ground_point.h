// Points of the Earth's surface for the ground view's lines: an
// Earth-fixed unit vector becomes, in the ground view (a map seen from the
// Earth's centre), its direction turned into the working frame; elsewhere
// the surface point as the observer sees it, visible when it faces them.
#pragma once

class CSkyChart;
class CPlanet;

// The Earth's equatorial radius in AU, as the ground view places points.
inline constexpr double kEarthRadiusAU = 4.2635232707524516e-5;

class GroundPen {
 public:
  GroundPen(CSkyChart& chart, CPlanet* planet);
  // The screen direction of a body-fixed unit vector; false when it is on
  // the far side (never in the ground view).
  bool place(const double point[3], double direction[3]);
  // Draws a line to the point from the previous one when both can be
  // joined; the first point of a run and hidden points move the pen.
  void to(const double point[3]);
  // Starts a new run (the next point moves the pen).
  void lift() { first_ = true; }

 private:
  CSkyChart& chart_;
  CPlanet* planet_;
  double orientation_[9];
  bool first_ = true;
};
