// The executor's fast paths (fast_paths.h) against the general code on
// the same input: the chart's shader pair (the default library) drawing
// what the chart draws, with its uniforms switching texture and lighting,
// constant attributes as the GL layer binds them, every kind of primitive,
// blending modes of the chart, 8-bit textures with each filter and wrap,
// depth tested and not, on an odd-sized target whose edges cut quads in
// half. Colour and depth must match to the bit, with one worker and four.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "platform/metal/exec/fast_paths.h"
#include "platform/metal/exec/fragment_shape.h"
#include "platform/metal/exec/pipeline_plan.h"
#include "platform/metal/exec/program_variants.h"
#include "platform/metal/exec/rasterizer.h"
#include "platform/metal/exec/simd.h"
#include "platform/metal/pixel_codec.h"
#include "platform/metal/msl/compiler.h"
#include "platform/metal/msl/default_library.h"
#include "raster_harness.h"

namespace mtl::test {
namespace {

constexpr NSUInteger kWidth = 61, kHeight = 47;

struct Vertex {
  float position[2];
  float color[4];
  float uv[2];
};

// The GL layer's layout: arrays in buffer 1, disabled attributes from a
// constant buffer 2 (normal and materials zero).
VertexDescriptor chartLayout() {
  VertexDescriptor v;
  v.attributes[0] = {VertexFormat::Float2, offsetof(Vertex, position), 1};
  v.attributes[1] = {VertexFormat::Float4, offsetof(Vertex, color), 1};
  v.attributes[3] = {VertexFormat::Float2, offsetof(Vertex, uv), 1};
  for (NSUInteger a : {2u, 4u, 5u, 6u, 7u}) v.attributes[a] = {VertexFormat::Float4, 0, 2};
  v.layouts[1].stride = sizeof(Vertex);
  v.layouts[2] = {16, VertexStepFunction::Constant, 0};
  return v;
}

struct Blend {
  bool enabled;
  BlendFactor source, destination;
  BlendOperation operation;
};

std::vector<std::uint8_t> render(unsigned workers, PixelFormat colorFormat, bool fast) {
  exec::setFastPathsEnabled(fast);
  RasterHarness gpu(workers);
  const std::string source(msl::defaultLibrarySource());
  const Blend blends[] = {
      {true, BlendFactor::SourceAlpha, BlendFactor::OneMinusSourceAlpha, BlendOperation::Add},
      {true, BlendFactor::One, BlendFactor::One, BlendOperation::Add},
      {true, BlendFactor::One, BlendFactor::OneMinusSourceAlpha, BlendOperation::Add},
      {true, BlendFactor::OneMinusDestinationColor, BlendFactor::Zero, BlendOperation::Add},
      {true, BlendFactor::DestinationColor, BlendFactor::OneMinusSourceAlpha, BlendOperation::Max},
      {false, BlendFactor::One, BlendFactor::Zero, BlendOperation::Add}};
  std::vector<std::shared_ptr<RenderPipelineState>> pipelines;
  for (const Blend& b : blends) {
    RenderPipelineDescriptor d;
    d.vertexDescriptor = chartLayout();
    d.colorAttachments[0].pixelFormat = colorFormat;
    d.colorAttachments[0].blendingEnabled = b.enabled;
    d.colorAttachments[0].sourceRGBBlendFactor = d.colorAttachments[0].sourceAlphaBlendFactor = b.source;
    d.colorAttachments[0].destinationRGBBlendFactor = d.colorAttachments[0].destinationAlphaBlendFactor = b.destination;
    d.colorAttachments[0].rgbBlendOperation = d.colorAttachments[0].alphaBlendOperation = b.operation;
    d.depthAttachmentPixelFormat = PixelFormat::Depth16Unorm;
    pipelines.push_back(gpu.pipeline(source, "VertexShader", "FragmentShader", d));
  }
  std::mt19937 rng(52);
  std::uniform_real_distribution<float> unit(0, 1);
  std::vector<std::shared_ptr<Texture>> textures;
  for (PixelFormat f : {PixelFormat::RGBA8Unorm, PixelFormat::BGRA8Unorm}) {
    auto t = gpu.device->newTexture(TextureDescriptor::texture2DDescriptor(f, 37, 29, false));
    std::vector<std::uint8_t> texels(37 * 29 * 4);
    for (auto& b : texels) b = static_cast<std::uint8_t>(rng());
    t->replaceRegion(Region::make2D(0, 0, 37, 29), 0, texels.data(), 37 * 4);
    textures.push_back(t);
  }
  std::vector<std::shared_ptr<SamplerState>> samplers;
  for (int k = 0; k < 3; ++k) {
    SamplerDescriptor s;
    s.minFilter = s.magFilter = k == 2 ? SamplerMinMagFilter::Nearest : SamplerMinMagFilter::Linear;
    s.sAddressMode = s.tAddressMode = k == 1 ? SamplerAddressMode::Repeat : SamplerAddressMode::ClampToEdge;
    samplers.push_back(gpu.device->newSamplerState(s));
  }
  DepthStencilDescriptor tested;
  tested.depthCompareFunction = CompareFunction::LessEqual;
  tested.depthWriteEnabled = true;
  const std::shared_ptr<DepthStencilState> depthStates[] = {gpu.device->newDepthStencilState({}),
                                                             gpu.device->newDepthStencilState(tested)};
  auto color = gpu.target(colorFormat, kWidth, kHeight);
  auto depth = gpu.target(PixelFormat::Depth16Unorm, kWidth, kHeight);
  RenderPassDescriptor pass = RasterHarness::colorPass(color, {0.1, 0.2, 0.3, 1});
  pass.depthAttachment.texture = depth;
  pass.depthAttachment.loadAction = LoadAction::Clear;
  // Pixels to clip space, y down, and depth from the vertex's z (0).
  float uniforms[40] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1,
                        2.0f / kWidth, 0, 0, 0, 0, -2.0f / kHeight, 0, 0, 0, 0, 1, 0, -1, 1, 0, 1};
  const auto constants = gpu.device->newBuffer(16, 0);
  std::memset(constants->contents(), 0, 16);
  gpu.pass(pass, [&](RenderCommandEncoder& e) {
    e.setVertexBuffer(constants, 0, 2);
    for (int draw = 0; draw < 60; ++draw) {
      e.setRenderPipelineState(pipelines[static_cast<std::size_t>(draw) % pipelines.size()]);
      e.setDepthStencilState(depthStates[draw % 3 == 0 ? 1 : 0]);
      // Lighting on in some draws: a light direction with the zero normal.
      uniforms[36] = draw % 4 == 1 ? 0.6f : 0.0f;
      uniforms[37] = draw % 4 == 1 ? 0.8f : 0.0f;
      const std::int32_t material = draw % 8 == 5 ? 1 : 0;  // u_UseMaterial
      std::memcpy(&uniforms[32], &material, 4);
      e.setVertexBuffer(gpu.device->newBuffer(uniforms, sizeof uniforms, 0), 0, 0);
      const std::int32_t useTexture = draw % 3 != 2 ? 1 : 0;
      e.setFragmentBytes(&useTexture, 4, 0);
      e.setFragmentTexture(textures[static_cast<std::size_t>(draw) % 2], 0);
      e.setFragmentSamplerState(samplers[static_cast<std::size_t>(draw / 2) % 3], 0);
      std::vector<Vertex> vertices;
      const PrimitiveType types[] = {PrimitiveType::Triangle, PrimitiveType::TriangleStrip, PrimitiveType::Line,
                                     PrimitiveType::Point};
      const PrimitiveType type = types[draw % 4];
      const float size = draw % 5 == 0 ? 30.0f : 5.0f;
      const float cx = unit(rng) * kWidth, cy = unit(rng) * kHeight;
      for (int v = 0; v < 24; ++v) {
        // Some coordinates far beyond the texture, where bilinear weights
        // need more than float's precision.
        const float reach = draw % 7 == 3 ? 2e5f : 1.0f;
        Vertex x{{cx + size * (unit(rng) - 0.5f), cy + size * (unit(rng) - 0.5f)},
                 {unit(rng), unit(rng), unit(rng), unit(rng)},
                 {reach * (1.6f * unit(rng) - 0.3f), reach * (1.6f * unit(rng) - 0.3f)}};
        vertices.push_back(x);
      }
      e.setVertexBuffer(gpu.buffer(vertices), 0, 1);
      e.drawPrimitives(type, 0, vertices.size());
    }
  });
  exec::setFastPathsEnabled(true);
  std::vector<std::uint8_t> bytes = RasterHarness::bytes(*color);
  const std::vector<std::uint8_t> z = RasterHarness::bytes(*depth);
  bytes.insert(bytes.end(), z.begin(), z.end());
  return bytes;
}

TEST(RasterFastPaths, TheChartsDrawingGivesTheGeneralCodesBits) {
  for (PixelFormat format : {PixelFormat::RGBA8Unorm, PixelFormat::BGRA8Unorm}) {
    const std::vector<std::uint8_t> general = render(1, format, false);
    // Something was drawn: more than the clear colour.
    std::size_t drawn = 0;
    for (std::size_t i = 0; i + 3 < kWidth * kHeight * 4; i += 4) drawn += general[i + 3] != 255;
    EXPECT_GT(drawn, kWidth * kHeight / 8) << static_cast<int>(format);
    EXPECT_TRUE(render(1, format, true) == general) << static_cast<int>(format);
    EXPECT_TRUE(render(4, format, true) == general) << static_cast<int>(format);
  }
}

// Point sprites: a texel at the point coordinate, times the colour.
const std::string kSprites = kMetalPrelude + R"(
struct VIn { float2 position [[attribute(0)]]; float4 color [[attribute(1)]]; float size [[attribute(2)]]; };
struct VOut { float4 position [[position]]; float4 color; float size [[point_size]]; };
vertex VOut spriteVertex(VIn in [[stage_in]]) {
  VOut o;
  o.position = float4(in.position, 0.5, 1.0);
  o.color = in.color;
  o.size = in.size;
  return o;
}
struct FIn { float4 position [[position]]; float4 color; };
fragment float4 sprite(FIn in [[stage_in]], float2 pc [[point_coord]], texture2d<float> t [[texture(0)]],
                       sampler s [[sampler(0)]]) {
  return in.color * t.sample(s, pc);
}
)";

