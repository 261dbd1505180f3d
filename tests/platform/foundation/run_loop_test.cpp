#include "platform/foundation/run_loop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace {

struct VirtualLoop {
  std::shared_ptr<ns::ManualClock> clock = std::make_shared<ns::ManualClock>(100.0);
  ns::RunLoop loop{clock};
  double elapsed() const { return clock->now() - 100.0; }
};

TEST(RunLoopVirtualClock, TimersAndPerformsFireInTimeOrder) {
  VirtualLoop v;
  std::vector<std::pair<std::string, double>> fired;
  auto log = [&](std::string what) { fired.emplace_back(std::move(what), v.elapsed()); };
  int target = 0;
  auto repeating = v.loop.scheduleTimer(0.1, true, [&](ns::Timer&) { log("tick"); });
  v.loop.scheduleTimer(0.25, false, [&](ns::Timer&) { log("once"); });
  v.loop.performAfterDelay(&target, "late", 0.25, [&] { log("late"); });
  v.loop.performAfterDelay(&target, "early", 0.15, [&] { log("early"); });
  v.loop.runFor(0.3);
  repeating->invalidate();

  std::vector<std::pair<std::string, double>> expected = {
      {"tick", 0.1}, {"early", 0.15}, {"tick", 0.2}, {"once", 0.25}, {"late", 0.25}, {"tick", 0.3}};
  ASSERT_EQ(fired.size(), expected.size());
  for (std::size_t i = 0; i < fired.size(); ++i) {
    EXPECT_EQ(fired[i].first, expected[i].first) << i;
    EXPECT_NEAR(fired[i].second, expected[i].second, 1e-9) << i;
  }
  EXPECT_NEAR(v.elapsed(), 0.3, 1e-9);
  EXPECT_EQ(v.loop.pendingCount(), 0u);
}

// The date a manual clock shows moves with its timers: a pinned wall time
// plus the virtual seconds the loop ran, not the machine's time.
TEST(RunLoopVirtualClock, WallTimeMovesWithTheVirtualClock) {
  VirtualLoop v;
  const double system = ns::SystemClock().wallTime();
  EXPECT_NEAR(v.loop.wallTime(), system, 5.0);
  v.clock->setWallTime(1.0e9);
  v.loop.scheduleTimer(3600.0, false, [](ns::Timer&) {});
  v.loop.runFor(7200.0);
  EXPECT_DOUBLE_EQ(v.loop.wallTime(), 1.0e9 + 7200.0);
  EXPECT_DOUBLE_EQ(v.clock->now(), 7300.0);
}

// A late pass finds many timers due at once: they fire in one pass, earliest
// first (equal times in the order they were scheduled), whatever order they
// were scheduled in; a repeating one fires once however many times it was due.
TEST(RunLoopVirtualClock, TimersDueTogetherInOnePassFireEarliestFirst) {
  VirtualLoop v;
  std::vector<std::string> fired;
  int target = 0;
  v.loop.scheduleTimer(0.3, false, [&](ns::Timer&) { fired.push_back("0.3"); });
  v.loop.scheduleTimer(0.1, false, [&](ns::Timer&) { fired.push_back("0.1"); });
  auto repeating = v.loop.scheduleTimer(0.4, true, [&](ns::Timer&) { fired.push_back("every 0.4"); });
  v.loop.scheduleTimer(0.2, false, [&](ns::Timer&) { fired.push_back("0.2 a"); });
  v.loop.performAfterDelay(&target, "p", 0.25, [&] { fired.push_back("0.25"); });
  v.loop.scheduleTimer(0.2, false, [&](ns::Timer&) { fired.push_back("0.2 b"); });
  v.loop.performAfterDelay(&target, "q", 0.05, [&] { fired.push_back("0.05"); });
  v.loop.scheduleTimer(1.5, false, [&](ns::Timer&) { fired.push_back("1.5"); });
  v.clock->advance(1.0);
  EXPECT_EQ(v.loop.runOnce(), 7);
  EXPECT_EQ(fired, (std::vector<std::string>{"0.05", "0.1", "0.2 a", "0.2 b", "0.25", "0.3",
                                             "every 0.4"}));
  EXPECT_EQ(v.loop.pendingCount(), 2u);  // the repeating timer and the one at 1.5
  repeating->invalidate();
}

