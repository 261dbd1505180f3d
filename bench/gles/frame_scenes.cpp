#include "bench/gles/frame_scenes.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>

#include "gles/context/eagl.h"
#include "gles/context/gl.h"
#include "gles/context/gl_enums.h"
#include "gles/context/log.h"

namespace frame_bench {
namespace {

constexpr int kStars = 10000, kSkySegments = 3000;
constexpr int kTriangles = 100000, kSprites = 50000, kChartSegments = 10000;
constexpr int kTextureSize = 256, kSpriteSize = 32;

std::string readFile(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

GLuint compile(GLenum type, const std::string& source) {
  const GLuint shader = glCreateShader(type);
  const char* text = source.c_str();
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint status = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
  if (status == 0) throw std::runtime_error("the chart's shader did not compile");
  return shader;
}

class Scatter {
 public:
  Scatter(unsigned seed, int width, int height) : rng_(seed), width_(width), height_(height) {}
  float unit() { return unit_(rng_); }
  float between(float a, float b) { return a + (b - a) * unit(); }
  float x() { return unit() * static_cast<float>(width_); }
  float y() { return unit() * static_cast<float>(height_); }

 private:
  std::mt19937 rng_;
  std::uniform_real_distribution<float> unit_{0.0f, 1.0f};
  int width_, height_;
};

void pushColor(SceneBatch& b, const float rgba[4], int vertices) {
  for (int k = 0; k < vertices; ++k) b.colors.insert(b.colors.end(), rgba, rgba + 4);
}

// Two triangles covering the square of side `size` centred on (cx, cy),
// texture coordinates running over the whole texture.
void pushSquare(SceneBatch& b, float cx, float cy, float size, const float rgba[4]) {
  const float h = size / 2;
  const float corners[6][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, -1}, {1, 1}, {-1, 1}};
  for (const auto& c : corners) {
    b.positions.push_back(cx + c[0] * h);
    b.positions.push_back(cy + c[1] * h);
    b.texCoords.push_back((c[0] + 1) / 2);
    b.texCoords.push_back((c[1] + 1) / 2);
  }
  pushColor(b, rgba, 6);
}

void pushSegments(std::vector<SceneBatch>& out, Scatter& s, int count, int perDraw) {
  for (int first = 0; first < count; first += perDraw) {
    SceneBatch b;
    b.mode = GL_LINES;
    for (int i = first; i < std::min(count, first + perDraw); ++i) {
      const float x = s.x(), y = s.y(), length = s.between(10, 200), angle = s.between(0, 6.2831853f);
      b.positions.insert(b.positions.end(), {x, y, x + length * std::cos(angle), y + length * std::sin(angle)});
      const float grey = s.between(0.3f, 1.0f), rgba[4] = {grey, grey, s.unit(), s.between(0.4f, 1.0f)};
      pushColor(b, rgba, 2);
    }
    out.push_back(std::move(b));
  }
}

void pushStars(std::vector<SceneBatch>& out, Scatter& s, int count, int perDraw, float minSize,
               float maxSize, bool sprites) {
  for (int first = 0; first < count; first += perDraw) {
    SceneBatch b;
    b.mode = GL_TRIANGLES;
    b.textured = b.additive = sprites;
    b.texture = 1;
    for (int i = first; i < std::min(count, first + perDraw); ++i) {
      const float rgba[4] = {s.between(0.5f, 1), s.between(0.5f, 1), s.between(0.5f, 1), s.between(0.3f, 1)};
      pushSquare(b, s.x(), s.y(), s.between(minSize, maxSize), rgba);
    }
    out.push_back(std::move(b));
  }
}

// Equilateral triangles of 10 to 50 pixels, about a texel per pixel, as a
// label or an image maps its texture.
void pushTriangles(std::vector<SceneBatch>& out, Scatter& s, int count, int perDraw) {
  for (int first = 0; first < count; first += perDraw) {
    SceneBatch b;
    b.mode = GL_TRIANGLES;
    b.textured = true;
    for (int i = first; i < std::min(count, first + perDraw); ++i) {
      const float cx = s.x(), cy = s.y(), angle = s.between(0, 6.2831853f);
      const float r = std::sqrt(s.between(10, 50) / 1.299f);
      const float u0 = s.unit(), v0 = s.unit();
      const float rgba[4] = {s.unit(), s.unit(), s.unit(), s.between(0.25f, 1)};
      for (int k = 0; k < 3; ++k) {
        const float t = angle + 2.0943951f * static_cast<float>(k);
        const float dx = r * std::cos(t), dy = r * std::sin(t);
        b.positions.insert(b.positions.end(), {cx + dx, cy + dy});
        b.texCoords.insert(b.texCoords.end(), {u0 + dx / kTextureSize, v0 + dy / kTextureSize});
      }
      pushColor(b, rgba, 3);
    }
    out.push_back(std::move(b));
  }
}

std::vector<std::uint8_t> noiseTexels(unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<std::uint8_t> texels(std::size_t{kTextureSize} * kTextureSize * 4);
  for (auto& t : texels) t = static_cast<std::uint8_t>(rng());
  return texels;
}

// A round glow, brightest in the middle, as a star sprite.
std::vector<std::uint8_t> glowTexels() {
  std::vector<std::uint8_t> texels(std::size_t{kSpriteSize} * kSpriteSize * 4);
  for (int y = 0; y < kSpriteSize; ++y) {
    for (int x = 0; x < kSpriteSize; ++x) {
      const float dx = (x + 0.5f) / kSpriteSize - 0.5f, dy = (y + 0.5f) / kSpriteSize - 0.5f;
      const float glow = std::max(0.0f, 1 - 2 * std::sqrt(dx * dx + dy * dy));
      std::uint8_t* t = &texels[(static_cast<std::size_t>(y) * kSpriteSize + x) * 4];
      t[0] = t[1] = t[2] = 255;
      t[3] = static_cast<std::uint8_t>(std::lround(255 * glow));
    }
  }
  return texels;
}

GLuint makeTexture(const std::vector<std::uint8_t>& texels, int size) {
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, size, size, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  return name;
}

}  // namespace

struct GLFrame::GL {
  MGLRef<MGLEAGLContext> context;
  GLuint framebuffer = 0, color = 0, depth = 0, program = 0;
  GLuint textures[2] = {};
  GLint position = -1, colorAttribute = -1, texCoord = -1, useTexture = -1;
};

GLFrame::GLFrame(SceneKind kind, int width, int height, const char* shaderFolder)
    : gl_(std::make_unique<GL>()), width_(width), height_(height) {
  mglLoggingEnabled = false;
  gl_->context = MGLEAGLContext::initWithAPI(kEAGLRenderingAPIOpenGLES2);
  MGLEAGLContext::setCurrentContext(gl_->context.get());
  glGenFramebuffers(1, &gl_->framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, gl_->framebuffer);
  glGenRenderbuffers(1, &gl_->color);
  glBindRenderbuffer(GL_RENDERBUFFER, gl_->color);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8_OES, width, height);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, gl_->color);
  glGenRenderbuffers(1, &gl_->depth);
  glBindRenderbuffer(GL_RENDERBUFFER, gl_->depth);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, width, height);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, gl_->depth);
  if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
    throw std::runtime_error("the frame's framebuffer is not complete");
  }
  glViewport(0, 0, width, height);

  const std::string folder = shaderFolder;
  const GLuint vertex = compile(GL_VERTEX_SHADER, readFile(folder + "/VertexShader.glsl"));
  const GLuint fragment = compile(GL_FRAGMENT_SHADER, readFile(folder + "/FragmentShader.glsl"));
  gl_->program = glCreateProgram();
  glAttachShader(gl_->program, vertex);
  glAttachShader(gl_->program, fragment);
  glLinkProgram(gl_->program);
  glDeleteShader(vertex);
  glDeleteShader(fragment);
  GLint linked = 0;
  glGetProgramiv(gl_->program, GL_LINK_STATUS, &linked);
  if (linked == 0) throw std::runtime_error("the chart's program did not link");
  glUseProgram(gl_->program);
  gl_->position = glGetAttribLocation(gl_->program, "a_Position");
  gl_->colorAttribute = glGetAttribLocation(gl_->program, "a_Color");
  gl_->texCoord = glGetAttribLocation(gl_->program, "a_TexCoord");
  gl_->useTexture = glGetUniformLocation(gl_->program, "u_UseTexture");
  glUniform1i(glGetUniformLocation(gl_->program, "texture"), 0);
  // Pixels to clip space, y down, as the chart's frame matrix.
  const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  const float pixels[16] = {2.0f / static_cast<float>(width), 0, 0, 0, 0, -2.0f / static_cast<float>(height),
                            0, 0, 0, 0, 1, 0, -1, 1, 0, 1};
  glUniformMatrix4fv(glGetUniformLocation(gl_->program, "u_MVMatrix"), 1, GL_FALSE, identity);
  glUniformMatrix4fv(glGetUniformLocation(gl_->program, "u_MVPMatrix"), 1, GL_FALSE, pixels);
  glActiveTexture(GL_TEXTURE0);
  gl_->textures[0] = makeTexture(noiseTexels(11), kTextureSize);
  gl_->textures[1] = makeTexture(glowTexels(), kSpriteSize);

  Scatter s(2718, width, height);
  if (kind == SceneKind::sky) {
    pushStars(batches_, s, kStars, 2500, 2, 6, false);
    pushSegments(batches_, s, kSkySegments, 1500);
  } else if (kind == SceneKind::chart) {
    pushTriangles(batches_, s, kTriangles, 10000);
    pushStars(batches_, s, kSprites, 5000, 3, 8, true);
    pushSegments(batches_, s, kChartSegments, 5000);
  }
  if (glGetError() != GL_NO_ERROR) throw std::runtime_error("the frame's set-up failed");
}

