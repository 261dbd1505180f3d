// The star sprite atlas: one RGBA image of 14 pre-rendered stars of
// growing brightness, painted on the processor once and reused by every
// star-like point of the chart.
#pragma once

#include <cstdint>

struct GImage;

// Adds a star of the given peak level centred at (cx, cy) (pixel units,
// pixel centres at half-integers) to the RGBA image, within `radius`
// pixels of the centre: level v = peak / (1 + 7 d^2), d in pixels, kept
// where above 8; each colour channel gains v x rgb / 256 (clamped to 255)
// and alpha becomes the larger of itself and v.
void paintStarSprite(GImage* image, double cx, double cy, int radius, double peak,
                     const std::uint8_t rgb[3]);

// Step factor of the sprite sizes: the content scale rounded up to 1, 2,
// 4, 8 or 16.
int starSpriteStepFactor(float contentScale);
