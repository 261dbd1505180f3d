#include "gles/textures/state_conversion.h"

#include "gles/context/errors.h"
#include "gles/context/gl_enums.h"

namespace {

void recordEnum(const char* message, GLenum value) {
  mglSetError(GL_INVALID_ENUM, message, {mglGLEnumName(value)});
}

// The blend factors both ends accept; GL_SRC_ALPHA_SATURATE is added for
// the source only.
bool commonBlendFactor(GLenum factor, mtl::BlendFactor& out) {
  using B = mtl::BlendFactor;
  switch (factor) {
    case GL_ZERO: out = B::Zero; return true;
    case GL_ONE: out = B::One; return true;
    case GL_SRC_COLOR: out = B::SourceColor; return true;
    case GL_ONE_MINUS_SRC_COLOR: out = B::OneMinusSourceColor; return true;
    case GL_SRC_ALPHA: out = B::SourceAlpha; return true;
    case GL_ONE_MINUS_SRC_ALPHA: out = B::OneMinusSourceAlpha; return true;
    case GL_DST_ALPHA: out = B::DestinationAlpha; return true;
    case GL_ONE_MINUS_DST_ALPHA: out = B::OneMinusDestinationAlpha; return true;
    case GL_DST_COLOR: out = B::DestinationColor; return true;
    case GL_ONE_MINUS_DST_COLOR: out = B::OneMinusDestinationColor; return true;
    case GL_CONSTANT_COLOR: out = B::BlendColor; return true;
    case GL_ONE_MINUS_CONSTANT_COLOR: out = B::OneMinusBlendColor; return true;
    case GL_CONSTANT_ALPHA: out = B::BlendAlpha; return true;
    case GL_ONE_MINUS_CONSTANT_ALPHA: out = B::OneMinusBlendAlpha; return true;
    default: return false;
  }
}

using V = mtl::VertexFormat;

// Formats of sizes 2, 3 and 4, plain and normalised, of the byte and
// short types.
struct NormalizableFormats {
  V plain[3];
  V normalized[3];
};

const NormalizableFormats* normalizableFormats(GLenum type) {
  static constexpr NormalizableFormats kByte{{V::Char2, V::Char3, V::Char4},
                                             {V::Char2Normalized, V::Char3Normalized,
                                              V::Char4Normalized}};
  static constexpr NormalizableFormats kUnsignedByte{
      {V::UChar2, V::UChar3, V::UChar4},
      {V::UChar2Normalized, V::UChar3Normalized, V::UChar4Normalized}};
  static constexpr NormalizableFormats kShort{{V::Short2, V::Short3, V::Short4},
                                              {V::Short2Normalized, V::Short3Normalized,
                                               V::Short4Normalized}};
  static constexpr NormalizableFormats kUnsignedShort{
      {V::UShort2, V::UShort3, V::UShort4},
      {V::UShort2Normalized, V::UShort3Normalized, V::UShort4Normalized}};
  switch (type) {
    case GL_BYTE: return &kByte;
    case GL_UNSIGNED_BYTE: return &kUnsignedByte;
    case GL_SHORT: return &kShort;
    case GL_UNSIGNED_SHORT: return &kUnsignedShort;
    default: return nullptr;
  }
}

// Formats of sizes 1 to 4 of the 32-bit and half types (Invalid where
// Metal has none).
const V* wideFormats(GLenum type) {
  static constexpr V kInt[4] = {V::Int, V::Int2, V::Int3, V::Int4};
  static constexpr V kUnsignedInt[4] = {V::UInt, V::UInt2, V::UInt3, V::UInt4};
  static constexpr V kFloat[4] = {V::Float, V::Float2, V::Float3, V::Float4};
  static constexpr V kHalf[4] = {V::Invalid, V::Half2, V::Half3, V::Half4};
  switch (type) {
    case GL_INT: case GL_FIXED: return kInt;
    case GL_UNSIGNED_INT: return kUnsignedInt;
    case GL_FLOAT: return kFloat;
    case GL_HALF_FLOAT_OES: return kHalf;
    default: return nullptr;
  }
}

using D = mtl::DataType;

constexpr auto dataTypeValue(D type) { return static_cast<mtl::NSUInteger>(type); }

bool isValueDataType(D type) {
  return dataTypeValue(type) >= dataTypeValue(D::Float) &&
         dataTypeValue(type) <= dataTypeValue(D::Bool4);
}

void recordUnsupportedDataType(D type) {
  mglSetError(GL_INVALID_ENUM, "MTLDataType %lu is not supported.",
              {static_cast<unsigned long>(type)});
}

// Scalar size in bytes, and the vector length (1 to 4) and column count
// (1 for vectors) of a value type.
struct DataShape {
  unsigned scalarBytes, rows, columns;
};

DataShape shapeOf(D type) {
  const auto v = dataTypeValue(type);
  auto vector = [&](D first, unsigned bytes) {
    return DataShape{bytes, static_cast<unsigned>(v - dataTypeValue(first) + 1), 1};
  };
  auto matrix = [&](D first, unsigned bytes) {
    // Float2x2 ... Float4x4 run columns-major: 2x2, 2x3, 2x4, 3x2, ...
    const auto index = static_cast<unsigned>(v - dataTypeValue(first));
    return DataShape{bytes, index % 3 + 2, index / 3 + 2};
  };
  if (type <= D::Float4) return vector(D::Float, 4);
  if (type <= D::Float4x4) return matrix(D::Float2x2, 4);
  if (type <= D::Half4) return vector(D::Half, 2);
  if (type <= D::Half4x4) return matrix(D::Half2x2, 2);
  if (type <= D::Int4) return vector(D::Int, 4);
  if (type <= D::UInt4) return vector(D::UInt, 4);
  if (type <= D::Short4) return vector(D::Short, 2);
  if (type <= D::UShort4) return vector(D::UShort, 2);
  if (type <= D::Char4) return vector(D::Char, 1);
  if (type <= D::UChar4) return vector(D::UChar, 1);
  return vector(D::Bool, 1);
}

}  // namespace

