// Tables the engine builds on first use, first used by eight threads at
// once, as the engine's searches do. Run under ThreadSanitizer (the test
// command's threaded list), a table filled behind a plain flag is a
// reported race; in every build each thread must see the finished table.
// Its own executable, so that nothing else in the process calls first.
#include <gtest/gtest.h>

#include <array>
#include <barrier>
#include <cstring>
#include <thread>
#include <vector>

#include "engine/body_dispatch.h"
#include "engine/body_table.h"

namespace {

constexpr int kThreads = 8;
constexpr double kJd = 2460000.5;

// What one thread sees: every identifier's row and, for the moons, the
// element frame and elements.
struct Sight {
  std::array<int, kMaxBodyIdentifier + 2> rows{};
  std::vector<double> frames;
  std::vector<double> elements;
  int found = 0;
};

Sight look() {
  Sight s;
  // The first calls: the frame of a table moon (builds the frame cache,
  // which itself looks up rows) and a row lookup (builds the index).
  for (int id = kMaxBodyIdentifier; id >= -1; --id) {
    double m[9];
    if (moonFrameByBodyId(id, m, kJd)) s.frames.insert(s.frames.end(), m, m + 9);
    s.rows[id + 1] = bodyRowIndex(id);
    if (s.rows[id + 1] >= 0) ++s.found;
    double e[7];
    if (moonOrbitByBodyId(id, &e[0], &e[1], &e[2], &e[3], &e[4], &e[5], &e[6], kJd))
      s.elements.insert(s.elements.end(), e, e + 7);
  }
  return s;
}

TEST(FirstUseTables, EightThreadsMakingTheFirstCallSeeTheFinishedTables) {
  std::vector<Sight> seen(kThreads);
  std::barrier start(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      start.arrive_and_wait();
      seen[t] = look();
    });
  }
  for (auto& thread : threads) thread.join();

  const Sight after = look();
  EXPECT_EQ(after.found, kBodyTableRows);
  EXPECT_GT(after.frames.size(), 9u * 40);
  for (int r = 0; r < kBodyTableRows; ++r) {
    EXPECT_EQ(after.rows[kBodyTable[r].identifier + 1], r);
  }
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(seen[t].rows, after.rows) << "thread " << t;
    ASSERT_EQ(seen[t].frames.size(), after.frames.size()) << "thread " << t;
    EXPECT_EQ(0, std::memcmp(seen[t].frames.data(), after.frames.data(),
                             after.frames.size() * sizeof(double)))
        << "thread " << t;
    ASSERT_EQ(seen[t].elements.size(), after.elements.size()) << "thread " << t;
    EXPECT_EQ(0, std::memcmp(seen[t].elements.data(), after.elements.data(),
                             after.elements.size() * sizeof(double)))
        << "thread " << t;
  }
}

}  // namespace
