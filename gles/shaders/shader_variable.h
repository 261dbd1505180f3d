// The GL-visible variables of a linked program: vertex attributes, which
// carry a GL location and a Metal attribute index, and uniforms, which own a
// range of GL locations. A buffer uniform keeps its values in the program's
// uniform buffers (one per stage) at the byte offsets Metal's reflection
// gave, so setting it is a typed copy into each stage's buffer, narrowed
// where Metal stores bytes. A sampler uniform keeps per location the GL
// texture unit chosen and the Metal texture slots of both stages, and binds
// textures and sampler states before a draw.
//
// Layout in the uniform buffers, as Metal lays out the types: 4-byte float
// and int components; a 3-component vector (and each float3x3 column) in a
// 16-byte slot; bool and char components one byte each, a 3-component one
// in a 4-byte slot.
//
// Thread rules: variables belong to their program and are used by the
// thread of the current context, like the program.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "gles/context/gl_types.h"
#include "gles/context/object.h"
#include "gles/render/renderable.h"
#include "platform/metal/types.h"

class MGLRenderer;
class MGLShaderProgram;
class MGLShaderVertexBuffer;
class MGLShaderFragmentBuffer;

// The stages of a link, by the codes the link passes around.
enum class MGLShaderStage : int { Vertex = 1, Fragment = 2 };

class MGLShaderVariable : public MGLObject {
 public:
  // Named by the last dot-separated part of `name`. The program owns the
  // variable and is not retained.
  MGLShaderVariable(MGLShaderProgram* program, std::string_view name);
  MGLShaderVariable(MGLShaderProgram* program, std::string_view name, mtl::DataType type,
                    GLint size);
  const char* className() const override { return "MGLShaderVariable"; }

  MGLShaderProgram* program() const { return program_; }
  const std::string& name() const { return name_; }
  mtl::DataType mtlDataType() const { return mtlDataType_; }
  GLenum glDataType() const { return glDataType_; }
  // Scalar components of the GL type (16 for a mat4).
  GLint typeSize() const { return typeSize_; }
  // Elements: the array length, 1 for a single value.
  GLint size() const { return size_; }
  // Bytes of one element in Metal's layout.
  GLint stride() const { return stride_; }

  // A uniform's byte offset in one stage's buffer; nothing for a plain
  // variable, a link error for a vertex attribute.
  virtual void setBufferOffset(GLint offset, MGLShaderStage stage);

  // "MGLBufferShaderUniform named u_color".
  std::string description() const override;
  virtual std::string fullDescription() const;

 protected:
  MGLShaderProgram* program_;
  std::string name_;
  mtl::DataType mtlDataType_ = mtl::DataType::None;
  GLenum glDataType_ = 0;
  GLint typeSize_ = 0;
  GLint size_ = 0;
  GLint stride_ = 0;
};

class MGLShaderVertexAttribute : public MGLShaderVariable {
 public:
  using MGLShaderVariable::MGLShaderVariable;
  const char* className() const override { return "MGLShaderVertexAttribute"; }

  GLint vertexAttributeLocation() const { return location_; }
  void setVertexAttributeLocation(GLint location) { location_ = location; }
  std::int64_t mtlVertexAttributeIndex() const { return mtlIndex_; }
  void setMtlVertexAttributeIndex(std::int64_t index) { mtlIndex_ = index; }
  void setBufferOffset(GLint offset, MGLShaderStage stage) override;

 private:
  GLint location_ = -1;
  std::int64_t mtlIndex_ = -1;
};

class MGLShaderUniform : public MGLShaderVariable {
 public:
  using MGLShaderVariable::MGLShaderVariable;
  const char* className() const override { return "MGLShaderUniform"; }

  GLint baseLocation() const { return baseLocation_; }
  GLint endLocation() const { return endLocation_; }
  bool isSampler() const { return isSampler_; }
  // The uniform owns the locations base <= l < base + size.
  void setBaseLocation(GLint location);
  bool containsLocation(GLint location) const {
    return location >= baseLocation_ && location < endLocation_;
  }
  std::int64_t offsetForLocation(GLint location) const {
    return std::int64_t{location - baseLocation_} * stride_;
  }
  // Called once the program's locations and buffers are final.
  virtual void link() {}

  // A negative location is refused silently, a negative count with
  // GL_INVALID_VALUE.
  bool validateLocation(GLint location, GLsizei count) const;

  // glUniform*: `count` elements from `location` on. A plain uniform
  // ignores them; a sampler takes only setIntsAt.
  virtual void setIntsAt(GLint location, GLsizei count, const GLint* values, MGLRenderer& renderer);
  virtual void setInt2sAt(GLint location, GLsizei count, const GLint* values, MGLRenderer& renderer);
  virtual void setInt3sAt(GLint location, GLsizei count, const GLint* values, MGLRenderer& renderer);
  virtual void setInt4sAt(GLint location, GLsizei count, const GLint* values, MGLRenderer& renderer);
  virtual void setFloatsAt(GLint location, GLsizei count, const GLfloat* values, MGLRenderer& renderer);
  virtual void setFloat2sAt(GLint location, GLsizei count, const GLfloat* values, MGLRenderer& renderer);
  virtual void setFloat3sAt(GLint location, GLsizei count, const GLfloat* values, MGLRenderer& renderer);
  virtual void setFloat4sAt(GLint location, GLsizei count, const GLfloat* values, MGLRenderer& renderer);
  // glGetUniform*: the element at `location`, as floats or integers; a
  // null output does nothing.
  virtual void getFloatValue(GLfloat* values, GLint location);
  virtual void getIntValue(GLint* values, GLint location);

  std::string fullDescription() const override;

 protected:
  GLint baseLocation_ = -1;
  GLint endLocation_ = -1;
  bool isSampler_ = false;
};

