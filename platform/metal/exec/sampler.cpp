#include "platform/metal/exec/sampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/metal/exec/compare_function.h"
#include "platform/metal/exec/fast_paths.h"
#include "platform/metal/exec/simd.h"
#include "platform/metal/msl/builtin_math.h"
#include "platform/metal/msl/builtins.h"
#include "platform/metal/pixel_codec.h"

namespace mtl::exec {
namespace {

using msl::Opcode;
using msl::SampleOption;

// 8-bit sRGB channels as the codec decodes them (the plain ones: kUnorm8).
struct SrgbTable {
  float value[256];
  SrgbTable() {
    for (int i = 0; i < 256; ++i) value[i] = static_cast<float>(srgbToLinear(i / 255.0));
  }
};
const float* srgbTable() {
  static const SrgbTable table;
  return table.value;
}

std::int64_t wrapIndex(std::int64_t i, std::int64_t size, SamplerAddressMode mode) {
  switch (mode) {
    case SamplerAddressMode::Repeat: {
      const std::int64_t r = i % size;
      return r < 0 ? r + size : r;
    }
    case SamplerAddressMode::MirrorRepeat: {
      std::int64_t r = i % (2 * size);
      if (r < 0) r += 2 * size;
      const std::int64_t a = r - size;
      const std::int64_t mirrored = a >= 0 ? a : -(1 + a);
      return (size - 1) - mirrored;
    }
    default:
      return std::clamp<std::int64_t>(i, 0, size - 1);
  }
}

// A texel of a level as four floats (depth formats: depth, 0, 0, 1; the
// compare result when comparing).

std::array<float, 4> fetch(const LevelView& l, std::int64_t i, std::int64_t j,
                           const SampleRequest& r, CompareFunction compare) {
  const PixelFormatInfo& info = *l.info;
  const std::uint8_t* p = l.data + static_cast<std::uint64_t>(j) * l.stride +
                          static_cast<std::uint64_t>(i) * info.bytesPerBlock;
  if (info.hasDepth) {
    const double d = decodeDepth(info, p);
    if (r.compare) {
      double reference = r.reference;
      if (info.format == PixelFormat::Depth16Unorm) reference = std::clamp(reference, 0.0, 1.0);
      const float pass = compares(compare, reference, d) ? 1.0f : 0.0f;
      return {pass, pass, pass, pass};
    }
    return {static_cast<float>(d), 0, 0, 1};
  }
  if (info.format == PixelFormat::RGBA8Unorm || info.format == PixelFormat::BGRA8Unorm) {
    const float* t = kUnorm8.data();
    if (info.format == PixelFormat::RGBA8Unorm) return {t[p[0]], t[p[1]], t[p[2]], t[p[3]]};
    return {t[p[2]], t[p[1]], t[p[0]], t[p[3]]};
  }
  if (info.format == PixelFormat::RGBA8Unorm_sRGB || info.format == PixelFormat::BGRA8Unorm_sRGB) {
    const float* t = srgbTable();
    if (info.format == PixelFormat::RGBA8Unorm_sRGB) {
      return {t[p[0]], t[p[1]], t[p[2]], kUnorm8[p[3]]};
    }
    return {t[p[2]], t[p[1]], t[p[0]], kUnorm8[p[3]]};
  }
  const Texel v = decodeTexel(info, p);
  return {static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2]),
          static_cast<float>(v[3])};
}

bool filterable(const PixelFormatInfo& info) { return info.hasDepth || isFilterable(info); }

// floor(x) without the library call (the SSE2 baseline has no floor
// instruction): exact, and x itself from 2^52 on, where x is an integer.
double floorOf(double x) {
  if (!(std::fabs(x) < 4503599627370496.0)) return x;
  const double t = static_cast<double>(static_cast<std::int64_t>(x));
  return t > x ? t - 1 : t;
}

// floor(x) as a texel index, clamped far beyond any texture.
std::int64_t texelIndex(double x) {
  const double f = floorOf(x);
  if (!(f == f)) return 0;
  return static_cast<std::int64_t>(std::clamp(f, -4.0e15, 4.0e15));
}

