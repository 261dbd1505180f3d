// Locks, conditions, semaphores and detached threads.
//
// The locks are BasicLockable, so std::lock_guard and std::unique_lock
// work with them. Waits take their time-outs in seconds of the system's
// steady clock.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>

namespace ns {

class Lock {
 public:
  void lock() { mutex_.lock(); }
  void unlock() { mutex_.unlock(); }
  bool tryLock() { return mutex_.try_lock(); }

 private:
  std::mutex mutex_;
};

// May be taken again by the thread that holds it.
class RecursiveLock {
 public:
  void lock() { mutex_.lock(); }
  void unlock() { mutex_.unlock(); }
  bool tryLock() { return mutex_.try_lock(); }

 private:
  std::recursive_mutex mutex_;
};

// A lock with a condition: wait() releases the lock while it waits.
// Callers test their predicate in a loop, as wake-ups may be spurious.
class Condition {
 public:
  void lock() { mutex_.lock(); }
  void unlock() { mutex_.unlock(); }
  // Must hold the lock.
  void wait();
  // Must hold the lock; false when the time ran out.
  bool waitFor(double seconds);
  void signal() { condition_.notify_one(); }
  void broadcast() { condition_.notify_all(); }

 private:
  std::mutex mutex_;
  std::condition_variable condition_;
};

// A counting semaphore.
class Semaphore {
 public:
  explicit Semaphore(long value = 0) : value_(value) {}
  void signal();
  // Takes one unit, waiting for at most `seconds` (any negative or
  // infinite value waits for ever); false when the time ran out.
  bool wait(double seconds = -1.0);

 private:
  std::mutex mutex_;
  std::condition_variable condition_;
  long value_;
};

// Runs `body` on a new thread that nobody joins; it ends by itself.
// False when the system could not start a thread.
bool detachNewThread(std::function<void()> body);

}  // namespace ns
