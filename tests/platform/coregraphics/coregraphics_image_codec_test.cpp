// PNG and JPEG decoding against PIL's reading of the same files, damaged
// files, raw pixel layouts and PNG writing read back by PIL.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "oracle.h"
#include "platform/coregraphics/image_codec.h"
#include "temp_dir.h"

namespace {

using tessaly::test::readFile;
using tessaly::test::TempDir;

class CoregraphicsImageCodec : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new TempDir;
    int status = 0;
    std::string out = cgtest::run(std::string(cgtest::kPython) + " " + cgtest::scriptFolder() +
                                      "/make_test_images.py " + folder_->path().string() + " 2>&1",
                                  &status);
    ASSERT_EQ(status, 0) << out;
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  static std::string file(const std::string& name) { return folder_->file(name); }
  static TempDir* folder_;
};
TempDir* CoregraphicsImageCodec::folder_ = nullptr;

TEST_F(CoregraphicsImageCodec, EveryColourTypeAndDepthDecodesAsPILReadsIt) {
  std::ifstream manifest(file("manifest.txt"));
  std::string name;
  std::size_t width, height;
  int pngs = 0, jpegs = 0;
  while (manifest >> name >> width >> height) {
    SCOPED_TRACE(name);
    std::string message;
    auto image = cg::imageFromFile(file(name), &message);
    ASSERT_TRUE(image) << message;
    ASSERT_EQ(image->width(), width);
    ASSERT_EQ(image->height(), height);
    std::string expected = readFile(file(name + ".rgba"));
    ASSERT_EQ(expected.size(), width * height * 4);
    const bool jpeg = name.ends_with(".jpg");
    const int tolerance = jpeg ? 2 : 0;
    int worst = 0;
    for (std::size_t y = 0; y < height; ++y)
      for (std::size_t x = 0; x < width; ++x) {
        const auto* e = reinterpret_cast<const unsigned char*>(&expected[(y * width + x) * 4]);
        cg::Pixel p = image->pixel(x, y);
        const int want[4] = {cg::premultiply(e[0], e[3]), cg::premultiply(e[1], e[3]),
                             cg::premultiply(e[2], e[3]), e[3]};
        const int got[4] = {p.r, p.g, p.b, p.a};
        for (int i = 0; i < 4; ++i) worst = std::max(worst, std::abs(got[i] - want[i]));
      }
    EXPECT_LE(worst, tolerance);
    // The same bytes in memory decode the same.
    auto again = cg::decodeImage(readFile(file(name)));
    ASSERT_TRUE(again);
    EXPECT_EQ(again->pixel(width / 2, height / 2), image->pixel(width / 2, height / 2));
    (jpeg ? jpegs : pngs)++;
  }
  EXPECT_EQ(pngs, 46);
  EXPECT_EQ(jpegs, 5);
}

TEST_F(CoregraphicsImageCodec, ColourSpaceAndAlphaOfTheSourceAreKept) {
  auto gray = cg::imageFromFile(file("png-type0-8bit.png"));
  auto palette = cg::imageFromFile(file("png-type3-8bit.png"));
  auto rgb = cg::imageFromFile(file("png-type2-16bit.png"));
  auto grayJpeg = cg::imageFromFile(file("jpeg-grey.jpg"));
  ASSERT_TRUE(gray && palette && rgb && grayJpeg);
  EXPECT_EQ(gray->colorSpace(), cg::ColorSpace::deviceGray);
  EXPECT_EQ(gray->alphaInfo(), cg::AlphaInfo::none);
  EXPECT_EQ(palette->alphaInfo(), cg::AlphaInfo::last);  // it has a tRNS chunk
  EXPECT_EQ(rgb->colorSpace(), cg::ColorSpace::deviceRGB);
  EXPECT_EQ(grayJpeg->colorSpace(), cg::ColorSpace::deviceGray);
}

TEST_F(CoregraphicsImageCodec, DamagedFilesGiveANullImageAndAMessageNamingTheFile) {
  std::ifstream list(file("damaged.txt"));
  std::string line;
  int count = 0;
  while (std::getline(list, line)) {
    if (line.empty()) continue;
    std::string name = line.substr(0, line.find(' '));
    std::string reason = line.substr(line.find(' ') + 1);
    SCOPED_TRACE(name);
    std::string message;
    EXPECT_FALSE(cg::imageFromFile(file(name), &message));
    EXPECT_EQ(message.rfind(file(name) + ": " + reason, 0), 0u) << message;
    ++count;
  }
  EXPECT_EQ(count, 9);
  std::string message;
  EXPECT_FALSE(cg::imageFromFile(file("absent.png"), &message));
  EXPECT_EQ(message, file("absent.png") + ": cannot read the file");
  EXPECT_FALSE(cg::decodeImage("", &message));
  EXPECT_EQ(message, "not a PNG or JPEG image");
}

