// A small sky for the chart's tests: the mechanics tests' solar system,
// with a star catalogue written beside it by the project's own writer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "chart/sky_chart.h"
#include "tests/engine/mechanics_fixture.h"

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

 private:
  mechanics_test::SolarSystemWorld world_;
};

}  // namespace chart_test
