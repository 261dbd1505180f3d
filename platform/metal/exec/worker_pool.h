// The software GPU's workers: a fixed set of threads that, with the
// thread that hands them work, run the jobs of one parallel loop.
//
// Thread rules: run() is called by one thread at a time (the GPU timeline
// runs one command buffer at a time; a second caller waits for the first
// loop to end). The caller takes part in its own loop, so a pool of one
// worker starts no thread at all. Jobs are handed out by an atomic counter
// that also carries the loop's number, so a thread that wakes after its
// loop has ended takes nothing, and the caller waits only for the jobs,
// never for threads that got none (on a busy machine those may wake late).
// What a job computes must not depend on which worker runs it, which is
// what keeps the GPU's output identical for any worker count. One mutex
// guards the loop being published; no job runs under it.
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
  // `workers` threads in all, counting the caller; 0 means the default
  // (defaultWorkerCount()).
  explicit WorkerPool(unsigned workers = 0);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // Stops the current threads and starts `workers` - 1 new ones (0: the
  // default). Must not be called from inside a job.
  void setWorkerCount(unsigned workers);
  unsigned workerCount() const;

  // Runs job(index, worker) for every index in [0, count), worker being a
  // number below workerCount() that no other job running at the same time
  // has (for per-worker scratch space). Returns when every job has ended.
  using Job = std::function<void(std::size_t index, unsigned worker)>;
  void run(std::size_t count, const Job& job);

  // TESSALY_GPU_THREADS when it names a count from 1 to 256, else one per
  // core (a value set but unusable says so once).
  static unsigned defaultWorkerCount();

 private:
  void start(unsigned workers);
  void stop();
  void threadMain(unsigned worker);
  // Runs jobs of loop `generation` until none is left or the loop has
  // moved on.
  void work(std::uint32_t generation, const Job& job, std::size_t count, unsigned worker);

  std::mutex runMutex_;  // one loop at a time
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable done_;
  std::vector<std::thread> threads_;
  unsigned workers_ = 1;
  // The loop being run, guarded by mutex_; valid while its jobs are not
  // all done.
  const Job* job_ = nullptr;
  std::size_t count_ = 0;
  std::uint32_t generation_ = 0;
  bool stopping_ = false;
  // The loop's number (high 32 bits) and its next index (low 32 bits).
  std::atomic<std::uint64_t> next_{0};
  std::atomic<std::size_t> finished_{0};  // jobs of the loop that ended
};

}  // namespace mtl::exec
