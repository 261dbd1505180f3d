// Settings: every user choice of the application (place and zone, chart
// time and time flow, the remembered view and display options of the four
// perspectives, the satellite categories shown, the user's places, the
// selected object, list and alert options) and the one road by which a
// screen changes the chart: a setter stores the value and, where the option
// shows on the live chart, pushes it at once into the chart or the chart
// screen. Setters marked with a perspective act on the chart only while
// that perspective is current; the chart screen applies them again when it
// switches perspective. Reading and writing the "CurrentSettings" file:
// settings_file.cpp.
//
// The chart screen's controller creates and owns the model; the model's
// pointer back to it is not owned (null until given).
//
// Thread rules: main thread only (interface, timers and location
// callbacks). The last announcement may be read and written from any
// thread.
#pragma once

#include <array>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/devices/location.h"
#include "skydata/sky_object_id.h"

class CSettings;
class CSkyChart;
class ChartViewController;
class SkyObject;

// The remembered view of one perspective.
struct PerspectiveData {
  double displayFOV = 0;           // degrees
  double displayCenterLon = 0;     // degrees, in the chart's display system
  double displayCenterLat = 0;     // degrees
  double homePlanetDistance = 0;   // Earth radii (orbit), radii of the followed object (satellite)
  double homePlanetLatitude = 0;   // radians
  double homePlanetLongitude = 0;  // radians
};

// One user-defined place.
class UserLocationSetting {
 public:
  std::string locationName;
  double latitude = 0, longitude = 0;  // degrees
  double altitude = 0;                 // metres
  double timeZone = 0;                 // hours
};

// Perspective codes.
inline constexpr int kSkyPerspective = 1;
inline constexpr int kOrbitPerspective = 2;
inline constexpr int kSatellitePerspective = 3;
inline constexpr int kGroundPerspective = 4;

// The place name that makes the observer follow the device's position.
inline constexpr const char* kCurrentLocationName = "Current Location";

// The chart's shown-country flags and the "ShowCountryBorder" values of a
// settings tree: read sets the flag of every country a value names (and
// clears none); write appends one value per shown country. Installed by
// the chart's ground view once it has the world-borders country table;
// until then the model writes back the countries the file held.
struct CountryBorderSettings {
  void (*read)(CSkyChart& chart, const CSettings* tree) = nullptr;
  void (*write)(CSkyChart& chart, CSettings* tree) = nullptr;
};
void setCountryBorderSettings(CountryBorderSettings handlers);
const CountryBorderSettings& countryBorderSettings();

class Settings : private dev::LocationManagerDelegate {
 public:
  // All fields zero, null or false; the sky record current.
  explicit Settings(ChartViewController* chartViewController = nullptr);
  ~Settings() override;
  Settings(const Settings&) = delete;
  Settings& operator=(const Settings&) = delete;

  // ---- Place and time ----
  const std::string& locationName() const { return locationName_; }
  void setLocationName(std::string name) { locationName_ = std::move(name); }
  double latitude() const { return latitude_; }
  void setLatitude(double degrees);
  double longitude() const { return longitude_; }
  void setLongitude(double degrees);
  double altitude() const { return altitude_; }
  void setAltitude(double metres);
  double julianDate() const { return julianDate_; }
  void setJulianDate(double jd);
  // Standard zone, hours (without the daylight-saving hour).
  double timeZone() const { return timeZone_; }
  void setTimeZone(double hours);
  bool autoDST() const { return autoDST_; }
  void setAutoDST(bool on);
  bool realTime() const { return realTime_; }
  void setRealTime(bool on);

  // ---- Time flow ----
  bool timeFlowVisible() const { return timeFlowVisible_; }
  void setTimeFlowVisible(bool visible) { timeFlowVisible_ = visible; }
  int timeFlowIndex() const { return timeFlowIndex_; }
  void setTimeFlowIndex(int unit) { timeFlowIndex_ = unit; }
  float timeFlowMultiplier() const { return timeFlowMultiplier_; }
  void setTimeFlowMultiplier(float multiplier) { timeFlowMultiplier_ = multiplier; }
  // Days one tick of time flow moves the chart: the unit's length times the
  // multiplier (time_flow_units.cpp). The real-time unit (100) gives the
  // run loop's time since the previous tick, and each call is a tick.
  double timeFlowAmt();

