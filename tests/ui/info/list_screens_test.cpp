// The object list, search and search results screens: the index by first
// characters (whole code points), rows and their dimming, times and the
// event menu, the scroll memory, the search and its filter, the order of
// results, and the lists table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "chart/sky_chart.h"
#include "platform/uikit/application.h"
#include "skydata/satellite.h"
#include "skydata/sky_database.h"
#include "skydata/sky_object_model.h"
#include "tests/ui/info/screen_world.h"
#include "ui/foundation/sv_navigation_controller.h"
#include "ui/info/list_manager.h"
#include "ui/info/object_info_view_controller.h"
#include "ui/info/object_list_cell.h"
#include "ui/info/object_list_view_controller.h"
#include "ui/info/search_results_view_controller.h"
#include "ui/info/search_view_controller.h"

namespace {

using info_test::ScreenWorld;

SkyObjectID satelliteID(ScreenWorld& world, int norad) {
  SkyObjectID id;
  CSatellite* satellite = world.sky.satellite(norad);
  const int index = world.sky.world().indexOf(satellite);
  CSkyDatabase::setSkyObjectIDFromObject(&id, kSolarSystemFile, 0,
                                         static_cast<std::uint16_t>(index), satellite);
  return id;
}

class ListScreens : public ::testing::Test {
 protected:
  ScreenWorld world;
};

TEST_F(ListScreens, AnIndexedListHasASectionPerFirstCharacter) {
  // Names Alpha, Beta, Apollo and two that begin with the same two-byte
  // character, in that order.
  std::vector<SkyObjectID> ids;
  const char* names[] = {"Alpha", "Beta", "Apollo",
                         "\xC3\x89"
                         "toile",
                         "\xC3\x89"
                         "clair"};
  const int norads[] = {25544, 25338, 28654, 33591, 38771};
  for (int i = 0; i < 5; ++i) {
    world.sky.satellite(norads[i])->setNameAt(1, names[i]);
    ids.push_back(satelliteID(world, norads[i]));
  }
  auto named = std::make_shared<ObjectListViewController>("ObjectListView", ids.data(), nullptr, 5,
                                                          "Weather", true, true);
  EXPECT_EQ(named->keys(), (std::vector<std::string>{"A", "B", "\xC3\x89"}));
  EXPECT_EQ(named->names().at("A"), (std::vector<int>{0, 2}));
  EXPECT_EQ(named->names().at("B"), (std::vector<int>{1}));
  EXPECT_EQ(named->names().at("\xC3\x89"), (std::vector<int>{3, 4}));
  world.present(named);
  ui::TableView& table = *named->table();
  table.layoutIfNeeded();
  EXPECT_EQ(table.numberOfSections(), 3);
  EXPECT_EQ(table.indexTitles(), named->keys());
  EXPECT_EQ(named->positionOf({0, 1}), 2);
  EXPECT_EQ(named->positionOf({2, 0}), 3);
  EXPECT_EQ(named->positionOf({3, 0}), -1);
}

TEST_F(ListScreens, TimedRowsReadTheTimeAndDimBelowTheHorizon) {
  world.sky.satellite(25544)->setNameAt(1, "ISS (ZARYA)");
  world.sky.satellite(41866)->setNameAt(1, "GOES 16");
  std::vector<SkyObjectID> ids = {satelliteID(world, 25544), satelliteID(world, 41866)};
  std::vector<double> times = {world.chart->julianDate + 0.1, world.chart->julianDate + 0.2};
  auto tonight = std::make_shared<ObjectListViewController>(
      "ObjectListView", ids.data(), times.data(), 2, ObjectListViewController::kTonightsSatellites,
      true, false);
  world.present(tonight);
  ui::TableView& table = *tonight->table();
  table.layoutIfNeeded();
  auto* row = dynamic_cast<ObjectListTableViewCell*>(table.cellForRow({0, 0}));
  ASSERT_NE(row, nullptr);
  char expected[256] = "";
  world.chart->formatJulianDate(expected, sizeof expected, "Visible on %a %b %d at %I:%M %p",
                                times[0]);
  EXPECT_EQ(row->riseSetLabel()->text(), expected);
  EXPECT_EQ(row->nameLabel()->text(), "ISS (ZARYA)");
  ASSERT_NE(row->accessoryView(), nullptr);
  EXPECT_EQ(row->accessoryView()->tag(), 0);
  // The ISS stands below Munich's horizon at this time: a dimmed row.
  const double altitude = world.chart->getObjectAltitude(world.sky.satellite(25544));
  EXPECT_EQ(row->nameLabel()->alpha(), altitude >= 0 ? 1.0 : 0.5);
  EXPECT_EQ(row->detailLabel()->alpha(), altitude >= 0 ? 1.0 : 0.7);
  world.snapshot("tonights-satellites");

  // Another timed list shows the time alone.
  auto category = std::make_shared<ObjectListViewController>(
      "ObjectListView", ids.data(), times.data(), 2, "Weather", true, false);
  world.root().dismissViewController(false);
  world.present(category);
  category->table()->layoutIfNeeded();
  auto* plain = dynamic_cast<ObjectListTableViewCell*>(category->table()->cellForRow({0, 1}));
  ASSERT_NE(plain, nullptr);
  world.chart->formatJulianDate(expected, sizeof expected, "%a %b %d at %I:%M %p", times[1]);
  EXPECT_EQ(plain->riseSetLabel()->text(), expected);

  // Of all the satellites, those above the horizon are shown in full and
  // the others dimmed.
  std::vector<SkyObjectID> all;
  for (int norad : {25544, 25338, 28654, 33591, 38771, 25994, 27424, 20580, 37820, 37849, 24876,
                    41866, 27386, 24946})
    all.push_back(satelliteID(world, norad));
  auto weather = std::make_shared<ObjectListViewController>(
      "ObjectListView", all.data(), nullptr, static_cast<int>(all.size()), "Weather", true, false);
  world.root().dismissViewController(false);
  world.present(weather);
  int up = 0, down = 0;
  for (int r = 0; r < static_cast<int>(all.size()); ++r) {
    weather->table()->scrollToRow({0, r}, ui::TableViewScrollPosition::middle, false);
    weather->table()->layoutIfNeeded();
    auto* cell = dynamic_cast<ObjectListTableViewCell*>(weather->table()->cellForRow({0, r}));
    ASSERT_NE(cell, nullptr);
    const bool above = world.chart->getObjectAltitude(world.sky.database().getObject(&all[r])) >= 0;
    (above ? up : down)++;
    EXPECT_EQ(cell->nameLabel()->alpha(), above ? 1.0 : 0.5) << r;
    EXPECT_EQ(cell->detailLabel()->alpha(), above ? 1.0 : 0.7) << r;
  }
  EXPECT_GT(up, 0);
  EXPECT_GT(down, 0);
}

// An empty list says why instead of showing a blank page; a list with
// rows has no note.
TEST_F(ListScreens, AnEmptyListSaysWhyItIsEmpty) {
  const auto noteOf = [](ObjectListViewController& list) {
    std::shared_ptr<ui::View> header = list.table()->tableHeaderView();
    if (!header) return std::string("<none>");
    for (const auto& view : header->subviews())
      if (auto* label = dynamic_cast<ui::Label*>(view.get())) return label->text();
    return std::string("<no label>");
  };
  SkyObjectID none;
  auto tonight = std::make_shared<ObjectListViewController>(
      "ObjectListView", &none, nullptr, 0, ObjectListViewController::kTonightsSatellites, true,
      false);
  world.present(tonight);
  EXPECT_EQ(noteOf(*tonight), "None of the brightest satellites can be seen from here tonight.");
  world.root().dismissViewController(false);
  auto newly = std::make_shared<ObjectListViewController>("ObjectListView", &none, nullptr, 0,
                                                          "Newly Launched", true, true);
  world.present(newly);
  EXPECT_EQ(noteOf(*newly).rfind("No satellites in this list", 0), 0u) << noteOf(*newly);
  world.root().dismissViewController(false);
  std::vector<SkyObjectID> ids = {satelliteID(world, 25544)};
  auto stations = std::make_shared<ObjectListViewController>("ObjectListView", ids.data(), nullptr,
                                                             1, "Space Stations", true, true);
  world.present(stations);
  EXPECT_EQ(noteOf(*stations), "<none>");
}

TEST_F(ListScreens, TheEventMenuOfAListRow) {
  std::vector<SkyObjectID> ids = {satelliteID(world, 25544)};
  std::vector<double> times = {world.chart->julianDate + 0.1};
  auto tonight = std::make_shared<ObjectListViewController>(
      "ObjectListView", ids.data(), times.data(), 1, ObjectListViewController::kTonightsSatellites,
      true, false);
  world.present(tonight);
  world.settings.setRealTime(true);
  auto button = std::make_shared<ui::Button>();
  button->setTag(0);
  tonight->accessoryButtonTapped(button.get());
  ASSERT_NE(world.alert(), nullptr);
  SkyObjectID reference = ids[0];
  const std::string name = SkyObject::nameForObject(&reference, true);
  EXPECT_EQ(world.alert()->alertTitle().rfind(name + " Visible @ ", 0), 0u)
      << world.alert()->alertTitle();
  ASSERT_TRUE(world.chooseAlertAction("Show Event"));
  EXPECT_FALSE(world.settings.realTime()) << "the chart stays at the event's time";
  EXPECT_EQ(world.settings.julianDate(), times[0]);
  EXPECT_EQ(world.controller.perspective, 1);
  EXPECT_EQ(world.controller.oldPerspective, 1);
  EXPECT_TRUE(CSkyDatabase::isSameSkyObjectID(&world.chart->selectedObjectID, &ids[0]));
  // The chart is told of the time, then selects the object and centres it.
  const auto& calls = world.controller.calls;
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(calls.end() - 3, calls.end()),
            (std::vector<std::string>{"timeDateChanged", "selectObject:", "centerSelectedObject:0"}));
  EXPECT_EQ(world.root().presentedViewController(), nullptr);
  // A time that is not finite does nothing.
  times[0] = INFINITY;
  world.present(tonight);
  tonight->accessoryButtonTapped(button.get());
  EXPECT_EQ(world.alert(), nullptr);
  // Nor does a tag of no row (read before the list's first time).
  times[0] = world.chart->julianDate + 0.1;
  button->setTag(-1);
  tonight->accessoryButtonTapped(button.get());
  EXPECT_EQ(world.alert(), nullptr);
}

