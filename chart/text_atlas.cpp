// Glyph atlases: building, measuring and drawing CTextAtlas, and the
// chart's short list of atlases keyed by font and size.
#include "chart/text_atlas.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "chart/gl_api.h"
#include "chart/latin_fold_table.h"
#include "chart/shader_program.h"
#include "chart/sky_chart.h"
#include "platform/coregraphics/context.h"
#include "platform/coregraphics/glyph_face.h"
#include "platform/coregraphics/mac_roman.h"
#include "skydata/bayer_letters.h"
#include "support/utf8.h"

namespace {

// Entries per row and rows of an atlas; pixels between entries in a row.
constexpr int kEntriesPerRow = 16;
constexpr int kMaxRows = 16;
constexpr int kEntryGap = 2;
// Rows are one and a half times the font's height, so that accents and
// descenders of neighbouring rows never bleed into a cell.
constexpr float kRowHeightFactor = 1.5f;
// The face of the Bayer letters.
constexpr char kGlyphFontName[] = "Arial";
// Greek small letters in Unicode start at alpha; final sigma sits between
// rho and sigma.
constexpr char32_t kGreekSmallAlpha = 0x03B1;
constexpr int kGreekRhoIndex = 16;

int nextPowerOfTwo(int n) {
  int p = 1;
  while (p < n && p < (1 << 30)) p <<= 1;
  return p;
}

void copyName(char* out, std::size_t size, const char* text) {
  std::snprintf(out, size, "%s", text != nullptr ? text : "");
}

}  // namespace

char32_t bayerCodeCharacter(char code) {
  if (code < 'a' || code > 'z') return 0;
  const char* found = std::strchr(greekLetterSymbols, code);
  if (found == nullptr) return kGreekSmallAlpha;
  int index = static_cast<int>(found - greekLetterSymbols);
  return kGreekSmallAlpha + static_cast<char32_t>(index) + (index > kGreekRhoIndex ? 1 : 0);
}

CTextAtlas::CTextAtlas() = default;

CTextAtlas::~CTextAtlas() {
  if (texture != 0) glDeleteTextures(1, &texture);
}

void CTextAtlas::initWithCharacters(const unsigned char* list, int n, const char* font,
                                    float size) {
  count = std::clamp(n, 0, 256);
  if (list != nullptr) std::memcpy(characters, list, static_cast<std::size_t>(count));
  copyName(fontName, sizeof fontName, font);
  pointSize = size;
  glyphMode = false;
  build();
}

void CTextAtlas::initWithGlyphs(const std::uint16_t* list, int n, const char* font,
                                float size) {
  count = std::clamp(n, 0, 128);
  if (list != nullptr) {
    std::copy(list, list + count, glyphs);
    std::copy(list, list + count, glyphLookup);
  }
  copyName(fontName, sizeof fontName, font);
  pointSize = size;
  glyphMode = true;
  build();
}

