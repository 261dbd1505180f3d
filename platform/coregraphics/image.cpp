#include "platform/coregraphics/image.h"

#include <algorithm>
#include <utility>

namespace cg {
namespace {

void setMessage(std::string* message, std::string text) {
  if (message) *message = std::move(text);
}

bool hasAlphaComponent(AlphaInfo info) {
  return info != AlphaInfo::none;
}

// Reads one component of `bits` bits at `p`, big-endian unless `little`,
// scaled to 8 bits.
unsigned readComponent(const std::uint8_t* p, int bits, bool little) {
  if (bits == 8) return p[0];
  unsigned v = little ? (p[0] | (p[1] << 8)) : ((p[0] << 8) | p[1]);
  return (v * 255 + 32767) / 65535;
}

}  // namespace

bool imageSizeAllowed(std::size_t width, std::size_t height) {
  if (width == 0 || height == 0) return false;
  if (width > kMaximumImageSide || height > kMaximumImageSide) return false;
  return width * height <= kMaximumImageBytes / 4;
}

Image::Image(std::size_t width, std::size_t height, std::vector<std::uint32_t> pixels,
             ColorSpace colorSpace, AlphaInfo alphaInfo)
    : width_(width), height_(height), pixels_(std::move(pixels)),
      colorSpace_(colorSpace), alphaInfo_(alphaInfo) {}

std::shared_ptr<Image> Image::fromARGB(std::size_t width, std::size_t height,
                                       std::vector<std::uint32_t> pixels,
                                       ColorSpace colorSpace, AlphaInfo alphaInfo) {
  if (!imageSizeAllowed(width, height) || pixels.size() != width * height) return nullptr;
  return std::shared_ptr<Image>(
      new Image(width, height, std::move(pixels), colorSpace, alphaInfo));
}

Pixel Image::pixel(std::size_t x, std::size_t y) const {
  if (x >= width_ || y >= height_) return {};
  return unpackARGB(pixels_[y * width_ + x]);
}

std::shared_ptr<Image> Image::fromPixels(const void* bytes, std::size_t byteCount,
                                         const PixelFormat& f, std::string* message) {
  if (!imageSizeAllowed(f.width, f.height)) {
    setMessage(message, f.width == 0 || f.height == 0 ? "empty image" : "image too large");
    return nullptr;
  }
  const bool gray = f.colorSpace == ColorSpace::deviceGray;
  const bool alphaOnly = f.alphaInfo == AlphaInfo::only;
  const int colorCount = alphaOnly ? 0 : (gray ? 1 : 3);
  const int components = colorCount + (hasAlphaComponent(f.alphaInfo) ? 1 : 0);
  const int bpc = f.bitsPerComponent;
  if ((bpc != 8 && bpc != 16) || f.bitsPerPixel != components * bpc) {
    setMessage(message, "unsupported pixel format");
    return nullptr;
  }
  const std::size_t pixelBytes = static_cast<std::size_t>(f.bitsPerPixel / 8);
  // A 32-bit byte order reverses whole pixels of 4 bytes; a 16-bit order
  // applies to 16-bit components, or reverses 2-byte pixels of 8-bit ones.
  bool reversePixel = false, littleComponents = false;
  switch (f.byteOrder) {
    case ByteOrder::defaultOrder: case ByteOrder::big16: case ByteOrder::big32: break;
    case ByteOrder::little32:
      if (pixelBytes != 4) { setMessage(message, "unsupported pixel format"); return nullptr; }
      reversePixel = true;
      break;
    case ByteOrder::little16:
      if (bpc == 16) littleComponents = true;
      else if (pixelBytes == 2) reversePixel = true;
      else { setMessage(message, "unsupported pixel format"); return nullptr; }
      break;
  }
  if (f.bytesPerRow < f.width * pixelBytes) {
    setMessage(message, "bytes per row too small");
    return nullptr;
  }
  // The last row needs only its own pixels, not a whole stride.
  std::size_t needed = (f.height - 1) * f.bytesPerRow + f.width * pixelBytes;
  if (!bytes || byteCount < needed) {
    setMessage(message, "truncated image data");
    return nullptr;
  }

  const bool alphaFirst = f.alphaInfo == AlphaInfo::premultipliedFirst ||
                          f.alphaInfo == AlphaInfo::first ||
                          f.alphaInfo == AlphaInfo::noneSkipFirst;
  const bool alphaUsed = f.alphaInfo == AlphaInfo::premultipliedFirst ||
                         f.alphaInfo == AlphaInfo::premultipliedLast ||
                         f.alphaInfo == AlphaInfo::first || f.alphaInfo == AlphaInfo::last ||
                         alphaOnly;
  const bool premultiplied = f.alphaInfo == AlphaInfo::premultipliedFirst ||
                             f.alphaInfo == AlphaInfo::premultipliedLast;
  const int componentBytes = bpc / 8;

  std::vector<std::uint32_t> out(f.width * f.height);
  const auto* src = static_cast<const std::uint8_t*>(bytes);
  std::uint8_t scratch[8];
  unsigned value[4];
  for (std::size_t y = 0; y < f.height; ++y) {
    const std::uint8_t* rowStart = src + y * f.bytesPerRow;
    for (std::size_t x = 0; x < f.width; ++x) {
      const std::uint8_t* p = rowStart + x * pixelBytes;
      if (reversePixel) {
        std::reverse_copy(p, p + pixelBytes, scratch);
        p = scratch;
      }
      for (int i = 0; i < components; ++i)
        value[i] = readComponent(p + i * componentBytes, bpc, littleComponents);
      unsigned a = 255, r, g, b;
      int first = 0;
      if (hasAlphaComponent(f.alphaInfo) && alphaFirst) {
        if (alphaUsed) a = value[0];
        first = 1;
      } else if (hasAlphaComponent(f.alphaInfo) && alphaUsed) {
        a = value[components - 1];
      }
      if (alphaOnly) {
        r = g = b = 0;
      } else if (gray) {
        r = g = b = value[first];
      } else {
        r = value[first];
        g = value[first + 1];
        b = value[first + 2];
      }
      if (premultiplied) {
        r = std::min(r, a);
        g = std::min(g, a);
        b = std::min(b, a);
      } else if (a != 255) {
        r = premultiply(r, a);
        g = premultiply(g, a);
        b = premultiply(b, a);
      }
      out[y * f.width + x] = packARGB(static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(r),
                                      static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(b));
    }
  }
  return std::shared_ptr<Image>(
      new Image(f.width, f.height, std::move(out), f.colorSpace, f.alphaInfo));
}

}  // namespace cg
