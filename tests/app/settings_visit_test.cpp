// A visit to the settings in the running application, driven by touches
// as a user drives it: the main page's own Done, the map picker opened from
// the location page and closed by its Done (reporting the dropped pin),
// the settings closed after it with the picker's map no longer answering,
// the orbit-data button's report when no update source is set, the
// scheduled alerts an earlier run saved, firing after a restart, and a
// place typed beside the orbit view on a tablet keeping its summer time.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>

#include "app/elements_downloader.h"
#include "app/settings_screen_connection.h"
#include "platform/devices/local_notifications.h"
#include "platform/foundation/file_io.h"
#include "platform/foundation/run_loop.h"
#include "platform/uikit/alert_controller.h"
#include "platform/uikit/application.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/foundation/user_defaults.h"
#include "skydata/catalog_numbers.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/sky_data_file.h"
#include "skydata/sky_data_region.h"
#include "skydata/sky_database.h"
#include "tests/app/app_session.h"
#include "tests/app/updater_support.h"
#include "ui/foundation/settings_model.h"
#include "ui/foundation/utility.h"
#include "ui/settings/location_map_picker_view_controller.h"
#include "ui/settings/alerts_view_controller.h"
#include "ui/settings/location_view_controller.h"
#include "ui/settings/settings_view_controller.h"

namespace {

using app_test::AppSession;

app_test::SessionOptions noQuickStartNotLaunched() {
  app_test::SessionOptions options;
  options.launchCount = 5;
  options.launch = false;
  return options;
}

// The stack presented last: the settings', or the one a page of them
// presented in turn.
ui::NavigationController* presentedStack() {
  auto* stack = dynamic_cast<ui::NavigationController*>(Utility::topMostController());
  for (ui::ViewController* page = stack ? stack->topViewController() : nullptr; page && page->presentedViewController();
       page = stack->topViewController())
    stack = dynamic_cast<ui::NavigationController*>(page->presentedViewController());
  return stack;
}

class SettingsVisit : public ::testing::Test {
 protected:
  // `beforeLaunch` leaves what an earlier run of the program left.
  explicit SettingsVisit(const std::function<void()>& beforeLaunch = {},
                         app_test::SessionOptions options = noQuickStartNotLaunched())
      : session(options) {
    connectSettingsScreen();
    if (beforeLaunch) beforeLaunch();
    session.launch();
  }

  // A finger down, a moment, and up, with the loop running between (views
  // in scroll views see the touch only once it has stayed a moment).
  void tap(ui::Point p, double held = 0.1) {
    ui::Application& app = ui::Application::shared();
    const int id = nextTouch_++;
    app.handleTouches({{id, ui::TouchPhase::began, p}}, ns::RunLoop::main().now());
    session.run(held);
    app.handleTouches({{id, ui::TouchPhase::ended, p}}, ns::RunLoop::main().now());
    session.run(1);
  }
  void tapView(const ui::View& view) {
    ui::Application::shared().layoutWindows();
    tap(AppSession::centreOf(view));
  }
  // The Done (or other right-hand button) of the top stack's bar.
  void tapBarDone() {
    ui::NavigationController* stack = presentedStack();
    ASSERT_NE(stack, nullptr);
    ui::Button* done = stack->navigationBar().rightButton();
    ASSERT_NE(done, nullptr) << "no Done on " << stack->topViewController()->className();
    EXPECT_EQ(done->titleForState(ui::kControlStateNormal), "Done");
    tapView(*done);
  }
  void longPress(ui::Point at) { tap(at, 0.6); }
  SettingsViewController& openSettings() {
    // The chart screen's Settings button, as its tap sends it.
    session.screen().views().settingsButton->sendActionsForControlEvents(ui::kControlEventTouchUpInside);
    session.run(1);
    ui::NavigationController* stack = presentedStack();
    EXPECT_NE(stack, nullptr);
    auto* settings = stack ? dynamic_cast<SettingsViewController*>(stack->topViewController()) : nullptr;
    if (settings == nullptr) throw std::runtime_error("the settings did not open");
    return *settings;
  }
  void tapRow(ui::TableView& table, ui::IndexPath path) {
    ui::Application::shared().layoutWindows();
    table.scrollToRow(path, ui::TableViewScrollPosition::middle, false);
    ui::Application::shared().layoutWindows();
    const ui::Rect row = table.rectForRow(path);
    tap(table.convertPointTo({row.midX(), row.midY()}, nullptr));
  }

