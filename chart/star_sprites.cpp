// Star sprites: sizes by brightness above the limit, the atlas, and the
// additive batch that every star-like point is drawn in.
#include "chart/star_sprites.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "chart/gl_api.h"
#include "chart/shader_program.h"
#include "chart/sky_chart.h"
#include "chart/star_colors.h"

namespace {

constexpr int kSpriteCells = 14;
// Brightness step between cells (magnitudes); the brightest cell is
// kNakedEyeLimit above the limit.
constexpr double kCellStep = 0.5;
constexpr double kBrightest = kNakedEyeLimit;
// Level of the faintest cell's peak at step factor 1; sprite levels below
// this fade into the background.
constexpr double kPeakScale = 128.0;
constexpr double kFaintestLevel = 8.0;
// Atlas size at step factor 1.
constexpr int kAtlasWidth = 1024, kAtlasHeight = 128;

}  // namespace

int starSpriteStepFactor(float contentScale) {
  for (int q = 1; q < 16; q *= 2)
    if (contentScale <= static_cast<float>(q)) return q;
  return 16;
}

void paintStarSprite(GImage* image, double cx, double cy, int radius, double peak,
                     const std::uint8_t rgb[3]) {
  if (image == nullptr || image->components != 4 || image->bitsPerComponent != 8) return;
  const int w = static_cast<int>(image->width), h = static_cast<int>(image->height);
  const int left = std::max(0, static_cast<int>(std::floor(cx - radius)));
  const int right = std::min(w - 1, static_cast<int>(std::ceil(cx + radius)));
  const int top = std::max(0, static_cast<int>(std::floor(cy - radius)));
  const int bottom = std::min(h - 1, static_cast<int>(std::ceil(cy + radius)));
  for (int py = top; py <= bottom; ++py) {
    unsigned char* row = image->pixels + static_cast<std::size_t>(py) * image->rowBytes;
    for (int px = left; px <= right; ++px) {
      // Offsets from the pixel's centre, so that the painted star is
      // centred where its cell's quad is.
      const double dx = px + 0.5 - cx, dy = py + 0.5 - cy;
      const double v = peak / (1 + 7 * (dx * dx + dy * dy));
      if (!(v > kFaintestLevel)) continue;
      const int level = static_cast<int>(std::min(v, 255.0));
      unsigned char* p = row + 4 * px;
      for (int c = 0; c < 3; ++c) p[c] = static_cast<unsigned char>(std::min(255, p[c] + level * rgb[c] / 256));
      p[3] = static_cast<unsigned char>(std::max<int>(p[3], level));
    }
  }
}

void CSkyChart::starSpriteSize(float* peak, float* radius, float* discRadius,
                               float brightness) const {
  const double f = starSpriteStepFactor(contentScale) * starScale;
  const double level = std::pow(10.0, brightness / 2.5) * kPeakScale * f * f;
  // Not-finite sizes (a damaged "StarScale") draw nothing.
  const bool lit = level >= 1 && std::isfinite(level);
  *peak = static_cast<float>(level);
  *radius = lit ? static_cast<float>(std::sqrt((level - 1) / 7 * 0.125)) : 0.0f;
  if (discRadius != nullptr) *discRadius = lit ? static_cast<float>(std::sqrt((level - 1) / 7 / 255)) : 0.0f;
}

void CSkyChart::buildStarSprites() {
  // Sprites are drawn by GL alone: the 2-D back end paints no atlas.
  if (cgContext != nullptr) return;
  if (glResetPending || starSpritesChanged) releaseStarSprites();
  if (isTextureLoaded(&starSprites)) {
    starSpritesChanged = false;
    return;
  }
  const int q = starSpriteStepFactor(contentScale);
  // Cell half sides first: a large "StarScale" grows the atlas rather
  // than cutting its brightest stars square.
  int halves[kSpriteCells];
  int width = 0, height = 0;
  for (int i = 0; i < kSpriteCells; ++i) {
    float peak, radius;
    starSpriteSize(&peak, &radius, nullptr, static_cast<float>(kCellStep * i));
    halves[i] = static_cast<int>(std::ceil(std::min(radius, 16384.0f)));
    width += 2 * halves[i];
    height = std::max(height, 2 * halves[i]);
  }
  GImage* image = createImage(static_cast<std::uint32_t>(std::max(kAtlasWidth * q, width)),
                              static_cast<std::uint32_t>(std::max(kAtlasHeight * q, height)), 8, 4);
  if (image == nullptr) return;  // tried again next frame
  const int savedFilter = colorFilterMode;
  colorFilterMode = 0;
  std::uint8_t white[3];
  starColorBytes(white, 0);
  for (int i = 0, x = 0; i < kSpriteCells; ++i) {
    const float b = static_cast<float>(kCellStep * i);
    float peak, radius;
    starSpriteSize(&peak, &radius, nullptr, b);
    const int r = halves[i];
    paintStarSprite(image, x + r, r, r, peak, white);
    starSpriteRects[i] = GRect{static_cast<float>(x), 0, 2.0f * r, 2.0f * r};
    starSpriteSteps[i] = b;
    x += 2 * r;
  }
  makeTextureFromImage(&starSprites, image);
  freeImage(image);
  colorFilterMode = savedFilter;
  starSpritesChanged = !isTextureLoaded(&starSprites);
}

