// The renderer of one context: turns its GL state into Metal work. It owns
// the command queue, the command buffer being filled, at most one open
// render or blit encoder (both made on first use), the dynamic index buffer
// and the frame slots that bound the frames in flight.
//
// Thread rules: used only by the thread on which its context is current; it
// takes no lock. Completion handlers run on the GPU thread and touch nothing
// but the frame semaphore of the frame they end. The GL thread blocks in
// two places: a frame's first command buffer or pool write waits for a free
// frame slot, and finishCommands waits for the GPU.
//
// Frames: the first command buffer or per-frame pool write of a frame takes
// one of `consumableResourcePoolSize` slots; presentDrawable commits the
// frame's last command buffer (an empty one if the frame has none) with a
// handler that gives the slot back, and advances the frame index 0, 1, 2, 0.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "gles/context/gl_types.h"
#include "gles/context/object.h"
#include "gles/render/accumulating_buffer.h"
#include "gles/render/scissored_clear.h"

namespace mtl {
class BlitCommandEncoder;
class Buffer;
class CommandBuffer;
class CommandQueue;
class RenderCommandEncoder;
}  // namespace mtl
namespace ns {
class Semaphore;
}

class MGLContext;

class MGLRenderer : public MGLObject {
 public:
  explicit MGLRenderer(MGLContext* context);
  // Ends open encoders and commits the open command buffer: the device runs
  // buffers in enqueue order, so an abandoned one would stall every later
  // buffer of every context.
  ~MGLRenderer() override;
  const char* className() const override { return "MGLRenderer"; }

  // The command buffer being filled, begun (and enqueued) on first use.
  mtl::CommandBuffer* commandBuffer();
  // The open render encoder, beginning a pass on the bound draw framebuffer
  // when none is open. Null when no pass can begin (no framebuffer, or an
  // incomplete one): the error is recorded and a pending clear is dropped.
  mtl::RenderCommandEncoder* renderCommandEncoder();
  mtl::BlitCommandEncoder* blitCommandEncoder();
  // Sends renderTo: to the context's state objects.
  void finalizeDrawState();

  // glDrawArrays and glDrawElements (with an instance count of 1).
  void drawPrimitives(GLenum mode, GLint first, GLsizei count, GLsizei instanceCount);
  void drawPrimitives(GLenum mode, GLsizei count, GLenum type, const void* indices,
                      GLsizei instanceCount);

  // A clear requested: the open pass ends and the next one begins with the
  // framebuffer's clear load actions, even if nothing is drawn.
  void clearAttachments();
  // A clear confined to `box` (Metal's pixels, rows from the top), drawn in
  // a pass of its own after everything asked for before it.
  void clearInBox(const MGLClearValues& values, const mtl::ScissorRect& box);
  void endEncoding();
  void endCommandBuffer();
  void flushCommands() { endCommandBuffer(); }
  // Flushes only when `commandBufferID` is the open command buffer's.
  void flushCommandsFor(std::uint64_t commandBufferID);
  // Flushes and waits until the GPU has run everything submitted.
  void finishCommands();
  // Ends the frame and presents the bound renderbuffer's drawable; answers
  // whether a drawable was presented.
  bool presentDrawable();
  void endFrame();
  void didCompleteFrame();
  void markFrameInterval();

  // The frame index for a per-frame pool write, after taking the frame's
  // slot (waiting for the GPU when every slot is in use).
  std::uint32_t frameIndexForWriting();
  // Frames ended so far: tells pools that a new frame began even when its
  // index equals the last one written.
  std::uint64_t frameCount() const { return frameCount_; }

  void insertDebugMarker(const std::string& text);
  void pushDebugGroupWithMarker(const std::string& text);
  void popDebugGroup();
  // The storage of the context's buffer with this name, or null.
  std::shared_ptr<mtl::Buffer> getMtlBufferWithGLID(GLuint glID) const;

