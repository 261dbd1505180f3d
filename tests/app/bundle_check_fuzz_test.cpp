// Fuzzed picture indexes through the bundle check: whatever an index
// holds, the report it gives is printable (no control character reaches a
// terminal), and the only files it names in the index's folder are the
// index itself and pictures its lines name.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/bundle_check.h"
#include "skydata/sky_database.h"
#include "support/utf8.h"
#include "temp_dir.h"
#include "tests/support/fuzz.h"

namespace {

const std::vector<tessaly::test::Bytes> kSeedIndexes = {
    "4s/GammaCygni-vasey.png\tGammaCygni-vasey\t2000.0\t20 21 36.903\t40 10 57.154\t357.2\t24.1\t513\t512\n"
    "8s/M31.jpg\tM31\t2000.0\t00 42 44.3\t41 16 09\t0\t0\t512\t512\r\n",
    "p1024/Earth-Night.jpg\np4096/Earth/Earth-3.jpg\n",
    "And-andromeda.png 512 512 226 198.00 215.00 165 337.00 136.00 603 224.00 428.00\n",
};

TEST(BundleCheckIndexFuzz, AnyIndexGivesAPrintableReportNamingOnlyItsOwnFiles) {
  tessaly::test::TempDir bundle;
  const std::filesystem::path index = bundle.path() / "SkyImages/DeepSky/Index.txt";
  std::filesystem::create_directories(index.parent_path());
  const CSkyDatabase nothingLoaded("");
  tessaly::test::FuzzOptions options;
  options.iterations = tessaly::test::fuzzIterations(2000);
  options.maxSize = 1024;
  int damaged = 0, read = 0;
  tessaly::test::fuzz(kSeedIndexes, [&](std::string_view data) {
    std::ofstream(index, std::ios::binary | std::ios::trunc).write(data.data(), std::streamsize(data.size()));
    const std::vector<BundleFault> faults =
        findBundleFaults(bundle.path().string(), nothingLoaded, WorldBordersRead::whole);
    bool indexNamed = false;
    for (const BundleFault& fault : faults) {
      if (!fault.file.starts_with("SkyImages/DeepSky/")) continue;
      if (fault.file == "SkyImages/DeepSky/Index.txt") {
        indexNamed = true;
        continue;
      }
      // A picture the index lists: its first field, text, with a picture's extension.
      const std::string name = fault.file.substr(std::string("SkyImages/DeepSky/").size());
      ASSERT_EQ(printableText(name), name);
      ASSERT_NE(data.find(name), std::string_view::npos) << name;
      ASSERT_EQ(name.find_first_of(" \t"), std::string::npos) << name;
    }
    (indexNamed ? damaged : read)++;
    const std::string report = bundleFaultReport(bundle.path().string(), faults);
    for (const char c : report)
      ASSERT_TRUE(c == '\n' || (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F)) << int(c);
    ASSERT_TRUE(isValidUtf8(report));
  }, options);
  std::printf("indexes named as damaged %d, read %d\n", damaged, read);
  // Most mutations break a line; enough leave every line an entry.
  EXPECT_GT(damaged, options.iterations / 2);
  EXPECT_GT(read, options.iterations / 100);
}

}  // namespace
