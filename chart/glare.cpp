// Glare: the radial gradient texture shared by glare rings and the horizon
// glow, the size of a bright object's glare, the Sun's wider glare in a
// daylight sky, and the ring itself (GL only).
#include <algorithm>
#include <cmath>

#include "chart/gl_api.h"
#include "chart/sky_chart.h"
#include "engine/angles.h"

namespace {

constexpr int kGlareTextureWidth = 256;
// The Sun's magnitude: the brightest glare an object can have.
constexpr double kSunMagnitude = -26.72;
// A glare never reaches farther than this angle on the screen.
constexpr double kLargestGlareAngle = 0.26179938779908335;  // 15 degrees
// The ring is drawn as 72 segments of 5 degrees.
constexpr int kRingSegments = 72;
// Texels of the gradient at the ring's inner and outer edge.
constexpr float kInnerTexel = 255, kOuterTexel = 1;

}  // namespace

bool makeGlareTexture(const float rgb[3], TextureData* texture, float exponent) {
  if (texture == nullptr) return false;
  *texture = TextureData{};
  GImage* image = createImage(kGlareTextureWidth, 1, 8, 4);
  if (image == nullptr) return false;
  for (int i = 0; i < kGlareTextureWidth; ++i) {
    double g = 255 * std::pow(i / 255.0, exponent);
    unsigned char* p = image->pixels + 4 * i;
    for (int c = 0; c < 3; ++c) p[c] = static_cast<unsigned char>(std::clamp(g * rgb[c], 0.0, 255.0));
    p[3] = 255;
  }
  texture->name = GImageToGLTexture(image);
  texture->width = image->width;
  texture->height = image->height;
  freeImage(image);
  return texture->name != 0;
}

float CSkyChart::getGlareSize(float* glareRadius, double magnitude) const {
  double t = getMagnitudeLimitExcess();
  double f = std::clamp((magnitude - t) / (kSunMagnitude - t), 0.0, 1.0);
  double g = 8 * contentScale * f;
  if (glareRadius != nullptr)
    *glareRadius = static_cast<float>(
        std::min(starScale * g * 8, radiusForAngle(kLargestGlareAngle)));
  return static_cast<float>(g);
}

float CSkyChart::getSunGlareRadius(float radius, double magnitude) const {
  if (displayCoordSystem == kCoordHorizon && showDaylight && homeObject == nullptr) {
    // The daylight sky scatters the Sun's light widest near the horizon.
    double degrees = sunAltitude >= -18 && sunAltitude < 18 ? 48 - 2 * std::fabs(sunAltitude) : 12;
    if (eclipseFactor > 0.9) degrees *= 0.1 + 9 * (1 - eclipseFactor);
    return radius + static_cast<float>(radiusForAngle(degrees * kRadiansPerDegree));
  }
  float glare = 0;
  getGlareSize(&glare, magnitude);
  return radius + glare;
}

void CSkyChart::drawGlare(const float rgb[3], float x, float y, float inner, float outer) {
  if (cgContext != nullptr) return;  // glare is light added to the picture: GL only
  if (!isTextureLoaded(&glareTexture)) {
    const float white[3] = {1, 1, 1};
    makeGlareTexture(white, &glareTexture, 2);
  }
  TextureStyle style;
  style.flags = kTextureAdditive;
  float filtered[3];
  filterColor(filtered, rgb);
  style.red = filtered[0];
  style.green = filtered[1];
  style.blue = filtered[2];
  beginTextureTriangles(&style, glareTexture);
  const float innerU = kInnerTexel / kGlareTextureWidth, outerU = kOuterTexel / kGlareTextureWidth;
  const float texCoords[2][3][2] = {{{innerU, 0}, {outerU, 0}, {outerU, 0}},
                                    {{outerU, 0}, {innerU, 0}, {innerU, 0}}};
  float previous[2][2] = {};
  for (int k = 0; k <= kRingSegments; ++k) {
    double a = k * 5 * kRadiansPerDegree;
    float c = static_cast<float>(std::cos(a)), s = static_cast<float>(std::sin(a));
    float current[2][2] = {{x + inner * c, y + inner * s}, {x + outer * c, y + outer * s}};
    if (k > 0) {
      const float first[3][2] = {{previous[0][0], previous[0][1]},
                                 {previous[1][0], previous[1][1]},
                                 {current[1][0], current[1][1]}};
      const float second[3][2] = {{current[1][0], current[1][1]},
                                  {current[0][0], current[0][1]},
                                  {previous[0][0], previous[0][1]}};
      addTextureTriangle(first, texCoords[0], nullptr, nullptr);
      addTextureTriangle(second, texCoords[1], nullptr, nullptr);
    }
    std::copy(&current[0][0], &current[0][0] + 4, &previous[0][0]);
  }
  // Glares of neighbouring bright objects take the brighter light rather
  // than adding up, except in a daylit sky, where the light itself adds.
  GLint equation = GL_FUNC_ADD;
  glGetIntegerv(GL_BLEND_EQUATION_RGB, &equation);
  bool daylight = showDaylight && displayCoordSystem == kCoordHorizon;
  glBlendEquation(daylight ? GL_FUNC_ADD : GL_MAX);
  flushTextureTrianglesStyled(style);
  glBlendEquation(static_cast<GLenum>(equation));
}
