// Image decoding against Pillow's decodes of the same files (every PNG
// colour type and depth, interlaced, with transparency, widths 1 to 9; TIFF
// in both byte orders, 1 to 16 bits, palettes, min-is-white, tiles, planes;
// GIF; JPEG; BMP of 1 to 32 bits), damaged files, and the image operations.
#include "chart/image_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tests/chart/image_corpus.h"
#include "tests/support/requirements.h"

namespace {

struct ImageDeleter {
  void operator()(GImage* image) const { freeImage(image); }
};
using ImagePtr = std::unique_ptr<GImage, ImageDeleter>;

ImagePtr readPath(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return nullptr;
  ImagePtr image(readImageFile(file));
  std::fclose(file);
  return image;
}

ImagePtr readBytes(const std::string& bytes) {
  std::string copy = bytes;
  std::FILE* file = fmemopen(copy.data(), copy.size(), "rb");
  if (file == nullptr) return nullptr;
  ImagePtr image(readImageFile(file));
  std::fclose(file);
  return image;
}

std::string rgbaOf(const GImage* image) {
  std::string out(std::size_t{getImageWidth(image)} * getImageHeight(image) * 4, '\0');
  if (!convertImageToRGBA(image, reinterpret_cast<unsigned char*>(out.data()))) return {};
  return out;
}

const image_corpus::Corpus& corpus() {
  static const image_corpus::Corpus instance;
  return instance;
}

#define REQUIRE_CORPUS()                                                              \
  if (corpus().entries().empty()) {                                                   \
    TESSALY_SKIP_OR_FAIL("the image corpus needs /usr/bin/python3 with python3-pil"); \
  }

TEST(ChartImageFiles, EveryLayoutDecodesAsPillowDoes) {
  REQUIRE_CORPUS();
  int compared = 0, refused = 0;
  for (const auto& entry : corpus().entries()) {
    SCOPED_TRACE(entry.name);
    ImagePtr image = readPath(entry.file);
    if (!entry.acceptable) {
      EXPECT_EQ(image, nullptr);
      ++refused;
      continue;
    }
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(getImageWidth(image.get()), entry.width);
    EXPECT_EQ(getImageHeight(image.get()), entry.height);
    // Palettes come out expanded: a one-component image is plain grey.
    if (getImageComponents(image.get()) == 1) {
      for (std::uint32_t i = 0; i < 256; ++i) ASSERT_EQ(image->palette[i], i * 0x010101u);
    }
    const std::string rgba = rgbaOf(image.get());
    ASSERT_EQ(rgba.size(), entry.expected.size());
    if (rgba != entry.expected) {
      std::size_t at = 0;
      while (rgba[at] == entry.expected[at]) ++at;
      ADD_FAILURE() << "first difference at pixel " << at / 4 << " channel " << at % 4 << ": "
                    << int(static_cast<unsigned char>(rgba[at])) << " against Pillow's "
                    << int(static_cast<unsigned char>(entry.expected[at]));
    }
    ++compared;
  }
  EXPECT_GT(compared, 400);
  EXPECT_GE(refused, 2);
}

TEST(ChartImageFiles, DamagedFilesGiveNullWithoutAWord) {
  REQUIRE_CORPUS();
  int tried = 0;
  testing::internal::CaptureStderr();
  testing::internal::CaptureStdout();
  for (const auto& entry : corpus().entries()) {
    if (!entry.acceptable) continue;
    const std::string bytes = tessaly::test::readFile(entry.file);
    // Cut at three fifths: the pixels (or, in TIFF files, the directory
    // written last) are missing.
    EXPECT_EQ(readBytes(bytes.substr(0, bytes.size() * 3 / 5)), nullptr) << entry.name;
    // A header byte changed may or may not be fatal, but it never crashes
    // and an image that comes back has the size it claims.
    for (std::size_t at : {std::size_t{1}, std::size_t{12}, std::size_t{20}, bytes.size() / 2}) {
      std::string damaged = bytes;
      if (at >= damaged.size()) continue;
      damaged[at] = static_cast<char>(damaged[at] ^ 0x5A);
      if (ImagePtr image = readBytes(damaged)) {
        EXPECT_EQ(rgbaOf(image.get()).size(),
                  std::size_t{getImageWidth(image.get())} * getImageHeight(image.get()) * 4);
      }
    }
    ++tried;
  }
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_GT(tried, 400);
}

TEST(ChartImageFiles, ReadersStartAtTheFilePositionAndAcceptOnlyTheirFormat) {
  REQUIRE_CORPUS();
  std::string png, bmp;
  for (const auto& entry : corpus().entries()) {
    if (entry.name == "rgb8_5.png") png = tessaly::test::readFile(entry.file);
    if (entry.name == "rgb24_5.bmp") bmp = tessaly::test::readFile(entry.file);
  }
  ASSERT_FALSE(png.empty());
  ASSERT_FALSE(bmp.empty());
  // An image inside a larger file, after a prefix.
  for (const std::string& body : {png, bmp}) {
    std::string bytes = "prefix--" + body;
    std::FILE* file = fmemopen(bytes.data(), bytes.size(), "rb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fseek(file, 8, SEEK_SET), 0);
    ImagePtr image(readImageFile(file));
    std::fclose(file);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(rgbaOf(image.get()), rgbaOf(readBytes(body).get()));
  }
  std::FILE* file = fmemopen(png.data(), png.size(), "rb");
  for (auto reader : {readJPEGImage, readTIFFImage, readGIFImage, readBMPImage}) {
    std::rewind(file);
    EXPECT_EQ(ImagePtr(reader(file)), nullptr);
  }
  std::fclose(file);
  EXPECT_EQ(readImageFile(nullptr), nullptr);
}

TEST(ChartImageFiles, ImagesAreCappedAndRowsBounded) {
  EXPECT_EQ(createImage(4, 4, 12, 1), nullptr);
  EXPECT_EQ(createImage(4, 4, 8, 0), nullptr);
  EXPECT_EQ(createImage(4, 4, 8, 5), nullptr);
  EXPECT_EQ(createImage(kImageMaxSide + 1, 1, 8, 1), nullptr);
  EXPECT_EQ(createImage(kImageMaxSide, kImageMaxSide, 8, 4), nullptr);  // 4 GiB
  ImagePtr image(createImage(3, 2, 16, 3));
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(getImageRowBytes(image.get()), 18u);
  EXPECT_EQ(image->palette[200], 200u * 0x010101u);
  EXPECT_EQ(getImageRow(image.get(), -1), nullptr);
  EXPECT_EQ(getImageRow(image.get(), 2), nullptr);
  EXPECT_EQ(getImageRow(image.get(), 1), image->pixels + 18);
  EXPECT_EQ(getImageRow(nullptr, 0), nullptr);
  EXPECT_EQ(getImageWidth(nullptr) + getImageHeight(nullptr) + getImageRowBytes(nullptr) +
                getImageBitsPerComponent(nullptr),
            0u);
  freeImage(nullptr);
}

TEST(ChartImageFiles, ScalingSamplesTheNearestSourcePixelAndFlippingReversesRows) {
  ImagePtr source(createImage(4, 4, 8, 1));
  for (int i = 0; i < 16; ++i) source->pixels[i] = static_cast<unsigned char>(i);
  source->palette[5] = 0x123456;
  GImage* half = scaleImage(source.get(), 2, 2, false);
  ASSERT_NE(half, nullptr);
  // Source pixels (0,0), (2,0), (0,2), (2,2).
  EXPECT_EQ(std::vector<int>(half->pixels, half->pixels + 4), (std::vector<int>{0, 2, 8, 10}));
  EXPECT_EQ(half->palette[5], 0x123456u);
  freeImage(half);
  ImagePtr wide(scaleImage(source.get(), 7, 3, false));
  EXPECT_EQ(wide->pixels[6], 3);      // x 6 -> 6 * 4 / 7 = 3
  EXPECT_EQ(wide->pixels[2 * 7], 8);  // y 2 -> 2 * 4 / 3 = 2
  // A size that cannot be made: the source comes back, or null.
  EXPECT_EQ(scaleImage(source.get(), kImageMaxSide + 1, 1, false), nullptr);
  GImage* kept = source.release();
  EXPECT_EQ(scaleImage(kept, kImageMaxSide + 1, 1, true), kept);
  flipImageRows(kept);
  EXPECT_EQ(kept->pixels[0], 12);
  EXPECT_EQ(kept->pixels[15], 3);
  EXPECT_EQ(kept->pixels[4], 8);
  freeImage(kept);
}

TEST(ChartImageFiles, UploadFormGoesThroughThePaletteAndKeepsHighBytes) {
  ImagePtr indexed(createImage(2, 1, 8, 1));
  indexed->pixels[0] = 1;
  indexed->pixels[1] = 2;
  indexed->palette[1] = 0x0000FF;  // red
  indexed->palette[2] = 0x00FF00;  // green
  EXPECT_EQ(rgbaOf(indexed.get()), std::string("\xFF\0\0\xFF\0\xFF\0\xFF", 8));
  ImagePtr wide(createImage(1, 1, 16, 3));
  const std::uint16_t samples[3] = {0x12FF, 0xAB00, 0xFFFF};
  std::memcpy(wide->pixels, samples, sizeof samples);
  EXPECT_EQ(rgbaOf(wide.get()), std::string("\x12\xAB\xFF\xFF", 4));
  EXPECT_FALSE(convertImageToRGBA(nullptr, nullptr));
  EXPECT_EQ(GImageToGLTexture(nullptr), 0u);
}

}  // namespace
