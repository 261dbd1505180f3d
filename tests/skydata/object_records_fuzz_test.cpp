// Fuzzed catalogue records through the factory and every record reader.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "skydata/object_factory.h"
#include "skydata/sky_object.h"
#include "star_records.h"
#include "tests/support/fuzz.h"

namespace {

TEST(ObjectRecords, FuzzedRecordsAreReadWithinBoundsAndRewrittenFaithfully) {
  std::vector<tessaly::test::Bytes> seeds;
  for (bool other : {false, true}) {
    for (int code : {1, 2, 3, 4, 5, 6, 7, 9, 11, 16, 29}) {
      const auto record = star_records::sampleRecord(code, other);
      seeds.emplace_back(record.begin(), record.end());
    }
  }
  tessaly::test::FuzzOptions options;
  options.iterations = 30000;
  int readWhole = 0, rejected = 0;
  tessaly::test::fuzz(seeds, [&](std::string_view data) {
    if (data.empty()) return;
    for (bool other : {false, true}) {
      // An exact-size copy, so that the sanitizers see any over-read.
      const std::vector<unsigned char> record(data.begin(), data.end());
      std::unique_ptr<CSkyObject> object(createSkyObject(record[0]));
      if (!object) continue;
      const std::int64_t length = static_cast<std::int64_t>(record.size());
      const std::int64_t consumed = object->readRecord(record.data(), length, other);
      ASSERT_TRUE(consumed == -1 || (consumed > 0 && consumed <= length));
      if (consumed < 0) {
        ++rejected;
        continue;
      }
      ++readWhole;
      // Whatever was read is written and read again the same way.
      std::vector<unsigned char> rewritten(static_cast<std::size_t>(consumed));
      const std::int64_t size = object->writeRecord(rewritten.data(), consumed, other);
      ASSERT_GT(size, 0);
      std::unique_ptr<CSkyObject> again(createSkyObject(record[0]));
      ASSERT_EQ(again->readRecord(rewritten.data(), size, other), size);
      (void)again->getNameString();
    }
  }, options);
  // Both outcomes must be common, or the mutations miss the readers.
  std::printf("records read %d, rejected %d\n", readWhole, rejected);
  EXPECT_GT(readWhole, 1000);
  EXPECT_GT(rejected, 1000);
}

}  // namespace