TEST(RunLoopVirtualClock, ZeroIntervalTimerRunsOncePerPass) {
  VirtualLoop v;
  int count = 0;
  auto timer = v.loop.scheduleTimer(0.0, true, [&](ns::Timer&) { ++count; });
  EXPECT_DOUBLE_EQ(timer->timeInterval(), ns::RunLoop::kMinimumInterval);
  v.clock->advance(1.0);
  v.loop.runOnce();
  EXPECT_EQ(count, 1);  // missed firings are not made up
  v.loop.runFor(0.001);
  EXPECT_NEAR(count, 11, 1);
  timer->invalidate();
  v.loop.runFor(1.0);
  EXPECT_NEAR(count, 11, 1);
}

TEST(RunLoopVirtualClock, RepeatingTimerKeepsItsPhaseAfterALatePass) {
  VirtualLoop v;
  std::vector<double> at;
  auto timer = v.loop.scheduleTimer(0.5, true, [&](ns::Timer&) { at.push_back(v.elapsed()); });
  v.clock->advance(1.2);
  v.loop.runOnce();
  v.loop.runFor(0.8);  // to 2.0
  timer->invalidate();
  ASSERT_EQ(at.size(), 3u);
  EXPECT_NEAR(at[0], 1.2, 1e-9);
  EXPECT_NEAR(at[1], 1.5, 1e-9);
  EXPECT_NEAR(at[2], 2.0, 1e-9);
}

TEST(RunLoopVirtualClock, TimerInvalidatedInItsOwnBlockStops) {
  VirtualLoop v;
  int count = 0;
  v.loop.scheduleTimer(0.01, true, [&](ns::Timer& t) {
    if (++count == 3) t.invalidate();
  });
  v.loop.runFor(1.0);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(v.loop.pendingCount(), 0u);
}

TEST(RunLoopVirtualClock, CancelByTargetAndSelector) {
  VirtualLoop v;
  int a = 0, b = 0;
  std::vector<std::string> ran;
  v.loop.performAfterDelay(&a, "hide", 4.0, [&] { ran.push_back("a.hide"); });
  v.loop.performAfterDelay(&a, "hide", 4.0, [&] { ran.push_back("a.hide2"); });
  v.loop.performAfterDelay(&a, "show", 1.0, [&] { ran.push_back("a.show"); });
  v.loop.performAfterDelay(&b, "hide", 2.0, [&] { ran.push_back("b.hide"); });
  v.loop.cancelPreviousPerformRequests(&a, "hide");
  v.loop.performAfterDelay(&a, "hide", 4.0, [&] { ran.push_back("a.hide3"); });
  v.loop.runFor(5.0);
  EXPECT_EQ(ran, (std::vector<std::string>{"a.show", "b.hide", "a.hide3"}));

  ran.clear();
  v.loop.performAfterDelay(&a, "x", 1.0, [&] { ran.push_back("a.x"); });
  v.loop.performAfterDelay(&a, "y", 1.0, [&] { ran.push_back("a.y"); });
  v.loop.performAfterDelay(&b, "x", 1.0, [&] { ran.push_back("b.x"); });
  v.loop.cancelPreviousPerformRequests(&a);
  v.loop.runFor(2.0);
  EXPECT_EQ(ran, (std::vector<std::string>{"b.x"}));
}

