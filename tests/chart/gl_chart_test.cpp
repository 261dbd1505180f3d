// The chart through the GL layer on the software GPU: the same scene in
// both back ends within a pixel of each other, what the layer encodes for
// fills, lines, text and frames (no fans, no errors, nothing without a
// selection, half viewports in stereo), text drawn from the atlases, the
// colour-filter overlays, the shader program's locations and the camera
// picture's upload. Every test skips while this tree has no GL entry
// points.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <string>
#include <vector>

#include "chart/gl_api.h"
#include "chart/image_files.h"
#include "chart/shader_program.h"
#include "chart/text_atlas.h"
#include "skydata/app_bridge.h"
#include "skydata/planet.h"
#include "skydata/sky_database.h"
#include "tests/chart/chart_canvas.h"
#include "engine/vectors.h"
#include "tests/chart/sky_fixture.h"

#if __has_include("gles/context/gl.h")
#include "gles/context/platform.h"
#include "platform/metal/command_log.h"
#include "platform/metal/device.h"
#endif

namespace {

using chart_test::Backend;
using chart_test::ChartOnEmptySky;
using chart_test::Raster;

#define REQUIRE_GL()                                                                       \
  if (!kChartHasGL) {                                                                      \
    GTEST_SKIP() << "the graphics layer's entry points (gles/context/gl.h) are not here"; \
  }

constexpr double kDegree = 0.017453292519943295;

// What the layer encoded since the last clear: the device's command log.
class EncodedCommands {
 public:
  EncodedCommands() {
#if __has_include("gles/context/gl.h")
    mglSharedMTLDevice()->commandLog().enable(200000);
    mglSharedMTLDevice()->commandLog().clear();
#endif
  }
  ~EncodedCommands() {
#if __has_include("gles/context/gl.h")
    mglSharedMTLDevice()->commandLog().disable();
#endif
  }
  std::vector<std::string> texts() const {
#if __has_include("gles/context/gl.h")
    return mglSharedMTLDevice()->commandLog().texts();
#else
    return {};
#endif
  }
  void clear() {
#if __has_include("gles/context/gl.h")
    mglSharedMTLDevice()->commandLog().clear();
#endif
  }
  std::vector<std::string> starting(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& t : texts())
      if (t.compare(0, prefix.size(), prefix) == 0) found.push_back(t);
    return found;
  }
};

// A scene of every kind of primitive, in a stereographic view.
void drawScene(CSkyChart& chart) {
  double a[3], b[3];
  sphericalToVector(a, 5 * kDegree, 35 * kDegree, 1);
  sphericalToVector(b, 60 * kDegree, -5 * kDegree, 1);
  chart.drawArc(a, b);
  chart.strokePath();
  // (Dashed circles are left out: the 2-D back end dashes by length, GL by
  // segments; each is checked against the circle alone.)
  chart.drawCircle(false, 80, 80, 40, 0);
  chart.drawRotatedEllipse(false, 320, 70, 60, 25, 0.4f);
  chart.drawCrossHair(200, 150, 6, 14);
  chart.drawDiamond(250, 150, 10);
  chart.drawPlus(150, 150, 10);
  chart.drawRectangle(false, 20, 20, 60, 50);
  chart.drawRectangle(true, 350, 250, 390, 290);
  chart.beginPolygonAtPoint(200, 200);
  for (auto [x, y] : {std::pair{300, 200}, {300, 280}, {260, 230}, {220, 290}})
    chart.addPolygonPoint(static_cast<float>(x), static_cast<float>(y));
  chart.fillPolygon(true);
  chart.fillCircleOverlap(150, 240, 30, 175, 250, 20);
  chart.setSmoothLines(true);
  chart.moveToPoint(20, 140);
  chart.lineToPoint(120, 110);
  chart.strokePath();
  chart.setSmoothLines(false);
}

void prepareView(CSkyChart& chart) {
  chart_test::TestView view;
  view.projection = 3;
  view.lon0 = 30 * kDegree;
  view.lat0 = 20 * kDegree;
  view.fov = 70 * kDegree;
  chart_test::applyView(chart, view);
}

