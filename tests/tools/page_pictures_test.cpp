// The page pictures' JPEG writer: what it writes decodes to the picture it
// was given (colours in their channels, rows in their order, transparency
// over black), and a file it cannot write is named in its message.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "platform/coregraphics/image_codec.h"
#include "tests/support/temp_dir.h"
#include "tools/page_pictures/jpeg_writer.h"

namespace {

constexpr std::size_t kWidth = 64, kHeight = 48;

// Quarters red, green, blue and white (clockwise from the top left); the
// middle of the bottom rows red at half opacity, premultiplied.
std::shared_ptr<cg::Image> quarters() {
  std::vector<std::uint32_t> pixels(kWidth * kHeight);
  for (std::size_t y = 0; y < kHeight; ++y)
    for (std::size_t x = 0; x < kWidth; ++x) {
      const bool right = x >= kWidth / 2, bottom = y >= kHeight / 2;
      std::uint32_t p = !bottom ? (right ? 0xFF00FF00u : 0xFFFF0000u) : (right ? 0xFFFFFFFFu : 0xFF0000FFu);
      if (y >= kHeight - 8 && x >= 24 && x < 40) p = 0x80800000u;
      pixels[y * kWidth + x] = p;
    }
  return cg::Image::fromARGB(kWidth, kHeight, std::move(pixels));
}

void expectNear(const cg::Image& image, std::size_t x, std::size_t y, int r, int g, int b) {
  const cg::Pixel p = image.pixel(x, y);
  EXPECT_NEAR(p.r, r, 12) << x << "," << y;
  EXPECT_NEAR(p.g, g, 12) << x << "," << y;
  EXPECT_NEAR(p.b, b, 12) << x << "," << y;
  EXPECT_EQ(p.a, 255);
}

TEST(PagePictureJpeg, APictureDecodesWithItsColoursInPlaceAndTransparencyOverBlack) {
  const std::string bytes = page_pictures::encodeJPEG(*quarters(), 92);
  ASSERT_GT(bytes.size(), 100u);
  EXPECT_EQ(bytes.substr(0, 3), std::string("\xFF\xD8\xFF")) << "a JPEG stream";
  std::string message;
  auto decoded = cg::decodeImage(bytes, &message);
  ASSERT_NE(decoded, nullptr) << message;
  ASSERT_EQ(decoded->width(), kWidth);
  ASSERT_EQ(decoded->height(), kHeight);
  expectNear(*decoded, 8, 8, 255, 0, 0);
  expectNear(*decoded, 56, 8, 0, 255, 0);
  expectNear(*decoded, 8, 30, 0, 0, 255);
  expectNear(*decoded, 56, 30, 255, 255, 255);
  expectNear(*decoded, 32, 44, 128, 0, 0);
}

TEST(PagePictureJpeg, LowerQualityIsSmallerAndAFileThatCannotBeWrittenIsNamed) {
  const auto picture = quarters();
  EXPECT_LT(page_pictures::encodeJPEG(*picture, 20).size(), page_pictures::encodeJPEG(*picture, 95).size());
  EXPECT_EQ(page_pictures::encodeJPEG(*picture, -5), page_pictures::encodeJPEG(*picture, 1)) << "clamped";

  tessaly::test::TempDir dir;
  const std::string path = dir.file("ISS.jpg");
  std::string message;
  ASSERT_TRUE(page_pictures::writeJPEG(*picture, path, 88, &message)) << message;
  ASSERT_NE(cg::imageFromFile(path), nullptr);
  const std::string nowhere = dir.file("missing/ISS.jpg");
  EXPECT_FALSE(page_pictures::writeJPEG(*picture, nowhere, 88, &message));
  EXPECT_EQ(message.rfind(nowhere, 0), 0u) << message;
}

}  // namespace
