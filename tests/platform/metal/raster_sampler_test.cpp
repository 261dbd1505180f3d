// Texture sampling against the OpenGL ES 3.0 specification's formulas
// (3.8.10, 3.8.11; table 3.21 for cube faces, 3.22 for wrapping) and the
// EXT_texture_filter_anisotropic footprint rule, evaluated in double by a
// reference written here from those formulas: nearest and bilinear
// filtering, the three wrap modes, level of detail from the quad's
// derivatives, bias, explicit levels and gradients, mipmap selection and
// trilinear mixing on solid-colour levels, clamps of the level of detail,
// cube faces, depth comparison and anisotropy.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <random>

#include "platform/metal/exec/sampler.h"
#include "raster_harness.h"

namespace mtl::test {
namespace {

using Value = std::array<double, 4>;

struct Reference {
  std::vector<std::vector<Value>> levels;  // texels row by row
  std::vector<int> widths, heights;
  bool depth = false;
};

int wrap(int i, int size, SamplerAddressMode mode) {
  switch (mode) {
    case SamplerAddressMode::Repeat: return ((i % size) + size) % size;
    case SamplerAddressMode::MirrorRepeat: {
      const int r = ((i % (2 * size)) + 2 * size) % (2 * size) - size;
      const int mirrored = r >= 0 ? r : -(1 + r);
      return (size - 1) - mirrored;
    }
    default: return std::clamp(i, 0, size - 1);
  }
}

struct RefSampler {
  SamplerDescriptor d;
  bool compare = false;
  double reference = 0;
};

Value texel(const Reference& r, int level, int i, int j, const RefSampler& s) {
  Value v = r.levels[static_cast<std::size_t>(level)][static_cast<std::size_t>(j * r.widths[static_cast<std::size_t>(level)] + i)];
  if (s.compare) {
    const double d = v[0], ref = s.reference;
    bool pass = true;
    switch (s.d.compareFunction) {
      case CompareFunction::Never: pass = false; break;
      case CompareFunction::Less: pass = ref < d; break;
      case CompareFunction::Equal: pass = ref == d; break;
      case CompareFunction::LessEqual: pass = ref <= d; break;
      case CompareFunction::Greater: pass = ref > d; break;
      case CompareFunction::NotEqual: pass = ref != d; break;
      case CompareFunction::GreaterEqual: pass = ref >= d; break;
      case CompareFunction::Always: pass = true; break;
    }
    const double p = pass ? 1 : 0;
    return {p, p, p, p};
  }
  return v;
}

Value filter(const Reference& r, int level, double s, double t, SamplerMinMagFilter f, const RefSampler& rs,
             SamplerAddressMode ws, SamplerAddressMode wt) {
  const int w = r.widths[static_cast<std::size_t>(level)], h = r.heights[static_cast<std::size_t>(level)];
  const double u = s * w, v = t * h;
  if (f == SamplerMinMagFilter::Nearest) {
    return texel(r, level, wrap(static_cast<int>(std::floor(u)), w, ws), wrap(static_cast<int>(std::floor(v)), h, wt), rs);
  }
  const int i0 = static_cast<int>(std::floor(u - 0.5)), j0 = static_cast<int>(std::floor(v - 0.5));
  const double a = (u - 0.5) - std::floor(u - 0.5), b = (v - 0.5) - std::floor(v - 0.5);
  const Value t00 = texel(r, level, wrap(i0, w, ws), wrap(j0, h, wt), rs);
  const Value t10 = texel(r, level, wrap(i0 + 1, w, ws), wrap(j0, h, wt), rs);
  const Value t01 = texel(r, level, wrap(i0, w, ws), wrap(j0 + 1, h, wt), rs);
  const Value t11 = texel(r, level, wrap(i0 + 1, w, ws), wrap(j0 + 1, h, wt), rs);
  Value out;
  for (int c = 0; c < 4; ++c) {
    out[static_cast<std::size_t>(c)] = (1 - a) * (1 - b) * t00[c] + a * (1 - b) * t10[c] + (1 - a) * b * t01[c] + a * b * t11[c];
  }
  return out;
}

// Equations 3.16-3.25 with lambda given (bias and clamps applied).
Value sampleAt(const Reference& r, const RefSampler& rs, double s, double t, double lambda,
               SamplerAddressMode ws, SamplerAddressMode wt) {
  const int q = static_cast<int>(r.levels.size()) - 1;
  const SamplerDescriptor& d = rs.d;
  if (lambda <= 0) return filter(r, 0, s, t, d.magFilter, rs, ws, wt);
  if (d.mipFilter == SamplerMipFilter::NotMipmapped) return filter(r, 0, s, t, d.minFilter, rs, ws, wt);
  if (d.mipFilter == SamplerMipFilter::Nearest) {
    const int level = lambda <= 0.5 ? 0 : std::min(q, static_cast<int>(std::ceil(lambda + 0.5)) - 1);
    return filter(r, level, s, t, d.minFilter, rs, ws, wt);
  }
  const int d1 = lambda >= q ? q : static_cast<int>(std::floor(lambda));
  const int d2 = lambda >= q ? q : d1 + 1;
  const Value a = filter(r, d1, s, t, d.minFilter, rs, ws, wt), b = filter(r, d2, s, t, d.minFilter, rs, ws, wt);
  const double f = lambda - std::floor(lambda);
  Value out;
  for (int c = 0; c < 4; ++c) out[static_cast<std::size_t>(c)] = (1 - f) * a[c] + f * b[c];
  return out;
}

double lodOf(const Reference& r, double dsdx, double dtdx, double dsdy, double dtdy) {
  const double w = r.widths[0], h = r.heights[0];
  const double rho = std::max(std::hypot(dsdx * w, dtdx * h), std::hypot(dsdy * w, dtdy * h));
  return std::log2(rho);
}

// A texture of RGBA8 texels, random or one solid colour per level, and its
// reference (the texels as the codec decodes them).
struct Textured {
  std::shared_ptr<Texture> texture;
  Reference reference;
};

Textured makeTexture(RasterHarness& gpu, int size, bool mipmapped, bool solidLevels, unsigned seed,
                     TextureType type = TextureType::Type2D) {
  TextureDescriptor d = type == TextureType::TypeCube
                            ? TextureDescriptor::textureCubeDescriptor(PixelFormat::RGBA8Unorm, static_cast<NSUInteger>(size), mipmapped)
                            : TextureDescriptor::texture2DDescriptor(PixelFormat::RGBA8Unorm, static_cast<NSUInteger>(size),
                                                                     static_cast<NSUInteger>(size), mipmapped);
  Textured t;
  t.texture = gpu.device->newTexture(d);
  std::mt19937 rng(seed);
  for (NSUInteger slice = 0; slice < t.texture->sliceCount(); ++slice) {
    for (NSUInteger level = 0; level < t.texture->mipmapLevelCount(); ++level) {
      const int w = static_cast<int>(t.texture->levelWidth(level)), h = static_cast<int>(t.texture->levelHeight(level));
      std::vector<std::uint8_t> bytes(static_cast<std::size_t>(w * h * 4));
      for (std::size_t k = 0; k < bytes.size(); ++k) {
        bytes[k] = solidLevels ? static_cast<std::uint8_t>(((level + 1) * 40 + slice * 7 + k % 4 * 50) % 256)
                               : static_cast<std::uint8_t>(rng());
      }
      t.texture->replaceRegion(Region::make2D(0, 0, static_cast<NSUInteger>(w), static_cast<NSUInteger>(h)), level, slice,
                               bytes.data(), static_cast<NSUInteger>(w * 4), 0);
      if (slice != 0) continue;
      std::vector<Value> texels;
      for (std::size_t k = 0; k < bytes.size(); k += 4) {
        texels.push_back({bytes[k] / 255.0, bytes[k + 1] / 255.0, bytes[k + 2] / 255.0, bytes[k + 3] / 255.0});
      }
      t.reference.levels.push_back(texels);
      t.reference.widths.push_back(w);
      t.reference.heights.push_back(h);
    }
  }
  return t;
}

const char* kSampling = R"(
struct U { float4 scaleOffset; float4 param; };
struct V { float4 p [[attribute(0)]]; };
vertex float4 vs(V in [[stage_in]]) { return in.p; }
static float2 uvOf(float4 p, constant U& u) { return p.xy * u.scaleOffset.xy + u.scaleOffset.zw; }
fragment float4 plain(float4 p [[position]], constant U& u [[buffer(0)]], texture2d<float> t [[texture(0)]],
                      sampler s [[sampler(0)]]) { return t.sample(s, uvOf(p, u)); }
fragment float4 biased(float4 p [[position]], constant U& u [[buffer(0)]], texture2d<float> t [[texture(0)]],
                       sampler s [[sampler(0)]]) { return t.sample(s, uvOf(p, u), bias(u.param.x)); }
fragment float4 levelled(float4 p [[position]], constant U& u [[buffer(0)]], texture2d<float> t [[texture(0)]],
                         sampler s [[sampler(0)]]) { return t.sample(s, uvOf(p, u), level(u.param.x)); }
fragment float4 graded(float4 p [[position]], constant U& u [[buffer(0)]], texture2d<float> t [[texture(0)]],
                       sampler s [[sampler(0)]]) {
  return t.sample(s, uvOf(p, u), gradient2d(u.param.xy, u.param.zw));
}
fragment float4 cube(float4 p [[position]], constant U& u [[buffer(0)]], texturecube<float> t [[texture(0)]],
                     sampler s [[sampler(0)]]) {
  float2 q = uvOf(p, u) * 2.0 - 1.0;
  float3 d = u.param.w == 0.0 ? float3(1.0, -q.y, -q.x) : u.param.w == 1.0 ? float3(-1.0, -q.y, q.x)
           : u.param.w == 2.0 ? float3(q.x, 1.0, q.y) : u.param.w == 3.0 ? float3(q.x, -1.0, -q.y)
           : u.param.w == 4.0 ? float3(q.x, -q.y, 1.0) : float3(-q.x, -q.y, -1.0);
  return t.sample(s, d * u.param.x);
}
fragment float4 tilted(float4 p [[position]], constant U& u [[buffer(0)]], texturecube<float> t [[texture(0)]],
                       sampler s [[sampler(0)]]) {
  float2 q = uvOf(p, u) * 2.0 - 1.0;
  return t.sample(s, float3(1.0 + 0.5 * q.x + 0.3 * q.y, -q.y, -q.x));
}
fragment float4 compared(float4 p [[position]], constant U& u [[buffer(0)]], depth2d<float> t [[texture(0)]],
                         sampler s [[sampler(0)]]) {
  return float4(t.sample_compare(s, uvOf(p, u), u.param.x, level(0.0)));
}
)";

class RasterSampler : public ::testing::Test {
 protected:
  static constexpr int kSize = 8;