GLFrame::~GLFrame() {
  glDeleteTextures(2, gl_->textures);
  glDeleteProgram(gl_->program);
  glDeleteRenderbuffers(1, &gl_->color);
  glDeleteRenderbuffers(1, &gl_->depth);
  glDeleteFramebuffers(1, &gl_->framebuffer);
  MGLEAGLContext::setCurrentContext(nullptr);
}

bool GLFrame::draw(std::uint8_t* pixels) {
  // The chart's frame: depth cleared and its test off, blending per batch.
  glClearDepthf(1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glDisable(GL_DEPTH_TEST);
  for (const SceneBatch& b : batches_) {
    glEnable(GL_BLEND);
    glBlendFunc(b.additive ? GL_ONE : GL_SRC_ALPHA, b.additive ? GL_ONE : GL_ONE_MINUS_SRC_ALPHA);
    glEnableVertexAttribArray(static_cast<GLuint>(gl_->position));
    glVertexAttribPointer(static_cast<GLuint>(gl_->position), 2, GL_FLOAT, GL_FALSE, 0, b.positions.data());
    glEnableVertexAttribArray(static_cast<GLuint>(gl_->colorAttribute));
    glVertexAttribPointer(static_cast<GLuint>(gl_->colorAttribute), 4, GL_FLOAT, GL_FALSE, 0, b.colors.data());
    if (b.textured) {
      glBindTexture(GL_TEXTURE_2D, gl_->textures[b.texture]);
      glEnableVertexAttribArray(static_cast<GLuint>(gl_->texCoord));
      glVertexAttribPointer(static_cast<GLuint>(gl_->texCoord), 2, GL_FLOAT, GL_FALSE, 0, b.texCoords.data());
      glUniform1i(gl_->useTexture, 1);
    }
    glDrawArrays(b.mode, 0, static_cast<GLsizei>(b.positions.size() / 2));
    if (b.textured) {
      glDisableVertexAttribArray(static_cast<GLuint>(gl_->texCoord));
      glUniform1i(gl_->useTexture, 0);
    }
    glDisableVertexAttribArray(static_cast<GLuint>(gl_->position));
    glDisableVertexAttribArray(static_cast<GLuint>(gl_->colorAttribute));
    glDisable(GL_BLEND);
  }
  glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
  return glGetError() == GL_NO_ERROR;
}

}  // namespace frame_bench