// Sprites drawn both ways, as points and (where point_coord reads zero) as
// triangles.
std::vector<std::uint8_t> renderSprites(PixelFormat format, bool fast) {
  exec::setFastPathsEnabled(fast);
  RasterHarness gpu;
  RenderPipelineDescriptor d;
  VertexDescriptor v;
  v.attributes[0] = {VertexFormat::Float2, 0, 1};
  v.attributes[1] = {VertexFormat::UChar4Normalized, 8, 1};
  v.attributes[2] = {VertexFormat::Float, 12, 1};
  v.layouts[1].stride = 16;
  d.vertexDescriptor = v;
  d.colorAttachments[0].pixelFormat = format;
  d.colorAttachments[0].blendingEnabled = true;
  d.colorAttachments[0].sourceRGBBlendFactor = d.colorAttachments[0].sourceAlphaBlendFactor = BlendFactor::One;
  d.colorAttachments[0].destinationRGBBlendFactor = d.colorAttachments[0].destinationAlphaBlendFactor = BlendFactor::One;
  auto pipeline = gpu.pipeline(kSprites, "spriteVertex", "sprite", d);
  auto texture = gpu.device->newTexture(TextureDescriptor::texture2DDescriptor(PixelFormat::BGRA8Unorm, 16, 16, false));
  std::mt19937 rng(7);
  std::vector<std::uint8_t> texels(16 * 16 * 4);
  for (auto& b : texels) b = static_cast<std::uint8_t>(rng() & 0x3F);
  texture->replaceRegion(Region::make2D(0, 0, 16, 16), 0, texels.data(), 64);
  SamplerDescriptor sd;
  sd.minFilter = sd.magFilter = SamplerMinMagFilter::Linear;
  auto sampler = gpu.device->newSamplerState(sd);
  struct Point {
    float position[2];
    std::uint8_t color[4];
    float size;
  };
  std::vector<Point> points;
  std::uniform_real_distribution<float> unit(-1, 1);
  for (int k = 0; k < 300; ++k) {
    points.push_back({{unit(rng), unit(rng)},
                      {static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()),
                       static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng())},
                      1 + 8 * std::fabs(unit(rng))});
  }
  auto color = gpu.target(format, kWidth, kHeight);
  gpu.pass(RasterHarness::colorPass(color), [&](RenderCommandEncoder& e) {
    e.setRenderPipelineState(pipeline);
    e.setVertexBuffer(gpu.buffer(points), 0, 1);
    e.setFragmentTexture(texture, 0);
    e.setFragmentSamplerState(sampler, 0);
    e.drawPrimitives(PrimitiveType::Point, 0, 240);
    e.drawPrimitives(PrimitiveType::Triangle, 240, 60);
  });
  exec::setFastPathsEnabled(true);
  return RasterHarness::bytes(*color);
}

