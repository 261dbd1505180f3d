#include "platform/metal/pixel_codec.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/metal/half_float.h"

namespace mtl {
namespace {

template <typename T>
T load(const std::uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
template <typename T>
void store(std::uint8_t* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

std::uint64_t unormEncode(double v, unsigned bits) {
  const double maxValue = std::ldexp(1.0, static_cast<int>(bits)) - 1.0;
  if (std::isnan(v)) return 0;
  return static_cast<std::uint64_t>(std::lround(std::clamp(v, 0.0, 1.0) * maxValue));
}
double unormDecode(std::uint64_t raw, unsigned bits) {
  return static_cast<double>(raw) / (std::ldexp(1.0, static_cast<int>(bits)) - 1.0);
}
std::int64_t snormEncode(double v, unsigned bits) {
  const double maxValue = std::ldexp(1.0, static_cast<int>(bits) - 1) - 1.0;
  if (std::isnan(v)) return 0;
  return std::lround(std::clamp(v, -1.0, 1.0) * maxValue);
}
double snormDecode(std::int64_t raw, unsigned bits) {
  const double maxValue = std::ldexp(1.0, static_cast<int>(bits) - 1) - 1.0;
  return std::max(-1.0, static_cast<double>(raw) / maxValue);
}
template <typename T>
T saturateInteger(double v) {
  if (std::isnan(v)) return 0;
  const double lo = static_cast<double>(std::numeric_limits<T>::min());
  const double hi = static_cast<double>(std::numeric_limits<T>::max());
  return static_cast<T>(std::clamp(std::trunc(v), lo, hi));
}

// Order in which plain formats store their channels.
int storedChannel(PixelFormat format, unsigned slot) {
  if (format == PixelFormat::A8Unorm) return 3;
  if (format == PixelFormat::BGRA8Unorm || format == PixelFormat::BGRA8Unorm_sRGB) {
    constexpr int kOrder[] = {2, 1, 0, 3};
    return kOrder[slot];
  }
  return static_cast<int>(slot);
}

double readChannel(const PixelFormatInfo& info, const std::uint8_t* p) {
  const unsigned bits = info.bitsPerChannel;
  switch (info.kind) {
    case ComponentKind::Unorm:
      return unormDecode(bits == 8 ? load<std::uint8_t>(p) : load<std::uint16_t>(p), bits);
    case ComponentKind::Snorm:
      return snormDecode(bits == 8 ? load<std::int8_t>(p) : load<std::int16_t>(p), bits);
    case ComponentKind::Uint:
      return bits == 8 ? load<std::uint8_t>(p)
                       : bits == 16 ? load<std::uint16_t>(p) : load<std::uint32_t>(p);
    case ComponentKind::Sint:
      return bits == 8 ? load<std::int8_t>(p)
                       : bits == 16 ? load<std::int16_t>(p) : load<std::int32_t>(p);
    case ComponentKind::Float:
      return bits == 16 ? halfToFloat(load<std::uint16_t>(p)) : load<float>(p);
    default:
      return 0;
  }
}

void writeChannel(const PixelFormatInfo& info, double v, std::uint8_t* p) {
  const unsigned bits = info.bitsPerChannel;
  switch (info.kind) {
    case ComponentKind::Unorm:
      if (bits == 8) store(p, static_cast<std::uint8_t>(unormEncode(v, 8)));
      else store(p, static_cast<std::uint16_t>(unormEncode(v, 16)));
      break;
    case ComponentKind::Snorm:
      if (bits == 8) store(p, static_cast<std::int8_t>(snormEncode(v, 8)));
      else store(p, static_cast<std::int16_t>(snormEncode(v, 16)));
      break;
    case ComponentKind::Uint:
      if (bits == 8) store(p, saturateInteger<std::uint8_t>(v));
      else if (bits == 16) store(p, saturateInteger<std::uint16_t>(v));
      else store(p, saturateInteger<std::uint32_t>(v));
      break;
    case ComponentKind::Sint:
      if (bits == 8) store(p, saturateInteger<std::int8_t>(v));
      else if (bits == 16) store(p, saturateInteger<std::int16_t>(v));
      else store(p, saturateInteger<std::int32_t>(v));
      break;
    case ComponentKind::Float:
      if (bits == 16) store(p, floatToHalf(static_cast<float>(v)));
      else store(p, static_cast<float>(v));
      break;
    default:
      break;
  }
}

// Packed layouts name their fields from the least significant bit up.
struct Field { unsigned shift, bits; int channel; };

Texel decodePacked(PixelFormat format, const std::uint8_t* p) {
  Texel t{0, 0, 0, 1};
  auto unpack = [&](std::uint32_t word, std::initializer_list<Field> fields, bool normalise) {
    for (const Field& f : fields) {
      const std::uint32_t raw = (word >> f.shift) & ((1u << f.bits) - 1);
      t[f.channel] = normalise ? unormDecode(raw, f.bits) : raw;
    }
  };
  switch (format) {
    case PixelFormat::B5G6R5Unorm:
      unpack(load<std::uint16_t>(p), {{0, 5, 2}, {5, 6, 1}, {11, 5, 0}}, true);
      break;
    case PixelFormat::A1BGR5Unorm:
      unpack(load<std::uint16_t>(p), {{0, 1, 3}, {1, 5, 2}, {6, 5, 1}, {11, 5, 0}}, true);
      break;
    case PixelFormat::ABGR4Unorm:
      unpack(load<std::uint16_t>(p), {{0, 4, 3}, {4, 4, 2}, {8, 4, 1}, {12, 4, 0}}, true);
      break;
    case PixelFormat::RGB10A2Unorm:
    case PixelFormat::RGB10A2Uint:
      unpack(load<std::uint32_t>(p), {{0, 10, 0}, {10, 10, 1}, {20, 10, 2}, {30, 2, 3}},
             format == PixelFormat::RGB10A2Unorm);
      break;
    case PixelFormat::RG11B10Float: {
      const std::uint32_t w = load<std::uint32_t>(p);
      t[0] = smallUnsignedFloatToFloat(w & 0x7FFu, 6);
      t[1] = smallUnsignedFloatToFloat((w >> 11) & 0x7FFu, 6);
      t[2] = smallUnsignedFloatToFloat(w >> 22, 5);
      break;
    }
    case PixelFormat::RGB9E5Float: {
      float rgb[3];
      decodeRGB9E5(load<std::uint32_t>(p), rgb);
      t = {rgb[0], rgb[1], rgb[2], 1};
      break;
    }
    default:
      break;
  }
  return t;
}

void encodePacked(PixelFormat format, const Texel& t, std::uint8_t* p) {
  auto pack = [&](std::initializer_list<Field> fields, bool normalise) {
    std::uint32_t word = 0;
    for (const Field& f : fields) {
      const std::uint32_t maxRaw = (1u << f.bits) - 1;
      const std::uint32_t raw = normalise
          ? static_cast<std::uint32_t>(unormEncode(t[f.channel], f.bits))
          : std::min(saturateInteger<std::uint32_t>(t[f.channel]), maxRaw);
      word |= raw << f.shift;
    }
    return word;
  };
  switch (format) {
    case PixelFormat::B5G6R5Unorm:
      store(p, static_cast<std::uint16_t>(pack({{0, 5, 2}, {5, 6, 1}, {11, 5, 0}}, true)));
      break;
    case PixelFormat::A1BGR5Unorm:
      store(p, static_cast<std::uint16_t>(
                   pack({{0, 1, 3}, {1, 5, 2}, {6, 5, 1}, {11, 5, 0}}, true)));
      break;
    case PixelFormat::ABGR4Unorm:
      store(p, static_cast<std::uint16_t>(
                   pack({{0, 4, 3}, {4, 4, 2}, {8, 4, 1}, {12, 4, 0}}, true)));
      break;
    case PixelFormat::RGB10A2Unorm:
    case PixelFormat::RGB10A2Uint:
      store(p, pack({{0, 10, 0}, {10, 10, 1}, {20, 10, 2}, {30, 2, 3}},
                    format == PixelFormat::RGB10A2Unorm));
      break;
    case PixelFormat::RG11B10Float:
      store(p, floatToSmallUnsignedFloat(static_cast<float>(t[0]), 6) |
                   (floatToSmallUnsignedFloat(static_cast<float>(t[1]), 6) << 11) |
                   (floatToSmallUnsignedFloat(static_cast<float>(t[2]), 5) << 22));
      break;
    case PixelFormat::RGB9E5Float:
      store(p, encodeRGB9E5(static_cast<float>(t[0]), static_cast<float>(t[1]),
                            static_cast<float>(t[2])));
      break;
    default:
      break;
  }
}

}  // namespace

double srgbToLinear(double v) {
  return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

double linearToSrgb(double v) {
  if (!(v > 0.0)) return 0.0;
  if (v >= 1.0) return 1.0;
  return v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1.0 / 2.4) - 0.055;
}

Texel decodeTexel(const PixelFormatInfo& info, const std::uint8_t* bytes) {
  if (info.kind == ComponentKind::Packed) return decodePacked(info.format, bytes);
  Texel t{0, 0, 0, 1};
  const unsigned width = info.bitsPerChannel / 8;
  for (unsigned slot = 0; slot < info.channels; ++slot) {
    const int channel = storedChannel(info.format, slot);
    double v = readChannel(info, bytes + slot * width);
    if (info.sRGB && channel != 3) v = srgbToLinear(v);
    t[channel] = v;
  }
  return t;
}

void encodeTexel(const PixelFormatInfo& info, const Texel& texel, std::uint8_t* bytes) {
  if (info.kind == ComponentKind::Packed) {
    encodePacked(info.format, texel, bytes);
    return;
  }
  const unsigned width = info.bitsPerChannel / 8;
  for (unsigned slot = 0; slot < info.channels; ++slot) {
    const int channel = storedChannel(info.format, slot);
    double v = texel[channel];
    if (info.sRGB && channel != 3) v = linearToSrgb(v);
    writeChannel(info, v, bytes + slot * width);
  }
}

void encodeDepth(const PixelFormatInfo& info, double depth, std::uint8_t* bytes) {
  if (info.format == PixelFormat::Depth16Unorm) {
    store(bytes, static_cast<std::uint16_t>(unormEncode(depth, 16)));
  } else if (info.hasDepth) {
    store(bytes, static_cast<float>(depth));
  }
}

void encodeStencil(const PixelFormatInfo& info, std::uint32_t stencil, std::uint8_t* bytes) {
  if (info.format == PixelFormat::Stencil8) bytes[0] = static_cast<std::uint8_t>(stencil);
  else if (info.format == PixelFormat::Depth32Float_Stencil8) bytes[4] = static_cast<std::uint8_t>(stencil);
}

double decodeDepth(const PixelFormatInfo& info, const std::uint8_t* bytes) {
  if (info.format == PixelFormat::Depth16Unorm) return unormDecode(load<std::uint16_t>(bytes), 16);
  return info.hasDepth ? load<float>(bytes) : 0.0;
}

std::uint32_t decodeStencil(const PixelFormatInfo& info, const std::uint8_t* bytes) {
  if (info.format == PixelFormat::Stencil8) return bytes[0];
  if (info.format == PixelFormat::Depth32Float_Stencil8) return bytes[4];
  return 0;
}

bool isFilterable(const PixelFormatInfo& info) {
  switch (info.kind) {
    case ComponentKind::Unorm:
    case ComponentKind::Snorm:
    case ComponentKind::Float:
      return true;
    case ComponentKind::Packed:
      return info.format != PixelFormat::RGB10A2Uint;
    default:
      return false;
  }
}

}  // namespace mtl
