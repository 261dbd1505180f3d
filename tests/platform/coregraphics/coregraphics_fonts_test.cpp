// Face names, glyph advances and outlines, the Mac OS Roman table and
// string widths, each against a tool nobody here wrote: fontconfig's
// fc-match, fontTools and Python's codecs.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <vector>

#include "oracle.h"
#include "pixels.h"
#include "platform/coregraphics/font.h"
#include "platform/coregraphics/font_config.h"
#include "platform/coregraphics/glyph_face.h"
#include "platform/coregraphics/mac_roman.h"
#include "platform/coregraphics/text.h"
#include "platform/foundation/bundle.h"
#include "temp_dir.h"

namespace {

const char* const kFaceNames[] = {"Exo",   "Exo-Regular", "Exo-Bold",       "Exo-Oblique",
                                  "Exo-Italic", "Arial",  "Helvetica",      "Helvetica-Bold",
                                  "Helvetica-Oblique"};

// fc-match with the system's configuration followed by the bundle's, as
// the layer loads them.
std::string fcMatchFile(const std::string& family) {
  static tessaly::test::TempDir folder;
  static const std::string config = [] {
    std::string path = folder.file("fonts.conf");
    std::ofstream(path) << "<?xml version=\"1.0\"?><!DOCTYPE fontconfig SYSTEM "
                           "\"urn:fontconfig:fonts.dtd\"><fontconfig>"
                           "<include>/etc/fonts/fonts.conf</include><include>"
                        << cg::fontConfigurationPath() << "</include></fontconfig>";
    return path;
  }();
  return cgtest::run("FONTCONFIG_FILE=" + config + " fc-match -f '%{file}' ':family=" + family +
                     "'");
}

std::vector<double> oracleAdvances(const std::string& file, double size,
                                   const std::vector<char32_t>& characters) {
  std::string command = std::string(cgtest::kPython) + " " + cgtest::scriptFolder() +
                        "/font_oracle.py advances " + file + " " + std::to_string(size);
  for (char32_t c : characters) command += " " + std::to_string(unsigned(c));
  std::istringstream out(cgtest::run(command));
  std::vector<double> advances;
  double value;
  while (out >> value) advances.push_back(value);
  return advances;
}

TEST(CoregraphicsFonts, EveryFaceNameResolvesToTheConfiguredPackagedFace) {
  ASSERT_TRUE(cg::ensureFontConfiguration()) << "Fonts/fonts.conf missing or unreadable";
  for (const char* name : kFaceNames) {
    SCOPED_TRACE(name);
    std::string expected = fcMatchFile(name);
    ASSERT_FALSE(expected.empty());
    cg::FaceMatch match = cg::resolveFace(name);
    EXPECT_EQ(match.file, expected);
    EXPECT_FALSE(match.isFallback);
    auto face = cg::GlyphFace::open(name, 14);
    ASSERT_TRUE(face);
    EXPECT_EQ(face->filePath(), expected);
    EXPECT_EQ(cg::Font::named(name, 14)->filePath(), expected);
    EXPECT_FALSE(cg::Font::named(name, 14)->isFallback());
  }
  // The packages the configuration names.
  EXPECT_EQ(cg::resolveFace("Exo-Bold").file, "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf");
  EXPECT_EQ(cg::resolveFace("Helvetica-Oblique").file,
            "/usr/share/fonts/truetype/liberation2/LiberationSans-Italic.ttf");
}

TEST(CoregraphicsFonts, AnUnknownNameFallsBackToTheSystemFont) {
  std::string system = fcMatchFile("sans-serif");
  cg::FaceMatch match = cg::resolveFace("No Such Typeface");
  EXPECT_TRUE(match.isFallback);
  EXPECT_EQ(match.file, system);
  EXPECT_EQ(match.requestedName, "No Such Typeface");
  auto face = cg::GlyphFace::open("No Such Typeface", 20);
  ASSERT_TRUE(face);
  EXPECT_TRUE(face->isFallback());
  EXPECT_EQ(face->requestedName(), "No Such Typeface");
  auto font = cg::Font::named("No Such Typeface", 20);
  EXPECT_TRUE(font->isFallback());
  EXPECT_GT(font->lineHeight(), 20);
  EXPECT_EQ(cg::Font::systemFont(20)->filePath(), system);
  // Sizes that cannot be drawn.
  std::string message;
  EXPECT_FALSE(cg::GlyphFace::open("Arial", 0, &message));
  EXPECT_EQ(message, "glyph size out of range");
  EXPECT_FALSE(cg::GlyphFace::open("Arial", std::nan(""), &message));
  EXPECT_FALSE(cg::GlyphFace::open("Arial", 1e9, &message));
  EXPECT_EQ(cg::Font::named("Arial", -3)->pointSize(), 12);
}

TEST(CoregraphicsFonts, GlyphAdvancesMatchTheFontsOwnMetrics) {
  std::vector<char32_t> characters;
  for (char32_t c = 32; c < 127; ++c) characters.push_back(c);
  characters.push_back(U'\u00b0');  // degree sign
  for (char32_t c = U'\u03b1'; c <= U'\u03c9'; ++c) characters.push_back(c);  // Greek
  int compared = 0;
  for (const char* name : {"Arial", "Exo", "Exo-Bold"}) {
    for (double size : {12.0, 14.0, 24.0}) {
      SCOPED_TRACE(std::string(name) + " " + std::to_string(size));
      auto face = cg::GlyphFace::open(name, size);
      ASSERT_TRUE(face);
      std::vector<double> expected = oracleAdvances(face->filePath(), size, characters);
      ASSERT_EQ(expected.size(), characters.size());
      for (std::size_t i = 0; i < characters.size(); ++i) {
        EXPECT_NEAR(face->characterAdvance(characters[i]), expected[i], 1.0)
            << unsigned(characters[i]);
        ++compared;
      }
    }
  }
  EXPECT_EQ(compared, 9 * (95 + 1 + 25));
}

TEST(CoregraphicsFonts, TheChartsFaceHasTheGreekLettersOfStarDesignations) {
  auto face = cg::GlyphFace::open("Arial", 28);
  ASSERT_TRUE(face);
  for (char32_t c = U'\u03b1'; c <= U'\u03c9'; ++c)
    EXPECT_NE(face->glyphForCharacter(c), 0u) << unsigned(c);
  EXPECT_GT(face->ascender(), 0);
  EXPECT_LT(face->descender(), 0);
  // Liberation Sans: ascender 1854 and descender -434 of 2048 units.
  EXPECT_NEAR(face->ascender(), 1854.0 * 28 / 2048, 1e-9);
  EXPECT_NEAR(face->descender(), -434.0 * 28 / 2048, 1e-9);
  EXPECT_EQ(face->advance(face->glyphCount() + 5), 0);
}

TEST(CoregraphicsFonts, AGlyphIsDrawnWhereItsOutlineLies) {
  auto face = cg::GlyphFace::open("Arial", 40);
  ASSERT_TRUE(face);
  std::istringstream out(cgtest::run(std::string(cgtest::kPython) + " " + cgtest::scriptFolder() +
                                     "/font_oracle.py bounds " + face->filePath() + " 40 " +
                                     std::to_string(unsigned('H'))));
  double xMin, yMin, xMax, yMax;
  ASSERT_TRUE(out >> xMin >> yMin >> xMax >> yMax);
  // Baseline at y = 20 from the bottom of a y-up bitmap, origin x = 10.25.
  auto context = cgtest::rgbaBitmap(80, 80);
  const double originX = 10.25, baseline = 20;
  double advance = face->drawCharacter(*context, U'H', {originX, baseline}, {1, 1, 1, 1});
  EXPECT_NEAR(advance, face->characterAdvance(U'H'), 1e-12);
  cgtest::Snapshot pixels(*context);
  int left = 80, right = -1, top = 80, bottom = -1;
  for (int row = 0; row < 80; ++row)
    for (int x = 0; x < 80; ++x)
      if (pixels.at(x, row).a > 127) {
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, row), bottom = std::max(bottom, row);
      }
  ASSERT_GE(right, 0);
  // Ink edges (half-covered pixels) within a pixel of the outline's box.
  EXPECT_NEAR(left, originX + xMin, 1.0);
  EXPECT_NEAR(right + 1, originX + xMax, 1.0);
  EXPECT_NEAR(80 - (bottom + 1), baseline + yMin, 1.0);
  EXPECT_NEAR(80 - top, baseline + yMax, 1.0);
  // Premultiplied white: colour equals coverage.
  cgtest::Rgba inside = pixels.at((left + right) / 2, (top + bottom) / 2);
  EXPECT_EQ(inside.r, inside.a);
}

