// The deep-sky photographs on the sky: the index read once, the picture
// size that suits the screen's scale, and each picture drawn additively
// on its four corners while it shows, its texture freed when it leaves.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "chart/deep_sky_images.h"
#include "chart/deep_sky_shapes.h"
#include "chart/sky_chart.h"
#include "engine/precession.h"
#include "skydata/open_file.h"

namespace {

constexpr float kBrightSky = 0.5f;
// Picture sets by the screen scale: the first whose bound (arcseconds per
// pixel) the scale is below; the last takes every coarser scale.
struct ScaleVariant {
  double below;
  const char* prefix;
};
constexpr ScaleVariant kVariants[] = {{4, "4s"},   {8, "8s"},   {15, "15s"},
                                      {30, "30s"}, {60, "60s"}, {INFINITY, "120s"}};
// Pictures narrower on the screen than 1/20 of the viewport's diagonal are
// not drawn; they fade in up to 3/20.
constexpr double kSmallestShare = 64.0 / 1280.0;

double viewportDiagonal(const CSkyChart& chart) {
  return std::hypot(chart.getViewportWidth(), chart.getViewportHeight());
}

double screenDiagonal(const TextureVertex vertices[4]) {
  return std::hypot(vertices[2].screenX - vertices[0].screenX,
                    vertices[2].screenY - vertices[0].screenY);
}

}  // namespace

const char* deepSkyImageVariant(double arcsecondsPerPixel) {
  for (const ScaleVariant& variant : kVariants)
    if (arcsecondsPerPixel < variant.below) return variant.prefix;
  return kVariants[std::size(kVariants) - 1].prefix;
}

bool CSkyChart::loadDeepSkyImageIndex(const char* path, const char* folder) {
  if (deepSkyImages == nullptr) deepSkyImages = std::make_unique<DeepSkyImageTable>();
  if (!deepSkyImages->images.empty()) return true;
  std::int64_t offset = 0, length = 0;
  std::FILE* file = path != nullptr ? openFileWithSize(path, "r", &offset, &length) : nullptr;
  if (file == nullptr) return false;
  readDeepSkyImageIndex(file, length, folder, deepSkyImages->images);
  std::fclose(file);
  return true;
}

bool CSkyChart::isDeepSkyImageVisible(const DeepSkyImage& image, TextureVertex vertices[4]) const {
  for (int k = 0; k < 4; ++k) {
    TextureVertex& vertex = vertices[k];
    vertex = TextureVertex{};
    vertex.x = image.corners[k][0];
    vertex.y = image.corners[k][1];
    vertex.z = image.corners[k][2];
    double x, y;
    if (!vectorToScreenDepth(image.corners[k], &x, &y, &vertex.depth)) return false;
    vertex.visible = 1;
    vertex.brightness = 255;
    vertex.screenX = static_cast<float>(x);
    vertex.screenY = static_cast<float>(y);
  }
  const double least = viewportDiagonal(*this) / 20;
  if (!(screenDiagonal(vertices) >= least)) return false;
  auto inView = [&](int a, int b, int c) {
    return isTriangleInViewport(vertices[a].screenX, vertices[a].screenY, vertices[b].screenX,
                                vertices[b].screenY, vertices[c].screenX, vertices[c].screenY);
  };
  return inView(0, 1, 2) || inView(2, 3, 0);
}

void CSkyChart::drawDeepSkyImage(const DeepSkyImage& image, const TextureVertex vertices[4]) {
  const double k = viewportDiagonal(*this) * kSmallestShare;
  const float a = static_cast<float>(std::fmin((screenDiagonal(vertices) - k) / (2 * k), 1.0));
  TextureStyle style;
  style.flags = kTextureAdditive;
  beginTextureTriangles(&style, image.texture);
  style.red = style.green = style.blue = a;
  TextureVertex corners[4];
  const float w = static_cast<float>(image.texture.width), h = static_cast<float>(image.texture.height);
  const float texels[4][2] = {{0, 0}, {w, 0}, {w, h}, {0, h}};
  for (int i = 0; i < 4; ++i) {
    corners[i] = vertices[i];
    corners[i].u = texels[i][0];
    corners[i].v = texels[i][1];
  }
  addStyledTextureTriangle(style, corners[0], corners[1], corners[2]);
  addStyledTextureTriangle(style, corners[2], corners[3], corners[0]);
  flushTextureTrianglesStyled(style);
}

void CSkyChart::drawDeepSkyImages() {
  // Pictures are drawn by GL alone, and only while the option asks for
  // them: the sky view loads the index but turns the pictures off.
  if (!showDeepSkyImages || cgContext != nullptr || deepSkyImages == nullptr) return;
  if (displayFOV > kDeepSkyVeryWideField || skyBrightness > kBrightSky) return;
  const char* variant = deepSkyImageVariant(std::fabs(getProjectionScaleX()) * kArcsecondsPerRadian);
  const std::size_t prefix = std::strlen(variant);
  for (DeepSkyImage& image : deepSkyImages->images) {
    if (image.ra == 0 && image.dec == 0) continue;
    TextureVertex vertices[4];
    if (std::strncmp(image.file, variant, prefix) != 0 || !isDeepSkyImageVisible(image, vertices)) {
      if (isTextureLoaded(&image.texture)) releaseTexture(&image.texture);
      continue;
    }
    if ((!isTextureLoaded(&image.texture) || glResetPending) && !image.unreadable) {
      releaseTexture(&image.texture);
      char path[1024];
      const int n = std::snprintf(path, sizeof path, "%s/DeepSky/%s", imageDirectory, image.file);
      // A missing or damaged picture is not read again every frame.
      image.unreadable = n <= 0 || n >= static_cast<int>(sizeof path) ||
                         !loadTextureFile(&image.texture, path);
    }
    if (isTextureLoaded(&image.texture)) drawDeepSkyImage(image, vertices);
  }
}

void CSkyChart::releaseDeepSkyImageTextures() {
  if (deepSkyImages == nullptr) return;
  for (DeepSkyImage& image : deepSkyImages->images) {
    releaseTexture(&image.texture);
    image.unreadable = false;
  }
}
