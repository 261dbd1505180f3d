// Pictures drawn through the whole graphics layer on the software GPU
// (GLSL converted, state applied, the GPU rasterising) and read back as GL
// reads them, bottom row first. What they must show comes from outside the
// layer: Cairo's non-antialiased fills of the same shapes, GLU's own fans
// and strips, the published blending equations and depth-range mapping.
//
// Set TESSALY_GL_IMAGES to a folder to keep each picture as a PNG.
#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <random>
#include <string>
#include <vector>

#include "gles/context/errors.h"
#include "gles/render/encoder_states.h"
#include "gles/render/renderer.h"
#include "gles/render/vertex_array_object.h"
#include "gles/textures/framebuffer_attachment.h"
#include "gles/textures/texture.h"
#include "shadercompiler/optimizer/glsl_to_msl_converter.h"
#include "tests/gles/glu_primitives.h"
#include "tests/gles/shader_fixture.h"

namespace {

using tessaly::test::GluPoint;
using tessaly::test::GluPrimitive;
using Contours = std::vector<std::vector<GluPoint>>;

constexpr const char* kFlatVertex =
    "attribute vec4 a_position;\n"
    "void main() { gl_Position = a_position; }\n";
constexpr const char* kFlatFragment =
    "precision mediump float;\n"
    "uniform vec4 u_color;\n"
    "void main() { gl_FragColor = u_color; }\n";

// Red for front faces, green for back faces.
constexpr const char* kFacingFragment =
    "precision mediump float;\n"
    "void main() { gl_FragColor = gl_FrontFacing ? vec4(1.0, 0.0, 0.0, 1.0) : vec4(0.0, 1.0, 0.0, 1.0); }\n";

class ImageTest : public tessaly::test::ShaderTest {
 protected:
  // A framebuffer of width x height (with depth and stencil buffers when
  // asked) and a program of `fragment` current.
  void prepare(int width, int height, bool depth = false, const char* fragment = kFlatFragment,
               bool stencil = false) {
    width_ = width;
    height_ = height;
    framebuffer_ = makeFramebuffer(width, height, depth, stencil);
    context->updateSurfaceRect();
    use(kFlatVertex, fragment);
  }

  // A program of the two sources, linked and current.
  void use(const char* vertex, const char* fragment) {
    program_ = linkedProgram(vertex, fragment);
    ASSERT_TRUE(program_->isLinked()) << program_->infoLog();
    pipeline().setShaderProgram(program_);
    position_ = static_cast<GLuint>(program_->getLocationOfVertexAttributeNamed("a_position"));
  }

  void setColor(float r, float g, float b, float a) {
    const GLint l = program_->getLocationOfUniformNamed("u_color");
    ASSERT_GE(l, 0);
    const GLfloat rgba[4] = {r, g, b, a};
    program_->getUniformAtLocation(l)->setFloat4sAt(l, 1, rgba, renderer());
  }

  void clear(float r, float g, float b, float a, GLbitfield mask = GL_COLOR_BUFFER_BIT) {
    context->setClearColor({r, g, b, a});
    context->clearAttachments(mask);
  }

  // Clip coordinates of a point given in pixels (y up), at depth z_ndc.
  void put(std::vector<float>& out, double x, double y, double z = 0) const {
    out.insert(out.end(), {static_cast<float>(2 * x / width_ - 1), static_cast<float>(2 * y / height_ - 1),
                           static_cast<float>(z), 1.0f});
  }

  // Draws `xyzw` (clip coordinates, four floats a vertex) as `mode`.
  void draw(GLenum mode, std::vector<float> xyzw) {
    kept_.push_back(std::move(xyzw));
    MGLVertexArrayObject* vertices = pipeline().vertexArrayObject();
    vertices->bindVertices(kept_.back().data(), 4, GL_FLOAT, 0, false, position_);
    vertices->setShouldUsePerVertexContent(true, position_);
    renderer().drawPrimitives(mode, 0, static_cast<GLsizei>(kept_.back().size() / 4), 1);
    ASSERT_EQ(errorCode(), 0u) << errorText();
  }

  // A rectangle of pixels [x0, x1] x [y0, y1] as two triangles at depth z.
  void drawRect(double x0, double y0, double x1, double y1, double z = 0) {
    std::vector<float> v;
    for (auto [x, y] : {std::pair{x0, y0}, {x1, y0}, {x1, y1}, {x0, y0}, {x1, y1}, {x0, y1}}) put(v, x, y, z);
    draw(GL_TRIANGLES, std::move(v));
  }

  // What the draw framebuffer holds, RGBA, bottom row first.
  std::vector<std::uint8_t> read() {
    renderer().finishCommands();
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width_ * height_ * 4));
    context->currentDrawFramebuffer()->readPixelsFromRect({0, 0, width_, height_}, pixels.data(), GL_RGBA,
                                                          GL_UNSIGNED_BYTE, 4);
    EXPECT_EQ(errorCode(), 0u);
    return pixels;
  }
  const std::uint8_t* at(const std::vector<std::uint8_t>& pixels, int x, int y) const {
    return pixels.data() + 4 * (y * width_ + x);
  }

  // Keeps the picture as a PNG (top row first) when TESSALY_GL_IMAGES names
  // a folder.
  void keep(const std::vector<std::uint8_t>& pixels, const std::string& name) const {
    const char* folder = std::getenv("TESSALY_GL_IMAGES");
    if (folder == nullptr) return;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width_, height_);
    auto* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < height_; ++y) {
      auto* row = reinterpret_cast<std::uint32_t*>(data + stride * (height_ - 1 - y));
      for (int x = 0; x < width_; ++x) {
        const std::uint8_t* p = at(pixels, x, y);
        row[x] = (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
      }
    }
    cairo_surface_mark_dirty(surface);
    cairo_surface_write_to_png(surface, (std::string(folder) + "/" + name + ".png").c_str());
    cairo_surface_destroy(surface);
  }

  int width_ = 0, height_ = 0;
  MGLFramebuffer* framebuffer_ = nullptr;
  MGLShaderProgram* program_ = nullptr;
  GLuint position_ = 0;
  std::deque<std::vector<float>> kept_;
};

// --- Shapes against Cairo ----------------------------------------------------

