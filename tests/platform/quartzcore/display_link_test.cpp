#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/quartzcore/display_link.h"

namespace ca {
namespace {

TEST(DisplayLink, StepsWhileRunningAndNotPaused) {
  int calls = 0;
  DisplayLink link([&](DisplayLink& l) {
    ++calls;
    EXPECT_DOUBLE_EQ(l.timestamp(), 2.0);
  });
  link.setPreferredFramesPerSecond(30);
  EXPECT_DOUBLE_EQ(link.duration(), 1.0 / 30);
  link.step(2.0);
  EXPECT_DOUBLE_EQ(link.targetTimestamp(), 2.0 + 1.0 / 30);
  link.setPaused(true);
  link.step(2.0);
  link.setPaused(false);
  link.invalidate();
  link.step(2.0);
  EXPECT_EQ(calls, 1);
}

TEST(DisplayLink, ThreadCallsBackUntilInvalidated) {
  std::mutex mutex;
  std::condition_variable ticked;
  int calls = 0;
  DisplayLink link([&](DisplayLink&) {
    std::lock_guard lock(mutex);
    ++calls;
    ticked.notify_all();
  });
  link.start();
  {
    std::unique_lock lock(mutex);
    ticked.wait(lock, [&] { return calls >= 3; });
  }
  link.invalidate();
  int after;
  {
    std::lock_guard lock(mutex);
    after = calls;
  }
  EXPECT_GE(after, 3);
  // Nothing more, however long one waits: six refresh intervals here.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  std::lock_guard lock(mutex);
  EXPECT_EQ(calls, after);
}

// Invalidated from inside its own callback (the usual way a screen stops its
// link), the link returns from that callback and never calls again.
TEST(DisplayLink, InvalidatedFromItsCallbackStopsAfterThatCall) {
  std::atomic<int> calls{0};
  std::atomic<bool> stopped{false};
  DisplayLink link([&](DisplayLink& l) {
    if (++calls == 2) {
      l.invalidate();
      stopped = true;
    }
  });
  link.start();
  while (!stopped) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(calls, 2);
  link.step(5.0);  // a host's step after invalidation does nothing either
  EXPECT_EQ(calls, 2);
}

// Paused, the thread waits without calling back, and goes on when resumed.
TEST(DisplayLink, PausedThreadWaitsUntilResumed) {
  std::atomic<int> calls{0};
  DisplayLink link([&](DisplayLink&) { ++calls; });
  link.start();
  while (calls < 2) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  link.setPaused(true);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));  // a call under way ends
  const int paused = calls;
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(calls, paused);
  link.setPaused(false);
  while (calls < paused + 2) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  link.invalidate();
}

}  // namespace
}  // namespace ca
