#include "platform/uikit/color.h"

#include <algorithm>
#include <cmath>

namespace ui {

Color Color::hsba(double hue, double saturation, double brightness, double alpha) {
  hue = hue - std::floor(hue);
  saturation = std::clamp(saturation, 0.0, 1.0);
  brightness = std::clamp(brightness, 0.0, 1.0);
  const double sector = hue * 6;
  const int i = static_cast<int>(sector) % 6;
  const double f = sector - std::floor(sector);
  const double p = brightness * (1 - saturation), q = brightness * (1 - saturation * f),
               t = brightness * (1 - saturation * (1 - f)), v = brightness;
  switch (i) {
    case 0: return {v, t, p, alpha};
    case 1: return {q, v, p, alpha};
    case 2: return {p, v, t, alpha};
    case 3: return {p, q, v, alpha};
    case 4: return {t, p, v, alpha};
    default: return {v, p, q, alpha};
  }
}

void Color::getHSBA(double& hue, double& saturation, double& brightness, double& alpha) const {
  const double high = std::max({r, g, b}), low = std::min({r, g, b}), range = high - low;
  brightness = high;
  saturation = high > 0 ? range / high : 0;
  alpha = a;
  if (range <= 0) {
    hue = 0;
    return;
  }
  double h;
  if (high == r) h = (g - b) / range;
  else if (high == g) h = 2 + (b - r) / range;
  else h = 4 + (r - g) / range;
  h /= 6;
  hue = h < 0 ? h + 1 : h;
}

}  // namespace ui