TEST_F(ListScreens, ARowOpensItsInformationAndTheScrollIsRemembered) {
  SkyObjectID* ids = nullptr;
  double* times = nullptr;
  bool indexed = false, common = true;
  const int count = static_cast<int>(ListMgr::getList("Weather", &ids, &times, &indexed, &common));
  ASSERT_GT(count, 2);
  auto list = std::make_shared<ObjectListViewController>("ObjectListView", ids, times, count,
                                                         "Weather", common, indexed);
  list->setSearchRow(4);
  world.present(list);
  list->table()->setContentOffset({0, 40});
  EXPECT_EQ(world.controller.lastSubSearchScrollPoint(4, 0).y, 40);
  list->table()->delegate->didSelectRow(*list->table(), {0, 1});
  world.run(1);
  auto* info = dynamic_cast<ObjectInfoViewController*>(world.top());
  ASSERT_NE(info, nullptr);
  EXPECT_TRUE(CSkyDatabase::isSameSkyObjectID(&info->objectID(), &ids[list->positionOf({0, 1})]));

  // The list opened again starts where it was left.
  world.root().dismissViewController(false);
  world.run(1);
  auto again = std::make_shared<ObjectListViewController>("ObjectListView", ids, times, count,
                                                          "Weather", common, indexed);
  again->setSearchRow(4);
  world.present(again);
  EXPECT_EQ(again->table()->contentOffset().y, 40);
}