TEST_F(CoregraphicsImageCodec, WrittenPNGFilesReadBackInPIL) {
  const std::uint8_t rgba[] = {255, 0, 0, 255,   0, 255, 0, 128,  0, 0, 255, 0,
                               10, 20, 30, 40,  200, 100, 50, 255, 255, 255, 255, 1};
  auto image = cg::Image::fromPixels(rgba, sizeof rgba,
                                     {3, 2, 8, 32, 12, cg::ColorSpace::deviceRGB,
                                      cg::AlphaInfo::last, cg::ByteOrder::defaultOrder});
  ASSERT_TRUE(image);
  std::string path = file("written.png");
  std::string message;
  ASSERT_TRUE(cg::writePNG(*image, path, &message)) << message;
  std::string dumped = cgtest::run(std::string(cgtest::kPython) +
                                   " -c \"import sys; from PIL import Image; "
                                   "sys.stdout.write(' '.join(map(str, Image.open(sys.argv[1])"
                                   ".convert('RGBA').tobytes())))\" " + path);
  std::istringstream values(dumped);
  int value, i = 0;
  while (values >> value) {
    ASSERT_LT(i, 24);
    int alpha = rgba[i / 4 * 4 + 3];
    if (i % 4 == 3) EXPECT_EQ(value, alpha) << i;
    // Colours come back through premultiplication: exact when opaque,
    // within what the alpha can hold otherwise, and 0 when transparent.
    else if (alpha == 0) EXPECT_EQ(value, 0) << i;
    else EXPECT_NEAR(value, rgba[i], 255.0 / alpha) << i;
    ++i;
  }
  EXPECT_EQ(i, 24);
  EXPECT_FALSE(cg::writePNG(*image, file("no-such-folder/x.png"), &message));
}

// A semi-transparent pixel is written with its colour divided by its alpha
// and rounded to the nearest step, as PIL reads the file back: (51, 128)
// is 101.6, so 102; (100, 200) is 127.5, so 128.
TEST_F(CoregraphicsImageCodec, WrittenPNGFilesRoundWhenTheyUndoPremultiplication) {
  const std::uint8_t premultiplied[] = {51, 100, 1, 128, 100, 2, 0, 200, 1, 2, 3, 3};
  auto image = cg::Image::fromPixels(premultiplied, sizeof premultiplied,
                                     {3, 1, 8, 32, 12, cg::ColorSpace::deviceRGB,
                                      cg::AlphaInfo::premultipliedLast, cg::ByteOrder::defaultOrder});
  ASSERT_TRUE(image);
  const std::string path = file("rounded.png");
  std::string message;
  ASSERT_TRUE(cg::writePNG(*image, path, &message)) << message;
  std::istringstream values(cgtest::run(std::string(cgtest::kPython) +
                                        " -c \"import sys; from PIL import Image; "
                                        "sys.stdout.write(' '.join(map(str, Image.open(sys.argv[1])"
                                        ".convert('RGBA').tobytes())))\" " + path));
  const int expected[] = {102, 199, 2, 128, 128, 3, 0, 200, 85, 170, 255, 3};
  int value, i = 0;
  while (values >> value && i < 12) {
    EXPECT_EQ(value, expected[i]) << "byte " << i;
    ++i;
  }
  EXPECT_EQ(i, 12);
}

// 16-bit samples become 8-bit by rounding v x 255 / 65535 to the nearest
// step, in either byte order: 0xFF00 is 254.0, 0x8080 128, 0x00FF 1.
TEST(CoregraphicsRawPixels, SixteenBitSamplesRoundToEightBits) {
  for (const cg::ByteOrder order : {cg::ByteOrder::big16, cg::ByteOrder::little16}) {
    const bool little = order == cg::ByteOrder::little16;
    std::vector<std::uint8_t> bytes;
    for (const unsigned v : {0xFF00u, 0x8080u, 0x00FFu, 0xFFFFu}) {
      const std::uint8_t high = static_cast<std::uint8_t>(v >> 8), low = static_cast<std::uint8_t>(v);
      bytes.push_back(little ? low : high);
      bytes.push_back(little ? high : low);
    }
    std::string message;
    auto image = cg::Image::fromPixels(bytes.data(), bytes.size(),
                                       {1, 1, 16, 64, 8, cg::ColorSpace::deviceRGB,
                                        cg::AlphaInfo::last, order}, &message);
    ASSERT_TRUE(image) << message;
    EXPECT_EQ(image->pixel(0, 0), (cg::Pixel{254, 128, 1, 255})) << (little ? "little" : "big");
  }
}