void CTextAtlas::build() {
  bitmap_.reset();
  std::fill(std::begin(cellX), std::end(cellX), 0.0f);
  std::fill(std::begin(cellY), std::end(cellY), 0.0f);
  std::fill(std::begin(cellWidth), std::end(cellWidth), 0.0f);
  std::fill(std::begin(cellHeight), std::end(cellHeight), 0.0f);
  contentWidth = contentHeight = textureWidth = textureHeight = 0;
  ascender = descender = 0;
  std::unique_ptr<cg::GlyphFace> face = cg::GlyphFace::open(fontName, pointSize);
  fontFound = face != nullptr;
  if (!face) return;
  ascender = static_cast<float>(face->ascender());
  descender = static_cast<float>(face->descender());
  float rowHeight = kRowHeightFactor * (ascender - descender);

  float advances[256] = {};
  for (int i = 0; i < count; ++i)
    advances[i] = static_cast<float>(glyphMode ? face->advance(glyphs[i])
                                               : face->characterAdvance(
                                                     cg::macRomanToUnicode(characters[i])));
  int rows = std::min((count + kEntriesPerRow - 1) / kEntriesPerRow, kMaxRows);
  int entries = std::min(count, rows * kEntriesPerRow);
  float widest = 0;
  int height = 0;
  for (int r = 0; r < rows; ++r) {
    int first = r * kEntriesPerRow, n = std::min(kEntriesPerRow, entries - first);
    float width = static_cast<float>(kEntryGap * (n - 1));
    for (int i = 0; i < n; ++i) width += advances[first + i];
    widest = std::max(widest, width);
    height = static_cast<int>(static_cast<float>(height) + rowHeight);
  }
  contentWidth = static_cast<int>(std::ceil(widest));
  contentHeight = height;
  if (contentWidth <= 0 || contentHeight <= 0) return;
  textureWidth = nextPowerOfTwo(contentWidth);
  textureHeight = nextPowerOfTwo(contentHeight);

  cg::BitmapFormat format;
  format.layout = cg::PixelLayout::premultipliedRGBA;
  std::string message;
  bitmap_ = cg::Context::createBitmap(static_cast<std::size_t>(textureWidth),
                                      static_cast<std::size_t>(textureHeight), format, &message);
  const cg::Color white{1, 1, 1, 1};
  for (int r = 0; r < rows; ++r) {
    // y upwards from the bitmap's bottom, as the context draws.
    double baseline = textureHeight - (r + 1) * rowHeight - descender;
    float x = 0;
    for (int i = r * kEntriesPerRow; i < std::min(entries, (r + 1) * kEntriesPerRow); ++i) {
      cellX[i] = x;
      cellY[i] = r * rowHeight + 1;
      cellWidth[i] = advances[i];
      cellHeight[i] = rowHeight;
      if (bitmap_) {
        if (glyphMode)
          face->drawGlyph(*bitmap_, glyphs[i], {x, baseline}, white);
        else
          face->drawCharacter(*bitmap_, cg::macRomanToUnicode(characters[i]), {x, baseline},
                              white);
      }
      x += advances[i] + kEntryGap;
    }
  }
}

const std::uint8_t* CTextAtlas::bitmapPixels() const {
  return bitmap_ ? bitmap_->data() : nullptr;
}

unsigned CTextAtlas::ensureTexture() {
  if (texture != 0 || !bitmap_) return texture;
  GLint previous = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, textureWidth, textureHeight, 0, GL_RGBA,
               GL_UNSIGNED_BYTE, bitmap_->data());
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
  bitmap_.reset();
  return texture;
}

GRect CTextAtlas::charRect(unsigned char c) const {
  int index = static_cast<int>(c) - 32;
  // Control characters have no cell.
  if (index < 0 || count == 0) return {};
  if (index >= count) index = count - 1;
  return {cellX[index], cellY[index], cellWidth[index], cellHeight[index]};
}

GRect CTextAtlas::glyphRect(std::uint16_t glyph) const {
  for (int i = 0; i < count; ++i)
    if (glyphLookup[i] == glyph) return {cellX[i], cellY[i], cellWidth[i], cellHeight[i]};
  return {};
}

// The atlas character at text[*i], moving *i past it. Catalogue names are
// UTF-8: a well-formed Latin letter with diacritics is drawn as its base
// letter (each of its bytes would otherwise draw as a degree sign); any
// other byte, the chart's own degree sign 161 among them, is one character.
static unsigned char nextAtlasCharacter(const char* text, int n, int* i) {
  const unsigned char byte = static_cast<unsigned char>(text[*i]);
  std::size_t length = 0;
  const char32_t code = byte < 0x80 ? 0 : utf8FirstCharacter({text + *i, static_cast<std::size_t>(n - *i)}, &length);
  if (length < 2) {
    ++*i;
    return byte;
  }
  *i += static_cast<int>(length);
  if (code < kLatinFoldFirst || code > kLatinFoldLast) return '?';
  return kLatinFoldTable[code - kLatinFoldFirst];
}

float CTextAtlas::stringWidth(const char* text, int n) const {
  float width = 0;
  for (int i = 0; i < n;) width += charRect(nextAtlasCharacter(text, n, &i)).width;
  return width;
}

void CTextAtlas::drawQuads(int vertices, bool strip) {
  const ChartShaderLocations& l = chartShader().locations;
  if (l.position < 0 || ensureTexture() == 0) return;
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, texture);
  glUniform1i(l.texture, 0);
  glUniform1i(l.useTexture, 1);
  glUniform1i(l.useMaterial, 0);
  GLuint position = static_cast<GLuint>(l.position);
  glEnableVertexAttribArray(position);
  glVertexAttribPointer(position, strip ? 3 : 2, GL_FLOAT, GL_FALSE, 0, positions_);
  bool textured = l.texCoord >= 0;
  if (textured) {
    glEnableVertexAttribArray(static_cast<GLuint>(l.texCoord));
    glVertexAttribPointer(static_cast<GLuint>(l.texCoord), 2, GL_FLOAT, GL_FALSE, 0, texCoords_);
  }
  glDrawArrays(strip ? GL_TRIANGLE_STRIP : GL_TRIANGLES, 0, vertices);
  glDisableVertexAttribArray(position);
  if (textured) glDisableVertexAttribArray(static_cast<GLuint>(l.texCoord));
  glUniform1i(l.useTexture, 0);
}

