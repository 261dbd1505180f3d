// GL pixel formats and types against Metal pixel formats: sizes in bytes
// and bits, the Metal formats a texture of a GL format and type can use,
// the way back for adopted textures, and renderbuffer formats.
//
// Pure functions that may run on any thread. An unrecognised value records
// a GL error (mglSetError, on the calling thread's current context) and
// answers the fallback documented with the function, so callers go on.
#pragma once

#include "gles/context/gl_types.h"
#include "platform/metal/types.h"

// The two Metal formats a GL format and type can be stored in. `direct`
// holds the client's bytes unchanged; `converted` shows them with GL's
// meaning (luminance in red, green and blue; missing alpha opaque) once
// mglConvertGLPixelsToMTL has rewritten them. Either may be Invalid.
struct MGLPixelFormatPair {
  mtl::PixelFormat direct = mtl::PixelFormat::Invalid;
  mtl::PixelFormat converted = mtl::PixelFormat::Invalid;
  bool operator==(const MGLPixelFormatPair&) const = default;
};

// Whether the shared device stores 16-bit depth (else 32-bit float depth
// stands in). Asked of the shared device once per process.
bool mglSupportsDepth16Unorm();

// Bytes of one texel; 1 with GL_INVALID_ENUM for a format outside the
// layer's table, so that callers never divide or allocate by zero.
unsigned mglBytesPerPixelOfMTLPixelFormat(mtl::PixelFormat format);
// Bytes of one client pixel; 1 with GL_INVALID_ENUM for a pair GL refuses.
unsigned mglBytesPerPixelOfGLFormat(GLenum format, GLenum type);

bool mglMTLPixelFormatHasDepth(mtl::PixelFormat format);
bool mglMTLPixelFormatHasStencil(mtl::PixelFormat format);

// Bit-plane sizes; 0 with GL_INVALID_ENUM outside the table.
// RGB9E5Float reports its shared exponent as its alpha bits.
unsigned mglRedBitsOfMTLPixelFormat(mtl::PixelFormat format);
unsigned mglGreenBitsOfMTLPixelFormat(mtl::PixelFormat format);
unsigned mglBlueBitsOfMTLPixelFormat(mtl::PixelFormat format);
unsigned mglAlphaBitsOfMTLPixelFormat(mtl::PixelFormat format);
unsigned mglDepthBitsOfMTLPixelFormat(mtl::PixelFormat format);
unsigned mglStencilBitsOfMTLPixelFormat(mtl::PixelFormat format);

// The formats for client data of (format, type); type 0 names compressed
// data, which has only a direct format. (Invalid, Invalid) with
// GL_INVALID_ENUM for a pair the device cannot hold.
MGLPixelFormatPair mglMTLPixelFormatsForGLFormat(GLenum format, GLenum type);
// The same lookup with the depth-format answer given rather than asked.
MGLPixelFormatPair mglMTLPixelFormatsForGLFormat(GLenum format, GLenum type,
                                                 bool supportsDepth16);

// The GL format and type an adopted Metal texture reads as; 0 with
// GL_INVALID_ENUM for a format GL cannot name.
GLenum mglGLFormatOfMTLPixelFormat(mtl::PixelFormat format);
GLenum mglGLTypeOfMTLPixelFormat(mtl::PixelFormat format);

// The Metal format that stores a renderbuffer of a GL internal format;
// 0 gives Invalid silently, an unknown format Invalid with GL_INVALID_ENUM.
mtl::PixelFormat mglRenderableMTLPixelFormatOfGLRenderbufferFormat(GLenum internalFormat);
mtl::PixelFormat mglRenderableMTLPixelFormatOfGLRenderbufferFormat(GLenum internalFormat,
                                                                   bool supportsDepth16);
// The internal format a renderbuffer of a Metal format reports; Invalid
// gives 0, any other unknown format 0 with GL_INVALID_VALUE.
GLenum mglGLRenderbufferFormatOfMTLPixelFormat(mtl::PixelFormat format);
// Bits of one component (GL_RENDERBUFFER_RED_SIZE ... STENCIL_SIZE) of an
// internal format; 0 for every other pair, without an error.
GLint mglGLRenderbufferComponentSize(GLenum internalFormat, GLenum pname);