TEST(RasterFastPaths, SpritesGiveTheGeneralCodesBits) {
  for (PixelFormat format : {PixelFormat::RGBA8Unorm, PixelFormat::BGRA8Unorm}) {
    const std::vector<std::uint8_t> general = renderSprites(format, false);
    EXPECT_GT(std::count_if(general.begin(), general.end(), [](std::uint8_t b) { return b != 0; }), 500);
    EXPECT_TRUE(renderSprites(format, true) == general) << static_cast<int>(format);
  }
}

// The shapes the fragment stage computes without the lane machine: the
// chart's fragment shader for either value of its texture switch, and
// nothing that differs from them.
exec::FragmentShape shapeOf(const std::string& source, const std::string& name, std::int32_t useTexture) {
  msl::CompileResult r = msl::compile(source);
  EXPECT_TRUE(r.ok()) << r.errors;
  for (const auto& f : r.functions) {
    if (f->name != name) continue;
    exec::LaneBuffer uniforms{reinterpret_cast<std::uint8_t*>(&useTexture), 4, false};
    const msl::SpecializedFunction s = msl::specialize(*f, exec::fixedValues(*f, &uniforms, 1, {}));
    return exec::recognizeShape(s.function, s.pinned);
  }
  ADD_FAILURE() << name;
  return {};
}