// Nearest or bilinear filtering of one level at (u, v) in texels, with the
// texel reader `texel(i, j)`: the one formula every path uses.
template <typename Fetch, bool ClampedBoth = false>
std::array<float, 4> filterWith(const LevelView& l, float u, float v, bool linear, SamplerAddressMode su,
                                SamplerAddressMode sv, Fetch texel) {
  const auto wrap = [](std::int64_t i, std::int64_t size, SamplerAddressMode mode) {
    return ClampedBoth ? std::clamp<std::int64_t>(i, 0, size - 1) : wrapIndex(i, size, mode);
  };
  if (!linear) {
    return texel(wrap(texelIndex(u), l.width, su), wrap(texelIndex(v), l.height, sv));
  }
  const double uu = double{u} - 0.5, vv = double{v} - 0.5;
  const std::int64_t i0f = texelIndex(uu), j0f = texelIndex(vv);
  const float alpha = static_cast<float>(uu - floorOf(uu));
  const float beta = static_cast<float>(vv - floorOf(vv));
  const std::int64_t i0 = wrap(i0f, l.width, su), i1 = wrap(i0f + 1, l.width, su);
  const std::int64_t j0 = wrap(j0f, l.height, sv), j1 = wrap(j0f + 1, l.height, sv);
  const std::array<float, 4> t00 = texel(i0, j0), t10 = texel(i1, j0);
  const std::array<float, 4> t01 = texel(i0, j1), t11 = texel(i1, j1);
  std::array<float, 4> out;
  for (unsigned c = 0; c < 4; ++c) {
    out[c] = (1 - alpha) * (1 - beta) * t00[c] + alpha * (1 - beta) * t10[c] +
             (1 - alpha) * beta * t01[c] + alpha * beta * t11[c];
  }
  return out;
}

// Texels of RGBA8Unorm and BGRA8Unorm read through the table.
template <bool Bgra>
struct Byte4Texels {
  const LevelView& l;
  const float* table;
  std::array<float, 4> operator()(std::int64_t i, std::int64_t j) const {
    const std::uint8_t* p = l.data + static_cast<std::uint64_t>(j) * l.stride + static_cast<std::uint64_t>(i) * 4;
    if (Bgra) return {table[p[2]], table[p[1]], table[p[0]], table[p[3]]};
    return {table[p[0]], table[p[1]], table[p[2]], table[p[3]]};
  }
};

// filterWith() for linear filtering of RGBA8Unorm or BGRA8Unorm clamped to
// its edges, the channels side by side: the same operations, so the same
// bits.
template <bool Bgra>
Float4 bilinearClamped(const LevelView& l, float u, float v, const float* table) {
  const double uu = double{u} - 0.5, vv = double{v} - 0.5;
  const std::int64_t i0f = texelIndex(uu), j0f = texelIndex(vv);
  const float alpha = static_cast<float>(uu - floorOf(uu));
  const float beta = static_cast<float>(vv - floorOf(vv));
  const std::int64_t i0 = std::clamp<std::int64_t>(i0f, 0, l.width - 1);
  const std::int64_t i1 = std::clamp<std::int64_t>(i0f + 1, 0, l.width - 1);
  const std::uint8_t* row0 = l.data + static_cast<std::uint64_t>(std::clamp<std::int64_t>(j0f, 0, l.height - 1)) * l.stride;
  const std::uint8_t* row1 = l.data + static_cast<std::uint64_t>(std::clamp<std::int64_t>(j0f + 1, 0, l.height - 1)) * l.stride;
  const auto texel = [&](const std::uint8_t* row, std::int64_t i) {
    const std::uint8_t* p = row + static_cast<std::uint64_t>(i) * 4;
    if (Bgra) return Float4{table[p[2]], table[p[1]], table[p[0]], table[p[3]]};
    return Float4{table[p[0]], table[p[1]], table[p[2]], table[p[3]]};
  };
  const float w00 = (1 - alpha) * (1 - beta), w10 = alpha * (1 - beta);
  const float w01 = (1 - alpha) * beta, w11 = alpha * beta;
  return w00 * texel(row0, i0) + w10 * texel(row0, i1) + w01 * texel(row1, i0) + w11 * texel(row1, i1);
}

// bilinearClamped()'s texel indices and weights for four lanes at once,
// to the bit: lanes beyond 2^22 texels (`exact` clear) take
// bilinearClamped(). The indices are whole numbers in float.
struct BilinearQuad {
  Float4 i0, i1, j0, j1;
  Float4 w00, w10, w01, w11;
  unsigned exact = 0;

