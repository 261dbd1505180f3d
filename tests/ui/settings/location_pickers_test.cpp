// The location pickers from the location screen, driven by touch and the
// search bar: countries and their places, searches that pick at once or
// list at most 100, sections by first character in character-code order,
// deleting user places, and the map's dropped pin reported bare and then
// under its geocoded name.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/locations.h"
#include "platform/devices/location.h"
#include "tests/ui/settings/settings_world.h"
#include "ui/settings/location_group_picker_view_controller.h"
#include "ui/settings/location_map_picker_view_controller.h"
#include "ui/settings/location_picker_view_controller.h"
#include "ui/settings/location_view_controller.h"

namespace {

using uisettings::SettingsWorld;

// What a picker reported, copied during the call.
struct Pick {
  std::string name;
  double latitude, longitude, altitude, timeZone;
  int countryCode;
};

class Recorder : public LocationPickerDelegate {
 public:
  void locationPicked(const Location* l) override {
    picks.push_back({l->name ? l->name : "", l->latitude, l->longitude, l->altitude, l->timeZone, l->countryCode});
  }
  std::vector<Pick> picks;
};

// The picker's search bar given text and its search button.
void search(SettingsWorld& w, LocationGroupPickerViewController& picker, const std::string& text) {
  w.tapView(picker.searchBar->searchTextField());
  ui::Application::shared().insertText(text);
  picker.searchButtonClicked(*picker.searchBar);
  w.run(1);
}

// A name the search finds exactly once.
std::string uniqueCityName() {
  Location found[2];
  for (int row = 0; row < cityCount(); ++row) {
    Location city{};
    getCityLocation(row, &city);
    if (searchLocations(city.name, found, 2) == 1) return city.name;
  }
  return "";
}

TEST(UiSettingsLocationPickers, CountriesListTheirPlacesAndAPickClosesThePickers) {
  SettingsWorld w;
  auto location = std::make_shared<LocationViewController>();
  w.present(location);
  w.tapView(*location->pickLocationBtn);
  // On a phone the pickers come in a stack of their own with a Done button.
  auto* stack = dynamic_cast<ui::NavigationController*>(location->presentedViewController());
  ASSERT_NE(stack, nullptr);
  auto* picker = dynamic_cast<LocationGroupPickerViewController*>(stack->topViewController());
  ASSERT_NE(picker, nullptr);
  EXPECT_EQ(picker->title(), "Location Groups");
  EXPECT_FALSE(picker->popToDelegateOnPicked());
  ASSERT_EQ(int(picker->locationGroups.size()), locationGroupCount() - 1);
  for (int g = 1; g < locationGroupCount(); ++g) EXPECT_EQ(picker->locationGroups[std::size_t(g - 1)], locationGroupName(g));
  EXPECT_EQ(picker->mainTable->frame().y(), picker->searchBar->frame().height());

  w.tapRow(*picker->mainTable, {0, 2});
  auto* places = dynamic_cast<LocationPickerViewController*>(stack->topViewController());
  ASSERT_NE(places, nullptr);
  EXPECT_EQ(places->groupNumber, 3);
  EXPECT_EQ(places->title(), "Locations");
  // Every row of the country is in one section of its first character.
  int rows = 0;
  for (const auto& [key, numbers] : places->names) rows += int(numbers.size());
  EXPECT_EQ(rows, locationGroupSize(3));
  ui::Application::shared().layoutWindows();
  const int first = places->names.at(places->keys.front()).front();
  Location expected{};
  ASSERT_TRUE(getCityLocation(first, &expected));
  w.tapRow(*places->mainTableView, {0, 0});
  w.run(1);
  EXPECT_EQ(w.settings.locationName(), expected.name);
  EXPECT_FLOAT_EQ(float(w.settings.latitude()), expected.latitude);
  EXPECT_EQ(location->presentedViewController(), nullptr);  // the pickers closed
}

TEST(UiSettingsLocationPickers, ASearchWithOneMatchPicksAtOnceAndManyListAHundred) {
  SettingsWorld w;
  auto picker = std::make_shared<LocationGroupPickerViewController>();
  Recorder recorder;
  picker->setLocationPickerDelegate(&recorder);
  w.present(picker);
  const std::string unique = uniqueCityName();
  ASSERT_FALSE(unique.empty());
  search(w, *picker, unique);
  ASSERT_EQ(recorder.picks.size(), 1u);
  EXPECT_EQ(recorder.picks[0].name, unique);
  EXPECT_EQ(picker->locationPicked(), nullptr);  // forgotten once passed on
  EXPECT_EQ(w.screen->presentedViewController(), nullptr);  // the pickers closed
  // "a" is in far more than 100 names: a list of exactly the first 100.
  picker = std::make_shared<LocationGroupPickerViewController>();
  picker->setLocationPickerDelegate(&recorder);
  w.present(picker);
  search(w, *picker, "a");
  EXPECT_EQ(picker->numLocationsFound, 100);
  auto* list = dynamic_cast<LocationPickerViewController*>(w.top());
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->groupNumber, -1);
  int rows = 0;
  for (const auto& [key, numbers] : list->names) rows += int(numbers.size());
  EXPECT_EQ(rows, 100);
  // No match: an alert, and the picker stays.
  w.navigation->popViewController(false);
  w.run(1);
  picker->searchBar->setText("");
  search(w, *picker, "zzzqqq");
  EXPECT_EQ(w.top(), picker.get());
  EXPECT_EQ(w.screen->presentedViewController(), w.navigation.get());
  EXPECT_EQ(recorder.picks.size(), 1u);
}

