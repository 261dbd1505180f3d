// Costs of the chart's primitives against their budgets: 10,000 projected
// line segments under 1 ms, 1,000 colliding labels under 2 ms, a text atlas
// under 5 ms, a 256-point fill under 0.2 ms, each through the GL back end
// (batched into the scratch buffers and handed to the graphics layer, which
// draws them on the software GPU into a 1024 x 768 renderbuffer when the
// tree has its entry points) and, side by side, through the 2-D back end
// over Cairo. Charts, contexts and catalogues are made outside the timed
// loops.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "chart/gl_api.h"
#include "chart/shader_program.h"
#include "chart/sky_chart.h"
#include "chart/text_atlas.h"
#include "engine/vectors.h"
#include "platform/coregraphics/context.h"
#include "skydata/sky_database.h"

#if __has_include("gles/context/gl.h")
#include "gles/context/eagl.h"
#include "gles/context/log.h"
#include "gles/context/platform.h"
#include "platform/metal/device.h"
#include "platform/metal/gpu_timeline.h"
#endif

namespace {

constexpr double kDegree = 0.017453292519943295;

#if __has_include("gles/context/gl.h")
// A current context of the graphics layer drawing into a w x h colour
// renderbuffer with the chart's program and pixel matrix.
struct LayerTarget {
  LayerTarget(int width, int height) {
    mglLoggingEnabled = false;
    mglSharedMTLDevice()->gpu().setSynchronous(true);
    mglSharedMTLDevice()->commandLog().disable();
    context = MGLEAGLContext::initWithAPI(kEAGLRenderingAPIOpenGLES2);
    MGLEAGLContext::setCurrentContext(context.get());
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glGenRenderbuffers(1, &renderbuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8_OES, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, renderbuffer);
    glViewport(0, 0, width, height);
    const std::string shaders = std::string(TESSALY_SOURCE_TREE) + "/resources/Shaders/";
    program = createShaderProgram((shaders + "VertexShader.glsl").c_str(),
                                  (shaders + "FragmentShader.glsl").c_str());
    GLMatrix projection = matrixOrtho(-1, 1, -1, 1, -1, 1);
    matrixTranslate(projection, -width / 2.0, -height / 2.0, 0);
    matrixScale(projection, 2.0 / width, -2.0 / height, 1);
    setupShaderState(matrixIdentity(), projection);
  }
  ~LayerTarget() {
    finish();
    glDeleteProgram(program);
    glDeleteRenderbuffers(1, &renderbuffer);
    glDeleteFramebuffers(1, &framebuffer);
    MGLEAGLContext::setCurrentContext(nullptr);
  }
  // Ends the pass and waits for what was drawn: a pixel read back.
  void finish() {
    std::uint8_t pixel[4];
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
  }
  MGLRef<MGLEAGLContext> context;
  GLuint framebuffer = 0, renderbuffer = 0;
  unsigned program = 0;
};
#else
struct LayerTarget {
  LayerTarget(int, int) {}
  void finish() {}
};
#endif

struct Sky {
  Sky(bool twoD) : database(""), chart(&database, "") {
    chart.setViewport(0, 0, 1024, 768);
    chart.setDisplayProjection(3);
    chart.CSkyProjection::setDisplayCenter(0, 1.0, 0.3, 0);
    chart.setDisplayFOV(100 * kDegree);
    if (twoD) {
      context = cg::Context::createBitmap(1024, 768);
      context->translateCTM(0, 768);
      context->scaleCTM(1, -1);
      chart.cgContext = context.get();
    } else {
      layer = std::make_unique<LayerTarget>(1024, 768);
    }
    chart.setColor(1, 1, 1, 1);
  }
  // Ends the iteration's drawing in either back end.
  void finish() {
    if (layer) layer->finish();
  }
  CSkyDatabase database;
  CSkyChart chart;
  std::unique_ptr<cg::Context> context;
  std::unique_ptr<LayerTarget> layer;
};

// A great-circle grid's worth of short segments: 100 meridians of 100
// steps each, as the grid layer draws them.
void projectedSegments(benchmark::State& state) {
  Sky sky(state.range(0) != 0);
  std::vector<std::array<double, 3>> points;
  for (int m = 0; m < 100; ++m)
    for (int k = 0; k <= 100; ++k) {
      double v[3];
      sphericalToVector(v, m * 3.6 * kDegree, (k * 1.8 - 90) * kDegree, 1);
      points.push_back({v[0], v[1], v[2]});
    }
  for (auto _ : state) {
    for (int m = 0; m < 100; ++m) {
      sky.chart.moveTo(points[m * 101].data());
      for (int k = 1; k <= 100; ++k) sky.chart.lineTo(points[m * 101 + k].data());
    }
    sky.chart.strokePath();
    sky.finish();
  }
  state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(projectedSegments)->Arg(0)->Arg(1)->ArgNames({"2d"})->Unit(benchmark::kMicrosecond);

// A thousand labels near each other: most are refused after trying their
// twelve places.
void collidingLabels(benchmark::State& state) {
  Sky sky(state.range(0) != 0);
  sky.chart.getTextAtlas();  // built once, as after the first frame
  std::vector<GPoint> at;
  for (int i = 0; i < 1000; ++i) at.push_back({400 + (i * 37) % 200 * 1.0f, 300 + (i * 53) % 150 * 1.0f});
  for (auto _ : state) {
    sky.chart.clearLabelRects();
    for (const GPoint& p : at) sky.chart.drawLabelNear("HIP 12345", 1, 1, p.x, p.y, 6);
    sky.finish();
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(collidingLabels)->Arg(0)->Arg(1)->ArgNames({"2d"})->Unit(benchmark::kMicrosecond);

// One text atlas of the chart's 96 characters at 14 pixels.
void textAtlas(benchmark::State& state) {
  unsigned char list[96];
  for (int i = 0; i < 95; ++i) list[i] = static_cast<unsigned char>(32 + i);
  list[95] = 161;
  for (auto _ : state) {
    CTextAtlas atlas;
    atlas.initWithCharacters(list, 96, "Helvetica", static_cast<float>(state.range(0)));
    benchmark::DoNotOptimize(atlas.cellWidth[40]);
  }
}
BENCHMARK(textAtlas)->Arg(14)->Arg(28)->Unit(benchmark::kMicrosecond);

// A 256-point star-shaped (concave) outline, filled.
void polygonFill(benchmark::State& state) {
  Sky sky(state.range(0) != 0);
  std::vector<GPoint> outline;
  for (int k = 0; k < 255; ++k) {
    double t = k * 2 * 3.141592653589793 / 255, r = k % 2 ? 300 : 150;
    outline.push_back({static_cast<float>(512 + r * std::cos(t)),
                       static_cast<float>(384 + r * std::sin(t))});
  }
  for (auto _ : state) {
    sky.chart.beginPolygonAtPoint(outline[0].x, outline[0].y);
    for (std::size_t i = 1; i < outline.size(); ++i)
      sky.chart.addPolygonPoint(outline[i].x, outline[i].y);
    sky.chart.fillPolygon(true);
    sky.finish();
  }
}
BENCHMARK(polygonFill)->Arg(0)->Arg(1)->ArgNames({"2d"})->Unit(benchmark::kMicrosecond);

// The pass alone: one short line and the read-back that ends the pass, to
// set against the GL figures above (nothing to end in the 2-D back end).
void onePass(benchmark::State& state) {
  Sky sky(false);
  for (auto _ : state) {
    sky.chart.moveToPoint(10, 10);
    sky.chart.lineToPoint(20, 10);
    sky.chart.strokePath();
    sky.finish();
  }
}
BENCHMARK(onePass)->Unit(benchmark::kMicrosecond);

}  // namespace
