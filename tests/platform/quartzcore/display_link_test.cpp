#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

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
  std::lock_guard lock(mutex);
  const int after = calls;
  EXPECT_GE(after, 3);
}

}  // namespace
}  // namespace ca
