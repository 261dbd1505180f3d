#include "ui/foundation/settings_model.h"

#include <cmath>
#include <optional>

#include "chart/sky_chart.h"
#include "engine/angles.h"
#include "engine/clock.h"
#include "engine/sky_time.h"
#include "platform/foundation/date.h"
#include "platform/foundation/run_loop.h"
#include "skydata/sky_object_model.h"
#include "ui/foundation/shell.h"

namespace {

std::optional<dev::LocationReading>& lastLocation() {
  static std::optional<dev::LocationReading> location;
  return location;
}

CountryBorderSettings& countryBorders() {
  static CountryBorderSettings handlers;
  return handlers;
}

// Beyond a day a zone is no zone at all (and its seconds may not even fit
// the platform's integer offset).
constexpr double kLongestZoneHours = 24;

}  // namespace

void setCountryBorderSettings(CountryBorderSettings handlers) { countryBorders() = handlers; }
const CountryBorderSettings& countryBorderSettings() { return countryBorders(); }

Settings::Settings(ChartViewController* chartViewController) : chartViewController_(chartViewController) {}

Settings::~Settings() {
  ns::RunLoop::main().cancelPreviousPerformRequests(this);
  if (locationMgr_ && locationMgr_->delegate) {
    locationMgr_->delegate = nullptr;
    locationMgr_->stopUpdatingLocation();
  }
}

CSkyChart* Settings::chart() const { return chartViewController_ ? chartViewController_->pSkyChart() : nullptr; }

CSkyChart* Settings::chartIn(int perspective) const {
  return chartPerspective_ == perspective ? chart() : nullptr;
}

std::string Settings::lastAnnouncement() const {
  std::lock_guard<std::mutex> lock(announcementMutex_);
  return lastAnnouncement_;
}

void Settings::setLastAnnouncement(std::string text) {
  std::lock_guard<std::mutex> lock(announcementMutex_);
  lastAnnouncement_ = std::move(text);
}

// ---- Place and time --------------------------------------------------------------

void Settings::setProcessTimeZone() {
  CSkyChart* c = chart();
  if (c == nullptr) return;
  const double hours = timeZone_ + (c->dstInEffect ? 1 : 0);
  // A zone that is not a number or not of this world (a damaged file)
  // leaves the default zone as it was.
  if (!std::isfinite(hours) || std::fabs(hours) > kLongestZoneHours) return;
  ns::TimeZone::setDefaultTimeZone(ns::TimeZone::withSecondsFromGMT(int(std::trunc(hours * 3600))));
}

void Settings::setJulianDate(double jd) {
  julianDate_ = jd;
  if (CSkyChart* c = chart()) {
    c->setJulianDate(jd);
    setProcessTimeZone();
  }
}

void Settings::setRealTime(bool on) {
  realTime_ = on;
  ChartView* view = chartViewController_ ? chartViewController_->chartView() : nullptr;
  if (on) {
    setJulianDate(currentJulianDate());
    if (view) view->startRealTimeTimer();
  } else if (view) {
    view->stopRealTimeTimer();
  }
  if (chartViewController_) chartViewController_->realTimeChanged();
}

void Settings::setTimeZone(double hours) {
  timeZone_ = hours;
  if (CSkyChart* c = chart()) {
    c->setTimeZone(hours / 24);
    setProcessTimeZone();
  }
}

void Settings::setAutoDST(bool on) {
  autoDST_ = on;
  if (CSkyChart* c = chart()) {
    c->setDSTRule(on ? dstRuleForLocation(longitude_ * kRadiansPerDegree, latitude_ * kRadiansPerDegree) : 0);
    setProcessTimeZone();
  }
}

void Settings::applyLocation() {
  if (CSkyChart* c = chart())
    c->setLocation(longitude_ * kRadiansPerDegree, latitude_ * kRadiansPerDegree, altitude_);
}

void Settings::setLatitude(double degrees) {
  latitude_ = degrees;
  applyLocation();
}

void Settings::setLongitude(double degrees) {
  longitude_ = degrees;
  applyLocation();
}

void Settings::setAltitude(double metres) {
  altitude_ = metres;
  applyLocation();
}

// ---- Perspectives ----------------------------------------------------------------

void Settings::setChartPerspective(int perspective) {
  chartPerspective_ = perspective;
  if (perspective >= kSkyPerspective && perspective <= kGroundPerspective)
    current_ = &perspectives_[std::size_t(perspective - 1)];
}

