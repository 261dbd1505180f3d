// What reaches the fragment function and the attachments: perspective-
// correct and window-linear varyings, flat ones from the first vertex,
// [[position]], derivatives within quads, depth written in the
// attachment's precision, colour channels in BGRA and RGBA order, and
// the clipping of triangles that cross z = 0 or come near w = 0. Values
// are checked against the interpolation formulas evaluated in double.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>

#include "raster_harness.h"

namespace mtl::test {
namespace {

float floatAt(const std::vector<std::uint8_t>& bytes, std::size_t index) {
  float v;
  std::memcpy(&v, bytes.data() + 4 * index, 4);
  return v;
}

// Window-space barycentrics of pixel centre (px, py) in a triangle given
// in window coordinates.
void barycentrics(const double (*w)[2], double px, double py, double out[3]) {
  const double area = (w[1][0] - w[0][0]) * (w[2][1] - w[0][1]) - (w[2][0] - w[0][0]) * (w[1][1] - w[0][1]);
  for (int k = 0; k < 3; ++k) {
    const double* a = w[(k + 1) % 3];
    const double* b = w[(k + 2) % 3];
    out[k] = ((b[0] - a[0]) * (py - a[1]) - (b[1] - a[1]) * (px - a[0])) / area;
  }
}

const char* kVaryings = R"(
struct V { float4 p [[attribute(0)]]; float4 c [[attribute(1)]]; };
struct O { float4 p [[position]]; float4 c; float4 n [[center_no_perspective]];
           float4 f [[flat]]; };
vertex O vs(V in [[stage_in]]) { O o; o.p = in.p; o.c = in.c; o.n = in.c; o.f = in.c; return o; }
struct F { float4 c [[color(0)]]; float4 n [[color(1)]]; float4 f [[color(2)]]; float4 pos [[color(3)]];
           float4 d [[color(4)]]; };
fragment F fs(O in [[stage_in]]) {
  F f;
  f.c = in.c; f.n = in.n; f.f = in.f; f.pos = in.p;
  f.d = float4(dfdx(in.c.x), dfdy(in.c.x), dfdx(in.n.y), dfdy(in.n.y));
  return f;
}
)";

// Draws `count` vertices (clip position, colour) as `type` with the
// varyings program into five 32 x 32 float targets cleared to -1: the
// perspective colour, the window-linear one, the flat one, the position
// and the derivatives. Returns the targets' bytes.
constexpr int kVaryingsSize = 32;
std::array<std::vector<std::uint8_t>, 5> drawVaryings(PrimitiveType type, const float (*clip)[4],
                                                      const float (*color)[4], int count) {
  RasterHarness gpu;
  RenderPipelineDescriptor d;
  d.vertexDescriptor = positionLayout(true);
  for (int k = 0; k < 5; ++k) d.colorAttachments[k].pixelFormat = PixelFormat::RGBA32Float;
  auto pipeline = gpu.pipeline(kVaryings, "vs", "fs", d);
  std::vector<float> vertices;
  for (int k = 0; k < count; ++k) {
    vertices.insert(vertices.end(), clip[k], clip[k] + 4);
    vertices.insert(vertices.end(), color[k], color[k] + 4);
  }
  auto buffer = gpu.buffer(vertices);
  std::shared_ptr<Texture> targets[5];
  RenderPassDescriptor pass;
  for (int k = 0; k < 5; ++k) {
    targets[k] = gpu.target(PixelFormat::RGBA32Float, kVaryingsSize, kVaryingsSize);
    pass.colorAttachments[k].texture = targets[k];
    pass.colorAttachments[k].loadAction = LoadAction::Clear;
    pass.colorAttachments[k].clearColor = {-1, -1, -1, -1};
  }
  gpu.pass(pass, [&](RenderCommandEncoder& e) {
    e.setRenderPipelineState(pipeline);
    e.setVertexBuffer(buffer, 0, 0);
    e.drawPrimitives(type, 0, static_cast<NSUInteger>(count));
  });
  std::array<std::vector<std::uint8_t>, 5> out;
  for (int k = 0; k < 5; ++k) out[k] = RasterHarness::bytes(*targets[k]);
  return out;
}

TEST(RasterInterpolation, VaryingsPositionAndDerivativesFollowTheFormulas) {
  const int size = kVaryingsSize;
  // Clip positions with different w; colours per vertex.
  const float clip[3][4] = {{-0.9f * 1.0f, -0.8f, 0.2f, 1.0f},
                            {0.95f * 3.0f, -0.7f * 3.0f, 1.5f, 3.0f},
                            {-0.2f * 0.5f, 0.9f * 0.5f, 0.1f, 0.5f}};
  const float color[3][4] = {{1, 0, 0, 1}, {0, 1, 0, 0.5f}, {0, 0, 1, 0.25f}};
  const auto out = drawVaryings(PrimitiveType::Triangle, clip, color, 3);

  double window[3][2], z[3], invW[3];
  for (int k = 0; k < 3; ++k) {
    invW[k] = 1.0 / clip[k][3];
    // Positions snap to 1/256 pixel before anything is interpolated.
    window[k][0] = std::nearbyint((clip[k][0] * invW[k] + 1) * size / 2 * 256) / 256;
    window[k][1] = std::nearbyint((1 - clip[k][1] * invW[k]) * size / 2 * 256) / 256;
    z[k] = clip[k][2] * invW[k];
  }
  int covered = 0;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const std::size_t texel = static_cast<std::size_t>(y * size + x) * 4;
      if (floatAt(out[0], texel + 3) == -1) continue;
      ++covered;
      double l[3];
      barycentrics(window, x + 0.5, y + 0.5, l);
      double persp[3], sum = 0;
      for (int k = 0; k < 3; ++k) sum += persp[k] = l[k] * invW[k];
      for (int c = 0; c < 4; ++c) {
        double perspective = 0, linear = 0;
        for (int k = 0; k < 3; ++k) {
          perspective += persp[k] / sum * color[k][c];
          linear += l[k] * color[k][c];
        }
        EXPECT_NEAR(floatAt(out[0], texel + c), perspective, 2e-6) << x << "," << y;
        EXPECT_NEAR(floatAt(out[1], texel + c), linear, 2e-6) << x << "," << y;
        EXPECT_EQ(floatAt(out[2], texel + c), color[0][c]);  // flat: the first vertex
      }
      EXPECT_EQ(floatAt(out[3], texel + 0), x + 0.5f);
      EXPECT_EQ(floatAt(out[3], texel + 1), y + 0.5f);
      EXPECT_NEAR(floatAt(out[3], texel + 2), l[0] * z[0] + l[1] * z[1] + l[2] * z[2], 1e-6);
      EXPECT_NEAR(floatAt(out[3], texel + 3), l[0] * invW[0] + l[1] * invW[1] + l[2] * invW[2], 1e-6);
      // A window-linear varying has constant derivatives: the plane's slopes.
      const double ax = window[1][0] - window[0][0], ay = window[1][1] - window[0][1];
      const double bx = window[2][0] - window[0][0], by = window[2][1] - window[0][1];
      const double det = ax * by - bx * ay;
      const double dg1 = color[1][1] - color[0][1], dg2 = color[2][1] - color[0][1];
      const double dgdx = (dg1 * by - dg2 * ay) / det, dgdy = (ax * dg2 - bx * dg1) / det;
      EXPECT_NEAR(floatAt(out[4], texel + 2), dgdx, 1e-6) << x << "," << y;
      EXPECT_NEAR(floatAt(out[4], texel + 3), dgdy, 1e-6) << x << "," << y;
      // A perspective varying's derivative: the difference of its values at
      // the neighbouring centres of the quad (computed from the formula).
      const int nx = (x & 1) ? x - 1 : x + 1;
      double ln[3], pn[3], sn = 0;
      barycentrics(window, nx + 0.5, y + 0.5, ln);
      for (int k = 0; k < 3; ++k) sn += pn[k] = ln[k] * invW[k];
      double here = 0, there = 0;
      for (int k = 0; k < 3; ++k) {
        here += persp[k] / sum * color[k][0];
        there += pn[k] / sn * color[k][0];
      }
      const double expected = (x & 1) ? here - there : there - here;
      EXPECT_NEAR(floatAt(out[4], texel + 0), expected, 4e-6) << x << "," << y;
    }
  }
  EXPECT_GT(covered, 150);
}