void CSkyChart::releaseStarSprites() {
  releaseTexture(&starSprites);
  std::fill(std::begin(starSpriteRects), std::end(starSpriteRects), GRect{});
  std::fill(std::begin(starSpriteSteps), std::end(starSpriteSteps), INFINITY);
}

void CSkyChart::beginStarSprites() {
  if (cgContext != nullptr) return;
  const ChartShaderLocations& l = chartShader().locations;
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, starSprites.name);
  glUniform1i(l.texture, 0);
  glUniform1i(l.useTexture, 1);
  glUniform1i(l.useMaterial, 0);
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE);
}

void CSkyChart::endStarSprites() {
  flushTextureTriangles(starSprites.name, nullptr, kTextureAdditive | kTextureVertexColors);
  // A batch that ended empty drew nothing, so the flush left on what
  // beginStarSprites turned on: the plain lines drawn next (a selected
  // planet's orbit) would be textured and added, and vanish.
  if (cgContext != nullptr) return;
  glUniform1i(chartShader().locations.useTexture, 0);
  glDisable(GL_BLEND);
}

float CSkyChart::addStarSprite(const float rgb[3], float magnitude, float x, float y) {
  float b = starMagLimit - magnitude;
  if (starMagLimit > kBrightest) b = static_cast<float>(b * kBrightest / starMagLimit);
  b = std::min(b, static_cast<float>(kBrightest));
  float peak, r, disc;
  starSpriteSize(&peak, &r, &disc, b);
  if (!(r > 0) || !std::isfinite(r)) return disc;
  int cell = kSpriteCells - 1;
  for (int i = 0; i < kSpriteCells - 1; ++i) {
    if ((starSpriteSteps[i] + starSpriteSteps[i + 1]) / 2 > b) {
      cell = i;
      break;
    }
  }
  // A full buffer is drawn rather than dropping the stars that follow.
  if (vertexCount + 6 >= kChartVertexCapacity) endStarSprites();
  float color[4] = {1, 1, 1, 1};
  if (colorFilterMode == 0)
    std::copy(rgb, rgb + 3, color);
  else if (colorFilterMode == 3)
    color[1] = color[2] = 0;
  addSpriteQuad(starSprites, starSpriteRects[cell], color, x, y, r);
  return disc;
}

float CSkyChart::middleSpriteMagnitude() const {
  // The inverse of the brightness addStarSprite takes from a magnitude.
  const double middle = kBrightest / 2;
  return static_cast<float>(starMagLimit > kBrightest ? starMagLimit / 2 : starMagLimit - middle);
}

float CSkyChart::addStarSpriteForColorIndex(float magnitude, float x, float y, float colorIndex) {
  float rgb[3];
  starColor(rgb, colorIndex);
  return addStarSprite(rgb, magnitude, x, y);
}

void CSkyChart::starColorBytes(std::uint8_t rgb[3], float colorIndex) const {
  const double s = std::clamp(starColorIntensity * 255.0, 0.0, 255.0);
  colorIndexToRGB(static_cast<std::uint8_t>(std::isnan(s) ? 0 : s), rgb, colorIndex);
}

void CSkyChart::starColor(float rgb[3], float colorIndex) const {
  std::uint8_t bytes[3];
  starColorBytes(bytes, colorIndex);
  for (int i = 0; i < 3; ++i) rgb[i] = bytes[i] / 255.0f;
}