TEST(RunLoopVirtualClock, PerformScheduledDuringAPassWaitsForTheNextPass) {
  VirtualLoop v;
  int target = 0;
  std::vector<std::string> ran;
  v.loop.performAfterDelay(&target, "first", 0.0, [&] {
    ran.push_back("first");
    v.loop.performAfterDelay(&target, "second", 0.0, [&] { ran.push_back("second"); });
  });
  EXPECT_EQ(v.loop.runOnce(), 1);
  EXPECT_EQ(ran, (std::vector<std::string>{"first"}));
  EXPECT_EQ(v.loop.runOnce(), 1);
  EXPECT_EQ(ran, (std::vector<std::string>{"first", "second"}));
}

TEST(RunLoopThreads, WorkPostedFromOtherThreadsRunsOnTheLoopInOrder) {
  VirtualLoop v;
  constexpr int kThreads = 4, kItems = 500;
  std::vector<std::vector<int>> seen(kThreads);
  std::vector<std::thread::id> runners;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < kItems; ++i)
        v.loop.performOnLoop([&, t, i] {
          seen[t].push_back(i);
          runners.push_back(std::this_thread::get_id());
        });
    });
  for (auto& thread : threads) thread.join();
  v.loop.runOnce();
  for (int t = 0; t < kThreads; ++t) {
    ASSERT_EQ(seen[t].size(), static_cast<std::size_t>(kItems));
    for (int i = 0; i < kItems; ++i) ASSERT_EQ(seen[t][i], i);
  }
  for (auto id : runners) ASSERT_EQ(id, std::this_thread::get_id());
}

TEST(RunLoopThreads, RealClockLoopWakesForPostedWorkAndStops) {
  ns::RunLoop loop;  // system clock
  std::vector<int> order;
  std::thread poster([&] {
    for (int i = 0; i < 3; ++i) loop.performOnLoop([&, i] { order.push_back(i); });
    loop.performOnLoop([&] { loop.stop(); });
  });
  loop.run();
  poster.join();
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
}

// A report is awaited while any copy of its token lives, whichever thread
// drops the last one.
TEST(RunLoopThreads, AReportIsAwaitedUntilItsLastTokenGoes) {
  VirtualLoop v;
  EXPECT_FALSE(v.loop.awaitingReports());
  std::shared_ptr<void> first = v.loop.expectReport(), second = v.loop.expectReport();
  std::shared_ptr<void> copy = first;
  first.reset();
  second.reset();
  EXPECT_TRUE(v.loop.awaitingReports());
  std::thread([token = std::move(copy)]() mutable { token.reset(); }).join();
  EXPECT_FALSE(v.loop.awaitingReports());
}

// The sleep of a paced wait ends for the work's post, and for work that
// ends without posting, long before its limit.
TEST(RunLoopThreads, SleepWhileReportsAwaitedWakesForAPostOrTheLastToken) {
  VirtualLoop v;
  const auto never = std::chrono::steady_clock::now() + std::chrono::hours(1);
  {
    std::shared_ptr<void> report = v.loop.expectReport();
    bool ran = false;
    std::thread worker([&, report] { v.loop.performOnLoop([&ran, report] { ran = true; }); });
    report.reset();
    v.loop.sleepWhileReportsAwaited(never);
    worker.join();
    EXPECT_TRUE(v.loop.awaitingReports()) << "the report has not run yet";
    v.loop.runOnce();
    EXPECT_TRUE(ran);
    EXPECT_FALSE(v.loop.awaitingReports());
  }
  {
    std::shared_ptr<void> report = v.loop.expectReport();
    std::thread worker([token = std::move(report)]() mutable { token.reset(); });
    v.loop.sleepWhileReportsAwaited(never);
    worker.join();
    EXPECT_FALSE(v.loop.awaitingReports());
  }
}

TEST(RunLoopThreads, MainThreadIsTheFirstThread) {
  EXPECT_TRUE(ns::isMainThread());
  bool other = true;
  std::thread([&] { other = ns::isMainThread(); }).join();
  EXPECT_FALSE(other);
  int ran = 0;
  std::thread([&] { ns::performOnMainThread([&] { ran = ns::isMainThread() ? 1 : 2; }); }).join();
  ns::RunLoop::main().runOnce();
  EXPECT_EQ(ran, 1);
}

}  // namespace
