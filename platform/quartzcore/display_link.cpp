#include "platform/quartzcore/display_link.h"

#include <chrono>

namespace ca {
namespace {

constexpr double kDisplayRate = 60.0;

double now() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

DisplayLink::DisplayLink(Callback callback) : callback_(std::move(callback)) {}

DisplayLink::~DisplayLink() { invalidate(); }

void DisplayLink::start() {
  std::lock_guard lock(mutex_);
  if (invalidated_ || thread_.joinable()) return;
  thread_ = std::thread([this] { run(); });
}

void DisplayLink::invalidate() {
  {
    std::lock_guard lock(mutex_);
    invalidated_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

bool DisplayLink::isValid() const {
  std::lock_guard lock(mutex_);
  return !invalidated_;
}

bool DisplayLink::isPaused() const {
  std::lock_guard lock(mutex_);
  return paused_;
}

void DisplayLink::setPaused(bool paused) {
  {
    std::lock_guard lock(mutex_);
    paused_ = paused;
  }
  wake_.notify_all();
}

int DisplayLink::preferredFramesPerSecond() const {
  std::lock_guard lock(mutex_);
  return preferredFramesPerSecond_;
}

void DisplayLink::setPreferredFramesPerSecond(int framesPerSecond) {
  std::lock_guard lock(mutex_);
  preferredFramesPerSecond_ = framesPerSecond < 0 ? 0 : framesPerSecond;
}

double DisplayLink::interval() const {
  const int rate = preferredFramesPerSecond_;
  return 1.0 / (rate > 0 && rate < kDisplayRate ? rate : kDisplayRate);
}

double DisplayLink::timestamp() const {
  std::lock_guard lock(mutex_);
  return timestamp_;
}

double DisplayLink::targetTimestamp() const {
  std::lock_guard lock(mutex_);
  return timestamp_ + interval();
}

double DisplayLink::duration() const {
  std::lock_guard lock(mutex_);
  return interval();
}

void DisplayLink::step(double timestamp) {
  {
    std::lock_guard lock(mutex_);
    if (invalidated_ || paused_) return;
    timestamp_ = timestamp;
  }
  callback_(*this);
}

void DisplayLink::run() {
  auto next = std::chrono::steady_clock::now();
  std::unique_lock lock(mutex_);
  while (!invalidated_) {
    next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(interval()));
    wake_.wait_until(lock, next, [this] { return invalidated_; });
    if (invalidated_) return;
    if (paused_) {
      wake_.wait(lock, [this] { return invalidated_ || !paused_; });
      next = std::chrono::steady_clock::now();
      continue;
    }
    lock.unlock();
    step(now());
    lock.lock();
  }
}

}  // namespace ca
