// A GL renderbuffer. So far it holds its own storage (glRenderbufferStorage);
// storage from a Metal layer and presentation arrive with the rest of the
// framebuffer code.
//
// Thread rules: used by the thread of the context that holds it.
#pragma once

#include <memory>

#include "gles/context/gl_object.h"
#include "platform/metal/types.h"

namespace mtl {
class Texture;
}

class MGLContext;
class MGLRenderer;

class MGLRenderbuffer : public MGLGLObjectBase {
 public:
  explicit MGLRenderbuffer(GLID glID) : MGLGLObjectBase(glID, MGLObjectKind::Renderbuffer, "MGLRenderbuffer") {}
  static MGLGLObjectBase* create(GLID glID) { return new MGLRenderbuffer(glID); }

  // New storage of `width` x `height` in the Metal format of the GL
  // internal format; nothing for a size or format it cannot make.
  void generateStorageWithPixelFormat(GLenum internalFormat, GLint width, GLint height,
                                      GLint samples, MGLContext& context);
  const std::shared_ptr<mtl::Texture>& mtlTexture() const { return texture_; }
  mtl::PixelFormat mtlPixelFormat() const;
  GLint width() const;
  GLint height() const;
  // Presents the layer's drawable at the end of a frame: without a layer
  // there is none to present.
  bool presentDrawableUsingRenderer(MGLRenderer& renderer);

 private:
  std::shared_ptr<mtl::Texture> texture_;
};
