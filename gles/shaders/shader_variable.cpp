#include "gles/shaders/shader_variable.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

#include "gles/context/context.h"
#include "gles/context/errors.h"
#include "gles/context/gl_enums.h"
#include "gles/render/accumulating_buffer.h"
#include "gles/render/renderer.h"
#include "gles/shaders/shader_program.h"
#include "gles/textures/state_conversion.h"
#include "gles/textures/texture.h"
#include "platform/metal/render_encoder.h"

namespace {

using D = mtl::DataType;

std::uint64_t value(D type) { return static_cast<std::uint64_t>(type); }

// Components per vector of a Metal type; 1 for scalars, for non-square
// float matrices and for half matrices.
GLuint vectorSizeOf(D type) {
  const std::uint64_t v = value(type);
  auto in = [&](D first, D last) { return v >= value(first) && v <= value(last); };
  if (in(D::Float, D::Float4)) return static_cast<GLuint>(v - value(D::Float) + 1);
  if (type == D::Float2x2) return 2;
  if (type == D::Float3x3) return 3;
  if (type == D::Float4x4) return 4;
  if (in(D::Half, D::Half4)) return static_cast<GLuint>(v - value(D::Half) + 1);
  // Int, UInt, Short, UShort, Char, UChar and Bool run in fours.
  if (in(D::Int, D::Bool4)) return static_cast<GLuint>((v - value(D::Int)) % 4 + 1);
  return 1;
}

GLuint vectorsPerLocationOf(D type) {
  switch (type) {
    case D::Float2x2: return 2;
    case D::Float3x3: return 3;
    case D::Float4x4: return 4;
    default: return 1;
  }
}

bool isBoolType(D type) { return value(type) >= value(D::Bool) && value(type) <= value(D::Bool4); }

// Truncation toward zero that stays defined for every float: NaN gives 0,
// values beyond the 32-bit range saturate.
std::int32_t truncatedInt(float f) {
  if (std::isnan(f)) return 0;
  if (f >= 2147483648.0f) return std::numeric_limits<std::int32_t>::max();
  if (f <= -2147483648.0f) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(f);
}
std::int32_t truncatedInt(std::int32_t i) { return i; }

// One byte of Metal storage from a caller's component: a bool is true for
// any non-zero value (as GL sets booleans), a char takes the low 8 bits.
template <typename T>
std::uint8_t narrowed(T component, bool toBool) {
  if (toBool) return component != 0 ? 1 : 0;
  return static_cast<std::uint8_t>(static_cast<std::uint32_t>(truncatedInt(component)));
}

}  // namespace

// ---- MGLShaderVariable

MGLShaderVariable::MGLShaderVariable(MGLShaderProgram* program, std::string_view name)
    : program_(program), name_(MGLShaderProgram::localVariableName(name)) {}

MGLShaderVariable::MGLShaderVariable(MGLShaderProgram* program, std::string_view name,
                                     mtl::DataType type, GLint size)
    : MGLShaderVariable(program, name) {
  mtlDataType_ = type;
  glDataType_ = mglGLTypeOfMTLDataType(type);
  typeSize_ = glDataType_ ? mglElementCountOfGLType(glDataType_) : 0;
  size_ = size;
  stride_ = static_cast<GLint>(mglByteSizeOfMTLDataType(type));
}

void MGLShaderVariable::setBufferOffset(GLint, MGLShaderStage) {}

std::string MGLShaderVariable::description() const {
  return mglFormat("%@ named %@", {className(), name_});
}

std::string MGLShaderVariable::fullDescription() const {
  return description() + mglFormat("\n\t\tType: %@\n\t\tSize: %i", {mglGLEnumName(glDataType_), size_});
}

void MGLShaderVertexAttribute::setBufferOffset(GLint, MGLShaderStage) {
  program_->appendLinkErrorToLog(mglFormat(
      "Shader attribute '%@' cannot use [[ buffer(n) ]]. All shader attribute variables must use "
      "[[ attribute(n) ]] declarations, and be passed to the vertex function using the "
      "[[stage_in]] qualifier.",
      {name_}));
}

// ---- MGLShaderUniform

void MGLShaderUniform::setBaseLocation(GLint location) {
  baseLocation_ = location;
  endLocation_ = location + size_;
}

bool MGLShaderUniform::validateLocation(GLint location, GLsizei count) const {
  if (location < 0) return false;
  if (count < 0) {
    mglSetError(GL_INVALID_VALUE, "GLSL uniform %@ element count cannot be negative", {name_});
    return false;
  }
  return true;
}

