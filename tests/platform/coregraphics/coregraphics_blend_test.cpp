// Blend modes, alpha, gradients and image drawing checked per pixel
// against the Porter-Duff formulas and linear interpolation.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "pixels.h"
#include "platform/coregraphics/context.h"
#include "platform/coregraphics/gradient.h"
#include "platform/coregraphics/image.h"

namespace {

using cgtest::rgbaBitmap;
using cgtest::Snapshot;

// A 64 x 16 image whose alpha climbs from 0 to 252 across and whose colour
// changes down the rows: every premultiplied combination the blends meet.
std::shared_ptr<cg::Image> rampImage() {
  std::vector<std::uint8_t> rgba(64 * 16 * 4);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 64; ++x) {
      std::uint8_t* p = &rgba[(y * 64 + x) * 4];
      p[0] = static_cast<std::uint8_t>(y * 16);
      p[1] = static_cast<std::uint8_t>(255 - y * 16);
      p[2] = static_cast<std::uint8_t>(x * 4);
      p[3] = static_cast<std::uint8_t>(x * 4);
    }
  cg::PixelFormat format{64, 16, 8, 32, 64 * 4, cg::ColorSpace::deviceRGB, cg::AlphaInfo::last,
                         cg::ByteOrder::defaultOrder};
  return cg::Image::fromPixels(rgba.data(), rgba.size(), format);
}

TEST(CoregraphicsBlend, SourceAtopTintsOnlyWhatTheImageCoversKeepingItsAlpha) {
  auto image = rampImage();
  ASSERT_TRUE(image);
  const cg::Color tint{0.8, 0.1, 0.3, 0.75};
  auto context = rgbaBitmap(64, 16);
  context->drawImage({0, 0, 64, 16}, *image);
  Snapshot before(*context);
  context->setBlendMode(cg::BlendMode::sourceAtop);
  context->setFillColor(tint);
  context->fillRect({0, 0, 64, 16});
  Snapshot after(*context);
  int checked = 0;
  for (int row = 0; row < 16; ++row)
    for (int x = 0; x < 64; ++x) {
      cgtest::Rgba d = before.at(x, row), out = after.at(x, row);
      // On premultiplied bytes: out = S x Da / 255 + D x (255 - Sa) / 255.
      const double sa = std::round(tint.a * 255);
      const double s[3] = {std::round(tint.r * sa), std::round(tint.g * sa),
                           std::round(tint.b * sa)};
      const double expected[3] = {(s[0] * d.a + d.r * (255 - sa)) / 255,
                                  (s[1] * d.a + d.g * (255 - sa)) / 255,
                                  (s[2] * d.a + d.b * (255 - sa)) / 255};
      EXPECT_NEAR(out.r, expected[0], 1.01) << x << "," << row;
      EXPECT_NEAR(out.g, expected[1], 1.01) << x << "," << row;
      EXPECT_NEAR(out.b, expected[2], 1.01) << x << "," << row;
      EXPECT_EQ(out.a, d.a) << x << "," << row;
      ++checked;
    }
  EXPECT_EQ(checked, 64 * 16);
  EXPECT_EQ(after.at(0, 0).a, 0);  // transparent stays transparent
}

TEST(CoregraphicsBlend, CopyReplacesWhatIsUnderTheShapeAndNothingElse) {
  auto context = rgbaBitmap(40, 40);
  context->drawImage({0, 0, 40, 40}, *rampImage());
  Snapshot before(*context);
  context->setBlendMode(cg::BlendMode::copy);
  context->setFillColor(0.2, 0.4, 1.0, 0.5);
  context->fillRect({10, 10, 20, 20});
  Snapshot after(*context);
  for (int row = 0; row < 40; ++row)
    for (int x = 0; x < 40; ++x) {
      cgtest::Rgba out = after.at(x, row);
      bool inside = x >= 10 && x < 30 && row >= 10 && row < 30;
      if (inside) {
        EXPECT_NEAR(out.r, 0.2 * 0.5 * 255, 1);
        EXPECT_NEAR(out.g, 0.4 * 0.5 * 255, 1);
        EXPECT_NEAR(out.b, 0.5 * 255, 1);
        EXPECT_NEAR(out.a, 0.5 * 255, 1);
      } else {
        cgtest::Rgba d = before.at(x, row);
        EXPECT_EQ(out.a, d.a);
        EXPECT_EQ(out.r, d.r);
      }
    }
}

TEST(CoregraphicsBlend, NormalBlendingIsSourceOver) {
  auto context = rgbaBitmap(8, 8);
  context->setFillColor(0, 0, 1, 1);
  context->fillRect({0, 0, 8, 8});
  context->setAlpha(0.5);
  context->setFillColor(1, 0, 0, 0.5);  // 0.25 in all
  context->fillRect({0, 0, 8, 8});
  cgtest::Rgba p = cgtest::at(*context, 4, 4);
  EXPECT_NEAR(p.r, 0.25 * 255, 1);
  EXPECT_NEAR(p.b, 0.75 * 255, 1);
  EXPECT_EQ(p.a, 255);
}

