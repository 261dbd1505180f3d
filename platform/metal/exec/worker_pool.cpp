#include "platform/metal/exec/worker_pool.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "support/environment_setting.h"

namespace mtl::exec {

WorkerPool::WorkerPool(unsigned workers) { start(workers); }

WorkerPool::~WorkerPool() { stop(); }

unsigned WorkerPool::defaultWorkerCount() {
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const std::string text = environmentValue("TESSALY_GPU_THREADS");
  if (text.empty()) return cores;
  const std::optional<double> n = numberInRange(text, 1, 256);
  if (n && *n == std::floor(*n)) return static_cast<unsigned>(*n);
  reportUnusableSetting("TESSALY_GPU_THREADS", text, "a count from 1 to 256", std::to_string(cores));
  return cores;
}

void WorkerPool::start(unsigned workers) {
  workers_ = workers == 0 ? defaultWorkerCount() : workers;
  stopping_ = false;
  threads_.reserve(workers_ - 1);
  for (unsigned w = 1; w < workers_; ++w) threads_.emplace_back([this, w] { threadMain(w); });
}

void WorkerPool::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (std::thread& t : threads_) t.join();
  threads_.clear();
}

void WorkerPool::setWorkerCount(unsigned workers) {
  std::lock_guard run(runMutex_);
  stop();
  std::lock_guard lock(mutex_);
  start(workers);
}

unsigned WorkerPool::workerCount() const {
  std::lock_guard lock(mutex_);
  return workers_;
}

void WorkerPool::work(std::uint32_t generation, const Job& job, std::size_t count, unsigned worker) {
  const std::uint64_t mine = std::uint64_t{generation} << 32;
  std::uint64_t next = next_.load(std::memory_order_acquire);
  for (;;) {
    // Take an index only while the counter still belongs to this loop.
    if ((next & ~std::uint64_t{0xFFFFFFFFu}) != mine || (next & 0xFFFFFFFFu) >= count) return;
    if (!next_.compare_exchange_weak(next, next + 1, std::memory_order_acq_rel)) continue;
    job(static_cast<std::size_t>(next & 0xFFFFFFFFu), worker);
    if (finished_.fetch_add(1, std::memory_order_acq_rel) + 1 == count) {
      std::lock_guard lock(mutex_);
      done_.notify_all();
    }
    next = next_.load(std::memory_order_acquire);
  }
}

void WorkerPool::run(std::size_t count, const Job& job) {
  if (count == 0) return;
  std::lock_guard run(runMutex_);
  // (The loop's counter holds 32-bit indices.)
  if (threads_.empty() || count == 1 || count > 0xFFFFFFFFu) {
    for (std::size_t i = 0; i < count; ++i) job(i, 0);
    return;
  }
  std::uint32_t generation;
  {
    std::lock_guard lock(mutex_);
    generation = ++generation_;
    job_ = &job;
    count_ = count;
    finished_.store(0, std::memory_order_relaxed);
    next_.store(std::uint64_t{generation} << 32, std::memory_order_release);
  }
  wake_.notify_all();
  work(generation, job, count, 0);
  std::unique_lock lock(mutex_);
  done_.wait(lock, [&] { return finished_.load(std::memory_order_acquire) == count; });
  job_ = nullptr;
}

void WorkerPool::threadMain(unsigned worker) {
  std::uint32_t seen = 0;
  std::unique_lock lock(mutex_);
  seen = generation_;
  for (;;) {
    wake_.wait(lock, [&] { return stopping_ || (generation_ != seen && job_ != nullptr); });
    if (stopping_) return;
    seen = generation_;
    const Job* job = job_;
    const std::size_t count = count_;
    lock.unlock();
    work(seen, *job, count, worker);
    lock.lock();
  }
}

}  // namespace mtl::exec