  // The filtered texels of all four lanes, channel by channel (lane k of
  // out[c]): each lane's sum as filterWith() forms it, the texels' bytes
  // decoded as byte / 255 in float, which is the codec's value. Every
  // lane's indices lie inside the level, whatever its coordinates, so
  // lanes nobody asked for are filtered too rather than branched around.
  void filterDecoded(const DecodedTexels& texels, std::int64_t width, Float4 out[4]) const;
  void filter(const LevelView& l, bool bgra, unsigned lanes, Float4 out[4]) const {
    UInt4 t00 = {}, t10 = {}, t01 = {}, t11 = {};
    const Int4 x0 = __builtin_convertvector(i0, Int4), x1 = __builtin_convertvector(i1, Int4);
    const Int4 y0 = __builtin_convertvector(j0, Int4), y1 = __builtin_convertvector(j1, Int4);
    for (unsigned k = 0; k < 4; ++k) {
      if (!(lanes & (1u << k))) continue;
      const std::uint8_t* row0 = l.data + static_cast<std::uint64_t>(y0[k]) * l.stride;
      const std::uint8_t* row1 = l.data + static_cast<std::uint64_t>(y1[k]) * l.stride;
      std::memcpy(&t00[k], row0 + static_cast<std::uint64_t>(x0[k]) * 4, 4);
      std::memcpy(&t10[k], row0 + static_cast<std::uint64_t>(x1[k]) * 4, 4);
      std::memcpy(&t01[k], row1 + static_cast<std::uint64_t>(x0[k]) * 4, 4);
      std::memcpy(&t11[k], row1 + static_cast<std::uint64_t>(x1[k]) * 4, 4);
    }
    const unsigned* slot = byteSlots(bgra);
    for (unsigned c = 0; c < 4; ++c) {
      const unsigned b = slot[c];
      out[c] = w00 * unorm8Channel(t00, b) + w10 * unorm8Channel(t10, b) + w01 * unorm8Channel(t01, b) +
               w11 * unorm8Channel(t11, b);
    }
  }
};

// BilinearQuad::filter() from decoded texels: each lane's channels side
// by side, summed as filterWith() sums them, then turned channel by
// channel.
void BilinearQuad::filterDecoded(const DecodedTexels& texels, std::int64_t width, Float4 out[4]) const {
  // The four texels' indices of the four lanes, worked out side by side
  // in float: a decoded texture holds fewer than 2^24 texels (its budget),
  // so every product and sum is a whole number float holds exactly. Read
  // back from memory, lane by lane, as the loads' offsets.
  static_assert(TexelCache::kBudgetBytes / sizeof(Float4) < (std::size_t{1} << 24));
  const Float4 w = splat(static_cast<float>(width));
  const Float4 row0 = j0 * w, row1 = j1 * w;
  alignas(16) std::int32_t index[4][4];
  const Int4 indices[4] = {__builtin_convertvector(row0 + i0, Int4), __builtin_convertvector(row0 + i1, Int4),
                           __builtin_convertvector(row1 + i0, Int4), __builtin_convertvector(row1 + i1, Int4)};
  std::memcpy(index, indices, sizeof index);
  const Float4* base = texels.data();
  Float4 lane[4];
  for (unsigned k = 0; k < 4; ++k) {
    lane[k] = w00[k] * base[index[0][k]] + w10[k] * base[index[1][k]] + w01[k] * base[index[2][k]] +
              w11[k] * base[index[3][k]];
  }
  // The four lanes' channels into four channels' lanes.
  transpose4(lane, out);
}

