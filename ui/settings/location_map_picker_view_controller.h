// LocationMapPickerViewController: a map around the settings' place, with
// its pin, where a long press drops a new pin. The pin is reported at once
// as a bare place (with the nearest built-in city's altitude, zone and
// country), again under its geocoded name once the geocoder answers, and
// once more, as it then stands, by Done.
//
// Thread rules: main thread only. Geocoding answers on the main run loop.
#pragma once

#include <memory>
#include <string>

#include "platform/devices/location.h"
#include "platform/devices/map_view.h"
#include "platform/uikit/gesture.h"
#include "ui/settings/location_picker_delegate.h"
#include "ui/settings/settings_subview_controller.h"

class LocationMapPickerViewController : public SettingsSubviewController, public dev::MapViewDelegate {
 public:
  static constexpr const char* kDroppedPinName = "Dropped Pin";

  LocationMapPickerViewController();
  ~LocationMapPickerViewController() override;
  std::string className() const override { return "LocationMapPickerViewController"; }
  // Outlets "mapView", "tapMessageL".
  bool setValue(std::string_view key, const std::any& value) override;
  bool performAction(std::string_view selector, ui::Object* sender) override;

  std::shared_ptr<dev::MapView> mapView;
  std::shared_ptr<ui::Label> tapMessageL;
  std::unique_ptr<dev::Geocoder> geocoder;
  double touchedLatitude = 0, touchedLongitude = 0;  // degrees

  void setLocationPickerDelegate(LocationPickerDelegate* delegate) { locationPickerDelegate_ = delegate; }

  void viewDidLoad() override;
  unsigned supportedInterfaceOrientations() const override;
  void handleLongPress(ui::GestureRecognizer& recognizer);
  void geocodeLocation(double latitude, double longitude);
  // Reports the dropped pin's place (when there is one), then closes the
  // picker when it was presented in a stack of its own.
  void doneTouched();

  std::optional<dev::PinAnnotationView> viewForAnnotation(dev::MapView&, std::size_t) override;
  void didAddAnnotationViews(dev::MapView&, const std::vector<std::size_t>&) override;

 private:
  void geocoded(int pin, const std::vector<dev::Placemark>& places);
  // Keeps the place as last reported and reports it.
  void report(const std::string& name);
  LocationPickerDelegate* locationPickerDelegate_ = nullptr;  // not owned
  // Counts the pins dropped (0: only the settings' place is shown); an
  // answer for an earlier pin is stale.
  int pin_ = 0;
  std::string reportedName_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// The name of a geocoded place: "name, locality, area", with whichever of
// locality and area is missing left out.
std::string geocodedPlaceName(const dev::Placemark& place);
