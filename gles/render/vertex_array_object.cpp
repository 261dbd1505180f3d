#include "gles/render/vertex_array_object.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "gles/context/context.h"
#include "gles/context/errors.h"
#include "gles/context/gl_enums.h"
#include "gles/render/buffer.h"
#include "gles/render/render_pipeline_state.h"
#include "gles/render/renderer.h"
#include "gles/shaders/shader_program.h"
#include "gles/textures/state_conversion.h"
#include "platform/metal/render_encoder.h"

namespace {

constexpr GLsizei kMaxStride = 65535;  // the layout records strides in 16 bits
constexpr std::uint8_t kConstantFormat = static_cast<std::uint8_t>(mtl::VertexFormat::Float4);

// Bytes of one component as the client stores it.
std::uint32_t componentSize(GLenum type) {
  switch (type) {
    case GL_BYTE: case GL_UNSIGNED_BYTE: return 1;
    case GL_SHORT: case GL_UNSIGNED_SHORT: case GL_HALF_FLOAT_OES: return 2;
    default: return 4;
  }
}

int expansionKind(GLenum type, GLint size) {
  if (size != 1) return 0;
  switch (type) {
    case GL_BYTE: return 1;
    case GL_SHORT: return 2;
    case GL_UNSIGNED_BYTE: return 3;
    case GL_UNSIGNED_SHORT: return 4;
    default: return 0;
  }
}

// 16.16 fixed point as Metal cannot read it: converted in the copy.
void convertFixedToFloat(std::uint8_t* vertices, std::uint64_t count, std::uint64_t stride,
                         std::uint64_t offset, GLint components) {
  for (std::uint64_t v = 0; v < count; ++v) {
    std::uint8_t* p = vertices + v * stride + offset;
    for (GLint c = 0; c < components; ++c, p += 4) {
      std::int32_t fixed;
      std::memcpy(&fixed, p, 4);
      const float value = static_cast<float>(fixed) / 65536.0f;
      std::memcpy(p, &value, 4);
    }
  }
}

}  // namespace

bool MGLVertexAttributeState::bindVertices(const void* vertices, GLint size, GLenum type,
                                           GLsizei stride, bool normalized, GLuint bufferGLID) {
  // Checked before anything is stored: a refused call changes nothing.
  const bool fixed = type == GL_FIXED;
  if (fixed && bufferGLID != 0) {
    mglSetError(GL_INVALID_ENUM, "Vertex type %@ is not supported.", {mglGLEnumName(type)});
    return false;
  }
  const mtl::VertexFormat format = mglMTLVertexFormatOfGL(fixed ? GL_FLOAT : type, size, normalized);
  if (format == mtl::VertexFormat::Invalid) return false;
  if (stride > kMaxStride) {
    mglSetError(GL_INVALID_VALUE, "The stride (%i) cannot be larger than %i", {stride, kMaxStride});
    return false;
  }
  const bool changed = vertices != vertices_ || bufferGLID != bufferGLID_ || stride != strideInput_ ||
                       type != elementType_ || size != elementCount_ || normalized != normalized_;
  if (!changed) return false;
  vertices_ = vertices;
  bufferGLID_ = bufferGLID;
  strideInput_ = stride;
  elementType_ = type;
  elementCount_ = size;
  normalized_ = normalized;
  mtlFormat_ = static_cast<std::uint64_t>(format);
  stride_ = stride != 0 ? stride : size * static_cast<GLsizei>(componentSize(type));
  expansion_ = expansionKind(type, size);
  return true;
}

std::uint64_t MGLVertexAttributeState::byteSize() const {
  return std::uint64_t(std::max(elementCount_, 0)) * componentSize(elementType_);
}

