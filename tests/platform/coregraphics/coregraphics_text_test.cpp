// Interface text: wrapping, line limits, alignment, runs and drawing
// position, checked against the fonts' own metrics and the drawn ink.
#include <gtest/gtest.h>

#include <cmath>

#include "pixels.h"
#include "platform/coregraphics/font.h"
#include "platform/coregraphics/text.h"

namespace {

using cgtest::Snapshot;

// A context whose user space points down, as the interface draws.
std::unique_ptr<cg::Context> flipped(std::size_t w, std::size_t h) {
  auto context = cgtest::rgbaBitmap(w, h);
  context->translateCTM(0, double(h));
  context->scaleCTM(1, -1);
  return context;
}

struct Ink {
  int left = 1 << 30, right = -1, top = 1 << 30, bottom = -1;
  bool any() const { return right >= 0; }
};

Ink inkOf(cg::Context& context, int minimumAlpha = 64) {
  Snapshot pixels(context);
  Ink ink;
  for (std::size_t row = 0; row < context.height(); ++row)
    for (std::size_t x = 0; x < context.width(); ++x)
      if (pixels.at(x, row).a >= minimumAlpha) {
        ink.left = std::min(ink.left, int(x)), ink.right = std::max(ink.right, int(x));
        ink.top = std::min(ink.top, int(row)), ink.bottom = std::max(ink.bottom, int(row));
      }
  return ink;
}

const char* kParagraph =
    "Zarya, the first module of the International Space Station, was launched in 1998 and "
    "still flies over most of the inhabited world.";

TEST(CoregraphicsText, FontMetricsComeFromTheFace) {
  auto font = cg::Font::named("Exo", 20);
  // DejaVu Sans: hhea ascender 1901, descender -483 of 2048 units.
  EXPECT_NEAR(font->ascender(), 1901.0 * 20 / 2048, 0.05);
  EXPECT_NEAR(font->descender(), -483.0 * 20 / 2048, 0.05);
  EXPECT_NEAR(font->lineHeight(), font->ascender() - font->descender(), 0.1);
  EXPECT_EQ(font->pointSize(), 20);
  EXPECT_EQ(font->name(), "Exo");
  EXPECT_EQ(cg::Font::named("Exo", 20), font);  // cached
}

TEST(CoregraphicsText, WrappedTextTakesWholeLinesUpToItsLimits) {
  auto font = cg::Font::named("Exo", 14);
  const double line = font->lineHeight();
  cg::Size single = cg::textSize(kParagraph, *font);
  EXPECT_NEAR(single.height, line, 0.5);
  EXPECT_NEAR(single.width, cg::stringWidth(kParagraph, *font), 1e-9);

  cg::TextLayoutOptions narrow;
  narrow.maxWidth = 150;
  cg::Size wrapped = cg::textSize(kParagraph, *font, narrow);
  const int lines = int(std::lround(wrapped.height / line));
  EXPECT_GE(lines, 5);
  EXPECT_NEAR(wrapped.height, lines * line, 0.5);
  EXPECT_LE(wrapped.width, 150);
  EXPECT_GT(wrapped.width, 100);

  narrow.maxLines = 2;
  EXPECT_NEAR(cg::textSize(kParagraph, *font, narrow).height, 2 * line, 0.5);
  narrow.maxLines = 0;
  narrow.maxHeight = 3.5 * line;  // three whole lines fit
  EXPECT_NEAR(cg::textSize(kParagraph, *font, narrow).height, 3 * line, 0.5);
  narrow.maxHeight = 1;  // never less than one line
  EXPECT_NEAR(cg::textSize(kParagraph, *font, narrow).height, line, 0.5);

  // A word longer than the width breaks inside itself.
  cg::TextLayoutOptions tiny;
  tiny.maxWidth = 40;
  EXPECT_LE(cg::textSize("Supercalifragilistic", *font, tiny).width, 40);
  // Huge limits, as a view of the largest double asks for, mean none.
  cg::TextLayoutOptions huge;
  huge.maxWidth = std::numeric_limits<double>::max();
  huge.maxHeight = std::numeric_limits<double>::infinity();
  EXPECT_NEAR(cg::textSize(kParagraph, *font, huge).height, line, 0.5);
  EXPECT_EQ(cg::textSize("", *font).width, 0);
  EXPECT_EQ(cg::textSize("", *font).height, 0);
}

TEST(CoregraphicsText, ATextDrawnAtAPointHangsBelowIt) {
  auto font = cg::Font::named("Helvetica", 24);
  auto context = flipped(200, 80);
  cg::drawString(*context, "HELLO", {20, 10}, *font, {0, 0, 0, 1});
  Ink ink = inkOf(*context);
  ASSERT_TRUE(ink.any());
  // Capitals sit on the baseline, one ascender below the top; their
  // height is the face's cap height (1409 of 2048 units).
  const double baseline = 10 + font->ascender();
  EXPECT_NEAR(ink.bottom + 1, baseline, 1.0);
  EXPECT_NEAR(ink.top, baseline - 1409.0 * 24 / 2048, 1.0);
  EXPECT_NEAR(ink.left, 20 + 1.5, 2.0);  // the H's side bearing
  EXPECT_NEAR(ink.right + 1, 20 + cg::stringWidth("HELLO", *font), 3.0);
}

TEST(CoregraphicsText, AlignmentPlacesLinesWithinTheRectangle) {
  auto font = cg::Font::named("Exo", 16);
  const double width = cg::stringWidth("Right", *font);
  for (cg::TextAlignment alignment :
       {cg::TextAlignment::left, cg::TextAlignment::center, cg::TextAlignment::right}) {
    auto context = flipped(300, 40);
    cg::TextLayoutOptions options;
    options.alignment = alignment;
    cg::drawString(*context, "Right", cg::Rect{50, 5, 200, 30}, *font, {0, 0, 0, 1}, options);
    Ink ink = inkOf(*context);
    ASSERT_TRUE(ink.any());
    double expectedLeft = alignment == cg::TextAlignment::left     ? 50
                          : alignment == cg::TextAlignment::center ? 50 + (200 - width) / 2
                                                                   : 250 - width;
    EXPECT_NEAR(ink.left, expectedLeft, 3.0) << int(alignment);
    EXPECT_LE(ink.right, 250);
  }
}

TEST(CoregraphicsText, LinesBeyondTheRectangleOrTheLineLimitAreNotDrawn) {
  auto font = cg::Font::named("Exo", 14);
  const double line = font->lineHeight();
  auto all = flipped(200, 300);
  cg::drawString(*all, kParagraph, cg::Rect{0, 0, 150, 300}, *font, {0, 0, 0, 1});
  Ink full = inkOf(*all);
  auto limited = flipped(200, 300);
  cg::TextLayoutOptions options;
  options.maxLines = 2;
  cg::drawString(*limited, kParagraph, cg::Rect{0, 0, 150, 300}, *font, {0, 0, 0, 1}, options);
  Ink two = inkOf(*limited);
  EXPECT_GT(full.bottom, 4 * line);
  EXPECT_LT(two.bottom, 2 * line + 1);
  EXPECT_GT(two.bottom, line);
  auto cut = flipped(200, 300);
  cg::drawString(*cut, kParagraph, cg::Rect{0, 0, 150, 2.5 * line}, *font, {0, 0, 0, 1});
  EXPECT_LT(inkOf(*cut).bottom, 2 * line + 1);
}

TEST(CoregraphicsText, RunsCarryTheirOwnFontsAndColours) {
  auto font = cg::Font::named("Exo", 20);
  cg::AttributedString text;
  text.text = "Red Blue";
  text.runs.push_back({0, 3, nullptr, cg::Color{1, 0, 0, 1}});
  text.runs.push_back({4, 4, cg::Font::named("Exo-Bold", 20), cg::Color{0, 0, 1, 1}});
  text.runs.push_back({100, 4, nullptr, cg::Color{0, 1, 0, 1}});  // beyond the end: ignored
  auto context = flipped(200, 40);
  cg::drawAttributedString(*context, text, cg::Rect{0, 0, 200, 40}, *font, {0, 0, 0, 1});
  Snapshot pixels(*context);
  bool red = false, blue = false, other = false;
  for (int row = 0; row < 40; ++row)
    for (int x = 0; x < 200; ++x) {
      cgtest::Rgba p = pixels.at(x, row);
      if (p.a < 200) continue;
      if (p.r >= p.a - 2 && p.b <= 2 && p.g <= 2) {
        red = true;
        EXPECT_LT(x, 50);
      } else if (p.b >= p.a - 2 && p.r <= 2 && p.g <= 2) {
        blue = true;
        EXPECT_GT(x, 40);
      } else {
        other = true;
      }
    }
  EXPECT_TRUE(red);
  EXPECT_TRUE(blue);
  EXPECT_FALSE(other);
  // The bold run makes the text wider than the regular one.
  EXPECT_GT(cg::textSize(text, *font).width, cg::stringWidth("Red Blue", *font) + 0.5);
}

TEST(CoregraphicsText, BadTextAndBadPlacesDrawNothingHarmful) {
  auto font = cg::Font::named("Exo", 14);
  // Invalid UTF-8 and an embedded zero are shown, not refused.
  EXPECT_GT(cg::stringWidth(std::string("ab\xff\xfe" "cd\0ef", 9), *font),
            cg::stringWidth("abcd", *font));
  auto context = flipped(50, 50);
  cg::drawString(*context, "x", {std::nan(""), 5}, *font, {0, 0, 0, 1});
  cg::drawString(*context, "x", cg::Rect{0, 0, std::numeric_limits<double>::infinity(), 10},
                 *font, {0, 0, 0, 1});
  context->saveGState();
  context->scaleCTM(0, 0);
  cg::drawString(*context, "x", {5, 5}, *font, {0, 0, 0, 1});
  context->restoreGState();
  EXPECT_FALSE(inkOf(*context, 1).any());
  cg::drawString(*context, "x", {5, 5}, *font, {0, 0, 0, 1});
  EXPECT_TRUE(inkOf(*context).any());
  EXPECT_TRUE(context->isPathEmpty());
}

}  // namespace
