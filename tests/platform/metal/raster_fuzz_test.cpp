// Fuzzing the executor: random geometry (NaN, infinite, huge, tiny,
// degenerate, behind the eye), random draw parameters (primitive types,
// counts, instances, indices with restarts and indices past the vertices,
// buffers shorter than the draw), random viewports, scissors, culling,
// depth bias, stencil, blending, write masks, sample counts and targets.
// Nothing may crash or read out of bounds (the sanitizer build runs it);
// a refusal is a ValidationError at encoding. Seeded: a failure
// reproduces. TESSALY_FUZZ_ITERATIONS sets the number of draws' passes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <random>

#include "platform/metal/validation.h"
#include "raster_harness.h"

namespace mtl::test {
namespace {

int iterations(int fallback) {
  const char* value = std::getenv("TESSALY_FUZZ_ITERATIONS");
  return value ? std::max(1, std::atoi(value)) : fallback;
}

const char* kShaders = R"(
struct V { float4 p [[attribute(0)]]; float4 c [[attribute(1)]]; };
struct O { float4 p [[position]]; float4 c; float size [[point_size]]; };
vertex O vs(V in [[stage_in]]) { O o; o.p = in.p; o.c = in.c; o.size = in.c.x * 20.0; return o; }
struct F { float4 p [[position]]; float4 c; };
fragment float4 flat(F in [[stage_in]]) { return in.c; }
fragment float4 textured(F in [[stage_in]], texture2d<float> t [[texture(0)]], sampler s [[sampler(0)]]) {
  return t.sample(s, in.c.xy * 3.0 - 1.0) * in.c + float4(dfdx(in.c.x), dfdy(in.c.y), 0.0, 0.0);
}
fragment float4 holes(F in [[stage_in]], float2 pc [[point_coord]]) {
  if (fract(in.p.x * 0.37 + in.c.z) < 0.3) discard_fragment();
  return float4(pc, in.c.zw);
}
fragment float4 label(F in [[stage_in]], texture2d<float> t [[texture(0)]], sampler s [[sampler(0)]]) {
  return in.c * t.sample(s, in.c.zx);
}
fragment float4 sprite(F in [[stage_in]], float2 pc [[point_coord]], texture2d<float> t [[texture(0)]],
                       sampler s [[sampler(0)]]) {
  return in.c * t.sample(s, pc);
}
)";

float randomCoordinate(std::mt19937& rng) {
  switch (rng() % 16) {
    case 0: return std::numeric_limits<float>::quiet_NaN();
    case 1: return std::numeric_limits<float>::infinity();
    case 2: return -std::numeric_limits<float>::infinity();
    case 3: return (rng() % 2 ? 1 : -1) * 1e30f;
    case 4: return 0.0f;
    case 5: return 1e-30f;
    case 6: return (rng() % 2 ? 1 : -1) * 70000.0f;
    default: return std::uniform_real_distribution<float>(-2.5f, 2.5f)(rng);
  }
}

TEST(RasterFuzz, RandomGeometryAndDrawParametersNeverCrash) {
  std::mt19937 rng(0x27);
  RasterHarness gpu(1 + rng() % 3);
  const PixelFormat colours[] = {PixelFormat::RGBA8Unorm, PixelFormat::BGRA8Unorm, PixelFormat::RGBA16Float,
                                 PixelFormat::RGBA8Unorm_sRGB, PixelFormat::RGB10A2Unorm, PixelFormat::R8Unorm,
                                 PixelFormat::RG16Snorm, PixelFormat::RGBA32Float, PixelFormat::B5G6R5Unorm};
  const PixelFormat depths[] = {PixelFormat::Invalid, PixelFormat::Depth32Float, PixelFormat::Depth16Unorm,
                                PixelFormat::Depth32Float_Stencil8};
  const PrimitiveType types[] = {PrimitiveType::Point, PrimitiveType::Line, PrimitiveType::LineStrip,
                                 PrimitiveType::Triangle, PrimitiveType::TriangleStrip};
  // label and sprite are shapes the fragment stage computes without the
  // lane machine.
  const char* fragments[] = {"flat", "textured", "holes", "label", "sprite"};
  auto texture = gpu.device->newTexture(TextureDescriptor::texture2DDescriptor(PixelFormat::RGBA8Unorm, 8, 8, true));
  int refused = 0, drawn = 0, passes = 0;
  const int n = iterations(400);
  for (int iteration = 0; iteration < n; ++iteration) {
    const NSUInteger width = 1 + rng() % 90, height = 1 + rng() % 70;
    const NSUInteger samples = rng() % 3 == 0 ? (rng() % 2 ? 2 : 4) : 1;
    const PixelFormat colour = colours[rng() % std::size(colours)];
    const PixelFormat depth = depths[rng() % std::size(depths)];
    RenderPipelineDescriptor d;
    d.vertexDescriptor = positionLayout(true);
    d.colorAttachments[0].pixelFormat = colour;
    d.colorAttachments[0].blendingEnabled = rng() % 2;
    d.colorAttachments[0].sourceRGBBlendFactor = static_cast<BlendFactor>(rng() % 15);
    d.colorAttachments[0].destinationRGBBlendFactor = static_cast<BlendFactor>(rng() % 15);
    d.colorAttachments[0].rgbBlendOperation = static_cast<BlendOperation>(rng() % 5);
    d.colorAttachments[0].writeMask = rng() % 16;
    d.depthAttachmentPixelFormat = depth;
    if (depth == PixelFormat::Depth32Float_Stencil8) d.stencilAttachmentPixelFormat = depth;
    d.sampleCount = samples;
    d.alphaToCoverageEnabled = rng() % 4 == 0;
    d.rasterizationEnabled = rng() % 10 != 0;
    auto pipeline = gpu.pipeline(kShaders, "vs", fragments[rng() % std::size(fragments)], d);
    ASSERT_TRUE(pipeline);
    auto target = gpu.target(colour, width, height, samples);
    RenderPassDescriptor pass = RasterHarness::colorPass(target, {0.1, 0.2, 0.3, 0.4});
    std::shared_ptr<Texture> depthTexture;
    if (depth != PixelFormat::Invalid) {
      depthTexture = gpu.target(depth, width, height, samples);
      pass.depthAttachment.texture = depthTexture;
      pass.depthAttachment.loadAction = LoadAction::Clear;
      if (depth == PixelFormat::Depth32Float_Stencil8) {
        pass.stencilAttachment.texture = depthTexture;
        pass.stencilAttachment.loadAction = LoadAction::Clear;
      }
    }
    auto results = gpu.device->newBuffer(64, 0);
    pass.visibilityResultBuffer = results;
    DepthStencilDescriptor ds;
    ds.depthCompareFunction = static_cast<CompareFunction>(rng() % 8);
    ds.depthWriteEnabled = rng() % 2;
    ds.frontFaceStencil.stencilCompareFunction = static_cast<CompareFunction>(rng() % 8);
    ds.frontFaceStencil.depthStencilPassOperation = static_cast<StencilOperation>(rng() % 8);
    ds.backFaceStencil.stencilFailureOperation = static_cast<StencilOperation>(rng() % 8);
    auto depthState = gpu.device->newDepthStencilState(ds);
    SamplerDescriptor sd;
    sd.minFilter = static_cast<SamplerMinMagFilter>(rng() % 2);
    sd.mipFilter = static_cast<SamplerMipFilter>(rng() % 3);
    sd.sAddressMode = static_cast<SamplerAddressMode>((rng() % 3) == 0 ? 0 : (rng() % 2 ? 2 : 3));
    sd.maxAnisotropy = 1 + rng() % 8;
    auto sampler = gpu.device->newSamplerState(sd);

    // Vertices, some of them wild; the buffer may end before the draw does.
    const std::size_t count = rng() % 5 == 0 ? rng() % 600 : rng() % 40;
    std::vector<float> vertices;
    for (std::size_t k = 0; k < count; ++k) {
      const bool wild = rng() % 4 == 0;
      for (int c = 0; c < 4; ++c) {
        float v = wild ? randomCoordinate(rng) : std::uniform_real_distribution<float>(-1.3f, 1.3f)(rng);
        if (c == 3 && !wild) v = rng() % 8 == 0 ? std::uniform_real_distribution<float>(-0.1f, 0.1f)(rng) : 1.0f;
        vertices.push_back(v);
      }
      for (int c = 0; c < 4; ++c) vertices.push_back(std::uniform_real_distribution<float>(0, 1)(rng));
    }
    if (vertices.empty()) vertices.resize(8, 0.5f);
    auto buffer = gpu.buffer(vertices);
    std::vector<std::uint32_t> indices(1 + rng() % 80);
    for (auto& i : indices) i = rng() % 7 == 0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(rng() % (count + 20));
    auto indexBuffer = gpu.buffer(indices);
    ++passes;
    try {
      gpu.pass(pass, [&](RenderCommandEncoder& e) {
        e.setRenderPipelineState(pipeline);
        e.setDepthStencilState(depthState);
        e.setVertexBuffer(buffer, rng() % 3 == 0 ? 16 * (rng() % 4) : 0, 0);
        e.setFragmentTexture(texture, 0);
        e.setFragmentSamplerState(sampler, 0);
        if (rng() % 10 == 0) e.setFragmentTexture(nullptr, 0);  // refused by textured draws
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double origins[] = {0, -5, 3.5, 1e12, nan};
        if (rng() % 3 == 0) {
          e.setViewport({origins[rng() % 5], origins[rng() % 4], static_cast<double>(width) * (rng() % 3),
                         (rng() % 2 ? -1.0 : 1.0) * static_cast<double>(height), 0.1 * (rng() % 11), 0.1 * (rng() % 11)});
        }
        if (rng() % 3 == 0) {
          const NSUInteger x = rng() % (width + 1), y = rng() % (height + 1);
          e.setScissorRect({x, y, rng() % (width - x + 1), rng() % (height - y + 1)});
        }
        e.setCullMode(static_cast<CullMode>(rng() % 3));
        e.setFrontFacingWinding(static_cast<Winding>(rng() % 2));
        const float biases[] = {0, 1, -3, 1e30f, std::numeric_limits<float>::quiet_NaN()};
        e.setDepthBias(biases[rng() % 5], biases[rng() % 5], biases[rng() % 5]);
        e.setStencilReferenceValues(rng(), rng());
        if (rng() % 2) e.setVisibilityResultMode(static_cast<VisibilityResultMode>(1 + rng() % 2), 8 * (rng() % 8));
        for (int k = 0; k < 3; ++k) {
          const PrimitiveType type = types[rng() % std::size(types)];
          if (rng() % 2) {
            const NSUInteger indexCount = rng() % (indices.size() + 1);
            const NSUInteger offset = 4 * (rng() % (indices.size() - indexCount + 1));
            e.drawIndexedPrimitives(type, indexCount, IndexType::UInt32, indexBuffer, offset, rng() % 3);
          } else if (rng() % 50 == 0) {
            // Far more vertices or instances than anything could shade.
            e.drawPrimitives(type, rng() % 3, NSUInteger{1} << (25 + rng() % 25), 1 + (rng() % 2) * (NSUInteger{1} << 40));
          } else {
            e.drawPrimitives(type, rng() % (count + 3), rng() % (count + 10), rng() % 4);
          }
          ++drawn;
        }
      });
    } catch (const ValidationError&) {
      ++refused;
    }
  }
  EXPECT_EQ(passes, n);
  EXPECT_GT(drawn, n);  // most draws are taken
  std::printf("passes %d, draws %d, refused %d\n", passes, drawn, refused);
}

}  // namespace
}  // namespace mtl::test
