#include "gles/textures/framebuffer.h"

#include <algorithm>
#include <vector>

#include "gles/context/context.h"
#include "gles/context/errors.h"
#include "gles/context/gl_enums.h"
#include "gles/context/utilities.h"
#include "gles/render/query_pool.h"
#include "gles/render/render_pipeline_state.h"
#include "gles/render/renderer.h"
#include "gles/textures/metal_guard.h"
#include "gles/textures/pixel_conversion.h"
#include "gles/textures/pixel_format.h"
#include "platform/metal/texture.h"

namespace {

using P = mtl::PixelFormat;

// Two sizes conflict when both are set (at least 1) and differ.
bool conflict(GLint a, GLint b) { return a >= 1 && b >= 1 && a != b; }
bool conflict(mtl::NSUInteger a, mtl::NSUInteger b) { return a != 0 && b != 0 && a != b; }

}  // namespace

MGLFramebuffer::MGLFramebuffer(GLID glID)
    : MGLGLObjectBase(glID, MGLObjectKind::Framebuffer, "MGLFramebuffer") {}

// --- Attachments -------------------------------------------------------------

MGLFramebuffer::Slot* MGLFramebuffer::slotOf(GLenum point) {
  switch (point) {
    case GL_COLOR_ATTACHMENT0: return &color_;
    case GL_DEPTH_ATTACHMENT: return &depth_;
    case GL_STENCIL_ATTACHMENT: return &stencil_;
    default:
      mglSetError(GL_INVALID_ENUM, "%@ is not a valid framebuffer attachment.",
                  {mglGLEnumName(point)});
      return nullptr;
  }
}

MGLFramebufferAttachment* MGLFramebuffer::getAttachment(GLenum point) const {
  const Slot* slot = const_cast<MGLFramebuffer*>(this)->slotOf(point);
  return slot ? slot->attachment : nullptr;
}

void MGLFramebuffer::attach(MGLFramebufferAttachment* attachment, GLenum point,
                            MGLContext& context) {
  markStatusDirty();
  context.renderer()->endEncoding();
  if (Slot* slot = slotOf(point)) {
    slot->owner = attachment ? attachment->attachmentObject() : nullptr;
    slot->attachment = attachment;
  }
  context.updateSurfaceRect();
}

void MGLFramebuffer::detachRenderbufferWithGLID(GLID glID, MGLContext& context) {
  const GLenum points[] = {GL_COLOR_ATTACHMENT0, GL_DEPTH_ATTACHMENT, GL_STENCIL_ATTACHMENT};
  for (GLenum point : points) {
    const MGLFramebufferAttachment* attachment = getAttachment(point);
    if (attachment && attachment->isAttachingRenderbufferWithGLID(glID)) {
      attach(nullptr, point, context);
    }
  }
}

void MGLFramebuffer::detachTextureWithGLID(GLID glID, MGLContext& context) {
  const GLenum points[] = {GL_COLOR_ATTACHMENT0, GL_DEPTH_ATTACHMENT, GL_STENCIL_ATTACHMENT};
  for (GLenum point : points) {
    const MGLFramebufferAttachment* attachment = getAttachment(point);
    if (attachment && attachment->isAttachingTextureWithGLID(glID)) attach(nullptr, point, context);
  }
}

// --- Status ------------------------------------------------------------------

GLenum MGLFramebuffer::checkStatus() const {
  const MGLFramebufferAttachment* color = color_.attachment;
  const MGLFramebufferAttachment* depth = depth_.attachment;
  const MGLFramebufferAttachment* stencil = stencil_.attachment;
  if (color && !color->isValidFramebufferColorAttachment()) {
    return GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT;
  }
  if (!color && !depth && !stencil) return GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT;
  if (depth && !depth->isValidFramebufferDepthAttachment()) {
    return GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT;
  }
  if (stencil && !stencil->isValidFramebufferStencilAttachment()) {
    return GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT;
  }
  const MGLSize c = color ? color->size() : MGLSize{};
  const MGLSize d = depth ? depth->size() : MGLSize{};
  const MGLSize s = stencil ? stencil->size() : MGLSize{};
  if (conflict(c.width, d.width) || conflict(c.width, s.width) || conflict(d.width, s.width) ||
      conflict(c.height, d.height) || conflict(c.height, s.height) ||
      conflict(d.height, s.height)) {
    return GL_FRAMEBUFFER_INCOMPLETE_DIMENSIONS;
  }
  const mtl::NSUInteger cs = color ? color->sampleCount() : 0;
  const mtl::NSUInteger ds = depth ? depth->sampleCount() : 0;
  const mtl::NSUInteger ss = stencil ? stencil->sampleCount() : 0;
  if (conflict(cs, ds) || conflict(cs, ss) || conflict(ds, ss)) {
    return GL_FRAMEBUFFER_INCOMPLETE_MULTISAMPLE_APPLE;
  }
  return GL_FRAMEBUFFER_COMPLETE;
}