GLint MGLVertexAttributeState::getParameter(GLenum pname) const {
  switch (pname) {
    case GL_VERTEX_ATTRIB_ARRAY_ENABLED: return enabled_ ? 1 : 0;
    case GL_VERTEX_ATTRIB_ARRAY_SIZE: return elementCount_;
    case GL_VERTEX_ATTRIB_ARRAY_STRIDE: return strideInput_;
    case GL_VERTEX_ATTRIB_ARRAY_TYPE: return static_cast<GLint>(elementType_);
    case GL_VERTEX_ATTRIB_ARRAY_NORMALIZED: return normalized_ ? 1 : 0;
    case GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING: return static_cast<GLint>(bufferGLID_);
    case GL_VERTEX_ATTRIB_ARRAY_DIVISOR_EXT: return static_cast<GLint>(divisor_);
    default:
      mglSetError(GL_INVALID_ENUM, "%@ is not a valid vertex attribute parameter name.",
                  {mglGLEnumName(pname)});
      return -1;
  }
}

MGLVertexAttributeBuffer::MGLVertexAttributeBuffer(std::int64_t bufferIndex,
                                                   MGLVertexBufferLayoutSpec* layout)
    : content_(mglMake<MGLDynamicDrawBuffer>(static_cast<std::uint64_t>(bufferIndex))),
      layout_(layout),
      bufferIndex_(bufferIndex) {}

MGLVertexArrayObject::MGLVertexArrayObject(GLID glID)
    : MGLGLObjectBase(glID, MGLObjectKind::VertexArrayObject, "MGLVertexArrayObject") {
  for (auto& constant : constants_) constant = {0, 0, 0, 1};
}

bool MGLVertexArrayObject::checkIndex(GLuint index) {
  if (index == ~GLuint{0}) return false;  // a location query's "no such attribute"
  if (index < kMaxVertexAttributes) return true;
  mglSetError(GL_INVALID_VALUE,
              "The index %i is too large. DivezoVO supports a maximum of %lu vertex attributes",
              {static_cast<GLint>(index), static_cast<unsigned long>(kMaxVertexAttributes)});
  return false;
}

MGLVertexAttributeState* MGLVertexArrayObject::getVertexAttributeAt(GLuint index) {
  if (auto* state = static_cast<MGLVertexAttributeState*>(attributes_.objectAtIndex(index)))
    return state;
  MGLRef<MGLVertexAttributeState> state = mglMake<MGLVertexAttributeState>(index);
  attributes_.setObject(state.get(), index);
  return state.get();
}

void MGLVertexArrayObject::bindVertices(const void* vertices, GLint size, GLenum type,
                                        GLsizei stride, bool normalized, GLuint index) {
  if (!checkIndex(index)) return;
  if (stride < 0) {
    mglSetError(GL_INVALID_VALUE, "The stride (%i) cannot be negative", {stride});
    return;
  }
  MGLBuffer* arrayBuffer = context_ ? context_->currentVertexArrayBuffer() : nullptr;
  if (getVertexAttributeAt(index)->bindVertices(vertices, size, type, stride, normalized,
                                                arrayBuffer ? arrayBuffer->glID() : 0)) {
    markDirty();
  }
}

void MGLVertexArrayObject::setShouldUsePerVertexContent(bool value, GLuint index) {
  if (!checkIndex(index)) return;
  MGLVertexAttributeState* state = getVertexAttributeAt(index);
  if (state->shouldUsePerVertexContent() == value) return;
  state->setShouldUsePerVertexContent(value);
  markDirty();
}

void MGLVertexArrayObject::setInstanceDivisor(GLuint divisor, GLuint index) {
  if (!checkIndex(index)) return;
  MGLVertexAttributeState* state = getVertexAttributeAt(index);
  if (state->instanceDivisor() == divisor) return;
  state->setInstanceDivisor(divisor);
  markDirty();
}

void MGLVertexArrayObject::setConstant(const std::array<GLfloat, 4>& value, GLuint index) {
  // The constants are copied at every draw and never enter the pipeline
  // key, so they leave the pipeline state as it is.
  if (checkIndex(index)) constants_[index] = value;
}

std::array<GLfloat, 4> MGLVertexArrayObject::getConstantForVertexAttributeAt(GLuint index) const {
  if (!checkIndex(index)) return {0, 0, 0, 1};
  return constants_[index];
}