TEST(RasterFastPaths, TheChartsFragmentShaderHasItsShapes) {
  const std::string chart(msl::defaultLibrarySource());
  EXPECT_EQ(shapeOf(chart, "FragmentShader", 0).kind, exec::FragmentShape::Kind::color);
  const exec::FragmentShape textured = shapeOf(chart, "FragmentShader", 1);
  EXPECT_EQ(textured.kind, exec::FragmentShape::Kind::textured);
  EXPECT_TRUE(textured.flipV);
  EXPECT_NE(textured.color, textured.coordinate);
  const std::string others = kMetalPrelude + R"(
struct In { float4 color; float2 uv; float4 position [[position]]; };
fragment float4 doubled(In in [[stage_in]]) { return in.color * 2.0; }
fragment float4 swapped(In in [[stage_in]]) { return in.color.yxzw; }
fragment float4 positioned(In in [[stage_in]]) { return in.position; }
fragment float4 added(In in [[stage_in]], texture2d<float> t [[texture(0)]], sampler s [[sampler(0)]]) {
  return in.color + t.sample(s, in.uv);
}
fragment float4 biased(In in [[stage_in]], texture2d<float> t [[texture(0)]], sampler s [[sampler(0)]]) {
  return in.color * t.sample(s, in.uv, bias(1.0));
}
fragment float4 unflipped(In in [[stage_in]], texture2d<float> t [[texture(0)]], sampler s [[sampler(0)]]) {
  return in.color * t.sample(s, float2(in.uv.y, in.uv.x));
}
)";
  for (const char* name : {"doubled", "swapped", "positioned", "added", "biased"}) {
    EXPECT_EQ(shapeOf(others, name, 0).kind, exec::FragmentShape::Kind::none) << name;
  }
  const exec::FragmentShape sprite = shapeOf(kSprites, "sprite", 0);
  EXPECT_EQ(sprite.kind, exec::FragmentShape::Kind::textured);
  EXPECT_TRUE(sprite.pointCoord);
  const exec::FragmentShape crossed = shapeOf(others, "unflipped", 0);
  EXPECT_EQ(crossed.kind, exec::FragmentShape::Kind::textured);
  EXPECT_FALSE(crossed.flipV);
  EXPECT_EQ(crossed.u, 1u);
  EXPECT_EQ(crossed.v, 0u);
}

