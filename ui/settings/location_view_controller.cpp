#include "ui/settings/location_view_controller.h"

#include <cstdio>
#include <cstring>

#include "chart/sky_chart.h"
#include "engine/clock.h"
#include "engine/daylight_saving.h"
#include "engine/language.h"
#include "engine/locations.h"
#include "platform/foundation/notification_center.h"
#include "platform/uikit/application.h"
#include "platform/uikit/navigation_controller.h"
#include "ui/foundation/settings_model.h"
#include "ui/foundation/shell.h"
#include "ui/foundation/sv_navigation_controller.h"
#include "ui/foundation/sv_table.h"
#include "ui/foundation/theme.h"
#include "ui/foundation/utility.h"
#include "ui/settings/chart_screen.h"
#include "ui/settings/ground_circle_fields.h"
#include "ui/settings/interface_screen.h"
#include "ui/settings/location_fields.h"
#include "ui/settings/location_group_picker_view_controller.h"
#include "ui/settings/location_map_picker_view_controller.h"

namespace {

constexpr double kKeyboardMargin = 70;  // points left above the longitude field
constexpr double kSlideSeconds = 1.0;

std::string fieldText(const std::shared_ptr<ui::TextField>& field) { return field ? field->text() : std::string(); }

bool southOrWest(const std::shared_ptr<ui::SegmentedControl>& control) {
  return control && control->selectedSegmentIndex() == 1;
}

}  // namespace

LocationViewController::LocationViewController() : SettingsSubviewController("LocationView") {}

LocationViewController::~LocationViewController() {
  ns::NotificationCenter::defaultCenter().removeObserver(this);
  if (locationMgr) locationMgr->delegate = nullptr;
}

bool LocationViewController::setValue(std::string_view key, const std::any& value) {
  const std::optional<bool> taken = setOutlet(
      key, value,
      {outlet("scrollView", scrollView), outlet("scrolledView", scrolledView), outlet("locationNameTF", locationNameTF),
       outlet("latitudeTF", latitudeTF), outlet("longitudeTF", longitudeTF), outlet("altitudeTF", altitudeTF),
       outlet("timeZoneTF", timeZoneTF), outlet("northSouthControl", northSouthControl),
       outlet("eastWestControl", eastWestControl), outlet("altitudeLabel", altitudeLabel),
       outlet("altitudeUnitsLabel", altitudeUnitsLabel), outlet("timeZoneLabel", timeZoneLabel),
       outlet("timeZoneUnitsLabel", timeZoneUnitsLabel), outlet("daylightTimeSwitch", daylightTimeSwitch),
       outlet("daylightTimeSwitchLabel", daylightTimeSwitchLabel), outlet("daylightTimeLabel", daylightTimeLabel),
       outlet("currentLocationBtn", currentLocationBtn), outlet("saveLocationBtn", saveLocationBtn),
       outlet("pickLocationBtn", pickLocationBtn), outlet("pickLocationFromMapBtn", pickLocationFromMapBtn)});
  return taken ? *taken : SettingsSubviewController::setValue(key, value);
}

bool LocationViewController::performAction(std::string_view selector, ui::Object* sender) {
  if (selector == "getLocationAutomatically:") getLocationAutomatically();
  else if (selector == "saveUserDefinedLocation:") saveUserDefinedLocation();
  else if (selector == "showLocationGroupPicker:") showLocationGroupPicker();
  else if (selector == "showMapPicker:") showMapPicker();
  else if (selector == "toggleDaylightTime:") toggleDaylightTime();
  else if (selector == "textFieldDoneEditing:") {
    if (auto* field = dynamic_cast<ui::TextField*>(sender)) field->resignFirstResponder();
  } else {
    return SettingsSubviewController::performAction(selector, sender);
  }
  return true;
}

int LocationViewController::latitudeFormat() const {
  const CSkyChart* chart = currentChart();
  return chart ? chart->latitudeFormat : CSkyCoordinates().latitudeFormat;
}

int LocationViewController::longitudeFormat() const {
  const CSkyChart* chart = currentChart();
  return chart ? chart->longitudeFormat : CSkyCoordinates().longitudeFormat;
}