BilinearQuad bilinearQuad(const LevelView& l, Float4 u, Float4 v) {
  constexpr float kExact = 4194304.0f;  // 2^22
  const Float4 one = {1, 1, 1, 1}, half = {0.5f, 0.5f, 0.5f, 0.5f};
  const Int4 inside = (u < kExact) & (u > -kExact) & (v < kExact) & (v > -kExact);
  BilinearQuad q;
  q.exact = laneMask(inside);
  // Where outside, anything in range: the lane takes the scalar path.
  const Float4 su = inside ? u : Float4{}, sv = inside ? v : Float4{};
  // The double computation takes u - 1/2 exactly, its floor f, and rounds
  // u - 1/2 - f once to float. In float, u - 1/2 rounds where u is below 1
  // or negative (the edges' lanes); f is found without it, from floor(u)
  // and whether u lies past its half (f + 1/2 is exact), and the fraction
  // rounded once as u - (f + 1/2).
  const auto lowerTexel = [&](Float4 x) {
    const Float4 t = __builtin_convertvector(__builtin_convertvector(x, Int4), Float4);
    const Float4 whole = t > x ? t - one : t;
    return x >= whole + half ? whole : whole - one;
  };
  const Float4 fu = lowerTexel(su), fv = lowerTexel(sv);
  const Float4 alpha = su - (fu + half), beta = sv - (fv + half);
  // The indices clamped while still whole numbers in float (exact there):
  // the same as clamping them as integers.
  const auto clamp = [&](Float4 i, std::int64_t size) {
    return clampLanes(i, Float4{}, splat(static_cast<float>(size - 1)));
  };
  q.i0 = clamp(fu, l.width);
  q.i1 = clamp(fu + one, l.width);
  q.j0 = clamp(fv, l.height);
  q.j1 = clamp(fv + one, l.height);
  q.w00 = (one - alpha) * (one - beta);
  q.w10 = alpha * (one - beta);
  q.w01 = (one - alpha) * beta;
  q.w11 = alpha * beta;
  return q;
}

std::array<float, 4> filterLevel(const LevelView& l, float u, float v, SamplerMinMagFilter filter,
                                 const SamplerDescriptor& s, const SampleRequest& r) {
  // u, v in texels of this level.
  const SamplerAddressMode su = r.cube ? SamplerAddressMode::ClampToEdge : s.sAddressMode;
  const SamplerAddressMode sv = r.cube ? SamplerAddressMode::ClampToEdge : s.tAddressMode;
  const bool linear = filter == SamplerMinMagFilter::Linear && filterable(*l.info);
  return filterWith(l, u, v, linear, su, sv, [&](std::int64_t i, std::int64_t j) {
    return fetch(l, i, j, r, s.compareFunction);
  });
}

LevelView levelOf(const Texture& t, unsigned slice, unsigned level) {
  return {t.levelData(slice, level), t.levelBytesPerRow(level),
          static_cast<std::int64_t>(t.levelWidth(level)),
          static_cast<std::int64_t>(t.levelHeight(level)), &t.formatInfo()};
}

// One lookup at a level of detail (already clamped), without anisotropy.
std::array<float, 4> sampleAt(const Texture& t, const SamplerDescriptor& s, unsigned slice,
                              float sc, float tc, float lambda, const SampleRequest& r) {
  const unsigned q = static_cast<unsigned>(t.mipmapLevelCount() - 1);
  auto atLevel = [&](unsigned level, SamplerMinMagFilter filter) {
    const LevelView l = levelOf(t, slice, level);
    const float u = s.normalizedCoordinates ? sc * static_cast<float>(l.width) : sc;
    const float v = s.normalizedCoordinates ? tc * static_cast<float>(l.height) : tc;
    return filterLevel(l, u, v, filter, s, r);
  };
  if (!(lambda > 0)) return atLevel(0, s.magFilter);
  switch (s.mipFilter) {
    case SamplerMipFilter::Nearest: {
      unsigned d = 0;
      if (lambda > 0.5f) {
        const double level = std::ceil(double{lambda} + 0.5) - 1;
        d = static_cast<unsigned>(std::min<double>(level, q));
      }
      return atLevel(d, s.minFilter);
    }
    case SamplerMipFilter::Linear: {
      if (lambda >= static_cast<float>(q)) return atLevel(q, s.minFilter);
      const unsigned d1 = static_cast<unsigned>(std::floor(lambda));
      const unsigned d2 = std::min(d1 + 1, q);
      const float f = lambda - std::floor(lambda);
      const std::array<float, 4> a = atLevel(d1, s.minFilter), b = atLevel(d2, s.minFilter);
      std::array<float, 4> out;
      for (unsigned c = 0; c < 4; ++c) out[c] = (1 - f) * a[c] + f * b[c];
      return out;
    }
    default:
      return atLevel(0, s.minFilter);
  }
}

float coordinateOf(const LaneRow& row, unsigned lane) { return laneFloat(row, lane); }

