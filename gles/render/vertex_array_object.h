// The vertex attribute state of a context (its default vertex array object
// is GLID 0) turned into Metal terms: a vertex descriptor (per attribute a
// format, buffer slot and offset; per slot a stride and step function) and,
// at each draw, the vertex buffers bound to the render encoder. Attributes
// that lie within one stride of each other with the same stride, GL buffer
// and divisor share one Metal buffer slot (interleaved data). Client arrays
// are copied at every draw into per-frame pools; buffer-backed arrays are
// bound in place after a bounds check; disabled attributes read a constant.
//
// Thread rules: owned by one context and used by its thread only.
#pragma once

#include <array>
#include <cstdint>

#include "gles/context/gl_object.h"
#include "gles/context/gl_types.h"
#include "gles/context/object_array.h"
#include "gles/render/accumulating_buffer.h"

class MGLBuffer;
class MGLContext;
class MGLMutableRenderPipelineState;
class MGLRenderer;
class MGLShaderProgram;

// Records shared with the pipeline state's key (compared as bytes).
struct MGLVertexAttributePipelineSpec {
  std::uint32_t bufferOffset = 0;
  std::int8_t bufferIndex = 0;  // Metal buffer index
  std::uint8_t format = 0;      // Metal vertex format
  std::int8_t mtlIndex = -1;    // attribute index in the vertex function
  std::uint8_t pad = 0;
};
static_assert(sizeof(MGLVertexAttributePipelineSpec) == 8);

struct MGLVertexBufferLayoutSpec {
  std::uint16_t stride = 0;
  std::uint8_t stepFunction = 1;  // Metal: 0 constant, 1 per vertex, 2 per instance
  std::uint8_t stepRate = 1;
};
static_assert(sizeof(MGLVertexBufferLayoutSpec) == 4);

class MGLVertexAttributeState : public MGLObject {
 public:
  explicit MGLVertexAttributeState(std::int64_t index) : attributeIndex_(index) {}
  const char* className() const override { return "MGLVertexAttributeState"; }

  // glVertexAttribPointer: true when anything changed. A type, size or
  // stride Metal cannot fetch is refused (the error recorded) and changes
  // nothing.
  bool bindVertices(const void* vertices, GLint size, GLenum type, GLsizei stride,
                    bool normalized, GLuint bufferGLID);
  GLint getParameter(GLenum pname) const;

  std::int64_t attributeIndex() const { return attributeIndex_; }
  std::uint64_t mtlFormat() const { return mtlFormat_; }
  const void* vertices() const { return vertices_; }
  GLuint bufferGLID() const { return bufferGLID_; }
  GLenum elementType() const { return elementType_; }
  GLint elementCount() const { return elementCount_; }
  GLsizei strideInput() const { return strideInput_; }
  GLsizei stride() const { return stride_; }
  // Bytes one vertex of this attribute occupies in the client's data.
  std::uint64_t byteSize() const;
  // Forgets the array: no buffer, no pointer (a deleted buffer's name).
  void clearVertices() {
    vertices_ = nullptr;
    bufferGLID_ = 0;
  }
  GLuint instanceDivisor() const { return divisor_; }
  void setInstanceDivisor(GLuint divisor) { divisor_ = divisor; }
  // Kind of two-component read a one-component byte or short implies
  // (1 byte, 2 short, 3 unsigned byte, 4 unsigned short; 0 none).
  int vertexContentRequiresExpansion() const { return expansion_; }
  bool isNormalized() const { return normalized_; }
  bool shouldUsePerVertexContent() const { return enabled_; }
  void setShouldUsePerVertexContent(bool value) { enabled_ = value; }
  MGLVertexAttributePipelineSpec* pipelineSpec() const { return spec_; }
  void setPipelineSpec(MGLVertexAttributePipelineSpec* spec) { spec_ = spec; }

 private:
  MGLVertexAttributePipelineSpec* spec_ = nullptr;
  std::int64_t attributeIndex_;
  std::uint64_t mtlFormat_ = 0;
  const void* vertices_ = nullptr;
  GLuint bufferGLID_ = 0;
  GLenum elementType_ = 0;
  GLint elementCount_ = 0;
  GLsizei strideInput_ = 0;
  GLsizei stride_ = 0;
  GLuint divisor_ = 0;
  int expansion_ = 0;
  bool normalized_ = false;
  bool enabled_ = false;
};

// One Metal vertex buffer slot and the attributes grouped into it.
class MGLVertexAttributeBuffer : public MGLObject {
 public:
  MGLVertexAttributeBuffer(std::int64_t bufferIndex, MGLVertexBufferLayoutSpec* layout);
  const char* className() const override { return "MGLVertexAttributeBuffer"; }

  MGLDynamicDrawBuffer* dynamicContentBuffer() const { return content_.get(); }
  MGLArray& relatedVertexAttributes() { return related_; }
  MGLVertexBufferLayoutSpec* pipelineSpec() const { return layout_; }
  std::int64_t bufferIndex() const { return bufferIndex_; }

