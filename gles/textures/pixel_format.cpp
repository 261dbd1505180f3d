#include "gles/textures/pixel_format.h"

#include <algorithm>
#include <iterator>
#include <optional>

#include "gles/context/errors.h"
#include "gles/context/gl_enums.h"
#include "gles/context/platform.h"

namespace {

using P = mtl::PixelFormat;

// The Metal formats the layer knows, with bytes per texel and the sizes of
// their bit planes. Sorted by value.
struct LayerFormat {
  P format;
  unsigned char bytes, red, green, blue, alpha, depth, stencil;
};

constexpr LayerFormat kLayerFormats[] = {
    {P::A8Unorm, 1, 0, 0, 0, 8, 0, 0},
    {P::R8Unorm, 1, 8, 0, 0, 0, 0, 0},       {P::R8Unorm_sRGB, 1, 8, 0, 0, 0, 0, 0},
    {P::R8Snorm, 1, 8, 0, 0, 0, 0, 0},       {P::R8Uint, 1, 8, 0, 0, 0, 0, 0},
    {P::R8Sint, 1, 8, 0, 0, 0, 0, 0},
    {P::R16Unorm, 2, 16, 0, 0, 0, 0, 0},     {P::R16Snorm, 2, 16, 0, 0, 0, 0, 0},
    {P::R16Uint, 2, 16, 0, 0, 0, 0, 0},      {P::R16Sint, 2, 16, 0, 0, 0, 0, 0},
    {P::R16Float, 2, 16, 0, 0, 0, 0, 0},
    {P::RG8Unorm, 2, 8, 8, 0, 0, 0, 0},      {P::RG8Unorm_sRGB, 2, 8, 8, 0, 0, 0, 0},
    {P::RG8Snorm, 2, 8, 8, 0, 0, 0, 0},      {P::RG8Uint, 2, 8, 8, 0, 0, 0, 0},
    {P::RG8Sint, 2, 8, 8, 0, 0, 0, 0},
    {P::B5G6R5Unorm, 2, 5, 6, 5, 0, 0, 0},   {P::A1BGR5Unorm, 2, 5, 5, 5, 1, 0, 0},
    {P::ABGR4Unorm, 2, 4, 4, 4, 4, 0, 0},
    {P::R32Uint, 4, 32, 0, 0, 0, 0, 0},      {P::R32Sint, 4, 32, 0, 0, 0, 0, 0},
    {P::R32Float, 4, 32, 0, 0, 0, 0, 0},
    {P::RG16Unorm, 4, 16, 16, 0, 0, 0, 0},   {P::RG16Snorm, 4, 16, 16, 0, 0, 0, 0},
    {P::RG16Uint, 4, 16, 16, 0, 0, 0, 0},    {P::RG16Sint, 4, 16, 16, 0, 0, 0, 0},
    {P::RG16Float, 4, 16, 16, 0, 0, 0, 0},
    {P::RGBA8Unorm, 4, 8, 8, 8, 8, 0, 0},    {P::RGBA8Unorm_sRGB, 4, 8, 8, 8, 8, 0, 0},
    {P::RGBA8Snorm, 4, 8, 8, 8, 8, 0, 0},    {P::RGBA8Uint, 4, 8, 8, 8, 8, 0, 0},
    {P::RGBA8Sint, 4, 8, 8, 8, 8, 0, 0},
    {P::BGRA8Unorm, 4, 8, 8, 8, 8, 0, 0},    {P::BGRA8Unorm_sRGB, 4, 8, 8, 8, 8, 0, 0},
    {P::RGB10A2Unorm, 4, 10, 10, 10, 2, 0, 0}, {P::RGB10A2Uint, 4, 10, 10, 10, 2, 0, 0},
    {P::RG11B10Float, 4, 11, 11, 10, 0, 0, 0}, {P::RGB9E5Float, 4, 9, 9, 9, 5, 0, 0},
    {P::RG32Uint, 8, 32, 32, 0, 0, 0, 0},    {P::RG32Sint, 8, 32, 32, 0, 0, 0, 0},
    {P::RG32Float, 8, 32, 32, 0, 0, 0, 0},
    {P::RGBA16Unorm, 8, 16, 16, 16, 16, 0, 0}, {P::RGBA16Snorm, 8, 16, 16, 16, 16, 0, 0},
    {P::RGBA16Uint, 8, 16, 16, 16, 16, 0, 0},  {P::RGBA16Sint, 8, 16, 16, 16, 16, 0, 0},
    {P::RGBA16Float, 8, 16, 16, 16, 16, 0, 0},
    {P::RGBA32Uint, 16, 32, 32, 32, 32, 0, 0}, {P::RGBA32Sint, 16, 32, 32, 32, 32, 0, 0},
    {P::RGBA32Float, 16, 32, 32, 32, 32, 0, 0},
    {P::Depth16Unorm, 2, 0, 0, 0, 0, 16, 0}, {P::Depth32Float, 4, 0, 0, 0, 0, 32, 0},
    {P::Stencil8, 1, 0, 0, 0, 0, 0, 8},      {P::Depth32Float_Stencil8, 8, 0, 0, 0, 0, 32, 8},
};

const LayerFormat* findLayerFormat(P format) {
  const auto* it = std::lower_bound(
      std::begin(kLayerFormats), std::end(kLayerFormats), format,
      [](const LayerFormat& entry, P f) { return entry.format < f; });
  return it != std::end(kLayerFormats) && it->format == format ? it : nullptr;
}

unsigned long metalValue(P format) { return static_cast<unsigned long>(format); }

// One bit plane of the table, or 0 with the plane's message.
unsigned planeBits(P format, unsigned char LayerFormat::*plane, const char* message) {
  if (const LayerFormat* entry = findLayerFormat(format)) return entry->*plane;
  mglSetError(GL_INVALID_ENUM, message, {metalValue(format)});
  return 0;
}

// Bytes per pixel of (format, type) by the rules of GL ES and its
// extensions; 0 for a pair they do not define.
unsigned glPixelBytes(GLenum format, GLenum type) {
  unsigned components = 0;
  switch (format) {
    case GL_DEPTH_COMPONENT: case GL_RED_EXT: case GL_ALPHA: case GL_LUMINANCE:
    case GL_DEPTH_STENCIL_OES:
      components = 1;
      if (type == GL_UNSIGNED_INT_24_8_OES) return 4;
      break;
    case GL_LUMINANCE_ALPHA: case GL_RG_EXT:
      components = 2;
      break;
    case GL_RGB: case GL_SRGB_EXT:
      components = 3;
      if (type == GL_UNSIGNED_SHORT_5_6_5) return 2;
      if (type == GL_UNSIGNED_INT_10F_11F_11F_REV_APPLE) return 4;
      if (type == GL_UNSIGNED_INT_5_9_9_9_REV_APPLE) return 4;
      break;
    case GL_RGBA: case GL_BGRA: case GL_SRGB_ALPHA_EXT:
      components = 4;
      if (type == GL_UNSIGNED_SHORT_4_4_4_4 || type == GL_UNSIGNED_SHORT_5_5_5_1) return 2;
      break;
    case GL_RGB_422_APPLE: case GL_RGB_RAW_422_APPLE:
      if (type == GL_UNSIGNED_BYTE || type == GL_UNSIGNED_SHORT_8_8_APPLE ||
          type == GL_UNSIGNED_SHORT_8_8_REV_APPLE) {
        return 2;
      }
      return 0;
    default:
      return 0;
  }
  switch (type) {
    case GL_UNSIGNED_BYTE: return components;
    case GL_UNSIGNED_SHORT: case GL_HALF_FLOAT_OES: return components * 2;
    case GL_UNSIGNED_INT: case GL_FLOAT: return components * 4;
    default: return 0;
  }
}

// Column index of a plain type in the lookup rows below.
int typeColumn(GLenum type) {
  switch (type) {
    case GL_UNSIGNED_BYTE: return 0;
    case GL_UNSIGNED_SHORT: return 1;
    case GL_UNSIGNED_INT: return 2;
    case GL_FLOAT: return 3;
    case GL_HALF_FLOAT_OES: return 4;
    default: return -1;
  }
}

using Row = MGLPixelFormatPair[5];
constexpr P None = P::Invalid;

constexpr Row kAlphaRow = {{P::A8Unorm, None}, {P::R16Unorm, P::RGBA16Unorm},
                           {P::R32Uint, P::RGBA32Uint}, {P::R32Float, P::RGBA32Float},
                           {P::R16Float, P::RGBA16Float}};
constexpr Row kRedRow = {{P::R8Unorm, None}, {P::R16Unorm, None}, {P::R32Uint, None},
                         {P::R32Float, None}, {P::R16Float, None}};
constexpr Row kLuminanceRow = {{P::R8Unorm, P::RGBA8Unorm}, {P::R16Unorm, P::RGBA16Unorm},
                               {P::R32Uint, P::RGBA32Uint}, {P::R32Float, P::RGBA32Float},
                               {P::R16Float, P::RGBA16Float}};
constexpr Row kLuminanceAlphaRow = {
    {P::RG8Unorm, P::RGBA8Unorm}, {P::RG16Unorm, P::RGBA16Unorm},
    {P::RG32Uint, P::RGBA32Uint}, {P::RG32Float, P::RGBA32Float},
    {P::RG16Float, P::RGBA16Float}};
constexpr Row kRGRow = {{P::RG8Unorm, None}, {P::RG16Unorm, None}, {P::RG32Uint, None},
                        {P::RG32Float, None}, {P::RG16Float, None}};
constexpr Row kRGBRow = {{None, P::RGBA8Unorm}, {None, P::RGBA16Unorm},
                         {None, P::RGBA32Uint}, {None, P::RGBA32Float},
                         {None, P::RGBA16Float}};
constexpr Row kRGBARow = {{P::RGBA8Unorm, None}, {P::RGBA16Unorm, None},
                          {P::RGBA32Uint, None}, {P::RGBA32Float, None},
                          {P::RGBA16Float, None}};

std::optional<MGLPixelFormatPair> fromRow(const Row& row, GLenum type) {
  const int column = typeColumn(type);
  if (column < 0) return std::nullopt;
  return row[column];
}

std::optional<MGLPixelFormatPair> uncompressedFormats(GLenum format, GLenum type,
                                                      bool depth16) {
  switch (format) {
    case GL_ALPHA: return fromRow(kAlphaRow, type);
    case GL_RED_EXT: return fromRow(kRedRow, type);
    case GL_LUMINANCE: return fromRow(kLuminanceRow, type);
    case GL_LUMINANCE_ALPHA: return fromRow(kLuminanceAlphaRow, type);
    case GL_RG_EXT: return fromRow(kRGRow, type);
    case GL_RGB:
      if (type == GL_UNSIGNED_SHORT_5_6_5) return MGLPixelFormatPair{P::B5G6R5Unorm, None};
      if (type == GL_UNSIGNED_INT_10F_11F_11F_REV_APPLE) {
        return MGLPixelFormatPair{P::RG11B10Float, None};
      }
      if (type == GL_UNSIGNED_INT_5_9_9_9_REV_APPLE) {
        return MGLPixelFormatPair{P::RGB9E5Float, None};
      }
      return fromRow(kRGBRow, type);
    case GL_RGBA:
      if (type == GL_UNSIGNED_SHORT_4_4_4_4) return MGLPixelFormatPair{P::ABGR4Unorm, None};
      if (type == GL_UNSIGNED_SHORT_5_5_5_1) return MGLPixelFormatPair{P::A1BGR5Unorm, None};
      return fromRow(kRGBARow, type);
    case GL_BGRA:
      if (type == GL_UNSIGNED_BYTE) return MGLPixelFormatPair{P::BGRA8Unorm, None};
      return std::nullopt;
    case GL_SRGB_EXT:
      if (type == GL_UNSIGNED_BYTE) return MGLPixelFormatPair{None, P::RGBA8Unorm_sRGB};
      return std::nullopt;
    case GL_SRGB_ALPHA_EXT:
      if (type == GL_UNSIGNED_BYTE) return MGLPixelFormatPair{P::RGBA8Unorm_sRGB, None};
      return std::nullopt;
    case GL_DEPTH_COMPONENT:
      if (type == GL_UNSIGNED_BYTE) {
        return MGLPixelFormatPair{None, depth16 ? P::Depth16Unorm : P::Depth32Float};
      }
      if (type == GL_UNSIGNED_SHORT) {
        return depth16 ? MGLPixelFormatPair{P::Depth16Unorm, None}
                       : MGLPixelFormatPair{None, P::Depth32Float};
      }
      if (type == GL_UNSIGNED_INT) return MGLPixelFormatPair{None, P::Depth32Float};
      return std::nullopt;
    case GL_DEPTH_STENCIL_OES:
      if (type == GL_UNSIGNED_INT_24_8_OES) {
        return MGLPixelFormatPair{None, P::Depth32Float_Stencil8};
      }
      return std::nullopt;
    case GL_RGB_422_APPLE: case GL_RGB_RAW_422_APPLE:
      if (type == GL_UNSIGNED_BYTE || type == GL_UNSIGNED_SHORT_8_8_APPLE) {
        return MGLPixelFormatPair{P::GBGR422, None};
      }
      if (type == GL_UNSIGNED_SHORT_8_8_REV_APPLE) return MGLPixelFormatPair{P::BGRG422, None};
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

// Compressed GL formats and the Metal formats holding their blocks.
struct CompressedFormat {
  GLenum gl;
  P metal;
};
constexpr CompressedFormat kCompressedFormats[] = {
    {GL_COMPRESSED_RGB_PVRTC_4BPPV1_IMG, P::PVRTC_RGB_4BPP},
    {GL_COMPRESSED_RGB_PVRTC_2BPPV1_IMG, P::PVRTC_RGB_2BPP},
    {GL_COMPRESSED_RGBA_PVRTC_4BPPV1_IMG, P::PVRTC_RGBA_4BPP},
    {GL_COMPRESSED_RGBA_PVRTC_2BPPV1_IMG, P::PVRTC_RGBA_2BPP},
    {GL_COMPRESSED_SRGB_PVRTC_2BPPV1_EXT, P::PVRTC_RGB_2BPP_sRGB},
    {GL_COMPRESSED_SRGB_PVRTC_4BPPV1_EXT, P::PVRTC_RGB_4BPP_sRGB},
    {GL_COMPRESSED_SRGB_ALPHA_PVRTC_2BPPV1_EXT, P::PVRTC_RGBA_2BPP_sRGB},
    {GL_COMPRESSED_SRGB_ALPHA_PVRTC_4BPPV1_EXT, P::PVRTC_RGBA_4BPP_sRGB},
    {GL_COMPRESSED_R11_EAC, P::EAC_R11Unorm},
    {GL_COMPRESSED_SIGNED_R11_EAC, P::EAC_R11Snorm},
    {GL_COMPRESSED_RG11_EAC, P::EAC_RG11Unorm},
    {GL_COMPRESSED_SIGNED_RG11_EAC, P::EAC_RG11Snorm},
    {GL_COMPRESSED_RGB8_ETC2, P::ETC2_RGB8},
    {GL_COMPRESSED_SRGB8_ETC2, P::ETC2_RGB8_sRGB},
    {GL_COMPRESSED_RGB8_PUNCHTHROUGH_ALPHA1_ETC2, P::ETC2_RGB8A1},
    {GL_COMPRESSED_SRGB8_PUNCHTHROUGH_ALPHA1_ETC2, P::ETC2_RGB8A1_sRGB},
    {GL_COMPRESSED_RGBA8_ETC2_EAC, P::EAC_RGBA8},
    {GL_COMPRESSED_SRGB8_ALPHA8_ETC2_EAC, P::EAC_RGBA8_sRGB},
};

// Reverse lookup: the GL format and type a Metal format reads as.
struct ReverseFormat {
  P metal;
  GLenum format, type;
};
constexpr ReverseFormat kReverseFormats[] = {
    {P::A8Unorm, GL_ALPHA, GL_UNSIGNED_BYTE},
    {P::R8Unorm, GL_LUMINANCE, GL_UNSIGNED_BYTE},
    {P::R16Unorm, GL_LUMINANCE, GL_UNSIGNED_SHORT},
    {P::R16Float, GL_LUMINANCE, GL_HALF_FLOAT_OES},
    {P::RG8Unorm, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE},
    {P::B5G6R5Unorm, GL_RGB, GL_UNSIGNED_SHORT_5_6_5},
    {P::A1BGR5Unorm, GL_RGBA, GL_UNSIGNED_SHORT_5_5_5_1},
    {P::ABGR4Unorm, GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4},
    {P::R32Uint, GL_LUMINANCE, GL_UNSIGNED_INT},
    {P::R32Float, GL_LUMINANCE, GL_FLOAT},
    {P::RG16Unorm, GL_LUMINANCE_ALPHA, GL_UNSIGNED_SHORT},
    {P::RG16Float, GL_LUMINANCE_ALPHA, GL_HALF_FLOAT_OES},
    {P::RGBA8Unorm, GL_RGBA, GL_UNSIGNED_BYTE},
    {P::RGBA8Unorm_sRGB, GL_SRGB_ALPHA_EXT, GL_UNSIGNED_BYTE},
    {P::BGRA8Unorm, GL_BGRA, GL_UNSIGNED_BYTE},
    {P::RG11B10Float, GL_RGB, GL_UNSIGNED_INT_10F_11F_11F_REV_APPLE},
    {P::RGB9E5Float, GL_RGB, GL_UNSIGNED_INT_5_9_9_9_REV_APPLE},
    {P::RG32Uint, GL_LUMINANCE_ALPHA, GL_UNSIGNED_INT},
    {P::RG32Float, GL_LUMINANCE_ALPHA, GL_FLOAT},
    {P::RGBA16Unorm, GL_RGBA, GL_UNSIGNED_SHORT},
    {P::RGBA16Float, GL_RGBA, GL_HALF_FLOAT_OES},
    {P::RGBA32Uint, GL_RGBA, GL_UNSIGNED_INT},
    {P::RGBA32Float, GL_RGBA, GL_FLOAT},
    {P::GBGR422, GL_RGB_422_APPLE, GL_UNSIGNED_SHORT_8_8_APPLE},
    {P::BGRG422, GL_RGB_422_APPLE, GL_UNSIGNED_SHORT_8_8_REV_APPLE},
    {P::Depth16Unorm, GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT},
    {P::Depth32Float, GL_DEPTH_COMPONENT, GL_FLOAT},
    {P::Depth32Float_Stencil8, GL_DEPTH_COMPONENT, GL_FLOAT},
};

std::optional<ReverseFormat> reverseFormat(P format) {
  for (const ReverseFormat& entry : kReverseFormats) {
    if (entry.metal == format) return entry;
  }
  for (const CompressedFormat& entry : kCompressedFormats) {
    if (entry.metal == format) return ReverseFormat{format, entry.gl, 0};
  }
  return std::nullopt;
}

// Renderbuffer internal formats and their storage, both ways.
struct RenderbufferFormat {
  GLenum internalFormat;
  P metal;
};
constexpr RenderbufferFormat kRenderbufferFormats[] = {
    {GL_RGB8_OES, P::RGBA8Unorm},          {GL_RGBA8_OES, P::RGBA8Unorm},
    {GL_RGBA4, P::ABGR4Unorm},             {GL_RGB5_A1, P::A1BGR5Unorm},
    {GL_RGB565, P::B5G6R5Unorm},           {GL_BGRA, P::BGRA8Unorm},
    {GL_SRGB8_ALPHA8_EXT, P::RGBA8Unorm_sRGB},
    {GL_R8_EXT, P::R8Unorm},               {GL_RG8_EXT, P::RG8Unorm},
    {GL_R16F_EXT, P::R16Float},            {GL_RG16F_EXT, P::RG16Float},
    {GL_RGBA16F_EXT, P::RGBA16Float},      {GL_RGB16F_EXT, P::RGBA16Float},
    {GL_R11F_G11F_B10F_APPLE, P::RG11B10Float},
    {GL_RGB9_E5_APPLE, P::RGB9E5Float},
    {GL_DEPTH_COMPONENT24_OES, P::Depth32Float},
    {GL_DEPTH_COMPONENT32_OES, P::Depth32Float},
    {GL_STENCIL_INDEX8, P::Stencil8},      {GL_DEPTH24_STENCIL8_OES, P::Depth32Float_Stencil8},
};
// Where two internal formats share storage, the one reported back.
constexpr RenderbufferFormat kRenderbufferFormatsReported[] = {
    {0, P::Invalid},
    {GL_R8_EXT, P::R8Unorm},               {GL_R16F_EXT, P::R16Float},
    {GL_RG8_EXT, P::RG8Unorm},             {GL_RGB565, P::B5G6R5Unorm},
    {GL_RGB5_A1, P::A1BGR5Unorm},          {GL_RGBA4, P::ABGR4Unorm},
    {GL_RG16F_EXT, P::RG16Float},          {GL_RGBA8_OES, P::RGBA8Unorm},
    {GL_SRGB8_ALPHA8_EXT, P::RGBA8Unorm_sRGB},
    {GL_BGRA, P::BGRA8Unorm},              {GL_R11F_G11F_B10F_APPLE, P::RG11B10Float},
    {GL_RGB9_E5_APPLE, P::RGB9E5Float},    {GL_RGBA16F_EXT, P::RGBA16Float},
    {GL_DEPTH_COMPONENT16, P::Depth16Unorm},
    {GL_DEPTH_COMPONENT32_OES, P::Depth32Float},
    {GL_STENCIL_INDEX8, P::Stencil8},      {GL_DEPTH24_STENCIL8_OES, P::Depth32Float_Stencil8},
};

// Component sizes of renderbuffer formats: red, green, blue, alpha, depth, stencil.
struct ComponentSizes {
  GLenum internalFormat;
  GLint bits[6];
};
constexpr ComponentSizes kComponentSizes[] = {
    {GL_RGBA8_OES, {8, 8, 8, 8, 0, 0}},
    {GL_BGRA, {8, 8, 8, 8, 0, 0}},
    {GL_SRGB8_ALPHA8_EXT, {8, 8, 8, 8, 0, 0}},
    {GL_RGB8_OES, {8, 8, 8, 0, 0, 0}},
    {GL_RGBA4, {4, 4, 4, 4, 0, 0}},
    {GL_RGB5_A1, {5, 5, 5, 1, 0, 0}},
    {GL_RGB565, {5, 6, 5, 0, 0, 0}},
    {GL_DEPTH_COMPONENT16, {0, 0, 0, 0, 16, 0}},
    {GL_DEPTH_COMPONENT24_OES, {0, 0, 0, 0, 24, 0}},
    {GL_DEPTH_COMPONENT32_OES, {0, 0, 0, 0, 32, 0}},
    {GL_DEPTH24_STENCIL8_OES, {0, 0, 0, 0, 24, 8}},
    {GL_STENCIL_INDEX8, {0, 0, 0, 0, 0, 8}},
};

}  // namespace

bool mglSupportsDepth16Unorm() {
  // One answer for the process, from the one device every context uses.
  static const bool supported =
      MGLPlatform::deviceSupportsMTLGPUFamily(*mglSharedMTLDevice(), mtl::GPUFamily::Apple1);
  return supported;
}

unsigned mglBytesPerPixelOfMTLPixelFormat(mtl::PixelFormat format) {
  if (const LayerFormat* entry = findLayerFormat(format)) return entry->bytes;
  mglSetError(GL_INVALID_ENUM, "Could not determine size in bytes of MTLPixelFormat %lu",
              {metalValue(format)});
  return 1;
}

unsigned mglBytesPerPixelOfGLFormat(GLenum format, GLenum type) {
  if (const unsigned bytes = glPixelBytes(format, type)) return bytes;
  mglSetError(GL_INVALID_ENUM,
              "Could not determine size in bytes of OpenGL pixel format %@ and pixel type %@",
              {mglGLEnumName(format), mglGLEnumName(type)});
  return 1;
}

bool mglMTLPixelFormatHasDepth(mtl::PixelFormat format) {
  return format == P::Depth16Unorm || format == P::Depth32Float ||
         format == P::Depth32Float_Stencil8;
}

bool mglMTLPixelFormatHasStencil(mtl::PixelFormat format) {
  return format == P::Stencil8 || format == P::Depth32Float_Stencil8;
}

unsigned mglRedBitsOfMTLPixelFormat(mtl::PixelFormat format) {
  return planeBits(format, &LayerFormat::red,
                   "Could not determine size of red bit plane of MTLPixelFormat %lu");
}
unsigned mglGreenBitsOfMTLPixelFormat(mtl::PixelFormat format) {
  return planeBits(format, &LayerFormat::green,
                   "Could not determine size of green bit plane of MTLPixelFormat %lu");
}
unsigned mglBlueBitsOfMTLPixelFormat(mtl::PixelFormat format) {
  return planeBits(format, &LayerFormat::blue,
                   "Could not determine size of blue bit plane of MTLPixelFormat %lu");
}
unsigned mglAlphaBitsOfMTLPixelFormat(mtl::PixelFormat format) {
  return planeBits(format, &LayerFormat::alpha,
                   "Could not determine size of alpha bit plane of MTLPixelFormat %lu");
}
unsigned mglDepthBitsOfMTLPixelFormat(mtl::PixelFormat format) {
  return planeBits(format, &LayerFormat::depth,
                   "Could not determine size of depth bit plane of MTLPixelFormat %lu");
}
unsigned mglStencilBitsOfMTLPixelFormat(mtl::PixelFormat format) {
  return planeBits(format, &LayerFormat::stencil,
                   "Could not determine size of stencil bit plane of MTLPixelFormat %lu");
}

MGLPixelFormatPair mglMTLPixelFormatsForGLFormat(GLenum format, GLenum type) {
  return mglMTLPixelFormatsForGLFormat(format, type, mglSupportsDepth16Unorm());
}

MGLPixelFormatPair mglMTLPixelFormatsForGLFormat(GLenum format, GLenum type,
                                                 bool supportsDepth16) {
  std::optional<MGLPixelFormatPair> pair;
  if (type == 0) {
    for (const CompressedFormat& entry : kCompressedFormats) {
      if (entry.gl == format) pair = MGLPixelFormatPair{entry.metal, None};
    }
  } else {
    pair = uncompressedFormats(format, type, supportsDepth16);
  }
  if (pair) return *pair;
  mglSetError(GL_INVALID_ENUM,
              "OpenGL pixel format %@ and type %@ is not a valid combination on this device.",
              {mglGLEnumName(format), mglGLEnumName(type)});
  return {};
}

GLenum mglGLFormatOfMTLPixelFormat(mtl::PixelFormat format) {
  if (const std::optional<ReverseFormat> entry = reverseFormat(format)) return entry->format;
  mglSetError(GL_INVALID_ENUM, "MTLPixelFormat %lu does not match a valid OpenGL pixel format.",
              {metalValue(format)});
  return 0;
}

GLenum mglGLTypeOfMTLPixelFormat(mtl::PixelFormat format) {
  if (const std::optional<ReverseFormat> entry = reverseFormat(format)) return entry->type;
  mglSetError(GL_INVALID_ENUM, "MTLPixelFormat %lu does not match a valid OpenGL pixel type.",
              {metalValue(format)});
  return 0;
}

mtl::PixelFormat mglRenderableMTLPixelFormatOfGLRenderbufferFormat(GLenum internalFormat) {
  return mglRenderableMTLPixelFormatOfGLRenderbufferFormat(internalFormat,
                                                           mglSupportsDepth16Unorm());
}

mtl::PixelFormat mglRenderableMTLPixelFormatOfGLRenderbufferFormat(GLenum internalFormat,
                                                                   bool supportsDepth16) {
  if (internalFormat == 0) return P::Invalid;
  if (internalFormat == GL_DEPTH_COMPONENT16) {
    return supportsDepth16 ? P::Depth16Unorm : P::Depth32Float;
  }
  for (const RenderbufferFormat& entry : kRenderbufferFormats) {
    if (entry.internalFormat == internalFormat) return entry.metal;
  }
  mglSetError(GL_INVALID_ENUM,
              "Could not find a renderable MTLPixelFormat matching OpenGL renderbuffer pixel "
              "format %@",
              {mglGLEnumName(internalFormat)});
  return P::Invalid;
}

GLenum mglGLRenderbufferFormatOfMTLPixelFormat(mtl::PixelFormat format) {
  for (const RenderbufferFormat& entry : kRenderbufferFormatsReported) {
    if (entry.metal == format) return entry.internalFormat;
  }
  mglSetError(GL_INVALID_VALUE,
              "Could not find renderable OpenGL pixel format matching MTLPixelFormat %lu",
              {metalValue(format)});
  return 0;
}

GLint mglGLRenderbufferComponentSize(GLenum internalFormat, GLenum pname) {
  if (pname < GL_RENDERBUFFER_RED_SIZE || pname > GL_RENDERBUFFER_STENCIL_SIZE) return 0;
  for (const ComponentSizes& entry : kComponentSizes) {
    if (entry.internalFormat == internalFormat) {
      return entry.bits[pname - GL_RENDERBUFFER_RED_SIZE];
    }
  }
  return 0;
}