const void* MGLVertexArrayObject::getVerticesForVertexAttributeAt(GLuint index) {
  if (!checkIndex(index)) return nullptr;
  return getVertexAttributeAt(index)->vertices();
}

GLint MGLVertexArrayObject::getParameter(GLenum pname, GLuint index) {
  if (!checkIndex(index)) return -1;
  return getVertexAttributeAt(index)->getParameter(pname);
}

void MGLVertexArrayObject::markDirty() {
  dirty_ = true;
  if (pipelineState_) pipelineState_->markDirty();
}

void MGLVertexArrayObject::setRenderPipelineState(MGLMutableRenderPipelineState* state) {
  pipelineState_ = state;
  if (state) context_ = state->context();
}

void MGLVertexArrayObject::setVertexElementArrayBuffer(MGLBuffer* buffer) {
  elementBuffer_ = buffer;
}

void MGLVertexArrayObject::detachBufferWithGLID(GLuint glID) {
  if (glID == 0) return;  // client arrays
  for (std::uint64_t i = 0; i < attributes_.count(); ++i) {
    auto* state = static_cast<MGLVertexAttributeState*>(attributes_.objectAtIndex(i));
    if (state && state->bufferGLID() == glID) {
      state->clearVertices();
      markDirty();
    }
  }
}

MGLVertexAttributeBuffer* MGLVertexArrayObject::vertexAttributeBufferAt(std::uint64_t slot) const {
  return slot < buffers_.count() ? static_cast<MGLVertexAttributeBuffer*>(buffers_[slot]) : nullptr;
}

bool MGLVertexArrayObject::bakeVertexAttributesWithShaderProgram(MGLShaderProgram& program) {
  const void* layout = program.vertexAttributeLayout();
  if (!dirty_ && bakedLayout_ == layout) return false;
  buffers_.setCount(0);  // the slot objects stay for reuse
  tooManyBuffers_ = false;
  const std::uint64_t n =
      std::min<std::uint64_t>(program.activeVertexAttributeCount(), kMaxVertexAttributes);
  for (std::uint64_t k = 0; k < n; ++k) {
    const MGLShaderProgramVertexAttributeBinding binding = program.activeVertexAttribute(k);
    MGLVertexAttributePipelineSpec& spec = attributeSpecs_[k];
    spec = {};
    spec.mtlIndex = static_cast<std::int8_t>(binding.mtlIndex);
    if (binding.location < 0 || binding.location >= static_cast<GLint>(kMaxVertexAttributes)) {
      continue;
    }
    MGLVertexAttributeState* attribute = getVertexAttributeAt(static_cast<GLuint>(binding.location));
    attribute->setPipelineSpec(&spec);
    spec.format = attribute->shouldUsePerVertexContent()
                      ? static_cast<std::uint8_t>(attribute->mtlFormat())
                      : kConstantFormat;
    slotFor(*attribute)->related_.addObject(attribute);
  }
  finishSlots();
  bakedLayout_ = layout;
  dirty_ = false;
  return true;
}

