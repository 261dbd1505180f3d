#include "platform/metal/exec/worker_pool.h"

#include <algorithm>

namespace mtl::exec {

WorkerPool::WorkerPool(unsigned workers) { start(workers); }

WorkerPool::~WorkerPool() { stop(); }

unsigned WorkerPool::coreCount() {
  return std::max(1u, std::thread::hardware_concurrency());
}

void WorkerPool::start(unsigned workers) {
  workers_ = workers == 0 ? coreCount() : workers;
  stopping_ = false;
  threads_.reserve(workers_ - 1);
  const std::uint64_t generation = generation_;
  for (unsigned w = 1; w < workers_; ++w) {
    threads_.emplace_back([this, w, generation] { threadMain(w, generation); });
  }
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

void WorkerPool::work(Loop& loop, unsigned worker) {
  for (;;) {
    const std::size_t index = loop.next.fetch_add(1, std::memory_order_relaxed);
    if (index >= loop.count) return;
    (*loop.job)(index, worker);
  }
}

void WorkerPool::run(std::size_t count, const Job& job) {
  if (count == 0) return;
  std::lock_guard run(runMutex_);
  if (threads_.empty() || count == 1) {
    for (std::size_t i = 0; i < count; ++i) job(i, 0);
    return;
  }
  Loop loop;
  loop.job = &job;
  loop.count = count;
  {
    std::lock_guard lock(mutex_);
    loop.active.store(static_cast<unsigned>(threads_.size()), std::memory_order_relaxed);
    loop_ = &loop;
    ++generation_;
  }
  wake_.notify_all();
  work(loop, 0);
  std::unique_lock lock(mutex_);
  done_.wait(lock, [&] { return loop.active.load(std::memory_order_relaxed) == 0; });
  loop_ = nullptr;
}

void WorkerPool::threadMain(unsigned worker, std::uint64_t seen) {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
    if (stopping_) return;
    seen = generation_;
    Loop* loop = loop_;
    lock.unlock();
    work(*loop, worker);
    lock.lock();
    if (loop->active.fetch_sub(1, std::memory_order_relaxed) == 1) done_.notify_all();
  }
}

}  // namespace mtl::exec