void LocationViewController::viewDidLoad() {
  SettingsSubviewController::viewDidLoad();
  settings = currentSettings();
  setTitle("Location");
  for (auto* field : {locationNameTF.get(), latitudeTF.get(), longitudeTF.get(), altitudeTF.get(), timeZoneTF.get()})
    if (field) field->delegate = this;

  if (groundCircle_) {
    for (ui::View* v : std::initializer_list<ui::View*>{timeZoneTF.get(), timeZoneLabel.get(), timeZoneUnitsLabel.get(),
                                                        daylightTimeSwitch.get(), daylightTimeSwitchLabel.get(),
                                                        daylightTimeLabel.get()})
      if (v) v->setHidden(true);
    if (altitudeLabel) altitudeLabel->setText("Circle Radius");
    if (altitudeUnitsLabel) altitudeUnitsLabel->setText("kilometers");
    double lon = 0, lat = 0;
    circleCentreDegrees(*groundCircle_, lon, lat);
    setTextFields(lat, lon, groundCircle_->radius * kCircleEarthRadiusKm, 0, circleName(*groundCircle_));
  } else if (settings) {
    setTextFields(settings->latitude(), settings->longitude(), settings->altitude(), settings->timeZone(),
                  settings->locationName());
  }

  const ui::Color text = SVTableViewCell::textColor();
  Utility::setUILabelsOf(view().get(), text);
  if (AppDelegate::isNightVision()) {
    for (auto* field : {locationNameTF.get(), latitudeTF.get(), longitudeTF.get(), altitudeTF.get(), timeZoneTF.get()})
      if (field) field->textColor = text;
    if (daylightTimeSwitch && !Utility::currentOSVersionIsGreaterThanOrEqualTo("13.0")) {
      daylightTimeSwitch->onTintColor = themeColor(ThemeColor::locationSwitchOnTint);
      daylightTimeSwitch->thumbTintColor = themeColor(ThemeColor::locationSwitchThumb);
    }
  }
  if (daylightTimeSwitch) daylightTimeSwitch->setOn(settings && settings->autoDST());
  updateDaylightTimeLabel();
  if (saveLocationBtn) saveLocationBtn->setHidden(true);
  if (scrollView && scrolledView) scrollView->setContentSize(scrolledView->frame().size);
  if (scrolledView) scrolledView->setBackgroundColor(SVTableView::tableBackgroundColor());

  ns::NotificationCenter& center = ns::NotificationCenter::defaultCenter();
  center.addObserver(this, ui::kKeyboardWillShowNotification, [this](const ns::Notification&) { keyboardWillShow(); });
  center.addObserver(this, ui::kKeyboardWillHideNotification, [this](const ns::Notification&) { keyboardWillHide(); });
  initialized = true;
  layoutViews();
}

unsigned LocationViewController::supportedInterfaceOrientations() const {
  return Utility::supportedInterfaceOrientations();
}

void LocationViewController::willAnimateRotationToInterfaceOrientation(int orientation, double duration) {
  SettingsSubviewController::willAnimateRotationToInterfaceOrientation(orientation, duration);
  layoutViews();
}

// ---- Fields -----------------------------------------------------------------------

LocationFields LocationViewController::readFields() const {
  LocationFields f;
  f.name = fieldText(locationNameTF);
  f.latitude = readAngleField(fieldText(latitudeTF), southOrWest(northSouthControl));
  f.longitude = readAngleField(fieldText(longitudeTF), southOrWest(eastWestControl));
  f.altitude = readNumberField(fieldText(altitudeTF));
  f.timeZone = readNumberField(fieldText(timeZoneTF));
  return f;
}

void LocationViewController::setTextFields(double latitude, double longitude, double altitude) {
  if (latitudeTF) latitudeTF->setText(latitudeFieldText(latitude, latitudeFormat()));
  if (northSouthControl) northSouthControl->setSelectedSegmentIndex(latitude < 0 ? 1 : 0);
  if (longitudeTF) longitudeTF->setText(longitudeFieldText(longitude, longitudeFormat()));
  if (eastWestControl) eastWestControl->setSelectedSegmentIndex(longitude < 0 ? 1 : 0);
  if (altitudeTF) altitudeTF->setText(altitudeFieldText(altitude));
}

void LocationViewController::setTextFields(double latitude, double longitude, double altitude, double timeZone,
                                           const std::string& name) {
  setTextFields(latitude, longitude, altitude);
  if (timeZoneTF) timeZoneTF->setText(timeZoneFieldText(timeZone));
  if (timeZoneLabel) timeZoneLabel->setText("Standard Time Zone");
  if (locationNameTF) locationNameTF->setText(name);
}

void LocationViewController::didEndEditing(ui::TextField&) {
  const LocationFields f = readFields();
  setTextFields(f.latitude, f.longitude, f.altitude, f.timeZone, f.name);
  if (groundCircle_) saveToCircle();
  else saveToSettings();
}

