#include "gles/textures/renderbuffer.h"

#include <algorithm>
#include <utility>

#include "gles/context/context.h"
#include "gles/context/current_context.h"
#include "gles/context/errors.h"
#include "gles/context/gl_enums.h"
#include "gles/context/log.h"
#include "gles/context/platform.h"
#include "gles/render/renderer.h"
#include "gles/textures/metal_guard.h"
#include "gles/textures/pixel_format.h"
#include "platform/metal/blit_encoder.h"
#include "platform/metal/command_buffer.h"
#include "platform/metal/device.h"
#include "platform/metal/texture.h"
#include "platform/quartzcore/metal_layer.h"

namespace {

using P = mtl::PixelFormat;

// A layer size in whole pixels.
MGLSize truncated(ca::Size size) {
  return {static_cast<GLint>(size.width), static_cast<GLint>(size.height)};
}

template <typename Body>
bool guarded(GLID glID, Body&& body) {
  return mglGuardMetalWork("Renderbuffer %i could not be given storage: out of memory.", glID,
                           std::forward<Body>(body));
}

void updateCurrentSurface() {
  if (MGLContext* context = mglCurrentContext()) context->updateSurfaceRect();
}

}  // namespace

ca::Size mglUpdateDrawableSize(ca::MetalLayer& layer) {
  const ca::Rect bounds = layer.bounds();
  const ca::Size size{bounds.size.width * layer.contentsScale(),
                      bounds.size.height * layer.contentsScale()};
  if (!(size == layer.drawableSize())) layer.setDrawableSize(size);
  return size;
}

MGLRenderbuffer::MGLRenderbuffer(GLID glID)
    : MGLGLObjectBase(glID, MGLObjectKind::Renderbuffer, "MGLRenderbuffer") {}

MGLRenderbuffer::~MGLRenderbuffer() { clearStorage(); }

void MGLRenderbuffer::setLabel(std::string label) {
  MGLGLObjectBase::setLabel(label);
  if (mtlTexture_) mtlTexture_->setLabel(std::move(label));
}

void MGLRenderbuffer::clearStorage() {
  mtlTexture_.reset();
  deferredTexture_.reset();
  drawable_.reset();
  layer_.reset();
}

// --- Own storage -------------------------------------------------------------

void MGLRenderbuffer::setGLSampleCount(GLint samples, GLint bound) {
  if (samples == 0 || samples > bound) {
    glSampleCount_ = 0;
    return;
  }
  const std::shared_ptr<mtl::Device> device = mglSharedMTLDevice();
  for (std::int64_t n = 1; n <= bound; n *= 2) {
    if (n >= samples && device->supportsTextureSampleCount(static_cast<mtl::NSUInteger>(n))) {
      glSampleCount_ = static_cast<GLint>(n);
      return;
    }
  }
}

mtl::NSUInteger MGLRenderbuffer::mtlSampleCount() const {
  return static_cast<mtl::NSUInteger>(std::max(glSampleCount_, 1));
}

