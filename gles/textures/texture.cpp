#include "gles/textures/texture.h"

MGLRef<MGLTexture> MGLTexture::makeDefault(GLenum target) {
  MGLRef<MGLTexture> texture(new MGLTexture(0));
  texture->setTarget(target);
  return texture;
}
