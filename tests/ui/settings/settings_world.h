// The settings screens' world: the interface world of the foundation's
// tests (a manual run loop, a 375 x 667 phone, a theme), documents and
// user defaults in one scratch home for the process, a real chart on the
// chart tests' small sky, the settings model, and a chart screen that
// counts what it is told and owns its chart view as the application does.
// Screens are presented the way the chart screen presents them, inside an
// SVNavigationController over the chart screen in the key window, and are
// driven by touches delivered as a host delivers them.
#pragma once

#include <memory>
#include <string>

#include "chart/sky_chart.h"
#include "tests/chart/sky_fixture.h"
#include "tests/ui/foundation/ui_foundation_support.h"
#include "ui/foundation/settings_model.h"
#include "ui/foundation/sv_navigation_controller.h"
#include "ui/settings/settings_view_controller.h"

namespace uisettings {

// The chart screen: the foundation's fake, with its chart view held the
// way the application holds it (shared, so pages can borrow it).
class ChartScreen : public uifoundation::FakeChartViewController {
 public:
  explicit ChartScreen(CSkyChart* chart) : FakeChartViewController(chart) {}
  ChartView* chartView() override { return chartView_.get(); }
  uifoundation::FakeChartView& fakeChartView() { return *chartView_; }
  std::shared_ptr<uifoundation::FakeChartView> sharedView() { return chartView_; }
  // Calls the chart view received that start with `prefix`.
  int viewCalls(const std::string& prefix) const;
  void clearCalls() { chartView_->calls.clear(), calls.clear(); }

 private:
  std::shared_ptr<uifoundation::FakeChartView> chartView_ = std::make_shared<uifoundation::FakeChartView>();
};

class SettingsWorld {
 public:
  explicit SettingsWorld(int theme = 2);
  ~SettingsWorld();
  SettingsWorld(const SettingsWorld&) = delete;
  SettingsWorld& operator=(const SettingsWorld&) = delete;

  // The settings screen, presented as the chart screen presents it.
  std::shared_ptr<SettingsViewController> openSettings();
  // Any screen in a navigation stack of its own over the chart screen.
  std::shared_ptr<SVNavigationController> present(std::shared_ptr<ui::ViewController> screen);
  // The top screen of the presented stack.
  ui::ViewController* top() const;

  // Touches as the host delivers them, and time passing.
  void tap(ui::Point point) { world.tap(point), run(0.5); }
  void tapView(ui::View& view);
  // Scrolls the row into view and taps the middle of it.
  void tapRow(ui::TableView& table, ui::IndexPath path);
  // Shows the table's end (its last footer).
  void scrollToEnd(ui::TableView& table);
  // Taps a row's switch.
  void tapSwitchOfRow(ui::TableView& table, ui::IndexPath path);
  void run(double seconds) { world.run(seconds); }
  // The key window drawn at scale 2.
  std::shared_ptr<cg::Image> snapshot();

  uifoundation::World world;
  uifoundation::FakeAppDelegate& delegate;
  chart_test::ChartSky sky;
  std::unique_ptr<CSkyChart> chart;
  std::shared_ptr<ChartScreen> screen;
  Settings settings;
  std::shared_ptr<SVNavigationController> navigation;
};

}  // namespace uisettings
