// tessaly-interface-images FOLDER: draws the interface's small images into
// FOLDER at scales 1 and 2 ("Help.png" and "Help@2x.png", ...), the chart
// screen's (chart_screen_images.h) and the information screens'
// (info_screen_images.h):
//
//   Help         20 x 20 pt  a ringed question mark in the window's tint;
//                            "_night" in the night-vision red
//   Disclosure    8 x 13 pt  a grey chevron (the night theme tints it)
//   Checkmark    20 x 20 pt  a check mark in the window's tint (the night
//                            theme tints it)
//   NotChecked   20 x 20 pt  an empty grey ring; "_night" dark red
//
// Every file is replaced atomically; the exit status is 1 when one could not
// be written.
#include <cstdio>
#include <filesystem>

#include "platform/coregraphics/context.h"
#include "tools/interface_images/chart_screen_images.h"
#include "tools/interface_images/image_file.h"
#include "tools/interface_images/info_screen_images.h"
#include "tools/interface_images/shapes.h"
#include "tools/interface_images/toolbar_images.h"

namespace {

// The night theme's darker red and the platform's grey.
constexpr cg::Color kGrey{0.6, 0.6, 0.6, 1};
constexpr cg::Color kNightDarkRed{0.5, 0, 0, 1};

void disclosure(cg::Context& c) {
  c.setStrokeColor(kGrey);
  c.setLineWidth(2);
  c.setLineCap(cg::LineCap::round);
  c.setLineJoin(cg::LineJoin::round);
  c.moveToPoint(1.5, 1.5);
  c.addLineToPoint(6.5, 6.5);
  c.addLineToPoint(1.5, 11.5);
  c.strokePath();
}

void checkmark(cg::Context& c) {
  c.setStrokeColor(kTint);
  c.setLineWidth(2.5);
  c.setLineCap(cg::LineCap::round);
  c.setLineJoin(cg::LineJoin::round);
  c.moveToPoint(3.5, 10.5);
  c.addLineToPoint(8, 15);
  c.addLineToPoint(16.5, 5);
  c.strokePath();
}

void notChecked(cg::Context& c, const cg::Color& color) {
  c.setStrokeColor(color);
  c.setLineWidth(1.5);
  c.strokeEllipseInRect({2, 2, 16, 16});
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tessaly-interface-images FOLDER\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    std::fprintf(stderr, "%s: %s\n", argv[1], error.message().c_str());
    return 1;
  }
  bool ok = true;
  ok &= write(folder, "Help", 20, 20, [](cg::Context& c) { questionMark(c, kTint); });
  ok &= write(folder, "Help_night", 20, 20, [](cg::Context& c) { questionMark(c, kNightRed); });
  ok &= write(folder, "Disclosure", 8, 13, disclosure);
  ok &= write(folder, "Checkmark", 20, 20, checkmark);
  ok &= write(folder, "NotChecked", 20, 20, [](cg::Context& c) { notChecked(c, kGrey); });
  ok &= write(folder, "NotChecked_night", 20, 20, [](cg::Context& c) { notChecked(c, kNightDarkRed); });
  ok &= drawChartScreenImages(folder);
  ok &= drawToolbarImages(folder);
  ok &= drawInfoScreenImages(folder);
  return ok ? 0 : 1;
}