  // Draws kSize x kSize pixels with `fragment`; returns RGBA floats.
  std::vector<float> draw(const std::string& fragment, std::shared_ptr<Texture> texture,
                          const SamplerDescriptor& sampler, const float scaleOffset[4],
                          const float param[4]) {
    RenderPipelineDescriptor d;
    d.vertexDescriptor = positionLayout();
    d.colorAttachments[0].pixelFormat = PixelFormat::RGBA32Float;
    auto pipeline = gpu.pipeline(kSampling, "vs", fragment, d);
    auto target = gpu.target(PixelFormat::RGBA32Float, kSize, kSize);
    auto state = gpu.device->newSamplerState(sampler);
    const std::vector<float> triangle{-1, 1, 0, 1, 3, 1, 0, 1, -1, -3, 0, 1};
    float u[8];
    std::copy(scaleOffset, scaleOffset + 4, u);
    std::copy(param, param + 4, u + 4);
    gpu.pass(RasterHarness::colorPass(target), [&](RenderCommandEncoder& e) {
      e.setRenderPipelineState(pipeline);
      e.setVertexBytes(triangle.data(), triangle.size() * 4, 0);
      e.setFragmentBytes(u, sizeof u, 0);
      e.setFragmentTexture(texture, 0);
      e.setFragmentSamplerState(state, 0);
      e.drawPrimitives(PrimitiveType::Triangle, 0, 3);
    });
    const std::vector<std::uint8_t> bytes = RasterHarness::bytes(*target);
    std::vector<float> out(bytes.size() / 4);
    std::memcpy(out.data(), bytes.data(), bytes.size());
    return out;
  }