TEST(CoregraphicsRawPixels, EveryLayoutReadsTheSameColour) {
  // One pixel of (r, g, b, a) = (200, 100, 50, 128), not premultiplied.
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    cg::PixelFormat format;
  } cases[] = {
      {"RGBA", {200, 100, 50, 128}, {1, 1, 8, 32, 4, cg::ColorSpace::deviceRGB, cg::AlphaInfo::last}},
      {"ARGB", {128, 200, 100, 50}, {1, 1, 8, 32, 4, cg::ColorSpace::deviceRGB, cg::AlphaInfo::first}},
      {"BGRA little", {50, 100, 200, 128}, {1, 1, 8, 32, 4, cg::ColorSpace::deviceRGB,
                                           cg::AlphaInfo::first, cg::ByteOrder::little32}},
      {"ABGR little", {128, 50, 100, 200}, {1, 1, 8, 32, 4, cg::ColorSpace::deviceRGB,
                                           cg::AlphaInfo::last, cg::ByteOrder::little32}},
      {"RGBA premultiplied", {100, 50, 25, 128}, {1, 1, 8, 32, 4, cg::ColorSpace::deviceRGB,
                                                  cg::AlphaInfo::premultipliedLast}},
      {"RGBA 16 big", {200, 0, 100, 0, 50, 0, 128, 0}, {1, 1, 16, 64, 8, cg::ColorSpace::deviceRGB,
                                                        cg::AlphaInfo::last, cg::ByteOrder::big16}},
      {"RGBA 16 little", {0, 200, 0, 100, 0, 50, 0, 128}, {1, 1, 16, 64, 8, cg::ColorSpace::deviceRGB,
                                                           cg::AlphaInfo::last, cg::ByteOrder::little16}},
  };
  const cg::Pixel expected{cg::premultiply(200, 128), cg::premultiply(100, 128),
                           cg::premultiply(50, 128), 128};
  for (const Case& c : cases) {
    std::string message;
    auto image = cg::Image::fromPixels(c.bytes.data(), c.bytes.size(), c.format, &message);
    ASSERT_TRUE(image) << c.name << ": " << message;
    cg::Pixel p = image->pixel(0, 0);
    EXPECT_NEAR(p.r, expected.r, 1) << c.name;
    EXPECT_NEAR(p.g, expected.g, 1) << c.name;
    EXPECT_NEAR(p.b, expected.b, 1) << c.name;
    EXPECT_EQ(p.a, 128) << c.name;
  }
  // Opaque and grey layouts.
  const std::uint8_t rgbx[] = {10, 20, 30, 99}, rgb[] = {10, 20, 30}, grayAlpha[] = {90, 255},
                     mask[] = {77};
  EXPECT_EQ(cg::Image::fromPixels(rgbx, 4, {1, 1, 8, 32, 4, cg::ColorSpace::deviceRGB,
                                            cg::AlphaInfo::noneSkipLast})->pixel(0, 0),
            (cg::Pixel{10, 20, 30, 255}));
  EXPECT_EQ(cg::Image::fromPixels(rgb, 3, {1, 1, 8, 24, 3, cg::ColorSpace::deviceRGB,
                                           cg::AlphaInfo::none})->pixel(0, 0),
            (cg::Pixel{10, 20, 30, 255}));
  EXPECT_EQ(cg::Image::fromPixels(grayAlpha, 2, {1, 1, 8, 16, 2, cg::ColorSpace::deviceGray,
                                                 cg::AlphaInfo::last})->pixel(0, 0),
            (cg::Pixel{90, 90, 90, 255}));
  EXPECT_EQ(cg::Image::fromPixels(mask, 1, {1, 1, 8, 8, 1, cg::ColorSpace::deviceGray,
                                            cg::AlphaInfo::only})->pixel(0, 0),
            (cg::Pixel{0, 0, 0, 77}));
}

TEST(CoregraphicsRawPixels, InconsistentDescriptionsAreRefused) {
  std::vector<std::uint8_t> bytes(64 * 4);
  std::string message;
  EXPECT_FALSE(cg::Image::fromPixels(bytes.data(), 255,
                                     {8, 8, 8, 32, 32, cg::ColorSpace::deviceRGB,
                                      cg::AlphaInfo::last}, &message));
  EXPECT_EQ(message, "truncated image data");  // 8 rows of 32 bytes need 256: one short
  EXPECT_TRUE(cg::Image::fromPixels(bytes.data(), 256, {8, 8, 8, 32, 32,
                                                        cg::ColorSpace::deviceRGB,
                                                        cg::AlphaInfo::last}));
  EXPECT_FALSE(cg::Image::fromPixels(bytes.data(), bytes.size(),
                                     {8, 8, 8, 24, 32, cg::ColorSpace::deviceRGB,
                                      cg::AlphaInfo::last}, &message));
  EXPECT_EQ(message, "unsupported pixel format");
  EXPECT_FALSE(cg::Image::fromPixels(bytes.data(), bytes.size(),
                                     {8, 8, 8, 32, 16, cg::ColorSpace::deviceRGB,
                                      cg::AlphaInfo::last}, &message));
  EXPECT_EQ(message, "bytes per row too small");
  EXPECT_FALSE(cg::Image::fromPixels(bytes.data(), bytes.size(),
                                     {1u << 20, 1u << 20, 8, 32, 4u << 20,
                                      cg::ColorSpace::deviceRGB, cg::AlphaInfo::last}, &message));
  EXPECT_EQ(message, "image too large");
  EXPECT_FALSE(cg::Image::fromPixels(nullptr, 0, {1, 1, 8, 32, 4, cg::ColorSpace::deviceRGB,
                                                  cg::AlphaInfo::last}, &message));
}

}  // namespace