// A line whose ends have different w: each fragment's perspective varying
// is the perspective-correct blend at the window-space parameter t of its
// centre projected onto the segment (OpenGL ES 2.0, 3.4.1, equations 3.6
// and 3.7), its no-perspective varying the window-linear one; midway the
// two differ widely (w 1 and 3: 0.25 against 0.5).
TEST(RasterInterpolation, LineVaryingsArePerspectiveCorrectBetweenEndsOfUnequalW) {
  const int size = kVaryingsSize;
  const float clip[2][4] = {{-0.9f, -0.05f, 0.2f, 1.0f}, {0.9f * 3.0f, 0.1f * 3.0f, 1.5f, 3.0f}};
  const float color[2][4] = {{0, 1, 0.5f, 1}, {1, 0, 0.5f, 0}};
  const auto out = drawVaryings(PrimitiveType::Line, clip, color, 2);
  const std::vector<std::uint8_t>& perspective = out[0];
  const std::vector<std::uint8_t>& linear = out[1];
  double window[2][2], invW[2];
  for (int k = 0; k < 2; ++k) {
    invW[k] = 1.0 / clip[k][3];
    window[k][0] = std::nearbyint((clip[k][0] * invW[k] + 1) * size / 2 * 256) / 256;
    window[k][1] = std::nearbyint((1 - clip[k][1] * invW[k]) * size / 2 * 256) / 256;
  }
  const double dx = window[1][0] - window[0][0], dy = window[1][1] - window[0][1];
  int drawn = 0, nearMiddle = 0;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const std::size_t texel = static_cast<std::size_t>(y * size + x) * 4;
      if (floatAt(perspective, texel + 3) == -1) continue;
      ++drawn;
      const double t = ((x + 0.5 - window[0][0]) * dx + (y + 0.5 - window[0][1]) * dy) / (dx * dx + dy * dy);
      const double a = (1 - t) * invW[0], b = t * invW[1];
      for (int c = 0; c < 4; ++c) {
        EXPECT_NEAR(floatAt(perspective, texel + c), (a * color[0][c] + b * color[1][c]) / (a + b), 2e-6)
            << x << "," << y;
        EXPECT_NEAR(floatAt(linear, texel + c), (1 - t) * color[0][c] + t * color[1][c], 2e-6) << x << "," << y;
      }
      if (std::fabs(t - 0.5) < 0.02) {
        ++nearMiddle;
        EXPECT_NEAR(floatAt(perspective, texel + 0), 0.25, 0.02) << x << "," << y;
      }
    }
  }
  EXPECT_GT(drawn, 25);
  EXPECT_GE(nearMiddle, 1);
}

