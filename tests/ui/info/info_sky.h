// A sky for the information tests, written with the project's own writer:
// the mechanics tests' solar system with the ISS and twenty satellites of
// known categories (2018 January element sets), a crater and a populated
// place on the Moon; a star of every class; deep-sky objects; the 88
// constellations, an asterism and meteor showers; and a double-star
// component file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "chart/sky_chart.h"
#include "skydata/sky_object_id.h"
#include "tests/mechanics/mechanics_fixture.h"

class CSkyObject;
class CSatellite;

namespace info_test {

// The stars file's objects (region 0), in this order.
enum Star {
  kVega,            // A0V, HR 7001 and alpha Lyr, proper motion
  kAlbireo,         // double, K3II+B9.5V, two component records
  kSirius,          // binary with its orbit
  kHalfYearBinary,  // binary of period 0.5 years, no distance
  kOneYearBinary,   // binary of period 1.0 year
  kMira,            // variable "M"
  kRRC,             // variable "RRC"
  kRVTauri,         // variable "RV"
  kSupernova,       // supernova "SN II"
  kPollux,          // K0III+F
  kNoSpectrum,      // no spectral type
  kPolaris,         // circumpolar in the north
  kSouthPole,       // never rises in the north
  kOrionStar,       // magnitude 0.5 in Orion
  kStarCount
};
// The deep-sky file's objects (region 0).
enum DeepSky {
  kBarredSpiral,    // galaxy SBb with sizes and distance
  kOpenCluster,     // open cluster, no morphology
  kDeepSkyCount
};
// The constellations file: constellations 1-88 at indexes 0-87, then:
int constellationIndex(const char* abbreviation);
inline constexpr int kAsterismIndex = 88;
inline constexpr int kPerseidsIndex = 89;   // the Perseids
inline constexpr int kBareShowerIndex = 90;  // no number, class, peak hour; e >= 1

// The satellites, by NORAD number.
inline constexpr int kISS = 25544;
inline constexpr int kSatelliteCount = 21;
// 2018 January 21, 12:00 UT: the satellites' element sets are of the day
// before.
inline constexpr double kSatelliteDate = 2458140.0;

// The chart's home the Earth seen from space (the orbit view).
void enterSpaceView(CSkyChart& chart);

class InfoSky {
 public:
  InfoSky();
  ~InfoSky();

  CSkyDatabase& database() { return world_.database(); }
  mechanics_test::SolarSystemWorld& world() { return world_; }
  // A chart on the ground at the place (degrees, east and north positive)
  // and date, zone 0, the horizon at 0, refraction on.
  std::unique_ptr<CSkyChart> chart(double jd, double longitude = 0, double latitude = 45);

  // Objects owned by their loaded regions.
  CSkyObject* object(std::uint16_t file, int index);
  CSkyObject* star(Star s) { return object(kStarsFile, s); }
  CSkyObject* deepSky(DeepSky d) { return object(kDeepSkyFile, d); }
  CSkyObject* constellation(int index) { return object(kConstellationsFile, index); }
  CSatellite* satellite(int norad) { return world_.satellite(static_cast<std::uint32_t>(norad)); }
  // Gives the satellite the orbit of a decayed one (41939, whose elements
  // the independent SGP4 refuses with error 1 from ten days after their
  // epoch, so all through kSatelliteDate's day), keeping its number, names
  // and categories.
  CSatellite* decayedSatellite(int norad);
  SkyObjectID reference(std::uint16_t file, int index);
  // The surface features (the first solar-system objects after the
  // satellites): a crater and a populated place.
  CSkyObject* crater();
  CSkyObject* town();

  // The satellites' element lines, in the order of info_satellites.inc,
  // and their categories and standard magnitudes as placed.
  struct PlacedSatellite {
    const char* name;
    const char* line1;
    const char* line2;
    std::vector<int> categories;
    double standardMagnitude;
  };
  static const std::vector<PlacedSatellite>& satellites();

 private:
  mechanics_test::SolarSystemWorld world_;
};

}  // namespace info_test