MGLVertexAttributeBuffer* MGLVertexArrayObject::slotFor(MGLVertexAttributeState& attribute) {
  const bool constant = !attribute.shouldUsePerVertexContent();
  const auto p = reinterpret_cast<std::uintptr_t>(attribute.vertices());
  const auto stride = static_cast<std::uintptr_t>(attribute.stride());
  for (std::uint64_t j = 0; j < buffers_.count(); ++j) {
    auto* slot = static_cast<MGLVertexAttributeBuffer*>(buffers_[j]);
    if (constant || slot->isConstant_) {
      if (constant && slot->isConstant_) return slot;
      continue;
    }
    if (slot->divisor_ != attribute.instanceDivisor() || slot->layout_->stride != stride ||
        slot->bufferGLID_ != attribute.bufferGLID()) {
      continue;
    }
    // The whole group must stay within one stride, or an attribute's
    // offset would reach into the next vertex.
    const std::uintptr_t low = std::min(slot->vertices_, p), high = std::max(slot->highest_, p);
    if (high - low < stride) {
      slot->vertices_ = low;
      slot->highest_ = high;
      return slot;
    }
  }
  const std::uint64_t j = buffers_.count();
  if (j == kMaxVertexBuffers) {
    mglSetError(GL_INVALID_OPERATION,
                "The maximum number of vertex attribute buffers (%lu) has been reached.",
                {static_cast<unsigned long>(kMaxVertexBuffers)});
    tooManyBuffers_ = true;
    return static_cast<MGLVertexAttributeBuffer*>(buffers_[j - 1]);
  }
  auto* slot = static_cast<MGLVertexAttributeBuffer*>(buffers_.objectAtIndex(j));
  if (slot) {
    buffers_.setCount(j + 1);
  } else {
    MGLRef<MGLVertexAttributeBuffer> made =
        mglMake<MGLVertexAttributeBuffer>(static_cast<std::int64_t>(j + 1), &layoutSpecs_[j]);
    buffers_.setObject(made.get(), j);
    slot = made.get();
  }
  slot->related_.removeAllObjects();
  slot->isConstant_ = constant;
  slot->bufferGLID_ = attribute.bufferGLID();
  slot->vertices_ = slot->highest_ = p;
  slot->divisor_ = attribute.instanceDivisor();
  MGLVertexBufferLayoutSpec& layout = *slot->layout_;
  if (constant) {
    layout = {256, static_cast<std::uint8_t>(mtl::VertexStepFunction::Constant), 0};
  } else if (attribute.instanceDivisor() == 0) {
    layout = {static_cast<std::uint16_t>(attribute.stride()),
              static_cast<std::uint8_t>(mtl::VertexStepFunction::PerVertex), 1};
  } else {
    layout = {static_cast<std::uint16_t>(attribute.stride()),
              static_cast<std::uint8_t>(mtl::VertexStepFunction::PerInstance),
              static_cast<std::uint8_t>(std::min<GLuint>(attribute.instanceDivisor(), 255))};
  }
  return slot;
}

void MGLVertexArrayObject::finishSlots() {
  for (std::uint64_t j = 0; j < buffers_.count(); ++j) {
    auto* slot = static_cast<MGLVertexAttributeBuffer*>(buffers_[j]);
    for (std::uint64_t i = 0; i < slot->related_.count(); ++i) {
      auto* attribute = static_cast<MGLVertexAttributeState*>(slot->related_[i]);
      MGLVertexAttributePipelineSpec& spec = *attribute->pipelineSpec();
      spec.bufferIndex = static_cast<std::int8_t>(slot->bufferIndex_);
      if (slot->isConstant_) {
        spec.bufferOffset = static_cast<std::uint32_t>(attribute->attributeIndex() * 16);
        continue;
      }
      spec.bufferOffset = static_cast<std::uint32_t>(
          reinterpret_cast<std::uintptr_t>(attribute->vertices()) - slot->vertices_);
      const std::uint32_t component = componentSize(attribute->elementType());
      if (attribute->vertexContentRequiresExpansion() != 0 &&
          spec.bufferOffset + 2 * component > slot->layout_->stride) {
        mglSetError(GL_INVALID_OPERATION,
                    "Metal does not support a vertex attribute containing a single %@. Vertex "
                    "attribute was automatically expanded beyond the stride of the vertex. "
                    "Consider modifying your vertex structure so this attribute is not the last "
                    "attribute in the vertex.",
                    {mglGLEnumName(attribute->elementType())});
      }
    }
  }
}

void MGLVertexArrayObject::bindToDraw(GLsizei count, GLint first, MGLRenderer& renderer,
                                      std::uint32_t instances) {
  if (tooManyBuffers_) {
    renderer.setIsRenderable(false);
    return;
  }
  for (std::uint64_t j = 0; j < buffers_.count(); ++j) {
    auto* slot = static_cast<MGLVertexAttributeBuffer*>(buffers_[j]);
    const bool perInstance = slot->divisor_ != 0;
    const std::uint64_t n = perInstance ? (instances + slot->divisor_ - 1) / slot->divisor_
                                        : static_cast<std::uint64_t>(count);
    if (!bindSlot(*slot, n, perInstance ? 0 : static_cast<std::uint64_t>(first), renderer)) {
      renderer.setIsRenderable(false);
      return;
    }
  }
}

