// A GL framebuffer: colour, depth and stencil attachment points, the
// completeness status, a glClear remembered until the next render pass
// begins (as that pass's load actions), the pass itself, and pixel reads.
//
// Thread rules: used by the thread of the context that holds it.
#pragma once

#include <optional>

#include "gles/context/gl_object.h"
#include "gles/render/encoder_states.h"
#include "gles/textures/framebuffer_attachment.h"
#include "gles/textures/renderbuffer.h"
#include "platform/metal/render_pass.h"

class MGLContext;
class MGLRenderer;
struct MGLColor;

class MGLFramebuffer : public MGLGLObjectBase {
 public:
  explicit MGLFramebuffer(GLID glID);
  static MGLGLObjectBase* create(GLID glID) { return new MGLFramebuffer(glID); }

  MGLFramebufferAttachment* colorAttachment() const { return color_.attachment; }
  MGLFramebufferAttachment* depthAttachment() const { return depth_.attachment; }
  MGLFramebufferAttachment* stencilAttachment() const { return stencil_.attachment; }
  bool hasColorAttachment() const { return color_.attachment != nullptr; }
  bool hasDepthAttachment() const { return depth_.attachment != nullptr; }
  bool hasStencilAttachment() const { return stencil_.attachment != nullptr; }
  // GL_COLOR_ATTACHMENT0, GL_DEPTH_ATTACHMENT or GL_STENCIL_ATTACHMENT;
  // another point records GL_INVALID_ENUM and answers null.
  MGLFramebufferAttachment* getAttachment(GLenum point) const;
  // Null detaches. Ends the renderer's pass and updates the surface size.
  void attach(MGLFramebufferAttachment* attachment, GLenum point, MGLContext& context);
  void detachRenderbufferWithGLID(GLID glID, MGLContext& context);
  void detachTextureWithGLID(GLID glID, MGLContext& context);

  // The status, worked out whenever asked: attachments change size and
  // format without the framebuffer hearing of it.
  GLenum status() const { return checkStatus(); }
  GLenum checkStatus() const;
  void markStatusDirty() {}
  // Records GL_INVALID_FRAMEBUFFER_OPERATION when not complete.
  bool isComplete() const;
  // The smallest size of the present attachments; 0 x 0 without any.
  MGLSize size() const;
  GLint width() const { return size().width; }
  GLint height() const { return size().height; }
  // The first present attachment's, colour first; 1 without any.
  mtl::NSUInteger sampleCount() const;

  // glClear: remembered until the next pass begins with clear load actions.
  void clearAttachments(GLbitfield mask, const MGLColor& color, double depth, GLuint stencil,
                        MGLRenderer& renderer);
  // The pass of the renderer's next render encoder; none when the
  // framebuffer is not complete (the error recorded, the pending clear
  // dropped). Tells the context's pipeline state the attachment formats.
  std::optional<mtl::RenderPassDescriptor> renderPassDescriptorForRenderer(MGLRenderer& renderer);

  // glReadPixels of GL_RGBA or GL_BGRA bytes from the colour attachment's
  // level and slice: the rectangle is clipped to the level, and the
  // destination's pixels outside it (and its rows' padding) are left alone.
  void readPixelsFromRect(MGLRect rectangle, void* destination, GLenum format, GLenum type,
                          GLint packAlignment);
  // glGetFramebufferAttachmentParameteriv; -1 after an error.
  GLint getParameter(GLenum pname, GLenum point) const;
  // glDiscardFramebufferEXT: checks the names; contents are always kept.
  void discard(GLsizei count, const GLenum* attachments) const;

 private:
  struct Slot {
    MGLRef<MGLObject> owner;
    MGLFramebufferAttachment* attachment = nullptr;
  };
  Slot* slotOf(GLenum point);

  GLbitfield clearingMask_ = 0;
  mtl::ClearColor clearColor_{0, 0, 0, 1};
  double clearDepth_ = 1.0;
  GLuint clearStencil_ = 0;
  Slot color_, depth_, stencil_;
};
