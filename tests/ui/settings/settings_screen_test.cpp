// The settings screen loaded from its screen definition inside the themed
// navigation stack and driven by touches: its rows' values and their edge
// cases, each switch down to the chart field it writes and the frames it
// asks for, the warning-time page, Done through a stack of pages, the
// factory reset and its cancel, the orbit-data row, and the master/detail
// container.
#include <gtest/gtest.h>

#include <erfa.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <limits>

#include "chart/solar_system.h"
#include "platform/devices/local_notifications.h"
#include "platform/devices/location.h"
#include "platform/foundation/user_defaults.h"
#include "platform/uikit/alert_controller.h"
#include "platform/uikit/interface_loader.h"
#include "temp_dir.h"
#include "tests/ui/settings/settings_world.h"
#include "ui/foundation/utility.h"
#include "ui/settings/checked_table_view_controller.h"
#include "ui/settings/custom_split_view_controller.h"
#include "ui/settings/interface_screen.h"
#include "ui/settings/settings_texts.h"

namespace {

using uisettings::SettingsWorld;

std::string detail(SettingsViewController& screen, ui::IndexPath path) {
  auto cell = screen.cellForRow(*screen.mainTable, path);
  return cell && cell->detailTextLabel() ? cell->detailTextLabel()->text() : "?";
}

void schedule(int count) {
  for (int i = 0; i < count; ++i) {
    dev::LocalNotification n;
    n.fireDate = 2e9 + i;
    n.userInfo = {{"EventName", "Pass " + std::to_string(i)}, {"EventTime", 2e9 + 600}, {"EventMinutesBefore", 10}};
    dev::LocalNotificationCenter::shared().schedule(n);
  }
}

// The Julian date of a UTC calendar moment, by ERFA.
double julianDate(int year, int month, int day, int hour) {
  double jd0 = 0, jd1 = 0;
  eraCal2jd(year, month, day, &jd0, &jd1);
  return jd0 + jd1 + hour / 24.0;
}

// The chosen alert of the topmost presented alert.
bool chooseAlertAction(const std::string& title) {
  auto* alert = dynamic_cast<ui::AlertController*>(Utility::topMostController());
  if (alert == nullptr) return false;
  for (std::size_t i = 0; i < alert->actions().size(); ++i)
    if (alert->actions()[i].title == title) return alert->chooseAction(i), true;
  return false;
}

TEST(UiSettingsScreen, RowsShowTheCurrentValuesAndTheirEdgeCases) {
  SettingsWorld w;
  w.settings.setLocationName("Greenwich");
  w.settings.setPlanetMagnitudeLimit(24.9f);
  w.settings.setWarningTime(3);  // not one of the choices
  auto screen = w.openSettings();
  ui::TableView& table = *screen->mainTable;
  ASSERT_EQ(table.numberOfSections(), 5);
  const int rows[] = {7, 8, 4, 0, 0};
  const char* titles[] = {"Global Settings", "View Settings", "Lists, Passes & Alerts", "", ""};
  for (int s = 0; s < 5; ++s) {
    EXPECT_EQ(table.numberOfRows(s), rows[s]);
    EXPECT_EQ(screen->titleForHeader(table, s), titles[s]);
  }
  EXPECT_EQ(screen->title(), "Settings");
  EXPECT_EQ(detail(*screen, {0, 0}), "Greenwich");
  EXPECT_EQ(detail(*screen, {0, 2}), "0 Countries");
  EXPECT_EQ(detail(*screen, {1, 0}), "Unlimited");
  EXPECT_EQ(detail(*screen, {1, 1}), "");
  EXPECT_EQ(detail(*screen, {2, 2}), "None");
  EXPECT_EQ(detail(*screen, {2, 3}), "No Alerts");
  // Groups: only the list manager's 25 group codes count.
  bool* shown = w.settings.satellitesShown();
  EXPECT_EQ(detail(*screen, {0, 1}), "No Groups");
  shown[200] = true;
  EXPECT_EQ(detail(*screen, {0, 1}), "No Groups");
  shown[2] = true;
  EXPECT_EQ(detail(*screen, {0, 1}), "1 Group");
  shown[72] = true;
  EXPECT_EQ(detail(*screen, {0, 1}), "2 Groups");
  std::fill(shown, shown + 256, true);
  EXPECT_EQ(detail(*screen, {0, 1}), "All Groups");

  w.settings.setPlanetMagnitudeLimit(24.8f);
  w.settings.setWarningTime(120);
  for (int c : {4, 17, 255}) w.chart->showCountryBorder[c] = true;
  schedule(1);
  screen->updateTableAfterValueChange();
  EXPECT_EQ(detail(*screen, {1, 0}), "Mag 24.8");
  EXPECT_EQ(detail(*screen, {2, 2}), "2 hours");
  EXPECT_EQ(detail(*screen, {0, 2}), "3 Countries");
  EXPECT_EQ(detail(*screen, {2, 3}), "1 Alert");
  schedule(4);
  EXPECT_EQ(detail(*screen, {2, 3}), "5 Alerts");
  // Headers of the titled sections are in the theme's colours at 14 points.
  w.run(0.5);
  int headers = 0;
  for (const auto& v : table.subviews())
    if (auto* header = dynamic_cast<ui::TableViewHeaderFooterView*>(v.get())) {
      EXPECT_EQ(header->textLabel().textColor(), SVTableView::sectionHeaderTextColor());
      EXPECT_EQ(header->textLabel().font()->pointSize(), 14);
      ++headers;
    }
  EXPECT_GE(headers, 2);
}

TEST(UiSettingsScreen, LastUpdateTextIsTheDevicesLocalTimeOfThatMoment) {
  SettingsWorld w;
  const char* oldZone = std::getenv("TZ");
  const std::string saved = oldZone ? oldZone : "";
  setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);  // the European Union's rule
  tzset();
  // Winter, summer, and between the American and European changes, where a
  // North American daylight-saving rule would be an hour out.
  EXPECT_EQ(lastUpdateText(julianDate(2026, 1, 15, 12), w.chart.get()), "Last Updated: 2026/01/15 13:00:00");
  EXPECT_EQ(lastUpdateText(julianDate(2026, 7, 1, 12), w.chart.get()), "Last Updated: 2026/07/01 14:00:00");
  EXPECT_EQ(lastUpdateText(julianDate(2026, 3, 20, 12), w.chart.get()), "Last Updated: 2026/03/20 13:00:00");
  // The chart's own formats.
  w.chart->setDateFormat("%d.%m.%Y");
  EXPECT_EQ(lastUpdateText(julianDate(2026, 1, 15, 12), w.chart.get()), "Last Updated: 15.01.2026 13:00:00");
  w.chart->setDateFormat("%Y/%m/%d");
  if (oldZone) setenv("TZ", saved.c_str(), 1);
  else unsetenv("TZ");
  tzset();

