#include "gles/render/renderer.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>

#include "gles/context/context.h"
#include "gles/context/errors.h"
#include "gles/context/gl_enums.h"
#include "gles/context/platform.h"
#include "gles/render/buffer.h"
#include "gles/render/render_pipeline_state.h"
#include "gles/render/vertex_array_object.h"
#include "gles/textures/framebuffer.h"
#include "gles/textures/renderbuffer.h"
#include "gles/textures/state_conversion.h"
#include "platform/foundation/date.h"
#include "platform/foundation/threads.h"
#include "platform/metal/blit_encoder.h"
#include "platform/metal/buffer.h"
#include "platform/metal/command_buffer.h"
#include "platform/metal/device.h"
#include "platform/metal/render_encoder.h"
#include "platform/metal/validation.h"

namespace {

double now() { return ns::Date::now().timeIntervalSinceReferenceDate(); }

bool isDrawMode(GLenum mode) { return mode <= GL_TRIANGLE_FAN; }

bool isExpandedMode(GLenum mode) { return mode == GL_TRIANGLE_FAN || mode == GL_LINE_LOOP; }

std::uint32_t indexSize(GLenum type) {
  return type == GL_UNSIGNED_BYTE ? 1 : type == GL_UNSIGNED_SHORT ? 2 : 4;
}

// Index `i` of `count` indices of `type`; null data means 0, 1, 2, ...
// Read byte-wise: indices inside a buffer object may be misaligned.
std::uint32_t indexAt(const std::uint8_t* data, GLenum type, std::uint64_t i) {
  if (!data) return static_cast<std::uint32_t>(i);
  if (type == GL_UNSIGNED_BYTE) return data[i];
  if (type == GL_UNSIGNED_SHORT) {
    std::uint16_t v;
    std::memcpy(&v, data + 2 * i, 2);
    return v;
  }
  std::uint32_t v;
  std::memcpy(&v, data + 4 * i, 4);
  return v;
}

std::uint32_t largestIndex(const std::uint8_t* data, GLenum type, std::uint32_t count) {
  std::uint32_t largest = 0;
  for (std::uint32_t i = 0; i < count; ++i) largest = std::max(largest, indexAt(data, type, i));
  return largest;
}

// Fans become triangle lists (0, i, i + 1) and loops closed line strips,
// both through indices: Metal draws neither.
std::uint64_t expandedIndexCount(GLenum mode, std::uint32_t count) {
  if (mode == GL_TRIANGLE_FAN) return count < 3 ? 0 : 3 * (std::uint64_t{count} - 2);
  return count < 2 ? 0 : std::uint64_t{count} + 1;
}

template <typename Index>
void putIndex(std::uint8_t*& out, std::uint32_t value) {
  const auto index = static_cast<Index>(value);
  std::memcpy(out, &index, sizeof index);
  out += sizeof index;
}

template <typename Index>
void expandIndices(GLenum mode, const std::uint8_t* data, GLenum type, std::uint32_t count,
                   std::uint8_t* out) {
  if (mode == GL_TRIANGLE_FAN) {
    const std::uint32_t hub = indexAt(data, type, 0);
    for (std::uint32_t i = 1; i + 1 < count; ++i) {
      putIndex<Index>(out, hub);
      putIndex<Index>(out, indexAt(data, type, i));
      putIndex<Index>(out, indexAt(data, type, i + 1));
    }
  } else {
    for (std::uint32_t i = 0; i < count; ++i) putIndex<Index>(out, indexAt(data, type, i));
    putIndex<Index>(out, indexAt(data, type, 0));
  }
}

// A count or instance count of 0 draws nothing and is no error; negative
// ones are.
bool drawsSomething(GLsizei count, GLsizei instanceCount, const char* negativeCount) {
  if (count == 0 || instanceCount == 0) return false;
  if (count < 0) {
    mglSetError(GL_INVALID_VALUE, negativeCount);
    return false;
  }
  if (instanceCount < 0) {
    mglSetError(GL_INVALID_VALUE, "The number of instances cannot be negative");
    return false;
  }
  return true;
}

// Runs the recording of a draw; what the software Metal refuses becomes a
// GL error, and the renderer stays usable.
template <typename F>
void guarded(F&& record) {
  try {
    record();
  } catch (const mtl::ValidationError&) {
    mglSetError(GL_INVALID_OPERATION, "An unexpected error occurred.");
  } catch (const std::bad_alloc&) {
    mglSetError(GL_OUT_OF_MEMORY, "An unexpected error occurred.");
  }
}

}  // namespace

