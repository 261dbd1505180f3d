// The built bundle behind a chart, set up as the chart screen sets up its
// chart: every catalogue, the pictures' indexes and the world borders
// read, the settings' defaults applied and the sky perspective's field,
// star limit and sprite scale. For the whole-frame tests and benchmarks;
// they run only where the bundle has been built (`available`).
#pragma once

#include <memory>
#include <string>

#include "chart/sky_chart.h"
#include "skydata/sky_database.h"

namespace chart_test {

class BundleSky {
 public:
  explicit BundleSky(std::string bundle);
  ~BundleSky();
  // Whether the bundle holds every catalogue and picture index the chart
  // reads.
  static bool available(const std::string& bundle);
  // Whether everything was read.
  bool loaded() const { return loaded_; }
  CSkyDatabase& database() { return *database_; }
  // A chart of the given size in pixels, content scale 1, as the chart
  // screen makes it for the sky perspective (horizon system,
  // stereographic, 90 degrees), with the Moon selected.
  std::unique_ptr<CSkyChart> makeChart(int width, int height);
  // The first object of the file by that name; false when there is none.
  bool find(const char* name, int file, SkyObjectID* id);

 private:
  std::string bundle_;
  std::unique_ptr<CSkyDatabase> database_;
  bool loaded_ = false;
};

}  // namespace chart_test