  // No update, and stored values that are no date, show nothing.
  auto screen = w.openSettings();
  EXPECT_EQ(screen->lastUpdateLabel->text(), "");
  for (double stored : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), 0.0}) {
    ns::UserDefaults::standard().setDouble("LastOrbitUpdateTime-2560", stored);
    screen->updateLastUpdateLabel();
    EXPECT_EQ(screen->lastUpdateLabel->text(), "") << stored;
  }
  ns::UserDefaults::standard().setDouble("LastOrbitUpdateTime-2560", julianDate(2026, 1, 15, 12));
  screen->updateLastUpdateLabel();
  EXPECT_EQ(screen->lastUpdateLabel->text().rfind("Last Updated: 2026/01/15 ", 0), 0u);
}

// One switch row: what it writes in the model and the chart, and whether
// the chart is drawn at once.
struct SwitchRow {
  ui::IndexPath path;
  std::function<bool(Settings&)> setting;
  std::function<bool(CSkyChart&)> chartField;  // null: nothing on the chart
  bool drawsNow;
};

TEST(UiSettingsScreen, EachSwitchWritesItsSettingAndChartFieldAndOnlyTheLastFourDraw) {
  dev::LocationConfiguration compass;
  compass.heading = 90;
  dev::LocationManager::configure(compass);
  SettingsWorld w;
  auto screen = w.openSettings();
  const std::vector<SwitchRow> rows = {
      {{0, 3}, [](Settings& s) { return s.tiltToUseCompass(); }, nullptr, false},
      {{0, 4}, [](Settings& s) { return s.autoVR(); }, nullptr, false},
      {{0, 5}, [](Settings& s) { return s.voiceControl(); }, nullptr, false},
      {{0, 6}, [](Settings& s) { return s.soundEffects(); }, nullptr, false},
      {{1, 4}, [](Settings& s) { return s.showSelectedOrbit(); }, [](CSkyChart& c) { return c.showSelectedObjectOrbit; }, true},
      {{1, 5}, [](Settings& s) { return s.showSatVisCircles() == 1; },
       [](CSkyChart& c) { return c.satelliteVisibilityCircles == 1; }, true},
      {{1, 6}, [](Settings& s) { return s.showNightCityLights(); }, [](CSkyChart& c) { return c.earthStyle == 1; }, true},
      {{1, 7}, [](Settings& s) { return s.showUserLocation(); }, [](CSkyChart& c) { return c.showUserLocationMarker; }, true},
      {{2, 0}, [](Settings& s) { return s.sortListBy() == "SortListByPassTime"; }, nullptr, false},
      {{2, 1}, [](Settings& s) { return s.showVisiblePassesOnly(); }, nullptr, false},
  };
  w.settings.setSelectedSettingsSection(1);
  w.settings.setSelectedSettingsRow(2);
  int checked = 0;
  for (const SwitchRow& row : rows) {
    for (bool on : {true, false}) {
      w.screen->clearCalls();
      w.tapSwitchOfRow(*screen->mainTable, row.path);
      EXPECT_EQ(row.setting(w.settings), on) << row.path.section << "," << row.path.row;
      if (row.chartField) {
        EXPECT_EQ(row.chartField(*w.chart), on) << row.path.section << "," << row.path.row;
      }
      EXPECT_EQ(w.screen->viewCalls("drawImmediately"), row.drawsNow ? 1 : 0) << row.path.row;
      if (row.path == ui::IndexPath{0, 4}) {
        EXPECT_EQ(screen->voiceControlCell->enabled(), on);
      }
      if (row.path == ui::IndexPath{0, 4} && !on) w.tapSwitchOfRow(*screen->mainTable, row.path);  // voice needs it on
      ++checked;
    }
    // A tap on the row itself records nothing.
    w.tapRow(*screen->mainTable, row.path);
    EXPECT_EQ(w.settings.selectedSettingsSection(), 1);
    EXPECT_EQ(w.settings.selectedSettingsRow(), 2);
    EXPECT_EQ(w.top(), screen.get());
  }
  EXPECT_EQ(checked, 20);
  dev::LocationManager::configure({});
}