void MGLVertexArrayObject::bindVertexBuffersToDraw(std::uint64_t vertexCount, MGLRenderer& renderer,
                                                   std::uint32_t instances) {
  if (vertexCount > static_cast<std::uint64_t>(std::numeric_limits<GLsizei>::max())) {
    // Beyond any array a client can hold: the buffer checks refuse it.
    vertexCount = static_cast<std::uint64_t>(std::numeric_limits<GLsizei>::max());
  }
  bindToDraw(static_cast<GLsizei>(vertexCount), 0, renderer, instances);
}

bool MGLVertexArrayObject::bindSlot(MGLVertexAttributeBuffer& slot, std::uint64_t count,
                                    std::uint64_t first, MGLRenderer& renderer) {
  if (slot.isConstant_) {
    return slot.content_->bindVertexContent(constants_.data(), attributes_.count() * 16,
                                            renderer) != nullptr;
  }
  const std::uint64_t stride = slot.layout_->stride;
  // The bytes the group reads of one vertex, from the slot's start.
  std::uint64_t extent = 0;
  for (std::uint64_t i = 0; i < slot.related_.count(); ++i) {
    auto* attribute = static_cast<MGLVertexAttributeState*>(slot.related_[i]);
    extent = std::max(extent, attribute->pipelineSpec()->bufferOffset + attribute->byteSize());
  }
  if (count == 0) count = 1;
  // (first + count - 1) * stride + extent, in 64 bits: first and count are
  // below 2^32 and the stride below 2^16.
  const std::uint64_t span = (first + count - 1) * stride + extent;
  if (slot.bufferGLID_ != 0) {
    auto* buffer = context_ ? static_cast<MGLBuffer*>(
                                  context_->buffers()->getObjectOrNilWithGLID(slot.bufferGLID_))
                            : nullptr;
    if (!buffer || !buffer->mtlBuffer()) {
      mglSetError(GL_INVALID_OPERATION, "Buffer %i does not exist.", {slot.bufferGLID_});
      return false;
    }
    const auto length = static_cast<std::uint64_t>(buffer->bufferSize());
    const std::uint64_t offset = slot.vertices_;
    if (offset > length || span > length - offset) {
      mglSetError(GL_INVALID_OPERATION,
                  "Buffer %i with length %lu is not large enough to contain %i vertices of stride "
                  "%i.",
                  {slot.bufferGLID_, static_cast<unsigned long>(length),
                   static_cast<long long>(first + count), static_cast<int>(stride)});
      return false;
    }
    renderer.currentRenderCommandEncoder()->setVertexBuffer(
        buffer->mtlBuffer(), offset + first * stride, static_cast<mtl::NSUInteger>(slot.bufferIndex_));
    return true;
  }
  if (slot.vertices_ == 0) {
    mglSetError(GL_INVALID_OPERATION, "No buffer or vertices were specified.");
    return false;
  }
  // Only what the client must provide is read: the last vertex may end
  // with the group's last attribute rather than a whole stride.
  const std::uint64_t length = span - first * stride;
  const auto* source = reinterpret_cast<const std::uint8_t*>(slot.vertices_ + first * stride);
  std::uint8_t* copy = slot.content_->bindVertexContent(source, length, renderer);
  if (!copy) return false;
  for (std::uint64_t i = 0; i < slot.related_.count(); ++i) {
    auto* attribute = static_cast<MGLVertexAttributeState*>(slot.related_[i]);
    if (attribute->elementType() == GL_FIXED) {
      convertFixedToFloat(copy, count, stride, attribute->pipelineSpec()->bufferOffset,
                          attribute->elementCount());
    }
  }
  return true;
}
