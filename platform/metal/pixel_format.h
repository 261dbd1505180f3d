// Storage layout of Metal pixel formats: how many bytes one block holds and
// how many texels a block covers (1 x 1 for uncompressed formats).
#pragma once

#include "platform/metal/types.h"

namespace mtl {

enum class ComponentKind {
  Unorm, Snorm, Uint, Sint, Float,   // plain per-channel formats
  Packed,                            // 16- and 32-bit packed formats
  DepthStencil,                      // depth and/or stencil planes
  Compressed,                        // opaque blocks
};

struct PixelFormatInfo {
  PixelFormat format = PixelFormat::Invalid;
  unsigned bytesPerBlock = 0;
  unsigned blockWidth = 1;
  unsigned blockHeight = 1;
  ComponentKind kind = ComponentKind::Unorm;
  unsigned channels = 0;         // components stored (A8Unorm: 1)
  unsigned bitsPerChannel = 0;   // of plain formats
  bool sRGB = false;
  bool hasDepth = false;
  bool hasStencil = false;
};

// Null for a value that is not a known pixel format.
const PixelFormatInfo* pixelFormatInfo(PixelFormat format);

// Every known format, in increasing numeric order.
const PixelFormatInfo* allPixelFormats(std::size_t& count);

bool isCompressed(PixelFormat format);
bool isRenderable(PixelFormat format);

// Bytes in one row of `width` texels (whole blocks for compressed formats).
NSUInteger bytesPerRow(const PixelFormatInfo& info, NSUInteger width);
// Rows of blocks covering `height` texels.
NSUInteger blockRows(const PixelFormatInfo& info, NSUInteger height);

}  // namespace mtl