 private:
  friend class MGLVertexArrayObject;
  MGLRef<MGLDynamicDrawBuffer> content_;
  MGLArray related_{8, false};
  MGLVertexBufferLayoutSpec* layout_;
  std::uintptr_t vertices_ = 0;  // lowest pointer (or buffer offset) of the group
  std::uintptr_t highest_ = 0;   // highest one
  std::int64_t bufferIndex_;
  GLuint bufferGLID_ = 0;
  GLuint divisor_ = 0;
  bool isConstant_ = false;
};

class MGLVertexArrayObject : public MGLGLObjectBase {
 public:
  static constexpr GLuint kMaxVertexAttributes = 16;
  static constexpr std::uint64_t kMaxVertexBuffers = 15;  // Metal indices 1 to 15

  explicit MGLVertexArrayObject(GLID glID);
  static MGLGLObjectBase* create(GLID glID) { return new MGLVertexArrayObject(glID); }

  // glVertexAttribPointer; the context's bound array buffer (0 for none)
  // becomes the attribute's buffer, and the pointer an offset into it.
  void bindVertices(const void* vertices, GLint size, GLenum type, GLsizei stride,
                    bool normalized, GLuint index);
  void setShouldUsePerVertexContent(bool value, GLuint index);
  void setInstanceDivisor(GLuint divisor, GLuint index);
  // glVertexAttrib*f: read by the attribute while its array is disabled.
  void setConstant(const std::array<GLfloat, 4>& value, GLuint index);
  std::array<GLfloat, 4> getConstantForVertexAttributeAt(GLuint index) const;
  const void* getVerticesForVertexAttributeAt(GLuint index);
  GLint getParameter(GLenum pname, GLuint index);
  MGLVertexAttributeState* getVertexAttributeAt(GLuint index);

  void markDirty();
  bool isDirty() const { return dirty_; }
  void setRenderPipelineState(MGLMutableRenderPipelineState* state);
  MGLMutableRenderPipelineState* renderPipelineState() const { return pipelineState_; }
  MGLContext* context() const { return context_; }
  MGLBuffer* vertexElementArrayBuffer() const { return elementBuffer_.get(); }
  // A deleted buffer: the attributes that read it read nothing now, so a
  // later buffer given the same name does not feed them.
  void detachBufferWithGLID(GLuint glID);
  void setVertexElementArrayBuffer(MGLBuffer* buffer);

  // Groups the program's active attributes into Metal buffer slots and
  // fills the specs; false when nothing changed since the last bake.
  bool bakeVertexAttributesWithShaderProgram(MGLShaderProgram& program);
  const void* bakedVertexAttributeLayout() const { return bakedLayout_; }
  std::uint64_t vertexAttributeBufferCount() const { return buffers_.count(); }
  MGLVertexAttributeBuffer* vertexAttributeBufferAt(std::uint64_t slot) const;
  MGLVertexAttributePipelineSpec* vertexAttributePipelineSpecs() { return attributeSpecs_.data(); }
  MGLVertexBufferLayoutSpec* vertexAttributeBufferLayoutSpecs() { return layoutSpecs_.data(); }

  // Binds every slot for an array draw of `count` vertices from `first`,
  // so the Metal draw starts at vertex 0; a slot that cannot be bound
  // makes the draw incomplete (the renderer's isRenderable).
  void bindToDraw(GLsizei count, GLint first, MGLRenderer& renderer, std::uint32_t instances = 1);
  // The same for an indexed draw whose largest index is `vertexCount` - 1.
  void bindVertexBuffersToDraw(std::uint64_t vertexCount, MGLRenderer& renderer,
                               std::uint32_t instances = 1);

 private:
  // Whether `index` names an attribute; -1 is silently not one.
  static bool checkIndex(GLuint index);
  MGLVertexAttributeBuffer* slotFor(MGLVertexAttributeState& attribute);
  void finishSlots();
  bool bindSlot(MGLVertexAttributeBuffer& slot, std::uint64_t count, std::uint64_t first,
                MGLRenderer& renderer);

  MGLContext* context_ = nullptr;
  MGLMutableRenderPipelineState* pipelineState_ = nullptr;  // not retained
  MGLRef<MGLBuffer> elementBuffer_;
  MGLArray attributes_;
  std::array<MGLVertexAttributePipelineSpec, kMaxVertexAttributes> attributeSpecs_{};
  MGLArray buffers_;
  std::array<MGLVertexBufferLayoutSpec, kMaxVertexBuffers> layoutSpecs_{};
  const void* bakedLayout_ = nullptr;
  std::array<std::array<GLfloat, 4>, kMaxVertexAttributes> constants_{};
  bool dirty_ = false;
  bool tooManyBuffers_ = false;
};
