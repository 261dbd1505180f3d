// Mutated PNG and JPEG files through both decoders: never a crash, an
// over-read or a huge allocation, and whatever decodes is a usable image.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <zlib.h>

#include "oracle.h"
#include "platform/coregraphics/image_codec.h"
#include "temp_dir.h"
#include "tests/support/fuzz.h"

namespace {

using tessaly::test::readFile;

// TESSALY_FUZZ_ITERATIONS raises the count for a long run by hand.
int iterations(int suite) {
  const char* value = std::getenv("TESSALY_FUZZ_ITERATIONS");
  return value && std::atoi(value) > 0 ? std::atoi(value) : suite;
}

// Mutations almost always break a PNG chunk's CRC, and libpng then stops
// before its decompression and filters. Every other input has its CRCs
// made right again, so that the mutations reach those too.
void fixPngChecksums(std::vector<char>& bytes) {
  std::size_t at = 8;
  while (at + 12 <= bytes.size()) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
    std::size_t length = (std::size_t{p[0]} << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
    if (length > bytes.size() - at - 12) return;
    uLong crc = crc32(0, p + 4, static_cast<uInt>(length + 4));
    auto* out = reinterpret_cast<unsigned char*>(bytes.data() + at + 8 + length);
    out[0] = static_cast<unsigned char>(crc >> 24), out[1] = static_cast<unsigned char>(crc >> 16);
    out[2] = static_cast<unsigned char>(crc >> 8), out[3] = static_cast<unsigned char>(crc);
    at += length + 12;
  }
}

// At least 1 input in `decodedShare` must still decode. A
// PNG survives few mutations (chunk types, lengths, zlib's checksum and
// the filters all refuse damage), so its share is small.
void fuzzDecoder(const std::vector<std::string>& names, const char* label, int decodedShare) {
  tessaly::test::TempDir folder;
  int status = 0;
  std::string out = cgtest::run(std::string(cgtest::kPython) + " " + cgtest::scriptFolder() +
                                    "/make_test_images.py " + folder.path().string() + " 2>&1",
                                &status);
  ASSERT_EQ(status, 0) << out;
  std::vector<tessaly::test::Bytes> seeds;
  for (const std::string& name : names) {
    seeds.push_back(readFile(folder.file(name)));
    ASSERT_FALSE(seeds.back().empty()) << name;
  }
  tessaly::test::FuzzOptions options;
  options.iterations = iterations(6000);
  options.maxSize = 1 << 14;
  int decoded = 0, refused = 0, count = 0;
  tessaly::test::fuzz(seeds, [&](std::string_view data) {
    // An exact-size copy, so that the sanitizers see any over-read.
    std::vector<char> bytes(data.begin(), data.end());
    if (++count % 2 == 0 && bytes.size() > 8 && bytes[1] == 'P') fixPngChecksums(bytes);
    std::string message;
    auto image = cg::decodeImage(std::string_view(bytes.data(), bytes.size()), &message);
    if (!image) {
      ASSERT_FALSE(message.empty());
      ++refused;
      return;
    }
    ++decoded;
    ASSERT_TRUE(cg::imageSizeAllowed(image->width(), image->height()));
    // Every pixel is premultiplied and readable.
    const cg::Pixel last = image->pixel(image->width() - 1, image->height() - 1);
    ASSERT_LE(std::max({last.r, last.g, last.b}), last.a);
  }, options);
  std::printf("%s: decoded %d, refused %d\n", label, decoded, refused);
  // The shares hold for the suite's fixed sample; a long run by hand drifts
  // far from the seeds (the corpus keeps mutants) and only has to survive.
  if (options.iterations == iterations(6000) && !std::getenv("TESSALY_FUZZ_ITERATIONS")) {
    EXPECT_GT(decoded, options.iterations / decodedShare);
    EXPECT_GT(refused, options.iterations / 30);
  }
}

TEST(CoregraphicsImageFuzz, MutatedPNGFilesDecodeOrAreRefused) {
  fuzzDecoder({"png-type3-4bit-interlaced.png", "png-type6-16bit.png", "png-type0-2bit-trns.png",
               "png-type2-8bit-interlaced.png", "pil-palette.png"},
              "PNG", 1000);
}

TEST(CoregraphicsImageFuzz, MutatedJPEGFilesDecodeOrAreRefused) {
  fuzzDecoder({"jpeg-baseline.jpg", "jpeg-progressive.jpg", "jpeg-grey.jpg", "jpeg-cmyk.jpg"},
              "JPEG", 30);
}

}  // namespace
