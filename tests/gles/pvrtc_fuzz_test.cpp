// Random blocks and sizes through the PVRTC decoder and the vertical flip,
// on buffers of exactly the size each call may touch, so that the
// sanitizers see any stray access.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "gles/context/gl_enums.h"
#include "gles/textures/pvrtc.h"
#include "gles/textures/pvrtc_codec.h"
#include "tests/gles/gl_test_context.h"

namespace {

class PvrtcFuzzTest : public tessaly::test::GLTestContext {};

TEST_F(PvrtcFuzzTest, RandomBlocksDecodeWithinTheirImage) {
  std::mt19937 random(0x50A7C);
  int decoded = 0;
  for (int iteration = 0; iteration < 300; ++iteration) {
    const int side = 4 << (random() % 6);  // 4 to 128
    std::vector<std::uint8_t> blocks(static_cast<std::size_t>(side) * side / 2);
    for (auto& b : blocks) b = static_cast<std::uint8_t>(random());
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(side) * side * 4);
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(side) * side * 3);
    Javelin::PvrTcDecoder::DecodeRgba4Bpp(rgba.data(), {side, side}, blocks.data());
    Javelin::PvrTcDecoder::DecodeRgb4Bpp(rgb.data(), {side, side}, blocks.data());
    // Colour channels agree between the two decoders.
    for (int i = 0; i < side * side; ++i) {
      ASSERT_EQ(rgba[4 * i], rgb[3 * i]);
      ASSERT_EQ(rgba[4 * i + 2], rgb[3 * i + 2]);
    }
    ++decoded;
  }
  EXPECT_EQ(decoded, 300);
}

TEST_F(PvrtcFuzzTest, RandomFlipsEitherFlipOrLeaveTheDataWithAnError) {
  const GLenum formats[] = {
      GL_COMPRESSED_RGB_PVRTC_4BPPV1_IMG,        GL_COMPRESSED_RGBA_PVRTC_4BPPV1_IMG,
      GL_COMPRESSED_SRGB_PVRTC_4BPPV1_EXT,       GL_COMPRESSED_SRGB_ALPHA_PVRTC_4BPPV1_EXT,
      GL_COMPRESSED_RGB_PVRTC_2BPPV1_IMG,        GL_COMPRESSED_SRGB_ALPHA_PVRTC_2BPPV1_EXT,
      GL_COMPRESSED_RGB8_ETC2,                   GL_RGBA};
  std::mt19937 random(0xF11B);
  int flipped = 0, refused = 0;
  for (int iteration = 0; iteration < 1500; ++iteration) {
    const GLenum format = formats[random() % std::size(formats)];
    int width = random() % 3 == 0 ? static_cast<int>(random() % 80) : 1 << (random() % 7);
    int height = random() % 4 == 0 ? static_cast<int>(random() % 80) : width;
    if (random() % 50 == 0) width = -width;
    const std::int64_t size = mglPVRTCDataSize(width, height, format);
    errorCode();
    std::vector<std::uint8_t> data(static_cast<std::size_t>(size));
    for (auto& b : data) b = static_cast<std::uint8_t>(random());
    const std::vector<std::uint8_t> original = data;
    mglFlipPVRTCVertically(data.empty() ? nullptr : data.data(), width, height, format);
    const GLenum error = errorCode();
    if (error != 0) {
      ASSERT_TRUE(error == GL_INVALID_OPERATION || error == GL_INVALID_ENUM) << error;
      ASSERT_EQ(data, original);
      ++refused;
    } else {
      ++flipped;
    }
  }
  EXPECT_GT(flipped, 300);
  EXPECT_GT(refused, 300);
}

}  // namespace