float CTextAtlas::drawString(const char* text, int n, float x, float y, bool draw) {
  // A name cut at the limit loses a whole character, not half of one.
  n = static_cast<int>(utf8PrefixLength({text, static_cast<std::size_t>(std::max(n, 0))},
                                        kMaxDrawnCharacters));
  float advance = 0;
  int vertices = 0;
  float W = static_cast<float>(textureWidth), H = static_cast<float>(textureHeight);
  for (int i = 0; i < n;) {
    GRect cell = charRect(nextAtlasCharacter(text, n, &i));
    if (cell.width <= 0 || cell.height <= 0) continue;
    float left = x + advance, right = left + cell.width;
    float bottom = y - descender, top = bottom - cell.height;
    float u0 = cell.x / W, u1 = (cell.x + cell.width) / W;
    float vTop = cell.y / H, vBottom = (cell.y + cell.height) / H;
    const float quad[6][4] = {{left, top, u0, vTop},         {right, top, u1, vTop},
                              {left, bottom, u0, vBottom},   {right, top, u1, vTop},
                              {right, bottom, u1, vBottom},  {left, bottom, u0, vBottom}};
    for (const auto& corner : quad) {
      positions_[2 * vertices] = corner[0];
      positions_[2 * vertices + 1] = corner[1];
      texCoords_[2 * vertices] = corner[2];
      texCoords_[2 * vertices + 1] = corner[3];
      ++vertices;
    }
    advance += cell.width;
  }
  if (draw && vertices > 0) drawQuads(vertices, false);
  return advance;
}

float CTextAtlas::drawGlyphs(const std::uint16_t* list, int n, float x, float y, bool draw) {
  float advance = 0;
  float W = static_cast<float>(textureWidth), H = static_cast<float>(textureHeight);
  for (int i = 0; i < n; ++i) {
    GRect cell = glyphRect(list[i]);
    if (cell.width <= 0 || cell.height <= 0) continue;
    float left = x + advance, right = left + cell.width;
    float bottom = y - descender, top = bottom - cell.height;
    float u0 = cell.x / W, u1 = (cell.x + cell.width) / W;
    float vTop = cell.y / H, vBottom = (cell.y + cell.height) / H;
    const float strip[4][4] = {{left, top, u0, vTop},
                               {right, top, u1, vTop},
                               {left, bottom, u0, vBottom},
                               {right, bottom, u1, vBottom}};
    for (int k = 0; k < 4; ++k) {
      positions_[3 * k] = strip[k][0];
      positions_[3 * k + 1] = strip[k][1];
      positions_[3 * k + 2] = 0;
      texCoords_[2 * k] = strip[k][2];
      texCoords_[2 * k + 1] = strip[k][3];
    }
    if (draw) drawQuads(4, true);
    advance += cell.width;
  }
  return advance;
}

// ---- The chart's atlases ----

namespace {

CTextAtlas* findAtlas(CTextAtlas* const* atlases, int count, const char* name) {
  for (int i = 0; i < count; ++i)
    if (std::strcmp(atlases[i]->name, name) == 0) return atlases[i];
  return nullptr;
}

}  // namespace

CTextAtlas* CSkyChart::getTextAtlas() {
  int height = static_cast<int>(textHeight);
  if (lastTextAtlas != nullptr && height == lastTextAtlasHeight &&
      std::strcmp(fontName, lastTextAtlasFont) == 0) {
    lastTextAtlas->lastUse = ++atlasUseCounter;
    return lastTextAtlas;
  }
  char name[256];
  std::snprintf(name, sizeof name, "%s:%d", fontName, static_cast<int>(textHeight));
  CTextAtlas* atlas = findAtlas(atlases, atlasCount, name);
  if (atlas == nullptr) atlas = createTextAtlas(name);
  if (atlas != nullptr) {
    atlas->lastUse = ++atlasUseCounter;
    lastTextAtlas = atlas;
    lastTextAtlasHeight = height;
    std::memcpy(lastTextAtlasFont, fontName, sizeof lastTextAtlasFont);
  }
  return atlas;
}