PerspectiveData& Settings::perspectiveData(int perspective) {
  if (perspective >= kSkyPerspective && perspective <= kGroundPerspective)
    return perspectives_[std::size_t(perspective - 1)];
  return *current_;
}

void Settings::setDisplayFOV(double degrees) {
  current_->displayFOV = degrees;
  if (CSkyChart* c = chart()) c->setDisplayFOV(degrees * kRadiansPerDegree);
}

// ---- Options by perspective ------------------------------------------------------

void Settings::setRealisticHorizon(bool on) {
  realisticHorizon_ = on;
  if (CSkyChart* c = chartIn(kSkyPerspective)) c->horizonStyle = on ? 4 : 2;
}

void Settings::setShowDaylight(bool on) {
  showDaylight_ = on;
  if (CSkyChart* c = chartIn(kSkyPerspective)) c->showDaylight = on;
}

void Settings::setShowSelectedOnlySky(bool on) {
  showSelectedOnlySky_ = on;
  if (CSkyChart* c = chartIn(kSkyPerspective)) c->showSatellites = !on;
}

void Settings::setShowSatelliteNamesSky(bool on) {
  showSatelliteNamesSky_ = on;
  if (chartPerspective_ == kSkyPerspective && chartViewController_) {
    if (ChartView* view = chartViewController_->chartView()) view->highlightSatellites(on);
  }
}

namespace {

void setAtmospheres(CSkyChart* c, bool on) {
  if (c) c->showPlanetAtmospheres = on;
}
void setPhases(CSkyChart* c, bool on) {
  if (c) c->showPlanetPhases = on ? 1.0f : 0.0f;
}
void setSurfaceFeatures(CSkyChart* c, bool on) {
  if (c) c->showPlanetSurfaceFeatures = on;
}
void setSelectedOnly(CSkyChart* c, bool on) {
  if (c) c->showSatellites = !on;
}
void setSatelliteNames(CSkyChart* c, bool on) {
  if (c) c->showMinorPlanetNames = on;
}
// With the Earth turning under the view the display follows the equator of
// date; otherwise the home body's own rotating frame.
void setEarthRotation(CSkyChart* c, bool on) {
  if (c == nullptr) return;
  c->setDisplayCoordSystem(on ? 1 : 5);
  c->followHomePlanet = on;
}

}  // namespace

void Settings::setShowPlanetAtmospheresOrbit(bool on) {
  showPlanetAtmospheresOrbit_ = on;
  setAtmospheres(chartIn(kOrbitPerspective), on);
}
void Settings::setShowPlanetAtmospheresSat(bool on) {
  showPlanetAtmospheresSat_ = on;
  setAtmospheres(chartIn(kSatellitePerspective), on);
}
void Settings::setShowPlanetAtmospheresGround(bool on) {
  showPlanetAtmospheresGround_ = on;
  setAtmospheres(chartIn(kGroundPerspective), on);
}

void Settings::setShowPlanetPhasesOrbit(bool on) {
  showPlanetPhasesOrbit_ = on;
  setPhases(chartIn(kOrbitPerspective), on);
}
void Settings::setShowPlanetPhasesSat(bool on) {
  showPlanetPhasesSat_ = on;
  setPhases(chartIn(kSatellitePerspective), on);
}
void Settings::setShowPlanetPhasesGround(bool on) {
  showPlanetPhasesGround_ = on;
  setPhases(chartIn(kGroundPerspective), on);
}

void Settings::setShowPlanetSurfaceFeaturesOrbit(bool on) {
  showPlanetSurfaceFeaturesOrbit_ = on;
  setSurfaceFeatures(chartIn(kOrbitPerspective), on);
}
void Settings::setShowPlanetSurfaceFeaturesSat(bool on) {
  showPlanetSurfaceFeaturesSat_ = on;
  setSurfaceFeatures(chartIn(kSatellitePerspective), on);
}
void Settings::setShowPlanetSurfaceFeaturesGround(bool on) {
  showPlanetSurfaceFeaturesGround_ = on;
  setSurfaceFeatures(chartIn(kGroundPerspective), on);
}

void Settings::setShowSelectedOnlyOrbit(bool on) {
  showSelectedOnlyOrbit_ = on;
  if (CSkyChart* c = chartIn(kOrbitPerspective)) {
    setSelectedOnly(c, on);
    c->updateNeeded = true;
  }
}
void Settings::setShowSelectedOnlySat(bool on) {
  showSelectedOnlySat_ = on;
  setSelectedOnly(chartIn(kSatellitePerspective), on);
}
void Settings::setShowSelectedOnlyGround(bool on) {
  showSelectedOnlyGround_ = on;
  setSelectedOnly(chartIn(kGroundPerspective), on);
}

