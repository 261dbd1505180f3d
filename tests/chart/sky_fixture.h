// A small sky for the chart's tests: the mechanics tests' solar system,
// with a star catalogue written beside it by the project's own writer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "chart/sky_chart.h"
#include "tests/mechanics/mechanics_fixture.h"

class SkyDataWriter;

namespace chart_test {

struct StarDefinition {
  std::uint32_t region = 0;
  double ra = 0, dec = 0;  // degrees
  float magnitude = 5;
  std::string name;        // proper name, may be empty
  std::vector<std::int64_t> numbers;
  float distance = 100;    // parsecs
};

// The star's record as the catalogues store it.
std::string starRecord(const StarDefinition& star);

// Writes a stars file of these stars, each in its region with its name
// and numbers indexed; returns whether it was written.
bool writeStarsFile(const std::vector<StarDefinition>& stars, const std::string& path);

// A visual binary's orbital elements as a stars file holds them: epoch and
// period in years, semi-major axis in radians, angles in radians.
struct BinaryOrbit {
  double t0 = 2000, period = 50, a = 0, e = 0;
  double inclination = 0, omega = 0, node = 0;
};

// Sky trees as the catalogue tool lays them out: an empty root whose
// children 1-6 are the faces of the cube round the sky (2a + 1 for the
// face at +1 on axis a, 2a + 2 for -1), each halved along its two free
// axes at every level below (the writer's own halving). The faces' boxes
// on a writer, and the region `depth` levels below a face that the unit
// direction v falls in.
void setSkyTreeFaces(SkyDataWriter& writer);
std::uint32_t skyTreeRegion(const double v[3], int depth);

class ChartSky {
 public:
  // The solar system with the given satellites, plus a Stars.skydata of
  // the given stars (loaded when not empty).
  explicit ChartSky(const std::vector<StarDefinition>& stars = {},
                    const std::vector<mechanics_test::SatelliteRecord>& satellites = {});
  mechanics_test::SolarSystemWorld& world() { return world_; }
  CSkyDatabase& database() { return world_.database(); }
  // A chart on this sky: viewport w x h, display system 0 centred on
  // (ra, dec) degrees, gnomonic with the given field (degrees).
  std::unique_ptr<CSkyChart> chart(int width, int height, double ra, double dec, double fov);
  // The reference of star `index` of region `region` of the stars file.
  SkyObjectID star(std::uint32_t region, std::uint16_t index);
  // Writes and loads a stars file of `primary` (star 0) and `secondary`
  // (star 1), a visual binary on `orbit` round the primary. Returns
  // whether the file was written and loaded.
  bool loadBinaryStar(const StarDefinition& primary, const StarDefinition& secondary,
                      const BinaryOrbit& orbit);
  // A chart as chart(), drawing its double stars and their orbits only:
  // no aberration, proper motion or star names, stars to magnitude 6, at
  // JD 2460000.5.
  std::unique_ptr<CSkyChart> doubleStarChart(int width, int height, double ra, double dec,
                                             double fov);

 private:
  mechanics_test::SolarSystemWorld world_;
};

}  // namespace chart_test
