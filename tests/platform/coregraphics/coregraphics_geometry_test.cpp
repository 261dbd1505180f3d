// Shapes drawn through the 2-D layer against their analytic areas and
// positions, and the layer's refusal of values that would break Cairo.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "pixels.h"
#include "platform/coregraphics/context.h"

namespace {

using cgtest::at;
using cgtest::coverage;
using cgtest::rgbaBitmap;
constexpr double kPi = std::numbers::pi;

TEST(CoregraphicsShapes, FilledAreasMatchTheirFormulas) {
  struct Case {
    cg::Rect rect;
    bool ellipse;
    double area;
  } cases[] = {
      {{20.3, 17.8, 120, 120}, true, kPi * 60 * 60},
      {{10, 10, 7, 7}, true, kPi * 3.5 * 3.5},
      {{31.5, 40.25, 150, 60}, true, kPi * 75 * 30},
      {{5.5, 80, 190, 21.7}, true, kPi * 95 * 10.85},
      {{12.25, 33.75, 101.5, 77.125}, false, 101.5 * 77.125},
      {{150, 150, -40, -25}, false, 1000},  // negative sizes count
  };
  for (const Case& c : cases) {
    auto context = rgbaBitmap(200, 200);
    context->setFillColor(1, 0, 0, 1);
    if (c.ellipse) context->fillEllipseInRect(c.rect);
    else context->fillRect(c.rect);
    EXPECT_NEAR(coverage(*context), c.area, c.area * 0.005)
        << c.rect.x() << "," << c.rect.y() << " " << c.rect.width() << "x" << c.rect.height();
  }
}

TEST(CoregraphicsShapes, PathFillUsesNonZeroWinding) {
  auto context = rgbaBitmap(100, 100);
  context->setFillColor(0, 0, 1, 1);
  // Two squares wound the same way: the overlap stays filled.
  context->addRect({10, 10, 50, 50});
  context->addRect({30, 30, 50, 50});
  context->fillPath();
  EXPECT_NEAR(coverage(*context), 2 * 2500 - 900, 1);
  EXPECT_TRUE(context->isPathEmpty());
}

TEST(CoregraphicsShapes, ADashOfFiveAndFiveLightsHalfOfALineAndACircle) {
  const double dash[] = {5, 5};
  auto line = rgbaBitmap(300, 20);
  line->setStrokeColor(1, 1, 1, 1);
  line->setLineWidth(2);
  line->setLineDash(0, dash, 2);
  line->moveToPoint(0, 10);
  line->addLineToPoint(300, 10);
  line->strokePath();
  EXPECT_NEAR(coverage(*line), 0.5 * 300 * 2, 300 * 2 * 0.02);

  auto circle = rgbaBitmap(200, 200);
  circle->setStrokeColor(1, 1, 1, 1);
  circle->setLineWidth(2);
  circle->setLineDash(0, dash, 2);
  circle->strokeEllipseInRect({20, 20, 160, 160});
  const double ring = 2 * kPi * 80 * 2;
  EXPECT_NEAR(coverage(*circle), ring / 2, ring * 0.02);
  // A solid circle lights the whole ring: the dash really halves it.
  auto solid = rgbaBitmap(200, 200);
  solid->setStrokeColor(1, 1, 1, 1);
  solid->setLineWidth(2);
  solid->strokeEllipseInRect({20, 20, 160, 160});
  EXPECT_NEAR(coverage(*solid), ring, ring * 0.02);
}

TEST(CoregraphicsShapes, BadDashesDrawSolidLinesAndKeepTheContextWorking) {
  const double negative[] = {5, -1}, zeros[] = {0, 0},
               nan[] = {std::numeric_limits<double>::quiet_NaN(), 3};
  for (const double* lengths : {negative, zeros, nan}) {
    auto context = rgbaBitmap(100, 10);
    context->setStrokeColor(1, 1, 1, 1);
    context->setLineWidth(2);
    context->setLineDash(0, lengths, 2);
    context->moveToPoint(0, 5);
    context->addLineToPoint(100, 5);
    context->strokePath();
    EXPECT_NEAR(coverage(*context), 200, 2);
    EXPECT_EQ(cairo_status(context->cairo()), CAIRO_STATUS_SUCCESS);
  }
}

// The path a rounded rectangle is made of: arcs through each corner
// towards the next side.
void addRoundRect(cg::Context& c, double x, double y, double w, double h, double r) {
  c.moveToPoint(x, y + r);
  c.addArcToPoint(x, y, x + r, y, r);
  c.addArcToPoint(x + w, y, x + w, y + r, r);
  c.addArcToPoint(x + w, y + h, x + w - r, y + h, r);
  c.addArcToPoint(x, y + h, x, y + h - r, r);
  c.closePath();
}

TEST(CoregraphicsShapes, ArcToPointRoundRectanglesCoverTheRectangleLessTheirCorners) {
  struct Case {
    double x, y, w, h, r;
  } cases[] = {{10, 10, 150, 100, 8}, {20.5, 30.25, 120, 140, 30}, {5, 5, 60, 60, 30},
               {40, 20, 100, 50, 0}};
  for (const Case& c : cases) {
    auto context = rgbaBitmap(200, 200);
    context->setFillColor(1, 1, 1, 1);
    addRoundRect(*context, c.x, c.y, c.w, c.h, c.r);
    context->fillPath();
    double expected = c.w * c.h - (4 - kPi) * c.r * c.r;
    EXPECT_NEAR(coverage(*context), expected, expected * 0.005) << c.r;
  }
}

TEST(CoregraphicsShapes, ArcToPointTurnsEitherWay) {
  // The same rounded rectangle traced clockwise covers the same area.
  auto context = rgbaBitmap(200, 200);
  context->setFillColor(1, 1, 1, 1);
  const double x = 20, y = 20, w = 120, h = 90, r = 25;
  context->moveToPoint(x + r, y);
  context->addArcToPoint(x, y, x, y + r, r);
  context->addArcToPoint(x, y + h, x + r, y + h, r);
  context->addArcToPoint(x + w, y + h, x + w, y + h - r, r);
  context->addArcToPoint(x + w, y, x + w - r, y, r);
  context->closePath();
  context->fillPath();
  double expected = w * h - (4 - kPi) * r * r;
  EXPECT_NEAR(coverage(*context), expected, expected * 0.005);
}

TEST(CoregraphicsShapes, ARotatedEllipsesExtremePixelsLieWhereTheRotationPutsThem) {
  const double cx = 100.5, cy = 90.25, rx = 70, ry = 20;
  for (double angle : {0.3, 1.1, -0.7, 2.5}) {
    auto context = rgbaBitmap(200, 200);
    context->setFillColor(1, 1, 1, 1);
    context->saveGState();
    context->translateCTM(cx, cy);
    context->rotateCTM(angle);
    context->fillEllipseInRect({-rx, -ry, 2 * rx, 2 * ry});
    context->restoreGState();
    // The ellipse's extent in x is sqrt(rx² cos² + ry² sin²) either side,
    // reached at the point that direction gives; find the rightmost lit
    // pixel and its row.
    const double extent = std::sqrt(rx * rx * std::cos(angle) * std::cos(angle) +
                                    ry * ry * std::sin(angle) * std::sin(angle));
    const double t = std::atan2(-ry * std::sin(angle), rx * std::cos(angle));
    const double extremeY = cy + rx * std::cos(t) * std::sin(angle) + ry * std::sin(t) * std::cos(angle);
    cgtest::Snapshot pixels(*context);
    int rightmost = -1;
    double rowSum = 0, weight = 0;
    for (int x = 199; x >= 0 && rightmost < 0; --x)
      for (int row = 0; row < 200; ++row)
        if (pixels.at(x, row).a > 128) rightmost = x;
    ASSERT_GE(rightmost, 0);
    for (int row = 0; row < 200; ++row) {
      int a = pixels.at(rightmost, row).a;
      rowSum += a * (200 - row - 0.5);  // y up: rows count from the top
      weight += a;
    }
    EXPECT_NEAR(rightmost + 0.5, cx + extent, 1.0) << angle;
    EXPECT_NEAR(rowSum / weight, extremeY, 2.0) << angle;
  }
}

TEST(CoregraphicsContext, UserSpaceStartsAtTheBottomLeftWithYUp) {
  auto context = rgbaBitmap(40, 30);
  context->setFillColor(1, 0, 0, 1);
  context->fillRect({0, 0, 10, 5});
  EXPECT_EQ(at(*context, 0, 29).a, 255);  // bottom row
  EXPECT_EQ(at(*context, 9, 25).a, 255);
  EXPECT_EQ(at(*context, 0, 24).a, 0);
  EXPECT_EQ(at(*context, 10, 29).a, 0);
  EXPECT_EQ(at(*context, 0, 0).a, 0);
  // A flip makes y point down, as the interface layer uses it.
  context->translateCTM(0, 30);
  context->scaleCTM(1, -1);
  context->setFillColor(0, 1, 0, 1);
  context->fillRect({30, 0, 10, 5});
  EXPECT_EQ(at(*context, 35, 0).g, 255);
  EXPECT_EQ(at(*context, 35, 5).a, 0);
}

TEST(CoregraphicsContext, PointsAtAScaleArePixelsTimesTheScale) {
  auto context = cg::Context::createForPoints(100, 50.5, 2);
  ASSERT_TRUE(context);
  EXPECT_EQ(context->width(), 200u);
  EXPECT_EQ(context->height(), 101u);
  EXPECT_EQ(context->scale(), 2);
  auto rgba = cg::Context::createForPoints(10, 10, 3, {cg::ColorSpace::deviceRGB,
                                                       cg::PixelLayout::premultipliedRGBA, 0});
  rgba->setFillColor(1, 1, 1, 1);
  rgba->fillRect({0, 0, 5, 5});
  EXPECT_NEAR(coverage(*rgba), 15 * 15, 0.5);
}

TEST(CoregraphicsContext, PixelLayoutsOrderTheirBytes) {
  const cg::Color color{1.0, 0.5, 0.25, 0.5};
  auto fill = [&](cg::PixelLayout layout, cg::ColorSpace space) {
    auto c = cg::Context::createBitmap(4, 4, {space, layout, 0});
    c->setFillColor(color);
    c->fillRect({0, 0, 4, 4});
    return c;
  };
  auto bgra = fill(cg::PixelLayout::premultipliedBGRA, cg::ColorSpace::deviceRGB);
  auto rgba = fill(cg::PixelLayout::premultipliedRGBA, cg::ColorSpace::deviceRGB);
  auto rgbx = fill(cg::PixelLayout::rgbSkipLast, cg::ColorSpace::deviceRGB);
  auto gray = fill(cg::PixelLayout::gray, cg::ColorSpace::deviceGray);
  const std::uint8_t* b = bgra->data();
  const std::uint8_t* r = rgba->data();
  const std::uint8_t* x = rgbx->data();
  // Half-transparent orange, premultiplied: (128, 64, 32, 128) within one.
  EXPECT_NEAR(r[0], 128, 1);
  EXPECT_NEAR(r[1], 64, 1);
  EXPECT_NEAR(r[2], 32, 1);
  EXPECT_NEAR(r[3], 128, 1);
  EXPECT_EQ(b[0], r[2]);
  EXPECT_EQ(b[1], r[1]);
  EXPECT_EQ(b[2], r[0]);
  EXPECT_EQ(b[3], r[3]);
  // Over opaque black, with the fourth byte unused.
  EXPECT_NEAR(x[0], 128, 1);
  EXPECT_NEAR(x[1], 64, 1);
  EXPECT_NEAR(x[2], 32, 1);
  EXPECT_EQ(rgbx->bytesPerRow(), 16u);
  EXPECT_EQ(gray->bytesPerRow(), 4u);
  EXPECT_NEAR(gray->data()[0], 0.299 * 128 + 0.587 * 64 + 0.114 * 32, 2);
  // A wider row keeps its padding.
  auto padded = cg::Context::createBitmap(3, 2, {cg::ColorSpace::deviceRGB,
                                                 cg::PixelLayout::premultipliedRGBA, 20});
  ASSERT_TRUE(padded);
  padded->setFillColor(1, 1, 1, 1);
  padded->fillRect({0, 0, 3, 2});
  EXPECT_EQ(padded->data()[20 + 8 + 3], 255);
  EXPECT_EQ(padded->data()[12], 0);
}

TEST(CoregraphicsContext, ImpossibleBitmapsAreRefusedWithAReason) {
  std::string message;
  EXPECT_FALSE(cg::Context::createBitmap(0, 10, {}, &message));
  EXPECT_EQ(message, "empty bitmap");
  // The size a huge text height asks of a glyph atlas.
  EXPECT_FALSE(cg::Context::createBitmap(1u << 20, 1u << 20, {}, &message));
  EXPECT_EQ(message, "bitmap too large");
  EXPECT_FALSE(cg::Context::createBitmap(16384, 16384, {}, &message));
  EXPECT_FALSE(cg::Context::createForPoints(std::numeric_limits<double>::max(),
                                            std::numeric_limits<double>::max(), 2, {}, &message));
  EXPECT_FALSE(cg::Context::createForPoints(std::nan(""), 10, 1, {}, &message));
  EXPECT_FALSE(cg::Context::createBitmap(10, 10, {cg::ColorSpace::deviceGray,
                                                  cg::PixelLayout::premultipliedRGBA, 0}, &message));
  EXPECT_EQ(message, "unsupported pixel format");
  EXPECT_FALSE(cg::Context::createBitmap(10, 10, {cg::ColorSpace::deviceRGB,
                                                  cg::PixelLayout::premultipliedRGBA, 39}, &message));
  EXPECT_TRUE(cg::Context::createBitmap(8192, 8192, {}, &message));
}

TEST(CoregraphicsContext, AZeroScaleSuspendsDrawingUntilTheStateIsRestored) {
  auto context = rgbaBitmap(100, 100);
  context->setFillColor(1, 1, 1, 1);
  // A projection scale of 0 gives a sign of 0: the shape is skipped.
  context->saveGState();
  context->translateCTM(50, 50);
  context->scaleCTM(0, 1);
  EXPECT_TRUE(context->isDrawingSuspended());
  context->rotateCTM(0.5);
  context->fillEllipseInRect({-10, -10, 20, 20});
  context->strokeRect({-10, -10, 20, 20});
  context->moveToPoint(0, 0);
  context->addLineToPoint(10, 10);
  context->strokePath();
  context->restoreGState();
  EXPECT_FALSE(context->isDrawingSuspended());
  EXPECT_EQ(coverage(*context), 0);
  EXPECT_EQ(cairo_status(context->cairo()), CAIRO_STATUS_SUCCESS);
  // The context goes on drawing, at the right place.
  context->fillRect({0, 0, 10, 10});
  EXPECT_NEAR(coverage(*context), 100, 0.5);
  EXPECT_EQ(at(*context, 5, 95).a, 255);
  // A NaN or infinite transform does the same.
  context->saveGState();
  context->scaleCTM(std::nan(""), 1);
  context->fillRect({20, 20, 10, 10});
  context->restoreGState();
  context->saveGState();
  context->translateCTM(std::numeric_limits<double>::infinity(), 0);
  context->fillRect({20, 20, 10, 10});
  context->restoreGState();
  EXPECT_NEAR(coverage(*context), 100, 0.5);
  // More restores than saves are ignored.
  context->restoreGState();
  context->fillRect({50, 50, 10, 10});
  EXPECT_NEAR(coverage(*context), 200, 0.5);
}

TEST(CoregraphicsContext, ANonFiniteOrFarPointDiscardsItsShapeOnly) {
  auto context = rgbaBitmap(100, 100);
  context->setStrokeColor(1, 1, 1, 1);
  context->setFillColor(1, 1, 1, 1);
  const double nan = std::nan(""), inf = std::numeric_limits<double>::infinity();
  context->moveToPoint(10, 10);
  context->addLineToPoint(nan, 50);
  context->addLineToPoint(90, 90);
  context->strokePath();
  context->moveToPoint(10, 10);
  context->addCurveToPoint(20, inf, 30, 30, 40, 40);
  context->fillPath();
  context->moveToPoint(0, 50);
  context->addLineToPoint(1e12, 50);  // beyond Cairo's fixed-point range
  context->strokePath();
  context->fillEllipseInRect({10, 10, nan, 20});
  context->fillRect({10, 10, 1e300, 20});
  EXPECT_EQ(coverage(*context), 0);
  EXPECT_EQ(cairo_status(context->cairo()), CAIRO_STATUS_SUCCESS);
  // A poisoned clip path hides everything until the state is restored.
  context->saveGState();
  context->addRect({0, 0, nan, 10});
  context->clip();
  context->fillRect({0, 0, 100, 100});
  context->restoreGState();
  EXPECT_EQ(coverage(*context), 0);
  // The next shapes draw.
  context->moveToPoint(0, 50.5);
  context->addLineToPoint(100, 50.5);
  context->strokePath();
  EXPECT_NEAR(coverage(*context), 100, 1);
}

TEST(CoregraphicsContext, RectangleCallsLeaveTheCurrentPathAlone) {
  auto context = rgbaBitmap(100, 100);
  context->setFillColor(1, 1, 1, 1);
  context->addRect({0, 0, 10, 10});
  context->fillRect({50, 50, 10, 10});
  context->fillEllipseInRect({70, 70, 10, 10});
  EXPECT_FALSE(context->isPathEmpty());
  context->fillPath();
  EXPECT_NEAR(coverage(*context), 200 + kPi * 25, 1);
}

TEST(CoregraphicsContext, ClippingLimitsDrawingAndIsRestoredWithTheState) {
  auto context = rgbaBitmap(100, 100);
  context->setFillColor(1, 1, 1, 1);
  context->saveGState();
  context->addEllipseInRect({0, 0, 100, 100});
  context->clip();
  EXPECT_TRUE(context->isPathEmpty());
  context->fillRect({0, 0, 100, 100});
  context->restoreGState();
  EXPECT_NEAR(coverage(*context), kPi * 2500, kPi * 2500 * 0.005);
  context->clearRect({0, 0, 100, 100});
  context->saveGState();
  context->clipToRect({10, 10, 20, 20});
  context->fillRect({0, 0, 100, 100});
  context->restoreGState();
  context->fillRect({90, 90, 10, 10});
  EXPECT_NEAR(coverage(*context), 500, 0.5);
}

TEST(CoregraphicsContext, StrokeAndFillColoursAreKeptApartAndSavedWithTheState) {
  auto context = rgbaBitmap(60, 60);
  context->setStrokeColor(1, 0, 0, 1);
  context->setFillColor(0, 0, 1, 1);
  context->saveGState();
  context->setFillColor(0, 1, 0, 1);
  context->setLineWidth(7);
  context->restoreGState();
  EXPECT_EQ(context->fillColor(), (cg::Color{0, 0, 1, 1}));
  EXPECT_EQ(context->lineWidth(), 1);
  context->setLineWidth(4);
  context->addRect({10, 10, 40, 40});
  context->drawPath(cg::PathDrawingMode::fillStroke);
  cgtest::Rgba inside = at(*context, 30, 30), edge = at(*context, 10, 30);
  EXPECT_EQ(inside.b, 255);
  EXPECT_EQ(inside.r, 0);
  EXPECT_EQ(edge.r, 255);  // the stroke is drawn over the fill
  EXPECT_EQ(edge.b, 0);
}

}  // namespace
