// Location, geocoding, motion, sound, camera and speech stand-ins.
#include <gtest/gtest.h>

#include <shapefil.h>

#include <atomic>
#include <limits>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>
#include <thread>

#include "engine/locations.h"
#include "platform/devices/audio_player.h"
#include "platform/devices/camera.h"
#include "platform/devices/location.h"
#include "platform/devices/map_view.h"
#include "platform/uikit/application.h"
#include "platform/devices/motion.h"
#include "platform/devices/speech.h"
#include "platform/foundation/file_io.h"
#include "temp_dir.h"

namespace {

struct Loop {
  std::shared_ptr<ns::ManualClock> clock = std::make_shared<ns::ManualClock>(0);
  Loop() { ns::RunLoop::main().setClock(clock); }
  void run(double seconds) { ns::RunLoop::main().runFor(seconds); }
};

class LocationRecorder : public dev::LocationManagerDelegate {
 public:
  std::vector<dev::AuthorizationStatus> changes;
  std::vector<dev::LocationReading> readings;
  std::vector<std::string> errors;
  std::vector<dev::Heading> headings;
  void didChangeAuthorization(dev::LocationManager&, dev::AuthorizationStatus s) override { changes.push_back(s); }
  void didUpdateLocations(dev::LocationManager&, const std::vector<dev::LocationReading>& r) override {
    readings.insert(readings.end(), r.begin(), r.end());
  }
  void didFailWithError(dev::LocationManager&, const std::string& e) override { errors.push_back(e); }
  void didUpdateHeading(dev::LocationManager&, const dev::Heading& h) override { headings.push_back(h); }
};

// Waits until a condition holds, for at most 20 s: sanitised builds and busy
// machines run the devices' own threads slowly.
template <typename Condition>
bool waitUntil(Condition condition) {
  for (int i = 0; i < 2000 && !condition(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return condition();
}

TEST(DevicesLocation, AuthorisationPathsDecideWhatTheApplicationHears) {
  Loop loop;
  dev::LocationConfiguration where;
  where.start.latitude = 48.8566, where.start.longitude = 2.3522, where.start.altitude = 35;
  where.heading = 271.5;
  dev::LocationManager::configure(where);
  // Asked and allowed.
  dev::configureAuthorization(dev::Service::location, dev::AuthorizationStatus::notDetermined,
                              dev::AuthorizationStatus::authorizedWhenInUse);
  {
    dev::LocationManager manager;
    LocationRecorder r;
    manager.delegate = &r;
    manager.requestWhenInUseAuthorization();
    EXPECT_TRUE(r.changes.empty());  // the answer comes on the loop
    loop.run(0.01);
    ASSERT_EQ(r.changes.size(), 1u);
    EXPECT_EQ(r.changes[0], dev::AuthorizationStatus::authorizedWhenInUse);
    manager.startUpdatingLocation();
    manager.startUpdatingHeading();
    loop.run(2.5);
    ASSERT_EQ(r.readings.size(), 3u);
    EXPECT_EQ(r.readings[0].latitude, 48.8566);
    EXPECT_EQ(r.readings[2].altitude, 35);
    ASSERT_FALSE(r.headings.empty());
    EXPECT_EQ(r.headings[0].trueHeading, 271.5);
    EXPECT_TRUE(dev::LocationManager::headingAvailable());
    manager.stopUpdatingLocation();
    loop.run(3);
    EXPECT_EQ(r.readings.size(), 3u);
  }
  // Asked and refused: failures, no positions; asking again changes nothing.
  dev::configureAuthorization(dev::Service::location, dev::AuthorizationStatus::notDetermined,
                              dev::AuthorizationStatus::denied);
  {
    dev::LocationManager manager;
    LocationRecorder r;
    manager.delegate = &r;
    manager.requestWhenInUseAuthorization();
    manager.startUpdatingLocation();
    loop.run(1.5);
    EXPECT_EQ(r.changes, (std::vector{dev::AuthorizationStatus::denied}));
    EXPECT_TRUE(r.readings.empty());
    ASSERT_FALSE(r.errors.empty());
    EXPECT_EQ(r.errors[0], "kCLErrorDenied");
    manager.requestWhenInUseAuthorization();
    loop.run(0.1);
    EXPECT_EQ(r.changes.size(), 1u);
  }
  // Allowed but failing; and a manager gone before its reading arrives.
  dev::configureAuthorization(dev::Service::location, dev::AuthorizationStatus::authorizedAlways,
                              dev::AuthorizationStatus::authorizedAlways);
  where.fails = true;
  dev::LocationManager::configure(where);
  {
    dev::LocationManager manager;
    LocationRecorder r;
    manager.delegate = &r;
    manager.startUpdatingLocation();
    loop.run(0.5);
    EXPECT_EQ(r.errors, (std::vector<std::string>{"kCLErrorLocationUnknown"}));
  }
  {
    auto doomed = std::make_unique<dev::LocationManager>();
    doomed->startUpdatingLocation();
    doomed.reset();
    loop.run(0.5);
  }
}

TEST(DevicesLocation, ASimulatedPositionMovesAlongItsCourse) {
  Loop loop;
  dev::configureAuthorization(dev::Service::location, dev::AuthorizationStatus::authorizedWhenInUse,
                              dev::AuthorizationStatus::authorizedWhenInUse);
  dev::LocationConfiguration moving;
  moving.start.latitude = 0, moving.start.longitude = 10;
  moving.speed = 100, moving.course = 0;  // due north at 100 m/s
  dev::LocationManager::configure(moving);
  dev::LocationManager manager;
  LocationRecorder r;
  manager.delegate = &r;
  manager.startUpdatingLocation();
  loop.run(100.5);
  ASSERT_GE(r.readings.size(), 100u);
  // 10 km north along a meridian: 10000 / 6371008.8 radians.
  EXPECT_NEAR(r.readings[100].latitude, 10000 / 6371008.8 * 180 / 3.141592653589793, 1e-9);
  EXPECT_NEAR(r.readings[100].longitude, 10, 1e-9);
  EXPECT_EQ(r.readings[100].speed, 100);
}

// A square country with a square lake, written with shapelib.
void writeBorders(const std::string& base) {
  SHPHandle shp = SHPCreate(base.c_str(), SHPT_POLYGON);
  DBFHandle dbf = DBFCreate(base.c_str());
  int iso = DBFAddField(dbf, "ISO2", FTString, 2, 0), name = DBFAddField(dbf, "NAME", FTString, 40, 0);
  double x[] = {30, 30, 40, 40, 30, 34, 36, 36, 34, 34};
  double y[] = {10, 20, 20, 10, 10, 14, 14, 16, 16, 14};
  int starts[] = {0, 5};
  SHPObject* o = SHPCreateObject(SHPT_POLYGON, -1, 2, starts, nullptr, 10, x, y, nullptr, nullptr);
  SHPWriteObject(shp, -1, o);
  SHPDestroyObject(o);
  DBFWriteStringAttribute(dbf, 0, iso, "TL");
  DBFWriteStringAttribute(dbf, 0, name, "Testland");
  SHPClose(shp);
  DBFClose(dbf);
}

TEST(DevicesLocation, APlaceOffTheEarthIsRefusedOnceAndGivesNoPosition) {
  Loop loop;
  dev::configureAuthorization(dev::Service::location, dev::AuthorizationStatus::authorizedWhenInUse,
                              dev::AuthorizationStatus::authorizedWhenInUse);
  struct Place {
    const char* text;
    double altitude;      // metres, when taken
    const char* problem;  // why not, when refused
  };
  const Place places[] = {
      {"45,10,-500", -500, nullptr},
      {"45, 10 ,9000", 9000, nullptr},
      {"45,10", 0, nullptr},  // sea level
      {"45,10,1e30", 0, "the height 1e+30 m is not within -500 to 9000 m"},
      {"45,10,-1e7", 0, "the height -1e+07 m is not within -500 to 9000 m"},
      {"45,10,9000.01", 0, "the height 9000.01 m is not within -500 to 9000 m"},
      {"45,10,-500.01", 0, "the height -500.01 m is not within -500 to 9000 m"},
      {"45,10,nan", 0, "the height nan m is not within -500 to 9000 m"},
      {"-90.5,10", 0, "the latitude -90.5 is not within -90 to 90 degrees"},
      {"45,180.5", 0, "the longitude 180.5 is not within -180 to 180 degrees"},
      {"45,10,100m", 0, "it is not latitude,longitude[,metres]"},
      {"45,10,100,1", 0, "it is not latitude,longitude[,metres]"},
  };
  int taken = 0, refused = 0;
  for (const Place& place : places) {
    SCOPED_TRACE(place.text);
    setenv("TESSALY_LOCATION", place.text, 1);
    testing::internal::CaptureStderr();
    // Every manager reads the configuration again; a refusal is said once.
    dev::LocationConfiguration::fromEnvironment();
    dev::LocationManager::configure(dev::LocationConfiguration::fromEnvironment());
    const std::string said = testing::internal::GetCapturedStderr();
    dev::LocationManager manager;
    LocationRecorder r;
    manager.delegate = &r;
    manager.startUpdatingLocation();
    loop.run(0.5);
    if (place.problem == nullptr) {
      ++taken;
      EXPECT_EQ(said, "");
      ASSERT_EQ(r.readings.size(), 1u);
      EXPECT_EQ(r.readings[0].latitude, 45);
      EXPECT_EQ(r.readings[0].longitude, 10);
      EXPECT_EQ(r.readings[0].altitude, place.altitude);
    } else {
      ++refused;
      EXPECT_EQ(said, "TESSALY_LOCATION=\"" + std::string(place.text) + "\" is refused: " + place.problem +
                          "; the device gives no position\n");
      EXPECT_TRUE(r.readings.empty());
      EXPECT_EQ(r.errors, (std::vector<std::string>{"kCLErrorLocationUnknown"}));
    }
  }
  EXPECT_EQ(taken, 3);
  EXPECT_EQ(refused, 9);
  unsetenv("TESSALY_LOCATION");
  dev::LocationManager::configure({});
}

// What standard error says while `read` runs with `variable` set to
// `value`; the variable is unset afterwards.
std::string saidReading(const char* variable, const char* value, const std::function<void()>& read) {
  setenv(variable, value, 1);
  testing::internal::CaptureStderr();
  read();
  read();  // a setting read again says nothing new
  unsetenv(variable);
  return testing::internal::GetCapturedStderr();
}

// The simulated course and heading: a value that cannot serve is named once
// with what is taken instead (standing still, no compass), never read as
// far as it goes.
TEST(DevicesLocation, UnusableCoursesAndHeadingsAreNamedOnceAndTakeNothing) {
  struct Course {
    const char* text;
    double speed, course;  // taken, or 0 when refused
    bool refused;
  };
  const Course courses[] = {{"100,90", 100, 90, false},  {"0,360", 0, 360, false}, {"1000,0", 1000, 0, false},
                            {"100", 0, 0, true},         {"100,90,5", 0, 0, true}, {"-5,90", 0, 0, true},
                            {"1000.5,0", 0, 0, true},    {"100,361", 0, 0, true},  {"100,90 km", 0, 0, true},
                            {"nan,90", 0, 0, true},      {" 100,90", 0, 0, true},  {"fast", 0, 0, true}};
  for (const Course& c : courses) {
    SCOPED_TRACE(c.text);
    dev::LocationConfiguration read;
    const std::string said = saidReading("TESSALY_LOCATION_COURSE", c.text,
                                         [&] { read = dev::LocationConfiguration::fromEnvironment(); });
    EXPECT_EQ(said, c.refused ? "TESSALY_LOCATION_COURSE=\"" + std::string(c.text) +
                                    "\" is not a speed,course of 0 to 1000 metres per second and 0 to 360 "
                                    "degrees; using 0,0\n"
                              : "");
    EXPECT_EQ(read.speed, c.speed);
    EXPECT_EQ(read.course, c.course);
  }
  struct Heading {
    const char* text;
    std::optional<double> taken;
  };
  const Heading headings[] = {{"90", 90.0},         {"0", 0.0},           {"360", 0.0},
                              {"359.5", 359.5},     {"-90", std::nullopt}, {"400", std::nullopt},
                              {"north", std::nullopt}, {"12abc", std::nullopt}, {"inf", std::nullopt}};
  for (const Heading& h : headings) {
    SCOPED_TRACE(h.text);
    dev::LocationConfiguration read;
    const std::string said =
        saidReading("TESSALY_HEADING", h.text, [&] { read = dev::LocationConfiguration::fromEnvironment(); });
    EXPECT_EQ(said, h.taken ? "" : "TESSALY_HEADING=\"" + std::string(h.text) +
                                       "\" is not a heading from 0 to 360 degrees; using no heading\n");
    EXPECT_EQ(read.heading, h.taken);
  }
}

TEST(DevicesCamera, AnUnusableFieldOfViewIsNamedOnceAndTheLensKept) {
  struct FieldOfView {
    const char* text;
    double taken;
    bool refused;
  };
  const FieldOfView fields[] = {{"50", 50, false},    {"1", 1, false},        {"179", 179, false},
                                {"0.5", 63.4, true},  {"180", 63.4, true},    {"wide", 63.4, true},
                                {"50deg", 63.4, true}, {"-50", 63.4, true}};
  for (const FieldOfView& f : fields) {
    SCOPED_TRACE(f.text);
    std::shared_ptr<dev::CaptureDevice> device;
    const std::string said =
        saidReading("TESSALY_CAMERA_FOV", f.text, [&] { device = dev::CaptureDevice::defaultVideoDevice(); });
    EXPECT_EQ(said, f.refused ? "TESSALY_CAMERA_FOV=\"" + std::string(f.text) +
                                    "\" is not a field of view from 1 to 179 degrees; using 63.4\n"
                              : "");
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->fieldOfView(), f.taken);
  }
}

TEST(DevicesGeocoder, BuiltInCitiesAndBordersAnswerOffline) {
  Loop loop;
  tessaly::test::TempDir dir;
  writeBorders(dir.file("borders"));
  dev::Geocoder::setBordersPath(dir.file("borders"));
  initLocationDatabase(0);
  int checked = 0;
  for (int row : {0, 17, 400, 1200, 2500, cityCount() - 1}) {
    Location city{};
    ASSERT_TRUE(getCityLocation(row, &city));
    std::string error;
    auto p = dev::Geocoder::placemarkFor(city.latitude, city.longitude, &error);
    ASSERT_TRUE(p) << error;
    EXPECT_EQ(p->name, city.name) << row;
    EXPECT_EQ(p->locality, city.name);
    EXPECT_EQ(p->isoCountryCode, std::string({char(city.countryCode / 256), char(city.countryCode % 256)})) << row;
    ++checked;
  }
  EXPECT_EQ(checked, 6);
  auto inside = dev::Geocoder::placemarkFor(12, 31, nullptr);
  ASSERT_TRUE(inside);
  EXPECT_EQ(inside->country, "Testland");
  EXPECT_EQ(inside->administrativeArea, "Testland");
  EXPECT_EQ(inside->isoCountryCode, "TL");
  auto lake = dev::Geocoder::placemarkFor(15, 35, nullptr);
  ASSERT_TRUE(lake);
  EXPECT_EQ(lake->country, "");  // the hole is not the country
  EXPECT_EQ(lake->administrativeArea, "");
  std::string error;
  EXPECT_FALSE(dev::Geocoder::placemarkFor(std::nan(""), 0, &error));
  EXPECT_EQ(error, "kCLErrorGeocodeFoundNoResult");
  // The asynchronous form answers on the loop, one request at a time.
  dev::Geocoder geocoder;
  std::vector<std::string> answers;
  geocoder.reverseGeocode(12, 31, [&](auto& places, auto&) { answers.push_back(places.empty() ? "-" : places[0].country); });
  geocoder.reverseGeocode(12, 31, [&](auto&, auto& e) { answers.push_back(e); });
  EXPECT_TRUE(geocoder.isGeocoding());
  loop.run(0.1);
  EXPECT_EQ(answers, (std::vector<std::string>{"Testland", "kCLErrorNetwork"}));
  dev::Geocoder::setBordersPath("");
}

TEST(DevicesMapView, RegionsAreSanePointsConvertAndPinsShowCallouts) {
  Loop loop;
  tessaly::test::TempDir dir;
  writeBorders(dir.file("borders"));
  ui::Application::shared().reset();
  auto map = std::make_shared<dev::MapView>(ui::Rect{0, 0, 400, 200});
  map->bordersPath = dir.file("borders");
  // A stored latitude may be anything: the map clamps it.
  for (double lat : {1e9, std::numeric_limits<double>::infinity(), -95.0, std::nan("")}) {
    map->setRegion({{lat, 20}, 10, 20});
    EXPECT_TRUE(std::isfinite(map->region().center.latitude));
    EXPECT_LE(std::fabs(map->region().center.latitude), 85);
  }
  map->setRegion({{15, 35}, 20, 40});
  ui::Point p = map->convertCoordinateToPoint({15, 35});
  EXPECT_NEAR(p.x, 200, 1e-9);
  EXPECT_NEAR(p.y, 100, 1e-9);
  const dev::MapRegion shown = map->region();
  dev::Coordinate c = map->convertPointToCoordinate({100, 50});
  EXPECT_NEAR(c.latitude, 15 + shown.latitudeDelta / 4, 1e-9);
  EXPECT_NEAR(c.longitude, 35 - shown.longitudeDelta / 4, 1e-9);
  // Land, lake and sea where the shapefile puts them.
  auto window = std::make_shared<ui::Window>(ui::Rect{0, 0, 400, 200});
  window->addSubview(map);
  window->makeKeyAndVisible();
  auto image = window->snapshot(1);
  auto at = [&](dev::Coordinate where) {
    ui::Point q = map->convertCoordinateToPoint(where);
    return image->pixel(std::size_t(q.x), std::size_t(q.y));
  };
  EXPECT_EQ(at({12, 31}).b, 209);  // land (0.82)
  EXPECT_EQ(at({15, 35}).b, 230);  // the lake: sea (0.9)
  EXPECT_EQ(at({25, 35}).b, 230);  // sea
  // A tap on a pin selects it and shows its title.
  map->addAnnotation({{12, 31}, "Observatory", ""});
  ui::Point pin = map->convertCoordinateToPoint({12, 31});
  ui::Application::shared().handleTouches({{1, ui::TouchPhase::began, {pin.x, pin.y - 12}}}, 0);
  ui::Application::shared().handleTouches({{1, ui::TouchPhase::ended, {pin.x, pin.y - 12}}}, 0.05);
  EXPECT_EQ(map->selectedAnnotation(), 0);
  ui::Application::shared().handleTouches({{1, ui::TouchPhase::began, {390, 10}}}, 1);
  ui::Application::shared().handleTouches({{1, ui::TouchPhase::ended, {390, 10}}}, 1.05);
  EXPECT_EQ(map->selectedAnnotation(), -1);
  ui::Application::shared().reset();
}

// Land and sea pixels of the map in a window of its own.
struct MapColours {
  int land = 0, sea = 0;
};
MapColours coloursOf(ui::Window& window) {
  auto image = window.snapshot(1);
  MapColours counted;
  for (std::size_t y = 0; y < image->height(); y += 4)
    for (std::size_t x = 0; x < image->width(); x += 4) {
      const auto b = image->pixel(x, y).b;
      counted.land += b == 209;
      counted.sea += b == 230;
    }
  return counted;
}

TEST(DevicesMapView, ARegionKeepsTheLandsShapesOpensWhereTheBordersShowAndZoomsToADegree) {
  Loop loop;
  tessaly::test::TempDir dir;
  writeBorders(dir.file("borders"));
  ui::Application::shared().reset();
  auto window = std::make_shared<ui::Window>(ui::Rect{0, 0, 300, 460});
  auto map = std::make_shared<dev::MapView>(ui::Rect{0, 0, 300, 460});
  map->bordersPath = dir.file("borders");
  window->addSubview(map);
  window->makeKeyAndVisible();
  // A degree around a point 1.5 degrees inside Testland's east coast, as a
  // place's picker asks for it: the coast is in view.
  map->setRegion({{15, 38.5}, 1, 1});
  EXPECT_NEAR(map->region().center.latitude, 15, 1e-9);
  EXPECT_NEAR(map->region().center.longitude, 38.5, 1e-9);
  MapColours opened = coloursOf(*window);
  EXPECT_GT(opened.land, 100);
  EXPECT_GT(opened.sea, 100);
  // 100 km north and 100 km east of the centre lie equally far from it on
  // the screen (a spherical Earth, 111.2 km to the degree of latitude).
  for (double lat : {15.0, 60.0}) {
    map->setRegion({{lat, 38.5}, 12, 3});
    const double degrees = 100 / 111.2;
    const ui::Point centre = map->convertCoordinateToPoint({lat, 38.5});
    const ui::Point north = map->convertCoordinateToPoint({lat + degrees, 38.5});
    const ui::Point east = map->convertCoordinateToPoint({lat, 38.5 + degrees / std::cos(lat * M_PI / 180)});
    EXPECT_NEAR(std::hypot(north.x - centre.x, north.y - centre.y), std::hypot(east.x - centre.x, east.y - centre.y),
                0.5)
        << lat;
    EXPECT_GE(map->region().latitudeDelta, 12 - 1e-9) << "a wider region than asked, never a narrower one";
  }
  // Pinched far in about the centre: a degree, no closer; then dragged.
  map->setRegion({{15, 38.5}, 1, 1});
  ui::Application& app = ui::Application::shared();
  double t = 10;
  app.handleTouches({{1, ui::TouchPhase::began, {140, 230}}, {2, ui::TouchPhase::began, {160, 230}}}, t);
  for (int i = 1; i <= 10; ++i)
    app.handleTouches({{1, ui::TouchPhase::moved, {140.0 - 14 * i, 230}}, {2, ui::TouchPhase::moved, {160.0 + 14 * i, 230}}},
                      t += 0.02);
  app.handleTouches({{1, ui::TouchPhase::ended, {0, 230}}, {2, ui::TouchPhase::ended, {300, 230}}}, t += 0.02);
  EXPECT_NEAR(map->region().center.latitude, 15, 1e-9) << "a pinch about the centre keeps it";
  EXPECT_NEAR(map->region().center.longitude, 38.5, 1e-9);
  EXPECT_NEAR(map->region().latitudeDelta, 1, 1e-9);
  const double across = map->region().longitudeDelta;
  app.handleTouches({{3, ui::TouchPhase::began, {150, 230}}}, t += 1);
  for (int i = 1; i <= 10; ++i) app.handleTouches({{3, ui::TouchPhase::moved, {150.0 - 3 * i, 230.0 + 2 * i}}}, t += 0.02);
  app.handleTouches({{3, ui::TouchPhase::ended, {120, 250}}}, t += 0.02);
  loop.run(0.1);
  // The ground follows the finger: 30 points left and 20 down.
  EXPECT_NEAR(map->region().center.latitude, 15 + 20.0 / 460, 1e-9);
  EXPECT_NEAR(map->region().center.longitude, 38.5 + 30.0 / 300 * across, 1e-9);
  EXPECT_NEAR(map->region().latitudeDelta, 1, 1e-9);
  ui::Application::shared().reset();
}

// Gives every pin a purple view without a callout and records the reports.
class PinViews : public dev::MapViewDelegate {
 public:
  std::optional<dev::PinAnnotationView> viewForAnnotation(dev::MapView&, std::size_t index) override {
    asked.push_back(index);
    return dev::PinAnnotationView{"annotation1", dev::PinAnnotationView::PinColor::purple, true, false};
  }
  void didAddAnnotationViews(dev::MapView&, const std::vector<std::size_t>& added) override { reports.push_back(added); }
  std::vector<std::size_t> asked;
  std::vector<std::vector<std::size_t>> reports;
};

TEST(DevicesMapView, PinsTakeTheirViewsFromTheDelegateAndAreReportedOnTheNextPass) {
  Loop loop;
  ui::Application::shared().reset();
  PinViews views;
  auto map = std::make_shared<dev::MapView>(ui::Rect{0, 0, 400, 200});
  map->bordersPath = "/nonexistent";
  map->delegate = &views;
  map->setRegion({{0, 0}, 20, 40});
  map->addAnnotation({{0, 0}, "A", ""});
  map->addAnnotation({{5, 5}, "B", ""});
  EXPECT_EQ(views.asked, (std::vector<std::size_t>{0, 1}));
  EXPECT_TRUE(views.reports.empty());  // not before the loop turns
  loop.run(0.05);
  ASSERT_EQ(views.reports.size(), 1u);
  EXPECT_EQ(views.reports[0], (std::vector<std::size_t>{0, 1}));
  ASSERT_NE(map->viewForAnnotation(1), nullptr);
  EXPECT_EQ(map->viewForAnnotation(1)->reuseIdentifier, "annotation1");
  EXPECT_EQ(map->viewForAnnotation(2), nullptr);
  // Pins removed before the pass are never reported.
  map->addAnnotation({{1, 1}, "C", ""});
  map->removeAllAnnotations();
  loop.run(0.05);
  EXPECT_EQ(views.reports.size(), 1u);
  EXPECT_EQ(map->viewForAnnotation(0), nullptr);

  // The pin is purple; selected without a callout it shows no bubble, with
  // one it shows the title over the subtitle.
  auto window = std::make_shared<ui::Window>(ui::Rect{0, 0, 400, 200});
  window->addSubview(map);
  window->makeKeyAndVisible();
  map->addAnnotation({{0, 0}, "Dropped Pin", ""});
  map->selectAnnotation(0);
  auto image = window->snapshot(1);
  const ui::Point pin = map->convertCoordinateToPoint({0, 0});
  const cg::Pixel head = image->pixel(std::size_t(pin.x), std::size_t(pin.y - 12));
  EXPECT_GT(head.b, head.g + 60);  // purple: blue and red over green
  EXPECT_GT(head.r, head.g + 60);
  const cg::Pixel above = image->pixel(std::size_t(pin.x) - 60, std::size_t(pin.y - 72));
  EXPECT_LT(above.r, 250);  // the sea, no white bubble
  map->viewForAnnotation(0)->canShowCallout = true;
  map->setAnnotationTexts(0, "Dropped Pin", "Cairo, Cairo, Egypt");
  EXPECT_EQ(map->annotations()[0].subtitle, "Cairo, Cairo, Egypt");
  image = window->snapshot(1);
  const cg::Pixel bubble = image->pixel(std::size_t(pin.x) - 60, std::size_t(pin.y - 72));
  EXPECT_GT(bubble.r, 240);
  EXPECT_GT(bubble.g, 240);
  map->delegate = nullptr;
  ui::Application::shared().reset();
}

TEST(DevicesMotion, TheInjectedAttitudeIsWhatTheManagerReports) {
  Loop loop;
  dev::MotionManager manager;
  EXPECT_FALSE(manager.deviceMotion());
  dev::MotionManager::injectAttitude({0.1, 0.2, 0.3});
  int updates = 0;
  manager.startDeviceMotionUpdates([&](const dev::DeviceMotion& m) {
    ++updates;
    EXPECT_EQ(m.attitude.yaw, 0.3);
  });
  loop.run(1.0);
  EXPECT_NEAR(updates, 30, 1);
  double r[3][3];
  manager.deviceMotion()->attitude.rotationMatrix(r);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      double dot = 0;
      for (int k = 0; k < 3; ++k) dot += r[i][k] * r[j][k];
      EXPECT_NEAR(dot, i == j ? 1 : 0, 1e-12);
    }
  // Held facing the horizon: upright, gravity runs down the device.
  dev::MotionManager::holdFacing(0.1, 0);
  auto level = manager.deviceMotion();
  EXPECT_NEAR(level->gravity[1], -1, 1e-12);
  manager.stopDeviceMotionUpdates();
}

// A second of a 440 Hz tone, 16-bit mono, 22050 a second.
std::string toneWav() {
  const int rate = 22050, frames = rate;
  std::string data;
  for (int i = 0; i < frames; ++i) {
    short v = short(8000 * std::sin(2 * 3.141592653589793 * 440 * i / rate));
    data.append(reinterpret_cast<const char*>(&v), 2);
  }
  auto u32 = [](unsigned v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [](unsigned short v) { return std::string(reinterpret_cast<const char*>(&v), 2); };
  return "RIFF" + u32(36 + unsigned(data.size())) + "WAVEfmt " + u32(16) + u16(1) + u16(1) + u32(rate) +
         u32(rate * 2) + u16(2) + u16(16) + "data" + u32(unsigned(data.size())) + data;
}

TEST(DevicesSound, PlayersPlayPauseAndStopOnTheDummyAudioDriver) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  tessaly::test::TempDir dir;
  const std::string path = dir.file("SelectObject2.wav");
  ASSERT_TRUE(ns::writeFileAtomically(path, toneWav()));
  std::string message;
  auto player = dev::AudioPlayer::fromFile(path, &message);
  ASSERT_TRUE(player) << message;
  // Python's wave module as the oracle of the length.
  FILE* pipe = ::popen(("/usr/bin/python3 -c 'import wave,sys; w=wave.open(sys.argv[1]); print(w.getnframes()/w.getframerate())' " + path).c_str(), "r");
  double seconds = 0;
  ASSERT_EQ(std::fscanf(pipe, "%lf", &seconds), 1);
  ::pclose(pipe);
  EXPECT_NEAR(player->duration(), seconds, 0.01);
  player->setVolume(0.3);
  player->numberOfLoops = -1;
  ASSERT_TRUE(player->play());
  EXPECT_TRUE(player->isPlaying());
  player->pause();
  EXPECT_FALSE(player->isPlaying());
  ASSERT_TRUE(player->play());
  EXPECT_TRUE(player->isPlaying());
  player->stop();
  EXPECT_FALSE(player->isPlaying());
  player->setVolume(7);
  EXPECT_EQ(player->volume(), 1);
  ASSERT_TRUE(ns::writeFileAtomically(dir.file("bad.wav"), "RIFF....WAVEjunk"));
  EXPECT_FALSE(dev::AudioPlayer::fromFile(dir.file("bad.wav"), &message));
  EXPECT_NE(message.find("bad.wav"), std::string::npos);
}

class FrameRecorder : public dev::VideoOutputDelegate {
 public:
  explicit FrameRecorder(ns::SerialQueue& queue) : queue_(queue) {}
  void didOutputFrame(const dev::CameraFrame& frame) override {
    std::lock_guard lock(mutex);
    if (!queue_.isCurrent()) offQueue = true;
    sizes.push_back({frame.width, frame.height});
    indices.push_back(frame.index);
  }
  std::mutex mutex;
  std::vector<std::pair<std::size_t, std::size_t>> sizes;
  std::vector<std::uint64_t> indices;
  bool offQueue = false;

