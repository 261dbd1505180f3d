// The glare gradient the solar-system layer's glows are drawn with (comet
// tails, atmosphere rims), and the frame's daylight as the layer reads it.
#include "chart/sky_chart.h"

const TextureData& CSkyChart::solarGlareTexture() {
  static const TextureData kNone{};
  return kNone;
}

double CSkyChart::daylightFactor() const { return 0; }
