// The constellation layer: stick figures in two sets, boundaries, names,
// the selected constellation's filled area and marker, the asterisms, and
// the constellation under a tapped point.
#include <cmath>

#include "chart/constellation_images.h"
#include "chart/object_chart_name.h"
#include "chart/sky_chart.h"
#include "skydata/constellation.h"
#include "skydata/constellation_tables.h"
#include "skydata/object_factory.h"
#include "skydata/object_types.h"
#include "skydata/sky_data_file.h"
#include "skydata/sky_data_region.h"
#include "skydata/sky_database.h"
#include "skydata/star.h"

namespace {

// Asterisms follow the 88 constellations and Serpens' second part in the
// constellation file's root region.
constexpr int kFirstAsterismIndex = 89;
// The selected constellation's area is filled this opaque.
constexpr float kBoundaryFillAlpha = 0.4f;

}  // namespace

bool CSkyChart::isConstellationInField(CConstellation* constellation) {
  if (isObserverFarFromSun()) return true;
  double half = getDiagonalFOV() / 2;
  return constellationAngleFromCentre(constellation) <= half + constellation->getAngularSize() / 2;
}

void CSkyChart::drawFigureList(const std::int16_t* list, int width, int hrOffset) {
  if (list == nullptr || database == nullptr) return;
  // A star the catalogue lacks breaks the line; the next one starts anew.
  bool pen = false;
  for (int k = 0; k < width && list[k] != 0; ++k) {
    int hr = std::abs(list[k]) + hrOffset;
    CStar* star = database->getStarByHRNumber(hr);
    if (star == nullptr) {
      pen = false;
      continue;
    }
    double v[3];
    star->getPosition(v);
    if (updateNeeded || !std::isfinite(v[0] + v[1] + v[2])) {
      updateStarPosition(star);
      star->getPosition(v);
    }
    if (!star->isOwnedByRegion()) delete star;
    if (list[k] < 0 || !pen)
      moveTo(v);
    else
      arcTo(v);
    pen = true;
  }
  strokePath();
}

void CSkyChart::drawConstellationLines(CConstellation* constellation, int set) {
  if (constellation == nullptr) return;
  int n = static_cast<int>(constellation->getNumber());
  const std::int16_t* list = constellationFigure(n);
  int width = kStandardFigureWidth;
  if (set == 1) {
    const std::int16_t* alternative = constellationAltFigure(n);
    if (alternative != nullptr && alternative[0] != 0) {
      list = alternative;
      width = kAltFigureWidth;
    }
  }
  drawFigureList(list, width, 0);
}

void CSkyChart::drawConstellationBoundary(CConstellation* constellation) {
  int count = constellation != nullptr ? constellation->getPointCount() : 0;
  if (count < 2) return;
  double first[3], v[3];
  constellation->getPoint(0, first);
  moveTo(first);
  for (int i = 1; i < count; ++i)
    if (constellation->getPoint(i, v)) lineTo(v);
  lineTo(first);
  strokePath();
}

void CSkyChart::fillConstellationBoundary(CConstellation* constellation) {
  int count = constellation != nullptr ? constellation->getPointCount() : 0;
  if (count < 3) return;
  double v[3];
  constellation->getPoint(0, v);
  beginPolygonAtVector(v);
  for (int i = 1; i < count; ++i)
    if (constellation->getPoint(i, v)) addPolygonVector(v);
  addPolygonVector(nullptr);
}

void CSkyChart::drawConstellationFigure(CConstellation* constellation, const float lineRGB[3],
                                        const float boundaryRGB[3]) {
  setColor(lineRGB[0], lineRGB[1], lineRGB[2], 1);
  if (showConstellationsTraditional) drawConstellationLines(constellation, 0);
  if (showConstellationsModern) drawConstellationLines(constellation, 1);
  if (showConstellationsBoundary) {
    setColor(boundaryRGB[0], boundaryRGB[1], boundaryRGB[2], 1);
    drawConstellationBoundary(constellation);
  }
}

void CSkyChart::drawAsterism(int i) {
  drawFigureList(getAsterismFigure(i), kAsterismFigureWidth, 1);
}

bool CSkyChart::drawNameNear(CSkyObject* object, const float rgb[3]) {
  double v[3], x, y;
  object->getPosition(v);
  if (!vectorToScreen(v, &x, &y) || !isPointInViewport(x, y)) return false;
  char name[256] = "";
  if (getObjectChartName(this, object, name, sizeof name, 0) == 0) return false;
  setColor(rgb[0], rgb[1], rgb[2], 1);
  drawLabelNear(name, 1, 1, static_cast<float>(x), static_cast<float>(y), 0);
  return true;
}

