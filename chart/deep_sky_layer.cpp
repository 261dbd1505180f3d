// The deep-sky layer: the limit that follows the field, which objects
// show, where and how large they stand on the screen, their symbols by
// type (or their own outlines when large) and their labels.
#include <algorithm>
#include <cmath>

#include "chart/deep_sky_shapes.h"
#include "chart/object_chart_name.h"
#include "chart/sky_chart.h"
#include "engine/angles.h"
#include "engine/body_geometry.h"
#include "skydata/deep_sky_object.h"
#include "skydata/object_factory.h"
#include "skydata/object_types.h"
#include "skydata/sky_data_file.h"
#include "skydata/sky_database.h"

namespace {

constexpr double kRadiansPerArcsecond = 4.848136811094136e-6;
constexpr double kRadiansPerTenthDegree = 0.001745329251993889;
constexpr float kBrightSky = 0.5f;
constexpr int kMessierCatalogue = 101, kCaldwellCatalogue = 104;
constexpr std::uint16_t kNoOrientation = 65535;

}  // namespace

double galaxyMinorRadius(const CSkyChart& chart, const CDeepSkyObject& object) {
  return std::max(chart.radiusForAngle(object.getMinorSize() / 2.0 * kRadiansPerArcsecond),
                  2.5 * chart.contentScale);
}

double galaxyEllipseAngle(const CSkyChart& chart, const CDeepSkyObject& object) {
  const std::uint16_t orientation = object.getOrientation();
  const double pa = orientation == kNoOrientation ? 0 : orientation * kRadiansPerTenthDegree;
  double v[3];
  object.getPosition(v);
  return chart.screenNorthAngle(v) - pa;
}

bool CSkyChart::isDeepSkyObjectShown(const CDeepSkyObject* object) const {
  if (object == nullptr) return false;
  const int type = object->getType();
  if (type == kDarkNebula) {
    if (!showDarkNebulae) return false;
  } else {
    if (!(object->getMagnitude() <= deepSkyMagLimit)) return false;
    switch (type) {
      case kOpenCluster: if (!showOpenClusters) return false; break;
      case kGlobularCluster: if (!showGlobularClusters) return false; break;
      case kBrightNebula: if (!showBrightNebulae) return false; break;
      case kPlanetaryNebula: if (!showPlanetaryNebulae) return false; break;
      case kGalaxy: case kIrregularGalaxy: if (!showGalaxyGroups[0]) return false; break;
      case kSpiralGalaxy: if (!showGalaxyGroups[1]) return false; break;
      case kEllipticalGalaxy: if (!showGalaxyGroups[2]) return false; break;
      default: break;
    }
  }
  if (showMessierOnly || (displayFOV >= kDeepSkyWideField && !showDeepSkyAtWideFOV)) {
    const char* name = nullptr;
    return object->findCatalogNumber(kMessierCatalogue) != 0 ||
           object->findCatalogNumber(kCaldwellCatalogue) != 0 || object->getNames(&name, 1) > 0;
  }
  return true;
}

bool CSkyChart::getDeepSkyScreenGeometry(CDeepSkyObject* object, float* x, float* y,
                                         float* radius) {
  const bool far = isObserverFarFromSun();
  const double least = 5.0 * contentScale;
  const int type = object->getType();
  double sx, sy, r;
  if (object->getContourCount() < 1 || far) {
    double v[3];
    object->getPosition(v);
    if (!vectorToScreen(v, &sx, &sy)) return false;
    double angle = object->getMajorSize() / 2.0 * kRadiansPerArcsecond;
    if (far) angle = angularRadius(object->getPhysicalSize() / 2, object->getDistance());
    if (!std::isfinite(angle)) return false;
    r = radiusForAngle(angle);
    if (type >= kOpenCluster && type <= kIrregularGalaxy) r = std::max(r, least);
  } else {
    const CDeepSkyContour* largest = nullptr;
    for (int i = 0; i < object->getContourCount(); ++i) {
      const CDeepSkyContour* contour = object->getContour(i);
      if (contour != nullptr && (largest == nullptr || contour->getRadius() > largest->getRadius()))
        largest = contour;
    }
    if (largest == nullptr) return false;
    double centre[3];
    largest->getCenter(centre);
    if (!vectorToScreen(centre, &sx, &sy)) return false;
    r = std::max(radiusForAngle(largest->getRadius()), least);
  }
  if (!std::isfinite(sx) || !std::isfinite(sy) || !isPointNearViewport(sx, sy, r)) return false;
  *x = static_cast<float>(sx);
  *y = static_cast<float>(sy);
  *radius = static_cast<float>(r);
  return true;
}

