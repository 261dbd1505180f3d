// The order in which the software GPU runs command buffers: the order they
// were enqueued (committing enqueues a buffer that was not). Buffers run on
// one GPU thread, or, in synchronous mode, on the committing thread inside
// commit(), which makes tests deterministic.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace mtl {

class CommandBuffer;

class GpuTimeline {
 public:
  GpuTimeline();
  ~GpuTimeline();
  GpuTimeline(const GpuTimeline&) = delete;
  GpuTimeline& operator=(const GpuTimeline&) = delete;

  void enqueue(std::shared_ptr<CommandBuffer> buffer);
  // The buffer must have been enqueued; it runs once it reaches the front.
  void committed();

  void setSynchronous(bool synchronous);
  bool synchronous() const;
  // A paused GPU thread finishes the buffer it is running and starts no
  // other until resumed. Synchronous mode ignores pausing.
  void pause();
  void resume();
  // Tests: the GPU thread waits this long before each buffer, as a slow or
  // busy GPU completes late. Synchronous mode ignores it.
  void setLatency(std::chrono::milliseconds latency);
  // Blocks until every committed buffer has run.
  void waitUntilIdle();
  // The same, giving up at the deadline; returns whether it got there.
  bool waitUntilIdle(std::chrono::steady_clock::time_point deadline);
  // No buffer enqueued and none running: nothing given to the GPU can still
  // read or write a resource. A moment's answer; work enqueued later is not
  // counted.
  bool idle() const;
  bool onGpuThread() const;

 private:
  // The GPU thread keeps this alive: the last reference to a device (and
  // so to its timeline) may be dropped on the GPU thread itself.
  struct Shared {
    mutable std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    std::deque<std::shared_ptr<CommandBuffer>> queue;
    bool synchronous = false;
    bool paused = false;
    bool running = false;  // a buffer is executing
    bool stopping = false;
    std::chrono::milliseconds latency{0};
    bool frontReady() const;
    bool idleForWaiters() const { return !running && !frontReady(); }
    // Runs committed buffers from the front while the caller may.
    void drain(std::unique_lock<std::mutex>& lock);
  };
  static void threadMain(std::shared_ptr<Shared> shared);

  std::shared_ptr<Shared> s_;
  std::thread thread_;
};

}  // namespace mtl