bool LocationViewController::shouldReturn(ui::TextField&) { return true; }

void LocationViewController::saveToCircle() {
  if (!groundCircle_) return;
  const LocationFields f = readFields();
  setCircleName(*groundCircle_, f.name);
  setCircleCentreDegrees(*groundCircle_, f.longitude, f.latitude);
  groundCircle_->radius = f.altitude / kCircleEarthRadiusKm;
}

void LocationViewController::saveToSettings() {
  if (!initialized || !settings) return;
  const LocationFields f = readFields();
  settings->setLocationName(f.name);
  settings->setLatitude(f.latitude);
  settings->setLongitude(f.longitude);
  settings->setAltitude(f.altitude);
  settings->setTimeZone(f.timeZone);
  if (CSkyChart* chart = currentChart()) chart->updateNeeded = true;
  if (ChartViewController* chartScreen = ChartViewController::currentController()) chartScreen->locationChanged();
  redrawChart();
  updateDaylightTimeLabel();
}

void LocationViewController::toggleDaylightTime() {
  if (settings && daylightTimeSwitch) settings->setAutoDST(daylightTimeSwitch->isOn());
  updateDaylightTimeLabel();
}

void LocationViewController::updateDaylightTimeLabel() {
  if (!daylightTimeLabel) return;
  const bool hidden = groundCircle_ || !daylightTimeSwitch || !daylightTimeSwitch->isOn() || !settings;
  daylightTimeLabel->setHidden(hidden);
  if (hidden) return;
  const int rule = dstRuleForLocation(settings->longitude() * kScreenDegree, settings->latitude() * kScreenDegree);
  const CSkyChart* chart = currentChart();
  const double jd = chart ? chart->julianDate : settings->julianDate();
  const double zone = chart ? chart->timeZone : settings->timeZone() / 24;
  const bool summer = daylightSavingPeriod(rule, nullptr, nullptr, jd, zone) != 0;
  daylightTimeLabel->setText(translateString(summer ? "Currently daylight saving time at this location"
                                                    : "Currently standard time at this location"));
}

void LocationViewController::layoutViews() {
  if (!scrollView) return;
  const ui::EdgeInsets safe =
      view()->window() ? view()->window()->windowSafeAreaInsets() : ui::Screen::main().safeAreaInsets();
  ui::Rect frame = scrollView->frame();
  frame.origin.x = safe.left;
  frame.size.width = std::max(0.0, view()->bounds().width() - safe.left - safe.right);
  scrollView->setFrame(frame);
}

// ---- Places -----------------------------------------------------------------------

void LocationViewController::locationPicked(const Location* record) {
  if (record == nullptr) return;
  applyPlace({record->name ? record->name : "", record->latitude, record->longitude, record->altitude,
              record->timeZone});
}

void LocationViewController::applyPlace(const LocationFields& place) {
  if (!groundCircle_) {
    setTextFields(place.latitude, place.longitude, place.altitude, place.timeZone, place.name);
    saveToSettings();
    return;
  }
  setTextFields(place.latitude, place.longitude, groundCircle_->radius * kCircleEarthRadiusKm, place.timeZone,
                place.name);
  setCircleName(*groundCircle_, place.name);
  setCircleCentreDegrees(*groundCircle_, place.longitude, place.latitude);
}

void LocationViewController::getLocationAutomatically() {
  if (locationMgr) locationMgr->stopUpdatingLocation();
  locationMgr = std::make_unique<dev::LocationManager>();
  locationMgr->delegate = this;
  const dev::AuthorizationStatus status = dev::LocationManager::authorizationStatus();
  if (status == dev::AuthorizationStatus::notDetermined) {
    locationMgr->requestWhenInUseAuthorization();
    return;
  }
  didChangeAuthorization(*locationMgr, status);
}

void LocationViewController::didChangeAuthorization(dev::LocationManager& manager, dev::AuthorizationStatus status) {
  if (status != dev::AuthorizationStatus::authorizedAlways && status != dev::AuthorizationStatus::authorizedWhenInUse)
    return;
  manager.startUpdatingLocation();
  if (locationNameTF) locationNameTF->setText(kCurrentLocationName);
  for (auto* field : {latitudeTF.get(), longitudeTF.get(), altitudeTF.get(), timeZoneTF.get()})
    if (field) field->setText("");
}

void LocationViewController::didFailWithError(dev::LocationManager& manager, const std::string&) {
  manager.stopUpdatingLocation();
}

