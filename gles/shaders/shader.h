// A GL shader object (name and label; sources arrive with the shader code).
#pragma once

#include "gles/context/gl_object.h"

class MGLShader : public MGLGLObjectBase {
 public:
  explicit MGLShader(GLID glID) : MGLGLObjectBase(glID, MGLObjectKind::Shader, "MGLShader") {}
  static MGLGLObjectBase* create(GLID glID) { return new MGLShader(glID); }
};