  // ---- Perspectives ----
  int chartPerspective() const { return chartPerspective_; }
  // 1 to 4 make that perspective's record current; other codes are kept
  // and leave the record where it is.
  void setChartPerspective(int perspective);
  PerspectiveData& skyPerspectiveData() { return perspectives_[0]; }
  PerspectiveData& orbitPerspectiveData() { return perspectives_[1]; }
  PerspectiveData& satellitePerspectiveData() { return perspectives_[2]; }
  PerspectiveData& groundPerspectiveData() { return perspectives_[3]; }
  // The record of perspective 1 to 4 (the current one otherwise).
  PerspectiveData& perspectiveData(int perspective);
  // The current record's fields.
  double displayFOV() const { return current_->displayFOV; }
  void setDisplayFOV(double degrees);
  double displayCenterLon() const { return current_->displayCenterLon; }
  void setDisplayCenterLon(double degrees) { current_->displayCenterLon = degrees; }
  double displayCenterLat() const { return current_->displayCenterLat; }
  void setDisplayCenterLat(double degrees) { current_->displayCenterLat = degrees; }
  double homePlanetDistance() const { return current_->homePlanetDistance; }
  void setHomePlanetDistance(double distance) { current_->homePlanetDistance = distance; }
  double homePlanetLatitude() const { return current_->homePlanetLatitude; }
  void setHomePlanetLatitude(double radians) { current_->homePlanetLatitude = radians; }
  double homePlanetLongitude() const { return current_->homePlanetLongitude; }
  void setHomePlanetLongitude(double radians) { current_->homePlanetLongitude = radians; }

  // ---- Display options by perspective ----
  bool showSatelliteNamesSky() const { return showSatelliteNamesSky_; }
  void setShowSatelliteNamesSky(bool on);
  bool showSelectedOnlySky() const { return showSelectedOnlySky_; }
  void setShowSelectedOnlySky(bool on);
  bool realisticHorizon() const { return realisticHorizon_; }
  void setRealisticHorizon(bool on);
  bool showDaylight() const { return showDaylight_; }
  void setShowDaylight(bool on);

  bool showPlanetPhasesOrbit() const { return showPlanetPhasesOrbit_; }
  void setShowPlanetPhasesOrbit(bool on);
  bool showPlanetSurfaceFeaturesOrbit() const { return showPlanetSurfaceFeaturesOrbit_; }
  void setShowPlanetSurfaceFeaturesOrbit(bool on);
  bool showPlanetAtmospheresOrbit() const { return showPlanetAtmospheresOrbit_; }
  void setShowPlanetAtmospheresOrbit(bool on);
  bool showSelectedOnlyOrbit() const { return showSelectedOnlyOrbit_; }
  void setShowSelectedOnlyOrbit(bool on);
  bool showSatelliteNamesOrbit() const { return showSatelliteNamesOrbit_; }
  void setShowSatelliteNamesOrbit(bool on);
  bool showEarthRotationOrbit() const { return showEarthRotationOrbit_; }
  void setShowEarthRotationOrbit(bool on);

  bool showPlanetPhasesSat() const { return showPlanetPhasesSat_; }
  void setShowPlanetPhasesSat(bool on);
  bool showPlanetSurfaceFeaturesSat() const { return showPlanetSurfaceFeaturesSat_; }
  void setShowPlanetSurfaceFeaturesSat(bool on);
  bool showPlanetAtmospheresSat() const { return showPlanetAtmospheresSat_; }
  void setShowPlanetAtmospheresSat(bool on);
  bool showSelectedOnlySat() const { return showSelectedOnlySat_; }
  void setShowSelectedOnlySat(bool on);

  bool showPlanetPhasesGround() const { return showPlanetPhasesGround_; }
  void setShowPlanetPhasesGround(bool on);
  bool showPlanetSurfaceFeaturesGround() const { return showPlanetSurfaceFeaturesGround_; }
  void setShowPlanetSurfaceFeaturesGround(bool on);
  bool showPlanetAtmospheresGround() const { return showPlanetAtmospheresGround_; }
  void setShowPlanetAtmospheresGround(bool on);
  bool showSelectedOnlyGround() const { return showSelectedOnlyGround_; }
  void setShowSelectedOnlyGround(bool on);
  bool showSatelliteNamesGround() const { return showSatelliteNamesGround_; }
  void setShowSatelliteNamesGround(bool on);
  void setSatelliteNamesGround(bool on) { setShowSatelliteNamesGround(on); }
  bool showEarthRotationGround() const { return showEarthRotationGround_; }
  void setShowEarthRotationGround(bool on);
  bool lockGround() const { return lockGround_; }
  void setLockGround(bool on) { lockGround_ = on; }

