// What happens to each sample: every blend factor and operation against
// Metal's equations evaluated in double, clamping for normalised targets,
// sRGB blending in linear space (IEC 61966-2-1), write masks, depth
// functions and bias, stencil functions, operations, masks and facing,
// visibility results, multisample coverage, alpha to coverage and to one,
// and the direct paths for 8-bit colour and depth giving the codec's bits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

#include "platform/metal/exec/output_merger.h"
#include "platform/metal/pixel_codec.h"
#include "raster_harness.h"

namespace mtl::test {
namespace {

const char* kShaders = R"(
struct V { float4 p [[attribute(0)]]; };
struct U { float4 colour; float4 more; };
vertex float4 vs(V in [[stage_in]]) { return in.p; }
fragment float4 fs(constant U& u [[buffer(0)]]) { return u.colour; }
struct Two { float4 a [[color(0)]]; float4 b [[color(1)]]; };
fragment Two fs2(constant U& u [[buffer(0)]]) { Two t; t.a = u.colour; t.b = u.more; return t; }
fragment float4 cut(constant U& u [[buffer(0)]], float4 p [[position]]) {
  if (p.x < u.more.x) discard_fragment();
  return u.colour;
}
)";

std::vector<float> fullScreen(float z = 0.5f, bool clockwise = true) {
  // Clockwise on screen (y down): (-1, 1) top left, (3, 1) right, (-1, -3) below.
  if (clockwise) return {-1, 1, z, 1, 3, 1, z, 1, -1, -3, z, 1};
  return {-1, 1, z, 1, -1, -3, z, 1, 3, 1, z, 1};
}

struct Draw {
  Draw(RasterHarness&, std::shared_ptr<RenderPipelineState> p, std::shared_ptr<DepthStencilState> ds = nullptr)
      : pipeline(std::move(p)), depthStencil(std::move(ds)) {}
  std::shared_ptr<RenderPipelineState> pipeline;
  std::shared_ptr<DepthStencilState> depthStencil;
  std::array<float, 4> colour{0, 0, 0, 1}, more{0, 0, 0, 0};
  std::array<float, 4> blendColor{0, 0, 0, 0};
  std::vector<float> vertices = fullScreen();
  std::uint32_t front = 0, back = 0;
  float bias = 0, slope = 0, clamp = 0;
  VisibilityResultMode visibility = VisibilityResultMode::Disabled;
  NSUInteger visibilityOffset = 0;

