// What a framebuffer attaches: a renderbuffer, or a level and face of a
// texture. Both answer the same questions (size, format, validity at each
// attachment point) and fill a render pass's attachment.
//
// Thread rules: used by the thread of the context that holds the
// framebuffer.
#pragma once

#include <memory>

#include "gles/context/object.h"
#include "gles/textures/texture.h"
#include "platform/metal/render_pass.h"

namespace mtl {
class Drawable;
class Texture;
}  // namespace mtl

class MGLRenderer;

class MGLFramebufferAttachment {
 public:
  virtual ~MGLFramebufferAttachment() = default;
  // The reference-counted object that is the attachment; the framebuffer
  // holds it through this.
  virtual MGLObject* attachmentObject() = 0;

  virtual bool isAttachingRenderbufferWithGLID(GLID glID) const = 0;
  virtual bool isAttachingTextureWithGLID(GLID glID) const = 0;
  // Sets the pass attachment's texture, slice and level.
  virtual void populateRenderPassAttachmentDescriptor(mtl::RenderPassAttachmentDescriptor& d,
                                                      MGLRenderer& renderer) = 0;
  virtual bool presentDrawableUsingRenderer(MGLRenderer& renderer) = 0;
  virtual GLID glID() const = 0;
  virtual MGLSize size() const = 0;
  virtual mtl::NSUInteger sampleCount() const = 0;
  // GL_RENDERBUFFER or GL_TEXTURE.
  virtual GLenum framebufferAttachmentType() const = 0;
  virtual GLenum textureFace() const = 0;
  virtual GLint textureLevel() const = 0;
  // The texture drawn into; a renderbuffer may obtain it on the way.
  virtual std::shared_ptr<mtl::Texture> mtlTexture() = 0;
  virtual mtl::PixelFormat mtlPixelFormat() const = 0;
  virtual std::shared_ptr<mtl::Drawable> mtlDrawable() const = 0;
  // The level and slice that draws and reads reach.
  virtual mtl::NSUInteger mtlTextureLevel() const { return 0; }
  virtual mtl::NSUInteger mtlTextureSlice() const { return 0; }

  // A colour attachment holds neither depth nor stencil, a depth one holds
  // depth, a stencil one stencil; each also needs a size and a format.
  bool isValidFramebufferColorAttachment() const;
  bool isValidFramebufferDepthAttachment() const;
  bool isValidFramebufferStencilAttachment() const;

 protected:
  virtual bool isValidAttachment() const;
};

// A level and face of a texture as an attachment.
class MGLTextureFramebufferAttachment : public MGLObject, public MGLFramebufferAttachment {
 public:
  // Records GL_INVALID_OPERATION (and attaches all the same) when the
  // texture cannot be rendered to.
  MGLTextureFramebufferAttachment(MGLTexture* texture, GLenum face, GLint level);
  const char* className() const override { return "MGLTextureFramebufferAttachment"; }
  MGLObject* attachmentObject() override { return this; }

  MGLTexture* texture() const { return texture_.get(); }
  bool isAttachingRenderbufferWithGLID(GLID) const override { return false; }
  bool isAttachingTextureWithGLID(GLID glID) const override { return texture_->glID() == glID; }
  void populateRenderPassAttachmentDescriptor(mtl::RenderPassAttachmentDescriptor& d,
                                              MGLRenderer& renderer) override;
  bool presentDrawableUsingRenderer(MGLRenderer& renderer) override;
  GLID glID() const override { return texture_->glID(); }
  // The attached level's size.
  MGLSize size() const override;
  mtl::NSUInteger sampleCount() const override { return texture_->sampleCount(); }
  GLenum framebufferAttachmentType() const override;
  GLenum textureFace() const override { return textureFace_; }
  GLint textureLevel() const override { return textureLevel_; }
  std::shared_ptr<mtl::Texture> mtlTexture() override { return texture_->mtlTexture(); }
  mtl::PixelFormat mtlPixelFormat() const override;
  std::shared_ptr<mtl::Drawable> mtlDrawable() const override { return nullptr; }
  mtl::NSUInteger mtlTextureLevel() const override {
    return static_cast<mtl::NSUInteger>(textureLevel_);
  }
  mtl::NSUInteger mtlTextureSlice() const override { return mtlTextureSlice_; }

 private:
  void validateTexture();

  MGLRef<MGLTexture> texture_;
  mtl::NSUInteger mtlTextureSlice_;
  GLenum textureFace_;
  GLint textureLevel_;
};
