// The deep-sky hit test: objects whose symbol or outline covers a tapped
// point, by the same filter and geometry as their drawing.
#include <cmath>

#include "chart/deep_sky_shapes.h"
#include "chart/sky_chart.h"
#include "skydata/deep_sky_object.h"
#include "skydata/object_factory.h"
#include "skydata/sky_data_file.h"
#include "skydata/sky_database.h"

bool CSkyChart::contourContainsPoint(GPoint point, const CDeepSkyContour* contour) const {
  const int n = contour != nullptr ? contour->getPointCount() : 0;
  if (n < 3) return false;
  bool inside = false;
  double v[3], px = 0, py = 0;
  contour->getPoint(n - 1, v);
  bool previous = vectorToScreen(v, &px, &py);
  for (int i = 0; i < n; ++i) {
    double x, y;
    contour->getPoint(i, v);
    const bool current = vectorToScreen(v, &x, &y);
    // An edge with an end off the projection has no place on the screen.
    if (previous && current && (y > point.y) != (py > point.y)) {
      const double crossing = px + (point.y - py) * (x - px) / (y - py);
      if (point.x < crossing) inside = !inside;
    }
    px = x, py = y, previous = current;
  }
  return inside;
}

bool CSkyChart::deepSkyObjectContainsPoint(GPoint point, const CDeepSkyObject* object, float x,
                                           float y, float r) {
  if (object->getContourCount() > 0 && r > 5 * contentScale && !isObserverFarFromSun()) {
    for (int i = 0; i < object->getContourCount(); ++i)
      if (contourContainsPoint(point, object->getContour(i))) return true;
    return false;
  }
  const double dx = point.x - x, dy = point.y - y;
  const double reach = markerSize + r;
  const int type = object->getType();
  if (type == kBrightNebula) return std::fabs(dx) <= reach && std::fabs(dy) <= reach;
  if (type == kDarkNebula) return std::fabs(dx) + std::fabs(dy) <= reach;
  if (isGalaxyType(type)) {
    // Into the ellipse's own axes, undoing the projection's mirror as its
    // drawing applies it.
    const double mx = getProjectionScaleX() < 0 ? -dx : dx;
    const double my = getProjectionScaleY() < 0 ? -dy : dy;
    const double turn = -galaxyEllipseAngle(*this, *object);
    const double u = mx * std::cos(turn) - my * std::sin(turn);
    const double w = mx * std::sin(turn) + my * std::cos(turn);
    const double k = reach / (galaxyMinorRadius(*this, *object) + markerSize);
    return u * u + k * k * w * w <= reach * reach;
  }
  const bool round = type == kOpenCluster || type == kGlobularCluster ||
                     type == kPlanetaryNebula || type >= kQuasar;
  return round && dx * dx + dy * dy <= reach * reach;
}

int CSkyChart::findDeepSkyObjectsAt(GPoint point, int file, CSkyDataRegion* region,
                                    SkyObjectID* hits, int maximum) {
  if (hits == nullptr || maximum < 1 || database == nullptr) return 0;
  if (!showDeepSkyAtWideFOV && displayFOV >= kDeepSkyVeryWideField) return 0;
  if (!showDeepSkyObjects && !showDeepSkyImages) return 0;
  CSkyDataFile* data = database->getDataFile(file);
  if (data == nullptr) return 0;
  if (region == nullptr) region = data->getRoot();
  if (region == nullptr || isRegionHidden(file, region)) return 0;
  if (!region->isLoaded() && data->loadRegionObjects(region) < 0) return 0;
  int n = 0;
  for (std::size_t i = 0, count = region->getObjectCount(); i < count && n < maximum; ++i) {
    CDeepSkyObject* object = asDeepSkyObject(region->getObject(i));
    if (object == nullptr) continue;
    double v[3];
    object->getPosition(v);
    if (updateNeeded || !std::isfinite(v[0] + v[1] + v[2])) updateStarPosition(object);
    float x, y, r;
    if (!isDeepSkyObjectShown(object) || !getDeepSkyScreenGeometry(object, &x, &y, &r) ||
        !deepSkyObjectContainsPoint(point, object, x, y, r) || !database->objectPassesFilter(object))
      continue;
    CSkyDatabase::setSkyObjectIDFromObject(&hits[n++], static_cast<std::uint16_t>(file),
                                           region->getID(), static_cast<std::uint16_t>(i), object);
  }
  for (int k = 0; k < 8 && n < maximum; ++k)
    if (CSkyDataRegion* child = region->getChild(k))
      n += findDeepSkyObjectsAt(point, file, child, hits + n, maximum - n);
  return n;
}
