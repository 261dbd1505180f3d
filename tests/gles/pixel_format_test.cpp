// Pixel formats: the lookup's answers and refusals, bit planes, renderbuffer
// formats, the conversions' documented values, and the messages and
// fallbacks of unrecognised values.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <thread>
#include <vector>

#include "gles/context/gl_enums.h"
#include "gles/textures/pixel_conversion.h"
#include "gles/textures/pixel_format.h"
#include "tests/gles/gl_test_context.h"

namespace {

using P = mtl::PixelFormat;
using tessaly::test::GLTestContext;

class PixelFormatTest : public GLTestContext {};

TEST_F(PixelFormatTest, LookupGivesDirectAndConvertedFormats) {
  EXPECT_EQ(mglMTLPixelFormatsForGLFormat(GL_LUMINANCE, GL_UNSIGNED_BYTE),
            (MGLPixelFormatPair{P::R8Unorm, P::RGBA8Unorm}));
  EXPECT_EQ(mglMTLPixelFormatsForGLFormat(GL_RGB, GL_UNSIGNED_BYTE),
            (MGLPixelFormatPair{P::Invalid, P::RGBA8Unorm}));
  EXPECT_EQ(mglMTLPixelFormatsForGLFormat(GL_BGRA, GL_UNSIGNED_BYTE),
            (MGLPixelFormatPair{P::BGRA8Unorm, P::Invalid}));
  EXPECT_EQ(mglMTLPixelFormatsForGLFormat(GL_RGB_RAW_422_APPLE, GL_UNSIGNED_SHORT_8_8_REV_APPLE),
            (MGLPixelFormatPair{P::BGRG422, P::Invalid}));
  EXPECT_EQ(mglMTLPixelFormatsForGLFormat(GL_COMPRESSED_SRGB_ALPHA_PVRTC_4BPPV1_EXT, 0),
            (MGLPixelFormatPair{P::PVRTC_RGBA_4BPP_sRGB, P::Invalid}));
  EXPECT_EQ(mglMTLPixelFormatsForGLFormat(GL_COMPRESSED_RGB8_PUNCHTHROUGH_ALPHA1_ETC2, 0),
            (MGLPixelFormatPair{P::ETC2_RGB8A1, P::Invalid}));
  EXPECT_EQ(errorCode(), 0u);
}

TEST_F(PixelFormatTest, DepthFormatsFollowTheDevicesSixteenBitDepth) {
  // The software GPU answers the Apple1 family, so it stores 16-bit depth.
  EXPECT_TRUE(mglSupportsDepth16Unorm());
  EXPECT_EQ(mglMTLPixelFormatsForGLFormat(GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT),
            (MGLPixelFormatPair{P::Depth16Unorm, P::Invalid}));
  EXPECT_EQ(mglMTLPixelFormatsForGLFormat(GL_DEPTH_COMPONENT, GL_UNSIGNED_BYTE),
            (MGLPixelFormatPair{P::Invalid, P::Depth16Unorm}));
  EXPECT_EQ(mglMTLPixelFormatsForGLFormat(GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT, false),
            (MGLPixelFormatPair{P::Invalid, P::Depth32Float}));
  EXPECT_EQ(mglMTLPixelFormatsForGLFormat(GL_DEPTH_COMPONENT, GL_UNSIGNED_BYTE, false),
            (MGLPixelFormatPair{P::Invalid, P::Depth32Float}));
  EXPECT_EQ(mglRenderableMTLPixelFormatOfGLRenderbufferFormat(GL_DEPTH_COMPONENT16),
            P::Depth16Unorm);
  EXPECT_EQ(mglRenderableMTLPixelFormatOfGLRenderbufferFormat(GL_DEPTH_COMPONENT16, false),
            P::Depth32Float);
}

TEST_F(PixelFormatTest, DepthAnswerNeedsNoCurrentContextAndIsTheSameOnEveryThread) {
  mglSetCurrentContext(nullptr);
  std::vector<std::thread> threads;
  std::vector<int> answers(4, -1);
  for (int i = 0; i < 4; ++i) {
    threads.emplace_back([&answers, i] { answers[i] = mglSupportsDepth16Unorm() ? 1 : 0; });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(answers, std::vector<int>(4, 1));
}

TEST_F(PixelFormatTest, InvalidCombinationsAreRefusedWithTheirMessage) {
  EXPECT_EQ(mglMTLPixelFormatsForGLFormat(GL_BGRA, GL_FLOAT), MGLPixelFormatPair{});
  EXPECT_EQ(errorText(),
            "GL_INVALID_ENUM. OpenGL pixel format GL_BGRA and type GL_FLOAT is not a valid "
            "combination on this device.");
  // Signed types, packed types of the wrong format and unknown compressed formats.
  EXPECT_EQ(mglMTLPixelFormatsForGLFormat(GL_RGBA, GL_BYTE), MGLPixelFormatPair{});
  EXPECT_EQ(errorCode(), GL_INVALID_ENUM);
  EXPECT_EQ(mglMTLPixelFormatsForGLFormat(GL_RGBA, GL_UNSIGNED_SHORT_5_6_5),
            MGLPixelFormatPair{});
  EXPECT_EQ(errorCode(), GL_INVALID_ENUM);
  EXPECT_EQ(mglMTLPixelFormatsForGLFormat(GL_RGBA, 0), MGLPixelFormatPair{});
  EXPECT_EQ(errorCode(), GL_INVALID_ENUM);
  EXPECT_EQ(mglMTLPixelFormatsForGLFormat(GL_DEPTH_COMPONENT, GL_FLOAT), MGLPixelFormatPair{});
  EXPECT_EQ(errorCode(), GL_INVALID_ENUM);
}

TEST_F(PixelFormatTest, BytesPerPixelNeverAnswersZero) {
  EXPECT_EQ(mglBytesPerPixelOfGLFormat(GL_RGB, GL_FLOAT), 12u);
  EXPECT_EQ(mglBytesPerPixelOfGLFormat(GL_RGB, GL_UNSIGNED_INT_5_9_9_9_REV_APPLE), 4u);
  EXPECT_EQ(mglBytesPerPixelOfGLFormat(GL_DEPTH_STENCIL_OES, GL_UNSIGNED_INT_24_8_OES), 4u);
  EXPECT_EQ(mglBytesPerPixelOfGLFormat(GL_RGB_422_APPLE, GL_UNSIGNED_SHORT_8_8_APPLE), 2u);
  EXPECT_EQ(errorCode(), 0u);
  EXPECT_EQ(mglBytesPerPixelOfGLFormat(GL_RGBA, GL_SHORT), 1u);
  EXPECT_EQ(errorText(),
            "GL_INVALID_ENUM. Could not determine size in bytes of OpenGL pixel format GL_RGBA "
            "and pixel type GL_SHORT");
  EXPECT_EQ(mglBytesPerPixelOfGLFormat(GL_RGB_422_APPLE, GL_FLOAT), 1u);
  EXPECT_EQ(errorCode(), GL_INVALID_ENUM);
  EXPECT_EQ(mglBytesPerPixelOfMTLPixelFormat(P::RGBA32Float), 16u);
  EXPECT_EQ(mglBytesPerPixelOfMTLPixelFormat(P::Depth32Float_Stencil8), 8u);
  EXPECT_EQ(mglBytesPerPixelOfMTLPixelFormat(P::PVRTC_RGB_4BPP), 1u);
  EXPECT_EQ(errorText(),
            "GL_INVALID_ENUM. Could not determine size in bytes of MTLPixelFormat 162");
}

TEST_F(PixelFormatTest, BitPlanesAndDepthStencilTests) {
  EXPECT_EQ(mglRedBitsOfMTLPixelFormat(P::B5G6R5Unorm), 5u);
  EXPECT_EQ(mglGreenBitsOfMTLPixelFormat(P::B5G6R5Unorm), 6u);
  EXPECT_EQ(mglAlphaBitsOfMTLPixelFormat(P::A1BGR5Unorm), 1u);
  EXPECT_EQ(mglAlphaBitsOfMTLPixelFormat(P::RGB9E5Float), 5u);
  EXPECT_EQ(mglBlueBitsOfMTLPixelFormat(P::RG11B10Float), 10u);
  EXPECT_EQ(mglDepthBitsOfMTLPixelFormat(P::Depth32Float_Stencil8), 32u);
  EXPECT_EQ(mglStencilBitsOfMTLPixelFormat(P::Depth32Float_Stencil8), 8u);
  EXPECT_EQ(mglAlphaBitsOfMTLPixelFormat(P::A8Unorm), 8u);
  EXPECT_EQ(mglRedBitsOfMTLPixelFormat(P::A8Unorm), 0u);
  EXPECT_EQ(errorCode(), 0u);
  EXPECT_EQ(mglGreenBitsOfMTLPixelFormat(P::ETC2_RGB8), 0u);
  EXPECT_EQ(errorText(),
            "GL_INVALID_ENUM. Could not determine size of green bit plane of MTLPixelFormat 180");
  EXPECT_EQ(mglStencilBitsOfMTLPixelFormat(P::GBGR422), 0u);
  EXPECT_EQ(errorText(),
            "GL_INVALID_ENUM. Could not determine size of stencil bit plane of MTLPixelFormat "
            "240");

  // Exactly three formats hold depth and two hold stencil.
  std::size_t count = 0;
  const mtl::PixelFormatInfo* all = mtl::allPixelFormats(count);
  int depth = 0, stencil = 0;
  for (std::size_t i = 0; i < count; ++i) {
    depth += mglMTLPixelFormatHasDepth(all[i].format);
    stencil += mglMTLPixelFormatHasStencil(all[i].format);
  }
  EXPECT_EQ(depth, 3);
  EXPECT_EQ(stencil, 2);
  EXPECT_TRUE(mglMTLPixelFormatHasStencil(P::Stencil8));
  EXPECT_FALSE(mglMTLPixelFormatHasDepth(P::Stencil8));
  EXPECT_EQ(errorCode(), 0u);
}

TEST_F(PixelFormatTest, ReverseLookupNamesAdoptedFormats) {
  EXPECT_EQ(mglGLFormatOfMTLPixelFormat(P::RG16Float), GL_LUMINANCE_ALPHA);
  EXPECT_EQ(mglGLTypeOfMTLPixelFormat(P::RG16Float), GL_HALF_FLOAT_OES);
  EXPECT_EQ(mglGLFormatOfMTLPixelFormat(P::Depth32Float_Stencil8), GL_DEPTH_COMPONENT);
  EXPECT_EQ(mglGLTypeOfMTLPixelFormat(P::Depth32Float_Stencil8), GL_FLOAT);
  EXPECT_EQ(mglGLFormatOfMTLPixelFormat(P::PVRTC_RGB_2BPP_sRGB),
            GL_COMPRESSED_SRGB_PVRTC_2BPPV1_EXT);
  EXPECT_EQ(mglGLTypeOfMTLPixelFormat(P::EAC_RGBA8), 0u);
  EXPECT_EQ(mglGLTypeOfMTLPixelFormat(P::BGRG422), GL_UNSIGNED_SHORT_8_8_REV_APPLE);
  EXPECT_EQ(errorCode(), 0u);
  // Every format the lookup gives for uncompressed data maps back to a pair
  // that gives it again, except those GL can only name another way.
  for (P format : {P::A8Unorm, P::R8Unorm, P::R16Unorm, P::R32Float, P::RG8Unorm,
                   P::B5G6R5Unorm, P::ABGR4Unorm, P::RGBA16Float, P::RGBA32Uint, P::BGRA8Unorm,
                   P::RGBA8Unorm_sRGB, P::RG11B10Float, P::RGB9E5Float}) {
    const MGLPixelFormatPair pair = mglMTLPixelFormatsForGLFormat(
        mglGLFormatOfMTLPixelFormat(format), mglGLTypeOfMTLPixelFormat(format));
    EXPECT_TRUE(pair.direct == format || pair.converted == format)
        << static_cast<unsigned>(format);
  }
  EXPECT_EQ(mglGLFormatOfMTLPixelFormat(P::RGB10A2Unorm), 0u);
  EXPECT_EQ(errorText(),
            "GL_INVALID_ENUM. MTLPixelFormat 90 does not match a valid OpenGL pixel format.");
  EXPECT_EQ(mglGLTypeOfMTLPixelFormat(P::Stencil8), 0u);
  EXPECT_EQ(errorText(),
            "GL_INVALID_ENUM. MTLPixelFormat 253 does not match a valid OpenGL pixel type.");
}

TEST_F(PixelFormatTest, RenderbufferFormatsBothWaysAndTheirComponentSizes) {
  EXPECT_EQ(mglRenderableMTLPixelFormatOfGLRenderbufferFormat(0), P::Invalid);
  EXPECT_EQ(errorCode(), 0u);
  EXPECT_EQ(mglRenderableMTLPixelFormatOfGLRenderbufferFormat(GL_RGB8_OES), P::RGBA8Unorm);
  EXPECT_EQ(mglRenderableMTLPixelFormatOfGLRenderbufferFormat(GL_RGB16F_EXT), P::RGBA16Float);
  EXPECT_EQ(mglRenderableMTLPixelFormatOfGLRenderbufferFormat(GL_DEPTH24_STENCIL8_OES),
            P::Depth32Float_Stencil8);
  // RGB8 is stored as RGBA8 and reports itself so.
  EXPECT_EQ(mglGLRenderbufferFormatOfMTLPixelFormat(
                mglRenderableMTLPixelFormatOfGLRenderbufferFormat(GL_RGB8_OES)),
            GL_RGBA8_OES);
  EXPECT_EQ(mglGLRenderbufferFormatOfMTLPixelFormat(P::Depth32Float), GL_DEPTH_COMPONENT32_OES);
  EXPECT_EQ(mglGLRenderbufferFormatOfMTLPixelFormat(P::Invalid), 0u);
  EXPECT_EQ(errorCode(), 0u);
  EXPECT_EQ(mglRenderableMTLPixelFormatOfGLRenderbufferFormat(GL_RGBA), P::Invalid);
  EXPECT_EQ(errorText(),
            "GL_INVALID_ENUM. Could not find a renderable MTLPixelFormat matching OpenGL "
            "renderbuffer pixel format GL_RGBA");
  EXPECT_EQ(mglGLRenderbufferFormatOfMTLPixelFormat(P::RGBA32Float), 0u);
  EXPECT_EQ(errorText(),
            "GL_INVALID_VALUE. Could not find renderable OpenGL pixel format matching "
            "MTLPixelFormat 125");

  EXPECT_EQ(mglGLRenderbufferComponentSize(GL_RGB565, GL_RENDERBUFFER_GREEN_SIZE), 6);
  EXPECT_EQ(mglGLRenderbufferComponentSize(GL_RGB8_OES, GL_RENDERBUFFER_ALPHA_SIZE), 0);
  EXPECT_EQ(mglGLRenderbufferComponentSize(GL_RGB5_A1, GL_RENDERBUFFER_ALPHA_SIZE), 1);
  EXPECT_EQ(mglGLRenderbufferComponentSize(GL_DEPTH24_STENCIL8_OES, GL_RENDERBUFFER_DEPTH_SIZE),
            24);
  EXPECT_EQ(
      mglGLRenderbufferComponentSize(GL_DEPTH24_STENCIL8_OES, GL_RENDERBUFFER_STENCIL_SIZE), 8);
  EXPECT_EQ(mglGLRenderbufferComponentSize(GL_R8_EXT, GL_RENDERBUFFER_RED_SIZE), 0);
  EXPECT_EQ(mglGLRenderbufferComponentSize(GL_RGBA8_OES, GL_RENDERBUFFER_WIDTH), 0);
  EXPECT_EQ(errorCode(), 0u);
}

// --- Conversions: the documented values ------------------------------------

std::vector<std::uint8_t> upload(const void* pixels, GLenum format, GLenum type, P metal,
                                 unsigned width = 1) {
  std::vector<std::uint8_t> out(mglBytesPerPixelOfMTLPixelFormat(metal) * width, 0xEE);
  mglConvertGLPixelsToMTL(pixels, format, type, 0, width, 1, out.data(), metal, 0);
  return out;
}

float asFloat(const std::vector<std::uint8_t>& bytes, std::size_t offset = 0) {
  float v;
  std::memcpy(&v, bytes.data() + offset, 4);
  return v;
}

TEST_F(PixelFormatTest, UploadRewritesLuminanceRGBAndAlpha) {
  const std::uint8_t grey = 0x80;
  EXPECT_EQ(upload(&grey, GL_LUMINANCE, GL_UNSIGNED_BYTE, P::RGBA8Unorm),
            (std::vector<std::uint8_t>{0x80, 0x80, 0x80, 0xFF}));
  const float rgb[3] = {0.25f, -1.0f, 8.0f};
  const std::vector<std::uint8_t> floats = upload(rgb, GL_RGB, GL_FLOAT, P::RGBA32Float);
  EXPECT_EQ(asFloat(floats, 0), 0.25f);
  EXPECT_EQ(asFloat(floats, 4), -1.0f);
  EXPECT_EQ(asFloat(floats, 8), 8.0f);
  EXPECT_EQ(asFloat(floats, 12), 1.0f);
  const std::uint16_t halves[3] = {0x1234, 0x5678, 0x9ABC};
  std::vector<std::uint8_t> out = upload(halves, GL_RGB, GL_HALF_FLOAT_OES, P::RGBA16Float);
  std::uint16_t written[4];
  std::memcpy(written, out.data(), 8);
  EXPECT_EQ(written[0], 0x1234);
  EXPECT_EQ(written[2], 0x9ABC);
  EXPECT_EQ(written[3], 0x3C00);
  const std::uint16_t la[2] = {0x1111, 0x2222};
  out = upload(la, GL_LUMINANCE_ALPHA, GL_UNSIGNED_SHORT, P::RGBA16Unorm);
  std::memcpy(written, out.data(), 8);
  EXPECT_EQ(written[1], 0x1111);
  EXPECT_EQ(written[3], 0x2222);
  const std::uint32_t alpha = 0xDEADBEEF;
  out = upload(&alpha, GL_ALPHA, GL_UNSIGNED_INT, P::RGBA32Uint);
  std::uint32_t words[4];
  std::memcpy(words, out.data(), 16);
  EXPECT_EQ(words[0], 0u);
  EXPECT_EQ(words[2], 0u);
  EXPECT_EQ(words[3], 0xDEADBEEFu);
  EXPECT_EQ(errorCode(), 0u);
}

TEST_F(PixelFormatTest, UploadScalesDepthBySinglePrecisionReciprocals) {
  // The multipliers are the floats nearest the reciprocals.
  EXPECT_EQ(std::bit_cast<std::uint32_t>(1.0f / 65535.0f), 0x37800080u);
  EXPECT_EQ(std::bit_cast<std::uint32_t>(1.0f / 255.0f), 0x3B808081u);
  EXPECT_EQ(std::bit_cast<std::uint32_t>(1.0f / 16777215.0f), 0x33800001u);

  const std::uint32_t ints[2] = {0xFFFFFFFFu, 0x80000000u};
  const std::vector<std::uint8_t> depth =
      upload(ints, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, P::Depth32Float, 2);
  EXPECT_EQ(asFloat(depth, 0), 1.0f);  // 4294967295 rounds to 2^32 as a float
  EXPECT_EQ(asFloat(depth, 4), 0.5f);

  const std::uint8_t byte = 0xFF;
  std::vector<std::uint8_t> out = upload(&byte, GL_DEPTH_COMPONENT, GL_UNSIGNED_BYTE,
                                         P::Depth16Unorm);
  EXPECT_EQ(out, (std::vector<std::uint8_t>{0x00, 0xFF}));  // 0xFF00, little-endian
  out = upload(&byte, GL_DEPTH_COMPONENT, GL_UNSIGNED_BYTE, P::Depth32Float);
  EXPECT_EQ(asFloat(out), 255.0f * std::bit_cast<float>(0x3B808081u));
  const std::uint16_t half = 32768;
  out = upload(&half, GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT, P::Depth32Float);
  EXPECT_EQ(asFloat(out), 32768.0f * std::bit_cast<float>(0x37800080u));

  // The 24 depth bits of a packed word; the stencil half of the texel is
  // left as it was.
  const std::uint32_t packed = 0xFFFFFF42u;
  out = upload(&packed, GL_DEPTH_STENCIL_OES, GL_UNSIGNED_INT_24_8_OES,
               P::Depth32Float_Stencil8);
  EXPECT_EQ(asFloat(out), 16777215.0f * std::bit_cast<float>(0x33800001u));
  EXPECT_EQ(out[4], 0xEE);
  EXPECT_EQ(out[7], 0xEE);
  EXPECT_EQ(errorCode(), 0u);
}

TEST_F(PixelFormatTest, UploadCopiesWhatItDoesNotRewrite) {
  // A pair without a rule copies the smaller of the two pixel sizes.
  const std::uint8_t rgba[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  std::vector<std::uint8_t> out = upload(rgba, GL_RGBA, GL_UNSIGNED_BYTE, P::RG8Unorm, 2);
  EXPECT_EQ(out, (std::vector<std::uint8_t>{1, 2, 5, 6}));
  // A rule never writes past a destination texel too small for it.
  out = upload(rgba, GL_RGB, GL_UNSIGNED_BYTE, P::R8Unorm, 2);
  EXPECT_EQ(out, (std::vector<std::uint8_t>{1, 4}));
  // Nothing at all for zero rows, zero width or a null buffer.
  std::uint8_t untouched = 0x77;
  mglConvertGLPixelsToMTL(rgba, GL_RGBA, GL_UNSIGNED_BYTE, 4, 1, 0, &untouched, P::RGBA8Unorm, 4);
  mglConvertGLPixelsToMTL(nullptr, GL_RGBA, GL_UNSIGNED_BYTE, 4, 1, 1, &untouched,
                          P::RGBA8Unorm, 4);
  EXPECT_EQ(untouched, 0x77);
}

std::vector<std::uint8_t> readBack(const void* texel, P format, GLenum glFormat = GL_RGBA,
                                   GLenum type = GL_UNSIGNED_BYTE) {
  std::vector<std::uint8_t> out(4, 0xEE);
  mglConvertMTLPixelsToGLRGBA(texel, format, 16, 1, 1, out.data(), glFormat, type, 4);
  return out;
}

TEST_F(PixelFormatTest, ReadBackOfSignedAndPackedFormats) {
  // Signed values are shifted by one half before clamping.
  std::uint8_t snorm[4] = {0x7F, 0x80, 0x00, 0x7F};
  EXPECT_EQ(readBack(snorm, P::RGBA8Snorm), (std::vector<std::uint8_t>{254, 0, 127, 254}));
  // The 2-bit alpha of RGB10A2 is scaled by one third.
  std::uint32_t word = (3u << 30) | 1023u;
  EXPECT_EQ(readBack(&word, P::RGB10A2Unorm), (std::vector<std::uint8_t>{255, 0, 0, 255}));
  word = (1u << 30) | (512u << 10);
  EXPECT_EQ(readBack(&word, P::RGB10A2Uint), (std::vector<std::uint8_t>{0, 127, 0, 85}));
  const std::uint16_t rgb565 = (31u << 11) | (32u << 5) | 0u;
  EXPECT_EQ(readBack(&rgb565, P::B5G6R5Unorm), (std::vector<std::uint8_t>{255, 129, 0, 255}));
  const std::uint16_t a1 = (16u << 11) | 1u;
  EXPECT_EQ(readBack(&a1, P::A1BGR5Unorm), (std::vector<std::uint8_t>{131, 0, 0, 255}));
  const std::uint16_t abgr4 = 0x1234;
  EXPECT_EQ(readBack(&abgr4, P::ABGR4Unorm, GL_BGRA),
            (std::vector<std::uint8_t>{51, 34, 17, 68}));
  // A float that holds NaN reads as 0 rather than an undefined conversion.
  const float floats[4] = {std::bit_cast<float>(0x7FC00000u), 2.0f, -3.0f, 0.5f};
  EXPECT_EQ(readBack(floats, P::RGBA32Float), (std::vector<std::uint8_t>{0, 255, 0, 127}));
  const std::uint8_t a8 = 0x40;
  EXPECT_EQ(readBack(&a8, P::A8Unorm), (std::vector<std::uint8_t>{0, 0, 0, 0x40}));
  EXPECT_EQ(errorCode(), 0u);
}

TEST_F(PixelFormatTest, ReadBackRefusesOtherFormatsAndTypesLeavingPixelsAlone) {
  const std::uint8_t texel[16] = {0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(readBack(texel, P::RGBA8Unorm, GL_RGB), (std::vector<std::uint8_t>(4, 0xEE)));
  EXPECT_EQ(errorText(), "GL_INVALID_ENUM. GL_RGB is not a valid OpenGL pixel format");
  EXPECT_EQ(readBack(texel, P::RGBA8Unorm, GL_RGBA, GL_FLOAT),
            (std::vector<std::uint8_t>(4, 0xEE)));
  EXPECT_EQ(errorText(), "GL_INVALID_ENUM. GL_FLOAT is not a valid OpenGL pixel type");
  // A format it cannot read is mid grey.
  EXPECT_EQ(readBack(texel, P::RGBA16Float), (std::vector<std::uint8_t>{127, 127, 127, 255}));
  EXPECT_EQ(errorText(), "GL_INVALID_ENUM. Could not convert MTLPixelFormat 115 to RGBA");
}

TEST_F(PixelFormatTest, ReadBackWalksRowsByTheirOwnStrides) {
  // Two rows of two BGRA texels with padded source rows, into padded
  // destination rows whose padding stays untouched.
  const std::uint8_t source[2 * 12] = {1, 2, 3, 4, 5, 6, 7, 8, 0, 0, 0, 0,
                                       9, 10, 11, 12, 13, 14, 15, 16, 0, 0, 0, 0};
  std::vector<std::uint8_t> out(2 * 10, 0xEE);
  mglConvertMTLPixelsToGLRGBA(source, P::BGRA8Unorm, 12, 2, 2, out.data(), GL_RGBA,
                              GL_UNSIGNED_BYTE, 10);
  EXPECT_EQ(out, (std::vector<std::uint8_t>{3, 2, 1, 4, 7, 6, 5, 8, 0xEE, 0xEE,
                                            11, 10, 9, 12, 15, 14, 13, 16, 0xEE, 0xEE}));
}

}  // namespace