MGLRenderer::MGLRenderer(MGLContext* context)
    : context_(context),
      commandQueue_(mglSharedMTLDevice()->newCommandQueue()),
      dynamicIndices_(mglMake<MGLDynamicIndicesDrawBuffer>()) {
  setConsumableResourcePoolSize(3);
  startTime_ = lastRenderTime_ = now();
}

MGLRenderer::~MGLRenderer() {
  context_ = nullptr;
  try {
    while (debugGroupDepth_ > 0 && renderEncoder_) {
      renderEncoder_->popDebugGroup();
      --debugGroupDepth_;
    }
    if (renderEncoder_) renderEncoder_->endEncoding();
    if (blitEncoder_) blitEncoder_->endEncoding();
    if (commandBuffer_) commandBuffer_->commit();
  } catch (const mtl::ValidationError&) {
    // Nothing more can be done for a buffer Metal refuses to commit.
  }
}

void MGLRenderer::takeFrameSlot() {
  if (!isNewFrame_) return;
  semaphore_->wait();
  isNewFrame_ = false;
}

std::uint32_t MGLRenderer::frameIndexForWriting() {
  takeFrameSlot();
  return frameIndex_;
}

mtl::CommandBuffer* MGLRenderer::commandBuffer() {
  if (commandBuffer_) return commandBuffer_.get();
  takeFrameSlot();
  ++commandBufferID_;
  commandBuffer_ = commandQueue_->commandBuffer();
  commandBuffer_->enqueue();
  return commandBuffer_.get();
}

mtl::RenderCommandEncoder* MGLRenderer::renderCommandEncoder() {
  if (renderEncoder_) return renderEncoder_.get();
  awaitingClear_ = false;
  endEncoding();
  MGLFramebuffer* framebuffer = context_ ? context_->drawFramebufferBinding() : nullptr;
  if (!framebuffer) {
    mglSetError(GL_INVALID_FRAMEBUFFER_OPERATION,
                "No framebuffer is currently bound to GL_DRAW_FRAMEBUFFER_APPLE.");
    return nullptr;
  }
  // An incomplete framebuffer gives no pass: Metal refuses attachments of
  // unequal sizes or formats it cannot render to.
  std::optional<mtl::RenderPassDescriptor> pass = framebuffer->renderPassDescriptorForRenderer(*this);
  if (!pass) return nullptr;
  renderEncoder_ = commandBuffer()->renderCommandEncoder(*pass);
  ++renderCommandEncoderID_;
  return renderEncoder_.get();
}

mtl::BlitCommandEncoder* MGLRenderer::blitCommandEncoder() {
  if (blitEncoder_) return blitEncoder_.get();
  endEncoding();
  blitEncoder_ = commandBuffer()->blitCommandEncoder();
  ++blitCommandEncoderID_;
  return blitEncoder_.get();
}

void MGLRenderer::finalizeDrawState() {
  if (context_) context_->renderTo(*this);
}

void MGLRenderer::clearAttachments() {
  awaitingClear_ = false;
  endEncoding();
  awaitingClear_ = true;
}

