// A precompiled shader library; GLID 0 is the default library.
#pragma once

#include "gles/context/gl_object.h"

class MGLShaderLibrary : public MGLGLObjectBase {
 public:
  explicit MGLShaderLibrary(GLID glID) : MGLGLObjectBase(glID, MGLObjectKind::ShaderLibrary, "MGLShaderLibrary") {}
  static MGLGLObjectBase* create(GLID glID) { return new MGLShaderLibrary(glID); }
};
