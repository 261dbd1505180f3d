#include "platform/foundation/serial_queue.h"

#include <future>

namespace ns {

SerialQueue::SerialQueue(std::string label) : label_(std::move(label)), thread_([this] { run(); }) {}

SerialQueue::~SerialQueue() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    if (suspensions_ > 0) blocks_.clear();
  }
  wake_.notify_all();
  thread_.join();
}

void SerialQueue::async(std::function<void()> block) {
  if (!block) return;
  {
    std::lock_guard lock(mutex_);
    blocks_.push_back(std::move(block));
  }
  wake_.notify_all();
}

void SerialQueue::sync(std::function<void()> block) {
  std::promise<void> done;
  auto finished = done.get_future();
  async([&] {
    if (block) block();
    done.set_value();
  });
  finished.wait();
}

void SerialQueue::suspend() {
  std::lock_guard lock(mutex_);
  ++suspensions_;
}

void SerialQueue::resume() {
  {
    std::lock_guard lock(mutex_);
    if (suspensions_ > 0) --suspensions_;
  }
  wake_.notify_all();
}

bool SerialQueue::isSuspended() const {
  std::lock_guard lock(mutex_);
  return suspensions_ > 0;
}

bool SerialQueue::isCurrent() const { return std::this_thread::get_id() == thread_.get_id(); }

std::size_t SerialQueue::pendingCount() const {
  std::lock_guard lock(mutex_);
  return blocks_.size();
}

void SerialQueue::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return (stopping_ && (blocks_.empty() || suspensions_ > 0)) ||
                                     (!blocks_.empty() && suspensions_ == 0); });
    if (blocks_.empty() || suspensions_ > 0) return;  // stopping
    auto block = std::move(blocks_.front());
    blocks_.pop_front();
    lock.unlock();
    block();
    lock.lock();
  }
}

}  // namespace ns
