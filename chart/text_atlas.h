// CTextAtlas: the characters of one font at one pixel size rendered once
// into a texture, measured and drawn as textured quads; or, in glyph mode,
// the Greek letters of the Bayer designations by glyph number.
//
// The bitmap is rendered when the atlas is built; the GL texture is made
// from it on the first draw, so that an atlas used only for measuring (the
// 2-D back end) never touches GL.
//
// Thread rules: the chart's GL thread only.
#pragma once

#include <cstdint>
#include <memory>

#include "chart/chart_types.h"

namespace cg {
class Context;
}

// Entries of a text atlas: the printable characters 32 to 126, then 161,
// the degree sign of the Mac OS Roman encoding of the chart's strings.
inline constexpr int kTextAtlasCharacters = 95 + 1;
// Bayer letter codes 'a' to 'z' of the glyph atlas.
inline constexpr int kBayerGlyphCount = 26;
// Most characters one drawString call draws.
inline constexpr int kMaxDrawnCharacters = 120;

// The Greek letter a Bayer code stands for (Unicode); the symbol-font codes
// without a Greek letter of their own ('j', 'v') show alpha. 0 outside
// 'a'..'z'.
char32_t bayerCodeCharacter(char code);

class CTextAtlas {
 public:
  CTextAtlas();
  ~CTextAtlas();
  CTextAtlas(const CTextAtlas&) = delete;
  CTextAtlas& operator=(const CTextAtlas&) = delete;

  // 8-bit characters (Mac OS Roman), at most 256.
  void initWithCharacters(const unsigned char* characters, int count, const char* font,
                          float pointSize);
  // Glyph numbers of the font, at most 128.
  void initWithGlyphs(const std::uint16_t* glyphs, int count, const char* font,
                      float pointSize);
  // Renders the entries and measures their cells.
  void build();

  // Cell of a character: entry (c & 255) - 32, the last entry for any
  // character beyond the list; an empty cell below 32.
  GRect charRect(unsigned char c) const;
  // Cell of the first entry with that glyph; empty when absent.
  GRect glyphRect(std::uint16_t glyph) const;
  float stringWidth(const char* characters, int count) const;
  // Draws at most 120 characters with the baseline at y (GL); returns the
  // advance. With `draw` off only the advance is worked out.
  float drawString(const char* characters, int count, float x, float y, bool draw = true);
  float drawGlyphs(const std::uint16_t* glyphs, int count, float x, float y, bool draw = true);

  // The GL texture, made from the rendered bitmap when first asked for; 0
  // without one.
  unsigned ensureTexture();
  // Forgets the texture name without deleting it in GL (the context is
  // gone).
  void forgetTexture() { texture = 0; }
  std::uint16_t glyphAt(int i) const { return i >= 0 && i < count ? glyphs[i] : 0; }
  // Rendered pixels, premultiplied RGBA rows from the top, while the
  // texture has not been made (tests).
  const std::uint8_t* bitmapPixels() const;

  char name[256] = {};
  unsigned texture = 0;
  int contentWidth = 0, contentHeight = 0;
  int textureWidth = 0, textureHeight = 0;
  char fontName[256] = {};
  float pointSize = 0;
  unsigned char characters[256] = {};
  std::uint16_t glyphs[128] = {};
  std::uint16_t glyphLookup[128] = {};
  float cellX[256] = {}, cellY[256] = {}, cellWidth[256] = {}, cellHeight[256] = {};
  int count = 0;
  float ascender = 0, descender = 0;
  bool glyphMode = false;
  std::uint64_t lastUse = 0;  // the chart's use counter at the last lookup
  bool fontFound = false;

 private:
  // One quad per cell into the vertex arrays and the draw (GL).
  void drawQuads(int quads, bool strip);
  std::unique_ptr<cg::Context> bitmap_;
  float positions_[kMaxDrawnCharacters * 6 * 2] = {};
  float texCoords_[kMaxDrawnCharacters * 6 * 2] = {};
};
