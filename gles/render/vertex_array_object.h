// A vertex array object; GLID 0 is each context's default one.
#pragma once

#include "gles/context/gl_object.h"

class MGLVertexArrayObject : public MGLGLObjectBase {
 public:
  explicit MGLVertexArrayObject(GLID glID) : MGLGLObjectBase(glID, MGLObjectKind::VertexArrayObject, "MGLVertexArrayObject") {}
  static MGLGLObjectBase* create(GLID glID) { return new MGLVertexArrayObject(glID); }
};
