// Highlighted objects, the selection marker, the pointer towards a
// selected object far from the centre, and the camera picture's upload.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <new>
#include <vector>

#include "chart/gl_api.h"
#include "chart/gl_error_reports.h"
#include "chart/highlight_placement.h"
#include "chart/object_chart_name.h"
#include "chart/shader_program.h"
#include "chart/sky_chart.h"
#include "chart/tessellator.h"
#include "engine/angles.h"
#include "engine/vectors.h"
#include "platform/coregraphics/context.h"
#include "skydata/app_bridge.h"
#include "skydata/deep_sky_object.h"
#include "skydata/object_factory.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/search_filter.h"
#include "skydata/sky_database.h"
#include "skydata/star.h"

namespace {

constexpr double kInfinity = HUGE_VAL;
// Stars nearer than this (parsecs) may show a disc.
constexpr double kNearStarParsecs = 10.0;
// The Sun's radius in AU over one AU in parsecs' worth: a radius in solar
// radii times this is AU.
constexpr double kSolarRadiusAU = 0.004652;
// Arcseconds of a diameter per radian of radius.
constexpr double kArcsecondDiameterPerRadian = 412529.61249429686;

// Every type and no limit; the keys, matching flags and categories stay.
void resetSearchLimits(SearchFilter& filter) {
  const SearchFilter open;
  filter.lowestType = open.lowestType;
  filter.highestType = open.highestType;
  auto copy = [](float (&to)[2], const float (&from)[2]) {
    to[0] = from[0];
    to[1] = from[1];
  };
  copy(filter.distance, open.distance);
  copy(filter.magnitude, open.magnitude);
  copy(filter.rightAscension, open.rightAscension);
  copy(filter.declination, open.declination);
  copy(filter.size, open.size);
  copy(filter.altitude, open.altitude);
  copy(filter.azimuth, open.azimuth);
  copy(filter.separation, open.separation);
  filter.constellation = open.constellation;
}

bool isStarType(int type) { return type >= kTypeStar && type <= kTypeNonexistentStar; }
bool isDeepSkyType(int type) { return type >= kTypeFirstDeepSky && type <= kTypeLastDeepSky; }
bool isBodyType(int type) { return type >= kTypePlanet && type <= kTypeSpacecraft; }

std::uint64_t highlightKey(std::uint16_t file, std::uint32_t region, std::uint16_t index) {
  return (std::uint64_t{file} << 48) | (std::uint64_t{region} << 16) | index;
}

// Line width of the overlays: one point on two-pixel screens, else 1.5.
float overlayLineWidth(float contentScale) { return contentScale == 2.0f ? 1.0f : 1.5f; }

}  // namespace

double highlightAngularRadius(const CSkyObject* object) {
  int type = object->getType();
  if (isStarType(type)) {
    const CStar* star = dynamic_cast<const CStar*>(object);
    double distance = object->getDistance();
    if (star == nullptr || !(distance < kNearStarParsecs)) return 0;
    double r = std::atan2(star->getDiameter() * kSolarRadiusAU, distance * kAUPerParsec);
    return std::isfinite(r) && r <= kHalfPi ? r : 0;
  }
  if (isDeepSkyType(type)) {
    const CDeepSkyObject* deepSky = dynamic_cast<const CDeepSkyObject*>(object);
    return deepSky != nullptr ? deepSky->getMajorSize() / kArcsecondDiameterPerRadian : 0;
  }
  if (isBodyType(type)) {
    const CPlanet* body = dynamic_cast<const CPlanet*>(object);
    return body != nullptr ? body->getAngularRadius() : 0;
  }
  return 0;
}

bool isHighlightShown(CSkyChart& chart, CSkyObject* object, bool selected) {
  double v[3];
  object->getPosition(v);
  if (chart.updateNeeded || !std::isfinite(v[0] + v[1] + v[2])) chart.updateObjectPosition(object);
  if (!chart.drawAllHighlights && !selected) {
    int type = object->getType();
    float magnitude = object->getMagnitude();
    if (isStarType(type) && magnitude > chart.starMagLimit) return false;
    if (isBodyType(type) && magnitude > chart.planetMagLimitInUse) return false;
    if (isDeepSkyType(type) && !chart.isDeepSkyObjectShown(asDeepSkyObject(object))) return false;
    // A body the solar-system layer keeps off the chart (its kind or its
    // satellite categories switched off) gets no circle, label or tap;
    // the home body is always listed there.
    const CPlanet* body = isBodyType(type) ? dynamic_cast<const CPlanet*>(object) : nullptr;
    if (body != nullptr && object != chart.homeObject && chart.isHiddenByTypeOption(body)) return false;
  }
  return true;
}

