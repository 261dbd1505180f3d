#include "platform/metal/command_buffer.h"

#include <chrono>
#include <thread>

#include "platform/metal/blit_encoder.h"
#include "platform/metal/command_log.h"
#include "platform/metal/device.h"
#include "platform/metal/drawable.h"
#include "platform/metal/gpu_timeline.h"
#include "platform/metal/render_encoder.h"
#include "platform/metal/validation.h"

namespace mtl {

std::shared_ptr<CommandBuffer> CommandQueue::commandBuffer() {
  return std::make_shared<CommandBuffer>(device_->shared_from_this(),
                                         device_->nextCommandBufferNumber());
}

CommandBuffer::CommandBuffer(std::shared_ptr<Device> device, std::uint64_t number)
    : device_(std::move(device)), number_(number) {}

CommandBufferStatus CommandBuffer::status() const {
  std::lock_guard lock(mutex_);
  return status_;
}

void CommandBuffer::requireEncodable(const char* operation) const {
  require(status_ < CommandBufferStatus::Committed, operation,
          " on a command buffer that was already committed");
  require(openEncoder_ == nullptr, operation,
          " while another encoder of the command buffer is open");
}

void CommandBuffer::beginEncoder(const CommandEncoder* encoder) {
  std::lock_guard lock(mutex_);
  requireEncodable("Creating an encoder");
  openEncoder_ = encoder;
}

void CommandBuffer::endEncoder(const CommandEncoder* encoder) {
  std::lock_guard lock(mutex_);
  if (openEncoder_ == encoder) openEncoder_ = nullptr;
}

std::shared_ptr<RenderCommandEncoder> CommandBuffer::renderCommandEncoder(
    const RenderPassDescriptor& pass) {
  return std::shared_ptr<RenderCommandEncoder>(
      new RenderCommandEncoder(shared_from_this(), pass));
}

std::shared_ptr<BlitCommandEncoder> CommandBuffer::blitCommandEncoder() {
  return std::shared_ptr<BlitCommandEncoder>(new BlitCommandEncoder(shared_from_this()));
}

void CommandBuffer::addWork(std::function<void()> work) {
  std::lock_guard lock(mutex_);
  work_.push_back(std::move(work));
}

void CommandBuffer::log(std::string text) {
  device_->commandLog().append(number_, std::move(text));
}

void CommandBuffer::log(const char* text) {
  CommandLog& log = device_->commandLog();
  if (log.enabled()) log.append(number_, text);
}

void CommandBuffer::presentDrawable(std::shared_ptr<Drawable> drawable) {
  require(drawable != nullptr, "presentDrawable needs a drawable");
  {
    std::lock_guard lock(mutex_);
    require(status_ < CommandBufferStatus::Committed,
            "presentDrawable on a command buffer that was already committed");
    drawables_.push_back(std::move(drawable));
  }
  log("presentDrawable");
}

void CommandBuffer::addCompletedHandler(Handler handler) {
  std::lock_guard lock(mutex_);
  require(status_ < CommandBufferStatus::Committed,
          "addCompletedHandler on a command buffer that was already committed");
  handlers_.push_back(std::move(handler));
}

void CommandBuffer::enqueue() {
  {
    std::lock_guard lock(mutex_);
    require(status_ == CommandBufferStatus::NotEnqueued,
            "enqueue on a command buffer that was already enqueued");
    status_ = CommandBufferStatus::Enqueued;
  }
  device_->gpu().enqueue(shared_from_this());
}

void CommandBuffer::commit() {
  bool enqueued;
  {
    std::lock_guard lock(mutex_);
    require(status_ < CommandBufferStatus::Committed, "commit on a committed command buffer");
    require(openEncoder_ == nullptr, "commit while an encoder is still open");
    enqueued = status_ == CommandBufferStatus::Enqueued;
  }
  if (!enqueued) enqueue();
  {
    std::lock_guard lock(mutex_);
    status_ = CommandBufferStatus::Committed;
  }
  log("commit");
  device_->gpu().committed();
}

void CommandBuffer::waitUntilCompleted() {
  {
    std::lock_guard lock(mutex_);
    require(status_ >= CommandBufferStatus::Committed,
            "waitUntilCompleted on a command buffer that was not committed");
  }
  // Short work (a clear, a small pass) ends before a sleeping thread could
  // be woken: look for the end a little while before sleeping on it.
  const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(200);
  while (!done_.load(std::memory_order_acquire) && std::chrono::steady_clock::now() < until) {
    std::this_thread::yield();
  }
  std::unique_lock lock(mutex_);
  completed_.wait(lock, [this] { return finished_; });
}

void CommandBuffer::execute() {
  std::vector<std::function<void()>> work;
  std::vector<std::shared_ptr<Drawable>> drawables;
  {
    std::lock_guard lock(mutex_);
    status_ = CommandBufferStatus::Scheduled;
    work.swap(work_);
    drawables.swap(drawables_);
  }
  for (auto& item : work) item();
  work.clear();
  for (auto& drawable : drawables) drawable->present();
  drawables.clear();
  std::vector<Handler> handlers;
  {
    std::lock_guard lock(mutex_);
    status_ = CommandBufferStatus::Completed;
    handlers = handlers_;
  }
  for (auto& handler : handlers) handler(*this);
  {
    std::lock_guard lock(mutex_);
    handlers_.clear();
    finished_ = true;
  }
  done_.store(true, std::memory_order_release);
  completed_.notify_all();
}

}  // namespace mtl
