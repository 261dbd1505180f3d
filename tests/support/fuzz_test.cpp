#include "fuzz.h"

#include <gtest/gtest.h>

#include <set>

using tessaly::test::Bytes;

TEST(Fuzz, SameSeedGivesSameInputs) {
  auto collect = [](std::uint64_t seed) {
    std::vector<Bytes> seen;
    tessaly::test::fuzz({"hello world"}, [&](std::string_view s) { seen.emplace_back(s); },
                        {.seed = seed, .iterations = 200});
    return seen;
  };
  EXPECT_EQ(collect(1), collect(1));
  EXPECT_NE(collect(1), collect(2));
}

TEST(Fuzz, ReachesVariedSizesWithinTheCap) {
  std::set<std::size_t> sizes;
  tessaly::test::fuzz({Bytes(100, 'a')},
                      [&](std::string_view s) {
                        ASSERT_LE(s.size(), 128u);
                        sizes.insert(s.size());
                      },
                      {.iterations = 2000, .maxSize = 128});
  EXPECT_TRUE(sizes.count(0));     // truncation reaches the empty input
  EXPECT_TRUE(sizes.count(128));   // growth is cut at the cap
  EXPECT_GT(sizes.size(), 50u);
}
