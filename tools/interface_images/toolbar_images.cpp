#include "tools/interface_images/toolbar_images.h"

#include <cmath>

#include "tools/interface_images/shapes.h"

namespace {

constexpr double kSize = 28, kMid = kSize / 2, kLine = 1.6;

// A point at `degrees` (clockwise on the screen from the right) and
// `radius` from (cx, cy).
cg::Point polar(double cx, double cy, double radius, double degrees) {
  const double a = degrees * kPi / 180;
  return {cx + radius * std::cos(a), cy + radius * std::sin(a)};
}

void ring(cg::Context& c, double cx, double cy, double radius) {
  c.strokeEllipseInRect({cx - radius, cy - radius, 2 * radius, 2 * radius});
}

void dot(cg::Context& c, double cx, double cy, double radius) {
  c.fillEllipseInRect({cx - radius, cy - radius, 2 * radius, 2 * radius});
}

// A star of `points` tips round (cx, cy), one tip straight up.
void star(cg::Context& c, double cx, double cy, double outer, double inner, int points) {
  for (int i = 0; i < 2 * points; ++i) {
    const cg::Point p = polar(cx, cy, i % 2 ? inner : outer, -90 + 180.0 * i / points);
    if (i == 0) c.moveToPoint(p.x, p.y);
    else c.addLineToPoint(p.x, p.y);
  }
  c.closePath();
}

void sky(cg::Context& c, const cg::Color& color) {
  roundStrokes(c, color, kLine);
  star(c, 11, 15.5, 9, 3.8, 5);
  c.strokePath();
  star(c, 22.5, 6, 3.2, 1.1, 4);
  c.fillPath();
  star(c, 23, 20.5, 2.4, 0.9, 4);
  c.fillPath();
}

void orbit(cg::Context& c, const cg::Color& color) {
  roundStrokes(c, color, kLine);
  constexpr double kGlobe = 6.5, kA = 12.5, kB = 4.6, kTilt = -25 * kPi / 180;
  ring(c, kMid, kMid, kGlobe);
  // The orbit, broken where it passes behind the globe.
  constexpr int kSteps = 96;
  bool drawing = false;
  for (int i = 0; i <= kSteps; ++i) {
    const double t = 2 * kPi * i / kSteps, ex = kA * std::cos(t), ey = kB * std::sin(t);
    const double x = kMid + ex * std::cos(kTilt) - ey * std::sin(kTilt);
    const double y = kMid + ex * std::sin(kTilt) + ey * std::cos(kTilt);
    const bool hidden = std::sin(t) < 0 && std::hypot(x - kMid, y - kMid) < kGlobe + 1.5;
    if (hidden) {
      drawing = false;
    } else if (!drawing) {
      c.moveToPoint(x, y);
      drawing = true;
    } else {
      c.addLineToPoint(x, y);
    }
  }
  c.strokePath();
  const double sx = kMid + kA * std::cos(kTilt), sy = kMid + kA * std::sin(kTilt);
  dot(c, sx - 1, sy + 0.5, 2.2);
}

void satellite(cg::Context& c, const cg::Color& color) {
  roundStrokes(c, color, kLine);
  c.translateCTM(kMid, kMid);
  c.rotateCTM(-kPi / 4);
  roundedRect(c, {-3.5, -4, 7, 8}, 1.5);
  c.strokePath();
  for (double side : {-1.0, 1.0}) {
    // A strut, then a panel with one cross line.
    c.moveToPoint(side * 3.5, 0);
    c.addLineToPoint(side * 5.5, 0);
    c.strokePath();
    const double x0 = side > 0 ? 5.5 : -12.5;
    c.strokeRect({x0, -3.5, 7, 7});
    c.moveToPoint(x0 + 3.5, -3.5);
    c.addLineToPoint(x0 + 3.5, 3.5);
    c.strokePath();
  }
  // The antenna.
  c.moveToPoint(0, -4);
  c.addLineToPoint(0, -8);
  c.strokePath();
}

void ground(cg::Context& c, const cg::Color& color) {
  roundStrokes(c, color, kLine);
  constexpr double kHorizon = 18;
  arc(c, kMid, kHorizon, 11, 180, 360);
  c.strokePath();
  c.moveToPoint(1.5, kHorizon);
  c.addLineToPoint(kSize - 1.5, kHorizon);
  c.strokePath();
  for (double y : {21.5, 25.0}) {
    const double inset = y < 23 ? 6 : 10;
    c.moveToPoint(inset, y);
    c.addLineToPoint(kSize - inset, y);
    c.strokePath();
  }
  dot(c, 17.5, 11.5, 1.6);
}

void center(cg::Context& c, const cg::Color& color) {
  roundStrokes(c, color, kLine);
  ring(c, kMid, kMid, 7.5);
  for (double degrees : {0.0, 90.0, 180.0, 270.0}) {
    const cg::Point a = polar(kMid, kMid, 9.5, degrees), b = polar(kMid, kMid, 13, degrees);
    c.moveToPoint(a.x, a.y);
    c.addLineToPoint(b.x, b.y);
    c.strokePath();
  }
  dot(c, kMid, kMid, 1.8);
}

void search(cg::Context& c, const cg::Color& color) {
  roundStrokes(c, color, 2);
  ring(c, 11.5, 11.5, 7.5);
  c.setLineWidth(3);
  c.moveToPoint(17.2, 17.2);
  c.addLineToPoint(24.5, 24.5);
  c.strokePath();
}

void info(cg::Context& c, const cg::Color& color) {
  roundStrokes(c, color, kLine);
  ring(c, kMid, kMid, 12);
  dot(c, kMid, 8.3, 1.5);
  c.setLineWidth(2.2);
  c.moveToPoint(kMid, 12.5);
  c.addLineToPoint(kMid, 20.5);
  c.strokePath();
}

void settings(cg::Context& c, const cg::Color& color) {
  roundStrokes(c, color, kLine);
  constexpr int kTeeth = 8;
  constexpr double kOuter = 12, kInner = 9;
  // Each tooth: a flat top a quarter of its pitch wide, flanks sloping to
  // the root circle.
  for (int i = 0; i < kTeeth; ++i) {
    const double pitch = 360.0 / kTeeth, a = i * pitch;
    const double angles[4] = {a - pitch * 0.3, a - pitch * 0.14, a + pitch * 0.14, a + pitch * 0.3};
    const double radii[4] = {kInner, kOuter, kOuter, kInner};
    for (int k = 0; k < 4; ++k) {
      const cg::Point p = polar(kMid, kMid, radii[k], angles[k]);
      if (i == 0 && k == 0) c.moveToPoint(p.x, p.y);
      else c.addLineToPoint(p.x, p.y);
    }
    arc(c, kMid, kMid, kInner, a + pitch * 0.3, a + pitch * 0.7, true);
  }
  c.closePath();
  c.strokePath();
  ring(c, kMid, kMid, 3.8);
}

void clock(cg::Context& c, const cg::Color& color) {
  roundStrokes(c, color, kLine);
  ring(c, kMid, kMid, 12);
  c.setLineWidth(2);
  // Ten past ten.
  const cg::Point hour = polar(kMid, kMid, 5.5, -90 + 305), minute = polar(kMid, kMid, 8.5, -90 + 60);
  c.moveToPoint(hour.x, hour.y);
  c.addLineToPoint(kMid, kMid);
  c.addLineToPoint(minute.x, minute.y);
  c.strokePath();
}

// The moon's disc less a second disc up and to the right of it.
void nightVision(cg::Context& c, const cg::Color& color) {
  roundStrokes(c, color, kLine);
  constexpr double kR = 11, kCx = 13, kCy = 15, kr = 9.5, kDx = 18.5, kDy = 10;
  const double d = std::hypot(kDx - kCx, kDy - kCy);
  // Where the two circles cross, as angles seen from each centre.
  const double along = (d * d + kR * kR - kr * kr) / (2 * d), across = std::sqrt(kR * kR - along * along);
  const double toInner = std::atan2(kDy - kCy, kDx - kCx) * 180 / kPi;
  const double outerHalf = std::atan2(across, along) * 180 / kPi;
  const double innerHalf = std::atan2(across, d - along) * 180 / kPi;
  arc(c, kCx, kCy, kR, toInner + outerHalf, toInner + 360 - outerHalf);
  arc(c, kDx, kDy, kr, toInner + 180 + innerHalf, toInner + 180 - innerHalf, true);
  c.closePath();
  c.fillPath();
}

void help(cg::Context& c, const cg::Color& color) {
  c.scaleCTM(kSize / 20, kSize / 20);
  questionMark(c, color);
}

}  // namespace

bool drawToolbarImages(const std::filesystem::path& folder) {
  struct Icon {
    const char* name;
    void (*draw)(cg::Context&, const cg::Color&);
  };
  constexpr Icon kIcons[] = {
      {"SkyPerspective", sky},   {"OrbitPerspective", orbit}, {"SatellitePerspective", satellite},
      {"GroundPerspective", ground}, {"Center", center},      {"Search", search},
      {"Info", info},            {"Settings", settings},      {"Time", clock},
      {"NightVision", nightVision}, {"ToolbarHelp", help},
  };
  bool ok = true;
  for (const Icon& icon : kIcons) ok &= writeBoth(folder, icon.name, kSize, kSize, icon.draw);
  return ok;
}
