// Serial queues: blocks run one at a time, in the order they were added, on
// a thread of the queue's own; a suspended queue finishes the block it is
// running and starts no other until it is resumed.
//
// Thread rules: any thread may add blocks, suspend, resume and wait. Blocks
// run without the queue's lock held; the destructor waits for the queue to
// run dry (or, suspended, drops what is left).
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace ns {

class SerialQueue {
 public:
  explicit SerialQueue(std::string label);
  ~SerialQueue();
  SerialQueue(const SerialQueue&) = delete;
  SerialQueue& operator=(const SerialQueue&) = delete;

  const std::string& label() const { return label_; }
  void async(std::function<void()> block);
  // Runs the block on the queue and waits for it (never call it from a
  // block of the same queue).
  void sync(std::function<void()> block);
  // Suspensions count: each needs its resume.
  void suspend();
  void resume();
  bool isSuspended() const;
  // True on the queue's own thread.
  bool isCurrent() const;
  std::size_t pendingCount() const;

 private:
  void run();
  const std::string label_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> blocks_;
  int suspensions_ = 0;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace ns
