// Interface text through Pango: measuring and drawing strings, with word
// wrapping, a line limit, alignment and runs of fonts and colours.
//
// Text is UTF-8 (invalid bytes show as U+FFFD). Layout does not depend on
// the context a text is drawn in: glyph positions are not hinted, so a
// measured width is the width drawn at any scale. Drawing assumes y grows
// downwards in user space (the interface layer's flipped contexts): a
// text's first line has its top at the given point.
//
// Thread rules: any thread may measure and draw at any time; each thread
// keeps its own Pango objects.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/coregraphics/color.h"
#include "platform/coregraphics/context.h"
#include "platform/coregraphics/font.h"
#include "platform/coregraphics/geometry.h"

namespace cg {

enum class TextAlignment { left, center, right, justified, natural };

enum class LineBreakMode {
  wordWrap,        // break between words; a word longer than a line breaks anywhere
  charWrap,        // break anywhere
  clip,            // one line per paragraph, cut at the edge
  truncateHead,    // one line, "…" replaces what does not fit
  truncateTail,
  truncateMiddle,
};

// A range of the text (bytes of UTF-8) with its own font and/or colour.
struct TextRun {
  std::size_t start = 0;
  std::size_t length = 0;
  std::shared_ptr<const Font> font;  // null: the text's default font
  std::optional<Color> color;        // none: the text's default colour
};

struct AttributedString {
  std::string text;
  std::vector<TextRun> runs;
};

struct TextLayoutOptions {
  // Lines are no wider than this; 0 or infinite: no limit (no wrapping).
  double maxWidth = 0;
  // Lines whose bottom lies below this are left out; 0 or infinite: no limit.
  double maxHeight = 0;
  int maxLines = 0;  // 0: any number
  LineBreakMode lineBreak = LineBreakMode::wordWrap;
  TextAlignment alignment = TextAlignment::left;
};

// Width of the text on one line (its advances; kerning applies).
double stringWidth(std::string_view text, const Font& font);

// Size of the text laid out under the options: the widest line and the
// height of the lines kept. Origin (0, 0).
Size textSize(std::string_view text, const Font& font, const TextLayoutOptions& options = {});
Size textSize(const AttributedString& text, const Font& defaultFont,
              const TextLayoutOptions& options = {});

// Draws the text with its first line's top-left at `point` (one line per
// paragraph, no wrapping), in the colour.
void drawString(Context& context, std::string_view text, Point point, const Font& font,
                const Color& color);

// Draws the text in the rectangle: lines wrap at its width and are aligned
// within it; lines below its bottom, or past the options' line limit, are
// left out. The rectangle's width and height replace the options' limits.
void drawString(Context& context, std::string_view text, const Rect& rect, const Font& font,
                const Color& color, const TextLayoutOptions& options = {});
void drawAttributedString(Context& context, const AttributedString& text, const Rect& rect,
                          const Font& defaultFont, const Color& defaultColor,
                          const TextLayoutOptions& options = {});

}  // namespace cg
