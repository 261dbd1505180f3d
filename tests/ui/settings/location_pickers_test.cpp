// The location pickers from the location screen, driven by touch and the
// search bar: countries and their places, searches that pick at once or
// list at most 100, sections by first character in character-code order,
// deleting user places, the map's dropped pin reported bare and then
// under its geocoded name, and the map zoomed by the desktop's wheel and
// Ctrl-drag and the headless script's pinch.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "engine/locations.h"
#include "platform/devices/location.h"
#include "platform/host/wheel.h"
#include "platform/uikit/application.h"
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

// The map picker opened on a place, laid out, with the map's frame on the
// screen.
struct MapPicker {
  SettingsWorld w;
  std::shared_ptr<LocationMapPickerViewController> picker = std::make_shared<LocationMapPickerViewController>();
  dev::MapView* map = nullptr;
  MapPicker() {
    initLocationDatabase(0);
    w.settings.setLatitude(48.85);
    w.settings.setLongitude(2.35);
    w.present(picker);
    ui::Application::shared().layoutWindows();
    map = picker->mapView.get();
  }
  // A screen point at fractions of the map's width and height.
  ui::Point at(double x, double y) const {
    const ui::Rect b = map->bounds();
    return map->convertPointTo({b.width() * x, b.height() * y}, nullptr);
  }
  dev::Coordinate under(ui::Point screen) const { return map->convertPointToCoordinate(map->convertPointFrom(screen, nullptr)); }
  // Degrees, as a share of what the map shows, between the place that was
  // under a screen point and the one under it now.
  double drift(dev::Coordinate before, ui::Point screen) const {
    const dev::Coordinate now = under(screen);
    const dev::MapRegion r = map->region();
    return std::max(std::fabs(now.latitude - before.latitude) / r.latitudeDelta,
                    std::fabs(std::remainder(now.longitude - before.longitude, 360.0)) / r.longitudeDelta);
  }
  // The headless script's "pinch X Y SCALE": two fingers 80 points apart
  // about the point, spread to SCALE times that in even steps.
  void scriptPinch(ui::Point p, double scale) {
    const int steps = 24;
    double d = 40;
    w.world.touch(1, ui::TouchPhase::began, {p.x - d, p.y});
    w.world.touch(2, ui::TouchPhase::began, {p.x + d, p.y});
    for (int i = 1; i <= steps; ++i) {
      d = 40 + (40 * scale - 40) * i / steps;
      ui::Application::shared().handleTouches(
          {{1, ui::TouchPhase::moved, {p.x - d, p.y}}, {2, ui::TouchPhase::moved, {p.x + d, p.y}}}, now());
    }
    ui::Application::shared().handleTouches(
        {{1, ui::TouchPhase::ended, {p.x - d, p.y}}, {2, ui::TouchPhase::ended, {p.x + d, p.y}}}, now());
  }
  // The desktop's Ctrl-drag from a press point to a pointer.
  void ctrlDrag(ui::Point press, ui::Point pointer) {
    auto send = [&](ui::TouchPhase phase, ui::Point p) {
      const auto [a, b] = host::dragPinchFingers(press, p);
      ui::Application::shared().handleTouches({{1, phase, a}, {2, phase, b}}, now());
    };
    send(ui::TouchPhase::began, press);
    send(ui::TouchPhase::moved, press);
    for (int i = 1; i <= 10; ++i)
      send(ui::TouchPhase::moved, {press.x + (pointer.x - press.x) * i / 10, press.y + (pointer.y - press.y) * i / 10});
    send(ui::TouchPhase::ended, pointer);
  }
  double now() const { return ns::RunLoop::main().now(); }
};

// A touchpad's wheel: tenths of a notch, each too small a pinch to begin,
// zoom the map as a notch does once they add up to one; turning back
// starts the count afresh.
TEST(UiSettingsLocationPickers, TheMapZoomsForAWheelTurnedInFractionsOfANotch) {
  MapPicker m;
  dev::MapView& map = *m.map;
  const ui::Point pointer = m.at(0.3, 0.6);
  const double opened = map.region().latitudeDelta;
  const dev::Coordinate under = m.under(pointer);
  for (int i = 0; i < 10; ++i) host::turnWheel(pointer, 0, 0.1, m.now());
  EXPECT_NEAR(map.region().latitudeDelta, opened / host::kWheelPinchFactorPerNotch, opened * 0.01);
  EXPECT_LT(m.drift(under, pointer), 0.005) << "about the pointer";
  const double zoomed = map.region().latitudeDelta;
  for (double notches : {0.6, -0.6, 0.6}) host::turnWheel(pointer, 0, notches, m.now());
  EXPECT_EQ(map.region().latitudeDelta, zoomed) << "no turn came to a notch";
  host::turnWheel(pointer, 0, 0.45, m.now());
  EXPECT_NEAR(map.region().latitudeDelta, zoomed / std::pow(host::kWheelPinchFactorPerNotch, 1.05), zoomed * 0.01);
}