TEST(UiSettingsScreen, ASwitchMessageFromAnythingButItsOwnSwitchesChangesNothing) {
  SettingsWorld w;
  auto screen = w.openSettings();
  auto stored = [&w] {
    w.settings.saveToDefaults();
    return tessaly::test::readFile(Settings::defaultsPath());
  };
  const std::string before = stored();
  // Another switch that is on, a button, and the bare object an interface
  // file could connect: none is read as one of the screen's switches.
  auto stranger = std::make_shared<ui::Switch>();
  stranger->setOn(true);
  auto button = std::make_shared<ui::Button>(ui::ButtonType::system);
  auto bare = std::make_shared<ui::Object>();
  w.screen->clearCalls();
  for (ui::Object* sender : {static_cast<ui::Object*>(stranger.get()), static_cast<ui::Object*>(button.get()), bare.get()})
    EXPECT_TRUE(screen->performAction("onOffToggled:", sender));
  EXPECT_EQ(stored(), before);
  EXPECT_EQ(w.screen->viewCalls("drawImmediately"), 0);
}

TEST(UiSettingsScreen, WithoutACompassTheTiltSwitchIsOffAndDisabled) {
  dev::LocationManager::configure({});
  SettingsWorld w;
  w.settings.setTiltToUseCompass(true);
  auto screen = w.openSettings();
  EXPECT_FALSE(screen->tiltToUseCompassCell->onOffSwitch()->isOn());
  EXPECT_FALSE(screen->tiltToUseCompassCell->onOffSwitch()->isEnabled());
  w.tapSwitchOfRow(*screen->mainTable, {0, 3});
  EXPECT_TRUE(w.settings.tiltToUseCompass());  // untouched by the disabled switch
  EXPECT_FALSE(screen->tiltToUseCompassCell->onOffSwitch()->isOn());
}