void MGLShaderUniform::setIntsAt(GLint, GLsizei, const GLint*, MGLRenderer&) {}
void MGLShaderUniform::setInt2sAt(GLint, GLsizei, const GLint*, MGLRenderer&) {}
void MGLShaderUniform::setInt3sAt(GLint, GLsizei, const GLint*, MGLRenderer&) {}
void MGLShaderUniform::setInt4sAt(GLint, GLsizei, const GLint*, MGLRenderer&) {}
void MGLShaderUniform::setFloatsAt(GLint, GLsizei, const GLfloat*, MGLRenderer&) {}
void MGLShaderUniform::setFloat2sAt(GLint, GLsizei, const GLfloat*, MGLRenderer&) {}
void MGLShaderUniform::setFloat3sAt(GLint, GLsizei, const GLfloat*, MGLRenderer&) {}
void MGLShaderUniform::setFloat4sAt(GLint, GLsizei, const GLfloat*, MGLRenderer&) {}
void MGLShaderUniform::getFloatValue(GLfloat*, GLint) {}
void MGLShaderUniform::getIntValue(GLint*, GLint) {}

std::string MGLShaderUniform::fullDescription() const {
  return MGLShaderVariable::fullDescription() + mglFormat("\n\t\tLocation: %i", {baseLocation_});
}

// ---- MGLBufferShaderUniform

MGLBufferShaderUniform::MGLBufferShaderUniform(MGLShaderProgram* program, std::string_view name,
                                               mtl::DataType type, GLint size)
    : MGLShaderUniform(program, name, type, size),
      vectorSize_(vectorSizeOf(type)),
      vectorsPerLocation_(vectorsPerLocationOf(type)) {}

MGLBufferShaderUniform::~MGLBufferShaderUniform() = default;

void MGLBufferShaderUniform::setBufferOffset(GLint offset, MGLShaderStage stage) {
  if (stage == MGLShaderStage::Vertex) {
    vertexBufferOffset_ = offset;
  } else {
    fragmentBufferOffset_ = offset;
  }
}

void MGLBufferShaderUniform::link() {
  vertexBuffer_ = vertexBufferOffset_ >= 0 ? program_->vertexUniformBuffer() : nullptr;
  fragmentBuffer_ = fragmentBufferOffset_ >= 0 ? program_->fragmentUniformBuffer() : nullptr;
}

bool MGLBufferShaderUniform::validateLocation(GLint location, GLsizei count,
                                              GLuint vectorSize) const {
  if (!MGLShaderUniform::validateLocation(location, count)) return false;
  if (vectorSize != vectorSize_) {
    mglSetError(GL_INVALID_OPERATION,
                "Command vector size %i does not match shader uniform %@ vector size %i",
                {vectorSize, name_, vectorSize_});
    return false;
  }
  return true;
}

template <typename Fill>
void MGLBufferShaderUniform::write(std::uint64_t length, GLint locationOffset,
                                   MGLRenderer& renderer, Fill&& fill) {
  const std::uint64_t byteOffset = static_cast<std::uint64_t>(stride_) * static_cast<std::uint64_t>(locationOffset);
  const std::uint8_t* written = nullptr;
  auto store = [&](MGLShaderBuffer* buffer, GLint stageOffset) {
    const std::uint64_t offset = static_cast<std::uint64_t>(stageOffset) + byteOffset;
    // Offsets come from the reflection of the buffer's own structure; a
    // write that would leave the block would reach the next draw's copy.
    if (offset + length > buffer->dataLength()) return;
    if (written) {
      buffer->set(length, written, offset, renderer);
    } else if (std::uint8_t* p = buffer->set(length, nullptr, offset, renderer)) {
      fill(p);
      written = p;
    }
  };
  if (vertexBuffer_) store(vertexBuffer_.get(), vertexBufferOffset_);
  if (fragmentBuffer_) store(fragmentBuffer_.get(), fragmentBufferOffset_);
}

void MGLBufferShaderUniform::set(std::uint64_t length, const void* bytes, GLint locationOffset,
                                 MGLRenderer& renderer) {
  write(length, locationOffset, renderer,
        [&](std::uint8_t* p) { std::memcpy(p, bytes, length); });
}