TEST(CoregraphicsFonts, TheHighMacRomanCodesMapAsPythonsCodec) {
  std::istringstream out(cgtest::run(std::string(cgtest::kPython) + " " + cgtest::scriptFolder() +
                                     "/font_oracle.py macroman"));
  unsigned expected;
  int code = 128;
  while (out >> expected) {
    EXPECT_EQ(unsigned(cg::macRomanToUnicode(static_cast<unsigned char>(code))), expected) << code;
    ++code;
  }
  EXPECT_EQ(code, 256);
  EXPECT_EQ(cg::macRomanToUnicode(161), U'\u00b0');  // the degree sign, not '¡'
  EXPECT_EQ(cg::macRomanToUnicode('A'), U'A');
  EXPECT_EQ(cg::macRomanToUtf8("12\xa1" "5"), "12\u00b0" "5");
}

TEST(CoregraphicsFonts, AnAsciiStringIsAsWideAsItsAdvancesWithoutKerning) {
  const std::string samples[] = {"AVATAR To Wa", "Hello, world!", "2026 Dec 05 Sat  21:05:17",
                                 "fi fl ffi LT Yo P."};
  int compared = 0;
  for (const char* name : {"Helvetica", "Exo"}) {
    for (double size : {12.0, 14.0, 24.0}) {
      auto font = cg::Font::named(name, size);
      std::vector<char32_t> characters;
      for (const std::string& text : samples) characters.insert(characters.end(), text.begin(), text.end());
      std::vector<double> advances = oracleAdvances(font->filePath(), size, characters);
      ASSERT_EQ(advances.size(), characters.size());
      std::size_t next = 0;
      for (const std::string& text : samples) {
        double sum = 0;
        for (std::size_t i = 0; i < text.size(); ++i) sum += advances[next++];
        EXPECT_NEAR(cg::stringWidth(text, *font), sum, 1.0) << name << " " << size << " " << text;
        ++compared;
      }
    }
  }
  EXPECT_EQ(compared, 24);
}

}  // namespace
