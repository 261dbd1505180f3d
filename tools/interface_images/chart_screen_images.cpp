#include "tools/interface_images/chart_screen_images.h"

#include <cmath>
#include <string>

#include "tools/interface_images/image_file.h"
#include "tools/interface_images/shapes.h"

namespace {

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

// Level with the toolbar's icons, above their titles: the arrows stand at
// the strip's ends over the outermost buttons, whose titles they would
// otherwise cross.
void rightChevron(cg::Context& c, const cg::Color& color) {
  roundStrokes(c, color, 2);
  c.moveToPoint(4, 3);
  c.addLineToPoint(8.5, 10);
  c.addLineToPoint(4, 17);
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

}  // namespace

bool drawChartScreenImages(const std::filesystem::path& folder) {
  bool ok = true;
  ok &= writeBoth(folder, "Motion", 28, 28, motion);
  ok &= writeBoth(folder, "Stop", 28, 28, stop);
  ok &= writeBoth(folder, "VerticalRightMore", 12, 24, rightChevron);
  ok &= writeBoth(folder, "VerticalLeftMore", 12, 24, rightChevron, true);
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
