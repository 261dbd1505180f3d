// A scripted session of the whole application on the headless host, on a
// manual clock at 2008 September 21, 00:00 UTC, in Munich (48.1374 N,
// 11.5755 E, 520 m) with real time off: start-up to the first chart frame;
// the Search screen finds the ISS by its number and opens its information;
// its passes are the engine's (the visible ones alone when the settings
// ask for those) and agree with PyEphem; an alert set on the
// rise of its first visible pass fires five minutes before it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "chart/sky_chart.h"
#include "mechanics/event_search.h"
#include "platform/devices/local_notifications.h"
#include "platform/uikit/application.h"
#include "platform/uikit/navigation_controller.h"
#include "skydata/object_factory.h"
#include "skydata/planet.h"
#include "skydata/sky_database.h"
#include "app/information_screens_connection.h"
#include "tests/app/app_session.h"
#include "tests/support/requirements.h"
#include "tests/ui/info/info_rows.h"
#include "tests/ui/info/python_oracle.h"
#include "ui/foundation/settings_model.h"
#include "ui/foundation/sv_alert_controller.h"
#include "ui/foundation/utility.h"
#include "ui/info/info_coordinates.h"
#include "ui/info/object_info_view_controller.h"
#include "ui/info/search_view_controller.h"

namespace {

using app_test::AppSession;

constexpr double kSessionStart = 1221955200.0;  // 2008-09-21 00:00 UTC
constexpr double kUnixEpochJD = 2440587.5;
constexpr double kSecond = 1.0 / 86400;
constexpr double kLongitude = 11.5755, kLatitude = 48.1374, kHeight = 520;

// Twenty satellites beside the ISS: its element set turned about the
// Earth's axis and along its orbit, each with a number of its own.
std::vector<mechanics_test::SatelliteRecord> twentyOthers() {
  std::vector<mechanics_test::SatelliteRecord> others;
  for (int i = 1; i <= 20; ++i) {
    mechanics_test::SatelliteRecord record;
    record.elements = mechanics_test::elementsFromLines(mechanics_test::kIssLines[0], mechanics_test::kIssLines[1]);
    record.elements.catalogueNumber = 90000 + i;
    std::snprintf(record.elements.designator, sizeof record.elements.designator, "08%03dA", 100 + i);
    std::snprintf(record.elements.name, sizeof record.elements.name, "TEST %d", i);
    record.elements.node = std::fmod(record.elements.node + 0.3 * i, 2 * M_PI);
    record.elements.meanAnomaly = std::fmod(record.elements.meanAnomaly + 0.7 * i, 2 * M_PI);
    record.standardMagnitude = 3;
    others.push_back(record);
  }
  return others;
}

app_test::SessionOptions sessionOptions() {
  app_test::SessionOptions options;
  options.wallTime = kSessionStart;
  options.launchCount = 5;  // no quick start
  options.moreSatellites = twentyOthers();
  return options;
}

ui::ViewController* topScreen() {
  ui::ViewController* presented = Utility::topMostController();
  auto* navigation = dynamic_cast<ui::NavigationController*>(presented);
  return navigation != nullptr ? navigation->topViewController() : presented;
}

TEST(AppSession, SearchTheIssSeeItsPassesAndBeRemindedOfTheFirstVisibleOne) {
  connectInformationScreens();
  AppSession session(sessionOptions());
  ChartScreenController& screen = session.screen();
  Settings& settings = *screen.settings();
  settings.setRealTime(false);
  settings.setLatitude(kLatitude);
  settings.setLongitude(kLongitude);
  settings.setAltitude(kHeight);
  settings.setJulianDate(kSessionStart / 86400 + kUnixEpochJD);
  settings.setWarningTime(5);
  session.run(1);
  CSkyChart& chart = session.chart();
  EXPECT_NEAR(chart.julianDate, kSessionStart / 86400 + kUnixEpochJD, 1e-9);
  EXPECT_GT(session.chartView().framesDrawn(), 0);

  // Search, type the number, search.
  screen.showSearch();
  session.run(1);
  auto* search = dynamic_cast<SearchViewController*>(topScreen());
  ASSERT_NE(search, nullptr);
  session.tap(AppSession::centreOf(*search->searchBar()).x, AppSession::centreOf(*search->searchBar()).y);
  ui::Application::shared().insertText("25544");
  ui::Application::shared().returnKey();
  session.run(1);
  auto* info = dynamic_cast<ObjectInfoViewController*>(topScreen());
  ASSERT_NE(info, nullptr) << "one result opens its information screen";
  EXPECT_EQ(info->objectID().catnum % 10000000000000000LL, 25544);
  EXPECT_EQ(ObjectInfoViewController::currentController(), info);
  EXPECT_TRUE(session.chartView().drawingDisabled()) << "the chart does not draw under the screen";

  // Its pass rows are the engine's passes.
  CSkyObject* iss = chart.selectedObject;
  ASSERT_NE(iss, nullptr);
  PassRecord passes[32];
  const int count = findObjectPasses(chart, asPlanet(iss), passes, 32, chart.julianDate,
                                     chart.julianDate + 1, trueHorizonAltitude(chart));
  ASSERT_GT(count, 1);
  int section = -1, firstVisible = -1;
  std::vector<int> passSections;
  for (int s = 0; s < info->numSections(); ++s) {
    const std::string title = info->item(info->sectionStart(s)).pValue;
    if (title.find(" Pass - ") == std::string::npos) continue;
    passSections.push_back(s);
    if (firstVisible < 0 && title.find("- Visible") != std::string::npos) firstVisible = s;
  }
  ASSERT_EQ(static_cast<int>(passSections.size()), count);
  for (int p = 0; p < count; ++p) {
    section = passSections[static_cast<std::size_t>(p)];
    const int header = info->sectionStart(section);
    EXPECT_EQ(info->item(header + 2).jd, passes[p][kPassRise]);
    EXPECT_EQ(info->item(header + 3).jd, passes[p][kPassCulmination]);
    EXPECT_EQ(info->item(header + 4).jd, passes[p][kPassSet]);
  }
  // With visible passes only, the visible ones alone, in order.
  std::vector<double> visibleRises;
  for (int p = 0; p < count; ++p)
    if (isPassVisible(passes[p])) visibleRises.push_back(passes[p][kPassRise]);
  ASSERT_FALSE(visibleRises.empty());
  ASSERT_LT(static_cast<int>(visibleRises.size()), count) << "a pass to leave out";
  settings.setShowVisiblePassesOnly(true);
  info->loadObjectInfo(false);
  std::vector<double> shownRises;
  for (int s = 0; s < info->numSections(); ++s) {
    const std::string title = info->item(info->sectionStart(s)).pValue;
    if (title.find(" Pass - ") != std::string::npos) shownRises.push_back(info->item(info->sectionStart(s) + 2).jd);
  }
  EXPECT_EQ(shownRises, visibleRises);
  settings.setShowVisiblePassesOnly(false);
  info->loadObjectInfo(false);

  // And PyEphem's next pass (1010 mbar, 10 C).
  char arguments[128];
  std::snprintf(arguments, sizeof arguments, "pass %f %f %f %.8f", kLongitude, kLatitude, kHeight,
                chart.julianDate);
  const std::string lines = std::string("ISS|") + mechanics_test::kIssLines[0] + "|" + mechanics_test::kIssLines[1] + "\n";
  const std::vector<std::string> oracle = info_test::runOracle("tests/ui/info/pass_oracle.py", arguments, lines);
  if (oracle.size() != 2) TESSALY_SKIP_OR_FAIL("python3-ephem is not installed");
  double rise, culmination, set, maximum, entry = NAN, exit = NAN;
  ASSERT_EQ(std::sscanf(oracle[0].c_str(), "%lf %lf %lf %lf", &rise, &culmination, &set, &maximum), 4);
  EXPECT_NEAR(passes[0][kPassRise], rise, 2 * kSecond);
  EXPECT_NEAR(passes[0][kPassCulmination], culmination, 2 * kSecond);
  EXPECT_NEAR(passes[0][kPassSet], set, 2 * kSecond);
  const std::vector<double> shown = info_test::numbersIn(info->item(info->sectionStart(passSections[0]) + 3).pValue);
  // "hh:mm:ss" then the altitude in degrees, minutes (and seconds).
  ASSERT_GE(shown.size(), 5u);
  const double apparent = shown[3] + shown[4] / 60 + (shown.size() > 5 ? shown[5] / 3600 : 0);
  EXPECT_NEAR(apparent, maximum, 0.1);
  if (std::sscanf(oracle[1].c_str(), "%lf %lf", &entry, &exit) == 2) {
    EXPECT_NEAR(passes[0][kPassShadowEntry], entry, 10 * kSecond);
    EXPECT_NEAR(passes[0][kPassShadowExit], exit, 10 * kSecond);
  }

  // The clock button of the first visible pass's rise: an alert five
  // minutes before it.
  ASSERT_GE(firstVisible, 0);
  dev::LocalNotificationCenter& center = dev::LocalNotificationCenter::shared();
  center.cancelAll();
  ASSERT_TRUE(session.chooseEventAction(*info->mainTableView(), {firstVisible, 1}, "Set Alert For Event"));
  ASSERT_EQ(center.scheduled().size(), 1u);
  const double riseJD = info->item(info->sectionStart(firstVisible) + 2).jd;
  const double fire = center.scheduled().front().fireDate;
  EXPECT_NEAR(fire, (riseJD - kUnixEpochJD) * 86400 - 300, 1e-3);
  EXPECT_NE(session.shell().messageText().find("Alert scheduled for: "), std::string::npos);

  // The clock reaches the fire date: the alert and its sound.
  const std::size_t sounds = session.shell().soundLog().size();
  session.clock().advance(fire - ns::RunLoop::main().wallTime() - 1);
  session.run(3);
  auto* alert = dynamic_cast<SVAlertController*>(Utility::topMostController());
  ASSERT_NE(alert, nullptr);
  EXPECT_EQ(alert->alertTitle(), "Tessaly");
  const std::string body = alert->message();
  EXPECT_EQ(body.substr(body.size() - std::string(" Rises in 5 minutes.").size()), " Rises in 5 minutes.") << body;
  const auto& log = session.shell().soundLog();
  EXPECT_NE(std::find(log.begin() + static_cast<std::ptrdiff_t>(sounds), log.end(), "sms-received.wav"), log.end());
  EXPECT_TRUE(center.scheduled().empty());
}

}  // namespace