TEST(UiSettingsLocationPickers, TheMapZoomsAboutThePointerByWheelCtrlDragAndPinchWithinItsLimits) {
  MapPicker m;
  dev::MapView& map = *m.map;
  const double opened = map.region().latitudeDelta;
  EXPECT_NEAR(map.region().center.latitude, 48.85, 1e-9);
  const ui::Point pointer = m.at(0.25, 0.7), other = m.at(0.8, 0.2);
  int zooms = 0;
  // Each way of zooming, in and out: the span changes by the factor asked
  // and the place under the pointer stays under it.
  auto zoom = [&](const char* how, double factor, const std::function<void()>& act) {
    SCOPED_TRACE(how);
    const dev::MapRegion before = map.region();
    const dev::Coordinate under = m.under(pointer), elsewhere = m.under(other);
    act();
    EXPECT_NEAR(map.region().latitudeDelta, before.latitudeDelta / factor, before.latitudeDelta * 0.02);
    EXPECT_NEAR(map.region().longitudeDelta / map.region().latitudeDelta,
                before.longitudeDelta / before.latitudeDelta, 0.05 * before.longitudeDelta / before.latitudeDelta)
        << "the land keeps its shape";
    EXPECT_LT(m.drift(under, pointer), 0.005) << "the place under the pointer stays under it";
    EXPECT_GT(m.drift(elsewhere, other), 0.05) << "the rest of the map moves";
    ++zooms;
  };
  zoom("wheel in", host::kWheelPinchFactorPerNotch, [&] { host::turnWheel(pointer, 0, 1, m.now()); });
  zoom("wheel out", std::pow(host::kWheelPinchFactorPerNotch, -3), [&] { host::turnWheel(pointer, 0, -3, m.now()); });
  zoom("Ctrl-drag up", std::pow(host::kWheelPinchFactorPerNotch, 5),
       [&] { m.ctrlDrag(pointer, {pointer.x, pointer.y - 5 * host::kDragPointsPerNotch}); });
  zoom("Ctrl-drag down", std::pow(host::kWheelPinchFactorPerNotch, -4),
       [&] { m.ctrlDrag(pointer, {pointer.x + 3, pointer.y + 4 * host::kDragPointsPerNotch}); });
  zoom("pinch out", 2, [&] { m.scriptPinch(pointer, 2); });
  zoom("pinch in", 0.5, [&] { m.scriptPinch(pointer, 0.5); });
  EXPECT_EQ(zooms, 6);
  EXPECT_NEAR(map.region().latitudeDelta, opened * host::kWheelPinchFactorPerNotch, opened * 0.02)
      << "a notch out in all";

  // In as far as it goes: a degree, the region a place picker opens on.
  for (int i = 0; i < 40; ++i) host::turnWheel(pointer, 0, 5, m.now());
  EXPECT_NEAR(map.region().latitudeDelta, 1.0, 1e-9);
  m.scriptPinch(pointer, 3);
  EXPECT_NEAR(map.region().latitudeDelta, 1.0, 1e-9);
  // Out as far as the world goes, and no further.
  for (int i = 0; i < 40; ++i) host::turnWheel(pointer, 0, -5, m.now());
  const dev::MapRegion world = map.region();
  EXPECT_TRUE(world.latitudeDelta >= 180 - 1e-9 || world.longitudeDelta >= 360 - 1e-9)
      << world.latitudeDelta << " x " << world.longitudeDelta;
  EXPECT_LE(world.latitudeDelta, 180.0);
  EXPECT_LE(world.longitudeDelta, 360.0);
  EXPECT_TRUE(std::isfinite(world.center.latitude) && std::isfinite(world.center.longitude));
  // And a pin still lands where it is pressed.
  const ui::Point press = m.at(0.5, 0.5);
  const dev::Coordinate target = m.under(press);
  longPress(m.w, press, 0.5);
  EXPECT_NEAR(m.picker->touchedLatitude, target.latitude, 1e-6);
  EXPECT_NEAR(m.picker->touchedLongitude, target.longitude, 1e-6);
}

}  // namespace