void MGLRenderbuffer::generateStorageWithPixelFormat(GLenum internalFormat, GLint width,
                                                     GLint height, GLint samples,
                                                     MGLContext& context) {
  const GLint max = context.platform()->maxTextureSize();
  const GLint maxSamples = context.platform()->maxSampleCount();
  const GLID name = glID();
  if (width < 1) {
    mglSetError(GL_INVALID_VALUE, "Renderbuffer %i width (%i) must be greater than zero.",
                {name, width});
    return;
  }
  if (height < 1) {
    mglSetError(GL_INVALID_VALUE, "Renderbuffer %i height (%i) must be greater than zero.",
                {name, height});
    return;
  }
  if (width > max) {
    mglSetError(GL_INVALID_VALUE,
                "Renderbuffer %i width %i is too big. Renderbuffers may have a maximum width of "
                "%i.",
                {name, width, max});
    return;
  }
  if (height > max) {
    mglSetError(GL_INVALID_VALUE,
                "Renderbuffer %i height %i is too big. Renderbuffers may have a maximum height "
                "of %i.",
                {name, height, max});
    return;
  }
  if (samples < 0) {
    mglSetError(GL_INVALID_VALUE, "Renderbuffer %i samples (%i) must not be negative.",
                {name, samples});
    return;
  }
  if (samples > maxSamples) {
    mglSetError(GL_INVALID_VALUE,
                "Renderbuffer %i samples %i is too big. Renderbuffers may have a maximum of %i "
                "samples.",
                {name, samples, maxSamples});
    return;
  }
  // An unknown format, or none, makes nothing: Metal refuses textures of
  // no format and of formats it cannot render to.
  P format = mglRenderableMTLPixelFormatOfGLRenderbufferFormat(internalFormat);
  if (format != P::Invalid && !mtl::isRenderable(format)) format = P::Invalid;
  if (format == P::Invalid) {
    mglSetError(GL_INVALID_ENUM,
                "Could not find a renderable MTLPixelFormat matching OpenGL renderbuffer pixel "
                "format %@",
                {mglGLEnumName(internalFormat)});
    return;
  }
  const GLint previousSamples = glSampleCount_;
  setGLSampleCount(samples, maxSamples);
  // A multisample colour buffer matches the drawable it is resolved into.
  if (mtlSampleCount() >= 2 && !mglMTLPixelFormatHasDepth(format) &&
      !mglMTLPixelFormatHasStencil(format)) {
    format = context.caMetalLayerMTLPixelFormat();
  }
  const MGLSize size{width, height};
  if (!layer_ && mtlTexture_ && mtlTexture_->pixelFormat() == format &&
      mtlTexture_->width() == static_cast<mtl::NSUInteger>(width) &&
      mtlTexture_->height() == static_cast<mtl::NSUInteger>(height) &&
      mtlTexture_->sampleCount() == mtlSampleCount()) {
    return;
  }
  std::shared_ptr<mtl::Texture> texture;
  if (!guarded(name, [&] { texture = newMTLTextureWithPixelFormat(format, size, label()); })) {
    glSampleCount_ = previousSamples;
    return;
  }
  clearStorage();
  mtlTexture_ = std::move(texture);
  context.updateSurfaceRect();
}

std::shared_ptr<mtl::Texture> MGLRenderbuffer::newMTLTextureWithPixelFormat(
    P format, MGLSize size, const std::string& label) const {
  const mtl::NSUInteger samples = mtlSampleCount();
  mtl::TextureDescriptor descriptor;
  descriptor.pixelFormat = format;
  descriptor.textureType =
      samples >= 2 ? mtl::TextureType::Type2DMultisample : mtl::TextureType::Type2D;
  descriptor.sampleCount = samples;
  descriptor.width = static_cast<mtl::NSUInteger>(std::max(size.width, 1));
  descriptor.height = static_cast<mtl::NSUInteger>(std::max(size.height, 1));
  setUsageMGL(descriptor, mtl::TextureUsageRenderTarget);
  setStorageModeMGL(descriptor, mglTextureStorageMode(format, samples));
  std::shared_ptr<mtl::Texture> texture = mglSharedMTLDevice()->newTexture(descriptor);
  texture->setLabel(label);
  return texture;
}

// --- Storage from a layer ----------------------------------------------------

void MGLRenderbuffer::generateStorageFromLayer(std::shared_ptr<ca::MetalLayer> layer,
                                               MGLContext& context, bool retainBacking) {
  if (!layer) return;
  const MGLSize size = truncated(mglUpdateDrawableSize(*layer));
  if (layer == layer_ && size == layerSize_) return;
  clearStorage();
  layerSize_ = size;
  layer_ = std::move(layer);
  layer_->setDevice(mglSharedMTLDevice());
  layer_->setPresentsWithTransaction(false);
  layer_->setDrawsAsynchronously(true);
  retainBacking_ = retainBacking;
  shouldDeferDrawable_ = retainBacking_ || context.renderer()->shouldDeferDrawable();
  // A deferred image reaches the drawable by a blit, which a
  // framebuffer-only texture refuses.
  layer_->setFramebufferOnly(!shouldDeferDrawable_);
  context.updateSurfaceRect();
  context.setCaMetalLayerMTLPixelFormat(layer_->pixelFormat());
  mglLog("mgl-info", "Set size of renderbuffer %i (%p) to %@ from CAMetalLayer %p",
         {glID(), static_cast<const void*>(this),
          mglFormat("(%i, %i)", {size.width, size.height}),
          static_cast<const void*>(layer_.get())});
}

std::shared_ptr<mtl::Texture> MGLRenderbuffer::mtlTexture() {
  if (mtlTexture_) return mtlTexture_;
  if (layer_) {
    if (!shouldDeferDrawable_) {
      if (!drawable_) {
        drawable_ = layer_->nextDrawable();
        if (!drawable_) {
          mglLog("mgl-error",
                 "The CALayer backing the currently bound framebuffer could not provide a "
                 "CAMetalDrawable.");
        }
      }
      if (drawable_) mtlTexture_ = drawable_->texture();
    } else {
      mtlTexture_ = mtlTextureForDeferredDrawable();
    }
  }
  if (!mtlTexture_) {
    guarded(glID(), [&] {
      mtlTexture_ = newMTLTextureWithPixelFormat(P::RGBA8Unorm, {1, 1}, label());
    });
  }
  updateCurrentSurface();
  return mtlTexture_;
}

