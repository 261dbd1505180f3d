#include "ui/info/surface_feature_info.h"

#include <climits>
#include <cmath>
#include <cstdio>

#include "engine/angles.h"
#include "engine/body_table.h"
#include "engine/language.h"
#include "skydata/planet_feature.h"
#include "ui/info/info_list.h"
#include "ui/info/object_status_line.h"

namespace {
// The surface-feature type of populated places.
constexpr int kPopulatedPlace = 100;
}  // namespace

int getSurfaceFeatureInfo(CSkyChart* chart, CPlanetFeature* feature, SkyObjectInfoString* items,
                          int maxItems) {
  InfoList list(items, maxItems);
  if (feature == nullptr) return 0;
  char value[kInfoValueSize];
  list.header(translateString("Basic Information"));
  list.add(translateString("Name"), feature->getName(value, sizeof value));
  objectStatusLine(chart, feature, value, sizeof value, 0, 0, 0, 0);
  list.add(translateString("Description"), value);
  list.add(translateString("Type"), surfaceFeatureTypeName(feature->getFeatureType()));
  double longitude, latitude;
  feature->getLonLat(&longitude, &latitude);
  std::snprintf(value, sizeof value, "%.2f°", longitude * kDegreesPerRadianPrecise);
  list.add(translateString("Longitude"), value);
  std::snprintf(value, sizeof value, "%.2f°", latitude * kDegreesPerRadianPrecise);
  list.add(translateString("Latitude"), value);
  // The size value: a population for places, a diameter in km otherwise.
  const double size = feature->getDiameter();
  const char* text = translateString("unknown");
  if (feature->getFeatureType() == kPopulatedPlace) {
    // Only a whole number an int holds has a "%d" text.
    if (std::isfinite(size) && size > INT_MIN - 1.0 && size < INT_MAX + 1.0) {
      std::snprintf(value, sizeof value, "%d", static_cast<int>(size));
      text = value;
    }
    list.add(translateString("Population"), text);
  } else {
    if (std::isfinite(size)) {
      std::snprintf(value, sizeof value, "%.0f km", size);
      text = value;
    }
    list.add(translateString("Diameter"), text);
  }
  return list.count();
}