  // The fragment's coordinate, computed as the shader does in float.
  static void uvOf(int x, int y, const float so[4], double& s, double& t) {
    const float px = static_cast<float>(x) + 0.5f, py = static_cast<float>(y) + 0.5f;
    const float a = px * so[0], b = py * so[1];
    s = a + so[2];
    t = b + so[3];
    s = static_cast<float>(s);
    t = static_cast<float>(t);
  }

  RasterHarness gpu;
};

TEST_F(RasterSampler, NearestAndBilinearWithEveryWrapMode) {
  const Textured tex = makeTexture(gpu, 4, false, false, 3);
  const SamplerAddressMode modes[] = {SamplerAddressMode::ClampToEdge, SamplerAddressMode::Repeat,
                                      SamplerAddressMode::MirrorRepeat};
  int checked = 0;
  for (auto filterMode : {SamplerMinMagFilter::Nearest, SamplerMinMagFilter::Linear}) {
    for (auto ws : modes) {
      for (auto wt : modes) {
        SamplerDescriptor s;
        s.minFilter = s.magFilter = filterMode;
        s.sAddressMode = ws;
        s.tAddressMode = wt;
        // Magnified 3x: texels 3/8 of a pixel apart, from -1.1 to 2.4 in s.
        const float so[4] = {0.4375f, 0.3125f, -1.1f + 0.0013f, -0.8f + 0.0021f};
        const float param[4] = {};
        const std::vector<float> out = draw("plain", tex.texture, s, so, param);
        RefSampler rs{s};
        for (int y = 0; y < kSize; ++y) {
          for (int x = 0; x < kSize; ++x) {
            double u, v;
            uvOf(x, y, so, u, v);
            const Value expected = sampleAt(tex.reference, rs, u, v, -1, ws, wt);
            for (int c = 0; c < 4; ++c) {
              ASSERT_NEAR(out[static_cast<std::size_t>((y * kSize + x) * 4 + c)], expected[static_cast<std::size_t>(c)], 2e-6)
                  << "filter " << static_cast<int>(filterMode) << " wraps " << static_cast<int>(ws) << ","
                  << static_cast<int>(wt) << " at " << x << "," << y;
            }
            ++checked;
          }
        }
      }
    }
  }
  EXPECT_EQ(checked, 2 * 9 * kSize * kSize);
}

TEST_F(RasterSampler, LevelsOfDetailSelectAndMixMipmaps) {
  const Textured tex = makeTexture(gpu, 64, true, true, 0);
  struct Case { const char* fragment; double lambdaBase; float param[4]; SamplerMipFilter mip;
                float lodMin, lodMax; };
  // Scales giving lambda = log2(scale * 64) away from the decision points.
  const std::vector<Case> cases = {
      {"plain", 0.3, {0, 0, 0, 0}, SamplerMipFilter::Nearest, 0, 1000},
      {"plain", 0.7, {0, 0, 0, 0}, SamplerMipFilter::Nearest, 0, 1000},
      {"plain", 1.6, {0, 0, 0, 0}, SamplerMipFilter::Nearest, 0, 1000},
      {"plain", 2.3, {0, 0, 0, 0}, SamplerMipFilter::Linear, 0, 1000},
      {"plain", 3.75, {0, 0, 0, 0}, SamplerMipFilter::Linear, 0, 1000},
      {"plain", 9.2, {0, 0, 0, 0}, SamplerMipFilter::Linear, 0, 1000},       // beyond the last level
      {"plain", 2.3, {0, 0, 0, 0}, SamplerMipFilter::NotMipmapped, 0, 1000},
      {"plain", 2.3, {0, 0, 0, 0}, SamplerMipFilter::Linear, 2.9f, 1000},    // lodMinClamp
      {"plain", 3.3, {0, 0, 0, 0}, SamplerMipFilter::Linear, 0, 1.2f},       // lodMaxClamp
      {"biased", 1.3, {0.9f, 0, 0, 0}, SamplerMipFilter::Linear, 0, 1000},
      {"biased", 1.3, {-2.0f, 0, 0, 0}, SamplerMipFilter::Linear, 0, 1000},  // magnified by bias
      {"levelled", 1.3, {2.45f, 0, 0, 0}, SamplerMipFilter::Linear, 0, 1000},
      {"levelled", 1.3, {4.0f, 0, 0, 0}, SamplerMipFilter::Nearest, 0, 1000},
      {"graded", 0, {4.0f / 64, 0, 0, 1.0f / 64}, SamplerMipFilter::Linear, 0, 1000},
  };
  for (const Case& c : cases) {
    for (auto minFilter : {SamplerMinMagFilter::Nearest, SamplerMinMagFilter::Linear}) {
      SamplerDescriptor s;
      s.minFilter = minFilter;
      s.magFilter = SamplerMinMagFilter::Nearest;
      s.mipFilter = c.mip;
      s.lodMinClamp = c.lodMin;
      s.lodMaxClamp = c.lodMax;
      s.sAddressMode = s.tAddressMode = SamplerAddressMode::Repeat;
      const float scale = static_cast<float>(std::exp2(c.lambdaBase) / 64);
      const float so[4] = {scale, scale, 0.013f, 0.021f};
      const std::vector<float> out = draw(c.fragment, tex.texture, s, so, c.param);
      double lambda;
      if (std::string(c.fragment) == "levelled") {
        lambda = c.param[0];
      } else if (std::string(c.fragment) == "graded") {
        lambda = lodOf(tex.reference, c.param[0], c.param[1], c.param[2], c.param[3]);
      } else {
        lambda = lodOf(tex.reference, scale, 0, 0, scale) + (std::string(c.fragment) == "biased" ? c.param[0] : 0);
      }
      lambda = std::clamp(lambda, static_cast<double>(c.lodMin), static_cast<double>(c.lodMax));
      RefSampler rs{s};
      for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
          double u, v;
          uvOf(x, y, so, u, v);
          const Value expected = sampleAt(tex.reference, rs, u, v, lambda, s.sAddressMode, s.tAddressMode);
          for (int k = 0; k < 4; ++k) {
            ASSERT_NEAR(out[static_cast<std::size_t>((y * kSize + x) * 4 + k)], expected[static_cast<std::size_t>(k)], 2e-5)
                << c.fragment << " lambda " << lambda << " mip " << static_cast<int>(c.mip) << " min "
                << static_cast<int>(minFilter) << " at " << x << "," << y;
          }
        }
      }
    }
  }
}

