// The PVRTC codec against blocks worked out by hand from the published
// 4-bpp layout: expansion of each colour form, bilinear and modulation
// weights, Morton order, the encoder's end points and thresholds, and the
// vertical flip with its refusals.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "gles/context/gl_enums.h"
#include "gles/textures/pvrtc.h"
#include "gles/textures/pvrtc_codec.h"
#include "tests/gles/gl_test_context.h"

namespace {

using tessaly::test::GLTestContext;
using Pixel = std::array<int, 4>;  // L, M, H, alpha

// One block: modulation word, then colour word, both little-endian.
std::array<std::uint8_t, 8> block(std::uint32_t modulation, std::uint32_t colour) {
  std::array<std::uint8_t, 8> b{};
  for (int i = 0; i < 4; ++i) {
    b[i] = static_cast<std::uint8_t>(modulation >> (8 * i));
    b[4 + i] = static_cast<std::uint8_t>(colour >> (8 * i));
  }
  return b;
}

std::uint32_t modulationWord(std::uint8_t* out) {
  return out[0] | (out[1] << 8) | (out[2] << 16) | (static_cast<std::uint32_t>(out[3]) << 24);
}

// Pixel k of a block of one 4 x 4 image holds modulation value k mod 4, so
// each value shows at four pixels.
constexpr std::uint32_t kEveryValue = 0xE4E4E4E4u;

struct HandBlock {
  const char* name;
  std::uint32_t colour;
  Pixel byValue[4];  // the decoded pixel for modulation values 0..3
};

// Worked by hand. A one-block image is its own neighbour on every side, so
// the bilinear sums are 16 times the block's colours and each channel is
// floor((A x wa + B x wb) / 8). Expansions: 5-bit v -> floor(255v/31),
// 4-bit v -> 17v, 3-bit v -> floor(255v/7).
const HandBlock kHandBlocks[] = {
    // Standard mode. A opaque H=31 M=0 L=15 -> (255, 0, 255); B opaque
    // H=5 M=20 L=10 -> L 82, M 164, H 41. Weights (8,0) (5,3) (3,5) (0,8):
    // L (5*255+3*82)/8 = 190, M 3*164/8 = 61, H (5*255+3*41)/8 = 174, ...
    {"opaque A, opaque B, standard", 0x968AFC1Eu,
     {{255, 0, 255, 255}, {190, 61, 174, 255}, {146, 102, 121, 255}, {82, 164, 41, 255}}},
    // Punch-through. A translucent a=3 H=9 M=4 L=5 -> alpha 109, H 153,
    // M 68, L 182; B translucent a=6 H=2 M=15 L=7 -> alpha 218, H 34,
    // M 255, L 119. Value 1 halves colour and alpha, value 2 halves colour
    // and is transparent.
    {"translucent A, translucent B, punch-through", 0x62F7394Bu,
     {{182, 68, 153, 109}, {150, 161, 93, 163}, {150, 161, 93, 0}, {119, 255, 34, 218}}},
    // Standard mode. A translucent a=0 H=0 M=15 L=1 -> (36, 255, 0, 0);
    // B opaque H=16 M=0 L=31 -> (255, 0, 131, 255).
    {"translucent A, opaque B, standard", 0xC01F00F2u,
     {{36, 255, 0, 0}, {118, 159, 49, 95}, {172, 95, 81, 159}, {255, 0, 131, 255}}},
    // Punch-through. A opaque H=1 M=31 L=0 -> (0, 255, 8, 255); B
    // translucent a=1 H=8 M=1 L=12 -> (204, 17, 136, 36).
    {"opaque A, translucent B, punch-through", 0x181C87E1u,
     {{0, 255, 8, 255}, {102, 136, 72, 145}, {102, 136, 72, 0}, {204, 17, 136, 36}}},
};

TEST(PvrtcCodec, OneBlockOfEachColourFormWithEveryModulationValue) {
  for (const HandBlock& hand : kHandBlocks) {
    SCOPED_TRACE(hand.name);
    const auto data = block(kEveryValue, hand.colour);
    std::uint8_t rgba[16 * 4], rgb[16 * 3];
    Javelin::PvrTcDecoder::DecodeRgba4Bpp(rgba, {4, 4}, data.data());
    Javelin::PvrTcDecoder::DecodeRgb4Bpp(rgb, {4, 4}, data.data());
    for (int k = 0; k < 16; ++k) {
      const Pixel& want = hand.byValue[k % 4];
      for (int c = 0; c < 4; ++c) EXPECT_EQ(rgba[4 * k + c], want[c]) << "pixel " << k;
      for (int c = 0; c < 3; ++c) EXPECT_EQ(rgb[3 * k + c], want[c]) << "pixel " << k;
    }
  }
}

// The four blocks of an 8 x 8 image sit in Morton order: (0,0), (0,1),
// (1,0), (1,1) as (column, row).
TEST(PvrtcCodec, CornerPixelsBlendFourBlocksAcrossTheWrap) {
  // Opaque A colours, modulation 0: every pixel shows the interpolated A.
  const std::uint32_t a00 = 0x8000u | (15u << 1);               // L 255
  const std::uint32_t a10 = 0x8000u | (31u << 5);               // M 255
  const std::uint32_t a01 = 0x8000u | (31u << 10);              // H 255
  const std::uint32_t a11 = 0x8000u | (8u << 1) | (16u << 5) | (16u << 10);  // 136, 131, 131
  std::vector<std::uint8_t> data;
  for (std::uint32_t colour : {a00, a01, a10, a11}) {
    const auto b = block(0, colour | 0x80000000u);
    data.insert(data.end(), b.begin(), b.end());
  }
  std::uint8_t rgb[64 * 3];
  Javelin::PvrTcDecoder::DecodeRgb4Bpp(rgb, {8, 8}, data.data());
  // Pixel (0, 0): weights 4, 4, 4, 4 on blocks (1,1), (0,1), (1,0), (0,0)
  // across both edges: each channel floor(sum / 4).
  EXPECT_EQ(rgb[0], (255 + 136) / 4);
  EXPECT_EQ(rgb[1], (255 + 131) / 4);
  EXPECT_EQ(rgb[2], (255 + 131) / 4);
  // Pixel (7, 7): weights 9, 3, 3, 1 on (1,1), (0,1), (1,0), (0,0).
  const std::uint8_t* last = rgb + 63 * 3;
  EXPECT_EQ(last[0], (9 * 136 + 1 * 255) / 16);
  EXPECT_EQ(last[1], (9 * 131 + 3 * 255) / 16);
  EXPECT_EQ(last[2], (9 * 131 + 3 * 255) / 16);
  // Every pixel against bilinear interpolation between block centres (at
  // pixel 4b + 2 of each axis, wrapping): a block's weight along an axis is
  // 4 - distance in quarters.
  const int colours[2][2][3] = {{{255, 0, 0}, {0, 0, 255}},      // [column 0][row 0], [0][1]
                                {{0, 255, 0}, {136, 131, 131}}};  // [1][0], [1][1]
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      int sums[3] = {0, 0, 0};
      for (int bx = 0; bx < 2; ++bx) {
        for (int by = 0; by < 2; ++by) {
          auto weight = [](int position, int b) {
            int distance = std::abs(position - (4 * b + 2));
            distance = std::min(distance, 8 - distance);  // across the wrap
            return std::max(0, 4 - distance);
          };
          for (int c = 0; c < 3; ++c) sums[c] += weight(x, bx) * weight(y, by) * colours[bx][by][c];
        }
      }
      for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(rgb[(y * 8 + x) * 3 + c], sums[c] / 16) << x << "," << y << " channel " << c;
      }
    }
  }
  // Pixel (2, 2) lies on block (0,0)'s centre: its colour alone.
  const std::uint8_t* centre = rgb + (2 * 8 + 2) * 3;
  EXPECT_EQ(centre[0], 255);
  EXPECT_EQ(centre[1], 0);
  EXPECT_EQ(centre[2], 0);
}