// Cairo's non-antialiased, non-zero fill of `contours` (pixels, y up) as
// a mask, bottom row first: 1 where Cairo covers the pixel's centre.
std::vector<std::uint8_t> cairoMask(const Contours& contours, int width, int height) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, width, height);
  cairo_t* cr = cairo_create(surface);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  for (const auto& contour : contours) {
    for (std::size_t i = 0; i < contour.size(); ++i) {
      const double x = contour[i][0], y = height - contour[i][1];
      if (i == 0) cairo_move_to(cr, x, y); else cairo_line_to(cr, x, y);
    }
    cairo_close_path(cr);
  }
  cairo_fill(cr);
  cairo_surface_flush(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  std::vector<std::uint8_t> mask(static_cast<std::size_t>(width * height));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) mask[y * width + x] = data[stride * (height - 1 - y) + x] > 127;
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return mask;
}

// Distance from p to the segment a-b.
double distanceToSegment(GluPoint p, GluPoint a, GluPoint b) {
  const double dx = b[0] - a[0], dy = b[1] - a[1];
  const double length2 = dx * dx + dy * dy;
  double t = length2 > 0 ? ((p[0] - a[0]) * dx + (p[1] - a[1]) * dy) / length2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(p[0] - a[0] - t * dx, p[1] - a[1] - t * dy);
}

template <typename F>
void forEachEdge(const Contours& contours, F f) {
  for (const auto& c : contours) {
    for (std::size_t i = 0; i < c.size(); ++i) f(c[i], c[(i + 1) % c.size()]);
  }
}

double distanceToOutline(GluPoint p, const Contours& contours) {
  double best = INFINITY;
  forEachEdge(contours, [&](GluPoint a, GluPoint b) { best = std::min(best, distanceToSegment(p, a, b)); });
  return best;
}

// The non-zero rule at p, exactly: corners on a 1/8-pixel grid below 2^10
// make every product here exact in double. `onEdge` tells whether p lies
// on the outline, where GL's top-left rule decides.
bool insideNonZero(GluPoint p, const Contours& contours, bool* onEdge) {
  int winding = 0;
  *onEdge = false;
  forEachEdge(contours, [&](GluPoint a, GluPoint b) {
    const double cross = (b[0] - a[0]) * (p[1] - a[1]) - (b[1] - a[1]) * (p[0] - a[0]);
    if (cross == 0 && std::min(a[0], b[0]) <= p[0] && p[0] <= std::max(a[0], b[0]) &&
        std::min(a[1], b[1]) <= p[1] && p[1] <= std::max(a[1], b[1])) {
      *onEdge = true;
    }
    if (a[1] <= p[1] && p[1] < b[1] && cross > 0) ++winding;
    if (b[1] <= p[1] && p[1] < a[1] && cross < 0) --winding;
  });
  return winding != 0;
}

// Compares drawn pixels (red channel above half) with two outside answers
// for `contours`: the exact non-zero rule at each pixel centre, which they
// must match except for centres exactly on an edge (the top-left rule's
// ties), and Cairo's non-antialiased fill. Cairo works in 24.8 fixed point,
// rounds where edges begin and end to its rows and fills slivers narrower
// than a pixel near sharp corners, so it may differ from the exact answer
// at centres within a pixel of the outline; anywhere else all three agree.
// Returns the number of pixels where Cairo alone differs.
int expectSameCoverage(const std::vector<std::uint8_t>& pixels, const Contours& contours, int width,
                       int height, const std::string& what) {
  const std::vector<std::uint8_t> mask = cairoMask(contours, width, height);
  int wrong = 0, cairoWrong = 0, covered = 0, cairoNearMisses = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const GluPoint centre = {x + 0.5, y + 0.5};
      bool onEdge = false;
      const bool inside = insideNonZero(centre, contours, &onEdge);
      const bool drawn = pixels[4 * (y * width + x)] > 127;
      covered += inside;
      if (drawn != inside && !onEdge && wrong++ < 10) {
        ADD_FAILURE() << what << ": pixel " << x << "," << y << (drawn ? " drawn" : " not drawn")
                      << " but its centre lies " << (inside ? "inside" : "outside");
      }
      if (bool(mask[y * width + x]) == inside || onEdge) continue;
      if (distanceToOutline(centre, contours) < 1) {
        ++cairoNearMisses;
      } else if (cairoWrong++ < 10) {
        ADD_FAILURE() << what << ": Cairo " << (inside ? "leaves" : "fills") << " pixel " << x << "," << y
                      << " " << distanceToOutline(centre, contours) << " pixel from the outline";
      }
    }
  }
  EXPECT_EQ(wrong, 0) << what;
  EXPECT_EQ(cairoWrong, 0) << what;
  EXPECT_GT(covered, 0) << what;
  return cairoNearMisses;
}

