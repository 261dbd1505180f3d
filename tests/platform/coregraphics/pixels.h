// Reading drawn pixels back in the coregraphics tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/coregraphics/context.h"

namespace cgtest {

// A premultiplied RGBA bitmap of w x h pixels, transparent.
inline std::unique_ptr<cg::Context> rgbaBitmap(std::size_t w, std::size_t h) {
  return cg::Context::createBitmap(w, h, {cg::ColorSpace::deviceRGB,
                                          cg::PixelLayout::premultipliedRGBA, 0});
}

// Covered area in pixels: the alpha channel summed, 255 being one pixel.
inline double coverage(cg::Context& context) {
  const std::uint8_t* p = context.data();
  double sum = 0;
  for (std::size_t y = 0; y < context.height(); ++y) {
    const std::uint8_t* row = p + y * context.bytesPerRow();
    for (std::size_t x = 0; x < context.width(); ++x) sum += row[x * 4 + 3];
  }
  return sum / 255.0;
}

// RGBA bytes of the pixel in column x and row y counted from the top.
struct Rgba {
  int r, g, b, a;
};
inline Rgba at(cg::Context& context, std::size_t x, std::size_t rowFromTop) {
  const std::uint8_t* p = context.data() + rowFromTop * context.bytesPerRow() + x * 4;
  return {p[0], p[1], p[2], p[3]};
}

// The pixels as drawn so far, for many reads.
struct Snapshot {
  std::vector<std::uint8_t> bytes;
  std::size_t stride;
  explicit Snapshot(cg::Context& context)
      : bytes(context.data(), context.data() + context.bytesPerRow() * context.height()),
        stride(context.bytesPerRow()) {}
  Rgba at(std::size_t x, std::size_t rowFromTop) const {
    const std::uint8_t* p = bytes.data() + rowFromTop * stride + x * 4;
    return {p[0], p[1], p[2], p[3]};
  }
};

}  // namespace cgtest