TEST(PvrtcCodec, BlocksFollowMortonOrder) {
  // Bit i of the row to bit 2i, bit i of the column to bit 2i + 1.
  for (std::uint32_t by : {0u, 1u, 2u, 3u, 255u, 256u, 0x5A5Au, 0xFFFFu}) {
    for (std::uint32_t bx : {0u, 1u, 2u, 7u, 255u, 511u, 0xA5A5u, 0xFFFFu}) {
      std::uint32_t expected = 0;
      for (int i = 0; i < 16; ++i) {
        expected |= ((by >> i) & 1u) << (2 * i);
        expected |= ((bx >> i) & 1u) << (2 * i + 1);
      }
      EXPECT_EQ(Javelin::PvrTcBlockIndex(bx, by), expected) << bx << "," << by;
    }
  }
}

TEST(PvrtcCodec, EncoderEndPointsAndModulationThresholds) {
  // A grey 4 x 4 block from 0 to 255: A is black, B white, and a pixel's
  // value is its place on the segment: 0 to 3/16, to 8/16, to 13/16, above.
  // On this segment the thresholds fall between 47 and 48, 127 and 128,
  // 207 and 208.
  const int greys[16] = {0, 47, 48, 127, 128, 207, 208, 255, 0, 255, 100, 30, 160, 230, 60, 200};
  const int values[16] = {0, 0, 1, 1, 2, 2, 3, 3, 0, 3, 1, 0, 2, 3, 1, 2};
  Javelin::RgbBitmap bitmap(4, 4);
  for (int k = 0; k < 16; ++k) std::memset(bitmap.GetData() + 3 * k, greys[k], 3);
  std::uint8_t out[8];
  Javelin::PvrTcEncoder::EncodeRgb4Bpp(out, bitmap);
  std::uint32_t expected = 0;
  for (int k = 0; k < 16; ++k) expected |= static_cast<std::uint32_t>(values[k]) << (2 * k);
  EXPECT_EQ(modulationWord(out), expected);
  EXPECT_EQ(modulationWord(out + 4), 0xFFFF8000u);  // opaque black A, opaque white B

  // Alpha: a minimum of 255 keeps both colours opaque; a minimum of 200
  // makes A translucent with alpha field floor(200 x 7 / 255) = 5.
  Javelin::RgbaBitmap rgba(4, 4);
  std::memset(rgba.GetData(), 255, 64);
  Javelin::PvrTcEncoder::EncodeRgba4Bpp(out, rgba);
  EXPECT_EQ(modulationWord(out + 4), 0xFFFFFFFEu);
  rgba.GetData()[3] = 200;
  Javelin::PvrTcEncoder::EncodeRgba4Bpp(out, rgba);
  const std::uint32_t colour = modulationWord(out + 4);
  EXPECT_EQ(colour & 0x8000u, 0u);
  EXPECT_EQ((colour >> 12) & 7u, 5u);
  EXPECT_EQ(colour >> 16, 0xFFFFu);  // B stays opaque white
}

