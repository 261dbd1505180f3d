#include "ui/foundation/country_borders.h"

#include "chart/sky_chart.h"
#include "chart/world_borders.h"
#include "ui/foundation/settings_model.h"

int loadCountryBorders(const char* path) {
  const int loaded = loadWorldBorders(path);
  if (loaded == 1 && getCountryCount() > 0) {
    setCountryBorderSettings({[](CSkyChart& chart, const CSettings* tree) { chart.readCountryBorderSettings(tree); },
                              [](CSkyChart& chart, CSettings* tree) { chart.writeCountryBorderSettings(tree); }});
  }
  return loaded;
}
