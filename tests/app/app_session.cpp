#include "tests/app/app_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "chart/sky_chart.h"
#include "platform/devices/local_notifications.h"
#include "platform/devices/location.h"
#include "platform/foundation/bundle.h"
#include "platform/foundation/user_defaults.h"
#include "platform/uikit/application.h"
#include "platform/uikit/display_links.h"
#include "platform/uikit/navigation_controller.h"
#include "skydata/sky_database.h"
#include "ui/foundation/sv_alert_controller.h"
#include "ui/foundation/utility.h"

namespace app_test {
namespace fs = std::filesystem;

namespace {

// One home for the whole test process: the standard defaults are read
// from it once.
const fs::path& testHome() {
  static tessaly::test::TempDir home;
  static const bool set = [] {
    setenv("TESSALY_HOME", home.path().c_str(), 1);
    return true;
  }();
  (void)set;
  return home.path();
}

void link(const fs::path& target, const fs::path& at) {
  std::error_code error;
  if (fs::exists(target, error)) fs::create_directory_symlink(target, at, error);
}

}  // namespace

void clearUserState() {
  const fs::path& home = testHome();
  ns::UserDefaults& defaults = ns::UserDefaults::standard();
  const std::string version = ns::Bundle::main().infoValue("CFBundleShortVersionString");
  for (const std::string& key : {"LaunchCount-" + version, "AskToRateLaunchCount-" + version,
                                 std::string(NetworkElementsDownloader::kLastUpdateTimeKey), std::string(kLastAnnouncementKey),
                                 std::string(kUpdateServerURLKey), std::string(kAppThemeKey)})
    defaults.removeObject(key);
  std::error_code error;
  for (const char* folder : {"Documents", "Caches"}) fs::remove_all(home / folder, error);
  // The alerts' file and the damaged ones kept beside it.
  const fs::path alerts = dev::LocalNotificationCenter::sharedPath();
  for (const auto& entry : fs::directory_iterator(alerts.parent_path(), error))
    if (entry.path().filename().string().starts_with(alerts.filename().string())) fs::remove(entry.path(), error);
}

WithCompass::WithCompass() {
  dev::LocationConfiguration compass;
  compass.heading = 0.0;
  dev::LocationManager::configure(compass);
}

WithCompass::~WithCompass() { dev::LocationManager::configure(dev::LocationConfiguration::fromEnvironment()); }

AppSession::AppSession(SessionOptions options)
    : options_(options), device_(ui::Screen::main().configuration()) {
  testHome();
  if (options_.tablet) {
    ui::DeviceConfiguration tablet = device_;
    tablet.idiom = ui::Idiom::pad;
    tablet.portraitSize = {768, 1024};
    ui::Screen::main().configure(tablet);
  }
  const char* source = std::getenv("TESSALY_SOURCE_DIR");
  const fs::path resources = fs::path(source ? source : ".") / "resources";
  for (const char* folder : {"Fonts", "Interface", "Shaders", "Scripts", "Web"})
    link(resources / folder, bundle_.path() / folder);
  if (const char* images = std::getenv("TESSALY_APP_TEST_IMAGES")) link(images, bundle_.path() / "Images");
  setenv("TESSALY_BUNDLE", bundle_.path().c_str(), 1);
  if (options_.catalogues) {
    std::vector<mechanics_test::SatelliteRecord> satellites;
    if (options_.satellites) {
      mechanics_test::SatelliteRecord iss;
      iss.elements = mechanics_test::elementsFromLines(mechanics_test::kIssLines[0], mechanics_test::kIssLines[1]);
      iss.standardMagnitude = -1.8;
      satellites.push_back(iss);
    }
    satellites.insert(satellites.end(), options_.moreSatellites.begin(), options_.moreSatellites.end());
    mechanics_test::SolarSystemWorld world(mechanics_test::standardExtraBodies(), satellites);
    EXPECT_TRUE(world.loaded());
    fs::create_directories(bundle_.path() / "SkyData");
    fs::copy_file(world.filePath(), bundle_.path() / "SkyData" / "SolarSystem.skydata");
  }
  if (!options_.stars.empty()) {
    fs::create_directories(bundle_.path() / "SkyData");
    EXPECT_TRUE(chart_test::writeStarsFile(options_.stars, (bundle_.path() / "SkyData" / "Stars.skydata").string()));
  }
  clearUserState();
  if (options_.launchCount >= 0) {
    const std::string version = ns::Bundle::main().infoValue("CFBundleShortVersionString");
    ns::UserDefaults::standard().setInteger("LaunchCount-" + version, options_.launchCount);
  }
  // Each session's clock goes on from the last one's, so that the timers
  // of process-wide clients (the push inbox) keep their phase.
  clock_ = std::make_shared<ns::ManualClock>(std::max(1000.0, ns::RunLoop::main().now()));
  clock_->setWallTime(options_.wallTime);
  ns::RunLoop::main().setClock(clock_);
  ui::Application::shared().reset();
  shell_ = std::make_shared<ApplicationShell>();
  if (options_.launch) launch();
}

AppSession::~AppSession() {
  // Motion steering is the process's, not the screen's: left on, it would
  // have the next session's chart follow the device and redraw at every
  // refresh.
  if (ChartScreenController::compassOrGyroOn())
    if (auto* screen = dynamic_cast<ChartScreenController*>(ChartViewController::currentController()))
      screen->stopCompassOrGyro();
  ui::Application& app = ui::Application::shared();
  if (app.delegate() != nullptr && !app.isTerminated()) app.terminate();
  app.reset();
  shell_.reset();
  ns::RunLoop::main().runFor(0.1);
  ns::RunLoop::main().setClock(std::make_shared<ns::SystemClock>());
  ui::Screen::main().configure(device_);
}

void AppSession::launch() {
  ui::Application& app = ui::Application::shared();
  app.setDelegate(shell_);
  app.launch();
  app.layoutWindows();
  run(0.05);
}

ChartScreenController& AppSession::screen() {
  auto* screen = dynamic_cast<ChartScreenController*>(ChartViewController::currentController());
  if (screen == nullptr) throw std::runtime_error("no chart screen");
  return *screen;
}

ChartSurfaceView& AppSession::chartView() { return *screen().surface(); }
CSkyChart& AppSession::chart() { return *chartView().pSkyChart(); }

void AppSession::run(double seconds) {
  runUntil([] { return false; }, seconds);
}

bool AppSession::runUntil(const std::function<bool()>& done, double atMostSeconds) {
  ns::RunLoop& loop = ns::RunLoop::main();
  const double end = loop.now() + atMostSeconds;
  // The host's refresh: display links and layout once a sixtieth.
  while (loop.now() < end) {
    if (done()) return true;
    loop.runUntil(std::min(end, loop.now() + 1.0 / 60));
    ui::stepDisplayLinks(loop.now());
    ui::Application::shared().layoutWindows();
  }
  return done();
}

void AppSession::tap(double x, double y) {
  ui::Application& app = ui::Application::shared();
  const int id = nextTouch_++;
  const double t = ns::RunLoop::main().now();
  app.handleTouches({{id, ui::TouchPhase::began, {x, y}}}, t);
  app.handleTouches({{id, ui::TouchPhase::ended, {x, y}}}, t + 0.05);
  run(0.1);
}

void AppSession::drag(ui::Point a, ui::Point b, int steps, double secondsPerStep) {
  ui::Application& app = ui::Application::shared();
  const int id = nextTouch_++;
  double t = ns::RunLoop::main().now();
  app.handleTouches({{id, ui::TouchPhase::began, a}}, t);
  for (int i = 1; i <= steps; ++i) {
    const double f = double(i) / steps;
    t += secondsPerStep;
    clock_->advance(secondsPerStep);
    app.handleTouches({{id, ui::TouchPhase::moved, {a.x + f * (b.x - a.x), a.y + f * (b.y - a.y)}}}, t);
  }
  app.handleTouches({{id, ui::TouchPhase::ended, b}}, t);
}

ui::ViewController* AppSession::topScreen() {
  ui::ViewController* presented = Utility::topMostController();
  auto* navigation = dynamic_cast<ui::NavigationController*>(presented);
  return navigation != nullptr ? navigation->topViewController() : presented;
}

bool AppSession::chooseEventAction(ui::TableView& table, ui::IndexPath row, const std::string& action) {
  table.scrollToRow(row, ui::TableViewScrollPosition::middle, false);
  table.layoutIfNeeded();
  ui::TableViewCell* cell = table.cellForRow(row);
  auto* clock = cell != nullptr ? dynamic_cast<ui::Control*>(cell->accessoryView().get()) : nullptr;
  if (clock == nullptr) return false;
  clock->sendActionsForControlEvents(ui::kControlEventTouchUpInside);
  run(1);
  auto* menu = dynamic_cast<SVAlertController*>(Utility::topMostController());
  if (menu == nullptr) return false;
  const auto& actions = menu->actions();
  const auto chosen = std::find_if(actions.begin(), actions.end(),
                                   [&](const ui::AlertAction& a) { return a.title == action; });
  if (chosen == actions.end()) return false;
  menu->chooseAction(static_cast<std::size_t>(chosen - actions.begin()));
  run(1);
  return true;
}

void AppSession::select(const char* name) {
  std::vector<SkyObjectID> found;
  ASSERT_GT(chart().database->findObjectsByName(name, kSolarSystemFile, found, 1), 0) << name;
  screen().selectObject(found[0]);
}

ui::Point AppSession::centreOf(const ui::View& view) {
  const ui::Rect bounds = view.bounds();
  return view.transformToRoot().apply({bounds.x() + bounds.width() / 2, bounds.y() + bounds.height() / 2});
}

}  // namespace app_test
