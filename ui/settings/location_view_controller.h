// LocationViewController: the settings page of the observer's place: its
// name, latitude, longitude, altitude, standard time zone and automatic
// daylight saving time, typed in, taken from the device, picked from the
// location database or dropped as a pin on a map. Each accepted change goes
// into the settings model (and so the chart) at once.
//
// Given a ground circle before it loads, the same page edits that circle
// instead (circle mode): name, centre and radius, leaving the settings'
// place alone.
//
// Thread rules: main thread only.
#pragma once

#include <memory>
#include <string>

#include "chart/chart_types.h"
#include "platform/devices/location.h"
#include "platform/uikit/controls.h"
#include "platform/uikit/scroll_view.h"
#include "platform/uikit/text_input.h"
#include "ui/settings/location_picker_delegate.h"
#include "ui/settings/settings_subview_controller.h"

class Settings;

// The place the fields show, as read from them.
struct LocationFields {
  std::string name;
  double latitude = 0, longitude = 0;  // degrees
  double altitude = 0;                 // metres, or km of radius in circle mode
  double timeZone = 0;                 // hours
};

class LocationViewController : public SettingsSubviewController,
                               public LocationPickerDelegate,
                               private ui::TextFieldDelegate,
                               private dev::LocationManagerDelegate {
 public:
  LocationViewController();
  ~LocationViewController() override;
  std::string className() const override { return "LocationViewController"; }
  bool setValue(std::string_view key, const std::any& value) override;
  bool performAction(std::string_view selector, ui::Object* sender) override;

  Settings* settings = nullptr;        // not owned
  std::shared_ptr<ui::ScrollView> scrollView;
  std::shared_ptr<ui::View> scrolledView;
  std::shared_ptr<ui::TextField> locationNameTF, latitudeTF, longitudeTF, altitudeTF, timeZoneTF;
  std::shared_ptr<ui::SegmentedControl> northSouthControl, eastWestControl;
  std::shared_ptr<ui::Label> altitudeLabel, altitudeUnitsLabel, timeZoneLabel, timeZoneUnitsLabel;
  std::shared_ptr<ui::Switch> daylightTimeSwitch;
  std::shared_ptr<ui::Label> daylightTimeSwitchLabel, daylightTimeLabel;
  std::shared_ptr<ui::Button> currentLocationBtn, saveLocationBtn, pickLocationBtn, pickLocationFromMapBtn;
  std::unique_ptr<dev::LocationManager> locationMgr;
  float editingDeltaY = 0;
  bool initialized = false;

  // Circle mode for that circle (not owned); set before the view loads.
  void setGroundCircle(Circle* circle) { groundCircle_ = circle; }
  Circle* groundCircle() const { return groundCircle_; }

  void viewDidLoad() override;
  unsigned supportedInterfaceOrientations() const override;
  void willAnimateRotationToInterfaceOrientation(int orientation, double duration) override;

  void locationPicked(const Location* location) override;
  void getLocationAutomatically();
  void saveUserDefinedLocation();
  void showLocationGroupPicker();
  void showMapPicker();
  void toggleDaylightTime();
  void saveToSettings();
  void updateDaylightTimeLabel();
  void layoutViews();

  LocationFields readFields() const;
  // The fields in their normalised forms, the hemisphere controls by the
  // signs; the first form leaves the time zone and name fields as they are.
  void setTextFields(double latitude, double longitude, double altitude);
  void setTextFields(double latitude, double longitude, double altitude, double timeZone, const std::string& name);

 private:
  // Text field delegate.
  void didEndEditing(ui::TextField& field) override;
  bool shouldReturn(ui::TextField& field) override;
  // Location manager delegate.
  void didChangeAuthorization(dev::LocationManager& manager, dev::AuthorizationStatus status) override;
  void didUpdateLocations(dev::LocationManager& manager, const std::vector<dev::LocationReading>& readings) override;
  void didFailWithError(dev::LocationManager& manager, const std::string& error) override;

  void keyboardWillShow();
  void keyboardWillHide();
  void slideView(double dy);
  // The circle takes the fields' name, centre and radius.
  void saveToCircle();
  // A picked place or the device's position: the fields, then the settings
  // or the circle (whose radius stays).
  void applyPlace(const LocationFields& place);
  void presentPicker(std::shared_ptr<ui::ViewController> picker);
  int latitudeFormat() const;
  int longitudeFormat() const;

  Circle* groundCircle_ = nullptr;
};