void MGLRenderer::clearInBox(const MGLClearValues& values, const mtl::ScissorRect& box) {
  endEncoding();
  mtl::RenderCommandEncoder* encoder = renderCommandEncoder();
  if (!encoder) return;
  const MGLMutableRenderPipelineState* pipeline = context_->renderPipelineState();
  const MGLClearTarget target{pipeline->colorFormat(), pipeline->depthFormat(),
                              pipeline->stencilFormat(), pipeline->sampleCount()};
  guarded([&] { scissoredClear_.draw(*encoder, target, values, box); });
  // The next draw begins a pass of its own, which sets every state anew.
  endEncoding();
}

void MGLRenderer::endEncoding() {
  if (awaitingClear_) {
    // A pass with only its load actions, so a clear followed by no draw
    // still reaches the attachments.
    guarded([this] { renderCommandEncoder(); });
    awaitingClear_ = false;
  }
  if (std::shared_ptr<mtl::RenderCommandEncoder> encoder = std::move(renderEncoder_)) {
    // Metal refuses to end an encoder with a debug group still pushed.
    for (; debugGroupDepth_ > 0; --debugGroupDepth_) encoder->popDebugGroup();
    encoder->endEncoding();
  }
  if (std::shared_ptr<mtl::BlitCommandEncoder> encoder = std::move(blitEncoder_)) {
    encoder->endEncoding();
  }
}

void MGLRenderer::endCommandBuffer() {
  endEncoding();
  if (std::shared_ptr<mtl::CommandBuffer> buffer = std::move(commandBuffer_)) buffer->commit();
}

void MGLRenderer::flushCommandsFor(std::uint64_t commandBufferID) {
  if (commandBufferID == commandBufferID_) flushCommands();
}

void MGLRenderer::finishCommands() {
  commandBuffer();
  const std::shared_ptr<mtl::CommandBuffer> buffer = commandBuffer_;
  flushCommands();
  buffer->waitUntilCompleted();
}

bool MGLRenderer::presentDrawable() {
  markFrameInterval();
  endEncoding();
  bool presented = false;
  if (MGLRenderbuffer* renderbuffer = context_ ? context_->renderbufferBinding() : nullptr) {
    guarded([&] { presented = renderbuffer->presentDrawableUsingRenderer(*this); });
  } else {
    mglSetError(GL_INVALID_OPERATION, "No renderbuffer is currently bound");
  }
  // Every frame gives its slot back through its last buffer, an empty one
  // when nothing else was committed at present: a frame whose buffer a
  // flush committed must not keep its slot for ever.
  commandBuffer()->addCompletedHandler(
      [semaphore = semaphore_](mtl::CommandBuffer&) { semaphore->signal(); });
  endCommandBuffer();
  endFrame();
  lastRenderedCommandBufferID_ = commandBufferID_;
  return presented;
}

void MGLRenderer::endFrame() {
  frameIndex_ = frameIndex_ + 1 >= poolSize_ ? 0 : frameIndex_ + 1;
  isNewFrame_ = true;
  ++frameCount_;
}

void MGLRenderer::didCompleteFrame() { semaphore_->signal(); }

void MGLRenderer::markFrameInterval() {
  const double t = now();
  lastFrameInterval_ = t - lastRenderTime_;
  lastRenderTime_ = t;
}

void MGLRenderer::setConsumableResourcePoolSize(std::uint32_t size) {
  if (size == 0) size = 1;
  if (size == poolSize_) return;
  const bool holding = semaphore_ && !isNewFrame_;
  if (semaphore_) {
    // Presented frames still running signal the old semaphore; counting the
    // slots anew is only sound once they have all come back.
    for (std::uint32_t i = holding ? 1 : 0; i < poolSize_; ++i) semaphore_->wait();
  }
  poolSize_ = size;
  semaphore_ = std::make_shared<ns::Semaphore>(static_cast<long>(size));
  if (holding) semaphore_->wait();  // the current frame keeps its slot
}

void MGLRenderer::insertDebugMarker(const std::string& text) {
  if (renderEncoder_) renderEncoder_->insertDebugSignpost(text);
}

