// Glyphs of one face at one pixel size, through FreeType, for the chart's
// glyph atlases.
//
// Thread rules: a face belongs to one thread at a time; any number of
// faces may be opened and used on different threads at once (opening and
// closing share one FreeType library under a lock).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/coregraphics/color.h"
#include "platform/coregraphics/context.h"
#include "platform/coregraphics/geometry.h"

namespace cg {

class GlyphFace {
 public:
  // The face fontconfig resolves for `faceName` (the system font when the
  // name is unknown) at `pixelSize` pixels to the em. Null with a short
  // reason when the size is not positive and finite (nor above 4096) or no
  // face file can be read.
  static std::unique_ptr<GlyphFace> open(std::string_view faceName, double pixelSize,
                                         std::string* message = nullptr);
  ~GlyphFace();
  GlyphFace(const GlyphFace&) = delete;
  GlyphFace& operator=(const GlyphFace&) = delete;

  const std::string& requestedName() const { return requestedName_; }
  const std::string& familyName() const { return family_; }
  const std::string& filePath() const { return file_; }
  bool isFallback() const { return fallback_; }
  double pixelSize() const { return pixelSize_; }
  unsigned unitsPerEm() const;
  unsigned glyphCount() const;
  // Unrounded, in pixels: above the baseline (positive) and below it
  // (negative).
  double ascender() const { return ascender_; }
  double descender() const { return descender_; }

  // The glyph of a character; 0 (the missing glyph) when the face lacks it.
  unsigned glyphForCharacter(char32_t character) const;
  // Horizontal advance in pixels, unhinted (the design advance scaled to
  // the size); 0 for a glyph the face does not have.
  double advance(unsigned glyph);
  double characterAdvance(char32_t character) { return advance(glyphForCharacter(character)); }

  // Draws the glyph's coverage in `color` with its origin on the baseline
  // at `origin` (user space of the context; only the translation of the
  // context's transform applies: glyphs stay upright and unscaled in the
  // bitmap, positioned to a fraction of a pixel). Uses the context's alpha
  // and blend mode. Returns the advance.
  double drawGlyph(Context& context, unsigned glyph, Point origin, const Color& color);
  double drawCharacter(Context& context, char32_t character, Point origin, const Color& color) {
    return drawGlyph(context, glyphForCharacter(character), origin, color);
  }

 private:
  GlyphFace() = default;
  struct Impl;
  std::unique_ptr<Impl> impl_;
  std::string requestedName_, family_, file_;
  bool fallback_ = false;
  double pixelSize_ = 0, ascender_ = 0, descender_ = 0;
};

}  // namespace cg
