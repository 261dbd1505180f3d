// A GL texture object: a 2D texture or a cube map held in one Metal texture
// from the shared device, with its own sampler state.
//
// Images are stored upside down relative to GL's client layout: GL's first
// row (the bottom of the image) is the Metal texture's last row. Uploads
// swap rows, sub-rectangles land at the mirrored position, PVRTC data is
// flipped through its codec when the context asks, and 4-bpp colour data is
// rewritten when the chosen Metal format needs it.
//
// Thread rules: a texture lives in its sharegroup's texture store and is
// used by the GL thread of a current context of that sharegroup; it has no
// lock of its own. While the GPU may still run work that reads it, uploads
// go through a staging texture and a blit ordered with that work.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "gles/context/gl_object.h"
#include "gles/render/encoder_states.h"
#include "platform/metal/types.h"

namespace mtl {
class SamplerState;
class Texture;
}  // namespace mtl

class MGLContext;
class MGLMutableSamplerState;
class MGLUpdateBuffer;

// Width and height of a texture level.
struct MGLSize {
  GLint width = 0, height = 0;
  friend bool operator==(const MGLSize&, const MGLSize&) = default;
};

class MGLTexture : public MGLGLObjectBase {
 public:
  explicit MGLTexture(GLID glID);
  ~MGLTexture() override;
  static MGLGLObjectBase* create(GLID glID) { return new MGLTexture(glID); }
  // The default texture of a texture-unit table: GLID 0, one opaque black
  // texel (on each face of a cube), never changed by content calls. (The
  // name keeps the platform API's spelling.)
  static MGLRef<MGLTexture> initAsDefultForTarget(GLenum target);

  // GL_TEXTURE_2D or GL_TEXTURE_CUBE_MAP, fixed by the first binding.
  GLenum target() const { return target_; }
  void setTarget(GLenum target) { target_ = target; }
  const std::shared_ptr<mtl::Texture>& mtlTexture() const { return mtlTexture_; }
  // Takes the texture, giving it this texture's label.
  void setMtlTexture(std::shared_ptr<mtl::Texture> texture);
  // Size of level 0.
  MGLSize size() const { return size_; }
  GLenum pixelFormat() const { return pixelFormat_; }
  GLenum pixelType() const { return pixelType_; }
  mtl::NSUInteger sampleCount() const { return sampleCount_; }
  bool isSwizzled() const { return isSwizzled_; }
  mtl::NSUInteger mtlUsage() const { return mtlUsage_; }
  void setLabel(std::string label) override;

  MGLMutableSamplerState* samplerState() const { return samplerState_.get(); }
  const std::shared_ptr<mtl::SamplerState>& mtlSamplerState();
  // glTexParameteri and glGetTexParameteriv; the default texture refuses
  // changes.
  GLint getParameter(GLenum pname) const;
  void setParameter(GLenum pname, GLint value);
  MGLUpdateBuffer* updateBuffer();

  // glTexImage2D: allocates the level (a new texture makes the whole
  // mipmap chain) and uploads `pixels` when given.
  void setContent(const void* pixels, GLenum format, GLenum type, MGLSize size, GLenum face,
                  GLint level, MGLContext& context);
  // glCompressedTexImage2D; `length` must be the size of the image's data.
  void setCompressedContent(const void* data, GLsizei length, GLenum format, MGLSize size,
                            GLenum face, GLint level, MGLContext& context);
  // glTexSubImage2D.
  void setContent(const void* pixels, GLenum format, GLenum type, MGLRect rectangle, GLenum face,
                  GLint level, MGLContext& context);
  // glCompressedTexSubImage2D: whole blocks from a block boundary.
  void setCompressedContent(const void* data, GLsizei length, GLenum format, MGLRect rectangle,
                            GLenum face, GLint level, MGLContext& context);

  // Makes sure `level` of `face` exists with this size and a Metal format
  // for (format, type); type 0 names compressed data. Errors are recorded
  // and answer false, leaving the texture as it was.
  bool ensureContentWithPixelFormat(GLenum format, GLenum type, MGLSize size, GLint level,
                                    GLenum face, MGLContext& context);
  // Whether `rectangle` lies within `level` of `face`.
  bool ensureRectangle(MGLRect rectangle, GLenum face, GLint level);
  bool validateFace(GLenum face);

  // A new Metal texture of level-0 `size` with its full mipmap chain.
  bool setMTLTextureWithMTLPixelFormat(mtl::PixelFormat format, MGLSize size,
                                       MGLContext& context);
  bool set2DMTLTextureWithMTLPixelFormat(mtl::PixelFormat format, MGLSize size,
                                         MGLContext& context);
  bool setCubeMTLTextureWithMTLPixelFormat(mtl::PixelFormat format, MGLSize size,
                                           MGLContext& context);
  // Bytes already in the Metal layout and top to bottom, placed at the
  // mirrored position of `rectangle` through a staging texture and a blit.
  void submitContent(const void* bytes, mtl::PixelFormat format, std::uint64_t bytesPerRow,
                     MGLRect rectangle, GLenum face, GLint level, MGLContext& context);
  // Client bytes per row of `width` pixels of the recorded format and type,
  // raised to the alignment (0 leaves it; any other non-power of two
  // records GL_INVALID_VALUE and leaves it). PVRTC rows are 0.
  std::int64_t getBytesPerRowForWidth(GLint width, GLint alignment) const;
  // The same for data of a given format and type.
  static std::int64_t bytesPerRow(GLenum format, GLenum type, GLint width, GLint alignment);

  // Adopts a Metal texture made elsewhere.
  void useMTLTexture(std::shared_ptr<mtl::Texture> texture);

 private:
  bool isDefault() const { return glID() == 0; }
  bool refuseDefault();
  // The checks every sub-area call makes first: not the default texture,
  // with content, of the recorded format.
  bool acceptsSubArea(GLenum format);
  // Whether a command buffer that may read the texture has not finished.
  static bool gpuMayBeUsing();
  // Client rows into the level: GL row i of the rectangle becomes Metal row
  // (mirrored top) + height - 1 - i, rewritten when `convert` is set.
  void uploadRows(const std::uint8_t* pixels, std::uint64_t sourceBytesPerRow, GLenum format,
                  GLenum type, bool convert, MGLRect rectangle, GLenum face, GLint level,
                  bool direct, MGLContext& context);
  void uploadCompressed(const void* data, std::uint64_t bytesPerRow, MGLRect rectangle,
                        GLenum face, GLint level, bool direct, MGLContext& context);
  bool checkCompressedLength(GLenum format, MGLSize size, GLsizei length);
  void copyThroughStaging(const std::shared_ptr<mtl::Texture>& staging, mtl::Origin origin,
                          GLenum face, GLint level, MGLContext& context);
  MGLSize levelSize(GLint level) const;

  MGLRef<MGLMutableSamplerState> samplerState_;
  std::shared_ptr<mtl::Texture> mtlTexture_;
  MGLRef<MGLUpdateBuffer> updateBuffer_;
  MGLSize size_;
  mtl::NSUInteger mtlUsage_ = 0;
  GLenum target_ = 0;
  GLenum pixelFormat_ = 0;
  GLenum pixelType_ = 0;
  bool isSwizzled_ = false;
  mtl::NSUInteger sampleCount_ = 1;
};