void Settings::setShowSatelliteNamesOrbit(bool on) {
  showSatelliteNamesOrbit_ = on;
  setSatelliteNames(chartIn(kOrbitPerspective), on);
}
void Settings::setShowSatelliteNamesGround(bool on) {
  showSatelliteNamesGround_ = on;
  setSatelliteNames(chartIn(kGroundPerspective), on);
}

void Settings::setShowEarthRotationOrbit(bool on) {
  showEarthRotationOrbit_ = on;
  setEarthRotation(chartIn(kOrbitPerspective), on);
}
void Settings::setShowEarthRotationGround(bool on) {
  showEarthRotationGround_ = on;
  setEarthRotation(chartIn(kGroundPerspective), on);
}

// ---- Options of every perspective ------------------------------------------------

void Settings::setPlanetMagnitudeLimit(float limit) {
  planetMagnitudeLimit_ = limit;
  if (CSkyChart* c = chart()) c->setPlanetMagnitudeLimit(limit > 24.9f ? INFINITY : limit);
}

void Settings::setShowNightCityLights(bool on) {
  showNightCityLights_ = on;
  if (CSkyChart* c = chart()) c->earthStyle = on ? 1 : 0;
}

void Settings::setShowUserLocation(bool on) {
  showUserLocation_ = on;
  if (CSkyChart* c = chart()) c->showUserLocationMarker = on;
}

void Settings::setShowSatVisCircles(int value) {
  showSatVisCircles_ = value;
  if (CSkyChart* c = chart()) c->satelliteVisibilityCircles = value;
}

void Settings::setShowStarNames(bool on) {
  showStarNames_ = on;
  if (CSkyChart* c = chart()) c->showStarNames = on;
}

void Settings::setShowPlanetNames(bool on) {
  showPlanetNames_ = on;
  if (CSkyChart* c = chart()) c->showPlanetNames = on;
}

void Settings::setShowDeepSkyObjects(bool on) {
  showDeepSkyObjects_ = on;
  if (CSkyChart* c = chart()) c->showDeepSkyObjects = on;
}

void Settings::applyConstellations() {
  CSkyChart* c = chart();
  if (c == nullptr) return;
  // The master switch hides the four kinds without forgetting them (the
  // chart's own "ShowConstellations" is left alone).
  c->showConstellationsTraditional = showConstellations_ && showTraditionalConstellations_;
  c->showConstellationsModern = showConstellations_ && showModernConstellations_;
  c->showConstellationsMythical = showConstellations_ && showMythicalConstellations_;
  c->showConstellationsBoundary = showConstellations_ && showBoundaryConstellations_;
}

void Settings::setShowConstellations(bool on) {
  showConstellations_ = on;
  applyConstellations();
}

void Settings::setShowTraditionalConstellations(bool on) {
  showTraditionalConstellations_ = on;
  if (CSkyChart* c = chart()) c->showConstellationsTraditional = on && showConstellations_;
}

void Settings::setShowModernConstellations(bool on) {
  showModernConstellations_ = on;
  if (CSkyChart* c = chart()) c->showConstellationsModern = on && showConstellations_;
}

void Settings::setShowMythicalConstellations(bool on) {
  showMythicalConstellations_ = on;
  if (CSkyChart* c = chart()) c->showConstellationsMythical = on && showConstellations_;
}

void Settings::setShowBoundaryConstellations(bool on) {
  showBoundaryConstellations_ = on;
  if (CSkyChart* c = chart()) c->showConstellationsBoundary = on && showConstellations_;
}

void Settings::applyGrid() {
  CSkyChart* c = chart();
  if (c == nullptr) return;
  for (int system = 1; system <= 4; ++system) c->showCoordGrid[system] = showGrid_ && system == gridCoordSystem_;
}

void Settings::setShowGrid(bool on) {
  showGrid_ = on;
  if (CSkyChart* c = chart()) c->showGrid = on;
  applyGrid();
}

void Settings::setGridCoordSystem(int system) {
  gridCoordSystem_ = system;
  applyGrid();
}

void Settings::setShowPlanetOrbits(bool on) {
  showPlanetOrbits_ = on;
  if (CSkyChart* c = chart()) {
    c->showPlanetOrbits = on;
    c->updateNeeded = true;
  }
}

