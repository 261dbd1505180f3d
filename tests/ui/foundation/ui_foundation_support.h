// A clean interface world for the foundation's tests: the interface
// tests' world (the application reset, the main run loop on a manual
// clock, a 375 x 667 phone at scale 2) with the "Exo" faces and the themed classes installed, a theme chosen (and
// restored), and fakes of the shell that record what they are told.
#pragma once

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/coregraphics/image.h"
#include "platform/foundation/run_loop.h"
#include "platform/uikit/controls.h"
#include "platform/uikit/application.h"
#include "tests/platform/uikit/uikit_support.h"
#include "ui/foundation/interface_classes.h"
#include "ui/foundation/shell.h"
#include "ui/foundation/sv_table.h"
#include "ui/foundation/theme.h"

namespace uifoundation {

class FakeAppDelegate : public AppDelegate {
 public:
  FakeAppDelegate() : window_(std::make_shared<ui::Window>()) {}
  int colorStyle() const override { return style; }
  void playAmbientSound() override { calls.push_back("playAmbientSound"); }
  void pauseAmbientSound() override { calls.push_back("pauseAmbientSound"); }
  std::shared_ptr<ui::Window> window() const override { return window_; }
  int style = 0;
  std::vector<std::string> calls;

 private:
  std::shared_ptr<ui::Window> window_;
};

class FakeChartView : public ChartView {
 public:
  void startRealTimeTimer() override { calls.push_back("startRealTimeTimer"); }
  void stopRealTimeTimer() override { calls.push_back("stopRealTimeTimer"); }
  void highlightSatellites(bool on) override { calls.push_back(std::string("highlightSatellites:") + (on ? "1" : "0")); }
  void setNeedsDisplay() override { calls.push_back("setNeedsDisplay"); }
  void drawImmediately() override { calls.push_back("drawImmediately"); }
  int chartPerspective() const override { return perspective; }
  void setChartPerspective(int p) override {
    perspective = p;
    calls.push_back("setChartPerspective:" + std::to_string(p));
  }
  void enableZoom(bool on) override { calls.push_back(std::string("enableZoom:") + (on ? "1" : "0")); }
  std::shared_ptr<cg::Image> snapshot() const override { return still; }
  void zoomIn() override { calls.push_back("zoomIn"); }
  void zoomOut() override { calls.push_back("zoomOut"); }
  void zoomStop() override { calls.push_back("zoomStop"); }
  int perspective = 1;
  std::shared_ptr<cg::Image> still;
  std::vector<std::string> calls;
};

class FakeTimeLabel : public TimeFlowUnitLabel {
 public:
  void setSelectedTimeUnit(int unit) override { units.push_back(unit); }
  std::vector<int> units;
};

class FakeChartViewController : public ChartViewController {
 public:
  explicit FakeChartViewController(CSkyChart* chart = nullptr) : chart_(chart) {}
  Settings* settings() override { return settings_; }
  CSkyChart* pSkyChart() override { return chart_; }
  ChartView* chartView() override { return &view_; }
  ui::ViewController* settingsViewController() override { return settingsScreen; }
  void realTimeChanged() override { record("realTimeChanged"); }
  void showTimeFlow(bool shown) override { record(std::string("showTimeFlow:") + (shown ? "1" : "0")); }
  void setChartPerspective(int p) override { record("setChartPerspective:" + std::to_string(p)); }
  void timeDateChanged() override { record("timeDateChanged"); }
  void locationChanged() override { record("locationChanged"); }
  void updateHUD() override { record("updateHUD"); }
  TimeFlowUnitLabel* timeFlowTimeLabel() override { return &label_; }
  void adjustTimeFlowBtns() override { record("adjustTimeFlowBtns"); }
  void showStatusObjectInfo() override { record("showStatusObjectInfo"); }
  void startZoom(ui::View* sender) override { record("startZoom:"), senders.push_back(sender); }
  void stopZoom(ui::View* sender) override { record("stopZoom:"), senders.push_back(sender); }
  void setDoingLiveAdjust(bool on) override { record(std::string("setDoingLiveAdjust:") + (on ? "1" : "0")); }
  void selectObject(const SkyObjectID&) override { record("selectObject:"); }
  void updateSelectedObject() override { record("updateSelectedObject"); }
  void timeForward() override { record("timeForward"); }
  void timeBackward() override { record("timeBackward"); }
  void timeStop() override { record("timeStop"); }
  void timeNow() override { record("timeNow"); }
  void timeFlowUnitsChanged(int unit) override { record("timeFlowUnitsChanged:" + std::to_string(unit)); }
  ui::Button* perspectiveButton(int) override { return nullptr; }
  ui::Button* centerButton() override { return nullptr; }
  ui::Button* infoButton() override { return nullptr; }

  void setSettings(Settings* settings) { settings_ = settings; }
  void setChart(CSkyChart* chart) { chart_ = chart; }
  FakeChartView& fakeView() { return view_; }
  FakeTimeLabel& fakeLabel() { return label_; }
  std::vector<std::string> calls;
  std::vector<ui::View*> senders;
  ui::ViewController* settingsScreen = nullptr;  // not owned