TEST(UiSettingsScreen, TheWarningTimePageChecksTheStoredTimeAndStoresThePick) {
  SettingsWorld w;
  w.settings.setWarningTime(3);
  auto screen = w.openSettings();
  w.tapRow(*screen->mainTable, {2, 2});
  auto* page = dynamic_cast<CheckedTableViewController*>(w.top());
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->title(), "Alert Warning Time");
  EXPECT_EQ(page->selectedIndexPath, (ui::IndexPath{0, 0}));  // "None" for a time not in the list
  EXPECT_EQ(page->tableItems, screen->warningTimeStrings);
  EXPECT_EQ(w.settings.selectedSettingsSection(), 2);
  EXPECT_EQ(w.settings.selectedSettingsRow(), 2);
  w.screen->clearCalls();
  w.tapRow(*page->mainTable, {0, 3});
  EXPECT_EQ(w.settings.warningTime(), 5);
  EXPECT_EQ(page->selectedIndexPath, (ui::IndexPath{0, 3}));
  EXPECT_EQ(page->mainTable->cellForRow({0, 3})->accessoryType(), ui::TableViewCellAccessory::checkmark);
  EXPECT_EQ(page->mainTable->cellForRow({0, 0})->accessoryType(), ui::TableViewCellAccessory::none);
  EXPECT_EQ(w.screen->viewCalls("setNeedsDisplay"), 1);
  EXPECT_EQ(detail(*screen, {2, 2}), "5 minutes");
  // Opened again, the page checks the stored time.
  w.navigation->popViewController(false);
  w.tapRow(*screen->mainTable, {2, 2});
  page = dynamic_cast<CheckedTableViewController*>(w.top());
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->selectedIndexPath, (ui::IndexPath{0, 3}));
}

// A page that counts what it hears.
class CountingPage : public SettingsSubviewController {
 public:
  CountingPage() : SettingsSubviewController("AlertsView") {}
  void viewWillDisappear(bool animated) override {
    SettingsSubviewController::viewWillDisappear(animated);
    ++disappearing;
  }
  int disappearing = 0;
};

class CountingSettings : public SettingsViewController {
 public:
  void viewWillDisappear(bool animated) override {
    SettingsViewController::viewWillDisappear(animated);
    ++disappearing;
  }
  void doneTouched(ui::Object* sender) {
    ++done;
    SettingsViewController::doneTouched(sender);
  }
  bool performAction(std::string_view selector, ui::Object* sender) override {
    if (selector == "doneTouched:") return doneTouched(sender), true;
    return SettingsViewController::performAction(selector, sender);
  }
  int disappearing = 0, done = 0;
};

TEST(UiSettingsScreen, DoneOnADeepPageFlushesThePagesBelowThenSavesAndClosesOnce) {
  SettingsWorld w;
  auto root = std::make_shared<CountingSettings>();
  w.screen->settingsScreen = root.get();
  w.present(root);
  auto a = std::make_shared<CountingPage>(), b = std::make_shared<CountingPage>();
  w.navigation->pushViewController(a, false);
  w.navigation->pushViewController(b, false);
  w.run(1);
  a->disappearing = root->disappearing = 0;  // from the pushes
  ASSERT_FALSE(std::filesystem::exists(Settings::defaultsPath()));
  ui::Button* done = w.navigation->navigationBar().rightButton();
  ASSERT_NE(done, nullptr);
  EXPECT_EQ(done->currentTitle(), "Done");
  w.tapView(*done);
  w.run(1);
  EXPECT_EQ(a->disappearing, 1);
  EXPECT_EQ(root->disappearing, 0);
  EXPECT_EQ(b->disappearing, 1);  // from the dismissal only
  EXPECT_EQ(root->done, 1);
  EXPECT_TRUE(std::filesystem::exists(Settings::defaultsPath()));
  EXPECT_EQ(w.screen->presentedViewController(), nullptr);
}

TEST(UiSettingsScreen, RevertRemovesTheFileReadsTheDefaultsAndClosesWhileCancelChangesNothing) {
  SettingsWorld w;
  w.settings.readFromDefaults();  // no file: the defaults
  const float defaultLimit = w.settings.planetMagnitudeLimit();
  w.settings.setPlanetMagnitudeLimit(defaultLimit - 3);
  ASSERT_TRUE(w.settings.saveToDefaults());
  auto screen = w.openSettings();
  screen->mainTable->selectRow(ui::IndexPath{0, 0}, false, ui::TableViewScrollPosition::none);

  w.scrollToEnd(*screen->mainTable);
  ui::View& revert = *screen->revertToDefaultsView->subviews().front();
  w.tapView(revert);
  ASSERT_TRUE(chooseAlertAction("Cancel"));
  w.run(1);
  EXPECT_TRUE(std::filesystem::exists(Settings::defaultsPath()));
  EXPECT_EQ(w.settings.planetMagnitudeLimit(), defaultLimit - 3);
  EXPECT_FALSE(screen->mainTable->indexPathForSelectedRow());
  EXPECT_EQ(w.screen->presentedViewController(), w.navigation.get());

  w.tapView(revert);
  ASSERT_TRUE(chooseAlertAction("Revert"));
  w.run(1);
  EXPECT_FALSE(std::filesystem::exists(Settings::defaultsPath()));  // not saved on this road
  EXPECT_EQ(w.settings.planetMagnitudeLimit(), defaultLimit);
  EXPECT_EQ(w.screen->presentedViewController(), nullptr);
}

