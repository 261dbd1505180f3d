// "Tonight's Satellites" and the brightest satellites by pass time, as a
// user meets them with a catalogue whose element sets are months and
// years old: Show Event on each row puts the chart at the row's time, and
// there the chart's own status line has the satellite above the horizon
// (and for a row of tonight's, sunlit), as the row said.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/information_screens_connection.h"
#include "chart/sky_chart.h"
#include "platform/uikit/navigation_controller.h"
#include "skydata/sky_database.h"
#include "tests/app/app_session.h"
#include "ui/foundation/settings_model.h"
#include "ui/info/object_list_view_controller.h"
#include "ui/info/object_status_line.h"
#include "ui/info/search_view_controller.h"

namespace {

using app_test::AppSession;

constexpr double kUnixEpochJD = 2440587.5;
constexpr double kSessionStart = 1228089600.0;  // 2008-12-01 00:00 UTC
constexpr double kStart = kSessionStart / 86400 + kUnixEpochJD;
constexpr int kBrightest = 3;
// The rows of each list that are shown on the chart.
constexpr int kRowsShown = 4;

// Bright satellites whose element sets are of 2006 and 2008 (70 days to
// two and a half years before the session).
app_test::SessionOptions sessionOptions() {
  app_test::SessionOptions options;
  options.wallTime = kSessionStart;
  options.launchCount = 5;  // no quick start
  const char* const sets[][2] = {
      {mechanics_test::kIssLines[0], mechanics_test::kIssLines[1]},
      {"1 06251U 62025E   06176.82412014  .00008885  00000-0  12808-3 0  3985",
       "2 06251  58.0579  54.0425 0030035 139.1568 221.1854 15.56387291  6774"},
      {"1 28057U 03049A   06177.78615833  .00000060  00000-0  35940-4 0  1836",
       "2 28057  98.4283 247.6961 0000884  88.1964 271.9322 14.35478080140550"},
  };
  int number = 90001;
  for (const auto& lines : sets) {
    mechanics_test::SatelliteRecord bright;
    bright.elements = mechanics_test::elementsFromLines(lines[0], lines[1]);
    bright.elements.catalogueNumber = number;
    std::snprintf(bright.elements.name, sizeof bright.elements.name, "BRIGHT %d", number - 90000);
    bright.standardMagnitude = -1;
    bright.categories = {kBrightest};
    options.moreSatellites.push_back(bright);
    ++number;
  }
  return options;
}

class OldElementsInTheLists : public ::testing::Test {
 protected:
  OldElementsInTheLists() : session(sessionOptions()), screen(session.screen()) {
    connectInformationScreens();
    Settings& settings = *screen.settings();
    settings.setRealTime(false);
    settings.setLatitude(48.1374);
    settings.setLongitude(11.5755);
    settings.setPlanetMagnitudeLimit(6);
    settings.setSortListBy("SortListByPassTime");
    session.run(1);
  }

  // The list of that row of the search screen, opened at the start time.
  ObjectListViewController* openList(int row) {
    screen.settings()->setJulianDate(kStart);
    screen.timeDateChanged();
    session.run(0.5);
    screen.showSearch();
    session.run(1);
    auto* search = dynamic_cast<SearchViewController*>(AppSession::topScreen());
    if (search == nullptr) return nullptr;
    ui::TableView& lists = *search->table();
    lists.delegate->didSelectRow(lists, {0, row});
    session.run(1);
    return dynamic_cast<ObjectListViewController*>(AppSession::topScreen());
  }

  // Show Event on each of the list's first rows; the number of rows shown.
  int showRowsOf(int listRow, const std::string& title) {
    int shown = 0;
    for (int row = 0; row < kRowsShown; ++row) {
      ObjectListViewController* list = openList(listRow);
      if (list == nullptr) {
        ADD_FAILURE() << title << " did not open";
        return shown;
      }
      EXPECT_EQ(list->title(), title);
      if (row >= list->table()->numberOfRows(0)) {
        list->dismissViewController(false);
        session.run(0.5);
        break;
      }
      if (!session.chooseEventAction(*list->table(), {0, row}, "Show Event")) {
        ADD_FAILURE() << title << " row " << row << ": no Show Event";
        return shown;
      }
      EXPECT_TRUE(session.runUntil(
          [&] { return AppSession::topScreen() == &screen && !session.chartView().panRunning(); },
          4.0));
      CSkyChart& chart = session.chart();
      SkyObjectID selected = chart.selectedObjectID;
      EXPECT_FALSE(CSkyDatabase::isInvalidSkyObjectID(&selected));
      char status[256] = "";
      const int up = objectStatusLineForID(&chart, selected, status, sizeof status, 1, 0, 0, 1);
      const char* at = std::strstr(status, " at ");
      double altitude = -90;
      EXPECT_TRUE(at != nullptr && std::sscanf(at, " at %lf", &altitude) == 1) << status;
      std::printf("%s, row %d, shown: %s\n", title.c_str(), row, status);
      EXPECT_EQ(up, 1) << title << " row " << row << ": " << status;
      // The list asks for 6° (the status line adds refraction).
      EXPECT_GE(altitude, 5.9) << title << " row " << row << ": " << status;
      // "Visible" rows are of satellites in sunlight.
      if (title == "Tonight's Satellites") {
        EXPECT_EQ(std::strncmp(status, "Mag ", 4), 0) << "row " << row << ": " << status;
      }
      ++shown;
    }
    return shown;
  }

  AppSession session;
  ChartScreenController& screen;
};

TEST_F(OldElementsInTheLists, ShowEventOnEachRowFindsTheSatelliteAboveTheHorizon) {
  EXPECT_GE(showRowsOf(0, "Tonight's Satellites"), 1);
  EXPECT_EQ(showRowsOf(3, "Brightest"), 3);
}

}  // namespace