// GLU's primitives as clip-space vertices of their own modes.
TEST_F(ImageTest, TessellatorFansAndStripsCoverWhatCairoFillsEachPixelOnce) {
  prepare(128, 128);
  // Corners on a 1/8-pixel grid, so the GPU's 1/256-pixel snapping keeps
  // them exactly where Cairo has them. A concave outline, and a frame with
  // a hole (the inner contour runs the other way round).
  const Contours concave = {{{8.25, 10.5}, {120.125, 12.75}, {96.5, 60.25}, {118.375, 110.5}, {64.5, 80.125},
                             {10.75, 118.875}, {34.25, 64.5}, {20.625, 40.375}}};
  const Contours frame = {{{6.5, 6.25}, {121.75, 6.25}, {121.75, 121.5}, {6.5, 121.5}},
                          {{30.125, 40.5}, {60.375, 100.25}, {97.5, 30.875}}};
  // Drawn with additive blending at 0.4: a pixel drawn twice would read 204.
  context->enableCapability(true, GL_BLEND);
  pipeline().setBlendFunc(GL_ONE, GL_ONE, GL_ONE, GL_ONE);
  setColor(0.4f, 0.4f, 0.4f, 1.0f);
  int fans = 0, strips = 0, lists = 0;
  for (const auto& [name, contours] : {std::pair{"concave", concave}, {"frame", frame}}) {
    const char* error = nullptr;
    const std::vector<GluPrimitive> primitives = tessaly::test::gluTessellateNonZero(contours, &error);
    ASSERT_EQ(error, nullptr) << error;
    clear(0, 0, 0, 1);
    for (const GluPrimitive& primitive : primitives) {
      fans += primitive.mode == GL_TRIANGLE_FAN;
      strips += primitive.mode == GL_TRIANGLE_STRIP;
      lists += primitive.mode == GL_TRIANGLES;
      std::vector<float> v;
      for (const GluPoint& p : primitive.points) put(v, p[0], p[1]);
      draw(primitive.mode, std::move(v));
    }
    const std::vector<std::uint8_t> pixels = read();
    keep(pixels, std::string("tessellated_") + name);
    int twice = 0;
    for (std::size_t i = 0; i < pixels.size(); i += 4) twice += pixels[i] != 0 && pixels[i] != 102;
    EXPECT_EQ(twice, 0) << name << ": pixels drawn other than once";
    // Red above half means drawn at least once; shift 102 above it.
    std::vector<std::uint8_t> drawn(pixels);
    for (std::size_t i = 0; i < drawn.size(); i += 4) drawn[i] = drawn[i] ? 255 : 0;
    EXPECT_LT(expectSameCoverage(drawn, contours, width_, height_, name), 8) << name;
  }
  // A mesh whose shared edges run through pixel centres, horizontal,
  // vertical and diagonal: every centre inside it is drawn exactly once
  // (the fill rule's ties go to one side only).
  clear(0, 0, 0, 1);
  std::vector<float> mesh;
  for (int i = 0; i < 5; ++i) {
    for (int j = 0; j < 4; ++j) {
      const double x0 = 8.5 + 20 * i, y0 = 8.5 + 20 * j, x1 = x0 + 20, y1 = y0 + 20;
      for (auto [x, y] : {std::pair{x0, y0}, {x1, y0}, {x1, y1}, {x0, y0}, {x1, y1}, {x0, y1}}) put(mesh, x, y);
    }
  }
  draw(GL_TRIANGLES, std::move(mesh));
  const std::vector<std::uint8_t> pixels = read();
  keep(pixels, "tessellated_mesh");
  int wrong = 0;
  for (int y = 9; y < 88; ++y) {
    for (int x = 9; x < 108; ++x) {
      if (at(pixels, x, y)[0] != 102 && wrong++ < 6) {
        ADD_FAILURE() << "mesh pixel " << x << "," << y << ": " << int(at(pixels, x, y)[0]);
      }
    }
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_GT(fans, 0) << "GLU handed back no fans";
  RecordProperty("glu_fans", fans);
  RecordProperty("glu_strips", strips);
  RecordProperty("glu_triangles", lists);
}

// Random star-shaped outlines (corners at increasing angles, radii between
// 8 and 60 pixels, on the 1/8 grid): concave in many places, tessellated by
// GLU into fans and strips. 24 in the suite; TESSALY_FULL_SWEEP=1 runs 600.
TEST_F(ImageTest, RandomConcaveOutlinesCoverWhatCairoFillsEachPixelOnce) {
  prepare(128, 128);
  context->enableCapability(true, GL_BLEND);
  pipeline().setBlendFunc(GL_ONE, GL_ONE, GL_ONE, GL_ONE);
  setColor(0.4f, 0.4f, 0.4f, 1.0f);
  const char* full = std::getenv("TESSALY_FULL_SWEEP");
  const int outlines = full != nullptr && *full == '1' ? 600 : 24;
  std::mt19937 random(0x7e55);
  auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random); };
  auto grid = [](double v) { return std::round(v * 8) / 8; };
  int fans = 0, strips = 0, cairoOnly = 0;
  long drawnPixels = 0;
  for (int n = 0; n < outlines; ++n) {
    const int corners = std::uniform_int_distribution<int>(5, 24)(random);
    // Jittered even angles keep every gap under half a turn: the centre
    // stays inside and no edges cross (crossings would make GLU add
    // corners off the grid, which the GPU then snaps).
    const double step = 2 * M_PI / corners;
    std::vector<double> angles;
    for (int k = 0; k < corners; ++k) angles.push_back(step * (k + uniform(-0.4, 0.4)));
    std::vector<GluPoint> outline;
    for (double a : angles) {
      const double r = uniform(8, 60);
      const GluPoint p = {grid(64 + r * std::cos(a)), grid(64 + r * std::sin(a))};
      if (outline.empty() || p != outline.back()) outline.push_back(p);
    }
    const Contours contours = {outline};
    const char* error = nullptr;
    const std::vector<GluPrimitive> primitives = tessaly::test::gluTessellateNonZero(contours, &error);
    ASSERT_EQ(error, nullptr) << error;
    clear(0, 0, 0, 1);
    for (const GluPrimitive& primitive : primitives) {
      fans += primitive.mode == GL_TRIANGLE_FAN;
      strips += primitive.mode == GL_TRIANGLE_STRIP;
      std::vector<float> v;
      for (const GluPoint& p : primitive.points) put(v, p[0], p[1]);
      draw(primitive.mode, std::move(v));
    }
    std::vector<std::uint8_t> pixels = read();
    if (n == 0) keep(pixels, "tessellated_random");
    int twice = 0;
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
      twice += pixels[i] != 0 && pixels[i] != 102;
      pixels[i] = pixels[i] ? 255 : 0;
    }
    EXPECT_EQ(twice, 0) << "outline " << n << ": pixels drawn other than once";
    cairoOnly += expectSameCoverage(pixels, contours, width_, height_, "outline " + std::to_string(n));
    for (std::size_t i = 0; i < pixels.size(); i += 4) drawnPixels += pixels[i] != 0;
    if (HasFailure()) break;
  }
  // Cairo's own misses stay rare: under one pixel in a hundred drawn.
  EXPECT_LT(cairoOnly * 100, drawnPixels);
  RecordProperty("outlines", outlines);
  RecordProperty("drawn_pixels", drawnPixels);
  RecordProperty("cairo_only_differences", cairoOnly);
  RecordProperty("glu_fans", fans);
  RecordProperty("glu_strips", strips);
  EXPECT_GT(fans, 0);
}

