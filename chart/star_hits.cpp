// The star hit test: the stars the layer draws within the marker size of a
// tapped point, walking the same visible regions as the drawing.
#include <cmath>

#include "chart/sky_chart.h"
#include "skydata/object_factory.h"
#include "skydata/sky_data_file.h"
#include "skydata/sky_database.h"
#include "skydata/star.h"

int CSkyChart::findStarsAt(GPoint point, int file, CSkyDataRegion* region, SkyObjectID* hits,
                           int maximum) {
  if (hits == nullptr || maximum < 1 || database == nullptr) return 0;
  CSkyDataFile* data = database->getDataFile(file);
  if (data == nullptr) return 0;
  const bool root = region == nullptr;
  if (root) region = data->getRoot();
  if (region == nullptr || isRegionHidden(file, region)) return 0;
  if (root) starBrightnessLimit = std::pow(10.0, -starMagLimit / 2.5);
  int n = 0;
  if (region->isLoaded() || data->loadRegionObjects(region) > 0) {
    const double reach = markerSize;
    for (std::size_t i = 0, count = region->getObjectCount(); i < count && n < maximum; ++i) {
      CStar* star = asStar(region->getObject(i));
      if (star == nullptr) continue;
      double v[3];
      star->getPosition(v);
      if (updateNeeded || !std::isfinite(v[0] + v[1] + v[2])) {
        if (!updateStarPosition(star)) continue;
        star->getPosition(v);
      }
      const float m = star->getMagnitude();
      if (!(m <= starMagLimit) || (showNakedEyeOnly && !(m < kNakedEyeLimit))) continue;
      double x, y;
      if (!vectorToScreen(v, &x, &y) || !isPointInViewport(x, y)) continue;
      const double dx = x - point.x, dy = y - point.y;
      if (!(dx * dx + dy * dy < reach * reach)) continue;
      if (!database->objectPassesFilter(star)) continue;
      CSkyDatabase::setSkyObjectIDFromObject(&hits[n++], static_cast<std::uint16_t>(file),
                                             region->getID(), static_cast<std::uint16_t>(i), star);
    }
  }
  for (int k = 0; k < 8 && n < maximum; ++k)
    if (CSkyDataRegion* child = region->getChild(k))
      n += findStarsAt(point, file, child, hits + n, maximum - n);
  if (root) starBrightnessLimit = 0;
  return n;
}