// Texel-space derivatives of the face coordinates of a cube lookup, from
// the direction's derivatives (the quotient rule on sc / |ma|).
void cubeDerivatives(const float p[3], const float dp[3], float size, float& ds, float& dt) {
  const float ax = std::fabs(p[0]), ay = std::fabs(p[1]), az = std::fabs(p[2]);
  unsigned major;
  float sc, tc, dsc, dtc, ma, dma;
  if (ax >= ay && ax >= az) {
    major = 0;
  } else if (ay >= az) {
    major = 1;
  } else {
    major = 2;
  }
  const float sign = p[major] < 0 ? -1.0f : 1.0f;
  switch (major) {
    case 0: sc = -sign * p[2]; tc = -p[1]; dsc = -sign * dp[2]; dtc = -dp[1]; break;
    case 1: sc = p[0]; tc = sign * p[2]; dsc = dp[0]; dtc = sign * dp[2]; break;
    default: sc = sign * p[0]; tc = -p[1]; dsc = sign * dp[0]; dtc = -dp[1]; break;
  }
  ma = std::fabs(p[major]);
  dma = sign * dp[major];
  const float ma2 = ma * ma;
  ds = size * 0.5f * (dsc * ma - sc * dma) / ma2;
  dt = size * 0.5f * (dtc * ma - tc * dma) / ma2;
}

}  // namespace

unsigned cubeFace(const float d[3], float& s, float& t) {
  const float ax = std::fabs(d[0]), ay = std::fabs(d[1]), az = std::fabs(d[2]);
  float sc, tc, ma;
  unsigned face;
  if (ax >= ay && ax >= az) {
    ma = ax;
    if (d[0] >= 0) { face = 0; sc = -d[2]; tc = -d[1]; }
    else { face = 1; sc = d[2]; tc = -d[1]; }
  } else if (ay >= az) {
    ma = ay;
    if (d[1] >= 0) { face = 2; sc = d[0]; tc = d[2]; }
    else { face = 3; sc = d[0]; tc = -d[2]; }
  } else {
    ma = az;
    if (d[2] >= 0) { face = 4; sc = d[0]; tc = -d[1]; }
    else { face = 5; sc = -d[0]; tc = -d[1]; }
  }
  s = 0.5f * (sc / ma + 1.0f);
  t = 0.5f * (tc / ma + 1.0f);
  return face;
}

float levelOfDetail(float dudx, float dvdx, float dudy, float dvdy) {
  const double rx = std::sqrt(double{dudx} * dudx + double{dvdx} * dvdx);
  const double ry = std::sqrt(double{dudy} * dudy + double{dvdy} * dvdy);
  return static_cast<float>(std::log2(std::max(rx, ry)));
}

std::array<float, 4> sampleTexture(const Texture& t, const SamplerDescriptor& s,
                                   const SampleRequest& r) {
  float sc = r.coordinate[0], tc = r.coordinate[1];
  unsigned slice = 0;
  if (r.cube) slice = cubeFace(r.coordinate, sc, tc);
  if (!std::isfinite(sc)) sc = 0;
  if (!std::isfinite(tc)) tc = 0;
  float lambda = std::isnan(r.lod) ? s.lodMinClamp : r.lod;
  const NSUInteger maxAnisotropy = s.maxAnisotropy;
  if (maxAnisotropy > 1 && r.gradients && !r.cube) {
    const float dudx = r.gradients[0], dvdx = r.gradients[1];
    const float dudy = r.gradients[2], dvdy = r.gradients[3];
    const double px = std::sqrt(double{dudx} * dudx + double{dvdx} * dvdx);
    const double py = std::sqrt(double{dudy} * dudy + double{dvdy} * dvdy);
    const double pmax = std::max(px, py), pmin = std::min(px, py);
    double n = pmin > 0 ? std::ceil(pmax / pmin) : static_cast<double>(maxAnisotropy);
    n = std::clamp(n, 1.0, static_cast<double>(maxAnisotropy));
    if (n > 1 && std::isfinite(pmax)) {
      const unsigned count = static_cast<unsigned>(n);
      lambda = static_cast<float>(std::log2(pmax / n));
      lambda = std::clamp(lambda, s.lodMinClamp, s.lodMaxClamp);
      // Along the major axis, in normalised coordinates.
      const bool alongX = px > py;
      const float w = static_cast<float>(t.width()), h = static_cast<float>(t.height());
      const float du = (alongX ? dudx : dudy) / w, dv = (alongX ? dvdx : dvdy) / h;
      std::array<float, 4> sum{0, 0, 0, 0};
      for (unsigned i = 1; i <= count; ++i) {
        const float f = static_cast<float>(i) / static_cast<float>(count + 1) - 0.5f;
        const std::array<float, 4> one = sampleAt(t, s, slice, sc + du * f, tc + dv * f, lambda, r);
        for (unsigned c = 0; c < 4; ++c) sum[c] += one[c];
      }
      for (float& c : sum) c /= static_cast<float>(count);
      return sum;
    }
  }
  return sampleAt(t, s, slice, sc, tc, lambda, r);
}