mtl::NSUInteger mglMTLSliceOfTextureFace(GLenum face) {
  switch (face) {
    case GL_TEXTURE_2D: return 0;
    case GL_TEXTURE_CUBE_MAP_POSITIVE_X: return 0;
    case GL_TEXTURE_CUBE_MAP_NEGATIVE_X: return 1;
    case GL_TEXTURE_CUBE_MAP_POSITIVE_Y: return 3;
    case GL_TEXTURE_CUBE_MAP_NEGATIVE_Y: return 2;
    case GL_TEXTURE_CUBE_MAP_POSITIVE_Z: return 4;
    case GL_TEXTURE_CUBE_MAP_NEGATIVE_Z: return 5;
    default:
      recordEnum("%@ is not a valid texture face", face);
      return 0;
  }
}

mtl::SamplerMinMagFilter mglMTLMinMagFilterOfGLFilter(GLenum filter) {
  switch (filter) {
    case GL_NEAREST: case GL_NEAREST_MIPMAP_NEAREST: case GL_NEAREST_MIPMAP_LINEAR:
      return mtl::SamplerMinMagFilter::Nearest;
    case GL_LINEAR: case GL_LINEAR_MIPMAP_NEAREST: case GL_LINEAR_MIPMAP_LINEAR:
      return mtl::SamplerMinMagFilter::Linear;
    default:
      recordEnum("%@ is not a valid texture minifying or magnifying parameter.", filter);
      return mtl::SamplerMinMagFilter::Nearest;
  }
}

mtl::SamplerMipFilter mglMTLMipFilterOfGLFilter(GLenum filter) {
  switch (filter) {
    case GL_NEAREST: case GL_LINEAR:
      return mtl::SamplerMipFilter::NotMipmapped;
    case GL_NEAREST_MIPMAP_NEAREST: case GL_LINEAR_MIPMAP_NEAREST:
      return mtl::SamplerMipFilter::Nearest;
    case GL_NEAREST_MIPMAP_LINEAR: case GL_LINEAR_MIPMAP_LINEAR:
      return mtl::SamplerMipFilter::Linear;
    default:
      recordEnum("%@ is not a valid texture minifying or magnifying parameter.", filter);
      return mtl::SamplerMipFilter::NotMipmapped;
  }
}

mtl::SamplerAddressMode mglMTLAddressModeOfGLWrap(GLenum wrap) {
  switch (wrap) {
    case GL_CLAMP_TO_EDGE: return mtl::SamplerAddressMode::ClampToEdge;
    case GL_REPEAT: return mtl::SamplerAddressMode::Repeat;
    case GL_MIRRORED_REPEAT: return mtl::SamplerAddressMode::MirrorRepeat;
    default:
      recordEnum("%@ is not a valid texture wrap parameter.", wrap);
      return mtl::SamplerAddressMode::ClampToEdge;
  }
}