TEST_F(ListScreens, SearchingByNumberOpensTheOneMatch) {
  auto search = SearchViewController::create();
  world.present(search);
  EXPECT_EQ(search->title(), "Satellites");
  search->searchBar()->setText("25544");
  search->doSearch();
  world.run(1);
  auto* info = dynamic_cast<ObjectInfoViewController*>(world.top());
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->objectID().catnum % 10000000000000000LL, 25544);
  // The filter is back at its defaults, with the categories it had.
  const SearchFilter& filter = world.sky.database().searchFilter;
  EXPECT_EQ(filter.lowestType, 1);
  EXPECT_EQ(filter.highestType, 42);
}

TEST_F(ListScreens, ASearchLeavesTheShownCategoriesAsTheyWere) {
  CSkyDatabase& database = world.sky.database();
  database.setOnlyCategoryShown(2);
  auto search = SearchViewController::create();
  world.present(search);
  // Found whatever its categories.
  search->searchBar()->setText("1998-030A");
  search->doSearch();
  world.run(1);
  ASSERT_NE(dynamic_cast<ObjectInfoViewController*>(world.top()), nullptr);
  for (int code = 0; code < 256; ++code)
    EXPECT_EQ(database.isCategoryShown(code), code == 2) << code;
}

TEST_F(ListScreens, NoMatchShowsNotFoundAndTheScreenStays) {
  auto search = SearchViewController::create();
  world.present(search);
  for (const char* text : {"", "no such satellite", "Vega", "Jupiter"}) {
    search->searchBar()->setText(text);
    search->doSearch();
    world.run(1);
    ASSERT_NE(world.alert(), nullptr) << text;
    EXPECT_EQ(world.alert()->alertTitle(), "Not Found");
    EXPECT_EQ(world.alert()->message(), "No satellites found matching search string.");
    world.alert()->dismissViewController(false);
    world.run(1);
    EXPECT_EQ(world.top(), search.get()) << text;
  }
}

