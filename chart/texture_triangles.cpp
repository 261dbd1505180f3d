// The triangle buffer shared by the feathered lines and the textured
// layers, the seam of the horizontally wrapping projections, and the
// chart's textures made from images.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "chart/gl_api.h"
#include "chart/gl_error_reports.h"
#include "chart/image_files.h"
#include "chart/shader_program.h"
#include "chart/sky_chart.h"
#include "platform/coregraphics/context.h"
#include "skydata/open_file.h"

namespace {

// A triangle is taken only while fewer vertices than this are held, so at
// most 65535 are ever held.
constexpr int kTriangleVertexLimit = kChartVertexCapacity - 3;
// Writes a triangle's corners after the vertices held, or refuses it with the
// message when the buffer has no room; the caller adds its other attributes
// and counts the vertices.
bool placeTriangle(int vertexCount, float* vertexBuffer, const float positions[3][2]) {
  if (vertexCount >= kTriangleVertexLimit) {
    std::fprintf(stderr,
                 "CSkyChart::addTextureTriangle() adding more points than buffer allocation; "
                 "ignoring triangle.\n");
    return false;
  }
  for (int i = 0; i < 3; ++i) {
    vertexBuffer[2 * (vertexCount + i)] = positions[i][0];
    vertexBuffer[2 * (vertexCount + i) + 1] = positions[i][1];
  }
  return true;
}

// One turn of longitude as the projections count it.
constexpr double kTurn = 6.283185307178;

}  // namespace

