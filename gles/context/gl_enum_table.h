// The value-to-name table behind mglGLEnumName, sorted by value.
#pragma once

#include <cstddef>

#include "gles/context/gl_types.h"

namespace mgl {

struct GLEnumName {
  GLenum value;
  const char* name;
};

extern const std::size_t kGLEnumNameCount;
extern const GLEnumName kGLEnumNames[];

}  // namespace mgl