 private:
  void record(std::string call) { calls.push_back(std::move(call)); }
  CSkyChart* chart_;
  Settings* settings_ = nullptr;
  FakeChartView view_;
  FakeTimeLabel label_;
};

class World : public uitest::World {
 public:
  explicit World(int theme = 2) : savedTheme_(AppDelegate::appTheme()) {
    SystemFontOverride::install();
    registerThemedInterfaceClasses();
    setTheme(theme);
  }
  ~World() {
    AppDelegate::setAppTheme(savedTheme_);
    SVTableViewCell::appThemeChanged();
    SystemFontOverride::uninstall();
  }
  // A theme, with the cell colours following it.
  void setTheme(int theme) {
    AppDelegate::setAppTheme(theme);
    SVTableViewCell::appThemeChanged();
  }
  // The fake delegate as the application's delegate (AppDelegate::instance).
  FakeAppDelegate& installDelegate() {
    auto delegate = std::make_shared<FakeAppDelegate>();
    ui::Application::shared().setDelegate(delegate);
    return *delegate;
  }

 private:
  int savedTheme_;
};

// 8-bit premultiplied pixel of a colour over another (Porter-Duff source
// over), both given unpremultiplied.
inline cg::Pixel over(const ui::Color& top, const ui::Color& below) {
  const double a = top.a + below.a * (1 - top.a);
  auto channel = [&](double t, double b) { return std::lround(255 * (t * top.a + b * below.a * (1 - top.a))); };
  return {std::uint8_t(channel(top.r, below.r)), std::uint8_t(channel(top.g, below.g)),
          std::uint8_t(channel(top.b, below.b)), std::uint8_t(std::lround(255 * a))};
}
inline cg::Pixel pixelOf(const ui::Color& c) { return over(c, ui::Color::clear()); }

// Pixels equal within `tolerance` levels per channel.
inline ::testing::AssertionResult pixelNear(const cg::Pixel& actual, const cg::Pixel& expected, int tolerance = 1) {
  auto off = [&](int a, int b) { return std::abs(a - b) > tolerance; };
  if (off(actual.r, expected.r) || off(actual.g, expected.g) || off(actual.b, expected.b) || off(actual.a, expected.a))
    return ::testing::AssertionFailure() << "pixel (" << int(actual.r) << ", " << int(actual.g) << ", "
                                         << int(actual.b) << ", " << int(actual.a) << ") expected ("
                                         << int(expected.r) << ", " << int(expected.g) << ", " << int(expected.b)
                                         << ", " << int(expected.a) << ")";
  return ::testing::AssertionSuccess();
}

// The contrast ratio of two pixels as WCAG 2 defines it: (L1 + 0.05) /
// (L2 + 0.05), L the relative luminance of the linearised sRGB channels
// (premultiplied pixels read as over black).
inline double relativeLuminance(const cg::Pixel& p) {
  auto linear = [](std::uint8_t c) {
    const double v = c / 255.0;
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(p.r) + 0.7152 * linear(p.g) + 0.0722 * linear(p.b);
}
inline double contrastRatio(const cg::Pixel& a, const cg::Pixel& b) {
  const double la = relativeLuminance(a), lb = relativeLuminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The contrast of every visible label with text in a snapshot of `root`
// taken at `scale`, measured on the picture: within the label's frame the
// most common pixel is its background and the pixel of the highest
// contrast against it the core of its text.
struct LabelContrast {
  std::string text;
  double ratio;
  bool controlTitle;  // the title of a button or segment
};
inline void collectLabelContrasts(const ui::View& view, const ui::View& root, const cg::Image& image,
                                  double scale, bool inControl, std::vector<LabelContrast>& out) {
  if (view.isHidden() || view.alpha() <= 0) return;
  inControl = inControl || dynamic_cast<const ui::Control*>(&view) != nullptr;
  if (const auto* label = dynamic_cast<const ui::Label*>(&view); label && !label->text().empty()) {
    const ui::Rect r = label->convertRectTo(label->bounds(), &root);
    std::map<std::uint32_t, int> counts;
    std::vector<cg::Pixel> pixels;
    const auto x0 = std::size_t(std::max(0.0, r.x() * scale)), y0 = std::size_t(std::max(0.0, r.y() * scale));
    const auto x1 = std::min(image.width(), std::size_t(std::max(0.0, r.maxX() * scale)));
    const auto y1 = std::min(image.height(), std::size_t(std::max(0.0, r.maxY() * scale)));
    for (std::size_t y = y0; y < y1; ++y)
      for (std::size_t x = x0; x < x1; ++x) {
        const cg::Pixel p = image.pixel(x, y);
        pixels.push_back(p);
        ++counts[std::uint32_t(p.r) << 16 | std::uint32_t(p.g) << 8 | p.b];
      }
    if (!pixels.empty()) {
      const auto mode = std::max_element(counts.begin(), counts.end(),
                                         [](const auto& a, const auto& b) { return a.second < b.second; });
      const cg::Pixel background{std::uint8_t(mode->first >> 16), std::uint8_t(mode->first >> 8),
                                 std::uint8_t(mode->first), 255};
      double best = 1;
      for (const cg::Pixel& p : pixels) best = std::max(best, contrastRatio(p, background));
      out.push_back({label->text(), best, inControl});
    }
  }
  for (const auto& child : view.subviews()) collectLabelContrasts(*child, root, image, scale, inControl, out);
}
inline std::vector<LabelContrast> labelContrasts(const ui::View& root, const cg::Image& image, double scale) {
  std::vector<LabelContrast> out;
  collectLabelContrasts(root, root, image, scale, false, out);
  return out;
}

}  // namespace uifoundation