void Settings::setShowMoonOrbits(bool on) {
  showMoonOrbits_ = on;
  if (CSkyChart* c = chart()) {
    c->showMoonOrbits = on;
    c->updateNeeded = true;
  }
}

void Settings::setShowSelectedOrbit(bool on) {
  showSelectedOrbit_ = on;
  if (chartPerspective_ == kSatellitePerspective) return;
  CSkyChart* c = chart();
  if (c == nullptr || c->showSelectedObjectOrbit == on) return;
  c->showSelectedObjectOrbit = on;
  c->updateNeeded = true;
}

// ---- Application options ---------------------------------------------------------

void Settings::setSoundEffects(bool on) {
  soundEffects_ = on;
  if (AppDelegate* delegate = AppDelegate::instance()) {
    if (on) delegate->playAmbientSound();
    else delegate->pauseAmbientSound();
  }
}

bool Settings::autoVR() const { return autoVR_ && !AppDelegate::runningOniPad(); }
void Settings::setAutoVR(bool on) { autoVR_ = on && !AppDelegate::runningOniPad(); }

// ---- The chart screen ------------------------------------------------------------

void Settings::showControlPanels() {
  if (chartViewController_) chartViewController_->showTimeFlow(timeFlowVisible_);
}

bool Settings::followingDeviceLocation() const { return locationMgr_ && locationMgr_->delegate != nullptr; }

const dev::LocationReading* Settings::lastDeviceLocation() {
  return lastLocation() ? &*lastLocation() : nullptr;
}

void Settings::updateUIAfterReadingSettings(bool startLocation) {
  if (startLocation && locationName_ == kCurrentLocationName && !followingDeviceLocation()) {
    if (const dev::LocationReading* known = lastDeviceLocation()) useLocation(*known);
    locationMgr_ = std::make_unique<dev::LocationManager>();
    locationMgr_->delegate = this;
    const dev::AuthorizationStatus status = dev::LocationManager::authorizationStatus();
    if (status == dev::AuthorizationStatus::notDetermined) locationMgr_->requestWhenInUseAuthorization();
    else didChangeAuthorization(*locationMgr_, status);
  }
  if (ChartViewController* controller = chartViewController_) {
    controller->setChartPerspective(chartPerspective_);
    controller->timeDateChanged();
    controller->locationChanged();
    controller->updateHUD();
    if (ChartView* view = controller->chartView()) view->setNeedsDisplay();
    if (TimeFlowUnitLabel* label = controller->timeFlowTimeLabel()) label->setSelectedTimeUnit(timeFlowIndex_);
    controller->adjustTimeFlowBtns();
    ns::RunLoop::main().performAfterDelay(this, "showControlPanels", 0.1, [this] { showControlPanels(); });
  }
  if (CSkyChart* c = chart()) {
    for (std::size_t code = 0; code < satellitesShown_.size(); ++code)
      c->satelliteCategories[code] = satellitesShown_[code];
    c->setDisplayCenterInSystem(c->getDisplayCoordSystem(), current_->displayCenterLon * kRadiansPerDegree,
                                current_->displayCenterLat * kRadiansPerDegree);
  }
}

void Settings::useLocation(const dev::LocationReading& location) {
  // The device's standard zone now: its offset without the daylight-saving
  // hour (the rule of the place is not evaluated again here).
  const double zoneHours = localTimeZone(nullptr) * 24;
  setLatitude(location.latitude);
  setLongitude(location.longitude);
  setAltitude(location.altitude);
  setLocationName(kCurrentLocationName);
  setTimeZone(zoneHours);
  if (CSkyChart* c = chart()) c->updateNeeded = true;
  if (chartViewController_) chartViewController_->locationChanged();
}

void Settings::didChangeAuthorization(dev::LocationManager& manager, dev::AuthorizationStatus status) {
  if (status != dev::AuthorizationStatus::authorizedAlways && status != dev::AuthorizationStatus::authorizedWhenInUse)
    return;
  manager.delegate = this;
  manager.startUpdatingLocation();
}

void Settings::didFailWithError(dev::LocationManager& manager, const std::string&) {
  manager.delegate = nullptr;
  manager.stopUpdatingLocation();
}

void Settings::didUpdateLocations(dev::LocationManager& manager, const std::vector<dev::LocationReading>& readings) {
  manager.delegate = nullptr;
  manager.stopUpdatingLocation();  // one fix is enough
  if (readings.empty()) return;
  lastLocation() = readings.back();
  useLocation(readings.back());
}
