// Where an artificial satellite is at a time: the one rule that the chart,
// the pass search, the information screens and the satellite lists all
// place a satellite by, so that none of them can disagree with another.
// Within 30 days of its elements' epoch the full model (SGP4, or SDP4 for
// deep-space orbits) gives the place; farther away, or where the full
// model diverges, the model's mean elements at the edge of those 30 days
// are carried on by their secular rates as a conic, since the models' drag
// polynomials and resonance terms run away from old elements. Where the
// model refuses the elements (the orbit has decayed by then, or never was
// one) there is no place at all.
//
// Places are geocentric, in Earth radii of the theory (6378.135 km), in the
// element sets' own frame: the true equator and mean equinox of the date
// (TEME). Velocities are in Earth radii per minute; times are minutes from
// the element epoch (UT).
//
// Thread rules: the satellite's model state is written on use, so one
// thread at a time per satellite object.
#pragma once

#include "engine/sgp4.h"

class CSatellite;

class SatellitePlace {
 public:
  // Reads the satellite's element set once; the satellite must outlive
  // this object and keep its elements while it is used.
  explicit SatellitePlace(CSatellite& satellite);

  // The place (and the velocity, when not null) at `tsince` minutes from
  // the epoch. Returns the model's SatelliteModelError there, 0 when a
  // place is given; on an error both outputs are +infinity.
  int at(double tsince, double position[3], double velocity[3]);

  double epoch() const { return elements_.epoch; }

 private:
  // The model's verdict and mean elements at a window edge, kept because
  // beyond the window every time asks for the same edge.
  struct Edge {
    double tsince;
    int error;      // of the full model at the edge (deep-space orbits)
    bool usable;    // the mean elements make a conic
    SatelliteMeanElements mean;
  };
  const Edge& edgeAt(double edge);
  // The full model at tsince; its error, and the place when it is finite.
  int fullModel(double tsince, double position[3], double velocity[3]);

  CSatellite& satellite_;
  SatelliteElementSet elements_;
  Edge edge_;
  bool edgeKnown_ = false;
};
