// Small 24-bit BMP files for the chart's tests: maps and tiles whose every
// pixel a test chooses (rows bottom-up, padded to 4 bytes, as the format
// stores them).
#pragma once

#include <array>
#include <cstdint>
#include <fstream>
#include <functional>
#include <string>

namespace chart_test {

using PixelColor = std::array<std::uint8_t, 3>;  // red, green, blue

inline void writeBmp(const std::string& path, int width, int height,
                     const std::function<PixelColor(int x, int y)>& color) {
  int rowBytes = (3 * width + 3) / 4 * 4;
  std::string file = "BM";
  auto u32 = [&](std::uint32_t v) {
    for (int k = 0; k < 4; ++k) file += static_cast<char>(v >> (8 * k));
  };
  auto u16 = [&](std::uint16_t v) {
    file += static_cast<char>(v);
    file += static_cast<char>(v >> 8);
  };
  std::uint32_t size = static_cast<std::uint32_t>(rowBytes * height);
  u32(54 + size), u32(0), u32(54);
  u32(40), u32(width), u32(height), u16(1), u16(24), u32(0), u32(size), u32(2835), u32(2835),
      u32(0), u32(0);
  for (int row = height - 1; row >= 0; --row) {
    for (int x = 0; x < width; ++x) {
      PixelColor c = color(x, row);
      file += std::string{static_cast<char>(c[2]), static_cast<char>(c[1]), static_cast<char>(c[0])};
    }
    file += std::string(rowBytes - 3 * width, '\0');
  }
  std::ofstream(path, std::ios::binary) << file;
}

// A map of one colour.
inline void writeBmp(const std::string& path, int width, int height, PixelColor color) {
  writeBmp(path, width, height, [&](int, int) { return color; });
}

}  // namespace chart_test