  // Update Orbit Data Now, tapped at the table's end: the report's text,
  // once the update's thread has ended (the alert is then closed).
  std::string updateReport(SettingsViewController& settingsScreen) {
    ui::Application::shared().layoutWindows();
    ui::TableView& table = *settingsScreen.mainTable;
    table.setContentOffset({0, std::max(0.0, table.contentSize().height - table.bounds().height())});
    EXPECT_TRUE(settingsScreen.updateOrbitDataBtn->isEnabled());
    tapView(*settingsScreen.updateOrbitDataBtn);
    auto* network = dynamic_cast<NetworkElementsDownloader*>(ElementsDownloader::shared());
    if (network == nullptr) return "no updater";
    network->waitForThread();
    session.run(1);
    auto* alert = dynamic_cast<ui::AlertController*>(Utility::topMostController());
    if (alert == nullptr) return "no alert";
    EXPECT_EQ(alert->alertTitle(), "Update Results");
    const std::string text = alert->message();
    alert->chooseAction(0);
    session.run(1);
    return text;
  }

  AppSession session;
  int nextTouch_ = 100;
};

TEST_F(SettingsVisit, TheMainPageHasItsOwnDoneWhichSavesAndCloses) {
  openSettings();
  std::filesystem::remove(Settings::defaultsPath());
  tapBarDone();
  EXPECT_EQ(session.screen().presentedViewController(), nullptr);
  EXPECT_TRUE(std::filesystem::exists(Settings::defaultsPath()));
}

TEST_F(SettingsVisit, TheMapPickersDoneClosesItWithThePinAndTheSettingsCloseAfterIt) {
  Settings& settings = *session.screen().settings();
  settings.setLatitude(48.1374);
  settings.setLongitude(11.5755);
  settings.setLocationName("Munich");
  SettingsViewController& settingsScreen = openSettings();
  tapRow(*settingsScreen.mainTable, {0, 0});
  auto* location = dynamic_cast<LocationViewController*>(presentedStack()->topViewController());
  ASSERT_NE(location, nullptr);
  tapView(*location->pickLocationFromMapBtn);

  auto* picker = dynamic_cast<LocationMapPickerViewController*>(presentedStack()->topViewController());
  ASSERT_NE(picker, nullptr);
  dev::MapView& map = *picker->mapView;
  // Around the current place, with its pin.
  EXPECT_NEAR(map.region().center.latitude, 48.1374, 1e-6);
  EXPECT_NEAR(map.region().center.longitude, 11.5755, 1e-6);
  ASSERT_EQ(map.annotations().size(), 1u);
  EXPECT_NEAR(map.annotations()[0].coordinate.latitude, 48.1374, 1e-6);
  EXPECT_EQ(map.annotations()[0].title, "Munich");
  EXPECT_EQ(settings.locationName(), "Munich") << "opening the map picks nothing";

  ui::Point pin = map.convertPointTo(map.convertCoordinateToPoint({47.0, 10.0}), nullptr);
  longPress(pin);
  EXPECT_NEAR(settings.latitude(), 47.0, 0.05);
  EXPECT_NEAR(settings.longitude(), 10.0, 0.05);
  // The place moves meanwhile (another screen, a script): Done reports the
  // pin as it stands.
  settings.setLatitude(0);
  tapBarDone();
  ASSERT_NE(presentedStack(), nullptr);
  EXPECT_EQ(presentedStack()->topViewController(), location) << "Done closes the picker, not the settings";
  EXPECT_NEAR(settings.latitude(), 47.0, 0.05);
  EXPECT_NE(location->locationNameTF->text(), "Munich");

  tapBarDone();
  EXPECT_EQ(session.screen().presentedViewController(), nullptr);
  EXPECT_EQ(Utility::topMostController(), &session.screen());
  // Where the map was, a long press and a tap reach the chart only.
  const double latitude = settings.latitude();
  longPress(pin);
  tap(pin);
  EXPECT_EQ(settings.latitude(), latitude);
}

TEST_F(SettingsVisit, ClosingTheSettingsUnderAnOpenPickerTakesThePickerWithThem) {
  SettingsViewController& settingsScreen = openSettings();
  tapRow(*settingsScreen.mainTable, {0, 0});
  auto* location = dynamic_cast<LocationViewController*>(presentedStack()->topViewController());
  ASSERT_NE(location, nullptr);
  tapView(*location->pickLocationFromMapBtn);
  auto* picker = dynamic_cast<LocationMapPickerViewController*>(presentedStack()->topViewController());
  ASSERT_NE(picker, nullptr);
  const ui::Point middle = AppSession::centreOf(*picker->mapView);
  // The settings' own Done, reached while the picker is up.
  settingsScreen.performAction("doneTouched:", nullptr);
  session.run(1);
  EXPECT_EQ(session.screen().presentedViewController(), nullptr);
  EXPECT_EQ(Utility::topMostController(), &session.screen());
  longPress(middle);
  tap(middle);
}

// On a tablet the settings open beside the chart, which stays in its view,
// here the orbit view on 15 July 2008 at 12:00 UTC.
class SettingsVisitOnATablet : public SettingsVisit {
 protected:
  SettingsVisitOnATablet() : SettingsVisit({}, options()) {}
  static app_test::SessionOptions options() {
    app_test::SessionOptions o = noQuickStartNotLaunched();
    o.tablet = true;
    o.wallTime = 1216123200;
    return o;
  }
};

// A new place takes the chart's site and with it the place's daylight-
// saving rule, in the space views too: Munich keeps its summer time, two
// hours ahead of UTC, in the times the orbit view shows.
TEST_F(SettingsVisitOnATablet, APlaceTypedBesideTheOrbitViewKeepsItsSummerTime) {
  Settings& settings = *session.screen().settings();
  settings.setLocationName("Munich");
  settings.setLongitude(11.5755);
  settings.setLatitude(48.1374);
  settings.setTimeZone(1);
  settings.setAutoDST(true);
  session.screen().setChartPerspective(kOrbitPerspective);
  session.screen().showTimeFlow(true);
  SettingsViewController& settingsScreen = openSettings();
  tapRow(*settingsScreen.mainTable, {0, 0});
  auto* location = dynamic_cast<LocationViewController*>(presentedStack()->topViewController());
  ASSERT_NE(location, nullptr);
  tapView(*location->latitudeTF);
  while (!location->latitudeTF->text().empty()) ui::Application::shared().deleteBackward();
  ui::Application::shared().insertText("48.2");
  ui::Application::shared().returnKey();
  session.run(1);
  ASSERT_EQ(settings.latitude(), 48.2);
  ASSERT_EQ(session.chartView().chartPerspective(), kOrbitPerspective);
  const std::string shown = session.screen().views().timeFlowTimeLabel->text();
  EXPECT_NE(shown.find(" 14:00:"), std::string::npos) << shown;
}

TEST_F(SettingsVisit, UpdatingOrbitDataSaysWhenNoSourceIsSetOrNothingCameAndCountsOnlyWhatCame) {
  SettingsViewController& settingsScreen = openSettings();
  const std::string none = updateReport(settingsScreen);
  EXPECT_EQ(none.find("satellites were updated"), std::string::npos) << none;
  EXPECT_EQ(none.rfind("No update source is set.", 0), 0u) << none;
  EXPECT_NE(none.find("s UpdateServerURL https://"), std::string::npos) << none;
  EXPECT_NE(none.find("UserDefaults.txt"), std::string::npos) << none;
  EXPECT_NE(none.find("catalogue tool"), std::string::npos) << none;
  EXPECT_LE(none.size(), 240u) << "short";

  updater_test::UpdateServer server;
  ns::UserDefaults::standard().setString(kUpdateServerURLKey, server.base());
  server.answer(updater_test::kCataloguePath, {updater_test::Answer::whole, 404, ""});
  const std::string failed = updateReport(settingsScreen);
  EXPECT_EQ(failed, "The orbit data could not be updated (status 404).");

  server.answer(updater_test::kCataloguePath,
                {updater_test::Answer::whole, 200,
                 updater_test::catalogueWith({updater_test::satelliteFrom(mechanics_test::kIssLines),
                                              updater_test::satelliteFrom(mechanics_test::kMolniyaLines)})});
  EXPECT_EQ(updateReport(settingsScreen), "2 satellites were updated.");
  ns::UserDefaults::standard().removeObject(kUpdateServerURLKey);
}

// ---- Orbit data without satellites -------------------------------------------------

constexpr const char* kNoSatellites =
    "The orbit data could not be updated (the catalogue holds no satellites or spacecraft).";

// The satellites of the chart's solar-system file.
int satellitesInTheChart(AppSession& session) {
  CSkyDataRegion* root = session.chart().database->getSolarSystemFile()->getRoot();
  int count = 0;
  for (std::size_t i = 0; i < root->getObjectCount(); ++i) count += root->getObject(i)->getType() == kTypeSatellite;
  return count;
}

bool inTheChart(AppSession& session, int noradNumber) {
  std::vector<SkyObjectID> found;
  return session.chart().database->findObjectsByCatalogNumber(makeCatalogNumber(kCatalogSatellite, noradNumber),
                                                              kSolarSystemFile, found, 1) == 1;
}

std::int64_t selectedNumber(AppSession& session) {
  const auto* body = dynamic_cast<const CPlanet*>(session.chart().selectedObject);
  return body != nullptr && body->getType() == kTypeSatellite ? body->getCatalogNumber() : 0;
}

std::string downloadedCatalogue() {
  return updater_test::cachesFile(NetworkElementsDownloader::kSolarSystemFileName);
}

// A download that loads but holds no satellite is refused: nothing goes
// into Caches for the next start, the bundle's copy stays, no time is
// stored, and the ISS stays in the chart and selected.
TEST_F(SettingsVisit, AnUpdateWithoutSatellitesIsRefusedAndTheBundlesCatalogueStaysInUse) {
  const std::string bundled = session.bundle() + "/SkyData/SolarSystem.skydata";
  const std::string bundledBytes = tessaly::test::readFile(bundled);
  const int satellites = satellitesInTheChart(session);
  ASSERT_GT(satellites, 0);
  updater_test::UpdateServer server;
  ns::UserDefaults::standard().setString(kUpdateServerURLKey, server.base());
  server.answer(updater_test::kCataloguePath, {updater_test::Answer::whole, 200, updater_test::catalogueWith({})});
  testing::internal::CaptureStderr();
  EXPECT_EQ(updateReport(openSettings()), kNoSatellites);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(server.requests(updater_test::kCataloguePath), 1);
  EXPECT_FALSE(std::filesystem::exists(downloadedCatalogue()));
  EXPECT_TRUE(tessaly::test::readFile(bundled) == bundledBytes) << "the bundle's catalogue changed";
  EXPECT_EQ(ns::UserDefaults::standard().doubleForKey(NetworkElementsDownloader::kLastUpdateTimeKey), 0.0);
  EXPECT_EQ(satellitesInTheChart(session), satellites);
  EXPECT_EQ(selectedNumber(session), makeCatalogNumber(kCatalogSatellite, 25544));
  ns::UserDefaults::standard().removeObject(kUpdateServerURLKey);
}

// What an earlier good update left in Caches: the ISS and MOLNIYA 2-14,
// which the bundle lacks.
class OrbitDataDownloadedEarlier : public SettingsVisit {
 protected:
  OrbitDataDownloadedEarlier() : SettingsVisit([] {
    ASSERT_TRUE(tessaly::test::writeFile(
        downloadedCatalogue(), updater_test::catalogueWith({updater_test::satelliteFrom(mechanics_test::kIssLines),
                                                            updater_test::satelliteFrom(mechanics_test::kMolniyaLines)})));
  }) {}
};

TEST_F(OrbitDataDownloadedEarlier, StaysThroughAnUpdateWithoutSatellitesFromTheButtonOrAtAForegroundEntry) {
  const std::string cachedBytes = tessaly::test::readFile(downloadedCatalogue());
  ASSERT_TRUE(inTheChart(session, 8195)) << "the cached copy comes before the bundle's";
  updater_test::UpdateServer server;
  ns::UserDefaults::standard().setString(kUpdateServerURLKey, server.base());
  server.answer(updater_test::kCataloguePath, {updater_test::Answer::whole, 200, updater_test::catalogueWith({})});
  testing::internal::CaptureStderr();
  EXPECT_EQ(updateReport(openSettings()), kNoSatellites);
  tapBarDone();
  testing::internal::GetCapturedStderr();

  // The hourly check, with no alert: the reason goes to the log.
  testing::internal::CaptureStderr();
  ui::Application::shared().enterBackground();
  ui::Application::shared().becomeActive();
  EXPECT_TRUE(ElementsDownloader::updatingOrbitData()) << "a failed update stored no time, so one is due";
  dynamic_cast<NetworkElementsDownloader&>(*ElementsDownloader::shared()).waitForThread();
  session.run(1);
  const std::string log = testing::internal::GetCapturedStderr();
  EXPECT_NE(log.find("Solar-system catalogue not updated from " + server.url(updater_test::kCataloguePath) +
                     ": the catalogue holds no satellites or spacecraft"),
            std::string::npos)
      << log;

  EXPECT_EQ(server.requests(updater_test::kCataloguePath), 2);
  EXPECT_TRUE(tessaly::test::readFile(downloadedCatalogue()) == cachedBytes) << "the cached catalogue changed";
  EXPECT_EQ(ns::UserDefaults::standard().doubleForKey(NetworkElementsDownloader::kLastUpdateTimeKey), 0.0);
  EXPECT_TRUE(inTheChart(session, 8195));
  EXPECT_EQ(selectedNumber(session), makeCatalogNumber(kCatalogSatellite, 25544));
  ns::UserDefaults::standard().removeObject(kUpdateServerURLKey);
}

// An earlier version took a download without satellites and stored it:
// the next start names it and uses the bundle's catalogue, leaving the file
// for the next good update to replace.
class OrbitDataWithoutSatellitesDownloadedEarlier : public SettingsVisit {
 protected:
  OrbitDataWithoutSatellitesDownloadedEarlier() : SettingsVisit([] {
    ASSERT_TRUE(tessaly::test::writeFile(downloadedCatalogue(), updater_test::catalogueWith({})));
    testing::internal::CaptureStderr();
  }) {
    log = testing::internal::GetCapturedStderr();
  }
  std::string log;
};

TEST_F(OrbitDataWithoutSatellitesDownloadedEarlier, GivesWayToTheBundlesCatalogueAtTheNextStart) {
  // The path as the user would type it, from the home folder.
  const std::size_t named = log.find("Downloaded orbit data ");
  ASSERT_NE(named, std::string::npos) << log;
  EXPECT_NE(log.find("Caches/SolarSystem.skydata not used: the catalogue holds no satellites or spacecraft", named),
            std::string::npos)
      << log;
  EXPECT_GT(satellitesInTheChart(session), 0);
  EXPECT_TRUE(inTheChart(session, 25544));
  EXPECT_TRUE(tessaly::test::readFile(downloadedCatalogue()) == updater_test::catalogueWith({}))
      << "the cached catalogue changed";
}

// ---- Alerts saved by an earlier run -----------------------------------------------

constexpr double kStart = app_test::kSessionWallTime;

// An event alert as the file keeps it, due `in` seconds after the start.
ns::JSON savedAlert(const std::string& event, double in, int identifier) {
  return {{"fireDate", kStart + in}, {"timeZone", "UTC"}, {"alertBody", event + " now."}, {"soundName", "default"},
          {"badge", 0}, {"identifier", "notification-" + std::to_string(identifier)},
          {"userInfo", {{"EventName", event}, {"EventTime", kStart + in}, {"EventMinutesBefore", 0},
                        {"EventObjectName", "ISS (ZARYA)"}, {"EventObjectNumber", 25544}}}};
}

// The events of the alerts in the file now.
std::vector<std::string> eventsInTheFile() {
  std::vector<std::string> events;
  const ns::JSON root = ns::JSON::parse(ns::readWholeFile(dev::LocalNotificationCenter::sharedPath()).value_or(""),
                                        nullptr, false);
  if (root.is_object() && root.contains("notifications"))
    for (const ns::JSON& n : root["notifications"]) events.push_back(n["userInfo"]["EventName"].get<std::string>());
  return events;
}

class AlertsSavedInAnEarlierRun : public SettingsVisit {
 protected:
  AlertsSavedInAnEarlierRun() : SettingsVisit([] {
    ns::JSON list = ns::JSON::array({savedAlert("Passed", -600, 1), savedAlert("Soon", 1, 2), savedAlert("Due", 6, 3),
                                     savedAlert("Tomorrow", 86400, 4)});
    ASSERT_TRUE(ns::writeFileAtomically(dev::LocalNotificationCenter::sharedPath(),
                                        ns::JSON{{"notifications", list}}.dump()));
  }) {}

