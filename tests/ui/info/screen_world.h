// The world of the information screens' tests: the interface world of the
// foundation's tests (manual clock, a phone at scale 2, themes), the
// information tests' sky with a chart at Munich, a settings model, and
// fakes of the chart screen and the application delegate that keep what
// they are told, with a window whose root screen presents the screens.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "chart/sky_chart.h"
#include "platform/uikit/image.h"
#include "skydata/application_database.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/foundation/ui_foundation_support.h"
#include "tests/ui/info/info_sky.h"
#include "ui/foundation/settings_model.h"
#include "ui/foundation/sv_alert_controller.h"

namespace info_test {

// The delegate: messages, pictures and the keyboard's overlay kept.
class ScreenDelegate : public uifoundation::FakeAppDelegate {
 public:
  std::shared_ptr<ui::Window> window() const override { return window_; }
  void showImage(ui::ImagePointer image) override { images.push_back(std::move(image)); }
  void showMessage(const std::string& text, int seconds) override {
    messages.push_back(text);
    messageSeconds.push_back(seconds);
  }
  void setKeyboardOverlayTop(double top) override { overlayTops.push_back(top); }
  std::shared_ptr<ui::Window> window_;
  std::vector<ui::ImagePointer> images;
  std::vector<std::string> messages;
  std::vector<int> messageSeconds;
  std::vector<double> overlayTops;
};

// The chart screen: selection goes to the chart; what the screens tell it
// is recorded; scroll points are kept.
class ChartScreenFake : public uifoundation::FakeChartViewController {
 public:
  using FakeChartViewController::FakeChartViewController;
  void selectObject(const SkyObjectID& id) override;
  void setChartPerspective(int perspective) override;
  void timeDateChanged() override { calls.push_back("timeDateChanged"); }
  void setOldPerspective(int perspective) override { oldPerspective = perspective; }
  void centerSelectedObject(bool animated) override {
    calls.push_back(std::string("centerSelectedObject:") + (animated ? "1" : "0"));
  }
  ui::ViewController* settingsViewController() override { return settingsScreen.get(); }
  ui::Point lastSearchScrollPoint() const override { return searchPoint; }
  void setLastSearchScrollPoint(ui::Point point) override { searchPoint = point; }
  ui::Point lastSubSearchScrollPoint(long index, int type) const override;
  void setLastSubSearchScrollPoint(ui::Point point, long index, int type) override;

  int oldPerspective = -1;
  int perspective = 1;
  std::shared_ptr<ui::ViewController> settingsScreen;
  ui::Point searchPoint;
  std::vector<std::pair<long, ui::Point>> subSearchPoints;
};

// A bundle folder of its own for a test, made the process's bundle: the
// source tree's screen definitions, fonts, web style and help pages
// linked, the build's interface images linked, and a copy of the
// "SkyInfo" folder that a test may add pages to; the user's folders in a
// temporary home. Both restored afterwards.
class ScopedBundle {
 public:
  ScopedBundle();
  ~ScopedBundle();
  ScopedBundle(const ScopedBundle&) = delete;
  ScopedBundle& operator=(const ScopedBundle&) = delete;
  std::string path() const { return bundle_.path().string(); }
  std::string home() const { return home_.path().string(); }
  // Writes a file below the bundle folder (folders made as needed).
  void addFile(const std::string& relative, const std::string& bytes) const;

 private:
  tessaly::test::TempDir bundle_, home_;
  std::string savedBundle_, savedHome_;
  bool hadBundle_ = false, hadHome_ = false;
};

class ScreenWorld : public uifoundation::World {
 public:
  explicit ScreenWorld(int theme = 2);
  ~ScreenWorld();

  // The window's root screen, which presents the others.
  ui::ViewController& root() { return *root_; }
  // Presents `screen` in a themed navigation controller (not animated) and
  // lets the loop run a moment.
  void present(std::shared_ptr<ui::ViewController> screen);
  // The top of the presented navigation stack, or null.
  ui::ViewController* top() const;
  // Snapshot of the screen, written as <name>.png in the test's folder
  // "info_screen_snapshots" (for a person to look at).
  std::shared_ptr<cg::Image> snapshot(const std::string& name);
  // The alert now presented (on the top screen), or null.
  SVAlertController* alert() const;
  // Chooses an alert's action by its title; false when there is none.
  bool chooseAlertAction(const std::string& title);
  void selectInChart(const SkyObjectID& id) { controller.selectObject(id); }

  ScopedBundle bundle;
  InfoSky sky;
  std::unique_ptr<CSkyChart> chart;
  ChartScreenFake controller;
  Settings settings;
  std::shared_ptr<ScreenDelegate> delegate;
  std::shared_ptr<ui::Window> window;

 private:
  std::shared_ptr<ui::ViewController> root_;
};

// Munich: 48.1374 N, 11.5755 E.
inline constexpr double kMunichLongitude = 11.5755, kMunichLatitude = 48.1374;

}  // namespace info_test