  void encode(RenderCommandEncoder& e) const {
    e.setRenderPipelineState(pipeline);
    if (depthStencil) e.setDepthStencilState(depthStencil);
    e.setBlendColor(blendColor[0], blendColor[1], blendColor[2], blendColor[3]);
    e.setStencilReferenceValues(front, back);
    e.setDepthBias(bias, slope, clamp);
    if (visibility != VisibilityResultMode::Disabled) e.setVisibilityResultMode(visibility, visibilityOffset);
    float u[8];
    std::copy(colour.begin(), colour.end(), u);
    std::copy(more.begin(), more.end(), u + 4);
    e.setFragmentBytes(u, sizeof u, 0);
    e.setVertexBytes(vertices.data(), vertices.size() * 4, 0);
    e.drawPrimitives(PrimitiveType::Triangle, 0, vertices.size() / 4);
  }
};

std::shared_ptr<RenderPipelineState> colourPipeline(RasterHarness& gpu, PixelFormat format,
                                                    RenderPipelineColorAttachmentDescriptor blend,
                                                    const char* fragment = "fs") {
  RenderPipelineDescriptor d;
  d.vertexDescriptor = positionLayout();
  blend.pixelFormat = format;
  d.colorAttachments[0] = blend;
  return gpu.pipeline(kShaders, "vs", fragment, d);
}

// ---- blending

double factorOf(BlendFactor f, int c, const double* s, const double* d, const double* k) {
  switch (f) {
    case BlendFactor::Zero: return 0;
    case BlendFactor::One: return 1;
    case BlendFactor::SourceColor: return s[c];
    case BlendFactor::OneMinusSourceColor: return 1 - s[c];
    case BlendFactor::SourceAlpha: return s[3];
    case BlendFactor::OneMinusSourceAlpha: return 1 - s[3];
    case BlendFactor::DestinationColor: return d[c];
    case BlendFactor::OneMinusDestinationColor: return 1 - d[c];
    case BlendFactor::DestinationAlpha: return d[3];
    case BlendFactor::OneMinusDestinationAlpha: return 1 - d[3];
    case BlendFactor::SourceAlphaSaturated: return c == 3 ? 1 : std::min(s[3], 1 - d[3]);
    case BlendFactor::BlendColor: return k[c];
    case BlendFactor::OneMinusBlendColor: return 1 - k[c];
    case BlendFactor::BlendAlpha: return k[3];
    case BlendFactor::OneMinusBlendAlpha: return 1 - k[3];
  }
  return 0;
}

// Metal's blend equation for one channel, in double.
double blendEquation(const RenderPipelineColorAttachmentDescriptor& b, int c, const double* s,
                     const double* d, const double* k) {
  const bool alpha = c == 3;
  const double fs = factorOf(alpha ? b.sourceAlphaBlendFactor : b.sourceRGBBlendFactor, c, s, d, k);
  const double fd = factorOf(alpha ? b.destinationAlphaBlendFactor : b.destinationRGBBlendFactor, c, s, d, k);
  switch (alpha ? b.alphaBlendOperation : b.rgbBlendOperation) {
    case BlendOperation::Add: return s[c] * fs + d[c] * fd;
    case BlendOperation::Subtract: return s[c] * fs - d[c] * fd;
    case BlendOperation::ReverseSubtract: return d[c] * fd - s[c] * fs;
    case BlendOperation::Min: return std::min(s[c], d[c]);
    case BlendOperation::Max: return std::max(s[c], d[c]);
  }
  return 0;
}

TEST(RasterOutput, EveryBlendFactorAndOperationFollowsTheEquations) {
  RasterHarness gpu;
  const double s[4] = {0.7, 0.2, 0.9, 0.6}, d[4] = {0.3, 0.8, 0.15, 0.35}, k[4] = {0.25, 0.5, 0.75, 0.4};
  int checked = 0;
  for (int f = 0; f <= 14; ++f) {
    for (int g = 0; g <= 14; ++g) {
      for (int op = 0; op <= 4; ++op) {
        if (op >= 3 && (f + g) % 7 != 0) continue;  // Min and Max ignore the factors
        RenderPipelineColorAttachmentDescriptor b;
        b.blendingEnabled = true;
        b.sourceRGBBlendFactor = static_cast<BlendFactor>(f);
        b.destinationRGBBlendFactor = static_cast<BlendFactor>(g);
        b.sourceAlphaBlendFactor = static_cast<BlendFactor>(g);
        b.destinationAlphaBlendFactor = static_cast<BlendFactor>(f);
        b.rgbBlendOperation = static_cast<BlendOperation>(op);
        b.alphaBlendOperation = static_cast<BlendOperation>((op + 1) % 5);
        auto target = gpu.target(PixelFormat::RGBA32Float, 4, 4);
        Draw draw{gpu, colourPipeline(gpu, PixelFormat::RGBA32Float, b)};
        draw.colour = {0.7f, 0.2f, 0.9f, 0.6f};
        draw.blendColor = {0.25f, 0.5f, 0.75f, 0.4f};
        gpu.pass(RasterHarness::colorPass(target, {0.3, 0.8, 0.15, 0.35}),
                 [&](RenderCommandEncoder& e) { draw.encode(e); });
        float got[4];
        std::memcpy(got, RasterHarness::bytes(*target).data(), 16);
        double sf[4], df[4], kf[4];
        for (int c = 0; c < 4; ++c) {
          sf[c] = static_cast<float>(s[c]);
          df[c] = static_cast<float>(d[c]);
          kf[c] = static_cast<float>(k[c]);
        }
        for (int c = 0; c < 4; ++c) {
          EXPECT_NEAR(got[c], blendEquation(b, c, sf, df, kf), 4e-7)
              << "factors " << f << " " << g << " op " << op << " channel " << c;
        }
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 15 * 15 * 3);
}

TEST(RasterOutput, NormalisedTargetsClampTheirInputsAndSrgbBlendsLinearly) {
  RasterHarness gpu;
  RenderPipelineColorAttachmentDescriptor b;
  b.blendingEnabled = true;
  b.sourceRGBBlendFactor = BlendFactor::BlendColor;
  b.destinationRGBBlendFactor = BlendFactor::One;
  b.sourceAlphaBlendFactor = BlendFactor::One;
  b.destinationAlphaBlendFactor = BlendFactor::OneMinusSourceAlpha;
  // Unorm: the source 1.5 and -0.25 and the blend colour 2 are clamped first.
  auto target = gpu.target(PixelFormat::RGBA8Unorm, 4, 4);
  Draw draw{gpu, colourPipeline(gpu, PixelFormat::RGBA8Unorm, b)};
  draw.colour = {1.5f, -0.25f, 0.5f, 0.25f};
  draw.blendColor = {2.0f, 0.5f, 0.25f, 1.0f};
  gpu.pass(RasterHarness::colorPass(target, {0.2, 0.4, 0.2, 0.8}),
           [&](RenderCommandEncoder& e) { draw.encode(e); });
  std::vector<std::uint8_t> px = RasterHarness::bytes(*target);
  auto unorm = [](double v) { return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
  const double d8[4] = {51 / 255.0, 102 / 255.0, 51 / 255.0, 204 / 255.0};
  EXPECT_EQ(px[0], unorm(1.0 * 1.0 + d8[0]));
  EXPECT_EQ(px[1], unorm(0.0 * 0.5 + d8[1]));
  EXPECT_EQ(px[2], unorm(0.5 * 0.25 + d8[2]));
  EXPECT_EQ(px[3], unorm(0.25 + d8[3] * 0.75));

  // sRGB: the destination is decoded, blended with the source in linear
  // space, and the result encoded again.
  auto toLinear = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
  auto toSrgb = [](double v) { return v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055; };
  RenderPipelineColorAttachmentDescriptor over;
  over.blendingEnabled = true;
  over.sourceRGBBlendFactor = BlendFactor::SourceAlpha;
  over.destinationRGBBlendFactor = BlendFactor::OneMinusSourceAlpha;
  auto srgb = gpu.target(PixelFormat::RGBA8Unorm_sRGB, 4, 4);
  Draw blended{gpu, colourPipeline(gpu, PixelFormat::RGBA8Unorm_sRGB, over)};
  blended.colour = {0.8f, 0.1f, 0.5f, 0.5f};
  gpu.pass(RasterHarness::colorPass(srgb, {0.05, 0.6, 0.25, 1}),
           [&](RenderCommandEncoder& e) { blended.encode(e); });
  px = RasterHarness::bytes(*srgb);
  const double clear[3] = {0.05, 0.6, 0.25}, source[3] = {0.8, 0.1, 0.5};
  for (int c = 0; c < 3; ++c) {
    const double stored = std::lround(toSrgb(clear[c]) * 255) / 255.0;  // the cleared byte
    const double linear = source[c] * 0.5 + toLinear(stored) * 0.5;
    EXPECT_NEAR(px[static_cast<std::size_t>(c)], toSrgb(linear) * 255, 0.5 + 1e-3) << c;
  }
}

TEST(RasterOutput, WriteMasksKeepTheChannelsTheyLeaveOut) {
  RasterHarness gpu;
  for (PixelFormat format : {PixelFormat::RGBA8Unorm, PixelFormat::BGRA8Unorm, PixelFormat::RGBA16Float,
                             PixelFormat::RGB10A2Unorm, PixelFormat::RG8Unorm, PixelFormat::RGBA8Unorm_sRGB}) {
    for (NSUInteger mask = 0; mask < 16; ++mask) {
      RenderPipelineColorAttachmentDescriptor b;
      b.writeMask = mask;
      auto target = gpu.target(format, 4, 4);
      Draw draw{gpu, colourPipeline(gpu, format, b)};
      draw.colour = {1, 0, 1, 0};
      gpu.pass(RasterHarness::colorPass(target, {0, 1, 0, 1}),
               [&](RenderCommandEncoder& e) { draw.encode(e); });
      const Texel t = decodeTexel(target->formatInfo(), RasterHarness::bytes(*target).data());
      const NSUInteger bits[4] = {ColorWriteMaskRed, ColorWriteMaskGreen, ColorWriteMaskBlue, ColorWriteMaskAlpha};
      const double written[4] = {1, 0, 1, 0}, kept[4] = {0, 1, 0, 1};
      const unsigned channels = format == PixelFormat::RG8Unorm ? 2 : 4;
      for (unsigned c = 0; c < channels; ++c) {
        EXPECT_NEAR(t[c], (mask & bits[c]) ? written[c] : kept[c], 1e-3)
            << static_cast<int>(format) << " mask " << mask << " channel " << c;
      }
    }
  }
}

// ---- depth and stencil

struct DepthTarget {
  std::shared_ptr<Texture> texture;
  RenderPassDescriptor pass(double clearDepth, std::uint32_t clearStencil, bool load = false) const {
    RenderPassDescriptor p;
    p.depthAttachment.texture = texture;
    p.depthAttachment.loadAction = load ? LoadAction::Load : LoadAction::Clear;
    p.depthAttachment.clearDepth = clearDepth;
    if (texture->formatInfo().hasStencil) {
      p.stencilAttachment.texture = texture;
      p.stencilAttachment.loadAction = load ? LoadAction::Load : LoadAction::Clear;
      p.stencilAttachment.clearStencil = clearStencil;
    }
    return p;
  }
  double depth(std::size_t texel = 0) const {
    return decodeDepth(texture->formatInfo(), RasterHarness::bytes(*texture).data() + texel * texture->formatInfo().bytesPerBlock);
  }
  std::uint32_t stencil(std::size_t texel = 0) const {
    return decodeStencil(texture->formatInfo(), RasterHarness::bytes(*texture).data() + texel * texture->formatInfo().bytesPerBlock);
  }
};

DepthTarget depthTarget(RasterHarness& gpu, PixelFormat format, NSUInteger size = 4) {
  TextureDescriptor d = TextureDescriptor::texture2DDescriptor(format, size, size, false);
  d.usage = TextureUsageRenderTarget;
  return {gpu.device->newTexture(d)};
}

std::shared_ptr<RenderPipelineState> depthPipeline(RasterHarness& gpu, PixelFormat format) {
  RenderPipelineDescriptor d;
  d.vertexDescriptor = positionLayout();
  d.depthAttachmentPixelFormat = format;
  if (pixelFormatInfo(format)->hasStencil) d.stencilAttachmentPixelFormat = format;
  return gpu.pipeline(kShaders, "vs", "", d);
}

bool expectedCompare(CompareFunction f, double a, double b) {
  switch (f) {
    case CompareFunction::Never: return false;
    case CompareFunction::Less: return a < b;
    case CompareFunction::Equal: return a == b;
    case CompareFunction::LessEqual: return a <= b;
    case CompareFunction::Greater: return a > b;
    case CompareFunction::NotEqual: return a != b;
    case CompareFunction::GreaterEqual: return a >= b;
    case CompareFunction::Always: return true;
  }
  return false;
}

TEST(RasterOutput, DepthFunctionsCompareAndWriteInTheAttachmentsPrecision) {
  RasterHarness gpu;
  for (PixelFormat format : {PixelFormat::Depth32Float, PixelFormat::Depth16Unorm, PixelFormat::Depth32Float_Stencil8}) {
    auto pipeline = depthPipeline(gpu, format);
    for (int f = 0; f < 8; ++f) {
      for (bool write : {false, true}) {
        // 0.5 + 1e-6 rounds to the same 16-bit depth as 0.5 but not to the same float.
        for (float z : {0.25f, 0.5f, 0.5f + 1e-6f, 0.75f}) {
          DepthStencilDescriptor ds;
          ds.depthCompareFunction = static_cast<CompareFunction>(f);
          ds.depthWriteEnabled = write;
          DepthTarget target = depthTarget(gpu, format);
          Draw draw{gpu, pipeline, gpu.device->newDepthStencilState(ds)};
          draw.vertices = fullScreen(z);
          draw.visibility = VisibilityResultMode::Counting;
          auto results = gpu.device->newBuffer(8, 0);
          RenderPassDescriptor pass = target.pass(0.5, 0);
          pass.visibilityResultBuffer = results;
          gpu.pass(pass, [&](RenderCommandEncoder& e) { draw.encode(e); });
          const double stored = format == PixelFormat::Depth16Unorm ? std::lround(z * 65535.0) / 65535.0
                                                                     : static_cast<double>(z);
          const double cleared = format == PixelFormat::Depth16Unorm ? std::lround(0.5 * 65535.0) / 65535.0 : 0.5;
          const bool pass16 = expectedCompare(static_cast<CompareFunction>(f), stored, cleared);
          EXPECT_EQ(target.depth(), pass16 && write ? stored : cleared)
              << static_cast<int>(format) << " function " << f << " z " << z;
          std::uint64_t count;
          std::memcpy(&count, results->contents(), 8);
          EXPECT_EQ(count, pass16 ? 16u : 0u);
        }
      }
    }
  }
}

std::uint32_t expectedStencilOp(StencilOperation op, std::uint32_t v, std::uint32_t ref) {
  switch (op) {
    case StencilOperation::Keep: return v;
    case StencilOperation::Zero: return 0;
    case StencilOperation::Replace: return ref;
    case StencilOperation::IncrementClamp: return v == 255 ? 255 : v + 1;
    case StencilOperation::DecrementClamp: return v == 0 ? 0 : v - 1;
    case StencilOperation::Invert: return 255 - v;
    case StencilOperation::IncrementWrap: return v == 255 ? 0 : v + 1;
    case StencilOperation::DecrementWrap: return v == 0 ? 255 : v - 1;
  }
  return v;
}

TEST(RasterOutput, StencilFunctionsOperationsMasksAndFacing) {
  RasterHarness gpu;
  std::mt19937 rng(27);
  for (PixelFormat format : {PixelFormat::Depth32Float_Stencil8}) {
    auto pipeline = depthPipeline(gpu, format);
    int cases = 0;
    for (int i = 0; i < 400; ++i) {
      StencilDescriptor front, back;
      for (StencilDescriptor* s : {&front, &back}) {
        s->stencilCompareFunction = static_cast<CompareFunction>(rng() % 8);
        s->stencilFailureOperation = static_cast<StencilOperation>(rng() % 8);
        s->depthFailureOperation = static_cast<StencilOperation>(rng() % 8);
        s->depthStencilPassOperation = static_cast<StencilOperation>(rng() % 8);
        s->readMask = rng() % 3 == 0 ? 0xFFFFFFFFu : rng();
        s->writeMask = rng() % 3 == 0 ? 0xFFFFFFFFu : rng();
      }
      const std::uint32_t stored = i % 4 == 0 ? 0 : i % 4 == 1 ? 255 : rng() % 256;
      const std::uint32_t refFront = rng() % 300, refBack = rng() % 300;  // only the low 8 bits count
      const bool facingFront = rng() % 2;
      const bool depthPasses = rng() % 2;
      DepthStencilDescriptor ds;
      ds.depthCompareFunction = depthPasses ? CompareFunction::Always : CompareFunction::Never;
      ds.frontFaceStencil = front;
      ds.backFaceStencil = back;
      DepthTarget target = depthTarget(gpu, format);
      Draw draw{gpu, pipeline, gpu.device->newDepthStencilState(ds)};
      draw.vertices = fullScreen(0.5f, facingFront);  // the default winding is clockwise
      draw.front = refFront;
      draw.back = refBack;
      gpu.pass(target.pass(1.0, stored), [&](RenderCommandEncoder& e) { draw.encode(e); });
      const StencilDescriptor& s = facingFront ? front : back;
      const std::uint32_t ref = (facingFront ? refFront : refBack) & 0xFF;
      const bool stencilPass = expectedCompare(s.stencilCompareFunction, ref & s.readMask & 0xFF,
                                               stored & s.readMask & 0xFF);
      const StencilOperation op = !stencilPass ? s.stencilFailureOperation
                                  : !depthPasses ? s.depthFailureOperation
                                                 : s.depthStencilPassOperation;
      const std::uint32_t mask = s.writeMask & 0xFF;
      const std::uint32_t expected = (stored & ~mask & 0xFF) | (expectedStencilOp(op, stored, ref) & mask);
      ASSERT_EQ(target.stencil(), expected) << "case " << i;
      ++cases;
    }
    EXPECT_EQ(cases, 400);
  }
}

TEST(RasterOutput, DepthBiasAddsConstantAndSlopeTermsAndClamps) {
  RasterHarness gpu;
  // A plane whose depth rises by 1/64 per pixel in x: slope 1/64.
  const std::vector<float> slope{-1, 1, 0.25f, 1, 3, 1, 0.25f + 4 * 0.125f, 1, -1, -3, 0.25f, 1};
  struct Case { PixelFormat format; float bias, slopeScale, clamp; };
  for (const Case& c : {Case{PixelFormat::Depth32Float, 3, 0, 0}, Case{PixelFormat::Depth32Float, 0, 2, 0},
                        Case{PixelFormat::Depth32Float, 100, 2, 0.01f}, Case{PixelFormat::Depth16Unorm, 5, 0, 0},
                        Case{PixelFormat::Depth16Unorm, -2, 1, -1e-5f}}) {
    DepthStencilDescriptor ds;
    ds.depthWriteEnabled = true;
    DepthTarget target = depthTarget(gpu, c.format, 8);
    Draw draw{gpu, depthPipeline(gpu, c.format), gpu.device->newDepthStencilState(ds)};
    draw.vertices = slope;
    draw.bias = c.bias;
    draw.slope = c.slopeScale;
    draw.clamp = c.clamp;
    gpu.pass(target.pass(1.0, 0), [&](RenderCommandEncoder& e) { draw.encode(e); });
    const double dzdx = 0.125 / 4 / 8 * 2;  // 4 units of clip x per 0.5 of depth over 8 pixels / 2
    for (int x = 0; x < 8; ++x) {
      const double z = 0.25 + (x + 0.5) * (0.5 / 16.0);
      const double largest = std::max(0.25, 0.75);
      int e;
      std::frexp(largest, &e);
      const double r = c.format == PixelFormat::Depth16Unorm ? std::ldexp(1.0, -16) : std::ldexp(1.0, e - 1 - 23);
      double offset = c.bias * r + c.slopeScale * (0.5 / 16.0);
      if (c.clamp > 0) offset = std::min(offset, static_cast<double>(c.clamp));
      if (c.clamp < 0) offset = std::max(offset, static_cast<double>(c.clamp));
      const double expected = z + offset;
      const double tolerance = c.format == PixelFormat::Depth16Unorm ? 0.5 / 65535 + 1e-9 : 1e-7;
      EXPECT_NEAR(target.depth(static_cast<std::size_t>(x)), expected, tolerance)
          << static_cast<int>(c.format) << " bias " << c.bias << " slope " << c.slopeScale << " x " << x;
      (void)dzdx;
    }
  }
}

// ---- visibility, samples, coverage

TEST(RasterOutput, VisibilityCountsSamplesAndBooleanWritesOne) {
  RasterHarness gpu;
  RenderPipelineDescriptor d;
  d.vertexDescriptor = positionLayout();
  d.colorAttachments[0].pixelFormat = PixelFormat::RGBA8Unorm;
  d.sampleCount = 4;
  auto pipeline = gpu.pipeline(kShaders, "vs", "fs", d);
  auto target = gpu.target(PixelFormat::RGBA8Unorm, 32, 32, 4);
  auto results = gpu.device->newBuffer(64, 0);
  std::memset(results->contents(), 0xAB, 64);
  // A 10 x 10 pixel quad: (4, 6) to (14, 16) in window coordinates.
  auto quad = [](float x0, float y0, float x1, float y1) {
    auto cx = [](float x) { return x / 16 - 1; };
    auto cy = [](float y) { return 1 - y / 16; };
    return std::vector<float>{cx(x0), cy(y0), 0, 1, cx(x1), cy(y0), 0, 1, cx(x1), cy(y1), 0, 1,
                              cx(x0), cy(y0), 0, 1, cx(x1), cy(y1), 0, 1, cx(x0), cy(y1), 0, 1};
  };
  RenderPassDescriptor pass = RasterHarness::colorPass(target);
  pass.visibilityResultBuffer = results;
  gpu.pass(pass, [&](RenderCommandEncoder& e) {
    Draw draw{gpu, pipeline};
    draw.vertices = quad(4, 6, 14, 16);
    draw.visibility = VisibilityResultMode::Counting;
    draw.visibilityOffset = 8;
    draw.encode(e);
    draw.visibility = VisibilityResultMode::Boolean;
    draw.visibilityOffset = 24;
    draw.encode(e);
    draw.vertices = quad(40, 40, 50, 50);  // off the target: nothing passes
    draw.visibilityOffset = 40;
    draw.encode(e);
  });
  std::uint64_t v[8];
  std::memcpy(v, results->contents(), 64);
  EXPECT_EQ(v[1], 400u);
  EXPECT_EQ(v[3], 1u);
  EXPECT_EQ(v[5], 0u);
  for (int k : {0, 2, 4, 6, 7}) EXPECT_EQ(v[k], 0xABABABABABABABABu) << "offset " << 8 * k << " untouched";
}

TEST(RasterOutput, SamplesFollowMetalsStandardPositionsAndAlphaToCoverage) {
  RasterHarness gpu;
  for (NSUInteger samples : {2u, 4u}) {
    RenderPipelineDescriptor d;
    d.vertexDescriptor = positionLayout();
    d.colorAttachments[0].pixelFormat = PixelFormat::R8Unorm;
    d.sampleCount = samples;
    auto pipeline = gpu.pipeline(kShaders, "vs", "fs", d);
    // Edges a 256th of a pixel either side of each sample and through it:
    // x < e (a right edge) and y < e (a bottom edge) keep the samples left
    // of or above e, and a sample on the edge is not covered.
    const std::vector<double> xs = samples == 2 ? std::vector<double>{0.75, 0.25}
                                                : std::vector<double>{0.375, 0.875, 0.125, 0.625};
    const std::vector<double> ys = samples == 2 ? std::vector<double>{0.75, 0.25}
                                                : std::vector<double>{0.125, 0.375, 0.625, 0.875};
    for (int axis = 0; axis < 2; ++axis) {
      for (double position : axis == 0 ? xs : ys) {
        for (int step = -1; step <= 1; ++step) {
          const double e = position + step / 256.0;
          const float ex = static_cast<float>(e / 2 - 1), ey = static_cast<float>(1 - e / 2);
          auto target = gpu.target(PixelFormat::R8Unorm, 4, 4, samples);
          gpu.pass(RasterHarness::colorPass(target), [&](RenderCommandEncoder& enc) {
            Draw draw{gpu, pipeline};
            draw.colour = {1, 1, 1, 1};
            if (axis == 0) {
              draw.vertices = {-1, 1, 0, 1, ex, 1, 0, 1, ex, -1, 0, 1,  -1, 1, 0, 1, ex, -1, 0, 1, -1, -1, 0, 1};
            } else {
              draw.vertices = {-1, 1, 0, 1, 1, 1, 0, 1, 1, ey, 0, 1,  -1, 1, 0, 1, 1, ey, 0, 1, -1, ey, 0, 1};
            }
            draw.encode(enc);
          });
          const std::vector<std::uint8_t> px = RasterHarness::bytes(*target);
          const std::vector<double>& along = axis == 0 ? xs : ys;
          for (std::size_t k = 0; k < samples; ++k) {
            EXPECT_EQ(px[k], along[k] < e ? 255 : 0)
                << samples << " samples, edge " << (axis == 0 ? "x = " : "y = ") << e << ", sample " << k;
            EXPECT_EQ(px[(axis == 0 ? samples : 4 * samples) + k], 0);  // the next pixel is beyond it
          }
        }
      }
    }
    // Alpha to coverage keeps round(alpha n) samples, the first ones.
    RenderPipelineDescriptor a2c = d;
    a2c.alphaToCoverageEnabled = true;
    a2c.alphaToOneEnabled = true;
    auto coverage = gpu.pipeline(kShaders, "vs", "fs", a2c);
    for (float alpha : {0.0f, 0.3f, 0.5f, 0.9f, 1.0f}) {
      auto t = gpu.target(PixelFormat::R8Unorm, 4, 4, samples);
      gpu.pass(RasterHarness::colorPass(t), [&](RenderCommandEncoder& e) {
        Draw draw{gpu, coverage};
        draw.colour = {1, 1, 1, alpha};
        draw.encode(e);
      });
      const std::vector<std::uint8_t> b = RasterHarness::bytes(*t);
      const std::size_t keep = static_cast<std::size_t>(std::lround(alpha * static_cast<float>(samples)));
      for (std::size_t s = 0; s < samples; ++s) EXPECT_EQ(b[s], s < keep ? 255 : 0) << alpha << " " << s;
    }
  }
}

TEST(RasterOutput, DiscardedFragmentsWriteNeitherColourNorDepth) {
  RasterHarness gpu;
  RenderPipelineDescriptor d;
  d.vertexDescriptor = positionLayout();
  d.colorAttachments[0].pixelFormat = PixelFormat::RGBA8Unorm;
  d.depthAttachmentPixelFormat = PixelFormat::Depth32Float;
  auto pipeline = gpu.pipeline(kShaders, "vs", "cut", d);
  auto color = gpu.target(PixelFormat::RGBA8Unorm, 8, 4);
  DepthTarget depth = depthTarget(gpu, PixelFormat::Depth32Float, 8);
  depth.texture = gpu.target(PixelFormat::Depth32Float, 8, 4);
  DepthStencilDescriptor ds;
  ds.depthCompareFunction = CompareFunction::Less;
  ds.depthWriteEnabled = true;
  RenderPassDescriptor pass = RasterHarness::colorPass(color);
  pass.depthAttachment.texture = depth.texture;
  pass.depthAttachment.loadAction = LoadAction::Clear;
  auto results = gpu.device->newBuffer(8, 0);
  pass.visibilityResultBuffer = results;
  gpu.pass(pass, [&](RenderCommandEncoder& e) {
    Draw draw{gpu, pipeline, gpu.device->newDepthStencilState(ds)};
    draw.colour = {1, 1, 1, 1};
    draw.more = {5, 0, 0, 0};  // discards x < 5
    draw.vertices = fullScreen(0.25f);
    draw.visibility = VisibilityResultMode::Counting;
    draw.encode(e);
  });
  const std::vector<std::uint8_t> c = RasterHarness::bytes(*color);
  for (int x = 0; x < 8; ++x) {
    EXPECT_EQ(c[static_cast<std::size_t>(x) * 4], x < 5 ? 0 : 255) << x;
    EXPECT_EQ(depth.depth(static_cast<std::size_t>(x)), x < 5 ? 1.0 : 0.25) << x;
  }
  std::uint64_t count;
  std::memcpy(&count, results->contents(), 8);
  EXPECT_EQ(count, 3u * 4u);
}

// ---- the direct paths

TEST(RasterOutput, DirectPathsGiveTheCodecsBits) {
  // A scene of random triangles into every format with a direct path, each
  // blended with its own factors and operations (every factor on both
  // sides, every operation), drawn with and without the direct paths.
  auto render = [](PixelFormat colorFormat, PixelFormat depthFormat, bool fast) {
    exec::setFastPathsEnabled(fast);
    RasterHarness gpu;
    std::vector<std::shared_ptr<RenderPipelineState>> pipelines;
    for (int i = 0; i < 15; ++i) {
      RenderPipelineDescriptor d;
      d.vertexDescriptor = positionLayout();
      auto& b = d.colorAttachments[0];
      b.pixelFormat = colorFormat;
      b.blendingEnabled = i != 14;
      b.sourceRGBBlendFactor = static_cast<BlendFactor>(i);
      b.destinationRGBBlendFactor = static_cast<BlendFactor>((i * 7 + 3) % 15);
      b.sourceAlphaBlendFactor = static_cast<BlendFactor>((i * 4 + 9) % 15);
      b.destinationAlphaBlendFactor = static_cast<BlendFactor>(14 - i);
      b.rgbBlendOperation = static_cast<BlendOperation>(i % 5);
      b.alphaBlendOperation = static_cast<BlendOperation>((i + 2) % 5);
      b.writeMask = i % 3 == 0 ? ColorWriteMaskRed | ColorWriteMaskGreen | ColorWriteMaskAlpha
                               : ColorWriteMaskAll;
      d.depthAttachmentPixelFormat = depthFormat;
      pipelines.push_back(gpu.pipeline(kShaders, "vs", "fs", d));
    }
    auto color = gpu.target(colorFormat, 32, 32);
    auto depth = gpu.target(depthFormat, 32, 32);
    DepthStencilDescriptor ds;
    ds.depthCompareFunction = CompareFunction::LessEqual;
    ds.depthWriteEnabled = true;
    auto state = gpu.device->newDepthStencilState(ds);
    RenderPassDescriptor pass = RasterHarness::colorPass(color, {0.3, 0.6, 0.9, 0.5});
    pass.depthAttachment.texture = depth;
    pass.depthAttachment.loadAction = LoadAction::Clear;
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> u(-1.2f, 1.2f), v(-0.3f, 1.4f);
    gpu.pass(pass, [&](RenderCommandEncoder& e) {
      for (int i = 0; i < 90; ++i) {
        Draw draw{gpu, pipelines[static_cast<std::size_t>(i) % pipelines.size()], state};
        draw.colour = {v(rng), v(rng), v(rng), v(rng)};
        draw.blendColor = {v(rng), v(rng), v(rng), v(rng)};
        draw.vertices.clear();
        for (int k = 0; k < 3; ++k) draw.vertices.insert(draw.vertices.end(), {u(rng), u(rng), std::fabs(v(rng)) / 1.4f, 1});
        draw.encode(e);
      }
    });
    exec::setFastPathsEnabled(true);
    std::vector<std::uint8_t> bytes = RasterHarness::bytes(*color);
    const std::vector<std::uint8_t> z = RasterHarness::bytes(*depth);
    bytes.insert(bytes.end(), z.begin(), z.end());
    return bytes;
  };
  for (PixelFormat c : {PixelFormat::BGRA8Unorm, PixelFormat::RGBA8Unorm}) {
    for (PixelFormat z : {PixelFormat::Depth16Unorm, PixelFormat::Depth32Float}) {
      EXPECT_TRUE(render(c, z, true) == render(c, z, false)) << static_cast<int>(c) << " " << static_cast<int>(z);
    }
  }
}

}  // namespace
}  // namespace mtl::test
