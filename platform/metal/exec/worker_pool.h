// The software GPU's workers: a fixed set of threads that, with the
// thread that hands them work, run the jobs of one parallel loop.
//
// Thread rules: run() is called by one thread at a time (the GPU timeline
// runs one command buffer at a time; a second caller waits for the first
// loop to end). The caller takes part in its own loop, so a pool of one
// worker starts no thread at all. Jobs are handed out by an atomic counter;
// what a job computes must not depend on which worker runs it, which is
// what keeps the GPU's output identical for any worker count. One mutex
// guards the loop being run; no job runs under it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace mtl::exec {

class WorkerPool {
 public:
  // `workers` threads in all, counting the caller; 0 means one per core.
  explicit WorkerPool(unsigned workers = 0);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // Stops the current threads and starts `workers` - 1 new ones (0: one per
  // core). Must not be called from inside a job.
  void setWorkerCount(unsigned workers);
  unsigned workerCount() const;

  // Runs job(index, worker) for every index in [0, count), worker being a
  // number below workerCount() that no other job running at the same time
  // has (for per-worker scratch space). Returns when every job has ended.
  using Job = std::function<void(std::size_t index, unsigned worker)>;
  void run(std::size_t count, const Job& job);

  static unsigned coreCount();

 private:
  struct Loop {
    const Job* job = nullptr;
    std::size_t count = 0;
    std::atomic<std::size_t> next{0};
    std::atomic<unsigned> active{0};  // threads still inside the loop
  };
  void start(unsigned workers);
  void stop();
  void threadMain(unsigned worker, std::uint64_t seen);
  static void work(Loop& loop, unsigned worker);

  std::mutex runMutex_;  // one loop at a time
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable done_;
  std::vector<std::thread> threads_;
  unsigned workers_ = 1;
  Loop* loop_ = nullptr;           // guarded by mutex_
  std::uint64_t generation_ = 0;   // guarded by mutex_: a new loop began
  bool stopping_ = false;          // guarded by mutex_
};

}  // namespace mtl::exec