// Typed as a user types: the Not Found alert holds the keyboard's input
// until it is answered, so a Return pressed under it opens nothing behind
// it; after OK the search field has the keyboard again.
TEST(NotFoundAlert, HoldsTheKeyboardUntilItIsAnswered) {
  for (int theme : {2, 3}) {
    ScreenWorld world(theme);
    auto search = SearchViewController::create();
    world.present(search);
    ui::TextField& field = search->searchBar()->searchTextField();
    search->searchBar()->setText("");
    world.tap(field.convertPointTo({field.bounds().midX(), field.bounds().midY()}, nullptr));
    ASSERT_TRUE(field.isFirstResponder());
    ui::Application& keyboard = ui::Application::shared();
    keyboard.insertText("no such satellite");
    keyboard.returnKey();
    world.run(1);
    ASSERT_NE(world.alert(), nullptr);
    EXPECT_EQ(world.alert()->alertTitle(), "Not Found");
    world.snapshot(theme == 3 ? "not-found-night" : "not-found-dark");

    // Typing on and a second Return while the alert is up.
    keyboard.insertText(" 25544");
    keyboard.returnKey();
    world.run(1);
    EXPECT_EQ(search->searchBar()->text(), "no such satellite");
    ASSERT_NE(world.alert(), nullptr);
    EXPECT_EQ(world.alert()->alertTitle(), "Not Found");
    EXPECT_EQ(search->navigationController()->topViewController(), search.get());

    ASSERT_TRUE(world.chooseAlertAction("OK"));
    EXPECT_EQ(world.alert(), nullptr);
    EXPECT_TRUE(field.isFirstResponder());
    search->searchBar()->setText("");
    keyboard.insertText("25544");
    keyboard.returnKey();
    world.run(1);
    EXPECT_EQ(world.alert(), nullptr);
    auto* info = dynamic_cast<ObjectInfoViewController*>(world.top());
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->objectID().catnum % 10000000000000000LL, 25544);
  }
}

TEST_F(ListScreens, SeveralMatchesAreListedByCatalogueNumber) {
  // The ISS (25544) and NOAA 15 (25338) were both launched in 1998.
  auto search = SearchViewController::create();
  world.present(search);
  search->searchBar()->setText("1998");
  search->doSearch();
  world.run(1);
  auto* results = dynamic_cast<SearchResultsViewController*>(world.top());
  ASSERT_NE(results, nullptr);
  ASSERT_EQ(results->numObjects(), 2);
  EXPECT_EQ(ListMgr::getSkyObjectIDs()[0].catnum % 10000000000000000LL, 25338);
  EXPECT_EQ(results->title(), "Search Results");
  std::int64_t previous = -1;
  for (int i = 0; i < results->numObjects(); ++i) {
    const std::int64_t number = ListMgr::getSkyObjectIDs()[i].catnum;
    EXPECT_GE(number, previous);
    previous = number;
  }
  results->table()->layoutIfNeeded();
  auto* row = dynamic_cast<ObjectListTableViewCell*>(results->table()->cellForRow({0, 0}));
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->accessoryType(), ui::TableViewCellAccessory::disclosureIndicator);
  EXPECT_FALSE(row->detailLabel()->text().empty());
  world.snapshot("search-results");
}

TEST_F(ListScreens, TheLastSearchTextComesBack) {
  auto search = SearchViewController::create();
  world.present(search);
  search->searchBar()->setText("ISS");
  world.root().dismissViewController(false);
  world.run(1);
  EXPECT_EQ(SearchViewController::lastSearchText(), std::optional<std::string>("ISS"));
  EXPECT_EQ(world.delegate->overlayTops.back(), 0);
  auto again = SearchViewController::create();
  world.present(again);
  EXPECT_EQ(again->searchBar()->text(), "ISS");
  EXPECT_EQ(again->table()->frame().y(), again->searchBar()->frame().height());
}

TEST_F(ListScreens, TheListsTableOpensAList) {
  auto search = SearchViewController::create();
  world.present(search);
  ui::TableView& table = *search->table();
  ASSERT_EQ(table.numberOfSections(), 6);
  const int rows[] = {4, 6, 7, 3, 3, 3};
  for (int s = 0; s < 6; ++s) EXPECT_EQ(table.numberOfRows(s), rows[s]) << s;
  table.layoutIfNeeded();
  EXPECT_EQ(table.cellForRow({0, 0})->textLabel().text(), "Tonight's Satellites");
  world.snapshot("search-lists");
  search->table()->setContentOffset({0, 30});
  EXPECT_EQ(world.controller.searchPoint.y, 30);
  table.delegate->didSelectRow(table, {1, 0});
  world.run(1);
  auto* list = dynamic_cast<ObjectListViewController*>(world.top());
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->title(), "Weather");
  EXPECT_EQ(list->searchRow(), 0);
  ASSERT_NE(list->navigationItem().rightBarButtonItem, nullptr);
  list->table()->layoutIfNeeded();
  world.snapshot("weather-list");
}

}  // namespace
