// Named features on a large globe: which of the body's features are large
// enough on the screen to be named, their marks and labels, the outline of
// the selected one on the body's surface, and the features under a tap.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "chart/object_chart_name.h"
#include "chart/sky_chart.h"
#include "chart/solar_internal.h"
#include "engine/body_geometry.h"
#include "engine/matrices.h"
#include "engine/vectors.h"
#include "skydata/object_factory.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/planet_feature.h"
#include "skydata/sky_database.h"

namespace {

// Feature types named by a star-like mark: landing sites and the like
// (100, whose size is stored in metres), and three types of fixed size.
constexpr int kLandingSite = 100;
constexpr int kLastMarkedType = 103;
// Features are named once they are this many pixels across.
constexpr double kNamedFeaturePixels = 32;
constexpr double kOutlineStep = 0.08726646259969445;  // 5 degrees
constexpr int kOutlinePoints = 73;
// The marks' brightness against the star limit in force.
constexpr double kMarkMagnitudeFactor = 0.67;

// The size (km) a feature counts with against the naming threshold.
double namingSize(const CPlanetFeature& feature) {
  switch (feature.getFeatureType()) {
    case kLandingSite: return feature.getDiameter() / 1000;
    case 101: return 500;
    case 102: return 200;
    case 103: return 500;
    default: return feature.getDiameter();
  }
}

bool isMarkedType(int type) { return type >= kLandingSite && type <= kLastMarkedType; }

// The feature's angular radius on its body (radians); landing sites have
// none and are reached by their mark alone.
double angularSizeOnBody(const CPlanetFeature& feature, const CPlanet& body) {
  if (feature.getFeatureType() == kLandingSite) return 0;
  double size = feature.getDiameter() / body.getDiameter();
  return std::isfinite(size) ? size : 0;
}

// The feature's direction from the observer; false when it faces away.
bool featureDirection(CSkyChart& chart, CPlanet* body, CPlanetFeature* feature,
                      double direction[3], double* distance) {
  double point[3];
  feature->getSurfacePosition(point);
  if (chart.earthView) {
    double m[9];
    body->getOrientationMatrix(m);
    transposeTimesVector(m, point);
    vectorCopy(direction, point);
    vectorNormalize(direction);
    *distance = 1;
    return true;
  }
  return chart.surfacePointPosition(body, point, true, direction, distance,
                                    chart.getObjectRadius(body));
}

}  // namespace

int CSkyChart::getFeatureIndices(CPlanet* body) {
  ObjectRenderData* data = getRenderData(body);
  if (data == nullptr || database == nullptr) return 0;
  if (data->featureCount == 0) {
    int count = database->getPlanetFeatureIndices(body, nullptr, 0);
    auto* indices = count > 0 ? static_cast<int*>(std::calloc(count, sizeof(int))) : nullptr;
    auto* kept = count > 0 ? static_cast<std::uint16_t*>(std::calloc(count, sizeof(std::uint16_t)))
                           : nullptr;
    if (indices != nullptr && kept != nullptr) {
      count = database->getPlanetFeatureIndices(body, indices, count);
      for (int i = 0; i < count; ++i) kept[i] = static_cast<std::uint16_t>(indices[i]);
      data->features = kept;
      data->featureCount = count;
    } else {
      std::free(kept);
      data->featureCount = -1;
    }
    std::free(indices);
  }
  return std::max(data->featureCount, 0);
}

