#include "gles/textures/renderbuffer.h"

#include "gles/context/context.h"
#include "gles/context/errors.h"
#include "gles/context/platform.h"
#include "gles/textures/pixel_format.h"
#include "platform/metal/device.h"
#include "platform/metal/texture.h"

void MGLRenderbuffer::generateStorageWithPixelFormat(GLenum internalFormat, GLint width,
                                                     GLint height, GLint, MGLContext& context) {
  const mtl::PixelFormat format = mglRenderableMTLPixelFormatOfGLRenderbufferFormat(internalFormat);
  if (format == mtl::PixelFormat::Invalid || width < 1 || height < 1) return;
  mtl::TextureDescriptor descriptor;
  descriptor.pixelFormat = format;
  descriptor.width = static_cast<mtl::NSUInteger>(width);
  descriptor.height = static_cast<mtl::NSUInteger>(height);
  descriptor.usage = mtl::TextureUsageRenderTarget;
  descriptor.storageMode = mglTextureStorageMode(format, 1);
  texture_ = mglSharedMTLDevice()->newTexture(descriptor);
  context.updateSurfaceRect();
}

mtl::PixelFormat MGLRenderbuffer::mtlPixelFormat() const {
  return texture_ ? texture_->pixelFormat() : mtl::PixelFormat::Invalid;
}

GLint MGLRenderbuffer::width() const {
  return texture_ ? static_cast<GLint>(texture_->width()) : 0;
}

GLint MGLRenderbuffer::height() const {
  return texture_ ? static_cast<GLint>(texture_->height()) : 0;
}

bool MGLRenderbuffer::presentDrawableUsingRenderer(MGLRenderer&) { return false; }