void MGLRenderer::pushDebugGroupWithMarker(const std::string& text) {
  if (!renderEncoder_) return;
  renderEncoder_->pushDebugGroup(text);
  ++debugGroupDepth_;
}

void MGLRenderer::popDebugGroup() {
  if (!renderEncoder_ || debugGroupDepth_ == 0) return;
  renderEncoder_->popDebugGroup();
  --debugGroupDepth_;
}

std::shared_ptr<mtl::Buffer> MGLRenderer::getMtlBufferWithGLID(GLuint glID) const {
  if (!context_ || glID == 0) return nullptr;
  auto* buffer = static_cast<MGLBuffer*>(context_->buffers()->getObjectOrNilWithGLID(glID));
  return buffer ? buffer->mtlBuffer() : nullptr;
}

void MGLRenderer::drawPrimitives(GLenum mode, GLint first, GLsizei count, GLsizei instanceCount) {
  if (!drawsSomething(count, instanceCount, "The number of vertices cannot be negative")) return;
  if (first < 0) {
    mglSetError(GL_INVALID_VALUE, "The first vertex cannot be negative");
    return;
  }
  if (!isDrawMode(mode)) {
    mglSetError(GL_INVALID_ENUM, "%@ is not a valid OpenGL primitive type", {mglGLEnumName(mode)});
    return;
  }
  guarded([&] { drawArrays(mode, first, count, instanceCount); });
}

void MGLRenderer::drawPrimitives(GLenum mode, GLsizei count, GLenum type, const void* indices,
                                 GLsizei instanceCount) {
  if (!drawsSomething(count, instanceCount, "The number of vertex indices cannot be negative"))
    return;
  if (type != GL_UNSIGNED_BYTE && type != GL_UNSIGNED_SHORT && type != GL_UNSIGNED_INT) {
    mglSetError(GL_INVALID_ENUM, "%@ is not a valid vertex index type", {mglGLEnumName(type)});
    return;
  }
  if (!isDrawMode(mode)) {
    mglSetError(GL_INVALID_ENUM, "%@ is not a valid OpenGL primitive type", {mglGLEnumName(mode)});
    return;
  }
  guarded([&] { drawElements(mode, count, type, indices, instanceCount); });
}

void MGLRenderer::drawArrays(GLenum mode, GLint first, GLsizei count, GLsizei instanceCount) {
  renderable_ = true;
  mtl::RenderCommandEncoder* encoder = renderCommandEncoder();
  if (!encoder) return;
  finalizeDrawState();
  MGLVertexArrayObject* vertexArray = context_->renderPipelineState()->vertexArrayObject();
  // Vertices are bound from `first` on, so the Metal draw starts at 0.
  vertexArray->bindToDraw(count, first, *this);
  if (!renderable_) {
    mglSetError(GL_INVALID_OPERATION, "Draw state is incomplete.");
    return;
  }
  const auto n = static_cast<std::uint32_t>(count);
  if (isExpandedMode(mode)) {
    encodeIndexedDraw(mode, n, GL_UNSIGNED_INT, nullptr, nullptr, 0,
                      static_cast<std::uint32_t>(instanceCount));
  } else {
    encoder->drawPrimitives(mglMTLPrimitiveTypeOfGL(mode), 0, n,
                            static_cast<mtl::NSUInteger>(instanceCount));
  }
}

