// GL state values to Metal: faces, sampling, fixed-function values, vertex
// formats, shader data types and primitives, with their fallbacks.
#include <gtest/gtest.h>

#include "gles/context/gl_enums.h"
#include "gles/textures/state_conversion.h"
#include "tests/gles/gl_test_context.h"

namespace {

using tessaly::test::GLTestContext;

class StateConversionTest : public GLTestContext {};

TEST_F(StateConversionTest, CubeFacesTradeTheirYSlices) {
  EXPECT_EQ(mglMTLSliceOfTextureFace(GL_TEXTURE_2D), 0u);
  EXPECT_EQ(mglMTLSliceOfTextureFace(GL_TEXTURE_CUBE_MAP_POSITIVE_X), 0u);
  EXPECT_EQ(mglMTLSliceOfTextureFace(GL_TEXTURE_CUBE_MAP_NEGATIVE_X), 1u);
  EXPECT_EQ(mglMTLSliceOfTextureFace(GL_TEXTURE_CUBE_MAP_POSITIVE_Y), 3u);
  EXPECT_EQ(mglMTLSliceOfTextureFace(GL_TEXTURE_CUBE_MAP_NEGATIVE_Y), 2u);
  EXPECT_EQ(mglMTLSliceOfTextureFace(GL_TEXTURE_CUBE_MAP_POSITIVE_Z), 4u);
  EXPECT_EQ(mglMTLSliceOfTextureFace(GL_TEXTURE_CUBE_MAP_NEGATIVE_Z), 5u);
  EXPECT_EQ(errorCode(), 0u);
  EXPECT_EQ(mglMTLSliceOfTextureFace(GL_TEXTURE_CUBE_MAP), 0u);
  EXPECT_EQ(errorText(), "GL_INVALID_ENUM. GL_TEXTURE_CUBE_MAP is not a valid texture face");
}

TEST_F(StateConversionTest, SamplerFiltersSplitIntoMinMagAndMip) {
  using F = mtl::SamplerMinMagFilter;
  using M = mtl::SamplerMipFilter;
  EXPECT_EQ(mglMTLMinMagFilterOfGLFilter(GL_NEAREST_MIPMAP_LINEAR), F::Nearest);
  EXPECT_EQ(mglMTLMipFilterOfGLFilter(GL_NEAREST_MIPMAP_LINEAR), M::Linear);
  EXPECT_EQ(mglMTLMinMagFilterOfGLFilter(GL_LINEAR_MIPMAP_NEAREST), F::Linear);
  EXPECT_EQ(mglMTLMipFilterOfGLFilter(GL_LINEAR_MIPMAP_NEAREST), M::Nearest);
  EXPECT_EQ(mglMTLMipFilterOfGLFilter(GL_LINEAR), M::NotMipmapped);
  EXPECT_EQ(mglMTLAddressModeOfGLWrap(GL_MIRRORED_REPEAT), mtl::SamplerAddressMode::MirrorRepeat);
  EXPECT_EQ(mglMTLAddressModeOfGLWrap(GL_REPEAT), mtl::SamplerAddressMode::Repeat);
  EXPECT_EQ(errorCode(), 0u);
  EXPECT_EQ(mglMTLMipFilterOfGLFilter(GL_REPEAT), M::NotMipmapped);
  EXPECT_EQ(errorText(),
            "GL_INVALID_ENUM. GL_REPEAT is not a valid texture minifying or magnifying "
            "parameter.");
  EXPECT_EQ(mglMTLAddressModeOfGLWrap(GL_LINEAR), mtl::SamplerAddressMode::ClampToEdge);
  EXPECT_EQ(errorText(), "GL_INVALID_ENUM. GL_LINEAR is not a valid texture wrap parameter.");
}

TEST_F(StateConversionTest, FixedFunctionValues) {
  EXPECT_EQ(mglMTLCompareFunctionOfGL(GL_NEVER), mtl::CompareFunction::Never);
  EXPECT_EQ(mglMTLCompareFunctionOfGL(GL_GEQUAL), mtl::CompareFunction::GreaterEqual);
  EXPECT_EQ(mglMTLCompareFunctionOfGL(GL_ALWAYS), mtl::CompareFunction::Always);
  EXPECT_EQ(mglMTLStencilOperationOfGL(GL_ZERO), mtl::StencilOperation::Zero);
  EXPECT_EQ(mglMTLStencilOperationOfGL(GL_INCR), mtl::StencilOperation::IncrementClamp);
  EXPECT_EQ(mglMTLStencilOperationOfGL(GL_DECR_WRAP), mtl::StencilOperation::DecrementWrap);
  EXPECT_EQ(mglMTLBlendOperationOfGL(GL_FUNC_REVERSE_SUBTRACT),
            mtl::BlendOperation::ReverseSubtract);
  EXPECT_EQ(mglMTLBlendOperationOfGL(GL_MAX_EXT), mtl::BlendOperation::Max);
  EXPECT_EQ(mglMTLSourceBlendFactorOfGL(GL_ONE_MINUS_DST_COLOR),
            mtl::BlendFactor::OneMinusDestinationColor);
  EXPECT_EQ(mglMTLDestinationBlendFactorOfGL(GL_CONSTANT_ALPHA), mtl::BlendFactor::BlendAlpha);
  EXPECT_EQ(mglMTLSourceBlendFactorOfGL(GL_SRC_ALPHA_SATURATE),
            mtl::BlendFactor::SourceAlphaSaturated);
  EXPECT_EQ(errorCode(), 0u);

  EXPECT_EQ(mglMTLDestinationBlendFactorOfGL(GL_SRC_ALPHA_SATURATE), mtl::BlendFactor::Zero);
  EXPECT_EQ(errorText(),
            "GL_INVALID_ENUM. GL_SRC_ALPHA_SATURATE is not a valid OpenGL destination blend "
            "function");
  EXPECT_EQ(mglMTLSourceBlendFactorOfGL(GL_KEEP), mtl::BlendFactor::One);
  EXPECT_EQ(errorCode(), GL_INVALID_ENUM);
  EXPECT_EQ(mglMTLCompareFunctionOfGL(0x0208), mtl::CompareFunction::Always);
  EXPECT_EQ(errorText(),
            "GL_INVALID_ENUM. UNKNOWN_GLENUM(0x0208) is not a valid OpenGL compare function");
  EXPECT_EQ(mglMTLStencilOperationOfGL(GL_ONE), mtl::StencilOperation::Keep);
  EXPECT_EQ(errorText(), "GL_INVALID_ENUM. GL_ONE is not a valid OpenGL stencil operation");
  EXPECT_EQ(mglMTLBlendOperationOfGL(0x8009), mtl::BlendOperation::Add);
  EXPECT_EQ(errorCode(), GL_INVALID_ENUM);
}

TEST_F(StateConversionTest, VertexFormatsWidenOneComponentBytesAndShorts) {
  using V = mtl::VertexFormat;
  EXPECT_EQ(mglMTLVertexFormatOfGL(GL_UNSIGNED_BYTE, 1, true), V::UChar2Normalized);
  EXPECT_EQ(mglMTLVertexFormatOfGL(GL_SHORT, 1, false), V::Short2);
  EXPECT_EQ(mglMTLVertexFormatOfGL(GL_BYTE, 3, true), V::Char3Normalized);
  EXPECT_EQ(mglMTLVertexFormatOfGL(GL_UNSIGNED_SHORT, 4, false), V::UShort4);
  EXPECT_EQ(mglMTLVertexFormatOfGL(GL_FLOAT, 1, true), V::Float);
  EXPECT_EQ(mglMTLVertexFormatOfGL(GL_FIXED, 2, false), V::Int2);
  EXPECT_EQ(mglMTLVertexFormatOfGL(GL_UNSIGNED_INT, 3, false), V::UInt3);
  EXPECT_EQ(mglMTLVertexFormatOfGL(GL_HALF_FLOAT_OES, 2, false), V::Half2);
  EXPECT_EQ(errorCode(), 0u);

  EXPECT_EQ(mglMTLVertexFormatOfGL(GL_HALF_FLOAT_OES, 1, false), V::Invalid);
  EXPECT_EQ(errorText(),
            "GL_INVALID_VALUE. Vertex size 1 is not supported for type GL_HALF_FLOAT_OES under "
            "Metal");
  EXPECT_EQ(mglMTLVertexFormatOfGL(GL_FLOAT, 5, false), V::Invalid);
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. Vertex size 5 is not between 1 and 4");
  // The type is checked before the size.
  EXPECT_EQ(mglMTLVertexFormatOfGL(0x1407, 0, false), V::Invalid);
  EXPECT_EQ(errorText(),
            "GL_INVALID_ENUM. Vertex type UNKNOWN_GLENUM(0x1407) is not supported.");
}

TEST_F(StateConversionTest, ShaderDataTypesAndTheirSizes) {
  using D = mtl::DataType;
  EXPECT_EQ(mglGLTypeOfMTLDataType(D::None), 0u);
  EXPECT_EQ(mglGLTypeOfMTLDataType(D::Float3x3), GL_FLOAT_MAT3);
  EXPECT_EQ(mglGLTypeOfMTLDataType(D::Float2x3), GL_FLOAT_VEC3);
  EXPECT_EQ(mglGLTypeOfMTLDataType(D::Float4x3), GL_FLOAT_VEC3);
  EXPECT_EQ(mglGLTypeOfMTLDataType(D::Float3x2), GL_FLOAT_VEC2);
  EXPECT_EQ(mglGLTypeOfMTLDataType(D::Float3x4), GL_FLOAT_VEC4);
  EXPECT_EQ(mglGLTypeOfMTLDataType(D::Half2x4), GL_HALF_FLOAT_OES);
  EXPECT_EQ(mglGLTypeOfMTLDataType(D::UInt3), GL_INT_VEC3);
  EXPECT_EQ(mglGLTypeOfMTLDataType(D::UInt), GL_UNSIGNED_INT);
  EXPECT_EQ(mglGLTypeOfMTLDataType(D::UShort2), GL_UNSIGNED_SHORT);
  EXPECT_EQ(mglGLTypeOfMTLDataType(D::Char4), GL_BYTE);
  EXPECT_EQ(mglGLTypeOfMTLDataType(D::Bool2), GL_BOOL_VEC2);
  EXPECT_EQ(mglByteSizeOfMTLDataType(D::Float3x3), 48u);
  EXPECT_EQ(mglByteSizeOfMTLDataType(D::Half3x2), 12u);
  EXPECT_EQ(mglByteSizeOfMTLDataType(D::Float3), 16u);
  EXPECT_EQ(mglByteSizeOfMTLDataType(D::Short2), 4u);
  EXPECT_EQ(mglByteSizeOfMTLDataType(D::UChar3), 4u);
  EXPECT_EQ(mglByteSizeOfMTLDataType(D::Bool), 1u);
  EXPECT_EQ(mglByteSizeOfMTLDataType(D::Float4x2), 32u);
  EXPECT_EQ(mglGLSamplerTypeOfMTLTextureType(mtl::TextureType::TypeCube), GL_SAMPLER_CUBE);
  EXPECT_EQ(errorCode(), 0u);
  EXPECT_EQ(mglGLTypeOfMTLDataType(D::Struct), 0u);
  EXPECT_EQ(errorText(), "GL_INVALID_ENUM. MTLDataType 1 is not supported.");
  EXPECT_EQ(mglByteSizeOfMTLDataType(D::Texture), 0u);
  EXPECT_EQ(errorText(), "GL_INVALID_ENUM. MTLDataType 58 is not supported.");
  EXPECT_EQ(mglByteSizeOfMTLDataType(D::None), 0u);
  EXPECT_EQ(errorCode(), GL_INVALID_ENUM);
  EXPECT_EQ(mglGLSamplerTypeOfMTLTextureType(mtl::TextureType::Type2DMultisample), 0u);
  EXPECT_EQ(errorText(), "GL_INVALID_ENUM. MTLTextureType 4 is not supported.");

  EXPECT_EQ(mglElementCountOfGLType(GL_FLOAT_MAT3), 9);
  EXPECT_EQ(mglByteSizeOfGLType(GL_FLOAT_MAT3), 36);
  EXPECT_EQ(mglByteSizeOfGLType(GL_SAMPLER_2D_SHADOW_EXT), 4);
  EXPECT_EQ(mglByteSizeOfGLType(GL_UNSIGNED_SHORT), 2);
  EXPECT_EQ(errorCode(), 0u);
  EXPECT_EQ(mglElementCountOfGLType(0x8B5F), 0);
  EXPECT_EQ(errorText(),
            "GL_INVALID_ENUM. Could not determine element count size of unknown OpenGL data "
            "type UNKNOWN_GLENUM(0x8B5F).");
  EXPECT_EQ(mglByteSizeOfGLType(0x8B5D), 0);
  EXPECT_EQ(errorCode(), GL_INVALID_ENUM);
}

TEST_F(StateConversionTest, FansAndLoopsFallBackToTrianglesWithAnError) {
  EXPECT_EQ(mglMTLPrimitiveTypeOfGL(GL_LINE_STRIP), mtl::PrimitiveType::LineStrip);
  EXPECT_EQ(mglMTLPrimitiveTypeOfGL(GL_POINTS), mtl::PrimitiveType::Point);
  EXPECT_EQ(errorCode(), 0u);
  EXPECT_EQ(mglMTLPrimitiveTypeOfGL(GL_TRIANGLE_FAN), mtl::PrimitiveType::Triangle);
  EXPECT_EQ(errorText(),
            "GL_INVALID_ENUM. OpenGL primitive type GL_TRIANGLE_FAN is not supported under Metal");
  EXPECT_EQ(mglMTLPrimitiveTypeOfGL(7), mtl::PrimitiveType::Triangle);
  EXPECT_EQ(errorText(),
            "GL_INVALID_ENUM. UNKNOWN_GLENUM(0x0007) is not a valid OpenGL primitive type");
}

}  // namespace
