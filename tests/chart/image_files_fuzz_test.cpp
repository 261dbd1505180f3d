// readImageFile fed mutated files of each format: it returns an image of
// the size it claims, or null, and never reads outside its buffers (the
// sanitizer build checks that).
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "chart/image_files.h"
#include "tests/chart/image_corpus.h"
#include "tests/support/fuzz.h"
#include "tests/support/requirements.h"

namespace {

// TESSALY_FUZZ_ITERATIONS raises the count for a long run by hand.
int iterations(int suite) {
  const char* value = std::getenv("TESSALY_FUZZ_ITERATIONS");
  return value && std::atoi(value) > 0 ? std::atoi(value) : suite;
}

// Mutations nearly always break a PNG chunk's CRC, and libpng then stops
// before decompressing: every other input has its CRCs made right again.
void fixPngChecksums(std::string& bytes) {
  std::size_t at = 8;
  while (at + 12 <= bytes.size()) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
    const std::size_t length = (std::size_t{p[0]} << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
    if (length > bytes.size() - at - 12) return;
    const uLong crc = crc32(0, p + 4, static_cast<uInt>(length + 4));
    for (int k = 0; k < 4; ++k) bytes[at + 8 + length + k] = static_cast<char>(crc >> (24 - 8 * k));
    at += length + 12;
  }
}

void fuzzFormat(const std::string& extension, int suiteIterations) {
  static const image_corpus::Corpus seedsCorpus(true);
  if (seedsCorpus.entries().empty()) {
    TESSALY_SKIP_OR_FAIL("the seed files need /usr/bin/python3 with python3-pil");
  }
  std::vector<tessaly::test::Bytes> seeds;
  for (const auto& entry : seedsCorpus.entries()) {
    if (entry.acceptable && entry.name.ends_with(extension))
      seeds.push_back(tessaly::test::readFile(entry.file));
  }
  ASSERT_GE(seeds.size(), 2u);
  tessaly::test::FuzzOptions options;
  options.iterations = iterations(suiteIterations);
  options.maxSize = 1 << 14;
  int decoded = 0, refused = 0, count = 0;
  tessaly::test::fuzz(
      seeds,
      [&](std::string_view data) {
        std::string bytes(data);
        if (extension == ".png" && (count++ % 2) == 1) fixPngChecksums(bytes);
        std::FILE* file = fmemopen(bytes.empty() ? nullptr : bytes.data(), bytes.size(), "rb");
        if (file == nullptr) return;
        GImage* image = readImageFile(file);
        std::fclose(file);
        if (image == nullptr) {
          ++refused;
          return;
        }
        ++decoded;
        ASSERT_GT(image->width, 0u);
        ASSERT_GT(image->height, 0u);
        ASSERT_LE(std::uint64_t{image->rowBytes} * image->height, kImageMaxBytes);
        // Every pixel is there to be read.
        std::vector<unsigned char> rgba(std::size_t{image->width} * image->height * 4);
        ASSERT_TRUE(convertImageToRGBA(image, rgba.data()));
        freeImage(image);
      },
      options);
  std::printf("%s: decoded %d, refused %d\n", extension.c_str(), decoded, refused);
  if (!std::getenv("TESSALY_FUZZ_ITERATIONS")) {
    EXPECT_GT(decoded, options.iterations / 200);
    EXPECT_GT(refused, options.iterations / 20);
  }
}

TEST(ChartImageFilesFuzz, MutatedPNGFilesDecodeOrAreRefused) { fuzzFormat(".png", 1500); }
TEST(ChartImageFilesFuzz, MutatedJPEGFilesDecodeOrAreRefused) { fuzzFormat(".jpg", 2000); }
TEST(ChartImageFilesFuzz, MutatedTIFFFilesDecodeOrAreRefused) { fuzzFormat(".tif", 4000); }
TEST(ChartImageFilesFuzz, MutatedGIFFilesDecodeOrAreRefused) { fuzzFormat(".gif", 4000); }
TEST(ChartImageFilesFuzz, MutatedBMPFilesDecodeOrAreRefused) { fuzzFormat(".bmp", 4000); }

}  // namespace