TEST_F(ImageTest, StripsAndLinesCoverWhatCairoFills) {
  prepare(96, 64);
  setColor(1, 1, 1, 1);
  clear(0, 0, 0, 1);

  // A ribbon of eight strip triangles; Cairo fills the same triangles.
  const std::vector<GluPoint> ribbon = {{4.25, 4.5},   {10.5, 20.75},  {22.125, 6.375}, {28.5, 24.25},
                                        {40.75, 3.125}, {46.375, 18.5}, {58.5, 9.25},   {63.125, 26.625},
                                        {74.25, 5.75},  {90.5, 21.375}};
  std::vector<float> v;
  Contours shapes;
  for (std::size_t i = 0; i < ribbon.size(); ++i) {
    put(v, ribbon[i][0], ribbon[i][1]);
    if (i >= 2) shapes.push_back({ribbon[i - 2], ribbon[i - 1], ribbon[i]});
  }
  draw(GL_TRIANGLE_STRIP, std::move(v));

  // Axis-aligned lines one pixel wide by the diamond-exit rule. A line at
  // height y (between pixel centres, off them by d) going right from xa
  // to xb makes the fragments whose centres xc satisfy xa < xc + r < xb,
  // r = 1/2 - |d|: Cairo fills the rectangle [xa - r, xb - r] x the row.
  // Going left, up or down mirrors that.
  auto lineCover = [](GluPoint a, GluPoint b) {
    const bool horizontal = a[1] == b[1];
    const int along = horizontal ? 0 : 1, across = 1 - along;
    const double c = a[across], row = std::floor(c), r = 0.5 - std::abs(c - (row + 0.5));
    const double s = b[along] > a[along] ? -r : r;
    const double lo = std::min(a[along], b[along]) + s, hi = std::max(a[along], b[along]) + s;
    std::vector<GluPoint> box;
    for (auto [u, w] : {std::pair{lo, row}, {hi, row}, {hi, row + 1}, {lo, row + 1}}) {
      box.push_back(horizontal ? GluPoint{u, w} : GluPoint{w, u});
    }
    return box;
  };
  // Lines: two separate segments; a strip of three; a closed loop.
  const std::vector<GluPoint> lines = {{4.25, 40.625}, {30.25, 40.625}, {36.375, 60.75}, {36.375, 33.75}};
  const std::vector<GluPoint> strip = {{44.25, 58.625}, {60.25, 58.625}, {60.25, 36.75}, {48.25, 36.75}};
  const std::vector<GluPoint> loop = {{68.375, 34.625}, {90.375, 34.625}, {90.375, 58.625}, {68.375, 58.625}};
  const std::vector<std::pair<GLenum, const std::vector<GluPoint>*>> drawn = {
      {GL_LINES, &lines}, {GL_LINE_STRIP, &strip}, {GL_LINE_LOOP, &loop}};
  for (const auto& [mode, points] : drawn) {
    std::vector<float> w;
    for (const GluPoint& p : *points) put(w, p[0], p[1]);
    draw(mode, std::move(w));
  }
  for (std::size_t i = 0; i + 1 < lines.size(); i += 2) shapes.push_back(lineCover(lines[i], lines[i + 1]));
  for (std::size_t i = 0; i + 1 < strip.size(); ++i) shapes.push_back(lineCover(strip[i], strip[i + 1]));
  for (std::size_t i = 0; i < loop.size(); ++i) shapes.push_back(lineCover(loop[i], loop[(i + 1) % loop.size()]));

  const std::vector<std::uint8_t> pixels = read();
  keep(pixels, "strips_and_lines");
  EXPECT_LT(expectSameCoverage(pixels, shapes, width_, height_, "strip and lines"), 8);
}

// --- Blending ----------------------------------------------------------------

// A blend factor of ES 2.0 (with EXT_blend_minmax's operations) in double.
std::array<double, 4> factor(GLenum f, const std::array<double, 4>& s, const std::array<double, 4>& d,
                             const std::array<double, 4>& c) {
  switch (f) {
    case GL_ZERO: return {0, 0, 0, 0};
    case GL_ONE: return {1, 1, 1, 1};
    case GL_SRC_COLOR: return s;
    case GL_ONE_MINUS_SRC_COLOR: return {1 - s[0], 1 - s[1], 1 - s[2], 1 - s[3]};
    case GL_DST_COLOR: return d;
    case GL_ONE_MINUS_DST_COLOR: return {1 - d[0], 1 - d[1], 1 - d[2], 1 - d[3]};
    case GL_SRC_ALPHA: return {s[3], s[3], s[3], s[3]};
    case GL_ONE_MINUS_SRC_ALPHA: return {1 - s[3], 1 - s[3], 1 - s[3], 1 - s[3]};
    case GL_DST_ALPHA: return {d[3], d[3], d[3], d[3]};
    case GL_ONE_MINUS_DST_ALPHA: return {1 - d[3], 1 - d[3], 1 - d[3], 1 - d[3]};
    case GL_CONSTANT_COLOR: return c;
    case GL_ONE_MINUS_CONSTANT_COLOR: return {1 - c[0], 1 - c[1], 1 - c[2], 1 - c[3]};
    case GL_CONSTANT_ALPHA: return {c[3], c[3], c[3], c[3]};
    case GL_ONE_MINUS_CONSTANT_ALPHA: return {1 - c[3], 1 - c[3], 1 - c[3], 1 - c[3]};
    case GL_SRC_ALPHA_SATURATE: {
      const double a = std::min(s[3], 1 - d[3]);
      return {a, a, a, 1};
    }
  }
  ADD_FAILURE() << "factor " << f;
  return {};
}

