// Small argument helpers that several entry points and objects share.
#pragma once

#include <cstdint>
#include <string>

#include "gles/context/gl_types.h"

// `count` rounded up to a multiple of a power-of-two `alignment`; 0 leaves
// it; any other alignment records GL_INVALID_VALUE and leaves it.
std::uint64_t mglAlignToPowerOfTwo(std::uint64_t count, std::uint64_t alignment);

// Swaps row i with row rowCount - 1 - i, turning GL's bottom-up rows into
// Metal's top-down order and back. Null or fewer than two rows: nothing.
void mglFlipRowsVertically(void* pixels, std::size_t rowCount, std::size_t bytesPerRow);

// Writes at most bufSize - 1 bytes of the log and a NUL; answers the
// length written. A negative size records GL_INVALID_VALUE.
GLint mglCopyInfoLog(const std::string* log, GLchar* buffer, GLint bufSize);

// Each source followed by "\n\n". As in OpenGL ES 2.0, a negative length
// (or no length array) means the source is NUL-terminated and any other
// length is its count of characters (0: empty).
std::string mglJoinSourceStrings(GLsizei count, const GLchar* const* strings,
                                 const GLint* lengths);

// The largest of `count` 16- or 32-bit indices; other types record
// GL_INVALID_ENUM and give 0.
std::uint32_t mglMaxVertexIndex(const void* indices, std::uint32_t count, GLenum type);

// A malloc'ed NUL-terminated copy that the caller frees, or null.
char* mglNewCString(const std::string& text);