std::shared_ptr<mtl::Texture> MGLRenderbuffer::mtlTextureForDeferredDrawable() {
  if (!deferredTexture_) {
    guarded(glID(), [&] {
      deferredTexture_ = newMTLTextureWithPixelFormat(mtlPixelFormat(), size(), label());
    });
  }
  return deferredTexture_;
}

bool MGLRenderbuffer::presentDrawableUsingRenderer(MGLRenderer& renderer) {
  if (!layer_) return false;
  mtl::CommandBuffer* commandBuffer = renderer.commandBuffer();
  if (!drawable_) {
    drawable_ = layer_->nextDrawable();
    if (!drawable_) {
      mglLog("mgl-error",
             "The CALayer backing the currently bound framebuffer could not provide a "
             "CAMetalDrawable.");
    }
    if (mtlTexture_ && drawable_) {
      // The drawable may have another size than the image: the common part.
      const std::shared_ptr<mtl::Texture> target = drawable_->texture();
      const mtl::NSUInteger width = std::min(mtlTexture_->width(), target->width());
      const mtl::NSUInteger height = std::min(mtlTexture_->height(), target->height());
      mtl::BlitCommandEncoder* blit = renderer.blitCommandEncoder();
      blit->copyFromTexture(mtlTexture_, 0, 0, {0, 0, 0}, {width, height, 1}, target, 0, 0,
                            {0, 0, 0});
      renderer.endEncoding();
    }
  }
  if (!retainBacking_) mtlTexture_.reset();
  if (!drawable_) return false;
  commandBuffer->presentDrawable(std::move(drawable_));
  drawable_.reset();
  return true;
}

// --- Queries -----------------------------------------------------------------

MGLSize MGLRenderbuffer::size() const {
  if (mtlTexture_) {
    return {static_cast<GLint>(mtlTexture_->width()), static_cast<GLint>(mtlTexture_->height())};
  }
  if (layer_) return truncated(layer_->drawableSize());
  return {};
}

mtl::NSUInteger MGLRenderbuffer::sampleCount() const {
  return mtlTexture_ ? mtlTexture_->sampleCount() : 1;
}

GLenum MGLRenderbuffer::framebufferAttachmentType() const { return GL_RENDERBUFFER; }

P MGLRenderbuffer::mtlPixelFormat() const {
  if (mtlTexture_) return mtlTexture_->pixelFormat();
  if (layer_) return layer_->pixelFormat();
  return P::Invalid;
}

std::shared_ptr<mtl::Drawable> MGLRenderbuffer::mtlDrawable() const { return drawable_; }

void MGLRenderbuffer::populateRenderPassAttachmentDescriptor(
    mtl::RenderPassAttachmentDescriptor& d, MGLRenderer&) {
  d.texture = mtlTexture();
  d.slice = 0;
  d.level = 0;
}

bool MGLRenderbuffer::isValidAttachment() const {
  if (!mtlTexture_ && !layer_) return true;
  return MGLFramebufferAttachment::isValidAttachment();
}

GLenum MGLRenderbuffer::getGLPixelFormat() const {
  return mglGLRenderbufferFormatOfMTLPixelFormat(mtlPixelFormat());
}

GLint MGLRenderbuffer::getParameter(GLenum pname) const {
  switch (pname) {
    case GL_RENDERBUFFER_WIDTH: return size().width;
    case GL_RENDERBUFFER_HEIGHT: return size().height;
    case GL_RENDERBUFFER_INTERNAL_FORMAT: return static_cast<GLint>(getGLPixelFormat());
    case GL_RENDERBUFFER_RED_SIZE: case GL_RENDERBUFFER_GREEN_SIZE:
    case GL_RENDERBUFFER_BLUE_SIZE: case GL_RENDERBUFFER_ALPHA_SIZE:
    case GL_RENDERBUFFER_DEPTH_SIZE: case GL_RENDERBUFFER_STENCIL_SIZE:
      return mglGLRenderbufferComponentSize(getGLPixelFormat(), pname);
    case GL_RENDERBUFFER_SAMPLES_APPLE: return glSampleCount_;
    default:
      mglSetError(GL_INVALID_ENUM, "%@ is not a valid renderbuffer parameter name.",
                  {mglGLEnumName(pname)});
      return -1;
  }
}
