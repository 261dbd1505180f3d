// Glyph atlases against the fonts' own metrics read with FreeType, the
// Bayer letters against the Unicode Greek alphabet, and the placement of
// labels: collisions, the twelve positions, Bayer keys and long texts, and
// labels round objects kept inside the view, above the ground and nearest
// their own objects.
#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "chart/text_atlas.h"
#include "engine/sky_coordinates.h"
#include "platform/coregraphics/font_config.h"
#include "skydata/bayer_letters.h"
#include "tests/chart/chart_canvas.h"

namespace {

using chart_test::ChartOnEmptySky;

// A face file opened with FreeType alone.
class FreeTypeFace {
 public:
  explicit FreeTypeFace(const char* name) {
    std::string file = cg::resolveFace(name).file;
    EXPECT_EQ(FT_Init_FreeType(&library_), 0);
    EXPECT_EQ(FT_New_Face(library_, file.c_str(), 0, &face_), 0) << file;
  }
  ~FreeTypeFace() {
    if (face_ != nullptr) FT_Done_Face(face_);
    FT_Done_FreeType(library_);
  }
  // The design advance in pixels at `size` pixels to the em.
  double advance(char32_t c, double size) const {
    FT_UInt glyph = FT_Get_Char_Index(face_, c);
    if (FT_Load_Glyph(face_, glyph, FT_LOAD_NO_SCALE) != 0) return -1;
    return face_->glyph->advance.x * size / face_->units_per_EM;
  }
  unsigned glyphOf(char32_t c) const { return FT_Get_Char_Index(face_, c); }