const char* kFlat = R"(
struct V { float4 p [[attribute(0)]]; float4 c [[attribute(1)]]; };
struct O { float4 p [[position]]; float4 c [[flat]]; };
vertex O vs(V in [[stage_in]]) { O o; o.p = in.p; o.c = in.c; return o; }
fragment float4 fs(O in [[stage_in]]) { return in.c; }
)";

// Two triangles of a quad in a 4 x 4 BGRA target and the same in RGBA.
std::vector<std::uint8_t> drawQuad(RasterHarness& gpu, PixelFormat format) {
  RenderPipelineDescriptor d;
  d.vertexDescriptor = positionLayout(true);
  d.colorAttachments[0].pixelFormat = format;
  auto pipeline = gpu.pipeline(kFlat, "vs", "fs", d);
  const std::vector<float> v{-1, -1, 0, 1, 1, 0.5f, 0.25f, 1,   1, -1, 0, 1, 0, 0, 0, 0,
                             1, 1, 0, 1, 0, 0, 0, 0,            -1, -1, 0, 1, 0, 0, 1, 0.5f,
                             1, 1, 0, 1, 1, 1, 1, 1,            -1, 1, 0, 1, 1, 1, 1, 1};
  auto target = gpu.target(format, 4, 4);
  auto buffer = gpu.buffer(v);
  gpu.pass(RasterHarness::colorPass(target), [&](RenderCommandEncoder& e) {
    e.setRenderPipelineState(pipeline);
    e.setVertexBuffer(buffer, 0, 0);
    e.drawPrimitives(PrimitiveType::Triangle, 0, 6);
  });
  return RasterHarness::bytes(*target);
}

