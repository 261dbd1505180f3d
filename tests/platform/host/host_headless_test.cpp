// A scripted headless session over the check program's screens: a table of
// 30 indexed sections in a navigation stack. Snapshots of the table pages
// are compared per pixel (within 2 levels) with pages the test draws
// itself through the 2-D layer from the table's own arithmetic (28-point
// headers, 44-point rows, the index strip centred at the right); the other
// steps (push and pop, typing, an alert answered, a long press) are checked
// by what they leave behind.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>

#include "platform/coregraphics/image_codec.h"
#include "platform/coregraphics/text.h"
#include "platform/foundation/run_loop.h"
#include "platform/host/check/check_screens.h"
#include "platform/host/host.h"
#include "temp_dir.h"

namespace {

constexpr double kWidth = 375, kHeight = 667, kBar = 44;
constexpr double kSectionHeight = 28 + check::kRowsPerSection * 44;
constexpr double kIndexWidth = 16;

void drawText(cg::Context& c, const std::string& text, const cg::Rect& frame, const ui::Font& font,
              const ui::Color& color, cg::TextAlignment alignment) {
  cg::TextLayoutOptions options;
  options.maxWidth = frame.width();
  options.maxLines = 1;
  options.alignment = alignment;
  options.lineBreak = cg::LineBreakMode::truncateTail;
  const double h = cg::textSize(text, font.cgFont(), options).height;
  cg::drawString(c, text, cg::Rect{frame.x(), frame.y() + (frame.height() - h) / 2, frame.width(), h}, font.cgFont(),
                 color.cg(), options);
}

// The table page at a content offset, drawn from the table's rules.
std::shared_ptr<cg::Image> referencePage(double offset) {
  auto c = cg::Context::createForPoints(kWidth, kHeight, 2);
  c->translateCTM(0, kHeight);
  c->scaleCTM(1, -1);
  c->setFillColor(1, 1, 1, 1);
  c->fillRect({0, 0, kWidth, kHeight});
  auto regular = ui::Font::systemFont(17), bold = ui::Font::boldSystemFont(17);
  const double rowWidth = kWidth - kIndexWidth - 2;
  c->saveGState();
  c->clipToRect({0, kBar, kWidth, kHeight - kBar});
  for (int s = 0; s < check::kSections; ++s)
    for (int r = 0; r < check::kRowsPerSection; ++r) {
      const double y = kBar + s * kSectionHeight + 28 + r * 44 - offset;
      if (y + 44 <= kBar || y >= kHeight) continue;
      const double cx = rowWidth - 15 - 6, cy = y + 22;  // the chevron
      c->setStrokeColor(0.7, 0.7, 0.7, 1);
      c->setLineWidth(2);
      c->moveToPoint(cx - 3, cy - 6);
      c->addLineToPoint(cx + 3, cy);
      c->addLineToPoint(cx - 3, cy + 6);
      c->strokePath();
      c->setFillColor(0.78, 0.78, 0.78, 1);
      c->fillRect({15, y + 43.5, rowWidth - 15, 0.5});
      drawText(*c, check::rowTitle(s, r), {15, y, rowWidth - 34 - 30, 44}, *regular, ui::Color::black(),
               cg::TextAlignment::left);
    }
  for (int s = 0; s < check::kSections; ++s) {
    const double top = s * kSectionHeight;
    if (top + kSectionHeight <= offset || top - offset >= kHeight - kBar) continue;
    const double y = kBar + std::clamp(offset, top, top + kSectionHeight - 28) - offset;
    c->setFillColor(0.97, 0.97, 0.97, 1);
    c->fillRect({0, y, kWidth, 28});
    drawText(*c, check::sectionTitle(s), {15, y, kWidth - 30, 28}, *bold, ui::Color::black(), cg::TextAlignment::left);
  }
  auto small = ui::Font::boldSystemFont(11);
  const double h = 16, top = kBar + (kHeight - kBar) / 2 - h * check::kSections / 2;
  for (int s = 0; s < check::kSections; ++s)
    drawText(*c, check::indexTitle(s), {kWidth - kIndexWidth - 2, top + h * s, kIndexWidth, h}, *small,
             ui::Color::systemBlue(), cg::TextAlignment::center);
  c->restoreGState();
  c->setFillColor(0.97, 0.97, 0.97, 1);
  c->fillRect({0, 0, kWidth, kBar});
  c->setFillColor(0, 0, 0, 0.3);
  c->fillRect({0, kBar - 0.5, kWidth, 0.5});
  drawText(*c, "Constellations", {90, 0, kWidth - 180, kBar}, *bold, ui::Color::black(), cg::TextAlignment::center);
  return c->makeImage();
}

// Compares within 2 levels; on a difference writes both images and their
// difference next to the test and says where.
bool samePicture(const cg::Image& got, const cg::Image& want, const std::string& name) {
  if (got.width() != want.width() || got.height() != want.height()) return false;
  std::vector<std::uint32_t> difference(got.width() * got.height());
  int worst = 0, count = 0;
  for (std::size_t y = 0; y < got.height(); ++y)
    for (std::size_t x = 0; x < got.width(); ++x) {
      cg::Pixel a = got.pixel(x, y), b = want.pixel(x, y);
      int d = std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b), std::abs(a.a - b.a)});
      worst = std::max(worst, d);
      if (d > 2) ++count;
      std::uint8_t v = static_cast<std::uint8_t>(std::min(255, d * 8));
      difference[y * got.width() + x] = cg::packARGB(255, v, v, v);
    }
  if (worst <= 2) return true;
  std::string folder = std::filesystem::current_path().string() + "/host_failures";
  std::filesystem::create_directories(folder);
  cg::writePNG(got, folder + "/" + name + "-snapshot.png");
  cg::writePNG(want, folder + "/" + name + "-reference.png");
  cg::writePNG(*cg::Image::fromARGB(got.width(), got.height(), difference), folder + "/" + name + "-difference.png");
  ADD_FAILURE() << name << ": " << count << " pixels differ by more than 2 levels (worst " << worst
                << "); images in " << folder;
  return false;
}