void MGLRenderer::drawElements(GLenum mode, GLsizei count, GLenum type, const void* indices,
                               GLsizei instanceCount) {
  renderable_ = true;
  mtl::RenderCommandEncoder* encoder = renderCommandEncoder();
  if (!encoder) return;
  MGLVertexArrayObject* vertexArray = context_->renderPipelineState()->vertexArrayObject();
  const auto n = static_cast<std::uint32_t>(count);
  const std::uint32_t size = indexSize(type);
  const std::uint8_t* data = nullptr;
  std::shared_ptr<mtl::Buffer> indexBuffer;
  std::uint64_t indexOffset = 0;
  if (MGLBuffer* elements = vertexArray->vertexElementArrayBuffer()) {
    if (!elements->mtlBuffer()) {
      mglSetError(GL_INVALID_OPERATION, "GL_ELEMENT_ARRAY_BUFFER %u is bound, but has no content.",
                  {elements->glID()});
      return;
    }
    // The pointer argument is a byte offset into the buffer.
    const auto offset = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(indices));
    const auto length = static_cast<std::uint64_t>(elements->bufferSize());
    if (offset > length || n > (length - offset) / size) {
      mglSetError(GL_INVALID_OPERATION,
                  "%u indices at offset %llu run past the end of GL_ELEMENT_ARRAY_BUFFER %u.",
                  {n, static_cast<unsigned long long>(offset), elements->glID()});
      return;
    }
    data = static_cast<const std::uint8_t*>(elements->mtlBuffer()->contents()) + offset;
    // Metal reads 16- and 32-bit indices in place when they are aligned.
    if (type != GL_UNSIGNED_BYTE && offset % size == 0) {
      indexBuffer = elements->mtlBuffer();
      indexOffset = offset;
    }
  } else {
    if (!indices) {
      mglSetError(GL_INVALID_OPERATION, "No vertex indices were given.");
      return;
    }
    data = static_cast<const std::uint8_t*>(indices);
  }
  if (!indexBuffer && !isExpandedMode(mode) &&
      !dynamicIndices_->bind(n, data, type, *this, &indexBuffer, &indexOffset)) {
    return;
  }
  finalizeDrawState();
  // Client arrays are copied for every vertex the indices reach, whatever
  // the verification switch says, and buffer-backed ones are checked to
  // hold them.
  vertexArray->bindVertexBuffersToDraw(std::uint64_t{largestIndex(data, type, n)} + 1, *this);
  if (!renderable_) {
    mglSetError(GL_INVALID_OPERATION, "Draw state is incomplete.");
    return;
  }
  encodeIndexedDraw(mode, n, type, data, indexBuffer, indexOffset,
                    static_cast<std::uint32_t>(instanceCount));
}

void MGLRenderer::encodeIndexedDraw(GLenum mode, std::uint32_t count, GLenum type,
                                    const void* indexData,
                                    const std::shared_ptr<mtl::Buffer>& indexBuffer,
                                    std::uint64_t indexOffset, std::uint32_t instanceCount) {
  const auto* data = static_cast<const std::uint8_t*>(indexData);
  if (!isExpandedMode(mode)) {
    renderEncoder_->drawIndexedPrimitives(
        mglMTLPrimitiveTypeOfGL(mode), count,
        type == GL_UNSIGNED_INT ? mtl::IndexType::UInt32 : mtl::IndexType::UInt16, indexBuffer,
        indexOffset, instanceCount);
    return;
  }
  const std::uint64_t expanded = expandedIndexCount(mode, count);
  if (expanded == 0) return;  // too few vertices for one primitive
  // Generated indices of an array draw fit 16 bits below 65536 vertices.
  const bool wide = data ? type == GL_UNSIGNED_INT : count > 0x10000;
  std::uint8_t* out = dynamicIndices_->set(expanded * (wide ? 4 : 2), nullptr, 0, *this);
  if (!out) return;
  if (wide) {
    expandIndices<std::uint32_t>(mode, data, type, count, out);
  } else {
    expandIndices<std::uint16_t>(mode, data, type, count, out);
  }
  dynamicIndices_->markRendered();
  renderEncoder_->drawIndexedPrimitives(
      mode == GL_TRIANGLE_FAN ? mtl::PrimitiveType::Triangle : mtl::PrimitiveType::LineStrip,
      expanded, wide ? mtl::IndexType::UInt32 : mtl::IndexType::UInt16,
      dynamicIndices_->mtlBuffer(), dynamicIndices_->mtlBufferOffset(), instanceCount);
}