CTextAtlas* CSkyChart::getGlyphAtlas() {
  char name[256];
  std::snprintf(name, sizeof name, "%s:%d-Glyphs", kGlyphFontName, static_cast<int>(textHeight));
  CTextAtlas* atlas = findAtlas(atlases, atlasCount, name);
  if (atlas == nullptr) atlas = createGlyphAtlas(name);
  if (atlas != nullptr) atlas->lastUse = ++atlasUseCounter;
  return atlas;
}

namespace {

// Room for a new atlas in the chart's list: a free slot, or the one of the
// least recently used atlas, which is deleted. Returns the slot.
int freeAtlasSlot(CTextAtlas** atlases, int& count, bool live, CTextAtlas*& lastTextAtlas) {
  if (count < kMaxTextAtlases) return count++;
  int oldest = 0;
  for (int i = 1; i < count; ++i)
    if (atlases[i]->lastUse < atlases[oldest]->lastUse) oldest = i;
  if (!live) atlases[oldest]->forgetTexture();
  if (atlases[oldest] == lastTextAtlas) lastTextAtlas = nullptr;
  delete atlases[oldest];
  atlases[oldest] = nullptr;
  return oldest;
}

}  // namespace

CTextAtlas* CSkyChart::createTextAtlas(const char* name) {
  unsigned char list[kTextAtlasCharacters];
  for (int i = 0; i < 95; ++i) list[i] = static_cast<unsigned char>(32 + i);
  list[95] = 161;  // the degree sign
  auto atlas = std::make_unique<CTextAtlas>();
  std::snprintf(atlas->name, sizeof atlas->name, "%s", name);
  atlas->initWithCharacters(list, kTextAtlasCharacters, fontName, textHeight);
  int slot = freeAtlasSlot(atlases, atlasCount, glResourcesLive, lastTextAtlas);
  atlases[slot] = atlas.release();
  return atlases[slot];
}

CTextAtlas* CSkyChart::createGlyphAtlas(const char* name) {
  std::uint16_t list[kBayerGlyphCount] = {};
  std::unique_ptr<cg::GlyphFace> face = cg::GlyphFace::open(kGlyphFontName, textHeight);
  for (int i = 0; face && i < kBayerGlyphCount; ++i)
    list[i] = static_cast<std::uint16_t>(
        face->glyphForCharacter(bayerCodeCharacter(static_cast<char>('a' + i))));
  auto atlas = std::make_unique<CTextAtlas>();
  std::snprintf(atlas->name, sizeof atlas->name, "%s", name);
  atlas->initWithGlyphs(list, kBayerGlyphCount, kGlyphFontName, textHeight);
  int slot = freeAtlasSlot(atlases, atlasCount, glResourcesLive, lastTextAtlas);
  atlases[slot] = atlas.release();
  return atlases[slot];
}

float CSkyChart::drawTextString(const char* text, int count, float x, float y) {
  CTextAtlas* atlas = getTextAtlas();
  if (atlas == nullptr) return 0;
  bool draw = cgContext == nullptr;
  if (draw) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  }
  float advance = atlas->drawString(text, count, x, y, draw);
  if (draw) glDisable(GL_BLEND);
  return advance;
}

float CSkyChart::drawGlyphString(const std::uint16_t* glyphs, int count, float x, float y) {
  CTextAtlas* atlas = getGlyphAtlas();
  if (atlas == nullptr) return 0;
  bool draw = cgContext == nullptr;
  if (draw) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  }
  float advance = atlas->drawGlyphs(glyphs, count, x, y, draw);
  if (draw) glDisable(GL_BLEND);
  return advance;
}

float CSkyChart::getTextWidth(const char* text, int length) {
  if (text == nullptr) return 0;
  CTextAtlas* atlas = getTextAtlas();
  if (atlas == nullptr) return 0;
  int n = length > 0 ? length : static_cast<int>(std::strlen(text));
  return atlas->stringWidth(text, n);
}

void CSkyChart::releaseTextAtlases() {
  lastTextAtlas = nullptr;
  for (int i = 0; i < atlasCount; ++i) {
    if (!glResourcesLive) atlases[i]->forgetTexture();
    delete atlases[i];
    atlases[i] = nullptr;
  }
  atlasCount = 0;
}