TEST_F(RasterSampler, CubeFacesFollowTheMajorAxis) {
  const Textured tex = makeTexture(gpu, 8, false, false, 11, TextureType::TypeCube);
  for (int face = 0; face < 6; ++face) {
    // Directions through every texel centre of one face.
    SamplerDescriptor s;
    const float so[4] = {1.0f / kSize, 1.0f / kSize, 0, 0};
    const float param[4] = {2.5f, 0, 0, static_cast<float>(face)};
    const std::vector<float> out = draw("cube", tex.texture, s, so, param);
    const std::uint8_t* data = tex.texture->levelData(static_cast<NSUInteger>(face), 0);
    for (int y = 0; y < kSize; ++y) {
      for (int x = 0; x < kSize; ++x) {
        // Table 3.21: the face's s and t are the screen's x and y by the
        // directions the shader builds, so texel (x, y) is read.
        const std::uint8_t* p = data + (y * 8 + x) * 4;
        for (int c = 0; c < 4; ++c) {
          ASSERT_NEAR(out[static_cast<std::size_t>((y * kSize + x) * 4 + c)], p[c] / 255.0, 1e-6)
              << "face " << face << " at " << x << "," << y;
        }
      }
    }
    float sc, tc;
    const float direction[6][3] = {{1, 0.2f, 0.1f}, {-1, 0.2f, 0.1f}, {0.2f, 1, 0.1f},
                                   {0.2f, -1, 0.1f}, {0.2f, 0.1f, 1}, {0.2f, 0.1f, -1}};
    EXPECT_EQ(exec::cubeFace(direction[face], sc, tc), static_cast<unsigned>(face));
  }
}