TEST_F(ImageTest, BlendingFollowsThePublishedEquations) {
  const std::vector<GLenum> sources = {
      GL_ZERO, GL_ONE, GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR, GL_DST_COLOR, GL_ONE_MINUS_DST_COLOR,
      GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_DST_ALPHA, GL_ONE_MINUS_DST_ALPHA, GL_CONSTANT_COLOR,
      GL_ONE_MINUS_CONSTANT_COLOR, GL_CONSTANT_ALPHA, GL_ONE_MINUS_CONSTANT_ALPHA, GL_SRC_ALPHA_SATURATE};
  const std::vector<GLenum> destinations(sources.begin(), sources.end() - 1);  // saturate: source only
  const std::vector<GLenum> equations = {GL_FUNC_ADD, GL_FUNC_SUBTRACT, GL_FUNC_REVERSE_SUBTRACT, GL_MIN_EXT,
                                         GL_MAX_EXT};
  prepare(static_cast<int>(sources.size()), static_cast<int>(destinations.size()));
  // The fragment's colour, the cleared colour (as stored: whole bytes) and
  // the constant colour; alpha pairs where min(As, 1 - Ad) picks As.
  const std::array<double, 4> s = {0.8, 0.3, 0.6, 0.35};
  const std::array<double, 4> d = {51 / 255.0, 230 / 255.0, 128 / 255.0, 102 / 255.0};
  const std::array<double, 4> c = {0.25, 0.5, 0.75, 0.6};
  context->blendColorState()->setBlendColor(GLfloat(c[0]), GLfloat(c[1]), GLfloat(c[2]), GLfloat(c[3]));
  setColor(GLfloat(s[0]), GLfloat(s[1]), GLfloat(s[2]), GLfloat(s[3]));
  context->enableCapability(true, GL_BLEND);
  int checked = 0;
  for (const GLenum equation : equations) {
    clear(GLfloat(d[0]), GLfloat(d[1]), GLfloat(d[2]), GLfloat(d[3]));
    pipeline().setBlendEquation(equation, equation);
    for (std::size_t i = 0; i < sources.size(); ++i) {
      for (std::size_t j = 0; j < destinations.size(); ++j) {
        pipeline().setBlendFunc(sources[i], sources[i], destinations[j], destinations[j]);
        drawRect(double(i), double(j), i + 1.0, j + 1.0);
      }
    }
    const std::vector<std::uint8_t> pixels = read();
    keep(pixels, "blend_" + std::to_string(equation));
    int wrong = 0;
    for (std::size_t i = 0; i < sources.size(); ++i) {
      for (std::size_t j = 0; j < destinations.size(); ++j) {
        const auto sf = factor(sources[i], s, d, c), df = factor(destinations[j], s, d, c);
        const std::uint8_t* p = at(pixels, int(i), int(j));
        for (int k = 0; k < 4; ++k) {
          double v = 0;
          switch (equation) {
            case GL_FUNC_ADD: v = s[k] * sf[k] + d[k] * df[k]; break;
            case GL_FUNC_SUBTRACT: v = s[k] * sf[k] - d[k] * df[k]; break;
            case GL_FUNC_REVERSE_SUBTRACT: v = d[k] * df[k] - s[k] * sf[k]; break;
            case GL_MIN_EXT: v = std::min(s[k], d[k]); break;
            case GL_MAX_EXT: v = std::max(s[k], d[k]); break;
          }
          const double want = std::clamp(v, 0.0, 1.0) * 255;
          ++checked;
          if (std::abs(p[k] - want) > 0.5 + 1e-3 && wrong++ < 8) {
            ADD_FAILURE() << "equation 0x" << std::hex << equation << " source 0x" << sources[i]
                          << " destination 0x" << destinations[j] << std::dec << " channel " << k << ": "
                          << int(p[k]) << " instead of " << want;
          }
        }
      }
    }
    EXPECT_EQ(wrong, 0) << "equation 0x" << std::hex << equation;
  }
  EXPECT_EQ(checked, 5 * 15 * 14 * 4);

  // Separate colour and alpha factors: colour by source alpha, alpha kept.
  clear(GLfloat(d[0]), GLfloat(d[1]), GLfloat(d[2]), GLfloat(d[3]));
  pipeline().setBlendEquation(GL_FUNC_ADD, GL_FUNC_ADD);
  pipeline().setBlendFunc(GL_SRC_ALPHA, GL_ZERO, GL_ONE_MINUS_SRC_ALPHA, GL_ONE);
  drawRect(0, 0, 1, 1);
  const std::vector<std::uint8_t> pixels = read();
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(pixels[k], (s[k] * s[3] + d[k] * (1 - s[3])) * 255, 0.5 + 1e-3) << k;
  EXPECT_EQ(pixels[3], 102);
}

// --- Depth range ---------------------------------------------------------------

// Depth range (0.2, 0.8): clip depths -1, 0 and 1 land at 0.2, 0.5 and 0.8,
// shown by reference planes just in front and just behind, drawn with the
// full range. A reversed range (0.8, 0.2) lands them the other way round.
TEST_F(ImageTest, DepthRangeMapsClipDepthOntoItsPlanes) {
  prepare(24, 8, /*depth=*/true);
  context->setClearDepth(1.0);
  context->enableCapability(true, GL_DEPTH_TEST);
  const double clipZ[3] = {-1, 0, 1};
  constexpr double kStep = 1.0 / 1024;
  struct Range {
    GLfloat nearValue, farValue;
    double depth[3];
  };
  for (const Range& range : {Range{0.2f, 0.8f, {0.2, 0.5, 0.8}}, Range{0.8f, 0.2f, {0.8, 0.5, 0.2}}}) {
    clear(0, 0, 0, 1, GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    context->depthStencilState()->setDepthFunction(GL_LESS);
    context->viewportState()->setDepthRange(range.nearValue, range.farValue);
    setColor(1, 0, 0, 1);
    for (int i = 0; i < 3; ++i) drawRect(8 * i, 0, 8 * i + 8, 8, clipZ[i]);

    context->viewportState()->setDepthRange(0.0f, 1.0f);
    auto planeAt = [](double d) { return 2 * d - 1; };
    for (int i = 0; i < 3; ++i) {
      const double d = range.depth[i];
      // Behind the stored depth with LESS, in front of it with GREATER:
      // both fail. The rows 0-3 and 4-7 carry the two checks.
      setColor(0, 0, 1, 1);
      context->depthStencilState()->setDepthFunction(GL_LESS);
      drawRect(8 * i, 0, 8 * i + 8, 4, planeAt(d + kStep));
      context->depthStencilState()->setDepthFunction(GL_GREATER);
      drawRect(8 * i, 4, 8 * i + 8, 8, planeAt(d - kStep));
      // In front with LESS passes, on the left half only.
      setColor(1, 1, 0, 1);
      context->depthStencilState()->setDepthFunction(GL_LESS);
      drawRect(8 * i, 0, 8 * i + 4, 8, planeAt(d - kStep));
    }
    const std::vector<std::uint8_t> pixels = read();
    keep(pixels, range.nearValue < range.farValue ? "depth_range" : "depth_range_reversed");
    int wrong = 0;
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 24; ++x) {
        const std::uint8_t* p = at(pixels, x, y);
        const bool yellow = x % 8 < 4;
        const std::array<int, 3> want = yellow ? std::array{255, 255, 0} : std::array{255, 0, 0};
        if ((p[0] != want[0] || p[1] != want[1] || p[2] != want[2]) && wrong++ < 6) {
          ADD_FAILURE() << "range " << range.nearValue << "-" << range.farValue << " pixel " << x << "," << y
                        << ": " << int(p[0]) << " " << int(p[1]) << " " << int(p[2]);
        }
      }
    }
    EXPECT_EQ(wrong, 0) << "range " << range.nearValue << "-" << range.farValue;
  }
}

// --- Culling, winding, scissor and viewport ------------------------------------