class MGLBufferShaderUniform : public MGLShaderUniform {
 public:
  MGLBufferShaderUniform(MGLShaderProgram* program, std::string_view name, mtl::DataType type,
                         GLint size);
  ~MGLBufferShaderUniform() override;
  const char* className() const override { return "MGLBufferShaderUniform"; }

  MGLShaderVertexBuffer* vertexBuffer() const { return vertexBuffer_.get(); }
  MGLShaderFragmentBuffer* fragmentBuffer() const { return fragmentBuffer_.get(); }
  GLint vertexBufferOffset() const { return vertexBufferOffset_; }
  void setVertexBufferOffset(GLint offset) { vertexBufferOffset_ = offset; }
  GLint fragmentBufferOffset() const { return fragmentBufferOffset_; }
  void setFragmentBufferOffset(GLint offset) { fragmentBufferOffset_ = offset; }
  // Components per vector of the Metal type; vectors per location (one per
  // column of a square float matrix).
  GLuint vectorSize() const { return vectorSize_; }
  GLuint vectorsPerLocation() const { return vectorsPerLocation_; }

  void setBufferOffset(GLint offset, MGLShaderStage stage) override;
  // Takes the program's buffers of the stages that use the uniform.
  void link() override;
  bool validateLocation(GLint location, GLsizei count, GLuint vectorSize) const;

  void setIntsAt(GLint location, GLsizei count, const GLint* values, MGLRenderer& renderer) override;
  void setInt2sAt(GLint location, GLsizei count, const GLint* values, MGLRenderer& renderer) override;
  void setInt3sAt(GLint location, GLsizei count, const GLint* values, MGLRenderer& renderer) override;
  void setInt4sAt(GLint location, GLsizei count, const GLint* values, MGLRenderer& renderer) override;
  void setFloatsAt(GLint location, GLsizei count, const GLfloat* values, MGLRenderer& renderer) override;
  void setFloat2sAt(GLint location, GLsizei count, const GLfloat* values, MGLRenderer& renderer) override;
  void setFloat3sAt(GLint location, GLsizei count, const GLfloat* values, MGLRenderer& renderer) override;
  void setFloat4sAt(GLint location, GLsizei count, const GLfloat* values, MGLRenderer& renderer) override;
  // Writes `length` bytes at element `locationOffset` into each stage's
  // buffer.
  void set(std::uint64_t length, const void* bytes, GLint locationOffset, MGLRenderer& renderer);
  void getFloatValue(GLfloat* values, GLint location) override;
  void getIntValue(GLint* values, GLint location) override;

  std::string fullDescription() const override;

 private:
  // How a setter may store into this uniform's Metal type.
  enum class Storage { Refused, Words, Bytes };
  // How a setter of float or int vectors of `vectorSize` stores into the
  // uniform: copies of 32-bit components into a float or int vector (or a
  // float matrix of that many columns), or bytes for char and bool vectors.
  Storage storageFor(bool floats, GLuint vectorSize) const;
  template <typename T>
  void setVectors(GLint location, GLsizei count, const T* values, GLuint vectorSize,
                  MGLRenderer& renderer);
  template <typename Out>
  void readValue(Out* values, GLint location);
  // Each stage's destination for `length` bytes at element `locationOffset`,
  // filled by `fill` once and copied into the other stage.
  template <typename Fill>
  void write(std::uint64_t length, GLint locationOffset, MGLRenderer& renderer, Fill&& fill);
  // The stored element at `location`, or null after recording why not.
  const std::uint8_t* storedElement(GLint location) const;

  MGLRef<MGLShaderVertexBuffer> vertexBuffer_;
  MGLRef<MGLShaderFragmentBuffer> fragmentBuffer_;
  GLint vertexBufferOffset_ = -1;
  GLint fragmentBufferOffset_ = -1;
  GLuint vectorSize_ = 1;
  GLuint vectorsPerLocation_ = 1;
};

// Per location of a sampler uniform: the GL texture unit, and the Metal
// texture slot in each stage (-1 where the stage does not sample it).
struct MGLTextureUnitMapEntry {
  std::int8_t textureUnitIndex = 0;
  std::int8_t mtlVertexTextureIndex = -1;
  std::int8_t mtlFragmentTextureIndex = -1;
};

class MGLSamplerShaderUniform : public MGLShaderUniform, public MGLRenderable {
 public:
  static constexpr GLint kMaxTextures = 16;

  MGLSamplerShaderUniform(MGLShaderProgram* program, std::string_view name,
                          mtl::TextureType textureType);
  const char* className() const override { return "MGLSamplerShaderUniform"; }

  GLenum samplerTarget() const { return samplerTarget_; }
  const MGLTextureUnitMapEntry& textureUnitMapEntry(GLint index) const { return map_[index]; }
  bool isRendered() const { return isRendered_; }
  void setIsRendered(bool rendered) { isRendered_ = rendered; }

  // At link: location index `index` of the sampler reads Metal texture
  // slot `slot` in `stage`.
  void setMetalTextureIndex(std::uint64_t slot, std::uint64_t index, MGLShaderStage stage);
  // glUniform1i: texture units for the locations from `location` on.
  void setIntsAt(GLint location, GLsizei count, const GLint* values, MGLRenderer& renderer) override;
  void getFloatValue(GLfloat* values, GLint location) override;
  void getIntValue(GLint* values, GLint location) override;
  // Binds the textures of the chosen units, with their sampler states, at
  // the Metal slots of the stages that sample them.
  void renderTo(MGLRenderer& renderer) override;

 private:
  std::array<MGLTextureUnitMapEntry, kMaxTextures> map_{};
  GLenum samplerTarget_ = 0;
  bool isRendered_ = false;
};