 private:
  FT_Library library_ = nullptr;
  FT_Face face_ = nullptr;
};

TEST(ChartTextAtlas, CellsAreTheFontsAdvancesInRowsOfSixteen) {
  ChartOnEmptySky sky(400, 300);
  FreeTypeFace face("Helvetica");
  for (float height : {9.0f, 14.0f, 23.0f, 40.0f}) {
    sky.chart->setTextHeight(height);
    CTextAtlas* atlas = sky.chart->getTextAtlas();
    ASSERT_NE(atlas, nullptr);
    EXPECT_STREQ(atlas->name, ("Helvetica:" + std::to_string(int(height))).c_str());
    ASSERT_EQ(atlas->count, 96);
    for (int i = 0; i < atlas->count; ++i) {
      char32_t c = i < 95 ? static_cast<char32_t>(32 + i) : U'\u00B0';  // the degree sign
      EXPECT_NEAR(atlas->cellWidth[i], face.advance(c, height), 1.0) << height << " " << i;
      if (i % 16 != 0)
        EXPECT_FLOAT_EQ(atlas->cellX[i], atlas->cellX[i - 1] + atlas->cellWidth[i - 1] + 2);
      else
        EXPECT_EQ(atlas->cellX[i], 0);
    }
    // Each size is the smallest power of two holding the content.
    EXPECT_GE(atlas->textureWidth, atlas->contentWidth);
    EXPECT_LT(atlas->textureWidth / 2, atlas->contentWidth);
    EXPECT_GE(atlas->textureHeight, atlas->contentHeight);
    EXPECT_LT(atlas->textureHeight / 2, atlas->contentHeight);
    EXPECT_EQ(atlas->textureWidth & (atlas->textureWidth - 1), 0);
  }
}

TEST(ChartTextAtlas, CharactersOutsideTheListDrawAsTheDegreeSignOrNotAtAll) {
  ChartOnEmptySky sky(400, 300);
  CTextAtlas* atlas = sky.chart->getTextAtlas();
  GRect degree = atlas->charRect(161);
  EXPECT_GT(degree.width, 0);
  for (unsigned char c : {200, 127, 255}) {
    GRect cell = atlas->charRect(c);
    EXPECT_EQ(cell.x, degree.x);
    EXPECT_EQ(cell.width, degree.width);
  }
  for (unsigned char c : {0, 10, 31}) EXPECT_EQ(atlas->charRect(c).width, 0) << int(c);
  // A control character adds nothing to a width.
  EXPECT_FLOAT_EQ(atlas->stringWidth("A\tB", 3), atlas->stringWidth("AB", 2));
}

TEST(ChartTextAtlas, UnicodeNamesDrawTheirLettersNotDegreeSigns) {
  ChartOnEmptySky sky(400, 300);
  CTextAtlas* atlas = sky.chart->getTextAtlas();
  const auto width = [&](const std::string& text) {
    return atlas->stringWidth(text.c_str(), static_cast<int>(text.size()));
  };
  // Catalogue names are UTF-8; each stands as its unaccented spelling.
  EXPECT_FLOAT_EQ(width("Montr\u00e9al"), width("Montreal"));
  EXPECT_FLOAT_EQ(width("Bouak\u00e9"), width("Bouake"));
  EXPECT_FLOAT_EQ(width("S\u00e3o Paulo"), width("Sao Paulo"));
  EXPECT_FLOAT_EQ(width("\u0141\u00f3d\u017a"), width("Lodz"));
  EXPECT_FLOAT_EQ(width("Stra\u00dfe \u00c6r\u00f8"), width("Strase Aro"));
  EXPECT_FLOAT_EQ(atlas->drawString("Montr\u00e9al", 9, 0, 0, false), width("Montreal"));
  // A UTF-8 degree sign is the atlas's own; the chart's single byte 161
  // stays one too; a symbol without a letter is a question mark.
  EXPECT_FLOAT_EQ(width("12\u00b0"), width("12\xa1"));
  EXPECT_FLOAT_EQ(width("\u00d7\u4e2d"), width("??"));
  // Malformed bytes are single characters as before, never read past the end.
  EXPECT_FLOAT_EQ(width("\xc3"), width("\xa1"));
  EXPECT_FLOAT_EQ(width("\xe2\x82"), 2 * width("\xa1"));
  // A cut at the drawing limit falls before a whole character.
  std::string long_name(119, 'A');
  long_name += "\u00e9";
  EXPECT_FLOAT_EQ(atlas->drawString(long_name.c_str(), static_cast<int>(long_name.size()), 0, 0, false),
                  width(std::string(119, 'A')));
}

TEST(ChartTextAtlas, AStringDrawsAtMostItsFirst120Characters) {
  ChartOnEmptySky sky(400, 300);
  CTextAtlas* atlas = sky.chart->getTextAtlas();
  std::string text;
  for (int i = 0; i < 150; ++i) text += static_cast<char>('A' + i % 26);
  float drawn = atlas->drawString(text.c_str(), 150, 0, 0, false);
  EXPECT_FLOAT_EQ(drawn, atlas->stringWidth(text.c_str(), 120));
  EXPECT_LT(drawn, atlas->stringWidth(text.c_str(), 150));
}

TEST(ChartTextAtlas, EachBayerCodeDrawsItsGreekLetter) {
  ChartOnEmptySky sky(400, 300);
  FreeTypeFace arial("Arial");
  CTextAtlas* glyphs = sky.chart->getGlyphAtlas();
  ASSERT_NE(glyphs, nullptr);
  EXPECT_TRUE(glyphs->glyphMode);
  EXPECT_STREQ(glyphs->name, "Arial:14-Glyphs");
  // Unicode's small Greek letters in alphabetical order, with the final
  // sigma left out, against the names the catalogue's letters carry.
  const char* unicodeOrder[] = {"Alpha", "Beta",  "Gamma", "Delta", "Epsilon", "Zeta",
                                "Eta",   "Theta", "Iota",  "Kappa", "Lambda",  "Mu",
                                "Nu",    "Xi",    "Omicron", "Pi",  "Rho",     "Sigma",
                                "Tau",   "Upsilon", "Phi", "Chi",   "Psi",     "Omega"};
  int letters = 0;
  for (char code = 'a'; code <= 'z'; ++code) {
    const char* name = bayerLetterNameForSymbol(code);
    char32_t expected = U'\u03B1';  // codes without a letter show alpha
    for (int k = 0; k < 24; ++k)
      if (name[0] != '\0' && std::strcmp(unicodeOrder[k], name) == 0)
        expected = U'\u03B1' + k + (k >= 17 ? 1 : 0);
    if (name[0] != '\0') ++letters;
    std::uint16_t glyph = glyphs->glyphAt(code - 'a');
    EXPECT_EQ(glyph, arial.glyphOf(expected)) << code << " " << name;
    EXPECT_NE(glyph, 0) << code;
    GRect cell = glyphs->glyphRect(glyph);
    EXPECT_NEAR(cell.width, arial.advance(expected, 14), 1.0) << code;
  }
  EXPECT_EQ(letters, 24);
  // The rendered cells hold ink: the letters were drawn.
  const std::uint8_t* pixels = glyphs->bitmapPixels();
  ASSERT_NE(pixels, nullptr);
  for (int i = 0; i < kBayerGlyphCount; ++i) {
    int ink = 0;
    for (int y = int(glyphs->cellY[i]); y < int(glyphs->cellY[i] + glyphs->cellHeight[i]); ++y)
      for (int x = int(glyphs->cellX[i]); x < int(glyphs->cellX[i] + glyphs->cellWidth[i]); ++x)
        if (pixels[(y * glyphs->textureWidth + x) * 4 + 3] > 128) ++ink;
    EXPECT_GT(ink, 5) << i;
  }
}

TEST(ChartTextAtlas, AnEleventhSizeEvictsTheLeastRecentlyUsedAtlas) {
  ChartOnEmptySky sky(400, 300);
  for (int size = 10; size < 20; ++size) {
    sky.chart->setTextHeight(static_cast<float>(size));
    sky.chart->getTextAtlas();
  }
  EXPECT_EQ(sky.chart->atlasCount, kMaxTextAtlases);
  sky.chart->setTextHeight(10);  // touch the oldest: 11 becomes the oldest
  CTextAtlas* ten = sky.chart->getTextAtlas();
  sky.chart->setTextHeight(30);
  sky.chart->getTextAtlas();
  EXPECT_EQ(sky.chart->atlasCount, kMaxTextAtlases);
  bool has11 = false, has10 = false, has30 = false;
  for (int i = 0; i < sky.chart->atlasCount; ++i) {
    std::string name = sky.chart->atlases[i]->name;
    has10 |= name == "Helvetica:10";
    has11 |= name == "Helvetica:11";
    has30 |= name == "Helvetica:30";
  }
  EXPECT_TRUE(has10 && has30);
  EXPECT_FALSE(has11);
  sky.chart->setTextHeight(10);
  EXPECT_EQ(sky.chart->getTextAtlas(), ten);  // still the same atlas
}

TEST(ChartTextAtlas, AnUnknownFontFallsBackButKeepsItsNameAndAHugeSizeBuildsNothing) {
  ChartOnEmptySky sky(400, 300);
  sky.chart->setFontNames("NoSuchFace-Regular", "NoSuchFace-Bold", "NoSuchFace-Italic");
  CTextAtlas* atlas = sky.chart->getTextAtlas();
  EXPECT_STREQ(atlas->name, "NoSuchFace-Regular:14");
  EXPECT_GT(atlas->stringWidth("Sirius", 6), 20);
  sky.chart->setTextHeight(100000);
  CTextAtlas* huge = sky.chart->getTextAtlas();
  ASSERT_NE(huge, nullptr);
  EXPECT_EQ(huge->bitmapPixels(), nullptr);
  EXPECT_EQ(huge->texture, 0u);
}

// ---- Labels ----

class ChartLabels : public testing::Test {
 protected:
  ChartLabels() : sky_(400, 300), chart_(*sky_.chart) { chart_.clearLabelRects(); }
  // The last recorded rectangle.
  LabelPosition last() const { return chart_.labelRects[chart_.labelRectCount - 1]; }
  ChartOnEmptySky sky_;
  CSkyChart& chart_;
};

TEST_F(ChartLabels, TouchingOrOverlappingRectanglesAreTaken) {
  chart_.labelRects[0] = {100, 100, 10, 5};
  chart_.labelRectCount = 1;
  EXPECT_FALSE(chart_.isLabelRectFree(120, 100, 10, 5));   // touching at the side
  EXPECT_FALSE(chart_.isLabelRectFree(100, 110, 10, 5));   // touching below
  EXPECT_TRUE(chart_.isLabelRectFree(120.01f, 100, 10, 5));
  EXPECT_TRUE(chart_.isLabelRectFree(100, 110.01f, 10, 5));
}

TEST_F(ChartLabels, ASecondLabelAtTheSamePlaceIsRefused) {
  EXPECT_EQ(chart_.drawLabel("Vega", 1, true, 100, 100), 1);
  EXPECT_EQ(chart_.drawLabel("Vega", 1, true, 100, 100), 0);
  EXPECT_EQ(chart_.drawLabel("Vega", 1, false, 100, 100), 1);  // unchecked: drawn anyway
  // A label's rectangle: half the measured width, half the text height,
  // above the baseline, starting at x for alignment 1.
  float half = chart_.getTextWidth("Vega", 0) / 2;
  EXPECT_FLOAT_EQ(chart_.labelRects[0].x, 100 + half);
  EXPECT_FLOAT_EQ(chart_.labelRects[0].y, 100 - chart_.textHeight / 2);
  EXPECT_FLOAT_EQ(chart_.labelRects[0].halfWidth, half);
  // Ending at x and centred on x.
  chart_.clearLabelRects();
  chart_.drawLabel("Vega", -1, true, 200, 50);
  EXPECT_FLOAT_EQ(last().x, 200 - half);
  chart_.drawLabel("Vega", 0, true, 300, 50);
  EXPECT_FLOAT_EQ(last().x, 300);
}

TEST_F(ChartLabels, TwelvePositionsRoundAPointThenCentredAbove) {
  const float x = 200, y = 150, r = 10, t = chart_.textHeight, k = 0.7071f * r;
  // Label point and alignment of each position.
  const float points[14][3] = {{x, y - r, 1},      {x + k, y - k, 1},     {x + r, y, 1},
                               {x + r, y + t, 1},  {x + k, y + k + t, 1}, {x, y + k + t, 1},
                               {x, y + k + t, -1}, {x - k, y + k + t, -1}, {x - r, y + t, -1},
                               {x - r, y, -1},     {x - k, y - k, -1},    {x, y - r, -1},
                               {x, y - r, 0},      {x, y - r, 0}};
  float half = chart_.getTextWidth("Deneb", 0) / 2, h = t / 2;
  for (int p = 0; p < 14; ++p) {
    chart_.clearLabelRects();
    ASSERT_EQ(chart_.drawLabelAt("Deneb", p, x, y, r), 1);
    float left = points[p][0] + (points[p][2] - 1) * half;
    EXPECT_FLOAT_EQ(last().x, left + half) << p;
    EXPECT_FLOAT_EQ(last().y, points[p][1] - h) << p;
  }
}

TEST_F(ChartLabels, NearbyPositionsAreTriedInStepsUntilOneIsFree) {
  const float x = 200, y = 150, r = 40;
  float half = chart_.getTextWidth("Deneb", 0) / 2, h = chart_.textHeight / 2;
  // Position 1 taken: step 1 lands on 2, step 3 on 4.
  const float k = 0.7071f * r;
  chart_.labelRects[chart_.labelRectCount++] = {x + k + half, y - k - h, half, h};
  ASSERT_EQ(chart_.drawLabelNear("Deneb", 1, 1, x, y, r), 1);
  EXPECT_FLOAT_EQ(last().x, x + r + half);
  EXPECT_FLOAT_EQ(last().y, y - h);
  chart_.labelRectCount = 1;
  ASSERT_EQ(chart_.drawLabelNear("Deneb", 1, 3, x, y, r), 1);
  EXPECT_FLOAT_EQ(last().x, x + k + half);
  EXPECT_FLOAT_EQ(last().y, y + k + chart_.textHeight - h);
  // Nowhere free: refused.
  chart_.clearLabelRects();
  chart_.labelRects[chart_.labelRectCount++] = {x, y, 5000, 5000};
  EXPECT_EQ(chart_.drawLabelNear("Deneb", 1, 1, x, y, r), 0);
  EXPECT_EQ(chart_.labelRectCount, 1);
}

// Distance from a recorded rectangle to a point, from the rectangle alone.
float gap(const LabelPosition& r, float x, float y) {
  return std::hypot(std::fmax(std::fabs(x - r.x) - r.halfWidth, 0.0f),
                    std::fmax(std::fabs(y - r.y) - r.halfHeight, 0.0f));
}

TEST_F(ChartLabels, ALabelRoundAnObjectMovesInsideTheViewRatherThanBeingCutWhereItCan) {
  // Near the right edge the right-hand places are cut: a left one is taken.
  ASSERT_EQ(chart_.drawLabelNear("Betelgeuse", 1, 1, 392, 150, 10), 1);
  EXPECT_LE(last().x + last().halfWidth, 400);
  EXPECT_LT(last().x, 392) << "left of the object";
  // At the top edge the places below.
  ASSERT_EQ(chart_.drawLabelNear("Capella", 1, 1, 200, 4, 10), 1);
  EXPECT_GE(last().y - last().halfHeight, 0);
  EXPECT_GT(last().y, 4);
  // A label that fits nowhere whole (a large object's, round a point far
  // from it) still stands at its first free place, crossing the edge,
  // rather than being lost.
  chart_.clearLabelRects();
  const float wide = chart_.getTextWidth("Andromeda Galaxy", 0);
  ASSERT_EQ(chart_.drawLabelNear("Andromeda Galaxy", 1, 3, 200, 150, 400 - wide), 1);
  EXPECT_FLOAT_EQ(last().x - last().halfWidth, 200 + 0.7071f * (400 - wide)) << "at the first place";
  EXPECT_GT(last().x + last().halfWidth, 400);
  // A plain label (the compass points) is placed where it is asked for.
  EXPECT_EQ(chart_.drawLabel("NE", 0, true, 399, 150), 1);
  // Kept out of its whole places by others, a label is left out, not cut.
  chart_.clearLabelRects();
  chart_.labelRects[chart_.labelRectCount++] = {300, 150, 90, 150};
  EXPECT_EQ(chart_.drawLabelNear("Bellatrix", 1, 1, 392, 100, 10), 0);
}

TEST_F(ChartLabels, ALabelStandsNearerItsOwnObjectThanAnyOther) {
  // Pollux 40 pixels to the lower right of Castor, Pollux labelled first
  // at its upper right: Castor's own upper right would sit beside Pollux.
  const float cx = 200, cy = 150, px = 232, py = 174, r = 0.5f * chart_.markerSize + 2;
  chart_.addLabelAnchor(cx, cy, 2);
  ASSERT_EQ(chart_.drawLabelNear("Pollux", 1, 1, px, py, r), 1);
  const LabelPosition pollux = last();
  ASSERT_EQ(chart_.drawLabelNear("Castor", 1, 1, cx, cy, r), 1);
  const LabelPosition castor = last();
  EXPECT_LT(gap(castor, cx, cy), gap(castor, px, py));
  EXPECT_LT(gap(pollux, px, py), gap(pollux, cx, cy));
  // Inside a large figure (a nebula's outline 100 pixels round) a star's
  // label close to the star is its own, not the nebula's.
  chart_.clearLabelRects();
  chart_.addLabelAnchor(200, 150, 100);
  ASSERT_EQ(chart_.drawLabelNear("Trapezium", 1, 1, 190, 150, r), 1);
  EXPECT_LT(gap(last(), 190, 150), r + 1);
}

TEST_F(ChartLabels, NothingIsLabelledWhereTheGroundWillCoverIt) {
  // Looking at the horizon with the realistic horizon (style 4).
  chart_.setDisplayCoordSystem(kCoordHorizon);
  chart_.setDisplayFOV(1.5707963267945);
  chart_.setDisplayCenterLonLat(0, 0);
  chart_.showHorizon = true;
  chart_.horizonStyle = 4;
  chart_.updateDisplayMatrix();
  chart_.clearLabelRects();
  // The horizon's row at the middle column, from the chart's own test for
  // hidden directions.
  auto below = [&](float y) {
    double v[3];
    return chart_.screenToVector(v, 200, y) && chart_.isBelowHorizon(v);
  };
  float horizon = 0;
  while (horizon < 300 && !below(horizon)) ++horizon;
  ASSERT_GT(horizon, 100);
  ASSERT_LT(horizon, 200);
  // Just above it, with the places above taken: the ones left lie on the
  // ground.
  chart_.labelRects[chart_.labelRectCount++] = {200, horizon - 60, 400, 55};
  EXPECT_EQ(chart_.drawLabelNear("Regulus", 1, 1, 200, horizon - 3, 10), 0);
  chart_.labelRectCount = 0;
  ASSERT_EQ(chart_.drawLabelNear("Regulus", 1, 1, 200, horizon - 3, 10), 1);
  EXPECT_LT(last().y + last().halfHeight, horizon);
  // Just below it: the ground covers the object, whatever room is above.
  EXPECT_EQ(chart_.drawLabelNear("Alphard", 1, 1, 100, horizon + 4, 40), 0);
  // Once the ground is drawn, what is labelled on it shows.
  chart_.groundHidesLabels = false;
  EXPECT_EQ(chart_.drawLabelNear("Alphard", 1, 1, 100, horizon + 4, 40), 1);
}

TEST_F(ChartLabels, BayerKeysAreSpelledOutWhenLettersAreOff) {
  chart_.showStarBayerLetters = false;
  chart_.drawLabel("$b2 Cyg", 1, true, 50, 50);
  EXPECT_FLOAT_EQ(last().halfWidth, chart_.getTextWidth("Beta2 Cyg", 0) / 2);
  chart_.showStarBayerLetters = true;
  chart_.drawLabel("$b2 Cyg", 1, true, 50, 150);
  EXPECT_FLOAT_EQ(last().halfWidth, chart_.getTextWidth("b2 Cyg", 0) / 2);
  // A lone "$", or one before something that is no letter code, is text.
  chart_.drawLabel("$", 1, true, 50, 250);
  EXPECT_FLOAT_EQ(last().halfWidth, chart_.getTextWidth("$", 0) / 2);
  chart_.showStarBayerLetters = false;
  chart_.drawLabel("$9", 1, true, 250, 250);
  EXPECT_FLOAT_EQ(last().halfWidth, chart_.getTextWidth("$9", 0) / 2);
}

TEST_F(ChartLabels, ASpelledNamePastTheBufferIsCutAt255Characters) {
  chart_.showStarBayerLetters = false;
  std::string rest(300, 'x');
  chart_.drawLabel(("$a" + rest).c_str(), 1, false, 0, 50);
  std::string spelled = ("Alpha" + rest).substr(0, 255);
  EXPECT_FLOAT_EQ(last().halfWidth, chart_.getTextWidth(spelled.c_str(), 0) / 2);
}

TEST_F(ChartLabels, OnlyTheFirst1023RectanglesAreRecorded) {
  for (int i = 0; i < 1100; ++i) EXPECT_EQ(chart_.drawLabel("x", 1, false, i, 10), 1);
  EXPECT_EQ(chart_.labelRectCount, 1023);
  chart_.clearLabelRects();
  EXPECT_EQ(chart_.labelRectCount, 0);
  EXPECT_TRUE(chart_.isLabelRectFree(5, 5, 1, 1));
}

TEST_F(ChartLabels, FontStylesSelectTheirNames) {
  chart_.setFontNames("Exo", "Exo-Bold", "Exo-Oblique");
  EXPECT_STREQ(chart_.fontName, "Exo");
  chart_.selectFont(1);
  EXPECT_STREQ(chart_.fontName, "Exo-Bold");
  chart_.selectFont(7);
  EXPECT_STREQ(chart_.fontName, "Exo-Bold");
  chart_.setFontNames("A", "B", "C");
  EXPECT_STREQ(chart_.fontName, "B");  // the style stays
  chart_.setContentScale(2);
  chart_.setTextHeight(14);
  EXPECT_FLOAT_EQ(chart_.textHeight, 28);
  EXPECT_FLOAT_EQ(chart_.markerSize, 32);
}

}  // namespace