TEST(PvrtcCodec, SingleColourImagesEncodeWithEqualEndsAndNoModulation) {
  for (int value : {0, 255}) {
    Javelin::RgbBitmap rgb(16, 16);
    Javelin::RgbaBitmap rgba(16, 16);
    std::memset(rgb.GetData(), value, 16 * 16 * 3);
    std::memset(rgba.GetData(), value, 16 * 16 * 4);
    std::vector<std::uint8_t> rgbBlocks(128), rgbaBlocks(128);
    Javelin::PvrTcEncoder::EncodeRgb4Bpp(rgbBlocks.data(), rgb);
    Javelin::PvrTcEncoder::EncodeRgba4Bpp(rgbaBlocks.data(), rgba);
    for (const std::vector<std::uint8_t>* blocks : {&rgbBlocks, &rgbaBlocks}) {
      std::vector<std::uint8_t> decoded(16 * 16 * 4);
      Javelin::PvrTcDecoder::DecodeRgba4Bpp(decoded.data(), {16, 16}, blocks->data());
      for (int b = 0; b < 16; ++b) {
        const std::uint8_t* p = blocks->data() + 8 * b;
        EXPECT_EQ(modulationWord(const_cast<std::uint8_t*>(p)), 0u);
        // A and B expand to the same colour.
        const std::uint32_t colour = modulationWord(const_cast<std::uint8_t*>(p + 4));
        EXPECT_EQ(colour & 1u, 0u);
        if (value == 255) {
          EXPECT_EQ(colour, 0xFFFFFFFEu);
        } else if (blocks == &rgbBlocks) {
          EXPECT_EQ(colour, 0x80008000u);
        }
      }
      for (int i = 0; i < 16 * 16; ++i) {
        EXPECT_EQ(decoded[4 * i], value);
        EXPECT_EQ(decoded[4 * i + 2], value);
      }
    }
  }
}

// A smooth two-way gradient with an alpha ramp, as textures are.
void fillGradient(Javelin::RgbaBitmap& bitmap) {
  const int side = bitmap.GetBitmapWidth();
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      std::uint8_t* p = bitmap.GetData() + 4 * (y * side + x);
      p[0] = static_cast<std::uint8_t>(255 * x / (side - 1));
      p[1] = static_cast<std::uint8_t>(255 * y / (side - 1));
      p[2] = static_cast<std::uint8_t>(255 - 255 * (x + y) / (2 * side - 2));
      p[3] = static_cast<std::uint8_t>(128 + 127 * x / (side - 1));
    }
  }
}

// Largest and mean channel error over the pixels at least `border` away
// from every edge: at the edges PVRTC blends with the opposite side of the
// image by design, which a gradient does not continue.
struct Errors {
  int worst = 0;
  double mean = 0;
};

