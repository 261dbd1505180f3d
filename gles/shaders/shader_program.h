// A GL program object; GLID 0 is the default program.
#pragma once

#include "gles/context/gl_object.h"

class MGLShaderProgram : public MGLGLObjectBase {
 public:
  explicit MGLShaderProgram(GLID glID) : MGLGLObjectBase(glID, MGLObjectKind::ShaderProgram, "MGLShaderProgram") {}
  static MGLGLObjectBase* create(GLID glID) { return new MGLShaderProgram(glID); }
};