void CSkyChart::drawDeepSkySymbol(CDeepSkyObject* object, float x, float y, float r) {
  if (object == nullptr || std::isinf(r)) return;
  const float scale = contentScale;
  if (r > 5 * scale && object->getContourCount() > 0 && !isObserverFarFromSun()) {
    for (int i = 0; i < object->getContourCount(); ++i)
      if (const CDeepSkyContour* contour = object->getContour(i)) drawDeepSkyContour(contour, false);
    return;
  }
  switch (object->getType()) {
    case kOpenCluster: {
      // Left out when it encloses the whole viewport.
      const double dx = std::max(std::fabs(x - viewportLeft), std::fabs(x - viewportRight));
      const double dy = std::max(std::fabs(y - viewportTop), std::fabs(y - viewportBottom));
      if (dx * dx + dy * dy <= static_cast<double>(r) * r) return;
      drawCircle(false, x, y, r, std::max(2 * scale, static_cast<float>(kTwoPi * r / 360)));
      return;
    }
    case kGlobularCluster:
      drawCircle(false, x, y, r, 0);
      drawPlus(x, y, r);
      return;
    case kBrightNebula:
      drawSquare(x, y, r);
      return;
    case kDarkNebula:
      drawDiamond(x, y, r);
      return;
    case kPlanetaryNebula:
      drawCircle(false, x, y, r, 0);
      drawCrossHair(x, y, r, 2 * r);
      return;
    case kGalaxy:
    case kSpiralGalaxy:
    case kEllipticalGalaxy:
    case kIrregularGalaxy:
      drawRotatedEllipse(false, x, y, r, static_cast<float>(galaxyMinorRadius(*this, *object)),
                         static_cast<float>(galaxyEllipseAngle(*this, *object)));
      return;
    case kQuasar:
      beginStarSprites();
      addStarSpriteForColorIndex(object->getMagnitude(), x, y, object->getColorIndex());
      endStarSprites();
      return;
    default:
      return;
  }
}

void CSkyChart::drawDeepSkyContour(const CDeepSkyContour* contour, bool fill) {
  const int n = contour->getPointCount();
  if (n < 2) return;
  double point[3];
  if (fill) {
    contour->getPoint(0, point);
    beginPolygonAtVector(point);
    for (int i = 1; i < n; ++i) {
      contour->getPoint(i, point);
      addPolygonVector(point);
    }
    fillPolygon(true);
    return;
  }
  contour->getPoint(0, point);
  moveTo(point);
  for (int i = 1; i < n; ++i) {
    contour->getPoint(i, point);
    lineTo(point);
  }
  strokePath();
}

void CSkyChart::drawDeepSkyLabel(CDeepSkyObject* object, bool selected, float x, float y,
                                 float radius) {
  char text[256] = "";
  if (getObjectChartName(this, object, text, sizeof text, 1) <= 0 || text[0] == '\0') return;
  if (selected)
    drawObjectMarker(object, text, x, y, radius);
  else
    drawLabelNear(text, 1, 1, x, y, markerSize * 0.5f + radius);
}

void CSkyChart::drawDeepSkyObjects() {
  CSkyDataFile* data = database != nullptr ? database->getDataFile(kDeepSkyFile) : nullptr;
  if (data == nullptr) return;
  deepSkyLabelMagLimit = magnitudeLimitForField(baseDeepSkyMagLimit, displayFOV,
                                                static_cast<float>(deepSkyNameDensity));
  auto setLayerColor = [this] {
    float rgb[3];
    scaleColor(rgb, deepSkyNameRGB, static_cast<float>(deepSkyIntensity));
    filterColor(rgb, rgb);
    setColor(rgb[0], rgb[1], rgb[2], 1);
  };
  setLayerColor();
  setLineWidth(contentScale == 2.0f ? 1.0f : 1.5f);
  smoothLines = true;
  setTextHeight(deepSkyLabelTextHeight);
  if (selectedObjectID.file == kDeepSkyFile) {
    if (CDeepSkyObject* selected = asDeepSkyObject(selectedObject)) {
      updateStarPosition(selected);
      float x, y, r;
      if (getDeepSkyScreenGeometry(selected, &x, &y, &r)) {
        drawDeepSkySymbol(selected, x, y, r);
        drawDeepSkyLabel(selected, true, x, y, r);
      }
    }
  }
  if (!showDeepSkyAtWideFOV && displayFOV >= kDeepSkyVeryWideField) return;
  if (showDeepSkyObjects && !(skyBrightness > kBrightSky)) {
    setLayerColor();
    drawDeepSkyRegion(kDeepSkyFile, nullptr);
  }
}

void CSkyChart::drawDeepSkyRegion(int file, CSkyDataRegion* region) {
  CSkyDataFile* data = database != nullptr ? database->getDataFile(file) : nullptr;
  if (data == nullptr) return;
  if (region == nullptr) region = data->getRoot();
  if (region == nullptr || isRegionHidden(file, region)) return;
  if (!region->isLoaded() && data->loadRegionObjects(region) < 0) return;
  const bool far = isObserverFarFromSun();
  for (std::size_t i = 0, n = region->getObjectCount(); i < n; ++i) {
    CDeepSkyObject* object = asDeepSkyObject(region->getObject(i));
    if (object == nullptr) continue;
    if (far && !std::isfinite(object->getDistance())) continue;
    double v[3];
    object->getPosition(v);
    if (updateNeeded || !std::isfinite(v[0] + v[1] + v[2])) updateStarPosition(object);
    float x, y, r;
    if (!isDeepSkyObjectShown(object) || !getDeepSkyScreenGeometry(object, &x, &y, &r)) continue;
    const auto index = static_cast<std::uint16_t>(i);
    if (selectedObjectID.file == file && selectedObjectID.region == region->getID() &&
        selectedObjectID.index == index)
      continue;
    drawDeepSkySymbol(object, x, y, r);
    // Named or not, a drawn figure keeps other labels from settling
    // nearer it than their own objects.
    addLabelAnchor(x, y, r);
    if (!showDeepSkyNames || !(object->getMagnitude() <= deepSkyLabelMagLimit)) continue;
    if (showHighlightedObjectLabels && isHighlighted(static_cast<std::uint16_t>(file), region->getID(), index))
      continue;
    drawDeepSkyLabel(object, false, x, y, r);
  }
  for (int k = 0; k < 8; ++k)
    if (CSkyDataRegion* child = region->getChild(k)) drawDeepSkyRegion(file, child);
}
