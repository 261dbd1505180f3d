#include "gles/textures/framebuffer.h"

#include <algorithm>

#include "gles/context/context.h"
#include "gles/context/errors.h"
#include "gles/context/gl_enums.h"

void MGLFramebuffer::attach(MGLRenderbuffer* attachment, GLenum point, MGLContext& context) {
  context.renderer()->endEncoding();
  switch (point) {
    case GL_COLOR_ATTACHMENT0: color_ = attachment; break;
    case GL_DEPTH_ATTACHMENT: depth_ = attachment; break;
    case GL_STENCIL_ATTACHMENT: stencil_ = attachment; break;
    default:
      mglSetError(GL_INVALID_ENUM, "%@ is not a valid framebuffer attachment.", {mglGLEnumName(point)});
      break;
  }
  context.updateSurfaceRect();
}

GLint MGLFramebuffer::width() const {
  GLint w = -1;
  for (const MGLRenderbuffer* r : {color_.get(), depth_.get(), stencil_.get()}) {
    if (r) w = w < 0 ? r->width() : std::min(w, r->width());
  }
  return std::max(w, 0);
}

GLint MGLFramebuffer::height() const {
  GLint h = -1;
  for (const MGLRenderbuffer* r : {color_.get(), depth_.get(), stencil_.get()}) {
    if (r) h = h < 0 ? r->height() : std::min(h, r->height());
  }
  return std::max(h, 0);
}

bool MGLFramebuffer::isComplete() {
  GLenum status = GL_FRAMEBUFFER_COMPLETE;
  if (!color_ && !depth_ && !stencil_) {
    status = GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT;
  } else {
    for (const MGLRenderbuffer* r : {color_.get(), depth_.get(), stencil_.get()}) {
      if (r && (!r->mtlTexture() || r->width() != width() || r->height() != height())) {
        status = GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT;
      }
    }
  }
  if (status == GL_FRAMEBUFFER_COMPLETE) return true;
  mglSetError(GL_INVALID_FRAMEBUFFER_OPERATION, "The bound framebuffer (%i) is not complete: %@",
              {glID(), mglGLEnumName(status)});
  return false;
}

void MGLFramebuffer::clearAttachments(GLbitfield mask, const MGLColor& color, double depth,
                                      GLuint stencil, MGLRenderer& renderer) {
  clearingMask_ |= mask;
  if (mask & GL_COLOR_BUFFER_BIT) clearColor_ = {color.red, color.green, color.blue, color.alpha};
  if (mask & GL_DEPTH_BUFFER_BIT) clearDepth_ = depth;
  if (mask & GL_STENCIL_BUFFER_BIT) clearStencil_ = stencil;
  renderer.clearAttachments();
}

std::optional<mtl::RenderPassDescriptor> MGLFramebuffer::renderPassDescriptorForRenderer(
    MGLRenderer& renderer) {
  if (!isComplete()) {
    clearingMask_ = 0;
    return std::nullopt;
  }
  MGLContext& context = *renderer.context();
  mtl::RenderPassDescriptor pass;
  pass.visibilityResultBuffer = context.queryPool()->visibilityMTLBuffer();
  auto load = [&](GLbitfield bit) {
    return clearingMask_ & bit ? mtl::LoadAction::Clear : mtl::LoadAction::Load;
  };
  if (color_) {
    pass.colorAttachments[0].texture = color_->mtlTexture();
    pass.colorAttachments[0].loadAction = load(GL_COLOR_BUFFER_BIT);
    pass.colorAttachments[0].storeAction = mtl::StoreAction::Store;
    pass.colorAttachments[0].clearColor = clearColor_;
  }
  if (depth_) {
    pass.depthAttachment.texture = depth_->mtlTexture();
    pass.depthAttachment.loadAction = load(GL_DEPTH_BUFFER_BIT);
    pass.depthAttachment.storeAction = mtl::StoreAction::Store;
    pass.depthAttachment.clearDepth = clearDepth_;
  }
  if (stencil_) {
    pass.stencilAttachment.texture = stencil_->mtlTexture();
    pass.stencilAttachment.loadAction = load(GL_STENCIL_BUFFER_BIT);
    pass.stencilAttachment.storeAction = mtl::StoreAction::Store;
    pass.stencilAttachment.clearStencil = clearStencil_;
  }
  MGLMutableRenderPipelineState* pipeline = context.renderPipelineState();
  pipeline->setColorFormat(color_ ? color_->mtlPixelFormat() : mtl::PixelFormat::Invalid);
  pipeline->setDepthFormat(depth_ ? depth_->mtlPixelFormat() : mtl::PixelFormat::Invalid);
  pipeline->setStencilFormat(stencil_ ? stencil_->mtlPixelFormat() : mtl::PixelFormat::Invalid);
  pipeline->setSampleCount(1);
  clearingMask_ = 0;
  return pass;
}