template <typename T>
void MGLBufferShaderUniform::setVectors(GLint location, GLsizei count, const T* values,
                                        GLuint vectorSize, MGLRenderer& renderer) {
  const Storage storage = storageFor(std::is_same_v<T, GLfloat>, vectorSize);
  if (storage == Storage::Refused) {
    mglSetError(GL_INVALID_OPERATION,
                "Cannot use this function to set shader uniform with data type %@",
                {mglGLEnumName(glDataType_)});
    return;
  }
  if (!validateLocation(location, count, vectorSize)) return;
  const GLint k = location - baseLocation_;
  if (k < 0 || k >= size_ || !values) return;
  const auto n = static_cast<std::uint64_t>(std::min<GLint>(count, size_ - k));
  if (n == 0) return;
  const std::uint64_t vectors = n * vectorsPerLocation_;
  if (storage == Storage::Words) {
    if (vectorSize != 3) {
      set(vectors * vectorSize * 4, values, k, renderer);
      return;
    }
    // Three components of the caller's array each, into 16-byte slots: the
    // caller's vectors are 12 bytes apart.
    write(vectors * 16, k, renderer, [&](std::uint8_t* p) {
      for (std::uint64_t v = 0; v < vectors; ++v) {
        std::memcpy(p + 16 * v, values + 3 * v, 12);
        std::memset(p + 16 * v + 12, 0, 4);
      }
    });
    return;
  }
  const bool toBool = isBoolType(mtlDataType_);
  const std::uint64_t slot = vectorSize == 3 ? 4 : vectorSize;
  write(vectors * slot, k, renderer, [&](std::uint8_t* p) {
    for (std::uint64_t v = 0; v < vectors; ++v) {
      for (std::uint64_t c = 0; c < slot; ++c) {
        p[slot * v + c] = c < vectorSize ? narrowed(values[vectorSize * v + c], toBool) : 0;
      }
    }
  });
}

MGLBufferShaderUniform::Storage MGLBufferShaderUniform::storageFor(bool floats,
                                                                   GLuint vectorSize) const {
  // The vector types of each scalar kind run in fours, from the scalar.
  auto vectorOf = [&](D scalar) { return static_cast<D>(value(scalar) + vectorSize - 1); };
  if (mtlDataType_ == vectorOf(floats ? D::Float : D::Int)) return Storage::Words;
  // Float2x2, Float3x3 and Float4x4 stand four apart.
  if (floats && vectorSize >= 2 &&
      mtlDataType_ == static_cast<D>(value(D::Float2x2) + 4 * (vectorSize - 2))) {
    return Storage::Words;
  }
  if (mtlDataType_ == vectorOf(D::Char) || mtlDataType_ == vectorOf(D::Bool)) return Storage::Bytes;
  return Storage::Refused;
}

void MGLBufferShaderUniform::setIntsAt(GLint location, GLsizei count, const GLint* values,
                                       MGLRenderer& renderer) {
  setVectors(location, count, values, 1, renderer);
}
void MGLBufferShaderUniform::setInt2sAt(GLint location, GLsizei count, const GLint* values,
                                        MGLRenderer& renderer) {
  setVectors(location, count, values, 2, renderer);
}
void MGLBufferShaderUniform::setInt3sAt(GLint location, GLsizei count, const GLint* values,
                                        MGLRenderer& renderer) {
  setVectors(location, count, values, 3, renderer);
}
void MGLBufferShaderUniform::setInt4sAt(GLint location, GLsizei count, const GLint* values,
                                        MGLRenderer& renderer) {
  setVectors(location, count, values, 4, renderer);
}
void MGLBufferShaderUniform::setFloatsAt(GLint location, GLsizei count, const GLfloat* values,
                                         MGLRenderer& renderer) {
  setVectors(location, count, values, 1, renderer);
}
void MGLBufferShaderUniform::setFloat2sAt(GLint location, GLsizei count, const GLfloat* values,
                                          MGLRenderer& renderer) {
  setVectors(location, count, values, 2, renderer);
}
void MGLBufferShaderUniform::setFloat3sAt(GLint location, GLsizei count, const GLfloat* values,
                                          MGLRenderer& renderer) {
  setVectors(location, count, values, 3, renderer);
}
void MGLBufferShaderUniform::setFloat4sAt(GLint location, GLsizei count, const GLfloat* values,
                                          MGLRenderer& renderer) {
  setVectors(location, count, values, 4, renderer);
}

