#include "gles/textures/texture.h"

#include <bit>
#include <utility>
#include <vector>

#include "gles/context/context.h"
#include "gles/context/current_context.h"
#include "gles/context/errors.h"
#include "gles/context/gl_enums.h"
#include "gles/context/platform.h"
#include "gles/context/utilities.h"
#include "gles/render/accumulating_buffer.h"
#include "gles/render/renderer.h"
#include "gles/render/sampler_state.h"
#include "gles/textures/pixel_conversion.h"
#include "gles/textures/metal_guard.h"
#include "gles/textures/pixel_format.h"
#include "gles/textures/pvrtc.h"
#include "gles/textures/state_conversion.h"
#include "platform/metal/blit_encoder.h"
#include "platform/metal/device.h"
#include "platform/metal/gpu_timeline.h"
#include "platform/metal/texture.h"

namespace {

using P = mtl::PixelFormat;

constexpr GLint kDefaultMaxAnisotropy = 16;

bool isCubeFace(GLenum face) {
  return face >= GL_TEXTURE_CUBE_MAP_POSITIVE_X && face <= GL_TEXTURE_CUBE_MAP_NEGATIVE_Z;
}

// Bytes of one 4 x 4 block of the ETC2 and EAC formats; 0 for others.
unsigned etcBlockBytes(GLenum format) {
  switch (format) {
    case GL_COMPRESSED_R11_EAC: case GL_COMPRESSED_SIGNED_R11_EAC:
    case GL_COMPRESSED_RGB8_ETC2: case GL_COMPRESSED_SRGB8_ETC2:
    case GL_COMPRESSED_RGB8_PUNCHTHROUGH_ALPHA1_ETC2:
    case GL_COMPRESSED_SRGB8_PUNCHTHROUGH_ALPHA1_ETC2:
      return 8;
    case GL_COMPRESSED_RG11_EAC: case GL_COMPRESSED_SIGNED_RG11_EAC:
    case GL_COMPRESSED_RGBA8_ETC2_EAC: case GL_COMPRESSED_SRGB8_ALPHA8_ETC2_EAC:
      return 16;
    default:
      return 0;
  }
}

// Bytes of a compressed image of (format, size); -1 for a format that is
// not compressed (the format lookup reports it).
std::int64_t compressedDataSize(GLenum format, MGLSize size) {
  if (mglIsPVRTCFormat(format)) return mglPVRTCDataSize(size.width, size.height, format);
  if (const unsigned block = etcBlockBytes(format)) {
    return (static_cast<std::int64_t>(size.width) + 3) / 4 *
           ((static_cast<std::int64_t>(size.height) + 3) / 4) * block;
  }
  return -1;
}

template <typename Body>
bool guarded(GLID glID, Body&& body) {
  return mglGuardMetalWork("Texture %i could not be given storage: out of memory.", glID,
                           std::forward<Body>(body));
}

// Usage for a new Metal texture: formats Metal cannot render to never ask
// to be render targets, which Metal would refuse.
mtl::NSUInteger usableUsage(mtl::NSUInteger usage, P format) {
  if (mtl::isRenderable(format)) return usage;
  return usage & ~mtl::NSUInteger{mtl::TextureUsageRenderTarget};
}

std::string sizeText(MGLSize size) { return mglFormat("(%i, %i)", {size.width, size.height}); }

}  // namespace

MGLTexture::MGLTexture(GLID glID) : MGLGLObjectBase(glID, MGLObjectKind::Texture, "MGLTexture") {
  const MGLContext* context = mglCurrentContext();
  samplerState_ = mglMake<MGLMutableSamplerState>(
      context ? context->platform()->maxTextureMaxAnisotropy() : kDefaultMaxAnisotropy);
}

MGLTexture::~MGLTexture() = default;

