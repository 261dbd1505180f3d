#include "ui/settings/location_map_picker_view_controller.h"

#include "engine/language.h"
#include "engine/locations.h"
#include "ui/foundation/settings_model.h"
#include "ui/foundation/shell.h"
#include "ui/foundation/sv_table.h"
#include "ui/foundation/theme.h"
#include "ui/foundation/utility.h"
#include "ui/settings/chart_screen.h"
#include "ui/settings/interface_screen.h"
#include "ui/settings/location_fields.h"

namespace {

constexpr double kRegionDegrees = 1;  // the map view widens it to what its map can show
constexpr double kPressSeconds = 0.25;

// A place at the pin with the nearest built-in city's country, altitude,
// zone and population (none without a city).
Location placeAtPin(const char* name, double latitude, double longitude) {
  Location city{};
  if (findNearestCity(0, cityCount(), &city, longitude * kScreenDegree, latitude * kScreenDegree) < 0) city = Location{};
  return {name, city.countryCode, float(longitude), float(latitude), city.altitude, city.timeZone, city.population};
}

}  // namespace

std::string geocodedPlaceName(const dev::Placemark& place) {
  std::string text = place.name;
  if (!place.locality.empty()) text += ", " + place.locality;
  if (!place.administrativeArea.empty()) text += ", " + place.administrativeArea;
  return text;
}

LocationMapPickerViewController::LocationMapPickerViewController() : SettingsSubviewController("LocationMapView") {}

LocationMapPickerViewController::~LocationMapPickerViewController() {
  *alive_ = false;
  if (mapView) mapView->delegate = nullptr;
}

bool LocationMapPickerViewController::setValue(std::string_view key, const std::any& value) {
  if (key == "mapView") return takeOutlet(mapView, value);
  if (key == "tapMessageL") return takeOutlet(tapMessageL, value);
  return SettingsSubviewController::setValue(key, value);
}

bool LocationMapPickerViewController::performAction(std::string_view selector, ui::Object* sender) {
  if (selector != "doneTouched:") return SettingsSubviewController::performAction(selector, sender);
  doneTouched();
  return true;
}

void LocationMapPickerViewController::viewDidLoad() {
  SettingsSubviewController::viewDidLoad();
  if (mapView) {
    mapView->delegate = this;
    Settings* settings = currentSettings();
    const dev::Coordinate centre{settings ? settings->latitude() : 0, settings ? settings->longitude() : 0};
    mapView->setRegion({centre, kRegionDegrees, kRegionDegrees});
    // Where the user is now, so the map is recognisably theirs; not
    // reported, and replaced by the first dropped pin.
    mapView->addAnnotation({centre, settings ? settings->locationName() : "", ""});
    auto press = std::make_shared<ui::LongPressGestureRecognizer>();
    press->minimumPressDuration = kPressSeconds;
    // The map view (and its recogniser) may outlive the picker.
    std::weak_ptr<ui::Object> self = weak_from_this();
    press->addAction([this, self](ui::GestureRecognizer& g) {
      if (self.lock()) handleLongPress(g);
    });
    mapView->addGestureRecognizer(press);
  }
  if (tapMessageL) tapMessageL->setText(translateString("Tap and hold to drop a pin on the desired location."));
  if (!AppDelegate::isNightVision()) return;
  if (mapView) {
    auto overlay = std::make_shared<ui::View>(mapView->bounds());
    overlay->setBackgroundColor(themeColor(ThemeColor::mapOverlay));
    overlay->setAutoresizingMask(ui::kFlexibleWidth | ui::kFlexibleHeight);
    overlay->setUserInteractionEnabled(false);
    mapView->addSubview(overlay);
  }
  Utility::setUILabelsOf(view().get(), SVTableViewCell::textColor());
}

unsigned LocationMapPickerViewController::supportedInterfaceOrientations() const {
  return Utility::supportedInterfaceOrientations();
}

void LocationMapPickerViewController::handleLongPress(ui::GestureRecognizer& recognizer) {
  if (recognizer.state() != ui::GestureState::began || !mapView) return;
  const dev::Coordinate where = mapView->convertPointToCoordinate(recognizer.locationInView(mapView.get()));
  mapView->removeAllAnnotations();
  ++pin_;
  touchedLatitude = where.latitude;
  touchedLongitude = where.longitude;
  mapView->selectAnnotation(int(mapView->addAnnotation({where, "", ""})));
  // Reported at once with the nearest city's altitude and zone, so a pin
  // that is never geocoded does not leave the place at zone 0.
  report(kDroppedPinName);
}

void LocationMapPickerViewController::report(const std::string& name) {
  reportedName_ = name;
  const Location place = placeAtPin(reportedName_.c_str(), touchedLatitude, touchedLongitude);
  if (locationPickerDelegate_) locationPickerDelegate_->locationPicked(&place);
}

std::optional<dev::PinAnnotationView> LocationMapPickerViewController::viewForAnnotation(dev::MapView&, std::size_t) {
  // The settings' place shows its name when tapped; a dropped pin only
  // once it has been named.
  return dev::PinAnnotationView{"annotation1", dev::PinAnnotationView::PinColor::purple, true, pin_ == 0};
}

void LocationMapPickerViewController::didAddAnnotationViews(dev::MapView&, const std::vector<std::size_t>&) {
  if (pin_ > 0) geocodeLocation(touchedLatitude, touchedLongitude);
}

void LocationMapPickerViewController::geocodeLocation(double latitude, double longitude) {
  // One request at a time per geocoder: a new pin does not wait for the
  // answer about an old one.
  if (!geocoder || geocoder->isGeocoding()) geocoder = std::make_unique<dev::Geocoder>();
  std::weak_ptr<bool> alive = alive_;
  const int pin = pin_;
  geocoder->reverseGeocode(latitude, longitude, [this, alive, pin](const std::vector<dev::Placemark>& places, const std::string&) {
    if (alive.lock()) geocoded(pin, places);
  });
}

void LocationMapPickerViewController::geocoded(int pin, const std::vector<dev::Placemark>& places) {
  // An answer about a pin no longer on the map is dropped.
  if (places.empty() || pin != pin_ || !mapView || mapView->annotations().empty()) return;
  const std::string text = geocodedPlaceName(places.front());
  if (dev::PinAnnotationView* pinView = mapView->viewForAnnotation(0)) {
    mapView->setAnnotationTexts(0, kDroppedPinName, text);
    pinView->canShowCallout = true;
    mapView->selectAnnotation(0);
  }
  report(text);
}

void LocationMapPickerViewController::doneTouched() {
  // The pin as it stands now: named when the geocoder has answered.
  if (pin_ > 0) report(reportedName_);
  dismissPickerStack(*this);
}
