// A PVRTC 4-bit-per-pixel codec: decoding blocks into RGB or RGBA bitmaps
// and encoding bitmaps back into blocks.
//
// The block layout is the published one: 64-bit blocks (a little-endian
// modulation word, then a little-endian colour word holding the mode bit and
// colours A and B) in Morton order, each pixel blending the colours of its
// four nearest blocks bilinearly with wrap-around. This codec's own choices
// are its expansion and quantisation tables, its end points (each block's
// minimum and maximum) and its modulation thresholds.
//
// Images are square with a power-of-two side n; n/4 blocks a side, whose
// coordinates wrap modulo n/4. Other sizes are refused (nothing is read or
// written) and sides below 4 give no work. Integer arithmetic only; pure
// functions that may run on any thread.
#pragma once

#include <cstdint>
#include <memory>

namespace Javelin {

namespace BitUtility {
constexpr bool IsPowerOf2(std::uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }
}  // namespace BitUtility

// A bitmap that owns its pixels: rows top to bottom, each pixel the three
// colour fields in block order L, M, H (the fields the published layout
// calls blue, green and red), then alpha in an RGBA bitmap.
class Bitmap {
 public:
  Bitmap(int width, int height, int bytesPerPixel);
  virtual ~Bitmap();
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;

  int GetBitmapWidth() const { return width_; }
  int GetBitmapHeight() const { return height_; }
  int GetBytesPerPixel() const { return bytesPerPixel_; }
  std::uint8_t* GetData() { return data_.get(); }
  const std::uint8_t* GetData() const { return data_.get(); }

 private:
  int width_;
  int height_;
  int bytesPerPixel_;
  std::unique_ptr<std::uint8_t[]> data_;
};

class RgbBitmap : public Bitmap {
 public:
  RgbBitmap(int width, int height) : Bitmap(width, height, 3) {}
};

class RgbaBitmap : public Bitmap {
 public:
  RgbaBitmap(int width, int height) : Bitmap(width, height, 4) {}
};

struct Point2 {
  int x = 0;
  int y = 0;
};

// The number of the block at block column bx and row by: bit i of by goes
// to bit 2i and bit i of bx to bit 2i + 1.
std::uint32_t PvrTcBlockIndex(std::uint32_t bx, std::uint32_t by);

class PvrTcDecoder {
 public:
  // `result` holds size.x x size.y pixels of 3 (RGB) or 4 (RGBA) bytes;
  // `data` (n/4)^2 blocks.
  static void DecodeRgb4Bpp(std::uint8_t* result, const Point2& size, const void* data);
  static void DecodeRgba4Bpp(std::uint8_t* result, const Point2& size, const void* data);
};

class PvrTcEncoder {
 public:
  // `result` receives (n/4)^2 blocks.
  static void EncodeRgb4Bpp(void* result, const RgbBitmap& bitmap);
  static void EncodeRgba4Bpp(void* result, const RgbaBitmap& bitmap);
};

}  // namespace Javelin