MGLRef<MGLTexture> MGLTexture::initAsDefultForTarget(GLenum target) {
  MGLRef<MGLTexture> texture(new MGLTexture(0));
  texture->target_ = target;
  texture->size_ = {1, 1};
  mtl::TextureDescriptor descriptor;
  if (target == GL_TEXTURE_CUBE_MAP) {
    descriptor = mtl::TextureDescriptor::textureCubeDescriptor(P::RGBA8Unorm, 1, false);
  } else if (target == GL_TEXTURE_2D) {
    descriptor = mtl::TextureDescriptor::texture2DDescriptor(P::RGBA8Unorm, 1, 1, false);
  } else {
    mglSetError(GL_INVALID_ENUM, "%@ is not a valid texture target.", {mglGLEnumName(target)});
    return texture;
  }
  setUsageMGL(descriptor, mtl::TextureUsageShaderRead);
  setStorageModeMGL(descriptor, mglTextureStorageMode(P::RGBA8Unorm, texture->sampleCount_));
  guarded(0, [&] {
    std::shared_ptr<mtl::Texture> black = mglSharedMTLDevice()->newTexture(descriptor);
    const std::uint8_t opaqueBlack[4] = {0x00, 0x00, 0x00, 0xFF};
    for (mtl::NSUInteger slice = 0; slice < black->sliceCount(); ++slice) {
      black->replaceRegion(mtl::Region::make2D(0, 0, 1, 1), 0, slice, opaqueBlack, 4, 0);
    }
    texture->mtlTexture_ = std::move(black);
  });
  return texture;
}

void MGLTexture::setMtlTexture(std::shared_ptr<mtl::Texture> texture) {
  if (texture == mtlTexture_) return;
  mtlTexture_ = std::move(texture);
  if (mtlTexture_) mtlTexture_->setLabel(label());
}

void MGLTexture::setLabel(std::string label) {
  MGLGLObjectBase::setLabel(label);
  if (mtlTexture_) mtlTexture_->setLabel(std::move(label));
}

const std::shared_ptr<mtl::SamplerState>& MGLTexture::mtlSamplerState() {
  return samplerState_->mtlSamplerState();
}

GLint MGLTexture::getParameter(GLenum pname) const { return samplerState_->getParameter(pname); }

void MGLTexture::setParameter(GLenum pname, GLint value) {
  if (refuseDefault()) return;
  samplerState_->setParameter(pname, value);
}

MGLUpdateBuffer* MGLTexture::updateBuffer() {
  if (!updateBuffer_) updateBuffer_ = mglMake<MGLUpdateBuffer>();
  return updateBuffer_.get();
}

bool MGLTexture::refuseDefault() {
  if (!isDefault()) return false;
  mglSetError(GL_INVALID_OPERATION, "The default texture cannot be changed.");
  return true;
}

bool MGLTexture::acceptsSubArea(GLenum format) {
  if (refuseDefault()) return false;
  if (!mtlTexture_) {
    mglSetError(GL_INVALID_OPERATION, "Texture %i has no contents.", {glID()});
    return false;
  }
  if (format != pixelFormat_) {
    mglSetError(GL_INVALID_VALUE,
                "Texture sub-area pixel format %@ does not match texture %i pixel format %@.",
                {mglGLEnumName(format), glID(), mglGLEnumName(pixelFormat_)});
    return false;
  }
  return true;
}

bool MGLTexture::gpuMayBeUsing() { return !mglSharedMTLDevice()->gpu().idle(); }

MGLSize MGLTexture::levelSize(GLint level) const {
  return {std::max(size_.width >> level, 1), std::max(size_.height >> level, 1)};
}

// --- Storage -----------------------------------------------------------------