TEST_F(RasterSampler, CubeLevelsOfDetailFollowTheFaceCoordinates) {
  // Directions whose major component changes across the screen: the face
  // coordinates s = (sc / ma + 1) / 2, t = (tc / ma + 1) / 2 of face +x
  // (sc = -z, tc = -y, ma = x) and their derivatives by the quotient rule,
  // in double, select and mix solid-colour levels.
  const Textured tex = makeTexture(gpu, 64, true, true, 0, TextureType::TypeCube);
  for (double lambdaBase : {0.8, 1.7, 2.2}) {
    SamplerDescriptor s;
    s.minFilter = SamplerMinMagFilter::Linear;
    s.mipFilter = SamplerMipFilter::Linear;
    const float scale = static_cast<float>(std::exp2(lambdaBase) / 64);
    const float so[4] = {scale, scale, 0.3f, 0.3f};
    const float param[4] = {0, 0, 0, 0};
    const std::vector<float> out = draw("tilted", tex.texture, s, so, param);
    RefSampler rs{s};
    for (int y = 0; y < kSize; ++y) {
      for (int x = 0; x < kSize; ++x) {
        double u, v;
        uvOf(x, y, so, u, v);
        const double qx = 2 * u - 1, qy = 2 * v - 1, ma = 1 + 0.5 * qx + 0.3 * qy;
        const double sc = qx, tc = qy, step = 2.0 * scale;  // dq per pixel
        const double dsdx = 0.5 * (1 / ma - sc * 0.5 / (ma * ma)) * step;
        const double dtdx = 0.5 * (-tc * 0.5 / (ma * ma)) * step;
        const double dsdy = 0.5 * (-sc * 0.3 / (ma * ma)) * step;
        const double dtdy = 0.5 * (1 / ma - tc * 0.3 / (ma * ma)) * step;
        const double lambda = lodOf(tex.reference, dsdx, dtdx, dsdy, dtdy);
        const Value expected = sampleAt(tex.reference, rs, 0.5 * (sc / ma + 1), 0.5 * (tc / ma + 1), lambda,
                                        s.sAddressMode, s.tAddressMode);
        for (int k = 0; k < 4; ++k) {
          ASSERT_NEAR(out[static_cast<std::size_t>((y * kSize + x) * 4 + k)], expected[static_cast<std::size_t>(k)], 2e-4)
              << "lambda " << lambda << " at " << x << "," << y;
        }
      }
    }
  }
}

