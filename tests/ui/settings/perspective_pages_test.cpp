// The sky, orbit, satellite and ground pages opened from the settings
// screen and switched by touch in each of the four perspectives: the
// setting and the chart field each switch writes, and the frames drawn
// only where the pages say; the magnitude-limit row and its live slider
// page, which borrows the chart view and gives it back as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/coregraphics/image.h"
#include "tests/ui/settings/settings_world.h"
#include "ui/settings/live_adjust_view_controller.h"
#include "ui/settings/perspective_settings_pages.h"
#include "ui/settings/sky_view_settings_view_controller.h"

namespace {

using uisettings::SettingsWorld;

// One switch of a page: the setting it writes, the chart field the model
// writes for it (read as on/off, nothing where the perspective gates it
// out), and where a change is drawn at once (0: every perspective).
struct PageSwitch {
  const char* text;
  std::function<bool(Settings&)> setting;
  std::function<bool(SettingsWorld&)> chartShows;
  int modelPerspective;  // where the model writes the chart field (0: all)
  int drawPerspective;   // where the page draws (0: all)
};

bool field(bool value) { return value; }

void showPerspective(SettingsWorld& w, int perspective) {
  w.settings.setChartPerspective(perspective);
  w.screen->fakeChartView().perspective = perspective;
}

// Opens the page of the settings screen's "View Settings" row and toggles
// every switch on and off in every perspective.
int checkPage(SettingsWorld& w, int row, const std::vector<PageSwitch>& switches) {
  auto settings = w.openSettings();
  w.tapRow(*settings->mainTable, {1, row});
  auto* page = dynamic_cast<SettingsSubviewController*>(w.top());
  EXPECT_NE(page, nullptr);
  if (page == nullptr) return 0;
  EXPECT_EQ(page->title(), settings->viewSettingsList[std::size_t(row)]);
  ui::TableView& table = *page->mainTable;
  ui::Application::shared().layoutWindows();
  EXPECT_EQ(table.numberOfRows(0), int(switches.size()) + (row == 0 ? 1 : 0));
  int checked = 0;
  for (int perspective = 1; perspective <= 4; ++perspective) {
    showPerspective(w, perspective);
    for (std::size_t i = 0; i < switches.size(); ++i) {
      const PageSwitch& s = switches[i];
      EXPECT_EQ(table.cellForRow({0, int(i)}) ? table.cellForRow({0, int(i)})->textLabel().text() : "", s.text);
      for (bool on : {true, false}) {
        w.screen->clearCalls();
        w.tapSwitchOfRow(table, {0, int(i)});
        EXPECT_EQ(s.setting(w.settings), on) << s.text << " in " << perspective;
        if (s.modelPerspective == 0 || s.modelPerspective == perspective) {
          EXPECT_EQ(s.chartShows(w), on) << s.text << " in " << perspective;
        }
        const bool draws = s.drawPerspective == 0 || s.drawPerspective == perspective;
        EXPECT_EQ(w.screen->viewCalls("drawImmediately"), draws ? 1 : 0) << s.text << " in " << perspective;
        ++checked;
      }
    }
  }
  return checked;
}

TEST(UiSettingsPerspectivePages, SkyPageSwitchesDrawInTheSkyOnlyButConstellationsAndTheGridEverywhere) {
  SettingsWorld w;
  const std::vector<PageSwitch> switches = {
      {"Realistic Horizon", [](Settings& s) { return s.realisticHorizon(); },
       [](SettingsWorld& w) { return w.chart->horizonStyle == 4; }, 1, 1},
      {"Show Daylight", [](Settings& s) { return s.showDaylight(); }, [](SettingsWorld& w) { return field(w.chart->showDaylight); },
       1, 1},
      {"Show Constellations", [](Settings& s) { return s.showConstellations(); },
       [](SettingsWorld& w) { return w.chart->showConstellations && w.chart->showConstellationsModern; }, 0, 0},
      {"Show Alt-Azimuth Grid", [](Settings& s) { return s.showGrid() && s.gridCoordSystem() == 2; },
       [](SettingsWorld& w) { return w.chart->showGrid && w.chart->showCoordGrid[2] && !w.chart->showCoordGrid[1]; }, 0, 0},
      {"Show Satellite Names", [](Settings& s) { return s.showSatelliteNamesSky(); },
       [](SettingsWorld& w) { return w.screen->viewCalls("highlightSatellites:1") == 1; }, 1, 1},
      {"Show Star Names", [](Settings& s) { return s.showStarNames(); }, [](SettingsWorld& w) { return field(w.chart->showStarNames); },
       0, 1},
      {"Show Planet Names", [](Settings& s) { return s.showPlanetNames(); },
       [](SettingsWorld& w) { return field(w.chart->showPlanetNames); }, 0, 1},
      {"Show Selected Satellite Only", [](Settings& s) { return s.showSelectedOnlySky(); },
       [](SettingsWorld& w) { return !w.chart->showSatellites; }, 1, 1},
  };
  w.settings.setShowModernConstellations(true);
  EXPECT_EQ(checkPage(w, 0, switches), 64);
}

TEST(UiSettingsPerspectivePages, OrbitSatelliteAndGroundPagesDrawOnlyInTheirOwnPerspective) {
  const auto cities = [](SettingsWorld& w) { return field(w.chart->showPlanetSurfaceFeatures); };
  const auto air = [](SettingsWorld& w) { return field(w.chart->showPlanetAtmospheres); };
  const auto phases = [](SettingsWorld& w) { return w.chart->showPlanetPhases != 0; };
  const auto selected = [](SettingsWorld& w) { return !w.chart->showSatellites; };
  const auto names = [](SettingsWorld& w) { return field(w.chart->showMinorPlanetNames); };
  const auto rotation = [](SettingsWorld& w) { return field(w.chart->followHomePlanet); };
  struct Page {
    int row, perspective;
    std::vector<PageSwitch> switches;
  };
  const Page pages[] = {
      {1, 2,
       {{"Show Cities", [](Settings& s) { return s.showPlanetSurfaceFeaturesOrbit(); }, cities, 2, 2},
        {"Show Atmosphere", [](Settings& s) { return s.showPlanetAtmospheresOrbit(); }, air, 2, 2},
        {"Show Day and Night", [](Settings& s) { return s.showPlanetPhasesOrbit(); }, phases, 2, 2},
        {"Show Selected Satellite Only", [](Settings& s) { return s.showSelectedOnlyOrbit(); }, selected, 2, 2},
        {"Show Satellite Names", [](Settings& s) { return s.showSatelliteNamesOrbit(); }, names, 2, 2},
        {"Show Earth Rotation", [](Settings& s) { return s.showEarthRotationOrbit(); }, rotation, 2, 2}}},
      {2, 3,
       {{"Show Cities", [](Settings& s) { return s.showPlanetSurfaceFeaturesSat(); }, cities, 3, 3},
        {"Show Atmosphere", [](Settings& s) { return s.showPlanetAtmospheresSat(); }, air, 3, 3},
        {"Show Day and Night", [](Settings& s) { return s.showPlanetPhasesSat(); }, phases, 3, 3},
        {"Show Selected Satellite Only", [](Settings& s) { return s.showSelectedOnlySat(); }, selected, 3, 3}}},
      {3, 4,
       {{"Show Cities", [](Settings& s) { return s.showPlanetSurfaceFeaturesGround(); }, cities, 4, 4},
        {"Show Atmosphere", [](Settings& s) { return s.showPlanetAtmospheresGround(); }, air, 4, 4},
        {"Show Day and Night", [](Settings& s) { return s.showPlanetPhasesGround(); }, phases, 4, 4},
        {"Show Selected Satellite Only", [](Settings& s) { return s.showSelectedOnlyGround(); }, selected, 4, 4},
        {"Show Satellite Names", [](Settings& s) { return s.showSatelliteNamesGround(); }, names, 4, 4},
        {"Show Earth Rotation", [](Settings& s) { return s.showEarthRotationGround(); }, rotation, 4, 4}}},
  };
  int checked = 0;
  for (const Page& page : pages) {
    SettingsWorld w;
    checked += checkPage(w, page.row, page.switches);
  }
  EXPECT_EQ(checked, 8 * (6 + 4 + 6));
}

TEST(UiSettingsPerspectivePages, TheMagnitudeRowKeepsItsOwnThreshold) {
  SettingsWorld w;
  w.settings.setPlanetMagnitudeLimit(24.95f);
  auto settings = w.openSettings();
  w.tapRow(*settings->mainTable, {1, 0});
  auto* sky = dynamic_cast<SkyViewSettingsViewController*>(w.top());
  ASSERT_NE(sky, nullptr);
  char expected[16];
  std::snprintf(expected, sizeof expected, "%2.1f", double(24.95f));
  EXPECT_EQ(sky->planetMagnitudeLimitCell->detailTextLabel()->text(), expected);
  auto cell = settings->cellForRow(*settings->mainTable, {1, 0});
  EXPECT_EQ(cell->detailTextLabel()->text(), "Unlimited");
  w.settings.setPlanetMagnitudeLimit(30);
  sky->viewWillAppear(false);
  EXPECT_EQ(sky->planetMagnitudeLimitCell->detailTextLabel()->text(), "Unlimited");
}

// The chart screen's view holding its chart view, as the application has it.
const ui::Rect kChartFrame{0, 30, 375, 637};

void placeChartView(SettingsWorld& w) {
  auto view = w.screen->sharedView();
  view->setFrame(kChartFrame);
  w.screen->view()->addSubview(view);
  std::vector<std::uint32_t> pixels(4 * 4, cg::packARGB(255, 0, 0, 255));
  view->still = cg::Image::fromARGB(4, 4, pixels);
}

void drag(SettingsWorld& w, ui::Point from, ui::Point to) {
  w.world.touch(1, ui::TouchPhase::began, from);
  for (int i = 1; i <= 10; ++i) {
    w.run(0.02);
    w.world.touch(1, ui::TouchPhase::moved, {from.x + (to.x - from.x) * i / 10, from.y + (to.y - from.y) * i / 10});
  }
  w.world.touch(1, ui::TouchPhase::ended, to);
  w.run(0.5);
}

TEST(UiSettingsPerspectivePages, TheLiveSliderBorrowsTheChartInTheSkyAndGivesItBackAsItWas) {
  SettingsWorld w;
  placeChartView(w);
  showPerspective(w, 4);  // the ground view
  w.settings.setPlanetMagnitudeLimit(30);
  auto settings = w.openSettings();
  w.tapRow(*settings->mainTable, {1, 0});
  w.screen->clearCalls();
  w.tapRow(*dynamic_cast<SettingsSubviewController*>(w.top())->mainTable, {0, 8});
  auto* panel = dynamic_cast<LiveAdjustViewController*>(w.top());
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->title(), "Magnitude Limit");
  // The first value is applied before any touch.
  EXPECT_EQ(panel->slider->value(), 25);
  EXPECT_EQ(panel->label->text(), "Magnitude Limit: Unlimited");
  EXPECT_EQ(w.settings.planetMagnitudeLimit(), 25);
  EXPECT_EQ(panel->slider->frame().height(), 35);
  EXPECT_EQ(w.screen->viewCalls("enableZoom:0"), 1);
  // Borrowed: the chart draws the sky in the panel; a still copy stays on
  // the chart screen.
  ChartView* chartView = w.screen->chartView();
  EXPECT_EQ(chartView->superview(), panel->chartHolderView.get());
  EXPECT_EQ(chartView->chartPerspective(), 1);
  EXPECT_EQ(chartView->frame(), panel->chartHolderView->bounds());
  EXPECT_EQ(w.chart->getViewportWidth(), float(panel->chartHolderView->bounds().width()));
  EXPECT_GE(w.screen->viewCalls("drawImmediately"), 1);
  EXPECT_EQ(w.screen->calls.back(), "setDoingLiveAdjust:1");
  ASSERT_FALSE(w.screen->view()->subviews().empty());
  EXPECT_EQ(w.screen->view()->subviews().front(), panel->snapShotView);
  EXPECT_EQ(panel->snapShotView->frame(), kChartFrame);

