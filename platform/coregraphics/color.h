// Colours and colour spaces of the 2-D layer.
#pragma once

namespace cg {

enum class ColorSpace { deviceRGB, deviceGray };

// Components from 0 to 1, not premultiplied.
struct Color {
  double r = 0, g = 0, b = 0, a = 1;
  bool operator==(const Color&) const = default;

  static Color gray(double white, double alpha = 1) { return {white, white, white, alpha}; }
  Color withAlpha(double alpha) const { return {r, g, b, alpha}; }
};

}  // namespace cg