// Largest distance from an inked pixel of one raster to the nearest inked
// pixel of the other (Chebyshev, up to 3).
int inkDistance(const Raster& from, const Raster& to) {
  int worst = 0;
  for (int y = 0; y < from.height; ++y)
    for (int x = 0; x < from.width; ++x) {
      if (from.at(x, y) <= 0.5f) continue;
      int best = 4;
      for (int d = 0; d <= 3 && best == 4; ++d)
        for (int dy = -d; dy <= d && best == 4; ++dy)
          for (int dx = -d; dx <= d; ++dx)
            if (to.at(x + dx, y + dy) > 0.2f) {
              best = d;
              break;
            }
      worst = std::max(worst, best);
    }
  return worst;
}

TEST(ChartGL, TheTwoBackEndsDrawTheSameSceneWithinAPixel) {
  REQUIRE_GL();
  ChartOnEmptySky sky(400, 300);
  prepareView(*sky.chart);
  Raster raster[2];
  for (Backend backend : {Backend::twoD, Backend::gl}) {
    auto canvas = chart_test::makeCanvas(backend, *sky.chart, 400, 300);
    drawScene(*sky.chart);
    canvas->save(backend == Backend::gl ? "scene-gl" : "scene-2d");
    raster[backend == Backend::gl] = canvas->raster();
    if (backend == Backend::gl) {
      EXPECT_EQ(glGetError(), GL_NO_ERROR);
    }
  }
  EXPECT_GT(raster[0].inkCount(0.5f), 2000);
  EXPECT_GT(raster[1].inkCount(0.5f), 2000);
  EXPECT_LE(inkDistance(raster[0], raster[1]), 1);
  EXPECT_LE(inkDistance(raster[1], raster[0]), 1);
}

TEST(ChartGL, FillsLinesAndTextReachTheGpuAsTrianglesLinesAndStripsOnly) {
  REQUIRE_GL();
  ChartOnEmptySky sky(400, 300);
  prepareView(*sky.chart);
  auto canvas = chart_test::makeCanvas(Backend::gl, *sky.chart, 400, 300);
  EncodedCommands commands;
  drawScene(*sky.chart);
  sky.chart->showStarBayerLetters = true;
  sky.chart->drawLabel("$b2 Cyg", 1, false, 40, 280);
  canvas->raster();  // ends the pass
  EXPECT_EQ(glGetError(), GL_NO_ERROR);
  std::vector<std::string> draws = commands.starting("draw");
  EXPECT_GT(draws.size(), 10u);
  for (const std::string& draw : draws) {
    EXPECT_EQ(draw.compare(0, 15, "drawPrimitives "), 0) << draw << " (an expanded fan?)";
    bool known = draw.find("drawPrimitives Line ") == 0 ||
                 draw.find("drawPrimitives Triangle ") == 0 ||
                 draw.find("drawPrimitives TriangleStrip ") == 0;
    EXPECT_TRUE(known) << draw;
  }
}

TEST(ChartGL, LabelsDrawTheirTextAndBayerLettersFromTheAtlases) {
  REQUIRE_GL();
  ChartOnEmptySky sky(400, 300);
  auto canvas = chart_test::makeCanvas(Backend::gl, *sky.chart, 400, 300);
  sky.chart->clearLabelRects();
  sky.chart->showStarBayerLetters = true;
  ASSERT_EQ(sky.chart->drawLabel("Vega", 1, true, 50, 100), 1);
  ASSERT_EQ(sky.chart->drawLabel("$b", 1, true, 250, 100), 1);
  canvas->save("labels");
  Raster raster = canvas->raster();
  EXPECT_EQ(glGetError(), GL_NO_ERROR);
  for (int i = 0; i < 2; ++i) {
    const LabelPosition& r = sky.chart->labelRects[i];
    int inside = 0, outside = 0;
    for (int y = 0; y < 300; ++y)
      for (int x = 0; x < 400; ++x) {
        if (raster.at(x, y) < 0.3f) continue;
        bool near = std::fabs(x + 0.5 - r.x) <= r.halfWidth + 2 &&
                    std::fabs(y + 0.5 - r.y) <= r.halfHeight + 6;
        bool other = std::fabs(x + 0.5 - sky.chart->labelRects[1 - i].x) <=
                     sky.chart->labelRects[1 - i].halfWidth + 2;
        if (near)
          ++inside;
        else if (!other)
          ++outside;
      }
    EXPECT_GT(inside, i == 0 ? 40 : 10) << i;
    EXPECT_EQ(outside, 0) << i;
  }
}

