// Two threads laying out and drawing text, rendering glyphs and decoding
// images at once (run under ThreadSanitizer too): each gets the same
// pixels it would get alone.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "pixels.h"
#include "platform/coregraphics/font.h"
#include "platform/coregraphics/font_config.h"
#include "platform/coregraphics/glyph_face.h"
#include "platform/coregraphics/image_codec.h"
#include "platform/coregraphics/text.h"

namespace {

// Draws a label page and a glyph strip; returns their pixels.
std::string work(int round, const std::string& png) {
  std::string result;
  auto page = cg::Context::createBitmap(160, 60);
  page->translateCTM(0, 60);
  page->scaleCTM(1, -1);
  const char* faces[] = {"Exo", "Exo-Bold", "Helvetica", "Arial"};
  auto font = cg::Font::named(faces[round % 4], 11 + round % 5);
  cg::TextLayoutOptions options;
  options.maxWidth = 150;
  options.maxLines = 3;
  cg::Size size = cg::textSize("Visible passes of the station tonight", *font, options);
  cg::drawString(*page, "Visible passes of the station tonight",
                 cg::Rect{5, 5, 150, size.height}, *font, {1, 1, 1, 1}, options);
  result.append(reinterpret_cast<const char*>(page->data()), page->bytesPerRow() * page->height());

  auto strip = cgtest::rgbaBitmap(400, 40);
  auto face = cg::GlyphFace::open(faces[(round + 1) % 4], 20 + round % 3);
  double x = 0;
  for (char32_t c = U'!'; c < U'9'; ++c) x += face->drawCharacter(*strip, c, {x, 10}, {1, 1, 1, 1}) + 2;
  result.append(reinterpret_cast<const char*>(strip->data()), strip->bytesPerRow() * strip->height());

  auto image = cg::decodeImage(png);
  result.append(reinterpret_cast<const char*>(image->data()), image->bytesPerRow() * image->height());
  return result;
}

TEST(CoregraphicsThreads, TwoThreadsDrawTextGlyphsAndImagesAsOneWould) {
  auto source = cgtest::rgbaBitmap(30, 20);
  source->setFillColor(0.3, 0.6, 0.9, 0.7);
  source->fillEllipseInRect({2, 2, 26, 16});
  const std::string png = cg::encodePNG(*source->makeImage());
  ASSERT_FALSE(png.empty());

  constexpr int kRounds = 12;
  std::vector<std::string> alone(kRounds);
  for (int round = 0; round < kRounds; ++round) alone[round] = work(round, png);

  // Besides, each thread asks for names and sizes nobody asked for before,
  // so that both fill the shared face and font caches at once.
  auto fresh = [](int thread, int round) {
    std::string name = "No Such Face " + std::to_string(thread * 100 + round);
    EXPECT_TRUE(cg::resolveFace(name).isFallback);
    EXPECT_GT(cg::Font::named("Exo", 9 + thread * 0.5 + round * 0.01)->lineHeight(), 9);
  };
  std::vector<std::string> first(kRounds), second(kRounds);
  std::thread a([&] {
    for (int round = 0; round < kRounds; ++round) {
      fresh(1, round);
      first[round] = work(round, png);
    }
  });
  std::thread b([&] {
    for (int round = kRounds - 1; round >= 0; --round) {
      fresh(2, round);
      second[round] = work(round, png);
    }
  });
  a.join();
  b.join();
  for (int round = 0; round < kRounds; ++round) {
    EXPECT_EQ(first[round], alone[round]) << round;
    EXPECT_EQ(second[round], alone[round]) << round;
  }
}

}  // namespace
