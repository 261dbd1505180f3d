#include "gles/textures/framebuffer_attachment.h"

#include <algorithm>

#include "gles/context/errors.h"
#include "gles/context/gl_enums.h"
#include "gles/textures/pixel_format.h"
#include "gles/textures/state_conversion.h"
#include "platform/metal/texture.h"

bool MGLFramebufferAttachment::isValidAttachment() const {
  const MGLSize s = size();
  return s.width > 0 && s.height > 0 && mtlPixelFormat() != mtl::PixelFormat::Invalid;
}

bool MGLFramebufferAttachment::isValidFramebufferColorAttachment() const {
  const mtl::PixelFormat format = mtlPixelFormat();
  return !mglMTLPixelFormatHasDepth(format) && !mglMTLPixelFormatHasStencil(format) &&
         isValidAttachment();
}

bool MGLFramebufferAttachment::isValidFramebufferDepthAttachment() const {
  return mglMTLPixelFormatHasDepth(mtlPixelFormat()) && isValidAttachment();
}

bool MGLFramebufferAttachment::isValidFramebufferStencilAttachment() const {
  return mglMTLPixelFormatHasStencil(mtlPixelFormat()) && isValidAttachment();
}

MGLTextureFramebufferAttachment::MGLTextureFramebufferAttachment(MGLTexture* texture, GLenum face,
                                                                 GLint level)
    : texture_(texture),
      mtlTextureSlice_(mglMTLSliceOfTextureFace(face)),
      textureFace_(face),
      textureLevel_(level) {
  validateTexture();
}

void MGLTextureFramebufferAttachment::validateTexture() {
  if (texture_->mtlUsage() & mtl::TextureUsageRenderTarget) return;
  mglSetError(GL_INVALID_OPERATION,
              "OpenGL texture %d is not renderable and cannot be used as a render target. You can "
              "fix this by not providing content to the texture when the texture is created, or "
              "by calling glDisable(GL_OPTIMIZE_SAMPLE_ONLY_TEXTURES_MGL) sometime before "
              "creating the texture. See the API notes for the "
              "GL_OPTIMIZE_SAMPLE_ONLY_TEXTURES_MGL capability for more info.",
              {texture_->glID()});
}

void MGLTextureFramebufferAttachment::populateRenderPassAttachmentDescriptor(
    mtl::RenderPassAttachmentDescriptor& d, MGLRenderer&) {
  d.texture = texture_->mtlTexture();
  d.slice = mtlTextureSlice_;
  d.level = static_cast<mtl::NSUInteger>(std::max(textureLevel_, 0));
}

bool MGLTextureFramebufferAttachment::presentDrawableUsingRenderer(MGLRenderer&) {
  mglSetError(GL_INVALID_OPERATION,
              "The currently bound framebuffer is not backed by a CAMetalLayer.");
  return false;
}

MGLSize MGLTextureFramebufferAttachment::size() const {
  // The attached level's own size: draws into level 1 of a 64 x 64
  // texture cover 32 x 32. A level the texture does not have is empty.
  const std::shared_ptr<mtl::Texture>& texture = texture_->mtlTexture();
  if (!texture || textureLevel_ < 0 ||
      static_cast<mtl::NSUInteger>(textureLevel_) >= texture->mipmapLevelCount()) {
    return {};
  }
  const MGLSize base = texture_->size();
  return {std::max(base.width >> textureLevel_, 1), std::max(base.height >> textureLevel_, 1)};
}

GLenum MGLTextureFramebufferAttachment::framebufferAttachmentType() const { return GL_TEXTURE; }

mtl::PixelFormat MGLTextureFramebufferAttachment::mtlPixelFormat() const {
  const std::shared_ptr<mtl::Texture>& texture = texture_->mtlTexture();
  return texture ? texture->pixelFormat() : mtl::PixelFormat::Invalid;
}
