#include "ui/settings/perspective_settings_pages.h"

#include "ui/foundation/settings_model.h"
#include "ui/settings/chart_screen.h"

PerspectiveSettingsPage::PerspectiveSettingsPage(std::string interfaceName, int perspective, std::vector<Row> rows)
    : SettingsSubviewController(std::move(interfaceName)), perspective_(perspective), rows_(std::move(rows)) {}

bool PerspectiveSettingsPage::performAction(std::string_view selector, ui::Object* sender) {
  if (selector != "onOffToggled:") return SettingsSubviewController::performAction(selector, sender);
  onOffToggled(sender);
  return true;
}

void PerspectiveSettingsPage::viewDidLoad() {
  SettingsSubviewController::viewDidLoad();
  Settings* settings = currentSettings();
  cells_.clear();
  for (const Row& row : rows_) {
    cells_.push_back(makeSwitchedCell(row.text, settings && (settings->*row.get)(), this, "onOffToggled:"));
  }
}

void PerspectiveSettingsPage::onOffToggled(ui::Object* sender) {
  Settings* settings = currentSettings();
  for (std::size_t i = 0; i < cells_.size() && settings; ++i) {
    ui::Switch* onOff = cells_[i]->onOffSwitch();
    if (onOff != sender) continue;
    (settings->*rows_[i].set)(onOff->isOn());
    break;
  }
  if (currentChartPerspective() == perspective_) drawChartNow();
}

std::shared_ptr<ui::TableViewCell> PerspectiveSettingsPage::cellForRow(ui::TableView&, ui::IndexPath path) {
  if (path.row < 0 || path.row >= int(cells_.size())) return nullptr;
  return cells_[std::size_t(path.row)];
}

OrbitViewSettingsViewController::OrbitViewSettingsViewController()
    : PerspectiveSettingsPage("OrbitSettingsView", kOrbitPerspective,
                              {{"Show Cities", &Settings::showPlanetSurfaceFeaturesOrbit,
                                &Settings::setShowPlanetSurfaceFeaturesOrbit},
                               {"Show Atmosphere", &Settings::showPlanetAtmospheresOrbit,
                                &Settings::setShowPlanetAtmospheresOrbit},
                               {"Show Day and Night", &Settings::showPlanetPhasesOrbit, &Settings::setShowPlanetPhasesOrbit},
                               {"Show Selected Satellite Only", &Settings::showSelectedOnlyOrbit,
                                &Settings::setShowSelectedOnlyOrbit},
                               {"Show Satellite Names", &Settings::showSatelliteNamesOrbit,
                                &Settings::setShowSatelliteNamesOrbit},
                               {"Show Earth Rotation", &Settings::showEarthRotationOrbit,
                                &Settings::setShowEarthRotationOrbit}}) {}

SatelliteViewSettingsViewController::SatelliteViewSettingsViewController()
    : PerspectiveSettingsPage("SatelliteSettingsView", kSatellitePerspective,
                              {{"Show Cities", &Settings::showPlanetSurfaceFeaturesSat,
                                &Settings::setShowPlanetSurfaceFeaturesSat},
                               {"Show Atmosphere", &Settings::showPlanetAtmospheresSat,
                                &Settings::setShowPlanetAtmospheresSat},
                               {"Show Day and Night", &Settings::showPlanetPhasesSat, &Settings::setShowPlanetPhasesSat},
                               {"Show Selected Satellite Only", &Settings::showSelectedOnlySat,
                                &Settings::setShowSelectedOnlySat}}) {}

GroundViewSettingsViewController::GroundViewSettingsViewController()
    : PerspectiveSettingsPage("GroundSettingsView", kGroundPerspective,
                              {{"Show Cities", &Settings::showPlanetSurfaceFeaturesGround,
                                &Settings::setShowPlanetSurfaceFeaturesGround},
                               {"Show Atmosphere", &Settings::showPlanetAtmospheresGround,
                                &Settings::setShowPlanetAtmospheresGround},
                               {"Show Day and Night", &Settings::showPlanetPhasesGround,
                                &Settings::setShowPlanetPhasesGround},
                               {"Show Selected Satellite Only", &Settings::showSelectedOnlyGround,
                                &Settings::setShowSelectedOnlyGround},
                               {"Show Satellite Names", &Settings::showSatelliteNamesGround,
                                &Settings::setShowSatelliteNamesGround},
                               {"Show Earth Rotation", &Settings::showEarthRotationGround,
                                &Settings::setShowEarthRotationGround}}) {}