TEST_F(ImageTest, CullingAndWindingChooseTheFacesDrawn) {
  prepare(32, 16, false, kFacingFragment);
  // Left: counter-clockwise as seen (y up); right: clockwise.
  std::vector<float> ccw, cw;
  for (auto [x, y] : {std::pair{2.0, 2.0}, {14.0, 2.0}, {8.0, 14.0}}) put(ccw, x, y);
  for (auto [x, y] : {std::pair{18.0, 2.0}, {24.0, 14.0}, {30.0, 2.0}}) put(cw, x, y);
  struct Case {
    bool cull;
    GLenum mode, front;
    char left, right;  // 'r' front, 'g' back, '-' nothing
  };
  const Case cases[] = {
      {false, GL_BACK, GL_CCW, 'r', 'g'},         {false, GL_BACK, GL_CW, 'g', 'r'},
      {true, GL_BACK, GL_CCW, 'r', '-'},          {true, GL_BACK, GL_CW, '-', 'r'},
      {true, GL_FRONT, GL_CCW, '-', 'g'},         {true, GL_FRONT, GL_CW, 'g', '-'}};
  int n = 0;
  for (const Case& c : cases) {
    clear(0, 0, 0, 1);
    context->enableCapability(c.cull, GL_CULL_FACE);
    context->faceCullingState()->setFaceCullingMode(c.mode);
    context->frontFaceWindingState()->setFrontFaceWinding(c.front);
    draw(GL_TRIANGLES, ccw);
    draw(GL_TRIANGLES, cw);
    const std::vector<std::uint8_t> pixels = read();
    keep(pixels, "faces_" + std::to_string(n++));
    auto seen = [&](int x, int y) {
      const std::uint8_t* p = at(pixels, x, y);
      return p[0] == 255 && p[1] == 0 ? 'r' : p[1] == 255 && p[0] == 0 ? 'g' : p[0] + p[1] + p[2] == 0 ? '-' : '?';
    };
    EXPECT_EQ(seen(8, 6), c.left) << "case " << n;
    EXPECT_EQ(seen(24, 6), c.right) << "case " << n;
    // Outside both triangles nothing is drawn.
    EXPECT_EQ(seen(1, 15), '-');
    EXPECT_EQ(seen(16, 8), '-');
  }
  // Metal cannot cull both faces: refused, the last mode (front) stays.
  context->faceCullingState()->setFaceCullingMode(GL_FRONT_AND_BACK);
  EXPECT_EQ(errorCode(), static_cast<GLenum>(GL_INVALID_ENUM));
  clear(0, 0, 0, 1);
  draw(GL_TRIANGLES, ccw);
  draw(GL_TRIANGLES, cw);
  const std::vector<std::uint8_t> pixels = read();
  EXPECT_EQ(at(pixels, 8, 6)[1], 255);  // the back face of the left triangle
  EXPECT_EQ(at(pixels, 24, 6)[0], 0);
}

TEST_F(ImageTest, ScissorAndViewportKeepDrawsInsideTheirBoxes) {
  prepare(40, 30);
  setColor(1, 0, 0, 1);
  struct Case {
    MGLRect viewport, scissor;
    bool crop;
    MGLRect expected;  // what the full-viewport quad covers, from the bottom left
  };
  const Case cases[] = {
      {{0, 0, 40, 30}, {5, 3, 12, 9}, true, {5, 3, 12, 9}},
      {{0, 0, 40, 30}, {30, 20, 20, 20}, true, {30, 20, 10, 10}},  // half off the surface
      {{0, 0, 40, 30}, {5, 3, 12, 9}, false, {0, 0, 40, 30}},
      {{8, 4, 16, 8}, {0, 0, 40, 30}, false, {8, 4, 16, 8}},
      {{8, 4, 16, 8}, {12, 0, 40, 6}, true, {12, 4, 12, 2}},
  };
  int n = 0;
  for (const Case& c : cases) {
    // The whole target cleared first: a clear, like a draw, stays inside
    // the scissor box.
    context->enableCapability(false, GL_SCISSOR_TEST);
    clear(0, 0, 0, 1);
    context->viewportState()->setViewport(c.viewport);
    context->scissorState()->setScissorRect(c.scissor);
    context->enableCapability(c.crop, GL_SCISSOR_TEST);
    std::vector<float> quad;
    for (auto [x, y] : {std::pair{-1.f, -1.f}, {1.f, -1.f}, {1.f, 1.f}, {-1.f, -1.f}, {1.f, 1.f}, {-1.f, 1.f}}) {
      quad.insert(quad.end(), {x, y, 0.f, 1.f});
    }
    draw(GL_TRIANGLES, std::move(quad));
    const std::vector<std::uint8_t> pixels = read();
    keep(pixels, "scissor_" + std::to_string(n++));
    int wrong = 0;
    for (int y = 0; y < 30; ++y) {
      for (int x = 0; x < 40; ++x) {
        const MGLRect& e = c.expected;
        const bool inside = x >= e.x && x < e.x + e.width && y >= e.y && y < e.y + e.height;
        if ((at(pixels, x, y)[0] == 255) != inside && wrong++ < 4) {
          ADD_FAILURE() << "case " << n << " pixel " << x << "," << y << (inside ? " missing" : " drawn");
        }
      }
    }
    EXPECT_EQ(wrong, 0) << "case " << n;
  }
}

