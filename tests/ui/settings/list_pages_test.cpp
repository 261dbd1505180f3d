// The list pages of the settings screen driven by touch: the satellite
// groups shown (reaching the chart only when the page closes), the
// countries shown (over a world-borders table written for the test, with
// rows past the chart's 256 flags), the scheduled alerts with their
// deletion, and the ground circles.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "chart/world_borders.h"
#include "platform/coregraphics/image_codec.h"
#include "platform/coregraphics/text.h"
#include "platform/devices/local_notifications.h"
#include "platform/foundation/date.h"
#include "temp_dir.h"
#include "tests/ui/settings/settings_world.h"
#include "tools/catalogues/world_borders.h"
#include "ui/info/list_manager.h"
#include "ui/settings/alerts_view_controller.h"
#include "ui/settings/countries_shown_page.h"
#include "ui/settings/ground_circle_fields.h"
#include "ui/settings/ground_circles_view_controller.h"
#include "ui/settings/location_view_controller.h"
#include "ui/settings/satellites_shown_page.h"

namespace {

using uisettings::SettingsWorld;

// The image of a row as the page makes it.
ui::ImagePointer rowImage(SettingsSubviewController& page, ui::IndexPath path) {
  auto cell = page.cellForRow(*page.mainTable, path);
  return cell ? cell->imageView().image() : nullptr;
}

TEST(UiSettingsListPages, SatelliteGroupsFollowTheListsAndReachTheChartOnlyOnLeaving) {
  SettingsWorld w;
  std::fill(w.chart->satelliteCategories, w.chart->satelliteCategories + 256, true);
  auto settings = w.openSettings();
  w.tapRow(*settings->mainTable, {0, 1});
  auto* page = dynamic_cast<SatellitesShownSettingsViewController*>(w.top());
  ASSERT_NE(page, nullptr);
  ui::TableView& table = *page->mainTable;
  ui::Application::shared().layoutWindows();
  // Sections and rows as the list manager names them; section 0 leaves out
  // its first two lists.
  ASSERT_EQ(table.numberOfSections(), 6);
  int rows = 0;
  for (int s = 0; s < 6; ++s) {
    const auto titles = *ListMgr::getTitlesOfListsForSection(s);
    EXPECT_EQ(page->titleForHeader(table, s), ListMgr::getTitleForSection(s));
    EXPECT_EQ(page->heightForHeader(table, s), 36);
    ASSERT_EQ(table.numberOfRows(s), int(titles.size()) - (s == 0 ? 2 : 0));
    for (int r = 0; r < table.numberOfRows(s); ++r) {
      auto cell = page->cellForRow(table, {s, r});
      EXPECT_EQ(cell->textLabel().text(), titles[std::size_t(r + (s == 0 ? 2 : 0))]);
      ++rows;
    }
  }
  EXPECT_EQ(rows, ListMgr::getNumSatTypes() - 1);  // "Newly Launched" is a group but no row
  EXPECT_EQ(page->cellForRow(table, {0, 0})->textLabel().text(), "Space Stations");

  // A tap flips that group's flag in the model only.
  const int stations = ListMgr::getSatelliteType("Space Stations");
  w.tapRow(table, {0, 0});
  EXPECT_TRUE(w.settings.satellitesShown()[stations]);
  EXPECT_EQ(rowImage(*page, {0, 0}), ui::Image::named("Checkmark.png"));
  EXPECT_EQ(rowImage(*page, {0, 1}), ui::Image::named("NotChecked.png"));
  w.tapView(*page->selectAllBtn);
  EXPECT_TRUE(std::all_of(w.settings.satellitesShown(), w.settings.satellitesShown() + 256, [](bool b) { return b; }));
  w.tapView(*page->selectNoneBtn);
  EXPECT_TRUE(std::none_of(w.settings.satellitesShown(), w.settings.satellitesShown() + 256, [](bool b) { return b; }));
  EXPECT_TRUE(w.chart->satelliteCategories[stations]);  // the chart still draws the old choice
  // A row without a category is clear and ignores taps.
  EXPECT_EQ(page->cellForRow(table, {0, 9})->textLabel().text(), "");
  page->didSelectRow(table, {0, 9});
  EXPECT_TRUE(std::none_of(w.settings.satellitesShown(), w.settings.satellitesShown() + 256, [](bool b) { return b; }));

  // Back on the settings screen: "No Groups", and the chart draws none
  // from the next frame on.
  w.screen->clearCalls();
  w.chart->updateNeeded = false;
  w.navigation->popViewController(false);
  w.run(1);
  EXPECT_TRUE(std::none_of(w.chart->satelliteCategories, w.chart->satelliteCategories + 256, [](bool b) { return b; }));
  EXPECT_TRUE(w.chart->updateNeeded);
  EXPECT_EQ(w.screen->viewCalls("setNeedsDisplay"), 1);
  EXPECT_EQ(settings->cellForRow(*settings->mainTable, {0, 1})->detailTextLabel()->text(), "No Groups");
}

TEST(UiSettingsListPages, InNightVisionTheCheckMarkIsTintedRed) {
  SettingsWorld w(3);
  w.settings.satellitesShown()[2] = true;
  auto page = std::make_shared<SatellitesShownSettingsViewController>();
  w.present(page);
  ui::Application::shared().layoutWindows();
  ui::ImagePointer image = rowImage(*page, {0, 0});
  ASSERT_TRUE(image);
  // Every inked pixel of the tinted mark is pure red.
  int inked = 0;
  for (std::size_t y = 0; y < image->bitmap().height(); ++y)
    for (std::size_t x = 0; x < image->bitmap().width(); ++x) {
      const cg::Pixel p = image->bitmap().pixel(x, y);
      if (p.a < 128) continue;
      ++inked;
      EXPECT_EQ(p.g, 0);
      EXPECT_EQ(p.b, 0);
    }
  EXPECT_GT(inked, 10);
  EXPECT_EQ(rowImage(*page, {0, 1}), ui::Image::named("NotChecked_night.png"));
}

// A borders table of `count` small square countries "Country NNN" with
// two-letter codes.
std::string writeCountries(const tessaly::test::TempDir& dir, int count) {
  std::vector<catalogues::Country> countries;
  for (int i = 0; i < count; ++i) {
    const double x = -170 + (i % 30) * 11, y = -80 + (i / 30) * 14;
    char name[32], code[3] = {char('A' + i / 26 % 26), char('A' + i % 26), 0};
    std::snprintf(name, sizeof name, "Country %03d", i);
    countries.push_back({code, "", 0, name, x + 0.5, y + 0.5, {{{x, y}, {x, y + 1}, {x + 1, y + 1}, {x + 1, y}}}});
  }
  const std::string base = dir.file("borders");
  std::string error;
  EXPECT_TRUE(catalogues::writeWorldBorders(countries, base, error)) << error;
  return base;
}

TEST(UiSettingsListPages, CountriesPastTheChartsFlagsShowClearAndIgnoreTaps) {
  SettingsWorld w;
  tessaly::test::TempDir dir;
  releaseWorldBorders();
  ASSERT_EQ(loadWorldBorders(writeCountries(dir, 310).c_str()), 1);
  ASSERT_EQ(getCountryCount(), 310);
  auto settings = w.openSettings();
  w.tapRow(*settings->mainTable, {0, 2});
  auto page = std::dynamic_pointer_cast<CountriesShownSettingsViewController>(w.navigation->viewControllers().back());
  ASSERT_NE(page, nullptr);
  ui::TableView& table = *page->mainTable;
  ui::Application::shared().layoutWindows();
  EXPECT_EQ(page->titleForHeader(table, 0), "Countries");
  ASSERT_EQ(table.numberOfRows(0), 310);
  EXPECT_EQ(page->cellForRow(table, {0, 27})->textLabel().text(), "Country 027 (BB)");
  // A tap flips the chart's own flag and draws.
  w.screen->clearCalls();
  w.tapRow(table, {0, 5});
  EXPECT_TRUE(w.chart->showCountryBorder[5]);
  EXPECT_EQ(w.screen->viewCalls("setNeedsDisplay"), 1);
  EXPECT_EQ(rowImage(*page, {0, 5}), ui::Image::named("Checkmark.png"));
  // Row 300 has no flag: clear whatever Select All did, and a tap changes
  // nothing.
  w.tapView(*page->selectAllBtn);
  EXPECT_TRUE(std::all_of(w.chart->showCountryBorder, w.chart->showCountryBorder + 256, [](bool b) { return b; }));
  w.tapRow(table, {0, 300});
  EXPECT_EQ(rowImage(*page, {0, 300}), ui::Image::named("NotChecked.png"));
  EXPECT_EQ(rowImage(*page, {0, 255}), ui::Image::named("Checkmark.png"));
  EXPECT_TRUE(std::all_of(w.chart->showCountryBorder, w.chart->showCountryBorder + 256, [](bool b) { return b; }));
  w.tapView(*page->selectNoneBtn);
  EXPECT_TRUE(std::none_of(w.chart->showCountryBorder, w.chart->showCountryBorder + 256, [](bool b) { return b; }));
  w.tapRow(table, {0, 2});
  w.navigation->popViewController(false);
  w.run(1);
  EXPECT_EQ(settings->cellForRow(*settings->mainTable, {0, 2})->detailTextLabel()->text(), "1 Countries");
  releaseWorldBorders();
  EXPECT_EQ(page->cellForRow(table, {0, 3})->textLabel().text(), "N/A");
}

// A notification of the information screens' kind.
dev::LocalNotification alert(const std::string& name, double eventTime, const ns::JSON& minutes) {
  dev::LocalNotification n;
  n.fireDate = eventTime - 60;
  n.userInfo = {{"EventName", name}, {"EventTime", eventTime}, {"EventMinutesBefore", minutes}};
  return n;
}

// Deletes a row through the table's minus sign and Delete button.
void deleteRow(SettingsWorld& w, ui::TableView& table, ui::IndexPath path) {
  ui::Application::shared().layoutWindows();
  const ui::Rect row = table.rectForRow(path);
  w.tap(table.convertPointTo({19, row.midY()}, nullptr));
  ui::Application::shared().layoutWindows();
  w.tap(table.convertPointTo({row.width() - 16 - 2 - 41, row.midY()}, nullptr));
}

TEST(UiSettingsListPages, AlertsShowTheirEventAndWarningAndDeleteOneByOne) {
  SettingsWorld w;
  ns::TimeZone::setDefaultTimeZone(ns::TimeZone::withSecondsFromGMT(0));
  std::tm noon{};
  noon.tm_year = 2031 - 1900, noon.tm_mon = 0, noon.tm_mday = 15, noon.tm_hour = 12;  // still to come
  const double event = double(timegm(&noon));
  dev::LocalNotificationCenter& center = dev::LocalNotificationCenter::shared();
  {
    auto empty = std::make_shared<AlertsViewController>();
    w.present(empty);
    ui::Application::shared().layoutWindows();
    EXPECT_EQ(empty->mainTable->numberOfRows(0), 0);
    EXPECT_TRUE(empty->mainTable->isEditing());
    EXPECT_EQ(empty->title(), "Scheduled Alerts");
    w.screen->dismissViewController(false);
  }
  center.schedule(alert("ISS Rise", event, 0));
  center.schedule(alert("ISS Set", event + 600, 1));
  center.schedule(alert("Moon Rise", event + 3600, 15));
  auto page = std::make_shared<AlertsViewController>();
  w.present(page);
  ui::TableView& table = *page->mainTable;
  ui::Application::shared().layoutWindows();
  ASSERT_EQ(table.numberOfRows(0), 3);
  const char* details[] = {"Jan 15, 2031 at 12:00:00 PM (warn 0 minutes before)",
                           "Jan 15, 2031 at 12:10:00 PM (warn 1 minute before)",
                           "Jan 15, 2031 at 1:00:00 PM (warn 15 minutes before)"};
  for (int r = 0; r < 3; ++r) EXPECT_EQ(table.cellForRow({0, r})->detailTextLabel()->text(), details[r]);
  EXPECT_EQ(table.cellForRow({0, 1})->textLabel().text(), "ISS Set");
  // Deleting takes that alert off the centre; the last row leaves an empty table.
  deleteRow(w, table, {0, 1});
  ASSERT_EQ(center.scheduled().size(), 2u);
  EXPECT_EQ(table.numberOfRows(0), 2);
  EXPECT_EQ(table.cellForRow({0, 1})->textLabel().text(), "Moon Rise");
  deleteRow(w, table, {0, 0});
  deleteRow(w, table, {0, 0});
  EXPECT_TRUE(center.scheduled().empty());
  EXPECT_EQ(table.numberOfRows(0), 0);
  ns::TimeZone::resetDefaultTimeZone();
}

TEST(UiSettingsListPages, AnAlertsSecondLineShowsWholeBesideItsDeleteControl) {
  SettingsWorld w;
  ns::TimeZone::setDefaultTimeZone(ns::TimeZone::withSecondsFromGMT(0));
  dev::LocalNotificationCenter& center = dev::LocalNotificationCenter::shared();
  // The longest medium date and time of the year, and a warning in hours.
  std::tm late{};
  late.tm_year = 2031 - 1900, late.tm_mon = 11, late.tm_mday = 30, late.tm_hour = 22, late.tm_min = 58;
  center.schedule(alert("International Space Station (ZARYA) Rise", double(timegm(&late)), 120));
  center.schedule(alert("Moon Set", double(timegm(&late)) + 60, 1));
  auto page = std::make_shared<AlertsViewController>();
  w.present(page);
  w.run(1);
  ui::Application::shared().layoutWindows();
  ui::TableView& table = *page->mainTable;
  ASSERT_EQ(table.numberOfRows(0), 2);
  for (int r = 0; r < 2; ++r) {
    ui::TableViewCell* cell = table.cellForRow({0, r});
    ASSERT_NE(cell, nullptr);
    ui::Label& detail = *cell->detailTextLabel();
    ASSERT_FALSE(detail.text().empty());
    // Whole: the text wrapped at its label's width needs no more lines
    // than the label shows nor more height than it has, and the label lies
    // inside the row, clear of the delete control.
    const ui::Rect inCell = detail.convertRectTo(detail.bounds(), cell);
    cg::TextLayoutOptions wrapped;
    wrapped.maxWidth = detail.bounds().width();
    const double needed = cg::textSize(detail.text(), detail.font()->cgFont(), wrapped).height;
    const int lines = int(std::lround(needed / detail.font()->lineHeight()));
    EXPECT_TRUE(detail.numberOfLines() == 0 || lines <= detail.numberOfLines()) << lines << ": " << detail.text();
    EXPECT_LE(needed, detail.bounds().height() + 0.5) << detail.text();
    EXPECT_GE(inCell.y(), 0) << r;
    EXPECT_LE(inCell.maxY(), cell->bounds().height() + 0.5) << r;
    EXPECT_LE(inCell.maxX(), cell->bounds().width() + 0.5) << r;
    EXPECT_GE(detail.font()->lineHeight(), 12) << "legible";
  }
  std::filesystem::create_directories("ui_settings_snapshots");
  cg::writePNG(*w.snapshot(), "ui_settings_snapshots/AlertsView-rows.png");
  ns::TimeZone::resetDefaultTimeZone();
}

TEST(UiSettingsListPages, AStaleAlertListReloadsAndMissingValuesShowEmpty) {
  SettingsWorld w;
  dev::LocalNotificationCenter& center = dev::LocalNotificationCenter::shared();
  center.schedule(alert("A", 2e9, 5));
  dev::LocalNotification bare;
  bare.fireDate = 2e9 - 50;  // between the two others
  bare.userInfo = {{"EventTime", "not a date"}};
  center.schedule(bare);
  center.schedule(alert("C", 2e9 + 20, 5));
  auto page = std::make_shared<AlertsViewController>();
  w.present(page);
  ui::TableView& table = *page->mainTable;
  ui::Application::shared().layoutWindows();
  EXPECT_EQ(table.cellForRow({0, 1})->textLabel().text(), "");
  EXPECT_EQ(table.cellForRow({0, 1})->detailTextLabel()->text(), " (warn  minutes before)");
  // "C" fired while the page was open: deleting "A" must not fade the
  // wrong row; the table shows the list as it now is.
  center.cancel(center.scheduled()[2].identifier);
  testing::internal::CaptureStderr();
  deleteRow(w, table, {0, 0});
  // An update the platform would refuse (it raises) is never made.
  EXPECT_EQ(testing::internal::GetCapturedStderr().find("Invalid table update"), std::string::npos);
  ASSERT_EQ(center.scheduled().size(), 1u);
  EXPECT_EQ(table.numberOfRows(0), 1);
  EXPECT_EQ(table.cellForRow({0, 0})->textLabel().text(), "");
}

TEST(UiSettingsListPages, GroundCirclesAreCreatedNamedByCountAndOpenTheLocationScreen) {
  SettingsWorld w;
  for (int i = 0; i < 3; ++i) {
    Circle c{};
    setCircleName(c, "Circle " + std::to_string(i));
    setCircleCentreDegrees(c, -74, 40.5);
    c.radius = 500 / kCircleEarthRadiusKm;
    ASSERT_TRUE(w.chart->insertGroundCircle(i, c));
  }
  auto page = std::make_shared<GroundCirclesViewController>();
  w.present(page);
  ui::TableView& table = *page->mainTable;
  ui::Application::shared().layoutWindows();
  EXPECT_EQ(page->title(), "Ground Circles");
  ASSERT_EQ(table.numberOfRows(0), 3);
  EXPECT_EQ(table.cellForRow({0, 0})->textLabel().text(), "Circle 0");
  EXPECT_EQ(table.cellForRow({0, 0})->detailTextLabel()->text(), "074\u00b0 00' 00.0\" W,  40\u00b0 30' 00.0\" N,  500 km");
  w.scrollToEnd(table);
  w.tapView(*page->createButton);
  ASSERT_EQ(w.chart->groundCircleCount, 4);
  EXPECT_EQ(circleName(w.chart->groundCircles[3]), "Untitled-4");
  EXPECT_EQ(table.cellForRow({0, 3})->detailTextLabel()->text(), "000\u00b0 00' 00.0\" E,  00\u00b0 00' 00.0\" N,  0 km");
  // Deleting the second: the next circle is named from the new count.
  w.tapView(*page->editBtn);
  EXPECT_TRUE(table.isEditing());
  EXPECT_EQ(page->editBtn->currentTitle(), "End Edit");
  deleteRow(w, table, {0, 1});
  ASSERT_EQ(w.chart->groundCircleCount, 3);
  EXPECT_EQ(circleName(w.chart->groundCircles[1]), "Circle 2");
  w.tapView(*page->editBtn);
  EXPECT_FALSE(table.isEditing());
  EXPECT_EQ(page->editBtn->currentTitle(), "Edit");
  w.tapView(*page->createButton);
  EXPECT_EQ(circleName(w.chart->groundCircles[3]), "Untitled-4");
  w.tapView(*page->createButton);
  EXPECT_EQ(circleName(w.chart->groundCircles[4]), "Untitled-5");
  ASSERT_TRUE(w.chart->deleteGroundCircle(0));
  w.tapView(*page->createButton);
  EXPECT_EQ(circleName(w.chart->groundCircles[4]), "Untitled-5");  // two circles of one name
  // A name filling all 32 bytes is read no further.
  std::memset(w.chart->groundCircles[0].name, 'N', 32);
  table.reloadData();
  ui::Application::shared().layoutWindows();
  EXPECT_EQ(table.cellForRow({0, 0})->textLabel().text(), std::string(32, 'N'));
  // A tap opens the location screen on that circle.
  w.tapRow(table, {0, 2});
  auto* location = dynamic_cast<LocationViewController*>(w.top());
  ASSERT_NE(location, nullptr);
  EXPECT_EQ(location->groundCircle(), &w.chart->groundCircles[2]);
  EXPECT_EQ(location->altitudeLabel->text(), "Circle Radius");
}

}  // namespace