bool MGLTexture::ensureContentWithPixelFormat(GLenum format, GLenum type, MGLSize size,
                                              GLint level, GLenum face, MGLContext& context) {
  const GLint max = context.platform()->maxTextureSize();
  const GLID name = glID();
  if (size.width < 1) {
    mglSetError(GL_INVALID_VALUE, "Texture %i width %i must be greater than zero.",
                {name, size.width});
    return false;
  }
  if (size.height < 1) {
    mglSetError(GL_INVALID_VALUE, "Texture %i height %i must be greater than zero.",
                {name, size.height});
    return false;
  }
  if (size.width > max) {
    mglSetError(GL_INVALID_VALUE,
                "Texture %i width %i is too big. Textures may have a maximum width of %i.",
                {name, size.width, max});
    return false;
  }
  if (size.height > max) {
    mglSetError(GL_INVALID_VALUE,
                "Texture %i height %i is too big. Textures may have a maximum height of %i.",
                {name, size.height, max});
    return false;
  }
  if (level < 0) {
    mglSetError(GL_INVALID_VALUE, "Texture level cannot be negative.");
    return false;
  }
  // A texture of the maximum size has log2(max) + 1 levels; no level beyond.
  const GLint levelCount = static_cast<GLint>(std::bit_width(static_cast<std::uint32_t>(max)));
  if (level >= levelCount) {
    mglSetError(GL_INVALID_VALUE,
                "Mipmap level %i of texture %i is out of range. Textures of the maximum size %i "
                "have %i mipmap levels.",
                {level, name, max, levelCount});
    return false;
  }
  if (!validateFace(face)) return false;

  const MGLPixelFormatPair formats = mglMTLPixelFormatsForGLFormat(format, type);
  P chosen = formats.direct;
  bool swizzled = false;
  if (formats.converted != P::Invalid) {
    if (formats.direct == P::Invalid || context.shouldSwizzleMismatchedTextures()) {
      chosen = formats.converted;
      swizzled = true;
    }
  } else if (formats.direct == P::Invalid) {
    return false;  // the lookup has recorded the error
  }

  if (chosen == P::GBGR422 || chosen == P::BGRG422) {
    if (target_ == GL_TEXTURE_CUBE_MAP) {
      mglSetError(GL_INVALID_OPERATION,
                  "Texture %i cannot support pixel format %@ because the format cannot be used "
                  "with cube-mapped textures.",
                  {name, mglGLEnumName(format)});
      return false;
    }
    if (size.width % 2 != 0) {
      mglSetError(GL_INVALID_OPERATION,
                  "Texture %i cannot support pixel format %@ because the width %i is not a "
                  "multiple of two pixels.",
                  {name, mglGLEnumName(format), size.width});
      return false;
    }
  }

  if (mtlTexture_ && level == 0) {
    // The same storage serves a call of another GL format or type of the
    // same Metal format; its own format and type describe the content now.
    if (!(size == size_ && chosen == mtlTexture_->pixelFormat()) &&
        !setMTLTextureWithMTLPixelFormat(chosen, size, context)) {
      return false;
    }
    pixelFormat_ = format;
    pixelType_ = type;
    isSwizzled_ = swizzled;
    return true;
  }

  if (mtlTexture_) {
    const mtl::NSUInteger count = mtlTexture_->mipmapLevelCount();
    if (static_cast<mtl::NSUInteger>(level) >= count) {
      mglSetError(GL_INVALID_VALUE,
                  "Texture %i has %lu mipmap levels. Mipmap level %i is out of range.",
                  {name, static_cast<unsigned long>(count), level});
      return false;
    }
    const MGLSize expected = levelSize(level);
    if (!(size == expected)) {
      mglSetError(GL_INVALID_VALUE,
                  "Texture %i has base size %@. The size of level %i cannot be set to %@.",
                  {name, sizeText(size_), level, sizeText(size)});
      return false;
    }
    if (chosen != mtlTexture_->pixelFormat()) {
      mglSetError(GL_INVALID_VALUE,
                  "Pixel format %@ and type %@ of level %i do not match the values already set "
                  "for texture %i.",
                  {mglGLEnumName(format), mglGLEnumName(type), level, name});
      return false;
    }
    isSwizzled_ = swizzled;
    return true;
  }

  // The first level given decides the size of level 0, which must fit.
  const std::int64_t baseWidth = static_cast<std::int64_t>(size.width) << level;
  const std::int64_t baseHeight = static_cast<std::int64_t>(size.height) << level;
  if (baseWidth > max || baseHeight > max) {
    mglSetError(GL_INVALID_VALUE,
                "Texture %i level %i of size %@ makes a base size (%lld, %lld) beyond the "
                "maximum size %i.",
                {name, level, sizeText(size), baseWidth, baseHeight, max});
    return false;
  }
  const MGLSize base{static_cast<GLint>(baseWidth), static_cast<GLint>(baseHeight)};
  if (!setMTLTextureWithMTLPixelFormat(chosen, base, context)) return false;
  pixelFormat_ = format;
  pixelType_ = type;
  isSwizzled_ = swizzled;
  return true;
}

bool MGLTexture::validateFace(GLenum face) {
  if (target_ == GL_TEXTURE_CUBE_MAP) {
    if (isCubeFace(face)) return true;
    if (face == GL_TEXTURE_2D) {
      mglSetError(GL_INVALID_OPERATION, "%@ is not a valid target for a cube-map texture.",
                  {mglGLEnumName(GL_TEXTURE_2D)});
      return false;
    }
  } else if (target_ == GL_TEXTURE_2D) {
    if (face == GL_TEXTURE_2D) return true;
    if (isCubeFace(face)) {
      mglSetError(GL_INVALID_OPERATION, "%@ is not a valid target for a 2D texture.",
                  {mglGLEnumName(face)});
      return false;
    }
  } else {
    mglSetError(GL_INVALID_OPERATION, "Texture %i has invalid target %@.",
                {glID(), mglGLEnumName(target_)});
    return false;
  }
  mglSetError(GL_INVALID_ENUM, "%@ is not a valid texture target.", {mglGLEnumName(face)});
  return false;
}