  // Dragging to the left end lowers the limit and redraws.
  w.screen->clearCalls();
  w.chart->updateNeeded = false;
  const ui::Rect s = panel->slider->frame();
  drag(w, panel->slider->convertPointTo({s.width() * 0.99, s.height() / 2}, nullptr),
       panel->slider->convertPointTo({0, s.height() / 2}, nullptr));
  EXPECT_LT(w.settings.planetMagnitudeLimit(), 1);
  EXPECT_TRUE(w.chart->updateNeeded);
  EXPECT_GE(w.screen->viewCalls("setNeedsDisplay"), 1);
  char expected[64];
  std::snprintf(expected, sizeof expected, "Magnitude Limit: %2.1f", panel->slider->value());
  EXPECT_EQ(panel->label->text(), expected);
  EXPECT_EQ(settings->cellForRow(*settings->mainTable, {1, 0})->detailTextLabel()->text().rfind("Mag ", 0), 0u);

  // Back: the chart view returns with its perspective and frame.
  std::shared_ptr<ui::ImageView> still = panel->snapShotView;
  w.navigation->popViewController(false);
  w.run(1);
  EXPECT_EQ(chartView->superview(), w.screen->view().get());
  EXPECT_EQ(w.screen->view()->subviews().front().get(), chartView);
  EXPECT_EQ(chartView->chartPerspective(), 4);
  EXPECT_EQ(chartView->frame(), kChartFrame);
  EXPECT_EQ(w.chart->getViewportHeight(), float(kChartFrame.height()));
  EXPECT_EQ(w.screen->viewCalls("enableZoom:1"), 1);
  EXPECT_EQ(w.screen->viewCalls("setChartPerspective:4"), 1);
  EXPECT_NE(std::find(w.screen->calls.begin(), w.screen->calls.end(), "setDoingLiveAdjust:0"), w.screen->calls.end());
  EXPECT_EQ(still->superview(), nullptr);
}

TEST(UiSettingsPerspectivePages, DoneOnTheSliderPageGivesTheChartBackAsABackStepDoes) {
  SettingsWorld w;
  placeChartView(w);
  showPerspective(w, 2);
  auto settings = w.openSettings();
  w.tapRow(*settings->mainTable, {1, 0});
  w.tapRow(*dynamic_cast<SettingsSubviewController*>(w.top())->mainTable, {0, 8});
  ASSERT_NE(dynamic_cast<LiveAdjustViewController*>(w.top()), nullptr);
  w.screen->clearCalls();
  w.tapView(*w.navigation->navigationBar().rightButton());
  w.run(1);
  EXPECT_EQ(w.screen->presentedViewController(), nullptr);
  ChartView* chartView = w.screen->chartView();
  EXPECT_EQ(chartView->superview(), w.screen->view().get());
  EXPECT_EQ(chartView->chartPerspective(), 2);
  EXPECT_EQ(chartView->frame(), kChartFrame);
  EXPECT_EQ(w.screen->viewCalls("enableZoom:1"), 1);
  EXPECT_EQ(w.screen->view()->subviews().size(), 1u);  // the still copy is gone
}

}  // namespace