mtl::CompareFunction mglMTLCompareFunctionOfGL(GLenum function) {
  if (function >= GL_NEVER && function <= GL_ALWAYS) {
    return static_cast<mtl::CompareFunction>(function - GL_NEVER);
  }
  recordEnum("%@ is not a valid OpenGL compare function", function);
  return mtl::CompareFunction::Always;
}

mtl::StencilOperation mglMTLStencilOperationOfGL(GLenum operation) {
  using S = mtl::StencilOperation;
  switch (operation) {
    case GL_KEEP: return S::Keep;
    case GL_ZERO: return S::Zero;
    case GL_REPLACE: return S::Replace;
    case GL_INCR: return S::IncrementClamp;
    case GL_DECR: return S::DecrementClamp;
    case GL_INVERT: return S::Invert;
    case GL_INCR_WRAP: return S::IncrementWrap;
    case GL_DECR_WRAP: return S::DecrementWrap;
    default:
      recordEnum("%@ is not a valid OpenGL stencil operation", operation);
      return S::Keep;
  }
}

mtl::BlendOperation mglMTLBlendOperationOfGL(GLenum equation) {
  using B = mtl::BlendOperation;
  switch (equation) {
    case GL_FUNC_ADD: return B::Add;
    case GL_FUNC_SUBTRACT: return B::Subtract;
    case GL_FUNC_REVERSE_SUBTRACT: return B::ReverseSubtract;
    case GL_MIN_EXT: return B::Min;
    case GL_MAX_EXT: return B::Max;
    default:
      recordEnum("%@ is not a valid OpenGL blend equation", equation);
      return B::Add;
  }
}

mtl::BlendFactor mglMTLSourceBlendFactorOfGL(GLenum factor) {
  mtl::BlendFactor out;
  if (commonBlendFactor(factor, out)) return out;
  if (factor == GL_SRC_ALPHA_SATURATE) return mtl::BlendFactor::SourceAlphaSaturated;
  recordEnum("%@ is not a valid OpenGL source blend function", factor);
  return mtl::BlendFactor::One;
}

mtl::BlendFactor mglMTLDestinationBlendFactorOfGL(GLenum factor) {
  mtl::BlendFactor out;
  if (commonBlendFactor(factor, out)) return out;
  recordEnum("%@ is not a valid OpenGL destination blend function", factor);
  return mtl::BlendFactor::Zero;
}

mtl::VertexFormat mglMTLVertexFormatOfGL(GLenum type, GLint size, bool normalized) {
  const NormalizableFormats* small = normalizableFormats(type);
  const V* wide = wideFormats(type);
  if (!small && !wide) {
    recordEnum("Vertex type %@ is not supported.", type);
    return V::Invalid;
  }
  if (size < 1 || size > 4) {
    mglSetError(GL_INVALID_VALUE, "Vertex size %i is not between 1 and 4", {size});
    return V::Invalid;
  }
  if (type == GL_HALF_FLOAT_OES && size == 1) {
    mglSetError(GL_INVALID_VALUE, "Vertex size %i is not supported for type %@ under Metal",
                {size, mglGLEnumName(type)});
    return V::Invalid;
  }
  if (small) {
    const int index = size < 2 ? 0 : size - 2;
    return normalized ? small->normalized[index] : small->plain[index];
  }
  return wide[size - 1];
}

GLenum mglGLTypeOfMTLDataType(mtl::DataType type) {
  if (type == D::None) return 0;
  if (!isValueDataType(type)) {
    recordUnsupportedDataType(type);
    return 0;
  }
  static constexpr GLenum kFloatVectors[] = {GL_FLOAT, GL_FLOAT_VEC2, GL_FLOAT_VEC3,
                                             GL_FLOAT_VEC4};
  static constexpr GLenum kIntVectors[] = {GL_INT, GL_INT_VEC2, GL_INT_VEC3, GL_INT_VEC4};
  static constexpr GLenum kUnsignedVectors[] = {GL_UNSIGNED_INT, GL_INT_VEC2, GL_INT_VEC3,
                                                GL_INT_VEC4};
  static constexpr GLenum kBoolVectors[] = {GL_BOOL, GL_BOOL_VEC2, GL_BOOL_VEC3,
                                            GL_BOOL_VEC4};
  const DataShape shape = shapeOf(type);
  if (type <= D::Float4) return kFloatVectors[shape.rows - 1];
  if (type <= D::Float4x4) {
    if (shape.rows != shape.columns) return kFloatVectors[shape.rows - 1];
    return shape.rows == 2 ? GL_FLOAT_MAT2 : shape.rows == 3 ? GL_FLOAT_MAT3 : GL_FLOAT_MAT4;
  }
  if (type <= D::Half4x4) return GL_HALF_FLOAT_OES;
  if (type <= D::Int4) return kIntVectors[shape.rows - 1];
  if (type <= D::UInt4) return kUnsignedVectors[shape.rows - 1];
  if (type <= D::Short4) return GL_SHORT;
  if (type <= D::UShort4) return GL_UNSIGNED_SHORT;
  if (type <= D::Char4) return GL_BYTE;
  if (type <= D::UChar4) return GL_UNSIGNED_BYTE;
  return kBoolVectors[shape.rows - 1];
}

