// The realistic horizon: a panorama photograph, or a plain ground, laid on
// a sphere grid about the observer, with the atmosphere's glow above it.
#include "chart/sky_chart.h"

void CSkyChart::releaseHorizonTextures() {
  releaseTexture(&horizonPanorama);
  releaseTexture(&glareTexture);
}