TEST_F(RasterSampler, DepthComparisonsAreFilteredAfterComparing) {
  TextureDescriptor d = TextureDescriptor::texture2DDescriptor(PixelFormat::Depth32Float, 4, 4, false);
  auto texture = gpu.device->newTexture(d);
  Reference ref;
  std::vector<float> depths;
  std::mt19937 rng(4);
  for (int k = 0; k < 16; ++k) {
    depths.push_back(static_cast<float>(rng() % 8) / 8.0f);
    ref.levels.resize(1);
    ref.levels[0].push_back({depths.back(), 0, 0, 1});
  }
  ref.widths = {4};
  ref.heights = {4};
  texture->replaceRegion(Region::make2D(0, 0, 4, 4), 0, depths.data(), 16);
  for (int f = 0; f < 8; ++f) {
    for (auto filterMode : {SamplerMinMagFilter::Nearest, SamplerMinMagFilter::Linear}) {
      SamplerDescriptor s;
      s.minFilter = s.magFilter = filterMode;
      s.compareFunction = static_cast<CompareFunction>(f);
      const float so[4] = {0.5f / kSize * 1.0f, 0.5f / kSize, 0.0017f, 0.0023f};
      const float param[4] = {0.4375f, 0, 0, 0};
      const std::vector<float> out = draw("compared", texture, s, so, param);
      RefSampler rs{s, true, 0.4375};
      for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
          double u, v;
          uvOf(x, y, so, u, v);
          const Value expected = sampleAt(ref, rs, u, v, 0, s.sAddressMode, s.tAddressMode);
          ASSERT_NEAR(out[static_cast<std::size_t>((y * kSize + x) * 4)], expected[0], 1e-6)
              << "function " << f << " filter " << static_cast<int>(filterMode) << " at " << x << "," << y;
        }
      }
    }
  }
}

