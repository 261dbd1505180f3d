#include "platform/metal/gpu_timeline.h"

#include "platform/metal/command_buffer.h"

namespace mtl {

GpuTimeline::GpuTimeline()
    : s_(std::make_shared<Shared>()), thread_([shared = s_] { threadMain(shared); }) {}

GpuTimeline::~GpuTimeline() {
  {
    std::lock_guard lock(s_->mutex);
    s_->stopping = true;
  }
  s_->wake.notify_all();
  if (onGpuThread()) {
    thread_.detach();  // it ends by itself as soon as it returns here
  } else {
    thread_.join();
  }
}

void GpuTimeline::enqueue(std::shared_ptr<CommandBuffer> buffer) {
  std::lock_guard lock(s_->mutex);
  s_->queue.push_back(std::move(buffer));
}

void GpuTimeline::committed() {
  std::unique_lock lock(s_->mutex);
  if (s_->synchronous) {
    s_->drain(lock);
  } else {
    s_->wake.notify_all();
  }
}

bool GpuTimeline::Shared::frontReady() const {
  return !queue.empty() && queue.front()->status() == CommandBufferStatus::Committed;
}

void GpuTimeline::Shared::drain(std::unique_lock<std::mutex>& lock) {
  while (!running && frontReady() && (synchronous || !paused)) {
    std::shared_ptr<CommandBuffer> buffer = std::move(queue.front());
    queue.pop_front();
    running = true;
    if (!synchronous && latency.count() > 0) wake.wait_for(lock, latency, [this] { return stopping; });
    lock.unlock();
    buffer->execute();
    buffer.reset();
    lock.lock();
    running = false;
  }
  idle.notify_all();
}

void GpuTimeline::threadMain(std::shared_ptr<Shared> s) {
  std::unique_lock lock(s->mutex);
  for (;;) {
    s->wake.wait(lock, [&] {
      return s->stopping || (!s->synchronous && !s->paused && !s->running && s->frontReady());
    });
    if (s->stopping) return;
    s->drain(lock);
  }
}

void GpuTimeline::setSynchronous(bool synchronous) {
  {
    std::lock_guard lock(s_->mutex);
    s_->synchronous = synchronous;
  }
  s_->wake.notify_all();
}

bool GpuTimeline::synchronous() const {
  std::lock_guard lock(s_->mutex);
  return s_->synchronous;
}

void GpuTimeline::pause() {
  std::lock_guard lock(s_->mutex);
  s_->paused = true;
}

void GpuTimeline::resume() {
  {
    std::lock_guard lock(s_->mutex);
    s_->paused = false;
  }
  s_->wake.notify_all();
}

void GpuTimeline::setLatency(std::chrono::milliseconds latency) {
  std::lock_guard lock(s_->mutex);
  s_->latency = latency;
}

void GpuTimeline::waitUntilIdle() {
  std::unique_lock lock(s_->mutex);
  s_->idle.wait(lock, [this] { return s_->idleForWaiters(); });
}

bool GpuTimeline::waitUntilIdle(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock lock(s_->mutex);
  return s_->idle.wait_until(lock, deadline, [this] { return s_->idleForWaiters(); });
}

bool GpuTimeline::idle() const {
  std::lock_guard lock(s_->mutex);
  return s_->queue.empty() && !s_->running;
}

bool GpuTimeline::onGpuThread() const {
  return std::this_thread::get_id() == thread_.get_id();
}

}  // namespace mtl