  // Runs until an alert shows (at most `seconds`); its message, and the
  // wall time it came at. The alert is then answered.
  std::pair<std::string, double> nextAlert(double seconds) {
    ui::AlertController* alert = nullptr;
    session.runUntil([&] { return (alert = dynamic_cast<ui::AlertController*>(Utility::topMostController())); },
                     seconds);
    if (alert == nullptr) return {"", 0};
    EXPECT_EQ(alert->alertTitle(), "Tessaly");
    const std::pair<std::string, double> shown{alert->message(), ns::RunLoop::main().wallTime()};
    alert->chooseAction(0);
    session.run(0.5);
    return shown;
  }
  int sounds() {
    const auto& log = session.shell().soundLog();
    return int(std::count(log.begin(), log.end(), "sms-received.wav"));
  }
};

TEST_F(AlertsSavedInAnEarlierRun, FireAtTheirTimeWhileThosePassedWhileClosedAreGoneFromPageAndFile) {
  EXPECT_EQ(eventsInTheFile(), (std::vector<std::string>{"Soon", "Due", "Tomorrow"}));
  // A refresh is a sixtieth of a second.
  const auto soon = nextAlert(2);
  EXPECT_EQ(soon.first, "Soon now.") << "the one passed while closed did not fire";
  EXPECT_NEAR(soon.second, kStart + 1, 0.02);
  EXPECT_EQ(sounds(), 0) << "within five seconds of becoming active";
  const auto due = nextAlert(6);
  EXPECT_EQ(due.first, "Due now.");
  EXPECT_NEAR(due.second, kStart + 6, 0.02);
  EXPECT_EQ(sounds(), 1);
  EXPECT_EQ(nextAlert(1).first, "") << "nothing else is due";

  // The Scheduled Alerts page and the file hold the one still ahead.
  SettingsViewController& settingsScreen = openSettings();
  tapRow(*settingsScreen.mainTable, {2, 3});
  auto* page = dynamic_cast<AlertsViewController*>(presentedStack()->topViewController());
  ASSERT_NE(page, nullptr);
  ASSERT_EQ(page->mainTable->numberOfRows(0), 1);
  page->mainTable->layoutIfNeeded();
  ui::TableViewCell* row = page->mainTable->cellForRow({0, 0});
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->textLabel().text(), "Tomorrow");
  EXPECT_EQ(eventsInTheFile(), (std::vector<std::string>{"Tomorrow"}));
}

