// Serial queues: order, one block at a time, suspension and resumption,
// under ThreadSanitizer too.
#include "platform/foundation/serial_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

TEST(SerialQueue, BlocksRunOneAtATimeInTheOrderAdded) {
  ns::SerialQueue queue("captureQueue");
  std::vector<int> order;
  std::atomic<int> running{0}, overlapped{0};
  std::vector<std::thread> producers;
  for (int p = 0; p < 4; ++p)
    producers.emplace_back([&, p] {
      for (int i = 0; i < 200; ++i)
        queue.async([&, p, i] {
          if (running.fetch_add(1) != 0) ++overlapped;
          order.push_back(p * 1000 + i);
          running.fetch_sub(1);
        });
    });
  for (auto& t : producers) t.join();
  queue.sync([] {});
  EXPECT_EQ(order.size(), 800u);
  EXPECT_EQ(overlapped.load(), 0);
  // Each producer's blocks keep their order.
  for (int p = 0; p < 4; ++p) {
    int last = -1;
    for (int v : order)
      if (v / 1000 == p) {
        EXPECT_GT(v % 1000, last);
        last = v % 1000;
      }
  }
  EXPECT_EQ(queue.label(), "captureQueue");
}

TEST(SerialQueue, ASuspendedQueueStartsNothingUntilEverySuspensionIsResumed) {
  ns::SerialQueue queue("session queue");
  std::atomic<int> ran{0};
  queue.suspend();
  queue.suspend();
  for (int i = 0; i < 5; ++i) queue.async([&] { ++ran; });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(ran.load(), 0);
  EXPECT_EQ(queue.pendingCount(), 5u);
  queue.resume();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(ran.load(), 0);
  EXPECT_TRUE(queue.isSuspended());
  queue.resume();
  queue.sync([&] { EXPECT_TRUE(queue.isCurrent()); });
  EXPECT_EQ(ran.load(), 5);
  EXPECT_FALSE(queue.isCurrent());
  queue.resume();  // more resumes than suspensions are ignored
  EXPECT_FALSE(queue.isSuspended());
}

TEST(SerialQueue, DestroyingASuspendedQueueDropsItsBlocks) {
  std::atomic<int> ran{0};
  {
    ns::SerialQueue queue("dropped");
    queue.suspend();
    queue.async([&] { ++ran; });
  }
  EXPECT_EQ(ran.load(), 0);
  {
    ns::SerialQueue queue("drained");
    for (int i = 0; i < 10; ++i) queue.async([&] { ++ran; });
  }
  EXPECT_EQ(ran.load(), 10);
}

}  // namespace
