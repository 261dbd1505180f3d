// The settings model's setters against a real chart: every row of the
// setter table in and out of its perspective, the time-flow step, the
// process's default zone, the chart screen brought in line after a read,
// and the device's position through the location stand-in.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <functional>

#include "chart/sky_chart.h"
#include "engine/angles.h"
#include "engine/clock.h"
#include "engine/locations.h"
#include "engine/sky_time.h"
#include "platform/devices/authorization.h"
#include "platform/foundation/date.h"
#include "skydata/application_database.h"
#include "tests/chart/sky_fixture.h"
#include "ui/foundation/settings_model.h"
#include "ui_foundation_support.h"

namespace {

using uifoundation::FakeChartViewController;

// The engine's degree (the one the model converts with).
constexpr double kDegree = 0.01745329251993889;

class ModelWorld {
 public:
  ModelWorld() : chart(sky.chart(800, 600, 0, 0, 60)), controller(chart.get()), settings(&controller) {
    initLocationDatabase(0);  // the cities that choose daylight-saving rules
    controller.setSettings(&settings);
    setApplicationSkyDatabase(&sky.database());
    ChartViewController::setCurrentController(&controller);
  }
  ~ModelWorld() {
    setApplicationSkyDatabase(nullptr);
    ns::TimeZone::resetDefaultTimeZone();
  }
  uifoundation::World world;
  chart_test::ChartSky sky;
  std::unique_ptr<CSkyChart> chart;
  FakeChartViewController controller;
  Settings settings;
};

// One setter of the table: the chart field it writes, read and primed as
// a number, and the value it writes for on and off.
struct Row {
  const char* name;
  int perspective;  // 0 every perspective, -3 every one but the satellite view
  std::function<void(Settings&, bool)> set;
  std::function<double(CSkyChart&)> read;
  std::function<void(CSkyChart&, double)> prime;
  std::function<double(bool)> written;
  bool recomputes = false;
};

template <typename T, typename Owner>
Row field(const char* name, int perspective, void (Settings::*set)(bool), T Owner::*member,
          std::function<double(bool)> written = [](bool on) { return on ? 1.0 : 0.0; }, bool recomputes = false) {
  return {name,
          perspective,
          [set](Settings& s, bool on) { (s.*set)(on); },
          [member](CSkyChart& c) { return double(c.*member); },
          [member](CSkyChart& c, double v) { c.*member = T(v); },
          std::move(written),
          recomputes};
}

double inverse(bool on) { return on ? 0.0 : 1.0; }

TEST(UiFoundationSettingsModel, EverySetterReachesTheChartOnlyInItsPerspective) {
  ModelWorld w;
  const std::vector<Row> rows = {
      field("RealisticHorizon", 1, &Settings::setRealisticHorizon, &CSkyChart::horizonStyle,
            [](bool on) { return on ? 4.0 : 2.0; }),
      field("ShowDaylight", 1, &Settings::setShowDaylight, &CSkyChart::showDaylight),
      field("ShowSelectedOnlySky", 1, &Settings::setShowSelectedOnlySky, &CSkyChart::showSatellites, inverse),
      field("ShowPlanetAtmospheresOrbit", 2, &Settings::setShowPlanetAtmospheresOrbit, &CSkyChart::showPlanetAtmospheres),
      field("ShowPlanetAtmospheresSat", 3, &Settings::setShowPlanetAtmospheresSat, &CSkyChart::showPlanetAtmospheres),
      field("ShowPlanetAtmospheresGround", 4, &Settings::setShowPlanetAtmospheresGround,
            &CSkyChart::showPlanetAtmospheres),
      field("ShowPlanetPhasesOrbit", 2, &Settings::setShowPlanetPhasesOrbit, &CSkyChart::showPlanetPhases),
      field("ShowPlanetPhasesSat", 3, &Settings::setShowPlanetPhasesSat, &CSkyChart::showPlanetPhases),
      field("ShowPlanetPhasesGround", 4, &Settings::setShowPlanetPhasesGround, &CSkyChart::showPlanetPhases),
      field("ShowPlanetSurfaceFeaturesOrbit", 2, &Settings::setShowPlanetSurfaceFeaturesOrbit,
            &CSkyChart::showPlanetSurfaceFeatures),
      field("ShowPlanetSurfaceFeaturesSat", 3, &Settings::setShowPlanetSurfaceFeaturesSat,
            &CSkyChart::showPlanetSurfaceFeatures),
      field("ShowPlanetSurfaceFeaturesGround", 4, &Settings::setShowPlanetSurfaceFeaturesGround,
            &CSkyChart::showPlanetSurfaceFeatures),
      field("ShowSelectedOnlyOrbit", 2, &Settings::setShowSelectedOnlyOrbit, &CSkyChart::showSatellites, inverse, true),
      field("ShowSelectedOnlySat", 3, &Settings::setShowSelectedOnlySat, &CSkyChart::showSatellites, inverse),
      field("ShowSelectedOnlyGround", 4, &Settings::setShowSelectedOnlyGround, &CSkyChart::showSatellites, inverse),
      field("ShowSatelliteNamesOrbit", 2, &Settings::setShowSatelliteNamesOrbit, &CSkyChart::showMinorPlanetNames),
      field("ShowSatelliteNamesGround", 4, &Settings::setShowSatelliteNamesGround, &CSkyChart::showMinorPlanetNames),
      field("SatelliteNamesGround", 4, &Settings::setSatelliteNamesGround, &CSkyChart::showMinorPlanetNames),
      field("ShowEarthRotationOrbit", 2, &Settings::setShowEarthRotationOrbit, &CSkyChart::followHomePlanet),
      field("ShowEarthRotationGround", 4, &Settings::setShowEarthRotationGround, &CSkyChart::followHomePlanet),
      {"ShowEarthRotationOrbit (system)", 2, [](Settings& s, bool on) { s.setShowEarthRotationOrbit(on); },
       [](CSkyChart& c) { return double(c.getDisplayCoordSystem()); },
       [](CSkyChart& c, double v) { c.setDisplayCoordSystem(int(v)); }, [](bool on) { return on ? 1.0 : 5.0; }},
      {"ShowEarthRotationGround (system)", 4, [](Settings& s, bool on) { s.setShowEarthRotationGround(on); },
       [](CSkyChart& c) { return double(c.getDisplayCoordSystem()); },
       [](CSkyChart& c, double v) { c.setDisplayCoordSystem(int(v)); }, [](bool on) { return on ? 1.0 : 5.0; }},
      field("ShowNightCityLights", 0, &Settings::setShowNightCityLights, &CSkyChart::earthStyle),
      field("ShowUserLocation", 0, &Settings::setShowUserLocation, &CSkyChart::showUserLocationMarker),
      field("ShowStarNames", 0, &Settings::setShowStarNames, &CSkyChart::showStarNames),
      field("ShowPlanetNames", 0, &Settings::setShowPlanetNames, &CSkyChart::showPlanetNames),
      field("ShowDeepSkyObjects", 0, &Settings::setShowDeepSkyObjects, &CSkyChart::showDeepSkyObjects),
      field("ShowPlanetOrbits", 0, &Settings::setShowPlanetOrbits, &CSkyChart::showPlanetOrbits,
            [](bool on) { return on ? 1.0 : 0.0; }, true),
      field("ShowMoonOrbits", 0, &Settings::setShowMoonOrbits, &CSkyChart::showMoonOrbits,
            [](bool on) { return on ? 1.0 : 0.0; }, true),
      field("ShowSelectedOrbit", -3, &Settings::setShowSelectedOrbit, &CSkyChart::showSelectedObjectOrbit,
            [](bool on) { return on ? 1.0 : 0.0; }, true),
      {"ShowSatVisCircles", 0, [](Settings& s, bool on) { s.setShowSatVisCircles(on ? 1 : 0); },
       [](CSkyChart& c) { return double(c.satelliteVisibilityCircles); },
       [](CSkyChart& c, double v) { c.satelliteVisibilityCircles = int(v); }, [](bool on) { return on ? 1.0 : 0.0; }},
  };
  int checked = 0;
  for (const Row& row : rows) {
    for (int perspective = 1; perspective <= 4; ++perspective) {
      w.settings.setChartPerspective(perspective);
      const bool acts = row.perspective == 0 || row.perspective == perspective ||
                        (row.perspective == -3 && perspective != 3);
      for (bool on : {true, false}) {
        const double other = row.written(!on);
        row.prime(*w.chart, other);
        w.chart->updateNeeded = false;
        row.set(w.settings, on);
        EXPECT_EQ(row.read(*w.chart), acts ? row.written(on) : other)
            << row.name << " in perspective " << perspective << " set " << on;
        if (row.recomputes) {
          EXPECT_EQ(w.chart->updateNeeded, acts) << row.name << " " << perspective;
        }
        ++checked;
      }
    }
  }
  EXPECT_EQ(checked, int(rows.size()) * 8);
  // The stored values are kept in every perspective.
  w.settings.setChartPerspective(1);
  w.settings.setShowPlanetPhasesOrbit(true);
  EXPECT_TRUE(w.settings.showPlanetPhasesOrbit());
}

TEST(UiFoundationSettingsModel, SkyViewSatelliteNamesHighlightOnTheChartView) {
  ModelWorld w;
  for (int perspective : {2, 3, 4, 1}) {
    w.settings.setChartPerspective(perspective);
    w.settings.setShowSatelliteNamesSky(true);
  }
  w.settings.setShowSatelliteNamesSky(false);
  EXPECT_EQ(w.controller.fakeView().calls, (std::vector<std::string>{"highlightSatellites:1", "highlightSatellites:0"}));
}

TEST(UiFoundationSettingsModel, OptionsAndFlagsThatHaveMoreThanOneField) {
  ModelWorld w;
  // Magnitudes above 24.9 are no limit.
  w.settings.setPlanetMagnitudeLimit(25);
  EXPECT_EQ(w.chart->planetMagLimit, INFINITY);
  w.settings.setPlanetMagnitudeLimit(24.9f);
  EXPECT_EQ(w.chart->planetMagLimit, 24.9f);
  EXPECT_EQ(w.settings.planetMagnitudeLimit(), 24.9f);

  // The constellation switch keeps the four kinds.
  w.settings.setShowConstellations(true);
  w.settings.setShowTraditionalConstellations(true);
  w.settings.setShowModernConstellations(false);
  w.settings.setShowMythicalConstellations(true);
  w.settings.setShowBoundaryConstellations(false);
  w.chart->showConstellations = false;
  w.settings.setShowConstellations(false);
  EXPECT_FALSE(w.chart->showConstellationsTraditional || w.chart->showConstellationsModern ||
               w.chart->showConstellationsMythical || w.chart->showConstellationsBoundary);
  EXPECT_TRUE(w.settings.showTraditionalConstellations());
  w.settings.setShowBoundaryConstellations(true);  // stored, hidden by the switch
  EXPECT_FALSE(w.chart->showConstellationsBoundary);
  w.settings.setShowConstellations(true);
  EXPECT_TRUE(w.chart->showConstellationsTraditional);
  EXPECT_FALSE(w.chart->showConstellationsModern);
  EXPECT_TRUE(w.chart->showConstellationsMythical);
  EXPECT_TRUE(w.chart->showConstellationsBoundary);
  EXPECT_FALSE(w.chart->showConstellations);  // never touched

  // One grid flag, the system's.
  auto grids = [&] {
    std::string flags;
    for (int s = 1; s <= 4; ++s) flags += w.chart->showCoordGrid[s] ? '1' : '0';
    return flags;
  };
  w.settings.setGridCoordSystem(3);
  w.settings.setShowGrid(true);
  EXPECT_TRUE(w.chart->showGrid);
  EXPECT_EQ(grids(), "0010");
  w.settings.setGridCoordSystem(2);
  EXPECT_EQ(grids(), "0100");
  w.settings.setGridCoordSystem(7);
  EXPECT_EQ(grids(), "0000");
  w.settings.setGridCoordSystem(1);
  w.settings.setShowGrid(false);
  EXPECT_EQ(grids(), "0000");
  EXPECT_FALSE(w.chart->showGrid);

  // Perspectives: codes 1-4 move the record; others are kept but do not.
  w.settings.setChartPerspective(2);
  w.settings.setDisplayFOV(40);
  EXPECT_NEAR(w.chart->getDisplayFOV(), 40 * kDegree, 1e-15);
  w.settings.setDisplayCenterLon(12);
  w.settings.setChartPerspective(9);
  EXPECT_EQ(w.settings.chartPerspective(), 9);
  EXPECT_EQ(w.settings.displayCenterLon(), 12);
  EXPECT_EQ(w.settings.displayFOV(), 40);
  w.settings.setChartPerspective(3);
  EXPECT_EQ(w.settings.displayCenterLon(), 0);
  EXPECT_EQ(w.settings.orbitPerspectiveData().displayCenterLon, 12);

  // A tablet has no automatic stereo view.
  w.settings.setAutoVR(true);
  EXPECT_TRUE(w.settings.autoVR());
  ui::DeviceConfiguration tablet;
  tablet.idiom = ui::Idiom::pad;
  ui::Screen::main().configure(tablet);
  EXPECT_FALSE(w.settings.autoVR());
  w.settings.setAutoVR(true);
  EXPECT_FALSE(w.settings.autoVR());

  // Sound effects start and pause the ambient sound.
  auto& delegate = w.world.installDelegate();
  w.settings.setSoundEffects(true);
  w.settings.setSoundEffects(false);
  EXPECT_EQ(delegate.calls, (std::vector<std::string>{"playAmbientSound", "pauseAmbientSound"}));
}

TEST(UiFoundationSettingsModel, PlaceAndTimeReachTheEngineAndTheDefaultZone) {
  ModelWorld w;
  w.settings.setLongitude(151.2);
  w.settings.setLatitude(-33.87);
  w.settings.setAltitude(58);
  EXPECT_EQ(w.chart->longitude, 151.2 * kDegree);
  EXPECT_EQ(w.chart->latitude, -33.87 * kDegree);
  EXPECT_EQ(w.chart->altitude, 58);
  w.settings.setJulianDate(2460000.25);
  EXPECT_EQ(w.chart->julianDate, 2460000.25);
  w.settings.setTimeZone(10);
  EXPECT_EQ(w.chart->timeZone, 10.0 / 24);
  w.settings.setAutoDST(false);
  EXPECT_EQ(w.chart->dstRule, 0);
  EXPECT_EQ(ns::TimeZone::defaultTimeZone().secondsFromGMT(), 36000);
  // Sydney's rule puts a January date in daylight saving time: one hour more.
  w.settings.setAutoDST(true);
  ASSERT_NE(dstRuleForLocation(151.2 * kDegree, -33.87 * kDegree), 0);
  EXPECT_EQ(int(w.chart->dstRule), dstRuleForLocation(151.2 * kDegree, -33.87 * kDegree));
  w.settings.setJulianDate(2459960.5);  // 2023-01-20
  ASSERT_EQ(w.chart->dstInEffect, 1);
  EXPECT_EQ(ns::TimeZone::defaultTimeZone().secondsFromGMT(), 39600);
  w.settings.setAutoDST(false);
  w.settings.setTimeZone(5.75);
  EXPECT_EQ(ns::TimeZone::defaultTimeZone().secondsFromGMT(), 20700);
  w.settings.setTimeZone(-3.5);
  EXPECT_EQ(ns::TimeZone::defaultTimeZone().secondsFromGMT(), -12600);
  // A zone that is not a number, or no zone of this world, leaves it.
  for (double bad : {double(NAN), double(INFINITY), 1e300, -1e12, 25.0}) {
    w.settings.setTimeZone(bad);
    EXPECT_EQ(ns::TimeZone::defaultTimeZone().secondsFromGMT(), -12600) << bad;
  }
  // Without a chart nothing reaches the engine or the zone.
  Settings alone;
  alone.setTimeZone(3);
  alone.setLatitude(10);
  EXPECT_EQ(ns::TimeZone::defaultTimeZone().secondsFromGMT(), -12600);
  EXPECT_EQ(alone.latitude(), 10);

  // Real time: the system clock, the timer, and the chart screen told.
  w.settings.setRealTime(true);
  EXPECT_NEAR(w.chart->julianDate, currentJulianDate(), 1e-4);
  w.settings.setRealTime(false);
  EXPECT_EQ(w.controller.fakeView().calls, (std::vector<std::string>{"startRealTimeTimer", "stopRealTimeTimer"}));
  EXPECT_EQ(w.controller.calls, (std::vector<std::string>{"realTimeChanged", "realTimeChanged"}));
}

TEST(UiFoundationSettingsModel, TimeFlowStepsByUnitAndTheRealTimeUnitRunsOnTheLoopsClock) {
  uifoundation::World world;
  Settings settings;
  settings.setTimeFlowMultiplier(1);
  const std::pair<int, double> units[] = {{12, 6585.322}, {30, 10.0 / 24}, {7, 27.321661}, {0, 365},
                                          {5, 1.0 / 86400}, {40, 10.0 / 1440}, {11, 365.256363004}};
  for (auto [unit, days] : units) {
    settings.setTimeFlowIndex(unit);
    EXPECT_EQ(settings.timeFlowAmt(), days) << unit;
  }
  settings.setTimeFlowIndex(13);
  EXPECT_EQ(settings.timeFlowAmt(), 0);
  settings.setTimeFlowMultiplier(-2.5f);
  settings.setTimeFlowIndex(2);
  EXPECT_EQ(settings.timeFlowAmt(), -2.5);

  // The real-time unit: 0 on the first tick, then the time since the last.
  settings.setTimeFlowIndex(100);
  settings.setTimeFlowMultiplier(2);
  EXPECT_EQ(settings.timeFlowAmt(), 0);
  world.clock->advance(43.2);
  EXPECT_NEAR(settings.timeFlowAmt(), 2 * 43.2 / 86400, 1e-15);
  world.clock->advance(0.01);
  EXPECT_NEAR(settings.timeFlowAmt(), 2 * 0.01 / 86400, 1e-15);
  // A step of the wall clock is not elapsed time.
  EXPECT_NEAR(settings.timeFlowAmt(), 0, 1e-15);
}

TEST(UiFoundationSettingsModel, AReadBringsTheChartScreenInLine) {
  ModelWorld w;
  w.settings.setLocationName("Home");
  w.settings.setChartPerspective(2);
  w.settings.setTimeFlowIndex(3);
  w.settings.setTimeFlowVisible(true);
  w.settings.orbitPerspectiveData().displayCenterLon = 30;
  w.settings.orbitPerspectiveData().displayCenterLat = -20;
  for (int code = 0; code < 256; ++code) w.settings.satellitesShown()[code] = code % 3 == 0;
  w.settings.updateUIAfterReadingSettings(true);
  EXPECT_FALSE(w.settings.followingDeviceLocation());  // a named place
  EXPECT_EQ(w.controller.calls, (std::vector<std::string>{"setChartPerspective:2", "timeDateChanged",
                                                          "locationChanged", "updateHUD", "adjustTimeFlowBtns"}));
  EXPECT_EQ(w.controller.fakeView().calls, (std::vector<std::string>{"setNeedsDisplay"}));
  EXPECT_EQ(w.controller.fakeLabel().units, (std::vector<int>{3}));
  w.world.run(0.05);
  EXPECT_EQ(w.controller.calls.size(), 5u);
  w.world.run(0.1);
  EXPECT_EQ(w.controller.calls.back(), "showTimeFlow:1");
  for (int code = 0; code < 256; ++code) EXPECT_EQ(w.chart->satelliteCategories[code], code % 3 == 0) << code;
  EXPECT_NEAR(w.chart->getDisplayCenterLon(), 30 * kDegree, 1e-12);
  EXPECT_NEAR(w.chart->getDisplayCenterLat(), -20 * kDegree, 1e-12);
}

// A zone of standard time 9 hours east whose daylight saving covers the
// whole year, so that now is always in daylight saving time.
class ZoneOfTheDevice {
 public:
  explicit ZoneOfTheDevice(const char* tz) {
    const char* old = std::getenv("TZ");
    saved_ = old ? std::optional<std::string>(old) : std::nullopt;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~ZoneOfTheDevice() {
    if (saved_) setenv("TZ", saved_->c_str(), 1);
    else unsetenv("TZ");
    tzset();
  }

 private:
  std::optional<std::string> saved_;
};

TEST(UiFoundationSettingsModel, TheDevicesPositionBecomesThePlaceWithItsStandardZone) {
  ModelWorld w;
  ZoneOfTheDevice zone("AAA-9BBB,J1/0,J365/25");
  int dst = 0;
  ASSERT_NEAR(localTimeZone(&dst) * 24, 9, 1e-9);
  ASSERT_EQ(dst, 1);
  dev::LocationConfiguration here;
  here.start.latitude = -35.3;
  here.start.longitude = 149.1;
  here.start.altitude = 580;
  dev::LocationManager::configure(here);
  dev::configureAuthorization(dev::Service::location, dev::AuthorizationStatus::notDetermined,
                              dev::AuthorizationStatus::authorizedWhenInUse);
  w.settings.setLocationName(kCurrentLocationName);
  w.settings.updateUIAfterReadingSettings(true);
  EXPECT_TRUE(w.settings.followingDeviceLocation());
  w.settings.updateUIAfterReadingSettings(true);  // already asking: no second manager
  w.world.run(3);
  EXPECT_FALSE(w.settings.followingDeviceLocation());  // one fix is enough
  EXPECT_EQ(w.settings.latitude(), -35.3);
  EXPECT_EQ(w.settings.longitude(), 149.1);
  EXPECT_EQ(w.settings.altitude(), 580);
  EXPECT_EQ(w.settings.timeZone(), 9);  // 10 hours east with daylight saving
  EXPECT_EQ(w.chart->longitude, 149.1 * kDegree);
  ASSERT_NE(Settings::lastDeviceLocation(), nullptr);
  EXPECT_EQ(w.controller.calls.back(), "showTimeFlow:0");

  // A later read uses the last fix at once, then asks again.
  Settings again(&w.controller);
  again.setLocationName(kCurrentLocationName);
  again.updateUIAfterReadingSettings(true);
  EXPECT_EQ(again.latitude(), -35.3);

  // A refused request leaves the place as it was.
  dev::configureAuthorization(dev::Service::location, dev::AuthorizationStatus::denied,
                              dev::AuthorizationStatus::denied);
  Settings refused(&w.controller);
  refused.setLocationName(kCurrentLocationName);
  refused.setLatitude(1);
  here.start.latitude = 50;
  dev::LocationManager::configure(here);
  refused.updateUIAfterReadingSettings(false);  // no location asked for
  EXPECT_FALSE(refused.followingDeviceLocation());
  dev::configureAuthorization(dev::Service::location, dev::AuthorizationStatus::authorizedWhenInUse,
                              dev::AuthorizationStatus::authorizedWhenInUse);
  here.fails = true;
  dev::LocationManager::configure(here);
  Settings failing(&w.controller);
  failing.setLocationName(kCurrentLocationName);
  failing.updateUIAfterReadingSettings(true);
  w.world.run(3);
  EXPECT_FALSE(failing.followingDeviceLocation());
  dev::LocationManager::configure({});
}

}  // namespace