namespace {

// sampleBytes() of four lanes, clamped to the edges and filtered
// linearly: lane k of out[c] is channel c of lane k, for the lanes in
// `lanes`.
void bilinearBytesQuad(const DecodedTexels* decoded, const LevelView& l, bool bgra, Float4 sc, Float4 tc,
                       unsigned lanes, Float4 out[4]) {
  const float w = static_cast<float>(l.width), h = static_cast<float>(l.height);
  // A coordinate that is not finite is never in range: its lane takes the
  // per-lane path below, which reads it as 0.
  const BilinearQuad weights = bilinearQuad(l, sc * w, tc * h);
  if (decoded) {
    weights.filterDecoded(*decoded, l.width, out);
  } else {
    weights.filter(l, bgra, lanes & weights.exact, out);
  }
  if (!(lanes & ~weights.exact)) return;
  for (unsigned k = 0; k < 4; ++k) {
    if (!(lanes & ~weights.exact & (1u << k))) continue;
    const float* table = kUnorm8.data();
    const float u = std::isfinite(sc[k]) ? sc[k] * w : 0, v = std::isfinite(tc[k]) ? tc[k] * h : 0;
    const Float4 value = bgra ? bilinearClamped<true>(l, u, v, table) : bilinearClamped<false>(l, u, v, table);
    for (unsigned c = 0; c < 4; ++c) out[c][k] = value[c];
  }
}

}  // namespace

void StageTextures::sampleBytes(const BoundTexture& bound, const SamplerDescriptor& s, bool bgra,
                                const LaneRows& coordinate, LaneMask active, LaneRows& out) {
  const Texture& t = *bound.texture;
  // What sampleTexture does for this case, lane after lane, at level 0.
  const LevelView l = levelOf(t, 0, 0);
  const float* table = kUnorm8.data();
  const bool linear = s.minFilter == SamplerMinMagFilter::Linear;
  const float w = static_cast<float>(l.width), h = static_cast<float>(l.height);
  // The chart's textures clamp to their edges: that case without the
  // switch over address modes for every texel.
  const auto lanes = [&]<bool Bgra, bool Clamped>() {
    for (unsigned lane = 0; lane < kLanes; ++lane) {
      if (!(active & (1u << lane))) continue;
      float sc = laneFloat(coordinate[0], lane), tc = laneFloat(coordinate[1], lane);
      if (!std::isfinite(sc)) sc = 0;
      if (!std::isfinite(tc)) tc = 0;
      const std::array<float, 4> value = filterWith<Byte4Texels<Bgra>, Clamped>(
          l, sc * w, tc * h, linear, s.sAddressMode, s.tAddressMode, Byte4Texels<Bgra>{l, table});
      for (unsigned c = 0; c < 4; ++c) out[c].v[lane] = msl::math::asBits(value[c]);
    }
  };
  const bool clamped = s.sAddressMode == SamplerAddressMode::ClampToEdge &&
                       s.tAddressMode == SamplerAddressMode::ClampToEdge;
  if (clamped && linear) {
    for (unsigned first = 0; first < kLanes; first += 4) {
      if (!(active & (0xFu << first))) continue;
      Float4 channels[4];
      bilinearBytesQuad(bound.decoded.get(), l, bgra, loadFloat4(coordinate[0].v + first), loadFloat4(coordinate[1].v + first),
                        (active >> first) & 0xFu, channels);
      for (unsigned c = 0; c < 4; ++c) storeFloat4(out[c].v + first, channels[c]);
    }
    return;
  }
  if (bgra) {
    clamped ? lanes.operator()<true, true>() : lanes.operator()<true, false>();
  } else {
    clamped ? lanes.operator()<false, true>() : lanes.operator()<false, false>();
  }
}

