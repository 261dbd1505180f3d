#include "tools/interface_images/info_screen_images.h"

#include <cmath>

#include "tools/interface_images/image_file.h"

namespace {

void clockFace(cg::Context& c) {
  constexpr double kCentre = 9.5, kRadius = 8.25;
  c.setStrokeColor(kTint);
  c.setLineWidth(1.5);
  c.strokeEllipseInRect({kCentre - kRadius, kCentre - kRadius, 2 * kRadius, 2 * kRadius});
  c.setLineCap(cg::LineCap::round);
  // Hands at ten past ten: the hour hand 4.5 pt long, the minute hand 6.
  const auto hand = [&c](double degreesFromTwelve, double length) {
    const double angle = degreesFromTwelve * M_PI / 180;
    c.moveToPoint(kCentre, kCentre);
    c.addLineToPoint(kCentre + length * std::sin(angle), kCentre - length * std::cos(angle));
    c.strokePath();
  };
  hand(305, 4.5);
  hand(60, 6.0);
}

}  // namespace

bool drawInfoScreenImages(const std::filesystem::path& folder) {
  return write(folder, "Clock", 19, 19, clockFace);
}