// An updater that runs until the test reports for it.
class FakeUpdater : public ElementsDownloader {
 public:
  FakeUpdater() { setShared(this); }
  ~FakeUpdater() override { setShared(nullptr); }
  void finish() {
    running = false;
    if (delegate) delegate->downloadFinished(UpdateResults{1, 2, 0, 0, 2});
  }
  bool running = false, showed = false;
  int started = 0;
  ElementsDownloaderDelegate* delegate = nullptr;

 protected:
  bool isUpdating() const override { return running; }
  void setDelegate(ElementsDownloaderDelegate* d) override { delegate = d; }
  bool startUpdate(bool showResults) override {
    if (running) return false;
    ++started;
    showed = showResults;
    return running = true;
  }
};

TEST(UiSettingsScreen, TheOrbitDataButtonWaitsForTheUpdatesReport) {
  SettingsWorld w;
  {
    FakeUpdater updater;
    auto screen = w.openSettings();
    EXPECT_EQ(updater.delegate, screen.get());
    ui::Button& button = *screen->updateOrbitDataBtn;
    EXPECT_TRUE(button.isEnabled());
    w.scrollToEnd(*screen->mainTable);
    w.tapView(button);
    EXPECT_EQ(updater.started, 1);
    EXPECT_TRUE(updater.showed);
    EXPECT_FALSE(button.isEnabled());
    ns::UserDefaults::standard().setDouble("LastOrbitUpdateTime-2560", julianDate(2026, 5, 4, 3));
    updater.finish();
    EXPECT_TRUE(button.isEnabled());
    EXPECT_EQ(screen->lastUpdateLabel->text().rfind("Last Updated: 2026/05/0", 0), 0u);
    // Closing the screen stops its hearing of updates.
    w.screen->dismissViewController(false);
    w.run(1);
    EXPECT_EQ(updater.delegate, nullptr);
  }
  // With no updater nothing starts, and the button does not wait for a
  // report that cannot come.
  auto screen = w.openSettings();
  screen->updateOrbitData();
  EXPECT_TRUE(screen->updateOrbitDataBtn->isEnabled());
}

TEST(UiSettingsScreen, OnATabletTheSummariesSayShownAndTheValueRowsHaveNoDisclosure) {
  SettingsWorld w;
  ui::DeviceConfiguration tablet = ui::Screen::main().configuration();
  tablet.idiom = ui::Idiom::pad;
  tablet.portraitSize = {768, 1024};
  ui::Screen::main().configure(tablet);
  w.delegate.window()->setFrame(ui::Screen::main().bounds());
  auto screen = w.openSettings();
  EXPECT_EQ(detail(*screen, {0, 2}), "0 Countries Shown");
  EXPECT_EQ(detail(*screen, {0, 1}), "No Groups Shown");
  EXPECT_EQ(screen->minutesBeforeCell->accessoryType(), ui::TableViewCellAccessory::none);
  EXPECT_FALSE(screen->autoVRCell->onOffSwitch()->isEnabled());
  EXPECT_FALSE(screen->voiceControlCell->onOffSwitch()->isEnabled());
}

