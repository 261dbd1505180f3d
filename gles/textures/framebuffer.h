// A GL framebuffer. So far: renderbuffers at the three attachment points,
// completeness of present attachments of one size, the deferred clear, and
// the render pass the renderer opens on it; texture attachments, the full
// status table and pixel reads arrive with the rest of the framebuffer code.
//
// Thread rules: used by the thread of the context that holds it.
#pragma once

#include <optional>

#include "gles/context/gl_object.h"
#include "gles/textures/renderbuffer.h"
#include "platform/metal/render_pass.h"

class MGLContext;
class MGLRenderer;
struct MGLColor;

class MGLFramebuffer : public MGLGLObjectBase {
 public:
  explicit MGLFramebuffer(GLID glID) : MGLGLObjectBase(glID, MGLObjectKind::Framebuffer, "MGLFramebuffer") {}
  static MGLGLObjectBase* create(GLID glID) { return new MGLFramebuffer(glID); }

  // GL_COLOR_ATTACHMENT0, GL_DEPTH_ATTACHMENT or GL_STENCIL_ATTACHMENT; null
  // detaches. Ends the renderer's pass and updates the surface size.
  void attach(MGLRenderbuffer* attachment, GLenum point, MGLContext& context);
  bool hasColorAttachment() const { return color_ != nullptr; }
  bool hasDepthAttachment() const { return depth_ != nullptr; }
  bool hasStencilAttachment() const { return stencil_ != nullptr; }
  // The smallest size of the present attachments; 0 x 0 without any.
  GLint width() const;
  GLint height() const;
  // Records GL_INVALID_FRAMEBUFFER_OPERATION when not complete.
  bool isComplete();
  // glClear: remembered until the next pass begins with clear load actions.
  void clearAttachments(GLbitfield mask, const MGLColor& color, double depth, GLuint stencil,
                        MGLRenderer& renderer);
  // The pass of the renderer's next render encoder; none when the
  // framebuffer is not complete (the error recorded, the pending clear
  // dropped). Tells the context's pipeline state the attachment formats.
  std::optional<mtl::RenderPassDescriptor> renderPassDescriptorForRenderer(MGLRenderer& renderer);

 private:
  MGLRef<MGLRenderbuffer> color_, depth_, stencil_;
  GLbitfield clearingMask_ = 0;
  mtl::ClearColor clearColor_{0, 0, 0, 1};
  double clearDepth_ = 1.0;
  GLuint clearStencil_ = 0;
};