bool MGLTexture::setMTLTextureWithMTLPixelFormat(P format, MGLSize size, MGLContext& context) {
  if (target_ == GL_TEXTURE_2D) return set2DMTLTextureWithMTLPixelFormat(format, size, context);
  if (target_ == GL_TEXTURE_CUBE_MAP) {
    return setCubeMTLTextureWithMTLPixelFormat(format, size, context);
  }
  mglSetError(GL_INVALID_OPERATION, "Texture %i has invalid target %@.",
              {glID(), mglGLEnumName(target_)});
  return false;
}

bool MGLTexture::set2DMTLTextureWithMTLPixelFormat(P format, MGLSize size, MGLContext& context) {
  mtl::TextureDescriptor descriptor = mtl::TextureDescriptor::texture2DDescriptor(
      format, static_cast<mtl::NSUInteger>(size.width),
      static_cast<mtl::NSUInteger>(size.height), true);
  descriptor.sampleCount = sampleCount_;
  setUsageMGL(descriptor, usableUsage(mtlUsage_, format));
  setStorageModeMGL(descriptor, mglTextureStorageMode(format, sampleCount_));
  std::shared_ptr<mtl::Texture> texture;
  if (!guarded(glID(), [&] { texture = mglSharedMTLDevice()->newTexture(descriptor); })) {
    return false;
  }
  size_ = size;
  setMtlTexture(std::move(texture));
  // The texture may back the bound framebuffer.
  context.updateSurfaceRect();
  return true;
}

bool MGLTexture::setCubeMTLTextureWithMTLPixelFormat(P format, MGLSize size, MGLContext&) {
  if (size.width != size.height) {
    mglSetError(GL_INVALID_VALUE,
                "Cube mapped texture %i width %i and height %i are not equal. Cube-mapped "
                "textures must be square.",
                {glID(), size.width, size.height});
    return false;
  }
  mtl::TextureDescriptor descriptor = mtl::TextureDescriptor::textureCubeDescriptor(
      format, static_cast<mtl::NSUInteger>(size.width), true);
  descriptor.sampleCount = sampleCount_;
  setUsageMGL(descriptor, usableUsage(mtlUsage_, format));
  setStorageModeMGL(descriptor, mglTextureStorageMode(format, sampleCount_));
  std::shared_ptr<mtl::Texture> texture;
  if (!guarded(glID(), [&] { texture = mglSharedMTLDevice()->newTexture(descriptor); })) {
    return false;
  }
  size_ = {size.width, size.width};
  setMtlTexture(std::move(texture));
  return true;
}

// --- Bytes per row -----------------------------------------------------------

std::int64_t MGLTexture::bytesPerRow(GLenum format, GLenum type, GLint width, GLint alignment) {
  std::int64_t bytes;
  if (const unsigned block = etcBlockBytes(format)) {
    bytes = (static_cast<std::int64_t>(width) + 3) / 4 * block;
  } else if (mglIsPVRTCFormat(format)) {
    return 0;  // Metal reads PVRTC levels whole
  } else {
    bytes = static_cast<std::int64_t>(mglBytesPerPixelOfGLFormat(format, type)) * width;
  }
  return static_cast<std::int64_t>(mglAlignToPowerOfTwo(
      static_cast<std::uint64_t>(bytes), static_cast<std::uint64_t>(alignment)));
}

std::int64_t MGLTexture::getBytesPerRowForWidth(GLint width, GLint alignment) const {
  return bytesPerRow(pixelFormat_, pixelType_, width, alignment);
}

// --- Uploads -----------------------------------------------------------------

void MGLTexture::setContent(const void* pixels, GLenum format, GLenum type, MGLSize size,
                            GLenum face, GLint level, MGLContext& context) {
  if (refuseDefault()) return;
  mtlUsage_ = mtl::TextureUsageShaderRead;
  if (!pixels || !context.shouldOptimizeSampleOnlyTextures()) {
    mtlUsage_ = mtl::TextureUsageShaderRead | mtl::TextureUsageShaderWrite |
                mtl::TextureUsageRenderTarget;
  }
  const mtl::Texture* before = mtlTexture_.get();
  if (!ensureContentWithPixelFormat(format, type, size, level, face, context) || !pixels) return;
  // The row length of this call's own format and type, which may differ
  // from an earlier level's of the same Metal format.
  const std::int64_t rowBytes = bytesPerRow(format, type, size.width,
                                            context.textureUnpackAlignment());
  // A texture made by this call is unknown to any GPU work.
  const bool fresh = mtlTexture_.get() != before;
  uploadRows(static_cast<const std::uint8_t*>(pixels), static_cast<std::uint64_t>(rowBytes),
             format, type, isSwizzled_, {0, 0, size.width, size.height}, face, level,
             fresh || !gpuMayBeUsing(), context);
}