TEST(HostHeadless, AScriptedSessionOverAnIndexedTableLooksAndActsAsItShould) {
  ui::Application::shared().reset();
  ui::DeviceConfiguration device;
  device.portraitSize = {kWidth, kHeight};
  device.scale = 2;
  ui::Screen::main().configure(device);
  tessaly::test::TempDir folder;
  // Index title of section 14 (Corvus): the strip is centred in the table.
  const double indexY = kBar + (kHeight - kBar) / 2 - 16.0 * 15 + 16 * 14 + 8;
  host::HeadlessOptions options;
  options.snapshotFolder = folder.path().string();
  options.script = "snapshot 01-table\n"
                   "drag 150 600 150 300 8\n"   // slow: no glide afterwards
                   "snapshot 02-scrolled\n"
                   "tap 365 " + std::to_string(indexY) + "\n"
                   "snapshot 03-index\n"
                   "tap 120 94\n"               // Corvus 1: pushes its screen
                   "wait 1\n"
                   "snapshot 04-detail\n"
                   "tap 180 232\n"
                   "type Ada Lovelace\n"
                   "key return\n"
                   "tap 180 296\n"              // Show Alert
                   "wait 1\n"
                   "snapshot 05-alert\n"
                   "tap 255 377\n"              // OK
                   "wait 1\n"
                   "tap 30 22\n"                // back
                   "wait 1\n"
                   "longpress 120 160 0.8\n"
                   "wait 1\n"
                   "snapshot 06-long-press\n"
                   "tap 187 366\n"              // Cancel
                   "wait 1\n"
                   "snapshot 07-end\n";
  auto delegate = std::make_shared<check::CheckDelegate>();
  ASSERT_EQ(host::runHeadless(delegate, options), 0);

  auto load = [&](const std::string& name) { return cg::imageFromFile(folder.file(name + ".png")); };
  for (const char* name : {"01-table", "02-scrolled", "03-index", "04-detail", "05-alert", "06-long-press", "07-end"})
    ASSERT_TRUE(load(name)) << name;
  EXPECT_TRUE(samePicture(*load("01-table"), *referencePage(0), "01-table"));
  EXPECT_TRUE(samePicture(*load("02-scrolled"), *referencePage(300), "02-scrolled"));
  EXPECT_TRUE(samePicture(*load("03-index"), *referencePage(14 * kSectionHeight), "03-index"));
  EXPECT_TRUE(samePicture(*load("07-end"), *referencePage(14 * kSectionHeight), "07-end"));

  ASSERT_TRUE(delegate->tableController->lastDetail);
  EXPECT_EQ(delegate->tableController->lastDetail->title(), "Corvus 1");
  EXPECT_EQ(delegate->tableController->lastDetail->field->text(), "Ada Lovelace");
  EXPECT_EQ(delegate->tableController->lastDetail->answer, "OK");
  EXPECT_EQ(delegate->tableController->longPressAnswer, "Cancel");
  EXPECT_EQ(delegate->navigation->viewControllers().size(), 1u);  // popped, and the long press pushed nothing
  EXPECT_TRUE(delegate->terminated);
  ui::Application::shared().reset();
}