bool CSkyChart::drawSurfaceFeatures(CPlanet* body, float r) {
  int count = getFeatureIndices(body);
  if (count == 0 || !(r > 0)) return false;
  ObjectRenderData* data = getRenderData(body);
  double threshold = body->getDiameter() / (2 * r) * kNamedFeaturePixels;
  double magnification = getMagnification(body);
  float nameColor[3];
  filterColor(nameColor, planetNameRGB);
  int lastType = -1;
  bool any = false;
  for (int i = 0; i < count; ++i) {
    std::uint16_t index = data->features[i];
    CPlanetFeature* feature = database->getPlanetFeature(index);
    if (feature == nullptr) continue;
    bool selected = selectedObjectID.file == 1 && selectedObjectID.region == 0 &&
                    selectedObjectID.index == index;
    if (!(showPlanetSurfaceFeatures || selected)) continue;
    if (!selected && !(namingSize(*feature) >= threshold)) continue;
    double direction[3], distance = 0, x = 0, y = 0;
    if (!featureDirection(*this, body, feature, direction, &distance)) continue;
    if (!vectorToScreen(direction, &x, &y) || !isPointNearViewport(x, y, 0)) continue;
    int type = feature->getFeatureType();
    double size = type == kLandingSite ? 0 : 0.5 * feature->getDiameter() * magnification;
    auto radius = static_cast<float>(radiusForAngle(angularRadius(size, distance * kKilometresPerAU)));
    if (!std::isfinite(radius)) radius = 0;
    if (type != lastType) {
      const float yellow[3] = {1, 1, 0}, white[3] = {1, 1, 1};
      float color[3];
      if (type == kLandingSite)
        filterColor(color, yellow);
      else if (isMarkedType(type))
        filterColor(color, white);
      else
        std::copy_n(nameColor, 3, color);
      setColor(color[0], color[1], color[2], 1);
      lastType = type;
    }
    auto fx = static_cast<float>(x), fy = static_cast<float>(y);
    char name[256];
    getObjectChartName(this, feature, name, sizeof name, 0);
    float textColor[4];
    std::copy_n(currentColor, 4, textColor);
    if (isMarkedType(type)) {
      const float white[3] = {1, 1, 1};
      drawPointForMagnitude(white, fx, fy, kMarkMagnitudeFactor * starMagLimit);
      endStarSprites();
      setColor(textColor[0], textColor[1], textColor[2], textColor[3]);
    }
    if (selected) {
      drawFeatureOutline(feature);
      drawObjectMarker(feature, name, fx, fy, radius);
    } else if (isMarkedType(type)) {
      drawLabelAt(name, 1, fx, fy, markerSize / 2);
    } else {
      drawLabel(name, 0, true, fx, fy);
    }
    any = true;
  }
  return any;
}

void CSkyChart::drawFeatureOutline(CSkyObject* object) {
  CPlanetFeature* feature = asPlanetFeature(object);
  CPlanet* body = feature != nullptr ? database->getFeatureParent(feature) : nullptr;
  if (body == nullptr) return;
  double centre[3], across[3], point[3];
  feature->getSurfacePosition(centre);
  if (!(vectorNormalize(centre) > 0)) return;
  double rho = angularSizeOnBody(*feature, *body);
  if (!(rho > 0)) return;
  BodyFrame::limbAxis(centre, across);
  for (int k = 0; k < 3; ++k) point[k] = std::cos(rho) * centre[k] + std::sin(rho) * across[k];
  double radius = getObjectRadius(body);
  bool down = false;
  for (int i = 0; i < kOutlinePoints; ++i) {
    double direction[3], distance = 0;
    bool facing = surfacePointPosition(body, point, true, direction, &distance, radius);
    if (facing && down)
      lineTo(direction);
    else if (facing)
      moveTo(direction);
    down = facing;
    rotateAboutAxis(point, centre, kOutlineStep, point);
  }
  strokePath();
}

int CSkyChart::findSurfaceFeaturesAt(CPlanet* body, GPoint point, SkyObjectID* hits, int room) {
  int count = getFeatureIndices(body);
  if (count == 0 || room < 1) return 0;
  ObjectRenderData* data = getRenderData(body);
  double tap[3], lon = 0, lat = 0, hit[3] = {};
  bool onBody = screenToVector(tap, point.x, point.y) && rayHitBodyLonLat(body, tap, &lon, &lat);
  if (onBody) sphericalToVector(hit, lon, lat, 1);
  float reach = markerSize;  // the tap radius
  int n = 0;
  for (int i = 0; i < count && n < room; ++i) {
    std::uint16_t index = data->features[i];
    CPlanetFeature* feature = database->getPlanetFeature(index);
    if (feature == nullptr) continue;
    bool found = false;
    if (onBody) {
      double surface[3];
      feature->getSurfacePosition(surface);
      found = angularSizeOnBody(*feature, *body) > vectorAngle(surface, hit);
    }
    double direction[3], distance = 0, x = 0, y = 0;
    if (!found && featureDirection(*this, body, feature, direction, &distance) &&
        vectorToScreen(direction, &x, &y) && isPointNearViewport(x, y, 0)) {
      double dx = x - point.x, dy = y - point.y;
      found = dx * dx + dy * dy < reach * reach;
    }
    if (!found) continue;
    CSkyDatabase::setSkyObjectIDFromObject(&hits[n++], 1, 0, index, feature);
  }
  return n;
}