// A clear is limited by the scissor test as a draw is (OpenGL ES 2.0, 4.2.3:
// "the pixel ownership test, the scissor test, dithering, and the buffer
// writemasks" apply to Clear): with the test on, colour, depth and stencil
// change inside the box only, and a box off the target clears nothing. The
// depth and stencil left behind are read by draws after the clear. Before:
// the whole target was cleared.
TEST_F(ImageTest, AScissoredClearClearsOnlyTheBox) {
  constexpr int kW = 16, kH = 8;
  prepare(kW, kH, /*depth=*/true, kFlatFragment, /*stencil=*/true);
  MGLRect box{3, 2, 5, 4};
  context->setClearDepth(1.0);
  context->setClearStencil(0);
  clear(1, 0, 0, 1, GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  context->enableCapability(true, GL_SCISSOR_TEST);
  context->scissorState()->setScissorRect({kW + 4, 0, 3, 3});  // off the target
  clear(0, 0, 1, 1);
  context->scissorState()->setScissorRect(box);
  context->setClearDepth(0.25);
  context->setClearStencil(7);
  clear(0, 1, 0, 1, GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  auto inBox = [&](int x, int y) {
    return x >= box.x && x < box.x + box.width && y >= box.y && y < box.y + box.height;
  };
  int wrong = 0;
  // One colour in the box, another everywhere else.
  auto expectColours = [&](const char* what, std::array<int, 3> in, std::array<int, 3> out) {
    const std::vector<std::uint8_t> pixels = read();
    keep(pixels, std::string("scissored_clear_") + what);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        const std::uint8_t* p = at(pixels, x, y);
        const std::array<int, 3> want = inBox(x, y) ? in : out;
        if ((p[0] != want[0] || p[1] != want[1] || p[2] != want[2]) && wrong++ < 12)
          ADD_FAILURE() << what << " " << x << "," << y << ": " << int(p[0]) << " " << int(p[1]) << " "
                        << int(p[2]);
      }
  };
  expectColours("cleared", {0, 255, 0}, {255, 0, 0});
  // Blue at window depth 0.5 passes LESS only where the depth is still 1;
  // yellow in front passes the stencil test EQUAL 7 only in the box.
  context->enableCapability(false, GL_SCISSOR_TEST);
  context->enableCapability(true, GL_DEPTH_TEST);
  context->depthStencilState()->setDepthFunction(GL_LESS);
  setColor(0, 0, 1, 1);
  drawRect(0, 0, kW, kH, 0.0);
  context->enableCapability(true, GL_STENCIL_TEST);
  context->depthStencilState()->setStencilFunction(GL_FRONT_AND_BACK, GL_EQUAL, 7, 0xFF);
  setColor(1, 1, 0, 1);
  drawRect(0, 0, kW, kH, -1.0);
  expectColours("depth_stencil", {255, 255, 0}, {0, 0, 255});
  // A box across the whole width still leaves the other rows.
  context->enableCapability(false, GL_STENCIL_TEST);
  context->enableCapability(false, GL_DEPTH_TEST);
  clear(1, 0, 0, 1);
  context->enableCapability(true, GL_SCISSOR_TEST);
  box = {0, 5, kW, 2};
  context->scissorState()->setScissorRect(box);
  clear(0, 0, 1, 1);
  expectColours("rows", {0, 0, 255}, {255, 0, 0});
  EXPECT_EQ(wrong, 0);
}

// Stencil operations at the ends of the 8-bit range through real draws
// (OpenGL ES 2.0, 4.1.4): DECR clamps at 0 and INCR at 255, DECR_WRAP and
// INCR_WRAP wrap round. The value left is found by a second draw that
// passes only where the stencil equals the expected value.
TEST_F(ImageTest, StencilDecrementsAndIncrementsClampOrWrapAtTheEnds) {
  constexpr int kW = 8, kH = 4;
  prepare(kW, kH, /*depth=*/false, kFlatFragment, /*stencil=*/true);
  struct Case {
    GLenum operation;
    GLuint start, expected;
  };
  const Case cases[] = {{GL_DECR, 0, 0}, {GL_DECR_WRAP, 0, 255}, {GL_INCR, 255, 255},
                        {GL_INCR_WRAP, 255, 0}, {GL_DECR, 1, 0}};
  for (const Case& c : cases) {
    context->enableCapability(false, GL_STENCIL_TEST);
    context->setClearStencil(c.start);
    clear(0, 0, 0, 1, GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    context->enableCapability(true, GL_STENCIL_TEST);
    context->depthStencilState()->setStencilFunction(GL_FRONT_AND_BACK, GL_ALWAYS, 0, 0xFF);
    context->depthStencilState()->setStencilOperations(GL_FRONT_AND_BACK, GL_KEEP, GL_KEEP, c.operation);
    setColor(1, 0, 0, 1);
    drawRect(0, 0, kW, kH);
    context->depthStencilState()->setStencilOperations(GL_FRONT_AND_BACK, GL_KEEP, GL_KEEP, GL_KEEP);
    context->depthStencilState()->setStencilFunction(GL_FRONT_AND_BACK, GL_EQUAL,
                                                     static_cast<GLint>(c.expected), 0xFF);
    setColor(0, 1, 0, 1);
    drawRect(0, 0, kW, kH);
    const std::vector<std::uint8_t> pixels = read();
    int green = 0;
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) green += at(pixels, x, y)[1] == 255 && at(pixels, x, y)[0] == 0;
    EXPECT_EQ(green, kW * kH) << mglGLEnumName(c.operation) << " from " << c.start;
  }
}

// Points: squares of gl_PointSize pixels centred on the vertex, with
// gl_PointCoord running from the upper left (ES 2.0's origin) and every
// point front-facing.
TEST_F(ImageTest, PointsAreSquaresWithTheirCoordinatesFromTheUpperLeft) {
  prepare(32, 16);
  use("attribute vec4 a_position;\n"
      "void main() { gl_PointSize = a_position.z; gl_Position = vec4(a_position.xy, 0.0, 1.0); }\n",
      "precision highp float;\n"
      "void main() { gl_FragColor = vec4(gl_PointCoord, gl_FrontFacing ? 1.0 : 0.0, 1.0); }\n");
  clear(0, 0, 0, 1);
  // An 8-pixel point centred at (8, 8) and a 1-pixel one at (24.5, 4.5):
  // z carries the size here.
  std::vector<float> v;
  put(v, 8, 8);
  v[2] = 8;
  put(v, 24.5, 4.5);
  v[6] = 1;
  draw(GL_POINTS, std::move(v));
  const std::vector<std::uint8_t> pixels = read();
  keep(pixels, "points");
  int wrong = 0;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 32; ++x) {
      const std::uint8_t* p = at(pixels, x, y);
      std::array<int, 3> want = {0, 0, 0};
      if (x >= 4 && x < 12 && y >= 4 && y < 12) {
        // s from the left edge, t from the top edge (GL row 11 is the top).
        want = {static_cast<int>(std::lround((x - 4 + 0.5) / 8 * 255)),
                static_cast<int>(std::lround((11 - y + 0.5) / 8 * 255)), 255};
      } else if (x == 24 && y == 4) {
        want = {128, 128, 255};
      }
      for (int k = 0; k < 3; ++k) {
        if (std::abs(p[k] - want[k]) > 1 && wrong++ < 6) {
          ADD_FAILURE() << "pixel " << x << "," << y << " channel " << k << ": " << int(p[k]) << " not " << want[k];
        }
      }
    }
  }
  EXPECT_EQ(wrong, 0);
}