void configurePhone() {
  ui::Application::shared().reset();
  ui::DeviceConfiguration device;
  device.portraitSize = {kWidth, kHeight};
  device.scale = 2;
  ui::Screen::main().configure(device);
}

// Real seconds, and seconds on the loop's clock, that a script took.
struct ScriptRun {
  double realSeconds = 0, loopSeconds = 0;
};
ScriptRun playScript(const std::string& script) {
  host::HeadlessOptions options;
  options.script = script;
  const auto begin = std::chrono::steady_clock::now();
  const double loopBegin = ns::RunLoop::main().now();
  EXPECT_EQ(host::runHeadless(std::make_shared<check::CheckDelegate>(), options), 0);
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count(),
          ns::RunLoop::main().now() - loopBegin};
}

// A download's thread reports to the main loop a quarter of a second of
// real time after it starts: a script's wait sees the report, as a window
// would show it, though its clock is a manual one; once the report has
// run, the rest of the wait jumps.
TEST(HostHeadless, AScriptsWaitLetsWorkOnOtherThreadsReportAsInAWindow) {
  configurePhone();
  auto reported = std::make_shared<bool>(false);  // main thread only
  std::thread download([reported, report = ns::RunLoop::main().expectReport()]() mutable {
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    ns::performOnMainThread([reported, report = std::move(report)] { *reported = true; });
  });
  const ScriptRun run = playScript("wait 120\nquit\n");
  const bool reportedInTheRun = *reported;
  download.join();
  ns::RunLoop::main().runOnce();  // the report, had it come late
  EXPECT_TRUE(reportedInTheRun);
  EXPECT_GE(run.loopSeconds, 120);
  EXPECT_LT(run.realSeconds, 60) << "the wait went on sleeping after the report";
  EXPECT_FALSE(ns::RunLoop::main().awaitingReports());
  ui::Application::shared().reset();
}

// With nothing in flight a wait does not sleep: its ten seconds pass on
// the manual clock alone.
TEST(HostHeadless, AWaitWithNothingInFlightEndsAtOnce) {
  configurePhone();
  ASSERT_FALSE(ns::RunLoop::main().awaitingReports());
  const ScriptRun run = playScript("wait 10\nquit\n");
  EXPECT_GE(run.loopSeconds, 10);
  EXPECT_LT(run.realSeconds, 5);
  ui::Application::shared().reset();
}

// Work that has not reported when the wait's seconds are up holds the
// wait to them on the real clock, and no longer.
TEST(HostHeadless, AWaitForWorkThatDoesNotReportLastsItsSecondsOnTheRealClock) {
  configurePhone();
  std::shared_ptr<void> report = ns::RunLoop::main().expectReport();
  const ScriptRun run = playScript("wait 0.5\nquit\n");
  report.reset();
  EXPECT_GE(run.realSeconds, 0.5);
  EXPECT_GE(run.loopSeconds, 0.5);
  ui::Application::shared().reset();
}

// Work started while the wait jumps (here by a timer two seconds into it)
// paces the rest of the wait from then until its report.
TEST(HostHeadless, WorkStartedDuringAWaitIsWaitedFor) {
  configurePhone();
  auto reported = std::make_shared<bool>(false);
  std::thread download;
  auto start = ns::RunLoop::main().scheduleTimer(2, false, [&](ns::Timer&) {
    download = std::thread([reported, report = ns::RunLoop::main().expectReport()]() mutable {
      std::this_thread::sleep_for(std::chrono::milliseconds(250));
      ns::performOnMainThread([reported, report = std::move(report)] { *reported = true; });
    });
  });
  playScript("wait 120\nquit\n");
  const bool reportedInTheRun = *reported;
  ASSERT_TRUE(download.joinable()) << "the timer did not fire within the wait";
  download.join();
  ns::RunLoop::main().runOnce();
  EXPECT_TRUE(reportedInTheRun);
  ui::Application::shared().reset();
}

}  // namespace
