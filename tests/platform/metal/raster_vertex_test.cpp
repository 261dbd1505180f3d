// Vertex fetch: every vertex format into float and integer attributes,
// missing components from (0, 0, 0, 1), reads that stop at the bound
// length (zero beyond), step functions, index reads beyond the index
// buffer; and what draws refuse at the moment they are encoded.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <random>

#include "platform/metal/exec/vertex_fetch.h"
#include "platform/metal/half_float.h"
#include "platform/metal/validation.h"
#include "raster_harness.h"

namespace mtl::test {
namespace {

struct FormatCase {
  VertexFormat format;
  unsigned components, size;
  enum Kind { U8, S8, U16, S16, Half, Float, S32, U32 } kind;
  bool normalized;
};

const FormatCase kFormats[] = {
    {VertexFormat::UChar, 1, 1, FormatCase::U8, false}, {VertexFormat::UChar2, 2, 1, FormatCase::U8, false},
    {VertexFormat::UChar3, 3, 1, FormatCase::U8, false}, {VertexFormat::UChar4, 4, 1, FormatCase::U8, false},
    {VertexFormat::Char, 1, 1, FormatCase::S8, false}, {VertexFormat::Char2, 2, 1, FormatCase::S8, false},
    {VertexFormat::Char3, 3, 1, FormatCase::S8, false}, {VertexFormat::Char4, 4, 1, FormatCase::S8, false},
    {VertexFormat::UCharNormalized, 1, 1, FormatCase::U8, true},
    {VertexFormat::UChar2Normalized, 2, 1, FormatCase::U8, true},
    {VertexFormat::UChar3Normalized, 3, 1, FormatCase::U8, true},
    {VertexFormat::UChar4Normalized, 4, 1, FormatCase::U8, true},
    {VertexFormat::CharNormalized, 1, 1, FormatCase::S8, true},
    {VertexFormat::Char2Normalized, 2, 1, FormatCase::S8, true},
    {VertexFormat::Char3Normalized, 3, 1, FormatCase::S8, true},
    {VertexFormat::Char4Normalized, 4, 1, FormatCase::S8, true},
    {VertexFormat::UShort, 1, 2, FormatCase::U16, false}, {VertexFormat::UShort2, 2, 2, FormatCase::U16, false},
    {VertexFormat::UShort3, 3, 2, FormatCase::U16, false}, {VertexFormat::UShort4, 4, 2, FormatCase::U16, false},
    {VertexFormat::Short, 1, 2, FormatCase::S16, false}, {VertexFormat::Short2, 2, 2, FormatCase::S16, false},
    {VertexFormat::Short3, 3, 2, FormatCase::S16, false}, {VertexFormat::Short4, 4, 2, FormatCase::S16, false},
    {VertexFormat::UShortNormalized, 1, 2, FormatCase::U16, true},
    {VertexFormat::UShort2Normalized, 2, 2, FormatCase::U16, true},
    {VertexFormat::UShort3Normalized, 3, 2, FormatCase::U16, true},
    {VertexFormat::UShort4Normalized, 4, 2, FormatCase::U16, true},
    {VertexFormat::ShortNormalized, 1, 2, FormatCase::S16, true},
    {VertexFormat::Short2Normalized, 2, 2, FormatCase::S16, true},
    {VertexFormat::Short3Normalized, 3, 2, FormatCase::S16, true},
    {VertexFormat::Short4Normalized, 4, 2, FormatCase::S16, true},
    {VertexFormat::Half, 1, 2, FormatCase::Half, false}, {VertexFormat::Half2, 2, 2, FormatCase::Half, false},
    {VertexFormat::Half3, 3, 2, FormatCase::Half, false}, {VertexFormat::Half4, 4, 2, FormatCase::Half, false},
    {VertexFormat::Float, 1, 4, FormatCase::Float, false}, {VertexFormat::Float2, 2, 4, FormatCase::Float, false},
    {VertexFormat::Float3, 3, 4, FormatCase::Float, false}, {VertexFormat::Float4, 4, 4, FormatCase::Float, false},
    {VertexFormat::Int, 1, 4, FormatCase::S32, false}, {VertexFormat::Int2, 2, 4, FormatCase::S32, false},
    {VertexFormat::Int3, 3, 4, FormatCase::S32, false}, {VertexFormat::Int4, 4, 4, FormatCase::S32, false},
    {VertexFormat::UInt, 1, 4, FormatCase::U32, false}, {VertexFormat::UInt2, 2, 4, FormatCase::U32, false},
    {VertexFormat::UInt3, 3, 4, FormatCase::U32, false}, {VertexFormat::UInt4, 4, 4, FormatCase::U32, false},
};

// The value a component's bytes stand for, by the formats' definitions.
double valueOf(const FormatCase& f, const std::uint8_t* p) {
  switch (f.kind) {
    case FormatCase::U8: return f.normalized ? p[0] / 255.0 : p[0];
    case FormatCase::S8: {
      const auto v = static_cast<std::int8_t>(p[0]);
      return f.normalized ? std::max(v / 127.0, -1.0) : v;
    }
    case FormatCase::U16: {
      std::uint16_t v;
      std::memcpy(&v, p, 2);
      return f.normalized ? v / 65535.0 : v;
    }
    case FormatCase::S16: {
      std::int16_t v;
      std::memcpy(&v, p, 2);
      return f.normalized ? std::max(v / 32767.0, -1.0) : v;
    }
    case FormatCase::Half: {
      std::uint16_t v;
      std::memcpy(&v, p, 2);
      return halfToFloat(v);
    }
    case FormatCase::Float: {
      float v;
      std::memcpy(&v, p, 4);
      return v;
    }
    case FormatCase::S32: {
      std::int32_t v;
      std::memcpy(&v, p, 4);
      return v;
    }
    case FormatCase::U32: {
      std::uint32_t v;
      std::memcpy(&v, p, 4);
      return v;
    }
  }
  return 0;
}

const char* kFetch = R"(
struct V { float2 at [[attribute(0)]]; float4 f [[attribute(1)]]; };
struct O { float4 p [[position]]; float4 f; };
vertex O vs(V in [[stage_in]]) { O o; o.p = float4(in.at, 0.5, 1.0); o.f = in.f; return o; }
struct IV { float2 at [[attribute(0)]]; int4 i [[attribute(1)]]; };
struct IO { float4 p [[position]]; int4 i [[flat]]; };
vertex IO ivs(IV in [[stage_in]]) { IO o; o.p = float4(in.at, 0.5, 1.0); o.i = in.i; return o; }
struct F { float4 p [[position]]; float4 f; };
fragment float4 fs(F in [[stage_in]]) { return in.f; }
struct IF { float4 p [[position]]; int4 i [[flat]]; };
fragment int4 ifs(IF in [[stage_in]]) { return in.i; }
)";

// Draws one point per vertex at pixel (k, 0) of a target `count` wide,
// attribute 1 read with `format` from `data` (stride `stride`, `length`
// bytes bound); returns the target's texels as four 32-bit words.
std::vector<std::uint32_t> fetch(RasterHarness& gpu, VertexFormat format, bool integer,
                                 const std::vector<std::uint8_t>& data, NSUInteger stride,
                                 int count, int first = 0) {
  RenderPipelineDescriptor d;
  VertexDescriptor v;
  v.attributes[0] = {VertexFormat::Float2, 0, 0};
  v.attributes[1] = {format, 0, 1};
  v.layouts[0].stride = 8;
  v.layouts[1].stride = stride;
  d.vertexDescriptor = v;
  const PixelFormat target = integer ? PixelFormat::RGBA32Sint : PixelFormat::RGBA32Float;
  d.colorAttachments[0].pixelFormat = target;
  auto pipeline = gpu.pipeline(kFetch, integer ? "ivs" : "vs", integer ? "ifs" : "fs", d);
  auto texture = gpu.target(target, static_cast<NSUInteger>(count), 1);
  std::vector<float> at;
  for (int k = 0; k < first + count; ++k) {
    at.insert(at.end(), {(static_cast<float>(k - first) + 0.5f) / static_cast<float>(count) * 2 - 1, 0});
  }
  auto positions = gpu.buffer(at);
  auto attributes = gpu.device->newBuffer(data.data(), data.size(), 0);
  gpu.pass(RasterHarness::colorPass(texture), [&](RenderCommandEncoder& e) {
    e.setRenderPipelineState(pipeline);
    e.setVertexBuffer(positions, 0, 0);
    e.setVertexBuffer(attributes, 0, 1);
    e.drawPrimitives(PrimitiveType::Point, static_cast<NSUInteger>(first), static_cast<NSUInteger>(count));
  });
  const std::vector<std::uint8_t> bytes = RasterHarness::bytes(*texture);
  std::vector<std::uint32_t> words(bytes.size() / 4);
  std::memcpy(words.data(), bytes.data(), bytes.size());
  return words;
}

TEST(RasterVertex, EveryFormatReachesFloatAndIntegerAttributesByValue) {
  RasterHarness gpu;
  std::mt19937 rng(10);
  int checked = 0;
  for (const FormatCase& f : kFormats) {
    const int count = 8;
    const unsigned stride = 16;
    std::vector<std::uint8_t> data(stride * count);
    for (auto& b : data) b = static_cast<std::uint8_t>(rng());
    if (f.kind == FormatCase::Half || f.kind == FormatCase::Float) {
      // Finite values: sign, exponent and mantissa at random, no NaN.
      for (std::size_t k = 0; k + f.size <= data.size(); k += f.size) {
        if (f.kind == FormatCase::Half) {
          const std::uint16_t h = floatToHalf(std::uniform_real_distribution<float>(-1000, 1000)(rng));
          std::memcpy(&data[k], &h, 2);
        } else {
          const float v = std::uniform_real_distribution<float>(-1e6f, 1e6f)(rng);
          std::memcpy(&data[k], &v, 4);
        }
      }
    }
    const bool integer = f.kind != FormatCase::Half && f.kind != FormatCase::Float && !f.normalized;
    for (bool intoInteger : {false, true}) {
      if (intoInteger && !integer) continue;
      const std::vector<std::uint32_t> words = fetch(gpu, f.format, intoInteger, data, stride, count);
      for (int k = 0; k < count; ++k) {
        for (unsigned c = 0; c < 4; ++c) {
          const double expected = c < f.components ? valueOf(f, &data[static_cast<std::size_t>(k) * stride + c * f.size])
                                                   : (c == 3 ? 1 : 0);
          const std::uint32_t word = words[static_cast<std::size_t>(k) * 4 + c];
          if (intoInteger) {
            EXPECT_EQ(static_cast<std::int32_t>(word), static_cast<std::int32_t>(static_cast<std::int64_t>(expected)))
                << static_cast<int>(f.format) << " vertex " << k << " component " << c;
          } else {
            float got;
            std::memcpy(&got, &word, 4);
            EXPECT_EQ(got, static_cast<float>(expected)) << static_cast<int>(f.format) << " vertex " << k << " component " << c;
          }
          ++checked;
        }
      }
    }
  }
  EXPECT_GT(checked, 48 * 8 * 4);
}

TEST(RasterVertex, ReadsStopAtTheBoundLengthAndGiveZeroBeyond) {
  RasterHarness gpu;
  // Four Float4 vertices, the buffer cut two bytes into the last one's y.
  std::vector<float> values{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  std::vector<std::uint8_t> data(reinterpret_cast<std::uint8_t*>(values.data()),
                                 reinterpret_cast<std::uint8_t*>(values.data()) + 16 * 4);
  data.resize(3 * 16 + 6);
  const std::vector<std::uint32_t> words = fetch(gpu, VertexFormat::Float4, false, data, 16, 6);
  auto at = [&](int vertex, int c) {
    float f;
    std::memcpy(&f, &words[static_cast<std::size_t>(vertex * 4 + c)], 4);
    return f;
  };
  EXPECT_EQ(at(2, 3), 12);
  EXPECT_EQ(at(3, 0), 13);
  std::uint32_t partial;
  std::memcpy(&partial, &values[13], 4);
  partial &= 0xFFFFu;  // the two bytes inside the buffer, zero above
  float expected;
  std::memcpy(&expected, &partial, 4);
  EXPECT_EQ(at(3, 1), expected);
  EXPECT_EQ(at(3, 2), 0);
  EXPECT_EQ(at(3, 3), 0);
  for (int v = 4; v < 6; ++v) {
    for (int c = 0; c < 4; ++c) EXPECT_EQ(at(v, c), 0) << v;  // wholly beyond: zero
  }
  // A one-component byte attribute at the end of its buffer reads one byte.
  const std::vector<std::uint32_t> bytes = fetch(gpu, VertexFormat::UChar, true, {7, 8, 9}, 1, 4);
  EXPECT_EQ((std::vector<std::uint32_t>{bytes[0], bytes[4], bytes[8], bytes[12], bytes[15]}),
            (std::vector<std::uint32_t>{7, 8, 9, 0, 1}));
}

TEST(RasterVertex, FormatDecodingMatchesTheFormatsDefinitions) {
  // The decoder on its own, at the extremes.
  const std::uint8_t minus128[2] = {0x80, 0x00};
  EXPECT_EQ(exec::decodeVertexFormat(VertexFormat::Char2Normalized, minus128).value[0], -1.0);
  const std::uint8_t minShort[2] = {0x00, 0x80};
  EXPECT_EQ(exec::decodeVertexFormat(VertexFormat::ShortNormalized, minShort).value[0], -1.0);
  const std::uint8_t ones[4] = {0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(exec::decodeVertexFormat(VertexFormat::UInt, ones).value[0], 4294967295.0);
  EXPECT_EQ(exec::decodeVertexFormat(VertexFormat::UShort2Normalized, ones).value[1], 1.0);
  for (const FormatCase& f : kFormats) EXPECT_EQ(exec::vertexFormatSize(f.format), f.components * f.size);

  // Elements read whole from the buffer into float attributes give the
  // decoder's values rounded to float, NaNs quieted as a pass through
  // double quiets them; the element cut short by the buffer's end reads
  // zero beyond it.
  std::mt19937 rng(4);
  const std::uint32_t specials[] = {0x7F800001u, 0xFFA00000u, 0x7FC00003u, 0x7F800000u, 0x80000000u, 0x00000001u};
  for (VertexFormat format : {VertexFormat::Float, VertexFormat::Float2, VertexFormat::Float3,
                              VertexFormat::Float4, VertexFormat::UChar4Normalized}) {
    const unsigned size = exec::vertexFormatSize(format);
    for (int round = 0; round < 200; ++round) {
      std::uint32_t words[4];
      for (auto& w : words) w = rng() % 3 == 0 ? specials[rng() % std::size(specials)] : static_cast<std::uint32_t>(rng());
      std::uint8_t bytes[16];
      std::memcpy(bytes, words, 16);
      for (unsigned available : {size, size - 1}) {
        std::uint8_t whole[16] = {};
        std::memcpy(whole, bytes, available);
        const exec::VertexValue v = exec::decodeVertexFormat(format, whole);
        for (unsigned components = 1; components <= 4; ++components) {
          std::uint32_t out[4];
          exec::fetchAttribute(format, bytes, available, 0, true, msl::Scalar::Float, components, out);
          for (unsigned c = 0; c < 4; ++c) {
            const float expected = c < v.count ? static_cast<float>(v.value[c]) : (c == 3 ? 1.0f : 0.0f);
            EXPECT_EQ(out[c], c < components ? std::bit_cast<std::uint32_t>(expected) : 0u)
                << static_cast<int>(format) << " of " << available << " bytes, component " << c;
          }
        }
      }
    }
  }
}

TEST(RasterVertex, FetchingLanesTogetherGivesEachLanesFetch) {
  // Runs of four direct lanes go side by side; a run with an invalid lane,
  // an element cut short by the buffer's end, or fewer than four lanes left
  // goes lane by lane. Every lane must read as fetchAttribute() reads it.
  std::mt19937 rng(11);
  std::vector<std::uint8_t> buffer(96);
  for (auto& b : buffer) b = static_cast<std::uint8_t>(rng());
  for (VertexFormat format : {VertexFormat::Float2, VertexFormat::Float3, VertexFormat::Float4,
                              VertexFormat::UChar4Normalized}) {
    for (int round = 0; round < 50; ++round) {
      constexpr unsigned kCount = 11;
      std::uint64_t at[kCount];
      bool valid[kCount];
      for (unsigned l = 0; l < kCount; ++l) {
        at[l] = rng() % (buffer.size() + 8);
        valid[l] = rng() % 8 != 0;
      }
      for (unsigned components = 1; components <= 4; ++components) {
        std::uint32_t rows[4][kCount];
        std::uint32_t* const out[4] = {rows[0], rows[1], rows[2], rows[3]};
        exec::fetchAttributes(format, buffer.data(), buffer.size(), at, valid, kCount, msl::Scalar::Float,
                              components, out);
        for (unsigned l = 0; l < kCount; ++l) {
          std::uint32_t one[4];
          exec::fetchAttribute(format, buffer.data(), buffer.size(), at[l], valid[l], msl::Scalar::Float,
                               components, one);
          for (unsigned c = 0; c < 4; ++c) EXPECT_EQ(rows[c][l], one[c]) << "lane " << l << " component " << c;
        }
      }
    }
  }
}

TEST(RasterVertex, DrawsRefuseWhatTheFunctionsCannotUse) {
  RasterHarness gpu;
  const char* source = R"(
struct V { float4 p [[attribute(0)]]; };
struct U { float4 c; };
vertex float4 vs(V in [[stage_in]], constant U& u [[buffer(1)]]) { return in.p + u.c; }
fragment float4 fs(float4 p [[position]], texture2d<float> t [[texture(2)]], sampler s [[sampler(1)]]) {
  return t.sample(s, p.xy);
}
fragment float4 fc(float4 p [[position]], texturecube<float> t [[texture(0)]], sampler s [[sampler(0)]]) {
  return t.sample(s, p.xyz);
}
)";
  RenderPipelineDescriptor d;
  d.vertexDescriptor = positionLayout();
  d.colorAttachments[0].pixelFormat = PixelFormat::RGBA8Unorm;
  auto pipeline = gpu.pipeline(source, "vs", "fs", d);
  auto cubePipeline = gpu.pipeline(source, "vs", "fc", d);
  auto target = gpu.target(PixelFormat::RGBA8Unorm, 4, 4);
  auto vertices = gpu.buffer(std::vector<float>(12, 0));
  auto texture = gpu.device->newTexture(TextureDescriptor::texture2DDescriptor(PixelFormat::RGBA8Unorm, 4, 4, false));
  auto sampler = gpu.device->newSamplerState({});
  const float uniforms[4] = {};
  auto expectRefusal = [&](const std::function<void(RenderCommandEncoder&)>& setUp, const std::string& words) {
    auto commands = gpu.queue->commandBuffer();
    auto e = commands->renderCommandEncoder(RasterHarness::colorPass(target));
    e->setRenderPipelineState(pipeline);
    e->setVertexBuffer(vertices, 0, 0);
    e->setVertexBytes(uniforms, sizeof uniforms, 1);
    e->setFragmentTexture(texture, 2);
    e->setFragmentSamplerState(sampler, 1);
    setUp(*e);
    try {
      e->drawPrimitives(PrimitiveType::Triangle, 0, 3);
      ADD_FAILURE() << "no refusal: " << words;
    } catch (const ValidationError& error) {
      EXPECT_NE(std::string(error.what()).find(words), std::string::npos) << error.what();
    }
    e->endEncoding();
  };
  expectRefusal([&](RenderCommandEncoder& e) { e.setVertexBuffer(nullptr, 0, 1); }, "vertex buffer 1 is used by the function but not bound");
  expectRefusal([&](RenderCommandEncoder& e) { e.setFragmentTexture(nullptr, 2); }, "fragment texture 2 is used by the function but not bound");
  expectRefusal([&](RenderCommandEncoder& e) { e.setFragmentSamplerState(nullptr, 1); }, "fragment sampler 1 is used by the function but not bound");
  expectRefusal([&](RenderCommandEncoder& e) { e.setFragmentTexture(target, 2); }, "also an attachment of the render pass");
  auto cube = gpu.device->newTexture(TextureDescriptor::textureCubeDescriptor(PixelFormat::RGBA8Unorm, 4, false));
  expectRefusal([&](RenderCommandEncoder& e) { e.setFragmentTexture(cube, 2); }, "not of the type the function declares");
  expectRefusal([&](RenderCommandEncoder& e) {
    e.setRenderPipelineState(cubePipeline);
    e.setFragmentTexture(texture, 0);
    e.setFragmentSamplerState(sampler, 0);
  }, "not of the type the function declares");
  TextureDescriptor writeOnly = TextureDescriptor::texture2DDescriptor(PixelFormat::RGBA8Unorm, 4, 4, false);
  writeOnly.usage = TextureUsageRenderTarget;
  auto unreadable = gpu.device->newTexture(writeOnly);
  expectRefusal([&](RenderCommandEncoder& e) { e.setFragmentTexture(unreadable, 2); }, "was not made for shader reads");
  auto compressed = gpu.device->newTexture(TextureDescriptor::texture2DDescriptor(PixelFormat::ETC2_RGB8, 4, 4, false));
  expectRefusal([&](RenderCommandEncoder& e) { e.setFragmentTexture(compressed, 2); }, "cannot be sampled");
  auto yuv = gpu.device->newTexture(TextureDescriptor::texture2DDescriptor(PixelFormat::GBGR422, 4, 4, false));
  expectRefusal([&](RenderCommandEncoder& e) { e.setFragmentTexture(yuv, 2); }, "cannot be sampled");
  SamplerDescriptor border;
  border.tAddressMode = SamplerAddressMode::ClampToZero;
  auto borderSampler = gpu.device->newSamplerState(border);
  expectRefusal([&](RenderCommandEncoder& e) { e.setFragmentSamplerState(borderSampler, 1); }, "address mode");

  // Usage 0 allows everything, and a fully bound draw is recorded.
  TextureDescriptor unknown = TextureDescriptor::texture2DDescriptor(PixelFormat::RGBA8Unorm, 4, 4, false);
  unknown.usage = TextureUsageUnknown;
  auto any = gpu.device->newTexture(unknown);
  gpu.pass(RasterHarness::colorPass(target), [&](RenderCommandEncoder& e) {
    e.setRenderPipelineState(pipeline);
    e.setVertexBuffer(vertices, 0, 0);
    e.setVertexBytes(uniforms, sizeof uniforms, 1);
    e.setFragmentTexture(any, 2);
    e.setFragmentSamplerState(sampler, 1);
    EXPECT_NO_THROW(e.drawPrimitives(PrimitiveType::Triangle, 0, 3));
  });
}

}  // namespace
}  // namespace mtl::test
