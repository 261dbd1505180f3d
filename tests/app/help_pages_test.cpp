// The help pages against the running program: a page names a control in
// bold by the title the program shows on it, and the settings' page names
// every row of the settings and no row they lack.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/settings_screen_connection.h"
#include "platform/uikit/navigation_controller.h"
#include "tests/app/app_session.h"
#include "ui/foundation/sv_view_controller.h"
#include "ui/info/help_list_view_controller.h"
#include "ui/settings/settings_view_controller.h"

namespace {

using app_test::AppSession;

std::string trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string helpPage(const std::string& topic) {
  const char* source = std::getenv("TESSALY_SOURCE_DIR");
  std::ifstream file(std::string(source ? source : ".") + "/resources/Help/" + topic + ".html");
  EXPECT_TRUE(file.good()) << topic;
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// The texts a page sets in bold, with the one entity the pages use there.
std::vector<std::string> boldNames(const std::string& page) {
  std::vector<std::string> names;
  for (std::size_t at = page.find("<b>"); at != std::string::npos; at = page.find("<b>", at)) {
    at += 3;
    const std::size_t end = page.find("</b>", at);
    if (end == std::string::npos) break;
    std::string name = page.substr(at, end - at);
    if (name == "&minus;") name = "\u2212";
    names.push_back(name);
  }
  return names;
}

// Every row's title of a table, asked of its data source as the table asks.
std::set<std::string> rowTitles(ui::TableView& table, int sections) {
  std::set<std::string> titles;
  for (int section = 0; section < sections; ++section)
    for (int row = 0; row < table.dataSource->numberOfRows(table, section); ++row)
      if (auto cell = table.dataSource->cellForRow(table, {section, row}))
        titles.insert(trimmed(cell->textLabel().text()));
  titles.erase("");
  return titles;
}

std::string title(const ui::View* view) {
  const auto* button = dynamic_cast<const ui::Button*>(view);
  return button ? button->titleForState(ui::kControlStateNormal) : "";
}

// The buttons' titles within a view.
void addButtonTitles(const ui::View& view, std::set<std::string>& titles) {
  if (!title(&view).empty()) titles.insert(title(&view));
  for (const auto& sub : view.subviews()) addButtonTitles(*sub, titles);
}

app_test::SessionOptions noQuickStart() {
  app_test::SessionOptions options;
  options.launchCount = 5;
  return options;
}

TEST(HelpPages, TheSettingsPageNamesEveryRowOfTheSettingsAndNoOther) {
  connectSettingsScreen();
  AppSession session(noQuickStart());
  session.run(1.0);
  session.screen().views().settingsButton->sendActionsForControlEvents(ui::kControlEventTouchUpInside);
  session.run(1.0);
  auto* stack = dynamic_cast<ui::NavigationController*>(session.screen().presentedViewController());
  ASSERT_NE(stack, nullptr);
  auto* settings = dynamic_cast<SettingsViewController*>(stack->topViewController());
  ASSERT_NE(settings, nullptr);
  ui::TableView& table = *settings->mainTable;
  const std::set<std::string> mainRows = rowTitles(table, table.dataSource->numberOfSections(table));
  std::set<std::string> shown = mainRows;
  addButtonTitles(*settings->revertToDefaultsView, shown);
  addButtonTitles(*settings->updateOrbitDataView, shown);
  // The four views' pages, opened from their rows.
  for (int row = 0; row < 4; ++row) {
    settings->didSelectRow(table, {1, row});
    session.run(1.0);
    auto* page = dynamic_cast<SVViewController*>(stack->topViewController());
    ASSERT_NE(page, nullptr);
    ASSERT_NE(page, settings);
    const std::set<std::string> rows = rowTitles(*page->mainTable, page->mainTable->dataSource->numberOfSections(*page->mainTable));
    EXPECT_FALSE(rows.empty()) << page->title();
    shown.insert(rows.begin(), rows.end());
    stack->popViewController(false);
    session.run(0.5);
  }
  const std::vector<std::string> names = boldNames(helpPage("Settings"));
  for (const std::string& name : names) EXPECT_TRUE(shown.count(name)) << "the help names \"" << name << "\", which the settings lack";
  const std::set<std::string> named(names.begin(), names.end());
  for (const std::string& row : mainRows) EXPECT_TRUE(named.count(row)) << "the help leaves out \"" << row << "\"";
  EXPECT_GE(mainRows.size(), 19u);
}

// The chart screen's controls a page names: the toolbar's buttons, the
// buttons over the chart and the time-flow panel's, and what the Center
// button reads while motion steers the sky view.
TEST(HelpPages, EveryControlThePagesNameShowsThatTitleOnTheChartScreen) {
  AppSession session(noQuickStart());
  session.run(1.0);
  ChartScreenController& screen = session.screen();
  std::set<std::string> shown;
  addButtonTitles(*screen.view(), shown);
  addButtonTitles(*screen.views().timeFlowView, shown);
  screen.setChartPerspective(kSkyPerspective);
  screen.startCompassOrGyro();
  ASSERT_TRUE(ChartScreenController::compassOrGyroOn());
  shown.insert(title(screen.views().centerButton.get()));
  // Motion on changes the Motion button's picture, not its title.
  EXPECT_EQ(title(screen.views().motionButton.get()), "Motion");
  screen.stopCompassOrGyro();
  EXPECT_TRUE(shown.count("Locate"));

  HelpListViewController list;
  int named = 0;
  for (int section : {1, 2})
    for (const std::string& topic : list.topics(section)) {
      if (topic == "Settings") continue;  // the settings' rows, above
      for (const std::string& name : boldNames(helpPage(topic))) {
        EXPECT_TRUE(shown.count(name)) << topic << " names \"" << name << "\", which the chart screen lacks";
        ++named;
      }
    }
  EXPECT_GE(named, 8);
}

}  // namespace
