#include "gles/context/utilities.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "gles/context/errors.h"
#include "gles/context/gl_enums.h"

std::uint64_t mglAlignToPowerOfTwo(std::uint64_t count, std::uint64_t alignment) {
  if (alignment == 0) return count;
  if ((alignment & (alignment - 1)) != 0) {
    mglSetError(GL_INVALID_VALUE, "Byte alignment %lu is not a power-of-two value.", {alignment});
    return count;
  }
  return (count + alignment - 1) & ~(alignment - 1);
}

void mglFlipRowsVertically(void* pixels, std::size_t rowCount, std::size_t bytesPerRow) {
  if (!pixels || rowCount < 2) return;
  auto* rows = static_cast<std::uint8_t*>(pixels);
  for (std::size_t i = 0; i < rowCount / 2; ++i) {
    std::swap_ranges(rows + i * bytesPerRow, rows + (i + 1) * bytesPerRow,
                     rows + (rowCount - 1 - i) * bytesPerRow);
  }
}

GLint mglCopyInfoLog(const std::string* log, GLchar* buffer, GLint bufSize) {
  if (bufSize < 0) {
    mglSetError(GL_INVALID_VALUE, "Buffer size cannot be negative");
    return 0;
  }
  if (!buffer || bufSize == 0) return 0;
  const std::string empty;
  const std::string& text = log ? *log : empty;
  const std::size_t written = std::min<std::size_t>(text.size(), static_cast<std::size_t>(bufSize) - 1);
  std::memcpy(buffer, text.data(), written);
  buffer[written] = '\0';
  return static_cast<GLint>(written);
}

std::string mglJoinSourceStrings(GLsizei count, const GLchar* const* strings,
                                 const GLint* lengths) {
  std::string joined;
  if (count < 1 || !strings) return joined;
  for (GLsizei i = 0; i < count; ++i) {
    const GLchar* source = strings[i];
    if (source) {
      // OpenGL ES 2.0 (2.10.1): a negative length, or no length array, means
      // the string is NUL-terminated; any other length is the count of
      // characters, so 0 is an empty string.
      const GLint length = lengths ? lengths[i] : -1;
      if (length < 0) {
        joined += source;
      } else {
        joined.append(source, static_cast<std::size_t>(length));
      }
    }
    joined += "\n\n";
  }
  return joined;
}

std::uint32_t mglMaxVertexIndex(const void* indices, std::uint32_t count, GLenum type) {
  std::uint32_t largest = 0;
  if (type == GL_UNSIGNED_INT) {
    const auto* p = static_cast<const std::uint32_t*>(indices);
    for (std::uint32_t i = 0; i < count; ++i) largest = std::max(largest, p[i]);
  } else if (type == GL_UNSIGNED_SHORT) {
    const auto* p = static_cast<const std::uint16_t*>(indices);
    for (std::uint32_t i = 0; i < count; ++i) largest = std::max<std::uint32_t>(largest, p[i]);
  } else {
    mglSetError(GL_INVALID_ENUM, "%@ is not a valid vertex index type", {mglGLEnumName(type)});
  }
  return largest;
}

char* mglNewCString(const std::string& text) {
  auto* copy = static_cast<char*>(std::malloc(text.size() + 1));
  if (!copy) return nullptr;
  std::memcpy(copy, text.c_str(), text.size() + 1);
  return copy;
}
