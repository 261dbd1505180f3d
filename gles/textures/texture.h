// A GL texture object. Its target is fixed by the first binding (or by
// setTarget); the texture-unit tables refuse to bind it to the other kind.
#pragma once

#include "gles/context/gl_object.h"

class MGLTexture : public MGLGLObjectBase {
 public:
  explicit MGLTexture(GLID glID) : MGLGLObjectBase(glID, MGLObjectKind::Texture, "MGLTexture") {}
  static MGLGLObjectBase* create(GLID glID) { return new MGLTexture(glID); }
  // The default texture of a texture-unit table: GLID 0, bound to `target`.
  static MGLRef<MGLTexture> makeDefault(GLenum target);

  GLenum target() const { return target_; }
  void setTarget(GLenum target) { target_ = target; }

 private:
  GLenum target_ = 0;
};