bool projectHighlightedObject(CSkyChart& chart, CSkyObject* object, HighlightPlacement* out) {
  double v[3], x, y;
  object->getPosition(v);
  if (!chart.vectorToScreen(v, &x, &y)) return false;
  double angular = highlightAngularRadius(object);
  double radius = angular < kHalfPi ? chart.projectedRadius(v, angular) : kInfinity;
  if (!std::isfinite(x) || !std::isfinite(y)) return false;
  double margin = std::isfinite(radius) ? radius + chart.markerSize : 0;
  if (!chart.isPointNearViewport(x, y, margin)) return false;
  out->x = x;
  out->y = y;
  out->radius = radius;
  return true;
}

bool placeHighlightedObject(CSkyChart& chart, CSkyObject* object, bool selected,
                            HighlightPlacement* out) {
  return isHighlightShown(chart, object, selected) && projectHighlightedObject(chart, object, out);
}

// ---- The list ----

void CSkyChart::setHighlightedObjects(const SkyObjectID* ids, int count) {
  clearHighlightedObjects();
  if (ids == nullptr || count < 1) return;
  highlights = new (std::nothrow) SkyObjectPath[static_cast<std::size_t>(count)]();
  if (highlights == nullptr) return;
  highlightCount = count;
  try {
    highlightKeys.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
      highlights[i].id = ids[i];
      highlightKeys.insert(highlightKey(ids[i].file, ids[i].region, ids[i].index));
    }
  } catch (const std::bad_alloc&) {
    // Short of memory a list that could not be looked up is no list.
    clearHighlightedObjects();
    return;
  }
  updateNeeded = true;
}

void CSkyChart::clearHighlightedObjects() {
  for (int i = 0; i < highlightCount; ++i) resetObjectPath(&highlights[i]);
  delete[] highlights;
  highlights = nullptr;
  highlightCount = 0;
  highlightKeys.clear();
  satelliteHighlightMaximum = 0;
}

bool CSkyChart::isHighlighted(std::uint16_t file, std::uint32_t region,
                              std::uint16_t index) const {
  return highlightKeys.count(highlightKey(file, region, index)) != 0;
}

void CSkyChart::highlightSatellites(bool on, int maximum) {
  std::vector<SkyObjectID> found;
  if (on && database != nullptr && maximum > 0) {
    // The satellites and spacecraft the search filter's other settings (the
    // categories shown, the keys) let through; the type range and the
    // limits are then opened again for the next search.
    SearchFilter& filter = database->searchFilter;
    filter.lowestType = kTypeSatellite;
    filter.highestType = kTypeSpacecraft;
    database->searchFile(kSolarSystemFile, found, maximum);
    resetSearchLimits(filter);
  }
  highlightColor[0] = 0;
  highlightColor[1] = 1;
  highlightColor[2] = 0;
  setHighlightedObjects(found.data(), static_cast<int>(found.size()));
  satelliteHighlightMaximum = on ? maximum : 0;
  showHighlightedObjectCircles = on;
  showHighlightedObjectLabels = on;
}

// ---- Drawing ----

void CSkyChart::drawHighlightedObjects(int pass) {
  if (highlights == nullptr || highlightCount < 1 || database == nullptr) return;
  if (!showHighlightedObjectCircles && !showHighlightedObjectLabels) return;
  float color[3];
  filterColor(color, highlightColor);
  setColor(color[0], color[1], color[2], 1);
  setLineWidth(overlayLineWidth(contentScale));
  setTextHeight(starLabelTextHeight);
  float half = markerSize / 2;
  for (int i = 0; i < highlightCount; ++i) {
    SkyObjectPath& record = highlights[i];
    bool solarSystem = record.id.file == kSolarSystemFile;
    if ((pass == 1) != solarSystem) continue;
    ScopedSkyObject object(database->getObject(&record.id));
    if (!object) continue;
    bool selected = CSkyDatabase::isSameSkyObjectID(&record.id, &selectedObjectID);
    // What the display options hide has no path either.
    if (!isHighlightShown(*this, object.get(), selected)) continue;
    if (showHighlightedObjectPaths) {
      // A record never computed has no ring yet.
      if (recomputeHighlightPaths || record.capacity == 0) computeObjectPath(object.get(), &record, false);
      drawObjectPath(object.get(), &record, showHighlightedObjectLabels);
      setColor(color[0], color[1], color[2], 1);
      setLineWidth(overlayLineWidth(contentScale));
    }
    HighlightPlacement at;
    if (!projectHighlightedObject(*this, object.get(), &at)) continue;
    // A circle larger than the sky has no outline or label place.
    if (!std::isfinite(at.radius)) continue;
    float x = static_cast<float>(at.x), y = static_cast<float>(at.y);
    float r = static_cast<float>(at.radius);
    if (showHighlightedObjectCircles) drawCircle(false, x, y, r + half, 0);
    if (showHighlightedObjectLabels) {
      char name[256];
      const char* text = record.id.name;
      if (text[0] == '\0') {
        name[0] = '\0';
        getObjectChartName(this, object.get(), name, sizeof name, 0);
        text = name;
      }
      if (text[0] != '\0') {
        if (selected) selectFont(1);
        drawLabelNear(text, 1, 1, x, y, showHighlightedObjectCircles ? r + markerSize : r + half);
        if (selected) selectFont(0);
      }
    }
  }
}