void CSkyChart::markSelectedFigure(CSkyObject* object, bool labelled) {
  double v[3], x, y;
  object->getPosition(v);
  if (!vectorToScreen(v, &x, &y)) return;
  char name[256] = "";
  getObjectChartName(this, object, name, sizeof name, 0);
  drawObjectMarker(object, labelled ? name : nullptr, static_cast<float>(x),
                   static_cast<float>(y), 0);
}

void CSkyChart::drawConstellations() {
  if (database == nullptr) return;
  if (showConstellationsMythical) drawConstellationImages();
  float line[3], boundary[3], name[3];
  scaleColor(line, constellationLineRGB, static_cast<float>(constellationIntensity));
  scaleColor(boundary, constellationBoundaryRGB, static_cast<float>(constellationIntensity));
  if (isInsideAtmosphere()) {
    // Daylight washes the lines into the sky (less behind a see-through
    // ground).
    float t = skyBrightness * (horizonStyle < 3 ? 0.75f : 1.0f);
    mixColor(line, line, skyColor, t);
    mixColor(boundary, boundary, skyColor, t);
  }
  filterColor(line, line);
  filterColor(boundary, boundary);
  filterColor(name, constellationNameRGB);
  setLineWidth(1.0f);
  setSmoothLines(false);
  setTextHeight(chartLabelTextHeight);
  for (int n = 1; n <= 88; ++n) {
    CConstellation* constellation = database->findConstellationByNumber(n);
    if (constellation == nullptr || !isConstellationInField(constellation)) continue;
    if (isConstellationSelected(constellation)) {
      drawConstellationFigure(constellation, line, boundary);
      continue;
    }
    if (showConstellations && (!zodiacConstellationsOnly || constellation->isZodiac()))
      drawConstellationFigure(constellation, line, boundary);
    if (showConstellationNames && !showConstellationsMythical) drawNameNear(constellation, name);
  }
  if (selectedObject == nullptr || selectedObject->getType() != kTypeConstellation) return;
  CConstellation* selected = asConstellation(selectedObject);
  if (selected == nullptr || !isConstellationInField(selected)) return;
  if (!showConstellationsMythical) {
    setColor(boundary[0], boundary[1], boundary[2], kBoundaryFillAlpha);
    fillConstellationBoundary(selected);
  }
  markSelectedFigure(selected, !showConstellationsMythical);
}

void CSkyChart::drawAsterisms() {
  CSkyDataFile* file = database != nullptr ? database->getConstellationsFile() : nullptr;
  if (file == nullptr || file->getRoot() == nullptr) return;
  float line[3], name[3];
  scaleColor(line, asterismLineRGB, static_cast<float>(constellationIntensity));
  mixColor(line, line, skyColor, skyBrightness);
  filterColor(line, line);
  filterColor(name, asterismNameRGB);
  setLineWidth(contentScale == 2.0f ? 1.0f : 1.5f);
  setSmoothLines(true);
  setTextHeight(chartLabelTextHeight);
  std::uint32_t root = file->getRoot()->getID();
  for (int i = 0; i < kAsterismCount && (showAsterisms || showAsterismNames); ++i) {
    std::uint16_t index = static_cast<std::uint16_t>(kFirstAsterismIndex + i);
    if (selectedObjectID.file == kConstellationsFile && selectedObjectID.index == index) continue;
    CSkyObject* object = file->getObject(root, index);
    CConstellation* asterism = asConstellation(object);
    if (asterism != nullptr && isConstellationInField(asterism)) {
      if (showAsterisms) {
        setColor(line[0], line[1], line[2], 1);
        drawAsterism(i);
      }
      if (showAsterismNames) drawNameNear(asterism, name);
    }
    if (object != nullptr && !object->isOwnedByRegion()) delete object;
  }
  if (selectedObject == nullptr || selectedObject->getType() != kTypeAsterism) return;
  CConstellation* selected = asConstellation(selectedObject);
  if (selected != nullptr && isConstellationInField(selected)) markSelectedFigure(selected, true);
}

bool CSkyChart::findConstellationAt(const float point[2], SkyObjectID* hit) {
  double v[3];
  if (database == nullptr || hit == nullptr || !screenToVector(v, point[0], point[1])) return false;
  int n = constellationAtPosition(v);
  CConstellation* constellation = database->findConstellationByNumber(n);
  if (constellation == nullptr || !database->objectPassesFilter(constellation)) return false;
  const CSkyDataFile* file = database->getConstellationsFile();
  CSkyDatabase::setSkyObjectIDFromObject(hit, kConstellationsFile, file->getRoot()->getID(),
                                         static_cast<std::uint16_t>(n - 1), constellation);
  return true;
}
