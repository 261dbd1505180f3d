#include "gles/context/texture_units.h"

#include "gles/context/errors.h"
#include "gles/context/gl_enums.h"

MGLTextureUnits::MGLTextureUnits(MGLContext* context, GLenum target)
    : context_(context),
      target_(target),
      defaultTexture_(MGLTexture::initAsDefultForTarget(target)) {
  textures_.fill(defaultTexture_);
}

MGLTextureUnits::~MGLTextureUnits() {
  context_ = nullptr;
  textures_.fill(nullptr);
}

void MGLTextureUnits::recordBadUnit(GLuint unit) {
  mglSetError(GL_INVALID_ENUM,
              "%@ is not a valid a texture unit value. DivezoVO supports a maximum of %i "
              "texture units.",
              {mglGLEnumName(GL_TEXTURE0 + unit), kUnitCount});
}

void MGLTextureUnits::bindTexture(MGLTexture* texture, GLuint unit) {
  if (unit >= kUnitCount) {
    recordBadUnit(unit);
    return;
  }
  if (!texture) texture = defaultTexture_.get();
  if (texture->target() == 0) texture->setTarget(target_);
  if (texture->target() != target_) {
    mglSetError(GL_INVALID_OPERATION,
                "Texture %i was created for target %@ and cannot be bound to target %@.",
                {texture->glID(), mglGLEnumName(texture->target()), mglGLEnumName(target_)});
    return;
  }
  if (textures_[unit].get() != texture) textures_[unit] = texture;
}

MGLTexture* MGLTextureUnits::getTextureBoundToTextureUnit(GLuint unit) const {
  if (unit >= kUnitCount) {
    recordBadUnit(unit);
    return nullptr;
  }
  return textures_[unit].get();
}

void MGLTextureUnits::removeTextureWithGLID(GLID glID) {
  if (glID == 0) return;
  for (MGLRef<MGLTexture>& texture : textures_) {
    if (texture->glID() == glID) texture = defaultTexture_;
  }
}