// gl_FragCoord holds window coordinates with the origin at the lower left
// and pixel centres at half-integers (OpenGL ES 2.0, 3.8.2; GLSL ES 1.00,
// 7.2): the fragment in GL row 0 of an 8-row target sees y = 0.5, whatever
// the viewport. Before: 7.5, Metal's row counted from the top.
TEST_F(ImageTest, FragCoordCountsRowsFromTheBottomOfTheTarget) {
  constexpr int kW = 16, kH = 8;
  prepare(kW, kH, false,
          "precision highp float;\n"
          "void main() { gl_FragColor = vec4(gl_FragCoord.x / 16.0, gl_FragCoord.y / 8.0, 0.0, 1.0); }\n");
  // The height the layer passes is no uniform of the program's.
  EXPECT_EQ(program_->getUniformNamed(kMGLTargetHeightUniform), nullptr);
  for (const MGLRect viewport : {MGLRect{0, 0, kW, kH}, MGLRect{0, 2, kW, 4}}) {
    clear(0, 0, 0, 0);
    context->viewportState()->setViewport(viewport);
    std::vector<float> v;
    for (auto [x, y] : {std::pair{-1, -1}, {1, -1}, {1, 1}, {-1, -1}, {1, 1}, {-1, 1}})
      v.insert(v.end(), {float(x), float(y), 0.0f, 1.0f});
    draw(GL_TRIANGLES, std::move(v));
    const std::vector<std::uint8_t> drawn = read();
    keep(drawn, "frag_coord");
    int checked = 0;
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        const std::uint8_t* p = at(drawn, x, y);
        if (y < viewport.y || y >= viewport.y + viewport.height) {
          EXPECT_EQ(p[3], 0) << x << "," << y << " outside the viewport";
          continue;
        }
        EXPECT_NEAR(p[0], std::lround(255 * (x + 0.5) / kW), 1) << x << "," << y;
        EXPECT_NEAR(p[1], std::lround(255 * (y + 0.5) / kH), 1) << x << "," << y;
        ++checked;
      }
    EXPECT_EQ(checked, kW * viewport.height);
  }
}

// --- Drawn pixels read back ---------------------------------------------------

// A texture drawn into and read back, then sampled by a second draw: the
// rows stay GL's (row 0 at the bottom) through the attachment, the read and
// the sampler, and bilinear filtering gives the published weights.
TEST_F(ImageTest, ATextureDrawnIntoReadsBackAndSamplesAsGLOrdersItsRows) {
  constexpr int kW = 16, kH = 8;
  const GLID name = context->textures()->generateGLID();
  auto* texture = static_cast<MGLTexture*>(context->textures()->getObjectWithGLID(name));
  context->textureUnits2D()->bindTexture(texture, 1);
  texture->setContent(nullptr, GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{kW, kH}, GL_TEXTURE_2D, 0, *context);
  texture->setParameter(GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  texture->setParameter(GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  texture->setParameter(GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  texture->setParameter(GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  ASSERT_EQ(errorCode(), 0u);

  // Pass 1: a gradient of window positions into the texture.
  const GLID target = context->framebuffers()->generateGLID();
  context->bindDrawFramebuffer(target);
  MGLRef<MGLTextureFramebufferAttachment> attachment =
      mglMake<MGLTextureFramebufferAttachment>(texture, GL_TEXTURE_2D, 0);
  context->currentDrawFramebuffer()->attach(attachment.get(), GL_COLOR_ATTACHMENT0, *context);
  context->updateSurfaceRect();
  width_ = kW;
  height_ = kH;
  // Across from the window position, up from a varying.
  use("attribute vec4 a_position;\n"
      "varying float v_up;\n"
      "void main() { v_up = a_position.y * 0.5 + 0.5; gl_Position = a_position; }\n",
      "precision highp float;\n"
      "varying float v_up;\n"
      "void main() { gl_FragColor = vec4(gl_FragCoord.x / 16.0, v_up, 0.25, 1.0); }\n");
  clear(0, 0, 0, 0);
  drawRect(0, 0, kW, kH);
  const std::vector<std::uint8_t> drawn = read();
  keep(drawn, "drawn_texture");
  auto channel = [](double v) { return static_cast<int>(std::lround(v * 255)); };
  int wrong = 0;
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      const std::uint8_t* p = at(drawn, x, y);
      const int want[4] = {channel((x + 0.5) / kW), channel((y + 0.5) / kH), channel(0.25), 255};
      for (int k = 0; k < 4; ++k) {
        if (std::abs(p[k] - want[k]) > 1 && wrong++ < 6) {
          ADD_FAILURE() << "texel " << x << "," << y << " channel " << k << ": " << int(p[k]) << " not " << want[k];
        }
      }
    }
  }
  EXPECT_EQ(wrong, 0);

  // Pass 2: the texture magnified twice onto a renderbuffer, sampled
  // through texture coordinates that run 0..1 across the target.
  constexpr int kOutW = 2 * kW, kOutH = 2 * kH;
  makeFramebuffer(kOutW, kOutH);
  context->updateSurfaceRect();
  width_ = kOutW;
  height_ = kOutH;
  use("attribute vec4 a_position;\n"
      "varying vec2 v_uv;\n"
      "void main() { v_uv = a_position.xy * 0.5 + 0.5; gl_Position = a_position; }\n",
      "precision highp float;\n"
      "uniform sampler2D u_texture;\n"
      "varying vec2 v_uv;\n"
      "void main() { gl_FragColor = texture2D(u_texture, v_uv); }\n");
  const GLint l = program_->getLocationOfUniformNamed("u_texture");
  ASSERT_GE(l, 0);
  const GLint unit = 1;
  program_->getUniformAtLocation(l)->setIntsAt(l, 1, &unit, renderer());
  program_->setWasTextureChanged(true);
  clear(0, 0, 0, 0);
  drawRect(0, 0, kOutW, kOutH);
  const std::vector<std::uint8_t> sampled = read();
  keep(sampled, "sampled_texture");

  // Bilinear filtering of the texels read back in pass 1 (ES 2.0's
  // formula: i0 = floor(u * size - 1/2), clamped to the edge).
  auto texel = [&](int x, int y, int k) {
    return drawn[4 * (std::clamp(y, 0, kH - 1) * kW + std::clamp(x, 0, kW - 1)) + k] / 255.0;
  };
  wrong = 0;
  for (int y = 0; y < kOutH; ++y) {
    for (int x = 0; x < kOutW; ++x) {
      const double u = (x + 0.5) / kOutW * kW - 0.5, v = (y + 0.5) / kOutH * kH - 0.5;
      const int i0 = static_cast<int>(std::floor(u)), j0 = static_cast<int>(std::floor(v));
      const double a = u - i0, b = v - j0;
      for (int k = 0; k < 4; ++k) {
        const double want = 255 * ((1 - a) * (1 - b) * texel(i0, j0, k) + a * (1 - b) * texel(i0 + 1, j0, k) +
                                   (1 - a) * b * texel(i0, j0 + 1, k) + a * b * texel(i0 + 1, j0 + 1, k));
        const std::uint8_t got = at(sampled, x, y)[k];
        if (std::abs(got - want) > 1 && wrong++ < 6) {
          ADD_FAILURE() << "pixel " << x << "," << y << " channel " << k << ": " << int(got) << " not " << want;
        }
      }
    }
  }
  EXPECT_EQ(wrong, 0);
}

}  // namespace
