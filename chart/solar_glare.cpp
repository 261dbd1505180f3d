// The Sun's glare, the glare gradient the solar-system layer's glows are
// drawn with (comet tails, atmosphere rims), and the frame's daylight as
// the layer reads it.
#include "chart/sky_chart.h"

const TextureData& CSkyChart::solarGlareTexture() {
  if (!isTextureLoaded(&glareTexture)) {
    const float white[3] = {1, 1, 1};
    makeGlareTexture(white, &glareTexture, 2);
  }
  return glareTexture;
}

double CSkyChart::daylightFactor() const { return skyBrightness; }

void CSkyChart::drawSunGlare(CSkyObject* body, float x, float y, float r, double magnitude) {
  float rgb[3] = {1.0f, 0.25f, 0.0f};
  // On the Earth's daylit horizon chart the glare is the low Sun's red;
  // elsewhere the Sun's own colour.
  if (!(displayCoordSystem == kCoordHorizon && showDaylight && homeObject == nullptr))
    getSolarSystemObjectColor(body, rgb);
  drawGlare(rgb, x, y, r - 1, getSunGlareRadius(r, magnitude));
}