TEST(UiSettingsLocationPickers, SectionsAreFirstWholeCharactersInCharacterCodeOrder) {
  SettingsWorld w;
  const char* names[] = {"zeta", "Alpha", "1st Street", "Beta", "", "\u00c9cole", "Alps", "\xff" "bad"};
  for (int i = 0; i < 8; ++i) ASSERT_TRUE(insertUserLocation(i, Location{names[i], 0, float(i), float(i), 0, 0, 1}));
  auto list = std::make_shared<LocationPickerViewController>(0, nullptr, 0);
  EXPECT_EQ(list->keys, (std::vector<std::string>{"#", "1", "A", "B", "z", "\u00c9"}));
  EXPECT_EQ(list->names.at("#"), (std::vector<int>{4, 7}));  // empty and malformed names
  EXPECT_EQ(list->names.at("A"), (std::vector<int>{1, 6}));  // walk order kept
  Recorder recorder;
  list->setLocationPickerDelegate(&recorder);
  w.present(list);
  ui::Application::shared().layoutWindows();
  ui::TableView& table = *list->mainTableView;
  EXPECT_EQ(table.indexTitles(), list->keys);
  EXPECT_EQ(list->navigationItem().rightBarButtonItem->title, "Edit");
  // Deleting the last place of "B" leaves its section empty until the
  // reload half a second later; places after it still pick themselves.
  w.tapView(*w.navigation->navigationBar().rightButton());
  EXPECT_TRUE(table.isEditing());
  table.commitDelete(*table.cellForRow({3, 0}));
  EXPECT_EQ(locationGroupSize(0), 7);
  EXPECT_EQ(table.numberOfSections(), 6);
  EXPECT_EQ(table.numberOfRows(3), 0);
  list->didSelectRow(table, {4, 0});
  ASSERT_EQ(recorder.picks.size(), 1u);
  EXPECT_EQ(recorder.picks[0].name, "zeta");
  list->didSelectRow(table, {0, 0});  // the place just after the deleted one
  list->didSelectRow(table, {2, 1});
  ASSERT_EQ(recorder.picks.size(), 3u);
  EXPECT_EQ(recorder.picks[1].name, "");
  EXPECT_EQ(recorder.picks[2].name, "Alps");
  w.run(0.6);
  EXPECT_EQ(table.numberOfSections(), 5);
  EXPECT_EQ(table.indexTitles(), (std::vector<std::string>{"#", "1", "A", "z", "\u00c9"}));
  list->didSelectRow(table, {4, 0});
  EXPECT_EQ(recorder.picks.back().name, "\u00c9cole");
  // Only the user's places can be edited.
  auto country = std::make_shared<LocationPickerViewController>(1, nullptr, 0);
  EXPECT_EQ(country->editingStyleForRow(table, {0, 0}), ui::TableViewCellEditingStyle::none);
  clearUserLocations();
}

TEST(UiSettingsLocationPickers, InCircleModeAPickComesBackToTheLocationScreen) {
  SettingsWorld w;
  Circle circle{};
  circle.radius = 0.01;
  auto location = std::make_shared<LocationViewController>();
  location->setGroundCircle(&circle);
  w.present(location);
  w.tapView(*location->pickLocationBtn);
  auto* stack = dynamic_cast<ui::NavigationController*>(location->presentedViewController());
  ASSERT_NE(stack, nullptr);
  auto* picker = dynamic_cast<LocationGroupPickerViewController*>(stack->topViewController());
  ASSERT_TRUE(picker && picker->popToDelegateOnPicked());
  const std::string unique = uniqueCityName();
  search(w, *picker, unique);
  EXPECT_EQ(location->presentedViewController(), nullptr);
  EXPECT_EQ(w.top(), location.get());
  EXPECT_EQ(std::string(circle.name), unique.substr(0, 32));
  EXPECT_EQ(circle.radius, 0.01);
}