TEST(ChartGL, TheProgramHasALocationForEveryName) {
  REQUIRE_GL();
  ChartOnEmptySky sky(40, 30);
  auto canvas = chart_test::makeCanvas(Backend::gl, *sky.chart, 40, 30);
  const ChartShaderLocations& l = chartShader().locations;
  for (int location : {l.position, l.color, l.normal, l.texCoord, l.materialAmbient,
                       l.materialDiffuse, l.materialSpecular, l.materialShininess, l.useMaterial,
                       l.useTexture, l.lightDir, l.texture, l.mvMatrix, l.mvpMatrix})
    EXPECT_GE(location, 0);
  GLMatrix modelView, projection;
  getModelViewProjection(&modelView, &projection);
  EXPECT_EQ(modelView.m[0], 1);
  EXPECT_NEAR(projection.m[0], 2.0 / 40, 1e-12);
  EXPECT_NEAR(projection.m[5], -2.0 / 30, 1e-12);
}

// Each kind (label and code) is printed the first time only: an error met
// at every frame is said once. The code is returned every time.
TEST(ChartGL, GlErrorsArePrintedWithTheirLabelAndTextOncePerKind) {
  REQUIRE_GL();
  ChartOnEmptySky sky(40, 30);
  auto canvas = chart_test::makeCanvas(Backend::gl, *sky.chart, 40, 30);
  testing::internal::CaptureStderr();
  glEnable(0x1234);  // no capability: GL_INVALID_ENUM
  EXPECT_EQ(checkGLError("a label"), 0x0500u);
  EXPECT_EQ(checkGLError("again"), 0u);
  for (int frame = 0; frame < 50; ++frame) {
    glEnable(0x1234);
    EXPECT_EQ(checkGLError("a label"), 0x0500u);
  }
  glViewport(0, 0, -1, -1);  // GL_INVALID_VALUE: another kind at the same label
  EXPECT_EQ(checkGLError("a label"), 0x0501u);
  glEnable(0x1234);  // the same code at another label
  EXPECT_EQ(checkGLError("another label"), 0x0500u);
  // A picture wider than any texture, uploaded at two frames.
  GLint widest = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &widest);
  ASSERT_LT(widest, GLint(kImageMaxSide));
  GImage* wide = createImage(kImageMaxSide, 1, 8, 3);
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(GImageToGLTexture(wide), 0u);
  EXPECT_EQ(GImageToGLTexture(wide), 0u);
  freeImage(wide);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "a label: OpenGL error = 0x500, invalid enumerant\n"
            "a label: OpenGL error = 0x501, invalid value\n"
            "another label: OpenGL error = 0x500, invalid enumerant\n"
            "GImageToGLTexture(): error 1281 (invalid value)\n");
}

class ChartGLFrame : public testing::Test {
 protected:
  ChartGLFrame() : sky_(std::vector<chart_test::StarDefinition>{}) {
    chart_ = sky_.chart(400, 300, 10, 20, 60);
  }
  void select(int type, int number) {
    SkyObjectID id = sky_.world().reference(sky_.world().body(type, number));
    chart_->selectObject(&id);
  }
  chart_test::ChartSky sky_;
  std::unique_ptr<CSkyChart> chart_;
};

TEST_F(ChartGLFrame, WithoutASelectionNothingIsEncoded) {
  REQUIRE_GL();
  auto canvas = chart_test::makeCanvas(Backend::gl, *chart_, 400, 300);
  canvas->raster();
  EncodedCommands commands;
  chart_->drawSkyChart();
  EXPECT_TRUE(commands.texts().empty()) << commands.texts().front();
}