TEST(UiSettingsScreen, TheContainerLaysOutItsColumnsAndOpensTheRememberedPage) {
  SettingsWorld w;
  auto master = std::make_shared<SettingsViewController>();
  w.screen->settingsScreen = master.get();
  auto split = std::make_shared<CustomSplitViewController>(master, nullptr);
  master->splitViewController = split.get();
  EXPECT_EQ(split->modalPresentationStyle, ui::ModalPresentationStyle::fullScreen);
  EXPECT_TRUE(split->modalInPresentation);
  // A remembered row that does not exist, negative ones too, opens
  // section 0, row 1; a good one opens its own page.
  const std::pair<int, int> remembered[] = {{7, 0}, {0, 9}, {-1, 0}, {0, -2}, {1, 3}};
  for (auto [section, row] : remembered) {
    w.settings.setSelectedSettingsSection(section);
    w.settings.setSelectedSettingsRow(row);
    w.screen->presentViewController(split, false);
    w.run(1);
    const bool good = section == 1;
    EXPECT_EQ(w.settings.selectedSettingsSection(), good ? 1 : 0) << section << "," << row;
    EXPECT_EQ(w.settings.selectedSettingsRow(), good ? 3 : 1) << section << "," << row;
    EXPECT_EQ(master->mainTable->indexPathForSelectedRow(), (ui::IndexPath{good ? 1 : 0, good ? 3 : 1}));
    ASSERT_EQ(split->detailNavigationController->viewControllers().size(), 1u);
    ui::ViewController* page = split->detailNavigationController->topViewController();
    EXPECT_EQ(page->className(), good ? "GroundViewSettingsViewController" : "SatellitesShownSettingsViewController");
    w.screen->dismissViewController(false);
    w.run(1);
  }
  const ui::Rect b = split->view()->bounds();
  EXPECT_EQ(split->masterNavigationController->view()->frame(), (ui::Rect{0, 0, 320, b.height()}));
  EXPECT_EQ(split->detailNavigationController->view()->frame(), (ui::Rect{321, 0, b.width() - 321, b.height()}));
  EXPECT_EQ(split->view()->backgroundColor(), ui::Color::darkGray());
  // Screen definitions cannot make one.
  registerSettingsInterfaceClasses();
  testing::internal::CaptureStderr();
  std::string message;
  auto made = ui::InterfaceLoader::loadText(R"({"objects": [{"class": "CustomSplitViewController", "id": "c"}]})",
                                            "Split.json", nullptr, &message);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("Not implemented"), std::string::npos);
  EXPECT_TRUE(made.empty());
}

TEST(UiSettingsScreen, SharedRowsWrapTheirTextAndCheckOnlyWhatIsChosen) {
  SettingsWorld w;
  auto switched = SwitchedTableViewCell::cellWithText(std::string(200, 'w') + " wraps", true);
  EXPECT_EQ(switched->textLabel().numberOfLines(), 2);
  EXPECT_EQ(switched->textLabel().lineBreakMode(), ui::LineBreakMode::wordWrap);
  EXPECT_EQ(switched->selectionStyle, ui::TableViewCellSelectionStyle::none);
  EXPECT_TRUE(switched->onOffSwitch()->isOn());
  EXPECT_EQ(switched->accessoryView().get(), switched->onOffSwitch());
  switched->setEnabled(false);
  EXPECT_FALSE(switched->onOffSwitch()->isEnabled());
  // Made unchecked, a checked row has no accessory; the mark follows.
  auto checked = CheckedTableViewCell::cellWithText("", false);
  EXPECT_EQ(checked->accessoryType(), ui::TableViewCellAccessory::none);
  checked->setChecked(true);
  EXPECT_EQ(checked->accessoryType(), ui::TableViewCellAccessory::checkmark);
  // A choice list with a negative row checks nothing and scrolls nowhere.
  auto page = std::make_shared<CheckedTableViewController>("WarningTimesView");
  page->tableItems = {"a", "b", "c"};
  page->selectedIndexPath = {0, -1};
  page->noDoneBtn = true;
  page->autoBack = true;
  w.present(std::make_shared<CheckedTableViewController>("WarningTimesView"));
  w.navigation->pushViewController(page, false);
  w.run(1);
  ui::Application::shared().layoutWindows();
  for (int r = 0; r < 3; ++r)
    EXPECT_EQ(page->mainTable->cellForRow({0, r})->accessoryType(), ui::TableViewCellAccessory::none);
  EXPECT_EQ(page->mainTable->contentOffset().y, 0);
  EXPECT_EQ(page->navigationItem().rightBarButtonItem, nullptr);
  // With autoBack a pick goes back a page.
  w.tapRow(*page->mainTable, {0, 2});
  EXPECT_EQ(page->selectedIndexPath, (ui::IndexPath{0, 2}));
  EXPECT_EQ(w.navigation->viewControllers().size(), 1u);
}

}  // namespace
