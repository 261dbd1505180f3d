// The location screen loaded from its screen definition and driven by
// touches and the keyboard: typed places as the Part's cases read them,
// picked places, the device's position, saving a user place, the keyboard
// lifting the view once, daylight saving by the place's rule, and the
// screen editing one ground circle.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <ctime>
#include <string>

#include "engine/clock.h"
#include "engine/locations.h"
#include "platform/devices/authorization.h"
#include "platform/devices/location.h"
#include "platform/foundation/notification_center.h"
#include "platform/uikit/alert_controller.h"
#include "tests/ui/settings/settings_world.h"
#include "ui/foundation/utility.h"
#include "ui/settings/ground_circle_fields.h"
#include "ui/settings/location_fields.h"
#include "ui/settings/location_view_controller.h"

namespace {

using uisettings::SettingsWorld;

class LocationWorld : public SettingsWorld {
 public:
  explicit LocationWorld(Circle* circle = nullptr) {
    dev::configureAuthorization(dev::Service::location, dev::AuthorizationStatus::authorizedWhenInUse,
                                dev::AuthorizationStatus::authorizedWhenInUse);
    settings.setLocationName("Home");
    settings.setLatitude(10);
    settings.setLongitude(20);
    settings.setAltitude(100);
    settings.setTimeZone(2);
    screenPage = std::make_shared<LocationViewController>();
    screenPage->setGroundCircle(circle);
    present(screenPage);
    ui::Application::shared().layoutWindows();
  }
  // Taps the field, empties it with the delete key, types, and returns.
  void typeInto(ui::TextField& field, const std::string& text) {
    tapView(field);
    while (!field.text().empty()) ui::Application::shared().deleteBackward();
    ui::Application::shared().insertText(text);
    ui::Application::shared().returnKey();
    run(0.5);
  }
  // Taps segment 0 or 1 of a two-segment control.
  void chooseSegment(ui::SegmentedControl& control, int segment) {
    ui::Application::shared().layoutWindows();
    const ui::Rect b = control.bounds();
    tap(control.convertPointTo({b.width() * (segment == 0 ? 0.25 : 0.75), b.midY()}, nullptr));
  }
  std::string alertTitle() {
    auto* alert = dynamic_cast<ui::AlertController*>(Utility::topMostController());
    return alert ? alert->alertTitle() : "";
  }
  void closeAlert() {
    if (auto* alert = dynamic_cast<ui::AlertController*>(Utility::topMostController())) alert->chooseAction(0);
    run(1);
  }
  std::shared_ptr<LocationViewController> screenPage;
};

TEST(UiSettingsLocationScreen, TypedPlacesAreReadAsTheirHemisphereSays) {
  LocationWorld w;
  LocationViewController& s = *w.screenPage;
  EXPECT_EQ(s.title(), "Location");
  EXPECT_EQ(s.locationNameTF->text(), "Home");
  EXPECT_EQ(s.timeZoneTF->text(), "+2.0");
  EXPECT_TRUE(s.saveLocationBtn->isHidden());

  w.chooseSegment(*s.northSouthControl, 1);
  w.typeInto(*s.latitudeTF, "40 30 0");
  EXPECT_DOUBLE_EQ(w.settings.latitude(), -40.5);
  EXPECT_EQ(s.northSouthControl->selectedSegmentIndex(), 1);
  w.chooseSegment(*s.northSouthControl, 1);
  w.typeInto(*s.latitudeTF, "-40 30");
  EXPECT_DOUBLE_EQ(w.settings.latitude(), 40.5);  // negated twice
  EXPECT_EQ(s.northSouthControl->selectedSegmentIndex(), 0);

  w.chooseSegment(*s.eastWestControl, 0);
  w.screen->clearCalls();
  w.chart->updateNeeded = false;
  w.typeInto(*s.longitudeTF, "74 0 0 W");
  EXPECT_DOUBLE_EQ(w.settings.longitude(), -74);
  EXPECT_EQ(s.longitudeTF->text(), "074\u00b0 00' 00.0\"");
  EXPECT_EQ(s.eastWestControl->selectedSegmentIndex(), 1);
  EXPECT_TRUE(w.chart->updateNeeded);
  EXPECT_EQ(w.screen->calls.back(), "locationChanged");
  EXPECT_GE(w.screen->viewCalls("setNeedsDisplay"), 1);

  w.typeInto(*s.timeZoneTF, "abc");
  EXPECT_EQ(w.settings.timeZone(), 0);
  EXPECT_EQ(s.timeZoneTF->text(), "+0.0");
  // What is stored is what the field shows once editing ends.
  w.typeInto(*s.altitudeTF, "  1234.6 m");
  EXPECT_EQ(s.altitudeTF->text(), "1235");
  EXPECT_EQ(w.settings.altitude(), 1235);
  // Values that are not finite read as nothing typed.
  w.typeInto(*s.altitudeTF, "1e999");
  EXPECT_EQ(w.settings.altitude(), 0);
  w.typeInto(*s.latitudeTF, "nan");
  EXPECT_EQ(w.settings.latitude(), 0);
  w.typeInto(*s.locationNameTF, "Z\u00fcrich");
  EXPECT_EQ(w.settings.locationName(), "Z\u00fcrich");
  // No range check.
  w.typeInto(*s.timeZoneTF, "30");
  EXPECT_EQ(w.settings.timeZone(), 30);
}

TEST(UiSettingsLocationScreen, APickedPlaceFillsTheFieldsWithItsSignedZone) {
  LocationWorld w;
  const Location place{"Quito", 0, -78.5f, -0.25f, 2850, -5, 1};
  w.screenPage->locationPicked(&place);
  EXPECT_EQ(w.settings.locationName(), "Quito");
  EXPECT_DOUBLE_EQ(w.settings.longitude(), -78.5);
  EXPECT_DOUBLE_EQ(w.settings.latitude(), -0.25);
  EXPECT_EQ(w.settings.timeZone(), -5);
  EXPECT_EQ(w.screenPage->timeZoneTF->text(), "-5.0");
  EXPECT_EQ(w.screenPage->northSouthControl->selectedSegmentIndex(), 1);
  EXPECT_EQ(w.screenPage->eastWestControl->selectedSegmentIndex(), 1);
}

TEST(UiSettingsLocationScreen, TheDevicesPositionBecomesThePlaceWithItsStandardZone) {
  dev::LocationConfiguration where;
  where.start.latitude = 51.4769;
  where.start.longitude = -0.0005;
  where.start.altitude = 46;
  dev::LocationManager::configure(where);
  LocationWorld w;
  dev::configureAuthorization(dev::Service::location, dev::AuthorizationStatus::notDetermined,
                              dev::AuthorizationStatus::authorizedWhenInUse);
  w.tapView(*w.screenPage->currentLocationBtn);
  EXPECT_EQ(w.screenPage->locationNameTF->text(), "Current Location");
  w.run(2);
  EXPECT_EQ(w.settings.locationName(), "Current Location");
  // As the fields show it, to a tenth of an arcsecond.
  EXPECT_NEAR(w.settings.latitude(), 51.4769, 0.05 / 3600);
  EXPECT_NEAR(w.settings.longitude(), -0.0005, 0.05 / 3600);
  EXPECT_EQ(w.settings.altitude(), 46);
  // The device's offset from the C library, less the daylight-saving hour.
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  EXPECT_DOUBLE_EQ(w.settings.timeZone(), (local.tm_gmtoff - (local.tm_isdst > 0 ? 3600 : 0)) / 3600.0);
  // Without permission nothing changes; a failing position empties the
  // fields and stores nothing.
  w.settings.setLocationName("Kept");
  const std::string latitude = w.screenPage->latitudeTF->text();
  dev::configureAuthorization(dev::Service::location, dev::AuthorizationStatus::denied, dev::AuthorizationStatus::denied);
  w.tapView(*w.screenPage->currentLocationBtn);
  w.run(2);
  EXPECT_EQ(w.settings.locationName(), "Kept");
  EXPECT_EQ(w.screenPage->latitudeTF->text(), latitude);
  where.fails = true;
  dev::LocationManager::configure(where);
  dev::configureAuthorization(dev::Service::location, dev::AuthorizationStatus::authorizedWhenInUse,
                              dev::AuthorizationStatus::authorizedWhenInUse);
  w.tapView(*w.screenPage->currentLocationBtn);
  w.run(2);
  EXPECT_EQ(w.settings.locationName(), "Kept");
  EXPECT_EQ(w.screenPage->latitudeTF->text(), "");
  dev::LocationManager::configure({});
}

TEST(UiSettingsLocationScreen, SavingAUserPlaceAsksForANameOverwritesByNameAndSaysWhenFull) {
  LocationWorld w;
  LocationViewController& s = *w.screenPage;
  s.locationNameTF->setText("Current Location");
  s.performAction("saveUserDefinedLocation:", nullptr);
  EXPECT_EQ(w.alertTitle(), "Rename Current Location");
  w.closeAlert();
  EXPECT_EQ(locationGroupSize(0), 0);

  s.locationNameTF->setText("Z\u00fcrich Observatory");
  s.performAction("saveUserDefinedLocation:", nullptr);
  EXPECT_EQ(w.alertTitle(), "Location Saved");
  w.closeAlert();
  ASSERT_EQ(locationGroupSize(0), 1);
  Location saved{};
  ASSERT_TRUE(getUserLocation(0, &saved));
  EXPECT_STREQ(saved.name, "Z\u00fcrich Observatory");  // as UTF-8
  EXPECT_EQ(saved.countryCode, 0);
  EXPECT_FLOAT_EQ(saved.latitude, 10);
  EXPECT_EQ(saved.population, 1);
  s.altitudeTF->setText("999");
  s.performAction("saveUserDefinedLocation:", nullptr);
  w.closeAlert();
  ASSERT_EQ(locationGroupSize(0), 1);  // same name: overwritten
  ASSERT_TRUE(getUserLocation(0, &saved));
  EXPECT_FLOAT_EQ(saved.altitude, 999);

  for (int i = 1; i < kMaxUserLocations; ++i) {
    const std::string name = "Place " + std::to_string(i);
    ASSERT_TRUE(insertUserLocation(i, Location{name.c_str(), 0, 0, 0, 0, 0, 1}));
  }
  s.locationNameTF->setText("One Too Many");
  s.performAction("saveUserDefinedLocation:", nullptr);
  EXPECT_EQ(w.alertTitle(), "Location Not Saved");
  w.closeAlert();
  EXPECT_EQ(locationGroupSize(0), kMaxUserLocations);
  clearUserLocations();
}

TEST(UiSettingsLocationScreen, TheKeyboardLiftsTheViewOnceAndPutsItBack) {
  LocationWorld w;
  LocationViewController& s = *w.screenPage;
  const ui::Rect home = s.view()->frame();
  const double lift = s.longitudeTF->convertPointTo({0, 0}, s.view().get()).y - 70;
  ASSERT_GT(lift, 0);
  w.tapView(*s.altitudeTF);
  w.run(2);
  EXPECT_FLOAT_EQ(s.editingDeltaY, float(lift));
  EXPECT_NEAR(s.view()->frame().y(), home.y() - lift, 1e-3);
  // Moving to another field announces the keyboard again.
  w.tapView(*s.timeZoneTF);
  ns::NotificationCenter::defaultCenter().post(ui::kKeyboardWillShowNotification);
  w.run(2);
  EXPECT_NEAR(s.view()->frame().y(), home.y() - lift, 1e-3);
  s.timeZoneTF->resignFirstResponder();
  w.run(2);
  EXPECT_EQ(s.editingDeltaY, 0);
  EXPECT_NEAR(s.view()->frame().y(), home.y(), 1e-3);
  // The name field does not lift it.
  w.tapView(*s.locationNameTF);
  w.run(2);
  EXPECT_EQ(s.editingDeltaY, 0);
  s.locationNameTF->resignFirstResponder();
}

TEST(UiSettingsLocationScreen, TheDaylightSavingLineFollowsThePlacesRule) {
  LocationWorld w;
  LocationViewController& s = *w.screenPage;
  const Location newYork{"New York", 0, -74.0f, 40.7f, 10, -5, 1};
  s.locationPicked(&newYork);
  EXPECT_TRUE(s.daylightTimeLabel->isHidden());  // the switch is off
  w.tapView(*s.daylightTimeSwitch);
  EXPECT_TRUE(w.settings.autoDST());
  EXPECT_FALSE(s.daylightTimeLabel->isHidden());
  // United States rules: July in daylight saving time, January not.
  w.chart->setTimeZone(-5.0 / 24);
  w.chart->setJulianDate(2461223.0);  // 2026-07-01 12:00 UT
  s.updateDaylightTimeLabel();
  EXPECT_EQ(s.daylightTimeLabel->text(), "Currently daylight saving time at this location");
  w.chart->setJulianDate(2461041.0);  // 2025-12-31 12:00 UT
  s.updateDaylightTimeLabel();
  EXPECT_EQ(s.daylightTimeLabel->text(), "Currently standard time at this location");
  w.tapView(*s.daylightTimeSwitch);
  EXPECT_FALSE(w.settings.autoDST());
  EXPECT_TRUE(s.daylightTimeLabel->isHidden());
}

TEST(UiSettingsLocationScreen, InCircleModeTheScreenEditsTheCircleOnly) {
  Circle circle{};
  setCircleName(circle, "Launch Range");
  setCircleCentreDegrees(circle, -80.6, 28.5);
  circle.radius = 100 / kCircleEarthRadiusKm;
  LocationWorld w(&circle);
  LocationViewController& s = *w.screenPage;
  EXPECT_EQ(s.locationNameTF->text(), "Launch Range");
  EXPECT_EQ(s.altitudeLabel->text(), "Circle Radius");
  EXPECT_EQ(s.altitudeUnitsLabel->text(), "kilometers");
  EXPECT_EQ(s.altitudeTF->text(), "100");
  for (ui::View* hidden : std::initializer_list<ui::View*>{s.timeZoneTF.get(), s.timeZoneLabel.get(), s.timeZoneUnitsLabel.get(),
                                                            s.daylightTimeSwitch.get(), s.daylightTimeSwitchLabel.get(),
                                                            s.daylightTimeLabel.get()})
    EXPECT_TRUE(hidden->isHidden());
  w.typeInto(*s.altitudeTF, "500");
  EXPECT_DOUBLE_EQ(circle.radius, 500 / 6378.14);
  EXPECT_EQ(w.settings.locationName(), "Home");  // the place is not touched
  EXPECT_EQ(w.settings.altitude(), 100);
  // A picked place moves the centre and names the circle, keeping the radius.
  const Location place{"Kourou", 0, -52.65f, 5.16f, 10, -3, 1};
  s.locationPicked(&place);
  double lon = 0, lat = 0;
  circleCentreDegrees(circle, lon, lat);
  EXPECT_NEAR(lon, -52.65, 1e-5);
  EXPECT_NEAR(lat, 5.16, 1e-5);
  EXPECT_EQ(circleName(circle), "Kourou");
  EXPECT_DOUBLE_EQ(circle.radius, 500 / 6378.14);
  // The switch's line stays hidden even when it would show.
  s.daylightTimeSwitch->setOn(true);
  s.updateDaylightTimeLabel();
  EXPECT_TRUE(s.daylightTimeLabel->isHidden());
  // A long name is cut to 32 bytes on a character boundary.
  w.typeInto(*s.locationNameTF, "\u00c5ngstr\u00f6m Laboratory Uppsala Sweden");
  EXPECT_EQ(circleName(circle), "\u00c5ngstr\u00f6m Laboratory Uppsala Sw");
  EXPECT_LE(std::strlen(circleName(circle).c_str()), 32u);
  setCircleName(circle, std::string(31, 'a') + "\u00e9");
  EXPECT_EQ(circleName(circle), std::string(31, 'a'));
  EXPECT_EQ(w.settings.locationName(), "Home");
}

}  // namespace
