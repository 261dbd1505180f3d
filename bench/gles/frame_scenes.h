// Whole frames of the chart's kind, drawn through the GL entry points with
// the chart's own shader pair into an offscreen RGBA8 colour renderbuffer
// with a 16-bit depth renderbuffer, each ended by glReadPixels of the whole
// frame, as the chart's snapshots and a new user's timing read it back:
//   - clear: glClear of colour and depth, nothing drawn;
//   - sky: 10,000 untextured, blended stars as squares of 2 to 6 pixels and
//     3,000 one-pixel line segments;
//   - chart: 100,000 textured, blended triangles of 10 to 50 pixels (a 256 x
//     256 texture, linear, clamped), 50,000 additive star sprites as
//     textured squares of 3 to 8 pixels and 10,000 line segments.
// Geometry comes from a fixed seed and stays in client arrays, which the
// GL layer copies every frame, as the chart's vertex buffers do.
//
// Thread rules: a frame makes its own context current on the constructing
// thread and must be drawn and destroyed there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace frame_bench {

enum class SceneKind : int { clear = 0, sky = 1, chart = 2 };

// The frame's geometry, made once from the seed.
struct SceneBatch {
  unsigned mode = 0;           // GL primitive mode
  bool textured = false;
  bool additive = false;       // GL_ONE, GL_ONE instead of source alpha
  unsigned texture = 0;        // index into the scene's textures
  std::vector<float> positions, colors, texCoords;
};

class GLFrame {
 public:
  // `shaderFolder` holds VertexShader.glsl and FragmentShader.glsl.
  GLFrame(SceneKind kind, int width, int height, const char* shaderFolder);
  ~GLFrame();
  GLFrame(const GLFrame&) = delete;
  GLFrame& operator=(const GLFrame&) = delete;

  // Draws one frame and reads it back into `pixels` (pixelBytes() bytes,
  // GL's bottom-up RGBA rows). False when the GL layer reported an error.
  bool draw(std::uint8_t* pixels);
  std::size_t pixelBytes() const { return static_cast<std::size_t>(width_) * height_ * 4; }
  // Bytes of the attachments: RGBA8 colour and 16-bit depth.
  std::size_t colorBytes() const { return pixelBytes(); }
  std::size_t depthBytes() const { return static_cast<std::size_t>(width_) * height_ * 2; }

 private:
  struct GL;
  std::unique_ptr<GL> gl_;
  int width_, height_;
  std::vector<SceneBatch> batches_;
};

}  // namespace frame_bench
