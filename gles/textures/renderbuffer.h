// A GL renderbuffer: empty, with storage of its own (glRenderbufferStorage,
// multisampled too), or backed by a Metal layer whose drawables it renders
// into (directly, or into a texture of its own copied into the drawable at
// present) and presents at the end of each frame.
//
// Thread rules: used by the thread of the context that holds it.
#pragma once

#include <memory>
#include <string>

#include "gles/context/gl_object.h"
#include "gles/textures/framebuffer_attachment.h"
#include "platform/metal/types.h"

namespace ca {
class MetalDrawable;
class MetalLayer;
struct Size;
}  // namespace ca

class MGLContext;
class MGLRenderer;

// The Metal layer's drawable size for its bounds and scale, set on the
// layer when it differs, as the GL view's layer keeps it (its
// updateDrawableSize).
ca::Size mglUpdateDrawableSize(ca::MetalLayer& layer);

class MGLRenderbuffer : public MGLGLObjectBase, public MGLFramebufferAttachment {
 public:
  explicit MGLRenderbuffer(GLID glID);
  ~MGLRenderbuffer() override;
  static MGLGLObjectBase* create(GLID glID) { return new MGLRenderbuffer(glID); }
  void setLabel(std::string label) override;

  // glRenderbufferStorage and its multisample form: storage of
  // `internalFormat`, or GL errors and the renderbuffer as it was.
  void generateStorageWithPixelFormat(GLenum internalFormat, GLint width, GLint height,
                                      GLint samples, MGLContext& context);
  // Raises a requested sample count to one the device supports.
  void setGLSampleCount(GLint samples, GLint bound);
  GLint glSampleCount() const { return glSampleCount_; }
  mtl::NSUInteger mtlSampleCount() const;
  // Storage from a Metal layer, whose retained-backing setting says whether
  // the image survives presentation.
  void generateStorageFromLayer(std::shared_ptr<ca::MetalLayer> layer, MGLContext& context,
                                bool retainBacking = false);
  // A new texture of this renderbuffer's kind, owned by the caller.
  std::shared_ptr<mtl::Texture> newMTLTextureWithPixelFormat(mtl::PixelFormat format,
                                                             MGLSize size,
                                                             const std::string& label) const;
  void clearStorage();
  const std::shared_ptr<ca::MetalLayer>& mtlCALayer() const { return layer_; }
  bool shouldDeferDrawable() const { return shouldDeferDrawable_; }
  std::shared_ptr<mtl::Texture> mtlTextureForDeferredDrawable();
  // The internal format it reports; GL_RENDERBUFFER_* queries.
  GLenum getGLPixelFormat() const;
  GLint getParameter(GLenum pname) const;

  GLint width() const { return size().width; }
  GLint height() const { return size().height; }

  // The attachment.
  MGLObject* attachmentObject() override { return this; }
  bool isAttachingRenderbufferWithGLID(GLID glID) const override { return this->glID() == glID; }
  bool isAttachingTextureWithGLID(GLID) const override { return false; }
  void populateRenderPassAttachmentDescriptor(mtl::RenderPassAttachmentDescriptor& d,
                                              MGLRenderer& renderer) override;
  // Ends a frame: presents the layer's drawable (copying the deferred
  // image into it first); false without a layer or a drawable.
  bool presentDrawableUsingRenderer(MGLRenderer& renderer) override;
  GLID glID() const override { return MGLGLObjectBase::glID(); }
  MGLSize size() const override;
  mtl::NSUInteger sampleCount() const override;
  GLenum framebufferAttachmentType() const override;
  GLenum textureFace() const override { return 0; }
  GLint textureLevel() const override { return 0; }
  // The own storage, the current drawable's texture (obtained on first
  // use in a frame), the deferred texture, or a 1 x 1 placeholder so that
  // a pass can always begin.
  std::shared_ptr<mtl::Texture> mtlTexture() override;
  mtl::PixelFormat mtlPixelFormat() const override;
  std::shared_ptr<mtl::Drawable> mtlDrawable() const override;

 protected:
  // Empty (no texture, no layer): valid, its texture made on demand.
  bool isValidAttachment() const override;

 private:
  std::shared_ptr<ca::MetalLayer> layer_;
  std::shared_ptr<mtl::Texture> mtlTexture_;
  std::shared_ptr<mtl::Texture> deferredTexture_;
  MGLSize layerSize_;
  GLint glSampleCount_ = 0;
  bool retainBacking_ = false;
  bool shouldDeferDrawable_ = false;
  std::shared_ptr<ca::MetalDrawable> drawable_;
};