  // ---- Options of every perspective ----
  bool showNightCityLights() const { return showNightCityLights_; }
  void setShowNightCityLights(bool on);
  bool showUserLocation() const { return showUserLocation_; }
  void setShowUserLocation(bool on);
  int showSatVisCircles() const { return showSatVisCircles_; }
  void setShowSatVisCircles(int value);
  float planetMagnitudeLimit() const { return planetMagnitudeLimit_; }
  // Above 24.9 the chart draws every body (no limit).
  void setPlanetMagnitudeLimit(float limit);
  bool showStarNames() const { return showStarNames_; }
  void setShowStarNames(bool on);
  bool showPlanetNames() const { return showPlanetNames_; }
  void setShowPlanetNames(bool on);
  bool showDeepSkyObjects() const { return showDeepSkyObjects_; }
  void setShowDeepSkyObjects(bool on);
  // The master switch keeps the four kinds; off hides all of them.
  bool showConstellations() const { return showConstellations_; }
  void setShowConstellations(bool on);
  bool showTraditionalConstellations() const { return showTraditionalConstellations_; }
  void setShowTraditionalConstellations(bool on);
  bool showModernConstellations() const { return showModernConstellations_; }
  void setShowModernConstellations(bool on);
  bool showMythicalConstellations() const { return showMythicalConstellations_; }
  void setShowMythicalConstellations(bool on);
  bool showBoundaryConstellations() const { return showBoundaryConstellations_; }
  void setShowBoundaryConstellations(bool on);
  bool showGrid() const { return showGrid_; }
  void setShowGrid(bool on);
  // 1 equatorial, 2 horizon, 3 ecliptic, 4 galactic; others hide the grid.
  int gridCoordSystem() const { return gridCoordSystem_; }
  void setGridCoordSystem(int system);
  bool showPlanetOrbits() const { return showPlanetOrbits_; }
  void setShowPlanetOrbits(bool on);
  bool showMoonOrbits() const { return showMoonOrbits_; }
  void setShowMoonOrbits(bool on);
  bool showSelectedOrbit() const { return showSelectedOrbit_; }
  void setShowSelectedOrbit(bool on);
  // One flag per satellite category code, changed in place by screens.
  bool* satellitesShown() { return satellitesShown_.data(); }

  // ---- Application options ----
  bool soundEffects() const { return soundEffects_; }
  void setSoundEffects(bool on);
  bool voiceControl() const { return voiceControl_; }
  void setVoiceControl(bool on) { voiceControl_ = on; }
  bool tiltToUseCompass() const { return tiltToUseCompass_; }
  void setTiltToUseCompass(bool on) { tiltToUseCompass_ = on; }
  // Never on a tablet.
  bool autoVR() const;
  void setAutoVR(bool on);
  int selectedSettingsSection() const { return selectedSettingsSection_; }
  void setSelectedSettingsSection(int section) { selectedSettingsSection_ = section; }
  int selectedSettingsRow() const { return selectedSettingsRow_; }
  void setSelectedSettingsRow(int row) { selectedSettingsRow_ = row; }
  bool selectedObjectLocked() const { return selectedObjectLocked_; }
  void setSelectedObjectLocked(bool on) { selectedObjectLocked_ = on; }
  const std::shared_ptr<SkyObject>& selectedObject() const { return selectedObject_; }
  void setSelectedObject(std::shared_ptr<SkyObject> object) { selectedObject_ = std::move(object); }
  int warningTime() const { return warningTime_; }
  void setWarningTime(int minutes) { warningTime_ = minutes; }
  const std::string& sortListBy() const { return sortListBy_; }
  void setSortListBy(std::string by) { sortListBy_ = std::move(by); }
  bool showVisiblePassesOnly() const { return showVisiblePassesOnly_; }
  void setShowVisiblePassesOnly(bool on) { showVisiblePassesOnly_ = on; }
  std::vector<std::shared_ptr<UserLocationSetting>>& userLocations() { return userLocations_; }
  void setUserLocations(std::vector<std::shared_ptr<UserLocationSetting>> locations) {
    userLocations_ = std::move(locations);
  }
  std::string lastAnnouncement() const;
  void setLastAnnouncement(std::string text);
  ChartViewController* chartViewController() const { return chartViewController_; }
  void setChartViewController(ChartViewController* controller) { chartViewController_ = controller; }

  // ---- The chart screen ----
  // The time-flow panel shown or hidden as stored.
  void showControlPanels();
  // Brings the chart screen in line with the model after a read (with true:
  // a stored "Current Location" starts following the device).
  void updateUIAfterReadingSettings(bool startLocation);
  // The device's position becomes the observer's place, with the device's
  // standard zone.
  void useLocation(const dev::LocationReading& location);
  // The device position received last in this process, if any.
  static const dev::LocationReading* lastDeviceLocation();
  // Whether device positions are being requested.
  bool followingDeviceLocation() const;