void MGLTexture::setContent(const void* pixels, GLenum format, GLenum type, MGLRect rectangle,
                            GLenum face, GLint level, MGLContext& context) {
  if (!pixels || !acceptsSubArea(format)) return;
  if (type != pixelType_) {
    mglSetError(GL_INVALID_VALUE,
                "Texture sub-area pixel type %@ does not match texture %i pixel type %@.",
                {mglGLEnumName(type), glID(), mglGLEnumName(pixelType_)});
    return;
  }
  if (!ensureRectangle(rectangle, face, level)) return;
  // 4:2:2 texels come in pairs: a sub-area covers whole pairs.
  const mtl::PixelFormatInfo& info = mtlTexture_->formatInfo();
  const GLint pair = static_cast<GLint>(info.blockWidth);
  if (pair > 1 && (rectangle.x % pair != 0 ||
                   (rectangle.width % pair != 0 &&
                    rectangle.x + rectangle.width != levelSize(level).width))) {
    mglSetError(GL_INVALID_OPERATION,
                "Texture %i sub-area (%i, %i, %i, %i) must start and end on pairs of pixels.",
                {glID(), rectangle.x, rectangle.y, rectangle.width, rectangle.height});
    return;
  }
  const std::int64_t rowBytes = bytesPerRow(format, type, rectangle.width,
                                            context.textureUnpackAlignment());
  // Rewritten when the texture holds the converted format of this data.
  const bool convert =
      mglMTLPixelFormatsForGLFormat(format, type).converted == mtlTexture_->pixelFormat();
  uploadRows(static_cast<const std::uint8_t*>(pixels), static_cast<std::uint64_t>(rowBytes),
             format, type, convert, rectangle, face, level, !gpuMayBeUsing(), context);
}

void MGLTexture::uploadRows(const std::uint8_t* pixels, std::uint64_t sourceBytesPerRow,
                            GLenum format, GLenum type, bool convert, MGLRect rectangle,
                            GLenum face, GLint level, bool direct, MGLContext& context) {
  if (rectangle.width == 0 || rectangle.height == 0) return;
  const P metalFormat = mtlTexture_->pixelFormat();
  const mtl::PixelFormatInfo& info = mtlTexture_->formatInfo();
  const auto width = static_cast<mtl::NSUInteger>(rectangle.width);
  const auto height = static_cast<mtl::NSUInteger>(rectangle.height);
  const mtl::NSUInteger rowBytes = mtl::bytesPerRow(info, width);
  // Writing straight into the level needs CPU access to it.
  direct = direct && mtlTexture_->storageMode() != mtl::StorageMode::Private &&
           mtlTexture_->sampleCount() == 1;
  const mtl::NSUInteger slice = mglMTLSliceOfTextureFace(face);
  // The rectangle's place in Metal's top-down rows.
  const mtl::Origin mirrored{static_cast<mtl::NSUInteger>(rectangle.x),
                             static_cast<mtl::NSUInteger>(levelSize(level).height -
                                                          (rectangle.y + rectangle.height)),
                             0};
  guarded(glID(), [&] {
    std::shared_ptr<mtl::Texture> staging;
    mtl::Texture* target = mtlTexture_.get();
    mtl::NSUInteger targetLevel = static_cast<mtl::NSUInteger>(level), targetSlice = slice;
    mtl::Origin origin = mirrored;
    if (!direct) {
      mtl::TextureDescriptor descriptor =
          mtl::TextureDescriptor::texture2DDescriptor(metalFormat, width, height, false);
      setUsageMGL(descriptor, mtl::TextureUsageShaderRead);
      setStorageModeMGL(descriptor, mtl::StorageMode::Shared);  // written by the CPU
      staging = mglSharedMTLDevice()->newTexture(descriptor);
      target = staging.get();
      targetLevel = 0;
      targetSlice = 0;
      origin = {};
    }
    // Only the bytes of each row's pixels are read: the client need not
    // provide the last row's padding.
    std::vector<std::uint8_t> converted(convert ? rowBytes : 0);
    for (mtl::NSUInteger i = 0; i < height; ++i) {
      const std::uint8_t* source = pixels + i * sourceBytesPerRow;
      if (convert) {
        mglConvertGLPixelsToMTL(source, format, type, 0, width, 1, converted.data(), metalFormat,
                                0);
        source = converted.data();
      }
      target->replaceRegion(mtl::Region::make2D(origin.x, origin.y + height - 1 - i, width, 1),
                            targetLevel, targetSlice, source, rowBytes, 0);
    }
    if (staging) copyThroughStaging(staging, mirrored, face, level, context);
  });
}

