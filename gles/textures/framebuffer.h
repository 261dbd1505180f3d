// A GL framebuffer (name and label; attachments arrive with the framebuffer code).
#pragma once

#include "gles/context/gl_object.h"

class MGLFramebuffer : public MGLGLObjectBase {
 public:
  explicit MGLFramebuffer(GLID glID) : MGLGLObjectBase(glID, MGLObjectKind::Framebuffer, "MGLFramebuffer") {}
  static MGLGLObjectBase* create(GLID glID) { return new MGLFramebuffer(glID); }
};