// A long press on the map at a point, held `seconds`, the finger moving
// `drift` points to the right meanwhile.
void longPress(SettingsWorld& w, ui::Point p, double seconds, double drift = 0) {
  w.world.touch(1, ui::TouchPhase::began, p);
  const int steps = 10;
  for (int i = 1; i <= steps; ++i) {
    w.run(seconds / steps);
    w.world.touch(1, ui::TouchPhase::moved, {p.x + drift * i / steps, p.y});
  }
  w.world.touch(1, ui::TouchPhase::ended, {p.x + drift, p.y});
}

TEST(UiSettingsLocationPickers, ADroppedPinIsReportedBareThenUnderItsGeocodedName) {
  SettingsWorld w;
  initLocationDatabase(0);
  w.settings.setLatitude(48.85);
  w.settings.setLongitude(2.35);
  auto picker = std::make_shared<LocationMapPickerViewController>();
  Recorder recorder;
  picker->setLocationPickerDelegate(&recorder);
  w.present(picker);
  ui::Application::shared().layoutWindows();
  dev::MapView& map = *picker->mapView;
  EXPECT_NEAR(map.region().center.latitude, 48.85, 1e-9);
  EXPECT_GE(map.region().latitudeDelta, 1);
  EXPECT_EQ(picker->tapMessageL->text(), "Tap and hold to drop a pin on the desired location.");
  // The current place has its pin, which reports nothing.
  ASSERT_EQ(map.annotations().size(), 1u);
  EXPECT_NEAR(map.annotations()[0].coordinate.longitude, 2.35, 1e-9);
  w.run(1);
  EXPECT_TRUE(recorder.picks.empty());

  const ui::Point at = map.convertPointTo(map.convertCoordinateToPoint({48.9, 2.3}), nullptr);
  longPress(w, at, 0.5);
  ASSERT_EQ(recorder.picks.size(), 2u);
  // The bare pin at once, with the nearest city's zone and altitude.
  Location city{};
  findNearestCity(0, cityCount(), &city, 2.3 * 0.01745329251993889, 48.9 * 0.01745329251993889);
  const Pick& bare = recorder.picks[0];
  EXPECT_EQ(bare.name, "Dropped Pin");
  EXPECT_NEAR(bare.latitude, 48.9, 0.01);
  EXPECT_NEAR(bare.longitude, 2.3, 0.01);
  EXPECT_EQ(bare.timeZone, city.timeZone);
  EXPECT_EQ(bare.altitude, city.altitude);
  EXPECT_EQ(bare.countryCode, city.countryCode);
  EXPECT_NE(bare.timeZone, 0);
  // Then the geocoded place at the same point.
  const Pick& named = recorder.picks[1];
  auto place = dev::Geocoder::placemarkFor(picker->touchedLatitude, picker->touchedLongitude, nullptr);
  ASSERT_TRUE(place);
  EXPECT_EQ(named.name, geocodedPlaceName(*place));
  EXPECT_EQ(named.latitude, bare.latitude);
  EXPECT_EQ(named.timeZone, city.timeZone);
  ASSERT_EQ(map.annotations().size(), 1u);
  EXPECT_EQ(map.annotations()[0].title, "Dropped Pin");
  EXPECT_EQ(map.annotations()[0].subtitle, named.name);
  EXPECT_TRUE(map.viewForAnnotation(0)->canShowCallout);
  EXPECT_EQ(map.viewForAnnotation(0)->pinColor, dev::PinAnnotationView::PinColor::purple);
  EXPECT_EQ(map.selectedAnnotation(), 0);

  // A second pin replaces the first; a press that moves picks once, where
  // it began.
  const ui::Point second = map.convertPointTo(map.convertCoordinateToPoint({48.6, 2.6}), nullptr);
  longPress(w, second, 1.0, 8);
  w.run(1);
  ASSERT_EQ(recorder.picks.size(), 4u);
  EXPECT_EQ(map.annotations().size(), 1u);
  // Within the few points the finger drifted before the press was held
  // long enough.
  const double drift = 3 * map.region().longitudeDelta / map.bounds().width();
  EXPECT_NEAR(recorder.picks[2].latitude, 48.6, drift);
  EXPECT_NEAR(recorder.picks[2].longitude, 2.6, drift);
  // An answer about a pin no longer on the map is dropped.
  map.removeAllAnnotations();
  picker->geocodeLocation(picker->touchedLatitude, picker->touchedLongitude);
  w.run(1);
  EXPECT_EQ(recorder.picks.size(), 4u);
}

}  // namespace
