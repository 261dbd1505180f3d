// The GPU's worker pool: every index of a loop runs once, on a worker
// number no concurrent job shares; a loop ends only when its jobs have;
// loops that follow each other closely never run a job of the other
// (threads that wake late take nothing); the worker count can change
// between loops.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <string>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/metal/exec/worker_pool.h"

namespace mtl::exec {
namespace {

TEST(WorkerPool, EveryIndexRunsOnceOnAWorkerOfItsOwn) {
  WorkerPool pool(4);
  ASSERT_EQ(pool.workerCount(), 4u);
  std::vector<std::atomic<int>> busy(4);
  std::atomic<int> sharedWorker{0};
  for (std::size_t count : {2u, 3u, 17u, 1000u}) {
    std::vector<std::atomic<int>> runs(count);
    pool.run(count, [&](std::size_t index, unsigned worker) {
      ASSERT_LT(worker, 4u);
      if (busy[worker].exchange(1) != 0) ++sharedWorker;
      runs[index].fetch_add(1);
      if (index % 7 == 0) std::this_thread::sleep_for(std::chrono::microseconds(50));
      busy[worker].store(0);
    });
    for (std::size_t i = 0; i < count; ++i) EXPECT_EQ(runs[i].load(), 1) << "index " << i << " of " << count;
  }
  EXPECT_EQ(sharedWorker.load(), 0);
}

TEST(WorkerPool, ALoopEndsWhenItsSlowestJobHas) {
  WorkerPool pool(3);
  std::atomic<int> ended{0};
  pool.run(6, [&](std::size_t index, unsigned) {
    if (index == 5) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ended.fetch_add(1);
  });
  EXPECT_EQ(ended.load(), 6);
}

TEST(WorkerPool, CloseLoopsNeverRunEachOthersJobs) {
  WorkerPool pool(8);
  constexpr int kLoops = 3000;
  std::vector<std::atomic<int>> counts(kLoops);
  std::atomic<int> strays{0};
  for (int loop = 0; loop < kLoops; ++loop) {
    const std::size_t count = 2 + loop % 5;
    pool.run(count, [&, loop](std::size_t index, unsigned) {
      if (index >= count) ++strays;
      counts[loop].fetch_add(1);
    });
    ASSERT_EQ(counts[loop].load(), static_cast<int>(count)) << "loop " << loop;
  }
  EXPECT_EQ(strays.load(), 0);
  // Nothing runs after its loop ended.
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  for (int loop = 0; loop < kLoops; ++loop) EXPECT_EQ(counts[loop].load(), 2 + loop % 5);
}

TEST(WorkerPool, TheWorkerCountChangesBetweenLoops) {
  WorkerPool pool(2);
  for (unsigned workers : {5u, 1u, 3u}) {
    pool.setWorkerCount(workers);
    EXPECT_EQ(pool.workerCount(), workers);
    std::atomic<unsigned> highest{0};
    std::atomic<int> ran{0};
    pool.run(64, [&](std::size_t, unsigned worker) {
      unsigned seen = highest.load();
      while (worker > seen && !highest.compare_exchange_weak(seen, worker)) {
      }
      ran.fetch_add(1);
    });
    EXPECT_EQ(ran.load(), 64);
    EXPECT_LT(highest.load(), workers);
  }
}

TEST(WorkerPool, TheEnvironmentNamesTheDefaultCount) {
  const char* saved = std::getenv("TESSALY_GPU_THREADS");
  const std::string previous = saved ? saved : "";
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const std::pair<const char*, unsigned> cases[] = {
      {"3", 3}, {"1", 1}, {"256", 256}, {"0", cores}, {"257", cores}, {"-2", cores}, {"4x", cores}, {"", cores}};
  for (const auto& [text, expected] : cases) {
    setenv("TESSALY_GPU_THREADS", text, 1);
    EXPECT_EQ(WorkerPool::defaultWorkerCount(), expected) << "\"" << text << "\"";
  }
  setenv("TESSALY_GPU_THREADS", "2", 1);
  WorkerPool pool;
  EXPECT_EQ(pool.workerCount(), 2u);
  if (saved) {
    setenv("TESSALY_GPU_THREADS", previous.c_str(), 1);
  } else {
    unsetenv("TESSALY_GPU_THREADS");
  }
}

}  // namespace
}  // namespace mtl::exec