TEST(RasterInterpolation, ColoursLandInTheChannelOrderOfTheFormat) {
  RasterHarness gpu;
  const std::vector<std::uint8_t> rgba = drawQuad(gpu, PixelFormat::RGBA8Unorm);
  const std::vector<std::uint8_t> bgra = drawQuad(gpu, PixelFormat::BGRA8Unorm);
  // Pixel (3, 3) (bottom right) is the first triangle's: (1, 0.5, 0.25, 1).
  const std::size_t p = (3 * 4 + 3) * 4;
  EXPECT_EQ((std::vector<int>{rgba[p], rgba[p + 1], rgba[p + 2], rgba[p + 3]}),
            (std::vector<int>{255, 128, 64, 255}));
  EXPECT_EQ((std::vector<int>{bgra[p], bgra[p + 1], bgra[p + 2], bgra[p + 3]}),
            (std::vector<int>{64, 128, 255, 255}));
  // Pixel (0, 0) (top left) the second's: (0, 0, 1, 0.5).
  EXPECT_EQ((std::vector<int>{rgba[0], rgba[1], rgba[2], rgba[3]}), (std::vector<int>{0, 0, 255, 128}));
  EXPECT_EQ((std::vector<int>{bgra[0], bgra[1], bgra[2], bgra[3]}), (std::vector<int>{255, 0, 0, 128}));
}

// Draws triangles given in clip space into a depth attachment with the
// depth test `compare`; returns the depth texture.
std::shared_ptr<Texture> drawDepth(RasterHarness& gpu, PixelFormat format,
                                   const std::vector<float>& positions, CompareFunction compare,
                                   const Viewport* viewport = nullptr) {
  const char* source = R"(
struct V { float4 p [[attribute(0)]]; };
vertex float4 vs(V in [[stage_in]]) { return in.p; }
)";
  RenderPipelineDescriptor d;
  d.vertexDescriptor = positionLayout();
  d.depthAttachmentPixelFormat = format;
  auto pipeline = gpu.pipeline(source, "vs", "", d);
  TextureDescriptor td = TextureDescriptor::texture2DDescriptor(format, 16, 16, false);
  td.usage = TextureUsageRenderTarget;
  auto depth = gpu.device->newTexture(td);
  DepthStencilDescriptor ds;
  ds.depthCompareFunction = compare;
  ds.depthWriteEnabled = true;
  auto state = gpu.device->newDepthStencilState(ds);
  auto buffer = gpu.buffer(positions);
  RenderPassDescriptor pass;
  pass.depthAttachment.texture = depth;
  pass.depthAttachment.loadAction = LoadAction::Clear;
  pass.depthAttachment.clearDepth = 1.0;
  gpu.pass(pass, [&](RenderCommandEncoder& e) {
    e.setRenderPipelineState(pipeline);
    e.setDepthStencilState(state);
    if (viewport) e.setViewport(*viewport);
    e.setVertexBuffer(buffer, 0, 0);
    e.drawPrimitives(PrimitiveType::Triangle, 0, positions.size() / 4);
  });
  return depth;
}

TEST(RasterInterpolation, DepthIsTestedAndWrittenInTheAttachmentsPrecision) {
  RasterHarness gpu;
  // A far full-screen pair of triangles, then a nearer sloped triangle, then
  // a farther one that must lose everywhere.
  const std::vector<float> scene{
      -1, -1, 0.75f, 1,  3, -1, 0.75f, 1,  -1, 3, 0.75f, 1,
      -1, -1, 0.1f, 1,   1, -1, 0.6f, 1,   -1, 1, 0.3f, 1,
      -1, -1, 0.9f, 1,   3, -1, 0.9f, 1,   -1, 3, 0.9f, 1};
  for (PixelFormat format : {PixelFormat::Depth32Float, PixelFormat::Depth16Unorm}) {
    auto depth = drawDepth(gpu, format, scene, CompareFunction::Less);
    const std::vector<std::uint8_t> bytes = RasterHarness::bytes(*depth);
    const double window[3][2] = {{0, 16}, {16, 16}, {0, 0}};
    int near = 0;
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 16; ++x) {
        double l[3];
        barycentrics(window, x + 0.5, y + 0.5, l);
        const bool inside = l[0] > 0 && l[1] > 0 && l[2] > 0;
        const double z = inside ? l[0] * 0.1 + l[1] * 0.6 + l[2] * 0.3 : 0.75;
        near += inside;
        const std::size_t i = static_cast<std::size_t>(y * 16 + x);
        if (format == PixelFormat::Depth32Float) {
          float stored;
          std::memcpy(&stored, bytes.data() + 4 * i, 4);
          EXPECT_NEAR(stored, z, 1e-7) << x << "," << y;
        } else {
          std::uint16_t stored;
          std::memcpy(&stored, bytes.data() + 2 * i, 2);
          EXPECT_NEAR(stored, z * 65535, 0.5 + 1e-3) << x << "," << y;  // rounded to 16 bits
        }
      }
    }
    EXPECT_GT(near, 100);
  }
  // The viewport's depth range maps, and may run backwards.
  const Viewport reversed{0, 0, 16, 16, 0.8, 0.2};
  auto depth = drawDepth(gpu, PixelFormat::Depth32Float, {-1, -1, 0.25f, 1, 3, -1, 0.25f, 1, -1, 3, 0.25f, 1},
                         CompareFunction::Always, &reversed);
  float stored;
  std::memcpy(&stored, RasterHarness::bytes(*depth).data(), 4);
  EXPECT_FLOAT_EQ(stored, 0.8f + 0.25f * (0.2f - 0.8f));
}

