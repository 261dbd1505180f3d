// A GL buffer object (name and label; its storage arrives with the buffer entry points).
#pragma once

#include "gles/context/gl_object.h"

class MGLBuffer : public MGLGLObjectBase {
 public:
  explicit MGLBuffer(GLID glID) : MGLGLObjectBase(glID, MGLObjectKind::Buffer, "MGLBuffer") {}
  static MGLGLObjectBase* create(GLID glID) { return new MGLBuffer(glID); }
};
