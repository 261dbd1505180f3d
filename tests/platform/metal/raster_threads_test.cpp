// The same scenes drawn with 1, 2, 3 and 8 workers give the same bytes:
// overlapping blended triangles with depth, strips, points and lines,
// several draws and passes, multisampling. Run under ThreadSanitizer too.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "raster_harness.h"

namespace mtl::test {
namespace {

const char* kScene = R"(
struct V { float4 p [[attribute(0)]]; float4 c [[attribute(1)]]; };
struct O { float4 p [[position]]; float4 c; float size [[point_size]]; };
vertex O vs(V in [[stage_in]]) { O o; o.p = in.p; o.c = in.c; o.size = 1.0 + 6.0 * in.c.w; return o; }
struct F { float4 p [[position]]; float4 c; };
fragment float4 fs(F in [[stage_in]]) {
  float4 c = in.c;
  c.rgb *= 0.75 + 0.25 * fract(in.p.x * 0.37 + dfdy(in.c.y) * 3.0);
  return c;
}
)";

struct Scene {
  std::vector<float> vertices;
  std::vector<std::uint32_t> indices;
};

Scene makeScene(unsigned seed, int triangles) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> coordinate(-1.2f, 1.2f), unit(0.0f, 1.0f);
  Scene s;
  for (int i = 0; i < triangles; ++i) {
    // Triangles of a few dozen pixels, a few of them huge.
    const float cx = coordinate(rng), cy = coordinate(rng);
    const float spread = i % 50 == 0 ? 1.5f : 0.12f;
    for (int k = 0; k < 3; ++k) {
      const float w = 0.5f + unit(rng);
      s.vertices.insert(s.vertices.end(),
                        {(cx + spread * (unit(rng) - 0.5f)) * w, (cy + spread * (unit(rng) - 0.5f)) * w,
                         unit(rng) * w, w, unit(rng), unit(rng), unit(rng), unit(rng)});
    }
  }
  // Indices that mostly stay near each other, so that their triangles stay small.
  for (int i = 0; i < triangles * 3; ++i) {
    const int near = i + static_cast<int>(rng() % 5) - 2;
    s.indices.push_back(static_cast<std::uint32_t>(std::clamp(near, 0, triangles * 3 - 1)));
  }
  return s;
}

std::vector<std::uint8_t> render(unsigned workers, NSUInteger samples) {
  RasterHarness gpu(workers);
  RenderPipelineDescriptor d;
  d.vertexDescriptor = positionLayout(true);
  d.colorAttachments[0].pixelFormat = PixelFormat::BGRA8Unorm;
  d.colorAttachments[0].blendingEnabled = true;
  d.colorAttachments[0].sourceRGBBlendFactor = BlendFactor::SourceAlpha;
  d.colorAttachments[0].destinationRGBBlendFactor = BlendFactor::OneMinusSourceAlpha;
  d.depthAttachmentPixelFormat = PixelFormat::Depth32Float;
  d.sampleCount = samples;
  auto pipeline = gpu.pipeline(kScene, "vs", "fs", d);
  const NSUInteger width = 200, height = 150;
  auto color = gpu.target(PixelFormat::BGRA8Unorm, width, height, samples);
  auto depth = gpu.target(PixelFormat::Depth32Float, width, height, samples);
  DepthStencilDescriptor ds;
  ds.depthCompareFunction = CompareFunction::LessEqual;
  ds.depthWriteEnabled = true;
  auto depthState = gpu.device->newDepthStencilState(ds);
  const Scene scene = makeScene(7, 300);
  auto vertices = gpu.buffer(scene.vertices);
  auto indices = gpu.buffer(scene.indices);
  std::vector<std::uint8_t> out;
  for (int pass = 0; pass < 2; ++pass) {
    RenderPassDescriptor p = RasterHarness::colorPass(color, {0.1, 0.2, 0.3, 1});
    if (pass == 1) p.colorAttachments[0].loadAction = LoadAction::Load;
    p.depthAttachment.texture = depth;
    p.depthAttachment.loadAction = LoadAction::Clear;
    gpu.pass(p, [&](RenderCommandEncoder& e) {
      e.setRenderPipelineState(pipeline);
      e.setDepthStencilState(depthState);
      e.setVertexBuffer(vertices, 0, 0);
      e.drawPrimitives(PrimitiveType::Triangle, 0, 300 * 3);
      e.drawIndexedPrimitives(PrimitiveType::TriangleStrip, 200, IndexType::UInt32, indices, 0);
      e.setCullMode(CullMode::Back);
      e.drawPrimitives(PrimitiveType::Point, 0, 400);
      e.drawPrimitives(PrimitiveType::LineStrip, 100, 300);
      e.setScissorRect({20, 10, 150, 100});
      e.drawIndexedPrimitives(PrimitiveType::Triangle, 600, IndexType::UInt32, indices, 400);
    });
    const std::vector<std::uint8_t> c = RasterHarness::bytes(*color);
    const std::vector<std::uint8_t> z = RasterHarness::bytes(*depth);
    out.insert(out.end(), c.begin(), c.end());
    out.insert(out.end(), z.begin(), z.end());
  }
  return out;
}

TEST(RasterThreads, AnyNumberOfWorkersDrawsTheSameBytes) {
  for (NSUInteger samples : {1u, 4u}) {
    const std::vector<std::uint8_t> one = render(1, samples);
    for (unsigned workers : {2u, 3u, 8u}) {
      EXPECT_TRUE(render(workers, samples) == one) << workers << " workers, " << samples << " samples";
    }
    // The scene draws something: not every pixel is the clear colour.
    std::size_t changed = 0;
    for (std::size_t i = 0; i + 3 < one.size() / 4; i += 4) changed += one[i] != 77;
    EXPECT_GT(changed, one.size() / 64);
  }
}

}  // namespace
}  // namespace mtl::test