bool CSkyChart::screenDirectionOf(CSkyObject* object, double* dx, double* dy,
                                  double* distance) {
  double v[3];
  object->getPosition(v);
  if (!std::isfinite(v[0] + v[1] + v[2])) {
    updateObjectPosition(object);
    object->getPosition(v);
  }
  if (!std::isfinite(v[0] + v[1] + v[2])) return false;
  double x, y;
  if (vectorToScreen(v, &x, &y) && std::isfinite(x) && std::isfinite(y)) {
    *dx = x - viewportCenterX;
    *dy = y - viewportCenterY;
  } else {
    // Off the projection: the direction the display frame gives it (screen
    // x grows against the frame's Y axis, screen y against its Z axis).
    double d[3] = {vectorDot(displayMatrix, v), vectorDot(displayMatrix + 3, v),
                   vectorDot(displayMatrix + 6, v)};
    *dx = scaleX < 0 ? d[1] : -d[1];
    *dy = scaleY < 0 ? d[2] : -d[2];
    if (d[1] == 0 && d[2] == 0) *dx = 1;  // straight behind: any direction
    *distance = kInfinity;
    double length = std::hypot(*dx, *dy);
    *dx /= length;
    *dy /= length;
    return true;
  }
  *distance = std::hypot(*dx, *dy);
  if (*distance > 0) {
    *dx /= *distance;
    *dy /= *distance;
  }
  return true;
}

void CSkyChart::drawSelectedObjectPointer(CSkyObject* object) {
  if (object == nullptr) return;
  double dx, dy, distance;
  if (!screenDirectionOf(object, &dx, &dy, &distance)) return;
  double q = std::min(viewportWidth, viewportHeight) / 4.0;
  if (distance <= q) {
    pointerPending = false;
    return;
  }
  const float white[3] = {1, 1, 1};
  const float* source = white;
  int type = object->getType();
  if (isStarType(type))
    source = starNameRGB;
  else if (isBodyType(type))
    source = planetNameRGB;
  else if (type == kTypeConstellation)
    source = constellationNameRGB;
  else if (type == kTypeAsterism)
    source = asterismNameRGB;
  else if (type == kTypeMeteorShower)
    source = meteorRGB;
  float color[3];
  filterColor(color, source);
  setColor(color[0], color[1], color[2], 1);
  setLineWidth(overlayLineWidth(contentScale));
  double m = markerSize, cx = viewportCenterX, cy = viewportCenterY;
  auto at = [&](double radius, double across, float* x, float* y) {
    *x = static_cast<float>(cx + dx * radius - dy * across);
    *y = static_cast<float>(cy + dy * radius + dx * across);
  };
  float x, y;
  at(q - 2.5 * m, 0, &x, &y);
  moveToPoint(x, y);
  at(q, 0, &x, &y);
  lineToPoint(x, y);
  strokePath();
  at(q, 0, &x, &y);
  beginPolygonAtPoint(x, y);
  at(q - m, m / 2, &x, &y);
  addPolygonPoint(x, y);
  at(q - m, -m / 2, &x, &y);
  addPolygonPoint(x, y);
  fillPolygon(true);
}