mtl::NSUInteger mglByteSizeOfMTLDataType(mtl::DataType type) {
  if (!isValueDataType(type)) {
    recordUnsupportedDataType(type);
    return 0;
  }
  const DataShape shape = shapeOf(type);
  const unsigned vectorBytes = shape.scalarBytes * (shape.rows == 1 ? 1 : shape.rows == 2 ? 2 : 4);
  return static_cast<mtl::NSUInteger>(vectorBytes) * shape.columns;
}

GLenum mglGLSamplerTypeOfMTLTextureType(mtl::TextureType type) {
  if (type == mtl::TextureType::Type2D) return GL_SAMPLER_2D;
  if (type == mtl::TextureType::TypeCube) return GL_SAMPLER_CUBE;
  mglSetError(GL_INVALID_ENUM, "MTLTextureType %lu is not supported.",
              {static_cast<unsigned long>(type)});
  return 0;
}

namespace {

// Elements and bytes of the GL data types uniforms and attributes report.
struct GLTypeSize {
  GLint elements, bytes;
};

bool glTypeSize(GLenum type, GLTypeSize& out) {
  switch (type) {
    case GL_FLOAT_VEC2: case GL_INT_VEC2: case GL_BOOL_VEC2: out = {2, 8}; return true;
    case GL_FLOAT_VEC3: case GL_INT_VEC3: case GL_BOOL_VEC3: out = {3, 12}; return true;
    case GL_FLOAT_VEC4: case GL_INT_VEC4: case GL_BOOL_VEC4: out = {4, 16}; return true;
    case GL_FLOAT_MAT2: out = {4, 16}; return true;
    case GL_FLOAT_MAT3: out = {9, 36}; return true;
    case GL_FLOAT_MAT4: out = {16, 64}; return true;
    case GL_BOOL: case GL_SAMPLER_2D: case GL_SAMPLER_CUBE: case GL_SAMPLER_2D_SHADOW_EXT:
      out = {1, 4};
      return true;
    case GL_BYTE: case GL_UNSIGNED_BYTE: out = {1, 1}; return true;
    case GL_SHORT: case GL_UNSIGNED_SHORT: out = {1, 2}; return true;
    case GL_INT: case GL_UNSIGNED_INT: case GL_FLOAT: case GL_FIXED: out = {1, 4}; return true;
    default: return false;
  }
}

}  // namespace

GLint mglElementCountOfGLType(GLenum type) {
  GLTypeSize size;
  if (glTypeSize(type, size)) return size.elements;
  recordEnum("Could not determine element count size of unknown OpenGL data type %@.", type);
  return 0;
}

GLint mglByteSizeOfGLType(GLenum type) {
  GLTypeSize size;
  if (glTypeSize(type, size)) return size.bytes;
  recordEnum("Could not determine size of unknown OpenGL data type %@.", type);
  return 0;
}

mtl::PrimitiveType mglMTLPrimitiveTypeOfGL(GLenum mode) {
  switch (mode) {
    case GL_POINTS: return mtl::PrimitiveType::Point;
    case GL_LINES: return mtl::PrimitiveType::Line;
    case GL_LINE_STRIP: return mtl::PrimitiveType::LineStrip;
    case GL_TRIANGLES: return mtl::PrimitiveType::Triangle;
    case GL_TRIANGLE_STRIP: return mtl::PrimitiveType::TriangleStrip;
    case GL_LINE_LOOP: case GL_TRIANGLE_FAN:
      recordEnum("OpenGL primitive type %@ is not supported under Metal", mode);
      return mtl::PrimitiveType::Triangle;
    default:
      recordEnum("%@ is not a valid OpenGL primitive type", mode);
      return mtl::PrimitiveType::Triangle;
  }
}