void MGLTexture::copyThroughStaging(const std::shared_ptr<mtl::Texture>& staging,
                                    mtl::Origin origin, GLenum face, GLint level,
                                    MGLContext& context) {
  mtl::BlitCommandEncoder* blit = context.renderer()->blitCommandEncoder();
  if (!blit) return;
  blit->copyFromTexture(staging, 0, 0, {0, 0, 0}, {staging->width(), staging->height(), 1},
                        mtlTexture_, mglMTLSliceOfTextureFace(face),
                        static_cast<mtl::NSUInteger>(level), origin);
}

bool MGLTexture::checkCompressedLength(GLenum format, MGLSize size, GLsizei length) {
  const std::int64_t expected = compressedDataSize(format, size);
  if (expected < 0 || length == expected) return true;
  mglSetError(GL_INVALID_VALUE,
              "Compressed data of %i bytes for texture %i does not match the %lld bytes of an "
              "image of size %@ in format %@.",
              {length, glID(), expected, sizeText(size), mglGLEnumName(format)});
  return false;
}

void MGLTexture::setCompressedContent(const void* data, GLsizei length, GLenum format,
                                      MGLSize size, GLenum face, GLint level,
                                      MGLContext& context) {
  if (refuseDefault()) return;
  // PVRTC images have power-of-two sides (the format's own rule under ES 2.0):
  // its data size counts pixels, which covers whole blocks only then.
  if (mglIsPVRTCFormat(format) && size.width > 0 && size.height > 0 &&
      (!std::has_single_bit(static_cast<std::uint32_t>(size.width)) ||
       !std::has_single_bit(static_cast<std::uint32_t>(size.height)))) {
    mglSetError(GL_INVALID_VALUE, "PVRTC texture %i size %@ must be powers of two.",
                {glID(), sizeText(size)});
    return;
  }
  if (data && size.width >= 0 && size.height >= 0 && !checkCompressedLength(format, size, length)) {
    return;
  }
  const mtl::Texture* before = mtlTexture_.get();
  if (!ensureContentWithPixelFormat(format, 0, size, level, face, context) || !data) return;
  const bool fresh = mtlTexture_.get() != before;
  const std::int64_t rowBytes =
      bytesPerRow(format, 0, size.width, context.textureUnpackAlignment());
  std::vector<std::uint8_t> flipped;
  if (mglIsPVRTCFormat(format) && context.shouldVerticallyFlipPVRTC()) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    if (!guarded(glID(), [&] { flipped.assign(bytes, bytes + length); })) return;
    mglFlipPVRTCVertically(flipped.data(), size.width, size.height, format);
    data = flipped.data();
  }
  uploadCompressed(data, static_cast<std::uint64_t>(rowBytes), {0, 0, size.width, size.height},
                   face, level, fresh || !gpuMayBeUsing(), context);
}

