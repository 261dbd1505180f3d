#include "tools/interface_images/chart_screen_images.h"

#include <cmath>
#include <string>

#include "tools/interface_images/image_file.h"

namespace {

constexpr cg::Color kWhite{1, 1, 1, 1};
constexpr double kPi = 3.14159265358979323846;

void roundedRect(cg::Context& c, const cg::Rect& r, double radius) {
  const double x0 = r.origin.x, y0 = r.origin.y, x1 = x0 + r.size.width, y1 = y0 + r.size.height;
  c.moveToPoint(x0 + radius, y0);
  c.addArcToPoint(x1, y0, x1, y1, radius);
  c.addArcToPoint(x1, y1, x0, y1, radius);
  c.addArcToPoint(x0, y1, x0, y0, radius);
  c.addArcToPoint(x0, y0, x1, y0, radius);
  c.closePath();
}

// An arc round (cx, cy) from angle a0 to a1 (degrees, clockwise on the
// screen from the right), as a fine polyline.
void arc(cg::Context& c, double cx, double cy, double radius, double a0, double a1) {
  constexpr int kSteps = 24;
  for (int i = 0; i <= kSteps; ++i) {
    const double a = (a0 + (a1 - a0) * i / kSteps) * kPi / 180;
    const double x = cx + radius * std::cos(a), y = cy + radius * std::sin(a);
    if (i == 0) c.moveToPoint(x, y);
    else c.addLineToPoint(x, y);
  }
}

void roundStrokes(cg::Context& c, const cg::Color& color, double width) {
  c.setStrokeColor(color);
  c.setFillColor(color);
  c.setLineWidth(width);
  c.setLineCap(cg::LineCap::round);
  c.setLineJoin(cg::LineJoin::round);
}

void motion(cg::Context& c, const cg::Color& color) {
  roundStrokes(c, color, 1.6);
  roundedRect(c, {9, 5, 10, 18}, 2);
  c.strokePath();
  c.moveToPoint(12.5, 7.5);
  c.addLineToPoint(15.5, 7.5);  // the earpiece
  c.strokePath();
  for (double side : {0.0, 180.0}) {
    arc(c, 14, 14, 9.5, side - 28, side + 28);
    c.strokePath();
    arc(c, 14, 14, 12.5, side - 22, side + 22);
    c.strokePath();
  }
}

void stop(cg::Context& c, const cg::Color& color) {
  roundStrokes(c, color, 1.6);
  c.strokeEllipseInRect({2, 2, 24, 24});
  roundedRect(c, {9, 9, 10, 10}, 1.5);
  c.fillPath();
}

void rightChevron(cg::Context& c, const cg::Color& color) {
  roundStrokes(c, color, 2);
  c.moveToPoint(3.5, 5);
  c.addLineToPoint(8.5, 15);
  c.addLineToPoint(3.5, 25);
  c.strokePath();
}

// A triangle pointing right, its base at x = left from y = top to bottom,
// its point at x = right halfway down.
void rightTriangle(cg::Context& c, double left, double right, double top, double bottom,
                   cg::PathDrawingMode mode) {
  c.moveToPoint(left, top);
  c.addLineToPoint(right, (top + bottom) / 2);
  c.addLineToPoint(left, bottom);
  c.closePath();
  c.drawPath(mode);
}

void forwardTriangle(cg::Context& c, const cg::Color& color, bool filled) {
  roundStrokes(c, color, 1.6);
  rightTriangle(c, 11, 27, 4.5, 19.5, filled ? cg::PathDrawingMode::fillStroke : cg::PathDrawingMode::stroke);
}

void stepForward(cg::Context& c, const cg::Color& color) {
  roundStrokes(c, color, 1.2);
  rightTriangle(c, 9, 22, 5.5, 18.5, cg::PathDrawingMode::fillStroke);
  c.fillRect({24, 5, 3, 14});
}

// The drawing turned over left to right within `width` points.
Draw mirrored(double width, Draw draw) {
  return [width, draw](cg::Context& c) {
    c.translateCTM(width, 0);
    c.scaleCTM(-1, 1);
    draw(c);
  };
}

// The image in white and, as "_night", in the night theme's red.
bool writeBoth(const std::filesystem::path& folder, const std::string& name, double width, double height,
               void (*draw)(cg::Context&, const cg::Color&), bool mirror = false) {
  bool ok = true;
  for (const auto& [suffix, color] : {std::pair{"", kWhite}, std::pair{"_night", kNightRed}}) {
    Draw plain = [draw, color](cg::Context& c) { draw(c, color); };
    ok &= write(folder, name + suffix, width, height, mirror ? mirrored(width, plain) : plain);
  }
  return ok;
}

}  // namespace

bool drawChartScreenImages(const std::filesystem::path& folder) {
  bool ok = true;
  ok &= writeBoth(folder, "Motion", 28, 28, motion);
  ok &= writeBoth(folder, "Stop", 28, 28, stop);
  ok &= writeBoth(folder, "VerticalRightMore", 12, 30, rightChevron);
  ok &= writeBoth(folder, "VerticalLeftMore", 12, 30, rightChevron, true);
  auto outlined = [](cg::Context& c, const cg::Color& color) { forwardTriangle(c, color, false); };
  auto filled = [](cg::Context& c, const cg::Color& color) { forwardTriangle(c, color, true); };
  ok &= writeBoth(folder, "TimeFlowForwardOff", 36, 24, outlined);
  ok &= writeBoth(folder, "TimeFlowForwardOn", 36, 24, filled);
  ok &= writeBoth(folder, "TimeFlowBackwardOff", 36, 24, outlined, true);
  ok &= writeBoth(folder, "TimeFlowBackwardOn", 36, 24, filled, true);
  ok &= writeBoth(folder, "TimeStepForward", 36, 24, stepForward);
  ok &= writeBoth(folder, "TimeStepBackward", 36, 24, stepForward, true);
  return ok;
}
