// The device's position and heading, and reverse geocoding.
//
// The position is configured (TESSALY_LOCATION "latitude,longitude[,metres]",
// sea level without a height) or simulated moving (TESSALY_LOCATION_COURSE
// "metres per second,course degrees" moves it along a great circle), or
// fails (TESSALY_LOCATION_FAIL, and a TESSALY_LOCATION that is refused with
// a line on standard error: a latitude or longitude out of range, a height
// outside kLowestPlaceMetres to kHighestPlaceMetres, or other text);
// the heading is TESSALY_HEADING degrees. Readings come once a second on
// the main run loop. Geocoding answers offline: the nearest city of the
// engine's location database and the world-borders country the point lies
// in.
//
// Thread rules: main thread only.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/devices/authorization.h"
#include "platform/foundation/run_loop.h"

namespace dev {

// The heights a configured place may have: from below the Dead Sea's shore
// to above Everest's summit. A device reporting one outside them is not on
// the Earth's surface, and the chart drawn for it would be wrong.
inline constexpr double kLowestPlaceMetres = -500;
inline constexpr double kHighestPlaceMetres = 9000;

struct LocationReading {
  double latitude = 0, longitude = 0;  // degrees
  double altitude = 0;                 // metres
  double horizontalAccuracy = 5, verticalAccuracy = 10;
  double course = -1, speed = -1;
  double timestamp = 0;                // seconds on the main run loop's clock
};

struct Heading {
  double magneticHeading = 0, trueHeading = 0, headingAccuracy = 5;
  double timestamp = 0;
};

struct LocationConfiguration {
  LocationReading start{};
  double speed = 0, course = 0;  // metres per second, degrees from north
  bool fails = false;
  std::optional<double> heading;
  static LocationConfiguration fromEnvironment();
};

class LocationManager;

class LocationManagerDelegate {
 public:
  virtual ~LocationManagerDelegate() = default;
  virtual void didChangeAuthorization(LocationManager&, AuthorizationStatus) {}
  virtual void didUpdateLocations(LocationManager&, const std::vector<LocationReading>&) {}
  virtual void didFailWithError(LocationManager&, const std::string&) {}
  virtual void didUpdateHeading(LocationManager&, const Heading&) {}
};

class LocationManager {
 public:
  LocationManager();
  ~LocationManager();
  static AuthorizationStatus authorizationStatus() { return dev::authorizationStatus(Service::location); }
  static bool locationServicesEnabled() { return true; }
  static bool headingAvailable();
  // The host's configuration for every manager made later (tests).
  static void configure(const LocationConfiguration& configuration);

  void requestWhenInUseAuthorization();
  void requestAlwaysAuthorization() { requestWhenInUseAuthorization(); }
  void startUpdatingLocation();
  void stopUpdatingLocation();
  void startUpdatingHeading();
  void stopUpdatingHeading();
  std::optional<LocationReading> location() const { return last_; }
  double desiredAccuracy = 10, distanceFilter = 0;
  LocationManagerDelegate* delegate = nullptr;

 private:
  void deliver();
  LocationConfiguration configuration_;
  double started_ = 0;
  std::optional<LocationReading> last_;
  std::shared_ptr<ns::Timer> locationTimer_, headingTimer_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

struct Placemark {
  std::string name;            // the nearest city
  std::string locality;        // the same, when the city is within 50 km
  std::string country;         // from the world borders (else empty)
  // The largest area the offline data knows the point to lie in: the
  // world-borders country (else empty).
  std::string administrativeArea;
  std::string isoCountryCode;  // two letters
  double latitude = 0, longitude = 0;
};

class Geocoder {
 public:
  using Completion = std::function<void(const std::vector<Placemark>&, const std::string& error)>;
  // Answers on the main run loop; one request at a time, as the platform.
  void reverseGeocode(double latitude, double longitude, Completion completion);
  ~Geocoder() { *alive_ = false; }
  bool isGeocoding() const { return busy_; }
  void cancel() { cancelled_ = true; }
  // The borders shapefile (without extension); by default the bundle's
  // WorldBorders/TM_WORLD_BORDERS_SIMPL.
  static void setBordersPath(std::string path);
  // The answer itself, at once (tests).
  static std::optional<Placemark> placemarkFor(double latitude, double longitude, std::string* error);

 private:
  bool busy_ = false, cancelled_ = false;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace dev
