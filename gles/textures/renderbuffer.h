// A GL renderbuffer (name and label; its storage arrives with the framebuffer code).
#pragma once

#include "gles/context/gl_object.h"

class MGLRenderbuffer : public MGLGLObjectBase {
 public:
  explicit MGLRenderbuffer(GLID glID) : MGLGLObjectBase(glID, MGLObjectKind::Renderbuffer, "MGLRenderbuffer") {}
  static MGLGLObjectBase* create(GLID glID) { return new MGLRenderbuffer(glID); }
};
