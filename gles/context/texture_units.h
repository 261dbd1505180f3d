// The 16 texture units of one target kind (2D or cube map). An unbound
// unit holds the table's default texture; a texture's first binding fixes
// its target for life. Each unit holds a reference: a texture deleted by
// another context of the sharegroup lives on while bound here.
#pragma once

#include <array>

#include "gles/context/object.h"
#include "gles/textures/texture.h"

class MGLContext;

class MGLTextureUnits : public MGLObject {
 public:
  static constexpr GLuint kUnitCount = 16;

  MGLTextureUnits(MGLContext* context, GLenum target);
  ~MGLTextureUnits() override;
  const char* className() const override { return "MGLTextureUnits"; }

  MGLContext* context() const { return context_; }
  GLenum target() const { return target_; }
  MGLTexture* defaultTexture() const { return defaultTexture_.get(); }

  // Null binds the default texture. Records GL errors for a unit of 16 or
  // more and for a texture made for the other target.
  void bindTexture(MGLTexture* texture, GLuint unit);
  MGLTexture* getTextureBoundToTextureUnit(GLuint unit) const;
  // Units that hold the texture with this GLID fall back to the default.
  void removeTextureWithGLID(GLID glID);

 private:
  static void recordBadUnit(GLuint unit);

  MGLContext* context_;                      // the owner, not retained
  std::array<MGLRef<MGLTexture>, kUnitCount> textures_{};
  GLenum target_;
  MGLRef<MGLTexture> defaultTexture_;
};