  // ---- The settings file (settings_file.cpp) ----
  // Utility::documentsDirectory() + "/CurrentSettings".
  static std::string defaultsPath();
  void readFromDefaults();
  // A file that cannot be read gives every key its default; one that
  // exists but cannot be opened, or holds no setting at all, is kept beside
  // it as "<path>.unreadable" (with a message) so the next save does not
  // lose it.
  void readFromPath(const std::string& path);
  void readFromCSettings(const CSettings* tree);
  // Into the location database (only while the file itself is read).
  int readUserLocations();
  // False (with a message) when the file could not be replaced; the old
  // one is then intact.
  bool saveToDefaults();
  bool saveToPath(const std::string& path);
  // A new tree owned by the caller (CSettings::deleteList).
  CSettings* saveToCSettings();
  // userLocations rebuilt from the location database.
  int saveUserLocations();

 private:
  // The chart, when the chart screen has one.
  CSkyChart* chart() const;
  // Perspective-gated chart options: the chart when `perspective` is
  // current.
  CSkyChart* chartIn(int perspective) const;
  // The platform's default zone at the chart's local offset.
  void setProcessTimeZone();
  void applyLocation();
  void applyConstellations();
  void applyGrid();
  SkyObjectID readSelectedObject(const CSettings* tree);
  void readUserLocationEntries(const CSettings* tree);

  // Location manager delegate.
  void didChangeAuthorization(dev::LocationManager& manager, dev::AuthorizationStatus status) override;
  void didUpdateLocations(dev::LocationManager& manager, const std::vector<dev::LocationReading>& readings) override;
  void didFailWithError(dev::LocationManager& manager, const std::string& error) override;

  ChartViewController* chartViewController_;
  std::unique_ptr<dev::LocationManager> locationMgr_;
  bool readingFromDefaults_ = false;

  std::string locationName_;
  double latitude_ = 0, longitude_ = 0, altitude_ = 0;
  double julianDate_ = 0, timeZone_ = 0;
  bool autoDST_ = false, realTime_ = false;
  bool timeFlowVisible_ = false;
  int timeFlowIndex_ = 0;
  float timeFlowMultiplier_ = 0;
  double lastTimeFlowTime_ = 0;  // run-loop seconds of the last real-time tick
  bool timeFlowTicked_ = false;

  int chartPerspective_ = 0;
  std::array<PerspectiveData, 4> perspectives_{};
  PerspectiveData* current_ = &perspectives_[0];

  bool showSatelliteNamesSky_ = false, showSelectedOnlySky_ = false;
  bool realisticHorizon_ = false, showDaylight_ = false;
  bool showPlanetPhasesOrbit_ = false, showPlanetSurfaceFeaturesOrbit_ = false, showPlanetAtmospheresOrbit_ = false;
  bool showSelectedOnlyOrbit_ = false, showSatelliteNamesOrbit_ = false, showEarthRotationOrbit_ = false;
  bool showPlanetPhasesSat_ = false, showPlanetSurfaceFeaturesSat_ = false, showPlanetAtmospheresSat_ = false;
  bool showSelectedOnlySat_ = false;
  bool showPlanetPhasesGround_ = false, showPlanetSurfaceFeaturesGround_ = false;
  bool showPlanetAtmospheresGround_ = false, showSelectedOnlyGround_ = false;
  bool showSatelliteNamesGround_ = false, showEarthRotationGround_ = false;
  bool lockGround_ = false;
  bool showNightCityLights_ = false, showUserLocation_ = false;
  int showSatVisCircles_ = 0;
  float planetMagnitudeLimit_ = 0;
  bool showStarNames_ = false, showPlanetNames_ = false, showDeepSkyObjects_ = false;
  bool showConstellations_ = false, showTraditionalConstellations_ = false, showModernConstellations_ = false;
  bool showMythicalConstellations_ = false, showBoundaryConstellations_ = false;
  bool showGrid_ = false;
  int gridCoordSystem_ = 0;
  bool showPlanetOrbits_ = false, showMoonOrbits_ = false, showSelectedOrbit_ = false;
  std::array<bool, 256> satellitesShown_{};

  bool soundEffects_ = false, voiceControl_ = false, tiltToUseCompass_ = false, autoVR_ = false;
  int selectedSettingsSection_ = 0, selectedSettingsRow_ = 0;
  bool selectedObjectLocked_ = false;
  std::shared_ptr<SkyObject> selectedObject_;
  int warningTime_ = 0;
  std::string sortListBy_;
  bool showVisiblePassesOnly_ = false;
  std::vector<std::shared_ptr<UserLocationSetting>> userLocations_;
  // The "ShowCountryBorder" values last read, written back when no chart
  // with the country table writes its own.
  std::vector<std::string> keptCountryBorders_;
  mutable std::mutex announcementMutex_;
  std::string lastAnnouncement_;
};