const std::uint8_t* MGLBufferShaderUniform::storedElement(GLint location) const {
  const MGLShaderBuffer* buffer = vertexBuffer_.get();
  GLint stageOffset = vertexBufferOffset_;
  if (!buffer) {
    buffer = fragmentBuffer_.get();
    stageOffset = fragmentBufferOffset_;
  }
  if (!buffer) {
    mglSetError(GL_INVALID_ENUM, "GLSL uniform %@ has no content", {name_});
    return nullptr;
  }
  const std::int64_t offset = stageOffset + offsetForLocation(location);
  if (offset < 0 || static_cast<std::uint64_t>(offset) + static_cast<std::uint64_t>(stride_) >
                        buffer->dataLength()) {
    return nullptr;
  }
  return buffer->getDataAtOffset(static_cast<std::uint64_t>(offset));
}

namespace {

// How a GL type's stored element reads: `count` components of `bytes`
// each, `perColumn` to a column, columns `columnStride` bytes apart.
struct StoredLayout {
  int count, bytes, perColumn, columnStride;
  bool isFloat;
};

bool storedLayoutOf(GLenum type, StoredLayout& out) {
  switch (type) {
    case GL_FLOAT: out = {1, 4, 1, 4, true}; return true;
    case GL_FLOAT_VEC2: out = {2, 4, 2, 8, true}; return true;
    case GL_FLOAT_VEC3: out = {3, 4, 3, 16, true}; return true;
    case GL_FLOAT_VEC4: out = {4, 4, 4, 16, true}; return true;
    case GL_FLOAT_MAT2: out = {4, 4, 2, 8, true}; return true;
    case GL_FLOAT_MAT3: out = {9, 4, 3, 16, true}; return true;
    case GL_FLOAT_MAT4: out = {16, 4, 4, 16, true}; return true;
    case GL_INT: out = {1, 4, 1, 4, false}; return true;
    case GL_INT_VEC2: out = {2, 4, 2, 8, false}; return true;
    case GL_INT_VEC3: out = {3, 4, 3, 16, false}; return true;
    case GL_INT_VEC4: out = {4, 4, 4, 16, false}; return true;
    case GL_BOOL: out = {1, 1, 1, 1, false}; return true;
    case GL_BOOL_VEC2: out = {2, 1, 2, 2, false}; return true;
    case GL_BOOL_VEC3: out = {3, 1, 3, 4, false}; return true;
    case GL_BOOL_VEC4: out = {4, 1, 4, 4, false}; return true;
    default: return false;
  }
}

// Reads the stored element into `out` as floats or as integers.
template <typename Out>
void readStored(const std::uint8_t* p, const StoredLayout& layout, Out* out) {
  for (int i = 0; i < layout.count; ++i) {
    const std::uint8_t* q =
        p + (i / layout.perColumn) * layout.columnStride + (i % layout.perColumn) * layout.bytes;
    if (layout.bytes == 1) {
      out[i] = static_cast<Out>(*q);
    } else if (layout.isFloat) {
      float f;
      std::memcpy(&f, q, 4);
      if constexpr (std::is_same_v<Out, GLfloat>) {
        out[i] = f;
      } else {
        out[i] = truncatedInt(f);
      }
    } else {
      std::int32_t v;
      std::memcpy(&v, q, 4);
      out[i] = static_cast<Out>(v);
    }
  }
}

}  // namespace

template <typename Out>
void MGLBufferShaderUniform::readValue(Out* values, GLint location) {
  if (!values) return;
  StoredLayout layout;
  if (!storedLayoutOf(glDataType_, layout)) {
    mglSetError(GL_INVALID_ENUM, "GLSL uniform %@ type %@ is not a valid uniform type",
                {name_, mglGLEnumName(glDataType_)});
    return;
  }
  if (const std::uint8_t* p = storedElement(location)) readStored(p, layout, values);
}

void MGLBufferShaderUniform::getFloatValue(GLfloat* values, GLint location) {
  readValue(values, location);
}

void MGLBufferShaderUniform::getIntValue(GLint* values, GLint location) {
  readValue(values, location);
}

std::string MGLBufferShaderUniform::fullDescription() const {
  return MGLShaderUniform::fullDescription() +
         mglFormat("\n\t\tIn vertex buffer at offset %i\n\t\tIn fragment buffer at offset %i",
                   {vertexBufferOffset_, fragmentBufferOffset_});
}

// ---- MGLSamplerShaderUniform