bool MGLFramebuffer::isComplete() const {
  const GLenum status = checkStatus();
  if (status == GL_FRAMEBUFFER_COMPLETE) return true;
  mglSetError(GL_INVALID_FRAMEBUFFER_OPERATION, "The bound framebuffer (%i) is not complete: %@",
              {glID(), mglGLEnumName(status)});
  return false;
}

MGLSize MGLFramebuffer::size() const {
  bool any = false;
  MGLSize smallest;
  for (const Slot* slot : {&color_, &depth_, &stencil_}) {
    if (!slot->attachment) continue;
    const MGLSize s = slot->attachment->size();
    smallest = any ? MGLSize{std::min(smallest.width, s.width), std::min(smallest.height, s.height)}
                   : s;
    any = true;
  }
  return smallest;
}

mtl::NSUInteger MGLFramebuffer::sampleCount() const {
  for (const Slot* slot : {&color_, &depth_, &stencil_}) {
    if (slot->attachment) return slot->attachment->sampleCount();
  }
  return 1;
}

// --- Clears and the render pass ------------------------------------------------

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
  // Metal refuses attachments of unequal sizes or of formats it cannot
  // render to: an incomplete framebuffer gives no pass.
  if (!isComplete()) {
    clearingMask_ = 0;
    return std::nullopt;
  }
  MGLContext& context = *renderer.context();
  mtl::RenderPassDescriptor pass;
  pass.visibilityResultBuffer = context.queryPool()->visibilityMTLBuffer();
  // Every pass stores; it clears what glClear asked for, else loads.
  // Answers whether the attachment is cleared.
  auto begin = [&](mtl::RenderPassAttachmentDescriptor& d, GLbitfield bit) {
    d.storeAction = mtl::StoreAction::Store;
    d.loadAction = clearingMask_ & bit ? mtl::LoadAction::Clear : mtl::LoadAction::Load;
    return d.loadAction == mtl::LoadAction::Clear;
  };
  if (MGLFramebufferAttachment* color = color_.attachment) {
    mtl::RenderPassColorAttachmentDescriptor& d = pass.colorAttachments[0];
    if (begin(d, GL_COLOR_BUFFER_BIT)) d.clearColor = clearColor_;
    color->populateRenderPassAttachmentDescriptor(d, renderer);
  }
  if (MGLFramebufferAttachment* depth = depth_.attachment) {
    if (begin(pass.depthAttachment, GL_DEPTH_BUFFER_BIT)) {
      pass.depthAttachment.clearDepth = clearDepth_;
    }
    depth->populateRenderPassAttachmentDescriptor(pass.depthAttachment, renderer);
  }
  if (MGLFramebufferAttachment* stencil = stencil_.attachment) {
    if (begin(pass.stencilAttachment, GL_STENCIL_BUFFER_BIT)) {
      pass.stencilAttachment.clearStencil = clearStencil_;
    }
    stencil->populateRenderPassAttachmentDescriptor(pass.stencilAttachment, renderer);
  }
  MGLMutableRenderPipelineState* pipeline = context.renderPipelineState();
  const MGLFramebufferAttachment* color = color_.attachment;
  const MGLFramebufferAttachment* depth = depth_.attachment;
  const MGLFramebufferAttachment* stencil = stencil_.attachment;
  pipeline->setColorFormat(color && color->isValidFramebufferColorAttachment()
                               ? color->mtlPixelFormat()
                               : P::Invalid);
  pipeline->setDepthFormat(depth && depth->isValidFramebufferDepthAttachment()
                               ? depth->mtlPixelFormat()
                               : P::Invalid);
  pipeline->setStencilFormat(stencil && stencil->isValidFramebufferStencilAttachment()
                                 ? stencil->mtlPixelFormat()
                                 : P::Invalid);
  pipeline->setSampleCount(sampleCount());
  clearingMask_ = 0;
  return pass;
}

