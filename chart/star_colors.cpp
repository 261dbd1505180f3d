// Star colours by colour index: six bands with linear ramps between them,
// in integer arithmetic so that every frame and every platform paints a
// star the same bytes.
#include "chart/star_colors.h"

#include <cmath>

void colorIndexToRGB(std::uint8_t saturation, std::uint8_t rgb[3], float colorIndex) {
  const int s = saturation, base = 255 - s;
  int r = 255, g = 255, b = 255;
  if (!std::isinf(colorIndex) && !std::isnan(colorIndex)) {
    // Hundredths of a magnitude, truncated towards zero; clamped so that a
    // wild index cannot overflow the conversion (the outer bands are flat).
    const double hundredths = std::fmax(-1000.0, std::fmin(1000.0, colorIndex * 100.0));
    const int k = static_cast<int>(hundredths);
    if (k <= -51) {
      r = base, g = base;
    } else if (k <= -26) {
      r = base, g = base + (k + 50) * s / 25;
    } else if (k <= -1) {
      r = base + (k + 25) * s / 25;
    } else if (k <= 99) {
      b = base + (100 - k) * s / 100;
    } else if (k <= 249) {
      g = base + (250 - k) * s / 150, b = base;
    } else {
      g = base, b = base;
    }
  }
  rgb[0] = static_cast<std::uint8_t>(r);
  rgb[1] = static_cast<std::uint8_t>(g);
  rgb[2] = static_cast<std::uint8_t>(b);
}
