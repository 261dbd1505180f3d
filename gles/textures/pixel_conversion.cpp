#include "gles/textures/pixel_conversion.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "gles/context/errors.h"
#include "gles/context/gl_enums.h"
#include "gles/textures/pixel_format.h"

namespace {

using P = mtl::PixelFormat;

// Client rows need not be aligned to their components: every access goes
// through memcpy.
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

// ---------------------------------------------------------------------------
// Upload

// The float nearest 1/65535, 1/255 and 1/16777215, and 2^-32, by their bits:
// the depth conversions multiply in single precision by exactly these.
constexpr float kNearestInverse65535 = std::bit_cast<float>(0x37800080u);
constexpr float kNearestInverse255 = std::bit_cast<float>(0x3B808081u);
constexpr float kNearestInverse16777215 = std::bit_cast<float>(0x33800001u);
constexpr float kTwoToMinus32 = std::bit_cast<float>(0x2F800000u);

enum class UploadRule {
  Copy,             // the first min(source, destination) bytes
  ExpandRGB,        // (r, g, b, one)
  Luminance,        // (l, l, l, one)
  LuminanceAlpha,   // (l, l, l, a)
  AlphaOnly,        // (0, 0, 0, a)
  UintToDepth,      // float = value x 2^-32
  UshortToDepth,    // float = value x 1/65535
  UbyteToDepth,     // float = value x 1/255
  UbyteToDepth16,   // 16-bit = value << 8
  PackedToDepth,    // float = (value >> 8) x 1/16777215, first 4 bytes
};

// Width in bytes and bits of "one" of a plain component type; 0 otherwise.
struct Component {
  unsigned bytes = 0;
  std::uint32_t one = 0;
};

Component componentOf(GLenum type) {
  switch (type) {
    case GL_UNSIGNED_BYTE: return {1, 0xFFu};
    case GL_UNSIGNED_SHORT: return {2, 0xFFFFu};
    case GL_UNSIGNED_INT: return {4, 0xFFFFFFFFu};
    case GL_FLOAT: return {4, 0x3F800000u};
    case GL_HALF_FLOAT_OES: return {2, 0x3C00u};
    default: return {};
  }
}

bool isFloatDepth(P format) {
  return format == P::Depth32Float || format == P::Depth32Float_Stencil8;
}

// The rule for a pixel pair. A rule is taken only when the destination
// texel has room for what it writes; otherwise the bytes are copied.
UploadRule uploadRule(GLenum format, GLenum type, P destination, unsigned destinationBytes) {
  const Component c = componentOf(type);
  const bool fourComponents = c.bytes != 0 && destinationBytes == 4 * c.bytes;
  switch (format) {
    case GL_RGB: case GL_SRGB_EXT:
      return fourComponents ? UploadRule::ExpandRGB : UploadRule::Copy;
    case GL_LUMINANCE:
      return fourComponents ? UploadRule::Luminance : UploadRule::Copy;
    case GL_LUMINANCE_ALPHA:
      return fourComponents ? UploadRule::LuminanceAlpha : UploadRule::Copy;
    case GL_ALPHA:
      return fourComponents && type != GL_UNSIGNED_BYTE ? UploadRule::AlphaOnly
                                                         : UploadRule::Copy;
    case GL_DEPTH_COMPONENT:
      if (isFloatDepth(destination)) {
        if (type == GL_UNSIGNED_INT) return UploadRule::UintToDepth;
        if (type == GL_UNSIGNED_SHORT) return UploadRule::UshortToDepth;
        if (type == GL_UNSIGNED_BYTE) return UploadRule::UbyteToDepth;
      }
      if (destination == P::Depth16Unorm && type == GL_UNSIGNED_BYTE) {
        return UploadRule::UbyteToDepth16;
      }
      return UploadRule::Copy;
    case GL_DEPTH_STENCIL_OES:
      return type == GL_UNSIGNED_INT_24_8_OES && isFloatDepth(destination)
                 ? UploadRule::PackedToDepth
                 : UploadRule::Copy;
    default:
      return UploadRule::Copy;
  }
}

template <typename T>
void expandRow(const std::uint8_t* s, std::uint8_t* d, std::uint64_t width, UploadRule rule,
               T one) {
  for (std::uint64_t i = 0; i < width; ++i) {
    T out[4];
    switch (rule) {
      case UploadRule::ExpandRGB:
        std::memcpy(out, s, 3 * sizeof(T));
        out[3] = one;
        s += 3 * sizeof(T);
        break;
      case UploadRule::Luminance:
        out[0] = out[1] = out[2] = load<T>(s);
        out[3] = one;
        s += sizeof(T);
        break;
      case UploadRule::LuminanceAlpha:
        out[0] = out[1] = out[2] = load<T>(s);
        out[3] = load<T>(s + sizeof(T));
        s += 2 * sizeof(T);
        break;
      default:  // AlphaOnly
        out[0] = out[1] = out[2] = 0;
        out[3] = load<T>(s);
        s += sizeof(T);
        break;
    }
    std::memcpy(d, out, sizeof out);
    d += sizeof out;
  }
}

// The commonest conversion, RGB bytes to RGBA8, on its own.
void expandRGB8Row(const std::uint8_t* s, std::uint8_t* d, std::uint64_t width) {
  for (std::uint64_t i = 0; i < width; ++i, s += 3, d += 4) {
    d[0] = s[0];
    d[1] = s[1];
    d[2] = s[2];
    d[3] = 0xFF;
  }
}

void depthRow(const std::uint8_t* s, std::uint8_t* d, std::uint64_t width, UploadRule rule,
              unsigned destinationBytes) {
  for (std::uint64_t i = 0; i < width; ++i, d += destinationBytes) {
    switch (rule) {
      case UploadRule::UintToDepth:
        store(d, static_cast<float>(load<std::uint32_t>(s)) * kTwoToMinus32);
        s += 4;
        break;
      case UploadRule::UshortToDepth:
        store(d, static_cast<float>(load<std::uint16_t>(s)) * kNearestInverse65535);
        s += 2;
        break;
      case UploadRule::UbyteToDepth:
        store(d, static_cast<float>(*s) * kNearestInverse255);
        s += 1;
        break;
      case UploadRule::UbyteToDepth16:
        store(d, static_cast<std::uint16_t>(*s << 8));
        s += 1;
        break;
      default:  // PackedToDepth
        store(d, static_cast<float>(load<std::uint32_t>(s) >> 8) * kNearestInverse16777215);
        s += 4;
        break;
    }
  }
}

void copyRow(const std::uint8_t* s, unsigned sourceBytes, std::uint8_t* d,
             unsigned destinationBytes, std::uint64_t width) {
  const unsigned n = std::min(sourceBytes, destinationBytes);
  if (sourceBytes == destinationBytes) {
    std::memcpy(d, s, width * n);
    return;
  }
  for (std::uint64_t i = 0; i < width; ++i, s += sourceBytes, d += destinationBytes) {
    std::memcpy(d, s, n);
  }
}

// ---------------------------------------------------------------------------
// Read-back

constexpr float kInverse1 = 1.0f;
constexpr float kInverse3 = 1.0f / 3.0f;
constexpr float kInverse15 = 1.0f / 15.0f;
constexpr float kInverse31 = 1.0f / 31.0f;
constexpr float kInverse63 = 1.0f / 63.0f;
constexpr float kInverse255 = 1.0f / 255.0f;
constexpr float kInverse1023 = 1.0f / 1023.0f;
constexpr float kInverse65535 = 1.0f / 65535.0f;

using RGBA = std::array<float, 4>;
using Reader = RGBA (*)(const std::uint8_t*);

float unsignedValue(std::uint32_t v, float factor) { return static_cast<float>(v) * factor; }
float signedValue(std::int32_t v, float factor) { return static_cast<float>(v) * factor + 0.5f; }

// Readers of plain formats: N components of type T, scaled unsigned or
// signed, or floats taken as they are.
enum class Scale { Unsigned, Signed, Float };

template <typename T, int N, Scale S>
RGBA readPlain(const std::uint8_t* p) {
  RGBA c{0, 0, 0, 1};
  for (int i = 0; i < N; ++i) {
    const T v = load<T>(p + i * sizeof(T));
    if constexpr (S == Scale::Float) {
      c[i] = v;
    } else {
      constexpr float factor = sizeof(T) == 1 ? kInverse255
                               : sizeof(T) == 2 ? kInverse65535
                                                : kTwoToMinus32;
      if constexpr (S == Scale::Unsigned) c[i] = unsignedValue(v, factor);
      else c[i] = signedValue(v, factor);
    }
  }
  return c;
}

RGBA readA8(const std::uint8_t* p) { return {0, 0, 0, unsignedValue(*p, kInverse255)}; }

RGBA readBGRA8(const std::uint8_t* p) {
  return {unsignedValue(p[2], kInverse255), unsignedValue(p[1], kInverse255),
          unsignedValue(p[0], kInverse255), unsignedValue(p[3], kInverse255)};
}

RGBA readB5G6R5(const std::uint8_t* p) {
  const std::uint16_t v = load<std::uint16_t>(p);
  return {unsignedValue(v >> 11, kInverse31), unsignedValue((v >> 5) & 63, kInverse63),
          unsignedValue(v & 31, kInverse31), 1};
}

RGBA readA1BGR5(const std::uint8_t* p) {
  const std::uint16_t v = load<std::uint16_t>(p);
  return {unsignedValue(v >> 11, kInverse31), unsignedValue((v >> 6) & 31, kInverse31),
          unsignedValue((v >> 1) & 31, kInverse31), unsignedValue(v & 1, kInverse1)};
}

RGBA readABGR4(const std::uint8_t* p) {
  const std::uint16_t v = load<std::uint16_t>(p);
  return {unsignedValue(v >> 12, kInverse15), unsignedValue((v >> 8) & 15, kInverse15),
          unsignedValue((v >> 4) & 15, kInverse15), unsignedValue(v & 15, kInverse15)};
}

RGBA readRGB10A2(const std::uint8_t* p) {
  const std::uint32_t v = load<std::uint32_t>(p);
  return {unsignedValue(v & 0x3FF, kInverse1023), unsignedValue((v >> 10) & 0x3FF, kInverse1023),
          unsignedValue((v >> 20) & 0x3FF, kInverse1023), unsignedValue(v >> 30, kInverse3)};
}

constexpr Scale U = Scale::Unsigned, S = Scale::Signed, F = Scale::Float;

// Null for a format the read-back cannot interpret.
Reader readerOf(P format) {
  switch (format) {
    case P::A8Unorm: return readA8;
    case P::R8Unorm: case P::R8Unorm_sRGB: case P::R8Uint: case P::Stencil8:
      return readPlain<std::uint8_t, 1, U>;
    case P::R8Snorm: case P::R8Sint: return readPlain<std::int8_t, 1, S>;
    case P::R16Unorm: case P::R16Uint: case P::Depth16Unorm:
      return readPlain<std::uint16_t, 1, U>;
    case P::R16Snorm: case P::R16Sint: return readPlain<std::int16_t, 1, S>;
    case P::R32Uint: return readPlain<std::uint32_t, 1, U>;
    case P::R32Sint: return readPlain<std::int32_t, 1, S>;
    case P::R32Float: case P::Depth32Float: case P::Depth32Float_Stencil8:
      return readPlain<float, 1, F>;
    case P::RG8Unorm: case P::RG8Unorm_sRGB: case P::RG8Uint:
      return readPlain<std::uint8_t, 2, U>;
    case P::RG8Snorm: case P::RG8Sint: return readPlain<std::int8_t, 2, S>;
    case P::RG16Unorm: case P::RG16Uint: return readPlain<std::uint16_t, 2, U>;
    case P::RG16Snorm: case P::RG16Sint: return readPlain<std::int16_t, 2, S>;
    case P::RG32Uint: return readPlain<std::uint32_t, 2, U>;
    case P::RG32Sint: return readPlain<std::int32_t, 2, S>;
    case P::RG32Float: return readPlain<float, 2, F>;
    case P::B5G6R5Unorm: return readB5G6R5;
    case P::A1BGR5Unorm: return readA1BGR5;
    case P::ABGR4Unorm: return readABGR4;
    case P::RGBA8Unorm: case P::RGBA8Unorm_sRGB: case P::RGBA8Uint:
      return readPlain<std::uint8_t, 4, U>;
    case P::RGBA8Snorm: case P::RGBA8Sint: return readPlain<std::int8_t, 4, S>;
    case P::BGRA8Unorm: case P::BGRA8Unorm_sRGB: return readBGRA8;
    case P::RGB10A2Unorm: case P::RGB10A2Uint: return readRGB10A2;
    case P::RGBA16Unorm: case P::RGBA16Uint: return readPlain<std::uint16_t, 4, U>;
    case P::RGBA16Snorm: case P::RGBA16Sint: return readPlain<std::int16_t, 4, S>;
    case P::RGBA32Uint: return readPlain<std::uint32_t, 4, U>;
    case P::RGBA32Sint: return readPlain<std::int32_t, 4, S>;
    case P::RGBA32Float: return readPlain<float, 4, F>;
    default: return nullptr;
  }
}

RGBA readUnknown(const std::uint8_t*) { return {0.5f, 0.5f, 0.5f, 1.0f}; }

// Clamped to [0, 1] and scaled with truncation; NaN, which a float texture
// may hold, becomes 0 rather than an undefined conversion.
std::uint8_t toByte(float value) {
  const float clamped = value > 0.0f ? (value < 1.0f ? value : 1.0f) : 0.0f;
  return static_cast<std::uint8_t>(clamped * 255.0f);
}

// The byte an unsigned 8-bit component reads back as, by the same float
// arithmetic as every other component, looked up rather than recomputed:
// BGRA surfaces read as RGBA are the common case.
const std::array<std::uint8_t, 256>& unsignedByteTable() {
  static const std::array<std::uint8_t, 256> table = [] {
    std::array<std::uint8_t, 256> t{};
    for (unsigned v = 0; v < 256; ++v) t[v] = toByte(unsignedValue(v, kInverse255));
    return t;
  }();
  return table;
}

void swapRedBlueRow(const std::uint8_t* s, std::uint8_t* d, std::uint64_t width) {
  const std::array<std::uint8_t, 256>& t = unsignedByteTable();
  for (std::uint64_t i = 0; i < width; ++i, s += 4, d += 4) {
    const std::uint8_t b = t[s[0]], g = t[s[1]], r = t[s[2]], a = t[s[3]];
    d[0] = r;
    d[1] = g;
    d[2] = b;
    d[3] = a;
  }
}

void mapBytesRow(const std::uint8_t* s, std::uint8_t* d, std::uint64_t width) {
  const std::array<std::uint8_t, 256>& t = unsignedByteTable();
  for (std::uint64_t i = 0; i < width * 4; ++i) d[i] = t[s[i]];
}

}  // namespace