TEST_F(ChartGLFrame, AFrameCapsTheTextureSizeAndClearsItsFlags) {
  REQUIRE_GL();
  auto canvas = chart_test::makeCanvas(Backend::gl, *chart_, 400, 300);
  select(30, 4);
  chart_->maxTextureSize = 0;
  chart_->drawSkyChart();
  GLint reported = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &reported);
  EXPECT_GT(reported, 4096);  // the layer's device allows more
  EXPECT_EQ(chart_->maxTextureSize, 4096);
  EXPECT_TRUE(chart_->glResourcesLive);
  EXPECT_FALSE(chart_->glResetPending);
  EXPECT_EQ(glGetError(), GL_NO_ERROR);
}

TEST_F(ChartGLFrame, StereoFramesDrawIntoTheTwoHalvesOfTheViewport) {
  REQUIRE_GL();
  auto canvas = chart_test::makeCanvas(Backend::gl, *chart_, 400, 300);
  select(30, 4);
  chart_->setHighlightedObjects(&chart_->selectedObjectID, 1);
  chart_->setCenterOnSelected(true);
  EncodedCommands commands;
  chart_->drawStereoSkyChart();
  Raster raster = canvas->raster();
  canvas->save("stereo");
  std::vector<std::string> viewports = commands.starting("setViewport ");
  auto has = [&](const char* text) {
    return std::any_of(viewports.begin(), viewports.end(),
                       [&](const std::string& v) { return v.find(text) == 0; });
  };
  EXPECT_TRUE(has("setViewport 0 0 200 300")) << ::testing::PrintToString(viewports);
  EXPECT_TRUE(has("setViewport 200 0 200 300")) << ::testing::PrintToString(viewports);
  // The highlight circle round the centre of each half.
  double r = chart_->markerSize / 2;
  for (int centre : {100, 300})
    EXPECT_GT(raster.at(int(centre + r), 150) + raster.at(int(centre + r) - 1, 150), 0.3f)
        << centre;
  EXPECT_LT(raster.at(200 + int(r), 150), 0.01f);
  EXPECT_EQ(chart_->getViewportRight(), 400);
}

// Each half of the stereo pair places its labels inside itself: with
// Jupiter's disc 10 pixels from the inner edge of each half, its whole name
// stands beside it on the side away from the edge. Before: both halves
// placed the name across the edge, where the half's viewport cut it to
// "Ju".
TEST_F(ChartGLFrame, StereoHalvesKeepTheirLabelsInside) {
  REQUIRE_GL();
  auto canvas = chart_test::makeCanvas(Backend::gl, *chart_, 400, 300);
  select(30, 4);
  CPlanet* jupiter = sky_.world().body(30, 5);
  chart_->updateObjectPosition(jupiter);
  double v[3];
  jupiter->getPosition(v);
  chart_test::TestView half;
  half.width = 200;
  half.height = 300;
  half.fov = 10 * kDegree;
  // Jupiter 90 pixels right of the centre of a half (east is left).
  const double lat = std::asin(v[2]), lon = std::atan2(v[1], v[0]);
  half.lat0 = lat;
  half.lon0 = lon;
  half.lon0 = lon + 90 * half.scale() / std::cos(lat);
  chart_->CSkyProjection::setDisplayCenter(0, half.lon0, half.lat0, 0);
  chart_->setDisplayFOV(half.fov);
  // The name's pixels are what the frame gains with names on (the body's
  // sprite and glow are drawn either way and may reach the edge).
  chart_->showPlanetNames = false;
  chart_->drawStereoSkyChart();
  Raster unnamed = canvas->raster();
  chart_->showPlanetNames = true;
  chart_->drawStereoSkyChart();
  Raster raster = canvas->raster();
  canvas->save("stereo_labels");
  const auto label = [&](int px, int py) { return raster.at(px, py) - unnamed.at(px, py) > 0.25f; };
  double x = 0, y = 0;
  ASSERT_TRUE(half.project(v, &x, &y));
  ASSERT_NEAR(x, 190, 2);
  const float name = chart_->getTextWidth("Jupiter", 0);
  ASSERT_GT(name, 30);
  for (int offset : {0, 200}) {
    // Nothing between the disc and the edge of the half.
    int beyond = 0;
    for (int py = 0; py < 300; ++py)
      for (int px = offset + static_cast<int>(x) + 5; px < offset + 200; ++px)
        beyond += label(px, py);
    EXPECT_EQ(beyond, 0) << offset;
    // The whole name beside the disc, on its other side.
    int first = 400, last = -1;
    for (int py = static_cast<int>(y) - 40; py < y + 40; ++py)
      for (int px = offset; px < offset + static_cast<int>(x) + 5; ++px)
        if (label(px, py)) {
          first = std::min(first, px);
          last = std::max(last, px);
        }
    EXPECT_GT(last - first + 1, 0.9 * name) << offset;
    EXPECT_GT(first, offset + x - 1.2 * name - chart_->markerSize) << offset;
  }
}