// The fast paths decode 8-bit channels as byte / 255 in float, or from the
// table of those: the codec's value of every byte, in every byte position
// of a texel.
TEST(RasterFastPaths, ByteChannelsDecodeAsTheCodecDoes) {
  std::size_t count = 0;
  const PixelFormatInfo* formats = allPixelFormats(count);
  const PixelFormatInfo& rgba = *std::find_if(formats, formats + count,
                                              [](const PixelFormatInfo& i) { return i.format == PixelFormat::RGBA8Unorm; });
  for (unsigned b = 0; b < 256; ++b) {
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(255 - b),
                                   static_cast<std::uint8_t>(b ^ 0x5A), static_cast<std::uint8_t>(b * 7)};
    std::uint32_t word;
    std::memcpy(&word, bytes, 4);
    const Texel codec = decodeTexel(rgba, bytes);
    for (unsigned k = 0; k < 4; ++k) {
      const exec::UInt4 texels = {word, word, word, word};
      EXPECT_EQ(exec::unorm8Channel(texels, k)[0], static_cast<float>(codec[k])) << b << " byte " << k;
      EXPECT_EQ(exec::kUnorm8[bytes[k]], static_cast<float>(codec[k])) << b << " byte " << k;
    }
  }
}

// Small triangles' coverage in 32 bits against the 64-bit edge functions,
// on every block around them, for each sample pattern (and the centres
// alone for one sample): sizes up to the largest that takes the 32-bit
// path, anywhere in a large target.
TEST(RasterFastPaths, NarrowTrianglesCoverWhatTheWideEdgesCover) {
  std::mt19937 rng(96);
  std::uniform_int_distribution<std::int32_t> place(0, 4000 * exec::kSubpixels), size(-96 * exec::kSubpixels, 96 * exec::kSubpixels);
  int narrow = 0, blocks = 0;
  for (unsigned samples : {1u, 2u, 4u}) {
    const exec::SamplePattern pattern = exec::samplePattern(samples);
    for (int t = 0; t < 3000; ++t) {
      exec::Primitive p;
      const std::int32_t cx = place(rng), cy = place(rng);
      for (unsigned k = 0; k < 3; ++k) {
        const std::int32_t scale = t % 3 == 0 ? 1 : 8;  // some tiny
        p.x[k] = cx + size(rng) / scale;
        p.y[k] = cy + size(rng) / scale;
      }
      p.area = (std::int64_t{p.x[1]} - p.x[0]) * (std::int64_t{p.y[2]} - p.y[0]) -
               (std::int64_t{p.x[2]} - p.x[0]) * (std::int64_t{p.y[1]} - p.y[0]);
      if (p.area < 0) {
        std::swap(p.x[1], p.x[2]);
        std::swap(p.y[1], p.y[2]);
        p.area = -p.area;
      }
      if (p.area == 0) continue;
      exec::TriangleEdges edges, wide;
      exec::triangleEdges(p, edges);
      exec::setFastPathsEnabled(false);
      exec::triangleEdges(p, wide);
      exec::setFastPathsEnabled(true);
      narrow += edges.narrow;
      EXPECT_FALSE(wide.narrow);
      const std::int32_t left = *std::min_element(p.x, p.x + 3) / exec::kSubpixels - 4;
      const std::int32_t top = *std::min_element(p.y, p.y + 3) / exec::kSubpixels - 4;
      const std::int32_t right = *std::max_element(p.x, p.x + 3) / exec::kSubpixels + 5;
      const std::int32_t bottom = *std::max_element(p.y, p.y + 3) / exec::kSubpixels + 5;
      const exec::PixelRect clip{left + 1, top + 1, right - 1, bottom - 1};
      for (std::int32_t by = top & ~3; by < bottom; by += 4) {
        for (std::int32_t bx = left & ~3; bx < right; bx += 4) {
          exec::BlockCoverage fast, general;
          exec::coverTriangleBlock(edges, pattern, bx, by, clip, fast);
          exec::coverTriangleBlock(wide, pattern, bx, by, clip, general);
          ++blocks;
          ASSERT_EQ(fast.lanes, general.lanes) << t << " at " << bx << ", " << by;
          ASSERT_EQ(std::memcmp(fast.samples, general.samples, sizeof fast.samples), 0) << t;
          if (samples == 1) {
            // One sample at the centres: the lanes alone, either way.
            ASSERT_EQ(exec::coverTriangleCentres(edges, bx, by, clip), general.lanes) << t;
            ASSERT_EQ(exec::coverTriangleCentres(wide, bx, by, clip), general.lanes) << t;
          }
        }
      }
    }
  }
  EXPECT_GT(narrow, 3000);
  EXPECT_GT(blocks, 100000);
}

}  // namespace
}  // namespace mtl::test