bool CSkyChart::addColorTriangle(const float positions[3][2], const float colors[3][4]) {
  if (!placeTriangle(vertexCount, vertexBuffer, positions)) return false;
  for (int i = 0; i < 3; ++i) {
    int v = vertexCount + i;
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

bool CSkyChart::addTextureTriangle(const float positions[3][2], const float texCoords[3][2],
                                   const std::uint8_t* grey, const float* color) {
  if (!placeTriangle(vertexCount, vertexBuffer, positions)) return false;
  for (int i = 0; i < 3; ++i) {
    int v = vertexCount + i;
    texCoordBuffer[2 * v] = texCoords[i][0];
    texCoordBuffer[2 * v + 1] = texCoords[i][1];
    if (grey == nullptr) continue;
    float level = grey[i] / 255.0f;
    float* out = colorBuffer + 4 * v;
    if (color != nullptr) {
      out[0] = color[0] * level;
      out[1] = color[1] * level;
      out[2] = color[2] * level;
      out[3] = color[3];
    } else {
      out[0] = out[1] = out[2] = level;
      out[3] = 1;
    }
  }
  vertexCount += 3;
  return true;
}

void CSkyChart::flushTextureTriangles(unsigned texture, const float* color, std::uint32_t flags) {
  const ChartShaderLocations& l = chartShader().locations;
  // Sprites and pictures are drawn by GL alone; the 2-D back end drops them.
  if (vertexCount >= 3 && cgContext == nullptr && l.position >= 0) {
    bool additive = (flags & kTextureAdditive) != 0;
    bool alpha = (flags & kTextureAlphaBlend) != 0;
    glEnable(GL_BLEND);
    glBlendFunc(alpha && !additive ? GL_SRC_ALPHA : GL_ONE,
                additive ? GL_ONE : alpha ? GL_ONE_MINUS_SRC_ALPHA : GL_ZERO);
    bool vertexColors = (flags & kTextureVertexColors) != 0 && l.color >= 0;
    if (vertexColors) {
      glEnableVertexAttribArray(static_cast<GLuint>(l.color));
      glVertexAttribPointer(static_cast<GLuint>(l.color), 4, GL_FLOAT, GL_FALSE, 0, colorBuffer);
    } else if (color != nullptr) {
      setColor(color[0], color[1], color[2], 1);
    } else {
      setColor(1, 1, 1, 1);
    }
    glBindTexture(GL_TEXTURE_2D, texture);
    glActiveTexture(GL_TEXTURE0);
    glUniform1i(l.texture, 0);
    glUniform1i(l.useTexture, 1);
    glUniform1i(l.useMaterial, 0);
    GLuint position = static_cast<GLuint>(l.position);
    glEnableVertexAttribArray(position);
    glVertexAttribPointer(position, 2, GL_FLOAT, GL_FALSE, 0, vertexBuffer);
    if (l.texCoord >= 0) {
      glEnableVertexAttribArray(static_cast<GLuint>(l.texCoord));
      glVertexAttribPointer(static_cast<GLuint>(l.texCoord), 2, GL_FLOAT, GL_FALSE, 0,
                            texCoordBuffer);
    }
    glDrawArrays(GL_TRIANGLES, 0, vertexCount);
    glDisableVertexAttribArray(position);
    if (l.texCoord >= 0) glDisableVertexAttribArray(static_cast<GLuint>(l.texCoord));
    if (vertexColors) glDisableVertexAttribArray(static_cast<GLuint>(l.color));
    glUniform1i(l.useTexture, 0);
    glDisable(GL_BLEND);
  }
  vertexCount = 0;
}

void CSkyChart::flushTextureTrianglesStyled(const TextureStyle& style) {
  float color[3] = {style.red, style.green, style.blue};
  flushTextureTriangles(style.texture.name, color, style.flags);
}

void CSkyChart::flushTrianglesAdditiveColor() {
  const ChartShaderLocations& l = chartShader().locations;
  if (vertexCount >= 3 && cgContext == nullptr && l.position >= 0) {
    float sky[3];
    filterColor(sky, skyColor);
    for (int v = 0; v < vertexCount; ++v) {
      float* out = colorBuffer + 4 * v;
      out[0] = sky[0];
      out[1] = sky[1];
      out[2] = sky[2];
      out[3] = 0;
    }
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glUniform1i(l.useTexture, 0);
    glUniform1i(l.useMaterial, 0);
    GLuint position = static_cast<GLuint>(l.position);
    if (l.color >= 0) {
      glEnableVertexAttribArray(static_cast<GLuint>(l.color));
      glVertexAttribPointer(static_cast<GLuint>(l.color), 4, GL_FLOAT, GL_FALSE, 0, colorBuffer);
    }
    glEnableVertexAttribArray(position);
    glVertexAttribPointer(position, 2, GL_FLOAT, GL_FALSE, 0, vertexBuffer);
    glDrawArrays(GL_TRIANGLES, 0, vertexCount);
    glDisableVertexAttribArray(position);
    if (l.color >= 0) glDisableVertexAttribArray(static_cast<GLuint>(l.color));
    glDisable(GL_BLEND);
  }
  vertexCount = 0;
}

void CSkyChart::flushTrianglesFilled() {
  if (vertexCount >= 3 && cgContext != nullptr) {
    // One path for all, so that neighbours join without seams.
    cgContext->beginPath();
    for (int v = 0; v + 2 < vertexCount; v += 3) {
      cgContext->moveToPoint(vertexBuffer[2 * v], vertexBuffer[2 * v + 1]);
      cgContext->addLineToPoint(vertexBuffer[2 * v + 2], vertexBuffer[2 * v + 3]);
      cgContext->addLineToPoint(vertexBuffer[2 * v + 4], vertexBuffer[2 * v + 5]);
      cgContext->closePath();
    }
    cgContext->fillPath();
  } else if (vertexCount >= 3 && chartShader().locations.position >= 0) {
    const ChartShaderLocations& l = chartShader().locations;
    glUniform1i(l.useTexture, 0);
    glUniform1i(l.useMaterial, 0);
    GLuint position = static_cast<GLuint>(l.position);
    glEnableVertexAttribArray(position);
    glVertexAttribPointer(position, 2, GL_FLOAT, GL_FALSE, 0, vertexBuffer);
    glDrawArrays(GL_TRIANGLES, 0, vertexCount - vertexCount % 3);
    glDisableVertexAttribArray(position);
  }
  vertexCount = 0;
}

void CSkyChart::beginTextureTriangles(TextureStyle* style, const TextureData& texture) {
  style->texture = texture;
  if (colorFilterMode >= 1 && colorFilterMode <= 4) style->flags |= kTextureColorFiltered;
  clearTextureTriangles();
}

void CSkyChart::clearTextureTriangles() {
  vertexCount = 0;
  std::memset(vertexBuffer, 0, sizeof(float) * 2 * kChartVertexCapacity);
  std::memset(texCoordBuffer, 0, sizeof(float) * 2 * kChartVertexCapacity);
  std::memset(colorBuffer, 0, sizeof(float) * 4 * kChartVertexCapacity);
}

bool CSkyChart::isTextureTriangleVisible(const TextureVertex& a, const TextureVertex& b,
                                         const TextureVertex& c) const {
  return isTriangleInViewport(a.screenX, a.screenY, b.screenX, b.screenY, c.screenX, c.screenY);
}

bool CSkyChart::crossesProjectionSeam(const TextureVertex& p, const TextureVertex& q,
                                      const TextureVertex& r) const {
  if (p.depth > 0 || q.depth > 0 || r.depth > 0) return false;
  float centre = viewportCenterX;
  if (p.screenX < centre && q.screenX < centre && r.screenX > centre) return true;
  return p.screenX > centre && q.screenX > centre && r.screenX < centre;
}

bool CSkyChart::splitTriangleAtSeam(const TextureVertex& a, const TextureVertex& b,
                                    const TextureVertex& c, float out[2][3][2]) const {
  const TextureVertex* v[3] = {&a, &b, &c};
  for (int t = 0; t < 2; ++t)
    for (int i = 0; i < 3; ++i) {
      out[t][i][0] = v[i]->screenX;
      out[t][i][1] = v[i]->screenY;
    }
  int projection = getDisplayProjection();
  if (projection != 4 && projection != 5 && projection != 9) return false;
  bool split = false;
  for (int k = 0; k < 3; ++k) {
    int i = k, j = (k + 1) % 3, lone = (k + 2) % 3;
    if (!crossesProjectionSeam(*v[i], *v[j], *v[lone])) continue;
    out[0][lone][0] = shiftAcrossProjectionSeam(out[0][lone][0]);
    out[1][i][0] = shiftAcrossProjectionSeam(out[1][i][0]);
    out[1][j][0] = shiftAcrossProjectionSeam(out[1][j][0]);
    split = true;
  }
  return split;
}

bool CSkyChart::addStyledTextureTriangle(const TextureStyle& style, const TextureVertex& a,
                                         const TextureVertex& b, const TextureVertex& c) {
  if (!isTextureTriangleVisible(a, b, c)) return false;
  // An unloaded texture has no size: its coordinates stay in texels rather
  // than becoming infinite.
  float width = style.texture.width > 0 ? static_cast<float>(style.texture.width) : 1.0f;
  float height = style.texture.height > 0 ? static_cast<float>(style.texture.height) : 1.0f;
  const TextureVertex* v[3] = {&a, &b, &c};
  float texCoords[3][2];
  std::uint8_t grey[3];
  for (int i = 0; i < 3; ++i) {
    texCoords[i][0] = v[i]->u / width;
    texCoords[i][1] = v[i]->v / height;
    grey[i] = v[i]->brightness;
  }
  const std::uint8_t* levels = nullptr;
  const float* tint = nullptr;
  float color[4] = {style.red, style.green, style.blue, 1};
  if (style.flags & kTextureVertexColors) {
    levels = grey;
    if (style.red != 1 || style.green != 1 || style.blue != 1) tint = color;
  }
  float positions[2][3][2];
  bool split = splitTriangleAtSeam(a, b, c, positions);
  addTextureTriangle(positions[0], texCoords, levels, tint);
  if (split) addTextureTriangle(positions[1], texCoords, levels, tint);
  return true;
}

void CSkyChart::addSpriteQuad(const TextureData& atlas, const GRect& cell, const float color[4],
                              float x, float y, float r) {
  const float aw = atlas.width > 0 ? static_cast<float>(atlas.width) : 1.0f;
  const float ah = atlas.height > 0 ? static_cast<float>(atlas.height) : 1.0f;
  const float left = cell.x / aw, right = (cell.x + cell.width) / aw;
  const float top = cell.y / ah, bottom = (cell.y + cell.height) / ah;
  const float corners[4][2] = {{x - r, y + r}, {x + r, y + r}, {x - r, y - r}, {x + r, y - r}};
  const float texels[4][2] = {{left, bottom}, {right, bottom}, {left, top}, {right, top}};
  static constexpr std::uint8_t kFull[3] = {255, 255, 255};
  for (int first = 0; first < 2; ++first) {
    const float positions[3][2] = {{corners[first][0], corners[first][1]},
                                   {corners[first + 1][0], corners[first + 1][1]},
                                   {corners[first + 2][0], corners[first + 2][1]}};
    const float coordinates[3][2] = {{texels[first][0], texels[first][1]},
                                     {texels[first + 1][0], texels[first + 1][1]},
                                     {texels[first + 2][0], texels[first + 2][1]}};
    addTextureTriangle(positions, coordinates, kFull, color);
  }
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
    if (error != GL_NO_ERROR && firstGLErrorReport("glDeleteTextures", error))
      std::fprintf(stderr, "glDeleteTextures returned %x\n", error);
  }
  *texture = TextureData{};
}
