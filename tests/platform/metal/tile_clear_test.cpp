// A pass's Clear load actions done tile by tile as its draws reach each
// tile, and a pass of load actions alone whose fills wait for the next
// pass, against the general way (every clear over the whole attachments
// before anything else): every byte of every attachment alike, whether
// the clears come with the draws or in a pass before them, for single and
// multisampled targets, combined depth and stencil, sizes that cut the
// last tiles short, tiles no primitive reaches, and passes whose draws
// make no primitive at all.
#include <gtest/gtest.h>

#include <random>

#include "platform/metal/exec/fast_paths.h"

#include "raster_harness.h"

namespace mtl::test {
namespace {

const char* kSource = R"(
struct Out { float4 position [[position]]; float4 color; };
struct In { float4 position [[attribute(0)]]; float4 color [[attribute(1)]]; };
vertex Out shade(In in [[stage_in]]) { Out o; o.position = in.position; o.color = in.color; return o; }
fragment float4 paint(Out in [[stage_in]]) { return in.color; }
)";

struct Target {
  PixelFormat color, depth;
  NSUInteger samples;
};

// Triangles over part of the target (clip space x and y in [-1, 0.3]),
// blended and depth tested; `outside` puts them all beyond the viewport.
std::vector<float> triangles(bool outside) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> at(-1.0f, 0.3f), unit(0.0f, 1.0f);
  std::vector<float> v;
  for (int t = 0; t < 40; ++t) {
    const float cx = at(rng) + (outside ? 3.0f : 0.0f), cy = at(rng), z = unit(rng);
    const float color[4] = {unit(rng), unit(rng), unit(rng), unit(rng)};
    for (int k = 0; k < 3; ++k) {
      const float p[4] = {cx + 0.3f * unit(rng), cy + 0.3f * unit(rng), z, 1};
      v.insert(v.end(), p, p + 4);
      v.insert(v.end(), color, color + 4);
    }
  }
  return v;
}

struct Frame {
  std::vector<std::uint8_t> color, depth;
};

// Draws into fresh attachments filled with a scribble, clearing in the
// drawing pass (`together`) or in a pass before it.
Frame draw(RasterHarness& gpu, const Target& t, bool together, bool outside) {
  constexpr NSUInteger kWidth = 150, kHeight = 91;
  auto color = gpu.target(t.color, kWidth, kHeight, t.samples);
  auto depth = gpu.target(t.depth, kWidth, kHeight, t.samples);
  for (const auto& texture : {color, depth}) {
    std::uint8_t* data = texture->levelData(0, 0);
    for (std::size_t i = 0; i < texture->levelBytesPerRow(0) * kHeight; ++i) data[i] = static_cast<std::uint8_t>(i * 7 + 3);
  }
  RenderPipelineDescriptor d;
  d.vertexDescriptor = positionLayout(true);
  d.colorAttachments[0].pixelFormat = t.color;
  d.colorAttachments[0].blendingEnabled = true;
  d.colorAttachments[0].sourceRGBBlendFactor = d.colorAttachments[0].sourceAlphaBlendFactor = BlendFactor::SourceAlpha;
  d.colorAttachments[0].destinationRGBBlendFactor = d.colorAttachments[0].destinationAlphaBlendFactor =
      BlendFactor::OneMinusSourceAlpha;
  d.depthAttachmentPixelFormat = t.depth;
  if (t.depth == PixelFormat::Depth32Float_Stencil8) d.stencilAttachmentPixelFormat = t.depth;
  d.sampleCount = t.samples;
  auto pipeline = gpu.pipeline(kSource, "shade", "paint", d);
  DepthStencilDescriptor tested;
  tested.depthCompareFunction = CompareFunction::LessEqual;
  tested.depthWriteEnabled = true;
  auto depthState = gpu.device->newDepthStencilState(tested);
  auto vertices = gpu.buffer(triangles(outside));

  RenderPassDescriptor clear = RasterHarness::colorPass(color, {0.25, 0.5, 0.75, 1});
  clear.depthAttachment.texture = depth;
  clear.depthAttachment.loadAction = LoadAction::Clear;
  clear.depthAttachment.clearDepth = 0.75;
  if (t.depth == PixelFormat::Depth32Float_Stencil8) {
    clear.stencilAttachment.texture = depth;
    clear.stencilAttachment.loadAction = LoadAction::Clear;
    clear.stencilAttachment.clearStencil = 0x5A;
  }
  RenderPassDescriptor drawing = clear;
  if (!together) {
    gpu.pass(clear, [](RenderCommandEncoder&) {});
    drawing.colorAttachments[0].loadAction = LoadAction::Load;
    drawing.depthAttachment.loadAction = LoadAction::Load;
    drawing.stencilAttachment.loadAction = LoadAction::Load;
  }
  gpu.pass(drawing, [&](RenderCommandEncoder& e) {
    e.setRenderPipelineState(pipeline);
    e.setDepthStencilState(depthState);
    e.setVertexBuffer(vertices, 0, 0);
    e.drawPrimitives(PrimitiveType::Triangle, 0, 60);
    e.drawPrimitives(PrimitiveType::Triangle, 60, 60);
  });
  return {RasterHarness::bytes(*color), RasterHarness::bytes(*depth)};
}

TEST(TileClears, LeaveWhatClearingTheWholeAttachmentsFirstLeaves) {
  const Target targets[] = {{PixelFormat::RGBA8Unorm, PixelFormat::Depth32Float_Stencil8, 1},
                            {PixelFormat::BGRA8Unorm, PixelFormat::Depth16Unorm, 4},
                            {PixelFormat::RGBA16Float, PixelFormat::Depth32Float, 1}};
  int cases = 0;
  for (const Target& t : targets) {
    for (unsigned workers : {1u, 3u}) {
      std::vector<std::uint8_t> drawn[2];
      for (bool outside : {false, true}) {
        RasterHarness gpu(workers);
        exec::setFastPathsEnabled(false);
        const Frame general = draw(gpu, t, true, outside);
        exec::setFastPathsEnabled(true);
        for (bool together : {true, false}) {
          const Frame fast = draw(gpu, t, together, outside);
          EXPECT_TRUE(fast.color == general.color) << static_cast<int>(t.color) << " " << workers << " " << outside;
          EXPECT_TRUE(fast.depth == general.depth) << static_cast<int>(t.depth) << " " << workers << " " << outside;
          ++cases;
        }
        drawn[outside] = general.color;
      }
      EXPECT_FALSE(drawn[0] == drawn[1]);  // the triangles inside drew something
    }
  }
  EXPECT_EQ(cases, 24);
}

}  // namespace
}  // namespace mtl::test
