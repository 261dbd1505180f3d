// An independent pass finder for the pass-search tests and benchmark:
// python3-sgp4's TEME states on a fixed grid (tests/engine/sgp4_oracle.py),
// interpolated, turned into the site's horizon with ERFA (IAU 1982
// sidereal time, eraGd2gce on the chart's ellipsoid), the Sun from
// eraEpv00 with the IAU 1976/1980 precession-nutation, and the umbra by the
// search's rule on the same radii. Shares no code with the engine.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace pass_finder {

constexpr double kSampleStep = 30.0 / 86400;  // days between states

struct Site {
  const char* name;
  double lon, lat, heightKm;  // radians, radians, km
};

// Element lines and the first date (UT) of the states wanted.
struct Query {
  std::string line1, line2;
  double from;
};

// TEME positions (km) every kSampleStep from `from`.
struct Track {
  double from;
  std::vector<std::array<double, 3>> r;
};

// The states of every query, `days` long, in one run of the script (empty
// when it did not run); the seconds the script took in *seconds.
std::vector<Track> propagate(const std::vector<Query>& queries, double days,
                             double* seconds = nullptr);

class Finder {
 public:
  // Radii in km: the Earth's and the Sun's as the chart uses them.
  Finder(const Track& track, const Site& site, double earthRadius, double sunRadius);

  struct Pass {
    double rise, set, culmination, culminationAltitude, riseAzimuth, setAzimuth, entry, exit,
        sunAltitude;
  };
  // Every pass above minAltitude (radians) whose rise lies in [from, to]:
  // crossings by 20-second steps bisected to a millisecond; the highest
  // point between rise and set; shadow entry and exit (-infinity when never wholly in
  // shadow); the Sun's altitude at the middle of the pass.
  std::vector<Pass> passes(double from, double to, double minAltitude) const;
  // Whether the pass is visible by the search's rule, read independently.
  static bool visible(const Pass& pass);

  // TEME position (km) at UT t, by four-point interpolation.
  void teme(double t, double r[3]) const;
  // Horizon altitude and azimuth (radians) of a TEME vector (km) at UT t.
  void horizon(double t, const double teme[3], double* altitude, double* azimuth) const;
  double altitude(double t) const;

 private:
  void sun(double t, double out[3]) const;
  double sunAltitude(double t) const;
  double depth(double t) const;

  const Track& track_;
  Site site_;
  double siteFixed_[3];
  double earthRadius_, sunRadius_;
  mutable std::vector<std::array<double, 3>> sunTable_;
};

}  // namespace pass_finder