MGLSamplerShaderUniform::MGLSamplerShaderUniform(MGLShaderProgram* program, std::string_view name,
                                                 mtl::TextureType textureType)
    : MGLShaderUniform(program, name, mtl::DataType::UInt, 0) {
  isSampler_ = true;
  glDataType_ = mglGLSamplerTypeOfMTLTextureType(textureType);
  typeSize_ = 1;
  switch (glDataType_) {
    case GL_SAMPLER_2D: case GL_SAMPLER_2D_SHADOW_EXT: samplerTarget_ = GL_TEXTURE_2D; break;
    case GL_SAMPLER_CUBE: samplerTarget_ = GL_TEXTURE_CUBE_MAP; break;
    default: samplerTarget_ = 0; break;
  }
}

void MGLSamplerShaderUniform::setMetalTextureIndex(std::uint64_t slot, std::uint64_t index,
                                                   MGLShaderStage stage) {
  if (index >= kMaxTextures) {
    program_->appendLinkErrorToLog(mglFormat(
        "Texture location %lu in sampler uniform %@ is out of bounds. A shader may access a "
        "maximum of %i textures.",
        {static_cast<unsigned long>(index), name_, kMaxTextures}));
    return;
  }
  size_ = std::max(size_, static_cast<GLint>(index) + 1);
  MGLTextureUnitMapEntry& entry = map_[index];
  const auto metalSlot = static_cast<std::int8_t>(slot);
  if (stage == MGLShaderStage::Vertex) {
    entry.mtlVertexTextureIndex = metalSlot;
  } else {
    entry.mtlFragmentTextureIndex = metalSlot;
  }
}

void MGLSamplerShaderUniform::setIntsAt(GLint location, GLsizei count, const GLint* values,
                                        MGLRenderer&) {
  if (!validateLocation(location, count)) return;
  const GLint k = location - baseLocation_;
  const GLint n = k >= 0 && values ? std::min<GLint>(size_ - k, count) : 0;
  for (GLint j = 0; j < n; ++j) {
    const GLint unit = values[j];
    if (unit < 0 || unit >= kMaxTextures) {
      mglSetError(GL_INVALID_VALUE,
                  "Uniform sampler %@ type %@ value %i is out of bounds. It must be between 0 "
                  "and %i inclusive.",
                  {name_, mglGLEnumName(glDataType_), unit, kMaxTextures - 1});
      continue;
    }
    map_[k + j].textureUnitIndex = static_cast<std::int8_t>(unit);
  }
  isRendered_ = false;
  program_->setAreSamplersRendered(false);
}

void MGLSamplerShaderUniform::getFloatValue(GLfloat* values, GLint location) {
  if (values && containsLocation(location)) {
    *values = map_[location - baseLocation_].textureUnitIndex;
  }
}

void MGLSamplerShaderUniform::getIntValue(GLint* values, GLint location) {
  if (values && containsLocation(location)) {
    *values = map_[location - baseLocation_].textureUnitIndex;
  }
}

void MGLSamplerShaderUniform::renderTo(MGLRenderer& renderer) {
  mtl::RenderCommandEncoder* encoder = renderer.renderCommandEncoder();
  if (!encoder) return;
  MGLContext* context = renderer.context();
  MGLTextureUnits* units =
      samplerTarget_ == GL_TEXTURE_CUBE_MAP ? context->textureUnitsCube() : context->textureUnits2D();
  for (GLint i = 0; i < size_; ++i) {
    const MGLTextureUnitMapEntry& entry = map_[i];
    if (entry.mtlVertexTextureIndex < 0 && entry.mtlFragmentTextureIndex < 0) continue;
    MGLTexture* texture = units->getTextureBoundToTextureUnit(static_cast<GLuint>(entry.textureUnitIndex));
    // A texture without storage yet samples as GL's incomplete texture:
    // opaque black, which is what the table's default texture holds.
    if (!texture || !texture->mtlTexture()) texture = units->defaultTexture();
    const std::shared_ptr<mtl::SamplerState>& sampler = texture->mtlSamplerState();
    if (entry.mtlVertexTextureIndex >= 0) {
      const auto slot = static_cast<mtl::NSUInteger>(entry.mtlVertexTextureIndex);
      encoder->setVertexTexture(texture->mtlTexture(), slot);
      encoder->setVertexSamplerState(sampler, slot);
    }
    if (entry.mtlFragmentTextureIndex >= 0) {
      const auto slot = static_cast<mtl::NSUInteger>(entry.mtlFragmentTextureIndex);
      encoder->setFragmentTexture(texture->mtlTexture(), slot);
      encoder->setFragmentSamplerState(sampler, slot);
    }
  }
  isRendered_ = true;
}