void MGLTexture::setCompressedContent(const void* data, GLsizei length, GLenum format,
                                      MGLRect rectangle, GLenum face, GLint level,
                                      MGLContext& context) {
  if (!data || !acceptsSubArea(format)) return;
  if (!ensureRectangle(rectangle, face, level)) return;
  const MGLSize level0 = levelSize(level);
  const MGLSize size{rectangle.width, rectangle.height};
  std::vector<std::uint8_t> flipped;
  if (mglIsPVRTCFormat(format)) {
    if (rectangle.x != 0 || rectangle.y != 0) {
      mglSetError(GL_INVALID_OPERATION,
                  "Update origin %@ of PVRTC texture %i is not (0, 0). Partial updates of PVRTC "
                  "textures is not supported.",
                  {sizeText({rectangle.x, rectangle.y}), glID()});
      return;
    }
    if (!(size == level0)) {
      mglSetError(GL_INVALID_OPERATION,
                  "Update size %@ is not the same as size %@ of level %i of PVRTC texture %i. "
                  "Partial updates of PVRTC textures is not supported.",
                  {sizeText(size), sizeText(level0), level, glID()});
      return;
    }
  } else {
    // Whole 4 x 4 blocks from a block boundary, or up to the level's edge.
    const bool wholeColumns =
        rectangle.width % 4 == 0 || rectangle.x + rectangle.width == level0.width;
    const bool wholeRows =
        rectangle.height % 4 == 0 || rectangle.y + rectangle.height == level0.height;
    const bool aligned =
        rectangle.x % 4 == 0 && rectangle.y % 4 == 0 && wholeColumns && wholeRows;
    if (!aligned) {
      mglSetError(GL_INVALID_OPERATION,
                  "Texture %i compressed sub-area (%i, %i, %i, %i) does not cover whole 4 x 4 "
                  "blocks.",
                  {glID(), rectangle.x, rectangle.y, rectangle.width, rectangle.height});
      return;
    }
  }
  if (!checkCompressedLength(format, size, length)) return;
  if (mglIsPVRTCFormat(format) && context.shouldVerticallyFlipPVRTC()) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    if (!guarded(glID(), [&] { flipped.assign(bytes, bytes + length); })) return;
    mglFlipPVRTCVertically(flipped.data(), size.width, size.height, format);
    data = flipped.data();
  }
  // Rows of the sub-area's own blocks.
  const std::int64_t rowBytes = bytesPerRow(format, 0, rectangle.width, 0);
  uploadCompressed(data, static_cast<std::uint64_t>(rowBytes), rectangle, face, level,
                   !gpuMayBeUsing(), context);
}

void MGLTexture::uploadCompressed(const void* data, std::uint64_t bytesPerRow, MGLRect rectangle,
                                  GLenum face, GLint level, bool direct, MGLContext& context) {
  if (rectangle.width == 0 || rectangle.height == 0) return;
  // Compressed blocks are stored as given, not flipped (PVRTC is flipped
  // by re-encoding above), so a sub-area keeps its own rows: GL's block
  // row y is Metal's block row y.
  const mtl::Origin origin{static_cast<mtl::NSUInteger>(rectangle.x),
                           static_cast<mtl::NSUInteger>(rectangle.y), 0};
  const auto width = static_cast<mtl::NSUInteger>(rectangle.width);
  const auto height = static_cast<mtl::NSUInteger>(rectangle.height);
  direct = direct && mtlTexture_->storageMode() != mtl::StorageMode::Private;
  guarded(glID(), [&] {
    if (direct) {
      mtlTexture_->replaceRegion({origin, {width, height, 1}}, static_cast<mtl::NSUInteger>(level),
                                 mglMTLSliceOfTextureFace(face), data, bytesPerRow, 0);
      return;
    }
    mtl::TextureDescriptor descriptor = mtl::TextureDescriptor::texture2DDescriptor(
        mtlTexture_->pixelFormat(), width, height, false);
    setUsageMGL(descriptor, mtl::TextureUsageShaderRead);
    setStorageModeMGL(descriptor, mtl::StorageMode::Shared);
    std::shared_ptr<mtl::Texture> staging = mglSharedMTLDevice()->newTexture(descriptor);
    staging->replaceRegion(mtl::Region::make2D(0, 0, width, height), 0, 0, data, bytesPerRow, 0);
    copyThroughStaging(staging, origin, face, level, context);
  });
}

void MGLTexture::submitContent(const void* bytes, P format, std::uint64_t bytesPerRow,
                               MGLRect rectangle, GLenum face, GLint level,
                               MGLContext& context) {
  if (!bytes || rectangle.width <= 0 || rectangle.height <= 0 || !mtlTexture_) return;
  const auto width = static_cast<mtl::NSUInteger>(rectangle.width);
  const auto height = static_cast<mtl::NSUInteger>(rectangle.height);
  const mtl::Origin mirrored{static_cast<mtl::NSUInteger>(rectangle.x),
                             static_cast<mtl::NSUInteger>(levelSize(level).height -
                                                          (rectangle.y + rectangle.height)),
                             0};
  guarded(glID(), [&] {
    mtl::TextureDescriptor descriptor =
        mtl::TextureDescriptor::texture2DDescriptor(format, width, height, false);
    setUsageMGL(descriptor, mtl::TextureUsageShaderRead);
    setStorageModeMGL(descriptor, mtl::StorageMode::Shared);
    std::shared_ptr<mtl::Texture> staging = mglSharedMTLDevice()->newTexture(descriptor);
    staging->replaceRegion(mtl::Region::make2D(0, 0, width, height), 0, 0, bytes, bytesPerRow, 0);
    copyThroughStaging(staging, mirrored, face, level, context);
  });
}

