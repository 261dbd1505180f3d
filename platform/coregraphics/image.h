// Immutable bitmap images.
//
// Every image is kept as premultiplied 8-bit ARGB in native 32-bit words
// (0xAARRGGBB), the form Cairo draws from, whatever layout it was made
// from; what it was made from (colour space, alpha) is remembered. Images
// are shared between threads freely: nothing changes after creation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/coregraphics/color.h"

namespace cg {

// No image is larger than this many pixels a side or this many bytes of
// decoded pixels; sizes are checked before anything is allocated.
constexpr std::size_t kMaximumImageSide = 16384;
constexpr std::size_t kMaximumImageBytes = std::size_t{256} << 20;

// True when width x height pixels of 4 bytes are within the limits above.
bool imageSizeAllowed(std::size_t width, std::size_t height);

// Where the alpha channel sits in a pixel of raw data, and whether colour
// components are already multiplied by it.
enum class AlphaInfo {
  none,                // no alpha: opaque
  premultipliedLast,   // RGBA, colours multiplied by alpha
  premultipliedFirst,  // ARGB, colours multiplied by alpha
  last,                // RGBA
  first,               // ARGB
  noneSkipLast,        // RGBX: the last component is ignored
  noneSkipFirst,       // XRGB: the first component is ignored
  only,                // alpha alone (a mask, black)
};

// The order of bytes within a component (16) or a whole pixel (32). The
// default reads components and pixels in the order the alpha layout names.
enum class ByteOrder { defaultOrder, big16, little16, big32, little32 };

// Layout of raw pixels handed to Image::fromPixels.
struct PixelFormat {
  std::size_t width = 0, height = 0;
  int bitsPerComponent = 8;  // 8 or 16
  int bitsPerPixel = 32;     // components x bitsPerComponent
  std::size_t bytesPerRow = 0;
  ColorSpace colorSpace = ColorSpace::deviceRGB;
  AlphaInfo alphaInfo = AlphaInfo::premultipliedLast;
  ByteOrder byteOrder = ByteOrder::defaultOrder;
};

// One pixel, premultiplied.
struct Pixel {
  std::uint8_t r = 0, g = 0, b = 0, a = 0;
  bool operator==(const Pixel&) const = default;
};

// c x a / 255 rounded to the nearest integer.
inline std::uint8_t premultiply(unsigned c, unsigned a) {
  return static_cast<std::uint8_t>((c * a + 127) / 255);
}

class Image {
 public:
  // From raw pixels described by `format`; `byteCount` bounds the reads.
  // Null with a short reason in `message` when the format is not one this
  // layer reads, the data is too short or the size is not allowed.
  static std::shared_ptr<Image> fromPixels(const void* bytes, std::size_t byteCount,
                                           const PixelFormat& format,
                                           std::string* message = nullptr);
  // Takes premultiplied native ARGB words, width x height, rows packed.
  static std::shared_ptr<Image> fromARGB(std::size_t width, std::size_t height,
                                         std::vector<std::uint32_t> pixels,
                                         ColorSpace colorSpace = ColorSpace::deviceRGB,
                                         AlphaInfo alphaInfo = AlphaInfo::premultipliedFirst);

  std::size_t width() const { return width_; }
  std::size_t height() const { return height_; }
  std::size_t bytesPerRow() const { return width_ * 4; }
  ColorSpace colorSpace() const { return colorSpace_; }
  AlphaInfo alphaInfo() const { return alphaInfo_; }
  // Row y (0 at the top) of premultiplied native ARGB words.
  const std::uint32_t* row(std::size_t y) const { return pixels_.data() + y * width_; }
  const std::uint32_t* data() const { return pixels_.data(); }
  Pixel pixel(std::size_t x, std::size_t y) const;

 private:
  Image(std::size_t width, std::size_t height, std::vector<std::uint32_t> pixels,
        ColorSpace colorSpace, AlphaInfo alphaInfo);

  std::size_t width_, height_;
  std::vector<std::uint32_t> pixels_;
  ColorSpace colorSpace_;
  AlphaInfo alphaInfo_;
};

inline std::uint32_t packARGB(std::uint8_t a, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return (std::uint32_t{a} << 24) | (std::uint32_t{r} << 16) | (std::uint32_t{g} << 8) | b;
}
inline Pixel unpackARGB(std::uint32_t p) {
  return {static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
          static_cast<std::uint8_t>(p), static_cast<std::uint8_t>(p >> 24)};
}

}  // namespace cg
