// The satellite lists as the application shows them, driven as a user
// drives them: an empty list says why it is empty, and the confirmation of
// an alert set from a list row is whole and hides what lies behind it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/information_screens_connection.h"
#include "platform/coregraphics/image.h"
#include "platform/coregraphics/image_codec.h"
#include "platform/coregraphics/text.h"
#include "platform/devices/local_notifications.h"
#include "platform/foundation/user_defaults.h"
#include "platform/uikit/application.h"
#include "platform/uikit/navigation_controller.h"
#include "tests/app/app_session.h"
#include "ui/foundation/settings_model.h"
#include "ui/foundation/sv_alert_controller.h"
#include "ui/foundation/utility.h"
#include "ui/info/object_list_view_controller.h"
#include "ui/info/search_view_controller.h"

namespace {

using app_test::AppSession;

constexpr double kSessionStart = 1221955200.0;  // 2008-09-21 00:00 UTC
constexpr double kUnixEpochJD = 2440587.5;

// A station: the ISS's element set under another number, in the "Space
// Stations" category; no satellite is newly launched.
app_test::SessionOptions sessionOptions() {
  app_test::SessionOptions options;
  options.wallTime = kSessionStart;
  options.launchCount = 5;  // no quick start
  mechanics_test::SatelliteRecord station;
  station.elements =
      mechanics_test::elementsFromLines(mechanics_test::kIssLines[0], mechanics_test::kIssLines[1]);
  station.elements.catalogueNumber = 90001;
  std::snprintf(station.elements.name, sizeof station.elements.name, "STATION");
  station.standardMagnitude = -1;
  station.categories = {2};
  options.moreSatellites = {station};
  return options;
}

ui::ViewController* topScreen() {
  ui::ViewController* presented = Utility::topMostController();
  auto* navigation = dynamic_cast<ui::NavigationController*>(presented);
  return navigation != nullptr ? navigation->topViewController() : presented;
}

ui::View* messageBox(ApplicationShell& shell) {
  for (const auto& view : shell.window()->subviews())
    if (view->className() == "MessageView") return view.get();
  return nullptr;
}

// The screen's pixels in a rectangle of points (scale 2).
std::vector<cg::Pixel> pixelsIn(const cg::Image& image, const ui::Rect& rect) {
  std::vector<cg::Pixel> pixels;
  for (int y = int(std::ceil(rect.y() * 2)); y < int(rect.maxY() * 2); ++y)
    for (int x = int(std::ceil(rect.x() * 2)); x < int(rect.maxX() * 2); ++x)
      pixels.push_back(image.pixel(std::size_t(x), std::size_t(y)));
  return pixels;
}

bool inside(const ui::Rect& inner, const ui::Rect& outer) {
  return inner.minX() >= outer.minX() && inner.maxX() <= outer.maxX() &&
         inner.minY() >= outer.minY() && inner.maxY() <= outer.maxY();
}

bool overlap(const ui::Rect& a, const ui::Rect& b) {
  return a.minX() < b.maxX() && b.minX() < a.maxX() && a.minY() < b.maxY() && b.minY() < a.maxY();
}

void writeSnapshot(const cg::Image& image, const std::string& name) {
  std::filesystem::create_directories("info_screen_snapshots");
  cg::writePNG(image, "info_screen_snapshots/" + name + ".png");
}

class ListMessages : public ::testing::TestWithParam<int> {};

TEST_P(ListMessages, AnEmptyListSaysWhyAndAnAlertsConfirmationIsWholeAndOpaque) {
  const int theme = GetParam();
  const std::string themeName = theme == 3 ? "night" : "dark";
  connectInformationScreens();
  AppSession session(sessionOptions());
  ns::UserDefaults::standard().setInteger(kAppThemeKey, theme);
  session.shell().changeToPendingTheme();
  ChartScreenController& screen = session.screen();
  Settings& settings = *screen.settings();
  settings.setRealTime(false);
  settings.setLatitude(48.1374);
  settings.setLongitude(11.5755);
  settings.setJulianDate(kSessionStart / 86400 + kUnixEpochJD);
  settings.setWarningTime(5);
  settings.setSortListBy("SortListByPassTime");  // timed rows with their clock buttons
  session.run(1);

  screen.showSearch();
  session.run(1);
  auto* search = dynamic_cast<SearchViewController*>(topScreen());
  ASSERT_NE(search, nullptr);
  ui::TableView& lists = *search->table();

  // "Newly Launched" holds nothing here: the page says so.
  lists.delegate->didSelectRow(lists, {0, 1});
  session.run(1);
  auto* newly = dynamic_cast<ObjectListViewController*>(topScreen());
  ASSERT_NE(newly, nullptr);
  EXPECT_EQ(newly->title(), "Newly Launched");
  ASSERT_EQ(newly->table()->numberOfRows(0), 0);
  std::string note;
  ui::View* page = newly->table()->tableHeaderView().get();
  ASSERT_NE(page, nullptr);
  for (const auto& view : page->subviews())
    if (auto* label = dynamic_cast<ui::Label*>(view.get())) note = label->text();
  EXPECT_NE(note.find("No satellites in this list"), std::string::npos) << note;
  EXPECT_NE(note.find("Update Orbit Data Now"), std::string::npos) << note;
  writeSnapshot(*ui::Application::shared().snapshot(2), "newly-launched-" + themeName);
  search->navigationController()->popViewController(false);
  session.run(1);

  // "Space Stations": the station's row and its clock button.
  lists.delegate->didSelectRow(lists, {0, 2});
  session.run(1);
  auto* stations = dynamic_cast<ObjectListViewController*>(topScreen());
  ASSERT_NE(stations, nullptr);
  ASSERT_EQ(stations->table()->numberOfRows(0), 1);
  stations->table()->layoutIfNeeded();
  ui::TableViewCell* row = stations->table()->cellForRow({0, 0});
  ASSERT_NE(row, nullptr);
  auto* clock = dynamic_cast<ui::Control*>(row->accessoryView().get());
  ASSERT_NE(clock, nullptr);
  dev::LocalNotificationCenter::shared().cancelAll();
  clock->sendActionsForControlEvents(ui::kControlEventTouchUpInside);
  session.run(1);
  auto* menu = dynamic_cast<SVAlertController*>(Utility::topMostController());
  ASSERT_NE(menu, nullptr);
  std::size_t setAlert = menu->actions().size();
  for (std::size_t i = 0; i < menu->actions().size(); ++i)
    if (menu->actions()[i].title == "Set Alert For Event") setAlert = i;
  ASSERT_LT(setAlert, menu->actions().size());
  menu->chooseAction(setAlert);
  session.run(0.5);
  ASSERT_EQ(dev::LocalNotificationCenter::shared().scheduled().size(), 1u);

  ApplicationShell& shell = session.shell();
  ui::View* box = messageBox(shell);
  ASSERT_NE(box, nullptr);
  const std::string text = shell.messageText();
  EXPECT_EQ(text.rfind("Alert scheduled for: \n", 0), 0u) << text;
  ui::Label* label = nullptr;
  for (const auto& view : box->subviews())
    if (auto* l = dynamic_cast<ui::Label*>(view.get())) label = l;
  ASSERT_NE(label, nullptr);
  // The whole text fits the label, measured by the text layer, and the
  // label the box, and the box the window.
  cg::TextLayoutOptions options;
  options.maxWidth = label->bounds().width();
  options.maxHeight = 10000;
  const double needed = cg::textSize(text, label->font()->cgFont(), options).height;
  EXPECT_LE(needed, label->bounds().height()) << text;
  EXPECT_TRUE(inside(label->frame(), box->bounds())) << "label inside the box";
  EXPECT_TRUE(inside(box->frame(), shell.window()->bounds()));

  // Opaque: what the list shows behind the box does not change a pixel of
  // it. Move the station's row from above the box to under it and compare.
  const ui::Rect area = box->convertRectTo(box->bounds(), nullptr);
  const auto shot = [&] {
    ui::Application::shared().layoutWindows();
    return ui::Application::shared().snapshot(2);
  };
  const auto over = shot();
  ui::ScrollView& behind = *stations->table();
  const ui::Rect rowArea = row->convertRectTo(row->bounds(), nullptr);
  ASSERT_FALSE(overlap(rowArea, area)) << "the row starts clear of the box";
  box->setHidden(true);
  const auto clear = pixelsIn(*shot(), area);
  behind.setContentOffset({0, behind.contentOffset().y - (area.midY() - rowArea.midY())});
  const auto covered = pixelsIn(*shot(), area);
  ASSERT_TRUE(clear != covered) << "the row lies under the box now";
  box->setHidden(false);
  const auto shown = shot();
  writeSnapshot(*shown, "alert-scheduled-" + themeName);
  const auto before = pixelsIn(*over, area), after = pixelsIn(*shown, area);
  ASSERT_EQ(before.size(), after.size());
  std::size_t changed = 0;
  for (std::size_t i = 0; i < before.size(); ++i) changed += before[i] == after[i] ? 0 : 1;
  EXPECT_EQ(changed, 0u) << "pixels of the box that changed with the list behind it";
}

INSTANTIATE_TEST_SUITE_P(Themes, ListMessages, ::testing::Values(2, 3),
                         [](const auto& info) { return info.param == 3 ? "Night" : "Dark"; });

}  // namespace
