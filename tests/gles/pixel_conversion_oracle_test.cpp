// Every (format, type) pair of the texture-format lookup, written into each
// Metal format the lookup offers for it and read back as RGBA bytes. The
// expected values are worked out here in double precision from GL's
// published pixel layouts (half floats through the compiler's _Float16,
// packed types bit by bit), and the Metal texels are read with the software
// GPU's own codec, which was written from Metal's definitions.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "gles/context/errors.h"
#include "gles/context/gl_enums.h"
#include "gles/textures/pixel_conversion.h"
#include "gles/textures/pixel_format.h"
#include "platform/metal/pixel_codec.h"
#include "tests/gles/gl_test_context.h"

namespace {

using P = mtl::PixelFormat;
using Texel = std::array<double, 4>;

struct Pair {
  GLenum format, type;
};

// The whole lookup table, row by row.
constexpr GLenum kPlainTypes[] = {GL_UNSIGNED_BYTE, GL_UNSIGNED_SHORT, GL_UNSIGNED_INT,
                                  GL_FLOAT, GL_HALF_FLOAT_OES};

std::vector<Pair> lookupPairs() {
  std::vector<Pair> pairs;
  for (GLenum format : {GL_ALPHA, GL_RED_EXT, GL_LUMINANCE, GL_LUMINANCE_ALPHA, GL_RG_EXT,
                        GL_RGB, GL_RGBA}) {
    for (GLenum type : kPlainTypes) pairs.push_back({format, type});
  }
  pairs.push_back({GL_RGB, GL_UNSIGNED_SHORT_5_6_5});
  pairs.push_back({GL_RGB, GL_UNSIGNED_INT_10F_11F_11F_REV_APPLE});
  pairs.push_back({GL_RGB, GL_UNSIGNED_INT_5_9_9_9_REV_APPLE});
  pairs.push_back({GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4});
  pairs.push_back({GL_RGBA, GL_UNSIGNED_SHORT_5_5_5_1});
  pairs.push_back({GL_BGRA, GL_UNSIGNED_BYTE});
  pairs.push_back({GL_SRGB_EXT, GL_UNSIGNED_BYTE});
  pairs.push_back({GL_SRGB_ALPHA_EXT, GL_UNSIGNED_BYTE});
  for (GLenum type : {GL_UNSIGNED_BYTE, GL_UNSIGNED_SHORT, GL_UNSIGNED_INT}) {
    pairs.push_back({GL_DEPTH_COMPONENT, type});
  }
  pairs.push_back({GL_DEPTH_STENCIL_OES, GL_UNSIGNED_INT_24_8_OES});
  for (GLenum format : {GL_RGB_422_APPLE, GL_RGB_RAW_422_APPLE}) {
    for (GLenum type : {GL_UNSIGNED_BYTE, GL_UNSIGNED_SHORT_8_8_APPLE,
                        GL_UNSIGNED_SHORT_8_8_REV_APPLE}) {
      pairs.push_back({format, type});
    }
  }
  return pairs;
}

// Components per pixel and bytes per component of a plain type (the
// published ES 2.0 table and its extensions).
unsigned componentCount(GLenum format) {
  switch (format) {
    case GL_LUMINANCE_ALPHA: case GL_RG_EXT: return 2;
    case GL_RGB: case GL_SRGB_EXT: return 3;
    case GL_RGBA: case GL_BGRA: case GL_SRGB_ALPHA_EXT: return 4;
    default: return 1;
  }
}

// Bytes of one component of a plain type; 0 for packed types.
unsigned componentBytes(GLenum type) {
  switch (type) {
    case GL_UNSIGNED_BYTE: return 1;
    case GL_UNSIGNED_SHORT: case GL_HALF_FLOAT_OES: return 2;
    case GL_UNSIGNED_INT: case GL_FLOAT: return 4;
    default: return 0;
  }
}

bool isRGB422(const Pair& pair) {
  return pair.format == GL_RGB_422_APPLE || pair.format == GL_RGB_RAW_422_APPLE;
}

// 4:2:2 pixels are two bytes whatever their type.
unsigned clientPixelBytes(const Pair& pair) {
  if (isRGB422(pair)) return 2;
  switch (pair.type) {
    case GL_UNSIGNED_BYTE: return componentCount(pair.format);
    case GL_UNSIGNED_SHORT: case GL_HALF_FLOAT_OES: return 2 * componentCount(pair.format);
    case GL_UNSIGNED_INT: case GL_FLOAT: return 4 * componentCount(pair.format);
    case GL_UNSIGNED_INT_10F_11F_11F_REV_APPLE: case GL_UNSIGNED_INT_5_9_9_9_REV_APPLE:
    case GL_UNSIGNED_INT_24_8_OES:
      return 4;
    default: return 2;  // 16-bit packed types
  }
}

template <typename T>
T load(const std::uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// Component i of a client pixel in the type's own terms: the integer of an
// integer type, the value of a float or half.
double clientComponent(GLenum type, const std::uint8_t* p, unsigned i) {
  switch (type) {
    case GL_UNSIGNED_BYTE: return p[i];
    case GL_UNSIGNED_SHORT: return load<std::uint16_t>(p + 2 * i);
    case GL_UNSIGNED_INT: return load<std::uint32_t>(p + 4 * i);
    case GL_FLOAT: return load<float>(p + 4 * i);
    default: return static_cast<double>(std::bit_cast<_Float16>(load<std::uint16_t>(p + 2 * i)));
  }
}

// An unsigned float of 5 exponent bits (bias 15) and n mantissa bits, as
// EXT_packed_float defines it (finite values only here).
double unsignedSmallFloat(std::uint32_t bits, int mantissaBits) {
  const std::uint32_t exponent = bits >> mantissaBits;
  const double mantissa = bits & ((1u << mantissaBits) - 1);
  const double scale = std::ldexp(1.0, mantissaBits);
  if (exponent == 0) return std::ldexp(mantissa / scale, -14);
  return std::ldexp(1.0 + mantissa / scale, static_cast<int>(exponent) - 15);
}

double srgbToLinear(double v) {  // IEC 61966-2-1
  return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

// What a Metal texel holds after the upload, in the terms the software
// GPU's codec reports (normalised formats as fractions, integer formats as
// integers, sRGB colour in linear space), together with the value each
// channel reads back as before scaling to a byte.
struct Expected {
  Texel texel{0, 0, 0, 1};
  Texel readBack{0, 0, 0, 1};
};

Expected expectedTexel(const Pair& pair, P metal, const std::uint8_t* pixel) {
  Expected e;
  auto setBoth = [&](Texel t) { e.texel = e.readBack = t; };
  switch (pair.type) {
    case GL_UNSIGNED_SHORT_5_6_5: {
      const auto v = load<std::uint16_t>(pixel);
      setBoth({(v >> 11) / 31.0, ((v >> 5) & 63) / 63.0, (v & 31) / 31.0, 1});
      return e;
    }
    case GL_UNSIGNED_SHORT_4_4_4_4: {
      const auto v = load<std::uint16_t>(pixel);
      setBoth({(v >> 12) / 15.0, ((v >> 8) & 15) / 15.0, ((v >> 4) & 15) / 15.0,
               (v & 15) / 15.0});
      return e;
    }
    case GL_UNSIGNED_SHORT_5_5_5_1: {
      const auto v = load<std::uint16_t>(pixel);
      setBoth({(v >> 11) / 31.0, ((v >> 6) & 31) / 31.0, ((v >> 1) & 31) / 31.0,
               static_cast<double>(v & 1)});
      return e;
    }
    case GL_UNSIGNED_INT_10F_11F_11F_REV_APPLE: {
      const auto v = load<std::uint32_t>(pixel);
      e.texel = {unsignedSmallFloat(v & 0x7FF, 6), unsignedSmallFloat((v >> 11) & 0x7FF, 6),
                 unsignedSmallFloat(v >> 22, 5), 1};
      return e;
    }
    case GL_UNSIGNED_INT_5_9_9_9_REV_APPLE: {
      const auto v = load<std::uint32_t>(pixel);
      const int exponent = static_cast<int>(v >> 27) - 15 - 9;
      e.texel = {std::ldexp(v & 0x1FF, exponent), std::ldexp((v >> 9) & 0x1FF, exponent),
                 std::ldexp((v >> 18) & 0x1FF, exponent), 1};
      return e;
    }
    default:
      break;
  }
  const mtl::PixelFormatInfo& info = *mtl::pixelFormatInfo(metal);
  // A client component as the destination channel shows it, and as the
  // read-back sees it (integers scaled by 1 / (2^n - 1), or 2^-32 at 32 bits).
  auto shown = [&](double raw) {
    return info.kind == mtl::ComponentKind::Unorm
               ? raw / (std::ldexp(1.0, static_cast<int>(info.bitsPerChannel)) - 1)
               : raw;
  };
  auto readAs = [&](double raw) {
    if (info.kind != mtl::ComponentKind::Uint) return shown(raw);
    const int bits = static_cast<int>(info.bitsPerChannel);
    return bits == 32 ? std::ldexp(raw, -32) : raw / (std::ldexp(1.0, bits) - 1);
  };
  const double oneRaw = pair.type == GL_UNSIGNED_BYTE    ? 255.0
                        : pair.type == GL_UNSIGNED_SHORT ? 65535.0
                        : pair.type == GL_UNSIGNED_INT   ? 4294967295.0
                                                         : 1.0;
  std::array<double, 4> c{};
  for (unsigned i = 0; i < componentCount(pair.format); ++i) {
    c[i] = clientComponent(pair.type, pixel, i);
  }
  std::array<double, 4> raw{0, 0, 0, oneRaw};
  const bool converted = info.channels == 4 && componentCount(pair.format) < 4;
  if (converted) {
    switch (pair.format) {
      case GL_RGB: case GL_SRGB_EXT: raw = {c[0], c[1], c[2], oneRaw}; break;
      case GL_LUMINANCE: raw = {c[0], c[0], c[0], oneRaw}; break;
      case GL_LUMINANCE_ALPHA: raw = {c[0], c[0], c[0], c[1]}; break;
      default: raw = {0, 0, 0, c[0]}; break;  // GL_ALPHA
    }
  } else if (metal == P::A8Unorm) {
    raw = {0, 0, 0, c[0]};
  } else if (metal == P::BGRA8Unorm) {
    raw = {c[2], c[1], c[0], c[3]};
  } else {
    for (unsigned i = 0; i < info.channels; ++i) raw[i] = c[i];
  }
  // A channel the format does not store reads as 0, or 1 for alpha.
  const bool storesAlpha = info.channels == 4 || metal == P::A8Unorm;
  for (int i = 0; i < 4; ++i) {
    const bool stored = metal == P::A8Unorm ? i == 3 : i < static_cast<int>(info.channels);
    if (!stored) {
      e.texel[i] = e.readBack[i] = i == 3 ? 1 : 0;
      continue;
    }
    e.texel[i] = shown(raw[i]);
    e.readBack[i] = readAs(raw[i]);
    if (info.sRGB && i < 3) e.texel[i] = srgbToLinear(e.texel[i]);
  }
  (void)storesAlpha;
  return e;
}

// The depth a depth texel holds.
double expectedDepth(const Pair& pair, P metal, const std::uint8_t* pixel) {
  switch (pair.type) {
    case GL_UNSIGNED_BYTE:
      return metal == P::Depth16Unorm ? pixel[0] * 256.0 / 65535.0 : pixel[0] / 255.0;
    case GL_UNSIGNED_SHORT: return load<std::uint16_t>(pixel) / 65535.0;
    case GL_UNSIGNED_INT: return std::ldexp(load<std::uint32_t>(pixel), -32);
    default: return (load<std::uint32_t>(pixel) >> 8) / 16777215.0;  // 24_8
  }
}

// A byte of the read-back: value clamped and scaled by 255, truncated.
// Where the exact value lands on a whole number, single-precision rounding
// may put it just below: either neighbour is then right.
::testing::AssertionResult readBackByteMatches(double value, unsigned got) {
  const double scaled = std::clamp(value, 0.0, 1.0) * 255.0;
  const double nearest = std::round(scaled);
  const unsigned truncated = static_cast<unsigned>(scaled);
  if (got == truncated) return ::testing::AssertionSuccess();
  if (std::abs(scaled - nearest) < 1e-4 && (got == nearest || got + 1 == nearest)) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "value " << value << " read back as " << got
                                       << ", expected " << truncated;
}

// Client pixels of random content that every type can hold: small floats
// within and just outside [0, 1], finite packed floats.
std::vector<std::uint8_t> clientImage(const Pair& pair, unsigned width, unsigned height,
                                      std::size_t rowBytes, std::mt19937& random) {
  std::vector<std::uint8_t> image(rowBytes * height);
  std::uniform_int_distribution<unsigned> byte(0, 255);
  std::uniform_real_distribution<float> value(-0.25f, 1.25f);
  for (auto& b : image) b = static_cast<std::uint8_t>(byte(random));
  const unsigned pixelBytes = clientPixelBytes(pair);
  for (unsigned y = 0; y < height; ++y) {
    for (unsigned x = 0; x < width; ++x) {
      std::uint8_t* p = image.data() + y * rowBytes + x * pixelBytes;
      for (unsigned i = 0; i < componentCount(pair.format); ++i) {
        if (pair.type == GL_FLOAT) {
          const float v = value(random);
          std::memcpy(p + 4 * i, &v, 4);
        } else if (pair.type == GL_HALF_FLOAT_OES) {
          const auto h = std::bit_cast<std::uint16_t>(static_cast<_Float16>(value(random)));
          std::memcpy(p + 2 * i, &h, 2);
        }
      }
      if (pair.type == GL_UNSIGNED_INT_10F_11F_11F_REV_APPLE) {
        // Exponent fields below 31 (no infinities or NaN).
        std::uint32_t v = load<std::uint32_t>(p);
        for (int shift : {6, 17, 27}) {
          if (((v >> shift) & 31) == 31) v &= ~(1u << shift);
        }
        std::memcpy(p, &v, 4);
      }
    }
  }
  return image;
}

class PixelConversionOracleTest : public tessaly::test::GLTestContext {};

TEST_F(PixelConversionOracleTest, EveryLookupPairUploadsAndReadsBackAsGLDefinesIt) {
  constexpr unsigned kWidth = 5, kHeight = 3;
  constexpr std::uint8_t kGuard = 0xA5;
  std::mt19937 random(20240611);
  int texelsChecked = 0, readBacksChecked = 0, refusals = 0;
  std::vector<std::string> refusedPairs;
  for (const Pair& pair : lookupPairs()) {
    const MGLPixelFormatPair formats = mglMTLPixelFormatsForGLFormat(pair.format, pair.type);
    ASSERT_EQ(errorCode(), 0u) << mglGLEnumName(pair.format) << " " << mglGLEnumName(pair.type);
    const unsigned pixelBytes = mglBytesPerPixelOfGLFormat(pair.format, pair.type);
    ASSERT_EQ(pixelBytes, clientPixelBytes(pair));
    // Rows padded to 8 bytes and then some, as an unpack alignment would.
    const std::size_t sourceRow = (pixelBytes * kWidth + 7) / 8 * 8 + 8;
    const std::vector<std::uint8_t> client =
        clientImage(pair, kWidth, kHeight, sourceRow, random);

    // Each format offered, and the depth formats a device without 16-bit
    // depth offers as well.
    struct Target {
      P format;
      bool converted;
    };
    std::vector<Target> targets;
    auto offer = [&](const MGLPixelFormatPair& offered) {
      for (Target t : {Target{offered.direct, false}, Target{offered.converted, true}}) {
        if (t.format == P::Invalid) continue;
        bool seen = false;
        for (const Target& u : targets) seen |= u.format == t.format && u.converted == t.converted;
        if (!seen) targets.push_back(t);
      }
    };
    offer(formats);
    offer(mglMTLPixelFormatsForGLFormat(pair.format, pair.type, false));
    for (const Target& target : targets) {
      const P metal = target.format;
      SCOPED_TRACE(mglGLEnumName(pair.format) + " " + mglGLEnumName(pair.type) + " -> " +
                   std::to_string(static_cast<unsigned>(metal)));
      const mtl::PixelFormatInfo& info = *mtl::pixelFormatInfo(metal);
      const unsigned texelBytes = info.bytesPerBlock / info.blockWidth;
      // A direct format holds the client's bytes as they are; a converted
      // one spreads the components over four channels of the same width.
      if (!target.converted && !isRGB422(pair)) {
        EXPECT_EQ(texelBytes, pixelBytes);
      }
      if (componentBytes(pair.type) != 0 && !info.hasDepth && !isRGB422(pair)) {
        EXPECT_EQ(info.bitsPerChannel, 8 * componentBytes(pair.type));
        EXPECT_EQ(info.kind, pair.type == GL_UNSIGNED_INT ? mtl::ComponentKind::Uint
                             : pair.type == GL_FLOAT || pair.type == GL_HALF_FLOAT_OES
                                 ? mtl::ComponentKind::Float
                                 : mtl::ComponentKind::Unorm);
        if (target.converted) {
          EXPECT_EQ(info.channels, 4u);
        }
      }
      const std::size_t destinationRow = texelBytes * kWidth + 4;
      std::vector<std::uint8_t> texels(destinationRow * kHeight, kGuard);
      if (target.converted) {
        mglConvertGLPixelsToMTL(client.data(), pair.format, pair.type, sourceRow, kWidth,
                                kHeight, texels.data(), metal, destinationRow);
      } else {
        for (unsigned y = 0; y < kHeight; ++y) {
          std::memcpy(texels.data() + y * destinationRow, client.data() + y * sourceRow,
                      pixelBytes * kWidth);
        }
      }
      ASSERT_EQ(errorCode(), 0u);

      std::vector<std::uint8_t> rgba(kWidth * 4 * kHeight, kGuard);
      mglConvertMTLPixelsToGLRGBA(texels.data(), metal, destinationRow, kWidth, kHeight,
                                  rgba.data(), GL_RGBA, GL_UNSIGNED_BYTE, kWidth * 4);
      const GLenum readError = errorCode();
      const bool refused = readError != 0;
      if (refused) {
        EXPECT_EQ(readError, GL_INVALID_ENUM);
        refusedPairs.push_back(mglGLEnumName(pair.format) + "/" + mglGLEnumName(pair.type));
        ++refusals;
      }

      for (unsigned y = 0; y < kHeight; ++y) {
        // The padding after each destination row is never written.
        for (unsigned i = texelBytes * kWidth; i < destinationRow; ++i) {
          ASSERT_EQ(texels[y * destinationRow + i], kGuard);
        }
        for (unsigned x = 0; x < kWidth; ++x) {
          const std::uint8_t* pixel = client.data() + y * sourceRow + x * pixelBytes;
          const std::uint8_t* texel = texels.data() + y * destinationRow + x * texelBytes;
          const std::uint8_t* out = rgba.data() + (y * kWidth + x) * 4;
          if (isRGB422(pair)) {
            EXPECT_EQ(std::memcmp(texel, pixel, pixelBytes), 0);
          } else if (info.hasDepth) {
            const double depth = expectedDepth(pair, metal, pixel);
            EXPECT_NEAR(mtl::decodeDepth(info, texel), depth, 1e-7 * depth + 1e-12);
            EXPECT_TRUE(readBackByteMatches(depth, out[0]));
            EXPECT_EQ(out[1], 0);
            EXPECT_EQ(out[2], 0);
            EXPECT_EQ(out[3], 255);
            ++readBacksChecked;
          } else {
            const Expected expected = expectedTexel(pair, metal, pixel);
            const mtl::Texel decoded = mtl::decodeTexel(info, texel);
            for (int c = 0; c < 4; ++c) {
              EXPECT_NEAR(decoded[c], expected.texel[c], 1e-12 * std::abs(expected.texel[c]))
                  << "channel " << c << " of pixel " << x << "," << y;
              if (!refused) {
                EXPECT_TRUE(readBackByteMatches(expected.readBack[c], out[c]));
              }
            }
            if (!refused) ++readBacksChecked;
          }
          if (refused) {
            EXPECT_EQ(out[0], 127);
            EXPECT_EQ(out[1], 127);
            EXPECT_EQ(out[2], 127);
            EXPECT_EQ(out[3], 255);
          }
          ++texelsChecked;
        }
      }
    }
  }
  // 53 pairs, 14 of them with both a direct and a converted format, and two
  // more depth formats without 16-bit depth.
  EXPECT_EQ(texelsChecked, 15 * 69);
  EXPECT_EQ(readBacksChecked, 15 * (69 - 18));
  // The read-back has no reading of half floats, packed floats or 4:2:2.
  const std::vector<std::string> expectedRefusals = {
      "GL_ALPHA/GL_HALF_FLOAT_OES",           "GL_ALPHA/GL_HALF_FLOAT_OES",
      "GL_RED_EXT/GL_HALF_FLOAT_OES",         "GL_LUMINANCE/GL_HALF_FLOAT_OES",
      "GL_LUMINANCE/GL_HALF_FLOAT_OES",       "GL_LUMINANCE_ALPHA/GL_HALF_FLOAT_OES",
      "GL_LUMINANCE_ALPHA/GL_HALF_FLOAT_OES", "GL_RG_EXT/GL_HALF_FLOAT_OES",
      "GL_RGB/GL_HALF_FLOAT_OES",             "GL_RGBA/GL_HALF_FLOAT_OES",
      "GL_RGB/GL_UNSIGNED_INT_10F_11F_11F_REV_APPLE",
      "GL_RGB/GL_UNSIGNED_INT_5_9_9_9_REV_APPLE",
      "GL_RGB_422_APPLE/GL_UNSIGNED_BYTE",    "GL_RGB_422_APPLE/GL_UNSIGNED_SHORT_8_8_APPLE",
      "GL_RGB_422_APPLE/GL_UNSIGNED_SHORT_8_8_REV_APPLE",
      "GL_RGB_RAW_422_APPLE/GL_UNSIGNED_BYTE",
      "GL_RGB_RAW_422_APPLE/GL_UNSIGNED_SHORT_8_8_APPLE",
      "GL_RGB_RAW_422_APPLE/GL_UNSIGNED_SHORT_8_8_REV_APPLE"};
  EXPECT_EQ(refusedPairs, expectedRefusals);
  EXPECT_EQ(refusals, static_cast<int>(expectedRefusals.size()));
}

TEST_F(PixelConversionOracleTest, EveryByteOfEightBitColourReadsBackAsItself) {
  for (P format : {P::RGBA8Unorm, P::BGRA8Unorm, P::RGBA8Unorm_sRGB, P::R8Unorm, P::RG8Unorm}) {
    for (GLenum order : {GL_RGBA, GL_BGRA}) {
      std::vector<std::uint8_t> texels(256 * 4), out(256 * 4);
      const unsigned bytes = mglBytesPerPixelOfMTLPixelFormat(format);
      for (unsigned v = 0; v < 256; ++v) {
        for (unsigned c = 0; c < bytes; ++c) texels[v * bytes + c] = static_cast<std::uint8_t>(v);
      }
      mglConvertMTLPixelsToGLRGBA(texels.data(), format, 256 * bytes, 256, 1, out.data(), order,
                                  GL_UNSIGNED_BYTE, 256 * 4);
      for (unsigned v = 0; v < 256; ++v) {
        const std::uint8_t* p = out.data() + v * 4;
        const unsigned red = order == GL_RGBA ? p[0] : p[2];
        ASSERT_EQ(red, v) << static_cast<unsigned>(format);
        if (bytes == 4) {
          ASSERT_EQ(p[3], v);
        }
      }
    }
  }
  EXPECT_EQ(errorCode(), 0u);
}

}  // namespace
