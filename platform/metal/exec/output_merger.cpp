#include "platform/metal/exec/output_merger.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/metal/exec/compare_function.h"
#include "platform/metal/exec/lane_machine.h"
#include "platform/metal/exec/simd.h"
#include "platform/metal/pixel_codec.h"

namespace mtl::exec {
namespace {

std::uint32_t stencilOperation(StencilOperation op, std::uint32_t value, std::uint32_t reference) {
  switch (op) {
    case StencilOperation::Zero: return 0;
    case StencilOperation::Replace: return reference;
    case StencilOperation::IncrementClamp: return std::min<std::uint32_t>(value + 1, 255);
    case StencilOperation::DecrementClamp: return value == 0 ? 0 : value - 1;
    case StencilOperation::Invert: return ~value & 0xFFu;
    case StencilOperation::IncrementWrap: return (value + 1) & 0xFFu;
    case StencilOperation::DecrementWrap: return (value - 1) & 0xFFu;
    default: return value;
  }
}

bool trivial(const StencilDescriptor& s) {
  return s.stencilCompareFunction == CompareFunction::Always &&
         s.stencilFailureOperation == StencilOperation::Keep &&
         s.depthFailureOperation == StencilOperation::Keep &&
         s.depthStencilPassOperation == StencilOperation::Keep;
}

// The codec's 16-bit normalised encoding, computed the same way.
std::uint16_t unorm16(double v) {
  if (std::isnan(v)) return 0;
  return static_cast<std::uint16_t>(std::lround(std::clamp(v, 0.0, 1.0) * 65535.0));
}
// The codec's lround of a value in [0, 255]: halves round up, as floor(x + 1/2)
// does (x has at most 32 significant bits, so x + 1/2 is exact).
std::uint8_t unorm8(float v) {
  if (std::isnan(v)) return 0;
  return static_cast<std::uint8_t>(std::clamp(static_cast<double>(v), 0.0, 1.0) * 255.0 + 0.5);
}

float factor(BlendFactor f, unsigned channel, const float s[4], const float d[4], const float c[4]) {
  switch (f) {
    case BlendFactor::Zero: return 0;
    case BlendFactor::One: return 1;
    case BlendFactor::SourceColor: return s[channel];
    case BlendFactor::OneMinusSourceColor: return 1 - s[channel];
    case BlendFactor::SourceAlpha: return s[3];
    case BlendFactor::OneMinusSourceAlpha: return 1 - s[3];
    case BlendFactor::DestinationColor: return d[channel];
    case BlendFactor::OneMinusDestinationColor: return 1 - d[channel];
    case BlendFactor::DestinationAlpha: return d[3];
    case BlendFactor::OneMinusDestinationAlpha: return 1 - d[3];
    case BlendFactor::SourceAlphaSaturated: return channel == 3 ? 1 : std::min(s[3], 1 - d[3]);
    case BlendFactor::BlendColor: return c[channel];
    case BlendFactor::OneMinusBlendColor: return 1 - c[channel];
    case BlendFactor::BlendAlpha: return c[3];
    case BlendFactor::OneMinusBlendAlpha: return 1 - c[3];
    default: return 0;
  }
}

float operate(BlendOperation op, float s, float fs, float d, float fd) {
  switch (op) {
    case BlendOperation::Subtract: return s * fs - d * fd;
    case BlendOperation::ReverseSubtract: return d * fd - s * fs;
    case BlendOperation::Min: return std::min(s, d);
    case BlendOperation::Max: return std::max(s, d);
    default: return s * fs + d * fd;
  }
}

// Channel bits of the write mask, red to alpha.
constexpr unsigned kChannelMask[4] = {ColorWriteMaskRed, ColorWriteMaskGreen, ColorWriteMaskBlue,
                                      ColorWriteMaskAlpha};

}  // namespace

void blendColors(const RenderPipelineColorAttachmentDescriptor& b, const float s[4],
                 const float d[4], const float c[4], float out[4]) {
  for (unsigned k = 0; k < 4; ++k) {
    const bool alpha = k == 3;
    const BlendFactor fs = alpha ? b.sourceAlphaBlendFactor : b.sourceRGBBlendFactor;
    const BlendFactor fd = alpha ? b.destinationAlphaBlendFactor : b.destinationRGBBlendFactor;
    const BlendOperation op = alpha ? b.alphaBlendOperation : b.rgbBlendOperation;
    out[k] = operate(op, s[k], factor(fs, k, s, d, c), d[k], factor(fd, k, s, d, c));
  }
}

// ---- depth and stencil

void DepthStencilUnit::configure(const AttachmentView& depth, const AttachmentView& stencil,
                                 const DepthStencilDescriptor* state,
                                 std::uint32_t frontReference, std::uint32_t backReference,
                                 double zMin, double zMax) {
  depth_ = depth;
  stencil_ = stencil;
  const DepthStencilDescriptor defaults;
  const DepthStencilDescriptor& s = state ? *state : defaults;
  depthCompare_ = s.depthCompareFunction;
  depthWrite_ = s.depthWriteEnabled;
  front_ = s.frontFaceStencil;
  back_ = s.backFaceStencil;
  frontReference_ = frontReference & 0xFFu;
  backReference_ = backReference & 0xFFu;
  stencilUsed_ = stencil_.data && !(trivial(front_) && trivial(back_));
  active_ = stencilUsed_ || (depth_.data && (depthCompare_ != CompareFunction::Always || depthWrite_));
  zMin_ = zMin;
  zMax_ = zMax;
  zMinFloat_ = static_cast<float>(zMin);
  zMaxFloat_ = static_cast<float>(zMax);
  floatRange_ = zMinFloat_ == zMin && zMaxFloat_ == zMax;
  const PixelFormat format = depth_.data ? depth_.info->format : PixelFormat::Invalid;
  quadTests_ = !stencil_.data && depth_.samples == 1 && fastPathsEnabled() &&
               (format == PixelFormat::Depth32Float || format == PixelFormat::Depth16Unorm);
  wholeFloatQuads_ = quadTests_ && format == PixelFormat::Depth32Float && floatRange_;
}

bool DepthStencilUnit::depthPasses(const std::uint8_t* at, double z) const {
  const PixelFormatInfo& info = *depth_.info;
  if (fastPathsEnabled()) {
    if (info.format == PixelFormat::Depth16Unorm) {
      std::uint16_t stored;
      std::memcpy(&stored, at, 2);
      return compares(depthCompare_, unorm16(z), stored);
    }
    if (info.format == PixelFormat::Depth32Float ||
        info.format == PixelFormat::Depth32Float_Stencil8) {
      float stored;
      std::memcpy(&stored, at, 4);
      return compares(depthCompare_, static_cast<float>(z), stored);
    }
  }
  // In the attachment's precision: the depth as the format would store it.
  std::uint8_t bytes[8] = {};
  encodeDepth(info, z, bytes);
  return compares(depthCompare_, decodeDepth(info, bytes), decodeDepth(info, at));
}

void DepthStencilUnit::writeDepth(std::uint8_t* at, double z) const {
  const PixelFormatInfo& info = *depth_.info;
  if (fastPathsEnabled() && info.format == PixelFormat::Depth16Unorm) {
    const std::uint16_t v = unorm16(z);
    std::memcpy(at, &v, 2);
    return;
  }
  if (fastPathsEnabled() && info.format == PixelFormat::Depth32Float) {
    const float v = static_cast<float>(z);
    std::memcpy(at, &v, 4);
    return;
  }
  encodeDepth(info, z, at);
}

bool DepthStencilUnit::test(std::int32_t x, std::int32_t y, unsigned sample, double z,
                            bool front) const {
  z = std::clamp(z, zMin_, zMax_);
  bool stencilPass = true;
  std::uint8_t* stencilAt = nullptr;
  std::uint32_t stored = 0;
  const StencilDescriptor& s = front ? front_ : back_;
  const std::uint32_t reference = front ? frontReference_ : backReference_;
  if (stencilUsed_) {
    stencilAt = stencil_.at(x, y, sample);
    stored = decodeStencil(*stencil_.info, stencilAt);
    stencilPass = compares(s.stencilCompareFunction, reference & s.readMask & 0xFFu,
                           stored & s.readMask & 0xFFu);
  }
  bool depthPass = true;
  std::uint8_t* depthAt = nullptr;
  if (depth_.data && stencilPass) {
    depthAt = depth_.at(x, y, sample);
    depthPass = depthPasses(depthAt, z);
  }
  if (stencilAt) {
    const StencilOperation op = !stencilPass ? s.stencilFailureOperation
                                : !depthPass ? s.depthFailureOperation
                                             : s.depthStencilPassOperation;
    const std::uint32_t value = stencilOperation(op, stored, reference);
    const std::uint32_t mask = s.writeMask & 0xFFu;
    encodeStencil(*stencil_.info, (stored & ~mask) | (value & mask), stencilAt);
  }
  const bool pass = stencilPass && depthPass;
  if (pass && depthAt && depthWrite_) writeDepth(depthAt, z);
  return pass;
}

bool DepthStencilUnit::testQuad(std::int32_t x, std::int32_t y, unsigned& lanes, const float* z) const {
  if (!quadTests_) return false;
  std::uint8_t* const corner = depth_.at(x, y, 0);
  if (wholeFloatQuads_ && depth_.holdsQuad(x, y)) {
    // The quad's four depths as two rows, the covered ones tested, the
    // passing ones written.
    const UInt4 stored = loadQuad(corner, depth_.stride);
    const Float4 v = clampLanes(loadFloat4(z), splat(zMinFloat_), splat(zMaxFloat_));
    const UInt4 pass = reinterpret_cast<UInt4>(comparesAs(depthCompare_, v, reinterpret_cast<Float4>(stored))) &
                       laneSelect(lanes);
    if (depthWrite_) storeQuad(corner, depth_.stride, (reinterpret_cast<UInt4>(v) & pass) | (stored & ~pass));
    lanes &= laneMask(reinterpret_cast<Int4>(pass));
    return true;
  }
  const PixelFormat format = depth_.info->format;
  const std::size_t size = depth_.info->bytesPerBlock;
  std::uint8_t* at[4] = {};
  for (unsigned k = 0; k < 4; ++k) {
    if (lanes & (1u << k)) at[k] = corner + (k >> 1) * depth_.stride + (k & 1) * size;
  }
  if (format == PixelFormat::Depth32Float && floatRange_) {
    // The four lanes side by side: clamped as std::clamp does, compared.
    Float4 stored = {};
    const Float4 v = clampLanes(loadFloat4(z), splat(zMinFloat_), splat(zMaxFloat_));
    for (unsigned k = 0; k < 4; ++k) {
      if (at[k]) std::memcpy(&stored[k], at[k], 4);
    }
    const Int4 pass = comparesAs(depthCompare_, v, stored);
    for (unsigned k = 0; k < 4; ++k) {
      if (!at[k]) continue;
      if (!pass[k]) {
        lanes &= ~(1u << k);
      } else if (depthWrite_) {
        std::memcpy(at[k], &v[k], 4);
      }
    }
    return true;
  }
  for (unsigned k = 0; k < 4; ++k) {
    if (!at[k]) continue;
    const double clamped = std::clamp(static_cast<double>(z[k]), zMin_, zMax_);
    bool pass;
    if (format == PixelFormat::Depth32Float) {
      float stored;
      std::memcpy(&stored, at[k], 4);
      const float v = static_cast<float>(clamped);
      pass = compares(depthCompare_, v, stored);
      if (pass && depthWrite_) std::memcpy(at[k], &v, 4);
    } else {
      std::uint16_t stored;
      std::memcpy(&stored, at[k], 2);
      const std::uint16_t v = unorm16(clamped);
      pass = compares(depthCompare_, v, stored);
      if (pass && depthWrite_) std::memcpy(at[k], &v, 2);
    }
    if (!pass) lanes &= ~(1u << k);
  }
  return true;
}

// ---- colour

void ColorUnit::configure(const AttachmentView& view,
                          const RenderPipelineColorAttachmentDescriptor& blend,
                          const std::array<float, 4>& blendColor) {
  view_ = view;
  if (!view.data) return;
  blend_ = blend;
  const PixelFormatInfo& info = *view.info;
  switch (info.kind) {
    case ComponentKind::Unorm: kind_ = Kind::Unorm; break;
    case ComponentKind::Snorm: kind_ = Kind::Snorm; break;
    case ComponentKind::Uint: case ComponentKind::Sint: kind_ = Kind::Integer; break;
    case ComponentKind::Packed:
      kind_ = info.format == PixelFormat::RGB10A2Uint ? Kind::Integer
              : (info.format == PixelFormat::RG11B10Float || info.format == PixelFormat::RGB9E5Float)
                  ? Kind::Float
                  : Kind::Unorm;
      break;
    default: kind_ = Kind::Float; break;
  }
  blendColor_ = blendColor;
  for (float& c : blendColor_) {
    if (kind_ == Kind::Unorm) c = std::clamp(c, 0.0f, 1.0f);
    if (kind_ == Kind::Snorm) c = std::clamp(c, -1.0f, 1.0f);
  }
  bgra_ = info.format == PixelFormat::BGRA8Unorm;
  byte4_ = bgra_ || info.format == PixelFormat::RGBA8Unorm;
  const auto both = [&](BlendFactor source, BlendFactor destination) {
    return blend.sourceRGBBlendFactor == source && blend.sourceAlphaBlendFactor == source &&
           blend.destinationRGBBlendFactor == destination && blend.destinationAlphaBlendFactor == destination &&
           blend.rgbBlendOperation == BlendOperation::Add && blend.alphaBlendOperation == BlendOperation::Add;
  };
  directQuads_ = byte4_ && kind_ == Kind::Unorm && view.samples == 1 && fastPathsEnabled();
  writtenBytes_ = 0;
  for (unsigned c = 0; c < 4; ++c) {
    if (blend.writeMask & kChannelMask[c]) writtenBytes_ |= 0xFFu << (8 * byteSlots(bgra_)[c]);
  }
  equation_ = !blend.blendingEnabled ? Equation::replace
              : both(BlendFactor::SourceAlpha, BlendFactor::OneMinusSourceAlpha) ? Equation::sourceOver
              : both(BlendFactor::One, BlendFactor::One) ? Equation::additive
              : both(BlendFactor::One, BlendFactor::OneMinusSourceAlpha) ? Equation::premultiplied
                                                                          : Equation::general;
}

void ColorUnit::writeByte4(std::uint8_t* at, const float source[4]) const {
  const unsigned* slot = byteSlots(bgra_);
  float out[4];
  if (blend_.blendingEnabled) {
    const float d[4] = {kUnorm8[at[slot[0]]], kUnorm8[at[slot[1]]], kUnorm8[at[slot[2]]], kUnorm8[at[slot[3]]]};
    blendColors(blend_, source, d, blendColor_.data(), out);
  } else {
    std::copy(source, source + 4, out);
  }
  const NSUInteger mask = blend_.writeMask;
  for (unsigned c = 0; c < 4; ++c) {
    if (mask & kChannelMask[c]) at[slot[c]] = unorm8(out[c]);
  }
}

void ColorUnit::writeGeneric(std::uint8_t* at, const SourceColor& color) const {
  const PixelFormatInfo& info = *view_.info;
  Texel out;
  if (kind_ == Kind::Integer) {
    for (unsigned c = 0; c < 4; ++c) {
      out[c] = color.isSigned ? static_cast<double>(static_cast<std::int32_t>(color.bits[c]))
                              : static_cast<double>(color.bits[c]);
    }
  } else {
    float source[4];
    std::copy(color.value, color.value + 4, source);
    for (float& c : source) {
      if (kind_ == Kind::Unorm) c = std::clamp(c, 0.0f, 1.0f);
      if (kind_ == Kind::Snorm) c = std::clamp(c, -1.0f, 1.0f);
    }
    float result[4];
    if (blend_.blendingEnabled) {
      const Texel d = decodeTexel(info, at);
      const float destination[4] = {static_cast<float>(d[0]), static_cast<float>(d[1]),
                                    static_cast<float>(d[2]), static_cast<float>(d[3])};
      blendColors(blend_, source, destination, blendColor_.data(), result);
    } else {
      std::copy(source, source + 4, result);
    }
    for (unsigned c = 0; c < 4; ++c) out[c] = result[c];
  }
  const NSUInteger mask = blend_.writeMask & ColorWriteMaskAll;
  if (mask == ColorWriteMaskAll) {
    encodeTexel(info, out, at);
    return;
  }
  if (info.kind == ComponentKind::Packed) {
    const Texel old = decodeTexel(info, at);
    for (unsigned c = 0; c < 4; ++c) {
      if (!(mask & kChannelMask[c])) out[c] = old[c];
    }
    encodeTexel(info, out, at);
    return;
  }
  // Plain formats: encode the whole texel aside, then copy the written
  // channels' bytes.
  std::uint8_t bytes[16];
  std::memcpy(bytes, at, info.bytesPerBlock);
  encodeTexel(info, out, bytes);
  const unsigned width = info.bitsPerChannel / 8;
  for (unsigned slot = 0; slot < info.channels; ++slot) {
    unsigned channel = slot;
    if (info.format == PixelFormat::A8Unorm) channel = 3;
    if (info.format == PixelFormat::BGRA8Unorm || info.format == PixelFormat::BGRA8Unorm_sRGB) {
      constexpr unsigned kOrder[] = {2, 1, 0, 3};
      channel = kOrder[slot];
    }
    if (mask & kChannelMask[channel]) std::memcpy(at + slot * width, bytes + slot * width, width);
  }
}

namespace {

const Float4 kOne = {1, 1, 1, 1};

// factor() for the four lanes of a quad, the choice made once: the same
// single operations, so the same bits.
Float4 factorQuad(BlendFactor f, unsigned k, const Float4 s[4], const Float4 d[4], const float* c) {
  switch (f) {
    case BlendFactor::Zero: return Float4{};
    case BlendFactor::One: return kOne;
    case BlendFactor::SourceColor: return s[k];
    case BlendFactor::OneMinusSourceColor: return kOne - s[k];
    case BlendFactor::SourceAlpha: return s[3];
    case BlendFactor::OneMinusSourceAlpha: return kOne - s[3];
    case BlendFactor::DestinationColor: return d[k];
    case BlendFactor::OneMinusDestinationColor: return kOne - d[k];
    case BlendFactor::DestinationAlpha: return d[3];
    case BlendFactor::OneMinusDestinationAlpha: return kOne - d[3];
    case BlendFactor::SourceAlphaSaturated: {
      if (k == 3) return kOne;
      const Float4 a = s[3], b = kOne - d[3];
      return b < a ? b : a;  // std::min(a, b)
    }
    case BlendFactor::BlendColor: return splat(c[k]);
    case BlendFactor::OneMinusBlendColor: return splat(1 - c[k]);
    case BlendFactor::BlendAlpha: return splat(c[3]);
    case BlendFactor::OneMinusBlendAlpha: return splat(1 - c[3]);
    default: return Float4{};
  }
}

Float4 operateQuad(BlendOperation op, Float4 s, Float4 fs, Float4 d, Float4 fd) {
  switch (op) {
    case BlendOperation::Subtract: return s * fs - d * fd;
    case BlendOperation::ReverseSubtract: return d * fd - s * fs;
    case BlendOperation::Min: return d < s ? d : s;  // std::min(s, d)
    case BlendOperation::Max: return s < d ? d : s;  // std::max(s, d)
    default: return s * fs + d * fd;
  }
}

// unorm8() of four values: NaN to 0, clamped, then as the codec rounds.
Int4 unorm8Quad(Float4 v) {
  const Float4 zero = {0, 0, 0, 0};
#if defined(__SSE2__)
  // maxps(a, b) is a > b ? a : b and minps(a, b) a < b ? a : b.
  v = __builtin_ia32_minps(__builtin_ia32_maxps(v, zero), kOne);
#else
  v = v > zero ? v : zero;  // NaN fails the comparison: 0
  v = v < kOne ? v : kOne;
#endif
  return unorm8Lanes(v);
}

}  // namespace

bool ColorUnit::writeQuad(std::int32_t x, std::int32_t y, unsigned lanes, const std::uint32_t* const rows[4],
                          bool alphaToOne) const {
  if (!directQuads_) return false;
  const Float4 color[4] = {loadFloat4(rows[0]), loadFloat4(rows[1]), loadFloat4(rows[2]), loadFloat4(rows[3])};
  writeQuadColor(x, y, lanes, color, alphaToOne);
  return true;
}

template <bool Bgra>
void ColorUnit::writeQuadAs(std::int32_t x, std::int32_t y, unsigned lanes, const Float4 color[4],
                            bool alphaToOne) const {
  constexpr const unsigned* kSlot = byteSlots(Bgra);
  Float4 src[4], out[4];
  for (unsigned c = 0; c < 4; ++c) src[c] = clampLanes(color[c], Float4{}, kOne);
  if (alphaToOne) src[3] = kOne;
  // The covered pixels of the quad: (0,0), (1,0), (0,1), (1,1); all four
  // as two rows where the quad lies inside.
  const std::uint64_t stride = view_.stride;
  std::uint8_t* const corner = view_.data + static_cast<std::uint64_t>(y) * stride + static_cast<std::uint64_t>(x) * 4;
  const auto pixel = [&](unsigned k) { return corner + (k >> 1) * stride + (k & 1) * 4; };
  const bool whole = view_.holdsQuad(x, y);
  // The covered pixels' texels, and what is kept of them.
  UInt4 old = {};
  if (whole) {
    old = loadQuad(corner, stride);
  } else if (equation_ != Equation::replace || writtenBytes_ != ~0u) {
    for (unsigned k = 0; k < 4; ++k) {
      if (lanes & (1u << k)) std::memcpy(&old[k], pixel(k), 4);
    }
  }
  if (equation_ == Equation::replace) {
    std::copy(src, src + 4, out);
  } else {
    Float4 dst[4];
    for (unsigned c = 0; c < 4; ++c) dst[c] = unorm8Channel(old, kSlot[c]);
    switch (equation_) {
      case Equation::sourceOver: {
        const Float4 fs = src[3], fd = kOne - src[3];
        for (unsigned c = 0; c < 4; ++c) out[c] = src[c] * fs + dst[c] * fd;
        break;
      }
      case Equation::additive:
        for (unsigned c = 0; c < 4; ++c) out[c] = src[c] * kOne + dst[c] * kOne;
        break;
      case Equation::premultiplied: {
        const Float4 fd = kOne - src[3];
        for (unsigned c = 0; c < 4; ++c) out[c] = src[c] * kOne + dst[c] * fd;
        break;
      }
      default:
        for (unsigned c = 0; c < 4; ++c) {
          const bool alpha = c == 3;
          const Float4 fs = factorQuad(alpha ? blend_.sourceAlphaBlendFactor : blend_.sourceRGBBlendFactor, c,
                                       src, dst, blendColor_.data());
          const Float4 fd = factorQuad(alpha ? blend_.destinationAlphaBlendFactor : blend_.destinationRGBBlendFactor,
                                       c, src, dst, blendColor_.data());
          out[c] = operateQuad(alpha ? blend_.alphaBlendOperation : blend_.rgbBlendOperation, src[c], fs, dst[c], fd);
        }
        break;
    }
  }
  UInt4 texels = {};
  for (unsigned c = 0; c < 4; ++c) texels |= reinterpret_cast<UInt4>(unorm8Quad(out[c])) << (8 * kSlot[c]);
  const UInt4 written = UInt4{} + writtenBytes_;
  texels = (texels & written) | (old & ~written);
  if (whole) {
    const UInt4 covered = laneSelect(lanes);
    storeQuad(corner, stride, (texels & covered) | (old & ~covered));
    return;
  }
  for (unsigned k = 0; k < 4; ++k) {
    if (lanes & (1u << k)) std::memcpy(pixel(k), &texels[k], 4);
  }
}

template void ColorUnit::writeQuadAs<true>(std::int32_t, std::int32_t, unsigned, const Float4[4], bool) const;
template void ColorUnit::writeQuadAs<false>(std::int32_t, std::int32_t, unsigned, const Float4[4], bool) const;

void ColorUnit::write(std::int32_t x, std::int32_t y, std::uint8_t samples,
                      const SourceColor& color) const {
  const bool direct = byte4_ && kind_ == Kind::Unorm && fastPathsEnabled();
  float source[4];
  if (direct) {
    for (unsigned c = 0; c < 4; ++c) source[c] = std::clamp(color.value[c], 0.0f, 1.0f);
  }
  for (unsigned s = 0; s < view_.samples; ++s) {
    if (!(samples & (1u << s))) continue;
    std::uint8_t* at = view_.at(x, y, s);
    if (direct) {
      writeByte4(at, source);
    } else {
      writeGeneric(at, color);
    }
  }
}

}  // namespace mtl::exec