 private:
  ns::SerialQueue& queue_;
};

TEST(DevicesCamera, FramesComeOnTheirQueueOnlyWhenAllowed) {
  ns::SerialQueue queue("captureQueue");
  FrameRecorder recorder(queue);
  dev::CaptureSession session;
  ASSERT_TRUE(session.setSessionPreset("AVCaptureSessionPreset640x480"));
  EXPECT_FALSE(session.setSessionPreset("AVCaptureSessionPresetPhoto"));
  auto device = dev::CaptureDevice::defaultVideoDevice();
  EXPECT_NEAR(device->fieldOfView(), 63.4, 1e-12);
  session.addInput(device);
  session.setVideoOutput(&recorder, &queue);
  dev::configureAuthorization(dev::Service::camera, dev::AuthorizationStatus::denied, dev::AuthorizationStatus::denied);
  session.startRunning();
  EXPECT_FALSE(session.isRunning());
  dev::configureAuthorization(dev::Service::camera, dev::AuthorizationStatus::authorizedWhenInUse,
                              dev::AuthorizationStatus::authorizedWhenInUse);
  // While the frame queue is suspended the frames wait on it.
  queue.suspend();
  session.startRunning();
  ASSERT_TRUE(session.isRunning());
  EXPECT_TRUE(waitUntil([&] { return queue.pendingCount() >= 3; }));
  {
    std::lock_guard lock(recorder.mutex);
    EXPECT_TRUE(recorder.indices.empty());
  }
  queue.resume();
  EXPECT_TRUE(waitUntil([&] {
    std::lock_guard lock(recorder.mutex);
    return recorder.indices.size() >= 6;
  }));
  session.stopRunning();
  queue.sync([] {});
  std::lock_guard lock(recorder.mutex);
  EXPECT_GE(recorder.indices.size(), 6u);
  EXPECT_FALSE(recorder.offQueue);
  for (std::size_t i = 0; i < recorder.indices.size(); ++i) {
    EXPECT_EQ(recorder.indices[i], i);
    EXPECT_EQ(recorder.sizes[i], (std::pair<std::size_t, std::size_t>{640, 480}));
  }
}

TEST(DevicesSpeech, TypedPhrasesArriveAsPartialThenFinalResults) {
  Loop loop;
  dev::SpeechRecognizer recognizer("en-US");
  EXPECT_TRUE(recognizer.isAvailable());
  EXPECT_FALSE(dev::SpeechRecognizer("fr-FR").isAvailable());
  dev::configureAuthorization(dev::Service::speech, dev::AuthorizationStatus::notDetermined,
                              dev::AuthorizationStatus::denied);
  std::vector<std::string> heard;
  auto refused = recognizer.recognitionTask([&](const dev::RecognitionResult* r, const std::string& e) {
    heard.push_back(r ? r->text : "error: " + e);
  });
  EXPECT_FALSE(refused);
  loop.run(0.1);
  EXPECT_EQ(heard, (std::vector<std::string>{"error: speech recognition is not authorised"}));
  heard.clear();
  dev::AuthorizationStatus answer{};
  dev::configureAuthorization(dev::Service::speech, dev::AuthorizationStatus::notDetermined,
                              dev::AuthorizationStatus::authorizedWhenInUse);
  dev::SpeechRecognizer::requestAuthorization([&](dev::AuthorizationStatus s) { answer = s; });
  loop.run(0.1);
  EXPECT_EQ(answer, dev::AuthorizationStatus::authorizedWhenInUse);
  std::atomic<int> buffers{0};
  dev::AudioEngine engine;
  engine.installTap(1024, [&](const dev::AudioBuffer& b) {
    if (b.samples.size() == 1024 && b.samples[100] == 0.0f) ++buffers;
  });
  ASSERT_TRUE(engine.start());
  auto task = recognizer.recognitionTask([&](const dev::RecognitionResult* r, const std::string&) {
    heard.push_back(std::string(r->isFinal ? "final: " : "") + r->text);
  });
  ASSERT_TRUE(task);
  dev::SpeechRecognizer::hear("  show   the moon ");
  EXPECT_TRUE(heard.empty());
  loop.run(0.1);
  EXPECT_EQ(heard, (std::vector<std::string>{"show", "show the", "final: show the moon"}));
  task->cancel();
  dev::SpeechRecognizer::hear("nobody listens");
  loop.run(0.1);
  EXPECT_EQ(heard.size(), 3u);
  // The tap runs on its own thread, which a loaded machine may hold back.
  EXPECT_TRUE(waitUntil([&] { return buffers.load() > 1; }));
  engine.stop();
}

}  // namespace