void mglConvertGLPixelsToMTL(const void* source, GLenum format, GLenum type,
                             std::uint64_t sourceBytesPerRow, std::uint64_t width,
                             std::uint64_t height, void* destination,
                             mtl::PixelFormat destinationFormat,
                             std::uint64_t destinationBytesPerRow) {
  if (height == 0 || width == 0 || !source || !destination) return;
  const unsigned sourceBytes = mglBytesPerPixelOfGLFormat(format, type);
  const unsigned destinationBytes = mglBytesPerPixelOfMTLPixelFormat(destinationFormat);
  const UploadRule rule = uploadRule(format, type, destinationFormat, destinationBytes);
  const unsigned componentBytes = componentOf(type).bytes;
  const auto one = componentOf(type).one;
  const auto* s = static_cast<const std::uint8_t*>(source);
  auto* d = static_cast<std::uint8_t*>(destination);
  for (std::uint64_t row = 0; row < height; ++row) {
    const std::uint8_t* sRow = s + row * sourceBytesPerRow;
    std::uint8_t* dRow = d + row * destinationBytesPerRow;
    switch (rule) {
      case UploadRule::Copy:
        copyRow(sRow, sourceBytes, dRow, destinationBytes, width);
        break;
      case UploadRule::ExpandRGB: case UploadRule::Luminance:
      case UploadRule::LuminanceAlpha: case UploadRule::AlphaOnly:
        if (rule == UploadRule::ExpandRGB && componentBytes == 1) {
          expandRGB8Row(sRow, dRow, width);
        } else if (componentBytes == 1) {
          expandRow<std::uint8_t>(sRow, dRow, width, rule, static_cast<std::uint8_t>(one));
        } else if (componentBytes == 2) {
          expandRow<std::uint16_t>(sRow, dRow, width, rule, static_cast<std::uint16_t>(one));
        } else {
          expandRow<std::uint32_t>(sRow, dRow, width, rule, one);
        }
        break;
      default:
        depthRow(sRow, dRow, width, rule, destinationBytes);
        break;
    }
  }
}

