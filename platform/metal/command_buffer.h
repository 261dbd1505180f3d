// Command queues and command buffers. A buffer collects the work of its
// encoders; once committed it runs on the GPU timeline, presents its
// drawables and then calls its completed handlers, in commit order.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/metal/render_pass.h"
#include "platform/metal/types.h"

namespace mtl {

class BlitCommandEncoder;
class CommandBuffer;
class CommandEncoder;
class CommandLog;
class Device;
class Drawable;
class RenderCommandEncoder;

class CommandQueue {
 public:
  explicit CommandQueue(std::shared_ptr<Device> device) : device_(std::move(device)) {}
  std::shared_ptr<CommandBuffer> commandBuffer();
  Device& device() { return *device_; }
  const std::string& label() const { return label_; }
  void setLabel(std::string label) { label_ = std::move(label); }

 private:
  std::shared_ptr<Device> device_;
  std::string label_;
};

class CommandBuffer : public std::enable_shared_from_this<CommandBuffer> {
 public:
  using Handler = std::function<void(CommandBuffer&)>;

  CommandBuffer(std::shared_ptr<Device> device, std::uint64_t number);

  std::uint64_t number() const { return number_; }
  CommandBufferStatus status() const;
  Device& device() { return *device_; }
  const std::string& label() const { return label_; }
  void setLabel(std::string label) { label_ = std::move(label); }

  // Encoders. Only one may be open at a time.
  std::shared_ptr<RenderCommandEncoder> renderCommandEncoder(const RenderPassDescriptor& pass);
  std::shared_ptr<BlitCommandEncoder> blitCommandEncoder();

  void presentDrawable(std::shared_ptr<Drawable> drawable);
  void addCompletedHandler(Handler handler);
  void enqueue();
  void commit();
  // Returns once the buffer has run; refuses an uncommitted buffer.
  void waitUntilCompleted();

  // For encoders: work runs on the GPU timeline in the order added.
  void addWork(std::function<void()> work);
  void log(std::string text);
  void log(const char* text);
  void beginEncoder(const CommandEncoder* encoder);
  void endEncoder(const CommandEncoder* encoder);

  // For the GPU timeline.
  void execute();

 private:
  void requireEncodable(const char* operation) const;

  std::shared_ptr<Device> device_;
  std::uint64_t number_;
  std::string label_;
  mutable std::mutex mutex_;
  std::condition_variable completed_;
  CommandBufferStatus status_ = CommandBufferStatus::NotEnqueued;
  bool finished_ = false;  // completed and every handler has returned
  std::atomic<bool> done_{false};  // finished_, for waiters that look before they sleep
  const CommandEncoder* openEncoder_ = nullptr;
  std::vector<std::function<void()>> work_;
  std::vector<std::shared_ptr<Drawable>> drawables_;
  std::vector<Handler> handlers_;
};

}  // namespace mtl
