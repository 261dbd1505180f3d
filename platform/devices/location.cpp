#include "platform/devices/location.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/locations.h"
#include "platform/devices/world_borders.h"
#include "support/environment_setting.h"

namespace dev {
namespace {

constexpr double kEarthRadiusMetres = 6371008.8;  // mean radius (IUGG)
constexpr double kRadians = 3.14159265358979323846 / 180;
constexpr double kLocalityMetres = 50000;
// The fastest a simulated device moves: an airliner's speed and more.
constexpr double kFastestMetresPerSecond = 1000;

std::optional<LocationConfiguration>& configured() {
  static std::optional<LocationConfiguration> value;
  return value;
}

std::string& bordersPath() {
  static std::string path;
  return path;
}

std::string countryLetters(int code) {
  if (code <= 0) return "";
  return std::string{char(code / 256), char(code % 256)};
}

// Up to `most` numbers separated by commas (blanks around them allowed);
// nothing for any other text.
std::optional<std::vector<double>> readNumberList(const char* text, std::size_t most) {
  std::vector<double> numbers;
  for (const char* at = text;;) {
    char* end = nullptr;
    const double value = std::strtod(at, &end);
    if (end == at || numbers.size() == most) return std::nullopt;
    numbers.push_back(value);
    while (*end == ' ' || *end == '\t') ++end;
    if (*end == '\0') return numbers;
    if (*end != ',') return std::nullopt;
    at = end + 1;
  }
}

// A place on the Earth from "latitude,longitude[,metres]" (sea level
// without a height), or why the text gives none.
std::string readPlace(const char* text, LocationReading& place) {
  const auto numbers = readNumberList(text, 3);
  if (!numbers || numbers->size() < 2) return "it is not latitude,longitude[,metres]";
  const double latitude = (*numbers)[0], longitude = (*numbers)[1];
  const double altitude = numbers->size() == 3 ? (*numbers)[2] : 0;
  if (!(std::fabs(latitude) <= 90))
    return "the latitude " + settingNumberText(latitude) + " is not within -90 to 90 degrees";
  if (!(std::fabs(longitude) <= 180))
    return "the longitude " + settingNumberText(longitude) + " is not within -180 to 180 degrees";
  if (!(altitude >= kLowestPlaceMetres && altitude <= kHighestPlaceMetres))
    return "the height " + settingNumberText(altitude) + " m is not within " + settingNumberText(kLowestPlaceMetres) +
           " to " + settingNumberText(kHighestPlaceMetres) + " m";
  place.latitude = latitude, place.longitude = longitude, place.altitude = altitude;
  return "";
}

}  // namespace

// ---- configuration -----------------------------------------------------------------

LocationConfiguration LocationConfiguration::fromEnvironment() {
  LocationConfiguration c;
  c.start.latitude = 51.4779;  // Greenwich, without a configuration
  c.start.longitude = -0.0015;
  c.start.altitude = 46;
  const char* fail = std::getenv("TESSALY_LOCATION_FAIL");
  c.fails = fail && *fail && std::string(fail) != "0";
  if (const char* text = std::getenv("TESSALY_LOCATION"); text && *text) {
    // A place the text does not give is no position at all: one made up
    // here would be taken and saved as the user's.
    const std::string problem = readPlace(text, c.start);
    if (!problem.empty()) {
      c.fails = true;
      // Every manager reads the configuration again: the refusal is said
      // once.
      reportSetting("TESSALY_LOCATION", text, "is refused: " + problem + "; the device gives no position");
    }
  }
  if (const std::string text = environmentValue("TESSALY_LOCATION_COURSE"); !text.empty()) {
    const auto fields = settingFields(text, ',', 2);
    const auto speed = fields ? numberInRange((*fields)[0], 0, kFastestMetresPerSecond) : std::nullopt;
    const auto course = fields ? numberInRange((*fields)[1], 0, 360) : std::nullopt;
    if (speed && course) c.speed = *speed, c.course = *course;
    else
      reportUnusableSetting("TESSALY_LOCATION_COURSE", text,
                            "a speed,course of 0 to " + settingNumberText(kFastestMetresPerSecond) +
                                " metres per second and 0 to 360 degrees",
                            "0,0");
  }
  if (const std::string text = environmentValue("TESSALY_HEADING"); !text.empty()) {
    if (const auto heading = numberInRange(text, 0, 360)) c.heading = std::fmod(*heading, 360);
    else
      reportUnusableSetting("TESSALY_HEADING", text, "a heading from 0 to 360 degrees", "no heading");
  }
  return c;
}

// ---- manager -----------------------------------------------------------------------

LocationManager::LocationManager()
    : configuration_(configured() ? *configured() : LocationConfiguration::fromEnvironment()) {}

LocationManager::~LocationManager() {
  *alive_ = false;
  stopUpdatingLocation();
  stopUpdatingHeading();
}

bool LocationManager::headingAvailable() {
  const LocationConfiguration c = configured() ? *configured() : LocationConfiguration::fromEnvironment();
  return c.heading.has_value();
}

void LocationManager::configure(const LocationConfiguration& configuration) { configured() = configuration; }

void LocationManager::requestWhenInUseAuthorization() {
  std::weak_ptr<bool> alive = alive_;
  const bool undetermined = authorizationStatus() == AuthorizationStatus::notDetermined;
  requestAuthorization(Service::location, [this, alive, undetermined](AuthorizationStatus status) {
    if (alive.lock() && undetermined && delegate) delegate->didChangeAuthorization(*this, status);
  });
}

void LocationManager::startUpdatingLocation() {
  if (locationTimer_) return;
  started_ = ns::RunLoop::main().now();
  deliver();
  locationTimer_ = ns::RunLoop::main().scheduleTimer(1.0, true, [this](ns::Timer&) { deliver(); });
}

void LocationManager::stopUpdatingLocation() {
  if (locationTimer_) locationTimer_->invalidate();
  locationTimer_.reset();
}

void LocationManager::deliver() {
  std::weak_ptr<bool> alive = alive_;
  // Readings arrive after the call that asked for them, on the main loop.
  ns::RunLoop::main().performOnLoop([this, alive] {
    if (!alive.lock() || !locationTimer_) return;
    if (!isAuthorized(authorizationStatus())) {
      if (delegate) delegate->didFailWithError(*this, "kCLErrorDenied");
      return;
    }
    if (configuration_.fails) {
      if (delegate) delegate->didFailWithError(*this, "kCLErrorLocationUnknown");
      return;
    }
    const double now = ns::RunLoop::main().now();
    LocationReading r = configuration_.start;
    r.timestamp = now;
    if (configuration_.speed != 0) {
      // Along the great circle of the course, as far as the time allows.
      const double d = configuration_.speed * (now - started_) / kEarthRadiusMetres;
      const double lat = r.latitude * kRadians, lon = r.longitude * kRadians, c = configuration_.course * kRadians;
      const double lat2 = std::asin(std::sin(lat) * std::cos(d) + std::cos(lat) * std::sin(d) * std::cos(c));
      const double lon2 = lon + std::atan2(std::sin(c) * std::sin(d) * std::cos(lat), std::cos(d) - std::sin(lat) * std::sin(lat2));
      r.latitude = lat2 / kRadians;
      r.longitude = std::remainder(lon2 / kRadians, 360.0);
      r.speed = configuration_.speed;
      r.course = configuration_.course;
    }
    last_ = r;
    if (delegate) delegate->didUpdateLocations(*this, {r});
  });
}

void LocationManager::startUpdatingHeading() {
  if (headingTimer_ || !configuration_.heading) return;
  std::weak_ptr<bool> alive = alive_;
  auto send = [this, alive] {
    if (!alive.lock() || !delegate) return;
    Heading h;
    h.magneticHeading = h.trueHeading = *configuration_.heading;
    h.timestamp = ns::RunLoop::main().now();
    delegate->didUpdateHeading(*this, h);
  };
  ns::RunLoop::main().performOnLoop(send);
  headingTimer_ = ns::RunLoop::main().scheduleTimer(1.0, true, [send](ns::Timer&) { send(); });
}

void LocationManager::stopUpdatingHeading() {
  if (headingTimer_) headingTimer_->invalidate();
  headingTimer_.reset();
}

// ---- geocoder ----------------------------------------------------------------------

void Geocoder::setBordersPath(std::string path) { bordersPath() = std::move(path); }

std::optional<Placemark> Geocoder::placemarkFor(double latitude, double longitude, std::string* error) {
  if (!std::isfinite(latitude) || !std::isfinite(longitude) || std::fabs(latitude) > 90) {
    if (error) *error = "kCLErrorGeocodeFoundNoResult";
    return std::nullopt;
  }
  if (cityCount() == 0) initLocationDatabase(0);
  Placemark p;
  p.latitude = latitude;
  p.longitude = longitude;
  Location city{};
  const double distance = findNearestCity(0, cityCount(), &city, longitude * kRadians, latitude * kRadians);
  if (distance >= 0 && city.name) {
    p.name = city.name;
    if (distance * kEarthRadiusMetres <= kLocalityMetres) p.locality = city.name;
    p.isoCountryCode = countryLetters(city.countryCode);
  }
  const double x = std::remainder(longitude, 360.0);
  for (const BorderCountry& c : worldBorders(bordersPath()))
    if (c.contains(x, latitude)) {
      p.country = c.name;
      p.administrativeArea = c.name;
      if (!c.iso2.empty()) p.isoCountryCode = c.iso2;
      break;
    }
  if (p.name.empty() && p.country.empty()) {
    if (error) *error = "kCLErrorGeocodeFoundNoResult";
    return std::nullopt;
  }
  return p;
}

void Geocoder::reverseGeocode(double latitude, double longitude, Completion completion) {
  if (busy_) {
    if (completion) ns::RunLoop::main().performOnLoop([completion] { completion({}, "kCLErrorNetwork"); });
    return;
  }
  busy_ = true;
  cancelled_ = false;
  std::weak_ptr<bool> alive = alive_;
  ns::RunLoop::main().performOnLoop([this, alive, latitude, longitude, completion] {
    if (!alive.lock()) return;
    busy_ = false;
    if (cancelled_) {
      if (completion) completion({}, "kCLErrorGeocodeCanceled");
      return;
    }
    std::string error;
    auto placemark = placemarkFor(latitude, longitude, &error);
    if (completion) completion(placemark ? std::vector<Placemark>{*placemark} : std::vector<Placemark>{}, error);
  });
}

}  // namespace dev