Errors interiorErrors(const std::uint8_t* a, const std::uint8_t* b, int side, int channels,
                      int border) {
  Errors e;
  long total = 0, count = 0;
  for (int y = border; y < side - border; ++y) {
    for (int x = border; x < side - border; ++x) {
      for (int c = 0; c < channels; ++c) {
        const std::size_t i = (static_cast<std::size_t>(y) * side + x) * channels + c;
        const int error = std::abs(a[i] - b[i]);
        e.worst = std::max(e.worst, error);
        total += error;
        ++count;
      }
    }
  }
  e.mean = static_cast<double>(total) / count;
  return e;
}

TEST(PvrtcCodec, DecodingAnEncodedGradientStaysClose) {
  constexpr int kSide = 64;
  Javelin::RgbaBitmap image(kSide, kSide);
  fillGradient(image);
  std::vector<std::uint8_t> blocks(kSide * kSide / 2);
  Javelin::PvrTcEncoder::EncodeRgba4Bpp(blocks.data(), image);
  std::vector<std::uint8_t> decoded(kSide * kSide * 4);
  Javelin::PvrTcDecoder::DecodeRgba4Bpp(decoded.data(), {kSide, kSide}, blocks.data());
  const Errors errors = interiorErrors(decoded.data(), image.GetData(), kSide, 4, 2);
  // Within one step of the 4-bit fields (17); measured 13 and 4.1.
  EXPECT_LE(errors.worst, 16);
  EXPECT_LT(errors.mean, 5.0);
}

TEST(PvrtcCodec, SizesOutsideTheContractAreLeftAlone) {
  std::vector<std::uint8_t> blocks(64, 0x5A), pixels(12 * 12 * 4, 0xEE);
  Javelin::PvrTcDecoder::DecodeRgba4Bpp(pixels.data(), {8, 4}, blocks.data());
  Javelin::PvrTcDecoder::DecodeRgba4Bpp(pixels.data(), {12, 12}, blocks.data());
  Javelin::PvrTcDecoder::DecodeRgba4Bpp(pixels.data(), {2, 2}, blocks.data());
  EXPECT_EQ(pixels, std::vector<std::uint8_t>(12 * 12 * 4, 0xEE));
  Javelin::RgbBitmap wide(8, 4), odd(12, 12);
  Javelin::PvrTcEncoder::EncodeRgb4Bpp(blocks.data(), wide);
  Javelin::PvrTcEncoder::EncodeRgb4Bpp(blocks.data(), odd);
  EXPECT_EQ(blocks, std::vector<std::uint8_t>(64, 0x5A));
}

class PvrtcFlipTest : public GLTestContext {};

TEST_F(PvrtcFlipTest, DataSizes) {
  EXPECT_EQ(mglPVRTCDataSize(4, 4, GL_COMPRESSED_RGB_PVRTC_4BPPV1_IMG), 32);
  EXPECT_EQ(mglPVRTCDataSize(8, 4, GL_COMPRESSED_RGBA_PVRTC_2BPPV1_IMG), 32);
  EXPECT_EQ(mglPVRTCDataSize(256, 256, GL_COMPRESSED_SRGB_ALPHA_PVRTC_4BPPV1_EXT), 32768);
  EXPECT_EQ(mglPVRTCDataSize(256, 128, GL_COMPRESSED_SRGB_PVRTC_2BPPV1_EXT), 8192);
  EXPECT_EQ(mglPVRTCDataSize(16384, 16384, GL_COMPRESSED_RGBA_PVRTC_4BPPV1_IMG), 134217728);
  EXPECT_EQ(errorCode(), 0u);
  EXPECT_EQ(mglPVRTCDataSize(8, 8, GL_COMPRESSED_RGB8_ETC2), 0);
  EXPECT_EQ(errorText(),
            "GL_INVALID_ENUM. GL_COMPRESSED_RGB8_ETC2 is not a supported PVRTC compressed "
            "texture format.");
  EXPECT_EQ(mglPVRTCDataSize(-8, 8, GL_COMPRESSED_RGB_PVRTC_4BPPV1_IMG), 0);
  EXPECT_EQ(errorCode(), GL_INVALID_VALUE);
  EXPECT_TRUE(mglIsPVRTCFormat(GL_COMPRESSED_SRGB_PVRTC_2BPPV1_EXT));
  EXPECT_TRUE(mglIsPVRTCFormat(GL_COMPRESSED_RGBA_PVRTC_2BPPV1_IMG));
  EXPECT_FALSE(mglIsPVRTCFormat(GL_COMPRESSED_SRGB8_ALPHA8_ETC2_EAC));
  EXPECT_FALSE(mglIsPVRTCFormat(0x8A53));
}