QuadSampler prepareQuadSampler(const msl::Instruction& i, const std::array<BoundTexture, kMaxTextureBindings>& textures,
                               const std::array<const SamplerDescriptor*, kMaxSamplerBindings>& samplers) {
  QuadSampler q;
  q.instruction = &i;
  const BoundTexture* bound = i.aux < textures.size() ? &textures[i.aux] : nullptr;
  const SamplerDescriptor* s = i.offset < samplers.size() ? samplers[i.offset] : nullptr;
  const Texture* t = bound ? bound->texture : nullptr;
  // The chart's case, as sample() would take it.
  q.direct = t && s && fastPathsEnabled() && !levelOfDetailMatters(*s) && s->normalizedCoordinates &&
             s->minFilter == SamplerMinMagFilter::Linear && s->sAddressMode == SamplerAddressMode::ClampToEdge &&
             s->tAddressMode == SamplerAddressMode::ClampToEdge && i.type == msl::Scalar::Float &&
             i.stride == static_cast<std::uint32_t>(msl::TextureShape::Texture2D) && i.op == Opcode::Sample &&
             (t->pixelFormat() == PixelFormat::RGBA8Unorm || t->pixelFormat() == PixelFormat::BGRA8Unorm);
  if (q.direct) {
    q.level = levelOf(*t, 0, 0);
    q.bgra = t->pixelFormat() == PixelFormat::BGRA8Unorm;
    q.decoded = bound->decoded.get();
  }
  return q;
}

void StageTextures::sampleQuad(const QuadSampler& q, Float4 u, Float4 v, unsigned lanes, Float4 out[4]) {
  if (q.direct) {
    bilinearBytesQuad(q.decoded, q.level, q.bgra, u, v, lanes, out);
    return;
  }
  LaneRows coordinate{}, texel{};
  const LaneRows none{};
  storeFloat4(coordinate[0].v, u);
  storeFloat4(coordinate[1].v, v);
  sample(*q.instruction, coordinate, none, none, lanes, texel);
  for (unsigned c = 0; c < 4; ++c) out[c] = loadFloat4(texel[c].v);
}

void StageTextures::bind(const std::array<BoundTexture, kMaxTextureBindings>* textures,
                         const std::array<const SamplerDescriptor*, kMaxSamplerBindings>* samplers,
                         bool fragment) {
  textures_ = textures;
  samplers_ = samplers;
  fragment_ = fragment;
  needed_ = kAllLanes;
}

bool levelOfDetailMatters(const SamplerDescriptor& s) {
  return !(s.mipFilter == SamplerMipFilter::NotMipmapped && s.minFilter == s.magFilter && s.maxAnisotropy <= 1);
}

std::uint32_t StageTextures::textureSize(std::uint32_t slot, std::uint32_t level,
                                         unsigned dimension) {
  if (!textures_ || slot >= textures_->size()) return 0;
  const Texture* t = (*textures_)[slot].texture;
  if (!t || level >= t->mipmapLevelCount()) return 0;
  return static_cast<std::uint32_t>(dimension == 0 ? t->levelWidth(level) : t->levelHeight(level));
}

std::uint32_t StageTextures::textureLevels(std::uint32_t slot) {
  if (!textures_ || slot >= textures_->size()) return 0;
  const Texture* t = (*textures_)[slot].texture;
  return t ? static_cast<std::uint32_t>(t->mipmapLevelCount()) : 0;
}