// A damaged file at launch: a message, the damaged file kept whole beside
// the new one, and what could be read of it scheduled and fired.
class ADamagedAlertsFile : public SettingsVisit {
 protected:
  static constexpr const char* kDamaged = R"({"notifications": [{"fireDate": "tomorrow"}, )";
  ADamagedAlertsFile() : SettingsVisit([] {
    testing::internal::CaptureStderr();
    const ns::JSON list = ns::JSON::array({savedAlert("Readable", 2, 1)});
    // An entry that cannot be used, then one that can.
    const std::string text = kDamaged + list[0].dump() + "]}";
    ASSERT_TRUE(ns::writeFileAtomically(dev::LocalNotificationCenter::sharedPath(), text));
  }) {
    log = testing::internal::GetCapturedStderr();
  }
  std::string log;
};

TEST_F(ADamagedAlertsFile, KeepsTheFileAsideAndFiresWhatCouldBeRead) {
  const std::string path = dev::LocalNotificationCenter::sharedPath();
  EXPECT_NE(log.find(path + ": notification 0: no fire date; skipped"), std::string::npos) << log;
  EXPECT_NE(log.find("Alerts file " + path + " has 1 damaged entry; kept as " + path +
                     ".unreadable, the alerts read from it scheduled"),
            std::string::npos)
      << log;
  EXPECT_EQ(ns::readWholeFile(path + ".unreadable").value_or("").rfind(kDamaged, 0), 0u);
  EXPECT_EQ(eventsInTheFile(), (std::vector<std::string>{"Readable"}));
  ui::AlertController* alert = nullptr;
  session.runUntil([&] { return (alert = dynamic_cast<ui::AlertController*>(Utility::topMostController())); }, 3);
  ASSERT_NE(alert, nullptr);
  EXPECT_EQ(alert->message(), "Readable now.");
  EXPECT_TRUE(eventsInTheFile().empty());
}

}  // namespace
