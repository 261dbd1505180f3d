// The triangle buffer shared by the feathered lines and the textured
// layers, the seam of the horizontally wrapping projections, and the
// chart's textures made from images.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "chart/gl_api.h"
#include "chart/image_files.h"
#include "chart/sky_chart.h"
#include "skydata/open_file.h"

namespace {

// A triangle is taken only while fewer vertices than this are held, so at
// most 65535 are ever held.
constexpr int kTriangleVertexLimit = kChartVertexCapacity - 3;
// One turn of longitude as the projections count it.
constexpr double kTurn = 6.283185307178;

}  // namespace

bool CSkyChart::addColorTriangle(const float positions[3][2], const float colors[3][4]) {
  if (vertexCount >= kTriangleVertexLimit) {
    std::fprintf(stderr,
                 "CSkyChart::addTextureTriangle() adding more points than buffer allocation; "
                 "ignoring triangle.\n");
    return false;
  }
  for (int i = 0; i < 3; ++i) {
    int v = vertexCount + i;
    vertexBuffer[2 * v] = positions[i][0];
    vertexBuffer[2 * v + 1] = positions[i][1];
    for (int c = 0; c < 4; ++c) colorBuffer[4 * v + c] = colors[i][c];
  }
  vertexCount += 3;
  return true;
}

float CSkyChart::shiftAcrossProjectionSeam(float x) const {
  float centre = viewportCenterX;
  if (x == centre) return x;
  float turn = static_cast<float>(kTurn / std::fabs(getProjectionScaleX()));
  return x > centre ? x - turn : x + turn;
}

// ---- Textures from images ----

void CSkyChart::makeTextureFromImage(TextureData* texture, const GImage* image) {
  if (texture == nullptr) return;
  texture->name = GImageToGLTexture(image);
  texture->width = getImageWidth(image);
  texture->height = getImageHeight(image);
}

GImage* CSkyChart::prepareTextureImage(GImage* image) {
  if (image == nullptr) return nullptr;
  if (colorFilterMode != 0 && image->components > 1) {
    // Grey as the colour filter weighs it, in whole sample values.
    std::uint64_t count = std::uint64_t{image->width} * image->height;
    std::uint32_t c = image->components;
    for (std::uint64_t i = 0; i < count; ++i) {
      if (image->bitsPerComponent == 16) {
        std::uint16_t s[4];
        std::memcpy(s, image->pixels + 2 * i * c, 2 * c);
        s[0] = s[1] = s[2] = static_cast<std::uint16_t>((3u * s[0] + 6u * s[1] + s[2]) / 10);
        std::memcpy(image->pixels + 2 * i * c, s, 2 * c);
      } else {
        unsigned char* p = image->pixels + i * c;
        p[0] = p[1] = p[2] = static_cast<unsigned char>((3u * p[0] + 6u * p[1] + p[2]) / 10);
      }
    }
  }
  std::uint32_t larger = std::max(image->width, image->height);
  std::uint32_t limit = static_cast<std::uint32_t>(std::max(maxTextureSize, 1));
  if (larger > limit) {
    // A long thin image keeps a side of at least one pixel.
    std::uint32_t w = std::max<std::uint32_t>(1, static_cast<std::uint32_t>(std::uint64_t{limit} * image->width / larger));
    std::uint32_t h = std::max<std::uint32_t>(1, static_cast<std::uint32_t>(std::uint64_t{limit} * image->height / larger));
    image = scaleImage(image, w, h, true);
  }
  return image;
}

bool CSkyChart::loadTextureFile(TextureData* texture, const char* path) {
  if (texture == nullptr) return false;
  *texture = TextureData{};
  std::int64_t offset = 0, length = 0;
  std::FILE* file = openFileWithSize(path, "rb", &offset, &length);
  if (file == nullptr) return false;
  GImage* image = readImageFile(file);
  std::fclose(file);
  if (image == nullptr) return false;
  image = prepareTextureImage(image);
  makeTextureFromImage(texture, image);
  freeImage(image);
  return texture->name != 0;
}

bool CSkyChart::isTextureLoaded(const TextureData* texture) {
  return texture != nullptr && texture->name != 0;
}

void CSkyChart::releaseTexture(TextureData* texture) {
  if (texture == nullptr) return;
  if (texture->name != 0 && glResourcesLive) {
    GLuint name = texture->name;
    glDeleteTextures(1, &name);
    GLenum error = glGetError();
    if (error != GL_NO_ERROR) std::fprintf(stderr, "glDeleteTextures returned %x\n", error);
  }
  *texture = TextureData{};
}