void CSkyChart::drawObjectMarker(CSkyObject* object, const char* text, float x, float y,
                                 float r) {
  if (!showSelectionMarker || object == nullptr) return;
  float m = markerSize / 2;
  int type = object->getType();
  float grey = static_cast<float>((deepSkyIntensity + 1) / 2);
  const float greys[3] = {grey, grey, grey};
  float color[3];
  if (cgContext == nullptr) {
    selectionScreenPosition[0] = x;
    selectionScreenPosition[1] = y;
    selectionScreenPosition[2] = r;
    if (isStarType(type))
      filterColor(color, starNameRGB);
    else if (type >= kTypePlanet && type <= kTypeFeature)
      filterColor(color, planetNameRGB);
    else if (type == kTypeAsterism)
      filterColor(color, asterismNameRGB);
    else if (type == kTypeConstellation)
      filterColor(color, constellationNameRGB);
    else if (isDeepSkyType(type))
      filterColor(color, greys);
    else
      std::copy(greys, greys + 3, color);
    setColor(color[0], color[1], color[2], 1);
    bool labelledAlready = showHighlightedObjectLabels &&
                           isHighlighted(selectedObjectID.file, selectedObjectID.region,
                                         selectedObjectID.index);
    if (text != nullptr && !labelledAlready) {
      selectFont(1);
      drawLabelNear(text, 1, 3, x, y, m + r);
      selectFont(0);
    }
    setLineWidth(overlayLineWidth(contentScale));
    smoothLines = true;
  } else {
    x = selectionScreenPosition[0];
    y = selectionScreenPosition[1];
    r = selectionScreenPosition[2];
    setLineWidth(1.5f);
  }

  float figure[3] = {1, 1, 1};
  if (isDeepSkyType(type))
    std::copy(greys, greys + 3, figure);
  else if (type == kTypeAsterism)
    setColor3(figure, 1, 0.5f, 0);
  else if (type == kTypeConstellation)
    setColor3(figure, 0.5f, 0.5f, 0.5f);
  filterColor(color, figure);
  if (cgContext != nullptr && (colorFilterMode == 2 || colorFilterMode == 4))
    setColor3(color, 0, 0, 0);
  setColor(color[0], color[1], color[2], 1);

  if (cgContext == nullptr && !markerVisible) return;
  if (CDeepSkyObject* deepSky = asDeepSkyObject(object)) {
    // A planetary nebula's symbol reaches out to twice its radius.
    drawDeepSkySymbol(deepSky, x, y, type == 15 ? 2 * r : r);
    return;
  }
  if (type == kTypeConstellation) {
    drawConstellationFigure(asConstellation(object), color, color);
    return;
  }
  if (type == kTypeAsterism) {
    drawAsterism(static_cast<int>(object->getNumber()) - 1);
    return;
  }
  // (A selected surface feature's outline comes with the feature layer's
  // marks.) A deep-sky type that is no deep-sky object has no figure.
  if (isDeepSkyType(type)) return;
  drawCrossHair(x, y, r + m, r + 2 * m);
}

void CSkyChart::drawCameraImage() {
  if (cgContext != nullptr) return;
  GLuint texture = 0;
  std::int32_t width = 0, height = 0;
  {
    std::lock_guard<std::mutex> lock(cameraFrameMutex());
    const void* bytes = getCameraImageData();
    width = getCameraImageWidth();
    height = getCameraImageHeight();
    if (bytes == nullptr || width <= 0 || height <= 0) return;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, bytes);
  }
  GLenum error = glGetError();
  if (error != GL_NO_ERROR) {
    if (firstGLErrorReport("drawCameraImage", error))
      std::printf("GImageToGLTexture(): error %d (%s)\n", static_cast<int>(error), glErrorText(error));
    glDeleteTextures(1, &texture);
    return;
  }
  drawCameraPicture(texture, static_cast<float>(width), static_cast<float>(height));
  glDeleteTextures(1, &texture);
}

void CSkyChart::drawCameraPicture(unsigned texture, float width, float height) {
  // The picture's shorter side spans the field the chart set from it, as
  // the viewport's shorter side does; centred, the rest overflows.
  float scale = std::min(viewportWidth, viewportHeight) / std::min(width, height);
  float halfWidth = width * scale / 2, halfHeight = height * scale / 2;
  float left = viewportCenterX - halfWidth, right = viewportCenterX + halfWidth;
  float top = viewportCenterY - halfHeight, bottom = viewportCenterY + halfHeight;
  const float corners[2][3][2] = {{{left, top}, {right, top}, {right, bottom}},
                                  {{right, bottom}, {left, bottom}, {left, top}}};
  const float texCoords[2][3][2] = {{{0, 0}, {1, 0}, {1, 1}}, {{1, 1}, {0, 1}, {0, 0}}};
  clearTextureTriangles();
  addTextureTriangle(corners[0], texCoords[0], nullptr, nullptr);
  addTextureTriangle(corners[1], texCoords[1], nullptr, nullptr);
  // Each pixel's alpha, set from the horizon fade grid as the frame was
  // taken (cameraPixelAlpha), lets the chart through where there is sky.
  const float white[3] = {1, 1, 1};
  flushTextureTriangles(texture, white, kTextureAlphaBlend);
}
