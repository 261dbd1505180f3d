#include "platform/metal/command_encoder.h"

#include "platform/metal/command_buffer.h"
#include "platform/metal/device.h"
#include "platform/metal/validation.h"

namespace mtl {

CommandEncoder::CommandEncoder(std::shared_ptr<CommandBuffer> buffer)
    : buffer_(std::move(buffer)) {
  buffer_->beginEncoder(this);
}

Device& CommandEncoder::device() { return buffer_->device(); }

void CommandEncoder::requireOpen(const char* operation) const {
  require(!ended_, operation, " was called after endEncoding");
}

bool CommandEncoder::logging() const { return buffer_->device().commandLog().enabled(); }

void CommandEncoder::logText(std::string text) { buffer_->log(std::move(text)); }

void CommandEncoder::endEncoding() {
  requireOpen("endEncoding");
  require(debugGroupDepth_ == 0, "endEncoding with a debug group still pushed");
  finishEncoding();
  ended_ = true;
  log("endEncoding");
  buffer_->endEncoder(this);
}

void CommandEncoder::insertDebugSignpost(const std::string& text) {
  requireOpen("insertDebugSignpost");
  log("insertDebugSignpost ", text);
}

void CommandEncoder::pushDebugGroup(const std::string& text) {
  requireOpen("pushDebugGroup");
  ++debugGroupDepth_;
  log("pushDebugGroup ", text);
}

void CommandEncoder::popDebugGroup() {
  requireOpen("popDebugGroup");
  require(debugGroupDepth_ > 0, "popDebugGroup without a pushed group");
  --debugGroupDepth_;
  log("popDebugGroup");
}

}  // namespace mtl
