// Decoding on several threads at once, as the planet-texture loader does
// beside the drawing thread: each JPEG decode keeps its own jump target,
// so damaged files failing on one thread leave the others' decodes whole.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "chart/image_files.h"
#include "tests/chart/image_corpus.h"
#include "tests/support/requirements.h"

namespace {

std::string decodeToRGBA(const std::string& bytes) {
  std::string copy = bytes;
  std::FILE* file = fmemopen(copy.data(), copy.size(), "rb");
  if (file == nullptr) return "open failed";
  GImage* image = readImageFile(file);
  std::fclose(file);
  if (image == nullptr) return "null";
  std::string rgba(std::size_t{image->width} * image->height * 4, '\0');
  convertImageToRGBA(image, reinterpret_cast<unsigned char*>(rgba.data()));
  freeImage(image);
  return rgba;
}

TEST(ChartImageFilesThreads, DamagedAndWholeFilesDecodeAtOnceOnEightThreads) {
  const image_corpus::Corpus corpus;
  if (corpus.entries().empty()) TESSALY_SKIP_OR_FAIL("the image corpus needs python3-pil");
  // Whole and cut JPEGs (the cut ones fail through the error hook's jump),
  // with a few other formats between them.
  std::vector<std::string> inputs, expected;
  for (const auto& entry : corpus.entries()) {
    if (!entry.acceptable) continue;
    const bool jpeg = entry.name.ends_with(".jpg") && entry.name.starts_with("photo");
    if (!jpeg && entry.name != "rgb16_7.png" && entry.name != "pal4_be.tif") continue;
    const std::string bytes = tessaly::test::readFile(entry.file);
    inputs.push_back(bytes);
    expected.push_back(entry.expected);
    if (jpeg) {
      inputs.push_back(bytes.substr(0, bytes.size() / 2));
      expected.push_back("null");
    }
  }
  ASSERT_GE(inputs.size(), 8u);
  std::vector<int> wrong(8, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 12; ++round) {
        for (std::size_t i = 0; i < inputs.size(); ++i) {
          const std::size_t k = (i + static_cast<std::size_t>(t)) % inputs.size();
          if (decodeToRGBA(inputs[k]) != expected[k]) ++wrong[static_cast<std::size_t>(t)];
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(wrong, std::vector<int>(8, 0));
}

}  // namespace
