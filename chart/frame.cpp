// The frame: every layer of the chart in one fixed order, the GL reset of
// textures, and the side-by-side stereo pair.
//
// Layers are drawn in this order: sky background; then either the ground
// view or the Milky Way, the horizon panorama behind, grid and reference
// lines, the selected object's path, constellations and asterisms,
// deep-sky images, highlighted objects outside the solar system,
// deep-sky objects, stars, solar-system objects and satellites,
// highlighted solar-system objects, meteors, the horizon in front and the
// selection pointer; then the camera picture and the colour-filter
// overlay.
#include <algorithm>
#include <mutex>

#include "chart/gl_api.h"
#include "chart/meteors.h"
#include "chart/shader_program.h"
#include "chart/sky_chart.h"
#include "skydata/app_bridge.h"
#include "skydata/object_factory.h"
#include "skydata/sky_database.h"

namespace {

// Textures are never made larger than this, whatever the GL allows.
constexpr int kTextureSizeCap = 4096;
// Degrees to radians of the camera's field of view.
constexpr double kCameraRadiansPerDegree = 0.01745329251993889;
// The stereo eyes stand this fraction of the distance to the home object
// apart, along the screen's horizontal.
constexpr double kEyeSeparation = 0.02;

}  // namespace

void CSkyChart::releaseGLResources() {
  releaseTextAtlases();
  if (database != nullptr) releaseSolarSystemRenderData(database->getSolarSystemFile());
  releaseStarSprites();
  releaseDeepSkyImageTextures();
  // The Milky Way texture, constellation image textures and horizon
  // textures are released here, in this order, by their layers.
  releaseGalaxyTexture();
  releaseMilkyWayTexture();
  releaseConstellationImageTextures();
  releaseHorizonTextures();
}

void CSkyChart::drawSkyChart() {
  if (CSkyDatabase::isInvalidSkyObjectID(&selectedObjectID)) return;
  bool gl = cgContext == nullptr;
  if (gl) {
    checkGLError("CSkyChart::drawSkyChart()");
    glDisable(GL_DEPTH_TEST);
  }

  // Pixels of the viewport with y downwards.
  double w = viewportWidth + viewportLeft, h = viewportHeight + viewportTop;
  GLMatrix projection = matrixOrtho(-1, 1, -1, 1, -1, 1);
  matrixTranslate(projection, -w / 2, -h / 2, 0);
  matrixScale(projection, 2 / w, -2 / h, 1);
  if (gl) {
    setupShaderState(matrixIdentity(), projection);
    GLint maximum = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maximum);
    maxTextureSize = std::min(static_cast<int>(maximum), kTextureSizeCap);
  }

  if (glResetPending) releaseGLResources();
  releaseRetiredSolarSystemFiles();
  selectionScreenPosition[0] = selectionScreenPosition[1] = selectionScreenPosition[2] = -1;
  if (updateNeeded) followSelectedSatellite();

  if (centerOnSelected)
    centerOnObjectID(&selectedObjectID);
  else if (centerOnHome)
    centerOnObjectID(&homeObjectID);

  bool cameraFrame = false;
  {
    std::lock_guard<std::mutex> lock(cameraFrameMutex());
    cameraFrame = getCameraImageData() != nullptr;
    int field = static_cast<int>(getCameraImageFOV());
    double width = getCameraImageWidth(), height = getCameraImageHeight();
    if (cameraFrame && field > 0 && width > 0 && height > 0) {
      // The picture's longer side spans the field; the ratio in floating
      // point (1920 / 1080 is not 1).
      double aspect = std::max(width, height) / std::min(width, height);
      setDisplayFOV(field * kCameraRadiansPerDegree / aspect);
    }
  }

  updateDisplayMatrix();
  clearLabelRects();
  drawSkyBackground();

  if (earthView) {
    drawEarthView();
  } else if (selectedObject != nullptr) {
    // Without a camera picture the Milky Way and the horizon behind; grid
    // and reference lines, the selected object's path, constellations and
    // asterisms; deep-sky images are drawn after them.
    if (!cameraFrame) {
      drawMilkyWay();
      drawHorizonBehind();
    }
    drawGridAndReferenceLines();
    if (showSelectedObjectPath) {
      if (updateNeeded) computeObjectPath(selectedObject, &selectedObjectPath, false);
      drawObjectPath(selectedObject, &selectedObjectPath, true);
    }
    drawConstellations();
    drawAsterisms();
    drawDeepSkyImages();
    drawHighlightedObjects(0);
    drawDeepSkyObjects();
    drawStars();
    drawSolarSystemObjects();
    drawHighlightedObjects(1);
    recomputeHighlightPaths = false;
    if (CMeteorShower* shower = asMeteorShower(selectedObject)) updateMeteors(this, shower);
    drawHorizonInFront(cameraFrame);
    if (pointerPending && markerVisible) drawSelectedObjectPointer(selectedObject);
  }

  drawCameraImage();
  updateNeeded = false;

  if (gl) {
    if (colorFilterMode == 2 || colorFilterMode == 4)
      drawInvertFilter(viewportLeft, viewportTop, viewportRight, viewportBottom);
    if (colorFilterMode == 3 || colorFilterMode == 4)
      drawRedFilter(viewportLeft, viewportTop, viewportRight, viewportBottom);
  }
  glResourcesLive = true;
  glResetPending = false;
  if (gl) checkGLError("end of CSkyChart::drawSkyChart()");
}

void CSkyChart::drawStereoSkyChart() {
  float left = getViewportLeft(), top = getViewportTop();
  float width = getViewportWidth(), height = getViewportHeight();
  float right = getViewportRight(), bottom = getViewportBottom();
  float mid = (left + right) * 0.5f;
  bool gl = cgContext == nullptr;

  double saved[3] = {observerPosition[0], observerPosition[1], observerPosition[2]};
  bool space = isSpaceView();
  double offset[3] = {};
  for (int i = 0; i < 3; ++i) offset[i] = displayMatrix[3 + i] * kEyeSeparation * homePlanetDistance;

  const bool savedLabelsInside = labelsInsideViewport;
  labelsInsideViewport = true;

  // Left eye.
  if (space) {
    updateNeeded = true;
    for (int i = 0; i < 3; ++i) observerPosition[i] = saved[i] + offset[i];
  }
  if (gl)
    glViewport(static_cast<GLint>(left), static_cast<GLint>(top),
               static_cast<GLsizei>(width * 0.5f), static_cast<GLsizei>(height));
  setViewport(left, top, mid, bottom);
  drawSkyChart();

  // Right eye.
  if (space) {
    updateNeeded = true;
    for (int i = 0; i < 3; ++i) observerPosition[i] = saved[i] - offset[i];
  }
  if (gl)
    glViewport(static_cast<GLint>(mid), static_cast<GLint>(top),
               static_cast<GLsizei>(width * 0.5f), static_cast<GLsizei>(height));
  setViewport(left, top, mid, bottom);
  drawSkyChart();

  if (space) {
    updateNeeded = true;
    for (int i = 0; i < 3; ++i) observerPosition[i] = saved[i];
  }
  if (gl)
    glViewport(static_cast<GLint>(left), static_cast<GLint>(top), static_cast<GLsizei>(width),
               static_cast<GLsizei>(height));
  setViewport(left, top, right, bottom);
  labelsInsideViewport = savedLabelsInside;
}