TEST_F(PvrtcFlipTest, FlipTurnsTheImageUpsideDown) {
  constexpr int kSide = 32;
  Javelin::RgbaBitmap image(kSide, kSide);
  fillGradient(image);
  std::vector<std::uint8_t> data(
      mglPVRTCDataSize(kSide, kSide, GL_COMPRESSED_RGBA_PVRTC_4BPPV1_IMG));
  Javelin::PvrTcEncoder::EncodeRgba4Bpp(data.data(), image);
  std::vector<std::uint8_t> before(kSide * kSide * 4), after(kSide * kSide * 4);
  Javelin::PvrTcDecoder::DecodeRgba4Bpp(before.data(), {kSide, kSide}, data.data());
  mglFlipPVRTCVertically(data.data(), kSide, kSide, GL_COMPRESSED_RGBA_PVRTC_4BPPV1_IMG);
  EXPECT_EQ(errorCode(), 0u);
  Javelin::PvrTcDecoder::DecodeRgba4Bpp(after.data(), {kSide, kSide}, data.data());
  // After the flip the image is the one before, upside down, within one
  // re-encoding.
  std::vector<std::uint8_t> upsideDown(before.size());
  for (int y = 0; y < kSide; ++y) {
    std::memcpy(upsideDown.data() + y * kSide * 4, before.data() + (kSide - 1 - y) * kSide * 4,
                kSide * 4);
  }
  const Errors errors = interiorErrors(after.data(), upsideDown.data(), kSide, 4, 4);
  // Away from the edge blocks; measured 29 and 4.9. Block centres do not
  // flip onto block centres, so the second encoding sees a shifted image.
  EXPECT_LE(errors.worst, 32);
  EXPECT_LT(errors.mean, 6.0);
  // The green channel runs down the rows: it now runs up.
  EXPECT_GT(after[(2 * kSide + 2) * 4 + 1], after[((kSide - 3) * kSide + 2) * 4 + 1] + 150);

  // RGB data flips the same way.
  std::vector<std::uint8_t> rgbData(data.size());
  Javelin::RgbBitmap rgb(kSide, kSide);
  for (int i = 0; i < kSide * kSide; ++i) {
    std::memcpy(rgb.GetData() + 3 * i, image.GetData() + 4 * i, 3);
  }
  Javelin::PvrTcEncoder::EncodeRgb4Bpp(rgbData.data(), rgb);
  mglFlipPVRTCVertically(rgbData.data(), kSide, kSide, GL_COMPRESSED_SRGB_PVRTC_4BPPV1_EXT);
  std::vector<std::uint8_t> rgbAfter(kSide * kSide * 3);
  Javelin::PvrTcDecoder::DecodeRgb4Bpp(rgbAfter.data(), {kSide, kSide}, rgbData.data());
  EXPECT_GT(rgbAfter[(2 * kSide + 2) * 3 + 1], rgbAfter[((kSide - 3) * kSide + 2) * 3 + 1] + 150);
  EXPECT_EQ(errorCode(), 0u);
}

TEST_F(PvrtcFlipTest, UnflippableDataIsLeftAsItWas) {
  std::vector<std::uint8_t> data(
      mglPVRTCDataSize(64, 32, GL_COMPRESSED_RGBA_PVRTC_4BPPV1_IMG), 0x3C);
  const std::vector<std::uint8_t> original = data;
  mglFlipPVRTCVertically(data.data(), 64, 32, GL_COMPRESSED_RGB_PVRTC_2BPPV1_IMG);
  EXPECT_EQ(errorText(),
            "GL_INVALID_OPERATION. Vertically flipping PVRTC compressed texture format "
            "GL_COMPRESSED_RGB_PVRTC_2BPPV1_IMG is not supported.");
  // Not square, or not a power of two: the codec would read and write out
  // of bounds, so the data stays as it is.
  mglFlipPVRTCVertically(data.data(), 64, 32, GL_COMPRESSED_RGBA_PVRTC_4BPPV1_IMG);
  EXPECT_EQ(errorCode(), GL_INVALID_OPERATION);
  mglFlipPVRTCVertically(data.data(), 24, 24, GL_COMPRESSED_RGB_PVRTC_4BPPV1_IMG);
  EXPECT_EQ(errorCode(), GL_INVALID_OPERATION);
  mglFlipPVRTCVertically(data.data(), 16, 16, GL_COMPRESSED_RGB8_ETC2);
  EXPECT_EQ(errorCode(), GL_INVALID_ENUM);
  EXPECT_EQ(data, original);
}

}  // namespace
