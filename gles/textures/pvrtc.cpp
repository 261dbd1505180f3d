#include "gles/textures/pvrtc.h"

#include <algorithm>
#include <new>
#include <type_traits>

#include "gles/context/errors.h"
#include "gles/context/gl_enums.h"
#include "gles/context/utilities.h"
#include "gles/textures/pvrtc_codec.h"

namespace {

bool isTwoBitsPerPixel(GLenum format) {
  return format == GL_COMPRESSED_SRGB_PVRTC_2BPPV1_EXT ||
         format == GL_COMPRESSED_SRGB_ALPHA_PVRTC_2BPPV1_EXT ||
         format == GL_COMPRESSED_RGB_PVRTC_2BPPV1_IMG ||
         format == GL_COMPRESSED_RGBA_PVRTC_2BPPV1_IMG;
}

bool hasAlpha(GLenum format) {
  return format == GL_COMPRESSED_RGBA_PVRTC_4BPPV1_IMG ||
         format == GL_COMPRESSED_SRGB_ALPHA_PVRTC_4BPPV1_EXT;
}

void recordUnsupportedFormat(GLenum format) {
  mglSetError(GL_INVALID_ENUM, "%@ is not a supported PVRTC compressed texture format.",
              {mglGLEnumName(format)});
}

void recordUnflippable(GLenum format) {
  mglSetError(GL_INVALID_OPERATION,
              "Vertically flipping PVRTC compressed texture format %@ is not supported.",
              {mglGLEnumName(format)});
}

// Decodes into a bitmap, swaps its rows and encodes it back. Every
// allocation happens before the data is written, so a refused one leaves it
// whole.
template <typename BitmapType>
void flipThroughBitmap(void* data, int side) {
  BitmapType bitmap(side, side);
  const Javelin::Point2 size{side, side};
  if constexpr (std::is_same_v<BitmapType, Javelin::RgbaBitmap>) {
    Javelin::PvrTcDecoder::DecodeRgba4Bpp(bitmap.GetData(), size, data);
  } else {
    Javelin::PvrTcDecoder::DecodeRgb4Bpp(bitmap.GetData(), size, data);
  }
  mglFlipRowsVertically(bitmap.GetData(), static_cast<std::size_t>(side),
                        static_cast<std::size_t>(side) * bitmap.GetBytesPerPixel());
  if constexpr (std::is_same_v<BitmapType, Javelin::RgbaBitmap>) {
    Javelin::PvrTcEncoder::EncodeRgba4Bpp(data, bitmap);
  } else {
    Javelin::PvrTcEncoder::EncodeRgb4Bpp(data, bitmap);
  }
}

}  // namespace

bool mglIsPVRTCFormat(GLenum format) {
  return (format >= GL_COMPRESSED_SRGB_PVRTC_2BPPV1_EXT &&
          format <= GL_COMPRESSED_SRGB_ALPHA_PVRTC_4BPPV1_EXT) ||
         (format >= GL_COMPRESSED_RGB_PVRTC_4BPPV1_IMG &&
          format <= GL_COMPRESSED_RGBA_PVRTC_2BPPV1_IMG);
}

std::int64_t mglPVRTCDataSize(GLsizei width, GLsizei height, GLenum format) {
  if (!mglIsPVRTCFormat(format)) {
    recordUnsupportedFormat(format);
    return 0;
  }
  if (width < 0 || height < 0) {
    mglSetError(GL_INVALID_VALUE, "PVRTC texture size (%i, %i) cannot be negative.",
                {width, height});
    return 0;
  }
  const bool twoBits = isTwoBitsPerPixel(format);
  const std::int64_t w = std::max<std::int64_t>(width, twoBits ? 16 : 8);
  const std::int64_t h = std::max<std::int64_t>(height, 8);
  return (w * h * (twoBits ? 2 : 4) + 7) / 8;
}

void mglFlipPVRTCVertically(void* data, GLsizei width, GLsizei height, GLenum format) {
  if (!mglIsPVRTCFormat(format)) {
    recordUnsupportedFormat(format);
    return;
  }
  // The codec knows square images of a power-of-two side only.
  if (isTwoBitsPerPixel(format) || width != height || width < 0 ||
      !Javelin::BitUtility::IsPowerOf2(static_cast<std::uint32_t>(width))) {
    recordUnflippable(format);
    return;
  }
  if (!data || width < 4) return;
  try {
    if (hasAlpha(format)) flipThroughBitmap<Javelin::RgbaBitmap>(data, width);
    else flipThroughBitmap<Javelin::RgbBitmap>(data, width);
  } catch (const std::bad_alloc&) {
    mglSetError(GL_OUT_OF_MEMORY, "Out of memory flipping a PVRTC texture of size (%i, %i).",
                {width, height});
  }
}
