#include "platform/foundation/threads.h"

#include <chrono>
#include <cmath>
#include <system_error>
#include <thread>

namespace ns {
namespace {

std::chrono::duration<double> seconds(double value) { return std::chrono::duration<double>(value); }

}  // namespace

void Condition::wait() {
  std::unique_lock<std::mutex> held(mutex_, std::adopt_lock);
  condition_.wait(held);
  held.release();
}

bool Condition::waitFor(double value) {
  std::unique_lock<std::mutex> held(mutex_, std::adopt_lock);
  bool signalled = condition_.wait_for(held, seconds(value)) == std::cv_status::no_timeout;
  held.release();
  return signalled;
}

void Semaphore::signal() {
  std::lock_guard<std::mutex> guard(mutex_);
  ++value_;
  condition_.notify_one();
}

bool Semaphore::wait(double value) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (value < 0.0 || !std::isfinite(value)) {
    condition_.wait(lock, [this] { return value_ > 0; });
  } else if (!condition_.wait_for(lock, seconds(value), [this] { return value_ > 0; })) {
    return false;
  }
  --value_;
  return true;
}

bool detachNewThread(std::function<void()> body) {
  try {
    std::thread(std::move(body)).detach();
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

}  // namespace ns