void StageTextures::sample(const msl::Instruction& i, const LaneRows& coordinate,
                           const LaneRows& first, const LaneRows& second, LaneMask active,
                           LaneRows& out) {
  const Texture* t = textures_ && i.aux < textures_->size() ? (*textures_)[i.aux].texture : nullptr;
  const SamplerDescriptor* s =
      samplers_ && i.offset < samplers_->size() ? (*samplers_)[i.offset] : nullptr;
  if (!t || !s) return;
  const bool cube = i.stride == static_cast<std::uint32_t>(msl::TextureShape::TextureCube);
  const bool compare = i.op == Opcode::SampleCompare;
  const auto option = static_cast<SampleOption>(i.sampleOption);
  const float w = static_cast<float>(t->width()), h = static_cast<float>(t->height());
  const bool integerFormat = t->formatInfo().kind == ComponentKind::Uint ||
                             t->formatInfo().kind == ComponentKind::Sint ||
                             t->formatInfo().format == PixelFormat::RGB10A2Uint;
  if (fastPathsEnabled()) active &= needed_;
  // Then the level of detail's derivatives are not needed.
  const bool lodIrrelevant = !levelOfDetailMatters(*s);
  const PixelFormat format = t->pixelFormat();
  if (fastPathsEnabled() && lodIrrelevant && !cube && !compare && s->normalizedCoordinates && i.type == msl::Scalar::Float &&
      (format == PixelFormat::RGBA8Unorm || format == PixelFormat::BGRA8Unorm)) {
    sampleBytes((*textures_)[i.aux], *s, format == PixelFormat::BGRA8Unorm, coordinate, active, out);
    return;
  }
  for (unsigned lane = 0; lane < kLanes; ++lane) {
    if (!(active & (1u << lane))) continue;
    SampleRequest r;
    r.cube = cube;
    r.compare = compare;
    for (unsigned c = 0; c < (cube ? 3u : 2u); ++c) r.coordinate[c] = coordinateOf(coordinate[c], lane);
    float lambda = 0;
    float gradients[4] = {};
    bool haveGradients = false;
    if (compare) {
      r.reference = coordinateOf(first[0], lane);
      if (i.sampleOption == static_cast<std::uint8_t>(SampleOption::Level)) {
        lambda = coordinateOf(second[0], lane);
      } else if (fragment_) {
        haveGradients = true;
      }
    } else if (option == SampleOption::Level) {
      lambda = coordinateOf(first[0], lane);
    } else if (option == SampleOption::Gradient2D || option == SampleOption::GradientCube) {
      haveGradients = true;
    } else if (fragment_) {
      haveGradients = true;
    }
    if (lodIrrelevant && !compare) haveGradients = false;
    if (haveGradients) {
      float dx[3] = {}, dy[3] = {};
      const bool explicitGradients =
          option == SampleOption::Gradient2D || option == SampleOption::GradientCube;
      const unsigned dims = cube ? 3 : 2;
      for (unsigned c = 0; c < dims; ++c) {
        if (explicitGradients) {
          dx[c] = coordinateOf(first[c], lane);
          dy[c] = coordinateOf(second[c], lane);
        } else {
          const unsigned quad = lane & ~3u, row = (lane >> 1) & 1u, column = lane & 1u;
          dx[c] = laneFloat(coordinate[c], quad + 2 * row + 1) - laneFloat(coordinate[c], quad + 2 * row);
          dy[c] = laneFloat(coordinate[c], quad + 2 + column) - laneFloat(coordinate[c], quad + column);
        }
      }
      if (cube) {
        cubeDerivatives(r.coordinate, dx, w, gradients[0], gradients[1]);
        cubeDerivatives(r.coordinate, dy, w, gradients[2], gradients[3]);
      } else {
        gradients[0] = dx[0] * w;
        gradients[1] = dx[1] * h;
        gradients[2] = dy[0] * w;
        gradients[3] = dy[1] * h;
      }
      lambda = levelOfDetail(gradients[0], gradients[1], gradients[2], gradients[3]);
      r.gradients = gradients;
    }
    if (option == SampleOption::Bias && !compare) lambda += coordinateOf(first[0], lane);
    lambda = std::isnan(lambda) ? s->lodMinClamp : std::clamp(lambda, s->lodMinClamp, s->lodMaxClamp);
    r.lod = lambda;
    if (integerFormat) {
      // Integer texels by value, unfiltered, from the selected level.
      SamplerDescriptor nearest = *s;
      nearest.minFilter = nearest.magFilter = SamplerMinMagFilter::Nearest;
      nearest.maxAnisotropy = 1;
      const std::array<float, 4> v = sampleTexture(*t, nearest, r);
      for (unsigned c = 0; c < 4; ++c) {
        out[c].v[lane] = msl::math::floatToInteger(i.type == msl::Scalar::Float ? msl::Scalar::Int : i.type, v[c]);
      }
      continue;
    }
    const std::array<float, 4> v = sampleTexture(*t, *s, r);
    for (unsigned c = 0; c < 4; ++c) {
      out[c].v[lane] = msl::math::asBits(msl::math::roundTo(i.type, v[c]));
    }
  }
}

}  // namespace mtl::exec
