#include "ui/settings/sky_view_settings_view_controller.h"

#include <algorithm>
#include <cstdio>

#include "chart/sky_chart.h"
#include "platform/uikit/navigation_controller.h"
#include "ui/foundation/settings_model.h"
#include "ui/foundation/shell.h"
#include "ui/settings/chart_screen.h"
#include "ui/settings/settings_view_controller.h"

namespace {

constexpr float kNoLimit = 25;  // the slider's top: no magnitude limit

std::string limitText(float limit) {
  if (limit >= kNoLimit) return "Unlimited";
  char text[64];
  std::snprintf(text, sizeof text, "%2.1f", double(limit));
  return text;
}

}  // namespace

SkyViewSettingsViewController::SkyViewSettingsViewController() : SettingsSubviewController("SkySettingsView") {}

bool SkyViewSettingsViewController::performAction(std::string_view selector, ui::Object* sender) {
  if (selector == "onOffToggled:") onOffToggled(sender);
  else if (selector == "constellationsToggled:") constellationsToggled(sender);
  else if (selector == "showGridToggled:") showGridToggled(sender);
  else if (selector == "planetMagChanged:") planetMagChanged(sender);
  else return SettingsSubviewController::performAction(selector, sender);
  return true;
}

void SkyViewSettingsViewController::viewDidLoad() {
  SettingsSubviewController::viewDidLoad();
  Settings* s = currentSettings();
  auto is = [s](bool (Settings::*get)() const) { return s && (s->*get)(); };
  realisticHorizonCell = makeSwitchedCell("Realistic Horizon", is(&Settings::realisticHorizon), this, "onOffToggled:");
  showDaylightCell = makeSwitchedCell("Show Daylight", is(&Settings::showDaylight), this, "onOffToggled:");
  showConstellationsCell =
      makeSwitchedCell("Show Constellations", is(&Settings::showConstellations), this, "constellationsToggled:");
  showGridCell = makeSwitchedCell("Show Alt-Azimuth Grid", is(&Settings::showGrid), this, "showGridToggled:");
  showSatelliteNamesCell = makeSwitchedCell("Show Satellite Names", is(&Settings::showSatelliteNamesSky), this, "onOffToggled:");
  showStarNamesCell = makeSwitchedCell("Show Star Names", is(&Settings::showStarNames), this, "onOffToggled:");
  showPlanetNamesCell = makeSwitchedCell("Show Planet Names", is(&Settings::showPlanetNames), this, "onOffToggled:");
  showSelectedOnlySkyCell =
      makeSwitchedCell("Show Selected Satellite Only", is(&Settings::showSelectedOnlySky), this, "onOffToggled:");
  planetMagnitudeLimitCell = std::make_shared<SVTableViewCell>(ui::TableViewCellStyle::value1, "");
  planetMagnitudeLimitCell->textLabel().setText("Satellite Magnitude Limit");
  planetMagnitudeLimitCell->setAccessoryType(ui::TableViewCellAccessory::disclosureIndicator);
  initialized = true;
}

void SkyViewSettingsViewController::viewWillAppear(bool animated) {
  SettingsSubviewController::viewWillAppear(animated);
  Settings* s = currentSettings();
  if (planetMagnitudeLimitCell) planetMagnitudeLimitCell->detailTextLabel()->setText(limitText(s ? s->planetMagnitudeLimit() : 0));
  if (mainTable)
    if (auto selected = mainTable->indexPathForSelectedRow()) mainTable->deselectRow(*selected, true);
}

void SkyViewSettingsViewController::onOffToggled(ui::Object* sender) {
  Settings* s = currentSettings();
  auto* onOff = dynamic_cast<ui::Switch*>(sender);
  if (s && onOff) {
    const bool on = onOff->isOn();
    auto is = [onOff](const std::shared_ptr<SwitchedTableViewCell>& cell) { return cell && cell->onOffSwitch() == onOff; };
    if (is(realisticHorizonCell)) s->setRealisticHorizon(on);
    else if (is(showDaylightCell)) s->setShowDaylight(on);
    else if (is(showSatelliteNamesCell)) s->setShowSatelliteNamesSky(on);
    else if (is(showStarNamesCell)) s->setShowStarNames(on);
    else if (is(showPlanetNamesCell)) s->setShowPlanetNames(on);
    else if (is(showSelectedOnlySkyCell)) s->setShowSelectedOnlySky(on);
  }
  if (currentChartPerspective() == kSkyPerspective) drawChartNow();
}

void SkyViewSettingsViewController::constellationsToggled(ui::Object* sender) {
  auto* onOff = dynamic_cast<ui::Switch*>(sender);
  if (!initialized || onOff == nullptr) return;
  if (CSkyChart* chart = currentChart()) chart->showConstellations = onOff->isOn();
  if (Settings* s = currentSettings()) s->setShowConstellations(onOff->isOn());
  drawChartNow();
}

void SkyViewSettingsViewController::showGridToggled(ui::Object* sender) {
  auto* onOff = dynamic_cast<ui::Switch*>(sender);
  if (onOff == nullptr) return;
  if (Settings* s = currentSettings()) {
    s->setGridCoordSystem(2);
    s->setShowGrid(onOff->isOn());
  }
  drawChartNow();
}

void SkyViewSettingsViewController::planetMagChanged(ui::Object* sender) {
  auto* slider = dynamic_cast<ui::Slider*>(sender);
  const float value = slider ? float(slider->value()) : 0;
  if (liveAdjustViewController && liveAdjustViewController->label)
    liveAdjustViewController->label->setText("Magnitude Limit: " + limitText(value));
  if (SettingsViewController* settingsScreen = currentSettingsScreen()) settingsScreen->updateTableAfterValueChange();
  if (slider == nullptr) return;
  if (Settings* s = currentSettings()) s->setPlanetMagnitudeLimit(value);
  if (CSkyChart* chart = currentChart()) chart->updateNeeded = true;
  redrawChart();
}

void SkyViewSettingsViewController::openMagnitudeSlider() {
  liveAdjustViewController = std::make_shared<LiveAdjustViewController>();
  Settings* s = currentSettings();
  liveAdjustViewController->sliderMinInit = 0;
  liveAdjustViewController->sliderMaxInit = kNoLimit;
  liveAdjustViewController->sliderValueInit = std::min(s ? s->planetMagnitudeLimit() : kNoLimit, kNoLimit);
  liveAdjustViewController->sliderTargetInit = this;
  liveAdjustViewController->sliderActionInit = "planetMagChanged:";
  liveAdjustViewController->setTitle("Magnitude Limit");
  if (ui::NavigationController* navigation = navigationController())
    navigation->pushViewController(liveAdjustViewController, true);
  if (ChartView* chartView = currentChartView()) chartView->enableZoom(false);
}

std::shared_ptr<ui::TableViewCell> SkyViewSettingsViewController::cellForRow(ui::TableView&, ui::IndexPath path) {
  const std::shared_ptr<SwitchedTableViewCell>* rows[] = {
      &realisticHorizonCell, &showDaylightCell,    &showConstellationsCell, &showGridCell,
      &showSatelliteNamesCell, &showStarNamesCell, &showPlanetNamesCell,    &showSelectedOnlySkyCell};
  if (path.row >= 0 && path.row < 8) return *rows[path.row];
  if (path.row == 8) return planetMagnitudeLimitCell;
  return nullptr;
}

void SkyViewSettingsViewController::didSelectRow(ui::TableView&, ui::IndexPath path) {
  if (path.row == 8) openMagnitudeSlider();
}
