// Every settings and location page, as the chart screen presents it, drawn
// headless in themes 1, 2 and 3: sampled pixels are the theme table's
// colours (cell backgrounds, table and screen backgrounds, the navigation
// bar, the map's night overlay composited by the "over" formula). The
// images are kept in ui_settings_snapshots/ of the test's build folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/locations.h"
#include "platform/coregraphics/image_codec.h"
#include "platform/devices/local_notifications.h"
#include "tests/ui/settings/settings_world.h"
#include "ui/foundation/theme.h"
#include "ui/settings/alerts_view_controller.h"
#include "ui/settings/checked_table_view_controller.h"
#include "ui/settings/countries_shown_page.h"
#include "ui/settings/ground_circle_fields.h"
#include "ui/settings/ground_circles_view_controller.h"
#include "ui/settings/live_adjust_view_controller.h"
#include "ui/settings/location_group_picker_view_controller.h"
#include "ui/settings/location_map_picker_view_controller.h"
#include "ui/settings/location_picker_view_controller.h"
#include "ui/settings/location_view_controller.h"
#include "ui/settings/perspective_settings_pages.h"
#include "ui/settings/satellites_shown_page.h"
#include "ui/settings/sky_view_settings_view_controller.h"

namespace {

using uifoundation::over;
using uifoundation::pixelNear;
using uifoundation::pixelOf;
using uisettings::SettingsWorld;

// One place to sample: where (window points) and the colour expected there.
struct Sample {
  const char* what;
  std::function<ui::Point(ui::ViewController&)> where;
  std::function<ui::Color()> colour;
};

struct Page {
  const char* name;
  std::function<std::shared_ptr<ui::ViewController>(SettingsWorld&)> make;
  std::vector<Sample> samples;
};

ui::TableView* tableOf(ui::ViewController& c) {
  if (auto* sv = dynamic_cast<SVViewController*>(&c); sv && sv->mainTable) return sv->mainTable.get();
  if (auto* list = dynamic_cast<LocationPickerViewController*>(&c)) return list->mainTableView.get();
  return nullptr;
}

// The left margin of a row, where no text or image is drawn.
Sample rowBackground(ui::IndexPath path) {
  return {"row background",
          [path](ui::ViewController& c) {
            ui::TableView* t = tableOf(c);
            const ui::Rect r = t->rectForRow(path);
            return t->convertPointTo({4, r.midY()}, nullptr);
          },
          [] { return SVTableViewCell::backgroundColor(); }};
}

// Below the table's content.
Sample tableBackground() {
  return {"table background",
          [](ui::ViewController& c) {
            ui::TableView* t = tableOf(c);
            return t->convertPointTo({t->bounds().width() / 2, t->bounds().maxY() - 6}, nullptr);
          },
          [] { return SVTableView::tableBackgroundColor(); }};
}

Sample navigationBar() {
  return {"navigation bar", [](ui::ViewController& c) {
            ui::View& bar = c.navigationController()->navigationBar();
            return bar.convertPointTo({4, bar.bounds().maxY() - 4}, nullptr);
          },
          [] { return *themeColor(ThemeColor::navigationBarTint); }};
}

std::vector<Page> pages() {
  const auto table = [](std::vector<Sample> more) {
    more.push_back(navigationBar());
    return more;
  };
  return {
      {"SettingsView", [](SettingsWorld& w) { return w.openSettings(); },
       table({rowBackground({0, 0}), rowBackground({1, 0})})},
      {"WarningTimesView",
       [](SettingsWorld&) {
         auto page = std::make_shared<CheckedTableViewController>("WarningTimesView");
         page->tableItems = {"None", "1 minute", "2 minutes"};
         page->selectedIndexPath = {0, 1};
         return page;
       },
       table({rowBackground({0, 1}), tableBackground()})},
      {"SkySettingsView", [](SettingsWorld&) { return std::make_shared<SkyViewSettingsViewController>(); },
       table({rowBackground({0, 8}), tableBackground()})},
      {"OrbitSettingsView", [](SettingsWorld&) { return std::make_shared<OrbitViewSettingsViewController>(); },
       table({rowBackground({0, 5}), tableBackground()})},
      {"SatelliteSettingsView", [](SettingsWorld&) { return std::make_shared<SatelliteViewSettingsViewController>(); },
       table({rowBackground({0, 3}), tableBackground()})},
      {"GroundSettingsView", [](SettingsWorld&) { return std::make_shared<GroundViewSettingsViewController>(); },
       table({rowBackground({0, 0}), tableBackground()})},
      {"SatellitesShownView",
       [](SettingsWorld& w) {
         w.settings.satellitesShown()[2] = true;
         return std::make_shared<SatellitesShownSettingsViewController>();
       },
       table({rowBackground({0, 0}),
              {"header panel", [](ui::ViewController& c) {
                 auto& page = dynamic_cast<CheckedListPage&>(c);
                 return page.headerView->convertPointTo({2, 2}, nullptr);
               },
               [] { return SVTableViewCell::backgroundColor(); }}})},
      {"CountriesShownView", [](SettingsWorld&) { return std::make_shared<CountriesShownSettingsViewController>(); },
       table({})},
      {"AlertsView",
       [](SettingsWorld&) {
         dev::LocalNotification n;
         n.fireDate = 2e9;
         n.userInfo = {{"EventName", "ISS (ZARYA) Rise"}, {"EventTime", 2e9 + 300}, {"EventMinutesBefore", 5}};
         dev::LocalNotificationCenter::shared().schedule(n);
         return std::make_shared<AlertsViewController>();
       },
       table({rowBackground({0, 0}), tableBackground()})},
      {"GroundCirclesView",
       [](SettingsWorld& w) {
         Circle c{};
         setCircleName(c, "Cape Canaveral");
         setCircleCentreDegrees(c, -80.6, 28.4);
         c.radius = 0.05;
         w.chart->insertGroundCircle(0, c);
         return std::make_shared<GroundCirclesViewController>();
       },
       table({rowBackground({0, 0})})},
      {"LiveAdjustView",
       [](SettingsWorld&) {
         auto page = std::make_shared<LiveAdjustViewController>();
         page->sliderMaxInit = 25;
         page->sliderValueInit = 12;
         return page;
       },
       table({{"chart holder", [](ui::ViewController& c) {
                 auto& page = dynamic_cast<LiveAdjustViewController&>(c);
                 return page.chartHolderView->convertPointTo({10, 200}, nullptr);
               },
               [] { return ui::Color::black(); }}})},
      {"LocationView", [](SettingsWorld&) { return std::make_shared<LocationViewController>(); },
       table({{"panel", [](ui::ViewController& c) {
                 auto& page = dynamic_cast<LocationViewController&>(c);
                 return page.scrolledView->convertPointTo({4, 330}, nullptr);
               },
               [] { return SVTableView::tableBackgroundColor(); }}})},
      {"LocationGroupPicker", [](SettingsWorld&) { return std::make_shared<LocationGroupPickerViewController>(); },
       table({rowBackground({0, 0})})},
      {"LocationPicker", [](SettingsWorld&) { return std::make_shared<LocationPickerViewController>(1, nullptr, 0); },
       table({rowBackground({0, 0})})},
      {"LocationMapView",
       [](SettingsWorld& w) {
         w.settings.setLatitude(48.85);
         w.settings.setLongitude(2.35);
         return std::make_shared<LocationMapPickerViewController>();
       },
       table({})},
  };
}

class SettingsSnapshots : public ::testing::TestWithParam<int> {};

INSTANTIATE_TEST_SUITE_P(Themes, SettingsSnapshots, ::testing::Values(1, 2, 3),
                         [](const auto& info) { return "Theme" + std::to_string(info.param); });

TEST_P(SettingsSnapshots, EveryPageTakesItsThemesColours) {
  const int theme = GetParam();
  std::filesystem::create_directories("ui_settings_snapshots");
  int sampled = 0, pagesShot = 0;
  for (const Page& page : pages()) {
    SettingsWorld w(theme);
    w.delegate.window()->setTintColor(ui::Color::rgba(0, 0.65, 1));
    std::shared_ptr<ui::ViewController> screen = page.make(w);
    if (!dynamic_cast<SettingsViewController*>(screen.get())) w.present(screen);
    w.run(1);
    auto image = w.snapshot();
    ASSERT_TRUE(image) << page.name;
    cg::writePNG(*image, "ui_settings_snapshots/" + std::string(page.name) + "-theme" + std::to_string(theme) + ".png");
    ++pagesShot;
    for (const Sample& s : page.samples) {
      const ui::Point p = s.where(*screen);
      const cg::Pixel at = image->pixel(std::size_t(p.x * 2), std::size_t(p.y * 2));
      EXPECT_TRUE(pixelNear(at, pixelOf(s.colour()), 2)) << page.name << ": " << s.what << " at " << p.x << "," << p.y;
      ++sampled;
    }
    if (std::string(page.name) == "LocationMapView") {
      // In night vision a red veil lies over the whole map.
      auto& picker = dynamic_cast<LocationMapPickerViewController&>(*screen);
      const ui::Point p = picker.mapView->convertPointTo({5, picker.mapView->bounds().maxY() - 5}, nullptr);
      const cg::Pixel at = image->pixel(std::size_t(p.x * 2), std::size_t(p.y * 2));
      // Land when the bundle's borders are there, else sea.
      const ui::Color land = ui::Color::rgba(0.93, 0.9, 0.82), sea = ui::Color::rgba(0.62, 0.76, 0.9);
      const bool night = theme == 3;
      const ui::Color veil = *themeColor(ThemeColor::mapOverlay, ThemeColumn::night);
      EXPECT_TRUE(pixelNear(at, night ? over(veil, land) : pixelOf(land), 2) ||
                  pixelNear(at, night ? over(veil, sea) : pixelOf(sea), 2));
      ++sampled;
    }
    dev::LocalNotificationCenter::shared().cancelAll();
    clearUserLocations();
  }
  EXPECT_EQ(pagesShot, 15);
  EXPECT_EQ(sampled, 37);
}

}  // namespace