TEST(RasterInterpolation, TrianglesCrossingTheNearPlaneOrWZeroAreClipped) {
  RasterHarness gpu;
  // Half the triangle lies behind z = 0: only the part with z >= 0 stays.
  // With z = w x / 1.0 ... here z runs from -0.5 (left) to 0.5 (right).
  const std::vector<float> crossing{-1, -1, -0.5f, 1, 1, -1, 0.5f, 1, -1, 1, -0.5f, 1,
                                    1, -1, 0.5f, 1, 1, 1, 0.5f, 1, -1, 1, -0.5f, 1};
  auto depth = drawDepth(gpu, PixelFormat::Depth32Float, crossing, CompareFunction::Always);
  const std::vector<std::uint8_t> bytes = RasterHarness::bytes(*depth);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      float stored;
      std::memcpy(&stored, bytes.data() + 4 * static_cast<std::size_t>(y * 16 + x), 4);
      const double z = -0.5 + (x + 0.5) / 16.0;
      if (z < 0) {
        EXPECT_EQ(stored, 1.0f) << x << "," << y;  // clipped away: the clear value stays
      } else {
        EXPECT_NEAR(stored, z, 1e-6) << x << "," << y;
      }
    }
  }
  // The far plane: z runs from 0.5 to 1.5, and the part beyond z = w goes.
  // A depth range of [0, 0.5] keeps what is drawn apart from the clear value
  // (clamping to the range alone would store 0.5 there).
  const std::vector<float> far{-1, -1, 0.5f, 1, 1, -1, 1.5f, 1, -1, 1, 0.5f, 1,
                               1, -1, 1.5f, 1, 1, 1, 1.5f, 1, -1, 1, 0.5f, 1};
  const Viewport half{0, 0, 16, 16, 0, 0.5};
  auto d1 = drawDepth(gpu, PixelFormat::Depth32Float, far, CompareFunction::Always, &half);
  const std::vector<std::uint8_t> b1 = RasterHarness::bytes(*d1);
  for (int x = 0; x < 16; ++x) {
    float stored;
    std::memcpy(&stored, b1.data() + 4 * static_cast<std::size_t>(7 * 16 + x), 4);
    const double z = 0.5 + (x + 0.5) / 16.0;
    if (z > 1) {
      EXPECT_EQ(stored, 1.0f) << x;
    } else {
      EXPECT_NEAR(stored, z / 2, 1e-6) << x;
    }
  }
  // A vertex at w = 0 behind the eye and one barely in front: the clipped
  // triangle is finite and covers what lies in front of the eye.
  const std::vector<float> eye{-1, -1, 0.5f, 1, 1, -1, 0.5f, 1, 0, 1, -1e-6f, 0};
  auto d2 = drawDepth(gpu, PixelFormat::Depth32Float, eye, CompareFunction::Always);
  const std::vector<std::uint8_t> b2 = RasterHarness::bytes(*d2);
  int drawn = 0;
  for (std::size_t i = 0; i < 256; ++i) {
    float stored;
    std::memcpy(&stored, b2.data() + 4 * i, 4);
    EXPECT_TRUE(std::isfinite(stored));
    drawn += stored != 1.0f;
  }
  EXPECT_GT(drawn, 16);
}

}  // namespace
}  // namespace mtl::test