// --- Reading pixels ----------------------------------------------------------

void MGLFramebuffer::readPixelsFromRect(MGLRect r, void* destination, GLenum format, GLenum type,
                                        GLint packAlignment) {
  if (r.width < 0 || r.height < 0) {
    mglSetError(GL_INVALID_VALUE, "Read width %i and height %i cannot be negative.",
                {r.width, r.height});
    return;
  }
  if (!isComplete()) return;
  if ((format != GL_RGBA && format != GL_BGRA) || type != GL_UNSIGNED_BYTE) {
    mglSetError(GL_INVALID_ENUM,
                "Format %@ and type %@ are not a supported combination for reading pixels.",
                {mglGLEnumName(format), mglGLEnumName(type)});
    return;
  }
  MGLFramebufferAttachment* color = color_.attachment;
  const std::shared_ptr<mtl::Texture> texture = color ? color->mtlTexture() : nullptr;
  if (!texture) {
    mglSetError(GL_INVALID_FRAMEBUFFER_OPERATION,
                "The color attachment of the framebuffer (%i) bound to GL_READ_FRAMEBUFFER_APPLE "
                "has no content. If you are attempting to read from a presented renderbuffer, "
                "ensure the drawableProperties of the CAEAGLLayer has "
                "kEAGLDrawablePropertyRetainedBacking enabled",
                {glID()});
    return;
  }
  if (texture->sampleCount() > 1) {
    mglSetError(GL_INVALID_OPERATION,
                "The color attachment of the framebuffer (%i) is multisampled and cannot be read "
                "before it is resolved.",
                {glID()});
    return;
  }
  const mtl::PixelFormatInfo& info = texture->formatInfo();
  if (info.blockWidth > 1 || info.blockHeight > 1) {
    mglSetError(GL_INVALID_ENUM, "Could not convert MTLPixelFormat %lu to RGBA",
                {static_cast<unsigned long>(texture->pixelFormat())});
    return;
  }
  const mtl::NSUInteger level = color->mtlTextureLevel();
  const mtl::NSUInteger slice = color->mtlTextureSlice();
  if (!destination || level >= texture->mipmapLevelCount()) return;
  const std::uint64_t rowLength = mglAlignToPowerOfTwo(
      4 * static_cast<std::uint64_t>(r.width), static_cast<std::uint64_t>(packAlignment));

  // The part of the rectangle inside the attached level, in 64 bits.
  const auto levelWidth = static_cast<std::int64_t>(texture->levelWidth(level));
  const auto levelHeight = static_cast<std::int64_t>(texture->levelHeight(level));
  const std::int64_t x0 = std::max<std::int64_t>(r.x, 0);
  const std::int64_t y0 = std::max<std::int64_t>(r.y, 0);
  const std::int64_t x1 = std::min(std::int64_t{r.x} + r.width, levelWidth);
  const std::int64_t y1 = std::min(std::int64_t{r.y} + r.height, levelHeight);
  if (x0 >= x1 || y0 >= y1) return;
  const auto width = static_cast<mtl::NSUInteger>(x1 - x0);

  // GL_RGBA reads RGBA8Unorm and GL_BGRA reads BGRA8Unorm as they are.
  const bool direct =
      texture->pixelFormat() == mglMTLPixelFormatsForGLFormat(format, GL_UNSIGNED_BYTE).direct;
  auto* base = static_cast<std::uint8_t*>(destination);
  mglGuardMetalWork("Reading pixels of framebuffer %i ran out of memory.", glID(), [&] {
    if (direct) {
      // GL's rows y0 .. y1 - 1 are Metal's levelHeight - y1 .. levelHeight
      // - 1 - y0, in the other order: one read for all of them.
      const mtl::Region region = mtl::Region::make2D(
          static_cast<mtl::NSUInteger>(x0), static_cast<mtl::NSUInteger>(levelHeight - y1), width,
          static_cast<mtl::NSUInteger>(y1 - y0));
      texture->getBytesUpsideDown(base + static_cast<std::uint64_t>(y0 - r.y) * rowLength +
                                      static_cast<std::uint64_t>(x0 - r.x) * 4,
                                  rowLength, region, level, slice);
      return;
    }
    std::vector<std::uint8_t> texels(width * info.bytesPerBlock);
    for (std::int64_t y = y0; y < y1; ++y) {
      // GL's row y is Metal's row levelHeight - 1 - y.
      const mtl::Region region = mtl::Region::make2D(
          static_cast<mtl::NSUInteger>(x0), static_cast<mtl::NSUInteger>(levelHeight - 1 - y),
          width, 1);
      std::uint8_t* out = base + static_cast<std::uint64_t>(y - r.y) * rowLength +
                          static_cast<std::uint64_t>(x0 - r.x) * 4;
      texture->getBytes(texels.data(), texels.size(), 0, region, level, slice);
      mglConvertMTLPixelsToGLRGBA(texels.data(), texture->pixelFormat(), texels.size(), width,
                                  1, out, format, type, width * 4);
    }
  });
}

