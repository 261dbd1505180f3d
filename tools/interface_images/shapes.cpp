#include "tools/interface_images/shapes.h"

#include <cmath>
#include <utility>

void roundedRect(cg::Context& c, const cg::Rect& r, double radius) {
  const double x0 = r.origin.x, y0 = r.origin.y, x1 = x0 + r.size.width, y1 = y0 + r.size.height;
  c.moveToPoint(x0 + radius, y0);
  c.addArcToPoint(x1, y0, x1, y1, radius);
  c.addArcToPoint(x1, y1, x0, y1, radius);
  c.addArcToPoint(x0, y1, x0, y0, radius);
  c.addArcToPoint(x0, y0, x1, y0, radius);
  c.closePath();
}

void arc(cg::Context& c, double cx, double cy, double radius, double a0, double a1, bool join) {
  constexpr int kSteps = 24;
  for (int i = 0; i <= kSteps; ++i) {
    const double a = (a0 + (a1 - a0) * i / kSteps) * kPi / 180;
    const double x = cx + radius * std::cos(a), y = cy + radius * std::sin(a);
    if (i == 0 && !join) c.moveToPoint(x, y);
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

void questionMark(cg::Context& c, const cg::Color& color) {
  c.setStrokeColor(color);
  c.setFillColor(color);
  c.setLineWidth(1.5);
  c.strokeEllipseInRect({1, 1, 18, 18});
  // The hook: most of a circle round (10, 7.5), then down to the stem.
  c.setLineCap(cg::LineCap::round);
  c.moveToPoint(7, 7.5);
  c.addCurveToPoint(7, 3.5, 13, 3.5, 13, 7.5);
  c.addCurveToPoint(13, 9.5, 10, 10, 10, 12.5);
  c.strokePath();
  c.fillEllipseInRect({8.9, 14, 2.2, 2.2});
}

Draw mirrored(double width, Draw draw) {
  return [width, draw](cg::Context& c) {
    c.translateCTM(width, 0);
    c.scaleCTM(-1, 1);
    draw(c);
  };
}

bool writeBoth(const std::filesystem::path& folder, const std::string& name, double width, double height,
               void (*draw)(cg::Context&, const cg::Color&), bool mirror) {
  bool ok = true;
  for (const auto& [suffix, color] : {std::pair{"", kWhite}, std::pair{"_night", kNightRed}}) {
    Draw plain = [draw, color](cg::Context& c) { draw(c, color); };
    ok &= write(folder, name + suffix, width, height, mirror ? mirrored(width, plain) : plain);
  }
  return ok;
}
