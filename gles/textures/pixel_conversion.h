// Rewriting pixels between the client's GL layout and a Metal layout: the
// upload conversion into a texture's `converted` format, and the read-back
// of any colour format into RGBA or BGRA bytes.
//
// Both walk `height` rows of `width` pixels on caller-owned buffers, row i
// starting at base + i x bytes per row, and allocate nothing. Callers size
// the buffers; rows may overlap nothing. Any thread with a current context
// (for the errors) may call them.
#pragma once

#include <cstdint>

#include "gles/context/gl_types.h"
#include "platform/metal/types.h"

// Each client pixel of (format, type) becomes one texel of `destinationFormat`:
// RGB gains an opaque alpha, luminance is replicated into red, green and
// blue, a lone alpha gets zero colour, and depth values become the depth
// format's 16-bit or float encoding. Any other combination copies the
// first min(source, destination) bytes of each pixel.
void mglConvertGLPixelsToMTL(const void* source, GLenum format, GLenum type,
                             std::uint64_t sourceBytesPerRow, std::uint64_t width,
                             std::uint64_t height, void* destination,
                             mtl::PixelFormat destinationFormat,
                             std::uint64_t destinationBytesPerRow);

// Each texel of `sourceFormat` becomes four bytes of GL_RGBA or GL_BGRA
// with GL_UNSIGNED_BYTE: components are normalised (signed ones shifted by
// one half), clamped to [0, 1] and scaled by 255 with truncation. A format
// it cannot read records GL_INVALID_ENUM and reads as mid grey; another GL
// format or type records GL_INVALID_ENUM and leaves the destination alone.
void mglConvertMTLPixelsToGLRGBA(const void* source, mtl::PixelFormat sourceFormat,
                                 std::uint64_t sourceBytesPerRow, std::uint64_t width,
                                 std::uint64_t height, void* destination, GLenum format,
                                 GLenum type, std::uint64_t destinationBytesPerRow);
