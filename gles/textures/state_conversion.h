// GL state values to their Metal counterparts: texture faces, sampler
// filters and wrap modes, compare functions, stencil operations, blending,
// vertex attribute formats, shader data types and primitive types.
//
// Pure functions that may run on any thread. An unrecognised value records
// GL_INVALID_ENUM (or GL_INVALID_VALUE where noted) on the calling thread's
// current context and answers the fallback documented with the function.
#pragma once

#include "gles/context/gl_types.h"
#include "platform/metal/types.h"

// Metal slice of a GL face: GL_TEXTURE_2D and +X are 0, -X 1, +Y 3, -Y 2,
// +Z 4, -Z 5. The Y faces trade places because images are stored upside
// down. Fallback 0.
mtl::NSUInteger mglMTLSliceOfTextureFace(GLenum face);

// Fallbacks Nearest, NotMipmapped and ClampToEdge.
mtl::SamplerMinMagFilter mglMTLMinMagFilterOfGLFilter(GLenum filter);
mtl::SamplerMipFilter mglMTLMipFilterOfGLFilter(GLenum filter);
mtl::SamplerAddressMode mglMTLAddressModeOfGLWrap(GLenum wrap);

// Fallbacks Always, Keep, Add, One and Zero. GL_SRC_ALPHA_SATURATE is a
// source factor only.
mtl::CompareFunction mglMTLCompareFunctionOfGL(GLenum function);
mtl::StencilOperation mglMTLStencilOperationOfGL(GLenum operation);
mtl::BlendOperation mglMTLBlendOperationOfGL(GLenum equation);
mtl::BlendFactor mglMTLSourceBlendFactorOfGL(GLenum factor);
mtl::BlendFactor mglMTLDestinationBlendFactorOfGL(GLenum factor);

// The vertex format of `size` components of `type`; a one-component byte
// or short attribute takes the two-component format. Invalid for a type
// Metal cannot fetch (GL_INVALID_ENUM) or a size outside 1 to 4, or one
// half float (GL_INVALID_VALUE).
mtl::VertexFormat mglMTLVertexFormatOfGL(GLenum type, GLint size, bool normalized);

// Shader data types as GL reports uniforms and attributes; 0 with an error
// for structures, arrays and non-value types.
GLenum mglGLTypeOfMTLDataType(mtl::DataType type);
mtl::NSUInteger mglByteSizeOfMTLDataType(mtl::DataType type);
GLenum mglGLSamplerTypeOfMTLTextureType(mtl::TextureType type);
GLint mglElementCountOfGLType(GLenum type);
GLint mglByteSizeOfGLType(GLenum type);

// Fans and loops have no Metal primitive: the caller expands them first.
// Fallback Triangle.
mtl::PrimitiveType mglMTLPrimitiveTypeOfGL(GLenum mode);
