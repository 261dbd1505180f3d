#include "tests/ui/settings/settings_world.h"

#include <cstdlib>
#include <filesystem>

#include "engine/locations.h"
#include "platform/devices/local_notifications.h"
#include "platform/foundation/user_defaults.h"
#include "skydata/application_database.h"
#include "temp_dir.h"

namespace uisettings {
namespace {

// One home for the process: the notification centre and the user defaults
// are the process's and keep the folder they first saw.
const std::string& scratchHome() {
  static tessaly::test::TempDir home;
  static const bool set = [] {
    setenv("TESSALY_HOME", home.path().c_str(), 1);
    return true;
  }();
  (void)set;
  return home.path().native();
}

}  // namespace

int ChartScreen::viewCalls(const std::string& prefix) const {
  int count = 0;
  for (const std::string& call : chartView_->calls) count += call.rfind(prefix, 0) == 0;
  return count;
}

SettingsWorld::SettingsWorld(int theme)
    : world(theme),
      delegate(world.installDelegate()),
      chart(sky.chart(800, 600, 0, 0, 60)),
      screen(std::make_shared<ChartScreen>(chart.get())),
      settings(screen.get()) {
  std::filesystem::create_directories(scratchHome() + "/Documents");
  std::filesystem::remove(Settings::defaultsPath());
  dev::LocalNotificationCenter::shared().cancelAll();
  ns::UserDefaults::standard().removeObject("LastOrbitUpdateTime-2560");
  initLocationDatabase(0);
  setApplicationSkyDatabase(&sky.database());
  screen->setSettings(&settings);
  ChartViewController::setCurrentController(screen.get());
  settings.setChartPerspective(kSkyPerspective);
  auto window = delegate.window();
  window->setFrame(ui::Screen::main().bounds());
  window->setRootViewController(screen);
  window->makeKeyAndVisible();
}

SettingsWorld::~SettingsWorld() {
  if (screen->presentedViewController()) screen->dismissViewController(false);
  run(1);
  ChartViewController::setCurrentController(nullptr);
  setApplicationSkyDatabase(nullptr);
  ns::TimeZone::resetDefaultTimeZone();
}

std::shared_ptr<SettingsViewController> SettingsWorld::openSettings() {
  auto settingsScreen = std::make_shared<SettingsViewController>();
  screen->settingsScreen = settingsScreen.get();
  present(settingsScreen);
  return settingsScreen;
}

std::shared_ptr<SVNavigationController> SettingsWorld::present(std::shared_ptr<ui::ViewController> content) {
  navigation = std::make_shared<SVNavigationController>(std::move(content));
  navigation->modalPresentationStyle = ui::ModalPresentationStyle::fullScreen;
  screen->presentViewController(navigation, false);
  run(1);
  return navigation;
}

ui::ViewController* SettingsWorld::top() const { return navigation ? navigation->topViewController() : nullptr; }

void SettingsWorld::tapView(ui::View& view) {
  ui::Application::shared().layoutWindows();
  const ui::Rect b = view.bounds();
  tap(view.convertPointTo({b.midX(), b.midY()}, nullptr));
}

void SettingsWorld::tapRow(ui::TableView& table, ui::IndexPath path) {
  ui::Application::shared().layoutWindows();
  table.scrollToRow(path, ui::TableViewScrollPosition::middle, false);
  ui::Application::shared().layoutWindows();
  const ui::Rect row = table.rectForRow(path);
  tap(table.convertPointTo({row.midX(), row.midY()}, nullptr));
}

void SettingsWorld::tapSwitchOfRow(ui::TableView& table, ui::IndexPath path) {
  ui::Application::shared().layoutWindows();
  table.scrollToRow(path, ui::TableViewScrollPosition::middle, false);
  ui::Application::shared().layoutWindows();
  ui::TableViewCell* cell = table.cellForRow(path);
  ASSERT_NE(cell, nullptr) << path.section << "," << path.row;
  ASSERT_NE(cell->accessoryView(), nullptr);
  tapView(*cell->accessoryView());
}

void SettingsWorld::scrollToEnd(ui::TableView& table) {
  ui::Application::shared().layoutWindows();
  table.setContentOffset({0, std::max(0.0, table.contentSize().height - table.bounds().height())});
  ui::Application::shared().layoutWindows();
}

std::shared_ptr<cg::Image> SettingsWorld::snapshot() {
  ui::Application::shared().layoutWindows();
  return ui::Application::shared().snapshot(2);
}

}  // namespace uisettings
