#include "gles/textures/pvrtc_codec.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace Javelin {

Bitmap::Bitmap(int width, int height, int bytesPerPixel)
    : width_(width),
      height_(height),
      bytesPerPixel_(bytesPerPixel),
      data_(new std::uint8_t[static_cast<std::size_t>(std::max(width, 0)) *
                             static_cast<std::size_t>(std::max(height, 0)) *
                             static_cast<std::size_t>(bytesPerPixel)]) {}

Bitmap::~Bitmap() = default;

namespace {

// Field expansion to 8 bits: 5-bit v to floor(255v / 31), 4-bit v to 17v,
// 3-bit v to floor(255v / 7).
template <int Bits>
constexpr std::array<std::uint8_t, 1 << Bits> expansionTable() {
  std::array<std::uint8_t, 1 << Bits> table{};
  for (int v = 0; v < (1 << Bits); ++v) {
    table[v] = static_cast<std::uint8_t>(v * 255 / ((1 << Bits) - 1));
  }
  return table;
}
constexpr auto kExpand3 = expansionTable<3>();
constexpr auto kExpand4 = expansionTable<4>();
constexpr auto kExpand5 = expansionTable<5>();

// Quantisation of an 8-bit value to n bits, rounding down or up.
template <int Bits, bool Up>
constexpr std::array<std::uint8_t, 256> quantisationTable() {
  std::array<std::uint8_t, 256> table{};
  constexpr int top = (1 << Bits) - 1;
  for (int v = 0; v < 256; ++v) {
    table[v] = static_cast<std::uint8_t>(Up ? (v * top + 254) / 255 : v * top / 255);
  }
  return table;
}
constexpr auto kFloor3 = quantisationTable<3, false>();
constexpr auto kFloor4 = quantisationTable<4, false>();
constexpr auto kFloor5 = quantisationTable<5, false>();
constexpr auto kCeil3 = quantisationTable<3, true>();
constexpr auto kCeil4 = quantisationTable<4, true>();
constexpr auto kCeil5 = quantisationTable<5, true>();

// Bilinear weights of pixel k = 4py + px on the blocks (x0, y0), (x1, y0),
// (x0, y1), (x1, y1); each row sums to 16.
constexpr std::uint8_t kBilinearWeights[16][4] = {
    {4, 4, 4, 4}, {2, 6, 2, 6}, {8, 0, 8, 0},  {6, 2, 6, 2},
    {2, 2, 6, 6}, {1, 3, 3, 9}, {4, 0, 12, 0}, {3, 1, 9, 3},
    {8, 8, 0, 0}, {4, 12, 0, 0}, {16, 0, 0, 0}, {12, 4, 0, 0},
    {6, 6, 2, 2}, {3, 9, 1, 3}, {12, 0, 4, 0}, {9, 3, 3, 1},
};

// Weights of colour A, colour B, alpha of A and alpha of B for each mode
// and modulation value; punch-through value 2 is transparent.
constexpr std::uint8_t kModulationWeights[2][4][4] = {
    {{8, 0, 8, 0}, {5, 3, 5, 3}, {3, 5, 3, 5}, {0, 8, 0, 8}},
    {{8, 0, 8, 0}, {4, 4, 4, 4}, {4, 4, 0, 0}, {0, 8, 0, 8}},
};

// The bits of a byte spread to the even bits of a 16-bit value.
constexpr std::array<std::uint16_t, 256> kSpreadBits = [] {
  std::array<std::uint16_t, 256> table{};
  for (unsigned v = 0; v < 256; ++v) {
    std::uint16_t spread = 0;
    for (unsigned bit = 0; bit < 8; ++bit) {
      spread |= static_cast<std::uint16_t>(((v >> bit) & 1u) << (2 * bit));
    }
    table[v] = spread;
  }
  return table;
}();

std::uint32_t spread16(std::uint32_t v) {
  return kSpreadBits[v & 0xFF] | (static_cast<std::uint32_t>(kSpreadBits[(v >> 8) & 0xFF]) << 16);
}

// An expanded colour: L, M, H, alpha.
using Colour = std::array<int, 4>;

Colour colourA(std::uint32_t word) {
  if (word & 0x8000u) {
    return {kExpand4[(word >> 1) & 15], kExpand5[(word >> 5) & 31], kExpand5[(word >> 10) & 31],
            255};
  }
  return {kExpand3[(word >> 1) & 7], kExpand4[(word >> 4) & 15], kExpand4[(word >> 8) & 15],
          kExpand3[(word >> 12) & 7]};
}

Colour colourB(std::uint32_t word) {
  if (word & 0x80000000u) {
    return {kExpand5[(word >> 16) & 31], kExpand5[(word >> 21) & 31],
            kExpand5[(word >> 26) & 31], 255};
  }
  return {kExpand4[(word >> 16) & 15], kExpand4[(word >> 20) & 15], kExpand4[(word >> 24) & 15],
          kExpand3[(word >> 28) & 7]};
}

std::uint32_t loadWord(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void storeWord(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Blocks per side of a valid image, or 0 when there is nothing to do.
std::uint32_t blocksPerSide(int width, int height) {
  if (width != height || width < 4) return 0;
  if (!BitUtility::IsPowerOf2(static_cast<std::uint32_t>(width))) return 0;
  return static_cast<std::uint32_t>(width) / 4;
}

// The expanded colours A and B of every block, in raster order (row by
// row), so that a block's neighbours are close in memory.
struct BlockColours {
  std::uint32_t side = 0;
  std::vector<Colour> a, b;
};

BlockColours expandColours(const std::uint32_t* colourWords, std::uint32_t side) {
  BlockColours colours;
  colours.side = side;
  colours.a.resize(static_cast<std::size_t>(side) * side);
  colours.b.resize(static_cast<std::size_t>(side) * side);
  for (std::uint32_t by = 0; by < side; ++by) {
    for (std::uint32_t bx = 0; bx < side; ++bx) {
      const std::uint32_t word = colourWords[PvrTcBlockIndex(bx, by)];
      colours.a[by * side + bx] = colourA(word);
      colours.b[by * side + bx] = colourB(word);
    }
  }
  return colours;
}

// The colours of a block and its eight neighbours (wrapping), [row][column]
// with the block itself at [1][1].
struct Neighbourhood {
  Colour a[3][3], b[3][3];

  Neighbourhood(const BlockColours& colours, std::uint32_t bx, std::uint32_t by) {
    const std::uint32_t side = colours.side;
    const std::uint32_t columns[3] = {(bx + side - 1) % side, bx, (bx + 1) % side};
    const std::uint32_t rows[3] = {(by + side - 1) % side, by, (by + 1) % side};
    for (int j = 0; j < 3; ++j) {
      for (int i = 0; i < 3; ++i) {
        a[j][i] = colours.a[rows[j] * side + columns[i]];
        b[j][i] = colours.b[rows[j] * side + columns[i]];
      }
    }
  }

  // Colours A and B at pixel (px, py), each channel 16 times an 8-bit
  // value: the blocks (x0, y0), (x1, y0), (x0, y1), (x1, y1) weighted
  // bilinearly, x0 the block to the left for the left half of the block.
  void interpolate(int px, int py, Colour& outA, Colour& outB) const {
    const int i = px < 2 ? 0 : 1;
    const int j = py < 2 ? 0 : 1;
    const std::uint8_t* w = kBilinearWeights[4 * py + px];
    for (int c = 0; c < 4; ++c) {
      outA[c] = w[0] * a[j][i][c] + w[1] * a[j][i + 1][c] + w[2] * a[j + 1][i][c] +
                w[3] * a[j + 1][i + 1][c];
      outB[c] = w[0] * b[j][i][c] + w[1] * b[j][i + 1][c] + w[2] * b[j + 1][i][c] +
                w[3] * b[j + 1][i + 1][c];
    }
  }
};

void decode(std::uint8_t* result, const Point2& size, const void* data, int bytesPerPixel) {
  const std::uint32_t side = blocksPerSide(size.x, size.y);
  if (side == 0 || !result || !data) return;
  const auto* blocks = static_cast<const std::uint8_t*>(data);
  std::vector<std::uint32_t> colourWords(static_cast<std::size_t>(side) * side);
  for (std::size_t i = 0; i < colourWords.size(); ++i) {
    colourWords[i] = loadWord(blocks + 8 * i + 4);
  }
  const BlockColours colours = expandColours(colourWords.data(), side);
  const std::size_t rowBytes = static_cast<std::size_t>(size.x) * bytesPerPixel;
  for (std::uint32_t by = 0; by < side; ++by) {
    for (std::uint32_t bx = 0; bx < side; ++bx) {
      const std::uint8_t* block = blocks + 8 * static_cast<std::size_t>(PvrTcBlockIndex(bx, by));
      const std::uint32_t modulation = loadWord(block);
      const std::uint32_t mode = loadWord(block + 4) & 1;
      const Neighbourhood neighbourhood(colours, bx, by);
      for (int py = 0; py < 4; ++py) {
        for (int px = 0; px < 4; ++px) {
          Colour a, b;
          neighbourhood.interpolate(px, py, a, b);
          const int k = 4 * py + px;
          const std::uint8_t* w = kModulationWeights[mode][(modulation >> (2 * k)) & 3];
          std::uint8_t* out = result + (4 * by + py) * rowBytes + (4 * bx + px) * bytesPerPixel;
          for (int c = 0; c < 3; ++c) {
            out[c] = static_cast<std::uint8_t>((a[c] * w[0] + b[c] * w[1]) >> 7);
          }
          if (bytesPerPixel == 4) {
            out[3] = static_cast<std::uint8_t>((a[3] * w[2] + b[3] * w[3]) >> 7);
          }
        }
      }
    }
  }
}

// The colour word of a block from its channel minima and maxima (standard
// mode): A the minimum rounded down, B the maximum rounded up.
std::uint32_t endPoints(const Colour& low, const Colour& high, bool withAlpha) {
  std::uint32_t a = 0x8000u | (kFloor4[low[0]] << 1) | (kFloor5[low[1]] << 5) |
                    (kFloor5[low[2]] << 10);
  std::uint32_t b = 0x80000000u | (kCeil5[high[0]] << 16) | (kCeil5[high[1]] << 21) |
                    (kCeil5[high[2]] << 26);
  if (withAlpha) {
    const std::uint32_t alphaA = kFloor3[low[3]];
    if (alphaA != 7) {
      a = (alphaA << 12) | (kFloor3[low[0]] << 1) | (kFloor4[low[1]] << 4) |
          (kFloor4[low[2]] << 8);
    }
    const std::uint32_t alphaB = kCeil3[high[3]];
    if (alphaB != 7) {
      b = (alphaB << 28) | (kCeil4[high[0]] << 16) | (kCeil4[high[1]] << 20) |
          (kCeil4[high[2]] << 24);
    }
  }
  return a | b;
}

void encode(void* result, const Bitmap& bitmap, int channels) {
  const std::uint32_t side = blocksPerSide(bitmap.GetBitmapWidth(), bitmap.GetBitmapHeight());
  if (side == 0 || !result) return;
  auto* blocks = static_cast<std::uint8_t*>(result);
  const std::uint8_t* pixels = bitmap.GetData();
  const int bytesPerPixel = bitmap.GetBytesPerPixel();
  const std::size_t rowBytes = static_cast<std::size_t>(bitmap.GetBitmapWidth()) * bytesPerPixel;
  auto pixelAt = [&](std::uint32_t bx, std::uint32_t by, int px, int py) {
    return pixels + (4 * by + py) * rowBytes + (4 * bx + px) * bytesPerPixel;
  };

  // First pass: the end points of every block, kept aside until the
  // second pass has what it needs, so that nothing is written before the
  // last allocation.
  std::vector<std::uint32_t> colourWords(side * side);
  for (std::uint32_t by = 0; by < side; ++by) {
    for (std::uint32_t bx = 0; bx < side; ++bx) {
      Colour low{255, 255, 255, 255}, high{0, 0, 0, 0};
      for (int py = 0; py < 4; ++py) {
        for (int px = 0; px < 4; ++px) {
          const std::uint8_t* p = pixelAt(bx, by, px, py);
          for (int c = 0; c < channels; ++c) {
            low[c] = std::min<int>(low[c], p[c]);
            high[c] = std::max<int>(high[c], p[c]);
          }
        }
      }
      colourWords[PvrTcBlockIndex(bx, by)] = endPoints(low, high, channels == 4);
    }
  }

  // Second pass: each pixel's modulation against the colours as decoding
  // will interpolate them.
  const BlockColours colours = expandColours(colourWords.data(), side);
  for (std::uint32_t by = 0; by < side; ++by) {
    for (std::uint32_t bx = 0; bx < side; ++bx) {
      const Neighbourhood neighbourhood(colours, bx, by);
      std::uint32_t word = 0;
      for (int py = 0; py < 4; ++py) {
        for (int px = 0; px < 4; ++px) {
          Colour a, b;
          neighbourhood.interpolate(px, py, a, b);
          const std::uint8_t* p = pixelAt(bx, by, px, py);
          std::int32_t dot = 0, length = 0;
          for (int c = 0; c < channels; ++c) {
            const std::int32_t d = b[c] - a[c];
            const std::int32_t v = 16 * p[c] - a[c];
            dot += v * d;
            length += d * d;
          }
          dot *= 16;
          const std::uint32_t m = (dot > 3 * length) + (dot > 8 * length) + (dot > 13 * length);
          word += m;
          word = (word >> 2) | (word << 30);
        }
      }
      std::uint8_t* block = blocks + 8 * static_cast<std::size_t>(PvrTcBlockIndex(bx, by));
      storeWord(block, word);
      storeWord(block + 4, colourWords[PvrTcBlockIndex(bx, by)]);
    }
  }
}

}  // namespace

std::uint32_t PvrTcBlockIndex(std::uint32_t bx, std::uint32_t by) {
  return spread16(by) | (spread16(bx) << 1);
}

void PvrTcDecoder::DecodeRgb4Bpp(std::uint8_t* result, const Point2& size, const void* data) {
  decode(result, size, data, 3);
}

void PvrTcDecoder::DecodeRgba4Bpp(std::uint8_t* result, const Point2& size, const void* data) {
  decode(result, size, data, 4);
}

void PvrTcEncoder::EncodeRgb4Bpp(void* result, const RgbBitmap& bitmap) {
  encode(result, bitmap, 3);
}

void PvrTcEncoder::EncodeRgba4Bpp(void* result, const RgbaBitmap& bitmap) {
  encode(result, bitmap, 4);
}

}  // namespace Javelin