void LocationViewController::didUpdateLocations(dev::LocationManager& manager,
                                                const std::vector<dev::LocationReading>& readings) {
  manager.stopUpdatingLocation();
  if (readings.empty()) return;
  const dev::LocationReading& r = readings.back();
  // The standard zone: the device's offset now, less the daylight-saving hour.
  const double zone = localTimeZone(nullptr) * 24;
  applyPlace({fieldText(locationNameTF), r.latitude, r.longitude, r.altitude, zone});
}

void LocationViewController::saveUserDefinedLocation() {
  const LocationFields f = readFields();
  if (f.name.empty() || f.name == kCurrentLocationName) {
    Utility::showAlertWithTitle("Rename Current Location",
                                "Please rename your current location before saving it as a user-defined location.");
    return;
  }
  // The name goes in as the UTF-8 it is; the database copies it.
  Location record{f.name.c_str(), 0, float(f.longitude), float(f.latitude), float(f.altitude), float(f.timeZone), 1};
  const int count = locationGroupSize(0);
  int same = -1;
  for (int i = 0; i < count && same < 0; ++i) {
    Location stored{};
    if (getUserLocation(i, &stored) && stored.name && f.name == stored.name) same = i;
  }
  const bool saved = same >= 0 ? setUserLocation(same, record) != 0 : insertUserLocation(std::max(count, 0), record) != 0;
  if (!saved) {
    char message[512];
    std::snprintf(message, sizeof message,
                  "The location \"%s\" could not be saved: the User-Defined Location group holds %d locations, "
                  "its most.  Delete one from the Location List first.",
                  f.name.c_str(), kMaxUserLocations);
    Utility::showAlertWithTitle("Location Not Saved", message);
    return;
  }
  char message[512];
  std::snprintf(message, sizeof message,
                "The location \"%s\" has been saved into the User-Defined Location group.  Choose this group from "
                "the Location List to retrieve it.",
                f.name.c_str());
  Utility::showAlertWithTitle("Location Saved", message);
}

// ---- Pickers and keyboard ---------------------------------------------------------

void LocationViewController::presentPicker(std::shared_ptr<ui::ViewController> picker) {
  if (AppDelegate::runningOniPad()) {
    if (ui::NavigationController* navigation = navigationController()) navigation->pushViewController(picker, true);
    return;
  }
  // Loaded first: a settings page puts its own Done (which ends the whole
  // visit) on the bar as it loads, and this one, which closes the picker,
  // must be the one that stays.
  picker->loadViewIfNeeded();
  picker->navigationItem().rightBarButtonItem =
      std::make_shared<ui::BarButtonItem>(ui::BarButtonSystemItem::done, picker.get(), "doneTouched:");
  presentViewController(std::make_shared<SVNavigationController>(picker), true);
}

void LocationViewController::showLocationGroupPicker() {
  auto picker = std::make_shared<LocationGroupPickerViewController>();
  picker->setLocationPickerDelegate(this);
  picker->setTitle("Location Groups");
  picker->setPopToDelegateOnPicked(groundCircle_ != nullptr);
  presentPicker(picker);
}

void LocationViewController::showMapPicker() {
  auto picker = std::make_shared<LocationMapPickerViewController>();
  picker->setLocationPickerDelegate(this);
  picker->setTitle(translateString("Pick Location"));
  presentPicker(picker);
}

void LocationViewController::slideView(double dy) {
  ui::View::beginAnimations("Slide View");
  ui::View::setAnimationDuration(kSlideSeconds);
  ui::Rect frame = view()->frame();
  frame.origin.y -= dy;
  view()->setFrame(frame);
  ui::View::commitAnimations();
}

void LocationViewController::keyboardWillShow() {
  if (AppDelegate::runningOniPad() || !longitudeTF) return;
  const bool lowField = (altitudeTF && altitudeTF->isEditing()) || (timeZoneTF && timeZoneTF->isEditing()) ||
                        longitudeTF->isEditing();
  // Moving between fields announces the keyboard again; the view is
  // already up.
  if (!lowField || editingDeltaY != 0) return;
  editingDeltaY = float(longitudeTF->convertPointTo({0, 0}, view().get()).y - kKeyboardMargin);
  slideView(editingDeltaY);
}

void LocationViewController::keyboardWillHide() {
  if (AppDelegate::runningOniPad() || editingDeltaY == 0) return;
  slideView(-editingDeltaY);
  editingDeltaY = 0;
}
