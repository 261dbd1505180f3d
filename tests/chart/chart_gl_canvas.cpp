// The GL canvas of the chart's tests: a context of the graphics layer made
// current, an offscreen colour renderbuffer, the chart's shader program
// from the source tree, pixels read back with glReadPixels. Without the
// layer's entry points in the tree there is no GL canvas.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "chart/gl_api.h"
#include "chart/shader_program.h"
#include "platform/coregraphics/image.h"
#include "platform/coregraphics/image_codec.h"
#include "tests/chart/chart_canvas.h"

#if __has_include("gles/context/gl.h")
#include "gles/context/eagl.h"
#include "gles/context/log.h"
#include "gles/context/platform.h"
#include "platform/metal/gpu_timeline.h"
#endif

namespace chart_test {

std::string backendName(const testing::TestParamInfo<Backend>& info) {
  return info.param == Backend::gl ? "GL" : "TwoD";
}

bool backendAvailable(Backend backend) { return backend == Backend::twoD || kChartHasGL; }

#if __has_include("gles/context/gl.h")

namespace {

std::string shaderFile(const char* name) {
  const char* source = std::getenv("TESSALY_SOURCE_DIR");
  return std::string(source != nullptr ? source : ".") + "/resources/Shaders/" + name;
}

class CanvasGL : public ChartCanvas {
 public:
  CanvasGL(CSkyChart& chart, int width, int height) : chart_(chart), width_(width), height_(height) {
    mglLoggingEnabled = false;
    mglSharedMTLDevice()->gpu().setSynchronous(true);
    context_ = MGLEAGLContext::initWithAPI(kEAGLRenderingAPIOpenGLES2);
    MGLEAGLContext::setCurrentContext(context_.get());
    glGenFramebuffers(1, &framebuffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glGenRenderbuffers(1, &renderbuffer_);
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8_OES, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, renderbuffer_);
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GL_FRAMEBUFFER_COMPLETE);
    glViewport(0, 0, width, height);
    glClear(GL_COLOR_BUFFER_BIT);
    program_ = createShaderProgram(shaderFile("VertexShader.glsl").c_str(),
                                   shaderFile("FragmentShader.glsl").c_str());
    EXPECT_NE(program_, 0u) << "the chart's shader program did not build";
    // The frame's pixel matrix: y downwards.
    GLMatrix projection = matrixOrtho(-1, 1, -1, 1, -1, 1);
    matrixTranslate(projection, -width / 2.0, -height / 2.0, 0);
    matrixScale(projection, 2.0 / width, -2.0 / height, 1);
    setupShaderState(matrixIdentity(), projection);
    chart_.cgContext = nullptr;
    chart_.setColor(1, 1, 1, 1);
    chart_.setLineWidth(1);
    EXPECT_EQ(glGetError(), GL_NO_ERROR);
  }

  ~CanvasGL() override {
    // Whatever a test drew, the layer took without an error.
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "after drawing into the GL canvas";
    glDeleteProgram(program_);
    glDeleteRenderbuffers(1, &renderbuffer_);
    glDeleteFramebuffers(1, &framebuffer_);
    chart_.releaseTextAtlases();
    MGLEAGLContext::setCurrentContext(nullptr);
  }

  std::vector<std::uint8_t> pixels() {
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width_) * height_ * 4);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
  }

  // Drawn on black: the brightest channel is the coverage (white lines
  // give 1). GL rows start at the bottom.
  Raster raster() override {
    std::vector<std::uint8_t> rgba = pixels();
    Raster r;
    r.width = width_;
    r.height = height_;
    r.alpha.resize(rgba.size() / 4);
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x)
      {
        const std::uint8_t* p = &rgba[(static_cast<std::size_t>(height_ - 1 - y) * width_ + x) * 4];
        r.alpha[static_cast<std::size_t>(y) * width_ + x] = std::max({p[0], p[1], p[2]}) / 255.0f;
      }
    return r;
  }

  void clear() override { glClear(GL_COLOR_BUFFER_BIT); }

  void finish() override {
    // Reading a pixel waits for every command given before it.
    std::uint8_t pixel[4];
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
  }

  std::vector<std::uint8_t> colors() override {
    std::vector<std::uint8_t> rgba = pixels();
    std::vector<std::uint8_t> flipped(rgba.size());
    for (int y = 0; y < height_; ++y)
      std::copy_n(&rgba[static_cast<std::size_t>(height_ - 1 - y) * width_ * 4], width_ * 4,
                  &flipped[static_cast<std::size_t>(y) * width_ * 4]);
    return flipped;
  }

  void save(const std::string& name) override {
    const char* folder = std::getenv("TESSALY_CHART_TEST_IMAGES");
    if (folder == nullptr || folder[0] == '\0') return;
    std::vector<std::uint8_t> flipped = colors();
    for (std::size_t i = 3; i < flipped.size(); i += 4) flipped[i] = 255;
    cg::PixelFormat format;
    format.width = static_cast<std::size_t>(width_);
    format.height = static_cast<std::size_t>(height_);
    format.bytesPerRow = format.width * 4;
    auto image = cg::Image::fromPixels(flipped.data(), flipped.size(), format);
    if (image) cg::writePNG(*image, std::string(folder) + "/" + name + ".png");
  }

 private:
  CSkyChart& chart_;
  int width_, height_;
  MGLRef<MGLEAGLContext> context_;
  GLuint framebuffer_ = 0, renderbuffer_ = 0;
  unsigned program_ = 0;
};

}  // namespace

std::unique_ptr<ChartCanvas> makeCanvas(Backend backend, CSkyChart& chart, int width, int height) {
  if (backend == Backend::gl) return std::make_unique<CanvasGL>(chart, width, height);
  return std::make_unique<Canvas2D>(chart, width, height);
}

#else

std::unique_ptr<ChartCanvas> makeCanvas(Backend backend, CSkyChart& chart, int width, int height) {
  if (backend == Backend::gl) return nullptr;
  return std::make_unique<Canvas2D>(chart, width, height);
}

#endif

}  // namespace chart_test
