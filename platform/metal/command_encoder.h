// What render and blit encoders share: the open/ended life cycle, the
// debug markers and access to their command buffer.
#pragma once

#include <memory>
#include <string>

#include "platform/metal/message.h"

namespace mtl {

class CommandBuffer;
class Device;

class CommandEncoder {
 public:
  virtual ~CommandEncoder() = default;
  CommandEncoder(const CommandEncoder&) = delete;
  CommandEncoder& operator=(const CommandEncoder&) = delete;

  // Ends the encoder; any later call on it is refused.
  void endEncoding();
  bool isEnded() const { return ended_; }

  void insertDebugSignpost(const std::string& text);
  void pushDebugGroup(const std::string& text);
  void popDebugGroup();

  const std::string& label() const { return label_; }
  void setLabel(std::string label) { label_ = std::move(label); }
  Device& device();

 protected:
  explicit CommandEncoder(std::shared_ptr<CommandBuffer> buffer);
  // Throws when the encoder has ended.
  void requireOpen(const char* operation) const;
  CommandBuffer& buffer() { return *buffer_; }
  // Whether the device's command log is on; parts are formatted only then.
  bool logging() const;
  template <typename... Parts>
  void log(const Parts&... parts) {
    if (logging()) logText(joinParts(parts...));
  }
  // Work that must be recorded when the encoder ends (store actions).
  virtual void finishEncoding() {}

 private:
  void logText(std::string text);

  std::shared_ptr<CommandBuffer> buffer_;
  bool ended_ = false;
  int debugGroupDepth_ = 0;
  std::string label_;
};

}  // namespace mtl