void mglConvertMTLPixelsToGLRGBA(const void* source, mtl::PixelFormat sourceFormat,
                                 std::uint64_t sourceBytesPerRow, std::uint64_t width,
                                 std::uint64_t height, void* destination, GLenum format,
                                 GLenum type, std::uint64_t destinationBytesPerRow) {
  if (height == 0 || width == 0 || !source || !destination) return;
  const unsigned sourceBytes = mglBytesPerPixelOfMTLPixelFormat(sourceFormat);
  Reader reader = readerOf(sourceFormat);
  // Each pixel would report the same errors; the first one is what stays.
  if (!reader) {
    mglSetError(GL_INVALID_ENUM, "Could not convert MTLPixelFormat %lu to RGBA",
                {static_cast<unsigned long>(sourceFormat)});
    reader = readUnknown;
  }
  if (type != GL_UNSIGNED_BYTE) {
    mglSetError(GL_INVALID_ENUM, "%@ is not a valid OpenGL pixel type", {mglGLEnumName(type)});
    return;
  }
  if (format != GL_RGBA && format != GL_BGRA) {
    mglSetError(GL_INVALID_ENUM, "%@ is not a valid OpenGL pixel format",
                {mglGLEnumName(format)});
    return;
  }
  const bool bgra = format == GL_BGRA;
  const auto* s = static_cast<const std::uint8_t*>(source);
  auto* d = static_cast<std::uint8_t*>(destination);
  const bool sourceBGRA =
      sourceFormat == P::BGRA8Unorm || sourceFormat == P::BGRA8Unorm_sRGB;
  const bool sourceBytes8 = sourceBGRA || sourceFormat == P::RGBA8Unorm ||
                            sourceFormat == P::RGBA8Unorm_sRGB || sourceFormat == P::RGBA8Uint;
  const bool sameOrder = sourceBGRA == bgra;
  for (std::uint64_t row = 0; row < height; ++row) {
    const std::uint8_t* sRow = s + row * sourceBytesPerRow;
    std::uint8_t* dRow = d + row * destinationBytesPerRow;
    if (sourceBytes8) {
      if (sameOrder) mapBytesRow(sRow, dRow, width);
      else swapRedBlueRow(sRow, dRow, width);
      continue;
    }
    for (std::uint64_t i = 0; i < width; ++i, sRow += sourceBytes, dRow += 4) {
      const RGBA c = reader(sRow);
      dRow[0] = toByte(c[bgra ? 2 : 0]);
      dRow[1] = toByte(c[1]);
      dRow[2] = toByte(c[bgra ? 0 : 2]);
      dRow[3] = toByte(c[3]);
    }
  }
}