TEST_F(RasterSampler, AnisotropyTakesSamplesAlongTheFootprint) {
  const Textured tex = makeTexture(gpu, 64, true, false, 9);
  for (NSUInteger maxAnisotropy : {1u, 2u, 4u, 16u}) {
    SamplerDescriptor s;
    s.minFilter = s.magFilter = SamplerMinMagFilter::Linear;
    s.mipFilter = SamplerMipFilter::Linear;
    s.maxAnisotropy = maxAnisotropy;
    s.sAddressMode = s.tAddressMode = SamplerAddressMode::Repeat;
    // Footprint 5.5 texels along x, 1.3 along y.
    const float so[4] = {5.5f / 64, 1.3f / 64, 0.011f, 0.017f};
    const float param[4] = {};
    const std::vector<float> out = draw("plain", tex.texture, s, so, param);
    RefSampler rs{s};
    for (int y = 0; y < kSize; ++y) {
      for (int x = 0; x < kSize; ++x) {
        double u, v;
        uvOf(x, y, so, u, v);
        const double px = 5.5, py = 1.3;
        const double n = std::min(std::ceil(px / py), static_cast<double>(maxAnisotropy));
        Value expected{0, 0, 0, 0};
        if (n <= 1) {
          expected = sampleAt(tex.reference, rs, u, v, std::log2(std::max(px, py)), s.sAddressMode, s.tAddressMode);
        } else {
          const double lambda = std::log2(px / n);
          for (int i = 1; i <= n; ++i) {
            const double f = i / (n + 1) - 0.5;
            const Value one = sampleAt(tex.reference, rs, u + so[0] * f, v, lambda, s.sAddressMode, s.tAddressMode);
            for (int c = 0; c < 4; ++c) expected[static_cast<std::size_t>(c)] += one[static_cast<std::size_t>(c)] / n;
          }
        }
        for (int c = 0; c < 4; ++c) {
          ASSERT_NEAR(out[static_cast<std::size_t>((y * kSize + x) * 4 + c)], expected[static_cast<std::size_t>(c)], 3e-5)
              << "anisotropy " << maxAnisotropy << " at " << x << "," << y;
        }
      }
    }
  }
}

}  // namespace
}  // namespace mtl::test