// --- Queries -----------------------------------------------------------------

GLint MGLFramebuffer::getParameter(GLenum pname, GLenum point) const {
  if (glID() == 0) {
    mglSetError(GL_INVALID_OPERATION,
                "Attachment parameters of system framebuffer %u cannot be queried", {glID()});
    return -1;
  }
  MGLFramebufferAttachment* attachment = getAttachment(point);
  auto unsupported = [&] {
    mglSetError(GL_INVALID_ENUM,
                "Framebuffer %i attachment %@ does not support parameter named %@.",
                {glID(), mglGLEnumName(point), mglGLEnumName(pname)});
    return -1;
  };
  const bool isTexture = attachment && attachment->framebufferAttachmentType() == GL_TEXTURE;
  const P format = attachment ? attachment->mtlPixelFormat() : P::Invalid;
  switch (pname) {
    case GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE:
      return attachment ? static_cast<GLint>(attachment->framebufferAttachmentType()) : 0;
    case GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME:
      return attachment ? static_cast<GLint>(attachment->glID()) : unsupported();
    case GL_FRAMEBUFFER_ATTACHMENT_TEXTURE_LEVEL:
      return isTexture ? attachment->textureLevel() : unsupported();
    case GL_FRAMEBUFFER_ATTACHMENT_TEXTURE_CUBE_MAP_FACE:
      return isTexture ? static_cast<GLint>(attachment->textureFace()) : unsupported();
    case GL_FRAMEBUFFER_ATTACHMENT_COLOR_ENCODING_EXT:
      return static_cast<GLint>(format == P::RGBA8Unorm_sRGB ? GL_SRGB_EXT : GL_LINEAR);
    case GL_FRAMEBUFFER_ATTACHMENT_COMPONENT_TYPE_EXT:
      return static_cast<GLint>(
          format == P::R16Float || format == P::RG16Float || format == P::RGBA16Float
              ? GL_FLOAT
              : GL_UNSIGNED_NORMALIZED_EXT);
    default:
      mglSetError(GL_INVALID_ENUM, "%@ is not a valid framebuffer attachment parameter name.",
                  {mglGLEnumName(pname)});
      return -1;
  }
}

void MGLFramebuffer::discard(GLsizei count, const GLenum* attachments) const {
  if (count < 0) {
    mglSetError(GL_INVALID_VALUE, "Attachment count %i cannot be negative.", {count});
    return;
  }
  if (!attachments) return;
  for (GLsizei i = 0; i < count; ++i) {
    switch (attachments[i]) {
      case GL_COLOR_ATTACHMENT0: case GL_DEPTH_ATTACHMENT: case GL_STENCIL_ATTACHMENT:
      case GL_COLOR_EXT: case GL_DEPTH_EXT: case GL_STENCIL_EXT:
        break;
      default:
        mglSetError(GL_INVALID_ENUM, "%@ is not a valid framebuffer attachment.",
                    {mglGLEnumName(attachments[i])});
        break;
    }
  }
}