TEST(CoregraphicsGradient, RowsOfAVerticalGradientInterpolateLinearly) {
  // The selected-cell background: (0.6, 0, 0) at the top to (0.4, 0, 0) at
  // the bottom, clipped to a rectangle.
  auto gradient = cg::Gradient::create({{0.6, 0, 0, 1}, {0.4, 0, 0, 1}}, {0, 1});
  ASSERT_TRUE(gradient);
  auto context = rgbaBitmap(30, 100);
  const double top = 90, bottom = 10;
  context->saveGState();
  context->clipToRect({5, bottom, 20, top - bottom});
  context->drawLinearGradient(*gradient, {15, top}, {15, bottom}, 0);
  context->restoreGState();
  Snapshot pixels(*context);
  int rows = 0;
  for (int row = 0; row < 100; ++row) {
    double y = 100 - row - 0.5;  // pixel centre in y-up user space
    cgtest::Rgba p = pixels.at(15, row);
    if (y < bottom || y > top) {
      EXPECT_EQ(p.a, 0) << row;
      continue;
    }
    double t = (top - y) / (top - bottom);
    EXPECT_NEAR(p.r, (0.6 + (0.4 - 0.6) * t) * 255, 1.01) << row;
    EXPECT_EQ(p.a, 255);
    EXPECT_EQ(pixels.at(3, row).a, 0);
    ++rows;
  }
  EXPECT_EQ(rows, 80);
}

TEST(CoregraphicsGradient, EndColoursExtendOnlyWhereAsked) {
  auto gradient = cg::Gradient::create({{0, 0, 0, 1}, {0, 0, 1, 1}, {1, 1, 1, 1}});
  ASSERT_TRUE(gradient);
  ASSERT_EQ(gradient->stops().size(), 3u);
  EXPECT_EQ(gradient->stops()[1].location, 0.5);
  for (unsigned options : {0u, unsigned(cg::kGradientDrawsBeforeStartLocation),
                           unsigned(cg::kGradientDrawsAfterEndLocation),
                           unsigned(cg::kGradientDrawsBeforeStartLocation |
                                    cg::kGradientDrawsAfterEndLocation)}) {
    auto context = rgbaBitmap(100, 4);
    context->drawLinearGradient(*gradient, {30, 0}, {70, 0}, options);
    Snapshot pixels(*context);
    EXPECT_EQ(pixels.at(10, 2).a, (options & cg::kGradientDrawsBeforeStartLocation) ? 255 : 0);
    EXPECT_EQ(pixels.at(90, 2).a, (options & cg::kGradientDrawsAfterEndLocation) ? 255 : 0);
    EXPECT_EQ(pixels.at(50, 2).a, 255);
    EXPECT_NEAR(pixels.at(50, 2).b, 255, 8);  // the middle stop
    EXPECT_NEAR(pixels.at(50, 2).r, 0, 8);
  }
  EXPECT_FALSE(cg::Gradient::create({}));
  EXPECT_FALSE(cg::Gradient::create({{0, 0, 0, 1}}, {0, 1}));
  EXPECT_FALSE(cg::Gradient::create({{0, 0, 0, 1}, {1, 1, 1, 1}}, {0, std::nan("")}));
}

TEST(CoregraphicsImageDrawing, ImagesDrawUprightScaledIntoTheirRectangle) {
  // Rows: red on top, then green, blue, white.
  const std::uint8_t rows[4][4] = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255},
                                   {255, 255, 255, 255}};
  std::vector<std::uint8_t> rgba;
  for (auto& row : rows)
    for (int x = 0; x < 2; ++x) rgba.insert(rgba.end(), row, row + 4);
  auto image = cg::Image::fromPixels(rgba.data(), rgba.size(),
                                     {2, 4, 8, 32, 8, cg::ColorSpace::deviceRGB,
                                      cg::AlphaInfo::noneSkipLast, cg::ByteOrder::defaultOrder});
  ASSERT_TRUE(image);
  auto context = rgbaBitmap(20, 40);
  context->setInterpolationQuality(cg::InterpolationQuality::none);
  context->drawImage({0, 0, 20, 40}, *image);
  Snapshot pixels(*context);
  EXPECT_EQ(pixels.at(10, 5).r, 255);
  EXPECT_EQ(pixels.at(10, 5).g, 0);
  EXPECT_EQ(pixels.at(10, 15).g, 255);
  EXPECT_EQ(pixels.at(10, 25).b, 255);
  EXPECT_EQ(pixels.at(10, 35).r, 255);
  EXPECT_EQ(pixels.at(10, 35).b, 255);
  // Drawn with the context's alpha, and not at all outside the rectangle.
  auto faded = rgbaBitmap(20, 20);
  faded->setAlpha(0.5);
  faded->drawImage({5, 5, 10, 10}, *image);
  EXPECT_NEAR(cgtest::at(*faded, 10, 10).a, 128, 1);
  EXPECT_EQ(cgtest::at(*faded, 2, 10).a, 0);
  // An image made from a context reads back what was drawn.
  auto copy = context->makeImage();
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->width(), 20u);
  EXPECT_EQ(copy->pixel(10, 5), (cg::Pixel{255, 0, 0, 255}));
  EXPECT_EQ(copy->pixel(10, 25), (cg::Pixel{0, 0, 255, 255}));
}

}  // namespace