bool MGLTexture::ensureRectangle(MGLRect rectangle, GLenum face, GLint level) {
  if (!validateFace(face)) return false;
  const GLID name = glID();
  if (level < 0) {
    mglSetError(GL_INVALID_VALUE, "Texture level cannot be negative.");
    return false;
  }
  const mtl::NSUInteger count = mtlTexture_ ? mtlTexture_->mipmapLevelCount() : 0;
  if (static_cast<mtl::NSUInteger>(level) >= count) {
    mglSetError(GL_INVALID_VALUE,
                "Mipmap level %i is out of range. Texture %i has %lu mipmap levels.",
                {level, name, static_cast<unsigned long>(count)});
    return false;
  }
  const MGLSize bounds = levelSize(level);
  if (rectangle.x < 0 || rectangle.y < 0) {
    mglSetError(GL_INVALID_VALUE, "Texture %i sub-area origin cannot be negative.", {name});
    return false;
  }
  if (rectangle.width < 0) {
    mglSetError(GL_INVALID_VALUE, "Texture %i sub-area width cannot be negative.", {name});
    return false;
  }
  if (rectangle.height < 0) {
    mglSetError(GL_INVALID_VALUE, "Texture %i sub-area height cannot be negative.", {name});
    return false;
  }
  // Compared as differences, which cannot overflow.
  if (rectangle.x > bounds.width || rectangle.width > bounds.width - rectangle.x) {
    mglSetError(GL_INVALID_VALUE,
                "Texture %i sub-area width %lld cannot extend beyond width %i of texture mipmap "
                "level %i.",
                {name, static_cast<long long>(rectangle.x) + rectangle.width, bounds.width, level});
    return false;
  }
  if (rectangle.y > bounds.height || rectangle.height > bounds.height - rectangle.y) {
    mglSetError(GL_INVALID_VALUE,
                "Texture %i sub-area height %lld cannot extend beyond height %i of texture "
                "mipmap level %i.",
                {name, static_cast<long long>(rectangle.y) + rectangle.height, bounds.height,
                 level});
    return false;
  }
  return true;
}

// --- Adoption ----------------------------------------------------------------

void MGLTexture::useMTLTexture(std::shared_ptr<mtl::Texture> texture) {
  if (!texture) return;
  const GLID name = glID();
  if (target_ == GL_TEXTURE_2D) {
    if (texture->textureType() != mtl::TextureType::Type2D) {
      mglSetError(GL_INVALID_OPERATION,
                  "Texture %i has target %@ and can only use a MTLTexture with textureType "
                  "MTLTextureType2D.",
                  {name, mglGLEnumName(target_)});
      return;
    }
  } else if (target_ == GL_TEXTURE_CUBE_MAP) {
    if (texture->textureType() != mtl::TextureType::TypeCube) {
      mglSetError(GL_INVALID_OPERATION,
                  "Texture %i has target %@ and can only use a MTLTexture with textureType "
                  "MTLTextureTypeCube.",
                  {name, mglGLEnumName(target_)});
      return;
    }
  } else {
    mglSetError(GL_INVALID_OPERATION, "Texture %i has invalid target %@.",
                {name, mglGLEnumName(target_)});
    return;
  }
  if (mtlTexture_ && texture->pixelFormat() != mtlTexture_->pixelFormat()) {
    const GLenum format = mglGLFormatOfMTLPixelFormat(texture->pixelFormat());
    if (format == 0) return;
    if (pixelFormat_ != 0 && pixelFormat_ != format) {
      mglSetError(GL_INVALID_OPERATION,
                  "Texture %i has pixel format %@ and is being assigned an existing MTLTexure "
                  "with pixel format %@. This may cause unexpected behaviour.",
                  {name, mglGLEnumName(pixelFormat_), mglGLEnumName(format)});
    }
    pixelFormat_ = format;
    const GLenum type = mglGLTypeOfMTLPixelFormat(texture->pixelFormat());
    if (pixelType_ != 0 && pixelType_ != type) {
      mglSetError(GL_INVALID_OPERATION,
                  "Texture %i has pixel type %@ and is being assigned an existing MTLTexure with "
                  "pixel type %@. This may cause unexpected behaviour.",
                  {name, mglGLEnumName(pixelType_), mglGLEnumName(type)});
    }
    pixelType_ = type;
  }
  size_ = {static_cast<GLint>(texture->width()), static_cast<GLint>(texture->height())};
  sampleCount_ = texture->sampleCount();
  setMtlTexture(std::move(texture));
}