  MGLContext* context() const { return context_; }
  const std::shared_ptr<mtl::CommandQueue>& commandQueue() const { return commandQueue_; }
  // The open command buffer without beginning one.
  mtl::CommandBuffer* currentCommandBuffer() const { return commandBuffer_.get(); }
  mtl::RenderCommandEncoder* currentRenderCommandEncoder() const { return renderEncoder_.get(); }
  std::uint64_t commandBufferID() const { return commandBufferID_; }
  std::uint64_t lastRenderedCommandBufferID() const { return lastRenderedCommandBufferID_; }
  std::uint64_t renderCommandEncoderID() const { return renderCommandEncoderID_; }
  std::uint64_t blitCommandEncoderID() const { return blitCommandEncoderID_; }
  std::uint32_t frameIndex() const { return frameIndex_; }
  std::uint32_t consumableResourcePoolSize() const { return poolSize_; }
  // 0 is taken as 1. Waits for the frames in flight before the slots are
  // counted anew.
  void setConsumableResourcePoolSize(std::uint32_t size);
  bool isRenderable() const { return renderable_; }
  void setIsRenderable(bool value) { renderable_ = value; }
  bool isAwaitingClear() const { return awaitingClear_; }
  bool shouldVerifyVertexBufferSizeOnDraw() const { return verifyVertexBufferSize_; }
  void setShouldVerifyVertexBufferSizeOnDraw(bool value) { verifyVertexBufferSize_ = value; }
  bool shouldDeferDrawable() const { return deferDrawable_; }
  void setShouldDeferDrawable(bool value) { deferDrawable_ = value; }
  MGLDynamicIndicesDrawBuffer* dynamicIndicesBuffer() const { return dynamicIndices_.get(); }
  // Seconds since the reference date (1 January 2001).
  double rendererStartTime() const { return startTime_; }
  double lastRenderTime() const { return lastRenderTime_; }
  double lastFrameInterval() const { return lastFrameInterval_; }

 private:
  void takeFrameSlot();
  // The draws once their arguments passed; a software-Metal refusal
  // becomes GL_INVALID_OPERATION.
  void drawArrays(GLenum mode, GLint first, GLsizei count, GLsizei instanceCount);
  void drawElements(GLenum mode, GLsizei count, GLenum type, const void* indices,
                    GLsizei instanceCount);
  // Records an indexed draw of `count` indices, expanding fans and loops.
  void encodeIndexedDraw(GLenum mode, std::uint32_t count, GLenum type, const void* indexData,
                         const std::shared_ptr<mtl::Buffer>& indexBuffer,
                         std::uint64_t indexOffset, std::uint32_t instanceCount);

  MGLContext* context_;  // the owner, not retained
  std::shared_ptr<mtl::CommandQueue> commandQueue_;
  std::shared_ptr<mtl::CommandBuffer> commandBuffer_;
  std::shared_ptr<mtl::RenderCommandEncoder> renderEncoder_;
  std::shared_ptr<mtl::BlitCommandEncoder> blitEncoder_;
  MGLRef<MGLDynamicIndicesDrawBuffer> dynamicIndices_;
  MGLScissoredClear scissoredClear_;
  // Shared with completion handlers: each signals the semaphore that was
  // current when its frame was presented.
  std::shared_ptr<ns::Semaphore> semaphore_;
  std::uint64_t lastRenderedCommandBufferID_ = 0;
  std::uint64_t commandBufferID_ = 0;
  std::uint64_t renderCommandEncoderID_ = 0;
  std::uint64_t blitCommandEncoderID_ = 0;
  std::uint64_t frameCount_ = 0;
  int debugGroupDepth_ = 0;  // groups pushed on the open render encoder
  std::uint32_t frameIndex_ = 0;
  std::uint32_t poolSize_ = 0;
  double startTime_ = 0;
  double lastRenderTime_ = 0;
  double lastFrameInterval_ = 1.0 / 60.0;
  bool isNewFrame_ = true;  // the frame has not taken its slot yet
  bool awaitingClear_ = false;
  bool verifyVertexBufferSize_ = true;
  bool deferDrawable_ = true;
  bool renderable_ = false;
};