TEST_F(ChartGLFrame, ColourFilterOverlaysTurnTheFrameRedOrInvertIt) {
  REQUIRE_GL();
  select(30, 4);
  chart_->setHighlightedObjects(&chart_->selectedObjectID, 1);
  chart_->setCenterOnSelected(true);
  for (int mode : {3, 2}) {
    auto canvas = chart_test::makeCanvas(Backend::gl, *chart_, 400, 300);
    chart_->setColorFilter(mode);
    chart_->drawSkyChart();
    canvas->save("filter-" + std::to_string(mode));
    EXPECT_EQ(glGetError(), GL_NO_ERROR);
    // The background (black, inverted to white) and the cyan circle's rim.
    Raster raster = canvas->raster();
    EXPECT_FLOAT_EQ(raster.at(20, 20), mode == 2 ? 1.0f : 0.0f);
    // The rim pixel: the brightest near it over black, the darkest over the
    // inverted white.
    float rim = mode == 2 ? 1 : 0;
    double r = chart_->markerSize / 2;
    for (int dx = -2; dx <= 2; ++dx) {
      float v = raster.at(int(200 + r) + dx, 150);
      rim = mode == 2 ? std::min(rim, v) : std::max(rim, v);
    }
    // Cyan's grey is 0.7: night vision keeps it in red, inversion leaves 0.3.
    EXPECT_NEAR(rim, mode == 3 ? 0.7f : 0.3f, 0.03f) << mode;
    chart_->setColorFilter(0);
  }
}

TEST_F(ChartGLFrame, TheCameraPictureIsUploadedFromBgraAndAFailedUploadSaysSoOnce) {
  REQUIRE_GL();
  auto canvas = chart_test::makeCanvas(Backend::gl, *chart_, 400, 300);
  select(30, 4);
  std::vector<std::uint8_t> bgra(64 * 32 * 4, 200);
  {
    std::lock_guard<std::mutex> lock(cameraFrameMutex());
    setCameraImage(60, 64, 32, bgra.data());
  }
  testing::internal::CaptureStdout();
  chart_->drawCameraImage();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(glGetError(), GL_NO_ERROR);
  // Wider than any texture may be.
  std::vector<std::uint8_t> wide(100000 * 4, 7);
  {
    std::lock_guard<std::mutex> lock(cameraFrameMutex());
    setCameraImage(60, 100000, 1, wide.data());
  }
  testing::internal::CaptureStdout();
  chart_->drawCameraImage();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "GImageToGLTexture(): error 1281 (invalid value)\n");
  EXPECT_EQ(glGetError(), GL_NO_ERROR);
  // The same picture at the next frames: said once.
  testing::internal::CaptureStdout();
  chart_->drawCameraImage();
  chart_->drawCameraImage();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(glGetError(), GL_NO_ERROR);
  {
    std::lock_guard<std::mutex> lock(cameraFrameMutex());
    setCameraImage(0, 0, 0, nullptr);
  }
}

}  // namespace
